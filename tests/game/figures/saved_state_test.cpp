// A display object's saved record: pinned by hand-written bytes for an object whose figures all went into
// the ground, saved, loaded into a fresh object and saved again byte for byte, and refused whole when it
// does not fit the object or runs short.
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class SavedStateTest : public FigureScene {
protected:
    TestUnit* unit(std::int32_t kind = 0, int formation = 6, std::int16_t hex = 1204) {
        return static_cast<TestUnit*>(attach(std::make_unique<TestUnit>(
            "Unit", hex, 1, kind,
            [](TestUnit& self, LogicalCommandInfo& c) { self.VaelPhysicalObject::handleEvent(c); },
            formation)));
    }
    static std::string saved(VaelPhysicalObject& u) {
        std::ostringstream out;
        u.save(out);
        return out.str();
    }
    static std::string bytes(std::initializer_list<int> b) {
        std::string s;
        for (int v : b)
            s.push_back(static_cast<char>(v));
        return s;
    }
};

// Six figures, every one in the ground; the unit at 1305 facing 4, eliminated.
const std::string AllInTheGround = [] {
    std::string s;
    for (int v : {0x19, 0x05, 4, 0, 0, 0, 6, 0})
        s.push_back(static_cast<char>(v));
    for (int i = 0; i < 6; ++i)
        s += std::string("\0\0", 2);
    for (int i = 0; i < 6; ++i)
        s += "\xFF\xFF";
    const int tail[] = {3,    0, 0,    0,           // turn facing
                        2,    0, 0xFF, 0xFF, 0, 0,  // flag location (2, -1, 0)
                        7,    0,                    // animation group
                        0,    0,                    // leader group
                        6,    0,                    // fallen count
                        0,    0, 0,    0,           // reserved
                        0x64, 0,                    // 100 percent
                        4,    0, 0,    0,           // general cause
                        1,    0, 0,    0,    1, 0}; // eliminated, no rout, flag stale
    for (int v : tail)
        s.push_back(static_cast<char>(v));
    for (int i = 0; i < 6; ++i)
        s += std::string("\x02\0", 2);
    s += std::string("\0\0", 2); // no flag
    return s;
}();

TEST_F(SavedStateTest, ARecordOfFiguresAllInTheGroundDestroysEveryBuiltFigureAndTheFlag) {
    auto* u = unit();
    ASSERT_EQ(u->spriteCount(), 6);
    ASSERT_NE(u->flag(), nullptr);
    layer.listenFor("SpriteDestroyed");
    layer.log.clear();
    std::istringstream in(AllInTheGround);
    u->load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
    EXPECT_EQ(layer.log, Lines(7, "SpriteDestroyed"));
    for (std::int16_t i = 0; i < 6; ++i) {
        EXPECT_EQ(u->sprite(i), nullptr);
        EXPECT_EQ(u->figureSlot(i), -1);
        EXPECT_EQ(u->fallenState(i), 2);
    }
    EXPECT_EQ(u->flag(), nullptr);
    EXPECT_EQ(u->region(), 1305);
    EXPECT_EQ(u->facing(), 4);
    EXPECT_EQ(u->turnFacing(), 3);
    EXPECT_EQ(u->flagLocation(), Point3D(2, -1, 0));
    EXPECT_EQ(u->animationGroup(), 7);
    EXPECT_EQ(u->fallenCount(), 6);
    EXPECT_EQ(u->casualtyPercent(), 100);
    EXPECT_EQ(u->casualtyCause(), 4);
    EXPECT_EQ(u->eliminated(), 1);
    EXPECT_EQ(u->inTerminalRout(), 0);
    EXPECT_EQ(u->flagStale(), 1);
    EXPECT_EQ(saved(*u), AllInTheGround);
}

