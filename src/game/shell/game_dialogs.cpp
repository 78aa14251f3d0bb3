#include "game/shell/game_dialogs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "framework/core/application.h"
#include "framework/core/printable.h"
#include "framework/core/read_file.h"
#include "framework/core/utf8.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/system_font.h"
#include "framework/ui/text_wrap.h"
#include "game/flow/data_files.h"
#include "game/flow/game_control.h"
#include "game/flow/scenario_file.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/dialog_helpers.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/saved_game_header.h"

namespace vael {

using dialog_helpers::tell;

namespace {

bool endsWithNoCase(const std::string& text, const std::string& end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.begin(), end.end(), text.end() - std::ptrdiff_t(end.size()), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// What an entry of the saves' folder is when no game can be read from it (a link to nothing, a folder, a
// FIFO...); empty for a file, and for a name nothing bears.
std::string notAFile(const std::filesystem::path& path) {
    std::error_code error, linkError;
    const auto target = std::filesystem::status(path, error).type();
    const auto entry = std::filesystem::symlink_status(path, linkError).type();
    using Type = std::filesystem::file_type;
    if (entry == Type::symlink && target == Type::not_found) return "a link to nothing";
    switch (target) {
    case Type::regular:
    case Type::not_found:
    case Type::none:
        return {};
    case Type::directory:
        return "a folder";
    case Type::fifo:
        return "a FIFO";
    case Type::socket:
        return "a socket";
    case Type::block:
    case Type::character:
        return "a device";
    default:
        return "not a file";
    }
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

std::optional<ScenarioChoice> describeScenario(const std::string& dataDirectory,
                                               const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    std::vector<std::uint8_t> bytes;
    if (std::string unread; !readFileBytes(path.string(), bytes, unread, file_limits::Data))
        return std::nullopt;
    ScenarioFile file;
    if (!file.read(bytes.data(), bytes.size(), name)) return std::nullopt;
    ScenarioChoice choice;
    choice.fileName = name, choice.title = file.title, choice.units = file.units.size();
    choice.homeName = GameControl::nationName(file.home.nation);
    choice.visitorName = GameControl::nationName(file.visitor.nation);
    LogicalMapFile map;
    const std::string mapPath = findDataFile(dataDirectory, file.mapFileName);
    if (!mapPath.empty() && map.readFile(mapPath))
        choice.mapName = map.name(), choice.mapWidth = map.width(), choice.mapHeight = map.height();
    std::vector<ScenarioVariant> variants;
    std::string why;
    if (readVariants(dataDirectory, name, variants, why) && !variants.empty()) {
        std::istringstream lines(variants.front().description);
        for (std::string line; std::getline(lines, line);)
            choice.introduction.push_back(line);
    }
    return choice;
}

std::vector<ScenarioChoice> findScenarios(const std::string& dataDirectory) {
    std::vector<ScenarioChoice> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dataDirectory, error)) {
        const std::string name = entry.path().filename().string();
        if (!endsWithNoCase(name, ".scn") || !entry.is_regular_file(error)) continue;
        if (auto choice = describeScenario(dataDirectory, entry.path())) found.push_back(std::move(*choice));
    }
    // By title, as the player looks for them; the file name parts two battles of one title.
    std::sort(found.begin(), found.end(), [](const ScenarioChoice& a, const ScenarioChoice& b) {
        return a.title != b.title ? a.title < b.title : a.fileName < b.fileName;
    });
    return found;
}

ScenarioDlg::ScenarioDlg(std::vector<ScenarioChoice> scenarios, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      scenarios_(std::move(scenarios)), shown_(std::move(shown)) {}

const ScenarioChoice* ScenarioDlg::chosen() const {
    return chosen_ < scenarios_.size() ? &scenarios_[chosen_] : nullptr;
}

std::vector<std::string> ScenarioDlg::describe(const ScenarioChoice& scenario) {
    std::vector<std::string> lines{scenario.homeName + " against " + scenario.visitorName,
                                   std::to_string(scenario.units) + " units and leaders"};
    if (scenario.mapWidth > 0)
        lines.push_back("A field of " + std::to_string(scenario.mapWidth) + " by " +
                        std::to_string(scenario.mapHeight) + " hexes");
    return lines;
}

void ScenarioDlg::choose(std::size_t index) {
    if (index >= scenarios_.size()) return;
    chosen_ = index;
    setCaption("Choose Scenario: " + scenarios_[index].title);
    if (DialogItemWindow* list = item(IdList); list && list->selection() != static_cast<std::int32_t>(index))
        list->select(static_cast<std::int32_t>(index));
    // One battle is no choice: the list stays out of sight. Showing it paints the whole dialog anew.
    showItem(IdList, scenarios_.size() > 1);
}

void ScenarioDlg::onInitDialog() {
    centre();
    if (DialogItemWindow* list = item(IdList)) {
        list->clearRows();
        for (const ScenarioChoice& s : scenarios_)
            list->addRow(s.title);
    }
    if (scenarios_.empty()) {
        enableItem(IdOk, 0), enableItem(IdDetails, 0), enableItem(IdUnits, 0);
        setCaption("Choose Scenario");
    } else {
        choose(0);
    }
    if (shown_) shown_(*this, TemplateName);
}

void ScenarioDlg::drawBackground() {
    Dialog::drawBackground();
    const ScenarioChoice* scenario = chosen();
    if (!scenario) return;
    // The picture stands at the left under the list, the words beside it.
    const std::int16_t top = scenarios_.size() > 1 ? 104 : 12;
    std::int16_t textLeft = 16;
    if (!scenario->mapName.empty()) {
        const std::unique_ptr<PictureArchive> maps = PictureArchive::open("Overview Maps");
        const Picture picture = maps ? maps->drawable("Scroll 1", scenario->mapName) : Picture();
        if (picture.exists()) {
            drawPicture(Point(12, top), picture);
            textLeft = static_cast<std::int16_t>(12 + picture.width() + 12);
        }
    }
    const Box clip(0, 0, width(), static_cast<std::int16_t>(std::max(0, height() - 40)));
    const std::uint8_t ink = matchColour(20, 20, 20);
    std::int16_t y = top;
    writeSystemText(*this, clip, Point(textLeft, y), scenario->title, ink, true);
    y = static_cast<std::int16_t>(y + 26);
    for (const std::string& line : describe(*scenario)) {
        writeSystemText(*this, clip, Point(textLeft, y), line, ink, false);
        y = static_cast<std::int16_t>(y + 18);
    }
    y = static_cast<std::int16_t>(y + 10);
    // The introduction, its words wrapped to the room beside the picture.
    const std::int32_t room = width() - textLeft - 12;
    std::string text;
    for (const std::string& line : scenario->introduction)
        text += (text.empty() ? "" : " ") + line;
    std::istringstream words(text);
    std::string row;
    for (std::string word; words >> word;) {
        const std::string longer = row.empty() ? word : row + " " + word;
        if (!row.empty() && systemTextWidth(longer, false) > room) {
            writeSystemText(*this, clip, Point(textLeft, y), row, ink, false);
            y = static_cast<std::int16_t>(y + 18);
            row = word;
        } else {
            row = longer;
        }
    }
    if (!row.empty()) writeSystemText(*this, clip, Point(textLeft, y), row, ink, false);
}

void ScenarioDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    const ScenarioChoice* scenario = chosen();
    if (id == IdList && (notification == ListSelectionChanged || notification == ListDoubleClicked)) {
        if (DialogItemWindow* list = item(IdList); list && list->selection() >= 0)
            choose(static_cast<std::size_t>(list->selection()));
        if (notification == ListDoubleClicked && chosen()) close(IdOk);
    } else if (id == IdOk || id == IdCancel) {
        if (id == IdOk && !scenario) return;
        close(static_cast<std::int16_t>(id));
    } else if (id == IdDetails && scenario) {
        tell(scenario->title + "\n" + scenario->homeName + " against " + scenario->visitorName, "Details");
    } else if (id == IdUnits && scenario) {
        tell(std::to_string(scenario->units) + " units and leaders take the field.", "Units");
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
    } else if (id != IdCancel || mayGoBack_) {
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
    picked_.clear();
    std::error_code error;
    // Only what a game can be read from: a FIFO would hold the read for ever, and a folder or a link to
    // nothing has no game to offer.
    for (const auto& entry : std::filesystem::directory_iterator(directory_, error)) {
        std::error_code unread;
        if (endsWithNoCase(entry.path().filename().string(), ".vel") && entry.is_regular_file(unread))
            names_.push_back(entry.path().filename().string());
    }
    std::sort(names_.begin(), names_.end());
    descriptions_.assign(names_.size(), std::string());
    list->clearRows();
    for (std::size_t i = 0; i < names_.size(); ++i) {
        // The description is in the header, near the file's start; a game that will not read shows none.
        std::vector<std::uint8_t> head;
        std::string unread;
        if (readFileStart((std::filesystem::path(directory_) / names_[i]).string(), HeaderBytes, head,
                          unread))
            readSavedDescription(head, descriptions_[i]);
        // A name written before names were kept in UTF-8 is shown as the letters it meant, and read by its
        // own bytes.
        list->addRow(rowText(asUtf8(names_[i]), asUtf8(descriptions_[i])));
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
            picked_ = names_[static_cast<std::size_t>(chosen)];
            name->setText(asUtf8(picked_));
            drawItem(*name);
            if (DialogItemWindow* said = item(IdDescription)) {
                said->setText(asUtf8(descriptions_[static_cast<std::size_t>(chosen)]));
                drawItem(*said);
            }
        }
        if (notification == ListDoubleClicked) onCommand(IdOk, 0);
    } else if (id == IdOk && name) {
        std::string file = name->text();
        // The dialog stays open for another name, and says why this one is refused.
        const char* title = saving_ ? "Save Game" : "Load Game";
        if (file.empty()) {
            tell(std::string("Type a name for the saved game ") + (saving_ ? "to write." : "to read."),
                 title);
            return;
        }
        if (file.find('/') != std::string::npos) {
            tell("A saved game's name cannot name a folder (" + file + "): saved games are kept in " +
                     directory_ + ".",
                 title);
            return;
        }
        if (file == "." || file == "..") {
            tell("\"" + file + "\" cannot name a saved game.", title);
            return;
        }
        // ".vel" alone names no game: the file would start with its dot, which hides it from the
        // player's own listing of the folder.
        if (saving_ && file.size() == 4 && endsWithNoCase(file, ".vel")) {
            tell("Type a name before \"" + file + "\": a saved game named \"" + file +
                     "\" alone would be a hidden file.",
                 title);
            return;
        }
        if (!endsWithNoCase(file, ".vel")) file += ".vel";
        if (file.size() > MaxFileName) {
            // Said here, with the name still in the field to shorten; the system would refuse it later. The
            // name is quoted by its start, once.
            const std::string typed = name->text();
            std::size_t head = std::min<std::size_t>(typed.size(), QuotedLetters);
            while (head < typed.size() && (static_cast<unsigned char>(typed[head]) & 0xC0) == 0x80)
                --head;
            // The limit is in bytes, which a player cannot see: he is told it in letters, with what an
            // accented letter costs, and what his own name counts as where it is not its letters.
            tell("The name \"" + typed.substr(0, head) + (head < typed.size() ? "...\"" : "\"") + " has " +
                     lettersPastLimit(file.substr(0, file.size() - 4), "a saved game's name", MaxFileName - 4),
                 title);
            return;
        }
        file = listedName(file);
        const std::filesystem::path path = std::filesystem::path(directory_) / file;
        std::error_code error;
        if (!saving_ && !std::filesystem::is_regular_file(path, error)) {
            const std::string what = notAFile(path);
            tell(what.empty() ? "There is no saved game " + file + "."
                              : printable(asUtf8(file) + " is " + what + ", not a saved game."),
                 "Load Game");
            return;
        }
        // A game saved before is replaced only when the player says so; No leaves it, and the dialog open
        // for another name.
        if (saving_ && std::filesystem::is_regular_file(path, error) &&
            !ask("Replace the saved game " + asUtf8(file) + "?", title))
            return;
        chosen_ = path.string();
        if (DialogItemWindow* said = item(IdDescription)) description_ = said->text();
        close(1);
    } else if (id == IdCancel) {
        close(0);
    } else if (id == IdDelete && list) {
        // The game the field names, typed or picked; with the field empty, the row chosen.
        const std::string typed = name ? name->text() : std::string();
        if (typed.empty()) {
            const std::int32_t chosen = list->selection();
            if (chosen >= 0 && static_cast<std::size_t>(chosen) < names_.size())
                deleteGame(static_cast<std::size_t>(chosen));
            return;
        }
        const std::size_t listed = indexOfListed(typed);
        if (listed < names_.size()) return deleteGame(listed);
        tell(printable("There is no saved game " + (endsWithNoCase(typed, ".vel") ? typed : typed + ".vel") +
                       " to delete."),
             saving_ ? "Save Game" : "Load Game");
    } else {
        Dialog::onCommand(id, notification);
    }
}

bool LoadSaveDlg::ask(const std::string& question, const std::string& title) {
    // Names come from the folder as they are: a control byte in one is shown, not acted on.
    InformationDlg box(0, printable(question), shown_, InformationDlg::YesNoTemplateName);
    if (getBus()) box.attach(*getBus());
    return box.show(title) == IdOk;
}

std::string LoadSaveDlg::listedName(const std::string& file) const {
    // The name as shown of a game listed under other bytes (Latin-1) is that game: the one picked from the
    // list while the field still shows it, else the one listed when no game has the very bytes typed.
    if (!picked_.empty() && asUtf8(picked_) == file) return picked_;
    if (std::find(names_.begin(), names_.end(), file) != names_.end()) return file;
    std::string found = file;
    for (const std::string& listed : names_)
        if (asUtf8(listed) == file) found = listed;
    return found;
}

std::size_t LoadSaveDlg::indexOfListed(std::string typed) const {
    if (!endsWithNoCase(typed, ".vel")) typed += ".vel";
    const std::string file = listedName(typed);
    return static_cast<std::size_t>(std::find(names_.begin(), names_.end(), file) - names_.begin());
}

void LoadSaveDlg::deleteGame(std::size_t index) {
    const std::string name = names_[index], description = descriptions_[index];
    const std::string title = saving_ ? "Save Game" : "Load Game";
    if (!ask("Delete the saved game " + asUtf8(name) + "?", title)) return;
    std::error_code error;
    if (!std::filesystem::remove(std::filesystem::path(directory_) / name, error) && error) {
        tell(printable("The saved game " + asUtf8(name) + " cannot be deleted: " + error.message() + "."),
             title);
        fill();
        return;
    }
    fill();
    // The fields named the game that is gone: they no longer offer it.
    DialogItemWindow* field = item(IdFileName);
    const std::string typed = field ? field->text() : std::string();
    const std::string shown = asUtf8(name);
    if (field && (typed == shown || typed + ".vel" == shown || typed == name)) {
        field->setText("");
        drawItem(*field);
        if (DialogItemWindow* said = item(IdDescription); said && said->text() == asUtf8(description)) {
            said->setText("");
            drawItem(*said);
        }
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
