// The JSON that the WebAssembly module hands the page: what JSON.parse reads back as written.
#include "web/jsonwriter.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

TEST(JsonWriter, SeparatesValuesAndNamesInNestedObjectsAndArrays)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("code").Value(87);
    json.Key("ok").Value(true);
    json.Key("none").BeginArray().EndArray();
    json.Key("pairs").BeginArray();
    json.BeginArray().Value(785).Value(137).EndArray();
    json.BeginArray().Value(-1).Value(0).EndArray();
    json.EndArray();
    json.Key("empty").BeginObject().EndObject();
    json.Key("last").Value(false);
    json.EndObject();
    EXPECT_EQ(json.Text(), R"({"code":87,"ok":true,"none":[],"pairs":[[785,137],[-1,0]],"empty":{},"last":false})");

    json.Clear();
    json.Value(2.5);
    EXPECT_EQ(json.Text(), "2.5") << "a cleared writer starts a new text";
}

TEST(JsonWriter, EscapesWhatAStringCannotHoldAndKeepsTheRestOfUtf8)
{
    struct Row
    {
        std::string text;
        std::string json;
    };
    const Row rows[] = {
        {"Z", R"("Z")"},
        {"say \"hi\"", R"("say \"hi\"")"},
        {"back\\slash", R"("back\\slash")"},
        {std::string("\0", 1), R"("\u0000")"},
        {"\b\x1b\n\x1f", R"("\u0008\u001b\u000a\u001f")"},
        {" \x7f", "\" \x7f\""},
        {"\xE2\x82\xAC \xC3\xA4", "\"\xE2\x82\xAC \xC3\xA4\""}, // the euro sign and a-umlaut as they are
        {"", R"("")"},
    };
    for (const Row& row : rows) {
        JsonWriter json;
        json.Value(row.text);
        EXPECT_EQ(json.Text(), row.json) << row.json;
    }
    JsonWriter key;
    key.BeginObject().Key("a\"b").Value("c").EndObject();
    EXPECT_EQ(key.Text(), R"({"a\"b":"c"})") << "names are escaped as strings are";
}

TEST(JsonWriter, WritesNumbersThatReadBackAsTheSameDoubleAndNullForThoseJsonLacks)
{
    struct Row
    {
        double value;
        const char* json;
    };
    const Row rows[] = {
        {20, "20"},
        {-1000000, "-1000000"},
        {0.1, "0.10000000000000001"},
        {1e300, "1.0000000000000001e+300"},
        {-0.0, "-0"},
        {std::numeric_limits<double>::infinity(), "null"},
        {-std::numeric_limits<double>::infinity(), "null"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},
    };
    for (const Row& row : rows) {
        JsonWriter json;
        json.Value(row.value);
        EXPECT_EQ(json.Text(), row.json) << row.json;
        if (std::string(row.json) != "null") {
            EXPECT_EQ(std::stod(json.Text()), row.value) << row.json;
        }
    }
}

} // namespace
