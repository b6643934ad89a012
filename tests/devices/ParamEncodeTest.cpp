// The write side: a read configuration goes back unchanged through page
// and encoder, the difference list and the refusals, byte 44, the words
// the page never shows, and the fixed write request of type 128.

#include "devices/ParamSingle.h"
#include "devices/ParamTwoSystem.h"
#include "devices/support/ParamFixture.h"
#include "protocol/Fields.h"

using namespace pim;
using namespace pim::test;
namespace N = pim::paramname;

namespace {

class ParamEncode : public ParamTestBase {
protected:
    ParamCodecTwo &two(ParamCodec &p) { return static_cast<ParamCodecTwo &>(p); }
};

struct RoundTrip {
    ModuleId id;
    int type;
    Tab reply;
};

TEST_F(ParamEncode, UnchangedConfigurationGivesBackTheReadBytes)
{
    const QList<RoundTrip> cases = {
        {ModuleId::U34, 234, reply34(234)}, {ModuleId::U34, 235, reply34(235)}, {ModuleId::U38, 238, reply34(238)},
        {ModuleId::U38, 239, reply34(239)}, {ModuleId::U29, 229, reply29(229)}, {ModuleId::U29, 230, reply29(230)},
        {ModuleId::U28, 228, reply28()},    {ModuleId::U25, 225, reply25()},    {ModuleId::U27, 227, reply27()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        auto p = codec(c.id, c.type);
        ASSERT_EQ(p->DecParam(c.reply, m_dev), QString());
        // Every system through the page: build, check without edits, next.
        for (int s = 0; s < p->recordSystems(); ++s) {
            p->form().setIndex(ParamCodec::kSystemChoice, s);
            p->ShowParam(c.type);
            EXPECT_TRUE(p->CheckParam(status)) << status.last().toStdString();
        }
        Tab data;
        QString diff;
        EXPECT_EQ(p->EncParam(data, diff), QString());
        EXPECT_EQ(diff, QString());
        EXPECT_EQ(data.toHex(), c.reply.mid(5, c.reply.size() - 6).toHex());
        Tab request;
        ASSERT_EQ(p->writeRequest(Identity{c.type, kNumber}, request), QString());
        EXPECT_EQ(request.at(4), Q_SetParam);
        EXPECT_EQ(request.mid(5, request.size() - 6), data);
    }
}

// A pulse weight means the same in the listing, on the page and in the
// frame: the listing shows what the page shows, and a value given as the
// listing prints it reaches the write request as the page would send it.
TEST_F(ParamEncode, WeightsMeanTheSameInListPageAndFrame)
{
    struct Case {
        ModuleId id;
        int type;
        Tab reply;
        int index;         // weight 1..3 as list index 0..2
        const char *list;  // as read
        const char *unit;
        const char *page;  // the field's text
        const char *given; // a scripted edit
        int word;          // what the request then carries
    };
    const QList<Case> cases = {
        {ModuleId::U28, 228, reply28(), 0, "100.00", " л/имп", "100.0", "12.5", 125},
        {ModuleId::U29, 229, reply29(), 2, "1234.50", " л/имп", "1234.5", "1234.5 л/имп", 12345},
        {ModuleId::U34, 234, reply34(), 0, "100.00", " л/имп", "100.0", "12.5", 125},
        {ModuleId::U34, 234, reply34(), 1, "2.50", " имп/л", "2.50", "12.5", 0x8000 + 1250},
        // The unit given switches the word's unit bit, as a label click does.
        {ModuleId::U34, 234, reply34(), 0, "100.00", " л/имп", "100.0", "4 имп/л", 0x8000 + 400},
        {ModuleId::U38, 238, reply34(238), 1, "2.50", " имп/л", "2.50", "7,5 л/имп", 75},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.given) + " " + std::to_string(c.type));
        auto p = codec(c.id, c.type);
        ASSERT_EQ(p->DecParam(c.reply, m_dev), QString());
        EXPECT_EQ(p->SLfromParam(0).at(c.index), c.list);
        EXPECT_EQ(p->listUnit(0, c.index), QString::fromUtf8(c.unit));
        p->ShowParam(c.type);
        EXPECT_EQ(p->form().find(N::weight(c.index + 1))->text, c.page);
        ASSERT_EQ(p->setListValue(0, c.index, QString::fromUtf8(c.given)), QString());
        p->ShowParam(c.type);
        ASSERT_TRUE(p->CheckParam(status)) << status.last().toStdString();
        Tab request;
        ASSERT_EQ(p->writeRequest(Identity{c.type, kNumber}, request), QString());
        EXPECT_EQ(int(GetW(request, 5 + 2 * c.index)), c.word);
    }
    // No unit bit on 228..230; a word too wide for the unit is refused.
    auto p = codec(ModuleId::U29, 229);
    ASSERT_EQ(p->DecParam(reply29(), m_dev), QString());
    EXPECT_NE(p->setListValue(0, 0, QStringLiteral("4 имп/л")), QString());
    auto q = codec(ModuleId::U34, 234);
    ASSERT_EQ(q->DecParam(reply34(), m_dev), QString());
    EXPECT_NE(q->setListValue(0, 1, QStringLiteral("327.68")), QString());
    EXPECT_DOUBLE_EQ(two(*q).rec().sys[0].weight[1], 0x8000 + 250); // unchanged
    // 225 and 227 keep their words, which are litres per pulse.
    auto r = codec(ModuleId::U25, 225);
    ASSERT_EQ(r->DecParam(reply25(), m_dev), QString());
    EXPECT_EQ(r->listUnit(0, 0), QStringLiteral(" л/имп"));
    EXPECT_EQ(r->setListValue(0, 0, QStringLiteral("120 л/имп")), QString());
    EXPECT_EQ(r->SLfromParam(0).at(0), "120.00");
}

