#include "game/flow/commentary_text.h"

#include "framework/core/printable.h"

namespace vael {

std::string commentaryText(const std::string& text) {
    const std::string shown = printable(text);
    std::string out;
    out.reserve(shown.size());
    for (const char c : shown) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

} // namespace vael
