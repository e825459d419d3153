#include "core/chart/chartlayout.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

constexpr int MaxGridLines = 1000;

// Grid positions of a logarithmic axis: decades (-1), 1-2-5 (-2) or 1..9 (-3) per decade.
std::vector<double> logGrid(double lo, double hi, int kind)
{
    std::vector<double> out;
    if (!(lo > 0) || !(hi > lo))
        return out;
    static const std::vector<int> decades{1}, oneTwoFive{1, 2, 5}, all{1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<int>& mult = kind == -1 ? decades : (kind == -2 ? oneTwoFive : all);
    double decade = std::pow(10.0, std::floor(std::log10(lo)));
    for (int d = 0; d < 400 && decade < hi && out.size() < MaxGridLines; ++d, decade *= 10)
        for (int m : mult) {
            const double v = decade * m;
            if (v >= lo * (1 - 1e-12) && v < hi && out.size() < MaxGridLines)
                out.push_back(v);
        }
    return out;
}

// Positions along one axis: multiples of the spacing, the axis drawer's ticks for 0, or decade
// steps for a logarithmic axis; never more than 1000.
std::vector<double> gridPositions(double lo, double hi, double step, bool logarithmic, const TScale& drawer)
{
    std::vector<double> out;
    if (step == 0) {
        for (double t : drawer.Ticks())
            if (t >= lo && t < hi)
                out.push_back(t);
        std::sort(out.begin(), out.end());
    } else if (step < 0 && logarithmic) {
        out = logGrid(lo, hi, int(step));
    } else {
        const double d = std::fabs(step);
        double v = std::ceil(lo / d) * d;
        for (int i = 0; i < MaxGridLines && v < hi; ++i, v += d)
            out.push_back(v);
    }
    if (out.size() > MaxGridLines)
        out.resize(MaxGridLines);
    return out;
}

// The drawer of one layer's axis, configured as the chart configures it: its size is the
// control's, and a horizontal axis spans the plot from ML to ML + PW.
void configureDrawer(TScale& drawer, const ScaleSettings& s, bool horizontal, int layer, const ChartGeometry& g)
{
    const int pos = ClampDraw(s.ScalePos);
    const TScaleLocation side = EffectiveScaleLocation(s, horizontal, layer);
    drawer.Assign(s);
    drawer.SetSize(g.W, g.H);
    if (horizontal) {
        if (side == slTop) {
            drawer.SetKind(sctXB);
            drawer.SetMargins(g.ML, 0, g.MR + g.SW - 1, pos + g.H - g.MT - 1);
        } else {
            drawer.SetKind(sctXT);
            drawer.SetMargins(g.ML, pos + g.H - g.MB - g.SW, g.MR + g.SW - 1, 0);
        }
    } else {
        if (side == slRight) {
            drawer.SetKind(sctYL);
            drawer.SetMargins(pos + g.W - g.MR - g.SW, g.MT, 0, g.MB + g.SW - 1);
        } else {
            drawer.SetKind(sctYR);
            drawer.SetMargins(0, g.MT, pos + g.W - g.ML - 1, g.MB + g.SW - 1);
        }
    }
}

// Split at line feeds; a carriage return before one belongs to the break.
std::vector<std::string_view> captionLines(std::string_view caption)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = caption.find('\n', start);
        std::string_view line = caption.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            return lines;
        start = end + 1;
    }
}

} // namespace

ChartLayout::ChartLayout()
{
    for (int n = 1; n <= ChartState::Layers; ++n) {
        scaleX[std::size_t(n - 1)] = TScale("RC_FScale_X_" + std::to_string(n));
        scaleY[std::size_t(n - 1)] = TScale("RC_FScale_Y_" + std::to_string(n));
    }
}

Rect ChartLayout::PlotRect() const
{
    return {geometry.ML, geometry.MT, std::max(geometry.PW() + 1, 0), std::max(geometry.PH() + 1, 0)};
}

