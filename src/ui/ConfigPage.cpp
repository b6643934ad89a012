#include "ui/ConfigPage.h"

#include "devices/DeviceSession.h"
#include "links/StatusSink.h"
#include "ui/CommandMap.h"
#include "ui/PageKit.h"

#include <QAction>
#include <QMenu>
#include <QVBoxLayout>

namespace pim::ui {

ConfigPage::ConfigPage(CommandMap &commands, StatusSink &status, const DeviceSession &session, QWidget *parent)
    : QWidget(parent), m_commands(commands), m_status(status), m_session(session)
{
    setObjectName(QStringLiteral("TSwr"));
    auto *ppar = new QWidget(this);
    ppar->setObjectName(QStringLiteral("Ppar"));
    m_pms = kit::attachMenu(commands, ppar, QStringLiteral("PMs"));
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(ppar, 1);
}

void ConfigPage::pageShown()
{
    const bool read = m_session.configRead;
    for (const char *name : {"ASetPar", "ASaveDateTime"})
        if (QAction *a = m_commands.action(QString::fromUtf8(name)))
            a->setEnabled(read);
    setEnabled(read);
    if (!read) {
        m_status.statusBusy(QStringLiteral("страница недоступна, пока конфигурация не прочитана"));
        return;
    }
    // The per-type controls come with the configuration workflow.
}

} // namespace pim::ui
