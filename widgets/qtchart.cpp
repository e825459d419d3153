#include "widgets/qtchart.h"

#include "widgets/qtconvert.h"

QtChart::QtChart(std::unique_ptr<Chart> chart)
    : m_chart(std::move(chart))
    , m_presenter(*m_chart, *this)
{
    m_chart->SetTextMetrics(&m_metrics);
}

QtChart::~QtChart()
{
    m_chart->SetTextMetrics(nullptr);
}

void QtChart::MinimumSizeChanged(Size minimum)
{
    if (m_view)
        m_view->ChartViewMinimumSize(ToQSize(minimum));
}

const ChartLayout& QtChart::Layout()
{
    syncViewSize();
    return m_chart->Layout();
}

QImage QtChart::Picture() const
{
    QtCanvas canvas(m_chart->Width(), m_chart->Height());
    m_chart->RenderTo(canvas);
    return canvas.image();
}

void QtChart::SetView(ChartView* view)
{
    m_view = view;
    if (m_view)
        m_view->ChartViewMinimumSize(ToQSize(m_chart->MinimumSize()));
    syncViewSize();
}

void QtChart::syncViewSize()
{
    if (m_view) {
        const QSize s = m_view->ChartViewSize();
        m_chart->Resize(s.width(), s.height());
    }
}

bool QtChart::PrepareLayers()
{
    if (!m_view || !m_view->ChartViewReady())
        return false;
    syncViewSize();
    return true;
}

void QtChart::SetFrameFormat(QImage::Format format)
{
    if (QtCanvas::Holds(format))
        m_format = format;
}

bool QtChart::FrameFits() const
{
    return LayerFits(Layer::Frame, m_chart->GetSize());
}

bool QtChart::LayerFits(Layer layer, Size size) const
{
    const QImage& image = (layer == Layer::Static ? m_static : m_frame).image();
    return !image.isNull() && image.size() == ToQSize(size) && image.format() == m_format;
}

void QtChart::FitLayer(Layer layer, Size size)
{
    QtCanvas& canvas = layer == Layer::Static ? m_static : m_frame;
    canvas.setFormat(m_format);
    canvas.resize(size.width, size.height);
}

void QtChart::CopyStaticToFrame(const Rect& area)
{
    m_frame.copyArea(m_static, ToQRect(area));
}

void QtChart::LimitFrame(const Rect* area)
{
    if (area)
        m_frame.setLimit(ToQRect(*area));
    else
        m_frame.clearLimit();
}

void QtChart::FrameChanged(const std::vector<Rect>& bands)
{
    m_bands.clear();
    for (const Rect& band : bands)
        m_bands.push_back(ToQRect(band));
    m_view->ChartViewUpdate(m_bands);
}

void QtChart::PaintIfChanged()
{
    syncViewSize();
    if (m_presenter.PaintedVersion() != m_chart->Version() || !FrameFits())
        m_presenter.Present(ChartPaintScope::Whole);
}
