// bench_links: what an archive read costs beyond the line itself. It reads
// daily records of a full type-238 ring from pimsim, over a pseudo-terminal
// and over UDP on 127.0.0.1, as the archive read does (Q_ArhBegin, then one
// Q_Arhiv per record), and prints:
//   - unpaced: the time a record takes when the line costs nothing, which is
//     all overhead (waits, wake-ups, copies, both programs' loops);
//   - paced at a line rate: the line utilisation, the time request and
//     reply need on the wire divided by the time the exchanges took, and
//     the overhead per record left beside the wire time;
//   - the same paced line under the program's own archive reader (the one
//     pimctl and the window use): its line utilisation and the record
//     requests it needs per record read.
// Not a test: it prints ratios and never fails on time.
//
//   bench_links [unpaced records = 1000] [paced records = 40] [baud = 9600]

#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/LinkRoad.h"
#include "workflows/WorkflowUi.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace pim;

namespace {

constexpr int kType = 238;
constexpr int kNumber = 4242;
constexpr int kDailyRing = 4401;

struct Sim {
    QProcess proc;
    QString first;
    ~Sim()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.terminate();
            if (!proc.waitForFinished(3000))
                proc.kill();
        }
    }
};

QString simBinary()
{
    const QString dir = qEnvironmentVariable("PIM_BIN_DIR");
    return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir) + QStringLiteral("/pimsim");
}

bool startSim(Sim &sim, bool udp, int baud)
{
    QStringList args{QStringLiteral("--type"), QString::number(kType), QStringLiteral("--number"),
                     QString::number(kNumber), QStringLiteral("--baud"), QString::number(baud)};
    if (udp)
        args << QStringLiteral("--udp") << QStringLiteral("0");
    sim.proc.start(simBinary(), args);
    if (!sim.proc.waitForStarted(5000))
        return false;
    while (!sim.proc.canReadLine())
        if (!sim.proc.waitForReadyRead(5000))
            return false;
    sim.first = QString::fromLocal8Bit(sim.proc.readLine()).trimmed();
    return !sim.first.isEmpty();
}

struct Result {
    int asked = 0;
    int good = 0;
    double elapsedMs = 0;
    qint64 wireBytes = 0;
};

// Reads `n` daily records (the newest slots first, as a full read does).
// The paced runs' record count is also the reader's number of days.
Result readRecords(ExchangeEngine &engine, int n)
{
    const Identity id{kType, kNumber};
    const int expected = typeInfo(kType)->arhLength;
    Result r;
    r.asked = n;
    Tab begin = SQ(id, Q_ArhBegin);
    engine.Exchange(begin, begin);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i) {
        const int slot = i % kDailyRing;
        Tab data(2);
        data.set(0, slot & 0xFF);
        data.set(1, 0x80 | ((slot >> 8) & 0x7F));
        Tab io = SQ(id, Q_Arhiv, data);
        const int requestSize = io.size();
        if (!engine.Exchange(io, io))
            continue;
        if (TestAnswer(io, expected, Q_Arhiv, id).isEmpty())
            ++r.good;
        r.wireBytes += requestSize + io.size();
    }
    r.elapsedMs = double(t.nsecsElapsed()) / 1e6;
    Tab end = SQ(id, Q_ArhEnd);
    engine.Exchange(end, end);
    return r;
}

// The program's own archive read on the same line: the reader asks its
// records through this road, which counts the record requests and the bytes
// they put on the wire, from the first record request to the last reply.
class MeteredRoad : public LinkRoad {
public:
    using LinkRoad::LinkRoad;
    bool exchange(Tab &io) override
    {
        const bool record = io.size() > 4 && io.at(4) == Q_Arhiv;
        const int sent = io.size();
        if (record && !m_timer.isValid())
            m_timer.start();
        const bool ok = LinkRoad::exchange(io);
        if (record) {
            ++requests;
            wireBytes += sent + (ok ? io.size() : 0);
            elapsedMs = double(m_timer.nsecsElapsed()) / 1e6;
        }
        return ok;
    }
    int requests = 0;
    qint64 wireBytes = 0;
    double elapsedMs = 0;

private:
    QElapsedTimer m_timer;
};

// The daily archive of the last `days` days read as pimctl and the window
// read it; `requests` is the number of record requests it took.
Result readArchive(ExchangeEngine &engine, int days, int &requests)
{
    DeviceSession session;
    session.setIdentity(kType, kNumber);
    MeteredRoad road(engine);
    WorkflowUi ui;
    ArchiveRange range;
    const QDate today = QDate::currentDate();
    range.choose(ArchiveRange::Day, today, ArhDaily, kType);
    range.setBegin(today.addDays(-(days - 1)));
    range.setEnd(today);
    QTemporaryDir traces;
    ArchiveReading reader(road, ui, range, session);
    reader.setTraceFolder(traces.path());
    const ArchiveReading::Result res = reader.read(ArhDaily);
    Result r;
    r.asked = days;
    r.good = res.records;
    r.elapsedMs = road.elapsedMs;
    r.wireBytes = road.wireBytes;
    requests = road.requests;
    return r;
}

