#include "core/i18n/itlfile.h"

#include <algorithm>

namespace itl {
namespace {

constexpr char AsciiLowerByte(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool HasAsciiLetter(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

} // namespace

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = AsciiLowerByte(c);
    return text;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLowerByte(a[i]) != AsciiLowerByte(b[i]))
            return false;
    }
    return true;
}

std::size_t IndexOf(std::string_view haystack, std::string_view needle, std::size_t from, bool ignoreAsciiCase)
{
    if (!ignoreAsciiCase || !HasAsciiLetter(needle))
        return haystack.find(needle, from);
    if (needle.size() > haystack.size())
        return std::string_view::npos;
    const std::size_t last = haystack.size() - needle.size();
    for (std::size_t i = from; i <= last; ++i) {
        if (EqualsIgnoringAsciiCase(haystack.substr(i, needle.size()), needle))
            return i;
    }
    return std::string_view::npos;
}

std::string ReplaceAll(const std::string& text, std::string_view pattern, std::string_view replacement,
                       bool ignoreAsciiCase)
{
    if (pattern.empty())
        return text;
    std::string out;
    std::size_t done = 0;
    for (;;) {
        const std::size_t pos = IndexOf(text, pattern, done, ignoreAsciiCase);
        if (pos == std::string_view::npos)
            break;
        out.append(text, done, pos - done);
        out.append(replacement);
        done = pos + pattern.size();
    }
    if (done == 0)
        return text;
    out.append(text, done, std::string::npos);
    return out;
}

std::string FillPlaceholders(const std::string& text, const std::vector<std::string>& params)
{
    if (params.empty())
        return text;
    std::string out;
    std::size_t done = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t pos = text.find("<%", from);
        if (pos == std::string::npos)
            break;
        std::size_t i = pos + 2;
        std::size_t number = 0;
        bool valid = i < text.size() && text[i] >= '1' && text[i] <= '9';
        while (valid && i < text.size() && text[i] >= '0' && text[i] <= '9') {
            number = number * 10 + std::size_t(text[i] - '0');
            valid = number <= params.size();
            ++i;
        }
        valid = valid && text.compare(i, 2, "%>") == 0;
        if (!valid) {
            from = pos + 1;
            continue;
        }
        out.append(text, done, pos - done);
        out.append(params[number - 1]);
        done = from = i + 2;
    }
    if (done == 0)
        return text;
    out.append(text, done, std::string::npos);
    return out;
}

std::string NormalizeKey(std::string_view rawKey)
{
    std::string key;
    key.reserve(rawKey.size());
    for (char c : rawKey) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
        if (c == ' ' && (key.empty() || key.back() == ' '))
            continue;
        key.push_back(AsciiLowerByte(c));
    }
    return key;
}

std::string PrepareText(std::string text, std::string_view appName)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    text = ReplaceAll(text, "\\n", "\n", false);
    return ReplaceAll(text, "<%APPNAME%>", appName, true);
}

EntryReader::EntryReader(std::string delimiter, bool ignoreAsciiCase)
    : m_delimiter(delimiter.empty() ? std::string("|$$") : std::move(delimiter))
    , m_ignoreCase(ignoreAsciiCase)
{
}

void EntryReader::Feed(std::string_view bytes)
{
    // What earlier entries took is dropped before the buffer grows.
    if (m_start > 0) {
        m_buffer.erase(0, m_start);
        m_scanFrom -= m_start;
        m_start = 0;
    }
    m_buffer.append(bytes);
}

std::optional<std::string> EntryReader::Next()
{
    const std::size_t pos = IndexOf(m_buffer, m_delimiter, std::max(m_start, m_scanFrom), m_ignoreCase);
    if (pos == std::string::npos) {
        const std::size_t overlap = m_delimiter.size() - 1;
        m_scanFrom = std::max(m_start, m_buffer.size() > overlap ? m_buffer.size() - overlap : 0);
        return std::nullopt;
    }
    const std::size_t end = pos + m_delimiter.size();
    std::string entry = m_buffer.substr(m_start, end - m_start);
    m_start = m_scanFrom = end;
    return entry;
}

std::vector<std::string> SplitEntries(std::string_view bytes)
{
    EntryReader reader;
    reader.Feed(bytes);
    std::vector<std::string> entries;
    while (auto entry = reader.Next())
        entries.push_back(std::move(*entry));
    return entries;
}

TRawEntry SplitEntry(std::string_view entry)
{
    std::size_t p3 = entry.find("|$$");
    if (p3 == std::string_view::npos)
        p3 = entry.size();
    const std::string_view body = entry.substr(0, p3);
    const std::size_t p1 = body.find('[');
    const std::size_t p2 = body.find("]=");

    TRawEntry raw;
    // No "[" counts as one before the first byte.
    const std::size_t keyBegin = p1 == std::string_view::npos ? 0 : p1 + 1;
    if (p2 != std::string_view::npos && p2 > keyBegin)
        raw.Key = body.substr(keyBegin, p2 - keyBegin);
    const std::size_t textBegin = p2 == std::string_view::npos ? 1 : p2 + 2;
    if (textBegin < body.size())
        raw.Text = body.substr(textBegin);
    return raw;
}

} // namespace itl
