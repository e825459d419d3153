#pragma once

// The chart of a bit-error-rate curve in the style of the main window's: the rate on a
// logarithmic scale over Eb/N0, each measured point with its 95 % interval, and the theory as
// curves (the exact rate and the Gaussian approximation where they hold, else a single user's
// rate for reference). Every caption goes through the translator.

#include "core/lab/bercurve.h"

#include <memory>
#include <vector>

class Chart;
class Dictionary;

namespace lab {

constexpr int RatesChartWidth = 785;
constexpr int RatesChartHeight = 345;

// The y range: whole decades around every interval bound and every theory value at the points,
// from at least 1e-9 to at most 1, at least one decade.
struct Decades
{
    double Low = 1e-3;
    double High = 1;
};
Decades RateRange(const std::vector<CurvePoint>& points);

// Needs at least one point with an Eb/N0.
std::unique_ptr<Chart> RatesChart(const CurveRequest& request, const std::vector<CurvePoint>& points,
                                  Dictionary& translator);

} // namespace lab
