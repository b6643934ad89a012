// The page "УСТРОЙСТВО" against a simulated calculator on a pseudo-terminal:
// the port check, identity, state reading into fields and grid, system
// mode, and the error decoder.

#include "UiSupport.h"

#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "devices/StateCodec.h"
#include "protocol/Frame.h"
#include "ui/DevicePage.h"
#include "workflows/ErrorDecoder.h"
#include "ui/MainWindow.h"
#include "ui/LinkPages.h"
#include "ui/CommandMap.h"
#include "workflows/StatusLine.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {
QString text(MainWindow &w, const char *label)
{
    auto *l = w.findChild<QLabel *>(label);
    return l ? l->text() : "<none>";
}
QString field(MainWindow &w, const char *edit)
{
    auto *e = w.findChild<QLineEdit *>(edit);
    return e ? e->text() : "<none>";
}
StatusKind kind(MainWindow &w, StatusLabel l)
{
    return w.statusLine().label(l).kind;
}

const QString kCode5 = QStringLiteral("Код=1:\n\rОшибка АЦП.\n\rКод=4:\n\r"
                                      "Напряжении батареи меньше минимально допустимого.\n\r");
} // namespace

TEST(DevicePage, APortThatCannotBeOpenedIsBusyAndIdentityFindsNoLink)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, "/nonexistent/ttyPIM");
    EXPECT_EQ(text(*w, "LPState"), "занят (отсутсвует)");
    EXPECT_EQ(text(*w, "LuState"), "/nonexistent/ttyPIM занят (отсутсвует)");
    EXPECT_EQ(text(*w, "LMstate"), "/nonexistent/ttyPIM занят (отсутсвует)");
    EXPECT_EQ(kind(*w, StatusLabel::LPState), StatusKind::Fail);

    w->commands().action("AreadNoTu")->trigger();
    EXPECT_EQ(text(*w, "LuState"), "НЕТ СВЯЗИ");
    EXPECT_EQ(w->session().type(), -1);
}

TEST(DevicePage, FactorySettingsReachThePortOnlyWithTheNextSetting)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    TCommPortDriver &port = w->engine().port();
    auto *rate = w->findChild<QComboBox *>("cbBaudRate");
    auto *stop = w->findChild<QComboBox *>("cbs");
    auto *sed = w->findChild<QSpinBox *>("sed");
    w->findChild<QCheckBox *>("CBPortSet")->click();
    EXPECT_FALSE(rate->isHidden());
    EXPECT_FALSE(w->findChild<QComboBox *>("cbC")->isEnabled());

    rate->setCurrentIndex(rate->findText("19200"));
    sed->setValue(3500);
    EXPECT_EQ(port.BaudRateValue(), 19200u);
    EXPECT_EQ(port.InputTimeout(), 3500u);
    EXPECT_EQ(port.StopBits(), sb1BITS);

    w->findChild<QPushButton *>("BuPortDef")->click();
    EXPECT_EQ(rate->currentText(), "9600");
    EXPECT_EQ(stop->currentText(), "2");
    EXPECT_EQ(w->findChild<QComboBox *>("cbz")->currentText(), "8");
    EXPECT_EQ(w->findChild<QComboBox *>("CBeo")->currentText(), "НЕТ");
    EXPECT_EQ(sed->value(), 2000);
    // Not yet on the port.
    EXPECT_EQ(port.BaudRateValue(), 19200u);
    EXPECT_EQ(port.StopBits(), sb1BITS);
    EXPECT_EQ(port.InputTimeout(), 3500u);

    w->findChild<QComboBox *>("cbz")->setCurrentIndex(2); // any setting applies them all
    EXPECT_EQ(port.BaudRateValue(), 9600u);
    EXPECT_EQ(port.StopBits(), sb2BITS);
    EXPECT_EQ(port.DataBits(), db7BITS);
    EXPECT_EQ(port.InputTimeout(), 2000u);
}

