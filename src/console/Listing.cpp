#include "console/Listing.h"

#include "base/Cp1251.h"
#include "base/Format.h"
#include "console/CommandTable.h"

#include <array>

namespace pim::console {

QString byteLine(int index, int value)
{
    return Format(u"%d.=%d (0x%s)", {index, value, QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper()});
}

QStringList byteLines(const Tab &frame)
{
    QStringList out;
    for (int i = 0; i < frame.size(); ++i)
        out << byteLine(i, frame.at(i));
    return out;
}

QStringList asciiTable()
{
    static const std::array<const char *, 33> names = {
        "NUL(Null char.)", "SOH(Start of Header)", "STX(Start of Text)", "ETX(End of Text)",
        "EOT(End of Transmission)", "ENQ(Enquiry)", "ACK(Acknowledgment)", "BEL(Bell)", "BS(Backspace)",
        "HT(Horizontal Tab)", "LF(Line Feed)", "VT(Vertical Tab)", "FF(Form Feed)", "CR(Carriage Return)",
        "SO(Shift Out)", "SI(Shift In)", "DLE(Data Link Escape)", "DC1 (XON) (Device Control 1)",
        "DC2 (Device Control 2)", "DC3 (XOFF)(Device Control 3)", "DC4 (Device Control 4)",
        "NAK (Negative Acknowledgement)", "SYN (Synchronous Idle)", "ETB (End of Trans. Block)", "CAN (Cancel)",
        "EM (End of Medium)", "SUB (Substitute)", "ESC (Escape)", "FS (File Separator)", "GS (Group Separator)",
        "RS (Request to Send)(Record Separator)", "US (Unit Separator)", "SP (Space)"};
    QStringList out;
    for (int c = 0; c < 256; ++c) {
        // Above the space: the character itself, as the code page has it.
        const QString ch = c <= 32 ? QString::fromUtf8(names[size_t(c)]) : fromCp1251(QByteArray(1, char(c)));
        out << Format(u"%.3d=%.2d(%s) %s", {c + 1, c, QStringLiteral("%1").arg(c, 2, 16, QLatin1Char('0')).toUpper(), ch});
    }
    return out;
}

QStringList requestListing(const Encoded &encoded, const ListingOptions &options)
{
    QStringList out;
    if (!options.onlyReply && !options.onlyValues)
        out << encoded.report;
    if (!options.onlyReply) {
        out << QStringLiteral("запрос");
        out << byteLines(encoded.frame);
    }
    return out;
}

QStringList replyListing(const Tab &reply, const QString &decodePath, const ListingOptions &options)
{
    QStringList out{QStringLiteral("ответ:")};
    if (!options.onlyValues)
        out << byteLines(reply);
    CommandTable table;
    const QString error = LoadTable(decodePath, QLatin1Char('\t'), table);
    if (!error.isEmpty())
        out << error;
    else
        out << DecodeTable(table, reply);
    return out;
}

} // namespace pim::console
