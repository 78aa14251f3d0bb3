#pragma once
// A display with the platform's parts filled in for tests: menus come from the built-in resources, and
// every mouse handler that runs is noted as "name kind (x,y)"; and a display's pixels as text.
#include <string>
#include <vector>

#include "framework/ui/display.h"
#include "framework/ui/windows_menu.h"

namespace vael::test {

class TestDisplay : public Display {
public:
    TestDisplay(const Dim& size, const char* name, std::vector<std::string>* log = nullptr)
        : Display(size, name), log_(log) {}

    Point cursorPosition() override { return {}; }
    void update() override {}
    Menu* loadMenu(const std::string& name) override { return new WindowsMenu(name, false); }
    void draw() override {
        if (log_) log_->push_back(getName() + " draw");
        Display::draw();
    }
    // A child hands the capture to its parent, as a control hands it to its host.
    void setCapture(Display* display) override {
        Display::setCapture(display);
        if (parent()) parent()->setCapture(display);
    }
    void releaseCapture() override {
        Display::releaseCapture();
        if (parent()) parent()->releaseCapture();
    }

    void mouseMoved(const Point& p) override { note(0, p); }
    void leftButtonDown(const Point& p) override { note(1, p); }
    void leftButtonUp(const Point& p) override { note(2, p); }
    void leftDoubleClick(const Point& p) override { note(3, p); }
    void mouseHover(const Point& p) override { note(4, p); }
    void mouseEntered(const Point& p) override { note(5, p); }
    void mouseLeft(const Point& p) override { note(6, p); }
    void onMenuPoint(const Point& p) override { note(15, p); }

private:
    void note(int kind, const Point& p) {
        if (log_)
            log_->push_back(getName() + " " + std::to_string(kind) + " (" + std::to_string(p.x) + "," +
                            std::to_string(p.y) + ")");
    }
    std::vector<std::string>* log_;
};

// A display's pixels as text, one string a row: 0 is '.', the two underline greys are '_'
// (10) and '~' (150) under a colour match that answers the red component, a printable code is its own
// character, anything else '?'.
inline char pixelChar(std::uint8_t p) {
    if (p == 0) return '.';
    if (p == 10) return '_';
    if (p == 150) return '~';
    return p > 32 && p < 127 ? static_cast<char>(p) : '?';
}

inline std::vector<std::string> rowsOf(Display& display) {
    std::vector<std::string> rows;
    for (std::int16_t y = 0; y < display.height(); ++y) {
        std::string row;
        for (std::int16_t x = 0; x < display.width(); ++x)
            row += pixelChar(display.bits()[y * display.stride() + x]);
        rows.push_back(row);
    }
    return rows;
}

// The red component is the palette index, so that the underline greys show as themselves.
class RedIsIndex {
public:
    RedIsIndex()
        : previous_(Display::setColourMatcher([](std::uint8_t r, std::uint8_t, std::uint8_t) { return r; })) {
    }
    ~RedIsIndex() { Display::setColourMatcher(previous_); }

private:
    Display::ColourMatcher previous_;
};

} // namespace vael::test
