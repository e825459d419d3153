// The chart of a bit-error-rate curve as the core builds it, without a surface.
#include "core/lab/rateschart.h"

#include "core/chart/chart.h"
#include "core/i18n/dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lab;

namespace {

CurvePoint MakePoint(double ebn0, std::uint64_t errors, std::uint64_t bits, std::optional<Theory> theory = {})
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
        {{}, 1e-3, 1},                                             // nothing to show: the default
    };
    for (const Row& row : rows) {
        const Decades d = RateRange(row.points);
        EXPECT_DOUBLE_EQ(d.Low, row.low);
        EXPECT_DOUBLE_EQ(d.High, row.high);
    }
}

TEST(RatesChart, RatesByDecadesOverEbN0WithTheTheoryInTheLegend)
{
    CurveRequest request;
    request.Config.Users = 4;
    request.Config.Spread = 16;
    request.Bits = 10000;
    std::vector<CurvePoint> points;
    for (double db : {0.0, 2.0, 4.0, 6.0})
        points.push_back(MakePoint(db, std::uint64_t(10000 * ExactBer(4, 16, db)), 10000, TheoryFor(request.Config, db)));
    Dictionary translator;
    const std::unique_ptr<Chart> chart = RatesChart(request, points, translator);

    const ScaleProps* y = &chart->ScaleY(1);
    EXPECT_TRUE(y->Logarithmic());
    EXPECT_TRUE(y->Visible());
    EXPECT_DOUBLE_EQ(y->RangeLow(), 0.01);
    EXPECT_DOUBLE_EQ(y->RangeHigh(), 1);
    EXPECT_EQ(y->Caption(), "Bit-error rate") << "the key's text without a language file";
    // Half a step beyond the outer points, so that their bars stay whole.
    EXPECT_DOUBLE_EQ(chart->ScaleX(1).RangeLow(), -1);
    EXPECT_DOUBLE_EQ(chart->ScaleX(1).RangeHigh(), 7);
    EXPECT_EQ(chart->Caption(), "Bit-error rate of user 1 of 4, random codes of 16 chips");
    EXPECT_EQ(Legend(*chart), (std::vector<std::string>{"Measured, 10000 bits per point, with its 95 % interval",
                                                        "Exact rate of this model", "Gaussian approximation"}));
    // One user: the approximation is the exact rate, and only the exact curve is named.
    request.Config.Users = 1;
    EXPECT_EQ(Legend(*RatesChart(request, points, translator)),
              (std::vector<std::string>{"Measured, 10000 bits per point, with its 95 % interval", "Exact rate of this model"}));
}

TEST(RatesChart, WithoutATheoryOneUserStandsForComparison)
{
    CurveRequest request;
    request.Config.Codes = CodeFamily::Walsh;
    request.Config.PowerDb = {0, 20};
    request.Bits = 100000;
    Dictionary translator;
    translator.Load("[One user alone, for comparison]=Ein Nutzer allein|$$");
    const std::unique_ptr<Chart> chart = RatesChart(request, {MakePoint(4, 1250, 100000), MakePoint(10, 0, 100000)}, translator);
    EXPECT_EQ(Legend(*chart), (std::vector<std::string>{"Measured, 100000 bits per point, with its 95 % interval",
                                                        "Ein Nutzer allein"}));
    // A single point gets a decibel on either side.
    const std::unique_ptr<Chart> single = RatesChart(request, {MakePoint(4, 1250, 100000)}, translator);
    EXPECT_DOUBLE_EQ(single->ScaleX(1).RangeLow(), 3);
    EXPECT_DOUBLE_EQ(single->ScaleX(1).RangeHigh(), 5);
}
