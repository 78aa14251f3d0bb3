// Saved games that lose nothing: a save that fails part-way keeps the old file byte for byte, a damaged
// file is refused whole with the running battle left as it stood, and a battle whose plan cannot be read
// or compiled does not begin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <tuple>

#include "battle_doubles.h"
#include "battle_runner.h"
#include "framework/core/list_walk.h"
#include "framework/core/super_string.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_records.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/saved_game_header.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"
#include "support/bus_recorder.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/failing_output.h"
#include "support/file_bytes.h"
#include "support/linked_data.h"
#include "support/shell/run_until.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const char* Demonstration = "GHATMAR.SCN";

// A probe that counts the named message on the battle's bus (its set-up counts once as it attaches).
ContainerBase* counted(Component* target, BusMessage, ContainerBase*) {
    ++static_cast<Probe*>(target)->connectCount;
    return nullptr;
}

void countOn(Probe& probe, VaelApp& app, const char* message) {
    probe.setup = [message](Probe& p) { p.connectNamed(message, counted); };
    probe.attach(app.logicalLayer());
}

// The autosave as game control asks for it, on the battle's bus.
void autoSave(VaelApp& app, const std::string& why) {
    Probe probe("Autosaver");
    probe.attach(app.logicalLayer());
    Container<std::string> box(why);
    delete probe.sendNowNamed("AutoSaveGame", &box);
    probe.detach();
}

// Opens FILE over the running battle: it loads when WHY is empty, else it is refused in those words; either
// way no check fails and a battle runs, and a refused file leaves the running battle as it was.
void expectLoadOver(VaelApp& app, const std::filesystem::path& file, const std::string& why) {
    const Bytes before = saveLayerPart(app.logicalLayer());
    FailedChecks checks;
    std::string error;
    EXPECT_EQ(app.loadGame(file.string(), error), why.empty()) << error;
    EXPECT_EQ(error, why);
    EXPECT_EQ(checks.count(), 0u);
    EXPECT_TRUE(app.battleRunning());
    if (!why.empty()) {
        EXPECT_EQ(saveLayerPart(app.logicalLayer()), before);
    }
}

class SavedGameSafety : public ::testing::Test {
protected:
    SavedGameSafety() { VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR); }

    // The demonstration battle, both sides to the computer, after its second activation; its animations
    // end at once.
    void startDemonstration(VaelApp& app, battle::InstantAnimations& instant) {
        instant.attach(app.logicalLayer());
        std::srand(5);
        app.endOfGameDialog = [](std::uint32_t, bool) {};
        std::string error;
        ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, true, true, error)) << error;
        Probe probe("Activations");
        countOn(probe, app, "ActivateLeader");
        const int base = probe.connectCount;
        ASSERT_TRUE(test::runUntil(
            app, [&] { return probe.connectCount - base >= 2; }, 3'000'000));
        probe.detach();
    }

    TempDir dir{"saved-safety"};
    platform::HeadlessPlatform os;
    DataHome home{dir.path().string()};
};

TEST_F(SavedGameSafety, ASaveThatFailsAfterAnyNumberOfBytesLeavesTheOldSavedGameByteIdentical) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto saves = dir / "saves";
    std::filesystem::create_directories(saves);
    const auto file = saves / "battle.vel";
    std::string error;
    // How long the whole save is: the old file is one made earlier, shorter than that.
    ASSERT_TRUE(app.saveGame(file.string(), error)) << error;
    const std::size_t size = readBytes(file).size();
    ASSERT_GT(size, 100u);
    const Bytes old{'a', 'n', ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 's', 'a', 'v', 'e'};
    writeBytes(file, old);
    // In the header, in the scenario's name, in the layer's part, and one byte short of the end.
    for (const std::size_t room : {std::size_t{0}, std::size_t{1}, std::size_t{15}, std::size_t{16},
                                   std::size_t{30}, size / 2, size - 1}) {
        SCOPED_TRACE(room);
        FailingOutput disk(room);
        app.saveOutput = &disk;
        error.clear();
        EXPECT_FALSE(app.saveGame(file.string(), error));
        EXPECT_EQ(disk.written(), room);
        EXPECT_EQ(error, "cannot write " + file.string() + ": No space left on device");
        EXPECT_EQ(readBytes(file), old);
        EXPECT_EQ(namesIn(saves), std::vector<std::string>{"battle.vel"});
    }
    // A flush to the disk that fails is a failed save too.
    FailingOutput flushFails(size);
    flushFails.syncError = EIO;
    app.saveOutput = &flushFails;
    EXPECT_FALSE(app.saveGame(file.string(), error));
    EXPECT_EQ(error, "cannot write " + file.string() + ": Input/output error");
    EXPECT_EQ(readBytes(file), old);
    // Room for the whole game: it is saved.
    FailingOutput enough(size);
    app.saveOutput = &enough;
    EXPECT_TRUE(app.saveGame(file.string(), error)) << error;
    EXPECT_EQ(readBytes(file).size(), size);
    EXPECT_EQ(namesIn(saves), std::vector<std::string>{"battle.vel"});
    app.saveOutput = nullptr;
}

// The battle tool's application keeps no autosave: the player's own, when game control asks for one, stays
// byte for byte; the game's application writes it over, as ever.
TEST_F(SavedGameSafety, AnApplicationThatKeepsNoAutosaveLeavesThePlayersOwn) {
    const auto autosave = VaelApp::savedGamesDirectory() / VaelApp::AutosaveName;
    std::filesystem::create_directories(autosave.parent_path());
    const std::string precious = "the player's own autosave\n";
    std::ofstream(autosave, std::ios::binary) << precious;
    const Bytes kept(precious.begin(), precious.end());
    for (const bool tool : {true, false}) {
        SCOPED_TRACE(tool ? "the tool's" : "the game's");
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        if (tool) app.keepNoAutosave();
        battle::InstantAnimations instant;
        ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
        autoSave(app, "Turn #1; the first");
        if (tool)
            EXPECT_EQ(readBytes(autosave), kept);
        else
            EXPECT_GT(readBytes(autosave).size(), 100u);
    }
}

