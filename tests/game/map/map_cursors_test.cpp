// The map's drawn cursors: the archive's keyed pictures become cursors of the application under their
// names (rows without their padding, the hot spot kept), read once per application; a data set without
// them leaves the arrow; the map window shows the cursor a "ChangeCursor" names, and the frame shows it on
// the same mouse move that changed it.
#include "game/map/map_cursors.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus.h"
#include "framework/core/container.h"
#include "framework/ui/main_window.h"
#include "framework/ui/window_message.h"
#include "game/map/vael_map_window.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"
#include "tools/forge/archive_writer.h"

namespace vael::test {
namespace {

// The archives are found through the real map file of the data directory.
class MapFileApp : public TestWinApp {
public:
    MapFileApp(platform::Platform& os, const std::string& dir) : TestWinApp(os, "", "oiffile.map") {
        dataPath() = dir;
    }
};

void writeFile(const std::filesystem::path& path, const forge::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 3 x 2 keyed "Sword" with its hot spot at (2, 1), whose rows are padded to 4 bytes in the archive, a
// run-length "Javelin" that is no cursor, and a 1 x 1 opaque "Arrow" in a group the map does not read.
void writeCursorArchive(const std::filesystem::path& dir) {
    forge::ForgedArchive archive{"Map Cursors", {}};
    archive.groups.push_back(
        {"Cursors",
         {forge::ForgedImage{"Sword", Dim(3, 2), Point(2, 1), 2, {1, 0, 3, 99, 4, 5, 6, 99}},
          forge::ForgedImage{"Javelin", Dim(2, 1), Point(0, 0), 4, {0x02, 0x00, 0x00, 0x00}}}});
    archive.groups.push_back(
        {"Spare", {forge::ForgedImage{"Arrow", Dim(1, 1), Point(0, 0), 1, {7, 0, 0, 0}}}});
    writeFile(dir / "cursors.oif", forge::archiveBytes(archive));
    writeFile(dir / "oiffile.map", forge::mapFileBytes({{"cursors.oif", "Map Cursors"}}));
}

class MapCursorsTest : public ::testing::Test {
protected:
    MapCursorsTest() {
        writeCursorArchive(dir.path());
        MapCursors::forget();
    }
    ~MapCursorsTest() override { MapCursors::forget(); }

    TempDir dir{"cursors"};
    platform::HeadlessPlatform os;
};

TEST_F(MapCursorsTest, KeyedPicturesBecomeCursorsWithoutTheirRowPadding) {
    MapFileApp app(os, dir.path().string());
    EXPECT_EQ(MapCursors::load(), 1);
    const CursorHandle sword = WinApp::namedCursor("SWORD");
    ASSERT_NE(sword, nullptr);
    EXPECT_EQ(WinApp::namedCursor("sword"), sword);
    EXPECT_EQ(WinApp::namedCursor("Javelin"), nullptr) << "a run-length picture is no cursor";
    app.setCursor(sword);
    ASSERT_EQ(os.cursorImages.size(), 1u);
    const platform::CursorImage& shown = os.cursorImages[0];
    EXPECT_EQ(shown.name, "Sword");
    EXPECT_EQ(shown.width, 3);
    EXPECT_EQ(shown.height, 2);
    EXPECT_EQ(shown.hotX, 2);
    EXPECT_EQ(shown.hotY, 1);
    EXPECT_EQ(shown.pixels, (std::vector<std::uint8_t>{1, 0, 3, 4, 5, 6}));
    // The system's cursors still reach the platform as themselves.
    app.setCursor(WinApp::waitCursor());
    app.setCursor(WinApp::arrowCursor());
    EXPECT_EQ(os.cursors, (std::vector<platform::Cursor>{platform::Cursor::Wait, platform::Cursor::Arrow}));
    EXPECT_EQ(os.cursorImages.size(), 1u);
}

TEST_F(MapCursorsTest, TheArchiveIsReadOncePerApplication) {
    MapFileApp app(os, dir.path().string());
    EXPECT_EQ(MapCursors::load(), 1);
    EXPECT_EQ(MapCursors::load(), 0);
    MapCursors::forget();
    EXPECT_EQ(MapCursors::load(), 1);
}

TEST_F(MapCursorsTest, ADataSetWithoutAMapFileOrWithoutTheArchiveAddsNone) {
    TempDir empty{"nocursors"};
    {
        MapFileApp app(os, empty.path().string());
        EXPECT_EQ(MapCursors::load(), 0);
    }
    writeFile(empty.path() / "oiffile.map", forge::mapFileBytes({{"other.oif", "Other"}}));
    MapCursors::forget();
    MapFileApp app(os, empty.path().string());
    EXPECT_EQ(MapCursors::load(), 0);
}

TEST(DrawnCursors, AnInvalidPictureIsNotTakenAndAReplacedOneKeepsItsHandle) {
    const struct {
        const char* what;
        std::int32_t w, h, hotX, hotY;
        std::size_t bytes;
        bool taken;
    } rows[] = {
        {"fits", 2, 2, 1, 1, 4, true},
        {"hot spot right of it", 2, 2, 2, 0, 4, false},
        {"hot spot below it", 2, 2, 0, 2, 4, false},
        {"hot spot negative", 2, 2, -1, 0, 4, false},
        {"a byte short", 2, 2, 0, 0, 3, false},
        {"a byte over", 2, 2, 0, 0, 5, false},
        {"no width", 0, 2, 0, 0, 0, false},
        {"largest side", 256, 1, 255, 0, 256, true},
        {"too wide", 257, 1, 0, 0, 257, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        platform::CursorImage image{std::string("Test ") + row.what,        row.w, row.h, row.hotX, row.hotY,
                                    std::vector<std::uint8_t>(row.bytes, 9)};
        EXPECT_EQ(WinApp::addCursor(image), row.taken);
        EXPECT_EQ(WinApp::namedCursor(image.name) != nullptr, row.taken);
    }
    platform::CursorImage first{"Test replaced", 1, 1, 0, 0, {1}};
    ASSERT_TRUE(WinApp::addCursor(first));
    const CursorHandle handle = WinApp::namedCursor("Test replaced");
    platform::CursorImage second{"test REPLACED", 1, 1, 0, 0, {2}};
    ASSERT_TRUE(WinApp::addCursor(second));
    EXPECT_EQ(WinApp::namedCursor("Test replaced"), handle);
}

// A frame of 800 x 600 with a map window.
class MapWindowCursorTest : public MapCursorsTest {
protected:
    MapWindowCursorTest() {
        frame = std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(800, 600), "Frame", "appmenu", nullptr,
                                                    nullptr);
        frame->attach(app);
        map = std::make_unique<VaelMapWindow>(nullptr, Dim(), "Demo", Dim(20, 30));
        map->attach(app);
        map->createInFrame();
        map->activate();
    }
    ~MapWindowCursorTest() override {
        map.reset();
        frame.reset();
    }
    void changeCursor(const char* name) {
        Container<const char*> box(name);
        std::unique_ptr<ContainerBase> reply(map->queryNamed("ChangeCursor", &box));
    }

    MapFileApp app{os, dir.path().string()};
    std::unique_ptr<WindowsMainWindow> frame;
    std::unique_ptr<VaelMapWindow> map;
};

TEST_F(MapWindowCursorTest, TheWindowTakesTheNamedCursorAndTheArrowForAnyOther) {
    const struct {
        const char* name;
        bool drawn;
    } rows[] = {{"Sword", true},
                {"ArrowCursor", false},
                {"sword", true},
                {"Nothing drawn", false},
                {"Javelin", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        changeCursor(row.name);
        EXPECT_EQ(map->cursorName(), row.name);
        EXPECT_EQ(map->cursor(), row.drawn ? WinApp::namedCursor("Sword") : WinApp::arrowCursor());
    }
}

} // namespace
} // namespace vael::test
