#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "framework/ui/dialog.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/dialog_window.h"
#include "framework/ui/enum_dialog.h"
#include "framework/ui/file_open_dialog.h"
#include "framework/ui/get_string_dialog.h"
#include "framework/ui/main_window.h"
#include "framework/ui/window_manager.h"
#include "framework/ui/windows_menu.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

std::vector<std::string>* heardNames = nullptr;
ContainerBase* heardClosing(Component*, BusMessage, ContainerBase*) {
    if (heardNames) heardNames->push_back("ModalDialogBoxClosing");
    return nullptr;
}

std::uint8_t testColours(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (r == 0 && g == 0 && b == 0) return 'K';
    if (r == 100 && g == 100 && b == 100) return 'F';
    return 'x';
}

// A dialog that notes its hooks and the commands it gets.
class NotingDialog : public Dialog {
public:
    explicit NotingDialog(const std::string& group = "Intro")
        : Window(Point(0, 0), Dialog::InitialSize, ""), Dialog("Dialog Bitmaps", group, "") {}
    void onInitDialog() override {
        notes.push_back("init");
        if (init) init(*this);
    }
    void onAccept() override { notes.push_back("accept"); }
    void onCommand(std::uint16_t id, std::uint16_t code) override {
        notes.push_back("command " + std::to_string(id) + " " + std::to_string(code));
        Dialog::onCommand(id, code);
    }
    std::vector<std::string> notes;
    std::function<void(NotingDialog&)> init;
};

// The dialogs' font on the headless platform, with scripted keys and typing.
class DialogBase : public ::testing::Test {
protected:
    DialogBase() { pictures["MS Sans Serif 2"] = dialogGlyphs(); }
    void key(std::int32_t k, std::uint16_t modifiers = 0) { postKey(os, k, modifiers); }
    void type(const std::string& text) { postText(os, text); }
    void pump() {
        pumpAll(app);
        app.drainQueue();
    }

    TestPictures pictures;
    platform::HeadlessPlatform os;
    TestWinApp app{os};
};

class DialogTest : public DialogBase {
protected:
    DialogTest() {
        TestPicture tile{"Background", Dim(3, 2), Point(), PictureOpaque, {1, 2, 3, 4, 5, 6}};
        pictures["Dialog Bitmaps"] = TestArchive{{{"Intro", {tile}}}};
        pictures["DialogButtons"] = TestArchive{{solidGroup("Pushbutton", {"Up", "Down"}, Dim(20, 8), "ud")}};
        previousMatcher = Display::setColourMatcher(&testColours);
        heardNames = &heard;
        listener.setup = [](Probe& p) { p.connectNamed("ModalDialogBoxClosing", &heardClosing); };
        listener.attach(app);
    }
    ~DialogTest() override {
        heardNames = nullptr;
        Display::setColourMatcher(previousMatcher);
    }
    // A press at a point of the dialog's client area and a release at another.
    void click(const Dialog& d, Point at, Point releaseAt) {
        const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
        postButtons(os, {platform::EventKind::ButtonDown}, client.x + at.x, client.y + at.y);
        postButtons(os, {platform::EventKind::ButtonUp}, client.x + releaseAt.x, client.y + releaseAt.y);
    }
    void click(const Dialog& d, Point at) { click(d, at, at); }
    Point centreOf(const Dialog& d, std::int16_t id) {
        const Box b = d.item(id)->box();
        return Point(static_cast<std::int16_t>(b.x + b.w / 2), static_cast<std::int16_t>(b.y + b.h / 2));
    }
    bool listed(const Dialog& d) { return app.modelessDialogs().contains(d.hwnd()) != 0; }
    std::uint8_t pixel(Dialog& d, int x, int y) { return d.bits()[y * d.stride() + x]; }

    Probe listener{"Listener"};
    std::vector<std::string> heard;
    Display::ColourMatcher previousMatcher = nullptr;
};

TEST_F(DialogTest, AModelessDialogIsListedExactlyWhileOpenAndClosesOnEscapeWithoutTellingTheBus) {
    NotingDialog d;
    d.attach(app);
    // 184 x 168 template units: 161 x 136 dialog units of 2 x 2 pixels.
    EXPECT_EQ((std::tuple{d.create("ArmyRoutDlg", Dialog::Modeless), d.isOpen(), listed(d), d.hwnd() != 0u,
                          d.size()}),
              (std::tuple{std::int16_t(0), std::int16_t(1), true, true, Dim(322, 272)}));
    key(platform::KeyEscape);
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result(), d.hwnd(), heard.size(), d.notes,
                          app.modelessDialogs().isEmpty()}),
              (std::tuple{std::int16_t(0), std::int16_t(0), WindowHandle(0), 0u,
                          std::vector<std::string>{"init", "command 2 0"}, std::int16_t(1)}));
}

// A close message (the window manager's, or the program's own at a close) takes a dialog back as its Cancel
// does; a box answered by its buttons only (a question whose every button is an answer) is not taken back:
// it stands, choosing nothing, until a button answers it.
TEST_F(DialogTest, ACloseMessageCancelsABoxButNotOneAnsweredByItsButtonsOnly) {
    const struct {
        const char* what;
        bool buttonsOnly;
        std::int16_t open;
        std::vector<std::string> notes;
    } rows[] = {
        {"a box with a way back", false, 0, {"init", "command 2 0"}},
        {"a box answered by its buttons only", true, 1, {"init"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        NotingDialog d;
        d.attach(app);
        if (r.buttonsOnly) d.answeredByButtonsOnly();
        d.create("ArmyRoutDlg", Dialog::Modeless);
        d.handleMessage({d.hwnd(), MessageClose, 0, 0, 0});
        pump();
        EXPECT_EQ((std::tuple{d.isOpen(), d.notes}), (std::tuple{r.open, r.notes}));
        if (d.isOpen()) d.close(0);
        pump();
    }
}

TEST_F(DialogTest, AModalRunAnswersItsCloseValueAndTellsTheBusOnlyWhenAttached) {
    const struct {
        const char* what;
        bool attached;
        std::int32_t key;
        std::int16_t result;
        std::vector<std::string> notes;
        std::size_t heard;
    } rows[] = {
        {"enter on the default button", true, platform::KeyReturn, 1, {"init", "command 1 0", "accept"}, 1},
        {"escape", true, platform::KeyEscape, 0, {"init", "command 2 0"}, 1},
        {"enter, unattached", false, platform::KeyReturn, 1, {"init", "command 1 0", "accept"}, 0},
        {"no input ever", true, 0, 0, {"init"}, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        heard.clear();
        NotingDialog d;
        if (r.attached) d.attach(app);
        if (r.key) key(r.key);
        EXPECT_EQ((std::tuple{d.create("EnumDialog", Dialog::Modal), d.notes, heard.size(), d.isOpen(),
                              app.modelessDialogs().isEmpty()}),
                  (std::tuple{r.result, r.notes, r.heard, std::int16_t(0), std::int16_t(1)}));
        pump();
    }
}

TEST_F(DialogTest, APumpedRunRunsTasksUntilAHandlerClosesItAndClosesWithZeroWhenTheProgramStops) {
    NotingDialog d;
    // The task the dialog's opening queued closes it with 7 once the pump runs it.
    struct Closing : Component {
        Dialog* dialog = nullptr;
        Closing() : Component("Closing") {}
        void connectHandlers() override {
            connect(601, [](Component* me, BusMessage, ContainerBase*) -> ContainerBase* {
                static_cast<Closing*>(me)->dialog->close(7);
                return nullptr;
            });
        }
    } closing;
    closing.dialog = &d;
    closing.attach(app);
    d.init = [&](NotingDialog&) { closing.sendEmpty(601); };
    d.attach(app);
    EXPECT_EQ(d.create("GetString", Dialog::Pumped), 7);
    EXPECT_TRUE(heard.empty()) << "a pumped close says nothing";
    EXPECT_TRUE(app.modelessDialogs().isEmpty());

    NotingDialog stopped;
    app.postQuitMessage();
    EXPECT_EQ(stopped.create("GetString", Dialog::Pumped), 0);
    EXPECT_FALSE(stopped.isOpen());
    EXPECT_TRUE(app.messageWaiting()) << "the quit stays for the outer loop";
}

TEST_F(DialogTest, AMissingTemplateFailsTheCheckAndMakesNoWindow) {
    FailedChecks checks;
    NotingDialog d;
    EXPECT_EQ(d.create("NoSuchDialog", Dialog::Modal), 0);
    EXPECT_EQ((std::tuple{checks.count(), d.isOpen(), d.hwnd(), d.notes.size()}),
              (std::tuple{1u, std::int16_t(0), WindowHandle(0), 0u}));
}

TEST_F(DialogTest, StaticsBecomeTextTilesInOrderAndMinusOneAddressesTheFirstAnonymousOne) {
    NotingDialog d;
    d.create("VaelMessageBox", Dialog::Modeless);
    std::vector<std::int32_t> ids;
    Item<TextTile*>* t = nullptr;
    for (d.textTiles().firstItem(t); t; t = t->next)
        ids.push_back(t->value->id());
    EXPECT_EQ(ids, (std::vector<std::int32_t>{101, 102, -1, 103}));
    EXPECT_EQ(d.items().size(), 2u);
    d.setItemText(-1, "Prompt");
    d.setItemText(103, "Last");
    d.setItemText(1, "&Fine");
    EXPECT_EQ((std::tuple{d.getItemText(-1), d.getItemText(103), d.getItemText(1), d.getItemText(2),
                          d.getItemText(99)}),
              (std::tuple{std::string("Prompt"), std::string("Last"), std::string("&Fine"),
                          std::string("Cancel"), std::string()}));
    d.close(0);
    EXPECT_TRUE(d.textTiles().isEmpty());
}

TEST_F(DialogTest, TheBackgroundIsTiledFromTheTopLeftOrFilledWhenThereIsNoGroup) {
    NotingDialog tiled;
    tiled.create("VideoDlg", Dialog::Modeless);
    // The 3 x 2 picture 1 2 3 / 4 5 6 repeats from (0, 0).
    EXPECT_EQ((std::tuple{pixel(tiled, 0, 0), pixel(tiled, 4, 1), pixel(tiled, 5, 2), pixel(tiled, 0, 3)}),
              (std::tuple{std::uint8_t(1), std::uint8_t(5), std::uint8_t(3), std::uint8_t(4)}));
    NotingDialog plain("");
    plain.create("VideoDlg", Dialog::Modeless);
    EXPECT_EQ(pixel(plain, 0, 0), 255);
}

TEST_F(DialogTest, TheDefaultButtonGetsADoubleFrameAndTheOthersNone) {
    NotingDialog d;
    d.create("EnumDialog", Dialog::Modeless);
    const Box ok = d.item(1)->box(), cancel = d.item(2)->box();
    EXPECT_EQ((std::tuple{pixel(d, ok.x, ok.y), pixel(d, ok.x + 1, ok.y + 1),
                          pixel(d, ok.x + ok.w - 2, ok.y + ok.h - 2)}),
              (std::tuple{std::uint8_t('K'), std::uint8_t('K'), std::uint8_t('K')}));
    EXPECT_NE(pixel(d, cancel.x, cancel.y), 'K');
}

// The double frame stands on the button that Return presses: the push button with the focus, else the
// template's default (whose frame comes back when the focus leaves the push buttons).
TEST_F(DialogTest, TheDoubleFrameStandsOnTheButtonReturnPresses) {
    const auto framed = [&](Dialog& d, std::int16_t id) {
        const Box b = d.item(id)->box();
        return pixel(d, b.x, b.y) == 'K' && pixel(d, b.x + 1, b.y + 1) == 'K' &&
               pixel(d, b.x + b.w - 2, b.y + b.h - 2) == 'K';
    };
    NotingDialog net;
    net.create("TempNetDlg", Dialog::Modeless);
    // The template's default is Start Client (11); the focus starts on Start Server (10), its first stop.
    ASSERT_EQ(net.focus()->id(), 10);
    EXPECT_EQ((std::tuple{net.defaultButton(), framed(net, 10), framed(net, 11)}),
              (std::tuple{std::uint16_t(10), true, false}));
    key(platform::KeyTab);
    pump();
    EXPECT_EQ((std::tuple{net.focus()->id(), net.defaultButton(), framed(net, 10), framed(net, 11)}),
              (std::tuple{std::uint16_t(11), std::uint16_t(11), false, true}));
    key(platform::KeyReturn);
    pump();
    EXPECT_EQ(net.notes.back(), "command 11 0");
    key(platform::KeyTab);
    key(platform::KeyReturn);
    pump();
    EXPECT_EQ(net.notes.back(), "command 10 0");

    NotingDialog choose;
    choose.create("EnumDialog", Dialog::Modeless);
    ASSERT_EQ(choose.focus()->id(), 101); // the list
    const auto state = [&] {
        return std::tuple{choose.focus()->id(), choose.defaultButton(), framed(choose, 1), framed(choose, 2)};
    };
    using State = std::tuple<std::uint16_t, std::uint16_t, bool, bool>;
    EXPECT_EQ(state(), (State{101, 1, true, false}));
    key(platform::KeyTab); // OK
    key(platform::KeyTab); // Cancel
    pump();
    EXPECT_EQ(state(), (State{2, 2, false, true}));
    key(platform::KeyTab); // back to the list: the frame goes back to OK
    pump();
    EXPECT_EQ(state(), (State{101, 1, true, false}));
    // Greyed, the template's default leaves Return to OK's id, which the greyed button does not take.
    choose.enableItem(1, 0);
    key(platform::KeyReturn);
    pump();
    EXPECT_TRUE(choose.isOpen());
    key(platform::KeyTab, platform::ModShift); // Cancel
    key(platform::KeyReturn);
    pump();
    EXPECT_EQ((std::tuple{choose.isOpen(), choose.result()}), (std::tuple{std::int16_t(0), std::int16_t(0)}));
}

TEST_F(DialogTest, ClicksOnAButtonCountOnlyWhenReleasedOverIt) {
    NotingDialog d;
    d.create("EnumDialog", Dialog::Modeless);
    click(d, centreOf(d, 1), Point(2, 2));
    pump();
    EXPECT_TRUE(d.isOpen()) << "released off the button";
    click(d, centreOf(d, 2));
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result()}), (std::tuple{std::int16_t(0), std::int16_t(0)}));
}

