#pragma once

#include "core/chart/canvas.h"
#include "core/chart/chartlayout.h"
#include "core/chart/chartprops.h"
#include "core/chart/chartrender.h"
#include "core/chart/chartstate.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum class ChartPaintScope { Whole, PlotArea };

// What shows a chart: a window, a browser canvas. The chart asks it to paint when the published
// operations say so (ShowItems; appearance changes while AutoRedraw is set; scale changes) and
// never while it is loading. The shell reads State(), Layout() and Changes() to decide what to
// draw again.
class ChartPresenter
{
public:
    virtual void ChartPaint(ChartPaintScope scope) = 0;
    // The margins changed the smallest size the chart may have.
    virtual void ChartMinimumSizeChanged(Size minimum) = 0;

protected:
    ~ChartPresenter() = default;
};

// What a change invalidated, as bits of Changes(). Every change also counts up Version().
enum ChartChange : unsigned {
    ChangeItems = 1,          // the display list, the active layer, item and layer visibility
    ChangeLabels = 2,         // the text labels' places and looks
    ChangeStaticPicture = 4,  // the whole static picture: surround, shadow, caption, axes, plot background
    ChangeStaticLayout = 8,   // map, axes, caption, grid
    ChangePlotBackground = 16, // only the plot background: plot, grid and frame colours
    // The static layout, and with it everything drawn.
    ChangeLayout = ChangeStaticLayout | ChangeStaticPicture | ChangeLabels,
};

// The chart control's engine without any window: its state, the published operations that
// change it (the ones the plotting calls, with their clamps and errors), change tracking, and
// the one way it is drawn: state -> layout (mapping, ticks, caption and label places; kept until
// a change) -> RenderChart onto any canvas.
class Chart
{
public:
    static constexpr int Layers = ChartState::Layers;
    static constexpr int LabelCount = ChartState::LabelCount;
    static constexpr int MaxMargin = 100000;

    Chart();
    ~Chart();
    Chart(const Chart&) = delete;
    Chart& operator=(const Chart&) = delete;

