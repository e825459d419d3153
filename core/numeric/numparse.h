#pragma once

// Number texts as the numeric input field reads them. Free of any toolkit so that the field,
// the simulator tool and the tests share one parser.

#include <cstdint>
#include <string>
#include <string_view>

// Accepted number format of a field.
enum TInFormat : std::uint8_t {
    itExp,      // decimal with optional exponent
    itFloat,    // decimal without exponent
    itFixPoint, // decimal with a fixed number of decimals, always shown
    itInt,      // signed decimal integer, wraps at 32 bits
    itHex,      // base 16, optional leading '$'
    itOct,      // base 8, optional leading '&'
    itBin,      // base 2, optional leading '%'
    itDynamic,  // '$' hex, '%' binary, '&' octal, anything else itExp
};

// Which character is the decimal separator.
enum TDecPSep : std::uint8_t {
    dsDot,    // '.' only
    dsComma,  // ',' only
    dsBoth,   // '.' or ','
    dsSystem, // the locale's separator when it is ',', else '.'
};

// Every parsed number is clamped to +-NumClampBound, which lies below the largest double.
inline constexpr double NumClampBound = 1.7E308;

struct ParsedNumber
{
    bool valid = false;
    double value = 0.0; // 0 unless valid; always within +-1.7E308
};

// Reads `text` under `format` and `separator`. `systemSeparator` is what dsSystem means on this
// machine; the caller asks its locale (the parser itself never looks at the process locale).
// Bytes outside ASCII never form part of a number.
//
//   ParseText("$ff", itDynamic, dsDot)  -> {true, 255}
//   ParseText("1 2", itDynamic, dsDot)  -> {false, 0}
ParsedNumber ParseText(std::string_view text, TInFormat format, TDecPSep separator,
                       char systemSeparator = '.');

// The text for `value` in fixed-point notation with `decimals` decimals, '.' as separator,
// '-' only for values below zero, no blanks: the form itFixPoint fields show.
std::string FormatFixPoint(double value, int decimals);