void LayoutStatic(const ChartState& state, const TextMetrics& metrics, ChartLayout& layout)
{
    const ChartGeometry& g = state.Geometry;
    layout.geometry = g;

    std::array<AxisRange, ChartState::Layers> x, y;
    for (int n = 0; n < ChartState::Layers; ++n) {
        const ScaleSettings& sx = state.ScaleX[std::size_t(n)];
        const ScaleSettings& sy = state.ScaleY[std::size_t(n)];
        x[std::size_t(n)] = {sx.RangeLow, sx.RangeHigh, sx.Logarithmic};
        y[std::size_t(n)] = {sy.RangeLow, sy.RangeHigh, sy.Logarithmic};
    }
    layout.mapping.Recompute(g, x, y);

    // The surface keeps the font of the last axis drawn, x axes before y axes.
    layout.frameFontAfter = state.FrameFont;
    for (int horizontal = 1; horizontal >= 0; --horizontal)
        for (int n = 1; n <= ChartState::Layers; ++n) {
            const ScaleSettings& s = horizontal ? state.ScaleX[std::size_t(n - 1)] : state.ScaleY[std::size_t(n - 1)];
            TScale& drawer = horizontal ? layout.scaleX[std::size_t(n - 1)] : layout.scaleY[std::size_t(n - 1)];
            configureDrawer(drawer, s, horizontal, n, g);
            drawer.Layout(metrics);
            if (s.Visible)
                layout.frameFontAfter = {s.Font, s.ColorScale};
        }

    ChartLayout::Caption& caption = layout.caption;
    caption.font = state.FrameFont;
    caption.shown = !state.Caption.empty();
    if (caption.shown) {
        const int tw = metrics.measureWidth(caption.font.font, state.Caption);
        int cx = ClampDraw(state.CaptionPosX);
        switch (state.CaptionAnchorHoriz) {
        case cahControlLeft:
            break;
        case cahChartLeft:
            cx += g.ML;
            break;
        case cahChartCenter:
            cx += g.ML + g.PW() / 2;
            break;
        case cahChartRight:
            cx += g.W - g.MR - g.SW;
            break;
        case cahControlRight:
            cx += g.W;
            break;
        }
        int cy = ClampDraw(state.CaptionPosY);
        switch (state.CaptionAnchorVert) {
        case cavControlTop:
            break;
        case cavChartTop:
            cy += g.MT;
            break;
        case cavChartCenter:
            cy += g.MT + g.PH() / 2;
            break;
        case cavChartBottom:
            cy += g.H - g.MB;
            break;
        case cavControlBottom:
            cy += g.H;
            break;
        }
        if (state.CaptionAlignment == taRightJustify)
            cx -= tw;
        else if (state.CaptionAlignment == taCenter)
            cx -= tw / 2;
        caption.topLeft = {ClampDraw(cx), ClampDraw(cy)};
    }

    LayoutGrid(state, layout);
}

