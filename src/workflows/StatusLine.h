#pragma once
// The status line of the main window as a model: the texts and colours of
// the status labels, the lamp, and the clock. Every workflow and link reports
// through its four status kinds; the window only paints what it holds.

#include "links/StatusSink.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>

class QTimer;

namespace pim {

class Waiter;

class StatusLine : public QObject, public StatusSink {
    Q_OBJECT
public:
    enum class LampColour { Green, Yellow, Red };
    enum class LampState { Off, On, Flashing, SingleFlash };
    static constexpr int kFlashMs = 200;
    static constexpr int kClockMs = 1000;

    struct Label {
        QString text;
        quint32 colour = clBlack;
    };

    explicit StatusLine(QObject *parent = nullptr);
    ~StatusLine() override;

    // The waiter of StatusBusy's 1 ms pause (the program's when not set).
    void setWaiter(Waiter *w) { m_waiter = w; }

    // ---- status kinds
    void StatusBusy(StatusLabel label, const QString &message) override;
    void StatusOk(StatusLabel label, const QString &message) override;
    void StatusFail(StatusLabel label, const QString &message) override;
    void StatusText(StatusLabel label, const QString &message, quint32 colour) override;
    void setLabelText(StatusLabel label, const QString &text) override;
    quint32 labelColour(StatusLabel label) const override { return m_labels[idx(label)].colour; }
    // On the main label LuState.
    void StatusBusy(const QString &m) { StatusBusy(StatusLabel::LuState, m); }
    void StatusOk(const QString &m) { StatusOk(StatusLabel::LuState, m); }
    void StatusFail(const QString &m) { StatusFail(StatusLabel::LuState, m); }

    Label label(StatusLabel l) const { return m_labels[idx(l)]; }
    QString text(StatusLabel l = StatusLabel::LuState) const { return m_labels[idx(l)].text; }
    static QString labelName(StatusLabel l);

    // The text a busy or ok status shows: with the device prefix
    // "%s № %d: %S" while the current type is 128..239.
    static QString withDevicePrefix(const QString &message);

    // ---- lamp "Lblink"
    LampColour lampColour() const { return m_lampColour; }
    LampState lampState() const { return m_lampState; }
    bool lampLit() const { return m_lampLit; }
    // Flash mode: on = continuous flashing after every status change, off =
    // a single flash. On at start.
    bool flashMode() const { return m_flashMode; }
    // The lamp click.
    void toggleFlashMode();
    // One 200 ms flash step (the lamp's timer runs it while it flashes).
    void lampTick();
    static quint32 lampRgb(LampColour c); // 0x00BBGGRR

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
    void set(StatusLabel l, const QString &text, quint32 colour);
    void flash();
    void setLamp(LampState s, bool lit);

    std::array<Label, 5> m_labels;
    Waiter *m_waiter = nullptr;
    LampColour m_lampColour = LampColour::Green;
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
