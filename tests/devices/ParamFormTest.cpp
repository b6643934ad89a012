// The configuration page as a form model: what ShowParam builds, what
// CheckParam reads back and reports, the weight unit switch and the
// sharing of device-wide fields.

#include "devices/ParamSingle.h"
#include "devices/ParamTwoSystem.h"
#include "devices/support/ParamFixture.h"

using namespace pim;
using namespace pim::test;
namespace N = pim::paramname;

namespace {

using Kind = ParamStatus::Kind;

class ParamForm34 : public ParamTestBase {
protected:
    ParamCodecTwo &two(ParamCodec &p) { return static_cast<ParamCodecTwo &>(p); }
    const ParamControl &ctl(ParamCodec &p, const QString &name)
    {
        const ParamControl *c = p.form().find(name);
        EXPECT_TRUE(c) << name.toStdString();
        static ParamControl none;
        return c ? *c : none;
    }
    std::unique_ptr<ParamCodec> read(ModuleId id, int type, const Tab &reply)
    {
        auto p = codec(id, type);
        EXPECT_EQ(p->DecParam(reply, m_dev), QString());
        p->ShowParam(type);
        return p;
    }
    void selectSystem(ParamCodec &p, int type, int s)
    {
        p.form().setIndex(ParamCodec::kSystemChoice, s);
        p.ShowParam(type);
    }
};

TEST_F(ParamForm34, WeightFieldsShowTheirUnit)
{
    auto p = read(ModuleId::U34, 234, reply34());
    struct Case {
        int tag;
        const char *text;
        const char *label;
        ParamLabelState color;
    };
    const Case cases[] = {
        {1, "100.0", "вес имп.Vп л/имп", ParamLabelState::LitresPerPulse}, // word 1000
        {2, "2.50", "вес имп.Vo имп/л", ParamLabelState::PulsesPerLitre},   // word 32768 + 250
        {3, "50.0", "вес имп.Vx л/имп", ParamLabelState::LitresPerPulse},
    };
    for (const auto &c : cases) {
        const ParamControl &w = ctl(*p, N::weight(c.tag));
        EXPECT_EQ(w.text, QString::fromUtf8(c.text));
        EXPECT_EQ(w.label, QString::fromUtf8(c.label));
        EXPECT_EQ(w.labelState, c.color);
        EXPECT_EQ(w.tag, c.tag);
        EXPECT_EQ(w.labelName, QStringLiteral("L") + N::weight(c.tag));
    }
    // U29 has no unit bit: plain labels, word / 10.
    auto q = read(ModuleId::U29, 229, reply29());
    EXPECT_EQ(ctl(*q, N::weight(2)).text, "25.0");
    EXPECT_EQ(ctl(*q, N::weight(2)).label, QStringLiteral("вес имп.2-го р-мера,л/имп"));
    selectSystem(*q, 229, 1);
    EXPECT_EQ(ctl(*q, N::weight(1)).text, "4000.0"); // 40000: bit 15 means nothing here
}

TEST_F(ParamForm34, TypedWeightsBecomeWords)
{
    struct Case {
        ModuleId id;
        int tag; // 1 shows л/имп, 2 shows имп/л for U34
        const char *typed;
        bool accepted;
        double word; // stored word (also when refused but kept)
    };
    const Case cases[] = {
        {ModuleId::U34, 2, "2.5", true, 32768 + 250},
        {ModuleId::U34, 1, "2.5", true, 25},
        {ModuleId::U34, 2, "327.67", true, 32768 + 32767},
        {ModuleId::U34, 2, "327.68", false, 32768 + 250}, // does not fit: refused, not stored
        {ModuleId::U34, 1, "3276.7", true, 32767},
        {ModuleId::U34, 1, "3276.8", false, 1000}, // would set the unit bit
        {ModuleId::U34, 1, "-2", false, -20},      // kept so it can be corrected
        {ModuleId::U34, 1, "x", false, -10},       // not a number reads as -1
        {ModuleId::U29, 1, "3276.8", true, 32768},
        {ModuleId::U29, 1, "6553.6", false, 1000},
        {ModuleId::U29, 1, " 1,5 ", false, -10}, // the separator in force is '.'
    };
    for (const auto &c : cases) {
        const int type = c.id == ModuleId::U34 ? 234 : 229;
        auto p = read(c.id, type, c.id == ModuleId::U34 ? reply34() : reply29());
        p->form().setText(N::weight(c.tag), QString::fromUtf8(c.typed));
        status.clear();
        EXPECT_EQ(p->CheckParam(status), c.accepted) << c.typed;
        EXPECT_EQ(p->lastCheckFailed(), !c.accepted);
        EXPECT_DOUBLE_EQ(two(*p).rec().sys[0].weight[c.tag - 1], c.word) << c.typed;
        ASSERT_FALSE(status.entries.isEmpty());
        EXPECT_EQ(status.entries.first(), qMakePair(Kind::Ok, QStringLiteral("правильные значения")));
        if (!c.accepted) {
            EXPECT_EQ(status.last(),
                      ctl(*p, N::weight(c.tag)).label + "=\"" + QString::fromUtf8(c.typed) + "\"-неправильное значение");
        }
    }
}

TEST_F(ParamForm34, TheSystemDecimalSeparatorBothWays)
{
    FormatSettings fs = formatSettings();
    fs.decimalSeparator = QLatin1Char(',');
    setFormatSettings(fs);
    auto p = read(ModuleId::U34, 234, reply34());
    EXPECT_EQ(ctl(*p, N::weight(2)).text, "2,50");
    EXPECT_TRUE(p->CheckParam(status));
    EXPECT_DOUBLE_EQ(two(*p).rec().sys[0].weight[1], 0x8000 + 250);
    p->form().setText(N::weight(1), "2,5");
    p->form().setText(N::kMaxFlow, "12.5"); // a point is read as well
    EXPECT_TRUE(p->CheckParam(status));
    EXPECT_DOUBLE_EQ(two(*p).rec().sys[0].weight[0], 25);
    EXPECT_DOUBLE_EQ(two(*p).rec().sys[0].maxFlow, 12.5);
}

TEST_F(ParamForm34, FieldChecksAndTheirTexts)
{
    struct Case {
        ModuleId id;
        QString field;
        QString typed;
        QString red; // empty: accepted
    };
    const QList<Case> cases = {
        {ModuleId::U34, N::kReportDay, "0", "Отчетный день=\"0\"-неправильное значение"},
        {ModuleId::U34, N::kReportDay, "32", "Отчетный день=\"32\"-неправильное значение"},
        {ModuleId::U34, N::kReportDay, "5x", "Отчетный день=\"5x\"-неправильное значение"},
        {ModuleId::U34, N::kReportDay, "31", {}},
        {ModuleId::U34, N::kMinFlow, "-0.1", "Минимальный расход=\"-0.1\"-неправильное значение"},
        {ModuleId::U34, N::kMaxFlow, "x", "Максимальный расход=\"x\"-неправильное значение"},
        {ModuleId::U34, N::kColdTemp1, "-1", "1-я t°C XBC для открытых систем=\"-1\"-неправильное значение"},
        {ModuleId::U34, N::kColdTemp2, "256", "2-я t°C XBC для открытых систем=\"256\"-неправильное значение"},
        {ModuleId::U34, N::kColdTemp2, "7.5", "2-я t°C XBC для открытых систем=\"7.5\"-неправильное значение"},
        // A contractual value must be a number (else -1 would go out under a success status); any sign is taken.
        {ModuleId::U34, N::contract(1), "9O", "Договорное Tп=\"9O\"-неправильное значение"},
        {ModuleId::U34, N::contract(6), "", "Договорное Pх=\"\"-неправильное значение"},
        {ModuleId::U34, N::contract(3), "-2.5", {}},
        {ModuleId::U29, N::kReportDay, "40", "Отчетный день=\"40\"-неправильное значение"},
        // U28 checks only the weights.
        {ModuleId::U28, N::kReportDay, "40", {}},
        {ModuleId::U28, N::kMinFlow, "-3", {}},
        {ModuleId::U28, N::weight(3), "-3", "-3-неправильное значение"},
        {ModuleId::U28, N::weight(3), "abc", "abc-неправильное значение"},
    };
    for (const auto &c : cases) {
        const int type = c.id == ModuleId::U34 ? 234 : c.id == ModuleId::U29 ? 229 : 228;
        const Tab r = c.id == ModuleId::U34 ? reply34() : c.id == ModuleId::U29 ? reply29() : reply28();
        auto p = read(c.id, type, r);
        p->form().setText(c.field, c.typed);
        status.clear();
        const bool ok = p->CheckParam(status);
        EXPECT_EQ(ok, c.red.isEmpty()) << c.typed.toStdString();
        EXPECT_EQ(status.entries.first().second,
                  c.id == ModuleId::U28 ? QStringLiteral("правильное значение") : QStringLiteral("правильные значения"));
        if (!c.red.isEmpty()) {
            EXPECT_EQ(status.last(), c.red);
            EXPECT_TRUE(status.lastFailed());
        } else {
            EXPECT_EQ(status.entries.size(), 1);
        }
    }
}

TEST_F(ParamForm34, StoredValuesAfterAWeakOrRefusedCheck)
{
    // A refused report day is still stored; a refused temperature keeps the
    // stored one; U28 stores a non-number as 255.
    auto p = read(ModuleId::U34, 234, reply34());
    p->form().setText(N::kReportDay, "40");
    p->form().setText(N::kColdTemp1, "x");
    EXPECT_FALSE(p->CheckParam(status));
    EXPECT_EQ(two(*p).rec().sys[0].reportDay, 40);
    EXPECT_EQ(two(*p).rec().sys[0].coldTemp1, 5);
    EXPECT_EQ(status.last(), "Отчетный день=\"40\"-неправильное значение"); // the first refused field

    auto q = read(ModuleId::U28, 228, reply28());
    q->form().setText(N::kReportDay, "x");
    q->form().setText(N::kColdTemp2, "");
    q->form().setText(N::kMinFlow, "y");
    EXPECT_TRUE(q->CheckParam(status));
    EXPECT_EQ(two(*q).rec().sys[0].reportDay, 255);
    EXPECT_EQ(two(*q).rec().sys[0].coldTemp2, 255);
    EXPECT_EQ(two(*q).rec().sys[0].minFlow, -1);
    // ...which the encoder refuses to squeeze into a byte only when it
    // does not fit; 255 fits, -1 as a single is sent as it is.
    Tab data;
    QString diff;
    EXPECT_EQ(q->EncParam(data, diff), QString());
    EXPECT_EQ(data.at(41 - 5), 255);
}

TEST_F(ParamForm34, PageLayoutOfTheTwoSystemModules)
{
    auto p = read(ModuleId::U34, 234, reply34());
    const ParamControl &choice = ctl(*p, ParamCodec::kSystemChoice);
    EXPECT_EQ(choice.label, QStringLiteral("конфигурация"));
    EXPECT_EQ(choice.items, (QStringList{"1-я Система", "2-я Система"}));
    EXPECT_EQ(choice.index, 0);
    EXPECT_TRUE(choice.visible);
    EXPECT_EQ(ctl(*p, N::kType).index, 2);
    EXPECT_EQ(ctl(*p, N::kReportDay).text, "15");
    EXPECT_EQ(ctl(*p, N::kMinFlow).text, "0.5");
    EXPECT_EQ(ctl(*p, N::kMaxFlow).text, "1500.0");
    EXPECT_EQ(ctl(*p, N::kColdTemp1).label, QStringLiteral("1-я t°C XBC для открытых систем"));
    EXPECT_EQ(ctl(*p, N::kSum).label, QStringLiteral("Суммировать при наличии нефатальных ошибок"));
    EXPECT_FALSE(ctl(*p, N::kSum).checked); // sum flag 1
    EXPECT_EQ(ctl(*p, N::kUseSecond).label, QStringLiteral("Использовать 2-ю t°C XBC для открытых систем"));
    EXPECT_TRUE(ctl(*p, N::kUseSecond).checked);
    EXPECT_EQ(ctl(*p, N::kStart).displayFormat, QStringLiteral("с ddMMMM"));
    EXPECT_EQ(ctl(*p, N::kEnd).displayFormat, QStringLiteral("по ddMMMM"));
    EXPECT_EQ(ctl(*p, N::kStart).hint, QStringLiteral("начало применения 2-й XBC"));
    EXPECT_EQ(ctl(*p, N::kEnd).hint, QStringLiteral("конец применения 2-й XBC"));
    const char *contract[] = {"Tп", "Tо", "Tх", "Pп", "Pо", "Pх"};
    const char *values[] = {"90.0", "70.0", "5.0", "1.6", "1.2", "0.3"};
    const bool used1[] = {true, false, true, true, false, false}; // 0x0105
    const bool used2[] = {false, true, true, true, false, false}; // 0x0830
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ctl(*p, N::contract(i + 1)).label, QStringLiteral("Договорное ") + QString::fromUtf8(contract[i]));
        EXPECT_EQ(ctl(*p, N::contract(i + 1)).text, values[i]);
        EXPECT_EQ(ctl(*p, N::useContract(i + 1)).label, QStringLiteral("Исп. договорное ") + QString::fromUtf8(contract[i]));
        EXPECT_EQ(ctl(*p, N::useContract(i + 1)).checked, used1[i]) << i;
    }
    selectSystem(*p, 234, 1);
    EXPECT_EQ(ctl(*p, ParamCodec::kSystemChoice).index, 1);
    EXPECT_EQ(p->selectedSystem(), 1);
    EXPECT_EQ(ctl(*p, N::kType).index, 0);
    EXPECT_EQ(ctl(*p, N::weight(3)).text, "10.00");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ctl(*p, N::useContract(i + 1)).checked, used2[i]) << i;
    // U29 has no contractual block; a single-system type hides the choice.
    auto q = read(ModuleId::U29, 230, reply29(230));
    EXPECT_FALSE(q->form().find(N::contract(1)));
    EXPECT_FALSE(ctl(*q, ParamCodec::kSystemChoice).visible);
    q->form().setIndex(ParamCodec::kSystemChoice, 1);
    EXPECT_EQ(q->selectedSystem(), 0);
}

