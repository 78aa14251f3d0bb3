// The layers' map windows (opened, turned to the other view, saved and restored), the picture of the
// units' positions drawn by hand-placed marks, and the preloading of a scenario's images in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/display/bitmap.h"
#include "framework/ui/main_window.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/scenario_records.h"
#include "support/display/table_palette.h"
#include "support/map/display_object_double.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

class PreloadDouble : public DisplayObjectDouble {
public:
    explicit PreloadDouble(std::uint16_t type) : DisplayObjectDouble("Preloaded", 0, 1), type_(type) {}
    void preload() override { preloaded.push_back(type_); }
    static inline std::vector<std::uint16_t> preloaded;

private:
    std::uint16_t type_;
};

TEST(MapViewportsPreload, TheScenarioRowLoadsInOrderWithOneMoreDotEachTime) {
    TestApplication app;
    VaelPhysicalLayers layers(app);
    for (std::uint16_t type : {4, 5, 19, 31, 41, 26, 12, 0, 34})
        PhysicalLayer::registerPrototype(type, new PreloadDouble(type));
    const struct {
        std::uint32_t scenario;
        std::vector<std::uint16_t> loaded;
        std::size_t lines;
    } rows[] = {{6, {4, 5, 19, 31, 41, 26, 12}, 7}, {9, {0, 4, 19}, 17}, {10, {}, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.scenario);
        PreloadDouble::preloaded.clear();
        std::vector<std::string> lines;
        layers.normal().preloadScenarioSprites(r.scenario, [&](const std::string& t) { lines.push_back(t); });
        // Types without a prototype are passed over; their progress lines still show.
        EXPECT_EQ(PreloadDouble::preloaded, r.loaded);
        ASSERT_EQ(lines.size(), r.lines);
        if (r.scenario == 6) {
            EXPECT_EQ(lines, (std::vector<std::string>{"Please wait", "Please wait.", "Please wait..",
                                                       "Please wait...", "Please wait....",
                                                       "Please wait.....", "Please wait......"}));
        }
    }
    EXPECT_EQ(VaelPhysicalLayer::preloadTypes(5).size(), 26u);
    EXPECT_EQ(VaelPhysicalLayer::preloadTypes(5).back(), 36);
}

class UnitBitmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        VaelPhysicalLayer::clearViewFlags();
        layers = std::make_unique<VaelPhysicalLayers>(app);
        PhysicalLayer::registerPrototype(7, new DisplayObjectDouble("Foot", 0, 1));
        // A map of 3 hex columns by 4 rows: the picture has 4 cells across and 3 down.
        LandscapeDefinition def{1, Point(3, 4), 12, 0};
        layers->normal().beginLandscape(def);
        layers->reversed().beginLandscape(def);
    }
    void TearDown() override {
        layers.reset();
        VaelPhysicalLayer::clearViewFlags();
    }
    void create(std::uint16_t unit, std::int16_t hex, std::uint32_t nation) {
        Container<LogicalCommandInfo> box(LogicalCommandInfo(
            unit, new Container<LOCreateInfo>(LOCreateInfo{7, 1, nation}), static_cast<std::uint16_t>(hex)));
        app.send(LOGICAL_UNIT_CREATED, &box);
    }
    // The picture's rows as the marks were drawn into them.
    static std::vector<std::string> rowsOf(const Bitmap& b) {
        std::vector<std::string> rows;
        const int stride = b.width() + b.padding();
        for (int y = 0; y < b.height(); ++y) {
            std::string row;
            for (int x = 0; x < b.width(); ++x) {
                const std::uint8_t p = b.bits()[y * stride + x];
                row += p == 0 ? '.' : p == 0xFF ? 'R' : '?';
            }
            rows.push_back(row);
        }
        return rows;
    }
    TablePaletteApp app; // index = red: nation 1's colour (red 0xFF) is 255
    std::unique_ptr<VaelPhysicalLayers> layers;
};

