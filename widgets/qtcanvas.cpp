#include "qtcanvas.h"

#include "cp1252.h"
#include "qtconvert.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

QList<qreal> dashPattern(Canvas::PenStyle style)
{
    switch (style) {
    case Canvas::PenStyle::Dot:
        return {3, 3};
    case Canvas::PenStyle::Dash:
        return {18, 6};
    case Canvas::PenStyle::DashDot:
        return {9, 6, 3, 6};
    case Canvas::PenStyle::DashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

// The last pixel a line of the classic device interface covers: one step back from `to` towards
// `from` along the major axis.
QPoint lastCoveredPixel(QPoint from, QPoint to)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    if (std::abs(dx) >= std::abs(dy)) {
        const int x = to.x() - (dx > 0 ? 1 : -1);
        const int y = from.y() + int(std::lround(double(dy) * (x - from.x()) / dx));
        return {x, y};
    }
    const int y = to.y() - (dy > 0 ? 1 : -1);
    const int x = from.x() + int(std::lround(double(dx) * (y - from.y()) / dy));
    return {x, y};
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
    m_converted.clear();
    for (const Point& p : points)
        m_converted.emplace_back(p.x, p.y);
    strokeOpen(std::span<const QPoint>(m_converted));
}

void QtCanvas::strokeOpen(std::span<const QPoint> points)
{
    if (!m_painter || points.size() < 2)
        return;
    const Pen& p = pen();
    const QColor penColor = ToQColor(p.color);
    if (p.style == PenStyle::Clear)
        return;
    std::span<const QPoint> pts = points;
    if (p.width <= 1) {
        // Every joint is covered; only the very last pixel is left out.
        m_points.assign(points.begin(), points.end());
        while (m_points.size() >= 2 && m_points.back() == m_points[m_points.size() - 2])
            m_points.pop_back();
        if (m_points.size() < 2)
            return;
        m_points.back() = lastCoveredPixel(m_points[m_points.size() - 2], m_points.back());
        pts = m_points;
    }
    if (p.style == PenStyle::Solid && p.width <= 3 && rasterTarget() && strokeAsRects(pts, penColor, p.width))
        return;
    if (p.style != PenStyle::Solid && p.width <= 1 && pts.size() == 2 && rasterTarget() && dashAsRects(pts[0], pts[1], penColor, p.style))
        return;
    auto stroke = [&](const QPen& qp) {
        m_painter->setPen(qp);
        if (pts.size() == 2 && pts[0] == pts[1])
            m_painter->drawPoint(pts[0]);
        else
            m_painter->drawPolyline(pts.data(), int(pts.size()));
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
bool QtCanvas::strokeAsRects(std::span<const QPoint> points, const QColor& color, int penWidth)
{
    m_rects.clear();
    const int width = std::max(penWidth, 1);
    const int before = width / 2; // pixels left of / above the centre line, as Qt strokes
    const int after = (width - 1) / 2;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const QPoint a = points[i - 1];
        const QPoint b = points[i];
        if (a.x() != b.x() && a.y() != b.y())
            return false;
        const int left = std::min(a.x(), b.x()) - before;
        const int top = std::min(a.y(), b.y()) - before;
        const int right = std::max(a.x(), b.x()) + after;
        const int bottom = std::max(a.y(), b.y()) + after;
        // A run of segments along one line (a step trace between its steps) fills one rectangle.
        if (!m_rects.empty()) {
            QRect& last = m_rects.back();
            if (last.top() == top && last.bottom() == bottom && left <= last.right() + 1 && right >= last.left() - 1) {
                last.setLeft(std::min(last.left(), left));
                last.setRight(std::max(last.right(), right));
                continue;
            }
            if (last.left() == left && last.right() == right && top <= last.bottom() + 1 && bottom >= last.top() - 1) {
                last.setTop(std::min(last.top(), top));
                last.setBottom(std::max(last.bottom(), bottom));
                continue;
            }
        }
        m_rects.emplace_back(QPoint(left, top), QPoint(right, bottom));
    }
    if (directTarget(color)) {
        fillDirect(m_rects, color.rgba());
        return true;
    }
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(color);
    m_painter->drawRects(m_rects.data(), int(m_rects.size()));
    m_painter->setBrush(Qt::NoBrush);
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
// the brush colour while the brush is solid, then the dashes, counted from the line's start as
// the cosmetic stroker counts them. Returns false, drawing nothing, when the line is slanted.
bool QtCanvas::dashAsRects(QPoint from, QPoint to, const QColor& color, PenStyle style)
{
    if (from.x() != to.x() && from.y() != to.y())
        return false;
    // The stroker's patterns in whole pixels: dashes are the even entries, gaps the odd ones.
    static constexpr int Dot[] = {3, 3}, Dash[] = {18, 6}, DashDot[] = {9, 6, 3, 6}, DashDotDot[] = {9, 3, 3, 3, 3, 3};
    std::span<const int> pattern;
    switch (style) {
    case PenStyle::Dot:
        pattern = Dot;
        break;
    case PenStyle::Dash:
        pattern = Dash;
        break;
    case PenStyle::DashDot:
        pattern = DashDot;
        break;
    case PenStyle::DashDotDot:
        pattern = DashDotDot;
        break;
    default:
        return false;
    }
    int period = 0;
    for (int length : pattern)
        period += length;
    auto span = [](QPoint a, QPoint b) {
        return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())), QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    };
    const QColor brushColor = ToQColor(brush().color);
    const bool direct = directTarget(color) && directTarget(brushColor);
    const QRect line = span(from, to);
    if (brush().style == BrushStyle::Solid) {
        if (direct)
            fillDirect({&line, 1}, brushColor.rgba());
        else
            m_painter->fillRect(line, brushColor);
    }
    const int length = std::abs(to.x() - from.x()) + std::abs(to.y() - from.y()) + 1;
    const QPoint step(to.x() > from.x() ? 1 : to.x() < from.x() ? -1 : 0,
                      to.y() > from.y() ? 1 : to.y() < from.y() ? -1 : 0);
    // Counted from the line's start as the stroker counts them; on a clipped image only the
    // periods that reach into the clip are laid out (the grid redrawn under a few traces).
    int first = 0, last = length - 1;
    if (direct && m_ownClipped) {
        const QRect visible = line & m_ownClip;
        if (visible.isEmpty())
            return true;
        const bool horizontal = step.y() == 0;
        const int a = horizontal ? (visible.left() - from.x()) * step.x() : (visible.top() - from.y()) * step.y();
        const int b = horizontal ? (visible.right() - from.x()) * step.x() : (visible.bottom() - from.y()) * step.y();
        first = std::max(0, std::min(a, b));
        last = std::min(length - 1, std::max(a, b));
    }
    m_rects.clear();
    for (int k = first / period * period; k <= last;) {
        for (std::size_t i = 0; i < pattern.size() && k <= last; ++i) {
            const int run = std::min(pattern[i], length - k);
            if (i % 2 == 0 && k + run > first)
                m_rects.push_back(span(from + step * k, from + step * (k + run - 1)));
            k += run;
        }
    }
    if (direct) {
        fillDirect(m_rects, color.rgba());
    } else {
        for (const QRect& dash : m_rects)
            m_painter->fillRect(dash, color);
    }
    return true;
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

void QtCanvas::fillDirect(std::span<const QRect> rects, QRgb color)
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
    for (const QRect& rect : rects) {
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
    const QPoint pts[2] = {QPoint(from.x, from.y), QPoint(to.x, to.y)};
    strokeOpen(std::span<const QPoint>(pts));
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
    const QRect area(x1, y1, x2 - x1, y2 - y1);
    if (brush().style == BrushStyle::Solid) {
        const QColor fill = ToQColor(brush().color);
        if (directTarget(fill))
            fillDirect({&area, 1}, fill.rgba());
        else
            m_painter->fillRect(area, fill);
    }
    m_painter->setBrush(Qt::NoBrush);
    if (pen().style == PenStyle::Clear)
        return;
    if (pen().width <= 1) {
        // A cosmetic outline of drawRect(x, y, w, h) covers x..x+w, hence the one less.
        const QPoint outline[5] = {{x1, y1}, {x2 - 1, y1}, {x2 - 1, y2 - 1}, {x1, y2 - 1}, {x1, y1}};
        const Pen saved = pen();
        const QColor edge = ToQColor(saved.color);
        std::vector<QPoint> pts(std::begin(outline), std::end(outline));
        if (saved.style != PenStyle::Solid) {
            strokeOpen(std::span<const QPoint>(pts));
        } else {
            // The four edges as one-pixel fills: the same pixels, without the stroker.
            const QRect edges[4] = {QRect(QPoint(x1, y1), QPoint(x2 - 1, y1)),
                                    QRect(QPoint(x1, y2 - 1), QPoint(x2 - 1, y2 - 1)),
                                    QRect(QPoint(x1, y1), QPoint(x1, y2 - 1)),
                                    QRect(QPoint(x2 - 1, y1), QPoint(x2 - 1, y2 - 1))};
            if (directTarget(edge)) {
                fillDirect(edges, edge.rgba());
            } else {
                for (const QRect& r : edges)
                    m_painter->fillRect(r, edge);
            }
        }
    } else {
        const int inset = pen().width / 2;
        m_painter->setPen(qtPen(ToQColor(pen().color)));
        m_painter->drawRect(area.adjusted(inset, inset, -inset - 1, -inset - 1));
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
