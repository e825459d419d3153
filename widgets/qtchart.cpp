#include "qtchart.h"

#include "qtconvert.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace {

QRect fullRect(QSize size)
{
    return QRect(QPoint(0, 0), size);
}

// Rectangles that overlap vertically become their bounding rectangle: the traces lie in bands
// across the plot, so the view gets a few bands to copy instead of many small pieces.
void mergeIntoBands(std::vector<QRect>& rects)
{
    std::sort(rects.begin(), rects.end(), [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    std::vector<QRect> bands;
    for (const QRect& r : rects) {
        if (!bands.empty() && r.top() <= bands.back().bottom() + 1)
            bands.back() |= r;
        else
            bands.push_back(r);
    }
    rects.swap(bands);
}

} // namespace

QtChart::QtChart(std::unique_ptr<Chart> chart)
    : m_chart(std::move(chart))
{
    m_chart->SetTextMetrics(&m_metrics);
    m_chart->SetPresenter(this);
}

QtChart::~QtChart()
{
    m_chart->SetPresenter(nullptr);
    m_chart->SetTextMetrics(nullptr);
}

void QtChart::ChartMinimumSizeChanged(Size minimum)
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

bool QtChart::canPaint() const
{
    return !m_chart->IsLoading() && m_view && m_view->ChartViewReady();
}

void QtChart::SetFrameFormat(QImage::Format format)
{
    if (QtCanvas::Holds(format))
        m_format = format;
}

bool QtChart::FrameFits() const
{
    const QImage& frame = m_frame.image();
    return !frame.isNull() && frame.size() == ToQSize(m_chart->GetSize()) && frame.format() == m_format;
}

void QtChart::PaintIfChanged()
{
    syncViewSize();
    if (m_paintedVersion != m_chart->Version() || !FrameFits())
        present(ChartPaintScope::Whole);
}

bool QtChart::dynamicPartsAsShown(const ChartLayout& layout) const
{
    const ChartState& state = m_chart->State();
    if (!std::equal(state.Items.begin(), state.Items.end(), m_shown.items.begin(), m_shown.items.end()))
        return false;
    if (layout.labels.size() != m_shown.labels.size())
        return false;
    for (std::size_t i = 0; i < layout.labels.size(); ++i) {
        const ChartLayout::Label& label = layout.labels[i];
        if (!(label == m_shown.labels[i].first) || !(state.Labels[std::size_t(label.index - 1)] == m_shown.labels[i].second))
            return false;
    }
    return state.LayerVisible == m_shown.layerVisible && state.ClassVisible == m_shown.classVisible;
}

void QtChart::rememberDynamicParts(const ChartLayout& layout)
{
    const ChartState& state = m_chart->State();
    m_shown.items.assign(state.Items.begin(), state.Items.end());
    m_shown.labels.clear();
    for (const ChartLayout::Label& label : layout.labels)
        m_shown.labels.emplace_back(label, state.Labels[std::size_t(label.index - 1)]);
    m_shown.layerVisible = state.LayerVisible;
    m_shown.classVisible = state.ClassVisible;
}

QtChart::PlotLook QtChart::plotLook(const ChartLayout& layout) const
{
    const ChartState& state = m_chart->State();
    return {state.ChartColor, state.GridColor, state.ChartFrameColor, layout.grid};
}

// The static picture is drawn when it changed; the frame image is brought up to date from it
// where anything changed.
void QtChart::present(ChartPaintScope scope)
{
    // A repaint asked for while one runs (a setter called from a view's handler) has nothing
    // to add: the running one shows the state as it finishes.
    if (!canPaint() || m_presenting)
        return;
    const QScopedValueRollback<bool> presenting(m_presenting, true);
    const ChartLayout& layout = Layout();
    const ChartState& state = m_chart->State();
    const QSize size = ToQSize(m_chart->GetSize());
    // What this paint shows; a change made while it runs (by the view) is left for the next.
    const std::uint64_t version = m_chart->Version();

    // A chart far larger than any screen gets no cached picture beside its frame image: it is
    // drawn whole each time, as a kept picture would double its memory.
    if (std::int64_t(size.width()) * size.height() > MaxCachedPixels) {
        m_static.resize(0, 0);
        m_frame.setFormat(m_format);
        m_frame.resize(size.width(), size.height());
        RenderChart(state, layout, m_frame, ChartParts::All);
        m_staticStale = true;
        m_composedSerial = 0; // a smaller chart is composed afresh
        m_view->ChartViewUpdate({fullRect(size)});
    } else {
        const unsigned changes = m_chart->Changes();
        if ((changes & ChangeStaticPicture) || m_staticStale || m_static.image().size() != size
            || m_static.image().format() != m_format) {
            m_static.setFormat(m_format);
            RenderChart(state, layout, m_static, ChartParts::Frame);
            m_staticStale = false;
            ++m_staticSerial;
        }
        m_chart->ClearChanges(ChangeStaticPicture | ChangePlotBackground | ChangeItems);
        // A run that draws what is already there (a key that changes one chart of four) leaves
        // the frame image as it is.
        if (!FrameFits() || m_composedSerial != m_staticSerial || !(m_composedLook == plotLook(layout))
            || !dynamicPartsAsShown(layout))
            compose(scope, layout);
    }
    m_paintedVersion = version;

    // The surface keeps the font the last visible axis selected: the caption's next time.
    if (scope == ChartPaintScope::Whole)
        m_chart->WholePainted(layout);
}

void QtChart::compose(ChartPaintScope scope, const ChartLayout& layout)
{
    const ChartState& state = m_chart->State();
    const QSize size = ToQSize(m_chart->GetSize());
    const QRect plotRect = ToQRect(layout.PlotRect());
    const PlotLook look = plotLook(layout);
    std::vector<QRect> area;
    const bool fits = FrameFits();
    if (!fits || m_composedSerial != m_staticSerial) {
        // The plot redraw of AutoRedraw leaves the frame around the plot as it was.
        area.push_back(scope == ChartPaintScope::PlotArea && fits ? plotRect : fullRect(size));
        m_frame.setFormat(m_format);
        m_frame.resize(size.width(), size.height());
        if (area.back() != plotRect)
            m_frame.copyArea(m_static, area.back());
        RenderChart(state, layout, m_frame, ChartParts::PlotBackground);
    } else if (!(m_composedLook == look)) {
        area.push_back(plotRect);
        RenderChart(state, layout, m_frame, ChartParts::PlotBackground);
    } else {
        // Drawn, the background is written once; copied from a kept picture, it would also be
        // read. Bands rather than the many small pieces around the traces: every item is drawn
        // again over them.
        for (const Rect& r : m_damage)
            area.push_back(ToQRect(r));
        mergeIntoBands(area);
        for (const QRect& band : area) {
            m_frame.setLimit(band);
            RenderChart(state, layout, m_frame, ChartParts::PlotBackground);
        }
        m_frame.clearLimit();
    }
    m_composedSerial = m_staticSerial;
    m_composedLook = look;
    m_damage.clear();
    RenderChart(state, layout, m_frame, ChartParts::Dynamic, &m_damage);
    for (const Rect& r : m_damage)
        area.push_back(ToQRect(r));
    rememberDynamicParts(layout);
    mergeIntoBands(area);
    m_view->ChartViewUpdate(area);
}
