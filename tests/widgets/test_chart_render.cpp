// Chart rendering asserted on the recording canvas (fixed text metrics: 7 pixels a character,
// 13 a line), plus pixel checks through the Qt backend. Positions are control pixels.
#include "chart_test_support.h"
#include "qtcanvas.h"

#include <QDir>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

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

std::unique_ptr<Painted> paint(TRChart& c)
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
QPoint plotPt(const TRChart& c, int layer, double x, double y)
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
    TRChart c;
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
    TRChart c;
    configureRca(c);
    c.SetDataColor(221);
    c.SetLineWidth(3);
    stepTrace(c, {1, 0, 1, 1}, 125);
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 1u);
    const Op& l = lines[0];
    ASSERT_EQ(l.points.size(), 9u);
    EXPECT_EQ(l.points[0], QPoint(10, plotPt(c, 1, 0, 0).y())); // the left edge
    EXPECT_EQ(l.points[1], plotPt(c, 1, 0, 1)); // vertical edge at x = 0
    EXPECT_EQ(l.points[2], plotPt(c, 1, 125, 1));
    EXPECT_EQ(l.points[3], plotPt(c, 1, 125, 0)); // vertical edge between steps
    EXPECT_EQ(l.points[8], plotPt(c, 1, 500, 1));
    EXPECT_EQ(l.pen.width, 3);
    EXPECT_EQ(l.pen.color, QColor(221, 0, 0));
    EXPECT_EQ(l.pen.style, Canvas::PenStyle::Solid);
}

TEST(ChartItemsRendering, PenChangesEndThePolylineAndTheNextStartsAtItsEnd)
{
    TRChart c;
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
    EXPECT_EQ(lines[0].pen.color, QColor(Qt::black));
    EXPECT_EQ(lines[1].points, (std::vector<QPoint>{plotPt(c, 1, 200, 1), plotPt(c, 1, 300, 2)}));
    EXPECT_EQ(lines[1].pen.color, QColor(0, 0, 255));
    EXPECT_EQ(lines[2].pen.style, Canvas::PenStyle::Dot);
    EXPECT_EQ(lines[2].points.front(), plotPt(c, 1, 300, 2));
    EXPECT_EQ(lines[3].pen.width, 2);
    EXPECT_EQ(lines[3].points, (std::vector<QPoint>{plotPt(c, 1, 400, 2), plotPt(c, 1, 500, 0), plotPt(c, 1, 600, 0)}));
}

TEST(ChartItemsRendering, ItemsUseTheirOwnLayerAndSkipHiddenOnes)
{
    TRChart c;
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
    EXPECT_EQ(lines[0].points[1], QPoint(10 + c.Geometry().PW(), 20)); // top of layer 2
    EXPECT_EQ(lines[1].points[0], plotPt(c, 3, 0, 0));
    c.SetLayerVisible(2, false);
    p = paint(c);
    EXPECT_EQ(polylines(p->plot).size(), 1u);
}

TEST(ChartItemsRendering, ListStartingWithALineDrawsFromThePlotOrigin)
{
    TRChart c;
    configureRca(c);
    c.ClearItems();
    c.LineToPoint(500, 0);
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.front(), QPoint(10, 20)); // the plot's top-left pixel
}

TEST(ChartItemsRendering, FarPointsAreClampedBeforeDrawing)
{
    TRChart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1e30, -1e30);
    c.LineToPoint(std::nan(""), 0);
    const auto p = paint(c);
    const auto lines = polylines(p->plot);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[1], QPoint(30000, 30000));
    for (const Op& op : p->plot.ops())
        for (const QPoint& pt : op.points) {
            ASSERT_LE(std::abs(pt.x()), 30000);
            ASSERT_LE(std::abs(pt.y()), 30000);
        }
}

// The grid leaves its colour in the pen; an item that has the chart's colour still gets its own.
TEST(ChartItemsRendering, LineInTheChartColourAfterTheGridIsDrawnInThatColour)
{
    TRChart c;
    configureRca(c);
    c.SetDataColor(c.ChartColor());
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 1);
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    const auto lines = canvas.ops(OpKind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].pen.color, QColor(0xDD, 0xDD, 0xFF));
}

