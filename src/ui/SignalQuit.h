#pragma once
// SIGTERM and SIGINT end the message loop the ordinary way (quit), so the
// window saves its settings exactly as when it is closed.

#include <functional>

class QCoreApplication;
class QObject;

namespace pim::ui {

// Installs the handlers once; later calls do nothing. False when the
// wake-up channel cannot be made.
bool quitOnTermination(QCoreApplication &app);

// Run on a signal before the loop is told to quit, while `context` lives:
// the work in progress (an archive read, a reply being waited for) must end
// first, or the nested waits it runs would keep the loop from returning.
// A later call replaces the earlier step.
void beforeTerminationQuit(QObject *context, std::function<void()> step);

} // namespace pim::ui
