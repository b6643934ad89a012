#include "links/NetCheck.h"

#include "base/Format.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cmath>

namespace pim {

namespace {

constexpr int kTimedOut = 11010;

qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

quint16 inetChecksum(const QByteArray &b)
{
    quint32 sum = 0;
    for (int i = 0; i + 1 < b.size(); i += 2)
        sum += (quint8(b[i]) << 8) | quint8(b[i + 1]);
    if (b.size() % 2)
        sum += quint8(b[b.size() - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

// The status an ICMP error message stands for.
int errorStatus(int type, int code)
{
    if (type == 3) {
        switch (code) {
        case 0: return 11002;
        case 1: return 11003;
        case 2: return 11004;
        case 3: return 11005;
        case 4: return 11009;
        case 5: return 11012;
        default: return 11003;
        }
    }
    if (type == 11)
        return code == 0 ? 11013 : 11014;
    if (type == 12)
        return 11015;
    if (type == 4)
        return 11016;
    return 11050;
}

int sendErrorStatus(int e)
{
    switch (e) {
    case ENETUNREACH: return 11002;
    case EHOSTUNREACH: return 11003;
    case EMSGSIZE: return 11009;
    case ENOBUFS: case ENOMEM: return 11006;
    default: return 11050;
    }
}

} // namespace

// ---------------------------------------------------------------- EchoProbe

EchoProbe::EchoProbe(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    qRegisterMetaType<pim::EchoResult>();
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        EchoResult r;
        r.status = kTimedOut;
        finish(r);
    });
}

EchoProbe::~EchoProbe()
{
    cancel();
}

void EchoProbe::cancel()
{
    m_busy = false;
    m_timer->stop();
    closeSocket();
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
        m_process->deleteLater();
        m_process = nullptr;
    }
}

void EchoProbe::closeSocket()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void EchoProbe::finish(const EchoResult &r)
{
    if (!m_busy)
        return;
    cancel();
    emit done(r);
}

void EchoProbe::start(const QHostAddress &address)
{
    cancel();
    m_busy = true;
    m_address = address;
    m_used.clear();
    for (Method m : m_methods) {
        if (m == Program) {
            startProgram();
            return;
        }
        if (startSocket(m == Raw))
            return;
    }
    EchoResult r;
    r.impossible = true;
    QMetaObject::invokeMethod(this, [this, r] { finish(r); }, Qt::QueuedConnection);
}

bool EchoProbe::startSocket(bool raw)
{
    // An IPv6 address is asked with ICMPv6, whose checksum the kernel
    // fills in on both kinds of socket.
    const bool v6 = m_address.protocol() == QAbstractSocket::IPv6Protocol;
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            v6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP));
    if (fd < 0)
        return false; // not allowed here: the next way
    m_fd = fd;
    m_raw = raw;
    m_v6 = v6;
    m_used = raw ? QStringLiteral("raw") : QStringLiteral("datagram");
    const int ttl = kTtl;
    if (v6)
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_UNICAST_HOPS, &ttl, sizeof ttl);
    else
        ::setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);

    static quint16 counter = 0;
    m_id = quint16((::getpid() ^ (++counter << 8)) & 0xFFFF);
    m_seq = quint16(m_seq + 1);
    QByteArray packet(8, '\0');
    packet[0] = char(v6 ? 128 : 8); // echo request
    packet[4] = char(m_id >> 8);
    packet[5] = char(m_id & 0xFF);
    packet[6] = char(m_seq >> 8);
    packet[7] = char(m_seq & 0xFF);
    const QByteArray text("pim reachability check ");
    for (int i = 0; i < kPayloadSize; ++i)
        packet.append(text[i % text.size()]);
    if (!v6) {
        const quint16 sum = inetChecksum(packet);
        packet[2] = char(sum >> 8);
        packet[3] = char(sum & 0xFF);
    }

    sockaddr_storage to{};
    socklen_t toLen = 0;
    if (v6) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&to);
        in6->sin6_family = AF_INET6;
        const Q_IPV6ADDR a = m_address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &a, sizeof a);
        in6->sin6_scope_id = m_address.scopeId().toUInt();
        toLen = sizeof(sockaddr_in6);
    } else {
        auto *in = reinterpret_cast<sockaddr_in *>(&to);
        in->sin_family = AF_INET;
        in->sin_addr.s_addr = htonl(m_address.toIPv4Address());
        toLen = sizeof(sockaddr_in);
    }
    m_notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EchoProbe::readSocket);
    m_sentNs = monotonicNs();
    if (::sendto(fd, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<sockaddr *>(&to), toLen) < 0) {
        const int e = errno;
        if (e == EACCES || e == EPERM) {
            // The socket opened but may not send: try the next way.
            closeSocket();
            m_used.clear();
            return false;
        }
        EchoResult r;
        r.status = sendErrorStatus(e);
        QMetaObject::invokeMethod(this, [this, r] { finish(r); }, Qt::QueuedConnection);
        return true;
    }
    m_timer->start(m_timeoutMs);
    return true;
}