TEST_F(SavedGameSafety, AnAutosaveThatFailsKeepsTheLastAutosave) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    autoSave(app, "Turn #1; the first");
    const auto autosave = VaelApp::savedGamesDirectory() / VaelApp::AutosaveName;
    const Bytes first = readBytes(autosave);
    ASSERT_GT(first.size(), 100u);
    for (const std::size_t room : {std::size_t{0}, std::size_t{20}, first.size() - 1}) {
        SCOPED_TRACE(room);
        FailingOutput disk(room);
        app.saveOutput = &disk;
        autoSave(app, "Turn #1; the second");
        EXPECT_EQ(readBytes(autosave), first);
        EXPECT_EQ(namesIn(VaelApp::savedGamesDirectory()), std::vector<std::string>{VaelApp::AutosaveName});
    }
    app.saveOutput = nullptr;
    // The last autosave still loads.
    VaelApp again(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    std::string error;
    EXPECT_TRUE(again.loadGame(autosave.string(), error)) << error;
}

// The commentary's lines that tell of the autosave.
std::vector<CommentaryLine> autosaveLines(VaelApp& app) {
    std::vector<CommentaryLine> told;
    for (const CommentaryLine& line : app.commentary().lines())
        if (!line.empty() && line.front().text.find("autosave") != std::string::npos) told.push_back(line);
    return told;
}

// An autosave that fails is told to the player, in the commentary, with the file and the reason: once while
// it goes on failing, and again when it fails after one that worked; what stood in its place is kept.
TEST_F(SavedGameSafety, AFailedAutosaveIsToldToThePlayerOnceWithTheFileAndTheReason) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto folder = VaelApp::savedGamesDirectory();
    const auto autosave = folder / VaelApp::AutosaveName;
    const std::string file = autosave.string();
    std::filesystem::create_directories(folder);
    struct Case {
        const char* name;
        std::function<void()> make, undo;
        std::string reason;
    };
    const Case cases[] = {
        {"a read-only autosave",
         [&] {
             writeBytes(autosave, Bytes{'o', 'l', 'd'});
             std::filesystem::permissions(autosave, std::filesystem::perms::owner_read);
         },
         [&] {
             EXPECT_EQ(readBytes(autosave), (Bytes{'o', 'l', 'd'}));
             std::filesystem::remove(autosave);
         },
         "cannot replace " + file + ": it is read-only, and is kept as it is"},
        {"a FIFO in its place",
         [&] {
             std::filesystem::remove(autosave);
             ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
         },
         [&] {
             EXPECT_TRUE(std::filesystem::is_fifo(autosave));
             std::filesystem::remove(autosave);
         },
         "cannot replace " + file + ": it is a FIFO, not a regular file"},
        {"the saves folder a file",
         [&] {
             std::filesystem::remove_all(folder);
             writeBytes(folder, Bytes{'f'});
         },
         [&] {
             EXPECT_EQ(readBytes(folder), Bytes{'f'});
             std::filesystem::remove(folder);
         },
         "cannot write " + file + ": Not a directory"},
    };
    std::size_t told = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        autoSave(app, "Turn #1; the first");
        autoSave(app, "Turn #1; the second");
        const auto lines = autosaveLines(app);
        ASSERT_EQ(lines.size(), ++told);
        EXPECT_EQ(lines.back(), (CommentaryLine{{"The autosave failed:", true}, {" " + c.reason, false}}));
        c.undo();
        // It works again, unannounced; the next failure is told anew.
        autoSave(app, "Turn #2; the third");
        EXPECT_TRUE(std::filesystem::is_regular_file(autosave));
        EXPECT_EQ(autosaveLines(app).size(), told);
    }
}

TEST_F(SavedGameSafety, TheDescriptionGivenWithASaveIsKeptInTheHeaderAndTheGameStillLoads) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto plain = dir / "plain.vel", described = dir / "described.vel";
    std::string error;
    ASSERT_TRUE(app.saveGame(plain.string(), error)) << error;
    ASSERT_TRUE(app.saveGame(described.string(), error, "Before the fords")) << error;
    const Bytes a = readBytes(plain), b = readBytes(described);
    // The same game, 6 + 16 bytes longer: the record sits between the scenario's name (ending at 37) and
    // the layer's part, whose offset moves along.
    ASSERT_EQ(b.size(), a.size() + 22);
    EXPECT_EQ(Bytes(b.begin() + 37, b.begin() + 59),
              (Bytes{'V', 'D', 'S', 'C', 16,  0,   'B', 'e', 'f', 'o', 'r',
                     'e', ' ', 't', 'h', 'e', ' ', 'f', 'o', 'r', 'd', 's'}));
    // After the record (or the name) comes the mark of a checked save, six bytes, then the layer's part.
    EXPECT_EQ(a[8], 43);
    EXPECT_EQ(b[8], 65);
    // Up to the whole-file check, whose sum differs with the bytes before it.
    EXPECT_EQ(Bytes(b.begin() + 59, b.end() - 8), Bytes(a.begin() + 37, a.end() - 8));
    std::string description;
    ASSERT_TRUE(readSavedDescription(b, description));
    EXPECT_EQ(description, "Before the fords");
    // Both load, to the same battle: the description takes nothing from the game.
    std::vector<Bytes> loaded;
    for (const auto& file : {plain, described}) {
        SCOPED_TRACE(file.filename().string());
        VaelApp again(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        EXPECT_TRUE(again.loadGame(file.string(), error)) << error;
        loaded.push_back(saveLayerPart(again.logicalLayer()));
    }
    EXPECT_EQ(loaded[0], loaded[1]);
}

