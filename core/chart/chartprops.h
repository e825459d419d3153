#pragma once

#include "color.h"
#include "chartstate.h"
#include "axis.h"

#include <QFont>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <stdexcept>

// The chart's published property objects: per-layer scale settings, the joint-layer tables and
// the text labels. They hold no data of their own inside a chart: they validate and then write
// the chart's state, and announce the change.

class ChartModel;

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
    const ScaleSettings& Settings() const { return *m_s; }
    int Layer() const { return m_layer; }
    virtual bool IsHorizontal() const = 0;

    QString Caption() const { return m_s->Caption; }
    void SetCaption(const QString& v) { set(m_s->Caption, v); }
    int CaptionPosX() const { return m_s->CaptionPosX; }
    void SetCaptionPosX(int v) { set(m_s->CaptionPosX, v); }
    int CaptionPosY() const { return m_s->CaptionPosY; }
    void SetCaptionPosY(int v) { set(m_s->CaptionPosY, v); }
    TAlignment CaptionAlignment() const { return m_s->CaptionAlignment; }
    void SetCaptionAlignment(TAlignment v) { set(m_s->CaptionAlignment, v); }
    TScaleUnitAnchor CaptionAnchor() const { return m_s->CaptionAnchor; }
    void SetCaptionAnchor(TScaleUnitAnchor v) { set(m_s->CaptionAnchor, v); }
    TColor ColorScale() const { return m_s->ColorScale; }
    void SetColorScale(TColor v) { set(m_s->ColorScale, v); }
    int DecPlaces() const { return m_s->DecPlaces; }
    void SetDecPlaces(int v) { set(m_s->DecPlaces, v); }
    QFont Font() const { return m_s->Font; }
    void SetFont(const QFont& v) { set(m_s->Font, v); }
    bool Logarithmic() const { return m_s->Logarithmic; }
    // After loading, accepted only when both range ends are at least 1e-100 and the labels
    // are not dates.
    void SetLogarithmic(bool v);
    TFigType LabelType() const { return m_s->LabelType; }
    void SetLabelType(TFigType v);
    int MinTicks() const { return m_s->MinTicks; }
    void SetMinTicks(int v) { set(m_s->MinTicks, v); }
    double MinRange() const { return m_s->MinRange; }
    // Negative and non-finite values are ignored.
    void SetMinRange(double v);
    double RangeLow() const { return m_s->RangeLow; }
    void SetRangeLow(double v);
    double RangeHigh() const { return m_s->RangeHigh; }
    void SetRangeHigh(double v);
    bool ShortTicks() const { return m_s->ShortTicks; }
    void SetShortTicks(bool v) { set(m_s->ShortTicks, v); }
    QString ScaleInscript() const { return m_s->ScaleInscript; }
    void SetScaleInscript(const QString& v) { set(m_s->ScaleInscript, v); }
    int ScalePos() const { return m_s->ScalePos; }
    void SetScalePos(int v) { set(m_s->ScalePos, v); }
    QString UserTickText() const { return m_s->UserTickText; }
    void SetUserTickText(const QString& v) { set(m_s->UserTickText, v); }
    QString DateFormat() const { return m_s->DateFormat; }
    void SetDateFormat(const QString& v) { set(m_s->DateFormat, v); }
    bool Visible() const { return m_s->Visible; }
    void SetVisible(bool v) { set(m_s->Visible, v); }
    // Reads the stored value; until it is written, odd layers sit at the bottom or left and
    // even layers at the top or right.
    TScaleLocation ScaleLocation() const { return m_s->ScaleLocation; }
    void SetScaleLocation(TScaleLocation v);
    // The side the axis is drawn on.
    TScaleLocation EffectiveLocation() const { return EffectiveScaleLocation(*m_s, IsHorizontal(), m_layer); }

    // Used by the chart: a range taken over from a controlling layer, without notification.
    void AssignRange(double lo, double hi);
    void SetLoading(bool loading) { m_loading = loading; }

signals:
    void OnChange();

protected:
    // Reads and writes the layer's settings in the chart's state.
    TScaleProps(int layer, ScaleSettings& settings, QObject* parent);

    template <typename T>
    void set(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        emit OnChange();
    }

    ScaleSettings* m_s;
    int m_layer;
    bool m_loading = false;
};

