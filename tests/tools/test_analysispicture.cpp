#include "core/sim/analysischarts.h"
#include "tools/analysispicture.h"

#include "core/chart/chart.h"
#include "core/i18n/dictionary.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const QColor Blue(0, 0, 255);
const QColor Gray(128, 128, 128);
const QColor DarkRed(221, 0, 0);
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QColor LightBlue(221, 221, 255);
const QColor LightYellow(249, 235, 193);

// Control pixel of a world point of one layer, from the chart's published margins and ranges.
QPoint Pixel(const Chart& chart, int layer, double x, double y)
{
    const ScaleProps* sx = &chart.ScaleX(layer);
    const ScaleProps* sy = &chart.ScaleY(layer);
    const int pw = chart.Width() - chart.MarginLeft() - chart.MarginRight();
    const int ph = chart.Height() - chart.MarginTop() - chart.MarginBottom();
    return {int(chart.MarginLeft() + (x - sx->RangeLow()) / (sx->RangeHigh() - sx->RangeLow()) * pw + 0.5),
            int(chart.MarginTop() + (sy->RangeHigh() - y) / (sy->RangeHigh() - sy->RangeLow()) * ph + 0.5)};
}

int CountNear(const QImage& image, QPoint at, int radius, const QColor& color)
{
    int n = 0;
    for (int y = at.y() - radius; y <= at.y() + radius; ++y)
        for (int x = at.x() - radius; x <= at.x() + radius; ++x)
            n += image.valid(x, y) && image.pixelColor(x, y) == color ? 1 : 0;
    return n;
}

struct Drawn
{
    std::unique_ptr<Chart> chart;
    QImage image;
};

Drawn Margins(const SimInput& in)
{
    Dictionary translator;
    Drawn d{analysis::MarginsChart(ComputeSignals(in), translator, analysispicture::ScreenTextMetrics()), {}};
    d.image = analysispicture::Render(*d.chart);
    return d;
}

Drawn Sweep(const SimInput& in)
{
    Dictionary translator;
    const char channel = ComputeSignals(in).SelectedChannel;
    Drawn d{analysis::SweepChart(SweepSpreadFactors(in), channel, translator), {}};
    d.image = analysispicture::Render(*d.chart);
    return d;
}

// A bar of the given part: its colour halfway, none 3 pixels past its end (or on either side
// of the threshold when the part is 0).
void ExpectBar(const Drawn& d, double x, int part, const QColor& color)
{
    const QPoint end = Pixel(*d.chart, 1, x, part);
    if (part == 0) {
        EXPECT_NE(d.image.pixelColor(end + QPoint(0, -4)), color) << "x " << x;
        EXPECT_NE(d.image.pixelColor(end + QPoint(0, 4)), color) << "x " << x;
        return;
    }
    EXPECT_EQ(d.image.pixelColor(Pixel(*d.chart, 1, x, part / 2.0)), color) << "x " << x;
    EXPECT_NE(d.image.pixelColor(end + QPoint(0, part > 0 ? -3 : 3)), color) << "x " << x;
}

} // namespace

TEST(MarginsPicture, DrawsEachBitsPartsAsBarsAndItsEndValue)
{
    const SimInput in;
    const SimResult r = ComputeSignals(in);
    const BitMargins m = ComputeMargins(r);
    const Drawn d = Margins(in);
    ASSERT_EQ(d.image.size(), QSize(analysis::Width, analysis::Height));
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        SCOPED_TRACE("bit " + std::to_string(bit + 1));
        // Each bar in its colour, from the threshold to its part and no further: wanted left in
        // blue, interference right in grey.
        ExpectBar(d, bit + 0.32, m.Wanted[bit], Blue);
        ExpectBar(d, bit + 0.68, m.Interference[bit], Gray);
        // The end value across both bars, between them.
        EXPECT_GE(CountNear(d.image, Pixel(*d.chart, 1, bit + 0.5, m.EndValue[bit]), 1, DarkRed), 3);
        // The decided bit under it, right in green.
        EXPECT_GT(CountNear(d.image, Pixel(*d.chart, 1, bit + 0.5, -1.08 * 16) + QPoint(0, 7), 7, Green), 5);
    }
    // The plot takes the colour of the selected channel, as the receiver chart does.
    EXPECT_EQ(d.image.pixelColor(Pixel(*d.chart, 1, 0.05, 4)), LightBlue);
}

TEST(MarginsPicture, MarksAWronglyDecidedBitInRed)
{
    SimInput in;
    in.KeyB = 0;
    in.SpreadFactor = 3; // bit 6 ends at 0 and is decided 1, but 'Z' sends 0
    const BitMargins m = ComputeMargins(ComputeSignals(in));
    ASSERT_FALSE(m.BitOk[5]);
    const Drawn d = Margins(in);
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        const QPoint under = Pixel(*d.chart, 1, bit + 0.5, -1.08 * 6) + QPoint(0, 7);
        EXPECT_GT(CountNear(d.image, under, 7, bit == 5 ? Red : Green), 5) << "bit " << bit + 1;
        EXPECT_EQ(CountNear(d.image, under, 7, bit == 5 ? Green : Red), 0) << "bit " << bit + 1;
    }
}

