#include "core/lab/rateschart.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"

#include <algorithm>
#include <cmath>

namespace lab {

namespace {

using namespace palette;

constexpr TColor DarkGreen = Green;

constexpr int MarginLeft = 64;
constexpr int MarginRight = 18;
constexpr int MarginTop = 24;
constexpr int MarginBottom = 44;
constexpr int PlotWidth = RatesChartWidth - MarginLeft - MarginRight;
constexpr int PlotHeight = RatesChartHeight - MarginTop - MarginBottom;
constexpr int Layer = 1;
constexpr int CurveSteps = 200;
constexpr double MarkerPixels = 3;
constexpr double CapPixels = 4;

double Floor10(double v)
{
    return std::pow(10.0, std::floor(std::log10(v) + 1e-9));
}

double Ceil10(double v)
{
    return std::pow(10.0, std::ceil(std::log10(v) - 1e-9));
}

// Data units per pixel: x is linear, y logarithmic, so a pixel in y is a factor.
struct Scale
{
    double xLow, xHigh, yLow, yHigh;
    double DxPerPixel() const { return (xHigh - xLow) / PlotWidth; }
    double YFactor(double pixels) const { return std::pow(yHigh / yLow, pixels / PlotHeight); }
};

// A small square around a measured rate, drawn as one closed polyline.
void Marker(Chart& c, const Scale& s, double x, double y)
{
    const double dx = MarkerPixels * s.DxPerPixel();
    const double f = s.YFactor(MarkerPixels);
    c.MoveToPoint(x - dx, y / f);
    c.LineToPoint(x + dx, y / f);
    c.LineToPoint(x + dx, y * f);
    c.LineToPoint(x - dx, y * f);
    c.LineToPoint(x - dx, y / f);
}

// The interval as a vertical bar with caps; a bound of 0 runs off the bottom of the scale, with
// no cap, since no rate below the upper bound can be ruled out.
void ErrorBar(Chart& c, const Scale& s, double x, double low, double high)
{
    const double dx = CapPixels * s.DxPerPixel();
    const double bottom = low > 0 ? low : s.yLow / 10;
    c.MoveToPoint(x, bottom);
    c.LineToPoint(x, high);
    c.MoveToPoint(x - dx, high);
    c.LineToPoint(x + dx, high);
    if (low > 0) {
        c.MoveToPoint(x - dx, low);
        c.LineToPoint(x + dx, low);
    }
}

template <typename F>
void Curve(Chart& c, const Scale& s, F rate)
{
    for (int i = 0; i <= CurveSteps; ++i) {
        const double x = s.xLow + (s.xHigh - s.xLow) * i / CurveSteps;
        const double y = std::max(rate(x), s.yLow / 10); // below the scale: along its bottom
        if (i == 0)
            c.MoveToPoint(x, y);
        else
            c.LineToPoint(x, y);
    }
}

// One legend entry per row in the bottom-left corner of the plot, where the rates of a falling
// curve never are: a sample line in the entry's colour and pen, then the text.
void LegendRow(Chart& c, const Scale& s, int row, TColor color, TPenStyle pen, bool marker, const std::string& text)
{
    const double y = s.yLow * s.YFactor(12 + 18 * row);
    const double x0 = s.xLow + 12 * s.DxPerPixel();
    const double x1 = x0 + 26 * s.DxPerPixel();
    c.SetDataColor(color);
    c.SetPenStyle(pen);
    c.SetLineWidth(marker || pen != psSolid ? 1 : 2);
    if (marker) {
        Marker(c, s, (x0 + x1) / 2, y);
        c.MoveToPoint(x0 + 2 * s.DxPerPixel(), y);
        c.LineToPoint(x1 - 2 * s.DxPerPixel(), y);
    } else {
        c.MoveToPoint(x0, y);
        c.LineToPoint(x1, y);
    }
    c.SetPenStyle(psSolid);
    TTextLabel* label = c.TextLabel(row + 1);
    label->SetMode(tlsimple);
    label->SetTransparent(true);
    label->SetAttachToData(tlamBoth);
    label->SetAlignment(taLeftJustify);
    label->SetVerticalAlignment(vaCenter);
    label->SetPosX(x1 + 6 * s.DxPerPixel());
    label->SetPosY(y);
    label->SetFontColor(Black);
    label->SetCaption(text);
    label->SetVisible(true);
}

// The x span of the points: half the smallest step beyond the outermost ones, so that their
// bars stay whole; 1 dB around a single point.
Scale ScaleOf(const std::vector<CurvePoint>& points)
{
    std::vector<double> levels;
    for (const CurvePoint& p : points)
        if (p.EbN0Db)
            levels.push_back(*p.EbN0Db);
    std::sort(levels.begin(), levels.end());
    double pad = 1;
    for (std::size_t i = 1; i < levels.size(); ++i)
        if (levels[i] > levels[i - 1])
            pad = std::min(pad, (levels[i] - levels[i - 1]) / 2);
    const Decades rates = RateRange(points);
    return {levels.front() - pad, levels.back() + pad, rates.Low, rates.High};
}

void SetUpFrame(Chart& c)
{
    c.Resize(RatesChartWidth, RatesChartHeight);
    c.SetAllocSize(4000);
    c.SetAutoRedraw(false);
    c.SetMarginLeft(MarginLeft);
    c.SetMarginRight(MarginRight);
    c.SetMarginTop(MarginTop);
    c.SetMarginBottom(MarginBottom);
    c.SetChartColor(White);
    c.SetCaptionPosX(0);
    c.SetCaptionPosY(-16);
    c.SetCaptionAlignment(taRightJustify);
    c.SetCaptionAnchorHoriz(cahChartRight);
    c.SetCaptionAnchorVert(cavChartTop);
    c.SetGridStyle(gsDotLines);
    c.SetGridDx(0);  // at the x axis' numbered ticks
    c.SetGridDy(-1); // at every decade
    c.SetGridColor(clSilver);
    for (int layer = 1; layer <= 4; ++layer)
        for (ScaleProps* scale : {&c.ScaleX(layer), &c.ScaleY(layer)})
            scale->SetVisible(false);
}

// Eb/N0 along the bottom, the rate by decades up the left.
void SetUpAxes(Chart& c, const Scale& s)
{
    ScaleProps* x = &c.ScaleX(Layer);
    x->SetMinRange(1e-10);
    x->SetRangeLow(s.xLow);
    x->SetRangeHigh(s.xHigh);
    x->SetScaleLocation(slBottom);
    x->SetScalePos(0);
    x->SetMinTicks(5);
    x->SetShortTicks(false);
    x->SetColorScale(clBlack);
    x->SetCaption("BF_Eb/N0 of the decoded user (dB)");
    x->SetCaptionPosY(22);
    x->SetCaptionAnchor(uaSclCenter);
    x->SetCaptionAlignment(taCenter);
    x->SetVisible(true);
    ScaleProps* y = &c.ScaleY(Layer);
    y->SetMinRange(1e-300);
    y->SetRangeLow(s.yLow);
    y->SetRangeHigh(s.yHigh);
    y->SetLogarithmic(true);
    y->SetScaleLocation(slLeft);
    y->SetScalePos(0);
    y->SetColorScale(clBlack);
    y->SetCaption("BF_Bit-error rate");
    y->SetCaptionAnchor(uaSclTopLft);
    y->SetCaptionAlignment(taLeftJustify);
    y->SetCaptionPosX(-MarginLeft + 4);
    y->SetCaptionPosY(-18);
    y->SetVisible(true);
}

// The exact rate and, dashed over it so that both show where they agree, the approximation; a
// styled pen is one pixel wide, as on the window's device. Without a theory, a single user's
// rate for comparison.
void TheoryCurves(Chart& c, const Scale& s, const LabConfig& config, bool theory)
{
    if (theory) {
        c.SetLineWidth(2);
        c.SetDataColor(Blue);
        Curve(c, s, [&](double db) { return ExactBer(config.Users, config.Spread, db); });
        if (config.Users > 1) {
            c.SetLineWidth(1);
            c.SetPenStyle(psDash);
            c.SetDataColor(DarkGreen);
            Curve(c, s, [&](double db) { return GaussianBer(config.Users, config.Spread, db); });
            c.SetPenStyle(psSolid);
        }
    } else {
        c.SetLineWidth(1);
        c.SetPenStyle(psDot);
        c.SetDataColor(Gray);
        Curve(c, s, [](double db) { return ExactBer(1, 2, db); });
        c.SetPenStyle(psSolid);
    }
}

void MeasuredPoints(Chart& c, const Scale& s, const std::vector<CurvePoint>& points)
{
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    for (const CurvePoint& p : points)
        if (p.EbN0Db)
            ErrorBar(c, s, *p.EbN0Db, p.Ci95.Low, p.Ci95.High);
    c.SetLineWidth(2);
    c.SetDataColor(DarkRed);
    for (const CurvePoint& p : points)
        if (p.EbN0Db && p.Count.Errors > 0)
            Marker(c, s, *p.EbN0Db, double(p.Count.Errors) / double(p.Count.Bits));
}

void Legend(Chart& c, const Scale& s, const CurveRequest& request, bool theory, Dictionary& translator)
{
    int row = 0;
    LegendRow(c, s, row++, DarkRed, psSolid, true,
              translator.Translate("Measured, <%1%> bits per point, with its 95 % interval", {std::to_string(request.Bits)}));
    if (theory) {
        LegendRow(c, s, row++, Blue, psSolid, false, translator.Translate("Exact rate of this model"));
        if (request.Config.Users > 1)
            LegendRow(c, s, row++, DarkGreen, psDash, false, translator.Translate("Gaussian approximation"));
    } else {
        LegendRow(c, s, row++, Gray, psDot, false, translator.Translate("One user alone, for comparison"));
    }
}

} // namespace

Decades RateRange(const std::vector<CurvePoint>& points)
{
    double low = 1, high = 0;
    auto take = [&](double v) {
        if (v > 0) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    };
    for (const CurvePoint& p : points) {
        take(p.Ci95.Low);
        take(p.Ci95.High);
        take(double(p.Count.Errors) / double(p.Count.Bits));
        if (p.Theory) {
            take(p.Theory->Exact);
            take(p.Theory->Gaussian);
        }
    }
    if (high == 0)
        return {};
    Decades d{std::clamp(Floor10(low), 1e-9, 0.1), std::clamp(Ceil10(high), 1e-8, 1.0)};
    if (d.High <= d.Low)
        d.Low = d.High / 10;
    return d;
}

std::unique_ptr<Chart> RatesChart(const CurveRequest& request, const std::vector<CurvePoint>& points,
                                  Dictionary& translator)
{
    const LabConfig& config = request.Config;
    const Scale s = ScaleOf(points);
    auto chart = std::make_unique<Chart>();
    Chart& c = *chart;
    c.BeginLoading();
    SetUpFrame(c);
    SetUpAxes(c, s);
    c.Loaded();
    c.TranslateTexts([&translator](std::string& text) { translator.TranslateKeyed(text); });
    c.SetCaption(translator.Translate("Bit-error rate of user <%1%> of <%2%>, <%3%> codes of <%4%> chips",
                                      {std::to_string(config.Rx), std::to_string(config.Users),
                                       FamilyName(config.Codes), std::to_string(config.Spread)}));
    c.ClearItems();
    c.HideTextLabels();
    for (int i = 1; i <= Chart::LabelCount; ++i)
        c.TextLabel(i)->SetMode(tlOff);
    c.SetActiveLayer(Layer);

    // Theory first, so that the measured points lie on top.
    const bool theory = TheoryFor(config, 0.0).has_value();
    TheoryCurves(c, s, config, theory);
    MeasuredPoints(c, s, points);
    Legend(c, s, request, theory, translator);
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.ShowItems();
    return chart;
}

} // namespace lab
