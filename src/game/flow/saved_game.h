#pragma once
// The logical layer's part of a saved game: after the application's header, whose u32 at offset 8 says
// where this part begins, the state of every unit and leader in the scenario's order, who the computer
// plays and with which plans, the pending combats, and game control's block. A file is read whole before
// anything is changed: a short or corrupt one is refused with a reason and leaves the battle as it was.
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

class VaelLogicalLayer;
struct ScenarioInfoStruct;

namespace saved_game {
constexpr std::uint8_t HomeOpponent = 1, VisitorOpponent = 2;
// Both sides computer-played, each with a plan of its own: the home plan's name follows the visitor's.
constexpr std::uint8_t TwoPlans = 4;
constexpr std::size_t OffsetField = 8;
// After game control's block: "VSTA", u16 version, u32 length and that many bytes, holding what carries
// over from one activation to the next beyond the older records (each unit's running state in the
// scenario's order). A file saved before it goes on from game control's block to whatever followed.
constexpr char RunningStateTag[4] = {'V', 'S', 'T', 'A'};
constexpr std::uint16_t RunningStateVersion = 1;
} // namespace saved_game

// The layer's part as bytes; appended to a saved game's bytes (header included), whose offset field it
// fills in (false when they hold no header); and written at the end of an existing file.
std::vector<std::uint8_t> saveLayerPart(VaelLogicalLayer& layer);
bool appendLayerPart(VaelLogicalLayer& layer, std::vector<std::uint8_t>& file);
bool SaveGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error);

// Restores the battle from a file's bytes, or from the file; false with the reason and nothing changed.
bool loadLayerPart(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& file, std::string& error);
bool LoadGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error);
// Reads the layer's part of a file over a battle of its own made from the scenario, so that a file that
// does not fit is found out before a running battle is closed for it; false with the reason.
bool checkLayerPart(const ScenarioInfoStruct& info, const std::vector<std::uint8_t>& file,
                    std::string& error);

// The whole-file check: a saved game ends in the record "VCRC", u32 CRC-32 (the zip one) of every byte
// before the record, little-endian. It is added last, over the finished bytes, so that it covers every
// part whoever wrote it, and taken off first when a file is read; a file without it (saved before there
// was one) is read as it stands.
namespace saved_check {
constexpr char Tag[4] = {'V', 'C', 'R', 'C'};
constexpr std::size_t Size = 8;
} // namespace saved_check
std::uint32_t savedGameChecksum(const std::uint8_t* bytes, std::size_t size);
void sealSavedGame(std::vector<std::uint8_t>& file);
// Takes the record off; false with the reason, the bytes unchanged, when they do not match it or end inside
// it.
bool unsealSavedGame(std::vector<std::uint8_t>& file, std::string& error);

void connectSavedGame(VaelLogicalLayer& layer);

} // namespace vael