// Where the running-state record begins in a file saved without the display: it ends the file.
std::size_t runningStateAt(const Bytes& file) {
    const Bytes tag{'V', 'S', 'T', 'A'};
    const auto at = std::find_end(file.begin(), file.end(), tag.begin(), tag.end());
    return at == file.end() ? file.size() : static_cast<std::size_t>(at - file.begin());
}

// A checked save's bytes, less its check, as a program that knew neither the mark nor the check wrote them:
// the mark taken out of the header (at the end of the scenario's name, 37 in the demonstration battle) and
// the offsets past it moved back. A file saved without the display, whose offsets are the header's alone.
Bytes withoutMark(Bytes file) {
    constexpr std::size_t At = 37, Size = 6;
    const Bytes mark{'V', 'C', 'H', 'K', 0, 0};
    EXPECT_EQ(Bytes(file.begin() + At, file.begin() + At + Size), mark);
    file.erase(file.begin() + At, file.begin() + At + Size);
    for (const std::size_t field : {std::size_t{0}, std::size_t{4}, std::size_t{8}}) {
        std::uint32_t v =
            file[field] | file[field + 1] << 8 | file[field + 2] << 16 | std::uint32_t(file[field + 3]) << 24;
        if (v > At) v -= Size;
        for (std::size_t k = 0; k < 4; ++k)
            file[field + k] = static_cast<std::uint8_t>(v >> (8 * k));
    }
    return file;
}

TEST_F(SavedGameSafety, TheRunningStateEndsTheBattlesPartAndAGameSavedWithoutItStillLoads) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto saved = dir / "running.vel", older = dir / "older.vel";
    std::string error;
    // Saved with nothing of an activation under way, as at its start: the pause after the last combats,
    // which a save carries (in the running state's version 4), is ended first.
    endCombatPause(app.logicalLayer());
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;
    // Less its whole-file check, the running state ends the file.
    Bytes file = readBytes(saved);
    ASSERT_TRUE(unsealSavedGame(file, error)) << error;
    const std::size_t at = runningStateAt(file);
    ASSERT_LT(at + 10, file.size());
    // Tag, version 3, then the length of everything after it to the end of the file.
    const std::size_t length = file.size() - at - 10;
    EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                    file.begin() + static_cast<std::ptrdiff_t>(at + 10)),
              (Bytes{3, 0, static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                     static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)}));
    // The same game as an older program saved it, without the record (nor the mark of a checked save): it
    // loads, and saved again it carries the record once more, at the same place.
    writeBytes(older, withoutMark(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at))));
    VaelApp again(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instantAgain;
    instantAgain.attach(again.logicalLayer());
    ASSERT_TRUE(again.loadGame(older.string(), error)) << error;
    // The older records come back as the same file with the record gives them; the running state
    // follows them, its length the rest.
    const Bytes part = saveLayerPart(again.logicalLayer());
    VaelApp whole(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instantWhole;
    instantWhole.attach(whole.logicalLayer());
    ASSERT_TRUE(whole.loadGame(saved.string(), error)) << error;
    const Bytes wholePart = saveLayerPart(whole.logicalLayer());
    const std::size_t partAt = runningStateAt(part);
    ASSERT_LT(partAt + 10, part.size());
    EXPECT_EQ(
        Bytes(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(partAt)),
        Bytes(wholePart.begin(), wholePart.begin() + static_cast<std::ptrdiff_t>(runningStateAt(wholePart))));
    const std::size_t partLength = part.size() - partAt - 10;
    EXPECT_EQ(part[partAt + 6] | part[partAt + 7] << 8 | part[partAt + 8] << 16 | part[partAt + 9] << 24,
              static_cast<int>(partLength));
}

// A game saved before the running state, cut inside that record's tag (its first one, two or three bytes
// left at the end) or inside the check's, is a cut file, not an older one: refused, with the battle left
// as it stood. The older save whole still loads.
TEST_F(SavedGameSafety, AnOlderSaveCutInsideARecordsTagIsRefusedAndWholeItStillLoads) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto saved = dir / "running.vel", older = dir / "older.vel", cut = dir / "cut.vel";
    std::string error;
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;
    Bytes file = readBytes(saved);
    ASSERT_TRUE(unsealSavedGame(file, error)) << error;
    const std::size_t at = runningStateAt(file);
    ASSERT_LT(at, file.size());
    const Bytes whole = withoutMark(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at)));
    for (const char* tail : {"V", "VS", "VST", "VC", "VCR"}) {
        SCOPED_TRACE(tail);
        Bytes bytes = whole;
        bytes.insert(bytes.end(), tail, tail + std::char_traits<char>::length(tail));
        writeBytes(cut, bytes);
        expectLoadOver(app, cut, "the saved game is cut short: it ends inside the tag of a record");
    }
    writeBytes(older, whole);
    expectLoadOver(app, older, "");
}

