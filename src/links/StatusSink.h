#pragma once
// The one status line, as the links and workflows see it: a status is a
// kind and a text written to a named label. What a kind looks like (text
// colour, lamp colour) is the window's business; the model that holds the
// texts, kinds and the lamp is workflows/StatusLine; links only report.

#include <QString>

namespace pim {

// The labels a status may be written to: the main status text and the state
// labels of the port, modem, network and service pages.
enum class StatusLabel { LuState, LPState, LMstate, LNstate, LDstate };

// What a status says.
enum class StatusKind {
    None,     // nothing reported yet: the label's design text
    Busy,     // work under way (with the device prefix); the lamp turns busy and flashes again
    Ok,       // success (with the device prefix); the lamp turns ok and flashes again
    Fail,     // failure (the bare message); the lamp turns failed and flashes again
    Progress, // a long job's running or empty-handed text, bare; the lamp turns busy, its flashing stays
    Done,     // a long job's result, bare; the lamp turns ok, its flashing stays
};

class StatusSink {
public:
    virtual ~StatusSink() = default;

    // Writes `message` to `label` as `kind`.
    virtual void report(StatusLabel label, StatusKind kind, const QString &message) = 0;
    // Sets the label's text alone: its kind and the lamp stay as they are.
    virtual void setLabelText(StatusLabel label, const QString &text) = 0;

    void StatusBusy(StatusLabel label, const QString &message) { report(label, StatusKind::Busy, message); }
    void StatusOk(StatusLabel label, const QString &message) { report(label, StatusKind::Ok, message); }
    void StatusFail(StatusLabel label, const QString &message) { report(label, StatusKind::Fail, message); }

    // On the main label LuState.
    void statusBusy(const QString &message) { report(StatusLabel::LuState, StatusKind::Busy, message); }
    void statusOk(const QString &message) { report(StatusLabel::LuState, StatusKind::Ok, message); }
    void statusFail(const QString &message) { report(StatusLabel::LuState, StatusKind::Fail, message); }
    void statusText(StatusKind kind, const QString &message) { report(StatusLabel::LuState, kind, message); }
};

} // namespace pim
