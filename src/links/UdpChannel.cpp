#include "links/UdpChannel.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace pim {

UdpChannel::UdpChannel(QObject *parent) : QObject(parent) {}

UdpChannel::~UdpChannel() = default;

void UdpChannel::setHost(const QString &host)
{
    if (host != m_host) {
        m_host = host;
        m_resolvedFor.clear();
        m_address.clear();
    }
}

bool UdpChannel::ensureSocket()
{
    if (m_socket && m_socket->state() == QAbstractSocket::BoundState)
        return true;
    delete m_socket;
    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::readyRead, this, [this] { waiter().wake(); });
    // Both families where the system has them, else IPv4 alone.
    if (!m_socket->bind(QHostAddress::Any, 0) && !m_socket->bind(QHostAddress::AnyIPv4, 0)) {
        m_lastError = m_socket->errorString();
        return false;
    }
    return true;
}

bool UdpChannel::resolve(int lookupTimeoutMs)
{
    m_lastError.clear();
    const QString host = m_host.trimmed();
    if (host.isEmpty()) {
        m_lastError = QStringLiteral("нет адреса");
        return false;
    }
    if (m_resolvedFor == host && !m_address.isNull())
        return true;
    QHostAddress a;
    if (a.setAddress(host)) {
        m_address = a;
        m_resolvedFor = host;
        return true;
    }
    // A name: look it up in the background and wait through the waiter.
    bool done = false;
    QHostAddress found;
    QString error;
    const int id = QHostInfo::lookupHost(host, this, [&](const QHostInfo &info) {
        for (const QHostAddress &x : info.addresses()) {
            if (x.protocol() == QAbstractSocket::IPv4Protocol) {
                found = x;
                break;
            }
        }
        if (found.isNull())
            error = info.errorString();
        done = true;
        waiter().wake();
    });
    const qint64 deadline = waiter().now() + lookupTimeoutMs;
    while (!done) {
        const qint64 left = deadline - waiter().now();
        if (left <= 0 || waiter().interrupted())
            break;
        waiter().wait(int(left));
    }
    if (!done) {
        QHostInfo::abortHostLookup(id);
        m_lastError = QStringLiteral("%1: нет ответа службы имен").arg(host);
        return false;
    }
    if (found.isNull()) {
        m_lastError = error.isEmpty() ? host : error;
        return false;
    }
    m_address = found;
    m_resolvedFor = host;
    return true;
}

int UdpChannel::discardPending()
{
    if (!m_socket)
        return 0;
    int n = 0;
    while (m_socket->hasPendingDatagrams()) {
        m_socket->receiveDatagram(0);
        ++n;
    }
    return n;
}

bool UdpChannel::send(const QByteArray &payload)
{
    m_lastError.clear();
    if (!resolve())
        return false;
    if (!ensureSocket())
        return false;
    const qint64 n = m_socket->writeDatagram(payload, m_address, m_port);
    if (n != payload.size()) {
        m_lastError = m_socket->errorString();
        return false;
    }
    return true;
}

bool UdpChannel::takeOne(QByteArray &payload)
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket->receiveDatagram();
        QHostAddress sender = d.senderAddress();
        const bool fromConverter =
            sender.isEqual(m_address, QHostAddress::ConvertV4MappedToIPv4 | QHostAddress::ConvertLocalHost);
        if (!fromConverter) {
            ++m_droppedForeign;
            continue;
        }
        if (d.data().isEmpty())
            continue;
        payload = d.data();
        return true;
    }
    return false;
}

bool UdpChannel::receive(QByteArray &payload, int ms)
{
    if (!m_socket)
        return false;
    const qint64 deadline = waiter().now() + qMax(0, ms);
    for (;;) {
        if (takeOne(payload))
            return true;
        const qint64 left = deadline - waiter().now();
        if (left <= 0 || waiter().interrupted())
            return false;
        waiter().wait(int(left));
    }
}

} // namespace pim
