#pragma once
// A frame from a command table and a reply read with one: each row's
// field cell gives its format (the last of the letters B, W, L, S in it;
// none: chosen by the value when encoding, a byte when decoding), a
// predefined value ("@" and its number, encoding only) or an expression
// after "=". A value its format cannot hold, or a field that does not fit
// in the frame, is never written: the row is marked and the frame is
// refused, so no corrupt frame can be sent.

#include "console/CommandTable.h"
#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

namespace pim::console {

// The predefined values, in the order of their numbers.
QStringList predefinedValues();
// The formats list of the page: "B-byte (один байт)", ...
QStringList formatItems();

struct Encoded {
    Tab frame;
    QStringList report;  // "табл ф-т №зн зн итого", then one line per field
    bool refused = false; // a row marked, or no row at all: nothing may be sent
    QString why;          // the refusal: kUnrecognised, or kNoRows
};
// A table with no field past its row numbers (empty, or its first row
// alone) describes no frame: it is refused, never sent as a lone zero byte.
inline const QString kNoRows = QStringLiteral("нет строк");
// `type` and `number` are the page's type and number fields.
Encoded EncodeTable(const CommandTable &table, int type, int number);

// The report lines of a reply read with a table: rows 1 up to the shorter
// of the table and the reply.
QStringList DecodeTable(const CommandTable &table, const Tab &reply);

} // namespace pim::console
