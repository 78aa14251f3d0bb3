#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/ui/button.h"
#include "placed_at.h"
#include "support/failed_checks.h"
#include "support/test_application.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

using Log = std::vector<std::string>;

// What reaches the bus from a button, as "name payload".
Log* heard = nullptr;
ContainerBase* listen(Component*, BusMessage event, ContainerBase* data) {
    std::string line = RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()));
    BusMessage command;
    std::string text;
    short value = 0;
    SetTextData item;
    if (Container<BusMessage>::fromMessage(data, command)) line += " " + std::to_string(command.id());
    if (Container<std::string>::fromMessage(data, text)) line += " " + text;
    // An empty query carries a short of its own.
    if (line != "ToolTipKill" && Container<short>::fromMessage(data, value))
        line += " " + std::to_string(value);
    if (Container<SetTextData>::fromMessage(data, item))
        line += " " + RegisteredMessage::nameOf(static_cast<std::uint16_t>(item.target)) + " " + item.text +
                " " + std::to_string(item.flag);
    if (heard) heard->push_back(line);
    return nullptr;
}

constexpr std::int32_t Open = 500, Save = 501, Close = 502;

TestGroup buttonGroup(const std::string& name, char upEnabled) {
    return solidGroup(name, {"UpEnabled", "DownEnabled", "UpDisabled", "DownDisabled"}, Dim(6, 4),
                      std::string(1, upEnabled) + "dxz");
}

class ButtonTest : public ::testing::Test {
protected:
    ButtonTest() {
        heard = &log;
        pictures["Buttons"] = TestArchive{
            {buttonGroup("FileOpen", 'u'), buttonGroup("FileSave", 's'), buttonGroup("FileClose", 'c')}};
        listener.setup = [](Probe& p) {
            for (const char* name : {"Command", "ToolTipText", "ToolTipEnable", "SetItemText", "ToolTipKill"})
                p.connectNamed(name, &listen);
        };
        listener.attach(bus);
        sender.attach(bus);
    }
    ~ButtonTest() override { heard = nullptr; }

    void place(Button& button) {
        button.attach(bus);
        button.setParent(&parent, placedAt(Box(2, 2, 6, 4)));
        button.draw();
    }
    // The picture shown: the colour of the button's first pixel.
    char shown() const {
        return static_cast<char>(const_cast<TestDisplay&>(parent).bits()[2 * parent.stride() + 2]);
    }
    void mouse(std::int16_t kind, Point p) { parent.routeMouseEvent(kind, p + Point(2, 2)); }
    void menuEvent(std::int32_t event, BusMessage command) {
        Container<BusMessage> box(command);
        sender.send(event, &box);
    }
    // Presses at the point, moves through the others, releases at the last; the pictures shown after each.
    std::string click(const std::vector<Point>& path) {
        std::string pictures;
        mouse(MouseLeftDown, path.front());
        pictures += shown();
        for (std::size_t i = 1; i < path.size(); ++i) {
            mouse(MouseMoved, path[i]);
            pictures += shown();
        }
        mouse(MouseLeftUp, path.back());
        return pictures += shown();
    }

    TestApplication app;
    TestPictures pictures;
    Bus bus{"Bus"};
    Probe listener{"Listener"}, sender{"Sender"};
    TestDisplay parent{Dim(12, 8), "parent"};
    Log log;
};

const Point in(1, 1), out(7, 1), edge(5, 3), pastEdge(6, 3);