class TScalePropsHoriz final : public TScaleProps
{
    Q_OBJECT
public:
    TScalePropsHoriz(int layer, ScaleSettings& settings, QObject* parent);
    bool IsHorizontal() const override { return true; }
};

class TScalePropsVert final : public TScaleProps
{
    Q_OBJECT
public:
    TScalePropsVert(int layer, ScaleSettings& settings, QObject* parent);
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
    // Reads and writes the join tables in the chart's state.
    TJointLayers(ChartModel* chart, std::array<int, 16>& x, std::array<int, 16>& y, QObject* parent);

    // Layer numbers outside 1..16 read as themselves.
    int XControlledBy(int layer) const;
    int YControlledBy(int layer) const;
    // Join layer L to destination D (D = L releases it); raises EOrnRChartError and changes
    // nothing when the join would break the one-level rule.
    void SetXControlledBy(int layer, int destination);
    void SetYControlledBy(int layer, int destination);

private:
    void assign(std::array<int, 16>& table, bool horizontal, int layer, int destination);

    ChartModel* m_chart;
    std::array<int, 16>& m_x;
    std::array<int, 16>& m_y;
};

// A text pinned to world or pixel coordinates of the plot. Every setter stores its value and
// then fires OnChange. A chart's labels keep their data in the chart's state; a label made on its
// own keeps it itself.
class TCustomTextLabel
{
public:
    TCustomTextLabel()
        : m_d(&m_own)
    {
    }
    explicit TCustomTextLabel(TextLabelData& storage)
        : m_d(&storage)
    {
    }
    virtual ~TCustomTextLabel() = default;
    TCustomTextLabel(const TCustomTextLabel&) = delete;
    TCustomTextLabel& operator=(const TCustomTextLabel&) = delete;

    const TextLabelData& Data() const { return *m_d; }

    double PosX() const { return m_d->PosX; }
    void SetPosX(double v) { set(m_d->PosX, v); }
    double PosY() const { return m_d->PosY; }
    void SetPosY(double v) { set(m_d->PosY, v); }
    int Layer() const { return m_d->Layer; }
    // Values outside 1..16 are ignored.
    void SetLayer(int v);
    TTextLabelAttachMode AttachToData() const { return m_d->AttachToData; }
    void SetAttachToData(TTextLabelAttachMode v) { set(m_d->AttachToData, v); }
    TAlignment Alignment() const { return m_d->Alignment; }
    void SetAlignment(TAlignment v) { set(m_d->Alignment, v); }
    TVerticalAlignment VerticalAlignment() const { return m_d->VerticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment v) { set(m_d->VerticalAlignment, v); }
    TColor ColorBkg() const { return m_d->ColorBkg; }
    void SetColorBkg(TColor v) { set(m_d->ColorBkg, v); }
    TColor ColorBorder() const { return m_d->ColorBorder; }
    void SetColorBorder(TColor v) { set(m_d->ColorBorder, v); }
    TColor ColorShadow() const { return m_d->ColorShadow; }
    void SetColorShadow(TColor v) { set(m_d->ColorShadow, v); }
    int ShadowDx() const { return m_d->ShadowDx; }
    void SetShadowDx(int v) { set(m_d->ShadowDx, v); }
    int ShadowDy() const { return m_d->ShadowDy; }
    void SetShadowDy(int v) { set(m_d->ShadowDy, v); }
    bool Transparent() const { return m_d->Transparent; }
    void SetTransparent(bool v) { set(m_d->Transparent, v); }
    // The label owns its font; writing copies the given one. The colour is the text colour.
    const QFont& Font() const { return m_d->Font; }
    void SetFont(const QFont& v) { set(m_d->Font, v); }
    TColor FontColor() const { return m_d->FontColor; }
    void SetFontColor(TColor v) { set(m_d->FontColor, v); }
    TTextLabelMode Mode() const { return m_d->Mode; }
    void SetMode(TTextLabelMode v) { set(m_d->Mode, v); }
    // A line feed starts a new line.
    QString Caption() const { return m_d->Caption; }
    void SetCaption(const QString& v) { set(m_d->Caption, v); }
    bool Visible() const { return m_d->Visible; }
    void SetVisible(bool v) { set(m_d->Visible, v); }

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
    TextLabelData m_own;
    TextLabelData* m_d;
};

class TTextLabel final : public TCustomTextLabel
{
public:
    using TCustomTextLabel::TCustomTextLabel;
};
