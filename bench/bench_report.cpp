// bench_report: what printing an archive costs. A simulated type 238 gives
// its whole daily archive (4,401 records, unpaced) to `pimctl archive
// --csv` and to `pimctl report --pdf`, which reads the same records and
// prints them through the built-in template; the same report is also drawn
// in this process onto a PDF from a saved file. Prints the time per row of
// the drawing and the wall time of the report command against the plain
// CSV command.
// Not a test: it prints ratios and never fails on time.
//
//   bench_report [rounds = 3]

#include "support/PimSim.h"

#include "base/DataPath.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "reports/ArchiveReport.h"
#include "reports/PainterCanvas.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveView.h"
#include "workflows/WorkflowUi.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace pim;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double timed(const std::function<bool()> &f, bool &ok)
{
    QElapsedTimer t;
    t.start();
    ok = f() && ok;
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    QTemporaryDir tmp;
    QDir::setCurrent(tmp.path());
    setProgramFolder(tmp.path());

    pimtest::PimSim sim; // runs for the whole benchmark
    if (!sim.start(238, 7, {QStringLiteral("--clock"), QStringLiteral("2026-11-30 12:00"),
                            QStringLiteral("--clock-stopped")})) {
        std::fprintf(stderr, "bench_report: %s\n", qPrintable(sim.error()));
        return 1;
    }
    const QString clock = QStringLiteral("2026-11-30 12:00:00");
    bool ok = true;
    const QStringList link = {QStringLiteral("--port"), sim.port(), QStringLiteral("--quiet")};
    const QStringList daily = {QStringLiteral("--kind"), QStringLiteral("daily")};
    const pimtest::CtlRun saved =
        pimtest::pimctlAt(clock, link + QStringList{QStringLiteral("archive")} + daily + QStringList{QStringLiteral("--out"), QStringLiteral("d.Arh")}, tmp.path());
    if (saved.code != 0) {
        std::fprintf(stderr, "bench_report: the archive read failed: %s\n", qPrintable(saved.err));
        return 1;
    }
    std::vector<double> csv, report, draw;
    int rows = 0;
    for (int r = 0; r < rounds; ++r) {
        csv.push_back(timed([&] {
            return pimtest::pimctlAt(clock, link + QStringList{QStringLiteral("archive")} + daily
                                         + QStringList{QStringLiteral("--csv"), QStringLiteral("d.csv")},
                                     tmp.path()).code == 0;
        }, ok));
        report.push_back(timed([&] {
            return pimtest::pimctlAt(clock, link + QStringList{QStringLiteral("report")} + daily
                                         + QStringList{QStringLiteral("--pdf"), QStringLiteral("r.pdf")},
                                     tmp.path()).code == 0;
        }, ok));

        DeviceSession session;
        WorkflowUi ui;
        ArchiveRange range;
        ArchiveView view(ui, range, session);
        const ArchiveView::Grid g = view.load(238, QDir(tmp.path()).filePath(QStringLiteral("d.Arh")));
        ok = ok && g.ok;
        rows = g.records;
        PrintForms forms;
        forms.load(QDir(tmp.path()).filePath(QStringLiteral("none")), 238, 0);
        ReportSource src;
        src.type = 238;
        src.tabIndex = 0;
        src.fromFile = true;
        src.filePath = QStringLiteral("d.Arh");
        src.today = QDate(2026, 11, 30);
        draw.push_back(timed([&] {
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            QPdfWriter pdf(&out);
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
            pdf.setResolution(600);
            PainterCanvas canvas(&pdf);
            ArchiveReport::render(canvas, forms, PageSettings(), session, src);
            return canvas.finish() && out.size() > 0;
        }, ok));
    }
    const double perRow = rows > 0 ? median(draw) / rows : 0;
    std::printf("bench_report: %d rows of a 238 daily report, %d rounds (medians)\n", rows, rounds);
    std::printf("  drawn to PDF in process: %.1f ms, %.3f ms per row\n", median(draw), perRow);
    std::printf("  pimctl report --pdf: %.1f ms; pimctl archive --csv of the same records: %.1f ms\n",
                median(report), median(csv));
    std::printf("  ratio report / plain: %.2f\n", median(csv) > 0 ? median(report) / median(csv) : 0.0);
    if (!ok)
        std::printf("  (a run failed: the figures are not comparable)\n");
    return ok ? 0 : 1;
}
