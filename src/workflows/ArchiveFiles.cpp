#include "workflows/ArchiveFiles.h"

#include "devices/Registry.h"
#include "base/DataPath.h"
#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pim {

namespace {
QString monthDay(QDate d)
{
    return formatDateTime(u"mmdd", QDateTime(d, QTime(0, 0)));
}
QString numberFolder(int number)
{
    return QString::number(number).rightJustified(5, QLatin1Char('0'));
}
} // namespace

QString ArchiveFiles::archivesFolder()
{
    return DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("АРХИВЫ")});
}

QString ArchiveFiles::deviceFolder(int type, int number)
{
    return DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("АРХИВЫ"), ModelName(type), numberFolder(number)});
}

QStringList ArchiveFiles::makeDeviceFolder(int type, int number)
{
    QStringList messages;
    const QStringList parts = {QStringLiteral("ДАННЫЕ"), QStringLiteral("АРХИВЫ"), ModelName(type), numberFolder(number)};
    QStringList sofar;
    for (const QString &p : parts) {
        sofar << p;
        const QString path = DataPath(sofar);
        if (!QFileInfo(path).isDir() && !QDir().mkdir(path))
            messages << QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР");
    }
    return messages;
}

QString ArchiveFiles::proposedName(const QString &tabCaption, QDate begin, QDate end, const QDateTime &now)
{
    QString c = tabCaption;
    for (QChar &ch : c)
        if (QStringLiteral("/\\:-+.").contains(ch))
            ch = QLatin1Char('_');
    QString squeezed;
    for (QChar ch : c)
        if (!(ch == QLatin1Char('_') && squeezed.endsWith(QLatin1Char('_'))))
            squeezed += ch;
    return squeezed + QStringLiteral("_от") + monthDay(begin) + QStringLiteral("до") + monthDay(end)
        + QStringLiteral("дз") + formatDateTime(u"mmddhh", now) + QStringLiteral(".Arh");
}

QString ArchiveFiles::companionName(const QString &arhPath)
{
    const QFileInfo fi(arhPath);
    const QString name = fi.fileName();
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString dir = arhPath.left(arhPath.size() - name.size());
    const QString companion = dir + base + QStringLiteral(".txt");
    // An archive saved under a ".txt" name must not have its records
    // written over its own companion text: the text goes beside it.
    return companion == arhPath ? arhPath + QStringLiteral(".txt") : companion;
}

QStringList ArchiveFiles::gridLines(const QList<QStringList> &grid)
{
    QStringList lines;
    for (const QStringList &row : grid) {
        QString line;
        for (const QString &cell : row)
            line += cell + QLatin1Char('\t');
        lines << line;
    }
    return lines;
}

bool ArchiveFiles::save(const QString &arhPath, const QStringList &gridRows, const QByteArray &records,
                        QString *error)
{
    if (records.isEmpty()) {
        if (error)
            *error = QStringLiteral("нет ни одной записи архива: файл не записан");
        return false;
    }
    QString encError;
    const QByteArray text = joinLines(gridRows, &encError);
    if (!encError.isEmpty()) {
        if (error)
            *error = encError;
        return false;
    }
    // The records and their text are replaced together: a program stopped
    // while saving leaves both old, never new records beside an old text.
    return writeFilesAtomic({{companionName(arhPath), text}, {arhPath, records}}, error);
}

qint64 ArchiveFiles::largestArchive()
{
    qint64 most = 0;
    for (const TypeInfo &t : typeList())
        if (t.hasArchive())
            most = qMax(most, qint64(qMax(t.dailyEntries, t.hourlyEntries) + 1) * t.arhRecordSize);
    return most;
}

ArchiveFiles::Loaded ArchiveFiles::load(const QString &arhPath)
{
    Loaded out;
    const QFileInfo info(arhPath);
    const QString name = info.fileName();
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot < 0 || name.mid(dot) != QLatin1String(".Arh"))
        out.warning = QStringLiteral("файл: ") + arhPath + QStringLiteral(" - не опознан как архивный");
    if (!info.exists()) {
        out.error = QStringLiteral("файл ") + arhPath + QStringLiteral(" не найден");
        return out;
    }
    // A folder, a device or a pipe would be read without end or not at
    // all; neither is an archive.
    if (!info.isFile()) {
        out.error = QStringLiteral("файл ") + arhPath + QStringLiteral(" не прочитан: это не обычный файл");
        return out;
    }
    const qint64 most = largestArchive();
    if (info.size() > most) {
        out.error = QStringLiteral("файл %1 не прочитан: %2 байт, а архив прибора не бывает больше %3 байт")
                        .arg(arhPath)
                        .arg(info.size())
                        .arg(most);
        return out;
    }
    QFile f(arhPath);
    if (!f.open(QIODevice::ReadOnly)) {
        out.error = QStringLiteral("не удалось открыть файл ") + arhPath + QStringLiteral(": ") + f.errorString();
        return out;
    }
    // The file may have grown since it was measured: never more than the
    // bound, and a file that still has more is refused as above.
    out.image = f.read(most + 1);
    if (out.image.size() > most) {
        out.image.clear();
        out.error = QStringLiteral("файл %1 не прочитан: больше %2 байт, а архив прибора не бывает больше")
                        .arg(arhPath)
                        .arg(most);
    } else if (f.error() != QFileDevice::NoError) {
        out.image.clear();
        out.error = QStringLiteral("не удалось прочитать файл ") + arhPath + QStringLiteral(": ") + f.errorString();
    }
    return out;
}

} // namespace pim
