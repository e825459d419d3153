#include "core/lab/beraccumulator.h"
#include "core/lab/bertheory.h"
#include "core/lab/labmodel.h"
#include "core/lab/labrandom.h"
#include "tests/core/lab/labconfig_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <set>
#include <string>

using namespace lab;

namespace {

LabConfig Config(int users, CodeFamily codes, int spread, std::vector<double> power = {}, int rx = 1,
                 std::uint64_t seed = 1)
{
    return Lab(users, codes, spread).Powers(std::move(power)).Decoding(rx).Seeded(seed);
}

LabConfig Delayed(LabConfig c, std::vector<int> delays)
{
    c.DelayChips = std::move(delays);
    return c;
}

std::string Describe(const LabConfig& c, std::optional<double> ebn0)
{
    std::string delays;
    for (int d : c.DelayChips)
        delays += " " + std::to_string(d);
    return std::string(FamilyName(c.Codes)) + " K=" + std::to_string(c.Users) + " N=" + std::to_string(c.Spread)
           + " rx=" + std::to_string(c.Rx) + " Eb/N0=" + (ebn0 ? std::to_string(*ebn0) : "none")
           + (delays.empty() ? "" : " delays" + delays);
}

// The same run written chip by chip, as the signal model computes it: every user's chips times
// its data and amplitude summed with the noise into one received sample per chip, multiplied by
// the receiver's chips and summed over the bit. Time runs in chips from the start of user 1's
// first bit; user k's bit j covers chips j N + d_k to (j + 1) N + d_k - 1, and the receiver's
// bit i those of its own user. It draws from the generators in the model's order: first, for
// each user already sending when the decoded bit starts, that bit's chips and then its data;
// then per decoded bit each user's chips of the bit that reaches its end, each user's data bit,
// and one noise sample per chip.
BerCount ChipByChip(const LabConfig& c, std::optional<double> ebn0, std::uint64_t bits)
{
    struct SentBit { long index = -2; int data = 0; Code chips; };
    const int n = c.Spread;
    LabRandom random(c.Seed);
    const std::vector<double> a = Amplitudes(c);
    const double sigma = ebn0 ? NoiseSigma(c, *ebn0) : 0;
    const std::vector<int> d = c.DelayChips.empty() ? std::vector<int>(c.Users, 0) : c.DelayChips;
    const int rx = c.Rx - 1;
    std::vector<LcgChips> generators;
    for (int k = 1; k <= c.Users; ++k)
        generators.emplace_back(UserKey(c.Seed, k));
    const std::vector<Code> fixed = c.Codes == CodeFamily::Random ? std::vector<Code>() : FixedCodes(c.Codes, n, c.Users);
    // The last two bits of each user, bit j in slot j mod 2.
    std::vector<std::array<SentBit, 2>> sent(c.Users);
    const auto slot = [](long j) { return std::size_t(j & 1); };
    const auto send = [&](int k, long j) {
        SentBit& bit = sent[k][slot(j)];
        bit.index = j;
        bit.chips.resize(n);
        for (int m = 0; m < n; ++m)
            bit.chips[m] = fixed.empty() ? generators[k].NextChip() : fixed[k][m];
        return &bit;
    };
    // Users that start before the decoded one send their bit i + 1 while it sends bit i.
    std::vector<long> ahead(c.Users);
    std::vector<SentBit*> first;
    for (int k = 0; k < c.Users; ++k) {
        ahead[k] = d[k] < d[rx] ? 1 : 0;
        first.push_back(d[k] != d[rx] ? send(k, ahead[k] - 1) : nullptr);
    }
    for (SentBit* bit : first)
        if (bit)
            bit->data = random.NextSign();
    BerCount count{bits, 0};
    std::vector<SentBit*> latest(c.Users);
    for (std::uint64_t i = 0; i < bits; ++i) {
        for (int k = 0; k < c.Users; ++k)
            latest[k] = send(k, long(i) + ahead[k]);
        for (int k = 0; k < c.Users; ++k)
            latest[k]->data = random.NextSign();
        const Code& own = latest[rx]->chips;
        double signal = 0;
        double noise = 0;
        for (int m = 0; m < n; ++m) {
            const long t = long(i) * n + d[rx] + m;
            double sample = 0;
            for (int k = 0; k < c.Users; ++k) {
                const long since = t - d[k];
                const long j = since >= 0 ? since / n : -1;
                const SentBit& bit = sent[k][slot(j)];
                if (bit.index != j) {
                    ADD_FAILURE() << "user " << k + 1 << " has not sent bit " << j;
                    return {};
                }
                sample += a[k] * bit.data * bit.chips[since - j * n];
            }
            signal += own[m] * sample;
            if (sigma > 0)
                noise += own[m] * random.NextGaussian();
        }
        const bool decided = signal + sigma * noise >= 0;
        if (decided != (latest[rx]->data > 0))
            ++count.Errors;
    }
    return count;
}

} // namespace

