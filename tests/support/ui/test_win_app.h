#pragma once
// Test support: a WinApp on the headless platform (the two operations that the game's application gives,
// archives from the image index and mouse routing to displays, do nothing), and a window that notes the
// messages it gets and the dialog messages it is offered. One application at a time.
#include <functional>
#include <string>
#include <vector>

#include "framework/ui/win_app.h"
#include "platform/headless/headless_platform.h"

namespace vael::test {

class RecordingWindow : public MessageTarget {
public:
    explicit RecordingWindow(std::string name) : name(std::move(name)) {}
    std::intptr_t handleMessage(const WindowMessage& message) override {
        got.push_back(message);
        if (onMessage) onMessage(message);
        return 0;
    }
    bool takeDialogMessage(const WindowMessage& message) override {
        offered.push_back(message);
        return takes && takes(message);
    }
    std::string name;
    std::vector<WindowMessage> got, offered;
    std::function<void(const WindowMessage&)> onMessage;
    std::function<bool(const WindowMessage&)> takes;
};

class TestWinApp : public WinApp {
public:
    explicit TestWinApp(platform::Platform& platform, const std::string& vendor = "",
                        const std::string& mapFile = "")
        : WinApp("Iron Vigils", vendor, mapFile, platform) {
        clearRegistryOnDestruction_ = false;
    }
    void findDataFile(OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

} // namespace vael::test
