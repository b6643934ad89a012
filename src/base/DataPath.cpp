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
} // namespace

void setProgramFolder(const QString &folder)
{
    overrideFolder() = folder;
}

QString programFolder()
{
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    static const QString decided = [] {
        const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                            : QDir::currentPath();
        const QFileInfo info(exeDir);
        if (info.isDir() && info.isWritable())
            return exeDir;
        QString app = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (app.isEmpty())
            app = QDir::homePath() + QStringLiteral("/.local/share/pim");
        QDir().mkpath(app);
        return app;
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

} // namespace pim
