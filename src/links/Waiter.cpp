#include "links/Waiter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QTimer>

#include <chrono>
#include <thread>

namespace pim {

void Waiter::Pause(int ms)
{
    if (ms <= 0) {
        processPending();
        return;
    }
    const qint64 deadline = now() + ms;
    for (qint64 left = ms; left > 0 && !interrupted(); left = deadline - now())
        wait(int(left));
}

// ---------------------------------------------------------------- event loop

struct EventLoopWaiter::Loop {
    QEventLoop loop;
    Loop *outer = nullptr;
    bool woken = false;
};

EventLoopWaiter::EventLoopWaiter() = default;
EventLoopWaiter::~EventLoopWaiter() = default;

qint64 EventLoopWaiter::now() const
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

bool EventLoopWaiter::doWait(int ms)
{
    if (m_pendingWake) {
        m_pendingWake = false;
        return true;
    }
    if (ms <= 0) {
        doProcessPending();
        return false;
    }
    if (!QCoreApplication::instance()) {
        // No event loop to run and nothing that could wake the wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return false;
    }
    Loop l;
    l.outer = m_innermost;
    m_innermost = &l;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &l.loop, &QEventLoop::quit);
    timer.start(ms);
    l.loop.exec();
    m_innermost = l.outer;
    return l.woken;
}

void EventLoopWaiter::wake()
{
    if (!m_innermost) {
        m_pendingWake = true;
        return;
    }
    // Every wait in progress re-checks its condition: an outer read whose
    // bytes came in while an inner pause ran must not sleep on.
    for (Loop *l = m_innermost; l; l = l->outer) {
        l->woken = true;
        l->loop.quit();
    }
}

void EventLoopWaiter::doProcessPending()
{
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// ---------------------------------------------------------------- fake clock

bool FakeWaiter::doWait(int ms)
{
    waits.append(ms);
    // A peer in this process needs a few rounds: it reads the request, its
    // answer reaches our socket, our notifier fires.
    for (int round = 0; round < 4 && !m_pendingWake; ++round)
        doProcessPending();
    if (m_pendingWake) {
        m_pendingWake = false;
        return true;
    }
    advance(qMax(0, ms));
    return false;
}

void FakeWaiter::doProcessPending()
{
    if (QCoreApplication::instance()) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void FakeWaiter::advance(qint64 ms)
{
    m_now += ms;
    if (onAdvance)
        onAdvance(m_now);
}

// ---------------------------------------------------------------- default

namespace {
Waiter *g_waiter = nullptr;
}

Waiter &defaultWaiter()
{
    static EventLoopWaiter loopWaiter;
    return g_waiter ? *g_waiter : loopWaiter;
}

void setDefaultWaiter(Waiter *w)
{
    g_waiter = w;
}

} // namespace pim
