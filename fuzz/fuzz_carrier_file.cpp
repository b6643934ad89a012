// A data carrier's archive file as the carrier window and pimctl meet it:
// any file name goes through the name check, and the bytes, written under
// that name, through the loader, with the built-in archive description or
// one read from the input (the description file in ДАННЫЕ is the
// operator's). Input: a mode byte, the name up to the first line feed,
// then (mode bit 0) the description file's text up to a form feed, then
// the carrier file's bytes.
//
// Checked: the loader refuses exactly what the name check refuses; a
// loaded file keeps every byte after the pointer in its records, each a
// whole record but the last; the record rows cover every record number;
// the replay answers every request with a frame whose checksum holds.

#include "base/Cp1251.h"
#include "base/TextFile.h"
#include "carrier/ArchiveDescription.h"
#include "carrier/CarrierFile.h"
#include "carrier/CarrierReplay.h"
#include "protocol/Frame.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace pim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        __builtin_trap();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    qsizetype nl = rest.indexOf('\n');
    if (nl < 0)
        nl = rest.size();
    QByteArray rawName = rest.left(qMin<qsizetype>(nl, 100));
    rest = rest.mid(nl + 1);
    // A file name holds no folder separator and no NUL; an empty one is ".".
    rawName.replace('/', '_').replace('\0', '_');
    if (rawName.isEmpty() || rawName == "." || rawName == "..")
        rawName = "x";
    const QString name = fromCp1251(rawName);

    ArchiveDescription table;
    if (mode & 1) {
        qsizetype ff = rest.indexOf('\f');
        if (ff < 0)
            ff = rest.size();
        table = ArchiveDescription::fromLines(splitLines(rest.left(ff)));
        rest = rest.mid(ff + 1);
    }

    CarrierFile check;
    const QString nameFault = check.CheckCarrierName(name, table);
    (void)check.CarrierInfoLines();
    (void)check.CarrierTitle();

    const QString path = QDir(dir.path()).filePath(name);
    QString error;
    if (!writeFileAtomic(path, rest, &error))
        return 0; // a name the file system takes differently (too long in UTF-8)
    CarrierFile file;
    int progressCalls = 0;
    const QString loadFault = file.LoadCarrierFile(path, table, [&](const QString &) { ++progressCalls; });
    QFile::remove(path);
    if (!nameFault.isEmpty() && loadFault != nameFault)
        __builtin_trap();
    if (!loadFault.isEmpty()) {
        if (file.loaded)
            __builtin_trap();
        return 0;
    }

    // Every byte after the pointer is in the records, in order.
    if (!file.loaded || file.recordLength <= 0 || file.fileLength != rest.size())
        __builtin_trap();
    QByteArray joined;
    for (qsizetype i = 0; i < file.records.size(); ++i) {
        const QByteArray &r = file.records[i];
        if (r.isEmpty() || r.size() > file.recordLength
            || (i + 1 < file.records.size() && r.size() != file.recordLength))
            __builtin_trap();
        joined += r;
    }
    if (joined != rest.mid(2) || progressCalls != file.records.size() / 10)
        __builtin_trap();
    if (rest.size() >= 2 && file.pointer != (quint8(rest[0]) | quint8(rest[1]) << 8))
        __builtin_trap();

    (void)file.CarrierInfo(QStringLiteral("\r\n"));
    (void)file.CarrierTitle();
    QString rowsError;
    const QList<QStringList> rows = file.recordRows(table, &rowsError);
    if (rows.size() != qMax<qsizetype>(qsizetype(file.expected) + 1, file.records.size()))
        __builtin_trap();

    // The replay: every archive record asked for, and the other requests.
    for (int code : {int(Q_Arhiv), int(Q_ArhBegin), int(Q_ArhEnd), int(Q_ArhNo), 1, 5}) {
        for (int n : {0, 1, int(file.records.size()) - 1, int(file.records.size()), 0x7FFF}) {
            Tab request{8, file.type, 0x34, 0x12, code, n & 0xFF, ((n >> 8) & 0x7F) | (mode & 0x80), 0};
            request.set(7, CalcCS(request.mid(0, 7)));
            const Tab reply = CarrierReplay::reply(file, request);
            if (reply.size() < 6 || !TestCS(reply))
                __builtin_trap();
            if (code == Q_Arhiv && n >= 0 && n < file.records.size()
                && reply.size() != 6 + file.records[n].size())
                __builtin_trap();
        }
    }
    return 0;
}
