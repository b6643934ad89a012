// write-config: the configuration page's edit, check and write, scripted.

#include "CtlRunner.h"

#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "workflows/ConfigEdits.h"
#include "workflows/ConfigReading.h"
#include "workflows/LinkRoad.h"
#include "workflows/Maintenance.h"

#include <QJsonObject>

#include <unistd.h>

namespace pimctl {

using namespace pim;

int CtlRunner::cmdWriteConfig()
{
    QList<ConfigEdits::Edit> edits;
    for (const std::string &item : m_sets) {
        ConfigEdits::Edit e;
        if (!ConfigEdits::parse(QString::fromStdString(item), e))
            return usage(QStringLiteral("--set takes LABEL=VALUE: ") + QString::fromStdString(item));
        edits << e;
    }
    if (edits.isEmpty() && !m_defaults)
        return usage(QStringLiteral("write-config needs --set LABEL=VALUE or --default"));
    // Nobody to ask and no --yes: nothing may be sent.
    if (!m_yes && !::isatty(STDIN_FILENO))
        return usage(QStringLiteral("write-config changes the device: answer on a terminal or give --yes"));
    if (const int rc = openLink(); rc >= 0)
        return rc;
    if (!identityKnown())
        return linkFailure();
    const int type = m_session.type();
    if (!m_session.module())
        return usage(ModelName(type) + QStringLiteral(": НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
    // The one-system types of a two-system module (230, 235, 237, 239)
    // carry a second half in their record, but the device has no system 2.
    if (const TypeInfo *info = typeInfo(type);
        m_system == 2 && (m_session.module()->param().recordSystems() < 2 || !info || info->systems < 2))
        return usage(ModelName(type) + QStringLiteral(" has one heating system: --system 1"));
    // What the device holds now is the base of the edits.
    ConfigReading reading(*m_road, m_ui, m_session);
    if (!reading.read().ok)
        return linkFailure();

    QJsonObject o;
    o[QStringLiteral("command")] = QStringLiteral("write-config");
    auto failed = [&](const QString &text) {
        o[QStringLiteral("status")] = QStringLiteral("fail");
        o[QStringLiteral("text")] = text;
        if (text != m_ui.lastLine())
            m_ui.note(text);
        if (m_json)
            print(o, QString());
        return CtlSignals::received() ? interrupted() : int(Failed);
    };
    const ConfigEdits::Outcome checked = ConfigEdits::apply(m_session, m_system - 1, m_defaults, edits);
    if (checked.usage)
        return usage(checked.text);
    if (!checked.ok)
        return failed(checked.text);

    Maintenance maintenance(*m_road, m_ui, m_session, [this](const QString &q) { return confirm(q); });
    Maintenance::Result r = maintenance.writeConfig();
    if (r.asked && !r.confirmed)
        r.text = QStringLiteral("отменено: ничего не послано");
    if (r.text.isEmpty())
        r.text = m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА") : m_ui.lastFailure();
    if (!r.ok)
        return failed(r.text);
    o[QStringLiteral("status")] = QStringLiteral("ok");
    o[QStringLiteral("text")] = r.text;
    return print(o, r.text + QLatin1Char('\n')) ? Done : Failed;
}

} // namespace pimctl
