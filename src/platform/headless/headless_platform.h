#pragma once
// The platform with no display: tests and the battle runner run on it. Time is a virtual clock that only
// moves when the test advances it (or when the program waits for an event with nothing queued but a
// timer running: the clock then jumps to that timer's next tick). Input is whatever the test queues;
// message boxes and the file-open choice answer from scripts; the window is a picture in memory whose
// pixels the test reads; cursors, beeps and the clipboard are recorded.
#include <chrono>
#include <functional>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/indexed_screen.h"
#include "platform/platform.h"

namespace vael::platform {

class HeadlessPlatform : public Platform {
public:
    // Without a file the settings live in memory only.
    explicit HeadlessPlatform(std::filesystem::path settingsFile = {});

    bool waitEvent(Event& event) override;
    bool pollEvent(Event& event) override;
    bool eventWaiting() override;
    void postEvent(const Event& event) override;

    std::uint32_t startTimer(std::uint32_t period) override;
    bool stopTimer(std::uint32_t timer) override;
    std::uint32_t tickCount() override;

    bool openWindow(std::int32_t width, std::int32_t height, const std::string& title) override;
    void closeWindow() override;
    bool windowOpen() const override { return open_; }
    void setPalette(const Rgb* colours, std::int32_t first, std::int32_t count) override;
    void present(const Surface& picture, std::int32_t x, std::int32_t y, const Rect* boxes,
                 std::int32_t count) override;

    void setCursor(Cursor cursor) override { cursors.push_back(cursor); }
    void setCursorImage(const CursorImage& image) override { cursorImages.push_back(image); }
    void beep() override { ++beeps; }
    MessageAnswer messageBox(const std::string& text, const std::string& title, MessageButtons buttons,
                             MessageIcon icon) override;
    // Recorded in systemBoxes; answered from systemAnswers, else shown to nobody.
    std::optional<MessageAnswer> systemMessageBox(const std::string& text, const std::string& title,
                                                  MessageButtons buttons, MessageIcon icon) override;
    std::optional<std::string> chooseFile(const std::string& description,
                                          const std::string& pattern) override;
    bool setClipboardText(const std::string& text) override;
    std::string clipboardText() override { return clipboard; }
    Settings& settings() override { return settings_; }

    // The test's side.
    // Moves the clock on; each timer that comes due queues its tick (none while one already waits).
    void advance(std::uint32_t ms);
    // The period of a running timer, 0 when it does not run.
    std::uint32_t timerPeriod(std::uint32_t timer) const;
    std::size_t queuedEvents() const;
    // Waits up to timeoutMs real milliseconds for a watched socket to be ready, the clock standing still;
    // true when one is, its event then queued.
    bool waitForSockets(std::int32_t timeoutMs) { return watchingSockets() && pollSockets(timeoutMs) > 0; }
    // How often eventWaiting looks at the sockets, in real time (waitEvent and pollEvent always look).
    // Zero looks every time, for a test that runs two machines in one loop and learns from the question
    // alone that the other one has spoken.
    std::chrono::microseconds socketLookInterval{1000};
    // While the program waits with sockets watched and only handled timers run (a link's keep-alive), the
    // clock moves on in real time (the sockets are watched meanwhile, and bytes that come end the wait)
    // rather than jumping to the tick: a program that plays other programs over a real network waits for
    // them without spinning. While a timer of the program's own runs, every tick jumps, the handled ones
    // too: a real wait for a keep-alive would hold the program's own timer back.
    bool networkInRealTime = false;

    // The window's pixels as 0xRRGGBB, and its palette indexes.
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const {
        return rgb_[std::size_t(y) * screen_.width() + x];
    }
    std::uint8_t index(std::int32_t x, std::int32_t y) const { return screen_.index(x, y); }
    std::int32_t width() const { return screen_.width(); }
    std::int32_t height() const { return screen_.height(); }
    const std::string& title() const { return title_; }
    int presents = 0;
    std::vector<Rect> presentedBoxes; // screen boxes of the latest present

    struct ShownBox {
        std::string text, title;
        MessageButtons buttons;
        MessageIcon icon;
    };
    std::vector<ShownBox> boxes;
    std::deque<MessageAnswer> answers; // taken in order; with none left a box answers cautiously
    std::vector<ShownBox> systemBoxes;
    std::deque<MessageAnswer> systemAnswers; // taken in order; with none left no system box is shown
    struct FileChoice {
        std::string description, pattern;
    };
    std::vector<FileChoice> fileChoices;
    std::deque<std::optional<std::string>> chosenFiles; // with none left the user chooses none
    std::vector<Cursor> cursors;
    std::vector<CursorImage> cursorImages; // the drawn cursors set, in order
    int beeps = 0;
    std::string clipboard;
    bool clipboardRefuses = false;

private:
    struct Timer {
        std::uint32_t id, period, due;
        bool tickWaiting;
    };
    bool take(Event& event);
    Timer* timer(std::uint32_t id);

    std::chrono::steady_clock::time_point lastSocketLook_{};
    mutable std::mutex mutex_; // guards the queue: posts may come from other threads
    std::deque<Event> queue_;
    std::vector<Timer> timers_;
    std::uint32_t nextTimer_ = 1;
    std::uint32_t now_ = 0;
    bool open_ = false;
    std::string title_;
    IndexedScreen screen_;
    std::vector<std::uint32_t> rgb_;
    Settings settings_;
};

} // namespace vael::platform
