#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The pieces of the language-file format that need no dictionary: splitting a byte stream into
// entries, splitting an entry into key and text, and the clean-up both receive at load. Texts are
// Windows-1252 bytes; letter case is folded for 'A'..'Z' only, whatever the locale.
namespace itl {

std::string AsciiLower(std::string text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Index of the first occurrence of needle at or after from, or npos.
std::size_t IndexOf(std::string_view haystack, std::string_view needle, std::size_t from, bool ignoreAsciiCase);

// Replaces every occurrence from left to right; the search resumes after each inserted
// replacement, so inserted text is never searched again.
std::string ReplaceAll(const std::string& text, std::string_view pattern, std::string_view replacement,
                       bool ignoreAsciiCase);

// Fills "<%1%>", "<%2%>", ... with params[0], params[1], ... in one pass over text, so that a
// parameter containing a placeholder is inserted as it stands. Numbers beyond the parameters,
// and numbers written with leading zeros, stay in the text.
std::string FillPlaceholders(const std::string& text, const std::vector<std::string>& params);

// Lower-cased; CR, LF and tab as spaces; runs of spaces as one; no leading spaces.
std::string NormalizeKey(std::string_view rawKey);

// CR and LF as spaces, then the two characters "\n" as a line feed, then "<%APPNAME%>" in any
// case as appName.
std::string PrepareText(std::string rawText, std::string_view appName);

// Cuts a byte stream that arrives in pieces into entries that end with a delimiter. Only the
// bytes of the entry being assembled are held, so an entry of many megabytes or a stream
// without any delimiter costs memory in proportion to what was fed, and every byte is searched
// once.
class EntryReader
{
public:
    explicit EntryReader(std::string delimiter = "|$$", bool ignoreAsciiCase = true);

    void Feed(std::string_view bytes);
    // The next complete entry, up to and including its delimiter; none until more is fed. What
    // follows the last delimiter when the stream ends is never an entry.
    std::optional<std::string> Next();

private:
    std::string m_delimiter;
    bool m_ignoreCase;
    std::string m_buffer;
    std::size_t m_start = 0;    // first byte of the entry being assembled
    std::size_t m_scanFrom = 0; // bytes before this hold no delimiter start
};

// Every entry of a whole file, in order.
std::vector<std::string> SplitEntries(std::string_view bytes);

struct TRawEntry
{
    std::string_view Key;
    std::string_view Text;
};

// Key: between the first "[" and the first "]="; from the entry's first byte when "[" is
// missing, empty when "]=" is missing or comes before "[". Text: from after "]=" (from the
// second byte when "]=" is missing) up to the terminating "|$$".
TRawEntry SplitEntry(std::string_view entry);

} // namespace itl
