#include "base/TextFile.h"

#include "base/Cp1251.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace pim {
namespace {
std::function<bool(const QString &)> &commitHook()
{
    static std::function<bool(const QString &)> hook;
    return hook;
}

qint64 ownPid()
{
#ifdef Q_OS_UNIX
    return qint64(::getpid());
#else
    return QCoreApplication::applicationPid();
#endif
}

// A temporary file is named after its target, the writing process and a
// random part: "<name>.~<pid>.<random>". The pid tells a file still being
// written from one a killed process left behind.
QString temporaryPrefix(const QString &target)
{
    return QFileInfo(target).fileName() + QStringLiteral(".~");
}

// Removes the temporary files of `target` whose writer is gone (killed or
// crashed between writing and renaming): they are whole copies of a save
// that never took place, and would otherwise pile up beside the user's
// files. A file of a process still running is left alone.
void removeAbandonedTemporaries(const QFileInfo &target)
{
#ifdef Q_OS_UNIX
    static const QRegularExpression tail(QStringLiteral("^(\\d+)\\.[0-9a-z]+$"));
    const QString prefix = temporaryPrefix(target.fileName());
    QDirIterator it(target.absolutePath(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (!name.startsWith(prefix))
            continue;
        const QRegularExpressionMatch m = tail.match(name.mid(prefix.size()));
        bool ok = false;
        const qint64 pid = m.hasMatch() ? m.captured(1).toLongLong(&ok) : 0;
        if (!ok || pid <= 0 || pid == ownPid())
            continue;
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QFile::remove(it.filePath());
    }
#else
    Q_UNUSED(target);
#endif
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

void killAtSavePoint(const QString &path)
{
    // Test seam: PIM_TEST_KILL_SAVING names files by a wildcard pattern
    // ("*.Arh", "ПАМЯТЬ.mem"); saving such a file ends the process with
    // SIGKILL at its most delicate moment, as a power cut or kill -9 would,
    // so a test can show what the next run finds. Unset, nothing happens.
    const QString pattern = qEnvironmentVariable("PIM_TEST_KILL_SAVING");
    if (pattern.isEmpty())
        return;
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern));
    if (!re.match(QFileInfo(path).fileName()).hasMatch())
        return;
#ifdef Q_OS_UNIX
    ::raise(SIGKILL);
#else
    std::abort();
#endif
}

namespace {
// Cuts text into lines: LF ends a line, a CR right before it goes with it,
// a last line without an end is a line, and the end of the last line does
// not start another. `decode` turns the bytes of one line into text.
template <typename Decode>
QStringList cutLines(QByteArrayView bytes, Decode decode)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            qsizetype end = i;
            if (end > start && bytes[end - 1] == '\r')
                --end;
            lines.append(decode(bytes.sliced(start, end - start)));
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        qsizetype end = bytes.size();
        if (bytes[end - 1] == '\r')
            --end;
        lines.append(decode(bytes.sliced(start, end - start)));
    }
    return lines;
}
} // namespace

QStringList splitLines(QByteArrayView bytes)
{
    return cutLines(bytes, [](QByteArrayView line) { return fromCp1251(line); });
}

namespace {
// UTF-8 as it is: a byte-order mark inside the text stays a character.
QString fromUtf8AsIs(QByteArrayView bytes)
{
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return d.decode(bytes);
}
} // namespace

QStringList splitTextLines(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    // Valid UTF-8 is exactly what comes back as itself: an invalid or cut
    // off sequence turns into a replacement character, an overlong one into
    // its short form.
    if (fromUtf8AsIs(bytes).toUtf8() != bytes)
        return splitLines(bytes);
    // A line feed byte is never part of a multi-byte sequence, so the lines
    // can be cut before they are decoded.
    return cutLines(bytes, [](QByteArrayView line) { return fromUtf8AsIs(line); });
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

bool readFileBytes(const QString &path, QByteArray &data, QString *error, qint64 bound)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("не удалось открыть файл %1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return false;
    }
    const auto tooLarge = [&] {
        if (error)
            *error = QStringLiteral("файл %1 не прочитан: он больше %2 байт")
                         .arg(QDir::toNativeSeparators(path))
                         .arg(bound);
        return false;
    };
    // A regular file says its size (a sparse one of gigabytes too) and is
    // refused unread; a pipe or a device is read up to one byte past the
    // bound, which is enough to know.
    if (!f.isSequential() && f.size() > bound)
        return tooLarge();
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const qint64 n = f.read(chunk, qMin<qint64>(sizeof chunk, bound + 1 - bytes.size()));
        if (n < 0) {
            if (error)
                *error = QStringLiteral("ошибка чтения файла %1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
            return false;
        }
        if (n == 0)
            break;
        bytes.append(chunk, n);
        if (bytes.size() > bound)
            return tooLarge();
    }
    data = bytes;
    return true;
}

