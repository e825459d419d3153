#pragma once

#include "canvas.h"
#include "chartcolor.h"
#include "chartlist.h"
#include "chartmapping.h"
#include "qtcanvas.h"
#include "scale.h"

#include <QFont>
#include <QImage>
#include <QObject>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

enum TVerticalAlignment { vaTop, vaCenter, vaBottom };
enum TTextLabelMode { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
enum TTextLabelAttachMode { tlamNone, tlamXOnly, tlamYOnly, tlamBoth };
enum GridStyleType { gsNone, gsPoints, gsVertLines, gsHorizLines, gsLines, gsHorizDotLines, gsVertDotLines, gsDotLines };
enum TCaptionAnchorHoriz { cahControlLeft, cahChartLeft, cahChartCenter, cahChartRight, cahControlRight };
enum TCaptionAnchorVert { cavControlTop, cavChartTop, cavChartCenter, cavChartBottom, cavControlBottom };
enum TShadowStyle { ssFlying, ssBox };
enum TMouseAction { maNone, maZoomWind, maZoomDrag, maPan, maPanHoriz, maPanVert, maDragLabel };
enum TTextBkStyle { tbClear, tbOpaque };

class TRChart;

// Raised for an index outside the label array and for a broken joint-layer assignment.
class EOrnRChartError : public std::runtime_error
{
public:
    explicit EOrnRChartError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// Range and axis settings of one layer in one direction. Every change is announced through
// OnChange, on which the owning chart refreshes its axis drawers and repaints.
class TScaleProps : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int CaptionPosX READ CaptionPosX WRITE SetCaptionPosX)
    Q_PROPERTY(int CaptionPosY READ CaptionPosY WRITE SetCaptionPosY)
    Q_PROPERTY(TAlignment CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
    Q_PROPERTY(TScaleUnitAnchor CaptionAnchor READ CaptionAnchor WRITE SetCaptionAnchor)
    Q_PROPERTY(TColor ColorScale READ ColorScale WRITE SetColorScale)
    Q_PROPERTY(int DecPlaces READ DecPlaces WRITE SetDecPlaces)
    Q_PROPERTY(QFont Font READ Font WRITE SetFont)
    Q_PROPERTY(bool Logarithmic READ Logarithmic WRITE SetLogarithmic)
    Q_PROPERTY(TFigType LabelType READ LabelType WRITE SetLabelType)
    Q_PROPERTY(int MinTicks READ MinTicks WRITE SetMinTicks)
    Q_PROPERTY(double MinRange READ MinRange WRITE SetMinRange)
    Q_PROPERTY(double RangeLow READ RangeLow WRITE SetRangeLow)
    Q_PROPERTY(double RangeHigh READ RangeHigh WRITE SetRangeHigh)
    Q_PROPERTY(bool ShortTicks READ ShortTicks WRITE SetShortTicks)
    Q_PROPERTY(QString ScaleInscript READ ScaleInscript WRITE SetScaleInscript)
    Q_PROPERTY(int ScalePos READ ScalePos WRITE SetScalePos)
    Q_PROPERTY(QString UserTickText READ UserTickText WRITE SetUserTickText)
    Q_PROPERTY(QString DateFormat READ DateFormat WRITE SetDateFormat)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(TScaleLocation ScaleLocation READ ScaleLocation WRITE SetScaleLocation)

public:
    const ScaleSettings& Settings() const { return m_s; }
    int Layer() const { return m_layer; }
    virtual bool IsHorizontal() const = 0;

    QString Caption() const { return m_s.Caption; }
    void SetCaption(const QString& v) { set(m_s.Caption, v); }
    int CaptionPosX() const { return m_s.CaptionPosX; }
    void SetCaptionPosX(int v) { set(m_s.CaptionPosX, v); }
    int CaptionPosY() const { return m_s.CaptionPosY; }
    void SetCaptionPosY(int v) { set(m_s.CaptionPosY, v); }
    TAlignment CaptionAlignment() const { return m_s.CaptionAlignment; }
    void SetCaptionAlignment(TAlignment v) { set(m_s.CaptionAlignment, v); }
    TScaleUnitAnchor CaptionAnchor() const { return m_s.CaptionAnchor; }
    void SetCaptionAnchor(TScaleUnitAnchor v) { set(m_s.CaptionAnchor, v); }
    TColor ColorScale() const { return m_s.ColorScale; }
    void SetColorScale(TColor v) { set(m_s.ColorScale, v); }
    int DecPlaces() const { return m_s.DecPlaces; }
    void SetDecPlaces(int v) { set(m_s.DecPlaces, v); }
    QFont Font() const { return m_s.Font; }
    void SetFont(const QFont& v) { set(m_s.Font, v); }
    bool Logarithmic() const { return m_s.Logarithmic; }
    // After loading, accepted only when both range ends are at least 1e-100 and the labels
    // are not dates.
    void SetLogarithmic(bool v);
    TFigType LabelType() const { return m_s.LabelType; }
    void SetLabelType(TFigType v);
    int MinTicks() const { return m_s.MinTicks; }
    void SetMinTicks(int v) { set(m_s.MinTicks, v); }
    double MinRange() const { return m_s.MinRange; }
    // Negative and non-finite values are ignored.
    void SetMinRange(double v);
    double RangeLow() const { return m_s.RangeLow; }
    void SetRangeLow(double v);
    double RangeHigh() const { return m_s.RangeHigh; }
    void SetRangeHigh(double v);
    bool ShortTicks() const { return m_s.ShortTicks; }
    void SetShortTicks(bool v) { set(m_s.ShortTicks, v); }
    QString ScaleInscript() const { return m_s.ScaleInscript; }
    void SetScaleInscript(const QString& v) { set(m_s.ScaleInscript, v); }
    int ScalePos() const { return m_s.ScalePos; }
    void SetScalePos(int v) { set(m_s.ScalePos, v); }
    QString UserTickText() const { return m_s.UserTickText; }
    void SetUserTickText(const QString& v) { set(m_s.UserTickText, v); }
    QString DateFormat() const { return m_s.DateFormat; }
    void SetDateFormat(const QString& v) { set(m_s.DateFormat, v); }
    bool Visible() const { return m_s.Visible; }
    void SetVisible(bool v) { set(m_s.Visible, v); }
    // Reads the stored value; until it is written, odd layers sit at the bottom or left and
    // even layers at the top or right.
    TScaleLocation ScaleLocation() const { return m_s.ScaleLocation; }
    void SetScaleLocation(TScaleLocation v);
    TScaleLocation EffectiveLocation() const;

    // Used by the chart: a range taken over from a controlling layer, without notification.
    void AssignRange(double lo, double hi);
    void SetLoading(bool loading) { m_loading = loading; }

signals:
    void OnChange();

protected:
    TScaleProps(int layer, QObject* parent);

    template <typename T>
    void set(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        emit OnChange();
    }

    ScaleSettings m_s;
    int m_layer;
    bool m_loading = false;
    bool m_locationWritten = false;
};

class TScalePropsHoriz final : public TScaleProps
{
    Q_OBJECT
public:
    TScalePropsHoriz(int layer, QObject* parent);
    bool IsHorizontal() const override { return true; }
};

class TScalePropsVert final : public TScaleProps
{
    Q_OBJECT
public:
    TScalePropsVert(int layer, QObject* parent);
    bool IsHorizontal() const override { return false; }
};

// Which layer's range each layer follows, separately for x and y. Joins are one level deep.
class TJointLayers : public QObject
{
    Q_OBJECT
#define DSCDMA_JOINT_PROPS(nn)                                                                     \
public:                                                                                            \
    int L##nn##xControlledBy() const { return XControlledBy(1##nn - 100); }                        \
    void SetL##nn##xControlledBy(int d) { SetXControlledBy(1##nn - 100, d); }                      \
    int L##nn##yControlledBy() const { return YControlledBy(1##nn - 100); }                        \
    void SetL##nn##yControlledBy(int d) { SetYControlledBy(1##nn - 100, d); }
    DSCDMA_JOINT_PROPS(01)
    DSCDMA_JOINT_PROPS(02)
    DSCDMA_JOINT_PROPS(03)
    DSCDMA_JOINT_PROPS(04)
    DSCDMA_JOINT_PROPS(05)
    DSCDMA_JOINT_PROPS(06)
    DSCDMA_JOINT_PROPS(07)
    DSCDMA_JOINT_PROPS(08)
    DSCDMA_JOINT_PROPS(09)
    DSCDMA_JOINT_PROPS(10)
    DSCDMA_JOINT_PROPS(11)
    DSCDMA_JOINT_PROPS(12)
    DSCDMA_JOINT_PROPS(13)
    DSCDMA_JOINT_PROPS(14)
    DSCDMA_JOINT_PROPS(15)
    DSCDMA_JOINT_PROPS(16)
#undef DSCDMA_JOINT_PROPS
    Q_PROPERTY(int L01xControlledBy READ L01xControlledBy WRITE SetL01xControlledBy)
    Q_PROPERTY(int L02xControlledBy READ L02xControlledBy WRITE SetL02xControlledBy)
    Q_PROPERTY(int L03xControlledBy READ L03xControlledBy WRITE SetL03xControlledBy)
    Q_PROPERTY(int L04xControlledBy READ L04xControlledBy WRITE SetL04xControlledBy)
    Q_PROPERTY(int L05xControlledBy READ L05xControlledBy WRITE SetL05xControlledBy)
    Q_PROPERTY(int L06xControlledBy READ L06xControlledBy WRITE SetL06xControlledBy)
    Q_PROPERTY(int L07xControlledBy READ L07xControlledBy WRITE SetL07xControlledBy)
    Q_PROPERTY(int L08xControlledBy READ L08xControlledBy WRITE SetL08xControlledBy)
    Q_PROPERTY(int L09xControlledBy READ L09xControlledBy WRITE SetL09xControlledBy)
    Q_PROPERTY(int L10xControlledBy READ L10xControlledBy WRITE SetL10xControlledBy)
    Q_PROPERTY(int L11xControlledBy READ L11xControlledBy WRITE SetL11xControlledBy)
    Q_PROPERTY(int L12xControlledBy READ L12xControlledBy WRITE SetL12xControlledBy)
    Q_PROPERTY(int L13xControlledBy READ L13xControlledBy WRITE SetL13xControlledBy)
    Q_PROPERTY(int L14xControlledBy READ L14xControlledBy WRITE SetL14xControlledBy)
    Q_PROPERTY(int L15xControlledBy READ L15xControlledBy WRITE SetL15xControlledBy)
    Q_PROPERTY(int L16xControlledBy READ L16xControlledBy WRITE SetL16xControlledBy)
    Q_PROPERTY(int L01yControlledBy READ L01yControlledBy WRITE SetL01yControlledBy)
    Q_PROPERTY(int L02yControlledBy READ L02yControlledBy WRITE SetL02yControlledBy)
    Q_PROPERTY(int L03yControlledBy READ L03yControlledBy WRITE SetL03yControlledBy)
    Q_PROPERTY(int L04yControlledBy READ L04yControlledBy WRITE SetL04yControlledBy)
    Q_PROPERTY(int L05yControlledBy READ L05yControlledBy WRITE SetL05yControlledBy)
    Q_PROPERTY(int L06yControlledBy READ L06yControlledBy WRITE SetL06yControlledBy)
    Q_PROPERTY(int L07yControlledBy READ L07yControlledBy WRITE SetL07yControlledBy)
    Q_PROPERTY(int L08yControlledBy READ L08yControlledBy WRITE SetL08yControlledBy)
    Q_PROPERTY(int L09yControlledBy READ L09yControlledBy WRITE SetL09yControlledBy)
    Q_PROPERTY(int L10yControlledBy READ L10yControlledBy WRITE SetL10yControlledBy)
    Q_PROPERTY(int L11yControlledBy READ L11yControlledBy WRITE SetL11yControlledBy)
    Q_PROPERTY(int L12yControlledBy READ L12yControlledBy WRITE SetL12yControlledBy)
    Q_PROPERTY(int L13yControlledBy READ L13yControlledBy WRITE SetL13yControlledBy)
    Q_PROPERTY(int L14yControlledBy READ L14yControlledBy WRITE SetL14yControlledBy)
    Q_PROPERTY(int L15yControlledBy READ L15yControlledBy WRITE SetL15yControlledBy)
    Q_PROPERTY(int L16yControlledBy READ L16yControlledBy WRITE SetL16yControlledBy)

public:
    explicit TJointLayers(TRChart* chart);

