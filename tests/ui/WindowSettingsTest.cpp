// The settings of the whole window: a damaged file, two runs in a row, the
// date pickers, and the ways the window ends.

#include "UiSupport.h"
#include "support/OneDay.h"

#include "devices/Registry.h"
#include "base/Dates.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "ui/MainWindow.h"
#include "ui/CommandMap.h"
#include "ui/RadioGroup.h"
#include "ui/SignalQuit.h"
#include "workflows/SettingsFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <csignal>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {
template <class T> T *find(MainWindow &w, const char *name)
{
    T *t = w.findChild<T *>(QString::fromUtf8(name));
    EXPECT_NE(t, nullptr) << name;
    return t;
}

void writeSettings(const QList<SettingsEntry> &entries)
{
    ASSERT_TRUE(SettingsFile::save(SettingsFile::defaultPath(), entries));
}

QString stored(const QString &name)
{
    QList<SettingsEntry> entries;
    SettingsFile::load(SettingsFile::defaultPath(), entries);
    for (const auto &e : entries)
        if (e.name == name)
            return e.value;
    return "<absent>";
}
} // namespace

TEST(WindowSettings, WithoutFileTheDesignValuesHold)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    EXPECT_EQ(find<QSpinBox>(*w, "SEfire")->value(), 1);
    EXPECT_EQ(find<QSpinBox>(*w, "SEprec")->value(), 2);
    EXPECT_EQ(find<QSpinBox>(*w, "sed")->value(), 2000);
    EXPECT_EQ(find<QSpinBox>(*w, "SEp")->value(), 5001);
    EXPECT_EQ(find<QSpinBox>(*w, "SELeft")->value(), 15);
    EXPECT_EQ(find<QComboBox>(*w, "cbBaudRate")->currentText(), "9600");
    EXPECT_EQ(find<RadioGroup>(*w, "RGdtp")->itemIndex(), 6);
    EXPECT_EQ(find<RadioGroup>(*w, "RGk")->itemIndex(), 0);
    EXPECT_TRUE(find<QCheckBox>(*w, "EnUpdate")->isChecked());
    EXPECT_TRUE(find<QCheckBox>(*w, "cbf")->isChecked());
    EXPECT_FALSE(find<QCheckBox>(*w, "CBPortSet")->isChecked());
    EXPECT_EQ(find<QLineEdit>(*w, "Etru")->text(), "495");
    EXPECT_EQ(find<QLineEdit>(*w, "MEip")->text(), "MEip");
    EXPECT_EQ(find<QLineEdit>(*w, "EFst")->text(), "СОСТОЯНИЕ.TXT");
    EXPECT_EQ(find<QTabWidget>(*w, "PCcon")->currentIndex(), 3);
    EXPECT_EQ(find<QTabWidget>(*w, "PCW")->currentIndex(), 0);
    EXPECT_EQ(find<QLabel>(*w, "LuState")->text(), "НЕ РЕАЛИЗОВАНО В ЭТОЙ ВЕРСИИ"); // the terminal page shown
    EXPECT_TRUE(w->windowTitle().startsWith("ВЫЧИСЛИТЕЛЬ ТЕПЛОВОЙ ЭНЕРГИИ версия "));
    // The version is the build's date and time, "dd.mm.yyyy hh:nn".
    EXPECT_TRUE(QRegularExpression(QStringLiteral("версия \\d\\d\\.\\d\\d\\.20\\d\\d \\d\\d:\\d\\d$"))
                    .match(w->windowTitle())
                    .hasMatch())
        << qPrintable(w->windowTitle());
}

TEST(WindowSettings, TheStoredControlsAreTheWindowsNamedOnesOfTheStoredClasses)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    ASSERT_TRUE(w->SaveSettings());
    QList<SettingsEntry> entries;
    ASSERT_TRUE(SettingsFile::load(SettingsFile::defaultPath(), entries));
    QStringList names;
    for (const auto &e : entries)
        names << e.name;
    QStringList expected = {
        // spin edits
        "SE1Od2", "SE1Td1", "SE2Od2", "SE2Td1", "SEDN", "SELeft", "SERight", "SEbottom", "SEfire", "SEint", "SEno",
        "SEnou", "SEp", "SEprec", "SEtop", "SEtu", "sed",
        // edits
        "EFst", "ENo", "Ekmg", "Enok", "Esta", "Etel", "Etru", "Etype", "MEip",
        // combo boxes
        "CBBd", "CBCd", "CBTu", "CBcmd", "CBcon", "CBeo", "CBfmt", "CBmod", "CBv", "cbBaudRate", "cbC", "cbs", "cbz",
        // radio groups, date pickers, radio buttons, page control
        "RGdtp", "RGk", "DTPb", "DTPe", "rbs", "rbu", "PCcon",
        // check boxes
        "CBPortSet", "CBant", "CBdec", "CBfire", "CBgt", "CBp", "CBsta", "CBstinf", "CBton", "CBtru", "EnUpdate",
        "cbASCII", "cbf",
        // labels
        "L1Od2", "L1Td1", "L2Od2", "L2Td1", "LDT", "LDstate", "LMstate", "LNstate", "LPState", "Label1", "Label2",
        "Lcod", "Ldec", "Ldo", "Lot", "LuState"};
    auto ci = [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; };
    std::stable_sort(expected.begin(), expected.end(), ci);
    // The file holds them in ascending case-insensitive order.
    EXPECT_EQ(names, expected);
}

