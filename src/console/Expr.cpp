#include "console/Expr.h"

#include "base/FormatSettings.h"

#include <QList>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace pim::console {

bool readReal(const QString &text, double &v)
{
    static const QRegularExpression real(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    if (!real.match(text).hasMatch())
        return false;
    QString t = text;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    v = t.toDouble(&ok);
    return ok && std::isfinite(v);
}

namespace {

bool readWhole(const QString &text, double &v)
{
    if (readReal(text, v))
        return true;
    bool ok = false;
    if (text.startsWith(QLatin1Char('$')) && text.size() > 1) {
        const qlonglong n = text.mid(1).toLongLong(&ok, 16);
        if (ok && !text.mid(1).startsWith(QLatin1Char('-')) && !text.mid(1).startsWith(QLatin1Char('+'))) {
            v = double(n);
            return true;
        }
    }
    return false;
}

bool isOp(QChar c)
{
    return c == QLatin1Char('*') || c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('-');
}

// The text between operators, read as a number once; what was formed
// from products and quotients stays a number (never re-read from text,
// where an exponent's sign would split it into terms).
struct Piece {
    QChar op;      // the operator before this operand; 0 for the first
    QString text;  // as written
    double value = 0;
    bool known = false; // value formed by a product or quotient
};

bool operand(Piece &p, double &v)
{
    if (p.known) {
        v = p.value;
        return true;
    }
    return readReal(p.text, v);
}

} // namespace

ExprResult EvalExpr(const QString &input)
{
    ExprResult r;
    const QString text = input.trimmed();
    double whole = 0;
    if (readWhole(text, whole)) {
        r.ok = true;
        r.value = whole;
        return r;
    }
    if (text.isEmpty())
        return r;
    // Cut at every operator; an exponent's sign ("1E-5") is cut too, as
    // the operand rules read a sign as the end of an operand.
    QList<Piece> pieces{Piece{QChar(), QString()}};
    for (QChar c : text) {
        if (isOp(c))
            pieces << Piece{c, QString()};
        else
            pieces.last().text += c;
    }
    // Products first, left to right, then quotients.
    for (QChar op : {QLatin1Char('*'), QLatin1Char('/')}) {
        for (int i = 1; i < pieces.size();) {
            if (pieces[i].op != op) {
                ++i;
                continue;
            }
            double a = 0, b = 0;
            // A sign right after the operator leaves its operand empty.
            if (!operand(pieces[i - 1], a) || !operand(pieces[i], b))
                return {};
            if (op == QLatin1Char('/') && b == 0)
                return {};
            const double v = op == QLatin1Char('*') ? a * b : a / b;
            if (!std::isfinite(v))
                return {};
            pieces[i - 1].value = v;
            pieces[i - 1].known = true;
            pieces.removeAt(i);
        }
    }
    // The sum of the signed terms; a leading sign belongs to the first.
    double sum = 0;
    for (int i = 0; i < pieces.size(); ++i) {
        Piece &p = pieces[i];
        if (i == 0 && !p.known && p.text.isEmpty()) {
            // "-5": the expression starts with a sign; the next piece is the first term.
            continue;
        }
        double v = 0;
        if (!operand(p, v))
            return {};
        sum += p.op == QLatin1Char('-') ? -v : v;
    }
    if (!std::isfinite(sum))
        return {};
    r.ok = true;
    r.value = sum;
    return r;
}

QString realText(double v)
{
    if (v == 0)
        return QStringLiteral("0");
    QString t = QString::number(v, 'g', 15);
    // Next to the largest double, 15 digits round up past it and would read
    // back as no number; such a value keeps the digits it needs.
    if (!std::isfinite(t.toDouble()))
        t = QString::number(v, 'g', QLocale::FloatingPointShortest);
    // "1e-06" -> "1E-6", "1.5e+20" -> "1.5E20".
    if (const qsizetype e = t.indexOf(QLatin1Char('e')); e >= 0) {
        QString exp = t.mid(e + 1);
        QString sign;
        if (exp.startsWith(QLatin1Char('-')) || exp.startsWith(QLatin1Char('+'))) {
            if (exp.startsWith(QLatin1Char('-')))
                sign = QStringLiteral("-");
            exp = exp.mid(1);
        }
        while (exp.size() > 1 && exp.startsWith(QLatin1Char('0')))
            exp = exp.mid(1);
        t = t.left(e) + QLatin1Char('E') + sign + exp;
    }
    t.replace(QLatin1Char('.'), formatSettings().decimalSeparator);
    return t;
}

QString exprShown(const ExprResult &r)
{
    return r.ok ? realText(r.value) : kUnrecognised;
}

} // namespace pim::console