    // Layer numbers outside 1..16 read as themselves.
    int XControlledBy(int layer) const;
    int YControlledBy(int layer) const;
    // Join layer L to destination D (D = L releases it); raises EOrnRChartError and changes
    // nothing when the join would break the one-level rule.
    void SetXControlledBy(int layer, int destination);
    void SetYControlledBy(int layer, int destination);

private:
    void assign(std::array<int, 16>& table, bool horizontal, int layer, int destination);

    TRChart* m_chart;
    std::array<int, 16> m_x;
    std::array<int, 16> m_y;
};

// A text pinned to world or pixel coordinates of the plot. Every setter stores its value and
// then fires OnChange.
class TCustomTextLabel
{
public:
    TCustomTextLabel() = default;
    virtual ~TCustomTextLabel() = default;

    double PosX() const { return m_posX; }
    void SetPosX(double v) { set(m_posX, v); }
    double PosY() const { return m_posY; }
    void SetPosY(double v) { set(m_posY, v); }
    int Layer() const { return m_layer; }
    // Values outside 1..16 are ignored.
    void SetLayer(int v);
    TTextLabelAttachMode AttachToData() const { return m_attach; }
    void SetAttachToData(TTextLabelAttachMode v) { set(m_attach, v); }
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment v) { set(m_alignment, v); }
    TVerticalAlignment VerticalAlignment() const { return m_vAlignment; }
    void SetVerticalAlignment(TVerticalAlignment v) { set(m_vAlignment, v); }
    TColor ColorBkg() const { return m_colorBkg; }
    void SetColorBkg(TColor v) { set(m_colorBkg, v); }
    TColor ColorBorder() const { return m_colorBorder; }
    void SetColorBorder(TColor v) { set(m_colorBorder, v); }
    TColor ColorShadow() const { return m_colorShadow; }
    void SetColorShadow(TColor v) { set(m_colorShadow, v); }
    int ShadowDx() const { return m_shadowDx; }
    void SetShadowDx(int v) { set(m_shadowDx, v); }
    int ShadowDy() const { return m_shadowDy; }
    void SetShadowDy(int v) { set(m_shadowDy, v); }
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v) { set(m_transparent, v); }
    // The label owns its font; writing copies the given one. The colour is the text colour.
    const QFont& Font() const { return m_font; }
    void SetFont(const QFont& v) { set(m_font, v); }
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor v) { set(m_fontColor, v); }
    TTextLabelMode Mode() const { return m_mode; }
    void SetMode(TTextLabelMode v) { set(m_mode, v); }
    // A line feed starts a new line.
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& v) { set(m_caption, v); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { set(m_visible, v); }

    std::function<void()> OnChange;

protected:
    template <typename T>
    void set(T& field, const T& value)
    {
        field = value;
        changed();
    }
    void changed()
    {
        if (OnChange)
            OnChange();
    }

private:
    double m_posX = 0;
    double m_posY = 0;
    int m_layer = 1;
    TTextLabelAttachMode m_attach = tlamBoth;
    TAlignment m_alignment = taCenter;
    TVerticalAlignment m_vAlignment = vaBottom;
    TColor m_colorBkg = 0xFFFFFF;
    TColor m_colorBorder = 0;
    TColor m_colorShadow = 0x808080;
    int m_shadowDx = 3;
    int m_shadowDy = 3;
    bool m_transparent = false;
    QFont m_font = DefaultChartFont();
    TColor m_fontColor = clBlack;
    TTextLabelMode m_mode = tlBox;
    QString m_caption;
    bool m_visible = false;
};

