// The application's part of a saved game, pinned by hand-written bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/shell/layer_viewports.h"
#include "game/shell/saved_game_header.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A layer with n map views open, each saved as one byte of its number.
class CountingLayer : public ViewportLayer {
public:
    explicit CountingLayer(std::int16_t views) : views_(views) {}
    void saveViewports(SuperString& s) override {
        s << views_;
        for (std::int16_t i = 0; i < views_; ++i)
            s << static_cast<std::uint8_t>(0xA0 + i);
    }
    bool LoadViewports(SuperString& s, std::string& error) override {
        std::int16_t n = 0;
        s >> n;
        read.clear();
        for (std::int16_t i = 0; i < n && !s.failed(); ++i) {
            std::uint8_t v = 0;
            s >> v;
            read.push_back(v);
        }
        if (s.failed()) return error = "short", false;
        return true;
    }
    Bytes read;

private:
    std::int16_t views_;
};

Bytes withName(Bytes bytes, const std::string& name) {
    bytes.insert(bytes.end(), name.begin(), name.end());
    return bytes;
}

TEST(SavedHeader, FourWordsThenEachViewsViewportsThenTheScenarioWhoseOffsetIsTheFourthWord) {
    ClosedViewportLayer closed0, closed4;
    EXPECT_EQ(writeSavedHeader(closed0, closed4, SavedScenario{10, "GHATMAR.SCN"}),
              withName({0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, // four u32, the fourth 20
                        0,  0, 0, 0,                                       // no view open in either layer
                        10, 0, 0, 0, 11, 0},
                       "GHATMAR.SCN"));
    // 16 + (2 + 2) + (2 + 1): the scenario at 23.
    CountingLayer two(2), one(1);
    EXPECT_EQ(writeSavedHeader(two, one, SavedScenario{3, "b"}),
              (Bytes{0, 0, 0, 0,    0,    0, 0, 0,    0, 0, 0, 0, 23, 0, 0,
                     0, 2, 0, 0xA0, 0xA1, 1, 0, 0xA0, 3, 0, 0, 0, 1,  0, 'b'}));
}

TEST(SavedHeader, TheViewportsAreReadFromOffsetSixteenInTheOrderOfTheViews) {
    const Bytes file{0, 0, 0, 0,    0,    0, 0, 0,    0, 0, 0, 0, 23, 0, 0,
                     0, 2, 0, 0xA0, 0xA1, 1, 0, 0xB0, 3, 0, 0, 0, 1,  0, 'b'};
    CountingLayer view0(0), view4(0);
    std::string error;
    ASSERT_TRUE(readSavedViewports(file, view0, view4, error)) << error;
    EXPECT_EQ(view0.read, (Bytes{0xA0, 0xA1}));
    EXPECT_EQ(view4.read, (Bytes{0xB0}));
    SavedScenario scenario;
    ASSERT_TRUE(readSavedScenario(file, scenario, error)) << error;
    EXPECT_EQ(scenario, (SavedScenario{3, "b"}));
    // The record at 23 is 4 + 2 + 1 bytes long: it ends at 30, whatever follows it.
    Bytes longer = file;
    longer.insert(longer.end(), {0xEE, 0xEE, 0xEE});
    std::size_t end = 0;
    ASSERT_TRUE(readSavedScenario(longer, scenario, error, &end)) << error;
    EXPECT_EQ(end, 30u);
}

TEST(SavedHeader, AFileThatDoesNotNameItsBattleIsRefusedWithTheReason) {
    const std::string noHeader = "the saved game has no header",
                      noBattle = "the saved game does not say which battle it is";
    auto file = [](std::uint8_t at, std::uint32_t index, std::uint16_t length, const std::string& name) {
        Bytes b{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, at, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(index >> (8 * i)));
        b.push_back(static_cast<std::uint8_t>(length)), b.push_back(static_cast<std::uint8_t>(length >> 8));
        return withName(b, name);
    };
    const std::string longest(255, 'x');
    const struct {
        const char* what;
        Bytes bytes;
        std::string error; // empty: taken
    } rows[] = {
        {"fifteen bytes", Bytes(15, 0), noHeader},
        {"sixteen bytes, the record at 0", Bytes(16, 0), noBattle},
        {"the whole record", file(20, 10, 1, "a"), ""},
        {"the record inside the header", file(15, 10, 1, "a"), noBattle},
        {"the record at the file's end", file(26, 10, 0, ""), noBattle},
        {"the record's length past the end", file(21, 10, 1, "a"), noBattle},
        {"a name shorter than its length", file(20, 10, 2, "a"), noBattle},
        {"an empty name", file(20, 10, 0, ""), noBattle},
        {"battle 10, the last", file(20, 10, 1, "a"), ""},
        {"battle 11", file(20, 11, 1, "a"), noBattle},
        {"a name of 255 bytes", file(20, 0, 255, longest), ""},
        {"a name of 256 bytes", file(20, 0, 256, longest + "x"), noBattle},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SavedScenario scenario;
        std::string error;
        EXPECT_EQ(readSavedScenario(row.bytes, scenario, error), row.error.empty());
        EXPECT_EQ(error, row.error);
    }
}

