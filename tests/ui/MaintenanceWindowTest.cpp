// The commands that change the device, from the window: the question on
// its page, "ДА" and "Отмена", the identity fields after a new number, the
// new-number field's check, and their outcomes in imitation mode.

#include "UiSupport.h"

#include "ui/CalibrationPage.h"
#include "ui/CommandMap.h"
#include "ui/ConfirmDialog.h"
#include "ui/MainWindow.h"
#include "ui/ParamEditor.h"
#include "ui/RadioGroup.h"
#include "devices/DeviceModule.h"
#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "protocol/Fields.h"
#include "workflows/SettingsFile.h"
#include "devices/ParamTwoSystem.h"
#include <QCoreApplication>
#include "links/ExchangeEngine.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTabWidget>
#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {

QString status(MainWindow &w)
{
    return w.findChild<QLabel *>("LuState")->text();
}

// Answers the dialog once it is shown (the status line may process
// events before: an earlier answer would hit a dialog nobody sees).
class Answerer : public QObject {
public:
    Answerer(MainWindow &w, bool yes) : m_w(w), m_yes(yes) { w.confirmDialog()->installEventFilter(this); }
    ~Answerer() override { m_w.confirmDialog()->removeEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show) {
            ConfirmDialog *d = m_w.confirmDialog();
            question = d->question();
            page = m_w.findChild<QTabWidget *>("PCW")->currentIndex();
            QTimer::singleShot(0, d, [d, yes = m_yes] { (yes ? d->yesButton() : d->cancelButton())->click(); });
        }
        return QObject::eventFilter(o, e);
    }
    QString question;
    int page = -1;

private:
    MainWindow &m_w;
    bool m_yes;
};

// Runs a command and answers its question with "ДА" or "Отмена"; returns
// the question and the page shown while it was asked.
std::pair<QString, int> answer(MainWindow &w, const char *command, bool yes)
{
    Answerer a(w, yes);
    w.commands().action(command)->trigger();
    return {a.question, a.page};
}

} // namespace

TEST(MaintenanceWindow, NewNumberAfterYesAndNothingAfterCancel)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(229, 1000)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    ASSERT_EQ(w->session().number(), 1000);

    QSpinBox *sedn = w->calibrationPage()->newNumber();
    ASSERT_TRUE(sedn->isEnabled());
    sedn->setValue(77);
    EXPECT_EQ(status(*w), "ПИМ-229 № 1000: новый номер правильный");

    // The question is asked on the calibration page, and showing that page
    // says the link; "Отмена" changes nothing after that.
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(3);
    EXPECT_EQ(status(*w), "ПИМ-229 № 1000: На связи");
    const QString before = status(*w);
    auto asked = answer(*w, "ASetNO", false);
    EXPECT_TRUE(asked.first.endsWith("ЗАДАТЬ НОМЕР 77 ???")) << qPrintable(asked.first);
    EXPECT_EQ(asked.second, 3); // "КАЛИБРОВКА"
    EXPECT_EQ(status(*w), before);
    EXPECT_EQ(w->session().number(), 1000);

    asked = answer(*w, "ASetNO", true);
    EXPECT_TRUE(status(*w).endsWith("успешно установлен номер")) << qPrintable(status(*w));
    EXPECT_EQ(w->session().number(), 77);
    EXPECT_EQ(w->findChild<QLineEdit *>("ENo")->text(), "77");
    EXPECT_EQ(w->findChild<QLineEdit *>("Enok")->text(), "77");
    // The device answers to its new number.
    w->commands().action("AreadNoTu")->trigger();
    EXPECT_EQ(w->session().number(), 77);

    asked = answer(*w, "ASetArh", true);
    EXPECT_EQ(asked.second, 2); // "КОНФИГУРАЦИЯ"
    EXPECT_TRUE(status(*w).endsWith("успешно начата очистка архивов")) << qPrintable(status(*w));
}