TEST_F(SavedStateTest, SaveLoadSaveIsByteIdenticalForAFootUnitALeaderAndASingleFigure) {
    struct Row {
        std::int32_t kind;
        int formation;
    };
    for (const Row& r : {Row{0, 6}, Row{0, 8}, Row{4, 1}, Row{9, 8}}) {
        SCOPED_TRACE(::testing::Message() << "kind " << r.kind << " formation " << r.formation);
        auto* a = unit(r.kind, r.formation);
        FigureStatePeer::setCasualtyPercent(*a, 40), FigureStatePeer::setCasualtyCause(*a, 2),
            FigureStatePeer::setLeaderGroup(*a, 9);
        a->addLoose(a->sprite(0));
        const std::string first = saved(*a);
        auto* b = unit(r.kind, r.formation, 907);
        std::istringstream in(first);
        b->load(in);
        ASSERT_FALSE(in.fail());
        EXPECT_EQ(saved(*b), first);
        EXPECT_EQ(b->looseSprites().count(), 1) << "a figure still playing loose plays loose again";
        if (r.kind == 4) {
            EXPECT_EQ(b->flag(), nullptr);
            // A leader writes no flag: its record ends in a zero word.
            EXPECT_EQ(first.substr(first.size() - 2), bytes({0, 0}));
        }
    }
}

// Each value of the record that indexes the formation's tables or marks a state, one at a time just past
// what a battle leaves (and at its last good value), in the hand-written record above: a bad one is refused
// with its reason and the object keeps its state; the good one loads. A hex off the map is refused for a unit
// that still stands and taken from one that fell, which may have been last shown past the map's edge.
TEST_F(SavedStateTest, EachValueNoBattleLeavesIsRefusedWithItsReasonAndTheObjectKeepsItsState) {
    struct Row {
        const char* what;
        std::size_t at;
        std::vector<int> value;
        const char* reason; // null: loads
        bool fallen = false; // the hex's rows: the unit fell rather than still stands
    };
    const char* facing = "its facing is no direction";
    const char* turning = "its turning facing is no direction";
    const char* place = "a figure stands in a place the formation does not have";
    const char* marks = "a mark of its losses or its flag is neither set nor clear";
    const char* lying = "a figure neither stands, falls nor lies in the ground";
    const Row rows[] = {
        {"facing 0", 2, {0, 0, 0, 0}, facing},
        {"facing 1", 2, {1, 0, 0, 0}, nullptr},
        {"facing 8", 2, {8, 0, 0, 0}, nullptr},
        {"facing 9", 2, {9, 0, 0, 0}, facing},
        {"facing 5 in its high byte", 2, {5, 0, 0, 1}, facing},
        {"facing 5 in its second byte", 2, {5, 1, 0, 0}, facing},
        {"turn facing 0", 32, {0, 0, 0, 0}, nullptr},
        {"turn facing 9", 32, {9, 0, 0, 0}, turning},
        {"turn facing -1", 32, {0xFF, 0xFF, 0xFF, 0xFF}, turning},
        {"slot -2", 20, {0xFE, 0xFF}, place},
        {"slot 5", 20, {5, 0}, nullptr},
        {"slot 6", 20, {6, 0}, place},
        {"fallen count 7", 46, {7, 0}, "it shows more fallen figures than it has"},
        {"fallen count -1", 46, {0xFF, 0xFF}, "it shows more fallen figures than it has"},
        {"percent 101", 52, {101, 0}, "its losses are not a share of the unit"},
        {"percent -1", 52, {0xFF, 0xFF}, "its losses are not a share of the unit"},
        {"eliminated 2", 58, {2, 0}, marks},
        {"rout 2", 60, {2, 0}, marks},
        {"stale 2", 62, {2, 0}, marks},
        {"fallen state 3", 64, {3, 0}, lying},
        {"fallen state -1", 74, {0xFF, 0xFF}, lying},
        {"flag mark 2", 76, {2, 0}, marks},
        {"hex off the map, standing", 0, {0x63, 0x00}, "its hex is not on the map"},
        {"hex off the map, fallen", 0, {0x63, 0x00}, nullptr, true},
    };
    layer.land.offMap.insert(99);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string record = AllInTheGround;
        for (std::size_t k = 0; k < r.value.size(); ++k)
            record[r.at + k] = static_cast<char>(r.value[k]);
        if (r.at == 0 && !r.fallen) record[58] = 0;
        auto* u = unit();
        const std::string before = saved(*u);
        std::istringstream in(record);
        u->load(in);
        if (!r.reason) {
            EXPECT_FALSE(in.fail()) << u->loadProblem();
            continue;
        }
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(u->loadProblem(), r.reason);
        EXPECT_EQ(saved(*u), before);
        ASSERT_NE(u->flag(), nullptr);
    }
}

