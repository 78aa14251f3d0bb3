#pragma once
// The dialogs on the road into a battle: the start dialog, the choice of scenario, who plays which side,
// the saved games, and the preferences. Each closes with the answer its caller reads.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/ui/dialog.h"
#include "game/shell/preferences.h"

namespace vael {

// Every dialog of the shell tells this when it has been built (the tests drive them from here).
using DialogShown = std::function<void(Dialog& dialog, const std::string& templateName)>;

// "StartGame": closes with the id of the button chosen. The tutorial and the historical video
// are not offered.
class StartGameDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "StartGame";
    static constexpr std::int16_t IdCampaign = 102, IdStartBattle = 106, IdLoadGame = 101,
                                  IdMultiplayer = 103, IdTutorial = 104, IdVideo = 105, IdExit = IdCancel;
    explicit StartGameDlg(DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    DialogShown shown_;
};

// A battle the data directory holds.
struct ScenarioChoice {
    std::string fileName; // as found in the data directory
    std::string title;
    std::string homeName, visitorName;
    std::size_t units = 0; // units and leaders of both sides
    // The field: the map's own name (its overview picture's group) and its size in hexes; empty and 0
    // when the map cannot be read.
    std::string mapName;
    std::int32_t mapWidth = 0, mapHeight = 0;
    // The introduction: the description of the scenario's first variant, line by line.
    std::vector<std::string> introduction;
};
// The battles of the data directory, by title (then file name); unreadable files are left out.
std::vector<ScenarioChoice> findScenarios(const std::string& dataDirectory);
// One battle file of the data directory, under whatever name; nothing when it cannot be read as one.
std::optional<ScenarioChoice> describeScenario(const std::string& dataDirectory,
                                               const std::filesystem::path& path);

// "Scenario": shows one battle of the list (its overview picture, title, sides, size and introduction)
// and, with more than one, lists them all for the player to pick. OK (1) takes the battle shown, Cancel
// (2) goes back; "Details..." and "Units..." tell about it in a message box.
class ScenarioDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "Scenario";
    static constexpr std::int16_t IdDetails = 10, IdUnits = 9, IdList = 11;
    ScenarioDlg(std::vector<ScenarioChoice> scenarios, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;
    // The battle shown, which OK takes; null when the list is empty.
    const ScenarioChoice* chosen() const;
    std::size_t chosenIndex() const { return chosen_; }
    // Shows the battle at that place of the list.
    void choose(std::size_t index);
    // The lines written beside the overview picture.
    static std::vector<std::string> describe(const ScenarioChoice& scenario);

private:
    std::vector<ScenarioChoice> scenarios_;
    std::size_t chosen_ = 0;
    DialogShown shown_;
};

// "IntroDlg": which side the computer plays; the player takes the home side unless he changes it. OK (1)
// begins the battle. Escape cancels it (0) only where there is a battle to go back to, the one the player
// was asked whether to leave; otherwise it chooses nothing and the dialog stays.
class IntroDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "IntroDlg";
    static constexpr std::int16_t IdHomeComputer = 103, IdHomePlayer = 104, IdVisitorComputer = 105,
                                  IdVisitorPlayer = 106, IdHomeName = 101, IdVisitorName = 102;
    IntroDlg(const std::string& homeName, const std::string& visitorName, DialogShown shown = {});
    void allowGoingBack(bool allowed) { mayGoBack_ = allowed; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    bool homeComputer() const { return homeComputer_; }
    bool visitorComputer() const { return visitorComputer_; }

private:
    std::string homeName_, visitorName_;
    DialogShown shown_;
    bool homeComputer_ = false, visitorComputer_ = true;
    bool mayGoBack_ = false;
};

// "LoadSaveDlg": the saved games of a directory (its regular files named *.vel); OK answers the chosen
// file's path, "Delete" removes the selected one once the player says Yes to "Delete the saved game NAME?",
// and empties the fields that named it. Saving takes a new name, or the name of a game saved before once the
// player says Yes to "Replace the saved game NAME?"; No leaves the file as it was and the dialog open.
// Loading takes only an existing one; a name that is something else (a FIFO, a folder) is told as what it is.
class LoadSaveDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "LoadSaveDlg";
    static constexpr std::int16_t IdFileName = 10, IdDescription = 12, IdList = 11, IdDelete = 13;
    LoadSaveDlg(const std::string& directory, bool saving, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    const std::string& chosen() const { return chosen_; }
    // What the player wrote under "Description:" when he chose.
    const std::string& description() const { return description_; }
    // A saved game's row in the list: its file name, then its description when it has one.
    static std::string rowText(const std::string& name, const std::string& description);
    // How much of each file is read for its description: the header, with room to spare.
    static constexpr std::size_t HeaderBytes = 64 * 1024;
    // The longest file name the system keeps, in bytes: a longer name is refused with the dialog open.
    static constexpr std::size_t MaxFileName = 255;
    // How much of a name refused as too long the refusal quotes.
    static constexpr std::size_t QuotedLetters = 32;

private:
    void fill();
    // The question in a box of Yes and No over the dialog; true for Yes.
    bool ask(const std::string& question, const std::string& title);
    void deleteGame(std::size_t index);
    // The index in names_ of the listed game a name in the field stands for, as OK reads it (".vel" added
    // where it lacks it): the one picked while the field still shows it, else the very bytes typed, else one
    // listed under other bytes (Latin-1) that shows them; names_.size() when none is.
    std::size_t indexOfListed(std::string typed) const;
    // The bytes of the listed game a file name (".vel" included) stands for, as indexOfListed finds it; the name
    // itself when no listed game shows it.
    std::string listedName(const std::string& file) const;
    std::string directory_;
    bool saving_;
    DialogShown shown_;
    std::string chosen_, description_;
    std::vector<std::string> names_, descriptions_;
    // The file name of the row last picked from the list, by its own bytes.
    std::string picked_;
};

// "Preferences": the thirteen values' switches and the cheat of missiles that always hit; OK answers
// them, Cancel leaves them.
class PreferencesDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "Preferences";
    static constexpr std::int16_t IdMovement = 101, IdCombat = 102, IdMusic = 103, IdSounds = 104,
                                  IdMissilesHit = 105, IdAmbient = 15, IdFinishLeader = 17, IdIntroVideo = 18,
                                  IdAutoSave = 19, IdCombatResults = 20, IdVolume = 21, IdMusicVolume = 22;
    // The volume bars move in tenths of the full volume.
    static constexpr std::uint32_t VolumeStep = Preferences::MaxVolume / 10;
    PreferencesDlg(const Preferences& preferences, std::int16_t missileAutoHit, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    std::intptr_t dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    const Preferences& preferences() const { return preferences_; }
    std::int16_t missileAutoHit() const { return missileAutoHit_; }
    // Told the volume as soon as the player moves its bar, so that he hears it before he closes.
    std::function<void(std::uint32_t volume)> volumeChanged;

private:
    std::int16_t checked(std::int16_t id) const;
    void setChecked(std::int16_t id, std::uint32_t on);
    Preferences preferences_;
    std::int32_t volumeAt_ = -1; // where the volume bar stood when last looked at; -1 before it is set up
    std::int16_t missileAutoHit_;
    DialogShown shown_;
};

} // namespace vael
