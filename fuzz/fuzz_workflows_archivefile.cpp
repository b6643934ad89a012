// An archive file as the operator opens it with "чтение архива": any bytes,
// under a name with or without the ".Arh" extension, load into the displayed
// archive of every type that keeps archives. The grid has its two heads and
// at most one row per whole record of the type it was read as (the last one
// may be the totals; records that cannot be real are left out); a file
// without a whole record shows no record, a refused one no grid. Every row has a cell per column, and the grid can be written out
// again as the companion text.

#include "base/TextFile.h"
#include "devices/DeviceSession.h"
#include "devices/ArhCodec.h"
#include "devices/Registry.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveView.h"
#include "workflows/WorkflowUi.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace pim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString arh = dir.filePath(QStringLiteral("СУТОЧНЫЙ_от0101до0131дз021409.Arh"));
    static const QString other = dir.filePath(QStringLiteral("архив.txt"));
    if (!dir.isValid() || size == 0)
        return 0;
    const QString &path = (data[0] & 1) ? other : arh;
    const QByteArray image(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QString error;
    if (!writeFileAtomic(path, image, &error))
        __builtin_trap();

    WorkflowUi ui;
    ArchiveRange range;
    DeviceSession session;
    ArchiveView view(ui, range, session);
    view.setPrecision(2 + data[0] / 32);
    for (int type = 128; type <= 239; ++type) {
        DeviceModule *m = session.moduleFor(type);
        ArhCodec *codec = m ? m->arh() : nullptr;
        if (!codec)
            continue;
        const ArchiveView::Grid g = view.load(type, path);
        // Read as the type the file names, else as `type`.
        DeviceModule *readAs = session.moduleFor(g.type > 0 ? g.type : type);
        const int records = readAs && readAs->arh() ? ArchiveFiles::load(path).records(readAs->arh()->halfSize()) : 0;
        // Shown only with a whole record; a refused file or one without a
        // whole record shows its heads and the "нет данных" row.
        if ((g.ok && records <= 0) || g.printable != g.ok)
            __builtin_trap();
        if (g.cells.size() != g.rows.size() || (g.ok && g.rows.size() < 3) || g.rows.size() > 2 + qMax(records, 1))
            __builtin_trap();
        if (g.unreal < 0 || g.unreal > records)
            __builtin_trap();
        for (const QStringList &row : g.cells)
            if (row.size() != g.columns.size())
                __builtin_trap();
        if (joinLines(ArchiveFiles::gridLines(g.cells), &error).isEmpty() && !g.cells.isEmpty())
            __builtin_trap();
    }
    return 0;
}
