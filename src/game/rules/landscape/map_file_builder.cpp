#include "game/rules/landscape/map_file_builder.h"

#include <fstream>
#include <optional>
#include <sstream>

#include "game/rules/landscape/logical_map_file.h"

namespace vael {

namespace {

// Offsets from a hex centre to the midpoint of each side, by region direction (0 = no side).
struct SideOffset {
    int dx;
    int dy;
};
std::optional<SideOffset> sideOffset(int direction) {
    switch (direction) {
    case 1:
        return SideOffset{0, -2};
    case 2:
        return SideOffset{1, -1};
    case 4:
        return SideOffset{1, 1};
    case 5:
        return SideOffset{0, 2};
    case 6:
        return SideOffset{-1, 1};
    case 8:
        return SideOffset{-1, -1};
    default:
        return std::nullopt;
    }
}

std::optional<std::uint16_t> terrainLetter(char c) {
    switch (c) {
    case 'c':
        return 0;
    case 'w':
        return 1;
    case 'k':
        return 2;
    case 'm':
        return 3;
    case 'r':
        return 4;
    case 'R':
        return 5;
    case 'a':
        return 10;
    case 'o':
        return 12;
    case 'p':
        return 13;
    default:
        return std::nullopt;
    }
}

[[noreturn]] void fail(int line, const std::string& what) {
    throw std::invalid_argument("map description line " + std::to_string(line) + ": " + what);
}

std::vector<std::string> tokens(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string t; in >> t;)
        out.push_back(t);
    return out;
}

long number(const std::string& token, long low, long high, int line, const char* what) {
    std::size_t used = 0;
    long value = 0;
    try {
        value = std::stol(token, &used, 10);
    } catch (const std::exception&) {
        fail(line, std::string(what) + " \"" + token + "\" is not a number");
    }
    if (used != token.size()) fail(line, std::string(what) + " \"" + token + "\" is not a number");
    if (value < low || value > high)
        fail(line, std::string(what) + " " + token + " is outside " + std::to_string(low) + ".." +
                       std::to_string(high));
    return value;
}

std::uint16_t sideValue(const std::string& token, int line) {
    if (token == "impassable") return 20;
    if (token == "stream") return 6;
    if (token == "barrier") return 11;
    return static_cast<std::uint16_t>(number(token, 0, 65535, line, "side value"));
}

std::vector<std::uint16_t> terrainCell(const std::string& cell, int line) {
    std::vector<std::uint16_t> codes;
    if (cell == ".") return codes;
    if (cell.front() == '[') {
        if (cell.back() != ']') fail(line, "terrain cell \"" + cell + "\" lacks its closing bracket");
        std::string inner = cell.substr(1, cell.size() - 2);
        std::istringstream in(inner);
        for (std::string part; std::getline(in, part, ',');)
            codes.push_back(static_cast<std::uint16_t>(number(part, 0, 65535, line, "terrain code")));
        return codes;
    }
    for (char c : cell) {
        auto code = terrainLetter(c);
        if (!code) fail(line, std::string("unknown terrain letter '") + c + "'");
        codes.push_back(*code);
    }
    return codes;
}

bool isKeyword(const std::string& word) {
    static const char* const keywords[] = {"name",    "size",    "offset", "style",
                                           "heights", "terrain", "side",   "record"};
    for (const char* k : keywords)
        if (word == k) return true;
    return false;
}

struct Row {
    int line;
    std::vector<std::string> cells;
};

// The reader refuses a map without hexes and one taller than hex numbers can address.
std::uint8_t checkedSize(std::uint8_t size, std::uint8_t most, const char* what) {
    if (size == 0 || size > most)
        throw std::invalid_argument(std::string("a map is 1 to ") + std::to_string(most) + " hexes " + what +
                                    ", not " + std::to_string(size));
    return size;
}

} // namespace

MapFileBuilder::MapFileBuilder(std::uint8_t width, std::uint8_t height)
    : width_(checkedSize(width, 255, "wide")), height_(checkedSize(height, LogicalMapFile::maxRows, "high")),
      heights_(static_cast<std::size_t>(width) * height, 1),
      records_(static_cast<std::size_t>(width * 2 + 2) * (height * 4 + 1)) {}

std::size_t MapFileBuilder::regionIndex(std::int16_t hex) const {
    if (hex < 0) throw std::out_of_range("hex " + std::to_string(hex) + " is not on the map");
    const int column = hex / 100;
    const int row = hex % 100;
    if (column >= width_ || row >= height_)
        throw std::out_of_range("hex " + std::to_string(hex) + " is not on the map");
    return static_cast<std::size_t>(row) * width_ + column;
}

std::vector<std::uint16_t>& MapFileBuilder::record(int x, int y) {
    const int columns = width_ * 2 + 2;
    const int rows = height_ * 4 + 1;
    if (x < 0 || y < 0 || x >= columns || y >= rows)
        throw std::out_of_range("lattice point (" + std::to_string(x) + ", " + std::to_string(y) +
                                ") is outside the lattice");
    return records_[static_cast<std::size_t>(y) * columns + x];
}

