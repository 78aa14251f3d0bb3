#pragma once
// Test support for the frame and its children on the headless platform: a child that notes the commands
// it gets and answers the close question as told, a toolbar stand-in that notes where it is put and the
// commands it follows, and an archive of plain pictures of chosen sizes (each filled with one index).
#include <string>
#include <vector>

#include "framework/ui/child_window.h"
#include "framework/ui/main_window.h"

namespace vael::test {

class TestChild : public WindowsChildWindow {
public:
    TestChild(const Point& at, const Dim& size, const char* caption, const char* menuName = nullptr)
        : Window(at, size, caption, caption),
          WindowsChildWindow(at, size, caption, menuName, nullptr, caption) {}
    void onCommand(std::uint16_t id, std::uint16_t) override { commands.push_back(id); }
    std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == MessageQueryEndSession) return mayClose;
        return WindowsChildWindow::handleMessage(message, wParam, lParam);
    }
    using WindowsChildWindow::handleMessage;
    void resizeBackBuffer(const Dim& size) override {
        ++resizes;
        WindowsChildWindow::resizeBackBuffer(size);
    }
    std::vector<std::uint16_t> commands;
    std::intptr_t mayClose = 1;
    int resizes = 0;
};

class TestToolbar : public FrameBar {
public:
    explicit TestToolbar(std::uint16_t height) : height_(height) {}
    std::uint16_t barHeight() const override { return height_; }
    void placeBar(const Box& box) override { placed.push_back(box); }
    void followCommand(std::uint16_t id) override { followed.push_back(id); }
    std::vector<Box> placed;
    std::vector<std::uint16_t> followed;

private:
    std::uint16_t height_;
};

} // namespace vael::test
