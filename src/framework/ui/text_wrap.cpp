#include "framework/ui/text_wrap.h"

namespace vael {

namespace {

// The longest head of the word that fits, at least one character so that every row takes something: cut
// after a path separator when one lies in it.
std::size_t headThatFits(const std::string& word, std::int32_t width, const TextMeasure& measure) {
    std::size_t fits = 1;
    while (fits < word.size() && measure(word.substr(0, fits + 1)) <= width)
        ++fits;
    const std::size_t slash = word.find_last_of("/\\", fits - 1);
    return slash != std::string::npos && slash + 1 < fits ? slash + 1 : fits;
}

void wrapLine(const std::string& line, std::int32_t width, const TextMeasure& measure,
              std::vector<std::string>& rows) {
    std::string row;
    const std::size_t before = rows.size();
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t blank = line.find(' ', at);
        std::string word = line.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
        at = blank == std::string::npos ? line.size() : blank + 1;
        if (word.empty()) continue;
        const std::string longer = row.empty() ? word : row + " " + word;
        if (measure(longer) <= width) {
            row = longer;
            continue;
        }
        if (!row.empty()) rows.push_back(row);
        while (measure(word) > width) {
            const std::size_t head = headThatFits(word, width, measure);
            rows.push_back(word.substr(0, head));
            word.erase(0, head);
        }
        row = word;
    }
    // A line of nothing is a row of its own; a word cut to the last character leaves none to add.
    if (!row.empty() || rows.size() == before) rows.push_back(row);
}

} // namespace

std::vector<std::string> wrapText(const std::string& text, std::int32_t width, const TextMeasure& measure) {
    std::vector<std::string> rows;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = text.find('\n', from);
        wrapLine(text.substr(from, end == std::string::npos ? std::string::npos : end - from), width, measure,
                 rows);
        if (end == std::string::npos) return rows;
        from = end + 1;
    }
}

} // namespace vael
