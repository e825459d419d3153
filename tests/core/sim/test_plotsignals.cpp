#include "core/sim/plotsignals.h"

#include "core/chart/chart.h"
#include "core/chart/recordingcanvas.h"
#include "core/i18n/dictionary.h"
#include "core/sim/signalcharts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace palette;

// Four charts as the main window stores them, as far as the plotting reads them.
struct Charts
{
    std::unique_ptr<Chart> rca = std::make_unique<Chart>();
    std::unique_ptr<Chart> rcb = std::make_unique<Chart>();
    std::unique_ptr<Chart> rcc = std::make_unique<Chart>();
    std::unique_ptr<Chart> rcd = std::make_unique<Chart>();
    std::vector<std::string> translated;
    std::vector<std::pair<std::string, bool>> results;
    TSignalView view;

    Charts()
    {
        rca->SetChartColor(ChannelA);
        rcb->SetChartColor(ChannelB);
        rcc->SetDataColor(Navy);
        for (Chart* c : {rca.get(), rcb.get(), rcc.get(), rcd.get()})
            c->SetAutoRedraw(false);
        view.RCA = rca.get();
        view.RCB = rcb.get();
        view.RCC = rcc.get();
        view.RCD = rcd.get();
        view.Translate = [this](const std::string& key) {
            translated.push_back(key);
            return std::string("Spur D: Kanal 2 Daten");
        };
        view.ShowResult = [this](const std::string& text, bool ok) { results.emplace_back(text, ok); };
    }
};

SimResult Simulate(int spread, double keyRx = 23)
{
    SimInput in;
    in.SpreadFactor = spread;
    in.KeyRx = keyRx;
    return ComputeSignals(in);
}

struct ItemCheck
{
    int index;
    std::uint8_t kind;
    double x, y;
    TColor color;
    int width;
    int layer;
};

void ExpectItem(const Chart& chart, const ItemCheck& c)
{
    SCOPED_TRACE(testing::Message() << chart.Name() << " item " << c.index);
    ASSERT_LT(c.index, chart.Count());
    const TChartItem& item = chart.Items()[c.index];
    EXPECT_EQ(item.Kind, c.kind);
    EXPECT_DOUBLE_EQ(item.X, c.x);
    EXPECT_DOUBLE_EQ(item.Y, c.y);
    EXPECT_EQ(item.Color, c.color);
    EXPECT_EQ(item.LineWidth, c.width);
    EXPECT_EQ(item.Layer, c.layer);
}

int VisibleLabels(const Chart& chart)
{
    int visible = 0;
    for (int i = 1; i <= Chart::LabelCount; ++i)
        visible += chart.TextLabel(i)->Visible() ? 1 : 0;
    return visible;
}

} // namespace