TEST_F(ParamForm34, EnablingFollowsTheOpenTypesAndTheSecondTemperature)
{
    struct Case {
        int typeIndex;
        bool useSecond;
        bool first, second; // enabled: first temperature and use box, second temperature and dates
    };
    const Case cases[] = {
        {0, true, false, false}, {1, true, false, false}, {2, false, true, false},
        {2, true, true, true},   {3, true, true, true},   {5, true, false, false},
    };
    for (const auto &c : cases) {
        auto p = read(ModuleId::U29, 229, reply29());
        p->form().setIndex(N::kType, c.typeIndex);
        p->form().setChecked(N::kUseSecond, c.useSecond);
        p->CheckParam(status);
        EXPECT_EQ(ctl(*p, N::kColdTemp1).enabled, c.first) << c.typeIndex;
        EXPECT_EQ(ctl(*p, N::kUseSecond).enabled, c.first);
        for (const QString &n : {N::kColdTemp2, N::kStart, N::kEnd})
            EXPECT_EQ(ctl(*p, n).enabled, c.second) << c.typeIndex << n.toStdString();
        // ...and a rebuild shows the same.
        p->ShowParam(229);
        EXPECT_EQ(ctl(*p, N::kStart).enabled, c.second);
    }
}

TEST_F(ParamForm34, DatesOfTheCurrentYear)
{
    struct Case {
        int day, month;
        QDate shown;
    };
    const Case cases[] = {
        {29, 2, QDate(2027, 2, 1)},  // no 29 February in 2027
        {15, 4, QDate(2027, 4, 15)},
        {31, 4, QDate(2027, 4, 1)},
        {10, 13, QDate(2027, 1, 10)},
        {0, 0, QDate(2027, 1, 1)},
    };
    for (const auto &c : cases) {
        auto p = codec(ModuleId::U34, 234);
        p->DecParam(ParamFrame(100, 234, kNumber).u8(21, c.day).u8(22, c.month).u8(95, 1).tab(), m_dev);
        p->ShowParam(234);
        EXPECT_EQ(ctl(*p, N::kStart).date, c.shown) << c.day << "." << c.month;
        // Left alone, the stored day and month survive a check.
        p->CheckParam(status);
        EXPECT_EQ(two(*p).rec().sys[0].startDay, c.day);
        EXPECT_EQ(two(*p).rec().sys[1].startMonth, c.month);
    }
    // A date the operator picks is taken.
    auto p = read(ModuleId::U34, 234, reply34());
    p->form().setDate(N::kEnd, QDate(2027, 11, 30));
    p->CheckParam(status);
    EXPECT_EQ(two(*p).rec().sys[0].endDay, 30);
    EXPECT_EQ(two(*p).rec().sys[0].endMonth, 11);
    EXPECT_EQ(two(*p).rec().sys[0].startDay, 29); // untouched
    // In a leap year the stored day is shown as it is.
    p->setToday([] { return QDate(2028, 1, 5); });
    p->ShowParam(234);
    EXPECT_EQ(ctl(*p, N::kStart).date, QDate(2028, 2, 29));
}

