// Bitmap menu items on pictures of a real archive file, written byte by byte: the rows handed to the menu
// are the image's, padded to four bytes, found in the named group or in any group; a run-length image, an
// image the group lacks and an archive nobody has give an empty picture.
#include <gtest/gtest.h>

#include <fstream>

#include "framework/display/window_pictures.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/display.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/windows_menu.h"
#include "support/display/archive_bytes.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

class MenuBitmapTest : public ::testing::Test {
protected:
    MenuBitmapTest()
        : opener_(PictureArchive::setOpener(nullptr)), matcher_(Display::setColourMatcher(nullptr)),
          remap_(DialogControl::setDisabledRemap(nullptr)) {
        const Bytes bytes = testArchive();
        std::ofstream(dir / "test.oif", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        app.onFindInMapFile = [this](OIFBase* library) {
            if (library->name() != "Test") return;
            std::ifstream file(dir / "test.oif", std::ios::binary);
            library->readFile((dir / "test.oif").string(), file);
        };
        installWindowPictures();
    }
    ~MenuBitmapTest() override {
        PictureArchive::setOpener(opener_);
        Display::setColourMatcher(matcher_);
        DialogControl::setDisabledRemap(remap_);
    }

    TempDir dir{"menu-bitmap"};
    TestApplication app;

private:
    PictureArchive::Opener opener_;
    Display::ColourMatcher matcher_;
    DialogControl::RemapSource remap_;
};

TEST_F(MenuBitmapTest, TheMenuShowsTheArchivesRowsPaddedAndNothingForWhatCannotBeShown) {
    WindowsMenu menu(true);
    menu.appendBitmap("Test", "Walk", "A", "TestMenuA", 0);
    menu.appendBitmap("Test", "C", "TestMenuC", MenuItem::Grayed | MenuItem::Disabled);
    menu.appendBitmap("Test", "Walk", "B", "TestMenuB", 0);     // run-length rows
    menu.appendBitmap("Test", "Walk", "C", "TestMenuWalkC", 0); // in "Stand", not in "Walk"
    menu.appendBitmap("Nobody's", "Walk", "A", "TestMenuNone", 0);
    const SystemMenu& shown = *menu.handle();
    ASSERT_EQ(shown.count(), 5u);
    struct Row {
        std::uint32_t flags;
        std::int16_t width, height, rowBytes;
        Bytes pixels;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> rows;
    for (std::size_t i = 0; i < shown.count(); ++i) {
        const SystemMenu::Entry& e = shown.entry(i);
        ASSERT_TRUE(e.bitmap) << i;
        rows.push_back({e.flags, e.bitmap->width, e.bitmap->height, e.bitmap->rowBytes, e.bitmap->pixels});
    }
    const std::uint32_t grey = SystemMenu::Bitmap | SystemMenu::Grayed | SystemMenu::Disabled;
    EXPECT_EQ(rows, (std::vector<Row>{{SystemMenu::Bitmap, 2, 1, 4, {1, 2, 0, 0}},
                                      {grey, 1, 1, 4, {9, 0, 0, 0}},
                                      {SystemMenu::Bitmap, 0, 0, 0, {}},
                                      {SystemMenu::Bitmap, 0, 0, 0, {}},
                                      {SystemMenu::Bitmap, 0, 0, 0, {}}}));
}

} // namespace
} // namespace vael::test
