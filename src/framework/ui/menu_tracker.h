#pragma once
// How our window manager shows menus inside the one window and lets the user choose from them: the menu
// bar along the top with its pull-downs, nested pull-downs beside their items, and pop-ups at a point.
// It is driven by the window's input (the mouse and the keys) and answers the command chosen; drawing
// puts the open menus into the window's 8-bit picture. The system font has fixed metrics, so every box
// follows from the labels' lengths alone. The menus shown must stay as they are while the tracker is
// open; a change of the model (an item removed, a rebuild) closes it first.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/geometry.h"
#include "framework/ui/system_menu.h"

namespace vael {

class Display;

class MenuTracker {
public:
    static constexpr std::int16_t BarHeight = 20;
    static constexpr std::int16_t ItemHeight = 18;
    static constexpr std::int16_t SeparatorHeight = 8;
    static constexpr std::int16_t CharWidth = 7;
    static constexpr std::int16_t TitlePadding = 8; // on each side of a title in the bar
    static constexpr std::int16_t CheckRoom = 20;   // left of an item's label
    static constexpr std::int16_t ArrowRoom = 20;   // right of it
    static constexpr std::int16_t AcceleratorGap = 16;
    // The row of a label's underlined access letter below the top of its text: the system font's baseline
    // lies 11 rows down.
    static constexpr std::int16_t UnderlineDrop = 12;

    // Draws a label at a point in the colour; the platform's system font puts it in.
    using TextDrawer = void (*)(Display& target, const Point& at, const std::string& text,
                                std::uint8_t colour);
    static TextDrawer setTextDrawer(TextDrawer drawer);

    // The menu bar of a window of that size.
    MenuTracker(const SystemMenu& bar, const Dim& window);
    // A pop-up shown at the point, open at once.
    MenuTracker(const SystemMenu& popup, const Point& at, const Dim& window);

    // Input in window coordinates. Each answers the command chosen, or 0; a choice closes every menu.
    std::uint16_t buttonDown(const Point& at);
    std::uint16_t buttonUp(const Point& at);
    std::uint16_t mouseMove(const Point& at);
    // A key with the modifiers held (platform::Modifier): a bare letter (Shift aside) chooses in the open
    // pull-down; Alt and a title's letter goes over to that title's pull-down; any other chord (Ctrl+X, the
    // right Alt's third letters, Alt and a letter no title bears) chooses nothing.
    std::uint16_t keyDown(std::int32_t key, std::uint16_t modifiers = 0);
    // Alt and a letter: opens the bar's pull-down whose title has that letter after its '&'; false when
    // none has.
    bool openByMnemonic(char letter);
    // Whether a title of the bar has that letter after its '&'.
    bool titleBears(char letter) const;

    // Commands that cannot be given now, whatever their items say: shown greyed and never chosen.
    void withhold(std::function<bool(std::uint16_t)> withheld) { withheld_ = std::move(withheld); }

    // Closes every open level and lets go of the title, choosing nothing.
    void close() { closeAll(); }
    // Whether a title of the bar is chosen, or a pull-down or the pop-up is open.
    bool isOpen() const { return !levels_.empty() || openTitle_ >= 0; }
    // The pull-down of the bar that is open, or -1.
    int openTitle() const { return openTitle_; }
    // The highlighted entry of each open level, outermost first (-1 for none).
    std::vector<int> highlighted() const;

    // Where things are: a title of the bar, an open level and an entry of it.
    Box titleBox(std::size_t position) const { return titles_.at(position); }
    Box levelBox(std::size_t level) const { return levels_.at(level).bounds; }
    Box entryBox(std::size_t level, std::size_t position) const {
        return levels_.at(level).entries.at(position);
    }

    // Draws the bar (when there is one) and every open level.
    void draw(Display& target) const;

    // A label as the user sees it: "&" marks dropped ("&&" shows one), the part after a tab apart.
    static std::string shownText(const std::string& label, std::string* accelerator = nullptr);

private:
    struct Level {
        const SystemMenu* menu;
        Box bounds;
        std::vector<Box> entries;
        int highlighted = -1;
    };

    void openLevel(const SystemMenu& menu, const Point& at);
    void openTitle(int position);
    void closeAll();
    // The level and entry under the point; false when the point is on no open level.
    bool hit(const Point& at, std::size_t& level, int& entry) const;
    int titleAt(const Point& at) const;
    // Highlights the entry under the point; false when the point is on no open level.
    bool pointTo(const Point& at);
    // Highlights the entry, closing deeper levels, and when asked opens its pull-down beside it.
    void highlight(std::size_t level, int entry, bool openPullDown);
    std::uint16_t choose(std::size_t level, int entry);
    // A letter pressed while a menu is open: the entry of the innermost level whose label has it after
    // its '&'.
    std::uint16_t chooseByMnemonic(char letter);
    bool offered(const SystemMenu::Entry& e) const;
    void step(int direction);

    const SystemMenu& root_;
    bool isBar_;
    Dim window_;
    std::vector<Box> titles_;
    std::vector<Level> levels_;
    int openTitle_ = -1;
    // The open title was reached by the pointer sliding along the bar, not pressed: the press that
    // follows on it (the player's click on the title he aimed for) leaves it open.
    bool openedByMove_ = false;
    std::function<bool(std::uint16_t)> withheld_;
};

} // namespace vael
