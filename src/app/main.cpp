// The program pim: the main window (which creates the confirmation dialog
// after itself) and the message loop. SIGTERM and SIGINT end the loop the
// ordinary way, so the settings are written as at a closed window.

#include "base/FormatSettings.h"
#include "devices/Registry.h"
#include "ui/MainWindow.h"
#include "ui/Rehearsal.h"
#include "ui/SignalQuit.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pim"));

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral("The service window for ПИМ heat-energy calculators."));
    cli.addHelpOption();
    const QCommandLineOption demo(QStringLiteral("demo"), pim::ui::Rehearsal::help(), QStringLiteral("STEPS"));
    cli.addOption(demo);
    cli.process(app);

    pim::setFormatSettings(pim::FormatSettings::fromSystem());
    pim::registerImitationGenerators();
    pim::ui::quitOnTermination(app);

    pim::ui::MainWindow window;
    window.showMaximized();
    pim::ui::Rehearsal::start(window, cli.value(demo));
    return app.exec();
}