// A file whose check was made again over a change its own records cannot see: a unit of two hexes whose
// second hex is not the one beside its first, a count below 0 in game control's block. Each is refused
// with what is wrong, and the running battle stands as it was; the file unchanged still loads.
TEST_F(SavedGameSafety, ACraftedSaveWithASoundCheckButAStateNoBattleReachesIsRefusedWithTheReason) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto saved = dir / "running.vel", crafted = dir / "crafted.vel";
    std::string error;
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;
    Bytes good = readBytes(saved);
    ASSERT_TRUE(unsealSavedGame(good, error)) << error;
    const auto u16At = [&](std::size_t p) { return static_cast<std::uint16_t>(good[p] | good[p + 1] << 8); };
    const auto put16 = [](Bytes& b, std::size_t p, std::uint16_t v) {
        b[p] = static_cast<std::uint8_t>(v), b[p + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    const auto load = [&](Bytes bytes, const std::string& why) {
        sealSavedGame(bytes);
        writeBytes(crafted, bytes);
        expectLoadOver(app, crafted, why);
    };
    const std::size_t at = runningStateAt(good);

    // The units' records follow the header in the scenario's order; each begins with six u16, then its hex
    // and its second hex.
    std::size_t p = good[8] | good[9] << 8 | good[10] << 16 | std::size_t(good[11]) << 24;
    const VaelUnit* wide = nullptr;
    std::size_t wideAt = 0;
    for (const VaelUnit* unit : app.logicalLayer().allUnits()) {
        if (!wide && unit->isDoubleSized() && !unit->isOutOfPlay() && unit->getSecondHex() >= 0)
            wide = unit, wideAt = p;
        SuperString record;
        unit->write(record);
        p += static_cast<std::size_t>(record.length());
    }
    ASSERT_NE(wide, nullptr);
    const std::uint16_t hex = u16At(wideAt + 12), second = u16At(wideAt + 14);
    ASSERT_EQ(hex, wide->getHex());
    ASSERT_EQ(second, static_cast<std::uint16_t>(wide->getSecondHex()));
    const std::string who = "the saved game puts " + wide->getName() + " (unit " +
                            std::to_string(wide->getUnitNum()) + ") on hex " + std::to_string(hex) +
                            " with its second hex ";
    for (const std::uint16_t moved : {hex, std::uint16_t(0xFFFF)}) {
        SCOPED_TRACE("second hex " + std::to_string(moved));
        Bytes bytes = good;
        put16(bytes, wideAt + 14, moved);
        load(bytes, who + std::to_string(std::int16_t(moved)) + ", where it can only be " + std::to_string(second));
    }

    // A unit of one hex carries no second hex: the record of one beside its first is refused whole.
    p = good[8] | good[9] << 8 | good[10] << 16 | std::size_t(good[11]) << 24;
    const VaelUnit* narrow = nullptr;
    std::size_t narrowAt = 0;
    for (const VaelUnit* unit : app.logicalLayer().allUnits()) {
        if (!narrow && !unit->isDoubleSized() && !unit->isOutOfPlay() && unit->getSecondHex() < 0)
            narrow = unit, narrowAt = p;
        SuperString record;
        unit->write(record);
        p += static_cast<std::size_t>(record.length());
    }
    ASSERT_NE(narrow, nullptr);
    ASSERT_EQ(u16At(narrowAt + 14), 0xFFFF);
    {
        SCOPED_TRACE("a second hex for " + narrow->getName());
        Bytes bytes = good;
        put16(bytes, narrowAt + 14, u16At(narrowAt + 12));
        load(bytes, "the saved game has " + narrow->getName() + " (unit " + std::to_string(narrow->getUnitNum()) +
                        ") with a second hex " + std::to_string(u16At(narrowAt + 12)) +
                        ", which a unit of one hex has not");
    }

    // Game control's block ends where the running state begins: its sixteen values, the home side's
    // routed troop quality the tenth and its routing count the eleventh.
    const std::size_t routing = at - 32 + 2 * 10, routedTQ = at - 32 + 2 * 8;
    const std::uint16_t routingNow = u16At(routing), routedNow = u16At(routedTQ);
    ASSERT_EQ(routingNow, static_cast<std::uint16_t>(app.gameControl()->getSideRouting(1)));
    ASSERT_EQ(routedNow, static_cast<std::uint16_t>(app.gameControl()->getSideRoutedTQ(1)));
    {
        SCOPED_TRACE("home routing -1");
        Bytes bytes = good;
        put16(bytes, routing, 0xFFFF);
        load(bytes, "the saved game holds a count of -1 where none is below 0");
    }
    // Counts that say one more routing unit, or more troop quality routing, than the units rout.
    const auto counts = [&](int n, int tq) {
        return "the saved game counts " + std::to_string(n) + " routing (" + std::to_string(tq) +
               ") on the home side, where its units rout " + std::to_string(routingNow) + " (" +
               std::to_string(routedNow) + ")";
    };
    {
        SCOPED_TRACE("home routing one more");
        Bytes bytes = good;
        put16(bytes, routing, static_cast<std::uint16_t>(routingNow + 1));
        load(bytes, counts(routingNow + 1, routedNow));
    }
    {
        SCOPED_TRACE("home routed troop quality one more");
        Bytes bytes = good;
        put16(bytes, routedTQ, static_cast<std::uint16_t>(routedNow + 1));
        load(bytes, counts(routingNow, routedNow + 1));
    }
    load(good, "");
}

// The troop quality a side has lost, the seventh and eighth of game control's sixteen values, is what its
// eliminated units were worth: a file resealed over a greater figure would decide the battle on losses no
// unit bore, and one below it would have the side hold out past the losses that break it. One home unit
// routed and eliminated, saved: the home side's loss of its worth loads, one more or less does not, nor
// any loss of the visitor side, which lost nothing.
TEST_F(SavedGameSafety, ALostTroopQualityItsEliminatedUnitsDoNotBearOutIsRefused) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    GameControl* control = app.gameControl();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ((std::tuple{control->getSideLostTQ(1), control->getSideLostTQ(0)}), std::tuple(0, 0));
    Combat* fallen = nullptr;
    for (Combat* unit : each(app.logicalLayer().getHomeUnits()))
        if (!fallen && !unit->isOutOfPlay() && unit->pointValue() > 2) fallen = unit;
    ASSERT_NE(fallen, nullptr);
    const int worth = fallen->pointValue();
    {
        Probe probe("Casualties");
        probe.attach(app.logicalLayer());
        // It routs, then falls, as the battle's losses come.
        Container<UnitRoutData> routed(
            UnitRoutData{fallen->getNation(), static_cast<std::uint16_t>(worth), fallen->getUnitType()});
        delete probe.sendNowNamed("UnitRouted", &routed);
        Container<short> killed(static_cast<short>(fallen->getUnitNum()));
        delete probe.sendNowNamed("EliminateUnit", &killed);
        probe.detach();
    }
    ASSERT_EQ((std::tuple{control->getSideLostTQ(1), control->getSideLostTQ(0)}), std::tuple(worth, 0));
    const auto saved = dir / "lost.vel", crafted = dir / "crafted.vel";
    std::string error;
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;
    Bytes good = readBytes(saved);
    ASSERT_TRUE(unsealSavedGame(good, error)) << error;
    const std::size_t at = runningStateAt(good);
    const std::size_t homeLost = at - 32 + 2 * 6, visitorLost = at - 32 + 2 * 7;
    ASSERT_EQ(good[homeLost] | good[homeLost + 1] << 8, worth);
    ASSERT_EQ(good[visitorLost] | good[visitorLost + 1] << 8, 0);
    const auto refused = [](int lost, const char* side, int bearing) {
        return "the saved game counts " + std::to_string(lost) + " troop quality lost on the " + side +
               " side, where its fallen units are worth " + std::to_string(bearing);
    };
    struct Row {
        const char* name;
        std::size_t at;
        int lost;
        std::string why;
    };
    const Row rows[] = {
        {"home as saved", homeLost, worth, ""},
        {"home one less", homeLost, worth - 1, refused(worth - 1, "home", worth)},
        {"home none", homeLost, 0, refused(0, "home", worth)},
        {"home one more", homeLost, worth + 1, refused(worth + 1, "home", worth)},
        {"home 0x7FFF", homeLost, 0x7FFF, refused(0x7FFF, "home", worth)},
        {"visitor 1", visitorLost, 1, refused(1, "visitor", 0)},
        {"visitor 101", visitorLost, 101, refused(101, "visitor", 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes bytes = good;
        bytes[row.at] = static_cast<std::uint8_t>(row.lost),
        bytes[row.at + 1] = static_cast<std::uint8_t>(row.lost >> 8);
        sealSavedGame(bytes);
        writeBytes(crafted, bytes);
        expectLoadOver(app, crafted, row.why);
    }
}

// A leader struck before his turn is done for it, though his own record says so only while he gives
// orders: one killed in his place, his replacement marked done as a casualty marks him, then saved and
// loaded, is not picked again that turn. Game control picks every other leader who has not gone yet.
TEST_F(SavedGameSafety, AReplacementLeaderDoneForHisTurnIsNotActivatedAgainOnceLoaded) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    GameControl* control = app.gameControl();
    ASSERT_NE(control, nullptr);
    std::int16_t struck = -1;
    for (std::int16_t i = 0; i < control->getLeaderCount() && struck < 0; ++i) {
        const LeaderUnitInfo& r = control->leaderAt(i);
        if (r.leader && !control->goneThisTurn(i) && i != control->getActiveLeader() &&
            !Leader::isCommanderName(r.leader->getName()))
            struck = i;
    }
    ASSERT_GE(struck, 0);
    Leader* leader = control->leaderAt(struck).leader;
    const std::string name = leader->getName();
    const auto number = static_cast<short>(leader->getUnitNum());
    {
        Probe probe("Casualties");
        probe.attach(app.logicalLayer());
        Container<short> killed(number), done(number);
        delete probe.sendNowNamed("EliminateUnit", &killed);
        delete probe.sendNowNamed("FinishedLeader", &done);
        probe.detach();
    }
    ASSERT_EQ(leader->getName(), name + "(R)");
    ASSERT_EQ(leader->isFinished(), 1);
    const auto saved = dir / "struck.vel";
    std::string error;
    // Saved with nothing of an activation under way, as at its start: the pause after the last combats,
    // which a save carries (in the running state's version 4), is ended first.
    endCombatPause(app.logicalLayer());
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;

    VaelApp again(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instantAgain;
    instantAgain.attach(again.logicalLayer());
    ASSERT_TRUE(again.loadGame(saved.string(), error)) << error;
    GameControl* resumed = again.gameControl();
    ASSERT_NE(resumed, nullptr);
    Leader* loaded = resumed->leaderAt(struck).leader;
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->getName(), name + "(R)");
    EXPECT_EQ(loaded->isFinished(), 1);
    std::vector<std::int16_t> left;
    for (std::int16_t i = 0; i < resumed->getLeaderCount(); ++i)
        if (!resumed->goneThisTurn(i) && i != struck && resumed->leaderAt(i).currentInitiative &&
            !(resumed->leaderAt(i).leader && resumed->leaderAt(i).leader->isFinished()))
            left.push_back(i);
    ASSERT_FALSE(left.empty());
    std::vector<std::int16_t> picked;
    for (int k = 0; k < 50 && resumed->ChooseNextLeader(); ++k)
        if (std::find(picked.begin(), picked.end(), resumed->getActiveLeader()) == picked.end())
            picked.push_back(resumed->getActiveLeader());
    std::sort(picked.begin(), picked.end());
    EXPECT_EQ(picked, left);
}

TEST_F(SavedGameSafety, ADamagedRunningStateIsRefusedWholeAndTheRunningBattleStands) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto saved = dir / "running.vel", damaged = dir / "damaged.vel";
    std::string error;
    // Saved with nothing of an activation under way, as at its start: the pause after the last combats,
    // which a save carries (in the running state's version 4), is ended first.
    endCombatPause(app.logicalLayer());
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;
    // Damaged and checked again, so that the record's own checks are what see it.
    Bytes good = readBytes(saved);
    ASSERT_TRUE(unsealSavedGame(good, error)) << error;
    const std::size_t at = runningStateAt(good);
    ASSERT_LT(at + 12, good.size());
    // The first unit's first field is whether a withdrawal is forced on it: 0 or 1.
    struct Case {
        const char* name;
        std::size_t byte; // 0: no byte changed
        std::uint8_t value;
        int lengthChange; // added to the record's length
        bool extraByte;
        std::string why; // empty: loads
    };
    const VaelUnit* first = app.logicalLayer().allUnits().front();
    const std::string state = "the saved game's running state ";
    const auto more = [&](int bytes) {
        return state + "holds " + std::to_string(bytes) + " bytes more than this battle's units, leaders and hexes take";
    };
    const Case cases[] = {
        {"version 5", at + 4, 5, 0, false, state + "is of version 5, which this game does not read"},
        // Read as the older record, the rest is left over.
        {"version 2 over the rampaging elephants", at + 4, 2, 0, false, more(2)},
        {"version 1 over the leaders' flags", at + 4, 1, 0, false, more(14)},
        {"version 0", at + 4, 0, 0, false, state + "is of version 0, which this game does not read"},
        {"a length one past the end", 0, 0, 1, false, "the saved game is cut short or does not belong to this battle"},
        {"a length one short", 0, 0, -1, false, state + "ends inside its shared hexes"},
        {"a byte more than the units take", 0, 0, 1, true, more(1)},
        {"a withdrawal forced, flag 2", at + 10, 2, 0, false,
         "the saved game has " + first->getName() + " (unit " + std::to_string(first->getUnitNum()) +
             ") marked 2 for a withdrawal forced on it, where only 0 or 1 can be"},
        {"a withdrawal forced, flag 1", at + 10, 1, 0, false, ""},
    };
    const auto length = [&](const Bytes& b) {
        return static_cast<std::uint32_t>(b[at + 6] | b[at + 7] << 8 | b[at + 8] << 16 | b[at + 9] << 24);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = good;
        if (c.byte) bytes[c.byte] = c.value;
        const std::uint32_t n = length(good) + static_cast<std::uint32_t>(c.lengthChange);
        for (int k = 0; k < 4; ++k)
            bytes[at + 6 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(n >> (8 * k));
        if (c.extraByte) bytes.push_back(0);
        sealSavedGame(bytes);
        writeBytes(damaged, bytes);
        expectLoadOver(app, damaged, c.why);
    }
}

// Every field of the running state is held to what a battle can hold: the hexes a unit was sent to, picked
// on and marked (the second for a unit of two hexes) are hexes of the map or none (0xFFFF), as the hex lists
// are; hits announced and not yet applied are 0 to Combat::MaxPendingHits. Each file is checked again after
// its change, so that the record's own checks are what see it, and a refusal leaves the battle as it stood.
TEST_F(SavedGameSafety, EachFieldOfTheRunningStateOutsideWhatABattleCanHoldIsRefused) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto saved = dir / "running.vel", damaged = dir / "damaged.vel";
    std::string error;
    // Saved with nothing of an activation under way, as at its start: the pause after the last combats,
    // which a save carries (in the running state's version 4), is ended first.
    endCombatPause(app.logicalLayer());
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;
    Bytes good = readBytes(saved);
    ASSERT_TRUE(unsealSavedGame(good, error)) << error;
    const std::size_t at = runningStateAt(good);
    ASSERT_TRUE(app.logicalLayer().allUnits().front()->isCombatUnit());
    // The first unit's record: nine u16 (four of them hexes), three hex lists, then its four fighting fields.
    const auto u16At = [&](std::size_t p) { return static_cast<std::size_t>(good[p] | good[p + 1] << 8); };
    std::size_t lists = at + 10 + 18;
    for (int list = 0; list < 3; ++list)
        lists += 2 + 2 * u16At(lists);
    const std::size_t pending = lists + 6;
    // Column 0 of the demonstration's map holds rows 0 to 19; 2900 is the first hex of its last column.
    constexpr std::uint16_t LastRow = 19, PastLastRow = 20, LastColumn = 2900, PastLastColumn = 3000;
    const struct {
        const char* field;
        std::size_t offset;
        const char* said; // how the refusal names it
    } hexes[] = {{"destination", at + 16, "sent to"},
                 {"selected hex", at + 20, "picked on"},
                 {"marked hex", at + 24, "marked to move to"},
                 {"second marked hex", at + 26, "marked to move its second hex to"}};
    struct Row {
        std::string what;
        std::size_t offset;
        std::uint16_t value;
        bool loads;
        std::string why = {}; // of a refusal
    };
    const VaelUnit* first = app.logicalLayer().allUnits().front();
    const std::string who =
        "the saved game has " + first->getName() + " (unit " + std::to_string(first->getUnitNum()) + ") ";
    const auto offMap = [&](const char* said, int hex) {
        return who + said + " hex " + std::to_string(hex) + ", which this map does not have";
    };
    const auto hits = [&](int count) {
        return who + "with " + std::to_string(count) + " cohesion hits to come, where 0 to 999 can be";
    };
    std::vector<Row> rows;
    for (const auto& hex : hexes) {
        const std::string f = hex.field;
        rows.push_back({f + ": hex 0", hex.offset, 0, true});
        rows.push_back({f + ": no hex", hex.offset, 0xFFFF, true});
        rows.push_back({f + ": the last row", hex.offset, LastRow, true});
        rows.push_back({f + ": a row past the last", hex.offset, PastLastRow, false, offMap(hex.said, PastLastRow)});
        rows.push_back({f + ": the last column", hex.offset, LastColumn, true});
        rows.push_back(
            {f + ": a column past the last", hex.offset, PastLastColumn, false, offMap(hex.said, PastLastColumn)});
        rows.push_back({f + ": -2", hex.offset, 0xFFFE, false, offMap(hex.said, 0xFFFE)});
        rows.push_back({f + ": 32767", hex.offset, 0x7FFF, false, offMap(hex.said, 0x7FFF)});
    }
    rows.push_back({"pending hits: none", pending, 0, true});
    rows.push_back({"pending hits: the most", pending, 999, true});
    rows.push_back({"pending hits: one more", pending, 1000, false, hits(1000)});
    rows.push_back({"pending hits: 32767", pending, 0x7FFF, false, hits(32767)});
    rows.push_back({"pending hits: -1", pending, 0xFFFF, false, hits(-1)});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes bytes = good;
        bytes[row.offset] = static_cast<std::uint8_t>(row.value);
        bytes[row.offset + 1] = static_cast<std::uint8_t>(row.value >> 8);
        sealSavedGame(bytes);
        writeBytes(damaged, bytes);
        expectLoadOver(app, damaged, row.loads ? "" : row.why);
    }
}

