// The battle map's window: the zoom commands and the combat and rout marks, what only the active window
// does, the arrow keys, and the window's part of a saved game pinned by hand-written bytes.
#include "game/map/vael_map_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/display/block_landscape.h"
#include "framework/ui/main_window.h"
#include "framework/ui/menu.h"
#include "framework/ui/window_message.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

// Every point right of x 0 lies in region 7, whose centre is (650, 320) in any landscape shown.
class PointLandscape : public BlockLandscape {
public:
    PointLandscape() : BlockLandscape(Dim(24, 18), Dim(20, 15)) {}
    std::int16_t blockAtPoint(const Point& p) override {
        asked.push_back(p);
        return offMap ? -1 : p.x >= 0 ? 7 : -1;
    }
    bool offMap = false;
    std::vector<Point> asked;
    Point3D blockCenter(std::int16_t index) override { return index == 7 ? Point3D(650, 320, 0) : Point3D(); }
};

class ShownWindow : public Component {
public:
    ShownWindow() : Component("Shown window") {}
    void connectHandlers() override {}
};

class RecordingViewport : public Viewport {
public:
    RecordingViewport() : Viewport(new ShownWindow, "Viewport") {}
    void changeViewport(const ViewportInfo& info) override { changes.push_back(info); }
    std::vector<ViewportInfo> changes;
};

// The overviews find no pictures: these tests are about the window, not the battlefield's art.
class NoArtApp : public TestWinApp {
public:
    using TestWinApp::TestWinApp;
    void findInMapFile(OIFBase*) override {}
};

// A frame of 800 x 600 with two map windows of a (20, 30) map (62 x 34 cells); the second is active.
class VaelMapWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(800, 600), "Frame", "appmenu", nullptr,
                                                    nullptr);
        frame->attach(app);
        land.attach(app);
        for (auto* w : {&first, &second}) {
            *w = std::make_unique<VaelMapWindow>(nullptr, Dim(), "Demo", Dim(20, 30));
            (*w)->attach(app);
            (*w)->createInFrame();
        }
        second->activate();
        second->setViewport(&viewport);
    }
    void TearDown() override {
        first.reset();
        second.reset();
        frame.reset();
    }
    Menu& menuOf(VaelMapWindow& w) { return *w.menu(); }

    platform::HeadlessPlatform os;
    NoArtApp app{os};
    PointLandscape land;
    RecordingViewport viewport;
    std::unique_ptr<WindowsMainWindow> frame;
    std::unique_ptr<VaelMapWindow> first, second;
};

TEST_F(VaelMapWindowTest, ANewViewIsAtHalfSizeWithItsOverviewFillingTheWindow) {
    EXPECT_EQ(
        (std::tuple{second->viewFlags(), second->previousFlags(), second->tile().zoomIndex(),
                    second->tile().overviewShown(), second->tile().viewSize() == second->size(),
                    second->tile().landscape() == &land, second->isActiveChild(), first->isActiveChild()}),
        std::tuple(1u, 1u, 1, 1, true, true, true, false));
}

