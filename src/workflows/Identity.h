#pragma once
// The identity command ("номер/тип", AreadNoTuExecute): asks the device on
// the line for its type and serial number and shows them in ENo, Enok and
// Etype. The first exchange an operator makes, and the one every device
// command runs first while the identity is unknown.

#include <QString>

#include <functional>

namespace pim {

class DeviceSession;
class ExchangeEngine;
class StatusSink;

// The fields the command fills, as texts.
struct IdentityView {
    QString ENo;
    QString Enok;
    QString Etype;
    bool enoNormalColour = false; // ENo's background was reset
    int activePage = 0;           // index of the main page
    bool changeLogEnabled = false; // the change-log action
};

class IdentityCommand {
public:
    static constexpr int kImitNumber = 20560;

    // Sets the identity of `session`.
    IdentityCommand(ExchangeEngine &engine, StatusSink &status, DeviceSession &session);

    // The imitation's type: 128 at start, set by the device-group controls.
    int ImitType = 128;
    // The main window has finished start-up.
    bool eventsOn = true;
    // The chosen serial port opened at its last check (the port page's, or
    // pimctl's opening of --port): without it, or the network link, there
    // is no line to ask.
    bool portChecked = false;

    IdentityView &view() { return m_view; }
    const IdentityView &view() const { return m_view; }
    // Called after each change of the view (the window repaints the fields).
    void setOnChange(std::function<void()> f) { m_onChange = std::move(f); }

    // Runs the command. activePage: the main page shown now (the command
    // switches to the first unless it is the first or the fourth).
    // True when the identity is known afterwards.
    bool AreadNoTuExecute(int activePage);
    bool AreadNoTuExecute() { return AreadNoTuExecute(m_view.activePage); }

    // The types whose change log can be read: 229, 230, 234..239.
    static bool changeLogType(int type);
    // Etype's text: the model name, empty outside 128..239.
    static QString typeText(int type);

private:
    void changed();
    void showIdentity();

    ExchangeEngine &m_engine;
    StatusSink &m_status;
    DeviceSession &m_session;
    IdentityView m_view;
    std::function<void()> m_onChange;
};

} // namespace pim