TEST_F(ButtonTest, APlainButtonFollowsThePointerAndSendsOneCommandOnlyWhenReleasedOverIt) {
    const struct {
        const char* what;
        std::vector<Point> path;
        std::string pictures;
        Log heard;
    } cases[] = {
        {"click", {in}, "du", {"ToolTipKill", "SetItemText Sbar1 Up 1", "Command 500"}},
        {"out and back in", {in, out, in}, "dudu", {"ToolTipKill", "SetItemText Sbar1 Up 1", "Command 500"}},
        {"out", {in, out}, "duu", {"ToolTipKill", "SetItemText Sbar1 Up 1"}},
        {"the last pixel inside",
         {in, edge},
         "ddu",
         {"ToolTipKill", "SetItemText Sbar1 Up 1", "Command 500"}},
        {"just past it", {in, pastEdge}, "duu", {"ToolTipKill", "SetItemText Sbar1 Up 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        Button button("Buttons", "FileOpen", Open, "Open a battle", "Open");
        place(button);
        ASSERT_EQ(shown(), 'u');
        EXPECT_EQ(click(c.path), c.pictures);
        EXPECT_EQ(log, c.heard);
        EXPECT_EQ((std::tuple{button.tracking(), parent.captured(), button.isMouseEventEnabled(MouseMoved)}),
                  (std::tuple{std::int16_t(0), static_cast<Display*>(nullptr), std::int16_t(0)}));
    }
}

TEST_F(ButtonTest, ALatchingButtonStaysDownUntilClickedAgain) {
    Button button("Buttons", "FileOpen", Open, "", "Open", nullptr, 1);
    place(button);
    EXPECT_EQ(click({in, out, in}), "dudd");
    EXPECT_EQ(log, (Log{"ToolTipKill", "SetItemText Sbar1 Up 1", "Command 500"}));
    log.clear();
    // Pressed while down, it does not follow the pointer, and released outside it stays down.
    EXPECT_EQ(click({in, out}), "ddd");
    EXPECT_EQ(log, (Log{"ToolTipKill", "SetItemText Sbar1 Up 1"}));
    log.clear();
    EXPECT_EQ(click({in, out, in}), "dddu");
    EXPECT_EQ(log, (Log{"ToolTipKill", "SetItemText Sbar1 Up 1", "Command 500"}));
}

TEST_F(ButtonTest, DisabledButtonsAndCheckedPlainButtonsIgnorePresses) {
    Button button("Buttons", "FileOpen", Open, "", "Open");
    place(button);
    menuEvent(DISABLE_MENU_ITEM, Open);
    EXPECT_EQ(click({in}), "xx");
    menuEvent(ENABLE_MENU_ITEM, Open);
    menuEvent(CHECK_MENU_ITEM, Open);
    EXPECT_EQ(click({in}), "dd");
    menuEvent(UNCHECK_MENU_ITEM, Open);
    EXPECT_EQ(shown(), 'u');
    EXPECT_EQ(log, Log{});
}

TEST_F(ButtonTest, ADisableDuringTrackingLeavesThePressUnfinishedAndTheReleaseSendsNothing) {
    Button button("Buttons", "FileOpen", Open, "", "Open");
    place(button);
    mouse(MouseLeftDown, in);
    menuEvent(DISABLE_MENU_ITEM, Open);
    EXPECT_EQ((std::tuple{shown(), button.tracking()}), (std::tuple{'z', std::int16_t(1)}));
    mouse(MouseMoved, out);
    EXPECT_EQ(shown(), 'z');
    mouse(MouseLeftUp, in);
    EXPECT_EQ((std::tuple{shown(), button.tracking()}), (std::tuple{'z', std::int16_t(0)}));
    EXPECT_EQ(log, (Log{"ToolTipKill", "SetItemText Sbar1 Up 1"}));
}

TEST_F(ButtonTest, AnUncheckDuringTrackingEndsIt) {
    Button button("Buttons", "FileOpen", Open, "", "Open", nullptr, 1);
    place(button);
    mouse(MouseLeftDown, in);
    menuEvent(UNCHECK_MENU_ITEM, Open);
    EXPECT_EQ(
        (std::tuple{shown(), button.tracking(), parent.captured(), button.isMouseEventEnabled(MouseMoved)}),
        (std::tuple{'u', std::int16_t(0), static_cast<Display*>(nullptr), std::int16_t(0)}));
    mouse(MouseLeftUp, in);
    EXPECT_EQ(log, (Log{"ToolTipKill"}));
}

TEST_F(ButtonTest, MenuEventsMatchTheCommandOnItsLow28Bits) {
    const struct {
        const char* what;
        std::uint32_t word;
        char shown;
    } cases[] = {
        {"the same id", Open, 'x'},
        {"another dispatch kind in the top four bits", 0x30000000u | Open, 'x'},
        {"bit 27 set: another id", 0x08000000u | Open, 'u'},
        {"another command", Save, 'u'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Button button("Buttons", "FileOpen", Open, "", "Open");
        place(button);
        menuEvent(DISABLE_MENU_ITEM, BusMessage::fromWord(c.word));
        EXPECT_EQ(shown(), c.shown);
    }
}

TEST_F(ButtonTest, MovingToAnotherBusLeavesTheFirstAndKeepsTheButtonInItsParent) {
    Button button("Buttons", "FileOpen", Open, "", "Open");
    place(button);
    Bus other{"Other"};
    button.attach(other);
    menuEvent(DISABLE_MENU_ITEM, Open);
    EXPECT_EQ((std::tuple{shown(), button.parent(), button.getBus()}),
              std::tuple('u', static_cast<Display*>(&parent), static_cast<Bus*>(&other)));
    button.Component::detach();
}

TEST_F(ButtonTest, AMenuEventWithABadPayloadIsReportedAndActsOnCommandZero) {
    FailedChecks checks;
    Button zero("Buttons", "FileOpen", 0, "", "Open");
    place(zero);
    Container<short> wrong(5);
    sender.send(DISABLE_MENU_ITEM, &wrong);
    EXPECT_EQ(checks.texts, (std::vector<std::string>{"Bad data passed in bus message to function  Abort?"}));
    EXPECT_EQ(shown(), 'x');
}

TEST_F(ButtonTest, PointerEnteringHoveringAndLeavingTellStatusAndTips) {
    Button button("Buttons", "FileOpen", Open, "Open a battle", "Open");
    place(button);
    EXPECT_EQ(button.imageSize(), Dim(6, 4));
    for (std::int16_t kind = 0; kind < MouseKinds; ++kind)
        EXPECT_EQ(button.isMouseEventEnabled(kind), kind == 0 || kind == 3 ? 0 : 1) << "kind " << kind;
    mouse(MouseEnter, in);
    mouse(MouseHover, in);
    mouse(MouseLeave, in); // the application tells the display the pointer was last over
    EXPECT_EQ(log, (Log{"ToolTipText Open", "ToolTipEnable 1", "ToolTipEnable 0"}));
    EXPECT_EQ(app.statusTexts,
              (std::vector<std::pair<std::int16_t, std::string>>{{1, "Open a battle"}, {1, ""}}));
    // No tip while the button is down or tracked, and no status text when it has none.
    log.clear();
    app.statusTexts.clear();
    Button quiet("Buttons", "FileSave", Save, "", "Save");
    quiet.attach(bus);
    quiet.mouseEntered(in);
    quiet.check(Save);
    quiet.mouseHover(in);
    quiet.uncheck(Save);
    quiet.leftButtonDown(in);
    quiet.mouseHover(in);
    quiet.mouseLeft(in);
    EXPECT_EQ(log, (Log{"ToolTipText Save", "ToolTipKill", "ToolTipEnable 0"}));
    EXPECT_TRUE(app.statusTexts.empty());
}

TEST_F(ButtonTest, AMultiStateButtonMovesOnWhenItsCurrentCommandIsIssued) {
    MultiStateButton button(3, "Buttons", "FileOpen", Open, "Open a battle", "Open");
    button.setState(1, "FileSave", Save, "", "Save");
    button.setState(2, "FileClose", Close, "Close it", "");
    place(button);
    std::string states, pictures;
    const auto note = [&] {
        states += std::to_string(button.currentState());
        pictures += shown();
    };
    note();
    button.commandIssued(Save); // another state's command
    note();
    for (std::int32_t command : {Open, Save, Close})
        button.commandIssued(command), note();
    EXPECT_EQ(states, "00120");
    EXPECT_EQ(pictures, "uuscu");
    // Empty texts of a state fall back on the defaults.
    EXPECT_EQ(log, (Log{"ToolTipText Save", "ToolTipText Open", "ToolTipText Open"}));
    EXPECT_EQ(app.statusTexts, (std::vector<std::pair<std::int16_t, std::string>>{
                                   {1, "Open a battle"}, {1, "Close it"}, {1, "Open a battle"}}));
    log.clear();
    EXPECT_EQ(click({in}), "du");
    EXPECT_EQ(log.back(), "Command 500");
}

TEST_F(ButtonTest, AMultiStateStateDisabledWhileHiddenIsDrawnDisabledWhenShown) {
    MultiStateButton button(2, "Buttons", "FileOpen", Open, "", "Open");
    button.setState(1, "FileSave", Save, "", "Save");
    place(button);
    menuEvent(DISABLE_MENU_ITEM, Save);
    EXPECT_EQ((std::tuple{shown(), button.stateEnabled(1)}), (std::tuple{'u', std::int16_t(0)}));
    button.showState(1);
    EXPECT_EQ(shown(), 'x');
    menuEvent(ENABLE_MENU_ITEM, Save);
    EXPECT_EQ(shown(), 's');
    // An uncheck for any state's command acts on the shown one.
    menuEvent(CHECK_MENU_ITEM, Save);
    EXPECT_EQ(shown(), 'd');
    menuEvent(UNCHECK_MENU_ITEM, Open);
    EXPECT_EQ(shown(), 's');
    menuEvent(CHECK_MENU_ITEM, Open); // not the shown state's command
    EXPECT_EQ(shown(), 's');
}

TEST_F(ButtonTest, MultiStateIndicesOutsideTheStatesAreRefused) {
    FailedChecks checks;
    MultiStateButton button(2, "Buttons", "FileOpen", Open, "", "Open");
    button.setState(2, "FileSave", Save, "", "");
    button.setState(-1, "FileSave", Save, "", "");
    button.showState(2);
    EXPECT_EQ((std::tuple{checks.count(), button.currentState(), button.message().id()}),
              (std::tuple{std::size_t(3), 0, Open}));
    MultiStateButton none(0, "Buttons", "FileOpen", Open, "", "Open");
    none.commandIssued(Open);
    EXPECT_EQ((std::tuple{none.stateCount(), none.currentState()}), (std::tuple{1, 0}));
}

} // namespace
} // namespace vael::test
