#pragma once
// "расшифровать ошибку": the text of a device-error (tag 1) or system-error
// (tag 2) code of a type, one entry per set bit. The window and any other
// front end share it.

#include <QString>

namespace pim {

class StateCodec;

class ErrorDecoder {
public:
    enum Tag { None = 0, Device = 1, System = 2 };

    // The text of `code` with the type's table for `tag`;
    // "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА" for a type without error tables. Empty
    // for a tag other than 1 and 2 (nothing to show).
    static QString decodeCode(int type, int tag, int code);
    // The code held in a decoded state record for `system` (0 or 1); a type
    // without a module (no record) gives the mismatch text.
    static QString decode(int type, int tag, const StateCodec *state, int system);

    // A grid column by its two header lines: the error columns of the state
    // grid ("код ош" over "уст-ва" / "сист", "код" over "ошиб") and of the
    // archive grids ("Ошибка" over "уст-ва" / "системы" / "код"). Anything
    // else, the change log's system type ("тип" over "сист") among them, is 0.
    static int columnTag(const QString &header1, const QString &header2);
    // A clicked cell: its text as the code (-1 when it is not a number),
    // decoded without touching any record.
    static QString decodeCell(int type, int tag, const QString &cellText);
};

} // namespace pim
