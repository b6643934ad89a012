#pragma once
// The reachability check of the network page: the converter's name looked
// up in the background, then one ICMP echo to its address (a second one
// after a first time-out). The echo goes out through an ICMP datagram
// socket where the system allows it to everyone, else through a raw
// socket (which needs the right to open one), else through the system's
// `ping` program; when none of them is possible the check says so instead
// of calling the host unreachable.

#include "links/StatusSink.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QProcess;
class QSocketNotifier;
class QTimer;

namespace pim {

// What one echo gave: the number of replies n and the status s of the
// echo service (0: no error, 11010: request timed out, ...).
struct EchoResult {
    int replies = 0;
    int status = 0;
    int rttMs = 0;        // whole milliseconds, 0 for under one
    int dataSize = 0;     // bytes of data in the reply
    QString from;         // the replying address
    bool impossible = false; // no way to send an echo from here
};

// One echo request, answered asynchronously by done().
class EchoProbe : public QObject {
    Q_OBJECT
public:
    enum Method { Datagram, Raw, Program };
    static constexpr int kPayloadSize = 56;
    static constexpr int kTimeoutMs = 4000;
    static constexpr int kTtl = 64;

    explicit EchoProbe(QObject *parent = nullptr);
    ~EchoProbe() override;

    // The ways tried, in order (all three by default), and the program
    // used for the last one.
    void setMethods(const QList<Method> &m) { m_methods = m; }
    void setProgram(const QString &p) { m_program = p; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Sends the echo; done() follows once, never from inside start().
    void start(const QHostAddress &address);
    void cancel();
    // Which way the last echo went (empty: none was possible).
    QString methodUsed() const { return m_used; }

    // The reading of the system ping's output: a reply line gives the
    // address, the data size and the time; an empty optional when there
    // is no reply line.
    static std::optional<EchoResult> parsePingOutput(const QString &output);

signals:
    void done(const pim::EchoResult &result);

private:
    bool startSocket(bool raw);
    void startProgram();
    void readSocket();
    void finish(const EchoResult &r);
    void closeSocket();

    QList<Method> m_methods{Datagram, Raw, Program};
    QString m_program = QStringLiteral("ping");
    int m_timeoutMs = kTimeoutMs;
    QHostAddress m_address;
    int m_fd = -1;
    bool m_raw = false;
    bool m_v6 = false; // the address is IPv6: ICMPv6
    quint16 m_id = 0;
    quint16 m_seq = 0;
    qint64 m_sentNs = 0;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_timer;
    QProcess *m_process = nullptr;
    QString m_used;
    bool m_busy = false;
};

// The check itself, with the page's texts on the status sink.
class NetCheck : public QObject {
    Q_OBJECT
public:
    explicit NetCheck(StatusSink *status, QObject *parent = nullptr);
    ~NetCheck() override;

    // Text of an echo status code.
    static QString statusText(int status);
    // "скорость ответа %d Kb/ceк"; a round trip under 1 ms counts as 1 ms.
    static QString rateText(const EchoResult &r);
    static int rate(const EchoResult &r);

    EchoProbe &probe() { return *m_probe; }
    // The pause before the echo is sent again after a first time-out.
    void setRetryDelayMs(int ms) { m_retryMs = ms; }

    // Who looks a name up: the system's resolver unless given. A test that
    // answers the lookup itself leaves no resolver thread running at exit.
    void setLookup(std::function<void(const QString &host)> lookup) { m_lookup = std::move(lookup); }

    // "проверить сеть". A new check cancels one still running.
    void check(const QString &host);
    bool running() const { return m_running; }

    // The outcome of the last check.
    QString host() const { return m_host; }
    QString address() const { return m_address; }
    // true: the host answered; false: it did not (or the name does not
    // resolve); empty: no echo is possible here.
    std::optional<bool> reachable() const { return m_reachable; }
    QString mainText() const { return m_mainText; }   // LuState
    QString stateText() const { return m_stateText; } // LNstate
    QString timeText() const;                          // "<1 мс", "12 мс"; empty without a reply

    // The steps that follow a lookup and an echo (the tests drive them).
    void lookupDone(int error, const QString &address);
    void echoDone(const EchoResult &r);

signals:
    void finished();

private:
    void report(StatusLabel l, StatusKind k, const QString &t);
    void sendEcho();
    void end();

    StatusSink *m_status;
    EchoProbe *m_probe;
    int m_lookupId = -1;
    std::function<void(const QString &host)> m_lookup;
    int m_timeouts = 0;
    int m_generation = 0; // a retry timer of an earlier check does nothing
    int m_retryMs = 1000;
    bool m_running = false;
    QString m_host;
    QString m_address;
    std::optional<bool> m_reachable;
    QString m_mainText;
    QString m_stateText;
    EchoResult m_last;
};

} // namespace pim

Q_DECLARE_METATYPE(pim::EchoResult)