TEST_F(ParamForm34, TypingTheShownTextBackIsAnEdit)
{
    // A field left as built keeps the stored value; once a typed value was
    // taken, typing the first text back must be taken too.
    struct Case {
        ModuleId id;
        int type;
        QString field;
        QString edited;
        double (*stored)(ParamCodec &);
        double before, after;
    };
    const QList<Case> cases = {
        {ModuleId::U34, 234, N::kMinFlow, "77.0",
         [](ParamCodec &p) { return static_cast<ParamCodecTwo &>(p).rec().sys[0].minFlow; }, 0.5, 77},
        {ModuleId::U34, 234, N::weight(2), "3.00",
         [](ParamCodec &p) { return static_cast<ParamCodecTwo &>(p).rec().sys[0].weight[1]; }, 0x8000 + 250,
         0x8000 + 300},
        {ModuleId::U34, 234, N::contract(2), "71.5",
         [](ParamCodec &p) { return static_cast<ParamCodecTwo &>(p).rec().sys[0].contract[1]; }, 70, 71.5},
        {ModuleId::U29, 229, N::kReportDay, "7",
         [](ParamCodec &p) { return double(static_cast<ParamCodecTwo &>(p).rec().sys[1].reportDay); }, 31, 7},
        {ModuleId::U29, 229, N::kColdTemp2, "40",
         [](ParamCodec &p) { return double(static_cast<ParamCodecTwo &>(p).rec().sys[0].coldTemp2); }, 12, 40},
        {ModuleId::U25, 225, N::kElectric, "100",
         [](ParamCodec &p) { return double(static_cast<ParamCodec25 &>(p).rec().electricWeight); }, 3600, 100},
        {ModuleId::U25, 225, N::weight(1), "500",
         [](ParamCodec &p) { return static_cast<ParamCodec25 &>(p).rec().weight[0]; }, 100, 500},
        {ModuleId::U27, 227, N::weight(1), "9.0",
         [](ParamCodec &p) { return static_cast<ParamCodec27 &>(p).rec().weight[0]; }, 1, 9},
        {ModuleId::U27, 227, N::kColdTemp, "9",
         [](ParamCodec &p) { return double(static_cast<ParamCodec27 &>(p).rec().coldTemp); }, 7, 9},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field.toStdString());
        const Tab r = c.id == ModuleId::U34   ? reply34()
                      : c.id == ModuleId::U29 ? reply29()
                      : c.id == ModuleId::U25 ? reply25()
                                              : reply27();
        auto p = read(c.id, c.type, r);
        const QString first = ctl(*p, c.field).text;
        p->form().setText(c.field, c.edited);
        ASSERT_TRUE(p->CheckParam(status)) << status.last().toStdString();
        EXPECT_DOUBLE_EQ(c.stored(*p), c.after);
        p->form().setText(c.field, first);
        ASSERT_TRUE(p->CheckParam(status)) << status.last().toStdString();
        EXPECT_DOUBLE_EQ(c.stored(*p), c.before);
    }
    // The same for a date picked and then picked back.
    auto p = read(ModuleId::U34, 234, reply34());
    const QDate first = ctl(*p, N::kEnd).date;
    p->form().setDate(N::kEnd, QDate(2027, 11, 30));
    p->CheckParam(status);
    p->form().setDate(N::kEnd, first);
    p->CheckParam(status);
    EXPECT_EQ(two(*p).rec().sys[1].endDay, 15);
    EXPECT_EQ(two(*p).rec().sys[1].endMonth, 4);
    // A refused value typed again is still refused on the next check.
    p->form().setText(N::kMaxFlow, "x");
    EXPECT_FALSE(p->CheckParam(status));
    p->form().setText(N::kReportDay, "16");
    EXPECT_FALSE(p->CheckParam(status));
    EXPECT_EQ(status.last(), QStringLiteral("Максимальный расход=\"x\"-неправильное значение"));
}

