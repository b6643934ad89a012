#pragma once
// "расшифровать ошибку": the text of a device-error (tag 1) or system-error
// (tag 2) code of a type, one entry per set bit. The window and any other
// front end share it.

#include <QString>

namespace pim {

class DeviceSession;

class ErrorDecoder {
public:
    enum Tag { None = 0, Device = 1, System = 2 };

    // The text of `code` with the table for `tag` of the session's type;
    // "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА" for a type without error tables. Empty
    // for a tag other than 1 and 2 (nothing to show).
    static QString decodeCode(DeviceSession &session, int tag, int code);
    // The code held in the session's state record for `system` (0 or 1).
    static QString decode(DeviceSession &session, int tag, int system);

    // A grid column by its two header lines: the error columns of the state
    // grid ("код ош" over "уст-ва" / "сист", "код" over "ошиб") and of the
    // archive grids ("Ошибка" over "уст-ва" / "системы" / "код"). Anything
    // else, the change log's system type ("тип" over "сист") among them, is 0.
    static int columnTag(const QString &header1, const QString &header2);
    // A clicked cell: its text as the code, decoded without touching any
    // record. Empty (nothing to show) when the cell holds no number.
    static QString decodeCell(DeviceSession &session, int tag, const QString &cellText);
};

} // namespace pim
