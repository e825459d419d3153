#pragma once

#include "chart.h"
#include "qtcanvas.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Where a chart shows its pictures: the widget that wraps it. The chart paints only while the
// view lets it and tells the view what it changed.
class ChartView
{
public:
    virtual QSize ChartViewSize() const = 0;
    // The window exists and is not hidden.
    virtual bool ChartViewReady() const = 0;
    // The frame image changed in `area`; the view copies it on its next paint.
    virtual void ChartViewUpdate(const std::vector<QRect>& area) = 0;
    // The margins changed the smallest size the chart may have.
    virtual void ChartViewMinimumSize(QSize size) = 0;

protected:
    ~ChartView() = default;
};

// The Qt side of a core Chart: it presents the chart in a view through pixel caches. The static
// picture (surround, shadow, caption, axes) and a few plot backgrounds are kept until the
// chart's change bits say otherwise; the frame image is the static picture with the items and
// labels drawn over it, brought up to date at ShowItems, and the view only copies it.
class QtChart final : private ChartPresenter
{
public:
    explicit QtChart(std::unique_ptr<Chart> chart = std::make_unique<Chart>());
    ~QtChart();
    QtChart(const QtChart&) = delete;
    QtChart& operator=(const QtChart&) = delete;

    Chart& Core() { return *m_chart; }
    const Chart& Core() const { return *m_chart; }

    // The layout of the current state as the chart's own images measure text.
    const ChartLayout& Layout();
    // The whole chart as an image of its size.
    QImage Picture() const;

    void SetView(ChartView* view);
    // The frame image the view shows; null before the first paint.
    const QImage& FrameImage() const { return m_frame.image(); }
    // A full paint of the current state into the frame image, when the view lets it.
    void Paint() { present(ChartPaintScope::Whole); }
    // A full paint unless the frame image already shows the current state: what a repaint
    // the window system asks for needs.
    void PaintIfChanged();

private:
    void ChartPaint(ChartPaintScope scope) override { present(scope); }
    void ChartMinimumSizeChanged(Size minimum) override;

    void syncViewSize();
    bool canPaint() const;
    void present(ChartPaintScope scope);
    void compose(ChartPaintScope scope, const ChartLayout& layout);
    void usePlotBackground(const ChartLayout& layout);
    // Whether items and labels would come out as the frame image already shows them.
    bool dynamicPartsAsShown(const ChartLayout& layout) const;
    void rememberDynamicParts(const ChartLayout& layout);

    std::unique_ptr<Chart> m_chart;
    RasterTextMetrics m_metrics;
    bool m_presenting = false;

    // The static picture in two parts: the frame (surround, shadow, caption, axes) and the plot
    // background with its grid. A few plot backgrounds are kept, one per plot colour: the
    // receiver chart takes a channel's colour, or white, as keys are typed.
    struct PlotBackground
    {
        TColor chartColor, gridColor, frameColor;
        ChartLayout::Grid grid;
        std::unique_ptr<QtCanvas> picture; // control-sized; only the plot area is drawn
        std::uint64_t serial;
    };
    static constexpr std::size_t PlotBackgrounds = 3;
    static constexpr std::int64_t MaxCachedPixels = 4096 * 4096;
    QtCanvas m_static;
    bool m_staticStale = true;
    std::vector<PlotBackground> m_plotBackgrounds; // the one in use first
    std::uint64_t m_plotBackgroundsDrawn = 0;
    // Count the drawings of the static parts, and which the frame image was made of.
    std::uint64_t m_staticFrameSerial = 0;
    std::uint64_t m_staticPlotSerial = 0;
    std::uint64_t m_composedFrameSerial = 0;
    std::uint64_t m_composedPlotSerial = 0;
    QtCanvas m_frame; // the static picture with items and labels over it
    std::vector<Rect> m_damage; // what the items and labels cover in the frame image
    // What the items and labels in the frame image were drawn from.
    struct ShownDynamicParts
    {
        std::vector<TChartItem> items;
        std::vector<std::pair<ChartLayout::Label, TextLabelData>> labels;
        std::array<bool, Chart::Layers> layerVisible{};
        std::array<bool, 256> classVisible{};
    } m_shown;
    std::uint64_t m_paintedVersion = 0;
    ChartView* m_view = nullptr;
};