TEST_F(UnitBitmapTest, MarksSitInTheirCellsAndShiftedRowsMoveHalfAStepByView) {
    // Hex 102 (column 1, row 2) lies on picture row 1 (shifted); hex 200 on row 2 (not shifted).
    create(0, 102, 1);
    create(1, 200, 1);
    Container<Dim> size(Dim(8, 6));
    std::unique_ptr<ContainerBase> reply(layers->normal().queryNamed("Get Unit Bitmap", &size));
    auto* box = dynamic_cast<Container<Bitmap*>*>(reply.get());
    ASSERT_TRUE(box && box->value());
    EXPECT_EQ(box->value(), layers->normal().unitBitmap());
    // Steps of 2 by 2. Normal view: hex 102 at cell (1, 1), left half a step -> x 1; hex 200 at (3, 2).
    EXPECT_EQ(rowsOf(*box->value()), (std::vector<std::string>{"........", "........", ".RR.....", ".RR.....",
                                                               "......RR", "......RR"}));
    // Reversed view: hex 102 at cell (2, 1), right half a step -> x 5; hex 200 at (0, 0).
    Bitmap* reversed = layers->reversed().unitBitmap(Dim(8, 6));
    ASSERT_TRUE(reversed);
    EXPECT_EQ(rowsOf(*reversed), (std::vector<std::string>{"RR......", "RR......", ".....RR.", ".....RR.",
                                                           "........", "........"}));
}

TEST_F(UnitBitmapTest, WithAnEvenCountOfColumnsTheOddColumnsAreShiftedInTheReversedView) {
    // 4 hex columns by 3 rows: the picture has 3 cells across and 4 down, steps of 2 by 2. Turned round,
    // the picture's rows run from column 3 to column 0, so an odd column sits on an even row.
    const LandscapeDefinition def{1, Point(4, 3), 12, 0};
    layers->normal().beginLandscape(def);
    layers->reversed().beginLandscape(def);
    create(0, 101, 1);
    create(1, 200, 1);
    // Normal view: hex 101 at cell (1, 1), column 1 odd, left half a step -> x 1; hex 200 at (2, 2).
    Bitmap* normal = layers->normal().unitBitmap(Dim(6, 8));
    ASSERT_TRUE(normal);
    EXPECT_EQ(rowsOf(*normal), (std::vector<std::string>{"......", "......", ".RR...", ".RR...", "....RR",
                                                         "....RR", "......", "......"}));
    // Reversed view: hex 101 at cell (1, 2), column 1 odd, right half a step -> x 3; hex 200 at (0, 1),
    // column 2 even, not shifted although its picture row is odd.
    Bitmap* reversed = layers->reversed().unitBitmap(Dim(6, 8));
    ASSERT_TRUE(reversed);
    EXPECT_EQ(rowsOf(*reversed), (std::vector<std::string>{"......", "......", "RR....", "RR....", "...RR.",
                                                           "...RR.", "......", "......"}));
}

TEST_F(UnitBitmapTest, ThePictureIsMadeOnceAndKeptCurrent) {
    Bitmap* first = layers->normal().unitBitmap(Dim(8, 6));
    ASSERT_TRUE(first);
    // Before any unit: no marks.
    EXPECT_EQ(rowsOf(*first), std::vector<std::string>(6, "........"));
    EXPECT_EQ(layers->normal().unitBitmap(Dim(40, 30)), first);
    EXPECT_EQ(first->width(), 8);
    // A unit made later is marked at once.
    create(0, 200, 1);
    EXPECT_EQ(rowsOf(*first)[4], "......RR");
    EXPECT_EQ(rowsOf(*first)[5], "......RR");
    EXPECT_EQ(first->kind(), 2);
}

TEST_F(UnitBitmapTest, ALoadedGamesMarksStandWhereTheSavedGameHadThem) {
    create(0, 102, 1);
    Bitmap* marks = layers->normal().unitBitmap(Dim(8, 6));
    ASSERT_TRUE(marks);
    // The layers' table at byte 4 of the file is still empty: both layers append their parts.
    std::vector<std::uint8_t> file(8, 0);
    ASSERT_TRUE(layers->normal().saveGameBytes(file));
    ASSERT_TRUE(layers->reversed().saveGameBytes(file));
    // After the save another unit comes onto hex 200, marked at once; the file knows nothing of it.
    create(1, 200, 1);
    EXPECT_EQ(rowsOf(*marks)[4], "......RR");
    layers->loadGameBytes(file);
    EXPECT_EQ(rowsOf(*marks), (std::vector<std::string>{"........", "........", ".RR.....", ".RR.....",
                                                        "........", "........"}));
}

