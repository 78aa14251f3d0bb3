// Who plays each side of the demonstration battle, the plan a computer side draws, and the layer's part of
// the saved game over real units, opponents and plans.
#include "game/flow/side_control.h"

#include <algorithm>

#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/saved_game.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/leaders/group.h"
#include "game/rules/roll.h"
#include "opponent_fixture.h"
#include "script_test_support.h"

namespace vael::test {
namespace {

int scriptedRand() {
    return Roll::rand();
}

TEST(PlanChoice, FlipsTheKindAndCountsDownOverThePlansOfTheOtherKind) {
    const struct {
        std::vector<std::uint16_t> kinds;
        std::uint32_t t;
        int roll;
        std::size_t plan;
        std::uint32_t tAfter;
    } rows[] = {
        {{1, 0}, 0, 9, 0, 1},
        {{1, 0}, 1, 9, 1, 0},
        // Any value but 1 is kind 0.
        {{1, 0}, 7, 9, 0, 1},
        // Every plan of the kind last played: a uniform choice, and the kind stays.
        {{1, 1, 1}, 1, 5, 2, 1},
        {{1, 1, 1}, 1, 3, 0, 1},
        {{0, 1, 0, 1}, 1, 3, 2, 0},
        {{0, 1, 0, 1}, 1, 2, 0, 0},
        {{1, 0, 1}, 0, 4, 0, 1},
        {{1, 0, 1}, 0, 5, 2, 1},
        {{}, 1, 5, 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.kinds) + " t " + std::to_string(row.t) + " roll " +
                     std::to_string(row.roll));
        Roll::script({row.roll});
        std::uint32_t t = row.t;
        EXPECT_EQ(choosePlan(row.kinds, t, scriptedRand), row.plan);
        EXPECT_EQ(t, row.tAfter);
        EXPECT_EQ(Roll::scriptedLeft(), row.kinds.empty() ? 1u : 0u);
        Roll::endScript();
    }
}

class SideControl : public OpponentFixture {
protected:
    void SetUp() override {
        OpponentFixture::SetUp();
        SideControlServices& services = layer.getSideControlServices();
        services.makeOpponent = makeVaelAI;
        services.introDialog = [this] { return ++intros, sides; };
        services.armyRoutDialog = [this](const ArmyRoutRequest& request) {
            routRequests.push_back(request);
            return routLevels;
        };
        services.readLastAIType = [this] { return preference; };
        services.writeLastAIType = [this](std::uint32_t t) { written.push_back(preference = t); };
        for (Leader* leader : each(layer.getHomeLeaders()))
            team.homeLeaders.append(leader->getName());
        for (Leader* leader : each(layer.getVisitorLeaders()))
            team.visitorLeaders.append(leader->getName());
        team.homeName = "Macedonian";
        team.visitorName = "Indian";
    }
    VaelAI* opponent(bool visitor) const { return dynamic_cast<VaelAI*>(layer.getOpponent(visitor)); }

    TeamInfoStruct team;
    std::pair<bool, bool> sides{false, true};
    int intros = 0;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> routLevels;
    std::vector<ArmyRoutRequest> routRequests;
    std::uint32_t preference = 0;
    std::vector<std::uint32_t> written;
};

TEST_F(SideControl, BothSidesGetAnOpponentOfTheirOwnWithTheirOwnPlan) {
    sides = {true, true};
    Roll::script({4, 4});
    LeaderControl(layer, team);
    Roll::endScript();
    EXPECT_EQ(intros, 1);
    ASSERT_TRUE(opponent(true) && opponent(false));
    EXPECT_TRUE(opponent(true)->playsVisitor());
    EXPECT_FALSE(opponent(false)->playsVisitor());
    // The visitor draws first: kind 0 last time, so a plan of kind 1; then the home side, after 1, kind 0.
    EXPECT_EQ(layer.getScriptFileName(), "GHATMAR_V1.pln");
    EXPECT_EQ(layer.getHomePlanName(), "ghatmar_h2.pln");
    EXPECT_EQ(written, (std::vector<std::uint32_t>{1, 0}));
    EXPECT_TRUE(opponent(true)->program().isCompiled()) << opponent(true)->compiler().errorMessage();
    EXPECT_TRUE(opponent(false)->program().isCompiled()) << opponent(false)->compiler().errorMessage();
    EXPECT_EQ(layer.getComputerLeaders().count(), layer.getLeaders().count());
    for (Leader* leader : each(layer.getLeaders()))
        EXPECT_TRUE(leader->isComputerControlled()) << leader->getName();
    // Cancelled: the scenario's points stay.
    ASSERT_EQ(routRequests.size(), 1u);
    EXPECT_EQ(routRequests[0].flag, 1);
    EXPECT_EQ(layer.getHomeTQPoints(), 70);
    EXPECT_EQ(layer.getVisitorTQPoints(), 60);
}

TEST_F(SideControl, EveryPlanOfTheBattleCompiles) {
    for (bool visitor : {false, true})
        for (std::int32_t i = 0; i < layer.getScriptCount(visitor); ++i) {
            const std::string name = layer.getScriptNames(visitor)[i];
            SCOPED_TRACE(name);
            auto fresh = makeOpponent();
            EXPECT_EQ(fresh->compile(planPath(name)), 1) << fresh->compiler().errorMessage();
        }
}

TEST_F(SideControl, AHumanAgainstTheComputerSetsTheRoutLevelsOnOK) {
    sides = {true, false};
    routLevels = std::pair<std::uint16_t, std::uint16_t>{50, 40};
    LeaderControl(layer, team);
    EXPECT_TRUE(opponent(false));
    EXPECT_FALSE(opponent(true));
    EXPECT_EQ(layer.getScriptFileName(), "Ghatmar_H1.PLN");
    ASSERT_EQ(routRequests.size(), 1u);
    EXPECT_EQ(routRequests[0].flag, 0);
    int homeTotal = 0;
    for (Combat* unit : each(layer.getHomeUnits()))
        homeTotal += unit->pointValue();
    EXPECT_EQ(routRequests[0].homeTotal, homeTotal);
    EXPECT_EQ(routRequests[0].homeTQPoints, 70);
    EXPECT_EQ(routRequests[0].visitorName, "Indian");
    EXPECT_EQ(layer.getHomeTQPoints(), 50);
    EXPECT_EQ(layer.getVisitorTQPoints(), 40);
    EXPECT_EQ(layer.getComputerLeaders().count(), 3);
}

TEST_F(SideControl, ANetworkGameAsksNothingAndMakesNoOpponent) {
    team.visitorLeaders.clear();
    team.visitorLeaders.append("Tezhar III");
    LeaderControl(layer, team);
    EXPECT_EQ(intros, 0);
    EXPECT_TRUE(routRequests.empty());
    EXPECT_FALSE(opponent(false) || opponent(true));
    EXPECT_EQ(layer.getLocalLeaders().count(), 4);
}

// The layer's part after the units' own records, byte for byte.
class SavedGame : public SideControl {
protected:
    std::vector<std::uint8_t> unitBytes() {
        SuperString s;
        for (Combat* unit : each(layer.getHomeUnits()))
            unit->write(s);
        for (Combat* unit : each(layer.getVisitorUnits()))
            unit->write(s);
        for (Leader* leader : each(layer.getLeaders()))
            leader->write(s);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.length()));
        s.peek(bytes.data(), 0, s.length());
        return bytes;
    }
    // Where a unit's record starts in the part: after the records of the units before it.
    std::size_t recordOf(const Combat* wanted) {
        SuperString s;
        for (const List<Combat*>* side : {&layer.getHomeUnits(), &layer.getVisitorUnits()})
            for (Combat* unit : each(*side)) {
                if (unit == wanted) return static_cast<std::size_t>(s.length());
                unit->write(s);
            }
        return std::string::npos;
    }
    std::vector<std::uint8_t> tail(const std::vector<std::uint8_t>& part) {
        const std::size_t units = unitBytes().size();
        return {part.begin() + static_cast<std::ptrdiff_t>(std::min(units, part.size())), part.end()};
    }
    // The tail up to the running state's record, which follows game control's block (none here); empty
    // when the record does not start right after the length expected.
    std::vector<std::uint8_t> tailBeforeRunningState(const std::vector<std::uint8_t>& part,
                                                     std::size_t length) {
        const std::vector<std::uint8_t> t = tail(part);
        const std::vector<std::uint8_t> tag{'V', 'S', 'T', 'A'};
        if (t.size() < length + 4 ||
            !std::equal(tag.begin(), tag.end(), t.begin() + static_cast<std::ptrdiff_t>(length)))
            return {};
        return {t.begin(), t.begin() + static_cast<std::ptrdiff_t>(length)};
    }
    // The part as a program that kept no running state saved it: it ends with the combats.
    static std::vector<std::uint8_t> withoutRunningState(const std::vector<std::uint8_t>& part) {
        const std::vector<std::uint8_t> tag{'V', 'S', 'T', 'A'};
        return {part.begin(), std::find_end(part.begin(), part.end(), tag.begin(), tag.end())};
    }
    // The part with the list given in place of its last `listed` bytes (its list of shared hexes), the
    // running state's length made to fit, as a file.
    std::vector<std::uint8_t> withSharedList(const std::vector<std::uint8_t>& part, std::size_t listed,
                                             const std::vector<std::uint8_t>& list) const {
        std::vector<std::uint8_t> bytes(part.begin(), part.end() - static_cast<std::ptrdiff_t>(listed));
        bytes.insert(bytes.end(), list.begin(), list.end());
        const std::vector<std::uint8_t> tag{'V', 'S', 'T', 'A'};
        const auto at = static_cast<std::size_t>(
            std::find_end(bytes.begin(), bytes.end(), tag.begin(), tag.end()) - bytes.begin());
        const auto length = static_cast<std::uint32_t>(bytes.size() - at - 10);
        for (std::size_t k = 0; k < 4; ++k)
            bytes[at + 6 + k] = static_cast<std::uint8_t>(length >> (8 * k));
        return file(bytes);
    }
    std::vector<std::uint8_t> header() const { return {'V', 'A', 'E', 'L', 1, 0, 0, 0, 0, 0, 0, 0}; }
    std::vector<std::uint8_t> file(const std::vector<std::uint8_t>& part) const {
        std::vector<std::uint8_t> bytes = header();
        bytes[8] = 12;
        bytes.insert(bytes.end(), part.begin(), part.end());
        return bytes;
    }
};

