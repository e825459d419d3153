#include "core/chart/chartrender.h"

#include <algorithm>
#include <cstdint>
#include <optional>

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
    Renderer(const ChartState& state, const ChartLayout& layout, Canvas& canvas, std::vector<Rect>* damage)
        : m_state(state)
        , m_layout(layout)
        , m_canvas(canvas)
        , m_damage(damage)
        , m_plot(layout.PlotRect())
    {
    }

    void frame();
    void plotBackground();
    void items();
    void labels();
    void plotFrame();

    const Rect& plot() const { return m_plot; }

private:
    void addDamage(const Rect& r)
    {
        if (m_damage) {
            const Rect clipped = r.intersected(m_plot);
            if (!clipped.isEmpty())
                m_damage->push_back(clipped);
        }
    }

    void addPolylineDamage(const std::vector<Point>& points, int width);

    // The polyline being gathered from line items, and the pen it is drawn with.
    struct ItemRun
    {
        std::vector<Point> points;
        Point pos;            // where the next line starts
        bool penSet = false;  // the colour in force is not an item's until the first line sets it
        TColor color = 0;
        TPenStyle style = psSolid;
        int width = 1;
    };
    void flush(ItemRun& run);
    void lineTo(ItemRun& run, const TChartItem& item, Point p);

    const ChartState& m_state;
    const ChartLayout& m_layout;
    Canvas& m_canvas;
    std::vector<Rect>* m_damage;
    Rect m_plot;
};

// Rectangles around runs of a few points: tight around steep traces, whose bounding box would
// be most of the plot. Neighbours are merged while that adds little area, so that the frame
// image is restored and copied in a few wide runs rather than many small ones.
void Renderer::addPolylineDamage(const std::vector<Point>& points, int width)
{
    constexpr std::size_t Chunk = 8;
    const int margin = width / 2 + 1;
    std::optional<Rect> merged;
    for (std::size_t i = 0; i + 1 < points.size(); i += Chunk) {
        const std::size_t end = std::min(i + Chunk + 1, points.size());
        int left = points[i].x, right = left, top = points[i].y, bottom = top;
        for (std::size_t k = i + 1; k < end; ++k) {
            left = std::min(left, points[k].x);
            right = std::max(right, points[k].x);
            top = std::min(top, points[k].y);
            bottom = std::max(bottom, points[k].y);
        }
        const Rect r = Rect::FromCorners(left, top, right, bottom).adjusted(-margin, -margin, margin, margin);
        if (!merged) {
            merged = r;
            continue;
        }
        const Rect both = merged->united(r);
        const std::int64_t apart = std::int64_t(merged->width) * merged->height + std::int64_t(r.width) * r.height;
        if (std::int64_t(both.width) * both.height * 4 <= apart * 5) {
            merged = both;
        } else {
            addDamage(*merged);
            merged = r;
        }
    }
    if (merged)
        addDamage(*merged);
}

void Renderer::frame()
{
    const ChartGeometry& g = m_layout.geometry;
    const int W = g.W, H = g.H, SW = g.SW;
    m_canvas.resize(W, H);
    const TColor wind = m_state.WindColor;
    m_canvas.setPen({wind, 1, Canvas::PenStyle::Solid});
    m_canvas.setBrush({wind, Canvas::BrushStyle::Solid});
    m_canvas.rectangle(0, 0, W, H);

    if (SW > 0) {
        const TColor bak = m_state.ShadowBakColor;
        m_canvas.setPen({bak, 1, Canvas::PenStyle::Solid});
        m_canvas.setBrush({bak, Canvas::BrushStyle::Solid});
        m_canvas.rectangle(W - SW, 0, W, SW);
        m_canvas.rectangle(0, H - SW, SW, H);
        const TColor shadow = m_state.ShadowColor;
        m_canvas.setBrush({shadow, Canvas::BrushStyle::Solid});
        if (m_state.ShadowStyle == ssFlying) {
            m_canvas.setPen({shadow, 1, Canvas::PenStyle::Solid});
            const Point right[4] = {{W - SW, 0}, {W - 1, SW - 1}, {W - 1, H - 1}, {W - SW, H - 1}};
            const Point bottom[4] = {{0, H - SW}, {SW - 1, H - 1}, {W - 1, H - 1}, {W - 1, H - SW}};
            m_canvas.polygon(right);
            m_canvas.polygon(bottom);
        } else {
            m_canvas.setPen({clBlack, 1, Canvas::PenStyle::Solid});
            const Point right[4] = {{W - SW, SW}, {W - 1, SW}, {W - 1, H - 1}, {W - SW, H - 1}};
            const Point bottom[4] = {{SW, H - SW}, {W - 1, H - SW}, {W - 1, H - 1}, {SW, H - 1}};
            m_canvas.polygon(right);
            m_canvas.polygon(bottom);
        }
        m_canvas.setPen({clBlack, 1, Canvas::PenStyle::Solid});
        m_canvas.setBrushStyle(Canvas::BrushStyle::Clear);
        m_canvas.rectangle(0, 0, W - SW, H - SW);
    }

    // The caption is drawn in the font the frame surface holds, which the chart never sets.
    m_canvas.setPen({m_state.ChartFrameColor, 1, Canvas::PenStyle::Solid});
    m_canvas.setBrushStyle(Canvas::BrushStyle::Clear);
    if (m_layout.caption.shown) {
        m_canvas.setFont(m_layout.caption.font.font, m_layout.caption.font.color);
        m_canvas.textOut(m_layout.caption.topLeft.x, m_layout.caption.topLeft.y, m_state.Caption);
    }

    for (const TScale& axis : m_layout.scaleX)
        axis.Draw(m_canvas);
    for (const TScale& axis : m_layout.scaleY)
        axis.Draw(m_canvas);
}