TEST_F(ParamEncode, U128WritesItsFixedRequest)
{
    auto p = codec(ModuleId::U128, 128);
    ASSERT_EQ(p->DecParam(reply128(), m_dev), QString());
    p->ShowParam(128);
    ASSERT_TRUE(p->CheckParam(status));
    Tab request;
    ASSERT_EQ(p->writeRequest(Identity{128, kNumber}, request), QString());
    // weight numbers 1, 2, 3, 0: 1 + 4·2 + 16·3 + 64·0 = 57
    EXPECT_EQ(request, SQ128(Identity{128, kNumber}, 255, 4, 57));
    EXPECT_EQ(request.at(6), 57);
    // The device echoes the configuration in its state reply.
    EXPECT_TRUE(p->writeAccepted(reply128()));
    Tab other = reply128();
    other.set(25, 2);
    EXPECT_FALSE(p->writeAccepted(other));
    other = reply128();
    other.set(27, 2);
    EXPECT_FALSE(p->writeAccepted(other));
    EXPECT_FALSE(p->writeAccepted(reply128().mid(0, 27)));
    EXPECT_TRUE(p->writeAccepted(reply128().mid(0, 28)));
    // A refused number is never sent.
    p->form().setText(N::channel(1), "4");
    p->CheckParam(status);
    EXPECT_EQ(p->writeRequest(Identity{128, kNumber}, request), QStringLiteral("4-неправильное значение"));
    EXPECT_TRUE(request.isEmpty());
}

TEST_F(ParamEncode, SharedFieldsThatDifferRefuseTheWrite)
{
    struct Case {
        void (*change)(ParamHalf &);
        const char *diff;
    };
    const Case cases[] = {
        {[](ParamHalf &h) { h.coldTemp1 = 6; }, " t°С XBC "},
        {[](ParamHalf &h) { h.coldTemp2 = 6; }, " доп. t°С XBC "},
        {[](ParamHalf &h) { h.endMonth = 6; }, " м-ц/день начала/конца "},
        {[](ParamHalf &h) { h.startDay = 6; }, " м-ц/день начала/конца "},
        {[](ParamHalf &h) { h.reportDay = 6; }, " отч.день "},
        {[](ParamHalf &h) { h.sumFlag ^= 1; }, " Пр.сумм с ош "},
        {[](ParamHalf &h) { h.useSecond ^= 1; }, " Пр.исп.2-й t°С "},
        {[](ParamHalf &h) { h.reportDay = 6; h.coldTemp1 = 1; h.useSecond ^= 1; },
         " t°С XBC  отч.день  Пр.исп.2-й t°С "},
        // Per-system fields are no difference.
        {[](ParamHalf &h) { h.type = 4; h.maxFlow = 1; h.weight[0] = 7; }, ""},
    };
    for (ModuleId id : {ModuleId::U34, ModuleId::U29}) {
        for (const auto &c : cases) {
            auto p = codec(id, 234);
            p->DecParam(id == ModuleId::U34 ? reply34() : reply29(234), m_dev);
            c.change(two(*p).rec().sys[1]);
            Tab data, request;
            QString diff;
            p->EncParam(data, diff);
            EXPECT_EQ(diff, QString::fromUtf8(c.diff));
            const QString refusal = p->writeRequest(Identity{234, kNumber}, request);
            if (*c.diff) {
                EXPECT_EQ(refusal, QStringLiteral("Не совпадает:") + QString::fromUtf8(c.diff));
                EXPECT_TRUE(request.isEmpty());
            } else {
                EXPECT_EQ(refusal, QString());
            }
        }
    }
}

