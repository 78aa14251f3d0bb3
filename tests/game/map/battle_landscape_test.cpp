// The battle landscape's arrows, debris and scars, its part of a saved game pinned by hand-written bytes
// and round trips in both views, and the sprites it drops.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>

#include "forged_map_scene.h"
#include "framework/core/super_string.h"
#include "game/map/vael_sprite.h"
#include "support/display/archive_bytes.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

class BattleLandscapeTest : public ForgedMapScene {
protected:
    // 6 x 6 at level 1 with column 3 the river.
    void SetUp() override {
        make(6, 6, [](int hex) { return hex / 100 == 3 ? 0 : 1; });
    }
    TempDir dir{"battle-landscape"};
};

TEST_F(BattleLandscapeTest, ArrowsAreListedOnceTurnedOnlyInTheirPicturesAndRemovedWithTheirSprites) {
    const BattleArrowStruct arrow{202, 203, 3, 0};
    normal().addBattleArrow(arrow);
    normal().addBattleArrow(arrow);
    turned().addBattleArrow(arrow);
    ASSERT_EQ(normal().arrows().size(), 1u);
    ASSERT_EQ(turned().arrows().size(), 1u);
    // E turned two steps clockwise is S (picture 4); anticlockwise, N (picture 0). The list keeps E.
    auto* shown = dynamic_cast<VaelSprite*>(normal().arrows()[0].sprite);
    auto* shownTurned = dynamic_cast<VaelSprite*>(turned().arrows()[0].sprite);
    ASSERT_TRUE(shown && shownTurned);
    EXPECT_EQ((std::tuple{normal().arrows()[0].arrow.direction, shown->frameInfo().index,
                          shownTurned->frameInfo().index, shown->frameInfo().name}),
              std::tuple(3u, 4, 0, std::string("Battle Arrows")));
    EXPECT_NE(shown->levelFrame(0), nullptr);
    EXPECT_EQ(normal().sprites().count(), 1);
    rec().reset();
    normal().removeBattleArrow(BattleArrowStruct{202, 204, 3, 0}); // not listed
    EXPECT_EQ((std::tuple{normal().arrows().size(), rec().calls.size()}), std::tuple(1u, 0u));
    normal().removeBattleArrow(BattleArrowStruct{202, 203, 7, 0}); // equal by its two hexes
    EXPECT_EQ((std::tuple{normal().arrows().size(), normal().sprites().count()}), std::tuple(0u, 0));
    ASSERT_EQ(rec().labels(), (Labels{"Listener.h1"}));
    normal().addBattleArrow(arrow);
    normal().addBattleArrow(BattleArrowStruct{100, 101, 5, 0});
    normal().removeAllBattleArrows();
    EXPECT_EQ((std::tuple{normal().arrows().size(), normal().sprites().count()}), std::tuple(0u, 0));
}

TEST_F(BattleLandscapeTest, DebrisFallsByMissileTypeAndNeverIntoTheRiver) {
    // Type 1: y = 76 / 4 + 5 % 9 = 24 drawn first, then x = 130 / 5 + 7 % 13 = 33, then the picture.
    Roll::script({5, 7, 2});
    normal().returnFromMissileFire(MissileDebrisStruct{202, 1, 0});
    ASSERT_EQ(normal().sprites().count(), 1);
    Sprite* s = nullptr;
    normal().sprites().first(s);
    auto* debris = dynamic_cast<VaelSprite*>(s);
    ASSERT_NE(debris, nullptr);
    const Point3D centre = normal().blockCenter(202);
    EXPECT_EQ(
        (std::tuple{debris->position(0), debris->frameInfo().name, debris->frameInfo().index,
                    normal().deadSprites().contains(s)}),
        std::tuple(Point(static_cast<std::int16_t>(centre.x - 33), static_cast<std::int16_t>(centre.y - 24)),
                   std::string("Arrow"), 2, static_cast<std::int16_t>(1)));
    EXPECT_EQ(rec().labels(), (Labels{"Listener.h2", "Listener.h4", "Listener.h3"}));
    Roll::endScript();
    normal().returnFromMissileFire(MissileDebrisStruct{302, 1, 0}); // the river
    normal().returnFromMissileFire(MissileDebrisStruct{202, 8, 0}); // nothing left by that kind
    normal().returnFromMissileFire(MissileDebrisStruct{105, 1, 0}); // off the map
    EXPECT_EQ(normal().sprites().count(), 1);
    // The smaller zooms leave none of their own: the full-size landscape's debris is drawn at all three.
    for (int zoom : {1, 2}) {
        const auto before = levels[0][zoom]->sprites().count();
        levels[0][zoom]->returnFromMissileFire(MissileDebrisStruct{202, 1, 0});
        EXPECT_EQ(levels[0][zoom]->sprites().count(), before) << zoom;
    }
    // Javelins lie a little lower: y = 76 / 3 + 4 % 12 = 29.
    Roll::script({4, 0, 0});
    normal().returnFromMissileFire(MissileDebrisStruct{202, 4, 0});
    Sprite* last = nullptr;
    normal().sprites().last(last);
    EXPECT_EQ(dynamic_cast<VaelSprite*>(last)->position(0).y, centre.y - 29);
    // Removing the dead sprites hides them and empties the list.
    normal().removeDeadSprites();
    EXPECT_EQ((std::tuple{normal().deadSprites().count(), last->isHidden(), normal().sprites().count()}),
              std::tuple(0, 1, 2));
}

