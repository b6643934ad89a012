#pragma once
// The formatting function of every message, list, dump and report: the
// classic Pascal-style directives
//   "%" [index ":"] ["-"] [width] ["." precision] type
// with width, precision and index given as digits or "*", and the types
//   d (integer), u (unsigned), x (hexadecimal, upper case),
//   e, f, g, n (thousands separated), m (money) for reals,
//   s for texts (upper-case letters mean the same).
// "%f" without precision prints two decimals; "%.3d" pads with zeros.
// Arguments carry their kind; a directive whose argument is missing or of
// the wrong kind, or a malformed directive, gives an error text instead of
// output: operator-typed formats come through here.

#include "base/FormatSettings.h"

#include <QList>
#include <QString>

#include <concepts>
#include <initializer_list>

namespace pim {

class FmtArg {
public:
    enum class Kind { Int, Real, Text, Date };

    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    FmtArg(T v) : m_kind(Kind::Int), m_int(static_cast<qint64>(v)), m_wide(sizeof(T) > 4) {}
    FmtArg(double v) : m_kind(Kind::Real), m_real(v) {}
    FmtArg(float v) : m_kind(Kind::Real), m_real(v) {}
    FmtArg(const QString &s) : m_kind(Kind::Text), m_text(s) {}
    FmtArg(const char *s) : m_kind(Kind::Text), m_text(QString::fromUtf8(s)) {}
    FmtArg(QChar c) : m_kind(Kind::Text), m_text(c) {}

    // A date-time on the day scale (day 0 = 30 December 1899): a real for
    // the real directives.
    static FmtArg date(double scale)
    {
        FmtArg a(scale);
        a.m_kind = Kind::Date;
        return a;
    }

    Kind kind() const { return m_kind; }
    qint64 toInt() const { return m_int; }
    bool isWide() const { return m_wide; }
    double toReal() const { return m_real; }
    const QString &toText() const { return m_text; }

private:
    Kind m_kind;
    qint64 m_int = 0;
    bool m_wide = false;
    double m_real = 0;
    QString m_text;
};

using FmtArgs = QList<FmtArg>;

struct FormatResult {
    QString text;  // the output, empty on error
    QString error; // empty when the format and the arguments agree
    bool ok() const { return error.isEmpty(); }
};

FormatResult formatChecked(QStringView fmt, const FmtArgs &args,
                           const FormatSettings &settings = formatSettings());

// What "%.Nf" gives for v (N = prec, "%f" when prec < 0), without parsing a
// format: the one directive of every real cell of a grid.
QString formatFixed(double v, int prec, const FormatSettings &settings = formatSettings());
// The same appended to `out`.
void appendFixed(QString &out, double v, int prec, const FormatSettings &settings = formatSettings());

// The output, or on a mismatch the error text in its place.
QString Format(QStringView fmt, const FmtArgs &args = {});

} // namespace pim
