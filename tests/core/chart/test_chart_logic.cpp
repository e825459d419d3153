// Display list, world-to-pixel mapping, the tick rule, and layout and drawing from a chart's
// state: logic that needs no window.
#include "core/chart/axis.h"
#include "core/chart/chartlayout.h"
#include "core/chart/chartlist.h"
#include "core/chart/chartmapping.h"
#include "core/chart/chartrender.h"
#include "core/chart/recordingcanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <string>

namespace {

TChartItem item(double x, int layer = 1, std::uint8_t kind = ikLineTo)
{
    return {x, -x, 0x123456, psDot, 3, 7, kind, layer};
}

// --- display list ---------------------------------------------------------------------------

TEST(ChartItemList, GrowsInBlocksAndKeepsEarlierItems)
{
    ChartItemList list;
    EXPECT_EQ(list.Capacity(), 0u);
    list.Append(item(0));
    EXPECT_EQ(list.Capacity(), 1000u);
    for (int i = 1; i < 1000; ++i)
        list.Append(item(i));
    EXPECT_EQ(list.Capacity(), 1000u);
    list.Append(item(1000)); // the 1001st
    EXPECT_EQ(list.Count(), 1001);
    EXPECT_EQ(list.Capacity(), 2000u);
    for (int i = 0; i <= 1000; ++i) {
        ASSERT_EQ(list[i].X, double(i));
        ASSERT_EQ(list[i].Y, -double(i));
        ASSERT_EQ(list[i].Color, 0x123456u);
        ASSERT_EQ(list[i].PenStyle, psDot);
        ASSERT_EQ(list[i].LineWidth, 3);
        ASSERT_EQ(list[i].ItemClass, 7);
    }
}

TEST(ChartItemList, AllocSizeAcceptsOnlyOneToAMillion)
{
    ChartItemList list;
    for (int bad : {0, -5, 1'000'001})
        list.SetAllocSize(bad);
    EXPECT_EQ(list.AllocSize(), 1000);
    list.SetAllocSize(1'000'000);
    EXPECT_EQ(list.AllocSize(), 1'000'000);
    list.SetAllocSize(3);
    for (int i = 0; i < 4; ++i)
        list.Append(item(i));
    EXPECT_EQ(list.Capacity(), 6u);
}

TEST(ChartItemList, ClearEmptiesTheListAndReportsNoCapacity)
{
    ChartItemList list;
    list.Append(item(1));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0u);
    EXPECT_EQ(list.begin(), list.end());
}

int g_allocations = 0;

std::unique_ptr<TChartItem[]> countingAllocate(std::size_t count)
{
    ++g_allocations;
    return ChartItemList::DefaultAllocate(count);
}

// Every run clears and refills the charts: the refill takes the storage it had, unless that was
// too large to keep.
TEST(ChartItemList, ARefillAfterClearTakesTheKeptStorageUpToItsLimit)
{
    const struct
    {
        std::size_t block;
        bool kept;
    } cases[] = {{ChartItemList::MaxKeptItems, true}, {ChartItemList::MaxKeptItems + 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        ChartItemList list;
        list.SetAllocator(&countingAllocate);
        list.SetAllocSize(int(c.block));
        list.Append(item(1));
        list.Append(item(2));
        list.Clear();
        g_allocations = 0;
        list.Append(item(3));
        EXPECT_EQ(g_allocations, c.kept ? 0 : 1);
        EXPECT_EQ(list.Count(), 1);
        EXPECT_EQ(list.Capacity(), c.block);
        EXPECT_EQ(list[0], item(3));
        // The slot the earlier fill used is empty again, as in fresh storage.
        EXPECT_EQ(list[1], TChartItem{});
    }
}

TEST(ChartItemList, AKeptStorageTooSmallForTheNextBlockIsReplacedAndTheItemsCarriedOver)
{
    ChartItemList list;
    list.SetAllocator(&countingAllocate);
    list.SetAllocSize(2);
    for (int i = 0; i < 4; ++i)
        list.Append(item(i));
    list.Clear();
    g_allocations = 0;
    for (int i = 10; i < 15; ++i)
        list.Append(item(i));
    EXPECT_EQ(g_allocations, 1); // the third block only
    EXPECT_EQ(list.Capacity(), 6u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(list[i], item(10 + i));
}

std::unique_ptr<TChartItem[]> failingAllocate(std::size_t)
{
    throw std::bad_alloc();
}

TEST(ChartItemList, FailedGrowthLeavesTheListAsItWas)
{
    ChartItemList list;
    list.SetAllocSize(2);
    list.Append(item(1));
    list.Append(item(2));
    list.SetAllocator(&failingAllocate);
    EXPECT_THROW(list.Append(item(3)), std::bad_alloc);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Capacity(), 2u);
    EXPECT_EQ(list[0].X, 1.0);
    EXPECT_EQ(list[1].X, 2.0);
    list.SetAllocator(&ChartItemList::DefaultAllocate);
    list.Append(item(3));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2].X, 3.0);
}

