#include "game/shell/saved_game_header.h"

#include <algorithm>
#include <iterator>

namespace vael {

void ClosedViewportLayer::saveViewports(SuperString& stream) {
    stream << static_cast<std::int16_t>(0);
}

bool ClosedViewportLayer::LoadViewports(SuperString& stream, std::string& error) {
    std::int16_t count = 0;
    stream >> count;
    if (stream.failed()) return error = "the saved game ends in its viewports", false;
    // Map windows need the battle map to show in; a file that asks for some cannot be shown here, and
    // whoever loads it is told so in words of his own: a game saved with its map open, played without the
    // display. The count is told as the file holds it: its two bytes unsigned, never a count below nothing.
    if (count != 0) {
        const auto windows = static_cast<std::uint16_t>(count);
        return error = "the saved game has " + std::to_string(windows) +
                       (windows == 1 ? " map window" : " map windows") +
                       " open, and a battle played without the display has no map to open " +
                       (windows == 1 ? "it" : "them") + " on",
               false;
    }
    return true;
}

namespace {

std::uint32_t u32At(const std::vector<std::uint8_t>& file, std::size_t at) {
    return std::uint32_t(file[at]) | std::uint32_t(file[at + 1]) << 8 | std::uint32_t(file[at + 2]) << 16 |
           std::uint32_t(file[at + 3]) << 24;
}

// Where the header's own records end: the logical layer's part, or the file's end until that is known.
std::size_t headerLimit(const std::vector<std::uint8_t>& file) {
    const std::uint32_t header = u32At(file, saved_header::LogicalOffset);
    return header != 0 && header <= file.size() ? header : file.size();
}

// The description's record at the given place: its length, when the tag stands there and the record ends
// within the header (before the logical layer's part, where a game saved without one goes on).
bool descriptionAt(const std::vector<std::uint8_t>& file, std::size_t at, std::size_t& length) {
    // Until the logical layer's offset is filled in, the header runs to the file's end.
    const std::size_t limit = headerLimit(file);
    if (limit < at + 6 || !std::equal(file.begin() + static_cast<std::ptrdiff_t>(at),
                                      file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                      std::begin(saved_header::DescriptionTag)))
        return false;
    length = file[at + 4] | std::size_t(file[at + 5]) << 8;
    return length <= saved_header::MaxDescription && limit - at - 6 >= length;
}

bool checkedTagAt(const std::vector<std::uint8_t>& file, std::size_t at) {
    return headerLimit(file) >= at + 4 && std::equal(file.begin() + static_cast<std::ptrdiff_t>(at),
                                                     file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                                     std::begin(saved_header::CheckedTag));
}

// The whole mark at the given place: its tag and a length of nothing, within the header.
bool checkedMarkAt(const std::vector<std::uint8_t>& file, std::size_t at) {
    return checkedTagAt(file, at) && headerLimit(file) >= at + saved_header::CheckedMarkSize &&
           file[at + 4] == 0 && file[at + 5] == 0;
}

// Where the scenario's record and the description after it end.
std::size_t afterDescription(const std::vector<std::uint8_t>& file, const SavedScenario& scenario) {
    std::size_t end = u32At(file, saved_header::ScenarioOffset) + 6 + scenario.fileName.size();
    if (std::size_t said = 0; descriptionAt(file, end, said)) end += 6 + said;
    return end;
}

} // namespace

void markCheckedSave(std::vector<std::uint8_t>& header) {
    header.insert(header.end(), std::begin(saved_header::CheckedTag), std::end(saved_header::CheckedTag));
    header.insert(header.end(), {0, 0});
}

bool savedCheckMark(const std::vector<std::uint8_t>& file) {
    SavedScenario scenario;
    std::string error;
    // A damaged length still marks the file: only its tag is asked for.
    return readSavedScenario(file, scenario, error) && checkedTagAt(file, afterDescription(file, scenario));
}

std::vector<std::uint8_t> writeSavedHeader(ViewportLayer& view0, ViewportLayer& view4,
                                           const SavedScenario& scenario, const std::string& description) {
    SuperString s;
    for (int i = 0; i < 4; ++i)
        s << static_cast<std::uint32_t>(0);
    view0.saveViewports(s);
    view4.saveViewports(s);
    const auto at = static_cast<std::uint32_t>(s.length());
    const std::string name = scenario.fileName.substr(0, saved_header::MaxScenarioName);
    s << scenario.index << static_cast<std::uint16_t>(name.size());
    if (!name.empty()) s.write(name.data(), static_cast<std::int32_t>(name.size()));
    // Without a description the header is as it always was.
    const std::string said = description.substr(0, saved_header::MaxDescription);
    if (!said.empty()) {
        s.write(saved_header::DescriptionTag, 4);
        s << static_cast<std::uint16_t>(said.size());
        s.write(said.data(), static_cast<std::int32_t>(said.size()));
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.length()));
    s.peek(bytes.data(), 0, s.length());
    for (int i = 0; i < 4; ++i)
        bytes[saved_header::ScenarioOffset + i] = static_cast<std::uint8_t>(at >> (8 * i));
    return bytes;
}

bool readSavedScenario(const std::vector<std::uint8_t>& file, SavedScenario& scenario, std::string& error,
                       std::size_t* end) {
    if (file.size() < saved_header::Size) return error = "the saved game has no header", false;
    const std::uint32_t at = u32At(file, saved_header::ScenarioOffset);
    if (at < saved_header::Size || at > file.size() || file.size() - at < 6)
        return error = "the saved game does not say which battle it is", false;
    const std::uint32_t index = u32At(file, at);
    const std::size_t length = file[at + 4] | std::size_t(file[at + 5]) << 8;
    if (index > 10 || length == 0 || length > saved_header::MaxScenarioName || file.size() - at - 6 < length)
        return error = "the saved game does not say which battle it is", false;
    scenario.index = index;
    scenario.fileName.assign(reinterpret_cast<const char*>(file.data()) + at + 6, length);
    if (end) {
        *end = afterDescription(file, scenario);
        if (checkedMarkAt(file, *end)) *end += saved_header::CheckedMarkSize;
    }
    return true;
}

bool readSavedDescription(const std::vector<std::uint8_t>& file, std::string& description) {
    description.clear();
    SavedScenario scenario;
    std::string error;
    if (!readSavedScenario(file, scenario, error)) return false;
    const std::size_t at = u32At(file, saved_header::ScenarioOffset) + 6 + scenario.fileName.size();
    std::size_t length = 0;
    if (descriptionAt(file, at, length))
        description.assign(reinterpret_cast<const char*>(file.data()) + at + 6, length);
    return true;
}

bool savedDisplayPart(const std::vector<std::uint8_t>& file) {
    return file.size() >= saved_header::Size && u32At(file, saved_header::LayerTableOffset) != 0;
}

bool readSavedViewports(const std::vector<std::uint8_t>& file, ViewportLayer& view0, ViewportLayer& view4,
                        std::string& error) {
    if (file.size() < saved_header::Size) return error = "the saved game has no header", false;
    if (file.size() > 0x7FFFFFFFu) return error = "the saved game is too large", false;
    SuperString s;
    s.write(file.data(), static_cast<std::int32_t>(file.size()));
    s.setReadPosition(static_cast<std::int32_t>(saved_header::Size));
    return view0.LoadViewports(s, error) && view4.LoadViewports(s, error);
}

} // namespace vael
