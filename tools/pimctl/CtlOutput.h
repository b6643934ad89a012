#pragma once
// What pimctl shows while a workflow runs: every status text on stderr as
// it comes (a repeated text once), the progress of an archive read, and the
// last failure for the exit.

#include "links/StatusSink.h"
#include "workflows/WorkflowUi.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QString>
#include <QTextStream>

namespace pim {
class DeviceSession;
}

namespace pimctl {

class CtlUi : public pim::WorkflowUi {
public:
    CtlUi();

    // The status line: the main label is printed, the page labels are not.
    void report(pim::StatusLabel label, pim::StatusKind kind, const QString &message) override;
    // The session whose identity prefixes the busy and ok texts.
    void setSession(const pim::DeviceSession *s) { m_session = s; }
    void message(const QString &text) override;

    // The last text shown, and whether it was a failure.
    QString lastStatus() const { return m_last; }
    bool lastFailed() const { return m_failed; }
    QString lastFailure() const { return m_failure; }

    // A line of pimctl's own on stderr ("записан ..."); and the line
    // stderr ended with, so that a failure text is the last one written.
    void note(const QString &text);
    QString lastLine() const { return m_shown; }

    // The progress of an archive read: `asked` records are wanted; each
    // record request and each reply that came is reported. Off with
    // --quiet; on a terminal one line drawn over itself, elsewhere a line
    // every few seconds.
    void setProgress(bool enabled, bool terminal);
    void archiveBegin(int asked);
    void archiveRequest();
    void archiveRecord();
    void archiveEnd();
    void progressShow(int maximum) override;
    int recordsRead() const { return m_done; }

    // A text made for one line of a status label: the decoders join their
    // faults with carriage returns, which a terminal would print over each
    // other.
    static QString terminalText(const QString &text);

private:
    void show(const QString &text);
    void write(const QString &text);
    void drawProgress();
    void clearProgressLine();

    QTextStream m_err;
    QString m_last;
    QString m_shown;
    QString m_failure;
    bool m_failed = false;
    bool m_progress = false;
    bool m_terminal = false;
    bool m_inArchive = false;
    bool m_remainingShown = false; // the reader's own time-left text, once
    int m_asked = 0;
    int m_done = 0;
    QElapsedTimer m_clock;         // from the first record request
    qint64 m_lastDrawn = -1;
    int m_lineWidth = 0;           // the progress line now on the terminal
    const pim::DeviceSession *m_session = nullptr;
};

// A table for a person at a terminal: the columns aligned, as many of
// them from the left as fit the width, and a last line saying how many
// were left out and how to get them all. Piped output is never made so.
struct CtlTable {
    // The width of the terminal on stdout (its window size, else $COLUMNS,
    // else 80); 0 when stdout is no terminal.
    static int terminalWidth();
    // `rows` (the first `headerRows` of them the header, underlined) laid
    // out within `width` characters; the first column is always shown.
    static QString aligned(const QList<QStringList> &rows, int headerRows, int width);
};

} // namespace pimctl
