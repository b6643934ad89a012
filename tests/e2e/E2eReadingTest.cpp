// The reading workflows against pimsim: state and configuration of every
// served type, daily and hourly reads of each reader family, the
// differential view, all-records mode, "стоп", link loss, a noisy line,
// and an archive file saved and loaded back.

#include "e2e/E2eSupport.h"
#include "support/OneDay.h"

#include "base/DataPath.h"
#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Frame.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchivePlot.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchiveView.h"
#include "workflows/ConfigReading.h"
#include "workflows/StateReading.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pim;
using namespace e2e;

namespace {

ArhCodec &codecOf(Bench &b, int type)
{
    return *b.session.moduleFor(type)->arh();
}

int tabOf(int type, int kind, int system = 1)
{
    const TypeInfo *info = typeInfo(type);
    for (int t = 0; t < info->arhTabs.size(); ++t)
        if (info->arhTabs[t].kind == kind && info->arhTabs[t].system == system)
            return t;
    return -1;
}

// The day numbers of the records read, newest first.
QList<int> days(Bench &b, int type, int kind)
{
    QList<int> d;
    for (const ArhRec &r : codecOf(b, type).readRecords(kind))
        d << codecOf(b, type).day(r);
    return d;
}

struct Read {
    ArchiveReading::Result result;
    ArchiveRange range;
};

// The range is chosen on `today`, the computer's date (the read plans its
// requests from the computer's clock too).
Read readArchive(Bench &b, int kind, int item, QTemporaryDir &traces, const QDate &today = QDate::currentDate())
{
    Read r;
    r.range.choose(item, today, kind, b.session.type());
    ArchiveReading reader(*b.road, b.ui, r.range, b.session);
    reader.setTraceFolder(traces.path());
    r.result = reader.read(kind);
    return r;
}

// The date cell of the archive grid: "15 Июнь 2025г.".
QString dateCell(const QDate &d)
{
    static const char *months[] = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                                   "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    return QString("%1 %2 %3г.").arg(d.day(), 2, 10, QChar('0')).arg(QString::fromUtf8(months[d.month() - 1])).arg(d.year());
}

// The plot of a tab against the grid the operator sees beside it: one point
// per record row (no totals line), oldest first, at the row's date and hour,
// heat as the row shows it, and no break in an archive read whole.
void expectPlotFollowsGrid(Bench &b, const ArchiveRange &range, int type, int kind, int system = 1)
{
    ArchiveView view(b.ui, const_cast<ArchiveRange &>(range), b.session);
    const ArchiveView::Grid g = view.build(type, tabOf(type, kind, system));
    ASSERT_TRUE(g.ok);
    ASSERT_GT(g.records, 1);
    const PlotData plot = ArchivePlot::fromDisplayed(codecOf(b, type), kind, system - 1, "t");
    EXPECT_EQ(plot.hourly, !arhKindIsDaily(kind));
    ASSERT_EQ(plot.x.size(), g.records);
    ASSERT_FALSE(plot.panels.isEmpty());
    ASSERT_EQ(plot.panels[0].title, "тепло, Гкал");
    const QList<double> &heat = plot.panels[0].series[0].values;
    for (int i = 0; i < g.records; ++i) {
        const QStringList &row = g.cells[2 + g.records - 1 - i]; // the grid is newest first
        EXPECT_EQ(dateCell(dayNumberToDate(int(plot.x[i] / 24))), row[0]) << i;
        EXPECT_EQ(int(plot.x[i] % 24), row[1].toInt()) << i;
        EXPECT_NEAR(heat[i], row[2].toDouble(), 0.006) << i;
        EXPECT_FALSE(plot.breakBefore[i]) << i;
    }
}

} // namespace

// ---------------------------------------------------------------- state, configuration

class EveryType : public ::testing::TestWithParam<int> {};

