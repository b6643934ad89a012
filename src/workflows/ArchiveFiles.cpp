#include "workflows/ArchiveFiles.h"

#include "devices/Registry.h"
#include "base/DataPath.h"
#include "base/Dates.h"
#include "base/Cp1251.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceModule.h"
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

QString withTabs(const QStringList &cells)
{
    QString s;
    for (const QString &c : cells)
        s += c + QLatin1Char('\t');
    return s;
}

// The two header lines a companion text of the module starts with, for
// each column map its grids are shown with.
QList<QStringList> headerLines(ModuleId module)
{
    QList<QStringList> out;
    const std::unique_ptr<ArhCodec> codec = makeArhCodec(module);
    if (!codec)
        return out;
    for (int kind : {ArhDaily, ArhHourly}) {
        QStringList lines;
        for (int row : {1, 2}) {
            const QStringList cells = withTabs(codec->headerRow(row)).split(QLatin1Char('\t'));
            QStringList picked;
            for (int k : codec->columnMap(kind)) {
                const int i = qAbs(k) - 1;
                picked << (i >= 0 && i < cells.size() - 1 ? cells[i] : QString());
            }
            lines << withTabs(picked);
        }
        out << lines;
    }
    return out;
}

// The first two lines of a companion text (never more than a few
// kilobytes read), or nothing.
QStringList companionHead(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = f.read(64 * 1024);
    const QList<QByteArray> lines = head.split('\n');
    if (lines.size() < 3)
        return {};
    QStringList out;
    for (int i = 0; i < 2; ++i) {
        QByteArray l = lines[i];
        if (l.endsWith('\r'))
            l.chop(1);
        out << fromCp1251(l);
    }
    return out;
}

} // namespace

ArchiveFiles::NamedType ArchiveFiles::namedType(const QString &arhPath, int preferred)
{
    NamedType n;
    // ДАННЫЕ/АРХИВЫ/<model>/<number>/file: the folders the save made.
    const QDir numberDir = QFileInfo(arhPath).absoluteDir();
    const QString number = numberDir.dirName();
    bool digits = !number.isEmpty();
    for (QChar c : number)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (digits) {
        QDir modelDir = numberDir;
        if (modelDir.cdUp()) {
            const int t = typeByModelName(modelDir.dirName());
            const TypeInfo *info = typeInfo(t);
            if (info && info->hasArchive()) {
                n.type = t;
                n.alike = {t};
                n.source = QStringLiteral("по папке прибора");
                return n;
            }
        }
    }
    const QStringList head = companionHead(companionName(arhPath));
    if (head.size() < 2)
        return n;
    QList<int> fits;
    for (const TypeInfo &t : typeList()) {
        if (!t.hasArchive())
            continue;
        for (const QStringList &lines : headerLines(t.module))
            if (lines == head) {
                fits << t.type;
                break;
            }
    }
    if (fits.isEmpty())
        return n;
    // Modules whose headers are alike name the type only when their record
    // images are alike too (the same length, every field in the same place).
    const std::unique_ptr<ArhCodec> first = makeArhCodec(typeInfo(fits.first())->module);
    bool oneLayout = true;
    for (int t : fits) {
        const std::unique_ptr<ArhCodec> other = makeArhCodec(typeInfo(t)->module);
        oneLayout = oneLayout && other->halfSize() == first->halfSize();
        for (int f = 0; f < kArhFieldCount && oneLayout; ++f)
            oneLayout = other->fieldOffset(ArhField(f)) == first->fieldOffset(ArhField(f))
                && other->isRealField(ArhField(f)) == first->isRealField(ArhField(f));
    }
    if (fits.contains(preferred)) {
        n.type = preferred;
        n.alike = {preferred};
    } else if (oneLayout) {
        n.type = fits.first();
        n.alike = fits;
    } else {
        return n; // the text fits several layouts: it names none
    }
    n.source = QStringLiteral("по тексту рядом");
    return n;
}

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
