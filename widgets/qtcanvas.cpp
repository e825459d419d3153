#include "widgets/qtcanvas.h"

#include "core/chart/pixelruns.h"
#include "i18n/cp1252.h"
#include "widgets/qtconvert.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

QList<qreal> dashPattern(Canvas::PenStyle style)
{
    QList<qreal> pattern;
    for (const int run : DashPattern(style))
        pattern << run;
    return pattern;
}

} // namespace

QtCanvas::QtCanvas(int width, int height, QImage::Format format)
    : m_format(Holds(format) ? format : QImage::Format_RGB32)
{
    resize(width, height);
}

bool QtCanvas::Holds(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

void QtCanvas::setFormat(QImage::Format format)
{
    if (!Holds(format) || format == m_format || (m_painter && !m_ownPainter))
        return;
    m_format = format;
    const QSize size = m_image.size();
    m_ownPainter.reset();
    m_painter = nullptr;
    m_image = QImage();
    resize(size.width(), size.height());
}

QtCanvas::QtCanvas(QPainter& painter, QPoint origin, QSize size)
    : m_painter(&painter)
    , m_origin(origin)
    , m_size(size)
{
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setRenderHint(QPainter::TextAntialiasing, true);
    m_painter->translate(origin);
    m_painter->setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
    m_qfont = ToQFont(font());
    m_painter->setFont(m_qfont);
}

QtCanvas::~QtCanvas()
{
    if (!m_ownPainter && m_painter)
        m_painter->restore();
}

Size QtCanvas::size() const
{
    return ToSize(m_ownPainter || !m_painter ? m_image.size() : m_size);
}

void QtCanvas::resize(int width, int height)
{
    if (m_painter && !m_ownPainter)
        return; // a foreign surface has the size its owner gave it
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (!m_image.isNull() && m_image.width() == width && m_image.height() == height)
        return;
    m_ownPainter.reset();
    m_painter = nullptr;
    m_image = QImage(width, height, m_format);
    if (!m_image.isNull())
        m_image.fill(Qt::white);
    beginOwnPainter();
}

void QtCanvas::beginOwnPainter()
{
    if (m_image.isNull())
        return;
    m_ownPainter = std::make_unique<QPainter>(&m_image);
    m_painter = m_ownPainter.get();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_qfont = ToQFont(font());
    m_painter->setFont(m_qfont);
    applyClip();
}

void QtCanvas::applyClip()
{
    m_ownClipped = m_clipped || m_limited;
    m_ownClip = m_clipped ? m_clip : m_image.rect();
    if (m_limited)
        m_ownClip &= m_limit;
    if (!m_ownPainter)
        return;
    if (m_ownClipped)
        m_painter->setClipRect(m_ownClip);
    else
        m_painter->setClipping(false);
}

void QtCanvas::setLimit(const QRect& area)
{
    if (m_painter && !m_ownPainter)
        return;
    m_limit = area;
    m_limited = true;
    applyClip();
}

void QtCanvas::clearLimit()
{
    if (!m_limited)
        return;
    m_limited = false;
    applyClip();
}

void QtCanvas::fontChanged()
{
    m_qfont = ToQFont(font());
    if (m_painter)
        m_painter->setFont(m_qfont);
}

QPen QtCanvas::qtPen(const QColor& color) const
{
    const Pen& p = pen();
    QPen qp(color);
    if (p.width <= 1) {
        // Cosmetic, one pixel whatever the transform. Square caps cover both ends: a flat
        // cap drops whichever end is larger, the start pixel of a line drawn left or up.
        qp.setWidth(0);
        qp.setCapStyle(Qt::SquareCap);
    } else {
        qp.setWidth(p.width);
        qp.setCapStyle(Qt::RoundCap);
        qp.setJoinStyle(Qt::RoundJoin);
    }
    return qp;
}

void QtCanvas::strokeOpen(std::span<const Point> points)
{
    if (!m_painter || points.size() < 2)
        return;
    const Pen& p = pen();
    const QColor penColor = ToQColor(p.color);
    if (p.style == PenStyle::Clear)
        return;
    std::span<const Point> pts = points;
    if (p.width <= 1) {
        // Every joint is covered; only the very last pixel is left out.
        if (!ThinPolyline(points, m_points))
            return;
        pts = m_points;
    }
    if (p.style == PenStyle::Solid && p.width <= 3 && rasterTarget() && strokeAsRects(pts, penColor, p.width))
        return;
    if (p.style != PenStyle::Solid && p.width <= 1 && pts.size() == 2 && rasterTarget() && dashAsRects(pts[0], pts[1], penColor, p.style))
        return;
    m_converted.clear();
    for (const Point& point : pts)
        m_converted.emplace_back(point.x, point.y);
    auto stroke = [&](const QPen& qp) {
        m_painter->setPen(qp);
        if (m_converted.size() == 2 && m_converted[0] == m_converted[1])
            m_painter->drawPoint(m_converted[0]);
        else
            m_painter->drawPolyline(m_converted.data(), int(m_converted.size()));
    };
    if (p.style != PenStyle::Solid && p.width <= 1) {
        if (brush().style == BrushStyle::Solid)
            stroke(qtPen(ToQColor(brush().color)));
        QPen dashed = qtPen(penColor);
        dashed.setDashPattern(dashPattern(p.style));
        stroke(dashed);
    } else {
        stroke(qtPen(penColor));
    }
}

// Step traces, grids, ticks and frames are all horizontal and vertical segments. Such a segment
// of a thin pen covers exactly the pixels of its rectangle; up to three pixels wide, a round pen
// covers that rectangle but for the outer corner pixel of a cap or joint. Filling rectangles
// costs a fraction of the general stroker, and the square corners are crisper too. Returns
// false, drawing nothing, when a segment is slanted.
bool QtCanvas::strokeAsRects(std::span<const Point> points, const QColor& color, int penWidth)
{
    if (!StrokeRuns(points, penWidth, m_rects))
        return false;
    fillRects(m_rects, color);
    return true;
}

namespace {

// Pen widths of one to four pixels are most of the runs a chart stores.
inline void fillRow(QRgb* row, int width, QRgb color)
{
    switch (width) {
    case 4:
        row[3] = color;
        [[fallthrough]];
    case 3:
        row[2] = color;
        [[fallthrough]];
    case 2:
        row[1] = color;
        [[fallthrough]];
    case 1:
        row[0] = color;
        return;
    default:
        break;
    }
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        row[x] = color;
        row[x + 1] = color;
        row[x + 2] = color;
        row[x + 3] = color;
    }
    for (; x < width; ++x)
        row[x] = color;
}

} // namespace

