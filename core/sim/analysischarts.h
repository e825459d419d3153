#pragma once

#include "core/chart/canvas.h"
#include "core/sim/decisionmargins.h"

#include <memory>
#include <vector>

class Chart;
class Dictionary;

// The simulator's two analysis charts, each in the style of the main window's: the decision
// margins of one run as bars per bit, and the spreading-factor sweep as bit errors and smallest
// margin over the factor. Built only through the chart's public operations, with every caption a
// translation key; `metrics` measures the legend's texts as the surface they are drawn on will.
namespace analysis {

constexpr int Width = 785;
constexpr int Height = 345;

// Wanted and interfering part per bit (channel 1 and 2 without a selected channel), the end
// value of trace J, the threshold and each decided bit.
std::unique_ptr<Chart> MarginsChart(const SimResult& result, Dictionary& translator, const TextMetrics& metrics);
// Bit errors (unknown without a selected channel) and smallest margin per spreading factor.
std::unique_ptr<Chart> SweepChart(const std::vector<SweepPoint>& sweep, char selectedChannel, Dictionary& translator);

} // namespace analysis