class TTextLabel final : public TCustomTextLabel
{
};

// The chart control: callers append move and line commands in world coordinates of one of 16
// layers; every paint replays the whole list through two off-screen surfaces.
class TRChart : public QWidget
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
    static constexpr int Layers = 16;
    static constexpr int LabelCount = 30;
    static constexpr int MaxMargin = 100000;

    explicit TRChart(QWidget* parent = nullptr);
    ~TRChart() override;

    // --- loading from a stored layout ---
    // Between these two calls no paint happens and scale settings are taken unchecked.
    void BeginLoading();
    void Loaded();
    bool IsLoading() const { return m_loading; }

    // --- display list ---
    void ClearItems();
    void MoveToPoint(double X, double Y);
    void LineToPoint(double X, double Y);
    void ShowItems();
    int Count() const { return m_items.Count(); }
    std::size_t Capacity() const { return m_items.Capacity(); }
    const ChartItemList& Items() const { return m_items; }
    ChartItemList& ItemStorage() { return m_items; }
    int AllocSize() const { return m_items.AllocSize(); }
    void SetAllocSize(int v) { m_items.SetAllocSize(v); }

    // --- pen state, stamped on every appended item ---
    int ActiveLayer() const { return m_activeLayer; }
    void SetActiveLayer(int Layer);
    TColor DataColor() const { return m_dataColor; }
    void SetDataColor(TColor v) { m_dataColor = v; }
    TPenStyle PenStyle() const { return m_penStyle; }
    void SetPenStyle(TPenStyle v) { m_penStyle = v; }
    int LineWidth() const { return m_lineWidth; }
    // A byte: values outside 0..255 are ignored.
    void SetLineWidth(int v);
    int ClassDefault() const { return m_classDefault; }
    // 0..254; 255 and values outside a byte are ignored.
    void SetClassDefault(int v);

    bool ClassVisible(int itemClass) const;
    void SetClassVisible(int itemClass, bool visible);
    bool LayerVisible(int layer) const;
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
    const TScale& XScaleDrawer(int layer) const;
    const TScale& YScaleDrawer(int layer) const;

    // --- text labels ---
    // Index 1..30; any other index raises EOrnRChartError.
    TTextLabel* TextLabel(int Index) const;
    // Fills the first label whose Mode is tlOff; 0 when none is free.
    int AddTextLabel(TColor Color, const QString& Text, int Template, double PosX, double PosY);
    void HideTextLabels();

    // --- appearance ---
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& v) { setAppearance(m_caption, v); }
    int CaptionPosX() const { return m_captionPosX; }
    void SetCaptionPosX(int v) { setAppearance(m_captionPosX, v); }
    int CaptionPosY() const { return m_captionPosY; }
    void SetCaptionPosY(int v) { setAppearance(m_captionPosY, v); }
    TAlignment CaptionAlignment() const { return m_captionAlignment; }
    void SetCaptionAlignment(TAlignment v) { setAppearance(m_captionAlignment, v); }
    TCaptionAnchorHoriz CaptionAnchorHoriz() const { return m_captionAnchorHoriz; }
    void SetCaptionAnchorHoriz(TCaptionAnchorHoriz v) { setAppearance(m_captionAnchorHoriz, v); }
    TCaptionAnchorVert CaptionAnchorVert() const { return m_captionAnchorVert; }
    void SetCaptionAnchorVert(TCaptionAnchorVert v) { setAppearance(m_captionAnchorVert, v); }
    bool AutoRedraw() const { return m_autoRedraw; }
    void SetAutoRedraw(bool v) { m_autoRedraw = v; }
    // Margins are taken in 0..MaxMargin.
    int MarginLeft() const { return m_geom.ML; }
    void SetMarginLeft(int v) { setGeometryField(m_geom.ML, v); }
    int MarginRight() const { return m_geom.MR; }
    void SetMarginRight(int v) { setGeometryField(m_geom.MR, v); }
    int MarginTop() const { return m_geom.MT; }
    void SetMarginTop(int v) { setGeometryField(m_geom.MT, v); }
    int MarginBottom() const { return m_geom.MB; }
    void SetMarginBottom(int v) { setGeometryField(m_geom.MB, v); }
    int ShadowWidth() const { return m_geom.SW; }
    // Clamped to 0..32.
    void SetShadowWidth(int v);
    TShadowStyle ShadowStyle() const { return m_shadowStyle; }
    void SetShadowStyle(TShadowStyle v) { setAppearance(m_shadowStyle, v); }
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor v) { setAppearance(m_shadowColor, v); }
    TColor ShadowBakColor() const { return m_shadowBakColor; }
    void SetShadowBakColor(TColor v) { setAppearance(m_shadowBakColor, v); }
    TColor ChartFrameColor() const { return m_chartFrameColor; }
    void SetChartFrameColor(TColor v) { setAppearance(m_chartFrameColor, v); }
    TColor FillColor() const { return m_fillColor; }
    void SetFillColor(TColor v) { m_fillColor = v; }
    TColor ChartColor() const { return m_chartColor; }
    void SetChartColor(TColor v) { setAppearance(m_chartColor, v); }
    TColor WindColor() const { return m_windColor; }
    void SetWindColor(TColor v) { setAppearance(m_windColor, v); }
    GridStyleType GridStyle() const { return m_gridStyle; }
    void SetGridStyle(GridStyleType v) { setAppearance(m_gridStyle, v); }
    TColor GridColor() const { return m_gridColor; }
    void SetGridColor(TColor v) { setAppearance(m_gridColor, v); }
    double GridDx() const { return m_gridDx; }
    // Values below -3 (and non-finite ones) are ignored; -1..-3 step logarithmic axes.
    void SetGridDx(double v);
    double GridDy() const { return m_gridDy; }
    void SetGridDy(double v);
    int TextFontStyle() const { return m_textFontStyle; }
    void SetTextFontStyle(int v) { m_textFontStyle = v; }
    TTextBkStyle TextBkStyle() const { return m_textBkStyle; }
    void SetTextBkStyle(TTextBkStyle v) { m_textBkStyle = v; }
    TColor TextBkColor() const { return m_textBkColor; }
    void SetTextBkColor(TColor v) { m_textBkColor = v; }
    TAlignment TextAlignment() const { return m_textAlignment; }
    void SetTextAlignment(TAlignment v) { m_textAlignment = v; }
    bool Isometric() const { return m_isometric; }
    void SetIsometric(bool v) { m_isometric = v; }
    TMouseAction MouseAction() const { return m_mouseAction; }
    void SetMouseAction(TMouseAction v) { m_mouseAction = v; }

    // --- rendering ---
    ChartGeometry Geometry() const
    {
        ChartGeometry g = m_geom;
        g.W = width();
        g.H = height();
        return g;
    }
    const ChartMapping& Mapping() const { return m_mapping; }
    void RecomputeMapping();
    // The full paint onto the given frame and plot surfaces, the plot copied onto the frame at
    // its margins; nothing while loading.
    void PaintSurfaces(Canvas& frame, Canvas& plot);
    // What the window would show, drawn straight onto target with the chart's top-left at the
    // target's (0, 0): frame, caption, axes and the plot content clipped to the plot area.
    void RenderTo(Canvas& target);
    // The finished frame surface as the window shows it; null before the first paint.
    QImage FrameImage() const { return m_frame.image(); }
    bool PaintingSuspended() const { return m_suspended; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class TJointLayers;

    template <typename T>
    void setAppearance(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        if (m_autoRedraw)
            Paint();
    }
    void setGeometryField(int& field, int value);
    void geometryChanged();
    // A hidden widget learns its new size only when shown; painting must not wait for that.
    void refreshSize();
    void updateMinimumSize();

    void scaleChanged();
    void labelChanged();
    void syncDrawers();
    void applyJointRanges();

    bool explicitlyHidden() const;
    bool canPaint() const;
    void Paint();
    void paintFrame(Canvas& frame);
    void paintPlotBackground(Canvas& plot);
    void paintPlotContent(Canvas& plot);
    void paintGrid(Canvas& plot);
    void paintItems(Canvas& plot);
    void paintLabels(Canvas& plot);
    void paintPlotFrame(Canvas& plot);
    QPoint plotPoint(int layer, double x, double y) const;

    ChartItemList m_items;
    int m_activeLayer = 1;
    TColor m_dataColor = clBlack;
    TPenStyle m_penStyle = psSolid;
    int m_lineWidth = 1;
    int m_classDefault = 0;
    std::array<bool, 256> m_classVisible;
    std::array<bool, Layers> m_layerVisible;

    std::array<TScalePropsHoriz*, Layers> m_scaleX{};
    std::array<TScalePropsVert*, Layers> m_scaleY{};
    std::vector<std::unique_ptr<TScale>> m_drawersX;
    std::vector<std::unique_ptr<TScale>> m_drawersY;
    TJointLayers* m_joint = nullptr;
    std::array<std::unique_ptr<TTextLabel>, LabelCount> m_labels;

    QString m_caption;
    int m_captionPosX = 0;
    int m_captionPosY = -15;
    TAlignment m_captionAlignment = taRightJustify;
    TCaptionAnchorHoriz m_captionAnchorHoriz = cahChartRight;
    TCaptionAnchorVert m_captionAnchorVert = cavChartTop;
    bool m_autoRedraw = true;
    ChartGeometry m_geom;
    TShadowStyle m_shadowStyle = ssFlying;
    TColor m_shadowColor = clGrayText;
    TColor m_shadowBakColor = clBtnFace;
    TColor m_chartFrameColor = clBlack;
    TColor m_fillColor = 0xC0C0C0;
    TColor m_chartColor = 0xFFFFFF;
    TColor m_windColor = clBtnFace;
    GridStyleType m_gridStyle = gsNone;
    TColor m_gridColor = clBlack;
    double m_gridDx = 0;
    double m_gridDy = 0;
    int m_textFontStyle = 0;
    TTextBkStyle m_textBkStyle = tbClear;
    TColor m_textBkColor = 0xFFFFFF;
    TAlignment m_textAlignment = taCenter;
    bool m_isometric = false;
    TMouseAction m_mouseAction = maNone;

    bool m_loading = false;
    bool m_suspended = true;
    bool m_inLabelUpdate = false;
    ChartMapping m_mapping;
    QtCanvas m_frame;
    QtCanvas m_plot;
    std::vector<QPoint> m_buffer;
};