TEST_F(VaelMapWindowTest, ZoomCommandsChangeTheFlagsAndTheCheckMarks) {
    const struct {
        const char* what;
        std::uint32_t start;
        std::uint16_t command;
        std::uint32_t flags;
        bool posted;
        std::uint16_t checked;
    } rows[] = {
        {"in from half", 1, VaelMapWindow::ZoomIn, 0, true, VaelMapWindow::ZoomIn},
        {"in from quarter reversed", 6, VaelMapWindow::ZoomIn, 4, true, VaelMapWindow::ZoomIn},
        {"in at full size", 0, VaelMapWindow::ZoomIn, 0, false, VaelMapWindow::ZoomIn},
        {"normal from quarter", 2, VaelMapWindow::Normal, 1, true, VaelMapWindow::Normal},
        {"normal at half", 5, VaelMapWindow::Normal, 5, false, VaelMapWindow::Normal},
        {"out from half reversed", 5, VaelMapWindow::ZoomOut, 6, true, VaelMapWindow::ZoomOut},
        {"out at quarter", 2, VaelMapWindow::ZoomOut, 2, false, VaelMapWindow::ZoomOut},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        // Reach the start through the commands themselves: the zoom, then the orientation.
        second->onCommand(r.start & 2   ? VaelMapWindow::ZoomOut
                          : r.start & 1 ? VaelMapWindow::Normal
                                        : VaelMapWindow::ZoomIn,
                          0);
        if ((second->viewFlags() & 4) != (r.start & 4)) second->onCommand(VaelMapWindow::ReverseView, 0);
        ASSERT_EQ(second->viewFlags(), r.start);
        viewport.changes.clear();
        second->onCommand(r.command, 0);
        EXPECT_EQ(second->viewFlags(), r.flags);
        ASSERT_EQ(viewport.changes.size(), r.posted ? 1u : 0u);
        if (r.posted) {
            const ViewportInfo& i = viewport.changes[0];
            EXPECT_EQ((std::tuple{i.tile, i.oldFlags, i.newFlags, second->previousFlags()}),
                      std::tuple(&second->tile(), static_cast<std::uint16_t>(r.start),
                                 static_cast<std::uint16_t>(r.flags), r.start));
        }
        for (std::uint16_t id : {VaelMapWindow::ZoomIn, VaelMapWindow::Normal, VaelMapWindow::ZoomOut})
            EXPECT_EQ(menuOf(*second).isChecked(id), id == r.checked) << id;
    }
}

// Reverse View is checked while the window shows the battle turned round, and follows the window made
// active: the menu is the frame's, shared by both views.
TEST_F(VaelMapWindowTest, ReverseViewIsCheckedWhileTheViewIsReversed) {
    EXPECT_FALSE(menuOf(*second).isChecked(VaelMapWindow::ReverseView));
    second->onCommand(VaelMapWindow::ReverseView, 0);
    EXPECT_EQ((std::pair{second->viewFlags() & 4, menuOf(*second).isChecked(VaelMapWindow::ReverseView)}),
              (std::pair{4u, true}));
    first->activate();
    EXPECT_FALSE(menuOf(*first).isChecked(VaelMapWindow::ReverseView)) << "the first view is not reversed";
    second->activate();
    EXPECT_TRUE(menuOf(*second).isChecked(VaelMapWindow::ReverseView));
    second->onCommand(VaelMapWindow::ReverseView, 0);
    EXPECT_EQ((std::pair{second->viewFlags() & 4, menuOf(*second).isChecked(VaelMapWindow::ReverseView)}),
              (std::pair{0u, false}));
}

TEST_F(VaelMapWindowTest, CombatZoomsInAndBackOnlyWhenItChangedTheZoom) {
    Point3D centres[3] = {Point3D(650, 320, 0), Point3D(330, 160, 0), Point3D(170, 80, 0)};
    // From half size: to full size, centred on region 7's centre, and back after the combat.
    second->zoomInForCombat(centres);
    EXPECT_EQ((std::tuple{second->viewFlags(), second->zoomedInForCombat(), menuOf(*second).isChecked(218),
                          menuOf(*second).isChecked(217)}),
              std::tuple(0u, 1, true, false));
    second->zoomOutAfterCombat();
    EXPECT_EQ((std::tuple{second->viewFlags(), second->zoomedInForCombat()}), std::tuple(1u, 0));
    second->zoomOutAfterCombat(); // no mark: nothing
    EXPECT_EQ(second->viewFlags(), 1u);
    // From full size no mark is set, so the view stays at full size.
    second->onCommand(VaelMapWindow::ZoomIn, 0);
    second->zoomInForCombat(centres);
    second->zoomOutAfterCombat();
    EXPECT_EQ((std::tuple{second->viewFlags(), second->zoomedInForCombat()}), std::tuple(0u, 0));
    // A hex off the map (region -1) changes nothing.
    second->onCommand(VaelMapWindow::ZoomOut, 0);
    Point3D off[3] = {Point3D(-5, 0, 0), Point3D(-5, 0, 0), Point3D(-5, 0, 0)};
    second->zoomInForCombat(off);
    EXPECT_EQ((std::tuple{second->viewFlags(), second->zoomedInForCombat()}), std::tuple(2u, 0));
}