// Each value of a standing figure's own record that no battle leaves, one at a time just past its bound and
// at its last good value, in the record of a fresh six-figure unit: the figure's record starts at byte 10
// (after the hex, facing, count and the first figure's mark), its picture "Standing" 0 at byte 64. The
// archive "Unit" holds 121 pictures, "Standing" 8 of them; the formation gives no depth past 1; the map
// lacks hex 99 and its places at each level lie in the boxes written here. A bad value is refused with the
// record and the field named, and the object keeps its state.
TEST_F(SavedStateTest, EachValueOfAFiguresOwnRecordNoBattleLeavesIsRefusedWithItsReason) {
    auto* source = unit(0, 6);
    const std::string good = saved(*source);
    ASSERT_EQ(good.substr(8, 2), bytes({1, 0})) << "the first figure is there";
    ASSERT_EQ(good.substr(10, 4), bytes({0xFF, 0xFF, 0xB4, 0x04})) << "no depth, hex 1204";
    ASSERT_EQ(good.substr(64, 12), bytes({8, 0, 'S', 't', 'a', 'n', 'd', 'i', 'n', 'g', 0, 0}));
    anchors.offMap.insert(99);
    anchors.places = {Box(-100, -100, 1000, 550), Box(-50, -50, 500, 275), Box(-25, -25, 250, 138)};
    for (int level = 0; level < 3; ++level) {
        const Point p = source->figure(0)->position(level);
        const Box& box = anchors.places[static_cast<std::size_t>(level)];
        ASSERT_TRUE(p.x > box.x && p.y > box.y && p.x < box.x + box.w && p.y < box.y + box.h)
            << "the figure stands inside every box at level " << level;
    }
    struct Row {
        const char* what;
        std::size_t at;
        std::vector<int> value;
        const char* reason; // null: loads
    };
    const char* picture = "a figure's picture is past the pictures of its group";
    const char* frames = "a figure's frame count is past its archive's pictures";
    const char* mode = "a figure's drawing mode is none it is drawn in";
    const char* hidden = "a figure's mark of being hidden is neither set nor clear";
    const char* state = "a figure's state is neither set nor clear";
    const char* place = "a figure's place at one of its zoom levels is off the map";
    const Row rows[] = {
        {"picture 7", 74, {7, 0}, nullptr},
        {"picture 8", 74, {8, 0}, picture},
        {"picture 0x7FFF", 74, {0xFF, 0x7F}, picture},
        {"picture 0x8000", 74, {0x00, 0x80}, picture},
        {"picture -1 names none", 74, {0xFF, 0xFF}, nullptr},
        {"a group the archive lacks",
         66,
         {'X'},
         "a figure's picture is of a group its archive does not have"},
        {"frame count 121", 36, {121, 0}, nullptr},
        {"frame count 122", 36, {122, 0}, frames},
        {"frame count -1", 36, {0xFF, 0xFF}, frames},
        {"frame count 0x7FFF", 36, {0xFF, 0x7F}, frames},
        {"draw mode 3", 32, {3, 0, 0, 0}, nullptr},
        {"draw mode 4", 32, {4, 0, 0, 0}, mode},
        {"draw mode 0", 32, {0, 0, 0, 0}, mode},
        {"draw mode 1 in its high byte", 32, {1, 0, 0, 0x80}, mode},
        {"hidden 1", 38, {1, 0}, nullptr},
        {"hidden 2", 38, {2, 0}, hidden},
        {"hidden 0x8000", 38, {0x00, 0x80}, hidden},
        {"state 1", 82, {1, 0}, nullptr},
        {"state 2", 82, {2, 0}, state},
        {"state 0xFFFF", 82, {0xFF, 0xFF}, state},
        {"depth 0", 10, {0, 0}, nullptr},
        {"depth 1", 10, {1, 0}, nullptr},
        {"depth 2", 10, {2, 0}, "a figure's drawing depth is past its formation's"},
        {"depth 0x7FFF", 10, {0xFF, 0x7F}, "a figure's drawing depth is past its formation's"},
        {"hex 1305", 12, {0x19, 0x05}, nullptr},
        {"hex 99, off the map", 12, {0x63, 0x00}, "a figure's hex is not on the map"},
        {"full-size x -100", 40, {0x9C, 0xFF}, nullptr},
        {"full-size x -101", 40, {0x9B, 0xFF}, place},
        {"full-size x 899", 40, {0x83, 0x03}, nullptr},
        {"full-size x 900", 40, {0x84, 0x03}, place},
        {"full-size x 0x8000", 40, {0x00, 0x80}, place},
        {"full-size start y 449", 46, {0xC1, 0x01}, nullptr},
        {"full-size start y 450", 46, {0xC2, 0x01}, place},
        {"half-size y 0x7FFF", 50, {0xFF, 0x7F}, place},
        {"quarter-size start y 112", 62, {112, 0}, nullptr},
        {"quarter-size start y 113", 62, {113, 0}, place},
        {"quarter-size start y 0x8000", 62, {0x00, 0x80}, place},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string record = good;
        for (std::size_t k = 0; k < r.value.size(); ++k)
            record[r.at + k] = static_cast<char>(r.value[k]);
        auto* u = unit(0, 6);
        const std::string before = saved(*u);
        std::istringstream in(record);
        u->load(in);
        if (!r.reason) {
            EXPECT_FALSE(in.fail()) << u->loadProblem();
            EXPECT_EQ(saved(*u), record) << "taken as it was saved";
            continue;
        }
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(u->loadProblem(), r.reason);
        EXPECT_EQ(saved(*u), before);
    }
}

