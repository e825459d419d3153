#pragma once

#include <functional>
#include <string>
#include <vector>

// How the received character reaches the user: what its label shows and what a screen reader
// speaks for it. Bytes and texts are Windows-1252.

// Translates a key of the language file with its placeholders "<%1%>", ... filled.
using KeyTranslator = std::function<std::string(const std::string& key, const std::vector<std::string>& params)>;

// Whether the code page has a printable character for the byte: all but the controls (0 to 31
// and 127) and the five codes it leaves undefined (129, 141, 143, 144 and 157).
bool HasPrintableCharacter(unsigned char byte);

// What the label shows: a printable character as itself; any other byte by a name in plain
// letters and digits, which every font draws alike: a control by its name in the code table
// ("NUL", "BEL", "DEL"), an undefined code by its number ("#129"). A font that claims the
// control characters with glyphs of its own then changes neither the label's look nor its size.
std::string ShownReceivedCharacter(unsigned char byte);

// Whether a screen reader is given the byte's code rather than the character: a character it
// would not speak (a control, a blank, the soft hyphen, a code the code page leaves undefined).
bool SpokenByCode(unsigned char byte);

// "Received Character: Z", or "Received Character: character code 7", translated.
std::string SpokenReceivedCharacter(unsigned char byte, const KeyTranslator& translate);