void EchoProbe::readSocket()
{
    for (;;) {
        char buf[1500];
        sockaddr_storage fromAddr{};
        socklen_t len = sizeof fromAddr;
        const ssize_t n = ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&fromAddr), &len);
        if (n < 0)
            return; // nothing more now
        const qint64 now = monotonicNs();
        const QString fromText = QHostAddress(reinterpret_cast<const sockaddr *>(&fromAddr)).toString();
        QByteArray b(buf, int(n));
        if (m_v6) {
            // ICMPv6 sockets give the message without its IP header.
            if (b.size() < 8)
                continue;
            const int type = quint8(b[0]);
            const int code = quint8(b[1]);
            const quint16 seq = quint16((quint8(b[6]) << 8) | quint8(b[7]));
            const quint16 id = quint16((quint8(b[4]) << 8) | quint8(b[5]));
            if (type == 129) {
                if (seq != m_seq || (m_raw && id != m_id))
                    continue;
                EchoResult r;
                r.replies = 1;
                r.rttMs = int((now - m_sentNs) / 1000000);
                r.dataSize = int(b.size()) - 8;
                r.from = fromText;
                finish(r);
                return;
            }
            // Destination unreachable (1) and time exceeded (3) carry the
            // IPv6 header (40 bytes) and the start of our request.
            if (!m_raw || (type != 1 && type != 3) || b.size() < 8 + 40 + 8)
                continue;
            const int inner = 8 + 40;
            const quint16 innerId = quint16((quint8(b[inner + 4]) << 8) | quint8(b[inner + 5]));
            const quint16 innerSeq = quint16((quint8(b[inner + 6]) << 8) | quint8(b[inner + 7]));
            if (quint8(b[inner]) != 128 || innerId != m_id || innerSeq != m_seq)
                continue;
            EchoResult r;
            r.status = type == 3 ? (code == 0 ? 11013 : 11014)
                                 : (code == 0 ? 11002 : code == 4 ? 11005 : 11003);
            r.from = fromText;
            finish(r);
            return;
        }
        int off = 0;
        if (m_raw) {
            if (b.size() < 20)
                continue;
            off = (quint8(b[0]) & 0x0F) * 4;
        }
        if (b.size() < off + 8)
            continue;
        const int type = quint8(b[off]);
        const int code = quint8(b[off + 1]);
        const quint16 id = quint16((quint8(b[off + 4]) << 8) | quint8(b[off + 5]));
        const quint16 seq = quint16((quint8(b[off + 6]) << 8) | quint8(b[off + 7]));
        if (type == 0) {
            // The datagram socket's replies are its own; the kernel chose
            // the identifier.
            if (seq != m_seq || (m_raw && id != m_id))
                continue;
            EchoResult r;
            r.replies = 1;
            r.rttMs = int((now - m_sentNs) / 1000000);
            r.dataSize = int(b.size()) - off - 8;
            r.from = fromText;
            finish(r);
            return;
        }
        if (!m_raw || (type != 3 && type != 11 && type != 12 && type != 4))
            continue;
        // An error message carries the IP header and the first bytes of
        // the request it is about: only ours counts.
        const int inner = off + 8;
        if (b.size() < inner + 20)
            continue;
        const int innerOff = inner + (quint8(b[inner]) & 0x0F) * 4;
        if (b.size() < innerOff + 8)
            continue;
        const quint16 innerId = quint16((quint8(b[innerOff + 4]) << 8) | quint8(b[innerOff + 5]));
        const quint16 innerSeq = quint16((quint8(b[innerOff + 6]) << 8) | quint8(b[innerOff + 7]));
        if (quint8(b[innerOff]) != 8 || innerId != m_id || innerSeq != m_seq)
            continue;
        EchoResult r;
        r.status = errorStatus(type, code);
        r.from = fromText;
        finish(r);
        return;
    }
}