TEST_F(UnitBitmapTest, ANonsenseSizeMakesNoPicture) {
    EXPECT_EQ(layers->normal().unitBitmap(Dim(0, 6)), nullptr);
    EXPECT_EQ(layers->normal().unitBitmap(Dim(8, -1)), nullptr);
    EXPECT_NE(layers->normal().unitBitmap(Dim(1, 1)), nullptr);
}

// These tests are about the windows, not the battlefield's art: no pictures are found.
class NoArtApp : public TestWinApp {
public:
    using TestWinApp::TestWinApp;
    void findInMapFile(OIFBase*) override {}
};

// Map windows in a frame of 800 x 600.
class MapViewportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        VaelPhysicalLayer::clearViewFlags();
        frame = std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(800, 600), "Frame", "appmenu", nullptr,
                                                    nullptr);
        frame->attach(app);
        layers = std::make_unique<VaelPhysicalLayers>(app);
    }
    void TearDown() override {
        layers.reset();
        frame.reset();
        VaelPhysicalLayer::clearViewFlags();
    }
    VaelMapWindow* windowOf(VaelPhysicalLayer& layer) {
        Viewport* v = nullptr;
        if (!layer.viewports().isEmpty()) layer.viewports().last(v);
        return v ? dynamic_cast<VaelMapWindow*>(v->display()) : nullptr;
    }

    platform::HeadlessPlatform os;
    NoArtApp app{os};
    std::unique_ptr<WindowsMainWindow> frame;
    std::unique_ptr<VaelPhysicalLayers> layers;
};

TEST_F(MapViewportsTest, MapOpenMakesOneMaximizedWindowOnTheNormalViewOnly) {
    Container<MapInfoStruct> info(MapInfoStruct{"Demo", Point(20, 30)});
    app.send(MAP_OPEN, &info);
    EXPECT_EQ((std::tuple{layers->normal().viewports().count(), layers->reversed().viewports().count(),
                          VaelPhysicalLayer::normalViewShown(), VaelPhysicalLayer::reversedViewShown()}),
              std::tuple(1, 0, true, false));
    VaelMapWindow* window = windowOf(layers->normal());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->viewport(), [&] {
        Viewport* v = nullptr;
        layers->normal().viewports().last(v);
        return v;
    }());
    const VaelMapWindow::Placement p = window->placement();
    EXPECT_EQ(std::vector<std::uint8_t>(p.begin(), p.begin() + 12),
              (std::vector<std::uint8_t>{44, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0}));
}

TEST_F(MapViewportsTest, TurningAWindowMovesItsViewportToTheOtherLayerAndBack) {
    layers->normal().createMapViewport("Demo", Dim(20, 30));
    VaelMapWindow* window = windowOf(layers->normal());
    ASSERT_TRUE(window);
    Viewport* viewport = window->viewport();
    const struct {
        std::uint16_t from, to;
        int normal, reversed;
        bool normalShown, reversedShown;
    } rows[] = {{1, 5, 0, 1, false, true},
                {5, 6, 0, 1, false, true},
                {6, 2, 1, 0, true, false},
                {2, 0, 1, 0, true, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.from << " -> " << r.to);
        viewport->changeViewport(ViewportInfo{window, &window->tile(), r.from, r.to});
        EXPECT_EQ((std::tuple{layers->normal().viewports().count(), layers->reversed().viewports().count(),
                              VaelPhysicalLayer::normalViewShown(), VaelPhysicalLayer::reversedViewShown()}),
                  std::tuple(r.normal, r.reversed, r.normalShown, r.reversedShown));
        EXPECT_EQ(viewport->getParent(),
                  r.normal ? static_cast<Bus*>(&layers->normal()) : static_cast<Bus*>(&layers->reversed()));
    }
}