TEST_F(ParamEncode, Byte44AndTheUnshownWords)
{
    // U34/U38: byte 44 is the second byte of system 1's contractual supply
    // temperature and goes out whole; U28/U29 send back the byte they read,
    // whose meaning nobody knows, also after the defaults were loaded.
    auto p = codec(ModuleId::U34, 234);
    p->DecParam(reply34(), m_dev);
    two(*p).rec().sys[0].contract[0] = 91.25;
    Tab data;
    QString diff;
    ASSERT_EQ(p->EncParam(data, diff), QString());
    const Tab expected = ParamFrame(100, 234, kNumber).f32(43, 91.25f).raw();
    for (int i = 43; i < 47; ++i)
        EXPECT_EQ(data.at(i - 5), expected.at(i)) << i;
    EXPECT_NE(data.at(44 - 5), 0);

    auto q = codec(ModuleId::U29, 229);
    Tab r = reply29();
    r.set(44, 0x5A);
    r.set(45, 0);
    int sum = 0;
    for (int i = 0; i < 45; ++i)
        sum += r.at(i);
    r.set(45, (256 - sum % 256) % 256);
    ASSERT_EQ(q->DecParam(r, m_dev), QString());
    ASSERT_EQ(q->EncParam(data, diff), QString());
    EXPECT_EQ(data.size(), 40);
    EXPECT_EQ(data.at(44 - 5), 0x5A);
    q->loadDefaults();
    ASSERT_EQ(q->EncParam(data, diff), QString());
    EXPECT_EQ(data.at(44 - 5), 0x5A);

    // The words at 91 and 93 keep the device's values through an edit.
    p->ShowParam(234);
    p->form().setText(N::kMaxFlow, "77.0");
    p->CheckParam(status);
    p->form().setIndex(ParamCodec::kSystemChoice, 1);
    p->ShowParam(234);
    p->CheckParam(status);
    ASSERT_EQ(p->EncParam(data, diff), QString());
    EXPECT_EQ(data.at(91 - 5) | data.at(92 - 5) << 8, 0x1234);
    EXPECT_EQ(data.at(93 - 5) | data.at(94 - 5) << 8, 0xBEEF);
}

TEST_F(ParamEncode, AFailedCheckRefusesTheWriteUntilCorrected)
{
    auto p = codec(ModuleId::U34, 234);
    p->DecParam(reply34(), m_dev);
    p->ShowParam(234);
    p->form().setText(N::kReportDay, "0");
    EXPECT_FALSE(p->CheckParam(status));
    Tab request;
    EXPECT_EQ(p->writeRequest(Identity{234, kNumber}, request),
              QStringLiteral("Отчетный день=\"0\"-неправильное значение"));
    EXPECT_TRUE(request.isEmpty());
    Tab data;
    QString diff;
    EXPECT_EQ(p->EncParam(data, diff), QStringLiteral("Отчетный день=\"0\"-неправильное значение"));
    p->form().setText(N::kReportDay, "1");
    EXPECT_TRUE(p->CheckParam(status));
    EXPECT_EQ(p->writeRequest(Identity{234, kNumber}, request), QString());
    EXPECT_FALSE(request.isEmpty());
    // A fresh read or the defaults clear the refusal too.
    p->form().setText(N::kReportDay, "0");
    p->CheckParam(status);
    p->loadDefaults();
    EXPECT_FALSE(p->lastCheckFailed());
}

TEST_F(ParamEncode, ARedValueLeftInTheOtherSystemStillRefusesTheWrite)
{
    auto p = codec(ModuleId::U34, 234);
    p->DecParam(reply34(), m_dev);
    p->ShowParam(234);
    auto select = [&](int s) {
        p->form().setIndex(ParamCodec::kSystemChoice, s);
        p->ShowParam(234);
    };
    auto edit = [&](const QString &field, const QString &text) {
        p->form().setText(field, text);
        return p->CheckParam(status);
    };
    Tab request;
    // System 2 keeps a refused minimum flow; a good check on system 1 must
    // not let it through.
    select(1);
    EXPECT_FALSE(edit(N::kMinFlow, "-1"));
    select(0);
    EXPECT_TRUE(edit(N::kMaxFlow, "1400.0"));
    EXPECT_EQ(p->writeRequest(Identity{234, kNumber}, request),
              QStringLiteral("2-я Система: Минимальный расход=\"-1.0\"-неправильное значение"));
    EXPECT_TRUE(request.isEmpty());
    select(1);
    EXPECT_TRUE(edit(N::kMinFlow, "1.0"));
    EXPECT_EQ(p->writeRequest(Identity{234, kNumber}, request), QString());
    EXPECT_FALSE(request.isEmpty());

    // A negative weight left on system 2 of U28 (weak check texts).
    auto q = codec(ModuleId::U28, 228);
    q->DecParam(reply28(), m_dev);
    q->ShowParam(228);
    q->form().setIndex(ParamCodec::kSystemChoice, 1);
    q->ShowParam(228);
    q->form().setText(N::weight(2), "-3");
    EXPECT_FALSE(q->CheckParam(status));
    q->form().setIndex(ParamCodec::kSystemChoice, 0);
    q->ShowParam(228);
    EXPECT_TRUE(q->CheckParam(status));
    EXPECT_EQ(q->writeRequest(Identity{228, kNumber}, request),
              QStringLiteral("2-я Система: -3.0-неправильное значение"));

    // A device-wide value refused on system 2 and corrected on system 1
    // follows into system 2: nothing is left to refuse.
    select(1);
    EXPECT_FALSE(edit(N::kReportDay, "0"));
    select(0);
    EXPECT_EQ(p->form().text(N::kReportDay), "0");
    EXPECT_TRUE(edit(N::kReportDay, "5"));
    EXPECT_EQ(p->writeRequest(Identity{234, kNumber}, request), QString());
    EXPECT_EQ(request.at(95), 5);
}

