// The presenter that decides what of a chart to draw again: on one canvas that keeps its picture,
// and over a host that keeps the static picture on a layer of its own.
#include "core/chart/layerpresenter.h"
#include "tests/core/chart/chart_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace charttest;

namespace {

using OpKind = RecordingCanvas::OpKind;
using Layer = ChartLayerHost::Layer;

const FontDesc AxisFont{"DejaVu Serif", 17, 0, 0};

// The receiver chart with an axis font of its own and one trace.
void configure(Chart& c)
{
    configureRcd(c);
    c.ScaleX(1).SetFont(AxisFont);
    stepTrace(c, {1, -1, 1, 1}, 250);
}

// The frame is drawn from a resize of the surface on; the plot from its clip on.
bool drewFrame(const RecordingCanvas& canvas)
{
    return !canvas.ops(OpKind::Resize).empty();
}

bool drewPlot(const RecordingCanvas& canvas)
{
    return !canvas.ops(OpKind::Clip).empty();
}

FontDesc captionFont(const RecordingCanvas& canvas)
{
    for (const RecordingCanvas::Op& op : canvas.ops(OpKind::Text))
        if (op.text == "BF_Recovered Signals")
            return op.font;
    ADD_FAILURE() << "no caption drawn";
    return {};
}

// The classic device's surface keeps the font of the last visible axis it drew, and the caption
// is drawn in it from the second paint on: the one change a paint makes to the chart, which the
// presenter makes after each whole paint. A paint of the plot alone draws no axis and leaves it.
TEST(LayerPresenter, TheCaptionTakesTheFontTheLastAxisLeftOnTheSurfaceFromTheSecondWholePaintOn)
{
    Chart c;
    configure(c);
    RecordingCanvas canvas;
    LayerPresenter presenter(c, canvas);
    c.SetAutoRedraw(true);
    c.ShowItems(); // the plot area alone
    EXPECT_EQ(captionFont(canvas), DefaultChartFont());
    EXPECT_EQ(presenter.Pending(), ChartRedraw::Nothing);
    c.SetAutoRedraw(false);
    canvas.clearOps();
    c.ShowItems(); // whole
    EXPECT_FALSE(drewFrame(canvas)) << "nothing around the plot changed before this paint";
    EXPECT_EQ(presenter.Pending(), ChartRedraw::Frame) << "the caption's font changed with it";
    canvas.clearOps();
    c.ShowItems();
    EXPECT_EQ(captionFont(canvas), AxisFont);
    canvas.clearOps();
    c.ShowItems();
    EXPECT_FALSE(drewFrame(canvas)) << "a second whole paint changes nothing more";
}

// On a canvas that keeps its picture the frame around the plot is drawn only when it changed, the
// plot whole when anything in it changed, and nothing when a paint would draw what is shown. What
// is pending says what a paint draws.
TEST(LayerPresenter, OnOneCanvasTheFrameIsDrawnWhenItChangedAndThePlotWhenItChanged)
{
    Chart c;
    configure(c);
    RecordingCanvas canvas;
    LayerPresenter presenter(c, canvas);
    EXPECT_EQ(presenter.Pending(), ChartRedraw::Frame) << "never drawn";
    c.ShowItems();
    c.ShowItems(); // the caption in the axis font
    EXPECT_EQ(canvas.size(), c.GetSize());
    EXPECT_EQ(presenter.Pending(), ChartRedraw::Nothing);
    EXPECT_EQ(presenter.PaintedVersion(), c.Version());

    struct Step
    {
        const char* what;
        std::function<void()> change;
        ChartRedraw pending;
    };
    const Step steps[] = {
        {"nothing", [] {}, ChartRedraw::Nothing},
        {"the same trace again", [&] { c.ClearItems(); stepTrace(c, {1, -1, 1, 1}, 250); }, ChartRedraw::Nothing},
        {"another trace", [&] { stepTrace(c, {-1, 1}, 250); }, ChartRedraw::Plot},
        {"a hidden layer", [&] { c.SetLayerVisible(1, false); }, ChartRedraw::Plot},
        {"the plot's colour", [&] { c.SetChartColor(clYellow); }, ChartRedraw::Plot},
        {"a label", [&] {
             TTextLabel* label = c.TextLabel(1);
             label->SetCaption("H");
             label->SetPosX(500);
             label->SetPosY(0);
             label->SetMode(tlsimple);
             label->SetLayer(2);
             label->SetVisible(true);
         }, ChartRedraw::Plot},
        {"the caption", [&] { c.SetCaption("Receiver"); }, ChartRedraw::Frame},
        {"the size", [&] { c.Resize(c.Width() + 10, c.Height()); }, ChartRedraw::Frame},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(presenter.Pending(), step.pending);
        canvas.clearOps();
        c.ShowItems();
        EXPECT_EQ(drewFrame(canvas), step.pending == ChartRedraw::Frame);
        EXPECT_EQ(drewPlot(canvas), step.pending != ChartRedraw::Nothing);
        EXPECT_EQ(canvas.ops().empty(), step.pending == ChartRedraw::Nothing);
        EXPECT_EQ(canvas.size(), c.GetSize());
        EXPECT_EQ(presenter.Pending(), ChartRedraw::Nothing);
    }
}

// Two recorded layers, with what the presenter asked of them.
struct Host final : ChartLayerHost
{
    RecordingCanvas layers[2];
    bool ready = true;
    int drops = 0;
    std::vector<Rect> copies, limits;
    std::vector<std::vector<Rect>> changes;

