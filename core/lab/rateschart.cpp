#include "core/lab/rateschart.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace lab {

namespace {

using namespace palette;

constexpr int Layer = 1;
constexpr int CurveSteps = 200;
constexpr char Minus = '\x96'; // the en dash of Windows-1252, a minus sign in print

double Floor10(double v)
{
    return std::pow(10.0, std::floor(std::log10(v) + 1e-9));
}

double Ceil10(double v)
{
    return std::pow(10.0, std::ceil(std::log10(v) - 1e-9));
}

FontDesc FontOf(int pixels, bool bold = false)
{
    FontDesc font = DefaultChartFont();
    font.PixelSize = pixels;
    font.PointSize = 0;
    if (bold)
        font.Style |= fsBold;
    return font;
}

// The frame in pixels, from the size of the text: room for the decades' numbers at the left,
// the title and the y axis' caption above, the x axis' numbers and caption below.
struct Frame
{
    int font;
    int left, right, top, bottom;
    int plotWidth, plotHeight;
};

Frame FrameOf(Size size)
{
    const int f = std::clamp(size.height / 50, 11, 32);
    Frame frame{f, 5 * f + 10, 2 * f, 4 * f, 4 * f, 0, 0};
    frame.plotWidth = size.width - frame.left - frame.right;
    frame.plotHeight = size.height - frame.top - frame.bottom;
    return frame;
}

// Data units per pixel: x is linear, y logarithmic, so a pixel in y is a factor.
struct Scale
{
    double xLow, xHigh, yLow, yHigh;
    Frame frame;
    double DxPerPixel() const { return (xHigh - xLow) / frame.plotWidth; }
    double YFactor(double pixels) const { return std::pow(yHigh / yLow, pixels / frame.plotHeight); }
};

// How one curve is drawn: its colour for the measured points, the exact rate and the
// approximation, and a shift in x that keeps the bars of curves at one level apart.
struct Look
{
    TColor measured, bars, exact, approximation;
    double shift;
};

// A small square around a measured rate, drawn as one closed polyline.
void Marker(Chart& c, const Scale& s, double x, double y)
{
    const double half = std::max(3, s.frame.font / 4);
    const double dx = half * s.DxPerPixel();
    const double f = s.YFactor(half);
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
    const double dx = std::max(4, s.frame.font / 3) * s.DxPerPixel();
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

TTextLabel* PlaceLabel(Chart& c, int index, const FontDesc& font, const std::string& text)
{
    TTextLabel* label = c.TextLabel(index);
    label->SetMode(tlsimple);
    label->SetTransparent(true);
    label->SetFont(font);
    label->SetFontColor(Black);
    label->SetCaption(text);
    label->SetVisible(true);
    return label;
}

// The legend, one entry per row from the bottom-left corner of the plot up, where the rates of
// falling curves never are: a sample of the entry's pen, then the text.
class Legend
{
public:
    Legend(Chart& chart, const Scale& scale)
        : m_chart(chart)
        , m_scale(scale)
    {
    }

    // marker: a measured point with its bar; else a line in `pen`.
    void Row(TColor color, TPenStyle pen, bool marker, const std::string& text)
    {
        const Scale& s = m_scale;
        const int f = s.frame.font;
        const double y = s.yLow * s.YFactor(f + (f * 18 / 11) * m_row);
        const double x0 = s.xLow + f * s.DxPerPixel();
        const double x1 = x0 + (f * 26 / 11) * s.DxPerPixel();
        Chart& c = m_chart;
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
        TTextLabel* label = PlaceLabel(c, ++m_row, FontOf(f), text);
        label->SetAttachToData(tlamBoth);
        label->SetAlignment(taLeftJustify);
        label->SetVerticalAlignment(vaCenter);
        label->SetPosX(x1 + (f / 2) * s.DxPerPixel());
        label->SetPosY(y);
    }

    int Rows() const { return m_row; }

private:
    Chart& m_chart;
    const Scale& m_scale;
    int m_row = 0;
};

// The x span of the points: half the smallest step beyond the outermost ones, so that their
// bars stay whole; 1 dB around a single level.
Scale ScaleOf(const std::vector<ChartCurve>& curves, const Frame& frame)
{
    std::vector<double> levels;
    std::vector<CurvePoint> all;
    for (const ChartCurve& curve : curves)
        for (const CurvePoint& p : curve.Points) {
            all.push_back(p);
            if (p.EbN0Db)
                levels.push_back(*p.EbN0Db);
        }
    if (levels.empty())
        throw std::invalid_argument("the chart of rates needs a point with an Eb/N0");
    std::sort(levels.begin(), levels.end());
    double pad = 1;
    for (std::size_t i = 1; i < levels.size(); ++i)
        if (levels[i] > levels[i - 1])
            pad = std::min(pad, (levels[i] - levels[i - 1]) / 2);
    const Decades rates = RateRange(all);
    return {levels.front() - pad, levels.back() + pad, rates.Low, rates.High, frame};
}

void SetUpFrame(Chart& c, Size size, const Frame& frame)
{
    c.Resize(size.width, size.height);
    c.SetAllocSize(4000);
    c.SetAutoRedraw(false);
    c.SetMarginLeft(frame.left);
    c.SetMarginRight(frame.right);
    c.SetMarginTop(frame.top);
    c.SetMarginBottom(frame.bottom);
    c.SetChartColor(White);
    c.SetGridStyle(gsDotLines);
    c.SetGridDx(0);  // at the x axis' numbered ticks
    c.SetGridDy(-1); // at every decade
    c.SetGridColor(clSilver);
    for (int layer = 1; layer <= 4; ++layer)
        for (ScaleProps* scale : {&c.ScaleX(layer), &c.ScaleY(layer)})
            scale->SetVisible(false);
}

// Eb/N0 along the bottom, the rate by decades up the left, numbered by Paint.
void SetUpAxes(Chart& c, const Scale& s)
{
    const int f = s.frame.font;
    ScaleProps* x = &c.ScaleX(Layer);
    x->SetMinRange(1e-10);
    x->SetRangeLow(s.xLow);
    x->SetRangeHigh(s.xHigh);
    x->SetScaleLocation(slBottom);
    x->SetScalePos(0);
    x->SetMinTicks(5);
    x->SetShortTicks(false);
    x->SetColorScale(clBlack);
    x->SetFont(FontOf(f));
    x->SetCaption("BF_Eb/N0 of the decoded user (dB)");
    x->SetCaptionPosY(2 * f);
    x->SetCaptionAnchor(uaSclCenter);
    x->SetCaptionAlignment(taCenter);
    x->SetVisible(true);
    ScaleProps* y = &c.ScaleY(Layer);
    y->SetMinRange(1e-300);
    y->SetRangeLow(s.yLow);
    y->SetRangeHigh(s.yHigh);
    y->SetLogarithmic(true);
    y->SetLabelType(ftNoFigs);
    y->SetScaleLocation(slLeft);
    y->SetScalePos(0);
    y->SetColorScale(clBlack);
    y->SetFont(FontOf(f));
    y->SetCaption("BF_Bit-error rate");
    y->SetCaptionAnchor(uaSclTopLft);
    y->SetCaptionAlignment(taLeftJustify);
    y->SetCaptionPosX(-s.frame.left + 4);
    y->SetCaptionPosY(-(f * 18 / 11));
    y->SetVisible(true);
}

std::string CurveName(const LabConfig& c, Varying varying, Dictionary& translator)
{
    switch (varying) {
    case Varying::Spread: return translator.Translate("<%1%> chips per bit", {std::to_string(c.Spread)});
    case Varying::Users: return translator.Translate("<%1%> users", {std::to_string(c.Users)});
    case Varying::Codes:
        return translator.Translate("<%1%> codes, <%2%> chips", {FamilyName(c.Codes), std::to_string(c.Spread)});
    case Varying::None: break;
    }
    return {};
}

// The title, at the top right above the plot: which user, and what the curves share.
std::string TitleOf(const LabConfig& c, Varying varying, Dictionary& translator)
{
    const std::string rx = std::to_string(c.Rx), users = std::to_string(c.Users), spread = std::to_string(c.Spread);
    std::string title;
    switch (varying) {
    case Varying::None:
        title = translator.Translate("Bit-error rate of user <%1%> of <%2%>, <%3%> codes of <%4%> chips",
                                     {rx, users, FamilyName(c.Codes), spread});
        break;
    case Varying::Spread:
        title = translator.Translate("Bit-error rate of user <%1%> of <%2%>, <%3%> codes, by spreading factor",
                                     {rx, users, FamilyName(c.Codes)});
        break;
    case Varying::Users:
        title = translator.Translate("Bit-error rate of user <%1%>, <%2%> codes of <%3%> chips, by number of users",
                                     {rx, FamilyName(c.Codes), spread});
        break;
    case Varying::Codes:
        title = translator.Translate("Bit-error rate of user <%1%> of <%2%>, by code family", {rx, users});
        break;
    }
    if (!c.DelayChips.empty())
        title += translator.Translate(", users not aligned");
    return title;
}

// The theory of one curve: its exact rate, and dashed over it, so that both show where they
// agree, the approximation; a styled pen is one pixel wide, as on the window's device. A lone
// curve without an exact rate gets a single user's rate for comparison.
void TheoryCurves(Chart& c, const Scale& s, const LabConfig& config, const Look& look, bool lone)
{
    const RateTheory theory(config);
    const bool exact = theory.Exact(0.0).has_value();
    if (exact) {
        c.SetLineWidth(2);
        c.SetDataColor(look.exact);
        Curve(c, s, [&](double db) { return *theory.Exact(db); });
    }
    if (config.Users > 1 || !exact) {
        c.SetLineWidth(1);
        c.SetPenStyle(psDash);
        c.SetDataColor(look.approximation);
        Curve(c, s, [&](double db) { return theory.Gaussian(db); });
        c.SetPenStyle(psSolid);
    }
    if (lone && !exact) {
        c.SetLineWidth(1);
        c.SetPenStyle(psDot);
        c.SetDataColor(Gray);
        Curve(c, s, [](double db) { return ExactBer(1, 2, db); });
        c.SetPenStyle(psSolid);
    }
}

void MeasuredPoints(Chart& c, const Scale& s, const std::vector<CurvePoint>& points, const Look& look)
{
    const double shift = look.shift * s.DxPerPixel();
    c.SetLineWidth(1);
    c.SetDataColor(look.bars);
    for (const CurvePoint& p : points)
        if (p.EbN0Db)
            ErrorBar(c, s, *p.EbN0Db + shift, p.Ci95.Low, p.Ci95.High);
    c.SetLineWidth(2);
    c.SetDataColor(look.measured);
    for (const CurvePoint& p : points)
        if (p.EbN0Db && p.Count.Errors > 0)
            Marker(c, s, *p.EbN0Db + shift, double(p.Count.Errors) / double(p.Count.Bits));
}

// A lone curve names what each pen shows; several name their curves by colour, then the pens.
void FillLegend(Legend& legend, const std::vector<ChartCurve>& curves, Varying varying, Dictionary& translator)
{
    const ChartCurve& first = curves.front();
    const RateTheory theory(first.Request.Config);
    const bool exact = theory.Exact(0.0).has_value();
    const std::string measured =
        translator.Translate("Measured, <%1%> bits per point, with its 95 % interval", {std::to_string(first.Request.Bits)});
    if (curves.size() == 1) {
        legend.Row(DarkRed, psSolid, true, measured);
        if (exact)
            legend.Row(Blue, psSolid, false, translator.Translate("Exact rate of this model"));
        if (first.Request.Config.Users > 1 || !exact)
            legend.Row(Green, psDash, false, translator.Translate("Gaussian approximation"));
        if (!exact)
            legend.Row(Gray, psDot, false, translator.Translate("One user alone, for comparison"));
        return;
    }
    legend.Row(Black, psSolid, true, measured);
    legend.Row(Black, psSolid, false, translator.Translate("Exact rate of this model"));
    legend.Row(Black, psDash, false, translator.Translate("Gaussian approximation"));
    for (std::size_t i = curves.size(); i-- > 0;)
        legend.Row(CurveColors[i], psSolid, false, CurveName(curves[i].Request.Config, varying, translator));
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
        if (p.Theory.Exact)
            take(*p.Theory.Exact);
        take(p.Theory.Gaussian);
    }
    if (high == 0)
        return {};
    Decades d{std::clamp(Floor10(low), 1e-9, 0.1), std::clamp(Ceil10(high), 1e-8, 1.0)};
    if (d.High <= d.Low)
        d.Low = d.High / 10;
    return d;
}

RatesChart::RatesChart(const std::vector<ChartCurve>& curves, Varying varying, Dictionary& translator, Size size)
{
    if (curves.empty() || curves.size() > std::size_t(MaxCurves))
        throw std::invalid_argument("the chart of rates draws 1 to 8 curves");
    if (size.width < MinSize.width || size.height < MinSize.height || size.width > MaxSize.width
        || size.height > MaxSize.height)
        throw std::invalid_argument("the chart of rates is 400 x 300 to 4000 x 4000 pixels");
    const Frame frame = FrameOf(size);
    m_fontPixels = frame.font;
    const Scale s = ScaleOf(curves, frame);
    m_chart = std::make_unique<Chart>();
    Chart& c = *m_chart;
    c.BeginLoading();
    SetUpFrame(c, size, frame);
    SetUpAxes(c, s);
    c.Loaded();
    c.TranslateTexts([&translator](std::string& text) { translator.TranslateKeyed(text); });
    c.ClearItems();
    c.HideTextLabels();
    for (int i = 1; i <= Chart::LabelCount; ++i)
        c.TextLabel(i)->SetMode(tlOff);
    c.SetActiveLayer(Layer);

    // Theory first, so that the measured points lie on top.
    const bool lone = curves.size() == 1;
    const double spacing = std::max(2, frame.font / 4);
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const TColor color = CurveColors[i];
        const Look look = lone ? Look{DarkRed, Black, Blue, Green, 0}
                               : Look{color, color, color, color, (double(i) - (curves.size() - 1) / 2.0) * spacing};
        TheoryCurves(c, s, curves[i].Request.Config, look, lone);
        MeasuredPoints(c, s, curves[i].Points, look);
    }
    Legend legend(c, s);
    FillLegend(legend, curves, varying, translator);
    m_title = TitleOf(curves.front().Request.Config, varying, translator);
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.ShowItems();
}