TEST_F(DialogTest, RadioGroupsCloseAtEveryGroupMarkAndArrowsMoveInsideOne) {
    NotingDialog d;
    d.create("IntroDlg", Dialog::Modeless);
    auto* r103 = dynamic_cast<DialogRadio*>(d.controlOf(103));
    auto* r105 = dynamic_cast<DialogRadio*>(d.controlOf(105));
    ASSERT_TRUE(r103 && r105);
    EXPECT_EQ(
        (std::tuple{r103->radioGroup().count(), r105->radioGroup().count(), d.radioSelection(104),
                    d.radioSelection(1), d.radioSelection(77), d.focus()->id()}),
        (std::tuple<std::int16_t, std::int16_t, std::int16_t, std::int16_t, std::int16_t, std::uint16_t>{
            2, 2, 0, -1, -1, 1}));
    const auto press = [&](std::int32_t k, std::uint16_t modifiers = 0) {
        key(k, modifiers);
        pump();
        return d.focus()->id();
    };
    EXPECT_EQ(press(platform::KeyTab), 103);
    EXPECT_EQ((std::tuple{press(platform::KeyDown), d.radioSelection(103), d.radioSelection(105)}),
              (std::tuple{std::uint16_t(104), std::int16_t(1), std::int16_t(0)}));
    EXPECT_EQ((std::pair{press(platform::KeyDown), d.radioSelection(104)}),
              (std::pair{std::uint16_t(103), std::int16_t(0)}))
        << "the arrow wraps inside the group";
    EXPECT_EQ(press(platform::KeyTab), 105);
    EXPECT_EQ(press(platform::KeyTab, platform::ModShift), 103) << "the checked member is its group's stop";
    d.selectRadio(106, 1);
    EXPECT_EQ(d.radioSelection(105), 1);
}

TEST_F(DialogTest, MnemonicsClickTheirButtonAndAltReachesThemFromAnEditField) {
    NotingDialog d;
    d.create("DebugPreferences", Dialog::Modeless);
    auto* movement = dynamic_cast<DialogCheck*>(d.controlOf(101));
    auto* music = dynamic_cast<DialogCheck*>(d.controlOf(103));
    ASSERT_TRUE(movement && music);
    type("m");
    key('U', platform::ModAlt);
    pump();
    EXPECT_EQ((std::tuple{movement->getCheck(), music->getCheck(), d.focus()->id()}),
              (std::tuple{std::int16_t(1), std::int16_t(1), std::uint16_t(103)}));
    NotingDialog s;
    s.create("NetChat", Dialog::Modeless);
    ASSERT_EQ(s.focus()->id(), 107);
    type("s");
    key('S', platform::ModAlt);
    pump();
    EXPECT_EQ(s.getItemText(107), "s") << "a letter goes into the field";
    EXPECT_EQ(s.notes.back(), "command 108 0") << "Alt reaches the button";
    // The greyed Help button is not reached by its mnemonic.
    const std::size_t before = s.notes.size();
    key('H', platform::ModAlt);
    pump();
    EXPECT_EQ(s.notes.size(), before);
    EXPECT_EQ(s.getItemText(107), "s");
}

// A letter borne by one control reaches it, a label's letter the field on its row; a letter that two
// controls of one dialog share presses neither and takes the focus on from one to the other in turn.
TEST_F(DialogTest, ALetterSharedInOneDialogTakesTheFocusOnAndPressesNothing) {
    const auto alt = [&](Dialog& d, char letter) {
        key(letter, platform::ModAlt);
        pump();
        return d.focus() ? d.focus()->id() : std::uint16_t(0);
    };
    NotingDialog server;
    server.create("STARTSERVER", Dialog::Modeless);
    ASSERT_EQ(server.focus()->id(), 1) << "the focus opens on Next";
    const std::size_t opened = server.notes.size();
    EXPECT_EQ(alt(server, 'N'), 101) << "Name's field, after Next";
    EXPECT_EQ(alt(server, 'N'), 1) << "round to Next";
    EXPECT_EQ(alt(server, 'N'), 101);
    EXPECT_EQ(alt(server, 'P'), 103) << "Port's field, on Port's row";
    EXPECT_EQ(server.notes.size(), opened) << "nothing pressed";
    EXPECT_TRUE(server.isOpen());

    NotingDialog files;
    files.create("LOADSAVEDLG", Dialog::Modeless);
    ASSERT_EQ(files.focus()->id(), 10);
    const std::size_t before = files.notes.size();
    for (const std::uint16_t expected : {12, 13, 12, 13}) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(alt(files, 'D'), expected) << "Delete and Description's field take turns";
    }
    EXPECT_EQ(alt(files, 'F'), 10) << "File Name's field, its label alone in bearing F";
    EXPECT_EQ(files.notes.size(), before) << "Delete was not pressed";
    // Alone in bearing its letter a button is still pressed.
    NotingDialog chat;
    chat.create("NetChat", Dialog::Modeless);
    EXPECT_EQ(alt(chat, 'S'), 108);
    EXPECT_EQ(chat.notes.back(), "command 108 0");
}

TEST_F(DialogTest, AnEditFieldTypesOverItsSelectionAndReportsEachChange) {
    NotingDialog d;
    d.create("GetString", Dialog::Modeless);
    ASSERT_EQ(d.focus()->id(), 101);
    type("abc");
    key(platform::KeyBackspace);
    key(platform::KeyHome, 0);
    key(platform::KeyRight, platform::ModShift);
    type("X");
    key(platform::KeyEnd);
    key(platform::KeyDelete);
    pump();
    EXPECT_EQ(d.getItemText(101), "Xb");
    // Three letters, a backspace and a typing over: five changes; the delete at the end changes nothing.
    int updates = 0;
    for (const std::string& n : d.notes)
        updates += n == "command 101 1024";
    EXPECT_EQ(updates, 5);
}

