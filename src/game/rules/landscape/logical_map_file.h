#pragma once
// The contents of a logical map file, read and checked before any region is built from them: the
// header, the height level of every hex and the lattice records. A file that is short, holds bytes
// after its last record, declares an impossible size or a record longer than the format allows is
// refused with a message that names the file, so that a bad file never turns into a half-built map.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

class LogicalMapFile {
public:
    // The longest lattice record the format allows, and the most terrain codes a hex keeps.
    static constexpr std::uint16_t maxRecordValues = 12;
    static constexpr std::uint16_t maxTerrainCodes = 10;
    // Hex numbers are column * 100 + row, so a map has at most 100 rows.
    static constexpr std::uint8_t maxRows = 100;

    // Reads the bytes of the file named fileName (the name is only used in messages). Answers false
    // on a malformed file and leaves error() telling why; the contents are then empty.
    bool read(const std::uint8_t* data, std::size_t size, const std::string& fileName);
    // Reads the whole file from disk, then as above.
    bool readFile(const std::string& fileName);

    const std::string& error() const { return error_; }

    std::uint8_t width() const { return width_; }
    std::uint8_t height() const { return height_; }
    std::uint16_t hexOffset() const { return hexOffset_; }
    std::int32_t landscapeStyle() const { return landscapeStyle_; }
    const std::string& name() const { return name_; }

    // The height level of the hex at a region index (row * width + column).
    std::uint8_t heightLevel(std::size_t index) const { return heights_[index]; }

    int latticeColumns() const { return width_ * 2 + 2; }
    int latticeRows() const { return height_ * 4 + 1; }
    // The record at a lattice point; a point outside the lattice has an empty record.
    std::uint16_t recordCount(int x, int y) const;
    const std::uint16_t* recordValues(int x, int y) const;

private:
    bool refuse(const std::string& fileName, const std::string& why);
    std::ptrdiff_t recordIndex(int x, int y) const;

    std::string error_;
    std::string name_;
    std::uint8_t width_ = 0;
    std::uint8_t height_ = 0;
    std::uint16_t hexOffset_ = 1000;
    std::int32_t landscapeStyle_ = 0;
    std::vector<std::uint8_t> heights_;
    // Record r holds values_[start_[r] .. start_[r + 1]).
    std::vector<std::uint32_t> start_;
    std::vector<std::uint16_t> values_;
};

} // namespace vael
