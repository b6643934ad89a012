#pragma once
// "КОНФИГУРАЦИЯ": the configuration panel "Ppar" of the current type,
// built from the module's form model once a configuration has been read,
// with its menu. Every edit goes back into the form and through the
// module's check; the window only mirrors the form.

#include <QWidget>

class QMenu;
class QVBoxLayout;

namespace pim {
class DeviceSession;
class ParamCodec;
class StatusSink;
}

namespace pim::ui {

class CommandMap;
class Events;

class ConfigPage : public QWidget {
    Q_OBJECT
public:
    ConfigPage(Events &events, CommandMap &commands, StatusSink &status, DeviceSession &session,
               QWidget *parent = nullptr);

    // The page was shown: the page, "запись конфигурации" and "Уст
    // дату/время" are enabled exactly when a configuration was read; before
    // that the status line says why the page is empty. With a configuration
    // the type's controls are built from it.
    void pageShown();
    // The controls again from the form (after a check or a system choice).
    void render();

    QMenu *menu() const { return m_pms; }
    QWidget *panel() const { return m_panel; }

private:
    ParamCodec *codec() const;
    void edited(const QString &name);

    Events &m_events;
    CommandMap &m_commands;
    StatusSink &m_status;
    DeviceSession &m_session;
    QMenu *m_pms;
    QWidget *m_panel;
    QWidget *m_fields = nullptr;
    bool m_lastGreen = false;
};

} // namespace pim::ui
