#pragma once
// The archive codec of a module: the record layout (which is also the record
// image of archive files), the request plan, reply decoding, ordering, the
// displayed archive with its totals, the grid rows and the file images.
//
// A codec keeps, for the whole run, its request plan, the last read daily
// and hourly arrays, the displayed archive and the average temperatures of
// the last differential build.

#include "devices/DeviceModule.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <climits>

namespace pim {

struct ArhLayout; // devices/ArhLayout.h

// Archive kinds of a tab: 0 daily cumulative, 1 daily differential, 2 hourly
// cumulative, 3 hourly differential.
enum ArhKind : int { ArhDaily = 0, ArhDailyDiff = 1, ArhHourly = 2, ArhHourlyDiff = 3 };
inline bool arhKindIsDaily(int kind) { return kind == ArhDaily || kind == ArhDailyDiff; }
inline bool arhKindIsDiff(int kind) { return kind == ArhDailyDiff || kind == ArhHourlyDiff; }

// The day number of a totals record and of a record the device would not
// give: day 0 of the date scale, 30 December 1899.
inline constexpr int kArhNoDay = -36525;

// The named fields of one record half. Not every module has every field
// (ArhCodec::hasField); U25 and U27 keep temperatures as integers in
// hundredths of a degree, the two-system modules as reals in degrees.
enum class ArhField : int {
    Hours,        // operating time, hours
    HoursErr,     // operating time with error, hours
    Heat,         // Gcal, cumulative
    Vol1,
    Vol2,
    Vol3,
    VolHot,       // U27: hot-water volume (the third of its four volumes)
    VolOverT,     // U25: volume above the set temperature
    Energy1,      // U25: electric energy, tariff 1
    Energy2,      // U25: electric energy, tariff 2
    Quantity4,    // U34/U38: cumulative quantities kept but not shown
    Quantity5,
    Quantity6,
    RunMinutes,   // unit running time in the period, minutes
    PeriodHeat,
    PeriodVol1,
    PeriodVol2,
    PeriodVol3,
    PeriodQuantity4, // U34/U38, kept but not shown
    PeriodQuantity5,
    PeriodQuantity6,
    TSupply,
    TReturn,
    TAdd,         // additional (two-system) or hot water (U25, U27)
    Pressure1,
    Pressure2,
    ErrMinutes,   // time of work with error (two-system), period with error (U25, U27)
    ErrTimeB,
    ErrTimeA,
    ErrTimeC,
    Word184,      // U34/U38 words kept but not shown
    Word188,
    EnergyA,
    EnergyB,
    EnergyC,
    SysError,     // system error code (two-system), the error code (U25, U27)
    DevError,     // device error code (two-system)
    Hour,
    Date,         // day number, day 1 = 1 January 2000
    Count_
};
inline constexpr int kArhFieldCount = int(ArhField::Count_);

// One archive record as its exact byte image: one half (U25: 96 bytes, U27:
// 80) or two equal halves, system 1 first (U28/U29: 2 x 176, U34/U38: 2 x
// 232). Little-endian i32 and f64 fields at the offsets of the module's
// layout, padding zero. Reads outside the image give 0, writes are dropped.
class ArhRec {
public:
    ArhRec() = default;
    ArhRec(int halfSize, int halves);

    int halfSize() const { return m_half; }
    int halves() const { return m_half > 0 ? int(m_b.size() / m_half) : 0; }
    int size() const { return int(m_b.size()); }
    bool isNull() const { return m_b.isEmpty(); }

    qint32 i32(int sys, int offset) const;
    double f64(int sys, int offset) const;
    void setI32(int sys, int offset, qint32 v);
    void setF64(int sys, int offset, double v);

    // The image of one half; setHalf copies at most one half and zero-fills
    // the rest of it.
    QByteArray half(int sys) const;
    void setHalf(int sys, QByteArrayView image);
    void clearHalf(int sys);

    const QByteArray &bytes() const { return m_b; }

    friend bool operator==(const ArhRec &a, const ArhRec &b) { return a.m_half == b.m_half && a.m_b == b.m_b; }
    friend bool operator!=(const ArhRec &a, const ArhRec &b) { return !(a == b); }

private:
    int pos(int sys, int offset, int width) const;

