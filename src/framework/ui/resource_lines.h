#pragma once
// The resource texts are read line by line: each line is handed over with its number (from 1), without
// its line end; blank lines and lines starting with "#" are comments and are not handed over.
#include <string>
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

inline std::string_view resourceTrimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The first word of s, which is left after it.
inline std::string_view resourceWord(std::string_view& s) {
    s = resourceTrimmed(s);
    const auto end = s.find_first_of(" \t");
    const std::string_view w = s.substr(0, end);
    s = end == std::string_view::npos ? std::string_view() : s.substr(end);
    return w;
}

// A quoted label at the front of s, which is left after it; false with the reason when there is none.
inline bool resourceLabel(std::string_view& s, std::string& out, std::string& why) {
    s = resourceTrimmed(s);
    if (s.empty() || s.front() != '"') return why = "no label in double quotes", false;
    out.clear();
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (++i == s.size()) break;
            c = s[i];
            if (c == 't')
                c = '\t';
            else if (c != '"' && c != '\\')
                return why = std::string("unknown escape \\") + c, false;
        }
        out += c;
    }
    return why = "label not closed", false;
}

} // namespace vael