TEST(PlotSignals, FillsEveryChartWithStepTracesAtEachSpreadingFactor)
{
    for (int sf : {2, 8, 20}) {
        SCOPED_TRACE(sf);
        Charts charts;
        const SimResult r = Simulate(sf);
        PlotSignals(r, false, charts.view);
        const int n = 8 * sf;
        EXPECT_EQ(charts.rca->Count(), 3 + 6 * n);
        EXPECT_EQ(charts.rcb->Count(), 3 + 6 * n);
        EXPECT_EQ(charts.rcc->Count(), 1 + 2 * n);
        EXPECT_EQ(charts.rcd->Count(), 22 + 6 * n);

        const Chart& a = *charts.rca;
        ExpectItem(a, {0, ikMoveTo, 0, 0, DarkRed, 3, 1});
        ExpectItem(a, {1, ikLineTo, 0, double(r.DataA[0]), DarkRed, 3, 1});
        ExpectItem(a, {2, ikLineTo, r.ChipDuration, double(r.DataA[0]), DarkRed, 3, 1});
        ExpectItem(a, {2 * n, ikLineTo, 1000, double(r.DataA[n - 1]), DarkRed, 3, 1});
        // The move of trace B comes before its colour changes.
        ExpectItem(a, {2 * n + 1, ikMoveTo, 0, 0, DarkRed, 1, 2});
        ExpectItem(a, {2 * n + 2, ikLineTo, 0, double(r.ChipsA[0]), Black, 1, 2});
        ExpectItem(a, {4 * n + 2, ikMoveTo, 0, 0, Black, 3, 3});
        ExpectItem(a, {6 * n + 2, ikLineTo, 1000, double(r.SpreadA[n - 1]), Black, 3, 3});
        EXPECT_EQ(a.LineWidth(), 1);

        const Chart& b = *charts.rcb;
        ExpectItem(b, {2 * n + 1, ikMoveTo, 0, 0, Black, 1, 2});
        ExpectItem(b, {4 * n + 1, ikLineTo, 1000, double(r.ChipsB[n - 1]), Black, 1, 2});
        ExpectItem(b, {6 * n + 2, ikLineTo, 1000, double(r.SpreadB[n - 1]), Black, 3, 3});

        const Chart& c = *charts.rcc;
        ExpectItem(c, {0, ikMoveTo, 0, 0, Navy, 3, 1});
        ExpectItem(c, {2 * n, ikLineTo, 1000, double(r.Composite[n - 1]), Navy, 3, 1});

        const Chart& d = *charts.rcd;
        ExpectItem(d, {0, ikMoveTo, 0, 0, Black, 1, 1});
        ExpectItem(d, {2 * n, ikLineTo, 1000, double(r.RxChips[n - 1]), Black, 1, 1});
        ExpectItem(d, {4 * n + 1, ikLineTo, 1000, double(r.Despread(n)), Navy, 3, 2});
        ExpectItem(d, {4 * n + 2, ikMoveTo, 0, 0, Navy, 1, 3}); // zero line of trace J
        ExpectItem(d, {4 * n + 3, ikLineTo, 1000, 0, Silver, 1, 3});
        ExpectItem(d, {4 * n + 4, ikMoveTo, 0, 0, Blue, 3, 3});
        ExpectItem(d, {6 * n + 4, ikLineTo, 1000, double(r.NegIntegral[n - 1]), Blue, 3, 3});
        ExpectItem(d, {6 * n + 5, ikMoveTo, 0, 0, DarkRed, 3, 4});
        for (int bit = 1; bit <= 8; ++bit) {
            ExpectItem(d, {6 * n + 4 + 2 * bit, ikLineTo, 125.0 * (bit - 1), double(r.BitSigns[bit - 1]), DarkRed, 3, 4});
            ExpectItem(d, {6 * n + 5 + 2 * bit, ikLineTo, 125.0 * bit, double(r.BitSigns[bit - 1]), DarkRed, 3, 4});
        }
        EXPECT_EQ(d.LineWidth(), 1);
    }
}

TEST(PlotSignals, ReceiverChartTakesTheColourOfTheSelectedChannel)
{
    struct Row { double keyRx; TColor colour; bool ok; };
    for (const Row& row : {Row{23, ChannelA, true}, Row{44, ChannelB, true}, Row{7, White, false}}) {
        Charts charts;
        charts.rcd->SetChartColor(0x123456);
        PlotSignals(Simulate(8, row.keyRx), false, charts.view);
        EXPECT_EQ(charts.rcd->ChartColor(), row.colour) << row.keyRx;
        ASSERT_EQ(charts.results.size(), 1u);
        EXPECT_EQ(charts.results[0].second, row.ok);
    }
}

TEST(PlotSignals, ExplanationsShowElevenCaptionsAndGoAwayAgain)
{
    Charts charts;
    const SimResult r = Simulate(8);
    // Twice on: labels 2 to 4 must be free again for the second run's captions.
    for (int run = 0; run < 2; ++run) {
        PlotSignals(r, true, charts.view);
        EXPECT_EQ(VisibleLabels(*charts.rca), 3);
        EXPECT_EQ(VisibleLabels(*charts.rcb), 3);
        EXPECT_EQ(VisibleLabels(*charts.rcc), 1);
        EXPECT_EQ(VisibleLabels(*charts.rcd), 4);
    }
    const std::vector<std::pair<Chart*, std::vector<std::string>>> expected = {
        {charts.rca.get(), {"Trace A: Channel 1 Data", "Trace B: Random Sequence A", "Trace C: A XOR B"}},
        {charts.rcb.get(), {"Spur D: Kanal 2 Daten", "Trace E: Random Sequence B", "Trace F: D XOR E"}},
        {charts.rcc.get(), {"Trace G: Composite Signal C+F"}},
        {charts.rcd.get(), {"Trace H: Random Sequence in Receiver", "Trace I: G * H",
                            "Trace J: -1.0 * Integral of Trace I", "Trace K: Recovered Signal"}},
    };
    for (const auto& [chart, captions] : expected) {
        for (size_t i = 0; i < captions.size(); ++i) {
            const TTextLabel* label = chart->TextLabel(int(i) + 1);
            SCOPED_TRACE(captions[i]);
            EXPECT_EQ(label->Caption(), captions[i]);
            EXPECT_EQ(label->Mode(), tlBox);
            EXPECT_EQ(label->ColorBkg(), Yellow);
            EXPECT_EQ(label->FontColor(), Black);
            EXPECT_EQ(label->Alignment(), taRightJustify);
            EXPECT_EQ(label->AttachToData(), tlamBoth);
            EXPECT_DOUBLE_EQ(label->PosX(), 990);
            EXPECT_EQ(label->Layer(), int(i) + 1);
        }
    }
    // Traces C and F sit on the zero of their layer; the others half a unit above it.
    EXPECT_DOUBLE_EQ(charts.rca->TextLabel(3)->PosY(), 0);
    EXPECT_DOUBLE_EQ(charts.rcb->TextLabel(3)->PosY(), 0);
    EXPECT_DOUBLE_EQ(charts.rcd->TextLabel(3)->PosY(), 0.5);
    // Only trace D's caption goes through the translator.
    EXPECT_EQ(charts.translated, (std::vector<std::string>{"Trace D: Channel 2 Data", "Trace D: Channel 2 Data"}));

    PlotSignals(r, false, charts.view);
    for (Chart* chart : {charts.rca.get(), charts.rcb.get(), charts.rcc.get(), charts.rcd.get()})
        EXPECT_EQ(VisibleLabels(*chart), 0);
}

