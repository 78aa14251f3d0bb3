#pragma once
// The application's part of a saved game: the header and the viewports of the two map views.
//
// The header is four u32 written 0, filled in later by their owners: the landscape block's offset (0),
// the physical layers' table offset (4), the logical layer's part (8), and the application's record of
// the scenario (12). The view-0 layer's viewports follow at offset 16, then the view-4 layer's, then the
// scenario: u32 index and u16 length and bytes of its file name. A saved game is only readable over the
// scenario it was saved from, which has to be loaded before the viewports can be read back: hence its
// offset in the header. The player's description of the game, when he gave one, follows the file name as
// the tag "VDSC", u16 length and bytes; games saved before there was one go on from the file name straight
// to the campaign's record (tagged otherwise) or the logical layer's part, and still load.
//
// A game saved with the whole-file check (see game/flow/saved_game.h) says so near its start: after the
// description (or the file name) comes the mark "VCHK" and a u16 length of 0. The check itself is at the
// file's end, where a cut takes it away; the mark stays, so that a cut file cannot pass for one saved
// before the check, and is refused. Games saved before the mark have none and load as they always did.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/super_string.h"

namespace vael {

// A map view's layer as the application saves and restores it: its open viewports.
class ViewportLayer {
public:
    virtual ~ViewportLayer() = default;
    virtual void saveViewports(SuperString& stream) = 0;
    // False, with the reason, when the stream does not hold this layer's viewports.
    virtual bool LoadViewports(SuperString& stream, std::string& error) = 0;
};

// The layer of a view with no map window open: it saves a count of 0 and accepts only that back. It
// stands in until the battle map's own layers save their windows.
class ClosedViewportLayer : public ViewportLayer {
public:
    void saveViewports(SuperString& stream) override;
    bool LoadViewports(SuperString& stream, std::string& error) override;
};

namespace saved_header {
constexpr std::size_t Size = 16;
constexpr std::size_t LandscapeOffset = 0, LayerTableOffset = 4, LogicalOffset = 8, ScenarioOffset = 12;
// The longest scenario file name a saved game may name.
constexpr std::size_t MaxScenarioName = 255;
constexpr char DescriptionTag[4] = {'V', 'D', 'S', 'C'};
// The longest description kept; a longer one is cut.
constexpr std::size_t MaxDescription = 255;
constexpr char CheckedTag[4] = {'V', 'C', 'H', 'K'};
constexpr std::size_t CheckedMarkSize = 6;
} // namespace saved_header

struct SavedScenario {
    std::uint32_t index = 10; // 0 to 9 the fixed battles, 10 a battle of one's own
    std::string fileName;
    bool operator==(const SavedScenario&) const = default;
};

// The header, both views' viewports, the scenario and the description, as bytes.
std::vector<std::uint8_t> writeSavedHeader(ViewportLayer& view0, ViewportLayer& view4,
                                           const SavedScenario& scenario,
                                           const std::string& description = {});

// Adds the mark of a checked save to a header just written (before anything follows it).
void markCheckedSave(std::vector<std::uint8_t>& header);
// Whether the header says the file was saved with its check: the mark's tag stands after the scenario's
// record and its description.
bool savedCheckMark(const std::vector<std::uint8_t>& file);

// The scenario a saved game's bytes were saved over; false with the reason. With end, also where its
// record, the description and the mark after it end in the file (what a campaign saves lies between there
// and the logical layer's part).
bool readSavedScenario(const std::vector<std::uint8_t>& file, SavedScenario& scenario, std::string& error,
                       std::size_t* end = nullptr);
// Whether the file holds a display part (the physical layers' table offset is set).
bool savedDisplayPart(const std::vector<std::uint8_t>& file);
// The description a saved game's header holds: empty for a game saved without one. False when the file
// has no readable header.
bool readSavedDescription(const std::vector<std::uint8_t>& file, std::string& description);
// Reads both views' viewports into the layers; false with the reason.
bool readSavedViewports(const std::vector<std::uint8_t>& file, ViewportLayer& view0, ViewportLayer& view4,
                        std::string& error);

} // namespace vael