// The demonstration battle saved by the battle tool at its sixth activation with seed 7, each flipped file
// checked again so that the record's own checks are what see it: the leaders the computer plays are listed
// around bytes 1897 and 1904, where a single flipped bit names a leader the battle does not have, or one
// twice.
TEST_F(SavedGameSafety, AFileWithAFlippedBitInItsComputerLeadersIsRefusedWholeAndTheRunningBattleStands) {
    const auto saved = dir / "sixth.vel";
    battle::BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = Demonstration;
    options.seed = 7;
    options.saveAt = 6;
    options.saveFile = saved.string();
    const battle::BattleOutcome outcome = battle::playBattle(options);
    ASSERT_EQ(outcome.status, battle::BattleStatus::Ended) << outcome.message;
    Bytes good = readBytes(saved);
    ASSERT_GT(good.size(), 1904u + 8u);
    good.resize(good.size() - 8);

    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    for (const std::size_t byte : {std::size_t{1897}, std::size_t{1904}})
        for (int bit = 0; bit < 8; ++bit) {
            SCOPED_TRACE(std::to_string(byte) + " bit " + std::to_string(bit));
            Bytes flipped = good;
            flipped[byte] ^= static_cast<std::uint8_t>(1u << bit);
            sealSavedGame(flipped);
            const auto file = dir / "flipped.vel";
            writeBytes(file, flipped);
            const Bytes before = saveLayerPart(app.logicalLayer());
            FailedChecks checks;
            Probe probe("Resumptions");
            countOn(probe, app, "ResumeActiveLeader");
            const int base = probe.connectCount;
            std::string error;
            EXPECT_FALSE(app.loadGame(file.string(), error));
            EXPECT_EQ(error.rfind("the saved game gives the computer leader ", 0), 0u) << error;
            EXPECT_EQ(checks.count(), 0u);
            // Refused before the battle was closed: it stands as it was and was never resumed anew.
            EXPECT_EQ(probe.connectCount, base);
            probe.detach();
            EXPECT_TRUE(app.battleRunning());
            EXPECT_EQ(saveLayerPart(app.logicalLayer()), before);
        }
    // The file as saved is taken; without its check it is not, its mark asking for one.
    std::string error;
    EXPECT_TRUE(app.loadGame(saved.string(), error)) << error;
    writeBytes(dir / "unchecked.vel", good);
    EXPECT_FALSE(app.loadGame((dir / "unchecked.vel").string(), error));
    EXPECT_EQ(error,
              "the saved game is cut short or damaged: it was saved with a check it no longer ends in");
}

