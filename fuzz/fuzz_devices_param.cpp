// DecParam of every module on arbitrary bytes. The first byte chooses the
// identity (taken from the input so the check can pass, or a fixed one)
// and whether the harness mends the length, command and checksum bytes so
// that decoding runs. Accepted configurations then go through the page:
// build, operator texts cut from the input into every field, check, unit
// switch, encoding and the write request.

#include "devices/ParamCodec.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <QDate>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace pim;
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const Tab input = Tab::fromBytes(QByteArrayView(data + 1, qsizetype(size - 1)));
    static const ModuleId ids[] = {ModuleId::U128, ModuleId::U25, ModuleId::U27, ModuleId::U28,
                                   ModuleId::U29,  ModuleId::U34, ModuleId::U38};
    static const int types[] = {128, 225, 227, 229, 230, 234, 239};
    for (size_t k = 0; k < std::size(ids); ++k) {
        Tab reply = input;
        if ((mode & 2) && reply.size() >= 6) {
            reply.set(0, reply.size());
            reply.set(4, ids[k] == ModuleId::U128 ? Q_State : Q_Param);
            reply.set(reply.size() - 1, CalcCS(reply.mid(0, reply.size() - 1)));
        }
        const Identity id = (mode & 1) ? Identity{reply.at(1), int(GetW(reply, 2))} : Identity{238, 0x1234};
        auto codec = makeParamCodec(ids[k]);
        codec->setToday([mode] { return QDate(2000 + (mode >> 4), 2, 28); });
        if (!codec->DecParam(reply, id).isEmpty())
            continue;
        SilentParamStatus status;
        for (int s = 0; s < codec->recordSystems(); ++s)
            codec->SLfromParam(s);
        codec->ShowParam(types[k]);
        // Operator texts: slices of the input, one per edit field.
        int at = 5;
        for (ParamControl &c : codec->form().controls) {
            const int n = reply.at(at) % 8;
            const QByteArray slice = reply.bytes().mid(at + 1, n);
            at += n + 1;
            if (mode & 4) {
                c.text = QString::fromLatin1(slice);
                c.index = int(reply.at(at)) - 2;
                c.checked = reply.at(at) & 1;
                c.date = QDate(2000, 1, 1).addDays(reply.at(at));
            }
        }
        codec->CheckParam(status);
        for (int tag = 0; tag <= 4; ++tag)
            codec->VesChange(tag, status);
        codec->form().setIndex(ParamCodec::kSystemChoice, 1);
        codec->ShowParam(types[k]);
        codec->CheckParam(status);
        codec->CopySysParam(mode & 1);
        Tab out, request;
        QString diff;
        codec->EncParam(out, diff);
        codec->writeRequest(id, request);
        codec->writeAccepted(reply);
        for (int s = 0; s < codec->recordSystems(); ++s)
            codec->SLfromParam(s);
    }
    return 0;
}
