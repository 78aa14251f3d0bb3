// The frame's archives as the forge writes them, read back through the map file by the frame's fonts
// and buttons.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/display/oif.h"
#include "framework/display/window_pictures.h"
#include "framework/ui/button.h"
#include "framework/ui/font.h"
#include "framework/ui/scroll_bar.h"
#include "framework/ui/spinner.h"
#include "platform/headless/headless_platform.h"
#include "support/ui/test_win_app.h"
#include "tools/forge/control_art.h"
#include "tools/forge/forge.h"
#include "tools/forge/forge_palette.h"

namespace vael::test {
namespace {

class Surface : public Display {
public:
    explicit Surface(Dim size) : Display(size, "surface") {}
    Point cursorPosition() override { return {}; }
    void update() override {}
    Menu* loadMenu(const std::string&) override { return nullptr; }
};

class ControlArtTest : public ::testing::Test {
protected:
    ControlArtTest() {
        forged = std::filesystem::exists(dir / forge::MapFile);
        const std::string key = "SOFTWARE\\Tamblor\\Iron Vigils";
        platform.settings().writeText(platform::Settings::Root::Machine, key, "Path", dir.string());
        app = std::make_unique<TestWinApp>(platform);
        previous = PictureArchive::setOpener(nullptr);
        installWindowPictures();
    }
    ~ControlArtTest() override {
        PictureArchive::setOpener(previous);
        Display::setColourMatcher(nullptr);
    }

    // The data set the build forged: drawing it again for each test took minutes under the sanitizers.
    const std::filesystem::path dir = VAEL_BUILD_DATA_DIR;
    bool forged = false;
    platform::HeadlessPlatform platform;
    std::unique_ptr<TestWinApp> app;
    PictureArchive::Opener previous = nullptr;
};

TEST_F(ControlArtTest, TheDialogFontHasAGlyphForEveryCodeFrom33OnTheBaselineAtItsAscent) {
    ASSERT_TRUE(forged);
    OIF<Bitmap> glyphs("MS Sans Serif 2");
    ASSERT_EQ(glyphs.selectGroup("Alphanumeric"), 0);
    ASSERT_EQ(glyphs.imageCount(), 255 - 33 + 1);
    DialogFont font("MS Sans Serif 2");
    const std::int16_t ascent = font.ascent(), descent = font.descent();
    EXPECT_TRUE(ascent >= 8 && ascent <= 12) << ascent;
    EXPECT_TRUE(descent >= 2 && descent <= 4) << descent;
    for (std::int16_t i = 0; i < glyphs.imageCount(); ++i) {
        Bitmap* glyph = glyphs.lockImageAt(i);
        ASSERT_NE(glyph, nullptr);
        EXPECT_EQ((std::tuple{glyph->hotSpot(), glyph->height(), glyph->kind()}),
                  (std::tuple{Point(0, ascent), std::int16_t(ascent + descent), PixelKeyed}))
            << "glyph " << i;
        glyphs.unlockImageAt(i);
    }
    // M is wider than i, and the text extent adds the advances.
    EXPECT_GT(font.textWidth("M"), font.textWidth("i"));
    EXPECT_EQ(font.textWidth("Mi"), font.textWidth("M") + font.textWidth("i"));
}

TEST_F(ControlArtTest, TextDrawnWithTheForgedFontInksOnlyItsOwnBoxAndUnderlinesTheMnemonic) {
    ASSERT_TRUE(forged);
    DialogFont font("MS Sans Serif 2");
    Surface target(Dim(120, 20));
    const Box extent = font.textExtent("&Army Details");
    font.drawText(target, Point(2, 2 + font.ascent()), "&Army Details", 3);
    int inked = 0, outside = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 120; ++x)
            if (target.bits()[y * target.stride() + x] != 0) {
                ++inked;
                const bool inBox = x >= 2 && x < 2 + extent.w && y >= 2 && y <= 2 + font.ascent() + 2;
                outside += inBox ? 0 : 1;
            }
    EXPECT_GT(inked, 60);
    EXPECT_EQ(outside, 0);
    // The underline runs under the A, two rows below the baseline.
    const int underline = 2 + font.ascent() + 2;
    for (int x = 3; x < 3 + font.textWidth("A"); ++x)
        EXPECT_NE(target.bits()[underline * target.stride() + x], 0) << "x " << x;
}

// "Schlacht_bei_Kärnten": the font's underscore lies below its descent and was cut off, so a box showed
// blanks between the words. It is drawn in the font's lowest row, across its whole advance.
TEST_F(ControlArtTest, TheUnderscoreInksTheLowestRowOfTheFontAcrossItsAdvance) {
    ASSERT_TRUE(forged);
    DialogFont font("MS Sans Serif 2");
    const int baseline = 2 + font.ascent(), lowest = baseline + font.descent() - 1;
    const int left = 2 + font.textWidth("A");
    for (const std::string& text : {std::string("A__B"), std::string("A  B")}) {
        SCOPED_TRACE(text);
        const int right = left + font.textWidth(text.substr(1, 2));
        ASSERT_GT(right - left, 4);
        Surface target(Dim(80, 20));
        font.drawText(target, Point(2, static_cast<std::int16_t>(baseline)), text, 3);
        const bool underscores = text[1] == '_';
        for (int y = 0; y < 20; ++y)
            for (int x = left; x < right; ++x) {
                SCOPED_TRACE(testing::Message() << "x " << x << " y " << y);
                EXPECT_EQ(target.bits()[y * target.stride() + x] != 0, underscores && y == lowest);
            }
        // The letters on either side keep their places.
        int besideB = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = right; x < right + font.textWidth("B"); ++x)
                besideB += target.bits()[y * target.stride() + x] != 0 ? 1 : 0;
        EXPECT_GT(besideB, 10);
    }
}

