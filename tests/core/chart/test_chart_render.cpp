// Chart rendering asserted on the recording canvas (fixed text metrics: 7 pixels a character,
// 13 a line). Positions are control pixels.
#include "tests/core/chart/chart_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <string>

using namespace charttest;
using Op = RecordingCanvas::Op;
using OpKind = RecordingCanvas::OpKind;

namespace {

// Commands of one part of a drawing.
struct OpList
{
    std::vector<Op> all;
    const std::vector<Op>& ops() const { return all; }
    std::vector<Op> ops(OpKind kind) const
    {
        std::vector<Op> out;
        for (const Op& op : all)
            if (op.kind == kind)
                out.push_back(op);
        return out;
    }
};

// One drawing of a chart, split where the plot content starts: the frame (surround, caption,
// axes) before the first clip to the plot area, the plot (background, grid, items, labels,
// plot frame) from it on.
struct Painted
{
    RecordingCanvas canvas;
    OpList frame;
    OpList plot;
};

std::unique_ptr<Painted> paint(Chart& c)
{
    auto p = std::make_unique<Painted>();
    c.RenderTo(p->canvas);
    bool inPlot = false;
    for (const Op& op : p->canvas.ops()) {
        inPlot = inPlot || op.kind == OpKind::Clip;
        (inPlot ? p->plot : p->frame).all.push_back(op);
    }
    return p;
}

// A world point of a layer as the renderer draws it.
Point plotPt(Chart& c, int layer, double x, double y)
{
    return c.Layout().DrawPoint(layer, x, y);
}

std::vector<Op> polylines(const OpList& plot)
{
    return plot.ops(OpKind::Polyline);
}

// --- polyline batching ------------------------------------------------------------------------

TEST(ChartItemsRendering, FourHundredFiftyLinesBecomeThreeJoinedPolylines)
{
    Chart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    for (int i = 1; i <= 450; ++i)
        c.LineToPoint(i * 2.0, (i % 7) * 0.3);
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points.size(), 200u);
    EXPECT_EQ(lines[1].points.size(), 200u);
    EXPECT_EQ(lines[2].points.size(), 53u);
    EXPECT_EQ(lines[1].points.front(), lines[0].points.back());
    EXPECT_EQ(lines[2].points.front(), lines[1].points.back());
    EXPECT_EQ(lines[0].points.front(), plotPt(c, 1, 0, 0));
    EXPECT_EQ(lines[2].points.back(), plotPt(c, 1, 900, (450 % 7) * 0.3));
    // 451 distinct points in all
    EXPECT_EQ(lines[0].points.size() + lines[1].points.size() + lines[2].points.size() - 2, 451u);
}

TEST(ChartItemsRendering, StepTraceIsOneConnectedPolylineFromTheLeftEdgeAtZero)
{
    Chart c;
    configureRca(c);
    c.SetDataColor(221);
    c.SetLineWidth(3);
    stepTrace(c, {1, 0, 1, 1}, 125);
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 1u);
    const Op& l = lines[0];
    ASSERT_EQ(l.points.size(), 9u);
    EXPECT_EQ(l.points[0], (Point{10, plotPt(c, 1, 0, 0).y})); // the left edge
    EXPECT_EQ(l.points[1], plotPt(c, 1, 0, 1)); // vertical edge at x = 0
    EXPECT_EQ(l.points[2], plotPt(c, 1, 125, 1));
    EXPECT_EQ(l.points[3], plotPt(c, 1, 125, 0)); // vertical edge between steps
    EXPECT_EQ(l.points[8], plotPt(c, 1, 500, 1));
    EXPECT_EQ(l.pen.width, 3);
    EXPECT_EQ(l.pen.color, RgbColor(221, 0, 0));
    EXPECT_EQ(l.pen.style, Canvas::PenStyle::Solid);
}

