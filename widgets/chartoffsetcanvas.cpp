#include "chartoffsetcanvas.h"

ChartOffsetCanvas::ChartOffsetCanvas(Canvas& target, QPoint offset, QSize size)
    : m_target(target)
    , m_offset(offset)
    , m_size(size)
{
    setPen(target.pen());
    setBrush(target.brush());
    setFont(target.font(), target.fontColor());
    m_target.setClipRect(bounds());
}

void ChartOffsetCanvas::resize(int width, int height)
{
    m_size = QSize(std::max(width, 0), std::max(height, 0));
    m_target.setClipRect(bounds());
}

void ChartOffsetCanvas::syncFont() const
{
    if (m_target.font() != font() || m_target.fontColor() != fontColor())
        m_target.setFont(font(), fontColor());
}

void ChartOffsetCanvas::sync() const
{
    m_target.setPen(pen());
    m_target.setBrush(brush());
    syncFont();
}

const std::vector<QPoint>& ChartOffsetCanvas::shifted(std::span<const QPoint> points)
{
    m_points.clear();
    m_points.reserve(points.size());
    for (const QPoint& p : points)
        m_points.push_back(p + m_offset);
    return m_points;
}

void ChartOffsetCanvas::drawLine(QPoint from, QPoint to)
{
    sync();
    m_target.moveTo(from.x() + m_offset.x(), from.y() + m_offset.y());
    m_target.lineTo(to.x() + m_offset.x(), to.y() + m_offset.y());
}

void ChartOffsetCanvas::polyline(std::span<const QPoint> points)
{
    sync();
    m_target.polyline(shifted(points));
}

void ChartOffsetCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    sync();
    m_target.rectangle(x1 + m_offset.x(), y1 + m_offset.y(), x2 + m_offset.x(), y2 + m_offset.y());
}

void ChartOffsetCanvas::polygon(std::span<const QPoint> points)
{
    sync();
    m_target.polygon(shifted(points));
}

void ChartOffsetCanvas::setPixel(int x, int y, const QColor& color)
{
    m_target.setPixel(x + m_offset.x(), y + m_offset.y(), color);
}

void ChartOffsetCanvas::textOut(int x, int y, const QString& text)
{
    sync();
    m_target.textOut(x + m_offset.x(), y + m_offset.y(), text);
}

int ChartOffsetCanvas::textWidth(const QString& text) const
{
    syncFont();
    return m_target.textWidth(text);
}

int ChartOffsetCanvas::textHeight(const QString& text) const
{
    syncFont();
    return m_target.textHeight(text);
}

void ChartOffsetCanvas::setClipRect(const QRect& rect)
{
    m_target.setClipRect(rect.translated(m_offset).intersected(bounds()));
}

void ChartOffsetCanvas::clearClip()
{
    m_target.setClipRect(bounds());
}

void ChartOffsetCanvas::copyFrom(const Canvas& source, int x, int y)
{
    m_target.copyFrom(source, x + m_offset.x(), y + m_offset.y());
}