TEST_F(ControlArtTest, TheChiselledCapitalsHaveLettersAndDigits) {
    ASSERT_TRUE(forged);
    OIF<Bitmap> glyphs("Chiseled Text");
    EXPECT_EQ((std::tuple{glyphs.imageCount(glyphs.findGroup("Alpha")),
                          glyphs.imageCount(glyphs.findGroup("Numeric"))}),
              std::tuple(58, 10));
    AllCapsFont font("Chiseled Text");
    EXPECT_EQ(font.textWidth("ab"), font.textWidth("AB"));
    EXPECT_EQ(font.textExtent("A").h, font.ascent());
}

TEST_F(ControlArtTest, EveryButtonGroupHoldsItsFourPicturesOfOneSize) {
    ASSERT_TRUE(forged);
    OIF<Bitmap> buttons("Buttons 2");
    ASSERT_EQ(buttons.groupCount(), static_cast<std::int16_t>(forge::buttonCommands().size()));
    for (const std::string& command : forge::buttonCommands()) {
        SCOPED_TRACE(command);
        for (const char* picture : {"UpEnabled", "DownEnabled", "UpDisabled", "DownDisabled"}) {
            Bitmap* b = buttons.lockImage(picture, command);
            ASSERT_NE(b, nullptr) << picture;
            EXPECT_EQ(b->size(), Dim(24, 22));
            buttons.unlockImage(picture, command);
        }
    }
    Button open("Buttons 2", "FileOpen", 0, "", "");
    EXPECT_EQ(open.imageSize(), Dim(24, 22));
}

TEST_F(ControlArtTest, TheToolbarBackgroundIsAnOddStripAndItsMirrorImage) {
    ASSERT_TRUE(forged);
    OIF<Bitmap> art("Toolbar");
    Bitmap* one = art.lockImage("Mirror #1", "Background");
    Bitmap* two = art.lockImage("Mirror #2", "Background");
    ASSERT_TRUE(one && two);
    EXPECT_EQ((std::tuple{one->size(), two->size()}), std::tuple(Dim(15, 28), Dim(15, 28)));
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 15; ++x)
            ASSERT_EQ(two->bits()[y * two->stride() + x], one->bits()[y * one->stride() + 14 - x])
                << x << "," << y;
}

TEST_F(ControlArtTest, TheScrollBarsAndTheSpinnerFindTheirPictures) {
    ASSERT_TRUE(forged);
    // Not placed yet, so the track runs from the first end to minus both ends' length; the thumb sits
    // two pixels in from the slot's edges.
    HScrollBar h(1000, 0, 100);
    VScrollBar v(1000, 0, 100);
    EXPECT_EQ((std::tuple{h.getTrack(), v.getTrack()}),
              (std::tuple{Box(16, 2, -32, 12), Box(2, 16, 12, -32)}));
    Spinner spinner(0, 9, 0, 1);
    EXPECT_EQ(spinner.imageSize(), Dim(12, 9));
}

TEST_F(ControlArtTest, TheDialogPicturesHaveEveryPictureTheControlsDrawAndMarksLeaveTheWellShowing) {
    ASSERT_TRUE(forged);
    OIF<Bitmap> buttons("DialogButtons");
    const struct {
        const char* group;
        const char* image;
        Dim size;
    } rows[] = {{"Pushbutton", "Up", Dim(82, 18)},  {"Pushbutton", "Down", Dim(82, 18)},
                {"CheckBox", "Up", Dim(13, 13)},    {"CheckBox", "Down", Dim(13, 13)},
                {"CheckBox", "Check", Dim(13, 13)}, {"Radio", "Up", Dim(13, 13)},
                {"Radio", "Down", Dim(13, 13)},     {"Radio", "Check", Dim(13, 13)}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.group) + " " + r.image);
        Bitmap* b = buttons.lockImage(r.image, r.group);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->size(), r.size);
        if (std::string(r.image) == "Check") {
            EXPECT_EQ(b->bits()[0], 0) << "the corner lets the well show";
        }
    }
    OIF<Bitmap> backgrounds("Dialog Bitmaps");
    Bitmap* parchment = backgrounds.lockImage("Background", "Intro");
    ASSERT_TRUE(parchment);
    EXPECT_EQ(parchment->size(), Dim(64, 64));
}

} // namespace
} // namespace vael::test
