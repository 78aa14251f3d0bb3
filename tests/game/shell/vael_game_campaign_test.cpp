// The campaign: its file, its saved record against hand-written bytes, its answers to the logical layer,
// the road from province to province, and a campaign played headless with the forged data: its first
// battle to the end with the computer on both sides, the next one begun, saved and resumed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "battle_doubles.h"
#include "framework/core/asynchronous_bus.h"
#include "framework/core/container.h"
#include "framework/core/list_walk.h"
#include "game/flow/flow_records.h"
#include "game/flow/game_control.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/campaign.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"
#include "support/bus_recorder.h"
#include "support/data_home.h"
#include "support/shell/run_until.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Five provinces in a chain with a fork: 1 -> 4; 4 wins to 3 and falls back to 2; 2 wins back to 4; 3
// wins to 5 and falls back to 4; 5 ends it.
const char* const chain = "title The March\n"
                          "start 1\n"
                          "province 1 0 0 A.SCN 4 0 First\n"
                          "province 4 1 1 B.SCN 3 2 Fourth\n"
                          "province 2 2 0 C.SCN 4 0 Second\n"
                          "province 3 1 2 D.SCN 5 4 Third\n"
                          "province 5 50 2 E.SCN 0 3 Fifth Land\n"
                          "outline 1 0 0 10 0 10 10\noutline 4 0 0 10 0 10 10\noutline 2 0 0 10 0 10 10\n"
                          "outline 3 0 0 10 0 10 10\noutline 5 0 0 599 447 10 10\n"
                          "label 1 1 1\nlabel 4 2 2\nlabel 2 3 3\nlabel 3 4 4\nlabel 5 599 447\n";

CampaignDefinition chainDefinition() {
    CampaignDefinition d;
    std::string error;
    EXPECT_TRUE(parseCampaign(chain, d, error)) << error;
    return d;
}

TEST(CampaignFile, ReadsEveryProvinceWithItsGarrisonsBattleWaysOnAndPlaceOnTheMap) {
    const CampaignDefinition d = chainDefinition();
    EXPECT_EQ(d.title, "The March");
    EXPECT_EQ(d.start, 1);
    ASSERT_EQ(d.provinces.size(), 5u);
    const CampaignProvince* fifth = d.find(5);
    ASSERT_NE(fifth, nullptr);
    CampaignProvince expected;
    expected.number = 5, expected.name = "Fifth Land", expected.scenario = "E.SCN";
    expected.infantryGarrison = 50, expected.cavalryGarrison = 2, expected.onWin = 0, expected.onLoss = 3;
    expected.label = Point(599, 447);
    expected.outline = {Point(0, 0), Point(599, 447), Point(10, 10)};
    EXPECT_EQ(*fifth, expected);
    EXPECT_EQ(d.find(6), nullptr);
    EXPECT_EQ(d.find(0), nullptr);
}

