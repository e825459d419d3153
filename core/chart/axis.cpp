#include "core/chart/axis.h"

#include "core/chart/chartmapping.h"
#include "core/numeric/decimaltext.h"

#include <algorithm>
#include <cmath>

namespace {

// Loops over tick positions stop here whatever the range; a step that no longer changes a
// huge value would otherwise never reach the end of the range.
constexpr int MaxTickIterations = 1000;

} // namespace

std::optional<TickStep> NiceTickStep(double lo, double hi, int minTicks)
{
    if (hi == lo || !std::isfinite(hi - lo))
        return std::nullopt;
    minTicks = std::clamp(minTicks, 2, 20);
    double d = std::log10(std::fabs(hi - lo) / minTicks);
    double f = d - std::trunc(d);
    if (std::fabs(f) < 1e-10 || std::fabs(f) > 0.9999999999) {
        d = std::round(d);
        f = 0;
    }
    if (d < 0 && f != 0)
        d -= 1;
    if (f < 0)
        f += 1;
    const double decade = std::pow(10.0, std::trunc(d));
    TickStep result;
    if (f < std::log10(2.0) + 1e-10) {
        result = {decade, 5};
    } else if (f < std::log10(5.0) + 1e-10) {
        result = {2 * decade, 4};
    } else {
        result = {5 * decade, 5};
    }
    if (hi < lo)
        result.step = -result.step;
    if (result.step == 0 || !std::isfinite(result.step))
        return std::nullopt;
    return result;
}

double FirstMajorTick(double lo, double hi, double step)
{
    const double s = hi > lo ? 1 : -1;
    double value = (std::trunc(lo / step) - 1) * step;
    for (int i = 0; i < MaxTickIterations && 0.001 * std::fabs(step) < s * (lo - value); ++i)
        value += step;
    return value;
}

AxisTicks ComputeAxisTicks(double lo, double hi, int minTicks, bool shortTicks)
{
    AxisTicks ticks;
    const std::optional<TickStep> nice = NiceTickStep(lo, hi, minTicks);
    if (!nice)
        return ticks;
    ticks.step = *nice;
    const double step = nice->step;
    const double s = hi > lo ? 1 : -1;
    const double first = FirstMajorTick(lo, hi, step);
    if (shortTicks) {
        const double m = step / nice->minorIntervals;
        // The tolerance is taken unsigned, so that a reversed axis keeps its last minor tick
        // as a forward one does.
        const double tolerance = 0.001 * std::fabs(m);
        for (int i = 0; i < MaxTickIterations; ++i) {
            const double v = (first - step) + i * m;
            if (!(s * (v - hi) <= tolerance))
                break;
            if (s * (lo - v) > tolerance)
                continue;
            ticks.minor.push_back(v);
        }
    }
    const double tolerance = 0.001 * std::fabs(step);
    for (int j = 0; j < MaxTickIterations; ++j) {
        ticks.major.push_back(first + j * step);
        if (!(s * (first + (j + 1) * step - hi) <= tolerance))
            break;
    }
    return ticks;
}

int AutoDecimals(double lo, double hi)
{
    const double r = std::fabs(hi - lo);
    if (r >= 1'000'000 || r <= 0.0001)
        return -1;
    if (r >= 100)
        return 0;
    return 2 - int(std::nearbyint(std::log(r) / 2.5));
}

int EffectiveDecimals(int decPlaces, double lo, double hi)
{
    if (decPlaces == -2 || decPlaces == -3)
        return AutoDecimals(lo, hi);
    return std::clamp(decPlaces, -1, 20);
}

std::string FormatTickNumber(double v, int decimals)
{
    if (decimals >= 0)
        return DecimalText(v, std::chars_format::fixed, decimals);
    std::string text = DecimalText(v, std::chars_format::scientific, 2);
    for (char& c : text)
        c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    return text;
}

std::string TickText(double v, double lo, double hi, int decimals, std::string_view inscript)
{
    const double r = std::fabs(hi - lo);
    std::string text;
    if (std::fabs(v / (hi - lo)) < 1e-14) {
        if (r <= 100000)
            text = FormatTickNumber(0.0, decimals);
        else
            text = decimals != 0 ? "0.0" : "0";
    } else {
        text = FormatTickNumber(v, decimals);
    }
    if (text.size() > 14)
        text.resize(14);
    if (!inscript.empty()) {
        const std::size_t amp = inscript.find('&');
        if (amp == std::string_view::npos)
            text = std::string(inscript) + text;
        else
            text = std::string(inscript.substr(0, amp)) + text + std::string(inscript.substr(amp + 1));
    }
    return text;
}

