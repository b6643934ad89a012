#include "base/SimulatorPorts.h"

#include "base/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#include <unistd.h>
#endif

namespace pim {

namespace {

bool processAlive(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0 || pid > 0x7fffffff)
        return false;
    if (::kill(pid_t(pid), 0) == 0)
        return true;
    return errno == EPERM; // alive, but someone else's
#else
    Q_UNUSED(pid);
    return false;
#endif
}

qint64 ownPid()
{
    return QCoreApplication::applicationPid();
}

} // namespace

QString simulatorPortsDir()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return QDir(QString::fromLocal8Bit(runtime)).filePath(QStringLiteral("pimsim"));
#ifdef Q_OS_UNIX
    return QStringLiteral("/tmp/pimsim-%1").arg(::getuid());
#else
    return QDir::temp().filePath(QStringLiteral("pimsim"));
#endif
}

QStringList publishedSimulatorPorts()
{
    QStringList ports;
    QDir dir(simulatorPortsDir());
    if (!dir.exists())
        return ports;
    const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool ok = false;
        const qint64 pid = name.toLongLong(&ok);
        if (!ok)
            continue; // not ours
        const QString file = dir.filePath(name);
        if (!processAlive(pid)) {
            QFile::remove(file);
            continue;
        }
        QByteArray bytes;
        if (!readFileBytes(file, bytes))
            continue;
        const QString path = QString::fromLocal8Bit(bytes).trimmed();
        // A reused process id can leave a file naming a terminal that no
        // longer exists; such an entry is not offered.
        if (path.isEmpty() || !QFileInfo::exists(path))
            continue;
        if (!ports.contains(path))
            ports.append(path);
    }
    ports.sort();
    return ports;
}

bool publishSimulatorPort(const QString &path, QString *error)
{
    const QString dirPath = simulatorPortsDir();
    if (!QDir().mkpath(dirPath)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(dirPath);
        return false;
    }
    QFile::setPermissions(dirPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return writeFileAtomic(QDir(dirPath).filePath(QString::number(ownPid())),
                           path.toLocal8Bit() + '\n', error);
}

void unpublishSimulatorPort()
{
    QFile::remove(QDir(simulatorPortsDir()).filePath(QString::number(ownPid())));
}

} // namespace pim
