#include "qtchart.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

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

ChartModel::ChartModel(QObject* propertyParent)
{
    QObject* parent = propertyParent ? propertyParent : this;
    m_ownsProperties = parent == this;
    for (int n = 1; n <= Layers; ++n) {
        auto* sx = new TScalePropsHoriz(n, m_state.ScaleX[std::size_t(n - 1)], parent);
        auto* sy = new TScalePropsVert(n, m_state.ScaleY[std::size_t(n - 1)], parent);
        sx->setObjectName(QStringLiteral("Scale%1X").arg(n));
        sy->setObjectName(QStringLiteral("Scale%1Y").arg(n));
        connect(sx, &TScaleProps::OnChange, this, &ChartModel::scaleChanged);
        connect(sy, &TScaleProps::OnChange, this, &ChartModel::scaleChanged);
        m_scaleX[std::size_t(n - 1)] = sx;
        m_scaleY[std::size_t(n - 1)] = sy;
    }
    m_joint = new TJointLayers(this, m_state.JointX, m_state.JointY, parent);
    for (int i = 0; i < LabelCount; ++i) {
        auto& label = m_labels[std::size_t(i)];
        label = std::make_unique<TTextLabel>(m_state.Labels[std::size_t(i)]);
        label->OnChange = [this] { labelChanged(); };
    }
}

ChartModel::~ChartModel()
{
    // Objects published by a widget are its children; they point into this state, so they go
    // with it.
    if (!m_ownsProperties) {
        for (int n = 0; n < Layers; ++n) {
            delete m_scaleX[std::size_t(n)];
            delete m_scaleY[std::size_t(n)];
        }
        delete m_joint;
    }
}

void ChartModel::changed(unsigned change)
{
    m_dirty |= change;
    ++m_version;
}

// --- loading ---

void ChartModel::BeginLoading()
{
    m_loading = true;
    for (int n = 0; n < Layers; ++n) {
        m_scaleX[std::size_t(n)]->SetLoading(true);
        m_scaleY[std::size_t(n)]->SetLoading(true);
    }
}

void ChartModel::Loaded()
{
    m_loading = false;
    for (int n = 0; n < Layers; ++n) {
        m_scaleX[std::size_t(n)]->SetLoading(false);
        m_scaleY[std::size_t(n)]->SetLoading(false);
    }
    applyJointRanges();
    changed(ChangeLayout);
    Paint();
}

// --- display list ---

void ChartModel::ClearItems()
{
    m_state.Items.Clear();
    changed(ChangeItems);
}

ChartItemList& ChartModel::ItemStorage()
{
    changed(ChangeItems); // the caller may change the list through it
    return m_state.Items;
}

void ChartModel::ShowItems()
{
    present(m_autoRedraw ? Scope::PlotArea : Scope::Whole);
}

// --- pen state ---

void ChartModel::SetActiveLayer(int Layer)
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

void ChartModel::SetLineWidth(int v)
{
    if (v >= 0 && v <= 255)
        m_state.LineWidth = v;
}

void ChartModel::SetClassDefault(int v)
{
    if (v >= 0 && v <= 254)
        m_state.ClassDefault = v;
}

bool ChartModel::ClassVisible(int itemClass) const
{
    return itemClass >= 0 && itemClass <= 255 && m_state.ClassVisible[std::size_t(itemClass)];
}

void ChartModel::SetClassVisible(int itemClass, bool visible)
{
    if (itemClass >= 0 && itemClass <= 255 && m_state.ClassVisible[std::size_t(itemClass)] != visible) {
        m_state.ClassVisible[std::size_t(itemClass)] = visible;
        changed(ChangeItems);
    }
}

void ChartModel::SetLayerVisible(int layer, bool visible)
{
    if (layer >= 1 && layer <= Layers && m_state.LayerVisible[std::size_t(layer - 1)] != visible) {
        m_state.LayerVisible[std::size_t(layer - 1)] = visible;
        changed(ChangeLabels);
    }
}

// --- layers ---

TScalePropsHoriz* ChartModel::ScaleX(int layer) const
{
    return m_scaleX[std::size_t(layer >= 1 && layer <= Layers ? layer - 1 : 0)];
}

