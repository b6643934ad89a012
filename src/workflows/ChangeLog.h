#pragma once
// Reading the change log ("ЖУИ") of the types that keep one: 3 blocks of 11
// records, each a configuration snapshot with the day and minute of the
// change, shown as a 16-column table with one row per heating system.
//
// A record is rebuilt into a configuration reply of the 229 layout and
// decoded by a scratch configuration codec of its own: the configuration
// the session read or edited (which a later write would send) is never
// touched by reading the log.

#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace pim {

class DeviceRoad;
class DeviceSession;
class ValueFormat;
class WorkflowUi;

class ChangeLog {
public:
    static constexpr int kBlocks = 3;
    static constexpr int kRecords = 11;
    static constexpr int kColumns = 16;

    // Whether the type keeps a change log (the command acts only then).
    static bool served(int type);
    // The served types as a text for messages: "229, 230, 234..239".
    static QString servedText();

    // The two header rows of the table, 16 cells each.
    static QList<QStringList> header();
    // The row shown before the first record arrives.
    static QStringList noDataRow();

    // Why a reply cannot be taken as the record of device `id` (empty when
    // it can): shorter than a record, a bad checksum, another command or
    // another device's number. Never reads past the reply.
    static QString replyFault(const Tab &reply, const Identity &id);
    // A slot no change was ever written to: a sound reply whose data (day,
    // minutes, configuration) are all 0xFF, as erased memory reads. It is
    // no record.
    static bool erasedSlot(const Tab &reply);
    // Why a sound reply that is not an erased slot still cannot be a
    // record: a day outside the device's calendar (2000..2099) or a time
    // past 23:59. Empty when it can.
    static QString recordFault(const Tab &reply);
    // Requests of one record while its reply is refused (damaged on the
    // line, or dated impossibly), as an archive record is asked again.
    static constexpr int kAttempts = 4;
    // The configuration reply a record stands for: record bytes 0..4 with
    // length 46 and code 5, record bytes 9..45 as bytes 5..41, three zero
    // bytes and a fresh checksum. `record` must be a whole record.
    static Tab configFrame(const Tab &record);
    // The two rows (system 1, system 2) of a whole record; the report day
    // and the two flags are not part of a record, so their cells stay empty.
    static QList<QStringList> recordRows(const Tab &record, int block, int recordNo, const ValueFormat &format);
    // The terminal lines of a reply: "ЖУИ блок=%d запись=%d", then one
    // "%.2d.%.2d=%S" line per byte.
    static QStringList listing(const Tab &reply, int block, int record);

    ChangeLog(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session);

    struct Result {
        bool answered = false;   // every request was answered (skipped records included)
        bool served = true;      // false: the type keeps no change log, nothing was asked
        QList<QStringList> rows; // two per record taken, without the header
        QStringList skipped;     // one text per record that was left out, saying why
        int erased = 0;          // slots no change was written to (no records)
        int requests = 0;
        // Every record answered and taken.
        bool ok() const { return answered && skipped.isEmpty(); }
    };
    // Reads all 33 slots; a refused reply is asked again up to kAttempts
    // times, an erased slot is counted and shown as nothing. `onRows` sees the two rows of every record as
    // it comes (the window appends them to its table). The status line says
    // what happened: busy while reading, "НЕТ СВЯЗИ" when a record is not
    // answered (the rows so far stay), the success text when every record
    // was taken, a failure naming the skipped records otherwise.
    Result read(const std::function<void(const QList<QStringList> &rows)> &onRows = {});

private:
    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
};

} // namespace pim