TEST(DevicePage, IdentifyAndReadTheStateOfAType238)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 1234)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->findChild<QCheckBox *>("CBgt")->click(); // the terminal memo shows the trace
    EXPECT_EQ(text(*w, "LPState"), "свободен (подключен)");
    EXPECT_EQ(text(*w, "LuState"), sim.port() + " свободен (подключен)");
    EXPECT_EQ(kind(*w, StatusLabel::LPState), StatusKind::Ok);

    w->commands().action("AreadNoTu")->trigger();
    EXPECT_EQ(w->session().type(), 238);
    EXPECT_EQ(w->session().number(), 1234);
    EXPECT_EQ(field(*w, "ENo"), "1234");
    EXPECT_EQ(field(*w, "Enok"), "1234");
    EXPECT_EQ(field(*w, "Etype"), ModelName(238));
    EXPECT_EQ(text(*w, "LuState"), ModelName(238) + " № 1234: НА СВЯЗИ!");
    EXPECT_EQ(kind(*w, StatusLabel::LuState), StatusKind::Ok);
    auto *memo = w->findChild<QPlainTextEdit *>("Ma");
    EXPECT_TRUE(memo->toPlainText().contains("ЗАПРОС=6|0|0|0|0|250|")) << memo->toPlainText().toStdString();

    QAction *state = w->commands().action("Areadstate");
    state->trigger();
    ASSERT_TRUE(state->isChecked());
    EXPECT_EQ(text(*w, "LuState"), ModelName(238) + " № 1234: Cостояние прочитано успешно");
    EXPECT_EQ(kind(*w, StatusLabel::LuState), StatusKind::Ok);

    // Two systems, two tabs; the fields and the grid follow the module's view.
    auto *tabs = w->findChild<QTabBar *>("TCSP");
    ASSERT_EQ(tabs->count(), 2);
    const StateCodec &codec = w->session().moduleFor(238)->state();
    const QStringList values = codec.SLfromState(0);
    const QList<QLineEdit *> fields = w->devicePage()->valueFields();
    ASSERT_FALSE(fields.isEmpty());
    EXPECT_EQ(fields[0]->text(), values[0]);
    auto *grid = w->findChild<QTableWidget *>("sgsp");
    ASSERT_TRUE(grid->isVisibleTo(w.get()));
    ASSERT_EQ(grid->rowCount(), 3);
    ASSERT_EQ(grid->columnCount(), codec.view().columnOrder.size());
    int deviceColumn = -1;
    for (int c = 0; c < grid->columnCount(); ++c) {
        const int idx = codec.view().columnOrder[c];
        EXPECT_EQ(grid->item(0, c)->text(), codec.view().items[idx].row1);
        EXPECT_EQ(grid->item(1, c)->text(), codec.view().items[idx].row2);
        EXPECT_EQ(grid->item(2, c)->text(), values[idx]);
        if (grid->item(1, c)->text() == "уст-ва")
            deviceColumn = c;
    }

    // The other system from the same reading, without traffic.
    tabs->setCurrentIndex(1);
    EXPECT_EQ(fields[0]->text(), codec.SLfromState(1)[0]);

    // A double click on the device-error cell explains the code it holds.
    ASSERT_GE(deviceColumn, 0);
    grid->item(2, deviceColumn)->setText("5");
    w->devicePage()->gridDoubleClick(2, deviceColumn);
    EXPECT_EQ(w->devicePage()->lastMessage(), kCode5);
    // Header rows do not count.
    w->devicePage()->gridDoubleClick(1, deviceColumn);
    EXPECT_EQ(w->devicePage()->lastMessage(), kCode5);

    // Off: the fields go, one neutral tab stays.
    state->trigger();
    EXPECT_FALSE(state->isChecked());
    EXPECT_TRUE(w->devicePage()->valueFields().isEmpty());
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "настроить связь и щелкнуть по устройству");

    // A double click on the number forgets the device.
    QTest::mouseDClick(w->findChild<QLineEdit *>("ENo"), Qt::LeftButton);
    EXPECT_EQ(w->session().type(), -1);
    EXPECT_EQ(field(*w, "ENo"), "");
    EXPECT_EQ(field(*w, "Enok"), "");
}

