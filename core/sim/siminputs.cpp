#include "core/sim/siminputs.h"

#include <array>
#include <cstddef>

namespace {

// The key fields' range: far beyond any key a student types, and the receiver's as wide as a
// double reaches, so that a key too large to round reaches the model and is refused there.
constexpr double KeyRange = 1000000;
constexpr double ReceiverKeyRange = 1.7e308;

const std::array<InputRow, 6>& Rows()
{
    static const std::array<InputRow, 6> rows{{
        {"a", "text-a", "Z", 0, 255, 1, {}},
        {"b", "text-b", "W", 0, 255, 1, {}},
        {"keyA", "key-a", "23", -KeyRange, KeyRange, 0, {}},
        {"keyB", "key-b", "44", -KeyRange, KeyRange, 0, {}},
        {"keyRx", "key-rx", "23", -ReceiverKeyRange, ReceiverKeyRange, 0, {}},
        {"sf", "spread", "8", MinSpreadFactor, MaxSpreadFactor, 1, {}},
    }};
    return rows;
}

std::string Number(double value)
{
    // The ranges are whole numbers or the largest double, which reads better as written.
    if (value == ReceiverKeyRange || value == -ReceiverKeyRange)
        return value < 0 ? "-1.7e308" : "1.7e308";
    return std::to_string(static_cast<long long>(value));
}

std::string RangeText(const InputRow& row)
{
    return Number(row.low) + " to " + Number(row.high);
}

int WholeNumber(std::string_view text, bool& ok)
{
    const std::optional<std::uint64_t> value = DecimalDigits(text, 9);
    ok = value.has_value();
    return ok ? int(*value) : 0;
}

} // namespace

std::span<const InputRow> SimInputTable()
{
    return Rows();
}

const InputRow& SimInputRowOf(SimInputField field)
{
    return Rows()[static_cast<std::size_t>(field)];
}

std::optional<SimInputField> SimInputFieldNamed(std::string_view name)
{
    return FindInputField<SimInputField>(SimInputTable(), name);
}

KeyFieldRules KeyFieldRulesOf(SimInputField field)
{
    const InputRow& row = SimInputRowOf(field);
    KeyFieldRules rules;
    rules.InputFormat = itDynamic;
    rules.DecPlaceSep = dsDot;
    rules.FixPointDecPlaces = 2;
    rules.Beep = false;
    rules.RangeLow = row.low;
    rules.RangeHigh = row.high;
    return rules;
}

InputCheck CheckSimInput(SimInputField field, std::string_view text)
{
    const InputRow& row = SimInputRowOf(field);
    switch (field) {
    case SimInputField::A:
    case SimInputField::B:
        if (text.size() > 1)
            return {0, row.name + " takes at most one character"};
        return {text.empty() ? 0.0 : double(static_cast<unsigned char>(text[0])), {}};
    case SimInputField::KeyA:
    case SimInputField::KeyB:
    case SimInputField::KeyRx: {
        const KeyFieldRules rules = KeyFieldRulesOf(field);
        const ParsedNumber n = ParseKeyFieldText(rules, text);
        if (!n.valid || !row.Holds(n.value))
            return {0, row.name + " takes a number from " + RangeText(row)};
        return {KeyFieldValue(rules, text), {}};
    }
    case SimInputField::Spread: {
        bool ok = false;
        const int value = WholeNumber(text, ok);
        if (!ok || !row.Holds(value))
            return {0, row.name + " takes a whole number from " + RangeText(row)};
        return {double(value), {}};
    }
    }
    return {0, "no such input"};
}

SimFieldTexts DefaultSimFieldTexts()
{
    const auto text = [](SimInputField f) { return SimInputRowOf(f).defaultText; };
    bool ok = false;
    return {text(SimInputField::A),    text(SimInputField::B),     text(SimInputField::KeyA),
            text(SimInputField::KeyB), text(SimInputField::KeyRx), WholeNumber(text(SimInputField::Spread), ok)};
}

SimInput ReadSimInput(const SimFieldTexts& texts)
{
    SimInput in;
    in.SetTextA(texts.a);
    in.SetTextB(texts.b);
    in.KeyA = KeyFieldValue(KeyFieldRulesOf(SimInputField::KeyA), texts.keyA);
    in.KeyB = KeyFieldValue(KeyFieldRulesOf(SimInputField::KeyB), texts.keyB);
    in.KeyRx = KeyFieldValue(KeyFieldRulesOf(SimInputField::KeyRx), texts.keyRx);
    in.SpreadFactor = texts.spread;
    return in;
}

SimInput DefaultSimInput()
{
    return ReadSimInput(DefaultSimFieldTexts());
}