TEST(ChartItemsRendering, PenChangesEndThePolylineAndTheNextStartsAtItsEnd)
{
    Chart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(100, 1);
    c.LineToPoint(200, 1);
    c.SetDataColor(clBlue); // colour
    c.LineToPoint(300, 2);
    c.SetPenStyle(psDot); // style
    c.LineToPoint(400, 2);
    c.SetLineWidth(2); // width
    c.LineToPoint(500, 0);
    c.SetLineWidth(2);
    c.LineToPoint(600, 0); // nothing changed: same polyline
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].points.size(), 3u);
    EXPECT_EQ(lines[0].pen.color, clBlack);
    EXPECT_EQ(lines[1].points, (std::vector<Point>{plotPt(c, 1, 200, 1), plotPt(c, 1, 300, 2)}));
    EXPECT_EQ(lines[1].pen.color, RgbColor(0, 0, 255));
    EXPECT_EQ(lines[2].pen.style, Canvas::PenStyle::Dot);
    EXPECT_EQ(lines[2].points.front(), plotPt(c, 1, 300, 2));
    EXPECT_EQ(lines[3].pen.width, 2);
    EXPECT_EQ(lines[3].points, (std::vector<Point>{plotPt(c, 1, 400, 2), plotPt(c, 1, 500, 0), plotPt(c, 1, 600, 0)}));
}

TEST(ChartItemsRendering, ItemsUseTheirOwnLayerAndSkipHiddenOnes)
{
    Chart c;
    configureRca(c);
    c.SetActiveLayer(2);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 6);
    c.SetActiveLayer(3);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 0);
    c.SetClassDefault(4);
    c.MoveToPoint(0, 0);
    c.LineToPoint(500, 0);
    c.SetClassVisible(4, false);
    auto p = paint(c);
    auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points[1], (Point{10 + c.Geometry().PW(), 20})); // top of layer 2
    EXPECT_EQ(lines[1].points[0], plotPt(c, 3, 0, 0));
    c.SetLayerVisible(2, false);
    p = paint(c);
    EXPECT_EQ(polylines(p->plot).size(), 1u);
}

TEST(ChartItemsRendering, ListStartingWithALineDrawsFromThePlotOrigin)
{
    Chart c;
    configureRca(c);
    c.ClearItems();
    c.LineToPoint(500, 0);
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.front(), (Point{10, 20})); // the plot's top-left pixel
}

TEST(ChartItemsRendering, FarPointsAreClampedBeforeDrawing)
{
    Chart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1e30, -1e30);
    c.LineToPoint(std::nan(""), 0);
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[1], (Point{30000, 30000}));
    for (const Op& op : p->plot.ops())
        for (const Point& pt : op.points) {
            ASSERT_LE(std::abs(pt.x), 30000);
            ASSERT_LE(std::abs(pt.y), 30000);
        }
}

// The grid leaves its colour in the pen; an item that has the chart's colour still gets its own.
TEST(ChartItemsRendering, LineInTheChartColourAfterTheGridIsDrawnInThatColour)
{
    Chart c;
    configureRca(c);
    c.SetDataColor(c.ChartColor());
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 1);
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    const auto lines = canvas.ops(OpKind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].pen.color, RgbColor(0xDD, 0xDD, 0xFF));
}

// --- plot surface: background, grid, frame ----------------------------------------------------

TEST(ChartPlotRendering, BackgroundGridItemsLabelsThenFrame)
{
    Chart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 0);
    const auto p = paint(c);
    const auto& ops = p->plot.ops();
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, OpKind::Clip);
    EXPECT_EQ(ops[0].rect, (Rect{10, 20, 758, 116}));
    ASSERT_EQ(ops[1].kind, OpKind::Rectangle);
    EXPECT_EQ(ops[1].rect, Rect::FromCorners(10, 20, 768, 136));
    EXPECT_EQ(ops[1].brush.color, RgbColor(0xDD, 0xDD, 0xFF));
    EXPECT_EQ(ops[1].brush.style, Canvas::BrushStyle::Solid);
    EXPECT_EQ(ops[1].pen.color, clBlack);
    // the last four lines outline the plot, then the clip ends
    const std::size_t n = ops.size();
    ASSERT_EQ(ops[n - 1].kind, OpKind::ClearClip);
    const std::vector<std::pair<Point, Point>> frame{
        {{10, 20}, {767, 20}}, {{767, 20}, {767, 135}}, {{767, 135}, {10, 135}}, {{10, 135}, {10, 20}}};
    for (std::size_t i = 0; i < 4; ++i) {
        const Op& op = ops[n - 5 + i];
        ASSERT_EQ(op.kind, OpKind::Line);
        EXPECT_EQ(op.points[0], frame[i].first);
        EXPECT_EQ(op.points[1], frame[i].second);
        EXPECT_EQ(op.pen, (Canvas::Pen{clBlack, 1, Canvas::PenStyle::Solid}));
    }
}

