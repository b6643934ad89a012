#pragma once
// Archive of type 225: one system, 96-byte records, generic reply check.

#include "devices/ArhSingleSystem.h"

namespace pim {

class ArhU25 : public ArhSingleSystem {
public:
    ArhU25();
};

} // namespace pim
