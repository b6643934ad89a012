// The modem and network pages in the window: the phone book kept in the
// program folder, a call through pimsim's modem with the device read over
// it, the question before another port is chosen during a call, the reply
// time-out the page borrows and gives back, and the network check.

#include "UiSupport.h"

#include "links/ExchangeEngine.h"
#include "links/ModemDialer.h"
#include "links/NetCheck.h"
#include "ui/CommandMap.h"
#include "ui/DevicePage.h"
#include "ui/LinkPages.h"
#include "ui/MainWindow.h"
#include "ui/ModemPage.h"
#include "ui/NetworkPage.h"
#include "ui/PortPage.h"
#include "ui/RadioGroup.h"
#include "workflows/ArchiveRange.h"
#include "support/OneDay.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {
QString text(MainWindow &w, const char *label)
{
    auto *l = w.findChild<QLabel *>(QString::fromUtf8(label));
    return l ? l->text() : "<none>";
}

QAction *modemAction(ModemPage *m, const char *name)
{
    return m->findChild<QAction *>(QString::fromUtf8(name));
}
} // namespace

TEST(ModemWindow, PhoneBookCallReadAndHangUp)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(229, 4660, {"--modem", "--modem-dial-ms", "50"})) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    LinkPages *links = w->devicePage()->linkPages();
    ModemPage *m = links->modemPage();
    links->portPage()->findChild<QSpinBox *>("sed")->setValue(3500);
    EXPECT_EQ(w->engine().port().InputTimeout(), 3500u);

    links->setCurrentIndex(LinkPages::Modem);
    // The book is made with its one entry, which cannot be destroyed.
    EXPECT_TRUE(QFile::exists(env.folder() + "/ДАННЫЕ/МОДЕМ/СОЕДИНЕНИЯ.TXT"));
    ASSERT_EQ(m->entries()->count(), 1);
    EXPECT_EQ(m->entries()->itemText(0), "ТЕПЛОСЧЕТЧИК");
    EXPECT_FALSE(modemAction(m, "Adestroy")->isEnabled());
    EXPECT_EQ(text(*w, "LuState"), "COM5 занят (отсутсвует)");
    // The modem's answers get the page's own time-out.
    EXPECT_EQ(w->engine().port().InputTimeout(), 2000u);

    // A new entry on the simulator's port, remembered in name order.
    m->entries()->setEditText("котельная");
    m->findChild<QLineEdit *>("Etel")->setText("525");
    auto *cbmod = m->findChild<QComboBox *>("CBmod");
    cbmod->setCurrentIndex(cbmod->findText(sim.ptyPath()));
    ASSERT_GE(cbmod->currentIndex(), 0);
    modemAction(m, "Aremember")->trigger();
    ASSERT_EQ(m->entries()->count(), 2);
    EXPECT_EQ(m->entries()->itemText(0), "котельная");
    EXPECT_EQ(m->entries()->currentText(), "котельная");
    EXPECT_TRUE(modemAction(m, "Adestroy")->isEnabled());
    EXPECT_EQ(text(*w, "LPState"), "свободен (подключен)");

    modemAction(m, "Acall")->trigger();
    EXPECT_FALSE(modemAction(m, "Adisconnect")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m->dialer().ModemState() != ModemDialer::Dialling; }, 20000));
    ASSERT_TRUE(m->dialer().connected()) << qPrintable(text(*w, "LMstate"));
    EXPECT_EQ(text(*w, "LuState"), "525 НА СВЯЗИ!");
    EXPECT_TRUE(modemAction(m, "Adisconnect")->isEnabled());

    // The device pages read over the line.
    w->commands().action("AreadNoTu")->trigger();
    EXPECT_EQ(w->session().type(), 229);
    EXPECT_EQ(w->session().number(), 4660);
    w->commands().action("Areadstate")->trigger();
    EXPECT_TRUE(text(*w, "LuState").endsWith("Cостояние прочитано успешно")) << qPrintable(text(*w, "LuState"));
    w->commands().action("Areadstate")->trigger(); // off again
    w->findChild<QTabBar *>("TCa")->setCurrentIndex(0);
    w->findChild<RadioGroup *>("RGdtp")->setItemIndex(ArchiveRange::Day);
    pimtest::onOneDay([&](const QDate &) {
        w->commands().action("AreadArh")->trigger();
        EXPECT_TRUE(text(*w, "LuState").startsWith("архив прочитан от ")) << qPrintable(text(*w, "LuState"));
    });

    // Another port while the call is up: asked first; "no" keeps it all.
    QStringList asked;
    bool answer = false;
    m->setAbortQuestion([&](const QString &q) {
        asked << q;
        return answer;
    });
    links->setCurrentIndex(LinkPages::Com);
    ASSERT_EQ(asked, QStringList{"Идет сеанс связи...\rПрервать его ?"});
    EXPECT_TRUE(m->dialer().connected());
    EXPECT_EQ(w->session().number(), 4660);
    // Leaving the modem page gives back the operator's time-out.
    EXPECT_EQ(w->engine().port().InputTimeout(), 3500u);

    links->setCurrentIndex(LinkPages::Modem);
    modemAction(m, "Adisconnect")->trigger();
    EXPECT_EQ(m->dialer().ModemState(), ModemDialer::Idle);
    EXPECT_TRUE(text(*w, "LuState").endsWith("связь по модему отключена")) << qPrintable(text(*w, "LuState"));
    EXPECT_TRUE(text(*w, "LMstate").endsWith("отключен")) << qPrintable(text(*w, "LMstate"));

    // "уничтожить" asks the window's question with the entry's name.
    QString question;
    m->setConfirm([&](const QString &q) {
        question = q;
        return true;
    });
    m->entries()->setCurrentIndex(0);
    modemAction(m, "Adestroy")->trigger();
    EXPECT_TRUE(question.endsWith("УНИЧТОЖИТЬ ЗАПИСЬ\r\r  котельная  ???")) << qPrintable(question);
    ASSERT_EQ(m->entries()->count(), 1);
    EXPECT_EQ(m->entries()->itemText(0), "ТЕПЛОСЧЕТЧИК");
}