TEST(LabModel, CountsTheSameErrorsAsAChipByChipReceiver)
{
    struct Row { LabConfig config; std::optional<double> ebn0; };
    const Row rows[] = {
        {Config(2, CodeFamily::Random, 8), std::nullopt},
        {Config(3, CodeFamily::Random, 5, {}, 2), std::nullopt},
        {Config(4, CodeFamily::Random, 16), 4.0},
        {Config(8, CodeFamily::Random, 64, {0, 3, -3, 6, 0, 0, 1, 2}, 8, 5), 2.0},
        {Config(2, CodeFamily::Random, 2, {0, 6}), std::nullopt},
        {Config(1, CodeFamily::Random, 63), -2.0},
        {Config(4, CodeFamily::Walsh, 4, {0, 10, 20, -5}, 3), 3.0},
        {Config(3, CodeFamily::MSequence, 7, {0, 2, 4}), std::nullopt},
        {Config(5, CodeFamily::MSequence, 15, {}, 4), 1.0},
        {Config(3, CodeFamily::Gold, 7), std::nullopt},
        {Config(8, CodeFamily::Gold, 63, {}, 6), 0.0},
        // Users whose bits start whole chips apart, before and after the decoded one's, at both
        // ends of the range and with a word of 64 chips.
        {Delayed(Config(3, CodeFamily::Random, 8, {}, 2), {0, 3, 7}), std::nullopt},
        {Delayed(Config(4, CodeFamily::Random, 16, {0, 4, -2, 3}, 3), {0, 15, 9, 1}), 2.0},
        {Delayed(Config(2, CodeFamily::Random, 64, {}, 2), {0, 63}), 1.0},
        {Delayed(Config(4, CodeFamily::Walsh, 8, {0, 10, 0, 0}), {0, 1, 4, 7}), std::nullopt},
        {Delayed(Config(3, CodeFamily::MSequence, 7, {}, 3), {0, 2, 5}), 3.0},
        {Delayed(Config(8, CodeFamily::Gold, 7, {3, 0, 0, 0, 0, 0, 0, 6}, 4), {0, 1, 2, 3, 4, 5, 6, 6}), 1.0},
        {Delayed(Config(5, CodeFamily::Gold, 31, {}, 1), {0, 30, 0, 11, 17}), std::nullopt},
        {Delayed(Config(2, CodeFamily::Walsh, 64, {}, 1), {0, 32}), -3.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Describe(row.config, row.ebn0));
        const BerCount fast = SimulateBer(row.config, row.ebn0, 5000);
        const BerCount slow = ChipByChip(row.config, row.ebn0, 5000);
        EXPECT_EQ(fast.Bits, 5000u);
        EXPECT_EQ(fast.Errors, slow.Errors);
    }
}

