// Every dialog template opened on the headless platform with the forged data set, as a player sees it:
// a screenshot of each in the build folder, and the layout rules a designer keeps, checked on the pixels
// the dialog code places.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "dialog_look.h"
#include "framework/display/application_palette.h"
#include "framework/display/logical_palette.h"
#include "framework/display/window_pictures.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/font.h"
#include "framework/ui/ostrell_window.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/test_display.h"
#include "framework/ui/window_manager.h"

namespace vael::test {
namespace {

const std::string Key = "SOFTWARE\\Tamblor\\Iron Vigils";

class DialogLook : public ::testing::Test {
protected:
    void SetUp() override {
        os.settings().writeText(platform::Settings::Root::Machine, Key, "Path", VAEL_BUILD_DATA_DIR);
        os.settings().writeText(platform::Settings::Root::Machine, Key, "Palette", "VAEL.PAL");
        installApplicationPalette();
        installWindowPictures();
        app = std::make_unique<LookApp>(os);
        frame = std::make_unique<OstrellMainWindow>(Point(0, 0), Dim(760, 560), "Frame", "Vael Frame");
        frame->attach(*app);
        pump();
    }
    void TearDown() override {
        frame.reset();
        app.reset();
        WinApp::setPaletteMaker(nullptr, nullptr);
    }
    void pump() {
        for (int i = 0; i < 4; ++i) {
            while (app->messageWaiting())
                app->pumpMessage();
            app->drainQueue();
        }
    }

