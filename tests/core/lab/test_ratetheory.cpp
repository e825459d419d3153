// The theory of the lab against a brute-force count written apart from it: every pattern of
// data (and, for random codes, of chips) that can meet the decoded user's bit, the received
// chips summed in time, and the decision's probability of going wrong.
#include "core/lab/ratetheory.h"

#include "core/lab/beraccumulator.h"
#include "core/lab/bertheory.h"
#include "tests/core/lab/labconfig_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace lab;

namespace {

LabConfig Config(int users, CodeFamily codes, int spread, std::vector<double> power = {}, int rx = 1,
                 std::vector<int> delays = {})
{
    return Lab(users, codes, spread).Powers(std::move(power)).Decoding(rx).Delays(std::move(delays)).Seeded(LabConfig{}.Seed);
}

std::string Describe(const LabConfig& c, std::optional<double> ebn0)
{
    std::string text = std::string(FamilyName(c.Codes)) + " K=" + std::to_string(c.Users) + " N=" + std::to_string(c.Spread)
                       + " rx=" + std::to_string(c.Rx) + " Eb/N0=" + (ebn0 ? std::to_string(*ebn0) : "none");
    for (int d : c.DelayChips)
        text += " " + std::to_string(d);
    return text;
}

double Tail(double x)
{
    return 0.5 * std::erfc(x / std::sqrt(2.0));
}

// The probability that a bit goes wrong, averaged over every equally likely pattern: the
// decoded user's bit, the two bits of every other user that can reach into it (the one
// running at its start and the next), and for random codes every chip of those bits. Time runs
// in chips from user 1's first bit; user k's bit j covers chips jN + d_k .. (j + 1)N + d_k - 1.
// With noise of deviation s per chip, summed over N chips against the receiver's, a statistic S
// for a sent 1 goes wrong with probability Q(S / (s sqrt N)); for a sent 0 with Q(-S / ...).
// Without noise a 1 goes wrong below 0, a 0 at 0 and above.
double Enumerated(const LabConfig& c, std::optional<double> ebn0)
{
    const int n = c.Spread, users = c.Users, rx = c.Rx - 1;
    const bool random = c.Codes == CodeFamily::Random;
    const std::vector<double> a = Amplitudes(c);
    const std::vector<int> d = c.DelayChips.empty() ? std::vector<int>(users, 0) : c.DelayChips;
    const std::vector<Code> fixed = random ? std::vector<Code>() : FixedCodes(c.Codes, n, users);
    const double deviation = ebn0 ? NoiseSigma(c, *ebn0) * std::sqrt(double(n)) : 0;
    // The free bits: one data bit of the decoded user and two of every other, and for random
    // codes the chips of each of those bits; `first` is where user k's begin.
    std::vector<int> first(users);
    int free = 0;
    for (int k = 0; k < users; ++k) {
        first[k] = free;
        free += (k == rx ? 1 : 2) * (random ? n + 1 : 1);
    }
    const long long patterns = 1LL << free;
    // Compensated sums: a million terms would otherwise lose the last digits.
    double sum = 0, carry = 0;
    for (long long pattern = 0; pattern < patterns; ++pattern) {
        const auto bit = [&](int index) { return (pattern >> index) & 1 ? 1 : -1; };
        // Bit s (0, 1) of user k from the one running at the decoded bit's start: its data, then
        // its chips.
        const auto slot = [&](int k, int s) { return first[k] + s * (random ? n + 1 : 1); };
        const auto data = [&](int k, int s) { return bit(slot(k, s)); };
        const auto chip = [&](int k, int s, int m) { return random ? bit(slot(k, s) + 1 + m) : fixed[k][m]; };
        double statistic = 0;
        for (int m = 0; m < n; ++m) {
            const int t = d[rx] + m;
            double sample = 0;
            for (int k = 0; k < users; ++k) {
                const int j0 = (d[rx] - d[k]) >= 0 ? (d[rx] - d[k]) / n : -1;
                const int since = t - d[k];
                const int j = since >= 0 ? since / n : -1;
                sample += a[k] * data(k, j - j0) * chip(k, j - j0, since - j * n);
            }
            statistic += chip(rx, 0, m) * sample;
        }
        const bool one = data(rx, 0) > 0;
        double term = 0;
        if (deviation > 0)
            term = Tail((one ? statistic : -statistic) / deviation);
        else
            term = one ? (statistic < 0) : (statistic >= 0);
        const double y = term - carry;
        const double t = sum + y;
        carry = (t - sum) - y;
        sum = t;
    }
    return sum / double(patterns);
}

} // namespace

// Fixed codes at given delays and powers, random codes of unequal powers wherever their bits
// start: the exact rate equals the brute-force count, without noise (ties included) and with it.
TEST(RateTheory, ExactRateEqualsTheCountOfEveryPattern)
{
    const LabConfig configs[] = {
        Config(3, CodeFamily::Walsh, 4, {0, 3, -2}, 2, {0, 1, 3}),
        Config(3, CodeFamily::Walsh, 4, {}, 1),
        Config(3, CodeFamily::MSequence, 7, {}, 1, {0, 2, 5}),
        Config(3, CodeFamily::MSequence, 3, {}, 3),
        Config(4, CodeFamily::Gold, 7, {0, 0, 6, 0}, 3, {0, 6, 3, 1}),
        Config(2, CodeFamily::Gold, 7, {0, 10}, 1, {0, 4}),
        Config(3, CodeFamily::Random, 3, {0, 4, -3}, 1, {0, 1, 2}),
        Config(3, CodeFamily::Random, 2, {0, 6, 6}, 1),
        Config(2, CodeFamily::Random, 4, {-2, 0}, 2, {0, 3}),
    };
    for (const LabConfig& c : configs) {
        for (std::optional<double> ebn0 : {std::optional<double>(), std::optional<double>(-1.0), std::optional<double>(4.0)}) {
            SCOPED_TRACE(Describe(c, ebn0));
            const std::optional<double> exact = RateTheory(c).Exact(ebn0);
            ASSERT_TRUE(exact);
            const double counted = Enumerated(c, ebn0);
            EXPECT_NEAR(*exact, counted, 1e-12 + 1e-10 * counted);
        }
    }
}

