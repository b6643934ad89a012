#pragma once
// The terminal memo ("Гипертерминал"): the trace of every serial attempt.
// Text is inserted at the end, CR LF starts a new line. The memo is capped:
// the trace runs for hours of polling, even while the memo is hidden, so the
// oldest lines go once the cap is reached.

#include <QString>
#include <QStringList>

namespace pim {

class TerminalMemo {
public:
    static constexpr int kDefaultMaxChars = 1 << 20;

    explicit TerminalMemo(int maxChars = kDefaultMaxChars);

    bool isVisible() const { return m_visible; }
    void setVisible(bool v) { m_visible = v; }

    // Inserts text at the caret (the end); "\r\n" (or a lone "\n") breaks the line.
    void insert(const QString &text);
    QStringList lines() const { return m_lines; }
    QString text() const { return m_lines.join(QStringLiteral("\r\n")); }
    int charCount() const { return m_chars; }
    int maxChars() const { return m_maxChars; }

    // Back to the single line "Гипертерминал".
    void reset();
    // Saves the lines (Windows-1251, CR LF) and resets; the error text, empty
    // on success (the memo is left as it was on failure).
    QString saveAndReset(const QString &path);

private:
    void trim();

    QStringList m_lines;
    int m_chars = 0;
    int m_maxChars;
    bool m_visible = false;
};

} // namespace pim
