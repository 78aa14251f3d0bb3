#include "tools/forge/archive_writer.h"

#include <fstream>
#include <stdexcept>

namespace vael::forge {

namespace {
void put16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, static_cast<int>(v & 0xFFFF));
    put16(b, static_cast<int>(v >> 16));
}
// A NUL-terminated text in a field of fixed size; a name that would not leave room for its NUL is an
// error of the forge's own data, caught before a file is written with it.
void putText(Bytes& b, const std::string& text, std::size_t field) {
    if (text.size() >= field) throw std::length_error("name too long for its field: " + text);
    b.insert(b.end(), text.begin(), text.end());
    b.resize(b.size() + field - text.size(), 0);
}
void set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
int imageCount(const ForgedArchive& archive) {
    int n = 0;
    for (const ForgedGroup& g : archive.groups)
        n += static_cast<int>(g.images.size());
    return n;
}
} // namespace

Bytes archiveBytes(const ForgedArchive& archive, std::vector<std::uint32_t>* pixelOffsets) {
    Bytes b;
    putText(b, archive.title, 128);
    put16(b, static_cast<int>(archive.groups.size()));
    put16(b, imageCount(archive));
    std::size_t previousGroup = 0, previousNextField = 0;
    bool firstGroup = true;
    for (const ForgedGroup& group : archive.groups) {
        const std::size_t at = b.size();
        if (!firstGroup) set32(b, previousNextField, static_cast<std::uint32_t>(at));
        putText(b, group.name, 128);
        put16(b, static_cast<int>(group.images.size()));
        put32(b, static_cast<std::uint32_t>(firstGroup ? 0 : previousGroup));
        previousNextField = b.size();
        put32(b, 0); // the next group's offset, once it is known
        previousGroup = at;
        firstGroup = false;
        std::size_t previousImageNext = 0;
        for (std::size_t i = 0; i < group.images.size(); ++i) {
            const ForgedImage& image = group.images[i];
            // Every image with a successor in its group points at it: the reader never skips pixels itself.
            if (i > 0) set32(b, previousImageNext, static_cast<std::uint32_t>(b.size()));
            putText(b, image.name, 128);
            put16(b, image.size.w), put16(b, image.size.h);
            put16(b, image.hotSpot.x), put16(b, image.hotSpot.y);
            put16(b, image.kind);
            put32(b, static_cast<std::uint32_t>(image.pixels.size()));
            put32(b, 0);
            previousImageNext = b.size();
            put32(b, 0);
            if (pixelOffsets) pixelOffsets->push_back(static_cast<std::uint32_t>(b.size()));
            b.insert(b.end(), image.pixels.begin(), image.pixels.end());
        }
    }
    return b;
}

Bytes indexEntryBytes(const std::string& library, const std::string& dataFile, const ForgedArchive& archive,
                      const std::vector<std::uint32_t>& pixelOffsets) {
    Bytes b;
    putText(b, library, 64);
    putText(b, dataFile, 13);
    put16(b, static_cast<int>(archive.groups.size()));
    put16(b, imageCount(archive));
    for (const ForgedGroup& group : archive.groups) {
        putText(b, group.name, 24);
        put16(b, static_cast<int>(group.images.size()));
    }
    std::size_t n = 0;
    for (const ForgedGroup& group : archive.groups)
        for (const ForgedImage& image : group.images) {
            putText(b, image.name, 24);
            put16(b, image.size.w), put16(b, image.size.h);
            put16(b, image.hotSpot.x), put16(b, image.hotSpot.y);
            put16(b, image.kind);
            put32(b, static_cast<std::uint32_t>(image.pixels.size()));
            put32(b, pixelOffsets.at(n++));
        }
    return b;
}

Bytes mapFileBytes(const std::vector<std::pair<std::string, std::string>>& records) {
    Bytes b;
    put16(b, static_cast<int>(records.size()));
    for (const auto& [dataFile, name] : records) {
        putText(b, dataFile, 13);
        putText(b, name, 128);
    }
    return b;
}

bool writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

} // namespace vael::forge