TEST_P(EveryType, StateAndConfiguration)
{
    const int type = GetParam();
    Sim sim;
    ASSERT_TRUE(sim.start(type, 4660)) << qPrintable(sim.error());
    Bench b(sim);
    QTemporaryDir dumps;

    StateReading state(*b.road, b.ui, b.session);
    state.setDumpFolder(dumps.path());
    const StateReading::Result s = state.read(0);
    ASSERT_TRUE(s.ok) << qPrintable(b.ui.statuses.join(" | "));
    EXPECT_EQ(b.session.type(), type);
    EXPECT_EQ(b.session.number(), 4660);
    EXPECT_TRUE(b.ui.statuses.contains("Чтение состояния. Ждите... попытка № 1"));
    EXPECT_EQ(b.ui.statuses.last(), "Cостояние прочитано успешно");
    EXPECT_FALSE(s.values.isEmpty());
    EXPECT_TRUE(b.session.stateRead);
    // The dump: values, one line per reply byte, then the checksum 0.
    QStringList dump;
    ASSERT_TRUE(readLines(dumps.path() + "/байты состояния", dump));
    EXPECT_EQ(dump, s.dump);
    EXPECT_EQ(dump.size(), s.values.size() + s.reply.size() + 1);
    EXPECT_EQ(dump.last(), "0");
    EXPECT_EQ(dump[s.values.size()], QString("000=%1 hex=%2").arg(s.reply[0]).arg(QString::number(s.reply[0], 16).toUpper()));

    ConfigReading config(*b.road, b.ui, b.session);
    config.setDumpFolder(dumps.path());
    const ConfigReading::Result c = config.read();
    ASSERT_TRUE(c.ok) << qPrintable(b.ui.statuses.join(" | "));
    EXPECT_EQ(b.ui.statuses.last(), "Конфигурация успешно прочитана");
    EXPECT_EQ(c.systems.size(), qMax(1, typeInfo(type)->systems));
    // Type 128 carries its configuration in the state reply.
    EXPECT_EQ(c.reply[4], type == 128 ? Q_State : Q_Param);
    QStringList cdump;
    ASSERT_TRUE(readLines(dumps.path() + "/конфигурация.txt", cdump));
    int values = 0;
    for (const QStringList &v : c.systems)
        values += v.size();
    EXPECT_EQ(cdump.size(), values + c.reply.size() + 1);
    EXPECT_EQ(cdump.last(), "0");
    EXPECT_TRUE(cdump[values].startsWith("000=")) << qPrintable(cdump[values]);
}

INSTANTIATE_TEST_SUITE_P(Served, EveryType, ::testing::Values(128, 225, 227, 228, 229, 230, 234, 235, 236, 237, 238, 239));

// Two devices on two links in one process: each session keeps its own
// identity and records, and each read goes to its own device.
TEST(E2eState, TwoSessionsOnTwoLinks)
{
    Sim simA, simB;
    ASSERT_TRUE(simA.start(229, 4660)) << qPrintable(simA.error());
    ASSERT_TRUE(simB.start(225, 77)) << qPrintable(simB.error());
    Bench a(simA), b(simB);
    QTemporaryDir dumps;
    StateReading readA(*a.road, a.ui, a.session), readB(*b.road, b.ui, b.session);
    readA.setDumpFolder(dumps.path());
    readB.setDumpFolder(dumps.path());

    ASSERT_TRUE(readA.read(0).ok) << qPrintable(a.ui.statuses.join(" | "));
    const QStringList shownA = a.session.module()->state().SLfromState(0);
    ASSERT_TRUE(readB.read(0).ok) << qPrintable(b.ui.statuses.join(" | "));
    EXPECT_EQ(a.session.identity(), (Identity{229, 4660}));
    EXPECT_EQ(b.session.identity(), (Identity{225, 77}));
    EXPECT_EQ(a.status.text(), ModelName(229) + " № 4660: НА СВЯЗИ!");
    EXPECT_EQ(b.status.text(), ModelName(225) + " № 77: НА СВЯЗИ!");
    // B's read left A's record alone, and A reads again without identifying.
    EXPECT_EQ(a.session.module()->state().SLfromState(0), shownA);
    const int before = int(a.ui.statuses.size());
    ASSERT_TRUE(readA.read(0).ok);
    EXPECT_EQ(a.ui.statuses.value(before), "Чтение состояния. Ждите... попытка № 1");
    EXPECT_TRUE(a.session.stateRead);
    EXPECT_TRUE(b.session.stateRead);
}

