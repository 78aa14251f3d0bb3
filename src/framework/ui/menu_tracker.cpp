#include "framework/ui/menu_tracker.h"

#include <algorithm>
#include <cctype>

#include "framework/core/utf8.h"
#include "framework/ui/display.h"
#include "framework/ui/menu.h"
#include "framework/ui/win_app.h"
#include "framework/ui/windows_window.h"
#include "platform/platform.h"

namespace vael {

namespace {

MenuTracker::TextDrawer& textDrawer() {
    static MenuTracker::TextDrawer drawer = nullptr;
    return drawer;
}

std::int16_t textWidth(const std::string& text) {
    return static_cast<std::int16_t>(text.size() * MenuTracker::CharWidth);
}

// How wide the text is drawn: in the platform's system font where the program runs, else at the font's
// average width.
std::int32_t drawnWidth(const std::string& text) {
    if (text.empty()) return 0;
    if (WinApp* app = winApp()) return app->platform().textWidth(text, false);
    return textWidth(text);
}

// The bytes of the shown text that the letter after the label's '&' became; false when it has none.
bool markedLetter(const std::string& label, std::size_t& begin, std::size_t& end) {
    std::size_t shown = 0;
    for (std::size_t i = 0; i < label.size() && label[i] != '\t'; ++i, ++shown) {
        if (label[i] != '&') continue;
        if (i + 1 < label.size() && label[i + 1] == '&') {
            ++i;
            continue;
        }
        if (i + 1 >= label.size() || label[i + 1] == '\t') return false;
        begin = shown;
        end = shown + (utf8Next(label, i + 1) - (i + 1));
        return true;
    }
    return false;
}

bool isSeparator(const SystemMenu::Entry& e) {
    return (e.flags & SystemMenu::Separator) != 0;
}
const MenuBitmap* pictureOf(const SystemMenu::Entry& e) {
    return (e.flags & SystemMenu::Bitmap) ? e.bitmap.get() : nullptr;
}
// A picture is as wide as it is; a label as its characters.
std::int16_t contentWidth(const SystemMenu::Entry& e, const std::string& shown) {
    if (const MenuBitmap* picture = pictureOf(e)) return picture->width;
    return textWidth(shown);
}
// A picture taller than a line of text makes its entry taller, with a pixel above and below it.
std::int16_t entryHeight(const SystemMenu::Entry& e) {
    if (isSeparator(e)) return MenuTracker::SeparatorHeight;
    const MenuBitmap* picture = pictureOf(e);
    return static_cast<std::int16_t>(
        std::max<int>(MenuTracker::ItemHeight, picture ? picture->height + 2 : 0));
}
bool isChoosable(const SystemMenu::Entry& e) {
    return (e.flags & (SystemMenu::Separator | SystemMenu::Grayed | SystemMenu::Disabled)) == 0;
}
const SystemMenu* pullDownOf(const SystemMenu::Entry& e) {
    return (e.flags & SystemMenu::Popup) && isChoosable(e) ? e.submenu : nullptr;
}

} // namespace

MenuTracker::TextDrawer MenuTracker::setTextDrawer(TextDrawer drawer) {
    const TextDrawer previous = textDrawer();
    textDrawer() = drawer;
    return previous;
}

std::string MenuTracker::shownText(const std::string& label, std::string* accelerator) {
    std::string shown;
    std::size_t i = 0;
    for (; i < label.size() && label[i] != '\t'; ++i) {
        if (label[i] != '&')
            shown += label[i];
        else if (i + 1 < label.size() && label[i + 1] == '&')
            shown += label[++i];
    }
    if (accelerator) *accelerator = i < label.size() ? label.substr(i + 1) : std::string();
    return shown;
}

MenuTracker::MenuTracker(const SystemMenu& bar, const Dim& window)
    : root_(bar), isBar_(true), window_(window) {
    std::int16_t x = 0;
    for (std::size_t i = 0; i < bar.count(); ++i) {
        const SystemMenu::Entry& e = bar.entry(i);
        const std::int16_t w =
            isSeparator(e) ? 0
                           : static_cast<std::int16_t>(contentWidth(e, shownText(e.text)) + 2 * TitlePadding);
        titles_.emplace_back(x, 0, w, BarHeight);
        x = static_cast<std::int16_t>(x + w);
    }
}

MenuTracker::MenuTracker(const SystemMenu& popup, const Point& at, const Dim& window)
    : root_(popup), isBar_(false), window_(window) {
    openLevel(popup, at);
}

void MenuTracker::openLevel(const SystemMenu& menu, const Point& at) {
    // Columns start at the first entry and at every entry with a break; each is as wide as its widest label.
    struct Column {
        std::int16_t width = 0, height = 0;
    };
    std::vector<Column> columns(1);
    std::vector<std::size_t> columnOf;
    for (std::size_t i = 0; i < menu.count(); ++i) {
        const SystemMenu::Entry& e = menu.entry(i);
        if (i > 0 && (e.flags & (SystemMenu::ColumnBreak | SystemMenu::BarBreak))) columns.emplace_back();
        Column& c = columns.back();
        std::string accelerator;
        const std::string shown = shownText(e.text, &accelerator);
        const int w = contentWidth(e, shown) +
                      (accelerator.empty() || pictureOf(e) ? 0 : AcceleratorGap + textWidth(accelerator)) +
                      CheckRoom + ArrowRoom;
        c.width = static_cast<std::int16_t>(std::max<int>(c.width, w));
        c.height = static_cast<std::int16_t>(c.height + entryHeight(e));
        columnOf.push_back(columns.size() - 1);
    }
    int width = 2, height = 0;
    for (const Column& c : columns)
        width += c.width, height = std::max<int>(height, c.height);
    height += 2;
    Level level{&menu, Box(), {}, -1};
    const int x = std::max(0, std::min<int>(at.x, window_.w - width));
    const int y = std::max(0, std::min<int>(at.y, window_.h - height));
    level.bounds = Box(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                       static_cast<std::int16_t>(width), static_cast<std::int16_t>(height));
    int columnX = x + 1, rowY = y + 1;
    for (std::size_t i = 0; i < menu.count(); ++i) {
        if (i > 0 && columnOf[i] != columnOf[i - 1]) {
            columnX += columns[columnOf[i - 1]].width;
            rowY = y + 1;
        }
        const std::int16_t h = entryHeight(menu.entry(i));
        level.entries.emplace_back(static_cast<std::int16_t>(columnX), static_cast<std::int16_t>(rowY),
                                   columns[columnOf[i]].width, h);
        rowY += h;
    }
    levels_.push_back(std::move(level));
}

// A title without a pull-down that may open (a grayed one) is still the one the bar shows as chosen.
void MenuTracker::openTitle(int position) {
    closeAll();
    openTitle_ = position;
    const SystemMenu* pullDown = pullDownOf(root_.entry(static_cast<std::size_t>(position)));
    if (!pullDown) return;
    openLevel(*pullDown, Point(titles_[static_cast<std::size_t>(position)].x, BarHeight));
}

void MenuTracker::closeAll() {
    levels_.clear();
    openTitle_ = -1;
    openedByMove_ = false;
}

std::vector<int> MenuTracker::highlighted() const {
    std::vector<int> out;
    for (const Level& l : levels_)
        out.push_back(l.highlighted);
    return out;
}

bool MenuTracker::hit(const Point& at, std::size_t& level, int& entry) const {
    for (std::size_t i = levels_.size(); i-- > 0;) {
        if (!levels_[i].bounds.contains(at)) continue;
        level = i;
        entry = -1;
        for (std::size_t j = 0; j < levels_[i].entries.size(); ++j)
            if (levels_[i].entries[j].contains(at)) entry = static_cast<int>(j);
        return true;
    }
    return false;
}

int MenuTracker::titleAt(const Point& at) const {
    if (!isBar_) return -1;
    for (std::size_t i = 0; i < titles_.size(); ++i)
        if (titles_[i].contains(at)) return static_cast<int>(i);
    return -1;
}

void MenuTracker::highlight(std::size_t level, int entry, bool openPullDown) {
    Level& l = levels_[level];
    if (l.highlighted == entry && levels_.size() > level + 1) return;
    levels_.resize(level + 1);
    levels_[level].highlighted = entry;
    if (!openPullDown || entry < 0) return;
    const SystemMenu* pullDown = pullDownOf(levels_[level].menu->entry(static_cast<std::size_t>(entry)));
    const Box box = levels_[level].entries[static_cast<std::size_t>(entry)];
    if (pullDown) openLevel(*pullDown, Point(static_cast<std::int16_t>(box.x + box.w), box.y));
}

bool MenuTracker::offered(const SystemMenu::Entry& e) const {
    return isChoosable(e) && ((e.flags & SystemMenu::Popup) || !withheld_ || !withheld_(e.id));
}

std::uint16_t MenuTracker::choose(std::size_t level, int entry) {
    const SystemMenu::Entry& e = levels_[level].menu->entry(static_cast<std::size_t>(entry));
    if (!offered(e)) return 0;
    if (e.flags & SystemMenu::Popup) {
        highlight(level, entry, true);
        return 0;
    }
    closeAll();
    return e.id;
}

void MenuTracker::step(int direction) {
    Level& l = levels_.back();
    const int n = static_cast<int>(l.entries.size());
    int at = l.highlighted < 0 && direction < 0 ? n : l.highlighted;
    for (int tries = 0; tries < n; ++tries) {
        at = ((at + direction) % n + n) % n;
        if (!isSeparator(l.menu->entry(static_cast<std::size_t>(at)))) {
            highlight(levels_.size() - 1, at, false);
            return;
        }
    }
}

bool MenuTracker::pointTo(const Point& at) {
    std::size_t level = 0;
    int entry = -1;
    if (!hit(at, level, entry)) return false;
    if (entry >= 0) highlight(level, entry, true);
    return true;
}

std::uint16_t MenuTracker::buttonDown(const Point& at) {
    if (pointTo(at)) return 0;
    const int title = titleAt(at);
    if (title >= 0 && title == openTitle_ && openedByMove_) {
        openedByMove_ = false;
        return 0;
    }
    if (title < 0 || title == openTitle_) {
        closeAll();
        return 0;
    }
    const SystemMenu::Entry& e = root_.entry(static_cast<std::size_t>(title));
    if (!(e.flags & SystemMenu::Popup) && offered(e)) {
        closeAll();
        return e.id;
    }
    openTitle(title);
    return 0;
}

std::uint16_t MenuTracker::buttonUp(const Point& at) {
    std::size_t level = 0;
    int entry = -1;
    return hit(at, level, entry) && entry >= 0 ? choose(level, entry) : 0;
}

std::uint16_t MenuTracker::mouseMove(const Point& at) {
    if (!isOpen() || pointTo(at)) return 0;
    const int title = titleAt(at);
    if (title >= 0 && openTitle_ >= 0 && title != openTitle_) {
        openTitle(title);
        openedByMove_ = true;
    }
    return 0;
}

bool MenuTracker::titleBears(char letter) const {
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (!isBar_ || wanted == 0) return false;
    for (std::size_t i = 0; i < titles_.size(); ++i)
        if (mnemonicOf(root_.entry(i).text) == wanted) return true;
    return false;
}

bool MenuTracker::openByMnemonic(char letter) {
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (!isBar_ || wanted == 0) return false;
    for (std::size_t i = 0; i < titles_.size(); ++i)
        if (mnemonicOf(root_.entry(i).text) == wanted) {
            openTitle(static_cast<int>(i));
            return true;
        }
    return false;
}

// As in the dialogs, a letter two entries share chooses neither: it moves the highlight on to the next
// entry bearing it, so that the player sees where he is and Return chooses.
std::uint16_t MenuTracker::chooseByMnemonic(char letter) {
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    // The bar shown with no pull-down open (a grayed title chosen): the letter goes to the titles.
    if (levels_.empty()) {
        openByMnemonic(letter);
        return 0;
    }
    const std::size_t level = levels_.size() - 1;
    const Level& inner = levels_.back();
    std::vector<int> bearing;
    for (std::size_t i = 0; i < inner.entries.size(); ++i) {
        const SystemMenu::Entry& e = inner.menu->entry(i);
        if (!isSeparator(e) && mnemonicOf(e.text) == wanted) bearing.push_back(static_cast<int>(i));
    }
    if (bearing.empty()) return 0;
    if (bearing.size() > 1) {
        const auto next = std::upper_bound(bearing.begin(), bearing.end(), inner.highlighted);
        highlight(level, next == bearing.end() ? bearing.front() : *next, false);
        return 0;
    }
    // An entry that cannot be chosen now is only shown as the one meant.
    highlight(level, bearing.front(), false);
    const std::uint16_t chosen = choose(level, bearing.front());
    // A pull-down opened by its letter offers its first entry, as Return and the arrows then expect.
    if (levels_.size() > level + 1) step(1);
    return chosen;
}

std::uint16_t MenuTracker::keyDown(std::int32_t key, std::uint16_t modifiers) {
    if (!isOpen()) return 0;
    const bool letter = key > 0 && key < 128 && std::isalnum(key);
    if (letter && (modifiers & ~platform::ModShift) != 0) {
        // The player reaching for another title holds Alt: he meant that pull-down, not an entry of this
        // one, and a chord meant for an accelerator is not a choice either.
        if ((modifiers & (platform::ModAlt | platform::ModControl | platform::ModAltGr)) == platform::ModAlt)
            openByMnemonic(static_cast<char>(key));
        return 0;
    }
    if (key == platform::KeyEscape) {
        if (levels_.size() > 1)
            levels_.pop_back();
        else
            closeAll();
        return 0;
    }
    if (key == platform::KeyLeft || key == platform::KeyRight) {
        if (!levels_.empty()) {
            const Level& inner = levels_.back();
            if (key == platform::KeyRight && inner.highlighted >= 0 &&
                pullDownOf(inner.menu->entry(static_cast<std::size_t>(inner.highlighted)))) {
                highlight(levels_.size() - 1, inner.highlighted, true);
                return 0;
            }
            if (key == platform::KeyLeft && levels_.size() > 1) {
                levels_.pop_back();
                return 0;
            }
        }
        if (openTitle_ >= 0) {
            const int n = static_cast<int>(titles_.size());
            openTitle(((openTitle_ + (key == platform::KeyLeft ? -1 : 1)) % n + n) % n);
        }
        return 0;
    }
    if (letter) return chooseByMnemonic(static_cast<char>(key));
    if (levels_.empty()) return 0;
    const Level& inner = levels_.back();
    switch (key) {
    case platform::KeyDown:
        step(1);
        return 0;
    case platform::KeyUp:
        step(-1);
        return 0;
    case platform::KeyReturn:
        return inner.highlighted >= 0 ? choose(levels_.size() - 1, inner.highlighted) : 0;
    default:
        return 0;
    }
}

void MenuTracker::draw(Display& target) const {
    const std::uint8_t black = Display::matchColour(0, 0, 0), white = Display::matchColour(255, 255, 255),
                       grey = Display::matchColour(128, 128, 128);
    const auto text = [&](const Point& at, const std::string& s, std::uint8_t colour) {
        if (textDrawer() && !s.empty()) textDrawer()(target, at, s, colour);
    };
    // A label is drawn with its access letter underlined, in the label's colour.
    const auto label = [&](const Point& at, const std::string& l, std::uint8_t colour,
                           std::string* accelerator) {
        const std::string shown = shownText(l, accelerator);
        text(at, shown, colour);
        std::size_t begin = 0, end = 0;
        if (!textDrawer() || !markedLetter(l, begin, end)) return;
        const std::int32_t left = drawnWidth(shown.substr(0, begin)),
                           right = drawnWidth(shown.substr(0, end));
        const std::uint8_t ink = colour == white ? 255 : colour == black ? 0 : 128;
        target.fillRect(Box(static_cast<std::int16_t>(at.x + left),
                            static_cast<std::int16_t>(at.y + UnderlineDrop),
                            static_cast<std::int16_t>(std::max(1, right - left)), 1),
                        ink, ink, ink);
    };
    // A picture is drawn whole; a grayed one has every other pixel, in a checker, put out in grey.
    const auto picture = [&](const Point& at, const MenuBitmap& bitmap, bool grayed) {
        if (bitmap.pixels.empty()) return;
        target.drawPicture(
            at, Picture{platform::Surface{bitmap.pixels.data(), bitmap.width, bitmap.height, bitmap.rowBytes},
                        Point(), PictureOpaque});
        if (!grayed) return;
        for (std::int16_t y = 0; y < bitmap.height; ++y)
            for (std::int16_t x = static_cast<std::int16_t>(y % 2); x < bitmap.width; x += 2)
                target.fillRect(
                    Box(static_cast<std::int16_t>(at.x + x), static_cast<std::int16_t>(at.y + y), 1, 1), 128,
                    128, 128);
    };
    if (isBar_) {
        target.fillRect(Box(0, 0, window_.w, BarHeight), 192, 192, 192);
        for (std::size_t i = 0; i < titles_.size(); ++i) {
            const SystemMenu::Entry& e = root_.entry(i);
            const bool open = static_cast<int>(i) == openTitle_;
            if (open) target.fillRect(titles_[i], 0, 0, 128);
            if (const MenuBitmap* p = pictureOf(e)) {
                picture(Point(static_cast<std::int16_t>(titles_[i].x + TitlePadding),
                              static_cast<std::int16_t>(std::max(0, (BarHeight - p->height) / 2))),
                        *p, (e.flags & SystemMenu::Grayed) != 0);
                continue;
            }
            label(Point(static_cast<std::int16_t>(titles_[i].x + TitlePadding), 3), e.text,
                  open             ? white
                  : isChoosable(e) ? black
                                   : grey,
                  nullptr);
        }
    }
    for (const Level& l : levels_) {
        target.fillRect(l.bounds, 192, 192, 192);
        target.frameRect(l.bounds, 0, 0, 0);
        for (std::size_t i = 0; i < l.entries.size(); ++i) {
            const SystemMenu::Entry& e = l.menu->entry(i);
            const Box& b = l.entries[i];
            if (isSeparator(e)) {
                target.fillRect(Box(static_cast<std::int16_t>(b.x + 2),
                                    static_cast<std::int16_t>(b.y + SeparatorHeight / 2),
                                    static_cast<std::int16_t>(b.w - 4), 1),
                                128, 128, 128);
                continue;
            }
            const bool lit = static_cast<int>(i) == l.highlighted;
            if (lit) target.fillRect(b, 0, 0, 128);
            const std::uint8_t colour = !offered(e) ? grey : lit ? white : black;
            const std::uint8_t r = colour == white ? 255 : colour == grey ? 128 : 0;
            if (const MenuBitmap* p = pictureOf(e))
                picture(Point(static_cast<std::int16_t>(b.x + CheckRoom),
                              static_cast<std::int16_t>(b.y + (b.h - p->height) / 2)),
                        *p, (e.flags & SystemMenu::Grayed) != 0);
            std::string accelerator;
            label(Point(static_cast<std::int16_t>(b.x + CheckRoom), static_cast<std::int16_t>(b.y + 2)),
                  e.text, colour, &accelerator);
            text(Point(static_cast<std::int16_t>(b.x + b.w - ArrowRoom - textWidth(accelerator)),
                       static_cast<std::int16_t>(b.y + 2)),
                 accelerator, colour);
            if (e.flags & SystemMenu::Checked) // a tick: two strokes meeting low on the left
                for (int k = 0; k < 6; ++k)
                    target.fillRect(Box(static_cast<std::int16_t>(b.x + 5 + k),
                                        static_cast<std::int16_t>(b.y + (k < 2 ? 8 + k : 11 - (k - 2))), 1,
                                        2),
                                    r, r, r);
            if (e.flags & SystemMenu::Popup) // a small triangle pointing right
                for (int k = 0; k < 4; ++k)
                    target.fillRect(Box(static_cast<std::int16_t>(b.x + b.w - 12 + k),
                                        static_cast<std::int16_t>(b.y + 5 + k), 1,
                                        static_cast<std::int16_t>(8 - 2 * k)),
                                    r, r, r);
        }
    }
}

} // namespace vael
