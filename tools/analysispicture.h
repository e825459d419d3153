#pragma once

#include "decisionmargins.h"

#include <QImage>

#include <memory>
#include <vector>

class QPainter;
class Dictionary;
class Chart;

// The simulator's two analysis pictures, each one chart in the style of the main window's:
// the decision margins of one run as bars per bit, and the spreading-factor sweep as bit errors
// and smallest margin over the factor. Built only through the chart's public operations, with
// every caption a translation key.
namespace AnalysisPicture {

constexpr int Width = 785;
constexpr int Height = 345;

// Wanted and interfering part per bit (channel 1 and 2 without a selected channel), the end
// value of trace J, the threshold and each decided bit.
std::unique_ptr<Chart> MarginsChart(const SimResult& result, Dictionary& translator);
// Bit errors (unknown without a selected channel) and smallest margin per spreading factor.
std::unique_ptr<Chart> SweepChart(const std::vector<SweepPoint>& sweep, char selectedChannel, Dictionary& translator);

// The chart on the window's button-face colour, its top-left at the painter's (0, 0).
void Paint(const Chart& chart, QPainter& painter);
QImage Render(const Chart& chart);

} // namespace AnalysisPicture
