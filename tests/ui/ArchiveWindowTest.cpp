// The page "АРХИВЫ" against simulated calculators: the readers through the
// window, the live rows, "стоп", the difference tab, precision and widths,
// saving and loading archive files, and the faults an operator can cause.

#include "UiSupport.h"

#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "support/OneDay.h"
#include "ui/ArchivePage.h"
#include "ui/ArchivePlotWidget.h"
#include "workflows/ArchivePlot.h"
#include "ui/CommandMap.h"
#include "ui/DevicePage.h"
#include "ui/MainWindow.h"
#include "ui/RadioGroup.h"
#include "ui/SignalQuit.h"
#include "links/ExchangeEngine.h"
#include "links/Waiter.h"
#include "workflows/SettingsFile.h"

#include <QAction>
#include <QImage>
#include <QSet>
#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace pim;
using namespace pim::ui;

namespace {

QString status(MainWindow &w)
{
    return w.findChild<QLabel *>("LuState")->text();
}

QTableWidget *sga(MainWindow &w)
{
    return w.findChild<QTableWidget *>("SGa");
}

QStringList row(QTableWidget *g, int r)
{
    QStringList out;
    for (int c = 0; c < g->columnCount(); ++c)
        out << (g->item(r, c) ? g->item(r, c)->text() : QString());
    return out;
}

// A window on the simulator's port with the device identified.
std::unique_ptr<MainWindow> windowOn(uitest::PimSim &sim)
{
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    return w;
}

// Selects the archive tab and the range choice, then runs "архив".
void read(MainWindow &w, int tab, int item)
{
    w.findChild<QTabBar *>("TCa")->setCurrentIndex(tab);
    w.findChild<RadioGroup *>("RGdtp")->setItemIndex(item);
    w.commands().action("AreadArh")->trigger();
}

// The first hourly tab of a type.
int hourlyTab(int type)
{
    const QList<ArhTab> &tabs = typeInfo(type)->arhTabs;
    for (int i = 0; i < tabs.size(); ++i)
        if (!tabs[i].daily())
            return i;
    return -1;
}

// Answers the file dialogs with a fixed name for the length of a scope.
struct Chooser {
    explicit Chooser(const QString &path)
    {
        ArchivePage::setFileChooser([this, path](bool save, const QString &proposed, const QString &) {
            asked << (save ? "save " : "open ") + proposed;
            return path;
        });
    }
    ~Chooser() { ArchivePage::setFileChooser({}); }
    QStringList asked;
};

} // namespace

TEST(ArchiveWindow, EachReaderFamilyShowsItsModulesColumnsDailyAndHourly)
{
    for (int type : {225, 227, 229, 236}) {
        pimtest::onOneDay([&](const QDate &today) {
            uitest::UiEnv env;
            uitest::PimSim sim;
            ASSERT_TRUE(sim.start(type, 321)) << qPrintable(sim.error());
            auto w = windowOn(sim);
            ASSERT_EQ(w->session().type(), type);
            const ArhCodec &codec = *w->session().module()->arh();
            struct Step { int tab, item; };
            for (const Step s : {Step{0, ArchiveRange::Week}, Step{hourlyTab(type), ArchiveRange::Day}}) {
                read(*w, s.tab, s.item);
                const ArhTab &tab = typeInfo(type)->arhTabs[s.tab];
                EXPECT_TRUE(status(*w).startsWith("архив прочитан от ")) << type << " " << qPrintable(status(*w));
                EXPECT_EQ(w->findChild<QTabBar *>("TCa")->tabText(s.tab), tab.caption);
                QTableWidget *g = sga(*w);
                // The header rows are the module's, in its column order.
                QStringList head;
                for (int k : codec.columnMap(tab.kind))
                    head << codec.headerRow(1).value(qAbs(k) - 1);
                EXPECT_EQ(row(g, 0), head) << type << " tab " << s.tab;
                const int records = int(codec.readRecords(tab.kind).size());
                EXPECT_EQ(g->rowCount(), 2 + records) << type << " tab " << s.tab;
                EXPECT_GE(records, tab.daily() ? 7 : 24) << type;
                EXPECT_TRUE(w->commands().action("AArhPrint")->isEnabled());
                EXPECT_TRUE(w->commands().action("Asavearh")->isEnabled());
                EXPECT_FALSE(w->commands().action("AstopArhRead")->isEnabled());
            }
            Q_UNUSED(today);
        });
    }
}

