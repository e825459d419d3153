#include "core/chart/pixelruns.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

Point LastCoveredPixel(Point from, Point to)
{
    const int dx = to.x - from.x;
    const int dy = to.y - from.y;
    if (std::abs(dx) >= std::abs(dy)) {
        const int x = to.x - (dx > 0 ? 1 : -1);
        const int y = from.y + int(std::lround(double(dy) * (x - from.x) / dx));
        return {x, y};
    }
    const int y = to.y - (dy > 0 ? 1 : -1);
    const int x = from.x + int(std::lround(double(dx) * (y - from.y) / dy));
    return {x, y};
}

bool ThinPolyline(std::span<const Point> points, std::vector<Point>& out)
{
    out.assign(points.begin(), points.end());
    while (out.size() >= 2 && out.back() == out[out.size() - 2])
        out.pop_back();
    if (out.size() < 2) {
        out.clear();
        return false;
    }
    out.back() = LastCoveredPixel(out[out.size() - 2], out.back());
    return true;
}

bool StrokeRuns(std::span<const Point> points, int penWidth, std::vector<Rect>& out)
{
    out.clear();
    const int width = std::max(penWidth, 1);
    const int before = width / 2; // pixels left of / above the centre line
    const int after = (width - 1) / 2;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const Point a = points[i - 1];
        const Point b = points[i];
        if (a.x != b.x && a.y != b.y)
            return false;
        const int left = std::min(a.x, b.x) - before;
        const int top = std::min(a.y, b.y) - before;
        const int right = std::max(a.x, b.x) + after;
        const int bottom = std::max(a.y, b.y) + after;
        if (!out.empty()) {
            Rect& last = out.back();
            if (last.top() == top && last.bottom() == bottom && left <= last.right() + 1 && right >= last.left() - 1) {
                last = Rect::FromCorners(std::min(last.left(), left), top, std::max(last.right(), right), bottom);
                continue;
            }
            if (last.left() == left && last.right() == right && top <= last.bottom() + 1 && bottom >= last.top() - 1) {
                last = Rect::FromCorners(left, std::min(last.top(), top), right, std::max(last.bottom(), bottom));
                continue;
            }
        }
        out.push_back(Rect::FromCorners(left, top, right, bottom));
    }
    return true;
}

void PolylineCorners(std::span<const Point> points, std::vector<Point>& out)
{
    out.clear();
    for (const Point p : points) {
        if (!out.empty() && out.back() == p)
            continue;
        const std::size_t n = out.size();
        if (n >= 2) {
            const Point a = out[n - 2];
            const Point b = out[n - 1];
            const bool onColumn = a.x == b.x && b.x == p.x && (b.y - a.y > 0) == (p.y - b.y > 0);
            const bool onRow = a.y == b.y && b.y == p.y && (b.x - a.x > 0) == (p.x - b.x > 0);
            if (onColumn || onRow) {
                out.back() = p;
                continue;
            }
        }
        out.push_back(p);
    }
}

std::span<const int> DashPattern(Canvas::PenStyle style)
{
    static constexpr int dot[] = {3, 3};
    static constexpr int dash[] = {18, 6};
    static constexpr int dashDot[] = {9, 6, 3, 6};
    static constexpr int dashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case Canvas::PenStyle::Dot: return dot;
    case Canvas::PenStyle::Dash: return dash;
    case Canvas::PenStyle::DashDot: return dashDot;
    case Canvas::PenStyle::DashDotDot: return dashDotDot;
    default: return {};
    }
}

bool DashRuns(Point from, Point to, Canvas::PenStyle style, std::vector<Rect>& dashes, const Rect* visible)
{
    dashes.clear();
    const std::span<const int> pattern = DashPattern(style);
    if (pattern.empty() || (from.x != to.x && from.y != to.y))
        return false;
    const int length = std::abs(to.x - from.x) + std::abs(to.y - from.y) + 1;
    const Point step{to.x > from.x ? 1 : to.x < from.x ? -1 : 0, to.y > from.y ? 1 : to.y < from.y ? -1 : 0};
    const auto span = [](Point a, Point b) {
        return Rect::FromCorners(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    };
    int first = 0, last = length - 1;
    if (visible) {
        const Rect shown = span(from, to).intersected(*visible);
        if (shown.isEmpty())
            return true;
        const bool horizontal = step.y == 0;
        const int a = horizontal ? (shown.left() - from.x) * step.x : (shown.top() - from.y) * step.y;
        const int b = horizontal ? (shown.right() - from.x) * step.x : (shown.bottom() - from.y) * step.y;
        first = std::max(0, std::min(a, b));
        last = std::min(length - 1, std::max(a, b));
    }
    int period = 0;
    for (const int run : pattern)
        period += run;
    // Dashes are the even entries of the pattern, gaps the odd ones.
    for (int k = first / period * period; k <= last;) {
        for (std::size_t i = 0; i < pattern.size() && k <= last; ++i) {
            const int run = std::min(pattern[i], length - k);
            if (i % 2 == 0 && k + run > first)
                dashes.push_back(span(from + step * k, from + step * (k + run - 1)));
            k += run;
        }
    }
    return true;
}
