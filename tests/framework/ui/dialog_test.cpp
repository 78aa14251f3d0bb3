#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/ui/dialog.h"
#include "framework/ui/window_manager.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/ui/test_win_app.h"
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

class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        pictures["MS Sans Serif 2"] = dialogGlyphs();
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
    void key(std::int32_t k, std::uint16_t modifiers = 0) { postKey(os, k, modifiers); }
    void type(const std::string& text) { postText(os, text); }
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
    void pump() {
        pumpAll(app);
        app.drainQueue();
    }
    bool listed(const Dialog& d) { return app.modelessDialogs().contains(d.hwnd()) != 0; }
    std::uint8_t pixel(Dialog& d, int x, int y) { return d.bits()[y * d.stride() + x]; }

    TestPictures pictures;
    platform::HeadlessPlatform os;
    TestWinApp app{os};
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
    s.create("StartClient", Dialog::Modeless);
    ASSERT_EQ(s.focus()->id(), 101);
    type("h");
    key('H', platform::ModAlt);
    pump();
    EXPECT_EQ(s.getItemText(101), "h") << "a letter goes into the field";
    EXPECT_EQ(s.notes.back(), "command 9 0") << "Alt reaches the button";
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

} // namespace
} // namespace vael::test
