// The overview map driven by scripted mouse events through its parent: clicks that re-centre, thumb drags
// clamped to the track, the transparent frame corner, window drags held inside the parent, and the
// highlighted view drawn through the light table.
#include "framework/display/overview_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/ui/placed_at.h"
#include "framework/ui/test_display.h"
#include "landscape_scene.h"
#include "support/display/archive_bytes.h"
#include "support/display/table_palette.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

// "Overview Maps" with the group "Field": "Scroll 1", 40 x 30 keyed, colour 20 with its top-left pixel
// transparent, and "Scroll 2" all colour 60. Offsets: group at 132, images at 270 (pixels 420) and 1620
// (pixels 1770).
Bytes overviewArchive() {
    Bytes b;
    putText(b, "Overview Maps", 128);
    put16(b, 1), put16(b, 2);
    putGroup(b, "Field", 2, 0, 0);
    putImageHeader(b, "Scroll 1", 40, 30, 0, 0, PixelKeyed, 1200, 1620);
    Bytes first(1200, 20);
    first[0] = 0;
    append(b, first);
    putImageHeader(b, "Scroll 2", 40, 30, 0, 0, PixelOpaque, 1200, 0);
    append(b, Bytes(1200, 60));
    return b;
}

// A 300 x 200 content on a 30 x 20 track at (5, 5) of the picture: a tenth of a pixel per unit. The map
// sits at (50, 50) of a 200 x 150 window, viewing (0, 0, 100, 50): the thumb is (5, 5, 10, 5).
class OverviewMapTest : public ::testing::Test {
protected:
    OverviewMapTest() {
        const Bytes bytes = overviewArchive();
        std::ofstream(path(), std::ios::binary) << std::string(bytes.begin(), bytes.end());
        app.onFindInMapFile = [this](OIFBase* library) {
            if (library->name() != "Overview Maps") return;
            std::ifstream file(path(), std::ios::binary);
            library->readFile(path(), file);
        };
        map = std::make_unique<OverviewMap>(Dim(300, 200), Box(0, 0, 100, 50), "Field", Point(5, 5),
                                            Point(5, 5));
        sender.attach(bus);
        map->attach(bus);
        map->setParent(&window, placedAt(Box(50, 50, 40, 30)));
    }
    std::string path() const { return (dir.path() / "overview.oif").string(); }
    // The mouse at p of the map: MouseLeftDown (1), MouseMoved (0) or MouseLeftUp (2).
    void mouse(std::int16_t kind, Point p) { window.routeMouseEvent(kind, p + Point(50, 50)); }
    std::vector<Point> scrolls() {
        std::vector<Point> out;
        for (const auto& [event, data] : sender.heard) {
            Point p;
            if (event == BusMessage(SCROLL_TO) && Container<Point>::fromMessage(data.get(), p))
                out.push_back(p);
        }
        return out;
    }
    std::uint8_t shownAt(int x, int y) { return window.bits()[(y + 50) * window.stride() + x + 50]; }

    TempDir dir{"overview"};
    TablePaletteApp app;
    Bus bus{"Window"};
    Listener sender{{SCROLL_TO}};
    TestDisplay window{Dim(200, 150), "Window"};
    std::unique_ptr<OverviewMap> map;
};

TEST_F(OverviewMapTest, TheTrackIsThePictureLessItsMarginsAndTheThumbFollowsTheView) {
    ASSERT_NE(map->picture(), nullptr);
    EXPECT_EQ((std::tuple{map->getTrack(), map->getThumb(), map->getView()}),
              std::tuple(Box(5, 5, 30, 20), Box(5, 5, 10, 5), Box(0, 0, 100, 50)));
    EXPECT_EQ(map->flipPicture()->bits()[0], 60);
    EXPECT_EQ(map->flipPicture()->bits()[0], 0);
}