TEST(ArchiveWindow, RowsArriveAsTheyAreReadAndStopKeepsThem)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 77)) << qPrintable(sim.error());
    auto w = windowOn(sim);
    QTableWidget *g = sga(*w);
    auto *page = w->findChild<ArchivePage *>("TSa");
    int inserted = 0, removedWhileReading = 0, shownWhileReading = 0;
    QObject::connect(g->model(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int first, int last) {
        if (!page->reading())
            return;
        inserted += last - first + 1;
        shownWhileReading = g->rowCount() - 2;
        // "стоп" once a dozen records are on show.
        if (shownWhileReading >= 12)
            w->commands().action("AstopArhRead")->trigger();
    });
    QObject::connect(g->model(), &QAbstractItemModel::rowsRemoved, [&](const QModelIndex &, int first, int) {
        // Only the rows of the view before the read go, once.
        if (page->reading() && first >= 2 && inserted > 0)
            ++removedWhileReading;
    });
    read(*w, 0, ArchiveRange::WholeArchive);
    EXPECT_FALSE(page->reading());
    const int records = int(w->session().module()->arh()->readRecords(0).size());
    // Rows came while the read went on, appended, one per record read so far.
    EXPECT_GE(shownWhileReading, 12);
    EXPECT_EQ(inserted, shownWhileReading);
    EXPECT_EQ(removedWhileReading, 0); // never rebuilt per record
    // The stop came long before the ring's 4,401 records, and kept them.
    EXPECT_LT(records, 4401);
    EXPECT_GE(records, shownWhileReading);
    EXPECT_FALSE(status(*w).startsWith("архив прочитан")) << qPrintable(status(*w));
    EXPECT_EQ(g->rowCount(), 2 + records);
    EXPECT_FALSE(w->commands().action("AstopArhRead")->isEnabled());
    EXPECT_TRUE(w->commands().action("AreadArh")->isEnabled());

    // Live display off: no row before the read ends.
    w->findChild<QCheckBox *>("EnUpdate")->setChecked(false);
    inserted = 0;
    read(*w, 0, ArchiveRange::Week);
    EXPECT_EQ(inserted, 0);
    EXPECT_GE(g->rowCount(), 2 + 7);
}

// SIGTERM or SIGINT in the middle of a long read: the read stops, the loop
// returns and the settings are stored, as at a closed window.
TEST(ArchiveWindow, TerminationSignalDuringAReadEndsItAndSavesTheSettings)
{
    uitest::UiEnv env;
    ASSERT_TRUE(ui::quitOnTermination(*qApp));
    for (int sig : {SIGTERM, SIGINT}) {
        uitest::PimSim sim;
        ASSERT_TRUE(sim.start(238, 77)) << qPrintable(sim.error());
        auto w = windowOn(sim);
        w->findChild<QSpinBox *>("SEfire")->setValue(sig == SIGTERM ? 33 : 44);
        auto *page = w->findChild<ArchivePage *>("TSa");
        QTableWidget *g = sga(*w);
        bool raised = false;
        QObject::connect(g->model(), &QAbstractItemModel::rowsInserted, [&] {
            if (page->reading() && !raised && g->rowCount() - 2 >= 12) {
                raised = true;
                ::raise(sig);
            }
        });
        QTimer::singleShot(0, [&] { read(*w, 0, ArchiveRange::WholeArchive); });
        EXPECT_EQ(qApp->exec(), 0);
        EXPECT_TRUE(raised);
        EXPECT_FALSE(page->reading());
        EXPECT_LT(w->session().module()->arh()->readRecords(0).size(), 4401);
        QList<SettingsEntry> entries;
        ASSERT_TRUE(SettingsFile::load(SettingsFile::defaultPath(), entries));
        QString fire;
        for (const SettingsEntry &e : entries)
            if (e.name == "SEfire")
                fire = e.value;
        EXPECT_EQ(fire, sig == SIGTERM ? "33" : "44");
        // The waits are whole again for whatever runs next.
        EXPECT_FALSE(w->engine().waiter().interrupted());
    }
}