MapFileBuilder& MapFileBuilder::setName(const std::string& name) {
    if (name.size() > maxNameLength)
        throw std::invalid_argument("a map name is at most " + std::to_string(maxNameLength) +
                                    " bytes, not " + std::to_string(name.size()));
    name_ = name;
    return *this;
}

void MapFileBuilder::append(std::vector<std::uint16_t>& values, std::uint16_t value, std::size_t most,
                            const std::string& where) {
    if (values.size() >= most)
        throw std::invalid_argument(where + " already holds " + std::to_string(most) +
                                    " values, the most it can");
    values.push_back(value);
}

MapFileBuilder& MapFileBuilder::setHexOffset(std::uint16_t offset) {
    hexOffset_ = offset;
    return *this;
}

MapFileBuilder& MapFileBuilder::setLandscapeStyle(std::int16_t style) {
    landscapeStyle_ = style;
    return *this;
}

MapFileBuilder& MapFileBuilder::setHeight(std::int16_t hex, std::uint8_t level) {
    heights_[regionIndex(hex)] = level;
    return *this;
}

MapFileBuilder& MapFileBuilder::addTerrain(std::int16_t hex, std::uint16_t code) {
    regionIndex(hex);
    append(record(latticeX(hex), latticeY(hex)), code, LogicalMapFile::maxTerrainCodes,
           "the terrain of hex " + std::to_string(hex));
    return *this;
}

MapFileBuilder& MapFileBuilder::addSide(std::int16_t hex, int regionDirection, std::uint16_t value) {
    regionIndex(hex);
    auto offset = sideOffset(regionDirection);
    if (!offset)
        throw std::out_of_range("region direction " + std::to_string(regionDirection) + " names no side");
    append(record(latticeX(hex) + offset->dx, latticeY(hex) + offset->dy), value,
           LogicalMapFile::maxRecordValues,
           "side " + std::to_string(regionDirection) + " of hex " + std::to_string(hex));
    return *this;
}

MapFileBuilder& MapFileBuilder::addRecordValue(int x, int y, std::uint16_t value) {
    append(record(x, y), value, LogicalMapFile::maxRecordValues,
           "the lattice record at (" + std::to_string(x) + ", " + std::to_string(y) + ")");
    return *this;
}

std::vector<std::uint8_t> MapFileBuilder::bytes() const {
    std::vector<std::uint8_t> out;
    auto put16 = [&out](std::uint16_t v) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put16(static_cast<std::uint16_t>(name_.size()));
    for (char c : name_)
        out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(width_);
    out.push_back(height_);
    put16(hexOffset_);
    put16(static_cast<std::uint16_t>(landscapeStyle_));
    out.insert(out.end(), heights_.begin(), heights_.end());
    for (const auto& r : records_) {
        put16(static_cast<std::uint16_t>(r.size()));
        for (std::uint16_t v : r)
            put16(v);
    }
    return out;
}

bool MapFileBuilder::writeFile(const std::string& path, std::string* error) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        if (error) *error = "cannot create map file \"" + path + "\"";
        return false;
    }
    const auto data = bytes();
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
        if (error) *error = "cannot write map file \"" + path + "\"";
        return false;
    }
    return true;
}

