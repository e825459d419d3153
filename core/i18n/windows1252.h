#pragma once

#include <string>
#include <string_view>

// Windows-1252, the 8-bit code page every text of the program is written in. Decoding maps every
// byte to one character; the five bytes the code page leaves undefined map to the C1 control
// characters of the same value, as Windows itself does, so decoding and encoding round-trip
// every byte exactly. Encoding writes '?' for a character the code page cannot hold.
namespace windows1252 {

char16_t ToUnicode(unsigned char byte);
// '?' for a character outside the code page.
char FromUnicode(char32_t c);

// UTF-16; a character outside the basic plane is one pair, and one '?' when encoded.
std::u16string Decode(std::string_view bytes);
std::string Encode(std::u16string_view text);

} // namespace windows1252
