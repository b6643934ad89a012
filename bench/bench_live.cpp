// bench_live: what the live display ("отображать архив при чтении") costs.
// The window reads the whole daily archive of a simulated type 238 (4,401
// records, unpaced) once with the live rows on and once with them off, a
// few times each, and prints the CPU time of the window's process per read
// and the ratio on/off. The rows are appended as records come, never
// rebuilt, so the ratio stays near 1 (the goal is at most 1.2).
// Not a test: it prints ratios and never fails on time.
//
//   bench_live [rounds = 3]

#include "support/PimSim.h"
#include "ui/ArchivePage.h"
#include "ui/CommandMap.h"
#include "ui/LinkPages.h"
#include "ui/MainWindow.h"
#include "ui/DevicePage.h"
#include "ui/PortPage.h"
#include "ui/RadioGroup.h"
#include "devices/ArhCodec.h"
#include "base/DataPath.h"
#include "devices/DeviceSession.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTabBar>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace pim;
using namespace pim::ui;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path()); // the readers' trace files
    setProgramFolder(dir.path());  // the settings file, not beside the bench
    MainWindow::setMessagesShown(false);

    pimtest::PimSim sim;
    if (!sim.start(238, 4242)) {
        std::fprintf(stderr, "bench_live: %s\n", qPrintable(sim.error()));
        return 1;
    }
    MainWindow w;
    w.AcreateExecute();
    w.devicePage()->linkPages()->portPage()->choosePort(sim.port());
    w.commands().action(QStringLiteral("AreadNoTu"))->trigger();
    if (w.session().type() != 238) {
        std::fprintf(stderr, "bench_live: the simulator was not identified\n");
        return 1;
    }
    w.findChild<QTabBar *>(QStringLiteral("TCa"))->setCurrentIndex(0);
    auto *live = w.findChild<QCheckBox *>(QStringLiteral("EnUpdate"));
    auto *range = w.findChild<RadioGroup *>(QStringLiteral("RGdtp"));

    std::vector<double> on, off;
    int records = 0;
    for (int i = 0; i < rounds; ++i) {
        for (bool withRows : {true, false}) {
            live->setChecked(withRows);
            range->setItemIndex(ArchiveRange::WholeArchive);
            const double t0 = cpuSeconds();
            w.commands().action(QStringLiteral("AreadArh"))->trigger();
            const double t = cpuSeconds() - t0;
            (withRows ? on : off).push_back(t);
            records = int(w.session().module()->arh()->readRecords(0).size());
        }
    }
    const double a = median(on), b = median(off);
    std::printf("daily read of type 238, %d records, %d rounds (median CPU of the window's process)\n", records,
                rounds);
    std::printf("  live rows on : %.3f s\n", a);
    std::printf("  live rows off: %.3f s\n", b);
    std::printf("  ratio on/off : %.3f (goal <= 1.2)\n", b > 0 ? a / b : 0.0);
    return 0;
}