TEST_F(BattleLandscapeTest, DestroyingASpriteTakesItOffTheDeadAndOptionalListsToo) {
    Roll::script({0, 0, 0});
    normal().returnFromMissileFire(MissileDebrisStruct{202, 1, 0});
    Sprite* s = nullptr;
    normal().sprites().first(s);
    ASSERT_EQ(normal().deadSprites().count(), 1);
    normal().destroySprite(s);
    EXPECT_EQ((std::tuple{normal().sprites().count(), normal().deadSprites().count()}), std::tuple(0, 0));
    normal().removeDeadSprites(); // would reach the freed sprite if it were still listed
}

TEST_F(BattleLandscapeTest, ScarsAreListedOnceAndNeverOnTheRiver) {
    List<short> hexes;
    for (short h : {202, 302, 202, 105, 400})
        hexes.append(h);
    normal().addBattleScars(hexes);
    std::vector<short> got;
    Item<short>* item = nullptr;
    for (normal().scars().firstItem(item); item; item = item->next)
        got.push_back(item->value);
    EXPECT_EQ(got, (std::vector<short>{static_cast<short>(normal().hexToBlock(202)),
                                       static_cast<short>(normal().hexToBlock(400))}));
    const PhysicalBlock* b = normal().block(normal().hexToBlock(202));
    EXPECT_EQ(b->isOverlayVisible(1, 0), 1);
    EXPECT_EQ(normal().block(normal().hexToBlock(201))->isOverlayVisible(1, 0), 0);
}

TEST_F(BattleLandscapeTest, TheSavedPartIsTheHandWrittenBytes) {
    // Normal view: scar on 202 (block 15, which the file keeps as 2 * 6 + 3 = 15) and an arrow; then the
    // reversed view, whose arrow is listed unturned.
    List<short> scar;
    scar.append(202);
    normal().addBattleScars(scar);
    normal().addBattleArrow(BattleArrowStruct{202, 203, 3, 0});
    turned().addBattleArrow(BattleArrowStruct{100, 101, 6, 0});
    const auto file = dir / "game.vel";
    writeAll(file, Bytes(16, 0));
    ASSERT_TRUE(normal().saveGame(file.string()));
    ASSERT_TRUE(turned().saveGame(file.string()));
    const Bytes expected{16, 0, 0,    0, 0,    0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, // header: the block at 16
                         28, 0, 0,    0, 40,   0, 0, 0, 1, 0, 15, 0, // block: sections at 28 and 40, one scar
                         1,  0, 0xCA, 0, 0xCB, 0, 3, 0, 0, 0, 0,  0, // normal view: one arrow, no sprite
                         1,  0, 100,  0, 101,  0, 6, 0, 0, 0, 0,  0}; // reversed view
    EXPECT_EQ(readAll(file), expected);
}

