#include "core/chart/layerpresenter.h"

#include "core/chart/chartrender.h"

#include <algorithm>

// A single canvas that keeps what was drawn on it: both layers at once.
class LayerPresenter::CanvasHost final : public ChartLayerHost
{
public:
    explicit CanvasHost(Canvas& canvas)
        : m_canvas(canvas)
    {
    }

    bool PrepareLayers() override { return true; }
    Canvas& LayerCanvas(Layer) override { return m_canvas; }
    bool LayerFits(Layer, Size size) const override { return m_canvas.size() == size; }
    void FitLayer(Layer layer, Size size) override
    {
        if (!LayerFits(layer, size))
            m_canvas.resize(size.width, size.height);
    }
    void DropStaticLayer() override {}
    void CopyStaticToFrame(const Rect&) override {}
    void LimitFrame(const Rect*) override {}
    void FrameChanged(const std::vector<Rect>&) override {}
    void MinimumSizeChanged(Size) override {}

private:
    Canvas& m_canvas;
};

LayerPresenter::LayerPresenter(Chart& chart, ChartLayerHost& host)
    : m_chart(chart)
    , m_host(host)
{
    m_chart.SetPresenter(this);
}

LayerPresenter::LayerPresenter(Chart& chart, Canvas& canvas)
    : m_chart(chart)
    , m_canvasHost(std::make_unique<CanvasHost>(canvas))
    , m_host(*m_canvasHost)
{
    m_chart.SetPresenter(this);
}

LayerPresenter::~LayerPresenter()
{
    m_chart.SetPresenter(nullptr);
}

void LayerPresenter::ChartMinimumSizeChanged(Size minimum)
{
    m_host.MinimumSizeChanged(minimum);
}

void LayerPresenter::Present(ChartPaintScope scope)
{
    if (m_chart.IsLoading() || m_presenting || !m_host.PrepareLayers())
        return;
    m_presenting = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_presenting};
    const ChartLayout& layout = m_chart.Layout();
    const Size size = m_chart.GetSize();
    // What this paint shows; a change made while it runs (by the host) is left for the next.
    const std::uint64_t version = m_chart.Version();
    if (!keepsStaticLayer())
        presentInPlace(layout);
    else if (std::int64_t(size.width) * size.height > MaxCachedPixels)
        presentUncached(layout);
    else
        presentLayered(scope, layout);
    m_paintedVersion = version;
    // The one place where a paint changes the chart: the classic device's surface keeps the font
    // of the last visible axis it drew, and the caption is drawn in that font from the next paint
    // on. Only a whole paint draws the axes.
    if (scope == ChartPaintScope::Whole)
        m_chart.WholePainted(layout);
}

ChartRedraw LayerPresenter::Pending()
{
    const ChartLayout& layout = m_chart.Layout();
    const Size size = m_chart.GetSize();
    const bool keptStale = keepsStaticLayer()
                           && (!m_host.LayerFits(Layer::Static, size) || m_composedSerial != m_staticSerial);
    if (m_staticStale || (m_chart.Changes() & ChangeStaticPicture) || !m_host.LayerFits(Layer::Frame, size) || keptStale)
        return ChartRedraw::Frame;
    if (!(m_composedLook == plotLook(layout)) || !dynamicPartsAsShown(layout))
        return ChartRedraw::Plot;
    return ChartRedraw::Nothing;
}

// The canvas keeps its picture: the static picture under the plot is drawn again only when it
// changed, the plot, which it does not keep apart, whole over it when anything in it changed,
// and nothing when the run draws what the canvas shows (a key that changes one chart of four).
void LayerPresenter::presentInPlace(const ChartLayout& layout)
{
    const ChartState& state = m_chart.State();
    const Size size = m_chart.GetSize();
    Canvas& canvas = m_host.LayerCanvas(Layer::Frame);
    const bool staticChanged =
        m_staticStale || (m_chart.Changes() & ChangeStaticPicture) || !m_host.LayerFits(Layer::Frame, size);
    if (!staticChanged && m_composedLook == plotLook(layout) && dynamicPartsAsShown(layout)) {
        m_chart.ClearChanges(ChangeStaticPicture | ChangePlotBackground | ChangeItems);
        return;
    }
    if (staticChanged) {
        m_host.FitLayer(Layer::Frame, size);
        RenderChart(state, layout, canvas, ChartParts::Frame);
        m_staticStale = false;
    }
    RenderChart(state, layout, canvas, ChartParts::PlotBackground);
    RenderChart(state, layout, canvas, ChartParts::Dynamic);
    m_chart.ClearChanges(ChangeStaticPicture | ChangePlotBackground | ChangeItems);
    m_composedLook = plotLook(layout);
    rememberDynamicParts(layout);
}

