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
// over from one activation to the next beyond the older records: each unit's running state in the
// scenario's order, then (from version 2) a u16 per leader in the scenario's order, 1 when he is done for
// the turn, then (from version 3) a u16 count and the unit numbers of the elephants whose rampage the
// display still showed (off the map's occupant lists, bound to leave play), then the hexes more than one
// unit stands on. A file saved before it goes on from game control's block to whatever followed; a record
// of version 1 lacks the leaders' flags and one of version 2 the rampaging elephants, and both still load.
// Version 4 follows the shared hexes with a u16 count (0 or 1) of computer leaders whose orders were under
// way, and for each his unit number, his orders spent and command hexes (Leader::writeOrdersUnderWay) and
// what his opponent had given and still waited for (ComputerOrders); a save with none under way is written
// as version 3, as before there was one.
constexpr char RunningStateTag[4] = {'V', 'S', 'T', 'A'};
constexpr std::uint16_t RunningStateVersion = 4;
constexpr std::uint16_t RunningStateWithoutOrders = 3;
constexpr std::uint16_t RunningStateWithoutRampages = 2;
constexpr std::uint16_t RunningStateWithoutFinished = 1;
} // namespace saved_game

// Whether a file's bytes came with a whole, matching check (taken off by unsealSavedGame): only such a file
// may hold a record that files older than the check never had (the running state), so that a file cut
// before its check cannot pass for an older one.
enum class SavedCheck : std::uint8_t { Absent, Matched };

// The layer's part as bytes; appended to a saved game's bytes (header included), whose offset field it
// fills in (false when they hold no header); and written at the end of an existing file, without the
// whole-file check, which whoever finishes the file adds once every part is in (LoadGame asks for it).
std::vector<std::uint8_t> saveLayerPart(VaelLogicalLayer& layer);
bool appendLayerPart(VaelLogicalLayer& layer, std::vector<std::uint8_t>& file);
bool SaveGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error);

// Restores the battle from a file's bytes, or from the file; false with the reason and nothing changed.
// Bytes that never left the program (a battle kept aside in memory) count as checked.
bool loadLayerPart(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& file, std::string& error,
                   SavedCheck check = SavedCheck::Matched);
bool LoadGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error);
// Reads the layer's part of a file over a battle of its own made from the scenario, so that a file that
// does not fit is found out before a running battle is closed for it; false with the reason.
bool checkLayerPart(const ScenarioInfoStruct& info, const std::vector<std::uint8_t>& file, std::string& error,
                    SavedCheck check = SavedCheck::Matched);

// The whole-file check: a saved game ends in the record "VCRC", u32 CRC-32 (the zip one) of every byte
// before the record, little-endian. It is added last, over the finished bytes, so that it covers every
// part whoever wrote it, and taken off first when a file is read; a file without it (saved before there
// was one) is read as it stands, unless it holds a record only checked files have (the header's mark of
// a checked file, the running state), which its readers refuse.
namespace saved_check {
constexpr char Tag[4] = {'V', 'C', 'R', 'C'};
constexpr std::size_t Size = 8;
} // namespace saved_check
std::uint32_t savedGameChecksum(const std::uint8_t* bytes, std::size_t size);
void sealSavedGame(std::vector<std::uint8_t>& file);
// Takes the record off; false with the reason, the bytes unchanged, when they do not match it or end inside
// it. found tells whether there was a whole, matching record.
bool unsealSavedGame(std::vector<std::uint8_t>& file, std::string& error, SavedCheck* found = nullptr);

// The running-state record alone ("VSTA" to its last byte), as a saved game holds it after game control's
// block, and its reading over the battle as it stands: false with the reason, the battle's units and
// leaders as they were, when the bytes are not such a record or hold what the battle cannot.
std::vector<std::uint8_t> runningStateRecord(VaelLogicalLayer& layer);
bool readRunningStateRecord(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& record, std::string& error);

void connectSavedGame(VaelLogicalLayer& layer);

} // namespace vael