TEST_F(BattleLandscapeTest, SaveLoadSaveIsByteIdenticalInBothViewsAndScarsStayOnTheirHexes) {
    List<short> scars;
    scars.append(202);
    scars.append(501);
    normal().addBattleScars(scars);
    normal().addBattleArrow(BattleArrowStruct{202, 203, 3, 0});
    turned().addBattleArrow(BattleArrowStruct{100, 101, 6, 0});
    Roll::script({1, 2, 3, 4, 5, 6});
    normal().returnFromMissileFire(MissileDebrisStruct{202, 1, 0});
    turned().returnFromMissileFire(MissileDebrisStruct{400, 3, 0});
    Roll::endScript();
    const auto lastOf = [](PointedVaelLandscape& l) {
        Sprite* s = nullptr;
        l.sprites().last(s);
        return dynamic_cast<VaelSprite*>(s);
    };
    const Point turnedDebrisAt = lastOf(turned())->position(0);
    const auto first = dir / "first.vel", second = dir / "second.vel";
    writeAll(first, Bytes(16, 0));
    ASSERT_TRUE(normal().saveGame(first.string()));
    ASSERT_TRUE(turned().saveGame(first.string()));

    // A fresh battle on the same map loads it and saves it again.
    make(6, 6, [](int hex) { return hex / 100 == 3 ? 0 : 1; });
    for (auto& view : levels)
        for (auto& l : view)
            ASSERT_TRUE(l->loadGame(first.string()));
    // Each view shows the scars on the hexes they fell on.
    for (auto* l : {&normal(), &turned(), levels[1][2].get()}) {
        std::set<short> hexes;
        Item<short>* item = nullptr;
        for (l->scars().firstItem(item); item; item = item->next)
            hexes.insert(l->blockToHex(item->value));
        EXPECT_EQ(hexes, (std::set<short>{202, 501}));
    }
    EXPECT_EQ((std::tuple{normal().arrows().size(), turned().arrows().size(), normal().sprites().count(),
                          turned().sprites().count(), normal().deadSprites().count()}),
              std::tuple(1u, 1u, 2, 2, 1));
    // The turned view's debris stands where it fell, and the reversed layer that files it leaves it there.
    VaelSprite* debris = lastOf(turned());
    debris->moveToView1();
    EXPECT_EQ((std::tuple{debris->view(), debris->position(0)}), std::tuple(1, turnedDebrisAt));
    writeAll(second, Bytes(16, 0));
    ASSERT_TRUE(normal().saveGame(second.string()));
    ASSERT_TRUE(turned().saveGame(second.string()));
    EXPECT_EQ(readAll(second), readAll(first));
}

TEST_F(BattleLandscapeTest, ScenerySpritesAreNotSavedSoLoadingTwiceAddsNone) {
    make(6, 6, [](int) { return 1; }, {{202, 1}, {203, 2}});
    // The trees and stones belong to the quarter-size landscape, which never saves; the full-size one
    // saves no sprites of them, and a file without a landscape block loads as nothing.
    const auto file = dir / "trees.vel";
    writeAll(file, Bytes(16, 0));
    ASSERT_TRUE(normal().saveGame(file.string()));
    const Bytes saved = readAll(file);
    ASSERT_EQ(saved.size(), 16u + 10u + 4u);
    EXPECT_EQ((Bytes{saved.end() - 4, saved.end()}), (Bytes{0, 0, 0, 0}));
    const auto empty = dir / "empty.vel";
    writeAll(empty, Bytes(16, 0));
    EXPECT_TRUE(normal().loadGame(empty.string()));
    EXPECT_EQ(normal().scars().count(), 0);
}

// A block without scars, each view's section with one arrow: read from hand-written bytes, and written
// back to the same bytes; an arrow points along one of the eight directions or the part is refused.
TEST_F(BattleLandscapeTest, APartWithoutScarsLoadsItsArrowsAndSavesToTheSameBytes) {
    const Bytes file{16, 0, 0,    0, 0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // header: the block at 16
                     26, 0, 0,    0, 38,   0, 0, 0, 0, 0,                   // sections at 26 and 38, no scar
                     1,  0, 0xCA, 0, 0xCB, 0, 3, 0, 0, 0, 0, 0,             // normal: 202 to 203, direction 3
                     1,  0, 100,  0, 101,  0, 6, 0, 0, 0, 0, 0}; // reversed: 100 to 101, direction 6
    const auto in = dir / "in.vel", out = dir / "out.vel";
    writeAll(in, file);
    ASSERT_TRUE(normal().loadGame(in.string()));
    ASSERT_TRUE(turned().loadGame(in.string()));
    EXPECT_EQ(normal().scars().count(), 0);
    ASSERT_EQ(normal().arrows().size(), 1u);
    ASSERT_EQ(turned().arrows().size(), 1u);
    EXPECT_EQ((std::tuple{normal().arrows()[0].arrow.from, normal().arrows()[0].arrow.to,
                          normal().arrows()[0].arrow.direction}),
              (std::tuple{202, 203, 3u}));
    EXPECT_EQ((std::tuple{turned().arrows()[0].arrow.from, turned().arrows()[0].arrow.to,
                          turned().arrows()[0].arrow.direction}),
              (std::tuple{100, 101, 6u}));
    writeAll(out, Bytes(16, 0));
    ASSERT_TRUE(normal().saveGame(out.string()));
    ASSERT_TRUE(turned().saveGame(out.string()));
    EXPECT_EQ(readAll(out), file);

    // The normal arrow's direction is the u32 at 32.
    const struct {
        std::uint8_t low, high;
        bool taken;
    } rows[] = {{0, 0, false}, {1, 0, true}, {8, 0, true}, {9, 0, false}, {1, 1, false}, {0xFF, 0xFF, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.low) + " " + std::to_string(row.high));
        make(6, 6, [](int hex) { return hex / 100 == 3 ? 0 : 1; });
        Bytes bytes = file;
        bytes[32] = row.low, bytes[34] = row.high, bytes[35] = row.high;
        writeAll(in, bytes);
        EXPECT_EQ(normal().loadGame(in.string()), row.taken);
        EXPECT_EQ(normal().arrows().size(), row.taken ? 1u : 0u);
        // The reversed view's section is its own and stays readable.
        EXPECT_TRUE(turned().loadGame(in.string()));
    }
}

