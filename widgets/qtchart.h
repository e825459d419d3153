#pragma once

#include "canvas.h"
#include "chartlayout.h"
#include "chartprops.h"
#include "chartrender.h"
#include "chartstate.h"
#include "qtcanvas.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>

#include <array>
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

// The chart without a window: its state, the published operations that change it (the ones
// the plotting calls, with their clamps and errors), and the one way it is drawn. TRChart wraps
// one for the screen; the simulator's pictures use one on its own.
//
// Drawing goes state -> layout (mapping, ticks, caption and label places; computed once per
// change) -> RenderChart onto any canvas. Setters mark what they changed: the static parts
// (kept as a picture), the labels, or the items. Shown in a view, the chart keeps a frame image
// made of the static picture with the items and labels drawn over it; ShowItems brings it up
// to date and the view only copies it.
class ChartModel : public QObject
{
    Q_OBJECT
    // For the translator, when the chart is used without a widget.
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TScalePropsHoriz* Scale1X READ Scale1X)
    Q_PROPERTY(TScalePropsHoriz* Scale2X READ Scale2X)
    Q_PROPERTY(TScalePropsHoriz* Scale3X READ Scale3X)
    Q_PROPERTY(TScalePropsHoriz* Scale4X READ Scale4X)
    Q_PROPERTY(TScalePropsVert* Scale1Y READ Scale1Y)
    Q_PROPERTY(TScalePropsVert* Scale2Y READ Scale2Y)
    Q_PROPERTY(TScalePropsVert* Scale3Y READ Scale3Y)
    Q_PROPERTY(TScalePropsVert* Scale4Y READ Scale4Y)