TScaleLocation EffectiveScaleLocation(const ScaleSettings& settings, bool horizontal, int layer)
{
    if (settings.LocationWritten)
        return settings.ScaleLocation;
    const bool odd = layer % 2 != 0;
    if (horizontal)
        return odd ? slBottom : slTop;
    return odd ? slLeft : slRight;
}

TScale::TScale(std::string name, TScaleType kind)
    : m_name(std::move(name))
    , m_kind(kind)
{
}

void TScale::Assign(const ScaleSettings& settings)
{
    m_settings = settings;
    recomputeMapping();
}

void TScale::SetKind(TScaleType kind)
{
    m_kind = kind;
    recomputeMapping();
}

void TScale::SetSize(int width, int height)
{
    m_width = width;
    m_height = height;
    recomputeMapping();
}

void TScale::SetMargins(int left, int top, int right, int bottom)
{
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
    recomputeMapping();
}

void TScale::recomputeMapping()
{
    const double lo = m_settings.RangeLow;
    const double hi = m_settings.RangeHigh;
    if (hi == lo)
        return; // keeps the previous map
    const int c = IsHorizontal() ? m_width - m_left - m_right - 1 : m_height - m_top - m_bottom - 1;
    if (c <= 0) {
        m_k = 0;
        m_offset = (IsHorizontal() ? m_width : m_height) / 2;
        return;
    }
    double k, l;
    if (m_settings.Logarithmic && lo > 0 && hi > 0) {
        k = c / (std::log(hi) - std::log(lo));
        l = std::log(lo);
    } else {
        k = c / (hi - lo);
        l = lo;
    }
    if (!std::isfinite(k))
        return;
    if (IsHorizontal()) {
        m_k = k;
        m_offset = m_left - l * k;
    } else {
        // Values grow upwards: lo sits on the bottom end of the axis.
        m_k = -k;
        m_offset = (m_height - m_bottom - 1) + l * k;
    }
}

int TScale::MapValue(double v) const
{
    if (m_k == 0)
        return RoundPixel(m_offset);
    double w = v;
    if (m_settings.Logarithmic && m_settings.RangeLow > 0 && m_settings.RangeHigh > 0) {
        if (!(v > 1e-100))
            return RoundPixel(m_offset - (m_k > 0 ? 1 : -1) * 2147483647.0);
        w = std::log(w);
    }
    return RoundPixel(m_k * w + m_offset);
}

int TScale::BaseLine() const
{
    switch (m_kind) {
    case sctXB:
        return m_height - m_bottom - 1;
    case sctXT:
        return m_top;
    case sctYL:
        return m_left;
    case sctYR:
        return m_width - m_right - 1;
    }
    return 0;
}

void TScale::addTick(double v)
{
    if (int(m_ticks.size()) < MaxTicks)
        m_ticks.push_back(v);
}

void TScale::addMark(double v, int length, const std::string* number)
{
    int index = -1;
    if (number) {
        index = int(m_numbers.size());
        m_numbers.push_back({*number, {}});
    }
    m_marks.push_back({ClampDraw(MapValue(v)), length, index});
}

// Decades as major ticks, 2..9 within a decade as minor ones.
void TScale::markLogTicks()
{
    const double lo = m_settings.RangeLow;
    const double hi = m_settings.RangeHigh;
    const bool numbered = m_settings.LabelType != ftNoFigs;
    const double a = std::min(lo, hi), b = std::max(lo, hi);
    double decade = std::pow(10.0, std::floor(std::log10(a)));
    for (int i = 0; i < MaxTickIterations && decade <= b * (1 + 1e-12); ++i, decade *= 10) {
        for (int j = 1; j <= 9; ++j) {
            const double v = decade * j;
            if (v < a * (1 - 1e-12) || v > b * (1 + 1e-12))
                continue;
            if (j == 1) {
                addTick(v);
                const std::string text = TickText(v, lo, hi, -1, m_settings.ScaleInscript);
                addMark(v, 7, numbered ? &text : nullptr);
            } else if (m_settings.ShortTicks) {
                addMark(v, 4, nullptr);
            }
        }
    }
}

void TScale::markLinearTicks()
{
    const double lo = m_settings.RangeLow;
    const double hi = m_settings.RangeHigh;
    const bool numbered = m_settings.LabelType != ftNoFigs;
    const int minTicks = std::clamp(m_settings.MinTicks, 2, 20);
    const AxisTicks ticks = ComputeAxisTicks(lo, hi, minTicks, m_settings.ShortTicks);
    for (double v : ticks.minor) {
        addTick(v);
        addMark(v, 4, nullptr);
    }
    const int decimals = EffectiveDecimals(m_settings.DecPlaces, lo, hi);
    for (double v : ticks.major) {
        if (!m_settings.ShortTicks)
            addTick(v);
        const std::string text = TickText(v, lo, hi, decimals, m_settings.ScaleInscript);
        addMark(v, 7, numbered ? &text : nullptr);
    }
}

