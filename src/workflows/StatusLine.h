#pragma once
// The status line of the main window as a model: the texts and kinds of
// the status labels, the lamp, and the clock. Every workflow and link reports
// through its status kinds; the window only paints what it holds, in the
// colours it chooses.

#include "links/StatusSink.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>

class QTimer;

namespace pim {

class DeviceSession;
class Waiter;
struct Identity;

class StatusLine : public QObject, public StatusSink {
    Q_OBJECT
public:
    enum class LampState { Off, On, Flashing, SingleFlash };
    static constexpr int kFlashMs = 200;
    static constexpr int kClockMs = 1000;

    struct Label {
        QString text;
        StatusKind kind = StatusKind::None;
    };

    explicit StatusLine(QObject *parent = nullptr);
    ~StatusLine() override;

    // The waiter of StatusBusy's 1 ms pause (the program's when not set).
    void setWaiter(Waiter *w) { m_waiter = w; }
    // The session whose identity prefixes the busy and ok texts (none: no prefix).
    void setSession(const DeviceSession *s) { m_session = s; }

    // ---- status kinds
    // Busy, Ok and Fail set the lamp's kind and flash it as the flash mode
    // says (Busy first switches it off, then pauses 1 ms so that the text is
    // painted before the work begins); Progress and Done set the lamp's kind
    // alone. Busy and Ok carry the device prefix.
    void report(StatusLabel label, StatusKind kind, const QString &message) override;
    void setLabelText(StatusLabel label, const QString &text) override;

    Label label(StatusLabel l) const { return m_labels[idx(l)]; }
    QString text(StatusLabel l = StatusLabel::LuState) const { return m_labels[idx(l)].text; }
    static QString labelName(StatusLabel l);

    // The text a busy or ok status shows: with the device prefix
    // "%s № %d: %S" while the device's type is 128..239.
    static QString withDevicePrefix(const Identity &id, const QString &message);

    // ---- lamp "Lblink": shows the kind of the last report (busy, ok or fail)
    StatusKind lampKind() const { return m_lampKind; }
    LampState lampState() const { return m_lampState; }
    bool lampLit() const { return m_lampLit; }
    // Flash mode: on = continuous flashing after every status change, off =
    // a single flash. On at start.
    bool flashMode() const { return m_flashMode; }
    // The lamp click.
    void toggleFlashMode();
    // One 200 ms flash step (the lamp's timer runs it while it flashes).
    void lampTick();

    // ---- clock "LDT" and seconds bar "Gsec"
    void clockTick(const QDateTime &now);
    void clockTick() { clockTick(QDateTime::currentDateTime()); }
    QString LDT() const { return m_ldt; }
    int Gsec() const { return m_gsec; }
    // "dd mmmm yyyy  hh:nn" on odd seconds since midnight, a blank for the
    // colon on even ones.
    static QString clockText(const QDateTime &now);
    // Starts the 1000 ms clock timer (the window does, for the whole run).
    void startClock();

signals:
    void labelChanged(pim::StatusLabel label);
    void lampChanged();
    void clockChanged();

private:
    static int idx(StatusLabel l) { return qBound(0, int(l), 4); }
    void set(StatusLabel l, const QString &text, StatusKind kind);
    void flash();
    void setLamp(LampState s, bool lit);

    std::array<Label, 5> m_labels;
    const DeviceSession *m_session = nullptr;
    Waiter *m_waiter = nullptr;
    StatusKind m_lampKind = StatusKind::Ok;
    LampState m_lampState = LampState::Off;
    bool m_lampLit = false;
    bool m_flashMode = true;
    int m_singleFlashStep = 0;
    QString m_ldt;
    int m_gsec = 0;
    QTimer *m_flashTimer;
    QTimer *m_clockTimer;
};

} // namespace pim
