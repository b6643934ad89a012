#pragma once
// Every wait of the program goes through a Waiter: the pause between a
// request and its reply, a reply time-out, the short pause that lets a status
// text be painted. The window and the command-line tool wait by running the
// event loop (timers tick, clicks are handled, port and socket notifications
// arrive); tests wait on a fake clock that advances only when asked to.
//
// A wait ends early when wake() is called: the serial port and the UDP
// channel wake the waiter when bytes arrive, so a read never sleeps and polls.

#include <QtGlobal>

#include <QList>

#include <functional>

class QEventLoop;

namespace pim {

class Waiter {
public:
    virtual ~Waiter() = default;

    // Milliseconds on a monotonic clock.
    virtual qint64 now() const = 0;
    // Waits at most ms milliseconds; true when woken before that.
    bool wait(int ms)
    {
        if (m_interrupted)
            return true;
        ++m_depth;
        const bool woken = doWait(ms);
        --m_depth;
        return woken;
    }
    // How many waits are in progress (nested through handlers run by waits).
    int depth() const { return m_depth; }
    // Ends the waits in progress (or the next one, when none runs).
    virtual void wake() = 0;
    // Handles what is pending without waiting.
    void processPending()
    {
        ++m_depth;
        doProcessPending();
        --m_depth;
    }

    // Waits the whole time, whatever wakes it in between. `Pause` of the
    // program: events keep being handled meanwhile.
    void Pause(int ms);

    // The operator's interrupt (a signal to pimctl): the waits in progress
    // end at once, and so does every later one until clearInterrupt(). A
    // loop that waits for a deadline checks interrupted() and gives up.
    void interrupt()
    {
        m_interrupted = true;
        wake();
    }
    void clearInterrupt() { m_interrupted = false; }
    bool interrupted() const { return m_interrupted; }

protected:
    virtual bool doWait(int ms) = 0;
    virtual void doProcessPending() = 0;

private:
    int m_depth = 0;
    bool m_interrupted = false;
};

// Runs a local event loop for each wait (the window and pimctl).
class EventLoopWaiter : public Waiter {
public:
    EventLoopWaiter();
    ~EventLoopWaiter() override;
    qint64 now() const override;
    void wake() override;

protected:
    bool doWait(int ms) override;
    void doProcessPending() override;

private:
    struct Loop;
    Loop *m_innermost = nullptr;
    bool m_pendingWake = false;
};

// A clock that moves only when waited on: wait(ms) first lets pending events
// run (so a peer in the same process can answer), and when nothing woke it,
// advances the clock by ms. `onAdvance` sees every new time.
class FakeWaiter : public Waiter {
public:
    qint64 now() const override { return m_now; }
    void wake() override { m_pendingWake = true; }

    void advance(qint64 ms);
    std::function<void(qint64 now)> onAdvance;
    // Every wait asked for, in order (what a test checks the time-outs by).
    QList<int> waits;

protected:
    bool doWait(int ms) override;
    void doProcessPending() override;

private:
    qint64 m_now = 0;
    bool m_pendingWake = false;
};

// The waiter of the program (an EventLoopWaiter unless one is set).
Waiter &defaultWaiter();
void setDefaultWaiter(Waiter *w); // nullptr: back to the event-loop waiter

} // namespace pim
