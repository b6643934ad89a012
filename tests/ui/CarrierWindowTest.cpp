// The carrier window and the import: carrier files pimsim wrote, listed,
// renamed, copied, and imported through the archive reader onto the page
// "АРХИВЫ"; files that are no carrier archive change nothing.

#include "UiSupport.h"

#include "carrier/MiraFiles.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "ui/CommandMap.h"
#include "ui/MainWindow.h"
#include "ui/MiraWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {

QString status(MainWindow &w)
{
    return w.findChild<QLabel *>("LuState")->text();
}

QTreeWidgetItem *itemNamed(MiraWindow &m, const QString &name)
{
    QTreeWidget *lvc = m.findChild<QTreeWidget *>("LVc");
    for (int i = 0; i < lvc->topLevelItemCount(); ++i)
        if (lvc->topLevelItem(i)->text(0) == name)
            return lvc->topLevelItem(i);
    return nullptr;
}

// Runs "МИРА" with the carrier window answered by `inWindow` (it closes it).
void import(MainWindow &w, const std::function<void(MiraWindow &)> &inWindow)
{
    QTimer::singleShot(0, &w, [&w, inWindow] {
        MiraWindow *m = w.findChild<MiraWindow *>();
        ASSERT_NE(m, nullptr);
        inWindow(*m);
        if (m->isVisible())
            m->reject();
    });
    w.commands().action("AGetDataLogger")->trigger();
}

struct Hooks {
    Hooks()
    {
        MiraWindow::setMessageHook([this](const QString &t) { messages << t; });
        MiraWindow::setReplaceHook([this](const QString &) { return replace; });
    }
    ~Hooks()
    {
        MiraWindow::setMessageHook({});
        MiraWindow::setReplaceHook({});
        MainWindow::setCarrierFileChooser({});
    }
    QStringList messages;
    bool replace = false;
};

} // namespace

// A daily 229 file and an hourly 234 file (its ring wrapped) picked in the
// window are read whole and shown on the archive page, on the tab of their
// kind, printable; the replay ends with the import.
TEST(CarrierWindow, ImportShowsTheFileOnTheArchivePage)
{
    struct Case {
        int type;
        const char *file;
        int records;
    };
    for (const Case c : {Case{229, "ARH00321D.229", 62}, Case{234, "ARH00321H.234", 1081}}) {
        SCOPED_TRACE(c.file);
        uitest::UiEnv env;
        Hooks hooks;
        const QString dir = env.folder() + QStringLiteral("/носилка, 1");
        uitest::PimSim sim;
        ASSERT_TRUE(sim.start(c.type, 321, {"--clock", "2026-03-10 12:30", "--clock-stopped", "--carrier", dir}))
            << qPrintable(sim.error());
        auto w = uitest::preparedWindow();
        import(*w, [&](MiraWindow &m) {
            m.showFolder(dir);
            QTreeWidgetItem *item = itemNamed(m, QString::fromLatin1(c.file));
            ASSERT_NE(item, nullptr);
            m.findChild<QTreeWidget *>("LVc")->setCurrentItem(item);
            m.AfileDLOpenExecute();
        });
        const QString path = QDir(dir).filePath(QString::fromLatin1(c.file));
        // The success text, after the device prefix of the status line.
        EXPECT_TRUE(status(*w).endsWith(QStringLiteral("архив из файла: ") + path + QStringLiteral(" - прочитан")))
            << qPrintable(status(*w));
        EXPECT_EQ(w->session().type(), c.type);
        EXPECT_EQ(w->session().number(), 321);
        EXPECT_EQ(w->findChild<QTabWidget *>("PCW")->currentIndex(), 1);
        const bool daily = QString::fromLatin1(c.file).contains('D');
        const int tab = w->findChild<QTabBar *>("TCa")->currentIndex();
        EXPECT_EQ(typeInfo(c.type)->arhTabs[tab].kind, daily ? 0 : 2);
        const int kind = daily ? 0 : 2;
        EXPECT_EQ(w->session().module()->arh()->readRecords(kind).size(), c.records);
        EXPECT_EQ(w->findChild<QTableWidget *>("SGa")->rowCount(), 2 + c.records);
        EXPECT_TRUE(w->commands().action("AArhPrint")->isEnabled());
        EXPECT_FALSE(w->engine().ReplayMode());
    }
}

// "открыть файл" without a selected item asks for the file; a file that is
// no carrier archive is refused and nothing else changes; a cancelled
// question changes nothing either.
TEST(CarrierWindow, OpenWithoutSelectionAsksAndForeignFilesChangeNothing)
{
    uitest::UiEnv env;
    Hooks hooks;
    const QString junk = env.folder() + QStringLiteral("/junk.229");
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not an archive");
    f.close();
    auto w = uitest::preparedWindow();
    const int page = w->findChild<QTabWidget *>("PCW")->currentIndex();
    QStringList asked;
    for (const QString &answer : {junk, QString()}) {
        MainWindow::setCarrierFileChooser([&](const QString &folder, const QString &) {
            asked << folder;
            return answer;
        });
        const QString before = status(*w);
        import(*w, [](MiraWindow &m) { m.AfileDLOpenExecute(); });
        EXPECT_EQ(status(*w), answer.isEmpty() ? before : QStringLiteral("файл: ") + junk + QStringLiteral(" - не опознан как архивный"));
        EXPECT_EQ(w->session().type(), -1);
        EXPECT_EQ(w->findChild<QTabWidget *>("PCW")->currentIndex(), page);
        EXPECT_FALSE(w->engine().ReplayMode());
    }
    EXPECT_EQ(asked, QStringList(2, mira::programFolder()));
}