TEST(E2eState, SilentDeviceIsNoLink)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 7, {"--fault", "silence"})) << qPrintable(sim.error());
    Bench b(sim, 50);
    b.session.setIdentity(229, 7); // known: no identity exchange first
    StateReading state(*b.road, b.ui, b.session);
    EXPECT_FALSE(state.read().ok);
    EXPECT_EQ(b.ui.fails.last(), "НЕТ СВЯЗИ");
}

TEST(E2eState, ForeignRepliesTwentyTimesIsLinkError)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 7, {"--fault", "wrong-number"})) << qPrintable(sim.error());
    Bench b(sim, 50);
    b.session.setIdentity(229, 7);
    StateReading state(*b.road, b.ui, b.session);
    EXPECT_FALSE(state.read().ok);
    EXPECT_TRUE(b.ui.statuses.contains("Чтение состояния. Ждите... попытка № 20"));
    EXPECT_FALSE(b.ui.statuses.contains("Чтение состояния. Ждите... попытка № 21"));
    EXPECT_EQ(b.ui.fails.last(), "Ошибка связи Повторите...");
}

// ---------------------------------------------------------------- archive readers

class Family : public ::testing::TestWithParam<int> {};

TEST_P(Family, DailyWeek)
{
    const int type = GetParam();
    pimtest::onOneDay([&](const QDate &today) {
        Sim sim;
        ASSERT_TRUE(sim.start(type, 321)) << qPrintable(sim.error());
        Bench b(sim);
        ASSERT_TRUE(b.identify());
        QTemporaryDir traces;
        const Read r = readArchive(b, ArhDaily, ArchiveRange::Week, traces, today);
        ASSERT_TRUE(r.result.ran);
        EXPECT_FALSE(r.result.linkLost) << qPrintable(b.ui.statuses.join(" | "));
        const int day = dateToDayNumber(today);
        QList<int> expected;
        for (int d = 0; d <= 7; ++d)
            expected << day - d;
        EXPECT_EQ(days(b, type, ArhDaily), expected);
        expectPlotFollowsGrid(b, r.range, type, ArhDaily);
        EXPECT_EQ(r.result.missing, 0);
        EXPECT_EQ(r.result.misordered, 0);
        EXPECT_EQ(r.result.status, QString("архив прочитан от %1 г. до %2 г.")
                                       .arg(shortDateText(today.addDays(-7)), shortDateText(today)));
        // The readers that keep a trace file from the start.
        const QString trace = type == 225 ? "АРХИВ225.txt" : type == 229 ? "АРХИВ229230.txt"
                            : type >= 234 ? "АРХИВ234235.txt" : QString();
        if (!trace.isEmpty()) {
            QStringList lines;
            ASSERT_TRUE(readLines(traces.path() + "/" + trace, lines));
            EXPECT_TRUE(lines[0].startsWith("Текущие № записей:\t0="));
            EXPECT_TRUE(lines[1].startsWith("\tчасовой="));
            // The day in the trace is the day of the reply, where this type puts it.
            const QString first = lines.filter(QRegularExpression("^Запрос\\(day ")).value(0);
            EXPECT_TRUE(first.startsWith(QString("Запрос(day %1):").arg(day))) << qPrintable(first.left(40));
        }
    });
}

