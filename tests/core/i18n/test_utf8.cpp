// UTF-8 and its conversion to and from Windows-1252.
#include "core/i18n/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every code point read from a text, with where each read ended.
std::vector<std::pair<char32_t, std::size_t>> Read(std::string_view text)
{
    std::vector<std::pair<char32_t, std::size_t>> out;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = utf8::Next(text, at);
        out.emplace_back(c, at);
    }
    return out;
}

using Reads = std::vector<std::pair<char32_t, std::size_t>>;

// Each form at the edge of what it may hold, and one step beyond.
TEST(Utf8, EachLengthIsReadUpToItsLimitsAndNotBeyond)
{
    const struct
    {
        const char* name;
        std::string text;
        Reads reads;
    } rows[] = {
        {"one byte, highest", "\x7F", {{0x7F, 1}}},
        {"two bytes, lowest", "\xC2\x80", {{0x80, 2}}},
        {"two bytes, overlong", "\xC1\xBF", {{0xFFFD, 1}, {0xFFFD, 2}}},
        {"two bytes, highest", "\xDF\xBF", {{0x7FF, 2}}},
        {"three bytes, lowest", "\xE0\xA0\x80", {{0x800, 3}}},
        {"three bytes, overlong", "\xE0\x9F\xBF", {{0xFFFD, 1}, {0xFFFD, 2}, {0xFFFD, 3}}},
        {"before the surrogates", "\xED\x9F\xBF", {{0xD7FF, 3}}},
        {"a surrogate", "\xED\xA0\x80", {{0xFFFD, 1}, {0xFFFD, 2}, {0xFFFD, 3}}},
        {"after the surrogates", "\xEE\x80\x80", {{0xE000, 3}}},
        {"four bytes, lowest", "\xF0\x90\x80\x80", {{0x10000, 4}}},
        {"four bytes, overlong", "\xF0\x8F\xBF\xBF", {{0xFFFD, 1}, {0xFFFD, 2}, {0xFFFD, 3}, {0xFFFD, 4}}},
        {"four bytes, highest", "\xF4\x8F\xBF\xBF", {{0x10FFFF, 4}}},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", {{0xFFFD, 1}, {0xFFFD, 2}, {0xFFFD, 3}, {0xFFFD, 4}}},
        {"cut short at the end", "a\xE2\x82", {{'a', 1}, {0xFFFD, 2}, {0xFFFD, 3}}},
        {"a continuation missing", "\xE2\x28\xA1", {{0xFFFD, 1}, {'(', 2}, {0xFFFD, 3}}},
        {"a byte never used", "\xFF", {{0xFFFD, 1}}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Read(row.text), row.reads) << row.name;
}

TEST(Utf8, AppendWritesEachLengthAndReplacesWhatIsNoCharacter)
{
    const std::pair<char32_t, std::string> rows[] = {
        {0x41, "A"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0x110000, "\xEF\xBF\xBD"},
        {0xD800, "\xEF\xBF\xBD"},
        {0xDFFF, "\xEF\xBF\xBD"},
    };
    for (const auto& [c, encoded] : rows) {
        std::string out;
        utf8::Append(out, c);
        EXPECT_EQ(out, encoded) << std::hex << int(c);
        std::size_t at = 0;
        if (encoded != "\xEF\xBF\xBD") {
            EXPECT_EQ(utf8::Next(out, at), c);
        }
    }
}

TEST(Utf8, EveryByteOfTheCodePageRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(utf8::ToWindows1252(utf8::FromWindows1252(byte)), byte) << b;
    }
    EXPECT_EQ(utf8::FromWindows1252("\x80\x9F\xFF"), "\xE2\x82\xAC\xC5\xB8\xC3\xBF");
}

// Each character outside the code page, and each malformed byte, becomes one '?'.
TEST(Utf8, WhatTheCodePageCannotHoldBecomesOneQuestionMarkEach)
{
    EXPECT_EQ(utf8::ToWindows1252("\xC3\xA4\xE2\x82\xAC"), "\xE4\x80");
    EXPECT_EQ(utf8::ToWindows1252("\xC4\x81x"), "?x");
    EXPECT_EQ(utf8::ToWindows1252("\xF0\x9F\x98\x80"), "?");
    EXPECT_EQ(utf8::ToWindows1252("\xE2\x82"), "??");
    EXPECT_EQ(utf8::ToWindows1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