TEST_F(SavedGame, WithoutComputerSidesOrCombatsTheTailIsSevenZeroBytesBeforeTheRunningState) {
    EXPECT_EQ(tailBeforeRunningState(saveLayerPart(layer), 7),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SavedGame, AComputerSideAndACombatAreWrittenAfterTheUnits) {
    LeaderControl(layer, team);
    Combat* a = layer.findCombatUnitByName("Taxis of Havrel");
    Combat* d = layer.findCombatUnitByName("Elephant of the Line 1");
    CombatStruct combat;
    combat.attackers.append(a);
    combat.defenders.append(d);
    combat.hex = 1010;
    layer.combats().append(combat);
    const auto n = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    std::vector<std::uint8_t> expected{3, 0};
    for (Leader* leader : each(layer.getVisitorLeaders()))
        expected.insert(expected.end(), {std::uint8_t(leader->getUnitNum()), 0});
    expected.insert(expected.end(), {2, 14, 0});
    const auto name = n("GHATMAR_V1.pln");
    expected.insert(expected.end(), name.begin(), name.end());
    expected.insert(expected.end(), {1, 0, 1, 0, std::uint8_t(a->getUnitNum()), 0, 1, 0,
                                     std::uint8_t(d->getUnitNum()), 0, 0, 0, 0, 0, 0, 0, 0xF2, 0x03});
    EXPECT_EQ(tailBeforeRunningState(saveLayerPart(layer), expected.size()), expected);
}

TEST_F(SavedGame, TheFileTellsWhereThePartBeginsAndLoadsBackToTheSameBytes) {
    sides = {true, true};
    LeaderControl(layer, team);
    const std::string saved = (dir / "battle.vel").string();
    {
        std::ofstream out(saved, std::ios::binary);
        const auto h = header();
        out.write(reinterpret_cast<const char*>(h.data()), static_cast<std::streamsize>(h.size()));
    }
    std::string error;
    ASSERT_TRUE(SaveGame(layer, saved, error)) << error;
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    std::ifstream in(saved, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, file(part));
    // The check goes on last, over every part, as whoever finishes the file puts it there.
    std::vector<std::uint8_t> sealed = bytes;
    sealSavedGame(sealed);
    std::ofstream(saved, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(sealed.data()), static_cast<std::streamsize>(sealed.size()));

    // A fresh battle from the same scenario, restored from the file.
    VaelLogicalLayer other;
    shell.adopt(other);
    other.getSideControlServices().makeOpponent = makeVaelAI;
    ASSERT_TRUE(other.LoadScenario(ScenarioInfoStruct{10, "Ghatmar", "GHATMAR.SCN", 0}));
    other.findCombatUnitByName("Taxis of Havrel")->setCohesionHits(3);
    ASSERT_TRUE(LoadGame(other, saved, error)) << error;
    EXPECT_EQ(saveLayerPart(other), part);
    ASSERT_TRUE(other.getOpponent(true) && other.getOpponent(false));
    EXPECT_EQ(other.getHomePlanName(), "ghatmar_h2.pln");
    EXPECT_EQ(other.getLocalLeaders().count(), 6);
    EXPECT_EQ(other.findCombatUnitByName("Taxis of Havrel")->getCohesionHits(), 0);
}

// Game control counts no elephant among a side's routing units (nor any kind that never counts as
// routing): a file whose elephant routes while the counts say nobody does is the battle as it stands and
// passes the check; a phalanx routing behind the same counts is refused with both counts. A fighting
// unit's record holds its routing word at byte 24 (after its 22 bytes as a unit and its cohesion hits).
TEST_F(SavedGame, AnElephantRoutingIsNoneOfTheSidesRoutingCounts) {
    ASSERT_NE(layer.CreateGameControl(10), nullptr);
    const struct Row {
        const char* name;
        const char* refused; // the start of the reason; null: it passes
    } rows[] = {
        {"Elephant of the Line 1", nullptr},
        {"Taxis of Havrel", "the saved game counts 0 routing (0) on the home side, where its units rout 1 ("},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Combat* unit = layer.findCombatUnitByName(row.name);
        ASSERT_NE(unit, nullptr);
        std::vector<std::uint8_t> part = saveLayerPart(layer);
        const std::size_t at = recordOf(unit);
        ASSERT_LT(at + 25, part.size());
        ASSERT_EQ((std::vector<std::uint8_t>{part[at + 24], part[at + 25]}),
                  (std::vector<std::uint8_t>{0, 0}));
        part[at + 24] = 1;
        std::string error;
        const bool passed = checkLayerPart(layer.getLoadedScenario(), file(part), error);
        if (!row.refused) {
            EXPECT_TRUE(passed) << error;
        } else {
            EXPECT_FALSE(passed);
            EXPECT_EQ(error.rfind(row.refused, 0), 0u) << error;
        }
    }
}

// An eliminated unit left its group as it fell. The battle a saved game is loaded into is built anew from
// the scenario with every unit in its group: the file's fallen unit must leave it again, or it would stand
// first and give the group its facing. The first record of the part is Taxis of Havrel's, the first of
// the eight phalanxes of group 2; bytes 20 and 21 of a unit's record are its out-of-play word.
TEST_F(SavedGame, AUnitEliminatedInTheSavedBattleIsOutOfItsGroupOnceLoaded) {
    std::vector<std::uint8_t> part = saveLayerPart(layer);
    ASSERT_EQ(layer.getHomeUnits().count() > 0, true);
    Combat* first = nullptr;
    layer.getHomeUnits().first(first);
    ASSERT_EQ(first->getName(), "Taxis of Havrel");
    ASSERT_EQ((std::vector<std::uint8_t>{part[20], part[21]}), (std::vector<std::uint8_t>{0, 0}));
    part[20] = 1;

    VaelLogicalLayer other;
    shell.adopt(other);
    other.getSideControlServices().makeOpponent = makeVaelAI;
    ASSERT_TRUE(other.LoadScenario(ScenarioInfoStruct{10, "Ghatmar", "GHATMAR.SCN", 0}));
    Combat* fallen = other.findCombatUnitByName("Taxis of Havrel");
    Group* group = other.findGroup(static_cast<std::uint16_t>(fallen->getLeaderId()));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->units.count(), 8);
    std::string error;
    ASSERT_TRUE(loadLayerPart(other, file(part), error)) << error;
    EXPECT_TRUE(fallen->isOutOfPlay());
    EXPECT_EQ(group->units.count(), 7);
    EXPECT_FALSE(group->units.contains(fallen));
    VaelUnit* leading = nullptr;
    group->units.first(leading);
    ASSERT_NE(leading, nullptr);
    EXPECT_EQ(leading->getName(), "Taxis of Brask");
    // The other groups keep every member.
    Combat* companion = other.findCombatUnitByName("Companion Ile 1");
    EXPECT_EQ(other.findGroup(static_cast<std::uint16_t>(companion->getLeaderId()))->units.count(), 6);
}

