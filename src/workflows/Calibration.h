#pragma once
// Calibration of the measuring channels: at a lower or a higher reference
// temperature, or of the pressure inputs at a reference current. The
// device measures, adjusts itself and answers with what it measured and a
// status; the texts say what it did. The page keeps the set points; this
// class sends them, checks the reply as a whole frame, and fills the four
// result texts.

#include <QString>
#include <QStringList>

#include <array>

namespace pim {

class DeviceRoad;
class DeviceSession;
class WorkflowUi;

class Calibration {
public:
    enum Kind { Lower = 0, Higher = 1, Pressure = 2 };

    // The kinds a type offers: 225 and 227 the two temperatures, the
    // two-system family all three, the pulse counter none.
    static QList<int> kinds(int type);
    // Types with two heating systems on the page (228, 229, 234, 236, 238).
    static bool twoSystems(int type);
    // The set points a kind starts with: supply and return (kind 2: mA).
    static std::array<double, 4> defaults(int kind);
    // "1 датчик 1-й системы " ... for channel 2..5.
    static QString channelName(int type, int channel);

    Calibration(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session);

    // What one pressure channel's request came to.
    struct ChannelOutcome {
        int channel = 0;      // 2..5
        bool ok = false;      // calibrated
        bool answered = false; // a sound reply came
        QString text;         // the status text of this channel
        QString measured;     // the current it measured ("%.5f"), or empty
    };

    struct Result {
        bool ran = false;
        bool ok = false;              // every channel asked was calibrated
        QString text;                 // the last status text
        std::array<QString, 4> shown; // the result fields ("норма", a value or empty)
        int requests = 0;
        QStringList memo;             // the lines of "байты калибровки.txt"
        QList<ChannelOutcome> channels; // the pressure run, one per channel asked
    };

    // The run of "калибровка". `points` are the four set-point fields
    // (supply and return of system 1, then of system 2; kind 2: the
    // currents of channels 2..5); `channel` the selected one (2..5, else
    // none) and `all` the pressure mode "ОЧЕРЕДЯМИ". The memo lines are
    // also written to `memoFile` when it is not empty (a relative name
    // below the trace folder). A pressure run over several channels
    // succeeds only when every one of them did; its last text then names
    // each channel that did not.
    Result run(int kind, const std::array<double, 4> &points, int channel, bool all, const QString &memoFile);

private:
    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
};

} // namespace pim
