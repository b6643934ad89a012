#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>

using namespace pim;

namespace {

const QString kFormat = QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА ");
const QString kCs = QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
const QString kType = QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
const QString kNumber = QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");

// A frame with a correct checksum from its bytes before the checksum.
Tab framed(std::initializer_list<int> bytes)
{
    Tab t(bytes);
    t.append(CalcCS(t));
    return t;
}

} // namespace

TEST(Frame, Checksum)
{
    EXPECT_EQ(CalcCS(Tab{0x06, 0, 0, 0, 0}), 0xFA);
    EXPECT_EQ(CalcCS(Tab()), 0);
    EXPECT_EQ(CalcCS(Tab{0x80, 0x80}), 0); // the sum wraps to 0
    EXPECT_EQ(CalcCS(Tab{0x01}), 0xFF);

    EXPECT_TRUE(TestCS(IdentityTemplate()));
    EXPECT_TRUE(TestCS(Tab{0x00}));
    EXPECT_FALSE(TestCS(Tab{0x06, 0, 0, 0, 0, 0xFB}));
    EXPECT_FALSE(TestCS(Tab())); // no checksum byte at all
}

TEST(Frame, RequestsForAKnownDevice)
{
    const Identity dev{229, 0x1234};
    // From the frame layout: 06 E5 34 12 01, and CE makes the sum 0.
    EXPECT_EQ(SQ(dev, Q_State).toHex(), "06 E5 34 12 01 CE");

    const Tab data = Tab::fromHex(u"55 AA 39 30");
    const Tab setNo = SQ(dev, Q_SetNo, data);
    EXPECT_EQ(setNo.size(), 10);
    EXPECT_EQ(setNo.mid(0, 9).toHex(), "0A E5 34 12 F0 55 AA 39 30");
    EXPECT_TRUE(TestCS(setNo));

    // The longest request: 249 data bytes make a 255-byte frame; more are cut.
    for (int n : {249, 250, 400}) {
        const Tab big = SQ(dev, Q_SetParam, Tab(n));
        EXPECT_EQ(big.size(), 255) << n;
        EXPECT_EQ(big.at(0), 255) << n;
        EXPECT_TRUE(TestCS(big)) << n;
    }
}

TEST(Frame, Type128FixedRequests)
{
    const Identity dev{128, 0x0102};
    struct Case {
        int code, v5, v6;
        const char *head; // bytes 0..6
    };
    const Case cases[] = {
        {Q_ClrArh, 0x1234, 0, "08 80 02 01 02 34 12"},      // new number as one word
        {Q_ClrArh, 0x34, 0x12, "08 80 02 01 02 34 12"},     // or as its two bytes
        {Q_SetParam128, 3, 1 + 4 * 2 + 16 * 3 + 64 * 0, "08 80 02 01 FF 03 39"},
        {Q_Init, 7, 7, "08 80 02 01 09 00 00"},             // other codes carry zeros
    };
    for (const Case &c : cases) {
        const Tab f = SQ128(dev, c.code, c.v5, c.v6);
        EXPECT_EQ(f.size(), 8);
        EXPECT_EQ(f.mid(0, 7).toHex(), QString::fromLatin1(c.head)) << c.code;
        EXPECT_TRUE(TestCS(f));
    }
}

TEST(Frame, IdentityRequest)
{
    EXPECT_EQ(SQNoTu(Identity{}).toHex(), "06 00 00 00 00 FA");
    struct Case {
        int type, number;
        bool addressed;
    };
    const Case cases[] = {
        {-1, 5, false}, {229, -1, false}, {229, 0, false}, {0, 5, false}, {229, 0x1234, true},
    };
    for (const Case &c : cases) {
        const Tab q = SQNoTu(Identity{c.type, c.number});
        if (c.addressed)
            EXPECT_EQ(q.toHex(), "06 E5 34 12 00 CF");
        else
            EXPECT_EQ(q, IdentityTemplate()) << c.type << " " << c.number;
    }
    const Identity dev{229, 0x1234};
    EXPECT_EQ(SQ(dev, Q_State).toHex(), "06 E5 34 12 01 CE");
    EXPECT_EQ(SQ128(dev, Q_Init).toHex().left(14), "08 E5 34 12 09");
    // A request names its addressee; one too short to hold it names none.
    EXPECT_EQ(addressee(SQ(dev, Q_State)), dev);
    EXPECT_EQ(addressee(Tab{0x06, 0xE5}), (Identity{229, 0}));
    EXPECT_EQ(addressee(Tab()), (Identity{0, 0}));
}

