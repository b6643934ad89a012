#include "console/Listing.h"

#include "base/Cp1251.h"
#include "base/Format.h"
#include "console/CommandTable.h"


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
    QStringList out;
    for (int c = 0; c < 256; ++c)
        out << charLine(quint8(c));
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
