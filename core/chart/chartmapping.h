#pragma once

#include <QPoint>

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

// 1.5 * 2^(p - 1) for a type of p significant bits: the magnitude at which the type's spacing is
// exactly 1, so that adding it rounds a smaller value to an integer.
template <typename F, int Digits = std::numeric_limits<F>::digits>
constexpr F RoundingBias()
{
    F bias = 1.5;
    for (int i = 1; i < Digits; ++i)
        bias *= 2;
    return bias;
}

// Rounds half-way values to the even neighbour, after clamping to the 32-bit range. Adding and
// removing the bias leaves v rounded by the addition itself, in the default mode (to nearest,
// ties to even), whatever the format of F: 64-bit, x87 80-bit or 128-bit. No library call, and
// no switch of the x87 rounding mode that a direct cast from long double to int would cost; the
// integral value goes through double, which holds it exactly. Needs F's arithmetic done in F
// itself (FLT_EVAL_METHOD 0 for double), as on every 64-bit target.
template <typename F, int Digits = std::numeric_limits<F>::digits>
inline int RoundPixelIn(F v)
{
    if (v != v)
        return 0;
    constexpr F limit = 2147483647;
    if (v > limit)
        v = limit;
    if (v < -limit)
        v = -limit;
    constexpr F bias = RoundingBias<F, Digits>();
    const F rounded = (v + bias) - bias;
    return int(double(rounded));
}

inline int RoundPixel(long double v)
{
    return RoundPixelIn(v);
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
    QPoint Map(int layer, double x, double y) const { return {MapX(layer, x), MapY(layer, y)}; }

    long double kx(int layer) const { return m_x[index(layer)].k; }
    long double dx(int layer) const { return m_x[index(layer)].d; }
    long double ky(int layer) const { return m_y[index(layer)].k; }
    long double dy(int layer) const { return m_y[index(layer)].d; }

    bool operator==(const ChartMapping&) const = default;

private:
    struct Coeff
    {
        long double k = 0;
        long double d = 0;
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
            return RoundPixel(c.k * std::log(static_cast<long double>(v)) + c.d);
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