TEST_F(BattleLandscapeTest, ACorruptLandscapePartIsRefusedAndLosesNothing) {
    List<short> scar;
    scar.append(202);
    normal().addBattleScars(scar);
    const struct {
        const char* what;
        Bytes bytes;
    } rows[] = {
        {"shorter than its header", {1, 0}},
        {"block past the end", {16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"more scars than bytes", {4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 1, 0}},
        {"section past the end", {4, 0, 0, 0, 99, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"more arrows than bytes", {4, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0}},
        {"sprites cut short", {4, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 3, 0}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const auto file = dir / "bad.vel";
        writeAll(file, r.bytes);
        EXPECT_FALSE(normal().loadGame(file.string()));
        EXPECT_EQ(normal().scars().count(), 1);
    }
    EXPECT_FALSE(normal().loadGame((dir / "missing.vel").string()));
}

// The scenery of battles 0 and 2 lies in archives outside our data set: the test forges small ones into a
// scratch directory of its own. Each picture is 1 x 1 with its own pixel, 1, 2, 3 ... in file order.
class BattleSceneryTest : public ForgedMapScene {
protected:
    BattleSceneryTest() {
        writeAll(dir / "ossandra.oif", keyedArchive("Ossandra", {{"Plain", 1}, {"Plain Reversed", 1}}));
        writeAll(dir / "vellith.oif", keyedArchive("Vellith", {{"Pass", 12}, {"Pass Reversed", 11}}));
        app.onFindInMapFile = [this](OIFBase* library) {
            if (!forged) return;
            const std::string n = library->name();
            std::string file;
            if (n.rfind("Ossandra", 0) == 0) file = "ossandra.oif";
            if (n.rfind("Vellith", 0) == 0) file = "vellith.oif";
            if (file.empty()) return;
            std::ifstream in(dir / file, std::ios::binary);
            library->readFile((dir / file).string(), in);
        };
    }
    // A map that holds hexes 16 and 602, with the battle's index.
    void makeBattle(std::uint16_t battle) {
        make(
            7, 17, [](int) { return 1; }, {}, battle);
    }
    struct Shown {
        short region;
        Point offset; // from the hex's centre
        std::string group;
        int picture;
        int pixel;
        bool operator==(const Shown&) const = default;
    };
    std::vector<Shown> shown(PointedVaelLandscape& l) {
        std::vector<Shown> out;
        Item<Sprite*>* item = nullptr;
        for (l.sprites().firstItem(item); item; item = item->next) {
            auto* s = dynamic_cast<VaelSprite*>(item->value);
            if (!s) continue;
            const Point3D centre = l.blockCenter(static_cast<std::int16_t>(s->region()));
            const Bitmap* picture = s->levelFrame(0);
            out.push_back({static_cast<short>(s->region()),
                           Point(static_cast<std::int16_t>(s->position(0).x - centre.x),
                                 static_cast<std::int16_t>(s->position(0).y - centre.y)),
                           s->frameInfo().name, s->frameInfo().index,
                           picture && picture->bits() ? picture->bits()[0] : -1});
        }
        return out;
    }
    bool forged = true;
    TempDir dir{"battle-scenery"};
};

TEST_F(BattleSceneryTest, TheFirstBattleStandsOnePictureInEachViewOfTheFullSizeLandscapeOnly) {
    makeBattle(0);
    EXPECT_EQ(shown(normal()), (std::vector<Shown>{{16, Point(-65, 79), "Plain", 0, 1}}));
    EXPECT_EQ(shown(turned()), (std::vector<Shown>{{202, Point(380, 51), "Plain Reversed", 0, 2}}));
    for (int view = 0; view < 2; ++view)
        for (int z = 1; z < 3; ++z) {
            SCOPED_TRACE(::testing::Message() << "view " << view << " zoom " << z);
            EXPECT_EQ(levels[view][z]->sprites().count(), 0);
            EXPECT_EQ(levels[view][z]->battleSceneryArchive(0), nullptr);
        }
    ASSERT_NE(normal().battleSceneryArchive(2), nullptr);
    EXPECT_EQ((std::tuple{normal().battleSceneryArchive(0)->name(), normal().battleSceneryArchive(1)->name(),
                          normal().battleSceneryArchive(2)->name()}),
              std::tuple(std::string("Ossandra"), std::string("Ossandra (Half size)"),
                         std::string("Ossandra (Quarter size)")));
}

TEST_F(BattleSceneryTest, TheThirdBattleStandsTwelvePicturesInTheNormalViewAndElevenReversed) {
    makeBattle(2);
    const std::vector<Point> normalAt = {{-119, 142}, {-66, 63},  {4, 53},     {130, 81},
                                         {193, 152},  {227, 191}, {-196, 195}, {-145, 242},
                                         {-66, 237},  {64, 237},  {-108, 170}, {4, 131}};
    const std::vector<Point> reversedAt = {{26, 42},   {209, 39},  {310, 39}, {366, 86},
                                           {259, 151}, {194, 197}, {64, 202}, {-1, 154},
                                           {-66, 106}, {180, 124}, {212, 104}};
    std::vector<Shown> expected, expectedReversed;
    for (int k = 0; k < 12; ++k)
        expected.push_back({103, normalAt[static_cast<std::size_t>(k)], "Pass", k, 1 + k});
    for (int k = 0; k < 11; ++k)
        expectedReversed.push_back(
            {602, reversedAt[static_cast<std::size_t>(k)], "Pass Reversed", k, 13 + k});
    EXPECT_EQ(shown(normal()), expected);
    EXPECT_EQ(shown(turned()), expectedReversed);
}

// The battle's own scenery is made again with the map, so a saved game keeps none of it: both views save
// no sprite, and a battle loaded on the same map shows each picture once.
TEST_F(BattleSceneryTest, TheThirdBattlesSceneryIsNeitherSavedNorDoubledOnLoad) {
    makeBattle(2);
    const std::vector<Shown> normalShown = shown(normal()), turnedShown = shown(turned());
    ASSERT_EQ((std::tuple{normalShown.size(), turnedShown.size()}), std::tuple(12u, 11u));
    const auto file = dir / "pass.vel";
    writeAll(file, Bytes(16, 0));
    ASSERT_TRUE(normal().saveGame(file.string()));
    ASSERT_TRUE(turned().saveGame(file.string()));
    const Bytes expected{16, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // header: the block at 16
                         26, 0, 0, 0, 30, 0, 0, 0, 0, 0,                   // sections at 26 and 30, no scar
                         0,  0, 0, 0,                                      // normal: no arrow, no sprite
                         0,  0, 0, 0};                                     // reversed
    EXPECT_EQ(readAll(file), expected);
    makeBattle(2);
    for (auto& view : levels)
        for (auto& l : view)
            ASSERT_TRUE(l->loadGame(file.string()));
    EXPECT_EQ(shown(normal()), normalShown);
    EXPECT_EQ(shown(turned()), turnedShown);
    EXPECT_EQ(normal().deadSprites().count(), 0);
}

TEST_F(BattleSceneryTest, OtherBattlesAndMissingArchivesMakeNothingAndCloseGameDropsTheScenery) {
    for (std::uint16_t battle : {1, 3, 10}) {
        SCOPED_TRACE(battle);
        makeBattle(battle);
        EXPECT_EQ((std::tuple{normal().sprites().count(), turned().sprites().count()}), std::tuple(0, 0));
        EXPECT_EQ(normal().battleSceneryArchive(0), nullptr);
    }
    makeBattle(2);
    ASSERT_EQ(normal().sprites().count(), 12);
    normal().closeGame();
    EXPECT_EQ((std::tuple{normal().sprites().count(), normal().battleSceneryArchive(0)}),
              std::tuple(0, nullptr));
    forged = false;
    for (std::uint16_t battle : {0, 2}) {
        SCOPED_TRACE(::testing::Message() << "without archives, battle " << battle);
        makeBattle(battle);
        EXPECT_EQ((std::tuple{normal().sprites().count(), turned().sprites().count()}), std::tuple(0, 0));
        EXPECT_EQ(normal().battleSceneryArchive(0), nullptr);
    }
}

} // namespace
} // namespace vael::test