// --- plot surface: background, grid, frame ----------------------------------------------------

TEST(ChartPlotRendering, BackgroundGridItemsLabelsThenFrame)
{
    TRChart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 0);
    const auto p = paint(c);
    const auto& ops = p->plot.ops();
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, OpKind::Clip);
    EXPECT_EQ(ops[0].rect, QRect(10, 20, 758, 116));
    ASSERT_EQ(ops[1].kind, OpKind::Rectangle);
    EXPECT_EQ(ops[1].rect, QRect(QPoint(10, 20), QPoint(768, 136)));
    EXPECT_EQ(ops[1].brush.color, QColor(0xDD, 0xDD, 0xFF));
    EXPECT_EQ(ops[1].brush.style, Canvas::BrushStyle::Solid);
    EXPECT_EQ(ops[1].pen.color, QColor(Qt::black));
    // the last four lines outline the plot, then the clip ends
    const std::size_t n = ops.size();
    ASSERT_EQ(ops[n - 1].kind, OpKind::ClearClip);
    const std::vector<std::pair<QPoint, QPoint>> frame{
        {{10, 20}, {767, 20}}, {{767, 20}, {767, 135}}, {{767, 135}, {10, 135}}, {{10, 135}, {10, 20}}};
    for (std::size_t i = 0; i < 4; ++i) {
        const Op& op = ops[n - 5 + i];
        ASSERT_EQ(op.kind, OpKind::Line);
        EXPECT_EQ(op.points[0], frame[i].first);
        EXPECT_EQ(op.points[1], frame[i].second);
        EXPECT_EQ(op.pen, (Canvas::Pen{Qt::black, 1, Canvas::PenStyle::Solid}));
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
    TRChart c;
    configureRca(c);
    const auto p = paint(c);
    const auto grid = gridLines(p->plot);
    ASSERT_EQ(grid.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        const Op& op = grid[std::size_t(i)];
        const int x = plotPt(c, 1, 125.0 * i, 0).x();
        EXPECT_EQ(op.points[0], QPoint(x, 135)); // from ylo
        EXPECT_EQ(op.points[1], QPoint(x, 20));  // to yhi
        EXPECT_EQ(op.pen.color, QColor(0xC0, 0xC0, 0xC0));
        EXPECT_EQ(op.pen.width, 1);
        EXPECT_EQ(op.brush.color, QColor(0xDD, 0xDD, 0xFF)); // gaps show the plot background
    }
    EXPECT_EQ(grid[0].points[0].x(), 10);
    EXPECT_EQ(grid[7].points[0].x(), 10 + 662); // 875 * 0.757 = 662.375
}

TEST(ChartPlotRendering, GridFollowsTheActiveLayer)
{
    TRChart c;
    configureRca(c);
    c.SetActiveLayer(4); // x range 0..1
    const auto p = paint(c);
    const auto grid = gridLines(p->plot);
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_EQ(grid[0].points[0].x(), 10);
}

TEST(ChartPlotRendering, GridIsBoundedToAThousandLines)
{
    TRChart c;
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
    TRChart c;
    configureRcd(c);
    c.SetGridDx(0);
    const auto p = paint(c); // the grid reads the ticks the axis layout recorded
    const auto grid = gridLines(p->plot);
    ASSERT_EQ(grid.size(), 20u); // minor ticks 0..950; 1000 is the range end
    EXPECT_EQ(grid[1].points[0].x(), plotPt(c, 1, 50, 0).x());
}

// --- frame surface: fill, caption, axis -------------------------------------------------------

