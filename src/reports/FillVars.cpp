#include "reports/FillVars.h"
#include "reports/PrintForms.h"

#include "base/Dates.h"
#include "base/Format.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <optional>

namespace pim {

namespace {

// What a variable number means.
enum class Var {
    TypeText, NumberText, Today, System, Range, Title, Date,
    Field,       // one record field
    Difference,  // field a − field b
    Temp100,     // hundredths of a degree as degrees
    Temp100Diff, // (a − b) / 100
    HoursMinutes,     // minutes as div 60, mod 60
    DaysHoursMinutes, // minutes as div 1440, (mod 1440) div 60, mod 60
    Word,        // the entry's format itself
    Average,     // average temperature k of the last differential build
    AverageDiff, // average supply − average return
};

struct VarDef {
    Var var;
    ArhField a = ArhField::Count_;
    ArhField b = ArhField::Count_;
    int k = 0;
};

using F = ArhField;

const std::vector<VarDef> &twoSystemVars()
{
    static const std::vector<VarDef> v = {
        {Var::TypeText}, {Var::NumberText}, {Var::Today}, {Var::System}, {Var::Range}, {Var::Title},
        {Var::Date}, {Var::Field, F::Heat}, {Var::Field, F::Vol1}, {Var::Field, F::Vol2}, {Var::Field, F::Vol3},
        {Var::Difference, F::Vol1, F::Vol2}, {Var::Field, F::TSupply}, {Var::Field, F::TReturn},
        {Var::Field, F::TAdd}, {Var::Difference, F::TSupply, F::TReturn}, {Var::Field, F::Pressure1},
        {Var::Field, F::Pressure2}, {Var::Field, F::Hour}, {Var::Field, F::SysError},
        {Var::HoursMinutes, F::ErrMinutes}, {Var::Word}, {Var::DaysHoursMinutes, F::ErrMinutes},
        {Var::Field, F::Hours}, {Var::Field, F::DevError}, {Var::Field, F::RunMinutes},
        {Var::Field, F::PeriodHeat}, {Var::Field, F::PeriodVol1}, {Var::Field, F::PeriodVol2},
        {Var::Field, F::PeriodVol3}, {Var::Field, F::ErrMinutes}, {Var::Field, F::ErrTimeA},
        {Var::Field, F::EnergyA}, {Var::Field, F::ErrTimeB}, {Var::Field, F::EnergyB}, {Var::Field, F::ErrTimeC},
        {Var::Field, F::EnergyC}, {Var::Average, F::Count_, F::Count_, 0}, {Var::Average, F::Count_, F::Count_, 1},
        {Var::Average, F::Count_, F::Count_, 2}, {Var::AverageDiff},
    };
    return v;
}

std::vector<VarDef> singleSystemVars(bool u27)
{
    std::vector<VarDef> v = {
        {Var::TypeText}, {Var::NumberText}, {Var::Today}, {Var::Range}, {Var::Title}, {Var::Date},
        {Var::Field, F::Heat}, {Var::Field, F::Vol1}, {Var::Field, F::Vol2},
    };
    if (u27)
        v.insert(v.end(), {{Var::Field, F::VolHot}, {Var::Field, F::Vol3}});
    else
        v.insert(v.end(), {{Var::Field, F::Vol3}, {Var::Field, F::VolOverT}});
    v.insert(v.end(), {{Var::Difference, F::Vol1, F::Vol2}, {Var::Temp100, F::TSupply}, {Var::Temp100, F::TReturn},
                       {Var::Temp100, F::TAdd}, {Var::Temp100Diff, F::TSupply, F::TReturn}});
    if (!u27)
        v.insert(v.end(), {{Var::Field, F::Energy1}, {Var::Field, F::Energy2}});
    v.insert(v.end(), {{Var::Field, F::Hour}, {Var::Field, F::SysError}, {Var::HoursMinutes, F::ErrMinutes},
                       {Var::Word}, {Var::DaysHoursMinutes, F::ErrMinutes}});
    return v;
}

const std::vector<VarDef> &varsOf(ModuleId module)
{
    static const std::vector<VarDef> u25 = singleSystemVars(false);
    static const std::vector<VarDef> u27 = singleSystemVars(true);
    return module == ModuleId::U25 ? u25 : module == ModuleId::U27 ? u27 : twoSystemVars();
}

std::optional<qint64> rounded(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9.0e18)
        return std::nullopt;
    return qint64(std::llround(v));
}

} // namespace

