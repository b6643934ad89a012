#include "workflows/StateFile.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/StateCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pim {

namespace {

QString cannotWrite(const QString &path, const QString &why)
{
    return QStringLiteral("файл ") + QDir::toNativeSeparators(path) + QStringLiteral(" не записан: ") + why;
}

#ifdef Q_OS_UNIX
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A descriptor closed on every way out (which also drops its lock).
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// The state file is watched by the window, `pimctl poll` runs and batch
// workers at once, all appending to one file. Every append goes through a
// descriptor opened for appending, under an exclusive lock held from the
// look at the file's end to the last byte of the row: two writers never
// both take the same end for theirs, and a reader of the lock never sees
// half a row of another. A missing file is created exclusively and then
// appended to as any other, so a file another writer created meanwhile is
// never replaced; whoever finds it empty under the lock writes the header.
bool appendLines(const QString &path, const QStringList &headLines, const QStringList &lines, QString *error,
                 bool *created)
{
    if (created)
        *created = false;
    auto failed = [&](const QString &why) {
        if (error)
            *error = cannotWrite(path, why);
        return false;
    };
    QString why;
    const QByteArray head = joinLines(headLines, &why);
    const QByteArray body = joinLines(lines, &why);
    if (!why.isEmpty())
        return failed(why);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return failed(QStringLiteral("это не обычный файл"));
    if (!info.absoluteDir().exists() && !QDir().mkpath(info.absolutePath()))
        return failed(QStringLiteral("не удалось создать папку ") + QDir::toNativeSeparators(info.absolutePath()));
    const QByteArray name = QFile::encodeName(info.absoluteFilePath());

    Descriptor d;
    struct stat st {};
    // A file renamed or removed between the open and the lock is not the
    // one the name now means: opened again (a rotation by an operator or a
    // script is rare, so a few turns always suffice).
    for (int turn = 0;; ++turn) {
        if (d.fd >= 0)
            ::close(d.fd);
        d.fd = ::open(name.constData(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY);
        if (d.fd < 0 && errno == ENOENT) {
            d.fd = ::open(name.constData(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY | O_CREAT | O_EXCL, 0666);
            if (d.fd < 0 && errno == EEXIST && turn < 100)
                continue; // another writer made it: append to that one
        }
        if (d.fd < 0)
            return failed(systemError());
        while (::flock(d.fd, LOCK_EX) != 0)
            if (errno != EINTR)
                return failed(systemError());
        if (::fstat(d.fd, &st) != 0)
            return failed(systemError());
        if (!S_ISREG(st.st_mode))
            return failed(QStringLiteral("это не обычный файл"));
        struct stat now {};
        if (turn >= 100 || (::stat(name.constData(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino))
            break;
    }

    const off_t old = st.st_size;
    // An empty file has no header yet: it gets one as a new file does.
    QByteArray bytes = old == 0 ? head + body : body;
    // A last line without its end (an append cut short by a crash or a
    // power cut) is ended first and kept as it is: the file only ever
    // grows, and the new row starts a line of its own instead of running on
    // from the torn one.
    if (old > 0) {
        char last = 0;
        if (::pread(d.fd, &last, 1, old - 1) == 1 && last != '\n')
            bytes.prepend(last == '\r' ? "\n" : "\r\n");
    }
    // Written in two halves so that the test seam can stop the program
    // between them, leaving the torn line a crash would.
    const qint64 half = bytes.size() / 2;
    bool ok = writeAll(d.fd, bytes.constData(), half);
    if (ok)
        killAtSavePoint(path);
    ok = ok && writeAll(d.fd, bytes.constData() + half, bytes.size() - half);
    ok = ok && (::fsync(d.fd) == 0 || errno == EINVAL || errno == EROFS);
    if (!ok) {
        // Still under the lock: what this append put there goes again.
        const QString e = systemError();
        if (::ftruncate(d.fd, old) != 0) {
            // The file keeps a torn row, which the next append ends.
        }
        return failed(e);
    }
    if (created)
        *created = old == 0;
    return true;
}
#else
// Elsewhere: the bytes at the end of the file through the toolkit, without
// a lock.
bool appendLines(const QString &path, const QStringList &headLines, const QStringList &lines, QString *error,
                 bool *created)
{
    if (created)
        *created = false;
    QString why;
    const QByteArray head = joinLines(headLines, &why);
    const QByteArray body = joinLines(lines, &why);
    if (!why.isEmpty()) {
        if (error)
            *error = cannotWrite(path, why);
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append)) {
        if (error)
            *error = cannotWrite(path, f.errorString());
        return false;
    }
    const qint64 old = f.size();
    QByteArray bytes = old == 0 ? head + body : body;
    if (old > 0 && f.seek(old - 1)) {
        char last = 0;
        if (f.read(&last, 1) == 1 && last != '\n')
            bytes.prepend(last == '\r' ? "\n" : "\r\n");
    }
    const qint64 half = bytes.size() / 2;
    bool ok = f.write(bytes.constData(), half) == half && f.flush();
    if (ok)
        killAtSavePoint(path);
    ok = ok && f.write(bytes.constData() + half, bytes.size() - half) == bytes.size() - half && f.flush();
    if (!ok) {
        const QString e = f.errorString();
        f.resize(old);
        if (error)
            *error = cannotWrite(path, e);
        return false;
    }
    if (created)
        *created = old == 0;
    return true;
}
#endif

QString csvCell(const QString &s)
{
    QString t = s.trimmed();
    if (t.contains(QLatin1Char(';')) || t.contains(QLatin1Char('"')))
        t = QLatin1Char('"') + t.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return t;
}

} // namespace

QList<QStringList> StateFile::gridRows(const StateCodec &codec, int system)
{
    const StateView &view = codec.view();
    const QStringList values = codec.SLfromState(system);
    QList<QStringList> rows(3);
    for (int idx : view.columnOrder) {
        const bool item = idx >= 0 && idx < view.items.size();
        rows[0] << (item ? view.items[idx].row1 : QString());
        rows[1] << (item ? view.items[idx].row2 : QString());
        rows[2] << (idx >= 0 && idx < values.size() ? values[idx] : QString());
    }
    return rows;
}

QString StateFile::row(const QStringList &cells)
{
    QString s;
    for (const QString &c : cells)
        s += c + QLatin1Char('\t');
    return s;
}

bool StateFile::append(const QString &path, const QStringList &header1, const QStringList &header2,
                       const QStringList &values, QString *error, bool *created)
{
    return appendLines(path, {row(header1), row(header2)}, {row(values)}, error, created);
}

bool StateFile::load(const QString &path, QList<QStringList> &rows, QString *error)
{
    QStringList lines;
    if (!readLines(path, lines, error))
        return false;
    rows.clear();
    for (QString l : lines) {
        if (l.isEmpty())
            continue;
        if (l.endsWith(QLatin1Char('\t')))
            l.chop(1);
        rows << l.split(QLatin1Char('\t'));
    }
    return true;
}

QString StateFile::resolve(const QString &name)
{
    if (QDir::isAbsolutePath(name))
        return name;
    return QDir(DataPath({})).filePath(name);
}

QString StateFile::csvRow(const QStringList &cells)
{
    QStringList out;
    for (const QString &c : cells)
        out << csvCell(c);
    return out.join(QLatin1Char(';'));
}

bool StateFile::appendCsv(const QString &path, const QStringList &header, const QStringList &values, QString *error)
{
    return appendLines(path, {csvRow(header)}, {csvRow(values)}, error, nullptr);
}

} // namespace pim
