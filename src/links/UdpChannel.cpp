#include "links/UdpChannel.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pim {

namespace {

// The local address the system sends from to reach `to`: a datagram socket
// connected to it (nothing is sent) names its source address. Null when
// the system has no route.
QHostAddress sourceAddressFor(const QHostAddress &to, quint16 port)
{
    sockaddr_storage peer{};
    socklen_t len = 0;
    bool v4 = false;
    const QHostAddress target = [&] {
        bool isV4 = false;
        const quint32 a = to.toIPv4Address(&isV4);
        return isV4 ? QHostAddress(a) : to;
    }();
    if (target.protocol() == QAbstractSocket::IPv4Protocol) {
        auto *in = reinterpret_cast<sockaddr_in *>(&peer);
        in->sin_family = AF_INET;
        in->sin_port = htons(port ? port : 9);
        in->sin_addr.s_addr = htonl(target.toIPv4Address());
        len = sizeof(sockaddr_in);
        v4 = true;
    } else if (target.protocol() == QAbstractSocket::IPv6Protocol) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&peer);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port ? port : 9);
        const Q_IPV6ADDR a = target.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &a, sizeof a);
        in6->sin6_scope_id = target.scopeId().toUInt();
        len = sizeof(sockaddr_in6);
    } else {
        return QHostAddress();
    }
    const int fd = ::socket(v4 ? AF_INET : AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QHostAddress();
    QHostAddress local;
    sockaddr_storage self{};
    socklen_t selfLen = sizeof self;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&peer), len) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&self), &selfLen) == 0)
        local.setAddress(reinterpret_cast<sockaddr *>(&self));
    ::close(fd);
    return local;
}

} // namespace

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
    // Bound to the address the system sends from to the converter, so
    // nothing that arrives on another interface reaches the exchange.
    const QHostAddress local = sourceAddressFor(m_address, m_port);
    if (local.isNull()) {
        m_lastError = QStringLiteral("АДРЕС %1 НЕДОСТУПЕН").arg(m_host.trimmed());
        return false;
    }
    if (m_socket && m_socket->state() == QAbstractSocket::BoundState && local == m_boundTo)
        return true;
    delete m_socket;
    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::readyRead, this, [this] { waiter().wake(); });
    if (!m_socket->bind(local, 0)) {
        m_lastError = m_socket->errorString();
        delete m_socket;
        m_socket = nullptr;
        m_boundTo.clear();
        return false;
    }
    m_boundTo = local;
    return true;
}

QHostAddress UdpChannel::localAddress() const
{
    return m_socket ? m_socket->localAddress() : QHostAddress();
}

quint16 UdpChannel::localPort() const
{
    return m_socket ? m_socket->localPort() : 0;
}

bool UdpChannel::resolve(int lookupTimeoutMs)
{
    m_lastError.clear();
    m_unresolved = false;
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
        m_systemError = error;
        m_lastError = QStringLiteral("АДРЕС %1 НЕ СУЩЕСТВУЕТ").arg(host);
        m_unresolved = true;
        return false;
    }
    m_address = found;
    m_resolvedFor = host;
    return true;
}

bool UdpChannel::isFromConverter(const QNetworkDatagram &d) const
{
    return d.senderPort() == int(m_port) && d.senderAddress().isEqual(m_address, QHostAddress::ConvertV4MappedToIPv4);
}

int UdpChannel::discardPending()
{
    if (!m_socket)
        return 0;
    int n = 0;
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket->receiveDatagram();
        if (isFromConverter(d))
            ++n;
        else
            ++m_droppedForeign;
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
        if (!isFromConverter(d)) {
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
