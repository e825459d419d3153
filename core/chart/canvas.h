#pragma once

#include "core/chart/color.h"
#include "core/chart/font.h"
#include "core/chart/geometry.h"

#include <span>
#include <string>
#include <string_view>

// Text extents in a given font, without drawing anything: what layout needs of a surface.
// Texts are Windows-1252 bytes.
class TextMetrics
{
public:
    virtual ~TextMetrics() = default;
    virtual int measureWidth(const FontDesc& font, std::string_view text) const = 0;
    virtual int measureHeight(const FontDesc& font, std::string_view text) const = 0;
};

// Every character `charWidth` wide and every text `lineHeight` high: layout that comes out the
// same on every machine, for recordings and tests.
class FixedTextMetrics final : public TextMetrics
{
public:
    explicit FixedTextMetrics(int charWidth = 7, int lineHeight = 13)
        : m_charWidth(charWidth)
        , m_lineHeight(lineHeight)
    {
    }
    int measureWidth(const FontDesc&, std::string_view text) const override { return m_charWidth * int(text.size()); }
    int measureHeight(const FontDesc&, std::string_view) const override { return m_lineHeight; }

private:
    int m_charWidth;
    int m_lineHeight;
};

// A drawing surface with the semantics the widgets were designed against (the classic 2-D
// device interface): a line leaves out its end pixel, a rectangle's right and bottom edges lie
// at x2 - 1 and y2 - 1, and the gaps of a dotted pen show the brush colour while the brush is
// solid. Pen, brush, font and current position are state of the surface and carry over from
// one drawing to the next, as they do on an off-screen bitmap. Colours may be system colours,
// which the surface resolves.
//
// The state lives here so that every backend reads it the same way; backends implement only
// the primitives.
class Canvas : public TextMetrics
{
public:
    // Dash patterns of the classic device interface for thin pens (dash 18/6, dot 3/3, dash-dot 9/6/3/6,
    // dash-dot-dot 9/3/3/3/3/3); wider pens draw every style but Clear solid, as there.
    enum class PenStyle { Solid, Dot, Dash, DashDot, DashDotDot, Clear };
    enum class BrushStyle { Solid, Clear };

    struct Pen
    {
        TColor color = clBlack;
        int width = 1;
        PenStyle style = PenStyle::Solid;
        friend bool operator==(const Pen&, const Pen&) = default;
    };
    struct Brush
    {
        TColor color = clWhite;
        BrushStyle style = BrushStyle::Solid;
        friend bool operator==(const Brush&, const Brush&) = default;
    };

    virtual ~Canvas() = default;

    // Surface size; off-screen surfaces can be resized, which keeps pen, brush and font.
    virtual Size size() const = 0;
    virtual void resize(int width, int height) = 0;

    const Pen& pen() const { return m_pen; }
    void setPen(const Pen& pen) { m_pen = pen; }
    void setPenColor(TColor c) { m_pen.color = c; }
    void setPenWidth(int w) { m_pen.width = w < 1 ? 1 : w; }
    void setPenStyle(PenStyle s) { m_pen.style = s; }

    const Brush& brush() const { return m_brush; }
    void setBrush(const Brush& brush) { m_brush = brush; }
    void setBrushColor(TColor c) { m_brush.color = c; }
    void setBrushStyle(BrushStyle s) { m_brush.style = s; }

    // The font carries the text colour, as a font object of the original toolkit does.
    const FontDesc& font() const { return m_font; }
    TColor fontColor() const { return m_fontColor; }
    void setFont(const FontDesc& font, TColor color)
    {
        m_font = font;
        m_fontColor = color;
        fontChanged();
    }

    Point currentPosition() const { return m_pos; }
    void moveTo(int x, int y) { m_pos = {x, y}; }
    // Draws from the current position to (x, y), without the end pixel, and moves there.
    void lineTo(int x, int y)
    {
        drawLine(m_pos, {x, y});
        m_pos = {x, y};
    }

    // Independent of the current position, which it leaves alone. Leaves out the last pixel.
    virtual void polyline(std::span<const Point> points) = 0;
    // Filled with the brush and outlined with the pen; right and bottom edges at x2-1, y2-1.
    virtual void rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void polygon(std::span<const Point> points) = 0;
    virtual void setPixel(int x, int y, TColor color) = 0;
    // Top-left corner at (x, y); the background is filled with the brush unless it is clear.
    virtual void textOut(int x, int y, std::string_view text) = 0;
    // In the current font.
    int textWidth(std::string_view text) const { return measureWidth(m_font, text); }
    int textHeight(std::string_view text) const { return measureHeight(m_font, text); }
    // Only pixels inside the rectangle change until the clip is cleared.
    virtual void setClipRect(const Rect& rect) = 0;
    virtual void clearClip() = 0;
    // Copies the whole of another surface with its top-left corner at (x, y).
    virtual void copyFrom(const Canvas& source, int x, int y) = 0;

protected:
    virtual void drawLine(Point from, Point to) = 0;
    virtual void fontChanged() {}

private:
    Pen m_pen;
    Brush m_brush;
    FontDesc m_font; // none chosen: the surface's own default
    TColor m_fontColor = clBlack;
    Point m_pos;
};
