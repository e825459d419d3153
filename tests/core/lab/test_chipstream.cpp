// The lab's transmission chip by chip, and the decision values counted from it, against the
// accumulator that measures the same set-ups and against moments worked out by hand.
#include "core/lab/beraccumulator.h"
#include "core/lab/chipstream.h"
#include "core/lab/decisionhistogram.h"
#include "core/lab/labtraces.h"

#include "tests/core/lab/labconfig_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

using namespace lab;

namespace {


double Amplitude(double db)
{
    return std::pow(10.0, db / 20);
}

struct Row
{
    LabConfig config;
    std::optional<double> ebn0;
};

const Row Rows[] = {
    {Lab(4, CodeFamily::Random, 16), 2.0},
    {Lab(3, CodeFamily::Random, 7).Powers({0, 6, -3}).Decoding(3), std::nullopt},
    {Lab(8, CodeFamily::Gold, 7).Decoding(8), 1.0},
    {Lab(5, CodeFamily::MSequence, 15).Powers({0, 0, 10, 0, 0}), 3.0},
    {Lab(3, CodeFamily::Walsh, 4), -1.0},
    {Lab(1, CodeFamily::Random, 64), 0.0},
    {Lab(2, CodeFamily::Random, 64).Powers({0, 12}), 8.0},
    // Users whose bits start apart, the decoded one delayed too.
    {Lab(4, CodeFamily::Random, 16).Delays({0, 5, 0, 15}).Decoding(2), 2.0},
    {Lab(3, CodeFamily::Gold, 7).Powers({0, 6, 6}).Delays({0, 2, 5}), 4.0},
    {Lab(4, CodeFamily::Walsh, 8).Powers({0, 6, 6, 6}).Delays({0, 1, 3, 6}).Decoding(3), 3.0},
    {Lab(3, CodeFamily::MSequence, 15).Powers({0, 10, 0}).Delays({0, 4, 9}).Decoding(3), std::nullopt},
};

} // namespace

// The histogram draws what the accumulator draws, in its order, and decides as it decides: the
// same errors for every family, with and without noise, whatever the slices.
TEST(DecisionHistogram, CountsTheErrorsThatTheAccumulatorCountsForTheSameSetUp)
{
    constexpr std::uint64_t Bits = 6000;
    for (const Row& row : Rows) {
        SCOPED_TRACE(std::string(FamilyName(row.config.Codes)) + " K=" + std::to_string(row.config.Users) + " N="
                     + std::to_string(row.config.Spread));
        BerAccumulator accumulator(row.config, row.ebn0);
        accumulator.Run(Bits);
        DecisionHistogram histogram(row.config, row.ebn0);
        for (std::uint64_t sent = 0; sent < Bits;)
            sent += histogram.Run(std::min<std::uint64_t>(777, Bits - sent));
        EXPECT_GT(accumulator.Count().Errors, 0u) << "a set-up that makes errors";
        EXPECT_EQ(histogram.Errors(), accumulator.Count().Errors);
        EXPECT_EQ(histogram.Bits(), Bits);

        std::uint64_t counted = histogram.Outside();
        std::uint64_t ones = 0;
        for (int i = 0; i < histogram.Bins(); ++i) {
            counted += histogram.Count(true, i) + histogram.Count(false, i);
            ones += histogram.Count(true, i);
        }
        EXPECT_EQ(counted, Bits);
        EXPECT_LE(ones, histogram.Sent(true));
        EXPECT_EQ(histogram.Sent(true) + histogram.Sent(false), Bits);
    }
}

// What arrives, multiplied by the receiver's chips and summed over the bit, is the decision; the
// wanted part is A d c, and there is no noise without an Eb/N0.
TEST(ChipStream, TheChipsOfABitSumToItsDecision)
{
    for (const Row& row : Rows) {
        SCOPED_TRACE(std::string(FamilyName(row.config.Codes)) + " K=" + std::to_string(row.config.Users));
        ChipStream stream(row.config, row.ebn0);
        const double a = Amplitude(row.config.PowerDb.empty() ? 0 : row.config.PowerDb[row.config.Rx - 1]);
        ChipBit bit;
        for (int b = 0; b < 50; ++b) {
            stream.Next(bit);
            ASSERT_EQ(int(bit.RxChips.size()), row.config.Spread);
            double sum = 0;
            for (int i = 0; i < row.config.Spread; ++i) {
                sum += bit.Received(i) * bit.RxChips[i];
                EXPECT_DOUBLE_EQ(bit.Wanted[i], a * bit.Sent * bit.RxChips[i]);
                if (!row.ebn0) {
                    EXPECT_EQ(bit.Noise[i], 0.0);
                }
            }
            EXPECT_NEAR(sum, bit.Decision, 1e-9 * (1 + std::fabs(bit.Decision)));
        }
    }
}