TScalePropsVert* ChartModel::ScaleY(int layer) const
{
    return m_scaleY[std::size_t(layer >= 1 && layer <= Layers ? layer - 1 : 0)];
}

const TScale& ChartModel::XScaleDrawer(int layer)
{
    return Layout().scaleX[ChartState::index(layer)];
}

const TScale& ChartModel::YScaleDrawer(int layer)
{
    return Layout().scaleY[ChartState::index(layer)];
}

void ChartModel::applyJointRanges()
{
    for (int l = 1; l <= Layers; ++l) {
        const int dx = m_joint->XControlledBy(l);
        if (dx != l) {
            const ScaleSettings& s = ScaleX(dx)->Settings();
            ScaleX(l)->AssignRange(s.RangeLow, s.RangeHigh);
        }
        const int dy = m_joint->YControlledBy(l);
        if (dy != l) {
            const ScaleSettings& s = ScaleY(dy)->Settings();
            ScaleY(l)->AssignRange(s.RangeLow, s.RangeHigh);
        }
    }
}

// A scale change repaints whatever AutoRedraw says; while loading, that paint does nothing.
void ChartModel::scaleChanged()
{
    applyJointRanges();
    changed(ChangeLayout);
    Paint();
}

// --- labels ---

TTextLabel* ChartModel::TextLabel(int Index) const
{
    if (Index < 1 || Index > LabelCount)
        throw EOrnRChartError(
            QStringLiteral("Component \"%1\": invalid index into TextLabel array").arg(objectName()));
    return m_labels[std::size_t(Index - 1)].get();
}

void ChartModel::labelChanged()
{
    changed(ChangeLabels);
    if (m_autoRedraw && !m_inLabelUpdate)
        Paint();
}

int ChartModel::AddTextLabel(TColor Color, const QString& Text, int Template, double PosX, double PosY)
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

void ChartModel::HideTextLabels()
{
    m_inLabelUpdate = true;
    for (auto& label : m_labels)
        label->SetVisible(false);
    m_inLabelUpdate = false;
    labelChanged();
}

// --- appearance and geometry ---

void ChartModel::SetShadowWidth(int v)
{
    setGeometryField(m_state.Geometry.SW, std::clamp(v, 0, 32));
}

void ChartModel::SetGridDx(double v)
{
    if (std::isfinite(v) && v >= -3)
        setAppearance(m_state.GridDx, v, ChangeLayout);
}

void ChartModel::SetGridDy(double v)
{
    if (std::isfinite(v) && v >= -3)
        setAppearance(m_state.GridDy, v, ChangeLayout);
}

void ChartModel::setGeometryField(int& field, int value)
{
    // Bounded so that the plot size and the minimum size stay far from integer overflow.
    value = std::clamp(value, 0, MaxMargin);
    if (field == value)
        return;
    field = value;
    raiseToMinimumSize();
    changed(ChangeLayout);
    if (m_view)
        m_view->ChartViewMinimumSize(MinimumSize());
    if (m_autoRedraw)
        Paint();
}

QSize ChartModel::MinimumSize() const
{
    const ChartGeometry& g = m_state.Geometry;
    return {g.ML + g.MR + g.SW + 80, g.MT + g.MB + g.SW + 20};
}

void ChartModel::raiseToMinimumSize()
{
    const QSize minimum = MinimumSize();
    m_state.Geometry.W = std::max(m_state.Geometry.W, minimum.width());
    m_state.Geometry.H = std::max(m_state.Geometry.H, minimum.height());
}

void ChartModel::resize(int width, int height)
{
    const QSize minimum = MinimumSize();
    width = std::max(width, minimum.width());
    height = std::max(height, minimum.height());
    if (width == m_state.Geometry.W && height == m_state.Geometry.H)
        return;
    m_state.Geometry.W = width;
    m_state.Geometry.H = height;
    changed(ChangeLayout);
}

// --- drawing ---

