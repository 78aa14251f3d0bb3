// A map window on the two layers with forged battle landscapes of a 20 x 16 map: the hex in the middle of
// the view is kept through zooms and turns of the view, hexes off the map move nothing, and the overview
// turns round with the view and shows that side's marks.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/display/image_index.h"
#include "framework/ui/main_window.h"
#include "game/flow/shock_records.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "hex_map_fixture.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

class ForgedWinApp : public TestWinApp {
public:
    using TestWinApp::TestWinApp;
    void findDataFile(OIFBase* library, const std::uint8_t*& at, const std::uint8_t* end) override {
        findIndexedDataFile(library, at, end, VAEL_BUILD_DATA_DIR, "");
    }
};

constexpr int Columns = 40, Rows = 16;

class MapWindowViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        VaelPhysicalLayer::clearViewFlags();
        ASSERT_TRUE(index.read(VAEL_BUILD_DATA_DIR));
        frame = std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(800, 600), "Frame", "appmenu", nullptr,
                                                    nullptr);
        frame->attach(app);
        layers = std::make_unique<VaelPhysicalLayers>(app);
        const LandscapeDefinition def{10, Point(Columns, Rows), Columns * Rows, 0};
        for (VaelPhysicalLayer* layer : {&layers->normal(), &layers->reversed()}) {
            layer->beginLandscape(def);
            for (int zoom = 0; zoom < 3; ++zoom)
                feed(*layer->zoomLandscape(zoom), Columns, Rows,
                     mapRegions(Columns, Rows, [](int) { return 1; }));
        }
        layers->normal().createMapViewport("Ghatmar", Dim(Columns, Rows));
        Viewport* v = nullptr;
        layers->normal().viewports().last(v);
        window = v ? dynamic_cast<VaelMapWindow*>(v->display()) : nullptr;
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->isActiveChild());
    }
    void TearDown() override {
        layers.reset();
        frame.reset();
        VaelPhysicalLayer::clearViewFlags();
    }
    VaelLandscapeTile& tile() { return window->tile(); }
    std::string shown(short hex) {
        const Point d = offsetFrom(hex);
        return "off by " + std::to_string(d.x) + ", " + std::to_string(d.y);
    }
    // The middle of the view lies less than a cell from the hex's centre (the view moves in whole cells).
    bool centredOn(short hex) {
        const Point d = offsetFrom(hex);
        const Dim cell = tile().cellSize();
        return d.x > -cell.w && d.x < cell.w && d.y > -cell.h && d.y < cell.h;
    }
    // How far the middle of the view lies from the hex's centre on the landscape shown.
    Point offsetFrom(short hex) {
        const Point3D c = tile().landscape()->blockCenter(hex);
        return tile().viewCentre() - Point(c.x, c.y);
    }
    void centreOn(short hex) {
        Container<short> where(hex);
        delete app.queryNamed("Center On Region", &where);
    }

    platform::HeadlessPlatform os;
    ForgedWinApp app{os};
    ImageIndex index;
    std::unique_ptr<WindowsMainWindow> frame;
    std::unique_ptr<VaelPhysicalLayers> layers;
    VaelMapWindow* window = nullptr;
};

TEST_F(MapWindowViewsTest, TheHexesOfTheTwoViewsAreOtherBlocks) {
    // Hex 1007 (column 10, row 7): block 10 * 16 + (16 - 1 - 7) = 168 in the normal view; turned round
    // column 40 - 1 - 10 = 29, place 7 + 0 (an even column): block 29 * 16 + 7 = 471. Block 168 turned
    // round is column 40 - 1 - 10 = 29, row 8 - 1 (an odd column): hex 2907.
    EXPECT_EQ(layers->normal().zoomLandscape(1)->hexToBlock(1007), 168);
    EXPECT_EQ(layers->reversed().zoomLandscape(1)->hexToBlock(1007), 471);
    EXPECT_EQ(layers->reversed().zoomLandscape(1)->blockToHex(168), 2907);
}

