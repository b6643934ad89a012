#pragma once
// Device imitation: with it on, every request is answered by a generated
// reply instead of a device, so each command can be shown without one.

#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <functional>

namespace pim {

// Standard normal distribution Φ(i/100), i = 0..399; Φ(0) = 0.5.
double PhiTable(int i);
// Inverse by linear interpolation in the table; 0 at or below 0.5, 3.99 at
// or above Φ(3.99).
double InvPhi(double p);

class Imitator {
public:
    using Uniform = std::function<double()>; // uniform in [0, 1)
    // Fills `reply` with a type's state reply (code 1, and 255 for type 128);
    // returns false when it has no generator for the type. Device modules
    // register theirs here.
    using StateGenerator = std::function<bool(int type, const Tab &request, Tab &reply, Imitator &im)>;

    // Without a generator the uniform values come from a generator seeded
    // from the clock.
    explicit Imitator(Uniform uniform = {});

    double uniform();
    void setUniform(Uniform u) { m_uniform = std::move(u); }
    double NormRand(double sigma, double mu);

    void setStateGenerator(StateGenerator g) { m_stateGenerator = std::move(g); }

    struct Result {
        Tab reply;
        int pauseMs = 0; // the exchange waits this long before returning
    };
    // The reply to a request of the device `id` (normally the current one).
    Result ImitReply(const Tab &request, const Identity &id);
    Result ImitReply(const Tab &request) { return ImitReply(request, CurrentIdentity()); }

    // The generators of types 228, 229 and 230, public for the modules' tests.
    Tab stateReply228to230(int type, const Tab &request);
    Tab calibrationReply(int type, const Tab &request);

private:
    Uniform m_uniform;
    StateGenerator m_stateGenerator;
};

// The one imitator of the program (its state generators are registered at
// start by the device registry).
Imitator &imitator();

} // namespace pim
