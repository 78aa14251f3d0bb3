// The forge: its writers against hand-written bytes, its run-length encoder against hand-made rows, and
// the data set it writes read back by the program's own readers.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/display/application_palette.h"
#include "framework/display/image_index.h"
#include "framework/display/palette_animator.h"
#include "framework/display/windows_palette.h"
#include "platform/headless/headless_platform.h"
#include "support/display/archive_bytes.h"
#include "support/failed_checks.h"
#include "support/ui/test_win_app.h"
#include "tools/forge/archive_writer.h"
#include "tools/forge/forge.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/picture.h"

namespace vael::test {
namespace {

using forge::ForgedArchive;
using forge::ForgedImage;
using forge::Picture;

ForgedArchive archiveLikeTheTestOne() {
    ForgedArchive a;
    a.title = "Test";
    a.groups.push_back({"Walk",
                        {ForgedImage{"A", Dim(2, 1), Point(0, 0), 1, {1, 2, 0, 0}},
                         ForgedImage{"B", Dim(3, 1), Point(0, 0), 4, row({literal({4, 5, 6})})}}});
    a.groups.push_back({"Stand", {ForgedImage{"C", Dim(1, 1), Point(1, 2), 2, {9, 0, 0, 0}}}});
    return a;
}

TEST(ForgeWriterTest, ArchiveAndIndexEntryAreTheHandWrittenBytes) {
    std::vector<std::uint32_t> offsets;
    EXPECT_EQ(forge::archiveBytes(archiveLikeTheTestOne(), &offsets), testArchive());
    EXPECT_EQ(offsets, (std::vector<std::uint32_t>{420, 574, 869}));
    EXPECT_EQ(forge::indexEntryBytes("First", "test.oif", archiveLikeTheTestOne(), offsets),
              testIndexEntry("First", "test.oif"));
}

TEST(ForgeWriterTest, MapFileRecords) {
    Bytes expected{2, 0};
    putText(expected, "a.oif", 13), putText(expected, "Alpha", 128);
    putText(expected, "b.oif", 13), putText(expected, "Beta", 128);
    EXPECT_EQ(forge::mapFileBytes({{"a.oif", "Alpha"}, {"b.oif", "Beta"}}), expected);
    EXPECT_EQ(forge::mapFileBytes({}), (Bytes{0, 0}));
}

TEST(ForgeWriterTest, ANameWithoutRoomForItsNulIsRefused) {
    ForgedArchive a = archiveLikeTheTestOne();
    a.groups[0].images[0].name = std::string(127, 'x');
    EXPECT_NO_THROW(forge::archiveBytes(a));
    std::vector<std::uint32_t> offsets{0, 0, 0};
    EXPECT_THROW(forge::indexEntryBytes("First", "test.oif", a, offsets),
                 std::length_error); // 24 bytes there
    a.groups[0].images[0].name = std::string(128, 'x');
    EXPECT_THROW(forge::archiveBytes(a), std::length_error);
    EXPECT_THROW(forge::mapFileBytes({{"twelve.chars", "A"}, {"thirteen.char", "B"}}), std::length_error);
}

TEST(ForgeWriterTest, RunLengthRowsOfAPicture) {
    Picture p(5, 2);
    p.set(2, 0, 7), p.set(3, 0, 255), p.set(4, 0, 8);
    struct Row {
        const char* name;
        bool shadows;
        Bytes expected;
    } cases[] = {
        {"with shadows", true, rows({row({skip(2), literal({7}), shadow(1), literal({8})}), row({skip(5)})})},
        {"255 as a literal", false, rows({row({skip(2), literal({7, 255, 8})}), row({skip(5)})})},
    };
    for (const Row& r : cases) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(p.runLengthRows(r.shadows), r.expected);
    }
    EXPECT_EQ(p.rawRows(), padded(5, {{0, 0, 7, 255, 8}, {0, 0, 0, 0, 0}}));
}

TEST(ForgeWriterTest, LongRunsAreSplitAndARowTooLongForItsRecordIsRefused) {
    Picture empty(5000, 1);
    EXPECT_EQ(empty.runLengthRows(false), (Bytes{6, 0, 0xFF, 0x0F, 0x89, 0x03}));
    Picture full(4100, 1, 3);
    EXPECT_THROW(full.runLengthRows(false), std::length_error);
}

// The data set the build forged, read by the windows application on the headless platform, its settings
// naming that directory and the palette file, as the program reads it. That the forge writes the same
// bytes on every run is the CTest test forge_same_data, which forges again beside it.
class ForgedApp : public TestWinApp {
public:
    using TestWinApp::TestWinApp;
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override {
        findIndexedDataFile(library, cursor, end, dataPath(5), "");
    }
};

class ForgedDataTest : public ::testing::Test {
protected:
    ForgedDataTest() {
        forged = std::filesystem::exists(dir / forge::PaletteFile);
        const std::string key = "SOFTWARE\\Tamblor\\Iron Vigils";
        platform.settings().writeText(platform::Settings::Root::Machine, key, "Path", dir.string());
        platform.settings().writeText(platform::Settings::Root::Machine, key, "Palette", "VAEL.PAL");
        platform.openWindow(4, 1, "Forged");
        installApplicationPalette();
        app = std::make_unique<ForgedApp>(platform);
    }
    ~ForgedDataTest() override { WinApp::setPaletteMaker(nullptr, nullptr); }
    WindowsPalette& palette() { return *dynamic_cast<WindowsPalette*>(app->getPalette()); }

