// The codes as --show-codes and the page show them, and what their correlations teach.
#include "core/lab/codetable.h"

#include "core/lab/labrandom.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace lab;

namespace {

LabConfig Config(int users, CodeFamily codes, int spread, std::vector<int> delays = {})
{
    LabConfig c;
    c.Users = users;
    c.Codes = codes;
    c.Spread = spread;
    c.DelayChips = std::move(delays);
    return c;
}

// Sum over chips m of a[m] b[m - shift], indices modulo N: b delayed by `shift` chips.
int Delayed(const Code& a, const Code& b, int shift)
{
    const int n = int(a.size());
    int sum = 0;
    for (int m = 0; m < n; ++m)
        sum += a[m] * b[((m - shift) % n + n) % n];
    return sum;
}

} // namespace

// Both matrices from their definitions, for every family, aligned and not.
TEST(CodeTable, MatricesFollowTheirDefinitions)
{
    for (const LabConfig& c : {Config(4, CodeFamily::Walsh, 8), Config(3, CodeFamily::MSequence, 7, {0, 2, 6}),
                               Config(5, CodeFamily::Gold, 31, {0, 30, 1, 15, 0}), Config(3, CodeFamily::Random, 5, {0, 4, 2})}) {
        const CodeTable t = CodesOf(c);
        ASSERT_EQ(int(t.Codes.size()), c.Users);
        const std::vector<int> delays = c.DelayChips.empty() ? std::vector<int>(c.Users, 0) : c.DelayChips;
        EXPECT_EQ(t.Delays, delays);
        for (int j = 0; j < c.Users; ++j) {
            for (int k = 0; k < c.Users; ++k) {
                EXPECT_EQ(t.AtDelays[j][k], Delayed(t.Codes[j], t.Codes[k], delays[k] - delays[j])) << j << "," << k;
                int worst = 0;
                for (int shift = 0; shift < c.Spread; ++shift)
                    if (j != k || shift != 0)
                        worst = std::max(worst, std::abs(Delayed(t.Codes[j], t.Codes[k], shift)));
                EXPECT_EQ(t.Worst[j][k], worst) << j << "," << k;
            }
            EXPECT_EQ(t.AtDelays[j][j], c.Spread);
        }
    }
}

// What the families are for: Walsh rows cancel when aligned but not at every delay, shifts of
// one m-sequence collide when a delay undoes their shift, Gold codes stay within their bound
// 2^((n + 1) / 2) + 1 at every delay.
TEST(CodeTable, EachFamilyCorrelatesAsItsTheorySays)
{
    const CodeTable walsh = CodesOf(Config(4, CodeFamily::Walsh, 8));
    int worstWalsh = 0;
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k)
            if (j != k) {
                EXPECT_EQ(walsh.AtDelays[j][k], 0);
                worstWalsh = std::max(worstWalsh, walsh.Worst[j][k]);
            }
    EXPECT_EQ(worstWalsh, 8);

    // User 2 holds the sequence shifted by one chip; delayed by one chip it is user 1's again.
    const CodeTable m = CodesOf(Config(2, CodeFamily::MSequence, 7, {0, 1}));
    EXPECT_EQ(m.AtDelays[0][1], 7);
    EXPECT_EQ(m.Worst[0][1], 7);
    EXPECT_EQ(m.Worst[0][0], 1) << "a maximal-length sequence against its own shifts";
    EXPECT_EQ(CodesOf(Config(2, CodeFamily::MSequence, 7)).AtDelays[0][1], -1);

    for (const auto& [spread, bound] : {std::pair{7, 5}, std::pair{31, 9}}) {
        const CodeTable gold = CodesOf(Config(8, CodeFamily::Gold, spread));
        for (int j = 0; j < 8; ++j)
            for (int k = 0; k < 8; ++k)
                EXPECT_LE(gold.Worst[j][k], bound) << spread << ": " << j << "," << k;
    }
}

// Random codes change from bit to bit: the table shows each user's first bit, as a run draws it.
TEST(CodeTable, RandomCodesShowTheFirstBitsChips)
{
    LabConfig c = Config(3, CodeFamily::Random, 16);
    c.Seed = 9;
    const CodeTable t = CodesOf(c);
    EXPECT_TRUE(t.Random);
    for (int k = 1; k <= 3; ++k) {
        LcgChips chips(UserKey(9, k));
        for (int m = 0; m < 16; ++m)
            ASSERT_EQ(t.Codes[k - 1][m], chips.NextChip()) << "user " << k << " chip " << m;
    }
    EXPECT_FALSE(CodesOf(Config(3, CodeFamily::Gold, 7)).Random);
    EXPECT_THROW(CodesOf(Config(3, CodeFamily::Gold, 8)), std::invalid_argument);
}
