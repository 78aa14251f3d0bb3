// Arbitrary text as the display catalogue: the reader either keeps every line it read, each entry within
// its bounds and found again under its own id, or refuses with a message and keeps nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/figures/display_catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::DisplayCatalogue catalogue;
    const bool read = catalogue.parse(std::string(reinterpret_cast<const char*>(data), size));
    if (read != catalogue.error().empty()) std::abort();
    const auto entries = catalogue.entries();
    if (!read && !entries.empty()) std::abort();
    if (entries.size() + catalogue.missing().size() != vael::DisplayCatalogue::TypeIdCount) std::abort();
    for (const vael::DisplayCatalogueEntry* e : entries) {
        if (catalogue.find(e->typeId) != e || e->typeId >= vael::DisplayCatalogue::TypeIdCount) std::abort();
        if (e->unitKind < 0 || e->unitKind > 15 || e->missileKind < -1 || e->missileKind > 4) std::abort();
        if (e->nation < 1 || e->nation > 9 || !vael::displayClassName(e->displayClass)) std::abort();
        if (e->archive.empty() || e->archive.size() > vael::DisplayCatalogue::LongestArchiveName)
            std::abort();
        if (e->archive.front() == ' ' || e->archive.back() == ' ') std::abort();
    }
    return 0;
}