TEST(SavedHeader, ThePlayersDescriptionFollowsTheScenarioAsATaggedRecordAndAGameWithoutOneStaysAsBefore) {
    ClosedViewportLayer closed0, closed4;
    // Record at 20: index 10, name "a"; then "VDSC", length 5, "dawn!"; the layer's part would follow at 38.
    const Bytes described{0, 0,  0, 0, 0, 0, 0, 0,   0,   0,   0,   0,   20, 0, 0,   0,   0,   0,   0,
                          0, 10, 0, 0, 0, 1, 0, 'a', 'V', 'D', 'S', 'C', 5,  0, 'd', 'a', 'w', 'n', '!'};
    EXPECT_EQ(writeSavedHeader(closed0, closed4, SavedScenario{10, "a"}, "dawn!"), described);
    // Without a description the bytes are those of a game saved before there was one.
    const Bytes plain(described.begin(), described.begin() + 27);
    EXPECT_EQ(writeSavedHeader(closed0, closed4, SavedScenario{10, "a"}), plain);
    EXPECT_EQ(writeSavedHeader(closed0, closed4, SavedScenario{10, "a"}, ""), plain);
    // A description longer than the header keeps is cut to its 255 bytes.
    const Bytes longest = writeSavedHeader(closed0, closed4, SavedScenario{10, "a"}, std::string(300, 'q'));
    ASSERT_EQ(longest.size(), 27u + 6 + 255);
    EXPECT_EQ(longest[31], 255);
    EXPECT_EQ(longest[32], 0);

    auto withLayerAt = [](Bytes b, std::size_t at) {
        b[8] = static_cast<std::uint8_t>(at);
        return b;
    };
    auto read = [](const Bytes& file, std::string& description, std::size_t& end) {
        SavedScenario scenario;
        std::string error;
        const bool ok =
            readSavedScenario(file, scenario, error, &end) && readSavedDescription(file, description);
        EXPECT_EQ(scenario, (SavedScenario{10, "a"}));
        return ok;
    };
    const struct {
        const char* what;
        Bytes bytes;
        std::string description;
        std::size_t end; // where the campaign's record or the layer's part may begin
    } rows[] = {
        {"described, the part right after", withLayerAt(described, 38), "dawn!", 38},
        {"described, the part not yet written", described, "dawn!", 38},
        {"an old game, its part after the name",
         withLayerAt(withName(plain, std::string("VDSC\5\0dawn!", 12)), 27), "", 27},
        {"the description running into the part", withLayerAt(described, 37), "", 27},
        {"the description cut by the file's end", Bytes(described.begin(), described.end() - 1), "", 27},
        {"a campaign's record after the name", withName(plain, "CMPN"), "", 27},
        {"a tag one letter off", withName(plain, std::string("VDSD\0\0", 6)), "", 27},
        {"an empty description", withName(plain, std::string("VDSC\0\0", 6)), "", 33},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string description = "unread";
        std::size_t end = 0;
        EXPECT_TRUE(read(row.bytes, description, end));
        EXPECT_EQ(description, row.description);
        EXPECT_EQ(end, row.end);
    }
    std::string description = "unread";
    EXPECT_FALSE(readSavedDescription(Bytes(15, 0), description));
    EXPECT_EQ(description, "");
}