TEST(WindowSettings, DamagedValuesComeBackHarmless)
{
    // The window takes "today" from the computer's clock.
    pimtest::onOneDay([](const QDate &today) {
        uitest::UiEnv env;
        const int tomorrow = dateToScale(today.addDays(1));
        writeSettings({{"CBPortSet", "0"},
                       {"CBgt", "1"},
                       {"CBstinf", "abc"},
                       {"cbs", "7"},
                       {"SEfire", "0"},
                       {"sed", "0"},
                       {"SEprec", "-5"},
                       {"SEno", "999999"},
                       {"DTPb", QString::number(tomorrow)},
                       {"DTPe", "not a day"},
                       {"EFst", "прошлый.txt"},
                       {"cbd", "1"},
                       {"PCcon", "3"}});
        {
            QFile f(SettingsFile::defaultPath());
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write("line without equals\r\nUnknownControl=1\r\n");
        }
        auto w = uitest::preparedWindow();
        EXPECT_TRUE(find<QCheckBox>(*w, "CBPortSet")->isChecked());
        EXPECT_FALSE(find<QComboBox>(*w, "cbBaudRate")->isHidden()); // its click handler ran
        EXPECT_FALSE(find<QComboBox>(*w, "cbC")->isEnabled());
        EXPECT_FALSE(find<QCheckBox>(*w, "CBgt")->isChecked());
        EXPECT_TRUE(find<QCheckBox>(*w, "CBstinf")->isChecked());
        EXPECT_EQ(find<QComboBox>(*w, "cbs")->currentIndex(), -1);
        EXPECT_EQ(find<QSpinBox>(*w, "SEfire")->value(), 1);
        EXPECT_EQ(find<QSpinBox>(*w, "sed")->value(), 1000);
        EXPECT_EQ(find<QSpinBox>(*w, "SEprec")->value(), 2);
        EXPECT_EQ(find<QSpinBox>(*w, "SEno")->value(), 65535);
        EXPECT_EQ(find<QDateEdit>(*w, "DTPb")->date(), today);
        EXPECT_LE(find<QDateEdit>(*w, "DTPe")->date(), today);
        // The state-file name is set at start before the settings come back.
        EXPECT_EQ(find<QLineEdit>(*w, "EFst")->text(), "прошлый.txt");
        EXPECT_EQ(w->session().type(), -1);
    });
}

TEST(WindowSettings, TheRangeChoiceKeepsRestoredDatesWhereItLeavesThem)
{
    // The window takes "today" from the computer's clock.
    pimtest::onOneDay([](const QDate &today) {
        const QString tenDaysAgo = QString::number(dateToScale(today.addDays(-10)));
        const QString fiveDaysAgo = QString::number(dateToScale(today.addDays(-5)));
        struct Case {
            const char *item;
            QDate begin, end;
            const char *message;
        };
        const Case cases[] = {
            // "все записи" moves only the end to today.
            {"7", today.addDays(-10), today, ""},
            // No item: the end becomes today, the begin stays, and it is said.
            {"-3", today.addDays(-10), today, "TFpim.RGdtpClick:RGdtp.ItemIndex erundec: -1"},
            // "день": the choice decides.
            {"0", today.addDays(-1), today, ""},
        };
        for (const Case &c : cases) {
            uitest::UiEnv env;
            writeSettings({{"DTPb", tenDaysAgo}, {"DTPe", fiveDaysAgo}, {"RGdtp", c.item}});
            auto w = uitest::preparedWindow();
            EXPECT_EQ(find<QDateEdit>(*w, "DTPb")->date(), c.begin) << c.item;
            EXPECT_EQ(find<QDateEdit>(*w, "DTPe")->date(), c.end) << c.item;
            if (*c.message) {
                EXPECT_EQ(w->lastMessage(), c.message);
            }
        }
    });
}

