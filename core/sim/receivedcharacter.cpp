#include "core/sim/receivedcharacter.h"

bool SpokenByCode(unsigned char byte)
{
    switch (byte) {
    case 0x7F: // delete
    case 0x81: // the five codes the code page leaves undefined
    case 0x8D:
    case 0x8F:
    case 0x90:
    case 0x9D:
    case 0xA0: // no-break space
    case 0xAD: // soft hyphen, invisible where a line does not break
        return true;
    default:
        return byte <= 0x20; // the controls and the space
    }
}

std::string SpokenReceivedCharacter(unsigned char byte, const KeyTranslator& translate)
{
    const std::string character = SpokenByCode(byte)
                                      ? translate("character code <%1%>", {std::to_string(int(byte))})
                                      : std::string(1, static_cast<char>(byte));
    return translate("Received Character", {}) + ": " + character;
}
