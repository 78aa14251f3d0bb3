// Palettes: both file forms pinned by hand-written bytes, the remap tables of a BMP palette worked out by
// hand, the nearest-colour search, animation flags, and the built-in colours when a file fails.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "framework/display/realised_palette.h"
#include "framework/display/windows_palette.h"
#include "support/display/image_bytes.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

std::string text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

void putColour(Bytes& b, int red, int green, int blue) {
    b.insert(b.end(), {static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                       static_cast<std::uint8_t>(red), 0});
}

// A cached file: colour i = (i, 255 - i, 7), table t maps i to (i * 7 + t) mod 256.
Bytes cachedFile() {
    Bytes b;
    putText(b, "Ostrell Palette", 15);
    for (int i = 0; i < 256; ++i)
        putColour(b, i, 255 - i, 7);
    for (int t = 0; t < 5; ++t)
        for (int i = 0; i < 256; ++i)
            b.push_back(static_cast<std::uint8_t>(i * 7 + t));
    return b;
}

// A BMP file: headers of junk, then colours all black but 10 grey 100, 11 grey 70, 12 grey 140, 13 red 200
// and 255 white; then image bits that must not be read.
Bytes bmpFile() {
    Bytes b(54, 0xEE);
    for (int i = 0; i < 256; ++i) {
        const int grey = i == 10 ? 100 : i == 11 ? 70 : i == 12 ? 140 : i == 255 ? 255 : 0;
        putColour(b, i == 13 ? 200 : grey, grey, grey);
    }
    return b;
}

// RgbQuad is blue, green, red; hsvToRgb truncates.
TEST(HsvTest, RgbToHsvAndBack) {
    struct Row {
        RgbQuad colour;
        float hue, saturation, value;
    } rows[] = {{{0, 0, 0, 0}, -1, 0, 0},
                {{0, 0, 255, 0}, 0, 1, 1},
                {{0, 255, 0, 0}, 120, 1, 1},
                {{255, 0, 0, 0}, 240, 1, 1},
                {{255, 0, 255, 0}, 300, 1, 1},
                {{128, 128, 128, 0}, -1, 0, 128 / 255.0f},
                {{0, 0, 100, 0}, 0, 1, 100 / 255.0f}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << +r.colour.red << "," << +r.colour.green << "," << +r.colour.blue);
        const HSVColour c = rgbToHsv(r.colour);
        EXPECT_FLOAT_EQ(c.hue, r.hue);
        EXPECT_FLOAT_EQ(c.saturation, r.saturation);
        EXPECT_FLOAT_EQ(c.value, r.value);
    }
    struct Back {
        HSVColour c;
        int red, green, blue;
    } backs[] = {{{0, 1, 1}, 255, 0, 0},     {{120, 1, 1}, 0, 255, 0},  {{360, 1, 1}, 255, 0, 0},
                 {{60, 1, 1}, 255, 255, 0},  {{30, 1, 1}, 255, 127, 0}, {{-1, 0, 0.5f}, 127, 127, 127},
                 {{300, 1, 1}, 255, 0, 255}, {{400, 0.5f, 1}, 0, 0, 0}};
    for (const Back& r : backs) {
        SCOPED_TRACE(r.c.hue);
        const RgbQuad q = hsvToRgb(r.c);
        EXPECT_EQ((std::tuple{int(q.red), int(q.green), int(q.blue)}), std::tuple(r.red, r.green, r.blue));
    }
}

TEST(PaletteTest, TheCachedFormIsTakenAsItIsAndSavedByteForByte) {
    TempDir dir("palette-cached");
    std::istringstream in(text(cachedFile()));
    WindowsPalette palette(in, "test");
    EXPECT_EQ((std::tuple{palette.fromFile(), palette.colours()[200]}),
              std::tuple(true, RgbQuad{7, 55, 200, 0}));
    EXPECT_EQ((std::tuple{palette.darkRemap()[3], palette.greyRemap()[3], palette.lightRemap()[3],
                          palette.halfLightRemap()[3], palette.mixedLightRemap()[40]}),
              std::tuple(21, 22, 23, 24, static_cast<std::uint8_t>(284)));
    // The system entries of the screen stay; the file's others are realised with PC_NOCOLLAPSE.
    EXPECT_EQ((std::tuple{palette.handle()->entries[200], palette.handle()->entries[249]}),
              std::tuple(PaletteEntry{200, 55, 7, PC_NOCOLLAPSE}, PaletteEntry{255, 0, 0, 0}));
    ASSERT_TRUE(palette.save((dir / "saved.pal").string()));
    std::ifstream saved(dir / "saved.pal", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), text(cachedFile()));
}

