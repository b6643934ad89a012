#include "support/PimSim.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace pimtest {

namespace {
// Only a process that never starts or never ends reaches these; a healthy
// run is far inside them on the slowest machine, so they decide nothing.
constexpr int kStartMs = 30000;
constexpr int kRunMs = 120000;
} // namespace

QString binDir()
{
    const QString env = qEnvironmentVariable("PIM_BIN_DIR");
    if (!env.isEmpty())
        return env;
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

PimSim::PimSim() : m_proc(std::make_unique<QProcess>()) {}

PimSim::~PimSim()
{
    stop();
}

QString PimSim::binary()
{
    return QDir(binDir()).filePath(QStringLiteral("pimsim"));
}

bool PimSim::start(int type, int number, const QStringList &extra)
{
    return start(QStringList{QStringLiteral("--type"), QString::number(type), QStringLiteral("--number"),
                             QString::number(number)}
                 + extra);
}

bool PimSim::start(const QStringList &args)
{
    stop();
    m_first.clear();
    m_error.clear();
    m_udpPort = 0;
    const QString bin = binary();
    if (!QFileInfo(bin).isExecutable()) {
        m_error = QStringLiteral("pimsim is missing: ") + bin;
        return false;
    }
    m_proc->setProcessChannelMode(QProcess::SeparateChannels);
    m_proc->start(bin, args);
    if (!m_proc->waitForStarted(kStartMs)) {
        m_error = QStringLiteral("pimsim did not start: ") + m_proc->errorString();
        return false;
    }
    while (!m_proc->canReadLine()) {
        if (!m_proc->waitForReadyRead(kStartMs))
            break;
    }
    if (!m_proc->canReadLine()) {
        m_error = QStringLiteral("pimsim printed no port; stderr: ")
            + QString::fromLocal8Bit(m_proc->readAllStandardError());
        stop();
        return false;
    }
    m_first = QString::fromLocal8Bit(m_proc->readLine()).trimmed();
    const QString udpPrefix = QStringLiteral("udp 127.0.0.1:");
    if (m_first.startsWith(udpPrefix)) {
        m_udpPort = quint16(m_first.mid(udpPrefix.size()).toUInt());
        if (m_udpPort == 0)
            m_error = QStringLiteral("pimsim named no UDP port: ") + m_first;
        return m_udpPort != 0;
    }
    if (!m_first.startsWith(QLatin1Char('/'))) {
        m_error = QStringLiteral("pimsim named no port: ") + m_first;
        return false;
    }
    return true;
}

void PimSim::stop()
{
    if (m_proc->state() == QProcess::NotRunning)
        return;
    m_proc->terminate();
    if (!m_proc->waitForFinished(kStartMs)) {
        m_proc->kill();
        m_proc->waitForFinished(kStartMs);
    }
}

QString PimSim::port() const
{
    return udp() ? QStringLiteral("127.0.0.1:%1").arg(m_udpPort) : m_first;
}

namespace {
CtlRun run(const QString &program, const QStringList &args, const QString &dir)
{
    CtlRun r;
    QProcess p;
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForStarted(kStartMs) || !p.waitForFinished(kRunMs)) {
        p.kill();
        p.waitForFinished(kStartMs);
        r.err = program + QStringLiteral(" did not finish: ") + p.errorString();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString pimctlBinary(CtlRun &r)
{
    const QString bin = QDir(binDir()).filePath(QStringLiteral("pimctl"));
    if (!QFileInfo(bin).isExecutable()) {
        r.err = QStringLiteral("pimctl is missing: ") + bin;
        return QString();
    }
    return bin;
}
} // namespace

// The folder of the run for pimctl's trace and dump files, which would
// otherwise go below the build's data folder.
QStringList traceIn(const QString &dir, const QStringList &args)
{
    return QStringList{QStringLiteral("--trace"), dir.isEmpty() ? QDir::currentPath() : dir} + args;
}

CtlRun pimctl(const QStringList &args, const QString &dir)
{
    CtlRun r;
    const QString bin = pimctlBinary(r);
    return bin.isEmpty() ? r : run(bin, traceIn(dir, args), dir);
}

CtlRun pimctlCopy(const QString &dir, const QStringList &args)
{
    CtlRun r;
    const QString bin = pimctlBinary(r);
    if (bin.isEmpty())
        return r;
    const QString exe = QDir(dir).filePath(QStringLiteral("pimctl"));
    if (!QFile::exists(exe) && !QFile::copy(bin, exe)) {
        r.err = QStringLiteral("cannot copy pimctl into ") + dir;
        return r;
    }
    return run(exe, args, dir);
}

CtlRun pimctlAt(const QString &clock, const QStringList &args, const QString &dir)
{
    CtlRun r;
    const QString bin = pimctlBinary(r);
    if (bin.isEmpty())
        return r;
    const QString faketime = QStandardPaths::findExecutable(QStringLiteral("faketime"));
    if (faketime.isEmpty()) {
        r.err = QStringLiteral("faketime is missing (scripts/setup installs it)");
        return r;
    }
    // faketime wants the seconds: without them it runs nothing, says so on
    // stderr and exits 1, which reads like a failed device. pimsim's
    // --clock leaves them out, so either form is taken here.
    QDateTime at = QDateTime::fromString(clock, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!at.isValid())
        at = QDateTime::fromString(clock, QStringLiteral("yyyy-MM-dd hh:mm"));
    if (!at.isValid()) {
        r.err = QStringLiteral("pimctlAt: the clock \"") + clock + QStringLiteral("\" is no \"YYYY-MM-DD hh:mm[:ss]\"");
        return r;
    }
    // "@": the clock starts there and runs; timers keep the real pace.
    return run(faketime,
               QStringList{QStringLiteral("-f"), QLatin1Char('@') + at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), bin}
                   + traceIn(dir, args),
               dir);
}

} // namespace pimtest
