#pragma once
// The map file "oiffile.map": which data file of the data directory holds each image archive. A signed
// 16-bit record count, then that many records of 141 bytes: the data file's name in 13 bytes and the
// archive's name in 128, each ended by a NUL. The count is not trusted: a file whose size is not exactly
// what its count asks for holds no records, and a name field without its NUL is cut at the field's end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

struct MapFileRecord {
    std::string dataFile; // at most 12 characters
    std::string archive;  // at most 127 characters
};

class MapFile {
public:
    static constexpr std::size_t DataFileField = 13;
    static constexpr std::size_t ArchiveField = 128;
    static constexpr std::size_t RecordSize = DataFileField + ArchiveField;

    // Reads a whole map file; false (with the reason in error() and no records) when it is not one.
    bool read(const std::uint8_t* bytes, std::size_t size);
    // The first record of the archive of that exact name; null when there is none.
    const MapFileRecord* find(const std::string& archive) const;

    const std::vector<MapFileRecord>& records() const { return records_; }
    const std::string& error() const { return error_; }

private:
    std::vector<MapFileRecord> records_;
    std::string error_;
};

} // namespace vael
