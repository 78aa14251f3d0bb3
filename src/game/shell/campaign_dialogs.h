#pragma once
// The dialogs of the campaign and of the choice of battle beyond the demonstration: the campaign map, the
// campaign's results, the variants of a scenario and a scenario of one's own.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/ui/dialog.h"
#include "game/shell/campaign.h"
#include "game/shell/game_dialogs.h"

namespace vael {

// "CampaignMap": the provinces on the campaign's map, those won and the one fought for next. Battle (10)
// closes with 10, Cancel and Escape with 0. Subjugating a province without a battle and the help are not
// offered.
class CampaignMapDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "CampaignMap";
    static constexpr std::int16_t IdBattle = 10, IdSubjugate = 11, IdHelp = 9;
    CampaignMapDlg(const Campaign& campaign, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;
    // The line written over the map: where the campaign goes next, or how it ended.
    static std::string statusLine(const CampaignDefinition& definition, const CampaignState& state);

private:
    const Campaign& campaign_;
    DialogShown shown_;
};

// "CampaignResults": the battles fought so far, each with its province and outcome, and where the
// campaign stands. Return, Escape and the close box close it with 1.
class CampaignResultsDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "CampaignResults";
    CampaignResultsDlg(const CampaignDefinition& definition, const CampaignState& state,
                       DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;
    // The lines the dialog shows; only the latest battles that fit are listed.
    static constexpr std::size_t MaxLines = 20;
    static std::vector<std::string> linesOf(const CampaignDefinition& definition, const CampaignState& state);

private:
    CampaignDefinition definition_;
    CampaignState state_;
    DialogShown shown_;
};

// A variant of a scenario: another battle file over the same field, with its title and description.
struct ScenarioVariant {
    std::string fileName;
    std::string title;
    std::string description;
    bool operator==(const ScenarioVariant&) const = default;
};
// A variant file's text: "variant FILE TITLE..." begins a variant and "text WORDS..." adds a line to its
// description; '#' begins a comment. False with the reason, naming the line.
bool parseVariants(const std::string& text, std::vector<ScenarioVariant>& variants, std::string& error);
// The variants of a scenario, from the ".var" file of its name in the directory (found without regard to
// case). True with none when there is no such file; false with the reason when it is bad.
bool readVariants(const std::string& directory, const std::string& scenarioFile,
                  std::vector<ScenarioVariant>& variants, std::string& error);

// "VariantDlg": the variants in a list, the first one chosen until the player picks another. OK and a
// double click close with 1 and give the chosen one; Cancel and Escape close with 0; "Details..." tells
// the chosen variant's description in a message box.
class VariantDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "VariantDlg";
    static constexpr std::int16_t IdList = 101, IdDetails = 10;
    VariantDlg(std::vector<ScenarioVariant> variants, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    // -1 before OK.
    std::int32_t chosen() const { return chosen_; }
    const ScenarioVariant* chosenVariant() const;

private:
    std::int32_t selected() const;
    std::vector<ScenarioVariant> variants_;
    DialogShown shown_;
    std::int32_t chosen_ = -1;
};

// "CustomSceneDlg": the file name of a scenario of the directory. OK with a name the directory holds
// (without regard to case, ".scn" added when the name has no extension) closes with 1 and gives the file
// as found; with another name it tells so and stays open. Cancel and Escape close with 0.
class CustomScenarioDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "CustomSceneDlg";
    static constexpr std::int16_t IdFileName = 101;
    CustomScenarioDlg(const std::string& directory, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    const std::string& chosen() const { return chosen_; }
    // The file of the directory the typed name stands for; empty, with the reason, when there is none or it
    // is no scenario the game can play.
    static std::string findScenario(const std::string& directory, const std::string& typed, std::string& why);

private:
    std::string directory_;
    DialogShown shown_;
    std::string chosen_;
};

} // namespace vael