// The plot background covers whatever the axes drew inside the plot area; the grid goes on it.
void Renderer::plotBackground()
{
    m_canvas.setClipRect(m_plot);
    const TColor chart = m_state.ChartColor;
    m_canvas.setPen({m_state.ChartFrameColor, 1, Canvas::PenStyle::Solid});
    m_canvas.setBrush({chart, Canvas::BrushStyle::Solid});
    m_canvas.rectangle(m_plot.left(), m_plot.top(), m_plot.left() + m_plot.width, m_plot.top() + m_plot.height);

    const ChartLayout::Grid& grid = m_layout.grid;
    if (grid.layer != 0) {
        const TColor color = m_state.GridColor;
        // Dotted lines show the plot background in their gaps.
        m_canvas.setBrush({chart, Canvas::BrushStyle::Solid});
        m_canvas.setPen({color, 1, grid.dotted ? Canvas::PenStyle::Dot : Canvas::PenStyle::Solid});
        for (const Point& p : grid.points)
            m_canvas.setPixel(p.x, p.y, color);
        for (const auto& [from, to] : grid.lines) {
            m_canvas.moveTo(from.x, from.y);
            m_canvas.lineTo(to.x, to.y);
        }
        m_canvas.setPenStyle(Canvas::PenStyle::Solid);
    }
    m_canvas.clearClip();
}

// Step traces map the same x twice in a row and few distinct y values: the last results are
// kept per coordinate and layer.
class PixelMemo
{
public:
    explicit PixelMemo(const ChartMapping& mapping)
        : m_mapping(mapping)
    {
    }

    Point map(int layer, double x, double y) { return {mapX(layer, x), mapY(layer, y)}; }

private:
    struct Entry
    {
        int layer = 0;
        double value = 0;
        int pixel = 0;
    };

    int mapX(int layer, double x)
    {
        if (m_x.layer != layer || m_x.value != x)
            m_x = {layer, x, ClampDraw(m_mapping.MapX(layer, x))};
        return m_x.pixel;
    }

    int mapY(int layer, double y)
    {
        for (const Entry& e : m_y)
            if (e.layer == layer && e.value == y)
                return e.pixel;
        Entry& e = m_y[m_nextY];
        m_nextY ^= 1;
        e = {layer, y, ClampDraw(m_mapping.MapY(layer, y))};
        return e.pixel;
    }

    const ChartMapping& m_mapping;
    Entry m_x, m_y[2];
    int m_nextY = 0;
};

constexpr std::size_t MaxPolylinePoints = 200;

void Renderer::flush(ItemRun& run)
{
    if (run.points.empty())
        return;
    if (run.points.size() >= 2) {
        m_canvas.polyline(run.points);
        if (m_damage)
            addPolylineDamage(run.points, run.width);
    }
    run.pos = run.points.back();
    m_canvas.moveTo(run.pos.x, run.pos.y);
    run.points.clear();
}

void Renderer::lineTo(ItemRun& run, const TChartItem& item, Point p)
{
    if (!run.penSet || item.Color != run.color || item.PenStyle != run.style) {
        flush(run);
        run.penSet = true;
        run.color = item.Color;
        run.style = item.PenStyle;
        m_canvas.setPenColor(run.color);
        m_canvas.setPenStyle(canvasPenStyle(run.style));
    }
    if (run.points.empty())
        run.points.push_back(run.pos);
    run.points.push_back(p);
    if (run.points.size() >= MaxPolylinePoints) {
        flush(run);
        run.points.push_back(run.pos);
    }
}