// The keyboard gives UTF-8; the field keeps it so, and its caret, Backspace and Delete step over whole
// characters: never a byte of one alone, never a Latin-1 byte in place of a letter.
TEST_F(DialogTest, AnEditFieldKeepsTypedLettersInUtf8AndStepsOverThemWhole) {
    NotingDialog d;
    d.create("GetString", Dialog::Modeless);
    ASSERT_EQ(d.focus()->id(), 101);
    DialogItemWindow* field = d.item(101);
    const struct {
        const char* what;
        std::function<void()> keys;
        const char* text;
        std::int32_t caret;
    } steps[] = {
        // a-umlaut (2 bytes), AE (2), Omega (2), the euro sign (3), a face (4).
        {"typed", [&] { type("K\xC3\xA4r \xC3\x86\xCE\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"); },
         "K\xC3\xA4r \xC3\x86\xCE\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 16},
        {"Backspace takes the face's four bytes", [&] { key(platform::KeyBackspace); },
         "K\xC3\xA4r \xC3\x86\xCE\xA9\xE2\x82\xAC", 12},
        {"Left goes before the euro sign", [&] { key(platform::KeyLeft); },
         "K\xC3\xA4r \xC3\x86\xCE\xA9\xE2\x82\xAC", 9},
        {"Left again before Omega", [&] { key(platform::KeyLeft); },
         "K\xC3\xA4r \xC3\x86\xCE\xA9\xE2\x82\xAC", 7},
        {"Delete takes Omega", [&] { key(platform::KeyDelete); }, "K\xC3\xA4r \xC3\x86\xE2\x82\xAC", 7},
        {"Home, Right: past K", [&] { key(platform::KeyHome), key(platform::KeyRight); },
         "K\xC3\xA4r \xC3\x86\xE2\x82\xAC", 1},
        {"Right: past a-umlaut", [&] { key(platform::KeyRight); }, "K\xC3\xA4r \xC3\x86\xE2\x82\xAC", 3},
        {"Shift+Left selects a-umlaut, typed over by o-umlaut",
         [&] { key(platform::KeyLeft, platform::ModShift), type("\xC3\xB6"); },
         "K\xC3\xB6r \xC3\x86\xE2\x82\xAC", 3},
        {"Backspace takes o-umlaut whole", [&] { key(platform::KeyBackspace); }, "Kr \xC3\x86\xE2\x82\xAC", 1},
        {"End and Right stay at the end", [&] { key(platform::KeyEnd), key(platform::KeyRight); },
         "Kr \xC3\x86\xE2\x82\xAC", 8},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.keys();
        pump();
        EXPECT_EQ(field->text(), step.text);
        EXPECT_EQ(field->caret(), step.caret);
    }
}

// Typed past its width, a field scrolls its text so that the caret stays on its inside: at most
// (w - 4) - 2 - 1 pixels from where the text starts. The headless font gives every character 7 pixels.
TEST_F(DialogTest, AnEditFieldScrollsItsTextToKeepTheCaretInside) {
    NotingDialog d;
    d.create("GetString", Dialog::Modeless);
    DialogItemWindow* field = d.item(101);
    const std::int32_t room = field->box().w - 4 - 2 - 1;
    ASSERT_LT(room, 7 * 50) << "the field is wider than the test's text";
    const struct {
        const char* what;
        std::function<void()> keys;
        std::int32_t scrolled;
    } steps[] = {
        {"as wide as the room: no scroll", [&] { type(std::string(room / 7, 'a')); }, 0},
        {"one more: scrolled by what passes the room", [&] { type("a"); }, 7 * (room / 7 + 1) - room},
        {"60 in all: the end in view", [&] { type(std::string(60 - room / 7 - 1, 'a')); }, 7 * 60 - room},
        {"Home: the start", [&] { key(platform::KeyHome); }, 0},
        {"End: the end again", [&] { key(platform::KeyEnd); }, 7 * 60 - room},
        {"ten backspaces: the text comes back with the caret",
         [&] {
             for (int i = 0; i < 10; ++i)
                 key(platform::KeyBackspace);
         },
         7 * 50 - room},
        {"left to the second character, off the view's start: the view follows the caret",
         [&] {
             for (int i = 0; i < 48; ++i)
                 key(platform::KeyLeft);
         },
         7 * 2},
        {"right again by one, inside the view: the view stays", [&] { key(platform::KeyRight); }, 7 * 2},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.keys();
        pump();
        EXPECT_EQ(field->textScrolled(), s.scrolled);
    }
}

TEST_F(DialogTest, ListAndComboReadBacksGiveRowsByIndexAndEmptyTextWithNothingSelected) {
    NotingDialog d;
    d.create("ChooseSides", Dialog::Modeless);
    DialogItemWindow* combo = d.item(101);
    combo->addRow("Home");
    combo->addRow("Visitor");
    EXPECT_EQ((std::tuple{d.comboSelectionText(101, -1), d.comboSelectionText(101, 1),
                          d.comboSelectionText(101, 2), d.comboSelectionText(99, 0)}),
              (std::tuple{std::string(), std::string("Visitor"), std::string(), std::string()}));
    combo->select(0);
    EXPECT_EQ((std::pair{d.comboSelectionText(101, -1), d.comboSelectionText(101, 1)}),
              (std::pair{std::string("Home"), std::string("Visitor")}));

    NotingDialog e;
    e.create("EnumDialog", Dialog::Modeless);
    DialogItemWindow* list = e.item(101);
    for (const char* row : {"one", "two", "three"})
        list->addRow(row);
    EXPECT_EQ((std::pair{e.listSelectionIndex(101), e.listSelectionText(101, -1)}),
              (std::pair{-1, std::string()}));
    // The second row of the list, clicked.
    const Box b = list->box();
    click(e, Point(static_cast<std::int16_t>(b.x + 5), static_cast<std::int16_t>(b.y + 1 + 13 + 6)));
    pump();
    EXPECT_EQ((std::pair{e.listSelectionIndex(101), e.listSelectionText(101, -1)}),
              (std::pair{1, std::string("two")}));
    EXPECT_EQ(e.notes.back(), "command 101 1");
    key(platform::KeyTab);
    key(platform::KeyTab);
    key(platform::KeyDown);
    pump();
    EXPECT_EQ(e.listSelectionText(101, 0), "one");
}

TEST_F(DialogTest, ArrowsInAListStopAtItsEndsWithoutASelectionCommand) {
    NotingDialog e;
    e.create("EnumDialog", Dialog::Modeless);
    DialogItemWindow* list = e.item(101);
    for (const char* row : {"one", "two", "three"})
        list->addRow(row);
    // The last row, clicked: the list has the focus.
    const Box b = list->box();
    click(e, Point(static_cast<std::int16_t>(b.x + 5), static_cast<std::int16_t>(b.y + 1 + 2 * 13 + 6)));
    pump();
    ASSERT_EQ(e.listSelectionIndex(101), 2);
    ASSERT_EQ(e.notes.back(), "command 101 1");
    const std::size_t notes = e.notes.size();
    key(platform::KeyDown);
    pump();
    EXPECT_EQ((std::tuple{e.listSelectionIndex(101), e.notes.size()}), (std::tuple{2, notes}));
    // One row up is a change and is told; up again from the first row is not.
    key(platform::KeyHome);
    pump();
    EXPECT_EQ((std::tuple{e.listSelectionIndex(101), e.notes.size(), e.notes.back()}),
              (std::tuple{0, notes + 1, std::string("command 101 1")}));
    key(platform::KeyUp);
    pump();
    EXPECT_EQ((std::tuple{e.listSelectionIndex(101), e.notes.size()}), (std::tuple{0, notes + 1}));
}

TEST_F(DialogTest, AnAutoDeleteDialogStaysItsCallersAndRunsAgain) {
    NotingDialog d;
    d.create("GetString", Dialog::Modeless, 1);
    key(platform::KeyEscape);
    pump();
    for (int i = 0; i < 5; ++i)
        app.tickTimers(1000u * (i + 1));
    pump();
    EXPECT_FALSE(d.isOpen());
    key(platform::KeyEscape);
    EXPECT_EQ(d.create("EnumDialog", Dialog::Modal), 0);
    EXPECT_EQ(d.notes, (std::vector<std::string>{"init", "command 2 0", "init", "command 2 0"}));
}

TEST_F(DialogTest, DeletingAnOpenDialogClosesItWithZero) {
    auto d = std::make_unique<NotingDialog>();
    d->attach(app);
    d->create("GetString", Dialog::Modeless);
    const WindowHandle handle = d->hwnd();
    d.reset();
    EXPECT_FALSE(WindowManager::instance().exists(handle));
    EXPECT_TRUE(app.modelessDialogs().isEmpty());
}

TEST(DialogTemplateReader, ReadsAHandWrittenTemplate) {
    const char* text = "# a chooser\n"
                       "dialog 3 -4 207 111 \"Pick \\\"one\\\"\"\n"
                       "style popup visible caption modalframe\n"
                       "class \"OstrellDialog\"\n"
                       "font 8 \"MS Sans Serif\"\n"
                       "control listbox 101 \"\" 4 5 110 50 tabstop notify\n"
                       "control defpushbutton 1 \"OK\" 4 57 50 14 group\n"
                       "control text -1 \"Name:\" 0 0 1 1 hidden\n"
                       "control autoradiobutton 65534 \"&Up\" 1 2 3 4\n";
    DialogTemplateReader reader("EnumDialog", text);
    EXPECT_TRUE(reader.errors().empty());
    ASSERT_TRUE(reader.result());
    const DialogTemplate& d = *reader.result();
    EXPECT_EQ((std::tuple{d.name, d.x, d.y, d.cx, d.cy, d.caption, d.className, d.pointSize, d.fontName}),
              (std::tuple{std::string("EnumDialog"), std::int16_t(3), std::int16_t(-4), std::int16_t(207),
                          std::int16_t(111), std::string("Pick \"one\""), std::string("OstrellDialog"),
                          std::uint16_t(8), std::string("MS Sans Serif")}));
    EXPECT_EQ(d.style, 0x80000000u | 0x10000000u | 0x00C00000u | 0x80u | 0x40u);
    ASSERT_EQ(d.items.size(), 4u);
    const struct {
        std::uint16_t id, cls;
        std::uint32_t style;
        const char* text;
        std::int16_t x, y, cx, cy;
    } rows[] = {
        {101, 0x83, 0x50000000u | 0x10000u | 0x1u, "", 4, 5, 110, 50},
        {1, 0x80, 0x50000000u | 0x20000u | 1u, "OK", 4, 57, 50, 14},
        {0xFFFF, 0x82, 0x40000000u, "Name:", 0, 0, 1, 1},
        {0xFFFE, 0x80, 0x50000000u | 9u, "&Up", 1, 2, 3, 4},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const DialogItem& it = d.items[i];
        EXPECT_EQ((std::tuple{it.id, it.controlClass, it.style, it.text, it.x, it.y, it.cx, it.cy}),
                  (std::tuple{rows[i].id, rows[i].cls, rows[i].style, std::string(rows[i].text), rows[i].x,
                              rows[i].y, rows[i].cx, rows[i].cy}));
    }
    EXPECT_EQ(d.items[2].signedId(), -1);
}

TEST(DialogTemplateReader, LeavesOutLinesItCannotReadAndSaysWhich) {
    const struct {
        const char* line;
        const char* error;
    } rows[] = {
        {"control button 5 \"x\" 0 0 1 1", "line 2: unknown control kind \"button\""},
        {"control text -2 \"x\" 0 0 1 1", "line 2: id -2 out of range"},
        {"control text 65535 \"x\" 0 0 1 1", "line 2: id 65535 out of range"},
        {"control text 7 x 0 0 1 1", "line 2: no label in double quotes"},
        {"control text 7 \"x\" 0 0 1", "line 2: bad height \"\""},
        {"control text 7 \"x\" 0 0 1 40000", "line 2: bad height \"40000\""},
        {"control text 7 \"x\" 0 0 -1 0", "line 2: negative size"},
        {"control text 7 \"x\" 0 0 1 1 shiny", "line 2: unknown style word \"shiny\""},
        {"style popup round", "line 2: unknown style word \"round\""},
        {"dialog 0 0 1 1 \"again\"", "line 2: a second dialog line"},
        {"font big \"x\"", "line 2: bad point size \"big\""},
        {"menu \"x\"", "line 2: unknown line \"menu\""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        DialogTemplateReader reader("T", std::string("dialog 0 0 10 10 \"T\"\n") + r.line + "\n");
        ASSERT_TRUE(reader.result());
        EXPECT_TRUE(reader.result()->items.empty());
        EXPECT_EQ(reader.errors(), std::vector<std::string>{r.error});
    }
    DialogTemplateReader negative("T", "dialog 0 0 10 -1 \"T\"\n");
    EXPECT_FALSE(negative.result());
    EXPECT_EQ(negative.errors().front(), "line 1: negative size");
    DialogTemplateReader none("T", "control text 7 \"x\" 0 0 1 1\n");
    EXPECT_FALSE(none.result());
    EXPECT_EQ(none.errors().back(), "no dialog line");
}

TEST(DialogTemplateReader, KeepsTwoHundredAndFiftyFiveControlsAndRefusesTheNext) {
    std::string text = "dialog 0 0 10 10 \"T\"\n";
    for (int i = 0; i < 256; ++i)
        text += "control edit " + std::to_string(i) + " \"\" 0 0 1 1\n";
    DialogTemplateReader reader("T", text);
    ASSERT_TRUE(reader.result());
    EXPECT_EQ(reader.result()->items.size(), 255u);
    EXPECT_EQ(reader.errors(), std::vector<std::string>{"line 257: more than 255 controls"});
}

TEST(DialogTemplateConversion, ScalesToTheSystemFontAndTakesTheStaticsOutInOrder) {
    // Units of 2 by 2 pixels: x scales by 0.875 and y by 0.8125, truncated.
    DialogTemplate d = *DialogTemplateReader("T", "dialog 8 8 100 100 \"T\"\n"
                                                  "control text -1 \"first\" 100 100 16 16\n"
                                                  "control edit 101 \"\" 100 100 9 9\n"
                                                  "control text 102 \"second\" 1 1 3 3\n"
                                                  "control pushbutton 1 \"OK\" 3 3 1 1\n"
                                                  "control text -1 \"third\" 0 0 0 0\n")
                            .result();
    const std::vector<StaticText> texts = convertTemplate(d, DialogUnits::of(8, 16));
    EXPECT_EQ((std::tuple{d.x, d.y, d.cx, d.cy}),
              (std::tuple{std::int16_t(7), std::int16_t(6), std::int16_t(87), std::int16_t(81)}));
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ((std::tuple{d.items[0].id, d.items[0].x, d.items[0].y, d.items[0].cx, d.items[0].cy}),
              (std::tuple{std::uint16_t(101), std::int16_t(87), std::int16_t(81), std::int16_t(7),
                          std::int16_t(7)}));
    EXPECT_EQ((std::tuple{d.items[1].id, d.items[1].x, d.items[1].cy}),
              (std::tuple{std::uint16_t(1), std::int16_t(2), std::int16_t(0)}));
    ASSERT_EQ(texts.size(), 3u);
    const struct {
        std::int16_t id;
        const char* text;
        Point at;
        Dim size;
    } rows[] = {{-1, "first", Point(174, 162), Dim(28, 26)},
                {102, "second", Point(0, 0), Dim(4, 4)},
                {-1, "third", Point(0, 0), Dim(0, 0)}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((std::tuple{texts[i].id, texts[i].text, texts[i].position, texts[i].size}),
                  (std::tuple{rows[i].id, std::string(rows[i].text), rows[i].at, rows[i].size}));
    }
}

TEST(DialogTemplateConversion, AllStaticsLeaveNoItemsAndNoStaticsLeaveTheOrder) {
    DialogTemplate all = *DialogTemplateReader("T", "dialog 0 0 9 9 \"T\"\ncontrol text 1 \"a\" 0 0 1 1\n"
                                                    "control text 2 \"b\" 0 0 1 1\n")
                              .result();
    EXPECT_EQ(convertTemplate(all, DialogUnits::of(8, 16)).size(), 2u);
    EXPECT_TRUE(all.items.empty());
    DialogTemplate none = *DialogTemplateReader("T", "dialog 0 0 9 9 \"T\"\ncontrol edit 3 \"\" 0 0 1 1\n"
                                                     "control listbox 2 \"\" 0 0 1 1\n")
                               .result();
    EXPECT_TRUE(convertTemplate(none, DialogUnits::of(8, 16)).empty());
    ASSERT_EQ(none.items.size(), 2u);
    EXPECT_EQ((std::pair{none.items[0].id, none.items[1].id}),
              (std::pair{std::uint16_t(3), std::uint16_t(2)}));
    EXPECT_TRUE(convertTemplate(none, DialogUnits{0, 2}).empty()) << "a font without width converts nothing";
}

TEST(DialogTemplateConversion, PixelsRoundHalfUp) {
    const struct {
        std::int32_t value;
        float unit;
        std::int16_t pixels;
    } rows[] = {{87, 2.0f, 174}, {1, 1.25f, 1}, {2, 1.25f, 3}, {0, 2.0f, 0}, {3, 0.5f, 2}, {1, 0.4f, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.value) + " at " + std::to_string(r.unit));
        EXPECT_EQ(dialogPixels(r.value, r.unit), r.pixels);
    }
}

// Each template of the program: its size, its control ids in order, and their kinds in order (p push
// button, d default push button, c check box, r radio button, t text, e edit, l list box, b combo box,
// s scroll bar, h shaded panel, a text on a shaded panel; ! marks the start of a group).
struct Expected {
    const char* name;
    std::int16_t cx, cy;
    const char* ids;
    const char* kinds;
};
const Expected programTemplates[] = {
    {"ABOUTDLG", 225, 222, "1 101 -1 110 111 112 113 114 115 116 117 118 119", "dt!t!tttttttttt"},
    {"ARMYDETAILSDLG", 197, 289, "1 9 -1 -1 -1 -1 -1 -1", "dpt!ttttt"},
    {"ARMYROUTDLG", 184, 168, "1 9 10 11 12 13 -1 20 21 22 23", "dprrrrttete"},
    {"BATTLEDETAILSDLG", 324, 225, "1", "d"},
    {"CAMPAIGNMAP", 343, 276, "10 11 2 9", "dppp"},
    {"CAMPAIGNRESULTS", 343, 288, "", ""},
    {"CHOOSESIDES", 308, 218, "1 2 101 102", "dpbb"},
    {"COHESIONOVERVIEW", 207, 214, "101 102 103 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1",
     "dsshhhhhha!a!a!a!a!a!"},
    {"CONNECTNETDLG", 195, 231, "107 108 102 105 1 2 9 106 101 -1 110 -1 104 -1 103 -1 -1",
     "edpppppelt!t!t!t!t!t!t!t!"},
    {"CUSTOMSCENEDLG", 220, 45, "-1 101 1 2", "t!edp"},
    {"DEBUGPREFERENCES", 237, 209, "-1 101 102 104 15 -1 103 -1 17 20 18 19 -1 105 10 11 12 16 13 14 1 2 9",
     "tc!ccctctcccctccrrcccd!pp"},
    {"DEMOHELP", 324, 226, "1 9", "dp"},
    {"ELITEINITDLG", 177, 101, "1 9 -1 -1 10", "dpt!t!l"},
    {"ENDOFGAMEDLG", 271, 289, "1 101", "dp"},
    {"ENDORDERSDLG", 220, 39, "1 -1 101 2", "dt!cd"},
    {"ENUMDIALOG", 207, 111, "101 1 2", "ldp"},
    {"GAMEOVERVIEWDLG", 307, 156, "1 101 102", "dpp"},
    {"GETSTRING", 207, 56, "101 1 2 -1", "edpt!"},
    {"HISTORYPLAYING", 134, 41, "-1 -1", "t!t!"},
    {"INFODLG", 164, 47, "", ""},
    {"INITIATIVERESULTS", 197, 39, "1 101 201 102", "dt!ct!"},
    {"INTRODLG", 195, 115, "1 103 104 105 106 -1 -1 101 102", "d!r!rr!rt!ttt"},
    {"LEADERALMOSTFINISHED", 171, 82, "101 17 -1 -1 -1 -1", "dct!t!t!t!"},
    {"LEADERCHEATDLG", 191, 121, "1 2 9 10 -1 11", "dpplt!c"},
    {"LOADINGDLG", 266, 213, "", ""},
    {"LOADSAVEDLG", 218, 158, "10 12 1 2 13 9 11 -1 -1", "eedppplt!t!"},
    {"MISSILERESULTS", 157, 52, "1 101 201 102", "dt!ct!"},
    {"MOMENTUMDLG", 190, 44, "1 2 -1", "dpt!"},
    {"NETCHAT", 305, 179, "107 108 10 102 101 105 106 9", "edclr!rrp"},
    {"NETCHOOSELEADERS", 262, 265,
     "1 9 301 302 303 304 305 306 307 308 309 310 311 312 313 314 315 316 317 318 319 320 321 322 323 324 "
     "325 326 327 328 329 330 331 332 333 334 335 336 337 338 339 340 -1 100 101",
     "dpbbbbbbbbbbbbbbbbbbbbttttttttttttttttttttt!tt"},
    {"NEWAIFILENAME", 189, 45, "1 101 -1", "det!"},
    {"OVERALLCOMBATRESULTS", 132, 124, "101 1", "ld"},
    {"OWDLG", 173, 48, "101 1 2 102 9", "t!dpt!p"},
    {"PREFERENCES", 142, 209, "-1 101 102 104 15 -1 21 103 -1 22 17 20 18 19 105 10 11 12 16 13 14 1 2 9",
     "tc!ccctsctsccccccrrcccd!pp"},
    {"PRELOADDLG", 128, 37, "101 100", "t!t!"},
    {"RALLYDLG", 207, 42, "1 9 101 102 103", "dpt!t!t!"},
    {"SCENARIO", 229, 243, "1 2 10 9 11", "d!pppl"},
    {"SHOWCOMBATRESULTS", 314, 135, "1", "d"},
    {"STARTCLIENT", 207, 74, "101 102 103 1 2 9 -1 -1 -1", "eeedppt!t!t!"},
    {"STARTGAME", 367, 295, "102 106 101 103 104 2 105", "pdppppp"},
    {"STARTSERVER", 207, 61, "1 2 -1 -1 101 103 9 -1", "dpt!t!eept"},
    {"TEMPNETDLG", 97, 77, "10 11", "pd"},
    {"VAELELITEINITDLG", 183, 58, "1 2 -1 -1 9", "dpt!t!p"},
    {"VAELMESSAGEBOX", 205, 58, "1 2 101 102 -1 103", "dpt!t!t!t!"},
    {"VARIANTDLG", 207, 111, "1 2 101 10", "dplp"},
    {"VIDEODLG", 218, 153, "1", "d"},
    {"VIEWUNIT", 242, 190, "1 9", "dp"},
    {"YESNODLG", 205, 58, "1 2 101 102 -1 103", "dpt!t!t!t!"},
};

char kindLetter(const DialogItem& it) {
    static const std::map<std::uint32_t, char> buttons{{style::PushButton, 'p'},
                                                       {style::DefPushButton, 'd'},
                                                       {style::AutoCheckBox, 'c'},
                                                       {style::AutoRadioButton, 'r'}};
    static const std::map<std::uint32_t, char> classes{
        {ClassStatic, 't'},    {ClassEdit, 'e'},     {ClassListBox, 'l'},  {ClassComboBox, 'b'},
        {ClassScrollBar, 's'}, {ClassBorShade, 'h'}, {ClassBorStatic, 'a'}};
    const auto& table = it.controlClass == ClassButton ? buttons : classes;
    const auto found = table.find(it.controlClass == ClassButton ? it.buttonType() : it.controlClass);
    return found == table.end() ? '?' : found->second;
}

TEST(DialogTemplates, EveryTemplateOfTheProgramReadsWholeInItsOrderAndInsideItsSize) {
    const std::vector<std::string> names = dialogTemplateNames();
    ASSERT_EQ(names.size(), std::size(programTemplates));
    std::set<std::string> seen;
    for (const Expected& e : programTemplates) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(seen.insert(e.name).second);
        const std::optional<DialogTemplate> d = loadDialogTemplate(e.name);
        ASSERT_TRUE(d);
        EXPECT_EQ((std::tuple{d->cx, d->cy, d->className, d->pointSize, d->fontName}),
                  (std::tuple{e.cx, e.cy, std::string("OstrellDialog"), std::uint16_t(8),
                              std::string("MS Sans Serif")}));
        const bool modal =
            std::string(e.name) != "LEADERALMOSTFINISHED" && std::string(e.name) != "STARTGAME";
        EXPECT_EQ(d->style & 0x900000C0u, 0x90000040u | (modal ? 0x80u : 0u));
        std::string ids, kinds;
        std::set<std::uint16_t> named;
        for (const DialogItem& it : d->items) {
            SCOPED_TRACE(it.id);
            ids += (ids.empty() ? "" : " ") + std::to_string(it.signedId());
            kinds += kindLetter(it);
            if (it.style & style::Group) kinds += '!';
            EXPECT_TRUE(it.x >= 0 && it.y >= 0 && it.cx > 0 && it.cy > 0 && it.x + it.cx <= d->cx &&
                        it.y + it.cy <= d->cy)
                << "outside the dialog: " << it.x << "," << it.y << " " << it.cx << "x" << it.cy;
            EXPECT_TRUE(it.id == 0xFFFF || named.insert(it.id).second) << "id used twice";
        }
        EXPECT_EQ(ids, e.ids);
        EXPECT_EQ(kinds, e.kinds);
    }
}