std::vector<Op> gridLines(const OpList& plot)
{
    std::vector<Op> out;
    for (const Op& op : plot.ops(OpKind::Line))
        if (op.pen.style == Canvas::PenStyle::Dot)
            out.push_back(op);
    return out;
}

TEST(ChartPlotRendering, DottedGridEvery125UnitsBelowTheRangeEnd)
{
    Chart c;
    configureRca(c);
    const auto p = paint(c);
    const auto grid = gridLines(p->plot);
    ASSERT_EQ(grid.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        const Op& op = grid[std::size_t(i)];
        const int x = plotPt(c, 1, 125.0 * i, 0).x;
        EXPECT_EQ(op.points[0], (Point{x, 135})); // from ylo
        EXPECT_EQ(op.points[1], (Point{x, 20}));  // to yhi
        EXPECT_EQ(op.pen.color, RgbColor(0xC0, 0xC0, 0xC0));
        EXPECT_EQ(op.pen.width, 1);
        EXPECT_EQ(op.brush.color, RgbColor(0xDD, 0xDD, 0xFF)); // gaps show the plot background
    }
    EXPECT_EQ(grid[0].points[0].x, 10);
    EXPECT_EQ(grid[7].points[0].x, 10 + 662); // 875 * 0.757 = 662.375
}

TEST(ChartPlotRendering, GridFollowsTheActiveLayer)
{
    Chart c;
    configureRca(c);
    c.SetActiveLayer(4); // x range 0..1
    const auto p = paint(c);
    const auto grid = gridLines(p->plot);
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_EQ(grid[0].points[0].x, 10);
}

TEST(ChartPlotRendering, GridIsBoundedToAThousandLines)
{
    Chart c;
    configureRca(c);
    c.SetGridDx(0.01);
    c.SetGridStyle(gsLines);
    c.SetGridDy(1e-6);
    const auto p = paint(c);
    EXPECT_EQ(p->plot.ops(OpKind::Line).size(), 2000u + 4u);
    c.SetGridStyle(gsPoints);
    const auto q = paint(c);
    EXPECT_EQ(q->plot.ops(OpKind::Pixel).size(), 1000u);
}

TEST(ChartPlotRendering, GridWithoutSpacingUsesTheAxisTicks)
{
    Chart c;
    configureRcd(c);
    c.SetGridDx(0);
    const auto p = paint(c); // the grid reads the ticks the axis layout recorded
    const auto grid = gridLines(p->plot);
    ASSERT_EQ(grid.size(), 20u); // minor ticks 0..950; 1000 is the range end
    EXPECT_EQ(grid[1].points[0].x, plotPt(c, 1, 50, 0).x);
}

// --- frame surface: fill, caption, axis -------------------------------------------------------

TEST(ChartFrameRendering, FillAndCaptionThenThePlotClippedToItsArea)
{
    Chart c;
    configureRca(c);
    c.SetWindColor(0x00FF00);
    const auto p = paint(c);
    const auto& ops = p->frame.ops();
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, OpKind::Resize);
    EXPECT_EQ(ops[0].rect.size(), (Size{785, 137}));
    EXPECT_EQ(ops[1].kind, OpKind::Rectangle);
    EXPECT_EQ(ops[1].rect, Rect::FromCorners(0, 0, 785, 137));
    EXPECT_EQ(ops[1].brush.color, RgbColor(0, 255, 0));
    EXPECT_EQ(ops[1].pen.color, RgbColor(0, 255, 0));
    EXPECT_EQ(ops.back().kind, OpKind::Text); // the caption; no axis is visible
    ASSERT_FALSE(p->plot.ops().empty());
    EXPECT_EQ(p->plot.ops().front().rect, (Rect{10, 20, 758, 116}));
    EXPECT_TRUE(p->canvas.ops(OpKind::Copy).empty());
}