TEST_F(ParamForm34, DeviceWideFieldsFollowTheEditedSystem)
{
    auto p = read(ModuleId::U34, 234, reply34());
    selectSystem(*p, 234, 1);
    p->form().setText(N::kReportDay, "20");
    p->form().setChecked(N::kSum, true);
    EXPECT_TRUE(p->CheckParam(status));
    const auto &rec = two(*p).rec();
    EXPECT_EQ(rec.sys[0].reportDay, 20);
    EXPECT_EQ(rec.sys[1].reportDay, 20);
    EXPECT_EQ(rec.sys[0].sumFlag, 0);
    Tab data;
    QString diff;
    EXPECT_EQ(p->EncParam(data, diff), QString());
    EXPECT_EQ(diff, QString());
    EXPECT_EQ(data.at(95 - 5), 20);
    Tab request;
    EXPECT_EQ(p->writeRequest(Identity{234, kNumber}, request), QString());
    EXPECT_EQ(request.size(), 100);
}

TEST_F(ParamForm34, ACheckWritesTheSystemTheFormShows)
{
    // The choice moved but the page was not rebuilt yet: the fields still
    // hold system 1, so they must not land in system 2.
    auto p = read(ModuleId::U34, 234, reply34());
    p->form().setIndex(ParamCodec::kSystemChoice, 1);
    p->form().setText(N::kMinFlow, "3.0");
    p->CheckParam(status);
    EXPECT_EQ(two(*p).rec().sys[0].minFlow, 3.0);
    EXPECT_FLOAT_EQ(float(two(*p).rec().sys[1].minFlow), 123.456f);
    EXPECT_EQ(two(*p).rec().sys[1].weight[0], 2000);
}

