#include "devices/ParamSingle.h"

#include "base/Format.h"
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

// hh:mm of minutes after midnight.
QString clockText(int minutes)
{
    const int m = minutes < 0 ? 0 : minutes;
    return Format(u"%.2d:%.2d", {m / 60, m % 60});
}

} // namespace

// ---------------------------------------------------------------- U25

ParamCodec25::ParamCodec25() : m_rec(defaults()) {}

ParamRec25 ParamCodec25::defaults()
{
    ParamRec25 r;
    r.weight = {100, 100, 100};
    r.electricWeight = 1000;
    r.twoTariffs = 0;
    r.tariffStart1 = r.tariffStart2 = 0;
    r.type = 1;
    r.coldTemp = 5;
    r.useLimit = 0;
    r.limit = 45;
    return r;
}

void ParamCodec25::loadDefaults()
{
    m_rec = defaults();
    markSet();
    resetCheck();
}

QString ParamCodec25::DecParam(const Tab &reply, const Identity &id)
{
    const QString err = TestAnswer(reply, moduleFacts(ModuleId::U25).paramLength, Q_Param, id);
    if (!err.isEmpty())
        return err;
    ParamRec25 r;
    for (int i = 0; i < 3; ++i)
        r.weight[i] = GetW(reply, 5 + 2 * i);
    r.electricWeight = GetW(reply, 11);
    r.twoTariffs = reply.at(13);
    r.tariffStart1 = GetW(reply, 14);
    r.tariffStart2 = GetW(reply, 16);
    r.type = reply.at(18);
    r.coldTemp = reply.at(19);
    r.useLimit = reply.at(20);
    r.limit = reply.at(21);
    m_rec = r;
    markSet();
    resetCheck();
    return {};
}

QStringList ParamCodec25::SLfromParam(int) const
{
    QStringList l;
    for (double w : m_rec.weight)
        l << valueFormat().text(w);
    l << integer(m_rec.electricWeight) << integer(m_rec.twoTariffs) << integer(m_rec.tariffStart1)
      << integer(m_rec.tariffStart2) << integer(m_rec.type) << integer(m_rec.coldTemp) << integer(m_rec.useLimit)
      << integer(m_rec.limit);
    return l;
}

QList<QStringList> ParamCodec25::gridHeader() const
{
    return {T::kGrid25Row1, T::kGrid25Row2};
}

QList<int> ParamCodec25::gridColumns() const
{
    QList<int> c;
    for (int i = 0; i < 11; ++i)
        c << i;
    return c;
}

void ParamCodec25::ShowParam(int)
{
    m_singleSystem = true;
    m_form.clear();
    typeControl(m_form, m_rec.type);
    checkControl(m_form, N::kTwoTariffs, T::kTwoTariffs, m_rec.twoTariffs != 0);
    const int starts[2] = {m_rec.tariffStart1, m_rec.tariffStart2};
    for (int i = 0; i < 2; ++i) {
        ParamControl &c = editControl(m_form, N::tariff(i + 1), T::kTariffStart + QString::number(i + 1),
                                      clockText(starts[i]));
        c.editMask = T::kTariffMask;
    }
    const QString *labels[3] = {&T::kVes1, &T::kVes2, &T::kVesHw};
    for (int i = 0; i < 3; ++i)
        editControl(m_form, N::weight(i + 1), *labels[i], real0(m_rec.weight[i])).tag = i + 1;
    editControl(m_form, N::kElectric, T::kVesElectric, integer(m_rec.electricWeight));
    editControl(m_form, N::kColdTemp, T::kTx, integer(m_rec.coldTemp));
    checkControl(m_form, N::kUseLimit, T::kUseLimit, m_rec.useLimit != 0);
    editControl(m_form, N::kLimit, T::kLimit, integer(m_rec.limit));
}

