#include "e2e/E2eSupport.h"

#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "workflows/Identity.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

namespace e2e {

QString binDir()
{
    const QString env = qEnvironmentVariable("PIM_BIN_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : env;
}

Sim::~Sim()
{
    kill();
}

bool Sim::start(int type, int number, const QStringList &extra)
{
    m_proc = std::make_unique<QProcess>();
    m_proc->setProcessChannelMode(QProcess::SeparateChannels);
    QStringList args = {QStringLiteral("--type"), QString::number(type), QStringLiteral("--number"),
                        QString::number(number)};
    args += extra;
    m_udp = extra.contains(QStringLiteral("--udp"));
    m_proc->start(binDir() + QStringLiteral("/pimsim"), args);
    if (!m_proc->waitForStarted(5000)) {
        m_error = QStringLiteral("pimsim did not start: ") + m_proc->errorString();
        return false;
    }
    // The first line names the port.
    QByteArray line;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(m_proc.get(), &QProcess::readyReadStandardOutput, &loop, [&] {
        if (m_proc->canReadLine())
            loop.quit();
    });
    QObject::connect(m_proc.get(), &QProcess::finished, &loop, &QEventLoop::quit);
    limit.start(5000);
    if (!m_proc->canReadLine())
        loop.exec();
    line = m_proc->readLine().trimmed();
    if (line.isEmpty()) {
        m_error = QStringLiteral("pimsim printed no port: ") + QString::fromUtf8(m_proc->readAllStandardError());
        return false;
    }
    m_port = QString::fromUtf8(line);
    if (m_udp && m_port.startsWith(QLatin1String("udp ")))
        m_port = m_port.mid(4);
    return true;
}

void Sim::kill()
{
    if (m_proc && m_proc->state() != QProcess::NotRunning) {
        m_proc->terminate();
        if (!m_proc->waitForFinished(3000)) {
            m_proc->kill();
            m_proc->waitForFinished(3000);
        }
    }
}

Bench::Bench(const Sim &sim, int timeoutMs)
{
    pim::registerImitationGenerators();
    pim::ResetIdentity();
    engine.port().setInputTimeout(quint32(timeoutMs));
    if (sim.udp()) {
        const int colon = int(sim.port().lastIndexOf(QLatin1Char(':')));
        engine.setNetworkActive(true);
        engine.setNetworkAddress(sim.port().left(colon), sim.port().mid(colon + 1).toInt());
    } else {
        engine.port().setPortName(sim.port());
        engine.port().setBaudRate(pim::brCustom);
        engine.port().setBaudRateValue(9600);
        portChecked = engine.port().OpenPort();
    }
    road = std::make_unique<pim::LinkRoad>(engine, [this] {
        pim::IdentityCommand cmd(engine, status);
        cmd.portChecked = portChecked;
        cmd.AreadNoTuExecute(0);
    });
}

bool Bench::identify()
{
    pim::ResetIdentity();
    road->identify();
    return pim::CurrentType() >= 0 && pim::CurrentNumber() >= 0;
}

CtlRun pimctl(const QStringList &args, int timeoutMs, const QString &dir)
{
    CtlRun r;
    QProcess p;
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(binDir() + QStringLiteral("/pimctl"), args);
    if (!p.waitForStarted(5000) || !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(3000);
        r.err = QStringLiteral("pimctl did not finish");
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace e2e
