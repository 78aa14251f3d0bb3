// The activation flags' artwork: the groups the flags look up at every size, pictures in the palette, and
// pole, cloth and shadow meeting where the flag puts them (the picture of a raised and a standing flag on
// grass is written for people to look at).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/display/application_palette.h"
#include "game/figures/flag.h"
#include "platform/headless/headless_platform.h"
#include "support/ui/test_win_app.h"
#include "tools/forge/canvas.h"
#include "tools/forge/flag_art.h"
#include "tools/forge/forge.h"
#include "tools/forge/forge_palette.h"

namespace vael::test {
namespace {

const forge::ForgedImage& imageOf(const forge::ForgedArchive& a, const std::string& group, std::size_t i) {
    for (const forge::ForgedGroup& g : a.groups)
        if (g.name == group) return g.images.at(i);
    throw std::out_of_range(group);
}

// The pixel rows of a forged raw image (rows padded to four bytes).
std::uint8_t pixel(const forge::ForgedImage& image, int x, int y) {
    const int stride = (image.size.w + 3) / 4 * 4;
    return image.pixels[static_cast<std::size_t>(y * stride + x)];
}

// Draws an image with its hot spot at (x, y): shadow pixels darken what lies under them.
void drawInto(forge::Picture& p, const forge::ForgedImage& image, int x, int y) {
    for (int iy = 0; iy < image.size.h; ++iy)
        for (int ix = 0; ix < image.size.w; ++ix) {
            const std::uint8_t v = pixel(image, ix, iy);
            const int px = x - image.hotSpot.x + ix, py = y - image.hotSpot.y + iy;
            if (v == forge::colour::Shadow)
                p.set(px, py, forge::shade(forge::Grass, 2));
            else if (v != 0)
                p.set(px, py, v);
        }
}

TEST(FlagArt, EverySizeHasTheGroupsTheFlagsLookUpInTheirOrder) {
    const auto archives = forge::flagArchives();
    ASSERT_EQ(archives.size(), 3u);
    const std::vector<std::pair<std::string, std::size_t>> groups = {
        {"Macedonian Flag", 6}, {"Persian Flag", 6}, {"Indian Flag", 6},
        {"Greek Flag", 6},      {"Stem", 1},         {"Flag Shadow", 6}};
    const char* names[3] = {"Activation Unit Flags", "Activation Unit Flags (Half size)",
                            "Activation Unit Flags (Quarter size)"};
    for (std::size_t s = 0; s < 3; ++s) {
        SCOPED_TRACE(names[s]);
        EXPECT_EQ(archives[s].name, names[s]);
        ASSERT_EQ(archives[s].archive.groups.size(), groups.size());
        for (std::size_t g = 0; g < groups.size(); ++g) {
            EXPECT_EQ(archives[s].archive.groups[g].name, groups[g].first);
            EXPECT_EQ(archives[s].archive.groups[g].images.size(), groups[g].second);
        }
        // The smaller sizes are the full size halved and quartered, hot spots too.
        const forge::ForgedImage& stem = imageOf(archives[s].archive, "Stem", 0);
        const forge::ForgedImage& full = imageOf(archives[0].archive, "Stem", 0);
        EXPECT_EQ(stem.hotSpot, Point(static_cast<std::int16_t>(full.hotSpot.x >> s),
                                      static_cast<std::int16_t>(full.hotSpot.y >> s)));
    }
    // A shadow is shadow bytes only; a cloth has no shadow byte and waves: no two frames alike.
    const forge::ForgedArchive& full = archives[0].archive;
    for (std::size_t k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        const forge::ForgedImage& shadow = imageOf(full, "Flag Shadow", k);
        int dark = 0;
        for (int y = 0; y < shadow.size.h; ++y)
            for (int x = 0; x < shadow.size.w; ++x) {
                const std::uint8_t v = pixel(shadow, x, y);
                EXPECT_TRUE(v == 0 || v == forge::colour::Shadow);
                dark += v == forge::colour::Shadow;
            }
        EXPECT_GT(dark, 100);
        const forge::ForgedImage& cloth = imageOf(full, "Macedonian Flag", k);
        const forge::ForgedImage& next = imageOf(full, "Macedonian Flag", (k + 1) % 6);
        EXPECT_NE(cloth.pixels, next.pixels);
        for (std::uint8_t v : cloth.pixels)
            EXPECT_NE(v, forge::colour::Shadow);
    }
}

TEST(FlagArt, TheClothHangsFromThePoleAndTheShadowFallsFromItsFoot) {
    const auto archives = forge::flagArchives();
    const forge::ForgedArchive& full = archives[0].archive;
    forge::Picture scene(200, 150, forge::shade(forge::Grass, 6));
    const Point standing(20, 100), raised(100, 100);
    // Where the flag places its parts, standing and raised.
    drawInto(scene, imageOf(full, "Flag Shadow", 0), standing.x + 31, standing.y + 22);
    drawInto(scene, imageOf(full, "Flag Shadow", 3), raised.x + 34, raised.y + 26);
    drawInto(scene, imageOf(full, "Stem", 0), standing.x, standing.y);
    drawInto(scene, imageOf(full, "Stem", 0), raised.x, raised.y);
    drawInto(scene, imageOf(full, "Macedonian Flag", 0), standing.x + 1, standing.y - 70);
    drawInto(scene, imageOf(full, "Greek Flag", 3), raised.x + 1, raised.y - 82);
    const char* root = std::getenv("VAEL_TEST_TMP");
    const std::filesystem::path dir = root && *root ? root : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(forge::writeContactSheet(dir / "flags-on-grass.png", {&scene}, 1, 4));
    const std::uint8_t grass = forge::shade(forge::Grass, 6);
    for (const auto& [foot, top, shadowFoot] :
         {std::tuple{standing, 70, standing}, std::tuple{raised, 82, raised + Point(3, 4)}}) {
        SCOPED_TRACE(top);
        // The pole stands on its foot and reaches above the cloth.
        EXPECT_NE(scene.at(foot.x, foot.y - 1), grass);
        EXPECT_NE(scene.at(foot.x, foot.y - top - 4), grass);
        // The cloth begins right beside the pole, down its whole height at the pole.
        for (int dy = 2; dy < 20; ++dy)
            EXPECT_NE(scene.at(foot.x + 2, foot.y - top + dy), grass) << dy;
        // The pole's shadow runs from the foot down to the right (the raised shadow lies a little further
        // out), and the cloth's at its end.
        EXPECT_EQ(scene.at(shadowFoot.x + 10, shadowFoot.y + 5), forge::shade(forge::Grass, 2));
        EXPECT_EQ(scene.at(shadowFoot.x + 10, shadowFoot.y - 2), grass);
        EXPECT_EQ(scene.at(shadowFoot.x + 62, shadowFoot.y + 25), forge::shade(forge::Grass, 2));
    }
}

// The forged data read as the program reads it: the flags' libraries found by name through the map file,
// and a flag made from them shows its nation's cloth.

TEST(FlagArt, TheFlagsFindTheirForgedLibrariesThroughTheMapFile) {
    // The data set the build forged.
    const std::filesystem::path dir = VAEL_BUILD_DATA_DIR;
    ASSERT_TRUE(std::filesystem::exists(dir / forge::MapFile));
    platform::HeadlessPlatform platform;
    const std::string key = "SOFTWARE\\Tamblor\\Iron Vigils";
    platform.settings().writeText(platform::Settings::Root::Machine, key, "Path", dir.string());
    platform.settings().writeText(platform::Settings::Root::Machine, key, "Palette", "VAEL.PAL");
    platform.openWindow(4, 1, "Forged");
    installApplicationPalette();
    {
        TestWinApp app(platform);
        Flag::loadArtwork();
        EXPECT_EQ(Flag::nationFrames(6).count(), forge::FlagFrames); // the Persian cloth
        EXPECT_EQ(Flag::shadowFrames().count(), forge::FlagFrames);
        Flag flag(1204, Point3D(), 2);
        for (int level = 0; level < 3; ++level) {
            SCOPED_TRACE(level);
            ASSERT_NE(flag.levelFrame(level), nullptr);
            ASSERT_NE(flag.cloth()->levelFrame(level), nullptr);
            ASSERT_NE(flag.shadow()->levelFrame(level), nullptr);
            EXPECT_EQ(flag.cloth()->levelFrame(level)->hotSpot(),
                      Point(0, static_cast<std::int16_t>(4 >> level)));
        }
        EXPECT_EQ(flag.cloth()->frameInfo(), FrameInfo("Persian Flag", 0));
        Flag::unloadArtwork();
    }
    WinApp::setPaletteMaker(nullptr, nullptr);
}

} // namespace
} // namespace vael::test
