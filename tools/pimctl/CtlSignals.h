#pragma once
// SIGINT and SIGTERM for the whole run of pimctl. The handler only notes
// the signal and writes a byte into a pipe; the event loop that runs every
// wait of the workflows (identity, state, configuration, archive) sees the
// pipe and calls onSignal there, where the exchange in progress can be
// ended and the reader told to stop.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace pimctl {

class CtlSignals {
public:
    CtlSignals();
    ~CtlSignals();
    CtlSignals(const CtlSignals &) = delete;
    CtlSignals &operator=(const CtlSignals &) = delete;

    // Run inside the event loop for every signal that came.
    std::function<void(int signal)> onSignal;
    // The first signal that came (0: none), also when no wait has run since.
    static int received();
    // The exit status of a run ended by that signal: 128 + its number.
    static int exitCode() { return 128 + received(); }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace pimctl
