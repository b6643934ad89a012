#pragma once
// Reading an archive from the device ring: the current record numbers, the
// request plan, one record request per slot inside the date range, the date
// check, the estimates and traces, "стоп" between requests, and the final
// text. One reader per family: 225, 227, 228 (the older readers) and the
// 229 family (229/230, 234..237, 238/239), which differ in the facts the
// type registry gives for each type.

#include "devices/Registry.h"
#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace pim {

class ArchiveRange;
class ArhCodec;
class ArhRec;
struct ArhPlanEntry;
class DeviceRoad;
class DeviceSession;
class WorkflowUi;

class ArchiveReading {
public:
    using Reader = ArhReaderInfo::Kind;
    using ReaderTraits = ArhReaderInfo;
    // Requests of the current numbers by the 225 reader before a refused
    // reply ends the read; the other readers ask once.
    static constexpr int kArhNoAttempts = 10;
    // Requests of one record while its reply fails its checks (a bad
    // checksum, a wrong length or address): as many as the exchange makes
    // for a reply that does not come.
    static constexpr int kRecordAttempts = 4;
    // Records in a row that the daily readers of the 229 family may find
    // refused or misdated before the read ends early; also the slots in a
    // row past the written records that tell any reader the ring has not
    // wrapped yet and its archive ends there.
    static constexpr int kBadInARow = 5;

    // Reads into the archive records of `session`'s module.
    ArchiveReading(DeviceRoad &road, WorkflowUi &ui, ArchiveRange &range, DeviceSession &session);

    // Where trace files go; the current directory unless set.
    void setTraceFolder(const QString &folder) { m_traceFolder = folder; }
    // The random current numbers of imitation mode (uniform in [0, 1)).
    void setRandom(std::function<double()> r) { m_random = std::move(r); }

    struct Result {
        bool ran = false;      // a reader ran (the identity and type were fine)
        bool linkLost = false; // an exchange failed
        bool stopped = false;  // "стоп" ended the loop
        bool endedEarly = false; // records refused or misdated in a row ended the read
        bool ringEnd = false;  // the unwritten part of a ring not yet wrapped ended the read
        bool clockOff = false; // nothing in range, and the device clock is far from the computer's
        int kind = 0;
        int records = 0;       // records in the result
        int missing = 0;       // asked for and not read (after an early end: all the rest too)
        int misordered = 0;
        QString status;        // the last status text shown
        bool failed = false;   // the last status was a failure (red)
        // What was read is not the whole range asked for.
        bool partial() const { return stopped || endedEarly || linkLost || missing > 0; }
    };

    // The read command for the archive kind of the selected tab (0..3).
    Result read(int kind);
    // "стоп": the running reader leaves its loop before the next request
    // (also when it comes while the identity is still being asked); a
    // record request that fails after it (the exchange was ended with it)
    // ends the loop as the stop, not as a lost link.
    void stop()
    {
        m_reading = false;
        m_stopAsked = true;
    }
    bool reading() const { return m_reading; }

    // The reply to Q_ArhNo checked like any reply: length byte and real
    // length (at least `minLength`), command 21, checksum, type and number.
    static bool arhNoReplyOk(const Tab &reply, int minLength, const Identity &id);

private:
    struct Run;

    bool currentNumbers(const ReaderTraits &traits, Run &run);
    bool loop(const ReaderTraits &traits, Run &run, bool daily);
    bool askRecord(const ReaderTraits &traits, Run &run, const ArhPlanEntry &entry, bool daily, Tab &io,
                   ArhRec &rec, bool &refused);
    void clockCheck(const ReaderTraits &traits, Run &run, bool daily);
    void finish(const ReaderTraits &traits, Run &run);

    void busy(Run &run, const QString &text);
    void fail(Run &run, const QString &text);
    void progress(Run &run, const QString &text);
    void done(Run &run, const QString &text);

    void traceStart(const ReaderTraits &traits, Run &run);
    void trace(Run &run, const QString &line);
    QString traceDay(const ReaderTraits &traits, const Tab &reply, bool withHour) const;

    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    ArchiveRange &m_range;
    DeviceSession &m_session;
    QString m_traceFolder;
    std::function<double()> m_random;
    bool m_reading = false;
    bool m_stopAsked = false;
};

} // namespace pim
