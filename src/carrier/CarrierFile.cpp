#include "carrier/CarrierFile.h"

#include "base/Format.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceModule.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace pim {
namespace {

// The type codes the program knows a device of, and the identity
// template's 0: a carrier name with another extension is no archive.
bool validType(int t)
{
    return t == 0 || typeInfo(t) != nullptr;
}

// Appends one fault; faults are separated by a carriage return.
void addFault(QString &text, const QString &fault)
{
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\r')))
        text += QLatin1Char('\r');
    text += fault;
}

// Records are addressed by 15 bits of the request.
constexpr int kMaxRecords = 32768;

} // namespace

void CarrierFile::reset()
{
    *this = CarrierFile();
}

QString CarrierFile::kindName(CarrierKind k)
{
    return k == CarrierKind::Hour ? QStringLiteral("ЧАСОВОЙ") : QStringLiteral("СУТОЧНЫЙ");
}

QString CarrierFile::CheckCarrierName(const QString &fileName, const ArchiveDescription &table)
{
    reset();
    name = fileName;
    const QString bare = QFileInfo(fileName).fileName();
    const int dot = int(bare.lastIndexOf(QLatin1Char('.')));
    const QString stem = dot >= 0 ? bare.left(dot) : bare;
    // The extension's digits with the dot read as a leading zero.
    const QString ext = dot >= 0 ? bare.mid(dot + 1) : QString();
    bool typeOk = ext.size() <= 9;
    for (QChar c : ext)
        typeOk = typeOk && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int t = typeOk ? (QStringLiteral("0") + ext).toInt() : -1;
    if (!typeOk || !validType(t))
        return QStringLiteral("DevTypeChar not in ucv.DevTypes");
    type = t;
    typeFound = true;

    const int group = ArchiveDescription::columnGroup(t);
    if (group < 0)
        return QStringLiteral("ColDev[ucv.CharToDevType(ch:char)]<0");
    if (table.columns() < group + 4)
        return QStringLiteral("мало столбцов в таблице");

    QString err;
    int L = 0;
    ArchiveDescription::cellNumber(table.cell(0, group + 3), L);
    // The record is an archive reply less its header and checksum. A
    // record of no bytes (an edited table) would never end the file; a
    // reply longer than a frame is no calculator's.
    recordLength = int(std::clamp<qint64>(qint64(L) - 6, 0, kMaxFrame));
    lengthFound = true;
    if (L <= 6)
        err = QStringLiteral("arhL<0\r");
    else if (L > kMaxFrame)
        err = QStringLiteral("arhL>%1\r").arg(kMaxFrame);

    // The kind letter in either case: the carrier window lists "arh00012d.229"
    // as it lists "ARH00012D.229", and what it lists opens.
    const QChar letter = stem.isEmpty() ? QChar() : stem.back();
    const QChar kindLetter = letter.toUpper();
    if (kindLetter == QLatin1Char('D') || kindLetter == QLatin1Char('H')) {
        kind = kindLetter == QLatin1Char('D') ? CarrierKind::Day : CarrierKind::Hour;
        kindFound = true;
        const QString countCell = table.cell(0, group + (daily() ? 1 : 2));
        int count = 0;
        // Record numbers are 15 bits of the request: a larger count is no
        // carrier's, and the rows of every number would never end.
        if (ArchiveDescription::cellNumber(countCell, count) && count >= 0 && count < kMaxRecords) {
            expected = count;
            expectedFound = true;
        } else {
            addFault(err, QStringLiteral("Кол-во записей в арх не определено:") + countCell);
        }
    } else {
        addFault(err, QStringLiteral("Тип арх не определен:") + (letter.isNull() ? QString() : QString(letter)));
    }

    // The decimal digits right before the kind letter; more than five can
    // be no serial number, whatever they would wrap to.
    const int end = int(stem.size()) - 1;
    int begin = end;
    while (begin > 0 && stem[begin - 1].isDigit() && stem[begin - 1].unicode() < 128)
        --begin;
    const QString digits = end > 0 ? stem.mid(begin, end - begin) : QString();
    const int n = digits.size() <= 5 ? digits.toInt() : -1;
    if (digits.isEmpty() || digits.size() > 5 || n > 65535) {
        number = -1;
        addFault(err, QStringLiteral("Сер.№ не определен:") + digits);
    } else {
        number = n;
        numberFound = true;
    }
    return err;
}

QString CarrierFile::LoadCarrierFile(const QString &path, const ArchiveDescription &table, const Progress &progress)
{
    const QString err = CheckCarrierName(path, table);
    if (!err.isEmpty())
        return err;
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return QStringLiteral("не могу открыть файл ") + path;
    const qint64 bound = 2 + qint64(kMaxRecords) * recordLength;
    if (f.size() > bound)
        return Format(QStringLiteral("файл больше %d байт: это не архив носителя"), {bound});
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return QStringLiteral("ошибка чтения файла ") + path + QStringLiteral(": ") + f.errorString();
    fileLength = bytes.size();
    pointer = bytes.size() >= 2 ? quint8(bytes[0]) | (quint8(bytes[1]) << 8) : 0;
    int count = 0;
    for (qsizetype pos = 2; pos < bytes.size(); pos += recordLength) {
        records.append(bytes.mid(pos, recordLength));
        if (++count % 10 == 0 && progress)
            progress(QStringLiteral("чтение записи № ") + QString::number(count));
    }
    screen(bytes);
    loaded = true;
    return QString();
}

