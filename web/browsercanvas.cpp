#include "web/browsercanvas.h"

#include "core/chart/pixelruns.h"
#include "core/i18n/utf8.h"

#include <emscripten.h>

#include <algorithm>

// The page's side: Module.canvases[i] is a <canvas>, or the offscreen canvas that one shows; its
// 2-D context draws in CSS pixels.
// Colours arrive as 0x00BBGGRR, points and rectangles as int32 runs in the module's memory.

// Answers the pixel ratio when it is a whole number, else 0.
EM_JS(int, dscdma_resize, (int i, int w, int h), {
    var c = Module['canvases'][i];
    var r = (typeof window !== 'undefined' && window.devicePixelRatio) || 1;
    if (!Module['contexts']) Module['contexts'] = [];
    var pw = Math.max(Math.round(w * r), 0), ph = Math.max(Math.round(h * r), 0);
    if (c.width !== pw) c.width = pw;
    if (c.height !== ph) c.height = ph;
    var g = Module['contexts'][i] = c.getContext('2d', { alpha: false });
    g.setTransform(r, 0, 0, r, 0, 0);
    return r === Math.round(r) && r >= 1 ? r : 0;
});

// Hands the canvas the area (x, y, w, h) of `width` x `height` device pixels of RGBA bytes at
// `data`; the image is kept over the module's memory until that moves.
EM_JS(void, dscdma_put, (int i, const unsigned char* data, int width, int height, int x, int y, int w, int h), {
    var images = Module['images'] || (Module['images'] = []);
    var image = images[i];
    if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== data || image.width !== width ||
        image.height !== height)
        image = images[i] = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, data, width * height * 4), width, height);
    Module['contexts'][i].putImageData(image, 0, 0, x, y, w, h);
});

EM_JS(void, dscdma_fill_rects, (int i, const int* data, int count, int color), {
    var g = Module['contexts'][i];
    g.fillStyle = 'rgb(' + (color & 255) + ',' + ((color >> 8) & 255) + ',' + ((color >> 16) & 255) + ')';
    var p = data >> 2;
    if (count === 1) {
        g.fillRect(HEAP32[p], HEAP32[p + 1], HEAP32[p + 2], HEAP32[p + 3]);
        return;
    }
    // One fill of many rectangles costs the browser about as much as one of a single rectangle.
    g.beginPath();
    for (var k = 0; k < count; ++k, p += 4)
        g.rect(HEAP32[p], HEAP32[p + 1], HEAP32[p + 2], HEAP32[p + 3]);
    g.fill();
});

// A path through the pixels' centres; `dash` 0 solid, else the classic thin patterns. `square`
// gives square caps and mitred joints, which cover exactly the pixels of horizontal and
// vertical segments; otherwise wide pens are round, as the classic device's.
EM_JS(void, dscdma_stroke, (int i, const int* data, int count, int color, int width, int dash, int closed, int square), {
    var g = Module['contexts'][i];
    var patterns = [[], [3, 3], [18, 6], [9, 6, 3, 6], [9, 3, 3, 3, 3, 3]];
    g.strokeStyle = 'rgb(' + (color & 255) + ',' + ((color >> 8) & 255) + ',' + ((color >> 16) & 255) + ')';
    g.lineWidth = width;
    g.lineCap = square || width <= 1 ? 'square' : 'round';
    g.lineJoin = square || width <= 1 ? 'miter' : 'round';
    g.setLineDash(patterns[dash] || []);
    g.beginPath();
    var p = data >> 2;
    for (var k = 0; k < count; ++k, p += 2) {
        var x = HEAP32[p] + 0.5, y = HEAP32[p + 1] + 0.5;
        if (k === 0) g.moveTo(x, y); else g.lineTo(x, y);
    }
    if (closed) g.closePath();
    g.stroke();
    g.setLineDash([]);
    if (square && width <= 1 && count > 2) {
        // A thin stroke covers a corner pixel only in part from each side; filled whole.
        g.fillStyle = g.strokeStyle;
        g.beginPath();
        for (var k = 1, q = (data >> 2) + 2; k < count - 1; ++k, q += 2)
            g.rect(HEAP32[q], HEAP32[q + 1], 1, 1);
        g.fill();
    }
});

