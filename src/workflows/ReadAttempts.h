#pragma once
// The attempts loop of the state and configuration reads: the same request
// again until the module's decoder takes the reply, with the attempt number
// on the status line. A link failure ends the loop at once; a reply the
// decoder keeps refusing ends it after the last attempt.

#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"
#include "workflows/WorkflowUi.h"

#include <QString>

namespace pim {

enum class ReadOutcome { Accepted, NoLink, Refused };

// `decode` returns the decoder's error text (empty = accepted).
template <class Decode>
ReadOutcome readWithAttempts(DeviceRoad &road, WorkflowUi &ui, const QString &busyText, const Identity &id, int code,
                             int attempts, Decode decode, Tab &reply)
{
    for (int n = 1; n <= attempts; ++n) {
        ui.statusBusy(busyText + QString::number(n));
        reply = SQ(id, code);
        if (!road.exchange(reply)) {
            ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
            return ReadOutcome::NoLink;
        }
        if (decode(reply).isEmpty())
            return ReadOutcome::Accepted;
    }
    ui.statusFail(QStringLiteral("Ошибка связи Повторите..."));
    return ReadOutcome::Refused;
}

} // namespace pim