TEST(MaintenanceWindow, AnOpenJumperIsSaid)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 5, {"--jumper", "open"})) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    for (const char *command : {"ASetDevice", "AsetWorkTime"}) {
        answer(*w, command, true);
        EXPECT_EQ(status(*w), "не замкнута перемычка") << command;
    }
}

TEST(CalibrationWindow, KindsLabelsDefaultsAndAPressureRunInTurn)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 5, {"--seed", "2"})) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(3);
    auto *rgk = w->findChild<RadioGroup *>("RGk");
    ASSERT_TRUE(rgk->itemShown(2));

    rgk->setItemIndex(1);
    for (const char *name : {"SE1Td1", "SE1Od2", "SE2Td1", "SE2Od2"})
        EXPECT_EQ(w->findChild<QSpinBox *>(name)->value(), 150) << name;
    EXPECT_EQ(w->findChild<QLabel *>("L2Od2")->text(), "t°C обратки 2-й системы");

    rgk->setItemIndex(2);
    EXPECT_EQ(w->findChild<QLabel *>("L1Td1")->text(), "ток Ма 1 датчик 1-й системы");
    auto *sbd = w->findChild<QPushButton *>("sbd");
    ASSERT_FALSE(sbd->isHidden());
    // One channel needs one chosen first.
    w->commands().action("Acal")->trigger();
    EXPECT_EQ(status(*w), "Необходимо выбрать датчик для калибровки щелчком по нему");
    sbd->click();
    EXPECT_EQ(sbd->text(), "ОЧЕРЕДЯМИ");
    w->commands().action("Acal")->trigger();
    EXPECT_TRUE(status(*w).endsWith("калибровка по давлению успешно завершена")) << qPrintable(status(*w));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(w->calibrationPage()->measured(i).contains('.')) << i;
    // The operator's reply time-out ("sed") is back.
    EXPECT_EQ(int(w->engine().port().InputTimeout()), w->findChild<QSpinBox *>("sed")->value());
}

TEST(CalibrationWindow, APressureRunInTurnFailsWhenOneChannelIsOut)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 5, {"--cal-fault", "3"})) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(3);
    w->findChild<RadioGroup *>("RGk")->setItemIndex(2);
    w->findChild<QPushButton *>("sbd")->click();
    w->commands().action("Acal")->trigger();
    // Channel 5 passed after channel 3 failed: the line names channel 3.
    EXPECT_TRUE(status(*w).contains("2 датчик 1-й системы: ток=")) << qPrintable(status(*w));
    EXPECT_FALSE(status(*w).contains("успешно")) << qPrintable(status(*w));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(w->calibrationPage()->measured(i).contains('.')) << i;
}

TEST(CalibrationWindow, TheOlderPairHasNoPressureAndOneSystem)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(225, 5)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(3);
    EXPECT_FALSE(w->findChild<RadioGroup *>("RGk")->itemShown(2));
    EXPECT_TRUE(w->findChild<QSpinBox *>("SE2Td1")->isHidden());
    EXPECT_EQ(w->findChild<QLabel *>("L1Td1")->text(), "t°C  подачи");
    w->commands().action("Acal")->trigger();
    EXPECT_TRUE(status(*w).endsWith("калибровка по МЕНЬШЕЙ температуре успешно завершена")) << qPrintable(status(*w));
    EXPECT_EQ(w->calibrationPage()->measured(0), "норма");
}

