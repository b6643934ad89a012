// A command table or an expression as any bytes: the table loads, encodes
// and decodes without a crash; a frame it does not refuse has exactly one
// byte per table row past the first, a table without such rows is refused, and every expression either fails with 0 or gives a
// finite value. A loaded table saved and loaded again is the same table,
// and the reply listing of any reply read with it has its caption and one
// line per reply byte before the fields.

#include "base/TextFile.h"
#include "console/CommandTable.h"
#include "console/Listing.h"
#include "console/Expr.h"
#include "console/TableCodec.h"

#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace pim;
using namespace pim::console;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("table.txt"));
    if (!dir.isValid())
        __builtin_trap();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const ExprResult e = EvalExpr(QString::fromLatin1(bytes.left(200)));
    if (!e.ok && e.value != 0)
        __builtin_trap();
    if (e.ok && !std::isfinite(e.value))
        __builtin_trap();

    QString error;
    if (!writeFileAtomic(path, bytes, &error))
        __builtin_trap();
    CommandTable t;
    if (!LoadTable(path, QLatin1Char('\t'), t).isEmpty())
        __builtin_trap();
    // Saved and loaded again: the same rows (a row the loader added to a
    // short table comes back as one empty cell).
    static const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    if (!SaveTable(t, copy, QLatin1Char('\t')).isEmpty())
        __builtin_trap();
    CommandTable again;
    if (!LoadTable(copy, QLatin1Char('\t'), again).isEmpty() || again.rows.size() != t.rows.size())
        __builtin_trap();
    for (qsizetype r = 0; r < t.rows.size(); ++r)
        if (again.rows[r] != (t.rows[r].isEmpty() ? QStringList{QString()} : t.rows[r]))
            __builtin_trap();

    const Encoded enc = EncodeTable(t, 229, 7);
    // A table without a field past its row numbers describes no frame: it
    // is refused, never sent as a lone zero byte.
    if (t.rowCount() <= 1 && (!enc.refused || enc.why != kNoRows))
        __builtin_trap();
    if (!enc.refused && enc.frame.size() != t.rowCount() - 1)
        __builtin_trap();
    const Tab reply = Tab::fromBytes(bytes.left(255));
    const QStringList fields = DecodeTable(t, reply);
    const QStringList listing = replyListing(reply, path, ListingOptions{});
    if (listing.size() != 1 + reply.size() + fields.size() || listing.mid(1 + reply.size()) != fields)
        __builtin_trap();
    (void)requestListing(enc, ListingOptions{});
    t.insertRowAfter(1);
    t.deleteRow(t.rowCount() - 1);
    t.dropFormat(1, QLatin1Char('L'), 2);
    return 0;
}
