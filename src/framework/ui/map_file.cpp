#include "framework/ui/map_file.h"

#include <cstring>

namespace vael {

namespace {
// The text of a name field up to its NUL; a field with none keeps one byte less, as if its last byte were
// the NUL.
std::string fieldText(const std::uint8_t* field, std::size_t size) {
    const void* nul = std::memchr(field, 0, size - 1);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - field) : size - 1;
    return std::string(reinterpret_cast<const char*>(field), length);
}
} // namespace

bool MapFile::read(const std::uint8_t* bytes, std::size_t size) {
    records_.clear();
    error_.clear();
    if (size < 2) {
        error_ = "it holds " + std::to_string(size) + " bytes, too few for its record count";
        return false;
    }
    const auto count = static_cast<std::int16_t>(bytes[0] | bytes[1] << 8);
    if (count < 0) {
        error_ = "its record count " + std::to_string(count) + " is negative";
        return false;
    }
    const std::size_t expected = 2 + RecordSize * static_cast<std::size_t>(count);
    if (size != expected) {
        error_ = "it holds " + std::to_string(size) + " bytes where its count of " + std::to_string(count) +
                 " records asks for " + std::to_string(expected);
        return false;
    }
    records_.reserve(static_cast<std::size_t>(count));
    for (const std::uint8_t* record = bytes + 2; record < bytes + size; record += RecordSize)
        records_.push_back(
            {fieldText(record, DataFileField), fieldText(record + DataFileField, ArchiveField)});
    return true;
}

const MapFileRecord* MapFile::find(const std::string& archive) const {
    for (const MapFileRecord& record : records_)
        if (record.archive == archive) return &record;
    return nullptr;
}

} // namespace vael
