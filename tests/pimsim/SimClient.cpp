#include "SimClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

bool PtyClient::open(const QString &path)
{
    close();
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        return false;
    termios t{};
    ::tcgetattr(m_fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_fd, TCSANOW, &t);
    return true;
}

void PtyClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void PtyClient::write(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n > 0) {
            p += n;
            left -= n;
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            return;
        } else {
            pollfd pfd{m_fd, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        }
    }
}

QList<Arrival> PtyClient::readUntilQuiet(int quietMs, int totalMs)
{
    QList<Arrival> got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < totalMs) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int wait = int(qMin<qint64>(quietMs, totalMs - clock.elapsed()));
        if (::poll(&pfd, 1, qMax(0, wait)) <= 0)
            break;
        char buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append({QByteArray(buf, int(n)), clock.elapsed()});
    }
    return got;
}

QByteArray PtyClient::readAllQuiet(int quietMs, int totalMs)
{
    QByteArray all;
    for (const Arrival &a : readUntilQuiet(quietMs, totalMs))
        all.append(a.bytes);
    return all;
}

QByteArray PtyClient::readThrough(const QByteArray &tail, int limitMs)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (!got.contains(tail) && clock.elapsed() < limitMs) {
        pollfd pfd{m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, int(limitMs - clock.elapsed())) <= 0)
            break;
        // One byte at a time, so nothing after the tail is taken.
        char c;
        if (::read(m_fd, &c, 1) != 1)
            break;
        got.append(c);
    }
    return got;
}

pim::Tab PtyClient::readFrame(int timeoutMs)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (!got.isEmpty() && got.size() >= quint8(got[0]))
            break;
        pollfd pfd{m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, int(timeoutMs - clock.elapsed())) <= 0)
            break;
        char buf[512];
        const qsizetype want = got.isEmpty() ? 1 : quint8(got[0]) - got.size();
        const ssize_t n = ::read(m_fd, buf, size_t(qMin<qsizetype>(want, sizeof buf)));
        if (n <= 0)
            break;
        got.append(buf, int(n));
    }
    return pim::Tab::fromBytes(got);
}

pim::Tab PtyClient::exchange(const pim::Tab &request, int timeoutMs)
{
    write(request.bytes());
    return readFrame(timeoutMs);
}

bool UdpClient::open(quint16 port)
{
    m_port = port;
    return m_socket.bind(QHostAddress::LocalHost, 0);
}

void UdpClient::send(const pim::Tab &request)
{
    m_socket.writeDatagram(request.bytes(), QHostAddress::LocalHost, m_port);
}

QList<QByteArray> UdpClient::receive(int quietMs, int totalMs)
{
    QList<QByteArray> got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < totalMs) {
        if (!m_socket.hasPendingDatagrams() && !m_socket.waitForReadyRead(quietMs))
            break;
        while (m_socket.hasPendingDatagrams())
            got.append(m_socket.receiveDatagram().data());
    }
    return got;
}

pim::Tab UdpClient::exchange(const pim::Tab &request, int timeoutMs)
{
    send(request);
    if (!m_socket.hasPendingDatagrams() && !m_socket.waitForReadyRead(timeoutMs))
        return pim::Tab();
    return pim::Tab::fromBytes(m_socket.receiveDatagram().data());
}

} // namespace simtest