TEST(ChartFrameRendering, CaptionAnchorsAndAlignments)
{
    struct Row { TCaptionAnchorHoriz h; TCaptionAnchorVert v; TAlignment a; int posX, posY; Point topLeft; };
    // W 785, H 137, ML 10, MR 18, MT 20, MB 2, PW 757, PH 115; caption 12 characters = 84 pixels
    const Row rows[] = {
        {cahChartRight, cavChartTop, taRightJustify, 0, -16, {767 - 84, 4}},
        {cahControlLeft, cavControlTop, taLeftJustify, 3, 2, {3, 2}},
        {cahChartLeft, cavChartBottom, taLeftJustify, 0, 0, {10, 135}},
        {cahChartCenter, cavChartCenter, taCenter, 0, 0, {10 + 378 - 42, 20 + 57}},
        {cahControlRight, cavControlBottom, taRightJustify, -1, -13, {785 - 1 - 84, 137 - 13}},
    };
    for (const Row& r : rows) {
        Chart c;
        configureRca(c);
        c.SetCaptionAnchorHoriz(r.h);
        c.SetCaptionAnchorVert(r.v);
        c.SetCaptionAlignment(r.a);
        c.SetCaptionPosX(r.posX);
        c.SetCaptionPosY(r.posY);
        const auto p = paint(c);
        const auto texts = p->frame.ops(OpKind::Text);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, std::string("BF_Channel 1"));
        EXPECT_EQ(texts[0].points[0], r.topLeft) << int(r.h) << "/" << int(r.v);
        EXPECT_EQ(texts[0].brush.style, Canvas::BrushStyle::Clear);
    }
}

TEST(ChartFrameRendering, CaptionKeepsTheFontTheSurfaceHolds)
{
    Chart c;
    configureRcd(c);
    const FontDesc axisFont{"DejaVu Serif", 17, 0, 0};
    c.ScaleX(1).SetFont(axisFont);
    c.ScaleX(1).SetColorScale(clGreen);
    auto caption = [](const Painted& p) {
        for (const Op& op : p.frame.ops(OpKind::Text))
            if (op.text == "BF_Recovered Signals")
                return op;
        return Op{};
    };
    // Before the first paint the surface holds its default font ...
    EXPECT_EQ(caption(*paint(c)).font, DefaultChartFont());
    EXPECT_EQ(caption(*paint(c)).fontColor, clBlack);
    // ... which the visible axis replaces with its own, in its colour, for every paint after.
    const std::uint64_t before = c.Version();
    c.WholePainted(c.Layout());
    EXPECT_GT(c.Version(), before) << "what the next paint shows changed";
    EXPECT_EQ(caption(*paint(c)).font, axisFont);
    EXPECT_EQ(caption(*paint(c)).fontColor, clGreen);
    // A second whole paint changes nothing more.
    const std::uint64_t after = c.Version();
    c.WholePainted(c.Layout());
    EXPECT_EQ(c.Version(), after);
}

TEST(ChartAxisRendering, TimeAxisOfTheReceiverChart)
{
    Chart c;
    configureRcd(c);
    const auto p = paint(c);
    const TScale& axis = c.XScaleDrawer(1);
    EXPECT_EQ(axis.Kind(), sctXT);
    EXPECT_EQ(axis.BaseLine(), 253);

    std::vector<Op> minor, major, base;
    for (const Op& op : p->frame.ops(OpKind::Line)) {
        const int len = op.points[1].y - op.points[0].y;
        if (op.points[0].y == 253 && len == 4)
            minor.push_back(op);
        else if (op.points[0].y == 253 && len == 7)
            major.push_back(op);
        else if (op.points[0].y == 253 && op.points[1].y == 253)
            base.push_back(op);
    }
    ASSERT_EQ(minor.size(), 21u);
    for (int i = 0; i <= 20; ++i)
        EXPECT_EQ(minor[std::size_t(i)].points[0].x, c.Mapping().MapX(1, 50.0 * i));
    ASSERT_EQ(major.size(), 6u);
    for (const Op& op : major)
        EXPECT_EQ(op.pen, (Canvas::Pen{clBlack, 1, Canvas::PenStyle::Solid}));
    ASSERT_EQ(base.size(), 1u);
    EXPECT_EQ(base[0].points[0], (Point{10, 253}));
    EXPECT_EQ(base[0].points[1], (Point{767, 253}));

    const auto texts = p->frame.ops(OpKind::Text);
    const std::vector<std::string> expected{"0", "200", "400", "600", "800", "1000"};
    std::vector<Op> numbers;
    for (const Op& op : texts)
        if (std::find(expected.begin(), expected.end(), op.text) != expected.end())
            numbers.push_back(op);
    ASSERT_EQ(numbers.size(), 6u);
    for (int j = 0; j < 6; ++j) {
        const Op& n = numbers[std::size_t(j)];
        EXPECT_EQ(n.text, expected[std::size_t(j)]);
        EXPECT_EQ(n.points[0].y, 260);
        const int px = c.Mapping().MapX(1, 200.0 * j);
        const int hw = int(n.text.size()) * 7 / 2;
        EXPECT_EQ(n.points[0].x, px - std::min(px - 2, hw)) << n.text;
        EXPECT_EQ(n.brush.style, Canvas::BrushStyle::Clear);
    }
    // the caption is centred on x = 389 with its top at 265
    const auto unit = std::find_if(texts.begin(), texts.end(), [](const Op& op) { return op.text == std::string("\xB5s"); });
    ASSERT_NE(unit, texts.end());
    EXPECT_EQ(unit->points[0], (Point{389 - 7, 265}));
    // ticks recorded for the grid: every minor position
    ASSERT_EQ(axis.Ticks().size(), 21u);
    EXPECT_EQ(axis.Ticks()[20], 1000);
}

