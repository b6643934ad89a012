#pragma once
// EventsOn: the switch of the handlers that react to operator edits. While
// it is off they return at once; every bulk update by the program holds it
// off with an EventsOff for the length of a scope.

namespace pim::ui {

class Events {
public:
    bool on() const { return m_on; }

private:
    friend class EventsOff;
    bool m_on = true;
};

// Holds the switch off for a scope and restores what it was.
class EventsOff {
public:
    explicit EventsOff(Events &e) : m_e(e), m_was(e.m_on) { e.m_on = false; }
    ~EventsOff() { m_e.m_on = m_was; }
    EventsOff(const EventsOff &) = delete;
    EventsOff &operator=(const EventsOff &) = delete;

private:
    Events &m_e;
    bool m_was;
};

} // namespace pim::ui