TEST_P(Family, HourlyDay)
{
    const int type = GetParam();
    pimtest::onOneDay([&](const QDate &today) {
        Sim sim;
        ASSERT_TRUE(sim.start(type, 321)) << qPrintable(sim.error());
        Bench b(sim);
        ASSERT_TRUE(b.identify());
        QTemporaryDir traces;
        const int hourBefore = QTime::currentTime().hour();
        const Read r = readArchive(b, ArhHourly, ArchiveRange::Day, traces, today);
        const int hourAfter = QTime::currentTime().hour();
        EXPECT_FALSE(r.result.linkLost) << qPrintable(b.ui.statuses.join(" | "));
        // Yesterday's 24 hours and today's up to now, one per hour, newest first.
        const QList<ArhRec> &recs = codecOf(b, type).readRecords(ArhHourly);
        const int n = int(recs.size());
        EXPECT_TRUE(n == hourBefore + 25 || n == hourAfter + 25) << n;
        for (int i = 1; i < n; ++i) {
            const qint64 a = qint64(codecOf(b, type).day(recs[i - 1])) * 24 + codecOf(b, type).hour(recs[i - 1]);
            const qint64 c = qint64(codecOf(b, type).day(recs[i])) * 24 + codecOf(b, type).hour(recs[i]);
            ASSERT_EQ(a - c, 1) << "record " << i;
        }
        EXPECT_EQ(r.result.missing, 0);
        EXPECT_TRUE(r.result.status.startsWith("архив прочитан от ")) << qPrintable(r.result.status);
        expectPlotFollowsGrid(b, r.range, type, ArhHourly);
    });
}

INSTANTIATE_TEST_SUITE_P(Readers, Family, ::testing::Values(225, 227, 228, 229, 234, 238));

TEST(E2eArchive, DifferentialViewWithTotals)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 55)) << qPrintable(sim.error());
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    QTemporaryDir traces;
    Read r = readArchive(b, ArhDailyDiff, ArchiveRange::Week, traces);
    ASSERT_EQ(codecOf(b, 229).readRecords(ArhDaily).size(), 8);
    ArchiveView view(b.ui, r.range, b.session);

    const ArchiveView::Grid cum = view.build(229, tabOf(229, ArhDaily, 2));
    const ArchiveView::Grid diff = view.build(229, tabOf(229, ArhDailyDiff, 2));
    ASSERT_TRUE(diff.ok);
    // Two header rows, seven differences, the totals row.
    ASSERT_EQ(diff.cells.size(), 2 + 8);
    EXPECT_EQ(diff.cells.last()[0], "ИТОГО(7):");
    EXPECT_EQ(diff.cells.last()[1], "7");
    EXPECT_TRUE(diff.printable);
    // Heat (column 3): each difference is newer minus older, and the total
    // is the newest minus the oldest cumulative value.
    double sum = 0;
    for (int row = 2; row < 9; ++row) {
        const double d = diff.cells[row][2].toDouble();
        EXPECT_NEAR(d, cum.cells[row][2].toDouble() - cum.cells[row + 1][2].toDouble(), 0.02) << row;
        sum += d;
    }
    EXPECT_NEAR(diff.cells.last()[2].toDouble(), sum, 0.05);
    EXPECT_NEAR(sum, cum.cells[2][2].toDouble() - cum.cells[9][2].toDouble(), 0.05);
    // The plot of the second system's differences: seven periods, no totals.
    expectPlotFollowsGrid(b, r.range, 229, ArhDailyDiff, 2);

    // Precision 4 reformats the grid at the next build.
    view.setPrecision(4);
    const ArchiveView::Grid fine = view.build(229, tabOf(229, ArhDailyDiff, 2));
    EXPECT_EQ(fine.cells[2][2].section('.', 1).size(), 4) << qPrintable(fine.cells[2][2]);
    EXPECT_EQ(diff.cells[2][2].section('.', 1).size(), 2);
}

TEST(E2eArchive, AllRecordsKeepsEverySlotInReadingOrder)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 55)) << qPrintable(sim.error());
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    QTemporaryDir traces;
    const Read r = readArchive(b, ArhDaily, ArchiveRange::AllRecords, traces);
    EXPECT_EQ(r.result.status, "архив прочитан");
    EXPECT_EQ(codecOf(b, 229).readRecords(ArhDaily).size(), 62);
    EXPECT_EQ(r.result.misordered, 0);
    EXPECT_EQ(r.range.tolerance(), ArchiveRange::kAllRecordsTolerance);
    // The view shows every record whatever the pickers say.
    ArchiveView view(b.ui, const_cast<ArchiveRange &>(r.range), b.session);
    EXPECT_EQ(view.build(229, 0).cells.size(), 2 + 62);
}

