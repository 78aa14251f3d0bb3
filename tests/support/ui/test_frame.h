#pragma once
// Test support for the frame and its children on the headless platform: a child that notes the commands
// it gets and answers the close question as told, a toolbar stand-in that notes where it is put and the
// commands it follows, and an archive of plain pictures of chosen sizes (each filled with one index).
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/child_window.h"
#include "framework/ui/main_window.h"
#include "framework/ui/picture_archive.h"

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

// Pictures by (group, name): each of its size, every pixel the given index.
class PlainPictures : public PictureArchive {
public:
    struct Made {
        std::string group, name;
        std::int32_t width, height;
        std::uint8_t index;
    };
    static std::vector<Made>& made() {
        static std::vector<Made> list;
        return list;
    }
    PlainPictures() {
        for (const Made& m : made())
            pixels_.emplace_back(std::size_t(m.width) * std::size_t(m.height), m.index);
    }
    platform::Surface picture(const std::string& image, const std::string& group) override {
        for (std::size_t i = 0; i < made().size(); ++i)
            if (made()[i].group == group && made()[i].name == image) return at(i);
        return {};
    }
    std::vector<platform::Surface> group(const std::string& group) override {
        std::vector<platform::Surface> out;
        for (std::size_t i = 0; i < made().size(); ++i)
            if (made()[i].group == group) out.push_back(at(i));
        return out;
    }
    std::vector<platform::Surface> currentGroup() override {
        return made().empty() ? group("") : group(made()[0].group);
    }
    static std::unique_ptr<PictureArchive> open(const std::string&) {
        return std::make_unique<PlainPictures>();
    }

private:
    platform::Surface at(std::size_t i) {
        return {pixels_[i].data(), made()[i].width, made()[i].height, made()[i].width};
    }
    std::vector<std::vector<std::uint8_t>> pixels_;
};

// Installs the plain pictures for the life of the object.
class PlainPicturesInstalled {
public:
    explicit PlainPicturesInstalled(std::vector<PlainPictures::Made> pictures)
        : previous_(PictureArchive::setOpener(&PlainPictures::open)) {
        PlainPictures::made() = std::move(pictures);
    }
    ~PlainPicturesInstalled() {
        PictureArchive::setOpener(previous_);
        PlainPictures::made().clear();
    }

private:
    PictureArchive::Opener previous_;
};

} // namespace vael::test