TEST(ChartFrameRendering, FillAndCaptionThenThePlotClippedToItsArea)
{
    TRChart c;
    configureRca(c);
    c.SetWindColor(0x00FF00);
    const auto p = paint(c);
    const auto& ops = p->frame.ops();
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, OpKind::Resize);
    EXPECT_EQ(ops[0].rect.size(), QSize(785, 137));
    EXPECT_EQ(ops[1].kind, OpKind::Rectangle);
    EXPECT_EQ(ops[1].rect, QRect(QPoint(0, 0), QPoint(785, 137)));
    EXPECT_EQ(ops[1].brush.color, QColor(0, 255, 0));
    EXPECT_EQ(ops[1].pen.color, QColor(0, 255, 0));
    EXPECT_EQ(ops.back().kind, OpKind::Text); // the caption; no axis is visible
    ASSERT_FALSE(p->plot.ops().empty());
    EXPECT_EQ(p->plot.ops().front().rect, QRect(10, 20, 758, 116));
    EXPECT_TRUE(p->canvas.ops(OpKind::Copy).empty());
}

TEST(ChartFrameRendering, CaptionAnchorsAndAlignments)
{
    struct Row { TCaptionAnchorHoriz h; TCaptionAnchorVert v; TAlignment a; int posX, posY; QPoint topLeft; };
    // W 785, H 137, ML 10, MR 18, MT 20, MB 2, PW 757, PH 115; caption 12 characters = 84 pixels
    const Row rows[] = {
        {cahChartRight, cavChartTop, taRightJustify, 0, -16, {767 - 84, 4}},
        {cahControlLeft, cavControlTop, taLeftJustify, 3, 2, {3, 2}},
        {cahChartLeft, cavChartBottom, taLeftJustify, 0, 0, {10, 135}},
        {cahChartCenter, cavChartCenter, taCenter, 0, 0, {10 + 378 - 42, 20 + 57}},
        {cahControlRight, cavControlBottom, taRightJustify, -1, -13, {785 - 1 - 84, 137 - 13}},
    };
    for (const Row& r : rows) {
        TRChart c;
        configureRca(c);
        c.SetCaptionAnchorHoriz(r.h);
        c.SetCaptionAnchorVert(r.v);
        c.SetCaptionAlignment(r.a);
        c.SetCaptionPosX(r.posX);
        c.SetCaptionPosY(r.posY);
        const auto p = paint(c);
        const auto texts = p->frame.ops(OpKind::Text);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, QStringLiteral("BF_Channel 1"));
        EXPECT_EQ(texts[0].points[0], r.topLeft) << int(r.h) << "/" << int(r.v);
        EXPECT_EQ(texts[0].brush.style, Canvas::BrushStyle::Clear);
    }
}

TEST(ChartFrameRendering, CaptionKeepsTheFontTheSurfaceHolds)
{
    TRChart c;
    configureRcd(c);
    QFont axisFont(QStringLiteral("DejaVu Serif"));
    axisFont.setPixelSize(17);
    c.Scale1X()->SetFont(axisFont);
    c.Scale1X()->SetColorScale(clGreen);
    auto caption = [](const Painted& p) {
        for (const Op& op : p.frame.ops(OpKind::Text))
            if (op.text == QStringLiteral("BF_Recovered Signals"))
                return op;
        return Op{};
    };
    // Before the first paint the surface holds its default font ...
    EXPECT_EQ(caption(*paint(c)).font, DefaultChartFont());
    EXPECT_EQ(caption(*paint(c)).fontColor, QColor(Qt::black));
    // ... which the visible axis replaces with its own, in its colour, for every paint after.
    c.show();
    c.ShowItems();
    EXPECT_EQ(caption(*paint(c)).font, axisFont);
    EXPECT_EQ(caption(*paint(c)).fontColor, QColor(0, 128, 0));
}

