// The margins and sweep charts as the core builds them, without a surface: their scales,
// captions and legend, which every shell draws alike.
#include "core/sim/analysischarts.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// The pixel row of a value of a layer's y scale, from the chart's published margins and range.
int Row(const Chart& chart, int layer, double y)
{
    const ScaleProps* sy = &chart.ScaleY(layer);
    const int ph = chart.Height() - chart.MarginTop() - chart.MarginBottom();
    return int(chart.MarginTop() + (sy->RangeHigh() - y) / (sy->RangeHigh() - sy->RangeLow()) * ph + 0.5);
}

// The contrast ratio of two colours by their relative luminance, as accessibility guides
// measure the legibility of text.
double Contrast(TColor a, TColor b)
{
    auto luminance = [](TColor c) {
        auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(RedOf(c)) + 0.7152 * channel(GreenOf(c)) + 0.0722 * channel(BlueOf(c));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

int MaxMargin(const SimInput& in)
{
    int largest = 0;
    for (const SweepPoint& p : SweepSpreadFactors(in))
        largest = std::max(largest, p.MinMargin);
    return largest;
}

} // namespace

TEST(AnalysisCharts, CaptionsGoThroughTheTranslator)
{
    Dictionary translator;
    translator.Load("[Decision Margins: the Parts of Trace J at the End of Each Bit]=Entscheidungsabstand|$$"
                    "[Wanted signal: what channel <%1%> adds]=Gewollt: Kanal <%1%>|$$"
                    "[Contribution to trace J over the bit (chips)]=Beitrag|$$"
                    "[Spreading factor (chips per bit)]=Spreizfaktor|$$"
                    "[Bit errors (left scale)]=Bitfehler|$$");
    const SimInput in;
    const std::unique_ptr<Chart> margins = analysis::MarginsChart(ComputeSignals(in), translator, FixedTextMetrics());
    EXPECT_EQ(margins->Caption(), "Entscheidungsabstand");
    EXPECT_EQ(margins->TextLabel(1)->Caption(), "Gewollt: Kanal 1");
    EXPECT_EQ(margins->ScaleY(1).Caption(), "Beitrag");
    // Without an entry a key stands for itself, without its prefix.
    EXPECT_EQ(margins->ScaleX(3).Caption(), "Bit (under each bit the decided value: green when right, red when wrong)");

    const std::unique_ptr<Chart> sweep = analysis::SweepChart(SweepSpreadFactors(in), '1', translator);
    EXPECT_EQ(sweep->ScaleX(3).Caption(), "Spreizfaktor");
    EXPECT_EQ(sweep->ScaleY(1).Caption(), "Bitfehler");
    EXPECT_EQ(sweep->ScaleY(2).Caption(), "Smallest margin, |trace J| at a bit's end (right scale)");
}

// Each box of the legend starts 20 pixels after the text before it, as wide as the surface
// measures that text; legible against its background.
TEST(AnalysisCharts, MarginsLegendFollowsTheMeasuredTexts)
{
    SimInput none;
    none.KeyRx = 7;
    for (const SimInput& in : {SimInput{}, none}) {
        for (int charWidth : {5, 9}) {
            Dictionary translator;
            const FixedTextMetrics metrics(charWidth);
            const std::unique_ptr<Chart> c = analysis::MarginsChart(ComputeSignals(in), translator, metrics);
            for (int first : {1, 3}) {
                const TTextLabel* left = c->TextLabel(first);
                const TTextLabel* right = c->TextLabel(first + 1);
                ASSERT_TRUE(left->Visible() && right->Visible());
                EXPECT_EQ(left->PosX(), 54);
                EXPECT_EQ(right->PosX(), 54 + charWidth * int(left->Caption().size()) + 20) << right->Caption();
                EXPECT_EQ(right->PosY(), left->PosY());
            }
            EXPECT_EQ(c->TextLabel(3)->PosY(), c->TextLabel(1)->PosY() + 22) << "the second row";
            for (int i = 1; i <= Chart::LabelCount; ++i) {
                const TTextLabel* label = c->TextLabel(i);
                if (label->Visible() && label->Mode() == tlBox) {
                    EXPECT_GE(Contrast(label->ColorBkg(), label->FontColor()), 4.5) << label->Caption();
                }
            }
        }
    }
}

// Bit errors run 0..8, as a character has 8 bits; the margin scale ends at the largest margin
// rounded up to a nice step, so that neither curve is squeezed into the bottom of the plot.
TEST(AnalysisCharts, SweepScalesFitTheData)
{
    struct Case { SimInput in; double marginsTop; };
    SimInput zero;
    zero.KeyB = 0;   // margins up to 12
    SimInput none;
    none.KeyRx = 7;  // margins up to 2
    const Case rows[] = {{SimInput{}, 14}, {zero, 12}, {none, 2}};
    for (const Case& row : rows) {
        Dictionary translator;
        const std::unique_ptr<Chart> c =
            analysis::SweepChart(SweepSpreadFactors(row.in), ComputeSignals(row.in).SelectedChannel, translator);
        const ScaleProps* errors = &c->ScaleY(1);
        const ScaleProps* margins = &c->ScaleY(2);
        EXPECT_DOUBLE_EQ(errors->RangeLow(), -0.4);
        EXPECT_DOUBLE_EQ(errors->RangeHigh(), 8.4);
        // The same small room beyond 0 and the top as the errors, so that the two share rows.
        EXPECT_DOUBLE_EQ(margins->RangeHigh(), row.marginsTop * 8.4 / 8) << row.marginsTop;
        EXPECT_DOUBLE_EQ(margins->RangeLow(), -row.marginsTop * 0.4 / 8) << row.marginsTop;
        EXPECT_EQ(Row(*c, 1, 8), Row(*c, 2, row.marginsTop));
        // The largest margin sits in the top tenth of the plot.
        const int plotHeight = c->Height() - c->MarginTop() - c->MarginBottom();
        EXPECT_LT(Row(*c, 2, MaxMargin(row.in)) - c->MarginTop(), plotHeight / 10) << row.marginsTop;
        // The note on unknown errors only where no channel is selected.
        EXPECT_EQ(c->TextLabel(3)->Visible(), &row == &rows[2]);
    }
}
