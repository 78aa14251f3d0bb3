#include "framework/ui/text_wrap.h"

namespace vael {

namespace {

// Where the UTF-8 character after the byte at `at` begins: a character is never cut between its bytes.
std::size_t nextCharacter(const std::string& text, std::size_t at) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        ++at;
    return at;
}

// The longest head of the word that fits, at least one character so that every row takes something: cut
// after a path separator when one lies in it.
std::size_t headThatFits(const std::string& word, std::int32_t width, const TextMeasure& measure) {
    std::size_t fits = nextCharacter(word, 0);
    while (fits < word.size() && measure(word.substr(0, nextCharacter(word, fits))) <= width)
        fits = nextCharacter(word, fits);
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

std::int32_t characterCount(const std::string& text) {
    std::int32_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::string lettersPastLimit(const std::string& name, const std::string& what, std::size_t most) {
    const auto letters = static_cast<std::size_t>(characterCount(name));
    return std::to_string(letters) + " letters" +
           (letters != name.size() ? ", which count as " + std::to_string(name.size()) : std::string()) + ": " +
           what + " can have at most " + std::to_string(most) +
           ", an accented letter counting as two (a letter of another script as three or four).";
}

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