TEST(PlotSignals, IdentityLookupWhenNoTranslatorIsGiven)
{
    Charts charts;
    charts.view.Translate = nullptr;
    charts.view.ShowResult = nullptr;
    PlotSignals(Simulate(8), true, charts.view);
    EXPECT_EQ(charts.rcb->TextLabel(1)->Caption(), "Trace D: Channel 2 Data");
}

TEST(PlotSignals, ReplacesThePreviousRunInsteadOfAppending)
{
    Charts charts;
    PlotSignals(Simulate(20), false, charts.view);
    PlotSignals(Simulate(2), false, charts.view);
    EXPECT_EQ(charts.rcd->Count(), 22 + 6 * 16);
    // Trace H uses the width the previous run left behind, which is 1.
    EXPECT_EQ(charts.rcd->Items()[0].LineWidth, 1);
}

// The four charts as the main window stores them, translated without a language file and filled
// with one run, drawn onto a recording canvas: what every shell shows.
// Which charts two runs draw differently: each input reaches the charts of its traces, and the
// receiver's chart also shows, by its colour, which channel it follows.
TEST(PlotSignals, SamePlotTellsWhichChartsAnInputReaches)
{
    struct Case
    {
        const char* change;
        void (*apply)(SimInput&);
        std::array<bool, 4> same; // RCA, RCB, RCC, RCD
    };
    const Case cases[] = {
        {"nothing", [](SimInput&) {}, {true, true, true, true}},
        {"the receiver key", [](SimInput& in) { in.KeyRx = 44; }, {true, true, true, false}},
        {"the receiver key, the same once rounded", [](SimInput& in) { in.KeyRx = 23.4; }, {true, true, true, true}},
        {"channel 1's character", [](SimInput& in) { in.SetTextA("q"); }, {false, true, false, false}},
        {"channel 2's character", [](SimInput& in) { in.SetTextB("k"); }, {true, false, false, false}},
        {"channel 2's key", [](SimInput& in) { in.KeyB = 7; }, {true, false, false, false}},
        {"the spreading factor", [](SimInput& in) { in.SpreadFactor = 7; }, {false, false, false, false}},
    };
    const SimResult before = ComputeSignals(SimInput{});
    for (const Case& c : cases) {
        SimInput in;
        c.apply(in);
        const SimResult after = ComputeSignals(in);
        for (int chart = 0; chart < 4; ++chart) {
            EXPECT_EQ(SamePlot(chart, before, after), c.same[std::size_t(chart)]) << c.change << ", chart " << chart;
            EXPECT_EQ(SamePlot(chart, after, before), c.same[std::size_t(chart)]) << c.change << ", chart " << chart;
        }
    }
    // The receiver on channel 2 either way, with its chips the same: only its colour can differ.
    SimInput tuned;
    tuned.KeyRx = 44;
    SimResult other = ComputeSignals(tuned);
    EXPECT_TRUE(SamePlot(3, other, ComputeSignals(tuned)));
    other.SelectedChannel = '1';
    EXPECT_FALSE(SamePlot(3, other, ComputeSignals(tuned)));
}

