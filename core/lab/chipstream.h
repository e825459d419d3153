#pragma once

// The lab's transmission chip by chip, as the decoded user's receiver sees each of its bits:
// every user's contribution, the noise and the correlator's sum. It draws data, chips and noise
// from the seed in the order BerAccumulator draws them and forms the decision the same way, so
// that the bits it shows are the bits a measurement of the same set-up counts, and the errors
// agree to the bit. A user delayed against the decoded one sends the end of its earlier bit over
// the first chips of the decoded bit and the start of its later bit over the rest. The views that
// look inside a run (signals, decision values, spectra) read it.

#include "core/lab/labmodel.h"
#include "core/lab/labrandom.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace lab {

// One bit of the decoded user, chip n at index n; the vectors hold Spread values.
struct ChipBit
{
    int Sent = 1;                 // the decoded user's data, +1 or -1
    double Decision = 0;          // the correlator's sum at the end of the bit; 0 or more decides 1
    std::vector<int> RxChips;     // the receiver's chips: the decoded user's code in this bit
    std::vector<double> Wanted;   // what the decoded user sends: A d c
    std::vector<double> Others;   // what every other user adds
    std::vector<double> Noise;    // the noise, 0 without noise

    bool Error() const { return (Decision >= 0) != (Sent > 0); }
    double Received(int chip) const { return Wanted[chip] + Others[chip] + Noise[chip]; }
};

class ChipStream
{
public:
    // Throws std::invalid_argument where BerAccumulator does; no noise without ebn0Db.
    ChipStream(const LabConfig& config, std::optional<double> ebn0Db);

    // The next bit, into `bit`, whose vectors keep their storage from one bit to the next.
    void Next(ChipBit& bit);

    // Each user's chips in its bit that began last when Next gave its bit; random codes change
    // from bit to bit.
    const std::vector<std::vector<int>>& Codes() const { return m_codes; }
    int Users() const { return m_users; }
    int Spread() const { return m_spread; }
    double WantedAmplitude() const { return m_amplitude[m_rx]; }
    // The noise's standard deviation per chip; 0 without noise.
    double Sigma() const { return m_sigma; }
    // The variance of what the other users add to the decision, over their data and, for random
    // codes, over the chips: A_k^2 N per random code; per fixed one A_k^2 times the codes'
    // correlation squared, or with a delay the sum of the squares of the correlations over the
    // parts that its earlier and its later bit cover, as the two bits are independent.
    double InterferenceVariance() const;

private:
    // Draws user k's chips of its next bit (random codes).
    void nextChips(int k);
    // User k's chip that meets chip i of the decoded bit, and the data it carries.
    int chipAt(int k, int i, int& data) const;

    int m_users;
    int m_spread;
    int m_rx; // 0-based
    bool m_randomCodes;
    double m_sigma = 0;
    std::array<double, MaxUsers> m_amplitude{};
    LabRandom m_random;
    std::array<std::uint32_t, MaxUsers> m_chipStates{}; // random codes: each user's generator
    std::vector<std::vector<int>> m_codes;                // each user's chips in the current bit
    std::vector<std::vector<int>> m_earlierCodes;         // and in its bit before
    std::array<int, MaxUsers> m_data{};
    std::array<int, MaxUsers> m_earlier{}; // each user's data in its bit before
    // Chips of user k's earlier bit at the start of the decoded user's bit: the delay of k
    // against that user, modulo the spreading factor.
    std::array<int, MaxUsers> m_offset{};
};

} // namespace lab
