#pragma once
// A small host for the simulator tests: talks to the real pimsim binary
// (started by the shared launcher) over its pseudo-terminal or UDP, with
// frames built and checked by the protocol layer only.

#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUdpSocket>

#include <memory>

namespace simtest {

// Bytes with their arrival times (ms since the read began).
struct Arrival {
    QByteArray bytes;
    qint64 atMs = 0;
};

class PtyClient {
public:
    ~PtyClient() { close(); }
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    void write(const QByteArray &bytes);
    // Everything that arrives until `quietMs` pass without a byte (or
    // `totalMs` in all).
    QList<Arrival> readUntilQuiet(int quietMs, int totalMs = 5000);
    QByteArray readAllQuiet(int quietMs, int totalMs = 5000);
    // Everything up to and including the first `tail`: a wait for a known
    // answer that a slow machine cannot outrun (`limitMs` only ends a wait
    // for an answer that never comes).
    QByteArray readThrough(const QByteArray &tail, int limitMs = 20000);
    // One frame taken by its length byte, or empty after `timeoutMs`.
    pim::Tab readFrame(int timeoutMs = 2000);
    pim::Tab exchange(const pim::Tab &request, int timeoutMs = 2000);

private:
    int m_fd = -1;
};

class UdpClient {
public:
    bool open(quint16 port);
    void send(const pim::Tab &request);
    // Every datagram that arrives until `quietMs` pass without one.
    QList<QByteArray> receive(int quietMs, int totalMs = 5000);
    pim::Tab exchange(const pim::Tab &request, int timeoutMs = 2000);

private:
    QUdpSocket m_socket;
    quint16 m_port = 0;
};


} // namespace simtest
