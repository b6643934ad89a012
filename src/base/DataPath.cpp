#include "base/DataPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pim {
namespace {
QString &overrideFolder()
{
    static QString folder;
    return folder;
}

QString &traceOverride()
{
    static QString folder;
    return folder;
}

// The executables' folder of the build this program comes from.
bool isBuildFolder(const QString &exeDir)
{
#ifdef PIM_BUILD_BIN_DIR
    const QString built = QFileInfo(QString::fromUtf8(PIM_BUILD_BIN_DIR)).canonicalFilePath();
    return !built.isEmpty() && QFileInfo(exeDir).canonicalFilePath() == built;
#else
    Q_UNUSED(exeDir);
    return false;
#endif
}

// <prefix>/bin beside <prefix>/share/applications/pim.desktop: what an
// install (the package, `cmake --install`) lays out.
bool isInstalled(const QString &exeDir)
{
    const QDir bin(exeDir);
    return bin.dirName() == QLatin1String("bin")
        && QFileInfo(bin.filePath(QStringLiteral("../share/applications/pim.desktop"))).isFile();
}
} // namespace

void setProgramFolder(const QString &folder)
{
    overrideFolder() = folder;
}

bool keepsDataBeside(const QString &exeDir)
{
    const QFileInfo dir(exeDir);
    if (!dir.isDir() || !dir.isWritable() || isInstalled(exeDir))
        return false;
    return isBuildFolder(exeDir) || QFileInfo(QDir(exeDir).filePath(QStringLiteral("ДАННЫЕ"))).isDir();
}

QString userDataFolder()
{
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = data + QStringLiteral("/pim");
    QDir().mkpath(folder);
    return folder;
}

QString programFolder()
{
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    static const QString decided = [] {
        // Without an application there is no executable's folder to
        // judge: code run so (a fuzz target) works in the current one.
        if (!QCoreApplication::instance())
            return QDir::currentPath();
        const QString exeDir = QCoreApplication::applicationDirPath();
        return keepsDataBeside(exeDir) ? exeDir : userDataFolder();
    }();
    return decided;
}

QString DataPath(const QStringList &folders, const QString &name, const QString &ext)
{
    QString path = programFolder();
    for (const QString &f : folders)
        if (!f.isEmpty())
            path += QLatin1Char('/') + f;
    if (!name.isEmpty()) {
        path += QLatin1Char('/') + name;
        if (!ext.isEmpty())
            path += QLatin1Char('.') + ext;
    }
    return path;
}

QString traceFolder()
{
    return traceOverride().isEmpty() ? QDir::currentPath() : traceOverride();
}

void setTraceFolder(const QString &folder)
{
    traceOverride() = folder;
}

} // namespace pim