    TextHeadlessPlatform os;
    std::unique_ptr<LookApp> app;
    std::unique_ptr<OstrellMainWindow> frame;
};

struct Placed {
    std::string what;
    Box box;
};

bool overlap(const Box& a, const Box& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

std::string describe(const Box& b) {
    return "(" + std::to_string(b.x) + "," + std::to_string(b.y) + " " + std::to_string(b.w) + "x" +
           std::to_string(b.h) + ")";
}

// The box a control takes on the dialog: a combo box's closed field, not its list.
Box takenBox(const DialogItemWindow& w) {
    Box b = w.box();
    if (w.controlClass() == ClassComboBox) b.h = static_cast<std::int16_t>(DialogItemWindow::RowHeight + 2);
    return b;
}

// The ink the font draws for the text with its first baseline at (x, baseline), in a display as wide and
// 24 rows higher than the box: the box of rows and columns the ink covers, empty when there is none.
Box drawnExtent(DialogFont& font, const std::string& text, std::int16_t x, std::int16_t baseline, Dim box) {
    TestDisplay scratch(Dim(static_cast<std::int16_t>(box.w + 64), static_cast<std::int16_t>(box.h + 24)),
                        "scratch");
    scratch.fill(0);
    font.drawText(scratch, Point(x, baseline), text, 3);
    int left = scratch.width(), top = scratch.height(), right = -1, bottom = -1;
    for (int y = 0; y < scratch.height(); ++y)
        for (int c = 0; c < scratch.width(); ++c)
            if (scratch.bits()[y * scratch.stride() + c] != 0) {
                left = std::min(left, c), right = std::max(right, c);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0) return Box();
    return Box(static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
               static_cast<std::int16_t>(right - left + 1), static_cast<std::int16_t>(bottom - top + 1));
}

TEST_F(DialogLook, EveryTemplateIsWrittenAsAScreenshot) {
    const std::filesystem::path folder = std::filesystem::path(VAEL_BUILD_DIR) / "dialog-screenshots";
    std::filesystem::create_directories(folder);
    const std::vector<std::string> names = dialogTemplateNames();
    ASSERT_EQ(names.size(), 48u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        LookDialog d(name);
        d.attach(*app);
        fillAsTheGameDoes(name, d);
        d.create(name, Dialog::Modeless);
        ASSERT_TRUE(d.isOpen());
        pump();
        const platform::Rect outer = WindowManager::instance().outerOnScreen(d.hwnd());
        EXPECT_TRUE(writeScreenPng(os, outer, folder / (name + ".png")));
    }
}

TEST_F(DialogLook, EveryTemplateKeepsItsControlsInsideApartAndTheirTextsWhole) {
    DialogFont font(DialogControl::FontName);
    const std::int16_t ascent = font.ascent(), descent = font.descent();
    ASSERT_GT(ascent, 0);
    for (const std::string& name : dialogTemplateNames()) {
        SCOPED_TRACE(name);
        LookDialog d(name);
        d.attach(*app);
        fillAsTheGameDoes(name, d);
        d.create(name, Dialog::Modeless);
        ASSERT_TRUE(d.isOpen());
        const Box client(0, 0, d.width(), d.height());
        std::vector<Placed> placed;
        for (const auto& w : d.items())
            placed.push_back(
                {"control " + std::to_string(static_cast<std::int16_t>(w->id())) + " \"" + w->text() + "\"",
                 takenBox(*w)});
        Item<TextTile*>* t = nullptr;
        for (d.textTiles().firstItem(t); t; t = t->next) {
            const TextTile& tile = *t->value;
            const Box b(tile.position().x, tile.position().y, tile.size().w, tile.size().h);
            placed.push_back({"text " + std::to_string(tile.id()) + " \"" + tile.text() + "\"", b});
            SCOPED_TRACE(placed.back().what);
            EXPECT_NE(tile.text(), "Text") << "a placeholder reaches the screen";
            // The tile draws its first baseline at the ascent: the descent and a mnemonic's underline must
            // fit below it.
            EXPECT_LE(font.textExtent(tile.text()).w, b.w) << describe(b);
            EXPECT_LE(ascent + std::max<int>(descent, DialogFont::UnderlineDrop + 1), b.h) << describe(b);
            // And what the font really draws there, tails and underline, stays inside the tile.
            const Box ink = drawnExtent(font, tile.text(), 0, ascent, Dim(b.w, b.h));
            EXPECT_TRUE(ink.x + ink.w <= b.w && ink.y + ink.h <= b.h)
                << "ink " << describe(ink) << " in " << describe(b);
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const Box& b = placed[i].box;
            EXPECT_TRUE(b.x >= 0 && b.y >= 0 && b.x + b.w <= client.w && b.y + b.h <= client.h)
                << placed[i].what << " " << describe(b) << " lies outside the client " << describe(client);
            for (std::size_t j = i + 1; j < placed.size(); ++j)
                EXPECT_FALSE(overlap(b, placed[j].box))
                    << placed[i].what << " " << describe(b) << " overlaps " << placed[j].what << " "
                    << describe(placed[j].box);
        }
        // The labels of buttons, check boxes and radio buttons: whole inside their boxes, underline too.
        struct Line {
            std::string what;
            Box box;
            std::int16_t baseline;
            bool push;
        };
        std::vector<Line> lines;
        for (d.textTiles().firstItem(t); t; t = t->next) {
            const TextTile& tile = *t->value;
            lines.push_back({"text \"" + tile.text() + "\"",
                             Box(tile.position().x, tile.position().y, tile.size().w, tile.size().h),
                             static_cast<std::int16_t>(tile.position().y + ascent), false});
        }
        for (const auto& w : d.items()) {
            auto* c = w->handle() ? d.control(w->handle()) : nullptr;
            if (!c && w->controlClass() == ClassEdit) {
                // An edit field writes its line centred inside its frame and margin of 2.
                const Box b = w->box();
                lines.push_back({"text of edit " + std::to_string(w->id()), b,
                                 static_cast<std::int16_t>(
                                     b.y + 2 + (b.h - 4 - DialogItemWindow::RowHeight) / 2 + ascent),
                                 false});
            }
            if (!c) continue;
            SCOPED_TRACE("control " + std::to_string(static_cast<std::int16_t>(w->id())) + " \"" +
                         c->label() + "\"");
            const Box b = w->box();
            const Box label = c->labelBox(Dim(b.w, b.h));
            const bool push = dynamic_cast<DialogButton*>(c) && !dynamic_cast<DialogCheck*>(c) &&
                              !dynamic_cast<DialogRadio*>(c);
            // A push button's label and the focus frame round it (2 pixels out) stay off the default frame,
            // the outline and the bevel: 4 pixels.
            const std::int16_t edge = push ? 4 : 0, side = push ? 6 : 0;
            EXPECT_TRUE(label.x >= side && label.y >= edge && label.x + label.w <= b.w - side &&
                        label.y + label.h <= b.h - edge)
                << "label " << describe(label) << " in " << describe(b);
            const Box ink = drawnExtent(font, c->label(), label.x,
                                        static_cast<std::int16_t>(label.y + ascent), Dim(b.w, b.h));
            EXPECT_TRUE(ink.w == 0 || (ink.x >= side && ink.y >= edge && ink.x + ink.w <= b.w - side &&
                                       ink.y + ink.h <= b.h - edge))
                << "ink " << describe(ink) << " in " << describe(b);
            lines.push_back({"control \"" + c->label() + "\"", b,
                             static_cast<std::int16_t>(b.y + label.y + ascent), push});
        }
        // What stands side by side in one row shares its baseline: buttons with buttons, and texts, check
        // boxes and radio buttons with each other and with the buttons beside them.
        for (std::size_t i = 0; i < lines.size(); ++i)
            for (std::size_t j = i + 1; j < lines.size(); ++j) {
                const Line &a = lines[i], &b = lines[j];
                const bool tileAndButton =
                    (a.push && b.what.rfind("text", 0) == 0) || (b.push && a.what.rfind("text", 0) == 0);
                if (tileAndButton || !(a.box.y < b.box.y + b.box.h && b.box.y < a.box.y + a.box.h)) continue;
                EXPECT_EQ(a.baseline, b.baseline)
                    << a.what << " " << describe(a.box) << " and " << b.what << " " << describe(b.box);
            }
    }
}

// The Finish Leader prompt's Finish, focused as it opens: its label nearly fills it, and the focus frame's
// bottom row falls on the row of the "i"'s underline. The frame leaves a pixel of the face either side of
// the underline on that row, so that Alt+I can be seen; before, the frame ran through it as one grey line.
TEST_F(DialogLook, TheFinishButtonsFocusFrameLeavesItsLettersUnderlineApart) {
    LookDialog d("leaderalmostfinished");
    d.attach(*app);
    fillAsTheGameDoes("leaderalmostfinished", d);
    d.create("leaderalmostfinished", Dialog::Modeless);
    ASSERT_TRUE(d.isOpen());
    DialogControl* finish = nullptr;
    Box b;
    for (const auto& w : d.items())
        if (w->id() == 101 && w->handle()) finish = d.control(w->handle()), b = w->box();
    ASSERT_NE(finish, nullptr);
    ASSERT_EQ(finish->label(), "F&inish");
    DialogFont font(DialogControl::FontName);
    // Where the label's underline goes: the pen as the button puts it, on a scratch display.
    const Box label = finish->labelBox(Dim(b.w, b.h));
    TestDisplay scratch(Dim(b.w, b.h), "scratch");
    scratch.fill(0);
    const Box underline = font.drawTextUnderlined(
        scratch, Point(label.x, static_cast<std::int16_t>(label.y + font.ascent())), "F&inish", 3);
    ASSERT_GT(underline.w, 0);
    const auto at = [](TestDisplay& t, int x, int y) { return t.bits()[y * t.stride() + x]; };
    const int y = underline.y;
    for (const bool focused : {true, false}) {
        SCOPED_TRACE(focused ? "focused" : "not focused");
        TestDisplay shown(Dim(b.w, b.h), "shown");
        shown.fill(0);
        finish->draw(shown, focused ? ItemFocus : 0);
        const std::uint8_t ink = at(shown, underline.x, y), before = at(shown, underline.x - 1, y),
                           after = at(shown, underline.x + underline.w, y),
                           further = at(shown, underline.x - 3, y);
        for (int x = underline.x; x < underline.x + underline.w; ++x)
            EXPECT_EQ(at(shown, x, y), ink) << x;
        EXPECT_NE(before, ink);
        EXPECT_NE(after, ink);
        EXPECT_EQ(before, after);
        // Focused, the frame's grey further out on the row; else the face there too.
        if (focused)
            EXPECT_NE(further, before);
        else
            EXPECT_EQ(further, before);
    }
}

TEST_F(DialogLook, TheOpenDialogsCaptionIsActiveAndOnlyAFramelessTemplateShowsNoFrame) {
    const LogicalPalette* palette = app->getPalette();
    ASSERT_NE(palette, nullptr);
    const auto rgbOf = [&](std::uint8_t index) {
        const RgbQuad& c = palette->colours()[index];
        return std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue;
    };
    const struct {
        const char* name;
        std::int32_t top; // the frame above the client: border and caption
        std::int32_t side;
    } rows[] = {
        {"AboutDlg", 3 + 18, 3},  // caption
        {"OwDlg", 3, 3},          // a modal frame alone
        {"HistoryPlaying", 3, 3}, // a dialog frame
        {"LoadingDlg", 3, 3},     // a sizing border
        {"StartGame", 0, 0},      // no frame at all: the main menu is its picture
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        LookDialog d(r.name);
        d.attach(*app);
        d.create(r.name, Dialog::Modeless);
        pump();
        const WindowManager& manager = WindowManager::instance();
        const platform::Rect outer = manager.outerOnScreen(d.hwnd()),
                             client = manager.clientOnScreen(d.hwnd());
        EXPECT_EQ((std::tuple{client.x - outer.x, client.y - outer.y, outer.width - client.width}),
                  (std::tuple{r.side, r.top, 2 * r.side}));
        ASSERT_NE(manager.find(d.hwnd()), nullptr);
        EXPECT_TRUE(manager.find(d.hwnd())->active);
        if (r.top > r.side) {
            EXPECT_EQ(os.pixel(outer.x + 10, outer.y + 3 + 1), rgbOf(Display::matchColour(0, 0, 128)));
        }
    }
}

TEST_F(DialogLook, TheStartAndLoadingPicturesFillTheirDialogsExactly) {
    // 367 x 295 template units are 642 x 478 pixels; 266 x 213 are 464 x 346.
    const struct {
        const char* name;
        const char* group;
        Dim size;
    } rows[] = {{"StartGame", "StartGame", Dim(642, 478)}, {"LoadingDlg", "Loading", Dim(464, 346)}};
    std::unique_ptr<PictureArchive> bitmaps = PictureArchive::open("Dialog Bitmaps");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const Picture picture = bitmaps->drawable("Background", r.group);
        ASSERT_TRUE(picture.exists());
        EXPECT_EQ(Dim(picture.width(), picture.height()), r.size);
        LookDialog d(r.name);
        d.attach(*app);
        d.create(r.name, Dialog::Modeless);
        EXPECT_EQ(d.size(), r.size);
        // A picture, not a flat fill: the sky at the top is another colour than the grass at the bottom.
        EXPECT_NE(d.bits()[2 * d.stride() + 2], d.bits()[(d.height() - 2) * d.stride() + 2]);
    }
}

} // namespace
} // namespace vael::test