const ChartLayout& ChartModel::Layout()
{
    syncViewSize();
    if (m_dirty & ChangeStaticLayout) {
        LayoutStatic(m_state, m_metrics, m_layout);
        m_dirty &= ~unsigned(ChangeStaticLayout);
    } else if (m_layout.grid.layer != (m_state.GridStyle == gsNone ? 0 : int(ChartState::index(m_state.ActiveLayer)) + 1)) {
        // The grid follows the active layer, which the plotting moves and brings back.
        LayoutGrid(m_state, m_layout);
        m_dirty |= ChangePlotPicture;
    }
    if (m_dirty & ChangeLabels) {
        LayoutLabels(m_state, m_metrics, m_layout);
        m_dirty &= ~unsigned(ChangeLabels);
    }
    return m_layout;
}

void ChartModel::RenderTo(Canvas& target) const
{
    if (m_loading)
        return;
    RenderChart(m_state, LayoutChart(m_state, target), target, ChartParts::All);
}

QImage ChartModel::Picture() const
{
    QtCanvas canvas(width(), height());
    RenderTo(canvas);
    return canvas.image();
}

// --- shown in a view ---

void ChartModel::SetView(ChartView* view)
{
    m_view = view;
    if (m_view)
        m_view->ChartViewMinimumSize(MinimumSize());
    syncViewSize();
}

void ChartModel::syncViewSize()
{
    if (m_view) {
        const QSize s = m_view->ChartViewSize();
        resize(s.width(), s.height());
    }
}

bool ChartModel::canPaint() const
{
    return !m_loading && m_view && m_view->ChartViewReady();
}

void ChartModel::Paint()
{
    present(Scope::Whole);
}

void ChartModel::PaintIfChanged()
{
    syncViewSize();
    if (m_paintedVersion != m_version || m_frame.image().size() != size())
        present(Scope::Whole);
}

bool ChartModel::dynamicPartsAsShown(const ChartLayout& layout) const
{
    if (!std::equal(m_state.Items.begin(), m_state.Items.end(), m_shown.items.begin(), m_shown.items.end()))
        return false;
    if (layout.labels.size() != m_shown.labels.size())
        return false;
    for (std::size_t i = 0; i < layout.labels.size(); ++i) {
        const ChartLayout::Label& label = layout.labels[i];
        if (!(label == m_shown.labels[i].first) || !(m_state.Labels[std::size_t(label.index - 1)] == m_shown.labels[i].second))
            return false;
    }
    return m_state.LayerVisible == m_shown.layerVisible && m_state.ClassVisible == m_shown.classVisible;
}

void ChartModel::rememberDynamicParts(const ChartLayout& layout)
{
    m_shown.items.assign(m_state.Items.begin(), m_state.Items.end());
    m_shown.labels.clear();
    for (const ChartLayout::Label& label : layout.labels)
        m_shown.labels.emplace_back(label, m_state.Labels[std::size_t(label.index - 1)]);
    m_shown.layerVisible = m_state.LayerVisible;
    m_shown.classVisible = m_state.ClassVisible;
}