TEST(ArchiveWindow, DifferenceTabEndsWithTotalsAndAnEmptyRangeHasNone)
{
    pimtest::onOneDay([](const QDate &today) {
        uitest::UiEnv env;
        uitest::PimSim sim;
        ASSERT_TRUE(sim.start(229, 5)) << qPrintable(sim.error());
        auto w = windowOn(sim);
        QTableWidget *g = sga(*w);
        // Before any read: the header rows and "нет данных", nothing to print.
        w->findChild<QTabBar *>("TCa")->setCurrentIndex(1);
        ASSERT_EQ(g->rowCount(), 3);
        EXPECT_TRUE(row(g, 2).contains("нет данных"));
        EXPECT_FALSE(w->commands().action("AArhPrint")->isEnabled());

        read(*w, 1, ArchiveRange::Week);
        ASSERT_GT(g->rowCount(), 4);
        EXPECT_TRUE(row(g, g->rowCount() - 1).first().startsWith("ИТОГО")) << qPrintable(row(g, g->rowCount() - 1).join('|'));
        EXPECT_TRUE(w->commands().action("AArhPrint")->isEnabled());

        // A range with nothing read in it: no totals line, no crash.
        auto *begin = w->findChild<QDateEdit *>("DTPb");
        auto *end = w->findChild<QDateEdit *>("DTPe");
        end->setDate(today.addYears(-3));
        begin->setDate(today.addYears(-3).addDays(-5));
        ASSERT_EQ(g->rowCount(), 3);
        EXPECT_TRUE(row(g, 2).contains("нет данных"));
        EXPECT_FALSE(w->commands().action("AArhPrint")->isEnabled());

        // "ОТ" double clicked: the whole read archive comes back.
        QTest::mouseDClick(w->findChild<QLabel *>("Lot"), Qt::LeftButton);
        EXPECT_EQ(end->date(), today);
        EXPECT_GT(g->rowCount(), 4);
    });
}

TEST(ArchiveWindow, PrecisionReformatsGridAndStateAndWidthsNeverShrink)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 9)) << qPrintable(sim.error());
    auto w = windowOn(sim);
    w->commands().action("Areadstate")->trigger();
    read(*w, 0, ArchiveRange::Week);
    QTableWidget *g = sga(*w);
    ASSERT_GT(g->rowCount(), 3);
    // A real value cell with two decimals.
    int col = -1;
    for (int c = 0; c < g->columnCount() && col < 0; ++c)
        if (g->item(2, c)->text().contains(QRegularExpression("^-?\\d+\\.\\d\\d$")))
            col = c;
    ASSERT_GE(col, 0);
    QList<int> widths;
    for (int c = 0; c < g->columnCount(); ++c)
        widths << g->columnWidth(c);
    auto realFields = [&] {
        int n = 0;
        for (QLineEdit *f : w->devicePage()->valueFields())
            if (f->text().contains(QRegularExpression("^-?\\d+\\.\\d{4}$")))
                ++n;
        return n;
    };
    EXPECT_EQ(realFields(), 0);

    w->findChild<QSpinBox *>("SEprec")->setValue(4);
    EXPECT_TRUE(g->item(2, col)->text().contains(QRegularExpression("^-?\\d+\\.\\d{4}$"))) << qPrintable(g->item(2, col)->text());
    EXPECT_GT(realFields(), 0);

    // Fewer and shorter rows: no column gets narrower.
    w->findChild<QSpinBox *>("SEprec")->setValue(2);
    w->findChild<RadioGroup *>("RGdtp")->setItemIndex(ArchiveRange::Day);
    for (int c = 0; c < widths.size(); ++c)
        EXPECT_GE(g->columnWidth(c), widths[c]) << c;

    // "Bint" steps the print spacing and shows it.
    auto *bint = w->findChild<QPushButton *>("Bint");
    QStringList captions;
    for (int i = 0; i < 4; ++i) {
        bint->click();
        captions << bint->text();
    }
    EXPECT_EQ(captions, (QStringList{"1", "2", "-1", "0"}));
}