bool ParamCodec25::CheckParam(ParamStatus &status)
{
    resetCheck();
    if (m_form.isEmpty())
        ShowParam(225);
    markSet();
    ParamRec25 &r = m_rec;
    QString failure;
    auto fail = [&](const ParamControl &c) {
        if (failure.isEmpty())
            failure = badValue(c.label, c.text);
    };

    if (const ParamControl *c = m_form.find(N::kType); c && c->index >= 0)
        r.type = c->index + 1;
    if (m_form.find(N::kTwoTariffs))
        r.twoTariffs = m_form.checked(N::kTwoTariffs) ? 1 : 0;
    int *starts[2] = {&r.tariffStart1, &r.tariffStart2};
    for (int i = 0; i < 2; ++i) {
        ParamControl *c = m_form.find(N::tariff(i + 1));
        if (!c || untouched(*c))
            continue;
        const int colon = c->text.indexOf(QLatin1Char(':'));
        const QString hText = colon < 0 ? c->text : c->text.left(colon);
        const QString mText = colon < 0 ? QString() : c->text.mid(colon + 1);
        qint64 h = parseInt(hText).value_or(25);
        qint64 m = parseInt(mText).value_or(60);
        if (h >= 24)
            h %= 24; // the same as taking 24 away until it is below
        if (m >= 60)
            m %= 60;
        setEditText(*c, Format(u"%.2d:%.2d", {h, m}));
        *starts[i] = int(h * 60 + m);
    }
    // A weight too large for its word is stored like any other: the range
    // check below names it.
    for (int i = 0; i < 3; ++i) {
        ParamControl *c = m_form.find(N::weight(i + 1));
        if (!c)
            continue;
        if (!untouched(*c)) {
            r.weight[i] = parseReal(c->text).value_or(-1);
            markTaken(*c);
        }
        if (r.weight[i] < 0)
            fail(*c);
    }
    for (auto [name, target] : {std::pair{N::kElectric, &r.electricWeight}, std::pair{N::kColdTemp, &r.coldTemp},
                                std::pair{N::kLimit, &r.limit}}) {
        ParamControl *c = m_form.find(name);
        if (!c || untouched(*c))
            continue;
        if (const auto v = parseInt(c->text)) {
            *target = int(*v);
            markTaken(*c);
        } else {
            fail(*c);
        }
    }
    if (m_form.find(N::kUseLimit))
        r.useLimit = m_form.checked(N::kUseLimit) ? 1 : 0;
    if (!failure.isEmpty()) {
        reportFail(status, failure);
        return false;
    }

    QStringList bad;
    for (int i = 0; i < 3; ++i)
        if (r.weight[i] < 1 || r.weight[i] > 1000)
            bad << (m_form.find(N::weight(i + 1)) ? m_form.find(N::weight(i + 1))->label : T::kVes1);
    if (r.electricWeight < 1 || r.electricWeight > 3600)
        bad << T::kVesElectric;
    if (r.twoTariffs < 0 || r.twoTariffs > 1)
        bad << T::kTwoTariffs;
    if (r.tariffStart1 < 0 || r.tariffStart1 > 1440)
        bad << T::kTariffRange;
    if (r.tariffStart2 < 0 || r.tariffStart2 > 1440)
        bad << T::kTariffRange;
    if (r.type < 1 || r.type > 4)
        bad << T::kTypeName;
    if (r.coldTemp < 1 || r.coldTemp > 100)
        bad << T::kTx;
    if (r.limit < 1 || r.limit > 100)
        bad << T::kLimit;
    if (!bad.isEmpty()) {
        reportFail(status, outOfRange(bad));
        return false;
    }
    if (!status.lastOk())
        reportOk(status, T::kDataOk);
    return true;
}

