#include <gtest/gtest.h>

#include "framework/ui/window.h"
#include "framework/ui/windows_menu.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

TEST(WindowsMenuOnTheApplication, AChoiceFromAPopUpReachesTheMainWindowAsACommand) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    RecordingWindow main{"main"};
    WinApp::setMainWindowHandle(app.addWindow(&main));
    WindowsMenu bar("childmenu", false);
    const auto previous = SystemMenu::setTracker([](const SystemMenu& menu, const Point&) {
        return menu.commandAt({1}); // the second item, "&Normal"
    });
    EXPECT_EQ(bar.findPopup("View")->trackPopup(Point(5, 5)), 217);
    SystemMenu::setTracker([](const SystemMenu&, const Point&) -> std::uint16_t { return 0; });
    EXPECT_EQ(bar.findPopup("View")->trackPopup(Point(5, 5)), 0); // nothing chosen: nothing posted
    SystemMenu::setTracker(previous);
    while (app.pumpMessage() && app.messageWaiting()) {
    }
    ASSERT_EQ(main.got.size(), 1u);
    EXPECT_EQ(main.got[0].message, MessageCommand);
    EXPECT_EQ(main.got[0].wParam, 217u);
    WinApp::setMainWindowHandle(0);
}

class PlainWindow : public Window {
public:
    using Window::Window;
    Point cursorPosition() override { return {}; }
    void update() override {}
    Menu* loadMenu(const std::string&) override { return nullptr; }
    void onCommand(std::uint16_t, std::uint16_t) override {}
    void minimize() override {}
    void maximize() override {}
    void setIcon(const std::string&) override {}
    void setCursor(const std::string&) override {}
    void setCaption(const std::string&) override {}
    void moveTo(const Point&) override {}
};

TEST(Window, KeepsItsOwnCopyOfTheCaptionAndIsPlacedAtItsPosition) {
    std::string text = "Landscape View";
    PlainWindow window(Point(-1, 30), Dim(50, 40), text.c_str());
    text = "changed";
    EXPECT_STREQ(window.caption(), "Landscape View");
    EXPECT_EQ(window.getName(), "Unnamed Window");
    EXPECT_EQ(window.bounds(), Box(-1, 30, 50, 40));
    EXPECT_EQ(static_cast<Display&>(window).bounds(), Box(0, 0, 50, 40));
    EXPECT_EQ(window.hwnd(), 0u);
    window.fill(7);
    window.clearDirtyBoxes();
    window.erase();
    EXPECT_EQ(window.bits()[0], 0);
    EXPECT_EQ(window.dirtyBoxes(), std::vector<Box>{Box(0, 0, 50, 40)});
    PlainWindow untitled(Point(0, 0), Dim(1, 1), nullptr, "named");
    EXPECT_EQ(untitled.caption(), nullptr);
    EXPECT_EQ(untitled.getName(), "named");
}

} // namespace
} // namespace vael::test
