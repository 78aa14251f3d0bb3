#pragma once
// The forge's writers of the display's files: image archives, their image-index entries and the map
// file, byte for byte in the layouts the program reads.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/geometry.h"

namespace vael::forge {

using Bytes = std::vector<std::uint8_t>;

// One image as stored: raw rows padded to a multiple of four bytes, or run-length rows.
struct ForgedImage {
    std::string name;
    Dim size;
    Point hotSpot;
    std::int32_t kind = 1;
    Bytes pixels;
};

struct ForgedGroup {
    std::string name;
    std::vector<ForgedImage> images;
};

struct ForgedArchive {
    std::string title;
    std::vector<ForgedGroup> groups;
};

// The archive file; pixelOffsets, when given, receives the file offset of every image's pixels in order.
Bytes archiveBytes(const ForgedArchive& archive, std::vector<std::uint32_t>* pixelOffsets = nullptr);
// The image-index entry of an archive written to dataFile, with the pixel offsets archiveBytes gave.
Bytes indexEntryBytes(const std::string& library, const std::string& dataFile, const ForgedArchive& archive,
                      const std::vector<std::uint32_t>& pixelOffsets);
// The map file of (data file, archive name) records.
Bytes mapFileBytes(const std::vector<std::pair<std::string, std::string>>& records);

// Writes the bytes to the file; false when it cannot be written.
bool writeBytes(const std::filesystem::path& path, const Bytes& bytes);

} // namespace vael::forge
