#include "reports/PrintForms.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/Registry.h"

#include <QDir>
#include <QFileInfo>

namespace pim {

namespace {

// Entries 00..40 of the full list. In 12..15 and 37..40 "apx" is written in
// Latin letters, as the operators' files have it.
const char *const kFull[] = {
    "00.%s~Тип устройства,",
    "01.%s~Серийный номер",
    "02.%s~дата текущая",
    "03.%d~номер системы",
    "04.от %s до %s~даты границ архива",
    "05.%s~наименование архива",
    "06.dd\".\"mm\".\"yy~арх дата",
    "07.%-25.1f~арх ТЕПЛО",
    "08.%-20.1f~арх Расход1",
    "09.%10.1f~арх Расход2",
    "10.%10.1f~арх Расход3",
    "11.%10.1f~арх Расх1-Расх2",
    "12.%10.1f~apx t°С подача",
    "13.%10.1f~apx t°С обратка",
    "14.%10.1f~apx t°С дополнительная  ",
    "15.%10.1f~apx t°С подача-обратка",
    "16.%10.1f~арх давление 1   ",
    "17.%10.1f~арх давление 2 ",
    "18.%.2d:00~арх час записи",
    "19.%d~арх ошибка системы",
    "20.%.2d:%.2d~арх пер-д работы с ош",
    "21.Итого:~слово ИТОГО:",
    "22.%dдн%.2d:%.2d~итого сумм время раб с ош",
    "23.%d~арх наработка",
    "24.%d~арх ошибка устройства",
    "25.%d~арх Время работы узла в минутах ",
    "26.%d~арх Тепл.энергия за отч.период",
    "27.%d~арх Объем V1 за отч.период",
    "28.%d~арх Объем V2 за отч.период",
    "29.%d~арх Объем V3 за отч.период",
    "30.%d~арх Время действия фатальной ошибки отч.период",
    "31.%d~арх Время действия ошибки малого расхода отч.период",
    "32.%d~арх Энергия ошибке малого расхода отч.период",
    "33.%d~арх Время действия ошибки сл большого расхода",
    "34.%d~арх Энергия ошибке сл. большого расхода отч.период",
    "35.%d~арх Время действия ошибки слишком малой Т1-Т2 отч.период",
    "36.%d~арх Энергия при ошибке малой Т1-Т2 отч.период",
    "37.%10.1f~ИТОГО Среднее арифметическое значение t°С подача",
    "38.%10.1f~ИТОГО Среднее арифметическое значение t°С обратка",
    "39.%10.1f~ИТОГО Среднее арифметическое значение t°С дополнительная  ",
    "40.%10.1f~ИТОГО Среднее арифметическое значение t°С подача-обратка",
};

QStringList fullList()
{
    QStringList l;
    for (const char *e : kFull)
        l << QString::fromUtf8(e);
    return l;
}

QStringList shortList()
{
    QStringList l = fullList().mid(0, 24);
    l[6] = QStringLiteral("06.dd\"/\"mm~арх дата");
    l[18] = QStringLiteral("18.:%.2d~арх час записи");
    l[21] = QStringLiteral("21.итого:~слово");
    return l;
}

QStringList headOf225()
{
    return {QStringLiteral("00.%s~Тип устройства,"), QStringLiteral("01.%s~Серийный номер"),
            QStringLiteral("02.%s~дата текущая"), QStringLiteral("03.от %s до %s~даты границ архива"),
            QStringLiteral("04.%s~наименование архива"), QStringLiteral("05.dd\"/\"mm~арх дата"),
            QStringLiteral("06.%-25.1f~арх ТЕПЛО"), QStringLiteral("07.%-20.1f~арх Расход1"),
            QStringLiteral("08.%10.1f~арх Расход2")};
}

QStringList temperatures()
{
    return fullList().mid(12, 4);
}

QStringList list225()
{
    QStringList l = headOf225();
    l << QStringLiteral("09.%10.1f~арх Расход3") << QStringLiteral("10.%10.1f~арх Расход без ГВС")
      << QStringLiteral("11.%10.1f~арх Расх1-Расх2") << temperatures()
      << QStringLiteral("16.%10.1f~арх ЭЭ 1 тариф   ") << QStringLiteral("17.%10.1f~арх ЭЭ 2 тариф ")
      << QStringLiteral("18.:%.2d~арх час записи") << QStringLiteral("19.%d~арх ошибка уст-ва")
      << QStringLiteral("20.%.2d:%.2d~арх пер-д работы с ош") << QStringLiteral("21.итого:~слово")
      << QStringLiteral("22.%dдн%.2d:%.2d~итого сумм время раб с ош");
    return l;
}

QStringList list227()
{
    QStringList l = headOf225();
    l << QStringLiteral("09.%10.1f~арх Расход ГВС") << QStringLiteral("10.%10.1f~арх Расход4")
      << QStringLiteral("11.%10.1f~арх Расх1-Расх2") << temperatures()
      << QStringLiteral("16.:%.2d~арх час записи") << QStringLiteral("17.%d~арх ошибка уст-ва")
      << QStringLiteral("18.%.2d:%.2d~арх пер-д работы с ош") << QStringLiteral("19.итого:~слово")
      << QStringLiteral("20.%dдн%.2d:%.2d~итого сумм время раб с ош");
    return l;
}

QStringList initialList()
{
    QStringList l = shortList().mid(0, 21);
    l[0] = QStringLiteral("00.%s~Тип устройства");
    for (int i = 21; i <= 31; ++i)
        l << QString::number(i) + QLatin1Char('.');
    return l;
}

QString spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

// `text` padded with spaces so that `word` starts at 1-based character `at`.
QString placeAt(QString text, int at, const QString &word)
{
    if (text.size() < at - 1)
        text += spaces(at - 1 - text.size());
    return text + word;
}

QString stops(std::initializer_list<int> values)
{
    QString s;
    for (int v : values) {
        const QString item = QString::number(v) + QLatin1Char('>');
        s += item + spaces(qMax(1, 8 - int(item.size())));
    }
    return s.trimmed();
}

QString columns(const QStringList &words, int width)
{
    QString s;
    for (const QString &w : words)
        s += w + spaces(qMax(1, width - int(w.size())));
    return s.trimmed();
}

const std::initializer_list<int> kRowStops = {0, 15, 28, 45, 60, 75, 95, 110, 130, 140, 155, 170, 178};
const QStringList kRowTokens = {QStringLiteral("@06"), QStringLiteral("@07"), QStringLiteral("@08"),
                                QStringLiteral("@09"), QStringLiteral("@10"), QStringLiteral("@12"),
                                QStringLiteral("@13"), QStringLiteral("@14"), QStringLiteral("@16"),
                                QStringLiteral("@17"), QStringLiteral("@19"), QStringLiteral("@20")};

// One column of a generated data section: the word of the first header
// line that opens its group (empty inside a group), the word of the second
// header line, the token of the rows, the token of the totals row (empty:
// the column stays empty there) and its width in millimetres.
struct Column {
    const char *group;
    const char *word;
    const char *row;
    const char *total;
    int width;
};

QString stopsOf(const QList<int> &values)
{
    QString s;
    for (int v : values) {
        const QString item = QString::number(v) + QLatin1Char('>');
        s += item + spaces(qMax(1, 8 - int(item.size())));
    }
    return s.trimmed();
}

// The data section of a column list: the group words over the first column
// of each group, the column words, the row template and the totals block,
// every word at the stop of the value it names.
QStringList dataOf(const QList<Column> &cols)
{
    QList<int> all, groups, totals;
    QStringList groupWords, words, row, total;
    int x = 0;
    for (const Column &c : cols) {
        all << x;
        words << QString::fromUtf8(c.word);
        row << QString::fromUtf8(c.row);
        if (*c.group) {
            groups << x;
            groupWords << QString::fromUtf8(c.group);
        }
        if (*c.total) {
            totals << x;
            total << QString::fromUtf8(c.total);
        }
        x += c.width;
    }
    QStringList lines;
    lines << QStringLiteral("^");
    lines << stopsOf(groups) << columns(groupWords, 14);
    lines << stopsOf(all) << columns(words, 10);
    lines << columns(row, 8);
    lines << QStringLiteral("{^");
    lines << QStringLiteral("{") + stopsOf(totals);
    lines << QStringLiteral("{") + columns(total, 8);
    return lines;
}

// The lists whose numbers follow the two-system modules (full and short):
// 06 date, 07 heat, 08..10 volumes, 12..14 temperatures, 16, 17 pressures,
// 18 hour, 19 error code, 20 (22 in the totals) time with error. The full
// list's hour ("05:00") has a column of its own; the short list's (":05")
// follows the date ("01/06:05").
QStringList dataTwoSystem(bool shortList, bool hourly)
{
    const bool hourColumn = hourly && !shortList;
    const bool hourAfterDate = hourly && shortList;
    QList<Column> cols;
    cols << Column{"ДАТА", shortList ? (hourly ? "дд/мм:чч" : "дд/мм") : "дд.мм.гг", hourAfterDate ? "@06@18" : "@06",
                   "@21", 16};
    if (hourColumn)
        cols << Column{"", "час", "@18", "", 10};
    cols << Column{"ТЕПЛО", "Гкал", "@07", "@07", hourColumn ? 15 : 17}
         << Column{"расходомеры", "первый", "@08", "@08", hourColumn ? 18 : 19}
         << Column{"", "второй", "@09", "@09", hourColumn ? 18 : 19}
         << Column{"", "третий", "@10", "@10", hourColumn ? 15 : 17}
         << Column{"температура", "подача", "@12", "@12", 14}
         << Column{"", "обратка", "@13", "@13", 14}
         << Column{"", "доп.", "@14", "@14", 12}
         << Column{"давление", "P1", "@16", "@16", hourColumn ? 10 : 11}
         << Column{"", "P2", "@17", "@17", hourColumn ? 10 : 11}
         << Column{"ошибка", "код", "@19", "@19", 10}
         << Column{"", "время", "@20", "@22", 0};
    return dataOf(cols);
}

// The list of type 227: 05 date, 06 heat, 07, 08 volumes 1, 2, 09 hot
// water, 10 volume 3, 12..14 temperatures, 16 hour (after the date), 17
// error code, 18 (20 in the totals) period with error.
QStringList data227(bool hourly)
{
    QList<Column> cols;
    cols << Column{"ДАТА", hourly ? "дд/мм:чч" : "дд/мм", hourly ? "@05@16" : "@05", "@19", 16}
         << Column{"ТЕПЛО", "Гкал", "@06", "@06", 17}
         << Column{"расходомеры", "первый", "@07", "@07", 19}
         << Column{"", "второй", "@08", "@08", 19}
         << Column{"", "ГВС", "@09", "@09", 16}
         << Column{"", "третий", "@10", "@10", 16}
         << Column{"температура", "подача", "@12", "@12", 15}
         << Column{"", "обратка", "@13", "@13", 15}
         << Column{"", "ГВС", "@14", "@14", 13}
         << Column{"ошибка", "код", "@17", "@17", 11}
         << Column{"", "период", "@18", "@20", 0};
    return dataOf(cols);
}

// A template file of the operator's: Windows-1251 as the program saves it,
// or UTF-8 as another editor may have; one past the bounds is refused (its
// section or list stays as it was) and said in `error` (the first refusal).
bool readTemplate(const QString &path, QStringList &lines, QString *error)
{
    if (!QFileInfo(path).isFile())
        return false;
    QString why;
    if (readTextLines(path, lines, &why, kTemplateFileBound)) {
        for (qsizetype i = 0; i < lines.size() && why.isEmpty(); ++i)
            if (lines[i].size() > kTemplateLineBound)
                why = QStringLiteral("файл %1 не прочитан: строка %2 длиннее %3 знаков")
                          .arg(QDir::toNativeSeparators(path))
                          .arg(i + 1)
                          .arg(kTemplateLineBound);
        if (why.isEmpty())
            return true;
    }
    if (error && error->isEmpty())
        *error = why;
    return false;
}

} // namespace

QStringList defaultVarList(VarList list)
{
    switch (list) {
    case VarList::Full: return fullList();
    case VarList::Short: return shortList();
    case VarList::U25: return list225();
    case VarList::U27: return list227();
    case VarList::Initial: return initialList();
    }
    return {};
}

VarList varListOf(const TypeInfo &type)
{
    if (type.module == ModuleId::U25)
        return VarList::U25;
    if (type.module == ModuleId::U27)
        return VarList::U27;
    return type.printVars == 41 ? VarList::Full : VarList::Short;
}

QString varFormat(const QString &entry)
{
    const qsizetype dot = entry.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    const qsizetype tilde = entry.indexOf(QLatin1Char('~'));
    if (tilde < 0)
        return entry.mid(dot + 1);
    return tilde > dot ? entry.mid(dot + 1, tilde - dot - 1) : QString();
}

QString fontLine(const ReportFont &font)
{
    const QChar tab = QLatin1Char('\t');
    QString name = font.name;
    if (const qsizetype t = name.indexOf(tab); t >= 0)
        name.truncate(t);
    QString s = QStringLiteral("Name=") + name + tab + QStringLiteral("Size=") + QString::number(font.size) + tab;
    if (font.bold)
        s += QStringLiteral("Bold") + tab;
    if (font.italic)
        s += QStringLiteral("Italic") + tab;
    return s;
}

void readMemoFont(ReportSection &section)
{
    if (section.lines.isEmpty())
        return;
    const QString first = section.lines.first();
    const qsizetype eq = first.indexOf(QLatin1Char('='));
    const qsizetype tab = eq < 0 ? -1 : first.indexOf(QLatin1Char('\t'), eq + 1);
    if (tab < 0)
        return;
    section.font.name = first.mid(eq + 1, tab - eq - 1).left(255);
    const QString rest = first.mid(tab + 1).left(255);
    const qsizetype eq2 = rest.indexOf(QLatin1Char('='));
    const qsizetype tab2 = eq2 < 0 ? -1 : rest.indexOf(QLatin1Char('\t'), eq2 + 1);
    if (tab2 < 0)
        return;
    bool ok = false;
    const int size = rest.mid(eq2 + 1, tab2 - eq2 - 1).trimmed().toInt(&ok);
    // A size no printer can use is as good as no number.
    section.font.size = ok && size > 0 && size <= 500 ? size : 8;
    // A whole font line is the whole font: a header saved without bold
    // loads without it, whatever the section held before.
    section.font.bold = rest.contains(QStringLiteral("Bold"));
    section.font.italic = rest.contains(QStringLiteral("Italic"));
    section.lines.removeFirst();
}

QString printFolder()
{
    return DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("ПЕЧАТЬ")});
}

