// pimctl: reads a calculator from the command line: identity, state,
// configuration and archives, archive files, and offline decoding of
// replies. Progress goes to stderr; results to stdout as Russian text or
// JSON. Exit status: 0 done, 1 the device or the link failed, 2 usage.

#include "CtlRunner.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstring>
#include <memory>

int main(int argc, char **argv)
{
    // A plot or a PDF report is drawn with fonts, which need the GUI side of the toolkit;
    // without a display it draws off screen. Every other command stays a
    // plain console program.
    bool drawing = false;
    for (int i = 1; i < argc; ++i)
        drawing = drawing || std::strncmp(argv[i], "--png", 5) == 0 || std::strncmp(argv[i], "--pdf", 5) == 0;
    std::unique_ptr<QCoreApplication> app;
    if (drawing) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList args = app->arguments();
    args.removeFirst();
    pimctl::CtlRunner runner;
    return runner.run(args);
}