// A thin dashed horizontal or vertical line over the pixels from (x1, y1) to (x2, y2), both
// included, its dashes counted from the first: a stroke through the pixels' centres that starts
// and ends on their outer edges, with flat ends.
EM_JS(void, dscdma_dashed, (int i, int x1, int y1, int x2, int y2, int dx, int dy, int color, int dash), {
    var g = Module['contexts'][i];
    var patterns = [[], [3, 3], [18, 6], [9, 6, 3, 6], [9, 3, 3, 3, 3, 3]];
    g.strokeStyle = 'rgb(' + (color & 255) + ',' + ((color >> 8) & 255) + ',' + ((color >> 16) & 255) + ')';
    g.lineWidth = 1;
    g.lineCap = 'butt';
    g.setLineDash(patterns[dash] || []);
    g.beginPath();
    g.moveTo(x1 + 0.5 - dx * 0.5, y1 + 0.5 - dy * 0.5);
    g.lineTo(x2 + 0.5 + dx * 0.5, y2 + 0.5 + dy * 0.5);
    g.stroke();
    g.setLineDash([]);
});

EM_JS(void, dscdma_fill_polygon, (int i, const int* data, int count, int color), {
    var g = Module['contexts'][i];
    g.fillStyle = 'rgb(' + (color & 255) + ',' + ((color >> 8) & 255) + ',' + ((color >> 16) & 255) + ')';
    g.beginPath();
    var p = data >> 2;
    for (var k = 0; k < count; ++k, p += 2) {
        if (k === 0) g.moveTo(HEAP32[p] + 0.5, HEAP32[p + 1] + 0.5); else g.lineTo(HEAP32[p] + 0.5, HEAP32[p + 1] + 0.5);
    }
    g.closePath();
    g.fill();
});

// Text with its top-left corner at (x, y), `width` wide with its baseline `ascent` below y, on
// the brush when `background` is set.
EM_JS(void, dscdma_text, (int i, int x, int y, const char* text, const char* font, int color, int background,
                          int brush, int width, int ascent, int height, int underline), {
    var g = Module['contexts'][i];
    var css = function(c) { return 'rgb(' + (c & 255) + ',' + ((c >> 8) & 255) + ',' + ((c >> 16) & 255) + ')'; };
    if (background) {
        g.fillStyle = css(brush);
        g.fillRect(x, y, width, height);
    }
    g.font = UTF8ToString(font);
    g.fillStyle = css(color);
    g.textBaseline = 'alphabetic';
    g.textAlign = 'left';
    g.fillText(UTF8ToString(text), x, y + ascent);
    if (underline)
        g.fillRect(x, y + ascent + 1, width, 1);
});

// Width, line height and ascent of a text, as the browser lays it out in that font.
EM_JS(void, dscdma_measure, (const char* text, const char* font, int* out), {
    var g = Module['measureContext'];
    if (!g) g = Module['measureContext'] = document.createElement('canvas').getContext('2d');
    var f = UTF8ToString(font);
    if (Module['measureFont'] !== f) g.font = Module['measureFont'] = f;
    var m = g.measureText(UTF8ToString(text));
    var ascent = Math.round(m.fontBoundingBoxAscent);
    HEAP32[out >> 2] = Math.round(m.width);
    HEAP32[(out >> 2) + 1] = ascent + Math.round(m.fontBoundingBoxDescent);
    HEAP32[(out >> 2) + 2] = ascent;
});

EM_JS(void, dscdma_clip, (int i, int x, int y, int w, int h, int replace), {
    var g = Module['contexts'][i];
    if (replace) g.restore();
    g.save();
    g.beginPath();
    g.rect(x, y, w, h);
    g.clip();
});

EM_JS(void, dscdma_unclip, (int i), { Module['contexts'][i].restore(); });

EM_JS(void, dscdma_copy, (int i, int source, int x, int y), {
    var from = Module['canvases'][source];
    var r = (typeof window !== 'undefined' && window.devicePixelRatio) || 1;
    Module['contexts'][i].drawImage(from, x, y, from.width / r, from.height / r);
});

std::map<std::pair<std::string, std::string>, BrowserCanvas::Metrics> BrowserCanvas::s_measured;

