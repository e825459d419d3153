#include "core/lab/bertheory.h"

#include "core/lab/labrandom.h"

#include <algorithm>
#include <cmath>

namespace lab {

namespace {

constexpr double Z95 = 1.959963984540054; // the 97.5 % quantile of the standard normal

// sqrt(2 Eb/N0), infinite without noise.
double SignalToNoise(std::optional<double> ebn0Db)
{
    return ebn0Db ? std::sqrt(2 * DbToRatio(*ebn0Db, 10)) : HUGE_VAL;
}

// The continued fraction of the incomplete beta function by the modified Lentz method; converges
// fast for x < (a + 1) / (a + b + 2).
double BetaFraction(double a, double b, double x)
{
    constexpr double Tiny = 1e-300;
    double c = 1;
    double d = 1 - (a + b) * x / (a + 1);
    d = 1 / (std::fabs(d) < Tiny ? Tiny : d);
    double h = d;
    for (int m = 1; m < 1000000; ++m) {
        const double m2 = 2.0 * m;
        for (const double step : {m * (b - m) * x / ((a + m2 - 1) * (a + m2)),
                                  -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1))}) {
            d = 1 + step * d;
            d = 1 / (std::fabs(d) < Tiny ? Tiny : d);
            c = 1 + step / c;
            c = std::fabs(c) < Tiny ? Tiny : c;
            h *= d * c;
        }
        if (std::fabs(d * c - 1) < 1e-15)
            break;
    }
    return h;
}

// I_x(a, b), the regularized incomplete beta function, for 0 < x < 1.
double RegularizedBeta(double a, double b, double x)
{
    const double logFront = std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    const double front = std::exp(logFront);
    if (x < (a + 1) / (a + b + 2))
        return front * BetaFraction(a, b, x) / a;
    return 1 - front * BetaFraction(b, a, 1 - x) / b;
}

} // namespace

double QFunction(double x)
{
    return 0.5 * std::erfc(x / std::sqrt(2.0));
}

double ExactBer(int users, int spread, std::optional<double> ebn0Db)
{
    const double snr = SignalToNoise(ebn0Db);
    const int m = (users - 1) * spread;
    // Binomial weights by their recurrence from 2^-m, which stays a normal double for m <= 448.
    double weight = std::ldexp(1.0, -m);
    double sum = 0;
    for (int j = 0; j <= m; ++j) {
        const int margin = spread + 2 * j - m;
        // Without noise a margin of 0 would be 0 x infinity: a tie, wrong for half the bits.
        const double q = margin == 0 ? 0.5 : QFunction(margin * snr / spread);
        sum += weight * q;
        weight = weight * (m - j) / (j + 1);
    }
    return sum;
}

double GaussianBer(int users, int spread, std::optional<double> ebn0Db)
{
    const double noise = ebn0Db ? 1 / (2 * DbToRatio(*ebn0Db, 10)) : 0.0;
    const double variance = double(users - 1) / spread + noise;
    return variance == 0 ? 0.0 : QFunction(1 / std::sqrt(variance));
}

Interval Wilson95(std::uint64_t errors, std::uint64_t bits)
{
    const double n = double(bits);
    const double p = double(errors) / n;
    const double z2 = Z95 * Z95;
    const double denominator = 1 + z2 / n;
    const double centre = (p + z2 / (2 * n)) / denominator;
    const double half = Z95 * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / denominator;
    // At 0 and at every bit wrong the bound is exact; rounding must not move it off.
    return {errors == 0 ? 0.0 : std::max(0.0, centre - half), errors == bits ? 1.0 : std::min(1.0, centre + half)};
}

double BinomialUpperTail(std::uint64_t k, std::uint64_t n, double p)
{
    if (k == 0 || p >= 1)
        return 1;
    if (p <= 0)
        return 0;
    return RegularizedBeta(double(k), double(n - k + 1), p);
}

Interval ClopperPearson95(std::uint64_t errors, std::uint64_t bits)
{
    // Each tail grows with p: bisection, to the last digits of the bound.
    const auto solve = [](auto tail, double target, double low, double high) {
        for (int i = 0; i < 200 && high - low > 1e-15 * high; ++i) {
            const double mid = 0.5 * (low + high);
            (tail(mid) < target ? low : high) = mid;
        }
        return 0.5 * (low + high);
    };
    Interval out{0.0, 1.0};
    if (errors > 0)
        out.Low = solve([&](double p) { return BinomialUpperTail(errors, bits, p); }, 0.025, 0.0, 1.0);
    if (errors < bits)
        out.High = solve([&](double p) { return BinomialUpperTail(errors + 1, bits, p); }, 0.975, 0.0, 1.0);
    return out;
}

} // namespace lab