    // The component name that error messages give.
    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }

    // --- loading from a stored layout ---
    // Between these two calls nothing is painted and scale settings are taken unchecked.
    void BeginLoading();
    void Loaded();
    bool IsLoading() const { return m_loading; }

    // --- display list ---
    void ClearItems();
    void MoveToPoint(double X, double Y) { append(X, Y, ikMoveTo); }
    void LineToPoint(double X, double Y) { append(X, Y, ikLineTo); }
    // Asks the presenter to put the list on screen: the plot area alone while AutoRedraw is set.
    void ShowItems();
    int Count() const { return m_state.Items.Count(); }
    std::size_t Capacity() const { return m_state.Items.Capacity(); }
    const ChartItemList& Items() const { return m_state.Items; }
    // The list itself, for callers that write items directly; counts as a change.
    ChartItemList& ItemStorage();
    int AllocSize() const { return m_state.Items.AllocSize(); }
    void SetAllocSize(int v) { m_state.Items.SetAllocSize(v); }

    // --- pen state, stamped on every appended item ---
    int ActiveLayer() const { return m_state.ActiveLayer; }
    // 1..16; any other value is ignored.
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
    ScaleProps& ScaleX(int layer) { return *m_scaleX[scaleIndex(layer)]; }
    ScaleProps& ScaleY(int layer) { return *m_scaleY[scaleIndex(layer)]; }
    const ScaleProps& ScaleX(int layer) const { return *m_scaleX[scaleIndex(layer)]; }
    const ScaleProps& ScaleY(int layer) const { return *m_scaleY[scaleIndex(layer)]; }
    JointLayers& Joints() { return *m_joint; }
    const JointLayers& Joints() const { return *m_joint; }

    // --- text labels ---
    // Index 1..30; any other index raises EOrnRChartError.
    TTextLabel* TextLabel(int Index) const;
    // Fills the first label whose Mode is tlOff; 0 when none is free.
    int AddTextLabel(TColor Color, const std::string& Text, int Template, double PosX, double PosY);
    void HideTextLabels();

    // --- appearance ---
    const std::string& Caption() const { return m_state.Caption; }
    void SetCaption(const std::string& v) { setAppearance(m_state.Caption, v, ChangeLayout); }
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
    // Margins are taken in 0..MaxMargin; the size grows to what they need.
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
    void SetShadowStyle(TShadowStyle v) { setAppearance(m_state.ShadowStyle, v, ChangeStaticPicture); }
    TColor ShadowColor() const { return m_state.ShadowColor; }
    void SetShadowColor(TColor v) { setAppearance(m_state.ShadowColor, v, ChangeStaticPicture); }
    TColor ShadowBakColor() const { return m_state.ShadowBakColor; }
    void SetShadowBakColor(TColor v) { setAppearance(m_state.ShadowBakColor, v, ChangeStaticPicture); }
    TColor ChartFrameColor() const { return m_state.ChartFrameColor; }
    void SetChartFrameColor(TColor v) { setAppearance(m_state.ChartFrameColor, v, ChangePlotBackground); }
    TColor FillColor() const { return m_state.FillColor; }
    void SetFillColor(TColor v) { m_state.FillColor = v; }
    TColor ChartColor() const { return m_state.ChartColor; }
    void SetChartColor(TColor v) { setAppearance(m_state.ChartColor, v, ChangePlotBackground); }
    TColor WindColor() const { return m_state.WindColor; }
    void SetWindColor(TColor v) { setAppearance(m_state.WindColor, v, ChangeStaticPicture); }
    GridStyleType GridStyle() const { return m_state.GridStyle; }
    void SetGridStyle(GridStyleType v) { setAppearance(m_state.GridStyle, v, ChangeLayout); }
    TColor GridColor() const { return m_state.GridColor; }
    void SetGridColor(TColor v) { setAppearance(m_state.GridColor, v, ChangePlotBackground); }
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

    // Hands every published text that a translator walks (the caption, then the texts of the
    // scales of layers 1 to 4, x before y) to `translate`, which may change it in place.
    void TranslateTexts(const std::function<void(std::string& text)>& translate);

    // --- size: raised to what the margins need ---
    Size GetSize() const { return {m_state.Geometry.W, m_state.Geometry.H}; }
    int Width() const { return m_state.Geometry.W; }
    int Height() const { return m_state.Geometry.H; }
    void Resize(int width, int height);
    Size MinimumSize() const;
    ChartGeometry Geometry() const { return m_state.Geometry; }

    // --- drawing ---
    const ChartState& State() const { return m_state; }
    // How text is measured for Layout(); the fixed metrics until a shell gives its own, which
    // must outlive the chart.
    void SetTextMetrics(const TextMetrics* metrics);
    // The layout of the current state, recomputed only where a change invalidated it.
    const ChartLayout& Layout();
    const ChartMapping& Mapping() { return Layout().mapping; }
    // The axis drawers, laid out for the current state.
    const TScale& XScaleDrawer(int layer) { return Layout().scaleX[ChartState::index(layer)]; }
    const TScale& YScaleDrawer(int layer) { return Layout().scaleY[ChartState::index(layer)]; }
    // The whole chart onto any surface, laid out for that surface's text metrics, with the
    // chart's top-left corner at the surface's (0, 0); nothing while loading.
    void RenderTo(Canvas& target) const;

    // --- shown by a presenter ---
    void SetPresenter(ChartPresenter* presenter);
    ChartPresenter* Presenter() const { return m_presenter; }
    // Asks the presenter for a full paint; nothing while loading.
    void Paint();
    // ChangeChart bits since the shell last cleared them; Layout() clears the layout's own.
    unsigned Changes() const { return m_dirty; }
    void ClearChanges(unsigned bits) { m_dirty &= ~bits; }
    // Counts every change of what a paint shows.
    std::uint64_t Version() const { return m_version; }
    // A full paint of `layout` happened: the frame surface keeps the font of the last visible
    // axis, in which the caption is drawn next time.
    void WholePainted(const ChartLayout& layout);

private:
    friend class ScaleProps;
    friend class JointLayers;

    static std::size_t scaleIndex(int layer) { return std::size_t(layer >= 1 && layer <= Layers ? layer - 1 : 0); }
    template <typename T>
    void setAppearance(T& field, const T& value, unsigned change)
    {
        if (field == value)
            return;
        field = value;
        changed(change);
        if (m_autoRedraw)
            Paint();
    }
    void changed(unsigned change)
    {
        m_dirty |= change;
        ++m_version;
    }
    void append(double x, double y, std::uint8_t kind)
    {
        const ChartState& s = m_state;
        m_state.Items.Append({x, y, s.DataColor, s.PenStyle, s.LineWidth, std::uint8_t(s.ClassDefault), kind, s.ActiveLayer});
        m_dirty |= ChangeItems;
        ++m_version;
    }
    void setGeometryField(int& field, int value);
    void raiseToMinimumSize();
    void scaleChanged();
    void labelChanged();
    void applyJointRanges();
    void present(ChartPaintScope scope);

    ChartState m_state;
    std::string m_name;
    std::array<std::unique_ptr<ScaleProps>, Layers> m_scaleX;
    std::array<std::unique_ptr<ScaleProps>, Layers> m_scaleY;
    std::unique_ptr<JointLayers> m_joint;
    std::array<std::unique_ptr<TTextLabel>, LabelCount> m_labels;

    bool m_autoRedraw = true;
    bool m_loading = false;
    bool m_inLabelUpdate = false;

    const TextMetrics* m_metrics;
    ChartLayout m_layout;
    unsigned m_dirty = ChangeLayout | ChangeItems;
    std::uint64_t m_version = 1;
    ChartPresenter* m_presenter = nullptr;
};
