// A command table or an expression as any bytes: the table loads, encodes
// and decodes without a crash; a frame it does not refuse has exactly one
// byte per table row, and every expression either fails with 0 or gives a
// finite value.

#include "base/TextFile.h"
#include "console/CommandTable.h"
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
    const Encoded enc = EncodeTable(t, 229, 7);
    if (enc.frame.size() != qMax(0, t.rowCount() - 1))
        __builtin_trap();
    DecodeTable(t, Tab::fromBytes(bytes.left(255)));
    t.insertRowAfter(1);
    t.deleteRow(t.rowCount() - 1);
    t.dropFormat(1, QLatin1Char('L'), 2);
    return 0;
}