TEST(DialogTemplates, AreFoundWithoutRegardToCaseAndAMissingOneIsNone) {
    EXPECT_EQ(loadDialogTemplate("LoadSaveDlg")->caption, "");
    EXPECT_EQ(loadDialogTemplate("Scenario")->caption, "Choose Scenario");
    EXPECT_EQ(loadDialogTemplate("EnumDialog")->caption, "Choose");
    EXPECT_FALSE(loadDialogTemplate("NoSuchDialog"));
}

std::vector<std::int32_t>* heardIds = nullptr;
ContainerBase* hear(Component*, BusMessage event, ContainerBase*) {
    if (heardIds) heardIds->push_back(event.id());
    return nullptr;
}

std::uint8_t focusColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r == 100 && g == 100 && b == 100 ? 'F' : 'x';
}

// The grey table of the tests turns the three "Up" pictures into their own disabled colours.
const std::uint8_t* greyTable() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = static_cast<std::uint8_t>(i);
        t['u'] = 'g', t['U'] = 'v', t['R'] = 'w';
        return t;
    }();
    return table.data();
}

TestGroup group(const char* name, char up, char down, Dim size, char check = 0) {
    TestGroup g = solidGroup(name, {"Up", "Down"}, size, {up, down});
    if (check)
        g.pictures.push_back(solidPicture("Check", Dim(4, 4), Point(), std::uint8_t(check), PictureOpaque));
    return g;
}

