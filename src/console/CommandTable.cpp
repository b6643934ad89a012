#include "console/CommandTable.h"

#include "base/DataPath.h"
#include "base/TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace pim::console {

int CommandTable::columnCount() const
{
    int n = 1;
    for (const QStringList &r : rows)
        n = qMax(n, int(r.size()));
    return n;
}

void CommandTable::setCell(int row, int column, const QString &text)
{
    if (row < 0 || column < 0)
        return;
    while (rows.size() <= row)
        rows << QStringList();
    QStringList &r = rows[row];
    while (r.size() <= column)
        r << QString();
    r[column] = text;
}

void CommandTable::renumber()
{
    for (int r = 1; r < rows.size(); ++r)
        setCell(r, 0, QStringLiteral("%1").arg(r - 1, 2, 10, QLatin1Char('0')));
}

void CommandTable::insertRowAfter(int row)
{
    if (row < 0 || row >= rows.size())
        return;
    rows.insert(row + 1, QStringList());
    renumber();
}

void CommandTable::deleteRow(int row)
{
    if (row < 0 || row >= rows.size() || rows.size() <= 2)
        return;
    rows.removeAt(row);
    renumber();
}

void CommandTable::dropFormat(int row, QChar letter, int predefined)
{
    const int width = formatWidth(letter);
    if (row < 1 || width == 0)
        return;
    const QString number = predefined < 0 ? QStringLiteral("-1") : QStringLiteral("%1").arg(predefined, 2, 10, QLatin1Char('0'));
    for (int r = row; r < row + width; ++r)
        setCell(r, 2, QString(letter) + QLatin1Char('@') + number);
    renumber();
}

int formatWidth(QChar letter)
{
    switch (letter.unicode()) {
    case 'B': return 1;
    case 'W': return 2;
    case 'L':
    case 'S': return 4;
    default: return 0;
    }
}

QString tableFolder(int type)
{
    return DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("ОТЛАДКА"), QStringLiteral("%1").arg(type, 3, 10, QLatin1Char('0'))});
}

QString LoadTable(const QString &path, QChar separator, CommandTable &table)
{
    const QString missing = QStringLiteral("не найден файл:") + QLatin1Char('\r') + path;
    if (!QFileInfo(path).isFile())
        return missing;
    // A table describes one frame, a row per byte: a file of more than a
    // megabyte is none, and is refused unread.
    QStringList lines;
    QString error;
    if (!readLines(path, lines, &error, 1024 * 1024))
        return error;
    CommandTable t;
    for (QString line : lines) {
        // The last cell's separator may be missing.
        if (!line.endsWith(separator))
            line += separator;
        QStringList cells = line.split(separator);
        cells.removeLast();
        t.rows << cells;
    }
    while (t.rows.size() < 2)
        t.rows << QStringList();
    table = t;
    return {};
}

QString SaveTable(const CommandTable &table, const QString &path, QChar separator)
{
    QStringList lines;
    for (const QStringList &row : table.rows) {
        QString line;
        for (const QString &c : row)
            line += c + separator;
        lines << line;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    if (!writeLines(path, lines, &error))
        return error.isEmpty() ? QStringLiteral("не записан файл: ") + path : error;
    return {};
}

QStringList ListTables(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QString p = it.next();
        if (QFileInfo(p).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0)
            out << p;
    }
    // The directory's own order differs from disk to disk: by name instead.
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return out;
}

} // namespace pim::console
