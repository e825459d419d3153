#include "core/lab/labdensities.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace lab {

namespace {

int ChipsPerSegment(int spread)
{
    return int(std::bit_ceil(unsigned(16 * spread)));
}

} // namespace

LabDensities::LabDensities(const LabConfig& config, std::optional<double> ebn0Db)
    : m_stream(config, ebn0Db)
    , m_spectra{PowerDensity(ChipsPerSegment(config.Spread)), PowerDensity(ChipsPerSegment(config.Spread)),
                PowerDensity(ChipsPerSegment(config.Spread)), PowerDensity(ChipsPerSegment(config.Spread))}
{
}

std::uint64_t LabDensities::Run(std::uint64_t bits)
{
    const int n = Spread();
    const double amplitude = m_stream.WantedAmplitude();
    for (std::uint64_t b = 0; b < bits; ++b) {
        m_stream.Next(m_bit);
        for (int i = 0; i < n; ++i) {
            const double received = m_bit.Received(i);
            m_spectra[0].Add(amplitude * m_bit.Sent);
            m_spectra[1].Add(m_bit.Wanted[i]);
            m_spectra[2].Add(received);
            m_spectra[3].Add(received * m_bit.RxChips[i]);
        }
    }
    m_bits += bits;
    return bits;
}

std::vector<double> LabDensities::Frequencies(double highest) const
{
    std::vector<double> out;
    const double step = Step();
    for (int k = 0; k * step <= highest + step / 2; ++k)
        out.push_back(k * step);
    return out;
}

// A chip lasts 1 / N of a bit: a density per chip rate is N times one per bit rate.
double LabDensities::Density(SpectrumSignal signal, double f) const
{
    const int n = Spread();
    return m_spectra[std::size_t(signal)].Density(f / n) / n;
}

double LabDensities::DensityDb(SpectrumSignal signal, double f) const
{
    const double d = Density(signal, f);
    return d > 0 ? std::max(FloorDb, 10 * std::log10(d)) : FloorDb;
}

} // namespace lab
