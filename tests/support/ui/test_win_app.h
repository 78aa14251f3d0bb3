#pragma once
// Test support: a WinApp on the headless platform (the two operations that the game's application gives,
// archives from the image index and mouse routing to displays, do nothing), and a window that notes the
// messages it gets and the dialog messages it is offered. One application at a time. Scripted input:
// keys pressed and released, typed text and left-button events on the screen, queued on the platform.
#include <functional>
#include <initializer_list>
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

inline void postKey(platform::Platform& os, std::int32_t key, std::uint16_t modifiers = 0) {
    for (platform::EventKind kind : {platform::EventKind::KeyDown, platform::EventKind::KeyUp}) {
        platform::Event e;
        e.kind = kind, e.key = key, e.modifiers = modifiers;
        os.postEvent(e);
    }
}

inline void postText(platform::Platform& os, const std::string& text) {
    platform::Event e;
    e.kind = platform::EventKind::Text, e.text = text;
    os.postEvent(e);
}

inline void postButtons(platform::Platform& os, std::initializer_list<platform::EventKind> kinds,
                        std::int32_t x, std::int32_t y) {
    for (platform::EventKind kind : kinds) {
        platform::Event e;
        e.kind = kind, e.button = platform::ButtonLeft, e.x = x, e.y = y;
        os.postEvent(e);
    }
}

// Every waiting message handled.
inline void pumpAll(WinApp& app) {
    while (app.messageWaiting())
        app.pumpMessage();
}

} // namespace vael::test