// The decision values' mean and variance, from 40000 bits, against those worked out for each
// family by hand: N A for the wanted user; per other user A^2 N with random chips, A^2 times the
// codes' correlation squared with fixed ones; and N sigma^2 of noise.
TEST(ChipStream, DecisionValuesHaveTheMeanAndVarianceOfTheModel)
{
    struct Case
    {
        LabConfig config;
        double ebn0;
        double interference; // worked out by hand
    };
    const double a6 = Amplitude(6), a3 = Amplitude(-3);
    const Case cases[] = {
        // Random chips: every other user adds A^2 N.
        {Lab(3, CodeFamily::Random, 16).Powers({0, 6, -3}), 4, 16 * (a6 * a6 + a3 * a3)},
        // Shifts of the m-sequence of 7 chips correlate to -1.
        {Lab(3, CodeFamily::MSequence, 7).Powers({0, 6, -3}), 4, a6 * a6 + a3 * a3},
        // Walsh rows are orthogonal: nothing but noise.
        {Lab(4, CodeFamily::Walsh, 8), 2, 0},
        // The decoded user need not be the first, nor at 0 dB.
        {Lab(2, CodeFamily::Random, 8).Powers({3, -6}).Decoding(2), 6, 8 * std::pow(10.0, 3.0 / 10)},
        // A delay leaves random chips at A^2 N.
        {Lab(3, CodeFamily::Random, 16).Powers({0, 6, -3}).Delays({0, 7, 11}), 4, 16 * (a6 * a6 + a3 * a3)},
        // The first two Walsh rows of 4 chips, orthogonal when aligned; the second delayed by a
        // chip against the all-ones row: its earlier bit's last chip meets the first chip and its
        // later bit's first three the rest, which sum to minus that last chip, as the row sums
        // to 0. Two independent bits adding 1 each: 2 A^2.
        {Lab(2, CodeFamily::Walsh, 4).Powers({0, 6}).Delays({0, 1}), 3, 2 * a6 * a6},
    };
    constexpr int Bits = 40000;
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(FamilyName(k.config.Codes)) + " K=" + std::to_string(k.config.Users));
        ChipStream stream(k.config, k.ebn0);
        const double a = Amplitude(k.config.PowerDb.empty() ? 0 : k.config.PowerDb[k.config.Rx - 1]);
        const double n = k.config.Spread;
        const double sigma2 = n * a * a / (2 * std::pow(10.0, k.ebn0 / 10));
        EXPECT_NEAR(stream.InterferenceVariance(), k.interference, 1e-9 * (1 + k.interference));
        ChipBit bit;
        double sum = 0, squares = 0;
        for (int b = 0; b < Bits; ++b) {
            stream.Next(bit);
            const double v = bit.Decision * bit.Sent; // folded onto the wanted sign
            sum += v;
            squares += v * v;
        }
        const double mean = sum / Bits;
        const double variance = squares / Bits - mean * mean;
        const double expected = k.interference + n * sigma2;
        EXPECT_NEAR(mean, n * a, 5 * std::sqrt(expected / Bits));
        EXPECT_NEAR(variance, expected, 0.05 * expected);
    }
}

