// The type registry: which code has which module and constants, the tab
// sets, and the rejection of a list that names a code twice.

#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Frame.h"
#include "support/StateTestEnv.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace pim;

namespace {

TEST(Registry, TheListNamesEveryCodeOnce)
{
    EXPECT_EQ(checkTypeList(typeList()), QString());
    QList<TypeInfo> twice = typeList();
    twice << typeList().at(3);
    const QString text = checkTypeList(twice);
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.contains(QString::number(typeList().at(3).type))) << text.toStdString();
}

TEST(Registry, CodesWithoutModule)
{
    DeviceSession session;
    for (int type : {-1, 0, 127, 129, 224, 226, 231, 232, 233, 240, 255, 256}) {
        EXPECT_EQ(typeInfo(type), nullptr) << type;
        EXPECT_EQ(session.moduleFor(type), nullptr) << type;
    }
    for (int type : {226, 231, 232, 233})
        EXPECT_EQ(ModelName(type), QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА")) << type;
}

TEST(Registry, ModulesAgreeWithTheirRows)
{
    QList<int> codes;
    for (const TypeInfo &t : typeList())
        codes << t.type;
    EXPECT_EQ(codes, ServedTypes());
    DeviceSession session;
    for (const TypeInfo &t : typeList()) {
        EXPECT_EQ(session.moduleFor(t.type)->state().stateLength(), t.stateLength) << t.type;
        // What the imitation generates is what the decoders take.
        const ImitationProfile &p = t.imitation;
        if (p.stateSums > 0)
            EXPECT_EQ(p.stateLength, t.stateLength) << t.type;
        if (p.arhLength > 0)
            EXPECT_EQ(p.arhLength, t.arhLength) << t.type;
        if (p.paramLength > 0)
            EXPECT_EQ(p.paramLength, t.paramLength) << t.type;
    }
}

TEST(Registry, NamesAndLengths)
{
    // Served types have unique names that can name a folder.
    QSet<QString> names;
    for (int type : ServedTypes()) {
        const QString name = ModelName(type);
        EXPECT_NE(name, "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА") << type;
        EXPECT_FALSE(names.contains(name)) << type;
        names.insert(name);
        EXPECT_EQ(typeByModelName(name), type);
        EXPECT_EQ(name.trimmed(), name);
        for (QChar c : QStringLiteral("\\/:*?\"<>|"))
            EXPECT_FALSE(name.contains(c)) << type;
        EXPECT_TRUE(isServedType(type));
    }
    EXPECT_EQ(ModelName(229), "ПИМ-229");
    for (int type : {-1, 0, 127, 129, 226, 231, 233, 240, 255, 1000})
        EXPECT_EQ(ModelName(type), "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА") << type;
    EXPECT_EQ(typeByModelName("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"), -1);
    EXPECT_EQ(typeByModelName(QString()), -1);

    for (int type : {0, 1, 127, 226, 231, 240})
        EXPECT_FALSE(isServedType(type)) << type;

    // arhNo: the shortest sound reply to the current-numbers request (the
    // daily number is a byte up to 230, a word from 234 on).
    struct Len {
        int type, state, param, arhiv, arhNo;
    };
    const Len lens[] = {
        {128, 31, 0, 0, 0},       {225, 41, 23, 49, 9},      {227, 33, 16, 41, 9},
        {228, 97, 46, 166, 9},    {229, 105, 46, 166, 9},    {230, 105, 46, 166, 9},
        {234, 129, 100, 222, 10}, {237, 129, 100, 222, 10},  {238, 161, 100, 222, 10},
        {239, 161, 100, 222, 10}, {226, 0, 0, 0, 0},
    };
    for (const Len &l : lens) {
        EXPECT_EQ(replyLength(l.type, Q_State), l.state) << l.type;
        EXPECT_EQ(replyLength(l.type, Q_Param), l.param) << l.type;
        EXPECT_EQ(replyLength(l.type, Q_Arhiv), l.arhiv) << l.type;
        EXPECT_EQ(replyLength(l.type, Q_Chang), 0) << l.type;
        if (const TypeInfo *t = typeInfo(l.type)) {
            // The reader asks with the row's lengths.
            EXPECT_EQ(t->reader.arhNoLength, l.arhNo) << l.type;
            EXPECT_EQ(t->reader.replyLength, l.arhiv) << l.type;
        }
    }
}


TEST(Registry, PerTypeConstants)
{
    struct Row {
        int type;
        const char *module;
        int systems, stateTabs, arhTabs;
        const char *unit;
        int format, vars, recordSize, dailyMax, hourlyMax;
        bool changeLog;
    } rows[] = {
        {128, "U128", 0, 1, 0, "", 0, 0, 0, 0, 0, false},
        {225, "U25", 1, 1, 4, "U25", 25, 23, 96, 127, 1023, false},
        {227, "U27", 1, 1, 4, "U27", 27, 21, 80, 127, 1023, false},
        {228, "U28", 2, 2, 8, "U28", 28, 24, 352, 61, 959, false},
        {229, "U29", 2, 2, 8, "U29", 29, 41, 352, 61, 959, true},
        {230, "U29", 1, 1, 4, "U30", 30, 24, 352, 61, 959, true},
        {234, "U34", 2, 2, 8, "U34", 34, 41, 464, 365, 1080, true},
        {235, "U34", 1, 1, 4, "U35", 30, 24, 464, 365, 1080, true},
        {236, "U34", 2, 2, 8, "U34", 34, 41, 464, 365, 1080, true},
        {237, "U34", 1, 1, 4, "U35", 30, 24, 464, 365, 1080, true},
        {238, "U38", 2, 2, 8, "U38", 34, 41, 464, 4400, 3600, true},
        {239, "U38", 1, 1, 4, "U39", 30, 24, 464, 4400, 3600, true},
    };
    DeviceSession session;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.type);
        const TypeInfo *t = typeInfo(r.type);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(moduleName(t->module), QString::fromLatin1(r.module));
        EXPECT_EQ(session.moduleFor(r.type)->name(), QString::fromLatin1(r.module));
        EXPECT_EQ(t->systems, r.systems);
        EXPECT_EQ(t->stateTabs.size(), r.stateTabs);
        EXPECT_EQ(t->arhTabs.size(), r.arhTabs);
        EXPECT_EQ(t->printUnit, QString::fromLatin1(r.unit));
        EXPECT_EQ(t->printFormat, r.format);
        EXPECT_EQ(t->printVars, r.vars);
        EXPECT_EQ(t->arhRecordSize, r.recordSize);
        EXPECT_EQ(t->dailyMax, r.dailyMax);
        EXPECT_EQ(t->dailyEntries, r.dailyMax + (r.dailyMax ? 1 : 0));
        EXPECT_EQ(t->hourlyMax, r.hourlyMax);
        EXPECT_EQ(t->hourlyEntries, r.hourlyMax + (r.hourlyMax ? 1 : 0));
        EXPECT_EQ(t->changeLog, r.changeLog);
        EXPECT_EQ(t->hasDefaultConfig(), r.type != 128);
        EXPECT_EQ(t->configCommand(), r.type == 128 ? 1 : 5);
        EXPECT_EQ(session.moduleFor(r.type)->arh() == nullptr, r.type == 128);
    }
}

