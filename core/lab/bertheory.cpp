#include "bertheory.h"

#include "labrandom.h"

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

std::optional<Theory> TheoryFor(const LabConfig& c, std::optional<double> ebn0Db)
{
    bool equalPowers = true;
    for (double p : c.PowerDb)
        equalPowers = equalPowers && p == c.PowerDb.front();
    if (c.Users != 1 && !(c.Codes == CodeFamily::Random && equalPowers))
        return std::nullopt;
    return Theory{ExactBer(c.Users, c.Spread, ebn0Db), GaussianBer(c.Users, c.Spread, ebn0Db)};
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

} // namespace lab
