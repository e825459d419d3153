#pragma once

#include <string>
#include <string_view>

// UTF-8, the encoding of the page, the command line and the files around the program, and its
// conversion to and from Windows-1252 at their edge. Malformed input reads as U+FFFD, one byte
// at a time, so that nothing is skipped and nothing is read beyond the text.
namespace utf8 {

constexpr char32_t Replacement = 0xFFFD;

// The code point that starts at `at`, which moves past it; U+FFFD for a malformed sequence
// (overlong, a surrogate, beyond U+10FFFF, cut short), of which one byte is consumed.
// `at` must lie before the end.
char32_t Next(std::string_view text, std::size_t& at);
// Appends `c` encoded; a surrogate or a value beyond U+10FFFF appends U+FFFD.
void Append(std::string& out, char32_t c);

// Windows-1252 bytes as UTF-8, every byte one character.
std::string FromWindows1252(std::string_view bytes);
// UTF-8 as Windows-1252, '?' for each character that the code page cannot hold.
std::string ToWindows1252(std::string_view text);

} // namespace utf8
