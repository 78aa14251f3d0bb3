#pragma once
// A platform passed through to another, with a hook for the moments the game is about to wait for input:
// where the Xvfb tests play their next step; and the player's click on a dialog's item.
#include <functional>
#include <optional>
#include <string>

#include "framework/ui/dialog.h"
#include "framework/ui/window_manager.h"
#include "platform/platform.h"

namespace vael::test {

// The SDL platform with a hook for the moments the game is about to wait for input with nothing queued.
class WatchedPlatform : public platform::Platform {
public:
    explicit WatchedPlatform(platform::Platform& inner) : inner_(inner) {}
    std::function<void()> idle;
    // And for each look the game takes at its input without waiting (a loop of its own that plays on).
    std::function<void()> polled;

    bool waitEvent(platform::Event& event) override {
        if (!inner_.eventWaiting() && idle) idle();
        return inner_.waitEvent(event);
    }
    bool pollEvent(platform::Event& event) override {
        if (polled) polled();
        return inner_.pollEvent(event);
    }
    bool eventWaiting() override { return inner_.eventWaiting(); }
    void postEvent(const platform::Event& event) override { inner_.postEvent(event); }
    std::uint32_t startTimer(std::uint32_t period) override { return inner_.startTimer(period); }
    bool stopTimer(std::uint32_t timer) override { return inner_.stopTimer(timer); }
    std::uint32_t tickCount() override { return inner_.tickCount(); }
    bool openWindow(std::int32_t width, std::int32_t height, const std::string& title) override {
        return inner_.openWindow(width, height, title);
    }
    void closeWindow() override { inner_.closeWindow(); }
    bool windowOpen() const override { return inner_.windowOpen(); }
    void setPalette(const platform::Rgb* colours, std::int32_t first, std::int32_t count) override {
        inner_.setPalette(colours, first, count);
    }
    void present(const platform::Surface& picture, std::int32_t x, std::int32_t y,
                 const platform::Rect* boxes, std::int32_t count) override {
        inner_.present(picture, x, y, boxes, count);
    }
    void drawText(const platform::TextTarget& target, std::int32_t x, std::int32_t y, const std::string& text,
                  std::uint8_t colour, bool bold) override {
        inner_.drawText(target, x, y, text, colour, bold);
    }
    std::int32_t textWidth(const std::string& text, bool bold) override {
        return inner_.textWidth(text, bold);
    }
    void setCursor(platform::Cursor cursor) override { inner_.setCursor(cursor); }
    void setCursorImage(const platform::CursorImage& image) override { inner_.setCursorImage(image); }
    void beep() override { inner_.beep(); }
    platform::MessageAnswer messageBox(const std::string& text, const std::string& title,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override {
        return inner_.messageBox(text, title, buttons, icon);
    }
    std::optional<std::string> chooseFile(const std::string& description,
                                          const std::string& pattern) override {
        return inner_.chooseFile(description, pattern);
    }
    bool setClipboardText(const std::string& text) override { return inner_.setClipboardText(text); }
    std::string clipboardText() override { return inner_.clipboardText(); }
    platform::Settings& settings() override { return inner_.settings(); }

private:
    platform::Platform& inner_;
};

// A click of the left button in the middle of a dialog's item, as the player makes it.
inline void clickItem(platform::Platform& os, Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    if (!item) return;
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    for (platform::EventKind kind : {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}) {
        platform::Event e;
        e.kind = kind, e.button = platform::ButtonLeft, e.x = client.x + b.x + b.w / 2,
        e.y = client.y + b.y + b.h / 2;
        os.postEvent(e);
    }
}

} // namespace vael::test
