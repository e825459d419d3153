#include "core/lab/decisionhistogram.h"

#include "core/lab/bertheory.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace lab {

DecisionHistogram::DecisionHistogram(const LabConfig& config, std::optional<double> ebn0Db, int bins)
    : m_stream(config, ebn0Db)
{
    if (bins < 2)
        throw std::invalid_argument("a histogram needs at least 2 bins");
    const int n = m_stream.Spread();
    const double sigma = m_stream.Sigma();
    m_mean = n * m_stream.WantedAmplitude();
    m_deviation = std::sqrt(m_stream.InterferenceVariance() + n * sigma * sigma);
    m_half = m_mean + std::max(4.5 * m_deviation, 0.5 * m_mean);
    m_ones.assign(bins, 0);
    m_zeros.assign(bins, 0);
}

std::uint64_t DecisionHistogram::Run(std::uint64_t bits)
{
    bits = std::min(bits, MaxBits - m_bits);
    const double width = BinWidth();
    for (std::uint64_t i = 0; i < bits; ++i) {
        m_stream.Next(m_bit);
        const bool one = m_bit.Sent > 0;
        m_sentOnes += one;
        m_errors += m_bit.Error();
        const double at = (m_bit.Decision + m_half) / width;
        // The top edge belongs to the last bin, as a value of exactly High() is inside.
        if (at >= 0 && at <= Bins()) {
            const int bin = std::min(int(at), Bins() - 1);
            ++(one ? m_ones : m_zeros)[bin];
        } else {
            ++m_outside;
        }
    }
    m_bits += bits;
    return bits;
}

std::uint64_t DecisionHistogram::Count(bool sentOne, int bin) const
{
    return (sentOne ? m_ones : m_zeros).at(bin);
}

double DecisionHistogram::GaussianCount(bool sentOne, double x) const
{
    if (m_deviation <= 0)
        return 0;
    const double z = (x - Mean(sentOne)) / m_deviation;
    const double density = std::exp(-z * z / 2) / (m_deviation * std::sqrt(2 * std::numbers::pi));
    return double(Sent(sentOne)) * BinWidth() * density;
}

double DecisionHistogram::GaussianErrorRate() const
{
    return m_deviation > 0 ? QFunction(m_mean / m_deviation) : 0.0;
}

} // namespace lab
