#include "devices/Registry.h"

#include "devices/StateCodec.h"

#include "base/Format.h"
#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <memory>

namespace pim {
namespace {

const QString kTypeMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

using Reader = ArhReaderInfo::Kind;
using Cal = ImitationProfile::Calibration;

// The newer modules: their state is generated from their layout (their
// codec's ImitState), their archive and configuration replies are random
// ones of their lengths, so that each can be tried in training mode; the
// calibration is given back as asked.
constexpr ModuleFacts::Imitation kLayoutState{false, 0, true, Cal::Echo, false};

// The imitation's replies: the state generator of the 228 family, random
// archive and configuration replies of the module's lengths, its
// calibration answer.
constexpr ModuleFacts k128{ModuleId::U128, 31, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, true, Reader::None,
                           {false, 0, false, Cal::Echo, true}};
constexpr ModuleFacts k25{ModuleId::U25, 41, 23, 49, 9, 96, 127, 128, 1023, 1024, 42, false, false, Reader::R225,
                          {false, 0, true, Cal::TwoValues, false}};
constexpr ModuleFacts k27{ModuleId::U27, 33, 16, 41, 9, 80, 127, 128, 1023, 1024, 42, false, true, Reader::R227,
                          {false, 0, true, Cal::TwoStatus, false}};
constexpr ModuleFacts k28{ModuleId::U28, 97, 46, 166, 9, 352, 61, 62, 959, 960, 39, false, true, Reader::R228,
                          {true, 4, true, Cal::OneOrFour, false}};
constexpr ModuleFacts k29{ModuleId::U29, 105, 46, 166, 9, 352, 61, 62, 959, 960, 39, true, true, Reader::R229,
                          {true, 6, true, Cal::OneOrFour, false}};
constexpr ModuleFacts k34{ModuleId::U34, 129, 100, 222, 10, 464, 365, 366, 1080, 1081, 45, true, true, Reader::R234,
                          kLayoutState};
constexpr ModuleFacts k38{ModuleId::U38, 161, 100, 222, 10, 464, 4400, 4401, 3600, 3601, 150, true, true, Reader::R238,
                          kLayoutState};

ImitationProfile imitationOf(const ModuleFacts &m)
{
    ImitationProfile p;
    p.stateLength = m.imitation.stateGenerator ? m.stateLength : 0;
    p.stateSums = m.imitation.stateSums;
    p.arhLength = m.imitation.sizedReplies ? m.arhLength : 0;
    p.paramLength = m.imitation.sizedReplies ? m.paramLength : 0;
    p.calibration = m.imitation.calibration;
    p.stateOnWrite = m.imitation.stateOnWrite;
    return p;
}

// The reader of a module; its replies have the module's lengths.
ArhReaderInfo readerInfo(const ModuleFacts &m)
{
    ArhReaderInfo s;
    s.kind = m.reader;
    s.replyLength = m.arhLength;
    s.arhNoLength = m.arhNoLength;
    switch (m.reader) {
    case Reader::R225:
        s.traceFile = QStringLiteral("АРХИВ225.txt");
        s.sortHourly = true;
        s.arhNoRetries = true;
        s.memoTrace = true;
        s.dateOffset = 46;
        s.hourOffset = 45;
        break;
    case Reader::R227:
        s.live = false;
        s.sortHourly = true;
        s.byteTrace = true;
        s.dateOffset = 38;
        s.hourOffset = 37;
        break;
    case Reader::R228:
        s.beginEnd = true;
        s.byteTrace = true;
        break;
    case Reader::R229:
        s.family = true;
        s.beginEnd = true;
        s.traceFile = QStringLiteral("АРХИВ229230.txt");
        break;
    case Reader::R234:
    case Reader::R238:
        s.family = true;
        s.beginEnd = true;
        s.traceFile = QStringLiteral("АРХИВ234235.txt");
        s.dailyWord = true;
        s.dateOffset = 215;
        s.hourOffset = 214;
        break;
    case Reader::None:
        break;
    }
    return s;
}

TypeInfo entry(int type, const ModuleFacts &m, int systems, const char *printUnit, int printFormat, int printVars,
               int carrierGroup = -1)
{
    TypeInfo t;
    t.type = type;
    // The family name and the type code keep the names unique and free of
    // characters a folder name cannot hold.
    t.modelName = QStringLiteral("ПИМ-%1").arg(type);
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
    t.wholeHourlyDays = m.wholeHourlyDays;
    t.changeLog = m.changeLog;
    t.carrierGroup = carrierGroup;
    t.resetHasStatus = m.resetHasStatus;
    t.reader = readerInfo(m);
    t.imitation = imitationOf(m);
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
        entry(225, k25, 1, "U25", 25, 23, 0),
        entry(227, k27, 1, "U27", 27, 21),
        entry(228, k28, 2, "U28", 28, 24, 4),
        entry(229, k29, 2, "U29", 29, 41, 4),
        entry(230, k29, 1, "U30", 30, 24, 4),
        entry(234, k34, 2, "U34", 34, 41, 8),
        entry(235, k34, 1, "U35", 30, 24, 8),
        entry(236, k34, 2, "U34", 34, 41),
        entry(237, k34, 1, "U35", 30, 24),
        entry(238, k38, 2, "U38", 34, 41),
        entry(239, k38, 1, "U39", 30, 24),
    };
}

} // namespace

const ModuleFacts &moduleFacts(ModuleId id)
{
    static constexpr const ModuleFacts *kAll[] = {&k128, &k25, &k27, &k28, &k29, &k34, &k38};
    for (const ModuleFacts *m : kAll)
        if (m->module == id)
            return *m;
    return k128;
}

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

const QList<int> &ServedTypes()
{
    static const QList<int> types = [] {
        QList<int> l;
        for (const TypeInfo &t : typeList())
            l << t.type;
        return l;
    }();
    return types;
}

bool isServedType(int type)
{
    return typeInfo(type) != nullptr;
}

QString ModelName(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t ? t->modelName : kTypeMismatch;
}

int typeByModelName(const QString &name)
{
    for (const TypeInfo &t : typeList())
        if (t.modelName == name)
            return t.type;
    return -1;
}

int replyLength(int type, int code)
{
    const TypeInfo *t = typeInfo(type);
    if (!t)
        return 0;
    switch (code) {
    case Q_State: return t->stateLength;
    case Q_Param: return t->paramLength;
    case Q_Arhiv: return t->arhLength;
    default: return 0;
    }
}

void registerImitationGenerators()
{
    registerImitationGenerators(imitator());
}

void registerImitationGenerators(Imitator &imitator)
{
    imitator.setProfiles([](int type) {
        const TypeInfo *t = typeInfo(type);
        return t ? t->imitation : ImitationProfile{};
    });
    imitator.setStateGenerator([](int type, const Tab &request, Tab &reply, Imitator &im) {
        // The generators read no record: a codec of their own serves.
        const TypeInfo *t = typeInfo(type);
        if (!t)
            return false;
        const std::unique_ptr<StateCodec> codec = makeStateCodec(t->module);
        if (!codec->hasImitation())
            return false;
        Tab r;
        if (!codec->ImitState(request, im, r).isEmpty())
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