TEST_F(SavedGame, AFileCutShortChangesNothing) {
    LeaderControl(layer, team);
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    // Another state of the battle, which a refused file must leave as it is.
    layer.findCombatUnitByName("Taxis of Havrel")->setCohesionHits(2);
    const std::vector<std::uint8_t> before = saveLayerPart(layer);
    std::vector<std::size_t> cuts{0, 1, 2, 40, part.size() - 25, part.size() - 1};
    for (std::size_t cut = 0; cut < part.size(); cut += 97)
        cuts.push_back(cut);
    for (std::size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        std::string error;
        std::vector<std::uint8_t> bytes =
            file({part.begin(), part.begin() + static_cast<std::ptrdiff_t>(cut)});
        EXPECT_FALSE(loadLayerPart(layer, bytes, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(saveLayerPart(layer), before);
    }
    std::string error;
    EXPECT_FALSE(loadLayerPart(layer, {1, 2, 3}, error));
    std::vector<std::uint8_t> pastTheEnd = file(part);
    pastTheEnd[9] = 0x70;
    EXPECT_FALSE(loadLayerPart(layer, pastTheEnd, error));
    EXPECT_EQ(saveLayerPart(layer), before);
}

// Two units on one hex, put there by hand: the one that came first stands first, and the running state's
// list of shared hexes (its last bytes: how many hexes; then each hex, how many stand there, and who, in the
// order they came) brings that order back over the scenario's. A list that does not fit the units read is
// refused whole, the battle left as it was: a hex listed twice or not at all, one of a single unit, an
// occupant named twice or one that stands elsewhere, fewer occupants than stand there, a list cut short.
TEST_F(SavedGame, TwoUnitsOnOneHexComeBackInTheOrderTheyCameAndASharedHexListThatDoesNotFitIsRefused) {
    VaelLogicalLandscape* land = layer.getVaelLandscape();
    std::vector<Combat*> single;
    for (Combat* unit : each(layer.getHomeUnits()))
        if (!unit->isDoubleSized() && unit->getHex() != VaelUnit::offMap) single.push_back(unit);
    ASSERT_GE(single.size(), 3u);
    Combat *a = single[0], *b = single[1], *c = single[2];
    const auto hex = static_cast<std::int16_t>(a->getHex());
    const auto alone = static_cast<std::int16_t>(c->getHex());
    // b comes onto a's hex before a: a is taken off and put back after it.
    land->removeFromRegion(b, static_cast<std::int16_t>(b->getHex()));
    land->removeFromRegion(a, hex);
    b->setHex(static_cast<std::uint16_t>(hex));
    land->addToRegion(b, hex);
    land->addToRegion(a, hex);
    const auto order = [&] {
        std::vector<const VaelUnit*> units;
        for (const VaelUnit* unit : each(land->unitsInHex(hex)))
            units.push_back(unit);
        return units;
    };
    ASSERT_EQ(order(), (std::vector<const VaelUnit*>{b, a}));
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    const auto lo = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    const auto hi = [](int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); };
    const std::uint8_t H0 = lo(hex), H1 = hi(hex), C0 = lo(alone), C1 = hi(alone);
    const std::uint8_t A0 = lo(a->getUnitNum()), A1 = hi(a->getUnitNum()), B0 = lo(b->getUnitNum()),
                       B1 = hi(b->getUnitNum()), N0 = lo(c->getUnitNum()), N1 = hi(c->getUnitNum());
    const std::vector<std::uint8_t> saved{1, 0, H0, H1, 2, 0, B0, B1, A0, A1};
    ASSERT_GT(part.size(), saved.size());
    EXPECT_EQ(std::vector<std::uint8_t>(part.end() - 10, part.end()), saved);

    // The part with its list of shared hexes in place of the one saved, the record's length made to fit.
    const auto withList = [&](const std::vector<std::uint8_t>& list) { return withSharedList(part, 10, list); };
    // Each refusal names the hex, the unit or the count that does not fit.
    const std::string named = "the saved game names hex " + std::to_string(hex);
    const auto listed = [](int count) {
        return "the saved game's running state lists " + std::to_string(count) +
               " hexes more than one unit stands on, where its units share 1";
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> list;
        std::vector<const VaelUnit*> order; // empty: refused
        std::string reason = {};
    } rows[] = {
        {"as saved", saved, {b, a}},
        {"in the scenario's order", {1, 0, H0, H1, 2, 0, A0, A1, B0, B1}, {a, b}},
        {"an occupant named twice", {1, 0, H0, H1, 2, 0, B0, B1, B0, B1}, {},
         named + " with unit " + std::to_string(b->getUnitNum()) + " on it, which it names twice there"},
        {"fewer occupants listed than stand there", {1, 0, H0, H1, 1, 0, B0, B1}, {},
         named + " with 1 units on it, where 2 stand"},
        {"an occupant that stands elsewhere", {1, 0, H0, H1, 2, 0, B0, B1, N0, N1}, {},
         named + " with unit " + std::to_string(c->getUnitNum()) + " on it, which does not stand there"},
        {"one occupant short of its count", {1, 0, H0, H1, 2, 0, B0, B1}, {},
         "the saved game's running state ends inside its shared hexes"},
        {"no hex listed", {0, 0}, {}, listed(0)},
        {"one hex short of the count", {2, 0, H0, H1, 2, 0, B0, B1, A0, A1}, {}, listed(2)},
        {"the hex listed twice", {2, 0, H0, H1, 2, 0, B0, B1, A0, A1, H0, H1, 2, 0, B0, B1, A0, A1}, {}, listed(2)},
        {"a hex of one unit listed too", {2, 0, H0, H1, 2, 0, B0, B1, A0, A1, C0, C1, 1, 0, N0, N1}, {}, listed(2)},
        {"a hex of one unit in the shared one's place", {1, 0, C0, C1, 1, 0, N0, N1}, {},
         "the saved game names hex " + std::to_string(alone) +
             " as one more than one unit stands on, where none or one does"},
        {"a byte more", {1, 0, H0, H1, 2, 0, B0, B1, A0, A1, 0}, {},
         "the saved game's running state holds 1 bytes more than this battle's units, leaders and hexes take"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // The scenario's order first, so that the order a file brings shows.
        land->removeFromRegion(b, hex);
        land->addToRegion(b, hex);
        ASSERT_EQ(order(), (std::vector<const VaelUnit*>{a, b}));
        const std::vector<std::uint8_t> before = saveLayerPart(layer);
        std::string error;
        EXPECT_EQ(loadLayerPart(layer, withList(row.list), error), !row.order.empty()) << error;
        if (row.order.empty()) {
            EXPECT_EQ(error, row.reason);
            EXPECT_EQ(saveLayerPart(layer), before);
        } else {
            EXPECT_EQ(order(), row.order);
        }
    }
}

// Two hexes shared, each by two units put there by hand: a list naming one of them twice (as many entries
// as there are shared hexes, each whole) is refused, and says which; both named once load.
TEST_F(SavedGame, ARunningStateThatNamesOneOfTwoSharedHexesTwiceIsRefused) {
    VaelLogicalLandscape* land = layer.getVaelLandscape();
    std::vector<Combat*> single;
    for (Combat* unit : each(layer.getHomeUnits()))
        if (!unit->isDoubleSized() && unit->getHex() != VaelUnit::offMap) single.push_back(unit);
    ASSERT_GE(single.size(), 4u);
    Combat *a = single[0], *b = single[1], *c = single[2], *d = single[3];
    const auto hex = static_cast<std::int16_t>(a->getHex());
    const auto other = static_cast<std::int16_t>(c->getHex());
    ASSERT_NE(hex, other);
    // b onto a's hex and d onto c's, each after the one standing there.
    for (auto [mover, onto] : {std::pair{b, hex}, std::pair{d, other}}) {
        land->removeFromRegion(mover, static_cast<std::int16_t>(mover->getHex()));
        mover->setHex(static_cast<std::uint16_t>(onto));
        land->addToRegion(mover, onto);
    }
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    const auto lo = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    const auto hi = [](int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); };
    const std::uint8_t H0 = lo(hex), H1 = hi(hex), O0 = lo(other), O1 = hi(other);
    const std::uint8_t A0 = lo(a->getUnitNum()), A1 = hi(a->getUnitNum()), B0 = lo(b->getUnitNum()),
                       B1 = hi(b->getUnitNum()), C0 = lo(c->getUnitNum()), C1 = hi(c->getUnitNum()),
                       D0 = lo(d->getUnitNum()), D1 = hi(d->getUnitNum());
    // The hexes in the order the units stand in the scenario: a's first.
    const std::vector<std::uint8_t> saved{2, 0, H0, H1, 2, 0, A0, A1, B0, B1, O0, O1, 2, 0, C0, C1, D0, D1};
    ASSERT_GT(part.size(), saved.size());
    ASSERT_EQ(std::vector<std::uint8_t>(part.end() - 18, part.end()), saved);
    const auto withList = [&](const std::vector<std::uint8_t>& list) { return withSharedList(part, 18, list); };
    const struct {
        const char* what;
        std::vector<std::uint8_t> list;
        std::string error; // empty: loads
    } rows[] = {
        {"a's hex twice", {2, 0, H0, H1, 2, 0, A0, A1, B0, B1, H0, H1, 2, 0, B0, B1, A0, A1},
         "the saved game names the shared hex " + std::to_string(hex) + " twice"},
        {"c's hex twice", {2, 0, O0, O1, 2, 0, C0, C1, D0, D1, O0, O1, 2, 0, C0, C1, D0, D1},
         "the saved game names the shared hex " + std::to_string(other) + " twice"},
        {"both once, the other way round", {2, 0, O0, O1, 2, 0, D0, D1, C0, C1, H0, H1, 2, 0, B0, B1, A0, A1}, ""},
        {"as saved", saved, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<std::uint8_t> before = saveLayerPart(layer);
        std::string error;
        EXPECT_EQ(loadLayerPart(layer, withList(row.list), error), row.error.empty()) << error;
        EXPECT_EQ(error, row.error);
        if (!row.error.empty()) {
            EXPECT_EQ(saveLayerPart(layer), before);
        }
    }
}

// The running state's record as a file: its version, then the units' running state as saved, the leaders'
// flags given, from version 3 the count of rampaging elephants (none), and the count of shared hexes (none
// in these battles), its length made to fit.
std::vector<std::uint8_t> withLeaderFlags(const std::vector<std::uint8_t>& file, std::uint16_t version,
                                          const std::vector<std::uint8_t>& flags) {
    constexpr std::size_t Flags = 12, Rampaging = 2, Shared = 2;
    const std::vector<std::uint8_t> tag{'V', 'S', 'T', 'A'};
    const auto at = static_cast<std::size_t>(std::find_end(file.begin(), file.end(), tag.begin(), tag.end()) -
                                             file.begin());
    std::vector<std::uint8_t> bytes(file.begin(), file.end() - Flags - Rampaging - Shared);
    bytes[at + 4] = static_cast<std::uint8_t>(version),
               bytes[at + 5] = static_cast<std::uint8_t>(version >> 8);
    bytes.insert(bytes.end(), flags.begin(), flags.end());
    if (version >= 3) bytes.insert(bytes.end(), {0, 0});
    bytes.insert(bytes.end(), {0, 0});
    const auto length = static_cast<std::uint32_t>(bytes.size() - at - 10);
    for (std::size_t k = 0; k < 4; ++k)
        bytes[at + 6 + k] = static_cast<std::uint8_t>(length >> (8 * k));
    return bytes;
}

// After the units' running state, a u16 per leader in the scenario's order says whether he is done for the
// turn (a leader's own record says so only while he gives orders); the count of rampaging elephants and
// that of shared hexes follow.
TEST_F(SavedGame, TheRunningStateSaysWhichLeadersAreDoneForTheTurnBeforeItsSharedHexes) {
    std::vector<std::string> names;
    for (Leader* leader : each(layer.getLeaders()))
        names.push_back(leader->getName());
    ASSERT_EQ(names, (std::vector<std::string>{"Vaelmoric the Bold", "Aristhon", "Melagor", "Tezhar III",
                                               "Rajavan", "Surendal"}));
    layer.findLeader(static_cast<std::uint16_t>(unitNumber("Aristhon")))->setFinished();
    layer.findLeader(static_cast<std::uint16_t>(unitNumber("Surendal")))->setFinished();
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    EXPECT_EQ(std::vector<std::uint8_t>(part.end() - 16, part.end()),
              (std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
    const std::vector<std::uint8_t> tag{'V', 'S', 'T', 'A'};
    const auto at = std::find_end(part.begin(), part.end(), tag.begin(), tag.end());
    ASSERT_NE(at, part.end());
    EXPECT_EQ(std::vector<std::uint8_t>(at + 4, at + 6), (std::vector<std::uint8_t>{3, 0}));
}

// The flags come back, each 0 or 1; any other value is refused with the leader's name and leaves the battle
// as it stood. A record of version 1, saved before there were flags, loads without them, each leader as
// his own record says (done only while giving orders); one that holds them, or of version 2 without them,
// is another battle's. Version 3 holds the rampaging elephants after them.
TEST_F(SavedGame, ALeaderDoneForTheTurnLoadsSoAndAFlagOtherThanZeroOrOneIsRefused) {
    Leader* aristhon = layer.findLeader(static_cast<std::uint16_t>(unitNumber("Aristhon")));
    Leader* surendal = layer.findLeader(static_cast<std::uint16_t>(unitNumber("Surendal")));
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    ASSERT_EQ(std::vector<std::uint8_t>(part.end() - 14, part.end()), std::vector<std::uint8_t>(14, 0));
    const std::vector<std::uint8_t> none(12, 0), second{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        both{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    const std::string ended = "the saved game's running state ends inside ";
    const auto more = [](int bytes) {
        return "the saved game's running state holds " + std::to_string(bytes) +
               " bytes more than this battle's units, leaders and hexes take";
    };
    const auto twoFor = [](const std::string& who) {
        return "the saved game holds 2 for whether " + who +
               " is done for the turn, where only 0 or 1 can be";
    };
    const struct {
        const char* what;
        std::uint16_t version;
        std::vector<std::uint8_t> flags;
        std::string error; // empty: loads
        bool aristhonDone, surendalDone;
    } rows[] = {
        {"Aristhon done", 2, second, "", true, false},
        {"Aristhon done, version 3", 3, second, "", true, false},
        {"nobody done", 2, none, "", false, false},
        {"Aristhon and Surendal done", 2, both, "", true, true},
        {"version 1 without flags", 1, {}, "", false, false},
        {"Aristhon 2", 2, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, twoFor("Aristhon"), true, true},
        {"Surendal 2", 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0}, twoFor("Surendal"), true, true},
        {"Vaelmoric the Bold 65535",
         2,
         {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "the saved game holds 65535 for whether Vaelmoric the Bold is done for the turn, where only 0 or 1 "
         "can be",
         true,
         true},
        {"version 2 without flags", 2, {}, ended + "the leaders' flags", true, true},
        // The flags one short leave the count of shared hexes cut.
        {"version 2, one flag short", 2, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, ended + "its shared hexes", true, true},
        {"version 2, one flag more", 2, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, more(2), true, true},
        {"version 1 with flags", 1, both, more(12), true, true},
        {"version 5", 5, both, "the saved game's running state is of version 5, which this game does not read", true,
         true},
        {"version 0", 0, both, "the saved game's running state is of version 0, which this game does not read", true,
         true},
    };
    // Each row loads over the battle the row before left; the refused ones over Aristhon and Surendal done.
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (!row.error.empty()) {
            aristhon->setFinished();
            surendal->setFinished();
        }
        const std::vector<std::uint8_t> before = saveLayerPart(layer);
        std::string error;
        EXPECT_EQ(loadLayerPart(layer, file(withLeaderFlags(part, row.version, row.flags)), error),
                  row.error.empty())
            << error;
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(aristhon->isFinished(), row.aristhonDone ? 1 : 0);
        EXPECT_EQ(surendal->isFinished(), row.surendalDone ? 1 : 0);
        if (!row.error.empty()) {
            EXPECT_EQ(saveLayerPart(layer), before);
        }
    }
}

// An elephant whose rampage the display still shows stands on no hex and waits for the rampage's end: the
// running state names it after the leaders' flags (a count, then its number), and a battle loaded from it
// has the beast off its hex, rampaging. A list naming a unit that is no elephant, no unit, or the beast
// twice, or cut inside, is refused and leaves the beast on its hex as it stood.
TEST_F(SavedGame, AnElephantStillRampagingIsSavedOffItsHexAndLoadsSo) {
    auto* beast = dynamic_cast<Elephant*>(layer.findCombatUnitByName("Elephant of the Line 1"));
    ASSERT_NE(beast, nullptr);
    VaelLogicalLandscape* land = layer.getVaelLandscape();
    const auto hex = static_cast<std::int16_t>(beast->getHex());
    ASSERT_TRUE(land->unitsInHex(hex).contains(beast));
    const std::vector<std::uint8_t> calm = saveLayerPart(layer);
    const auto E = static_cast<std::uint8_t>(beast->getUnitNum());
    const auto H = static_cast<std::uint8_t>(unitNumber("Taxis of Havrel"));
    ASSERT_EQ(beast->getUnitNum(), E);
    ASSERT_EQ(std::vector<std::uint8_t>(calm.end() - 4, calm.end()), (std::vector<std::uint8_t>{0, 0, 0, 0}));

    beast->resumeRampage();
    EXPECT_FALSE(land->unitsInHex(hex).contains(beast));
    const std::vector<std::uint8_t> wild = saveLayerPart(layer);
    EXPECT_EQ(std::vector<std::uint8_t>(wild.end() - 6, wild.end()), (std::vector<std::uint8_t>{1, 0, E, 0, 0, 0}));
    beast->abandonResumedRampage();
    ASSERT_FALSE(beast->isRampaging());
    ASSERT_TRUE(land->unitsInHex(hex).contains(beast));
    EXPECT_EQ(saveLayerPart(layer), calm);

    const std::string prefix = "the saved game has unit ";
    const struct {
        const char* what;
        std::vector<std::uint8_t> list;
        std::string error; // empty: loads
    } rows[] = {
        {"Havrel", {1, 0, H, 0, 0, 0}, prefix + std::to_string(H) + " rampaging, which is no elephant of this battle"},
        {"unit 900", {1, 0, 0x84, 0x03, 0, 0}, prefix + "900 rampaging, which is no elephant of this battle"},
        {"the beast twice", {2, 0, E, 0, E, 0, 0, 0},
         prefix + std::to_string(E) + " rampaging, which it names twice"},
        {"cut inside", {1, 0}, "the saved game's running state ends inside its rampaging elephants"},
        {"the beast", {1, 0, E, 0, 0, 0}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string error;
        EXPECT_EQ(loadLayerPart(layer, withSharedList(calm, 4, row.list), error), row.error.empty()) << error;
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(beast->isRampaging(), row.error.empty());
        EXPECT_EQ(land->unitsInHex(hex).contains(beast), !row.error.empty());
        EXPECT_EQ(beast->getHex(), hex);
    }
    EXPECT_EQ(saveLayerPart(layer), wild);
}

TEST_F(SavedGame, CombatMembersThatMatchNothingAreSkippedAndEmptySidesDropTheCombat) {
    std::vector<std::uint8_t> part = saveLayerPart(layer);
    part = withoutRunningState(part);
    part.resize(part.size() - 2); // the combat count
    const std::uint8_t havrel = static_cast<std::uint8_t>(unitNumber("Taxis of Havrel"));
    const std::uint8_t elephant = static_cast<std::uint8_t>(unitNumber("Elephant of the Line 1"));
    part.insert(part.end(), {2, 0,
                             // attackers 900 and Havrel, defender the elephant
                             2, 0, 0x84, 0x03, havrel, 0, 1, 0, elephant, 0, 0, 0, 0, 0, 0, 0, 0xF2, 0x03,
                             // an attacker that is no unit
                             1, 0, 0x84, 0x03, 1, 0, elephant, 0, 0, 0, 0, 0, 0, 0, 0xF3, 0x03});
    std::string error;
    ASSERT_TRUE(loadLayerPart(layer, file(part), error)) << error;
    ASSERT_EQ(layer.combats().count(), 1);
    CombatStruct kept;
    layer.combats().first(kept);
    EXPECT_EQ(kept.attackers.count(), 1);
    EXPECT_EQ(kept.hex, 1010);
}

TEST_F(SavedGame, ACombatKeepsItsLeadersAndMovedFlagsByteForByte) {
    const std::uint8_t havrel = static_cast<std::uint8_t>(unitNumber("Taxis of Havrel"));
    const std::uint8_t melagor = static_cast<std::uint8_t>(unitNumber("Melagor"));
    const std::uint8_t elephant = static_cast<std::uint8_t>(unitNumber("Elephant of the Line 1"));
    const std::uint8_t tezhar = static_cast<std::uint8_t>(unitNumber("Tezhar III"));
    Combat* second = nullptr;
    for (Combat* unit : each(layer.getHomeUnits()))
        if (unit->getUnitNum() != havrel && !second) second = unit;
    ASSERT_NE(second, nullptr);
    const std::uint8_t other = static_cast<std::uint8_t>(second->getUnitNum());
    // Two attackers, the first of which charged, one defender with his leader beside him, hex 1010.
    // clang-format off
    const std::vector<std::uint8_t> combatBytes{1, 0,                   // one combat
                                                2, 0, havrel, 0, other, 0, // attackers
                                                1, 0, elephant, 0,      // defenders
                                                1, 0, melagor, 0,       // attacking leaders
                                                1, 0, tezhar, 0,        // defending leaders
                                                2, 0, 1, 0, 0, 0,       // moved flags 1, 0
                                                0xF2, 0x03};
    // clang-format on
    CombatStruct combat;
    combat.attackers.append(layer.findCombatUnit(havrel));
    combat.attackers.append(second);
    combat.defenders.append(layer.findCombatUnit(elephant));
    combat.attackingLeaders.append(layer.findLeader(melagor));
    combat.defendingLeaders.append(layer.findLeader(tezhar));
    combat.moved.append(1);
    combat.moved.append(0);
    combat.hex = 1010;
    layer.combats().append(combat);
    std::vector<std::uint8_t> expected{0, 0, 0, 0, 0};
    expected.insert(expected.end(), combatBytes.begin(), combatBytes.end());
    EXPECT_EQ(tailBeforeRunningState(saveLayerPart(layer), expected.size()), expected);

    // The same bytes written by hand into a battle with no combat rebuild all five lists.
    layer.combats().clear();
    std::vector<std::uint8_t> part = saveLayerPart(layer);
    part = withoutRunningState(part);
    part.resize(part.size() - 2);
    part.insert(part.end(), combatBytes.begin(), combatBytes.end());
    std::string error;
    ASSERT_TRUE(loadLayerPart(layer, file(part), error)) << error;
    ASSERT_EQ(layer.combats().count(), 1);
    CombatStruct loaded;
    layer.combats().first(loaded);
    EXPECT_TRUE(loaded == combat);
    Leader* leader = nullptr;
    ASSERT_EQ(loaded.defendingLeaders.count(), 1);
    loaded.defendingLeaders.first(leader);
    EXPECT_EQ(leader->getName(), "Tezhar III");
    ASSERT_EQ(loaded.attackingLeaders.count(), 1);
    loaded.attackingLeaders.first(leader);
    EXPECT_EQ(leader->getName(), "Melagor");
    EXPECT_TRUE(loaded.moved == (List<short>() << 1 << 0));
}

TEST_F(SavedGame, AnAttackerThatMatchesNoUnitTakesItsMovedFlagAlong) {
    std::vector<std::uint8_t> part = saveLayerPart(layer);
    part = withoutRunningState(part);
    part.resize(part.size() - 2);
    const std::uint8_t havrel = static_cast<std::uint8_t>(unitNumber("Taxis of Havrel"));
    const std::uint8_t elephant = static_cast<std::uint8_t>(unitNumber("Elephant of the Line 1"));
    // Attackers 900 (no unit, charged) and Havrel (did not), a leader number that is nobody's.
    // clang-format off
    part.insert(part.end(), {1, 0, 2, 0, 0x84, 0x03, havrel, 0, 1, 0, elephant, 0, 0, 0, 1, 0, 0x84, 0x03,
                             2, 0, 1, 0, 0, 0, 0xF2, 0x03});
    // clang-format on
    std::string error;
    ASSERT_TRUE(loadLayerPart(layer, file(part), error)) << error;
    ASSERT_EQ(layer.combats().count(), 1);
    CombatStruct kept;
    layer.combats().first(kept);
    EXPECT_EQ(kept.attackers.count(), 1);
    EXPECT_TRUE(kept.moved == (List<short>() << 0));
    EXPECT_TRUE(kept.defendingLeaders.isEmpty());
}

TEST_F(SavedGame, BothComputerSidesAreAnnouncedHomeFirstThenThePlanPath) {
    sides = {true, true};
    Roll::script({4, 4});
    LeaderControl(layer, team);
    Roll::endScript();
    std::vector<std::uint8_t> part = saveLayerPart(layer);
    std::string trace;
    {
        TraceCapture capture;
        std::string error;
        ASSERT_TRUE(loadLayerPart(layer, file(part), error)) << error;
        trace = capture.text();
    }
    const std::size_t home = trace.find("The home side is playing the A/I.");
    const std::size_t visitor = trace.find("The visitor side is playing the A/I.");
    const std::size_t path = trace.find("The A/I file full path is ");
    ASSERT_NE(home, std::string::npos);
    ASSERT_NE(visitor, std::string::npos);
    ASSERT_NE(path, std::string::npos);
    EXPECT_LT(home, visitor);
    EXPECT_LT(visitor, path);
    EXPECT_NE(trace.find("ghatmar_v1.pln", path), std::string::npos);
}

TEST_F(SavedGame, FlagsOfEightOrMoreAreRefusedAndTheHomePlanComesFromTheFile) {
    // Without computer sides the flags byte follows the units and an empty list of computer leaders;
    // any flags without the two-plan bit leave the rest of the file the same length.
    const std::vector<std::uint8_t> plain = saveLayerPart(layer);
    const std::size_t plainFlagsAt = unitBytes().size() + 2;
    ASSERT_EQ(plain[plainFlagsAt], 0);
    for (std::uint8_t flags : {std::uint8_t(8), std::uint8_t(9), std::uint8_t(11), std::uint8_t(0x80)}) {
        SCOPED_TRACE("flags " + std::to_string(flags));
        std::vector<std::uint8_t> bad = plain;
        bad[plainFlagsAt] = flags;
        std::string error;
        EXPECT_FALSE(loadLayerPart(layer, file(bad), error));
        EXPECT_EQ(error, "the saved game holds " + std::to_string(flags) +
                             " for the sides the computer plays, where only 0 to 7 can be");
        EXPECT_EQ(saveLayerPart(layer), plain);
    }

    sides = {true, true};
    Roll::script({4, 4});
    LeaderControl(layer, team);
    Roll::endScript();
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    ASSERT_EQ(part[unitBytes().size() + 2 + 6 * 2], 7);
    // 7 is the last value taken: both sides computer-played, each with a plan of its own, the home
    // side's from the second name in the file.
    layer.setOpponent(false, nullptr);
    layer.setOpponent(true, nullptr);
    std::string error;
    ASSERT_TRUE(loadLayerPart(layer, file(part), error)) << error;
    ASSERT_TRUE(opponent(false) && opponent(true));
    EXPECT_EQ(opponent(false)->compiler().scriptName(), "CrossFirst");
    EXPECT_EQ(opponent(true)->compiler().scriptName(), "ElephantsLead");
    EXPECT_TRUE(opponent(false)->program().isCompiled());
}

// A computer leader saved in the middle of his orders: the running state's version 4 follows the shared
// hexes with his orders under way (his own spent orders and command hexes, then what his opponent had given,
// waited for and queued), and the loaded battle goes on with them rather than handing him his orders anew.
class ComputerOrdersSaved : public SavedGame {
protected:
    void SetUp() override {
        SavedGame::SetUp();
        LeaderControl(layer, team); // the visitor (Tezhar III, Rajavan, Surendal) to the computer
        tezhar = layer.findLeaderByName("Tezhar III");
        ASSERT_NE(tezhar, nullptr);
        activate(3); // game control's fourth leader
    }
    // Game control, made for the battle, with the leader at that index active.
    void activate(std::int16_t index) {
        GameControl* control = layer.getGameControl() ? layer.getGameControl() : layer.CreateGameControl(10);
        ASSERT_NE(control, nullptr);
        SuperString block;
        control->write(block);
        std::vector<char> bytes(static_cast<std::size_t>(block.length()));
        block.peek(bytes.data(), 0, block.length());
        const std::size_t at = static_cast<std::size_t>(control->getLeaderCount()) * 2 + 2;
        bytes[at] = static_cast<char>(index);
        bytes[at + 1] = 0;
        SuperString changed;
        changed.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        ASSERT_TRUE(control->read(changed));
        ASSERT_EQ(control->getActiveLeader(), index);
    }
    // The record's tail for Tezhar III's orders, by hand: his own part (orders spent, the rider ordered last,
    // no group move, no facing, no command hexes), then the opponent's (orders left, the rider ordered
    // last, not finished, no idle pass, the group walk not begun, one order given, no box shown, no cursor
    // and no current unit, the units it waits for, none done, its messages queued), then the pause flag.
    std::vector<std::uint8_t> ordersTail(std::uint8_t count, std::uint8_t leader, std::uint8_t used,
                                         std::uint8_t left, std::uint8_t moving,
                                         const std::vector<std::uint8_t>& queued = {},
                                         std::uint8_t pause = 0) const {
        std::vector<std::uint8_t> t{count, 0, leader, 0, used, 0, H, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0, 0, 0, 0, 0, 0};
        t.insert(t.end(), {left, 0, H, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
        t.insert(t.end(), {1, 0, moving, 0, 0, 0, static_cast<std::uint8_t>(queued.size()), 0});
        for (std::uint8_t q : queued)
            t.insert(t.end(), {q, 0});
        t.insert(t.end(), {pause, 0});
        return t;
    }
    // The part with the running state's version 4 and the tail after its shared hexes, as a file.
    std::vector<std::uint8_t> withOrders(const std::vector<std::uint8_t>& part,
                                         const std::vector<std::uint8_t>& tail) const {
        std::vector<std::uint8_t> bytes = part;
        const std::vector<std::uint8_t> tag{'V', 'S', 'T', 'A'};
        const auto at = std::find_end(bytes.begin(), bytes.end(), tag.begin(), tag.end());
        at[4] = 4;
        at[5] = 0;
        return withSharedList(bytes, 0, tail);
    }
    Leader* tezhar = nullptr;
    std::uint8_t H = 0; // the unit ordered last, whose move is still shown
};

TEST_F(ComputerOrdersSaved, LoadIntoHisResumedActivationAndAreWrittenBackAfterTheSharedHexes) {
    Group* group = layer.findGroup(tezhar->getLeaderId());
    ASSERT_NE(group, nullptr);
    Combat* rider = nullptr;
    for (VaelUnit* unit : each(group->units))
        if (!rider) rider = dynamic_cast<Combat*>(unit);
    ASSERT_NE(rider, nullptr);
    H = static_cast<std::uint8_t>(rider->getUnitNum());
    ASSERT_EQ(rider->getUnitNum(), H);
    ASSERT_EQ(tezhar->getInitiative(), 5);
    // Nothing under way: version 3, ending with the shared hexes as before there were orders to keep.
    const std::vector<std::uint8_t> idle = saveLayerPart(layer);
    ASSERT_EQ(std::vector<std::uint8_t>(idle.end() - 4, idle.end()), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    const std::vector<std::uint8_t> tag{'V', 'S', 'T', 'A'};
    const auto was = std::find_end(idle.begin(), idle.end(), tag.begin(), tag.end());
    ASSERT_NE(was, idle.end());
    EXPECT_EQ(std::vector<std::uint8_t>(was + 4, was + 6), (std::vector<std::uint8_t>{3, 0}));

    const auto T = static_cast<std::uint8_t>(tezhar->getUnitNum());
    const auto R = static_cast<std::uint8_t>(unitNumber("Rajavan"));
    const std::vector<std::uint8_t> tail = ordersTail(1, T, 1, 4, H);
    const std::string who = "the saved game has ";
    const struct {
        const char* what;
        std::vector<std::uint8_t> tail;
        std::string error; // empty: loads
    } rows[] = {
        {"two leaders", ordersTail(2, T, 1, 4, H), who + "2 computer leaders giving orders at once, where one at most can"},
        {"Rajavan, not active", ordersTail(1, R, 1, 4, H),
         who + "Rajavan giving the computer's orders, who is not the leader game control has active"},
        {"unit 200", ordersTail(1, 200, 1, 4, H),
         who + "unit 200 giving the computer's orders, which is no leader of this battle"},
        {"6 orders spent of 5", ordersTail(1, T, 6, 4, H), who + "Tezhar III spend 6 orders of his 5"},
        {"6 orders left of 5", ordersTail(1, T, 1, 6, H),
         "the saved game leaves Tezhar III 6 of the computer's orders, where he has 5"},
        {"waits for unit 200", ordersTail(1, T, 1, 4, 200),
         "the saved game has the computer's orders wait for unit 200, which is no unit of this battle"},
        {"message 3 queued", ordersTail(1, T, 1, 4, H, {3}),
         "the saved game queues the computer's message 3, which is none of his orders'"},
        {"pause and orders", ordersTail(1, T, 1, 4, H, {}, 1),
         "the saved game has the computer's orders under way and the activation past them at once"},
        {"pause flag 2", ordersTail(1, T, 1, 4, H, {}, 2),
         "the saved game holds 2 for whether the activation stands in its pause after the combats, where "
         "only 0 or 1 can be"},
        {"cut inside", std::vector<std::uint8_t>(tail.begin(), tail.end() - 3),
         "the saved game is cut short or does not belong to this battle"},
        {"5 spent, none left, both messages queued", ordersTail(1, T, 5, 0, H, {1, 2}), ""},
        {"as saved", tail, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<std::uint8_t> before = saveLayerPart(layer);
        std::string error;
        EXPECT_EQ(loadLayerPart(layer, withOrders(idle, row.tail), error), row.error.empty()) << error;
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(tezhar->resumesComputerOrders(), row.error.empty());
        if (!row.error.empty()) {
            EXPECT_EQ(saveLayerPart(layer), before);
        }
    }
    // Loaded, the orders wait for his resumed activation, and a save meanwhile keeps them as they came.
    ASSERT_TRUE(layer.resumedComputerOrders().has_value());
    EXPECT_EQ(layer.resumedComputerOrders()->ordersLeft, 4);
    EXPECT_EQ(tezhar->getOrdersUsed(), 1);
    const std::vector<std::uint8_t> loaded = saveLayerPart(layer);
    ASSERT_GE(loaded.size(), tail.size());
    EXPECT_EQ(std::vector<std::uint8_t>(loaded.end() - static_cast<std::ptrdiff_t>(tail.size()), loaded.end()), tail);

    // His resumed activation goes on with them: neither handed anew nor his group's cohesion restored
    // again; the opponent waits for the rider's move, and a save now writes them as they were saved.
    LeaderActivated(layer, "Tezhar III", ActivationKind::Resumed);
    VaelAI* ai = opponent(true);
    ASSERT_NE(ai, nullptr);
    EXPECT_EQ(ai->ordersLeft(), 4);
    EXPECT_EQ(ai->lastOrderedUnit(), H);
    EXPECT_EQ(ai->ordersGiven(), 1);
    EXPECT_TRUE(ai->movingUnits().contains(static_cast<short>(H)));
    EXPECT_EQ(tezhar->getOrdersUsed(), 1);
    EXPECT_FALSE(tezhar->resumesComputerOrders());
    EXPECT_FALSE(layer.resumedComputerOrders().has_value());
    EXPECT_EQ(saveLayerPart(layer), loaded);
}

} // namespace
} // namespace vael::test
