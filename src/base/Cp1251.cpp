#include "base/Cp1251.h"

#include <array>

namespace pim {
namespace {

// Upper half 0x80..0xBF; 0xC0..0xFF is the contiguous block U+0410..U+044F.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

int encodeChar(char16_t c)
{
    if (c < 0x80)
        return c;
    if (c >= 0x0410 && c <= 0x044F)
        return 0xC0 + (c - 0x0410);
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == c)
            return 0x80 + i;
    return -1;
}

} // namespace

QString fromCp1251(QByteArrayView bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            d[i] = QChar(b);
        else if (b < 0xC0)
            d[i] = QChar(kHigh[b - 0x80]);
        else
            d[i] = QChar(char16_t(0x0410 + (b - 0xC0)));
    }
    return out;
}

QByteArray toCp1251(QStringView text, bool *ok, QChar *bad)
{
    QByteArray out;
    out.reserve(text.size());
    bool good = true;
    for (QChar ch : text) {
        const int b = encodeChar(ch.unicode());
        if (b < 0) {
            if (good && bad)
                *bad = ch;
            good = false;
            out.append('?');
        } else {
            out.append(static_cast<char>(b));
        }
    }
    if (ok)
        *ok = good;
    return out;
}

bool fitsCp1251(QStringView text)
{
    for (QChar ch : text)
        if (encodeChar(ch.unicode()) < 0)
            return false;
    return true;
}

QString charLine(quint8 code)
{
    static const char *const names[33] = {
        "NUL(Null char.)", "SOH(Start of Header)", "STX(Start of Text)", "ETX(End of Text)",
        "EOT(End of Transmission)", "ENQ(Enquiry)", "ACK(Acknowledgment)", "BEL(Bell)", "BS(Backspace)",
        "HT(Horizontal Tab)", "LF(Line Feed)", "VT(Vertical Tab)", "FF(Form Feed)", "CR(Carriage Return)",
        "SO(Shift Out)", "SI(Shift In)", "DLE(Data Link Escape)", "DC1 (XON) (Device Control 1)",
        "DC2 (Device Control 2)", "DC3 (XOFF)(Device Control 3)", "DC4 (Device Control 4)",
        "NAK (Negative Acknowledgement)", "SYN (Synchronous Idle)", "ETB (End of Trans. Block)", "CAN (Cancel)",
        "EM (End of Medium)", "SUB (Substitute)", "ESC (Escape)", "FS (File Separator)", "GS (Group Separator)",
        "RS (Request to Send)(Record Separator)", "US (Unit Separator)", "SP (Space)"};
    const int c = code;
    const QString shown = c <= 32 ? QString::fromLatin1(names[c]) : fromCp1251(QByteArray(1, char(code)));
    return QStringLiteral("%1=%2(%3) %4")
        .arg(c + 1, 3, 10, QLatin1Char('0'))
        .arg(c, 2, 10, QLatin1Char('0'))
        .arg(QString::number(c, 16).toUpper().rightJustified(2, QLatin1Char('0')), shown);
}

} // namespace pim