class DialogControlTest : public DialogBase {
protected:
    DialogControlTest() {
        pictures["DialogButtons"] = TestArchive{{group("Pushbutton", 'u', 'd', Dim(20, 8)),
                                                 group("CheckBox", 'U', 'D', Dim(8, 8), 'C'),
                                                 group("Radio", 'R', 'S', Dim(8, 8), 'K')}};
        previousMatcher = Display::setColourMatcher(&focusColour);
        previousRemap = DialogControl::setDisabledRemap(&greyTable);
        heardIds = &heard;
        listener.setup = [](Probe& p) { p.connect(500, &hear); };
        listener.attach(app);
        window = app.addWindow(&recording);
    }
    ~DialogControlTest() override {
        heardIds = nullptr;
        Display::setColourMatcher(previousMatcher);
        DialogControl::setDisabledRemap(previousRemap);
    }
    // The repaints asked of the control window since the last look.
    int repaints() {
        pumpAll(app);
        int n = 0;
        for (const WindowMessage& m : recording.got)
            n += m.message == MessagePaint;
        recording.got.clear();
        return n;
    }
    std::string drawn(DialogControl& control, Dim size, std::uint16_t state, std::vector<Point> at) {
        TestDisplay target(size, "target");
        target.fill(0);
        control.draw(target, state);
        std::string out;
        for (const Point& p : at)
            out += pixelChar(target.bits()[p.y * target.stride() + p.x]);
        return out;
    }

    RecordingWindow recording{"control"};
    WindowHandle window = 0;
    Probe listener{"Listener"};
    std::vector<std::int32_t> heard;
    Display::ColourMatcher previousMatcher = nullptr;
    DialogControl::RemapSource previousRemap = nullptr;
};

TEST_F(DialogControlTest, APushButtonFillsItsBoxWithItsPictureAndCentresItsLabelByState) {
    // A target of 30 x 12: the 20 x 8 picture fitted to 26 x 8 at (2, 2), inside the default frame's two
    // rows. The label "A" (4 wide, 6 high from ascent 4) is centred on the font's full height of 7: its
    // glyph's top-left at (13, 2), pressed at (15, 4) to (17, 9) (its last column is clear). The focus frame
    // rounds the label but stays 4 rows and columns inside the box, off the face's bevel: from (11, 4),
    // pressed from (13, 4). Samples: the picture's corner, the label's corner, the pressed label's far
    // corner and the pressed focus frame's corner.
    const std::vector<Point> at = {Point(2, 2), Point(13, 2), Point(17, 9), Point(13, 4)};
    const struct {
        std::uint16_t state;
        const char* shown;
    } rows[] = {
        {0, "uAuA"},
        {ItemSelected, "ddAd"},
        {ItemFocus, "uAuF"},
        {ItemSelected | ItemFocus, "ddAF"},
        // A disabled label is greyed ('x': its grey is none of the named test colours).
        {ItemDisabled, "gxgx"},
        {ItemDisabled | ItemFocus, "gxgF"},
        {ItemSelected | ItemDisabled, "uxux"},
        {0x8, "uAuA"},
    };
    DialogButton button(window, "A", Point(-1, -1), "DialogButtons", 1);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.state);
        EXPECT_EQ(drawn(button, Dim(30, 12), r.state, at), r.shown);
    }
}

// A focused button its label nearly fills (Start Server, Finish) keeps its letter's underline: in a target
// of 30 x 15 the label "&A" has its underline ('x', the grey matched) on row 10, columns 14 to 17; the focus
// frame, kept 4 rows inside the box, has its bottom row on row 10 too, from column 11. The underline is drawn
// over the frame there, and the frame's bottom row leaves the column before it (13) to the face, so that
// the underline is not one with the line; the frame shows further out (11, and its right side on 18), and
// the unfocused button has no frame. Before, the frame's bottom row covered the underline, then ran on into
// it unbroken.
TEST_F(DialogControlTest, AFocusedButtonsFrameLeavesItsLettersUnderlineInSight) {
    DialogButton button(window, "&A", Point(-1, -1), "DialogButtons", 1);
    const std::vector<Point> at = {Point(14, 10), Point(17, 10), Point(11, 10), Point(13, 10), Point(18, 10)};
    const struct {
        const char* what;
        std::uint16_t state;
        const char* shown;
    } rows[] = {{"focused", ItemFocus, "xxFuF"}, {"not focused", 0, "xxuuu"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(drawn(button, Dim(30, 15), r.state, at), r.shown);
    }
}

// The frame a row below the underline crosses nothing: in a target of 30 x 16 the label "&A" keeps its
// underline on row 10, columns 14 to 17, and the frame's bottom row comes on row 11, unbroken under the
// underline (13 to 18) and at its ends (11, 18); the underline above it stays the matched grey. The
// button a row shorter (30 x 15) is the one whose frame breaks for it.
TEST_F(DialogControlTest, AFocusFrameARowBelowTheUnderlineRunsUnbroken) {
    DialogButton button(window, "&A", Point(-1, -1), "DialogButtons", 1);
    const std::vector<Point> at = {Point(11, 11), Point(13, 11), Point(14, 11), Point(17, 11),
                                   Point(18, 11), Point(14, 10), Point(17, 10), Point(13, 10)};
    const struct {
        const char* what;
        std::uint16_t state;
        const char* shown;
    } rows[] = {{"focused", ItemFocus, "FFFFFxxu"}, {"not focused", 0, "uuuuuxxu"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(drawn(button, Dim(30, 16), r.state, at), r.shown);
    }
}

TEST_F(DialogControlTest, CheckBoxesAndRadioButtonsDrawAtTheLeftEdgeWithTheirMarks) {
    // A target of 40 x 12: the 8 x 8 pictures at (0, 2), the 4 x 4 mark at (0, 2) as well, the label's pen at
    // (18 or 16, 8). Samples: the mark's corner, a point of the picture beside the mark, the label's corner.
    const struct {
        bool radio;
        std::uint16_t state;
        std::int16_t checked;
        const char* shown;
    } rows[] = {
        {false, 0, 0, "UUA"},
        {false, 0, 1, "CUA"},
        {false, ItemSelected, 0, "DDA"},
        {false, ItemSelected, 1, "CDA"},
        {false, ItemDisabled, 1, "Cvx"}, // the disabled label greyed
        {true, 0, 0, "RRA"},
        {true, ItemSelected, 1, "KSA"},
        {true, ItemDisabled, 0, "wwx"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.radio) + " " + std::to_string(r.state) + " " +
                     std::to_string(r.checked));
        std::unique_ptr<DialogButton> b;
        if (r.radio)
            b = std::make_unique<DialogRadio>(window, "A", "DialogButtons");
        else
            b = std::make_unique<DialogCheck>(window, "A", "DialogButtons", r.checked);
        if (r.radio && r.checked) static_cast<DialogRadio&>(*b).click();
        const Point label = r.radio ? Point(16, 4) : Point(18, 4);
        EXPECT_EQ(drawn(*b, Dim(40, 12), r.state, {Point(0, 2), Point(6, 8), label}), r.shown);
        EXPECT_EQ(drawn(*b, Dim(40, 12), r.state, {label - Point(1, 0)}), ".") << "the label starts there";
    }
}

TEST_F(DialogControlTest, ACheckBoxClickedTwiceEndsUncheckedRepaintedEachTimeAndSendsNothing) {
    DialogCheck check(window, "&Sounds", "DialogButtons");
    check.attach(app);
    check.onNotify(ButtonClicked);
    EXPECT_EQ(check.getCheck(), 1);
    EXPECT_EQ(repaints(), 2);
    check.onNotify(ButtonClicked);
    app.drainQueue();
    EXPECT_EQ((std::tuple{check.getCheck(), repaints(), heard.size()}), (std::tuple{std::int16_t(0), 2, 0u}));
    check.onNotify(1);
    EXPECT_EQ(check.getCheck(), 0) << "a notification other than a click does nothing";
}

TEST_F(DialogControlTest, APushButtonSendsItsCommandWordOncePerClickAndWordZeroSendsNothing) {
    DialogButton silent(window, "OK", Point(-1, -1), "DialogButtons", 0);
    DialogButton loud(window, "Go", Point(-1, -1), "DialogButtons", 0, BusMessage(500));
    DialogButton high(window, "Go", Point(-1, -1), "DialogButtons", 0, BusMessage::fromWord(0x30000000u));
    for (DialogButton* b : {&silent, &loud, &high})
        b->attach(app);
    silent.onNotify(ButtonClicked);
    high.onNotify(ButtonClicked);
    loud.onNotify(ButtonClicked);
    loud.onNotify(ButtonClicked);
    loud.onNotify(0xFFFF); // a negative code counts as a click as well
    app.drainQueue();
    EXPECT_EQ(heard, (std::vector<std::int32_t>{500, 500, 500}));
    EXPECT_EQ(loud.getCheck(), 0);
}

TEST_F(DialogControlTest, ARadioClickChecksItAndUnchecksTheRestOfItsGroup) {
    DialogRadio a(window, "a", "DialogButtons"), b(window, "b", "DialogButtons"),
        c(window, "c", "DialogButtons");
    List<DialogRadio*> members;
    members << &a << &b << &c;
    for (DialogRadio* r : {&a, &b, &c})
        r->setGroup(members);
    EXPECT_EQ(a.selectedIndex(), 0) << "nothing checked reads as the first";
    a.setCheck(1);
    c.setCheck(1);
    EXPECT_EQ(b.selectedIndex(), 0);
    b.click();
    EXPECT_EQ((std::tuple{a.getCheck(), b.getCheck(), c.getCheck(), c.selectedIndex()}),
              (std::tuple{std::int16_t(0), std::int16_t(1), std::int16_t(0), std::int16_t(1)}));
    a.select(2);
    EXPECT_EQ((std::tuple{a.getCheck(), b.getCheck(), c.getCheck(), b.selectedIndex()}),
              (std::tuple{std::int16_t(0), std::int16_t(0), std::int16_t(1), std::int16_t(2)}));
    a.select(3);
    EXPECT_EQ(a.selectedIndex(), 0) << "a position past the group unchecks them all";
    DialogRadio alone(window, "x", "DialogButtons");
    b.setCheck(1);
    alone.click();
    EXPECT_EQ((std::tuple{alone.getCheck(), b.getCheck()}), (std::tuple{std::int16_t(1), std::int16_t(1)}));
}

TEST_F(DialogControlTest, TheSharedFontLivesUntilTheLastControlGoes) {
    for (const std::array<int, 3> order : {std::array{0, 1, 2}, std::array{2, 0, 1}, std::array{1, 2, 0}}) {
        SCOPED_TRACE(std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]));
        ASSERT_EQ(DialogControl::sharedFont(), nullptr);
        std::array<std::unique_ptr<DialogControl>, 3> controls = {
            std::make_unique<DialogControl>(window, "a", Point(0, 0), "DialogButtons"),
            std::make_unique<DialogCheck>(window, "b", "DialogButtons"),
            std::make_unique<DialogRadio>(window, "c", "DialogButtons")};
        DialogFont* font = DialogControl::sharedFont();
        ASSERT_NE(font, nullptr);
        controls[order[0]].reset();
        controls[order[1]].reset();
        EXPECT_EQ((std::pair{DialogControl::sharedFont(), DialogControl::liveControls()}),
                  (std::pair{font, 1}));
        controls[order[2]].reset();
        EXPECT_EQ(DialogControl::sharedFont(), nullptr);
    }
}

