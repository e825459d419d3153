// The language files the program and the web page ship: Windows-1252 with CR LF, one entry a
// line, every key once and no entry empty. Which keys they must hold is the program's business
// (tests/app/test_language_files.cpp).
#include "core/i18n/dictionary.h"
#include "core/i18n/windows1252.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct LanguageFile
{
    std::string path;
    std::string bytes;
    Dictionary dictionary;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// By language ("en", "de"), from the paths the build names.
const std::map<std::string, LanguageFile>& files()
{
    static const std::map<std::string, LanguageFile> loaded = [] {
        std::map<std::string, LanguageFile> result;
        std::istringstream paths(DSCDMA_LANGUAGE_FILES);
        for (std::string path; std::getline(paths, path, '|');) {
            const std::size_t end = path.rfind('.');
            const std::size_t begin = path.rfind('.', end - 1) + 1;
            LanguageFile& file = result[path.substr(begin, end - begin)];
            file.path = path;
            file.bytes = readFile(path);
            file.dictionary.Load(file.bytes);
        }
        return result;
    }();
    return loaded;
}

std::size_t count(std::string_view text, std::string_view what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// Blank as a text field shows it: spaces, tabs, line breaks and the no-break space.
bool blank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return c == ' ' || (c >= '\t' && c <= '\r') || c == '\xA0';
    });
}

TEST(ShippedLanguageFiles, AreWindows1252TextWithCrLfLineEnds)
{
    ASSERT_EQ(files().size(), 2u);
    ASSERT_EQ(files().count("en") + files().count("de"), 2u);
    for (const auto& [language, file] : files()) {
        SCOPED_TRACE(file.path);
        ASSERT_FALSE(file.bytes.empty());
        for (std::size_t i = 0; i < file.bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(file.bytes[i]);
            // Bytes the code page leaves undefined, and control characters, have no place here.
            const bool undefined = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
            const bool control = byte < 0x20 && byte != '\r' && byte != '\n';
            EXPECT_FALSE(undefined || control) << "byte " << int(byte) << " at offset " << i;
            if (byte == '\n') {
                EXPECT_TRUE(i > 0 && file.bytes[i - 1] == '\r') << "bare line feed at offset " << i;
            }
        }
        EXPECT_TRUE(file.bytes.ends_with("|$$\r\n"));
    }
    // Umlauts as single bytes: a file saved as UTF-8 would decode to "Ã¤" and the like.
    const std::u16string german = windows1252::Decode(files().at("de").bytes);
    for (const char16_t letter : std::u16string_view(u"äöüßÜ"))
        EXPECT_NE(german.find(letter), std::u16string::npos) << int(letter);
    EXPECT_EQ(german.find(u'Ã'), std::u16string::npos);
}

// One entry per line: a line break inside a text would reach the window as two spaces.
TEST(ShippedLanguageFiles, HoldOneNonEmptyEntryPerLine)
{
    for (const auto& [language, file] : files()) {
        SCOPED_TRACE(file.path);
        std::istringstream lines(file.bytes);
        for (std::string line; std::getline(lines, line);) {
            if (line.find('[') != std::string::npos || line.find("|$$") != std::string::npos) {
                EXPECT_TRUE(line.starts_with('[') && line.ends_with("|$$\r") && count(line, "|$$") == 1) << line;
            }
        }
        const std::vector<std::string>& keys = file.dictionary.Keys();
        const std::vector<std::string>& texts = file.dictionary.Texts();
        EXPECT_EQ(keys.size(), count(file.bytes, "|$$"));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_FALSE(blank(keys[i])) << "entry " << i;
            EXPECT_FALSE(blank(texts[i])) << keys[i];
            EXPECT_EQ(std::size_t(std::find(keys.begin(), keys.end(), keys[i]) - keys.begin()), i)
                << "second entry for " << keys[i];
        }
    }
}

} // namespace
