#include "game/rules/landscape/logical_map_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/core/read_file.h"

namespace vael {

namespace {

// A cursor over the file's bytes that never reads past the end.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool has(std::size_t n) const { return size_ - pos_ >= n; }
    std::size_t left() const { return size_ - pos_; }
    std::uint8_t u8() { return data_[pos_++]; }
    std::uint16_t u16() {
        const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    const std::uint8_t* take(std::size_t n) {
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace

bool LogicalMapFile::refuse(const std::string& fileName, const std::string& why) {
    *this = LogicalMapFile();
    error_ = "Map file \"" + fileName + "\" " + why;
    return false;
}

bool LogicalMapFile::readFile(const std::string& fileName) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readFileBytes(fileName, bytes, error, file_limits::Data)) {
        // What the file is, when the reader could tell (a folder, not a regular file, too large), after its
        // name; else it could not be opened.
        const std::string named = fileName + " ";
        return refuse(fileName, error.rfind(named, 0) == 0 ? error.substr(named.size()) : "cannot be opened");
    }
    static const std::uint8_t none = 0;
    return read(bytes.empty() ? &none : bytes.data(), bytes.size(), fileName);
}

bool LogicalMapFile::read(const std::uint8_t* data, std::size_t size, const std::string& fileName) {
    *this = LogicalMapFile();
    Reader in(data, size);

    if (!in.has(2)) return refuse(fileName, "is too short to hold a map header");
    const auto nameLength = static_cast<std::int16_t>(in.u16());
    if (nameLength < 0)
        return refuse(fileName, "has a negative name length (" + std::to_string(nameLength) + ")");
    if (!in.has(static_cast<std::size_t>(nameLength) + 6))
        return refuse(fileName, "is too short to hold a map header");
    const std::uint8_t* nameBytes = in.take(static_cast<std::size_t>(nameLength));
    std::string name(reinterpret_cast<const char*>(nameBytes), static_cast<std::size_t>(nameLength));
    const std::uint8_t width = in.u8();
    const std::uint8_t height = in.u8();
    const std::uint16_t hexOffset = in.u16();
    const auto style = static_cast<std::int16_t>(in.u16());

    if (width == 0 || height == 0)
        return refuse(fileName, "has no hexes (width " + std::to_string(width) + ", height " +
                                    std::to_string(height) + ")");
    if (height > maxRows)
        return refuse(fileName, "has " + std::to_string(height) + " rows; a map has at most " +
                                    std::to_string(maxRows));

    const std::size_t regionCount = static_cast<std::size_t>(width) * height;
    if (!in.has(regionCount)) return refuse(fileName, "ends inside the height levels of its hexes");
    const std::uint8_t* heights = in.take(regionCount);

    const int columns = width * 2 + 2;
    const int rows = height * 4 + 1;
    const std::size_t recordCount = static_cast<std::size_t>(columns) * rows;
    std::vector<std::uint32_t> start;
    start.reserve(recordCount + 1);
    std::vector<std::uint16_t> values;
    for (std::size_t r = 0; r < recordCount; ++r) {
        auto where = [r, columns] {
            return "the lattice record at (" + std::to_string(r % columns) + ", " +
                   std::to_string(r / columns) + ")";
        };
        if (!in.has(2)) return refuse(fileName, "ends before " + where());
        const std::uint16_t count = in.u16();
        if (count > maxRecordValues)
            return refuse(fileName, "has " + std::to_string(count) + " values in " + where() +
                                        "; a record holds at most " + std::to_string(maxRecordValues));
        if (!in.has(static_cast<std::size_t>(count) * 2)) return refuse(fileName, "ends inside " + where());
        start.push_back(static_cast<std::uint32_t>(values.size()));
        for (std::uint16_t v = 0; v < count; ++v)
            values.push_back(in.u16());
    }
    start.push_back(static_cast<std::uint32_t>(values.size()));
    if (in.left() != 0)
        return refuse(fileName, "has " + std::to_string(in.left()) + " bytes after the end of the map");

    name_ = std::move(name);
    width_ = width;
    height_ = height;
    hexOffset_ = hexOffset;
    landscapeStyle_ = style;
    heights_.assign(heights, heights + regionCount);
    start_ = std::move(start);
    values_ = std::move(values);
    return true;
}

std::ptrdiff_t LogicalMapFile::recordIndex(int x, int y) const {
    if (start_.empty() || x < 0 || y < 0 || x >= latticeColumns() || y >= latticeRows()) return -1;
    return static_cast<std::ptrdiff_t>(y) * latticeColumns() + x;
}

std::uint16_t LogicalMapFile::recordCount(int x, int y) const {
    const auto r = recordIndex(x, y);
    if (r < 0) return 0;
    return static_cast<std::uint16_t>(start_[r + 1] - start_[r]);
}

const std::uint16_t* LogicalMapFile::recordValues(int x, int y) const {
    const auto r = recordIndex(x, y);
    if (r < 0 || start_[r + 1] == start_[r]) return nullptr;
    return values_.data() + start_[r];
}

} // namespace vael