TEST(ArchiveWindow, SavedArchiveLoadsBackAndShortFilesShowNoData)
{
    pimtest::onOneDay([](const QDate &) {
        uitest::UiEnv env;
        uitest::PimSim sim;
        ASSERT_TRUE(sim.start(236, 123)) << qPrintable(sim.error());
        auto w = windowOn(sim);
        // The second system's daily tab.
        const QList<ArhTab> &tabs = typeInfo(236)->arhTabs;
        int tab2 = -1;
        for (int i = 0; i < tabs.size() && tab2 < 0; ++i)
            if (tabs[i].system == 2 && tabs[i].kind == 0)
                tab2 = i;
        ASSERT_GE(tab2, 0);
        read(*w, tab2, ArchiveRange::Week);
        QTableWidget *g = sga(*w);
        const int rows = g->rowCount();
        ASSERT_GT(rows, 3);

        const QString path = env.folder() + "/a.Arh";
        {
            Chooser c(path);
            w->commands().action("Asavearh")->trigger();
            ASSERT_EQ(c.asked.size(), 1);
            // Proposed in the device folder, named after the tab and range.
            EXPECT_TRUE(c.asked[0].contains("/ДАННЫЕ/АРХИВЫ/" + ModelName(236) + "/00123/")) << qPrintable(c.asked[0]);
            EXPECT_TRUE(c.asked[0].endsWith(".Arh"));
        }
        QByteArray bytes;
        ASSERT_TRUE(readFileBytes(path, bytes));
        EXPECT_EQ(bytes.size(), (rows - 2) * 232);
        // The companion text is the grid as shown.
        QByteArray txt;
        ASSERT_TRUE(readFileBytes(env.folder() + "/a.txt", txt));
        EXPECT_EQ(txt.count("\r\n"), rows);

        // Loaded back: the file's records, on the state grid of the first page.
        auto *sgsp = w->findChild<QTableWidget *>("sgsp");
        {
            Chooser c(path);
            w->commands().action("AreadFileArh")->trigger();
        }
        EXPECT_TRUE(status(*w).endsWith(" - прочитан")) << qPrintable(status(*w));
        EXPECT_EQ(w->findChild<QTabWidget *>("PCW")->currentIndex(), 0);
        EXPECT_TRUE(sgsp->isVisible() || sgsp->isVisibleTo(w->devicePage()));
        EXPECT_EQ(sgsp->rowCount(), rows);
        // The second system's values came back as the file's own records.
        EXPECT_EQ(sgsp->item(2, 0)->text(), g->item(2, 0)->text());
        EXPECT_TRUE(w->commands().action("AArhPrint")->isEnabled());
        w->commands().action("AreadFileArh")->trigger(); // off

        // A file of 0 bytes and one shorter than a record: headers and "нет данных".
        for (int size : {0, 100}) {
            const QString shortFile = env.folder() + QString("/short%1.Arh").arg(size);
            ASSERT_TRUE(writeFileAtomic(shortFile, QByteArray(size, '\x01')));
            Chooser c(shortFile);
            w->commands().action("AreadFileArh")->trigger();
            EXPECT_EQ(sgsp->rowCount(), 3) << size;
            EXPECT_TRUE(row(sgsp, 2).contains("нет данных")) << size;
            EXPECT_FALSE(w->commands().action("AArhPrint")->isEnabled()) << size;
            w->commands().action("AreadFileArh")->trigger(); // off
        }
        // A cancelled open dialog switches the toggle back off.
        {
            Chooser c{QString()};
            w->commands().action("AreadFileArh")->trigger();
            EXPECT_FALSE(w->commands().action("AreadFileArh")->isChecked());
        }
    });
}

