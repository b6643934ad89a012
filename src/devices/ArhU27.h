#pragma once
// Archive of type 227: one system, 80-byte records, generic reply check.

#include "devices/ArhSingleSystem.h"

namespace pim {

class ArhU27 : public ArhSingleSystem {
public:
    ArhU27();
};

} // namespace pim