TEST_F(VaelMapWindowTest, RoutZoomsOutFromHalfOrFullSizeOnly) {
    const struct {
        std::uint32_t start;
        std::uint32_t out;
        std::uint16_t mark;
    } rows[] = {{1, 2, 1}, {5, 6, 1}, {0, 2, 1}, {4, 6, 1}, {2, 2, 0}, {6, 6, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "flags " << r.start);
        second->onCommand(r.start & 2   ? VaelMapWindow::ZoomOut
                          : r.start & 1 ? VaelMapWindow::Normal
                                        : VaelMapWindow::ZoomIn,
                          0);
        if ((second->viewFlags() & 4) != (r.start & 4)) second->onCommand(VaelMapWindow::ReverseView, 0);
        second->zoomOutForRout();
        EXPECT_EQ((std::tuple{second->viewFlags(), second->zoomedOutForRout()}), std::tuple(r.out, r.mark));
        second->zoomInAfterRout();
        EXPECT_EQ((std::tuple{second->viewFlags(), second->zoomedOutForRout()}), std::tuple(r.start, 0));
    }
}

TEST_F(VaelMapWindowTest, OnlyTheActiveWindowZoomsForACombatOrARout) {
    Point3D centres[3] = {Point3D(650, 320, 0), Point3D(330, 160, 0), Point3D(170, 80, 0)};
    Container<Point3D*> where(centres);
    delete app.queryNamed("ZoomInForCombat", &where);
    EXPECT_EQ((std::tuple{first->viewFlags(), second->viewFlags(), first->zoomedInForCombat(),
                          second->zoomedInForCombat()}),
              std::tuple(1u, 0u, 0, 1));
    delete app.queryNamedEmpty("ZoomOutAfterCombat");
    delete app.queryNamedEmpty("ZoomOutForRout");
    EXPECT_EQ((std::tuple{first->viewFlags(), second->viewFlags(), first->zoomedOutForRout(),
                          second->zoomedOutForRout()}),
              std::tuple(1u, 2u, 0, 1));
    std::unique_ptr<ContainerBase> menu(app.queryNamedEmpty("GetActiveChildMenu"));
    Menu* found = nullptr;
    ASSERT_TRUE(Container<Menu*>::fromMessage(menu.get(), found));
    EXPECT_EQ(found, second->menu());
}

// Hears "Center On Region" as the physical layer would.
class RegionListener : public Component {
public:
    RegionListener() : Component("Region listener") {}
    void connectHandlers() override {
        connectNamed("Center On Region",
                     [](Component* me, BusMessage, ContainerBase* data) -> ContainerBase* {
                         short region = 0;
                         if (Container<short>::fromMessage(data, region))
                             static_cast<RegionListener*>(me)->regions.push_back(region);
                         return nullptr;
                     });
    }
    std::vector<short> regions;
};

TEST_F(VaelMapWindowTest, ReversingAsksForTheCentreRegionAndNothingWhenTheCentreIsOffTheMap) {
    RegionListener listener;
    listener.attach(app);
    second->tile().scrollToCell(Point(2, 3));
    land.asked.clear();
    second->onCommand(VaelMapWindow::ReverseView, 0);
    // The centre: the origin (33, 16) plus half the view.
    const Dim v = second->tile().viewSize();
    EXPECT_EQ((std::tuple{second->viewFlags(), land.asked, listener.regions}),
              std::tuple(5u,
                         std::vector<Point>{Point(static_cast<std::int16_t>(33 + v.w / 2),
                                                  static_cast<std::int16_t>(16 + v.h / 2))},
                         std::vector<short>{7}));
    land.offMap = true;
    second->onCommand(VaelMapWindow::ReverseView, 0);
    EXPECT_EQ((std::tuple{second->viewFlags(), listener.regions.size()}), std::tuple(1u, 1u));
}

