#include "core/lab/powerdensity.h"

#include <bit>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace lab {

namespace {

int CheckedSegment(int chips)
{
    if (chips < 4 || chips > 65536 || !std::has_single_bit(unsigned(chips)))
        throw std::invalid_argument("a segment of a power of two from 4 to 65536 chips");
    return chips;
}

// sin(pi x) / (pi x): the spectrum of a pulse one chip long, relative to its value at 0.
double Sinc(double x)
{
    if (x == 0)
        return 1;
    const double a = std::numbers::pi * x;
    return std::sin(a) / a;
}

} // namespace

PowerDensity::PowerDensity(int segmentChips)
    : m_buffer(CheckedSegment(segmentChips))
    , m_window(segmentChips)
    , m_fft(segmentChips)
    , m_work(segmentChips)
    , m_sum(segmentChips, 0.0)
{
    // The periodic Hann window, whose halves overlap to a constant.
    for (int n = 0; n < segmentChips; ++n) {
        m_window[n] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / segmentChips);
        m_windowPower += m_window[n] * m_window[n];
    }
}

void PowerDensity::Add(double value)
{
    m_buffer[m_filled++] = value;
    if (m_filled < SegmentChips())
        return;
    addSegment();
    // The second half starts the next segment.
    const int half = SegmentChips() / 2;
    for (int n = 0; n < half; ++n)
        m_buffer[n] = m_buffer[n + half];
    m_filled = half;
}

void PowerDensity::addSegment()
{
    const int length = SegmentChips();
    for (int n = 0; n < length; ++n)
        m_work[n] = {m_buffer[n] * m_window[n], 0.0};
    m_fft.Transform(m_work);
    for (int k = 0; k < length; ++k)
        m_sum[k] += std::norm(m_work[k]) / m_windowPower;
    ++m_segments;
}

double PowerDensity::Density(double cyclesPerChip) const
{
    if (m_segments == 0)
        return 0;
    const int length = SegmentChips();
    const long long bin = std::llround(cyclesPerChip * length);
    // The chip values' density repeats every chip rate and is even.
    const int k = int(((bin % length) + length) % length);
    const double sinc = Sinc(double(bin) / length);
    return m_sum[k] / m_segments * sinc * sinc;
}

} // namespace lab