// Consecutive line items of one colour, style and width become one polyline of at most 200
// points; consecutive polylines share their joint point.
void Renderer::items()
{
    ItemRun run;
    run.points.reserve(MaxPolylinePoints);
    // A list that starts with a line starts at the plot's top-left pixel.
    run.pos = {m_plot.left(), m_plot.top()};
    m_canvas.moveTo(run.pos.x, run.pos.y);
    m_canvas.setPen({m_state.ChartColor, 1, Canvas::PenStyle::Solid});
    PixelMemo memo(m_layout.mapping);
    for (const TChartItem& item : m_state.Items) {
        if (!m_state.ClassVisible[item.ItemClass] || !m_state.LayerVisible[ChartState::index(item.Layer)])
            continue;
        // Widths come from a byte; a list written directly may hold anything.
        const int itemWidth = std::clamp(item.LineWidth, 0, 255);
        if (itemWidth != run.width) {
            flush(run);
            run.width = itemWidth;
            m_canvas.setPenWidth(run.width);
        }
        const Point p = memo.map(item.Layer, item.X, item.Y);
        if (item.Kind == ikMoveTo) {
            flush(run);
            run.pos = p;
            m_canvas.moveTo(p.x, p.y);
        } else if (item.Kind == ikLineTo) {
            lineTo(run, item, p);
        }
    }
    flush(run);
    m_canvas.setPenWidth(1);
    m_canvas.setPenStyle(Canvas::PenStyle::Solid);
}

void Renderer::labels()
{
    auto drawBox = [this](const Rect& r, int dx = 0, int dy = 0) {
        m_canvas.rectangle(r.left() + dx, r.top() + dy, r.right() + dx, r.bottom() + dy);
    };
    for (const ChartLayout::Label& placed : m_layout.labels) {
        const TextLabelData& label = m_state.Labels[std::size_t(placed.index - 1)];
        const TColor border = label.ColorBorder;
        const TColor bkg = label.ColorBkg;
        m_canvas.setFont(label.Font, label.FontColor);
        m_canvas.setPen({border, 1, Canvas::PenStyle::Solid});
        m_canvas.setBrush({bkg, label.Transparent ? Canvas::BrushStyle::Clear : Canvas::BrushStyle::Solid});
        // Text may reach a pixel or two past its advance; the box covers the rest.
        addDamage(placed.box.adjusted(-2, -2, 2, 2));
        switch (label.Mode) {
        case tlsimple:
            if (!label.Transparent) {
                m_canvas.setPenColor(bkg);
                drawBox(placed.box);
            }
            break;
        case tlBox:
            drawBox(placed.box);
            break;
        case tlUnderline:
            if (!label.Transparent) {
                m_canvas.setPenColor(bkg);
                drawBox(placed.box);
            }
            m_canvas.setPenColor(border);
            m_canvas.moveTo(placed.underline.x, placed.underline.y);
            m_canvas.lineTo(placed.underline.x + placed.width, placed.underline.y);
            break;
        case tlShadow: {
            const TColor shadow = label.ColorShadow;
            const int dx = ClampDraw(label.ShadowDx), dy = ClampDraw(label.ShadowDy);
            m_canvas.setPenColor(shadow);
            m_canvas.setBrushColor(shadow);
            drawBox(placed.box, dx, dy);
            addDamage(placed.box.translated(dx, dy));
            m_canvas.setPenColor(border);
            m_canvas.setBrushColor(bkg);
            drawBox(placed.box);
            break;
        }
        case tlOff:
            break;
        }
        m_canvas.setBrushColor(bkg);
        for (const ChartLayout::Label::Line& line : placed.lines)
            m_canvas.textOut(line.topLeft.x, line.topLeft.y, line.text);
    }
}

// Over everything else. Its pixels are those of the background's outline, so outside what
// items and labels covered it changes nothing and adds no damage.
void Renderer::plotFrame()
{
    const int left = m_layout.geometry.ML, top = m_layout.geometry.MT;
    const int right = left + m_layout.geometry.PW(), bottom = top + m_layout.geometry.PH();
    m_canvas.setPen({m_state.ChartFrameColor, 1, Canvas::PenStyle::Solid});
    m_canvas.moveTo(left, top);
    m_canvas.lineTo(right, top);
    m_canvas.lineTo(right, bottom);
    m_canvas.lineTo(left, bottom);
    m_canvas.lineTo(left, top);
}

} // namespace

void RenderChart(const ChartState& state, const ChartLayout& layout, Canvas& canvas, ChartParts parts,
                 std::vector<Rect>* damage)
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
