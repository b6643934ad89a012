#pragma once
// What pimctl shows while a workflow runs: every status text on stderr as
// it comes (a repeated text once), and the last failure for the exit.

#include "links/StatusSink.h"
#include "workflows/WorkflowUi.h"

#include <QString>
#include <QTextStream>

namespace pimctl {

class CtlUi : public pim::WorkflowUi {
public:
    CtlUi();

    // The status line: the main label is printed, the page labels are not.
    void report(pim::StatusLabel label, pim::StatusKind kind, const QString &message) override;
    void message(const QString &text) override;

    // The last text shown, and whether it was a failure.
    QString lastStatus() const { return m_last; }
    bool lastFailed() const { return m_failed; }
    QString lastFailure() const { return m_failure; }
    void quiet(bool q) { m_quiet = q; }

    // A line of pimctl's own on stderr ("записан ..."); and the line
    // stderr ended with, so that a failure text is the last one written.
    void note(const QString &text);
    QString lastLine() const { return m_shown; }

    // A text made for one line of a status label: the decoders join their
    // faults with carriage returns, which a terminal would print over each
    // other.
    static QString terminalText(const QString &text);

private:
    void show(const QString &text);

    QTextStream m_err;
    QString m_last;
    QString m_shown;
    QString m_failure;
    bool m_failed = false;
    bool m_quiet = false;
};

} // namespace pimctl
