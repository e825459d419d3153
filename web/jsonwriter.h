#pragma once

// JSON text written value by value: what the WebAssembly module hands the page for a result
// with more than one value, so that one call answers with plain values and the page reads them
// with JSON.parse. Strings are UTF-8 and are escaped as JSON requires; a number that JSON cannot
// hold (infinity, NaN) is written as null.

#include <string>
#include <string_view>
#include <vector>

class JsonWriter
{
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next value in an object.
    JsonWriter& Key(std::string_view name);
    JsonWriter& Value(std::string_view utf8);
    JsonWriter& Value(const char* utf8) { return Value(std::string_view(utf8)); }
    JsonWriter& Value(double number);
    JsonWriter& Value(int number);
    JsonWriter& Value(bool truth);

    const std::string& Text() const { return m_text; }
    // Empties the writer for the next text, keeping its storage.
    void Clear();

private:
    void separate();
    void open(char bracket);
    void close(char bracket);
    void quoted(std::string_view text);

    std::string m_text;
    std::vector<bool> m_empty; // per open object or array: nothing written into it yet
    bool m_afterKey = false;
};
