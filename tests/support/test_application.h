#pragma once
// Test support: an application object whose platform side is in memory. Time is a virtual clock the test
// advances; the system timer is ticked by the test; message boxes answer from a script; the string table,
// the status bar, the clipboard and the mouse routing are recorded. Every platform call is also logged in
// order. Construct one per test (there is one application at a time).
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/core/application.h"

namespace vael::test {

class TestApplication : public Application {
public:
    TestApplication();

    // The message registry outlives a test application unless a test asks for the real behaviour.
    void clearRegistryWhenDestroyed(bool clear) { clearRegistryOnDestruction_ = clear; }
    void setDataPath(const std::string& path) { dataPath_ = path; }
    void setWaitCursor(CursorHandle cursor) { waitCursor_ = cursor; }

    // The virtual clock.
    std::uint32_t clock = 0;
    void advance(std::uint32_t ms) { clock += ms; }
    // One tick of the running system timer: the clock moves on by its period and the slots tick.
    void tickSystemTimer();
    std::uint16_t timerPeriod = 0; // period of the running system timer, 0 when none runs

    std::vector<std::string> log; // "startTimer 100", "stopTimer", "setCursor", "beep", ...

    // Message boxes: each answers the next scripted answer, else defaultAnswer.
    struct ShownBox {
        std::string text;
        std::string title;
        std::uint16_t style;
    };
    std::vector<ShownBox> boxes;
    std::deque<std::int32_t> answers;
    std::int32_t defaultAnswer = AnswerOk;

    std::map<std::uint16_t, std::string> strings;
    std::vector<std::pair<std::int16_t, std::string>> statusTexts;

    // The clipboard.
    bool clipboardOpens = true;
    bool clipboardAcceptsText = true;
    bool clipboardIsOpen = false;
    std::string clipboard;

    // Pumping: onPump answers pumpMessage (1 when unset); the counts tell how often each was used.
    std::function<std::int16_t()> onPump;
    int pumps = 0;
    int messageChecks = 0;

    // Archives: what findInMapFile and findDataFile do with the fresh library.
    std::function<void(OIFBase*)> onFindInMapFile;
    std::function<void(OIFBase*, const std::uint8_t*&, const std::uint8_t*)> onFindDataFile;

    struct MouseEvent {
        Display* display;
        std::int16_t kind;
        Point point;
    };
    std::vector<MouseEvent> mouseEvents;
    CursorHandle cursor = nullptr;

    void findInMapFile(OIFBase* library) override;
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override;
    std::uint16_t startTimer(std::uint16_t period) override;
    std::int32_t stopTimer() override;
    CursorHandle setCursor(CursorHandle cursor) override;
    // Starts the hover timer as the windows application does, and returns at once.
    std::int16_t run() override;
    std::int16_t messageWaiting() override;
    std::int16_t pumpMessage() override;
    std::int16_t dibOrientation() override { return -1; }
    std::int32_t openFileDialog(std::string& fileName, const std::string& description,
                                const std::string& pattern) override;
    std::int32_t messageBox(const std::string& text, const std::string& title, std::uint16_t style) override;
    std::uint32_t tickCount() override { return clock; }
    void beep() override { log.push_back("beep"); }
    void setStatusText(const std::string& text, std::int16_t pane) override;
    std::string loadString(std::uint16_t id) override;
    void routeMouseEvent(Display* display, std::int16_t kind, const Point& point) override;
    std::int16_t openClipboard(Display* owner) override;
    void emptyClipboard() override;
    std::int16_t setClipboardText(const std::string& text) override;
    void closeClipboard() override;

private:
    std::uint16_t nextTimerId_ = 1;
};

} // namespace vael::test