// Equal powers keep the binomial sum of the textbook, to the last bit, with or without delays.
TEST(RateTheory, EqualPowersOfRandomCodesKeepTheBinomialSum)
{
    for (const LabConfig& c : {Config(4, CodeFamily::Random, 16), Config(3, CodeFamily::Random, 8, {6, 6, 6}, 2),
                               Config(3, CodeFamily::Random, 8, {}, 1, {0, 5, 1}), Config(1, CodeFamily::Gold, 31)}) {
        SCOPED_TRACE(Describe(c, 3.0));
        const RateTheory theory(c);
        EXPECT_EQ(theory.Exact(3.0), ExactBer(c.Users, c.Spread, 3.0));
        EXPECT_EQ(theory.Gaussian(3.0), GaussianBer(c.Users, c.Spread, 3.0));
        EXPECT_EQ(theory.Exact(std::nullopt), ExactBer(c.Users, c.Spread, std::nullopt));
    }
}

// The approximation's variance: the squares of what each user adds over its two bits, relative
// to the wanted N A; orthogonal codes leave only the noise.
TEST(RateTheory, GaussianApproximationTakesTheInterferencesVariance)
{
    const double single = Tail(std::sqrt(2 * std::pow(10.0, 0.5)));
    EXPECT_NEAR(RateTheory(Config(4, CodeFamily::Walsh, 8, {0, 20, 0, 0})).Gaussian(5.0), single, 1e-15);
    EXPECT_EQ(RateTheory(Config(4, CodeFamily::Walsh, 8)).Gaussian(std::nullopt), 0.0);
    // Random codes: user 2 at 10 times the amplitude adds variance 100 / N.
    EXPECT_NEAR(RateTheory(Config(2, CodeFamily::Random, 16, {0, 20})).Gaussian(std::nullopt), Tail(1 / std::sqrt(100.0 / 16)),
                1e-12);
    // An m-sequence shift aligned: correlation -1, variance 1 / N^2 per user.
    EXPECT_NEAR(RateTheory(Config(3, CodeFamily::MSequence, 7)).Gaussian(std::nullopt), Tail(1 / std::sqrt(2.0 / 49)), 1e-15);
}

// Where the other users' sums would number more than MaxSums there is no exact rate, but still
// the approximation; below, there is.
TEST(RateTheory, NoExactRateBeyondTheSumsItCanHold)
{
    // Seven distinct levels of 64 chips: 65^7 sums.
    const RateTheory many(Config(8, CodeFamily::Random, 64, {0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(many.Exact(3.0));
    EXPECT_GT(many.Gaussian(3.0), 0.0);
    // Two distinct levels besides the decoded user's: 65^2 sums.
    const RateTheory two(Config(3, CodeFamily::Random, 64, {0, 1, 2}));
    EXPECT_TRUE(two.Exact(3.0));
    // Four of 16 chips: 17^4 = 83521 pairs of values, more than the limit; three: 4913.
    EXPECT_FALSE(RateTheory(Config(5, CodeFamily::Random, 16, {0, 1, 2, 3, 4})).Exact(3.0));
    EXPECT_TRUE(RateTheory(Config(4, CodeFamily::Random, 16, {0, 1, 2, 3})).Exact(3.0));
    EXPECT_EQ(TheoryFor(Config(8, CodeFamily::Random, 64, {0, 1, 2, 3, 4, 5, 6, 7}), 3.0).Exact, std::nullopt);
}

// The model measures what the theory says: every family, aligned and not, within four standard
// deviations of 100,000 bits.
TEST(RateTheory, MeasuredRatesAgreeWithTheExactRate)
{
    const LabConfig configs[] = {
        Config(4, CodeFamily::Walsh, 16, {}, 1, {0, 3, 9, 14}),
        Config(4, CodeFamily::MSequence, 15, {0, 0, 6, 0}, 2, {0, 7, 2, 11}),
        Config(8, CodeFamily::Gold, 31, {}, 5, {0, 3, 6, 9, 12, 15, 18, 21}),
        Config(3, CodeFamily::Random, 16, {0, 6, -3}, 1, {0, 5, 12}),
        Config(5, CodeFamily::Gold, 7, {3, 0, 0, 0, 3}, 1),
    };
    constexpr std::uint64_t Bits = 100000;
    for (const LabConfig& c : configs) {
        for (std::optional<double> ebn0 : {std::optional<double>(), std::optional<double>(3.0)}) {
            SCOPED_TRACE(Describe(c, ebn0));
            const double exact = *RateTheory(c).Exact(ebn0);
            BerAccumulator run(c, ebn0);
            run.Run(Bits);
            const double sigma = std::sqrt(exact * (1 - exact) / Bits);
            EXPECT_NEAR(double(run.Count().Errors) / Bits, exact, 4 * sigma + 1e-9);
        }
    }
}
