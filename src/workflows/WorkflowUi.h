#pragma once
// What the reading workflows tell the window while they run: status reports,
// message boxes, the terminal memo, the archive progress bar and view
// refreshes. The window implements it on its widgets and status line,
// pimctl prints to stderr, tests record. Every method has a do-nothing
// default so a caller implements only what it shows.

#include "links/StatusSink.h"

#include <QString>

namespace pim {

class WorkflowUi : public StatusSink {
public:
    ~WorkflowUi() override = default;

    // The status line: busy, ok, fail and the bare texts of a long job
    // (the archive reader's progress and result) through one report.
    void report(StatusLabel label, StatusKind kind, const QString &message) override
    {
        Q_UNUSED(label);
        Q_UNUSED(kind);
        Q_UNUSED(message);
    }
    void setLabelText(StatusLabel label, const QString &text) override
    {
        Q_UNUSED(label);
        Q_UNUSED(text);
    }

    // A programming-level mismatch ("TFpim.AreadstateExecute: Неправильный
    // тип прибора"): a message box in the window.
    virtual void message(const QString &text) { Q_UNUSED(text); }

    // The terminal memo: traces are appended only while it is visible.
    virtual bool memoVisible() const { return false; }
    virtual void memoAppend(const QString &text) { Q_UNUSED(text); }

    // The archive progress bar at the bottom edge of the window.
    virtual void progressShow(int maximum) { Q_UNUSED(maximum); }
    virtual void progressSet(int position) { Q_UNUSED(position); }
    virtual void progressRemove() {}

    // An archive read started or ended: "стоп" is enabled exactly while
    // one runs.
    virtual void readingChanged(bool reading) { Q_UNUSED(reading); }

    // A record was added to the archive being read: refresh the view
    // without clearing it and select its last row ("отображать архив при
    // чтении").
    virtual bool liveUpdate() const { return false; }
    virtual void archiveGrown(int kind) { Q_UNUSED(kind); }

    // After every record request of an archive read: records read, records
    // the range asks for, milliseconds spent so far and the time left in
    // seconds, estimated from the measured rate (-1 before the first
    // measurement).
    virtual void archiveProgress(int read, int asked, qint64 elapsedMs, qint64 secondsLeft)
    {
        Q_UNUSED(read); Q_UNUSED(asked); Q_UNUSED(elapsedMs); Q_UNUSED(secondsLeft);
    }
};

} // namespace pim