TEST(ChartAxisRendering, TimeAxisOfTheReceiverChart)
{
    TRChart c;
    configureRcd(c);
    const auto p = paint(c);
    const TScale& axis = c.XScaleDrawer(1);
    EXPECT_EQ(axis.Kind(), sctXT);
    EXPECT_EQ(axis.BaseLine(), 253);

    std::vector<Op> minor, major, base;
    for (const Op& op : p->frame.ops(OpKind::Line)) {
        const int len = op.points[1].y() - op.points[0].y();
        if (op.points[0].y() == 253 && len == 4)
            minor.push_back(op);
        else if (op.points[0].y() == 253 && len == 7)
            major.push_back(op);
        else if (op.points[0].y() == 253 && op.points[1].y() == 253)
            base.push_back(op);
    }
    ASSERT_EQ(minor.size(), 21u);
    for (int i = 0; i <= 20; ++i)
        EXPECT_EQ(minor[std::size_t(i)].points[0].x(), c.Mapping().MapX(1, 50.0 * i));
    ASSERT_EQ(major.size(), 6u);
    for (const Op& op : major)
        EXPECT_EQ(op.pen, (Canvas::Pen{Qt::black, 1, Canvas::PenStyle::Solid}));
    ASSERT_EQ(base.size(), 1u);
    EXPECT_EQ(base[0].points[0], QPoint(10, 253));
    EXPECT_EQ(base[0].points[1], QPoint(767, 253));

    const auto texts = p->frame.ops(OpKind::Text);
    const QStringList expected{"0", "200", "400", "600", "800", "1000"};
    std::vector<Op> numbers;
    for (const Op& op : texts)
        if (expected.contains(op.text))
            numbers.push_back(op);
    ASSERT_EQ(numbers.size(), 6u);
    for (int j = 0; j < 6; ++j) {
        const Op& n = numbers[std::size_t(j)];
        EXPECT_EQ(n.text, expected[j]);
        EXPECT_EQ(n.points[0].y(), 260);
        const int px = c.Mapping().MapX(1, 200.0 * j);
        const int hw = int(n.text.size()) * 7 / 2;
        EXPECT_EQ(n.points[0].x(), px - std::min(px - 2, hw)) << n.text.toStdString();
        EXPECT_EQ(n.brush.style, Canvas::BrushStyle::Clear);
    }
    // the caption is centred on x = 389 with its top at 265
    const auto unit = std::find_if(texts.begin(), texts.end(), [](const Op& op) { return op.text == QString::fromUtf8("µs"); });
    ASSERT_NE(unit, texts.end());
    EXPECT_EQ(unit->points[0], QPoint(389 - 7, 265));
    // ticks recorded for the grid: every minor position
    ASSERT_EQ(axis.Ticks().size(), 21u);
    EXPECT_EQ(axis.Ticks()[20], 1000);
}

TEST(ChartAxisRendering, NumberNearTheRightBorderIsDrawnFlushAgainstIt)
{
    TScale axis(QStringLiteral("RC_FScale_X_1"));
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
    const auto last = std::find_if(texts.begin(), texts.end(), [](const Op& op) { return op.text == QStringLiteral("1000"); });
    ASSERT_NE(last, texts.end());
    EXPECT_EQ(last->points[0].x(), 200 - 2 * 14 - 2);
    EXPECT_EQ(texts.front().points[0].x(), 7); // "0" at 10, half width 3
}

TEST(ChartAxisRendering, TopAxisPointsUpAndInvisibleAxesDrawNothing)
{
    TRChart c;
    configureRcd(c);
    c.Scale1X()->SetVisible(false);
    c.Scale2X()->SetVisible(true);
    c.Scale2X()->SetCaption(QStringLiteral("t"));
    const auto p = paint(c);
    const TScale& axis = c.XScaleDrawer(2);
    EXPECT_EQ(axis.Kind(), sctXB);
    EXPECT_EQ(axis.BaseLine(), 20); // MT - ScalePos 0
    bool upward = false;
    for (const Op& op : p->frame.ops(OpKind::Line)) {
        EXPECT_NE(op.points[0].y(), 253) << "the hidden bottom axis drew";
        if (op.points[0].y() == 20 && op.points[1].y() == 13)
            upward = true;
    }
    EXPECT_TRUE(upward);
    for (const Op& op : p->frame.ops(OpKind::Text)) {
        if (op.text == QStringLiteral("200")) {
            EXPECT_EQ(op.points[0].y(), 20 - 13 - 7);
        }
    }
}