TEST(E2eArchive, StopKeepsWhatWasReadAndEndsTheRead)
{
    Sim sim;
    QTemporaryDir dir;
    const QString transcript = dir.path() + "/t.txt";
    ASSERT_TRUE(sim.start(229, 55, {"--transcript", transcript})) << qPrintable(sim.error());
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    ArchiveRange range;
    range.choose(ArchiveRange::Week, QDate::currentDate(), ArhHourly, 229);
    ArchiveReading reader(*b.road, b.ui, range, b.session);
    reader.setTraceFolder(dir.path());
    b.ui.onGrown = [&](int) {
        if (b.ui.grown == 10)
            reader.stop(); // "стоп" clicked while the tenth record is shown
    };
    const ArchiveReading::Result r = reader.read(ArhHourly);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(reader.reading());
    EXPECT_EQ(codecOf(b, 229).readRecords(ArhHourly).size(), 10);
    // Not "архив прочитан": the range was not read.
    EXPECT_TRUE(r.status.startsWith("чтение прервано: прочитано 10 записей от ")) << qPrintable(r.status);
    EXPECT_TRUE(r.partial());
    // The last request is still the end of the read.
    QFile f(transcript);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    QString lastRequest;
    for (const QString &l : lines)
        if (l.section(' ', 2, 2) == ">")
            lastRequest = l.section(' ', 3);
    EXPECT_TRUE(lastRequest.startsWith("06 E5 37 00 FE")) << qPrintable(lastRequest);
}

TEST(E2eArchive, LinkLossKeepsWhatWasRead)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 9)) << qPrintable(sim.error());
    Bench b(sim, 100);
    ASSERT_TRUE(b.identify());
    ArchiveRange range;
    range.choose(ArchiveRange::Week, QDate::currentDate(), ArhHourly, 238);
    ArchiveReading reader(*b.road, b.ui, range, b.session);
    QTemporaryDir dir;
    reader.setTraceFolder(dir.path());
    b.ui.onGrown = [&](int) {
        if (b.ui.grown == 5)
            sim.stop(); // the line goes dead
    };
    const ArchiveReading::Result r = reader.read(ArhHourly);
    EXPECT_TRUE(r.linkLost);
    EXPECT_EQ(r.status, "НЕТ СВЯЗИ");
    EXPECT_EQ(b.ui.fails.last(), "НЕТ СВЯЗИ");
    EXPECT_EQ(codecOf(b, 238).readRecords(ArhHourly).size(), 5);
    EXPECT_EQ(r.records, 5);
}

TEST(E2eArchive, NoisyLineGivesTheSameArchive)
{
    pimtest::onOneDay([&](const QDate &today) {
        QTemporaryDir dir;
        QList<QStringList> grids;
        for (const QStringList &faults : {QStringList{},
                                          QStringList{"--fault", "junk=0.3", "--fault", "echo=0.2", "--fault", "split=0.2",
                                                      "--fault", "bad-checksum@6,9,12", "--split-gap", "5"}}) {
            Sim sim;
            ASSERT_TRUE(sim.start(234, 77, QStringList{"--seed", "5"} + faults)) << qPrintable(sim.error());
            Bench b(sim, 150);
            ASSERT_TRUE(b.identify());
            ArchiveRange range;
            // Closed days only: today's record grows while the test runs.
            range.setBegin(today.addDays(-10));
            range.setEnd(today.addDays(-1));
            ArchiveReading reader(*b.road, b.ui, range, b.session);
            reader.setTraceFolder(dir.path());
            const ArchiveReading::Result r = reader.read(ArhDaily);
            EXPECT_FALSE(r.linkLost);
            EXPECT_EQ(r.records, 10) << qPrintable(b.ui.statuses.join(" | "));
            ArchiveView view(b.ui, range, b.session);
            grids << ArchiveFiles::gridLines(view.build(234, 0).cells);
        }
        ASSERT_EQ(grids[0].size(), grids[1].size());
        for (int i = 0; i < grids[0].size(); ++i)
            EXPECT_EQ(grids[0][i].toStdString(), grids[1][i].toStdString()) << "row " << i;
    });
}