TEST_F(OverviewMapTest, ScriptedClicksAndDrags) {
    const struct {
        const char* what;
        std::vector<std::pair<std::int16_t, Point>> script; // of mouse()
        std::vector<Point> sent;
        Box thumb;
    } rows[] = {
        // clang-format off
        {"a click in the thumb centres it there", {{1, Point(12, 8)}, {2, Point(12, 8)}}, {Point(20, 10)}, Box(7, 6, 10, 5)},
        {"a click in the thumb's middle moves nothing", {{1, Point(10, 7)}, {2, Point(10, 7)}}, {}, Box(5, 5, 10, 5)},
        {"a click on the transparent corner", {{1, Point(0, 0)}, {2, Point(0, 0)}}, {}, Box(5, 5, 10, 5)},
        {"a drag of the thumb", {{1, Point(7, 6)}, {0, Point(20, 12)}, {2, Point(20, 12)}}, {Point(130, 60)}, Box(18, 11, 10, 5)},
        {"a drag past the track's corner stops at it", {{1, Point(7, 6)}, {0, Point(100, 100)}, {2, Point(100, 100)}}, {Point(200, 150)}, Box(25, 20, 10, 5)},
        {"a drag that comes back sends where it ended", {{1, Point(7, 6)}, {0, Point(9, 6)}, {0, Point(7, 6)}, {2, Point(7, 6)}}, {Point(0, 0)}, Box(5, 5, 10, 5)},
        {"a click on the track outside the thumb centres it", {{1, Point(20, 15)}, {2, Point(20, 15)}}, {Point(100, 80)}, Box(15, 13, 10, 5)},
        {"odd halves truncate", {{1, Point(20, 15)}, {2, Point(21, 16)}}, {Point(110, 90)}, Box(16, 14, 10, 5)},
        {"a click near the corner is held inside", {{1, Point(34, 24)}, {2, Point(34, 24)}}, {Point(200, 150)}, Box(25, 20, 10, 5)},
        {"the track's last pixel", {{1, Point(34, 5)}, {2, Point(34, 5)}}, {Point(200, 0)}, Box(25, 5, 10, 5)},
        {"a release off the track after a press on it", {{1, Point(20, 15)}, {2, Point(36, 15)}}, {}, Box(5, 5, 10, 5)},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        map->scrollTo(Point(0, 0));
        sender.heard.clear();
        for (const auto& [kind, p] : r.script)
            mouse(kind, p);
        EXPECT_EQ(
            (std::tuple{scrolls(), map->getThumb(), window.captured(), map->isMouseEventEnabled(MouseMoved)}),
            std::tuple(r.sent, r.thumb, nullptr, 0));
    }
}

TEST_F(OverviewMapTest, DraggingTheFrameMovesTheWindowInsideItsParent) {
    const struct {
        const char* what;
        Point release;
        Point at;
    } rows[] = {
        {"by the pointer's travel", Point(12, 5), Point(60, 45)},
        {"not past the left and top", Point(-100, -100), Point(0, 0)},
        {"held against the right and bottom", Point(500, 500), Point(160, 120)},
        {"just inside the right and bottom", Point(112, 80), Point(160, 120)},
        {"one past them", Point(113, 81), Point(160, 120)},
        {"one short of them", Point(111, 79), Point(159, 119)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        window.setChildMetrics(map.get(), placedAt(Box(50, 50, 40, 30)));
        mouse(1, Point(2, 10)), mouse(2, r.release);
        EXPECT_EQ((std::tuple{map->origin(), map->size()}), std::tuple(r.at, Dim(40, 30)));
    }
    EXPECT_TRUE(scrolls().empty());
}

TEST_F(OverviewMapTest, ANarrowerViewKeepsItsCentreAndIsAnnouncedOnce) {
    map->scrollTo(Point(100, 50));
    map->setViewSize(Dim(50, 20));
    EXPECT_EQ((std::tuple{map->getView(), scrolls()}),
              std::tuple(Box(125, 65, 50, 20), std::vector<Point>{Point(125, 65)}));
}

TEST_F(OverviewMapTest, TheViewIsDrawnThroughTheLightTableAndOutlined) {
    map->markDirty(Box(0, 0, 40, 30));
    map->draw();
    // The view's outline at (5, 5) and (14, 9) is not lit.
    EXPECT_EQ((std::tuple{shownAt(1, 0), shownAt(4, 4), shownAt(6, 6), shownAt(13, 8), shownAt(15, 6),
                          shownAt(5, 5) != 23, shownAt(14, 9) != 23, map->dirtyBoxes().empty()}),
              std::tuple(20, 20, 23, 23, 20, true, true, true));
}

} // namespace
} // namespace vael::test
