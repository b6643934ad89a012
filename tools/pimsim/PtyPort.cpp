#include "PtyPort.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace pimsim {

PtyPort::PtyPort(QObject *parent) : QObject(parent) {}

PtyPort::~PtyPort()
{
    delete m_readNotifier;
    delete m_inotifyNotifier;
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyPort::open(QString *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0)
        return fail("grantpt");
    if (::unlockpt(m_master) != 0)
        return fail("unlockpt");
    const char *name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_path = QString::fromLocal8Bit(name);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0)
        return fail("open slave");
    // Raw 8N1 without echo: the line discipline must not answer for the
    // device or change a byte.
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyPort::readMaster);

    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify >= 0
        && ::inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0) {
        m_inotifyNotifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
        connect(m_inotifyNotifier, &QSocketNotifier::activated, this, &PtyPort::readInotify);
    }
    return true;
}

void PtyPort::write(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_master, p, size_t(left));
        if (n > 0) {
            p += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // nobody reads and the buffer is full: the bytes are lost
    }
}

void PtyPort::readMaster()
{
    char buf[4096];
    QByteArray got;
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (!got.isEmpty())
        emit received(got);
}

void PtyPort::readInotify()
{
    alignas(inotify_event) char buf[4096];
    bool opened = false, closed = false;
    for (;;) {
        const ssize_t n = ::read(m_inotify, buf, sizeof buf);
        if (n <= 0)
            break;
        for (ssize_t off = 0; off < n;) {
            const auto *ev = reinterpret_cast<const inotify_event *>(buf + off);
            if (ev->mask & IN_OPEN)
                opened = true;
            if (ev->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE))
                closed = true;
            off += ssize_t(sizeof(inotify_event)) + ev->len;
        }
    }
    if (closed) {
        // What the host did not read is gone with its port.
        ::tcflush(m_slave, TCIFLUSH);
        emit hostClosed();
    }
    if (opened)
        emit hostOpened();
}

} // namespace pimsim
