// The change log, periodic state reading and the state file in the window,
// against pimsim: "ЖУИ" fills "sgsp" and switches off without traffic,
// polling never overlaps a slow device and stays stopped after a failed
// reading, and the state file grows by one row per display and starts
// afresh with its header rows once deleted.

#include "UiSupport.h"

#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "ui/ArchivePage.h"
#include "ui/CommandMap.h"
#include "ui/ConfirmDialog.h"
#include "ui/DevicePage.h"
#include "ui/MainWindow.h"
#include "ui/StatePoller.h"
#include "base/TextFile.h"
#include "workflows/StatusLine.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {

QString status(MainWindow &w)
{
    return w.findChild<QLabel *>("LuState")->text();
}

QStringList lines(const QString &path)
{
    QStringList l;
    readLines(path, l);
    return l;
}

// Counts the state readings that ended well.
struct Readings {
    explicit Readings(MainWindow &w)
    {
        QObject::connect(&w.statusLine(), &StatusLine::labelChanged, &w, [this, &w](StatusLabel l) {
            const StatusLine::Label label = w.statusLine().label(l);
            if (l == StatusLabel::LuState && label.text != last) {
                last = label.text;
                ok += last.endsWith(QStringLiteral("Cостояние прочитано успешно")) ? 1 : 0;
                failed += last == QStringLiteral("НЕТ СВЯЗИ") ? 1 : 0;
            }
        });
    }
    QString last;
    int ok = 0;
    int failed = 0;
};

// The times of the requests (">") and replies ("<") of one command code in
// a pimsim transcript.
QList<std::pair<char, QDateTime>> exchanges(const QString &transcript, int code)
{
    QList<std::pair<char, QDateTime>> out;
    for (const QString &l : lines(transcript)) {
        const QStringList parts = l.split(' ', Qt::SkipEmptyParts);
        if (parts.size() < 8 || (parts[2] != ">" && parts[2] != "<") || parts[7].toInt(nullptr, 16) != code)
            continue;
        out.append({parts[2][0].toLatin1(),
                    QDateTime::fromString(parts[0] + ' ' + parts[1], "yyyy-MM-dd HH:mm:ss.zzz")});
    }
    return out;
}

} // namespace

TEST(ChangeLogWindow, ReadsIntoTheStateGridAndSwitchesOffWithoutTraffic)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(239, 41)) << qPrintable(sim.error());
    // Two changes written: a new device's slots are erased memory, no records.
    for (const char *day : {"отч день=5", "отч день=6"}) {
        const pimtest::CtlRun r = pimtest::pimctl({"--port", sim.port(), "write-config", "--set", day, "--yes"});
        ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    }
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->findChild<QCheckBox *>("CBgt")->click(); // the terminal memo shows the listing
    QAction *log = w->commands().action("AReadChang");
    EXPECT_FALSE(log->isEnabled());
    w->commands().action("AreadNoTu")->trigger();
    ASSERT_TRUE(log->isEnabled());
    QAction *state = w->commands().action("Areadstate");
    state->trigger();
    ASSERT_TRUE(state->isChecked());

    log->trigger();
    ASSERT_TRUE(log->isChecked());
    EXPECT_FALSE(state->isChecked()); // the state display gave up the grid
    EXPECT_TRUE(status(*w).startsWith(ModelName(239) + " № 41: Журнал учета изменений успешно прочитан"))
        << qPrintable(status(*w));
    auto *grid = w->findChild<QTableWidget *>("sgsp");
    ASSERT_TRUE(grid->isVisibleTo(w.get()));
    ASSERT_EQ(grid->columnCount(), 16);
    ASSERT_EQ(grid->rowCount(), 2 + 4); // two records, the 31 erased slots are no rows
    EXPECT_EQ(grid->item(0, 0)->text(), "блок,запись,№ сист");
    EXPECT_EQ(grid->item(1, 15)->text(), "исп 2-й t°C");
    EXPECT_TRUE(grid->item(2, 0)->text().startsWith("0 00 1 "));
    EXPECT_TRUE(grid->item(3, 0)->text().startsWith("0 00 2 ")); // one system, two rows all the same
    EXPECT_TRUE(grid->item(5, 0)->text().startsWith("0 01 2 "));
    auto *memo = w->findChild<QPlainTextEdit *>("Ma");
    EXPECT_TRUE(memo->toPlainText().contains("ЖУИ блок=2 запись=10"));

    // The system-type column is no error column: nothing to decode.
    const QString before = w->devicePage()->lastMessage();
    w->devicePage()->gridDoubleClick(2, 4);
    EXPECT_EQ(w->devicePage()->lastMessage(), before);

    const QString traffic = memo->toPlainText();
    log->trigger();
    EXPECT_FALSE(log->isChecked());
    EXPECT_FALSE(grid->isVisibleTo(w.get()));
    EXPECT_EQ(memo->toPlainText(), traffic);
}

