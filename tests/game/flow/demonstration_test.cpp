// The demonstration battle as the data generator writes it into the build's data directory. Its
// Macedonian skirmishers and every Indian kind but the leaders are missile kinds: their units are made
// only once their prototypes are registered, and until then each is reported and left out. The counts
// below follow the registered prototypes for those kinds alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "game/flow/unit_prototypes.h"
#include "game/rules/leaders/vaelmoric.h"
#include "support/failed_checks.h"
#include "support/flow/flow_listener.h"
#include "support/flow/test_shell.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

bool registered(std::int16_t key) {
    const auto& keys = prototypeKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Demonstration : public ::testing::Test {
protected:
    void SetUp() override {
        shell.adopt(layer);
        listener.attach(layer);
    }
    bool load(const std::string& file) {
        return layer.LoadScenario(ScenarioInfoStruct{10, "Ghatmar", file, 0});
    }

    test::TestShell shell{"", nullptr, VAEL_BUILD_DATA_DIR};
    VaelLogicalLayer layer;
    test::FlowListener listener{&layer};
    test::FailedChecks checks;
};

TEST_F(Demonstration, LoadsBothArmiesWithTheirCommanders) {
    ASSERT_TRUE(load("GHATMAR.SCN"));
    EXPECT_EQ(shell.mainWindowTitles, std::vector<std::string>{"The Fords of Ghatmar"});
    EXPECT_EQ(listener.log.front(), "MapInfo Ghatmar 30x20");
    EXPECT_EQ(listener.log[1], "BEGIN_LANDSCAPE 10 30x20 600 0");
    EXPECT_EQ(listener.log.back(), "ScenarioLoaded 1 Macedonian [Vaelmoric the Bold, Aristhon, Melagor] "
                                   "3 Indian [Tezhar III, Rajavan, Surendal]");
    EXPECT_EQ(layer.getHomeTQPoints(), 70);
    EXPECT_EQ(layer.getVisitorTQPoints(), 60);
    EXPECT_EQ(layer.getHomeRoutDirection(), 7u);
    EXPECT_EQ(layer.getVisitorRoutDirection(), 3u);
    EXPECT_EQ(layer.getScriptKinds(false), (std::vector<std::uint16_t>{1, 0}));
    EXPECT_EQ(layer.getScriptKinds(true), (std::vector<std::uint16_t>{1, 0}));

    // The commanders' names decide the battle: the Macedonian's holds "Vaelmoric", the Indian's "Tezhar".
    Leader* vaelmoric = layer.findLeaderByName("Vaelmoric the Bold");
    Leader* tezhar = layer.findLeaderByName("Tezhar III");
    ASSERT_TRUE(vaelmoric && tezhar);
    EXPECT_NE(dynamic_cast<Vaelmoric*>(vaelmoric), nullptr);
    EXPECT_EQ(vaelmoric->getUnitNum(), 0);
    EXPECT_EQ(vaelmoric->getHex(), 1114);
    EXPECT_EQ(tezhar->getHex(), 2408);
    EXPECT_EQ(tezhar->getNation(), 3u);
    EXPECT_EQ(layer.getLeaders().count(), 6);

    const int skirmishers = registered(10) ? 7 : 0;
    const int indians = (registered(40) ? 6 : 0) + (registered(36) ? 12 : 0) + (registered(39) ? 7 : 0);
    EXPECT_EQ(layer.getHomeUnitCount(), 12 + 6 + skirmishers);
    EXPECT_EQ(layer.getVisitorUnitCount(), indians);
    EXPECT_EQ(checks.count(), static_cast<std::size_t>(7 - skirmishers + 25 - indians));
    Combat* first = layer.findCombatUnitByName("Taxis of Havrel");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getUnitNum(), 3); // after the three Macedonian leaders
    EXPECT_EQ(first->getHex(), 602);
    EXPECT_EQ(first->getSecondHex(), 603);
    EXPECT_EQ(layer.findGroup(2)->units.count(), 8);
    EXPECT_EQ(layer.findGroup(3)->units.count(), 4 + skirmishers);
    EXPECT_EQ(layer.findGroup(1)->units.count(), 6);
    EXPECT_EQ(layer.findGroup(4)->leader, tezhar);
    for (std::uint16_t number = 1; number <= 6; ++number) {
        SCOPED_TRACE(number);
        ASSERT_NE(layer.findGroup(number), nullptr);
        EXPECT_NE(layer.findGroup(number)->leader, nullptr);
    }
}

// Only a cut at the end of a record leaves a scenario; every other prefix is refused, once, whole.
TEST_F(Demonstration, EveryTruncatedPrefixFailsCleanlyOrEndsAtARecord) {
    test::TempDir dir("flow-prefixes");
    shell.dataPath() = dir.path().string();
    std::filesystem::copy_file(std::filesystem::path(VAEL_BUILD_DATA_DIR) / "ghatmar.map",
                               dir / "ghatmar.map");
    const std::vector<std::uint8_t> whole =
        readBytes(std::filesystem::path(VAEL_BUILD_DATA_DIR) / "ghatmar.scn");
    ASSERT_GT(whole.size(), 1000u);

    // The ends of the records, walked with the record sizes: after the name, a leader has 16 bytes, a
    // phalanx 13, heavy cavalry 14, a missile kind 18 and an elephant 19.
    const std::size_t headerEnd = whole.size() - [&] {
        std::size_t units = 0;
        for (std::size_t at = 0; at < whole.size(); ++at)
            if (whole[at] == 0 && at + 1 < whole.size() && whole[at + 1] == 18 &&
                std::string(whole.begin() + static_cast<long>(at) + 2,
                            whole.begin() + static_cast<long>(at) + 20) == "Vaelmoric the Bold")
                units = whole.size() - at;
        return units;
    }();
    std::vector<std::size_t> ends{headerEnd};
    for (std::size_t at = headerEnd; at < whole.size();) {
        const std::uint8_t kind = whole[at];
        const std::size_t fixed = kind == 0 ? 16 : kind == 19 ? 13 : kind == 2 ? 14 : kind == 5 ? 19 : 18;
        at += 2 + whole[at + 1] + fixed;
        ends.push_back(at);
    }
    ASSERT_EQ(ends.size(), 57u); // the header, then 6 leaders and 50 units
    ASSERT_EQ(ends.back(), whole.size());

    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        std::ofstream(dir / "cut.scn", std::ios::binary)
            .write(reinterpret_cast<const char*>(whole.data()), static_cast<std::streamsize>(size));
        test::FailedChecks reports;
        listener.loaded = 0;
        const bool isEnd = std::find(ends.begin(), ends.end(), size) != ends.end();
        ASSERT_EQ(load("cut.scn"), isEnd);
        EXPECT_EQ(listener.loaded, isEnd ? 1 : 0);
        if (isEnd) {
            layer.CloseGame();
            continue;
        }
        ASSERT_EQ(reports.count(), 1u);
        EXPECT_NE(reports.texts[0].find("cut.scn"), std::string::npos);
        EXPECT_EQ(layer.getLandscape(), nullptr);
        EXPECT_TRUE(layer.getGroups().isEmpty() && layer.getLeaders().isEmpty() &&
                    layer.getUnits().isEmpty());
    }
}

} // namespace
} // namespace vael
