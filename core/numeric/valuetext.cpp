#include "core/numeric/valuetext.h"

#include "core/numeric/civildatetime.h"
#include "core/numeric/decimaltext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr char Degree = '\xB0';

std::string fixed(double v, int decimals)
{
    return DecimalText(v, std::chars_format::fixed, decimals);
}

std::string rightAligned(const std::string& text, int width)
{
    return int(text.size()) >= width ? text : std::string(std::size_t(width) - text.size(), ' ') + text;
}

// To the nearest integer, halves to even; false when there is no such signed 64-bit integer.
bool roundHalfEven(double v, std::int64_t& out)
{
    if (!std::isfinite(v))
        return false;
    const double floor = std::floor(v);
    const double diff = v - floor;
    double r = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        r = floor + 1.0;
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

std::string decimalDigits(std::int64_t v, int minDigits)
{
    const bool negative = v < 0;
    // Magnitude in unsigned arithmetic so that INT64_MIN has one.
    const std::uint64_t m = negative ? 0u - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    char buffer[24];
    std::string digits(buffer, std::to_chars(buffer, buffer + sizeof buffer, m).ptr);
    if (int(digits.size()) < minDigits)
        digits.insert(0, std::size_t(minDigits) - digits.size(), '0');
    return negative ? '-' + digits : digits;
}

// The last `count` digits of `bits` in base 2^shift.
std::string lastDigits(std::uint64_t bits, int count, int shift)
{
    static const char digitChars[] = "0123456789ABCDEF";
    std::string out(std::size_t(count), '0');
    for (int i = count - 1; i >= 0; --i) {
        out[std::size_t(i)] = digitChars[bits & ((1u << shift) - 1)];
        bits >>= shift;
    }
    return out;
}

bool inUnsigned32Range(double v)
{
    return !(v > 4294967295.0 || v < -2147483648.0);
}

// Degrees with minutes (and seconds) rounded as one number, so that 1.0833333 shows 1° 5' 0"
// and not 1° 4' 60". Values too large for that fall back to the plain parts.
std::string degreesMinutes(double v, int decimals, bool withSeconds)
{
    const double mag = std::fabs(v);
    const std::int64_t scale = static_cast<std::int64_t>(std::pow(10.0, decimals));
    const std::int64_t perMinute = withSeconds ? 60 * scale : scale;
    const std::int64_t perDegree = 60 * perMinute;
    double degrees = 0, minutes = 0, seconds = 0;
    if (mag * double(perDegree) < 9.0e15) {
        const std::int64_t units = std::llround(mag * double(perDegree));
        degrees = double(units / perDegree);
        const std::int64_t rest = units % perDegree;
        if (withSeconds) {
            minutes = double(rest / perMinute);
            seconds = double(rest % perMinute) / double(scale);
        } else {
            minutes = double(rest) / double(scale);
        }
    } else {
        degrees = std::trunc(mag);
        minutes = (mag - degrees) * 60.0;
        if (withSeconds) {
            seconds = (minutes - std::trunc(minutes)) * 60.0;
            minutes = std::trunc(minutes);
        }
    }
    const std::string whole = (v < 0 ? "-" : "") + fixed(degrees, 0) + Degree + ' ';
    if (!withSeconds)
        return whole + rightAligned(fixed(minutes, decimals), decimals + 3) + '\'';
    return whole + rightAligned(fixed(minutes, 0), 2) + "' " + rightAligned(fixed(seconds, decimals), decimals + 3)
         + '"';
}

// The 32-bit notations, which show the value's last digits.
std::optional<std::string> lastDigitsOf(double v, int count, int shift)
{
    std::int64_t r = 0;
    if (!inUnsigned32Range(v) || !roundHalfEven(v, r))
        return std::nullopt;
    return lastDigits(static_cast<std::uint32_t>(r), count, shift);
}

} // namespace

std::optional<std::string> FormatValueText(double v, ValueNotation notation, int precision,
                                           std::string_view datePattern)
{
    const int p = std::clamp(precision, 0, MaxValuePrecision);
    std::int64_t r = 0;
    switch (notation) {
    case ValueNotation::Float:
        return DecimalText(v, std::chars_format::general, p);
    case ValueNotation::FixP:
        return fixed(v, p);
    case ValueNotation::Exp:
        // Precision counts significant digits, the first one before the point included.
        return DecimalText(v, std::chars_format::scientific, std::max(p, 1) - 1);
    case ValueNotation::Hex:
        return lastDigitsOf(v, std::min(p, 8), 4);
    case ValueNotation::ZeroInt:
        if (v > 2147483647.0 || v < -2147483648.0 || !roundHalfEven(v, r))
            return std::nullopt;
        return decimalDigits(r, p);
    case ValueNotation::Int:
        // Beyond 64 bits there is no rounded value to show.
        if (!roundHalfEven(v, r))
            return std::nullopt;
        return decimalDigits(r, 1);
    case ValueNotation::DateTime: {
        const std::optional<CivilDateTime> t = DecodeDateTime(v);
        if (!t)
            return std::nullopt;
        return FormatDateTime(*t, datePattern);
    }
    case ValueNotation::Bin:
        return lastDigitsOf(v, std::min(p, 32), 1);
    case ValueNotation::Oct:
        // 32 bits make at most 11 octal digits.
        return lastDigitsOf(v, std::min(p, 11), 3);
    case ValueNotation::Deg:
        return fixed(v, std::min(p, 8)) + Degree;
    case ValueNotation::DegMin:
    case ValueNotation::DegMinSec:
        return degreesMinutes(v, std::min(p, 8), notation == ValueNotation::DegMinSec);
    }
    return std::nullopt;
}