TEST(CampaignFile, ABadFileIsRefusedNamingItsLineAndLeavesTheDefinitionAsItWas) {
    const std::string one =
        "title T\nstart 1\nprovince 1 0 0 A.SCN 0 0 One\noutline 1 0 0 1 0 1 1\nlabel 1 0 0\n";
    const struct {
        const char* what;
        std::string text;
        std::string error; // empty: read
    } rows[] = {
        {"the smallest campaign", one, ""},
        {"province 99",
         "title T\nstart 99\nprovince 99 0 0 A.SCN 0 0 N\noutline 99 0 0 1 0 1 1\nlabel 99 0 0\n", ""},
        {"province 100", "title T\nstart 1\nprovince 100 0 0 A.SCN 0 0 N\n",
         "line 3: a province's number runs from 1 to 99"},
        {"province 0", "province 0 0 0 A.SCN 0 0 N\n", "line 1: a province's number runs from 1 to 99"},
        {"garrison 51", "province 1 51 0 A.SCN 0 0 N\n", "line 1: a garrison runs from 0 to 50 units"},
        {"garrison -1", "province 1 0 -1 A.SCN 0 0 N\n", "line 1: a garrison runs from 0 to 50 units"},
        {"a path for a battle", "province 1 0 0 ../A.SCN 0 0 N\n",
         "line 1: the battle ../A.SCN is not a file name of the scenario directory"},
        {"the folder above for a battle", "province 1 0 0 .. 0 0 N\n",
         "line 1: the battle .. is not a file name of the scenario directory"},
        {"the folder itself for a battle", "province 1 0 0 . 0 0 N\n",
         "line 1: the battle . is not a file name of the scenario directory"},
        {"a back-slash path for a battle", "province 1 0 0 ..\\A.SCN 0 0 N\n",
         "line 1: the battle ..\\A.SCN is not a file name of the scenario directory"},
        {"a battle whose name begins with dots",
         "title T\nstart 1\nprovince 1 0 0 ...SCN 0 0 One\noutline 1 0 0 1 0 1 1\nlabel 1 0 0\n", ""},
        {"no name", "province 1 0 0 A.SCN 0 0\n",
         "line 1: a province needs its number, garrisons, battle, ways on and name"},
        {"twice", one + "province 1 0 0 A.SCN 0 0 Again\n", "line 6: province 1 comes twice"},
        {"a way on to 100", "province 1 0 0 A.SCN 100 0 N\n",
         "line 1: a win or a loss leads to a province from 1 to 99, or 0 to end the campaign"},
        {"a way on to nowhere",
         "title T\nstart 1\nprovince 1 0 0 A.SCN 2 0 One\noutline 1 0 0 1 0 1 1\nlabel 1 0 0\n",
         "province 1 leads to province 2, which is not defined"},
        {"x 600", "province 1 0 0 A.SCN 0 0 N\noutline 1 0 0 600 0 1 1\n",
         "line 2: the point 600 0 lies off the campaign map"},
        {"y 448", "province 1 0 0 A.SCN 0 0 N\nlabel 1 0 448\n",
         "line 2: the point 0 448 lies off the campaign map"},
        {"two points", "province 1 0 0 A.SCN 0 0 N\noutline 1 0 0 1 1\n",
         "line 2: an outline is three points or more: x y x y x y"},
        {"odd coordinates", "province 1 0 0 A.SCN 0 0 N\noutline 1 0 0 1 1 2 2 3\n",
         "line 2: an outline is three points or more: x y x y x y"},
        {"a label before its province", "label 1 0 0\n", "line 1: province 1 is not defined above its label"},
        {"two labels", one + "label 1 1 1\n", "line 6: province 1 has two labels"},
        {"no label", "title T\nstart 1\nprovince 1 0 0 A.SCN 0 0 One\noutline 1 0 0 1 0 1 1\n",
         "province 1 has no outline or no label on the map"},
        {"no start", "title T\nprovince 1 0 0 A.SCN 0 0 One\noutline 1 0 0 1 0 1 1\nlabel 1 0 0\n",
         "the campaign starts in no province of its own"},
        {"a start elsewhere",
         "title T\nstart 2\nprovince 1 0 0 A.SCN 0 0 One\noutline 1 0 0 1 0 1 1\nlabel 1 0 0\n",
         "line 2: the campaign starts in no province of its own"},
        {"no title", "start 1\nprovince 1 0 0 A.SCN 0 0 One\noutline 1 0 0 1 0 1 1\nlabel 1 0 0\n",
         "the campaign has no title"},
        {"empty", "", "the campaign has no province"},
        {"an unknown word", "river 1 2\n", "line 1: unknown word river"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        CampaignDefinition d = chainDefinition();
        const CampaignDefinition before = d;
        std::string error;
        const bool read = parseCampaign(r.text, d, error);
        EXPECT_EQ(read, r.error.empty()) << error;
        if (r.error.empty()) continue;
        if (r.error.starts_with("line"))
            EXPECT_EQ(error, r.error);
        else
            EXPECT_NE(error.find(r.error), std::string::npos) << error;
        EXPECT_EQ(d.provinces, before.provinces);
        EXPECT_EQ(d.title, before.title);
    }
}

TEST(CampaignFile, TheDataSetsCampaignReadsAndBeginsAtGhatmar) {
    CampaignDefinition d;
    std::string error;
    ASSERT_TRUE(readCampaignFile(std::string(VAEL_BUILD_DATA_DIR) + "/campaign.txt", d, error)) << error;
    EXPECT_EQ(d.title, "The March of Vaelmoric");
    ASSERT_NE(d.find(d.start), nullptr);
    EXPECT_EQ(d.find(d.start)->name, "Ghatmar Fords");
    EXPECT_EQ(d.find(d.start)->onWin, 4);
    // A battle of its own in every province.
    const std::map<std::int32_t, std::string> battles{
        {1, "GHATMAR.SCN"}, {2, "ARDHUN.SCN"}, {3, "KORVATH.SCN"}, {4, "THRENMOOR.SCN"}, {5, "VELMESK.SCN"}};
    ASSERT_EQ(d.provinces.size(), 5u);
    for (const CampaignProvince& p : d.provinces)
        EXPECT_EQ(p.scenario, battles.at(p.number)) << p.name;
    EXPECT_FALSE(readCampaignFile("/no/such/campaign.txt", d, error));
    EXPECT_EQ(error, "cannot open /no/such/campaign.txt: No such file or directory");
}

// The record of a campaign in province 4, come from 1 after a won battle there.
const Bytes wonFirst{'C', 'M', 'P', 'N', 1, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1};

TEST(CampaignRecord, IsWrittenByteForByte) {
    CampaignState s;
    s.province = 4, s.lastProvince = 1, s.battles = {{1, true}};
    EXPECT_EQ(writeCampaignRecord(s), wonFirst);
    CampaignState lost;
    lost.province = 2, lost.lastProvince = 4, lost.outcome = CampaignState::Lost;
    lost.battles = {{1, true}, {4, false}, {2, false}};
    EXPECT_EQ(writeCampaignRecord(lost), (Bytes{'C', 'M', 'P', 'N', 1, 0, 2, 0, 0, 0, 4, 0, 0, 0, 2, 3,
                                                0,   1,   0,   0,   0, 1, 4, 0, 0, 0, 0, 2, 0, 0, 0, 0}));
    EXPECT_EQ(writeCampaignRecord(CampaignState{}).size(), campaign_record::FixedSize);
}

// A campaign longer than the record holds keeps its latest battles: of 1002 battles, the last 1000.
TEST(CampaignRecord, ALongCampaignKeepsItsLatestBattles) {
    CampaignState s;
    s.province = 4, s.lastProvince = 1;
    for (int i = 0; i < 1002; ++i)
        s.battles.push_back({i % 5 + 1, i % 2 == 1});
    const Bytes record = writeCampaignRecord(s);
    ASSERT_EQ(record.size(), campaign_record::FixedSize + 1000 * campaign_record::BattleSize);
    // The count, 1000 = 0x03E8, then battle 2 (province 3, lost), battle 3 (province 4, won), ...
    EXPECT_EQ(Bytes(record.begin() + 15, record.begin() + 27),
              (Bytes{0xE8, 3, 3, 0, 0, 0, 0, 4, 0, 0, 0, 1}));
    // ... to battle 1001 (province 2, won).
    EXPECT_EQ(Bytes(record.end() - 5, record.end()), (Bytes{2, 0, 0, 0, 1}));
    // Exactly as many as the record holds are all kept.
    s.battles.erase(s.battles.begin(), s.battles.begin() + 2);
    EXPECT_EQ(writeCampaignRecord(s), record);
    CampaignState read;
    std::string error;
    ASSERT_TRUE(readCampaignRecord(record.data(), record.size(), chainDefinition(), read, error)) << error;
    EXPECT_EQ(read.battles.size(), 1000u);
    EXPECT_EQ(read.battles.front().province, 3);
    EXPECT_EQ(read.battles.back().province, 2);
}

TEST(CampaignRecord, ReadsTheHandWrittenBytesAndRefusesEveryBadOne) {
    const CampaignDefinition d = chainDefinition();
    CampaignState s;
    std::string error;
    ASSERT_TRUE(readCampaignRecord(wonFirst.data(), wonFirst.size(), d, s, error)) << error;
    EXPECT_EQ(s.province, 4);
    EXPECT_EQ(s.lastProvince, 1);
    EXPECT_EQ(s.outcome, CampaignState::Going);
    EXPECT_EQ(s.battles, (std::vector<CampaignBattle>{{1, true}}));
    EXPECT_EQ(writeCampaignRecord(s), wonFirst);

    auto with = [](std::size_t at, std::uint8_t value) {
        Bytes b = wonFirst;
        b[at] = value;
        return b;
    };
    Bytes longer = wonFirst;
    longer.push_back(0);
    const struct {
        const char* what;
        Bytes bytes;
        std::string error;
    } rows[] = {
        {"another tag", with(3, 'X'), "the saved game's campaign record is not one"},
        {"version 2", with(4, 2), "the saved game's campaign record is of an unknown version"},
        {"province 6", with(6, 6),
         "the saved game's campaign stands in province 6, which the campaign does not have"},
        {"province 0", with(6, 0),
         "the saved game's campaign stands in province 0, which the campaign does not have"},
        {"from province 5", with(10, 5), ""},
        {"from province 6", with(10, 6),
         "the saved game's campaign came from province 6, which the campaign does not have"},
        {"outcome 2", with(14, 2), ""},
        {"outcome 3", with(14, 3), "the saved game's campaign ends in no known way"},
        {"won 2", with(21, 2), "the saved game's campaign has a battle the campaign does not have"},
        {"a battle in province 9", with(17, 9),
         "the saved game's campaign has a battle the campaign does not have"},
        {"one battle too many said", with(15, 2), "the saved game's campaign record is cut short"},
        {"a byte over", longer, "the saved game's campaign record runs on past its end"},
        {"769 battles said, one there", with(16, 0x03), "the saved game's campaign record is cut short"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        CampaignState read = s;
        error.clear();
        const bool ok = readCampaignRecord(r.bytes.data(), r.bytes.size(), d, read, error);
        EXPECT_EQ(ok, r.error.empty()) << error;
        EXPECT_EQ(error, r.error);
        if (!ok) {
            EXPECT_EQ(read, s); // untouched
        }
    }
    Bytes many(campaign_record::FixedSize);
    std::copy(wonFirst.begin(), wonFirst.begin() + 15, many.begin());
    many[15] = 0xE9, many[16] = 0x03; // 1001
    EXPECT_FALSE(readCampaignRecord(many.data(), many.size(), d, s, error));
    EXPECT_EQ(error, "the saved game's campaign has more battles than a campaign keeps");
    many[15] = 0xE8; // 1000, none there
    EXPECT_FALSE(readCampaignRecord(many.data(), many.size(), d, s, error));
    EXPECT_EQ(error, "the saved game's campaign record is cut short");
    // Every shorter cut is refused.
    for (std::size_t n = 0; n < wonFirst.size(); ++n) {
        SCOPED_TRACE("cut to " + std::to_string(n));
        EXPECT_FALSE(readCampaignRecord(wonFirst.data(), n, d, s, error));
    }
}

// A saved game's first bytes: the header, two closed views, the scenario "A.SCN", then the layer's part
// at the offset given (its bytes are not looked at here).
Bytes savedGame(const Bytes& between, std::uint32_t layerAt) {
    Bytes b{0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0,   0,   20,  0,   0,  0,
            0, 0, 0, 0, 10, 0, 0, 0, 5, 0, 'A', '.', 'S', 'C', 'N'};
    b.insert(b.end(), between.begin(), between.end());
    for (int i = 0; i < 4; ++i)
        b[8 + i] = static_cast<std::uint8_t>(layerAt >> (8 * i));
    b.insert(b.end(), {9, 9, 9});
    return b;
}

TEST(CampaignRecord, LiesBetweenTheScenarioAndTheLayersPartOfASavedGame) {
    const CampaignDefinition d = chainDefinition();
    const struct {
        const char* what;
        Bytes file;
        bool ok, found;
        std::string error;
    } rows[] = {
        {"outside a campaign", savedGame({}, 31), true, false, ""},
        {"in a campaign", savedGame(wonFirst, 31 + 22), true, true, ""},
        {"the layer's part one byte early", savedGame(wonFirst, 31 + 21), false, true,
         "the saved game's campaign record is cut short"},
        {"the layer's part inside the scenario", savedGame({}, 30), false, false,
         "the saved game's parts overlap or lie past its end"},
        {"the layer's part past the end", savedGame({}, 35), false, false,
         "the saved game's parts overlap or lie past its end"},
        {"the layer's part at the very end", savedGame({}, 34), false, true,
         "the saved game's campaign record is not one"},
        {"no scenario", Bytes(16), false, false, "the saved game does not say which battle it is"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        CampaignState s;
        bool found = !r.found;
        std::string error;
        EXPECT_EQ(readSavedCampaign(r.file, d, s, found, error), r.ok) << error;
        EXPECT_EQ(found, r.found);
        EXPECT_EQ(error, r.error);
        if (r.ok && r.found) {
            EXPECT_EQ(writeCampaignRecord(s), wonFirst);
        }
    }
}

// The campaign on a bus of its own, asked as the logical layer asks it.
class CampaignOnABus : public ::testing::Test {
protected:
    CampaignOnABus() {
        campaign.setDefinition(chainDefinition());
        bus.attach(app);
        campaign.attach(bus);
    }
    ~CampaignOnABus() override {
        campaign.detach();
        bus.detach();
    }
    std::int32_t garrison(std::uint32_t kind) {
        Container<UNIT_TYPE> box(static_cast<UNIT_TYPE>(kind));
        std::unique_ptr<ContainerBase> reply(bus.sendNowNamed("GarrisonLevel", &box));
        auto* value = dynamic_cast<Container<short>*>(reply.get());
        return value ? *value->valuePtr() : -1;
    }
    std::int32_t province(const char* which) {
        std::unique_ptr<ContainerBase> reply(bus.sendNowNamedEmpty(which));
        auto* value = dynamic_cast<Container<PROVINCE>*>(reply.get());
        return value ? *value->valuePtr() : -1;
    }
    void ends(bool won) {
        Container<short> homeWon(won ? 1 : 0);
        bus.sendNamed("GameEnded", &homeWon);
    }
    TestApplication app;
    AsynchronousBus bus{"Battle"};
    Campaign campaign;
};

TEST_F(CampaignOnABus, AnswersTheGarrisonsAndProvincesOnlyInABattleOfItsOwn) {
    // No answer outside a battle: before the campaign, and begun but not fighting.
    EXPECT_EQ(garrison(0), -1);
    EXPECT_EQ(province("GetProvince"), -1);
    ASSERT_TRUE(campaign.begin());
    EXPECT_EQ(province("GetProvince"), -1);
    campaign.resume(CampaignState{5, 3, CampaignState::Going, {}});
    campaign.battleBegins();
    const struct {
        std::uint32_t kind;
        std::int32_t level;
    } rows[] = {{0, 50}, {1, 2}, {2, 0}, {0xFFFFFFFFu, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE("kind " + std::to_string(r.kind));
        EXPECT_EQ(garrison(r.kind), r.level);
    }
    EXPECT_EQ(province("GetProvince"), 5);
    EXPECT_EQ(province("GetLastProvince"), 3);
    campaign.battleClosed();
    EXPECT_EQ(garrison(1), -1);
    EXPECT_EQ(province("GetLastProvince"), -1);
}

TEST_F(CampaignOnABus, EachBattlesEndLeadsWhereTheFileSays) {
    const struct {
        const char* what;
        std::vector<bool> results;
        std::int32_t province, last;
        CampaignState::Outcome outcome;
    } rows[] = {
        {"lost at once", {false}, 1, 0, CampaignState::Lost},
        {"won the first", {true}, 4, 1, CampaignState::Going},
        {"then lost", {true, false}, 2, 4, CampaignState::Going},
        {"back from the fall", {true, false, true}, 4, 2, CampaignState::Going},
        {"to the end", {true, true, true, true}, 5, 3, CampaignState::Won},
        {"back from the last", {true, true, true, false}, 3, 5, CampaignState::Going},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(campaign.begin());
        for (bool won : r.results) {
            campaign.battleBegins();
            ASSERT_TRUE(campaign.inBattle());
            ends(won);
            EXPECT_FALSE(campaign.inBattle());
            EXPECT_TRUE(campaign.resultsPending());
            campaign.resultsSeen();
        }
        EXPECT_EQ(campaign.state().province, r.province);
        EXPECT_EQ(campaign.state().lastProvince, r.last);
        EXPECT_EQ(campaign.state().outcome, r.outcome);
        EXPECT_EQ(campaign.state().battles.size(), r.results.size());
        // Over, no battle of it begins.
        campaign.battleBegins();
        EXPECT_EQ(campaign.inBattle(), r.outcome == CampaignState::Going);
        campaign.battleClosed();
    }
    // A battle that is not the campaign's moves nothing.
    ASSERT_TRUE(campaign.begin());
    ends(true);
    EXPECT_EQ(campaign.state().province, 1);
    EXPECT_FALSE(campaign.resultsPending());
}

// The game's campaign with the forged data, played headless.
class CampaignGame : public ::testing::Test {
protected:
    CampaignGame() { VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR); }
    static bool runUntil(VaelApp& app, const std::function<bool()>& done, long cap = 3'000'000) {
        return test::runUntil(app, done, cap);
    }
    static Bytes readBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    TempDir dir{"campaign"};
    platform::HeadlessPlatform os;
    DataHome home{dir.path().string()};
};

int activations = 0;
ContainerBase* countActivation(Component*, BusMessage, ContainerBase*) {
    ++activations;
    return nullptr;
}

// The layer's part of a loaded battle as it resumes its active leader, before he gives an order again.
VaelLogicalLayer* resumingLayer = nullptr;
Bytes partOnResuming;
ContainerBase* takeResumedPart(Component*, BusMessage, ContainerBase*) {
    if (resumingLayer && partOnResuming.empty()) partOnResuming = saveLayerPart(*resumingLayer);
    return nullptr;
}

TEST_F(CampaignGame, TheFirstBattlePlayedToItsEndLeadsToTheNextWhichIsSavedAndResumed) {
    const auto file = dir.path() / "campaign.vel";
    Bytes part;
    {
        std::srand(1);
        // Whole battles: the animations end at once (the display layers' own battles are the battle tool's).
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        battle::InstantAnimations instant;
        instant.attach(app.logicalLayer());
        Campaign& campaign = app.campaign();
        ASSERT_TRUE(campaign.hasDefinition());
        int ended = 0, closed = 0;
        app.endOfGameDialog = [&](std::uint32_t, bool) { ++ended; };
        app.onBattleClosed = [&] { ++closed; };
        std::string error;
        EXPECT_FALSE(app.startCampaignBattle(true, error));
        EXPECT_EQ(error, "there is no campaign battle to fight");
        ASSERT_TRUE(campaign.begin());
        ASSERT_TRUE(app.startCampaignBattle(true, error)) << error;
        EXPECT_EQ(app.logicalLayer().getCampaign(), 1);
        EXPECT_TRUE(campaign.inBattle());
        // Both sides are the computer's: the home side too, though a campaign gives it to the player.
        for (Leader* leader : each(app.logicalLayer().getLeaders()))
            EXPECT_TRUE(leader->isComputerControlled()) << leader->getName();
        const std::uint32_t home = app.logicalLayer().getHomeNation();
        ASSERT_TRUE(runUntil(app, [&] { return closed == 1; }));
        EXPECT_EQ(ended, 1);
        EXPECT_FALSE(app.battleRunning());
        ASSERT_EQ(campaign.state().battles.size(), 1u);
        const bool won = campaign.state().battles[0].won;
        ASSERT_TRUE(won) << "seed 1 no longer wins the first battle for home (" << home
                         << "); choose another";
        EXPECT_EQ(campaign.state().province, 4);
        EXPECT_EQ(campaign.state().lastProvince, 1);
        EXPECT_TRUE(campaign.resultsPending());
        EXPECT_FALSE(campaign.inBattle());

        // The next battle, saved at its third activation.
        Probe probe("Activations");
        probe.setup = [](Probe& p) { p.connectNamed("ActivateLeader", countActivation); };
        probe.attach(app.logicalLayer());
        activations = 0;
        ASSERT_TRUE(app.startCampaignBattle(true, error)) << error;
        ASSERT_TRUE(runUntil(app, [&] { return activations >= 3; }));
        ASSERT_TRUE(app.saveGame(file.string(), error)) << error;
        part = saveLayerPart(app.logicalLayer());
    }
    const Bytes bytes = readBytes(file);
    // Header (16), two closed views (4), the scenario "THRENMOOR.SCN" (6 + 13), the mark of a checked save
    // (6), then the campaign's record of 22 bytes.
    ASSERT_GT(bytes.size(), 67u);
    EXPECT_EQ(Bytes(bytes.begin() + 39, bytes.begin() + 45), (Bytes{'V', 'C', 'H', 'K', 0, 0}));
    EXPECT_EQ(bytes[8] | bytes[9] << 8, 45 + 22);
    EXPECT_EQ(Bytes(bytes.begin() + 45, bytes.begin() + 67), wonFirst);

    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(app.logicalLayer());
    // The computer leader who was giving his orders goes on at once when the battle resumes: the state is
    // taken as he is given back his activation.
    Probe resumed("Resumed");
    resumed.setup = [](Probe& p) { p.connectNamed("ResumeActiveLeader", takeResumedPart); };
    resumed.attach(app.logicalLayer());
    resumingLayer = &app.logicalLayer();
    partOnResuming.clear();
    std::string error;
    ASSERT_TRUE(app.loadGame(file.string(), error)) << error;
    resumingLayer = nullptr;
    EXPECT_TRUE(app.battleRunning());
    EXPECT_EQ(app.logicalLayer().getCampaign(), 1);
    EXPECT_TRUE(app.campaign().active());
    EXPECT_TRUE(app.campaign().inBattle());
    EXPECT_EQ(app.campaign().state(), (CampaignState{4, 1, CampaignState::Going, {{1, true}}}));
    EXPECT_EQ(partOnResuming, part);

    // A game saved outside the campaign leaves it when loaded.
    app.closeBattle();
    ASSERT_TRUE(app.startBattle("GHATMAR.SCN", VaelApp::CustomScenario, true, true, error)) << error;
    EXPECT_FALSE(app.campaign().inBattle());
    const auto plain = dir.path() / "plain.vel";
    ASSERT_TRUE(app.saveGame(plain.string(), error)) << error;
    EXPECT_EQ(readBytes(plain)[8], 37 + 6);
    app.campaign().resume(CampaignState{4, 1, CampaignState::Going, {{1, true}}});
    ASSERT_TRUE(app.loadGame(plain.string(), error)) << error;
    EXPECT_FALSE(app.campaign().active());
    EXPECT_EQ(app.logicalLayer().getCampaign(), 0);
}

// The campaign's road through all five provinces, each battle played to its end by the computer on both
// sides: won in Ghatmar Fords, lost in Sarvat Plain (falling back to Varnholt), won in Varnholt, then won
// in Sarvat Plain, Tazhen Hills and Kerath. Each province fights its own battle with the garrisons the
// campaign leaves behind, and its end leads where the file says, whoever won it; the road above is
// taken by resuming the campaign where each step of it would have led.
TEST_F(CampaignGame, FiveProvincesFightFiveDifferentBattles) {
    struct Step {
        std::int32_t province, lastProvince;
        const char* scenario;
        short homeUnits, visitorUnits; // after the garrisons and the Persians' losses in Sarvat Plain
        std::int32_t onWin, onLoss;
    };
    const Step road[] = {
        // 25 Macedonians of the file, no garrison; 25 Indians.
        {1, 0, "GHATMAR.SCN", 25, 25, 4, 0},
        // 30 of the file less one foot and one horse of the Macedonians; the Persians are helped, not hurt.
        {4, 1, "THRENMOOR.SCN", 28, 21, 3, 2},
        // Greeks and Danubians: the garrison of two Macedonian foot leaves nobody out.
        {2, 4, "ARDHUN.SCN", 20, 19, 4, 0},
        // Come from Varnholt, the Persians are hurt: every fifth of their 21 units stays away.
        {4, 2, "THRENMOOR.SCN", 28, 17, 3, 2},
        // 24 Macedonians less one foot and two horse.
        {3, 4, "KORVATH.SCN", 21, 26, 5, 4},
        // 24 Macedonians less two foot and two horse; the Indians fight as Persians.
        {5, 3, "VELMESK.SCN", 20, 22, 0, 3},
    };
    std::srand(11);
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(app.logicalLayer());
    Campaign& campaign = app.campaign();
    ASSERT_TRUE(campaign.hasDefinition());
    int closed = 0;
    app.onBattleClosed = [&] { ++closed; };
    std::set<std::string> battles;
    std::set<std::int32_t> provinces;
    for (const Step& step : road) {
        SCOPED_TRACE(step.scenario);
        campaign.resume(CampaignState{step.province, step.lastProvince, CampaignState::Going, {}});
        std::string error;
        ASSERT_TRUE(app.startCampaignBattle(true, error)) << error;
        ASSERT_TRUE(campaign.inBattle());
        EXPECT_EQ(app.logicalLayer().getScenarioName(), step.scenario);
        EXPECT_EQ(app.logicalLayer().getHomeUnitCount(), step.homeUnits);
        EXPECT_EQ(app.logicalLayer().getVisitorUnitCount(), step.visitorUnits);
        battles.insert(app.logicalLayer().getScenarioName());
        const int before = closed;
        ASSERT_TRUE(runUntil(app, [&] { return closed > before; }));
        ASSERT_EQ(campaign.state().battles.size(), 1u);
        const bool won = campaign.state().battles[0].won;
        const std::int32_t next = won ? step.onWin : step.onLoss;
        if (next == 0)
            EXPECT_EQ(campaign.state().outcome, won ? CampaignState::Won : CampaignState::Lost);
        else
            EXPECT_EQ(campaign.state().province, next);
        provinces.insert(step.province);
    }
    EXPECT_EQ(provinces.size(), 5u);
    EXPECT_EQ(battles.size(), 5u);
}

TEST_F(CampaignGame, ABadCampaignRecordIsRefusedBeforeAnythingIsTouched) {
    std::srand(5);
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(app.logicalLayer());
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    ASSERT_TRUE(app.campaign().begin());
    std::string error;
    ASSERT_TRUE(app.startCampaignBattle(true, error)) << error;
    const auto good = dir.path() / "good.vel";
    ASSERT_TRUE(app.saveGame(good.string(), error)) << error;
    // Checked again after its change, so that the campaign record's own checks are what see it: the record
    // follows the scenario's name (ending at 37) and the mark of a checked save.
    Bytes bad = readBytes(good);
    bad.resize(bad.size() - 8);
    ASSERT_EQ(bad[43], 'C');
    bad[43 + 6] = 77; // province 77
    sealSavedGame(bad);
    const auto badFile = dir.path() / "bad.vel";
    std::ofstream(badFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(bad.data()), std::streamsize(bad.size()));
    const Bytes before = saveLayerPart(app.logicalLayer());
    EXPECT_FALSE(app.loadGame(badFile.string(), error));
    EXPECT_EQ(error, "the saved game's campaign stands in province 77, which the campaign does not have");
    EXPECT_TRUE(app.battleRunning());
    EXPECT_TRUE(app.campaign().inBattle());
    EXPECT_EQ(app.campaign().state().province, 1);
    EXPECT_EQ(saveLayerPart(app.logicalLayer()), before);
}

} // namespace
} // namespace vael::test
