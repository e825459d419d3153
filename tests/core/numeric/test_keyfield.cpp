// The key field's decision on every edit, as steps a front end carries out: accept, cut,
// reformat or undo, with the texts checked again from inside their own setting.
#include "core/numeric/keyfield.h"

#include <gtest/gtest.h>

#include <random>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Step = KeyFieldStep;

Step Set(std::string text, std::vector<Step> nested = {})
{
    return {Step::SetText, std::move(text), 0, std::move(nested)};
}
Step Caret(int caret)
{
    return {Step::SetCaret, {}, caret, {}};
}
Step Accept(std::string text)
{
    return {Step::Accept, std::move(text), 0, {}};
}
const Step Repaint{Step::Repaint, {}, 0, {}};
const Step Beep{Step::Beep, {}, 0, {}};

KeyFieldRules Keys(double low = -1000000, double high = 1000000, TInFormat format = itDynamic)
{
    KeyFieldRules rules;
    rules.InputFormat = format;
    rules.RangeLow = low;
    rules.RangeHigh = high;
    return rules;
}

KeyFieldRules FixPoint(double low = -1000, double high = 1000)
{
    KeyFieldRules rules = Keys(low, high, itFixPoint);
    rules.FixPointDecPlaces = 2;
    return rules;
}

void PrintTo(const Step& s, std::ostream* os)
{
    static const char* kinds[] = {"SetText", "SetCaret", "Accept", "Repaint", "Beep"};
    *os << kinds[s.kind] << "(" << s.Text << "," << s.Caret;
    for (const Step& n : s.Nested) {
        *os << " {";
        PrintTo(n, os);
        *os << "}";
    }
    *os << ")";
}

struct EditRow
{
    const char* name;
    KeyFieldRules rules;
    KeyField before; // the text and caret just after the edit, and the last text that passed
    std::vector<Step> steps;
    std::string text; // as the steps leave it
    int caret;
};

void PrintTo(const EditRow& c, std::ostream* os)
{
    *os << c.name;
}

class KeyFieldEdits : public ::testing::TestWithParam<EditRow>
{
};

TEST_P(KeyFieldEdits, DecideEveryEdit)
{
    const EditRow& row = GetParam();
    KeyField field = row.before;
    const std::vector<Step> steps = CheckKeyField(row.rules, field);
    EXPECT_EQ(steps, row.steps);
    EXPECT_EQ(field.Text, row.text);
    EXPECT_EQ(field.Caret, row.caret);
    // Whatever happened, the field shows the last text that passed.
    EXPECT_EQ(field.LastValidText, row.text);
}

KeyFieldRules Beeping(KeyFieldRules rules)
{
    rules.Beep = true;
    return rules;
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyFieldEdits,
    ::testing::Values(
        EditRow{"digitAccepted", Keys(), {"23", 2, "2"}, {Accept("23")}, "23", 2},
        // the restored text passes again and is reported; the caret goes one left
        EditRow{"badCharacterUndone", Keys(), {"2x3", 2, "23"}, {Set("23", {Accept("23")}), Caret(1), Repaint}, "23", 1},
        EditRow{"beepOnlyWhenAsked", Beeping(Keys()), {"2x3", 2, "23"},
                {Set("23", {Accept("23")}), Caret(1), Repaint, Beep}, "23", 1},
        EditRow{"aboveTheRange", Keys(0, 10), {"11", 2, "1"}, {Set("1", {Accept("1")}), Caret(1), Repaint}, "1", 1},
        EditRow{"onTheUpperBound", Keys(0, 10), {"10", 2, "1"}, {Accept("10")}, "10", 2},
        EditRow{"belowTheRange", Keys(0, 10), {"-1", 2, "1"}, {Set("1", {Accept("1")}), Caret(1), Repaint}, "1", 1},
        EditRow{"onTheLowerBound", Keys(0, 10), {"0", 1, "1"}, {Accept("0")}, "0", 1},
        EditRow{"caretNeverBelowZero", Keys(), {"x", 0, ""}, {Set("", {Accept("")}), Caret(0), Repaint}, "", 0},
        // a restored text that fails again stays: no endless restoring
        EditRow{"restoredTextFailsAgain", Keys(5, 10), {"3", 1, ""}, {Set("", {}), Caret(0), Repaint}, "", 0},
        EditRow{"spaceAfterANumber", Keys(), {"$f ", 3, "$f"}, {Set("$f", {Accept("$f")}), Caret(2), Repaint}, "$f", 2},
        // fixed point: a third decimal is cut, the caret stays where it stood (within the text)
        EditRow{"fixPointCutsTheThirdDecimal", FixPoint(), {"3.145", 5, "3.14"},
                {Set("3.14", {Set("3.14"), Caret(4), Accept("3.14")}), Caret(4), Set("3.14"), Caret(4)}, "3.14", 4},
        // deleting the point restores the text with the caret before the point
        EditRow{"fixPointDeletedPoint", FixPoint(), {"314", 1, "3.14"},
                {Set("3.14", {Set("3.14"), Caret(4), Accept("3.14")}), Caret(1), Set("3.14"), Caret(1)}, "3.14", 1},
        // a second point restores it with the caret after the point
        EditRow{"fixPointSecondPoint", FixPoint(), {"3.1.4", 4, "3.14"},
                {Set("3.14", {Set("3.14"), Caret(4), Accept("3.14")}), Caret(2), Set("3.14"), Caret(2)}, "3.14", 2},
        // a valid text is shown with exactly the decimals
        EditRow{"fixPointFormats", FixPoint(), {"12.5", 4, "12.00"},
                {Set("12.50", {Set("12.50"), Caret(5), Accept("12.50")}), Caret(4)}, "12.50", 4},
        EditRow{"fixPointOutOfRange", FixPoint(0, 10), {"12.5", 4, "1.00"},
                // the check of the formatted text undoes it, and so does the edit's own check
                {Set("12.50", {Set("12.50"), Caret(5), Set("1.00", {Set("1.00"), Caret(4), Accept("1.00")}), Caret(4), Repaint}),
                 Caret(4), Set("1.00"), Caret(3), Repaint},
                "1.00", 3}),
    [](const ::testing::TestParamInfo<EditRow>& info) { return std::string(info.param.name); });