void TScale::placeNumbers(const TextMetrics& metrics)
{
    const FontDesc& font = m_settings.Font;
    const int base = BaseLine();
    for (const Mark& mark : m_marks) {
        if (mark.number < 0)
            continue;
        Number& number = m_numbers[std::size_t(mark.number)];
        const int tw = metrics.measureWidth(font, number.text);
        const int th = metrics.measureHeight(font, number.text);
        const int pos = mark.pos;
        if (IsHorizontal()) {
            const int hw = tw / 2;
            // Centred on the tick, but never left of x = 2 nor past the right border.
            const int left = pos + hw < m_width - 2 ? pos - std::min(pos - 2, hw) : m_width - 2 * hw - 2;
            const int top = m_kind == sctXT ? base + 7 : base - th - 7;
            number.topLeft = {ClampDraw(left), ClampDraw(top)};
        } else {
            const int hh = th / 2;
            const int top = pos + hh < m_height - 2 ? pos - std::min(pos - 2, hh) : m_height - 2 * hh - 2;
            const int left = m_kind == sctYL ? base + 7 : base - tw - 7;
            number.topLeft = {ClampDraw(left), ClampDraw(top)};
        }
    }
}

// Without a caption the previous place stays: Draw reads it only for a caption.
void TScale::placeCaption(const TextMetrics& metrics)
{
    const std::string& caption = m_settings.Caption;
    if (caption.empty())
        return;
    const int tw = metrics.measureWidth(m_settings.Font, caption);
    const int base = BaseLine();
    int x, y;
    if (IsHorizontal()) {
        switch (m_settings.CaptionAnchor) {
        case uaSclTopLft:
            x = m_left;
            break;
        case uaSclCenter:
            x = m_left + (m_width - m_left - m_right) / 2;
            break;
        default:
            x = m_width - m_right;
            break;
        }
        y = base;
    } else {
        switch (m_settings.CaptionAnchor) {
        case uaSclTopLft:
            y = m_top;
            break;
        case uaSclCenter:
            y = m_top + (m_height - m_top - m_bottom) / 2;
            break;
        default:
            y = m_height - m_bottom;
            break;
        }
        x = base;
    }
    x += ClampDraw(m_settings.CaptionPosX);
    y += ClampDraw(m_settings.CaptionPosY);
    if (m_settings.CaptionAlignment == taRightJustify)
        x -= tw;
    else if (m_settings.CaptionAlignment == taCenter)
        x -= tw / 2;
    m_captionTopLeft = {ClampDraw(x), ClampDraw(y)};
}

void TScale::Layout(const TextMetrics& metrics)
{
    m_ticks.clear();
    m_marks.clear();
    m_numbers.clear();
    if (!m_settings.Visible)
        return;
    if (m_settings.Logarithmic && m_settings.RangeLow > 0 && m_settings.RangeHigh > 0)
        markLogTicks();
    else
        markLinearTicks();
    placeNumbers(metrics);
    placeCaption(metrics);
}

void TScale::drawTick(Canvas& canvas, int pos, int length) const
{
    const int base = BaseLine();
    switch (m_kind) {
    case sctXT:
        canvas.moveTo(pos, base);
        canvas.lineTo(pos, base + length);
        break;
    case sctXB:
        canvas.moveTo(pos, base);
        canvas.lineTo(pos, base - length);
        break;
    case sctYL:
        canvas.moveTo(base, pos);
        canvas.lineTo(base + length, pos);
        break;
    case sctYR:
        canvas.moveTo(base, pos);
        canvas.lineTo(base - length, pos);
        break;
    }
}

void TScale::Draw(Canvas& canvas) const
{
    if (!m_settings.Visible)
        return;
    canvas.setPen({m_settings.ColorScale, 1, Canvas::PenStyle::Solid});
    canvas.setBrushStyle(Canvas::BrushStyle::Clear);
    canvas.setFont(m_settings.Font, m_settings.ColorScale);
    for (const Mark& mark : m_marks) {
        drawTick(canvas, mark.pos, mark.length);
        if (mark.number >= 0) {
            const Number& number = m_numbers[std::size_t(mark.number)];
            canvas.textOut(number.topLeft.x, number.topLeft.y, number.text);
        }
    }
    if (!m_settings.Caption.empty())
        canvas.textOut(m_captionTopLeft.x, m_captionTopLeft.y, m_settings.Caption);
    if (ShowBaseLine) {
        const int base = BaseLine();
        if (IsHorizontal()) {
            canvas.moveTo(m_left, base);
            canvas.lineTo(m_width - m_right - 1, base);
        } else {
            canvas.moveTo(base, m_top);
            canvas.lineTo(base, m_height - m_bottom - 1);
        }
    }
}
