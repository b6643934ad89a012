#pragma once
// The lines of the reply dumps and archive traces that go to the terminal
// memo and to the trace files of the current directory.

#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

namespace pim {

class DumpLines {
public:
    // Values, then "%.3d=%d hex=%s" per reply byte, then the checksum of the
    // whole reply (0 for a sound reply): the file "байты состояния".
    static QStringList stateDump(const QStringList &values, const Tab &reply);
    // Values, then "%.3d=%d(%s)" per reply byte, then the checksum line:
    // the file "конфигурация.txt".
    static QStringList configDump(const QStringList &values, const Tab &reply);
    // One line per byte "%.3d=%d hex=%s" (also the all-records traces of the
    // older readers).
    static QStringList byteLines(const Tab &frame);
    // Caption, a tab, then "%d=%.2d(%s)%s" per byte with a tab after each.
    static QString bytesLine(const QString &caption, const Tab &frame);
    // "чтение архива. Ждите... %d мин %d сек"
    static QString remainingText(qint64 seconds);
    // Two-digit upper-case hex of a byte.
    static QString hex2(int byte);
};

} // namespace pim