// The pulse counter has no calibration kind and no archive: no set point is
// offered, the two buttons are off, and a 238 afterwards gets them back.
TEST(CalibrationWindow, ThePulseCounterIsOfferedNoCalibrationAndNoArchiveClearing)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(128, 5)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    ASSERT_EQ(w->session().type(), 128);
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(3);
    EXPECT_FALSE(w->findChild<RadioGroup *>("RGk")->isEnabled());
    for (const char *name : {"L1Td1", "L1Od2", "L2Td1", "L2Od2"})
        EXPECT_TRUE(w->findChild<QLabel *>(name)->isHidden()) << name;
    for (const char *name : {"SE1Td1", "SE1Od2", "SE2Td1", "SE2Od2"})
        EXPECT_TRUE(w->findChild<QSpinBox *>(name)->isHidden()) << name;
    EXPECT_FALSE(w->findChild<QPushButton *>("BuCal")->isEnabled());
    EXPECT_FALSE(w->findChild<QPushButton *>("BuClrArh")->isEnabled());
    EXPECT_TRUE(w->findChild<QPushButton *>("BuSetNo")->isEnabled());
    w->commands().action("AreadParam")->trigger(); // the configuration page, whose row is the same
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(2);
    EXPECT_FALSE(w->findChild<QPushButton *>("BuCalS")->isEnabled());
    EXPECT_FALSE(w->findChild<QPushButton *>("BuClrArhS")->isEnabled());
    EXPECT_TRUE(w->findChild<QPushButton *>("BuInitS")->isEnabled());
    // The toolbar's "стереть архивы" sends nothing to it.
    w->commands().action("ASetArh")->trigger();
    EXPECT_EQ(w->lastMessage(), "ASetArhExecute: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    EXPECT_EQ(w->session().number(), 5);
    sim.stop();

    uitest::PimSim other;
    ASSERT_TRUE(other.start(238, 6)) << qPrintable(other.error());
    uitest::choosePort(*w, other.port());
    w->commands().action("AreadNoTu")->trigger();
    ASSERT_EQ(w->session().type(), 238);
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(0);
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(3);
    EXPECT_FALSE(w->findChild<QLabel *>("L2Od2")->isHidden());
    EXPECT_EQ(w->findChild<QLabel *>("L2Od2")->text(), "t°C обратки 2-й системы");
    EXPECT_TRUE(w->findChild<QPushButton *>("BuCal")->isEnabled());
    EXPECT_TRUE(w->findChild<QPushButton *>("BuClrArh")->isEnabled());
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(2);
    EXPECT_TRUE(w->findChild<QPushButton *>("BuCalS")->isEnabled());
    EXPECT_TRUE(w->findChild<QPushButton *>("BuClrArhS")->isEnabled());
}

TEST(ConfigWindow, ReadEditWriteAndReadBack)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(229, 8, {"--seed", "5"})) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    EXPECT_FALSE(w->commands().action("ASetPar")->isEnabled());
    w->commands().action("AreadParam")->trigger();
    EXPECT_EQ(w->findChild<QTabWidget *>("PCW")->currentIndex(), 2);
    EXPECT_TRUE(status(*w).endsWith("Конфигурация успешно прочитана")) << qPrintable(status(*w));
    ASSERT_TRUE(w->commands().action("ASetPar")->isEnabled());

    auto *day = w->findChild<QLineEdit *>(paramname::kReportDay);
    ASSERT_NE(day, nullptr);
    day->setText("17");
    emit day->editingFinished();
    QCoreApplication::processEvents();
    answer(*w, "ASetPar", true);
    EXPECT_TRUE(status(*w).endsWith("успешно обновлена конфигурация")) << qPrintable(status(*w));

    w->commands().action("AreadParam")->trigger();
    QCoreApplication::processEvents();
    day = w->findChild<QLineEdit *>(paramname::kReportDay);
    ASSERT_NE(day, nullptr);
    EXPECT_EQ(day->text(), "17");
    // The device's fields are no settings of the window.
    EXPECT_TRUE(day->property("noSetting").toBool());
}

