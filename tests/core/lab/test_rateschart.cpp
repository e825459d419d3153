// The chart of a bit-error-rate curve as the core builds it, without a surface.
#include "core/lab/rateschart.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/chart/recordingcanvas.h"
#include "core/i18n/dictionary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

using namespace lab;

namespace {

CurvePoint MakePoint(double ebn0, std::uint64_t errors, std::uint64_t bits, Theory theory = {})
{
    CurvePoint p;
    p.EbN0Db = ebn0;
    p.Count = {bits, errors};
    p.Ci95 = Wilson95(errors, bits);
    p.Theory = theory;
    return p;
}

std::vector<std::string> Legend(const Chart& chart)
{
    std::vector<std::string> legend;
    for (int i = 1; i <= Chart::LabelCount; ++i)
        if (chart.TextLabel(i)->Visible())
            legend.push_back(chart.TextLabel(i)->Caption());
    return legend;
}

} // namespace

// Whole decades around every bound and theory value, within 1e-9 .. 1 and at least one decade.
TEST(RatesChart, RateScaleSpansTheDecadesOfTheData)
{
    struct Row { std::vector<CurvePoint> points; double low, high; };
    const Row rows[] = {
        {{MakePoint(0, 1000, 10000), MakePoint(4, 10, 10000)}, 1e-4, 1},
        {{MakePoint(0, 0, 100000)}, 1e-5, 1e-4},                   // only an upper bound
        {{MakePoint(0, 5000, 10000)}, 0.1, 1},                     // at most 1
        {{MakePoint(9, 1, 1000000000)}, 1e-9, 1e-8},               // at least 1e-9
        {{MakePoint(2, 200, 1000, Theory{1e-12, 2e-12})}, 1e-9, 1}, // a theory far below
        {{MakePoint(2, 200, 1000, Theory{std::nullopt, 3e-5})}, 1e-5, 1}, // only the approximation
        {{}, 1e-3, 1},                                             // nothing to show: the default
    };
    for (const Row& row : rows) {
        const Decades d = RateRange(row.points);
        EXPECT_DOUBLE_EQ(d.Low, row.low);
        EXPECT_DOUBLE_EQ(d.High, row.high);
    }
}

namespace {

CurveRequest Request(int users, CodeFamily codes, int spread, std::vector<double> power = {})
{
    CurveRequest request;
    request.Config.Users = users;
    request.Config.Codes = codes;
    request.Config.Spread = spread;
    request.Config.PowerDb = std::move(power);
    request.Bits = 10000;
    return request;
}

// Points on the exact rate, as a measurement of many bits would give.
ChartCurve OnTheory(const CurveRequest& request, std::vector<double> levels)
{
    const RateTheory theory(request.Config);
    ChartCurve curve{request, {}};
    for (double db : levels)
        curve.Points.push_back(MakePoint(db, std::uint64_t(request.Bits * theory.Exact(db).value_or(0.01)), request.Bits,
                                         theory.At(db)));
    return curve;
}

} // namespace

TEST(RatesChart, RatesByDecadesOverEbN0WithTheTheoryInTheLegend)
{
    Dictionary translator;
    const RatesChart rates({OnTheory(Request(4, CodeFamily::Random, 16), {0, 2, 4, 6})}, Varying::None, translator);
    const Chart& chart = rates.GetChart();
    EXPECT_EQ(chart.GetSize(), RatesChart::DefaultSize);
    const ScaleProps* y = &chart.ScaleY(1);
    EXPECT_TRUE(y->Logarithmic());
    EXPECT_TRUE(y->Visible());
    EXPECT_EQ(y->LabelType(), ftNoFigs) << "the decades are numbered as powers of ten by Paint";
    EXPECT_DOUBLE_EQ(y->RangeLow(), 0.01);
    EXPECT_DOUBLE_EQ(y->RangeHigh(), 1);
    EXPECT_EQ(y->Caption(), "Bit-error rate") << "the key's text without a language file";
    // Half a step beyond the outer points, so that their bars stay whole.
    EXPECT_DOUBLE_EQ(chart.ScaleX(1).RangeLow(), -1);
    EXPECT_DOUBLE_EQ(chart.ScaleX(1).RangeHigh(), 7);
    EXPECT_EQ(Legend(chart), (std::vector<std::string>{"Measured, 10000 bits per point, with its 95 % interval",
                                                       "Exact rate of this model", "Gaussian approximation"}));
    EXPECT_EQ(rates.Title(), "Bit-error rate of user 1 of 4, random codes of 16 chips");
    // One user: the approximation is the exact rate, and only the exact curve is named.
    const RatesChart alone({OnTheory(Request(1, CodeFamily::Random, 16), {0, 2})}, Varying::None, translator);
    EXPECT_EQ(Legend(alone.GetChart()),
              (std::vector<std::string>{"Measured, 10000 bits per point, with its 95 % interval", "Exact rate of this model"}));
}

