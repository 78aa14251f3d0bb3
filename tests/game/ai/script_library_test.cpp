// The plan scripts' constants and procedures over the demonstration battle's real units and map. Each row
// is a Conditions table whose first variable takes the procedure's answer.
#include "opponent_fixture.h"

namespace vael::test {
namespace {

class ScriptLibrary : public ProcedureRows {};

TEST_F(ScriptLibrary, RegistersTheConstantsAndProceduresInOrder) {
    EXPECT_EQ(ai->compiler().constantCount(), 23);
    EXPECT_EQ(ai->compiler().procedureCount(), 50);
    EXPECT_EQ(ai->interpreter().procedureCount(), 50);
    const std::pair<const char*, int> constants[] = {{"TQ", 1},
                                                     {"COHESION_HIT", 2},
                                                     {"SIZE", 3},
                                                     {"MOVEMENT_POINTS", 4},
                                                     {"MOVEMENT_REMAINING", 5},
                                                     {"MISSLE_TYPE", 6},
                                                     {"MISSLE_RANGE", 7},
                                                     {"MISSLES_REMAINING", 8},
                                                     {"UNIT_TYPE", 9},
                                                     {"FAILED", 0},
                                                     {"CENTER", 0},
                                                     {"NORTH", 1},
                                                     {"NORTHEAST", 2},
                                                     {"EAST", 3},
                                                     {"SOUTHEAST", 4},
                                                     {"SOUTH", 5},
                                                     {"SOUTHWEST", 6},
                                                     {"WEST", 7},
                                                     {"NORTHWEST", 8},
                                                     {"FALSE", 0},
                                                     {"TRUE", 1},
                                                     {"CLOCKWISE", 1},
                                                     {"COUNTERCLOCKWISE", 2}};
    for (const auto& [name, expected] : constants) {
        SCOPED_TRACE(name);
        EXPECT_EQ(value("", name), expected);
    }
    // The last procedure of the table is reached by its position: a shifted table would call another.
    EXPECT_EQ(value("", "BreakPoint()"), 1);
    EXPECT_EQ(value("", "DumpList(0)"), 0);
    EXPECT_EQ(value("", "Random(0)"), 0);
}

TEST_F(ScriptLibrary, ListsHandOutTheLowestFreeSlotAndWrapWithMinusOne) {
    expectRows({
        {"a = GetList(); b = GetList(); c = GetList(); x = ReleaseList(b);", "GetList()", 1},
        {"a = GetList(); b = GetList(); x = ReleaseList(a); x = ReleaseList(b);", "GetList()", 0},
        {"a = GetList(); b = GetList();", "GetList()", 2},
        {"a = GetList(); x = AddToList(a, 5); x = AddToList(a, 6); x = AddToList(a, 7); b = GetNextInList(a);"
         " c = GetNextInList(a); d = GetNextInList(a);",
         "b * 100 + c * 10 + d", 567},
        {"a = GetList(); x = AddToList(a, 5); x = AddToList(a, 6); x = AddToList(a, 7); b = GetNextInList(a);"
         " c = GetNextInList(a); d = GetNextInList(a);",
         "GetNextInList(a)", -1},
        {"a = GetList(); x = AddToList(a, 5); x = AddToList(a, 6); b = GetNextInList(a); b = "
         "GetNextInList(a);"
         " b = GetNextInList(a);",
         "GetNextInList(a)", 5},
        {"a = GetList();", "GetNextInList(a)", -1},
        // Values are kept in 16 bits and read back with their sign.
        {"a = GetList(); x = AddToList(a, 70000);", "GetLast(a)", 4464},
        {"a = GetList(); x = AddToList(a, 65535);", "GetLast(a)", -1},
        {"a = GetList(); x = AddToList(a, 32767);", "GetLast(a)", 32767},
        {"a = GetList(); x = AddToList(a, 32768);", "GetLast(a)", -32768},
        {"a = GetList();", "GetLast(a)", -1},
        {"a = GetList(); x = AddToList(a, 1); x = AddToList(a, 2); x = AddToList(a, 1);", "SizeOfList(a)", 3},
        {"a = GetList(); x = AddToList(a, 1); x = AddToList(a, 2); x = AddToList(a, 1);",
         "RemoveFromList(a, 1) * 10 + SizeOfList(a)", 12},
        {"a = GetList(); x = AddToList(a, 1); x = AddToList(a, 2); x = AddToList(a, 1); x = "
         "RemoveFromList(a, 1);",
         "GetNextInList(a)", 2},
        // A value not there: 0, and the cursor is back at the start all the same.
        {"a = GetList(); x = AddToList(a, 1); x = AddToList(a, 2); b = GetNextInList(a); x = "
         "RemoveFromList(a, 9);",
         "x * 10 + GetNextInList(a)", 1},
        {"a = GetList(); x = AddToList(a, 1); x = AddToList(a, 2); b = GetNextInList(a); x = ResetList(a);",
         "GetNextInList(a)", 1},
        {"a = GetList(); x = AddToList(a, 4);", "IsMemberOf(a, 4) * 10 + IsMemberOf(a, 5)", 10},
        {"a = GetList(); x = AddToList(a, 4); x = ClearList(a);", "SizeOfList(a) * 10 + GetNextInList(a)",
         -1},
        {"a = GetList(); x = AddToList(a, 4); x = ReleaseList(a); a = GetList();", "SizeOfList(a)", 0},
    });
}

TEST_F(ScriptLibrary, BadListHandlesGiveFailureValues) {
    expectRows({
        {"", "SizeOfList(0)", -1},
        {"", "AddToList(0, 3)", 0},
        {"a = GetList();", "AddToList(-1, 3)", 0},
        {"a = GetList();", "AddToList(1, 3)", 0},
        {"a = GetList(); x = ReleaseList(a);", "AddToList(a, 3)", 0},
        {"a = GetList(); x = ReleaseList(a);", "ReleaseList(a)", 0},
        {"", "GetNextInList(99)", -1},
        {"", "GetLast(-5)", -1},
        {"", "RemoveFromList(3, 3)", 0},
        {"", "ResetList(3)", 0},
        {"", "ClearList(3)", 0},
        {"", "IsMemberOf(3, 3)", 0},
        {"", "GetNextInList(2147483647)", -1},
        // AssignList wants a handed-out handle and one of the kinds 0 to 3, 5 and 6.
        {"a = GetList();", "AssignList(1, 6, 0)", 0},
        {"a = GetList();", "AssignList(a, 4, 0)", 0},
        {"a = GetList();", "AssignList(a, 7, 0)", 0},
        {"a = GetList();", "AssignList(a, -1, 0)", 0},
        {"a = GetList();", "AssignList(a, 6, 0)", 1},
    });
}

TEST_F(ScriptLibrary, ReadsTheMapAndTheUnits) {
    const std::string vaelmoric = number("Vaelmoric the Bold"), tezhar = number("Tezhar III");
    const std::string havrel = number("Taxis of Havrel"), bowmen = number("Ridge Bowmen 1");
    const std::string elephant = number("Elephant of the Line 1");
    Leader* leader = layer.findLeaderByName("Vaelmoric the Bold");
    ASSERT_TRUE(leader);
    expectRows({
        {"", "HexOccupancy(1114)", unitNumber("Vaelmoric the Bold")},
        {"", "HexOccupancy(602)", unitNumber("Taxis of Havrel")},
        {"", "HexOccupancy(603)", unitNumber("Taxis of Havrel")},
        {"", "HexOccupancy(601)", -1},
        {"", "HexOccupancy(1010)", -1},
        {"", "HexOccupancy(-1)", -1},
        {"", "HexOccupancy(70000)", -1},
        {"", "Direction(1010, 1010)", 2},
        {"", "Direction(-1, 1010)", 0},
        {"", "Distance(410, 414)", 4},
        {"", "Distance(410, 410)", 0},
        {"", "Distance(410, -1)", -1},
        // The map keeps neighbours under 1, 2, 4, 5, 6 and 8; 3 and 7 are facings, not neighbours.
        {"", "AdjacentHex(410, 1)", 409},
        {"", "AdjacentHex(410, 5)", 411},
        // Entry 0 is the hex itself.
        {"", "AdjacentHex(410, 0)", 410},
        {"", "AdjacentHex(101, 0)", 101},
        {"", "AdjacentHex(100, 0)", 100},
        {"", "AdjacentHex(-1, 0)", -1},
        {"", "AdjacentHex(410, -1)", -1},
        {"", "AdjacentHex(410, 3)", -1},
        {"", "AdjacentHex(410, 7)", -1},
        {"", "AdjacentHex(410, 9)", -1},
        {"", "AdjacentHex(100, 1)", -1},
        {"", "AdjacentHex(101, 1)", 100},
        {"", "AdjacentHex(-1, 1)", -1},
        {"", "Query(TQ, " + havrel + ")", 7},
        {"", "Query(SIZE, " + havrel + ")", 8},
        {"", "Query(UNIT_TYPE, " + havrel + ")", 0},
        {"", "Query(MISSLE_RANGE, " + havrel + ")", -1},
        {"", "Query(MISSLE_TYPE, " + bowmen + ")", 1},
        {"", "Query(15, " + vaelmoric + ")", leader->getInitiative()},
        {"", "Query(TQ, " + vaelmoric + ")", -1},
        {"", "Query(TQ, 9999)", -1},
        {"", "Query(TQ, -7)", -1},
        {"", "IsLeader(" + vaelmoric + ") * 10 + IsLeader(" + havrel + ")", 10},
        {"", "IsLeader(9999)", 0},
        {"", "IsEnemy(" + vaelmoric + ", " + tezhar + ")", 1},
        {"", "IsEnemy(" + vaelmoric + ", " + havrel + ")", 0},
        {"", "IsEnemy(" + elephant + ", " + havrel + ")", 1},
        {"", "IsEnemy(9999, " + havrel + ")", 0},
        // No unit, a leader where a fighting unit is wanted: failure values.
        {"", "CanAttack(" + vaelmoric + ", 600)", 0},
        {"", "AnyoneToCombat(" + vaelmoric + ")", -1},
        {"", "TurnToAttack(9999)", -1},
        {"", "FindClosestEnemyToAttack(" + vaelmoric + ")", -1},
        {"", "FindClosestEnemyToFire(" + havrel + ")", -1},
        {"", "InCommandRange(9999)", -1},
        {"", "CanMove(9999)", 0},
        {"", "CanMove(" + vaelmoric + ")", 1},
        {"", "CanRotate(9999, 3)", 0},
        {"", "IsInGeneralDir(9999, 600)", 0},
        {"", "GetValidMovement(9999)", 0},
        {"", "EnemyWithinRange(9999, 3)", 0},
        {"", "EnemyWithinRange(" + havrel + ", 2)", 0},
        {"a = GetList();", "GetUnitPaths(9999, a)", 0},
        {"", "GetUnitPaths(" + havrel + ", 4)", 0},
        // Outside an activation there is no group, leader or current unit.
        {"", "GroupListGetNext()", -1},
        {"", "GroupListGet()", -1},
        {"", "GroupListGetSize()", 0},
        {"", "GetLeader()", -1},
        {"", "FindHurtingUnit()", -1},
        // Nobody answers the turn number.
        {"", "GetTurnNum()", -1},
    });
}

TEST_F(ScriptLibrary, AssignListKindFiveGivesEachHexOnceFrontFirst) {
    Combat* havrel = layer.findCombatUnitByName("Taxis of Havrel");
    ASSERT_TRUE(havrel);
    havrel->GetValidMovement();
    List<short> expected = havrel->getFrontHexes();
    for (const List<short>* part : {&havrel->getFlankHexes(), &havrel->getRearHexes()})
        for (Item<short>* i = part->firstItem(i) ? i : nullptr; i; i = i->next)
            if (!expected.contains(i->value)) expected.append(i->value);
    ASSERT_GT(expected.count(), 0);
    auto fresh = makeOpponent();
    ASSERT_EQ(compile("S { Conditions { var r, a, n, h; a = GetList(); r = AssignList(a, 5, " +
                          number("Taxis of Havrel") + "); n = SizeOfList(a); h = GetNextInList(a); }; }",
                      fresh.get()),
              1);
    ASSERT_TRUE(fresh->runConditions());
    EXPECT_EQ(fresh->interpreter().cell(0), 1);
    EXPECT_EQ(fresh->interpreter().cell(2), expected.count());
    short first = 0;
    expected.first(first);
    EXPECT_EQ(fresh->interpreter().cell(3), first);
}

TEST_F(ScriptLibrary, ClearingListsStartsTheHandlesAgain) {
    ASSERT_EQ(compile("S { Conditions { var a, b; a = GetList(); b = GetList(); }; }"), 1);
    // The compile's reset ran the table once.
    EXPECT_EQ(ai->listCount(), 2);
    ASSERT_TRUE(ai->runConditions());
    EXPECT_EQ(ai->listCount(), 4);
    ai->clearLists();
    EXPECT_EQ(ai->listCount(), 0);
    EXPECT_EQ(ai->list(0), nullptr);
    ASSERT_TRUE(ai->runConditions());
    EXPECT_EQ(global(0), 0);
    EXPECT_EQ(global(1), 1);
}

} // namespace
} // namespace vael::test
