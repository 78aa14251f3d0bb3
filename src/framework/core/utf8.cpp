#include "framework/core/utf8.h"

namespace vael {

std::string utf8Encode(std::uint32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

std::uint32_t utf8Decode(const std::string& text, std::size_t at, std::size_t& length) {
    length = at < text.size() ? 1 : 0;
    if (at >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t need = lead < 0x80          ? 1
                             : (lead >> 5) == 6   ? 2
                             : (lead >> 4) == 14  ? 3
                             : (lead >> 3) == 30  ? 4
                                                  : 0;
    if (need <= 1 || at + need > text.size()) return lead;
    std::uint32_t code = lead & (0x7F >> need);
    for (std::size_t k = 1; k < need; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next >> 6) != 2) return lead;
        code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and codes past Unicode are not UTF-8 a keyboard gives: bytes again.
    static constexpr std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[need] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return lead;
    length = need;
    return code;
}

std::size_t utf8Next(const std::string& text, std::size_t at) {
    if (at >= text.size()) return text.size();
    std::size_t length = 0;
    utf8Decode(text, at, length);
    return at + length;
}

std::size_t utf8Previous(const std::string& text, std::size_t at) {
    if (at == 0) return 0;
    if (at > text.size()) return text.size();
    // The character that ends at `at` begins at most four bytes back; of the places that begin one there,
    // the furthest back whose character reaches exactly to `at`.
    for (std::size_t back = at < 4 ? at : 4; back > 1; --back) {
        std::size_t length = 0;
        utf8Decode(text, at - back, length);
        if (length == back) return at - back;
    }
    return at - 1;
}

bool isUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 0;
        const std::uint32_t code = utf8Decode(text, at, length);
        if (length == 1 && code >= 0x80) return false;
        at += length;
    }
    return true;
}

std::string asUtf8(const std::string& text) {
    if (isUtf8(text)) return text;
    std::string out;
    for (const char c : text)
        out += utf8Encode(static_cast<unsigned char>(c));
    return out;
}

} // namespace vael
