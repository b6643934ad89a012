// Archive replies of every module: record images written by offset from the
// layout tables and the texts of the rejected replies.

#include "devices/ArhCodec.h"
#include "devices/ArhLayout.h"
#include "devices/support/ArhFixture.h"

#include <QDate>

#include <functional>
#include <limits>

using namespace pim;
using namespace pim::test;

namespace {

class ArhDecode : public ArhTestBase {};

const int kDay = 8771; // 5 January 2024

// A U38 reply with a different value in every field of both systems, and
// junk in the undecoded bytes 217..220.
Tab reply238(int type = 238, int number = 0x1234)
{
    ArhFrame f(222, type, number);
    f.u16(5, 1000).u16(7, 12).u16(9, 34);
    f.f32(11, 123.5f).f32(15, 7.25f);
    f.f32(19, 10.5f).f32(23, 20.25f).f32(27, 3.0f);
    f.f32(31, 1.5f).f32(35, 2.5f).f32(39, 4.5f);
    f.f32(43, 0.125f).f32(47, 0.25f).f32(51, 0.375f);
    f.f32(55, 1.125f).f32(59, 1.25f).f32(63, 1.375f);
    f.u16(67, 1440);
    f.f32(69, 0.5f).f32(73, 0.75f);
    f.f32(77, 1).f32(81, 2).f32(85, 3).f32(89, 4).f32(93, 5).f32(97, 6);
    f.f32(101, 7).f32(105, 8).f32(109, 9).f32(113, 10).f32(117, 11).f32(121, 12);
    f.f32(125, 70.5f).f32(129, 40.25f).f32(133, 65.5f).f32(137, 35.75f);
    f.f32(141, 5.5f).f32(145, 6.5f);
    f.f32(149, 0.5f).f32(153, 0.25f).f32(157, 0.75f).f32(161, 1.25f);
    f.u16(165, 75).u16(167, 130);
    f.u16(169, 4).u16(171, 5);
    f.f32(173, 0.5f).f32(177, 1.5f);
    f.u16(181, 2).u16(183, 3);
    f.f32(185, 2.5f).f32(189, 3.5f);
    f.u16(193, 6).u16(195, 7);
    f.f32(197, 4.5f).f32(201, 5.5f);
    f.u16(205, 0xBEEF).u16(207, 0x1111).u16(209, 0x2222);
    f.u8(211, 9).u8(212, 17).u8(213, 33).u8(214, 13).u16(215, kDay);
    f.u8(217, 0xAA).u8(218, 0xBB).u8(219, 0xCC).u8(220, 0xDD);
    return f.tab();
}

// The Tarh238 image that reply238 must give, written from the record table.
QByteArray image238()
{
    ArhImage m(232, 2);
    m.i32(0, 0, 1000).i32(1, 0, 1000);
    m.i32(0, 4, 12).i32(1, 4, 34);
    m.f64(0, 8, 123.5).f64(1, 8, 7.25);
    m.f64(0, 16, 10.5).f64(0, 24, 20.25).f64(0, 32, 3.0);
    m.f64(1, 16, 1.5).f64(1, 24, 2.5).f64(1, 32, 4.5);
    m.f64(0, 40, 0.125).f64(0, 48, 0.25).f64(0, 56, 0.375);
    m.f64(1, 40, 1.125).f64(1, 48, 1.25).f64(1, 56, 1.375);
    m.i32(0, 64, 1440).i32(1, 64, 1440);
    m.f64(0, 72, 0.5).f64(1, 72, 0.75);
    m.f64(0, 80, 1).f64(0, 88, 2).f64(0, 96, 3).f64(1, 80, 4).f64(1, 88, 5).f64(1, 96, 6);
    m.f64(0, 104, 7).f64(0, 112, 8).f64(0, 120, 9).f64(1, 104, 10).f64(1, 112, 11).f64(1, 120, 12);
    m.f64(0, 128, 70.5).f64(0, 136, 40.25).f64(1, 128, 65.5).f64(1, 136, 35.75);
    m.f64(0, 144, 5.5).f64(1, 144, 6.5);
    m.f64(0, 152, 0.5).f64(0, 160, 0.25).f64(1, 152, 0.75).f64(1, 160, 1.25);
    m.i32(0, 168, 75).i32(1, 168, 130);
    m.i32(0, 172, 2).i32(1, 172, 3);   // B
    m.i32(0, 176, 4).i32(1, 176, 5);   // A
    m.i32(0, 180, 6).i32(1, 180, 7);   // C
    m.i32(0, 184, 0xBEEF);             // system 1 only
    m.i32(0, 188, 0x1111).i32(1, 188, 0x2222);
    m.f64(0, 192, 0.5).f64(1, 192, 1.5);
    m.f64(0, 200, 2.5).f64(1, 200, 3.5);
    m.f64(0, 208, 4.5).f64(1, 208, 5.5);
    m.i32(0, 216, 9).i32(1, 216, 17);
    m.i32(0, 220, 33).i32(1, 220, 33);
    m.i32(0, 224, 13).i32(1, 224, 13);
    m.i32(0, 228, kDay).i32(1, 228, kDay);
    return m.bytes();
}

Tab reply229()
{
    ArhFrame f(166, 229, 0x1234);
    f.u16(5, 2000).u16(7, 1).u16(9, 2);
    f.f32(11, 50.5f).f32(15, 60.5f);
    f.f32(19, 1).f32(23, 2).f32(27, 3).f32(31, 4).f32(35, 5).f32(39, 6);
    f.u16(43, 60);
    f.f32(45, 0.25f).f32(49, 0.75f);
    f.f32(53, 7).f32(57, 8).f32(61, 9).f32(65, 10).f32(69, 11).f32(73, 12);
    f.f32(77, 80.5f).f32(81, 45.5f).f32(85, 75.25f).f32(89, 40.75f);
    f.f32(93, 8.5f).f32(97, 9.5f);
    f.f32(101, 6.5f).f32(105, 3.5f).f32(109, 6.25f).f32(113, 3.25f);
    f.u16(117, 61).u16(119, 1441);
    f.u16(121, 11).u16(123, 12);
    f.f32(125, 1.5f).f32(129, 2.5f);
    f.u16(133, 13).u16(135, 14);
    f.f32(137, 3.5f).f32(141, 4.5f);
    f.u16(145, 15).u16(147, 16);
    f.f32(149, 5.5f).f32(153, 6.5f);
    f.u8(157, 3).u8(158, 6).u8(159, 128).u8(160, 23).u16(161, kDay);
    f.u8(163, 0x77).u8(164, 0x88);
    return f.tab();
}

QByteArray image229()
{
    ArhImage m(176, 2);
    m.i32(0, 0, 2000).i32(1, 0, 2000);
    m.i32(0, 4, 1).i32(1, 4, 2);
    m.f64(0, 8, 50.5).f64(1, 8, 60.5);
    m.f64(0, 16, 1).f64(0, 24, 2).f64(0, 32, 3).f64(1, 16, 4).f64(1, 24, 5).f64(1, 32, 6);
    m.i32(0, 40, 60).i32(1, 40, 60);
    m.f64(0, 48, 0.25).f64(1, 48, 0.75);
    m.f64(0, 56, 7).f64(0, 64, 8).f64(0, 72, 9).f64(1, 56, 10).f64(1, 64, 11).f64(1, 72, 12);
    m.f64(0, 80, 80.5).f64(0, 88, 45.5).f64(1, 80, 75.25).f64(1, 88, 40.75);
    m.f64(0, 96, 8.5).f64(1, 96, 9.5);
    m.f64(0, 104, 6.5).f64(0, 112, 3.5).f64(1, 104, 6.25).f64(1, 112, 3.25);
    m.i32(0, 120, 61).i32(1, 120, 1441);
    m.i32(0, 124, 13).i32(1, 124, 14); // B
    m.i32(0, 128, 11).i32(1, 128, 12); // A
    m.i32(0, 132, 15).i32(1, 132, 16); // C
    m.f64(0, 136, 1.5).f64(1, 136, 2.5);
    m.f64(0, 144, 3.5).f64(1, 144, 4.5);
    m.f64(0, 152, 5.5).f64(1, 152, 6.5);
    m.i32(0, 160, 3).i32(1, 160, 6);
    m.i32(0, 164, 128).i32(1, 164, 128);
    m.i32(0, 168, 23).i32(1, 168, 23);
    m.i32(0, 172, kDay).i32(1, 172, kDay);
    return m.bytes();
}

Tab reply225(int type = 225)
{
    ArhFrame f(49, type, 0x1234);
    f.u16(5, 500).u16(7, 3).f32(9, 12.5f);
    f.f32(13, 1.5f).f32(17, 2.5f).f32(21, 3.5f).f32(25, 0.75f);
    f.f32(29, 100.25f).f32(33, 50.5f);
    f.u16(37, 6543).u16(39, 4012).u16(41, 5500);
    f.u8(43, 5).u8(44, 7).u8(45, 22).u16(46, kDay);
    return f.tab();
}

QByteArray image225()
{
    ArhImage m(96);
    m.i32(0, 0, 500).i32(0, 4, 3).f64(0, 8, 12.5);
    m.f64(0, 16, 1.5).f64(0, 24, 2.5).f64(0, 32, 3.5).f64(0, 40, 0.75);
    m.f64(0, 48, 100.25).f64(0, 56, 50.5);
    m.i32(0, 64, 6543).i32(0, 68, 4012).i32(0, 72, 5500);
    m.i32(0, 76, 5).i32(0, 80, 7).i32(0, 84, 22).i32(0, 88, kDay);
    return m.bytes();
}

// Type 227, device 0x1234: hours 500, hours with error 3, heat 12.5,
// volumes 1.5, 2.5, hot water 0.75, 3.5, temperatures 6543, 4012, 5500
// hundredths, error 5, period 7, hour 14, day 8771 (5 January 2024).
const char *kReply227 =
    "29 E3 34 12 03 F4 01 03 00 00 00 48 41 00 00 C0 3F 00 00 20 40 00 00 40 3F"
    " 00 00 60 40 8F 19 AC 0F 7C 15 05 07 0E 43 22 39";

QByteArray image227()
{
    ArhImage m(80);
    m.i32(0, 0, 500).i32(0, 4, 3).f64(0, 8, 12.5);
    m.f64(0, 16, 1.5).f64(0, 24, 2.5).f64(0, 32, 0.75).f64(0, 40, 3.5);
    m.i32(0, 48, 6543).i32(0, 52, 4012).i32(0, 56, 5500);
    m.i32(0, 60, 5).i32(0, 64, 7).i32(0, 68, 14).i32(0, 72, kDay);
    return m.bytes();
}

} // namespace

