#include "devices/ParamCodec.h"

#include "devices/ParamSingle.h"
#include "devices/ParamTwoSystem.h"

#include <cmath>

namespace pim {

int ParamCodec::selectedSystem() const
{
    if (m_singleSystem || recordSystems() < 2)
        return 0;
    const int i = m_form.index(kSystemChoice);
    return i == 1 ? 1 : 0;
}

void ParamCodec::reportOk(ParamStatus &status, const QString &text)
{
    status.ok(text);
}

void ParamCodec::reportFail(ParamStatus &status, const QString &text)
{
    m_checkFailed = true;
    m_checkText = text;
    status.fail(text);
}

QString ParamCodec::setListValue(int system, int index, const QString &text)
{
    const ListField f = listField(system, index);
    if (!f.real && !f.integer)
        return QStringLiteral("нет значения № %1").arg(index + 1);
    QString t = text.trimmed();
    QString unit;
    for (const QString &u : {QStringLiteral("имп/л"), QStringLiteral("л/имп")})
        if ((f.fromList || listUnit(system, index).trimmed() == u) && t.endsWith(u, Qt::CaseInsensitive)) {
            unit = u;
            t.chop(u.size());
            t = t.trimmed();
            break;
        }
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return QLatin1Char('"') + text + QStringLiteral("\" не число");
    if (f.integer) {
        if (v != std::trunc(v) || std::fabs(v) > 1e9)
            return QLatin1Char('"') + text + QStringLiteral("\" не целое число");
        *f.integer = int(v);
    } else if (f.fromList) {
        const std::optional<double> stored = f.fromList(v, unit);
        if (!stored)
            return QLatin1Char('"') + text + QStringLiteral("\" не помещается в слово веса");
        *f.real = *stored;
    } else {
        *f.real = v;
    }
    markSet();
    return {};
}

QString ParamCodec::EncParam(Tab &data, QString &diff) const
{
    const QString error = encode(data, diff);
    return m_checkFailed ? m_checkText : error;
}

QString ParamCodec::writeRequest(const Identity &id, Tab &request) const
{
    request.clear();
    if (m_checkFailed)
        return m_checkText;
    Tab data;
    QString diff;
    QString error = EncParam(data, diff);
    if (!diff.isEmpty())
        return QStringLiteral("Не совпадает:") + diff;
    if (!error.isEmpty())
        return error;
    request = SQ(id, Q_SetParam, data);
    return {};
}

std::unique_ptr<ParamCodec> makeParamCodec(ModuleId id)
{
    switch (id) {
    case ModuleId::U128:
        return std::make_unique<ParamCodec128>();
    case ModuleId::U25:
        return std::make_unique<ParamCodec25>();
    case ModuleId::U27:
        return std::make_unique<ParamCodec27>();
    case ModuleId::U28:
    case ModuleId::U29:
    case ModuleId::U34:
    case ModuleId::U38:
        return std::make_unique<ParamCodecTwo>(id);
    }
    return std::make_unique<ParamCodecTwo>(ModuleId::U29);
}

} // namespace pim
