#pragma once
// A display with the platform's parts filled in for tests: menus come from the built-in resources, and
// every mouse handler that runs is noted as "name kind (x,y)".
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

} // namespace vael::test
