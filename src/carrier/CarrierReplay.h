#pragma once
// The replay of a loaded carrier file: while the exchange engine's replay
// mode is set, every request is answered from the file as the calculator
// would have answered it, so the normal archive readers read the file.

#include "carrier/CarrierFile.h"
#include "protocol/Tab.h"

namespace pim {

class ExchangeEngine;

class CarrierReplay {
public:
    // The reply to one request (always given):
    //   3   the record the request names (none past the file's records:
    //       a reply the decoder refuses),
    //   20, 254 the bare header,
    //   21  the record pointer as the current numbers of the file's type,
    //   any other code: the request itself.
    // Every reply but the last carries a correct checksum.
    static Tab reply(const CarrierFile &file, const Tab &request);

    // Hands the engine the replay of `file` (kept by the caller for as long
    // as the engine may replay it); the caller sets the replay mode around
    // the read.
    static void install(ExchangeEngine &engine, const CarrierFile &file);
};

} // namespace pim
