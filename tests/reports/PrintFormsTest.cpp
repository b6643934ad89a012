// Template sets in their files: the lists a type starts from, the stored
// lists that are shorter or longer, the font lines, the round trip and the
// failed save.

#include "base/Cp1251.h"
#include "base/TextFile.h"
#include "reports/PrintForms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pim;

namespace {

QString writeList(const QDir &dir, const QString &name, const QStringList &lines)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeLines(path, lines));
    return path;
}

} // namespace

TEST(PrintForms, DefaultListsHaveTheirLengthsAndWords)
{
    EXPECT_EQ(defaultVarList(VarList::Full).size(), 41);
    EXPECT_EQ(defaultVarList(VarList::Short).size(), 24);
    EXPECT_EQ(defaultVarList(VarList::U25).size(), 23);
    EXPECT_EQ(defaultVarList(VarList::U27).size(), 21);
    EXPECT_EQ(defaultVarList(VarList::Initial).size(), 32);
    EXPECT_EQ(varFormat(defaultVarList(VarList::Full)[6]), QStringLiteral("dd\".\"mm\".\"yy"));
    EXPECT_EQ(varFormat(defaultVarList(VarList::Short)[21]), QStringLiteral("итого:"));
    EXPECT_EQ(varFormat(defaultVarList(VarList::U27)[19]), QStringLiteral("итого:"));
    EXPECT_EQ(varFormat(QStringLiteral("21.")), QString());
    EXPECT_EQ(varFormat(QStringLiteral("no point~x")), QString());
}

// 235 shares the files of number 30 and starts from the short list. A
// stored list of another length, shorter or longer, is followed by the
// whole default list; one of the default's length is taken as it is; and
// loading after saving never grows the list again.
TEST(PrintForms, StoredListsOfAnotherLengthGetTheWholeDefault)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    PrintForms f;
    ASSERT_TRUE(f.load(tmp.path(), 235, 0));
    const QStringList shortList = defaultVarList(VarList::Short);
    EXPECT_EQ(f.vars, shortList);

    const QStringList own = {QStringLiteral("00.[%s]~мой"), QStringLiteral("01.%s~")};
    QStringList longer = shortList;
    longer << QStringLiteral("24.%d~лишняя");
    QStringList edited = shortList;
    edited[7] = QStringLiteral("07.%.3f~тепло");
    const struct {
        QStringList stored;
        QStringList loaded;
    } cases[] = {{own, own + shortList}, {longer, longer + shortList}, {edited, edited}};
    for (const auto &k : cases) {
        writeList(dir, QStringLiteral("ФОРМАТЫ_30.txt"), k.stored);
        for (int round = 0; round < 3; ++round) {
            ASSERT_TRUE(f.load(tmp.path(), round == 1 ? 237 : 235, round == 2 ? 2 : 0));
            EXPECT_EQ(f.vars, k.loaded) << k.stored.size() << " entries, round " << round;
            EXPECT_TRUE(f.save(tmp.path(), 235, 0).isEmpty());
        }
    }
}

TEST(PrintForms, FontLines)
{
    struct Case {
        const char *first;
        ReportFont font;
        bool removed;
    } cases[] = {
        {"Name=Arial\tSize=12\tBold\tItalic\t", {QStringLiteral("Arial"), 12, true, true}, true},
        {"Name=Courier New\tSize=abc\t", {QStringLiteral("Courier New"), 8, false, false}, true},
        {"Name=Courier New\t", {QStringLiteral("Courier New"), 10, false, false}, false},
        {"Name=Arial\tSize=9\t", {QStringLiteral("Arial"), 9, false, false}, true},
        {"Name=Arial\tSize=9\tItalic\t", {QStringLiteral("Arial"), 9, false, true}, true},
        {"a=b without a tab", {QStringLiteral("Times"), 10, false, false}, false},
    };
    for (const Case &k : cases) {
        ReportSection s;
        s.font = ReportFont{QStringLiteral("Times"), 10, false, false};
        if (QByteArray(k.first).startsWith("Name=Arial\tSize=9"))
            s.font.bold = true; // a saved font without bold clears it
        s.lines = {QString::fromUtf8(k.first), QStringLiteral("text")};
        readMemoFont(s);
        EXPECT_EQ(s.font, k.font) << k.first;
        EXPECT_EQ(s.lines.size(), k.removed ? 1 : 2) << k.first;
    }
    EXPECT_EQ(fontLine({QStringLiteral("MS Sans Serif"), 8, true, false}),
              QStringLiteral("Name=MS Sans Serif\tSize=8\tBold\t"));
}

