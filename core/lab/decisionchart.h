#pragma once

// The decision-values view: the histogram of the correlator's sum at the end of each bit, bits
// sent as 1 and as 0 apart, with the Gaussian approximation of each drawn over it and the
// threshold at 0 between them. What crosses the threshold is an error.

#include "core/chart/geometry.h"
#include "core/lab/decisionhistogram.h"

#include <memory>

class Chart;
class Dictionary;

namespace lab {

std::unique_ptr<Chart> DecisionChart(const DecisionHistogram& histogram, Dictionary& translator, Size size);

} // namespace lab
