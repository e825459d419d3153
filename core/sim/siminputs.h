#pragma once

#include "core/numeric/inputrow.h"
#include "core/numeric/keyfield.h"
#include "core/sim/signalmodel.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The inputs of the simulation as every shell takes them: the window's fields and scroll bar,
// dscdma-sim's options, the page's controls, its address and its messages. Texts are
// Windows-1252.
enum class SimInputField { A, B, KeyA, KeyB, KeyRx, Spread };

// The six rows, in the order of SimInputField.
std::span<const InputRow> SimInputTable();
const InputRow& SimInputRowOf(SimInputField field);
// The field that the address calls `name`.
std::optional<SimInputField> SimInputFieldNamed(std::string_view name);

// The stored rules of a key field (KeyA, KeyB or KeyRx): its row's range in the format, separator
// and decimals that all three share.
KeyFieldRules KeyFieldRulesOf(SimInputField field);

// The table's check. A character field takes at most one character (the value is its code, 0 for
// none); a key field what the field itself takes under KeyFieldRulesOf; the spreading factor a
// whole number of its range, written in digits.
InputCheck CheckSimInput(SimInputField field, std::string_view text);

// The texts of the fields, as a window or a page holds them.
struct SimFieldTexts
{
    std::string a, b, keyA, keyB, keyRx;
    int spread = 0;
};

// What fresh fields hold: the table's defaults.
SimFieldTexts DefaultSimFieldTexts();

// The model's input from the fields: the characters as they stand, the keys as the key fields
// read them (0 for a text that does not parse), the spreading factor as it is, which the model
// checks.
SimInput ReadSimInput(const SimFieldTexts& texts);
// The model's input from fresh fields.
SimInput DefaultSimInput();
