#include "devices/ValueFormat.h"

#include "base/Format.h"

namespace pim {

void ValueFormat::setPrecision(int n)
{
    m_precision = qBound(0, n, 18);
    m_real = Format(u"%s.%df", {QStringLiteral("%"), m_precision});
}

void ValueFormat::reset()
{
    m_real = QStringLiteral("%f");
    m_precision = -1;
}

QString ValueFormat::text(double v) const
{
    return formatFixed(v, m_precision);
}

void ValueFormat::append(QString &out, double v) const
{
    appendFixed(out, v, m_precision);
}

const ValueFormat &defaultValueFormat()
{
    static const ValueFormat format;
    return format;
}

} // namespace pim
