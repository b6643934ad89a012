#include "base/TextFile.h"

#include "base/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace pim {
namespace {
std::function<bool(const QString &)> &commitHook()
{
    static std::function<bool(const QString &)> hook;
    return hook;
}

std::filesystem::path nativePath(const QString &p)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(p.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(p).toStdString());
#endif
}
} // namespace

void setBeforeCommitHook(std::function<bool(const QString &)> hook)
{
    commitHook() = std::move(hook);
}

QStringList splitLines(QByteArrayView bytes)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            qsizetype end = i;
            if (end > start && bytes[end - 1] == '\r')
                --end;
            lines.append(fromCp1251(bytes.sliced(start, end - start)));
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        qsizetype end = bytes.size();
        if (bytes[end - 1] == '\r')
            --end;
        lines.append(fromCp1251(bytes.sliced(start, end - start)));
    }
    return lines;
}

QByteArray joinLines(const QStringList &lines, QString *error)
{
    QByteArray out;
    bool allOk = true;
    for (const QString &line : lines) {
        bool ok = true;
        QChar bad;
        out += toCp1251(line, &ok, &bad);
        out += "\r\n";
        if (!ok && allOk) {
            allOk = false;
            if (error)
                *error = QStringLiteral("символ \"%1\" (U+%2) не представим в кодировке Windows-1251")
                             .arg(bad)
                             .arg(bad.unicode(), 4, 16, QLatin1Char('0'));
        }
    }
    return out;
}

bool readFileBytes(const QString &path, QByteArray &data, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("не удалось открыть файл %1: %2").arg(path, f.errorString());
        return false;
    }
    data = f.readAll();
    return true;
}

bool readLines(const QString &path, QStringList &lines, QString *error)
{
    QByteArray data;
    if (!readFileBytes(path, data, error))
        return false;
    lines = splitLines(data);
    return true;
}

bool writeLines(const QString &path, const QStringList &lines, QString *error)
{
    QString encError;
    const QByteArray data = joinLines(lines, &encError);
    if (!encError.isEmpty()) {
        if (error)
            *error = encError;
        return false;
    }
    return writeFileAtomic(path, data, error);
}

bool writeFileAtomic(const QString &path, const QByteArray &data, QString *error)
{
    auto failed = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    const QFileInfo info(path);
    if (!info.absoluteDir().exists() && !QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("не удалось создать папку %1").arg(info.absolutePath());
        return false;
    }
    if (info.exists() && !info.isFile())
        return failed(QStringLiteral("это не обычный файл"));

    // The new contents go to a file of their own beside the old one. Every
    // step that can meet a full disk, a quota or an I/O error is checked
    // before the rename: the writes, the flush of the buffer, the flush to
    // the disk and the close. Only a file known to be whole replaces the
    // old one.
    QFile tmp;
    for (int n = 0; n < 100 && !tmp.isOpen(); ++n) {
        tmp.setFileName(info.absoluteFilePath() + QStringLiteral(".~%1").arg(QRandomGenerator::global()->bounded(1u << 30), 0, 36));
        // Another name only when this one is taken.
        if (!tmp.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(tmp.fileName()))
            break;
    }
    if (!tmp.isOpen())
        return failed(tmp.errorString());
    auto abandon = [&](const QString &why) {
        tmp.close();
        tmp.remove();
        return failed(why);
    };
    if (info.exists())
        tmp.setPermissions(QFile::permissions(info.absoluteFilePath()));
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 n = tmp.write(data.constData() + done, data.size() - done);
        if (n <= 0)
            return abandon(tmp.errorString());
        done += n;
    }
    if (!tmp.flush())
        return abandon(tmp.errorString());
#ifdef Q_OS_UNIX
    if (::fsync(tmp.handle()) != 0 && errno != EINVAL && errno != EROFS)
        return abandon(QString::fromLocal8Bit(std::strerror(errno)));
#endif
    if (commitHook() && !commitHook()(path)) {
        tmp.close();
        tmp.remove();
        if (error)
            *error = QStringLiteral("запись файла %1 прервана").arg(QDir::toNativeSeparators(path));
        return false;
    }
    tmp.close();
    if (tmp.error() != QFileDevice::NoError)
        return abandon(tmp.errorString());
    std::error_code ec;
    std::filesystem::rename(nativePath(tmp.fileName()), nativePath(info.absoluteFilePath()), ec);
    if (ec) {
        QFile::remove(tmp.fileName());
        return failed(QString::fromLocal8Bit(ec.message().c_str()));
    }
    return true;
}

} // namespace pim
