#include "devices/ArhSingleSystem.h"

#include "devices/ArhLayout.h"

namespace pim {

QString ArhSingleSystem::checkReply(const Tab &reply, const Identity &id) const
{
    return TestAnswer(reply, replyLength(), Q_Arhiv, id);
}

double ArhSingleSystem::totalsTemperature(double weighted, double volume) const
{
    return arhHundredthsTemperature(weighted, volume);
}

} // namespace pim