TEST(ChartAxisRendering, LeftAxisMirrorsTheBottomOne)
{
    TRChart c;
    configureRca(c);
    c.Scale1Y()->SetVisible(true);
    const auto p = paint(c);
    const TScale& axis = c.YScaleDrawer(1);
    EXPECT_EQ(axis.Kind(), sctYR);
    EXPECT_EQ(axis.BaseLine(), 10);
    EXPECT_EQ(axis.MapValue(2.5), 20);
    EXPECT_EQ(axis.MapValue(-7.5), 20 + 115);
    int leftTicks = 0;
    for (const Op& op : p->frame.ops(OpKind::Line))
        if (op.points[0].x() == 10 && op.points[1].x() == 3 && op.points[0].y() == op.points[1].y())
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
    TRChart c;
    configureRca(c);
    TTextLabel* l = c.TextLabel(1);
    l->SetPosX(990);
    l->SetPosY(0.5);
    l->SetAlignment(taRightJustify);
    l->SetColorBkg(clYellow);
    l->SetCaption(QStringLiteral("Trace A"));
    l->SetVisible(true);
    const auto p = paint(c);
    const LabelOps ops = labelOps(p->plot);
    ASSERT_EQ(ops.texts.size(), 1u);
    ASSERT_EQ(ops.rects.size(), 1u);
    const QPoint anchor = plotPt(c, 1, 990, 0.5);
    const int w = 7 * 7, h = 13;
    EXPECT_EQ(ops.texts[0].points[0], QPoint(anchor.x() - w, anchor.y() - h));
    EXPECT_EQ(ops.rects[0].rect, QRect(QPoint(anchor.x() - w - 4, anchor.y() - h - 2), QPoint(anchor.x() + 4, anchor.y() + 2)));
    EXPECT_EQ(ops.rects[0].brush.color, QColor(255, 255, 0));
    EXPECT_EQ(ops.rects[0].pen.color, QColor(Qt::black));
    EXPECT_EQ(ops.texts[0].brush.style, Canvas::BrushStyle::Solid);
}

TEST(ChartLabelRendering, MultiLineCentredLabelAnchoredAtItsTop)
{
    TRChart c;
    configureRca(c);
    TTextLabel* l = c.TextLabel(3);
    l->SetAttachToData(tlamNone); // pixels of the control
    l->SetPosX(400.5);            // rounds to 400
    l->SetPosY(60);
    l->SetVerticalAlignment(vaTop);
    l->SetCaption(QStringLiteral("ab\nabcd\r\nc"));
    l->SetVisible(true);
    const auto p = paint(c);
    const LabelOps ops = labelOps(p->plot);
    ASSERT_EQ(ops.texts.size(), 3u);
    // w = 28, h = 13, n = 3; y := 60 + 13 = 73 is the block's bottom; x := 400 - 14
    const int x = 386, y = 73;
    EXPECT_EQ(ops.texts[0].points[0], QPoint(x + 7, y - 39));
    EXPECT_EQ(ops.texts[1].points[0], QPoint(x, y - 26));
    EXPECT_EQ(ops.texts[1].text, QStringLiteral("abcd"));
    EXPECT_EQ(ops.texts[2].points[0], QPoint(x + 10, y - 13));
    EXPECT_EQ(ops.rects[0].rect, QRect(QPoint(x - 4, y - 39 - 2), QPoint(x + 28 + 4, y + 2)));
}

