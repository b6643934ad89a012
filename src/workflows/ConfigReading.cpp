#include "workflows/ConfigReading.h"

#include "base/TextFile.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"
#include "workflows/DumpLines.h"
#include "workflows/IdentityCheck.h"
#include "workflows/WorkflowUi.h"

#include <QDir>

namespace pim {

namespace {
bool &configReadFlag()
{
    static bool flag = false;
    return flag;
}
} // namespace

bool ConfigReading::configRead()
{
    return configReadFlag();
}

void ConfigReading::resetFlags()
{
    configReadFlag() = false;
}

ConfigReading::ConfigReading(DeviceRoad &road, WorkflowUi &ui) : m_road(road), m_ui(ui) {}

ConfigReading::Result ConfigReading::read()
{
    Result r;
    RoadCommand command(m_road);
    if (!command) {
        m_ui.statusFail(m_road.busyText());
        return r;
    }
    if (!IdentityCheck::ensure(m_road))
        return r;
    const TypeInfo *info = typeInfo(CurrentType());
    DeviceModule *module = moduleFor(CurrentType());
    if (!info || !module) {
        m_ui.message(QStringLiteral("TFpim.AreadParamExecute: Неправильный тип прибора"));
        return r;
    }
    Tab reply;
    bool decoded = false;
    for (int n = 1; n <= kAttempts; ++n) {
        m_ui.statusBusy(QStringLiteral("Чтение конфигурации. Ждите... попытка № ") + QString::number(n));
        reply = SQ(info->configCommand());
        if (!m_road.exchange(reply)) {
            m_ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
            return r;
        }
        if (module->param().DecParam(reply).isEmpty()) {
            configReadFlag() = true;
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
    const int systems = qMax(1, info->systems);
    QStringList values;
    for (int s = 0; s < systems; ++s) {
        r.systems << module->param().SLfromParam(s);
        values += r.systems.last();
    }
    r.dump = DumpLines::configDump(values, reply);
    const QString folder = m_dumpFolder.isEmpty() ? QDir::currentPath() : m_dumpFolder;
    writeLines(folder + QStringLiteral("/конфигурация.txt"), r.dump);
    if (m_ui.memoVisible())
        m_ui.memoAppend(r.dump.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    m_ui.statusOk(QStringLiteral("Конфигурация успешно прочитана"));
    return r;
}

} // namespace pim
