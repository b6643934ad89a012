#include "devices/ParamSupport.h"

#include "base/Format.h"
#include "base/FormatSettings.h"
#include "base/Rounding.h"
#include "devices/ModuleCheck.h"
#include "devices/ParamCodec.h"
#include "devices/ParamTexts.h"
#include "protocol/Fields.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace pim::paramsupport {

std::optional<double> parseReal(const QString &text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QChar sep = formatSettings().decimalSeparator;
    if (sep != QLatin1Char('.'))
        t.replace(sep, QLatin1Char('.'));
    // Only plain decimal notation: no "inf", "nan" or hexadecimal.
    for (QChar c : t) {
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')
              || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return std::nullopt;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<qint64> parseInt(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 12)
        return std::nullopt;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'))))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return v;
}

QString real1(double v) { return Format(u"%.1f", {v}); }
QString real2(double v) { return Format(u"%.2f", {v}); }
QString real0(double v) { return Format(u"%.0f", {v}); }
QString integer(qint64 v) { return Format(u"%d", {v}); }

double roundEven(double v)
{
    return roundHalfEven(v);
}

std::optional<int> wordOf(double v, int max)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = roundEven(v);
    if (r < 0 || r > max)
        return std::nullopt;
    return int(r);
}

bool fitsSingle(double v)
{
    return std::isnan(v) || std::fabs(v) <= double(std::numeric_limits<float>::max());
}

QString moduleCheck(const Tab &reply, int length, int code, const Identity &id)
{
    return moduleReplyCheck(reply, length, code, paramtext::kErunDec, id, false);
}

int typeIndex(int type)
{
    return (type >= 1 && type <= paramtext::kSystemTypes.size()) ? type - 1 : -1;
}

QString typeText(int type)
{
    const int i = typeIndex(type);
    return i >= 0 ? paramtext::kSystemTypes[i] : Format(paramtext::kUndefinedType, {type});
}

void fillTypeList(ParamControl &c, int type)
{
    c.items = paramtext::kSystemTypes;
    c.index = typeIndex(type);
    c.text = typeText(type);
    c.shownText = c.text;
}

QString listText(const ParamControl &c)
{
    return (c.index >= 0 && c.index < c.items.size()) ? c.items[c.index] : c.text;
}

bool isOpenSystem(const ParamControl &typeList)
{
    return listText(typeList).contains(paramtext::kOpen);
}

QString badValue(const QString &label, const QString &text)
{
    return label + QLatin1String("=\"") + text + QLatin1Char('"') + paramtext::kBadValue;
}

QDate shownDate(int year, int day, int month)
{
    if (month < 1 || month > 12)
        month = 1;
    const int days = QDate(year, month, 1).daysInMonth();
    if (day < 1 || day > days)
        day = 1;
    return QDate(year, month, day);
}

bool untouched(const ParamControl &c)
{
    return c.text == c.shownText;
}

void markTaken(ParamControl &c)
{
    c.shownText = c.text;
    c.shownDate = c.date;
}

ParamControl &resetControl(ParamForm &form, const QString &name, ParamControlKind kind)
{
    ParamControl &c = form.ensure(name, kind);
    const QString labelName = c.labelName;
    c = ParamControl();
    c.name = name;
    c.kind = kind;
    c.labelName = labelName;
    return c;
}

void setEditText(ParamControl &c, const QString &text)
{
    c.text = text;
    c.shownText = text;
}

ParamControl &editControl(ParamForm &form, const QString &name, const QString &label, const QString &text)
{
    ParamControl &c = resetControl(form, name, ParamControlKind::Edit);
    c.label = label;
    setEditText(c, text);
    return c;
}

ParamControl &checkControl(ParamForm &form, const QString &name, const QString &label, bool checked)
{
    ParamControl &c = resetControl(form, name, ParamControlKind::Check);
    c.label = label;
    c.checked = checked;
    return c;
}

ParamControl &typeControl(ParamForm &form, int type)
{
    ParamControl &c = resetControl(form, paramname::kType, ParamControlKind::List);
    c.label = paramtext::kTypeName;
    fillTypeList(c, type);
    return c;
}

QString outOfRange(const QStringList &names)
{
    return paramtext::kOutOfRange + names.join(QLatin1Char(';')) + QLatin1Char(';');
}

} // namespace pim::paramsupport
