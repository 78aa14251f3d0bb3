// The terrain archives: the groups and counts the battle landscape looks up, the same at every size,
// water only where water animates, higher ground lighter, and the same bytes on every run.
#include <gtest/gtest.h>

#include <map>

#include "tools/forge/forge_palette.h"
#include "tools/forge/terrain_art.h"

namespace vael::forge {
namespace {

const std::vector<TerrainArchive>& archives() {
    static const std::vector<TerrainArchive> all = terrainArchives(VAEL_SCENARIO_SOURCES_FOR_TESTS);
    return all;
}

const ForgedArchive* find(const std::string& name) {
    for (const TerrainArchive& a : archives())
        if (a.name == name) return &a.archive;
    return nullptr;
}

std::vector<std::pair<std::string, std::size_t>> layout(const ForgedArchive& a) {
    std::vector<std::pair<std::string, std::size_t>> out;
    for (const ForgedGroup& g : a.groups)
        out.emplace_back(g.name, g.images.size());
    return out;
}

TEST(TerrainArtTest, EveryArchiveAtThreeSizesWithTheGroupsAndCountsLookedUp) {
    const std::vector<std::pair<std::string, std::size_t>> ground{
        {"River", 19},       {"Level 1", 19},      {"Level 2", 19}, {"Level 3", 19},
        {"Level 4", 19},     {"Level 5", 19},      {"Level 6", 19}, {"Cliff 0", 5},
        {"Cliff 1", 4},      {"Cliff 2", 3},       {"Cliff 3", 2},  {"Cliff 4", 1},
        {"River Fords", 19}, {"Minor Rivers", 15}, {"Ford Fix", 6}, {"Roads", 7}};
    const std::vector<std::pair<std::string, std::size_t>> overlays{
        {"Bushes", 6}, {"Bushes (Green)", 6}, {"River Impass", 3},  {"Scars", 4},
        {"Trees", 8},  {"Stones", 6},         {"Stones (Green)", 6}};
    const std::vector<std::pair<std::string, std::size_t>> debris{{"Arrow", 4}, {"Stone", 4}, {"Javelin", 4}};
    const char* grounds[3] = {"Normal Landscape Artwork", "Zoomed Landscape Artwork",
                              "2nd Zoomed Landscape Artwork"};
    const char* sizes[3] = {"", " (Half size)", " (Quarter size)"};
    for (int z = 0; z < 3; ++z) {
        SCOPED_TRACE(z);
        for (const std::string& name : {std::string(grounds[z]), std::string(grounds[z]) + " (Green)"}) {
            ASSERT_NE(find(name), nullptr) << name;
            EXPECT_EQ(layout(*find(name)), ground) << name;
        }
        const std::string s = sizes[z];
        ASSERT_NE(find("Landscape Overlays" + s), nullptr);
        EXPECT_EQ(layout(*find("Landscape Overlays" + s)), overlays);
        ASSERT_NE(find("Missile Debris" + s), nullptr);
        EXPECT_EQ(layout(*find("Missile Debris" + s)), debris);
        for (const char* one : {"Hex Grid", "Hex Outline"}) {
            ASSERT_NE(find(one + s), nullptr);
            EXPECT_EQ(find(one + s)->groups.at(0).images.size(), 16u);
        }
        ASSERT_NE(find("Battle Arrows" + s), nullptr);
        EXPECT_EQ(find("Battle Arrows" + s)->groups.at(0).images.size(), 8u);
        ASSERT_NE(find("Landscape Background" + s), nullptr);
        EXPECT_EQ(find("Landscape Background" + s)->groups.at(0).images.at(0).name, "Block #1");
    }
    // One group a battle map, by the map's own name, in the order of the maps' files.
    ASSERT_NE(find("Overview Maps"), nullptr);
    std::vector<std::string> maps;
    for (const ForgedGroup& map : find("Overview Maps")->groups) {
        maps.push_back(map.name);
        ASSERT_EQ(map.images.size(), 2u) << map.name;
        EXPECT_EQ((std::pair{map.images.at(0).name, map.images.at(1).name}),
                  (std::pair{std::string("Scroll 1"), std::string("Scroll 2")}));
    }
    EXPECT_EQ(maps, (std::vector<std::string>{"Ardhun", "Ghatmar", "Korvath", "Threnmoor", "Velmesk"}));
}

// The pictures of the full-size ground archive, as drawn, by group.
std::map<std::string, std::vector<const Picture*>> groundPictures() {
    std::map<std::string, std::vector<const Picture*>> out;
    for (const TerrainArchive& a : archives()) {
        if (a.name != "Normal Landscape Artwork") continue;
        std::size_t k = 0;
        for (const ForgedGroup& g : a.archive.groups)
            for (std::size_t i = 0; i < g.images.size(); ++i)
                out[g.name].push_back(&a.pictures.at(k++));
    }
    return out;
}

int waterPixels(const Picture& p) {
    int n = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            n += p.at(x, y) >= colour::WaterFirst && p.at(x, y) <= colour::WaterLast;
    return n;
}

TEST(TerrainArtTest, WaterOnlyInTheRiverAndHigherGroundLighter) {
    auto pictures = groundPictures();
    const Picture& river = *pictures["River"].at(0);
    // The middle of the river hex is water in the animated colours; transparent outside the hex.
    EXPECT_GE(river.at(65, 32), colour::WaterFirst);
    EXPECT_LE(river.at(65, 32), colour::WaterLast);
    EXPECT_EQ((std::tuple{river.at(0, 0), river.at(129, 0)}),
              std::tuple(colour::Transparent, colour::Transparent));
    EXPECT_GT(waterPixels(*pictures["River Fords"].at(0)), 0);
    auto brightness = [](const Picture& p) {
        const auto colours = paletteColours();
        long sum = 0, n = 0;
        for (int y = 4; y < 60; ++y)
            for (int x = 30; x < 100; ++x, ++n) {
                const RgbQuad& c = colours[p.at(x, y)];
                sum += c.red + c.green + c.blue;
            }
        return sum / n;
    };
    long previous = 0;
    for (int level = 1; level <= 6; ++level) {
        SCOPED_TRACE(level);
        const Picture& p = *pictures["Level " + std::to_string(level)].at(0);
        EXPECT_EQ(waterPixels(p), 0);
        EXPECT_GT(brightness(p), previous);
        previous = brightness(p);
    }
}

TEST(TerrainArtTest, TheSameBytesOnEveryRun) {
    const std::vector<TerrainArchive> again = terrainArchives(VAEL_SCENARIO_SOURCES_FOR_TESTS);
    ASSERT_EQ(again.size(), archives().size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        SCOPED_TRACE(again[i].name);
        ASSERT_EQ(again[i].archive.groups.size(), archives()[i].archive.groups.size());
        for (std::size_t g = 0; g < again[i].archive.groups.size(); ++g)
            for (std::size_t k = 0; k < again[i].archive.groups[g].images.size(); ++k)
                EXPECT_EQ(again[i].archive.groups[g].images[k].pixels,
                          archives()[i].archive.groups[g].images[k].pixels);
    }
}

} // namespace
} // namespace vael::forge

