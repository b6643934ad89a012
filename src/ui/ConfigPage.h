#pragma once
// "КОНФИГУРАЦИЯ": the configuration panel "Ppar", built per type once a
// configuration has been read (that workflow comes later), with its menu.

#include <QWidget>

class QMenu;

namespace pim {
class DeviceSession;
class StatusSink;
}

namespace pim::ui {

class CommandMap;

class ConfigPage : public QWidget {
    Q_OBJECT
public:
    ConfigPage(CommandMap &commands, StatusSink &status, const DeviceSession &session, QWidget *parent = nullptr);

    // The page was shown: the page, "запись конфигурации" and "Уст
    // дату/время" are enabled exactly when a configuration was read; before
    // that the status line says why the page is empty.
    void pageShown();

    QMenu *menu() const { return m_pms; }

private:
    CommandMap &m_commands;
    StatusSink &m_status;
    const DeviceSession &m_session;
    QMenu *m_pms;
};

} // namespace pim::ui