// The mark of a checked save: "VCHK" and a length of 0, after the description (or the scenario's name).
// Only its tag is asked for to call a file marked, so that a damaged length still marks it; only a whole
// mark is passed over on the way to the campaign's record or the layer's part.
TEST(SavedHeader, TheMarkOfACheckedSaveFollowsTheDescriptionAndIsPassedOverOnTheWayToTheNextRecord) {
    ClosedViewportLayer closed0, closed4;
    Bytes marked = writeSavedHeader(closed0, closed4, SavedScenario{10, "a"});
    markCheckedSave(marked);
    // Record at 20: index 10, name "a"; the mark at 27, six bytes.
    EXPECT_EQ(marked, (Bytes{0, 0, 0, 0,  0, 0, 0, 0, 0, 0,   0,   0,   20,  0,   0, 0, 0,
                             0, 0, 0, 10, 0, 0, 0, 1, 0, 'a', 'V', 'C', 'H', 'K', 0, 0}));
    Bytes described = writeSavedHeader(closed0, closed4, SavedScenario{10, "a"}, "dawn!");
    markCheckedSave(described);
    ASSERT_EQ(described.size(), 38u + 6);
    EXPECT_EQ(Bytes(described.begin() + 38, described.end()), (Bytes{'V', 'C', 'H', 'K', 0, 0}));
    const Bytes plain(marked.begin(), marked.begin() + 27);

    auto withLayerAt = [](Bytes b, std::size_t at) {
        b[8] = static_cast<std::uint8_t>(at);
        return b;
    };
    const struct {
        const char* what;
        Bytes bytes;
        bool marked;
        std::size_t end; // where the campaign's record or the layer's part may begin
    } rows[] = {
        {"marked, the part right after", withLayerAt(marked, 33), true, 33},
        {"marked, the part not yet written", marked, true, 33},
        {"described and marked", withLayerAt(described, 44), true, 44},
        {"an old game without the mark", withLayerAt(plain, 27), false, 27},
        {"an old game followed by a campaign", withName(plain, "CMPN\1\0x"), false, 27},
        {"a mark of a damaged length", withName(plain, std::string("VCHK\1\0", 6)), true, 27},
        {"a mark cut after its tag", withName(plain, "VCHK"), true, 27},
        {"a mark cut inside its tag", withName(plain, "VCH"), false, 27},
        {"a tag one letter off", withName(plain, std::string("VCHL\0\0", 6)), false, 27},
        {"the mark running into the part", withLayerAt(marked, 32), true, 27},
        {"the mark before the description", withName(plain, std::string("VCHK\0\0VDSC\1\0x", 13)), true, 33},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SavedScenario scenario;
        std::string error;
        std::size_t end = 0;
        EXPECT_TRUE(readSavedScenario(row.bytes, scenario, error, &end)) << error;
        EXPECT_EQ(end, row.end);
        EXPECT_EQ(savedCheckMark(row.bytes), row.marked);
    }
    // A file with no readable scenario has no mark either.
    EXPECT_FALSE(savedCheckMark(Bytes(marked.begin(), marked.begin() + 22)));
}

