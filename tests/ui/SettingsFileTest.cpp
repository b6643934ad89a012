// The settings file on its own: lines, order, cut, bytes on disk, and the
// reading of numbers and check states.

#include "base/Cp1251.h"
#include "base/TextFile.h"
#include "workflows/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pim;

TEST(SettingsFile, ParseTakesNameBeforeFirstEqualsAndSkipsLinesWithout)
{
    const auto entries = SettingsFile::parse({"EFst=a=b", "no equals here", "=x", "SEfire=", "cbC=3"});
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0], (SettingsEntry{"EFst", "a=b"}));
    EXPECT_EQ(entries[1], (SettingsEntry{"", "x"}));
    EXPECT_EQ(entries[2], (SettingsEntry{"SEfire", ""}));
    EXPECT_EQ(entries[3], (SettingsEntry{"cbC", "3"}));
}

TEST(SettingsFile, LongValuesAreCutTo255WhenReadBack)
{
    const QString longValue(300, QLatin1Char('x'));
    const auto entries = SettingsFile::parse({"EFst=" + longValue, "Etel=" + QString(255, 'y')});
    EXPECT_EQ(entries[0].value.size(), 255);
    EXPECT_EQ(entries[1].value.size(), 255);
}

TEST(SettingsFile, BuildSortsCaseInsensitivelyAndKeepsOneLinePerValue)
{
    const QStringList lines = SettingsFile::build({{"sed", "2000"},
                                                   {"CBBd", "4"},
                                                   {"cbASCII", "1"},
                                                   {"LuState", "первая\r\nSEfire=0\nвторая"},
                                                   {"SE1Od2", "0"},
                                                   {"SEDN", "1"}});
    EXPECT_EQ(lines, (QStringList{"cbASCII=1", "CBBd=4", "LuState=первая  SEfire=0 вторая", "SE1Od2=0",
                                  "sed=2000", "SEDN=1"}));
}

TEST(SettingsFile, SaveWritesCp1251WithCrLfAtomicallyAndLoadReadsItBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ДАННЫЕ/ПАМЯТЬ.mem"); // folder made on the way
    QString error;
    ASSERT_TRUE(SettingsFile::save(path, {{"Etype", "ПИМ-238"}, {"EFst", "СОСТОЯНИЕ.TXT"}, {"Etel", "№ 5 €"}},
                                   &error))
        << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes, toCp1251(u"EFst=СОСТОЯНИЕ.TXT\r\nEtel=№ 5 €\r\nEtype=ПИМ-238\r\n"));

    QList<SettingsEntry> back;
    ASSERT_TRUE(SettingsFile::load(path, back));
    EXPECT_EQ(back, (QList<SettingsEntry>{{"EFst", "СОСТОЯНИЕ.TXT"}, {"Etel", "№ 5 €"}, {"Etype", "ПИМ-238"}}));
}

TEST(SettingsFile, AnUnencodableCharacterDoesNotLoseTheOtherSettings)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ПАМЯТЬ.mem");
    ASSERT_TRUE(SettingsFile::save(path, {{"EFst", "файл✓.txt"}, {"SEfire", "5"}}));
    QList<SettingsEntry> back;
    ASSERT_TRUE(SettingsFile::load(path, back));
    EXPECT_EQ(back, (QList<SettingsEntry>{{"EFst", "файл?.txt"}, {"SEfire", "5"}}));
}

TEST(SettingsFile, MissingFileIsNoErrorAndUncreatableFolderIsReported)
{
    QTemporaryDir dir;
    QList<SettingsEntry> entries{{"x", "y"}};
    EXPECT_TRUE(SettingsFile::load(dir.filePath("absent.mem"), entries));
    EXPECT_TRUE(entries.isEmpty());

    // A file where the folder should be: the folder cannot be made.
    QFile blocker(dir.filePath("ДАННЫЕ"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(SettingsFile::save(dir.filePath("ДАННЫЕ/ПАМЯТЬ.mem"), {{"a", "1"}}, &error));
    EXPECT_EQ(error, "НЕ МОГУ СОЗДАТЬ ДИР");
}

TEST(SettingsFile, NumbersAndCheckStates)
{
    struct Case {
        const char *text;
        int number;
        bool checked;
    };
    const Case cases[] = {
        {"0", 0, true},     {"1", 1, false},    {"abc", 0, true}, {"", 0, true},
        {" 7 ", 7, false},  {"-1", -1, false},  {"$1F", 31, false}, {"99999999999", 0, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(SettingsFile::toInt(c.text), c.number) << c.text;
        EXPECT_EQ(SettingsFile::isChecked(c.text), c.checked) << c.text;
    }
    EXPECT_EQ(SettingsFile::checkedValue(true), "0");
    EXPECT_EQ(SettingsFile::checkedValue(false), "1");
}