PrintForms::PrintForms()
    : header(defaultHeader(VarList::U25)), data(defaultData(VarList::U25, false)), footer(defaultFooter()),
      vars(defaultVarList(VarList::Initial))
{
}

ReportSection PrintForms::defaultHeader(VarList list)
{
    const QString u = QStringLiteral("_");
    ReportSection s;
    s.font = ReportFont{QStringLiteral("MS Sans Serif"), 8, true, false};
    QString org = placeAt(QStringLiteral("Организация") + u.repeated(23), 109, QStringLiteral("Вычислитель"));
    s.lines << placeAt(org, 122, QStringLiteral("@00"));
    QString addr = placeAt(QStringLiteral("Адрес") + u.repeated(29), 109, QStringLiteral("Серийный №"));
    s.lines << placeAt(addr, 120, QStringLiteral("@01"));
    s.lines << QStringLiteral("Объект") + u.repeated(28);
    s.lines << QString();
    if (list == VarList::Full || list == VarList::Short)
        // The archive title, the date range and the heating system.
        s.lines << placeAt(QStringLiteral("@05"), 7, QStringLiteral("@04")) + QStringLiteral("   система @03");
    else
        s.lines << placeAt(QStringLiteral("@04"), 7, QStringLiteral("@03"));
    return s;
}

