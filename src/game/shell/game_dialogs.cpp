#include "game/shell/game_dialogs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "framework/core/application.h"
#include "framework/ui/dialog_control.h"
#include "game/flow/game_control.h"
#include "game/flow/scenario_file.h"
#include "game/shell/saved_game_header.h"

namespace vael {

namespace {

bool endsWithNoCase(const std::string& text, const std::string& end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.begin(), end.end(), text.end() - std::ptrdiff_t(end.size()), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

void tell(const std::string& text, const std::string& title) {
    if (Application* app = Application::instance()) app->messageBox(text, title, 0);
}

} // namespace

// The start dialog.

StartGameDlg::StartGameDlg(DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "StartGame", "Background"),
      shown_(std::move(shown)) {}

void StartGameDlg::onInitDialog() {
    centre();
    for (std::int16_t id : {IdTutorial, IdVideo})
        enableItem(id, 0);
    if (shown_) shown_(*this, TemplateName);
}

void StartGameDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdStartBattle || id == IdLoadGame || id == IdMultiplayer || id == IdExit || id == IdCampaign)
        close(static_cast<std::int16_t>(id));
    else
        Dialog::onCommand(id, notification);
}

// The scenarios.

std::vector<ScenarioChoice> findScenarios(const std::string& dataDirectory) {
    std::vector<ScenarioChoice> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dataDirectory, error)) {
        const std::string name = entry.path().filename().string();
        if (!endsWithNoCase(name, ".scn") || !entry.is_regular_file(error)) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
        ScenarioFile file;
        if (!file.read(bytes.data(), bytes.size(), name)) continue;
        found.push_back({name, file.title, GameControl::nationName(file.home.nation),
                         GameControl::nationName(file.visitor.nation), file.units.size()});
    }
    std::sort(found.begin(), found.end(),
              [](const ScenarioChoice& a, const ScenarioChoice& b) { return a.fileName < b.fileName; });
    return found;
}

ScenarioDlg::ScenarioDlg(const ScenarioChoice& scenario, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), scenario_(scenario),
      shown_(std::move(shown)) {}

void ScenarioDlg::onInitDialog() {
    centre();
    setCaption("Choose Scenario: " + scenario_.title);
    if (shown_) shown_(*this, TemplateName);
}

void ScenarioDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk || id == IdCancel) {
        close(static_cast<std::int16_t>(id));
    } else if (id == IdDetails) {
        tell(scenario_.title + "\n" + scenario_.homeName + " against " + scenario_.visitorName, "Details");
    } else if (id == IdUnits) {
        tell(std::to_string(scenario_.units) + " units and leaders take the field.", "Units");
    } else {
        Dialog::onCommand(id, notification);
    }
}

// Who plays which side.

IntroDlg::IntroDlg(const std::string& homeName, const std::string& visitorName, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), homeName_(homeName),
      visitorName_(visitorName), shown_(std::move(shown)) {}

void IntroDlg::onInitDialog() {
    centre();
    setItemText(IdHomeName, homeName_);
    setItemText(IdVisitorName, visitorName_);
    selectRadio(IdHomeComputer, homeComputer_ ? 0 : 1);
    selectRadio(IdVisitorComputer, visitorComputer_ ? 0 : 1);
    if (shown_) shown_(*this, TemplateName);
}

void IntroDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk) {
        homeComputer_ = radioSelection(IdHomeComputer) == 0;
        visitorComputer_ = radioSelection(IdVisitorComputer) == 0;
        close(1);
    } else {
        Dialog::onCommand(id, notification);
    }
}

// The saved games.

LoadSaveDlg::LoadSaveDlg(const std::string& directory, bool saving, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), directory_(directory),
      saving_(saving), shown_(std::move(shown)) {}

std::string LoadSaveDlg::rowText(const std::string& name, const std::string& description) {
    return description.empty() ? name : name + " - " + description;
}

void LoadSaveDlg::fill() {
    DialogItemWindow* list = item(IdList);
    if (!list) return;
    names_.clear();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, error))
        if (endsWithNoCase(entry.path().filename().string(), ".vel"))
            names_.push_back(entry.path().filename().string());
    std::sort(names_.begin(), names_.end());
    descriptions_.assign(names_.size(), std::string());
    list->clearRows();
    for (std::size_t i = 0; i < names_.size(); ++i) {
        // The description is in the header, near the file's start; a game that will not read shows none.
        std::ifstream in(std::filesystem::path(directory_) / names_[i], std::ios::binary);
        std::vector<std::uint8_t> head(HeaderBytes);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
        readSavedDescription(head, descriptions_[i]);
        list->addRow(rowText(names_[i], descriptions_[i]));
    }
    drawItem(*list);
}

void LoadSaveDlg::onInitDialog() {
    centre();
    setCaption(saving_ ? "Save Game" : "Load Game");
    fill();
    if (shown_) shown_(*this, TemplateName);
}

void LoadSaveDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    DialogItemWindow* name = item(IdFileName);
    DialogItemWindow* list = item(IdList);
    if (id == IdList && list && name &&
        (notification == ListSelectionChanged || notification == ListDoubleClicked)) {
        const std::int32_t chosen = list->selection();
        if (chosen >= 0 && static_cast<std::size_t>(chosen) < names_.size()) {
            name->setText(names_[static_cast<std::size_t>(chosen)]);
            drawItem(*name);
            if (DialogItemWindow* said = item(IdDescription)) {
                said->setText(descriptions_[static_cast<std::size_t>(chosen)]);
                drawItem(*said);
            }
        }
        if (notification == ListDoubleClicked) onCommand(IdOk, 0);
    } else if (id == IdOk && name) {
        std::string file = name->text();
        if (file.empty() || file.find('/') != std::string::npos || file == "." || file == "..") return;
        if (!endsWithNoCase(file, ".vel")) file += ".vel";
        const std::filesystem::path path = std::filesystem::path(directory_) / file;
        std::error_code error;
        if (!saving_ && !std::filesystem::is_regular_file(path, error)) {
            tell("There is no saved game " + file + ".", "Load Game");
            return;
        }
        chosen_ = path.string();
        if (DialogItemWindow* said = item(IdDescription)) description_ = said->text();
        close(1);
    } else if (id == IdCancel) {
        close(0);
    } else if (id == IdDelete && list) {
        const std::int32_t chosen = list->selection();
        if (chosen >= 0 && static_cast<std::size_t>(chosen) < names_.size()) {
            std::error_code error;
            std::filesystem::remove(
                std::filesystem::path(directory_) / names_[static_cast<std::size_t>(chosen)], error);
            fill();
        }
    } else {
        Dialog::onCommand(id, notification);
    }
}

// The preferences.

PreferencesDlg::PreferencesDlg(const Preferences& preferences, std::int16_t missileAutoHit, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), preferences_(preferences),
      missileAutoHit_(missileAutoHit), shown_(std::move(shown)) {}

std::int16_t PreferencesDlg::checked(std::int16_t id) const {
    auto* button = dynamic_cast<DialogButton*>(controlOf(id));
    return button ? button->getCheck() : 0;
}

void PreferencesDlg::setChecked(std::int16_t id, std::uint32_t on) {
    if (auto* button = dynamic_cast<DialogButton*>(controlOf(id))) button->setCheck(on ? 1 : 0);
}

void PreferencesDlg::onInitDialog() {
    centre();
    const Preferences& p = preferences_;
    setChecked(IdMovement, p.movementAnimation), setChecked(IdCombat, p.combatAnimation);
    setChecked(IdSounds, p.sound), setChecked(IdAmbient, p.ambientSound), setChecked(IdMusic, p.music);
    setChecked(IdFinishLeader, p.finishLeader), setChecked(IdCombatResults, p.overallCombatResults);
    setChecked(IdIntroVideo, p.showIntroVideo), setChecked(IdAutoSave, p.autoSave);
    setChecked(IdMissilesHit, static_cast<std::uint32_t>(missileAutoHit_));
    const auto steps = static_cast<std::int32_t>(Preferences::MaxVolume / VolumeStep);
    for (auto [id, volume] : {std::pair{IdVolume, p.volume}, std::pair{IdMusicVolume, p.musicVolume}})
        if (DialogItemWindow* bar = item(id)) {
            bar->setRange(0, steps);
            bar->setPosition(static_cast<std::int32_t>((volume + VolumeStep / 2) / VolumeStep));
            if (id == IdVolume) volumeAt_ = bar->position();
        }
    // The game plays no music: its box and volume are shown as they are kept, but cannot be changed.
    enableItem(IdMusic, 0);
    enableItem(IdMusicVolume, 0);
    // The leaders' cheats belong to the debugging build.
    for (std::int16_t id : {10, 11, 12, 13, 14, 16})
        enableItem(id, 0);
    if (shown_) shown_(*this, TemplateName);
}

void PreferencesDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk) {
        Preferences& p = preferences_;
        p.movementAnimation = checked(IdMovement), p.combatAnimation = checked(IdCombat);
        p.sound = checked(IdSounds), p.ambientSound = checked(IdAmbient), p.music = checked(IdMusic);
        p.finishLeader = checked(IdFinishLeader), p.overallCombatResults = checked(IdCombatResults);
        p.showIntroVideo = checked(IdIntroVideo), p.autoSave = checked(IdAutoSave);
        missileAutoHit_ = checked(IdMissilesHit);
        // The volume was taken from its bar as it moved; the music's values stay as they were read.
        close(1);
    } else if (id == IdCancel) {
        close(0);
    } else {
        Dialog::onCommand(id, notification);
    }
}

std::intptr_t PreferencesDlg::dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    const std::intptr_t answer = Dialog::dialogProc(message, wParam, lParam);
    // A click on the bar moves it without telling the dialog: the volume follows it here.
    const DialogItemWindow* bar = isOpen() && volumeAt_ >= 0 ? item(IdVolume) : nullptr;
    // A volume kept between two steps stays as it is until the bar is moved.
    if (!bar || bar->position() == volumeAt_) return answer;
    volumeAt_ = bar->position();
    preferences_.volume =
        std::min(static_cast<std::uint32_t>(std::max(0, volumeAt_)) * VolumeStep, Preferences::MaxVolume);
    if (volumeChanged) volumeChanged(preferences_.volume);
    return answer;
}

} // namespace vael
