#pragma once
// The campaign: a chain of battles over the provinces of a map. Which provinces there are, which battle is
// fought in each, the garrisons that stay behind and where a win or a loss leads are read from the data
// set's "campaign.txt". The campaign answers the logical layer's questions while a battle of it loads
// (the garrison levels, the province fought over and the one before it), hears how the battle ended, and
// is saved with the game between the saved game's scenario record and the logical layer's part.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/geometry.h"

namespace vael {

// The campaign map's picture fills the "CampaignMap" dialog; the outlines and labels of the campaign file
// are in its pixels.
constexpr std::int16_t CampaignMapWidth = 600, CampaignMapHeight = 448;

struct CampaignProvince {
    std::int32_t number = 0; // 1 to 99
    std::string name;
    std::string scenario; // the battle fought for it, a file of the scenario directory
    std::int16_t infantryGarrison = 0, cavalryGarrison = 0;
    // Where the campaign goes after a win and after a loss; 0 ends it (won after a win, lost after a loss).
    std::int32_t onWin = 0, onLoss = 0;
    Point label;
    std::vector<Point> outline;
    bool operator==(const CampaignProvince&) const = default;
};

struct CampaignDefinition {
    static constexpr const char* FileName = "campaign.txt";
    static constexpr std::int32_t MaxProvince = 99;
    static constexpr std::int16_t MaxGarrison = 50;
    std::string title;
    std::int32_t start = 0;
    std::vector<CampaignProvince> provinces;
    const CampaignProvince* find(std::int32_t number) const;
};

// Reads the campaign file's text; false with the reason, naming the line, and the definition untouched.
bool parseCampaign(const std::string& text, CampaignDefinition& definition, std::string& error);
bool readCampaignFile(const std::string& path, CampaignDefinition& definition, std::string& error);

struct CampaignBattle {
    std::int32_t province = 0;
    bool won = false;
    bool operator==(const CampaignBattle&) const = default;
};

// Where a campaign stands: the province fought for now, the one fought for before it (0 before the first
// battle), the battles fought so far and whether the campaign is over.
struct CampaignState {
    enum Outcome : std::uint8_t { Going = 0, Won = 1, Lost = 2 };
    std::int32_t province = 0, lastProvince = 0;
    Outcome outcome = Going;
    std::vector<CampaignBattle> battles;
    bool operator==(const CampaignState&) const = default;
};

// The campaign's record in a saved game: "CMPN", u16 version 1, i32 province, i32 last province, u8
// outcome, u16 battle count, then per battle i32 province and u8 won; little-endian.
namespace campaign_record {
constexpr char Tag[4] = {'C', 'M', 'P', 'N'};
constexpr std::uint16_t Version = 1;
constexpr std::size_t FixedSize = 4 + 2 + 4 + 4 + 1 + 2, BattleSize = 5;
constexpr std::size_t MaxBattles = 1000;
} // namespace campaign_record
std::vector<std::uint8_t> writeCampaignRecord(const CampaignState& state);
// The record's bytes, whole; false with the reason when they are not one record the definition can hold.
bool readCampaignRecord(const std::uint8_t* bytes, std::size_t size, const CampaignDefinition& definition,
                        CampaignState& state, std::string& error);
// The campaign record of a saved game's bytes: it lies between the end of the scenario record and the
// logical layer's part. False with the reason when the file is bad; true with found false when the game
// was saved outside a campaign.
bool readSavedCampaign(const std::vector<std::uint8_t>& file, const CampaignDefinition& definition,
                       CampaignState& state, bool& found, std::string& error);

// The campaign as the game runs it, attached to the logical layer's bus.
class Campaign : public Component {
public:
    Campaign();
    void connectHandlers() override;

    // Reads the definition from the data directory; false with the reason, and no campaign to start.
    bool load(const std::string& dataDirectory, std::string& error);
    void setDefinition(CampaignDefinition definition);
    const CampaignDefinition& definition() const { return definition_; }
    bool hasDefinition() const { return !definition_.provinces.empty(); }

    // A new campaign at the start province; false when there is no definition.
    bool begin();
    // Puts a saved campaign back; the caller has checked it against the definition.
    void resume(const CampaignState& state);
    // Leaves the campaign: no battle of it is fought any more.
    void abandon();
    bool active() const { return active_; }
    const CampaignState& state() const { return state_; }
    const CampaignProvince* province() const { return definition_.find(state_.province); }

    // The battle for the current province is loading or being fought.
    void battleBegins() { inBattle_ = active_ && state_.outcome == CampaignState::Going; }
    bool inBattle() const { return inBattle_; }
    // The battle was closed, ended or not.
    void battleClosed() { inBattle_ = false; }
    // The battle's end moves the campaign on: to the province a win or a loss leads to, or to its end.
    void battleEnded(bool won);
    // Set once a battle of the campaign has ended, until the player has seen the results.
    bool resultsPending() const { return resultsPending_; }
    void resultsSeen() { resultsPending_ = false; }

    // The answers to the logical layer: 0 outside a campaign battle.
    std::int16_t garrisonLevel(std::uint32_t kind) const;

private:
    CampaignDefinition definition_;
    CampaignState state_;
    bool active_ = false, inBattle_ = false, resultsPending_ = false;
};

} // namespace vael