TEST(ChartItemList, NewSlotsAreZeroFilled)
{
    const auto storage = ChartItemList::DefaultAllocate(4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(storage[std::size_t(i)].X, 0.0);
        EXPECT_EQ(storage[std::size_t(i)].Layer, 0);
        EXPECT_EQ(storage[std::size_t(i)].Kind, 0);
    }
}

// --- mapping --------------------------------------------------------------------------------

ChartGeometry rca()
{
    return {785, 137, 10, 18, 20, 2, 0};
}

std::array<AxisRange, 16> ranges(AxisRange first)
{
    std::array<AxisRange, 16> r{};
    r[0] = first;
    return r;
}

struct RoundRow
{
    double in;
    int out;
};

TEST(ChartMapping, RoundsTiesToEvenAndClampsToThe32BitRange)
{
    const RoundRow rows[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {4.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {-3.5, -4}, {-4.5, -4}, {0.7, 1}, {-0.7, -1}, {2.4999, 2}, {48.75, 49}, {-48.75, -49},
        {0.49999999999999994, 0}, {1e-300, 0}, {1000000000.5, 1000000000}, {999999999.5, 1000000000},
        {2147483646.5, 2147483646}, {-2147483646.5, -2147483646}, {2147483647.4, 2147483647},
        {2147483648.0, 2147483647}, {1e300, 2147483647}, {-1e300, -2147483647},
        {std::numeric_limits<double>::infinity(), 2147483647}, {-std::numeric_limits<double>::infinity(), -2147483647},
        {std::nan(""), 0},
    };
    for (const RoundRow& r : rows)
        EXPECT_EQ(RoundPixel(r.in), r.out) << r.in;
    EXPECT_EQ(ClampDraw(2147483647), 30000);
    EXPECT_EQ(ClampDraw(30001), 30000);
    EXPECT_EQ(ClampDraw(30000), 30000);
    EXPECT_EQ(ClampDraw(-30001), -30000);
    EXPECT_EQ(ClampDraw(-40000), -30000);
    EXPECT_EQ(ClampDraw(123), 123);
}

TEST(ChartMapping, MapsRangeEndsOntoThePlotEdges)
{
    ChartMapping m;
    const ChartGeometry g = rca(); // PW 757, PH 115
    m.Recompute(g, ranges({0, 1000}), ranges({-7.5, 2.5}));
    EXPECT_EQ(m.MapX(1, 0), g.ML);
    EXPECT_EQ(m.MapX(1, 1000), g.ML + g.PW());
    EXPECT_EQ(m.MapY(1, 2.5), g.MT);
    EXPECT_EQ(m.MapY(1, -7.5), g.MT + g.PH());
    // y = 0 lies a quarter down: 20 + 28.75, rounded to 49
    EXPECT_EQ(m.MapY(1, 0), 49);
    EXPECT_EQ(m.MapX(1, 50), 48); // 47.85
}

TEST(ChartMapping, ReversedRangeFlipsTheAxis)
{
    ChartMapping m;
    const ChartGeometry g = rca();
    m.Recompute(g, ranges({1000, 0}), ranges({2.5, -7.5}));
    EXPECT_EQ(m.MapX(1, 1000), g.ML);
    EXPECT_EQ(m.MapX(1, 0), g.ML + g.PW());
    EXPECT_EQ(m.MapY(1, 2.5), g.MT + g.PH());
}

TEST(ChartMapping, LayerOutsideRangeUsesNearestLayer)
{
    std::array<AxisRange, 16> x{};
    x[0] = {0, 10};
    x[15] = {0, 1000};
    ChartMapping m;
    m.Recompute(rca(), x, ranges({0, 1}));
    EXPECT_EQ(m.MapX(0, 10), m.MapX(1, 10));
    EXPECT_EQ(m.MapX(17, 1000), m.MapX(16, 1000));
    EXPECT_NE(m.MapX(1, 10), m.MapX(16, 10));
}

TEST(ChartMapping, EmptyPlotPutsEveryPointOnTheCentreLine)
{
    ChartMapping m;
    const ChartGeometry tiny{50, 30, 40, 20, 20, 20, 0}; // PW and PH negative
    m.Recompute(tiny, ranges({0, 1}), ranges({0, 1}));
    EXPECT_EQ(m.MapX(1, 0.7), 25);
    EXPECT_EQ(m.MapY(1, 123.0), 15);
    EXPECT_EQ(m.MapX(1, std::numeric_limits<double>::infinity()), 25);
}

TEST(ChartMapping, LogarithmicAxisAndItsFallbackBelowTheFloor)
{
    ChartMapping m;
    const ChartGeometry g = rca();
    m.Recompute(g, ranges({1, 1000, true}), ranges({1, 100, true}));
    EXPECT_EQ(m.MapX(1, 1), g.ML);
    EXPECT_EQ(m.MapX(1, 1000), g.ML + g.PW());
    EXPECT_EQ(m.MapX(1, 10), g.ML + RoundPixel(g.PW() / 3.0));
    EXPECT_EQ(m.MapX(1, 0), 0);   // x <= 1e-100, forward range
    EXPECT_EQ(m.MapY(1, -1), g.H); // y fallback, forward range
    m.Recompute(g, ranges({1000, 1, true}), ranges({100, 1, true}));
    EXPECT_EQ(m.MapX(1, 0), g.W);
    EXPECT_EQ(m.MapY(1, 0), 0);
}

TEST(ChartMapping, HugeAndInvalidWorldValuesStayFinite)
{
    ChartMapping m;
    m.Recompute(rca(), ranges({0, 1000}), ranges({0, 1}));
    EXPECT_EQ(m.MapX(1, 1e300), 2147483647);
    EXPECT_EQ(m.MapX(1, -1e300), -2147483647);
    EXPECT_EQ(m.MapX(1, std::nan("")), 0);
}

// --- tick rule ------------------------------------------------------------------------------

TEST(TickRule, NiceStepTable)
{
    struct Row { double lo, hi; int minTicks; double step; int minor; };
    const Row rows[] = {
        {0, 1000, 3, 200, 4},   // the time axis
        {0, 1000, 5, 100, 5},   // 200 lies exactly on log10 2: the smaller step
        {0, 10, 3, 2, 4},
        {-7.5, 2.5, 3, 2, 4},
        {0, 1, 3, 0.2, 4},
        {0, 1, 2, 0.2, 4},      // quotient 0.5 = 5 * 10^-1 exactly: the smaller step
        {0, 0.03, 3, 0.01, 5},
        {0, 50, 3, 10, 5},
        {0, 70, 3, 20, 4},
        {1000, 0, 3, -200, 4},  // reversed: negative step
        {0, 1000, 1, 200, 4},   // MinTicks clamped to 2: quotient 500
        {0, 1000, 50, 20, 4},   // MinTicks clamped to 20: quotient 50
        {0, 1000, 4, 200, 4},   // quotient 250
    };
    for (const Row& r : rows) {
        const auto s = NiceTickStep(r.lo, r.hi, r.minTicks);
        ASSERT_TRUE(s) << r.lo << ".." << r.hi;
        EXPECT_DOUBLE_EQ(s->step, r.step) << r.lo << ".." << r.hi << " / " << r.minTicks;
        EXPECT_EQ(s->minorIntervals, r.minor) << r.lo << ".." << r.hi;
    }
    EXPECT_FALSE(NiceTickStep(5, 5, 3));
}

TEST(TickRule, FirstMajorTickIsTheFirstMultipleNotBelowLow)
{
    EXPECT_DOUBLE_EQ(FirstMajorTick(-7.5, 2.5, 2), -6);
    EXPECT_DOUBLE_EQ(FirstMajorTick(0, 1000, 200), 0);
    EXPECT_DOUBLE_EQ(FirstMajorTick(1, 1000, 200), 200);
    EXPECT_DOUBLE_EQ(FirstMajorTick(0.1, 1000, 200), 0); // within 0.001 step of lo
    EXPECT_DOUBLE_EQ(FirstMajorTick(-450, 1000, 200), -400);
    EXPECT_DOUBLE_EQ(FirstMajorTick(0.1, 0.9, 0.2), 0.2);
    EXPECT_DOUBLE_EQ(FirstMajorTick(0.0001, 1000, 200), 0); // within 0.001 step
    EXPECT_DOUBLE_EQ(FirstMajorTick(1000, 0, -200), 1000);
    EXPECT_DOUBLE_EQ(FirstMajorTick(950, 0, -200), 800);
}

TEST(TickRule, TimeAxisTicks)
{
    const AxisTicks t = ComputeAxisTicks(0, 1000, 3, true);
    ASSERT_EQ(t.major.size(), 6u);
    for (int j = 0; j < 6; ++j)
        EXPECT_DOUBLE_EQ(t.major[std::size_t(j)], 200.0 * j);
    ASSERT_EQ(t.minor.size(), 21u);
    for (int i = 0; i <= 20; ++i)
        EXPECT_DOUBLE_EQ(t.minor[std::size_t(i)], 50.0 * i);
}

TEST(TickRule, ReversedRangeKeepsItsLastMinorTickLikeAForwardOne)
{
    const AxisTicks forward = ComputeAxisTicks(0, 1000, 3, true);
    const AxisTicks reversed = ComputeAxisTicks(1000, 0, 3, true);
    ASSERT_EQ(reversed.minor.size(), forward.minor.size());
    EXPECT_DOUBLE_EQ(reversed.minor.front(), 1000);
    EXPECT_DOUBLE_EQ(reversed.minor.back(), 0);
    ASSERT_EQ(reversed.major.size(), 6u);
    EXPECT_DOUBLE_EQ(reversed.major.front(), 1000);
    EXPECT_DOUBLE_EQ(reversed.major.back(), 0);
}

TEST(TickRule, MinorTicksBelowLowAreSkipped)
{
    const AxisTicks t = ComputeAxisTicks(-7.5, 2.5, 3, true);
    ASSERT_FALSE(t.minor.empty());
    // step 2 with 4 minor intervals: the walk starts at -8, whose minor tick lies below lo
    EXPECT_DOUBLE_EQ(t.minor.front(), -7.5);
    EXPECT_DOUBLE_EQ(t.minor.back(), 2.5);
    EXPECT_EQ(t.minor.size(), 21u);
    EXPECT_DOUBLE_EQ(t.major.front(), -6);
    EXPECT_DOUBLE_EQ(t.major.back(), 2);
}

TEST(TickRule, LoopsEndEvenWhenTheStepVanishesAgainstTheValues)
{
    const AxisTicks t = ComputeAxisTicks(1e20, 1e20 + 1e5, 3, true);
    EXPECT_LE(t.major.size(), 1000u);
    EXPECT_LE(t.minor.size(), 1000u);
}

TEST(TickRule, AutomaticDecimals)
{
    struct Row { double lo, hi; int decimals; };
    const Row rows[] = {{0, 1000, 0}, {0, 100, 0}, {0, 50, 0}, {0, 1, 2}, {0, 10, 1},
                        {0, 0.01, 4}, {0, 1e6, -1}, {0, 0.0001, -1}, {-7.5, 2.5, 1}};
    for (const Row& r : rows)
        EXPECT_EQ(AutoDecimals(r.lo, r.hi), r.decimals) << r.lo << ".." << r.hi;
    EXPECT_EQ(EffectiveDecimals(-2, 0, 1000), 0);
    EXPECT_EQ(EffectiveDecimals(-3, 0, 1), 2);
    EXPECT_EQ(EffectiveDecimals(3, 0, 1000), 3);
}

TEST(TickRule, NumberTexts)
{
    EXPECT_EQ(TickText(200, 0, 1000, 0, ""), std::string("200"));
    EXPECT_EQ(TickText(0.25, 0, 1, 2, ""), std::string("0.25"));
    EXPECT_EQ(TickText(-6, -7.5, 2.5, 1, ""), std::string("-6.0"));
    // a rounding residue next to zero is written as zero
    EXPECT_EQ(TickText(1e-17, 0, 1, 2, ""), std::string("0.00"));
    EXPECT_EQ(TickText(1e-12, 0, 1e6, 0, ""), std::string("0"));
    EXPECT_EQ(TickText(1e-12, 0, 1e6, 2, ""), std::string("0.0"));
    EXPECT_EQ(TickText(123456789.123, 0, 1e9, 8, "").size(), 14u);
    EXPECT_EQ(TickText(5, 0, 10, 0, std::string("t=& s")), std::string("t=5 s"));
    EXPECT_EQ(TickText(5, 0, 10, 0, std::string("~")), std::string("~5"));
}

// --- layout and drawing from plain state ----------------------------------------------------

// The receiver chart's state as the stored layout gives it, with a trace and a label.
void receiverState(ChartState& s)
{
    s.Geometry = {785, 281, 10, 18, 20, 28, 0};
    s.Caption = "Recovered Signals";
    s.CaptionPosY = -16;
    s.GridStyle = gsVertDotLines;
    s.GridDx = 0; // from the axis ticks
    s.GridColor = clSilver;
    s.ScaleX[0].RangeHigh = 1000;
    s.ScaleY[0].RangeLow = -35;
    s.ScaleY[0].RangeHigh = 5;
    s.ScaleX[0].Visible = true;
    s.ScaleX[0].Caption = "\xB5s";
    for (int i = 0; i <= 10; ++i) {
        s.Items.Append({i * 100.0, double(i % 2), clBlack, psSolid, 3, 0, i ? ikLineTo : ikMoveTo, 1});
    }
    s.Labels[0].Caption = "Trace H";
    s.Labels[0].PosX = 990;
    s.Labels[0].Visible = true;
}

bool sameCommands(const RecordingCanvas& a, const RecordingCanvas& b)
{
    if (a.ops().size() != b.ops().size())
        return false;
    for (std::size_t i = 0; i < a.ops().size(); ++i) {
        const RecordingCanvas::Op& x = a.ops()[i];
        const RecordingCanvas::Op& y = b.ops()[i];
        if (x.kind != y.kind || x.points != y.points || x.rect != y.rect || x.text != y.text || x.pen != y.pen
            || x.brush != y.brush || x.font != y.font || x.fontColor != y.fontColor)
            return false;
    }
    return true;
}

TEST(ChartLayoutAndDrawing, LayingOutDrawsNothingAndDrawingChangesNothing)
{
    ChartState state;
    receiverState(state);
    RecordingCanvas metrics;
    const ChartLayout layout = LayoutChart(state, metrics);
    EXPECT_TRUE(metrics.ops().empty());
    EXPECT_EQ(LayoutChart(state, metrics), layout); // a value: the same state lays out the same

    // The grid reads the axis ticks from the layout, on the very first drawing.
    ASSERT_EQ(layout.grid.lines.size(), 20u); // minor ticks 0..950
    EXPECT_EQ(layout.grid.lines[1].first.x, layout.mapping.MapX(1, 50));

    RecordingCanvas first, second;
    RenderChart(state, layout, first, ChartParts::All);
    const ChartLayout copy = layout;
    RenderChart(state, layout, second, ChartParts::All);
    EXPECT_TRUE(sameCommands(first, second));
    EXPECT_EQ(layout, copy);
    EXPECT_FALSE(first.ops(RecordingCanvas::OpKind::Polyline).empty());
}

// Drawing the static and the dynamic parts apart gives the commands of one drawing: a cached
// picture with items over it is the whole chart.
TEST(ChartLayoutAndDrawing, StaticAndDynamicPartsMakeTheWholeDrawing)
{
    ChartState state;
    receiverState(state);
    RecordingCanvas metrics;
    const ChartLayout layout = LayoutChart(state, metrics);
    RecordingCanvas whole, parts;
    RenderChart(state, layout, whole, ChartParts::All);
    RenderChart(state, layout, parts, ChartParts::Frame);
    RenderChart(state, layout, parts, ChartParts::PlotBackground);
    std::vector<Rect> damage;
    RenderChart(state, layout, parts, ChartParts::Dynamic, &damage);
    EXPECT_TRUE(sameCommands(whole, parts));
    // Every point the items drew lies in what the drawing reported as covered.
    ASSERT_FALSE(damage.empty());
    for (const auto& op : whole.ops(RecordingCanvas::OpKind::Polyline))
        for (const Point& p : op.points) {
            const bool covered = std::any_of(damage.begin(), damage.end(), [&](const Rect& r) { return r.contains(p); });
            EXPECT_TRUE(covered) << p.x << "," << p.y;
        }
}

} // namespace