TEST(ChartLabelRendering, ModesDrawTheirBoxes)
{
    TRChart c;
    configureRca(c);
    TTextLabel* l = c.TextLabel(1);
    l->SetAttachToData(tlamNone);
    l->SetPosX(110);
    l->SetPosY(70);
    l->SetAlignment(taLeftJustify);
    l->SetCaption(QStringLiteral("x"));
    l->SetColorBkg(clYellow);
    l->SetColorShadow(clGray);
    l->SetVisible(true);
    const QRect box(QPoint(110 - 4, 70 - 13 - 2), QPoint(110 + 7 + 4, 70 + 2));

    l->SetMode(tlShadow);
    auto ops = labelOps(paint(c)->plot);
    ASSERT_EQ(ops.rects.size(), 2u);
    EXPECT_EQ(ops.rects[0].rect, box.translated(3, 3));
    EXPECT_EQ(ops.rects[0].brush.color, QColor(128, 128, 128));
    EXPECT_EQ(ops.rects[1].rect, box);
    EXPECT_EQ(ops.rects[1].pen.color, QColor(Qt::black));

    l->SetMode(tlsimple);
    ops = labelOps(paint(c)->plot);
    ASSERT_EQ(ops.rects.size(), 1u);
    EXPECT_EQ(ops.rects[0].pen.color, QColor(255, 255, 0)); // a plain patch

    l->SetTransparent(true);
    ops = labelOps(paint(c)->plot);
    EXPECT_TRUE(ops.rects.empty());
    ASSERT_EQ(ops.texts.size(), 1u);
    EXPECT_EQ(ops.texts[0].brush.style, Canvas::BrushStyle::Clear);

    l->SetMode(tlUnderline);
    const auto p = paint(c);
    bool underline = false;
    for (const Op& op : p->plot.ops(OpKind::Line))
        if (op.points[0] == QPoint(110, 70) && op.points[1] == QPoint(117, 70))
            underline = true;
    EXPECT_TRUE(underline);

    l->SetMode(tlOff);
    EXPECT_TRUE(labelOps(paint(c)->plot).texts.empty());
}

TEST(ChartLabelRendering, LabelOneIsDrawnLastAndHiddenLayersHideLabels)
{
    TRChart c;
    configureRca(c);
    for (int i : {1, 2, 30}) {
        c.TextLabel(i)->SetCaption(QString::number(i));
        c.TextLabel(i)->SetVisible(true);
    }
    c.TextLabel(2)->SetLayer(3);
    auto ops = labelOps(paint(c)->plot);
    ASSERT_EQ(ops.texts.size(), 3u);
    EXPECT_EQ(ops.texts[0].text, QStringLiteral("30"));
    EXPECT_EQ(ops.texts[2].text, QStringLiteral("1"));
    c.SetLayerVisible(3, false);
    ops = labelOps(paint(c)->plot);
    EXPECT_EQ(ops.texts.size(), 2u);
}

// --- drawing onto a caller's surface ----------------------------------------------------------

TEST(ChartRenderTo, PlotContentIsShiftedAndClippedToThePlotArea)
{
    TRChart c;
    configureRca(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 2.5);
    RecordingCanvas target(785, 137);
    c.RenderTo(target);
    const auto clips = target.ops(OpKind::Clip);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips.back().rect, QRect(10, 20, 758, 116));
    const auto lines = target.ops(OpKind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.back(), QPoint(767, 20));
    EXPECT_TRUE(target.ops(OpKind::Copy).empty());
    EXPECT_EQ(target.ops().back().kind, OpKind::ClearClip);
}

// --- pixels through the Qt backend ------------------------------------------------------------

QRgb rgb(TColor c)
{
    return ToQColor(c).rgb();
}

