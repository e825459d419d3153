#include "core/lab/fft.h"

#include <bit>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace lab {

Fft::Fft(int length)
{
    if (length < 1 || length > (1 << 20) || !std::has_single_bit(unsigned(length)))
        throw std::invalid_argument("a transform of a power of two from 1 to 2^20 values");
    const int bits = std::countr_zero(unsigned(length));
    m_reversed.resize(length);
    for (int i = 0; i < length; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b)
            r |= ((i >> b) & 1) << (bits - 1 - b);
        m_reversed[i] = r;
    }
    m_twiddles.resize(length / 2);
    for (int k = 0; k < length / 2; ++k) {
        const double angle = -2 * std::numbers::pi * k / length;
        m_twiddles[k] = {std::cos(angle), std::sin(angle)};
    }
}

void Fft::Transform(std::vector<std::complex<double>>& data) const
{
    const int length = Length();
    if (int(data.size()) != length)
        throw std::invalid_argument("the data's length is not the transform's");
    for (int i = 0; i < length; ++i)
        if (i < m_reversed[i])
            std::swap(data[i], data[m_reversed[i]]);
    for (int half = 1; half < length; half *= 2) {
        const int stride = length / (2 * half);
        for (int start = 0; start < length; start += 2 * half) {
            for (int k = 0; k < half; ++k) {
                // Multiplied by hand: the library's operator checks for infinities on every call.
                const std::complex<double> w = m_twiddles[k * stride];
                const std::complex<double> x = data[start + k + half];
                const std::complex<double> t(w.real() * x.real() - w.imag() * x.imag(),
                                             w.real() * x.imag() + w.imag() * x.real());
                data[start + k + half] = data[start + k] - t;
                data[start + k] += t;
            }
        }
    }
}

} // namespace lab