// A standing unit's first figure marked neither there (1) nor gone (0): refused with its reason, the object
// keeping its state.
TEST_F(SavedStateTest, AFigureNeitherThereNorGoneIsRefused) {
    std::string record = saved(*unit());
    ASSERT_EQ(record.substr(8, 2), bytes({1, 0})) << "the first figure's mark of being there";
    record[8] = 2;
    auto* u = unit();
    const std::string before = saved(*u);
    std::istringstream in(record);
    u->load(in);
    EXPECT_TRUE(in.fail());
    EXPECT_EQ(u->loadProblem(), "a figure is neither there nor gone, or neither loose nor in its place");
    EXPECT_EQ(saved(*u), before);
}

TEST_F(SavedStateTest, ARecordForAnotherFigureCountOrCutShortIsRefusedAndTheObjectKeepsItsState) {
    auto* source = unit(0, 8, 1305);
    FigureStatePeer::setCasualtyPercent(*source, 25);
    const std::string record = saved(*source);
    auto* target = unit(0, 6);
    const std::string before = saved(*target);
    {
        std::istringstream in(record);
        target->load(in);
        EXPECT_TRUE(in.fail()) << "eight figures read into six";
        EXPECT_EQ(saved(*target), before);
    }
    auto* same = unit(0, 8);
    const std::string kept = saved(*same);
    for (std::size_t cut = 0; cut < record.size(); ++cut) {
        SCOPED_TRACE(cut);
        std::istringstream in(record.substr(0, cut));
        same->load(in);
        ASSERT_TRUE(in.fail());
        ASSERT_EQ(saved(*same), kept);
        ASSERT_NE(same->flag(), nullptr);
    }
}

