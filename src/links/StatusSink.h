#pragma once
// The one status line, as the links and workflows see it: four status kinds
// written to a named label, the lamp driven by each. The model that holds the
// texts, colours and the lamp is workflows/StatusLine; links only report.

#include <QString>
#include <QtGlobal>

namespace pim {

// The labels a status may be written to: the main status text and the state
// labels of the port, modem, network and service pages.
enum class StatusLabel { LuState, LPState, LMstate, LNstate, LDstate };

// Colours as 0x00BBGGRR.
inline constexpr quint32 clOlive = 0x008080;
inline constexpr quint32 clGreen = 0x008000;
inline constexpr quint32 clRed = 0x0000FF;
inline constexpr quint32 clBlack = 0x000000;

class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void StatusBusy(StatusLabel label, const QString &message) = 0;
    virtual void StatusOk(StatusLabel label, const QString &message) = 0;
    virtual void StatusFail(StatusLabel label, const QString &message) = 0;
    virtual void StatusText(StatusLabel label, const QString &message, quint32 colour) = 0;
    // Sets the label's text alone: colour and lamp stay as they are.
    virtual void setLabelText(StatusLabel label, const QString &text) = 0;
    // The colour the label shows now.
    virtual quint32 labelColour(StatusLabel label) const = 0;
};

} // namespace pim
