#pragma once

#include "core/chart/geometry.h"

#include <array>
#include <cmath>
#include <limits>

// Pixel geometry of a chart: control size, margins and shadow width.
struct ChartGeometry
{
    int W = 280;
    int H = 200;
    int ML = 50;
    int MR = 10;
    int MT = 16;
    int MB = 32;
    int SW = 0;

    int PW() const { return W - ML - MR - SW; }
    int PH() const { return H - MT - MB - SW; }
    bool operator==(const ChartGeometry&) const = default;
};

struct AxisRange
{
    double lo = 0;
    double hi = 1;
    bool logarithmic = false;
};

// Rounds half-way values to the even neighbour, after clamping to the 32-bit range; NaN gives 0.
// Adding and removing 1.5 * 2^52, the magnitude at which a double's spacing is exactly 1, rounds
// by the addition itself in the default mode (to nearest, ties to even): no library call. The
// arithmetic is plain double on every target the core builds for (FLT_EVAL_METHOD 0), so the
// pixels are the same on x86-64, ARM and WebAssembly.
inline int RoundPixel(double v)
{
    if (v != v)
        return 0;
    constexpr double limit = 2147483647;
    if (v > limit)
        v = limit;
    if (v < -limit)
        v = -limit;
    constexpr double bias = 6755399441055744.0; // 1.5 * 2^52
    const volatile double shifted = v + bias; // stored, so no wider register keeps extra bits
    return int(shifted - bias);
}
// Every drawing call gets coordinates in this range, whatever the world values were.
inline int ClampDraw(int v)
{
    return v < -30000 ? -30000 : (v > 30000 ? 30000 : v);
}

// World-to-pixel map of the 16 layers of one chart, in control pixels.
class ChartMapping
{
public:
    static constexpr int Layers = 16;

    void Recompute(const ChartGeometry& g, const std::array<AxisRange, Layers>& x,
                   const std::array<AxisRange, Layers>& y);

    // Control pixel of world (x, y) on the given layer (clamped to 1..16), not yet limited
    // to the drawing range.
    int MapX(int layer, double x) const { return map(m_x[std::size_t(index(layer))], x, m_w, 0); }
    int MapY(int layer, double y) const { return map(m_y[std::size_t(index(layer))], y, 0, m_h); }
    Point Map(int layer, double x, double y) const { return {MapX(layer, x), MapY(layer, y)}; }

    double kx(int layer) const { return m_x[index(layer)].k; }
    double dx(int layer) const { return m_x[index(layer)].d; }
    double ky(int layer) const { return m_y[index(layer)].k; }
    double dy(int layer) const { return m_y[index(layer)].d; }

    bool operator==(const ChartMapping&) const = default;

private:
    struct Coeff
    {
        double k = 0;
        double d = 0;
        bool logarithmic = false;
        bool reversed = false; // RangeHigh < RangeLow
        bool operator==(const Coeff&) const = default;
    };
    static int index(int layer) { return (layer < 1 ? 1 : (layer > Layers ? Layers : layer)) - 1; }
    // Below the floor of a logarithmic axis a value goes to `reversedEnd` or `forwardEnd`.
    static int map(const Coeff& c, double v, int reversedEnd, int forwardEnd)
    {
        if (c.logarithmic) {
            if (!(v > 1e-100))
                return c.reversed ? reversedEnd : forwardEnd;
            return RoundPixel(c.k * std::log(v) + c.d);
        }
        if (c.k == 0)
            return RoundPixel(c.d);
        return RoundPixel(c.k * v + c.d);
    }

    std::array<Coeff, Layers> m_x{};
    std::array<Coeff, Layers> m_y{};
    int m_w = 0;
    int m_h = 0;
};