// One user in noise is exactly Gaussian: the counts per bin follow the approximation within the
// spread a chi-square statistic allows, and the approximation's counts add up to the bits.
TEST(DecisionHistogram, OneUserInNoiseFollowsItsGaussianBinByBin)
{
    DecisionHistogram h(Lab(1, CodeFamily::Random, 16), 1.0, 40);
    h.Run(50000);
    EXPECT_DOUBLE_EQ(h.Mean(true), 16);
    EXPECT_DOUBLE_EQ(h.Mean(false), -16);
    double chi2 = 0, expectedOnes = 0;
    int bins = 0;
    for (int i = 0; i < h.Bins(); ++i) {
        const double centre = h.Low() + (i + 0.5) * h.BinWidth();
        for (const bool one : {true, false}) {
            const double expected = h.GaussianCount(one, centre);
            expectedOnes += one ? expected : 0;
            if (expected < 20)
                continue;
            const double d = double(h.Count(one, i)) - expected;
            chi2 += d * d / expected;
            ++bins;
        }
    }
    ASSERT_GT(bins, 20);
    // Well beyond the 99.9 % point for this many bins, yet far below a wrong width or place.
    EXPECT_LT(chi2, bins + 6 * std::sqrt(2.0 * bins));
    EXPECT_NEAR(expectedOnes, double(h.Sent(true)), 0.01 * h.Sent(true));
    EXPECT_EQ(h.Outside(), 0u);
    // Q(N A / sqrt(N sigma^2)) = Q(sqrt(2 Eb/N0)) for one user.
    EXPECT_NEAR(h.GaussianErrorRate(), 0.5 * std::erfc(std::sqrt(std::pow(10.0, 0.1))), 1e-12);
}

TEST(DecisionHistogram, NeedsTwoBinsAndATakenSetUp)
{
    EXPECT_THROW(DecisionHistogram(Lab(2, CodeFamily::Random, 8), 1.0, 1), std::invalid_argument);
    EXPECT_NO_THROW(DecisionHistogram(Lab(2, CodeFamily::Random, 8), 1.0, 2));
    EXPECT_THROW(DecisionHistogram(Lab(9, CodeFamily::Random, 8), 1.0), std::invalid_argument);
    EXPECT_THROW(DecisionHistogram(Lab(2, CodeFamily::Walsh, 7), 1.0), std::invalid_argument);
    EXPECT_THROW(DecisionHistogram(Lab(2, CodeFamily::Random, 8), 101.0), std::invalid_argument);
    // Without interference or noise every value is N A: no Gaussian, no error.
    DecisionHistogram alone(Lab(1, CodeFamily::Random, 8), std::nullopt);
    alone.Run(100);
    EXPECT_EQ(alone.Deviation(), 0.0);
    EXPECT_EQ(alone.GaussianCount(true, 8), 0.0);
    EXPECT_EQ(alone.Errors(), 0u);
    EXPECT_EQ(alone.Outside(), 0u);
}

// The signals view's bits are the first bits of the stream: the running sum ends each bit at
// its decision, and the decision is its sign.
TEST(LabTraces, TheRunningSumEndsEachBitAtItsDecision)
{
    const LabConfig c = Lab(4, CodeFamily::Gold, 7).Powers({0, 3, 3, -3}).Decoding(2);
    const LabTraces t = TracesOf(c, -2.0, 8);
    ASSERT_EQ(t.Bits, 8);
    ASSERT_EQ(t.RunningSum.size(), 56u);
    ChipStream stream(c, -2.0);
    ChipBit bit;
    int wrong = 0;
    for (int b = 0; b < 8; ++b) {
        stream.Next(bit);
        EXPECT_EQ(t.Sent[b], bit.Sent);
        EXPECT_EQ(t.Decision[b], bit.Decision);
        EXPECT_EQ(t.Decided[b], bit.Decision >= 0 ? 1 : -1);
        EXPECT_NEAR(t.RunningSum[std::size_t(b * 7 + 6)], bit.Decision, 1e-9);
        EXPECT_EQ(t.Received[std::size_t(b * 7)], bit.Received(0));
        wrong += t.Decided[b] != t.Sent[b];
    }
    EXPECT_GT(wrong, 0) << "at -2 dB with three users some of the first bits go wrong";
    EXPECT_EQ(TraceBits(32), 8);
    EXPECT_EQ(TraceBits(33), 4);
}

TEST(LabTraces, ShowOneToSixteenBits)
{
    const LabConfig c = Lab(2, CodeFamily::Random, 8);
    EXPECT_THROW(TracesOf(c, 1.0, 0), std::invalid_argument);
    EXPECT_EQ(TracesOf(c, 1.0, 1).Bits, 1);
    EXPECT_EQ(TracesOf(c, 1.0, MaxTraceBits).Bits, MaxTraceBits);
    EXPECT_THROW(TracesOf(c, 1.0, MaxTraceBits + 1), std::invalid_argument);
}
