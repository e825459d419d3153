#include "core/chart/chartprops.h"

#include "core/chart/chart.h"

#include <cmath>

ScaleProps::ScaleProps(Chart& chart, int layer, bool horizontal, ScaleSettings& settings)
    : m_chart(chart)
    , m_s(&settings)
    , m_layer(layer)
    , m_horizontal(horizontal)
{
}

void ScaleProps::changed()
{
    m_chart.scaleChanged();
}

void ScaleProps::SetLogarithmic(bool v)
{
    if (v == m_s->Logarithmic)
        return;
    if (v && !m_chart.IsLoading() && (m_s->RangeLow < 1e-100 || m_s->RangeHigh < 1e-100 || m_s->LabelType == ftDateTime))
        return;
    m_s->Logarithmic = v;
    changed();
}

void ScaleProps::SetLabelType(TFigType v)
{
    if (v == m_s->LabelType)
        return;
    m_s->LabelType = v;
    if (v == ftDateTime)
        m_s->Logarithmic = false;
    if (v == ftTime)
        m_s->DecPlaces = 4;
    changed();
}

void ScaleProps::SetMinRange(double v)
{
    if (!std::isfinite(v) || v < 0)
        return;
    set(m_s->MinRange, v);
}

void ScaleProps::SetRangeLow(double v)
{
    // A range end that is not a number would make every mapped pixel meaningless.
    if (!std::isfinite(v))
        return;
    if (std::fabs(m_s->RangeHigh - v) < m_s->MinRange) {
        m_s->RangeLow = v;
        m_s->RangeHigh = v + m_s->MinRange;
    } else {
        if (m_s->Logarithmic && v < 1e-100)
            return;
        if (m_s->RangeLow == v)
            return;
        m_s->RangeLow = v;
    }
    changed();
}

void ScaleProps::SetRangeHigh(double v)
{
    if (!std::isfinite(v))
        return;
    if (std::fabs(m_s->RangeLow - v) < m_s->MinRange) {
        m_s->RangeHigh = v;
        m_s->RangeLow = v - m_s->MinRange;
    } else {
        if (m_s->Logarithmic && v < 1e-100)
            return;
        if (m_s->RangeHigh == v)
            return;
        m_s->RangeHigh = v;
    }
    changed();
}

void ScaleProps::SetScaleLocation(TScaleLocation v)
{
    // An x axis lies at the top or bottom, a y axis left or right.
    if (m_horizontal != (v == slTop || v == slBottom))
        return;
    // The first write fixes the side even when it repeats the published value: until then an
    // even layer draws on the other side.
    if (m_s->LocationWritten && m_s->ScaleLocation == v)
        return;
    m_s->LocationWritten = true;
    m_s->ScaleLocation = v;
    changed();
}

void ScaleProps::AssignRange(double lo, double hi)
{
    m_s->RangeLow = lo;
    m_s->RangeHigh = hi;
}

// ---------------------------------------------------------------------------------------------
JointLayers::JointLayers(Chart& chart, std::array<int, 16>& x, std::array<int, 16>& y)
    : m_chart(chart)
    , m_x(x)
    , m_y(y)
{
}

int JointLayers::XControlledBy(int layer) const
{
    return layer >= 1 && layer <= 16 ? m_x[std::size_t(layer - 1)] : layer;
}

int JointLayers::YControlledBy(int layer) const
{
    return layer >= 1 && layer <= 16 ? m_y[std::size_t(layer - 1)] : layer;
}

void JointLayers::SetXControlledBy(int layer, int destination)
{
    assign(m_x, true, layer, destination);
}

void JointLayers::SetYControlledBy(int layer, int destination)
{
    assign(m_y, false, layer, destination);
}

void JointLayers::assign(std::array<int, 16>& table, bool horizontal, int layer, int destination)
{
    if (layer < 1 || layer > 16)
        return;
    if (destination < 1 || destination > 16)
        throw EOrnRChartError("Destination layer " + std::to_string(destination) + " is out of range");
    auto at = [&](int l) -> int& { return table[std::size_t(l - 1)]; };
    if (destination == layer) {
        at(layer) = layer;
        return;
    }
    if (at(destination) != destination)
        throw EOrnRChartError("Destination layer " + std::to_string(destination) + " is already joined");
    std::string joined;
    for (int k = 1; k <= 16; ++k)
        if (k != layer && at(k) == layer)
            joined += (joined.empty() ? "" : ", ") + std::to_string(k);
    if (!joined.empty())
        throw EOrnRChartError("Layer " + std::to_string(layer) + " is joined by other layers (" + joined + ")");
    at(layer) = destination;
    ScaleProps& own = horizontal ? m_chart.ScaleX(layer) : m_chart.ScaleY(layer);
    const ScaleSettings& src = (horizontal ? m_chart.ScaleX(destination) : m_chart.ScaleY(destination)).Settings();
    own.AssignRange(src.RangeLow, src.RangeHigh);
    m_chart.scaleChanged();
}

// ---------------------------------------------------------------------------------------------
void TCustomTextLabel::SetLayer(int v)
{
    if (v < 1 || v > 16)
        return;
    set(m_d->Layer, v);
}
