#pragma once

#include "core/chart/canvas.h"
#include "core/chart/chart.h"
#include "core/chart/chartlayout.h"
#include "core/chart/chartstate.h"
#include "core/chart/geometry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// What a chart's picture needs before it shows the chart's current state, least first.
enum class ChartRedraw
{
    Nothing, // it shows it already
    Plot,    // the plot: its background, the items and the labels
    Frame,   // the static picture around the plot too, and with it everything
};

// The surfaces a shell keeps a chart's two layers on, and the view it shows them in. The static
// layer holds the frame around the plot (surround, shadow, caption, axes); the frame layer is
// what the view shows: the static picture with the plot background, items and labels over it.
class ChartLayerHost
{
public:
    enum class Layer { Static, Frame };

    // Makes ready to paint (a view gives the chart its size); false when nothing may be painted
    // now (no view, or a hidden one).
    virtual bool PrepareLayers() = 0;
    virtual Canvas& LayerCanvas(Layer layer) = 0;
    // Whether a layer holds a picture of `size` that drawing may go on from.
    virtual bool LayerFits(Layer layer, Size size) const = 0;
    // Gives a layer `size` and the shell's pixel format; one that did not fit is blank then.
    virtual void FitLayer(Layer layer, Size size) = 0;
    // Frees what the static layer holds: a chart too large to keep twice is drawn whole.
    virtual void DropStaticLayer() = 0;
    // Copies `area` of the static layer into the frame layer, whatever the clip.
    virtual void CopyStaticToFrame(const Rect& area) = 0;
    // Confines all drawing on the frame layer to `area`, whatever clip the drawing sets; null lifts it.
    virtual void LimitFrame(const Rect* area) = 0;
    // The frame layer changed in `bands`.
    virtual void FrameChanged(const std::vector<Rect>& bands) = 0;
    // The margins changed the smallest size the chart may have.
    virtual void MinimumSizeChanged(Size minimum) = 0;

protected:
    ~ChartLayerHost() = default;
};

// Presents a chart in two layers and decides from the chart's change bits and from what it drew
// last what to draw again: the static picture only when it changed, the plot background under
// the items and labels only where they were, nothing when a run draws what is shown already.
//
// Over a shell's host the static picture is kept on a layer of its own and composed into the
// frame layer. Over a single canvas, which keeps what was drawn on it (a browser's canvas, a
// recording), the static picture is drawn into it where it changed and the plot is drawn whole
// over it at every paint.
class LayerPresenter final : private ChartPresenter
{
public:
    // Charts larger than this many pixels keep no static picture beside the frame layer.
    static constexpr std::int64_t MaxCachedPixels = 4096 * 4096;

    // The chart and the host or canvas outlive the presenter, which is the chart's presenter
    // until it ends.
    LayerPresenter(Chart& chart, ChartLayerHost& host);
    LayerPresenter(Chart& chart, Canvas& canvas);
    ~LayerPresenter();
    LayerPresenter(const LayerPresenter&) = delete;
    LayerPresenter& operator=(const LayerPresenter&) = delete;

    // Brings the layers up to date with the chart, when the host lets it. A paint asked for while
    // one runs (by a setter that a host's handler calls) adds nothing: the running one shows the
    // state as it finishes.
    void Present(ChartPaintScope scope);
    // What the next paint has to draw, for a shell that paints only the charts whose picture
    // changed.
    ChartRedraw Pending();
    // The chart's Version() that the last paint showed.
    std::uint64_t PaintedVersion() const { return m_paintedVersion; }

private:
    using Layer = ChartLayerHost::Layer;
    class CanvasHost;

    // What the plot background is drawn from.
    struct PlotLook
    {
        TColor chartColor = 0, gridColor = 0, frameColor = 0;
        ChartLayout::Grid grid;
        bool operator==(const PlotLook&) const = default;
    };
    // What the items and labels on the frame layer were drawn from.
    struct ShownDynamicParts
    {
        std::vector<TChartItem> items;
        std::vector<std::pair<ChartLayout::Label, TextLabelData>> labels;
        std::array<bool, Chart::Layers> layerVisible{};
        std::array<bool, 256> classVisible{};
    };

    void ChartPaint(ChartPaintScope scope) override { Present(scope); }
    void ChartMinimumSizeChanged(Size minimum) override;

    bool keepsStaticLayer() const { return m_canvasHost == nullptr; }
    void presentInPlace(const ChartLayout& layout);
    void presentUncached(const ChartLayout& layout);
    void presentLayered(ChartPaintScope scope, const ChartLayout& layout);
    void compose(ChartPaintScope scope, const ChartLayout& layout);
    PlotLook plotLook(const ChartLayout& layout) const;
    // Whether items and labels would come out as the frame layer already shows them.
    bool dynamicPartsAsShown(const ChartLayout& layout) const;
    void rememberDynamicParts(const ChartLayout& layout);

    Chart& m_chart;
    std::unique_ptr<CanvasHost> m_canvasHost;
    ChartLayerHost& m_host;
    bool m_presenting = false;
    bool m_staticStale = true;
    // Count the drawings of the static picture, and which the frame layer was made of.
    std::uint64_t m_staticSerial = 0;
    std::uint64_t m_composedSerial = 0;
    PlotLook m_composedLook; // the plot background on the frame layer
    std::vector<Rect> m_damage; // what the items and labels cover on the frame layer
    ShownDynamicParts m_shown;
    std::uint64_t m_paintedVersion = 0;
};

// Rectangles that overlap vertically, or touch, become their bounding rectangle: the traces lie
// in bands across the plot, so a few bands are drawn and copied instead of many small pieces.
void MergeIntoBands(std::vector<Rect>& rects);