QString applyVarFormat(const QString &format, const FmtArgs &args)
{
    const FormatResult r = formatChecked(format, args);
    if (r.ok())
        return r.text;
    // The default lists give "%d" to values that are reals: their rounded
    // number is what the operator expects to read.
    FmtArgs whole;
    bool changed = false;
    for (const FmtArg &a : args) {
        if (a.kind() == FmtArg::Kind::Real) {
            const std::optional<qint64> n = rounded(a.toReal());
            if (!n)
                return QString::fromUtf8(kFormatMismatch);
            whole << FmtArg(*n);
            changed = true;
        } else {
            whole << a;
        }
    }
    if (changed) {
        const FormatResult w = formatChecked(format, whole);
        if (w.ok())
            return w.text;
    }
    return QString::fromUtf8(kFormatMismatch);
}

QString fileTitle(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("Файл: ");
    const QFileInfo fi(path);
    QString folder = QDir::toNativeSeparators(fi.absolutePath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    if (folder.size() > 60)
        folder = folder.left(60) + QDir::toNativeSeparators(QStringLiteral("/.../"));
    return QStringLiteral("Файл: ") + folder + fi.fileName();
}

VarFiller::VarFiller(const ArhCodec &codec, const QStringList &vars, const FillContext &context)
    : m_codec(codec), m_vars(vars), m_ctx(context)
{
}

QString VarFiller::fill(const QString &line, const ArhRec &record, int half) const
{
    QString out;
    qsizetype from = 0;
    while (true) {
        const qsizetype p = line.indexOf(QLatin1Char('@'), from);
        if (p < 0)
            break;
        out += QStringView(line).mid(from, p - from);
        bool ok = false;
        const int nn = line.mid(p + 1, 2).toInt(&ok);
        from = qMin(p + 3, line.size());
        if (!ok || nn < 0 || nn >= m_vars.size())
            continue;
        out += value(nn, varFormat(m_vars[nn]), record, half);
    }
    out += QStringView(line).mid(from);
    return out;
}

QString VarFiller::value(int nn, const QString &format, const ArhRec &r, int half) const
{
    const std::vector<VarDef> &defs = varsOf(m_codec.module());
    if (nn >= int(defs.size()))
        return {};
    const VarDef &d = defs[size_t(nn)];
    auto field = [&](ArhField f) -> std::optional<FmtArg> {
        if (!m_codec.hasField(f))
            return std::nullopt;
        const double v = m_codec.value(r, half, f);
        if (m_codec.isRealField(f))
            return FmtArg(v);
        return FmtArg(qint64(v));
    };
    auto minutes = [&](ArhField f) { return qint64(m_codec.value(r, half, f)); };
    switch (d.var) {
    case Var::TypeText: return applyVarFormat(format, {m_ctx.typeText});
    case Var::NumberText: return applyVarFormat(format, {m_ctx.numberText});
    case Var::Today: return applyVarFormat(format, {shortDateText(m_ctx.today)});
    case Var::System:
        return m_ctx.system > 0 ? applyVarFormat(format, {m_ctx.system}) : QString();
    case Var::Range:
        // A file has no date range of its own unless its records give one:
        // nothing then, not "от  до ".
        if (!m_ctx.fromDevice && !m_ctx.fileRange)
            return {};
        return applyVarFormat(format, {shortDateText(m_ctx.begin), shortDateText(m_ctx.end)});
    case Var::Title:
        return applyVarFormat(format, {m_ctx.fromDevice ? m_ctx.archiveTitle : fileTitle(m_ctx.filePath)});
    case Var::Date:
        return formatDateTime(format, double(m_codec.day(r, half)) + kDayNumberOffset);
    case Var::Field: {
        const std::optional<FmtArg> a = field(d.a);
        return a ? applyVarFormat(format, {*a}) : QString();
    }
    case Var::Difference: {
        if (!m_codec.hasField(d.a) || !m_codec.hasField(d.b))
            return {};
        const double v = m_codec.value(r, half, d.a) - m_codec.value(r, half, d.b);
        if (m_codec.isRealField(d.a) || m_codec.isRealField(d.b))
            return applyVarFormat(format, {v});
        return applyVarFormat(format, {qint64(v)});
    }
    case Var::Temp100:
        return m_codec.hasField(d.a) ? applyVarFormat(format, {m_codec.value(r, half, d.a) / 100.0}) : QString();
    case Var::Temp100Diff:
        return applyVarFormat(format, {(m_codec.value(r, half, d.a) - m_codec.value(r, half, d.b)) / 100.0});
    case Var::HoursMinutes: {
        const qint64 m = minutes(d.a);
        return applyVarFormat(format, {m / 60, m % 60});
    }
    case Var::DaysHoursMinutes: {
        const qint64 m = minutes(d.a);
        return applyVarFormat(format, {m / 1440, (m % 1440) / 60, m % 60});
    }
    case Var::Word: return format;
    case Var::Average: return applyVarFormat(format, {m_codec.averageTemperature(half, d.k)});
    case Var::AverageDiff:
        return applyVarFormat(format, {m_codec.averageTemperature(half, 0) - m_codec.averageTemperature(half, 1)});
    }
    return {};
}

} // namespace pim
