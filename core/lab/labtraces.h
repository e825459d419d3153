#pragma once

// The first few bits of a set-up chip by chip, as the signals view shows them: the decoded
// user's data and chips, what arrives from every user with the noise, the correlator's running
// sum over each bit and the decision at its end. The same bits a measurement counts first.

#include "core/lab/labmodel.h"

#include <optional>
#include <vector>

namespace lab {

struct LabTraces
{
    int Spread = 0;
    int Bits = 0;
    double WantedAmplitude = 1;
    // Per bit: the decoded user's data, the correlator's sum at its end, the decision (+1, -1).
    std::vector<int> Sent;
    std::vector<double> Decision;
    std::vector<int> Decided;
    // Per chip, Bits x Spread of them in time order.
    std::vector<int> RxChips;       // the decoded user's chips, which the receiver multiplies by
    std::vector<double> Wanted;     // the decoded user's spread signal, A d c
    std::vector<double> Received;   // every user and the noise
    std::vector<double> RunningSum; // the correlator's sum from the bit's start to the chip's end
};

constexpr int MaxTraceBits = 16;

// Throws what ChipStream throws, and std::invalid_argument for bits outside 1..MaxTraceBits.
LabTraces TracesOf(const LabConfig& config, std::optional<double> ebn0Db, int bits);

// How many bits the signals view shows at a spreading factor: 8, or 4 beyond 32 chips, so that
// a chip keeps a pixel or more.
int TraceBits(int spread);

} // namespace lab
