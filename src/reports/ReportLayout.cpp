#include "reports/ReportLayout.h"

#include "reports/FillVars.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace pim {

namespace {

// The engine's tab positions for a tab character inside a printed text.
constexpr double kTabStepMm = 12.7;

const QChar kTotals = QLatin1Char('{');

ReportFont engineFont()
{
    return ReportFont{QStringLiteral("Arial"), 10, false, false};
}

} // namespace

QList<int> parseTabs(const QString &line, double rightMargin)
{
    QString s = line;
    s.remove(QLatin1Char(' '));
    QStringList items = s.split(QLatin1Char('>'));
    items.removeLast(); // the text after the last ">"
    const int rightEdge = qBound(0, int(std::lround(194.0 - rightMargin)), 254);
    QList<int> stops;
    for (const QString &item : items) {
        bool ok = false;
        const qint64 n = item.toLongLong(&ok);
        const qint64 v = ok ? n : 0;
        stops << (v >= 255 ? rightEdge : int(std::clamp<qint64>(v, 0, 254)));
    }
    return stops;
}

ReportLayout::ReportLayout(ReportCanvas &canvas, const PageSettings &page) : m_c(canvas), m_page(page) {}

void ReportLayout::setFont(const ReportFont &f)
{
    m_font = f;
    m_c.setFont(f);
}

void ReportLayout::gotoXY(double x, double y)
{
    m_x = x;
    m_y = y;
}

void ReportLayout::newLine()
{
    m_x = m_page.left;
    m_y += m_c.lineHeightMm();
}

void ReportLayout::printText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            const double from = m_x - m_page.left;
            m_x = m_page.left + (std::floor(from / kTabStepMm + 1e-9) + 1) * kTabStepMm;
        }
        if (!parts[i].isEmpty()) {
            m_c.drawText(m_x, m_y, parts[i]);
            m_x += m_c.textWidthMm(parts[i]);
        }
    }
}

void ReportLayout::printLine(const QString &text)
{
    printText(text);
    newLine();
}

void ReportLayout::drawMargins()
{
    m_c.drawFrame(m_page.left, m_page.top, m_rightEdge, m_bottomEdge);
    // The engine's "line 2" of the page: continuation pages start there.
    gotoXY(m_page.left, 2 * m_c.lineHeightMm());
}

void ReportLayout::newReportPage()
{
    m_c.newPage();
    ++m_pages;
    gotoXY(m_page.left, m_page.top);
    if (m_page.frame)
        drawMargins();
}

void ReportLayout::printHeadMemo(const QStringList &lines, const ReportFont &font)
{
    m_slot1 = m_font;
    setFont(font);
    gotoXY(m_page.left, m_page.top);
    newLine();
    for (const QString &l : lines) {
        gotoXY(m_page.left, m_y);
        printLine(l);
    }
    setFont(m_slot1);
}

void ReportLayout::printDataHead(const QStringList &data)
{
    for (const QString &l : data) {
        if (l.contains(kTotals))
            continue;
        if (l.contains(QLatin1Char('@')))
            m_rowTemplate = l;
        else if (l.contains(QLatin1Char('>')))
            m_stops = parseTabs(l, m_page.right);
        else
            printTabLine(l);
    }
    newLine();
}

void ReportLayout::printTabLine(const QString &line)
{
    if (line.contains(QLatin1Char('^'))) {
        newLine();
        return;
    }
    static const QRegularExpression spaces(QStringLiteral(" +"));
    QString s = line;
    s.replace(spaces, QStringLiteral(" "));
    if (s.startsWith(QLatin1Char(' ')))
        s.remove(0, 1);
    s += QLatin1Char(' ');
    // A word wider than its column pushes the next one to its right, a
    // blank's width after it, on this line instead of being drawn over it.
    const double gap = m_c.textWidthMm(QStringLiteral(" "));
    double end = -1e9;
    for (int stop : std::as_const(m_stops)) {
        const qsizetype sp = s.indexOf(QLatin1Char(' '));
        const QString word = sp < 0 ? QString() : s.left(sp);
        s.remove(0, sp < 0 ? s.size() : sp + 1);
        const double x = m_page.left + stop;
        gotoXY(x < end ? end + gap : x, m_y);
        printText(word);
        if (!word.isEmpty())
            end = m_x;
    }
    newLine();
    gotoXY(m_x, m_y + m_page.interval);
}

QString ReportLayout::fill(const ReportData &d, const QString &line, const ArhRec &rec) const
{
    return d.filler ? d.filler->fill(line, rec, d.half) : line;
}

void ReportLayout::render(const ReportSection &header, const ReportSection &data, const ReportSection &footer,
                          const ReportData &d)
{
    m_rowTemplate.clear();
    m_stops.clear();
    m_pages = 1;
    setFont(engineFont());
    m_slot1 = m_font;
    m_rightEdge = m_c.pageWidthMm() - m_page.right;
    m_bottomEdge = m_c.pageHeightMm() - m_page.bottom;
    gotoXY(m_page.left, m_page.top);
    if (m_page.frame)
        drawMargins();

    const ArhRec empty = d.codec ? d.codec->emptyRecord() : ArhRec();
    QStringList mr;
    for (const QString &l : header.lines)
        mr << fill(d, l, empty);
    printHeadMemo(mr, header.font);

    newLine();
    setFont(data.font);
    printDataHead(data.lines);

    if (!d.filler || !d.codec)
        return;

    // The records that make rows: a negative day is a record not read or
    // the totals record.
    bool anyRow = false;
    const qsizetype n = d.table.size();
    for (qsizetype k = 0; k < n; ++k) {
        const ArhRec &rec = d.table[d.reverse ? n - 1 - k : k];
        if (d.codec->day(rec, d.half) < 0)
            continue;
        anyRow = true;
        if (!m_rowTemplate.isEmpty())
            printTabLine(fill(d, m_rowTemplate, rec));
        if (pageFull()) {
            newReportPage();
            printDataHead(data.lines);
        }
    }

    // An empty archive has no last record: its footer is filled from the
    // empty record and it has no totals row.
    const ArhRec &last = anyRow ? d.table.last() : empty;
    if (arhKindIsDiff(d.kind)) {
        for (const QString &line : data.lines) {
            if (!line.contains(kTotals))
                continue;
            const QString l = line.mid(1);
            if (l.contains(QLatin1Char('@'))) {
                m_rowTemplate = l;
            } else if (l.contains(QLatin1Char('>'))) {
                m_stops = parseTabs(l, m_page.right);
            } else {
                if (pageFull())
                    newReportPage();
                printTabLine(l);
            }
        }
        newLine();
        if (pageFull())
            newReportPage();
        if (anyRow && !m_rowTemplate.isEmpty())
            printTabLine(fill(d, m_rowTemplate, last));
    }

    newLine();
    setFont(m_slot1);
    setFont(footer.font);
    for (const QString &l : footer.lines) {
        gotoXY(m_page.left, m_y);
        if (pageFull())
            newReportPage();
        printLine(fill(d, l, last));
    }
    setFont(m_slot1);
}

} // namespace pim
