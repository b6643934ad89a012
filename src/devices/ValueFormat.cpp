#include "devices/ValueFormat.h"

#include "base/Format.h"

namespace pim {

void ValueFormat::setPrecision(int n)
{
    m_real = Format(u"%s.%df", {QStringLiteral("%"), qBound(0, n, 18)});
}

void ValueFormat::reset()
{
    m_real = QStringLiteral("%f");
}

QString ValueFormat::text(double v) const
{
    return Format(m_real, {v});
}

const ValueFormat &defaultValueFormat()
{
    static const ValueFormat format;
    return format;
}

} // namespace pim
