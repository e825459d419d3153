#include "core/sim/signalmodel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<std::uint32_t> States(std::uint32_t seed, int count)
{
    SeedRandom(seed);
    std::vector<std::uint32_t> out;
    for (int i = 0; i < count; ++i) {
        NextRandom();
        out.push_back(RandomState());
    }
    return out;
}

std::vector<int> EndOfBitValues(const SimResult& r)
{
    std::vector<int> out;
    for (int bit = 1; bit <= BitsPerChar; ++bit)
        out.push_back(r.NegIntegral[bit * r.SpreadFactor - 1]);
    return out;
}

std::vector<int> Head(const SampleArray& a, int n)
{
    return std::vector<int>(a.begin(), a.begin() + n);
}

SimInput Defaults()
{
    return SimInput{};
}

} // namespace

TEST(Generator, ReproducesTheStatesOfKnownSeeds)
{
    EXPECT_EQ(States(23, 4), (std::vector<std::uint32_t>{3099843700u, 488578629u, 3076467546u, 3523625155u}));
    EXPECT_EQ(States(44, 4), (std::vector<std::uint32_t>{1635168477u, 2305517650u, 3815985563u, 1277985800u}));
    // Wraps modulo 2^32 rather than saturating.
    EXPECT_EQ(States(0xFFFFFFFFu, 1), std::vector<std::uint32_t>{static_cast<std::uint32_t>(0xFFFFFFFFull * 134775813ull + 1)});
}

TEST(Generator, ReturnsTheStateOverTwoToThe32)
{
    SeedRandom(23);
    EXPECT_DOUBLE_EQ(NextRandom(), 3099843700.0 / 4294967296.0);
    SeedRandom(0x7FFFFFFFu);
    const double x = NextRandom();
    EXPECT_GE(x, 0.0);
    EXPECT_LT(x, 1.0);
}

TEST(Generator, HalfProbabilityEventIsDecidedByBit31OfTheNewState)
{
    for (std::uint32_t seed : {0u, 1u, 23u, 44u, 0x80000000u, 0xFFFFFFFFu, 123456789u}) {
        SeedRandom(seed);
        for (int i = 0; i < 200; ++i) {
            const bool event = RandomEvent(0.5);
            EXPECT_EQ(event, RandomState() < 0x80000000u) << "seed " << seed << " draw " << i;
        }
    }
}

TEST(Generator, CertainEventDoesNotAdvanceTheState)
{
    SeedRandom(99);
    EXPECT_TRUE(RandomEvent(1.0));
    EXPECT_TRUE(RandomEvent(2.5));
    EXPECT_EQ(RandomState(), 99u);
    EXPECT_FALSE(RandomEvent(0.0));
    EXPECT_NE(RandomState(), 99u);
}

TEST(Helpers, SignOfCountsZeroAsPositive)
{
    EXPECT_EQ(SignOf(0.0), 1);
    EXPECT_EQ(SignOf(-0.0), 1);
    EXPECT_EQ(SignOf(1e-300), 1);
    EXPECT_EQ(SignOf(-1e-300), -1);
    EXPECT_EQ(SignOf(-2), -1);
}

TEST(Helpers, RoundKeyRoundsTiesToEven)
{
    struct Row { double key; std::int64_t rounded; };
    const Row rows[] = {
        {23.5, 24}, {24.5, 24}, {22.5, 22}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {0.49999999999999994, 0},
        {23.4999, 23}, {-7.6, -8}, {9.2233720368547748e18, 9223372036854774784LL},
        {-9223372036854775808.0, std::numeric_limits<std::int64_t>::min()},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RoundKey(row.key), row.rounded) << row.key;
}

