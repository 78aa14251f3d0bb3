// The battle landscape on the bus: the marker of the hex to move to, a payload of the wrong type, the
// full-size messages only on the full-size landscapes, the fixed id of removing dead sprites, and higher
// hexes in front drawn again over a sprite.
#include <gtest/gtest.h>

#include "forged_map_scene.h"
#include "support/failed_checks.h"

namespace vael::test {
namespace {

class LandscapeMessagesTest : public ForgedMapScene {
protected:
    void SetUp() override {
        make(4, 4, [](int hex) { return hex == 201 ? 3 : 1; });
    }
};

TEST_F(LandscapeMessagesTest, TheMarkerOfTheHexToMoveToShowsAndHides) {
    Container<short> hex(202);
    app.sendNamed("ShowHexToMoveTo", &hex);
    for (auto& view : levels)
        for (auto& l : view)
            EXPECT_EQ(l->block(l->hexToBlock(202))->isOverlayVisible(2, 1), 1);
    EXPECT_EQ(normal().block(normal().hexToBlock(203))->isOverlayVisible(2, 1), 0);
    EXPECT_EQ(rec().labels(), Labels(6, "Listener.h3")); // each landscape asks its views to redraw
    app.sendNamed("HideHexToMoveTo", &hex);
    EXPECT_EQ(normal().block(normal().hexToBlock(202))->isOverlayVisible(2, 1), 0);
}

TEST_F(LandscapeMessagesTest, AWrongPayloadIsReportedAndChangesNothing) {
    FailedChecks checks;
    Container<short> wrong(202);
    app.sendNamed("AddBattleArrow", &wrong);
    ASSERT_EQ(checks.count(), 2u); // the full-size landscape of each view
    EXPECT_NE(checks.texts[0].find("Bad data passed in bus message to function"), std::string::npos);
    EXPECT_EQ(checks.captions[0].rfind("Failure in VAELPLND at line ", 0), 0u) << checks.captions[0];
    EXPECT_TRUE(normal().arrows().empty());
}

TEST_F(LandscapeMessagesTest, ArrowsAndPathsOnlyOnTheFullSizeLandscapes) {
    Container<BattleArrowStruct> arrow(BattleArrowStruct{202, 203, 3, 0});
    app.sendNamed("AddBattleArrow", &arrow);
    EXPECT_EQ((std::tuple{normal().arrows().size(), turned().arrows().size(), levels[0][1]->arrows().size(),
                          levels[1][2]->arrows().size()}),
              std::tuple(1u, 1u, 0u, 0u));
    RegionPathInfo info;
    info.hexes.append(202);
    info.hexes.append(201);
    Container<RegionPathInfo> query(info);
    std::unique_ptr<ContainerBase> answer(normal().queryNamed("GetPixelPath", &query));
    auto* path = dynamic_cast<Container<List<SpritePathEntry>>*>(answer.get());
    ASSERT_NE(path, nullptr);
    EXPECT_GT(path->valuePtr()->count(), 0);
}

// Sent by its fixed id rather than by name, the message still reaches the two full-size landscapes, each of
// which asks its views to redraw what it hid.
TEST_F(LandscapeMessagesTest, RemovingTheDeadSpritesIsKnownByItsFixedId) {
    EXPECT_EQ(RegisteredMessage::getId("RemoveDeadSprites"), 253);
    EXPECT_EQ(RegisteredMessage::nameOf(253), "RemoveDeadSprites");
    app.sendEmpty(BusMessage(253));
    EXPECT_EQ(rec().labels(), Labels(2, "Listener.h3"));
}

TEST_F(LandscapeMessagesTest, HigherHexesInFrontAreDrawnAgainOverASprite) {
    PointedVaelLandscape& l = normal();
    const std::int32_t high = l.hexToBlock(201);
    ASSERT_EQ(high, 10);
    // Block 6 (hex 101, row 1, position 2) has blocks 9 (SW, hex 202) and 10 (SE, hex 201, level 3) in
    // front of it; only the higher one is drawn again.
    const std::int16_t hex = l.blockToHex(6);
    Bitmap target(Dim(700, 400), PixelOpaque);
    target.fill(1);
    const Box box(0, -100, 700, 400);
    l.redrawRaisedNeighbours(target, hex, box);
    const Point3D at = l.block(high)->location();
    const int x = at.x + 65, y = at.y + 32 + 100;
    EXPECT_EQ(target.bits()[y * target.stride() + x],
              l.block(high)->bitmap()->bits()[32 * l.block(high)->bitmap()->stride() + 65]);
    // Block 9, at the level of the hex, is not drawn.
    const Point3D low = l.block(9)->location();
    EXPECT_EQ(target.bits()[(low.y + 32 + 100) * target.stride() + low.x + 40], 1);
}

} // namespace
} // namespace vael::test
