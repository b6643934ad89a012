#include "base/Format.h"

#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pim {
namespace {

QString invalidFormat(QStringView fmt)
{
    return QStringLiteral("Формат '%1' неправилен или несовместим с аргументом").arg(fmt);
}

QString missingArgument(QStringView fmt)
{
    return QStringLiteral("Нет аргумента для формата '%1'").arg(fmt);
}

// The decimal digits of |v| as the classic runtime sees them: 18 significant
// digits, then rounded half away from zero at the requested place (so 0.125
// with two decimals is 0.13, where printf's exact-tie rule would give 0.12).
// d holds the significant digits, v = 0.d1d2d3... × 10^exp; v is finite and
// not zero. to_chars gives the same correctly rounded digits as "%.17e" at
// a fraction of printf's cost, which every cell of an archive grid pays.
constexpr int kSigDigits = 18;
void sigDigits(double v, char (&d)[kSigDigits], int &exp)
{
    char buf[48];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific,
                                 kSigDigits - 1);
    // "d.ddddddddddddddddde+xx"
    d[0] = buf[0];
    std::memcpy(d + 1, buf + 2, kSigDigits - 1);
    const char *e = buf + kSigDigits + 1;
    int e10 = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), r.ptr, e10);
    exp = e10 + 1;
}

void decimalDigits(double v, QString &digits, int &exp)
{
    char d[kSigDigits];
    sigDigits(v, d, exp);
    digits = QString::fromLatin1(d, kSigDigits);
}

// Keeps `keep` digits (keep may be <= 0), rounding half up; a carry adds a
// leading digit and raises exp.
void roundDigits(QString &digits, int &exp, int keep)
{
    if (keep < 0) {
        digits = QStringLiteral("0");
        return;
    }
    if (keep >= digits.size())
        return;
    const bool up = digits[keep].unicode() >= '5';
    digits.truncate(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && digits[i] == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
            --i;
        }
        if (i >= 0) {
            digits[i] = QChar(digits[i].unicode() + 1);
        } else {
            digits.prepend(QLatin1Char('1'));
            ++exp;
            digits.chop(1);
            if (keep == 0)
                digits = QStringLiteral("1");
        }
    }
    if (digits.isEmpty())
        digits = QStringLiteral("0");
}

void significant(double v, int count, QString &mant, int &exp)
{
    if (v == 0) {
        mant = QString(count, QLatin1Char('0'));
        exp = 0;
        return;
    }
    decimalDigits(v, mant, exp);
    roundDigits(mant, exp, count);
    while (mant.size() < count)
        mant += QLatin1Char('0');
}

// Fixed notation with `sep` as separator; a value that rounds to zero has
// no sign. Works on a character buffer: an archive grid formats tens of
// thousands of cells at a time.
void appendZero(QString &out, int prec, QChar sep)
{
    out += QLatin1Char('0');
    if (prec > 0) {
        out += sep;
        out.append(QString(prec, QLatin1Char('0')));
    }
}

// Fixed notation with `sep` as separator; a value that rounds to zero has
// no sign. Works on a character buffer and appends to the caller's text:
// an archive grid formats tens of thousands of cells at a time.
void appendFixedText(QString &out, double v, int prec, QChar sep)
{
    prec = qBound(0, prec, 18);
    if (v == 0)
        return appendZero(out, prec, sep);
    char d[kSigDigits];
    int exp = 0;
    sigDigits(v, d, exp);
    // The digits kept: exp + prec in all, rounded half up at that place.
    const int keep = exp + prec;
    char dig[kSigDigits + 1];
    int len = 0;
    bool zero = keep < 0;
    if (!zero) {
        if (keep >= kSigDigits) {
            std::memcpy(dig, d, kSigDigits);
            len = kSigDigits;
        } else {
            std::memcpy(dig, d, size_t(keep));
            len = keep;
            if (d[keep] >= '5') {
                int i = keep - 1;
                while (i >= 0 && dig[i] == '9')
                    dig[i--] = '0';
                if (i >= 0) {
                    ++dig[i];
                } else {
                    // Every kept digit carried: one more before the point.
                    if (len > 0)
                        std::memmove(dig + 1, dig, size_t(len - 1));
                    dig[0] = '1';
                    len = qMax(len, 1);
                    ++exp;
                }
            }
            if (len == 0) {
                dig[0] = '0';
                len = 1;
            }
            zero = keep == 0 && !(len == 1 && dig[0] == '1');
        }
    }
    if (zero)
        return appendZero(out, prec, sep);

    // The digits padded with zeros out to exp + prec places (exp <= 309).
    char all[kSigDigits + 330];
    std::memcpy(all, dig, size_t(len));
    const int total = qMax(len, exp + prec);
    std::memset(all + len, '0', size_t(total - len));
    char intPart[330];
    char frac[20];
    int intLen = 0;
    if (exp <= 0) {
        intPart[intLen++] = '0';
        for (int i = 0; i < prec; ++i) {
            const int k = i + exp; // position in `all` after -exp leading zeros
            frac[i] = k < 0 ? '0' : all[k];
        }
    } else {
        std::memcpy(intPart, all, size_t(exp));
        intLen = exp;
        std::memcpy(frac, all + exp, size_t(prec));
    }
    bool nonZero = false;
    for (int i = 0; i < intLen && !nonZero; ++i)
        nonZero = intPart[i] != '0';
    for (int i = 0; i < prec && !nonZero; ++i)
        nonZero = frac[i] != '0';
    out.reserve(out.size() + intLen + prec + 2);
    if (v < 0 && nonZero)
        out += QLatin1Char('-');
    out += QLatin1StringView(intPart, intLen);
    if (prec > 0) {
        out += sep;
        out += QLatin1StringView(frac, prec);
    }
}

