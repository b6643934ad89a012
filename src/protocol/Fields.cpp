#include "protocol/Fields.h"

#include "base/Format.h"

#include <cstring>

namespace pim {

namespace {

// Byte k of a field at offset i. Offsets are not always constants of a
// table, so i + k is computed wide: an offset near the end of the int range
// reads 0 instead of overflowing.
quint8 byteAt(const Tab &frame, int i, int k)
{
    const qint64 at = qint64(i) + k;
    return (at >= 0 && at < frame.size()) ? frame.at(int(at)) : 0;
}

void setByte(Tab &frame, int i, int k, int value)
{
    const qint64 at = qint64(i) + k;
    if (at >= 0 && at < frame.size())
        frame.set(int(at), value);
}

quint32 rawL(const Tab &frame, int i)
{
    return quint32(byteAt(frame, i, 0)) | quint32(byteAt(frame, i, 1)) << 8 | quint32(byteAt(frame, i, 2)) << 16
        | quint32(byteAt(frame, i, 3)) << 24;
}

void putRawL(quint32 v, Tab &frame, int i)
{
    for (int k = 0; k < 4; ++k)
        setByte(frame, i, k, int((v >> (8 * k)) & 0xFF));
}

// A byte of a link text at a 1-based position p + k; 0 outside the text.
quint8 charAt(const QByteArray &text, int p, int k = 0)
{
    const qint64 at = qint64(p) + k;
    return (at >= 1 && at <= text.size()) ? static_cast<quint8>(text[qsizetype(at - 1)]) : 0;
}

} // namespace

quint16 GetW(const Tab &frame, int i)
{
    return quint16(byteAt(frame, i, 0) | byteAt(frame, i, 1) << 8);
}

void PutW(int value, Tab &frame, int i)
{
    setByte(frame, i, 0, value & 0xFF);
    setByte(frame, i, 1, (value >> 8) & 0xFF);
}

qint32 GetL(const Tab &frame, int i)
{
    return static_cast<qint32>(rawL(frame, i));
}

void PutL(qint64 value, Tab &frame, int i)
{
    putRawL(static_cast<quint32>(static_cast<quint64>(value) & 0xFFFFFFFFu), frame, i);
}

float GetF(const Tab &frame, int i)
{
    const quint32 raw = rawL(frame, i);
    float f;
    std::memcpy(&f, &raw, sizeof f);
    return f;
}

void PutF(Tab &frame, int i, double value)
{
    const float f = static_cast<float>(value);
    quint32 raw;
    std::memcpy(&raw, &f, sizeof raw);
    putRawL(raw, frame, i);
}

quint16 ChTW(const QByteArray &text, int p, QString *message)
{
    if (p < 1 || qint64(p) + 1 > text.size()) {
        if (message)
            *message = QStringLiteral("function ChTW");
        return charAt(text, p);
    }
    return quint16(charAt(text, p) | charAt(text, p, 1) << 8);
}

float SingleAt(const QByteArray &text, int p)
{
    const quint32 raw = quint32(charAt(text, p)) | quint32(charAt(text, p, 1)) << 8
        | quint32(charAt(text, p, 2)) << 16 | quint32(charAt(text, p, 3)) << 24;
    float f;
    std::memcpy(&f, &raw, sizeof f);
    return f;
}

QByteArray TabToStr(const Tab &frame)
{
    return frame.bytes();
}

Tab StrToTab(const QByteArray &text)
{
    return Tab::fromBytes(text);
}

QString TabToDecBar(const Tab &frame)
{
    QString out;
    for (int i = 0; i < frame.size(); ++i) {
        out += QString::number(frame.at(i));
        out += QLatin1Char('|');
    }
    return out;
}

QString ListBytes(const QByteArray &text, const QString &sep, int mode)
{
    QStringList items;
    items.reserve(text.size());
    for (char c : text) {
        const int b = static_cast<quint8>(c);
        items << (mode == 1 ? QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'))
                            : Format(u"%.3d", {b}));
    }
    return items.join(sep);
}

QByteArray ParseBytes(const QString &text, const QString &sep)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    const QStringList items = sep.isEmpty() ? QStringList{text} : text.split(sep);
    for (const QString &item : items) {
        bool ok = false;
        const int v = item.trimmed().toInt(&ok, 10);
        // A byte has no other codes: anything else is shown as '~'.
        out.append(ok && v >= 0 && v <= 255 ? static_cast<char>(v) : '~');
    }
    return out;
}

QByteArray WordToStr2(int value)
{
    QByteArray out(2, '\0');
    out[0] = static_cast<char>(value & 0xFF);
    out[1] = static_cast<char>((value >> 8) & 0xFF);
    return out;
}

QString ErrText(qint64 code, const QStringList &texts)
{
    // A negative code is the 32-bit pattern a device field or a grid cell
    // holds; bit values are computed unsigned, so bit 31 (and above) is safe.
    const quint64 bits = code < 0 ? (static_cast<quint64>(code) & 0xFFFFFFFFu) : static_cast<quint64>(code);
    const QString crlf = QStringLiteral("\n\r");
    QString out;
    for (int k = 0; k < 64; ++k) {
        const quint64 value = quint64(1) << k;
        if (!(bits & value))
            continue;
        out += QStringLiteral("Код=") + QString::number(value) + QLatin1Char(':') + crlf;
        out += (k + 1 < texts.size() ? texts.at(k + 1) : QStringLiteral("неизвестный")) + crlf;
    }
    if (out.isEmpty())
        return texts.isEmpty() ? QString() : texts.at(0);
    return out;
}

} // namespace pim
