#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One row of an inputs table: an input as every shell names, presets and bounds it (a window's
// field, the command line, the page's address and its messages). Plain data, so that a shell
// can hand a table on as it stands. A table comes with its own check, which reads a text into
// the row's value or refuses it in one line.
struct InputRow
{
    std::string name;        // in the page's address and messages
    std::string option;      // on the command line, without the dashes
    std::string defaultText; // what a fresh field holds
    double low = 0;          // the range, both ends taken
    double high = 0;
    double step = 0;         // values lie on low + k * step; 0: anywhere in the range
    std::vector<std::string> choices; // the words taken instead of a number; the value is the index

    // Whether `value` lies in the range and on the step.
    bool Holds(double value) const
    {
        if (!(value >= low && value <= high))
            return false;
        if (step <= 0)
            return true;
        const double k = (value - low) / step;
        return k == std::floor(k);
    }
};

// What a table's check makes of a text: the value, or a one-line refusal that names the input.
struct InputCheck
{
    double value = 0;
    std::string refusal; // empty when the text is taken

    bool Taken() const { return refusal.empty(); }
};

// The row that the address calls `name`; null when the table has none.
inline const InputRow* FindInputRow(std::span<const InputRow> table, std::string_view name)
{
    for (const InputRow& row : table)
        if (row.name == name)
            return &row;
    return nullptr;
}

// The field of a table whose rows stand in the order of the enumeration Field.
template <class Field>
std::optional<Field> FindInputField(std::span<const InputRow> table, std::string_view name)
{
    const InputRow* row = FindInputRow(table, name);
    if (!row)
        return std::nullopt;
    return static_cast<Field>(row - table.data());
}

// A whole number written in decimal digits alone, at most maxDigits of them (19 fit 64 bits).
inline std::optional<std::uint64_t> DecimalDigits(std::string_view text, std::size_t maxDigits = 19)
{
    if (text.empty() || text.size() > maxDigits || maxDigits > 19)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + std::uint64_t(c - '0');
    }
    return value;
}