TEST(ChangeLogWindow, PollingWaitsAPeriodAfterEachReadingOfASlowDevice)
{
    // Each reply takes 1.5 s, longer than the period of 1 s.
    uitest::UiEnv env;
    const QString transcript = QDir(env.folder()).filePath("t.txt");
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 7, {"--clock", "2026-03-04 10:20", "--delay", "1500", "--transcript", transcript}))
        << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->findChild<QSpinBox *>("SEfire")->setValue(1);
    Readings readings(*w);
    w->commands().action("Areadstate")->trigger();
    ASSERT_EQ(readings.ok, 1);
    w->findChild<QCheckBox *>("CBfire")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return readings.ok >= 4; }, 60000)) << readings.ok;
    w->findChild<QCheckBox *>("CBfire")->click();
    EXPECT_FALSE(w->devicePage()->poller()->timer()->isActive());
    sim.stop();

    const auto states = exchanges(transcript, 1);
    ASSERT_GE(states.size(), 8);
    for (int i = 0; i + 1 < states.size(); ++i) {
        // Request and reply alternate: no reading starts while one runs.
        EXPECT_EQ(states[i].first, i % 2 == 0 ? '>' : '<') << i;
        // A whole period lies between a reply and the next request.
        if (states[i].first == '<') {
            EXPECT_GE(states[i].second.msecsTo(states[i + 1].second), 1000) << i;
        }
    }
}

TEST(ChangeLogWindow, AFailedReadingLeavesPollingStopped)
{
    // Requests 1 and 2 (identity, the first reading) are answered, the
    // first polled reading's attempts are not.
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(229, 3, {"--clock", "2026-03-04 10:20", "--fault", "silence@3,4,5,6"}))
        << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->engine().port().setInputTimeout(200);
    Readings readings(*w);
    w->commands().action("Areadstate")->trigger();
    ASSERT_EQ(readings.ok, 1);
    auto *fire = w->findChild<QCheckBox *>("CBfire");
    fire->click();
    QTimer *tst = w->devicePage()->poller()->timer();
    EXPECT_TRUE(tst->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return readings.failed > 0; }, 30000));
    EXPECT_FALSE(tst->isActive());
    EXPECT_TRUE(fire->isChecked());
    EXPECT_EQ(readings.ok, 1);
}

TEST(ChangeLogWindow, TheStateFileGrowsByOneRowPerDisplayAndStartsAfreshOnceDeleted)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 12, {"--clock", "2026-03-04 10:20"})) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    auto *efst = w->findChild<QLineEdit *>("EFst");
    EXPECT_EQ(efst->text(), "СОСТОЯНИЕ.TXT");
    const QString file = QDir(env.folder()).filePath("СОСТОЯНИЕ.TXT"); // below the program folder
    w->commands().action("Areadstate")->trigger();
    EXPECT_FALSE(QFile::exists(file));

    auto *grid = w->findChild<QTableWidget *>("sgsp");
    w->findChild<QCheckBox *>("CBstinf")->click();
    ASSERT_EQ(lines(file).size(), 3);
    EXPECT_EQ(grid->rowCount(), 3);
    // The other system's values on a tab switch, one row each time.
    auto *tabs = w->findChild<QTabBar *>("TCSP");
    tabs->setCurrentIndex(1);
    tabs->setCurrentIndex(0);
    QStringList l = lines(file);
    ASSERT_EQ(l.size(), 5);
    EXPECT_NE(l[3], l[2]);
    EXPECT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(grid->item(4, 0)->text() + '\t', l[4].section('\t', 0, 0) + '\t');

    // Deleted after "ДА": the next display starts a new file.
    auto *dialog = w->confirmDialog();
    QTimer::singleShot(0, dialog, [dialog] { dialog->yesButton()->click(); });
    w->findChild<QPushButton *>("BitBtn3")->click();
    EXPECT_EQ(w->devicePage()->lastMessage(), "нет больше файла: СОСТОЯНИЕ.TXT");
    EXPECT_FALSE(QFile::exists(file));
    tabs->setCurrentIndex(1);
    l = lines(file);
    ASSERT_EQ(l.size(), 3);
    EXPECT_EQ(grid->rowCount(), 3);

    // A file that cannot be written is said on the status line and stays.
    const QString blocked = QDir(env.folder()).filePath("занято");
    ASSERT_TRUE(QDir().mkpath(blocked));
    efst->setText("занято");
    tabs->setCurrentIndex(0);
    EXPECT_EQ(w->statusLine().label(StatusLabel::LuState).kind, StatusKind::Fail);
    EXPECT_TRUE(status(*w).contains("занято")) << qPrintable(status(*w));
    EXPECT_EQ(lines(file).size(), 3);
}

TEST(ChangeLogWindow, AnArchiveErrorCellWithoutANumberShowsNothing)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->session().setIdentity(238, 1);
    auto *grid = w->findChild<QTableWidget *>("SGa");
    ASSERT_NE(grid, nullptr);
    grid->setRowCount(3);
    grid->setColumnCount(1);
    grid->setItem(0, 0, new QTableWidgetItem("Ошибка"));
    grid->setItem(1, 0, new QTableWidgetItem("уст-ва"));
    grid->setItem(2, 0, new QTableWidgetItem("нет данных"));
    auto *page = w->findChild<ArchivePage *>("TSa");
    page->gridDoubleClick(2, 0);
    EXPECT_EQ(w->lastMessage(), QString());
    grid->item(2, 0)->setText("2");
    page->gridDoubleClick(2, 0);
    EXPECT_EQ(w->lastMessage(), "Код=2:\n\rОшибка записи архива.\n\r");
}
