#include "chartrender.h"

#include <algorithm>

namespace {

Canvas::PenStyle canvasPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return Canvas::PenStyle::Dash;
    case psDot:
        return Canvas::PenStyle::Dot;
    case psDashDot:
        return Canvas::PenStyle::DashDot;
    case psDashDotDot:
        return Canvas::PenStyle::DashDotDot;
    case psClear:
        return Canvas::PenStyle::Clear;
    default:
        return Canvas::PenStyle::Solid;
    }
}

// Every drawing call below reads the state and the layout only; the canvas is the output.
class Renderer
{
public:
    Renderer(const ChartState& state, const ChartLayout& layout, Canvas& canvas, std::vector<QRect>* damage)
        : s(state)
        , l(layout)
        , c(canvas)
        , m_damage(damage)
        , m_plot(layout.PlotRect())
    {
    }

    void frame();
    void plotBackground();
    void items();
    void labels();
    void plotFrame();

    const QRect& plot() const { return m_plot; }

private:
    void addDamage(const QRect& r)
    {
        if (m_damage) {
            const QRect clipped = r & m_plot;
            if (!clipped.isEmpty())
                m_damage->push_back(clipped);
        }
    }

    void addPolylineDamage(const std::vector<QPoint>& points, int width);

    const ChartState& s;
    const ChartLayout& l;
    Canvas& c;
    std::vector<QRect>* m_damage;
    QRect m_plot;
};

// Rectangles around runs of a few points: tight around steep traces, whose bounding box would
// be most of the plot. Neighbours are merged while that adds little area, so that the frame
// image is restored and copied in a few wide runs rather than many small ones.
void Renderer::addPolylineDamage(const std::vector<QPoint>& points, int width)
{
    constexpr std::size_t Chunk = 8;
    const int margin = width / 2 + 1;
    QRect merged;
    for (std::size_t i = 0; i + 1 < points.size(); i += Chunk) {
        const std::size_t end = std::min(i + Chunk + 1, points.size());
        int left = points[i].x(), right = left, top = points[i].y(), bottom = top;
        for (std::size_t k = i + 1; k < end; ++k) {
            left = std::min(left, points[k].x());
            right = std::max(right, points[k].x());
            top = std::min(top, points[k].y());
            bottom = std::max(bottom, points[k].y());
        }
        const QRect r = QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-margin, -margin, margin, margin);
        if (merged.isNull()) {
            merged = r;
            continue;
        }
        const QRect both = merged | r;
        const qint64 apart = qint64(merged.width()) * merged.height() + qint64(r.width()) * r.height();
        if (qint64(both.width()) * both.height() * 4 <= apart * 5) {
            merged = both;
        } else {
            addDamage(merged);
            merged = r;
        }
    }
    if (!merged.isNull())
        addDamage(merged);
}

void Renderer::frame()
{
    const ChartGeometry& g = l.geometry;
    const int W = g.W, H = g.H, SW = g.SW;
    c.resize(W, H);
    const QColor wind = ToQColor(s.WindColor);
    c.setPen({wind, 1, Canvas::PenStyle::Solid});
    c.setBrush({wind, Canvas::BrushStyle::Solid});
    c.rectangle(0, 0, W, H);

    if (SW > 0) {
        const QColor bak = ToQColor(s.ShadowBakColor);
        c.setPen({bak, 1, Canvas::PenStyle::Solid});
        c.setBrush({bak, Canvas::BrushStyle::Solid});
        c.rectangle(W - SW, 0, W, SW);
        c.rectangle(0, H - SW, SW, H);
        const QColor shadow = ToQColor(s.ShadowColor);
        c.setBrush({shadow, Canvas::BrushStyle::Solid});
        if (s.ShadowStyle == ssFlying) {
            c.setPen({shadow, 1, Canvas::PenStyle::Solid});
            const QPoint right[4] = {{W - SW, 0}, {W - 1, SW - 1}, {W - 1, H - 1}, {W - SW, H - 1}};
            const QPoint bottom[4] = {{0, H - SW}, {SW - 1, H - 1}, {W - 1, H - 1}, {W - 1, H - SW}};
            c.polygon(right);
            c.polygon(bottom);
        } else {
            c.setPen({Qt::black, 1, Canvas::PenStyle::Solid});
            const QPoint right[4] = {{W - SW, SW}, {W - 1, SW}, {W - 1, H - 1}, {W - SW, H - 1}};
            const QPoint bottom[4] = {{SW, H - SW}, {W - 1, H - SW}, {W - 1, H - 1}, {SW, H - 1}};
            c.polygon(right);
            c.polygon(bottom);
        }
        c.setPen({Qt::black, 1, Canvas::PenStyle::Solid});
        c.setBrushStyle(Canvas::BrushStyle::Clear);
        c.rectangle(0, 0, W - SW, H - SW);
    }

    // The caption is drawn in the font the frame surface holds, which the chart never sets.
    c.setPen({ToQColor(s.ChartFrameColor), 1, Canvas::PenStyle::Solid});
    c.setBrushStyle(Canvas::BrushStyle::Clear);
    if (l.caption.shown) {
        c.setFont(l.caption.font.font, l.caption.font.color);
        c.textOut(l.caption.topLeft.x(), l.caption.topLeft.y(), s.Caption);
    }

    for (const TScale& axis : l.scaleX)
        axis.Draw(c);
    for (const TScale& axis : l.scaleY)
        axis.Draw(c);
}