TEST_F(MapWindowViewsTest, ReversingTheViewKeepsTheHexInTheMiddle) {
    // Hexes far enough from the edges for the half-size view to have them in its middle.
    for (short hex : {2007, 1508, 2506, 1909}) {
        SCOPED_TRACE(hex);
        centreOn(hex);
        ASSERT_TRUE(centredOn(hex)) << shown(hex);
        window->onCommand(VaelMapWindow::ReverseView, 0);
        EXPECT_EQ(window->viewFlags(), 5u);
        EXPECT_EQ(tile().landscape(), layers->reversed().zoomLandscape(1));
        EXPECT_TRUE(centredOn(hex)) << shown(hex);
        window->onCommand(VaelMapWindow::ReverseView, 0);
        EXPECT_EQ(tile().landscape(), layers->normal().zoomLandscape(1));
        EXPECT_TRUE(centredOn(hex)) << shown(hex);
    }
}

TEST_F(MapWindowViewsTest, EachZoomKeepsTheHexInTheMiddleInBothViews) {
    centreOn(2007);
    const struct {
        std::uint16_t command;
        std::uint16_t zoom;
    } steps[] = {{VaelMapWindow::ZoomIn, 0},      {VaelMapWindow::Normal, 1}, {VaelMapWindow::ZoomIn, 0},
                 {VaelMapWindow::ReverseView, 0}, {VaelMapWindow::Normal, 1}, {VaelMapWindow::ZoomIn, 0}};
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "command " << s.command << " flags " << window->viewFlags());
        window->onCommand(s.command, 0);
        EXPECT_EQ(tile().zoomIndex(), s.zoom);
        EXPECT_TRUE(centredOn(2007)) << shown(2007);
    }
}

TEST_F(MapWindowViewsTest, AtQuarterSizeTheSmallMapSitsInTheMiddleOfTheView) {
    // 34 x 64 cells of map (2 * 16 + 2 across, 40 * 3 / 2 + 4 down).
    EXPECT_EQ(tile().mapCells(), Dim(34, 64));
    centreOn(2007);
    for (std::uint16_t command : {VaelMapWindow::ZoomOut, VaelMapWindow::ReverseView}) {
        SCOPED_TRACE(command);
        window->onCommand(command, 0);
        const Dim view = tile().viewCells();
        ASSERT_GT(view.w, 34);
        ASSERT_GT(view.h, 64);
        EXPECT_EQ(tile().originCell(), Point(static_cast<std::int16_t>(-((view.w - 34) / 2)),
                                             static_cast<std::int16_t>(-((view.h - 64) / 2))));
    }
    // Back to half size in the middle of the map; the tile is smaller than the map there, so the centre
    // hex is the one of the map's middle, not the corner the quarter view began at.
    window->onCommand(VaelMapWindow::Normal, 0);
    EXPECT_GT(tile().originCell().x, 0);
    EXPECT_GT(tile().originCell().y, 0);
}

TEST_F(MapWindowViewsTest, HexesOffTheMapMoveNothing) {
    centreOn(2007);
    const Point at = tile().origin();
    // No hex, a column past the last, a row past the last, the missing last hex of an odd column.
    for (short hex : {-1, 4000, 1016, 1115, 9999}) {
        SCOPED_TRACE(hex);
        centreOn(hex);
        Container<short> combat(hex);
        delete app.queryNamed("Combat Center On Region", &combat);
        EXPECT_EQ((std::tuple{tile().origin(), window->viewFlags(), window->zoomedInForCombat()}),
                  std::tuple(at, 1u, 0));
    }
}