TEST(DevicePage, ImitationAnswersWithoutADeviceAndTheStateCommandIdentifiesFirst)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->commands().action("Aimit")->trigger();
    // The identity is unknown: "состояние" runs "номер/тип" itself.
    w->commands().action("Areadstate")->trigger();
    EXPECT_EQ(w->session().type(), 128);
    EXPECT_EQ(w->session().number(), 20560);
    EXPECT_EQ(field(*w, "ENo"), "20560");
    EXPECT_EQ(field(*w, "Etype"), ModelName(128));
    EXPECT_EQ(text(*w, "LuState"), ModelName(128) + " № 20560: Cостояние прочитано успешно");
    // Type 128 shows the channels its modification has, no more.
    int shown = 0;
    for (QLineEdit *f : w->devicePage()->valueFields())
        shown += f->isVisibleTo(w.get()) ? 1 : 0;
    auto *c128 = dynamic_cast<const StateCodec128 *>(&w->session().moduleFor(128)->state());
    ASSERT_NE(c128, nullptr);
    EXPECT_EQ(shown, 1 + 4 * c128->rec().modification);
    // No error tables for the pulse counter.
    w->devicePage()->AErrDecExecute(ErrorDecoder::Device);
    EXPECT_EQ(w->devicePage()->lastMessage(), "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

    // The copy of the number on the calibration page clears the identity
    // on a double click, as the fields of the device group box do.
    auto *enok = w->findChild<QLineEdit *>("Enok");
    ASSERT_NE(enok, nullptr);
    EXPECT_EQ(enok->text(), "20560");
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2), enok->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(enok, &dbl);
    EXPECT_EQ(w->session().type(), -1);
    EXPECT_EQ(w->session().number(), -1);
    EXPECT_EQ(field(*w, "ENo"), "");
    EXPECT_EQ(field(*w, "Etype"), "");
    EXPECT_EQ(enok->text(), "");
}

TEST(DevicePage, SystemModeSetsTheIdentityByHand)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    auto *rbs = w->findChild<QRadioButton *>("rbs");
    auto *seno = w->findChild<QSpinBox *>("SEno");
    auto *cbtu = w->findChild<QComboBox *>("CBTu");
    rbs->click();
    EXPECT_TRUE(seno->isVisibleTo(w.get()));
    EXPECT_FALSE(w->findChild<QLineEdit *>("ENo")->isVisibleTo(w.get()));
    // The list holds the served types only, in code order.
    ASSERT_EQ(cbtu->count(), ServedTypes().size());
    EXPECT_EQ(cbtu->itemText(0), ModelName(128));
    // No type yet: the number alone is not enough.
    seno->setValue(77);
    EXPECT_EQ(text(*w, "LuState"), "номер должен быть от 1 до 65535");
    EXPECT_EQ(w->session().number(), -1);

    cbtu->setCurrentIndex(cbtu->findText(ModelName(238)));
    EXPECT_EQ(w->session().type(), 238);
    EXPECT_EQ(w->session().number(), 77);
    EXPECT_EQ(field(*w, "ENo"), "77");
    EXPECT_EQ(field(*w, "Etype"), ModelName(238));
    EXPECT_EQ(text(*w, "LuState"), ModelName(238) + " № 77: номер правильный");
    EXPECT_EQ(seno->minimum(), 1);

    w->findChild<QRadioButton *>("rbu")->click();
    EXPECT_FALSE(seno->isVisibleTo(w.get()));
    EXPECT_TRUE(w->findChild<QLineEdit *>("ENo")->isVisibleTo(w.get()));
}

TEST(DevicePage, TheTerminalMemoIsSavedOnDoubleClickAndKeptWhenItCannotBe)
{
    uitest::UiEnv env;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(env.folder()));
    auto w = uitest::preparedWindow();
    w->findChild<QCheckBox *>("CBgt")->click();
    QPlainTextEdit *ma = w->devicePage()->linkPages()->memoView();
    ASSERT_FALSE(ma->isHidden());
    auto doubleClick = [ma] {
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2), ma->viewport()->mapToGlobal(QPointF(2, 2)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(ma->viewport(), &dbl);
    };
    const QString file = QDir(env.folder()).filePath("ГИПЕРТЕРМИНАЛ.txt");

    // A folder in the file's place: nothing is stored, so nothing is wiped.
    ASSERT_TRUE(QDir().mkpath(file));
    w->memoAppend("ЗАПРОС=6|0|0|0|0|250|");
    doubleClick();
    EXPECT_TRUE(ma->toPlainText().contains("ЗАПРОС=6|0|0|0|0|250|"));
    EXPECT_EQ(kind(*w, StatusLabel::LuState), StatusKind::Fail);
    // The operator learns which file was not written.
    EXPECT_TRUE(w->lastMessage().contains(file)) << w->lastMessage().toStdString();

    ASSERT_TRUE(QDir().rmdir(file));
    doubleClick();
    EXPECT_EQ(ma->toPlainText(), "Гипертерминал");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("|0|0|0|0|250|"));
    QDir::setCurrent(before);
}
