// The application's part of a saved game, pinned by hand-written bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/shell/saved_game_header.h"

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

TEST(SavedHeader, WithoutTheBattleMapAFileWithMapViewsOpenOrCutInItsViewportsIsRefused) {
    const struct {
        const char* what;
        Bytes tail; // after the four words
        std::string error;
    } rows[] = {
        {"no views", {0, 0, 0, 0}, ""},
        {"view 0 cut", {0}, "the saved game ends in its viewports"},
        {"view 4 missing", {0, 0}, "the saved game ends in its viewports"},
        {"one view open", {1, 0, 0, 0}, "the saved game has 1 map views to open"},
        {"view 4 open", {0, 0, 0xFF, 0xFF}, "the saved game has -1 map views to open"},
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