// Where a lone curve has no exact rate, a single user's rate stands beside the approximation.
TEST(RatesChart, WithoutAnExactRateOneUserStandsForComparison)
{
    Dictionary translator;
    translator.Load("[One user alone, for comparison]=Ein Nutzer allein|$$");
    const ChartCurve many = OnTheory(Request(8, CodeFamily::Random, 64, {0, 1, 2, 3, 4, 5, 6, 7}), {4, 10});
    const RatesChart chart({many}, Varying::None, translator);
    EXPECT_EQ(Legend(chart.GetChart()),
              (std::vector<std::string>{"Measured, 10000 bits per point, with its 95 % interval", "Gaussian approximation",
                                        "Ein Nutzer allein"}));
    // A single level gets a decibel on either side.
    const RatesChart single({OnTheory(Request(2, CodeFamily::Walsh, 8), {4})}, Varying::None, translator);
    EXPECT_DOUBLE_EQ(single.GetChart().ScaleX(1).RangeLow(), 3);
    EXPECT_DOUBLE_EQ(single.GetChart().ScaleX(1).RangeHigh(), 5);
}

// Curves that differ in one input: each named by its value in its own colour, the pens named
// once, the title saying what varies and that the users are not aligned.
TEST(RatesChart, SeveralCurvesAreToldApartByColourAndName)
{
    Dictionary translator;
    std::vector<ChartCurve> curves;
    for (auto [codes, spread] : {std::pair{CodeFamily::Walsh, 8}, std::pair{CodeFamily::MSequence, 7}, std::pair{CodeFamily::Gold, 7}}) {
        CurveRequest request = Request(3, codes, spread);
        request.Config.DelayChips = {0, 2, 5};
        curves.push_back(OnTheory(request, {0, 4, 8}));
    }
    const RatesChart chart(curves, Varying::Codes, translator, {1600, 900});
    EXPECT_EQ(chart.GetSize(), (Size{1600, 900}));
    EXPECT_EQ(Legend(chart.GetChart()),
              (std::vector<std::string>{"Measured, 10000 bits per point, with its 95 % interval", "Exact rate of this model",
                                        "Gaussian approximation", "gold codes, 7 chips", "msequence codes, 7 chips",
                                        "walsh codes, 8 chips"}));
    EXPECT_EQ(chart.Title(), "Bit-error rate of user 1 of 3, by code family, users not aligned");
    // Every curve's pens in its colour: the exact rate, the approximation and the points.
    std::set<TColor> colours;
    for (const TChartItem& item : chart.GetChart().Items())
        colours.insert(item.Color);
    for (TColor c : {palette::CurveColors[0], palette::CurveColors[1], palette::CurveColors[2]})
        EXPECT_TRUE(colours.count(c)) << std::hex << c;
    EXPECT_FALSE(colours.count(palette::CurveColors[3]));

    EXPECT_THROW(RatesChart(std::vector<ChartCurve>(9, curves[0]), Varying::Codes, translator), std::invalid_argument);
    EXPECT_THROW(RatesChart({}, Varying::None, translator), std::invalid_argument);
    EXPECT_THROW(RatesChart(curves, Varying::Codes, translator, {399, 800}), std::invalid_argument);
    EXPECT_THROW(RatesChart(curves, Varying::Codes, translator, {4000, 4001}), std::invalid_argument);
    EXPECT_NO_THROW(RatesChart(curves, Varying::Codes, translator, {400, 300}));
    EXPECT_NO_THROW(RatesChart(curves, Varying::Codes, translator, {4000, 4000}));
}

// The decades read as powers of ten beside their ticks, the exponent raised and smaller; the
// chart's own numbers stay off the y axis.
TEST(RatesChart, DecadesReadAsPowersOfTen)
{
    Dictionary translator;
    const RatesChart chart({OnTheory(Request(4, CodeFamily::Random, 16), {0, 2, 4, 6})}, Varying::None, translator);
    RecordingCanvas canvas(1200, 800);
    chart.Paint(canvas);
    const ChartLayout layout = LayoutChart(chart.GetChart().State(), canvas);
    std::vector<std::pair<std::string, int>> texts; // text, top
    for (const RecordingCanvas::Op& op : canvas.ops(RecordingCanvas::OpKind::Text))
        if (op.points.at(0).x < layout.geometry.ML && op.points.at(0).y < layout.geometry.H - layout.geometry.MB
            && op.points.at(0).y > layout.geometry.MT / 2
            && op.text != chart.GetChart().ScaleY(1).Caption())
            texts.emplace_back(op.text, op.points.at(0).y);
    // 10^0, 10^-1 and 10^-2, each "10" then its exponent a little higher.
    ASSERT_EQ(texts.size(), 6u) << "beside the plot, no other text but the axis' caption and the title";
    const std::string exponents[] = {"-2", "-1", "0"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(texts[2 * i].first, "10");
        std::string exponent = texts[2 * i + 1].first;
        if (exponent[0] == '\x96')
            exponent[0] = '-';
        EXPECT_EQ(exponent, exponents[i]);
        EXPECT_LT(texts[2 * i + 1].second, texts[2 * i].second);
        const int tick = layout.DrawPoint(1, 0, std::pow(10.0, i - 2)).y;
        EXPECT_NEAR(texts[2 * i].second + 6, tick, 8) << "beside its tick";
    }
}