namespace {

int PatternIndex(Canvas::PenStyle style)
{
    switch (style) {
    case Canvas::PenStyle::Dot: return 1;
    case Canvas::PenStyle::Dash: return 2;
    case Canvas::PenStyle::DashDot: return 3;
    case Canvas::PenStyle::DashDotDot: return 4;
    default: return 0;
    }
}

const int* Ints(std::span<const Point> points)
{
    static_assert(sizeof(Point) == 2 * sizeof(int));
    return reinterpret_cast<const int*>(points.data());
}

const int* Ints(const std::vector<Rect>& rects)
{
    static_assert(sizeof(Rect) == 4 * sizeof(int));
    return reinterpret_cast<const int*>(rects.data());
}

} // namespace

BrowserCanvas::BrowserCanvas(int index, int width, int height, bool keepPixels)
    : m_index(index)
    , m_keepPixels(keepPixels)
{
    resize(width, height);
    fontChanged();
}

BrowserCanvas::~BrowserCanvas()
{
    if (m_browserClip)
        dscdma_unclip(m_index);
}

void BrowserCanvas::resize(int width, int height)
{
    // A new backing store forgets the clip with everything else.
    m_clip.reset();
    m_browserClip.reset();
    m_size = {std::max(width, 0), std::max(height, 0)};
    const int ratio = dscdma_resize(m_index, m_size.width, m_size.height);
    m_mirrored = m_keepPixels && ratio > 0;
    if (m_mirrored)
        m_mirror.Reset(m_size, ratio);
}

void BrowserCanvas::ShowChanges()
{
    if (m_mirrored)
        put(m_mirror.TakeChanged());
}

void BrowserCanvas::put(const std::vector<Rect>& deviceRects)
{
    const Size device = m_mirror.DeviceSize();
    for (const Rect& r : deviceRects)
        dscdma_put(m_index, m_mirror.Bytes(), device.width, device.height, r.x, r.y, r.width, r.height);
}

void BrowserCanvas::drawnByBrowser(const Rect& area)
{
    if (!m_mirrored)
        return;
    put(m_mirror.DrawElsewhere(area));
    clipBrowser();
}

void BrowserCanvas::drawnByBrowser(std::span<const Point> points, int penWidth)
{
    if (!m_mirrored || points.empty())
        return;
    Rect box;
    for (const Point& p : points)
        box = box.united(Rect::FromCorners(p, p));
    // Round pens, mitred joints and smoothed edges reach past the points.
    const int reach = penWidth + 2;
    drawnByBrowser(box.adjusted(-reach, -reach, reach, reach));
}

void BrowserCanvas::setMinimumTextPixels(int pixels)
{
    m_minimumText = std::max(pixels, 0);
    fontChanged();
}

std::string BrowserCanvas::CssFont(const FontDesc& wanted, int minimumPixels)
{
    const FontDesc font = wanted == FontDesc() ? DefaultChartFont() : wanted;
    std::string css;
    if (font.Style & fsItalic)
        css += "italic ";
    if (font.Style & fsBold)
        css += "bold ";
    // A point is 4/3 pixels on the web, as on a desktop of 96 pixels per inch.
    const int asked = font.PixelSize > 0 ? font.PixelSize : font.PointSize > 0 ? int(font.PointSize * 4 / 3 + 0.5) : 13;
    const int pixels = std::max(asked, minimumPixels);
    css += std::to_string(pixels) + "px ";
    std::size_t start = 0;
    while (start <= font.Face.size()) {
        std::size_t end = font.Face.find(',', start);
        if (end == std::string::npos)
            end = font.Face.size();
        std::string family = font.Face.substr(start, end - start);
        family.erase(0, family.find_first_not_of(' '));
        family.erase(family.find_last_not_of(' ') + 1);
        // Quoted as CSS strings; a quote or backslash in a name cannot close the string.
        if (!family.empty()) {
            css += '"';
            for (const char c : utf8::FromWindows1252(family))
                if (c != '"' && c != '\\' && c != '\n')
                    css += c;
            css += "\", ";
        }
        start = end + 1;
    }
    return css + "sans-serif";
}

void BrowserCanvas::fontChanged()
{
    m_font = CssFont(font(), m_minimumText);
}

