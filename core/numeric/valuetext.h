#pragma once

// The text of a read-only number as a label shows it: in one of several notations, as degrees,
// or as a date and time. Windows-1252 bytes ('\xB0' is the degree sign), '.' as the decimal
// point, no locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class ValueNotation : std::uint8_t {
    Float,     // %g with `precision` significant digits
    FixP,      // `precision` decimals
    Exp,       // `precision` significant digits, 'e', a sign and at least two exponent digits
    Hex,       // the last `precision` (at most 8) digits of the 32-bit value
    ZeroInt,   // a 32-bit integer with at least `precision` digits
    Int,       // a 64-bit integer
    DateTime,  // days since 1899-12-30 by a pattern (civildatetime.h)
    Bin,       // the last `precision` (at most 32) binary digits of the 32-bit value
    Oct,       // the last `precision` (at most 11) octal digits of the 32-bit value
    Deg,       // degrees with `precision` (at most 8) decimals
    DegMin,    // whole degrees and minutes with `precision` (at most 8) decimals
    DegMinSec, // whole degrees, whole minutes and seconds with `precision` (at most 8) decimals
};

// The highest precision a label keeps; FormatValueText takes any and clamps it to 0..this.
inline constexpr int MaxValuePrecision = 15;

// The text of `value`, or nothing where the notation has none for it: integers are rounded half
// to even and must fit (Hex, Bin and Oct take -2^31 to 2^32 - 1 as 32 bits), a date must lie in
// the years 1 to 9999. `datePattern` is read for DateTime only.
std::optional<std::string> FormatValueText(double value, ValueNotation notation, int precision,
                                           std::string_view datePattern = {});
