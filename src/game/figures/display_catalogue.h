#pragma once
// The display catalogue: for every display type id (the key a unit's prototype is registered under) the
// display class that shows it, its unit kind code, the projectile set of its missiles, the nation its
// artwork is coloured for and the name of its artwork archive. It is a text file of ours,
// "display_catalogue.txt" in the data directory, read by the program and by the data generator, which
// draws the artwork it names.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vael {

enum class DisplayClass : std::uint8_t {
    PLeader,
    PTezhar,
    PHeavyInfantry,
    PLancer,
    PPhalanx,
    PCardaces,
    PArcher,
    PMountedArcher,
    PChariotArcher,
    PShockingArcher,
    PJavelinist,
    PShockingJavelinist,
    PMountedJavelinist,
    PChariotJavelinist,
    PElephant,
    PSlinger,
    POxybeles
};

// The class's name as the catalogue writes it; nullptr for a value off the list.
const char* displayClassName(DisplayClass c);
std::optional<DisplayClass> displayClassNamed(std::string_view name);

struct DisplayCatalogueEntry {
    std::uint16_t typeId = 0;
    DisplayClass displayClass = DisplayClass::PHeavyInfantry;
    std::int32_t unitKind = 0;
    std::int16_t missileKind = -1; // -1: the class throws or shoots nothing
    std::uint32_t nation = 0;
    std::string archive; // the full-size name

    std::string halfSizeName() const { return archive + " (Half size)"; }
    std::string quarterSizeName() const { return archive + " (Quarter size)"; }
    // The three names, full size first.
    std::array<std::string, 3> archiveNames() const { return {archive, halfSizeName(), quarterSizeName()}; }
    bool operator==(const DisplayCatalogueEntry&) const = default;
};

class DisplayCatalogue {
public:
    static constexpr const char* FileName = "display_catalogue.txt";
    static constexpr std::uint16_t TypeIdCount = 45;
    // Room for the longest suffix in the image index's 64-byte library names, with its terminator.
    static constexpr std::size_t LongestArchiveName = 63 - 15;

    // Reads the text; false, with the first bad line named in error(), when a line cannot be read. A
    // catalogue that failed keeps no entry at all, so a half-read file never passes for a whole one.
    bool parse(std::string_view text);
    // Reads the file at path; false with the reason when it cannot be opened or read, or names no type.
    bool load(const std::string& path);

    const std::string& error() const { return error_; }
    // The entry of a type id, or null when the catalogue has none.
    const DisplayCatalogueEntry* find(std::uint16_t typeId) const;
    // The entries in the order of their ids.
    std::vector<const DisplayCatalogueEntry*> entries() const;
    // The type ids below TypeIdCount that have no entry.
    std::vector<std::uint16_t> missing() const;
    // Each archive name once, in the order of the first id that names it.
    std::vector<const DisplayCatalogueEntry*> archives() const;

private:
    std::array<std::optional<DisplayCatalogueEntry>, TypeIdCount> entries_{};
    std::string error_;
};

} // namespace vael
