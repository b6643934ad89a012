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

// What the imitation needs to know about a type. The device registry
// supplies it; a type it does not know gets the default, which echoes.
struct ImitationProfile {
    // The two-system state generator: reply length and how many sums it
    // writes from offset 80 (0: no such generator for the type).
    int stateLength = 0;
    int stateSums = 0;
    // Replies to the archive record and configuration requests; 0: as long
    // as the request.
    int arhLength = 0;
    int paramLength = 0;
    enum class Calibration {
        Echo,       // the request unchanged
        TwoValues,  // no status byte, two values right after the header, one byte shorter
        TwoStatus,  // a status byte and two values in place
        OneOrFour,  // a status byte and one value (channel above 1) or four
    };
    Calibration calibration = Calibration::Echo;
    // The configuration write (code 255) is answered with a state reply.
    bool stateOnWrite = false;
};

class Imitator {
public:
    using Uniform = std::function<double()>; // uniform in [0, 1)
    // Fills `reply` with a type's state reply (code 1, and 255 for type 128);
    // returns false when it has no generator for the type. Device modules
    // register theirs here.
    using StateGenerator = std::function<bool(int type, const Tab &request, Tab &reply, Imitator &im)>;
    // The profile of a type.
    using Profiles = std::function<ImitationProfile(int type)>;

    // Without a generator the uniform values come from a generator seeded
    // from the clock.
    explicit Imitator(Uniform uniform = {});

    double uniform();
    void setUniform(Uniform u) { m_uniform = std::move(u); }
    double NormRand(double sigma, double mu);

    void setStateGenerator(StateGenerator g) { m_stateGenerator = std::move(g); }
    void setProfiles(Profiles p) { m_profiles = std::move(p); }
    ImitationProfile profile(int type) const { return m_profiles ? m_profiles(type) : ImitationProfile{}; }

    struct Result {
        Tab reply;
        int pauseMs = 0; // the exchange waits this long before returning
    };
    // The reply to a request of the device `id` (the device it is addressed to).
    Result ImitReply(const Tab &request, const Identity &id);

    // The generators behind ImitReply, public for the modules' tests.
    Tab stateReplyTwoSystem(const ImitationProfile &p, const Tab &request);
    Tab calibrationReply(const ImitationProfile &p, const Tab &request);

private:
    Uniform m_uniform;
    StateGenerator m_stateGenerator;
    Profiles m_profiles;
};

// The one imitator of the program (its state generators are registered at
// start by the device registry).
Imitator &imitator();

} // namespace pim