// The plot background covers whatever the axes drew inside the plot area; the grid goes on it.
void Renderer::plotBackground()
{
    c.setClipRect(m_plot);
    const QColor chart = ToQColor(s.ChartColor);
    c.setPen({ToQColor(s.ChartFrameColor), 1, Canvas::PenStyle::Solid});
    c.setBrush({chart, Canvas::BrushStyle::Solid});
    c.rectangle(m_plot.left(), m_plot.top(), m_plot.left() + m_plot.width(), m_plot.top() + m_plot.height());

    const ChartLayout::Grid& grid = l.grid;
    if (grid.layer != 0) {
        const QColor color = ToQColor(s.GridColor);
        // Dotted lines show the plot background in their gaps.
        c.setBrush({chart, Canvas::BrushStyle::Solid});
        c.setPen({color, 1, grid.dotted ? Canvas::PenStyle::Dot : Canvas::PenStyle::Solid});
        for (const QPoint& p : grid.points)
            c.setPixel(p.x(), p.y(), color);
        for (const auto& [from, to] : grid.lines) {
            c.moveTo(from.x(), from.y());
            c.lineTo(to.x(), to.y());
        }
        c.setPenStyle(Canvas::PenStyle::Solid);
    }
    c.clearClip();
}

// Consecutive line items of one colour, style and width become one polyline of at most 200
// points; consecutive polylines share their joint point.
void Renderer::items()
{
    constexpr std::size_t MaxPoints = 200;
    std::vector<QPoint> buffer;
    buffer.reserve(MaxPoints);
    // A list that starts with a line starts at the plot's top-left pixel.
    QPoint pos(m_plot.left(), m_plot.top());
    c.moveTo(pos.x(), pos.y());
    c.setPen({ToQColor(s.ChartColor), 1, Canvas::PenStyle::Solid});
    bool penSet = false; // the colour in force is not an item's until the first line sets it
    TColor color = 0;
    TPenStyle style = psSolid;
    int width = 1;

    auto flush = [&] {
        if (buffer.empty())
            return;
        if (buffer.size() >= 2) {
            c.polyline(buffer);
            if (m_damage)
                addPolylineDamage(buffer, width);
        }
        pos = buffer.back();
        c.moveTo(pos.x(), pos.y());
        buffer.clear();
    };

    // Step traces map the same x twice in a row and few distinct y values: the last results
    // are kept per coordinate and layer.
    struct Memo
    {
        int layer = 0;
        double value = 0;
        int pixel = 0;
    };
    Memo memoX, memoY[2];
    int nextY = 0;
    auto mapX = [&](int layer, double x) {
        if (memoX.layer != layer || memoX.value != x)
            memoX = {layer, x, ClampDraw(l.mapping.MapX(layer, x))};
        return memoX.pixel;
    };
    auto mapY = [&](int layer, double y) {
        for (const Memo& m : memoY)
            if (m.layer == layer && m.value == y)
                return m.pixel;
        Memo& m = memoY[nextY];
        nextY ^= 1;
        m = {layer, y, ClampDraw(l.mapping.MapY(layer, y))};
        return m.pixel;
    };

    for (const TChartItem& item : s.Items) {
        if (!s.ClassVisible[item.ItemClass] || !s.LayerVisible[ChartState::index(item.Layer)])
            continue;
        // Widths come from a byte; a list written directly may hold anything.
        const int itemWidth = std::clamp(item.LineWidth, 0, 255);
        if (itemWidth != width) {
            flush();
            width = itemWidth;
            c.setPenWidth(width);
        }
        const QPoint p(mapX(item.Layer, item.X), mapY(item.Layer, item.Y));
        if (item.Kind == ikMoveTo) {
            flush();
            pos = p;
            c.moveTo(p.x(), p.y());
        } else if (item.Kind == ikLineTo) {
            if (!penSet || item.Color != color || item.PenStyle != style) {
                flush();
                penSet = true;
                color = item.Color;
                style = item.PenStyle;
                c.setPenColor(ToQColor(color));
                c.setPenStyle(canvasPenStyle(style));
            }
            if (buffer.empty())
                buffer.push_back(pos);
            buffer.push_back(p);
            if (buffer.size() >= MaxPoints) {
                flush();
                buffer.push_back(pos);
            }
        }
    }
    flush();
    c.setPenWidth(1);
    c.setPenStyle(Canvas::PenStyle::Solid);
}

