#pragma once

#include "core/chart/canvas.h"
#include "core/chart/color.h"
#include "core/chart/font.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TScaleUnitAnchor { uaSclTopLft, uaSclCenter, uaSclBotRgt };
enum TFigType { ftNoFigs, ftNum, ftTime, ftDateTime, ftUserText };
enum TScaleLocation { slTop, slBottom, slLeft, slRight };
enum TScaleType { sctXB, sctXT, sctYL, sctYR };

// The settings of one axis as the chart's scale-properties objects publish them.
struct ScaleSettings
{
    std::string Caption;
    int CaptionPosX = 0;
    int CaptionPosY = 0;
    TAlignment CaptionAlignment = taCenter;
    TScaleUnitAnchor CaptionAnchor = uaSclTopLft;
    TColor ColorScale = clBlack;
    int DecPlaces = -2;
    FontDesc Font = DefaultChartFont();
    bool Logarithmic = false;
    TFigType LabelType = ftNum;
    int MinTicks = 3;
    double MinRange = 1e-10;
    double RangeLow = 0;
    double RangeHigh = 1;
    bool ShortTicks = true;
    std::string ScaleInscript;
    int ScalePos = 0;
    std::string UserTickText;
    std::string DateFormat;
    bool Visible = false;
    TScaleLocation ScaleLocation = slBottom;
    bool LocationWritten = false; // until then the side alternates with the layer
    bool operator==(const ScaleSettings&) const = default;
};

// The side an axis is drawn on: the written ScaleLocation, or, until it is written, bottom and
// left for odd layers and top and right for even ones.
TScaleLocation EffectiveScaleLocation(const ScaleSettings& settings, bool horizontal, int layer);

// The tick rule of a linear axis, free of any drawing.
struct TickStep
{
    double step = 0;       // signed like RangeHigh - RangeLow
    int minorIntervals = 0;
};
// Step of the major ticks for at least minTicks intervals; none for an empty range.
std::optional<TickStep> NiceTickStep(double lo, double hi, int minTicks);
// First multiple of step not below lo in the direction of the axis, within 0.001 step.
double FirstMajorTick(double lo, double hi, double step);

struct AxisTicks
{
    TickStep step;
    std::vector<double> minor; // every minor position, major positions included
    std::vector<double> major;
};
// Minor ticks are computed only when wanted; both lists are bounded.
AxisTicks ComputeAxisTicks(double lo, double hi, int minTicks, bool shortTicks);

// Decimals of the numbers: -1 means exponential notation.
int AutoDecimals(double lo, double hi);
int EffectiveDecimals(int decPlaces, double lo, double hi);
// The text written at a major tick of value v.
std::string TickText(double v, double lo, double hi, int decimals, std::string_view inscript);
// v in fixed notation with `decimals` digits after the point (exponential with two for -1), '.'
// as the point whatever the process locale.
std::string FormatTickNumber(double v, int decimals);

// One axis of a chart (base line, ticks, numbers, caption) in one direction of one layer. It is
// configured from the chart's state and laid out once per change: the tick values and pixels
// come with the configuration, the places of the numbers and of the caption from Layout, which
// measures text. Drawing reads that layout and changes nothing; the grid reads the ticks.
class TScale
{
public:
    static constexpr int MaxTicks = 50;

    explicit TScale(std::string name = {}, TScaleType kind = sctXT);

    const std::string& Name() const { return m_name; }

    const ScaleSettings& Settings() const { return m_settings; }
    void Assign(const ScaleSettings& settings);

    TScaleType Kind() const { return m_kind; }
    void SetKind(TScaleType kind);
    void SetSize(int width, int height);
    void SetMargins(int left, int top, int right, int bottom);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int MarginLeft() const { return m_left; }
    int MarginTop() const { return m_top; }
    int MarginRight() const { return m_right; }
    int MarginBottom() const { return m_bottom; }

    bool ShowBaseLine = true;
    bool Transparent = true;

    bool IsHorizontal() const { return m_kind == sctXB || m_kind == sctXT; }
    // Pixel of the base line across the axis (y for horizontal axes, x for vertical ones).
    int BaseLine() const;
    // Pixel along the axis of a world value.
    int MapValue(double v) const;

    // The tick values a drawing of this axis records, at most MaxTicks, once laid out; none
    // while the axis is hidden.
    const std::vector<double>& Ticks() const { return m_ticks; }

    // Computes the ticks and places the numbers and the caption in the axis font as `metrics`
    // measures it; nothing is drawn. Needed after a change and before Draw.
    void Layout(const TextMetrics& metrics);
    // Nothing while the axis is hidden.
    void Draw(Canvas& canvas) const;

    bool operator==(const TScale&) const = default;

private:
    struct Mark
    {
        int pos;    // along the axis, limited to the drawing range
        int length; // 7 for a major tick, 4 for a minor one
        int number; // index into m_numbers, -1 for none
        bool operator==(const Mark&) const = default;
    };
    struct Number
    {
        std::string text;
        Point topLeft;
        bool operator==(const Number&) const = default;
    };

    void recomputeMapping();
    void addTick(double v);
    void addMark(double v, int length, const std::string* number);
    // The steps of Layout: ticks and their marks, then the places of the numbers and the caption.
    void markLogTicks();
    void markLinearTicks();
    void placeNumbers(const TextMetrics& metrics);
    void placeCaption(const TextMetrics& metrics);
    void drawTick(Canvas& canvas, int pos, int length) const;

    std::string m_name;
    ScaleSettings m_settings;
    TScaleType m_kind;
    int m_width = 0;
    int m_height = 0;
    int m_left = 0;
    int m_top = 0;
    int m_right = 0;
    int m_bottom = 0;
    double m_k = 0;
    double m_offset = 0;
    std::vector<double> m_ticks;
    std::vector<Mark> m_marks; // in drawing order
    std::vector<Number> m_numbers;
    Point m_captionTopLeft;
};
