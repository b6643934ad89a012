#pragma once
// The one way tests start the simulator and the command-line tool: the
// executables of the build's bin folder, pimsim in a child process that
// names its port on the first line, pimctl run to its end. A missing
// executable is a failure with a reason, never a skipped test.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace pimtest {

// The build's bin folder: $PIM_BIN_DIR (the test environment sets it), else
// the folder of the running test, where every executable of a build lands.
QString binDir();

class PimSim {
public:
    PimSim();
    ~PimSim();
    PimSim(const PimSim &) = delete;
    PimSim &operator=(const PimSim &) = delete;

    // Starts pimsim with `args` and reads its first line; false, with
    // error() saying why, when it is missing, exits or names no port.
    bool start(const QStringList &args);
    // `pimsim --type T --number N extra...`
    bool start(int type, int number, const QStringList &extra = {});
    // SIGTERM and wait for the end (SIGKILL if it does not go).
    void stop();

    QString firstLine() const { return m_first; }
    bool udp() const { return m_udpPort != 0; }
    // The pseudo-terminal path; empty in UDP mode.
    QString ptyPath() const { return udp() ? QString() : m_first; }
    quint16 udpPort() const { return m_udpPort; }
    // What pimctl's --port or --udp takes: the path, or "127.0.0.1:PORT".
    QString port() const;
    QString error() const { return m_error; }
    QProcess &process() { return *m_proc; }

    static QString binary();

private:
    std::unique_ptr<QProcess> m_proc;
    QString m_first;
    QString m_error;
    quint16 m_udpPort = 0;
};

// One pimctl run: exit code (-1 when it crashed or did not end), stdout and
// stderr.
struct CtlRun {
    int code = -1;
    QByteArray out;
    QString err;
};
// Runs pimctl with `args` in `dir` (the test's own folder when empty),
// where its dump and trace files land (--trace names it).
CtlRun pimctl(const QStringList &args, const QString &dir = QString());
// The same with the computer's clock starting at `clock` ("YYYY-MM-DD
// hh:mm[:ss]", the form pimsim's --clock takes too) for pimctl alone, through faketime: the archive read plans its
// requests and clamps its range by the computer's date, so an output that
// must not depend on the day it is made needs a fixed one.
CtlRun pimctlAt(const QString &clock, const QStringList &args, const QString &dir = QString());
// pimctl copied into `dir` and run there: its program folder, where it
// looks for its data (the modem page's phone book, say), is then the test's.
CtlRun pimctlCopy(const QString &dir, const QStringList &args);

} // namespace pimtest
