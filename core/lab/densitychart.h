#pragma once

// The spectrum view: the power spectral densities of the decoded user's data, of its spread
// signal, of what arrives with the noise and of that despread, on one dB scale over frequency
// in multiples of the bit rate, from 0 to twice the chip rate. The spread signal is N times
// wider and 10 log10 N dB lower than the data; despreading brings the wanted signal back narrow
// while the noise and the other users stay spread.

#include "core/chart/geometry.h"
#include "core/lab/labdensities.h"

#include <memory>

class Chart;
class Dictionary;

namespace lab {

// The dB range: 10 dB steps from above the highest density down 70 dB.
struct DbRange
{
    double Low = -60;
    double High = 10;
};
DbRange DensityRange(const LabDensities& spectra);

// Needs at least one segment measured.
std::unique_ptr<Chart> DensityChart(const LabDensities& spectra, Dictionary& translator, Size size);

} // namespace lab
