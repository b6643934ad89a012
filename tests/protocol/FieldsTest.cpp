#include "protocol/Fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace pim;

TEST(Fields, WordsLongsSingles)
{
    Tab t = Tab::fromHex(u"34 12 00 00 80 3F FF FF FF FF");
    EXPECT_EQ(GetW(t, 0), 0x1234);
    EXPECT_EQ(GetF(t, 2), 1.0f);
    EXPECT_EQ(GetL(t, 6), -1);
    EXPECT_EQ(GetL(t, 0), 0x1234);

    Tab w(10);
    PutW(0x1234, w, 0);
    PutW(-1, w, 2);        // only the low 16 bits count
    PutF(w, 4, 1.0);
    EXPECT_EQ(w.toHex(), "34 12 FF FF 00 00 80 3F 00 00");
    PutL(-2, w, 0);
    EXPECT_EQ(w.mid(0, 4).toHex(), "FE FF FF FF");
    PutL(0x1'2345'6789LL, w, 0); // wider values keep their low 32 bits
    EXPECT_EQ(w.mid(0, 4).toHex(), "89 67 45 23");
    EXPECT_EQ(GetL(w, 0), 0x23456789);

    PutF(w, 0, 20.1);
    EXPECT_EQ(GetF(w, 0), 20.1f);
    PutF(w, 0, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(GetF(w, 0)));
}

TEST(Fields, AccessAtTheEdgeStaysInside)
{
    Tab t = Tab::fromHex(u"11 22 33");
    EXPECT_EQ(GetW(t, 2), 0x33);       // missing high byte reads 0
    EXPECT_EQ(GetW(t, -1), 0x1100);
    EXPECT_EQ(GetL(t, 1), 0x3322);
    EXPECT_EQ(GetW(t, 1000000), 0);
    EXPECT_EQ(GetF(Tab(), 0), 0.0f);
    PutW(0xAABB, t, 2);
    PutL(-1, t, 1);
    PutF(t, 2, 1.0);
    EXPECT_EQ(t.size(), 3);
    PutW(0xAABB, t, 2);
    EXPECT_EQ(t.toHex(), "11 FF BB");

    // Offsets at the ends of the int range (the sanitizer build catches an
    // offset + 1 that overflows).
    for (int i : {std::numeric_limits<int>::max(), std::numeric_limits<int>::max() - 2,
                  std::numeric_limits<int>::min()}) {
        EXPECT_EQ(GetW(t, i), 0) << i;
        EXPECT_EQ(GetL(t, i), 0) << i;
        EXPECT_EQ(GetF(t, i), 0.0f) << i;
        PutW(-1, t, i);
        PutL(-1, t, i);
        PutF(t, i, 1.0);
        QString msg;
        EXPECT_EQ(ChTW(QByteArray("ab"), i, &msg), 0) << i;
        EXPECT_EQ(msg, "function ChTW");
        EXPECT_EQ(SingleAt(QByteArray("abcd"), i), 0.0f) << i;
    }
    EXPECT_EQ(t.toHex(), "11 FF BB");
}

TEST(Fields, LinkTexts)
{
    const QByteArray text("\x34\x12\x00\x00\x80\x3F", 6);
    QString msg;
    EXPECT_EQ(ChTW(text, 1, &msg), 0x1234);
    EXPECT_TRUE(msg.isEmpty());
    EXPECT_EQ(SingleAt(text, 3), 1.0f);
    EXPECT_EQ(SingleAt(QByteArray(), 1), 0.0f);
    EXPECT_EQ(SingleAt(text, 0), SingleAt(QByteArray("\0\x34\x12\0", 4), 1));
    // Past the end: the message, and the byte alone.
    EXPECT_EQ(ChTW(text, 6, &msg), 0x3F);
    EXPECT_EQ(msg, "function ChTW");
    msg.clear();
    EXPECT_EQ(ChTW(text, 0, &msg), 0);
    EXPECT_EQ(msg, "function ChTW");
    EXPECT_EQ(ChTW(QByteArray(), 1), 0);

    EXPECT_EQ(WordToStr2(0x1234), QByteArray("\x34\x12"));
    EXPECT_EQ(WordToStr2(-1), QByteArray("\xFF\xFF"));
    const Tab t = Tab::fromHex(u"06 E5 00 FF");
    EXPECT_EQ(StrToTab(TabToStr(t)), t);
    EXPECT_EQ(TabToStr(t).size(), 4);
}

TEST(Fields, TextConversions)
{
    EXPECT_EQ(TabToDecBar(Tab::fromHex(u"06 E5")), "6|229|");
    EXPECT_EQ(TabToDecBar(Tab()), "");
    EXPECT_EQ(TabToDecBar(Tab{0}), "0|");

    const QByteArray bytes("\x06\xE5\x00", 3);
    EXPECT_EQ(ListBytes(bytes.left(2), "|", 0), "006|229");
    EXPECT_EQ(ListBytes(bytes, " ", 1), "06 E5 00");
    EXPECT_EQ(ListBytes(QByteArray(), "|", 0), "");
    EXPECT_EQ(ListBytes(bytes.left(1), ", ", 0), "006");

    struct Case {
        const char *text, *sep;
        QByteArray expected;
    };
    const Case cases[] = {
        {"65|x|66", "|", QByteArray("A~B")},
        {"6|229", "|", QByteArray("\x06\xE5")},
        {" 7 ;0", ";", QByteArray("\x07\x00", 2)},
        {"256|-1|1.5|", "|", QByteArray("~~~~")}, // no byte has these codes; the empty tail too
        {"", "|", QByteArray()},
        {"65", "", QByteArray("A")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseBytes(QString::fromUtf8(c.text), QString::fromUtf8(c.sep)), c.expected) << c.text;
}

TEST(Fields, ErrText)
{
    const QStringList texts{"норма", "b0", "b1", "b2", "b3"};
    const QString nr = QStringLiteral("\n\r");
    auto block = [&](const QString &value, const QString &text) {
        return QStringLiteral("Код=") + value + ":" + nr + text + nr;
    };
    struct Case {
        qint64 code;
        QStringList table;
        QString expected;
    };
    const Case cases[] = {
        {0, texts, "норма"},
        {5, texts, block("1", "b0") + block("4", "b2")},        // lowest bit first
        {0x100, {"a", "b", "c"}, block("256", "неизвестный")},
        {0x18, texts, block("8", "b3") + block("16", "неизвестный")},
        // A cell read as -1: every one of the 32 bits, the last worth 2^31.
        {-1, {"x"}, [&] {
             QString s;
             for (int k = 0; k < 32; ++k)
                 s += block(QString::number(quint64(1) << k), "неизвестный");
             return s;
         }()},
        {qint64(0x80000000), {}, block("2147483648", "неизвестный")},
        {qint64(1) << 40, {}, block("1099511627776", "неизвестный")},
        {0, {}, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ErrText(c.code, c.table), c.expected) << c.code;
}
