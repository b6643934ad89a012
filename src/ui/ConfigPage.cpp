#include "ui/ConfigPage.h"

#include "devices/DeviceSession.h"
#include "ui/CommandMap.h"
#include "ui/Events.h"
#include "ui/PageKit.h"
#include "ui/ParamEditor.h"
#include "workflows/WorkflowUi.h"

#include <QAction>
#include <QGridLayout>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace pim::ui {

ConfigPage::ConfigPage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session,
                       QWidget *parent)
    : QWidget(parent), m_events(events), m_commands(commands), m_ui(ui), m_session(session)
{
    setObjectName(QStringLiteral("TSwr"));
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Ppar"));
    m_pms = kit::attachMenu(commands, m_panel, QStringLiteral("PMs"));
    auto *panelLayout = new QVBoxLayout(m_panel);
    m_editor = new ParamEditor(events, ui, session, m_panel);
    panelLayout->addWidget(m_editor);

    // The maintenance row: the defaults first, then the commands that
    // change the device; the clock under "стереть архивы".
    auto *row = new QGridLayout;
    auto *def = kit::button("BuDefaultS", "Конфигурация по умолчанию", "", m_panel);
    row->addWidget(def, 0, 0);
    const std::pair<const char *, const char *> buttons[] = {
        {"BuSetParS", "ASetPar"},      {"BuCalS", "Acal"},      {"BuWorkTimeS", "AsetWorkTime"},
        {"BuInitS", "ASetDevice"},     {"BuClrArhS", "ASetArh"},
    };
    int column = 1;
    for (const auto &[name, action] : buttons)
        row->addWidget(kit::commandButton(commands, name, action, m_panel), 0, column++);
    row->addWidget(kit::commandButton(commands, "BuDateTimeS", "ASaveDateTime", m_panel), 1, column - 1);
    m_offerButtons = kit::offerByType(commands, m_panel, session, "BuCalS", "BuClrArhS");
    row->setColumnStretch(column, 1);
    panelLayout->addLayout(row);
    panelLayout->addStretch();

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_panel, 1);

    connect(def, &QPushButton::clicked, m_editor, &ParamEditor::loadDefaults);
}

void ConfigPage::pageShown()
{
    const bool read = m_session.configRead;
    for (const char *name : {"ASetPar", "ASaveDateTime"})
        if (QAction *a = m_commands.action(QString::fromUtf8(name)))
            a->setEnabled(read);
    setEnabled(read);
    m_offerButtons();
    if (!read) {
        m_ui.statusBusy(QStringLiteral("страница недоступна, пока конфигурация не прочитана"));
        return;
    }
    m_panel->setVisible(m_session.number() > 0);
    if (!m_events.on() || m_session.number() < 0)
        return;
    if (!m_editor->build()) {
        m_ui.statusFail(QStringLiteral("TFpim.TSwrShow: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return;
    }
    m_editor->showGrid();
}

} // namespace pim::ui
