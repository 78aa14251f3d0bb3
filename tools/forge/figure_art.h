#pragma once
// The soldiers' artwork: every unit kind's figures with their walking, standing, fighting, shooting,
// routing and falling images, the projectiles and the debris that routs and combats leave, each archive
// at full, half and quarter size. Images are run-length with shadow runs,
// their hot spots at the figure's feet; the smaller sizes are drawn again at their scale (not shrunk), with
// hot spots and offsets halved and quartered.
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "game/figures/display_catalogue.h"
#include "tools/forge/archive_writer.h"
#include "tools/forge/picture.h"

namespace vael::forge {

// One archive at the three sizes, under its full-size name.
struct FigureArtwork {
    std::string name;
    std::array<ForgedArchive, 3> sizes;
    // The drawn pictures behind sizes[k]'s images, in image order, for the contact sheets and the tests.
    std::array<std::vector<Picture>, 3> pictures;
};

constexpr const char* SizeSuffixes[3] = {"", " (Half size)", " (Quarter size)"};
// The projectile sets by missile kind.
constexpr const char* ProjectileNames[5] = {"Arrows", "Bolt", "Javelins", "Indian Javelin", "Stone"};
constexpr const char* RoutDebrisName = "Generic Rout Debris";
constexpr const char* DebrisObjectNames[5] = {"Horse", "Cataphracted Horse", "Running Chariot",
                                              "Chariot Dragging Persian", "Chariot Dragging Indian"};
// The eight direction names in compass order, N first.
constexpr const char* DirectionNames[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

FigureArtwork unitArtwork(const DisplayCatalogueEntry& entry);
FigureArtwork projectileArtwork(int missileKind);
FigureArtwork routDebrisArtwork();
FigureArtwork debrisObjectArtwork(int which);

// Every archive of the figures: one per archive the catalogue names, then the projectiles, the rout
// debris and the debris objects; drawn by that many threads.
std::vector<FigureArtwork> figureArtwork(const DisplayCatalogue& catalogue, unsigned threads = 1);

// Whether the drawing keeps the pictures in FigureArtwork::pictures (for contact sheets and tests); the
// data set needs only the stored images. Per thread, off by default.
void keepFigurePictures(bool keep);

// A contact sheet of one archive's full-size images and, beside them, its quarter-size ones.
bool writeFigureContactSheet(const std::filesystem::path& path, const FigureArtwork& artwork, int size);

} // namespace vael::forge