// A leader has no flag of his own, and his record never carries one: a leader's record with a flag's
// record spliced in is refused and leaves him as he was, even when the object holds a flag; the same flag
// in a unit's record is taken.
TEST_F(SavedStateTest, ALeadersRecordThatCarriesAFlagIsRefusedWhileAUnitsIsTaken) {
    auto* foot = unit(0, 1);
    ASSERT_NE(foot->flag(), nullptr);
    std::ostringstream flagOut;
    foot->flag()->save(flagOut);
    const std::string flagRecord = flagOut.str();
    ASSERT_FALSE(flagRecord.empty());
    const std::string footRecord = saved(*foot);
    ASSERT_GT(footRecord.size(), flagRecord.size() + 2);
    // A unit's record ends in the word 1 and its flag's record; a leader's in the word 0.
    EXPECT_EQ(footRecord.substr(footRecord.size() - flagRecord.size() - 2), bytes({1, 0}) + flagRecord);
    const std::string plain = saved(*unit(4, 1));
    ASSERT_EQ(plain.substr(plain.size() - 2), bytes({0, 0}));
    const std::string flagged = plain.substr(0, plain.size() - 2) + bytes({1, 0}) + flagRecord;

    // A leader as made, without a flag, and one whose object was given a unit's flag before it became a
    // leader's.
    auto* made = unit(4, 1, 907);
    auto* holding = unit(0, 1, 907);
    holding->setKind(4);
    ASSERT_NE(holding->flag(), nullptr);
    for (TestUnit* leader : {made, holding}) {
        SCOPED_TRACE(leader == made ? "without a flag" : "holding a flag");
        const std::string before = saved(*leader);
        std::istringstream in(flagged);
        leader->load(in);
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(saved(*leader), before);
        std::istringstream asSaved(plain);
        leader->load(asSaved);
        EXPECT_FALSE(asSaved.fail());
        EXPECT_EQ(saved(*leader), plain);
    }

    auto* other = unit(0, 1, 907);
    std::istringstream withFlag(footRecord);
    other->load(withFlag);
    EXPECT_FALSE(withFlag.fail());
    EXPECT_EQ(saved(*other), footRecord);
}

// A flag is made with its state set, pole, cloth and shadow alike: a record of one with any of them clear
// or past set is refused with its reason. Its three parts' states are the last word of each part's record,
// the unit's record ending with the flag's.
TEST_F(SavedStateTest, AFlagWhosePartsStateIsNoneAFlagIsGivenIsRefused) {
    auto* foot = unit(0, 1);
    ASSERT_NE(foot->flag(), nullptr);
    const auto sizeOf = [](const VaelSprite& part) {
        std::ostringstream out;
        part.VaelSprite::save(out);
        return out.str().size();
    };
    const std::string good = saved(*foot);
    const std::size_t shadow = good.size() - 2, cloth = shadow - sizeOf(*foot->flag()->shadow()),
                      pole = cloth - sizeOf(*foot->flag()->cloth());
    for (std::size_t at : {pole, cloth, shadow})
        ASSERT_EQ(good.substr(at, 2), bytes({1, 0}));
    const char* why = "its flag's state is none a flag is given";
    struct Row {
        const char* name;
        std::size_t at;
        int value;
        const char* reason;
    };
    for (const Row& row :
         {Row{"pole 0", pole, 0, why}, Row{"pole 2", pole, 2, why}, Row{"cloth 0", cloth, 0, why},
          Row{"cloth 2", cloth, 2, why}, Row{"shadow 0", shadow, 0, why},
          Row{"shadow 0x8001", shadow, 0x8001, why}, Row{"all set", shadow, 1, nullptr}}) {
        SCOPED_TRACE(row.name);
        std::string record = good;
        record[row.at] = static_cast<char>(row.value & 0xFF),
        record[row.at + 1] = static_cast<char>(row.value >> 8);
        auto* u = unit(0, 1);
        const std::string before = saved(*u);
        std::istringstream in(record);
        u->load(in);
        EXPECT_EQ(in.fail(), row.reason != nullptr);
        EXPECT_EQ(u->loadProblem(), row.reason ? row.reason : "");
        EXPECT_EQ(saved(*u), row.reason ? before : record);
    }
}

