#include "workflows/StateFile.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/StateCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace pim {

namespace {

QString cannotWrite(const QString &path, const QString &why)
{
    return QStringLiteral("файл ") + QDir::toNativeSeparators(path) + QStringLiteral(" не записан: ") + why;
}

// Appends whole lines to `path`, creating it with `headLines` first when it
// is missing. A new file is written whole under a temporary name; an
// existing one gets the bytes at its end, and a write that does not go
// through whole is cut back to the old length.
bool appendLines(const QString &path, const QStringList &headLines, const QStringList &lines, QString *error,
                 bool *created)
{
    if (created)
        *created = false;
    QString why;
    if (!QFileInfo::exists(path)) {
        if (!writeLines(path, headLines + lines, &why)) {
            if (error)
                *error = cannotWrite(path, why);
            return false;
        }
        if (created)
            *created = true;
        return true;
    }
    // An empty file has no header yet: it gets one as a new file does.
    const bool empty = QFileInfo(path).size() == 0;
    QByteArray bytes = joinLines(empty ? headLines + lines : lines, &why);
    if (!why.isEmpty()) {
        if (error)
            *error = cannotWrite(path, why);
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite)) {
        if (error)
            *error = cannotWrite(path, f.errorString());
        return false;
    }
    const qint64 old = f.size();
    // A last line without its end (an append cut short by a crash or a
    // power cut) is ended first and kept as it is: the file only ever
    // grows, and the new row starts a line of its own instead of running on
    // from the torn one.
    if (old > 0 && f.seek(old - 1)) {
        char last = 0;
        if (f.read(&last, 1) == 1 && last != '\n')
            bytes.prepend(last == '\r' ? "\n" : "\r\n");
    }
    // Written in two halves so that the test seam can stop the program
    // between them, leaving the torn line a crash would.
    const qint64 half = bytes.size() / 2;
    bool ok = f.seek(old) && f.write(bytes.constData(), half) == half && f.flush();
    if (ok)
        killAtSavePoint(path);
    ok = ok && f.write(bytes.constData() + half, bytes.size() - half) == bytes.size() - half && f.flush();
#ifdef Q_OS_UNIX
    ok = ok && (::fsync(f.handle()) == 0 || errno == EINVAL || errno == EROFS);
#endif
    if (!ok) {
        const QString e = f.errorString();
        f.resize(old);
        if (error)
            *error = cannotWrite(path, e);
        return false;
    }
    if (created)
        *created = empty;
    return true;
}

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