TEST(Registry, OneModuleObjectPerModuleInEachSession)
{
    DeviceSession s, other;
    EXPECT_EQ(s.moduleFor(234), s.moduleFor(235));
    EXPECT_EQ(s.moduleFor(234), s.moduleFor(237));
    EXPECT_EQ(s.moduleFor(229), s.moduleFor(230));
    EXPECT_NE(s.moduleFor(234), s.moduleFor(238));
    EXPECT_NE(s.moduleFor(238), other.moduleFor(238));
    EXPECT_EQ(s.moduleFor(238)->state().halves(), 2);
    EXPECT_EQ(s.moduleFor(239)->state().halves(), 2); // a one-system type uses system 1 of the record
    // Without an identified type there is no module.
    EXPECT_EQ(s.module(), nullptr);
    s.setIdentity(235, 1);
    EXPECT_EQ(s.module(), s.moduleFor(234));
}

TEST(Registry, StateTabSets)
{
    const QList<StateTab> one = typeInfo(239)->stateTabs;
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one[0].caption, QStringLiteral("состояние"));
    EXPECT_EQ(one[0].system, 0);
    const QList<StateTab> two = typeInfo(228)->stateTabs;
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0].caption, QStringLiteral("состояние 1-й системы"));
    EXPECT_EQ(two[1].caption, QStringLiteral("состояние 2-й системы"));
    EXPECT_EQ(two[1].system, 1);
    EXPECT_EQ(typeInfo(128)->stateTabs[0].caption, QStringLiteral("состояние"));
}

TEST(Registry, ArchiveTabSets)
{
    auto describe = [](const QList<ArhTab> &tabs) {
        QStringList l;
        for (const ArhTab &t : tabs)
            l << QStringLiteral("%1/%2/%3/%4/%5/%6")
                     .arg(t.caption).arg(t.kind).arg(t.system).arg(t.longName).arg(t.imageIndex).arg(t.readHint());
        return l;
    };
    const QString sn = QStringLiteral("Архив суточный накопительный/3/чтение суточного архива");
    const QString sr = QStringLiteral("Архив суточный разностный/3/чтение суточного архива");
    const QString hn = QStringLiteral("Архив часовой накопительный/5/чтение часового архива");
    const QString hr = QStringLiteral("Архив часовой разностный/5/чтение часового архива");
    EXPECT_EQ(describe(typeInfo(235)->arhTabs),
              QStringList({"СУТОЧНЫЙ/0/1/" + sn, "СУТ РАЗНОСТЬ/1/1/" + sr, "ЧАСОВОЙ/2/1/" + hn,
                           "ЧАС РАЗНОСТЬ/3/1/" + hr}));
    // Two blanks before "РАЗНОСТЬ" in the two-system captions.
    EXPECT_EQ(describe(typeInfo(229)->arhTabs),
              QStringList({"СУТ 1-Я/0/1/" + sn, "СУТ 1-Я  РАЗНОСТЬ/1/1/" + sr, "СУТ 2-Я/0/2/" + sn,
                           "СУТ 2-Я  РАЗНОСТЬ/1/2/" + sr, "ЧАС 1-Я/2/1/" + hn, "ЧАС 1-Я  РАЗНОСТЬ/3/1/" + hr,
                           "ЧАС 2-Я/2/2/" + hn, "ЧАС 2-Я  РАЗНОСТЬ/3/2/" + hr}));
    EXPECT_TRUE(typeInfo(128)->arhTabs.isEmpty());
}

} // namespace
