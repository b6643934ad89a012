// pimctl: reads a calculator from the command line: identity, state,
// configuration and archives, archive files, and offline decoding of
// replies. Progress goes to stderr; results to stdout as Russian text or
// JSON. Exit status: 0 done, 1 the device or the link failed, 2 usage.

#include "CtlRunner.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    pimctl::CtlRunner runner;
    return runner.run(args);
}
