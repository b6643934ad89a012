#include "workflows/ConfigEdits.h"

#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/ParamTexts.h"
#include "devices/ParamTwoSystem.h"

#include <QDate>

#include <cmath>
#include <optional>

namespace pim {

QStringList configValueLabels(const ParamCodec &codec, int count)
{
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels << QString();
    const QList<QStringList> header = codec.gridHeader();
    const QList<int> columns = codec.gridColumns();
    for (int j = 0; j < columns.size(); ++j) {
        const int v = columns[j];
        if (v < 0 || v >= count || !labels[v].isEmpty())
            continue;
        QString l;
        for (const QStringList &row : header)
            if (j < row.size())
                l += QLatin1Char(' ') + row[j];
        labels[v] = l.simplified();
    }
    // The contractual block (its flags word and six values) has no grid
    // column; the page's own captions name it.
    const auto *two = dynamic_cast<const ParamCodecTwo *>(&codec);
    if (two && ParamCodecTwo::layout(two->module()).contractual && count > 18) {
        if (labels[12].isEmpty())
            labels[12] = paramtext::kUseContract.trimmed();
        for (int i = 0; i < 6; ++i)
            if (labels[13 + i].isEmpty())
                labels[13 + i] = paramtext::kContract + paramtext::kContractNames.value(i);
    }
    return labels;
}

bool ConfigEdits::parse(const QString &item, Edit &edit)
{
    const qsizetype eq = item.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    edit.label = item.left(eq).simplified();
    edit.value = item.mid(eq + 1).trimmed();
    return !edit.label.isEmpty();
}

namespace {
// Keeps the last text and whether it told success.
class LastStatus final : public ParamStatus {
public:
    void showStatus(Kind kind, const QString &text) override
    {
        ok = kind == Kind::Ok;
        last = text;
    }
    bool lastOk() const override { return ok; }
    bool ok = false;
    QString last;
};
} // namespace

namespace {

// What one value of the configuration listing may hold: what the page's
// control for it can produce, in the units the listing prints.
struct Limit {
    enum Kind {
        None,    // not checked here
        Integer, // a whole number lo..hi
        Real,    // a single the listing prints back as typed, lo..hi
        Choice,  // one of `choices`
        Day,     // a day of the month at `pair` (the page's date field)
        Month,   // 1..12
        Flags,   // only the bits in `mask`: the page's check boxes
    };
    Kind kind = None;
    double lo = 0, hi = 0;
    QList<int> choices;
    int pair = -1;
    int mask = 0;
};

// The decimals the listing prints reals with.
int listingDecimals(const ParamCodec &codec)
{
    const QString zero = codec.valueFormat().text(0.0);
    int n = 0;
    for (qsizetype i = zero.size() - 1; i >= 0 && zero[i].isDigit(); --i)
        ++n;
    return n == zero.size() ? 0 : n;
}

// The largest magnitude below which a single holds every value of the
// listing's resolution closely enough to print it back as typed: the gap
// between neighbouring singles stays below one step of the last digit.
double singleExactBound(int decimals)
{
    const double step = std::pow(10.0, -decimals);
    double bound = 1;
    while (bound * 2 / double(1 << 24) < step && bound < 1e30)
        bound *= 2;
    return bound - step;
}

Limit integer(double lo, double hi)
{
    Limit l;
    l.kind = Limit::Integer;
    l.lo = lo;
    l.hi = hi;
    return l;
}

// The items of a list control of the page, or `fallback` before a build.
int listItems(const ParamCodec &codec, const QString &name, int fallback)
{
    const ParamControl *c = codec.form().find(name);
    return c && !c->items.isEmpty() ? int(c->items.size()) : fallback;
}

Limit limitOf(const ParamCodec &codec, int index, double realBound)
{
    namespace N = paramname;
    Limit real;
    real.kind = Limit::Real;
    real.lo = -realBound;
    real.hi = realBound;
    Limit flow = real;
    flow.lo = 0;
    switch (codec.module()) {
    case ModuleId::U28:
    case ModuleId::U29:
    case ModuleId::U34:
    case ModuleId::U38: {
        const bool contractual = ParamCodecTwo::layout(codec.module()).contractual;
        if (index < 3)
            return {}; // a weight in its unit: its word must fit, which storing it checks
        if (index == 3)
            return integer(1, listItems(codec, N::kType, 6));
        if (index == 4 || index == 5)
            return integer(0, 255);
        if (index == 6 || index == 8) {
            Limit l;
            l.kind = Limit::Day;
            l.pair = index + 1;
            return l;
        }
        if (index == 7 || index == 9) {
            Limit l = integer(1, 12);
            l.kind = Limit::Month;
            return l;
        }
        if (index == 10 || index == 11)
            return flow;
        int tail = 12;
        if (contractual) {
            if (index == 12) {
                Limit l;
                l.kind = Limit::Flags;
                l.mask = 0x3F3F;
                return l;
            }
            if (index < 19)
                return real;
            tail = 19;
        }
        if (index == tail)
            return integer(1, 31);
        if (index == tail + 1 || index == tail + 2)
            return integer(0, 1);
        return {};
    }
    case ModuleId::U25: {
        // The page's own ranges; a tariff start is hh:mm below 24:00.
        static const double lo[] = {1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 1};
        static const double hi[] = {1000, 1000, 1000, 3600, 1, 1439, 1439, 4, 100, 1, 100};
        return index >= 0 && index < 11 ? integer(lo[index], hi[index]) : Limit{};
    }
    case ModuleId::U27:
        if (index < 4)
            return integer(0, 0xFFFF);
        if (index == 4)
            return integer(1, listItems(codec, N::kType, 6));
        if (index == 5)
            return integer(0, 255);
        return {};
    case ModuleId::U128: {
        if (index == 0) {
            Limit l;
            l.kind = Limit::Choice;
            const ParamControl *c = codec.form().find(N::kModification);
            for (const QString &item : c ? c->items : QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                                                  QStringLiteral("4")})
                l.choices << item.toInt();
            return l;
        }
        return index <= 4 ? integer(0, 3) : Limit{};
    }
    }
    return {};
}

QString number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

// Why `value` (as typed, `typed`) cannot go where `limit` says; empty when it can.
QString refusal(const ParamCodec &codec, const Limit &limit, double value, const QStringList &after, int decimals)
{
    const QString allowed = QStringLiteral(" - допустимо ");
    switch (limit.kind) {
    case Limit::None:
        return {};
    case Limit::Integer:
    case Limit::Month:
        if (value == std::trunc(value) && value >= limit.lo && value <= limit.hi)
            return {};
        return QStringLiteral(" - допустимы целые от %1 до %2").arg(number(limit.lo, 0), number(limit.hi, 0));
    case Limit::Real: {
        // The single the device keeps must print back as typed.
        const double kept = double(float(value));
        if (value >= limit.lo && value <= limit.hi && codec.valueFormat().text(kept) == codec.valueFormat().text(value))
            return {};
        return allowed + QStringLiteral("от %1 до %2").arg(number(limit.lo, decimals), number(limit.hi, decimals));
    }
    case Limit::Choice: {
        if (limit.choices.contains(int(value)) && value == std::trunc(value))
            return {};
        QStringList names;
        for (int c : limit.choices)
            names << QString::number(c);
        return allowed + names.join(QStringLiteral(", "));
    }
    case Limit::Day: {
        // The page's date fields show the current year.
        const int year = codec.today().year();
        const int month = after.value(limit.pair).toInt();
        const QDate first(year, month >= 1 && month <= 12 ? month : 1, 1);
        const int days = first.daysInMonth();
        if (value == std::trunc(value) && value >= 1 && value <= days)
            return {};
        return QStringLiteral(" - допустимы целые от 1 до %1 (месяц %2, %3 год)")
            .arg(days)
            .arg(first.month())
            .arg(year);
    }
    case Limit::Flags: {
        if (value == std::trunc(value) && value >= 0 && value <= 0xFFFF && (qint64(value) & ~qint64(limit.mask)) == 0)
            return {};
        return QStringLiteral(" - допустимы только флаги договорных значений: биты маски %1 (0x%2)")
            .arg(limit.mask)
            .arg(QString::number(limit.mask, 16).toUpper());
    }
    }
    return {};
}

} // namespace