TEST_F(ArhDecode, EveryModuleFillsItsRecordImageByteForByte)
{
    struct Case {
        ModuleId id;
        int type;
        Tab reply;
        QByteArray image;
    };
    const Case cases[] = {
        {ModuleId::U38, 238, reply238(), image238()},
        {ModuleId::U34, 234, reply238(234), image238()},
        {ModuleId::U29, 229, reply229(), image229()},
        {ModuleId::U28, 228, [] { Tab t = reply229(); t.set(1, 228); t.set(165, t.at(165) + 1); return t; }(),
         image229()},
        {ModuleId::U25, 225, reply225(), image225()},
        {ModuleId::U27, 227, Tab::fromHex(QString::fromLatin1(kReply227)), image227()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        m_dev = Identity{c.type, 0x1234};
        auto codec = makeArhCodec(c.id);
        ASSERT_TRUE(codec);
        ASSERT_EQ(c.reply.size(), codec->replyLength());
        ArhRec rec;
        EXPECT_EQ(codec->DecArh(c.reply, rec, m_dev), QString());
        EXPECT_EQ(rec.size(), codec->recordSize());
        EXPECT_EQ(rec.bytes().toHex(' '), c.image.toHex(' '));
    }
    EXPECT_EQ(makeArhCodec(ModuleId::U128), nullptr);
}

TEST_F(ArhDecode, CellTextsOfBothSystems)
{
    auto codec = makeArhCodec(ModuleId::U38);
    ArhRec rec;
    ASSERT_EQ(codec->DecArh(reply238(), rec, m_dev), QString());
    const QString day = QString::number(kDay);
    EXPECT_EQ(codec->ArhDateCell(rec, 0),
              QStringList({"05 января 2024г.", "13", "123.50", "10.50", "20.25", "3.00", "70.50", "40.25",
                           "5.50", "0.50", "0.25", "9", "33", "1000", "12", day, "1440", "0.50", "1.00",
                           "2.00", "3.00", "01:15", "2", "4", "6", "0.50", "2.50", "4.50"}));
    EXPECT_EQ(codec->ArhDateCell(rec, 1),
              QStringList({"05 января 2024г.", "13", "7.25", "1.50", "2.50", "4.50", "65.50", "35.75",
                           "6.50", "0.75", "1.25", "17", "33", "1000", "34", day, "1440", "0.75", "4.00",
                           "5.00", "6.00", "02:10", "3", "5", "7", "1.50", "3.50", "5.50"}));

    auto u25 = makeArhCodec(ModuleId::U25);
    m_dev = Identity{225, 0x1234};
    ASSERT_EQ(u25->DecArh(reply225(), rec, m_dev), QString());
    EXPECT_EQ(u25->ArhDateCell(rec, 0),
              QStringList({"05 января 2024г.", "22", "12.50", "1.50", "2.50", "3.50", "0.75", "65.43", "40.12",
                           "55.00", "100.25", "50.50", "5", "500", "3", "7", day}));

    auto u27 = makeArhCodec(ModuleId::U27);
    m_dev = Identity{227, 0x1234};
    ASSERT_EQ(u27->DecArh(Tab::fromHex(QString::fromLatin1(kReply227)), rec, m_dev), QString());
    EXPECT_EQ(u27->ArhDateCell(rec, 0),
              QStringList({"05 января 2024г.", "14", "12.50", "1.50", "2.50", "0.75", "3.50", "65.43", "40.12",
                           "55.00", "500", "5", "3", "7", day}));
}

TEST_F(ArhDecode, RejectedRepliesOfTheTwoSystemModules)
{
    const QString erundec = QStringLiteral("unit Upo:function DecArh: erundec ");
    const QString cs = QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    const QString num = QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
    auto bad = [](auto edit) {
        Tab t = reply238();
        edit(t);
        return t;
    };
    auto resum = [](Tab t) {
        int s = 0;
        for (int i = 0; i + 1 < t.size(); ++i)
            s += t.at(i);
        t.set(t.size() - 1, -s);
        return t;
    };
    struct Case {
        const char *what;
        Tab reply;
        QString text;
    };
    const Case cases[] = {
        {"length byte", resum(bad([](Tab &t) { t.set(0, 221); })), erundec},
        {"real length", resum(bad([](Tab &t) { t.truncate(221); t.set(0, 221); })), erundec},
        {"longer than byte 0", [&] { Tab t = reply238(); t.append(0); return t; }(), erundec},
        {"command", resum(bad([](Tab &t) { t.set(4, 1); })), erundec},
        {"checksum", bad([](Tab &t) { t.set(221, t.at(221) + 1); }), cs},
        {"number", resum(bad([](Tab &t) { t.set(2, 0x35); })), num},
        {"all at once", bad([](Tab &t) { t.set(4, 5); t.set(3, 0); }), erundec + cs + num},
        {"three bytes", Tab{222, 238, 0x35}, erundec + cs + num},
        {"five bytes of a frame start", Tab{222, 238, 0x34, 0x12, 3}, erundec + cs},
        {"empty", Tab(), erundec + cs + num},
    };
    auto codec = makeArhCodec(ModuleId::U38);
    const ArhRec before = codec->missingRecord();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ArhRec rec = before;
        EXPECT_EQ(codec->DecArh(c.reply, rec, m_dev), c.text);
        EXPECT_EQ(rec, before);
    }
    // The archive check of these modules does not test the type byte.
    ArhRec rec;
    EXPECT_EQ(codec->DecArh(resum(bad([](Tab &t) { t.set(1, 229); })), rec, m_dev), QString());
}

