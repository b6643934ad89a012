#pragma once
// "КОНФИГУРАЦИЯ": the configuration panel "Ppar" of the current type with
// the type's editor, built once a configuration has been read, the row of
// maintenance buttons and the menu. Its editor sends the configuration
// grid to the state grid of the first page.

#include <QWidget>

#include <functional>

class QMenu;

namespace pim {
class DeviceSession;
class WorkflowUi;
}

namespace pim::ui {

class CommandMap;
class Events;
class ParamEditor;

class ConfigPage : public QWidget {
    Q_OBJECT
public:
    ConfigPage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session,
               QWidget *parent = nullptr);

    // The page was shown: the page, "запись конфигурации" and "Уст
    // дату/время" are enabled exactly when a configuration was read; before
    // that the status line says why the page is empty. With a configuration
    // the type's editor is built from it and the grid follows.
    void pageShown();

    QMenu *menu() const { return m_pms; }
    QWidget *panel() const { return m_panel; }
    ParamEditor *editor() const { return m_editor; }

private:
    Events &m_events;
    CommandMap &m_commands;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    QMenu *m_pms;
    QWidget *m_panel;
    ParamEditor *m_editor;
    // Off what the known type does not offer (see kit::offerByType).
    std::function<void()> m_offerButtons;
};

} // namespace pim::ui