RatesChart::~RatesChart() = default;

Size RatesChart::GetSize() const
{
    return m_chart->GetSize();
}

void RatesChart::Paint(Canvas& canvas) const
{
    m_chart->RenderTo(canvas);
    const ChartLayout layout = LayoutChart(m_chart->State(), canvas);
    // The title at the top right, above the plot, where the chart's labels cannot go.
    const FontDesc title = FontOf(m_fontPixels, true);
    canvas.setFont(title, clBlack);
    canvas.setBrushStyle(Canvas::BrushStyle::Clear);
    canvas.textOut(layout.geometry.W - layout.geometry.MR - canvas.textWidth(m_title), m_fontPixels / 3, m_title);
    const ScaleSettings& y = m_chart->State().ScaleY[Layer - 1];
    const FontDesc number = FontOf(m_fontPixels);
    const FontDesc exponent = FontOf(m_fontPixels * 3 / 4);
    const int right = layout.geometry.ML - 6;
    for (int e = int(std::lround(std::log10(y.RangeLow))); e <= int(std::lround(std::log10(y.RangeHigh))); ++e) {
        const int at = layout.DrawPoint(Layer, y.RangeLow, std::pow(10.0, e)).y;
        const std::string power = e < 0 ? Minus + std::to_string(-e) : std::to_string(e);
        canvas.setFont(exponent, clBlack);
        const int powerWidth = canvas.textWidth(power);
        canvas.setFont(number, clBlack);
        const int baseWidth = canvas.textWidth("10");
        const int top = at - canvas.textHeight("10") / 2;
        canvas.textOut(right - powerWidth - baseWidth, top, "10");
        canvas.setFont(exponent, clBlack);
        canvas.textOut(right - powerWidth, top - m_fontPixels / 3, power);
    }
}

} // namespace lab
