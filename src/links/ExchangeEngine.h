#pragma once
// Exchange: the one way from a command to a device. It picks the route
// (carrier replay, imitation, UDP converter, serial port), retries, recovers
// a reply from bytes that came mixed with line noise, and traces every
// serial attempt into the terminal memo.
//
// One exchange at a time: a device command holds the link for its whole
// sequence (LinkCommand); a second command started meanwhile (from a click
// handled during a wait) is refused with kLinkBusyText, and an Exchange
// called while another one waits returns false at once.

#include "links/CommPortDriver.h"
#include "links/TerminalMemo.h"
#include "links/UdpChannel.h"
#include "links/Waiter.h"
#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace pim {

class Imitator;
class StatusSink;

// The status text of a device command refused because another one runs.
QString linkBusyText();

class ExchangeEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kSerialAttempts = 4;
    static constexpr int kUdpAttempts = 5;
    // The device's turn-around after a request: added to the wait for the
    // first byte of the reply (a wait that ends when that byte is in).
    static constexpr int kExchangePause = 10;
    // Whole frames that answer something else, passed over while one
    // attempt waits for its reply.
    static constexpr int kMaxPassedFrames = 16;
    // Silence that ends the bytes left over from an earlier exchange: many
    // character times at any rate the program offers.
    static constexpr int kStaleQuietMs = 50;

    explicit ExchangeEngine(QObject *parent = nullptr);
    ~ExchangeEngine() override;

    TCommPortDriver &port() { return *m_port; }
    UdpChannel &udp() { return *m_udp; }
    TerminalMemo &memo() { return m_memo; }
    const TerminalMemo &memo() const { return m_memo; }

    void setWaiter(Waiter *w);
    // Where the link reports what the operator must know at once: a serial
    // port that went away while open, a converter name that does not
    // resolve. Without one the caller's own texts alone are shown.
    void setStatus(StatusSink *s) { m_status = s; }
    Waiter &waiter() const { return m_waiter ? *m_waiter : defaultWaiter(); }

    // ---- the route
    // ReplayMode: answered from the loaded carrier archive by the handler.
    bool ReplayMode() const { return m_replayMode; }
    void setReplayMode(bool on) { m_replayMode = on; }
    void setReplayHandler(std::function<bool(const Tab &request, Tab &reply)> h) { m_replay = std::move(h); }
    // Imitation: the checked state of "имитация".
    bool imitation() const { return m_imitation; }
    void setImitation(bool on) { m_imitation = on; }
    void setImitator(Imitator *im) { m_imitator = im; }
    // The network page "СЕТЬ" is the active connection page.
    bool networkActive() const { return m_networkActive; }
    void setNetworkActive(bool on) { m_networkActive = on; }
    // MEip and SEp of the network page.
    void setNetworkAddress(const QString &host, int port);
    QString networkHost() const { return m_netHost; }
    int networkPort() const { return m_netPort; }
    // The network page's show handler, run when an exchange finds no address.
    void setNetworkPageShown(std::function<void()> h) { m_networkPageShown = std::move(h); }

    // ---- exchange
    // True: `reply` holds the reply. False: no reply, `reply` unchanged.
    // `request` and `reply` may be the same variable.
    bool Exchange(const Tab &request, Tab &reply);
    // Waits with events handled; in replay mode only handles what is pending.
    void Pause(int ms);
    // The operator's stop (a signal to pimctl): the exchange in progress
    // ends at once and fails with lastError() "прервано"; between two
    // exchanges of a command the next one does. Outside a command it does
    // nothing. Later exchanges run as usual (an archive read still closes).
    void abort();

    // Reads one frame from the port into r: the length byte, then the rest.
    // `received` gets how many bytes of r really arrived (r is zero-filled
    // past them); `started` whether a length byte came at all. r is
    // unchanged when no frame start came.
    // firstByteTimeoutMs (when >= 0) bounds the wait for the length byte.
    bool ReadFrame(QByteArray &r, int *received = nullptr, bool *started = nullptr,
                   int firstByteTimeoutMs = -1);
    // The first complete frame inside s: from the device `id` (the one the
    // request was addressed to) with command code c, or (c = 0) an identity
    // reply. Empty when none.
    static QByteArray ScanJunk(const QByteArray &s, int c, const Identity &id);

    // What a reply to a request must look like: its command code and, where
    // the type's descriptor knows it, its length (0: any). code < 0: no
    // expectation (too short to be a request).
    struct ReplyShape {
        int code = -1;
        int length = 0;
    };
    static ReplyShape expectedReply(const Tab &request);
    static bool fits(const QByteArray &reply, const ReplyShape &shape);

    // ---- one exchange at a time
    bool exchanging() const { return m_exchanging; }
    bool commandRunning() const { return m_commandDepth > 0; }
    bool beginCommand();
    void endCommand();
    // Why the last Exchange failed (for traces and tests; the caller shows
    // its own status text).
    QString lastError() const { return m_lastError; }
    // Attempts made by the last serial or UDP exchange.
    int lastAttempts() const { return m_lastAttempts; }
    // The serial line has given back a request followed by its reply since
    // the port was last opened.
    bool lineEchoes() const { return m_lineEchoes; }
    // UDP datagrams from the converter passed over because they did not
    // fit the request they came during.
    int udpPassedOver() const { return m_udpPassedOver; }
    // Whether a correct reply to this request always differs from it (it
    // carries data), so that a frame equal to the request can only be an echo.
    static bool replyDiffersFromRequest(const Tab &request);

private:
    bool route(const Tab &request, Tab &reply);
    bool aborted();
    bool serialExchange(const Tab &request, Tab &reply);
    bool udpExchange(const Tab &request, Tab &reply);
    void trace(const QString &text, bool onlyVisible);
    void portLost();
    void reportUdpFailure();

    TCommPortDriver *m_port;
    UdpChannel *m_udp;
    TerminalMemo m_memo;
    Waiter *m_waiter = nullptr;
    StatusSink *m_status = nullptr;
    Imitator *m_imitator = nullptr;
    std::function<bool(const Tab &, Tab &)> m_replay;
    std::function<void()> m_networkPageShown;
    bool m_replayMode = false;
    bool m_imitation = false;
    bool m_networkActive = false;
    QString m_netHost;
    int m_netPort = 5001;
    bool m_exchanging = false;
    bool m_abort = false;
    int m_commandDepth = 0;
    // The wait depth at which each running command began: a command begun
    // deeper than the one running was started by an event handled during
    // one of its waits.
    QList<int> m_commandWaitDepths;
    QString m_lastError;
    int m_lastAttempts = 0;
    bool m_lineEchoes = false;
    quint32 m_echoesLearntOn = 0; // the port's openCount()
    // Every byte ReadFrame takes from the line, in order, while set: one
    // attempt's whole stream, searched for the reply when the frames read
    // by their length bytes did not give it.
    QByteArray *m_heard = nullptr;
    // The last UDP reply, and how many more answers to its request may come.
    QByteArray m_udpLastReply;
    int m_udpSpares = 0;
    int m_udpPassedOver = 0;
};

// Holds the link for one device command; false when another command runs.
class LinkCommand {
public:
    explicit LinkCommand(ExchangeEngine &e) : m_e(e), m_ok(e.beginCommand()) {}
    ~LinkCommand()
    {
        if (m_ok)
            m_e.endCommand();
    }
    LinkCommand(const LinkCommand &) = delete;
    LinkCommand &operator=(const LinkCommand &) = delete;
    explicit operator bool() const { return m_ok; }

private:
    ExchangeEngine &m_e;
    bool m_ok;
};

} // namespace pim