TEST(ArchiveWindow, NothingHappensWithoutARecordOrAType)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    auto *begin = w->findChild<QDateEdit *>("DTPb");
    auto *end = w->findChild<QDateEdit *>("DTPe");
    const QDate b = begin->date(), e = end->date();
    QTest::mouseDClick(w->findChild<QLabel *>("Ldo"), Qt::LeftButton);
    EXPECT_EQ(begin->date(), b);
    EXPECT_EQ(end->date(), e);

    // An error cell with no served type identified: the mismatch, nothing stored.
    QTableWidget *g = sga(*w);
    g->setRowCount(3);
    g->setColumnCount(1);
    g->setItem(0, 0, new QTableWidgetItem(""));
    g->setItem(1, 0, new QTableWidgetItem("уст-ва"));
    g->setItem(2, 0, new QTableWidgetItem("5"));
    w->findChild<ArchivePage *>("TSa")->gridDoubleClick(2, 0);
    EXPECT_EQ(w->lastMessage(), "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    EXPECT_EQ(w->session().type(), -1);
}

TEST(ArchiveWindow, PlotFollowsTheRangeAndTheTabAndSavesAPicture)
{
    pimtest::onOneDay([](const QDate &) {
        uitest::UiEnv env;
        uitest::PimSim sim;
        ASSERT_TRUE(sim.start(238, 1)) << qPrintable(sim.error());
        auto w = windowOn(sim);
        read(*w, 0, ArchiveRange::Week);
        w->findChild<QPushButton *>("BPlot")->click();
        auto *plot = w->findChild<ArchivePlotWidget *>("PPlot");
        ASSERT_TRUE(plot->isVisibleTo(w.get()));
        QTableWidget *g = sga(*w);
        EXPECT_EQ(plot->plot().x.size(), g->rowCount() - 2);
        ASSERT_EQ(plot->plot().panels.size(), 3); // heat, volumes, temperatures
        EXPECT_EQ(plot->plot().panels[2].series.size(), 3);
        // Oldest first, one day apart, nothing broken.
        for (int i = 1; i < plot->plot().x.size(); ++i) {
            EXPECT_EQ(plot->plot().x[i] - plot->plot().x[i - 1], 24) << i;
            EXPECT_FALSE(plot->plot().breakBefore[i]) << i;
        }

        // A shorter range: fewer points, the same as the grid's rows.
        w->findChild<RadioGroup *>("RGdtp")->setItemIndex(ArchiveRange::Day);
        EXPECT_EQ(plot->plot().x.size(), g->rowCount() - 2);
        EXPECT_EQ(plot->plot().x.size(), 2);
        // The difference tab: its totals are no point of the plot.
        w->findChild<QTabBar *>("TCa")->setCurrentIndex(1);
        EXPECT_EQ(plot->plot().x.size(), g->rowCount() - 3);

        const QString path = env.folder() + "/plot.png";
        {
            Chooser c(path);
            w->findChild<QPushButton *>("BSavePlot")->click();
        }
        QImage image;
        ASSERT_TRUE(image.load(path));
        EXPECT_GE(image.width(), 200);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8); // not blank: axes, text and coloured lines
    });
}

TEST(ArchiveWindow, AFileReadIsPlottedAtOnceAndStaysInViewOnThePage)
{
    pimtest::onOneDay([](const QDate &) {
        uitest::UiEnv env;
        uitest::PimSim sim;
        ASSERT_TRUE(sim.start(225, 7)) << qPrintable(sim.error());
        auto w = windowOn(sim);
        read(*w, 0, ArchiveRange::Week);
        w->findChild<QPushButton *>("BPlot")->click();
        auto *plot = w->findChild<ArchivePlotWidget *>("PPlot");
        const int rows = sga(*w)->rowCount();
        ASSERT_GT(rows, 3);
        // The temperatures in degrees, as the grid shows them.
        ASSERT_EQ(plot->plot().panels.size(), 3);
        for (const PlotSeries &t : plot->plot().panels[2].series)
            for (double v : t.values)
                EXPECT_LT(v, 150) << qPrintable(t.name);

        const QString path = env.folder() + "/a.Arh";
        {
            Chooser c(path);
            w->commands().action("Asavearh")->trigger();
        }
        // Another range in view, then the file: the plot is the file's at once.
        w->findChild<RadioGroup *>("RGdtp")->setItemIndex(ArchiveRange::Day);
        ASSERT_NE(plot->plot().x.size(), rows - 2);
        {
            Chooser c(path);
            w->commands().action("AreadFileArh")->trigger();
        }
        EXPECT_TRUE(plot->plot().title.startsWith("Файл: a.Arh")) << qPrintable(plot->plot().title);
        EXPECT_EQ(plot->plot().x.size(), rows - 2);
        EXPECT_FALSE(plot->plot().hourly);
        // The page shown while the file is in view: its grid and plot stay.
        w->findChild<QTabWidget *>("PCW")->setCurrentIndex(1);
        EXPECT_EQ(sga(*w)->rowCount(), rows);
        EXPECT_TRUE(plot->plot().title.startsWith("Файл: ")) << qPrintable(plot->plot().title);
        // Another tab asks for the device's archive again.
        w->findChild<QTabBar *>("TCa")->setCurrentIndex(1);
        EXPECT_FALSE(plot->plot().title.startsWith("Файл: ")) << qPrintable(plot->plot().title);
    });
}

