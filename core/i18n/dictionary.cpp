#include "core/i18n/dictionary.h"

namespace {

std::string entryLine(std::string_view key, std::string_view text)
{
    std::string line = "[";
    line.append(key);
    line.append("]=");
    line.append(text);
    line.append("|$$");
    return line;
}

} // namespace

Dictionary::Dictionary(std::string appName)
    : m_appName(std::move(appName))
{
}

void Dictionary::Load(std::string_view file)
{
    Clear();
    Feed(file);
    Finish();
}

void Dictionary::Clear()
{
    m_keys.clear();
    m_texts.clear();
    m_firstIndex.clear();
    m_reader = itl::EntryReader();
}

void Dictionary::Feed(std::string_view bytes)
{
    m_reader.Feed(bytes);
    while (const auto entry = m_reader.Next())
        AddEntry(*entry);
}

void Dictionary::Finish()
{
    // What follows the last delimiter is no entry.
    m_reader = itl::EntryReader();
}

void Dictionary::AddEntry(std::string_view entry)
{
    const itl::TRawEntry raw = itl::SplitEntry(entry);
    std::string key = itl::NormalizeKey(raw.Key);
    m_firstIndex.try_emplace(key, m_keys.size());
    m_keys.push_back(std::move(key));
    m_texts.push_back(itl::PrepareText(std::string(raw.Text), m_appName));
}

bool Dictionary::Contains(std::string_view key) const
{
    return m_firstIndex.count(itl::AsciiLower(std::string(key))) != 0;
}

std::string Dictionary::Translate(std::string_view key, const std::vector<std::string>& params)
{
    const std::string passed(key); // key may point into a text the event changes
    const auto found = m_firstIndex.find(itl::AsciiLower(passed));
    if (found != m_firstIndex.end()) {
        std::string text = itl::FillPlaceholders(m_texts[found->second], params);
        if (m_onTextFound)
            m_onTextFound(passed, text);
        return text;
    }
    if (m_autoCreateItlFile)
        recordMissedKey(passed);
    return itl::FillPlaceholders(passed, params);
}

bool Dictionary::TranslateKeyed(std::string& text)
{
    if (m_keyPrefix.empty() || text.compare(0, m_keyPrefix.size(), m_keyPrefix) != 0)
        return false;
    text = Translate(std::string_view(text).substr(m_keyPrefix.size()));
    return true;
}

void Dictionary::recordMissedKey(std::string_view key)
{
    const std::string line = entryLine(key, key);
    for (const std::string& existing : m_itlOutput) {
        if (itl::EqualsIgnoringAsciiCase(existing, line))
            return;
    }
    m_itlOutput.push_back(line);
}

std::string Dictionary::ItlFileContent() const
{
    std::string content;
    for (const std::string& line : m_itlOutput) {
        content += line;
        content += "\r\n";
    }
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        // A line break inside a text is written the way the file writes one, so that the
        // template stays one entry per line and loads back with the break in place.
        std::string text;
        for (char c : m_texts[i])
            text += c == '\n' ? std::string("\\n") : std::string(1, c);
        content += entryLine(m_keys[i], text);
        content += "\r\n";
    }
    return content;
}

std::string Dictionary::ItlFileName(std::string_view programFile)
{
    const std::size_t slash = programFile.rfind('/');
    std::string name(slash == std::string_view::npos ? programFile : programFile.substr(slash + 1));
    // A leading dot marks a hidden file, not an extension.
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name + ".itl";
}
