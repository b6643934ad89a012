// A change-log reply as any bytes: the check never reads past the reply and
// takes only a whole record of the device; a record taken always gives two
// rows of 16 cells, the three cells a record does not carry empty; the
// listing has one line per byte after its caption; an erased slot (all
// 0xFF) is never a record a date could be taken from.

#include "devices/ValueFormat.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "workflows/ChangeLog.h"

#include <cstddef>
#include <cstdint>

using namespace pim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Tab reply;
    for (size_t i = 0; i < size && i < 300; ++i)
        reply.append(data[i]);
    const Identity id{reply.at(1), 1 + int(size % 3)};
    const QString fault = ChangeLog::replyFault(reply, id);
    if (ChangeLog::listing(reply, 1, 2).size() != reply.size() + 1)
        __builtin_trap();
    if (!fault.isEmpty())
        return 0;
    if (reply.size() < kChangReplyLength || !TestCS(reply))
        __builtin_trap();
    // Erased memory is never a record whose date could be real.
    if (ChangeLog::erasedSlot(reply) && ChangeLog::recordFault(reply).isEmpty())
        __builtin_trap();
    if (ChangeLog::recordFault(reply).isEmpty() && (GetW(reply, 5) < 1 || GetW(reply, 7) >= 1440))
        __builtin_trap();
    const Tab frame = ChangeLog::configFrame(reply);
    if (frame.size() != kChangReplyLength || !TestCS(frame) || frame.at(4) != Q_Param)
        __builtin_trap();
    const QList<QStringList> rows = ChangeLog::recordRows(reply, 1, 2, defaultValueFormat());
    if (rows.size() != 2)
        __builtin_trap();
    for (const QStringList &row : rows) {
        if (row.size() != ChangeLog::kColumns || !row[13].isEmpty() || !row[14].isEmpty() || !row[15].isEmpty())
            __builtin_trap();
    }
    return 0;
}