TEST(ModemWindow, NetworkPageCheck)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    LinkPages *links = w->devicePage()->linkPages();
    NetworkPage *net = links->networkPage();
    links->setCurrentIndex(LinkPages::Network);
    EXPECT_EQ(text(*w, "LuState"), "Связь по сети");
    EXPECT_EQ(text(*w, "LNstate"), "не определено");
    EXPECT_TRUE(w->engine().networkActive());

    net->address()->clear();
    w->commands().action("Aping")->trigger();
    EXPECT_EQ(text(*w, "LuState"), "ВВЕДИТЕ АДРЕС");
    EXPECT_EQ(text(*w, "LNstate"), "НЕТ АДРЕСА");

    net->address()->setText("127.0.0.1");
    EXPECT_EQ(w->engine().networkHost(), "127.0.0.1");
    QTest::keyClick(net->address(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !net->netCheck().running(); }, 30000));
    // Loopback answers, or this machine cannot send an echo at all.
    EXPECT_NE(net->netCheck().reachable(), std::optional<bool>(false)) << qPrintable(text(*w, "LuState"));
    if (net->netCheck().reachable() == true) {
        EXPECT_EQ(text(*w, "LuState"), "IP-АДРЕС 127.0.0.1 НА СВЯЗИ");
    }
}

TEST(ImitationWindow, EveryReadIsAnsweredWithoutALink)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->commands().action("Aimit")->trigger();
    // The imitated type follows the type chosen in the system mode.
    w->findChild<QRadioButton *>("rbs")->setChecked(true);
    auto *types = w->findChild<QComboBox *>("CBTu");
    types->setCurrentIndex(types->findData(229));
    w->findChild<QRadioButton *>("rbs")->setChecked(false);
    w->findChild<QRadioButton *>("rbu")->setChecked(true);

    w->commands().action("AreadNoTu")->trigger();
    EXPECT_EQ(w->session().type(), 229);
    EXPECT_EQ(w->session().number(), 20560);
    w->commands().action("Areadstate")->trigger();
    EXPECT_TRUE(text(*w, "LuState").endsWith("Cостояние прочитано успешно")) << qPrintable(text(*w, "LuState"));
    w->commands().action("Areadstate")->trigger();
    w->commands().action("AreadParam")->trigger();
    EXPECT_TRUE(text(*w, "LuState").endsWith("Конфигурация успешно прочитана")) << qPrintable(text(*w, "LuState"));
    w->findChild<QTabBar *>("TCa")->setCurrentIndex(0);
    // The imitated records carry random dates: every record is asked for.
    w->findChild<RadioGroup *>("RGdtp")->setItemIndex(ArchiveRange::AllRecords);
    pimtest::onOneDay([&](const QDate &) {
        w->commands().action("AreadArh")->trigger();
        EXPECT_TRUE(text(*w, "LuState").startsWith("архив прочитан")) << qPrintable(text(*w, "LuState"));
    });
}
