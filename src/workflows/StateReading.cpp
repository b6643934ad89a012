#include "workflows/StateReading.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"
#include "workflows/DumpLines.h"
#include "workflows/IdentityCheck.h"
#include "workflows/ReadAttempts.h"
#include "workflows/WorkflowUi.h"

#include <QDir>

namespace pim {

StateReading::StateReading(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session)
    : m_road(road), m_ui(ui), m_session(session)
{
}

StateReading::Result StateReading::read(int system)
{
    Result r;
    RoadCommand command(m_road);
    if (!command) {
        m_ui.statusFail(m_road.busyText());
        return r;
    }
    if (!IdentityCheck::ensure(m_road, m_session))
        return r;
    DeviceModule *module = m_session.module();
    if (!module) {
        m_ui.message(QStringLiteral("TFpim.AreadstateExecute.GetTab: Неправильный тип прибора"));
        return r;
    }
    Tab reply;
    const Identity id = m_session.identity();
    const auto decode = [&](const Tab &t) { return module->state().DecState(t, id); };
    if (readWithAttempts(m_road, m_ui, QStringLiteral("Чтение состояния. Ждите... попытка № "), id, Q_State, kAttempts,
                         decode, reply)
        != ReadOutcome::Accepted)
        return r;
    r.ok = true;
    r.reply = reply;
    r.values = module->state().SLfromState(system);
    m_ui.statusOk(QStringLiteral("Cостояние прочитано успешно")); // the first letter is a Latin C, kept letter for letter
    m_session.stateRead = true;

    r.dump = DumpLines::stateDump(r.values, reply);
    if (m_ui.memoVisible())
        m_ui.memoAppend(r.dump.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    const QString folder = m_dumpFolder.isEmpty() ? traceFolder() : m_dumpFolder;
    writeLines(folder + QStringLiteral("/байты состояния"), r.dump, &r.dumpError);
    return r;
}

} // namespace pim
