#include "core/chart/recordingcanvas.h"

#include <algorithm>

RecordingCanvas::RecordingCanvas(int width, int height, Metrics metrics)
    : m_size{std::max(width, 0), std::max(height, 0)}
    , m_metrics(metrics)
{
}

RecordingCanvas::Op RecordingCanvas::stamped(OpKind kind) const
{
    Op op{kind, {}, {}, {}, 0, pen(), brush(), font(), ResolveClassicColor(fontColor()), nullptr};
    op.pen.color = ResolveClassicColor(op.pen.color);
    op.brush.color = ResolveClassicColor(op.brush.color);
    return op;
}

void RecordingCanvas::resize(int width, int height)
{
    m_size = {std::max(width, 0), std::max(height, 0)};
    Op op = stamped(OpKind::Resize);
    op.rect = Rect::FromSize(m_size);
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::drawLine(Point from, Point to)
{
    Op op = stamped(OpKind::Line);
    op.points = {from, to};
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::polyline(std::span<const Point> points)
{
    Op op = stamped(OpKind::Polyline);
    op.points.assign(points.begin(), points.end());
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    Op op = stamped(OpKind::Rectangle);
    op.rect = Rect::FromCorners(x1, y1, x2, y2);
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::polygon(std::span<const Point> points)
{
    Op op = stamped(OpKind::Polygon);
    op.points.assign(points.begin(), points.end());
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::setPixel(int x, int y, TColor color)
{
    Op op = stamped(OpKind::Pixel);
    op.points = {{x, y}};
    op.color = ResolveClassicColor(color);
    m_ops.push_back(std::move(op));
}

void RecordingCanvas::textOut(int x, int y, std::string_view text)
{
    Op op = stamped(OpKind::Text);
    op.points = {{x, y}};
    op.text = std::string(text);
    m_ops.push_back(std::move(op));
}

int RecordingCanvas::measureWidth(const FontDesc&, std::string_view text) const
{
    return m_metrics.charWidth * int(text.size());
}

int RecordingCanvas::measureHeight(const FontDesc&, std::string_view) const
{
    return m_metrics.lineHeight;
}

void RecordingCanvas::setClipRect(const Rect& rect)
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
    op.points = {{x, y}};
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