TEST(ConfigWindow, WeightUnitDefaultsAndTheGridOnBothPages)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 40)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    w->commands().action("AreadParam")->trigger();
    QCoreApplication::processEvents();
    auto *sgsp = w->findChild<QTableWidget *>("sgsp");
    ASSERT_NE(sgsp, nullptr);
    // Header rows, then system 1 and system 2.
    ASSERT_EQ(sgsp->rowCount(), 4);
    EXPECT_EQ(sgsp->item(0, 0)->text(), "вес имп");
    EXPECT_EQ(sgsp->item(1, 12)->text(), "день");
    EXPECT_EQ(sgsp->item(2, 0)->text().trimmed(), "100.00"); // the page's 100.0 л/имп, not the word 1000

    // A click on a weight's label switches its unit: the same text now
    // counts pulses per litre (100.0 -> 10000 with the unit bit), and the
    // record follows at once.
    auto *label = w->findChild<QLabel *>("LeVes1");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().endsWith(" л/имп")) << qPrintable(label->text());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(label, &press);
    QCoreApplication::processEvents();
    label = w->findChild<QLabel *>("LeVes1");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().endsWith(" имп/л")) << qPrintable(label->text());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(w->findChild<QLineEdit *>(paramname::weight(1))->text(), "100.0");
    EXPECT_EQ(sgsp->item(2, 0)->text().trimmed(), "100.00"); // now 100 имп/л
    EXPECT_DOUBLE_EQ(static_cast<ParamCodecTwo &>(w->session().module()->param()).rec().sys[0].weight[0],
                     10000 | 0x8000);

    // The defaults, from this page and from the calibration page.
    w->findChild<QPushButton *>("BuDefaultS")->click();
    EXPECT_TRUE(status(*w).endsWith("Конфигурация задана по умолчанию")) << qPrintable(status(*w));
    EXPECT_EQ(sgsp->item(2, 0)->text().trimmed(), "100.00");
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(3);
    QCoreApplication::processEvents();
    auto *calEditor = w->calibrationPage()->editor();
    auto *day = calEditor->findChild<QLineEdit *>(paramname::kReportDay);
    ASSERT_NE(day, nullptr);
    day->setText("9");
    emit day->editingFinished();
    QCoreApplication::processEvents();
    EXPECT_EQ(sgsp->item(2, 12)->text().trimmed(), "9");
    EXPECT_EQ(sgsp->item(3, 12)->text().trimmed(), "9"); // device-wide
    w->findChild<QPushButton *>("BuDefault")->click();
    EXPECT_TRUE(status(*w).endsWith("Конфигурация задана по умолчанию")) << qPrintable(status(*w));
    EXPECT_EQ(sgsp->item(2, 12)->text().trimmed(), "1");
}

// Training mode: the type chosen in the system mode is the one imitated,
// also when that choice came back with the settings; the maintenance
// commands show the outcomes of the training mode.
TEST(MaintenanceWindow, ImitationFollowsTheSystemModeTypeAndShowsItsOutcomes)
{
    uitest::UiEnv env;
    {
        // The system mode with a 238 chosen, as the last run left it.
        QStringList names;
        for (int t : ServedTypes())
            names << ModelName(t);
        ASSERT_TRUE(SettingsFile::save(SettingsFile::defaultPath(),
                                       {{"rbs", SettingsFile::checkedValue(true)},
                                        {"rbu", SettingsFile::checkedValue(false)},
                                        {"CBTu", QString::number(names.indexOf(ModelName(238)))}}));
    }
    auto w = uitest::preparedWindow();
    ASSERT_TRUE(w->findChild<QRadioButton *>("rbs")->isChecked());
    w->commands().action("Aimit")->trigger();
    w->commands().action("AreadNoTu")->trigger();
    EXPECT_EQ(w->session().type(), 238);
    EXPECT_EQ(w->session().number(), 20560);

    // The clock is set once a configuration was read.
    w->commands().action("AreadParam")->trigger();
    ASSERT_TRUE(w->commands().action("ASaveDateTime")->isEnabled()) << qPrintable(status(*w));
    answer(*w, "ASaveDateTime", true);
    EXPECT_TRUE(status(*w).contains("Успешно установлено ")) << qPrintable(status(*w));
    // An echoed request's status byte is its checksum here: a refusal.
    answer(*w, "AsetWorkTime", true);
    EXPECT_EQ(status(*w), "не совпал пароль");

    // A 225 chosen now: its clear-archives is done whatever comes back.
    auto *cbtu = w->findChild<QComboBox *>("CBTu");
    cbtu->setCurrentIndex(cbtu->findText(ModelName(225)));
    EXPECT_EQ(w->session().type(), 225);
    for (int i = 0; i < 4; ++i) {
        answer(*w, "ASetArh", true);
        EXPECT_TRUE(status(*w).endsWith("успешно начата очистка архивов")) << qPrintable(status(*w));
    }
    // Asked again, the device is the imitation of the type chosen now.
    w->commands().action("AreadNoTu")->trigger();
    EXPECT_EQ(w->session().type(), 225);
    EXPECT_EQ(w->session().number(), 20560);
}

