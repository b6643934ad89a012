// The modem page's phone book, ДАННЫЕ\МОДЕМ\СОЕДИНЕНИЯ.TXT, as any bytes
// (the operator edits it by hand and keeps files of earlier versions).
//
// Checked: the file loads; every row has the same number of cells, at
// least the book's columns; the book saved and loaded again is the same
// book; every entry found by its name gives a dial command of the page's
// shape; an entry stored is found with what was stored, and a name removed
// is gone from every row while the last entry always stays.

#include "base/TextFile.h"
#include "links/ModemDialer.h"
#include "links/PhoneBook.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace pim;

namespace {

void checkShape(const PhoneBook &book)
{
    if (book.rows().isEmpty())
        __builtin_trap();
    const qsizetype width = book.rows().first().size();
    if (width < PhoneBook::ColumnCount)
        __builtin_trap();
    for (const QStringList &row : book.rows())
        if (row.size() != width)
            __builtin_trap();
    if (book.names().size() != book.entryCount())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("СОЕДИНЕНИЯ.TXT"));
    static const QString copy = dir.filePath(QStringLiteral("КОПИЯ.TXT"));
    if (!dir.isValid())
        __builtin_trap();
    if (size > 8192)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    if (!writeFileAtomic(path, bytes, &error))
        __builtin_trap();

    PhoneBook book;
    if (!book.load(path, &error))
        __builtin_trap();
    checkShape(book);

    if (!book.save(copy, &error))
        __builtin_trap();
    PhoneBook again;
    if (!again.load(copy, &error))
        __builtin_trap();
    // Empty lines are skipped on loading: a row of empty cells alone
    // (saved as a line of TABs) is kept, so the rows come back as they were.
    if (again.rows() != book.rows())
        __builtin_trap();

    for (const QString &name : book.names()) {
        PhoneEntry e;
        if (!book.find(name, &e))
            __builtin_trap();
        const QByteArray dial = ModemDialer::dialCommand(DialPlan::of(e));
        if (!(dial.startsWith("ATDT") || dial.startsWith("ATDP")) || !dial.endsWith('\r'))
            __builtin_trap();
    }

    // Store an entry made of the first entry's cells under a new name,
    // then remove every name once.
    PhoneEntry e = book.rows().size() > 1 ? PhoneBook::entryOf(book.rows()[1]) : PhoneEntry{};
    e.name += QStringLiteral("+новый");
    const qsizetype before = book.entryCount();
    const bool existed = book.find(e.name);
    book.store(e);
    PhoneEntry found;
    if (!book.find(e.name, &found) || found.phone != e.phone || found.tone != e.tone
        || book.entryCount() != before + (existed ? 0 : 1))
        __builtin_trap();
    checkShape(book);
    for (const QString &name : book.names()) {
        const bool could = book.canRemove();
        const bool removed = book.remove(name);
        // A name every entry shares stays on its last entry.
        if ((removed && (!could || (book.find(name) && book.entryCount() > 1)))
            || (could && !removed && book.find(name)))
            __builtin_trap();
        if (book.entryCount() < 1)
            __builtin_trap();
        checkShape(book);
    }
    return 0;
}
