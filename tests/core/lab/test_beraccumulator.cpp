// A point measured in slices against the same point measured at once.
#include "core/lab/beraccumulator.h"
#include "core/lab/bercurve.h"
#include "tests/core/lab/labconfig_support.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace lab;

namespace {

LabConfig Config(int users, CodeFamily codes, int spread, std::vector<double> power = {}, int rx = 1)
{
    return Lab(users, codes, spread).Powers(std::move(power)).Decoding(rx).Seeded(5);
}

LabConfig Delayed(LabConfig c, std::vector<int> delays)
{
    c.DelayChips = std::move(delays);
    return c;
}

// Runs `total` bits in slices of the given sizes, repeated, the last one cut to fit.
BerCount Sliced(const LabConfig& c, std::optional<double> ebn0, std::uint64_t total, const std::vector<std::uint64_t>& slices)
{
    BerAccumulator accumulator(c, ebn0);
    std::uint64_t sent = 0;
    for (std::size_t i = 0; sent < total; ++i) {
        const std::uint64_t slice = std::min(slices[i % slices.size()], total - sent);
        EXPECT_EQ(accumulator.Run(slice), slice);
        sent += slice;
    }
    return accumulator.Count();
}

} // namespace

// Slices of one bit, slices that end inside a word of 64 data bits and across it, uneven ones:
// the counts of one long run every time, with and without noise, for every kind of code.
TEST(BerAccumulator, AnySlicingCountsWhatOneLongRunCounts)
{
    struct Row { LabConfig config; std::optional<double> ebn0; };
    const Row rows[] = {
        {Config(4, CodeFamily::Random, 16), 2.0},
        {Config(3, CodeFamily::Random, 7, {0, 6, -3}, 3), std::nullopt},
        {Config(8, CodeFamily::Gold, 7, {}, 8), 1.0},
        {Config(5, CodeFamily::MSequence, 15, {0, 0, 10, 0, 0}), 3.0},
        {Config(3, CodeFamily::Walsh, 4), -1.0},
        {Delayed(Config(4, CodeFamily::Random, 64, {0, 3, 0, 0}, 2), {0, 0, 63, 17}), 1.0},
        {Delayed(Config(3, CodeFamily::Gold, 7, {0, 6, 6}), {0, 2, 5}), 4.0},
    };
    const std::vector<std::vector<std::uint64_t>> slicings = {{1}, {63}, {64}, {65}, {7, 130, 1}, {1000}, {4999, 1}};
    constexpr std::uint64_t Total = 5000;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(FamilyName(row.config.Codes)) + " K=" + std::to_string(row.config.Users));
        const BerCount whole = SimulateBer(row.config, row.ebn0, Total);
        ASSERT_GT(whole.Errors, 0u) << "a run that counts something";
        for (const auto& slices : slicings) {
            const BerCount sliced = Sliced(row.config, row.ebn0, Total, slices);
            EXPECT_EQ(sliced.Bits, Total);
            EXPECT_EQ(sliced.Errors, whole.Errors) << "first slice " << slices[0];
        }
    }
}

// With a limit the point ends right after the bit that brings the errors to it, wherever the
// slices fall: the same bit as one run in slices of one bit finds.
TEST(BerAccumulator, AnErrorLimitEndsThePointAtThatError)
{
    const LabConfig c = Config(4, CodeFamily::Random, 8);
    BerAccumulator stepwise(c, 3.0);
    while (stepwise.Count().Errors < 25)
        ASSERT_EQ(stepwise.Run(1), 1u);
    const std::uint64_t at = stepwise.Count().Bits;

    for (std::uint64_t slice : {std::uint64_t(1), std::uint64_t(17), std::uint64_t(64), at, std::uint64_t(100000)}) {
        BerAccumulator limited(c, 3.0);
        std::uint64_t sent = 0;
        while (limited.Count().Errors < 25 && sent < 100000)
            sent += limited.Run(slice, 25);
        EXPECT_EQ(limited.Count().Errors, 25u) << slice;
        EXPECT_EQ(limited.Count().Bits, at) << slice;
        EXPECT_EQ(limited.Run(slice, 25), 0u) << "nothing more once the limit is reached";
    }
    // One bit short of the limit's error, the limit has not yet ended anything.
    BerAccumulator before(c, 3.0);
    EXPECT_EQ(before.Run(at - 1, 25), at - 1);
    EXPECT_EQ(before.Count().Errors, 24u);
    // A limit of 0 is none.
    BerAccumulator none(c, 3.0);
    EXPECT_EQ(none.Run(2 * at, 0), 2 * at);
    EXPECT_GT(none.Count().Errors, 25u);
}

TEST(BerAccumulator, RefusesWhatTheModelCannotRun)
{
    EXPECT_THROW(BerAccumulator(Config(9, CodeFamily::Random, 8), 0.0), std::invalid_argument);
    EXPECT_THROW(BerAccumulator(Config(2, CodeFamily::Gold, 8), 0.0), std::invalid_argument);
    EXPECT_THROW(BerAccumulator(Config(2, CodeFamily::Random, 8), 100.5), std::invalid_argument);
    EXPECT_NO_THROW(BerAccumulator(Config(2, CodeFamily::Random, 8), 100.0));
    BerAccumulator fresh(Config(2, CodeFamily::Random, 8), std::nullopt);
    EXPECT_EQ(fresh.Run(0), 0u);
    EXPECT_EQ(fresh.Count().Bits, 0u);
}

// Every point of a curve is the point alone, from the seed, with the interval of its count and
// the theory of its configuration; a limit on errors gives the exact interval.
TEST(BerCurve, EachPointIsThePointAlone)
{
    CurveRequest request;
    request.Config = Config(3, CodeFamily::Random, 8);
    request.EbN0Db = {0.0, 4.0, std::nullopt};
    request.Bits = 3000;
    const std::vector<CurvePoint> points = MeasureCurve(request);
    ASSERT_EQ(points.size(), 3u);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const CurvePoint& p = points[i];
        EXPECT_EQ(p.EbN0Db, request.EbN0Db[i]);
        EXPECT_EQ(p.Count.Errors, SimulateBer(request.Config, p.EbN0Db, 3000).Errors);
        EXPECT_EQ(p.Ci95.High, Wilson95(p.Count.Errors, 3000).High);
        EXPECT_EQ(p.Theory.Exact, ExactBer(3, 8, p.EbN0Db));
        EXPECT_EQ(p.Theory.Gaussian, GaussianBer(3, 8, p.EbN0Db));
    }
    const RateTheory theory(request.Config);
    EXPECT_THROW(MeasurePoint(request, 3, theory), std::out_of_range);

    request.MaxErrors = 40;
    const CurvePoint limited = MeasurePoint(request, 0, theory);
    EXPECT_EQ(limited.Count.Errors, 40u);
    EXPECT_LT(limited.Count.Bits, 3000u);
    EXPECT_EQ(limited.Ci95.Low, ClopperPearson95(40, limited.Count.Bits).Low);
    EXPECT_EQ(limited.Ci95.High, ClopperPearson95(40, limited.Count.Bits).High);
    request.Bits = 0;
    EXPECT_THROW(MeasurePoint(request, 0, theory), std::invalid_argument);
}
