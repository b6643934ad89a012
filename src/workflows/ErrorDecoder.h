#pragma once
// "расшифровать ошибку": the text of a device-error (tag 1) or system-error
// (tag 2) code of the current type, one entry per set bit. The window and
// any other front end share it.

#include <QString>

namespace pim {

class ErrorDecoder {
public:
    enum Tag { None = 0, Device = 1, System = 2 };

    // The text for the code held in the current type's state record for
    // `system` (0 or 1); "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА" for a type without
    // error tables. Empty for a tag other than 1 and 2 (nothing to show).
    static QString decode(int type, int tag, int system);

    // A clicked grid cell: the tag of a column by its second header line
    // ("код", "уст-ва" 1; "системы" 2; else 0).
    static int columnTag(const QString &header2);
    // Stores the cell's code (-1 when the text is not a number) into the
    // state record and decodes it. With no module for the type nothing is
    // stored and the decoder's own mismatch text is returned.
    static QString decodeCell(int type, int tag, int system, const QString &cellText);
};

} // namespace pim
