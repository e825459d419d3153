#include "chartprops.h"

#include "qtchart.h"

#include <QStringList>

#include <cmath>

EOrnRChartError::EOrnRChartError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

// ---------------------------------------------------------------------------------------------
TScaleProps::TScaleProps(int layer, ScaleSettings& settings, QObject* parent)
    : QObject(parent)
    , m_s(&settings)
    , m_layer(layer)
{
}

TScalePropsHoriz::TScalePropsHoriz(int layer, ScaleSettings& settings, QObject* parent)
    : TScaleProps(layer, settings, parent)
{
}

TScalePropsVert::TScalePropsVert(int layer, ScaleSettings& settings, QObject* parent)
    : TScaleProps(layer, settings, parent)
{
}

void TScaleProps::SetLogarithmic(bool v)
{
    if (v == m_s->Logarithmic)
        return;
    if (v && !m_loading && (m_s->RangeLow < 1e-100 || m_s->RangeHigh < 1e-100 || m_s->LabelType == ftDateTime))
        return;
    m_s->Logarithmic = v;
    emit OnChange();
}

void TScaleProps::SetLabelType(TFigType v)
{
    if (v == m_s->LabelType)
        return;
    m_s->LabelType = v;
    if (v == ftDateTime)
        m_s->Logarithmic = false;
    if (v == ftTime)
        m_s->DecPlaces = 4;
    emit OnChange();
}

void TScaleProps::SetMinRange(double v)
{
    if (!std::isfinite(v) || v < 0)
        return;
    set(m_s->MinRange, v);
}

void TScaleProps::SetRangeLow(double v)
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
    emit OnChange();
}

void TScaleProps::SetRangeHigh(double v)
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
    emit OnChange();
}

void TScaleProps::SetScaleLocation(TScaleLocation v)
{
    // An x axis lies at the top or bottom, a y axis left or right.
    if (IsHorizontal() != (v == slTop || v == slBottom))
        return;
    // The first write fixes the side even when it repeats the published value: until then an
    // even layer draws on the other side.
    if (m_s->LocationWritten && m_s->ScaleLocation == v)
        return;
    m_s->LocationWritten = true;
    m_s->ScaleLocation = v;
    emit OnChange();
}

void TScaleProps::AssignRange(double lo, double hi)
{
    m_s->RangeLow = lo;
    m_s->RangeHigh = hi;
}

// ---------------------------------------------------------------------------------------------
TJointLayers::TJointLayers(ChartModel* chart, std::array<int, 16>& x, std::array<int, 16>& y, QObject* parent)
    : QObject(parent)
    , m_chart(chart)
    , m_x(x)
    , m_y(y)
{
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
    set(m_d->Layer, v);
}
