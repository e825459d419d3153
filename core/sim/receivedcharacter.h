#pragma once

#include <functional>
#include <string>
#include <vector>

// How the received character reaches the user: the text a screen reader speaks for it. Bytes and
// texts are Windows-1252.

// Translates a key of the language file with its placeholders "<%1%>", ... filled.
using KeyTranslator = std::function<std::string(const std::string& key, const std::vector<std::string>& params)>;

// Whether a screen reader is given the byte's code rather than the character: a character it
// would not speak (a control, a blank, the soft hyphen, a code the code page leaves undefined).
bool SpokenByCode(unsigned char byte);

// "Received Character: Z", or "Received Character: character code 7", translated.
std::string SpokenReceivedCharacter(unsigned char byte, const KeyTranslator& translate);