ConfigEdits::Outcome ConfigEdits::apply(DeviceSession &session, int system, bool defaults, const QList<Edit> &edits)
{
    Outcome out;
    DeviceModule *module = session.module();
    if (!module) {
        out.text = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
        return out;
    }
    ParamCodec &codec = module->param();
    if (defaults)
        codec.loadDefaults();
    const QStringList labels = configValueLabels(codec, int(codec.SLfromParam(system).size()));
    struct Taken {
        QString label;
        QString typed;
        int index;
    };
    QList<Taken> taken;
    for (const Edit &e : edits) {
        qsizetype index = -1;
        for (qsizetype i = 0; i < labels.size() && index < 0; ++i)
            if (labels[i].compare(e.label, Qt::CaseInsensitive) == 0)
                index = i;
        if (index < 0) {
            out.usage = true;
            out.text = QStringLiteral("нет значения \"") + e.label + QStringLiteral("\"; есть: ")
                + labels.join(QStringLiteral("; "));
            return out;
        }
        if (const QString why = codec.setListValue(system, int(index), e.value); !why.isEmpty()) {
            out.usage = true;
            out.text = e.label + QStringLiteral(": ") + why;
            return out;
        }
        taken << Taken{labels[index], e.value, int(index)};
    }
    // The page of the edited system, and its check as after a typed value.
    codec.ShowParam(session.type());
    if (codec.recordSystems() > 1)
        codec.form().setIndex(ParamCodec::kSystemChoice, system);
    codec.ShowParam(session.type());
    LastStatus status;
    if (!codec.CheckParam(status) || (!status.last.isEmpty() && !status.ok)) {
        out.text = status.last;
        return out;
    }
    // What the page's check lets through may still be a value its controls
    // could never produce (a list item that does not exist, a day the date
    // field cannot show, a number the field cannot hold as typed): each
    // edited value against its control's limits, in the listing's units.
    const int decimals = listingDecimals(codec);
    const double bound = singleExactBound(decimals);
    const QStringList after = codec.SLfromParam(system);
    for (const Taken &t : taken) {
        QString v = t.typed.trimmed();
        // A weight may carry its unit after the number.
        for (const QString &unit : {QStringLiteral("имп/л"), QStringLiteral("л/имп")})
            if (v.endsWith(unit, Qt::CaseInsensitive))
                v = v.chopped(unit.size()).trimmed();
        v.replace(QLatin1Char(','), QLatin1Char('.'));
        const double value = v.toDouble();
        const QString why = refusal(codec, limitOf(codec, t.index, bound), value, after, decimals);
        if (!why.isEmpty()) {
            out.text = t.label + QLatin1Char('=') + t.typed + why;
            return out;
        }
    }
    Tab request;
    out.text = codec.writeRequest(session.identity(), request);
    out.ok = out.text.isEmpty();
    return out;
}

} // namespace pim
