#pragma once
// The resource texts are read line by line: each line is handed over with its number (from 1), without
// its line end; blank lines and lines starting with "#" are comments and are not handed over.
#include <string_view>

namespace vael {

template <typename Visit> void forEachResourceLine(std::string_view text, Visit visit) {
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == '#') continue;
        visit(number, line);
    }
}

} // namespace vael
