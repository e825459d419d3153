#pragma once

#include "canvas.h"

#include <vector>

// Records every drawing command with the pen, brush and font in force, so that painting code
// can be tested as a list of commands. Text is measured with fixed metrics (every character
// `charWidth` wide, every text `lineHeight` high) unless real font metrics are asked for, which
// keeps geometry tests independent of the fonts a machine has.
struct RecordingMetrics
{
    int charWidth = 7;
    int lineHeight = 13;
    bool useFont = false; // measure with QFontMetrics of the current font instead
};

class RecordingCanvas final : public Canvas
{
public:
    enum class OpKind { Resize, Line, Polyline, Rectangle, Polygon, Pixel, Text, Clip, ClearClip, Copy };

    struct Op
    {
        OpKind kind;
        std::vector<QPoint> points; // Line: from, to; Polyline/Polygon: all; Pixel, Text, Copy: position
        QRect rect;                 // Rectangle: (x1, y1) to (x2, y2) as given, Clip: the clip
        QString text;
        QColor color;               // Pixel: its colour
        Pen pen;
        Brush brush;
        QFont font;
        QColor fontColor;
        const Canvas* source = nullptr; // Copy: the surface copied
    };

    using Metrics = RecordingMetrics;

    explicit RecordingCanvas(int width = 0, int height = 0, Metrics metrics = Metrics());

    QSize size() const override { return m_size; }
    void resize(int width, int height) override;

    void polyline(std::span<const QPoint> points) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void polygon(std::span<const QPoint> points) override;
    void setPixel(int x, int y, const QColor& color) override;
    void textOut(int x, int y, const QString& text) override;
    int measureWidth(const QFont& font, const QString& text) const override;
    int measureHeight(const QFont& font, const QString& text) const override;
    void setClipRect(const QRect& rect) override;
    void clearClip() override;
    void copyFrom(const Canvas& source, int x, int y) override;

    const std::vector<Op>& ops() const { return m_ops; }
    std::vector<Op> ops(OpKind kind) const;
    void clearOps() { m_ops.clear(); }
    const Metrics& metrics() const { return m_metrics; }

protected:
    void drawLine(QPoint from, QPoint to) override;

private:
    Op stamped(OpKind kind) const;

    QSize m_size;
    Metrics m_metrics;
    std::vector<Op> m_ops;
};