TEST_F(VaelMapWindowTest, ArrowKeysScrollOneCellAndStopAtTheEdge) {
    second->tile().scrollToCell(Point(0, 0));
    const struct {
        std::int32_t key;
        Point cell;
    } rows[] = {{platform::KeyLeft, Point(0, 0)},  {platform::KeyUp, Point(0, 0)},
                {platform::KeyRight, Point(1, 0)}, {platform::KeyDown, Point(1, 1)},
                {platform::KeyLeft, Point(0, 1)},  {platform::KeyUp, Point(0, 0)}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.key);
        second->handleMessage(MessageKeyDown, static_cast<std::uintptr_t>(r.key), 0);
        EXPECT_EQ(second->tile().originCell(), r.cell);
    }
}

TEST_F(VaelMapWindowTest, SavedStateIsFlagsOverviewAndTheViewCentre) {
    second->tile().scrollToCell(Point(2, 3));
    second->onCommand(VaelMapWindow::HideOverview, 0);
    std::ostringstream out;
    second->writeState(out);
    // Flags 1 at half size; the origin is cell (2, 3) less the offset (1, 2): (33, 16), plus half the view.
    const Dim v = second->tile().viewSize();
    const std::int16_t cx = static_cast<std::int16_t>(33 + v.w / 2),
                       cy = static_cast<std::int16_t>(16 + v.h / 2);
    const std::string expected{'\x01',
                               '\x00',
                               '\x00',
                               '\x00',
                               static_cast<char>(cx & 0xFF),
                               static_cast<char>(cx >> 8),
                               static_cast<char>(cy & 0xFF),
                               static_cast<char>(cy >> 8)};
    EXPECT_EQ(out.str(), expected);
    EXPECT_EQ((std::tuple{menuOf(*second).isEnabled(251), menuOf(*second).isEnabled(250)}),
              std::tuple(true, false));
}

TEST_F(VaelMapWindowTest, ALoadedViewRestoresItsFlagsOverviewAndCentre) {
    // Quarter size, reversed, overview hidden; centre (300, 200) at quarter size.
    std::istringstream in(std::string("\x06\x00\x00\x00\x2C\x01\xC8\x00", 8));
    VaelMapWindow loaded(in, nullptr, Dim(), "Demo", Dim(10, 9));
    loaded.attach(app);
    loaded.createInFrame();
    EXPECT_TRUE(loaded.readState(in));
    EXPECT_EQ((std::tuple{loaded.ok(), loaded.viewFlags(), loaded.tile().zoomIndex(),
                          loaded.tile().overviewShown()}),
              std::tuple(true, 6u, 2, 0));
    // A map of 20 x 19 cells fits in the quarter-size view: it is centred with negative cells.
    EXPECT_LT(loaded.tile().originCell().x, 0);

    std::istringstream cut(std::string("\x02\x00\x01", 3));
    VaelMapWindow shortOne(cut, nullptr, Dim(), "Demo", Dim(10, 9));
    EXPECT_EQ((std::tuple{shortOne.ok(), shortOne.viewFlags(), shortOne.tile().overviewShown()}),
              std::tuple(false, 1u, 1));
    std::istringstream noCentre(std::string("\x01\x00\x01\x00\x05", 5));
    VaelMapWindow partial(noCentre, nullptr, Dim(), "Demo", Dim(10, 9));
    EXPECT_FALSE(partial.readState(noCentre));
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// The overview inside the tile draws itself with every scroll; the window reaches the screen once for the
// scroll, the overview's picture with it.
TEST_F(VaelMapWindowTest, AScrollPresentsTheWindowOnceWithTheOverviewInIt) {
    ASSERT_NE(second->tile().overview().parent(), nullptr);
    second->tile().scrollToCell(Point(2, 3));
    for (const Dim step : {Dim(1, 0), Dim(-1, 0), Dim(0, 1)}) {
        SCOPED_TRACE(testing::Message() << step.w << ", " << step.h);
        const auto before = os.presents;
        second->tile().scrollByCells(step);
        EXPECT_EQ(os.presents - before, 1);
    }
    // Drawn on its own, the overview still reaches the screen.
    const auto before = os.presents;
    second->tile().refreshOverview(false);
    EXPECT_EQ(os.presents - before, 1);
}

} // namespace
} // namespace vael::test
