// The campaign's dialogs and the choice of a variant or a scenario of one's own in the game's real window
// under Xvfb: each is opened over the frame, taken from the X server once it has been drawn, and saved in
// the build folder ("dialog_campaign_map.png", "dialog_campaign_results.png", "dialog_variants.png",
// "dialog_custom_scenario.png") for people to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "framework/ui/window_manager.h"
#include "game/shell/campaign.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "platform/sdl/sdl_platform.h"
#include "support/bus_recorder.h"
#include "support/temp_dir.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

platform::SdlPlatform* os = nullptr;
Grab picture;
int ticks = -1; // counts the timer's ticks from the dialog's opening; -1 while none is open

// A few ticks after the dialog opened it has been drawn and shown: the window is taken, and Escape
// closes the dialog.
ContainerBase* tick(Component*, BusMessage, ContainerBase*) {
    if (ticks < 0 || ++ticks < 4) return nullptr;
    ticks = -1;
    picture = grabWindow(os->window());
    platform::Event key;
    key.kind = platform::EventKind::KeyDown, key.key = platform::KeyEscape;
    os->postEvent(key);
    return nullptr;
}

// The dialog's pixels differ from one another: it is drawn, not a blank.
int colours(const Grab& grab) {
    std::vector<std::uint32_t> seen;
    for (std::size_t i = 0; i < grab.rgb.size() && seen.size() < 16; i += 97)
        if (std::find(seen.begin(), seen.end(), grab.rgb[i]) == seen.end()) seen.push_back(grab.rgb[i]);
    return static_cast<int>(seen.size());
}

TEST(CampaignDialogsWindow, EachDialogIsDrawnOverTheFrameAndSaved) {
    TempDir dir("campaign-window");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    auto platform = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(platform) << error;
    os = platform.get();
    VaelGame vael(*platform, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(vael.ready());
    Probe timer("Screenshot timer");
    timer.setup = [](Probe& p) { p.addTimer(tick, 10); };
    timer.attach(vael.app());

    Campaign& campaign = vael.app().campaign();
    ASSERT_TRUE(campaign.begin());
    campaign.battleBegins();
    campaign.battleEnded(true);
    const std::vector<ScenarioVariant> variants{
        {"GHATMAR.SCN", "The battle as fought", "The armies as they stood."},
        {"GHATMAR.SCN", "The fords at dawn", ""},
        {"GHATMAR.SCN", "The elephants held back", ""}};
    const DialogShown shown = [](Dialog&, const std::string&) { ticks = 0; };
    const struct {
        const char* file;
        std::function<std::unique_ptr<Dialog>()> make;
        const char* templateName;
    } rows[] = {
        {"dialog_campaign_map.png", [&] { return std::make_unique<CampaignMapDlg>(campaign, shown); },
         CampaignMapDlg::TemplateName},
        {"dialog_campaign_results.png",
         [&] { return std::make_unique<CampaignResultsDlg>(campaign.definition(), campaign.state(), shown); },
         CampaignResultsDlg::TemplateName},
        {"dialog_variants.png", [&] { return std::make_unique<VariantDlg>(variants, shown); },
         VariantDlg::TemplateName},
        {"dialog_custom_scenario.png",
         [&] { return std::make_unique<CustomScenarioDlg>(VAEL_BUILD_DATA_DIR, shown); },
         CustomScenarioDlg::TemplateName},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.file);
        picture = Grab{};
        std::unique_ptr<Dialog> dialog = r.make();
        dialog->attach(vael.app());
        dialog->create(r.templateName, Dialog::Modal);
        ASSERT_EQ((std::pair{picture.width, picture.height}), (std::pair{1024, 768}));
        EXPECT_GT(colours(picture), 4);
        EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / r.file));
    }
    os = nullptr;
}

} // namespace
} // namespace vael::test
