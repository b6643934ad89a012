#include "links/PhoneBook.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "links/ModemDialer.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace pim {

namespace {
const QChar kTab = QLatin1Char('\t');
}

QStringList PhoneBook::headers()
{
    return {QStringLiteral("НАИМЕНОВАНИЕ"), QStringLiteral("ТЕЛЕФОН"), QStringLiteral("ПОРТ"),
            QStringLiteral("ТОН/ИМП"),      QStringLiteral("КОД ГОР"), QStringLiteral("КОД В ГОР"),
            QStringLiteral("КОД МЕЖГОР")};
}

PhoneBook PhoneBook::defaults()
{
    PhoneBook b;
    b.m_rows = {headers(),
                {QStringLiteral("ТЕПЛОСЧЕТЧИК"), QStringLiteral("525"), QStringLiteral("COM5"), QStringLiteral("T"),
                 QString(), QString(), QString()}};
    return b;
}

QString PhoneBook::defaultPath()
{
    return DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("МОДЕМ")}, QStringLiteral("СОЕДИНЕНИЯ"),
                    QStringLiteral("TXT"));
}

bool PhoneBook::load(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path)) {
        *this = defaults();
        QDir().mkpath(QFileInfo(path).absolutePath());
        return save(path, error);
    }
    QStringList lines;
    if (!readLines(path, lines, error)) {
        *this = defaults();
        return false;
    }
    m_rows.clear();
    m_refused.clear();
    int columns = ColumnCount;
    QList<int> lineNumbers;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.isEmpty())
            continue;
        lineNumbers.append(int(n + 1));
        // Every cell ends with its TAB; a line cut short of the last one
        // is read as if it were there.
        if (!line.endsWith(kTab))
            line.append(kTab);
        QStringList cells = line.split(kTab);
        cells.removeLast();
        columns = qMax(columns, int(cells.size()));
        m_rows.append(cells);
    }
    for (QStringList &row : m_rows)
        while (row.size() < columns)
            row.append(QString());
    if (m_rows.isEmpty()) {
        QStringList h = headers();
        while (h.size() < columns)
            h.append(QString());
        m_rows.append(h);
    }
    for (qsizetype i = 1; i < m_rows.size(); ++i) {
        const PhoneEntry e = entryOf(m_rows[i]);
        // An entry without a number yet is no danger; one whose texts
        // would reach the modem as more than a dial is.
        QString why = ModemDialer::dialStringError(QStringLiteral("номер"), e.phone);
        if (why.isEmpty())
            why = ModemDialer::dialStringError(QStringLiteral("код выхода в город"), e.exitCode);
        if (why.isEmpty())
            why = ModemDialer::dialStringError(QStringLiteral("код межгорода"), e.longCode);
        if (why.isEmpty())
            why = ModemDialer::dialStringError(QStringLiteral("код города"), e.cityCode);
        if (!why.isEmpty())
            m_refused.append({e.name, QStringLiteral("%1, строка %2: запись \"%3\": %4")
                                          .arg(QFileInfo(path).fileName())
                                          .arg(lineNumbers.value(i))
                                          .arg(e.name, why)});
    }
    return true;
}

QStringList PhoneBook::refusals() const
{
    QStringList out;
    for (const auto &r : m_refused)
        out.append(r.second);
    return out;
}

QString PhoneBook::refusal(const QString &name) const
{
    for (const auto &r : m_refused)
        if (r.first == name)
            return r.second;
    return {};
}

bool PhoneBook::save(const QString &path, QString *error) const
{
    QStringList lines;
    for (const QStringList &row : m_rows) {
        QString line;
        for (const QString &cell : row)
            line += cell + kTab;
        lines.append(line);
    }
    return writeLines(path, lines, error);
}

QStringList PhoneBook::names() const
{
    QStringList n;
    for (int i = 1; i < m_rows.size(); ++i)
        n.append(m_rows[i].value(Name));
    return n;
}

PhoneEntry PhoneBook::entryOf(const QStringList &row)
{
    PhoneEntry e;
    e.name = row.value(Name);
    e.phone = row.value(Phone);
    e.port = row.value(Port);
    e.tone = row.value(ToneCol) == QLatin1String("T");
    e.cityCode = row.value(CityCode);
    e.exitCode = row.value(ExitCode);
    e.longCode = row.value(LongCode);
    return e;
}

QStringList PhoneBook::rowOf(const PhoneEntry &e)
{
    return {e.name, e.phone, e.port, e.tone ? QStringLiteral("T") : QStringLiteral("P"), e.cityCode, e.exitCode,
            e.longCode};
}

bool PhoneBook::find(const QString &name, PhoneEntry *entry) const
{
    for (int i = 1; i < m_rows.size(); ++i)
        if (m_rows[i].value(Name) == name) {
            if (entry)
                *entry = entryOf(m_rows[i]);
            return true;
        }
    return false;
}

void PhoneBook::sortEntries(bool ascending)
{
    if (m_rows.size() < 3)
        return;
    std::stable_sort(m_rows.begin() + 1, m_rows.end(), [ascending](const QStringList &a, const QStringList &b) {
        const int c = QString::compare(a.value(Name), b.value(Name), Qt::CaseInsensitive);
        return ascending ? c < 0 : c > 0;
    });
}

void PhoneBook::store(const PhoneEntry &entry)
{
    QStringList row = rowOf(entry);
    const int width = m_rows.isEmpty() ? int(ColumnCount) : int(m_rows[0].size());
    while (row.size() < width)
        row.append(QString());
    if (m_rows.isEmpty())
        m_rows.append(headers());
    bool found = false;
    for (int i = 1; i < m_rows.size() && !found; ++i)
        if (m_rows[i].value(Name) == entry.name) {
            // Cells past the book's own columns stay as the file had them.
            for (int c = 0; c < ColumnCount; ++c)
                m_rows[i][c] = row[c];
            found = true;
        }
    if (!found)
        m_rows.append(row);
    sortEntries(true);
}

bool PhoneBook::remove(const QString &name)
{
    if (!canRemove() || !find(name))
        return false;
    // Every row of that name goes: a hand-edited book may hold a name
    // twice, and emptying both names to drop one row would leave a row
    // without a name behind. The last entry stays all the same.
    for (qsizetype i = m_rows.size() - 1; i >= 1 && m_rows.size() > 2; --i)
        if (m_rows[i].value(Name) == name)
            m_rows.removeAt(i);
    sortEntries(true);
    return true;
}

} // namespace pim