    int m_half = 0;
    QByteArray m_b;
};

// One entry of the request plan (the 12-byte `Tia` entry): the two data
// bytes of the record request, the expected day number and hour.
struct ArhPlanEntry {
    quint8 lo = 0;   // record number, low byte
    quint8 hi = 0;   // record number, high byte (+128 in the daily archive)
    qint32 day = 0;  // expected day number
    qint32 hour = 0; // expected hour, 0 in the daily plan
    int number() const { return lo | ((hi & 0x7F) << 8); }
    Tab request() const { return Tab{lo, hi}; }
};

// The grid rows of a loaded archive file and the column map to show them with.
struct ArhFileView {
    int records = 0;
    QStringList rows;
    QList<int> columns;
};

class ArhCodec {
public:
    virtual ~ArhCodec();
    ArhCodec(const ArhCodec &) = delete;
    ArhCodec &operator=(const ArhCodec &) = delete;

    ModuleId module() const;
    int halves() const;        // 1 or 2
    int halfSize() const;      // bytes of one file record: the module's record size per half
    int recordSize() const { return halves() * halfSize(); }
    int replyLength() const;   // byte 0 of a correct reply to command 3
    int highestNumber(int kind) const; // highest record number of the kind's archive
    int columnCount() const;   // N: cells per row

    // ---- records
    ArhRec emptyRecord() const;         // every field zero
    ArhRec missingRecord() const;       // empty, day kArhNoDay in every half
    // A decoded slot that holds no record: erased memory (its date word
    // reads 0xFFFF, as every byte of a slot never written does) or a slot
    // never dated (day 0, the day before the first day of the scale).
    // A ring that has not wrapped yet gives these past its oldest record.
    bool unwritten(const ArhRec &r) const;
    bool hasField(ArhField f) const;
    bool isRealField(ArhField f) const;
    int fieldOffset(ArhField f) const;  // -1 when absent
    double value(const ArhRec &r, int sys, ArhField f) const; // 0 when absent
    void setValue(ArhRec &r, int sys, ArhField f, double v) const;
    int day(const ArhRec &r, int sys = 0) const { return int(value(r, sys, ArhField::Date)); }
    int hour(const ArhRec &r, int sys = 0) const { return int(value(r, sys, ArhField::Hour)); }

    // Whether a record could have come from a calculator: in every half a
    // day of the device's calendar (1 January 2000 .. 31 December 2099), an
    // hour 0..23 and real values below kLargestValue in size. Erased memory
    // (all 0xFF), zeroed memory (day 0, 31.12.1999) and noise are not. A
    // totals record (its day kArhNoDay) passes only when `totalsToo`.
    bool realRecord(const ArhRec &r) const;
    // The same for one half (a record loaded from a file fills only the first).
    bool realHalf(const ArhRec &r, int sys, bool totalsToo = false) const;
    // Removes the records that cannot be real; returns how many went.
    int dropUnreal(QList<ArhRec> &records) const;
    // The day numbers of the device's calendar.
    static constexpr int kFirstDeviceDay = 1;      // 1 January 2000
    static constexpr int kLastDeviceDay = 36525;   // 31 December 2099
    static constexpr double kLargestValue = 1e10;

    // ---- request plan: kind 0/1 daily, 2/3 hourly; current = the 0-based
    // slot of the newest record (-1 when none); now = the PC clock. Fills
    // the plan and returns its number of entries.
    int PlanArh(int kind, int current, const QDateTime &now = QDateTime::currentDateTime());
    const QList<ArhPlanEntry> &plan() const { return m_plan; }

    // ---- one reply of command 3. Empty text = accepted and `rec` filled;
    // otherwise `rec` is untouched.
    QString DecArh(const Tab &reply, ArhRec &rec, const Identity &id) const;

    // The format of real values in the cells (the session's view setting).
    void setValueFormat(const ValueFormat *f) { m_format = f ? f : &defaultValueFormat(); }
    const ValueFormat &valueFormat() const { return *m_format; }

    // ---- newest first by the day of system 1, stably; returns the number of
    // exchanges the classic pass-by-pass exchange sort makes on that input.
    int SortArh(QList<ArhRec> &records) const;

