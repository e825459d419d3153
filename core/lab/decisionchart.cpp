#include "core/lab/decisionchart.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"
#include "core/lab/viewchart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace lab {

namespace {

using namespace palette;

constexpr int CurveSteps = 240;
constexpr int LegendPixels = 12 + 4 * 18; // four rows above the tallest bar

// The bins of one kind of bit as an outline of steps, from 0 at the left edge to 0 at the right.
void Outline(Chart& c, const DecisionHistogram& h, bool sentOne)
{
    const double width = h.BinWidth();
    c.MoveToPoint(h.Low(), 0);
    for (int i = 0; i < h.Bins(); ++i) {
        const double count = double(h.Count(sentOne, i));
        c.LineToPoint(h.Low() + i * width, count);
        c.LineToPoint(h.Low() + (i + 1) * width, count);
    }
    c.LineToPoint(h.High(), 0);
}

void Gaussian(Chart& c, const DecisionHistogram& h, bool sentOne)
{
    for (int i = 0; i <= CurveSteps; ++i) {
        const double x = h.Low() + (h.High() - h.Low()) * i / CurveSteps;
        if (i == 0)
            c.MoveToPoint(x, h.GaussianCount(sentOne, x));
        else
            c.LineToPoint(x, h.GaussianCount(sentOne, x));
    }
}

double Tallest(const DecisionHistogram& h)
{
    double top = 1;
    for (const bool one : {true, false}) {
        for (int i = 0; i < h.Bins(); ++i)
            top = std::max(top, double(h.Count(one, i)));
        top = std::max(top, h.GaussianCount(one, h.Mean(one)));
    }
    return top;
}

std::string Rate(double rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", rate);
    return text;
}

} // namespace

std::unique_ptr<Chart> DecisionChart(const DecisionHistogram& h, Dictionary& translator, Size size)
{
    std::unique_ptr<Chart> chart =
        NewViewChart(size, {64, 16, 26, 44}, translator.Translate("Decision values of <%1%> bits", {std::to_string(h.Bits())}));
    Chart& c = *chart;
    // The legend's rows in a band of their own above the bars, whatever the chart's height.
    const int plot = std::max(1, size.height - 26 - 44);
    const double top = Tallest(h) * plot / std::max(plot - LegendPixels, plot / 3);
    SetRanges(c, 1, h.Low(), h.High(), 0, top);
    c.ScaleY(1).SetDecPlaces(0);
    ShowXAxis(c, 1, translator.Translate("Correlator's sum at the end of a bit"));
    ShowYAxis(c, 1, translator.Translate("Bits per bin"));
    BeginViewItems(c);
    const PlotBox box = BoxOf(c, 1);

    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.MoveToPoint(0, 0);
    c.LineToPoint(0, top);
    c.SetLineWidth(2);
    c.SetDataColor(Blue);
    Outline(c, h, true);
    c.SetDataColor(DarkRed);
    Outline(c, h, false);
    const bool gaussian = h.Deviation() > 0;
    if (gaussian) {
        // Dashed over the bars; a styled pen is one pixel wide.
        c.SetLineWidth(1);
        c.SetPenStyle(psDash);
        c.SetDataColor(Black);
        Gaussian(c, h, true);
        Gaussian(c, h, false);
        c.SetPenStyle(psSolid);
    }

    int row = 0;
    LegendRow(c, box, 1, row++, Blue, psSolid, 2, translator.Translate("Sent as 1: <%1%> bits", {std::to_string(h.Sent(true))}));
    LegendRow(c, box, 2, row++, DarkRed, psSolid, 2, translator.Translate("Sent as 0: <%1%> bits", {std::to_string(h.Sent(false))}));
    if (gaussian)
        LegendRow(c, box, 3, row++, Black, psDash, 1,
                  translator.Translate("Gaussian approximation: rate <%1%>", {Rate(h.GaussianErrorRate())}));
    LegendRow(c, box, 4, row, Black, psSolid, 1, translator.Translate("Threshold 0: <%1%> errors", {std::to_string(h.Errors())}));
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.ShowItems();
    return chart;
}

} // namespace lab
