#pragma once

// Where the errors come from: the correlator's sum at the end of each bit, counted in bins
// apart for bits sent as 1 and as 0, beside the Gaussian approximation of each. Measured in
// slices like a curve's point, from the same streams, so that its errors are the errors a point
// at the same set-up counts.

#include "core/lab/chipstream.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lab {

class DecisionHistogram
{
public:
    static constexpr int DefaultBins = 64;

    // The bins span the values both Gaussians reach (4.5 deviations beyond either mean, at least
    // half a mean) on either side of 0. Throws what ChipStream throws, and
    // std::invalid_argument for fewer than 2 bins.
    DecisionHistogram(const LabConfig& config, std::optional<double> ebn0Db, int bins = DefaultBins);

    // Sends up to `bits` more bits, continuing where the last call stopped; fewer once MaxBits
    // are counted. Returns the bits sent.
    std::uint64_t Run(std::uint64_t bits);

    int Bins() const { return int(m_ones.size()); }
    double Low() const { return -m_half; }
    double High() const { return m_half; }
    double BinWidth() const { return 2 * m_half / Bins(); }
    // Bits sent as 1 (sentOne) or as 0 whose sum fell into bin `bin`, from Low() upwards.
    std::uint64_t Count(bool sentOne, int bin) const;
    // Bits whose sum fell beyond either end of the bins.
    std::uint64_t Outside() const { return m_outside; }
    std::uint64_t Sent(bool sentOne) const { return sentOne ? m_sentOnes : m_bits - m_sentOnes; }
    std::uint64_t Bits() const { return m_bits; }
    // Sums on the wrong side of the threshold: 0 or more for a 0 sent, below 0 for a 1.
    std::uint64_t Errors() const { return m_errors; }

    // The Gaussian approximation: the wanted N A with the data's sign, and the deviation of what
    // the other users and the noise add. A deviation of 0 is no Gaussian but a single value.
    double Mean(bool sentOne) const { return sentOne ? m_mean : -m_mean; }
    double Deviation() const { return m_deviation; }
    // The count the approximation expects per bin at the value x, for the bits sent so far.
    double GaussianCount(bool sentOne, double x) const;
    // The share of the bits the approximation puts on the wrong side: its bit-error rate.
    double GaussianErrorRate() const;

private:
    ChipStream m_stream;
    ChipBit m_bit;
    double m_mean;
    double m_deviation;
    double m_half;
    std::vector<std::uint64_t> m_ones, m_zeros;
    std::uint64_t m_outside = 0;
    std::uint64_t m_bits = 0;
    std::uint64_t m_sentOnes = 0;
    std::uint64_t m_errors = 0;
};

} // namespace lab