class SmallDialogsTest : public DialogBase {
protected:
    static List<enumeration> entries(std::initializer_list<enumeration> rows) {
        List<enumeration> list;
        for (const enumeration& e : rows)
            list.append(e);
        return list;
    }
};

TEST_F(SmallDialogsTest, TheChooserAnswersTheChosenValueOrMinusOne) {
    using platform::KeyDown, platform::KeyReturn, platform::KeyTab;
    const struct {
        const char* what;
        std::vector<std::int32_t> keys;
        std::int16_t result;
        std::int32_t chosen;
    } rows[] = {
        {"OK on the first row", {KeyReturn}, 10, 10},
        {"down, then OK", {KeyDown, KeyReturn}, 0x5678, 0x12345678},
        {"tab to OK, where the arrow does nothing", {KeyTab, KeyDown, KeyReturn}, 10, 10},
        {"down past the end stays on the last", {KeyDown, KeyDown, KeyDown, KeyReturn}, -2, -2},
        {"cancel", {platform::KeyEscape}, -1, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EnumDialog d(entries({{"Ten", 10}, {"Big", 0x12345678}, {"Minus two", -2}}), "Pick a side", 1);
        for (std::int32_t k : r.keys)
            key(k);
        EXPECT_EQ((std::tuple{d.create(EnumDialog::ResourceName, Dialog::Modal), d.chosenValue()}),
                  (std::tuple{r.result, r.chosen}));
        pump();
    }
}

TEST_F(SmallDialogsTest, AChooserWithoutEntriesChoosesNothingEvenWithRowsAdded) {
    EnumDialog d(List<enumeration>(), "Sessions", 0);
    d.create(EnumDialog::ResourceName, Dialog::Modeless);
    EXPECT_EQ((std::tuple{d.item(Dialog::IdCancel)->isVisible(), std::string(d.caption())}),
              (std::tuple{false, std::string("Sessions")}));
    d.addItem("First game", 4);
    d.item(EnumDialog::ListId)->select(0);
    key(platform::KeyReturn);
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result(), d.chosenValue()}),
              (std::tuple{std::int16_t(0), std::int16_t(-1), std::int32_t(-1)}));
}

TEST_F(SmallDialogsTest, AddingTheSameNameAndValueTwiceKeepsOneRowAndAnotherValueAddsOne) {
    EnumDialog d(entries({{"Host", 1}}), "Choose", 1);
    d.addItem("Early", 1);
    EXPECT_EQ(d.isOpen(), 0);
    d.create(EnumDialog::ResourceName, Dialog::Modeless);
    DialogItemWindow* list = d.item(EnumDialog::ListId);
    d.addItem("Game", 7);
    d.addItem("game", 7);
    EXPECT_EQ(list->rowCount(), 2) << "the name is found without regard to case";
    d.addItem("Game", 8);
    d.addItem("Host", 1);
    EXPECT_EQ(list->rowCount(), 3);
    // The search starts after the first row: only the first "Game" is compared, so a repeat of the
    // second value adds a row again.
    d.addItem("Game", 8);
    EXPECT_EQ(list->rowCount(), 4);
    EXPECT_EQ((std::pair{list->row(2)->text, list->row(2)->data}), (std::pair{std::string("Game"), 8}));
}

TEST_F(SmallDialogsTest, ADoubleClickChoosesTheRowWithoutTheTestOfOK) {
    EnumDialog d(entries({{"A", 1}, {"B", 0x10002}}), "Choose", 1);
    d.create(EnumDialog::ResourceName, Dialog::Modeless);
    const Box b = d.item(EnumDialog::ListId)->box();
    const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
    postButtons(os,
                {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp,
                 platform::EventKind::DoubleClick, platform::EventKind::ButtonUp},
                client.x + b.x + 4, client.y + b.y + 1 + 13 + 3);
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result(), d.chosenValue()}),
              (std::tuple{std::int16_t(0), std::int16_t(2), std::int32_t(0x10002)}));
}

TEST_F(SmallDialogsTest, TheTextQuestionEnablesOKExactlyWhileThereIsText) {
    GetStringDialog d("Name", "Name the game:", "");
    d.create(GetStringDialog::ResourceName, Dialog::Modeless);
    DialogItemWindow* ok = d.item(Dialog::IdOk);
    EXPECT_EQ((std::tuple{ok->isEnabled(), std::string(d.caption()), d.getItemText(-1)}),
              (std::tuple{false, std::string("Name"), std::string("Name the game:")}));
    const auto enabledAfter = [&](std::function<void()> input) {
        input();
        pump();
        return ok->isEnabled();
    };
    EXPECT_TRUE(enabledAfter([&] { type("x"); }));
    EXPECT_FALSE(enabledAfter([&] { key(platform::KeyBackspace); }));
    EXPECT_FALSE(enabledAfter([&] { key(platform::KeyReturn); }));
    EXPECT_TRUE(d.isOpen()) << "enter does nothing while OK is disabled";
    type("Bo's Game");
    key(platform::KeyReturn);
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result(), d.answer()}),
              (std::tuple{std::int16_t(0), std::int16_t(1), std::string("Bo's Game")}));
}

TEST_F(SmallDialogsTest, CancelAnswersTheDefaultAndAStoppedRunLeavesTheAnswerAlone) {
    GetStringDialog d("Join", "Host:", "Ann's Game");
    type("other");
    key(platform::KeyEscape);
    // The controls go with the window.
    EXPECT_EQ(
        (std::tuple{d.create(GetStringDialog::ResourceName, Dialog::Modal), d.answer(),
                    d.item(Dialog::IdOk)}),
        (std::tuple{std::int16_t(0), std::string("Ann's Game"), static_cast<DialogItemWindow*>(nullptr)}));

    GetStringDialog stopped("Join", "Host:", "Ann's Game");
    app.postQuitMessage();
    EXPECT_EQ((std::tuple{stopped.create(GetStringDialog::ResourceName, Dialog::Pumped), stopped.answer()}),
              (std::tuple{std::int16_t(0), std::string()}));
}

TEST_F(SmallDialogsTest, ADialogWindowIsSizedToItsDialogAndGoesWhenTheDialogEnds) {
    auto* hosted = new GetStringDialog("Name", "Name:", "x");
    DialogWindow frame(hosted, GetStringDialog::ResourceName, Point(10, 10), Dim(50, 50), "Host", nullptr,
                       nullptr);
    frame.WindowsWindow::create(Dim(50, 50), "", DialogWindow::Style, 0);
    ASSERT_NE(frame.dialogHandle(), 0u);
    WindowManager& manager = WindowManager::instance();
    const platform::Rect hostedOuter = manager.find(frame.dialogHandle())->outer;
    const platform::Rect client = manager.clientOnScreen(frame.hwnd());
    EXPECT_EQ((std::pair{client.width, client.height}), (std::pair{hostedOuter.width, hostedOuter.height}));
    const WindowHandle was = frame.hwnd();
    hosted->close(1);
    EXPECT_EQ((std::pair{frame.dialogHandle(), manager.exists(was)}), (std::pair{WindowHandle(0), false}));
}

TEST_F(SmallDialogsTest, TheFileChoiceListsTheMatchingFilesOfTheGivenFilesDirectory) {
    TempDir dir("file_choice");
    for (const char* name : {"a.vel", "B.VEL", "c.txt"})
        std::ofstream(dir.path() / name) << "x";
    std::filesystem::create_directory(dir.path() / "d.vel");
    FileOpenDialog d("Saved Games", "*.vel", (dir.path() / "old.vel").string());
    d.create(FileOpenDialog::ResourceName, Dialog::Modeless);
    const DialogItemWindow* list = d.item(FileOpenDialog::ListId);
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ((std::tuple{list->row(0)->text, list->row(1)->text,
                          d.item(FileOpenDialog::DescriptionId)->isVisible(), std::string(d.caption())}),
              (std::tuple{std::string("B.VEL"), std::string("a.vel"), false, std::string("Saved Games")}));
}