namespace {

// The codes a family can give: every Walsh row, every shift of the m-sequence, every member of
// the Gold family; empty for random codes, which change from bit to bit.
std::set<Code> CodesOfTheFamily(CodeFamily family, int spread)
{
    std::set<Code> out;
    if (family == CodeFamily::Walsh)
        for (int row = 0; row < spread; ++row)
            out.insert(WalshCode(spread, row));
    if (family == CodeFamily::MSequence)
        for (int shift = 0; shift < spread; ++shift)
            out.insert(Shifted(MSequence(spread), shift));
    if (family == CodeFamily::Gold)
        for (const Code& code : GoldFamily(spread))
            out.insert(code);
    return out;
}

} // namespace

// Every family at every length it accepts, 1 to 8 users, every decoded user, without noise:
// each user holds a code of its own from its family, and the count is the chip-by-chip
// receiver's. Run under the sanitizers too, and always with the library's bounds checks.
TEST(LabModel, EveryAcceptedSetUpGivesEachUserACodeOfItsOwn)
{
    int accepted = 0;
    for (CodeFamily family : {CodeFamily::Random, CodeFamily::Walsh, CodeFamily::MSequence, CodeFamily::Gold}) {
        for (int spread = MinSpread; spread <= MaxSpread; ++spread) {
            if (!CheckSpread(family, spread, 1).empty())
                continue;
            const std::set<Code> members = CodesOfTheFamily(family, spread);
            for (int users = MinUsers; users <= MaxUsers; ++users) {
                if (!CheckSpread(family, spread, users).empty())
                    continue;
                SCOPED_TRACE(std::string(FamilyName(family)) + " N=" + std::to_string(spread) + " K="
                             + std::to_string(users));
                if (family != CodeFamily::Random) {
                    const std::vector<Code> codes = FixedCodes(family, spread, users);
                    ASSERT_EQ(int(codes.size()), users);
                    for (const Code& code : codes)
                        ASSERT_TRUE(members.count(code)) << "not a code of the family";
                    ASSERT_EQ(std::set<Code>(codes.begin(), codes.end()).size(), codes.size()) << "two users share";
                }
                for (int rx = 1; rx <= users; ++rx) {
                    const LabConfig c = Config(users, family, spread, {}, rx, std::uint64_t(spread * 8 + users));
                    ASSERT_EQ(CheckLabConfig(c), "");
                    const BerCount count = SimulateBer(c, std::nullopt, 300);
                    ASSERT_EQ(count.Bits, 300u);
                    // Random codes are compared for the last user only, which keeps the time
                    // under the sanitizers short; every receiver still runs.
                    if (family != CodeFamily::Random || rx == users) {
                        ASSERT_EQ(count.Errors, ChipByChip(c, std::nullopt, 300).Errors) << "rx " << rx;
                    }
                    ++accepted;
                }
            }
        }
    }
    // Random codes at every length; Walsh, m-sequences and Gold codes at theirs.
    EXPECT_GT(accepted, 63 * 36);
}

// A user the family cannot serve would be missing from the sum: the last of eight users, far
// stronger than the decoded one, decides about half of its bits wherever their codes correlate
// (random codes do in most bits), and none where they are orthogonal.
TEST(LabModel, TheLastOfEightUsersReachesTheReceiver)
{
    struct Row { CodeFamily family; int spread; };
    for (const Row row : {Row{CodeFamily::Gold, 7}, Row{CodeFamily::Gold, 31}, Row{CodeFamily::MSequence, 15},
                          Row{CodeFamily::Walsh, 8}, Row{CodeFamily::Random, 8}}) {
        const LabConfig c = Config(8, row.family, row.spread, {0, 0, 0, 0, 0, 0, 0, 40}, 1);
        SCOPED_TRACE(Describe(c, std::nullopt));
        ASSERT_EQ(CheckLabConfig(c), "");
        int correlation = 1;
        if (row.family != CodeFamily::Random) {
            const std::vector<Code> codes = FixedCodes(row.family, row.spread, 8);
            ASSERT_EQ(codes.size(), 8u);
            ASSERT_EQ(int(codes[7].size()), row.spread);
            correlation = 0;
            for (int n = 0; n < row.spread; ++n)
                correlation += codes[0][n] * codes[7][n];
        }
        const BerCount count = SimulateBer(c, std::nullopt, 4000);
        if (correlation == 0)
            EXPECT_EQ(count.Errors, 0u);
        else
            EXPECT_GT(count.Errors, 1000u);
    }
}