void CarrierFile::screen(const QByteArray &bytes)
{
    realRecords = unrealRecords = 0;
    m_noData.clear();
    const TypeInfo *info = typeInfo(type);
    std::unique_ptr<ArhCodec> codec = info ? makeArhCodec(info->module) : nullptr;
    // Each whole record as the reply the replay makes of it, through the
    // decoder of the type: what the archive reader will get.
    const Identity id{type, number};
    for (const QByteArray &r : records) {
        if (r.size() != recordLength)
            continue;
        Tab reply;
        reply.append(quint8(recordLength + 6));
        reply.append(quint8(type));
        reply.append(quint8(number & 0xFF));
        reply.append(quint8((number >> 8) & 0xFF));
        reply.append(quint8(Q_Arhiv));
        for (char c : r)
            reply.append(quint8(c));
        reply.append(CalcCS(reply));
        ArhRec rec;
        if (codec && codec->DecArh(reply, rec, id).isEmpty() && codec->realRecord(rec))
            ++realRecords;
        else
            ++unrealRecords;
    }
    if (realRecords > 0)
        return;
    const QByteArray content = bytes.mid(2);
    if (realRecords + unrealRecords == 0)
        m_noData = Format(QStringLiteral("в файле нет ни одной целой записи (%d байт после указателя, запись %d байт)"),
                          {content.size(), recordLength});
    else if (content.count(char(0xFF)) == content.size())
        m_noData = QStringLiteral("файл стерт: все байты 0xFF, записей архива в нем нет");
    else if (content.count(char(0)) == content.size())
        m_noData = QStringLiteral("файл пуст: все байты нулевые, записей архива в нем нет");
    else
        m_noData = Format(QStringLiteral("ни одна из %d записей файла не может быть записью прибора (дата, час или "
                                         "значения невозможны): файл испорчен или он не от ПИМ-%d"),
                          {unrealRecords, type});
}

QString CarrierFile::noDataText() const
{
    return loaded ? m_noData : QString();
}

QString CarrierFile::unrealText(int count)
{
    if (count <= 0)
        return QString();
    return Format(QStringLiteral("%d записей не могут быть записями прибора (дата, час или значения невозможны: "
                                 "стертая или испорченная память): пропущены"),
                  {count});
}

QStringList CarrierFile::CarrierInfoLines() const
{
    QStringList l;
    const QString none;
    l << QStringLiteral("Файл:") + name << QStringLiteral("данные из назв ф-ла");
    l << Format(QStringLiteral("%sПИМ=%d № %d архив=%s%s"),
                {none, type, number, kind == CarrierKind::Hour ? QStringLiteral("atHour") : QStringLiteral("atDay"), none});
    l << Format(QStringLiteral("%sзаписей в арх д.б.=(от 0)%d%s"), {none, expected, none});
    l << Format(QStringLiteral("%sвсего байт=%d дл.зап=%d указ=%d%s"), {none, fileLength, recordLength, pointer, none});
    if (recordLength != 0)
        l << Format(QStringLiteral("%sзаписей в арх =%d(от 1)+остаток=%dбайт%s"),
                    {none, qMax<qint64>(0, fileLength - 2) / recordLength, qMax<qint64>(0, fileLength - 2) % recordLength,
                     none});
    return l;
}

QString CarrierFile::CarrierTitle() const
{
    return Format(QStringLiteral("\"%s\",\"№ %d\",\"архив=%s\""), {ModelName(type), number, kindName(kind)});
}

QList<QStringList> CarrierFile::recordRows(const ArchiveDescription &table, QString *error) const
{
    QList<QStringList> rows;
    const int group = ArchiveDescription::columnGroup(type);
    if (group < 0)
        return rows;
    const QStringList formats = table.formats(group), names = table.names(group);
    const int count = qMax(expected + 1, int(records.size()));
    for (int i = 0; i < count; ++i) {
        if (i >= records.size())
            rows << QStringList{QStringLiteral("данные"), QStringLiteral("в"), QStringLiteral("файле"),
                                QStringLiteral("кончились")};
        else if (i > expected)
            rows << QStringList{QStringLiteral("данныx"), QStringLiteral("в"), QStringLiteral("файле"),
                                QStringLiteral("больше"), QStringLiteral("чем "), QStringLiteral("нужно")};
        else
            rows << CMDMakeValues(records[i], formats, names, error);
    }
    return rows;
}

} // namespace pim
