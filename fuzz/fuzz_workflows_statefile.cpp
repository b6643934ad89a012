// A state file as any bytes on disk: it loads without a crash, and a row
// appended to it leaves every byte that was there in place, the new row a
// whole line of its own at the end (after the header rows in an empty file).

#include "base/TextFile.h"
#include "workflows/StateFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace pim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("СОСТОЯНИЕ.TXT"));
    if (!dir.isValid())
        __builtin_trap();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    if (!writeFileAtomic(path, bytes, &error))
        __builtin_trap();
    QList<QStringList> rows;
    if (!StateFile::load(path, rows, &error))
        __builtin_trap();

    const QStringList values{QStringLiteral("1.00"), QStringLiteral("т"), QString()};
    if (!StateFile::append(path, {QStringLiteral("a")}, {QStringLiteral("b")}, values, &error))
        __builtin_trap();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        __builtin_trap();
    const QByteArray after = f.readAll();
    const QByteArray row = joinLines({StateFile::row(values)});
    if (!after.startsWith(bytes) || !after.endsWith(row))
        __builtin_trap();
    const QByteArray between = after.mid(bytes.size(), after.size() - bytes.size() - row.size());
    // An empty file gets the header rows; a last line without its end is
    // ended first (one cut between its CR and LF gets the LF alone).
    const QByteArray expected = bytes.isEmpty() ? joinLines({StateFile::row({QStringLiteral("a")}), StateFile::row({QStringLiteral("b")})})
        : bytes.endsWith('\n')                  ? QByteArray()
        : bytes.endsWith('\r')                  ? QByteArray("\n")
                                                : QByteArray("\r\n");
    if (between != expected)
        __builtin_trap();
    return 0;
}
