#pragma once
// Rounding of readings to whole numbers, shared by the device modules and the
// imitation so that a value and its simulated counterpart round alike.

#include <cmath>

namespace pim {

// To the nearest integer, halves to the even neighbour (how the device
// readings have always been rounded). Relies on the default floating-point
// rounding mode, which the program never changes.
inline double roundHalfEven(double v)
{
    return std::nearbyint(v);
}

} // namespace pim
