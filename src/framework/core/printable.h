#pragma once
// Text taken from a file, made fit for a message: a terminal would act on its control bytes (an escape
// sequence clears the screen or recolours it, a carriage return writes over the line) and a message box
// would show them as nothing. Each is written as \xHH instead, the C1 controls too (each of their bytes,
// in UTF-8 or alone); every other byte is kept, so that a name in UTF-8 reads as it was written. Applied
// twice it changes nothing more.
#include <string>

namespace vael {

// What becomes of a byte that begins no whole UTF-8 character and is no C1 control (0xA0 to 0xFF alone).
enum class LoneBytes {
    // Kept: a name the player typed before names were kept in UTF-8 reads as its Latin-1 letters.
    Kept,
    // Written as \xHH too: in a message about a file of the data folder, whose names and bytes are the file
    // system's and the file's, not letters of anyone's; a terminal would show each as the same unknown sign.
    Escaped,
};

std::string printable(const std::string& text, LoneBytes lone = LoneBytes::Kept);
// The same, cut to at most `most` bytes before a character or an escape would pass them, and then ending in
// "...": a name read from a file may be thousands of bytes long, and a message box shows a few lines.
std::string printableCut(const std::string& text, std::size_t most, LoneBytes lone = LoneBytes::Kept);
// How much of a name read from a file a message quotes.
constexpr std::size_t QuotedNameBytes = 64;

} // namespace vael
