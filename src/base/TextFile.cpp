#include "base/TextFile.h"

#include "base/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pim {
namespace {
std::function<bool(const QString &)> &commitHook()
{
    static std::function<bool(const QString &)> hook;
    return hook;
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
    const QFileInfo info(path);
    if (!info.absoluteDir().exists() && !QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("не удалось создать папку %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("не удалось записать файл %1: %2").arg(path, f.errorString());
        return false;
    }
    if (f.write(data) != data.size()) {
        if (error)
            *error = QStringLiteral("не удалось записать файл %1: %2").arg(path, f.errorString());
        f.cancelWriting();
        return false;
    }
    if (commitHook() && !commitHook()(path)) {
        f.cancelWriting();
        if (error)
            *error = QStringLiteral("запись файла %1 прервана").arg(path);
        return false;
    }
    if (!f.commit()) {
        if (error)
            *error = QStringLiteral("не удалось записать файл %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

} // namespace pim
