#include <gtest/gtest.h>

#include "support/failed_checks.h"
#include "support/rules/test_logical_layer.h"
#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"
#include "support/test_application.h"

namespace vael {
namespace {

// A unit that counts the live instances, so that a test can see the layer delete its prototypes.
class CountedUnit : public test::TestCombat {
public:
    explicit CountedUnit(std::uint16_t number) : TestCombat(setup(number)) { ++live; }
    ~CountedUnit() override { --live; }
    static test::UnitSetup setup(std::uint16_t number) {
        test::UnitSetup s;
        s.number = number;
        return s;
    }
    static int live;
};
int CountedUnit::live = 0;

class Sender : public Component {
public:
    Sender() : Component("Sender") {}
    void connectHandlers() override {}
};

TEST(LogicalLayer, ANewLayerHasNoMapAndFiftyEmptyPrototypeSlots) {
    test::TestApplication app;
    test::TestLogicalLayer layer;
    EXPECT_EQ(layer.getLandscape(), nullptr);
    EXPECT_EQ(layer.getPrototypeCount(), 0);
    for (std::int16_t code = 0; code < 50; ++code)
        EXPECT_EQ(layer.prototype(code), nullptr);
    struct Plain : LogicalLayer {
        void loadScenario(const std::string&) override {}
        void regionSelected(std::int16_t) override {}
        void regionFlyby(std::int16_t) override {}
    } plain;
    EXPECT_EQ(plain.getName(), "Unnamed Logical Layer Component");
}

TEST(LogicalLayer, APrototypeRaisesTheCountPastItsTypeCode) {
    test::TestApplication app;
    {
        test::TestLogicalLayer layer;
        auto* thirteen = new CountedUnit(13);
        layer.addPrototype(13, thirteen);
        EXPECT_EQ(layer.getPrototypeCount(), 14);
        for (std::int16_t code = 0; code < 13; ++code)
            EXPECT_EQ(layer.prototype(code), nullptr);
        EXPECT_EQ(layer.prototype(13), thirteen);
        layer.addPrototype(2, new CountedUnit(2));
        EXPECT_EQ(layer.getPrototypeCount(), 14);
        layer.addPrototype(60, new CountedUnit(60)); // past the first fifty: the table grows
        EXPECT_EQ(layer.getPrototypeCount(), 61);
        // A prototype replaced under the same code is deleted, not lost.
        layer.addPrototype(2, new CountedUnit(3));
        EXPECT_EQ(CountedUnit::live, 3);
        layer.setLandscape(test::makeLandscape(3, 3).release());
        layer.setLandscape(test::makeLandscape(4, 4).release());
        EXPECT_EQ(layer.getLandscape()->regionCount(), 16);
    }
    // The layer deletes its prototypes and its map (the sanitizer sees any leak).
    EXPECT_EQ(CountedUnit::live, 0);
}

TEST(LogicalLayer, ANegativeTypeCodeIsRefused) {
    test::TestApplication app;
    test::TestLogicalLayer layer;
    test::FailedChecks checks;
    layer.addPrototype(-1, new CountedUnit(1));
    EXPECT_EQ(checks.count(), 1u);
    EXPECT_EQ(layer.getPrototypeCount(), 0);
    EXPECT_EQ(CountedUnit::live, 0);
}

TEST(LogicalLayer, ScenarioLoadsClicksAndMouseOversReachTheGamesLayer) {
    test::TestApplication app;
    test::TestLogicalLayer layer;
    layer.attach(app);
    Sender sender;
    sender.attach(layer);
    Container<std::string> name("Tiren.scn");
    sender.send(LOAD_SCENARIO, &name);
    sender.sendEmpty(LOAD_SCENARIO); // no string: an empty name
    Container<short> hex(305);
    sender.send(REGION_SELECTED, &hex);
    sender.send(REGION_FLYBY, &hex);
    test::FailedChecks checks;
    Container<long> wrong(305);
    sender.send(REGION_SELECTED, &wrong); // ignored without a report
    sender.send(REGION_FLYBY, &wrong);
    EXPECT_EQ(checks.count(), 0u);
    EXPECT_EQ(layer.scenarios, (std::vector<std::string>{"Tiren.scn", ""}));
    EXPECT_EQ(layer.selected, std::vector<short>{305});
    EXPECT_EQ(layer.flybys, std::vector<short>{305});
    // The layer hangs below the application and sees what is sent there.
    Sender top;
    top.attach(app);
    top.send(REGION_SELECTED, &hex);
    EXPECT_EQ(layer.selected, (std::vector<short>{305, 305}));
    // Attached again, it still hears each event once.
    layer.detach();
    layer.attach(app);
    sender.send(REGION_FLYBY, &hex);
    EXPECT_EQ(layer.flybys, (std::vector<short>{305, 305}));
}

TEST(LogicalLayer, ALayerNotYetBelowTheApplicationTakesNoEvents) {
    test::TestApplication app;
    test::TestLogicalLayer layer;
    EXPECT_EQ(layer.isConnected(LOAD_SCENARIO, nullptr), 0);
    Sender sender;
    sender.attach(layer);
    Container<short> hex(305);
    sender.send(REGION_SELECTED, &hex);
    EXPECT_TRUE(layer.selected.empty());
}

} // namespace
} // namespace vael
