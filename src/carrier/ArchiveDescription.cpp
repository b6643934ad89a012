#include "carrier/ArchiveDescription.h"

#include "devices/Registry.h"

#include "base/DataPath.h"
#include "base/Dates.h"
#include "base/TextFile.h"

#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace pim {
namespace {

struct Field {
    const char *caption, *unit, *format;
};

// Type 225, in record order, with their display positions.
const Field kFields225[] = {
    {"наработка", "чч:мм", "word"},        {"наработка", "с ош. час", "word"},
    {"Тепло", "Гкал", "single"},            {"Объем", "1-й, м3", "single"},
    {"Объем", "2-й, м3", "single"},         {"Объем", "3-й, м3", "single"},
    {"Объем", ">уст t°С, м3", "single"},    {"Эл.энергия", "тариф 1", "single"},
    {"Эл.энергия", "тариф 2", "single"},    {"t°С", "подача", "word/100"},
    {"t°С", "обратка", "word/100"},         {"t°С", "ГВС", "word/100"},
    {"Ошибка", " ", "byte"},                {"Период с ош.", "мин/час(час/сут)", "byte"},
    {"Время", "час", "byte"},               {"ДАТА", "дд.мм.гггг", "word/date"},
};
const int kPositions225[] = {15, -1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0};

// The two-system groups (228..230 and 234, 235 alike), in record order.
const Field kFieldsTwo[] = {
    {"наработка", "чч:мм", "word"},
    {"наработка 1c", "с ошибкой час", "word"},
    {"наработка 2c", "с ошибкой час", "word"},
    {"ТЕПЛО 1c", "Гкал", "single"},
    {"ТЕПЛО 2c", "Гкал", "single"},
    {"объем 1c", "1-й, м3", "single"},
    {"объем 1c", "2-й, м3", "single"},
    {"объем 1c", "3-й, м3", "single"},
    {"объем 2c", "1-й, м3", "single"},
    {"объем 2c", "2-й, м3", "single"},
    {"объем 2c", "3-й, м3", "single"},
    {"От пер", "раб, мин", "word"},
    {"От пер", "тепло 1c", "single"},
    {"От пер", "тепло 2c", "single"},
    {"От пер", "расх 1 1c", "single"},
    {"От пер", "расх 2 1c", "single"},
    {"От пер", "расх 3 1c", "single"},
    {"От пер", "расх 1 2c", "single"},
    {"От пер", "расх 2 2c", "single"},
    {"От пер", "расх 3 2c", "single"},
    {"t°С 1c", "подача", "single"},
    {"t°С 1c", "обратка", "single"},
    {"t°С 2c", "подача", "single"},
    {"t°С 2c", "обратка", "single"},
    {"t°С 1c", "доп.", "single"},
    {"t°С 2c", "доп.", "single"},
    {"Давление 1c", "1-й бар", "single"},
    {"Давление 1c", "2-й бар", "single"},
    {"Давление 2c", "1-й бар", "single"},
    {"Давление 2c", "2-й бар", "single"},
    {"с ошибкой 1c", "чч:мм", "word"},
    {"с ошибкой 2c", "чч:мм", "word"},
    {"Ош малого 1c", "расх", "word"},
    {"Ош малого 2c", "расх", "word"},
    {"Энергия 1c", "малого", "single"},
    {"Энергия 2c", "малого", "single"},
    {"Ош большого 1c", "расх", "word"},
    {"Ош большого 2c", "расх", "word"},
    {"Энергия 1c", "большого", "single"},
    {"Энергия 2c", "большого", "single"},
    {"Ош дельты 1c", "t°С", "word"},
    {"Ош дельты 2c", "t°С", "word"},
    {"Энергия 1c", "dt°С", "single"},
    {"Энергия 2c", "dt°С", "single"},
    {"Ошибка", "системы 1", "byte"},
    {"Ошибка", "системы 2", "byte"},
    {"Ошибка", "уст-ва", "byte"},
    {"Время", "час", "byte"},
    {"ДАТА", "дд.мм.гггг", "word/date"},
    {"dummy", " ", "byte"},
};
static_assert(std::size(kFieldsTwo) == ArchiveDescription::kRows - 1);

const char *const kRow0[ArchiveDescription::kColumns] = {
    "225",          "CoAD=127;", "CoAH=1023; ", "Q_ArhivL=49;",  "228;229;230;", "CoAD=61;",
    "CoAH=959;",    "Q_ArhivL=166;", "234;235;", "CoAD=365;",    "CoAH=1079;",   "Q_ArhivL=222;",
};

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

ArchiveDescription::ArchiveDescription()
{
    for (int r = 0; r < kRows; ++r)
        m_cells.append(QStringList(kColumns, QString()));
    for (int c = 0; c < kColumns; ++c)
        m_cells[0][c] = u(kRow0[c]);
    for (int i = 0; i < int(std::size(kFields225)); ++i) {
        QStringList &row = m_cells[i + 1];
        row[0] = u(kFields225[i].caption);
        row[1] = u(kFields225[i].unit);
        row[2] = u(kFields225[i].format);
        row[3] = QString::number(kPositions225[i]);
    }
    // Display positions of the two-system fields: operating time last but
    // one, its error hours before it, the date first, the hour second.
    for (int i = 0; i < kRows - 1; ++i) {
        const int pos = i == 0 ? 48 : i == 1 ? 47 : i < 47 ? i : i == 47 ? 1 : i == 48 ? 0 : -49;
        for (int g : {4, 8}) {
            QStringList &row = m_cells[i + 1];
            row[g] = u(kFieldsTwo[i].caption);
            row[g + 1] = u(kFieldsTwo[i].unit);
            row[g + 2] = u(kFieldsTwo[i].format);
            row[g + 3] = QString::number(pos);
        }
    }
}

QString ArchiveDescription::fileName()
{
    return DataPath({QStringLiteral("ДАННЫЕ")}, QStringLiteral("описание архивов"), QStringLiteral("txt"));
}

ArchiveDescription ArchiveDescription::programTable(QString *error)
{
    const QString path = fileName();
    QStringList lines;
    if (!QFileInfo::exists(path))
        return ArchiveDescription();
    // 51 rows of 12 short cells: a few kilobytes even with long captions.
    QString why = QStringLiteral("это не обычный файл");
    if (QFileInfo(path).isFile() && readLines(path, lines, &why, 1024 * 1024))
        return fromLines(lines);
    if (error)
        *error = why;
    return ArchiveDescription();
}

ArchiveDescription ArchiveDescription::fromLines(const QStringList &lines)
{
    ArchiveDescription t;
    t.m_columns = 0;
    for (int r = 0; r < kRows; ++r) {
        QStringList cells = r < lines.size() ? lines[r].split(QLatin1Char('\t')) : QStringList();
        // Every cell is followed by a TAB: what follows the last one is no cell.
        if (!cells.isEmpty())
            cells.removeLast();
        for (int c = 0; c < kColumns; ++c)
            t.m_cells[r][c] = cells.value(c);
        if (r == 0)
            t.m_columns = int(qMin<qsizetype>(cells.size(), kColumns));
    }
    return t;
}

QString ArchiveDescription::cell(int row, int column) const
{
    if (row < 0 || row >= kRows || column < 0 || column >= m_columns)
        return QString();
    return m_cells[row][column];
}

int ArchiveDescription::columnGroup(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t ? t->carrierGroup : -1;
}

bool ArchiveDescription::cellNumber(const QString &cell, int &value)
{
    const int eq = int(cell.indexOf(QLatin1Char('=')));
    const int semi = int(cell.indexOf(QLatin1Char(';'), eq + 1));
    if (eq < 0 || semi < 0)
        return false;
    bool ok = false;
    const int v = cell.mid(eq + 1, semi - eq - 1).trimmed().toInt(&ok);
    if (!ok)
        return false;
    value = v;
    return true;
}

QStringList ArchiveDescription::formats(int group) const
{
    QStringList out;
    for (int r = 1; r < kRows; ++r) {
        const QString f = cell(r, group + 2).trimmed();
        if (f.isEmpty() && cell(r, group).trimmed().isEmpty())
            break;
        out << f;
    }
    return out;
}

QStringList ArchiveDescription::names(int group) const
{
    QStringList out;
    for (int r = 1; r < kRows; ++r) {
        const QString a = cell(r, group).trimmed(), b = cell(r, group + 1).trimmed();
        if (a.isEmpty() && cell(r, group + 2).trimmed().isEmpty())
            break;
        out << (b.isEmpty() ? a : a + QLatin1Char(' ') + b);
    }
    return out;
}

QStringList CMDMakeValues(const QByteArray &record, const QStringList &formats, const QStringList &names,
                          QString *error)
{
    QStringList out;
    int pos = 0;
    const int n = int(record.size());
    auto bytes = [&](int w) { return pos + w <= n; };
    auto word = [&] { return qFromLittleEndian<quint16>(record.constData() + pos); };
    for (int i = 0; i < formats.size(); ++i) {
        const QString f = formats[i].trimmed();
        QString v;
        int width = 0;
        if (f == QLatin1String("byte")) {
            width = 1;
            if (bytes(1))
                v = QString::number(quint8(record[pos]));
        } else if (f == QLatin1String("word")) {
            width = 2;
            if (bytes(2))
                v = QString::number(word());
        } else if (f == QLatin1String("single")) {
            width = 4;
            if (bytes(4)) {
                const quint32 bits = qFromLittleEndian<quint32>(record.constData() + pos);
                float x;
                std::memcpy(&x, &bits, 4);
                v = QString::number(double(x), 'g', 7);
            }
        } else if (f == QLatin1String("word/10") || f == QLatin1String("word/100")) {
            width = 2;
            if (bytes(2))
                v = QString::number(word() / (f == QLatin1String("word/10") ? 10.0 : 100.0), 'f',
                                    f == QLatin1String("word/10") ? 1 : 2);
        } else if (f.contains(QLatin1String("word/date"))) {
            width = 2;
            if (bytes(2)) {
                const int eq = int(f.indexOf(QLatin1Char('=')));
                const QString pattern = eq >= 0 ? f.mid(eq + 1) : QString();
                const QDate d = dayNumberToDate(word());
                v = pattern.isEmpty() ? shortDateText(d) : formatDateTime(pattern, QDateTime(d, QTime(0, 0)));
            }
        } else {
            if (error)
                *error = QStringLiteral("TCustomCMD.CMDMakeValues:") + QStringLiteral(" не опознаный формат: ") + f;
            break;
        }
        if (!bytes(width))
            v = QStringLiteral("данные кончились");
        pos += width;
        out << names.value(i) + QLatin1Char('=') + v;
    }
    return out;
}

} // namespace pim