MapFileBuilder MapFileBuilder::fromText(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::pair<int, std::string>> lines;
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (tokens(line).empty()) continue;
        lines.emplace_back(lineNumber, line);
    }

    std::optional<std::string> name;
    int nameLine = 0;
    std::optional<std::pair<int, int>> size;
    std::optional<std::uint16_t> offset;
    std::optional<std::int16_t> style;
    std::optional<std::vector<Row>> heightRows, terrainRows;
    struct Statement {
        int line;
        std::vector<std::string> words;
    };
    std::vector<Statement> sides, records;

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int line = lines[i].first;
        const auto words = tokens(lines[i].second);
        const std::string& key = words[0];
        auto once = [&](bool seen) {
            if (seen) fail(line, "\"" + key + "\" is given twice");
        };
        if (key == "name") {
            once(name.has_value());
            std::string rest = lines[i].second;
            rest.erase(0, rest.find("name") + 4);
            const auto first = rest.find_first_not_of(" \t");
            const auto last = rest.find_last_not_of(" \t");
            name = first == std::string::npos ? std::string() : rest.substr(first, last - first + 1);
            nameLine = line;
        } else if (key == "size") {
            once(size.has_value());
            if (words.size() != 3) fail(line, "size takes a width and a height");
            size = std::make_pair(
                static_cast<int>(number(words[1], 1, 255, line, "width")),
                static_cast<int>(number(words[2], 1, LogicalMapFile::maxRows, line, "height")));
        } else if (key == "offset") {
            once(offset.has_value());
            if (words.size() != 2) fail(line, "offset takes one number");
            offset = static_cast<std::uint16_t>(number(words[1], 0, 65535, line, "offset"));
        } else if (key == "style") {
            once(style.has_value());
            if (words.size() != 2) fail(line, "style takes one number");
            style = static_cast<std::int16_t>(number(words[1], -32768, 32767, line, "style"));
        } else if (key == "heights" || key == "terrain") {
            auto& block = key == "heights" ? heightRows : terrainRows;
            once(block.has_value());
            if (words.size() != 1) fail(line, "\"" + key + "\" stands alone on its line; its rows follow");
            block.emplace();
            while (i + 1 < lines.size() && !isKeyword(tokens(lines[i + 1].second)[0])) {
                ++i;
                block->push_back(Row{lines[i].first, tokens(lines[i].second)});
            }
            if (block->empty()) fail(line, "\"" + key + "\" has no rows");
        } else if (key == "side" || key == "record") {
            if (words.size() < 4) fail(line, "\"" + key + "\" needs a place and at least one value");
            (key == "side" ? sides : records).push_back(Statement{line, words});
        } else {
            fail(line, "unknown statement \"" + key + "\"");
        }
    }

    // A block without a size statement gives the size: as many hexes as its first row, as many rows as it
    // has, within what the map file can hold.
    auto blockSize = [](const std::vector<Row>& rows) {
        const int width = static_cast<int>(rows.front().cells.size());
        const int height = static_cast<int>(rows.size());
        if (width > 255)
            fail(rows.front().line, "a map is at most 255 hexes wide, this row has " + std::to_string(width));
        if (height > LogicalMapFile::maxRows)
            fail(rows[LogicalMapFile::maxRows].line,
                 "a map has at most " + std::to_string(LogicalMapFile::maxRows) + " rows");
        return std::make_pair(width, height);
    };
    if (!size) {
        if (heightRows)
            size = blockSize(*heightRows);
        else if (terrainRows)
            size = blockSize(*terrainRows);
        else
            fail(lines.empty() ? 1 : lines.back().first, "the map has no size, heights or terrain");
    }
    const int width = size->first;
    const int height = size->second;
    auto checkBlock = [&](const std::vector<Row>& rows, const char* what) {
        if (static_cast<int>(rows.size()) != height)
            fail(rows.front().line, std::string(what) + " has " + std::to_string(rows.size()) +
                                        " rows, the map " + std::to_string(height));
        for (const Row& r : rows)
            if (static_cast<int>(r.cells.size()) != width)
                fail(r.line, std::string(what) + " row has " + std::to_string(r.cells.size()) +
                                 " hexes, the map is " + std::to_string(width) + " wide");
    };

    // The builder's own refusals (a record or a name too long for the file, a side off the lattice) name
    // the line that asked for them.
    auto onLine = [](int line, auto&& step) {
        try {
            step();
        } catch (const std::logic_error& e) {
            fail(line, e.what());
        }
    };
    MapFileBuilder builder(static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height));
    if (name) onLine(nameLine, [&] { builder.setName(*name); });
    if (offset) builder.setHexOffset(*offset);
    if (style) builder.setLandscapeStyle(*style);
    if (heightRows) {
        checkBlock(*heightRows, "heights");
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column) {
                const Row& r = (*heightRows)[row];
                builder.setHeight(
                    static_cast<std::int16_t>(column * 100 + row),
                    static_cast<std::uint8_t>(number(r.cells[column], 0, 255, r.line, "height level")));
            }
    }
    if (terrainRows) {
        checkBlock(*terrainRows, "terrain");
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column) {
                const Row& r = (*terrainRows)[row];
                for (std::uint16_t code : terrainCell(r.cells[column], r.line))
                    onLine(r.line,
                           [&] { builder.addTerrain(static_cast<std::int16_t>(column * 100 + row), code); });
            }
    }
    for (const Statement& s : sides) {
        const auto hex = static_cast<std::int16_t>(number(s.words[1], 0, 32767, s.line, "hex"));
        const auto direction = static_cast<int>(number(s.words[2], 0, 8, s.line, "region direction"));
        if (hex / 100 >= width || hex % 100 >= height)
            fail(s.line, "hex " + s.words[1] + " is not on the map");
        if (!sideOffset(direction)) fail(s.line, "region direction " + s.words[2] + " names no side");
        for (std::size_t v = 3; v < s.words.size(); ++v) {
            const std::uint16_t value = sideValue(s.words[v], s.line);
            onLine(s.line, [&] { builder.addSide(hex, direction, value); });
        }
    }
    for (const Statement& s : records) {
        const int x = static_cast<int>(number(s.words[1], 0, width * 2 + 1, s.line, "lattice x"));
        const int y = static_cast<int>(number(s.words[2], 0, height * 4, s.line, "lattice y"));
        for (std::size_t v = 3; v < s.words.size(); ++v) {
            const auto value = static_cast<std::uint16_t>(number(s.words[v], 0, 65535, s.line, "value"));
            onLine(s.line, [&] { builder.addRecordValue(x, y, value); });
        }
    }
    return builder;
}

} // namespace vael
