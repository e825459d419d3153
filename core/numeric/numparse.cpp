#include "core/numeric/numparse.h"

#include "core/numeric/decimaltext.h"

#include <cmath>
#include <limits>

namespace {

constexpr long ExpDigitCap = 4200;

char toUpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

char toLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Power of ten of the first significant digit of a decimal text such as "-0.0012E-45", with
// the exponent already bounded by the scanner. Only its sign matters: it tells a value too large
// for the conversion from one too small.
long decimalMagnitude(std::string_view number)
{
    long magnitude = 0;
    bool seenPoint = false, significant = false;
    std::size_t i = 0;
    for (; i < number.size() && number[i] != 'E'; ++i) {
        const char c = number[i];
        if (c == '.') {
            seenPoint = true;
        } else if (isDigit(c)) {
            if (c != '0')
                significant = true;
            if (significant && !seenPoint)
                ++magnitude;
            else if (!significant && seenPoint)
                --magnitude;
        }
    }
    long exponent = 0;
    bool negative = false;
    for (++i; i < number.size(); ++i) {
        if (number[i] == '-')
            negative = true;
        else if (isDigit(number[i]))
            exponent = exponent * 10 + (number[i] - '0');
    }
    return magnitude + (negative ? -exponent : exponent);
}

// Decimal conversion in the classic notation whatever locale the process has set, correctly
// rounded to double, so that every platform computes the same value. A text beyond the range
// becomes infinity or zero with its sign, decided here rather than by the library's error
// report, which differs between standard libraries; the caller clamps.
double toDouble(const std::string& number)
{
    double v = 0.0;
    if (!ReadDecimal(number, v)) {
        std::string_view text = number;
        const bool negative = !text.empty() && text.front() == '-';
        if (!text.empty() && (text.front() == '-' || text.front() == '+'))
            text.remove_prefix(1);
        bool digits = false;
        for (char c : text) {
            if (c == 'E')
                break;
            digits = digits || isDigit(c);
        }
        if (!digits)
            return 0.0; // a mantissa without digits, such as ".E5"
        const double magnitude = decimalMagnitude(text) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    return v;
}

double clampToDouble(double v)
{
    if (v > NumClampBound)
        v = NumClampBound;
    else if (v < -NumClampBound)
        v = -NumClampBound;
    return static_cast<double>(v);
}

enum class FState { Start, Sign, Int, Point, Frac, ExpMark, ExpSign, ExpDigits, End, Error };

// What a character is to the float scanner.
enum class FClass { Sep, Space, Sign, Digit, E, Other };

FClass classifyFloatChar(std::string_view text, std::size_t i, TDecPSep sep)
{
    if (i >= text.size())
        return FClass::Other; // the end mark
    const char c = toUpperAscii(text[i]);
    if ((c == '.' && (sep == dsDot || sep == dsBoth)) || (c == ',' && (sep == dsComma || sep == dsBoth)))
        return FClass::Sep;
    if (c == ' ')
        return FClass::Space;
    if (c == '+' || c == '-')
        return FClass::Sign;
    if (isDigit(c))
        return FClass::Digit;
    if (c == 'E')
        return FClass::E;
    return FClass::Other;
}

// One step of the float scanner. `afterE` is where an 'E' leads: to the exponent where one is
// allowed, else to the end.
FState nextFloatState(FState state, FClass col, TDecPSep sep, FState afterE)
{
    switch (state) {
    case FState::Start:
        return col == FClass::Sep ? FState::Point
             : col == FClass::Space ? FState::Start
             : col == FClass::Sign ? FState::Sign
             : col == FClass::Digit ? FState::Int
             : FState::Error;
    case FState::Sign:
        return col == FClass::Sep ? FState::Point : col == FClass::Digit ? FState::Int : FState::Error;
    case FState::Int:
        return col == FClass::Sep ? FState::Point
             : col == FClass::Digit ? FState::Int
             : col == FClass::E ? afterE
             : FState::End;
    case FState::Point:
        return col == FClass::Sep ? FState::Error
             : col == FClass::Digit ? FState::Frac
             : col == FClass::E ? afterE
             : FState::End;
    case FState::Frac:
        return col == FClass::Sep ? (sep == dsBoth ? FState::End : FState::Error)
             : col == FClass::Digit ? FState::Frac
             : col == FClass::E ? afterE
             : FState::End;
    case FState::ExpMark:
        return col == FClass::Sign ? FState::ExpSign : col == FClass::Digit ? FState::ExpDigits : FState::Error;
    case FState::ExpSign:
        return col == FClass::Digit ? FState::ExpDigits : FState::Error;
    case FState::ExpDigits:
        return col == FClass::Digit ? FState::ExpDigits : FState::End;
    case FState::End:
    case FState::Error:
        break;
    }
    return FState::Error;
}

struct Scan
{
    std::size_t stop = 0; // index of the character that ended the scan; size() for the end mark
    double value = 0.0;
};

Scan scanFloat(std::string_view s, bool exponentAllowed, TDecPSep sep)
{
    const FState afterE = exponentAllowed ? FState::ExpMark : FState::End;
    FState state = FState::Start;
    std::string number;
    long expDigits = 0; // saturates above the cap
    std::size_t i = 0;
    for (;; ++i) {
        const FState next = nextFloatState(state, classifyFloatChar(s, i, sep), sep, afterE);
        if (next == FState::End || next == FState::Error) {
            state = next;
            break;
        }
        // i < s.size() here: the end mark never leads to a working state.
        const char c = toUpperAscii(s[i]);
        if (next == FState::ExpDigits && expDigits <= ExpDigitCap)
            expDigits = expDigits * 10 + (c - '0');
        // Exponent digits beyond the cap are read but dropped, so "1e5000" reads as 1E500.
        if (expDigits <= ExpDigitCap && c != ' ')
            number.push_back(c == ',' ? '.' : c);
        state = next;
    }

    Scan result;
    result.stop = i;
    if (state == FState::End) {
        if (!number.empty() && number.back() == '.')
            number.push_back('0');
        result.value = clampToDouble(toDouble(number));
    }
    return result;
}

int digitValue(char c)
{
    c = toUpperAscii(c);
    if (isDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

Scan scanInteger(std::string_view s, unsigned base)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (base == 10 && i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    } else if (base == 16 && i == 0 && !s.empty() && s[0] == '$') {
        ++i;
    }
    // Unsigned arithmetic wraps like the 32-bit register it models, without undefined behaviour.
    std::uint32_t v = 0;
    for (; i < s.size(); ++i) {
        const int d = digitValue(s[i]);
        if (d < 0 || unsigned(d) >= base)
            break;
        v = v * base + std::uint32_t(d);
    }
    if (negative)
        v = 0u - v;
    Scan result;
    result.stop = i;
    result.value = double(static_cast<std::int32_t>(v));
    return result;
}

} // namespace

ParsedNumber ParseText(std::string_view input, TInFormat format, TDecPSep separator, char systemSeparator)
{
    std::string_view trimmed = input;
    while (!trimmed.empty() && trimmed.front() == ' ')
        trimmed.remove_prefix(1);
    if (trimmed.find(' ') != std::string_view::npos)
        return {};
    std::string text(trimmed);
    for (char& c : text)
        c = toLowerAscii(c);
    if (text.empty())
        return {true, 0.0};

    if (separator == dsSystem)
        separator = systemSeparator == ',' ? dsComma : dsDot;

    if (format == itDynamic) {
        switch (text.front()) {
        case '$': format = itHex; break;
        case '%': format = itBin; break;
        case '&': format = itOct; break;
        default: format = itExp; break;
        }
    }

    Scan scan;
    switch (format) {
    case itExp: {
        const std::size_t e = text.find('e');
        const std::size_t last = text.size() - 1;
        if (e != std::string::npos && (e == last || (e + 1 == last && (text[last] == '+' || text[last] == '-'))))
            text.erase(e);
        scan = scanFloat(text, true, separator);
        break;
    }
    case itFloat:
    case itFixPoint:
        scan = scanFloat(text, false, separator);
        break;
    case itInt:
        scan = scanInteger(text, 10);
        break;
    case itHex:
    case itOct:
    case itBin: {
        const char prefix = format == itHex ? '$' : format == itOct ? '&' : '%';
        if (text.front() == prefix)
            text.erase(0, 1);
        scan = scanInteger(text, format == itHex ? 16 : format == itOct ? 8 : 2);
        break;
    }
    case itDynamic:
        break; // resolved above
    }

    if (scan.stop != text.size())
        return {};
    return {true, scan.value};
}

std::string FormatFixPoint(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    if (value == 0.0)
        value = 0.0; // no "-0.00"
    if (!std::isfinite(value))
        return {};
    return DecimalText(value, std::chars_format::fixed, decimals);
}