void LayoutGrid(const ChartState& state, ChartLayout& layout)
{
    ChartLayout::Grid& grid = layout.grid;
    grid = {};
    const GridStyleType style = state.GridStyle;
    if (style == gsNone)
        return;
    // The grid takes the ranges of the layer active when the chart is drawn.
    const int layer = int(ChartState::index(state.ActiveLayer)) + 1;
    grid.layer = layer;
    const ScaleSettings& sx = state.X(layer);
    const ScaleSettings& sy = state.Y(layer);
    double xlo = sx.RangeLow, xhi = sx.RangeHigh, ylo = sy.RangeLow, yhi = sy.RangeHigh;
    if (xlo > xhi)
        std::swap(xlo, xhi);
    if (ylo > yhi)
        std::swap(ylo, yhi);
    const TScale& drawerX = layout.scaleX[std::size_t(layer - 1)];
    const TScale& drawerY = layout.scaleY[std::size_t(layer - 1)];

    grid.dotted = style == gsHorizDotLines || style == gsVertDotLines || style == gsDotLines;
    const bool vertical = style == gsVertLines || style == gsVertDotLines || style == gsLines || style == gsDotLines;
    const bool horizontal = style == gsHorizLines || style == gsHorizDotLines || style == gsLines || style == gsDotLines;
    if (style == gsPoints) {
        const std::vector<double> xs = gridPositions(xlo, xhi, state.GridDx, sx.Logarithmic, drawerX);
        const std::vector<double> ys = gridPositions(ylo, yhi, state.GridDy, sy.Logarithmic, drawerY);
        for (double gx : xs)
            for (double gy : ys) {
                if (grid.points.size() >= MaxGridLines)
                    break;
                grid.points.push_back(layout.DrawPoint(layer, gx, gy));
            }
        return;
    }
    if (vertical)
        for (double gx : gridPositions(xlo, xhi, state.GridDx, sx.Logarithmic, drawerX))
            grid.lines.emplace_back(layout.DrawPoint(layer, gx, ylo), layout.DrawPoint(layer, gx, yhi));
    if (horizontal)
        for (double gy : gridPositions(ylo, yhi, state.GridDy, sy.Logarithmic, drawerY))
            grid.lines.emplace_back(layout.DrawPoint(layer, xlo, gy), layout.DrawPoint(layer, xhi, gy));
}

void LayoutLabels(const ChartState& state, const TextMetrics& metrics, ChartLayout& layout)
{
    layout.labels.clear();
    // Drawn from 30 down to 1, so that label 1 ends up on top.
    for (int i = ChartState::LabelCount; i >= 1; --i) {
        const TextLabelData& l = state.Labels[std::size_t(i - 1)];
        if (l.Mode == tlOff || !l.Visible || !state.IsLayerVisible(l.Layer))
            continue;
        const bool worldX = l.AttachToData == tlamXOnly || l.AttachToData == tlamBoth;
        const bool worldY = l.AttachToData == tlamYOnly || l.AttachToData == tlamBoth;
        int x = ClampDraw(worldX ? layout.mapping.MapX(l.Layer, l.PosX) : RoundPixel(l.PosX));
        int y = ClampDraw(worldY ? layout.mapping.MapY(l.Layer, l.PosY) : RoundPixel(l.PosY));

        const std::vector<std::string_view> lines = captionLines(l.Caption);
        const int n = int(lines.size());
        std::vector<int> widths;
        widths.reserve(lines.size());
        int w = 0;
        for (std::string_view line : lines) {
            widths.push_back(metrics.measureWidth(l.Font, line));
            w = std::max(w, widths.back());
        }
        if (w == 0)
            w = metrics.measureWidth(l.Font, l.Caption);
        const int h = metrics.measureHeight(l.Font, l.Caption);

        // One line height down even for several lines: y becomes the bottom of the block.
        if (l.VerticalAlignment == vaTop)
            y += h;
        else if (l.VerticalAlignment == vaCenter)
            y += h / 2;
        if (l.Alignment == taRightJustify)
            x -= w;
        else if (l.Alignment == taCenter)
            x -= w / 2;

        ChartLayout::Label label;
        label.index = i;
        label.box = Rect::FromCorners(x - 4, y - n * h - 2, x + w + 4, y + 2);
        label.underline = {x, y};
        label.width = w;
        for (int k = 0; k < n; ++k) {
            int lx = x;
            if (l.Alignment == taRightJustify)
                lx = x + (w - widths[std::size_t(k)]);
            else if (l.Alignment == taCenter)
                lx = x + (w - widths[std::size_t(k)]) / 2;
            label.lines.push_back({std::string(lines[std::size_t(k)]), {lx, y - (n - k) * h}});
        }
        layout.labels.push_back(std::move(label));
    }
}

ChartLayout LayoutChart(const ChartState& state, const TextMetrics& metrics)
{
    ChartLayout layout;
    LayoutStatic(state, metrics, layout);
    LayoutLabels(state, metrics, layout);
    return layout;
}
