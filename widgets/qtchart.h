#pragma once

#include "core/chart/chart.h"
#include "core/chart/layerpresenter.h"
#include "widgets/qtcanvas.h"

#include <QImage>
#include <QRect>
#include <QSize>

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

// The Qt side of a core Chart: its two layers as images in the pixel format of the view's
// surface, which the core's presenter draws and composes, and the view that shows the frame
// image in the bands that changed.
class QtChart final : private ChartLayerHost
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
    void Paint() { m_presenter.Present(ChartPaintScope::Whole); }
    // A full paint unless the frame image already shows the current state: what a repaint
    // the window system asks for needs.
    void PaintIfChanged();
    // Whether the frame image fits the chart's size and format: a view may copy it as it is.
    bool FrameFits() const;

private:
    bool PrepareLayers() override;
    Canvas& LayerCanvas(Layer layer) override { return layer == Layer::Static ? m_static : m_frame; }
    bool LayerFits(Layer layer, Size size) const override;
    void FitLayer(Layer layer, Size size) override;
    void DropStaticLayer() override { m_static.resize(0, 0); }
    void CopyStaticToFrame(const Rect& area) override;
    void LimitFrame(const Rect* area) override;
    void FrameChanged(const std::vector<Rect>& bands) override;
    void MinimumSizeChanged(Size minimum) override;

    void syncViewSize();

    std::unique_ptr<Chart> m_chart;
    RasterTextMetrics m_metrics;
    QImage::Format m_format = QImage::Format_RGB32;
    QtCanvas m_static; // the frame around the plot: surround, shadow, caption, axes
    QtCanvas m_frame;  // the static picture with the plot background, items and labels over it
    ChartView* m_view = nullptr;
    std::vector<QRect> m_bands;
    LayerPresenter m_presenter;
};
