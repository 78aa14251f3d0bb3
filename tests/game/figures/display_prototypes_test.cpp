// The display prototypes the game registers: each catalogue class made as its own display class with the
// catalogue's kind, missiles and artwork names, and a prototype for every type id of the catalogue the
// data set carries.
#include <gtest/gtest.h>

#include <typeinfo>

#include "framework/display/physical_layer.h"
#include "game/figures/display_prototypes.h"
#include "game/figures/p_archer.h"
#include "game/figures/p_cardaces.h"
#include "game/figures/p_elephant.h"
#include "game/figures/p_javelinist.h"
#include "game/figures/p_lancer.h"
#include "game/figures/p_leader.h"
#include "game/figures/p_mounted_archer.h"
#include "game/figures/p_mounted_javelinist.h"
#include "game/figures/p_oxybeles.h"
#include "game/figures/p_phalanx.h"
#include "game/figures/p_slinger.h"

namespace vael::test {
namespace {

TEST(DisplayPrototypes, EachClassIsMadeAsItselfWithItsKind) {
    using C = DisplayClass;
    struct Row {
        C displayClass;
        std::int32_t catalogueKind;
        const char* archive;
        const std::type_info& made;
        std::int32_t unitKind; // as the class sets it
    } rows[] = {
        {C::PLeader, 5, "A", typeid(PLeader), 5},
        {C::PLeader, 4, "A", typeid(PLeader), 4},
        {C::PTezhar, 6, "A", typeid(PTezhar), 6},
        {C::PHeavyInfantry, 2, "A", typeid(PHeavyInfantry), 2},
        {C::PLancer, 9, "A", typeid(PLancer), 9},
        {C::PLancer, 10, "A", typeid(PLancer), 10},
        {C::PPhalanx, 3, "A", typeid(PPhalanx), 3},
        {C::PArcher, 0, "A", typeid(PArcher), 0},
        {C::PMountedArcher, 8, "A", typeid(PMountedArcher), 8},
        {C::PChariotArcher, 7, "A", typeid(PChariotArcher), 7},
        {C::PShockingArcher, 1, "A", typeid(PShockingArcher), 1},
        {C::PJavelinist, 0, "A", typeid(PJavelinist), 0},
        {C::PShockingJavelinist, 1, "Persian Medium Infantry", typeid(PShockingJavelinist), 1},
        {C::PShockingJavelinist, 0, "Persian Light Infantry", typeid(PShockingJavelinist), 0},
        {C::PMountedJavelinist, 8, "A", typeid(PMountedJavelinist), 8},
        {C::PChariotJavelinist, 7, "A", typeid(PChariotJavelinist), 7},
        {C::PCardaces, 15, "A", typeid(PCardaces), 15},
        {C::PElephant, 13, "A", typeid(PElephant), 13},
        {C::PSlinger, 0, "A", typeid(PSlinger), 0},
        {C::POxybeles, 14, "A", typeid(POxybeles), 14},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(displayClassName(r.displayClass)) + " kind " +
                     std::to_string(r.catalogueKind));
        DisplayCatalogueEntry entry{3, r.displayClass, r.catalogueKind, 2, 1, r.archive};
        const auto prototype = makeDisplayPrototype(entry);
        ASSERT_NE(prototype, nullptr);
        EXPECT_EQ(typeid(*prototype), r.made);
        EXPECT_EQ(prototype->unitKind(), r.unitKind);
        EXPECT_EQ(prototype->facing(), 1);
        EXPECT_EQ(prototype->region(), -1);
    }
}

TEST(DisplayPrototypes, TheJavelinsThrownAreTheCataloguesMissileKind) {
    for (std::int16_t missile : {2, 3}) {
        SCOPED_TRACE(missile);
        const auto thrower = makeDisplayPrototype(
            {39, DisplayClass::PMountedJavelinist, 8, missile, 3, "Indian Light Cavalry"});
        auto* javelinist = dynamic_cast<PJavelinist*>(thrower.get());
        ASSERT_NE(javelinist, nullptr);
        EXPECT_EQ(javelinist->missileKind, missile);
    }
}

TEST(DisplayPrototypes, TheArtworkIsTheCataloguesArchiveAtItsThreeSizesOrNoneAtAll) {
    const auto named = makeDisplayPrototype({8, DisplayClass::PLancer, 11, -1, 1, "Macedonian Companions"});
    EXPECT_EQ(named->normalSizeArtwork()->name(), "Macedonian Companions");
    EXPECT_EQ(named->halfSizeArtwork()->name(), "Macedonian Companions (Half size)");
    EXPECT_EQ(named->quarterSizeArtwork()->name(), "Macedonian Companions (Quarter size)");
    // No archive: no sized names either, which would be looked up and not found.
    const auto bare = makeDisplayPrototype({8, DisplayClass::PLancer, 11, -1, 1, ""});
    EXPECT_EQ(bare->normalSizeArtwork()->name(), "");
    EXPECT_EQ(bare->halfSizeArtwork()->name(), "");
    EXPECT_EQ(bare->quarterSizeArtwork()->name(), "");
}

// A layer lives for the test: the last layer to go deletes the registered prototypes.
class RegisteredPrototypes : public ::testing::Test {
protected:
    PhysicalLayer keeper_;
};

TEST_F(RegisteredPrototypes, TheDataSetsCatalogueGivesEveryTypeIdItsClass) {
    DisplayCatalogue catalogue;
    ASSERT_TRUE(catalogue.load(std::string(VAEL_BUILD_DATA_DIR) + "/" + DisplayCatalogue::FileName))
        << catalogue.error();
    registerDisplayPrototypes(catalogue, false);
    const struct {
        std::uint16_t id;
        const std::type_info& made;
    } rows[] = {{0, typeid(PLeader)},
                {4, typeid(PLeader)},
                {35, typeid(PLeader)},
                {7, typeid(PTezhar)},
                {8, typeid(PLancer)},
                {10, typeid(PArcher)},
                {36, typeid(PArcher)},
                {17, typeid(PPhalanx)},
                {39, typeid(PMountedJavelinist)},
                {1, typeid(PHeavyInfantry)},
                {22, typeid(PChariotJavelinist)},
                {44, typeid(PLancer)},
                {40, typeid(PElephant)}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.id);
        PhysicalObject* prototype = PhysicalLayer::prototype(r.id);
        ASSERT_NE(prototype, nullptr);
        EXPECT_EQ(typeid(*prototype), r.made);
    }
    for (std::uint16_t id = 0; id < DisplayCatalogue::TypeIdCount; ++id) {
        SCOPED_TRACE(id);
        auto* prototype = dynamic_cast<VaelPhysicalObject*>(PhysicalLayer::prototype(id));
        ASSERT_NE(prototype, nullptr);
        // Without artwork (no image index) nothing is named, so nothing is looked up.
        EXPECT_EQ(prototype->normalSizeArtwork()->name(), "");
    }
    EXPECT_EQ(PhysicalLayer::prototype(DisplayCatalogue::TypeIdCount), nullptr);
}

TEST_F(RegisteredPrototypes, ATypeIdTheCatalogueLacksGetsThePlainObjectAndTheOthersTheirArtwork) {
    DisplayCatalogue catalogue;
    ASSERT_TRUE(catalogue.parse("17 PPhalanx 3 - 1 Macedonian Phalanx\n")) << catalogue.error();
    registerDisplayPrototypes(catalogue, true);
    auto* phalanx = dynamic_cast<PPhalanx*>(PhysicalLayer::prototype(17));
    ASSERT_NE(phalanx, nullptr);
    EXPECT_EQ(phalanx->halfSizeArtwork()->name(), "Macedonian Phalanx (Half size)");
    for (std::uint16_t id : {0, 16, 18, 44}) {
        SCOPED_TRACE(id);
        PhysicalObject* plain = PhysicalLayer::prototype(id);
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(typeid(*plain), typeid(VaelPhysicalObject));
        EXPECT_EQ(static_cast<VaelPhysicalObject*>(plain)->normalSizeArtwork()->name(), "");
    }
}

} // namespace
} // namespace vael::test