TEST(Frame, TestNoTuBounds)
{
    struct Case {
        int number, type;
        bool ok;
    };
    const Case cases[] = {
        {1, 128, true}, {65535, 239, true}, {0, 229, false}, {65536, 229, false},
        {-1, 229, false}, {5, 127, false}, {5, 240, false}, {5, -1, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TestNoTu(c.number, c.type), c.ok) << c.number << " " << c.type;
}

TEST(Frame, DecNoTu)
{
    const QString erundec = QStringLiteral("unit Upo:function DecNoTu: erundec ");
    struct Case {
        const char *hex;
        QString err;
        int number, type;
    };
    const Case cases[] = {
        {"06 E5 34 12 00 CF", QString(), 0x1234, 229},
        {"06 00 00 00 00 FA", QString(), 0, 0},      // the template itself: type not judged
        {"06 F5 01 00 00 04", QString(), 1, 245},   // nor a type outside the range
        {"06 E5 34 12 03 CC", erundec, -1, -1},     // byte 4 = 3
        {"06 E5 34 12 00 CE", kCs, -1, -1},         // checksum only: leading CR
        {"06 E5 34 12 03 00", erundec + kCs, -1, -1},
        {"07 E5 34 12 00 00 CE", erundec, -1, -1},  // 7 bytes, checksum right
        {"06 E5 34 12 00 CF 01", erundec + kCs, -1, -1},
        {"06 E5 34 12 00 CF 00", erundec, -1, -1},  // the extra 00 keeps the sum 0
        {"", erundec + kCs, -1, -1},
        {"06", erundec + kCs, -1, -1},
        {"00", erundec, -1, -1},
    };
    for (const Case &c : cases) {
        int number = 77, type = 77;
        const Tab reply = Tab::fromHex(QString::fromLatin1(c.hex));
        EXPECT_EQ(DecNoTu(reply, number, type), c.err) << c.hex;
        EXPECT_EQ(number, c.number) << c.hex;
        EXPECT_EQ(type, c.type) << c.hex;
    }
}

TEST(Frame, TestAnswerMessagesInOrder)
{
    const Identity dev{229, 0x1234};
    const Tab good = framed({0x07, 0xE5, 0x34, 0x12, 0x05, 0x99});
    ASSERT_TRUE(TestCS(good));

    struct Case {
        const char *what;
        Tab reply;
        int length, code;
        QString err;
    };
    const Case cases[] = {
        {"good", good, 7, 5, QString()},
        {"expected length differs", good, 8, 5, kFormat + "5"},
        {"code differs", good, 7, 1, kFormat + "1"},
        {"wrong type", framed({0x07, 0xE4, 0x34, 0x12, 0x05, 0x99}), 7, 5, kType},
        {"wrong number", framed({0x07, 0xE5, 0x35, 0x12, 0x05, 0x99}), 7, 5, kNumber},
        {"bad checksum", Tab{0x07, 0xE5, 0x34, 0x12, 0x05, 0x99, 0x00}, 7, 5, kCs},
        {"length byte lies", framed({0x08, 0xE5, 0x34, 0x12, 0x05, 0x99}), 8, 5, kFormat + "5"},
        {"wrong in every respect", Tab{0x09, 0xE4, 0x00, 0x00, 0x01, 0x99, 0x00}, 7, 5,
         kFormat + "5" + kCs + kType + kNumber},
        // Too short to hold a header: the checks report on what arrived.
        {"empty", Tab(), 0, 0, kFormat + "0" + kCs + kType + kNumber},
        {"one byte", Tab{0x00}, 0, 0, kFormat + "0" + kType + kNumber},
        {"four bytes, header right", Tab{0x04, 0xE5, 0x34, 0x12}, 4, 0, kFormat + "0" + kCs},
        {"three bytes", Tab{0x03, 0xE5, 0x34}, 3, 0, kFormat + "0" + kCs + kNumber},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TestAnswer(c.reply, c.length, c.code, dev), c.err) << c.what;
}

TEST(Frame, TestAnswerChecksAgainstTheGivenDevice)
{
    const Tab reply = framed({0x06, 0xE5, 0x34, 0x12, 0x01});
    EXPECT_EQ(TestAnswer(reply, 6, 1, Identity{}), kType + kNumber);
    EXPECT_EQ(TestAnswer(reply, 6, 1, Identity{229, 0x1234}), QString());
}