TEST(ArchiveWindow, ShowingThePageSaysThePortOrTheDevice)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 12)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    auto *pcw = w->findChild<QTabWidget *>("PCW");
    for (int page : {1, 3}) {
        SCOPED_TRACE(page);
        pcw->setCurrentIndex(0);
        pcw->setCurrentIndex(page);
        const QString link = w->findChild<QComboBox *>("cbC")->currentText() + ": "
            + w->findChild<QLabel *>("LPState")->text();
        EXPECT_TRUE(status(*w).endsWith(link)) << qPrintable(status(*w)) << " / " << qPrintable(link);
    }
    w->commands().action("AreadNoTu")->trigger();
    for (int page : {1, 3}) {
        SCOPED_TRACE(page);
        pcw->setCurrentIndex(0);
        pcw->setCurrentIndex(page);
        EXPECT_TRUE(status(*w).endsWith("На связи")) << qPrintable(status(*w));
    }
}

TEST(ArchivePlot, MissingDaysBreakTheLineAndAnEmptyViewSaysNoData)
{
    uitest::UiEnv env;
    DeviceModule module(ModuleId::U38);
    ArhCodec &codec = *module.arh();
    // Days 100, 99, 97, 96 (98 missing), newest first as read.
    for (int day : {100, 99, 97, 96}) {
        ArhRec r = codec.emptyRecord();
        codec.setValue(r, 0, ArhField::Date, day);
        codec.setValue(r, 0, ArhField::Heat, day * 2.0);
        codec.setValue(r, 0, ArhField::TSupply, 70);
        codec.readRecords(0).append(r);
    }
    codec.BuildArh(0, QDate(), QDate(), true);
    const PlotData d = ArchivePlot::fromDisplayed(codec, 0, 0, "t");
    EXPECT_EQ(d.x, (QList<qint64>{96 * 24, 97 * 24, 99 * 24, 100 * 24}));
    EXPECT_EQ(d.breakBefore, (QList<bool>{false, false, true, false}));
    ASSERT_FALSE(d.panels.isEmpty());
    EXPECT_EQ(d.panels[0].series[0].values, (QList<double>{192, 194, 198, 200}));
    // Volumes never counted: their panel is left out.
    for (const PlotPanel &p : d.panels)
        EXPECT_NE(p.title, "объемы, м3");

    DeviceModule none(ModuleId::U38);
    const PlotData empty = ArchivePlot::fromDisplayed(*none.arh(), 1, 0, "t");
    EXPECT_TRUE(empty.empty());
    const QString path = env.folder() + "/empty.png";
    ASSERT_TRUE(ArchivePlot::savePng(empty, path, QSize(300, 200)));
    QImage image;
    ASSERT_TRUE(image.load(path));
    EXPECT_EQ(image.size(), QSize(300, 200));
    // A "folder" that is a file: false with a reason, nothing else.
    QString error;
    EXPECT_FALSE(ArchivePlot::savePng(d, path + "/p.png", QSize(300, 200), &error));
    EXPECT_FALSE(error.isEmpty());
}