void EchoProbe::startProgram()
{
    m_used = QStringLiteral("program");
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // The program's own words are read below: they must not be translated.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    m_process->setProcessEnvironment(env);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        m_used.clear();
        EchoResult r;
        r.impossible = true;
        finish(r);
    });
    connect(m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus) {
        const QString out = QString::fromLocal8Bit(m_process->readAll());
        if (const std::optional<EchoResult> reply = parsePingOutput(out)) {
            finish(*reply);
            return;
        }
        EchoResult r;
        const QString low = out.toLower();
        if (low.contains(QLatin1String("not permitted")) || low.contains(QLatin1String("permission denied"))
            || low.contains(QLatin1String("socket:")) || (exitCode > 1 && low.contains(QLatin1String("usage")))) {
            r.impossible = true;
        } else if (low.contains(QLatin1String("network is unreachable"))) {
            r.status = 11002;
        } else if (low.contains(QLatin1String("host unreachable"))) {
            r.status = 11003;
        } else if (low.contains(QLatin1String("time to live exceeded"))) {
            r.status = 11013;
        } else {
            r.status = exitCode == 1 ? kTimedOut : 11050;
        }
        finish(r);
    });
    const int seconds = qMax(1, (m_timeoutMs + 999) / 1000);
    // An argument vector: nothing of the address reaches a shell.
    m_process->start(m_program, {QStringLiteral("-n"), QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"),
                                 QString::number(seconds), QStringLiteral("-s"), QString::number(kPayloadSize),
                                 QStringLiteral("-t"), QString::number(kTtl), m_address.toString()});
}

std::optional<EchoResult> EchoProbe::parsePingOutput(const QString &output)
{
    static const QRegularExpression re(
        QStringLiteral(R"((\d+) bytes from ([0-9A-Fa-f.:]+?):? [^\n]*?time[=<] ?([0-9.]+) ?ms)"));
    const QRegularExpressionMatch m = re.match(output);
    if (!m.hasMatch())
        return std::nullopt;
    EchoResult r;
    r.replies = 1;
    // The count includes the 8 bytes of the ICMP header.
    r.dataSize = qMax(0, m.captured(1).toInt() - 8);
    r.from = m.captured(2);
    r.rttMs = int(std::floor(m.captured(3).toDouble()));
    return r;
}

// ---------------------------------------------------------------- NetCheck

NetCheck::NetCheck(StatusSink *status, QObject *parent) : QObject(parent), m_status(status), m_probe(new EchoProbe(this))
{
    connect(m_probe, &EchoProbe::done, this, &NetCheck::echoDone);
}

NetCheck::~NetCheck()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
}

QString NetCheck::statusText(int s)
{
    static const std::pair<int, const char *> texts[] = {
        {0, "No error"}, {11001, "Buffer too small"}, {11002, "Destination network unreachable"},
        {11003, "Destination host unreachable"}, {11004, "Destination protocol unreachable"},
        {11005, "Destination port unreachable"}, {11006, "No resources"}, {11007, "Bad option"},
        {11008, "Hardware error"}, {11009, "Packet too big"}, {11010, "Request timed out"},
        {11011, "Bad request"}, {11012, "Bad route"}, {11013, "TTL expired in transit"},
        {11014, "TTL expired in reassembly"}, {11015, "Parameter problem"}, {11016, "Source quench"},
        {11017, "Option too big"}, {11018, "Bad Destination"}, {11019, "Address deleted"},
        {11020, "Spec MTU change"}, {11021, "MTU change"}, {11050, "General failure"}, {11255, "Pending"}};
    for (const auto &[code, text] : texts)
        if (code == s)
            return QString::fromLatin1(text);
    return QStringLiteral("ICMP error #") + QString::number(s);
}

int NetCheck::rate(const EchoResult &r)
{
    // A loopback or LAN answer comes within the millisecond: it counts as one.
    const int ms = qMax(1, r.rttMs);
    return int(std::lround(double(r.dataSize) * 1000.0 / ms));
}

QString NetCheck::rateText(const EchoResult &r)
{
    return Format(QStringLiteral("скорость ответа %d Kb/ceк"), {rate(r)});
}

QString NetCheck::timeText() const
{
    if (m_reachable != true)
        return QString();
    return m_last.rttMs < 1 ? QStringLiteral("<1 мс") : QString::number(m_last.rttMs) + QStringLiteral(" мс");
}

void NetCheck::report(StatusLabel l, StatusKind k, const QString &t)
{
    if (l == StatusLabel::LuState)
        m_mainText = t;
    else if (l == StatusLabel::LNstate)
        m_stateText = t;
    if (m_status)
        m_status->report(l, k, t);
}

void NetCheck::end()
{
    m_running = false;
    emit finished();
}