TEST(ChartAxisRendering, NumberNearTheRightBorderIsDrawnFlushAgainstIt)
{
    TScale axis(std::string("RC_FScale_X_1"));
    ScaleSettings s;
    s.RangeLow = 0;
    s.RangeHigh = 1000;
    s.Visible = true;
    axis.Assign(s);
    axis.SetSize(200, 100);
    axis.SetMargins(10, 50, -1, 0); // the axis reaches the right border
    RecordingCanvas canvas;
    axis.Layout(canvas);
    axis.Draw(canvas);
    const auto texts = canvas.ops(OpKind::Text);
    const auto last = std::find_if(texts.begin(), texts.end(), [](const Op& op) { return op.text == std::string("1000"); });
    ASSERT_NE(last, texts.end());
    EXPECT_EQ(last->points[0].x, 200 - 2 * 14 - 2);
    EXPECT_EQ(texts.front().points[0].x, 7); // "0" at 10, half width 3
}

TEST(ChartAxisRendering, TopAxisPointsUpAndInvisibleAxesDrawNothing)
{
    Chart c;
    configureRcd(c);
    c.ScaleX(1).SetVisible(false);
    c.ScaleX(2).SetVisible(true);
    c.ScaleX(2).SetCaption(std::string("t"));
    const auto p = paint(c);
    const TScale& axis = c.XScaleDrawer(2);
    EXPECT_EQ(axis.Kind(), sctXB);
    EXPECT_EQ(axis.BaseLine(), 20); // MT - ScalePos 0
    bool upward = false;
    for (const Op& op : p->frame.ops(OpKind::Line)) {
        EXPECT_NE(op.points[0].y, 253) << "the hidden bottom axis drew";
        if (op.points[0].y == 20 && op.points[1].y == 13)
            upward = true;
    }
    EXPECT_TRUE(upward);
    for (const Op& op : p->frame.ops(OpKind::Text)) {
        if (op.text == std::string("200")) {
            EXPECT_EQ(op.points[0].y, 20 - 13 - 7);
        }
    }
}

TEST(ChartAxisRendering, LeftAxisMirrorsTheBottomOne)
{
    Chart c;
    configureRca(c);
    c.ScaleY(1).SetVisible(true);
    const auto p = paint(c);
    const TScale& axis = c.YScaleDrawer(1);
    EXPECT_EQ(axis.Kind(), sctYR);
    EXPECT_EQ(axis.BaseLine(), 10);
    EXPECT_EQ(axis.MapValue(2.5), 20);
    EXPECT_EQ(axis.MapValue(-7.5), 20 + 115);
    int leftTicks = 0;
    for (const Op& op : p->frame.ops(OpKind::Line))
        if (op.points[0].x == 10 && op.points[1].x == 3 && op.points[0].y == op.points[1].y)
            ++leftTicks;
    EXPECT_EQ(leftTicks, 5); // -6, -4, -2, 0, 2; minor ticks are 4 long
}

// --- labels -----------------------------------------------------------------------------------

struct LabelOps
{
    std::vector<Op> rects, texts, lines;
};

