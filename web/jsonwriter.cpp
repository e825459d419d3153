#include "web/jsonwriter.h"

#include "core/numeric/decimaltext.h"

#include <cmath>

JsonWriter& JsonWriter::BeginObject()
{
    open('{');
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    open('[');
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name)
{
    separate();
    quoted(name);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::Value(std::string_view utf8)
{
    separate();
    quoted(utf8);
    return *this;
}

JsonWriter& JsonWriter::Value(double number)
{
    separate();
    // Seventeen significant digits give the same double back.
    m_text += std::isfinite(number) ? DecimalText(number, std::chars_format::general, 17) : "null";
    return *this;
}

JsonWriter& JsonWriter::Value(int number)
{
    separate();
    m_text += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::Value(bool truth)
{
    separate();
    m_text += truth ? "true" : "false";
    return *this;
}

void JsonWriter::Clear()
{
    m_text.clear();
    m_empty.clear();
    m_afterKey = false;
}

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_empty.empty()) {
        if (!m_empty.back())
            m_text += ',';
        m_empty.back() = false;
    }
}

void JsonWriter::open(char bracket)
{
    separate();
    m_text += bracket;
    m_empty.push_back(true);
}

void JsonWriter::close(char bracket)
{
    m_text += bracket;
    if (!m_empty.empty())
        m_empty.pop_back();
}

void JsonWriter::quoted(std::string_view text)
{
    static const char Hex[] = "0123456789abcdef";
    m_text += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            m_text += '\\';
            m_text += c;
        } else if (byte < 0x20) {
            m_text += "\\u00";
            m_text += Hex[byte >> 4];
            m_text += Hex[byte & 15];
        } else {
            m_text += c;
        }
    }
    m_text += '"';
}
