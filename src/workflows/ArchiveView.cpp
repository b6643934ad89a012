#include "workflows/ArchiveView.h"

#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchiveRange.h"
#include "workflows/WorkflowUi.h"

#include <QDir>
#include <QFileInfo>

namespace pim {

namespace {
const ArhTab *tabOf(int type, int tabIndex)
{
    const TypeInfo *info = typeInfo(type);
    if (!info || tabIndex < 0 || tabIndex >= info->arhTabs.size())
        return nullptr;
    return &info->arhTabs[tabIndex];
}

QString csvCell(const QString &c)
{
    QString v = c.trimmed();
    if (v.contains(QLatin1Char(';')) || v.contains(QLatin1Char('"')) || v.contains(QLatin1Char('\n'))) {
        v.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        v = QLatin1Char('"') + v + QLatin1Char('"');
    }
    return v;
}

const QString kNothingSaved = QStringLiteral("нет ни одной записи архива: файл не записан");

bool printable(const QList<QStringList> &cells)
{
    return !cells.isEmpty() && !cells.last().join(QLatin1Char('\t')).contains(QStringLiteral("нет данных"));
}
} // namespace

ArchiveView::ArchiveView(WorkflowUi &ui, ArchiveRange &range, DeviceSession &session)
    : m_ui(ui), m_range(range), m_session(session)
{
}

QList<QStringList> ArchiveView::pick(const QStringList &rows, const QList<int> &columns)
{
    QList<QStringList> out;
    for (const QString &row : rows) {
        const QStringList cells = row.split(QLatin1Char('\t'));
        QStringList shown;
        for (int k : columns) {
            const int i = qAbs(k) - 1;
            // The row ends with a tab, so its last split piece is no cell.
            shown << (i >= 0 && i < cells.size() - 1 ? cells[i] : QString());
        }
        out << shown;
    }
    return out;
}

ArchiveView::Grid ArchiveView::build(int type, int tabIndex)
{
    Grid g;
    ArhCodec *codec = codecOf(type);
    const ArhTab *tab = tabOf(type, tabIndex);
    if (!codec || !tab) {
        m_ui.message(QStringLiteral("TFpim.TCaChange:НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА:") + QString::number(type));
        return g;
    }
    if (m_range.end() < m_range.begin())
        m_range.setDates(m_range.end(), m_range.end());
    g.kind = tab->kind;
    g.system = tab->system;
    codec->BuildArh(tab->kind, m_range.begin(), m_range.end(), m_range.allRecords());
    g.rows = codec->viewRows(tab->kind, tab->system - 1);
    g.columns = codec->columnMap(tab->kind);
    g.cells = pick(g.rows, g.columns);
    g.printable = printable(g.cells);
    const qsizetype shown = codec->displayed().size();
    g.records = int(arhKindIsDiff(tab->kind) ? qMax<qsizetype>(0, shown - 1) : shown);
    for (qsizetype i = 0; i < shown; ++i)
        g.gaps << codec->displayedGap(i);
    g.ok = true;
    return g;
}

QList<QStringList> ArchiveView::liveRows(int type, int tabIndex, int &shown)
{
    QList<QStringList> out;
    ArhCodec *codec = codecOf(type);
    const ArhTab *tab = tabOf(type, tabIndex);
    if (!codec || !tab)
        return out;
    const QList<ArhRec> &read = codec->readRecords(tab->kind);
    const QList<int> columns = codec->columnMap(tab->kind);
    const int sys = tab->system - 1;
    const bool diff = arhKindIsDiff(tab->kind);
    shown = qMax(0, shown);
    for (; shown + (diff ? 1 : 0) < read.size(); ++shown) {
        const ArhRec r = diff ? codec->difference(read[shown], read[shown + 1]) : read[shown];
        const QStringList cells = codec->ArhDateCell(r, sys);
        QStringList picked;
        for (int k : columns) {
            const int i = qAbs(k) - 1;
            picked << (i >= 0 && i < cells.size() ? cells[i] : QString());
        }
        out << picked;
    }
    return out;
}

bool ArchiveView::wholeArchive(int type, int tabIndex)
{
    ArhCodec *codec = codecOf(type);
    const ArhTab *tab = tabOf(type, tabIndex);
    if (!codec || !tab)
        return false;
    QList<int> days;
    for (const ArhRec &r : codec->readRecords(tab->kind))
        days << codec->day(r);
    return m_range.setWhole(days);
}

void ArchiveView::setPrecision(int digits)
{
    m_session.valueFormat().setPrecision(qBound(2, digits, 9));
}

ArhCodec *ArchiveView::codecOf(int type) const
{
    DeviceModule *m = m_session.moduleFor(type);
    return m ? m->arh() : nullptr;
}

QString ArchiveView::proposedPath(int type, int number, int tabIndex, const QDateTime &now) const
{
    const ArhTab *tab = tabOf(type, tabIndex);
    const QString caption = tab ? tab->caption : QString();
    return ArchiveFiles::deviceFolder(type, number) + QLatin1Char('/')
        + ArchiveFiles::proposedName(caption, m_range.begin(), m_range.end(), now);
}

ArchiveView::Saved ArchiveView::save(int type, int number, int tabIndex, const QString &path)
{
    Saved s;
    ArhCodec *codec = codecOf(type);
    const Grid g = build(type, tabIndex);
    if (!codec || !g.ok) {
        s.error = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
        return s;
    }
    if (g.records == 0) {
        s.nothing = true;
        s.error = kNothingSaved;
        return s;
    }
    // The device folders only for a file that goes into them: a file saved
    // elsewhere leaves no empty folders in the data folder.
    const QString deviceFolder = QDir::cleanPath(ArchiveFiles::deviceFolder(type, number));
    if (QDir::cleanPath(QFileInfo(path).absolutePath()) == deviceFolder) {
        s.messages = ArchiveFiles::makeDeviceFolder(type, number);
        for (const QString &m : s.messages)
            m_ui.message(m);
    }
    // A two-system type stores the half of the tab's system; the others
    // have only the first.
    const int sys = codec->halves() > 1 ? g.system - 1 : 0;
    s.ok = ArchiveFiles::save(path, ArchiveFiles::gridLines(g.cells), codec->ArhToFile(sys), &s.error);
    return s;
}

QStringList ArchiveView::csvLines(int type, const Grid &g) const
{
    QStringList lines;
    ArhCodec *codec = codecOf(type);
    if (!g.ok || !codec)
        return lines;
    const int dateColumn = int(g.columns.indexOf(1));
    QStringList head;
    for (int j = 0; j < g.columns.size(); ++j) {
        // The date column holds ISO dates, whatever the grid's header says.
        const QString h = j == dateColumn
            ? (g.cells.value(0).value(j) + QStringLiteral(" ГГГГ-ММ-ДД")).simplified()
            : (g.cells.value(0).value(j) + QLatin1Char(' ') + g.cells.value(1).value(j)).simplified();
        head << csvCell(h);
    }
    head << QStringLiteral("разрыв");
    lines << head.join(QLatin1Char(';'));
    const QList<ArhRec> &shown = codec->displayed();
    const int rowsEnd = g.printable ? int(g.cells.size()) : int(g.cells.size()) - 1;
    for (int row = 2; row < rowsEnd; ++row) {
        QStringList cells = g.cells[row];
        const int rec = row - 2;
        if (dateColumn >= 0 && dateColumn < cells.size() && rec < shown.size()
            && codec->day(shown[rec], g.system - 1) != kArhNoDay
            && !cells[dateColumn].startsWith(QStringLiteral("ИТОГО")))
            cells[dateColumn] = dayNumberToDate(codec->day(shown[rec], g.system - 1)).toString(Qt::ISODate);
        for (QString &c : cells)
            c = csvCell(c);
        const bool totals = arhKindIsDiff(g.kind) && row == g.cells.size() - 1;
        cells << (totals ? QString() : QString::number(g.gap(row) ? 1 : 0));
        lines << cells.join(QLatin1Char(';'));
    }
    return lines;
}

QString ArchiveView::saveCsv(int type, const Grid &g, const QString &path) const
{
    if (!g.ok || g.records == 0)
        return kNothingSaved;
    QString err;
    if (!writeLines(path, csvLines(type, g), &err))
        return err.isEmpty() ? QStringLiteral("не записан") : err;
    return QString();
}

ArchiveView::Grid ArchiveView::load(int type, const QString &path)
{
    Grid g;
    m_ui.statusBusy(QStringLiteral("чтение архива из файла: ") + QFileInfo(path).fileName());
    const ArchiveFiles::Loaded file = ArchiveFiles::load(path);
    if (!file.warning.isEmpty())
        m_ui.statusFail(file.warning);
    const ArchiveFiles::NamedType named = ArchiveFiles::namedType(path, type);
    const TypeInfo *current = typeInfo(type);
    const TypeInfo *given = typeInfo(named.type);
    // The named type's layout when it is another than the identified one.
    const int readType = given && (!current || given->module != current->module) ? named.type : type;
    ArhCodec *codec = codecOf(readType);
    if (!codec) {
        m_ui.message(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return g;
    }
    if (!file.ok()) {
        m_ui.statusFail(file.error);
        return g;
    }
    g.type = readType;
    const int recordLength = codec->halfSize();
    const QString model = ModelName(readType);
    QStringList models;
    for (int t : named.alike)
        models << ModelName(t);
    const QString as = named.type >= 0 ? QStringLiteral("%1 (%2)").arg(models.join(QLatin1Char('/')), named.source) : model;
    if (file.records(recordLength) == 0) {
        // The grid keeps its header rows and says there is nothing in it.
        g.kind = ArhHourly;
        g.rows = codec->ArhRows({}, 0);
        g.columns = codec->columnMap(ArhHourly);
        g.cells = pick(g.rows, g.columns);
        m_ui.statusFail(QStringLiteral("архива из файла: %1 - нет данных (%2 байт, а запись прибора %3 байт)")
                            .arg(path)
                            .arg(file.image.size())
                            .arg(recordLength));
        return g;
    }
    // Nothing in the file says its type: records of another length or
    // layout read as this type's are rows of nonsense, so a file that does
    // not fit is refused with what it most likely is.
    const QString otherType = named.type >= 0
        ? QStringLiteral("файл испорчен или это не архив %1").arg(as)
        : QStringLiteral("вероятно, это архив прибора другого типа (определен %1; файл из папки прибора "
                         "или с текстом .txt рядом читается по своему типу) или файл испорчен")
              .arg(model);
    g.leftover = file.leftover(recordLength);
    if (g.leftover > 0) {
        m_ui.statusFail(QStringLiteral("архив из файла: %1 - не прочитан: %2 байт - не целое число записей %3 по %4 "
                                       "байт; %5")
                            .arg(path)
                            .arg(file.image.size())
                            .arg(as)
                            .arg(recordLength)
                            .arg(otherType));
        return g;
    }
    const int count = file.records(recordLength);
    QByteArray image;
    image.reserve(file.image.size());
    for (int i = 0; i < count; ++i) {
        const QByteArray one = file.image.mid(qsizetype(i) * recordLength, recordLength);
        ArhRec r = codec->emptyRecord();
        r.setHalf(0, one);
        // Only the last record may be the totals of a difference tab.
        if (codec->realHalf(r, 0, i == count - 1 && count > 1))
            image += one;
        else
            ++g.unreal;
    }
    if (g.unreal > 0 && (named.type < 0 || image.isEmpty())) {
        m_ui.statusFail(QStringLiteral("архив из файла: %1 - не прочитан: %2 из %3 записей не могут быть записями %4 "
                                       "(дата, час или значения невозможны); %5")
                            .arg(path)
                            .arg(g.unreal)
                            .arg(count)
                            .arg(as)
                            .arg(otherType));
        g.unreal = 0;
        return g;
    }
    const ArhFileView v = codec->ArhFromFile(image);
    g.kind = ArhHourly;
    g.rows = v.rows;
    g.columns = v.columns;
    g.cells = pick(g.rows, g.columns);
    g.printable = true;
    g.records = v.records;
    g.ok = true;
    QString text = QStringLiteral("архива из файла: ") + path + QStringLiteral(" - прочитан");
    if (readType != type)
        text += QStringLiteral(" как ") + as;
    if (g.unreal > 0)
        text += QStringLiteral("; %1 записей не могут быть записями прибора (дата, час или значения невозможны): "
                               "пропущены")
                    .arg(g.unreal);
    m_ui.statusOk(text);
    return g;
}

} // namespace pim