TEST(PaletteTest, TheTablesOfABmpPaletteAreTheNearestColoursOfTheChangedColours) {
    Bytes file = bmpFile();
    file.resize(file.size() + 40, 0x55); // image bits, never read
    std::istringstream in(text(file));
    WindowsPalette p(in, "test");
    struct Row {
        const char* name;
        const std::uint8_t* table;
        int index, expected;
    } rows[] = {
        {"dark grey 100 -> 70", p.darkRemap(), 10, 11},
        {"grey of grey 100 -> 70", p.greyRemap(), 10, 11},
        {"light grey 100 -> 140", p.lightRemap(), 10, 12},
        {"half light grey 70 -> 80", p.halfLightRemap(), 11, 11},
        {"mixed light grey 100 -> 130", p.mixedLightRemap(), 10, 248},
        {"dark red 200 -> 140", p.darkRemap(), 13, 1},
        {"grey of red -> grey 140", p.greyRemap(), 13, 12},
        {"light red capped at pure red", p.lightRemap(), 13, 249},
        {"half light red 230", p.halfLightRemap(), 13, 249},
        {"light white stays white", p.lightRemap(), 255, 255},
        {"dark white 178", p.darkRemap(), 255, 7},
        {"black in every table", p.mixedLightRemap(), 0, 0},
        {"black dark", p.darkRemap(), 0, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.table[r.index], r.expected) << r.name;
}

TEST(PaletteTest, TheLightTableCapsTheValueBeforeTakingTheNearestColour) {
    // Colour 20 is (200, 100, 100): hue 0, saturation 0.5, value 200 / 255. Lighter by 1.4 the value is
    // 1.098; capped at 1 it gives (255, 127, 127), which is colour 21; uncapped the red stops at 255 but
    // green and blue come to 140, which is colour 22.
    Bytes file(54, 0xEE);
    for (int i = 0; i < 256; ++i) {
        if (i == 20)
            putColour(file, 200, 100, 100);
        else if (i == 21)
            putColour(file, 255, 127, 127);
        else if (i == 22)
            putColour(file, 255, 140, 140);
        else
            putColour(file, 0, 0, 0);
    }
    file.resize(file.size() + 40, 0x55);
    std::istringstream in(text(file));
    WindowsPalette p(in, "test");
    EXPECT_EQ(p.lightRemap()[20], 21);
    // Already at full value, colour 22 stays itself (uncapped it would go to (255, 196, 196)).
    EXPECT_EQ(p.lightRemap()[22], 22);
}

TEST(PaletteTest, NearestIndexTakesTheSmallestSquaredDistanceAndTheLowestIndexOnATie) {
    std::istringstream in(text(bmpFile()));
    WindowsPalette p(in, "test");
    struct Row {
        std::uint8_t red, green, blue;
        int expected;
    } rows[] = {{1, 1, 1, 0},     {85, 85, 85, 10}, {86, 86, 86, 10},
                {84, 84, 84, 11}, {255, 0, 1, 249}, {200, 0, 0, 13}};
    for (const Row& r : rows)
        EXPECT_EQ(p.nearestIndex(r.red, r.green, r.blue), r.expected) << +r.red;
}

TEST(PaletteTest, OnlyTheFirst1078BytesOfABmpAreNeeded) {
    Bytes file = bmpFile();
    ASSERT_EQ(file.size(), 1078u);
    std::istringstream whole(text(file));
    EXPECT_TRUE(WindowsPalette(whole, "test").fromFile());
    file.pop_back();
    FailedChecks checks;
    std::istringstream cut(text(file));
    WindowsPalette fallback(cut, "cut.bmp");
    EXPECT_EQ((std::tuple{fallback.fromFile(), checks.texts, fallback.colours()[20]}),
              std::tuple(false, std::vector<std::string>{"The palette file cut.bmp is too short  Abort?"},
                         WindowsPalette::defaultColours()[20]));
}

// A file is read from the data directory; a cut cached file and a missing one fall back to the built-in
// colours.
TEST(PaletteTest, FilesAreReadFromTheDataDirectoryOrFallBackToTheBuiltInColours) {
    TestApplication app;
    TempDir dir("palette-data");
    app.dataPath(5) = dir.path().string();
    std::ofstream(dir / "game.pal", std::ios::binary) << text(cachedFile());
    WindowsPalette found("game.pal");
    EXPECT_EQ((std::tuple{found.fromFile(), found.darkRemap()[1]}), std::tuple(true, 7));
    FailedChecks checks;
    std::istringstream in(text(cachedFile()).substr(0, 2318));
    WindowsPalette fromCut(in, "cut.pal");
    WindowsPalette missing("absent.pal");
    // Something other than a file in its place is told as what it is, never as missing.
    ASSERT_EQ(::mkfifo((dir / "fifo.pal").c_str(), 0644), 0);
    std::filesystem::create_directory(dir / "folder.pal");
    std::filesystem::create_symlink("loop.pal", dir / "loop.pal");
    WindowsPalette fifo("FIFO.PAL"), folder("folder.pal"), loop("loop.pal");
    EXPECT_EQ(checks.texts,
              (std::vector<std::string>{
                  "The palette file cut.pal is too short  Abort?",
                  "Can't find " + (dir / "absent.pal").string() + "  Abort?",
                  "The palette file " + (dir / "fifo.pal").string() + " is not a regular file  Abort?",
                  "The palette file " + (dir / "folder.pal").string() + " is a folder, not a file  Abort?",
                  "The palette file " + (dir / "loop.pal").string() + " is not a regular file  Abort?"}));
    // The tables are computed from the built-in colours: black stays black, white lightens to the first
    // white, the cube's last entry (225) before the screen's own (255).
    for (const WindowsPalette* p : {&fromCut, &missing})
        EXPECT_EQ((std::tuple{p->fromFile(), p->colours()[100], p->darkRemap()[0], p->lightRemap()[255]}),
                  std::tuple(false, WindowsPalette::defaultColours()[100], 0, 225));
}

TEST(PaletteTest, AnimationChangesOnlyReservedEntriesAndAnnouncesTheChange) {
    std::istringstream in(text(bmpFile()));
    WindowsPalette p(in, "test");
    int announced = 0;
    p.handle()->onColoursChanged = [&] { ++announced; };
    std::uint16_t first = 0, last = 0;
    EXPECT_EQ(p.animatedRange(first, last), 0);
    p.reserveRange(11, 12);
    EXPECT_EQ((std::tuple{p.animatedRange(first, last), first, last, p.handle()->entries[11].flags}),
              std::tuple(1, 11, 12, PC_RESERVED));
    const PaletteEntry colours[3] = {{1, 2, 3, 1}, {4, 5, 6, 1}, {7, 8, 9, 1}};
    // Entry 10 is not reserved; the second time nothing is new: no second announcement.
    EXPECT_EQ(
        (std::tuple{animatePalette(p.handle(), 10, 3, colours), animatePalette(p.handle(), 10, 3, colours)}),
        std::tuple(2, 0));
    EXPECT_EQ((std::tuple{announced, p.handle()->entries[10], p.handle()->entries[12]}),
              std::tuple(1, PaletteEntry{100, 100, 100, PC_NOCOLLAPSE}, PaletteEntry{7, 8, 9, PC_RESERVED}));
    p.releaseRange(11, 12);
    EXPECT_EQ((std::tuple{p.animatedRange(first, last), p.handle()->entries[12].flags}),
              std::tuple(0, PC_NOCOLLAPSE));
    EXPECT_EQ(animatePalette(p.handle(), 254, 5, colours), 0); // past the last entry: left alone
}

} // namespace
} // namespace vael::test
