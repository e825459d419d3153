#pragma once

#include "core/chart/canvas.h"

#include <string>
#include <vector>

// Records every drawing command with the pen, brush and font in force, so that painting code
// can be tested as a list of commands. Text is measured with fixed metrics (every character
// `charWidth` wide, every text `lineHeight` high), which keeps geometry the same on every
// machine. System colours are recorded as the classic desktop shows them.
struct RecordingMetrics
{
    int charWidth = 7;
    int lineHeight = 13;
};

class RecordingCanvas final : public Canvas
{
public:
    enum class OpKind { Resize, Line, Polyline, Rectangle, Polygon, Pixel, Text, Clip, ClearClip, Copy };

    struct Op
    {
        OpKind kind;
        std::vector<Point> points; // Line: from, to; Polyline/Polygon: all; Pixel, Text, Copy: position
        Rect rect;                 // Rectangle: (x1, y1) to (x2, y2) as given, Clip: the clip
        std::string text;
        TColor color = 0;          // Pixel: its colour
        Pen pen;
        Brush brush;
        FontDesc font;
        TColor fontColor = 0;
        const Canvas* source = nullptr; // Copy: the surface copied
    };

    using Metrics = RecordingMetrics;

    explicit RecordingCanvas(int width = 0, int height = 0, Metrics metrics = Metrics());

    Size size() const override { return m_size; }
    void resize(int width, int height) override;

    void polyline(std::span<const Point> points) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void polygon(std::span<const Point> points) override;
    void setPixel(int x, int y, TColor color) override;
    void textOut(int x, int y, std::string_view text) override;
    int measureWidth(const FontDesc& font, std::string_view text) const override;
    int measureHeight(const FontDesc& font, std::string_view text) const override;
    void setClipRect(const Rect& rect) override;
    void clearClip() override;
    void copyFrom(const Canvas& source, int x, int y) override;

    const std::vector<Op>& ops() const { return m_ops; }
    std::vector<Op> ops(OpKind kind) const;
    void clearOps() { m_ops.clear(); }
    const Metrics& metrics() const { return m_metrics; }

protected:
    void drawLine(Point from, Point to) override;

private:
    Op stamped(OpKind kind) const;

    Size m_size;
    Metrics m_metrics;
    std::vector<Op> m_ops;
};
