// pimsim: a simulated ПИМ calculator on a pseudo-terminal, on UDP or behind
// a Hayes modem, for training, demonstrations and tests.

#include "CarrierWriter.h"
#include "LineModel.h"
#include "Modem.h"
#include "PtyPort.h"
#include "SimDevice.h"
#include "SimServer.h"

#include "base/SimulatorPorts.h"
#include "base/TextFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QTimer>
#include <QUdpSocket>

#include <csignal>
#include <functional>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace pimsim;
using pim::publishSimulatorPort;
using pim::readFileBytes;
using pim::unpublishSimulatorPort;
using pim::writeFileAtomic;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

[[noreturn]] void die(const QString &text)
{
    std::fprintf(stderr, "pimsim: %s\n", qPrintable(text));
    std::fflush(stderr);
    std::exit(2);
}

const char *kDescription = R"(A simulated ПИМ heat-energy calculator.

It serves a pseudo-terminal (the slave path is the first line on stdout and
is published for the program's port list), or UDP on 127.0.0.1 (first line
"udp 127.0.0.1:PORT"), or a Hayes modem on the pseudo-terminal. It answers
identity, state, configuration (read and write), daily and hourly archives,
current record numbers, archive begin/end, change log, calibration, set clock,
set number, initialise, zero operating time and clear archives, byte for byte
as a device of the chosen type does.

Served types: 128, 225, 227, 228, 229, 230, 234..239.

Faults (--fault, repeatable):
  KIND          on every reply
  KIND=P        with probability P (0..1)
  KIND@N[,N..]  at the given request numbers (every received frame counts, from 1)
  KIND is one of: junk (1..8 noise bytes before the reply), echo (the request
  comes back before the reply), truncate (the reply is cut short), silence
  (no reply), wrong-number (the reply carries another device number),
  bad-checksum, split (the reply comes in 2..4 pieces with --split-gap
  pauses), short (a whole frame six bytes shorter than the reply, its length
  byte and checksum agreeing).

Writes (configuration, number, initialise, zero operating time, clear
archives) need the jumper closed (status 1 otherwise) and the right password
(--password-mismatch answers status 2). Type 225 has no status byte: it keeps
silent instead.

Modem: AT commands with echo and verbal results (OK, ERROR, CONNECT 9600,
NO CARRIER, BUSY, NO DIALTONE). Without --modem-result the dialled number
decides: ending in 66 busy, 77 no carrier, 88 no dial tone, 99 rings
unanswered and ends with NO ANSWER after the answer time
(--modem-answer-ms), anything else connects. Frames pass only while on line; "+++" between guard
times returns to command mode (ATO resumes, ATH hangs up); closing the port
drops the call.

Transcript lines: "yyyy-MM-dd hh:mm:ss.zzz > HEX" for a request when it was
taken from the line, "... < HEX" for what went back (faults included) at the
time it was sent (its first byte, after --delay and pacing), "# ..." naming
the faults applied.

