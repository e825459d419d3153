#pragma once

#include "core/chart/axis.h"
#include "core/chart/chartstate.h"
#include "core/chart/color.h"
#include "core/chart/font.h"

#include <array>
#include <functional>
#include <stdexcept>
#include <string>

// The chart's published property objects: per-layer scale settings, the joint-layer tables and
// the text labels. Inside a chart they hold no data of their own: they validate, write the
// chart's state and tell the chart what changed.

class Chart;

// Raised for an index outside the label array and for a broken joint-layer assignment.
class EOrnRChartError : public std::runtime_error
{
public:
    explicit EOrnRChartError(const std::string& message)
        : std::runtime_error(message)
    {
    }
    std::string Message() const { return what(); }
};

// Range and axis settings of one layer in one direction. Every change reaches the chart, which
// keeps joined layers in step and repaints whatever AutoRedraw says.
class ScaleProps
{
public:
    ScaleProps(Chart& chart, int layer, bool horizontal, ScaleSettings& settings);
    ScaleProps(const ScaleProps&) = delete;
    ScaleProps& operator=(const ScaleProps&) = delete;

    const ScaleSettings& Settings() const { return *m_s; }
    int Layer() const { return m_layer; }
    bool IsHorizontal() const { return m_horizontal; }

    const std::string& Caption() const { return m_s->Caption; }
    void SetCaption(const std::string& v) { set(m_s->Caption, v); }
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
    const FontDesc& Font() const { return m_s->Font; }
    void SetFont(const FontDesc& v) { set(m_s->Font, v); }
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
    // Keeps the ends at least MinRange apart; non-finite values are ignored.
    void SetRangeLow(double v);
    double RangeHigh() const { return m_s->RangeHigh; }
    void SetRangeHigh(double v);
    bool ShortTicks() const { return m_s->ShortTicks; }
    void SetShortTicks(bool v) { set(m_s->ShortTicks, v); }
    const std::string& ScaleInscript() const { return m_s->ScaleInscript; }
    void SetScaleInscript(const std::string& v) { set(m_s->ScaleInscript, v); }
    int ScalePos() const { return m_s->ScalePos; }
    void SetScalePos(int v) { set(m_s->ScalePos, v); }
    const std::string& UserTickText() const { return m_s->UserTickText; }
    void SetUserTickText(const std::string& v) { set(m_s->UserTickText, v); }
    const std::string& DateFormat() const { return m_s->DateFormat; }
    void SetDateFormat(const std::string& v) { set(m_s->DateFormat, v); }
    bool Visible() const { return m_s->Visible; }
    void SetVisible(bool v) { set(m_s->Visible, v); }
    // Reads the stored value; until it is written, odd layers sit at the bottom or left and
    // even layers at the top or right.
    TScaleLocation ScaleLocation() const { return m_s->ScaleLocation; }
    // A side of the other direction is ignored.
    void SetScaleLocation(TScaleLocation v);
    // The side the axis is drawn on.
    TScaleLocation EffectiveLocation() const { return EffectiveScaleLocation(*m_s, m_horizontal, m_layer); }

    // The keyed texts a translator walks, in the order the published properties list them.
    std::array<std::string*, 4> Texts() { return {&m_s->Caption, &m_s->ScaleInscript, &m_s->UserTickText, &m_s->DateFormat}; }

    // Used by the chart: a range taken over from a controlling layer, without notification.
    void AssignRange(double lo, double hi);

private:
    template <typename T>
    void set(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        changed();
    }
    void changed();

    Chart& m_chart;
    ScaleSettings* m_s;
    int m_layer;
    bool m_horizontal;
};

// Which layer's range each layer follows, separately for x and y. Joins are one level deep.
class JointLayers
{
public:
    JointLayers(Chart& chart, std::array<int, 16>& x, std::array<int, 16>& y);
    JointLayers(const JointLayers&) = delete;
    JointLayers& operator=(const JointLayers&) = delete;

    // Layer numbers outside 1..16 read as themselves.
    int XControlledBy(int layer) const;
    int YControlledBy(int layer) const;
    // Join layer L to destination D (D = L releases it); raises EOrnRChartError and changes
    // nothing when the join would break the one-level rule. A layer outside 1..16 is ignored.
    void SetXControlledBy(int layer, int destination);
    void SetYControlledBy(int layer, int destination);

private:
    void assign(std::array<int, 16>& table, bool horizontal, int layer, int destination);

    Chart& m_chart;
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
    const FontDesc& Font() const { return m_d->Font; }
    void SetFont(const FontDesc& v) { set(m_d->Font, v); }
    TColor FontColor() const { return m_d->FontColor; }
    void SetFontColor(TColor v) { set(m_d->FontColor, v); }
    TTextLabelMode Mode() const { return m_d->Mode; }
    void SetMode(TTextLabelMode v) { set(m_d->Mode, v); }
    // Windows-1252; a line feed starts a new line.
    const std::string& Caption() const { return m_d->Caption; }
    void SetCaption(const std::string& v) { set(m_d->Caption, v); }
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