public:
    static constexpr int Layers = ChartState::Layers;
    static constexpr int LabelCount = ChartState::LabelCount;
    static constexpr int MaxMargin = 100000;

    // The scale and joint-layer objects become children of `propertyParent` (the widget that
    // publishes them), or of the chart itself.
    explicit ChartModel(QObject* propertyParent = nullptr);
    ~ChartModel() override;

    // --- loading from a stored layout ---
    // Between these two calls nothing is painted and scale settings are taken unchecked.
    void BeginLoading();
    void Loaded();
    bool IsLoading() const { return m_loading; }

    // --- display list ---
    void ClearItems();
    void MoveToPoint(double X, double Y) { append(X, Y, ikMoveTo); }
    void LineToPoint(double X, double Y) { append(X, Y, ikLineTo); }
    void ShowItems();
    int Count() const { return m_state.Items.Count(); }
    std::size_t Capacity() const { return m_state.Items.Capacity(); }
    const ChartItemList& Items() const { return m_state.Items; }
    ChartItemList& ItemStorage();
    int AllocSize() const { return m_state.Items.AllocSize(); }
    void SetAllocSize(int v) { m_state.Items.SetAllocSize(v); }

    // --- pen state, stamped on every appended item ---
    int ActiveLayer() const { return m_state.ActiveLayer; }
    void SetActiveLayer(int Layer);
    TColor DataColor() const { return m_state.DataColor; }
    void SetDataColor(TColor v) { m_state.DataColor = v; }
    TPenStyle PenStyle() const { return m_state.PenStyle; }
    void SetPenStyle(TPenStyle v) { m_state.PenStyle = v; }
    int LineWidth() const { return m_state.LineWidth; }
    // A byte: values outside 0..255 are ignored.
    void SetLineWidth(int v);
    int ClassDefault() const { return m_state.ClassDefault; }
    // 0..254; 255 and values outside a byte are ignored.
    void SetClassDefault(int v);

    bool ClassVisible(int itemClass) const;
    void SetClassVisible(int itemClass, bool visible);
    bool LayerVisible(int layer) const { return m_state.IsLayerVisible(layer); }
    void SetLayerVisible(int layer, bool visible);

    // --- layers ---
    // Layer n's scale object for n = 1..16, layer 1's for any other n.
    TScalePropsHoriz* ScaleX(int layer) const;
    TScalePropsVert* ScaleY(int layer) const;
    TScalePropsHoriz* Scale1X() const { return ScaleX(1); }
    TScalePropsHoriz* Scale2X() const { return ScaleX(2); }
    TScalePropsHoriz* Scale3X() const { return ScaleX(3); }
    TScalePropsHoriz* Scale4X() const { return ScaleX(4); }
    TScalePropsVert* Scale1Y() const { return ScaleY(1); }
    TScalePropsVert* Scale2Y() const { return ScaleY(2); }
    TScalePropsVert* Scale3Y() const { return ScaleY(3); }
    TScalePropsVert* Scale4Y() const { return ScaleY(4); }
    TJointLayers* JointLayers() const { return m_joint; }
    // The axis drawers, laid out for the current state.
    const TScale& XScaleDrawer(int layer);
    const TScale& YScaleDrawer(int layer);

    // --- text labels ---
    // Index 1..30; any other index raises EOrnRChartError.
    TTextLabel* TextLabel(int Index) const;
    // Fills the first label whose Mode is tlOff; 0 when none is free.
    int AddTextLabel(TColor Color, const QString& Text, int Template, double PosX, double PosY);
    void HideTextLabels();

    // --- appearance ---
    QString Caption() const { return m_state.Caption; }
    void SetCaption(const QString& v) { setAppearance(m_state.Caption, v, ChangeLayout); }
    int CaptionPosX() const { return m_state.CaptionPosX; }
    void SetCaptionPosX(int v) { setAppearance(m_state.CaptionPosX, v, ChangeLayout); }
    int CaptionPosY() const { return m_state.CaptionPosY; }
    void SetCaptionPosY(int v) { setAppearance(m_state.CaptionPosY, v, ChangeLayout); }
    TAlignment CaptionAlignment() const { return m_state.CaptionAlignment; }
    void SetCaptionAlignment(TAlignment v) { setAppearance(m_state.CaptionAlignment, v, ChangeLayout); }
    TCaptionAnchorHoriz CaptionAnchorHoriz() const { return m_state.CaptionAnchorHoriz; }
    void SetCaptionAnchorHoriz(TCaptionAnchorHoriz v) { setAppearance(m_state.CaptionAnchorHoriz, v, ChangeLayout); }
    TCaptionAnchorVert CaptionAnchorVert() const { return m_state.CaptionAnchorVert; }
    void SetCaptionAnchorVert(TCaptionAnchorVert v) { setAppearance(m_state.CaptionAnchorVert, v, ChangeLayout); }
    bool AutoRedraw() const { return m_autoRedraw; }
    void SetAutoRedraw(bool v) { m_autoRedraw = v; }
    // Margins are taken in 0..MaxMargin.
    int MarginLeft() const { return m_state.Geometry.ML; }
    void SetMarginLeft(int v) { setGeometryField(m_state.Geometry.ML, v); }
    int MarginRight() const { return m_state.Geometry.MR; }
    void SetMarginRight(int v) { setGeometryField(m_state.Geometry.MR, v); }
    int MarginTop() const { return m_state.Geometry.MT; }
    void SetMarginTop(int v) { setGeometryField(m_state.Geometry.MT, v); }
    int MarginBottom() const { return m_state.Geometry.MB; }
    void SetMarginBottom(int v) { setGeometryField(m_state.Geometry.MB, v); }
    int ShadowWidth() const { return m_state.Geometry.SW; }
    // Clamped to 0..32.
    void SetShadowWidth(int v);
    TShadowStyle ShadowStyle() const { return m_state.ShadowStyle; }
    void SetShadowStyle(TShadowStyle v) { setAppearance(m_state.ShadowStyle, v, ChangePicture); }
    TColor ShadowColor() const { return m_state.ShadowColor; }
    void SetShadowColor(TColor v) { setAppearance(m_state.ShadowColor, v, ChangePicture); }
    TColor ShadowBakColor() const { return m_state.ShadowBakColor; }
    void SetShadowBakColor(TColor v) { setAppearance(m_state.ShadowBakColor, v, ChangePicture); }
    TColor ChartFrameColor() const { return m_state.ChartFrameColor; }
    void SetChartFrameColor(TColor v) { setAppearance(m_state.ChartFrameColor, v, ChangePlotPicture); }
    TColor FillColor() const { return m_state.FillColor; }
    void SetFillColor(TColor v) { m_state.FillColor = v; }
    TColor ChartColor() const { return m_state.ChartColor; }
    void SetChartColor(TColor v) { setAppearance(m_state.ChartColor, v, ChangePlotPicture); }
    TColor WindColor() const { return m_state.WindColor; }
    void SetWindColor(TColor v) { setAppearance(m_state.WindColor, v, ChangePicture); }
    GridStyleType GridStyle() const { return m_state.GridStyle; }
    void SetGridStyle(GridStyleType v) { setAppearance(m_state.GridStyle, v, ChangeLayout); }
    TColor GridColor() const { return m_state.GridColor; }
    void SetGridColor(TColor v) { setAppearance(m_state.GridColor, v, ChangePlotPicture); }
    double GridDx() const { return m_state.GridDx; }
    // Values below -3 (and non-finite ones) are ignored; -1..-3 step logarithmic axes.
    void SetGridDx(double v);
    double GridDy() const { return m_state.GridDy; }
    void SetGridDy(double v);
    int TextFontStyle() const { return m_state.TextFontStyle; }
    void SetTextFontStyle(int v) { m_state.TextFontStyle = v; }
    TTextBkStyle TextBkStyle() const { return m_state.TextBkStyle; }
    void SetTextBkStyle(TTextBkStyle v) { m_state.TextBkStyle = v; }
    TColor TextBkColor() const { return m_state.TextBkColor; }
    void SetTextBkColor(TColor v) { m_state.TextBkColor = v; }
    TAlignment TextAlignment() const { return m_state.TextAlignment; }
    void SetTextAlignment(TAlignment v) { m_state.TextAlignment = v; }
    bool Isometric() const { return m_state.Isometric; }
    void SetIsometric(bool v) { m_state.Isometric = v; }
    TMouseAction MouseAction() const { return m_state.MouseAction; }
    void SetMouseAction(TMouseAction v) { m_state.MouseAction = v; }

    // --- size, as a widget's: raised to what the margins need ---
    QSize size() const { return {m_state.Geometry.W, m_state.Geometry.H}; }
    int width() const { return m_state.Geometry.W; }
    int height() const { return m_state.Geometry.H; }
    void resize(int width, int height);
    QSize MinimumSize() const;
    ChartGeometry Geometry() const { return m_state.Geometry; }

    // --- drawing ---
    const ChartState& State() const { return m_state; }
    // The layout of the current state as the chart's own images measure text.
    const ChartLayout& Layout();
    const ChartMapping& Mapping() { return Layout().mapping; }
    // The whole chart onto any surface, laid out for that surface's text metrics, with the
    // chart's top-left corner at the surface's (0, 0); nothing while loading. The same drawing
    // as the screen's, for pictures, SVG files and tests.
    void RenderTo(Canvas& target) const;
    // The whole chart as an image of its size.
    QImage Picture() const;

    // --- shown in a view ---
    void SetView(ChartView* view);
    // The frame image the view shows; null before the first paint.
    const QImage& FrameImage() const { return m_frame.image(); }
    // A full paint of the current state into the frame image, when the view lets it.
    void Paint();
    // A full paint unless the frame image already shows the current state: what a repaint
    // the window system asks for needs.
    void PaintIfChanged();

