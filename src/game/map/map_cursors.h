#pragma once
// The battle map's drawn cursors (the edge-scroll arrows, the sword, the missiles) come from one image
// archive of the data set; each picture becomes a cursor of the application under its image's name.
#include <string>

namespace vael {

class MapCursors {
public:
    static constexpr const char* ArchiveName = "Map Cursors";
    static constexpr const char* Group = "Cursors";

    // Reads the archive once per application when a cursor it names is first wanted: answers how many
    // cursors were added. A data set without the archive (or without a map file) adds none, and the
    // map keeps the arrow.
    static int load();
    // For the tests: the next load reads the archive again.
    static void forget();
};

} // namespace vael
