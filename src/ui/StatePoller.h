#pragma once
// The polling timer "Tst" of the state page: the period ("SEfire", in
// seconds) runs from the end of one state reading to the start of the
// next, so readings never overlap however slow the device is; a failed
// reading leaves polling stopped until the operator starts it again.

#include <QObject>

#include <functional>

class QCheckBox;
class QSpinBox;
class QTimer;

namespace pim::ui {

class Events;

class StatePoller : public QObject {
    Q_OBJECT
public:
    // `stateOn`: the state command is switched on.
    StatePoller(Events &events, QCheckBox *fire, QSpinBox *period, std::function<bool()> stateOn,
                QObject *parent = nullptr);

    QTimer *timer() const { return m_timer; }
    // A state reading begins: no tick while it runs.
    void readingStarted();
    // It ended: the next one follows a period later when polling is on and
    // this one succeeded.
    void readingEnded(bool ok);
    // A tick that could not run its reading (another command holds the
    // link): the next period tries again.
    void retry();
    void stop();

signals:
    // The period is over with the state command on: read the state.
    void tick();

private:
    void arm();

    Events &m_events;
    QCheckBox *m_fire;
    QSpinBox *m_period;
    std::function<bool()> m_stateOn;
    QTimer *m_timer;
};

} // namespace pim::ui