QString ParamCodec25::encode(Tab &data, QString &diff) const
{
    diff.clear();
    data = Tab(moduleFacts(ModuleId::U25).paramLength - 6);
    QStringList bad;
    auto put16 = [&](int at, double v, const QString &name) {
        const auto w = wordOf(v);
        if (!w)
            bad << name;
        PutW(w.value_or(0), data, at - 5);
    };
    auto put8 = [&](int at, int v, const QString &name) {
        if (v < 0 || v > 255)
            bad << name;
        data.set(at - 5, v);
    };
    const QString *labels[3] = {&T::kVes1, &T::kVes2, &T::kVesHw};
    for (int i = 0; i < 3; ++i)
        put16(5 + 2 * i, m_rec.weight[i], *labels[i]);
    put16(11, m_rec.electricWeight, T::kVesElectric);
    put8(13, m_rec.twoTariffs, T::kTwoTariffs);
    put16(14, m_rec.tariffStart1, T::kTariffRange);
    put16(16, m_rec.tariffStart2, T::kTariffRange);
    put8(18, m_rec.type, T::kTypeName);
    put8(19, m_rec.coldTemp, T::kTx);
    put8(20, m_rec.useLimit, T::kUseLimit);
    put8(21, m_rec.limit, T::kLimit);
    return bad.isEmpty() ? QString() : outOfRange(bad);
}

// ---------------------------------------------------------------- U27

ParamCodec27::ParamCodec27() : m_rec(defaults()) {}

ParamRec27 ParamCodec27::defaults()
{
    ParamRec27 r;
    r.weight = {1, 2, 3, 4};
    r.type = 1;
    r.coldTemp = 5;
    return r;
}

void ParamCodec27::loadDefaults()
{
    m_rec = defaults();
    markSet();
    resetCheck();
}

QString ParamCodec27::DecParam(const Tab &reply, const Identity &id)
{
    const QString err = TestAnswer(reply, moduleFacts(ModuleId::U27).paramLength, Q_Param, id);
    if (!err.isEmpty())
        return err;
    ParamRec27 r;
    for (int i = 0; i < 4; ++i)
        r.weight[i] = GetW(reply, 5 + 2 * i);
    r.type = reply.at(13);
    r.coldTemp = reply.at(14);
    m_rec = r;
    markSet();
    resetCheck();
    return {};
}

QStringList ParamCodec27::SLfromParam(int) const
{
    QStringList l;
    for (double w : m_rec.weight)
        l << valueFormat().text(w);
    l << integer(m_rec.type) << integer(m_rec.coldTemp);
    return l;
}

QList<QStringList> ParamCodec27::gridHeader() const
{
    return {T::kGrid27Row1, T::kGrid27Row2};
}

QList<int> ParamCodec27::gridColumns() const
{
    return {0, 1, 2, 3, 4, 5};
}

void ParamCodec27::ShowParam(int)
{
    m_singleSystem = true;
    m_form.clear();
    typeControl(m_form, m_rec.type);
    const QString *labels[4] = {&T::kVes1, &T::kVes2, &T::kVesHw, &T::kVes3};
    for (int i = 0; i < 4; ++i)
        editControl(m_form, N::weight(i + 1), *labels[i], real1(m_rec.weight[i])).tag = i + 1;
    editControl(m_form, N::kColdTemp, T::kTx, integer(m_rec.coldTemp));
    updateEnabling();
}

void ParamCodec27::updateEnabling()
{
    const ParamControl *typeList = m_form.find(N::kType);
    if (ParamControl *c = m_form.find(N::kColdTemp))
        c->enabled = typeList && isOpenSystem(*typeList);
}

bool ParamCodec27::CheckParam(ParamStatus &status)
{
    resetCheck();
    if (m_form.isEmpty())
        ShowParam(227);
    markSet();
    reportOk(status, T::kOkSingular);
    QString failure;
    auto fail = [&](const ParamControl &c) {
        if (failure.isEmpty())
            failure = c.text + T::kBadValue;
    };
    if (const ParamControl *c = m_form.find(N::kType); c && c->index >= 0)
        m_rec.type = c->index + 1;
    for (int i = 0; i < 4; ++i) {
        ParamControl *c = m_form.find(N::weight(i + 1));
        if (!c)
            continue;
        if (!untouched(*c)) {
            const double v = parseReal(c->text).value_or(-1);
            if (v >= 0 && !wordOf(v)) {
                fail(*c); // would not fit its word: not stored
                continue;
            }
            m_rec.weight[i] = v;
            markTaken(*c);
        }
        if (m_rec.weight[i] < 0)
            fail(*c);
    }
    if (ParamControl *c = m_form.find(N::kColdTemp); c && !untouched(*c)) {
        const auto v = parseInt(c->text);
        if (v && *v >= 0 && *v <= 255) {
            m_rec.coldTemp = int(*v);
            markTaken(*c);
        } else {
            fail(*c);
        }
    }
    updateEnabling();
    if (!failure.isEmpty()) {
        reportFail(status, failure);
        return false;
    }
    return true;
}

