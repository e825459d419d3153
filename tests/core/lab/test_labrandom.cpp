#include "core/lab/bertheory.h"
#include "core/lab/labrandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace lab;

// The seed expander and the word generator against values worked out apart from this code
// (SplitMix64 from 0 begins with the published e220a8397b1dcdaf): a seed must name the same
// stream on every platform and in every later version.
TEST(LabRandom, SeedsNameFixedStreams)
{
    std::uint64_t state = 0;
    EXPECT_EQ(SplitMix64(state), 0xE220A8397B1DCDAFull);
    LabRandom random(1);
    EXPECT_EQ(random.NextWord(), 0xB3F2AF6D0FC710C5ull);
    EXPECT_EQ(random.NextWord(), 0x853B559647364CEAull);
    EXPECT_EQ(random.NextWord(), 0x92F89756082A4514ull);
    LabRandom other(2);
    EXPECT_NE(other.NextWord(), 0xB3F2AF6D0FC710C5ull);
}

TEST(LabRandom, DataBitsAreTheWordsBitsLowestFirst)
{
    LabRandom words(7), signs(7);
    for (int w = 0; w < 3; ++w) {
        const std::uint64_t word = words.NextWord();
        for (int b = 0; b < 64; ++b)
            ASSERT_EQ(signs.NextSign(), (word >> b) & 1 ? 1 : -1) << "word " << w << " bit " << b;
    }
}

TEST(LabRandom, OpenUnitNeverReachesZero)
{
    LabRandom random(3);
    double smallest = 1;
    for (int i = 0; i < 100000; ++i) {
        const double u = random.NextOpenUnit();
        ASSERT_GT(u, 0.0);
        ASSERT_LE(u, 1.0);
        smallest = std::min(smallest, u);
    }
    EXPECT_LT(smallest, 1e-3);
}

// The chips of the signal model's generator: the states after seeding with 23 and 44, and the
// chips they give (+1 for a state of 2^31 or more).
TEST(LcgChips, ContinueTheSignalModelsGenerator)
{
    struct Row { std::uint32_t seed; std::vector<std::uint32_t> states; std::vector<int> chips; };
    const Row rows[] = {
        {23, {3099843700u, 488578629u, 3076467546u, 3523625155u}, {1, -1, 1, 1}},
        {44, {1635168477u, 2305517650u, 3815985563u, 1277985800u}, {-1, 1, 1, -1}},
    };
    for (const Row& row : rows) {
        LcgChips chips(row.seed);
        for (std::size_t i = 0; i < row.states.size(); ++i) {
            EXPECT_EQ(chips.NextChip(), row.chips[i]) << row.seed << " chip " << i;
            EXPECT_EQ(chips.State(), row.states[i]);
        }
    }
    // A word holds the same chips, chip n at bit n, and the stream goes on after it.
    LcgChips one(23), word(23);
    const std::uint64_t w = word.NextChipWord(64);
    for (int n = 0; n < 64; ++n)
        ASSERT_EQ(one.NextChip() > 0, ((w >> n) & 1) != 0) << n;
    EXPECT_EQ(one.State(), word.State());
    EXPECT_EQ(LcgChips(23).NextChipWord(4), 0b1101u);
}

// The noise's shape: moments and the share beyond several points, the last beyond R = 3.654
// where the tail method takes over; each within 4 standard deviations of a million samples.
TEST(LabRandom, GaussianSamplesFollowTheNormalLaw)
{
    constexpr int Count = 1000000;
    LabRandom random(2024);
    const double points[] = {0.1, 0.2153, 0.5, 1, 2, 3, 3.6541528853610088, 4};
    std::vector<int> beyond(std::size(points), 0);
    double sum = 0, squares = 0, fourth = 0;
    for (int i = 0; i < Count; ++i) {
        const double z = random.NextGaussian();
        sum += z;
        squares += z * z;
        fourth += z * z * z * z;
        for (std::size_t p = 0; p < std::size(points); ++p)
            beyond[p] += std::fabs(z) > points[p] ? 1 : 0;
    }
    EXPECT_NEAR(sum / Count, 0.0, 4 / std::sqrt(double(Count)));
    EXPECT_NEAR(squares / Count, 1.0, 4 * std::sqrt(2.0 / Count));
    EXPECT_NEAR(fourth / Count, 3.0, 4 * std::sqrt(96.0 / Count));
    for (std::size_t p = 0; p < std::size(points); ++p) {
        const double expected = 2 * QFunction(points[p]);
        const double sigma = std::sqrt(expected * (1 - expected) / Count);
        EXPECT_NEAR(double(beyond[p]) / Count, expected, 4 * sigma) << "beyond " << points[p];
    }
}

TEST(LabRandom, GaussianSignsAreBalancedOnBothSidesOfTheTail)
{
    LabRandom random(99);
    int farLeft = 0, farRight = 0;
    for (int i = 0; i < 2000000; ++i) {
        const double z = random.NextGaussian();
        farLeft += z < -3.6541528853610088 ? 1 : 0;
        farRight += z > 3.6541528853610088 ? 1 : 0;
    }
    // About 258 each; a tail drawn on one side only would leave the other empty.
    EXPECT_GT(farLeft, 180);
    EXPECT_GT(farRight, 180);
    EXPECT_NEAR(farLeft, farRight, 4 * std::sqrt(double(farLeft + farRight)));
}

TEST(PortableMath, AgreesWithTheLibraryToAFewUnitsInTheLastPlace)
{
    for (double x = -40; x <= 40; x += 0.0137) {
        const double expected = std::exp(x);
        ASSERT_NEAR(PortableExp(x), expected, 4e-16 * expected) << x;
    }
    for (double x : {-745.5, -700.0, 0.0, 1e-300, 700.0, 709.5})
        EXPECT_NEAR(PortableExp(x), std::exp(x), 4e-16 * std::exp(x)) << x;
    for (double x = 1e-12; x < 1e12; x *= 1.37) {
        const double expected = std::log(x);
        ASSERT_NEAR(PortableLog(x), expected, 4e-16 * std::fabs(expected) + 1e-300) << x;
    }
    EXPECT_EQ(PortableLog(1.0), 0.0);
    EXPECT_NEAR(PortableLog(0.70710678118654752), -0.34657359027997264, 1e-16);
    EXPECT_NEAR(PortableLog(0.7071067811865476), -0.34657359027997264, 1e-16);
    EXPECT_EQ(PortableLog(0.0), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(PortableLog(-1.0)));
}

TEST(PortableMath, WholeTensOfDecibelsAreExactPowersOfTen)
{
    struct Row { double db, divisor, ratio; };
    const Row rows[] = {{0, 20, 1}, {20, 20, 10}, {-20, 20, 0.1}, {60, 20, 1000}, {100, 10, 1e10},
                        {-100, 10, 1e-10}, {10, 10, 10}, {-40, 20, 0.01}};
    for (const Row& row : rows)
        EXPECT_EQ(DbToRatio(row.db, row.divisor), row.ratio) << row.db << " / " << row.divisor;
    for (double db = -99.5; db < 100; db += 0.73)
        ASSERT_NEAR(DbToRatio(db, 10), std::pow(10.0, db / 10), 8e-16 * std::pow(10.0, db / 10)) << db;
    EXPECT_EQ(DbToRatio(1e6, 10), HUGE_VAL);
    EXPECT_EQ(DbToRatio(-1e6, 10), 0.0);
}
