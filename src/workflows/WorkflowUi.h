#pragma once
// What the reading workflows tell the window while they run: status texts,
// message boxes, the terminal memo, the archive progress bar and view
// refreshes. The window implements it on its widgets and status line,
// pimctl prints to stderr, tests record. Every method has a do-nothing
// default so a caller implements only what it shows.

#include <QString>

namespace pim {

class WorkflowUi {
public:
    // Colours in blue-green-red order, as the status line takes them.
    static constexpr quint32 kOlive = 0x008080;
    static constexpr quint32 kGreen = 0x008000;
    static constexpr quint32 kRed = 0x0000FF;

    virtual ~WorkflowUi() = default;

    // The status kinds of the status line: busy (olive, yellow lamp, with
    // the device prefix), ok (green), fail (red, bare text), and a bare text
    // in a colour (the archive reader's progress and result texts).
    virtual void statusBusy(const QString &text) { Q_UNUSED(text); }
    virtual void statusOk(const QString &text) { Q_UNUSED(text); }
    virtual void statusFail(const QString &text) { Q_UNUSED(text); }
    virtual void statusText(const QString &text, quint32 colour) { Q_UNUSED(text); Q_UNUSED(colour); }

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