QString fixedText(double v, int prec, QChar sep)
{
    QString out;
    appendFixedText(out, v, prec, sep);
    return out;
}

QString fixed(double v, int prec)
{
    return fixedText(v, prec, QLatin1Char('.'));
}

QString exponentText(int e, int minDigits)
{
    QString digits = QString::number(std::abs(e));
    while (digits.size() < minDigits)
        digits.prepend(QLatin1Char('0'));
    return QString(QLatin1Char('E')) + (e < 0 ? QLatin1Char('-') : QLatin1Char('+')) + digits;
}

QString formatE(double v, int prec, const FormatSettings &fs)
{
    QString mant;
    int exp = 0;
    significant(v, prec, mant, exp);
    QString out;
    if (std::signbit(v) && v != 0)
        out += QLatin1Char('-');
    out += mant[0];
    if (prec > 1)
        out += fs.decimalSeparator + mant.mid(1);
    out += exponentText(v == 0 ? 0 : exp - 1, 3);
    return out;
}

QString formatG(double v, int prec, const FormatSettings &fs)
{
    if (v == 0)
        return QStringLiteral("0");
    QString mant;
    int exp = 0;
    significant(v, prec, mant, exp);
    while (mant.size() > 1 && mant.endsWith(QLatin1Char('0')))
        mant.chop(1);
    QString out;
    if (v < 0)
        out += QLatin1Char('-');
    if (exp > prec || std::fabs(v) < 0.00001) {
        out += mant[0];
        if (mant.size() > 1)
            out += fs.decimalSeparator + mant.mid(1);
        out += exponentText(exp - 1, 0);
        return out;
    }
    if (exp <= 0) {
        out += QLatin1Char('0') + QString(fs.decimalSeparator) + QString(-exp, QLatin1Char('0')) + mant;
    } else if (mant.size() <= exp) {
        out += mant + QString(exp - mant.size(), QLatin1Char('0'));
    } else {
        out += mant.left(exp) + fs.decimalSeparator + mant.mid(exp);
    }
    return out;
}

QString groupThousands(const QString &fixedText, const FormatSettings &fs)
{
    QString s = fixedText;
    QString sign;
    if (s.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        s.remove(0, 1);
    }
    int dot = s.indexOf(QLatin1Char('.'));
    QString intPart = dot < 0 ? s : s.left(dot);
    QString frac = dot < 0 ? QString() : s.mid(dot + 1);
    QString grouped;
    for (int i = 0; i < intPart.size(); ++i) {
        if (i > 0 && (intPart.size() - i) % 3 == 0)
            grouped += fs.thousandSeparator;
        grouped += intPart[i];
    }
    return sign + grouped + (frac.isEmpty() ? QString() : fs.decimalSeparator + frac);
}

QString formatM(double v, int prec, const FormatSettings &fs)
{
    const QString num = groupThousands(fixed(std::fabs(v), prec), fs);
    QString body;
    switch (fs.currencyFormat) {
    case 0: body = fs.currencyString + num; break;
    case 1: body = num + fs.currencyString; break;
    case 2: body = fs.currencyString + QLatin1Char(' ') + num; break;
    default: body = num + QLatin1Char(' ') + fs.currencyString; break;
    }
    return v < 0 && num.contains(QRegularExpression(QStringLiteral("[1-9]"))) ? QStringLiteral("-") + body : body;
}

} // namespace