// The static picture is drawn when it changed; the frame image takes it where the items and
// labels were (or whole, when the picture is new), and gets the items and labels over it.
void ChartModel::present(Scope scope)
{
    // A repaint asked for while one runs (a setter called from a view's handler) has nothing
    // to add: the running one shows the state as it finishes.
    if (!canPaint() || m_presenting)
        return;
    const QScopedValueRollback<bool> presenting(m_presenting, true);
    const ChartLayout& layout = Layout();
    const QSize size = this->size();
    // What this paint shows; a change made while it runs (by the view) is left for the next.
    const quint64 version = m_version;

    // A chart far larger than any screen gets no cached pictures beside its frame image: it is
    // drawn whole each time, as kept pictures would multiply its memory.
    if (qint64(size.width()) * size.height() > MaxCachedPixels) {
        m_static.resize(0, 0);
        m_plotBackgrounds.clear();
        m_dirty |= ChangePicture;
        m_frame.resize(size.width(), size.height());
        RenderChart(m_state, layout, m_frame, ChartParts::All);
        m_composedFrameSerial = 0; // a smaller chart is composed afresh
        m_view->ChartViewUpdate({fullRect(size)});
    } else {
        if ((m_dirty & ChangePicture) || m_static.image().size() != size) {
            RenderChart(m_state, layout, m_static, ChartParts::Frame);
            m_plotBackgrounds.clear();
            usePlotBackground(layout);
            m_dirty &= ~unsigned(ChangePicture | ChangePlotPicture);
            ++m_staticFrameSerial;
        } else if (m_dirty & ChangePlotPicture) {
            usePlotBackground(layout);
            m_dirty &= ~unsigned(ChangePlotPicture);
        }
        // A run that draws what is already there (a key that changes one chart of four) leaves
        // the frame image as it is.
        const bool composed = m_frame.image().size() == size && m_composedFrameSerial == m_staticFrameSerial
                              && m_composedPlotSerial == m_staticPlotSerial;
        if (!composed || !dynamicPartsAsShown(layout))
            compose(scope, layout);
    }
    m_paintedVersion = version;

    // The surface keeps the font the last visible axis selected: the caption's next time.
    if (scope == Scope::Whole && layout.frameFontAfter != m_state.FrameFont) {
        m_state.FrameFont = layout.frameFontAfter;
        changed(ChangeLayout);
    }
}

// Takes the kept plot background drawn for the state's colours and grid, or draws it.
void ChartModel::usePlotBackground(const ChartLayout& layout)
{
    const auto matches = [&](const PlotBackground& b) {
        return b.chartColor == m_state.ChartColor && b.gridColor == m_state.GridColor
               && b.frameColor == m_state.ChartFrameColor && b.grid == layout.grid;
    };
    auto found = std::find_if(m_plotBackgrounds.begin(), m_plotBackgrounds.end(), matches);
    if (found == m_plotBackgrounds.end()) {
        if (m_plotBackgrounds.size() >= PlotBackgrounds)
            m_plotBackgrounds.pop_back();
        auto picture = std::make_unique<QtCanvas>(width(), height());
        RenderChart(m_state, layout, *picture, ChartParts::PlotBackground);
        m_plotBackgrounds.push_back({m_state.ChartColor, m_state.GridColor, m_state.ChartFrameColor, layout.grid,
                                     std::move(picture), ++m_plotBackgroundsDrawn});
        found = m_plotBackgrounds.end() - 1;
    }
    std::rotate(m_plotBackgrounds.begin(), found, found + 1);
    m_staticPlotSerial = m_plotBackgrounds.front().serial;
}

void ChartModel::compose(Scope scope, const ChartLayout& layout)
{
    const QSize size = this->size();
    std::vector<QRect> area;
    const bool sized = m_frame.image().size() == size;
    if (!sized || m_composedFrameSerial != m_staticFrameSerial) {
        // The plot redraw of AutoRedraw leaves the frame around the plot as it was.
        area.push_back(scope == Scope::PlotArea && sized ? layout.PlotRect() : fullRect(size));
    } else if (m_composedPlotSerial != m_staticPlotSerial) {
        area.push_back(layout.PlotRect());
    }
    const QtCanvas& plotBackground = *m_plotBackgrounds.front().picture;
    if (!area.empty()) {
        m_frame.resize(size.width(), size.height());
        if (area.back() != layout.PlotRect())
            m_frame.copyArea(m_static, area.back());
        // Drawing the background again writes the plot area once; copying it would also read
        // it, which costs more for this mostly uniform picture.
        RenderChart(m_state, layout, m_frame, ChartParts::PlotBackground);
        m_composedFrameSerial = m_staticFrameSerial;
        m_composedPlotSerial = m_staticPlotSerial;
    } else {
        // Items and labels stay inside the plot area.
        for (const QRect& r : m_damage)
            m_frame.copyArea(plotBackground, r);
        area = m_damage;
    }
    m_damage.clear();
    RenderChart(m_state, layout, m_frame, ChartParts::Dynamic, &m_damage);
    area.insert(area.end(), m_damage.begin(), m_damage.end());
    rememberDynamicParts(layout);
    mergeIntoBands(area);
    m_view->ChartViewUpdate(area);
}
