// The inputs table, its check, the conversion of the fields' texts, the spoken received
// character and the About texts.
#include "core/sim/abouttexts.h"
#include "core/sim/receivedcharacter.h"
#include "core/sim/siminputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

namespace {

// The names that the page's address, its messages and dscdma-sim's options are known by: users
// and scripts rely on them.
TEST(SimInputs, TheTableNamesEachInputAsUsersKnowIt)
{
    const std::vector<std::pair<std::string, std::string>> names{
        {"a", "text-a"}, {"b", "text-b"}, {"keyA", "key-a"}, {"keyB", "key-b"}, {"keyRx", "key-rx"}, {"sf", "spread"}};
    ASSERT_EQ(SimInputTable().size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(SimInputTable()[i].name, names[i].first);
        EXPECT_EQ(SimInputTable()[i].option, names[i].second);
        EXPECT_EQ(SimInputFieldNamed(names[i].first), static_cast<SimInputField>(i));
    }
    EXPECT_FALSE(SimInputFieldNamed("text-a"));
    EXPECT_FALSE(SimInputFieldNamed(""));
}

// Fresh fields give the model its own defaults, so that the window, the page and dscdma-sim
// start from the same picture.
TEST(SimInputs, FreshFieldsGiveTheModelsDefaults)
{
    const SimInput fresh = DefaultSimInput();
    const SimInput model;
    EXPECT_EQ(fresh.TextA, model.TextA);
    EXPECT_EQ(fresh.TextB, model.TextB);
    EXPECT_EQ(fresh.CharA, model.CharA);
    EXPECT_EQ(fresh.CharB, model.CharB);
    EXPECT_EQ(fresh.KeyA, model.KeyA);
    EXPECT_EQ(fresh.KeyB, model.KeyB);
    EXPECT_EQ(fresh.KeyRx, model.KeyRx);
    EXPECT_EQ(fresh.SpreadFactor, model.SpreadFactor);
    for (const InputRow& row : SimInputTable())
        EXPECT_TRUE(CheckSimInput(*SimInputFieldNamed(row.name), row.defaultText).Taken()) << row.name;
}

struct CheckRow
{
    SimInputField field;
    std::string text;
    bool taken;
    double value;
};

// Each limit from both sides, and each kind of text a field refuses.
TEST(SimInputs, TheCheckTakesEachRangeToItsEndsAndRefusesBeyond)
{
    using F = SimInputField;
    const CheckRow rows[] = {
        {F::A, "", true, 0},
        {F::A, "q", true, 'q'},
        {F::A, "\xFF", true, 255},
        {F::A, std::string(1, '\0'), true, 0},
        {F::B, "xy", false, 0},
        {F::KeyA, "1000000", true, 1000000},
        {F::KeyA, "1000000.01", false, 0},
        {F::KeyA, "-1000000", true, -1000000},
        {F::KeyA, "-1000001", false, 0},
        {F::KeyA, "$ff", true, 255},
        {F::KeyA, "", true, 0},
        {F::KeyA, "-", true, 0},
        {F::KeyB, "$F4241", false, 0},
        {F::KeyB, "1,5", false, 0},
        {F::KeyB, "abc", false, 0},
        {F::KeyRx, "1000001", true, 1000001},
        {F::KeyRx, "1e308", true, 1e308},
        {F::KeyRx, "1e5000", true, 1.7e308},
        {F::Spread, "1", false, 0},
        {F::Spread, "2", true, 2},
        {F::Spread, "20", true, 20},
        {F::Spread, "21", false, 0},
        {F::Spread, "08", true, 8},
        {F::Spread, "8.0", false, 0},
        {F::Spread, "+8", false, 0},
        {F::Spread, "", false, 0},
        {F::Spread, "99999999999999999999", false, 0},
    };
    for (const CheckRow& row : rows) {
        const InputCheck check = CheckSimInput(row.field, row.text);
        EXPECT_EQ(check.Taken(), row.taken) << SimInputRowOf(row.field).name << " " << row.text;
        if (row.taken) {
            EXPECT_DOUBLE_EQ(check.value, row.value) << row.text;
        } else {
            // One line that names the input.
            EXPECT_EQ(check.refusal.rfind(SimInputRowOf(row.field).name + " takes ", 0), 0u) << check.refusal;
            EXPECT_EQ(check.refusal.find('\n'), std::string::npos);
        }
    }
    EXPECT_EQ(CheckSimInput(F::Spread, "21").refusal, "sf takes a whole number from 2 to 20");
    EXPECT_EQ(CheckSimInput(F::KeyA, "x").refusal, "keyA takes a number from -1000000 to 1000000");
}

TEST(SimInputs, TheKeyFieldsRulesAreTheirRowsRange)
{
    for (const SimInputField field : {SimInputField::KeyA, SimInputField::KeyB, SimInputField::KeyRx}) {
        const KeyFieldRules rules = KeyFieldRulesOf(field);
        EXPECT_EQ(rules.RangeLow, SimInputRowOf(field).low);
        EXPECT_EQ(rules.RangeHigh, SimInputRowOf(field).high);
        EXPECT_EQ(rules.InputFormat, itDynamic);
        EXPECT_EQ(rules.DecPlaceSep, dsDot);
    }
}

// The conversion reads keys as the fields read them and leaves the rest to the model.
TEST(SimInputs, FieldTextsBecomeTheModelsInput)
{
    SimFieldTexts texts{"\xE4", "", "$10", "1.", "x", 3};
    const SimInput in = ReadSimInput(texts);
    EXPECT_EQ(in.TextA, "\xE4");
    EXPECT_EQ(in.CharA, 0xE4);
    EXPECT_EQ(in.TextB, "");
    EXPECT_EQ(in.CharB, 0);
    EXPECT_EQ(in.KeyA, 16);
    EXPECT_EQ(in.KeyB, 1);
    EXPECT_EQ(in.KeyRx, 0);
    EXPECT_EQ(in.SpreadFactor, 3);
}

TEST(InputRow, HoldsTheRangesEndsAndTheStepsValuesOnly)
{
    const InputRow row{"n", "n", "2", 2, 10, 2, {}};
    EXPECT_FALSE(row.Holds(0));
    EXPECT_TRUE(row.Holds(2));
    EXPECT_FALSE(row.Holds(3));
    EXPECT_TRUE(row.Holds(10));
    EXPECT_FALSE(row.Holds(12));
    const InputRow any{"x", "x", "0", -1, 1, 0, {}};
    EXPECT_TRUE(any.Holds(0.25));
    EXPECT_FALSE(any.Holds(1.0000001));
    EXPECT_FALSE(any.Holds(std::numeric_limits<double>::quiet_NaN()));
    const std::vector<InputRow> table{row, any};
    EXPECT_EQ(FindInputRow(table, "x"), &table[1]);
    EXPECT_EQ(FindInputRow(table, "y"), nullptr);
}

// A character a screen reader would not say, or would say as nothing, is given by its code.
TEST(ReceivedCharacter, InvisibleCharactersAreSpokenByTheirCode)
{
    const auto translate = [](const std::string& key, const std::vector<std::string>& params) {
        std::string out = "[" + key + "]";
        for (const std::string& p : params)
            out += " " + p;
        return out;
    };
    std::vector<int> byCode;
    for (int b = 0; b < 256; ++b) {
        const std::string spoken = SpokenReceivedCharacter(static_cast<unsigned char>(b), translate);
        if (SpokenByCode(static_cast<unsigned char>(b))) {
            byCode.push_back(b);
            EXPECT_EQ(spoken, "[Received Character]: [character code <%1%>] " + std::to_string(b));
        } else {
            EXPECT_EQ(spoken, "[Received Character]: " + std::string(1, char(b)));
        }
    }
    std::vector<int> expected;
    for (int b = 0; b <= 32; ++b)
        expected.push_back(b);
    for (int b : {127, 129, 141, 143, 144, 157, 160, 173})
        expected.push_back(b);
    EXPECT_EQ(byCode, expected);
}

// Exactly the controls and the five undefined codes have no printable character; each of them is
// shown by a name of its own in plain letters and digits, short enough for the label's place.
TEST(ReceivedCharacter, EveryByteWithoutAPrintableCharacterIsShownByANameOfItsOwn)
{
    std::vector<int> unprintable;
    std::vector<std::string> names;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const std::string shown = ShownReceivedCharacter(byte);
        if (HasPrintableCharacter(byte)) {
            EXPECT_EQ(shown, std::string(1, char(b)));
            continue;
        }
        unprintable.push_back(b);
        EXPECT_TRUE(SpokenByCode(byte)) << b;
        EXPECT_GE(shown.size(), 2u) << b;
        EXPECT_LE(shown.size(), 4u) << b;
        for (const char c : shown)
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#') << b;
        EXPECT_EQ(std::count(names.begin(), names.end(), shown), 0) << shown;
        names.push_back(shown);
    }
    std::vector<int> expected;
    for (int b = 0; b < 32; ++b)
        expected.push_back(b);
    for (int b : {127, 129, 141, 143, 144, 157})
        expected.push_back(b);
    EXPECT_EQ(unprintable, expected);
    const std::pair<int, const char*> named[] = {{0, "NUL"}, {7, "BEL"}, {8, "BS"}, {10, "LF"}, {27, "ESC"},
                                                 {31, "US"}, {127, "DEL"}, {129, "#129"}, {157, "#157"}};
    for (const auto& [b, name] : named)
        EXPECT_EQ(ShownReceivedCharacter(static_cast<unsigned char>(b)), name);
}

TEST(AboutTexts, OnlyTheGermanSettingInAnyLetterCaseChoosesGerman)
{
    using about::Language;
    const std::pair<const char*, Language> rows[] = {
        {"lggerman", Language::German}, {"LGGERMAN", Language::German}, {"lgGerMan", Language::German},
        {"lgenglish", Language::English}, {"lggerma", Language::English}, {"lggermann", Language::English},
        {"", Language::English}, {"lgg\xC3\xA9rman", Language::English}, {"$dlglanguage$", Language::English},
    };
    for (const auto& [setting, language] : rows)
        EXPECT_EQ(about::LanguageOfSetting(setting), language) << setting;
    EXPECT_NE(about::DescriptionText(Language::German), about::DescriptionText(Language::English));
    EXPECT_NE(about::WebSiteText(Language::German), about::WebSiteText(Language::English));
}

} // namespace
