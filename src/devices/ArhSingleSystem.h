#pragma once
// Archive of the single-system modules U25 and U27: one implementation; the
// module's table gives the record and reply layouts.

#include "devices/ArhCodec.h"

namespace pim {

class ArhSingleSystem : public ArhCodec {
protected:
    explicit ArhSingleSystem(const ArhLayout &layout) : ArhCodec(layout) {}

    // The generic reply check.
    QString checkReply(const Tab &reply, const Identity &id) const override;
    // Temperatures in hundredths of a degree (arhHundredthsTemperature).
    double totalsTemperature(double weighted, double volume) const override;
};

} // namespace pim
