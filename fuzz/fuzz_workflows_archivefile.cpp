// An archive file as the operator opens it with "чтение архива": any bytes,
// under a name with or without the ".Arh" extension, load into the displayed
// archive of every type that keeps archives. The grid has its two heads and
// one row per whole record (the last one may be the totals); a file without
// a whole record is refused as holding no data and shows the "нет данных"
// row. Every row has a cell per column, and the grid can be written out
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
        const int records = ArchiveFiles::load(path).records(codec->halfSize());
        // A file without one whole record is reported as holding no data
        // (the grid then shows only its heads and that row).
        if (g.ok != (records > 0) || g.printable != g.ok)
            __builtin_trap();
        if (g.cells.size() != g.rows.size() || g.rows.size() != 2 + qMax(records, 1))
            __builtin_trap();
        for (const QStringList &row : g.cells)
            if (row.size() != g.columns.size())
                __builtin_trap();
        if (joinLines(ArchiveFiles::gridLines(g.cells), &error).isEmpty() && !g.cells.isEmpty())
            __builtin_trap();
    }
    return 0;
}
