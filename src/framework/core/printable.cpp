#include "framework/core/printable.h"

#include "framework/core/utf8.h"

namespace vael {

std::string printable(const std::string& text, LoneBytes lone) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 1;
        const std::uint32_t code = utf8Decode(text, at, length);
        // A C1 control, whether in UTF-8 or a lone byte: a terminal may take one (0x9B) for the start of a
        // control sequence, as it takes an escape.
        const bool control = code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F) ||
                             (lone == LoneBytes::Escaped && length == 1 && code > 0x7F);
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
    return out;
}

} // namespace vael
