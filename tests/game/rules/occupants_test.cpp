#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"

namespace vael {
namespace {

using test::TestCombat;
using test::TestLeader;
using test::UnitSetup;

constexpr std::uint32_t home = 1;
constexpr std::uint32_t visitor = 2;

class Occupants : public ::testing::Test {
protected:
    Occupants() : map(test::makeLandscape(10, 10)) { map->attach(bus); }

    UnitSetup setup(std::uint16_t number, std::int16_t hex, std::uint32_t nation,
                    DIRECTION facing = NorthEast) {
        UnitSetup s;
        s.name = "Unit " + std::to_string(number);
        s.number = number;
        s.hex = static_cast<std::uint16_t>(hex);
        s.nation = nation;
        s.facing = facing;
        s.landscape = map.get();
        return s;
    }
    // Puts a unit on its hex (and its second hex) and on the bus.
    template <class U> U& place(std::unique_ptr<U> unit) {
        map->addToRegion(unit.get(), static_cast<std::int16_t>(unit->getHex()));
        if (unit->isDoubleSized()) map->addToRegion(unit.get(), unit->getSecondHex());
        unit->attach(bus);
        U& ref = *unit;
        owned.push_back(std::move(unit));
        return ref;
    }
    TestCombat& combat(std::uint16_t number, std::int16_t hex, std::uint32_t nation, std::uint32_t type = 2) {
        return place(std::make_unique<TestCombat>(setup(number, hex, nation), type));
    }
    TestLeader& leader(std::uint16_t number, std::int16_t hex, std::uint32_t nation) {
        return place(std::make_unique<TestLeader>(setup(number, hex, nation)));
    }
    // A unit on the bus that the map does not list anywhere yet.
    TestCombat& mover(std::uint16_t number, std::uint32_t type) {
        auto unit = std::make_unique<TestCombat>(setup(number, 505, home), type);
        unit->attach(bus);
        TestCombat& ref = *unit;
        owned.push_back(std::move(unit));
        return ref;
    }