// Orthogonality at work: without noise no Walsh user ever loses a bit, whatever the data and
// however strong the others are.
TEST(LabModel, WalshCodesWithoutNoiseLoseNoBitAtAnyPowers)
{
    const std::vector<std::vector<double>> powers = {
        {}, {0, 40, -40, 20, 60, -60, 10, 0}, {100, -100, 100, -100, 100, -100, 100, -100}};
    for (int spread : {8, 16, 64}) {
        for (const std::vector<double>& power : powers) {
            for (int rx : {1, 2, 8}) {
                LabConfig c = Config(8, CodeFamily::Walsh, spread, power.empty() ? std::vector<double>{} : power, rx, 11);
                SCOPED_TRACE(Describe(c, std::nullopt));
                EXPECT_EQ(SimulateBer(c, std::nullopt, 20000).Errors, 0u);
            }
        }
    }
}

// The near-far problem: a second user 20 dB stronger. Walsh codes keep the weak user at the
// single-user rate; random codes let the strong user's leakage decide most bits.
TEST(LabModel, NearFarLeavesWalshAtTheSingleUserRateAndBreaksRandomCodes)
{
    constexpr std::uint64_t Bits = 100000;
    const double ebn0 = 4;
    const double single = QFunction(std::sqrt(2 * std::pow(10.0, ebn0 / 10)));
    const double sigma = std::sqrt(single * (1 - single) / Bits);

    const BerCount walsh = SimulateBer(Config(2, CodeFamily::Walsh, 16, {0, 20}), ebn0, Bits);
    EXPECT_NEAR(double(walsh.Errors) / Bits, single, 4 * sigma);

    const BerCount random = SimulateBer(Config(2, CodeFamily::Random, 16, {0, 20}), ebn0, Bits);
    EXPECT_GT(double(random.Errors) / Bits, 0.3) << "the strong user should dominate";
    // The strong user itself hears the weak one only as a little extra noise.
    const BerCount strong = SimulateBer(Config(2, CodeFamily::Random, 16, {0, 20}, 2), 20.0, Bits);
    EXPECT_EQ(strong.Errors, 0u);
}

TEST(LabModel, GoldThirtyOneServesThreeUsersWithoutLoss)
{
    for (int rx = 1; rx <= 3; ++rx)
        EXPECT_EQ(SimulateBer(Config(3, CodeFamily::Gold, 31, {}, rx, 3), std::nullopt, 50000).Errors, 0u) << rx;
    // m-sequence shifts cross-correlate to -1 only: up to N users get through without noise.
    EXPECT_EQ(SimulateBer(Config(7, CodeFamily::MSequence, 7, {}, 7), std::nullopt, 50000).Errors, 0u);
}

// The measured rate of random codes against the exact formula, within 4 standard deviations,
// with and without noise; without noise ties decide 1 and count half.
TEST(LabModel, MeasuredRatesAgreeWithTheExactFormula)
{
    struct Row { int users; int spread; std::optional<double> ebn0; std::uint64_t bits; std::uint64_t seed; };
    const Row rows[] = {
        {1, 8, 0.0, 100000, 1},      {1, 16, 6.0, 200000, 77},    {2, 8, 8.0, 200000, 1},
        {2, 8, 2.0, 100000, 77},     {3, 16, 3.0, 100000, 1},     {4, 16, 4.0, 100000, 77},
        {4, 8, 10.0, 100000, 1},     {8, 32, 5.0, 40000, 77},     {5, 64, -2.0, 30000, 1},
        {2, 2, std::nullopt, 100000, 77}, {3, 4, std::nullopt, 100000, 1}, {6, 9, std::nullopt, 100000, 77},
        {8, 64, std::nullopt, 30000, 1},
    };
    for (const Row& row : rows) {
        const LabConfig c = Config(row.users, CodeFamily::Random, row.spread, {}, 1, row.seed);
        SCOPED_TRACE(Describe(c, row.ebn0) + " seed " + std::to_string(row.seed));
        const double exact = ExactBer(row.users, row.spread, row.ebn0);
        const double sigma = std::sqrt(exact * (1 - exact) / row.bits);
        const BerCount measured = SimulateBer(c, row.ebn0, row.bits);
        EXPECT_NEAR(double(measured.Errors) / row.bits, exact, 4 * sigma);
    }
}

