#include "support/test_application.h"

namespace vael::test {

TestApplication::TestApplication() {
    clearRegistryOnDestruction_ = false;
}

void TestApplication::tickSystemTimer() {
    if (!systemTimerId_ || timerPeriod == 0) return;
    clock += timerPeriod;
    tickTimers(clock);
}

void TestApplication::findInMapFile(OIFBase* library) {
    log.push_back("findInMapFile " + library->name());
    if (onFindInMapFile) onFindInMapFile(library);
}

void TestApplication::findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) {
    log.push_back("findDataFile " + library->name());
    if (onFindDataFile) onFindDataFile(library, cursor, end);
}

std::uint16_t TestApplication::startTimer(std::uint16_t period) {
    log.push_back("startTimer " + std::to_string(period));
    timerPeriod = period;
    systemTimerId_ = nextTimerId_++;
    return systemTimerId_;
}

std::int32_t TestApplication::stopTimer() {
    log.push_back("stopTimer");
    const bool wasRunning = systemTimerId_ != 0;
    systemTimerId_ = 0;
    timerPeriod = 0;
    return wasRunning ? 1 : 0;
}

CursorHandle TestApplication::setCursor(CursorHandle c) {
    log.push_back("setCursor");
    CursorHandle previous = cursor;
    cursor = c;
    return previous;
}

std::int16_t TestApplication::run() {
    addTimer(&Application::hoverTimer, 2, 0);
    return 1;
}

std::int16_t TestApplication::messageWaiting() {
    ++messageChecks;
    return 0;
}

std::int16_t TestApplication::pumpMessage() {
    ++pumps;
    return onPump ? onPump() : 1;
}

std::int32_t TestApplication::openFileDialog(std::string& fileName, const std::string& description,
                                             const std::string& pattern) {
    log.push_back("openFileDialog " + description + "|" + pattern);
    return fileName.empty() ? 0 : 1;
}

std::int32_t TestApplication::messageBox(const std::string& text, const std::string& title,
                                         std::uint16_t style) {
    boxes.push_back({text, title, style});
    if (answers.empty()) return defaultAnswer;
    const std::int32_t answer = answers.front();
    answers.pop_front();
    return answer;
}

void TestApplication::setStatusText(const std::string& text, std::int16_t pane) {
    statusTexts.emplace_back(pane, text);
}

std::string TestApplication::loadString(std::uint16_t id) {
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second.substr(0, 255);
}

void TestApplication::routeMouseEvent(Display* display, std::int16_t kind, const Point& point) {
    mouseEvents.push_back({display, kind, point});
}

std::int16_t TestApplication::openClipboard(Display*) {
    log.push_back("openClipboard");
    clipboardIsOpen = clipboardOpens;
    return clipboardOpens ? 1 : 0;
}

void TestApplication::emptyClipboard() {
    log.push_back("emptyClipboard");
    clipboard.clear();
}

std::int16_t TestApplication::setClipboardText(const std::string& text) {
    log.push_back("setClipboardText");
    if (!clipboardAcceptsText) return 0;
    clipboard = text;
    return 1;
}

void TestApplication::closeClipboard() {
    log.push_back("closeClipboard");
    clipboardIsOpen = false;
}

} // namespace vael::test
