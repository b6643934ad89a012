#include "devices/ValueFormat.h"

#include "base/Format.h"

namespace pim {
namespace {
QString &current()
{
    static QString f = QStringLiteral("%f");
    return f;
}
} // namespace

QString ValueFormat::real()
{
    return current();
}

void ValueFormat::setPrecision(int n)
{
    current() = Format(u"%s.%df", {QStringLiteral("%"), qBound(0, n, 18)});
}

void ValueFormat::reset()
{
    current() = QStringLiteral("%f");
}

QString ValueFormat::text(double v)
{
    return Format(current(), {v});
}

} // namespace pim
