#include "devices/Registry.h"

#include "devices/StateCodec.h"

#include "base/Format.h"
#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <array>
#include <memory>

namespace pim {
namespace {

// Per-module constants shared by the types a module serves.
struct ModuleConst {
    ModuleId module;
    int stateLength, paramLength, arhLength, arhRecordSize;
    int dailyMax, dailyEntries, hourlyMax, hourlyEntries;
    bool changeLog;
};

constexpr ModuleConst k128{ModuleId::U128, 31, 0, 0, 0, 0, 0, 0, 0, false};
constexpr ModuleConst k25{ModuleId::U25, 41, 23, 49, 96, 127, 128, 1023, 1024, false};
constexpr ModuleConst k27{ModuleId::U27, 33, 16, 41, 80, 127, 128, 1023, 1024, false};
constexpr ModuleConst k28{ModuleId::U28, 97, 46, 166, 352, 61, 62, 959, 960, false};
constexpr ModuleConst k29{ModuleId::U29, 105, 46, 166, 352, 61, 62, 959, 960, true};
constexpr ModuleConst k34{ModuleId::U34, 129, 100, 222, 464, 365, 366, 1080, 1081, true};
constexpr ModuleConst k38{ModuleId::U38, 161, 100, 222, 464, 4400, 4401, 3600, 3601, true};

TypeInfo entry(int type, const ModuleConst &m, int systems, const char *printUnit, int printFormat, int printVars)
{
    TypeInfo t;
    t.type = type;
    t.module = m.module;
    t.systems = systems;
    t.printUnit = QString::fromLatin1(printUnit);
    t.printFormat = printFormat;
    t.printVars = printVars;
    t.stateLength = m.stateLength;
    t.paramLength = m.paramLength;
    t.arhLength = m.arhLength;
    t.arhRecordSize = m.arhRecordSize;
    t.dailyMax = m.dailyMax;
    t.dailyEntries = m.dailyEntries;
    t.hourlyMax = m.hourlyMax;
    t.hourlyEntries = m.hourlyEntries;
    t.changeLog = m.changeLog;
    t.stateTabs = stateTabs(systems);
    if (m.module != ModuleId::U128)
        t.arhTabs = arhTabs(systems);
    return t;
}

// The registration list. The single-system codes 230, 235, 237 and 239
// take the decoders of their two-system module but their own print unit,
// one state tab and four archive tabs.
QList<TypeInfo> buildTypeList()
{
    return {
        entry(128, k128, 0, "", 0, 0),
        entry(225, k25, 1, "U25", 25, 23),
        entry(227, k27, 1, "U27", 27, 21),
        entry(228, k28, 2, "U28", 28, 24),
        entry(229, k29, 2, "U29", 29, 41),
        entry(230, k29, 1, "U30", 30, 24),
        entry(234, k34, 2, "U34", 34, 41),
        entry(235, k34, 1, "U35", 30, 24),
        entry(236, k34, 2, "U34", 34, 41),
        entry(237, k34, 1, "U35", 30, 24),
        entry(238, k38, 2, "U38", 34, 41),
        entry(239, k38, 1, "U39", 30, 24),
    };
}

} // namespace

QList<StateTab> stateTabs(int systems)
{
    if (systems == 2)
        return {{QStringLiteral("состояние 1-й системы"), 0}, {QStringLiteral("состояние 2-й системы"), 1}};
    return {{QStringLiteral("состояние"), 0}};
}

QList<ArhTab> arhTabs(int systems)
{
    static const QString longNames[4] = {
        QStringLiteral("Архив суточный накопительный"), QStringLiteral("Архив суточный разностный"),
        QStringLiteral("Архив часовой накопительный"), QStringLiteral("Архив часовой разностный")};
    auto tab = [](const QString &caption, int kind, int system) {
        ArhTab t;
        t.caption = caption;
        t.kind = kind;
        t.system = system;
        t.longName = longNames[kind];
        t.imageIndex = kind < 2 ? 3 : 5;
        t.genitive = kind < 2 ? QStringLiteral("суточного") : QStringLiteral("часового");
        return t;
    };
    if (systems == 2)
        return {
            tab(QStringLiteral("СУТ 1-Я"), 0, 1), tab(QStringLiteral("СУТ 1-Я  РАЗНОСТЬ"), 1, 1),
            tab(QStringLiteral("СУТ 2-Я"), 0, 2), tab(QStringLiteral("СУТ 2-Я  РАЗНОСТЬ"), 1, 2),
            tab(QStringLiteral("ЧАС 1-Я"), 2, 1), tab(QStringLiteral("ЧАС 1-Я  РАЗНОСТЬ"), 3, 1),
            tab(QStringLiteral("ЧАС 2-Я"), 2, 2), tab(QStringLiteral("ЧАС 2-Я  РАЗНОСТЬ"), 3, 2),
        };
    return {
        tab(QStringLiteral("СУТОЧНЫЙ"), 0, 1), tab(QStringLiteral("СУТ РАЗНОСТЬ"), 1, 1),
        tab(QStringLiteral("ЧАСОВОЙ"), 2, 1), tab(QStringLiteral("ЧАС РАЗНОСТЬ"), 3, 1),
    };
}

QString checkTypeList(const QList<TypeInfo> &list)
{
    for (int i = 0; i < list.size(); ++i)
        for (int j = 0; j < i; ++j)
            if (list[i].type == list[j].type)
                return Format(u"тип %d зарегистрирован дважды", {list[i].type});
    return QString();
}

const QList<TypeInfo> &typeList()
{
    static const QList<TypeInfo> list = buildTypeList();
    return list;
}

const TypeInfo *typeInfo(int type)
{
    for (const TypeInfo &t : typeList())
        if (t.type == type)
            return &t;
    return nullptr;
}

DeviceModule &module(ModuleId id)
{
    static std::array<std::unique_ptr<DeviceModule>, 7> modules;
    auto &m = modules[size_t(id)];
    if (!m)
        m = std::make_unique<DeviceModule>(id);
    return *m;
}

DeviceModule *moduleFor(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t ? &module(t->module) : nullptr;
}

void registerImitationGenerators()
{
    imitator().setStateGenerator([](int type, const Tab &request, Tab &reply, Imitator &im) {
        DeviceModule *m = moduleFor(type);
        if (!m || !m->state().hasImitation())
            return false;
        Tab r;
        if (!m->state().ImitState(request, im, r).isEmpty())
            return false;
        // Header from the request, then the checksum: what the imitation's
        // frame coding does too, so the reply is whole either way.
        for (int i = 1; i <= 4; ++i)
            r.set(i, request.at(i));
        r.set(r.size() - 1, CalcCS(r.mid(0, r.size() - 1)));
        reply = r;
        return true;
    });
}

} // namespace pim
