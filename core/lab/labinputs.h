#pragma once

// The lab's inputs as every shell takes them: dscdma-sim's options, the lab page's controls, its
// address and its messages. Each has a row of the inputs table and one check, which reads a text
// into values or refuses it in one line; texts are ASCII.

#include "core/lab/codefamily.h"
#include "core/numeric/inputrow.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

enum class LabInput { Users, Codes, Spread, Power, Rx, EbN0, Bits, Seed, Delays, Async, MaxErrors };

// The rows, in the order of LabInput. An empty default means none: all levels 0 dB, no noise,
// every user aligned, no limit on the errors.
std::span<const InputRow> LabInputTable();
const InputRow& LabInputRowOf(LabInput input);
// The input that the address calls `name`.
std::optional<LabInput> LabInputNamed(std::string_view name);

// What a check makes of a text: its values (one for a single value; one per user for Power and
// Delays; one per point for EbN0, NaN standing for no noise), or why not. The refusal follows
// the input's name, as in "users takes a whole number 1..8, not <%1%>"; <%1%> stands for
// `refused`, the part of the text that was refused, which the shell shows quoted.
struct LabInputCheck
{
    std::vector<double> values;
    std::string refusal;
    std::string refused;

    bool Taken() const { return refusal.empty(); }
};

// Users, Spread and Rx take a whole number of their range (Rx up to `users`); Codes a family's
// name (its value the index in the row's choices); Power and Delays one value per user,
// separated by commas (`users` of them); EbN0 a level in dB or FROM:TO:STEP whose steps land on
// TO; Bits, Seed and MaxErrors a whole number of their range; Async 0 or 1. Whole numbers are
// written in digits, levels as decimal numbers with an optional exponent, without blanks. That a
// family can serve the users at the spreading factor, and that a delay is shorter than a bit, is
// CheckLabConfig's.
LabInputCheck CheckLabInput(LabInput input, std::string_view text, int users = 0);

// The spreading factor a family starts from: 7 for m-sequences and Gold codes, which take odd
// lengths, else the table's default.
int DefaultSpread(CodeFamily family);

} // namespace lab
