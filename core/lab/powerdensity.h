#pragma once

// The power spectral density of a signal that holds one value for each chip, as the lab's
// signals do, estimated by Welch's method: segments of a power-of-two number of chips, each
// half over the last, under a Hann window; their periodograms averaged. The periodogram gives
// the density of the chip values, which repeats every chip rate; the chip's rectangular pulse
// shapes it by sinc^2, so the density at any frequency needs no finer sampling.

#include "core/lab/fft.h"

#include <complex>
#include <vector>

namespace lab {

class PowerDensity
{
public:
    // Throws std::invalid_argument unless segmentChips is a power of two from 4 to 65536.
    explicit PowerDensity(int segmentChips);

    // The value of the next chip.
    void Add(double value);

    int SegmentChips() const { return int(m_buffer.size()); }
    // The segments averaged so far; none until the first SegmentChips() values.
    int Segments() const { return m_segments; }
    // The two-sided density at `cyclesPerChip` cycles per chip (any value, read at the nearest
    // multiple of 1 / SegmentChips()), scaled so that its integral over every frequency is the
    // signal's mean power; 0 before the first segment.
    double Density(double cyclesPerChip) const;

private:
    void addSegment();

    std::vector<double> m_buffer;
    int m_filled = 0;
    std::vector<double> m_window;
    double m_windowPower = 0; // the sum of the window's squares
    Fft m_fft;
    std::vector<std::complex<double>> m_work;
    std::vector<double> m_sum; // the periodograms' sum per bin
    int m_segments = 0;
};

} // namespace lab