private:
    friend class TJointLayers;

    // What a change invalidates. Every change makes the frame image stale.
    enum Change : unsigned {
        ChangeItems = 0,
        ChangeLabels = 1,       // the label places
        ChangePicture = 2,      // the whole static picture, not its layout: surround, shadow
        ChangeStaticLayout = 4, // map, axes, caption, grid
        ChangePlotPicture = 8,  // only the plot background: plot, grid and frame colours
        // The static layout, and with it everything drawn.
        ChangeLayout = ChangeStaticLayout | ChangePicture | ChangeLabels,
    };
    enum class Scope { Whole, PlotArea };

    template <typename T>
    void setAppearance(T& field, const T& value, Change change)
    {
        if (field == value)
            return;
        field = value;
        changed(change);
        if (m_autoRedraw)
            Paint();
    }
    void changed(unsigned change);
    void append(double x, double y, std::uint8_t kind)
    {
        const ChartState& s = m_state;
        m_state.Items.Append({x, y, s.DataColor, s.PenStyle, s.LineWidth, std::uint8_t(s.ClassDefault), kind, s.ActiveLayer});
        ++m_version;
    }
    void setGeometryField(int& field, int value);
    void raiseToMinimumSize();
    void scaleChanged();
    void labelChanged();
    void applyJointRanges();

    void syncViewSize();
    bool canPaint() const;
    void present(Scope scope);
    void compose(Scope scope, const ChartLayout& layout);
    void usePlotBackground(const ChartLayout& layout);
    // Whether items and labels would come out as the frame image already shows them.
    bool dynamicPartsAsShown(const ChartLayout& layout) const;
    void rememberDynamicParts(const ChartLayout& layout);

    ChartState m_state;
    std::array<TScalePropsHoriz*, Layers> m_scaleX{};
    std::array<TScalePropsVert*, Layers> m_scaleY{};
    TJointLayers* m_joint = nullptr;
    bool m_ownsProperties = true;
    std::array<std::unique_ptr<TTextLabel>, LabelCount> m_labels;

    bool m_autoRedraw = true;
    bool m_loading = false;
    bool m_inLabelUpdate = false;
    bool m_presenting = false;

    // Caches, each valid until a change marks it.
    RasterTextMetrics m_metrics;
    ChartLayout m_layout;
    unsigned m_dirty = ChangeLayout;
    // The static picture in two parts: the frame (surround, shadow, caption, axes) and the plot
    // background with its grid. A few plot backgrounds are kept, one per plot colour: the
    // receiver chart takes a channel's colour, or white, as keys are typed.
    struct PlotBackground
    {
        TColor chartColor, gridColor, frameColor;
        ChartLayout::Grid grid;
        std::unique_ptr<QtCanvas> picture; // control-sized; only the plot area is drawn
        quint64 serial;
    };
    static constexpr std::size_t PlotBackgrounds = 3;
    static constexpr qint64 MaxCachedPixels = 4096 * 4096;
    QtCanvas m_static;
    std::vector<PlotBackground> m_plotBackgrounds; // the one in use first
    quint64 m_plotBackgroundsDrawn = 0;
    // Count the drawings of the static parts, and which the frame image was made of.
    quint64 m_staticFrameSerial = 0;
    quint64 m_staticPlotSerial = 0;
    quint64 m_composedFrameSerial = 0;
    quint64 m_composedPlotSerial = 0;
    QtCanvas m_frame; // the static picture with items and labels over it
    std::vector<QRect> m_damage; // what the items and labels cover in the frame image
    // What the items and labels in the frame image were drawn from.
    struct ShownDynamicParts
    {
        std::vector<TChartItem> items;
        std::vector<std::pair<ChartLayout::Label, TextLabelData>> labels;
        std::array<bool, Layers> layerVisible{};
        std::array<bool, 256> classVisible{};
    } m_shown;
    quint64 m_version = 1;       // counts changes of what a paint shows
    quint64 m_paintedVersion = 0;
    ChartView* m_view = nullptr;
};
