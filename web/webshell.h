#pragma once

// What the web page asks of the simulation, in the page's terms: texts in UTF-8 as the browser
// holds them, converted to and from Windows-1252 here, once. Plain C++: the WebAssembly module
// binds it for the page, and the native build runs the same code for tests and comparisons.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace web {

// The three key fields of the main window, with their ranges.
enum class KeyField { A, B, Rx };

// Whether a key field takes a new text, and the key it then stands for.
struct KeyCheck
{
    bool accepted = false;
    double value = 0;
};

// The decision the desktop's key field makes on every edit: dynamic format ('$' hex, '&' octal,
// '%' binary, else decimal with exponent), '.' as decimal separator, within the field's range.
KeyCheck CheckKey(KeyField field, std::string_view text);

// What a character field shows after the user typed `typed` (UTF-8): its first character, or
// '?' for one that Windows-1252 cannot hold, as on the desktop. Empty stays empty.
std::string TypedCharacter(std::string_view typed);

// The inputs as the page's controls hold them.
struct PageInputs
{
    std::string a = "Z"; // UTF-8, at most one character
    std::string b = "W";
    std::string keyA = "23";
    std::string keyB = "44";
    std::string keyRx = "23";
    int spread = 8;
};

struct PageResult
{
    std::string received; // UTF-8
    int code = 0;         // the received byte
    bool ok = false;
    char channel = '-';   // '1', '2' or '-'
};

// One run of the signal model. Throws what the model throws (a receiver key too large to
// round, a spreading factor outside 2..20).
PageResult Simulate(const PageInputs& inputs);

// UTF-8 <-> Windows-1252 at the page's edge. Malformed UTF-8 reads as U+FFFD, which the code
// page cannot hold.
std::string Utf8ToCp1252(std::string_view utf8);
std::string Cp1252ToUtf8(std::string_view bytes);

} // namespace web
