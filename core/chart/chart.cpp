#include "core/chart/chart.h"

#include <algorithm>
#include <cmath>

namespace {

const FixedTextMetrics& fixedMetrics()
{
    static const FixedTextMetrics metrics;
    return metrics;
}

} // namespace

Chart::Chart()
    : m_metrics(&fixedMetrics())
{
    for (int n = 1; n <= Layers; ++n) {
        m_scaleX[std::size_t(n - 1)] = std::make_unique<ScaleProps>(*this, n, true, m_state.ScaleX[std::size_t(n - 1)]);
        m_scaleY[std::size_t(n - 1)] = std::make_unique<ScaleProps>(*this, n, false, m_state.ScaleY[std::size_t(n - 1)]);
    }
    m_joint = std::make_unique<JointLayers>(*this, m_state.JointX, m_state.JointY);
    for (int i = 0; i < LabelCount; ++i) {
        auto& label = m_labels[std::size_t(i)];
        label = std::make_unique<TTextLabel>(m_state.Labels[std::size_t(i)]);
        label->OnChange = [this] { labelChanged(); };
    }
}

Chart::~Chart() = default;

// --- loading ---

void Chart::BeginLoading()
{
    m_loading = true;
}

void Chart::Loaded()
{
    m_loading = false;
    applyJointRanges();
    changed(ChangeLayout);
    Paint();
}

// --- display list ---

void Chart::ClearItems()
{
    m_state.Items.Clear();
    changed(ChangeItems);
}

ChartItemList& Chart::ItemStorage()
{
    changed(ChangeItems); // the caller may change the list through it
    return m_state.Items;
}

void Chart::ShowItems()
{
    present(m_autoRedraw ? ChartPaintScope::PlotArea : ChartPaintScope::Whole);
}

// --- pen state ---

void Chart::SetActiveLayer(int Layer)
{
    if (Layer < 1 || Layer > Layers || Layer == m_state.ActiveLayer)
        return;
    // The grid follows the active layer; the layout compares when it is next needed, since a
    // chart being filled changes layers and comes back to the same one.
    m_state.ActiveLayer = Layer;
    changed(ChangeItems);
    if (m_autoRedraw)
        Paint();
}

void Chart::SetLineWidth(int v)
{
    if (v >= 0 && v <= 255)
        m_state.LineWidth = v;
}

void Chart::SetClassDefault(int v)
{
    if (v >= 0 && v <= 254)
        m_state.ClassDefault = v;
}

bool Chart::ClassVisible(int itemClass) const
{
    return itemClass >= 0 && itemClass <= 255 && m_state.ClassVisible[std::size_t(itemClass)];
}

void Chart::SetClassVisible(int itemClass, bool visible)
{
    if (itemClass >= 0 && itemClass <= 255 && m_state.ClassVisible[std::size_t(itemClass)] != visible) {
        m_state.ClassVisible[std::size_t(itemClass)] = visible;
        changed(ChangeItems);
    }
}

void Chart::SetLayerVisible(int layer, bool visible)
{
    if (layer >= 1 && layer <= Layers && m_state.LayerVisible[std::size_t(layer - 1)] != visible) {
        m_state.LayerVisible[std::size_t(layer - 1)] = visible;
        changed(ChangeItems | ChangeLabels);
    }
}

// --- layers ---

void Chart::applyJointRanges()
{
    for (int l = 1; l <= Layers; ++l) {
        const int dx = m_joint->XControlledBy(l);
        if (dx != l) {
            const ScaleSettings& s = ScaleX(dx).Settings();
            ScaleX(l).AssignRange(s.RangeLow, s.RangeHigh);
        }
        const int dy = m_joint->YControlledBy(l);
        if (dy != l) {
            const ScaleSettings& s = ScaleY(dy).Settings();
            ScaleY(l).AssignRange(s.RangeLow, s.RangeHigh);
        }
    }
}

// A scale change repaints whatever AutoRedraw says; while loading, that paint does nothing.
void Chart::scaleChanged()
{
    applyJointRanges();
    changed(ChangeLayout);
    Paint();
}

// --- labels ---

TTextLabel* Chart::TextLabel(int Index) const
{
    if (Index < 1 || Index > LabelCount)
        throw EOrnRChartError("Component \"" + m_name + "\": invalid index into TextLabel array");
    return m_labels[std::size_t(Index - 1)].get();
}

void Chart::labelChanged()
{
    changed(ChangeLabels);
    if (m_autoRedraw && !m_inLabelUpdate)
        Paint();
}

int Chart::AddTextLabel(TColor Color, const std::string& Text, int Template, double PosX, double PosY)
{
    if (Template < 1 || Template > LabelCount)
        Template = 0;
    int found = 0;
    for (int i = 1; i <= LabelCount && !found; ++i)
        if (m_labels[std::size_t(i - 1)]->Mode() == tlOff)
            found = i;
    if (!found)
        return 0;
    TTextLabel& l = *m_labels[std::size_t(found - 1)];
    // One repaint for the whole set-up rather than one per property.
    m_inLabelUpdate = true;
    l.SetPosX(PosX);
    l.SetPosY(PosY);
    l.SetLayer(m_state.ActiveLayer);
    if (Template) {
        const TTextLabel& t = *m_labels[std::size_t(Template - 1)];
        l.SetAttachToData(t.AttachToData());
        l.SetAlignment(t.Alignment());
        l.SetShadowDx(t.ShadowDx());
        l.SetShadowDy(t.ShadowDy());
        l.SetColorShadow(t.ColorShadow());
        l.SetColorBkg(t.ColorBkg());
        l.SetColorBorder(t.ColorBorder());
        l.SetTransparent(t.Transparent());
    } else {
        l.SetAttachToData(tlamBoth);
        l.SetAlignment(taCenter);
        l.SetShadowDx(0);
        l.SetShadowDy(0);
        l.SetColorShadow(0x808080);
        l.SetColorBkg(m_state.ChartColor);
        l.SetColorBorder(m_state.ChartFrameColor);
        l.SetTransparent(false);
    }
    l.SetCaption(Text);
    l.SetFontColor(Color);
    TTextLabelMode mode = Template ? m_labels[std::size_t(Template - 1)]->Mode() : tlsimple;
    if (mode == tlOff)
        mode = tlsimple;
    l.SetMode(mode);
    m_inLabelUpdate = false;
    l.SetVisible(true);
    return found;
}