TEST_F(ParamForm34, ContractFlagsBelongToTheirSystem)
{
    auto p = read(ModuleId::U34, 234, reply34());
    p->form().setChecked(N::useContract(1), false); // system 1 drops Tп
    p->form().setChecked(N::useContract(2), true);  // and takes Tо
    p->CheckParam(status);
    selectSystem(*p, 234, 1);
    p->form().setText(N::kMaxFlow, "10.0"); // any edit on system 2
    p->CheckParam(status);
    selectSystem(*p, 234, 0);
    EXPECT_FALSE(ctl(*p, N::useContract(1)).checked);
    EXPECT_TRUE(ctl(*p, N::useContract(2)).checked);
    Tab data;
    QString diff;
    ASSERT_EQ(p->EncParam(data, diff), QString());
    EXPECT_EQ(data.at(41 - 5) | data.at(42 - 5) << 8, 0x0106 | 0x0830 | 0x4000);
}

TEST_F(ParamForm34, WeightUnitSwitch)
{
    auto p = read(ModuleId::U34, 234, reply34());
    EXPECT_EQ(p->VesChange(1, status), QString());
    EXPECT_EQ(ctl(*p, N::weight(1)).label, QStringLiteral("вес имп.Vп имп/л"));
    EXPECT_EQ(ctl(*p, N::weight(1)).labelState, ParamLabelState::PulsesPerLitre);
    EXPECT_DOUBLE_EQ(two(*p).rec().sys[0].weight[0], 0x8000 + 10000); // "100.0" now per litre
    p->VesChange(1, status);
    EXPECT_EQ(ctl(*p, N::weight(1)).label, QStringLiteral("вес имп.Vп л/имп"));
    EXPECT_EQ(ctl(*p, N::weight(1)).labelState, ParamLabelState::LitresPerPulse);
    EXPECT_DOUBLE_EQ(two(*p).rec().sys[0].weight[0], 1000);
    // A value too large for the other unit is refused there.
    p->form().setText(N::weight(1), "400");
    p->CheckParam(status);
    p->VesChange(1, status);
    EXPECT_TRUE(p->lastCheckFailed());
    EXPECT_EQ(status.last(), QStringLiteral("вес имп.Vп имп/л=\"400\"-неправильное значение"));
    // U29 only names the label; U28 does nothing.
    auto q = read(ModuleId::U29, 229, reply29());
    EXPECT_EQ(q->VesChange(2, status), QStringLiteral("LeVes2"));
    auto r = read(ModuleId::U28, 228, reply28());
    EXPECT_EQ(r->VesChange(2, status), QString());
    EXPECT_EQ(r->VesChange(9, status), QString());
}

