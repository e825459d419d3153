#pragma once

// The lab model: 1 to 8 chip-synchronous transmitters sending random bits, each spread by its
// code and scaled by its amplitude, summed with white Gaussian noise, and the correlator
// receiver of the signal model deciding each bit of one user by sign. The users' bits may start
// whole chips apart; the receiver stays aligned to its own user. A Monte-Carlo run counts the
// bit errors of that user. Beside ComputeSignals, which it leaves alone.

#include "core/lab/codefamily.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lab {

constexpr int MinUsers = 1;
constexpr int MaxUsers = 8;
constexpr int MinSpread = 2;
constexpr int MaxSpread = 64;
constexpr std::uint64_t MaxBits = 1000000000;
// Levels beyond these say nothing a student could see, and their powers of ten leave a double.
constexpr double MaxPowerDb = 100;
constexpr double MinEbN0Db = -100;
constexpr double MaxEbN0Db = 100;

struct LabConfig
{
    int Users = 2;
    CodeFamily Codes = CodeFamily::Random;
    int Spread = 8;
    std::vector<double> PowerDb; // amplitude of each user relative to 0 dB; empty: all 0 dB
    int Rx = 1;                  // the user decoded, 1-based
    std::uint64_t Seed = 1;
    // Empty: every user's bits start together. Else one per user: user k's bits start
    // DelayChips[k - 1] chips after user 1's, 0 .. Spread - 1, and user 1's own is 0.
    std::vector<int> DelayChips;
};

// Empty when the model can run the configuration, else the reason in one line.
std::string CheckLabConfig(const LabConfig& config);

// Delays drawn from the seed: 0 for user 1, each other user's uniform in 0 .. spread - 1. User
// k's delay depends only on the seed, k and the spreading factor, so runs of other families or
// more users share it.
std::vector<int> DrawDelays(std::uint64_t seed, int users, int spread);

// Whether any user's bits start apart from the decoded user's.
bool Unaligned(const LabConfig& config);

// The amplitude of every user, 10^(dB / 20).
std::vector<double> Amplitudes(const LabConfig& config);
// The noise's standard deviation per chip at this Eb/N0 of the decoded user: the square root of
// N A^2 / (2 Eb/N0), with A that user's amplitude.
double NoiseSigma(const LabConfig& config, double ebn0Db);

struct BerCount
{
    std::uint64_t Bits = 0;
    std::uint64_t Errors = 0;
};

// The chip-operation count of a run, users x spreading factor x bits, the unit of its speed.
inline double ChipOperations(const LabConfig& config, std::uint64_t bits)
{
    return double(config.Users) * config.Spread * double(bits);
}

// The key of user `user` (1-based) for random codes: drawn from the seed, it seeds the signal
// model's generator for that user's chips.
std::uint32_t UserKey(std::uint64_t seed, int user);

} // namespace lab
