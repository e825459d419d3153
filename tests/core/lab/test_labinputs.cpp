// The lab's inputs table and its one check, which every shell reads the inputs through.
#include "core/lab/labinputs.h"

#include "core/lab/bercurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace lab;

TEST(LabInputs, EveryRowIsFoundByItsNameAndItsDefaultIsTaken)
{
    ASSERT_EQ(LabInputTable().size(), 11u);
    for (std::size_t i = 0; i < LabInputTable().size(); ++i) {
        const InputRow& row = LabInputTable()[i];
        EXPECT_EQ(LabInputNamed(row.name), LabInput(i)) << row.name;
        EXPECT_EQ(&LabInputRowOf(LabInput(i)), &row);
        const LabInput input = LabInput(i);
        // Lists of one value per user are empty by default: all levels 0 dB, every user aligned.
        if (input != LabInput::Power && input != LabInput::Delays && input != LabInput::MaxErrors) {
            EXPECT_TRUE(CheckLabInput(input, row.defaultText, 2).Taken()) << row.name;
        }
    }
    EXPECT_FALSE(LabInputNamed("Users"));
    EXPECT_EQ(DefaultSpread(CodeFamily::Random), 8);
    EXPECT_EQ(DefaultSpread(CodeFamily::Walsh), 8);
    EXPECT_EQ(DefaultSpread(CodeFamily::MSequence), 7);
    EXPECT_EQ(DefaultSpread(CodeFamily::Gold), 7);
}

// Each limit on both sides, and the texts a careless hand types.
TEST(LabInputs, EachInputTakesItsRangeAndNothingElse)
{
    struct Row { LabInput input; const char* text; int users; std::vector<double> values; };
    const Row rows[] = {
        {LabInput::Users, "1", 0, {1}},            {LabInput::Users, "8", 0, {8}},
        {LabInput::Users, "0", 0, {}},             {LabInput::Users, "9", 0, {}},
        {LabInput::Users, " 2", 0, {}},            {LabInput::Users, "2.0", 0, {}},
        {LabInput::Users, "", 0, {}},              {LabInput::Users, "-1", 0, {}},
        {LabInput::Codes, "gold", 0, {3}},         {LabInput::Codes, "random", 0, {0}},
        {LabInput::Codes, "Gold", 0, {}},          {LabInput::Codes, "gold ", 0, {}},
        {LabInput::Spread, "2", 0, {2}},           {LabInput::Spread, "64", 0, {64}},
        {LabInput::Spread, "1", 0, {}},            {LabInput::Spread, "65", 0, {}},
        {LabInput::Rx, "3", 3, {3}},               {LabInput::Rx, "4", 3, {}},
        {LabInput::Rx, "0", 3, {}},                {LabInput::Bits, "1", 0, {1}},
        {LabInput::Bits, "1000000000", 0, {1e9}},  {LabInput::Bits, "1000000001", 0, {}},
        {LabInput::Bits, "0", 0, {}},              {LabInput::Seed, "0", 0, {0}},
        {LabInput::Seed, "4294967295", 0, {4294967295.0}}, {LabInput::Seed, "4294967296", 0, {}},
        {LabInput::Seed, "99999999999999999999", 0, {}},  {LabInput::MaxErrors, "1", 0, {1}},
        {LabInput::MaxErrors, "0", 0, {}},         {LabInput::Async, "1", 0, {1}},
        {LabInput::Async, "2", 0, {}},             {LabInput::Power, "-100,100", 2, {-100, 100}},
        {LabInput::Power, "0,100.01", 2, {}},      {LabInput::Power, "0", 2, {}},
        {LabInput::Power, "0,0,0", 2, {}},         {LabInput::Power, "0,", 2, {}},
        {LabInput::Power, "1e1,-2.5", 2, {10, -2.5}}, {LabInput::Power, "0,nan", 2, {}},
        {LabInput::Delays, "0,63", 2, {0, 63}},    {LabInput::Delays, "0,64", 2, {}},
        {LabInput::Delays, "0,-1", 2, {}},         {LabInput::Delays, "0,1.5", 2, {}},
        {LabInput::Delays, "0,1,2", 2, {}},        {LabInput::EbN0, "-100", 0, {-100}},
        {LabInput::EbN0, "100", 0, {100}},         {LabInput::EbN0, "100.5", 0, {}},
        {LabInput::EbN0, "0:1:0.5", 0, {0, 0.5, 1}}, {LabInput::EbN0, "10:6:-2", 0, {10, 8, 6}},
        {LabInput::EbN0, "0:1:0.1", 0, {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1}},
        {LabInput::EbN0, "0:10:3", 0, {}},         {LabInput::EbN0, "0:10:0", 0, {}},
        {LabInput::EbN0, "0:10", 0, {}},           {LabInput::EbN0, "inf", 0, {}},
        {LabInput::EbN0, " 3", 0, {}},             {LabInput::EbN0, "-100:100:0.2", 0, {}},
        {LabInput::EbN0, "-99.9:99.9:0.2", 0, {}},
    };
    for (const Row& row : rows) {
        const LabInputCheck check = CheckLabInput(row.input, row.text, row.users);
        const std::string name = LabInputRowOf(row.input).name + " \"" + row.text + "\"";
        if (row.values.empty() && row.input != LabInput::EbN0) {
            EXPECT_FALSE(check.Taken()) << name;
            EXPECT_EQ(check.refusal.find('\n'), std::string::npos) << name;
            continue;
        }
        if (row.input == LabInput::EbN0 && std::string(row.text) == "-99.9:99.9:0.2") {
            ASSERT_TRUE(check.Taken()) << name << ": " << check.refusal;
            EXPECT_EQ(check.values.size(), 1000u);
            EXPECT_EQ(check.values.back(), 99.9);
            continue;
        }
        if (row.values.empty()) {
            EXPECT_FALSE(check.Taken()) << name;
            continue;
        }
        ASSERT_TRUE(check.Taken()) << name << ": " << check.refusal;
        EXPECT_EQ(check.values, row.values) << name;
    }
    // No Eb/N0 at all means no noise.
    const LabInputCheck none = CheckLabInput(LabInput::EbN0, "");
    ASSERT_EQ(none.values.size(), 1u);
    EXPECT_TRUE(std::isnan(none.values[0]));
}