TEST(ConfigWindow, TariffStartsTakeEveryDigitTypedIntoTheRecordAndTheDevice)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(225, 8)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    w->commands().action("AreadNoTu")->trigger();
    w->commands().action("AreadParam")->trigger();
    QCoreApplication::processEvents();
    ParamCodec &codec = w->session().module()->param();

    // Typed as the operator types: into the field, over what it shows, then Enter.
    struct Case {
        int field;
        const char *typed;
        int minutes;
    };
    const Case cases[] = {{1, "10:15", 615}, {2, "11:00", 660}, {1, "01:10", 70}, {2, "23:59", 1439}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        auto *e = w->findChild<QLineEdit *>(paramname::tariff(c.field));
        ASSERT_NE(e, nullptr);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, c.typed);
        EXPECT_EQ(e->text(), c.typed);
        QTest::keyClick(e, Qt::Key_Return);
        QCoreApplication::processEvents();
        // The record, as the configuration list prints it (minutes after midnight).
        EXPECT_EQ(codec.SLfromParam(0).value(4 + c.field), QString::number(c.minutes));
        // The words the write would send (frame bytes 14 and 16).
        Tab data;
        QString diff;
        ASSERT_EQ(codec.EncParam(data, diff), QString());
        EXPECT_EQ(GetW(data, 14 - 5 + 2 * (c.field - 1)), c.minutes);
        // The field shows it back with every digit.
        e = w->findChild<QLineEdit *>(paramname::tariff(c.field));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->text(), c.typed);
    }

    answer(*w, "ASetPar", true);
    EXPECT_TRUE(status(*w).endsWith("успешно обновлена конфигурация")) << qPrintable(status(*w));
    w->commands().action("AreadParam")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(w->findChild<QLineEdit *>(paramname::tariff(1))->text(), "01:10");
    EXPECT_EQ(w->findChild<QLineEdit *>(paramname::tariff(2))->text(), "23:59");
}

TEST(CalibrationWindow, AConfigurationReadThereEnablesItsWritesAndAnUnknownDeviceHasNoLink)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(229, 8)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    auto *pcw = w->findChild<QTabWidget *>("PCW");
    // A type chosen by hand, no number: the type is known, the device is not.
    w->session().setType(229);
    pcw->setCurrentIndex(3);
    EXPECT_EQ(status(*w), "НЕТ СВЯЗИ");

    w->commands().action("AreadNoTu")->trigger();
    pcw->setCurrentIndex(0);
    pcw->setCurrentIndex(3);
    EXPECT_TRUE(status(*w).endsWith("На связи")) << qPrintable(status(*w));
    w->commands().action("AreadParam")->trigger();
    EXPECT_EQ(pcw->currentIndex(), 3);
    EXPECT_TRUE(status(*w).endsWith("Конфигурация успешно прочитана")) << qPrintable(status(*w));
    for (const char *name : {"ASetPar", "ASaveDateTime"})
        EXPECT_TRUE(w->commands().action(name)->isEnabled()) << name;
    EXPECT_TRUE(w->findChild<QPushButton *>("BuSetPar")->isEnabled());
    answer(*w, "ASetPar", true);
    EXPECT_TRUE(status(*w).endsWith("успешно обновлена конфигурация")) << qPrintable(status(*w));
}
