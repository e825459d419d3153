// The lab's view charts as the core builds them: what each shows, where, and in which words,
// without a surface; the codes' table as a recording canvas receives it.
#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/chart/recordingcanvas.h"
#include "core/i18n/dictionary.h"
#include "core/lab/codeschart.h"
#include "core/lab/codetable.h"
#include "core/lab/decisionchart.h"
#include "core/lab/densitychart.h"
#include "core/lab/traceschart.h"

#include "tests/core/lab/labconfig_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using namespace lab;

namespace {


struct Shown
{
    std::string text;
    TColor color;
};

std::vector<Shown> Labels(const Chart& chart)
{
    std::vector<Shown> out;
    for (int i = 1; i <= Chart::LabelCount; ++i)
        if (chart.TextLabel(i)->Visible() && chart.TextLabel(i)->Mode() != tlOff)
            out.push_back({chart.TextLabel(i)->Caption(), chart.TextLabel(i)->FontColor()});
    return out;
}

std::vector<std::string> Texts(const Chart& chart)
{
    std::vector<std::string> out;
    for (const Shown& s : Labels(chart))
        out.push_back(s.text);
    return out;
}

bool Has(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

// Five bands named from the top, then a digit per bit: green where the decision is what was
// sent, red where it is not, exactly as the traces say.
TEST(TracesChart, NamesItsBandsAndColoursEachDecisionByWhetherItIsRight)
{
    const LabTraces t = TracesOf(Lab(4, CodeFamily::Random, 8).Decoding(3).Seeded(9), -3.0, 8);
    Dictionary translator;
    const std::unique_ptr<Chart> chart = TracesChart(t, 3, translator, {785, 360});
    const std::vector<Shown> labels = Labels(*chart);
    ASSERT_EQ(labels.size(), std::size_t(TracesBands + 8));
    EXPECT_EQ(labels[0].text, "Data of user 3");
    EXPECT_EQ(labels[1].text, "Chips of user 3");
    EXPECT_EQ(labels[4].text, "Decision at the end of each bit");
    int red = 0;
    for (int b = 0; b < 8; ++b) {
        const Shown& digit = labels[std::size_t(TracesBands + b)];
        EXPECT_EQ(digit.text, t.Decided[b] > 0 ? "1" : "0");
        EXPECT_EQ(digit.color, t.Decided[b] == t.Sent[b] ? palette::Green : palette::Red) << b;
        red += digit.color == palette::Red;
    }
    EXPECT_GT(red, 0) << "at -3 dB with four users of 8 chips some bits go wrong";
    EXPECT_EQ(chart->Caption(), "Signals of the first 8 bits");
    EXPECT_DOUBLE_EQ(chart->ScaleX(1).RangeHigh(), 64);
    EXPECT_EQ(chart->GetSize(), (Size{785, 360}));
    EXPECT_GT(chart->Count(), 4 * 2 * 64 + 64) << "a step per chip in four bands, a point per chip in the sum";

    LabTraces none = t;
    none.Bits = 0;
    EXPECT_THROW(TracesChart(none, 3, translator, {785, 360}), std::invalid_argument);
}

TEST(DecisionChart, ShowsTheCountsTheGaussianAndTheErrorsInItsLegend)
{
    DecisionHistogram h(Lab(3, CodeFamily::Random, 16).Seeded(9), 0.0);
    h.Run(3000);
    Dictionary translator;
    translator.Load("[Bits per bin]=Bits je Klasse|$$");
    const std::unique_ptr<Chart> chart = DecisionChart(h, translator, {785, 360});
    const std::vector<std::string> texts = Texts(*chart);
    EXPECT_TRUE(Has(texts, "Sent as 1: " + std::to_string(h.Sent(true)) + " bits"));
    EXPECT_TRUE(Has(texts, "Sent as 0: " + std::to_string(h.Sent(false)) + " bits"));
    EXPECT_TRUE(Has(texts, "Threshold 0: " + std::to_string(h.Errors()) + " errors"));
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](const std::string& s) { return s.starts_with("Gaussian"); }), 1);
    EXPECT_EQ(chart->ScaleY(1).Caption(), "Bits je Klasse");
    EXPECT_DOUBLE_EQ(chart->ScaleX(1).RangeLow(), h.Low());
    EXPECT_DOUBLE_EQ(chart->ScaleX(1).RangeHigh(), h.High());
    std::uint64_t tallest = 0;
    for (int i = 0; i < h.Bins(); ++i)
        tallest = std::max({tallest, h.Count(true, i), h.Count(false, i)});
    // A band of 84 pixels above the bars for the legend, of the plot's 290.
    EXPECT_NEAR(chart->ScaleY(1).RangeHigh(), double(tallest) * 290 / (290 - 84), 1e-9) << "room above the bars for the legend";

    // A lone user without noise: one value, no Gaussian to draw or name.
    DecisionHistogram alone(Lab(1, CodeFamily::Walsh, 8).Seeded(9), std::nullopt);
    alone.Run(100);
    const std::vector<std::string> lone = Texts(*DecisionChart(alone, translator, {785, 360}));
    EXPECT_EQ(std::count_if(lone.begin(), lone.end(), [](const std::string& s) { return s.starts_with("Gaussian"); }), 0);
}

