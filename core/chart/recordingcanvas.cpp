#include "recordingcanvas.h"

#include <QFontMetrics>

RecordingCanvas::RecordingCanvas(int width, int height, Metrics metrics)
    : m_size(std::max(width, 0), std::max(height, 0))
    , m_metrics(metrics)
{
}

RecordingCanvas::Op RecordingCanvas::stamped(OpKind kind) const
{
    Op op{kind, {}, {}, {}, {}, pen(), brush(), font(), fontColor(), nullptr};
    return op;
}

void RecordingCanvas::resize(int width, int height)
{
    m_size = QSize(std::max(width, 0), std::max(height, 0));
    Op op = stamped(OpKind::Resize);
    op.rect = QRect(QPoint(0, 0), m_size);
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::drawLine(QPoint from, QPoint to)
{
    Op op = stamped(OpKind::Line);
    op.points = {from, to};
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::polyline(std::span<const QPoint> points)
{
    Op op = stamped(OpKind::Polyline);
    op.points.assign(points.begin(), points.end());
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    Op op = stamped(OpKind::Rectangle);
    op.rect = QRect(QPoint(x1, y1), QPoint(x2, y2));
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::polygon(std::span<const QPoint> points)
{
    Op op = stamped(OpKind::Polygon);
    op.points.assign(points.begin(), points.end());
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::setPixel(int x, int y, const QColor& color)
{
    Op op = stamped(OpKind::Pixel);
    op.points = {QPoint(x, y)};
    op.color = color;
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::textOut(int x, int y, const QString& text)
{
    Op op = stamped(OpKind::Text);
    op.points = {QPoint(x, y)};
    op.text = text;
    m_ops.push_back(std::move(op));
}

int RecordingCanvas::measureWidth(const QFont& font, const QString& text) const
{
    if (m_metrics.useFont)
        return QFontMetrics(font).horizontalAdvance(text);
    return m_metrics.charWidth * int(text.size());
}

int RecordingCanvas::measureHeight(const QFont& font, const QString&) const
{
    if (m_metrics.useFont)
        return QFontMetrics(font).height();
    return m_metrics.lineHeight;
}

void RecordingCanvas::setClipRect(const QRect& rect)
{
    Op op = stamped(OpKind::Clip);
    op.rect = rect;
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::clearClip()
{
    m_ops.push_back(stamped(OpKind::ClearClip));
}

void RecordingCanvas::copyFrom(const Canvas& source, int x, int y)
{
    Op op = stamped(OpKind::Copy);
    op.points = {QPoint(x, y)};
    op.source = &source;
    m_ops.push_back(std::move(op));
}

std::vector<RecordingCanvas::Op> RecordingCanvas::ops(OpKind kind) const
{
    std::vector<Op> out;
    for (const Op& op : m_ops)
        if (op.kind == kind)
            out.push_back(op);
    return out;
}
