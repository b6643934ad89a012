// The program pim: the main window (which creates the confirmation dialog
// after itself) and the message loop. SIGTERM and SIGINT end the loop the
// ordinary way, so the settings are written as at a closed window.

#include "base/FormatSettings.h"
#include "devices/Registry.h"
#include "ui/MainWindow.h"
#include "ui/Rehearsal.h"
#include "ui/SignalQuit.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pim"));
    pim::setFormatSettings(pim::FormatSettings::fromSystem());
    pim::registerImitationGenerators();
    pim::ui::quitOnTermination(app);

    pim::ui::MainWindow window;
    window.showMaximized();
    // Only for scripts that show the window to people (screenshots).
    pim::ui::Rehearsal::startFromEnvironment(window);
    return app.exec();
}
