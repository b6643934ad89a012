// The service console's core: the value-cell arithmetic, frames from
// command tables and replies read with them, the table files, the listing.

#include "base/FormatSettings.h"
#include "base/TextFile.h"
#include "console/CommandTable.h"
#include "console/Expr.h"
#include "console/Listing.h"
#include "console/TableCodec.h"
#include "protocol/Frame.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace pim;
using namespace pim::console;

namespace {

// The decimal separator of the tests' texts.
class Separator {
public:
    explicit Separator(QChar c) : m_old(formatSettings())
    {
        FormatSettings s = m_old;
        s.decimalSeparator = c;
        setFormatSettings(s);
    }
    ~Separator() { setFormatSettings(m_old); }

private:
    FormatSettings m_old;
};

CommandTable table(const QStringList &cells)
{
    CommandTable t;
    t.rows << QStringList{QStringLiteral("№"), QStringLiteral("поле"), QStringLiteral("формат")};
    for (int i = 0; i < cells.size(); ++i)
        t.rows << QStringList{QString(), QStringLiteral("f%1").arg(i), cells[i]};
    t.renumber();
    return t;
}

} // namespace

TEST(Console, ExpressionsAsTheTablesRelyOnThem)
{
    Separator dot('.');
    struct Case {
        const char *text;
        bool ok;
        double value;
    } cases[] = {
        {"12.5", true, 12.5},
        {"$1F", true, 31},
        {"2+3*4", true, 14},
        {"8/2*2", true, 2},  // every product before every quotient
        {"8/4/2", true, 1},
        {"-2*3+10", true, 4},
        {"10-2-3", true, 5},
        {"0,5*4", true, 2},  // either separator
        {"5*-1", false, 0},  // a sign right after an operator
        {"*5", false, 0},
        {"2+x", false, 0},
        {"$1F*2", false, 0}, // "$" only for a whole number
        {"1/0", false, 0},   // no division by zero
        {"5/0*3", false, 0},
        {"=1/1000000", false, 0},
        {"1/1000000", true, 1e-6},   // an intermediate exponent stays a number
        {"1/1000000*1000", true, 1e-9}, // the product before the quotient
        {"", false, 0},
    };
    for (const Case &c : cases) {
        const ExprResult r = EvalExpr(QString::fromUtf8(c.text));
        EXPECT_EQ(r.ok, c.ok) << c.text;
        if (c.ok)
            EXPECT_DOUBLE_EQ(r.value, c.value) << c.text;
        else
            EXPECT_EQ(r.value, 0) << c.text;
    }
    EXPECT_EQ(realText(1e-6), "1E-6");
    EXPECT_EQ(realText(12.34), "12.34");
    // Next to the largest double 15 digits would round past it: the text
    // still reads back as the value.
    for (double v : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
        double back = 0;
        EXPECT_TRUE(readReal(realText(v), back)) << realText(v).toStdString();
        EXPECT_EQ(back, v);
    }
    EXPECT_EQ(exprShown(EvalExpr("1/0")), "Значение не распознано");
}

TEST(Console, EncodeTables)
{
    Separator dot('.');
    // The frame of the page's example: length, type, number, a byte and
    // the checksum of what comes before it.
    Encoded e = EncodeTable(table({"B@01", "B@03", "W@04", "", "B=5", "B@02"}), 225, 22);
    ASSERT_FALSE(e.refused);
    Tab expected{6, 0xE1, 0x16, 0x00, 0x05};
    expected.append(CalcCS(expected));
    EXPECT_EQ(e.frame, expected);
    EXPECT_EQ(e.report.value(0), "табл ф-т №зн зн итого");
    EXPECT_EQ(e.report.value(1), "B@01 B 1 6 f0=6");
    EXPECT_EQ(e.report.value(3), "W@04 W 4 22 f2=22");

    struct Case {
        QStringList cells;
        QString hex;      // the frame
        bool refused;
        int markedLine;   // report line ending in the remark; 0 none
    } cases[] = {
        {{"W", "", ""}, "00 00 00", true, 1},     // a letter alone has no value
        {{""}, "00", false, 0},                    // an empty cell is a plain 0
        {{"=300", "", "B=7"}, "2C 01 07", false, 0}, // the width follows the value
        {{"=-1", "", "", ""}, "00 00 80 BF", false, 0},
        {{"LB=7"}, "07", false, 0},                // the letter found last counts
        {{"S=1.5", "", "", ""}, "00 00 C0 3F", false, 0},
        {{"B=2.5", "W=3.5", ""}, "02 04 00", false, 0}, // halves to even
        // Values their format cannot hold, fields past the end: marked,
        // the frame refused, nothing of them written.
        {{"B=300"}, "00", true, 1},
        {{"W=-1", ""}, "00 00", true, 1},
        {{"L=1E20", "", "", ""}, "00 00 00 00", true, 1},
        {{"B=1", "W=5"}, "01 00", true, 2},
        {{"B=1/0"}, "00", true, 1},
    };
    for (const Case &c : cases) {
        e = EncodeTable(table(c.cells), 225, 22);
        EXPECT_EQ(e.frame.toHex(), c.hex) << qPrintable(c.cells.join('|'));
        EXPECT_EQ(e.refused, c.refused) << qPrintable(c.cells.join('|'));
        for (int i = 1; i < e.report.size(); ++i)
            EXPECT_EQ(e.report[i].endsWith("Значение не распознано"), i == c.markedLine)
                << qPrintable(c.cells.join('|')) << " " << qPrintable(e.report[i]);
    }
}