SIGINT and SIGTERM end it cleanly.)";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pimsim"));

    QCommandLineParser p;
    p.setApplicationDescription(QString::fromUtf8(kDescription));
    p.addHelpOption();
    const QCommandLineOption optType({QStringLiteral("t"), QStringLiteral("type")}, QStringLiteral("Device type code (default 229)."), QStringLiteral("T"), QStringLiteral("229"));
    const QCommandLineOption optNumber({QStringLiteral("n"), QStringLiteral("number")}, QStringLiteral("Serial number 1..65535 (default 1)."), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption optUdp(QStringLiteral("udp"), QStringLiteral("Serve UDP on 127.0.0.1:PORT instead of a pseudo-terminal (0: any free port)."), QStringLiteral("PORT"));
    const QCommandLineOption optModem(QStringLiteral("modem"), QStringLiteral("Put a Hayes modem in front of the device on the pseudo-terminal."));
    const QCommandLineOption optBaud(QStringLiteral("baud"), QStringLiteral("Pace replies at B bit/s, 10 bits per byte (default: unpaced)."), QStringLiteral("B"), QStringLiteral("0"));
    const QCommandLineOption optSeed(QStringLiteral("seed"), QStringLiteral("Seed of every random choice (default 1)."), QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption optState(QStringLiteral("state"), QStringLiteral("Keep number, configuration, clock, resets and change log in FILE across restarts."), QStringLiteral("FILE"));
    const QCommandLineOption optTranscript(QStringLiteral("transcript"), QStringLiteral("Write every request and reply as time-stamped hex lines to FILE."), QStringLiteral("FILE"));
    const QCommandLineOption optDays(QStringLiteral("archive-days"), QStringLiteral("Days of archive history up to today (default: the daily ring + 10, so the ring has wrapped)."), QStringLiteral("D"));
    const QCommandLineOption optStart(QStringLiteral("archive-start"), QStringLiteral("First archive day, YYYY-MM-DD (instead of --archive-days)."), QStringLiteral("DATE"));
    const QCommandLineOption optClock(QStringLiteral("clock"), QStringLiteral("Device clock at start, \"YYYY-MM-DD hh:mm[:ss]\" (default: the computer's)."), QStringLiteral("TIME"));
    const QCommandLineOption optClockStopped(QStringLiteral("clock-stopped"), QStringLiteral("The device clock stands still at --clock (or at the start) instead of running, so every reading repeats exactly."));
    const QCommandLineOption optJumper(QStringLiteral("jumper"), QStringLiteral("Service jumper: closed (default) or open."), QStringLiteral("STATE"), QStringLiteral("closed"));
    const QCommandLineOption optPassword(QStringLiteral("password-mismatch"), QStringLiteral("Refuse writes as with a wrong password (status 2)."));
    const QCommandLineOption optFault(QStringLiteral("fault"), QStringLiteral("Inject a line fault (see above); repeatable."), QStringLiteral("FAULT"));
    const QCommandLineOption optSplitGap(QStringLiteral("split-gap"), QStringLiteral("Pause between the pieces of a split reply, ms (default 60)."), QStringLiteral("MS"), QStringLiteral("60"));
    const QCommandLineOption optDelay(QStringLiteral("delay"), QStringLiteral("Delay before every reply, ms (default 0)."), QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption optFrameGap(QStringLiteral("frame-gap"), QStringLiteral("A pause this long inside a request abandons it, ms (default 1000)."), QStringLiteral("MS"), QStringLiteral("1000"));
    const QCommandLineOption optCalFault(QStringLiteral("cal-fault"), QStringLiteral("Calibration channel 2..5 that measures 1.7 off its set-point."), QStringLiteral("CH"), QStringLiteral("0"));
    const QCommandLineOption optDevErr(QStringLiteral("device-error"), QStringLiteral("Device error code shown in state and archives (default 0)."), QStringLiteral("CODE"), QStringLiteral("0"));
    const QCommandLineOption optSysErr(QStringLiteral("system-error"), QStringLiteral("System error code shown in state and archives (default 0); with a code other than 0 the archives also count time and heat under error (types 225 and 227: with a device error code)."), QStringLiteral("CODE"), QStringLiteral("0"));
    const QCommandLineOption optModemResult(QStringLiteral("modem-result"), QStringLiteral("Outcome of every call: connect, ok (connected, reported as a bare OK), busy, no-carrier, no-dialtone, no-answer or none (no result at all)."), QStringLiteral("R"));
    const QCommandLineOption optModemEcho(QStringLiteral("modem-echo"), QStringLiteral("Command echo at start: on (default) or off; ATE0 / ATE1 change it."), QStringLiteral("on|off"), QStringLiteral("on"));
    const QCommandLineOption optModemExpect(QStringLiteral("modem-expect"), QStringLiteral("Only a call dialled exactly so (what follows ATD, e.g. T9W8W495123) goes through; others get NO CARRIER."), QStringLiteral("DIAL"));
    const QCommandLineOption optDialMs(QStringLiteral("modem-dial-ms"), QStringLiteral("Time from ATD to its result, ms (default 300)."), QStringLiteral("MS"), QStringLiteral("300"));
    const QCommandLineOption optAnswerMs(QStringLiteral("modem-answer-ms"), QStringLiteral("Time an unanswered call rings before NO ANSWER, ms (default 30000)."), QStringLiteral("MS"), QStringLiteral("30000"));
    const QCommandLineOption optGuardMs(QStringLiteral("modem-guard-ms"), QStringLiteral("Guard time around \"+++\", ms (default 100)."), QStringLiteral("MS"), QStringLiteral("100"));
    const QCommandLineOption optCarrier(QStringLiteral("carrier"), QStringLiteral("Write carrier files of the device's daily and hourly archives into DIR (types 225, 228, 229, 230, 234, 235) before serving; their paths go to stderr."), QStringLiteral("DIR"));
    const QCommandLineOption optUdpStrays(QStringLiteral("udp-strays"), QStringLiteral("With --udp: before every reply a datagram of noise and the previous reply go to the client from another port of this host, as stray traffic on a busy network would."));
    for (const auto *o : {&optUdpStrays, &optCarrier, &optType, &optNumber, &optUdp, &optModem, &optBaud, &optSeed, &optState, &optTranscript,
                          &optDays, &optStart, &optClock, &optClockStopped, &optJumper, &optPassword, &optFault, &optSplitGap,
                          &optDelay, &optFrameGap, &optCalFault, &optDevErr, &optSysErr, &optModemResult, &optModemEcho, &optModemExpect,
                          &optDialMs, &optAnswerMs, &optGuardMs})
        p.addOption(*o);
    p.process(app);

    auto intValue = [&](const QCommandLineOption &o, int lo, int hi) {
        bool ok = false;
        const int v = p.value(o).toInt(&ok);
        if (!ok || v < lo || v > hi)
            die(QStringLiteral("--%1 must be a number in %2..%3").arg(o.names().constLast()).arg(lo).arg(hi));
        return v;
    };

    DeviceOptions dopt;
    dopt.type = intValue(optType, 0, 255);
    TypeInfo info;
    if (!typeInfo(dopt.type, info))
        die(QStringLiteral("type %1 is not served (128, 225, 227, 228, 229, 230, 234..239)").arg(dopt.type));
    dopt.number = intValue(optNumber, 1, 65535);
    bool seedOk = false;
    dopt.seed = p.value(optSeed).toULongLong(&seedOk);
    if (!seedOk)
        die(QStringLiteral("--seed must be a whole number"));
    if (p.isSet(optDays))
        dopt.archiveDays = intValue(optDays, 1, 20000);
    if (p.isSet(optStart)) {
        dopt.archiveStart = QDate::fromString(p.value(optStart), Qt::ISODate);
        if (!dopt.archiveStart.isValid())
            die(QStringLiteral("--archive-start must be YYYY-MM-DD"));
    }
    QDateTime clockAt = QDateTime::currentDateTime();
    if (p.isSet(optClock)) {
        QDateTime t = QDateTime::fromString(p.value(optClock), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        if (!t.isValid())
            t = QDateTime::fromString(p.value(optClock), QStringLiteral("yyyy-MM-dd hh:mm"));
        if (!t.isValid())
            die(QStringLiteral("--clock must be \"YYYY-MM-DD hh:mm[:ss]\""));
        dopt.clockOffsetSecs = QDateTime::currentDateTime().secsTo(t);
        clockAt = t;
    }
    // A stopped clock is the computer's clock standing at the device time,
    // so no sub-second remainder of the start creeps into the readings.
    std::function<QDateTime()> systemNow;
    if (p.isSet(optClockStopped)) {
        dopt.clockOffsetSecs = 0;
        systemNow = [clockAt] { return clockAt; };
    }
    const QString jumper = p.value(optJumper).toLower();
    if (jumper != QLatin1String("open") && jumper != QLatin1String("closed"))
        die(QStringLiteral("--jumper is open or closed"));
    dopt.jumperClosed = jumper == QLatin1String("closed");
    dopt.passwordMismatch = p.isSet(optPassword);
    dopt.calibrationFault = intValue(optCalFault, 0, 5);
    dopt.deviceError = intValue(optDevErr, 0, 255);
    dopt.systemError = intValue(optSysErr, 0, 255);

    Faults faults;
    faults.setSplitGap(intValue(optSplitGap, 0, 60000));
    for (const QString &faultText : p.values(optFault)) {
        QString err;
        if (!faults.add(faultText, &err))
            die(err);
    }
    const int baud = intValue(optBaud, 0, 4000000);
    const int delayMs = intValue(optDelay, 0, 600000);
    const int frameGapMs = intValue(optFrameGap, 1, 600000);

    ModemOptions mopt;
    mopt.dialMs = intValue(optDialMs, 0, 600000);
    mopt.answerMs = intValue(optAnswerMs, 0, 600000);
    mopt.guardMs = intValue(optGuardMs, 1, 60000);
    if (p.isSet(optModemResult)) {
        mopt.result = p.value(optModemResult).toLower();
        static const QStringList results{QStringLiteral("connect"), QStringLiteral("ok"), QStringLiteral("busy"), QStringLiteral("no-carrier"),
                                         QStringLiteral("no-dialtone"), QStringLiteral("no-answer"), QStringLiteral("none")};
        if (!results.contains(mopt.result))
            die(QStringLiteral("--modem-result is one of %1").arg(results.join(QStringLiteral(", "))));
    }
    {
        const QString echo = p.value(optModemEcho).toLower();
        if (echo != QLatin1String("on") && echo != QLatin1String("off"))
            die(QStringLiteral("--modem-echo is on or off"));
        mopt.echo = echo == QLatin1String("on");
    }
    mopt.expectDial = p.value(optModemExpect).trimmed();
    if (baud > 0)
        mopt.connectText = QStringLiteral("CONNECT %1").arg(baud);

    SimDevice device(dopt, systemNow);

    const QString statePath = p.value(optState);
    if (!statePath.isEmpty()) {
        QByteArray bytes;
        if (QFile::exists(statePath)) {
            QString err;
            if (!readFileBytes(statePath, bytes, &err))
                die(err);
            QJsonParseError perr;
            const QJsonDocument doc = QJsonDocument::fromJson(bytes, &perr);
            if (!doc.isObject())
                die(QStringLiteral("%1: %2").arg(statePath, perr.errorString()));
            if (!device.loadState(doc.object(), &err))
                die(QStringLiteral("%1: %2").arg(statePath, err));
        }
        auto save = [&device, statePath] {
            QString err;
            if (!writeFileAtomic(statePath, QJsonDocument(device.saveState()).toJson(), &err))
                std::fprintf(stderr, "pimsim: %s\n", qPrintable(err));
        };
        save();
        device.setOnChanged(save);
    }

    if (p.isSet(optCarrier)) {
        QStringList written;
        QString err;
        if (!writeCarrierFiles(device, p.value(optCarrier), &written, &err))
            die(QStringLiteral("--carrier: ") + err);
        for (const QString &path : written)
            std::fprintf(stderr, "pimsim: carrier file %s\n", qPrintable(path));
    }

    Transcript transcript;
    if (p.isSet(optTranscript)) {
        QString err;
        if (!transcript.open(p.value(optTranscript), &err))
            die(err);
    }
    SimServer server(device, faults, transcript.isOpen() ? &transcript : nullptr, dopt.seed, delayMs);

    // Signals end the event loop through a pipe, so cleanup runs normally.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        die(QStringLiteral("socketpair failed"));
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    if (p.isSet(optUdp) && p.isSet(optModem))
        die(QStringLiteral("--modem works on the pseudo-terminal, not with --udp"));

    int rc = 0;
    if (p.isSet(optUdp)) {
        const int port = intValue(optUdp, 0, 65535);
        QUdpSocket socket;
        if (!socket.bind(QHostAddress::LocalHost, quint16(port)))
            die(QStringLiteral("cannot bind 127.0.0.1:%1: %2").arg(port).arg(socket.errorString()));
        std::printf("udp 127.0.0.1:%d\n", int(socket.localPort()));
        std::fflush(stdout);
        // The converter's serial line: one reply after the other, each
        // piece one datagram to whoever asked.
        Pacer line([](const QByteArray &) {}, baud, true);
        // Stray traffic: another socket of this host answers too, with
        // noise and stale replies, which a client must not take for the
        // converter's.
        QUdpSocket strays;
        if (p.isSet(optUdpStrays) && !strays.bind(QHostAddress::LocalHost, 0))
            die(QStringLiteral("cannot bind a second UDP socket: %1").arg(strays.errorString()));
        QByteArray lastReply;
        QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&] {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = socket.receiveDatagram();
                if (!d.isValid())
                    continue;
                // One frame per datagram; a datagram is assembled on its own.
                FrameAssembler assembler;
                const QHostAddress to = d.senderAddress();
                const quint16 toPort = quint16(d.senderPort());
                auto sendTo = [&socket, to, toPort](const QByteArray &bytes) { socket.writeDatagram(bytes, to, toPort); };
                for (const QByteArray &frame : assembler.feed(d.data())) {
                    const QList<Piece> pieces = server.respond(frame);
                    if (strays.state() == QAbstractSocket::BoundState) {
                        strays.writeDatagram(QByteArray("\x00\xFF\x13\x37", 4), to, toPort);
                        if (!lastReply.isEmpty())
                            strays.writeDatagram(lastReply, to, toPort);
                        lastReply.clear();
                        for (const Piece &piece : pieces)
                            lastReply += piece.bytes;
                    }
                    line.send(pieces, int(frame.size()), sendTo);
                }
            }
        });
        rc = app.exec();
    } else {
        PtyPort pty;
        QString err;
        if (!pty.open(&err))
            die(err);
        Pacer pacer([&pty](const QByteArray &b) { pty.write(b); }, baud, false);
        FrameAssembler assembler;
        QTimer gapTimer;
        gapTimer.setSingleShot(true);
        QObject::connect(&gapTimer, &QTimer::timeout, [&] { assembler.reset(); });

        std::unique_ptr<Modem> modem;
        auto toDevice = [&](const QByteArray &bytes) {
            for (const QByteArray &frame : assembler.feed(bytes)) {
                const QList<Piece> pieces = server.respond(frame);
                if (!modem || modem->online())
                    pacer.send(pieces, int(frame.size()));
            }
            if (assembler.pending())
                gapTimer.start(frameGapMs);
            else
                gapTimer.stop();
        };
        if (p.isSet(optModem))
            modem = std::make_unique<Modem>(mopt, [&pacer](const QByteArray &b) { pacer.send({Piece{b, 0}}); }, toDevice);

        QObject::connect(&pty, &PtyPort::received, [&](const QByteArray &bytes) {
            if (modem)
                modem->fromHost(bytes);
            else
                toDevice(bytes);
        });
        QObject::connect(&pty, &PtyPort::hostClosed, [&] {
            assembler.reset();
            gapTimer.stop();
            pacer.clear();
            if (modem)
                modem->hostClosed();
        });

        // Published before the path is printed, so whoever reads the first
        // line finds the port in the list too.
        if (!publishSimulatorPort(pty.slavePath(), &err))
            std::fprintf(stderr, "pimsim: cannot publish the port: %s\n", qPrintable(err));
        std::printf("%s\n", qPrintable(pty.slavePath()));
        std::fflush(stdout);
        rc = app.exec();
        unpublishSimulatorPort();
    }
    return rc;
}
