#include "core/chart/chartmapping.h"

#include <cmath>

namespace {

bool usable(double k, double d)
{
    return std::isfinite(k) && std::isfinite(d);
}

} // namespace

void ChartMapping::Recompute(const ChartGeometry& g, const std::array<AxisRange, Layers>& x,
                             const std::array<AxisRange, Layers>& y)
{
    m_w = g.W;
    m_h = g.H;
    const int pw = g.PW();
    const int ph = g.PH();
    const double right = g.W - g.MR - g.SW;
    const double bottom = g.H - g.MB - g.SW;
    for (int n = 0; n < Layers; ++n) {
        Coeff& cx = m_x[std::size_t(n)];
        const double xlo = x[std::size_t(n)].lo;
        const double xhi = x[std::size_t(n)].hi;
        cx.logarithmic = x[std::size_t(n)].logarithmic;
        cx.reversed = xhi < xlo;
        cx.k = 0;
        cx.d = g.W / 2.0;
        if (pw > 0) {
            double k, d;
            if (cx.logarithmic) {
                const double lh = std::log(xhi), ll = std::log(xlo);
                k = pw / (lh - ll);
                d = (lh * g.ML - ll * right) / (lh - ll);
            } else {
                k = pw * (1.0 / (xhi - xlo));
                d = (g.ML * xhi - right * xlo) / (xhi - xlo);
            }
            // An empty or unusable range keeps the centre line rather than poisoning every pixel.
            if (usable(k, d)) {
                cx.k = k;
                cx.d = d;
            }
        }

        Coeff& cy = m_y[std::size_t(n)];
        const double ylo = y[std::size_t(n)].lo;
        const double yhi = y[std::size_t(n)].hi;
        cy.logarithmic = y[std::size_t(n)].logarithmic;
        cy.reversed = yhi < ylo;
        cy.k = 0;
        cy.d = g.H / 2.0;
        if (ph > 0) {
            double k, d;
            if (cy.logarithmic) {
                const double lh = std::log(yhi), ll = std::log(ylo);
                k = -ph / (lh - ll);
                d = (lh * bottom - ll * g.MT) / (lh - ll);
            } else {
                k = -ph / (yhi - ylo);
                d = (bottom * yhi - g.MT * ylo) / (yhi - ylo);
            }
            if (usable(k, d)) {
                cy.k = k;
                cy.d = d;
            }
        }
    }
}