// One run against a fresh simulator; false when it could not run. With
// `requests` set, the program's archive reader reads `n` days instead of
// the bare loop of record requests.
bool run(const char *link, bool udp, int baud, int n, Result &out, int *requests = nullptr)
{
    Sim sim;
    if (!startSim(sim, udp, baud)) {
        std::fprintf(stderr, "bench_links: pimsim did not start (%s)\n", qPrintable(simBinary()));
        return false;
    }
    auto engine = std::make_unique<ExchangeEngine>();
    engine->port().setInputTimeout(2000);
    if (udp) {
        const int colon = int(sim.first.lastIndexOf(QLatin1Char(':')));
        engine->setNetworkActive(true);
        engine->setNetworkAddress(QStringLiteral("127.0.0.1"), sim.first.mid(colon + 1).toInt());
    } else {
        engine->port().setPortName(sim.first);
        engine->port().setBaudRateValue(quint32(baud > 0 ? baud : 9600));
    }
    out = requests ? readArchive(*engine, n, *requests) : readRecords(*engine, n);
    if (out.good != out.asked)
        std::fprintf(stderr, "bench_links: %s: %d of %d records read\n", link, out.good, out.asked);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int unpaced = args.size() > 1 ? qMax(1, args[1].toInt()) : 1000;
    const int paced = args.size() > 2 ? qMax(1, args[2].toInt()) : 40;
    const int baud = args.size() > 3 ? qMax(300, args[3].toInt()) : 9600;
    if (!QFileInfo::exists(simBinary())) {
        std::fprintf(stderr, "bench_links: %s not found (build pimsim)\n", qPrintable(simBinary()));
        return 2;
    }

    std::printf("daily records of type %d (request 8 bytes, reply %d bytes)\n", kType, typeInfo(kType)->arhLength);
    std::printf("\nunpaced (the line costs nothing: all of it is overhead)\n");
    for (const bool udp : {false, true}) {
        const char *link = udp ? "udp" : "pty";
        Result r;
        if (!run(link, udp, 0, unpaced, r))
            return 2;
        std::printf("  %s: %d records in %.1f ms: %.3f ms a record\n", link, r.asked, r.elapsedMs,
                    r.elapsedMs / r.asked);
    }

    const double msPerByte = 10000.0 / baud;
    std::printf("\npaced at %d bit/s, 10 bits a byte (%.3f ms a byte)\n", baud, msPerByte);
    for (const bool udp : {false, true}) {
        const char *link = udp ? "udp" : "pty";
        Result r;
        if (!run(link, udp, baud, paced, r))
            return 2;
        const double wireMs = double(r.wireBytes) * msPerByte;
        const double utilisation = r.elapsedMs > 0 ? wireMs / r.elapsedMs : 0.0;
        std::printf("  %s: %d records in %.1f ms, wire time %.1f ms: line utilisation %.4f, "
                    "overhead %.3f ms a record\n",
                    link, r.asked, r.elapsedMs, wireMs, utilisation, (r.elapsedMs - wireMs) / r.asked);
    }

    // The same line under the program's archive reader (the goal is a line
    // utilisation of at least 0.98 on the serial line and one request per
    // record over UDP).
    std::printf("\nthe archive reader, %d days, paced at %d bit/s\n", paced, baud);
    for (const bool udp : {false, true}) {
        const char *link = udp ? "udp" : "pty";
        Result r;
        int requests = 0;
        if (!run(link, udp, baud, paced, r, &requests))
            return 2;
        const double wireMs = double(r.wireBytes) * msPerByte;
        const double utilisation = r.elapsedMs > 0 ? wireMs / r.elapsedMs : 0.0;
        std::printf("  %s: %d records in %.1f ms, wire time %.1f ms: line utilisation %.4f, "
                    "%.3f requests a record\n",
                    link, r.good, r.elapsedMs, wireMs, utilisation, r.good ? double(requests) / r.good : 0.0);
    }
    // pimctl archive on the unpaced pseudo-terminal: what one record costs
    // the command as a whole (reader, status, progress, traces, grid).
    std::printf("\npimctl archive, unpaced pty\n");
    {
        Sim sim;
        if (!startSim(sim, false, 0))
            return 2;
        const QString ctl = QFileInfo(simBinary()).absolutePath() + QStringLiteral("/pimctl");
        QTemporaryDir work;
        auto timed = [&](int days) {
            const QDate today = QDate::currentDate();
            QProcess p;
            p.setWorkingDirectory(work.path());
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            QElapsedTimer t;
            t.start();
            p.start(ctl, {QStringLiteral("--port"), sim.first, QStringLiteral("--quiet"), QStringLiteral("archive"),
                          QStringLiteral("--kind"), QStringLiteral("daily"), QStringLiteral("--from"),
                          today.addDays(-(days - 1)).toString(Qt::ISODate), QStringLiteral("--to"),
                          today.toString(Qt::ISODate)});
            if (!p.waitForFinished(600000) || p.exitCode() != 0)
                return -1.0;
            return double(t.nsecsElapsed()) / 1e6;
        };
        const int few = 10, many = qMin(kDailyRing - 10, few + unpaced);
        const double a = timed(few), b = timed(many);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "bench_links: pimctl archive failed (%s)\n", qPrintable(ctl));
            return 2;
        }
        std::printf("  %d records in %.1f ms, %d in %.1f ms: %.3f ms a record\n", few, a, many, b,
                    (b - a) / (many - few));
    }
    return 0;
}