FormatResult formatChecked(QStringView fmt, const FmtArgs &args, const FormatSettings &fs)
{
    FormatResult r;
    QString out;
    int argIndex = 0;
    const int n = int(fmt.size());
    int i = 0;

    auto takeArg = [&](const FmtArg *&a) -> bool {
        if (argIndex >= args.size()) {
            r.error = missingArgument(fmt);
            return false;
        }
        a = &args[argIndex++];
        return true;
    };
    // digits or "*" (an integer argument); -1 when absent
    auto number = [&](int &value) -> bool {
        value = -1;
        if (i < n && fmt[i] == QLatin1Char('*')) {
            ++i;
            const FmtArg *a = nullptr;
            if (!takeArg(a))
                return false;
            if (a->kind() != FmtArg::Kind::Int) {
                r.error = invalidFormat(fmt);
                return false;
            }
            value = int(std::clamp<qint64>(a->toInt(), 0, 100000));
            return true;
        }
        if (i < n && fmt[i].isDigit()) {
            qint64 v = 0;
            while (i < n && fmt[i].isDigit()) {
                v = v * 10 + fmt[i].digitValue();
                if (v > 100000) {
                    r.error = invalidFormat(fmt);
                    return false;
                }
                ++i;
            }
            value = int(v);
        }
        return true;
    };

    while (i < n) {
        const QChar c = fmt[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i < n && fmt[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        // index ":" (digits or "*")
        int first = -1;
        if (!number(first))
            return r;
        if (i < n && fmt[i] == QLatin1Char(':')) {
            ++i;
            if (first < 0)
                first = 0;
            argIndex = first;
            first = -1;
        }
        bool left = false;
        if (first < 0 && i < n && fmt[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        int width = first;
        if (width < 0 && !number(width))
            return r;
        int prec = -1;
        if (i < n && fmt[i] == QLatin1Char('.')) {
            ++i;
            if (!number(prec))
                return r;
            if (prec < 0)
                prec = 0;
        }
        if (i >= n) {
            r.error = invalidFormat(fmt);
            return r;
        }
        const QChar type = fmt[i].toLower();
        ++i;
        const FmtArg *a = nullptr;
        if (!takeArg(a))
            return r;

        const bool isReal = a->kind() == FmtArg::Kind::Real || a->kind() == FmtArg::Kind::Date;
        QString piece;
        switch (type.unicode()) {
        case 'd':
        case 'u':
        case 'x': {
            if (a->kind() != FmtArg::Kind::Int) {
                r.error = invalidFormat(fmt);
                return r;
            }
            const qint64 v = a->toInt();
            quint64 mag;
            bool neg = false;
            if (type == QLatin1Char('d')) {
                neg = v < 0;
                mag = neg ? quint64(0) - quint64(v) : quint64(v);
            } else if (v < 0 && !a->isWide() && v >= INT32_MIN) {
                mag = quint64(quint32(qint32(v))); // a 32-bit integer's bit pattern
            } else {
                mag = quint64(v);
            }
            QString digits = QString::number(mag, type == QLatin1Char('x') ? 16 : 10).toUpper();
            if (prec > digits.size())
                digits = QString(prec - digits.size(), QLatin1Char('0')) + digits;
            piece = neg ? QStringLiteral("-") + digits : digits;
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            if (!isReal) {
                r.error = invalidFormat(fmt);
                return r;
            }
            const double v = a->toReal();
            if (std::isnan(v)) {
                piece = QStringLiteral("NAN");
                break;
            }
            if (std::isinf(v)) {
                piece = v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
                break;
            }
            if (type == QLatin1Char('e')) {
                piece = formatE(v, prec < 0 ? 15 : qBound(1, prec, 18), fs);
            } else if (type == QLatin1Char('g')) {
                piece = formatG(v, prec < 0 ? 15 : qBound(1, prec, 18), fs);
            } else if (type == QLatin1Char('f')) {
                piece = fixedText(v, prec < 0 ? 2 : qMin(prec, 18), fs.decimalSeparator);
            } else if (type == QLatin1Char('n')) {
                piece = groupThousands(fixed(v, prec < 0 ? 2 : qMin(prec, 18)), fs);
            } else {
                piece = formatM(v, prec < 0 ? fs.currencyDecimals : qMin(prec, 18), fs);
            }
            break;
        }
        case 's': {
            if (a->kind() != FmtArg::Kind::Text) {
                r.error = invalidFormat(fmt);
                return r;
            }
            piece = a->toText();
            if (prec >= 0 && prec < piece.size())
                piece.truncate(prec);
            break;
        }
        default:
            r.error = invalidFormat(fmt);
            return r;
        }
        if (width > piece.size()) {
            const QString pad(width - piece.size(), QLatin1Char(' '));
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
    }
    r.text = out;
    return r;
}

void appendFixed(QString &out, double v, int prec, const FormatSettings &fs)
{
    if (std::isnan(v))
        out += QLatin1StringView("NAN");
    else if (std::isinf(v))
        out += v > 0 ? QLatin1StringView("INF") : QLatin1StringView("-INF");
    else
        appendFixedText(out, v, prec < 0 ? 2 : qMin(prec, 18), fs.decimalSeparator);
}

QString formatFixed(double v, int prec, const FormatSettings &fs)
{
    QString out;
    appendFixed(out, v, prec, fs);
    return out;
}

QString Format(QStringView fmt, const FmtArgs &args)
{
    FormatResult r = formatChecked(fmt, args);
    return r.ok() ? r.text : r.error;
}

} // namespace pim
