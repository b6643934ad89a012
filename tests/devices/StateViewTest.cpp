// The state page tables: header rows, labels, positions, tags, and the
// error tables behind the tags.

#include "devices/StateCodec.h"
#include "support/StateTestEnv.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace pim;

namespace {

QString describe(const StateViewItem &i)
{
    return QStringLiteral("%1|%2|%3|%4,%5|%6").arg(i.row1, i.row2, i.label).arg(i.left).arg(i.top).arg(i.tag);
}

struct ViewCase {
    ModuleId id;
    int count;
    QList<int> tagged; // index of tag 2, index of tag 1 (or one index for tag 1)
    QMap<int, QString> rows;
};

TEST(StateView, TablesOfEveryModule)
{
    const QList<ViewCase> cases{
        {ModuleId::U38, 17, {12, 13},
         {{0, "ТЕПЛО| Гкал|тепло, Гкал|90,10|0"},
          {4, "t°C|подача|t°C, подача |600,10|0"},
          {6, "t°C|доп|t°C, ГВС    |600,70|0"},
          {7, "давл-е|1,МПа|давление 1 датчик, МПа|600,100|0"},
          {11, "объем|мгнов|3-й мгновенный расход,м3/час|300,160|0"},
          {12, "код ош|сист|код ошибки системы|300,190|2"},
          {13, "код ош|уст-ва|код ошибки устройства|300,220|1"},
          {16, "масса|3,т|Масса 3,Т|750,70|0"}}},
        {ModuleId::U34, 17, {12, 13}, {{8, "давл-е|2,МПа|давление 2 датчик, МПа|600,130|0"}}},
        {ModuleId::U29, 14, {12, 13},
         {{7, "давл-е|1,бар|давление 1 датчик, бар|600,100|0"},
          {8, "давл-е|2,бар|давление 2 датчик, бар|600,130|0"},
          {9, "объем|мгнов|1-й мгновенный расход,м3/час|300,100|0"}}},
        {ModuleId::U28, 13, {11, 12},
         {{8, "давл-е|2,бар|давление 2 датчик, бар|600,130|0"},
          {9, "объем|мгнов|1-й мгновенный объем,м3/час|300,100|0"},
          {10, "объем|мгнов|2-й мгновенный объем,м3/час|300,130|0"},
          {11, "код ош|сист|код ошибки системы|300,160|2"},
          {12, "код ош|уст-ва|код ошибки устройства|300,190|1"}}},
        {ModuleId::U25, 11, {10},
         {{0, "ТЕПЛО| Гкал|ТЕПЛО, Гкал|100,10|0"},
          {7, "объем|уменьш t°C|объем при уменьшенной t°C,м3|600,100|0"},
          {9, "электро|2 тариф|электроэнергия по 2 тарифу|300,130|0"},
          {10, "код|ошиб|код ошибки|300,160|1"}}},
        {ModuleId::U27, 9, {8},
         // Grid and label name the same volume: hot water, then volume 3.
         {{6, "объем|ГВС,м3|объем ГВС, м3|600,70|0"},
          {7, "объем|3,м3|объем 3,м3|600,100|0"},
          {8, "код|ошиб|код ошибки|600,130|1"}}},
        {ModuleId::U128, 17, {},
         {{0, "модиф|КОРБ|модификация КОРБ (кол-во каналов) |300,10|0"},
          {1, "Импульс|1 кан|Импульсы,1 кан|300,40|0"},
          {8, "№ веса|4 кан|№ веса,4 кан|500,130|0"},
          {10, "вес|2 кан|вес,2 кан|700,70|0"},
          {16, "итого|4 кан|итого,4 кан|900,130|0"}}},
    };
    for (const ViewCase &k : cases) {
        SCOPED_TRACE(moduleName(k.id).toStdString());
        const auto codec = makeStateCodec(k.id);
        const StateView &v = codec->view();
        ASSERT_EQ(v.items.size(), k.count);
        EXPECT_EQ(codec->SLfromState(0).size(), k.count);
        EXPECT_EQ(v.errorDecoderOnDoubleClick, k.id != ModuleId::U128);
        QList<int> order, tagged;
        for (int i = 0; i < k.count; ++i) {
            order << i;
            if (v.items[i].tag != 0)
                tagged << i;
        }
        EXPECT_EQ(v.columnOrder, order);
        EXPECT_EQ(tagged, k.tagged);
        for (auto it = k.rows.begin(); it != k.rows.end(); ++it)
            EXPECT_EQ(describe(v.items[it.key()]), it.value()) << it.key();
    }
}

TEST(StateView, ErrorTables)
{
    for (ModuleId id : {ModuleId::U28, ModuleId::U29, ModuleId::U34, ModuleId::U38}) {
        const auto c = makeStateCodec(id);
        EXPECT_EQ(c->errorTexts(2).size(), 9);
        EXPECT_EQ(c->errorTexts(1).size(), 6);
        EXPECT_EQ(c->errorTexts(1).at(0), " НОРМА");
        EXPECT_EQ(c->errorTexts(1).at(1), "Ошибка АЦП.");
        EXPECT_EQ(c->errorTexts(2).at(5), "Расход теплоносителя выходит за предел минимального  значения");
    }
    const auto c25 = makeStateCodec(ModuleId::U25);
    const auto c27 = makeStateCodec(ModuleId::U27);
    ASSERT_EQ(c25->errorTexts(1).size(), 9);
    EXPECT_EQ(c25->errorTexts(2), c25->errorTexts(1));
    // The two generations differ only in the letter of the degree unit.
    QStringList t25 = c25->errorTexts(1), t27 = c27->errorTexts(1);
    EXPECT_TRUE(t25[2].contains(QStringLiteral("150°C"))); // Latin C
    EXPECT_TRUE(t27[2].contains(QStringLiteral("150°С"))); // Cyrillic С
    t25[2] = t27[2];
    EXPECT_EQ(t25, t27);
    EXPECT_TRUE(makeStateCodec(ModuleId::U128)->errorTexts(1).isEmpty());
    EXPECT_EQ(makeStateCodec(ModuleId::U128)->errorCode(1), -1);
}

} // namespace
