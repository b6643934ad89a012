#pragma once
// SIGTERM and SIGINT end the message loop the ordinary way (quit), so the
// window saves its settings exactly as when it is closed.

class QCoreApplication;

namespace pim::ui {

// Installs the handlers once; later calls do nothing. False when the
// wake-up channel cannot be made.
bool quitOnTermination(QCoreApplication &app);

} // namespace pim::ui