// A checked save cannot pass for an older one: cut before its check (at the start of its running state, say)
// or with its check's tag damaged, the mark near its start still says it was checked, and it is refused
// with that reason, the running battle left as it stood. Without the mark (a file of the few saved with the
// check but before the mark), a running state without a whole check is refused too. A file older in every
// respect, with neither the mark, nor the running state, nor the check, still loads; so does a file with the
// check but no mark.
TEST_F(SavedGameSafety, ACheckedSaveCutBeforeItsCheckOrWithItsTagDamagedIsRefusedAndOlderSavesStillLoad) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    ASSERT_NO_FATAL_FAILURE(startDemonstration(app, instant));
    const auto saved = dir / "checked.vel", probeFile = dir / "probe.vel";
    std::string error;
    ASSERT_TRUE(app.saveGame(saved.string(), error)) << error;
    const Bytes sealed = readBytes(saved);
    Bytes body = sealed;
    ASSERT_TRUE(unsealSavedGame(body, error)) << error;
    const std::size_t running = runningStateAt(body);
    ASSERT_LT(running, body.size());
    const Bytes older = withoutMark(Bytes(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(running)));
    Bytes olderChecked = withoutMark(body);
    sealSavedGame(olderChecked);
    const std::string cutShort =
        "the saved game is cut short or damaged: it was saved with a check it no longer ends in";
    const std::string unchecked =
        "the saved game holds a battle's running state but no whole check: it is cut short or damaged";
    const auto flipped = [](Bytes b, std::size_t at) {
        b[at] ^= 0x01;
        return b;
    };
    const struct {
        const char* what;
        Bytes file;
        std::string error; // empty: it loads
    } rows[] = {
        {"cut at the start of its running state",
         Bytes(sealed.begin(), sealed.begin() + static_cast<std::ptrdiff_t>(running)), cutShort},
        {"cut just before its check", body, cutShort},
        {"the check's tag damaged", flipped(sealed, sealed.size() - 8), cutShort},
        {"the check's tag and a byte of the body damaged",
         flipped(flipped(sealed, sealed.size() - 5), running + 12), cutShort},
        {"no mark, cut just before its check", withoutMark(body), unchecked},
        {"older in every respect", older, ""},
        {"the check without the mark", olderChecked, ""},
        {"as saved", sealed, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        writeBytes(probeFile, row.file);
        expectLoadOver(app, probeFile, row.error);
    }
}

