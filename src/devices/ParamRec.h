#pragma once
// The decoded configurations. Reals hold the device's words and singles as
// doubles; small values are plain integers so that an out-of-range edit is
// kept as typed (the check marks it red) and the encoder can refuse it
// instead of truncating it into its byte.

#include <QtGlobal>

#include <array>

namespace pim {

// One heating system of the two-system modules (U28, U29, U34, U38).
// Fields marked device-wide exist once in the device and are kept equal in
// both halves.
struct ParamHalf {
    std::array<double, 3> weight{}; // pulse weight words (U34/U38: bit 15 = pulses per litre)
    int type = 1;                   // 1..6 (reply byte + 1)
    // device-wide bytes
    int coldTemp1 = 0;
    int coldTemp2 = 0;
    int startDay = 1;
    int startMonth = 1;
    int endDay = 1;
    int endMonth = 1;
    int reportDay = 1;
    int sumFlag = 1;   // 0 = sum heat while non-fatal errors are present
    int useSecond = 0; // 1 = use the second cold-water temperature
    int flags = 0;     // contractual-value flags (U34/U38), device-wide word
    std::array<double, 6> contract{}; // Tп, Tо, Tх, Pп, Pо, Pх (U34/U38)
    int word91 = 0; // device-wide words of unknown meaning (U34/U38)
    int word93 = 0;
    double minFlow = 0;
    double maxFlow = 0;

    friend bool operator==(const ParamHalf &, const ParamHalf &) = default;
};

struct ParamRec2 {
    std::array<ParamHalf, 2> sys{};
    // U28/U29: reply byte 44, whose meaning is unknown, goes back as read.
    int byte44 = 0;
    friend bool operator==(const ParamRec2 &, const ParamRec2 &) = default;
};

struct ParamRec25 {
    std::array<double, 3> weight{}; // raw words
    int electricWeight = 1000;
    int twoTariffs = 0;
    int tariffStart1 = 0; // minutes after midnight
    int tariffStart2 = 0;
    int type = 1;
    int coldTemp = 5;
    int useLimit = 0;
    int limit = 45;
    friend bool operator==(const ParamRec25 &, const ParamRec25 &) = default;
};

struct ParamRec27 {
    std::array<double, 4> weight{}; // flowmeter 1, 2, hot water, 3; raw words
    int type = 1;
    int coldTemp = 5;
    friend bool operator==(const ParamRec27 &, const ParamRec27 &) = default;
};

struct ParamRec128 {
    int modification = 4;               // 1, 2 or 4 channels
    std::array<int, 4> weightNumber{};  // 0..3, weight = 10^(3 - n) litres per pulse
    friend bool operator==(const ParamRec128 &, const ParamRec128 &) = default;
};

} // namespace pim
