#pragma once
// A data carrier's archive file: one calculator's daily or hourly archive as
// the carrier read it, named <anything><serial number><D|H>.<type code>
// (ARH00123D.229). The content is a 16-bit record pointer (the current
// record number of the archive) followed by the records, each the payload
// of one archive reply without its 5 header bytes and its checksum.

#include "carrier/ArchiveDescription.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace pim {

enum class CarrierKind { Hour, Day }; // atHour, atDay

class CarrierFile {
public:
    // The name's facts (CheckCarrierName), then the content (LoadCarrierFile).
    QString name;          // as given (a path or a bare name)
    int type = -1;
    int number = -1;
    CarrierKind kind = CarrierKind::Day;
    int recordLength = 0;  // L - 6
    int expected = 0;      // CoAD or CoAH of the group: the highest record number
    qint64 fileLength = 0;
    int pointer = 0;
    QList<QByteArray> records;
    bool loaded = false;
    // Whole records that decode as a calculator's (a date of the device's
    // calendar, an hour of the day, finite values), and those that cannot
    // be real: erased or zeroed memory, noise, another type's file.
    int realRecords = 0;
    int unrealRecords = 0;

    // Which of the name's facts were found (pimctl shows the others as null).
    bool typeFound = false, numberFound = false, kindFound = false, lengthFound = false, expectedFound = false;

    bool daily() const { return kind == CarrierKind::Day; }

    // Checks the name and takes its facts; an empty text when it is good.
    // Faults after the type checks are all reported, joined by carriage
    // returns.
    QString CheckCarrierName(const QString &fileName, const ArchiveDescription &table);

    using Progress = std::function<void(const QString &text)>;
    // The name check, then the whole file: its pointer and its records (a
    // last short one too). "чтение записи № N" goes to `progress` every ten
    // records. An empty text on success; nothing is kept otherwise.
    QString LoadCarrierFile(const QString &path, const ArchiveDescription &table, const Progress &progress = {});

    // Why a loaded file holds no archive at all: empty when at least one
    // record is real; otherwise the likely cause (erased memory, zeroed
    // memory, no whole record, or records that cannot be real).
    QString noDataText() const;
    // "N записей ... пропущены" for records that cannot be real; empty when none.
    static QString unrealText(int count);

    // "Файл:...", "данные из назв ф-ла", the name's facts and the content's
    // sizes, one text a line.
    QStringList CarrierInfoLines() const;
    // The lines, each followed by the separator.
    QString CarrierInfo(const QString &separator) const { return CarrierInfoLines().join(separator) + separator; }
    // "ПИМ-229","№ 12345","архив=СУТОЧНЫЙ"
    QString CarrierTitle() const;
    // "ЧАСОВОЙ" or "СУТОЧНЫЙ".
    static QString kindName(CarrierKind k);

    // The records of a loaded file field by field, as the description
    // table names them: one row of name=value texts per record number
    // 0 .. expected; numbers past the file read "данные в файле кончились",
    // records past `expected` "данныx в файле больше чем нужно".
    QList<QStringList> recordRows(const ArchiveDescription &table, QString *error = nullptr) const;

private:
    void reset();
    void screen(const QByteArray &content);
    QString m_noData;
};

} // namespace pim
