// DecState and SLfromState of every module on arbitrary bytes. The first
// byte chooses whether the identity is taken from the input (so the check
// passes and the decoding runs) or is a fixed one.

#include "devices/StateCodec.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace pim;
    if (size == 0)
        return 0;
    const bool fromInput = data[0] & 1;
    const Tab reply = Tab::fromBytes(QByteArrayView(data + 1, qsizetype(size - 1)));
    const Identity id = fromInput ? Identity{reply.at(1), int(GetW(reply, 2))} : Identity{238, 0x1234};
    static const ModuleId ids[] = {ModuleId::U128, ModuleId::U25, ModuleId::U27, ModuleId::U28,
                                   ModuleId::U29, ModuleId::U34, ModuleId::U38};
    for (ModuleId m : ids) {
        auto codec = makeStateCodec(m);
        codec->DecState(reply, id);
        for (int s = -1; s <= 2; ++s)
            codec->SLfromState(s);
    }
    return 0;
}