TEST(E2eArchive, UdpLink)
{
    pimtest::onOneDay([&](const QDate &today) {
        Sim sim;
        ASSERT_TRUE(sim.start(238, 12, {"--udp", "0"})) << qPrintable(sim.error());
        Bench b(sim);
        ASSERT_TRUE(b.identify());
        QTemporaryDir traces;
        const Read r = readArchive(b, ArhDaily, ArchiveRange::Day, traces, today);
        EXPECT_EQ(r.result.records, 2);
        EXPECT_EQ(days(b, 238, ArhDaily).first(), dateToDayNumber(today));
    });
}

TEST(E2eArchive, FileSavedAndLoadedBackToTheSameGrid)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 123)) << qPrintable(sim.error());
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    Read r = readArchive(b, ArhDaily, ArchiveRange::Week, dir);
    ArchiveView view(b.ui, r.range, b.session);

    // The differential tab of system 2, totals included.
    const int tab = tabOf(238, ArhDailyDiff, 2);
    const ArchiveView::Grid shown = view.build(238, tab);
    const QString path = view.proposedPath(238, 123, tab, QDateTime(QDate(2024, 2, 14), QTime(9, 0)));
    EXPECT_TRUE(path.startsWith(dir.path() + "/ДАННЫЕ/АРХИВЫ/" + ModelName(238) + "/00123/СУТ 2_Я  РАЗНОСТЬ_от"));
    EXPECT_TRUE(path.endsWith("дз021409.Arh"));
    const ArchiveView::Saved saved = view.save(238, 123, tab, path);
    ASSERT_TRUE(saved.ok) << qPrintable(saved.error);
    EXPECT_EQ(QFileInfo(path).size(), 8 * 232);
    QStringList txt;
    ASSERT_TRUE(readLines(ArchiveFiles::companionName(path), txt));
    EXPECT_EQ(txt, ArchiveFiles::gridLines(shown.cells));

    const ArchiveView::Grid loaded = view.load(238, path);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.cells, shown.cells);
    EXPECT_EQ(loaded.cells.last()[0], "ИТОГО(7):");
    EXPECT_EQ(b.ui.statuses.last(), "архива из файла: " + path + " - прочитан");

    // A file with no whole record: "нет данных", never "прочитан".
    const QString empty = dir.path() + "/empty.arh";
    ASSERT_TRUE(writeFileAtomic(empty, QByteArray(100, '\0')));
    const ArchiveView::Grid none = view.load(238, empty);
    EXPECT_FALSE(none.ok);
    EXPECT_TRUE(b.ui.fails.last().contains(" - нет данных")) << qPrintable(b.ui.fails.last());
    EXPECT_TRUE(b.ui.fails.contains("файл: " + empty + " - не опознан как архивный"));
    setProgramFolder(QString());
}

