#include "workflows/StateReading.h"

#include "base/TextFile.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"
#include "workflows/DumpLines.h"
#include "workflows/IdentityCheck.h"
#include "workflows/WorkflowUi.h"

#include <QDir>

namespace pim {

namespace {
bool &stateReadFlag()
{
    static bool flag = false;
    return flag;
}
} // namespace

bool StateReading::stateRead()
{
    return stateReadFlag();
}

void StateReading::resetFlags()
{
    stateReadFlag() = false;
}

StateReading::StateReading(DeviceRoad &road, WorkflowUi &ui) : m_road(road), m_ui(ui) {}

StateReading::Result StateReading::read(int system)
{
    Result r;
    RoadCommand command(m_road);
    if (!command) {
        m_ui.statusFail(m_road.busyText());
        return r;
    }
    if (!IdentityCheck::ensure(m_road))
        return r;
    DeviceModule *module = moduleFor(CurrentType());
    if (!module) {
        m_ui.message(QStringLiteral("TFpim.AreadstateExecute.GetTab: Неправильный тип прибора"));
        return r;
    }
    Tab reply;
    bool decoded = false;
    for (int n = 1; n <= kAttempts; ++n) {
        m_ui.statusBusy(QStringLiteral("Чтение состояния. Ждите... попытка № ") + QString::number(n));
        reply = SQ(Q_State);
        if (!m_road.exchange(reply)) {
            m_ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
            return r;
        }
        if (module->state().DecState(reply).isEmpty()) {
            decoded = true;
            break;
        }
    }
    if (!decoded) {
        m_ui.statusFail(QStringLiteral("Ошибка связи Повторите..."));
        return r;
    }
    r.ok = true;
    r.reply = reply;
    r.values = module->state().SLfromState(system);
    m_ui.statusOk(QStringLiteral("Cостояние прочитано успешно")); // Latin C, as the device program always had it
    stateReadFlag() = true;

    r.dump = DumpLines::stateDump(r.values, reply);
    if (m_ui.memoVisible())
        m_ui.memoAppend(r.dump.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    const QString folder = m_dumpFolder.isEmpty() ? QDir::currentPath() : m_dumpFolder;
    writeLines(folder + QStringLiteral("/байты состояния"), r.dump);
    return r;
}

} // namespace pim
