#include "core/lab/rateschart.h"
#include "tools/analysispicture.h"

#include "core/chart/chart.h"
#include "core/i18n/dictionary.h"
#include "tools/simcli.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>

namespace {

const QColor DarkRed(221, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Green(0, 128, 0);
const QColor White(255, 255, 255);

lab::CurvePoint MakePoint(double ebn0, std::uint64_t errors, std::uint64_t bits, lab::Theory theory = {})
{
    lab::CurvePoint p;
    p.EbN0Db = ebn0;
    p.Count = {bits, errors};
    p.Ci95 = lab::Wilson95(errors, bits);
    p.Theory = theory;
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

QImage Render(const lab::RatesChart& chart)
{
    const Size size = chart.GetSize();
    QImage image(size.width, size.height, QImage::Format_RGB32);
    QPainter painter(&image);
    analysispicture::PaintWith(size, painter, [&chart](Canvas& canvas) { chart.Paint(canvas); });
    return image;
}

} // namespace

TEST(BerPicture, DrawsRatesOnALogarithmicScaleOverEbN0)
{
    lab::CurveRequest request;
    request.Config.Users = 4;
    request.Config.Spread = 16;
    request.Bits = 10000;
    std::vector<lab::CurvePoint> points;
    for (double db : {0.0, 2.0, 4.0, 6.0})
        points.push_back(MakePoint(db, std::uint64_t(10000 * lab::ExactBer(4, 16, db)), 10000, lab::TheoryFor(request.Config, db)));
    Dictionary translator;
    const lab::RatesChart rates({{request, points, {}, {}}}, lab::Varying::None, translator, {785, 345});
    const Chart* chart = &rates.GetChart();

    const QImage image = Render(rates);
    ASSERT_EQ(image.size(), QSize(785, 345));
    for (const lab::CurvePoint& p : points) {
        const QPoint at = Pixel(*chart, *p.EbN0Db, double(p.Count.Errors) / p.Count.Bits);
        EXPECT_GE(CountNear(image, at, 4, DarkRed), 12) << "the marker at " << *p.EbN0Db << " dB";
    }
    // The exact curve, with the approximation dashed over it, passes between the markers.
    for (double db : {1.0, 3.0}) {
        const QPoint at = Pixel(*chart, db, lab::ExactBer(4, 16, db));
        EXPECT_GE(CountNear(image, at, 2, Blue) + CountNear(image, at, 2, Green), 3) << db;
    }
    // Far from the curves, the grid and the legend the plot stays white.
    EXPECT_EQ(CountNear(image, Pixel(*chart, 5.5, 0.4), 6, White), 13 * 13);
}

TEST(BerPicture, AZeroCountShowsItsBoundDownToTheBottom)
{
    lab::CurveRequest request;
    request.Config.Codes = lab::CodeFamily::Walsh;
    request.Config.PowerDb = {0, 20};
    request.Bits = 100000;
    const std::vector<lab::CurvePoint> points = {MakePoint(4, 1250, 100000), MakePoint(10, 0, 100000)};
    Dictionary translator;
    const lab::RatesChart rates({{request, points, {}, {}}}, lab::Varying::None, translator);
    const Chart* chart = &rates.GetChart();
    const QImage image = Render(rates);
    // No marker for a rate of 0, but the bar from its upper bound down to the scale's bottom.
    const double upper = points[1].Ci95.High;
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
    EXPECT_EQ(image.size(), QSize(1200, 800)) << "big enough for a slide";
    r = RunSimCli({"dscdma-sim", "--ber", "--ebn0", "0:4:2", "--bits", "2000", "--png", "-", "--size", "640x480"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    ASSERT_TRUE(image.loadFromData(r.out, "PNG"));
    EXPECT_EQ(image.size(), QSize(640, 480));
    r = RunSimCli({"dscdma-sim", "--ber", "--svg", "-", "--bits", "2000"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "dscdma-sim: --ber draws its rates over Eb/N0: give --ebn0 with --png or --svg\n");
    EXPECT_TRUE(r.out.isEmpty());
}