// What a unit's object had under way names its sprites by their place (the figures, the flag, then any
// others), and a figure's queue read back gets the checks its record gets: its depth and its events' within
// the formation's, their hexes on the map. Refused with the sprite's reason; written over saved bytes.
TEST_F(SavedStateTest, AnUnderWayRecordNamingNoSpriteOrQueuingPastTheFiguresRecordIsRefused) {
    anchors.offMap.insert(99);
    auto* source = unit(0, 6);
    ASSERT_NE(source->flag(), nullptr);
    VaelSprite* first = source->figure(0);
    first->dropEvents();
    first->addNamedEvent(1204, Point4D(0, 0, 0, 10), List<FrameInfo>(), 1, SpriteMove, 0);
    std::ostringstream out;
    source->saveUnderWay(out);
    const std::string good = out.str();
    std::ostringstream figureOut, recordOut;
    first->saveUnderWay(figureOut);
    first->VaelSprite::save(recordOut);
    const std::size_t figure = good.find(figureOut.str());
    ASSERT_NE(figure, std::string::npos);
    ASSERT_EQ(good.substr(figure - 2, 2), bytes({0, 0})) << "named 0, the first figure";
    const std::size_t event = figure + recordOut.str().size() + 2;
    ASSERT_EQ(good.substr(event + 10, 6), bytes({0xB4, 0x04, 0, 0, 1, 0})) << "hex 1204, a move, depth 1";
    const char* deep = "a figure's drawing depth is past its formation's";
    struct Row {
        const char* name;
        std::size_t at;
        std::vector<int> value;
        const char* reason; // null: taken
    };
    const Row rows[] = {
        {"as saved", event + 14, {1, 0}, nullptr},
        {"the move at depth 0", event + 14, {0, 0}, nullptr},
        {"the move at no depth", event + 14, {0xFF, 0xFF}, nullptr},
        {"the move at depth 2", event + 14, {2, 0}, deep},
        {"the move at depth -2", event + 14, {0xFE, 0xFF}, deep},
        {"the figure at depth 1", figure, {1, 0}, nullptr},
        {"the figure at depth 2", figure, {2, 0}, deep},
        {"the move into hex 99", event + 10, {0x63, 0}, "a figure's queued event's hex is not on the map"},
        {"a figure's picture past its group",
         figure + 64,
         {8, 0},
         "a figure's picture is past the pictures of its group"},
    };
    ASSERT_EQ(good.substr(figure + 54, 10), bytes({8, 0, 'S', 't', 'a', 'n', 'd', 'i', 'n', 'g'}));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string record = good;
        for (std::size_t k = 0; k < row.value.size(); ++k)
            record[row.at + k] = static_cast<char>(row.value[k]);
        auto* u = unit(0, 6);
        std::istringstream in(record);
        EXPECT_EQ(u->loadUnderWay(in), row.reason == nullptr);
        EXPECT_EQ(u->loadProblem(), row.reason ? row.reason : "");
    }

    // The sprites waited on named by hand: no flag raised, nothing kept, turned or queued; then the one name
    // waited on, none loose, none playing.
    const auto waitingOn = [&](int name) {
        return bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, name, 0, 0, 0, 0, 0});
    };
    const int flag = source->spriteCount();
    for (const auto& [name, taken] :
         {std::pair{0, true}, std::pair{flag, true}, std::pair{flag + 1, false}, std::pair{0xFF, false}}) {
        SCOPED_TRACE(name);
        auto* u = unit(0, 6);
        std::istringstream in(waitingOn(name));
        EXPECT_EQ(u->loadUnderWay(in), taken);
    }
    // Nothing waited on or loose, one sprite playing: the flag, with its own bytes, and past it.
    std::ostringstream flagOut;
    source->flag()->saveUnderWay(flagOut);
    const auto playing = [&](int name) {
        return bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, name, 0}) + flagOut.str();
    };
    for (const auto& [name, taken] :
         {std::pair{flag, true}, std::pair{flag + 1, false}, std::pair{0xFF, false}}) {
        SCOPED_TRACE(::testing::Message() << "playing " << name);
        auto* u = unit(0, 6);
        std::istringstream in(playing(name));
        EXPECT_EQ(u->loadUnderWay(in), taken);
    }
}

