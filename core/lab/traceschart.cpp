#include "core/lab/traceschart.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"
#include "core/lab/viewchart.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace lab {

namespace {

using namespace palette;

// Layer 1 holds the traces, one unit of y per band and one of x per chip; layer 2 numbers the
// bits along the bottom, its ticks under the bits' middles.
constexpr int TraceLayer = 1;
constexpr int BitLayer = 2;
// Each trace keeps to the lower part of its band, under the band's name: its middle this far
// below the band's, its extremes this far either side.
constexpr double BandDrop = 0.08;
constexpr double BandFill = 0.28;

// The y of value v in band `band` (0 at the top) for values up to `reach` either side of 0.
double InBand(int band, double v, double reach)
{
    const double middle = TracesBands - band - 0.5 - BandDrop;
    return middle + (reach > 0 ? v / reach * BandFill : 0.0);
}

// A trace that holds each chip's value for the whole chip; a change is a vertical step.
void ChipSteps(Chart& c, int band, const std::vector<double>& values, double reach)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double y = InBand(band, values[i], reach);
        if (i == 0)
            c.MoveToPoint(0, y);
        else
            c.LineToPoint(double(i), y);
        c.LineToPoint(double(i + 1), y);
    }
}

void ZeroLine(Chart& c, int band, double chips)
{
    c.SetDataColor(Silver);
    c.SetLineWidth(1);
    c.MoveToPoint(0, InBand(band, 0, 1));
    c.LineToPoint(chips, InBand(band, 0, 1));
}

// A band's name in its top-left corner, over a white box, so that the trace stays behind it.
void BandName(Chart& c, int label, int band, const std::string& text, const PlotBox& box)
{
    TTextLabel* name = PlaceText(c, label, box.XAt(4), TracesBands - band - 0.02, text, Black, taLeftJustify, vaTop);
    name->SetTransparent(false);
    name->SetColorBkg(White);
}

double Reach(const std::vector<double>& values, double least)
{
    double reach = least;
    for (const double v : values)
        reach = std::max(reach, std::fabs(v));
    return reach;
}

std::vector<double> PerChip(const std::vector<int>& perBit, int spread)
{
    std::vector<double> out;
    for (const int v : perBit)
        out.insert(out.end(), std::size_t(spread), double(v));
    return out;
}

// The decided bits as a trace, and above each its digit: green when it is what was sent.
void Decisions(Chart& c, const LabTraces& t, int firstLabel)
{
    c.SetDataColor(Black);
    c.SetLineWidth(2);
    ChipSteps(c, 4, PerChip(t.Decided, t.Spread), 1);
    FontDesc bold = c.TextLabel(firstLabel)->Font();
    bold.Style |= fsBold;
    for (int b = 0; b < t.Bits; ++b) {
        const bool right = t.Decided[b] == t.Sent[b];
        TTextLabel* digit = PlaceText(c, firstLabel + b, (b + 0.5) * t.Spread, InBand(4, 0, 1),
                                      t.Decided[b] > 0 ? "1" : "0", right ? Green : Red, taCenter, vaCenter);
        digit->SetFont(bold);
        digit->SetTransparent(false);
        digit->SetColorBkg(White);
    }
}

} // namespace

std::unique_ptr<Chart> TracesChart(const LabTraces& t, int rx, Dictionary& translator, Size size)
{
    if (t.Bits < 1 || t.Bits > MaxTraceBits || t.Spread < 1)
        throw std::invalid_argument("the signals show 1 to 16 bits");
    const double chips = double(t.Bits) * t.Spread;
    const std::string user = std::to_string(rx);
    std::unique_ptr<Chart> chart = NewViewChart(size, {16, 16, 26, 44},
                                                translator.Translate("Signals of the first <%1%> bits", {std::to_string(t.Bits)}));
    Chart& c = *chart;
    SetRanges(c, TraceLayer, 0, chips, 0, TracesBands);
    SetRanges(c, BitLayer, 0.5, t.Bits + 0.5, 0, 1);
    c.ScaleX(BitLayer).SetMinTicks(t.Bits);
    c.ScaleX(BitLayer).SetDecPlaces(0);
    ShowXAxis(c, BitLayer, translator.Translate("Bit of user <%1%>", {user}));
    // The grid follows the active layer, the traces' one: a dotted line at every bit boundary.
    c.SetGridStyle(gsVertDotLines);
    c.SetGridDx(t.Spread);
    BeginViewItems(c);
    const PlotBox box = BoxOf(c, TraceLayer);

    c.SetActiveLayer(TraceLayer);
    const double sumReach = Reach(t.RunningSum, t.Spread * t.WantedAmplitude);
    ZeroLine(c, 2, chips);
    ZeroLine(c, 3, chips);
    c.SetLineWidth(2);
    c.SetDataColor(Blue);
    ChipSteps(c, 0, PerChip(t.Sent, t.Spread), 1);
    c.SetLineWidth(1);
    ChipSteps(c, 1, std::vector<double>(t.RxChips.begin(), t.RxChips.end()), 1);
    c.SetDataColor(Gray);
    ChipSteps(c, 2, t.Received, Reach(t.Received, t.WantedAmplitude));
    c.SetLineWidth(2);
    c.SetDataColor(DarkRed);
    // The sum grows chip by chip: a line through each chip's end, from 0 at each bit's start.
    for (int b = 0; b < t.Bits; ++b) {
        c.MoveToPoint(b * t.Spread, InBand(3, 0, sumReach));
        for (int i = 0; i < t.Spread; ++i)
            c.LineToPoint(b * t.Spread + i + 1, InBand(3, t.RunningSum[std::size_t(b * t.Spread + i)], sumReach));
    }
    Decisions(c, t, 1 + TracesBands);

    BandName(c, 1, 0, translator.Translate("Data of user <%1%>", {user}), box);
    BandName(c, 2, 1, translator.Translate("Chips of user <%1%>", {user}), box);
    BandName(c, 3, 2, translator.Translate("What arrives: every user and the noise"), box);
    BandName(c, 4, 3, translator.Translate("Correlator: the running sum over each bit"), box);
    BandName(c, 5, 4, translator.Translate("Decision at the end of each bit"), box);
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.ShowItems();
    return chart;
}

} // namespace lab
