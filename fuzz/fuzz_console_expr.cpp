// The value cells of the command tables: any text, as the operator types it
// (the input read as Windows-1251 and as UTF-16), goes to the expression
// reader, and any double (the input's bytes) to the number text the page
// shows. Checked: a failure is 0, a success finite; the shown text of a
// value reads back as a number within the 15 digits it keeps, and as an
// expression gives the same; a sum and a product of two shown values
// evaluate to what the numbers give.

#include "base/Cp1251.h"
#include "console/Expr.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace pim;
using namespace pim::console;

namespace {

void checkResult(const ExprResult &r)
{
    if ((!r.ok && r.value != 0) || (r.ok && !std::isfinite(r.value)) || exprShown(r).isEmpty())
        __builtin_trap();
}

bool close(double a, double b)
{
    return std::fabs(a - b) <= 1e-14 * std::fmax(std::fabs(a), std::fabs(b)) || a == b;
}

// The shown text of a finite value is a number again.
void checkShown(double v)
{
    if (!std::isfinite(v))
        return;
    const QString t = realText(v);
    double back = 0;
    if (!readReal(t, back) || !close(back, v))
        __builtin_trap();
    const ExprResult e = EvalExpr(t);
    if (!e.ok || e.value != back)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 512)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString wide;
    if (size >= 2) {
        wide.resize(qsizetype(size / 2));
        std::memcpy(wide.data(), data, size / 2 * 2);
    }
    for (const QString &text : {fromCp1251(bytes), wide}) {
        const ExprResult r = EvalExpr(text);
        checkResult(r);
        double v = 0;
        if (readReal(text, v)) {
            // A plain number is its own value.
            if (!std::isfinite(v) || !r.ok || r.value != v)
                __builtin_trap();
        }
        if (r.ok)
            checkShown(r.value);
    }

    // Doubles straight from the bytes, and what two of them make.
    double a = 0, b = 0;
    if (size >= 8)
        std::memcpy(&a, data, 8);
    if (size >= 16)
        std::memcpy(&b, data + 8, 8);
    checkShown(a);
    checkShown(b);
    // A negative exponent's sign splits the term (stored tables rely on
    // the plain rules), so only texts without one are combined.
    const bool plain = !realText(a).contains(QLatin1String("E-")) && !realText(b).contains(QLatin1String("E-"));
    if (plain && std::isfinite(a) && std::isfinite(b)) {
        double ra = 0, rb = 0;
        readReal(realText(a), ra);
        readReal(realText(b), rb);
        // A negative second operand would put a sign after the operator.
        const QString sb = realText(std::fabs(rb));
        const double bb = std::fabs(rb);
        const ExprResult sum = EvalExpr(realText(ra) + QLatin1Char('+') + sb);
        checkResult(sum);
        if (std::isfinite(ra + bb) && (!sum.ok || sum.value != ra + bb))
            __builtin_trap();
        const ExprResult product = EvalExpr(realText(ra) + QLatin1Char('*') + sb);
        checkResult(product);
        if (std::isfinite(ra * bb) && (!product.ok || product.value != ra * bb))
            __builtin_trap();
    }
    return 0;
}