// Noise scales with the decoded user's own energy, so its rate alone does not change when all
// powers move together or when only the others' do (for orthogonal codes).
TEST(LabModel, EbN0IsRelativeToTheDecodedUser)
{
    const LabConfig base = Config(2, CodeFamily::Walsh, 8);
    EXPECT_DOUBLE_EQ(NoiseSigma(base, 0), 2.0);                                 // sqrt(8 / 2)
    EXPECT_DOUBLE_EQ(NoiseSigma(Config(2, CodeFamily::Walsh, 8, {20, 0}), 0), 20.0); // A = 10
    EXPECT_DOUBLE_EQ(NoiseSigma(Config(2, CodeFamily::Walsh, 8, {20, 0}, 2), 0), 2.0);
    EXPECT_DOUBLE_EQ(NoiseSigma(base, 10), std::sqrt(0.4));
    const BerCount plain = SimulateBer(base, 3.0, 50000);
    EXPECT_EQ(SimulateBer(Config(2, CodeFamily::Walsh, 8, {20, 20}), 3.0, 50000).Errors, plain.Errors);
    EXPECT_EQ(SimulateBer(Config(2, CodeFamily::Walsh, 8, {0, -30}), 3.0, 50000).Errors, plain.Errors);
}

TEST(LabModel, ASeedGivesOneRunAndOtherSeedsOthers)
{
    const LabConfig c = Config(3, CodeFamily::Random, 8);
    const BerCount first = SimulateBer(c, 2.0, 30000);
    EXPECT_EQ(SimulateBer(c, 2.0, 30000).Errors, first.Errors);
    std::set<std::uint64_t> counts;
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        LabConfig s = c;
        s.Seed = seed;
        counts.insert(SimulateBer(s, 2.0, 30000).Errors);
    }
    EXPECT_GE(counts.size(), 4u);
    std::set<std::uint32_t> keys;
    for (int user = 1; user <= MaxUsers; ++user)
        keys.insert(UserKey(1, user));
    EXPECT_EQ(keys.size(), std::size_t(MaxUsers));
    EXPECT_NE(UserKey(1, 1), UserKey(2, 1));
}

// Delays that keep every user where the decoded one is change nothing; delays drawn from the
// seed stay in range, and user k's does not depend on how many users there are.
TEST(LabModel, DelaysAreRelativeToTheDecodedUser)
{
    const LabConfig plain = Config(3, CodeFamily::Gold, 7, {0, 3, 3}, 2);
    const BerCount aligned = SimulateBer(plain, 2.0, 20000);
    EXPECT_EQ(SimulateBer(Delayed(plain, {0, 0, 0}), 2.0, 20000).Errors, aligned.Errors);
    EXPECT_FALSE(Unaligned(Delayed(plain, {0, 0, 0})));
    EXPECT_TRUE(Unaligned(Delayed(plain, {0, 0, 1})));

    std::set<int> seen;
    for (int spread : {2, 7, 64}) {
        for (std::uint64_t seed : {1u, 2u, 3u, 4u}) {
            const std::vector<int> eight = DrawDelays(seed, 8, spread);
            ASSERT_EQ(eight.size(), 8u);
            EXPECT_EQ(eight[0], 0);
            for (int d : eight) {
                EXPECT_GE(d, 0);
                EXPECT_LT(d, spread);
                seen.insert(d);
            }
            const std::vector<int> three = DrawDelays(seed, 3, spread);
            EXPECT_EQ(three, std::vector<int>(eight.begin(), eight.begin() + 3));
            LabConfig c = Config(8, CodeFamily::Random, spread);
            c.DelayChips = eight;
            EXPECT_EQ(CheckLabConfig(c), "");
        }
    }
    EXPECT_GT(seen.size(), 20u) << "delays spread over the range";
    EXPECT_NE(DrawDelays(1, 8, 64), DrawDelays(2, 8, 64));
}

