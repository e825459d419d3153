#include "webshell.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using web::KeyField;

struct KeyRow
{
    KeyField field;
    const char* text;
    bool accepted;
    double value;
};

// The fields' decisions, at both sides of each range and for each number format.
TEST(WebShell, KeyFieldsAcceptAndRefuseAsTheDesktopFields)
{
    const KeyRow rows[] = {
        {KeyField::A, "23", true, 23},
        {KeyField::A, "", true, 0},
        {KeyField::A, "-", true, 0},
        {KeyField::A, "$ff", true, 255},
        {KeyField::A, "%101", true, 5},
        {KeyField::A, "&17", true, 15},
        {KeyField::A, "2.5e3", true, 2500},
        {KeyField::A, "1e", true, 1},
        {KeyField::A, "  12", true, 12},
        {KeyField::A, "1000000", true, 1000000},
        {KeyField::A, "1000000.01", false, 0},
        {KeyField::A, "-1000000", true, -1000000},
        {KeyField::A, "-1000001", false, 0},
        {KeyField::B, "$F4240", true, 1000000},
        {KeyField::B, "$F4241", false, 0},
        {KeyField::B, "12 ", false, 0},
        {KeyField::B, "1,5", false, 0},
        {KeyField::B, "x", false, 0},
        {KeyField::B, "\xC3\xA4", false, 0},
        {KeyField::Rx, "1e308", true, 1e308},
        {KeyField::Rx, "1e5000", true, 1.7e308},
        {KeyField::Rx, "-1e400", true, -1.7e308},
        {KeyField::Rx, "1000001", true, 1000001},
    };
    for (const KeyRow& row : rows) {
        const web::KeyCheck check = web::CheckKey(row.field, row.text);
        EXPECT_EQ(check.accepted, row.accepted) << row.text;
        if (row.accepted) {
            EXPECT_DOUBLE_EQ(check.value, row.value) << row.text;
        }
    }
}

TEST(WebShell, TypedCharacterKeepsTheFirstAndMarksWhatTheCodePageCannotHold)
{
    const std::pair<const char*, const char*> rows[] = {
        {"q", "q"},
        {"qx", "q"},
        {"", ""},
        {"\xC3\xA4", "\xC3\xA4"},         // ä
        {"\xE2\x82\xAC", "\xE2\x82\xAC"}, // €, 0x80 in the code page
        {"\xC4\x81", "?"},                 // ā
        {"\xF0\x9F\x98\x80", "?"},         // an emoji, one character outside the code page
        {"\xFF", "?"},                     // not UTF-8 at all
        {"\xE2\x82", "?"},                 // cut short
        {"\xC0\xAF", "?"},                 // overlong
        {"\xED\xA0\x80", "?"},             // a surrogate half
        {"\b", "\b"},
        {std::string("\0", 1).c_str(), ""},
    };
    for (const auto& [typed, shown] : rows)
        EXPECT_EQ(web::TypedCharacter(typed), shown) << typed;
    EXPECT_EQ(web::TypedCharacter(std::string("\0x", 2)), std::string("\0", 1));
}

TEST(WebShell, EveryByteOfTheCodePageRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(web::Utf8ToCp1252(web::Cp1252ToUtf8(byte)), byte) << b;
    }
    EXPECT_EQ(web::Cp1252ToUtf8("\x80\x9F\xFF"), "\xE2\x82\xAC\xC5\xB8\xC3\xBF");
}

TEST(WebShell, SimulateGivesTheModelsAnswersFromTheFieldTexts)
{
    web::PageInputs in;
    web::PageResult r = web::Simulate(in);
    EXPECT_EQ(r.received, "Z");
    EXPECT_EQ(r.code, 0x5A);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.channel, '1');

    in.keyRx = "$2C"; // 44, read as the field reads it
    r = web::Simulate(in);
    EXPECT_EQ(r.received, "W");
    EXPECT_EQ(r.channel, '2');

    in.keyRx = "7";
    r = web::Simulate(in);
    EXPECT_EQ(r.code, 0x15);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.channel, '-');

    in = {};
    in.a = "";
    r = web::Simulate(in);
    EXPECT_FALSE(r.ok) << "an empty field never matches";

    in = {};
    in.keyB = "0";
    in.spread = 2;
    r = web::Simulate(in);
    EXPECT_EQ(r.code, 0x5E);
}

TEST(WebShell, SimulateRefusesWhatTheModelRefuses)
{
    web::PageInputs in;
    in.keyRx = "1e300";
    EXPECT_THROW(web::Simulate(in), std::runtime_error);
    in = {};
    in.spread = 21;
    EXPECT_THROW(web::Simulate(in), std::invalid_argument);
    in.spread = 1;
    EXPECT_THROW(web::Simulate(in), std::invalid_argument);
    in.spread = 20;
    EXPECT_NO_THROW(web::Simulate(in));
    in.spread = 2;
    EXPECT_NO_THROW(web::Simulate(in));
}

} // namespace
