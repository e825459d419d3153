#include "core/i18n/utf8.h"

#include "core/i18n/windows1252.h"

namespace utf8 {

char32_t Next(std::string_view s, std::size_t& at)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(at);
    int length = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
        ++at;
        return b0;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        c = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        c = b0 & 0x07;
    } else {
        ++at;
        return Replacement;
    }
    if (at + length > s.size()) {
        ++at;
        return Replacement;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char b = byte(at + k);
        if ((b & 0xC0) != 0x80) {
            ++at;
            return Replacement;
        }
        c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are malformed.
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++at;
        return Replacement;
    }
    at += length;
    return c;
}

void Append(std::string& out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = Replacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string FromWindows1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char b : bytes)
        Append(out, windows1252::ToUnicode(static_cast<unsigned char>(b)));
    return out;
}

std::string ToWindows1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        out.push_back(windows1252::FromUnicode(Next(text, i)));
    return out;
}

} // namespace utf8