bool readLines(const QString &path, QStringList &lines, QString *error, qint64 bound)
{
    QByteArray data;
    if (!readFileBytes(path, data, error, bound))
        return false;
    lines = splitLines(data);
    return true;
}

bool readTextLines(const QString &path, QStringList &lines, QString *error, qint64 bound)
{
    QByteArray data;
    if (!readFileBytes(path, data, error, bound))
        return false;
    lines = splitTextLines(data);
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
    return writeFilesAtomic({{path, data}}, error);
}

bool writeFilesAtomic(const QList<QPair<QString, QByteArray>> &files, QString *error)
{
    struct Pending {
        QFileInfo info;
        std::unique_ptr<QFile> tmp;
    };
    std::vector<Pending> pending;
    // Whatever fails before the renames leaves every old file as it was
    // and no temporary file behind.
    auto dropAll = [&] {
        for (Pending &p : pending) {
            p.tmp->close();
            p.tmp->remove();
        }
    };
    auto failed = [&](const QString &path, const QString &why) {
        dropAll();
        if (error)
            *error = QStringLiteral("не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    };

    // The new contents go to files of their own beside the old ones. Every
    // step that can meet a full disk, a quota or an I/O error is checked
    // before the first rename: the writes, the flush of the buffer, the
    // flush to the disk. Only files known to be whole replace the old ones,
    // all of them one right after the other.
    for (const auto &[path, data] : files) {
        const QFileInfo info(path);
        if (!info.absoluteDir().exists() && !QDir().mkpath(info.absolutePath())) {
            dropAll();
            if (error)
                *error = QStringLiteral("не удалось создать папку %1").arg(info.absolutePath());
            return false;
        }
        if (info.exists() && !info.isFile())
            return failed(path, QStringLiteral("это не обычный файл"));
        removeAbandonedTemporaries(info);
        auto tmp = std::make_unique<QFile>();
        for (int n = 0; n < 100 && !tmp->isOpen(); ++n) {
            tmp->setFileName(info.absolutePath() + QLatin1Char('/') + temporaryPrefix(path) + QString::number(ownPid())
                             + QLatin1Char('.') + QString::number(QRandomGenerator::global()->bounded(1u << 30), 36));
            // Another name only when this one is taken.
            if (!tmp->open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(tmp->fileName()))
                break;
        }
        if (!tmp->isOpen())
            return failed(path, tmp->errorString());
        QFile &f = *tmp;
        pending.push_back({info, std::move(tmp)});
        if (info.exists())
            f.setPermissions(QFile::permissions(info.absoluteFilePath()));
        qint64 done = 0;
        while (done < data.size()) {
            const qint64 n = f.write(data.constData() + done, data.size() - done);
            if (n <= 0)
                return failed(path, f.errorString());
            done += n;
        }
        if (!f.flush())
            return failed(path, f.errorString());
#ifdef Q_OS_UNIX
        if (::fsync(f.handle()) != 0 && errno != EINVAL && errno != EROFS)
            return failed(path, QString::fromLocal8Bit(std::strerror(errno)));
#endif
        f.close();
        if (f.error() != QFileDevice::NoError)
            return failed(path, f.errorString());
    }
    for (const Pending &p : pending) {
        const QString path = p.info.filePath();
        killAtSavePoint(path);
        if (commitHook() && !commitHook()(path)) {
            dropAll();
            if (error)
                *error = QStringLiteral("запись файла %1 прервана").arg(QDir::toNativeSeparators(path));
            return false;
        }
    }
    for (size_t k = 0; k < pending.size(); ++k) {
        const Pending &p = pending[k];
        std::error_code ec;
        std::filesystem::rename(nativePath(p.tmp->fileName()), nativePath(p.info.absoluteFilePath()), ec);
        if (ec) {
            // The files renamed before stay new; this one and the rest old.
            for (size_t r = k; r < pending.size(); ++r)
                QFile::remove(pending[r].tmp->fileName());
            if (error)
                *error = QStringLiteral("не удалось записать файл %1: %2")
                             .arg(QDir::toNativeSeparators(p.info.filePath()), QString::fromLocal8Bit(ec.message().c_str()));
            return false;
        }
    }
#ifdef Q_OS_UNIX
    // A rename lives in its folder: the folders are flushed too, so the new
    // names survive a power cut that follows the save.
    QSet<QString> folders;
    for (const Pending &p : pending)
        folders.insert(p.info.absolutePath());
    for (const QString &folder : folders) {
        const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
#endif
    return true;
}

} // namespace pim
