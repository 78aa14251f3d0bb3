// The phalanx block: its two hexes in every direction and through the reversed view, the twenty soldiers'
// places, depths and hexes, the wheel's choice of pivot and the events it queues, and its saved record.
#include <sstream>

#include "game/figures/figure_fixture.h"
#include "game/figures/p_phalanx.h"
#include "game/figures/sprite_calls.h"

namespace vael::test {
namespace {

class PhalanxTest : public FigureScene {
protected:
    PPhalanx* block(std::int16_t hex, std::int32_t facing, std::int16_t reversed = 0) {
        PPhalanx proto("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1);
        auto* p = attach<PPhalanx>(std::unique_ptr<VaelPhysicalObject>(proto.clone(hex, facing)));
        if (reversed) p->setReversedView(1);
        return p;
    }
    void wheel(PPhalanx& p, std::int32_t to, std::int16_t animate) {
        LogicalCommandInfo c(1, new Container<DIRECTION>(static_cast<DIRECTION>(to)));
        p.changeFacing(c, animate);
    }
};

TEST_F(PhalanxTest, TheSecondHexLiesAheadByColumnAndBehindThroughTheReversedView) {
    struct Row {
        std::int16_t hex;
        std::int32_t facing;
        std::int16_t reversed;
        std::int16_t front;
    };
    for (const Row& r :
         {Row{1005, 1, 0, 1004}, Row{1105, 2, 0, 1205}, Row{1205, 2, 0, 1304}, Row{1105, 4, 0, 1206},
          Row{1205, 4, 0, 1305}, Row{1005, 5, 0, 1006}, Row{1105, 6, 0, 1006}, Row{1205, 6, 0, 1105},
          Row{1105, 8, 0, 1005}, Row{1205, 8, 0, 1104}, Row{1005, 1, 1, 1006}, Row{1105, 2, 1, 1006},
          Row{1205, 5, 1, 1204}}) {
        SCOPED_TRACE(::testing::Message() << r.hex << " facing " << r.facing << " reversed " << r.reversed);
        PPhalanx* p = block(r.hex, r.facing, r.reversed);
        EXPECT_EQ(p->primaryHex(), r.hex);
        EXPECT_EQ(p->frontHex(), r.front);
        EXPECT_EQ(p->region(), r.hex);
    }
}

TEST_F(PhalanxTest, HexBehindIsTheOppositeSideAndTheRegionsAreBothHexesFirstHexFirst) {
    PPhalanx* p = block(1105, 1);
    EXPECT_EQ(p->hexBehind(1105, 1), 1106);
    EXPECT_EQ(p->hexBehind(1105, 2), 1006);
    EXPECT_EQ(p->hexBehind(1204, 4), 1103);
    List<short> path;
    path.append(1105), path.append(1104);
    const List<short> ahead = p->hexesAhead(path);
    ASSERT_EQ(ahead.count(), 2);
    Item<short>* a = nullptr;
    ahead.firstItem(a);
    EXPECT_EQ(a->value, 1104);
    EXPECT_EQ(a->next->value, 1103);
    std::unique_ptr<ContainerBase> regions(p->getRegions());
    List<short> hexes;
    ASSERT_TRUE(Container<List<short>>::fromMessage(regions.get(), hexes));
    ASSERT_EQ(hexes.count(), 2);
    Item<short>* it = nullptr;
    hexes.firstItem(it);
    EXPECT_EQ(it->value, 1105);
    EXPECT_EQ(it->next->value, 1104);
}

TEST_F(PhalanxTest, TwentySoldiersStandInTheirFilesAndHexes) {
    PPhalanx* p = block(1005, 1);
    ASSERT_EQ(p->spriteCount(), 20);
    EXPECT_EQ(p->unitKind(), 3);
    EXPECT_EQ(p->survivors(), 10);
    const int frontX[5] = {-43, -20, 3, 26, 49}, secondX[5] = {-58, -35, -12, 11, 34};
    for (std::int16_t i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const VaelSprite* s = p->figure(i);
        const int g = i / 5, k = i % 5;
        EXPECT_EQ(static_cast<short>(s->region()), g % 2 ? 1004 : 1005);
        const Point3D at = p->slotOffsets(i)[1];
        EXPECT_EQ(at.x, (g % 2 ? secondX[k] : frontX[k]) + (g >= 2 ? 5 : 0));
        EXPECT_EQ(at.y, g < 2 ? -2 : 19);
        EXPECT_EQ(s->layer(), g == 0 ? 10 - k : g == 1 ? 5 - k : g == 2 ? 20 - k : 15 - k);
        EXPECT_EQ(p->rearFigure(i), i < 10 ? 10 + i : -1);
        EXPECT_EQ(sprite_calls::isSoundLead(*s), i == 19);
        EXPECT_EQ(p->figureSlot(i), i);
    }
}

TEST_F(PhalanxTest, TheExceptionsToTheFilesAndTheDepthsInRange) {
    struct Row {
        std::int16_t soldier;
        std::int32_t facing;
        Point3D at;
        std::int16_t depth;
    };
    for (const Row& r :
         {Row{15, 5, {49, -4, 0}, 6}, Row{16, 5, {27, -4, 0}, 7}, Row{0, 3, {10, -11, 0}, 2},
          Row{1, 3, {10, -11, 0}, 2}, Row{10, 3, {-10, -15, 0}, 1}, Row{0, 7, {-10, 11, 0}, 18},
          Row{10, 7, {10, 8, 0}, 17}, Row{11, 7, {10, 8, 0}, 17}, Row{19, 8, {52, 3, 0}, 2}}) {
        SCOPED_TRACE(::testing::Message() << "soldier " << r.soldier << " facing " << r.facing);
        const Point3D at = PPhalanx::layoutPoint(r.soldier, r.facing);
        EXPECT_EQ(at.x, r.at.x);
        EXPECT_EQ(at.y, r.at.y);
        EXPECT_EQ(PPhalanx::layoutDepth(r.soldier, r.facing), r.depth);
    }
    for (std::int32_t f = 1; f <= 8; ++f)
        for (std::int16_t i = 0; i < 20; ++i) {
            SCOPED_TRACE(::testing::Message() << "soldier " << i << " facing " << f);
            EXPECT_GE(PPhalanx::layoutDepth(i, f), 1);
            EXPECT_LE(PPhalanx::layoutDepth(i, f), 20);
        }
}

// Facings 6 and 8 are 2 and 4 turned half round about (-12.5, 10) and (12.5, 10); facing 5 is facing 1 turned
// about (-2, 7.5), the last four of the rear file one pixel further right.
TEST_F(PhalanxTest, TheDownScreenFacingsAreTheUpScreenOnesTurnedHalfRound) {
    for (std::int16_t i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const Point3D f1 = PPhalanx::layoutPoint(i, 1), f2 = PPhalanx::layoutPoint(i, 2),
                      f4 = PPhalanx::layoutPoint(i, 4), f5 = PPhalanx::layoutPoint(i, 5),
                      f6 = PPhalanx::layoutPoint(i, 6), f8 = PPhalanx::layoutPoint(i, 8);
        EXPECT_EQ(f6.x, -25 - f2.x);
        EXPECT_EQ(f6.y, 20 - f2.y);
        EXPECT_EQ(f8.x, 25 - f4.x);
        EXPECT_EQ(f8.y, 20 - f4.y);
        EXPECT_EQ(f5.x, -4 - f1.x + (i >= 16 ? 1 : 0));
        EXPECT_EQ(f5.y, 15 - f1.y);
    }
}

TEST_F(PhalanxTest, TheWheelPivotsOnTheHexOnTheSideItTurnsTo) {
    struct Row {
        std::int32_t to;
        std::int16_t first, second;
    };
    // A block facing 1 at 1005 (even column) holds 1005 and 1004.
    for (const Row& r : {Row{8, 1005, 904}, Row{6, 1005, 1004}, Row{5, 1005, 1004}, Row{4, 1005, 1004},
                         Row{2, 904, 1004}, Row{1, 1005, 1004}}) {
        SCOPED_TRACE(::testing::Message() << "to " << r.to);
        PPhalanx* p = block(1005, 1);
        wheel(*p, r.to, 1);
        EXPECT_EQ(p->facing(), r.to);
        EXPECT_EQ(p->primaryHex(), r.first);
        EXPECT_EQ(p->frontHex(), r.second);
        EXPECT_EQ(p->region(), r.first);
        // Three to five steps round is no wheel: not a soldier moves.
        const bool still = r.to >= 4 && r.to <= 6;
        EXPECT_EQ(eventsOf(*p->figure(0)).empty(), still);
    }
}

TEST_F(PhalanxTest, PivotSoldiersTurnInPlaceAndTheOthersStandInTheirNewHex) {
    PPhalanx* p = block(1005, 1);
    wheel(*p, 8, 1);
    EXPECT_EQ(eventsOf(*p->figure(0)),
              (Lines{"plain 5", "plain 5", "sound 10 3", "move 1005 (-27,17) 2000 d19 NW0 NW1", "sound 11 3",
                     "once 1005 d-1 Standing7"}));
    EXPECT_EQ(eventsOf(*p->figure(5)),
              (Lines{"plain 5", "plain 5", "sound 10 3", "sound 11 3", "once 904 d-1 Standing7"}));

    PPhalanx* q = block(1005, 1);
    wheel(*q, 2, 0);
    // Soldier 5 stands in the front hex, the pivot: NE is the group turned through from 1 to 2.
    EXPECT_EQ(eventsOf(*q->figure(5)),
              (Lines{"plain 5", "plain 5", "sound 10 3", "move 1004 (-33,-15) 0 d11 NE0 NE1", "sound 11 3",
                     "once 1004 d-1 Standing1"}));
    EXPECT_EQ(eventsOf(*q->figure(0)).back(), "once 904 d-1 Standing1");
}

TEST_F(PhalanxTest, TheTurnPicturesByOldAndNewFacing) {
    const int rows[][3] = {{1, 2, 2}, {1, 8, 8}, {2, 4, 3}, {2, 1, 2}, {4, 2, 3}, {4, 5, 4},
                           {5, 6, 6}, {5, 4, 4}, {6, 8, 7}, {6, 5, 6}, {8, 6, 7}, {8, 1, 8}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r[0] << " to " << r[1]);
        EXPECT_EQ(PPhalanx::pivotTurn(r[0], r[1]), r[2]);
    }
}

TEST_F(PhalanxTest, AWheelWhileARampageIsKeptOnlyKeepsTheFacing) {
    PPhalanx* p = block(1005, 1);
    p->saveAPath();
    wheel(*p, 2, 1);
    EXPECT_EQ(p->facing(), 1);
    EXPECT_EQ(p->primaryHex(), 1005);
    EXPECT_EQ(p->frontHex(), 1004);
    EXPECT_EQ(p->savedFacings().count(), 1);
    EXPECT_TRUE(eventsOf(*p->figure(0)).empty());
}

TEST_F(PhalanxTest, TheSavedRecordBeginsWithBothHexesAndLoadsBackByteForByte) {
    PPhalanx* p = block(1005, 1);
    std::ostringstream out;
    p->save(out);
    const std::string bytes = out.str();
    ASSERT_GE(bytes.size(), 6u);
    // 1005 = 0x03ED, 1004 = 0x03EC, low byte first, then the plain record's region.
    EXPECT_EQ(bytes.substr(0, 6), std::string("\xED\x03\xEC\x03\xED\x03", 6));

    PPhalanx* q = block(1205, 2);
    std::istringstream in(bytes);
    q->load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(q->primaryHex(), 1005);
    EXPECT_EQ(q->frontHex(), 1004);
    std::ostringstream again;
    q->save(again);
    EXPECT_EQ(again.str(), bytes);
}

TEST_F(PhalanxTest, ATruncatedRecordIsRefusedAndTheHexesStay) {
    PPhalanx* p = block(1205, 2);
    for (std::size_t n : {0u, 3u, 4u, 6u}) {
        SCOPED_TRACE(n);
        std::istringstream in(std::string("\xED\x03\xEC\x03\xED\x03", n));
        p->load(in);
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(p->primaryHex(), 1205);
        EXPECT_EQ(p->frontHex(), 1304);
    }
}

// A record's two hexes are where the block's figures are placed and turned from: each must be a hex of the
// map (or one the block already stands on). A record naming a hex off the map, first or second, is refused
// whole and the block stays where it stood; on the map, the block takes both.
TEST_F(PhalanxTest, ARecordWithAHexOffTheMapIsRefusedAndTheHexesStay) {
    layer.land.offMap = {1500, 1400};
    std::ostringstream out;
    block(1005, 1)->save(out);
    const std::string rest = out.str().substr(4); // the plain record after the two hexes
    const struct Row {
        const char* what;
        std::int16_t first, second;
        bool refused;
    } rows[] = {
        {"both on the map", 1005, 1004, false},
        {"the first off it", 1500, 1004, true},
        {"the second off it", 1005, 1400, true},
        {"both off it", 1500, 1400, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PPhalanx* p = block(1205, 2);
        std::string bytes;
        for (const std::int16_t hex : {row.first, row.second})
            bytes += {static_cast<char>(hex & 0xFF), static_cast<char>(hex >> 8 & 0xFF)};
        std::istringstream in(bytes + rest);
        p->load(in);
        EXPECT_EQ(in.fail(), row.refused);
        EXPECT_EQ(p->primaryHex(), row.refused ? 1205 : row.first);
        EXPECT_EQ(p->frontHex(), row.refused ? 1304 : row.second);
    }
}

// Each of the block's two hexes off the map is refused with a reason of its own, and a refusal never
// carries the reason of the block's earlier refused load: the figure's picture past its group first, then
// each hex.
TEST_F(PhalanxTest, EachHexOffTheMapIsRefusedWithItsOwnReasonAndNoneLeftFromAnEarlierLoad) {
    PPhalanx* p = block(1005, 1);
    std::ostringstream out;
    p->save(out);
    const std::string good = out.str();
    ASSERT_EQ(good.substr(0, 4), std::string("\xED\x03\xEC\x03", 4));
    layer.land.offMap.insert(99);
    // The first soldier's picture index: after the hexes (4), the region, facing and count (8), its mark (2)
    // and the 56 bytes of its record before its name "Standing".
    ASSERT_EQ(good.substr(4 + 8 + 2 + 54, 10), std::string("\x08\0Standing", 10));
    std::string picture = good, first = good, front = good;
    picture[4 + 8 + 2 + 64] = '\x7F', picture[4 + 8 + 2 + 65] = '\x7F';
    first[0] = 0x63, first[1] = 0;
    front[2] = 0x63, front[3] = 0;
    PPhalanx* q = block(1205, 2);
    const struct {
        const char* what;
        std::string bytes;
        const char* reason;
    } rows[] = {
        {"a soldier's picture past its group", picture,
         "a figure's picture is past the pictures of its group"},
        {"the first hex off the map", first, "its block's first hex is not on the map"},
        {"the front hex off the map", front, "its block's front hex is not on the map"},
        {"cut in the hexes", good.substr(0, 3), "the record runs short"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::istringstream in(r.bytes);
        q->load(in);
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(q->loadProblem(), r.reason);
        EXPECT_EQ(q->primaryHex(), 1205);
    }
    std::istringstream whole(good);
    q->load(whole);
    EXPECT_FALSE(whole.fail());
    EXPECT_EQ(q->loadProblem(), "");
}

} // namespace
} // namespace vael::test
