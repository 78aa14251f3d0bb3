#pragma once
// The game's frame, its battle windows and the running commentary's window.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/ui/child_window.h"
#include "framework/ui/ostrell_window.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/commentary_scroll.h"

namespace vael {

class VaelMainWindow : public OstrellMainWindow {
public:
    static constexpr const char* Title = "The Iron Vigils of Vaelmoric";
    // The frame's client area: 1024 by 768 less the menu bar, so that the whole window is 1024 by 768.
    VaelMainWindow(const Dim& clientSize);
    // The battle's title, read from its scenario, stands in the caption until the turns take it over.
    void setBattleTitle(const std::string& title);
    const std::string& battleTitle() const { return battleTitle_; }
    // Told of the client area's box each time the bars are laid out around it.
    std::function<void(const Box&)> onClientPlaced;

protected:
    void clientPlaced(const Box& area) override {
        if (onClientPlaced) onClientPlaced(area);
    }
    // Nobody sees the water move while the window is an icon: its animation waits until it shows again.
    void iconicChanged(bool iconic) override;

private:
    std::string battleTitle_;
};

// Where the battle map shows the battle, until the map window is there: a plain child with the battle's
// menu, titled with the battle.
class MapPlaceWindow : public WindowsChildWindow {
public:
    explicit MapPlaceWindow(const std::string& title);
    void erase() override;

private:
    std::string title_;
};

// The running commentary, newest line at the bottom, bold where the marks say. It is a modeless window
// of the frame, not one of the map's siblings: it floats above the battle map however the map is shown
// (maximized, activated, arranged), and the player moves it by its caption. It cannot be closed.
// It keeps the battle's lines: the scroll bar at its right, the wheel over it, and, once the player has
// clicked into it, the arrow and page keys, Home and End take him back through them. While its last row is
// the newest it follows the battle; scrolled back, it stays where he put it.
class CommentaryWindow : public WindowsWindow {
public:
    static constexpr std::int16_t LineHeight = 14;
    static constexpr std::uint32_t Style = 0x50C00000; // a visible child of the frame with a caption
    static constexpr std::int16_t Margin = 8;          // from the map area's left and bottom edges
    static constexpr std::int16_t TextInset = 4;       // from the window's left edge and the bar to the text
    static constexpr std::int16_t ScrollWidth = 12;    // the bar along the window's right edge
    static constexpr std::int32_t WheelRows = 3;       // rows a notch of the wheel scrolls by
    // The most of the map area's height the window takes, in hundredths.
    static constexpr std::int32_t MostOfAreaPercent = 35;
    explicit CommentaryWindow(CommentaryDlg& commentary);
    ~CommentaryWindow() override;
    // Makes the window over the bottom left corner of the frame's map area.
    void createInFrame();
    // The map area has another size: the window keeps its distance from the area's bottom edge, and stays
    // whole inside the area as far as it fits, taking at most MostOfAreaPercent of its height.
    void followArea(const Box& area);
    void erase() override;
    // Draws the lines anew and shows them.
    void refresh();
    bool takesKeys() const override { return true; }
    std::intptr_t windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void leftButtonDown(const Point& p) override;
    void mouseMoved(const Point& p) override;
    void leftButtonUp(const Point& p) override;

    // The rows in view, as the lines are broken for the window's width.
    const CommentaryScroll& scroll() const { return scroll_; }
    // The bar's parts, in the window's client coordinates: the arrows at its ends, the track between them
    // and the thumb on the track (the whole track while everything is in view).
    Box upArrow() const;
    Box downArrow() const;
    Box track() const;
    Box thumb() const;

private:
    // The rows counted in step with the lines: new lines counted, dropped ones let go, all counted anew for
    // a new width or after the lines were cleared.
    void syncRows();
    std::int32_t textWidth() const;
    std::size_t shownRows() const;
    void drawBar();
    void scrolled();

    CommentaryDlg& commentary_;
    // How many rows each kept line takes at wrapWidth_. The rows themselves are broken only for the lines
    // in view, as they are drawn: kept for every line they would hold the whole commentary a second time.
    std::deque<std::uint32_t> rowCounts_;
    std::int32_t wrapWidth_ = -1;
    std::size_t seenDropped_ = 0, seenClears_ = 0;
    CommentaryScroll scroll_;
    // The thumb taken by the mouse: how far below the thumb's top it was taken.
    bool dragging_ = false;
    std::int32_t grab_ = 0;
    // The map area the window was last placed in and the place it was given there, in the frame's client
    // coordinates; its outer size as it was made; where it belongs, from the area's left and bottom edges.
    Box area_;
    Point placed_;
    Dim whole_;
    std::int32_t fromLeft_ = 0, fromBottom_ = 0;
};

} // namespace vael
