#pragma once
// Test support: an application object whose platform side is in memory. Time is a virtual clock the test
// advances; the system timer is ticked by the test; message boxes answer from a script; the string table,
// the status bar, the clipboard and the mouse routing are recorded, and the other platform calls logged
// in order. Construct one per test (there is one application at a time).
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/core/application.h"
#include "support/bus_recorder.h"

namespace vael::test {

class TestApplication : public Application {
public:
    // The message registry outlives a test application unless a test asks for the real behaviour.
    TestApplication() { clearRegistryOnDestruction_ = false; }
    void clearRegistryWhenDestroyed(bool clear) { clearRegistryOnDestruction_ = clear; }

    std::uint32_t clock = 0; // the virtual clock
    void advance(std::uint32_t ms) { clock += ms; }
    // One tick of the running system timer: the clock moves on by its period and the slots tick.
    void tickSystemTimer() {
        if (systemTimerId_) tickTimers(clock += timerPeriod);
    }
    std::uint16_t timerPeriod = 0; // period of the running system timer, 0 when none runs

    std::vector<std::string> log; // "startTimer 100", "stopTimer", "setCursor", "open" (the clipboard), ...

    // Message boxes: each answers defaultAnswer.
    struct ShownBox {
        std::string text;
        std::string title;
        std::uint16_t style;
    };
    std::vector<ShownBox> boxes;
    std::int32_t defaultAnswer = AnswerOk;

    std::map<std::uint16_t, std::string> strings;
    std::vector<std::pair<std::int16_t, std::string>> statusTexts; // (pane, text)

    bool clipboardOpens = true, clipboardAcceptsText = true, clipboardIsOpen = false;
    std::string clipboard;

    // Pumping: onPump answers pumpMessage (1 when unset); the counts tell how often each was used.
    std::function<std::int16_t()> onPump;
    int pumps = 0, messageChecks = 0;

    // Archives: what findInMapFile and findDataFile do with the fresh library.
    std::function<void(OIFBase*)> onFindInMapFile;
    std::function<void(OIFBase*, const std::uint8_t*&, const std::uint8_t*)> onFindDataFile;

    std::vector<std::tuple<Display*, std::int16_t, Point>> mouseEvents; // (display, kind, point)
    // An application that outlives many runs (a fuzz target's) forgets what it recorded before each, or
    // its records grow until the process runs out of memory.
    void forgetRecords() {
        log.clear(), boxes.clear(), statusTexts.clear(), mouseEvents.clear();
    }

    void findInMapFile(OIFBase* library) override {
        log.push_back("findInMapFile " + library->name());
        if (onFindInMapFile) onFindInMapFile(library);
    }
    void findDataFile(OIFBase* library, const std::uint8_t*& at, const std::uint8_t* end) override {
        if (onFindDataFile) onFindDataFile(library, at, end);
    }
    std::uint16_t startTimer(std::uint16_t period) override {
        log.push_back("startTimer " + std::to_string(period));
        timerPeriod = period;
        return systemTimerId_ = 1;
    }
    std::int32_t stopTimer() override {
        log.push_back("stopTimer");
        timerPeriod = 0;
        return std::exchange(systemTimerId_, 0) != 0;
    }
    CursorHandle setCursor(CursorHandle) override { return log.push_back("setCursor"), nullptr; }
    // Starts the hover timer as the windows application does, and returns at once.
    std::int16_t run() override { return addTimer(&Application::hoverTimer, 2, 0), 1; }
    std::int16_t messageWaiting() override { return ++messageChecks, 0; }
    std::int16_t pumpMessage() override { return ++pumps, onPump ? onPump() : 1; }
    std::int16_t dibOrientation() override { return -1; }
    std::int32_t openFileDialog(std::string& fileName, const std::string&, const std::string&) override {
        return fileName.empty() ? 0 : 1;
    }
    std::int32_t messageBox(const std::string& text, const std::string& title, std::uint16_t style) override {
        return boxes.push_back({text, title, style}), defaultAnswer;
    }
    std::uint32_t tickCount() override { return clock; }
    void beep() override { log.push_back("beep"); }
    void setStatusText(const std::string& text, std::int16_t pane) override {
        statusTexts.emplace_back(pane, text);
    }
    std::string loadString(std::uint16_t id) override {
        auto it = strings.find(id);
        return it == strings.end() ? std::string() : it->second.substr(0, 255);
    }
    void routeMouseEvent(Display* display, std::int16_t kind, const Point& at) override {
        mouseEvents.emplace_back(display, kind, at);
    }
    std::int16_t openClipboard(Display*) override {
        return log.push_back("open"), clipboardIsOpen = clipboardOpens;
    }
    void emptyClipboard() override { log.push_back("empty"), clipboard.clear(); }
    std::int16_t setClipboardText(const std::string& text) override {
        log.push_back("setText");
        if (clipboardAcceptsText) clipboard = text;
        return clipboardAcceptsText;
    }
    void closeClipboard() override { log.push_back("close"), clipboardIsOpen = false; }
};

// The probes X, Y and Z on an asynchronous bus under a test application.
class ApplicationFixture : public RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        for (Probe* p : {&x, &y, &z})
            p->attach(bus);
    }
    TestApplication app;
    AsynchronousBus bus{"Async"};
    Probe x{"X"}, y{"Y"}, z{"Z"};
};

} // namespace vael::test
