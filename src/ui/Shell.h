#pragma once
// What the pages of the main window share: the change-handler switch, the
// commands, the status line, the confirmation dialog, the serial port.

#include <QPointer>
#include <QString>

class QAction;
class QLabel;
class QWidget;

#include <functional>

namespace pim {
class DeviceRoad;
class ExchangeEngine;
class TCommPortDriver;
class WorkflowUi;
}

namespace pim::ui {

class CommandMap;
class ConfirmDialog;
class StatusView;

struct Shell {
    // EventsOn: while false, the handlers of operator edits return at once;
    // every bulk update by the program clears it.
    bool eventsOn = true;

    QWidget *window = nullptr;
    CommandMap *commands = nullptr;
    StatusView *status = nullptr;
    ConfirmDialog *fmd = nullptr;
    TCommPortDriver *port = nullptr;
    ExchangeEngine *engine = nullptr;
    // The way of the reading workflows to the device, and what they report
    // to (the window).
    DeviceRoad *road = nullptr;
    WorkflowUi *workflowUi = nullptr;
    // The identity command "номер/тип".
    std::function<void()> identify;
    // The type the imitation answers as (changed by the hand identity).
    int imitType = 128;
    // The change-log workflow is present (its command may be enabled).
    bool changeLogAvailable = false;
    // A port from a phone-book entry that is not in the list.
    QString portNameOverride;

    QAction *action(const QString &name) const;
    QLabel *label(const QString &name) const;
    template <class T> T *find(const QString &name) const;
};

// Holds EventsOn off for a scope and restores what it was.
class EventsOff {
public:
    explicit EventsOff(Shell &s) : m_s(s), m_was(s.eventsOn) { s.eventsOn = false; }
    ~EventsOff() { m_s.eventsOn = m_was; }
    EventsOff(const EventsOff &) = delete;
    EventsOff &operator=(const EventsOff &) = delete;

private:
    Shell &m_s;
    bool m_was;
};

} // namespace pim::ui

#include <QWidget>

template <class T> T *pim::ui::Shell::find(const QString &name) const
{
    return window ? window->findChild<T *>(name) : nullptr;
}
