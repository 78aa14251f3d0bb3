#include "framework/core/printable.h"

namespace vael {

std::string printable(const std::string& text) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        out += "\\x";
        out += Digits[byte >> 4];
        out += Digits[byte & 0x0F];
    }
    return out;
}

} // namespace vael
