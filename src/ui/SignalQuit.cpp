#include "ui/SignalQuit.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace pim::ui {

namespace {
int g_fd[2] = {-1, -1};
QPointer<QObject> g_context;
std::function<void()> g_step;

void onSignal(int)
{
    // Only async-signal-safe work here: the loop reads the byte.
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_fd[0], &c, 1);
}
} // namespace

bool quitOnTermination(QCoreApplication &app)
{
    if (g_fd[0] >= 0)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fd) != 0)
        return false;
    auto *notifier = new QSocketNotifier(g_fd[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char c = 0;
        [[maybe_unused]] const auto n = ::read(g_fd[1], &c, 1);
        if (g_context && g_step)
            g_step();
        QCoreApplication::quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    return true;
}

void beforeTerminationQuit(QObject *context, std::function<void()> step)
{
    g_context = context;
    g_step = context ? std::move(step) : std::function<void()>();
}

} // namespace pim::ui