TEST(SavedHeader, WithoutTheBattleMapAFileWithMapViewsOpenOrCutInItsViewportsIsRefused) {
    const struct {
        const char* what;
        Bytes tail; // after the four words
        std::string error;
    } rows[] = {
        {"no views", {0, 0, 0, 0}, ""},
        {"view 0 cut", {0}, "the saved game ends in its viewports"},
        {"view 4 missing", {0, 0}, "the saved game ends in its viewports"},
        {"one view open",
         {1, 0, 0, 0},
         "the saved game has 1 map window open, and a battle played without the display has no map to open "
         "it on"},
        {"two views open",
         {2, 0, 0, 0},
         "the saved game has 2 map windows open, and a battle played without the display has no map to open "
         "them on"},
        // The count is told as its two bytes hold it unsigned: never a count below nothing.
        {"view 4 open",
         {0, 0, 0xFF, 0xFF},
         "the saved game has 65535 map windows open, and a battle played without the display has no map to "
         "open them on"},
        {"view 4 at its sign bit",
         {0, 0, 0x00, 0x80},
         "the saved game has 32768 map windows open, and a battle played without the display has no map to "
         "open them on"},
        {"view 0 below its sign bit",
         {0xFF, 0x7F, 0, 0},
         "the saved game has 32767 map windows open, and a battle played without the display has no map to "
         "open them on"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes file(16, 0);
        file.insert(file.end(), row.tail.begin(), row.tail.end());
        ClosedViewportLayer view0, view4;
        std::string error;
        EXPECT_EQ(readSavedViewports(file, view0, view4, error), row.error.empty());
        EXPECT_EQ(error, row.error);
    }
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// One map window of the normal view and none of the reversed one, as the layers write them, by hand: the
// count, the 44-byte place (size 44, flags 0, shown maximized, four unused -1, the box 0 0 500 400), the
// view flags (half size), the overview (shown), the centre (100, 50); then the reversed view's count.
Bytes oneWindowViewports() {
    Bytes b(16, 0);
    auto i16 = [&b](std::int32_t v) { b.push_back(std::uint8_t(v)), b.push_back(std::uint8_t(v >> 8)); };
    auto i32 = [&](std::int32_t v) { i16(v & 0xFFFF), i16(v >> 16 & 0xFFFF); };
    i16(1);
    for (std::int32_t v : {44, 0, 3, -1, -1, -1, -1, 0, 0, 500, 400})
        i32(v);
    for (std::int32_t v : {1, 1, 100, 50})
        i16(v);
    i16(0);
    return b;
}

class LayerViewportsTest : public ::testing::Test {
protected:
    LayerViewportsTest() {
        for (VaelPhysicalLayer* l : {&layers.normal(), &layers.reversed()})
            l->beginLandscape(LandscapeDefinition{1, Point(3, 4), 12, 0});
    }
    TestApplication app;
    VaelPhysicalLayers layers{app};
    int mapAsked = 0;
    std::function<MapInfoStruct()> map = [this] { return ++mapAsked, MapInfoStruct{"Ghatmar", Point(4, 3)}; };
    LayerViewports normal{layers.normal(), map}, reversed{layers.reversed(), map};
};

TEST_F(LayerViewportsTest, TheWindowsOfEachViewOpenFromTheirBytesAndTheNextViewReadsOnWhereTheyEnd) {
    std::string error;
    ASSERT_TRUE(readSavedViewports(oneWindowViewports(), normal, reversed, error)) << error;
    ASSERT_EQ(layers.normal().viewports().count(), 1);
    EXPECT_EQ(layers.reversed().viewports().count(), 0);
    EXPECT_EQ(mapAsked, 1); // for the one view with windows
    Item<Viewport*>* it = nullptr;
    layers.normal().viewports().firstItem(it);
    auto* window = dynamic_cast<VaelMapWindow*>(it->value->display());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->viewFlags(), VaelMapWindow::HalfSize);
    EXPECT_EQ(window->tile().overviewShown(), 1);
    // Written back, the window keeps its flags and overview words where they were read from.
    SuperString again;
    normal.saveViewports(again);
    reversed.saveViewports(again);
    Bytes out(static_cast<std::size_t>(again.length()));
    again.peek(out.data(), 0, again.length());
    ASSERT_EQ(out.size(), 2u + 44 + 8 + 2);
    const Bytes in = oneWindowViewports();
    EXPECT_EQ(Bytes(out.begin() + 46, out.begin() + 50), Bytes(in.begin() + 62, in.begin() + 66));
    EXPECT_EQ(out[54] | out[55] << 8, 0);
}

TEST_F(LayerViewportsTest, ACountBeyondAViewsWindowsOrBytesCutInAWindowAreRefused) {
    const struct {
        const char* what;
        std::size_t cutAt;  // 0: whole
        std::int16_t count; // the normal view's count
        std::string error;
    } rows[] = {
        {"33 windows", 0, LayerViewports::MostWindows + 1,
         "the saved game has 33 map views to open in one view"},
        {"a count with its sign bit", 0, -1, "the saved game has 65535 map views to open in one view"},
        {"the sign bit alone", 0, -32768, "the saved game has 32768 map views to open in one view"},
        {"cut in the place", 40, 1, "the saved game ends in its viewports"},
        {"cut in the centre", 68, 1, "the saved game ends in its viewports"},
        {"cut before the reversed view", 70, 1, "the saved game ends in its viewports"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Bytes b = oneWindowViewports();
        b[16] = std::uint8_t(r.count), b[17] = std::uint8_t(r.count >> 8);
        if (r.cutAt) b.resize(r.cutAt);
        std::string error;
        EXPECT_FALSE(readSavedViewports(b, normal, reversed, error));
        EXPECT_EQ(error, r.error);
        EXPECT_EQ(layers.reversed().viewports().count(), 0);
    }
}

} // namespace
} // namespace vael::test
