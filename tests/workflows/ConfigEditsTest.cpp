// Scripted configuration edits meet the limits of the page's controls: a
// value the page could never produce (a list item that does not exist, a
// day its date field cannot show, a number its field cannot hold as typed)
// is refused with its label, the allowed range and the value, and nothing
// is left to write.

#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "workflows/ConfigEdits.h"

#include <gtest/gtest.h>

using namespace pim;

namespace {

ConfigEdits::Outcome applyTo(int type, int system, const QStringList &items)
{
    DeviceSession session;
    session.setIdentity(type, 7);
    // The date fields show a year without 29 February.
    session.module()->param().setToday([] { return QDate(2026, 6, 1); });
    QList<ConfigEdits::Edit> edits;
    for (const QString &item : items) {
        ConfigEdits::Edit e;
        EXPECT_TRUE(ConfigEdits::parse(item, e)) << qPrintable(item);
        edits << e;
    }
    return ConfigEdits::apply(session, system, true, edits);
}

} // namespace

TEST(ConfigEdits, ValuesThePageCouldNeverProduceAreRefused)
{
    struct Case {
        int type;
        QStringList edits;
        QString text; // the whole refusal
    } cases[] = {
        {238, {"тип сист=7"}, "тип сист=7 - допустимы целые от 1 до 6"},
        {230, {"тип сист=99"}, "тип сист=99 - допустимы целые от 1 до 6"},
        {238, {"нач 2-й t°C м-ц=13"}, "нач 2-й t°C м-ц=13 - допустимы целые от 1 до 12"},
        {238, {"нач 2-й t°C день=45"}, "нач 2-й t°C день=45 - допустимы целые от 1 до 31 (месяц 1, 2026 год)"},
        {229, {"кон 2-й t°C день=0"}, "кон 2-й t°C день=0 - допустимы целые от 1 до 31 (месяц 1, 2026 год)"},
        {229, {"кон 2-й t°C м-ц=2", "кон 2-й t°C день=29"},
         "кон 2-й t°C день=29 - допустимы целые от 1 до 28 (месяц 2, 2026 год)"},
        {238, {"max объем=1e30"}, "max объем=1e30 - допустимо от 0.00 до 131071.99"},
        {238, {"Договорное Tп=-1e38"}, "Договорное Tп=-1e38 - допустимо от -131071.99 до 131071.99"},
        {238, {"призн сумм ош=7"}, "призн сумм ош=7 - допустимы целые от 0 до 1"},
        {238, {"Исп. договорное=64"},
         "Исп. договорное=64 - допустимы только флаги договорных значений: биты маски 16191 (0x3F3F)"},
        // The weak page of 228 checks no report day: the limit still holds.
        {228, {"отч день=99"}, "отч день=99 - допустимы целые от 1 до 31"},
        {225, {"тип сист=5"}, "выход за диапазон: Тип системы;"}, // the page's own range check
        {225, {"начало 1 тарифа=1440"}, "начало 1 тарифа=1440 - допустимы целые от 0 до 1439"},
        {227, {"вес имп ГВС=2.5"}, "вес имп ГВС=2.5 - допустимы целые от 0 до 65535"},
        {128, {"модиф КОРБ=3"}, "модиф КОРБ=3 - допустимо 1, 2, 4"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(QString::number(c.type) + " " + c.edits.join(", ")));
        const ConfigEdits::Outcome o = applyTo(c.type, 0, c.edits);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.usage);
        EXPECT_EQ(o.text, c.text);
    }    // A pulse weight is given in its unit; one its word cannot hold exactly
    // is the caller's mistake, refused before any check.
    for (const Case &c : {Case{238, {"вес имп датч №1=0.001"}, "вес имп датч №1: \"0.001\" не помещается в слово веса"},
                          Case{229, {"вес имп датч №3=70000"}, "вес имп датч №3: \"70000\" не помещается в слово веса"},
                          Case{238, {"вес имп датч №2=327.68 имп/л"},
                               "вес имп датч №2: \"327.68 имп/л\" не помещается в слово веса"}}) {
        SCOPED_TRACE(qPrintable(c.edits.join(", ")));
        const ConfigEdits::Outcome o = applyTo(c.type, 0, c.edits);
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.usage);
        EXPECT_EQ(o.text, c.text);
    }
}

TEST(ConfigEdits, ValuesWithinTheControlsLimitsPass)
{
    const struct {
        int type;
        QStringList edits;
    } cases[] = {
        {238, {"тип сист=6", "max объем=1200.5", "Договорное Tп=95.5", "Договорное Pп=-0.25"}},
        {238, {"нач 2-й t°C м-ц=2", "нач 2-й t°C день=28", "кон 2-й t°C м-ц=12", "кон 2-й t°C день=31"}},
        {238, {"вес имп датч №2=0.82 имп/л", "призн сумм ош=0", "Исп. договорное=2056", "отч день=31"}},
        {229, {"вес имп датч №3=6553.5"}},
        {228, {"отч день=15"}},
        {225, {"вес имп датч №1=1000", "начало 2 тарифа=1439"}},
        {128, {"модиф КОРБ=2", "№ веса 1 кан=3"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(QString::number(c.type) + " " + c.edits.join(", ")));
        const ConfigEdits::Outcome o = applyTo(c.type, 0, c.edits);
        EXPECT_TRUE(o.ok) << qPrintable(o.text);
    }
}
