#pragma once
// Writes the program's data set into a directory: the palette file, the image archives with their image
// index and map file. The same input gives the same bytes on every run.
#include <filesystem>
#include <string>

namespace vael::forge {

constexpr const char* PaletteFile = "vael.pal";
constexpr const char* SampleFile = "sample.oif";
constexpr const char* SampleName = "Sample";
constexpr const char* MapFile = "oiffile.map";
// Where the font package puts the free font that the glyph archives are rendered from.
constexpr const char* FontDirectory = "/usr/share/fonts/truetype/dejavu";

// The data file of a figure archive (its place among the figure archives) at size 0, 1 or 2.
std::string figureDataFile(std::size_t archive, int size);

// False, with the reason, when a file cannot be written.
bool forgeData(const std::filesystem::path& directory, std::string& error);

} // namespace vael::forge
