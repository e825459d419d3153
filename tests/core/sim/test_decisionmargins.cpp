#include "core/sim/decisionmargins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Inputs
{
    const char* name;
    std::string textA, textB;
    double keyA, keyB, keyRx;
};

// Receiver on A, on B, on neither; a zero key; a collision; an empty field; high code points.
const std::vector<Inputs> Table = {
    {"defaults", "Z", "W", 23, 44, 23},
    {"receiver on B", "Z", "W", 23, 44, 44},
    {"no channel", "Z", "W", 23, 44, 7},
    {"zero key B", "Z", "W", 23, 0, 23},
    {"collision", "Z", "W", 23, 23, 23},
    {"empty A", "", "W", 23, 44, 23},
    {"high bytes", "\xFF", "\x80", -5, 1e9, 1e9},
};

SimInput Make(const Inputs& row, int spread)
{
    SimInput in;
    in.SetTextA(row.textA);
    in.SetTextB(row.textB);
    in.KeyA = row.keyA;
    in.KeyB = row.keyB;
    in.KeyRx = row.keyRx;
    in.SpreadFactor = spread;
    return in;
}

int SentBit(std::uint8_t ch, int bit)
{
    return (ch >> bit) & 1;
}

} // namespace

TEST(DecisionMargins, PartsAddUpToTraceJAtTheEndOfEveryBitAtEveryFactor)
{
    for (const Inputs& row : Table) {
        for (int sf = MinSpreadFactor; sf <= MaxSpreadFactor; ++sf) {
            SCOPED_TRACE(std::string(row.name) + ", factor " + std::to_string(sf));
            const SimResult r = ComputeSignals(Make(row, sf));
            const BitMargins m = ComputeMargins(r);
            for (int bit = 0; bit < BitsPerChar; ++bit) {
                const std::int32_t j = r.NegIntegral[(bit + 1) * sf - 1];
                ASSERT_EQ(m.PartA[bit] + m.PartB[bit], j) << "bit " << bit + 1;
                ASSERT_EQ(m.EndValue[bit], j);
                ASSERT_EQ(m.Decision[bit], r.BitSigns[bit] > 0 ? 1 : 0);
                // One part can move the sum by at most one per chip.
                ASSERT_LE(std::abs(m.PartA[bit]), sf);
                ASSERT_LE(std::abs(m.PartB[bit]), sf);
                ASSERT_EQ((m.PartA[bit] - sf) % 2, 0) << "a part has the parity of the factor";
            }
        }
    }
}

// A receiver holding a transmitter's key despreads that transmitter to exactly +-factor: every
// chip counts once, with the sign of the sent bit.
TEST(DecisionMargins, MatchedReceiverGetsTheFullFactorFromItsTransmitter)
{
    for (int sf = MinSpreadFactor; sf <= MaxSpreadFactor; ++sf) {
        for (double rx : {23.0, 44.0}) {
            SimInput in;
            in.KeyRx = rx;
            in.SpreadFactor = sf;
            const BitMargins m = ComputeMargins(ComputeSignals(in));
            const std::uint8_t sent = rx == 23 ? in.CharA : in.CharB;
            for (int bit = 0; bit < BitsPerChar; ++bit)
                ASSERT_EQ(m.Wanted[bit], SentBit(sent, bit) ? sf : -sf) << "factor " << sf << " bit " << bit + 1;
        }
    }
}

// Equal keys give both transmitters the same chips: their parts have equal size, the same sign
// where the two characters send the same bit and opposite signs where they differ.
TEST(DecisionMargins, CollidingKeysGiveEqualParts)
{
    for (double rx : {23.0, 7.0, 44.0}) {
        for (int sf : {2, 3, 8, 13, 20}) {
            SimInput in;
            in.KeyA = 23;
            in.KeyB = 23;
            in.KeyRx = rx;
            in.SpreadFactor = sf;
            const BitMargins m = ComputeMargins(ComputeSignals(in));
            for (int bit = 0; bit < BitsPerChar; ++bit) {
                SCOPED_TRACE("receiver " + std::to_string(rx) + ", factor " + std::to_string(sf) + ", bit "
                             + std::to_string(bit + 1));
                if (SentBit(in.CharA, bit) == SentBit(in.CharB, bit))
                    EXPECT_EQ(m.PartA[bit], m.PartB[bit]);
                else
                    EXPECT_EQ(m.PartA[bit], -m.PartB[bit]);
            }
        }
    }
    // At the known collision, 'Z' and 'W' differ in bits 1, 3 and 4, which cancel to 0.
    SimInput in;
    in.KeyB = 23;
    const BitMargins m = ComputeMargins(ComputeSignals(in));
    EXPECT_EQ(m.PartA, (BitValues{-8, 8, -8, 8, 8, -8, 8, -8}));
    EXPECT_EQ(m.PartB, (BitValues{8, 8, 8, -8, 8, -8, 8, -8}));
}

