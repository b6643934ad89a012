// bench_batch: what reading calculators on links of their own at the same
// time gains. Four simulated type-238 calculators on four pseudo-terminals,
// each paced at a line rate, read by one pimctl batch twice: one after
// another (--parallel 1) and all at once (the default, one per link). Prints
// both times and the speed-up; never fails on time.
//
//   bench_batch [range = month] [baud = 9600]

#include "support/PimSim.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString range = args.value(1, QStringLiteral("month"));
    const QString baud = args.value(2, QStringLiteral("9600"));

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_batch: no temporary folder\n");
        return 1;
    }
    std::vector<std::unique_ptr<pimtest::PimSim>> sims;
    QByteArray list;
    for (int i = 0; i < 4; ++i) {
        auto sim = std::make_unique<pimtest::PimSim>();
        if (!sim->start(238, 100 + i, {QStringLiteral("--baud"), baud})) {
            std::fprintf(stderr, "bench_batch: %s\n", qPrintable(sim->error()));
            return 1;
        }
        list += QStringLiteral("calc%1;%2;238;%3\n").arg(i + 1).arg(sim->port()).arg(100 + i).toUtf8();
        sims.push_back(std::move(sim));
    }
    QFile f(dir.filePath(QStringLiteral("list.txt")));
    if (!f.open(QIODevice::WriteOnly) || f.write(list) != list.size()) {
        std::fprintf(stderr, "bench_batch: the list cannot be written\n");
        return 1;
    }
    f.close();

    const auto timed = [&](const QStringList &extra, const QString &out) -> double {
        QElapsedTimer t;
        t.start();
        const pimtest::CtlRun r = pimtest::pimctl(QStringList{QStringLiteral("--quiet"), QStringLiteral("batch"),
                                                              f.fileName(), QStringLiteral("--kinds"),
                                                              QStringLiteral("daily"), QStringLiteral("--range"), range,
                                                              QStringLiteral("--out"), dir.filePath(out)}
                                                      + extra,
                                                  dir.path());
        const double s = double(t.nsecsElapsed()) / 1e9;
        if (r.code != 0)
            std::fprintf(stderr, "bench_batch: the batch exited %d:\n%s\n", r.code, qPrintable(r.err));
        return r.code == 0 ? s : -1;
    };
    const double one = timed({QStringLiteral("--parallel"), QStringLiteral("1")}, QStringLiteral("one"));
    const double all = timed({}, QStringLiteral("all"));
    if (one < 0 || all < 0)
        return 1;
    std::printf("4 calculators, daily archive (%s) at %s bit/s each\n", qPrintable(range), qPrintable(baud));
    std::printf("  one after another: %.2f s\n", one);
    std::printf("  at the same time:  %.2f s\n", all);
    std::printf("  speed-up: %.2fx (goal 3.5x)\n", one / all);
    return 0;
}
