#include "core/lab/densitychart.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"
#include "core/lab/viewchart.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace lab {

namespace {

using namespace palette;

constexpr double SpanDb = 70;
constexpr int LegendPixels = 12 + 4 * 18; // a band above the densities for the legend

struct Trace
{
    SpectrumSignal signal;
    TColor color;
    int width;
};

// The received signal under the others, the data and the despread signal on top, where their
// narrow peaks must not hide.
constexpr Trace Traces[] = {
    {SpectrumSignal::Received, Gray, 1},
    {SpectrumSignal::Spread, DarkRed, 2},
    {SpectrumSignal::Despread, Green, 1},
    {SpectrumSignal::Data, Blue, 2},
};

double Highest(const LabDensities& s)
{
    return 2.0 * s.Spread();
}

} // namespace

DbRange DensityRange(const LabDensities& s)
{
    double top = LabDensities::FloorDb;
    for (const double f : s.Frequencies(Highest(s)))
        for (const Trace& t : Traces)
            top = std::max(top, s.DensityDb(t.signal, f));
    const double high = std::ceil((top + 1) / 10) * 10;
    return {high - SpanDb, high};
}

std::unique_ptr<Chart> DensityChart(const LabDensities& s, Dictionary& translator, Size size)
{
    if (s.Segments() == 0)
        throw std::invalid_argument("no spectrum measured yet");
    const int n = s.Spread();
    std::unique_ptr<Chart> chart = NewViewChart(
        size, {56, 16, 26, 44},
        translator.Translate("Spectra of <%1%> bits", {std::to_string(s.Bits())}));
    Chart& c = *chart;
    const DbRange range = DensityRange(s);
    const int plot = std::max(1, size.height - 26 - 44);
    const double band = SpanDb * LegendPixels / std::max(plot - LegendPixels, plot / 3);
    SetRanges(c, 1, 0, Highest(s), range.Low, range.High + band);
    c.ScaleX(1).SetMinTicks(4);
    c.ScaleY(1).SetDecPlaces(0);
    c.ScaleY(1).SetMinTicks(6);
    ShowXAxis(c, 1, translator.Translate("Frequency (bit rates)"));
    ShowYAxis(c, 1, translator.Translate("Density (dB)"));
    c.SetGridStyle(gsDotLines);
    BeginViewItems(c);
    const PlotBox box = BoxOf(c, 1);

    // The chip rate, where the spread signal's main lobe ends.
    c.SetDataColor(Silver);
    c.MoveToPoint(n, range.Low);
    c.LineToPoint(n, range.High);
    PlaceText(c, 5, n + 4 * box.DxPerPixel(), range.High, translator.Translate("Chip rate"), Gray, taLeftJustify, vaTop);
    const std::vector<double> frequencies = s.Frequencies(Highest(s));
    for (const Trace& t : Traces) {
        c.SetDataColor(t.color);
        c.SetLineWidth(t.width);
        for (std::size_t i = 0; i < frequencies.size(); ++i) {
            // Below the scale: along its bottom.
            const double db = std::max(s.DensityDb(t.signal, frequencies[i]), range.Low - 1);
            if (i == 0)
                c.MoveToPoint(frequencies[i], db);
            else
                c.LineToPoint(frequencies[i], db);
        }
    }
    LegendRow(c, box, 1, 0, Blue, psSolid, 2, translator.Translate("Data of the decoded user"));
    LegendRow(c, box, 2, 1, DarkRed, psSolid, 2, translator.Translate("Its spread signal"));
    LegendRow(c, box, 3, 2, Gray, psSolid, 1, translator.Translate("What arrives"));
    LegendRow(c, box, 4, 3, Green, psSolid, 1, translator.Translate("What arrives, despread"));
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.ShowItems();
    return chart;
}

} // namespace lab