// A thin dotted or dashed horizontal or vertical line (the grid) as runs of pixels: the gaps in
// the brush colour while the brush is solid, then the dashes. On a clipped image only the
// periods that reach into the clip are laid out (the grid redrawn under a few traces). Returns
// false, drawing nothing, when the line is slanted.
bool QtCanvas::dashAsRects(Point from, Point to, const QColor& color, PenStyle style)
{
    const QColor brushColor = ToQColor(brush().color);
    const bool direct = directTarget(color) && directTarget(brushColor);
    const Rect visible = ToRect(m_ownClip);
    if (!DashRuns(from, to, style, m_rects, direct && m_ownClipped ? &visible : nullptr))
        return false;
    if (brush().style == BrushStyle::Solid) {
        const Rect line = Rect::FromCorners(std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x),
                                            std::max(from.y, to.y));
        fillEach({&line, 1}, brushColor, direct);
    }
    fillEach(m_rects, color, direct);
    return true;
}

// A pen's runs: written straight into the owned image where they can be, else in one fill.
void QtCanvas::fillRects(std::span<const Rect> rects, const QColor& color)
{
    if (directTarget(color)) {
        fillDirect(rects, color.rgba());
        return;
    }
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(color);
    m_qrects.clear();
    for (const Rect& r : rects)
        m_qrects.push_back(ToQRect(r));
    m_painter->drawRects(m_qrects.data(), int(m_qrects.size()));
    m_painter->setBrush(Qt::NoBrush);
}

// Areas: written straight into the owned image when `direct`, else filled one by one.
void QtCanvas::fillEach(std::span<const Rect> rects, const QColor& color, bool direct)
{
    if (direct) {
        fillDirect(rects, color.rgba());
        return;
    }
    for (const Rect& r : rects)
        m_painter->fillRect(ToQRect(r), color);
}