    const std::filesystem::path dir = VAEL_BUILD_DATA_DIR;
    bool forged = false;
    platform::HeadlessPlatform platform;
    std::unique_ptr<ForgedApp> app;
};

TEST_F(ForgedDataTest, ThePaletteKeepsItsReservedEntries) {
    ASSERT_TRUE(forged);
    WindowsPalette& palette = this->palette();
    const RgbQuad* c = palette.colours();
    EXPECT_TRUE(palette.fromFile());
    struct Row {
        const char* name;
        int index;
        RgbQuad colour;
    } rows[] = {{"transparent black", 0, {0, 0, 0, 0}},
                {"pure red", 249, {0, 0, 255, 0}},
                {"pure green", 250, {0, 255, 0, 0}},
                {"pure blue, the light byte", 252, {255, 0, 0, 0}},
                {"white, the shadow byte", 255, {255, 255, 255, 0}}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(c[r.index], r.colour);
    }
    for (int i = forge::colour::WaterFirst; i <= forge::colour::WaterLast; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(c[i].blue, c[i].red);                                      // the water is blue
        EXPECT_EQ(palette.nearestIndex(c[i].red, c[i].green, c[i].blue), i); // and each colour its own
    }
    EXPECT_EQ((std::tuple{palette.nearestIndex(255, 0, 0), palette.nearestIndex(255, 255, 255),
                          palette.darkRemap()[0]}),
              std::tuple(249, 255, 0));
}

TEST_F(ForgedDataTest, TheSampleArchiveLoadsByNameThroughTheMapFileAndTheIndex) {
    ASSERT_TRUE(forged);
    OIF<Bitmap> byMap(forge::SampleName);
    EXPECT_EQ((std::tuple{byMap.groupCount(), byMap.totalImages(), byMap.findGroup("Soldier"),
                          byMap.imageIndex("Walking", "Soldier")}),
              std::tuple(3, 6, 1, 3));
    // The soldier's spear tip (19, 0) of steel, drawn with the hot spot (12, 37) at (30, 40).
    Bitmap surface(Dim(64, 64), PixelOpaque);
    surface.fill(forge::shade(forge::Grass, 5));
    EXPECT_EQ(surface.drawWholeBitmap(Point(30, 40), *byMap.lockImage("Standing", "Soldier"), 1),
              Box(18, 3, 24, 40));
    EXPECT_EQ(surface.bits()[3 * 64 + 18 + 19], forge::shade(forge::Steel, 11));
    // Its shadow darkens the grass through the palette's dark table.
    Bitmap shaded(Dim(24, 40), PixelOpaque);
    shaded.fill(forge::shade(forge::Grass, 5));
    shaded.drawWholeBitmap(Point(12, 37), *byMap.lockImage("Standing", "Soldier"), 1);
    EXPECT_EQ(shaded.bits()[37 * 24 + 3], palette().darkRemap()[forge::shade(forge::Grass, 5)]);

    ImageIndex index;
    ASSERT_TRUE(index.read(dir.string()));
    Bitmap* water = index.library(0)->lockImage("Water", "Terrain");
    EXPECT_EQ((std::tuple{index.count(), water->bits()[16 * 64 + 32] >= forge::colour::WaterFirst,
                          water->bits()[16 * 64 + 32] <= forge::colour::WaterLast, water->bits()[0]}),
              std::tuple(36 + 3 * 55, true, true,
                         0)); // the controls' eight, the terrain's 25, the figures' 55 at three sizes
    // The frame's archives follow it, found by name as the windows open them.
    EXPECT_EQ((std::tuple{index.library(1)->name(), index.library(1)->findGroup("Blocks"),
                          index.library(2)->name(), index.library(2)->imageIndex("separator", "sbArt")}),
              std::tuple(std::string("Vael Frame"), 0, std::string("Vael Status Bar"), 3));
}

// The window shows pictures through the palette, and the animated water colours change on screen at
// each step of the animator without the picture being presented again.
TEST_F(ForgedDataTest, TheWindowShowsThePaletteAndItsAnimation) {
    ASSERT_TRUE(forged);
    const std::uint8_t pixels[4] = {forge::colour::Red, forge::colour::WaterFirst, forge::colour::White,
                                    forge::shade(forge::Grass, 5)};
    platform.present({pixels, 4, 1, 4}, 0, 0, nullptr, 0);
    const RgbQuad& water = palette().colours()[forge::colour::WaterFirst];
    const RgbQuad& grass = palette().colours()[forge::shade(forge::Grass, 5)];
    auto rgb = [](const RgbQuad& c) { return std::uint32_t(c.red) << 16 | c.green << 8 | c.blue; };
    EXPECT_EQ((std::vector<std::uint32_t>{platform.pixel(0, 0), platform.pixel(1, 0), platform.pixel(2, 0),
                                          platform.pixel(3, 0)}),
              (std::vector<std::uint32_t>{0xFF0000u, rgb(water), 0xFFFFFFu, rgb(grass)}));
    AsynchronousBus bus("Display");
    PaletteAnimator animator(&palette(), 2, forge::colour::WaterFirst, forge::colour::WaterLast);
    animator.attach(bus);
    animator.setEntry(0, forge::colour::WaterFirst, PaletteEntry{1, 2, 3, PC_RESERVED});
    animator.setEntry(1, forge::colour::WaterFirst, PaletteEntry{4, 5, 6, PC_RESERVED});
    bus.sendNamedEmpty("StartPaletteAnimation");
    bus.sendNamedEmpty("ResumePaletteAnimation");
    const int presents = platform.presents;
    app->tickTimers(200);
    EXPECT_EQ((std::tuple{platform.pixel(1, 0), platform.pixel(3, 0)}), std::tuple(0x010203u, rgb(grass)));
    app->tickTimers(400);
    EXPECT_EQ((std::tuple{platform.pixel(1, 0), platform.presents}), std::tuple(0x040506u, presents));
}

} // namespace
} // namespace vael::test