TEST_F(ParamEncode, ValuesThatDoNotFitAreNeverSent)
{
    struct Case {
        ModuleId id;
        void (*change)(ParamCodec &);
        const char *error;
    };
    const Case cases[] = {
        {ModuleId::U28, [](ParamCodec &p) { static_cast<ParamCodecTwo &>(p).rec().sys[1].type = 0; },
         "выход за диапазон: Тип системы;"},
        {ModuleId::U28, [](ParamCodec &p) { static_cast<ParamCodecTwo &>(p).rec().sys[0].weight[1] = 70000; },
         "выход за диапазон: вес имп.2-го р-мера,л/имп;"},
        {ModuleId::U28, [](ParamCodec &p) {
             for (auto &h : static_cast<ParamCodecTwo &>(p).rec().sys)
                 h.reportDay = 300;
         },
         "выход за диапазон: Отчетный день;"},
        {ModuleId::U29, [](ParamCodec &p) { static_cast<ParamCodecTwo &>(p).rec().sys[1].type = 256; }, ""},
        {ModuleId::U34, [](ParamCodec &p) { static_cast<ParamCodecTwo &>(p).rec().sys[1].contract[0] = 1e39; },
         "выход за диапазон: Договорное Tп;"},
        {ModuleId::U25, [](ParamCodec &p) { static_cast<ParamCodec25 &>(p).rec().tariffStart2 = -1; },
         "выход за диапазон: Начало тарифа;"},
        {ModuleId::U27, [](ParamCodec &p) { static_cast<ParamCodec27 &>(p).rec().coldTemp = 256; },
         "выход за диапазон: t°C XBC для открытых систем;"},
        {ModuleId::U128, [](ParamCodec &p) { static_cast<ParamCodec128 &>(p).rec().weightNumber[3] = 4; },
         "выход за диапазон: вес,4 кан;"},
    };
    for (const auto &c : cases) {
        auto p = codec(c.id, 0);
        c.change(*p);
        Tab data, request;
        QString diff;
        EXPECT_EQ(p->EncParam(data, diff), QString::fromUtf8(c.error)) << moduleName(c.id).toStdString();
        EXPECT_EQ(p->writeRequest(Identity{228, kNumber}, request), QString::fromUtf8(c.error));
        EXPECT_EQ(request.isEmpty(), *c.error != 0);
    }
}

TEST_F(ParamEncode, DefaultsEncodeForEveryModule)
{
    auto p = codec(ModuleId::U34, 234);
    p->loadDefaults();
    Tab data;
    QString diff;
    ASSERT_EQ(p->EncParam(data, diff), QString());
    const Tab expected = ParamFrame(100, 234, kNumber)
                             .u16(5, 1000).u16(7, 1000).u16(9, 1000).u16(11, 1000).u16(13, 1000).u16(15, 1000)
                             .u8(19, 5).u8(20, 15).u8(21, 1).u8(22, 1).u8(23, 1).u8(24, 1)
                             .f32(25, 0).f32(29, 0).f32(33, 1500).f32(37, 1500)
                             .f32(43, 90).f32(47, 70).f32(51, 70).f32(55, 90).f32(59, 70).f32(63, 70)
                             .f32(67, 1.6f).f32(71, 1.6f).f32(75, 1.6f).f32(79, 1.6f).f32(83, 1.6f).f32(87, 1.6f)
                             .u8(95, 1).u8(96, 1).u8(97, 0)
                             .raw();
    EXPECT_EQ(data.toHex(), expected.mid(5, 94).toHex());
    for (auto id : {ModuleId::U25, ModuleId::U27, ModuleId::U28, ModuleId::U29, ModuleId::U38, ModuleId::U128}) {
        auto q = codec(id, 0);
        q->loadDefaults();
        EXPECT_EQ(q->EncParam(data, diff), QString()) << moduleName(id).toStdString();
    }
}

} // namespace
