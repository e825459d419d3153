#pragma once

// One point of a bit-error-rate curve measured in slices: Run(bits) may be called again and
// again, and the counts after any slicing equal those of one run of the same total, since every
// slice continues the same streams of data, chips and noise where the last one stopped. A
// window or a page can so show a curve growing without blocking.

#include "core/lab/labmodel.h"
#include "core/lab/labrandom.h"

#include <array>
#include <cstdint>
#include <optional>

namespace lab {

class BerAccumulator
{
public:
    // Throws std::invalid_argument when CheckLabConfig fails or the Eb/N0 is outside
    // MinEbN0Db..MaxEbN0Db; no noise without ebn0Db.
    BerAccumulator(const LabConfig& config, std::optional<double> ebn0Db);

    // Sends up to `bits` more bits per user, fewer when the count reaches MaxBits or, with
    // errorLimit above 0, right after the bit that brings the errors to errorLimit. Returns the
    // bits sent.
    std::uint64_t Run(std::uint64_t bits, std::uint64_t errorLimit = 0);

    const BerCount& Count() const { return m_count; }

private:
    template <bool Delayed>
    std::uint64_t RunRandomCodes(std::uint64_t bits, std::uint64_t errorLimit);
    template <bool Delayed>
    std::uint64_t RunFixedCodes(std::uint64_t bits, std::uint64_t errorLimit);

    int m_users;
    int m_spread;
    int m_rx; // 0-based
    bool m_randomCodes;
    bool m_delayed;     // some user's bits start apart from the decoded user's
    double m_sigma = 0; // 0: no noise
    std::array<double, MaxUsers> m_amplitude{};
    // Chips of user k's earlier bit that fall into the decoded user's bit, at its start: the
    // delay against that user, modulo the spreading factor.
    std::array<int, MaxUsers> m_offset{};
    LabRandom m_random;
    // Random codes: each user's chip generator state, and its last chips as bits.
    std::array<std::uint32_t, MaxUsers> m_chipStates{};
    std::array<std::uint64_t, MaxUsers> m_words{};
    // Fixed codes: what user k adds to the correlation per unit of amplitude and data, over the
    // part of the decoded bit its later bit covers and over the part its earlier bit covers;
    // without delays the first is the correlation of the two codes and the second 0. The decoded
    // user's chips as bits.
    std::array<int, MaxUsers> m_late{};
    std::array<int, MaxUsers> m_early{};
    std::uint64_t m_rxWord = 0;
    // Each user's last data bit: the earlier of the two that meet a decoded bit when delayed.
    std::array<int, MaxUsers> m_data{};
    BerCount m_count;
};

} // namespace lab
