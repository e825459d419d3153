#include "webshell.h"

#include "numparse.h"
#include "signalmodel.h"

#include <array>

namespace web {
namespace {

struct KeyRange
{
    double low, high;
};

// The stored ranges of NIOKeyA, NIOKeyB and NIOKeyD.
KeyRange RangeOf(KeyField field)
{
    return field == KeyField::Rx ? KeyRange{-1.7e308, 1.7e308} : KeyRange{-1000000, 1000000};
}

// Bytes outside ASCII never form part of a number; the parser is told so by one stand-in.
std::string ParserText(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8)
        out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '\x80');
    return out;
}

// Windows-1252 0x80..0x9F; the rest of the code page coincides with Latin-1.
constexpr std::array<char32_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char EncodeChar(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < High.size(); ++i)
        if (High[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

// The next code point of a UTF-8 text, U+FFFD for a malformed sequence (one byte consumed).
char32_t NextCodePoint(std::string_view s, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    int length = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
        ++i;
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
        ++i;
        return 0xFFFD;
    }
    if (i + length > s.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are malformed.
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++i;
        return 0xFFFD;
    }
    i += length;
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// TNumIO::Value: the text as validation read it, else with a decimal comma and a trailing
// point read leniently, else 0.
double KeyValue(std::string_view utf8)
{
    const std::string text = ParserText(utf8);
    const ParsedNumber first = ParseText(text, itDynamic, dsDot);
    if (first.valid)
        return first.value;
    std::string lenient = text;
    if (const std::size_t comma = lenient.find(','); comma != std::string::npos)
        lenient[comma] = '.';
    if (!lenient.empty() && lenient.back() == '.')
        lenient.push_back('0');
    const ParsedNumber second = ParseText(lenient, itDynamic, dsDot);
    return second.valid ? second.value : 0.0;
}

} // namespace

KeyCheck CheckKey(KeyField field, std::string_view text)
{
    const ParsedNumber n = ParseText(ParserText(text), itDynamic, dsDot);
    const KeyRange range = RangeOf(field);
    if (!n.valid || n.value < range.low || n.value > range.high)
        return {};
    return {true, n.value};
}

std::string TypedCharacter(std::string_view typed)
{
    if (typed.empty())
        return {};
    std::size_t i = 0;
    const char32_t first = NextCodePoint(typed, i);
    return Cp1252ToUtf8(std::string(1, EncodeChar(first)));
}

PageResult Simulate(const PageInputs& inputs)
{
    SimInput in;
    in.SetTextA(Utf8ToCp1252(inputs.a));
    in.SetTextB(Utf8ToCp1252(inputs.b));
    in.KeyA = KeyValue(inputs.keyA);
    in.KeyB = KeyValue(inputs.keyB);
    in.KeyRx = KeyValue(inputs.keyRx);
    in.SpreadFactor = inputs.spread;
    const SimResult r = ComputeSignals(in);
    return {Cp1252ToUtf8(r.RecoveredText), r.RecoveredByte, r.TransmissionOk, r.SelectedChannel};
}

std::string Utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        out.push_back(EncodeChar(NextCodePoint(utf8, i)));
    return out;
}

std::string Cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, (b >= 0x80 && b <= 0x9F) ? High[b - 0x80] : char32_t(b));
    }
    return out;
}

} // namespace web
