#include "CtlSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace pimctl {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_first = 0;

extern "C" void onStopSignal(int sig)
{
    if (g_first == 0)
        g_first = sig;
    const unsigned char b = static_cast<unsigned char>(sig);
    if (g_pipe[1] >= 0)
        (void)!::write(g_pipe[1], &b, 1);
}

} // namespace

CtlSignals::CtlSignals()
{
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    if (g_pipe[0] >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this](QSocketDescriptor fd) {
            unsigned char b;
            while (::read(int(fd), &b, 1) == 1)
                if (onSignal)
                    onSignal(b);
        });
    }
    struct sigaction sa = {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

CtlSignals::~CtlSignals()
{
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    m_notifier.reset();
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

int CtlSignals::received()
{
    return g_first;
}

} // namespace pimctl
