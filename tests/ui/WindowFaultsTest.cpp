// Faults found by using the window: menus that never opened, a refused
// click that put the state toggle out of step, an empty configuration page,
// a clipped polling panel, a window too wide for a small screen, and files
// that could not be written without the operator learning which, and a
// serial port that went away under the window.

#include "UiSupport.h"

#include "devices/Registry.h"
#include "links/CommPortDriver.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "ui/ArchivePage.h"
#include "ui/CalibrationPage.h"
#include "ui/CommandMap.h"
#include "ui/DevicePage.h"
#include "ui/MainWindow.h"
#include "workflows/StatusLine.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {
QString luState(MainWindow &w)
{
    return w.findChild<QLabel *>("LuState")->text();
}

// A right click on `target` as the toolkit delivers it.
void rightClick(QWidget *target)
{
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(target, &e);
}
} // namespace

TEST(WindowMenus, EachPopUpMenuOpensWithItsCommandsAsTheMapEnablesThem)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->show();
    struct Case {
        const char *menu;
        QWidget *target; // where the operator clicks
    } cases[] = {
        {"PMr", w->findChild<QWidget *>("POi")},
        {"PMa", w->findChild<QTableWidget *>("SGa")->viewport()},
        {"PMk", w->findChild<QWidget *>("Pcal")},
    };
    QTabWidget *pcw = w->findChild<QTabWidget *>("PCW");
    for (const Case &c : cases) {
        ASSERT_NE(c.target, nullptr) << c.menu;
        auto *menu = w->findChild<QMenu *>(c.menu);
        ASSERT_NE(menu, nullptr) << c.menu;
        // The page of the widget is the one shown, as when the operator
        // clicks on it.
        for (int i = 0; i < pcw->count(); ++i)
            if (pcw->widget(i)->isAncestorOf(c.target))
                pcw->setCurrentIndex(i);
        ASSERT_TRUE(c.target->isVisible()) << c.menu;
        rightClick(c.target);
        EXPECT_TRUE(menu->isVisible()) << c.menu;
        QStringList names;
        for (QAction *a : menu->actions()) {
            // A page's own items (the archive grid's export) follow the commands.
            if (!w->commands().action(a->objectName()))
                continue;
            names << a->objectName();
            EXPECT_EQ(a->isEnabled(), w->commands().action(a->objectName())->isEnabled())
                << c.menu << " " << a->objectName().toStdString();
        }
        EXPECT_EQ(names, CommandMap::menuItems(c.menu)) << c.menu;
        EXPECT_TRUE(menu->isEnabled()) << c.menu;
        menu->hide();
    }
    // The calibration menu reaches the identity command, which is enabled.
    auto *pmk = w->findChild<QMenu *>("PMk");
    EXPECT_TRUE(w->commands().action("AreadParam")->isEnabled() == pmk->actions().last()->isEnabled());
}

TEST(WindowState, ARefusedSecondClickLeavesTheToggleAndTheDisplayInStep)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->commands().action("Aimit")->trigger();
    QAction *state = w->commands().action("Areadstate");
    QString refusal;
    // The second click comes while the first reading waits for its reply.
    QTimer::singleShot(0, w.get(), [&] {
        state->trigger();
        refusal = luState(*w);
        EXPECT_TRUE(state->isChecked());
    });
    state->trigger();
    EXPECT_EQ(refusal, linkBusyText());
    EXPECT_TRUE(state->isChecked());
    EXPECT_FALSE(w->devicePage()->valueFields().isEmpty());
    EXPECT_TRUE(w->findChild<QWidget *>("PAcSt")->isVisibleTo(w.get()));
    EXPECT_EQ(luState(*w), ModelName(128) + " № 20560: Cостояние прочитано успешно");

    // A plain second click switches it off, as before.
    state->trigger();
    EXPECT_FALSE(state->isChecked());
    EXPECT_TRUE(w->devicePage()->valueFields().isEmpty());
}

TEST(WindowPages, TheConfigurationPageBeforeAReadingSaysWhyItIsEmpty)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(2);
    EXPECT_EQ(luState(*w), "страница недоступна, пока конфигурация не прочитана");
    EXPECT_EQ(w->statusLine().label(StatusLabel::LuState).kind, StatusKind::Busy);
    EXPECT_FALSE(w->commands().action("ASetPar")->isEnabled());
    EXPECT_FALSE(w->commands().action("ASaveDateTime")->isEnabled());
}

