#pragma once

// Decimal numbers as text and back in the classic notation ('.' as the decimal point) whatever
// locale the process has set (the GUI toolkit adopts the user's, whose separator may be ','),
// without the streams' locale machinery, which the web module would otherwise carry for these
// few conversions alone.

#include <charconv>
#include <string>
#include <string_view>

// printf's "%.*f", "%.*e" or "%.*g" of `value`, by `format` (fixed, scientific or general).
std::string DecimalText(double value, std::chars_format format, int precision);

// The double nearest to a decimal text in strtod's notation without spaces: an optional sign,
// digits with an optional point, an optional exponent ("-12.5E-3", "+.5", "7"). False, leaving
// `value` as it was, for any other text and for one whose value lies beyond double's range
// (too large, or so small that it would be read as zero).
bool ReadDecimal(std::string_view text, double& value);