// What is saved loads back the same, in Windows-1251 with CR LF and the
// font line first; an edit that is not saved is replaced by the file.
TEST(PrintForms, SaveAndLoadRoundTrip)
{
    QTemporaryDir tmp;
    PrintForms f;
    f.load(tmp.path(), 238, 3);
    f.header.lines = {QStringLiteral("Шапка @00"), QString()};
    f.header.font = {QStringLiteral("DejaVu Sans"), 11, false, true};
    f.data.lines.prepend(QStringLiteral("^"));
    f.footer.lines = {QStringLiteral("Подпись")};
    f.vars[7] = QStringLiteral("07.%.3f~тепло");
    ASSERT_TRUE(f.save(tmp.path(), 238, 3).isEmpty());

    QByteArray bytes;
    ASSERT_TRUE(readFileBytes(QDir(tmp.path()).filePath(QStringLiteral("ВЕРХ_ЧАС_34.txt")), bytes));
    EXPECT_EQ(bytes, toCp1251(QStringLiteral("Name=DejaVu Sans\tSize=11\tItalic\t\r\nШапка @00\r\n\r\n")));

    PrintForms g;
    g.header.lines = {QStringLiteral("edit not saved")};
    ASSERT_TRUE(g.load(tmp.path(), 234, 2)); // 234 shares the files of 238
    EXPECT_EQ(g.header.lines, f.header.lines);
    EXPECT_EQ(g.header.font, f.header.font);
    EXPECT_EQ(g.data.lines, f.data.lines);
    EXPECT_EQ(g.footer.lines, f.footer.lines);
    EXPECT_EQ(g.vars, f.vars);
    // The daily set of the same number was never written: its sections
    // are the built-in ones of the full list, whatever they held before.
    PrintForms d;
    d.data.lines = {QStringLiteral("от другого типа")};
    ASSERT_TRUE(d.load(tmp.path(), 238, 0));
    EXPECT_EQ(d.header.lines, PrintForms::defaultHeader(VarList::Full).lines);
    EXPECT_EQ(d.data.lines, PrintForms::defaultData(VarList::Full, false).lines);
    EXPECT_EQ(d.footer.lines, PrintForms::defaultFooter().lines);
}

// A save that cannot be done says so and leaves the files that were there.
TEST(PrintForms, FailedSaveIsReportedAndKeepsTheOldFile)
{
    QTemporaryDir tmp;
    PrintForms f;
    f.load(tmp.path(), 225, 0);
    ASSERT_TRUE(f.save(tmp.path(), 225, 0).isEmpty());
    const QString header = QDir(tmp.path()).filePath(QStringLiteral("ВЕРХ_СУТ_25.txt"));
    QByteArray before;
    ASSERT_TRUE(readFileBytes(header, before));

    f.header.lines = {QStringLiteral("знак вне кодовой страницы: ✓")};
    const QString error = f.save(tmp.path(), 225, 0);
    EXPECT_TRUE(error.contains(QStringLiteral("ВЕРХ_СУТ_25.txt"))) << error.toStdString();
    QByteArray after;
    ASSERT_TRUE(readFileBytes(header, after));
    EXPECT_EQ(after, before);

    EXPECT_FALSE(f.save(QDir(tmp.path()).filePath(QStringLiteral("нет/такой")), 225, 0).isEmpty());
    EXPECT_FALSE(f.save(tmp.path(), 128, 0).isEmpty());
}