TEST_F(SavedGameSafety, ABattleWhosePlanWillNotOpenOrCompileDoesNotBeginAndSaysWhichFileAndWhy) {
    LinkedData noImport(dir / "no-import", VAEL_BUILD_DATA_DIR), broken(dir / "broken", VAEL_BUILD_DATA_DIR),
        noPlan(dir / "no-plan", VAEL_BUILD_DATA_DIR), large(dir / "large", VAEL_BUILD_DATA_DIR),
        tactics(dir / "tactics", VAEL_BUILD_DATA_DIR), emptied(dir / "emptied", VAEL_BUILD_DATA_DIR),
        fifoPlans(dir / "fifo-plans", VAEL_BUILD_DATA_DIR),
        folderMap(dir / "folder-map", VAEL_BUILD_DATA_DIR), fifoMap(dir / "fifo-map", VAEL_BUILD_DATA_DIR);
    noImport.remove("ghatmar_tactics.pln");
    emptied.write("ghatmar_tactics.pln", "");
    folderMap.remove("ghatmar.map");
    std::filesystem::create_directory(folderMap.path() + "/ghatmar.map");
    fifoMap.remove("ghatmar.map");
    ASSERT_EQ(::mkfifo((fifoMap.path() + "/ghatmar.map").c_str(), 0600), 0);
    for (const char* plan : {"ghatmar_h1.pln", "ghatmar_h2.pln", "ghatmar_v1.pln", "ghatmar_v2.pln"}) {
        broken.write(plan, "' no brackets\nHold\n;\n");
        noPlan.remove(plan);
        fifoPlans.remove(plan);
        ASSERT_EQ(::mkfifo((fifoPlans.path() + "/" + plan).c_str(), 0600), 0);
        // A gigabyte, as a sparse file.
        large.write(plan, "");
        std::filesystem::resize_file(large.path() + "/" + plan, std::uintmax_t(1) << 30);
    }
    // The error in the file the plans import is that file's, at its own line: two lines of comment, then a
    // constant without its value on the third.
    tactics.write("ghatmar_tactics.pln", "' tactics\n' shared by both plans\nconst Broken = ;\n");
    const struct {
        const char* what;
        const LinkedData& data;
        std::string starts, ends;
    } rows[] = {
        {"the import missing", noImport, "the plan " + noImport.path() + "/ghatmar_",
         " imports " + noImport.path() + "/ghatmar_tactics.pln, which would not open"},
        {"the import broken", broken, "the plan " + broken.path() + "/ghatmar_",
         ".pln does not compile: line 3: Missing open bracket"},
        {"no plan at all", noPlan, "the plan " + noPlan.path() + "/ghatmar_", ".pln would not open"},
        {"a gigabyte plan", large, "the plan " + large.path() + "/ghatmar_",
         ".pln is too large: 1073741824 bytes, where at most 4194304 are expected"},
        {"the import broken at its own line", tactics, "the plan " + tactics.path() + "/ghatmar_",
         ".pln does not compile: " + tactics.path() +
             "/ghatmar_tactics.pln, which it imports, line 3: Illegal constant"},
        // An emptied import is the import's fault, not that of the names the plan then misses.
        {"the import emptied", emptied, "the plan " + emptied.path() + "/ghatmar_",
         ".pln does not compile: " + emptied.path() +
             "/ghatmar_tactics.pln, which it imports, line 1: Import file holds nothing"},
        {"the plans FIFOs", fifoPlans, "the plan " + fifoPlans.path() + "/ghatmar_",
         ".pln is not a regular file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        platform::HeadlessPlatform own;
        VaelApp::writeInstallSettings(own.settings(), row.data.path());
        VaelApp app(own, row.data.path(), nullptr, VaelApp::Views::None);
        std::srand(5);
        std::string error;
        EXPECT_FALSE(app.startBattle(Demonstration, VaelApp::CustomScenario, true, true, error));
        EXPECT_EQ(error.rfind(row.starts, 0), 0u) << error;
        ASSERT_GE(error.size(), row.ends.size());
        EXPECT_EQ(error.substr(error.size() - row.ends.size()), row.ends) << error;
        EXPECT_FALSE(app.battleRunning());
    }
    // A folder or a FIFO in the map's place is told as what it is, in the failed check's box, not as a map
    // that is not there.
    for (const auto& [data, problem] : {std::pair{&folderMap, "it is a folder, not a file"},
                                        std::pair{&fifoMap, "it is not a regular file"}}) {
        SCOPED_TRACE(problem);
        FailedChecks checks;
        platform::HeadlessPlatform own;
        VaelApp::writeInstallSettings(own.settings(), data->path());
        VaelApp app(own, data->path(), nullptr, VaelApp::Views::None);
        std::string error;
        EXPECT_FALSE(app.startBattle(Demonstration, VaelApp::CustomScenario, true, true, error));
        EXPECT_EQ(checks.texts, std::vector<std::string>{"The map file " + data->path() +
                                                         "/ghatmar.map of the scenario GHATMAR.SCN cannot be "
                                                         "used: " +
                                                         problem + "  Abort?"});
        EXPECT_FALSE(app.battleRunning());
    }
    // The battle tool stops before the first activation and says the same.
    battle::BattleOptions options;
    options.dataDir = noImport.path();
    options.scenario = Demonstration;
    const battle::BattleOutcome outcome = battle::playBattle(options);
    EXPECT_EQ(outcome.status, battle::BattleStatus::LoadFailed);
    EXPECT_EQ(outcome.activations, 0);
    EXPECT_EQ(outcome.message.rfind("cannot start the scenario GHATMAR.SCN: the plan " + noImport.path(), 0),
              0u)
        << outcome.message;
    EXPECT_NE(outcome.message.find("ghatmar_tactics.pln, which would not open"), std::string::npos)
        << outcome.message;
}

} // namespace
} // namespace vael::test
