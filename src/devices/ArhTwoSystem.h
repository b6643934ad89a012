#pragma once
// Archive of the two-system modules U28, U29 (2 x 176-byte records) and U34,
// U38 (2 x 232): one implementation, parameterised by the module's tables.

#include "devices/ArhCodec.h"

namespace pim {

class ArhTwoSystem : public ArhCodec {
public:
    explicit ArhTwoSystem(ModuleId id); // U28, U29, U34 or U38

protected:
    QString checkReply(const Tab &reply, const Identity &id) const override;
    double totalsTemperature(double weighted, double volume) const override;
};

} // namespace pim