TEST_F(MapViewportsTest, ViewportsAreSavedAndRestoredWithTheirWindows) {
    std::ostringstream none;
    layers->reversed().saveViewports(none);
    EXPECT_EQ(none.str(), std::string("\0\0", 2));

    layers->normal().createMapViewport("Demo", Dim(20, 30));
    std::ostringstream out;
    layers->normal().saveViewports(out);
    const std::string bytes = out.str();
    // The count, the 44-byte place, then the window's flags, overview word and centre.
    ASSERT_EQ(bytes.size(), 2u + 44u + 8u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\1\0", 2));
    EXPECT_EQ(bytes.substr(46, 4), std::string("\1\0\1\0", 4));

    std::istringstream in(bytes);
    ASSERT_TRUE(layers->reversed().loadViewports(in, "Demo", Dim(20, 30)));
    VaelMapWindow* restored = windowOf(layers->reversed());
    ASSERT_TRUE(restored);
    EXPECT_EQ((std::tuple{restored->viewFlags(), VaelPhysicalLayer::reversedViewShown()}),
              std::tuple(1u, true));
    std::ostringstream again;
    layers->reversed().saveViewports(again);
    EXPECT_EQ(again.str(), bytes);

    std::istringstream empty(std::string("\0\0", 2));
    EXPECT_TRUE(layers->reversed().loadViewports(empty, "Demo", Dim(20, 30)));
}

TEST_F(MapViewportsTest, AShortStreamRestoresNoHalfWindow) {
    const struct {
        const char* what;
        std::string bytes;
    } rows[] = {{"no count", std::string("\1", 1)},
                {"negative count", std::string("\xFF\xFF", 2)},
                {"place cut short", std::string("\1\0", 2) + std::string(20, '\0')}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::istringstream in(r.bytes);
        EXPECT_FALSE(layers->normal().loadViewports(in, "Demo", Dim(20, 30)));
        EXPECT_EQ(layers->normal().viewports().count(), 0);
        EXPECT_FALSE(VaelPhysicalLayer::normalViewShown());
    }
}

// A saved window placement whose corners lie beyond any screen is refused before a window is made for
// it: its size would not fit a number. The corners are the four i32 at 28, 32, 36 and 40.
TEST_F(MapViewportsTest, APlacementWithCornersBeyondAnyScreenIsRefusedBeforeAWindowOpens) {
    layers->normal().createMapViewport("Demo", Dim(20, 30));
    std::ostringstream out;
    layers->normal().saveViewports(out);
    const std::string saved = out.str();
    auto put = [](std::string& bytes, std::size_t at, std::int32_t v) {
        for (int k = 0; k < 4; ++k)
            bytes[2 + at + static_cast<std::size_t>(k)] =
                static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * k));
    };
    const struct {
        const char* what;
        std::int32_t left, top, right, bottom;
        bool taken;
    } rows[] = {
        {"a small window", 10, 20, 400, 300, true},
        {"top-left corner at the bound", -32767, -32767, -32767 + 100, -32767 + 100, true},
        {"bottom-right corner at the bound", 32767 - 100, 32767 - 100, 32767, 32767, true},
        {"as wide as a window may be", 0, 0, 8192, 100, true},
        {"one wider than a window may be", 0, 0, 8193, 100, false},
        {"as tall as a window may be", -100, -4000, 0, 4192, true},
        {"one taller than a window may be", -100, -4000, 0, 4193, false},
        {"corners at the bound, a screen too large", -32767, -32767, 32767, 32767, false},
        {"left one past the bound", -32768, 0, 100, 100, false},
        {"right one past the bound", 0, 0, 32768, 100, false},
        {"top one past the bound", 0, -32768, 100, 100, false},
        {"bottom one past the bound", 0, 0, 100, 32768, false},
        {"the widest the numbers hold", INT32_MIN, 0, INT32_MAX, 100, false},
        {"the tallest the numbers hold", 0, INT32_MIN, 100, INT32_MAX, false},
        {"right of left", 100, 0, 99, 100, false},
        {"empty", 100, 100, 100, 100, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string bytes = saved;
        put(bytes, 28, row.left), put(bytes, 32, row.top), put(bytes, 36, row.right),
            put(bytes, 40, row.bottom);
        VaelMapWindow::Placement p{};
        std::copy(bytes.begin() + 2, bytes.begin() + 46, p.begin());
        EXPECT_EQ(VaelMapWindow::placementFits(p), row.taken);
        const int before = layers->reversed().viewports().count();
        std::istringstream in(bytes);
        EXPECT_EQ(layers->reversed().loadViewports(in, "Demo", Dim(20, 30)), row.taken);
        EXPECT_EQ(layers->reversed().viewports().count(), before + (row.taken ? 1 : 0));
    }
    // The size field is the placement's own length.
    VaelMapWindow::Placement wrong{};
    std::copy(saved.begin() + 2, saved.begin() + 46, wrong.begin());
    wrong[0] = 43;
    EXPECT_FALSE(VaelMapWindow::placementFits(wrong));
    wrong[0] = 44;
    EXPECT_TRUE(VaelMapWindow::placementFits(wrong));
}

} // namespace
} // namespace vael::test
