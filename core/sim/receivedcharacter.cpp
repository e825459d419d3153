#include "core/sim/receivedcharacter.h"

#include <array>

namespace {

constexpr std::array<const char*, 32> ControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
    "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

} // namespace

bool HasPrintableCharacter(unsigned char byte)
{
    switch (byte) {
    case 0x7F:
    case 0x81:
    case 0x8D:
    case 0x8F:
    case 0x90:
    case 0x9D:
        return false;
    default:
        return byte >= 0x20;
    }
}

std::string ShownReceivedCharacter(unsigned char byte)
{
    if (HasPrintableCharacter(byte))
        return std::string(1, static_cast<char>(byte));
    if (byte < ControlNames.size())
        return ControlNames[byte];
    if (byte == 0x7F)
        return "DEL";
    return "#" + std::to_string(int(byte));
}

bool SpokenByCode(unsigned char byte)
{
    // Besides those without a printable character: the blanks, and the soft hyphen, which shows
    // only where a line breaks.
    return !HasPrintableCharacter(byte) || byte == 0x20 || byte == 0xA0 || byte == 0xAD;
}

std::string SpokenReceivedCharacter(unsigned char byte, const KeyTranslator& translate)
{
    const std::string character = SpokenByCode(byte)
                                      ? translate("character code <%1%>", {std::to_string(int(byte))})
                                      : std::string(1, static_cast<char>(byte));
    return translate("Received Character", {}) + ": " + character;
}
