#pragma once
// How a workflow reaches the device: one exchange at a time through the
// exchange engine, the identity command when the identity is unknown, and
// the pauses that keep the window responsive. The program's road goes
// through the links layer (LinkRoad); tests may give their own.

#include "protocol/Tab.h"

#include <QString>
#include <QtGlobal>

namespace pim {

class Waiter;

class DeviceRoad {
public:
    virtual ~DeviceRoad() = default;
    // The request in `io`; on success `io` holds the reply. On failure `io`
    // is left as it was.
    virtual bool exchange(Tab &io) = 0;
    // Runs the identity command (it shows its own status).
    virtual void identify() = 0;
    // Imitation mode is on.
    virtual bool imitation() const { return false; }
    // The wait of the program (pauses, timing of the estimates).
    virtual Waiter &waiter() = 0;

    // Before a calibration request: one 0 byte, 200 ms, both buffers
    // purged (a serial line only).
    virtual void wakeLine() {}
    // The reply time-out of the line in ms (0: the road has none to set).
    virtual int replyTimeout() const { return 0; }
    virtual void setReplyTimeout(int ms) { Q_UNUSED(ms); }

    // One device command at a time: a command holds the road for its whole
    // sequence; false (with busyText) while another one holds it.
    virtual bool beginCommand() { return true; }
    virtual void endCommand() {}
    virtual QString busyText() const { return QString(); }
};

// Holds the road for one device command.
class RoadCommand {
public:
    explicit RoadCommand(DeviceRoad &r) : m_r(r), m_ok(r.beginCommand()) {}
    ~RoadCommand()
    {
        if (m_ok)
            m_r.endCommand();
    }
    RoadCommand(const RoadCommand &) = delete;
    RoadCommand &operator=(const RoadCommand &) = delete;
    explicit operator bool() const { return m_ok; }

private:
    DeviceRoad &m_r;
    bool m_ok;
};

} // namespace pim