// Every limit on both sides.
TEST(LabModel, RefusesWhatItCannotRun)
{
    struct Row { LabConfig config; bool ok; };
    const Row rows[] = {
        {Config(1, CodeFamily::Random, 2), true},          {Config(0, CodeFamily::Random, 8), false},
        {Config(8, CodeFamily::Random, 8), true},          {Config(9, CodeFamily::Random, 8), false},
        {Config(2, CodeFamily::Random, 1), false},         {Config(2, CodeFamily::Random, 64), true},
        {Config(2, CodeFamily::Random, 65), false},        {Config(2, CodeFamily::Walsh, 12), false},
        {Config(2, CodeFamily::Random, 8, {0, 0}), true},  {Config(2, CodeFamily::Random, 8, {0}), false},
        {Config(2, CodeFamily::Random, 8, {0, 0, 0}), false},
        {Config(2, CodeFamily::Random, 8, {-100, 100}), true},
        {Config(2, CodeFamily::Random, 8, {0, 100.01}), false},
        {Config(2, CodeFamily::Random, 8, {-100.01, 0}), false},
        {Config(2, CodeFamily::Random, 8, {0, NAN}), false},
        {Config(2, CodeFamily::Random, 8, {}, 2), true},   {Config(2, CodeFamily::Random, 8, {}, 3), false},
        {Config(2, CodeFamily::Random, 8, {}, 0), false},
        {Delayed(Config(3, CodeFamily::Random, 8), {0, 7, 0}), true},
        {Delayed(Config(3, CodeFamily::Random, 8), {0, 8, 0}), false},
        {Delayed(Config(3, CodeFamily::Random, 8), {0, -1, 0}), false},
        {Delayed(Config(3, CodeFamily::Random, 8), {0, 1}), false},
        {Delayed(Config(3, CodeFamily::Random, 8), {0, 1, 2, 3}), false},
        {Delayed(Config(3, CodeFamily::Random, 8), {1, 0, 0}), false},
        {Delayed(Config(3, CodeFamily::Gold, 7), {0, 6, 6}), true},
        {Delayed(Config(3, CodeFamily::Gold, 7), {0, 7, 6}), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Describe(row.config, std::nullopt));
        const std::string reason = CheckLabConfig(row.config);
        EXPECT_EQ(reason.empty(), row.ok) << reason;
        if (row.ok)
            EXPECT_NO_THROW(SimulateBer(row.config, 0.0, 10));
        else
            EXPECT_THROW(SimulateBer(row.config, 0.0, 10), std::invalid_argument);
    }
    const LabConfig c = Config(2, CodeFamily::Random, 8);
    EXPECT_THROW(SimulateBer(c, std::nullopt, 0), std::invalid_argument);
    EXPECT_EQ(SimulateBer(c, std::nullopt, 1).Bits, 1u);
    EXPECT_THROW(SimulateBer(c, std::nullopt, MaxBits + 1), std::invalid_argument);
    EXPECT_NO_THROW(SimulateBer(c, -100.0, 1));
    EXPECT_NO_THROW(SimulateBer(c, 100.0, 1));
    EXPECT_THROW(SimulateBer(c, -100.5, 1), std::invalid_argument);
    EXPECT_THROW(SimulateBer(c, 100.5, 1), std::invalid_argument);
    EXPECT_THROW(SimulateBer(c, NAN, 1), std::invalid_argument);
}
