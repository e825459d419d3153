// The chart's caches (layout, static picture, the frame image with items and labels over it)
// never show a stale picture: after any change, what the window gets equals a drawing of the
// state from scratch.
#include "tests/widgets/chart_test_support.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"

#include <QFont>

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace charttest;

namespace {

// A receiver chart, shown, with traces on three layers and two labels.
void fill(TRChart& c, int seed = 0)
{
    std::mt19937 gen{std::uint32_t(seed)};
    std::uniform_int_distribution<int> value(-1, 1);
    c.ClearItems();
    for (int layer = 1; layer <= 3; ++layer) {
        c.SetActiveLayer(layer);
        c.SetLineWidth(layer == 2 ? 3 : 1);
        c.SetDataColor(layer == 3 ? clBlue : clBlack);
        std::vector<double> v;
        for (int i = 0; i < 40; ++i)
            v.push_back(value(gen) * (layer == 3 ? 20 : 1));
        stepTrace(c.Core(), v, 25);
    }
    c.SetLineWidth(1);
    c.HideTextLabels();
    freeLabels(c.Core(), 3);
    for (int i : {1, 2}) {
        TTextLabel* l = c.TextLabel(i);
        l->SetMode(tlBox);
        l->SetPosX(990);
        l->SetPosY(0.5);
        l->SetLayer(i);
        l->SetAlignment(taRightJustify);
        l->SetColorBkg(clYellow);
        l->SetCaption(i == 1 ? "Trace H" : "Trace I");
        l->SetVisible(true);
    }
}

struct Mutation
{
    const char* what;
    std::function<void(TRChart&)> apply;
    std::function<void(TRChart&)> prepare = [](TRChart&) {};
};

QImage fromScratch(TRChart& c)
{
    QtCanvas canvas(c.width(), c.height());
    c.RenderTo(canvas);
    return canvas.image();
}

// One row per class of things the cached pictures depend on.
const Mutation mutations[] = {
    {"size", [](TRChart& c) { c.resize(700, 250); }},
    {"left margin", [](TRChart& c) { c.SetMarginLeft(40); }},
    {"bottom margin", [](TRChart& c) { c.SetMarginBottom(12); }},
    {"shadow width", [](TRChart& c) { c.SetShadowWidth(6); }},
    {"chart colour", [](TRChart& c) { c.SetChartColor(0xC1EBF9); }},
    {"grid colour", [](TRChart& c) { c.SetGridColor(clRed); }},
    {"frame colour", [](TRChart& c) { c.SetChartFrameColor(clGreen); }},
    {"surround colour", [](TRChart& c) { c.SetWindColor(clAqua); }},
    {"shadow colours", [](TRChart& c) {
         c.SetShadowColor(clPurple);
         c.SetShadowStyle(ssBox);
     }, [](TRChart& c) { c.SetShadowWidth(4); }},
    {"y range", [](TRChart& c) { c.ScaleY(1)->SetRangeHigh(20); }},
    {"x range of the axis", [](TRChart& c) { c.Scale1X()->SetRangeLow(200); }},
    {"joined range", [](TRChart& c) { c.JointLayers()->SetL02yControlledBy(3); }},
    {"axis font", [](TRChart& c) {
         QFont f(QStringLiteral("DejaVu Serif"));
         f.setPixelSize(15);
         c.Scale1X()->SetFont(f); // through the published property: converted at the edge
     }},
    {"label font", [](TRChart& c) {
         c.TextLabel(2)->SetFont(FontDesc{"DejaVu Sans Mono", 16, 0, 0});
     }},
    {"caption", [](TRChart& c) { c.SetCaption(QStringLiteral("Receiver")); }},
    {"caption place", [](TRChart& c) { c.SetCaptionAnchorHoriz(cahChartLeft); }},
    {"axis caption", [](TRChart& c) { c.Scale1X()->SetCaption(QStringLiteral("ms")); }},
    {"ticks", [](TRChart& c) { c.Scale1X()->SetMinTicks(9); }},
    {"decimals", [](TRChart& c) { c.Scale1X()->SetDecPlaces(2); }},
    {"short ticks", [](TRChart& c) { c.Scale1X()->SetShortTicks(false); }},
    {"axis colour", [](TRChart& c) { c.Scale1X()->SetColorScale(clRed); }},
    {"axis position", [](TRChart& c) { c.Scale1X()->SetScalePos(4); }},
    {"axis side", [](TRChart& c) { c.Scale1X()->SetScaleLocation(slTop); }},
    {"another axis", [](TRChart& c) { c.Scale2Y()->SetVisible(true); }},
    {"grid style", [](TRChart& c) { c.SetGridStyle(gsDotLines); }, [](TRChart& c) { c.SetGridDy(10); }},
    {"grid spacing", [](TRChart& c) { c.SetGridDx(50); }},
    {"grid from the ticks", [](TRChart& c) { c.SetGridDx(0); }},
    {"active layer with other ranges", [](TRChart& c) { c.SetActiveLayer(9); }},
    {"items", [](TRChart& c) { fill(c, 7); }},
    {"one item", [](TRChart& c) { c.LineToPoint(500, -30); }},
    {"label text", [](TRChart& c) { c.TextLabel(1)->SetCaption("Trace H:\nnew"); }},
    {"label place", [](TRChart& c) { c.TextLabel(2)->SetPosX(400); }},
    {"label mode", [](TRChart& c) { c.TextLabel(2)->SetMode(tlShadow); }},
    {"label colour", [](TRChart& c) { c.TextLabel(1)->SetColorBkg(clLime); }},
    {"hidden labels", [](TRChart& c) { c.HideTextLabels(); }},
    {"hidden layer", [](TRChart& c) { c.SetLayerVisible(2, false); }},
    {"hidden class", [](TRChart& c) { c.SetClassVisible(0, false); }},
};

// What a paint must show is the state drawn from scratch just before it: the caption takes
// the font the frame surface held until then, which a visible axis changes as it draws.
TEST(ChartCache, EveryChangeReachesTheWindowAtShowItems)
{
    for (const Mutation& m : mutations) {
        SCOPED_TRACE(m.what);
        TRChart c;
        configureRcd(c);
        m.prepare(c);
        c.show();
        fill(c);
        c.ShowItems();
        c.ShowItems(); // a second run over the same picture
        const QImage before = c.FrameImage();
        ASSERT_EQ(before, fromScratch(c));
        m.apply(c);
        const QImage expected = fromScratch(c);
        c.ShowItems();
        EXPECT_NE(c.FrameImage(), before);
        EXPECT_EQ(c.FrameImage(), expected);
        EXPECT_EQ(c.grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
    }
}

TEST(ChartCache, EveryChangeReachesAWindowSystemRepaint)
{
    for (const Mutation& m : mutations) {
        SCOPED_TRACE(m.what);
        TRChart c;
        configureRcd(c);
        m.prepare(c);
        c.show();
        fill(c);
        c.ShowItems();
        const QImage shown = c.grab().toImage(); // the paint that follows ShowItems
        m.apply(c);
        EXPECT_NE(c.grab().toImage(), shown);
        // The caption follows an axis's font one paint later.
        EXPECT_EQ(c.grab().toImage().convertToFormat(QImage::Format_RGB32), fromScratch(c));
    }
}

// Setters repaint the whole chart, ShowItems the plot area; the frame around the plot keeps
// the caption of the setter's paint, so the plot area is compared.
TEST(ChartCache, AutoRedrawShowsEveryAppearanceChangeAtOnce)
{
    for (const Mutation& m : mutations) {
        SCOPED_TRACE(m.what);
        TRChart c;
        configureRcd(c);
        c.SetAutoRedraw(true);
        m.prepare(c);
        c.show();
        fill(c);
        c.ShowItems();
        m.apply(c);
        c.ShowItems(); // items: the plot redraw
        const QRect plot = ToQRect(c.Layout().PlotRect());
        EXPECT_EQ(c.FrameImage().copy(plot), fromScratch(c).copy(plot));
    }
}

TEST(ChartCache, RunsOfChangingTracesAndLabelsLeaveNothingBehind)
{
    TRChart c;
    configureRcd(c);
    c.show();
    std::mt19937 gen(11);
    for (int run = 0; run < 25; ++run) {
        fill(c, run);
        if (run % 3 == 0)
            c.TextLabel(2)->SetVisible(false);
        if (run % 4 == 1)
            c.TextLabel(1)->SetPosY(std::uniform_real_distribution<double>(-30, 5)(gen));
        if (run % 5 == 2)
            c.SetChartColor(run % 2 ? 0xFFDDDD : clWhite);
        c.ShowItems();
        ASSERT_EQ(c.FrameImage(), fromScratch(c)) << "run " << run;
    }
}

// A view that records what the chart tells it.
class RecordingView final : public ChartView
{
public:
    QSize size{785, 281};
    int updates = 0;
    std::vector<QRect> area;

    QSize ChartViewSize() const override { return size; }
    bool ChartViewReady() const override { return true; }
    void ChartViewUpdate(const std::vector<QRect>& a) override
    {
        ++updates;
        area = a;
    }
    void ChartViewMinimumSize(QSize) override {}
};

TEST(ChartCache, ARunThatDrawsTheSameAsksTheViewForNothing)
{
    QtChart shell;
    Chart& chart = shell.Core();
    RecordingView view;
    chart.BeginLoading();
    chart.SetAutoRedraw(false);
    chart.SetMarginLeft(10);
    chart.SetMarginRight(18);
    chart.SetMarginTop(20);
    chart.SetMarginBottom(28);
    chart.ScaleX(1).SetRangeHigh(1000);
    chart.Loaded();
    shell.SetView(&view);
    auto plot = [&](double y) {
        chart.ClearItems();
        chart.MoveToPoint(0, 0);
        chart.LineToPoint(1000, y);
        chart.ShowItems();
    };
    plot(0.5);
    EXPECT_EQ(view.updates, 1);
    EXPECT_EQ(view.area, (std::vector<QRect>{QRect(0, 0, 785, 281)})); // the first picture
    plot(0.5);
    EXPECT_EQ(view.updates, 1);
    plot(0.25);
    ASSERT_EQ(view.updates, 2);
    // Only where the old and the new line are: a band of the plot, not the whole control.
    ASSERT_FALSE(view.area.empty());
    for (const QRect& r : view.area)
        EXPECT_TRUE(ToQRect(shell.Layout().PlotRect()).contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    EXPECT_EQ(shell.FrameImage(), shell.Picture());
}

// A view that changes the chart while the chart tells it about a new picture: the repaint that
// setter asks for does not run inside the one in progress, and the next one shows the change.
TEST(ChartCache, NoRepaintRunsInsideAnother)
{
    QtChart shell;
    Chart& chart = shell.Core();
    chart.SetAutoRedraw(true);
    struct MeddlingView final : public ChartView
    {
        Chart* chart = nullptr;
        int updates = 0;
        QSize ChartViewSize() const override { return {280, 200}; }
        bool ChartViewReady() const override { return true; }
        void ChartViewUpdate(const std::vector<QRect>&) override
        {
            if (++updates == 1)
                chart->SetChartColor(clYellow); // repaints at once, with AutoRedraw
        }
        void ChartViewMinimumSize(QSize) override {}
    } view;
    view.chart = &chart;
    shell.SetView(&view);
    shell.Paint();
    EXPECT_EQ(view.updates, 1);
    EXPECT_EQ(shell.FrameImage().pixelColor(60, 50), QColor(Qt::white));
    shell.PaintIfChanged();
    EXPECT_EQ(view.updates, 2);
    EXPECT_EQ(shell.FrameImage().pixelColor(60, 50), QColor(255, 255, 0));
    EXPECT_EQ(shell.FrameImage(), shell.Picture());
}

TEST(ChartCache, AChartWithoutAViewDrawsOnlyWhenAsked)
{
    QtChart shell;
    Chart& chart = shell.Core();
    chart.MoveToPoint(0, 0);
    chart.LineToPoint(1, 1);
    chart.ShowItems();
    EXPECT_TRUE(shell.FrameImage().isNull());
    EXPECT_EQ(shell.Picture().size(), QSize(280, 200));
}

} // namespace