// Pixel runs stand in for lines only where the result is pixels; a vector target such as an SVG
// keeps its lines as lines.
bool QtCanvas::rasterTarget() const
{
    return m_painter->device() && m_painter->device()->devType() == QInternal::Image;
}

bool QtCanvas::directTarget(const QColor& color) const
{
    // The owned image is RGB32 and its painter untransformed; a translucent colour would blend.
    return m_ownPainter && color.alpha() == 255;
}

void QtCanvas::fillDirect(std::span<const Rect> rects, QRgb color)
{
    int areaLeft = 0, areaTop = 0, areaRight = m_image.width() - 1, areaBottom = m_image.height() - 1;
    if (m_ownClipped) {
        if (m_ownClip.isEmpty())
            return;
        areaLeft = std::max(areaLeft, m_ownClip.left());
        areaTop = std::max(areaTop, m_ownClip.top());
        areaRight = std::min(areaRight, m_ownClip.right());
        areaBottom = std::min(areaBottom, m_ownClip.bottom());
    }
    if (areaLeft > areaRight || areaTop > areaBottom)
        return;
    // The painter is active for the image's whole life, so the image is never shared and its
    // bits stay where they are: this does not detach.
    QRgb* const bits = reinterpret_cast<QRgb*>(m_image.bits());
    const qsizetype stride = m_image.bytesPerLine() / qsizetype(sizeof(QRgb));
    for (const Rect& rect : rects) {
        const int left = std::max(rect.left(), areaLeft), right = std::min(rect.right(), areaRight);
        const int top = std::max(rect.top(), areaTop), bottom = std::min(rect.bottom(), areaBottom);
        if (left > right || top > bottom)
            continue;
        const int width = right - left + 1;
        QRgb* const first = bits + top * stride + left;
        // Wide areas (backgrounds) copy their first row in wide stores, which the first row
        // makes for itself by doubling what it has; narrow ones (the pens) are stored directly.
        if (width >= 32) {
            fillRow(first, 8, color);
            for (int done = 8; done < width; done *= 2)
                std::memcpy(first + done, first, std::size_t(std::min(done, width - done)) * sizeof(QRgb));
            QRgb* line = first + stride;
            for (int y = top + 1; y <= bottom; ++y, line += stride)
                std::memcpy(line, first, std::size_t(width) * sizeof(QRgb));
        } else {
            QRgb* line = first;
            for (int y = top; y <= bottom; ++y, line += stride)
                fillRow(line, width, color);
        }
    }
}

void QtCanvas::copyArea(const QtCanvas& source, const QRect& area)
{
    const QRect r = area & m_image.rect() & source.m_image.rect();
    if (r.isEmpty() || !m_ownPainter || source.m_image.format() != m_image.format())
        return;
    uchar* const bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    const qsizetype sourceStride = source.m_image.bytesPerLine();
    const uchar* from = source.m_image.constBits() + r.top() * sourceStride + r.left() * qsizetype(sizeof(QRgb));
    uchar* to = bits + r.top() * stride + r.left() * qsizetype(sizeof(QRgb));
    const std::size_t bytes = std::size_t(r.width()) * sizeof(QRgb);
    for (int y = r.top(); y <= r.bottom(); ++y, from += sourceStride, to += stride)
        std::memcpy(to, from, bytes);
}

void QtCanvas::drawLine(Point from, Point to)
{
    if (from == to)
        return;
    const Point pts[2] = {from, to};
    strokeOpen(pts);
}

void QtCanvas::polyline(std::span<const Point> points)
{
    strokeOpen(points);
}

void QtCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    if (!m_painter)
        return;
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1)
        return;
    const Rect area{x1, y1, x2 - x1, y2 - y1};
    if (brush().style == BrushStyle::Solid) {
        const QColor fill = ToQColor(brush().color);
        fillEach({&area, 1}, fill, directTarget(fill));
    }
    m_painter->setBrush(Qt::NoBrush);
    if (pen().style == PenStyle::Clear)
        return;
    if (pen().width <= 1) {
        if (pen().style != PenStyle::Solid) {
            const Point outline[5] = {{x1, y1}, {x2 - 1, y1}, {x2 - 1, y2 - 1}, {x1, y2 - 1}, {x1, y1}};
            strokeOpen(outline);
        } else {
            // The four edges as one-pixel fills: the same pixels, without the stroker.
            const Rect edges[4] = {Rect::FromCorners(x1, y1, x2 - 1, y1), Rect::FromCorners(x1, y2 - 1, x2 - 1, y2 - 1),
                                   Rect::FromCorners(x1, y1, x1, y2 - 1), Rect::FromCorners(x2 - 1, y1, x2 - 1, y2 - 1)};
            const QColor edge = ToQColor(pen().color);
            fillEach(edges, edge, directTarget(edge));
        }
    } else {
        const int inset = pen().width / 2;
        m_painter->setPen(qtPen(ToQColor(pen().color)));
        m_painter->drawRect(ToQRect(area).adjusted(inset, inset, -inset - 1, -inset - 1));
    }
}

void QtCanvas::polygon(std::span<const Point> points)
{
    if (!m_painter || points.empty())
        return;
    if (pen().style == PenStyle::Clear)
        m_painter->setPen(Qt::NoPen);
    else
        m_painter->setPen(qtPen(ToQColor(pen().color)));
    if (brush().style == BrushStyle::Solid)
        m_painter->setBrush(ToQColor(brush().color));
    else
        m_painter->setBrush(Qt::NoBrush);
    std::vector<QPoint> pts;
    pts.reserve(points.size());
    for (const Point& p : points)
        pts.emplace_back(p.x, p.y);
    m_painter->drawPolygon(pts.data(), int(pts.size()));
    m_painter->setBrush(Qt::NoBrush);
}

void QtCanvas::setPixel(int x, int y, TColor color)
{
    if (!m_painter)
        return;
    QPen qp(ToQColor(color));
    qp.setWidth(0);
    m_painter->setPen(qp);
    m_painter->drawPoint(x, y);
}

void QtCanvas::textOut(int x, int y, std::string_view bytes)
{
    if (!m_painter || bytes.empty())
        return;
    const QString text = cp1252::ToQString(bytes);
    const QFontMetrics fm(m_qfont, m_painter->device());
    if (brush().style == BrushStyle::Solid)
        m_painter->fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), ToQColor(brush().color));
    m_painter->setPen(ToQColor(fontColor()));
    m_painter->drawText(QPoint(x, y + fm.ascent()), text);
}

int QtCanvas::measureWidth(const FontDesc& font, std::string_view text) const
{
    if (m_painter)
        return QFontMetrics(ToQFont(font), m_painter->device()).horizontalAdvance(cp1252::ToQString(text));
    return QFontMetrics(ToQFont(font)).horizontalAdvance(cp1252::ToQString(text));
}

int QtCanvas::measureHeight(const FontDesc& font, std::string_view) const
{
    if (m_painter)
        return QFontMetrics(ToQFont(font), m_painter->device()).height();
    return QFontMetrics(ToQFont(font)).height();
}

void QtCanvas::setClipRect(const Rect& r)
{
    const QRect rect = ToQRect(r);
    m_clip = rect;
    m_clipped = true;
    if (!m_painter || m_ownPainter) {
        applyClip();
    } else {
        m_painter->setClipRect(QRect(QPoint(0, 0), m_size));
        m_painter->setClipRect(rect, Qt::IntersectClip);
    }
}

void QtCanvas::clearClip()
{
    m_clipped = false;
    if (!m_painter || m_ownPainter)
        applyClip();
    else
        m_painter->setClipRect(QRect(QPoint(0, 0), m_size));
}

void QtCanvas::copyFrom(const Canvas& source, int x, int y)
{
    if (!m_painter)
        return;
    if (const auto* qt = dynamic_cast<const QtCanvas*>(&source); qt && !qt->m_image.isNull())
        m_painter->drawImage(QPoint(x, y), qt->m_image);
}

RasterTextMetrics::RasterTextMetrics()
    : m_device(1, 1, QImage::Format_RGB32)
{
}

int RasterTextMetrics::measureWidth(const FontDesc& font, std::string_view text) const
{
    return QFontMetrics(ToQFont(font), &m_device).horizontalAdvance(cp1252::ToQString(text));
}

int RasterTextMetrics::measureHeight(const FontDesc& font, std::string_view) const
{
    return QFontMetrics(ToQFont(font), &m_device).height();
}
