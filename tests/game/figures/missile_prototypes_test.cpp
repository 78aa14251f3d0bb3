// The slingers, the bolt-thrower and the cardaces as the application keeps them: a prototype with no
// artwork at hex -1 facing 1 whose clone is the unit's object, with its figures and missiles, and plays a
// volley through to its report without pictures to show.
#include "game/figures/missile_fixture.h"
#include "game/figures/p_cardaces.h"
#include "game/figures/p_oxybeles.h"
#include "game/figures/p_slinger.h"

namespace vael::test {
namespace {

class MissilePrototypeTest : public MissileScene {};

TEST_F(MissilePrototypeTest, APrototypeWithoutArtworkClonesTheUnitsObjectWhichPlaysAVolley) {
    struct Row {
        const char* what;
        std::function<VaelPhysicalObject*()> make;
        std::int16_t figures, missiles;
        std::int32_t kind;
    };
    const std::vector<Row> rows = {
        {"slingers", [] { return new PSlinger("", "", "", 4, -1, 1); }, 8, 8, 0},
        {"bolt-thrower", [] { return new POxybeles("", "", "", 1, -1, 1); }, 1, 1, 14},
        {"cardaces", [] { return new PCardaces("", "", "", 2, -1, 1); }, 20, 20, 15},
    };
    layer.listenFor("UnitFired");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::unique_ptr<VaelPhysicalObject> proto(r.make());
        EXPECT_EQ(proto->spriteCount(), 0);
        EXPECT_EQ(proto->region(), -1);
        auto* unit = attach(proto->clone(1005, 2));
        EXPECT_EQ(std::string(typeid(*unit).name()), std::string(typeid(*proto).name()));
        EXPECT_EQ(unit->region(), 1005);
        EXPECT_EQ(unit->facing(), 2);
        EXPECT_EQ(unit->unitKind(), r.kind);
        EXPECT_EQ(unit->spriteCount(), r.figures);
        const std::int16_t missiles = dynamic_cast<PMissileUnit*>(unit)
                                          ? static_cast<PMissileUnit*>(unit)->projectileCount
                                          : static_cast<PCardaces*>(unit)->projectileCount;
        EXPECT_EQ(missiles, r.missiles);

        layer.log.clear();
        LogicalCommandInfo c(1, new Container<DIRECTION>(NorthEast), 1303,
                             BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("MissileFire"))),
                             BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("UnitFired"))),
                             new Container<short>(7));
        Container<LogicalCommandInfo> box(c);
        unit->sendTo(static_cast<std::uint16_t>(unit->getId()), LOGICAL_COMMAND, &box);
        bool reported = false;
        for (int tick = 0; tick < 80 && !reported; ++tick) {
            std::unique_ptr<ZoomBoxes>(unit->updateLevels(1000 + 100 * tick));
            reported = std::find(layer.log.begin(), layer.log.end(), "UnitFired 7") != layer.log.end();
        }
        EXPECT_TRUE(reported);
        EXPECT_EQ(unit->commands().count(), 0);
    }
}

} // namespace
} // namespace vael::test
