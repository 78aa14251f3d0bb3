#pragma once
// The platform of the real program, on SDL2: the window is an SDL window whose surface receives the
// screen's pixels, the system timer is an SDL timer that posts its ticks to SDL's event queue, and posts
// from the program travel on that same queue, so that everything arrives in one order.
#include <atomic>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/indexed_screen.h"
#include "platform/platform.h"

struct SDL_Window;
struct SDL_Cursor;
struct _TTF_Font;
using TTF_Font = _TTF_Font;
union SDL_Event;

namespace vael::platform {

class SdlPlatform : public Platform {
public:
    // Starts SDL's video and timers; null, with SDL's reason in error, when it cannot (no display).
    static std::unique_ptr<SdlPlatform> create(std::filesystem::path settingsFile, std::string& error);
    ~SdlPlatform() override;

    bool waitEvent(Event& event) override;
    bool pollEvent(Event& event) override;
    bool eventWaiting() override;
    void postEvent(const Event& event) override;

    std::uint32_t startTimer(std::uint32_t period) override;
    bool stopTimer(std::uint32_t timer) override;
    std::uint32_t tickCount() override;

    bool openWindow(std::int32_t width, std::int32_t height, const std::string& title) override;
    void closeWindow() override;
    bool windowOpen() const override { return window_ != nullptr; }
    void setPalette(const Rgb* colours, std::int32_t first, std::int32_t count) override;
    void present(const Surface& picture, std::int32_t x, std::int32_t y, const Rect* boxes,
                 std::int32_t count) override;

    void drawText(const TextTarget& target, std::int32_t x, std::int32_t y, const std::string& text,
                  std::uint8_t colour, bool bold) override;
    std::int32_t textWidth(const std::string& text, bool bold) override;
    void setCursor(Cursor cursor) override;
    void setCursorImage(const CursorImage& image) override;
    void beep() override;
    MessageAnswer messageBox(const std::string& text, const std::string& title, MessageButtons buttons,
                             MessageIcon icon) override;
    std::optional<MessageAnswer> systemMessageBox(const std::string& text, const std::string& title,
                                                  MessageButtons buttons, MessageIcon icon) override {
        return showSystemBox(text, title, buttons, icon);
    }
    // The system box of any window or none, to be had before the platform is made; nothing when no box can
    // be shown or it was closed without a button.
    static std::optional<MessageAnswer> showSystemBox(const std::string& text, const std::string& title,
                                                      MessageButtons buttons, MessageIcon icon,
                                                      SDL_Window* owner = nullptr);
    // A notice with an OK button before the platform is made (no window of the program stands yet); false
    // when no box can be shown.
    static bool showNotice(const std::string& text, const std::string& title);
    // The file-open choice is drawn by the framework's own dialogs; the system offers none.
    std::optional<std::string> chooseFile(const std::string& description,
                                          const std::string& pattern) override;
    bool setClipboardText(const std::string& text) override;
    std::string clipboardText() override;
    Settings& settings() override { return settings_; }

    // The SDL window, for the tests that read its pixels back from the display.
    SDL_Window* window() const { return window_; }

    // What an SDL timer shares with its callback on SDL's timer thread.
    struct Timer {
        std::uint32_t id = 0;
        int sdlTimer = 0;
        std::uint32_t eventType = 0;
        std::atomic<bool> tickWaiting{false};
        std::atomic<bool> stopped{false};
    };

private:
    explicit SdlPlatform(std::filesystem::path settingsFile);
    // The platform event of an SDL event; false for the SDL events the program does not see.
    bool translate(const SDL_Event& sdl, Event& event);
    // Shows the given screen boxes in the window.
    void show(const std::vector<Rect>& boxes);

    Settings settings_;
    IndexedScreen screen_;
    SDL_Window* window_ = nullptr;
    std::uint32_t tickEvent_ = 0, postedEvent_ = 0; // our SDL event types
    std::vector<std::unique_ptr<Timer>> timers_;
    // Stopped timers whose callback may still be running on SDL's timer thread; freed with the platform.
    std::vector<std::unique_ptr<Timer>> retired_;
    std::uint32_t nextTimer_ = 1;
    std::uint32_t lastPump_ = 0;
    SDL_Cursor* cursors_[2] = {nullptr, nullptr};
    // The drawn cursors made so far, by name.
    std::map<std::string, SDL_Cursor*> imageCursors_;
    // The system font, regular and bold, opened on first use; null when it cannot be had.
    TTF_Font* fonts_[2] = {nullptr, nullptr};
    bool fontsTried_ = false;
    // The regular or bold face, opened on first use; null when the font package is missing.
    TTF_Font* systemFont(bool bold);
};

} // namespace vael::platform
