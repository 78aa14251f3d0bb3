// Every message name the program sends is handled somewhere and every name it handles is sent
// somewhere, read from the sources themselves; and the reader finds the shapes the tree uses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tree/message_name_scan.h"

namespace vael::tree {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::map<std::string, std::string> sample = {{"UnitMovement", "UnitMovement"}, {"Rally", "Rally"}};

struct ScanRow {
    const char* source;
    const char* name; // "" when nothing is found
    NameRole role;
};

TEST(MessageNameScan, FindsTheRoleOfEachShape) {
    const ScanRow rows[] = {
        {"sendNamed(msg::UnitMovement, &box);", "UnitMovement", NameRole::Sent},
        {"layer.sendNowNamedEmpty(msg::Rally);", "Rally", NameRole::Sent},
        {"connectNamed(msg::Rally, onRally);", "Rally", NameRole::Handled},
        {"connectOnce(msg::Rally, onRally);", "Rally", NameRole::Handled},
        {"disconnectNamed(msg::Rally, onRally);", "Rally", NameRole::Other},
        {"if (!isConnected(RegisteredMessage::getId(msg::Rally), onRally)) f();", "Rally", NameRole::Other},
        {"if (done != named(msg::Rally)) return;", "Rally", NameRole::Other},
        {"Animate(LogicalCommandInfo(n, nullptr, 0, RegisteredMessage::getId(msg::Rally)));", "Rally",
         NameRole::Sent},
        {"const Registration r[] = {\n    {msg::Rally, onRally},\n};", "Rally", NameRole::Handled},
        {"const Registration r[] = {{msg::Rally, 0, onShort<&X::f>}};", "Rally", NameRole::Handled},
        {"const char* const kept[] = {msg::Rally, msg::Other};", "Rally", NameRole::Other},
        {"const Standing s[] = {{msg::Rally, VaelUnit::onRally}};", "Rally", NameRole::Handled},
        {"disconnectEach(*this, {{msg::Rally, onRally}, {msg::Other, onOther}});", "Rally", NameRole::Other},
        {"copy.event = named(msg::Rally);", "Rally", NameRole::Sent},
        {"RegisteredMessage::getId(msg::Rally);", "Rally", NameRole::Other},
        {"const char* command = off ? msg::Rally : msg::Other;", "Rally", NameRole::Sent},
        {"const Handler h[] = {{msg::Rally, true, &Object::onRally}};", "Rally", NameRole::Handled},
        // Literals count where a call takes a name, as other branches still write them.
        {"sendNamed(\"Rally\", &box);", "Rally", NameRole::Sent},
        {"delete queryNamed(\"Combat Center On Region\", &centre);", "Combat Center On Region",
         NameRole::Sent},
        {"connectNamed(\"WillCombatFit?\", onFit);", "WillCombatFit?", NameRole::Handled},
        {"connectNamed(\"Rally\", onRally);", "Rally", NameRole::Handled},
        {"command(0, nullptr, 0, BusMessage(RegisteredMessage::getId(\"Rally\")));", "Rally", NameRole::Sent},
        {"if (done != named(\"Rally\")) return;", "Rally", NameRole::Other},
        {"const Registration r[] = {{\"Rally\", onRally}};", "Rally", NameRole::Handled},
        {"if (isNamed(command, \"Rally\")) f();", "Rally", NameRole::Other},
        {"const auto id = static_cast<int>(RegisteredMessage::getId(\"Rally\"));", "Rally", NameRole::Other},
        {"sendPoint(\"Rally\", p);", "Rally", NameRole::Sent},
        // Literals anywhere else are not names, a word compared in a condition among them.
        {"if (word == \"Rally\") f();", "", NameRole::Other},
        {"throw std::runtime_error(std::string(\"Rally\") + name);", "", NameRole::Other},
        {"VAEL_TYPE_NAME(Rally, \"Rally\");", "", NameRole::Other},
        {"const Row rows[] = {{\"Rally\", \"11\", Procedure2(rally)}};", "", NameRole::Other},
        {"trace << \"Rally\" << std::endl;", "", NameRole::Other},
        // Comments are not code; nor is a name inside a literal.
        {"// sendNamed(msg::Rally, &box);\nint x;", "", NameRole::Other},
        {"/* connectNamed(\"Rally\", f); */ int x;", "", NameRole::Other},
        {"trace << \"sendNamed(msg::Rally)\";", "", NameRole::Other},
        // A constant the headers do not hold is left to the compiler.
        {"sendNamed(msg::Unknown, &box);", "", NameRole::Other},
    };
    for (const ScanRow& row : rows) {
        SCOPED_TRACE(row.source);
        const std::vector<NameUse> uses = scanSource(row.source, sample);
        if (std::string(row.name).empty()) {
            EXPECT_TRUE(uses.empty());
            continue;
        }
        ASSERT_FALSE(uses.empty());
        EXPECT_EQ(uses[0].name, row.name);
        EXPECT_EQ(uses[0].role, row.role);
    }
}

TEST(MessageNameScan, CountsLinesAndReadsTheHeaders) {
    const std::string source = "// one\n/* two\nthree */\nvoid f() {\n    sendNamed(msg::Rally, &b);\n}\n";
    const std::vector<NameUse> uses = scanSource(source, sample);
    ASSERT_EQ(uses.size(), 1u);
    EXPECT_EQ(uses[0].line, 5);

    const std::map<std::string, std::string> read = readNameConstants(
        "#pragma once\n// inline constexpr char Old[] = \"Old\";\nnamespace vael::msg {\n"
        "inline constexpr char MissleVolley[] = \"MissleVolley\";\ninline constexpr char A[] = \"B\";\n}\n");
    const std::map<std::string, std::string> expected = {{"A", "B"}, {"MissleVolley", "MissleVolley"}};
    EXPECT_EQ(read, expected);
}

// Names with one side in the program and the other still to be built; each leaves its list when its other
// side lands (the test fails while a listed name has both), and the test then holds it to both sides.
const std::set<std::string> sentButNotYetHandled = {
    // To the battle map: its map information.
    "MapInfo",
    // To the unit display objects: animation commands, and the done events they answer with.
    "AboutFace", "AboutFaceDone", "ChangeFacingDone", "ElephantRampage", "MissileFire", "GroupMovementDone",
    "OWMovementDone",
    // To the shell: its dialogs and movement segments; and to the sound.
    "ScenarioLoaded", "ModalDialogBoxClosing", "EndMovementSegment", "LastOrderDeselected", "EndGameMusic",
    // To the game physical layer: the landscape's moved sprites.
    "SpriteMoved",
    // From the game physical layer to the shell's status and to the elephant's display object.
    "Movement", "NoMovement", "RampageEvent",
    // The logical layer does not answer this query yet (the unit reads "out of range"); no order of the
    // game asks it today, and answering it is a change of its own.
    "UnitInCommandRange"};
const std::set<std::string> handledButNotYetSent = {
    // From the shell: menu commands, cheats, options, dialogs, saved games, the palette animation.
    "GameOverview", "LoadScenario", "LoadGame", "SaveGame", "AutomaticWin", "LeaderCenterOnLeader",
    "LeaderGroupMove", "RallyUnit", "RotateLeft", "RotateRight", "UnitAboutFace", "UnitCenterOnUnit",
    "UnitViewDetails", "SetDeadCheat", "SetLeaderCheat", "SetWoundCheat", "ShowOCR", "SetAutoSave",
    "SetLeaderOrder", "StopPaletteAnimation",
    // From the network: the leaders the players play.
    "LeaderControl",
    // From the battle map and its display objects.
    "RebuildVisibleSpriteListKludge", "Change Region Attribute",
    // The display objects' share of an elephant's rampage: the rampage plays its victims through
    // "CohesionHit" today, and these wait for the rampage records to name them.
    "RampageDie", "RampageCohesionHit",
    // From the game physical layer: sprites for the landscape, paths and a unit's flag.
    "AddSpriteToLandscape", "RemoveDeadSprites", "GetPixelPath", "DropFlag",
    // To the game physical layer.
    "GetUnitRegions",
    // The menus send these through their command ids, which the scan cannot read.
    "FileStartGame", "FileOpenGame", "FilePreferences", "HelpAbout", "WindowPlayerChat"};

// The few names under src/ still written as literals, each with why no constant can stand there.
struct AllowedLiteral {
    const char* file;
    const char* name;
    const char* reason;
};
const AllowedLiteral allowedLiterals[] = {
    {"src/framework/ui/button.cpp", "Sbar1", "the status bar's first pane: an item's name, not a message"},
};

bool literalAllowed(const std::string& file, const std::string& name) {
    for (const AllowedLiteral& a : allowedLiterals)
        if (file == a.file && name == a.name) return true;
    return false;
}

struct Place {
    std::string file;
    int line = 0;
};

TEST(MessageNames, EverySentNameIsHandledAndEveryHandledNameIsSent) {
    const fs::path top = VAEL_SOURCE_DIR;
    std::map<std::string, std::string> constants;
    std::vector<fs::path> sources;
    for (const char* folder : {"src", "tools"})
        for (const auto& entry : fs::recursive_directory_iterator(top / folder)) {
            const fs::path& path = entry.path();
            if (path.extension() != ".cpp" && path.extension() != ".h") continue;
            if (path.filename().string().find("message_names.h") != std::string::npos) {
                for (const auto& [constant, text] : readNameConstants(readFile(path)))
                    constants[constant] = text;
                continue;
            }
            sources.push_back(path);
        }
    ASSERT_GT(constants.size(), 100u);
    // A constant is its text without the spaces and the question mark some names have.
    for (const auto& [constant, text] : constants) {
        std::string word = text;
        std::erase_if(word, [](char c) { return c == ' ' || c == '?'; });
        EXPECT_EQ(constant, word) << "a constant names another text";
    }
    std::sort(sources.begin(), sources.end());

    std::map<std::string, Place> sent, handled;
    for (const fs::path& path : sources)
        for (const NameUse& use : scanSource(readFile(path), constants)) {
            const Place place{fs::relative(path, top).string(), use.line};
            if (use.literal && place.file.starts_with("src/") && !literalAllowed(place.file, use.name))
                ADD_FAILURE() << "\"" << use.name << "\" is written as a literal at " << place.file << ":"
                              << place.line << "; name it by its constant";
            if (use.role == NameRole::Sent) sent.emplace(use.name, place);
            if (use.role == NameRole::Handled) handled.emplace(use.name, place);
        }
    for (const auto& [name, place] : sent)
        if (!handled.count(name) && !sentButNotYetHandled.count(name))
            ADD_FAILURE() << "\"" << name << "\" is sent at " << place.file << ":" << place.line
                          << " but handled nowhere";
    for (const auto& [name, place] : handled)
        if (!sent.count(name) && !handledButNotYetSent.count(name))
            ADD_FAILURE() << "\"" << name << "\" is handled at " << place.file << ":" << place.line
                          << " but sent nowhere";
    // A waiting name whose other side has landed leaves its list, or losing either side would go unseen.
    for (const std::set<std::string>* waiting : {&sentButNotYetHandled, &handledButNotYetSent})
        for (const std::string& name : *waiting)
            if (sent.count(name) && handled.count(name))
                ADD_FAILURE() << "\"" << name << "\" is sent at " << sent[name].file << ":" << sent[name].line
                              << " and handled at " << handled[name].file << ":" << handled[name].line
                              << "; take it off the list of names waiting for their other side";
}

} // namespace
} // namespace vael::tree