void NetCheck::check(const QString &hostText)
{
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    m_probe->cancel();
    ++m_generation;
    m_host = hostText.trimmed();
    m_address.clear();
    m_reachable = false;
    m_last = EchoResult();
    m_running = true;
    if (m_host.isEmpty()) {
        report(StatusLabel::LuState, StatusKind::Fail, QStringLiteral("ВВЕДИТЕ АДРЕС"));
        report(StatusLabel::LNstate, StatusKind::Fail, QStringLiteral("НЕТ АДРЕСА"));
        end();
        return;
    }
    report(StatusLabel::LuState, StatusKind::Busy, QStringLiteral("ПРОВЕРКА АДРЕСА"));
    report(StatusLabel::LNstate, StatusKind::Busy, QStringLiteral("ПРОВЕРКА СЕТИ"));
    m_timeouts = 0;
    const QHostAddress dotted(m_host);
    if (!dotted.isNull() && (dotted.protocol() == QAbstractSocket::IPv4Protocol
                             || dotted.protocol() == QAbstractSocket::IPv6Protocol)) {
        // A dotted (or IPv6) address needs no lookup.
        const QString a = dotted.toString();
        QMetaObject::invokeMethod(this, [this, a] { lookupDone(0, a); }, Qt::QueuedConnection);
        return;
    }
    if (m_lookup) {
        m_lookup(m_host);
        return;
    }
    m_lookupId = QHostInfo::lookupHost(m_host, this, [this](const QHostInfo &info) {
        m_lookupId = -1;
        // The first IPv4 address; a name that has only IPv6 ones is asked
        // there rather than called non-existent.
        QString v4, v6;
        for (const QHostAddress &a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol && v4.isEmpty())
                v4 = a.toString();
            else if (a.protocol() == QAbstractSocket::IPv6Protocol && v6.isEmpty())
                v6 = a.toString();
        }
        const QString found = v4.isEmpty() ? v6 : v4;
        lookupDone(info.error() != QHostInfo::NoError ? int(info.error()) : (found.isEmpty() ? -1 : 0), found);
    });
}

void NetCheck::lookupDone(int error, const QString &address)
{
    if (m_host.isEmpty())
        return;
    if (error != 0) {
        report(StatusLabel::LuState, StatusKind::Fail,
               QStringLiteral("АДРЕС ") + m_host + QStringLiteral(" НЕ СУЩЕСТВУЕТ"));
        report(StatusLabel::LNstate, StatusKind::Fail, QStringLiteral("НЕТ ТАКОГО АДРЕСА"));
        end();
        return;
    }
    m_address = address;
    sendEcho();
}

void NetCheck::sendEcho()
{
    report(StatusLabel::LuState, StatusKind::Busy,
           QStringLiteral("АДРЕС ") + m_host + QLatin1Char('=') + m_address + QStringLiteral(": ПРОВЕРКА СВЯЗИ..."));
    report(StatusLabel::LNstate, StatusKind::Busy, QStringLiteral("ждем ответа..."));
    m_probe->start(QHostAddress(m_address));
}

void NetCheck::echoDone(const EchoResult &r)
{
    if (!m_running)
        return;
    m_last = r;
    if (r.impossible) {
        // Nothing is known about the host: this computer cannot ask.
        m_reachable.reset();
        report(StatusLabel::LNstate, StatusKind::Done, QStringLiteral("эхо-запрос здесь невозможен"));
        report(StatusLabel::LuState, StatusKind::Done,
               QStringLiteral("АДРЕС ") + m_host + QLatin1Char('=') + m_address
                   + QStringLiteral(": ПРОВЕРКА СВЯЗИ НЕВОЗМОЖНА (нет права на эхо-запрос ICMP)"));
        end();
        return;
    }
    if (r.replies > 0) {
        m_reachable = true;
        report(StatusLabel::LNstate, StatusKind::Ok, rateText(r));
        report(StatusLabel::LuState, StatusKind::Ok,
               QStringLiteral("IP-АДРЕС ") + (r.from.isEmpty() ? m_address : r.from) + QStringLiteral(" НА СВЯЗИ"));
        end();
        return;
    }
    // No reply is never an answer, whatever status came with it.
    m_reachable = false;
    report(StatusLabel::LuState, StatusKind::Fail, QStringLiteral("АДРЕС ") + m_host + QStringLiteral(" НЕ ОТВЕТИЛ"));
    if (r.status == kTimedOut) {
        ++m_timeouts;
        if (m_timeouts == 1) {
            report(StatusLabel::LuState, StatusKind::Busy,
                   QStringLiteral("АДРЕС ") + m_host + QLatin1Char('=') + m_address
                       + QStringLiteral(": ПРОВЕРКА СВЯЗИ..."));
            const int generation = m_generation;
            QTimer::singleShot(m_retryMs, this, [this, generation] {
                if (m_running && generation == m_generation)
                    m_probe->start(QHostAddress(m_address));
            });
            return;
        }
        report(StatusLabel::LNstate, StatusKind::Fail, QStringLiteral("Превышено время ожидания"));
        end();
        return;
    }
    report(StatusLabel::LNstate, StatusKind::Fail, QString::number(r.status) + QStringLiteral(": ") + statusText(r.status));
    end();
}

} // namespace pim
