#pragma once

// Why a bit is decided as it is: each end-of-bit value of trace J split into what the two
// transmitters contribute, and how recovery changes with the spreading factor. Derived from the
// signal model without changing it; no window code here.

#include "core/sim/signalmodel.h"

#include <array>
#include <optional>
#include <vector>

using BitValues = std::array<std::int32_t, BitsPerChar>; // bit 1 (least significant) first

struct BitMargins
{
    // -1 times the sum of spread signal times receiver chips over the bit's samples, so that
    // PartA + PartB is trace J at the bit's last sample.
    BitValues PartA{}, PartB{};
    BitValues EndValue{};
    BitValues Decision{}; // the decided bit value, 0 or 1
    // Only with a selected channel: that channel's part, the other's, and whether the decided
    // bit equals the bit its transmitter sent.
    bool HasWanted = false;
    BitValues Wanted{}, Interference{};
    std::array<bool, BitsPerChar> BitOk{};

    int BitErrors() const;   // 0 without a selected channel
    int MinMargin() const;   // the smallest |EndValue|
};

BitMargins ComputeMargins(const SimResult& result);

struct SweepPoint
{
    std::int32_t SpreadFactor = 0;
    std::uint8_t RecoveredByte = 0;
    bool TransmissionOk = false;
    std::optional<int> BitErrors; // unknown without a selected channel
    int MinMargin = 0;
};

// The same characters and keys at every spreading factor from 2 to 20, in that order. Throws
// what ComputeSignals throws for an unroundable key.
std::vector<SweepPoint> SweepSpreadFactors(SimInput input);