TEST(DensityChart, SpansTwiceTheChipRateAndSeventyDecibelsBelowItsLegend)
{
    LabDensities s(Lab(2, CodeFamily::Random, 8).Seeded(9), 6.0);
    Dictionary translator;
    EXPECT_THROW(DensityChart(s, translator, {785, 360}), std::invalid_argument) << "nothing measured yet";
    s.Run(1000);
    const std::unique_ptr<Chart> chart = DensityChart(s, translator, {785, 360});
    EXPECT_DOUBLE_EQ(chart->ScaleX(1).RangeLow(), 0);
    EXPECT_DOUBLE_EQ(chart->ScaleX(1).RangeHigh(), 16);
    const DbRange range = DensityRange(s);
    const double high = range.High;
    EXPECT_DOUBLE_EQ(high - range.Low, 70);
    EXPECT_DOUBLE_EQ(chart->ScaleY(1).RangeLow(), range.Low);
    // The legend's band of 84 pixels above the densities' 206.
    EXPECT_NEAR(chart->ScaleY(1).RangeHigh(), high + 70.0 * 84 / 206, 1e-9);
    // The data of a user at 0 dB peaks at 0 dB, the highest of the four here.
    EXPECT_GE(high, s.DensityDb(SpectrumSignal::Data, 0) + 1);
    EXPECT_LT(high - 10, s.DensityDb(SpectrumSignal::Data, 0) + 1) << "the top decade holds the highest density";
    EXPECT_EQ(Texts(*chart), (std::vector<std::string>{"Data of the decoded user", "Its spread signal", "What arrives",
                                                      "What arrives, despread", "Chip rate"}));
}

TEST(CodesChart, AlignedCodesCorrelateAsTheirFamiliesPromise)
{
    struct Row { LabConfig config; int offDiagonal; };
    const Row rows[] = {
        {Lab(4, CodeFamily::Walsh, 8).Seeded(9), 0},      // orthogonal rows
        {Lab(5, CodeFamily::MSequence, 7).Seeded(9), -1}, // shifts of one m-sequence
    };
    for (const Row& row : rows) {
        const CodeView v = CodeViewOf(row.config);
        ASSERT_EQ(v.Codes.size(), std::size_t(row.config.Users));
        for (int j = 0; j < row.config.Users; ++j)
            for (int k = 0; k < row.config.Users; ++k)
                EXPECT_EQ(v.Matrix[j][k], j == k ? row.config.Spread : row.offDiagonal) << j << " " << k;
    }
    // Random codes: those the first bit sends, each user's own.
    const CodeView random = CodeViewOf(Lab(3, CodeFamily::Random, 16).Seeded(9));
    EXPECT_NE(random.Codes[0], random.Codes[1]);
    EXPECT_EQ(random.Matrix[1][2], random.Matrix[2][1]);
}

TEST(CodesChart, ColoursGoFromWhiteAtZeroToRedAndBlueAtTheExtremes)
{
    EXPECT_EQ(CorrelationColor(0, 8), palette::White);
    const TColor red = CorrelationColor(8, 8), blue = CorrelationColor(-8, 8);
    EXPECT_GT(RedOf(red), 150);
    EXPECT_LT(BlueOf(red), 60);
    EXPECT_GT(BlueOf(blue), 150);
    EXPECT_LT(RedOf(blue), 60);
    // Paler towards 0, and beyond the ends no further.
    EXPECT_GT(GreenOf(CorrelationColor(2, 8)), GreenOf(CorrelationColor(6, 8)));
    EXPECT_EQ(CorrelationColor(20, 8), red);
}