void fillRcd(TRChart& c)
{
    c.ClearItems();
    c.SetDataColor(clBlack);
    c.SetActiveLayer(1);
    std::vector<double> chips;
    for (int i = 0; i < 64; ++i)
        chips.push_back((i * 7919 % 13) % 2 ? 1 : -1);
    stepTrace(c, chips, 1000.0 / 64);
    c.HideTextLabels();
    TTextLabel* l = c.TextLabel(1);
    l->SetMode(tlBox);
    l->SetPosX(990);
    l->SetPosY(0.5);
    l->SetAlignment(taRightJustify);
    l->SetColorBkg(clYellow);
    l->SetCaption(QStringLiteral("Trace H: Random Sequence in Receiver"));
    l->SetVisible(true);
    freeLabels(c, 2);
    c.SetActiveLayer(2);
    c.SetLineWidth(3);
    c.SetDataColor(clNavy);
    std::vector<double> products;
    for (int i = 0; i < 64; ++i)
        products.push_back(((i * 31) % 5) - 2);
    stepTrace(c, products, 1000.0 / 64);
    c.AddTextLabel(clBlack, QStringLiteral("Trace I: G * H"), 1, 990, 0.5);
    c.SetActiveLayer(3);
    c.SetLineWidth(1);
    c.MoveToPoint(0, 0);
    c.SetDataColor(clSilver);
    c.LineToPoint(1000, 0);
    c.SetLineWidth(3);
    c.SetDataColor(clBlue);
    std::vector<double> integral;
    double sum = 0;
    for (int i = 0; i < 64; ++i) {
        sum += products[std::size_t(i)] * 1.5;
        if (i % 8 == 7)
            sum = 0;
        integral.push_back(-sum);
    }
    stepTrace(c, integral, 1000.0 / 64);
    c.AddTextLabel(clBlack, QStringLiteral("Trace J: -1.0 * Integral of Trace I"), 1, 990, 0.5);
    c.SetActiveLayer(4);
    c.SetDataColor(221);
    c.MoveToPoint(0, 0);
    for (int b = 0; b < 8; ++b) {
        const double v = b % 3 ? 1 : -1;
        c.LineToPoint(b * 125.0, v);
        c.LineToPoint((b + 1) * 125.0, v);
    }
    c.SetLineWidth(1);
    c.AddTextLabel(clBlack, QStringLiteral("Trace K: Recovered Signal"), 1, 990, 0.5);
    c.ShowItems();
}

TEST(ChartPixels, BackgroundFrameAndGridColumns)
{
    TRChart c;
    configureRca(c);
    c.show();
    c.ShowItems();
    const QImage img = c.FrameImage();
    ASSERT_EQ(img.size(), QSize(785, 137));
    const QRgb background = rgb(0xFFDDDD), frame = rgb(clBlack), silver = rgb(clSilver);
    // the plot frame: columns 10 and 767, rows 20 and 135
    for (QPoint p : {QPoint(10, 20), QPoint(767, 20), QPoint(767, 135), QPoint(10, 135), QPoint(400, 20), QPoint(400, 135),
                     QPoint(10, 80), QPoint(767, 80)})
        EXPECT_EQ(img.pixel(p), frame) << p.x() << "," << p.y();
    // inside: background, outside: the surround
    EXPECT_EQ(img.pixel(50, 50), background);
    EXPECT_EQ(img.pixel(766, 134), background);
    EXPECT_EQ(img.pixel(768, 80), ToQColor(clBtnFace).rgb());
    EXPECT_EQ(img.pixel(9, 80), ToQColor(clBtnFace).rgb());
    // a grid column at x = 125: dotted silver with background in its gaps
    const int x = c.Mapping().MapX(1, 125);
    int dots = 0, gaps = 0;
    for (int y = 21; y < 135; ++y) {
        const QRgb px = img.pixel(x, y);
        ASSERT_TRUE(px == silver || px == background) << y;
        (px == silver ? dots : gaps)++;
    }
    EXPECT_GT(dots, 40);
    EXPECT_GT(gaps, 40);
    EXPECT_EQ(img.pixel(x + 1, 60), background);
}

TEST(ChartPixels, RenderToAnImageMatchesTheWindowPicture)
{
    TRChart c;
    configureRcd(c);
    c.show();
    fillRcd(c);
    c.ShowItems();
    QtCanvas target(785, 281);
    c.RenderTo(target);
    EXPECT_EQ(target.image(), c.FrameImage());
}

TEST(ChartPixels, PictureOfTheReceiverChart)
{
    TRChart c;
    configureRcd(c);
    c.show();
    fillRcd(c);
    const QImage img = c.FrameImage();
    QDir().mkpath(QStringLiteral(DSCDMA_PICTURE_DIR));
    const QString file = QStringLiteral(DSCDMA_PICTURE_DIR "/chart_rcd.png");
    ASSERT_TRUE(img.save(file));
    // The trace of layer 4 (dark red, 3 wide) crosses the plot; the axis numbers are dark.
    int red = 0;
    for (int x = 11; x < 767; ++x)
        for (int y = 21; y < 253; ++y)
            if (img.pixel(x, y) == rgb(221))
                ++red;
    EXPECT_GT(red, 757 * 3 / 2);
    int dark = 0;
    for (int y = 260; y < 281; ++y)
        for (int x = 0; x < 785; ++x)
            if (qGray(img.pixel(x, y)) < 100)
                ++dark;
    EXPECT_GT(dark, 30);
}

} // namespace