TEST_F(MapWindowViewsTest, ACombatZoomsInOnItsHexInEitherView) {
    for (std::uint32_t view : {0u, 4u}) {
        SCOPED_TRACE(view);
        if ((window->viewFlags() & 4) != view) window->onCommand(VaelMapWindow::ReverseView, 0);
        centreOn(1508);
        Container<short> combat(2506);
        delete app.queryNamed("Combat Center On Region", &combat);
        EXPECT_EQ((std::tuple{window->viewFlags(), window->zoomedInForCombat()}), std::tuple(view, 1));
        EXPECT_TRUE(centredOn(2506)) << shown(2506);
        window->zoomOutAfterCombat();
        EXPECT_EQ(window->viewFlags(), view | 1);
        EXPECT_TRUE(centredOn(2506)) << shown(2506);
    }
}

TEST_F(MapWindowViewsTest, TheOverviewTurnsWithTheViewAndAsksForThatSidesMarks) {
    VaelOverviewMap& overview = tile().overview();
    overview.draw();
    Bitmap* normalPicture = overview.picture();
    ASSERT_NE(normalPicture, nullptr);
    EXPECT_FALSE(overview.reversed());
    EXPECT_EQ(overview.unitBitmap(), layers->normal().unitBitmap());
    ASSERT_NE(overview.unitBitmap(), nullptr);
    window->onCommand(VaelMapWindow::ReverseView, 0);
    EXPECT_TRUE(overview.reversed());
    EXPECT_NE(overview.picture(), normalPicture);
    ASSERT_NE(layers->reversed().unitBitmap(), nullptr);
    EXPECT_EQ(overview.unitBitmap(), layers->reversed().unitBitmap());
    // A zoom turns nothing round.
    window->onCommand(VaelMapWindow::ZoomOut, 0);
    EXPECT_TRUE(overview.reversed());
    window->onCommand(VaelMapWindow::ReverseView, 0);
    EXPECT_EQ((std::tuple{overview.reversed(), overview.picture(), overview.unitBitmap()}),
              std::tuple(false, normalPicture, layers->normal().unitBitmap()));
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// Four corners: columns c0 and c1 (even, so no half-hex shift), rows r0 and r1. At full size the centres
// of one column lie 130 pixels apart a row, and the columns 48 pixels apart, in either view.
short fitsFor(ForgedWinApp& app, int c0, int r0, int c1, int r1) {
    const auto hex = [](int c, int r) { return static_cast<std::uint16_t>(c * 100 + r); };
    Container<WillCombatFitStruct> corners(
        WillCombatFitStruct{hex(c0, r1), hex(c0, r0), hex(c1, r1), hex(c1, r0)});
    std::unique_ptr<ContainerBase> reply(app.queryNamed("WillCombatFit?", &corners));
    short fits = -1;
    Container<short>::fromMessage(reply.get(), fits);
    return fits;
}

TEST_F(MapWindowViewsTest, ACombatFitsWhenItsCornersCentresFitInTheViewInEitherView) {
    const Dim view = tile().viewSize();
    // The most rows across and columns down whose centres the view spans.
    const int rows = view.w / 130, columns = view.h / 48;
    ASSERT_LT(rows, 15);
    ASSERT_LT(2 * (columns / 2) + 2, 40);
    const int evenColumns = columns / 2 * 2;
    for (std::uint16_t command : {std::uint16_t{0}, VaelMapWindow::ReverseView}) {
        SCOPED_TRACE(command);
        if (command) window->onCommand(command, 0);
        EXPECT_EQ(fitsFor(app, 10, 0, 10 + evenColumns, rows), 1);
        EXPECT_EQ(fitsFor(app, 10, 0, 10, rows + 1), 0);
        // Two columns more than the even count that fits reach past the view: (columns + 1) * 48 > height.
        EXPECT_EQ(fitsFor(app, 10, 0, 10 + evenColumns + 2, 1), 0);
        // One hex, and corners off the map (a side without units), fit.
        EXPECT_EQ(fitsFor(app, 12, 3, 12, 3), 1);
        EXPECT_EQ(fitsFor(app, 0xFFFF / 100, 0, 0xFFFF / 100, 0), 1);
    }
}

} // namespace
} // namespace vael::test
