#include "links/TerminalMemo.h"

#include "base/TextFile.h"

namespace pim {

TerminalMemo::TerminalMemo(int maxChars) : m_maxChars(qMax(64, maxChars))
{
    reset();
}

void TerminalMemo::reset()
{
    // The trace starts on the line after the title.
    m_lines = QStringList{QStringLiteral("Гипертерминал"), QString()};
    m_chars = int(m_lines.first().size());
}

void TerminalMemo::insert(const QString &text)
{
    if (text.isEmpty())
        return;
    if (m_lines.isEmpty())
        m_lines.append(QString());
    QString rest = text;
    rest.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList parts = rest.split(QLatin1Char('\n'));
    m_lines.last() += parts.first();
    for (int i = 1; i < parts.size(); ++i)
        m_lines.append(parts[i]);
    m_chars += int(rest.size()) - int(parts.size() - 1);
    trim();
}

void TerminalMemo::trim()
{
    while (m_chars > m_maxChars && m_lines.size() > 1) {
        m_chars -= int(m_lines.first().size());
        m_lines.removeFirst();
    }
    // One endless line (the hidden memo's "length(r)=" trace has no line
    // end): keep its newest part.
    if (m_chars > m_maxChars && m_lines.size() == 1) {
        QString &l = m_lines.first();
        l = l.right(m_maxChars / 2);
        m_chars = int(l.size());
    }
}

QString TerminalMemo::saveAndReset(const QString &path)
{
    // A trace that ends with its line break has an empty caret line; the
    // memo's lines do not count it, so the file does not get a blank line.
    QStringList lines = m_lines;
    if (lines.size() > 1 && lines.constLast().isEmpty())
        lines.removeLast();
    QString error;
    if (!writeLines(path, lines, &error))
        return error.isEmpty() ? QStringLiteral("ошибка записи ") + path : error;
    reset();
    return QString();
}

} // namespace pim
