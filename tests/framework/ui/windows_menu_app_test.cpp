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
    Point shownAt;
    const auto previous = SystemMenu::setTracker([&](const SystemMenu& menu, const Point& at) {
        shownAt = at;
        return menu.commandAt({1}); // the second item, "&Normal"
    });
    EXPECT_EQ((std::pair{bar.findPopup("View")->trackPopup(Point(30, -4)), shownAt}),
              (std::pair{std::uint16_t(217), Point(30, -4)}));
    // The platform's own tracker chooses nothing, and nothing is posted.
    SystemMenu::setTracker(previous);
    EXPECT_EQ(bar.findPopup("View")->trackPopup(Point(5, 5)), 0);
    pumpAll(app);
    ASSERT_EQ(main.got.size(), 1u);
    EXPECT_EQ((std::tuple{main.got[0].message, main.got[0].wParam}), (std::tuple{MessageCommand, 217u}));
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
    EXPECT_EQ((std::tuple{std::string(window.caption()), window.getName(), window.bounds(),
                          static_cast<Display&>(window).bounds(), window.hwnd()}),
              (std::tuple{std::string("Landscape View"), std::string("Unnamed Window"), Box(-1, 30, 50, 40),
                          Box(0, 0, 50, 40), 0u}));
    window.fill(7);
    window.clearDirtyBoxes();
    window.erase();
    EXPECT_EQ((std::pair{window.bits()[0], window.dirtyBoxes()}),
              (std::pair{std::uint8_t(0), std::vector<Box>{Box(0, 0, 50, 40)}}));
    PlainWindow untitled(Point(0, 0), Dim(1, 1), nullptr, "named");
    EXPECT_EQ((std::pair{untitled.caption(), untitled.getName()}),
              (std::pair{static_cast<const char*>(nullptr), std::string("named")}));
}

} // namespace
} // namespace vael::test