TEST_F(ParamForm34, DefaultsUntilAConfigurationIsRead)
{
    auto p = codec(ModuleId::U34, 234);
    p->ShowParam(234);
    EXPECT_EQ(ctl(*p, N::weight(1)).text, "100.0");
    EXPECT_EQ(ctl(*p, N::contract(1)).text, "90.0");
    EXPECT_EQ(ctl(*p, N::kColdTemp2).text, "15");
    EXPECT_EQ(ctl(*p, N::kStart).date, QDate(2027, 1, 1));
}

// ---------------------------------------------------------------- U25, U27, U128

class ParamFormSingle : public ParamForm34 {};

TEST_F(ParamFormSingle, U25PageAndTariffFields)
{
    auto p = read(ModuleId::U25, 225, reply25());
    EXPECT_FALSE(p->form().find(ParamCodec::kSystemChoice));
    EXPECT_TRUE(ctl(*p, N::kTwoTariffs).checked);
    EXPECT_EQ(ctl(*p, N::kTwoTariffs).label, QStringLiteral("Два тарифа"));
    EXPECT_EQ(ctl(*p, N::tariff(1)).label, QStringLiteral("Начало тарифа № 1"));
    EXPECT_EQ(ctl(*p, N::tariff(2)).label, QStringLiteral("Начало тарифа № 2"));
    EXPECT_EQ(ctl(*p, N::tariff(1)).editMask, QStringLiteral("99:99;_"));
    EXPECT_EQ(ctl(*p, N::tariff(1)).text, "07:30");
    EXPECT_EQ(ctl(*p, N::tariff(2)).text, "23:00");
    EXPECT_EQ(ctl(*p, N::weight(3)).label, QStringLiteral("вес имп.р-мера ГВС,л/имп"));
    EXPECT_EQ(ctl(*p, N::weight(2)).text, "250");
    EXPECT_EQ(ctl(*p, N::kElectric).text, "3600");
    EXPECT_EQ(ctl(*p, N::kUseLimit).label, QStringLiteral("Использовать ограничение t°С ГВС"));
    EXPECT_EQ(ctl(*p, N::kLimit).label, QStringLiteral("ограничение t°С ГВС"));

    struct Case {
        const char *typed;
        const char *rewritten;
        int minutes;
    };
    const Case cases[] = {
        {"25:70", "01:10", 70}, {"__:__", "01:00", 60}, {"48:59", "00:59", 59}, {"23:59", "23:59", 1439},
        {"7", "07:00", 420},
    };
    for (const auto &c : cases) {
        p->form().setText(N::tariff(1), c.typed);
        p->CheckParam(status);
        EXPECT_EQ(ctl(*p, N::tariff(1)).text, c.rewritten) << c.typed;
        EXPECT_EQ(static_cast<ParamCodec25 &>(*p).rec().tariffStart1, c.minutes) << c.typed;
    }
}

