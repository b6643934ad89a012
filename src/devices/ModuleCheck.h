#pragma once
// The reply check of the two-system modules U28, U29, U34 and U38, shared by
// their state, configuration and archive codecs.

#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QString>

namespace pim {

// The module's own `erundec` text for a wrong length or command, then the
// checksum, type (only when `checkType`) and number mismatches, each on a
// line of its own. Empty when the reply is accepted; never reads past the
// reply, however short.
QString moduleReplyCheck(const Tab &reply, int length, int code, const QString &erundec, const Identity &id,
                         bool checkType);

} // namespace pim
