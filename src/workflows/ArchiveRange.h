#pragma once
// The date range of the archive page: the range choice with its eight items,
// the tolerance N that widens the readers' date filter and date check, the
// all-records flag, and the whole-archive range taken from what was read.

#include <QDate>
#include <QString>

namespace pim {

class ArchiveRange {
public:
    enum Item { Day, Week, WorkWeek, Decade, Month, PrevMonth, WholeArchive, AllRecords, ItemCount };

    static constexpr qint32 kDefaultTolerance = 2;
    static constexpr qint32 kAllRecordsTolerance = 2147483647;

    // The caption of an item as the range choice shows it.
    static QString itemCaption(int item);
    // "day", "week", ... as pimctl names the items; -1 for an unknown name.
    static int itemByName(const QString &name);

    // The "весь архив" span of a type in days back from today: for a daily
    // kind, and for an hourly kind (one day more is shown); false for a type
    // without archive.
    static bool wholeArchiveSpan(int type, int &days, int &hourlyDays);

    struct Outcome {
        QString statusFail; // for StatusFail, empty when none
        QString message;    // a programming-level message box, empty when none
    };

    // Runs the range choice for `item` as of `today`, for the archive kind
    // (0..3) of the selected tab and the current type.
    Outcome choose(int item, QDate today, int kind, int type);

    // A date picker changed: tolerance back to 2, all-records flag off.
    void setBegin(QDate d);
    void setEnd(QDate d);

    // Whole read archive: the oldest and newest day of the records read
    // (newest first). With no record nothing changes and false is returned.
    bool setWhole(const QList<int> &dayNumbersNewestFirst);

    // The readers narrow the range to what they read; flags stay.
    void setDates(QDate begin, QDate end) { m_begin = begin; m_end = end; }

    QDate begin() const { return m_begin; }
    QDate end() const { return m_end; }
    // Begin moved to end when it lies after it (the read command does this).
    void normalise();
    qint32 tolerance() const { return m_tolerance; }
    void setTolerance(qint32 n) { m_tolerance = n; }
    bool allRecords() const { return m_allRecords; }
    int item() const { return m_item; }

    // The date filter of the readers, in 64 bits so that the all-records
    // tolerance cannot overflow: begin·24 − N ≤ day·24 ≤ end·24 + N, all on
    // the date scale.
    static bool inFilter(int dayNumber, QDate begin, QDate end, qint64 tolerance);

private:
    QDate m_begin = QDate::currentDate();
    QDate m_end = QDate::currentDate();
    qint32 m_tolerance = kDefaultTolerance;
    bool m_allRecords = false;
    int m_item = WholeArchive;
};

} // namespace pim
