#include "core/numeric/decimaltext.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

// Debian's emscripten has no floating-point to_chars and from_chars; its C library knows no locale
// but "C", so there its printf and strtod give the same texts and values.
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
#define DSCDMA_FLOAT_CHARCONV 1
#else
#define DSCDMA_FLOAT_CHARCONV 0
#endif

std::string DecimalText(double value, std::chars_format format, int precision)
{
    precision = std::max(precision, 0);
    // The longest fixed text: a sign, 309 integer digits, the point and the decimals.
    std::string out(std::size_t(precision) + 320, '\0');
#if DSCDMA_FLOAT_CHARCONV
    const auto [end, ec] = std::to_chars(out.data(), out.data() + out.size(), value, format, precision);
    if (ec != std::errc())
        return {};
    out.resize(std::size_t(end - out.data()));
#else
    const char* notation = format == std::chars_format::fixed ? "%.*f"
                         : format == std::chars_format::scientific ? "%.*e"
                         : "%.*g";
    const int n = std::snprintf(out.data(), out.size(), notation, precision, value);
    if (n < 0 || std::size_t(n) >= out.size())
        return {};
    out.resize(std::size_t(n));
#endif
    return out;
}

bool ReadDecimal(std::string_view text, double& value)
{
    // from_chars takes no '+'; strtod would also take spaces, "inf" and hexadecimal, which
    // the notation here does not.
    const bool signed_ = !text.empty() && (text.front() == '+' || text.front() == '-');
    const std::string_view body = signed_ ? text.substr(1) : text;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (body.empty() || body.find_first_not_of("0123456789.eE+-") != std::string_view::npos
        || !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
        return false;
#if DSCDMA_FLOAT_CHARCONV
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
#else
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size())
        return false;
    if (errno == ERANGE && (std::isinf(v) || v == 0.0))
        return false;
#endif
    value = v;
    return true;
}