void BrowserCanvas::fillRects(const std::vector<Rect>& rects, TColor color)
{
    if (m_mirrored)
        m_mirror.Fill(rects, ResolveClassicColor(color));
    else if (!rects.empty())
        dscdma_fill_rects(m_index, Ints(rects), int(rects.size()), int(ResolveClassicColor(color)));
}

void BrowserCanvas::strokeOpen(std::span<const Point> points)
{
    const Pen& p = pen();
    if (p.style == PenStyle::Clear || points.size() < 2)
        return;
    std::span<const Point> pts = points;
    if (p.width <= 1) {
        // Every joint is covered; only the very last pixel is left out.
        if (!ThinPolyline(points, m_thin))
            return;
        pts = m_thin;
    }
    if (p.style == PenStyle::Solid && p.width <= 3 && StrokeRuns(pts, p.width, m_rects)) {
        if (m_mirrored) {
            fillRects(m_rects, p.color);
            return;
        }
        // The pixels of those rectangles; the browser strokes a long trace faster than it fills
        // its rectangles, and faster still through its corners alone.
        if (m_rects.size() > 2) {
            PolylineCorners(pts, m_corners);
            dscdma_stroke(m_index, Ints(m_corners), int(m_corners.size()), int(ResolveClassicColor(p.color)), p.width, 0, 0, 1);
        } else {
            fillRects(m_rects, p.color);
        }
        return;
    }
    if (p.style != PenStyle::Solid && p.width <= 1 && pts.size() == 2 && DashRuns(pts[0], pts[1], p.style, m_dashes)) {
        const Point a = pts[0], b = pts[1];
        if (brush().style == BrushStyle::Solid)
            fillRects({Rect::FromCorners(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y))},
                      brush().color);
        if (m_mirrored) {
            fillRects(m_dashes, p.color);
            return;
        }
        // The dashes as one dashed stroke from the first pixel's outer edge with flat ends: the
        // pixels of the runs, counted from the start, in one call.
        const int dx = b.x > a.x ? 1 : b.x < a.x ? -1 : 0;
        const int dy = b.y > a.y ? 1 : b.y < a.y ? -1 : 0;
        dscdma_dashed(m_index, a.x, a.y, b.x, b.y, dx, dy, int(ResolveClassicColor(p.color)), PatternIndex(p.style));
        return;
    }
    const int color = int(ResolveClassicColor(p.color));
    drawnByBrowser(pts, p.width);
    if (p.style != PenStyle::Solid && p.width <= 1) {
        if (brush().style == BrushStyle::Solid)
            dscdma_stroke(m_index, Ints(pts), int(pts.size()), int(ResolveClassicColor(brush().color)), 1, 0, 0, 0);
        dscdma_stroke(m_index, Ints(pts), int(pts.size()), color, 1, PatternIndex(p.style), 0, 0);
    } else {
        dscdma_stroke(m_index, Ints(pts), int(pts.size()), color, std::max(p.width, 1), 0, 0, 0);
    }
}

void BrowserCanvas::drawLine(Point from, Point to)
{
    if (from == to)
        return;
    const Point pts[2] = {from, to};
    strokeOpen(pts);
}

void BrowserCanvas::polyline(std::span<const Point> points)
{
    strokeOpen(points);
}

void BrowserCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1)
        return;
    if (brush().style == BrushStyle::Solid)
        fillRects({Rect{x1, y1, x2 - x1, y2 - y1}}, brush().color);
    if (pen().style == PenStyle::Clear)
        return;
    if (pen().width <= 1) {
        if (pen().style != PenStyle::Solid) {
            const Point outline[5] = {{x1, y1}, {x2 - 1, y1}, {x2 - 1, y2 - 1}, {x1, y2 - 1}, {x1, y1}};
            strokeOpen(outline);
            return;
        }
        // The four edges, the right and bottom ones at x2 - 1 and y2 - 1.
        fillRects({Rect::FromCorners(x1, y1, x2 - 1, y1), Rect::FromCorners(x1, y2 - 1, x2 - 1, y2 - 1),
                   Rect::FromCorners(x1, y1, x1, y2 - 1), Rect::FromCorners(x2 - 1, y1, x2 - 1, y2 - 1)},
                  pen().color);
        return;
    }
    drawnByBrowser(Rect{x1, y1, x2 - x1, y2 - y1});
    const int inset = pen().width / 2;
    const Point outline[4] = {{x1 + inset, y1 + inset}, {x2 - inset - 1, y1 + inset}, {x2 - inset - 1, y2 - inset - 1},
                              {x1 + inset, y2 - inset - 1}};
    dscdma_stroke(m_index, Ints(outline), 4, int(ResolveClassicColor(pen().color)), pen().width, 0, 1, 0);
}

