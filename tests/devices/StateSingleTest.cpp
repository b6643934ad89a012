// State replies of the single-system modules U25 and U27 and of the pulse
// counter U128: hand-written hex fixtures against the expected value texts.

#include "devices/StateCodec.h"
#include "support/StateFrame.h"
#include "support/StateTestEnv.h"

#include <gtest/gtest.h>

using namespace pim;
using pim::test::hexTab;
using pim::test::StateFrame;

namespace {

// Type 225, number 0x1234. f32 heat 123.5 @5; u16 temperatures 6543, 4010,
// 5500 @9/11/13; f32 volumes 1.0, 2.5, 1000.0 @15/19/23; reduced-temperature
// volume 0.5 @27; energies 70000.0, -2.0 @31/35; error 0x11 @39.
const char *k225 = "29 E1 34 12 01 00 00 F7 42 8F 19 AA 0F 7C 15 00 00 80 3F 00 00 20 40"
                   " 00 00 7A 44 00 00 00 3F 00 B8 88 47 00 00 00 C0 11 10";
// Type 227, number 0x1234. heat 10.0 @5; temperatures 2000, 0, 65535; volumes
// 1.0, 2.0 @15/19, hot water 3.0 @23, volume 3 = 4.0 @27; error 0xFF @31.
const char *k227 = "21 E3 34 12 01 00 00 20 41 D0 07 00 00 FF FF 00 00 80 3F 00 00 00 40"
                   " 00 00 40 40 00 00 80 40 FF 41";
// Type 128, number 0x1234. pulses 100, 7, 5, 2147483647 @7/11/15/19; weight
// numbers 1, 3, 4, 0 @23..26; modification 4 @27.
const char *k128 = "1F 80 34 12 01 00 00 64 00 00 00 07 00 00 00 05 00 00 00 FF FF FF 7F"
                   " 01 03 04 00 04 00 00 22";

class StateSingle : public pim::test::StateTestBase {};

TEST_F(StateSingle, U25DecodesEveryValueInDisplayOrder)
{
    identify(225);
    StateCodec25 c;
    ASSERT_EQ(c.DecState(hexTab(k225), m_dev), QString());
    // 6543 hundredths of a degree show as 65.43.
    EXPECT_EQ(c.SLfromState(), QStringList({"123.50", "65.43", "40.10", "55.00", "1.00", "2.50", "1000.00", "0.50",
                                            "70000.00", "-2.00", "17"}));
    EXPECT_EQ(c.rec().tSupply, 6543);
    EXPECT_EQ(c.errorCode(1), 17);
}

TEST_F(StateSingle, U27DecodesHotWaterVolumeBeforeVolume3)
{
    identify(227);
    StateCodec27 c;
    ASSERT_EQ(c.DecState(hexTab(k227), m_dev), QString());
    EXPECT_EQ(c.SLfromState(),
              QStringList({"10.00", "20.00", "0.00", "655.35", "1.00", "2.00", "3.00", "4.00", "255"}));
}

TEST_F(StateSingle, TemperatureFollowsDecimalSeparatorAndPrecision)
{
    identify(225);
    StateCodec25 c;
    ASSERT_EQ(c.DecState(hexTab(k225), m_dev), QString());
    FormatSettings s = formatSettings();
    s.decimalSeparator = QLatin1Char(',');
    setFormatSettings(s);
    EXPECT_EQ(c.SLfromState().at(1), "65,43");
    ValueFormat format;
    format.setPrecision(3);
    c.setValueFormat(&format);
    EXPECT_EQ(c.SLfromState().at(1), "65,430");
    EXPECT_EQ(c.SLfromState().at(10), "17"); // integers keep "%d"
}

TEST_F(StateSingle, U128WeightsAndSixtyFourBitTotals)
{
    identify(128);
    StateCodec128 c;
    ASSERT_EQ(c.DecState(hexTab(k128), m_dev), QString());
    // Weight numbers 1, 3, 4, 0 give weights 100, 1, 0, 1000; the last total
    // does not fit 32 bits.
    EXPECT_EQ(c.SLfromState(), QStringList({"4", "100", "7", "5", "2147483647", "1", "3", "4", "0", "100", "1", "0",
                                            "1000", "10000.00", "7.00", "0.00", "2147483647000.00"}));
}

TEST_F(StateSingle, WeightOfEveryWeightNumber)
{
    const int expected[] = {1000, 100, 10, 1, 0, 0};
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(weightOf(n), expected[n]) << n;
    EXPECT_EQ(weightOf(255), 0);
}

TEST_F(StateSingle, U128NegativePulsesKeepTheirSign)
{
    identify(128);
    StateCodec128 c;
    const Tab t = StateFrame(31, 128, 0x1234).i32(7, -3).u8(23, 0).u8(27, 1).tab();
    ASSERT_EQ(c.DecState(t, m_dev), QString());
    EXPECT_EQ(c.rec().ch[0].total, -3000.0);
    EXPECT_EQ(c.SLfromState().at(13), "-3000.00");
}

TEST_F(StateSingle, U128ShowsTheChannelsOfItsModification)
{
    identify(128);
    StateCodec128 c;
    ASSERT_EQ(c.DecState(StateFrame(31, 128, 0x1234).u8(27, 2).tab(), m_dev), QString());
    QList<int> shown;
    for (int i = -1; i <= 17; ++i)
        if (c.valueShown(i))
            shown << i;
    // modification, then channels 1 and 2 of pulses, weight numbers, weights, totals
    EXPECT_EQ(shown, QList<int>({0, 1, 2, 5, 6, 9, 10, 13, 14}));
    EXPECT_EQ(c.SLfromState().size(), 17);
}

// The generic check: fixed format text with the command number, then the
// checksum, type and number appends, and the record untouched.
TEST_F(StateSingle, GenericCheckTexts)
{
    const QString fmt = QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1");
    const QString cs = QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    const QString ty = QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    const QString no = QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
    Tab badCs = hexTab(k225);
    badCs.set(40, badCs.at(40) + 1);
    Tab longer = hexTab(k225);
    longer.append(0);
    struct Case {
        const char *name;
        Tab reply;
        QString text;
    } cases[] = {
        {"command 5", StateFrame(41, 225, 0x1234, 5).tab(), fmt},
        {"length byte", StateFrame(41, 225, 0x1234).u8(0, 40).tab(), fmt},
        {"one byte more", longer, fmt}, // a trailing 0 keeps the byte sum at 0
        {"checksum", badCs, cs},
        {"type", StateFrame(41, 227, 0x1234).tab(), ty},
        {"number", StateFrame(41, 225, 0x1235).tab(), no},
        {"empty", Tab(), fmt + cs + ty + no},
        {"U27 frame", hexTab(k227), fmt + ty},
    };
    identify(225);
    StateCodec25 c;
    ASSERT_EQ(c.DecState(hexTab(k225), m_dev), QString());
    const QStringList before = c.SLfromState();
    for (const Case &k : cases) {
        EXPECT_EQ(c.DecState(k.reply, m_dev), k.text) << k.name;
        EXPECT_EQ(c.SLfromState(), before) << k.name;
    }
}

TEST_F(StateSingle, U128AndU27UseTheGenericCheck)
{
    identify(128);
    StateCodec128 c128;
    EXPECT_EQ(c128.DecState(StateFrame(31, 128, 0x1234, 255).tab(), m_dev), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1"));
    identify(227);
    StateCodec27 c27;
    EXPECT_EQ(c27.DecState(hexTab(k227), Identity{227, 7}), QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"));
    EXPECT_EQ(c27.SLfromState().at(0), "0.00");
}

} // namespace
