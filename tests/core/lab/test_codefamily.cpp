#include "core/lab/codefamily.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace lab;

TEST(CodeFamily, NamesRoundTripAndUnknownNamesAreRefused)
{
    for (CodeFamily f : {CodeFamily::Random, CodeFamily::Walsh, CodeFamily::MSequence, CodeFamily::Gold})
        EXPECT_EQ(ParseFamily(FamilyName(f)), f);
    for (const char* name : {"", "Walsh", "gold ", "m-sequence", "hadamard"})
        EXPECT_FALSE(ParseFamily(name)) << name;
}

// Each family's factors, on both sides of every limit.
TEST(CodeFamily, SpreadingFactorsEachFamilyCanHave)
{
    struct Row { CodeFamily family; int spread; int users; bool ok; };
    const Row rows[] = {
        {CodeFamily::Random, 2, 8, true},    {CodeFamily::Random, 37, 8, true},
        {CodeFamily::Walsh, 2, 2, true},     {CodeFamily::Walsh, 2, 3, false},
        {CodeFamily::Walsh, 4, 4, true},     {CodeFamily::Walsh, 4, 5, false},
        {CodeFamily::Walsh, 8, 8, true},     {CodeFamily::Walsh, 6, 2, false},
        {CodeFamily::Walsh, 64, 1, true},    {CodeFamily::Walsh, 63, 1, false},
        {CodeFamily::MSequence, 3, 3, true}, {CodeFamily::MSequence, 3, 4, false},
        {CodeFamily::MSequence, 7, 7, true}, {CodeFamily::MSequence, 7, 8, false},
        {CodeFamily::MSequence, 15, 8, true}, {CodeFamily::MSequence, 63, 1, true},
        {CodeFamily::MSequence, 8, 1, false}, {CodeFamily::MSequence, 2, 1, false},
        {CodeFamily::MSequence, 64, 1, false}, {CodeFamily::Gold, 7, 8, true},
        {CodeFamily::Gold, 31, 3, true},     {CodeFamily::Gold, 63, 8, true},
        {CodeFamily::Gold, 15, 2, false},    {CodeFamily::Gold, 3, 1, false},
        {CodeFamily::Gold, 8, 2, false},     {CodeFamily::Gold, 7, 9, true},
        {CodeFamily::Gold, 7, 10, false},    {CodeFamily::Gold, 31, 33, true},
        {CodeFamily::Gold, 31, 34, false},
    };
    for (const Row& row : rows) {
        const std::string reason = CheckSpread(row.family, row.spread, row.users);
        EXPECT_EQ(reason.empty(), row.ok) << FamilyName(row.family) << " " << row.spread << " chips, " << row.users
                                          << " users: " << reason;
        EXPECT_EQ(reason.find('\n'), std::string::npos);
    }
    EXPECT_EQ(CheckSpread(CodeFamily::Gold, 15, 2), "gold codes take a spreading factor 7, 31 or 63, not 15");
    EXPECT_EQ(CheckSpread(CodeFamily::Gold, 7, 10), "gold codes of 7 chips number 9, too few for 10 users");
}

// Orthogonality: any two rows of one order cancel exactly, a row with itself gives N.
TEST(CodeFamily, WalshRowsAreOrthogonal)
{
    for (int spread = 2; spread <= 64; spread *= 2) {
        for (int i = 0; i < spread; ++i) {
            const Code a = WalshCode(spread, i);
            for (int j = 0; j < spread; ++j)
                ASSERT_EQ(PeriodicCorrelation(a, WalshCode(spread, j)), i == j ? spread : 0)
                    << spread << ": rows " << i << ", " << j;
        }
    }
    EXPECT_EQ(WalshCode(4, 3), (Code{1, -1, -1, 1}));
}

// The m-sequence's autocorrelation is two-valued: N unshifted, -1 at every other shift. That
// holds only for a maximal-length sequence, so a wrong tap fails here.
TEST(CodeFamily, MSequenceAutocorrelationIsTwoValued)
{
    for (int spread : {3, 7, 15, 31, 63}) {
        const Code m = MSequence(spread);
        ASSERT_EQ(int(m.size()), spread);
        for (int shift = 0; shift < spread; ++shift)
            ASSERT_EQ(PeriodicCorrelation(m, m, shift), shift == 0 ? spread : -1) << spread << " shift " << shift;
    }
    EXPECT_THROW(MSequence(8), std::invalid_argument);
}

// Gold cross-correlation takes only -1, -t and t - 2, with t = 1 + 2^((n + 1) / 2) for odd n
// and 1 + 2^((n + 2) / 2) for n = 6, between any two codes of the family at any shift.
TEST(CodeFamily, GoldCrossCorrelationIsThreeValued)
{
    struct Row { int spread; int t; };
    for (const Row row : {Row{7, 5}, Row{31, 9}, Row{63, 17}}) {
        const std::vector<Code> family = GoldFamily(row.spread);
        ASSERT_EQ(int(family.size()), row.spread + 2);
        const std::set<int> allowed = {-1, -row.t, row.t - 2};
        std::set<int> seen;
        for (std::size_t i = 0; i < family.size(); ++i)
            for (std::size_t j = i + 1; j < family.size(); ++j)
                for (int shift = 0; shift < row.spread; ++shift) {
                    const int c = PeriodicCorrelation(family[i], family[j], shift);
                    ASSERT_TRUE(allowed.count(c)) << row.spread << ": codes " << i << ", " << j << " shift " << shift
                                                  << " give " << c;
                    seen.insert(c);
                }
        EXPECT_EQ(seen, allowed) << row.spread;
    }
}

TEST(CodeFamily, UsersGetDistinctCodesOfTheirFamily)
{
    const std::vector<Code> walsh = FixedCodes(CodeFamily::Walsh, 8, 3);
    EXPECT_EQ(walsh[2], WalshCode(8, 2));
    const std::vector<Code> m = FixedCodes(CodeFamily::MSequence, 7, 7);
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(m[k], Shifted(MSequence(7), k));
    const std::vector<Code> gold = FixedCodes(CodeFamily::Gold, 31, 8);
    const std::vector<Code> family = GoldFamily(31);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(gold[k], family[2 + k]);
    // Beyond the N products, the pair itself.
    const std::vector<Code> short7 = FixedCodes(CodeFamily::Gold, 7, 9);
    const std::vector<Code> family7 = GoldFamily(7);
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(short7[k], family7[2 + k]);
    EXPECT_EQ(short7[7], family7[0]);
    EXPECT_EQ(short7[8], family7[1]);
    EXPECT_THROW(FixedCodes(CodeFamily::Gold, 7, 10), std::invalid_argument);
    for (const auto* codes : {&walsh, &m, &gold, &short7})
        EXPECT_EQ(std::set<Code>(codes->begin(), codes->end()).size(), codes->size());
    EXPECT_THROW(FixedCodes(CodeFamily::Walsh, 4, 5), std::invalid_argument);
    EXPECT_THROW(FixedCodes(CodeFamily::Random, 8, 2), std::invalid_argument);
}