TEST(Helpers, RoundKeyRejectsWhatDoesNotFit64Bits)
{
    for (double key : {9223372036854775808.0, -9223372036854777856.0, 1e300, -1.7e308,
                       std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        try {
            RoundKey(key);
            ADD_FAILURE() << "no error for " << key;
        } catch (const EInvalidOp& e) {
            EXPECT_STREQ(e.what(), "Invalid floating point operation");
        }
    }
}

TEST(ComputeSignals, DefaultInputsSpreadAndRecoverChannelA)
{
    const SimResult r = ComputeSignals(Defaults());
    EXPECT_EQ(r.SampleCount(), 64);
    EXPECT_DOUBLE_EQ(r.ChipDuration, 15.625);
    EXPECT_EQ(Head(r.ChipsA, 16), (std::vector<int>{1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1}));
    EXPECT_EQ(Head(r.SpreadA, 16), (std::vector<int>{1, -1, 1, 1, -1, 1, 1, -1, -1, -1, 1, 1, -1, -1, 1, -1}));
    EXPECT_EQ(Head(r.ChipsB, 4), (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(Head(r.RxChips, 4), (std::vector<int>{1, -1, 1, 1}));
    // 'Z' = 0x5A is sent least significant bit first, each bit held for 8 chips.
    const int bits[8] = {0, 1, 0, 1, 1, 0, 1, 0};
    for (int n = 1; n <= 64; ++n)
        ASSERT_EQ(r.DataA[n - 1], bits[(n - 1) / 8]) << n;
}

TEST(ComputeSignals, EveryTraceHoldsTheRelationsBetweenTheArrays)
{
    SimInput in = Defaults();
    for (int sf = MinSpreadFactor; sf <= MaxSpreadFactor; ++sf) {
        in.SpreadFactor = sf;
        const SimResult r = ComputeSignals(in);
        for (int n = 1; n <= r.SampleCount(); ++n) {
            const int i = n - 1;
            ASSERT_EQ(r.SpreadA[i], (r.DataA[i] ^ r.ChipsA[i]) ? 1 : -1);
            ASSERT_EQ(r.SpreadB[i], (r.DataB[i] ^ r.ChipsB[i]) ? 1 : -1);
            ASSERT_EQ(r.Composite[i], r.SpreadA[i] + r.SpreadB[i]);
            // The receiver holds key A, so its chips are A's in bipolar form.
            ASSERT_EQ(r.RxChips[i], 2 * r.ChipsA[i] - 1);
            ASSERT_EQ(r.Despread(n), r.Composite[i] * r.RxChips[i]);
            ASSERT_LE(std::abs(r.NegIntegral[i]), 2 * sf);
        }
        // Nothing beyond the used samples is written.
        for (int i = r.SampleCount(); i < MaxSamples; ++i) {
            ASSERT_EQ(r.ChipsA[i], 0);
            ASSERT_EQ(r.NegIntegral[i], 0);
        }
        EXPECT_EQ(r.RecoveredByte, 'Z') << "spreading factor " << sf;
    }
}

struct Scenario
{
    const char* name;
    double keyA, keyB, keyRx;
    int spread;
    std::vector<int> endValues;
    std::uint8_t recovered;
    char channel;
    bool ok;
};

void PrintTo(const Scenario& s, std::ostream* os)
{
    *os << s.name;
}

class Scenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(Scenarios, GiveTheKnownIntegralsAndVerdict)
{
    const Scenario& s = GetParam();
    SimInput in = Defaults();
    in.KeyA = s.keyA;
    in.KeyB = s.keyB;
    in.KeyRx = s.keyRx;
    in.SpreadFactor = s.spread;
    const SimResult r = ComputeSignals(in);
    EXPECT_EQ(EndOfBitValues(r), s.endValues);
    EXPECT_EQ(r.RecoveredByte, s.recovered);
    EXPECT_EQ(r.RecoveredText, std::string(1, char(s.recovered)));
    EXPECT_EQ(r.SelectedChannel, s.channel);
    EXPECT_EQ(r.TransmissionOk, s.ok);
    for (int bit = 0; bit < BitsPerChar; ++bit)
        EXPECT_EQ(r.BitSigns[bit], s.endValues[bit] >= 0 ? 1 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Scenarios,
    ::testing::Values(
        Scenario{"ReceiverHoldsKeyA", 23, 44, 23, 8, {-12, 10, -8, 10, 10, -8, 12, -10}, 0x5A, '1', true},
        Scenario{"ReceiverHoldsKeyB", 23, 44, 44, 8, {12, 10, 8, -10, 10, -8, 12, -10}, 0x57, '2', true},
        Scenario{"ReceiverHoldsNoKey", 23, 44, 7, 8, {4, -2, 0, -2, 2, -4, -4, -2}, 0x15, '-', false},
        Scenario{"KeyBZeroAtFactorTwo", 23, 0, 23, 2, {-2, 2, 0, 2, 0, -4, 2, -2}, 0x5E, '1', false},
        Scenario{"BothTransmittersShareTheKey", 23, 23, 23, 8, {0, 16, 0, 0, 16, -16, 16, -16}, 0x5F, '1', false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComputeSignals, ZeroIntegralAtFactorThreeDecidesOne)
{
    SimInput in = Defaults();
    in.SpreadFactor = 3;
    const SimResult r = ComputeSignals(in);
    EXPECT_EQ(r.NegIntegral[2 * 3 - 1], 0);
    EXPECT_EQ(r.BitSigns[1], 1);
    EXPECT_EQ(r.RecoveredByte, 0x5A);
    EXPECT_TRUE(r.TransmissionOk);
}

TEST(ComputeSignals, EmptyCharacterFieldNeverMatches)
{
    SimInput in = Defaults();
    in.SetTextA("");
    EXPECT_EQ(in.CharA, 0);
    const SimResult r = ComputeSignals(in);
    for (int i = 0; i < r.SampleCount(); ++i)
        ASSERT_EQ(r.DataA[i], 0);
    EXPECT_EQ(r.SelectedChannel, '1');
    EXPECT_FALSE(r.TransmissionOk);
}

TEST(ComputeSignals, RecoveredNulByteIsAOneCharacterText)
{
    SimInput in = Defaults();
    in.SetTextA(std::string(1, '\0'));
    const SimResult r = ComputeSignals(in);
    EXPECT_EQ(r.RecoveredText.size(), 1u);
    // Whether the NUL comes through depends on B's interference, but the text always has one byte.
    EXPECT_EQ(r.TransmissionOk, r.RecoveredByte == 0);
}

TEST(ComputeSignals, KeyShiftedByTwoToThe32GivesSameChipsButNoChannel)
{
    SimInput in = Defaults();
    in.KeyRx = 23.0 + 4294967296.0;
    const SimResult r = ComputeSignals(in);
    EXPECT_EQ(r.SelectedChannel, '-');
    EXPECT_FALSE(r.TransmissionOk);
    for (int i = 0; i < r.SampleCount(); ++i)
        ASSERT_EQ(r.RxChips[i], 2 * r.ChipsA[i] - 1);
}

TEST(ComputeSignals, HalfKeysRoundForSeedAndSelectionAlike)
{
    SimInput in = Defaults();
    in.KeyA = 23.5; // 24
    in.KeyB = 22.5; // 22
    in.KeyRx = 22;
    const SimResult r = ComputeSignals(in);
    EXPECT_EQ(r.SelectedChannel, '2');
    SeedRandom(24);
    for (int i = 0; i < r.SampleCount(); ++i)
        ASSERT_EQ(r.ChipsA[i], RandomEvent(0.5) ? 0 : 1);
}

TEST(ComputeSignals, NegativeKeySeedsWithItsTwosComplement)
{
    SimInput in = Defaults();
    in.KeyA = -1;
    const SimResult r = ComputeSignals(in);
    SeedRandom(0xFFFFFFFFu);
    for (int i = 0; i < r.SampleCount(); ++i)
        ASSERT_EQ(r.ChipsA[i], RandomEvent(0.5) ? 0 : 1);
}

TEST(ComputeSignals, ResultDoesNotDependOnEarlierGeneratorUse)
{
    const SimResult first = ComputeSignals(Defaults());
    SeedRandom(987654321);
    NextRandom();
    const SimResult second = ComputeSignals(Defaults());
    EXPECT_EQ(first.ChipsA, second.ChipsA);
    EXPECT_EQ(first.NegIntegral, second.NegIntegral);
    // The run leaves the generator after the receiver's last draw.
    SeedRandom(23);
    for (int i = 0; i < 64; ++i)
        NextRandom();
    const std::uint32_t expected = RandomState();
    ComputeSignals(Defaults());
    EXPECT_EQ(RandomState(), expected);
}

TEST(ComputeSignals, RejectsUnroundableReceiverKeyBeforeDrawing)
{
    SimInput in = Defaults();
    in.KeyRx = 1e300;
    SeedRandom(5);
    EXPECT_THROW(ComputeSignals(in), EInvalidOp);
    EXPECT_EQ(RandomState(), 5u);
}

TEST(ComputeSignals, RejectsSpreadingFactorsOutsideTheArrays)
{
    for (int sf : {-1, 0, 1, 21, 1000, std::numeric_limits<int>::min()}) {
        SimInput in = Defaults();
        in.SpreadFactor = sf;
        EXPECT_THROW(ComputeSignals(in), std::invalid_argument) << sf;
    }
}