TEST_F(ParamFormSingle, U25Checks)
{
    struct Case {
        QString field;
        QString typed;
        QString red; // empty: "Данные правильные"
    };
    const QList<Case> cases = {
        {N::kLimit, "45", {}},
        {N::weight(1), "0", "выход за диапазон: вес имп.1-го р-мера,л/имп;"},
        {N::weight(2), "1001", "выход за диапазон: вес имп.2-го р-мера,л/имп;"},
        {N::weight(2), "-5", "вес имп.2-го р-мера,л/имп=\"-5\"-неправильное значение"},
        {N::weight(3), "70000", "выход за диапазон: вес имп.р-мера ГВС,л/имп;"}, // a number: the range names it
        {N::kElectric, "3601", "выход за диапазон: вес имп. счетчика ЭЭ;"},
        {N::kElectric, "x", "вес имп. счетчика ЭЭ=\"x\"-неправильное значение"},
        {N::kColdTemp, "0", "выход за диапазон: t°C XBC для открытых систем;"},
        {N::kLimit, "101", "выход за диапазон: ограничение t°С ГВС;"},
    };
    for (const auto &c : cases) {
        auto p = read(ModuleId::U25, 225, reply25());
        p->form().setText(c.field, c.typed);
        status.clear();
        EXPECT_EQ(p->CheckParam(status), c.red.isEmpty()) << c.typed.toStdString();
        if (c.red.isEmpty()) {
            EXPECT_EQ(status.entries, (QList<QPair<Kind, QString>>{{Kind::Ok, "Данные правильные"}}));
        } else {
            EXPECT_EQ(status.entries, (QList<QPair<Kind, QString>>{{Kind::Fail, c.red}}));
        }
    }
    // Several names, each followed by ";"; type 5 is outside 1..4.
    auto p = read(ModuleId::U25, 225, reply25());
    p->form().setIndex(N::kType, 4);
    p->form().setText(N::kColdTemp, "200");
    p->CheckParam(status);
    EXPECT_EQ(status.last(), QStringLiteral("выход за диапазон: Тип системы;t°C XBC для открытых систем;"));
    // Success already shown: no second success text.
    auto q = read(ModuleId::U25, 225, reply25());
    status.clear();
    status.ok("НА СВЯЗИ!");
    EXPECT_TRUE(q->CheckParam(status));
    EXPECT_EQ(status.entries.size(), 1);
}