TEST_F(SmallDialogsTest, TheApplicationsFileChoiceOnItsWindowIsOurDialog) {
    TempDir dir("file_choice_app");
    std::ofstream(dir.path() / "first.vel") << "x";
    os.openWindow(640, 480, "Vigils");
    const struct {
        const char* what;
        std::function<void()> script;
        std::int32_t answer;
        std::string name;
    } rows[] = {
        {"typed", [&] { type("mine.vel"), key(platform::KeyReturn); }, 1, "mine.vel"},
        {"from the list",
         [&] { key(platform::KeyTab, platform::ModShift), key(platform::KeyDown), key(platform::KeyReturn); },
         1, "first.vel"},
        {"OK with no name stays; cancel", [&] { key(platform::KeyReturn), key(platform::KeyEscape); }, 0,
         "old.vel"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::string name = (dir.path() / "old.vel").string();
        r.script();
        EXPECT_EQ((std::tuple{app.openFileDialog(name, "Saved Games", "*.vel"), name}),
                  (std::tuple{r.answer, (dir.path() / r.name).string()}));
    }
}

// A notice beside the game opened while a question stands (a leader's notice as the computer gives his
// orders, over "Leave the battle?") takes no keys from the question: Escape answers the question and the
// notice stays. Before, the notice, opened last, took the keyboard and the question heard no key.
TEST_F(DialogTest, ANoticeOpenedOverAQuestionLeavesItTheKeys) {
    RecordingWindow opener("opener");
    const WindowHandle openerHandle = app.addWindow(&opener);
    NotingDialog notice;
    opener.onMessage = [&](const WindowMessage& m) {
        if (m.message == MessageCommand) notice.create("ArmyRoutDlg", Dialog::Modeless);
    };
    NotingDialog question;
    question.init = [&](NotingDialog&) {
        app.postMessage(openerHandle, MessageCommand, 1, 0);
        key(platform::KeyEscape);
        key(platform::KeyEscape); // the question's, should the first be taken from it
    };
    EXPECT_EQ(question.create("EnumDialog", Dialog::Modal), 0);
    EXPECT_EQ(question.notes, (std::vector<std::string>{"init", "command 2 0"}));
    EXPECT_EQ(notice.isOpen(), 1);
    EXPECT_EQ(notice.notes, std::vector<std::string>{"init"});
    // With the question answered the notice takes its keys again.
    key(platform::KeyEscape);
    pump();
    EXPECT_EQ(notice.isOpen(), 0);
    app.removeWindow(openerHandle);
}

// A notice beside the game already open when a question comes (a leader's notice standing as the player
// asks to leave the battle) is offered the keys first, as the older dialog, and must leave them to the
// question: Escape answers the question and the notice stays. Taken by the notice, the key closed it and
// the question heard none.
TEST_F(DialogTest, ANoticeAlreadyOpenLeavesAQuestionTheKeys) {
    NotingDialog notice;
    ASSERT_EQ(notice.create("ArmyRoutDlg", Dialog::Modeless), 0);
    NotingDialog question;
    question.init = [&](NotingDialog&) {
        key(platform::KeyEscape);
        key(platform::KeyEscape); // the question's, should the first be taken from it
    };
    EXPECT_EQ(question.create("EnumDialog", Dialog::Modal), 0);
    EXPECT_EQ(question.notes, (std::vector<std::string>{"init", "command 2 0"}));
    EXPECT_EQ(notice.isOpen(), 1);
    EXPECT_EQ(notice.notes, std::vector<std::string>{"init"});
    key(platform::KeyEscape);
    pump();
    EXPECT_EQ(notice.isOpen(), 0);
}

TEST_F(DialogTest, TheMenusKeysChooseNoCommandWhileAModalDialogIsOpen) {
    RecordingWindow frame("frame");
    const WindowHandle previous = WinApp::mainWindowHandle();
    const WindowHandle frameHandle = app.addWindow(&frame);
    WinApp::setMainWindowHandle(frameHandle);
    const auto commands = [&] {
        std::vector<std::uintptr_t> chosen;
        for (const WindowMessage& m : frame.got)
            if (m.message == MessageCommand) chosen.push_back(m.wParam & 0xFFFF);
        return chosen;
    };
    // Ctrl+M chooses the missile volley (219) from the frame.
    key('M', platform::ModControl);
    pump();
    EXPECT_EQ(commands(), std::vector<std::uintptr_t>{219});
    frame.got.clear();
    NotingDialog d;
    d.attach(app);
    key('M', platform::ModControl);
    key(platform::KeyEscape);
    EXPECT_EQ(d.create("EnumDialog", Dialog::Modal), 0);
    EXPECT_EQ(commands(), std::vector<std::uintptr_t>{});
    EXPECT_EQ(d.notes, (std::vector<std::string>{"init", "command 2 0"}));
    EXPECT_EQ(app.modalDepth(), 0);
    // Closed, the key chooses again.
    key('M', platform::ModControl);
    pump();
    EXPECT_EQ(commands(), std::vector<std::uintptr_t>{219});
    WinApp::setMainWindowHandle(previous);
    app.removeWindow(frameHandle);
}

TEST_F(DialogTest, AListBoxsScrollBarPagesOnTrackClicksAndStepsOnItsArrows) {
    NotingDialog d;
    d.create("EliteInitDlg", Dialog::Modeless);
    DialogItemWindow& list = *d.item(10);
    const std::int32_t shown = list.visibleRows();
    ASSERT_GE(shown, 3);
    for (std::int32_t i = 0; i < shown; ++i)
        list.addRow("row " + std::to_string(i));
    // Exactly a page: no bar, and a click at the right edge chooses a row.
    EXPECT_FALSE(list.showsScrollBar());
    const Box b = list.box();
    const std::int16_t right = static_cast<std::int16_t>(b.x + b.w - 3);
    click(d, Point(right, static_cast<std::int16_t>(b.y + 2)));
    pump();
    EXPECT_EQ(list.selection(), 0);
    // One row more: the bar shows.
    const std::int32_t rows = 3 * shown + 1;
    for (std::int32_t i = shown; i < rows; ++i)
        list.addRow("row " + std::to_string(i));
    ASSERT_TRUE(list.showsScrollBar());
    const auto clickAt = [&](std::int16_t y) {
        click(d, Point(right, y));
        pump();
        return list.topRow();
    };
    const std::int16_t downArrow = static_cast<std::int16_t>(b.y + b.h - 3),
                       upArrow = static_cast<std::int16_t>(b.y + 3);
    const auto belowThumb = [&] {
        return static_cast<std::int16_t>(list.scrollThumb().y + list.scrollThumb().h);
    };
    const auto aboveThumb = [&] { return static_cast<std::int16_t>(list.scrollThumb().y - 1); };
    const std::int32_t last = rows - shown; // 2 pages and a row
    EXPECT_EQ(clickAt(downArrow), 1);
    EXPECT_EQ(clickAt(upArrow), 0);
    EXPECT_EQ(clickAt(upArrow), 0); // at the top already
    EXPECT_EQ(clickAt(belowThumb()), shown);
    EXPECT_EQ(clickAt(belowThumb()), 2 * shown);
    EXPECT_EQ(clickAt(belowThumb()), last); // the last page, not past it
    EXPECT_EQ(clickAt(downArrow), last);
    EXPECT_EQ(clickAt(aboveThumb()), last - shown);
    EXPECT_EQ(clickAt(static_cast<std::int16_t>(list.scrollThumb().y + 1)), last - shown); // on the thumb
    EXPECT_EQ(list.selection(), 0); // the bar's clicks choose no row
    // The thumb runs from the track's top at the first row to its bottom at the last page.
    list.scrollRows(-rows);
    EXPECT_EQ(list.scrollThumb().y, list.scrollTrack().y);
    list.scrollRows(rows);
    EXPECT_EQ(list.scrollThumb().y + list.scrollThumb().h, list.scrollTrack().y + list.scrollTrack().h);
}

// An edit of many rows, read only (the waiting room's messages): every line of its text in a row of its own,
// a line wider than the field broken at a blank, the bar once the rows are more than it shows (the rows
// then narrower by the bar), the last row in view; clicks and typing change nothing, the keys and the bar
// scroll.
// The wheel turned over an edit of many rows (the waiting room's conversation) scrolls it three rows a
// notch, away from the player toward the first row, and no further than either end.
TEST_F(DialogTest, TheWheelScrollsAnEditOfManyRows) {
    NotingDialog d;
    d.create("ConnectNetDlg", Dialog::Modeless);
    DialogItemWindow& field = *d.item(106);
    ASSERT_TRUE(field.isMultiline());
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "line " + std::to_string(i) + "\n";
    d.setItemText(106, text + "end");
    const std::int32_t last = field.rowCount() - field.visibleRows();
    ASSERT_GT(last, 7);
    ASSERT_EQ(field.topRow(), last);
    const Box b = field.box();
    const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
    const auto turned = [&](std::int32_t notches) {
        platform::Event e;
        e.kind = platform::EventKind::Wheel, e.wheel = notches;
        e.x = client.x + b.x + 5, e.y = client.y + b.y + 5;
        os.postEvent(e);
        pump();
        return field.topRow();
    };
    const struct {
        std::int32_t notches, top;
    } rows[] = {{1, last - 3}, {1, last - 6}, {-1, last - 3}, {-5, last}, {100, 0}, {-1, 3}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.notches);
        EXPECT_EQ(turned(r.notches), r.top);
    }
}

