#include "core/lab/bertheory.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lab;

namespace {

void ExpectFourDigits(double actual, double expected, const char* what)
{
    EXPECT_NEAR(actual, expected, 0.5e-3 * expected) << what;
}

} // namespace

// The reference values of the textbook formulas, to the four digits they are given with.
TEST(BerTheory, ReproducesTheReferenceValues)
{
    for (int spread : {2, 8, 16, 64}) {
        ExpectFourDigits(ExactBer(1, spread, 8.0), 1.909e-4, "one user, 8 dB");
        ExpectFourDigits(GaussianBer(1, spread, 8.0), 1.909e-4, "one user, 8 dB, approximation");
    }
    ExpectFourDigits(ExactBer(2, 8, 8.0), 1.284e-2, "K=2, N=8, 8 dB");
    ExpectFourDigits(GaussianBer(2, 8, 8.0), 1.346e-2, "K=2, N=8, 8 dB, approximation");
    ExpectFourDigits(ExactBer(4, 16, 4.0), 5.390e-2, "K=4, N=16, 4 dB");
}

TEST(BerTheory, WithoutNoiseOnlyTheInterferenceDecides)
{
    // One user: never wrong. Two users at N = 2: the other's two chips cancel the wanted pair in
    // a quarter of the bits, a tie that is wrong for half of them.
    EXPECT_EQ(ExactBer(1, 8, std::nullopt), 0.0);
    EXPECT_EQ(GaussianBer(1, 8, std::nullopt), 0.0);
    EXPECT_DOUBLE_EQ(ExactBer(2, 2, std::nullopt), 0.125);
    // Three users at N = 2: interference -4 (1/16) is wrong, -2 (4/16) a tie.
    EXPECT_DOUBLE_EQ(ExactBer(3, 2, std::nullopt), 1.0 / 16 + 0.5 * 4.0 / 16);
    EXPECT_DOUBLE_EQ(GaussianBer(5, 16, std::nullopt), QFunction(2.0));
    // Noise only adds errors.
    EXPECT_GT(ExactBer(3, 16, 10.0), ExactBer(3, 16, std::nullopt));
    EXPECT_GT(ExactBer(3, 16, 0.0), ExactBer(3, 16, 10.0));
}

TEST(BerTheory, QFunctionAtItsLandmarks)
{
    EXPECT_EQ(QFunction(0), 0.5);
    EXPECT_EQ(QFunction(HUGE_VAL), 0.0);
    EXPECT_EQ(QFunction(-HUGE_VAL), 1.0);
    EXPECT_NEAR(QFunction(1.959963984540054), 0.025, 1e-15);
    EXPECT_NEAR(QFunction(-1), 1 - QFunction(1), 1e-15);
    EXPECT_NEAR(QFunction(6), 9.865876450377e-10, 1e-20);
}

// Against the binomial tails summed term by term (the bounds solve P(X >= k) = 2.5 % and
// P(X <= k) = 2.5 %): the textbook's values.
TEST(BerTheory, ExactIntervalSolvesTheBinomialTails)
{
    struct Row { std::uint64_t errors, bits; double low, high; };
    const Row rows[] = {
        {0, 10, 0, 0.3084971078},          {10, 10, 0.6915028922, 1},
        {5, 10, 0.1870860284, 0.8129139716}, {1, 100, 0.000253146033, 0.05445938539},
        {10, 100, 0.04900468922, 0.1762225977}, {25, 2000, 0.008105230839, 0.01839749341},
    };
    for (const Row& row : rows) {
        const Interval exact = ClopperPearson95(row.errors, row.bits);
        EXPECT_NEAR(exact.Low, row.low, 1e-9 * row.low + 1e-15) << row.errors << " of " << row.bits;
        EXPECT_NEAR(exact.High, row.high, 1e-9 * row.high) << row.errors << " of " << row.bits;
        const double rate = double(row.errors) / double(row.bits);
        EXPECT_LE(exact.Low, rate);
        EXPECT_GE(exact.High, rate);
    }
    EXPECT_NEAR(BinomialUpperTail(3, 20, 0.1), 0.323073194810534, 1e-12);
    EXPECT_NEAR(BinomialUpperTail(25, 2000, 0.01), 0.15565101462889, 1e-11);
    EXPECT_EQ(BinomialUpperTail(0, 5, 0.2), 1.0);
    // A billion bits: the bounds hold the rate and lie close to it.
    const Interval big = ClopperPearson95(1000, 1000000000);
    EXPECT_LT(big.Low, 1e-6);
    EXPECT_GT(big.Low, 0.9e-6);
    EXPECT_GT(big.High, 1e-6);
    EXPECT_LT(big.High, 1.1e-6);
}

TEST(BerTheory, WilsonIntervalHoldsTheRateAndNarrowsWithMoreBits)
{
    // 10 of 100: the textbook's 0.0552 .. 0.1744.
    const Interval tenth = Wilson95(10, 100);
    EXPECT_NEAR(tenth.Low, 0.05523, 1e-5);
    EXPECT_NEAR(tenth.High, 0.17437, 1e-5);
    const Interval more = Wilson95(1000, 10000);
    EXPECT_LT(more.Low, 0.1);
    EXPECT_GT(more.High, 0.1);
    EXPECT_LT(more.High - more.Low, tenth.High - tenth.Low);
    // No error: from exactly 0 to z^2 / (n + z^2); every bit wrong: up to exactly 1.
    const Interval none = Wilson95(0, 1000);
    EXPECT_EQ(none.Low, 0.0);
    EXPECT_NEAR(none.High, 3.8414588206941254 / (1000 + 3.8414588206941254), 1e-15);
    const Interval all = Wilson95(1000, 1000);
    EXPECT_EQ(all.High, 1.0);
    EXPECT_NEAR(all.Low, 1000 / (1000 + 3.8414588206941254), 1e-15);
    const Interval one = Wilson95(1, 1);
    EXPECT_GE(one.Low, 0.0);
    EXPECT_EQ(one.High, 1.0);
}
