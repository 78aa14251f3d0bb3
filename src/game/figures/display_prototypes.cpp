#include "game/figures/display_prototypes.h"

#include "framework/display/physical_layer.h"
#include "game/figures/p_archer.h"
#include "game/figures/p_cardaces.h"
#include "game/figures/p_elephant.h"
#include "game/figures/p_javelinist.h"
#include "game/figures/p_lancer.h"
#include "game/figures/p_leader.h"
#include "game/figures/p_mounted_archer.h"
#include "game/figures/p_mounted_javelinist.h"
#include "game/figures/p_oxybeles.h"
#include "game/figures/p_phalanx.h"
#include "game/figures/p_slinger.h"
#include "game/figures/vael_physical_object.h"

namespace vael {

namespace {
constexpr std::int16_t NoHex = -1;
constexpr std::int32_t FirstFacing = 1;
} // namespace

std::unique_ptr<VaelPhysicalObject> makeDisplayPrototype(const DisplayCatalogueEntry& entry) {
    // An empty name loads nothing; the sized names of an empty archive would be looked up and not found.
    const bool art = !entry.archive.empty();
    const std::string full = art ? entry.archive : std::string();
    const std::string half = art ? entry.halfSizeName() : std::string();
    const std::string quarter = art ? entry.quarterSizeName() : std::string();
    const std::int16_t missile = entry.missileKind;
    switch (entry.displayClass) {
    case DisplayClass::PLeader:
        // Kind 5 is the commander of the whole army, kind 4 a leader under him.
        return std::make_unique<PLeader>(
            full, half, quarter, NoHex, FirstFacing,
            static_cast<DisplayKind>(entry.unitKind) == DisplayKind::SecondLeader ? 1 : 0);
    case DisplayClass::PTezhar:
        return std::make_unique<PTezhar>(full, half, quarter, NoHex, FirstFacing);
    case DisplayClass::PHeavyInfantry:
        return std::make_unique<PHeavyInfantry>(full, half, quarter, NoHex, FirstFacing);
    case DisplayClass::PLancer:
        return std::make_unique<PLancer>(
            full, half, quarter, NoHex, FirstFacing,
            static_cast<DisplayKind>(entry.unitKind) == DisplayKind::Cataphracts ? 1 : 0);
    case DisplayClass::PPhalanx:
        return std::make_unique<PPhalanx>(full, half, quarter, NoHex, FirstFacing);
    case DisplayClass::PArcher:
        return std::make_unique<PArcher>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PMountedArcher:
        return std::make_unique<PMountedArcher>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PChariotArcher:
        return std::make_unique<PChariotArcher>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PShockingArcher:
        return std::make_unique<PShockingArcher>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PJavelinist:
        return std::make_unique<PJavelinist>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PShockingJavelinist:
        return std::make_unique<PShockingJavelinist>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PMountedJavelinist:
        return std::make_unique<PMountedJavelinist>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PChariotJavelinist:
        return std::make_unique<PChariotJavelinist>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PCardaces:
        return std::make_unique<PCardaces>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PElephant:
        return std::make_unique<PElephant>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::PSlinger:
        return std::make_unique<PSlinger>(full, half, quarter, missile, NoHex, FirstFacing);
    case DisplayClass::POxybeles:
        return std::make_unique<POxybeles>(full, half, quarter, missile, NoHex, FirstFacing);
    }
    // A class off the list (a catalogue newer than the program): the plain display object shows it.
    return std::make_unique<VaelPhysicalObject>(full, half, quarter, NoHex, FirstFacing);
}

void registerDisplayPrototypes(const DisplayCatalogue& catalogue, bool withArtwork) {
    // A saved game keeps the commands under way with their boxes, written through these records.
    VaelPhysicalObject::registerUnderWayTypes();
    for (std::uint16_t id = 0; id < DisplayCatalogue::TypeIdCount; ++id) {
        std::unique_ptr<VaelPhysicalObject> prototype;
        if (const DisplayCatalogueEntry* found = catalogue.find(id)) {
            DisplayCatalogueEntry entry = *found;
            if (!withArtwork) entry.archive.clear();
            prototype = makeDisplayPrototype(entry);
        } else {
            // A unit with no display object would never answer the logical side: the plain one stands in.
            prototype = std::make_unique<VaelPhysicalObject>("", "", "", NoHex, FirstFacing);
        }
        PhysicalLayer::registerPrototype(id, prototype.release());
    }
}

} // namespace vael
