// A late save of the demonstration battle, headless and with the display, cut at every byte: each cut file
// is refused with a reason, or loads the battle exactly as the whole file does (the same bytes saved
// again). A checked save says so near its start, where no cut reaches, so that no cut of it can pass for a
// game saved before the check: in fact every cut is refused.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

#include "battle_runner.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"

namespace vael::battle {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Late {
    bool display;
    std::uint32_t seed;
    std::int32_t activation;
};

class CutSave : public ::testing::TestWithParam<Late> {};

TEST_P(CutSave, EveryCutOfALateSaveIsRefusedWithAReason) {
    const Late late = GetParam();
    test::TempDir dir("cut-saves");
    const auto saved = dir / "late.vel", cut = dir / "cut.vel";
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = late.seed;
    options.display = late.display;
    options.saveAt = late.activation;
    options.saveFile = saved.string();
    options.keepCommentary = false;
    const BattleOutcome outcome = playBattle(options);
    ASSERT_GE(outcome.activations, late.activation) << "the battle ended before its save";
    std::ifstream in(saved, std::ios::binary);
    const Bytes whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(whole.size(), 1000u);

    platform::HeadlessPlatform os;
    VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr,
                late.display ? VaelApp::Views::Shown : VaelApp::Views::None);
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    test::FailedChecks checks;
    std::string error;
    ASSERT_TRUE(app.loadGame(saved.string(), error)) << error;
    Bytes reference;
    ASSERT_TRUE(app.savedGameBytes(reference, error)) << error;

    // The cuts from the longest down, each made by shortening the file by a byte.
    std::ofstream(cut, std::ios::binary)
        .write(reinterpret_cast<const char*>(whole.data()), static_cast<std::streamsize>(whole.size()));
    std::size_t refused = 0;
    for (std::size_t size = whole.size(); size-- > 0;) {
        ASSERT_EQ(::truncate(cut.c_str(), static_cast<off_t>(size)), 0);
        error.clear();
        if (!app.loadGame(cut.string(), error)) {
            ++refused;
            EXPECT_FALSE(error.empty()) << "cut at " << size;
            continue;
        }
        Bytes loaded;
        ASSERT_TRUE(app.savedGameBytes(loaded, error)) << "cut at " << size << ": " << error;
        EXPECT_EQ(loaded, reference) << "cut at " << size << " of " << whole.size()
                                     << " loads another battle";
    }
    EXPECT_EQ(refused, whole.size());
    EXPECT_EQ(checks.count(), 0u);
}

// Seed 7 plays 93 activations headless and 78 with the display.
INSTANTIATE_TEST_SUITE_P(CutSaves, CutSave, ::testing::Values(Late{false, 7, 85}, Late{true, 7, 72}),
                         [](const ::testing::TestParamInfo<Late>& info) {
                             return std::string(info.param.display ? "Display" : "Headless");
                         });

} // namespace
} // namespace vael::battle