// Templates written by another editor in UTF-8 (with or without a mark)
// read as UTF-8, and are saved in Windows-1251 as always. A template file
// past its bounds is refused, said, and its part stays as it was.
TEST(PrintForms, Utf8TemplatesAndTheSizeBound)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString header = QStringLiteral("Отчёт по теплу, t°С № @01");
    const QString vars = dir.filePath(PrintForms::varsFileName(34));
    for (const QByteArray &mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        ASSERT_TRUE(writeFileAtomic(dir.filePath(QStringLiteral("ВЕРХ_СУТ_34.txt")),
                                    mark + "Name=Arial\tSize=9\t\r\n" + header.toUtf8() + "\r\n"));
        ASSERT_TRUE(writeFileAtomic(vars, mark + QStringLiteral("07.%.3f~тепло").toUtf8()));
        PrintForms f;
        QString error;
        ASSERT_TRUE(f.load(tmp.path(), 238, 0, &error));
        EXPECT_EQ(error, QString());
        EXPECT_EQ(f.header.lines, QStringList{header});
        EXPECT_EQ(f.header.font.name, QStringLiteral("Arial"));
        EXPECT_EQ(f.vars.value(0), QStringLiteral("07.%.3f~тепло"));
        ASSERT_TRUE(f.save(tmp.path(), 238, 0).isEmpty());
        QByteArray bytes;
        ASSERT_TRUE(readFileBytes(dir.filePath(QStringLiteral("ВЕРХ_СУТ_34.txt")), bytes));
        EXPECT_EQ(bytes, toCp1251(QStringLiteral("Name=Arial\tSize=9\t\r\n") + header + QStringLiteral("\r\n")));
    }

    // One byte past the bound, and a sparse file of gigabytes.
    for (const qint64 size : {kTemplateFileBound + 1, qint64(10) << 30}) {
        QFile big(dir.filePath(QStringLiteral("ОСНОВА_СУТ_34.txt")));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.write(QByteArray(1000, 'x')) == 1000 && big.resize(size));
        big.close();
        PrintForms f;
        QString error;
        ASSERT_TRUE(f.load(tmp.path(), 238, 0, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("ОСНОВА_СУТ_34.txt")) && error.contains(QString::number(kTemplateFileBound)))
            << error.toStdString();
        EXPECT_EQ(f.data.lines, PrintForms::defaultData(VarList::Full).lines);
        EXPECT_EQ(f.header.lines, QStringList{header}); // the others are read
        // The next print saves the set: the refused file is not replaced by
        // the built-in section it was not read into.
        ASSERT_TRUE(f.save(tmp.path(), 238, 0).isEmpty());
        EXPECT_EQ(QFileInfo(big.fileName()).size(), size);
    }
    // A line no page is wide enough for: the file is refused, the line named.
    for (const int length : {kTemplateLineBound, kTemplateLineBound + 1}) {
        ASSERT_TRUE(writeFileAtomic(dir.filePath(QStringLiteral("ОСНОВА_СУТ_34.txt")),
                                    "@06\r\n" + QByteArray(length, '@') + "\r\n"));
        PrintForms f;
        QString error;
        ASSERT_TRUE(f.load(tmp.path(), 238, 0, &error));
        if (length <= kTemplateLineBound) {
            EXPECT_EQ(error, QString());
            EXPECT_EQ(f.data.lines.size(), 2);
        } else {
            EXPECT_TRUE(error.contains(QStringLiteral("строка 2")) && error.contains(QString::number(kTemplateLineBound)))
                << error.toStdString();
            EXPECT_EQ(f.data.lines, PrintForms::defaultData(VarList::Full).lines);
        }
    }
}