namespace vael::forge {
namespace {

// The ramp a palette index belongs to, -1 outside the ramps.
int rampOf(std::uint8_t index) {
    return index < 10 || index >= 10 + RampCount * colour::Shades ? -1 : (index - 10) / colour::Shades;
}

// The map window lays the marks over the overview less 27 and 22 pixels at the left and top and 33 at the
// right and bottom: the demonstration map's 30 columns of 20 hexes (5 by 5 pixels each, odd columns half a
// hex over) fill exactly that part, in both views, and the frame is sand around it.
TEST(TerrainArtTest, TheOverviewsHexesFillThePictureLessTheMarksMargins) {
    std::vector<const Picture*> scrolls;
    for (const TerrainArchive& a : archives())
        if (a.name == "Overview Maps")
            for (std::size_t g = 0; g < a.archive.groups.size(); ++g)
                if (a.archive.groups[g].name == "Ghatmar")
                    for (std::size_t k = 2 * g; k < 2 * g + 2 && k < a.pictures.size(); ++k)
                        scrolls.push_back(&a.pictures[k]);
    ASSERT_EQ(scrolls.size(), 2u);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k ? "Scroll 2" : "Scroll 1");
        const Picture& p = *scrolls[static_cast<std::size_t>(k)];
        // 20 * 5 + 5 + 27 + 33 across, 30 * 5 + 22 + 33 down.
        ASSERT_EQ((std::pair{p.width(), p.height()}), (std::pair{165, 205}));
        // The corner hexes of the first and last screen rows, on their top pixel row (clear of the marks
        // of trees and roads at the hexes' middles). Rows 22 and 22 + 29 * 5; the screen row's ends lie at
        // x 27 + 2.5 + 2.5 * s - 0.5 (s = -1 ... 39, the odd columns half a hex over), so pixels 33 and 125
        // are hexes whichever way the picture is turned.
        for (auto [x, y] : {std::pair{33, 22}, std::pair{125, 22}, std::pair{33, 167}, std::pair{125, 167}}) {
            SCOPED_TRACE(testing::Message() << x << ", " << y);
            const int ramp = rampOf(p.at(x, y));
            EXPECT_TRUE(ramp == Grass || ramp == NationBlue) << int(p.at(x, y));
        }
        for (auto [x, y] : {std::pair{14, 100}, std::pair{150, 100}, std::pair{80, 12}, std::pair{80, 190}})
            EXPECT_EQ(rampOf(p.at(x, y)), Sand) << x << ", " << y;
    }
}

} // namespace
} // namespace vael::forge
