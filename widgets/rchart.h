#pragma once

#include "core/chart/chart.h"
#include "widgets/jointlayers.h"
#include "widgets/qtchart.h"
#include "widgets/scale.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

// The chart control: callers append move and line commands in world coordinates of one of 16
// layers; every paint replays the whole list. The chart itself (state, operations, drawing) is
// the core's Chart, presented through a QtChart's pixel caches; the widget publishes its
// properties to Qt (texts converted at this edge), gives it a window and copies its frame image.
class TRChart : public QWidget, private ChartView
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int CaptionPosX READ CaptionPosX WRITE SetCaptionPosX)
    Q_PROPERTY(int CaptionPosY READ CaptionPosY WRITE SetCaptionPosY)
    Q_PROPERTY(TAlignment CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
    Q_PROPERTY(TCaptionAnchorHoriz CaptionAnchorHoriz READ CaptionAnchorHoriz WRITE SetCaptionAnchorHoriz)
    Q_PROPERTY(TCaptionAnchorVert CaptionAnchorVert READ CaptionAnchorVert WRITE SetCaptionAnchorVert)
    Q_PROPERTY(int AllocSize READ AllocSize WRITE SetAllocSize)
    Q_PROPERTY(bool AutoRedraw READ AutoRedraw WRITE SetAutoRedraw)
    Q_PROPERTY(int MarginLeft READ MarginLeft WRITE SetMarginLeft)
    Q_PROPERTY(int MarginRight READ MarginRight WRITE SetMarginRight)
    Q_PROPERTY(int MarginTop READ MarginTop WRITE SetMarginTop)
    Q_PROPERTY(int MarginBottom READ MarginBottom WRITE SetMarginBottom)
    Q_PROPERTY(int LRim READ MarginLeft WRITE SetMarginLeft STORED false)
    Q_PROPERTY(int RRim READ MarginRight WRITE SetMarginRight STORED false)
    Q_PROPERTY(int TRim READ MarginTop WRITE SetMarginTop STORED false)
    Q_PROPERTY(int BRim READ MarginBottom WRITE SetMarginBottom STORED false)
    Q_PROPERTY(int ShadowWidth READ ShadowWidth WRITE SetShadowWidth)
    Q_PROPERTY(TShadowStyle ShadowStyle READ ShadowStyle WRITE SetShadowStyle)
    Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(TColor ShadowBakColor READ ShadowBakColor WRITE SetShadowBakColor)
    Q_PROPERTY(TColor DataColor READ DataColor WRITE SetDataColor)
    Q_PROPERTY(TPenStyle PenStyle READ PenStyle WRITE SetPenStyle)
    Q_PROPERTY(int LineWidth READ LineWidth WRITE SetLineWidth)
    Q_PROPERTY(int ClassDefault READ ClassDefault WRITE SetClassDefault)
    Q_PROPERTY(TColor ChartFrameColor READ ChartFrameColor WRITE SetChartFrameColor)
    Q_PROPERTY(TColor FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(TColor ChartColor READ ChartColor WRITE SetChartColor)
    Q_PROPERTY(TColor WindColor READ WindColor WRITE SetWindColor)
    Q_PROPERTY(GridStyleType GridStyle READ GridStyle WRITE SetGridStyle)
    Q_PROPERTY(TColor GridColor READ GridColor WRITE SetGridColor)
    Q_PROPERTY(double GridDx READ GridDx WRITE SetGridDx)
    Q_PROPERTY(double GridDy READ GridDy WRITE SetGridDy)
    Q_PROPERTY(int TextFontStyle READ TextFontStyle WRITE SetTextFontStyle)
    Q_PROPERTY(TTextBkStyle TextBkStyle READ TextBkStyle WRITE SetTextBkStyle)
    Q_PROPERTY(TColor TextBkColor READ TextBkColor WRITE SetTextBkColor)
    Q_PROPERTY(TAlignment TextAlignment READ TextAlignment WRITE SetTextAlignment)
    Q_PROPERTY(bool Isometric READ Isometric WRITE SetIsometric)
    Q_PROPERTY(TMouseAction MouseAction READ MouseAction WRITE SetMouseAction)
    Q_PROPERTY(TScalePropsHoriz* Scale1X READ Scale1X)
    Q_PROPERTY(TScalePropsHoriz* Scale2X READ Scale2X)
    Q_PROPERTY(TScalePropsHoriz* Scale3X READ Scale3X)
    Q_PROPERTY(TScalePropsHoriz* Scale4X READ Scale4X)
    Q_PROPERTY(TScalePropsVert* Scale1Y READ Scale1Y)
    Q_PROPERTY(TScalePropsVert* Scale2Y READ Scale2Y)
    Q_PROPERTY(TScalePropsVert* Scale3Y READ Scale3Y)
    Q_PROPERTY(TScalePropsVert* Scale4Y READ Scale4Y)
    Q_PROPERTY(TJointLayers* JointLayers READ JointLayers)


public:
    static constexpr int Layers = Chart::Layers;
    static constexpr int LabelCount = Chart::LabelCount;
    static constexpr int MaxMargin = Chart::MaxMargin;

    explicit TRChart(QWidget* parent = nullptr);
    ~TRChart() override;

    // The chart the widget shows: what the plotting drives.
    Chart& Core() { return m_view.Core(); }
    const Chart& Core() const { return m_view.Core(); }

    // --- loading from a stored layout ---
    // Between these two calls no paint happens and scale settings are taken unchecked.
    void BeginLoading() { m_model->BeginLoading(); }
    void Loaded();
    bool IsLoading() const { return m_model->IsLoading(); }

    // --- display list ---
    void ClearItems() { m_model->ClearItems(); }
    void MoveToPoint(double X, double Y) { m_model->MoveToPoint(X, Y); }
    void LineToPoint(double X, double Y) { m_model->LineToPoint(X, Y); }
    void ShowItems() { m_model->ShowItems(); }
    int Count() const { return m_model->Count(); }
    std::size_t Capacity() const { return m_model->Capacity(); }
    const ChartItemList& Items() const { return m_model->Items(); }
    ChartItemList& ItemStorage() { return m_model->ItemStorage(); }
    int AllocSize() const { return m_model->AllocSize(); }
    void SetAllocSize(int v) { m_model->SetAllocSize(v); }

    // --- pen state, stamped on every appended item ---
    int ActiveLayer() const { return m_model->ActiveLayer(); }
    void SetActiveLayer(int Layer) { m_model->SetActiveLayer(Layer); }
    TColor DataColor() const { return m_model->DataColor(); }
    void SetDataColor(TColor v) { m_model->SetDataColor(v); }
    TPenStyle PenStyle() const { return m_model->PenStyle(); }
    void SetPenStyle(TPenStyle v) { m_model->SetPenStyle(v); }
    int LineWidth() const { return m_model->LineWidth(); }
    // A byte: values outside 0..255 are ignored.
    void SetLineWidth(int v) { m_model->SetLineWidth(v); }
    int ClassDefault() const { return m_model->ClassDefault(); }
    // 0..254; 255 and values outside a byte are ignored.
    void SetClassDefault(int v) { m_model->SetClassDefault(v); }

    bool ClassVisible(int itemClass) const { return m_model->ClassVisible(itemClass); }
    void SetClassVisible(int itemClass, bool visible) { m_model->SetClassVisible(itemClass, visible); }
    bool LayerVisible(int layer) const { return m_model->LayerVisible(layer); }
    void SetLayerVisible(int layer, bool visible) { m_model->SetLayerVisible(layer, visible); }

    // --- layers ---
    // Layer n's scale object for n = 1..16, layer 1's for any other n.
    TScalePropsHoriz* ScaleX(int layer) const { return m_scaleX[std::size_t(layer >= 1 && layer <= Layers ? layer - 1 : 0)]; }
    TScalePropsVert* ScaleY(int layer) const { return m_scaleY[std::size_t(layer >= 1 && layer <= Layers ? layer - 1 : 0)]; }
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
    const TScale& XScaleDrawer(int layer) const;
    const TScale& YScaleDrawer(int layer) const;

    // --- text labels ---
    // Index 1..30; any other index raises EOrnRChartError.
    TTextLabel* TextLabel(int Index) const { return m_model->TextLabel(Index); }
    // Fills the first label whose Mode is tlOff; 0 when none is free.
    int AddTextLabel(TColor Color, const QString& Text, int Template, double PosX, double PosY);
    void HideTextLabels() { m_model->HideTextLabels(); }

    // --- appearance ---
    QString Caption() const;
    void SetCaption(const QString& v);
    int CaptionPosX() const { return m_model->CaptionPosX(); }
    void SetCaptionPosX(int v) { m_model->SetCaptionPosX(v); }
    int CaptionPosY() const { return m_model->CaptionPosY(); }
    void SetCaptionPosY(int v) { m_model->SetCaptionPosY(v); }
    TAlignment CaptionAlignment() const { return m_model->CaptionAlignment(); }
    void SetCaptionAlignment(TAlignment v) { m_model->SetCaptionAlignment(v); }
    TCaptionAnchorHoriz CaptionAnchorHoriz() const { return m_model->CaptionAnchorHoriz(); }
    void SetCaptionAnchorHoriz(TCaptionAnchorHoriz v) { m_model->SetCaptionAnchorHoriz(v); }
    TCaptionAnchorVert CaptionAnchorVert() const { return m_model->CaptionAnchorVert(); }
    void SetCaptionAnchorVert(TCaptionAnchorVert v) { m_model->SetCaptionAnchorVert(v); }
    bool AutoRedraw() const { return m_model->AutoRedraw(); }
    void SetAutoRedraw(bool v) { m_model->SetAutoRedraw(v); }
    // Margins are taken in 0..MaxMargin; the control grows to the size they need.
    int MarginLeft() const { return m_model->MarginLeft(); }
    void SetMarginLeft(int v) { m_model->SetMarginLeft(v); }
    int MarginRight() const { return m_model->MarginRight(); }
    void SetMarginRight(int v) { m_model->SetMarginRight(v); }
    int MarginTop() const { return m_model->MarginTop(); }
    void SetMarginTop(int v) { m_model->SetMarginTop(v); }
    int MarginBottom() const { return m_model->MarginBottom(); }
    void SetMarginBottom(int v) { m_model->SetMarginBottom(v); }
    int ShadowWidth() const { return m_model->ShadowWidth(); }
    // Clamped to 0..32.
    void SetShadowWidth(int v) { m_model->SetShadowWidth(v); }
    TShadowStyle ShadowStyle() const { return m_model->ShadowStyle(); }
    void SetShadowStyle(TShadowStyle v) { m_model->SetShadowStyle(v); }
    TColor ShadowColor() const { return m_model->ShadowColor(); }
    void SetShadowColor(TColor v) { m_model->SetShadowColor(v); }
    TColor ShadowBakColor() const { return m_model->ShadowBakColor(); }
    void SetShadowBakColor(TColor v) { m_model->SetShadowBakColor(v); }
    TColor ChartFrameColor() const { return m_model->ChartFrameColor(); }
    void SetChartFrameColor(TColor v) { m_model->SetChartFrameColor(v); }
    TColor FillColor() const { return m_model->FillColor(); }
    void SetFillColor(TColor v) { m_model->SetFillColor(v); }
    TColor ChartColor() const { return m_model->ChartColor(); }
    void SetChartColor(TColor v) { m_model->SetChartColor(v); }
    TColor WindColor() const { return m_model->WindColor(); }
    void SetWindColor(TColor v) { m_model->SetWindColor(v); }
    GridStyleType GridStyle() const { return m_model->GridStyle(); }
    void SetGridStyle(GridStyleType v) { m_model->SetGridStyle(v); }
    TColor GridColor() const { return m_model->GridColor(); }
    void SetGridColor(TColor v) { m_model->SetGridColor(v); }
    double GridDx() const { return m_model->GridDx(); }
    // Values below -3 (and non-finite ones) are ignored; -1..-3 step logarithmic axes.
    void SetGridDx(double v) { m_model->SetGridDx(v); }
    double GridDy() const { return m_model->GridDy(); }
    void SetGridDy(double v) { m_model->SetGridDy(v); }
    int TextFontStyle() const { return m_model->TextFontStyle(); }
    void SetTextFontStyle(int v) { m_model->SetTextFontStyle(v); }
    TTextBkStyle TextBkStyle() const { return m_model->TextBkStyle(); }
    void SetTextBkStyle(TTextBkStyle v) { m_model->SetTextBkStyle(v); }
    TColor TextBkColor() const { return m_model->TextBkColor(); }
    void SetTextBkColor(TColor v) { m_model->SetTextBkColor(v); }
    TAlignment TextAlignment() const { return m_model->TextAlignment(); }
    void SetTextAlignment(TAlignment v) { m_model->SetTextAlignment(v); }
    bool Isometric() const { return m_model->Isometric(); }
    void SetIsometric(bool v) { m_model->SetIsometric(v); }
    TMouseAction MouseAction() const { return m_model->MouseAction(); }
    void SetMouseAction(TMouseAction v) { m_model->SetMouseAction(v); }

    // --- drawing ---
    ChartGeometry Geometry() const;
    const ChartMapping& Mapping() const;
    const ChartLayout& Layout() const;
    // The whole chart drawn onto target with its top-left at the target's (0, 0): the drawing
    // the window shows, for pictures and SVG files; nothing while loading.
    void RenderTo(Canvas& target);
    // The frame image as the window shows it; null before the first paint.
    QImage FrameImage() const { return m_view.FrameImage(); }
    bool PaintingSuspended() const { return m_suspended; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QSize ChartViewSize() const override { return size(); }
    bool ChartViewReady() const override;
    void ChartViewUpdate(const std::vector<QRect>& area) override;
    void ChartViewMinimumSize(QSize size) override;

    void syncSize() const;

    // Outlives the property objects, which point into it.
    mutable QtChart m_view;
    Chart* m_model;
    std::array<TScalePropsHoriz*, Layers> m_scaleX{};
    std::array<TScalePropsVert*, Layers> m_scaleY{};
    TJointLayers* m_joint = nullptr;
    // Painting waits for the window; until then a paint request does nothing.
    bool m_suspended = true;
    // The next paint event copies what ShowItems drew rather than drawing the state again.
    bool m_updatePending = false;
    // The area of the paint event in progress, if any.
    const QRegion* m_painting = nullptr;
};
