#pragma once
// The arithmetic of the command tables' value cells: numbers, "*", "/",
// "+" and "-" without parentheses, where all products are formed before
// all quotients and both before the sums (8/2*2 is 2: stored tables rely
// on it), and a sign right after "*" or "/" is an error.

#include <QString>

namespace pim::console {

struct ExprResult {
    bool ok = false;
    double value = 0;
};

// A whole text that is a real number (either decimal separator), or an
// integer in decimal or in hexadecimal after "$", is its value; otherwise
// the expression. A failure (a term that is no number, a division by zero)
// gives value 0.
ExprResult EvalExpr(const QString &text);

// A real as the shortest text that reads back as the same value (at most
// 15 significant digits), with the program's decimal separator and a
// plain exponent ("1E-6") only where fixed notation would be unreadable.
QString realText(double v);

// A real number as typed: either "." or "," as the separator, an optional
// sign and exponent. False for anything else (also blanks, "inf", "nan").
bool readReal(const QString &text, double &v);

// The text the page shows for a result: the value, or the failure remark.
QString exprShown(const ExprResult &r);

inline const QString kUnrecognised = QStringLiteral("Значение не распознано");

} // namespace pim::console