    RecordingCanvas& of(Layer layer) { return layers[layer == Layer::Static ? 0 : 1]; }
    void clear()
    {
        for (RecordingCanvas& layer : layers)
            layer.clearOps();
        copies.clear();
        limits.clear();
        changes.clear();
    }

    bool PrepareLayers() override { return ready; }
    Canvas& LayerCanvas(Layer layer) override { return of(layer); }
    bool LayerFits(Layer layer, Size size) const override
    {
        return layers[layer == Layer::Static ? 0 : 1].size() == size;
    }
    void FitLayer(Layer layer, Size size) override
    {
        if (!LayerFits(layer, size))
            of(layer).resize(size.width, size.height);
    }
    void DropStaticLayer() override
    {
        ++drops;
        of(Layer::Static).resize(0, 0);
    }
    void CopyStaticToFrame(const Rect& area) override { copies.push_back(area); }
    void LimitFrame(const Rect* area) override
    {
        if (area)
            limits.push_back(*area);
    }
    void FrameChanged(const std::vector<Rect>& bands) override { changes.push_back(bands); }
    void MinimumSizeChanged(Size) override {}
};

// Over a host the static picture is drawn once and copied; after that only the plot is drawn
// again, under changed items only where items were, and a run that draws what is shown asks the
// view for nothing.
TEST(LayerPresenter, OverAHostTheStaticPictureIsKeptAndThePlotRedrawnWhereItemsWere)
{
    Chart c;
    configure(c);
    Host host;
    LayerPresenter presenter(c, host);
    c.ShowItems();
    c.ShowItems();
    const Rect whole = Rect::FromSize(c.GetSize());
    ASSERT_EQ(host.changes.size(), 2u);
    EXPECT_EQ(host.changes.back(), std::vector<Rect>{whole});
    EXPECT_EQ(host.copies, (std::vector<Rect>{whole, whole}));

    host.clear();
    c.ShowItems();
    EXPECT_TRUE(host.changes.empty()) << "the same picture";
    EXPECT_TRUE(host.layers[0].ops().empty());
    EXPECT_TRUE(host.layers[1].ops().empty());

    host.clear();
    c.ClearItems();
    stepTrace(c, {1, 1, -1, -1}, 250);
    c.ShowItems();
    EXPECT_TRUE(host.layers[0].ops().empty()) << "the static picture is kept";
    EXPECT_TRUE(host.copies.empty());
    ASSERT_FALSE(host.limits.empty()) << "the background is drawn again under the old trace only";
    const Rect plot = c.Layout().PlotRect();
    for (const Rect& band : host.limits)
        EXPECT_EQ(band.intersected(plot), band);
    ASSERT_EQ(host.changes.size(), 1u);
    for (const Rect& band : host.changes[0])
        EXPECT_EQ(band.intersected(plot), band);

    host.clear();
    c.SetGridColor(clRed);
    c.ShowItems();
    EXPECT_TRUE(host.limits.empty()) << "a new look of the plot is drawn whole";
    ASSERT_EQ(host.changes.size(), 1u);
    EXPECT_EQ(host.changes[0].front().intersected(plot), plot);

    host.clear();
    host.ready = false;
    stepTrace(c, {1}, 250);
    const std::uint64_t painted = presenter.PaintedVersion();
    c.ShowItems();
    EXPECT_TRUE(host.changes.empty());
    EXPECT_EQ(presenter.PaintedVersion(), painted);
    EXPECT_EQ(presenter.Pending(), ChartRedraw::Plot);
}

// Up to the limit a chart keeps its static picture; beyond it the chart is drawn whole into the
// frame layer alone.
TEST(LayerPresenter, AChartBeyondTheCachedSizeKeepsNoStaticPicture)
{
    for (const auto& [height, kept] : {std::pair{4096, true}, std::pair{4097, false}}) {
        SCOPED_TRACE(height);
        Chart c;
        configure(c);
        Host host;
        LayerPresenter presenter(c, host);
        c.Resize(4096, height);
        c.ShowItems();
        EXPECT_EQ(host.drops, kept ? 0 : 1);
        EXPECT_EQ(host.of(Layer::Static).size(), kept ? c.GetSize() : Size{});
        EXPECT_EQ(host.copies.size(), kept ? 1u : 0u) << "composed from the kept picture";
        ASSERT_EQ(host.changes.size(), 1u);
        EXPECT_EQ(host.changes[0], std::vector<Rect>{Rect::FromSize(c.GetSize())});
    }
}

TEST(LayerPresenter, BandsJoinWhatOverlapsOrTouchesVertically)
{
    std::vector<Rect> rects{Rect::FromCorners(0, 20, 5, 30), Rect::FromCorners(10, 0, 12, 9),
                            Rect::FromCorners(3, 10, 4, 12), Rect::FromCorners(0, 32, 1, 40)};
    MergeIntoBands(rects);
    EXPECT_EQ(rects, (std::vector<Rect>{Rect::FromCorners(3, 0, 12, 12), Rect::FromCorners(0, 20, 5, 30),
                                        Rect::FromCorners(0, 32, 1, 40)}));
}

} // namespace