TEST(MarginsPicture, TakesTheReceiversColour)
{
    SimInput onB;
    onB.KeyRx = 44;
    const Drawn b = Margins(onB);
    EXPECT_EQ(b.image.pixelColor(Pixel(*b.chart, 1, 0.05, 4)), LightYellow);
    SimInput none;
    none.KeyRx = 7;
    const Drawn n = Margins(none);
    EXPECT_EQ(n.image.pixelColor(Pixel(*n.chart, 1, 0.05, 4)), QColor(Qt::white));
    // Without a selected channel the bars are channel 1's and 2's parts.
    const BitMargins m = ComputeMargins(ComputeSignals(none));
    EXPECT_EQ(n.image.pixelColor(Pixel(*n.chart, 1, 0.32, m.PartA[0] / 2.0)), Blue);
}

TEST(SweepPicture, DrawsBitErrorsAndTheSmallestMarginPerFactor)
{
    SimInput in;
    in.KeyB = 0;
    const std::vector<SweepPoint> sweep = SweepSpreadFactors(in);
    const Drawn d = Sweep(in);
    ASSERT_EQ(d.image.size(), QSize(analysis::Width, analysis::Height));
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        SCOPED_TRACE("factor " + std::to_string(sweep[i].SpreadFactor));
        // Error bars on layer 1 rise from 0; factors without errors show the plot there.
        const QPoint bar = Pixel(*d.chart, 1, i + 0.5, 0.5);
        EXPECT_EQ(d.image.pixelColor(bar), *sweep[i].BitErrors > 0 ? Red : LightBlue);
        // The margin trace on layer 2, over the middle of the factor.
        EXPECT_GE(CountNear(d.image, Pixel(*d.chart, 2, i + 0.5, sweep[i].MinMargin), 1, Blue), 3);
    }
}

TEST(SweepPicture, SaysBitErrorsAreUnknownWithoutASelectedChannel)
{
    SimInput in;
    in.KeyRx = 7;
    const Drawn d = Sweep(in);
    int yellow = 0;
    for (int y = d.chart->MarginTop(); y < d.image.height() - d.chart->MarginBottom(); ++y)
        for (int x = d.chart->MarginLeft(); x < d.image.width() - d.chart->MarginRight(); ++x)
            yellow += d.image.pixelColor(x, y) == QColor(255, 255, 0) ? 1 : 0;
    EXPECT_GT(yellow, 1000) << "the note's box";
    for (int i = 0; i <= MaxSpreadFactor - MinSpreadFactor; ++i)
        EXPECT_EQ(CountNear(d.image, Pixel(*d.chart, 1, i + 0.5, 0.5), 3, Red), 0) << "no error bar, factor " << i + 2;
    EXPECT_EQ(d.image.pixelColor(Pixel(*d.chart, 1, 0.05, 4)), QColor(Qt::white));
}

namespace {

// Text is smoothed: its ink is near its colour rather than equal to it.
bool Near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 120;
}

} // namespace

TEST(AnalysisPictures, LegendsAndScaleTitlesAreLegible)
{
    SimInput none;
    none.KeyRx = 7;
    for (const SimInput& in : {SimInput{}, none}) {
        const Drawn margins = Margins(in);
        EXPECT_FALSE(margins.chart->ScaleY(1).Caption().empty()) << "the y axis has a title";
        // The title is drawn above the axis, at the top-left, in black.
        int ink = 0;
        for (int y = 0; y < margins.chart->MarginTop(); ++y)
            for (int x = 0; x < 200; ++x)
                ink += Near(margins.image.pixelColor(x, y), QColor(0, 0, 0)) ? 1 : 0;
        EXPECT_GT(ink, 50);
    }
    // The sweep's legend is its scales' titles, each in its scale's colour, beside the x axis
    // caption and clear of the plot.
    const Drawn sweep = Sweep(SimInput{});
    for (int layer : {1, 2}) {
        const ScaleProps* y = &sweep.chart->ScaleY(layer);
        EXPECT_FALSE(y->Caption().empty());
        const QColor color = layer == 1 ? Red : Blue;
        int ink = 0;
        const int left = layer == 1 ? 0 : analysis::Width - 250;
        for (int py = analysis::Height - sweep.chart->MarginBottom() + 20; py < analysis::Height; ++py)
            for (int px = left; px < left + 250; ++px)
                ink += Near(sweep.image.pixelColor(px, py), color) ? 1 : 0;
        EXPECT_GT(ink, 50) << "layer " << layer;
    }
}