namespace {

TEST(ChartBadInput, ExtremeSettingsPaintWithinTheSurfaces)
{
    TRChart c;
    configureRcd(c);
    c.SetCaptionPosX(INT_MAX);
    c.SetCaptionPosY(INT_MIN);
    c.SetGridStyle(gsPoints);
    c.SetGridDx(1e-300);
    c.SetGridDy(1e-300);
    c.Scale1X()->SetScalePos(INT_MIN);
    c.Scale1X()->SetCaptionPosX(INT_MAX);
    c.Scale1X()->SetMinTicks(INT_MAX);
    c.Scale1X()->SetDecPlaces(INT_MAX);
    c.Scale2Y()->SetVisible(true);
    c.Scale2Y()->SetRangeLow(-1e308);
    c.Scale2Y()->SetRangeHigh(1e308);
    TTextLabel* l = c.TextLabel(1);
    l->SetAttachToData(tlamNone);
    l->SetPosX(1e308);
    l->SetPosY(-1e308);
    l->SetShadowDx(INT_MAX);
    l->SetShadowDy(INT_MIN);
    l->SetMode(tlShadow);
    l->SetCaption(QString(5000, QLatin1Char('W')));
    l->SetVisible(true);
    c.SetActiveLayer(2);
    c.SetLineWidth(255);
    c.MoveToPoint(-1e308, 1e308);
    c.LineToPoint(std::numeric_limits<double>::infinity(), std::nan(""));
    c.LineToPoint(5, 5);
    c.show();
    c.ShowItems();
    EXPECT_EQ(c.FrameImage().size(), QSize(785, 281));
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    for (const Op& op : canvas.ops())
        for (const QPoint& p : op.points) {
            ASSERT_LE(std::abs(p.x()), 60000 + 40000);
            ASSERT_LE(std::abs(p.y()), 60000 + 40000);
        }
    c.SetMarginLeft(INT_MAX);
    c.SetMarginRight(INT_MAX);
    EXPECT_EQ(c.MarginLeft(), TRChart::MaxMargin);
    c.SetMarginLeft(10);
    c.SetMarginRight(18);
    c.ShowItems();
}

// The display list is public storage: whatever a caller writes there is drawn within bounds.
TEST(ChartBadInput, ItemsWrittenStraightIntoTheListStayWithinBounds)
{
    TRChart c;
    configureRcd(c);
    c.show();
    ChartItemList& list = c.ItemStorage();
    list.Append({0, 0, clRed, TPenStyle(200), INT_MAX, 255, ikMoveTo, 99});
    list.Append({1e300, -1e300, clRed, psDot, INT_MAX, 255, ikLineTo, -5});
    list.Append({500, 0, clBlue, psSolid, -7, 0, 77, 3}); // an unknown kind
    list.Append({600, 0, clBlue, psSolid, -7, 0, ikLineTo, 3});
    c.ShowItems();
    EXPECT_EQ(c.FrameImage().size(), QSize(785, 281));
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    const auto lines = canvas.ops(OpKind::Polyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].pen.width, 255);
    EXPECT_EQ(lines[1].pen.width, 1);
    for (const Op& op : lines)
        for (const QPoint& p : op.points) {
            ASSERT_LE(std::abs(p.x()), 30000);
            ASSERT_LE(std::abs(p.y()), 30000);
        }
}

TEST(ChartBadInput, PlotWithoutRoomGivesAnEmptyPlotSurface)
{
    TRChart c;
    configureRca(c);
    c.SetMarginTop(300); // taller than the control: PH < 0 until the size follows
    c.resize(785, 10);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 1);
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    EXPECT_GE(c.height(), 300 + 2 + 20); // raised to the minimum
    const auto clips = canvas.ops(OpKind::Clip);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips.front().rect.height(), c.height() - 300 - 2 + 1);
}

} // namespace
