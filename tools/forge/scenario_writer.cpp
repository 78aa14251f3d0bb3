#include "tools/forge/scenario_writer.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/map_file_builder.h"

namespace vael::forge {

namespace {

struct Writer {
    Bytes bytes;
    void u8(long v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
    void u16(long v) { u8(v & 0xFF), u8((v >> 8) & 0xFF); }
    void text8(const std::string& s) {
        u8(static_cast<long>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    void text16(const std::string& s) {
        u16(static_cast<long>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
};

// The further values after the common five of each record kind, and their widths (1 or 2 bytes).
const std::map<int, std::vector<int>>& kindWidths() {
    static const std::vector<int> combat{2, 2, 1}, missile{2, 2, 1, 1, 2, 2};
    static const std::map<int, std::vector<int>> widths{
        {0, {2, 2, 2, 2}}, {1, missile},  {2, {2, 2, 1, 1}},
        {3, missile},      {4, missile},  {5, {2, 2, 1, 1, 2, 2, 1}},
        {6, combat},       {7, missile},  {8, missile},
        {9, combat},       {10, missile}, {14, combat},
        {15, combat},      {17, missile}, {18, missile},
        {19, combat}};
    return widths;
}

int kindOf(const std::string& word) {
    static const std::map<std::string, int> kinds{
        {"leader", 0},      {"oxybele", 1},    {"heavycav", 2}, {"lightcav", 3},  {"chariot", 4},
        {"elephant", 5},    {"hoplite", 6},    {"lightinf", 7}, {"mediuminf", 8}, {"lancer", 9},
        {"skirmisher", 10}, {"hypaspist", 15}, {"peltast", 18}, {"phalanx", 19}};
    if (auto it = kinds.find(word); it != kinds.end()) return it->second;
    if (!word.empty() && std::all_of(word.begin(), word.end(), ::isdigit)) return std::stoi(word);
    return -1;
}

std::string rest(std::istringstream& line) {
    std::string text;
    std::getline(line >> std::ws, text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    return text;
}

long number(std::istringstream& line, const std::string& what) {
    long v = 0;
    if (!(line >> v)) throw std::invalid_argument("expected " + what);
    return v;
}

std::string withoutComment(const std::string& raw) {
    return raw.substr(0, raw.find('#'));
}

} // namespace

std::string scenarioMapName(const std::string& text) {
    std::istringstream lines(text);
    for (std::string raw; std::getline(lines, raw);) {
        std::istringstream line(withoutComment(raw));
        std::string word;
        if (line >> word && word == "map") return rest(line);
    }
    return {};
}

Bytes scenarioBytes(const std::string& text, std::uint16_t hexOffset) {
    std::vector<std::pair<long, std::string>> groups;
    std::string title, map, note;
    std::vector<long> sides[2];
    std::vector<std::pair<long, long>> substitutions;
    std::vector<std::string> scripts[2];
    Writer units;
    struct Fielded {
        long nation;
        std::string name;
        int line;
    };
    std::vector<Fielded> fielded;

    std::istringstream lines(text);
    int lineNumber = 0;
    for (std::string raw; std::getline(lines, raw);) {
        ++lineNumber;
        std::istringstream line(withoutComment(raw));
        std::string word;
        if (!(line >> word)) continue;
        try {
            if (word == "title") {
                title = rest(line);
            } else if (word == "map") {
                map = rest(line);
            } else if (word == "note") {
                note = rest(line);
            } else if (word == "group") {
                const long n = number(line, "a group number");
                groups.emplace_back(n, rest(line));
            } else if (word == "home" || word == "visitor") {
                auto& side = sides[word == "visitor"];
                side = {number(line, "a nation"), number(line, "a rout direction"),
                        number(line, "TQ points")};
            } else if (word == "substitute") {
                const long from = number(line, "a nation");
                substitutions.emplace_back(from, number(line, "a nation"));
            } else if (word == "home-script" || word == "visitor-script") {
                scripts[word == "visitor-script"].push_back(rest(line));
            } else {
                const int kind = kindOf(word);
                const auto widths = kindWidths().find(kind);
                if (widths == kindWidths().end()) throw std::invalid_argument("unknown statement " + word);
                const long nation = number(line, "a nation"), value = number(line, "a value");
                const long group = number(line, "a group"), hex = number(line, "a hex");
                const long facing = number(line, "a facing");
                std::vector<long> values;
                for (std::size_t i = 0; i < widths->second.size(); ++i)
                    values.push_back(number(line, "a value of the kind"));
                const std::string name = rest(line);
                if (name.empty() || name.size() > 255)
                    throw std::invalid_argument("a name of 1 to 255 characters");
                fielded.push_back({nation, name, lineNumber});
                units.u8(kind);
                units.text8(name);
                units.u8(nation), units.u16(value), units.u16(group), units.u16(hex + hexOffset),
                    units.u8(facing);
                for (std::size_t i = 0; i < values.size(); ++i)
                    widths->second[i] == 1 ? units.u8(values[i]) : units.u16(values[i]);
            }
        } catch (const std::exception& e) {
            throw std::invalid_argument("line " + std::to_string(lineNumber) + ": " + e.what());
        }
    }
    if (sides[0].empty() || sides[1].empty())
        throw std::invalid_argument("a scenario needs a home and a visitor");
    // The game counts, lists and fights a unit by its nation after the substitutions: one of a third
    // nation would be every other unit's enemy and its losses nobody's.
    const auto becomes = [&substitutions](long nation) {
        for (const auto& [from, to] : substitutions)
            if (from == nation) return to;
        return nation;
    };
    for (const Fielded& unit : fielded)
        if (const long nation = becomes(unit.nation); nation != sides[0][0] && nation != sides[1][0])
            throw std::invalid_argument("line " + std::to_string(unit.line) + ": " + unit.name + " of nation " +
                                        std::to_string(unit.nation) + " fights for neither the home (" +
                                        std::to_string(sides[0][0]) + ") nor the visitor (" +
                                        std::to_string(sides[1][0]) +
                                        "): a battle has two sides; substitute his nation by one of theirs");

    Writer out;
    out.u16(static_cast<long>(groups.size()));
    for (const auto& [n, name] : groups)
        out.u16(n), out.text16(name);
    out.u16(0);
    out.text8(title);
    out.text8(map);
    out.text8(note);
    for (const auto& side : sides)
        for (long v : side)
            out.u8(v);
    out.u8(static_cast<long>(substitutions.size()));
    for (const auto& [from, to] : substitutions)
        out.u8(from), out.u8(to);
    out.u8(static_cast<long>(scripts[0].size())), out.u8(static_cast<long>(scripts[1].size()));
    for (const auto& side : scripts)
        for (const std::string& name : side)
            out.text8(name);
    out.bytes.insert(out.bytes.end(), units.bytes.begin(), units.bytes.end());
    return out.bytes;
}

bool forgeScenarios(const std::filesystem::path& sources, const std::filesystem::path& directory,
                    std::string& error) {
    namespace fs = std::filesystem;
    const auto readText = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    std::vector<fs::path> files;
    std::error_code listed;
    for (fs::directory_iterator it(sources, listed), end; !listed && it != end; it.increment(listed))
        files.push_back(it->path());
    if (listed) return error = "cannot read " + sources.string(), false;
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
        const std::string name = path.filename().string();
        try {
            if (name.ends_with(".pln") || name.ends_with(".var")) {
                const std::string text = readText(path);
                if (!writeBytes(directory / name, Bytes(text.begin(), text.end())))
                    return error = "cannot write " + (directory / name).string(), false;
            } else if (name.ends_with(".scn.txt")) {
                const std::string text = readText(path);
                const std::string mapName = scenarioMapName(text);
                const Bytes mapBytes =
                    MapFileBuilder::fromText(readText(sources / (mapName + ".txt"))).bytes();
                LogicalMapFile map;
                if (!map.read(mapBytes.data(), mapBytes.size(), mapName)) return error = map.error(), false;
                const std::string scenarioName = name.substr(0, name.size() - 4);
                if (!writeBytes(directory / mapName, mapBytes) ||
                    !writeBytes(directory / scenarioName, scenarioBytes(text, map.hexOffset())))
                    return error = "cannot write the battle " + scenarioName + " into " + directory.string(),
                           false;
            }
        } catch (const std::exception& e) {
            return error = name + ": " + e.what(), false;
        }
    }
    return true;
}

} // namespace vael::forge