LabelOps labelOps(const OpList& plot)
{
    LabelOps out;
    bool first = true;
    for (const Op& op : plot.ops(OpKind::Rectangle)) {
        if (first) { // the plot background
            first = false;
            continue;
        }
        out.rects.push_back(op);
    }
    out.texts = plot.ops(OpKind::Text);
    return out;
}

TEST(ChartLabelRendering, RightJustifiedLabelEndsAtItsWorldColumn)
{
    Chart c;
    configureRca(c);
    TTextLabel* l = c.TextLabel(1);
    l->SetPosX(990);
    l->SetPosY(0.5);
    l->SetAlignment(taRightJustify);
    l->SetColorBkg(clYellow);
    l->SetCaption(std::string("Trace A"));
    l->SetVisible(true);
    const auto p = paint(c);
    const LabelOps ops = labelOps(p->plot);
    ASSERT_EQ(ops.texts.size(), 1u);
    ASSERT_EQ(ops.rects.size(), 1u);
    const Point anchor = plotPt(c, 1, 990, 0.5);
    const int w = 7 * 7, h = 13;
    EXPECT_EQ(ops.texts[0].points[0], (Point{anchor.x - w, anchor.y - h}));
    EXPECT_EQ(ops.rects[0].rect, Rect::FromCorners(anchor.x - w - 4, anchor.y - h - 2, anchor.x + 4, anchor.y + 2));
    EXPECT_EQ(ops.rects[0].brush.color, RgbColor(255, 255, 0));
    EXPECT_EQ(ops.rects[0].pen.color, clBlack);
    EXPECT_EQ(ops.texts[0].brush.style, Canvas::BrushStyle::Solid);
}

TEST(ChartLabelRendering, MultiLineCentredLabelAnchoredAtItsTop)
{
    Chart c;
    configureRca(c);
    TTextLabel* l = c.TextLabel(3);
    l->SetAttachToData(tlamNone); // pixels of the control
    l->SetPosX(400.5);            // rounds to 400
    l->SetPosY(60);
    l->SetVerticalAlignment(vaTop);
    l->SetCaption(std::string("ab\nabcd\r\nc"));
    l->SetVisible(true);
    const auto p = paint(c);
    const LabelOps ops = labelOps(p->plot);
    ASSERT_EQ(ops.texts.size(), 3u);
    // w = 28, h = 13, n = 3; y := 60 + 13 = 73 is the block's bottom; x := 400 - 14
    const int x = 386, y = 73;
    EXPECT_EQ(ops.texts[0].points[0], (Point{x + 7, y - 39}));
    EXPECT_EQ(ops.texts[1].points[0], (Point{x, y - 26}));
    EXPECT_EQ(ops.texts[1].text, std::string("abcd"));
    EXPECT_EQ(ops.texts[2].points[0], (Point{x + 10, y - 13}));
    EXPECT_EQ(ops.rects[0].rect, Rect::FromCorners(x - 4, y - 39 - 2, x + 28 + 4, y + 2));
}

TEST(ChartLabelRendering, ModesDrawTheirBoxes)
{
    Chart c;
    configureRca(c);
    TTextLabel* l = c.TextLabel(1);
    l->SetAttachToData(tlamNone);
    l->SetPosX(110);
    l->SetPosY(70);
    l->SetAlignment(taLeftJustify);
    l->SetCaption(std::string("x"));
    l->SetColorBkg(clYellow);
    l->SetColorShadow(clGray);
    l->SetVisible(true);
    const Rect box = Rect::FromCorners(110 - 4, 70 - 13 - 2, 110 + 7 + 4, 70 + 2);

    l->SetMode(tlShadow);
    auto ops = labelOps(paint(c)->plot);
    ASSERT_EQ(ops.rects.size(), 2u);
    EXPECT_EQ(ops.rects[0].rect, box.translated(3, 3));
    EXPECT_EQ(ops.rects[0].brush.color, RgbColor(128, 128, 128));
    EXPECT_EQ(ops.rects[1].rect, box);
    EXPECT_EQ(ops.rects[1].pen.color, clBlack);

    l->SetMode(tlsimple);
    ops = labelOps(paint(c)->plot);
    ASSERT_EQ(ops.rects.size(), 1u);
    EXPECT_EQ(ops.rects[0].pen.color, RgbColor(255, 255, 0)); // a plain patch

    l->SetTransparent(true);
    ops = labelOps(paint(c)->plot);
    EXPECT_TRUE(ops.rects.empty());
    ASSERT_EQ(ops.texts.size(), 1u);
    EXPECT_EQ(ops.texts[0].brush.style, Canvas::BrushStyle::Clear);

    l->SetMode(tlUnderline);
    const auto p = paint(c);
    bool underline = false;
    for (const Op& op : p->plot.ops(OpKind::Line))
        if (op.points[0] == (Point{110, 70}) && op.points[1] == (Point{117, 70}))
            underline = true;
    EXPECT_TRUE(underline);

    l->SetMode(tlOff);
    EXPECT_TRUE(labelOps(paint(c)->plot).texts.empty());
}

