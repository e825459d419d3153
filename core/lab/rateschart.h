#pragma once

// The chart of bit-error-rate curves in the style of the main window's: the rate on a
// logarithmic scale over Eb/N0, each measured point with its 95 % interval, and the theory of
// each curve (the exact rate and the Gaussian approximation; a single user's rate for reference
// where a lone curve has no exact rate). Several curves differ in one input and are told apart
// by colour and legend. Every caption goes through the translator; the decades read 10^-1,
// 10^-2, ... with raised exponents, which the chart's own numbers cannot write, so Paint draws
// them over it.

#include "core/chart/canvas.h"
#include "core/lab/bercurve.h"

#include <memory>
#include <string>
#include <vector>

class Chart;
class Dictionary;

namespace lab {

// One curve as measured.
struct ChartCurve
{
    CurveRequest Request;
    std::vector<CurvePoint> Points;
};

// The y range: whole decades around every interval bound and every theory value at the points,
// from at least 1e-9 to at most 1, at least one decade.
struct Decades
{
    double Low = 1e-3;
    double High = 1;
};
Decades RateRange(const std::vector<CurvePoint>& points);

class RatesChart
{
public:
    static constexpr int MaxCurves = 8;
    static constexpr Size DefaultSize = {1200, 800}; // a slide's
    static constexpr Size MinSize = {400, 300};
    static constexpr Size MaxSize = {4000, 4000};

    // Needs 1 to MaxCurves curves with a point at an Eb/N0 among them; a size within MinSize and
    // MaxSize. Text grows with the height. Throws std::invalid_argument otherwise.
    RatesChart(const std::vector<ChartCurve>& curves, Varying varying, Dictionary& translator,
               Size size = DefaultSize);
    ~RatesChart();
    RatesChart(const RatesChart&) = delete;
    RatesChart& operator=(const RatesChart&) = delete;

    const Chart& GetChart() const { return *m_chart; }
    Size GetSize() const;
    // Which user, what the curves share and what they differ in.
    const std::string& Title() const { return m_title; }
    // The chart, then the title and the powers of ten at its decades, which the chart's own
    // numbers and labels (kept inside the plot) cannot write.
    void Paint(Canvas& canvas) const;

private:
    std::unique_ptr<Chart> m_chart;
    std::string m_title;
    int m_fontPixels;
};

} // namespace lab