void Chart::HideTextLabels()
{
    m_inLabelUpdate = true;
    for (auto& label : m_labels)
        label->SetVisible(false);
    m_inLabelUpdate = false;
    labelChanged();
}

// --- appearance and geometry ---

void Chart::SetShadowWidth(int v)
{
    setGeometryField(m_state.Geometry.SW, std::clamp(v, 0, 32));
}

void Chart::SetGridDx(double v)
{
    if (std::isfinite(v) && v >= -3)
        setAppearance(m_state.GridDx, v, ChangeLayout);
}

void Chart::SetGridDy(double v)
{
    if (std::isfinite(v) && v >= -3)
        setAppearance(m_state.GridDy, v, ChangeLayout);
}

void Chart::TranslateTexts(const std::function<void(std::string& text)>& translate)
{
    std::string caption = m_state.Caption;
    translate(caption);
    SetCaption(caption);
    for (bool horizontal : {true, false})
        for (int layer = 1; layer <= 4; ++layer) {
            ScaleProps& scale = horizontal ? ScaleX(layer) : ScaleY(layer);
            std::string text = scale.Caption();
            translate(text);
            scale.SetCaption(text);
            text = scale.ScaleInscript();
            translate(text);
            scale.SetScaleInscript(text);
            text = scale.UserTickText();
            translate(text);
            scale.SetUserTickText(text);
            text = scale.DateFormat();
            translate(text);
            scale.SetDateFormat(text);
        }
}

void Chart::setGeometryField(int& field, int value)
{
    // Bounded so that the plot size and the minimum size stay far from integer overflow.
    value = std::clamp(value, 0, MaxMargin);
    if (field == value)
        return;
    field = value;
    raiseToMinimumSize();
    changed(ChangeLayout);
    if (m_presenter)
        m_presenter->ChartMinimumSizeChanged(MinimumSize());
    if (m_autoRedraw)
        Paint();
}

Size Chart::MinimumSize() const
{
    const ChartGeometry& g = m_state.Geometry;
    return {g.ML + g.MR + g.SW + 80, g.MT + g.MB + g.SW + 20};
}

void Chart::raiseToMinimumSize()
{
    const Size minimum = MinimumSize();
    m_state.Geometry.W = std::max(m_state.Geometry.W, minimum.width);
    m_state.Geometry.H = std::max(m_state.Geometry.H, minimum.height);
}

void Chart::Resize(int width, int height)
{
    const Size minimum = MinimumSize();
    width = std::max(width, minimum.width);
    height = std::max(height, minimum.height);
    if (width == m_state.Geometry.W && height == m_state.Geometry.H)
        return;
    m_state.Geometry.W = width;
    m_state.Geometry.H = height;
    changed(ChangeLayout);
}

// --- drawing ---

void Chart::SetTextMetrics(const TextMetrics* metrics)
{
    m_metrics = metrics ? metrics : &fixedMetrics();
    changed(ChangeLayout);
}

const ChartLayout& Chart::Layout()
{
    if (m_dirty & ChangeStaticLayout) {
        LayoutStatic(m_state, *m_metrics, m_layout);
        m_dirty &= ~unsigned(ChangeStaticLayout);
    } else if (m_layout.grid.layer != (m_state.GridStyle == gsNone ? 0 : int(ChartState::index(m_state.ActiveLayer)) + 1)) {
        // The grid follows the active layer, which the plotting moves and brings back.
        LayoutGrid(m_state, m_layout);
        m_dirty |= ChangePlotBackground;
    }
    if (m_dirty & ChangeLabels) {
        LayoutLabels(m_state, *m_metrics, m_layout);
        m_dirty &= ~unsigned(ChangeLabels);
    }
    return m_layout;
}

void Chart::RenderTo(Canvas& target) const
{
    if (m_loading)
        return;
    RenderChart(m_state, LayoutChart(m_state, target), target, ChartParts::All);
}

void Chart::SetPresenter(ChartPresenter* presenter)
{
    m_presenter = presenter;
    if (m_presenter)
        m_presenter->ChartMinimumSizeChanged(MinimumSize());
}

void Chart::Paint()
{
    present(ChartPaintScope::Whole);
}

void Chart::present(ChartPaintScope scope)
{
    if (!m_loading && m_presenter)
        m_presenter->ChartPaint(scope);
}

void Chart::WholePainted(const ChartLayout& layout)
{
    if (layout.frameFontAfter != m_state.FrameFont) {
        m_state.FrameFont = layout.frameFontAfter;
        changed(ChangeLayout);
    }
}