ReportSection PrintForms::defaultData(VarList list, bool hourly)
{
    ReportSection s;
    if (list == VarList::Full || list == VarList::Short) {
        s.lines = dataTwoSystem(list == VarList::Short, hourly);
        return s;
    }
    if (list == VarList::U27) {
        s.lines = data227(hourly);
        return s;
    }
    // The set the program starts with, in the numbers of the 225 list. Its
    // hourly set keeps every stop and prints the hour after the date
    // ("01/06:05").
    const QString date = hourly ? QStringLiteral("@05@18") : QStringLiteral("@05");
    s.lines << QStringLiteral("^");
    s.lines << stops({0, 15, 45, 105, 145, 170});
    s.lines << columns({QStringLiteral("ДАТА"), QStringLiteral("ТЕПЛО"), QStringLiteral("расходомеры"),
                        QStringLiteral("температура"), QStringLiteral("Эл.энергия"), QStringLiteral("ошибка")},
                       14);
    s.lines << stops({0, 15, 28, 45, 60, 75, 83, 95, 110, 130, 140, 142, 155, 157, 170, 178});
    s.lines << columns({hourly ? QStringLiteral("дд/мм:чч") : QStringLiteral("дд/мм"), QStringLiteral("Гкал"),
                        QStringLiteral("первый"), QStringLiteral("второй"), QStringLiteral("ГВС"), QStringLiteral("ГВС"),
                        QStringLiteral("огр"), QStringLiteral("подача"), QStringLiteral("обратка"),
                        QStringLiteral("ГВС"), QStringLiteral("1"), QStringLiteral("тариф"), QStringLiteral("2"),
                        QStringLiteral("тариф"), QStringLiteral("код"), QStringLiteral("период")},
                       8);
    s.lines << stops(kRowStops);
    s.lines << columns(QStringList{date} + kRowTokens, 8);
    s.lines << QStringLiteral("{^");
    s.lines << QStringLiteral("{") + stops(kRowStops);
    s.lines << QStringLiteral("{") + columns(QStringList{QStringLiteral("@21")} + kRowTokens, 8);
    return s;
}