// The list, the proposal and the copy as the operator sees them.
TEST(CarrierWindow, ListProposeAndCopy)
{
    uitest::UiEnv env;
    Hooks hooks;
    MiraWindow m;
    QTreeWidget *lvc = m.findChild<QTreeWidget *>("LVc");
    QLabel *laind = m.findChild<QLabel *>("LAind");
    QAction *copy = m.findChild<QAction *>("AMIRACopy");
    QAction *open = m.findChild<QAction *>("AfileDLOpen");

    const QString empty = env.folder() + QStringLiteral("/пусто");
    QDir().mkpath(empty);
    m.showFolder(empty);
    ASSERT_EQ(lvc->topLevelItemCount(), 1);
    EXPECT_EQ(lvc->topLevelItem(0)->text(0), MiraWindow::notFoundText());
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_FALSE(open->isEnabled());

    const QString dir = env.folder() + QStringLiteral("/носилка, 2");
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(229, 22, {"--clock", "2026-03-10 12:30", "--clock-stopped", "--carrier", dir}))
        << qPrintable(sim.error());
    QFile::rename(dir + QStringLiteral("/ARH00022D.229"), dir + QStringLiteral("/arh00022d.229"));
    m.showFolder(dir);
    ASSERT_EQ(lvc->topLevelItemCount(), 2);
    EXPECT_EQ(lvc->topLevelItem(0)->text(0), QStringLiteral("arh00022d.229"));
    EXPECT_EQ(lvc->topLevelItem(1)->text(1), QStringLiteral("\"ПИМ-229\",\"№ 22\",\"архив=ЧАСОВОЙ\""));
    EXPECT_TRUE(copy->isEnabled());

    copy->trigger();
    EXPECT_EQ(laind->text(), QStringLiteral("нет файлов для копирования. Поставте галочки в списке"));
    EXPECT_TRUE(hooks.messages.isEmpty());

    QTreeWidgetItem *hourly = lvc->topLevelItem(1);
    hourly->setCheckState(0, Qt::Checked);
    m.LVcClick(hourly);
    const QStringList lines = m.findChild<QTextEdit *>("REName")->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], mira::proposalHead());
    EXPECT_EQ(lines[1], mira::untickedLine());
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("...") + QDir::separator() + QStringLiteral("ПИМ-229")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("_ARH00022H.229")));

    copy->trigger();
    const QList<mira::CopyPair> pairs = mira::copyPairs(m.shownFolder(), {"arh00022d.229", "ARH00022H.229"},
                                                        {false, true}, lines);
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_TRUE(QFile::exists(pairs[0].destination));
    copy->trigger(); // the file is there now: the operator keeps it
    EXPECT_EQ(hooks.messages, (QStringList{"Операция успешно завершена", "Выполнение операции прервано пользователем"}));

    // The window keeps its folder in a settings file of its own.
    m.AfileDLOpenExecute();
    EXPECT_TRUE(QFile::exists(MiraWindow::settingsPath()));
    EXPECT_NE(QFileInfo(MiraWindow::settingsPath()).fileName().toLower(), QStringLiteral("память.mem"));
    MiraWindow again;
    EXPECT_EQ(again.shownFolder(), m.shownFolder());
}

// A carrier file with a good name but no record, or only erased memory,
// is refused with what it holds: never "прочитан".
TEST(CarrierWindow, FileWithoutRecordsIsNotReportedRead)
{
    struct Case {
        const char *what;
        QByteArray content;
        const char *says;
    };
    const Case cases[] = {
        {"no record", QByteArray("\x01\x00", 2), nullptr},
        {"erased", QByteArray("\x01\x00", 2) + QByteArray(62 * 160, '\xFF'), " - нет ни одной записи прибора"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        uitest::UiEnv env;
        Hooks hooks;
        const QString path = env.folder() + QStringLiteral("/ARH00005D.229");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        auto w = uitest::preparedWindow();
        MainWindow::setCarrierFileChooser([&](const QString &, const QString &) { return path; });
        import(*w, [](MiraWindow &m) { m.AfileDLOpenExecute(); });
        EXPECT_EQ(w->session().type(), 229);
        EXPECT_FALSE(status(*w).contains(QStringLiteral("прочитан"))) << qPrintable(status(*w));
        if (c.says)
            EXPECT_TRUE(status(*w).endsWith(QString::fromUtf8(c.says))) << qPrintable(status(*w));
        EXPECT_FALSE(w->commands().action("AArhPrint")->isEnabled());
        EXPECT_FALSE(w->engine().ReplayMode());
    }
}