// Key 0 for B against the receiver on A: the sweep pins down the factors that lose a bit. With
// the receiver matched a bit can only be lost to a tie, so the failing factors show margin 0.
TEST(SpreadSweep, ShowsWhichFactorsFailAgainstAZeroKey)
{
    SimInput in;
    in.KeyB = 0;
    std::vector<int> failing;
    for (const SweepPoint& p : SweepSpreadFactors(in)) {
        ASSERT_TRUE(p.BitErrors.has_value());
        EXPECT_EQ(p.TransmissionOk, *p.BitErrors == 0) << p.SpreadFactor;
        if (!p.TransmissionOk) {
            failing.push_back(p.SpreadFactor);
            EXPECT_EQ(p.MinMargin, 0) << p.SpreadFactor;
        }
    }
    EXPECT_EQ(failing, (std::vector<int>{2, 3, 4}));
    const std::vector<SweepPoint> sweep = SweepSpreadFactors(in);
    EXPECT_EQ(sweep[0].RecoveredByte, 0x5E);
    EXPECT_EQ(sweep[1].RecoveredByte, 0x7A);
    EXPECT_EQ(sweep[2].RecoveredByte, 0xDA);
    EXPECT_EQ(*sweep[0].BitErrors, 1);
}

TEST(SpreadSweep, IgnoresTheGivenFactorAndFailsLikeTheModelOnABadKey)
{
    SimInput in;
    in.SpreadFactor = 99; // outside the arrays, but the sweep sets its own
    EXPECT_EQ(SweepSpreadFactors(in).size(), 19u);
    in.KeyRx = 1e300;
    EXPECT_THROW(SweepSpreadFactors(in), EInvalidOp);
}

// Wanted, interference and the verdict per bit, unit by unit: the selected channel's part, the
// other's, and whether the decided bit is the one its transmitter sent. The end values are the
// known scenarios'; a bit decided on a tie (end value 0) decides 1.
TEST(DecisionMargins, WantedInterferenceAndBitOkFollowTheSelectedChannel)
{
    struct Row
    {
        const char* name;
        double keyA, keyB, keyRx;
        int spread;
        bool hasWanted;
        BitValues wanted, interference;
        std::array<bool, BitsPerChar> bitOk;
    };
    const Row rows[] = {
        {"channel 1", 23, 44, 23, 8, true, {-8, 8, -8, 8, 8, -8, 8, -8}, {-4, 2, 0, 2, 2, 0, 4, -2},
         {true, true, true, true, true, true, true, true}},
        {"channel 2", 23, 44, 44, 8, true, {8, 8, 8, -8, 8, -8, 8, -8}, {4, 2, 0, -2, 2, 0, 4, -2},
         {true, true, true, true, true, true, true, true}},
        // Key B = 0 at factor 2: bit 3 ties against a sent 0 and is lost ('Z' becomes '^').
        {"channel 1, a bit lost", 23, 0, 23, 2, true, {-2, 2, -2, 2, 2, -2, 2, -2}, {0, 0, 2, 0, -2, -2, 0, 0},
         {true, true, false, true, true, true, true, true}},
        // The mirror image on channel 2: key A = 0 costs 'W' its bit 4.
        {"channel 2, a bit lost", 0, 44, 44, 2, true, {2, 2, 2, -2, 2, -2, 2, -2}, {0, 2, 2, 2, 0, 0, -2, 0},
         {true, true, true, false, true, true, true, true}},
        {"no channel", 23, 44, 7, 8, false, {}, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimInput in;
        in.KeyA = row.keyA;
        in.KeyB = row.keyB;
        in.KeyRx = row.keyRx;
        in.SpreadFactor = row.spread;
        const SimResult r = ComputeSignals(in);
        const BitMargins m = ComputeMargins(r);
        EXPECT_EQ(m.HasWanted, row.hasWanted);
        EXPECT_EQ(m.Wanted, row.wanted);
        EXPECT_EQ(m.Interference, row.interference);
        EXPECT_EQ(m.BitOk, row.bitOk);
        const int lost = int(std::count(row.bitOk.begin(), row.bitOk.end(), false));
        EXPECT_EQ(m.BitErrors(), row.hasWanted ? lost : 0);
        if (row.hasWanted) {
            EXPECT_EQ(m.BitErrors() == 0, r.TransmissionOk);
        }
    }
}