TEST_F(ArhDecode, GenericCheckOfU25AndU27TestsTheTypeToo)
{
    m_dev = Identity{225, 0x1234};
    auto codec = makeArhCodec(ModuleId::U25);
    ArhRec rec = codec->missingRecord();
    const ArhRec before = rec;
    EXPECT_EQ(codec->DecArh(reply225(227), rec, m_dev), QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
    EXPECT_EQ(rec, before);

    ArhFrame wrongCode(49, 225, 0x1234, 1);
    EXPECT_EQ(codec->DecArh(wrongCode.tab(), rec, m_dev), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 3"));
    EXPECT_TRUE(codec->DecArh(Tab{49}, rec, m_dev).startsWith(QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 3")));
    EXPECT_EQ(rec, before);

    m_dev = Identity{227, 0x1234};
    auto u27 = makeArhCodec(ModuleId::U27);
    Tab r = Tab::fromHex(QString::fromLatin1(kReply227));
    r.set(40, r.at(40) ^ 1);
    EXPECT_EQ(u27->DecArh(r, rec, m_dev), QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"));
}

// The volume-weighted temperature rounds halves to the even neighbour, and a
// zero volume or a quotient beyond the field gives 0 instead of garbage.
TEST(ArhTemperature, HalvesToEvenAndGuardedQuotient)
{
    struct Case {
        double weighted, volume, hundredths;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {5, 2, 2}, {7, 2, 4},          {-5, 2, -2}, {-7, 2, -4}, {2.6, 1, 3},
        {3, 0, 0}, {1e300, 1e-300, 0}, {nan, 1, 0}, {1, nan, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(arhHundredthsTemperature(c.weighted, c.volume), c.hundredths) << c.weighted << " / " << c.volume;
}

// A record is data only with a day of the device's calendar, an hour of the
// day and finite values in every half: erased memory (all 0xFF), zeroed
// memory (31.12.1999) and noise are not; the totals record of a file only
// where it is allowed.
TEST_F(ArhDecode, RecordsThatCannotBeReal)
{
    auto codec = makeArhCodec(ModuleId::U38);
    ArhRec good;
    ASSERT_EQ(codec->DecArh(reply238(), good, m_dev), QString());
    EXPECT_TRUE(codec->realRecord(good));
    struct Case {
        const char *what;
        std::function<void(ArhRec &)> spoil;
        bool real;
    };
    const Case cases[] = {
        {"first day", [&](ArhRec &r) { codec->setValue(r, 1, ArhField::Date, 1); }, true},
        {"31.12.2099", [&](ArhRec &r) { codec->setValue(r, 0, ArhField::Date, 36525); }, true},
        {"2100", [&](ArhRec &r) { codec->setValue(r, 0, ArhField::Date, 36526); }, false},
        {"erased day", [&](ArhRec &r) { codec->setValue(r, 1, ArhField::Date, 65535); }, false},
        {"day 0", [&](ArhRec &r) { codec->setValue(r, 0, ArhField::Date, 0); }, false},
        {"hour 23", [&](ArhRec &r) { codec->setValue(r, 0, ArhField::Hour, 23); }, true},
        {"hour 24", [&](ArhRec &r) { codec->setValue(r, 1, ArhField::Hour, 24); }, false},
        {"hour 173", [&](ArhRec &r) { codec->setValue(r, 0, ArhField::Hour, 173); }, false},
        {"NaN heat", [&](ArhRec &r) { codec->setValue(r, 1, ArhField::Heat, std::numeric_limits<double>::quiet_NaN()); },
         false},
        {"infinite volume",
         [&](ArhRec &r) { codec->setValue(r, 0, ArhField::Vol2, std::numeric_limits<double>::infinity()); }, false},
        {"1e12 Gcal", [&](ArhRec &r) { codec->setValue(r, 1, ArhField::Heat, 1e12); }, false},
        {"negative difference", [&](ArhRec &r) { codec->setValue(r, 0, ArhField::Heat, -5); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ArhRec r = good;
        c.spoil(r);
        EXPECT_EQ(codec->realRecord(r), c.real);
    }

    // An erased reply decodes, but is no record; dropUnreal keeps the rest
    // in order.
    Tab erased = reply238();
    for (int i = 5; i < erased.size() - 1; ++i)
        erased.set(i, 0xFF);
    erased.set(erased.size() - 1, CalcCS(erased.mid(0, erased.size() - 1)));
    ArhRec blank;
    ASSERT_EQ(codec->DecArh(erased, blank, m_dev), QString());
    EXPECT_FALSE(codec->realRecord(blank));
    QList<ArhRec> list{good, blank, codec->emptyRecord(), good};
    EXPECT_EQ(codec->dropUnreal(list), 2);
    EXPECT_EQ(list, (QList<ArhRec>{good, good}));

    // The totals of a file (day 30.12.1899, the count in the hour) only
    // where the caller allows them.
    ArhRec totals = good;
    codec->setValue(totals, 0, ArhField::Date, kArhNoDay);
    codec->setValue(totals, 0, ArhField::Hour, 400);
    EXPECT_FALSE(codec->realHalf(totals, 0));
    EXPECT_TRUE(codec->realHalf(totals, 0, true));
}