TEST_F(DialogTest, AReadOnlyEditOfManyRowsShowsEveryLineScrollsAndTakesNoTyping) {
    NotingDialog d;
    d.create("ConnectNetDlg", Dialog::Modeless);
    DialogItemWindow& field = *d.item(106);
    ASSERT_TRUE(field.isMultiline());
    ASSERT_TRUE(field.isReadOnly());
    EXPECT_FALSE(d.item(107)->isMultiline()) << "the line to say stays a field of one row";
    const std::int32_t shown = field.visibleRows();
    ASSERT_GE(shown, 4);
    const auto rows = [&] {
        std::vector<std::string> all;
        for (std::int32_t i = 0; i < field.rowCount(); ++i)
            all.push_back(field.row(i)->text);
        return all;
    };
    using Rows = std::vector<std::string>;
    // The headless platform's font is 7 pixels a character; a row is the field less its frame (1 pixel a
    // side) and the text's margins (2 a side).
    const std::int32_t fits = (field.box().w - 6) / 7, fitsBeside = (field.box().w - 6 - 12) / 7;
    ASSERT_GT(fitsBeside, 10);
    d.setItemText(106, "Ann: hello\n\nBob: hello");
    EXPECT_EQ(rows(), (Rows{"Ann: hello", "", "Bob: hello"}));
    EXPECT_EQ((std::pair{field.topRow(), field.showsScrollBar()}), (std::pair{0, false}));
    const std::string whole(static_cast<std::size_t>(fits), 'w');
    const std::string head(static_cast<std::size_t>(fits - 2), 'a');
    d.setItemText(106, whole + "\n" + head + " bb");
    EXPECT_EQ(rows(), (Rows{whole, head, "bb"})) << "a row as wide as the field stays whole";

    // One line more than it shows: the bar, the rows narrower by it, and the last of them in view.
    std::string text;
    Rows expected;
    for (std::int32_t i = 0; i < shown; ++i) {
        text += "line " + std::to_string(i) + "\n";
        expected.push_back("line " + std::to_string(i));
    }
    const std::string beside(static_cast<std::size_t>(fitsBeside), 'c');
    text += beside + "d";
    expected.push_back(beside);
    expected.push_back("d");
    d.setItemText(106, text);
    ASSERT_TRUE(field.showsScrollBar());
    EXPECT_EQ(rows(), expected);
    const std::int32_t last = static_cast<std::int32_t>(expected.size()) - shown;
    EXPECT_EQ(field.topRow(), last);

    // A click in it gives it the focus; typing and erasing change nothing and are not told.
    const Box b = field.box();
    click(d, Point(static_cast<std::int16_t>(b.x + 5), static_cast<std::int16_t>(b.y + 5)));
    type("x");
    key(platform::KeyBackspace);
    key(platform::KeyDelete);
    pump();
    ASSERT_EQ(d.focus(), &field);
    EXPECT_EQ(d.getItemText(106), text);
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(std::count(d.notes.begin(), d.notes.end(), "command 106 1024"), 0);
    const auto after = [&](std::int32_t k) {
        key(k);
        pump();
        return field.topRow();
    };
    EXPECT_EQ(after(platform::KeyHome), 0);
    EXPECT_EQ(after(platform::KeyUp), 0);
    EXPECT_EQ(after(platform::KeyDown), 1);
    EXPECT_EQ(after(platform::KeyEnd), last);
    EXPECT_EQ(after(platform::KeyDown), last);
    EXPECT_EQ(after(platform::KeyPageUp), 0);
    EXPECT_EQ(after(platform::KeyPageDown), last);
    // The bar's up arrow, then its down arrow.
    const std::int16_t right = static_cast<std::int16_t>(b.x + b.w - 3);
    click(d, Point(right, static_cast<std::int16_t>(b.y + 3)));
    pump();
    EXPECT_EQ(field.topRow(), last - 1);
    click(d, Point(right, static_cast<std::int16_t>(b.y + b.h - 3)));
    pump();
    EXPECT_EQ(field.topRow(), last);
    // Past the 30000 characters an edit holds, the field keeps the end of its text from a line's start
    // (a log's newest lines); the field the player types into keeps the beginning.
    std::string log;
    for (int i = 0; i < 4000; ++i) {
        const std::string n = std::to_string(i);
        log += (i ? "\n" : "") + ("row " + std::string(4 - n.size(), '0') + n);
    }
    ASSERT_EQ(log.size(), 35999u);
    // The cut falls at 5999, in row 666 (5994 to 6001); its line break is at 6002, row 667 begins at 6003.
    d.setItemText(106, log);
    EXPECT_EQ(d.getItemText(106), log.substr(6003));
    EXPECT_EQ((std::tuple{field.rowCount(), field.row(0)->text, field.row(3332)->text}),
              (std::tuple{3333, std::string("row 0667"), std::string("row 3999")}));
    d.setItemText(107, log);
    EXPECT_EQ(d.getItemText(107), log.substr(0, 30000));
    // Cut on a letter's boundary, never inside one: "x" and 15000 two-byte letters are 30001 bytes, whose
    // 30000th ends inside the last letter; with "y" after them, the log's last 30000 begin inside the first.
    std::string letters = "x";
    for (int i = 0; i < 15000; ++i)
        letters += "\xC3\xA9";
    d.setItemText(107, letters);
    EXPECT_EQ(d.getItemText(107), letters.substr(0, 29999));
    d.setItemText(106, letters + "y");
    EXPECT_EQ(d.getItemText(106), letters.substr(3) + "y");
    // A text of Latin-1 bytes is a letter a byte: cut at the limit itself.
    const std::string latin1(30001, '\xE9');
    d.setItemText(107, latin1);
    EXPECT_EQ(d.getItemText(107).size(), 30000u);
    // Fewer lines again: no bar, and the rows as wide as the field.
    d.setItemText(106, whole);
    EXPECT_EQ((std::tuple{rows(), field.topRow(), field.showsScrollBar()}),
              (std::tuple{Rows{whole}, 0, false}));
}

// A frame whose platform window is 400 x 300: a client area of 400 x 280 under the menu bar of 20, which
// its dialogs keep inside. EnumDialog's box is 368 x 204 with its caption and borders, so that it stands
// anywhere from (0, 0) to (32, 76); the start dialog's, 642 x 478 without a frame, fits in no way.
class DialogInFrameTest : public DialogTest {
protected:
    DialogInFrameTest() {
        frame = std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(400, 280), "Frame", "appmenu", nullptr,
                                                    nullptr);
        frame->attach(app);
    }
    ~DialogInFrameTest() override { frame.reset(); }
    // The platform's window given that size, as the window manager gives it.
    void resize(std::int16_t width, std::int16_t height) {
        frame->handleMessage({frame->hwnd(), MessageSize, 0, packPoint(width, height), 0});
    }
    // Where the dialog stands, in the frame's client coordinates.
    static platform::Rect placeOf(const Dialog& d) { return WindowManager::instance().find(d.hwnd())->outer; }
    static std::pair<int, int> cornerOf(const Dialog& d) { return {placeOf(d).x, placeOf(d).y}; }
    // The wheel turned by notches over a point of the screen.
    void wheel(std::int32_t x, std::int32_t y, std::int32_t notches) {
        platform::Event e;
        e.kind = platform::EventKind::Wheel, e.x = x, e.y = y, e.wheel = notches;
        os.postEvent(e);
        pump();
    }
    // The caption taken at a point of the dialog's outer box and let go once moved by (dx, dy).
    void drag(const Dialog& d, std::int32_t dx, std::int32_t dy) {
        const platform::Rect outer = WindowManager::instance().outerOnScreen(d.hwnd());
        const std::int32_t x = outer.x + 40, y = outer.y + WindowManager::Border + 4;
        const auto mouse = [&](std::uint32_t message, std::int32_t atX, std::int32_t atY) {
            frame->handleMessage({frame->hwnd(), message, platform::ButtonLeft, packPoint(atX, atY), 0});
        };
        mouse(MessageButtonDown, x, y);
        mouse(MessageMouseMove, x + dx, y + dy);
        mouse(MessageButtonUp, x + dx, y + dy);
    }

    std::unique_ptr<WindowsMainWindow> frame;
};

// Wherever a dialog of the frame is put, it shows wholly inside the frame's client area: pushed in by as
// little as it takes, from both sides of each edge.
TEST_F(DialogInFrameTest, ADialogIsShownWhollyInsideTheFramesClientArea) {
    const struct {
        int x, y, shownX, shownY;
    } rows[] = {{10, 20, 10, 20},  {0, 0, 0, 0},     {32, 76, 32, 76},   {33, 77, 32, 76},
                {-1, -1, 0, 0},    {-1, 76, 0, 76},  {33, 0, 32, 0},     {500, 900, 32, 76},
                {-400, 40, 0, 40}, {20, -300, 20, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "put at " << r.x << "," << r.y);
        NotingDialog d;
        d.init = [&](NotingDialog& me) { me.setWindowPos({r.x, r.y, 0, 0}, WindowPos::NoSize | WindowPos::NoZOrder); };
        d.create("EnumDialog", Dialog::Modeless);
        EXPECT_EQ(placeOf(d), (platform::Rect{r.shownX, r.shownY, 368, 204}));
        EXPECT_EQ(d.givenPlace(), (platform::Rect{r.x, r.y, 368, 204})) << "the place it was given is kept";
        d.close(0);
    }
    // Left where the template puts it (its corner at 0, 0), it is inside too.
    NotingDialog plain;
    plain.create("EnumDialog", Dialog::Modeless);
    EXPECT_EQ(cornerOf(plain), (std::pair{0, 0}));
}

// A box larger than the area stands at its top-left corner, its caption in sight. The wheel over it slides
// it up by three rows of 13 a notch, until its foot is the area's (280 - 478 = -198), and back down until
// its top is; a box that fits does not move under the wheel.
TEST_F(DialogInFrameTest, ABoxTooBigStandsAtTheTopLeftAndTheWheelBringsItsFootIntoSight) {
    NotingDialog big;
    big.init = [](NotingDialog& me) { me.centre(); };
    big.create("StartGame", Dialog::Modeless);
    ASSERT_EQ((std::pair{placeOf(big).width, placeOf(big).height}), (std::pair{642, 478}));
    EXPECT_EQ(cornerOf(big), (std::pair{0, 0}));
    for (const auto& [notches, y] : std::vector<std::pair<int, int>>{{-1, -39}, {-4, -195}, {-1, -198}, {-1, -198},
                                                                    {1, -159}, {3, -42}, {2, 0}, {1, 0}}) {
        SCOPED_TRACE(::testing::Message() << notches << " notches");
        wheel(20, 150, notches); // over the start dialog's picture, left of its buttons
        EXPECT_EQ(cornerOf(big), (std::pair{0, y}));
    }
    NotingDialog fits;
    fits.init = [](NotingDialog& me) { me.setWindowPos({20, 30, 0, 0}, WindowPos::NoSize | WindowPos::NoZOrder); };
    fits.create("EnumDialog", Dialog::Modeless);
    wheel(30, 150, -3);
    EXPECT_EQ(cornerOf(fits), (std::pair{20, 30}));
    fits.close(0);
    // Slid up and the window made taller, it slides down as far as the taller area leaves its foot at the
    // bottom (480 - 20 - 478 = -18); made as tall as the box, it stands at the top again.
    wheel(20, 150, -10);
    resize(400, 480);
    EXPECT_EQ(cornerOf(big), (std::pair{0, -18}));
    resize(700, 498);
    EXPECT_EQ(cornerOf(big), (std::pair{0, 0}));
}

// A box open while the window shrinks is moved in; the window grown again gives it back the place it was
// given. Dragged by its caption, it stays inside, and where the player put it is its place from then on.
TEST_F(DialogInFrameTest, ABoxOpenWhileTheWindowShrinksMovesInAndComesBackWhenItGrows) {
    resize(1280, 1024);
    NotingDialog d;
    d.init = [](NotingDialog& me) { me.setWindowPos({800, 700, 0, 0}, WindowPos::NoSize | WindowPos::NoZOrder); };
    d.create("EnumDialog", Dialog::Modeless);
    EXPECT_EQ(cornerOf(d), (std::pair{800, 700}));
    // 640 x 480: an area of 640 x 460, so at most (272, 256).
    resize(640, 480);
    EXPECT_EQ(cornerOf(d), (std::pair{272, 256}));
    resize(641, 481);
    EXPECT_EQ(cornerOf(d), (std::pair{273, 257}));
    resize(1280, 1024);
    EXPECT_EQ(cornerOf(d), (std::pair{800, 700}));
    resize(640, 480);
    // Dragged past the right edge, it stops there; up by 50, it goes up by 50.
    drag(d, 100, -50);
    EXPECT_EQ(cornerOf(d), (std::pair{272, 206}));
    EXPECT_EQ(d.givenPlace(), (platform::Rect{272, 206, 368, 204}));
    resize(1280, 1024);
    EXPECT_EQ(cornerOf(d), (std::pair{272, 206}));
    d.close(0);
}

} // namespace
} // namespace vael::test
