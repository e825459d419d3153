#pragma once

#include "core/i18n/itlfile.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The dictionary of a language file of entries "[key]=text|$$", and lookup in it.
//
// Keys are found with ASCII-only case folding, and a key without an entry stands for itself.
// Texts that begin with KeyPrefix ("BF_") are translation keys. With AutoCreateItlFile set,
// the keys that were missed are collected, so that a template language file can be written
// with them and the dictionary. Everything is Windows-1252 bytes; reading and writing files is
// the caller's.
class Dictionary
{
public:
    // Called after a key was found; may change the text.
    using TextFoundEvent = std::function<void(std::string_view key, std::string& text)>;

    explicit Dictionary(std::string appName = {});

    // Replaces the dictionary by the entries of a whole language file. ItlOutput is kept.
    void Load(std::string_view file);
    // The same in pieces: Clear, then Feed what arrives, in order, then Finish.
    void Clear();
    void Feed(std::string_view bytes);
    void Finish();
    // One entry, up to and including its "|$$".
    void AddEntry(std::string_view entry);

    // The text of key (found or not), with "<%1%>", "<%2%>", ... filled from params.
    std::string Translate(std::string_view key, const std::vector<std::string>& params = {});
    // Whether key has an entry; the first of equal keys wins.
    bool Contains(std::string_view key) const;
    // A text that begins with KeyPrefix (exact case) becomes the translation of the rest;
    // returns whether it was one.
    bool TranslateKeyed(std::string& text);

    // The template language file: ItlOutput, then one line per dictionary entry (a line feed in
    // a text written as "\n"), each line ended by CR LF.
    std::string ItlFileContent() const;
    // The template's name for a program file: the file part of its stem, plus ".itl".
    static std::string ItlFileName(std::string_view programFile);

    const std::vector<std::string>& Keys() const { return m_keys; }
    const std::vector<std::string>& Texts() const { return m_texts; }
    std::vector<std::string>& ItlOutput() { return m_itlOutput; }
    const std::vector<std::string>& ItlOutput() const { return m_itlOutput; }
    const std::string& KeyPrefix() const { return m_keyPrefix; }
    void SetKeyPrefix(std::string prefix) { m_keyPrefix = std::move(prefix); }
    bool AutoCreateItlFile() const { return m_autoCreateItlFile; }
    void SetAutoCreateItlFile(bool on) { m_autoCreateItlFile = on; }
    const std::string& AppName() const { return m_appName; }
    void SetOnTextFound(TextFoundEvent handler) { m_onTextFound = std::move(handler); }

private:
    void recordMissedKey(std::string_view key);

    TextFoundEvent m_onTextFound;
    std::vector<std::string> m_keys;
    std::vector<std::string> m_texts;
    std::unordered_map<std::string, std::size_t> m_firstIndex; // first entry of each key
    std::string m_keyPrefix = "BF_";
    std::vector<std::string> m_itlOutput;
    bool m_autoCreateItlFile = false;
    std::string m_appName;
    itl::EntryReader m_reader;
};
