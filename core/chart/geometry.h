#pragma once

#include <algorithm>

// Integer pixel geometry: what every drawing surface takes.

struct Point
{
    int x = 0;
    int y = 0;

    friend constexpr bool operator==(const Point&, const Point&) = default;
    friend constexpr Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
    friend constexpr Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
    friend constexpr Point operator*(Point a, int k) { return {a.x * k, a.y * k}; }
};

struct Size
{
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const Size&, const Size&) = default;
};

// A rectangle of whole pixels: x, y is its top-left pixel, right() and bottom() its last ones,
// so a rectangle of width 0 covers nothing.
struct Rect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    // Both corners included, as the pixels from (x1, y1) to (x2, y2).
    static constexpr Rect FromCorners(int x1, int y1, int x2, int y2) { return {x1, y1, x2 - x1 + 1, y2 - y1 + 1}; }
    static constexpr Rect FromCorners(Point a, Point b) { return FromCorners(a.x, a.y, b.x, b.y); }
    static constexpr Rect FromSize(Size s) { return {0, 0, s.width, s.height}; }

    constexpr int left() const { return x; }
    constexpr int top() const { return y; }
    constexpr int right() const { return x + width - 1; }
    constexpr int bottom() const { return y + height - 1; }
    constexpr Point topLeft() const { return {x, y}; }
    constexpr Size size() const { return {width, height}; }
    constexpr bool isEmpty() const { return width <= 0 || height <= 0; }
    constexpr bool contains(Point p) const { return !isEmpty() && p.x >= x && p.x <= right() && p.y >= y && p.y <= bottom(); }

    constexpr Rect adjusted(int dx1, int dy1, int dx2, int dy2) const
    {
        return FromCorners(left() + dx1, top() + dy1, right() + dx2, bottom() + dy2);
    }
    constexpr Rect translated(int dx, int dy) const { return {x + dx, y + dy, width, height}; }

    // The common pixels; empty when there are none.
    constexpr Rect intersected(const Rect& r) const
    {
        if (isEmpty() || r.isEmpty())
            return {};
        const int l = std::max(left(), r.left()), t = std::max(top(), r.top());
        const int rr = std::min(right(), r.right()), b = std::min(bottom(), r.bottom());
        if (l > rr || t > b)
            return {};
        return FromCorners(l, t, rr, b);
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    constexpr Rect united(const Rect& r) const
    {
        if (isEmpty())
            return r;
        if (r.isEmpty())
            return *this;
        return FromCorners(std::min(left(), r.left()), std::min(top(), r.top()), std::max(right(), r.right()),
                           std::max(bottom(), r.bottom()));
    }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};
