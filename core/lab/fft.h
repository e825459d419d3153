#pragma once

// The discrete Fourier transform for lengths that are powers of two (radix 2, in place):
// X_k = sum over n of x_n e^(-2 pi i k n / L). Its tables are made once per length.

#include <complex>
#include <vector>

namespace lab {

class Fft
{
public:
    // Throws std::invalid_argument unless length is a power of two from 1 to 2^20.
    explicit Fft(int length);

    int Length() const { return int(m_reversed.size()); }
    // Throws std::invalid_argument for data of another length.
    void Transform(std::vector<std::complex<double>>& data) const;

private:
    std::vector<std::complex<double>> m_twiddles; // e^(-2 pi i k / L), k < L / 2
    std::vector<int> m_reversed;                  // each index with its bits reversed
};

} // namespace lab
