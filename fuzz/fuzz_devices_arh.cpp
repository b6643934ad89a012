// DecArh of every module on arbitrary bytes, and the same bytes as an
// archive file image. The first byte chooses the identity (taken from the
// input so the check can pass, or a fixed one) and whether the harness
// mends the length, command and checksum bytes so that decoding runs.
// Accepted records then go through the cells, the ordering and both kinds
// of build.

#include "devices/ArhCodec.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace pim;
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    Tab reply = Tab::fromBytes(QByteArrayView(data + 1, qsizetype(size - 1)));
    if ((mode & 2) && reply.size() >= 6) {
        reply.set(0, reply.size());
        reply.set(4, Q_Arhiv);
        reply.set(reply.size() - 1, CalcCS(reply.mid(0, reply.size() - 1)));
    }
    const Identity id = (mode & 1) ? Identity{reply.at(1), int(GetW(reply, 2))} : Identity{238, 0x1234};
    static const ModuleId ids[] = {ModuleId::U25, ModuleId::U27, ModuleId::U28,
                                   ModuleId::U29, ModuleId::U34, ModuleId::U38};
    for (ModuleId m : ids) {
        auto codec = makeArhCodec(m);
        ArhRec rec = codec->missingRecord();
        if (codec->DecArh(reply, rec, id).isEmpty()) {
            QList<ArhRec> read = {rec, codec->missingRecord(), rec};
            codec->SortArh(read);
            for (int kind = 0; kind < 4; ++kind) {
                codec->BuildArh(read, kind, QDate(2000, 1, 1), QDate(2100, 1, 1), mode & 4);
                for (int s = -1; s <= 2; ++s)
                    codec->viewRows(kind, s);
            }
            codec->ArhToFile(1);
        }
        // A file image comes back byte for byte (up to the last whole record).
        const QByteArrayView image(data + 1, qsizetype(size - 1));
        const ArhFileView v = codec->ArhFromFile(image);
        const qsizetype whole = image.size() / codec->halfSize() * codec->halfSize();
        if (v.rows.size() < 3 || codec->ArhToFile(0) != image.first(whole).toByteArray())
            __builtin_trap();
    }
    return 0;
}
