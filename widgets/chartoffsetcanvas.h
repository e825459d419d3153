#pragma once

#include "canvas.h"

#include <vector>

// A view of part of another surface: coordinates are shifted by an offset and drawing is
// clipped to the view's size. The chart paints its plot content through it when it draws
// straight onto a caller's surface (an SVG file, a printer-like target) instead of its own
// off-screen bitmaps. Pen, brush and font are handed to the target before every command.
class ChartOffsetCanvas final : public Canvas
{
public:
    ChartOffsetCanvas(Canvas& target, QPoint offset, QSize size = {});

    QSize size() const override { return m_size; }
    void resize(int width, int height) override;

    void polyline(std::span<const QPoint> points) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void polygon(std::span<const QPoint> points) override;
    void setPixel(int x, int y, const QColor& color) override;
    void textOut(int x, int y, const QString& text) override;
    int textWidth(const QString& text) const override;
    int textHeight(const QString& text) const override;
    void setClipRect(const QRect& rect) override;
    void clearClip() override;
    void copyFrom(const Canvas& source, int x, int y) override;

protected:
    void drawLine(QPoint from, QPoint to) override;

private:
    void sync() const;
    void syncFont() const;
    QRect bounds() const { return QRect(m_offset, m_size); }
    const std::vector<QPoint>& shifted(std::span<const QPoint> points);

    Canvas& m_target;
    QPoint m_offset;
    QSize m_size;
    std::vector<QPoint> m_points;
};