void BrowserCanvas::polygon(std::span<const Point> points)
{
    if (points.empty())
        return;
    drawnByBrowser(points, pen().width);
    if (brush().style == BrushStyle::Solid)
        dscdma_fill_polygon(m_index, Ints(points), int(points.size()), int(ResolveClassicColor(brush().color)));
    if (pen().style != PenStyle::Clear)
        dscdma_stroke(m_index, Ints(points), int(points.size()), int(ResolveClassicColor(pen().color)),
                      std::max(pen().width, 1), pen().width <= 1 ? PatternIndex(pen().style) : 0, 1, 0);
}

void BrowserCanvas::setPixel(int x, int y, TColor color)
{
    fillRects({Rect{x, y, 1, 1}}, color);
}

void BrowserCanvas::textOut(int x, int y, std::string_view text)
{
    if (text.empty())
        return;
    const Metrics& m = measured(font(), text);
    // Slanted and overhanging glyphs may reach a little beyond the measured box.
    drawnByBrowser(Rect{x, y, m.width, m.height}.adjusted(-m.height / 2, -2, m.height / 2, 2));
    dscdma_text(m_index, x, y, utf8::FromWindows1252(text).c_str(), m_font.c_str(), int(ResolveClassicColor(fontColor())),
                brush().style == BrushStyle::Solid, int(ResolveClassicColor(brush().color)), m.width, m.ascent,
                m.height, (font().Style & fsUnderline) != 0);
}

const BrowserCanvas::Metrics& BrowserCanvas::measured(const FontDesc& font, std::string_view text) const
{
    // The canvas's own font is the one asked for nearly always: its CSS is made once.
    auto key = std::make_pair(font == this->font() ? m_font : CssFont(font, m_minimumText), utf8::FromWindows1252(text));
    auto found = s_measured.find(key);
    if (found == s_measured.end()) {
        int out[3] = {0, 0, 0};
        dscdma_measure(key.second.c_str(), key.first.c_str(), out);
        // A bounded cache: the charts measure a few dozen texts, the same ones every update.
        if (s_measured.size() > 512)
            s_measured.clear();
        found = s_measured.emplace(std::move(key), Metrics{out[0], out[1], out[2]}).first;
    }
    return found->second;
}

int BrowserCanvas::measureWidth(const FontDesc& font, std::string_view text) const
{
    return measured(font, text).width;
}

int BrowserCanvas::measureHeight(const FontDesc& font, std::string_view) const
{
    // One height per font, that of its whole line.
    return measured(font, "Xg").height;
}

// With kept pixels the browser draws only the texts and the odd stroke, so its own clip is set
// when it draws: a paint of filled pixels alone does not call it at all.
void BrowserCanvas::setClipRect(const Rect& rect)
{
    m_mirror.SetClip(&rect);
    m_clip = rect;
    if (!m_mirrored)
        clipBrowser();
}

void BrowserCanvas::clearClip()
{
    m_mirror.SetClip(nullptr);
    m_clip.reset();
    if (!m_mirrored)
        clipBrowser();
}

void BrowserCanvas::clipBrowser()
{
    if (m_browserClip == m_clip)
        return;
    if (m_clip)
        dscdma_clip(m_index, m_clip->x, m_clip->y, std::max(m_clip->width, 0), std::max(m_clip->height, 0),
                    m_browserClip.has_value());
    else
        dscdma_unclip(m_index);
    m_browserClip = m_clip;
}

void BrowserCanvas::copyFrom(const Canvas& source, int x, int y)
{
    if (const auto* browser = dynamic_cast<const BrowserCanvas*>(&source)) {
        drawnByBrowser(Rect{x, y, browser->m_size.width, browser->m_size.height});
        dscdma_copy(m_index, browser->m_index, x, y);
    }
}
