#pragma once
// Writes logical map files from a readable description, for the tests' small maps and for the data
// generator's battle maps. The description names every hex by its terrain letters and height level
// and every hex side by its feature values; the builder lays them on the quarter-hex lattice exactly
// as the map loader reads them back.
//
// Text form (one statement per line, '#' starts a comment):
//   name <text>                     map name (rest of the line)
//   size <width> <height>           optional when a heights or terrain block gives the size
//   offset <n>                      hex offset of the scenario's hex numbers (default 1000)
//   style <n>                       landscape style word (default 0)
//   heights                         followed by one line per row: one height level (0-255) per hex
//   terrain                         followed by one line per row: one cell per hex
//   side <hex> <direction> <value>...   features of the side of <hex> in region direction 1,2,4,5,6,8
//   record <x> <y> <value>...       raw values appended to the lattice record at (x, y)
// A terrain cell is '.' (no code), a run of letters, or a bracketed list of codes such as [4,12].
// Letters: c 0 open, w 1 woods, k 2 rocky, m 3 marsh, r 4 river, R 5 deep river, a 10 abatis,
// o 12 road, p 13 path. Side values are numbers or impassable (20), stream (6), barrier (11).
// Every row lists all hexes of the row, the unused last hex of odd columns included.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vael {

class MapFileBuilder {
public:
    // The longest name the file's signed 16-bit length can give.
    static constexpr std::size_t maxNameLength = 32767;

    // A map of width columns and height rows, every hex at height level 1 with no terrain. The builder
    // writes nothing the map reader would refuse: a size of 0, more than 100 rows (hex numbers address no
    // more), a longer name or a longer record than the file holds throw std::invalid_argument.
    MapFileBuilder(std::uint8_t width, std::uint8_t height);

    // Reads the text form; a malformed description throws std::invalid_argument naming the line, and
    // nothing else.
    static MapFileBuilder fromText(const std::string& text);

    MapFileBuilder& setName(const std::string& name);
    MapFileBuilder& setHexOffset(std::uint16_t offset);
    MapFileBuilder& setLandscapeStyle(std::int16_t style);
    // Hex numbers are column * 100 + row; a hex outside the width x height table throws std::out_of_range.
    MapFileBuilder& setHeight(std::int16_t hex, std::uint8_t level);
    // At most 10 codes a hex.
    MapFileBuilder& addTerrain(std::int16_t hex, std::uint16_t code);
    // The record of a side is shared by the two hexes that meet there; it holds at most 12 values. The
    // lower sides of the unused last hex of an odd column lie off the lattice (std::out_of_range).
    MapFileBuilder& addSide(std::int16_t hex, int regionDirection, std::uint16_t value);
    // At most 12 values a record.
    MapFileBuilder& addRecordValue(int x, int y, std::uint16_t value);

    std::uint8_t width() const { return width_; }
    std::uint8_t height() const { return height_; }

    std::vector<std::uint8_t> bytes() const;
    // Writes the bytes to a file; answers false with the reason in error when it cannot.
    bool writeFile(const std::string& path, std::string* error = nullptr) const;

    // Lattice coordinates of a hex centre, the same rule the loader uses.
    static int latticeX(std::int16_t hex) { return 2 * (hex / 100) + 2; }
    static int latticeY(std::int16_t hex) { return 4 * (hex % 100) + 2 * ((hex / 100) % 2) + 2; }

private:
    std::size_t regionIndex(std::int16_t hex) const;
    std::vector<std::uint16_t>& record(int x, int y);
    static void append(std::vector<std::uint16_t>& values, std::uint16_t value, std::size_t most,
                       const std::string& where);

    std::uint8_t width_;
    std::uint8_t height_;
    std::string name_ = "Map";
    std::uint16_t hexOffset_ = 1000;
    std::int16_t landscapeStyle_ = 0;
    std::vector<std::uint8_t> heights_;
    std::vector<std::vector<std::uint16_t>> records_;
};

} // namespace vael