QString ParamCodec27::encode(Tab &data, QString &diff) const
{
    diff.clear();
    data = Tab(moduleFacts(ModuleId::U27).paramLength - 6);
    QStringList bad;
    const QString *labels[4] = {&T::kVes1, &T::kVes2, &T::kVesHw, &T::kVes3};
    for (int i = 0; i < 4; ++i) {
        const auto w = wordOf(m_rec.weight[i]);
        if (!w)
            bad << *labels[i];
        PutW(w.value_or(0), data, 5 + 2 * i - 5);
    }
    if (m_rec.type < 0 || m_rec.type > 255)
        bad << T::kTypeName;
    data.set(13 - 5, m_rec.type);
    if (m_rec.coldTemp < 0 || m_rec.coldTemp > 255)
        bad << T::kTx;
    data.set(14 - 5, m_rec.coldTemp);
    return bad.isEmpty() ? QString() : outOfRange(bad);
}

// ---------------------------------------------------------------- U128

namespace {
const QStringList kModItems = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")};

QString channelLabel(int c)
{
    return QStringLiteral("вес,%1 кан").arg(c);
}

// The field holds the weight number; its label says the weight it stands
// for, so a field reading 0 is not taken for a weight of 0.
QString channelLabel(int c, int number)
{
    static const int kWeights[4] = {1000, 100, 10, 1};
    if (number < 0 || number > 3)
        return channelLabel(c);
    return channelLabel(c) + QStringLiteral(", ") + QString::number(kWeights[number]) + T::kLitresPerPulse128;
}
} // namespace

ParamCodec128::ParamCodec128() = default;

void ParamCodec128::loadDefaults()
{
    m_rec = ParamRec128();
    markSet();
    resetCheck();
}

QString ParamCodec128::DecParam(const Tab &reply, const Identity &id)
{
    // The pulse counter reads its configuration with the state command.
    const QString err = TestAnswer(reply, moduleFacts(ModuleId::U128).stateLength, Q_State, id);
    if (!err.isEmpty())
        return err;
    ParamRec128 r;
    r.modification = reply.at(27);
    for (int c = 0; c < 4; ++c)
        r.weightNumber[c] = reply.at(23 + c);
    m_rec = r;
    markSet();
    resetCheck();
    return {};
}

QStringList ParamCodec128::SLfromParam(int) const
{
    QStringList l;
    l << integer(m_rec.modification);
    for (int n : m_rec.weightNumber)
        l << integer(n);
    return l;
}

QList<QStringList> ParamCodec128::gridHeader() const
{
    const QString w = QStringLiteral("№ веса");
    return {{QStringLiteral("модиф"), w, w, w, w},
            {QStringLiteral("КОРБ"), QStringLiteral("1 кан"), QStringLiteral("2 кан"), QStringLiteral("3 кан"),
             QStringLiteral("4 кан")}};
}

QList<int> ParamCodec128::gridColumns() const
{
    return {0, 1, 2, 3, 4};
}

void ParamCodec128::ShowParam(int)
{
    m_singleSystem = true;
    m_form.clear();
    ParamControl &mod = resetControl(m_form, N::kModification, ParamControlKind::List);
    mod.label = T::kModification;
    mod.items = kModItems;
    mod.text = integer(m_rec.modification);
    mod.index = int(kModItems.indexOf(mod.text));
    mod.shownText = mod.text;
    for (int c = 1; c <= 4; ++c)
        editControl(m_form, N::channel(c), channelLabel(c, m_rec.weightNumber[c - 1]), integer(m_rec.weightNumber[c - 1]))
            .tag = c;
    updateVisibility();
}

