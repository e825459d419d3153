#pragma once

// The spreading codes of the lab: the signal model's random chips, and the three families of
// fixed codes that real systems use. A code is a sequence of chips +1 or -1, one per chip of a
// bit; a fixed code repeats unchanged in every bit.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

enum class CodeFamily { Random, Walsh, MSequence, Gold };

const char* FamilyName(CodeFamily family); // "random", "walsh", "msequence", "gold"
std::optional<CodeFamily> ParseFamily(std::string_view name);

using Code = std::vector<int>;

// Empty when the family gives `users` distinct codes of `spread` chips; otherwise why not, as
// one line that names the factors the family can have.
std::string CheckSpread(CodeFamily family, int spread, int users);

// Row `row` of the Hadamard matrix of order `spread` (a power of two): chip n is
// (-1)^(number of ones in row AND n). Rows are mutually orthogonal.
Code WalshCode(int spread, int row);
// The maximal-length shift-register sequence of length spread = 2^n - 1 (n = 2..6), chip 0 as
// +1 and 1 as -1.
Code MSequence(int spread);
// The Gold family of a preferred pair (spread 7, 31 or 63): the m-sequence a, its decimation b,
// then a times b cyclically shifted by 0 .. spread - 1; spread + 2 codes in all.
std::vector<Code> GoldFamily(int spread);
// `code` rotated left by `shift` chips.
Code Shifted(const Code& code, int shift);

// The codes of users 1..users of a fixed family: Walsh rows 0, 1, ...; m-sequence shifts 0, 1,
// ...; Gold codes a*b shifted by 0, 1, ..., spread - 1, then a and b. Throws
// std::invalid_argument unless CheckSpread passes.
std::vector<Code> FixedCodes(CodeFamily family, int spread, int users);

// Sum over n of a[n] * b[(n + shift) mod length]; both of one length.
int PeriodicCorrelation(const Code& a, const Code& b, int shift = 0);

} // namespace lab