TEST(ChartLabelRendering, LabelOneIsDrawnLastAndHiddenLayersHideLabels)
{
    Chart c;
    configureRca(c);
    for (int i : {1, 2, 30}) {
        c.TextLabel(i)->SetCaption(std::to_string(i));
        c.TextLabel(i)->SetVisible(true);
    }
    c.TextLabel(2)->SetLayer(3);
    auto ops = labelOps(paint(c)->plot);
    ASSERT_EQ(ops.texts.size(), 3u);
    EXPECT_EQ(ops.texts[0].text, std::string("30"));
    EXPECT_EQ(ops.texts[2].text, std::string("1"));
    c.SetLayerVisible(3, false);
    ops = labelOps(paint(c)->plot);
    EXPECT_EQ(ops.texts.size(), 2u);
}

// --- a chart with a shadow -------------------------------------------------------------------
// The shadow takes SW pixels from the right and the bottom of the control: whatever is anchored
// at the plot's right or bottom edge moves in by SW, whatever is anchored at the control's edge
// stays. The positions are worked out by hand, not read back from the chart's own layout.
// RCA with SW 6: W 785, H 137, ML 10, MR 18, MT 20, MB 2, so PW = 785 - 10 - 18 - 6 = 751 and
// PH = 137 - 20 - 2 - 6 = 109; the plot spans x 10..761 and y 20..129.

TEST(ChartShadowRendering, CaptionAnchorsLeaveRoomForTheShadow)
{
    struct Row { TCaptionAnchorHoriz h; TCaptionAnchorVert v; TAlignment a; int posX, posY; Point topLeft; };
    // the caption "BF_Channel 1": 12 characters, 84 pixels
    const Row rows[] = {
        {cahChartRight, cavChartTop, taRightJustify, 0, -16, {761 - 84, 4}}, // as the program places it
        {cahChartRight, cavChartTop, taLeftJustify, 2, 0, {763, 20}},
        {cahChartRight, cavChartCenter, taCenter, 0, 0, {761 - 42, 20 + 109 / 2}},
        {cahChartCenter, cavChartTop, taCenter, 0, 0, {10 + 751 / 2 - 42, 20}},
        {cahControlRight, cavControlBottom, taRightJustify, -1, -13, {785 - 1 - 84, 137 - 13}},
        {cahControlRight, cavChartBottom, taLeftJustify, -90, 0, {785 - 90, 137 - 2}}, // H - MB, shadow or not
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "anchor " << int(r.h) << "/" << int(r.v) << ", alignment " << int(r.a));
        Chart c;
        configureRca(c);
        c.SetShadowWidth(6);
        c.SetCaptionAnchorHoriz(r.h);
        c.SetCaptionAnchorVert(r.v);
        c.SetCaptionAlignment(r.a);
        c.SetCaptionPosX(r.posX);
        c.SetCaptionPosY(r.posY);
        const auto p = paint(c);
        const auto texts = p->frame.ops(OpKind::Text);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].points[0], r.topLeft);
    }
}

