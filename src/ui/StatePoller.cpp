#include "ui/StatePoller.h"

#include "ui/Events.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QTimer>

namespace pim::ui {

StatePoller::StatePoller(Events &events, QCheckBox *fire, QSpinBox *period, std::function<bool()> stateOn,
                         QObject *parent)
    : QObject(parent), m_events(events), m_fire(fire), m_period(period), m_stateOn(std::move(stateOn)),
      m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("Tst"));
    // One shot per period: the next is armed when the reading it starts
    // has ended. A precise timer never ends a period early.
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(m_period->value() * 1000);

    connect(m_fire, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_events.on())
            return;
        if (on && m_stateOn())
            arm();
        else
            m_timer->stop();
    });
    connect(m_period, &QSpinBox::valueChanged, this, [this](int seconds) {
        if (m_events.on())
            m_timer->setInterval(seconds * 1000);
    });
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_events.on()) {
            // Held off for a moment (a bulk update): the tick comes again.
            arm();
            return;
        }
        if (!m_stateOn() || !m_fire->isChecked())
            return;
        m_timer->setInterval(m_period->value() * 1000);
        emit tick();
    });
}

void StatePoller::arm()
{
    m_timer->start(m_period->value() * 1000);
}

void StatePoller::readingStarted()
{
    m_timer->stop();
}

void StatePoller::readingEnded(bool ok)
{
    if (ok && m_fire->isChecked() && m_stateOn())
        arm();
}

void StatePoller::retry()
{
    if (m_fire->isChecked() && m_stateOn())
        arm();
}

void StatePoller::stop()
{
    m_timer->stop();
}

} // namespace pim::ui