TEST(WindowPages, ThePollingPanelIsWholeAfterAFailedFirstReading)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->show();
    uitest::choosePort(*w, "/nonexistent/ttyPIM");
    w->commands().action("Areadstate")->trigger();
    EXPECT_EQ(luState(*w), "НЕТ СВЯЗИ");
    auto *pacst = w->findChild<QWidget *>("PAcSt");
    auto *poi = w->findChild<QWidget *>("POi");
    ASSERT_TRUE(pacst->isVisibleTo(w.get()));
    EXPECT_GE(pacst->width(), pacst->sizeHint().width());
    EXPECT_GE(pacst->height(), pacst->sizeHint().height());
    EXPECT_TRUE(poi->rect().contains(pacst->geometry())) << poi->width() << "x" << poi->height();
}

TEST(WindowPages, TheWindowFitsASmallScreen)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->show();
    w->commands().action("Aimit")->trigger();
    w->commands().action("Areadstate")->trigger();
    ASSERT_FALSE(w->devicePage()->valueFields().isEmpty());
    const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
    EXPECT_LE(least.width(), 1024);
    EXPECT_LE(least.height(), 768);
    w->resize(1024, 768);
    QApplication::processEvents();
    EXPECT_EQ(w->width(), 1024);
    EXPECT_EQ(w->height(), 768);
    // Every page can show all of itself: what does not fit scrolls.
    QTabWidget *pcw = w->findChild<QTabWidget *>("PCW");
    for (int i = 0; i < pcw->count(); ++i) {
        auto *area = qobject_cast<QScrollArea *>(pcw->widget(i));
        ASSERT_NE(area, nullptr) << i;
        EXPECT_TRUE(area->widgetResizable()) << i;
    }
}

TEST(WindowFiles, ASettingsFileThatCannotBeWrittenIsNamed)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    // The file's name is taken by a folder.
    const QString taken = env.folder() + "/taken/ПАМЯТЬ.mem";
    ASSERT_TRUE(QDir().mkpath(taken));
    w->setSettingsPath(taken);
    EXPECT_FALSE(w->SaveSettings());
    EXPECT_TRUE(w->lastMessage().contains(taken)) << w->lastMessage().toStdString();
    // Its folder cannot be made: the folder is a file.
    const QString blocker = env.folder() + "/blocked";
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    w->setSettingsPath(blocker + "/ПАМЯТЬ.mem");
    EXPECT_FALSE(w->SaveSettings());
    EXPECT_TRUE(w->lastMessage().startsWith("НЕ МОГУ СОЗДАТЬ ДИР")) << w->lastMessage().toStdString();
    EXPECT_TRUE(w->lastMessage().contains(blocker)) << w->lastMessage().toStdString();
}

TEST(WindowFiles, AStateDumpThatCannotBeWrittenIsNamedAndTheReadingStands)
{
    uitest::UiEnv env;
    const QString was = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(env.folder()));
    ASSERT_TRUE(QDir(env.folder()).mkdir("байты состояния"));
    {
        auto w = uitest::preparedWindow();
        w->commands().action("Aimit")->trigger();
        w->commands().action("Areadstate")->trigger();
        EXPECT_FALSE(w->devicePage()->valueFields().isEmpty());
        EXPECT_TRUE(w->lastMessage().contains("байты состояния")) << w->lastMessage().toStdString();
    }
    QDir::setCurrent(was);
}

TEST(WindowPort, APortThatVanishesIsClosedSaidSoAndLeftAlone)
{
    uitest::UiEnv env;
    auto sim = std::make_unique<uitest::PimSim>();
    ASSERT_TRUE(sim->start(238, 1234));
    auto w = uitest::preparedWindow();
    const QString port = sim->port();
    uitest::choosePort(*w, port);
    w->commands().action("AreadNoTu")->trigger();
    ASSERT_EQ(w->session().number(), 1234);
    // The simulator ends: the far end of the pseudo-terminal is gone.
    sim->stop();
    QAction *state = w->commands().action("Areadstate");
    state->trigger();
    TCommPortDriver &driver = w->engine().port();
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_TRUE(driver.lost());
    EXPECT_EQ(w->findChild<QLabel *>("LPState")->text(), "занят (отсутсвует)");
    EXPECT_EQ(w->statusLine().label(StatusLabel::LPState).kind, StatusKind::Fail);
    EXPECT_EQ(w->statusLine().label(StatusLabel::LuState).kind, StatusKind::Fail);
    // Nothing keeps writing to the dead port: neither the idle window nor
    // the next command.
    const quint64 writes = driver.writeCalls();
    QApplication::processEvents();
    state->trigger(); // off
    state->trigger(); // on again
    w->commands().action("AreadNoTu")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(driver.writeCalls(), writes);
    EXPECT_FALSE(driver.IsOpen());
}
