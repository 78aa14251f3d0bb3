#include "framework/core/printable.h"

#include <algorithm>

#include "framework/core/utf8.h"

namespace vael {

namespace {

// The text shown, cut after the last character or escape that ends within most bytes; false when it was cut.
bool show(const std::string& text, LoneBytes lone, std::size_t most, std::string& out) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    out.clear();
    out.reserve(std::min(text.size(), most));
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 1;
        const std::uint32_t code = utf8Decode(text, at, length);
        // A C1 control, whether in UTF-8 or a lone byte: a terminal may take one (0x9B) for the start of a
        // control sequence, as it takes an escape.
        const bool control = code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F) ||
                             (lone == LoneBytes::Escaped && length == 1 && code > 0x7F);
        if (out.size() + (control ? 4 * length : length) > most) return false;
        if (!control) {
            out.append(text, at, length);
        } else {
            for (std::size_t k = at; k < at + length; ++k) {
                const auto byte = static_cast<unsigned char>(text[k]);
                out += "\\x";
                out += Digits[byte >> 4];
                out += Digits[byte & 0x0F];
            }
        }
        at += length;
    }
    return true;
}

} // namespace

std::string printable(const std::string& text, LoneBytes lone) {
    std::string out;
    show(text, lone, std::string::npos, out);
    return out;
}

std::string printableCut(const std::string& text, std::size_t most, LoneBytes lone) {
    std::string out;
    if (!show(text, lone, most, out)) out += "...";
    return out;
}

} // namespace vael
