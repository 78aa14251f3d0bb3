#pragma once
// The strip along the bottom of the main frame: a few lines of the bar's own text on the left, and
// columns (panes) at the right end, each bound to one bus message and holding its own text for every
// line. Any component changes a pane's text with "SetItemText". The window manager's form draws it from
// the pictures "left", "center", "right" and "separator" of the group "sbArt" of its image archive.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "framework/ui/main_window.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/windows_window.h"

namespace vael {

struct Pane {
    std::vector<std::string> texts; // one per line
    std::uint16_t count = 0;
    std::uint32_t message = 0; // only the low 28 bits are compared
    std::uint16_t offset = 0;  // within the panes' area
    std::uint16_t width = 0;
};

class StatusBar : public Component {
public:
    explicit StatusBar(std::int16_t lineCount);
    ~StatusBar() override;

    virtual void redraw() = 0;
    // A new pane at the right of the others; texts for its lines, empty ones when none are given.
    virtual void addPane(std::uint32_t message, std::uint16_t width,
                         const std::vector<std::string>* texts = nullptr);
    void connectHandlers() override;

    // Lines count from 1; a line outside 1 .. the line count is ignored.
    void setPaneText(const std::string& text, std::int16_t line);
    void clearPaneText(std::int16_t line) { setPaneText(std::string(), line); }
    void clear();
    std::uint16_t getHeight() const { return height_; }

    std::int16_t lineCount() const { return lineCount_; }
    const std::string& text(std::int16_t line) const { return texts_.at(static_cast<std::size_t>(line - 1)); }
    const std::vector<std::unique_ptr<Pane>>& panes() const { return panes_; }
    std::int16_t panesWidth() const { return panesWidth_; }

protected:
    std::vector<std::string> texts_;
    std::uint16_t height_ = 0;
    std::int16_t lineCount_;
    std::vector<std::unique_ptr<Pane>> panes_;
    std::int16_t panesWidth_ = 0;

private:
    static ContainerBase* onSetItemText(Component* target, BusMessage event, ContainerBase* data);
};

class WindowsStatusBar : public StatusBar, public WindowsWindow, public FrameBar {
public:
    static constexpr std::uint32_t BarStyle = 0x50000000; // a visible child
    static constexpr std::int16_t FreeWidthAtLeast = 200;
    // The line height of the bar's font (8-point bold at the system's fixed metrics).
    static constexpr std::int16_t TextHeight = 13;

    // Writes text at a point in the colour, showing only what lies in the clip box; the platform's
    // font puts it in.
    using TextWriter = void (*)(Display& target, const Box& clip, const Point& at, const std::string& text,
                                std::uint8_t colour);
    static TextWriter setTextWriter(TextWriter writer);

    WindowsStatusBar(const std::string& archiveName, WindowHandle parent, const Point& textOrigin,
                     std::int16_t lineCount, const char* name = nullptr);
    ~WindowsStatusBar() override;

    void redraw() override;
    // The pane's width takes in the separator before it.
    void addPane(std::uint32_t message, std::uint16_t width,
                 const std::vector<std::string>* texts = nullptr) override;
    void draw() override;
    void connectHandlers() override;
    // The bar's messages reach its model; its window part takes none of the bus.
    void attach(Bus& bus) override { StatusBar::attach(bus); }
    void detach() override { StatusBar::detach(); }

    std::uint16_t barHeight() const override { return height_; }
    void placeBar(const Box& box) override;

    // Where the bar's own lines may be written, and the width left to them.
    std::int16_t freeWidth() const;
    // A pane's text column: its left edge and its width once cut at the right cap.
    Box paneColumn(const Pane& pane, std::int16_t line) const;
    Point textOrigin() const { return textOrigin_; }

private:
    struct Art {
        platform::Surface left, right, center, separator;
    };
    Art art() const;

    std::unique_ptr<PictureArchive> archive_;
    Point textOrigin_;
};

} // namespace vael