TEST(PlotSignals, AChartLeftUnchangedKeepsItsItemsAndColour)
{
    Charts charts;
    const SimResult first = Simulate(8, 23);
    PlotSignals(first, false, charts.view);
    const auto itemsOf = [](const Chart& c) { return std::vector<TChartItem>(c.Items().begin(), c.Items().end()); };
    const std::vector<TChartItem> receiverBefore = itemsOf(*charts.rcd);
    const TColor colourBefore = charts.rcd->ChartColor();

    charts.view.Unchanged = {true, true, true, true};
    PlotSignals(Simulate(8, 44), false, charts.view);
    EXPECT_EQ(itemsOf(*charts.rcd), receiverBefore);
    EXPECT_EQ(charts.rcd->ChartColor(), colourBefore) << "left as it was, not tuned to channel 2";

    charts.view.Unchanged = {true, true, true, false};
    PlotSignals(Simulate(8, 44), false, charts.view);
    EXPECT_NE(itemsOf(*charts.rcd), receiverBefore);
    EXPECT_EQ(charts.rcd->ChartColor(), charts.rcb->ChartColor());
}

TEST(SignalCharts, StoredChartsShowTheirKeysWithoutPrefixAndTheTimeAxis)
{
    Dictionary none;
    std::vector<std::unique_ptr<Chart>> charts;
    for (SignalChart which : {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD}) {
        charts.push_back(NewSignalChart(which));
        charts.back()->TranslateTexts([&none](std::string& text) { none.TranslateKeyed(text); });
        EXPECT_EQ(charts.back()->Name(), SignalChartName(which));
        EXPECT_EQ(charts.back()->GetSize(), SignalChartGeometry(which).size());
        EXPECT_FALSE(charts.back()->IsLoading());
    }
    TSignalView view{charts[0].get(), charts[1].get(), charts[2].get(), charts[3].get(), {}, {}};
    PlotSignals(Simulate(8), false, view);
    const std::vector<std::string> captions = {"Channel 1", "Channel 2", "Transmitted Composite Signal", "Recovered Signals"};
    for (std::size_t i = 0; i < charts.size(); ++i) {
        RecordingCanvas canvas;
        charts[i]->RenderTo(canvas);
        std::vector<std::string> texts;
        for (const auto& op : canvas.ops(RecordingCanvas::OpKind::Text))
            texts.push_back(op.text);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.front(), captions[i]);
        // RCD alone shows an axis: 0 .. 1000 in microseconds, the unit in Windows-1252.
        const bool unit = std::find(texts.begin(), texts.end(), "\xB5s") != texts.end();
        EXPECT_EQ(unit, i == 3) << captions[i];
        EXPECT_FALSE(canvas.ops(RecordingCanvas::OpKind::Polyline).empty());
    }
    EXPECT_EQ(charts[3]->ScaleX(1).Caption(), "\xB5s");
}

// The stored layer ranges are what keeps each trace inside its chart: at every spreading factor,
// with the two channels adding up (the same character on the same key, where the integral
// reaches its largest size) or cancelling, every point of every trace is drawn inside the plot.
TEST(SignalCharts, EveryTraceIsDrawnInsideThePlot)
{
    struct Case { const char* name; std::string a, b; double keyA, keyB, keyRx; };
    const Case cases[] = {
        {"the default run", "Z", "W", 23, 44, 23},
        {"both channels alike", "Z", "Z", 23, 23, 23},
        {"opposite characters on one key", std::string(1, '\x00'), std::string(1, '\xFF'), 5, 5, 5},
        {"receiver on no channel", "q", "\xE9", -1000000, 1000000, 7},
    };
    for (const Case& c : cases)
        for (int sf = MinSpreadFactor; sf <= MaxSpreadFactor; ++sf) {
            SCOPED_TRACE(testing::Message() << c.name << ", spreading factor " << sf);
            SimInput in;
            in.SetTextA(c.a);
            in.SetTextB(c.b);
            in.KeyA = c.keyA;
            in.KeyB = c.keyB;
            in.KeyRx = c.keyRx;
            in.SpreadFactor = sf;
            std::vector<std::unique_ptr<Chart>> charts;
            for (SignalChart which : {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD})
                charts.push_back(NewSignalChart(which));
            TSignalView view{charts[0].get(), charts[1].get(), charts[2].get(), charts[3].get(), {}, {}};
            PlotSignals(ComputeSignals(in), false, view);
            for (const auto& chart : charts) {
                ASSERT_GT(chart->Count(), 0);
                const Rect plot = chart->Layout().PlotRect();
                for (const TChartItem& item : chart->Items()) {
                    const Point p = chart->Layout().DrawPoint(item.Layer, item.X, item.Y);
                    ASSERT_TRUE(plot.contains(p)) << chart->Name() << " layer " << item.Layer << " at (" << item.X
                                                  << ", " << item.Y << ") drawn at " << p.x << ", " << p.y;
                }
            }
        }
}