void ParamCodec128::updateVisibility()
{
    for (int c = 1; c <= 4; ++c)
        if (ParamControl *e = m_form.find(N::channel(c)))
            e->visible = c <= m_rec.modification;
}

bool ParamCodec128::CheckParam(ParamStatus &status)
{
    resetCheck();
    if (m_form.isEmpty())
        ShowParam(128);
    markSet();
    if (const ParamControl *mod = m_form.find(N::kModification))
        m_rec.modification = int(parseInt(listText(*mod)).value_or(4));
    bool ok = true;
    for (int c = 1; c <= 4 && ok; ++c) {
        ParamControl *e = m_form.find(N::channel(c));
        // A hidden channel cannot be corrected on the page: it keeps its
        // stored number (the encoder still refuses one that does not fit).
        if (!e || c > m_rec.modification)
            continue;
        // Two bits per channel in the write request: a number above 3 would
        // spill into the next channel.
        const auto v = parseInt(e->text);
        if (!v || *v < 0 || *v > 3) {
            reportFail(status, e->text + T::kBadValue);
            ok = false;
            break;
        }
        m_rec.weightNumber[c - 1] = int(*v);
        e->label = channelLabel(c, int(*v));
        reportOk(status, T::kOkSingular);
    }
    updateVisibility();
    return ok;
}

QString ParamCodec128::encode(Tab &data, QString &diff) const
{
    diff.clear();
    data = Tab(2);
    QStringList bad;
    if (m_rec.modification < 0 || m_rec.modification > 255)
        bad << T::kModification;
    int packed = 0;
    for (int c = 0; c < 4; ++c) {
        const int n = m_rec.weightNumber[c];
        if (n < 0 || n > 3)
            bad << channelLabel(c + 1);
        packed |= (n & 3) << (2 * c);
    }
    data.set(0, m_rec.modification);
    data.set(1, packed);
    return bad.isEmpty() ? QString() : outOfRange(bad);
}

QString ParamCodec128::writeRequest(const Identity &id, Tab &request) const
{
    request.clear();
    if (lastCheckFailed())
        return lastCheckText();
    Tab data;
    QString diff;
    const QString error = EncParam(data, diff);
    if (!error.isEmpty())
        return error;
    request = SQ128(id, Q_SetParam128, data.at(0), data.at(1));
    return {};
}

bool ParamCodec128::writeAccepted(const Tab &reply) const
{
    if (reply.size() < 28)
        return false;
    for (int c = 0; c < 4; ++c)
        if (reply.at(23 + c) != m_rec.weightNumber[c])
            return false;
    return reply.at(27) == m_rec.modification;
}

ParamCodec::ListField ParamCodec25::listField(int, int index)
{
    if (index >= 0 && index < 3)
        return {&m_rec.weight[size_t(index)], nullptr};
    int *const fields[] = {&m_rec.electricWeight, &m_rec.twoTariffs, &m_rec.tariffStart1, &m_rec.tariffStart2,
                           &m_rec.type,           &m_rec.coldTemp,   &m_rec.useLimit,     &m_rec.limit};
    return index >= 3 && index < 11 ? ListField{nullptr, fields[index - 3]} : ListField{};
}

ParamCodec::ListField ParamCodec27::listField(int, int index)
{
    if (index >= 0 && index < 4)
        return {&m_rec.weight[size_t(index)], nullptr};
    if (index == 4 || index == 5)
        return {nullptr, index == 4 ? &m_rec.type : &m_rec.coldTemp};
    return {};
}

ParamCodec::ListField ParamCodec128::listField(int, int index)
{
    if (index == 0)
        return {nullptr, &m_rec.modification};
    if (index >= 1 && index < 5)
        return {nullptr, &m_rec.weightNumber[size_t(index - 1)]};
    return {};
}

} // namespace pim
