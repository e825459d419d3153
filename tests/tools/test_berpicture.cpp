#include "analysispicture.h"
#include "berpicture.h"

#include "chart.h"
#include "dictionary.h"
#include "simcli.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

namespace {

const QColor DarkRed(221, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Green(0, 128, 0);
const QColor White(255, 255, 255);

BerCli::Point MakePoint(double ebn0, std::uint64_t errors, std::uint64_t bits, std::optional<lab::Theory> theory = {})
{
    BerCli::Point p;
    p.ebn0Db = ebn0;
    p.count = {bits, errors};
    p.ci95 = lab::Wilson95(errors, bits);
    p.theory = theory;
    return p;
}

// Control pixel of a point of layer 1: x linear, y logarithmic, from the chart's margins and
// ranges.
QPoint Pixel(const Chart& chart, double x, double y)
{
    const ScaleProps* sx = &chart.ScaleX(1);
    const ScaleProps* sy = &chart.ScaleY(1);
    const int pw = chart.Width() - chart.MarginLeft() - chart.MarginRight();
    const int ph = chart.Height() - chart.MarginTop() - chart.MarginBottom();
    const double fy = std::log(sy->RangeHigh() / y) / std::log(sy->RangeHigh() / sy->RangeLow());
    return {int(std::lround(chart.MarginLeft() + (x - sx->RangeLow()) / (sx->RangeHigh() - sx->RangeLow()) * pw)),
            int(std::lround(chart.MarginTop() + fy * ph))};
}

int CountNear(const QImage& image, QPoint at, int radius, const QColor& color)
{
    int n = 0;
    for (int y = at.y() - radius; y <= at.y() + radius; ++y)
        for (int x = at.x() - radius; x <= at.x() + radius; ++x)
            n += image.valid(x, y) && image.pixelColor(x, y) == color ? 1 : 0;
    return n;
}

} // namespace

// Whole decades around every bound and theory value, within 1e-9 .. 1 and at least one decade.
TEST(BerPicture, RateScaleSpansTheDecadesOfTheData)
{
    struct Row { std::vector<BerCli::Point> points; double low, high; };
    const Row rows[] = {
        {{MakePoint(0, 1000, 10000), MakePoint(4, 10, 10000)}, 1e-4, 1},
        {{MakePoint(0, 0, 100000)}, 1e-5, 1e-4},                       // only an upper bound
        {{MakePoint(0, 5000, 10000)}, 0.1, 1},                         // at most 1
        {{MakePoint(9, 1, 1000000000)}, 1e-9, 1e-8},                   // at least 1e-9
        {{MakePoint(2, 200, 1000, lab::Theory{1e-12, 2e-12})}, 1e-9, 1}, // a theory far below
        {{}, 1e-3, 1},                                             // nothing to show: the default
    };
    for (const Row& row : rows) {
        const BerPicture::Decades d = BerPicture::RateRange(row.points);
        EXPECT_DOUBLE_EQ(d.Low, row.low);
        EXPECT_DOUBLE_EQ(d.High, row.high);
    }
}

TEST(BerPicture, DrawsRatesOnALogarithmicScaleOverEbN0)
{
    BerCli::Request request;
    request.config.Users = 4;
    request.config.Spread = 16;
    request.bits = 10000;
    std::vector<BerCli::Point> points;
    for (double db : {0.0, 2.0, 4.0, 6.0})
        points.push_back(MakePoint(db, std::uint64_t(10000 * lab::ExactBer(4, 16, db)), 10000, lab::TheoryFor(request.config, db)));
    Dictionary translator;
    const std::unique_ptr<Chart> chart = BerPicture::RatesChart(request, points, translator);

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
    std::vector<std::string> legend;
    for (int i = 1; i <= Chart::LabelCount; ++i)
        if (chart->TextLabel(i)->Visible())
            legend.push_back(chart->TextLabel(i)->Caption());
    EXPECT_EQ(legend, (std::vector<std::string>{"Measured, 10000 bits per point, with its 95 % interval",
                                                "Exact rate of this model", "Gaussian approximation"}));

    const QImage image = AnalysisPicture::Render(*chart);
    ASSERT_EQ(image.size(), QSize(785, 345));
    for (const BerCli::Point& p : points) {
        const QPoint at = Pixel(*chart, *p.ebn0Db, double(p.count.Errors) / p.count.Bits);
        EXPECT_GE(CountNear(image, at, 4, DarkRed), 12) << "the marker at " << *p.ebn0Db << " dB";
    }
    // The exact curve, with the approximation dashed over it, passes between the markers.
    for (double db : {1.0, 3.0}) {
        const QPoint at = Pixel(*chart, db, lab::ExactBer(4, 16, db));
        EXPECT_GE(CountNear(image, at, 2, Blue) + CountNear(image, at, 2, Green), 3) << db;
    }
    // Far from the curves, the grid and the legend the plot stays white.
    EXPECT_EQ(CountNear(image, Pixel(*chart, 5.5, 0.4), 6, White), 13 * 13);
}

TEST(BerPicture, WithoutATheoryShowsOneUserForComparisonAndBoundsForZeroErrors)
{
    BerCli::Request request;
    request.config.Codes = lab::CodeFamily::Walsh;
    request.config.PowerDb = {0, 20};
    request.bits = 100000;
    const std::vector<BerCli::Point> points = {MakePoint(4, 1250, 100000), MakePoint(10, 0, 100000)};
    Dictionary translator;
    const std::unique_ptr<Chart> chart = BerPicture::RatesChart(request, points, translator);
    EXPECT_EQ(chart->TextLabel(2)->Caption(), "One user alone, for comparison");
    EXPECT_FALSE(chart->TextLabel(3)->Visible());
    const QImage image = AnalysisPicture::Render(*chart);
    // No marker for a rate of 0, but the bar from its upper bound down to the scale's bottom.
    const double upper = points[1].ci95.High;
    EXPECT_EQ(CountNear(image, Pixel(*chart, 10, upper), 3, DarkRed), 0);
    const QPoint top = Pixel(*chart, 10, upper);
    const QPoint bottom = Pixel(*chart, 10, chart->ScaleY(1).RangeLow());
    EXPECT_EQ(image.pixelColor(top.x(), (top.y() + bottom.y()) / 2), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(top.x(), bottom.y() - 2), QColor(0, 0, 0));
}

TEST(BerPicture, TheToolWritesItOnlyOverEbN0)
{
    SimCliResult r = RunSimCli({"dscdma-sim", "--ber", "--ebn0", "0:4:2", "--bits", "2000", "--png", "-"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QImage image;
    ASSERT_TRUE(image.loadFromData(r.out, "PNG"));
    EXPECT_EQ(image.size(), QSize(785, 345));
    r = RunSimCli({"dscdma-sim", "--ber", "--svg", "-", "--bits", "2000"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "dscdma-sim: --ber draws its rates over Eb/N0: give --ebn0 with --png or --svg\n");
    EXPECT_TRUE(r.out.isEmpty());
}
