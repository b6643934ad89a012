#pragma once
// The UDP client of the network link: one request datagram, one reply
// datagram, through a line converter at a host and port.
//
// A reply is taken only from the converter's address and port, on a socket
// bound to the one local address that reaches the converter (loopback for a
// converter on 127.0.0.1), not to every interface. Datagrams that are
// already queued when a request goes out are thrown away first: a late
// answer to an earlier attempt, or a datagram from anywhere else, is never
// taken as the reply to the next request.

#include "links/Waiter.h"

#include <QByteArray>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QObject>
#include <QString>

class QUdpSocket;

namespace pim {

class UdpChannel : public QObject {
    Q_OBJECT
public:
    explicit UdpChannel(QObject *parent = nullptr);
    ~UdpChannel() override;

    void setWaiter(Waiter *w) { m_waiter = w; }
    Waiter &waiter() const { return m_waiter ? *m_waiter : defaultWaiter(); }

    // Host name or dotted address, and port. A name is resolved when the
    // next request goes out.
    void setHost(const QString &host);
    void setPort(quint16 port) { m_port = port; }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }

    // Resolves the host (dotted address at once, names through a lookup of
    // at most lookupTimeoutMs); false with lastError() when it cannot:
    // "АДРЕС <host> НЕ СУЩЕСТВУЕТ" for a name that does not resolve.
    bool resolve(int lookupTimeoutMs = 5000);
    QHostAddress address() const { return m_address; }
    // The last failure was a host name that does not resolve.
    bool unresolved() const { return m_unresolved; }
    // The local end the requests go out from (null / 0 before the first).
    QHostAddress localAddress() const;
    quint16 localPort() const;

    // Throws away every datagram waiting in the socket; returns how many came
    // from the converter (the others count as dropped foreign ones).
    int discardPending();
    // Sends one datagram to the converter; false (lastError) on a send error.
    bool send(const QByteArray &payload);
    // Waits at most ms for a non-empty datagram from the converter's address;
    // datagrams from elsewhere are dropped. ms = 0 only looks at what waits.
    bool receive(QByteArray &payload, int ms);

    QString lastError() const { return m_lastError; }
    // What the system said about the last failure (for traces).
    QString systemError() const { return m_systemError; }
    // Datagrams dropped because they came from another address or port.
    int droppedForeign() const { return m_droppedForeign; }

private:
    bool ensureSocket();
    bool takeOne(QByteArray &payload);
    bool isFromConverter(const QNetworkDatagram &d) const;

    QUdpSocket *m_socket = nullptr;
    Waiter *m_waiter = nullptr;
    QString m_host;
    QString m_resolvedFor;
    QHostAddress m_address;
    QHostAddress m_boundTo;
    bool m_unresolved = false;
    quint16 m_port = 5001;
    QString m_lastError;
    QString m_systemError;
    int m_droppedForeign = 0;
};

} // namespace pim
