#pragma once

#include "core/chart/canvas.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <memory>
#include <vector>

// Canvas over QPainter, without antialiasing: the core's drawing commands in Qt's terms, system
// colours from the application palette, texts decoded from Windows-1252. It either owns an off-screen image (resizable,
// the chart's frame and plot surfaces) or draws through a painter that someone else owns
// (a window, an SVG generator), translated to an origin and clipped to a size.
class QtCanvas final : public Canvas
{
public:
    // An owned image in `format`, one of the formats Holds() accepts (else RGB32).
    explicit QtCanvas(int width = 0, int height = 0, QImage::Format format = QImage::Format_RGB32);
    QtCanvas(QPainter& painter, QPoint origin, QSize size);
    ~QtCanvas() override;

    QtCanvas(const QtCanvas&) = delete;
    QtCanvas& operator=(const QtCanvas&) = delete;

    Size size() const override;
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

    // The owned image; null for a canvas over a foreign painter.
    const QImage& image() const { return m_image; }
    // Formats an owned image may have: 32-bit pixels that opaque colours fill with the same
    // bits, so that runs are written straight into them.
    static bool Holds(QImage::Format format);
    // A new owned image in another format (drawn afresh by the caller); ignored for formats
    // Holds() refuses.
    void setFormat(QImage::Format format);
    // Confines all drawing on the owned image to `area` until clearLimit(), whatever clip the
    // drawing sets itself: for drawing part of a picture again.
    void setLimit(const QRect& area);
    void clearLimit();
    // Copies the pixels of `area` from another owned image of this size, to the same place,
    // whatever the clip. For compositing a cached picture into a frame.
    void copyArea(const QtCanvas& source, const QRect& area);

protected:
    void drawLine(Point from, Point to) override;
    void fontChanged() override;

private:
    void beginOwnPainter();
    QPen qtPen(const QColor& color) const;
    // Draws a polyline whose last pixel is left out; points already clamped by callers.
    void strokeOpen(std::span<const Point> points);

    void applyClip();

    QImage m_image;
    QImage::Format m_format = QImage::Format_RGB32;
    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter = nullptr;
    QPoint m_origin;
    QSize m_size;
    QRect m_clip;
    bool m_clipped = false;
    QRect m_limit;
    bool m_limited = false;
    QRect m_ownClip; // what drawing on the owned image is confined to, while m_ownClipped
    bool m_ownClipped = false;
    bool strokeAsRects(std::span<const Point> points, const QColor& color, int penWidth);
    bool dashAsRects(Point from, Point to, const QColor& color, PenStyle style);
    void fillRects(std::span<const Rect> rects, const QColor& color);
    void fillEach(std::span<const Rect> rects, const QColor& color, bool direct);
    bool rasterTarget() const;
    // Pixel runs written straight into an owned image: the same pixels QPainter fills for an
    // axis-aligned rectangle without antialiasing, at a fraction of its cost per rectangle.
    bool directTarget(const QColor& color) const;
    void fillDirect(std::span<const Rect> rects, QRgb color);

    // Reused by every stroke: the pixels of a thin line, the core's points as Qt's, the runs.
    std::vector<Point> m_points;
    std::vector<QPoint> m_converted;
    std::vector<Rect> m_rects;
    std::vector<QRect> m_qrects;
    QFont m_qfont; // the current font as Qt's
};

// Text extents as an image surface measures them, for laying out a chart that is drawn into
// images (the window's frame buffer, PNG pictures).
class RasterTextMetrics final : public TextMetrics
{
public:
    RasterTextMetrics();
    int measureWidth(const FontDesc& font, std::string_view text) const override;
    int measureHeight(const FontDesc& font, std::string_view text) const override;

private:
    QImage m_device;
};
