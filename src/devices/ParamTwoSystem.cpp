#include "devices/ParamTwoSystem.h"

#include <cmath>

#include "devices/ParamSupport.h"
#include "devices/ParamTexts.h"
#include "devices/Registry.h"
#include "devices/ValueFormat.h"
#include "protocol/Fields.h"

namespace pim {

using namespace paramsupport;
namespace T = paramtext;
namespace N = paramname;

namespace {

// Frame offsets shared by the four modules.
constexpr int kWeightAt[2] = {5, 11};
constexpr int kTypeAt = 17;       // + system
constexpr int kColdTemp1At = 19;  // 19..24: temperatures, then the second period
constexpr int kMinFlowAt[2] = {25, 29};
constexpr int kMaxFlowAt[2] = {33, 37};
constexpr int kFlagsAt = 41;
constexpr int kContractTAt[2] = {43, 55};
constexpr int kContractPAt[2] = {67, 79};
constexpr int kWord91At = 91;
constexpr int kWord93At = 93;
constexpr int kOwnFlags[2] = {0x0707, 0x3838};
constexpr int kContractMasks[2][6] = {{1, 2, 4, 256, 512, 1024}, {8, 16, 32, 2048, 4096, 8192}};

const ParamCodecTwo::Layout kLayouts[] = {
    {ModuleId::U28, 41, false, false, true, true},
    {ModuleId::U29, 41, false, false, false, true},
    {ModuleId::U34, 95, true, true, false, false},
    {ModuleId::U38, 95, true, true, false, false},
};

bool isSingleSystemType(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t && t->systems == 1;
}

int contractAt(int system, int i)
{
    return i < 3 ? kContractTAt[system] + 4 * i : kContractPAt[system] + 4 * (i - 3);
}

bool hasUnitBit(double word)
{
    return word >= 0 && word < 65536 && (int(roundEven(word)) & 0x8000) != 0;
}

} // namespace

const ParamCodecTwo::Layout &ParamCodecTwo::layout(ModuleId id)
{
    for (const auto &l : kLayouts)
        if (l.id == id)
            return l;
    return kLayouts[1];
}

int ParamCodecTwo::contractMask(int system, int i)
{
    return (system == 0 || system == 1) && i >= 0 && i < 6 ? kContractMasks[system][i] : 0;
}

ParamCodecTwo::ParamCodecTwo(ModuleId id) : m_layout(layout(id))
{
    const ParamHalf h = defaultHalf(id);
    m_rec.sys = {h, h};
}

ParamHalf ParamCodecTwo::defaultHalf(ModuleId id)
{
    ParamHalf h;
    h.weight = {1000, 1000, 1000};
    h.type = 1;
    h.startDay = h.startMonth = h.endDay = h.endMonth = 1;
    h.reportDay = 1;
    h.sumFlag = 1;
    h.useSecond = 0;
    h.minFlow = 0.0;
    h.maxFlow = 1500.0;
    if (layout(id).contractual) {
        h.coldTemp1 = 5;
        h.coldTemp2 = 15;
        h.flags = 0;
        h.contract = {90.0, 70.0, 70.0, 1.6, 1.6, 1.6};
    } else {
        h.coldTemp1 = 0;
        h.coldTemp2 = 0;
    }
    return h;
}

void ParamCodecTwo::loadDefaults()
{
    const ParamHalf h = defaultHalf(m_layout.id);
    m_rec.sys = {h, h};
    m_refused = {};
    markSet();
    resetCheck();
}

QString ParamCodecTwo::DecParam(const Tab &reply, const Identity &id)
{
    const QString err = moduleCheck(reply, moduleFacts(m_layout.id).paramLength, Q_Param, id);
    if (!err.isEmpty())
        return err;
    ParamRec2 r;
    for (int p = 0; p < 2; ++p) {
        ParamHalf &h = r.sys[p];
        for (int i = 0; i < 3; ++i)
            h.weight[i] = GetW(reply, kWeightAt[p] + 2 * i);
        h.type = reply.at(kTypeAt + p) + 1;
        h.coldTemp1 = reply.at(kColdTemp1At);
        h.coldTemp2 = reply.at(kColdTemp1At + 1);
        h.startDay = reply.at(kColdTemp1At + 2);
        h.startMonth = reply.at(kColdTemp1At + 3);
        h.endDay = reply.at(kColdTemp1At + 4);
        h.endMonth = reply.at(kColdTemp1At + 5);
        h.minFlow = GetF(reply, kMinFlowAt[p]);
        h.maxFlow = GetF(reply, kMaxFlowAt[p]);
        h.reportDay = reply.at(m_layout.reportAt);
        h.sumFlag = reply.at(m_layout.reportAt + 1);
        h.useSecond = reply.at(m_layout.reportAt + 2);
        if (m_layout.contractual) {
            h.flags = GetW(reply, kFlagsAt);
            for (int i = 0; i < 6; ++i)
                h.contract[i] = GetF(reply, contractAt(p, i));
            h.word91 = GetW(reply, kWord91At);
            h.word93 = GetW(reply, kWord93At);
        }
    }
    if (m_layout.spareByte44)
        r.byte44 = reply.at(44);
    m_rec = r;
    m_refused = {};
    markSet();
    resetCheck();
    return {};
}

QStringList ParamCodecTwo::SLfromParam(int system) const
{
    const ParamHalf &h = m_rec.sys[system == 1 ? 1 : 0];
    QStringList l;
    // The weights in the unit the page shows them in (litres per pulse, or
    // pulses per litre where the word says so), not as the device's word:
    // a word of 1000 is a weight of 100 л/имп.
    for (double w : h.weight)
        l << valueFormat().text(weightInUnit(w));
    l << integer(h.type) << integer(h.coldTemp1) << integer(h.coldTemp2) << integer(h.startDay)
      << integer(h.startMonth) << integer(h.endDay) << integer(h.endMonth) << valueFormat().text(h.minFlow)
      << valueFormat().text(h.maxFlow);
    if (m_layout.contractual) {
        l << integer(h.flags);
        for (double v : h.contract)
            l << valueFormat().text(v);
    }
    l << integer(h.reportDay) << integer(h.sumFlag) << integer(h.useSecond);
    return l;
}

double ParamCodecTwo::weightInUnit(double word) const
{
    if (m_layout.unitBit && hasUnitBit(word))
        return double(int(roundEven(word)) & 0x7FFF) / 100;
    return word / 10;
}

QString ParamCodecTwo::listUnit(int system, int index) const
{
    if (index < 0 || index > 2)
        return {};
    const double w = m_rec.sys[system == 1 ? 1 : 0].weight[size_t(index)];
    return m_layout.unitBit && hasUnitBit(w) ? T::kUnitPulsesPerLitre : T::kUnitLitresPerPulse;
}

QList<QStringList> ParamCodecTwo::gridHeader() const
{
    return {T::kGrid2Row1, T::kGrid2Row2};
}

QList<int> ParamCodecTwo::gridColumns() const
{
    QList<int> c;
    for (int i = 0; i < 12; ++i)
        c << i;
    const int tail = m_layout.contractual ? 19 : 12;
    c << tail << tail + 1 << tail + 2;
    return c;
}

QString ParamCodecTwo::weightBaseLabel(int i) const
{
    static const QString *const withUnit[3] = {&T::kVesVp, &T::kVesVo, &T::kVesVx};
    static const QString *const plain[3] = {&T::kVes1, &T::kVes2, &T::kVes3};
    return m_layout.unitBit ? *withUnit[i] : *plain[i];
}

void ParamCodecTwo::ShowParam(int type)
{
    m_singleSystem = isSingleSystemType(type);
    const int keep = m_form.index(kSystemChoice);
    m_form.clear();

    ParamControl &choice = resetControl(m_form, kSystemChoice, ParamControlKind::List);
    choice.label = T::kConfiguration;
    choice.items = {T::kSystem1, T::kSystem2};
    choice.index = (keep == 1 && !m_singleSystem) ? 1 : 0;
    choice.text = choice.items[choice.index];
    choice.visible = !m_singleSystem;

    const int s = selectedSystem();
    m_formSystem = s;
    const ParamHalf &h = m_rec.sys[s];

    typeControl(m_form, h.type);

    for (int i = 0; i < 3; ++i) {
        ParamControl &c = resetControl(m_form, N::weight(i + 1), ParamControlKind::Edit);
        c.tag = i + 1;
        const double w = h.weight[i];
        if (!m_layout.unitBit) {
            c.label = weightBaseLabel(i);
            setEditText(c, real1(w / 10));
        } else if (hasUnitBit(w)) {
            c.unit = T::kUnitPulsesPerLitre;
            c.label = weightBaseLabel(i) + c.unit;
            c.labelState = ParamLabelState::PulsesPerLitre;
            setEditText(c, real2(double(int(roundEven(w)) & 0x7FFF) / 100));
        } else {
            c.unit = T::kUnitLitresPerPulse;
            c.label = weightBaseLabel(i) + c.unit;
            c.labelState = ParamLabelState::LitresPerPulse;
            setEditText(c, real1(w / 10));
        }
    }

    editControl(m_form, N::kReportDay, T::kReportDay, integer(h.reportDay));
    editControl(m_form, N::kMinFlow, T::kMinFlow, real1(h.minFlow));
    editControl(m_form, N::kMaxFlow, T::kMaxFlow, real1(h.maxFlow));
    editControl(m_form, N::kColdTemp1, T::kTx1, integer(h.coldTemp1));
    editControl(m_form, N::kColdTemp2, T::kTx2, integer(h.coldTemp2));

    checkControl(m_form, N::kSum, T::kSum, h.sumFlag == 0);
    QString second = T::kTx2;
    second.replace(second.indexOf(QChar(0x044F)), 1, QChar(0x044E)); // я -> ю: "2-ю t°C ..."
    checkControl(m_form, N::kUseSecond, T::kUse + second, h.useSecond == 1);

    const int year = today().year();
    auto date = [&](const QString &name, const QString &format, const QString &hint, int day, int month) {
        ParamControl &c = resetControl(m_form, name, ParamControlKind::Date);
        c.displayFormat = format;
        c.hint = hint;
        c.date = shownDate(year, day, month);
        c.shownDate = c.date;
    };
    date(N::kStart, T::kStartFormat, T::kStartHint, h.startDay, h.startMonth);
    date(N::kEnd, T::kEndFormat, T::kEndHint, h.endDay, h.endMonth);

    if (m_layout.contractual) {
        for (int i = 0; i < 6; ++i) {
            editControl(m_form, N::contract(i + 1), T::kContract + T::kContractNames[i], real1(h.contract[i]));
            checkControl(m_form, N::useContract(i + 1), T::kUseContract + T::kContractNames[i],
                         (h.flags & contractMask(s, i)) != 0);
        }
    }
    updateEnabling();
}

void ParamCodecTwo::updateEnabling()
{
    const ParamControl *typeList = m_form.find(N::kType);
    const bool open = typeList && isOpenSystem(*typeList);
    const bool second = open && m_form.checked(N::kUseSecond);
    for (const QString &n : {N::kColdTemp1, N::kUseSecond})
        if (ParamControl *c = m_form.find(n))
            c->enabled = open;
    for (const QString &n : {N::kColdTemp2, N::kStart, N::kEnd})
        if (ParamControl *c = m_form.find(n))
            c->enabled = second;
}

bool ParamCodecTwo::CheckParam(ParamStatus &status)
{
    resetCheck();
    if (m_form.isEmpty())
        ShowParam(m_singleSystem ? 230 : 229);
    const int s = formSystem();
    ParamHalf h = m_rec.sys[s];
    const bool ok = readForm(h, s, status);
    m_refused[s] = !ok;
    m_rec.sys[s] = h;
    CopySysParam(s);
    markSet();
    updateEnabling();
    return ok;
}

bool ParamCodecTwo::readForm(ParamHalf &h, int s, ParamStatus &status)
{
    const bool weak = m_layout.weakCheck;
    reportOk(status, weak ? T::kOkSingular : T::kOkPlural);
    QString failure; // the first refused value; every field is still read
    auto fail = [&](const ParamControl &c) {
        if (failure.isEmpty())
            failure = weak ? c.text + T::kBadValue : badValue(c.label, c.text);
    };

    if (const ParamControl *c = m_form.find(N::kType); c && c->index >= 0)
        h.type = c->index + 1;
    if (m_layout.contractual) {
        for (int i = 0; i < 6; ++i) {
            const int mask = contractMask(s, i);
            if (m_form.checked(N::useContract(i + 1)))
                h.flags |= mask;
            else
                h.flags &= ~mask;
        }
    }

    for (int i = 0; i < 3; ++i) {
        ParamControl *c = m_form.find(N::weight(i + 1));
        if (!c)
            continue;
        if (untouched(*c)) {
            if (h.weight[i] < 0)
                fail(*c);
            continue;
        }
        const double v = parseReal(c->text).value_or(-1);
        const bool perLitre = m_layout.unitBit && c->label.contains(T::kPulsesPerLitre);
        if (v < 0) {
            h.weight[i] = perLitre ? roundEven(v * 100) : v * 10; // kept for correction
            markTaken(*c);
            fail(*c);
            continue;
        }
        // A weight that does not fit its word is refused and not stored: it
        // would spill into the unit bit or wrap around.
        if (perLitre) {
            const auto w = wordOf(v * 100, 0x7FFF);
            if (!w) {
                fail(*c);
            } else {
                h.weight[i] = *w + 0x8000;
                markTaken(*c);
            }
        } else {
            if (!wordOf(v * 10, m_layout.unitBit ? 0x7FFF : 0xFFFF)) {
                fail(*c);
            } else {
                h.weight[i] = v * 10;
                markTaken(*c);
            }
        }
    }

    auto readReal = [&](const QString &name, double &target) -> const ParamControl * {
        ParamControl *c = m_form.find(name);
        if (c && !untouched(*c)) {
            target = parseReal(c->text).value_or(-1);
            markTaken(*c);
        }
        return c;
    };
    // A contractual value that is not a number is refused (it would go to
    // the device as -1 under a success status); the stored value is kept.
    if (m_layout.contractual) {
        for (int i = 0; i < 6; ++i) {
            ParamControl *c = m_form.find(N::contract(i + 1));
            if (!c || untouched(*c))
                continue;
            if (const auto v = parseReal(c->text)) {
                h.contract[i] = *v;
                markTaken(*c);
            } else {
                fail(*c);
            }
        }
    }
    // The words at 91 and 93 keep what the device sent: the page never
    // shows them, so it must not overwrite them either.

    if (ParamControl *c = m_form.find(N::kReportDay); c && !untouched(*c)) {
        h.reportDay = int(parseInt(c->text).value_or(255));
        markTaken(*c);
    }
    if (const ParamControl *c = m_form.find(N::kReportDay); c && !weak && (h.reportDay < 1 || h.reportDay > 31))
        fail(*c);
    for (auto [name, target] : {std::pair{N::kMinFlow, &h.minFlow}, std::pair{N::kMaxFlow, &h.maxFlow}}) {
        const ParamControl *c = readReal(name, *target);
        if (c && !weak && *target < 0)
            fail(*c);
    }
    for (auto [name, target] : {std::pair{N::kColdTemp1, &h.coldTemp1}, std::pair{N::kColdTemp2, &h.coldTemp2}}) {
        ParamControl *c = m_form.find(name);
        if (!c || untouched(*c))
            continue;
        const auto v = parseInt(c->text);
        if (weak) {
            *target = int(v.value_or(255));
            markTaken(*c);
        } else if (!v || *v < 0 || *v > 255) {
            fail(*c); // the stored value is kept
        } else {
            *target = int(*v);
            markTaken(*c);
        }
    }

    // A date the operator left alone keeps the stored day and month, so a
    // 29 February (or a value the device holds out of range) survives a
    // year whose calendar cannot show it.
    if (ParamControl *c = m_form.find(N::kStart); c && c->date.isValid() && c->date != c->shownDate) {
        h.startDay = c->date.day();
        h.startMonth = c->date.month();
        markTaken(*c);
    }
    if (ParamControl *c = m_form.find(N::kEnd); c && c->date.isValid() && c->date != c->shownDate) {
        h.endDay = c->date.day();
        h.endMonth = c->date.month();
        markTaken(*c);
    }
    if (m_form.find(N::kSum))
        h.sumFlag = m_form.checked(N::kSum) ? 0 : 1;
    if (m_form.find(N::kUseSecond))
        h.useSecond = m_form.checked(N::kUseSecond) ? 1 : 0;

    if (!failure.isEmpty()) {
        reportFail(status, failure);
        return false;
    }
    return true;
}

QString ParamCodecTwo::storedFailure(int system) const
{
    const ParamHalf &h = m_rec.sys[system == 1 ? 1 : 0];
    const bool weak = m_layout.weakCheck;
    auto refusal = [&](const QString &label, const QString &shown) {
        return (system == 1 ? T::kSystem2 : T::kSystem1) + QStringLiteral(": ")
               + (weak ? shown + T::kBadValue : badValue(label, shown));
    };
    for (int i = 0; i < 3; ++i) {
        const double w = h.weight[i];
        if (w >= 0 && wordOf(w))
            continue;
        // What ShowParam puts on the page for this word.
        const bool perLitre = m_layout.unitBit && hasUnitBit(w);
        const QString unit = !m_layout.unitBit ? QString() : perLitre ? T::kUnitPulsesPerLitre : T::kUnitLitresPerPulse;
        const QString shown = perLitre ? real2(double(int(roundEven(w)) & 0x7FFF) / 100) : real1(w / 10);
        return refusal(weightBaseLabel(i) + unit, shown);
    }
    if (weak)
        return {};
    if (h.reportDay < 1 || h.reportDay > 31)
        return refusal(T::kReportDay, integer(h.reportDay));
    if (h.minFlow < 0)
        return refusal(T::kMinFlow, real1(h.minFlow));
    if (h.maxFlow < 0)
        return refusal(T::kMaxFlow, real1(h.maxFlow));
    return {};
}

void ParamCodecTwo::CopySysParam(int system)
{
    if (system != 0 && system != 1)
        return;
    const ParamHalf &from = m_rec.sys[system];
    ParamHalf &to = m_rec.sys[1 - system];
    to.coldTemp1 = from.coldTemp1;
    to.coldTemp2 = from.coldTemp2;
    to.startDay = from.startDay;
    to.startMonth = from.startMonth;
    to.endDay = from.endDay;
    to.endMonth = from.endMonth;
    to.reportDay = from.reportDay;
    to.sumFlag = from.sumFlag;
    to.useSecond = from.useSecond;
    to.word91 = from.word91;
    to.word93 = from.word93;
    // The flags word is one word of the device: each system owns its own
    // bits, so the copy takes the edited system's bits and leaves the other
    // system's bits alone (a plain OR would bring back a flag the operator
    // cleared on the other system).
    const int own = kOwnFlags[system];
    to.flags = (to.flags & ~own) | (from.flags & own);
}

QString ParamCodecTwo::VesChange(int tag, ParamStatus &status)
{
    if (tag < 1 || tag > 3)
        return {};
    ParamControl *c = m_form.find(N::weight(tag));
    if (!c)
        return {};
    if (m_layout.id == ModuleId::U29)
        return c->labelName;
    if (!m_layout.unitBit)
        return {};
    double &w = m_rec.sys[formSystem()].weight[tag - 1];
    const int word = wordOf(w).value_or(0);
    if (word & 0x8000) {
        w = word & 0x7FFF;
        c->unit = T::kUnitLitresPerPulse;
        c->labelState = ParamLabelState::LitresPerPulse;
    } else {
        w = word | 0x8000;
        c->unit = T::kUnitPulsesPerLitre;
        c->labelState = ParamLabelState::PulsesPerLitre;
    }
    c->label = weightBaseLabel(tag - 1) + c->unit;
    c->shownText.clear(); // the same text now means the other unit
    CheckParam(status);
    return {};
}

QString ParamCodecTwo::encode(Tab &data, QString &diff) const
{
    diff.clear();
    data = Tab(moduleFacts(m_layout.id).paramLength - 6);
    QStringList bad;
    auto addBad = [&](const QString &name) {
        if (!bad.contains(name))
            bad << name;
    };
    auto put8 = [&](int at, int v, const QString &name) {
        if (v < 0 || v > 255)
            addBad(name);
        data.set(at - 5, v);
    };
    auto put16 = [&](int at, double v, const QString &name) {
        const auto w = wordOf(v);
        if (!w)
            addBad(name);
        PutW(w.value_or(0), data, at - 5);
    };
    auto putF = [&](int at, double v, const QString &name) {
        if (!fitsSingle(v))
            addBad(name);
        PutF(data, at - 5, fitsSingle(v) ? v : 0.0);
    };

    for (int p = 0; p < 2; ++p) {
        const ParamHalf &h = m_rec.sys[p];
        for (int i = 0; i < 3; ++i)
            put16(kWeightAt[p] + 2 * i, h.weight[i], weightBaseLabel(i));
        if (m_layout.contractual)
            for (int i = 0; i < 6; ++i)
                putF(contractAt(p, i), h.contract[i], T::kContract + T::kContractNames[i]);
        putF(kMinFlowAt[p], h.minFlow, T::kMinFlow);
        putF(kMaxFlowAt[p], h.maxFlow, T::kMaxFlow);
        put8(kTypeAt + p, h.type - 1, T::kTypeName);
        put8(kColdTemp1At, h.coldTemp1, T::kTx1);
        put8(kColdTemp1At + 1, h.coldTemp2, T::kTx2);
        put8(kColdTemp1At + 2, h.startDay, T::kStartHint);
        put8(kColdTemp1At + 3, h.startMonth, T::kStartHint);
        put8(kColdTemp1At + 4, h.endDay, T::kEndHint);
        put8(kColdTemp1At + 5, h.endMonth, T::kEndHint);
        put8(m_layout.reportAt, h.reportDay, T::kReportDay);
        put8(m_layout.reportAt + 1, h.sumFlag, T::kSum);
        put8(m_layout.reportAt + 2, h.useSecond, T::kUse);
        if (m_layout.contractual) {
            put16(kWord91At, h.word91, QStringLiteral("91"));
            put16(kWord93At, h.word93, QStringLiteral("93"));
        }
        if (p == 1) {
            const ParamHalf &a = m_rec.sys[0];
            if (h.coldTemp1 != a.coldTemp1)
                diff += T::kDiffTx1;
            if (h.coldTemp2 != a.coldTemp2)
                diff += T::kDiffTx2;
            if (h.startDay != a.startDay || h.startMonth != a.startMonth || h.endDay != a.endDay
                || h.endMonth != a.endMonth)
                diff += T::kDiffDates;
            if (h.reportDay != a.reportDay)
                diff += T::kDiffReport;
            if (h.sumFlag != a.sumFlag)
                diff += T::kDiffSum;
            if (h.useSecond != a.useSecond)
                diff += T::kDiffUse;
        }
    }
    // U28/U29 do not say what byte 44 holds: the device gets back what it
    // sent, never a 0 that might change a setting. For U34/U38 the byte is
    // part of system 1's contractual supply temperature, written above.
    if (m_layout.spareByte44)
        data.set(44 - 5, quint8(m_rec.byte44));
    if (m_layout.contractual) {
        // Each system's flags come from its own half; bits outside both
        // systems' masks keep what the device sent.
        const int f1 = m_rec.sys[0].flags, f2 = m_rec.sys[1].flags;
        const int flags = (f1 & 0x0707) | (f2 & 0x3838) | (f2 & ~0x3F3F & 0xFFFF);
        PutW(flags, data, kFlagsAt - 5);
    }
    // A value a check refused and that is still stored in a half: the last
    // check may have passed on the other system.
    for (int p = 0; p < 2; ++p) {
        if (!m_refused[p])
            continue;
        const QString refusal = storedFailure(p);
        if (!refusal.isEmpty())
            return refusal;
    }
    return bad.isEmpty() ? QString() : outOfRange(bad);
}

ParamCodec::ListField ParamCodecTwo::listField(int system, int index)
{
    if (system < 0 || system > 1 || index < 0)
        return {};
    ParamHalf &h = m_rec.sys[size_t(system)];
    if (index < 3) {
        double *word = &h.weight[size_t(index)];
        // The list's weight back into the word: the unit given, else the
        // one the word has now (as a typed value keeps the label's unit).
        auto toWord = [this, word](double v, const QString &unit) -> std::optional<double> {
            const bool perLitre = unit.isEmpty() ? m_layout.unitBit && hasUnitBit(*word)
                                                 : unit == T::kPulsesPerLitre;
            if (perLitre && !m_layout.unitBit)
                return std::nullopt;
            // Only a weight the word holds exactly: 0.1 л/имп or 0.01 имп/л steps.
            const double scaled = perLitre ? v * 100 : v * 10;
            if (std::fabs(scaled - roundEven(scaled)) > 1e-6)
                return std::nullopt;
            const auto w = wordOf(scaled, perLitre || m_layout.unitBit ? 0x7FFF : 0xFFFF);
            if (!w)
                return std::nullopt;
            return perLitre ? double(*w + 0x8000) : double(*w);
        };
        return {word, nullptr, toWord};
    }
    if (index == 10 || index == 11)
        return {index == 10 ? &h.minFlow : &h.maxFlow, nullptr};
    int *const plain[] = {&h.type, &h.coldTemp1, &h.coldTemp2, &h.startDay, &h.startMonth, &h.endDay, &h.endMonth};
    if (index < 10)
        return {nullptr, plain[index - 3]};
    int tail = 12;
    if (m_layout.contractual) {
        if (index == 12)
            return {nullptr, &h.flags};
        if (index < 19)
            return {&h.contract[size_t(index - 13)], nullptr};
        tail = 19;
    }
    int *const last[] = {&h.reportDay, &h.sumFlag, &h.useSecond};
    return index - tail < 3 ? ListField{nullptr, last[index - tail]} : ListField{};
}

} // namespace pim
