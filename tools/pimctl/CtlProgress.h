#pragma once
// The progress of a long archive read on stderr: records read, records
// asked for, time gone and time left. The time left is the measured rate of
// the records read so far applied to the records still to come, so it
// settles as the read goes on instead of repeating a first guess.
//
// Pure formatting and timing decisions; the caller owns the clock and the
// stream, so the arithmetic is tested without waiting for anything.

#include <QString>
#include <QtGlobal>

namespace pimctl {

class CtlProgress {
public:
    // A line every this many milliseconds when stderr is not a terminal;
    // on a terminal the line is redrawn at most this often.
    static constexpr qint64 kLogEveryMs = 5000;
    static constexpr qint64 kDrawEveryMs = 100;

    // Milliseconds left, -1 while nothing was read to measure a rate by.
    static qint64 remainingMs(int done, int asked, qint64 elapsedMs);
    // "1:05", "12:00", "1:02:03".
    static QString duration(qint64 ms);
    // "архив: 120 из 4401 записей, прошло 0:12, осталось 7:15"
    static QString line(int done, int asked, qint64 elapsedMs);

    // Whether a line is due: the first one at once, then on a terminal a
    // redraw every kDrawEveryMs, elsewhere a new line every kLogEveryMs.
    static bool due(bool terminal, qint64 nowMs, qint64 lastShownMs);
};

} // namespace pimctl