// A refusal names what is taken and leaves the refused text to the shell, which quotes it.
TEST(LabInputs, RefusalsSayWhatIsTakenAndWhichPartWasNot)
{
    struct Row { LabInput input; const char* text; int users; const char* refusal; const char* refused; };
    const Row rows[] = {
        {LabInput::Users, "9", 0, "takes a whole number 1..8, not <%1%>", "9"},
        {LabInput::Rx, "3", 2, "takes a whole number 1..2, not <%1%>", "3"},
        {LabInput::Codes, "hadamard", 0, "takes random, walsh, msequence or gold, not <%1%>", "hadamard"},
        {LabInput::Power, "0,x", 2, "takes levels from -100 to 100 dB, not <%1%>", "x"},
        {LabInput::Power, "0,0,0", 2, "takes one level in dB per user, 2 in all, not <%1%>", "0,0,0"},
        {LabInput::Delays, "0", 3, "takes one delay in chips per user, 3 in all, not <%1%>", "0"},
        {LabInput::EbN0, "0:10:3", 0, "<%1%>: steps of 3 from 0 do not reach 10", "0:10:3"},
        {LabInput::EbN0, "-100:100:0.2", 0, "<%1%> makes 1001 points, more than 1000", "-100:100:0.2"},
        {LabInput::EbN0, "0.5:1:0.25e-1", 0, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        const LabInputCheck check = CheckLabInput(row.input, row.text, row.users);
        if (!row.refusal) {
            EXPECT_TRUE(check.Taken()) << check.refusal;
            continue;
        }
        EXPECT_EQ(check.refusal, row.refusal);
        EXPECT_EQ(check.refused, row.refused);
    }
}