    Bus bus{"Logical layer"};
    std::unique_ptr<VaelLogicalLandscape> map;
    std::vector<std::unique_ptr<VaelUnit>> owned;
};

TEST_F(Occupants, ListsKeepArrivalOrderAndOnlyTheFirstOccupantCountsForNation) {
    TestCombat& a = combat(1, 505, home);
    TestCombat& b = combat(2, 505, visitor);
    const List<const VaelUnit*>& units = map->unitsInHex(505);
    ASSERT_EQ(units.count(), 2);
    const VaelUnit* first = nullptr;
    const VaelUnit* last = nullptr;
    units.first(first);
    units.last(last);
    EXPECT_EQ(first, &a);
    EXPECT_EQ(last, &b);
    EXPECT_EQ(map->firstOccupant(505), &a);
    EXPECT_TRUE(map->isHexOccupied(505));
    EXPECT_FALSE(map->isHexOccupied(506));
    EXPECT_FALSE(map->otherNationInHex(505, home)); // the visitor is second
    EXPECT_TRUE(map->otherNationInHex(505, visitor));
    EXPECT_FALSE(map->otherNationInHex(506, home));

    EXPECT_EQ(map->removeFromRegion(&a, 506), nullptr);
    EXPECT_EQ(map->removeFromRegion(&a, 505), &a);
    EXPECT_EQ(map->removeFromRegion(&a, 505), nullptr);
    EXPECT_TRUE(map->otherNationInHex(505, home));
    EXPECT_EQ(map->removeUnitById(b.getId(), 506), nullptr);
    EXPECT_EQ(map->removeUnitById(static_cast<std::int16_t>(b.getId() + 7), 505), nullptr);
    EXPECT_EQ(map->removeUnitById(b.getId(), 505), &b);
    EXPECT_FALSE(map->isHexOccupied(505));
}

TEST_F(Occupants, HexesOffTheTableHoldNobody) {
    TestCombat& a = combat(1, 505, home);
    map->addToRegion(&a, -1);
    map->addToRegion(&a, 1000);
    EXPECT_TRUE(map->unitsInHex(-1).isEmpty());
    EXPECT_TRUE(map->unitsInHex(1000).isEmpty());
    EXPECT_EQ(map->removeFromRegion(&a, -1), nullptr);
    EXPECT_EQ(map->firstOccupant(32000), nullptr);
    EXPECT_FALSE(map->isHexOccupied(-1));
}

TEST_F(Occupants, EnemyAdjacentLooksAtEveryUnitNextToTheHex) {
    combat(1, 504, home);
    EXPECT_FALSE(map->enemyAdjacent(505, home, false));
    EXPECT_TRUE(map->enemyAdjacent(505, visitor, false));
    combat(2, 504, visitor); // second on its hex still counts
    EXPECT_TRUE(map->enemyAdjacent(505, home, false));
    // With leadersOnly an adjacent enemy fighting unit is ignored.
    EXPECT_FALSE(map->enemyAdjacent(505, home, true));
    leader(3, 406, visitor);
    EXPECT_TRUE(map->enemyAdjacent(505, home, true));
    EXPECT_FALSE(map->enemyAdjacent(507, home, false));
}

TEST_F(Occupants, ZoneOfControlOfAnEnemyNextToTheHex) {
    TestCombat& enemy = combat(1, 504, visitor);
    enemy.setZOC({505, 605});
    EXPECT_TRUE(map->isInEnemyZOC(505, home));
    EXPECT_FALSE(map->isInEnemyZOC(505, visitor)); // its own side's zone
    EXPECT_FALSE(map->isInEnemyZOC(506, home));    // not in the zone
    // A unit two hexes off does not count, even if it claims the hex.
    TestCombat& far = combat(2, 503, visitor);
    far.setZOC({506});
    EXPECT_FALSE(map->isInEnemyZOC(506, home));
    // A unit out of play controls nothing.
    enemy.setOutOfPlay(true);
    EXPECT_FALSE(map->isInEnemyZOC(505, home));
    enemy.setOutOfPlay(false);
    // A leader exerts no zone of control.
    leader(3, 606, visitor);
    EXPECT_FALSE(map->isInEnemyZOC(607, home));
}

TEST_F(Occupants, ASkirmishersHexIsNeverInAnEnemyZone) {
    TestCombat& enemy = combat(1, 504, visitor);
    enemy.setZOC({505});
    combat(2, 505, home, 7);
    EXPECT_FALSE(map->isInEnemyZOC(505, home));
    // Only the first occupant is looked at: a skirmisher second in the hex does not help.
    TestCombat& other = combat(3, 605, home, 2);
    combat(4, 605, home, 7);
    enemy.setZOC({605});
    EXPECT_TRUE(map->isInEnemyZOC(605, home));
    EXPECT_EQ(other.getUnitType(), 2u);
}

TEST_F(Occupants, OrderlyWithdrawalCandidates) {
    // The mover comes to 505; an enemy at 504 might withdraw before it.
    TestCombat& heavy = mover(1, 2);
    TestCombat& cavalryMover = mover(2, 12);
    TestCombat& phalanx = mover(4, 0);
    TestCombat& medium = mover(5, 3);
    TestLeader& ourLeader = leader(3, 708, home);
    TestCombat& enemyCavalry = combat(10, 504, visitor, 8);

    EXPECT_FALSE(map->findOWCandidates(505, home, &ourLeader)); // a leader never makes anyone withdraw
    EXPECT_FALSE(map->findOWCandidates(505, home, &cavalryMover));
    EXPECT_TRUE(map->findOWCandidates(505, home, &heavy));

    // Pinned: one of ours next to the enemy holds it in its zone of control.
    TestCombat& pinner = combat(11, 503, home, 2);
    pinner.setZOC({504});
    EXPECT_FALSE(map->findOWCandidates(505, home, &heavy));
    pinner.setZOC({});
    EXPECT_TRUE(map->findOWCandidates(505, home, &heavy));
    map->removeFromRegion(&enemyCavalry, 504);

    // An enemy skirmisher withdraws before phalanx and heavy infantry only.
    combat(12, 606, visitor, 7);
    EXPECT_TRUE(map->findOWCandidates(505, home, &heavy));
    EXPECT_TRUE(map->findOWCandidates(505, home, &phalanx));
    EXPECT_FALSE(map->findOWCandidates(505, home, &medium));
    EXPECT_FALSE(map->findOWCandidates(505, home, &cavalryMover));

    // An enemy leader withdraws before anyone.
    leader(13, 405, visitor);
    EXPECT_TRUE(map->findOWCandidates(505, home, &medium));
    EXPECT_TRUE(map->findOWCandidates(505, home, &cavalryMover));
    // Units of the mover's own nation are no candidates.
    EXPECT_FALSE(map->findOWCandidates(505, visitor, &medium));
}

TEST_F(Occupants, OrderlyWithdrawalLeavesOutTheMoversSecondHex) {
    // A double-sized mover facing north-east at 505 also covers 606; an enemy cavalry unit listed there
    // is no candidate. (The ring around 505 also takes in the second hexes the fill adds for the mover:
    // 705, 706 and 607 are looked at too.)
    auto mover = std::make_unique<TestCombat>(setup(1, 505, home), 2, 1);
    TestCombat& big = place(std::move(mover));
    ASSERT_EQ(big.getSecondHex(), 606);
    TestCombat& stray = combat(10, 606, visitor, 8);
    EXPECT_FALSE(map->findOWCandidates(505, home, &big));
    map->removeFromRegion(&stray, 606);
    combat(11, 506, visitor, 8);
    EXPECT_TRUE(map->findOWCandidates(505, home, &big));
}

} // namespace
} // namespace vael