// A chart far larger than any screen gets no kept static picture beside its frame layer, as
// that would double its memory: it is drawn whole each time.
void LayerPresenter::presentUncached(const ChartLayout& layout)
{
    const Size size = m_chart.GetSize();
    m_host.DropStaticLayer();
    m_host.FitLayer(Layer::Frame, size);
    RenderChart(m_chart.State(), layout, m_host.LayerCanvas(Layer::Frame), ChartParts::All);
    m_staticStale = true;
    m_composedSerial = 0; // a smaller chart is composed afresh
    m_host.FrameChanged({Rect::FromSize(size)});
}

// The static picture is drawn when it changed; the frame layer is brought up to date from it
// where anything changed.
void LayerPresenter::presentLayered(ChartPaintScope scope, const ChartLayout& layout)
{
    const Size size = m_chart.GetSize();
    if ((m_chart.Changes() & ChangeStaticPicture) || m_staticStale || !m_host.LayerFits(Layer::Static, size)) {
        m_host.FitLayer(Layer::Static, size);
        RenderChart(m_chart.State(), layout, m_host.LayerCanvas(Layer::Static), ChartParts::Frame);
        m_staticStale = false;
        ++m_staticSerial;
    }
    m_chart.ClearChanges(ChangeStaticPicture | ChangePlotBackground | ChangeItems);
    // A run that draws what is already there (a key that changes one chart of four) leaves the
    // frame layer as it is.
    if (!m_host.LayerFits(Layer::Frame, size) || m_composedSerial != m_staticSerial
        || !(m_composedLook == plotLook(layout)) || !dynamicPartsAsShown(layout))
        compose(scope, layout);
}

void LayerPresenter::compose(ChartPaintScope scope, const ChartLayout& layout)
{
    const ChartState& state = m_chart.State();
    const Size size = m_chart.GetSize();
    const Rect plotRect = layout.PlotRect();
    const PlotLook look = plotLook(layout);
    Canvas& frame = m_host.LayerCanvas(Layer::Frame);
    std::vector<Rect> area;
    const bool fits = m_host.LayerFits(Layer::Frame, size);
    if (!fits || m_composedSerial != m_staticSerial) {
        // The plot redraw of AutoRedraw leaves the frame around the plot as it was.
        area.push_back(scope == ChartPaintScope::PlotArea && fits ? plotRect : Rect::FromSize(size));
        m_host.FitLayer(Layer::Frame, size);
        if (area.back() != plotRect)
            m_host.CopyStaticToFrame(area.back());
        RenderChart(state, layout, frame, ChartParts::PlotBackground);
    } else if (!(m_composedLook == look)) {
        area.push_back(plotRect);
        RenderChart(state, layout, frame, ChartParts::PlotBackground);
    } else {
        // Drawn, the background is written once; copied from a kept picture, it would also be
        // read. Bands rather than the many small pieces around the traces: every item is drawn
        // again over them.
        area = m_damage;
        MergeIntoBands(area);
        for (const Rect& band : area) {
            m_host.LimitFrame(&band);
            RenderChart(state, layout, frame, ChartParts::PlotBackground);
        }
        m_host.LimitFrame(nullptr);
    }
    m_composedSerial = m_staticSerial;
    m_composedLook = look;
    m_damage.clear();
    RenderChart(state, layout, frame, ChartParts::Dynamic, &m_damage);
    area.insert(area.end(), m_damage.begin(), m_damage.end());
    rememberDynamicParts(layout);
    MergeIntoBands(area);
    m_host.FrameChanged(area);
}

LayerPresenter::PlotLook LayerPresenter::plotLook(const ChartLayout& layout) const
{
    const ChartState& state = m_chart.State();
    return {state.ChartColor, state.GridColor, state.ChartFrameColor, layout.grid};
}

bool LayerPresenter::dynamicPartsAsShown(const ChartLayout& layout) const
{
    const ChartState& state = m_chart.State();
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

void LayerPresenter::rememberDynamicParts(const ChartLayout& layout)
{
    const ChartState& state = m_chart.State();
    m_shown.items.assign(state.Items.begin(), state.Items.end());
    m_shown.labels.clear();
    for (const ChartLayout::Label& label : layout.labels)
        m_shown.labels.emplace_back(label, state.Labels[std::size_t(label.index - 1)]);
    m_shown.layerVisible = state.LayerVisible;
    m_shown.classVisible = state.ClassVisible;
}

void MergeIntoBands(std::vector<Rect>& rects)
{
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) { return a.top() < b.top(); });
    std::vector<Rect> bands;
    for (const Rect& r : rects) {
        if (!bands.empty() && r.top() <= bands.back().bottom() + 1)
            bands.back() = bands.back().united(r);
        else
            bands.push_back(r);
    }
    rects.swap(bands);
}
