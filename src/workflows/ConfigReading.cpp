#include "workflows/ConfigReading.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"
#include "workflows/DumpLines.h"
#include "workflows/IdentityCheck.h"
#include "workflows/ReadAttempts.h"
#include "workflows/WorkflowUi.h"

#include <QDir>

namespace pim {

ConfigReading::ConfigReading(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session)
    : m_road(road), m_ui(ui), m_session(session)
{
}

ConfigReading::Result ConfigReading::read()
{
    Result r;
    RoadCommand command(m_road);
    if (!command) {
        m_ui.statusFail(m_road.busyText());
        return r;
    }
    if (!IdentityCheck::ensure(m_road, m_session))
        return r;
    const TypeInfo *info = typeInfo(m_session.type());
    DeviceModule *module = m_session.module();
    if (!info || !module) {
        m_ui.message(QStringLiteral("TFpim.AreadParamExecute: Неправильный тип прибора"));
        return r;
    }
    Tab reply;
    const Identity id = m_session.identity();
    const auto decode = [&](const Tab &t) { return module->param().DecParam(t, id); };
    if (readWithAttempts(m_road, m_ui, QStringLiteral("Чтение конфигурации. Ждите... попытка № "), id,
                         info->configCommand(), kAttempts, decode, reply)
        != ReadOutcome::Accepted)
        return r;
    m_session.configRead = true;
    r.ok = true;
    r.reply = reply;
    const int systems = qMax(1, info->systems);
    QStringList values;
    for (int s = 0; s < systems; ++s) {
        r.systems << module->param().SLfromParam(s);
        values += r.systems.last();
    }
    r.dump = DumpLines::configDump(values, reply);
    const QString folder = m_dumpFolder.isEmpty() ? traceFolder() : m_dumpFolder;
    writeLines(folder + QStringLiteral("/конфигурация.txt"), r.dump);
    if (m_ui.memoVisible())
        m_ui.memoAppend(r.dump.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    m_ui.statusOk(QStringLiteral("Конфигурация успешно прочитана"));
    return r;
}

int ConfigReading::holdsWritten(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session, const Tab &request,
                                int attempts)
{
    const Identity id = session.identity();
    const TypeInfo *info = typeInfo(id.type);
    DeviceModule *module = session.module();
    if (!info || !module || request.size() < 7)
        return -1;
    const int code = info->configCommand();
    const int length = id.type == 128 ? info->stateLength : info->paramLength;
    for (int n = 1; n <= attempts; ++n) {
        ui.statusBusy(QStringLiteral("Проверка записанной конфигурации. Ждите... попытка № ") + QString::number(n));
        Tab reply = SQ(id, code);
        if (!road.exchange(reply))
            return -1;
        if (!TestAnswer(reply, length, code, id).isEmpty())
            continue; // damaged again: asked again
        // The pulse counter echoes its configuration in its state; the
        // others read back exactly the data bytes the write carried.
        if (id.type == 128)
            return module->param().writeAccepted(reply) ? 0 : 1;
        if (reply.size() != request.size())
            return 1;
        for (int k = 5; k < request.size() - 1; ++k)
            if (reply.at(k) != request.at(k))
                return 1;
        return 0;
    }
    return -1;
}

QList<QStringList> ConfigReading::gridCells(const ParamCodec &codec)
{
    QList<QStringList> cells = codec.gridHeader();
    const QList<int> columns = codec.gridColumns();
    for (int s = 0; s < 2; ++s) {
        const QStringList values = codec.SLfromParam(codec.recordSystems() > 1 ? s : 0);
        QStringList row;
        for (int c : columns)
            row << values.value(c);
        cells << row;
    }
    return cells;
}

} // namespace pim
