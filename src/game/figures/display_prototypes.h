#pragma once
// The display objects the game registers as prototypes: one per display type id, of the class the display
// catalogue names for it, with the catalogue's artwork. The physical layers clone a unit's display object
// from its prototype.
#include <memory>

#include "game/figures/display_catalogue.h"

namespace vael {

class VaelPhysicalObject;

// The prototype of a catalogue entry (hex -1, facing 1). An entry without an archive gives an object with
// no artwork, which still plays and answers every command.
std::unique_ptr<VaelPhysicalObject> makeDisplayPrototype(const DisplayCatalogueEntry& entry);

// Registers a prototype for every type id below DisplayCatalogue::TypeIdCount: the catalogue's class and
// artwork where it has an entry (no artwork when withArtwork is false, as when the image index is missing),
// the plain display object without artwork where it has none.
void registerDisplayPrototypes(const DisplayCatalogue& catalogue, bool withArtwork);

} // namespace vael