// A table with no field past its row numbers describes no frame: refused
// as such, never a lone zero byte.
TEST(Console, TablesWithoutRowsAreRefused)
{
    const QStringList header{QStringLiteral("№"), QStringLiteral("поле"), QStringLiteral("формат")};
    const QList<CommandTable> tables = {
        CommandTable{},
        CommandTable{{header}},
        CommandTable{{header, {}}},
        CommandTable{{header, {QStringLiteral("00"), QString(), QStringLiteral(" ")}, {QStringLiteral("01")}}},
    };
    for (const CommandTable &t : tables) {
        const Encoded e = EncodeTable(t, 225, 22);
        EXPECT_TRUE(e.refused) << t.rowCount();
        EXPECT_EQ(e.why, kNoRows);
        EXPECT_EQ(e.frame.size(), 0);
        EXPECT_EQ(e.report.value(1), "нет строк");
    }
    // An empty file loads into such a table.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("пусто.txt"));
    ASSERT_TRUE(writeLines(path, {}));
    CommandTable loaded;
    ASSERT_EQ(LoadTable(path, QLatin1Char('\t'), loaded), QString());
    EXPECT_EQ(EncodeTable(loaded, 225, 22).why, kNoRows);
    // A named field of no value is a zero byte the table asks for.
    EXPECT_FALSE(EncodeTable(CommandTable{{header, {QStringLiteral("00"), QStringLiteral("f0")}}}, 225, 22).refused);
}

TEST(Console, DecodeReplies)
{
    Separator comma(',');
    // Rows up to the shorter of the table and the reply: a 6-byte reply
    // and a 10-row table read rows 1 to 5.
    const Tab reply{6, 0xE5, 0xD2, 0x04, 0x00, 0x40};
    CommandTable t = table({"B", "B", "W=*0,01", "", "B=/0", "S", "", "", ""});
    QStringList lines = DecodeTable(t, reply);
    EXPECT_EQ(lines, (QStringList{"f0=6", "f1=229", "f2=1234(12,34)", "f4=0(Значение не распознано)"}));
    // A field reaching past the reply's end is not read.
    t = table({"B", "B", "B", "", "L", "", "", ""});
    lines = DecodeTable(t, Tab{1, 2, 3, 4, 5, 6});
    EXPECT_EQ(lines.last(), "f4=(Значение не распознано)");
    EXPECT_EQ(lines.size(), 5);
}

TEST(Console, TableFilesListingAndAsciiTable)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Запрос.txt");
    // Lines without their final TAB, written by hand.
    ASSERT_TRUE(writeLines(path, {"№\tполе\tформат", "00\tдлина\tB@01", "01\tтип\tB@03\tкомментарий"}));
    CommandTable t;
    ASSERT_EQ(LoadTable(path, '\t', t), QString());
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.columnCount(), 4);
    EXPECT_EQ(t.cell(2, 3), "комментарий");
    EXPECT_EQ(LoadTable(path + "x", '\t', t), "не найден файл:\r" + path + "x");
    EXPECT_EQ(t.rowCount(), 3); // a missing file loads nothing

    t.insertRowAfter(1);
    t.dropFormat(2, 'W', 4);
    EXPECT_EQ(t.cell(2, 0), "01");
    EXPECT_EQ(t.cell(2, 2), "W@04");
    EXPECT_EQ(t.cell(3, 2), "W@04");
    t.deleteRow(3);
    t.dropFormat(3, 'B', -1);
    EXPECT_EQ(t.cell(3, 2), "B@-1");
    ASSERT_EQ(SaveTable(t, path, '\t'), QString());
    QStringList lines;
    ASSERT_TRUE(readLines(path, lines));
    EXPECT_EQ(lines.value(1), "00\tдлина\tB@01\t");
    EXPECT_EQ(lines.value(2), "01\t\tW@04\t");
    ASSERT_TRUE(writeLines(QDir(dir.path()).filePath("b.TXT"), {"x"}));
    ASSERT_TRUE(writeLines(QDir(dir.path()).filePath("c.dat"), {"x"}));
    EXPECT_EQ(ListTables(dir.path()).size(), 2);

    EXPECT_EQ(byteLine(4, 13), "4.=13 (0x0D)");
    const QStringList ascii = asciiTable();
    ASSERT_EQ(ascii.size(), 256);
    EXPECT_EQ(ascii[0], "001=00(00) NUL(Null char.)");
    EXPECT_EQ(ascii[65], "066=65(41) A");
    EXPECT_EQ(ascii[32], "033=32(20) SP (Space)");
    EXPECT_EQ(ascii[0xC0], "193=192(C0) А");

    // The listing options.
    const Encoded e = EncodeTable(t, 225, 22);
    ListingOptions only;
    only.onlyReply = true;
    EXPECT_TRUE(requestListing(e, only).isEmpty());
    only = {};
    only.onlyValues = true;
    EXPECT_EQ(requestListing(e, only).value(0), "запрос");
    EXPECT_EQ(replyListing(Tab{3, 1}, path + "x", only),
              (QStringList{"ответ:", "не найден файл:\r" + path + "x"}));
}