    // ---- the last read archives (filled by the readers, ordered by SortArh).
    QList<ArhRec> &readRecords(int kind) { return arhKindIsDaily(kind) ? m_daily : m_hourly; }
    const QList<ArhRec> &readRecords(int kind) const { return arhKindIsDaily(kind) ? m_daily : m_hourly; }

    // ---- the displayed archive: built from read records (newest first) for
    // an archive kind and the calendar days begin..end (all records when
    // allRecords). Differential kinds end with a totals record.
    void BuildArh(const QList<ArhRec> &read, int kind, QDate begin, QDate end, bool allRecords = false);
    void BuildArh(int kind, QDate begin, QDate end, bool allRecords = false)
    {
        const QList<ArhRec> read = readRecords(kind);
        BuildArh(read, kind, begin, end, allRecords);
    }
    const QList<ArhRec> &displayed() const { return m_displayed; }
    // The element of a differential view for two neighbouring records read
    // (newest first): the newer one with its counters less the older's.
    ArhRec difference(const ArhRec &newer, const ArhRec &older) const;
    // One flag per displayed element: a difference taken over more (or
    // other) than one period, because records between the two are missing.
    // False for cumulative elements and for the totals.
    bool displayedGap(qsizetype i) const { return m_gaps.value(i, false); }
    QList<ArhRec> &displayed() { return m_displayed; }
    // Mean of the temperatures strictly between 0 and 150 over the
    // difference records of the last differential build (U29, U34, U38;
    // 0 elsewhere); k = 0 supply, 1 return, 2 additional.
    double averageTemperature(int sys, int k) const;

    // In what follows `sys` is the 0-based record half: the system of the
    // archive tab minus 1 (ArhTab::system - 1); the single-system types of
    // the two-system modules (230, 235, 237, 239) always pass 0.

    // ---- grid: two header rows, the column maps (1-based cell numbers,
    // negative = extended column; the positive ones alone are the compact set).
    QStringList headerRow(int row) const; // row 1 or 2: N cell texts
    QList<int> columnMap(int kind) const;
    QList<int> compactColumns(int kind) const;

    // The N cell texts of one record half.
    QStringList ArhDateCell(const ArhRec &r, int sys) const;
    // The header rows and one row per record of the system's half, every
    // cell followed by a TAB; one row of "нет данных" when there is no record.
    QStringList ArhRows(const QList<ArhRec> &records, int sys) const;
    // The totals row of a totals record half.
    QString ArhTotals(const ArhRec &r, int sys) const;
    // The rows of the displayed archive as the grid shows them: ArhRows,
    // and for a differential kind the totals row in place of the last.
    QStringList viewRows(int kind, int sys) const;

    // ---- archive file images: one half image per displayed record.
    QByteArray ArhToFile(int sys) const;
    // Replaces the displayed archive by the records of an image (each into
    // system 1; a tail shorter than a record is ignored) and returns their
    // rows, the last one a totals row when its day is negative.
    ArhFileView ArhFromFile(QByteArrayView image);

protected:
    explicit ArhCodec(const ArhLayout &layout);
    const ArhLayout &layout() const { return *m_layout; }

    // The frame check of a reply to command 3.
    virtual QString checkReply(const Tab &reply, const Identity &id) const = 0;
    // Totals temperature k of a half from its weighted sum and volume.
    virtual double totalsTemperature(double weighted, double volume) const = 0;

private:
    QString cellText(const ArhRec &r, int sys, int cell, bool totals) const;
    // The date text of the last day a row showed: the rows of an archive
    // come day after day (an hourly one 24 to a day), and the calendar
    // text is the dearest cell of a row.
    struct DateCache {
        qint64 scale = LLONG_MIN;
        QString text;
    };
    void appendCellText(QString &out, const ArhRec &r, int sys, int cell, bool totals,
                        DateCache *dates = nullptr) const;
    void finishTotals(int sys);

    const ArhLayout *m_layout;
    QList<ArhPlanEntry> m_plan;
    QList<ArhRec> m_daily;
    QList<ArhRec> m_hourly;
    QList<ArhRec> m_displayed;
    QList<bool> m_gaps;
    const ValueFormat *m_format = &defaultValueFormat();
    std::array<std::array<double, 3>, 2> m_avg{};
};

} // namespace pim
