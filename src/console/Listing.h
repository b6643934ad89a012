#pragma once
// The listing of the service page: a request and its table report, the
// reply byte by byte and field by field, and the ASCII table.

#include "console/TableCodec.h"
#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

namespace pim::console {

// "4.=13 (0x0D)".
QString byteLine(int index, int value);
QStringList byteLines(const Tab &frame);

// 256 lines "066=65(41) A"; codes 0 to 32 by their names.
QStringList asciiTable();

struct ListingOptions {
    bool onlyValues = false; // "только значения": no bytes, only fields
    bool onlyReply = false;  // "только ответ"
};

// Before sending: the table's report (unless either option) and "запрос"
// with the request's bytes (unless "только ответ").
QStringList requestListing(const Encoded &encoded, const ListingOptions &options);
// The reply: "ответ:", its bytes (unless "только значения"), then the
// fields by the decoding table at `decodePath` (or its load error).
QStringList replyListing(const Tab &reply, const QString &decodePath, const ListingOptions &options);

} // namespace pim::console