TEST(KeyFieldEdits, FixedPointDecimalsAreTakenWithinOneToEight)
{
    struct Row
    {
        int places;
        const char* shown;
    };
    // 1 and 8 as given, and what lies beyond either end as the end itself
    const Row rows[] = {{-7, "0.1"}, {0, "0.1"}, {1, "0.1"}, {8, "0.12345678"}, {9, "0.12345678"}, {1000000000, "0.12345678"}};
    for (const Row& r : rows) {
        KeyFieldRules rules = FixPoint();
        rules.FixPointDecPlaces = r.places;
        KeyField field{"0.123456789", 11, ""};
        CheckKeyField(rules, field);
        EXPECT_EQ(field.Text, r.shown) << r.places;
    }
}

TEST(KeyFieldEdits, CaretOutsideTheTextIsTakenAtItsEnd)
{
    KeyField field{"12", 99, "1"};
    CheckKeyField(Keys(), field);
    EXPECT_EQ(field.Caret, 2);
    KeyField negative{"1x", -4, "1"};
    const auto steps = CheckKeyField(Keys(), negative);
    EXPECT_EQ(negative.Caret, 0);
    EXPECT_EQ(negative.Text, "1");
}

// Random keystrokes into each format: every decision ends with the text that last passed, and
// every text reported as accepted parses and lies in the range.
TEST(KeyFieldEdits, RandomEditsEndOnAnAcceptedText)
{
    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789.,-+eE$%& xZ\x80\xFF";
    for (TInFormat format : {itExp, itFloat, itFixPoint, itInt, itHex, itOct, itBin, itDynamic}) {
        KeyFieldRules rules = Keys(-500, 500, format);
        rules.DecPlaceSep = format == itFloat ? dsBoth : dsDot;
        KeyField field;
        for (int i = 0; i < 2000; ++i) {
            std::string text = field.Text;
            const std::size_t at = text.empty() ? 0 : random() % (text.size() + 1);
            if (random() % 4 == 0 && !text.empty())
                text.erase(at == text.size() ? at - 1 : at, 1);
            else
                text.insert(at, 1, alphabet[random() % alphabet.size()]);
            field.Text = text;
            field.Caret = int(at) + 1;
            std::vector<Step> pending = CheckKeyField(rules, field);
            ASSERT_EQ(field.Text, field.LastValidText) << "format " << int(format) << " after " << text;
            while (!pending.empty()) {
                const Step step = pending.back();
                pending.pop_back();
                pending.insert(pending.end(), step.Nested.begin(), step.Nested.end());
                if (step.kind == Step::Accept) {
                    const ParsedNumber n = ParseKeyFieldText(rules, step.Text);
                    ASSERT_TRUE(n.valid) << step.Text;
                    ASSERT_GE(n.value, rules.RangeLow);
                    ASSERT_LE(n.value, rules.RangeHigh);
                }
            }
        }
    }
}

TEST(KeyFieldValue, ReadsTheTextAsCheckingDidThenLeniently)
{
    struct Row
    {
        const char* text;
        TDecPSep separator;
        double value;
    };
    const Row rows[] = {
        {"$ff", dsDot, 255}, {"%101", dsDot, 5}, {"&17", dsDot, 15}, {"2.5e3", dsDot, 2500}, {"1E5", dsDot, 100000},
        {"", dsDot, 0},       {"1,5", dsDot, 1.5}, {"1,5", dsComma, 1.5}, {"1.", dsDot, 1}, {"1,", dsDot, 1},
        {"abc", dsDot, 0},    {"1 2", dsDot, 0},   {"-1e400", dsDot, -1.7e308},
    };
    for (const Row& r : rows) {
        KeyFieldRules rules = Keys();
        rules.DecPlaceSep = r.separator;
        EXPECT_EQ(KeyFieldValue(rules, r.text), r.value) << r.text;
    }
    KeyFieldRules system = Keys();
    system.DecPlaceSep = dsSystem;
    system.SystemSeparator = ',';
    EXPECT_TRUE(ParseKeyFieldText(system, "1,5").valid);
    EXPECT_FALSE(ParseKeyFieldText(system, "1.5").valid);
    system.SystemSeparator = '.';
    EXPECT_TRUE(ParseKeyFieldText(system, "1.5").valid);
}

} // namespace
