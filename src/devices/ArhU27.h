#pragma once
// Archive of type 227: one system, 80-byte records, generic reply check.

#include "devices/ArhCodec.h"

namespace pim {

class ArhU27 : public ArhCodec {
public:
    ArhU27();

protected:
    QString checkReply(const Tab &reply, const Identity &id) const override;
    double totalsTemperature(double weighted, double volume) const override;
};

} // namespace pim
