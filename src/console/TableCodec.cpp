#include "console/TableCodec.h"

#include "base/Format.h"
#include "base/Rounding.h"
#include "console/Expr.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <cmath>
#include <cstring>

namespace pim::console {

QStringList predefinedValues()
{
    return {QStringLiteral("00-всегда ноль"), QStringLiteral("01-Размер таблицы (длина команды)"),
            QStringLiteral("02-Контрольная сумма"), QStringLiteral("03-Тип устройства"),
            QStringLiteral("04-Номер устройства")};
}

QStringList formatItems()
{
    return {QStringLiteral("B-byte (один байт)"), QStringLiteral("W-word (2 байта, слово)"),
            QStringLiteral("L-Long (4 байта, длинное слово)"), QStringLiteral("S-Single (4 байта, с плавающей точкой)")};
}

namespace {

// The letter found last in the cell; `none` when there is none.
QChar formatLetter(const QString &cell, QChar none)
{
    for (qsizetype i = cell.size() - 1; i >= 0; --i) {
        const QChar c = cell[i];
        if (c == QLatin1Char('B') || c == QLatin1Char('W') || c == QLatin1Char('L') || c == QLatin1Char('S'))
            return c;
    }
    return none;
}

// The field read back from the frame, as the report shows it.
QString readBack(const Tab &frame, int at, QChar letter)
{
    switch (letter.unicode()) {
    case 'W': return QString::number(GetW(frame, at));
    case 'L': return QString::number(GetL(frame, at));
    case 'S': return realText(GetF(frame, at));
    default: return QString::number(frame.at(at));
    }
}

} // namespace

Encoded EncodeTable(const CommandTable &table, int type, int number)
{
    Encoded out;
    const int length = qMax(0, table.rowCount() - 1);
    out.frame = Tab(length);
    out.report << QStringLiteral("табл ф-т №зн зн итого");
    bool anyField = false;
    for (int r = 1; r < table.rowCount() && !anyField; ++r)
        for (int c = 1; c < table.rows[r].size() && !anyField; ++c)
            anyField = !table.rows[r][c].trimmed().isEmpty();
    if (!anyField) {
        out.frame = Tab();
        out.refused = true;
        out.why = kNoRows;
        out.report << kNoRows;
        return out;
    }
    for (int r = 1; r < table.rowCount();) {
        const QString written = table.cell(r, 2);
        QString cell = written;
        cell.remove(QLatin1Char(' '));
        QChar letter = formatLetter(cell, QLatin1Char('N'));
        int predefined = -1;
        if (const qsizetype at = cell.indexOf(QLatin1Char('@')); at >= 0) {
            bool ok = false;
            const int n = cell.mid(at + 1).toInt(&ok);
            predefined = ok ? n : -1;
        }
        bool marked = false;
        double v = 0;
        switch (predefined) {
        case 0: v = 0; break;
        case 1: v = length; break;
        case 2: v = CalcCS(out.frame); break;
        case 3: v = type; break;
        case 4: v = number; break;
        default:
            if (!cell.isEmpty()) {
                const qsizetype eq = cell.indexOf(QLatin1Char('='));
                const ExprResult e = EvalExpr(eq >= 0 ? cell.mid(eq + 1) : cell);
                marked = !e.ok;
                v = e.ok ? e.value : 0;
            }
        }
        if (letter == QLatin1Char('N'))
            letter = v >= 0 && v < 256 ? QLatin1Char('B')
                : v >= 256 && v < 65536 ? QLatin1Char('W')
                : v >= 65536 && v < 4294967296.0 ? QLatin1Char('L')
                                                 : QLatin1Char('S');
        const int width = formatWidth(letter);
        const int at = r - 1;
        // Never converted when it does not fit: the format's range, and the
        // frame's end.
        // The whole-number formats round halves to even; a single keeps its fraction.
        const double rounded = roundHalfEven(v);
        bool fits = out.frame.inside(at, width);
        switch (letter.unicode()) {
        case 'B': fits = fits && rounded >= 0 && rounded <= 255; break;
        case 'W': fits = fits && rounded >= 0 && rounded <= 65535; break;
        case 'L': fits = fits && rounded >= 0 && rounded <= 4294967295.0; break;
        case 'S': fits = fits && std::isfinite(v) && std::fabs(v) <= 3.4028234663852886e38; break;
        }
        if (!fits)
            marked = true;
        if (fits && !marked) {
            switch (letter.unicode()) {
            case 'B': out.frame.set(at, int(rounded)); break;
            case 'W': PutW(int(rounded), out.frame, at); break;
            case 'L': PutL(qint64(rounded), out.frame, at); break;
            case 'S': PutF(out.frame, at, v); break;
            }
        }
        if (marked) {
            out.refused = true;
            out.why = kUnrecognised;
        }
        QString line = Format(u"%s %s %d %d %s",
                              {written, QString(letter), predefined, int(out.frame.at(at)),
                               table.cell(r, 1) + QLatin1Char('=') + (fits && !marked ? readBack(out.frame, at, letter) : QString())});
        if (marked)
            line += kUnrecognised;
        out.report << line;
        r += width;
    }
    return out;
}

QStringList DecodeTable(const CommandTable &table, const Tab &reply)
{
    QStringList out;
    const int last = qMin(table.rowCount(), reply.size()) - 1;
    for (int r = 1; r <= last;) {
        const QString cell = table.cell(r, 2);
        const QChar letter = formatLetter(cell, QLatin1Char('B'));
        const int width = formatWidth(letter);
        const int at = r - 1;
        const QString name = table.cell(r, 1);
        r += width;
        if (!reply.inside(at, width)) {
            // Past the reply's end: nothing is read.
            out << name + QStringLiteral("=(") + kUnrecognised + QLatin1Char(')');
            continue;
        }
        double value = 0;
        QString line;
        switch (letter.unicode()) {
        case 'W': value = GetW(reply, at); break;
        case 'L': value = GetL(reply, at); break;
        case 'S': value = GetF(reply, at); break;
        default: value = reply.at(at); break;
        }
        line = letter == QLatin1Char('S') ? Format(u"%s=%f", {name, value}) : Format(u"%s=%d", {name, qint64(value)});
        if (const qsizetype eq = cell.indexOf(QLatin1Char('=')); eq >= 0) {
            const ExprResult e = EvalExpr(realText(value) + cell.mid(eq + 1));
            line += e.ok ? QLatin1Char('(') + realText(e.value) + QLatin1Char(')')
                         : QStringLiteral("(") + kUnrecognised + QLatin1Char(')');
        }
        out << line;
    }
    return out;
}

} // namespace pim::console
