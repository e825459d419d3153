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
    std::uint64_t RunRandomCodes(std::uint64_t bits, std::uint64_t errorLimit);
    std::uint64_t RunFixedCodes(std::uint64_t bits, std::uint64_t errorLimit);

    int m_users;
    int m_spread;
    int m_rx; // 0-based
    bool m_randomCodes;
    double m_sigma = 0; // 0: no noise
    std::array<double, MaxUsers> m_amplitude{};
    LabRandom m_random;
    // Random codes: each user's chip generator state. Fixed codes: each code's correlation
    // with the decoded user's, and that user's chips as bits.
    std::array<std::uint32_t, MaxUsers> m_chipStates{};
    std::array<int, MaxUsers> m_correlation{};
    std::uint64_t m_rxWord = 0;
    BerCount m_count;
};

} // namespace lab