TEST_F(ParamFormSingle, U27PageAndCheck)
{
    auto p = read(ModuleId::U27, 227, reply27());
    EXPECT_EQ(ctl(*p, N::weight(3)).label, QStringLiteral("вес имп.р-мера ГВС,л/имп"));
    EXPECT_EQ(ctl(*p, N::weight(4)).label, QStringLiteral("вес имп.3-го р-мера,л/имп"));
    EXPECT_EQ(ctl(*p, N::weight(4)).text, "65535.0");
    EXPECT_TRUE(ctl(*p, N::kColdTemp).enabled); // type 4: "отопление открытая тупиковая"
    p->form().setIndex(N::kType, 0);
    p->form().setText(N::weight(1), "2.5");
    EXPECT_TRUE(p->CheckParam(status));
    EXPECT_EQ(status.entries, (QList<QPair<Kind, QString>>{{Kind::Ok, "правильное значение"}}));
    EXPECT_FALSE(ctl(*p, N::kColdTemp).enabled);
    EXPECT_DOUBLE_EQ(static_cast<ParamCodec27 &>(*p).rec().weight[0], 2.5); // stored as entered
    for (const char *typed : {"-1", "abc", "65535.6"}) {
        p->form().setText(N::weight(2), typed);
        status.clear();
        EXPECT_FALSE(p->CheckParam(status));
        EXPECT_EQ(status.last(), QString::fromUtf8(typed) + "-неправильное значение");
    }
}

TEST_F(ParamFormSingle, U128PageAndCheck)
{
    auto p = read(ModuleId::U128, 128, reply128());
    const ParamControl &mod = ctl(*p, N::kModification);
    EXPECT_EQ(mod.label, QStringLiteral("Moдификация КОРБ (кол-во каналов)"));
    EXPECT_EQ(mod.items, (QStringList{"1", "2", "4"}));
    EXPECT_EQ(mod.index, 2);
    // The field holds the weight number, the label the weight it means.
    EXPECT_EQ(ctl(*p, N::channel(3)).label, QStringLiteral("вес,3 кан, 1 литр/имп"));
    EXPECT_EQ(ctl(*p, N::channel(3)).text, "3");
    EXPECT_EQ(ctl(*p, N::channel(4)).label, QStringLiteral("вес,4 кан, 1000 литр/имп"));
    EXPECT_EQ(ctl(*p, N::channel(4)).text, "0");

    struct Case {
        int modIndex;
        bool visible[4];
    };
    const Case cases[] = {{0, {true, false, false, false}}, {1, {true, true, false, false}}, {2, {true, true, true, true}}};
    for (const auto &c : cases) {
        p->form().setIndex(N::kModification, c.modIndex);
        EXPECT_TRUE(p->CheckParam(status));
        for (int ch = 1; ch <= 4; ++ch)
            EXPECT_EQ(ctl(*p, N::channel(ch)).visible, c.visible[ch - 1]) << c.modIndex << ch;
        p->ShowParam(128);
        EXPECT_EQ(ctl(*p, N::channel(2)).visible, c.visible[1]);
    }
    EXPECT_EQ(ctl(*p, N::channel(1)).label, QStringLiteral("вес,1 кан, 100 литр/имп"));
    p->CheckParam(status);
    EXPECT_EQ(ctl(*p, N::channel(1)).label, QStringLiteral("вес,1 кан, 100 литр/имп"));
    EXPECT_EQ(ctl(*p, N::channel(4)).label, QStringLiteral("вес,4 кан, 1000 литр/имп"));
    EXPECT_EQ(status.last(), QStringLiteral("правильное значение"));
    // A hidden channel keeps its number; the encoder refuses a junk one.
    {
        auto q = codec(ModuleId::U128, 128);
        Tab r = reply128();
        r.set(26, 7);
        r.set(27, 2);
        int sum = 0;
        for (int i = 0; i < 30; ++i)
            sum += r.at(i);
        r.set(30, (256 - sum % 256) % 256);
        ASSERT_EQ(q->DecParam(r, m_dev), QString());
        q->ShowParam(128);
        EXPECT_FALSE(ctl(*q, N::channel(4)).visible);
        EXPECT_EQ(ctl(*q, N::channel(4)).label, QStringLiteral("вес,4 кан")); // no weight for a junk number
        EXPECT_TRUE(q->CheckParam(status));
        Tab request;
        EXPECT_EQ(q->writeRequest(Identity{128, kNumber}, request), QStringLiteral("выход за диапазон: вес,4 кан;"));
    }
    // Two bits per channel: 4 and above are refused.
    for (const char *typed : {"4", "255", "-1", "x"}) {
        p->form().setText(N::channel(2), typed);
        status.clear();
        EXPECT_FALSE(p->CheckParam(status)) << typed;
        EXPECT_EQ(status.last(), QString::fromUtf8(typed) + "-неправильное значение");
        EXPECT_EQ(static_cast<ParamCodec128 &>(*p).rec().weightNumber[1], 2);
    }
}

} // namespace
