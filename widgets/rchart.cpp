#include "rchart.h"

#include "chartoffsetcanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

constexpr TColor layerColors[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy,    clPurple, clTeal, clGray,
                                    clSilver, clRed,   clLime,  clYellow, clBlue,   clFuchsia, clAqua, clWhite};

int clampLayer(int layer)
{
    return layer < 1 ? 1 : (layer > 16 ? 16 : layer);
}

Canvas::PenStyle canvasPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return Canvas::PenStyle::Dash;
    case psDot:
        return Canvas::PenStyle::Dot;
    case psDashDot:
        return Canvas::PenStyle::DashDot;
    case psDashDotDot:
        return Canvas::PenStyle::DashDotDot;
    case psClear:
        return Canvas::PenStyle::Clear;
    default:
        return Canvas::PenStyle::Solid;
    }
}

// Grid positions of a logarithmic axis: decades (-1), 1-2-5 (-2) or 1..9 (-3) per decade.
std::vector<double> logGrid(double lo, double hi, int kind)
{
    std::vector<double> out;
    if (!(lo > 0) || !(hi > lo))
        return out;
    static const std::vector<int> decades{1}, oneTwoFive{1, 2, 5}, all{1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<int>& mult = kind == -1 ? decades : (kind == -2 ? oneTwoFive : all);
    double decade = std::pow(10.0, std::floor(std::log10(lo)));
    for (int d = 0; d < 400 && decade < hi && out.size() < 1000; ++d, decade *= 10)
        for (int m : mult) {
            const double v = decade * m;
            if (v >= lo * (1 - 1e-12) && v < hi && out.size() < 1000)
                out.push_back(v);
        }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
EOrnRChartError::EOrnRChartError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

// ---------------------------------------------------------------------------------------------
TScaleProps::TScaleProps(int layer, QObject* parent)
    : QObject(parent)
    , m_layer(layer)
{
    m_s.ColorScale = layerColors[clampLayer(layer) - 1];
}

TScalePropsHoriz::TScalePropsHoriz(int layer, QObject* parent)
    : TScaleProps(layer, parent)
{
    m_s.ScaleLocation = slBottom;
    m_s.ScalePos = ((layer - 1) / 2) * 30;
}

TScalePropsVert::TScalePropsVert(int layer, QObject* parent)
    : TScaleProps(layer, parent)
{
    m_s.ScaleLocation = slLeft;
    m_s.ScalePos = ((layer - 1) / 2) * 50;
}

void TScaleProps::SetLogarithmic(bool v)
{
    if (v == m_s.Logarithmic)
        return;
    if (v && !m_loading && (m_s.RangeLow < 1e-100 || m_s.RangeHigh < 1e-100 || m_s.LabelType == ftDateTime))
        return;
    m_s.Logarithmic = v;
    emit OnChange();
}

void TScaleProps::SetLabelType(TFigType v)
{
    if (v == m_s.LabelType)
        return;
    m_s.LabelType = v;
    if (v == ftDateTime)
        m_s.Logarithmic = false;
    if (v == ftTime)
        m_s.DecPlaces = 4;
    emit OnChange();
}

void TScaleProps::SetMinRange(double v)
{
    if (!std::isfinite(v) || v < 0)
        return;
    set(m_s.MinRange, v);
}

void TScaleProps::SetRangeLow(double v)
{
    // A range end that is not a number would make every mapped pixel meaningless.
    if (!std::isfinite(v))
        return;
    if (std::fabs(m_s.RangeHigh - v) < m_s.MinRange) {
        m_s.RangeLow = v;
        m_s.RangeHigh = v + m_s.MinRange;
    } else {
        if (m_s.Logarithmic && v < 1e-100)
            return;
        if (m_s.RangeLow == v)
            return;
        m_s.RangeLow = v;
    }
    emit OnChange();
}

void TScaleProps::SetRangeHigh(double v)
{
    if (!std::isfinite(v))
        return;
    if (std::fabs(m_s.RangeLow - v) < m_s.MinRange) {
        m_s.RangeHigh = v;
        m_s.RangeLow = v - m_s.MinRange;
    } else {
        if (m_s.Logarithmic && v < 1e-100)
            return;
        if (m_s.RangeHigh == v)
            return;
        m_s.RangeHigh = v;
    }
    emit OnChange();
}

void TScaleProps::SetScaleLocation(TScaleLocation v)
{
    // An x axis lies at the top or bottom, a y axis left or right.
    if (IsHorizontal() != (v == slTop || v == slBottom))
        return;
    m_locationWritten = true;
    set(m_s.ScaleLocation, v);
}

TScaleLocation TScaleProps::EffectiveLocation() const
{
    if (m_locationWritten)
        return m_s.ScaleLocation;
    const bool odd = m_layer % 2 == 1;
    if (IsHorizontal())
        return odd ? slBottom : slTop;
    return odd ? slLeft : slRight;
}

void TScaleProps::AssignRange(double lo, double hi)
{
    m_s.RangeLow = lo;
    m_s.RangeHigh = hi;
}

// ---------------------------------------------------------------------------------------------
TJointLayers::TJointLayers(TRChart* chart)
    : QObject(chart)
    , m_chart(chart)
{
    for (int i = 0; i < 16; ++i)
        m_x[std::size_t(i)] = m_y[std::size_t(i)] = i + 1;
    setObjectName(QStringLiteral("JointLayers"));
}

int TJointLayers::XControlledBy(int layer) const
{
    return layer >= 1 && layer <= 16 ? m_x[std::size_t(layer - 1)] : layer;
}

int TJointLayers::YControlledBy(int layer) const
{
    return layer >= 1 && layer <= 16 ? m_y[std::size_t(layer - 1)] : layer;
}

void TJointLayers::SetXControlledBy(int layer, int destination)
{
    assign(m_x, true, layer, destination);
}

void TJointLayers::SetYControlledBy(int layer, int destination)
{
    assign(m_y, false, layer, destination);
}

void TJointLayers::assign(std::array<int, 16>& table, bool horizontal, int layer, int destination)
{
    if (layer < 1 || layer > 16)
        return;
    if (destination < 1 || destination > 16)
        throw EOrnRChartError(QStringLiteral("Destination layer %1 is out of range").arg(destination));
    auto at = [&](int l) -> int& { return table[std::size_t(l - 1)]; };
    if (destination == layer) {
        at(layer) = layer;
        return;
    }
    if (at(destination) != destination)
        throw EOrnRChartError(QStringLiteral("Destination layer %1 is already joined").arg(destination));
    QStringList joined;
    for (int k = 1; k <= 16; ++k)
        if (k != layer && at(k) == layer)
            joined << QString::number(k);
    if (!joined.isEmpty())
        throw EOrnRChartError(
            QStringLiteral("Layer %1 is joined by other layers (%2)").arg(layer).arg(joined.join(QStringLiteral(", "))));
    at(layer) = destination;
    if (horizontal) {
        const ScaleSettings& src = m_chart->ScaleX(destination)->Settings();
        m_chart->ScaleX(layer)->AssignRange(src.RangeLow, src.RangeHigh);
    } else {
        const ScaleSettings& src = m_chart->ScaleY(destination)->Settings();
        m_chart->ScaleY(layer)->AssignRange(src.RangeLow, src.RangeHigh);
    }
    m_chart->scaleChanged();
}

// ---------------------------------------------------------------------------------------------
void TCustomTextLabel::SetLayer(int v)
{
    if (v < 1 || v > 16)
        return;
    set(m_layer, v);
}

// ---------------------------------------------------------------------------------------------
TRChart::TRChart(QWidget* parent)
    : QWidget(parent)
{
    m_classVisible.fill(true);
    m_layerVisible.fill(true);
    for (int n = 1; n <= Layers; ++n) {
        auto* sx = new TScalePropsHoriz(n, this);
        auto* sy = new TScalePropsVert(n, this);
        sx->setObjectName(QStringLiteral("Scale%1X").arg(n));
        sy->setObjectName(QStringLiteral("Scale%1Y").arg(n));
        connect(sx, &TScaleProps::OnChange, this, &TRChart::scaleChanged);
        connect(sy, &TScaleProps::OnChange, this, &TRChart::scaleChanged);
        m_scaleX[std::size_t(n - 1)] = sx;
        m_scaleY[std::size_t(n - 1)] = sy;
        m_drawersX.push_back(std::make_unique<TScale>(QStringLiteral("RC_FScale_X_%1").arg(n)));
        m_drawersY.push_back(std::make_unique<TScale>(QStringLiteral("RC_FScale_Y_%1").arg(n)));
    }
    m_joint = new TJointLayers(this);
    for (auto& label : m_labels) {
        label = std::make_unique<TTextLabel>();
        label->OnChange = [this] { labelChanged(); };
    }
    m_frame.setFont(DefaultChartFont(), Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateMinimumSize();
    resize(280, 200);
    m_geom.W = width();
    m_geom.H = height();
    syncDrawers();
    RecomputeMapping();
}

TRChart::~TRChart() = default;

// --- loading ---

void TRChart::BeginLoading()
{
    m_loading = true;
    for (int n = 0; n < Layers; ++n) {
        m_scaleX[std::size_t(n)]->SetLoading(true);
        m_scaleY[std::size_t(n)]->SetLoading(true);
    }
}

void TRChart::Loaded()
{
    m_loading = false;
    for (int n = 0; n < Layers; ++n) {
        m_scaleX[std::size_t(n)]->SetLoading(false);
        m_scaleY[std::size_t(n)]->SetLoading(false);
    }
    m_geom.W = width();
    m_geom.H = height();
    applyJointRanges();
    syncDrawers();
    RecomputeMapping();
    Paint();
}

// --- display list ---

void TRChart::ClearItems()
{
    // The plot surface is not cleared here: every path that puts it on screen (a full paint or
    // a plot redraw) draws its background first, so clearing it now would only cost a fill per
    // chart on every run.
    m_items.Clear();
}

void TRChart::MoveToPoint(double X, double Y)
{
    m_items.Append({X, Y, m_dataColor, m_penStyle, m_lineWidth, std::uint8_t(m_classDefault), ikMoveTo, m_activeLayer});
}

void TRChart::LineToPoint(double X, double Y)
{
    m_items.Append({X, Y, m_dataColor, m_penStyle, m_lineWidth, std::uint8_t(m_classDefault), ikLineTo, m_activeLayer});
}

void TRChart::ShowItems()
{
    if (explicitlyHidden())
        return;
    refreshSize();
    if (!m_autoRedraw) {
        Paint();
        return;
    }
    if (!canPaint())
        return;
    RecomputeMapping();
    paintPlotBackground(m_plot);
    paintPlotContent(m_plot);
    if (!m_frame.image().isNull()) {
        m_frame.copyFrom(m_plot, m_geom.ML, m_geom.MT);
        update(QRect(m_geom.ML, m_geom.MT, m_geom.PW() + 1, m_geom.PH() + 1));
    } else {
        Paint();
    }
}

// --- pen state ---

void TRChart::SetActiveLayer(int Layer)
{
    if (Layer < 1 || Layer > Layers)
        return;
    const bool changed = Layer != m_activeLayer;
    m_activeLayer = Layer;
    if (changed && m_autoRedraw)
        Paint();
}

void TRChart::SetLineWidth(int v)
{
    if (v >= 0 && v <= 255)
        m_lineWidth = v;
}

void TRChart::SetClassDefault(int v)
{
    if (v >= 0 && v <= 254)
        m_classDefault = v;
}

bool TRChart::ClassVisible(int itemClass) const
{
    return itemClass >= 0 && itemClass <= 255 && m_classVisible[std::size_t(itemClass)];
}

void TRChart::SetClassVisible(int itemClass, bool visible)
{
    if (itemClass >= 0 && itemClass <= 255)
        m_classVisible[std::size_t(itemClass)] = visible;
}

bool TRChart::LayerVisible(int layer) const
{
    return layer >= 1 && layer <= Layers && m_layerVisible[std::size_t(layer - 1)];
}

void TRChart::SetLayerVisible(int layer, bool visible)
{
    if (layer >= 1 && layer <= Layers)
        m_layerVisible[std::size_t(layer - 1)] = visible;
}

// --- layers ---

TScalePropsHoriz* TRChart::ScaleX(int layer) const
{
    return m_scaleX[std::size_t(layer >= 1 && layer <= Layers ? layer - 1 : 0)];
}

TScalePropsVert* TRChart::ScaleY(int layer) const
{
    return m_scaleY[std::size_t(layer >= 1 && layer <= Layers ? layer - 1 : 0)];
}

const TScale& TRChart::XScaleDrawer(int layer) const
{
    return *m_drawersX[std::size_t(clampLayer(layer) - 1)];
}

const TScale& TRChart::YScaleDrawer(int layer) const
{
    return *m_drawersY[std::size_t(clampLayer(layer) - 1)];
}

void TRChart::applyJointRanges()
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

void TRChart::syncDrawers()
{
    const ChartGeometry& g = m_geom;
    for (int n = 0; n < Layers; ++n) {
        TScaleProps& px = *m_scaleX[std::size_t(n)];
        TScale& dx = *m_drawersX[std::size_t(n)];
        const int pos = ClampDraw(px.ScalePos());
        dx.SetSize(g.W, g.H);
        if (px.EffectiveLocation() == slTop) {
            dx.SetKind(sctXB);
            dx.SetMargins(g.ML, 0, g.MR + g.SW - 1, pos + g.H - g.MT - 1);
        } else {
            dx.SetKind(sctXT);
            dx.SetMargins(g.ML, pos + g.H - g.MB - g.SW, g.MR + g.SW - 1, 0);
        }
        dx.Assign(px.Settings());

        TScaleProps& py = *m_scaleY[std::size_t(n)];
        TScale& dy = *m_drawersY[std::size_t(n)];
        const int posY = ClampDraw(py.ScalePos());
        dy.SetSize(g.W, g.H);
        if (py.EffectiveLocation() == slRight) {
            dy.SetKind(sctYL);
            dy.SetMargins(posY + g.W - g.MR - g.SW, g.MT, 0, g.MB + g.SW - 1);
        } else {
            dy.SetKind(sctYR);
            dy.SetMargins(0, g.MT, posY + g.W - g.ML - 1, g.MB + g.SW - 1);
        }
        dy.Assign(py.Settings());
    }
}

void TRChart::scaleChanged()
{
    applyJointRanges();
    syncDrawers();
    Paint();
}

// --- labels ---

TTextLabel* TRChart::TextLabel(int Index) const
{
    if (Index < 1 || Index > LabelCount)
        throw EOrnRChartError(
            QStringLiteral("Component \"%1\": invalid index into TextLabel array").arg(objectName()));
    return m_labels[std::size_t(Index - 1)].get();
}

void TRChart::labelChanged()
{
    if (m_autoRedraw && !m_inLabelUpdate)
        Paint();
}

int TRChart::AddTextLabel(TColor Color, const QString& Text, int Template, double PosX, double PosY)
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
    l.SetLayer(m_activeLayer);
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
        l.SetColorBkg(m_chartColor);
        l.SetColorBorder(m_chartFrameColor);
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

void TRChart::HideTextLabels()
{
    m_inLabelUpdate = true;
    for (auto& label : m_labels)
        label->SetVisible(false);
    m_inLabelUpdate = false;
    labelChanged();
}

// --- appearance and geometry ---

void TRChart::SetShadowWidth(int v)
{
    setGeometryField(m_geom.SW, std::clamp(v, 0, 32));
}

void TRChart::SetGridDx(double v)
{
    if (std::isfinite(v) && v >= -3)
        setAppearance(m_gridDx, v);
}

void TRChart::SetGridDy(double v)
{
    if (std::isfinite(v) && v >= -3)
        setAppearance(m_gridDy, v);
}

void TRChart::setGeometryField(int& field, int value)
{
    // Bounded so that the plot size and the minimum size stay far from integer overflow.
    value = std::clamp(value, 0, MaxMargin);
    if (field == value)
        return;
    field = value;
    updateMinimumSize();
    geometryChanged();
    if (m_autoRedraw)
        Paint();
}

void TRChart::updateMinimumSize()
{
    setMinimumSize(m_geom.ML + m_geom.MR + m_geom.SW + 80, m_geom.MT + m_geom.MB + m_geom.SW + 20);
}

void TRChart::refreshSize()
{
    if (m_geom.W != width() || m_geom.H != height())
        geometryChanged();
}

void TRChart::geometryChanged()
{
    m_geom.W = width();
    m_geom.H = height();
    syncDrawers();
    RecomputeMapping();
}

void TRChart::RecomputeMapping()
{
    std::array<AxisRange, Layers> x, y;
    for (int n = 0; n < Layers; ++n) {
        const ScaleSettings& sx = m_scaleX[std::size_t(n)]->Settings();
        const ScaleSettings& sy = m_scaleY[std::size_t(n)]->Settings();
        x[std::size_t(n)] = {sx.RangeLow, sx.RangeHigh, sx.Logarithmic};
        y[std::size_t(n)] = {sy.RangeLow, sy.RangeHigh, sy.Logarithmic};
    }
    m_mapping.Recompute(m_geom, x, y);
}

// --- painting ---

bool TRChart::explicitlyHidden() const
{
    return testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden);
}

bool TRChart::canPaint() const
{
    return !m_loading && !m_suspended && !explicitlyHidden();
}

void TRChart::Paint()
{
    if (!canPaint())
        return;
    // The plot is drawn straight into the frame surface, clipped to the plot area: the same
    // pixels as drawing it apart and copying it over (RenderTo is tested to match), without
    // a copy of the whole plot per paint. The frame surface still keeps the window from
    // showing a half-drawn chart.
    RenderTo(m_frame);
    update();
}

void TRChart::PaintSurfaces(Canvas& frame, Canvas& plot)
{
    if (m_loading)
        return;
    refreshSize();
    paintFrame(frame);
    paintPlotBackground(plot);
    paintPlotContent(plot);
    frame.copyFrom(plot, m_geom.ML, m_geom.MT);
}

void TRChart::RenderTo(Canvas& target)
{
    if (m_loading)
        return;
    refreshSize();
    // The caption is drawn in whatever font the frame surface holds, so the target starts
    // from the frame surface's state.
    target.setFont(m_frame.font(), m_frame.fontColor());
    target.setPen(m_frame.pen());
    target.setBrush(m_frame.brush());
    paintFrame(target);
    {
        ChartOffsetCanvas plot(target, QPoint(m_geom.ML, m_geom.MT), QSize(0, 0));
        plot.setPenWidth(m_plot.pen().width);
        paintPlotBackground(plot);
        paintPlotContent(plot);
    }
    target.clearClip();
}

void TRChart::paintFrame(Canvas& frame)
{
    const ChartGeometry& g = m_geom;
    const int W = g.W, H = g.H, SW = g.SW;
    frame.resize(W, H);
    const QColor wind = ToQColor(m_windColor);
    frame.setPen({wind, 1, Canvas::PenStyle::Solid});
    frame.setBrush({wind, Canvas::BrushStyle::Solid});
    frame.rectangle(0, 0, W, H);

    if (SW > 0) {
        const QColor bak = ToQColor(m_shadowBakColor);
        frame.setPen({bak, 1, Canvas::PenStyle::Solid});
        frame.setBrush({bak, Canvas::BrushStyle::Solid});
        frame.rectangle(W - SW, 0, W, SW);
        frame.rectangle(0, H - SW, SW, H);
        const QColor shadow = ToQColor(m_shadowColor);
        frame.setBrush({shadow, Canvas::BrushStyle::Solid});
        if (m_shadowStyle == ssFlying) {
            frame.setPen({shadow, 1, Canvas::PenStyle::Solid});
            const QPoint right[4] = {{W - SW, 0}, {W - 1, SW - 1}, {W - 1, H - 1}, {W - SW, H - 1}};
            const QPoint bottom[4] = {{0, H - SW}, {SW - 1, H - 1}, {W - 1, H - 1}, {W - 1, H - SW}};
            frame.polygon(right);
            frame.polygon(bottom);
        } else {
            frame.setPen({Qt::black, 1, Canvas::PenStyle::Solid});
            const QPoint right[4] = {{W - SW, SW}, {W - 1, SW}, {W - 1, H - 1}, {W - SW, H - 1}};
            const QPoint bottom[4] = {{SW, H - SW}, {W - 1, H - SW}, {W - 1, H - 1}, {SW, H - 1}};
            frame.polygon(right);
            frame.polygon(bottom);
        }
        frame.setPen({Qt::black, 1, Canvas::PenStyle::Solid});
        frame.setBrushStyle(Canvas::BrushStyle::Clear);
        frame.rectangle(0, 0, W - SW, H - SW);
    }

    // The caption keeps the surface's font: the chart never selects its own there.
    frame.setPen({ToQColor(m_chartFrameColor), frame.pen().width, Canvas::PenStyle::Solid});
    frame.setBrushStyle(Canvas::BrushStyle::Clear);
    if (!m_caption.isEmpty()) {
        const int tw = frame.textWidth(m_caption);
        int x = ClampDraw(m_captionPosX);
        switch (m_captionAnchorHoriz) {
        case cahControlLeft:
            break;
        case cahChartLeft:
            x += g.ML;
            break;
        case cahChartCenter:
            x += g.ML + g.PW() / 2;
            break;
        case cahChartRight:
            x += W - g.MR - SW;
            break;
        case cahControlRight:
            x += W;
            break;
        }
        int y = ClampDraw(m_captionPosY);
        switch (m_captionAnchorVert) {
        case cavControlTop:
            break;
        case cavChartTop:
            y += g.MT;
            break;
        case cavChartCenter:
            y += g.MT + g.PH() / 2;
            break;
        case cavChartBottom:
            y += H - g.MB;
            break;
        case cavControlBottom:
            y += H;
            break;
        }
        if (m_captionAlignment == taRightJustify)
            x -= tw;
        else if (m_captionAlignment == taCenter)
            x -= tw / 2;
        frame.textOut(ClampDraw(x), ClampDraw(y), m_caption);
    }

    RecomputeMapping();
    for (auto& d : m_drawersX)
        d->Draw(frame);
    for (auto& d : m_drawersY)
        d->Draw(frame);
}

void TRChart::paintPlotBackground(Canvas& plot)
{
    const int pw = std::max(m_geom.PW() + 1, 0);
    const int ph = std::max(m_geom.PH() + 1, 0);
    plot.resize(pw, ph);
    plot.setPen({ToQColor(m_chartFrameColor), plot.pen().width, Canvas::PenStyle::Solid});
    plot.setBrush({ToQColor(m_chartColor), Canvas::BrushStyle::Solid});
    plot.rectangle(0, 0, pw, ph);
}

QPoint TRChart::plotPoint(int layer, double x, double y) const
{
    const QPoint p = m_mapping.Map(layer, x, y);
    return {ClampDraw(p.x()) - m_geom.ML, ClampDraw(p.y()) - m_geom.MT};
}

void TRChart::paintPlotContent(Canvas& plot)
{
    const QColor chart = ToQColor(m_chartColor);
    plot.setPenColor(chart);
    plot.setPenStyle(Canvas::PenStyle::Solid);
    plot.setBrush({chart, Canvas::BrushStyle::Solid});
    plot.moveTo(0, 0);
    paintGrid(plot);
    paintItems(plot);
    paintLabels(plot);
    paintPlotFrame(plot);
}

void TRChart::paintGrid(Canvas& plot)
{
    if (m_gridStyle == gsNone)
        return;
    const int layer = m_activeLayer;
    const ScaleSettings& sx = ScaleX(layer)->Settings();
    const ScaleSettings& sy = ScaleY(layer)->Settings();
    double xlo = sx.RangeLow, xhi = sx.RangeHigh, ylo = sy.RangeLow, yhi = sy.RangeHigh;
    if (xlo > xhi)
        std::swap(xlo, xhi);
    if (ylo > yhi)
        std::swap(ylo, yhi);

    // Positions along one axis: multiples of the spacing, the axis drawer's ticks for 0, or
    // decade steps for a logarithmic axis; never more than 1000.
    auto positions = [](double lo, double hi, double step, bool logarithmic, const TScale& drawer) {
        std::vector<double> out;
        if (step == 0) {
            for (double t : drawer.Ticks())
                if (t >= lo && t < hi)
                    out.push_back(t);
            std::sort(out.begin(), out.end());
        } else if (step < 0 && logarithmic) {
            out = logGrid(lo, hi, int(step));
        } else {
            const double d = std::fabs(step);
            double v = std::ceil(lo / d) * d;
            for (int i = 0; i < 1000 && v < hi; ++i, v += d)
                out.push_back(v);
        }
        if (out.size() > 1000)
            out.resize(1000);
        return out;
    };

    const QColor grid = ToQColor(m_gridColor);
    plot.setBrush({ToQColor(m_chartColor), Canvas::BrushStyle::Solid});
    plot.setPenColor(grid);
    plot.setPenWidth(1);
    const bool dotted = m_gridStyle == gsHorizDotLines || m_gridStyle == gsVertDotLines || m_gridStyle == gsDotLines;
    plot.setPenStyle(dotted ? Canvas::PenStyle::Dot : Canvas::PenStyle::Solid);

    const bool vertical = m_gridStyle == gsVertLines || m_gridStyle == gsVertDotLines || m_gridStyle == gsLines
                          || m_gridStyle == gsDotLines;
    const bool horizontal = m_gridStyle == gsHorizLines || m_gridStyle == gsHorizDotLines || m_gridStyle == gsLines
                            || m_gridStyle == gsDotLines;
    if (vertical || m_gridStyle == gsPoints) {
        const std::vector<double> xs = positions(xlo, xhi, m_gridDx, sx.Logarithmic, XScaleDrawer(layer));
        if (m_gridStyle == gsPoints) {
            const std::vector<double> ys = positions(ylo, yhi, m_gridDy, sy.Logarithmic, YScaleDrawer(layer));
            int count = 0;
            for (double x : xs)
                for (double y : ys) {
                    if (count++ >= 1000)
                        break;
                    const QPoint p = plotPoint(layer, x, y);
                    plot.setPixel(p.x(), p.y(), grid);
                }
        } else {
            for (double x : xs) {
                const QPoint a = plotPoint(layer, x, ylo);
                const QPoint b = plotPoint(layer, x, yhi);
                plot.moveTo(a.x(), a.y());
                plot.lineTo(b.x(), b.y());
            }
        }
    }
    if (horizontal) {
        const std::vector<double> ys = positions(ylo, yhi, m_gridDy, sy.Logarithmic, YScaleDrawer(layer));
        for (double y : ys) {
            const QPoint a = plotPoint(layer, xlo, y);
            const QPoint b = plotPoint(layer, xhi, y);
            plot.moveTo(a.x(), a.y());
            plot.lineTo(b.x(), b.y());
        }
    }
    plot.setPenStyle(Canvas::PenStyle::Solid);
}

void TRChart::paintItems(Canvas& plot)
{
    std::vector<QPoint>& buffer = m_buffer;
    buffer.clear();
    // Grid lines moved the surface's position; a list that starts with a line starts at the
    // plot origin all the same.
    QPoint pos(0, 0);
    plot.moveTo(0, 0);
    TColor color = m_chartColor;
    TPenStyle style = psSolid;
    int width = plot.pen().width;
    plot.setPenStyle(Canvas::PenStyle::Solid);

    auto flush = [&] {
        if (buffer.empty())
            return;
        if (buffer.size() >= 2)
            plot.polyline(buffer);
        pos = buffer.back();
        plot.moveTo(pos.x(), pos.y());
        buffer.clear();
    };

    for (const TChartItem& item : m_items) {
        if (!m_classVisible[item.ItemClass] || !m_layerVisible[std::size_t(clampLayer(item.Layer) - 1)])
            continue;
        if (item.LineWidth != width) {
            flush();
            width = item.LineWidth;
            plot.setPenWidth(width);
        }
        const QPoint p = plotPoint(item.Layer, item.X, item.Y);
        if (item.Kind == ikMoveTo) {
            flush();
            pos = p;
            plot.moveTo(p.x(), p.y());
        } else if (item.Kind == ikLineTo) {
            if (item.Color != color || item.PenStyle != style) {
                flush();
                color = item.Color;
                style = item.PenStyle;
                plot.setPenColor(ToQColor(color));
                plot.setPenStyle(canvasPenStyle(style));
            }
            if (buffer.empty())
                buffer.push_back(pos);
            buffer.push_back(p);
            if (buffer.size() >= 200) {
                flush();
                buffer.push_back(pos);
            }
        }
    }
    flush();
    plot.setPenWidth(1);
    plot.setPenStyle(Canvas::PenStyle::Solid);
}

void TRChart::paintLabels(Canvas& plot)
{
    const int ml = m_geom.ML, mt = m_geom.MT;
    for (int i = LabelCount; i >= 1; --i) {
        const TTextLabel& l = *m_labels[std::size_t(i - 1)];
        if (l.Mode() == tlOff || !l.Visible() || !LayerVisible(l.Layer()))
            continue;
        const TTextLabelAttachMode attach = l.AttachToData();
        const bool worldX = attach == tlamXOnly || attach == tlamBoth;
        const bool worldY = attach == tlamYOnly || attach == tlamBoth;
        int x = ClampDraw(worldX ? m_mapping.MapX(l.Layer(), l.PosX()) : RoundPixel(l.PosX()));
        int y = ClampDraw(worldY ? m_mapping.MapY(l.Layer(), l.PosY()) : RoundPixel(l.PosY()));

        plot.setFont(l.Font(), ToQColor(l.FontColor()));
        const QColor border = ToQColor(l.ColorBorder());
        const QColor bkg = ToQColor(l.ColorBkg());
        plot.setPen({border, 1, Canvas::PenStyle::Solid});
        plot.setBrush({bkg, l.Transparent() ? Canvas::BrushStyle::Clear : Canvas::BrushStyle::Solid});

        const QString caption = l.Caption();
        QStringList lines = caption.split(QLatin1Char('\n'));
        for (QString& line : lines)
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
        const int n = int(lines.size());
        std::vector<int> widths;
        int w = 0;
        for (const QString& line : lines) {
            widths.push_back(plot.textWidth(line));
            w = std::max(w, widths.back());
        }
        if (w == 0)
            w = plot.textWidth(caption);
        const int h = plot.textHeight(caption);

        if (l.VerticalAlignment() == vaTop)
            y += h;
        else if (l.VerticalAlignment() == vaCenter)
            y += h / 2;
        if (l.Alignment() == taRightJustify)
            x -= w;
        else if (l.Alignment() == taCenter)
            x -= w / 2;

        const QRect box(QPoint(x - 4 - ml, y - n * h - 2 - mt), QPoint(x + w + 4 - ml, y + 2 - mt));
        auto drawBox = [&plot](const QRect& r, int dx = 0, int dy = 0) {
            plot.rectangle(r.left() + dx, r.top() + dy, r.right() + dx, r.bottom() + dy);
        };
        switch (l.Mode()) {
        case tlsimple:
            if (!l.Transparent()) {
                plot.setPenColor(bkg);
                drawBox(box);
            }
            break;
        case tlBox:
            drawBox(box);
            break;
        case tlUnderline:
            if (!l.Transparent()) {
                plot.setPenColor(bkg);
                drawBox(box);
            }
            plot.setPenColor(border);
            plot.moveTo(x - ml, y - mt);
            plot.lineTo(x + w - ml, y - mt);
            break;
        case tlShadow: {
            const QColor shadow = ToQColor(l.ColorShadow());
            plot.setPenColor(shadow);
            plot.setBrushColor(shadow);
            drawBox(box, ClampDraw(l.ShadowDx()), ClampDraw(l.ShadowDy()));
            plot.setPenColor(border);
            plot.setBrushColor(bkg);
            drawBox(box);
            break;
        }
        case tlOff:
            break;
        }

        plot.setBrushColor(bkg);
        for (int k = 0; k < n; ++k) {
            int lx = x;
            if (l.Alignment() == taRightJustify)
                lx = x + (w - widths[std::size_t(k)]);
            else if (l.Alignment() == taCenter)
                lx = x + (w - widths[std::size_t(k)]) / 2;
            plot.textOut(lx - ml, y - (n - k) * h - mt, lines[k]);
        }
    }
}

void TRChart::paintPlotFrame(Canvas& plot)
{
    const int pw = m_geom.PW(), ph = m_geom.PH();
    plot.setPen({ToQColor(m_chartFrameColor), 1, Canvas::PenStyle::Solid});
    plot.moveTo(0, 0);
    plot.lineTo(pw, 0);
    plot.lineTo(pw, ph);
    plot.lineTo(0, ph);
    plot.lineTo(0, 0);
}

// --- window events ---

void TRChart::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = m_frame.image();
    if (image.isNull()) {
        painter.fillRect(event->rect(), ToQColor(m_windColor));
        return;
    }
    painter.drawImage(event->rect().topLeft(), image, event->rect());
}

void TRChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    geometryChanged();
    Paint();
}

void TRChart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_suspended) {
        m_suspended = false;
        syncDrawers();
        RecomputeMapping();
    }
    Paint();
}
