#pragma once

// The lab's random numbers: uniform words, data bits and Gaussian noise from one seeded
// generator, and the chip streams of the signal model's generator. Every value comes from
// integer arithmetic and correctly rounded floating-point operations only, so a seed gives the
// same run on every platform; no library generator or distribution is involved, since the
// standard leaves their algorithms to each library.

#include <cmath>
#include <cstdint>

namespace lab {

// 64-bit word generator (xoshiro256**), its state filled from the seed by SplitMix64.
class LabRandom
{
public:
    explicit LabRandom(std::uint64_t seed);

    std::uint64_t NextWord()
    {
        const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }
    // A data bit as +1 or -1; 64 bits are taken from each word, lowest first.
    int NextSign();
    // Uniform in (0, 1], never 0, so that its logarithm is finite.
    double NextOpenUnit();
    // Standard normal (mean 0, variance 1), by the ziggurat method with 256 strips. Inline, as
    // the noise of every chip passes here: the low 8 bits of a word pick the strip, the top 53
    // the position in it, and almost every sample is taken at once.
    double NextGaussian()
    {
        const std::uint64_t word = NextWord();
        const int i = int(word & 255u);
        const double x = (double(word >> 11) * 0x1p-52 - 1.0) * m_edges[i];
        if (std::fabs(x) < m_edges[i + 1])
            return x;
        return GaussianSlowPath(word);
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    double GaussianSlowPath(std::uint64_t word);

    std::uint64_t s_[4];
    const double* m_edges; // the ziggurat's strip edges X[0..256]
    std::uint64_t m_bits = 0;
    int m_bitsLeft = 0;
};

// One step of SplitMix64: the seed expander, also used to derive the users' keys.
std::uint64_t SplitMix64(std::uint64_t& state);

// The signal model's generator as a chip stream of its own: state x state x 134775813 + 1
// modulo 2^32, a chip +1 when the new state is 2^31 or more, else -1. Seeded with a key's low
// 32 bits it gives the chips the window shows for that key.
class LcgChips
{
public:
    static constexpr std::uint32_t Multiplier = 134775813u;

    explicit LcgChips(std::uint32_t seed) : m_state(seed) {}
    int NextChip()
    {
        m_state = m_state * Multiplier + 1u;
        return (m_state >> 31) ? 1 : -1;
    }
    // The next count chips (count <= 64), bit n set when chip n is +1.
    std::uint64_t NextChipWord(int count);
    std::uint32_t State() const { return m_state; }

private:
    std::uint32_t m_state;
};

// exp, log and powers of ten from basic operations only (no platform math library), accurate
// to a few units in the last place; they decide noise samples and amplitudes, so they must give
// the same bits everywhere.
double PortableExp(double x);
double PortableLog(double x); // x > 0
// 10^(dB / divisor): the amplitude (divisor 20) or power ratio (divisor 10) of a level in dB.
// Whole multiples of the divisor give exact powers of ten up to 10^22.
double DbToRatio(double db, double divisor);

} // namespace lab