TEST(WindowSettings, TwoRunsInARowKeepTheOperatorsChoicesButNotTheIdentity)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 1234)) << qPrintable(sim.error());
    int portIndex = -1;
    {
        auto w = uitest::preparedWindow();
        uitest::choosePort(*w, sim.port());
        portIndex = find<QComboBox>(*w, "cbC")->currentIndex();
        find<QComboBox>(*w, "cbBaudRate")->setCurrentIndex(9); // 19200
        find<QSpinBox>(*w, "SEprec")->setValue(5);
        find<QSpinBox>(*w, "SEfire")->setValue(7);
        find<RadioGroup>(*w, "RGdtp")->setItemIndex(2);
        find<QLineEdit>(*w, "Etel")->setText("84951234567");
        w->commands().action("AreadNoTu")->trigger();
        ASSERT_EQ(find<QLineEdit>(*w, "ENo")->text(), "1234");
        w->close();
    }
    EXPECT_EQ(stored("cbBaudRate"), "9");
    EXPECT_EQ(stored("ENo"), "1234");
    EXPECT_EQ(stored("cbd"), "<absent>");
    {
        // Parity and stop bits as a line to another device would need them.
        QList<SettingsEntry> entries;
        ASSERT_TRUE(SettingsFile::load(SettingsFile::defaultPath(), entries));
        for (SettingsEntry &e : entries)
            if (e.name == "CBeo" || e.name == "cbs")
                e.value = "2"; // "ЧЕТ", "2"
            else if (e.name == "sed")
                e.value = "3500";
        writeSettings(entries);
    }

    auto w = uitest::preparedWindow();
    EXPECT_EQ(find<QComboBox>(*w, "cbC")->currentIndex(), portIndex);
    EXPECT_EQ(find<QComboBox>(*w, "cbBaudRate")->currentText(), "19200");
    // The restored line settings are the ones the port uses.
    EXPECT_EQ(w->engine().port().Parity(), ptEVEN);
    EXPECT_EQ(w->engine().port().StopBits(), sb2BITS);
    EXPECT_EQ(w->engine().port().DataBits(), db8BITS);
    // The reply time-out too: "sed" as it came back, not the port's 1000 ms.
    EXPECT_EQ(find<QSpinBox>(*w, "sed")->value(), 3500);
    EXPECT_EQ(w->engine().port().InputTimeout(), 3500u);
    EXPECT_EQ(find<QSpinBox>(*w, "SEprec")->value(), 5);
    EXPECT_EQ(w->session().valueFormat().real(), "%.5f"); // the values follow the restored precision
    EXPECT_EQ(find<QSpinBox>(*w, "SEfire")->value(), 7);
    EXPECT_EQ(find<RadioGroup>(*w, "RGdtp")->itemIndex(), 2);
    EXPECT_EQ(find<QLineEdit>(*w, "Etel")->text(), "84951234567");
    EXPECT_EQ(find<QLineEdit>(*w, "ENo")->text(), "1234");
    EXPECT_EQ(find<QLineEdit>(*w, "Etype")->text(), ModelName(238));
    EXPECT_EQ(w->session().type(), -1);
    EXPECT_EQ(w->session().number(), -1);
}

TEST(WindowSettings, NothingIsWrittenBeforeThePreviousValuesWereRestored)
{
    uitest::UiEnv env;
    writeSettings({{"SEfire", "9"}});
    {
        MainWindow w; // never prepared
        EXPECT_FALSE(w.SaveSettings());
    }
    EXPECT_EQ(stored("SEfire"), "9");
}

TEST(WindowSettings, TerminationSignalsSaveLikeClosingTheWindow)
{
    uitest::UiEnv env;
    ASSERT_TRUE(quitOnTermination(*qApp));
    for (int sig : {SIGTERM, SIGINT}) {
        auto w = uitest::preparedWindow();
        find<QSpinBox>(*w, "SEfire")->setValue(sig == SIGTERM ? 33 : 44);
        QTimer::singleShot(0, [sig] { ::raise(sig); });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
        guard.start(10000);
        EXPECT_EQ(qApp->exec(), 0);
        EXPECT_EQ(stored("SEfire"), sig == SIGTERM ? "33" : "44");
    }
}

TEST(WindowSettings, HelpWithoutItsBookSaysSo)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    w->commands().action("Ahelp")->trigger();
    EXPECT_EQ(w->lastMessage(), "Файл справки отсутствует");
}
