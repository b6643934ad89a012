#include "CtlOutput.h"

#include "CtlProgress.h"
#include "devices/DeviceSession.h"

#include "workflows/StatusLine.h"

#include <QByteArray>

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace pimctl {

CtlUi::CtlUi() : m_err(stderr) {}

void CtlUi::show(const QString &text)
{
    m_last = text;
    if (text == m_shown)
        return;
    // The reader repeats its time-left estimate before every record: the
    // first says the read has begun, the progress line does the rest.
    if (m_inArchive && text.startsWith(QStringLiteral("чтение архива. Ждите..."))) {
        if (m_remainingShown)
            return;
        m_remainingShown = true;
    }
    m_shown = text;
    write(text);
}

void CtlUi::note(const QString &text)
{
    m_shown = text;
    write(text);
}

void CtlUi::write(const QString &text)
{
    clearProgressLine();
    m_err << terminalText(text) << Qt::endl;
}

// ------------------------------------------------------------- progress

void CtlUi::setProgress(bool enabled, bool terminal)
{
    m_progress = enabled;
    m_terminal = terminal;
}

void CtlUi::archiveBegin(int asked)
{
    m_inArchive = true;
    m_remainingShown = false;
    m_asked = asked;
    m_done = 0;
    m_lastDrawn = -1;
    m_clock.invalidate();
}

void CtlUi::progressShow(int maximum)
{
    // The reader's bar spans the ring: no more records can be asked for.
    if (m_inArchive && maximum > 0)
        m_asked = qMin(m_asked, maximum + 1);
}

void CtlUi::archiveRequest()
{
    if (m_inArchive && !m_clock.isValid())
        m_clock.start();
}

void CtlUi::archiveRecord()
{
    if (!m_inArchive)
        return;
    ++m_done;
    drawProgress();
}

void CtlUi::archiveEnd()
{
    clearProgressLine();
    m_inArchive = false;
}

void CtlUi::drawProgress()
{
    if (!m_progress || !m_clock.isValid())
        return;
    const qint64 now = m_clock.elapsed();
    if (!CtlProgress::due(m_terminal, now, m_lastDrawn))
        return;
    m_lastDrawn = now;
    const QString line = CtlProgress::line(m_done, m_asked, now);
    if (!m_terminal) {
        m_err << line << Qt::endl;
        return;
    }
    // Drawn over the last one; a shorter line blanks what the longer left.
    m_err << '\r' << line.leftJustified(m_lineWidth, QLatin1Char(' '));
    m_err.flush();
    m_lineWidth = int(line.size());
}

void CtlUi::clearProgressLine()
{
    if (m_lineWidth == 0)
        return;
    // The line stays with the count as it is now; the next text goes below.
    const QString line = CtlProgress::line(m_done, m_asked, m_clock.elapsed());
    m_err << '\r' << line.leftJustified(m_lineWidth, QLatin1Char(' ')) << Qt::endl;
    m_lineWidth = 0;
}

QString CtlUi::terminalText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

void CtlUi::report(pim::StatusLabel label, pim::StatusKind kind, const QString &message)
{
    if (label != pim::StatusLabel::LuState)
        return;
    m_failed = kind == pim::StatusKind::Fail;
    if (m_failed)
        m_failure = message;
    const bool prefixed = kind == pim::StatusKind::Busy || kind == pim::StatusKind::Ok;
    show(prefixed && m_session ? pim::StatusLine::withDevicePrefix(m_session->identity(), message) : message);
}

void CtlUi::message(const QString &text)
{
    m_failed = true;
    m_failure = text;
    show(text);
}

// ------------------------------------------------------------- tables

int CtlTable::terminalWidth()
{
    if (::isatty(STDOUT_FILENO) != 1)
        return 0;
    winsize ws{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && columns > 0 ? columns : 80;
}

QString CtlTable::aligned(const QList<QStringList> &rows, int headerRows, int width)
{
    constexpr int kGap = 2;
    int columns = 0;
    for (const QStringList &r : rows)
        columns = qMax(columns, int(r.size()));
    QList<int> widths(columns, 0);
    for (const QStringList &r : rows)
        for (int c = 0; c < r.size(); ++c)
            widths[c] = qMax(widths[c], int(r[c].trimmed().size()));
    // Columns from the left while they fit; the first one in any case.
    int shown = 0, used = 0;
    while (shown < columns && (shown == 0 || used + kGap + widths[shown] <= width)) {
        used += (shown > 0 ? kGap : 0) + widths[shown];
        ++shown;
    }
    auto line = [&](const QStringList &r) {
        QString l;
        for (int c = 0; c < shown; ++c) {
            if (c > 0)
                l += QString(kGap, QLatin1Char(' '));
            const QString cell = r.value(c).trimmed();
            // Numbers right-aligned, texts left; no blanks at the line's end.
            bool number = false;
            QString(cell).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&number);
            l += number ? cell.rightJustified(widths[c]) : cell.leftJustified(widths[c]);
        }
        while (l.endsWith(QLatin1Char(' ')))
            l.chop(1);
        return l + QLatin1Char('\n');
    };
    QString out;
    for (int i = 0; i < rows.size(); ++i) {
        out += line(rows[i]);
        if (i == headerRows - 1)
            out += QString(qMin(used, qMax(width, 1)), QLatin1Char('-')) + QLatin1Char('\n');
    }
    if (shown < columns)
        out += QStringLiteral("(столбцов %1 из %2; все: --csv FILE, --json или вывод через | cat)\n")
                   .arg(shown)
                   .arg(columns);
    return out;
}

} // namespace pimctl
