#include "framework/display/windows_palette.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/file_lookup.h"
#include "framework/core/read_file.h"

namespace vael {

namespace {
void report(const std::string& text) {
    Assertion::fail(text, "windows_palette.cpp", __LINE__);
}
} // namespace

const std::array<RgbQuad, LogicalPalette::Entries>& WindowsPalette::defaultColours() {
    static const std::array<RgbQuad, Entries> colours = [] {
        std::array<RgbQuad, Entries> c{};
        const auto& system = RealisedPalette::systemColours();
        for (int i = 0; i < 20; ++i) {
            const int index = i < 10 ? i : 236 + i;
            c[index] = RgbQuad{system[i].blue, system[i].green, system[i].red, 0};
        }
        int index = 10;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    c[index++] = RgbQuad{static_cast<std::uint8_t>(b * 51), static_cast<std::uint8_t>(g * 51),
                                         static_cast<std::uint8_t>(r * 51), 0};
        for (int i = 0; index < 246; ++i, ++index) {
            const auto v = static_cast<std::uint8_t>(8 + i * 12);
            c[index] = RgbQuad{v, v, v, 0};
        }
        return c;
    }();
    return colours;
}

WindowsPalette::WindowsPalette(const std::string& fileName) {
    const std::string directory =
        Application::instance() ? Application::instance()->dataPath(5) : std::string();
    std::string path = directory.empty() ? fileName : directory + "/" + fileName;
    const std::string folder = directory.empty() ? "." : directory;
    if (auto found = findFileNoCase(folder, fileName)) path = found->string();
    // Only the start of a regular file is read: what a palette holds at most, whatever the file's size.
    std::vector<std::uint8_t> start;
    std::string error;
    const std::size_t most = std::max<std::size_t>(CachedFileSize, BmpHeaderSize + 4 * Entries);
    std::filesystem::path other;
    // Something other than a file in its place (a FIFO, a folder, a loop of links) is no missing palette.
    if (const std::string problem = notAFile(folder, fileName, &other); !problem.empty()) {
        report("The palette file " + other.string() + " " + problem);
        useColours(defaultColours().data());
        return;
    }
    if (!readFileStart(path, most, start, error)) {
        // A file that is there but not one to read (a folder, a FIFO, a device) says what it is.
        report(error.rfind("cannot open ", 0) == 0 ? "Can't find " + path : "The palette file " + error);
        useColours(defaultColours().data());
        return;
    }
    std::istringstream file(std::string(start.begin(), start.end()), std::ios::binary);
    read(file, path);
}

WindowsPalette::WindowsPalette(std::istream& file, const std::string& name) {
    read(file, name);
}

WindowsPalette::WindowsPalette(const RgbQuad* colours) {
    useColours(colours);
}

WindowsPalette::~WindowsPalette() = default;

void deletePalette(LogicalPalette* palette) {
    delete palette;
}

void WindowsPalette::read(std::istream& file, const std::string& name) {
    char magic[MagicLength] = {};
    file.read(magic, MagicLength);
    if (file.gcount() == MagicLength && std::memcmp(magic, Magic, MagicLength) == 0) {
        std::array<RgbQuad, Entries> colours;
        file.read(reinterpret_cast<char*>(colours.data()), sizeof colours);
        std::array<Table, TableCount> tables;
        file.read(reinterpret_cast<char*>(tables.data()), sizeof tables);
        if (file) {
            colours_ = colours;
            tables_ = tables;
            fromFile_ = true;
            createPalette();
            return;
        }
    } else {
        // Anything else is a BMP: its headers are passed over unread, its colour table taken as it is.
        file.clear();
        file.seekg(BmpHeaderSize);
        std::array<RgbQuad, Entries> colours;
        file.read(reinterpret_cast<char*>(colours.data()), sizeof colours);
        if (file) {
            useColours(colours.data());
            fromFile_ = true;
            return;
        }
    }
    // A cut-off file would leave the colours half read.
    report("The palette file " + name + " is too short");
    useColours(defaultColours().data());
}

void WindowsPalette::useColours(const RgbQuad* colours) {
    std::memcpy(colours_.data(), colours, sizeof colours_);
    createPalette();
    computeTables();
}

void WindowsPalette::createPalette() {
    const auto& system = RealisedPalette::systemColours();
    for (int i = 0; i < Entries; ++i) {
        PaletteEntry& e = realised_->entries[i];
        if (RealisedPalette::isSystemEntry(i)) {
            e = system[i < 10 ? i : i - 236];
        } else {
            e = PaletteEntry{colours_[i].red, colours_[i].green, colours_[i].blue, PC_NOCOLLAPSE};
        }
    }
}

void WindowsPalette::computeTables() {
    struct Change {
        double factor;
        bool grey;
        bool capped;
    };
    static constexpr Change changes[TableCount] = {
        {0.7, false, false}, {0.7, true, false}, {1.4, false, true}, {1.15, false, true}, {1.3, false, true}};
    for (int t = 0; t < TableCount; ++t) {
        for (int i = 0; i < Entries; ++i) {
            HSVColour c = rgbToHsv(colours_[i]);
            if (changes[t].grey) c.saturation = 0;
            c.value = static_cast<float>(c.value * changes[t].factor);
            if (changes[t].capped && c.value > 1) c.value = 1;
            const RgbQuad rgb = hsvToRgb(c);
            tables_[t][i] = nearestIndex(rgb.red, rgb.green, rgb.blue);
        }
    }
}

std::uint8_t WindowsPalette::nearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
    // A plain pointer walk: a BMP palette asks this 1,280 times over all 256 entries.
    const PaletteEntry* e = realised_->entries.data();
    int best = 0;
    int bestDistance = 3 * 255 * 255 + 1;
    for (int i = 0; i < Entries; ++i, ++e) {
        const int dr = e->red - red, dg = e->green - green, db = e->blue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void WindowsPalette::setEntryFlags(std::uint16_t first, std::uint16_t last, std::uint8_t flags) {
    for (int i = first; i <= last && i < Entries; ++i)
        realised_->entries[i].flags = flags;
}

void WindowsPalette::reserveRange(std::uint16_t first, std::uint16_t last) {
    animatedFirst_ = first;
    animatedLast_ = last;
    setEntryFlags(first, last, PC_RESERVED);
}

void WindowsPalette::releaseRange(std::uint16_t first, std::uint16_t last) {
    animatedFirst_ = animatedLast_ = 0;
    setEntryFlags(first, last, PC_NOCOLLAPSE);
}

std::int16_t WindowsPalette::animatedRange(std::uint16_t& first, std::uint16_t& last) const {
    if (animatedFirst_ == 0 && animatedLast_ == 0) return 0;
    first = animatedFirst_;
    last = animatedLast_;
    return 1;
}

bool WindowsPalette::save(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(Magic, MagicLength);
    file.write(reinterpret_cast<const char*>(colours_.data()), sizeof colours_);
    file.write(reinterpret_cast<const char*>(tables_.data()), sizeof tables_);
    return static_cast<bool>(file.flush());
}

} // namespace vael
