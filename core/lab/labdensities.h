#pragma once

// What spreading does to the spectrum: the power spectral densities of the decoded user's data,
// of its spread signal, of everything that arrives with the noise, and of that signal despread
// by the receiver's chips, over frequency in multiples of the bit rate. Measured in slices from
// the lab's own streams (ChipStream), so that they show the set-up's codes, powers and noise.

#include "core/lab/chipstream.h"
#include "core/lab/powerdensity.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace lab {

enum class SpectrumSignal { Data, Spread, Received, Despread };

class LabDensities
{
public:
    static constexpr int SignalCount = 4;
    // Where a density of 0 is drawn: far below anything the lab makes.
    static constexpr double FloorDb = -200;

    // Segments of at least 16 bits, so that the data's main lobe, one bit rate wide, shows its
    // shape. Throws what ChipStream throws.
    LabDensities(const LabConfig& config, std::optional<double> ebn0Db);

    // Sends up to `bits` more bits, continuing where the last call stopped. Returns the bits sent.
    std::uint64_t Run(std::uint64_t bits);

    int Spread() const { return m_stream.Spread(); }
    std::uint64_t Bits() const { return m_bits; }
    int Segments() const { return m_spectra[0].Segments(); }
    // The chips a segment spans: 16 to 32 bits' worth.
    int SegmentChips() const { return m_spectra[0].SegmentChips(); }
    // The estimate's frequency step, in multiples of the bit rate.
    double Step() const { return double(Spread()) / m_spectra[0].SegmentChips(); }
    // From 0 to `highest` (multiples of the bit rate) in the estimate's steps.
    std::vector<double> Frequencies(double highest) const;
    // The two-sided density at frequency f (in multiples of the bit rate), in power per bit rate:
    // the data of a user at 0 dB peaks at 1.
    double Density(SpectrumSignal signal, double f) const;
    // The same in dB, FloorDb where it is 0.
    double DensityDb(SpectrumSignal signal, double f) const;

private:
    ChipStream m_stream;
    ChipBit m_bit;
    std::array<PowerDensity, SignalCount> m_spectra;
    std::uint64_t m_bits = 0;
};

} // namespace lab
