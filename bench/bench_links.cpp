// bench_links: reads N archive records from pimsim over a pseudo-terminal
// paced at a line rate and prints the line utilisation, the time the bytes
// need on the wire divided by the time the exchanges took. Not a test: it
// prints ratios and never fails on time.
//
//   bench_links [N=20] [baud=9600] [type=236]

#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

using namespace pim;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int n = args.size() > 1 ? qMax(1, args[1].toInt()) : 20;
    const int baud = args.size() > 2 ? qMax(300, args[2].toInt()) : 9600;
    const int type = args.size() > 3 ? args[3].toInt() : 236;
    const int number = 4242;

    QString sim = qEnvironmentVariable("PIM_BIN_DIR");
    sim = (sim.isEmpty() ? app.applicationDirPath() : sim) + QStringLiteral("/pimsim");
    if (!QFileInfo::exists(sim)) {
        std::fprintf(stderr, "bench_links: %s not found (build pimsim)\n", qPrintable(sim));
        return 2;
    }
    QProcess proc;
    proc.start(sim, {QStringLiteral("--type"), QString::number(type), QStringLiteral("--number"),
                     QString::number(number), QStringLiteral("--baud"), QString::number(baud)});
    if (!proc.waitForStarted(5000) || !proc.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_links: pimsim did not start\n");
        return 2;
    }
    const QString pty = QString::fromLocal8Bit(proc.readLine()).trimmed();

    ExchangeEngine engine;
    engine.port().setPortName(pty);
    engine.port().setBaudRateValue(quint32(baud));
    SetCurrentIdentity(type, number);

    // Q_ArhBegin once, as an archive read does, then one Q_Arhiv per record.
    Tab begin = SQ(Q_ArhBegin);
    engine.Exchange(begin, begin);

    const int expected = replyLength(type, Q_Arhiv);
    int good = 0;
    qint64 wireBytes = 0;
    qint64 replyBytes = 0;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i) {
        Tab data(2);
        data.set(0, i & 0xFF);
        data.set(1, (i >> 8) & 0x7F);
        Tab io = SQ(Q_Arhiv, data);
        const int requestSize = io.size();
        if (!engine.Exchange(io, io))
            continue;
        if (TestAnswer(io, expected, Q_Arhiv).isEmpty())
            ++good;
        wireBytes += requestSize + io.size();
        replyBytes += io.size();
    }
    const double elapsedMs = double(t.nsecsElapsed()) / 1e6;
    const double msPerByte = 10000.0 / baud;
    const double wireMs = double(wireBytes) * msPerByte;

    std::printf("records read:          %d of %d (reply %d bytes, request 8 bytes)\n", good, n, expected);
    std::printf("line rate:             %d bit/s, 10 bits a byte\n", baud);
    std::printf("elapsed:               %.1f ms (%.2f ms a record)\n", elapsedMs, elapsedMs / n);
    std::printf("wire time:             %.1f ms (request + reply)\n", wireMs);
    std::printf("line utilisation:      %.3f (wire time / elapsed)\n", elapsedMs > 0 ? wireMs / elapsedMs : 0.0);
    // pimsim paces only its replies; a pseudo-terminal carries the request
    // at once, so the figure above can pass 1. The reply bytes alone show
    // what the exchange adds to the time the line really takes.
    const double replyMs = double(replyBytes) * msPerByte;
    std::printf("reply utilisation:     %.3f (reply wire time / elapsed)\n", elapsedMs > 0 ? replyMs / elapsedMs : 0.0);

    proc.terminate();
    proc.waitForFinished(3000);
    return good == n ? 0 : 1;
}