ReportSection PrintForms::defaultFooter()
{
    ReportSection s;
    s.lines << QStringLiteral("Подпись ответственного лица");
    s.lines << spaces(32) + QStringLiteral("_").repeated(20);
    s.lines << spaces(32) + QStringLiteral("@02");
    s.lines << QString();
    return s;
}

QString PrintForms::varsFileName(int nn)
{
    return QStringLiteral("ФОРМАТЫ_%1.txt").arg(nn);
}

QString PrintForms::sectionFileName(int section, bool daily, int nn)
{
    static const char *const stems[] = {"ВЕРХ_", "ОСНОВА_", "НИЗ_"};
    return QString::fromUtf8(stems[qBound(0, section, 2)]) + (daily ? QStringLiteral("СУТ_") : QStringLiteral("ЧАС_"))
        + QString::number(nn) + QStringLiteral(".txt");
}

bool PrintForms::load(const QString &folder, int type, int kind, QString *error)
{
    const TypeInfo *info = typeInfo(type);
    if (!info || info->printFormat <= 0)
        return false;
    const int nn = info->printFormat;
    const VarList family = varListOf(*info);
    const QStringList defaults = defaultVarList(family);
    const QDir dir(folder);
    QStringList stored;
    const QString varsPath = dir.filePath(varsFileName(nn));
    m_refused.clear();
    // Each file read or refused: a refused one keeps its path here.
    auto take = [&](const QString &path, QStringList &lines) {
        if (readTemplate(path, lines, error))
            return true;
        if (QFileInfo(path).isFile())
            m_refused << QFileInfo(path).absoluteFilePath();
        return false;
    };
    if (take(varsPath, stored)) {
        // A list of another length gets the whole default list after its
        // own entries, so that a token past its end still reads an entry;
        // once it ends with that list (saved by a print) it is taken as it is.
        const bool completed = stored.size() > defaults.size() && stored.mid(stored.size() - defaults.size()) == defaults;
        if (stored.size() != defaults.size() && !completed)
            stored += defaults;
        vars = stored;
    } else {
        vars = defaults;
    }
    if (kind < 0 || kind > 3)
        return true;
    const bool daily = kind < 2;
    // A section without a file is the type's own built-in one: its tokens
    // are numbered as the type's list numbers its values, and an hourly set
    // prints the hour.
    const ReportSection defaults3[] = {defaultHeader(family), defaultData(family, !daily), defaultFooter()};
    ReportSection *sections[] = {&header, &data, &footer};
    for (int s = 0; s < 3; ++s) {
        QStringList lines;
        if (take(dir.filePath(sectionFileName(s, daily, nn)), lines))
            sections[s]->lines = lines;
        else
            *sections[s] = defaults3[s];
    }
    for (ReportSection *s : sections)
        readMemoFont(*s);
    return true;
}

QString PrintForms::save(const QString &folder, int type, int kind) const
{
    const TypeInfo *info = typeInfo(type);
    if (!info || info->printFormat <= 0)
        return QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    const int nn = info->printFormat;
    const QDir dir(folder);
    QString error;
    auto write = [&](const QString &name, const QStringList &lines) {
        if (m_refused.contains(QFileInfo(dir.filePath(name)).absoluteFilePath()))
            return;
        QString why;
        if (!writeLines(dir.filePath(name), lines, &why) && error.isEmpty())
            error = QDir::toNativeSeparators(dir.filePath(name)) + QStringLiteral(": ") + why;
    };
    write(varsFileName(nn), vars);
    if (kind < 0 || kind > 3)
        return error;
    const bool daily = kind < 2;
    const ReportSection *sections[] = {&header, &data, &footer};
    for (int s = 0; s < 3; ++s)
        write(sectionFileName(s, daily, nn), QStringList{fontLine(sections[s]->font)} + sections[s]->lines);
    return error;
}

} // namespace pim
