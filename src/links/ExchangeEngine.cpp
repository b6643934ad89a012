#include "links/ExchangeEngine.h"

#include "devices/Registry.h"
#include "links/StatusSink.h"
#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <climits>

namespace pim {

QString linkBusyText()
{
    return QStringLiteral("ИДЕТ ОБМЕН С ПРИБОРОМ, ПОДОЖДИТЕ");
}

ExchangeEngine::ExchangeEngine(QObject *parent)
    : QObject(parent), m_port(new TCommPortDriver(this)), m_udp(new UdpChannel(this))
{
    // The program's port: the page of port settings sets the name later.
    m_port->setPort(pnCustom);
    m_port->setPortName(comPortName(2));
    m_port->setOutputTimeout(1000);
    m_port->setInputTimeout(1000);
    m_port->setOnLost([this] { portLost(); });
}

ExchangeEngine::~ExchangeEngine() = default;

void ExchangeEngine::setWaiter(Waiter *w)
{
    m_waiter = w;
    m_port->setWaiter(w);
    m_udp->setWaiter(w);
}

void ExchangeEngine::portLost()
{
    // The port page's own words for a port that is not there; the page's
    // state label stops offering the port as usable.
    if (!m_status)
        return;
    m_status->StatusFail(StatusLabel::LPState, QStringLiteral("занят (отсутсвует)"));
    m_status->StatusFail(StatusLabel::LuState, portBusyText(m_port->PortName()));
}

void ExchangeEngine::setNetworkAddress(const QString &host, int port)
{
    m_netHost = host;
    m_netPort = port;
}

void ExchangeEngine::Pause(int ms)
{
    if (m_replayMode) {
        waiter().processPending();
        return;
    }
    waiter().Pause(ms);
}

void ExchangeEngine::trace(const QString &text, bool onlyVisible)
{
    if (onlyVisible && !m_memo.isVisible())
        return;
    m_memo.insert(text);
}

// ---------------------------------------------------------------- one at a time

bool ExchangeEngine::beginCommand()
{
    QList<int> &depths = m_commandWaitDepths;
    const int depth = waiter().depth();
    if (m_exchanging || (m_commandDepth > 0 && (depths.isEmpty() || depth > depths.last())))
        return false;
    depths.append(depth);
    ++m_commandDepth;
    return true;
}

void ExchangeEngine::endCommand()
{
    if (m_commandDepth <= 0)
        return;
    --m_commandDepth;
    // A stop that came after the command's last exchange ends with it.
    if (m_commandDepth == 0 && m_abort && !m_exchanging)
        aborted();
    QList<int> &depths = m_commandWaitDepths;
    if (!depths.isEmpty())
        depths.removeLast();
}

// ---------------------------------------------------------------- route

void ExchangeEngine::abort()
{
    if (!m_exchanging && m_commandDepth == 0)
        return;
    m_abort = true;
    waiter().interrupt();
}

bool ExchangeEngine::aborted()
{
    m_abort = false;
    waiter().clearInterrupt();
    m_lastError = QStringLiteral("прервано");
    return false;
}

bool ExchangeEngine::Exchange(const Tab &request, Tab &reply)
{
    m_lastError.clear();
    m_lastAttempts = 0;
    if (m_exchanging) {
        m_lastError = linkBusyText();
        return false;
    }
    struct Busy {
        bool &b;
        explicit Busy(bool &x) : b(x) { b = true; }
        ~Busy() { b = false; }
    } busy(m_exchanging);

    if (m_abort)
        return aborted();
    Tab r;
    const bool ok = route(request, r);
    if (m_abort)
        return aborted(); // a reply that came as the stop did is not taken
    if (ok)
        reply = r;
    return ok;
}

bool ExchangeEngine::route(const Tab &request, Tab &reply)
{
    if (m_replayMode) {
        if (!m_replay) {
            m_lastError = QStringLiteral("нет архива для ответа");
            return false;
        }
        Tab r;
        if (!m_replay(request, r))
            return false;
        reply = r;
        return true;
    }
    if (m_imitation) {
        Imitator &im = m_imitator ? *m_imitator : imitator();
        const Imitator::Result res = im.ImitReply(request, addressee(request));
        if (res.pauseMs > 0)
            Pause(res.pauseMs);
        reply = res.reply;
        return true;
    }
    if (m_networkActive)
        return udpExchange(request, reply);
    return serialExchange(request, reply);
}

// ---------------------------------------------------------------- serial

bool ExchangeEngine::ReadFrame(QByteArray &r, int *received, bool *started, int firstByteTimeoutMs)
{
    QByteArray first;
    if (firstByteTimeoutMs >= 0) {
        const quint32 saved = m_port->InputTimeout();
        m_port->setInputTimeout(quint32(firstByteTimeoutMs));
        first = m_port->ReadBytes(1);
        m_port->setInputTimeout(saved);
    } else {
        first = m_port->ReadBytes(1);
    }
    if (started)
        *started = !first.isEmpty();
    if (m_heard)
        m_heard->append(first);
    if (first.isEmpty()) {
        if (received)
            *received = int(r.size());
        return false;
    }
    const int L = quint8(first[0]);
    if (L >= 1 && L <= 5) {
        if (received)
            *received = int(r.size());
        return false;
    }
    const int total = L == 0 ? 256 : L;
    r = QByteArray(total, '\0');
    r[0] = char(L);
    const int want = total - 1;
    const int got = m_port->ReadBytes(r.data() + 1, want);
    if (m_heard && got > 0)
        m_heard->append(r.constData() + 1, got);
    if (received)
        *received = 1 + got;
    return got == want;
}

QByteArray ExchangeEngine::ScanJunk(const QByteArray &s, int c, const Identity &id)
{
    const int n = int(s.size());
    auto at = [&](int p) { return int(quint8(s[p - 1])); }; // 1-based
    for (int p = 1; p <= n - 5; ++p) {
        const int L = at(p);
        if (c != 0) {
            if (L < 6 || p + L - 1 > n)
                continue;
            const Tab body = Tab::fromBytes(QByteArrayView(s).sliced(p - 1, L - 1));
            if (at(p + L - 1) != CalcCS(body))
                continue;
            if (at(p + 1) != id.type)
                continue;
            if (at(p + 2) + 256 * at(p + 3) != id.number)
                continue;
            if (at(p + 4) != c)
                continue;
            return s.mid(p - 1, L);
        }
        // An identity reply names a served type, or is the template (0).
        if (L != 6 || !(at(p + 1) == 0 || isServedType(at(p + 1))) || at(p + 4) != 0)
            continue;
        const Tab body = Tab::fromBytes(QByteArrayView(s).sliced(p - 1, 5));
        if (at(p + 5) != CalcCS(body))
            continue;
        return s.mid(p - 1, 6);
    }
    return QByteArray();
}

ExchangeEngine::ReplyShape ExchangeEngine::expectedReply(const Tab &request)
{
    ReplyShape shape;
    if (request.size() < 6)
        return shape;
    shape.code = request.at(4);
    if (request == IdentityTemplate() || shape.code == Q_NoTu) {
        shape.code = Q_NoTu;
        shape.length = 6;
        return shape;
    }
    // The type's descriptor knows the lengths of its data replies.
    if (const TypeInfo *info = typeInfo(request.at(1))) {
        switch (shape.code) {
        case Q_State: shape.length = info->stateLength; break;
        case Q_Param: shape.length = info->paramLength; break;
        case Q_Arhiv: shape.length = info->arhLength; break;
        default: break;
        }
    }
    return shape;
}

bool ExchangeEngine::fits(const QByteArray &reply, const ReplyShape &shape)
{
    if (shape.code < 0)
        return true;
    if (reply.size() < 6 || quint8(reply[4]) != shape.code)
        return false;
    return shape.length <= 0 || reply.size() == shape.length;
}

bool ExchangeEngine::replyDiffersFromRequest(const Tab &request)
{
    if (request == IdentityTemplate())
        return true; // the reply names the device
    switch (request.at(4)) {
    case Q_State:
    case Q_Arhiv:
    case Q_Param:
    case Q_Chang:
    case Q_Cal:
    case Q_ArhNo:
    case Q_SetParam128:
        return true; // a data block
    case Q_ClrArh:
    case Q_SetParam:
    case Q_SetNo:
        return true; // a short status or header reply to a request with data
    case Q_ZeroTime:
    case Q_Init:
    {
        // A status byte, except on the types that give the request back.
        const TypeInfo *t = typeInfo(request.at(1));
        return !t || t->resetHasStatus;
    }
    default:
        // An addressed identity request, Q_ArhBegin, Q_ArhEnd, Q_SetTime
        // (whose reply only counts as an answer), a console frame: the
        // device may answer with the very same bytes.
        return false;
    }
}

bool ExchangeEngine::serialExchange(const Tab &request, Tab &reply)
{
    const QByteArray req = TabToStr(request);
    const QByteArray idTemplate = TabToStr(IdentityTemplate());
    if (!m_port->OpenPort()) {
        m_lastError = m_port->lastError();
        return false;
    }
    // Another line, or the same one after a port change: whether it echoes
    // is learnt afresh.
    if (m_port->openCount() != m_echoesLearntOn) {
        m_echoesLearntOn = m_port->openCount();
        m_lineEchoes = false;
    }
    // The receive event stays off for the whole exchange, not only during
    // the reads: a poll in the pause after the write would hand the start
    // of the reply to the asynchronous path, which drops it.
    ReceiveHold hold(*m_port);
    // Bytes still coming from an earlier exchange (the tail of a reply read
    // short, noise) answer another request: they go, until the line is
    // quiet (at most a receive queue of them), before this request is
    // written. Quiet is a short silence, not the input time-out: noise
    // behind every reply must not add a second to every exchange. Within
    // the attempts below a late reply to this same request is still welcome.
    if (m_port->RxCount() > 0) {
        const quint32 saved = m_port->InputTimeout();
        m_port->setInputTimeout(qMin<quint32>(saved, kStaleQuietMs));
        m_port->ReadBytes(int(m_port->InBufSize()));
        m_port->setInputTimeout(saved);
    }
    const int code = request.at(4);
    // The identity the request is addressed to: a frame recovered from
    // noise must name the same device.
    const Identity addressed = addressee(request);
    const ReplyShape shape = expectedReply(request);
    // A frame equal to the request is an echo of the line when the reply
    // must differ from it, or when the line is known to echo: the reply
    // then follows and is waited for as any reply. Otherwise it may be the
    // reply itself, and only a frame already behind it is taken instead.
    const bool replyDiffers = replyDiffersFromRequest(request);
    QByteArray r;
    bool ok = false;
    // Noise whose first byte reads as a length swallows the start of the
    // reply into a frame of the wrong size, and the frames read after it
    // start in the middle of the reply: reading by length bytes alone stays
    // out of step with the stream, attempt after attempt. So everything an
    // attempt hears is kept and searched as one stream when it fails.
    QByteArray heard;
    struct Listening {
        QByteArray *&slot;
        explicit Listening(QByteArray *&s, QByteArray *to) : slot(s) { slot = to; }
        ~Listening() { slot = nullptr; }
    } listening(m_heard, &heard);
    // The first frame in the stream that is this request's reply.
    auto replyIn = [&](const QByteArray &stream) {
        for (qsizetype from = 0; from + 6 <= stream.size();) {
            const QByteArray f = ScanJunk(stream.mid(from), code, addressed);
            if (f.size() < 6)
                break;
            const qsizetype at = stream.indexOf(f, from);
            if (fits(f, shape) && f != req && f != idTemplate)
                return f;
            from = at + 1;
        }
        return QByteArray();
    };
    for (int attempt = 1; attempt <= kSerialAttempts && !waiter().interrupted(); ++attempt) {
        m_lastAttempts = attempt;
        heard.clear();
        trace(QStringLiteral("ЗАПРОС=") + TabToDecBar(request), true);
        const int written = m_port->SendData(req);
        // A port that failed under the write is closed: no further attempt.
        if (!m_port->IsOpen())
            break;
        int received = 0;
        // A reply found inside a whole frame of another shape.
        QByteArray inner;
        // The device's turn-around (the exchange pause) and the input
        // time-out bound the wait for the first byte; it ends as soon as
        // that byte is in.
        ok = ReadFrame(r, &received, nullptr, kExchangePause + int(m_port->InputTimeout()));
        for (int passed = 0; ok && passed < kMaxPassedFrames; ++passed) {
            if (r == req) {
                const bool expectMore = replyDiffers || m_lineEchoes;
                QByteArray next;
                int nextReceived = 0;
                bool started = false;
                const bool nextOk = ReadFrame(next, &nextReceived, &started, expectMore ? -1 : 0);
                // Noise behind a frame that may be the reply leaves that
                // frame the reply.
                if (!started || (!nextOk && !expectMore))
                    break;
                if (nextOk)
                    m_lineEchoes = true;
                r = next;
                ok = nextOk;
                received = nextReceived;
                continue; // the frame behind the echo is checked in turn
            }
            if (fits(r, shape))
                break;
            // A frame of the wrong shape may carry the reply inside it (a
            // noise byte taken for the length); the search below takes it
            // as it takes one from a short read. The frame itself, whole
            // but of the wrong length, is no reply.
            inner = ScanJunk(r.left(received).mid(1), code, addressed);
            if (inner.size() >= 6) {
                ok = false;
                break;
            }
            // A whole frame that answers something else (a late reply to
            // an exchange that gave up, a frame of another command): it is
            // passed over and the wait for this reply goes on.
            trace(QStringLiteral("ЧУЖОЙ ") + ListBytes(r, QStringLiteral("|"), 0) + QStringLiteral("\r\n"), true);
            r.clear();
            received = 0;
            ok = ReadFrame(r, &received);
        }
        if (ok && r != req && !fits(r, shape))
            ok = false;
        trace(QStringLiteral("length(r)=") + QString::number(r.size()) + QLatin1Char(';'), false);
        trace(QStringLiteral(" ОТВЕТ=") + ListBytes(r, QStringLiteral("|"), 0) + QStringLiteral("\r\n"), true);
        // An echo of the identity template is never a reply, however
        // whole it came back: it goes on to the search, which rejects it.
        if (ok && written == req.size() && r != idTemplate)
            break;
        ok = false;
        // Only what arrived is searched: the zero fill after a short read
        // is no part of any frame.
        r = inner.isEmpty() ? ScanJunk(r.left(received), code, addressed) : inner;
        if (r.size() >= 6 && r != idTemplate) {
            trace(QStringLiteral("ЕСТЬ ") + ListBytes(r, QStringLiteral("|"), 0), true);
            ok = true;
            break;
        }
        // The rest of what is coming (the tail of a reply the length bytes
        // lost step with) joins what was heard, and the whole is searched.
        // The line is then quiet, so the next attempt starts in step.
        if (!waiter().interrupted()) {
            const quint32 saved = m_port->InputTimeout();
            m_port->setInputTimeout(kStaleQuietMs);
            heard += m_port->ReadBytes(int(m_port->InBufSize()));
            m_port->setInputTimeout(saved);
            r = replyIn(heard);
            if (!r.isEmpty()) {
                trace(QStringLiteral("ЕСТЬ ") + ListBytes(r, QStringLiteral("|"), 0), true);
                ok = true;
                break;
            }
        }
        trace(QStringLiteral("НЕТ В мУСОРЕ\r\n"), true);
    }
    if (!ok) {
        m_lastError = QStringLiteral("нет ответа");
        return false;
    }
    reply = StrToTab(r);
    return true;
}

// ---------------------------------------------------------------- UDP

bool ExchangeEngine::udpExchange(const Tab &request, Tab &reply)
{
    if (m_netHost.trimmed().isEmpty()) {
        m_lastError = QStringLiteral("нет адреса");
        if (m_networkPageShown)
            m_networkPageShown();
        return false;
    }
    m_udp->setHost(m_netHost.trimmed());
    m_udp->setPort(quint16(qBound(0, m_netPort, 65535)));
    // Each attempt waits the reply time-out as the operator set it; a
    // request goes out again only when its answer did not come in that
    // time, so a converter that is merely slow gets each request once.
    const int replyWait = int(qMin<quint32>(m_port->InputTimeout(), quint32(INT_MAX)));
    const ReplyShape shape = expectedReply(request);
    QByteArray payload;
    // Takes the first datagram within ms that fits the request. One that
    // does not (a late answer to another request) is passed over and the
    // wait goes on. A duplicate of the reply taken before is a spare answer
    // to a request that went out more than once: it is dropped once for
    // every spare send.
    auto receive = [&](int ms) {
        const qint64 deadline = waiter().now() + qMax(0, ms);
        for (;;) {
            if (!m_udp->receive(payload, int(qMax<qint64>(0, deadline - waiter().now()))))
                return false;
            if (m_udpSpares > 0 && payload == m_udpLastReply) {
                --m_udpSpares;
                continue;
            }
            if (!fits(payload, shape)) {
                ++m_udpPassedOver;
                continue;
            }
            return true;
        }
    };
    // Whatever waits now answered an earlier request (a reply that came
    // too late, a duplicate) or came from elsewhere: it must not pass for
    // the answer to this one.
    m_udpSpares = qMax(0, m_udpSpares - m_udp->discardPending());
    bool ok = false;
    int sends = 0;
    for (int i = 0; i < kUdpAttempts && !waiter().interrupted(); ++i) {
        m_lastAttempts = i + 1;
        if (!m_udp->send(request.bytes())) {
            m_lastError = m_udp->lastError();
            reportUdpFailure();
            return false;
        }
        ++sends;
        if (receive(replyWait)) {
            ok = true;
            break;
        }
    }
    if (!ok) {
        m_lastError = QStringLiteral("нет ответа");
        return false;
    }
    m_udpLastReply = payload;
    m_udpSpares = sends - 1;
    reply = Tab::fromBytes(payload);
    return true;
}

void ExchangeEngine::reportUdpFailure()
{
    // A converter name that does not resolve is said with the name, in the
    // network page's words; other send failures are the caller's "НЕТ СВЯЗИ".
    if (!m_status || !m_udp->unresolved())
        return;
    m_status->StatusFail(StatusLabel::LNstate, QStringLiteral("НЕТ ТАКОГО АДРЕСА"));
    m_status->StatusFail(StatusLabel::LuState, m_udp->lastError());
}

} // namespace pim
