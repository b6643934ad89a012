#pragma once
// Archive of type 225: one system, 96-byte records, generic reply check.

#include "devices/ArhCodec.h"

namespace pim {

class ArhU25 : public ArhCodec {
public:
    ArhU25();

protected:
    QString checkReply(const Tab &reply, const Identity &id) const override;
    double totalsTemperature(double weighted, double volume) const override;
};

} // namespace pim