// An archive file names no type: a 229's file opened while a 238 is
// identified is read as a 229 where its device folder or its companion
// text says so, and refused, with the likely cause, where nothing does.
TEST(E2eArchive, AnotherTypesFileIsReadAsItsTypeOrRefused)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 45)) << qPrintable(sim.error());
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    Read r = readArchive(b, ArhDaily, ArchiveRange::Week, dir);
    ArchiveView view(b.ui, r.range, b.session);
    const int tab = tabOf(229, ArhDaily);
    const ArchiveView::Grid shown = view.build(229, tab);
    const QString path = view.proposedPath(229, 45, tab, QDateTime(QDate(2024, 2, 14), QTime(9, 0)));
    ASSERT_TRUE(view.save(229, 45, tab, path).ok);
    const int n = shown.records;
    ASSERT_GE(n, 7);
    ASSERT_EQ(QFileInfo(path).size(), n * 176);

    DeviceSession other;
    other.setIdentity(238, 9);
    ArchiveView as238(b.ui, r.range, other);
    // In its device folder, and beside its companion text elsewhere.
    const QString moved = dir.path() + "/elsewhere.Arh";
    ASSERT_TRUE(QFile::copy(path, moved));
    ASSERT_TRUE(QFile::copy(ArchiveFiles::companionName(path), ArchiveFiles::companionName(moved)));
    // The text is alike for every type of the 229's record image.
    struct Named { QString path; QString as; };
    const Named cases[] = {
        {path, ModelName(229) + " (по папке прибора)"},
        {moved, ModelName(228) + "/" + ModelName(229) + "/" + ModelName(230) + " (по тексту рядом)"},
    };
    for (const Named &named : cases) {
        SCOPED_TRACE(named.as.toStdString());
        const ArchiveView::Grid g = as238.load(238, named.path);
        ASSERT_TRUE(g.ok) << qPrintable(b.ui.statuses.last());
        EXPECT_NE(ArchiveFiles::namedType(named.path).alike.indexOf(229), -1);
        EXPECT_EQ(g.records, n);
        // The rows of the 229's hourly column map, the dates as saved.
        EXPECT_EQ(g.cells.mid(2), ArchiveView::pick(shown.rows, g.columns).mid(2));
        EXPECT_EQ(b.ui.statuses.last(), "архива из файла: " + named.path + " - прочитан как " + named.as);
    }

    // Alone, it is no whole number of 232-byte records.
    const QString alone = dir.path() + "/alone.Arh";
    ASSERT_TRUE(QFile::copy(path, alone));
    EXPECT_FALSE(as238.load(238, alone).ok);
    ASSERT_NE(n * 176 % 232, 0);
    EXPECT_TRUE(b.ui.fails.last().contains(QString::number(n * 176) + " байт - не целое число записей " + ModelName(238)
                                           + " по 232 байт"))
        << qPrintable(b.ui.fails.last());
    EXPECT_TRUE(b.ui.fails.last().contains("архив прибора другого типа"));
    // 29 of its records are 22 of a 238's: their dates and values cannot be.
    QByteArray image;
    ASSERT_TRUE(readFileBytes(path, image));
    QByteArray many;
    for (int i = 0; i < 29; ++i)
        many += image.mid((i % n) * 176, 176);
    const QString fits = dir.path() + "/fits.Arh";
    ASSERT_TRUE(writeFileAtomic(fits, many));
    EXPECT_FALSE(as238.load(238, fits).ok);
    EXPECT_TRUE(b.ui.fails.last().contains("из 22 записей не могут быть записями " + ModelName(238)))
        << qPrintable(b.ui.fails.last());
    setProgramFolder(QString());
}

TEST(E2eArchive, WholeReadArchiveIsTheRangeOfTheRecords)
{
    pimtest::onOneDay([&](const QDate &today) {
        Sim sim;
        ASSERT_TRUE(sim.start(238, 1)) << qPrintable(sim.error());
        Bench b(sim);
        ASSERT_TRUE(b.identify());
        QTemporaryDir traces;
        Read r = readArchive(b, ArhDaily, ArchiveRange::Decade, traces, today);
        ArchiveView view(b.ui, r.range, b.session);
        r.range.setDates(QDate(2020, 1, 1), QDate(2020, 1, 2));
        ASSERT_TRUE(view.wholeArchive(238, 0));
        EXPECT_EQ(r.range.begin(), today.addDays(-10));
        EXPECT_EQ(r.range.end(), today);
        // No hourly record read: the range stays.
        codecOf(b, 238).readRecords(ArhHourly).clear();
        EXPECT_FALSE(view.wholeArchive(238, tabOf(238, ArhHourly)));
        EXPECT_EQ(r.range.begin(), today.addDays(-10));
    });
}