void Renderer::labels()
{
    auto drawBox = [this](const QRect& r, int dx = 0, int dy = 0) {
        c.rectangle(r.left() + dx, r.top() + dy, r.right() + dx, r.bottom() + dy);
    };
    for (const ChartLayout::Label& placed : l.labels) {
        const TextLabelData& label = s.Labels[std::size_t(placed.index - 1)];
        const QColor border = ToQColor(label.ColorBorder);
        const QColor bkg = ToQColor(label.ColorBkg);
        c.setFont(label.Font, ToQColor(label.FontColor));
        c.setPen({border, 1, Canvas::PenStyle::Solid});
        c.setBrush({bkg, label.Transparent ? Canvas::BrushStyle::Clear : Canvas::BrushStyle::Solid});
        // Text may reach a pixel or two past its advance; the box covers the rest.
        addDamage(placed.box.adjusted(-2, -2, 2, 2));
        switch (label.Mode) {
        case tlsimple:
            if (!label.Transparent) {
                c.setPenColor(bkg);
                drawBox(placed.box);
            }
            break;
        case tlBox:
            drawBox(placed.box);
            break;
        case tlUnderline:
            if (!label.Transparent) {
                c.setPenColor(bkg);
                drawBox(placed.box);
            }
            c.setPenColor(border);
            c.moveTo(placed.underline.x(), placed.underline.y());
            c.lineTo(placed.underline.x() + placed.width, placed.underline.y());
            break;
        case tlShadow: {
            const QColor shadow = ToQColor(label.ColorShadow);
            const int dx = ClampDraw(label.ShadowDx), dy = ClampDraw(label.ShadowDy);
            c.setPenColor(shadow);
            c.setBrushColor(shadow);
            drawBox(placed.box, dx, dy);
            addDamage(placed.box.translated(dx, dy));
            c.setPenColor(border);
            c.setBrushColor(bkg);
            drawBox(placed.box);
            break;
        }
        case tlOff:
            break;
        }
        c.setBrushColor(bkg);
        for (const ChartLayout::Label::Line& line : placed.lines)
            c.textOut(line.topLeft.x(), line.topLeft.y(), line.text);
    }
}

// Over everything else. Its pixels are those of the background's outline, so outside what
// items and labels covered it changes nothing and adds no damage.
void Renderer::plotFrame()
{
    const int left = l.geometry.ML, top = l.geometry.MT;
    const int right = left + l.geometry.PW(), bottom = top + l.geometry.PH();
    c.setPen({ToQColor(s.ChartFrameColor), 1, Canvas::PenStyle::Solid});
    c.moveTo(left, top);
    c.lineTo(right, top);
    c.lineTo(right, bottom);
    c.lineTo(left, bottom);
    c.lineTo(left, top);
}

} // namespace

void RenderChart(const ChartState& state, const ChartLayout& layout, Canvas& canvas, ChartParts parts,
                 std::vector<QRect>* damage)
{
    Renderer r(state, layout, canvas, damage);
    if (int(parts) & int(ChartParts::Frame))
        r.frame();
    if (int(parts) & int(ChartParts::PlotBackground))
        r.plotBackground();
    if (int(parts) & int(ChartParts::Dynamic)) {
        canvas.setClipRect(r.plot());
        r.items();
        r.labels();
        r.plotFrame();
        canvas.clearClip();
    }
}