// The table holds a cell per pair and a header per user, beside the chips where there is room
// and below them where there is not, inside the chart either way.
TEST(CodesChart, DrawsEveryCorrelationInItsTableBesideOrBelowTheChips)
{
    const CodeView six = CodeViewOf(Lab(6, CodeFamily::Gold, 7).Decoding(2).Seeded(9));
    const CodeView eight = CodeViewOf(Lab(8, CodeFamily::Gold, 31).Decoding(2).Seeded(9));
    Dictionary translator;
    // Beside, below, and below in cells narrower than their most so that eight users fit.
    for (const auto& [v, size] : {std::pair{six, Size{785, 300}}, std::pair{six, Size{360, 300}}, std::pair{eight, Size{280, 300}}}) {
        SCOPED_TRACE(size.width);
        const int users = int(v.Codes.size());
        const CodesChart chart(v, translator, size);
        const Rect table = chart.TableRect();
        const Size drawn = chart.GetSize();
        EXPECT_LE(table.right(), drawn.width);
        EXPECT_LE(table.bottom(), drawn.height);
        const Chart& c = chart.GetChart();
        if (size.width > 700) {
            EXPECT_GT(table.left(), c.Width() - c.MarginRight());
        } else {
            EXPECT_GT(table.top(), c.Height() - c.MarginBottom());
        }
        RecordingCanvas canvas(drawn.width, drawn.height);
        chart.Paint(canvas);
        int cells = 0;
        for (const auto& op : canvas.ops(RecordingCanvas::OpKind::Rectangle))
            cells += table.contains({op.rect.x, op.rect.y});
        EXPECT_EQ(cells, (users + 1) * (users + 1));
        std::vector<std::string> texts;
        std::string title; // the lines above the cells, broken to the table's width
        for (const auto& op : canvas.ops(RecordingCanvas::OpKind::Text)) {
            texts.push_back(op.text);
            if (table.contains(op.points[0]) && op.points[0].y < table.top() + 30) {
                EXPECT_LE(int(op.text.size()) * 7, table.width) << op.text;
                title += (title.empty() ? "" : " ") + op.text;
            }
        }
        EXPECT_EQ(title, "Correlation over a bit, user against user");
        for (const auto& row : v.Matrix)
            for (const int value : row)
                EXPECT_TRUE(Has(texts, std::to_string(value))) << value;
        EXPECT_EQ(Texts(c)[1], "User 2");
        EXPECT_EQ(c.TextLabel(2)->FontColor(), palette::Blue) << "the decoded user stands out";
    }
    const CodeView& v = six;
    CodeView broken = v;
    broken.Matrix.pop_back();
    EXPECT_THROW(CodesChart(broken, translator, {785, 300}), std::invalid_argument);
    broken = v;
    broken.Codes[3].pop_back();
    EXPECT_THROW(CodesChart(broken, translator, {785, 300}), std::invalid_argument);
}

// Users not aligned: the first table at their delays, a second with the worst over every delay,
// both from the core's table of codes, each with its cells and title; the delays named by user.
TEST(CodesChart, UnalignedUsersGetATableAtTheirDelaysAndOneOfTheWorst)
{
    const LabConfig config = Lab(3, CodeFamily::MSequence, 7).Delays({0, 2, 5}).Seeded(9);
    const CodeView v = CodeViewOf(config);
    const CodeTable t = CodesOf(config);
    EXPECT_EQ(v.Matrix, t.AtDelays);
    EXPECT_EQ(v.Worst, t.Worst);
    EXPECT_EQ(v.Delays, (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(v.Worst[0][1], 7) << "two shifts of one m-sequence meet at some delay";
    EXPECT_TRUE(CodeViewOf(Lab(3, CodeFamily::MSequence, 7)).Worst.empty());

    Dictionary translator;
    for (const Size size : {Size{785, 300}, Size{360, 300}}) {
        SCOPED_TRACE(size.width);
        const CodesChart chart(v, translator, size);
        ASSERT_EQ(chart.Tables(), 2);
        const Rect first = chart.TableRect(0), second = chart.TableRect(1);
        EXPECT_GT(second.top(), first.bottom());
        EXPECT_LE(second.bottom(), chart.GetSize().height);
        RecordingCanvas canvas(chart.GetSize().width, chart.GetSize().height);
        chart.Paint(canvas);
        int cells[2] = {0, 0};
        for (const auto& op : canvas.ops(RecordingCanvas::OpKind::Rectangle)) {
            cells[0] += first.contains({op.rect.x, op.rect.y});
            cells[1] += second.contains({op.rect.x, op.rect.y});
        }
        EXPECT_EQ(cells[0], 16);
        EXPECT_EQ(cells[1], 16);
        std::string titles;
        for (const auto& op : canvas.ops(RecordingCanvas::OpKind::Text))
            titles += op.text + " ";
        EXPECT_NE(titles.find("at these delays"), std::string::npos);
        EXPECT_NE(titles.find("over every delay"), std::string::npos);
        EXPECT_EQ(Texts(chart.GetChart())[2], "User 3, 5 chips later");
    }
    // The chips begin right of the longest name, which a delay lengthens.
    const CodesChart aligned(CodeViewOf(Lab(3, CodeFamily::MSequence, 7).Seeded(9)), translator, {360, 300});
    const CodesChart delayed(v, translator, {360, 300});
    EXPECT_LT(delayed.GetChart().ScaleX(1).RangeLow(), 1.5 * aligned.GetChart().ScaleX(1).RangeLow());
    CodeView broken = v;
    broken.Worst.pop_back();
    EXPECT_THROW(CodesChart(broken, translator, {785, 300}), std::invalid_argument);
}
