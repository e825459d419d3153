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
// picture (surround, shadow, caption, axes) is kept until the chart's change bits say otherwise;
// the frame image is the static picture with the plot background, items and labels drawn over
// it, brought up to date at ShowItems: where items and labels were, the plot background is drawn
// again and all of them over it. The view only copies the bands that changed.
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
    // The pixel format of the surface the view copies the frame image to: the frame image takes
    // it where it can, so that the copy converts nothing. The next paint draws it afresh.
    void SetFrameFormat(QImage::Format format);
    QImage::Format FrameFormat() const { return m_format; }
    // A full paint of the current state into the frame image, when the view lets it.
    void Paint() { present(ChartPaintScope::Whole); }
    // A full paint unless the frame image already shows the current state: what a repaint
    // the window system asks for needs.
    void PaintIfChanged();
    // Whether the frame image fits the chart's size and format: a view may copy it as it is.
    bool FrameFits() const;

private:
    void ChartPaint(ChartPaintScope scope) override { present(scope); }
    void ChartMinimumSizeChanged(Size minimum) override;

    void syncViewSize();
    bool canPaint() const;
    void present(ChartPaintScope scope);
    void compose(ChartPaintScope scope, const ChartLayout& layout);
    // Whether items and labels would come out as the frame image already shows them.
    bool dynamicPartsAsShown(const ChartLayout& layout) const;
    void rememberDynamicParts(const ChartLayout& layout);

    std::unique_ptr<Chart> m_chart;
    RasterTextMetrics m_metrics;
    bool m_presenting = false;
    QImage::Format m_format = QImage::Format_RGB32;

    // What the plot background is drawn from.
    struct PlotLook
    {
        TColor chartColor = 0, gridColor = 0, frameColor = 0;
        ChartLayout::Grid grid;
        bool operator==(const PlotLook&) const = default;
    };
    PlotLook plotLook(const ChartLayout& layout) const;

    static constexpr std::int64_t MaxCachedPixels = 4096 * 4096;
    // The frame around the plot: surround, shadow, caption, axes.
    QtCanvas m_static;
    bool m_staticStale = true;
    // Count the drawings of the static picture, and which the frame image was made of.
    std::uint64_t m_staticSerial = 0;
    std::uint64_t m_composedSerial = 0;
    PlotLook m_composedLook; // the plot background in the frame image
    QtCanvas m_frame; // the static picture with the plot background, items and labels over it
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