TEST(ChartShadowRendering, LabelsAtThePlotsRightAndBottomEdgesLeaveRoomForTheShadow)
{
    Chart c;
    configureRca(c);
    c.SetShadowWidth(6);
    // A range that does not start at 0, so that the plot's right edge enters the mapping's offset.
    c.ScaleX(2).SetRangeLow(1000);
    c.ScaleX(2).SetRangeHigh(2000);
    // An explanation as the plotting places it: right-justified at (990, 0.5) of layer 1.
    TTextLabel* explanation = c.TextLabel(1);
    explanation->SetPosX(990);
    explanation->SetPosY(0.5);
    explanation->SetAlignment(taRightJustify);
    explanation->SetCaption(std::string("Trace A"));
    explanation->SetVisible(true);
    // A label in the lower right corner of layer 2 (x 1000..2000, y -4..6).
    TTextLabel* corner = c.TextLabel(2);
    corner->SetLayer(2);
    corner->SetPosX(2000);
    corner->SetPosY(-4);
    corner->SetAlignment(taRightJustify);
    corner->SetCaption(std::string("x"));
    corner->SetVisible(true);

    const auto p = paint(c);
    EXPECT_EQ(p->plot.ops().front().rect, (Rect{10, 20, 752, 110})); // the plot, frame included
    const LabelOps ops = labelOps(p->plot);
    ASSERT_EQ(ops.texts.size(), 2u);
    ASSERT_EQ(ops.rects.size(), 2u);
    // Drawn from label 30 down: the corner first. Its anchor is the plot's lower right corner
    // (761, 129); "x" is 7 wide and 13 high.
    EXPECT_EQ(ops.texts[0].points[0], (Point{761 - 7, 129 - 13}));
    EXPECT_EQ(ops.rects[0].rect, Rect::FromCorners(761 - 7 - 4, 129 - 13 - 2, 761 + 4, 129 + 2));
    // x: 990 * 751 / 1000 + 10 = 753.49 gives 753. y: k = -109 / 10, d = (129 * 2.5 + 20 * 7.5) / 10
    // = 47.25, so 0.5 lands on 41.8, which gives 42. "Trace A" is 49 wide.
    EXPECT_EQ(ops.texts[1].points[0], (Point{753 - 49, 42 - 13}));
    EXPECT_EQ(ops.rects[1].rect, Rect::FromCorners(753 - 49 - 4, 42 - 13 - 2, 753 + 4, 42 + 2));
}

TEST(ChartShadowRendering, BottomAxisAndItsRightAnchoredCaptionLeaveRoomForTheShadow)
{
    Chart c;
    configureRcd(c);
    c.SetShadowWidth(6);
    c.ScaleX(1).SetCaptionAnchor(uaSclBotRgt);
    c.ScaleX(1).SetCaptionAlignment(taRightJustify);
    const auto p = paint(c);
    // RCD: W 785, H 281, ML 10, MR 18, MB 28. The drawer's right margin is MR + SW - 1 = 23, so
    // the base line lies on the plot's bottom edge, y = 281 - 28 - 6 = 247, and runs from x = 10
    // to 785 - 23 - 1 = 761, the end pixel left out.
    EXPECT_EQ(c.XScaleDrawer(1).BaseLine(), 247);
    std::vector<Op> base;
    for (const Op& op : p->frame.ops(OpKind::Line))
        if (op.points[0].y == 247 && op.points[1].y == 247)
            base.push_back(op);
    ASSERT_EQ(base.size(), 1u);
    EXPECT_EQ(base[0].points[0], (Point{10, 247}));
    EXPECT_EQ(base[0].points[1], (Point{761, 247}));
    // The caption's anchor is x = 785 - 23 = 762; right-justified, the unit (two characters, 14
    // pixels) starts at 748, its top 12 below the base line.
    const auto texts = p->frame.ops(OpKind::Text);
    const auto unit = std::find_if(texts.begin(), texts.end(), [](const Op& op) { return op.text == std::string("\xB5s"); });
    ASSERT_NE(unit, texts.end());
    EXPECT_EQ(unit->points[0], (Point{748, 259}));
}

// --- drawing onto a caller's surface ----------------------------------------------------------

TEST(ChartRenderTo, PlotContentIsShiftedAndClippedToThePlotArea)
{
    Chart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 2.5);
    RecordingCanvas target(785, 137);
    c.RenderTo(target);
    const auto clips = target.ops(OpKind::Clip);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips.back().rect, (Rect{10, 20, 758, 116}));
    const auto lines = target.ops(OpKind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.back(), (Point{767, 20}));
    EXPECT_TRUE(target.ops(OpKind::Copy).empty());
    EXPECT_EQ(target.ops().back().kind, OpKind::ClearClip);
}

} // namespace
