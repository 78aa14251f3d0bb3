#pragma once
// The game's frame, its battle windows and the running commentary's window.
#include <cstdint>
#include <functional>
#include <string>

#include "framework/ui/child_window.h"
#include "framework/ui/ostrell_window.h"
#include "game/shell/commentary_dialog.h"

namespace vael {

class VaelMainWindow : public OstrellMainWindow {
public:
    static constexpr const char* Title = "The Iron Vigils of Vaelmoric";
    // The frame's client area: 1024 by 768 less the menu bar, so that the whole window is 1024 by 768.
    VaelMainWindow(const Dim& clientSize);
    // The battle's title, read from its scenario, stands in the caption until the turns take it over.
    void setBattleTitle(const std::string& title);
    const std::string& battleTitle() const { return battleTitle_; }
    // Asked before File, Exit leaves the program: false keeps it running.
    std::function<bool()> confirmExit;
    // Told of the client area's box each time the bars are laid out around it.
    std::function<void(const Box&)> onClientPlaced;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

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
class CommentaryWindow : public WindowsWindow {
public:
    static constexpr std::int16_t LineHeight = 14;
    static constexpr std::uint32_t Style = 0x50C00000; // a visible child of the frame with a caption
    static constexpr std::int16_t Margin = 8;          // from the map area's left and bottom edges
    static constexpr std::int16_t TextInset = 4;       // from the window's left and right edges to the text
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

private:
    CommentaryDlg& commentary_;
    // The map area the window was last placed in and the place it was given there, in the frame's client
    // coordinates; its outer size as it was made; where it belongs, from the area's left and bottom edges.
    Box area_;
    Point placed_;
    Dim whole_;
    std::int32_t fromLeft_ = 0, fromBottom_ = 0;
};

} // namespace vael
