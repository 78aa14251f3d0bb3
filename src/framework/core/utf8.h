#pragma once
// The program's texts are UTF-8, from the keyboard to the file names and back to the screen. These are the
// few steps the fields and fonts take over it: a character's bytes from its code, the places between whole
// characters (where a caret may stand), and the reading of a text one character at a time. Text that is not
// UTF-8 (a file named before names were kept so, in Latin-1) reads byte by byte, each byte as the Latin-1
// letter it was, so that nothing is lost and nothing reads as two letters.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vael {

// The UTF-8 bytes of a code point; one outside Unicode or a surrogate gives U+FFFD.
std::string utf8Encode(std::uint32_t code);
// The character at byte `at` of the text: its code, and in `length` how many bytes it takes (at least 1;
// a byte that begins no whole UTF-8 character is one character, its Latin-1 letter).
std::uint32_t utf8Decode(const std::string& text, std::size_t at, std::size_t& length);
// The place after the character at `at`, and the place before it; the text's ends stay where they are.
std::size_t utf8Next(const std::string& text, std::size_t at);
std::size_t utf8Previous(const std::string& text, std::size_t at);
// Whether the whole text is UTF-8.
bool isUtf8(const std::string& text);
// The text as UTF-8: UTF-8 as it is, anything else read as Latin-1.
std::string asUtf8(const std::string& text);

} // namespace vael
