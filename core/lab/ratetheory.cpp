#include "core/lab/ratetheory.h"

#include "core/lab/bertheory.h"
#include "core/lab/labrandom.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

namespace lab {

namespace {

using Distribution = std::vector<std::pair<double, double>>;

// The distribution of a + b for independent a and b, each value once; empty when it would hold
// more than `limit` values.
Distribution Convolve(const Distribution& a, const Distribution& b, std::size_t limit)
{
    std::map<double, double> sums;
    for (const auto& [x, p] : a) {
        for (const auto& [y, q] : b) {
            sums[x + y] += p * q;
            if (sums.size() > limit)
                return {};
        }
    }
    return {sums.begin(), sums.end()};
}

// A sum of n chips +1 or -1, each as likely, scaled by `scale`: scale (2 j - n) with probability
// C(n, j) 2^-n, the weights by their recurrence from 2^-n (a normal double for n <= 448).
Distribution ScaledBinomial(int n, double scale)
{
    Distribution out;
    double weight = std::ldexp(1.0, -n);
    for (int j = 0; j <= n; ++j) {
        out.emplace_back(scale * (2 * j - n), weight);
        weight = weight * (n - j) / (j + 1);
    }
    return out;
}

// The decoded user's chips against user k's, split where k's earlier bit gives way to its later
// one (offset chips into the decoded bit): the correlation over each part.
std::pair<int, int> PartialCorrelations(const Code& rx, const Code& other, int offset)
{
    const int n = int(rx.size());
    int late = 0, early = 0;
    for (int m = 0; m < n; ++m) {
        if (m < offset)
            early += rx[m] * other[m - offset + n];
        else
            late += rx[m] * other[m - offset];
    }
    return {late, early};
}

bool EqualPowers(const LabConfig& c)
{
    for (double p : c.PowerDb)
        if (p != c.PowerDb.front())
            return false;
    return true;
}

// Q(margin / N x sqrt(2 Eb/N0)) for a margin in units of the decoded user's amplitude; a margin
// of 0 is a tie.
double MarginRate(double margin, int spread, double snr)
{
    return margin == 0 ? 0.5 : QFunction(margin * snr / spread);
}

} // namespace

RateTheory::RateTheory(const LabConfig& c)
    : m_users(c.Users)
    , m_spread(c.Spread)
{
    if (std::string reason = CheckLabConfig(c); !reason.empty())
        throw std::invalid_argument(reason);
    // The binomial sum for equal powers keeps the rates that runs without delays always gave.
    if (c.Users == 1 || (c.Codes == CodeFamily::Random && EqualPowers(c))) {
        m_kind = Kind::EqualRandom;
        return;
    }
    // In units of the decoded user's amplitude, so that equal powers add whole numbers and a
    // tie is exactly 0.
    std::vector<double> amplitude = Amplitudes(c);
    const int rx = c.Rx - 1;
    const double own = amplitude[rx];
    for (double& a : amplitude)
        a = a == own ? 1.0 : a / own;
    const double n2 = double(c.Spread) * c.Spread;
    Distribution sums = {{0.0, 1.0}};
    const auto add = [&](const Distribution& user) {
        if (!sums.empty())
            sums = Convolve(sums, user, MaxSums);
    };
    if (c.Codes == CodeFamily::Random) {
        // Users of one amplitude add one binomial sum over all their chips.
        std::map<double, int> groups;
        for (int k = 0; k < c.Users; ++k)
            if (k != rx)
                ++groups[amplitude[k]];
        for (const auto& [a, count] : groups) {
            add(ScaledBinomial(count * c.Spread, a));
            m_variance += count * a * a * c.Spread / n2;
        }
    } else {
        const std::vector<Code> codes = FixedCodes(c.Codes, c.Spread, c.Users);
        for (int k = 0; k < c.Users; ++k) {
            if (k == rx)
                continue;
            const int offset = c.DelayChips.empty() ? 0 : (c.DelayChips[k] - c.DelayChips[rx] + c.Spread) % c.Spread;
            const auto [late, early] = PartialCorrelations(codes[rx], codes[k], offset);
            const double a = amplitude[k];
            Distribution user;
            for (int later : {-1, 1})
                for (int earlier : {-1, 1})
                    user.emplace_back(a * (later * late + earlier * early), 0.25);
            add(user);
            m_variance += a * a * (late * late + early * early) / n2;
        }
    }
    m_kind = sums.empty() ? Kind::TooMany : Kind::Sums;
    m_sums = std::move(sums);
}

std::optional<double> RateTheory::Exact(std::optional<double> ebn0Db) const
{
    if (m_kind == Kind::EqualRandom)
        return ExactBer(m_users, m_spread, ebn0Db);
    if (m_kind == Kind::TooMany)
        return std::nullopt;
    const double snr = ebn0Db ? std::sqrt(2 * DbToRatio(*ebn0Db, 10)) : HUGE_VAL;
    double rate = 0;
    for (const auto& [interference, p] : m_sums)
        rate += p * MarginRate(m_spread + interference, m_spread, snr);
    return rate;
}

double RateTheory::Gaussian(std::optional<double> ebn0Db) const
{
    if (m_kind == Kind::EqualRandom)
        return GaussianBer(m_users, m_spread, ebn0Db);
    const double noise = ebn0Db ? 1 / (2 * DbToRatio(*ebn0Db, 10)) : 0.0;
    const double variance = m_variance + noise;
    return variance == 0 ? 0.0 : QFunction(1 / std::sqrt(variance));
}

Theory TheoryFor(const LabConfig& config, std::optional<double> ebn0Db)
{
    return RateTheory(config).At(ebn0Db);
}

} // namespace lab
