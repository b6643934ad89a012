// Configuration replies: the check texts of both check forms, what a
// rejected reply leaves behind, value lists, grid tables and defaults.

#include "devices/ParamSingle.h"
#include "devices/ParamTwoSystem.h"
#include "devices/support/ParamFixture.h"

using namespace pim;
using namespace pim::test;

namespace {

const QString kErun = QStringLiteral("unit Upo:function DecParam: erundec ");
const QString kCs = QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
const QString kNo = QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
const QString kTy = QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

Tab withByte(Tab t, int i, int v, bool fixSum = true)
{
    t.set(i, v);
    if (fixSum) {
        int sum = 0;
        for (int k = 0; k + 1 < t.size(); ++k)
            sum += t.at(k);
        t.set(t.size() - 1, (256 - sum % 256) % 256);
    }
    return t;
}

struct CheckCase {
    const char *what;
    ModuleId id;
    int type;
    Tab reply;
    QString expected;
};

class ParamDecode : public ParamTestBase {};

TEST_F(ParamDecode, CheckTextsOfBothCheckForms)
{
    const Tab r34 = reply34();
    const Tab r25 = reply25();
    const Tab r128 = reply128();
    const QList<CheckCase> cases = {
        {"U34 good", ModuleId::U34, 234, r34, {}},
        // The module check does not look at the type byte.
        {"U34 other type", ModuleId::U34, 234, withByte(r34, 1, 238), {}},
        {"U34 length byte", ModuleId::U34, 234, withByte(r34, 0, 99), kErun},
        {"U34 command", ModuleId::U34, 234, withByte(r34, 4, 1), kErun},
        {"U34 checksum", ModuleId::U34, 234, withByte(r34, 50, 7, false), kCs},
        {"U34 number", ModuleId::U34, 234, withByte(r34, 2, 0x35), kNo},
        {"U34 short", ModuleId::U34, 234, r34.mid(0, 10), kErun + kCs},
        {"U38 frame of 46", ModuleId::U38, 238, reply29(238), kErun},
        {"U28 everything wrong", ModuleId::U28, 228, withByte(withByte(reply28(), 4, 3), 3, 0x99, false),
         kErun + kCs + kNo},
        {"U25 good", ModuleId::U25, 225, r25, {}},
        {"U25 type", ModuleId::U25, 225, withByte(r25, 1, 227), kTy},
        {"U25 command", ModuleId::U25, 225, withByte(r25, 4, 1), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 5")},
        {"U27 length", ModuleId::U27, 227, reply25(), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 5") + kTy},
        {"U128 good", ModuleId::U128, 128, r128, {}},
        {"U128 command 5", ModuleId::U128, 128, withByte(r128, 4, 5), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1")},
        {"empty", ModuleId::U29, 229, Tab(), kErun + kCs + kNo},
    };
    for (const auto &c : cases) {
        auto p = codec(c.id, c.type);
        EXPECT_EQ(p->DecParam(c.reply, m_dev), c.expected) << c.what;
        EXPECT_EQ(p->isSet(), c.expected.isEmpty()) << c.what;
    }
}

TEST_F(ParamDecode, RejectedReplyLeavesTheRecord)
{
    auto p = codec(ModuleId::U34, 234);
    ASSERT_EQ(p->DecParam(reply34(), m_dev), QString());
    const QStringList before = p->SLfromParam(1);
    Tab bad = reply34();
    bad.set(11, 0x77); // checksum now wrong
    EXPECT_EQ(p->DecParam(bad, m_dev), kCs);
    EXPECT_EQ(p->SLfromParam(1), before);
}

TEST_F(ParamDecode, ValueListsInTheirOrder)
{
    struct Case {
        ModuleId id;
        int type;
        Tab reply;
        int system;
        QStringList expected;
    };
    const QList<Case> cases = {
        {ModuleId::U34, 234, reply34(), 0,
         {"100.00", "2.50", "50.00", "3", "5", "15", "29", "2", "15", "4", "0.50", "1500.00", "18741", "90.00",
          "70.00", "5.00", "1.60", "1.20", "0.30", "15", "1", "1"}},
        {ModuleId::U38, 238, reply34(238), 1,
         {"200.00", "150.00", "10.00", "1", "5", "15", "29", "2", "15", "4", "123.46", "1.25", "18741", "95.50",
          "65.25", "10.00", "1.60", "1.60", "1.60", "15", "1", "1"}},
        {ModuleId::U29, 229, reply29(), 0,
         {"100.00", "25.00", "1234.50", "4", "4", "12", "1", "10", "31", "3", "0.10", "800.00", "31", "0", "0"}},
        {ModuleId::U29, 230, reply29(230), 1,
         {"4000.00", "1.00", "0.00", "2", "4", "12", "1", "10", "31", "3", "2.50", "99.90", "31", "0", "0"}},
        {ModuleId::U25, 225, reply25(), 0,
         {"100.00", "250.00", "1000.00", "3600", "1", "450", "1380", "3", "5", "1", "45"}},
        {ModuleId::U27, 227, reply27(), 0, {"1.00", "2.00", "3.00", "65535.00", "4", "7"}},
        {ModuleId::U128, 128, reply128(), 0, {"4", "1", "2", "3", "0"}},
    };
    // The pulse weights are listed in the page's units, not as words.
    for (const auto &c : cases) {
        auto p = codec(c.id, c.type);
        ASSERT_EQ(p->DecParam(c.reply, m_dev), QString()) << moduleName(c.id).toStdString();
        EXPECT_EQ(p->SLfromParam(c.system), c.expected) << moduleName(c.id).toStdString();
    }
    // The operator's precision reaches the reals.
    auto p = codec(ModuleId::U34, 234);
    p->DecParam(reply34(), m_dev);
    m_format.setPrecision(3);
    EXPECT_EQ(p->SLfromParam(1).at(10), "123.456");
}

TEST_F(ParamDecode, GridTables)
{
    auto p34 = codec(ModuleId::U34, 234);
    const auto h = p34->gridHeader();
    ASSERT_EQ(h.size(), 2);
    EXPECT_EQ(h[0].size(), 15);
    EXPECT_EQ(h[1].size(), 15);
    EXPECT_EQ(h[0][4], QStringLiteral("t°C ХВС"));
    EXPECT_EQ(h[1][14], QStringLiteral("исп 2-й t°C"));
    EXPECT_EQ(p34->gridColumns(), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 19, 20, 21}));
    auto p29 = codec(ModuleId::U29, 229);
    EXPECT_EQ(p29->gridHeader(), h);
    EXPECT_EQ(p29->gridColumns(), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    auto p25 = codec(ModuleId::U25, 225);
    EXPECT_EQ(p25->gridHeader()[0].size(), 11);
    EXPECT_EQ(p25->gridHeader()[0][10], QStringLiteral(" t°C"));
    EXPECT_EQ(p25->gridHeader()[1][10], QStringLiteral("без ГВС"));
    auto p27 = codec(ModuleId::U27, 227);
    EXPECT_EQ(p27->gridHeader()[1], (QStringList{"датч №1", "датч №2", "ГВС", "датч №3", "сист", "ХВС"}));
    // Every column names a value of the list.
    for (auto id : {ModuleId::U128, ModuleId::U25, ModuleId::U27, ModuleId::U28, ModuleId::U29, ModuleId::U34,
                    ModuleId::U38}) {
        auto p = codec(id, 0);
        const int n = int(p->SLfromParam(0).size());
        EXPECT_EQ(p->gridColumns().size(), p->gridHeader()[0].size());
        for (int c : p->gridColumns())
            EXPECT_LT(c, n) << moduleName(id).toStdString();
    }
}

TEST_F(ParamDecode, DefaultsOfEveryModule)
{
    struct Case {
        ModuleId id;
        QStringList expected;
    };
    const QList<Case> cases = {
        {ModuleId::U34,
         {"100.00", "100.00", "100.00", "1", "5", "15", "1", "1", "1", "1", "0.00", "1500.00", "0", "90.00", "70.00",
          "70.00", "1.60", "1.60", "1.60", "1", "1", "0"}},
        {ModuleId::U28,
         {"100.00", "100.00", "100.00", "1", "0", "0", "1", "1", "1", "1", "0.00", "1500.00", "1", "1", "0"}},
        {ModuleId::U27, {"1.00", "2.00", "3.00", "4.00", "1", "5"}},
        {ModuleId::U25, {"100.00", "100.00", "100.00", "1000", "0", "0", "0", "1", "5", "0", "45"}},
        {ModuleId::U128, {"4", "0", "0", "0", "0"}},
    };
    for (const auto &c : cases) {
        auto p = codec(c.id, 0);
        EXPECT_FALSE(p->isSet());
        EXPECT_EQ(p->SLfromParam(0), c.expected) << moduleName(c.id).toStdString(); // shown until a read
        EXPECT_EQ(p->SLfromParam(1), c.expected);
        p->loadDefaults();
        EXPECT_TRUE(p->isSet());
        EXPECT_EQ(p->SLfromParam(1), c.expected);
    }
    // A read record goes back to the defaults in both systems.
    auto p = codec(ModuleId::U38, 238);
    p->DecParam(reply34(238), m_dev);
    p->loadDefaults();
    EXPECT_EQ(p->SLfromParam(0), p->SLfromParam(1));
    EXPECT_EQ(p->SLfromParam(0).at(21), "0");
}

TEST_F(ParamDecode, UndefinedSystemTypeIsShownAndKept)
{
    auto p = codec(ModuleId::U29, 229);
    Tab r = withByte(reply29(), 17, 6);
    ASSERT_EQ(p->DecParam(r, m_dev), QString());
    EXPECT_EQ(p->SLfromParam(0).at(3), "7");
    p->ShowParam(229);
    const ParamControl *type = p->form().find(paramname::kType);
    ASSERT_TRUE(type);
    EXPECT_EQ(type->index, -1);
    EXPECT_EQ(type->text, QStringLiteral("Тип системы=7 не определен"));
    EXPECT_EQ(type->items.size(), 6);
    EXPECT_TRUE(p->CheckParam(status));
    Tab data;
    QString diff;
    EXPECT_EQ(p->EncParam(data, diff), QString());
    EXPECT_EQ(data.at(17 - 5), 6);
}

} // namespace