// A command that was being finished at the save is written as played, with a word that says so (the third,
// after the flag's two); the loaded object tells what followed it once its resumption comes. Saved again
// before that, it says so again, or the second file would resume without the word; once told, it does not.
TEST_F(SavedStateTest, ACommandLoadedAsBeingFinishedIsSavedAgainSoUntilItsEndIsTold) {
    auto* source = unit(0, 6);
    std::ostringstream out;
    source->saveUnderWay(out);
    std::string loaded = out.str();
    ASSERT_EQ(loaded.substr(0, 6), bytes({0, 0, 0, 0, 0, 0})) << "no flag raised or waving, nothing being finished";
    loaded[4] = 1;
    for (const bool told : {false, true}) {
        SCOPED_TRACE(told ? "its end told" : "its end not yet told");
        auto* u = unit(0, 6);
        std::istringstream in(loaded);
        ASSERT_TRUE(u->loadUnderWay(in));
        if (told) u->finishLoadedHead();
        std::ostringstream again;
        u->saveUnderWay(again);
        std::string want = loaded;
        want[4] = told ? 0 : 1;
        EXPECT_EQ(again.str(), want);
    }
}

// A leader has no flag: the place after his figures names no sprite, waited on or playing, and is refused;
// his figure is taken. A flag's record playing is refused with the reason of whichever of its three parts
// (pole, cloth, shadow, one after the other) holds what no battle leaves: a mark of being hidden past set.
TEST_F(SavedStateTest, AnUnderWayRecordNamingAFlaglessLeadersFlagOrAFlagPartNoBattleLeavesIsRefused) {
    auto* source = unit(0, 6);
    ASSERT_NE(source->flag(), nullptr);
    std::ostringstream flagOut, poleOut, clothOut;
    source->flag()->saveUnderWay(flagOut);
    source->flag()->VaelSprite::saveUnderWay(poleOut);
    source->flag()->cloth()->saveUnderWay(clothOut);
    const std::string flagRecord = flagOut.str();
    // No flag raised, nothing kept, turned or queued; then the names waited on, loose and playing.
    const auto named = [&](int waited, int played, const std::string& record) {
        const std::string head = bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        const std::string waiting = waited < 0 ? bytes({0, 0}) : bytes({1, 0, waited, 0});
        const std::string playing = played < 0 ? bytes({0, 0}) : bytes({1, 0, played, 0}) + record;
        return head + waiting + bytes({0, 0}) + playing;
    };
    auto* made = unit(4, 1, 907);
    ASSERT_EQ(made->flag(), nullptr);
    const int place = made->spriteCount();
    const std::string none = "it names sprite " + std::to_string(place);
    for (const auto& [name, waited, played, problem] :
         {std::tuple{"his figure waited on", 0, -1, std::string()},
          std::tuple{"his flag's place waited on", place, -1, none + " under way, which it does not have"},
          std::tuple{"his flag's place playing", -1, place, none + " playing, which it does not have"}}) {
        SCOPED_TRACE(name);
        auto* u = unit(4, 1, 907);
        std::istringstream in(named(waited, played, flagRecord));
        EXPECT_EQ(u->loadUnderWay(in), problem.empty());
        EXPECT_EQ(u->loadProblem(), problem);
    }

    // The mark of being hidden is the word at byte 28 of a sprite's record.
    const std::size_t pole = 28, cloth = poleOut.str().size() + 28,
                      shadow = poleOut.str().size() + clothOut.str().size() + 28;
    for (std::size_t at : {pole, cloth, shadow})
        ASSERT_EQ(flagRecord.substr(at, 2), bytes({0, 0}));
    const char* why = "its flag's mark of being hidden is neither set nor clear";
    const int flag = source->spriteCount();
    struct Row {
        const char* name;
        std::size_t at;
        int value;
        const char* reason; // null: taken
    };
    for (const Row& row : {Row{"pole hidden", pole, 1, nullptr}, Row{"pole hidden 2", pole, 2, why},
                           Row{"cloth hidden", cloth, 1, nullptr}, Row{"cloth hidden 2", cloth, 2, why},
                           Row{"shadow hidden", shadow, 1, nullptr}, Row{"shadow hidden 2", shadow, 2, why}}) {
        SCOPED_TRACE(row.name);
        std::string record = flagRecord;
        record[row.at] = static_cast<char>(row.value);
        auto* u = unit(0, 6);
        std::istringstream in(named(-1, flag, record));
        EXPECT_EQ(u->loadUnderWay(in), row.reason == nullptr);
        EXPECT_EQ(u->loadProblem(), row.reason ? row.reason : "");
    }
}

} // namespace
} // namespace vael::test
