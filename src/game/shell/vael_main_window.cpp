#include "game/shell/vael_main_window.h"

#include <algorithm>
#include <cstddef>

#include "framework/core/answer.h"
#include "framework/display/display_message_names.h"
#include "framework/ui/system_font.h"
#include "platform/platform.h"

namespace vael {

VaelMainWindow::VaelMainWindow(const Dim& clientSize)
    : Window(Point(0, 0), clientSize, Title, "Vael Frame"),
      OstrellMainWindow(Point(0, 0), clientSize, Title, "Vael Frame") {}

void VaelMainWindow::setBattleTitle(const std::string& title) {
    battleTitle_ = title;
    setCaption(title.empty() ? std::string(Title) : title);
}

void VaelMainWindow::iconicChanged(bool iconic) {
    // At once: queued, the change would wait behind a box that holds the game (a modal one runs no queued
    // work), and the water would stand after the window is shown again, or go on while it is an icon.
    if (getBus())
        dropAnswer(sendNowNamedEmpty(iconic ? msg::SuspendPaletteAnimation : msg::ResumePaletteAnimation));
}

MapPlaceWindow::MapPlaceWindow(const std::string& title)
    : Window(Point(-1, -1), Dim(640, 400), title.c_str(), "Map"),
      WindowsChildWindow(Point(-1, -1), Dim(640, 400), title.c_str(), "ChildMenu", "ChildIcon", "Map"),
      title_(title) {
    setNoClose(1);
}

void MapPlaceWindow::erase() {
    fill(Display::matchColour(96, 128, 72));
}

CommentaryWindow::CommentaryWindow(CommentaryDlg& commentary)
    : Window(Point(0, 0), Dim(600, 150), "Commentary", "Commentary"),
      WindowsWindow(Point(0, 0), Dim(600, 150), "Commentary", nullptr, "ChildIcon", "Commentary"),
      commentary_(commentary) {
    commentary_.onLine = [this](const CommentaryLine&) { refresh(); };
    enableMouseEvent(MouseMoved);
    enableMouseEvent(MouseLeftDown);
    enableMouseEvent(MouseLeftUp);
}

void CommentaryWindow::createInFrame() {
    auto* frame = dynamic_cast<WindowsMainWindow*>(
        Application::instance() ? Application::instance()->getMainWindow() : nullptr);
    if (!frame || !frame->hwnd() || hwnd_) return;
    WindowManager& manager = WindowManager::instance();
    const Insets in = WindowManager::insetsFor(Style, false, false);
    const WindowManager::Record* client = manager.find(frame->clientWindow());
    const platform::Rect area = client ? client->outer : platform::Rect{};
    const std::int32_t outerHeight = height() + in.top + in.bottom;
    position_ =
        Point(static_cast<std::int16_t>(area.x + Margin),
              static_cast<std::int16_t>(std::max(area.y, area.y + area.height - outerHeight - Margin)));
    area_ = Box(static_cast<std::int16_t>(area.x), static_cast<std::int16_t>(area.y),
                static_cast<std::int16_t>(area.width), static_cast<std::int16_t>(area.height));
    whole_ =
        Dim(static_cast<std::int16_t>(width() + in.left + in.right), static_cast<std::int16_t>(outerHeight));
    placed_ = position_;
    fromLeft_ = position_.x - area.x;
    fromBottom_ = area.y + area.height - position_.y;
    create(size(), "Commentary", Style, frame->hwnd());
    manager.setCloseBox(hwnd_, false);
    // A battle opened in a small frame: the window's share of the area as if it had been made smaller.
    followArea(area_);
}

void CommentaryWindow::followArea(const Box& area) {
    const WindowManager::Record* r = WindowManager::instance().find(hwnd_);
    if (!r) return;
    const platform::Rect outer = r->outer;
    // Moved by the player since it was last placed: where he put it is where it belongs.
    if (outer.x != placed_.x || outer.y != placed_.y) {
        fromLeft_ = outer.x - area_.x;
        fromBottom_ = area_.y + area_.h - outer.y;
    }
    area_ = area;
    // As large as it was made, as far as the area holds it; the newest lines stay in sight. Made larger
    // again, the area gives it back its size and its place.
    // On a small map area it takes no more than about a third of the height (its caption at least, to be
    // taken by), so that the map stays the larger part; at 800 by 600 and above it keeps its whole size.
    const Insets in = WindowManager::insetsFor(Style, false, false);
    const std::int32_t most = std::max<std::int32_t>(in.top + in.bottom, area.h * MostOfAreaPercent / 100);
    const std::int32_t w = std::min<std::int32_t>(whole_.w, area.w),
                       h = std::min<std::int32_t>({whole_.h, most, area.h});
    const std::int32_t x = std::clamp<std::int32_t>(area.x + fromLeft_, area.x, area.x + area.w - w);
    // Made lower for a small area, it keeps its bottom edge where it was.
    const std::int32_t y =
        std::clamp<std::int32_t>(area.y + area.h - fromBottom_ + (whole_.h - h), area.y, area.y + area.h - h);
    placed_ = Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
    if (x == outer.x && y == outer.y && w == outer.width && h == outer.height) return;
    setWindowPos({x, y, w, h}, WindowPos::NoZOrder);
    if (w != outer.width || h != outer.height) refresh();
}

CommentaryWindow::~CommentaryWindow() {
    commentary_.onLine = nullptr;
}

std::int32_t CommentaryWindow::textWidth() const {
    return std::max(1, size().w - 2 * TextInset - ScrollWidth);
}

std::size_t CommentaryWindow::shownRows() const {
    return static_cast<std::size_t>(std::max(0, (size().h - 4) / LineHeight));
}

namespace {

std::int32_t commentaryMeasure(const std::string& text, bool bold) {
    return systemTextWidth(text, bold);
}

} // namespace

void CommentaryWindow::syncRows() {
    const auto& lines = commentary_.lines();
    const std::int32_t width = textWidth();
    const auto rowsOf = [width](const CommentaryLine& line) {
        return static_cast<std::uint32_t>(wrapCommentary(line, width, commentaryMeasure).size());
    };
    if (commentary_.clears() != seenClears_) {
        rowCounts_.clear();
        scroll_.clear();
        seenClears_ = commentary_.clears();
        seenDropped_ = 0;
    } else if (commentary_.dropped() != seenDropped_) {
        std::size_t gone = 0;
        for (std::size_t n = commentary_.dropped() - seenDropped_; n > 0 && !rowCounts_.empty(); --n) {
            gone += rowCounts_.front();
            rowCounts_.pop_front();
        }
        seenDropped_ = commentary_.dropped();
        scroll_.dropped(gone);
    }
    if (width != wrapWidth_) {
        // Broken anew for the new width, the line at the top stays at the top.
        std::size_t topLine = 0;
        for (std::size_t row = 0; topLine < rowCounts_.size() && row + rowCounts_[topLine] <= scroll_.top();
             ++topLine)
            row += rowCounts_[topLine];
        const std::size_t kept = std::min(rowCounts_.size(), lines.size());
        std::size_t total = 0, top = 0;
        for (std::size_t i = 0; i < kept; ++i) {
            if (i == topLine) top = total;
            rowCounts_[i] = rowsOf(lines[i]);
            total += rowCounts_[i];
        }
        rowCounts_.resize(kept);
        wrapWidth_ = width;
        scroll_.reset(total, top);
    }
    std::size_t added = 0;
    for (std::size_t i = rowCounts_.size(); i < lines.size(); ++i) {
        rowCounts_.push_back(rowsOf(lines[i]));
        added += rowCounts_.back();
    }
    scroll_.added(added);
    scroll_.setShown(shownRows());
}

Box CommentaryWindow::upArrow() const {
    const auto length = static_cast<std::int16_t>(std::min<std::int32_t>(ScrollWidth, size().h / 2));
    return Box(static_cast<std::int16_t>(size().w - ScrollWidth), 0, ScrollWidth, length);
}

Box CommentaryWindow::downArrow() const {
    const Box up = upArrow();
    return Box(up.x, static_cast<std::int16_t>(size().h - up.h), ScrollWidth, up.h);
}

Box CommentaryWindow::track() const {
    const Box up = upArrow();
    return Box(up.x, up.h, ScrollWidth, static_cast<std::int16_t>(std::max(0, size().h - 2 * up.h)));
}

Box CommentaryWindow::thumb() const {
    const Box t = track();
    const std::size_t rows = scroll_.rows(), shown = scroll_.shown(), last = scroll_.lastTop();
    if (last == 0 || rows == 0) return t;
    // As long as the share of rows in view, at least a square, and run over the rest of the track.
    const auto length = std::clamp<std::int32_t>(static_cast<std::int32_t>(t.h * shown / rows),
                                                 std::min<std::int32_t>(ScrollWidth, t.h), t.h);
    const auto at = static_cast<std::int32_t>((t.h - length) * scroll_.top() / last);
    return Box(t.x, static_cast<std::int16_t>(t.y + at), t.w, static_cast<std::int16_t>(length));
}

void CommentaryWindow::drawBar() {
    const Box t = track();
    fillRect(Box(t.x, 0, ScrollWidth, size().h), 224, 224, 224);
    const bool scrolls = scroll_.lastTop() > 0;
    const auto button = [&](const Box& b) {
        fillRect(b, 192, 192, 192);
        frameRect(b, 0, 0, 0);
        fillRect(Box(static_cast<std::int16_t>(b.x + 1), static_cast<std::int16_t>(b.y + 1),
                     static_cast<std::int16_t>(std::max(0, b.w - 2)), 1),
                 255, 255, 255);
        fillRect(Box(static_cast<std::int16_t>(b.x + 1), static_cast<std::int16_t>(b.y + 1), 1,
                     static_cast<std::int16_t>(std::max(0, b.h - 2))),
                 255, 255, 255);
    };
    // A small solid triangle, black while there is somewhere to scroll, grey while everything shows.
    const std::uint8_t ink = scrolls ? 0 : 128;
    const auto arrow = [&](const Box& b, bool up) {
        button(b);
        const std::int16_t cx = static_cast<std::int16_t>(b.x + b.w / 2);
        for (std::int16_t k = 0; k < 4 && 2 * k + 5 <= b.h; ++k) {
            const auto y = static_cast<std::int16_t>(up ? b.y + b.h / 2 - 2 + k : b.y + b.h / 2 + 1 - k);
            fillRect(Box(static_cast<std::int16_t>(cx - k), y, static_cast<std::int16_t>(2 * k + 1), 1), ink,
                     ink, ink);
        }
    };
    arrow(upArrow(), true);
    arrow(downArrow(), false);
    if (scrolls && t.h > 0) button(thumb());
}

void CommentaryWindow::erase() {
    syncRows();
    fill(Display::matchColour(255, 255, 255));
    const Dim area = size();
    const Box clip(0, 0, static_cast<std::int16_t>(std::max(0, area.w - ScrollWidth)), area.h);
    const std::uint8_t ink = Display::matchColour(0, 0, 0);
    // The line that holds the top row, and the top row's place in it.
    std::size_t line = 0, row = scroll_.top();
    while (line < rowCounts_.size() && row >= rowCounts_[line])
        row -= rowCounts_[line++];
    const auto& lines = commentary_.lines();
    // The rows of the line being drawn, broken as they were counted.
    std::vector<CommentaryLine> rows;
    auto y = static_cast<std::int16_t>(2);
    for (std::size_t n = 0; n < scroll_.shown() && line < rowCounts_.size() && line < lines.size(); ++n) {
        if (rows.empty()) rows = wrapCommentary(lines[line], wrapWidth_, commentaryMeasure);
        std::int16_t x = TextInset;
        static const CommentaryLine none;
        for (const CommentaryRun& run : row < rows.size() ? rows[row] : none) {
            writeSystemText(*this, clip, Point(x, y), run.text, ink, run.bold);
            // A bold run is wider than the plain one would be: the next run starts where this one ends.
            x = static_cast<std::int16_t>(x + systemTextWidth(run.text, run.bold));
        }
        y = static_cast<std::int16_t>(y + LineHeight);
        if (++row >= rowCounts_[line]) row = 0, ++line, rows.clear();
    }
    drawBar();
}

void CommentaryWindow::refresh() {
    erase();
    invalidate(Box(0, 0, size().w, size().h));
    update();
}

void CommentaryWindow::scrolled() {
    refresh();
}

std::intptr_t CommentaryWindow::windowProc(std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
    if (message == MessageMouseWheel) {
        // Away from the player is back towards the battle's first lines.
        scroll_.scrollBy(-static_cast<std::ptrdiff_t>(static_cast<std::intptr_t>(wParam)) * WheelRows);
        scrolled();
        return 1;
    }
    if (message == MessageKeyDown && !(lParam & platform::ModAlt)) {
        switch (static_cast<std::int32_t>(wParam)) {
        case platform::KeyUp:
            scroll_.scrollBy(-1);
            break;
        case platform::KeyDown:
            scroll_.scrollBy(1);
            break;
        case platform::KeyPageUp:
            scroll_.pageUp();
            break;
        case platform::KeyPageDown:
            scroll_.pageDown();
            break;
        case platform::KeyHome:
            scroll_.home();
            break;
        case platform::KeyEnd:
            scroll_.end();
            break;
        default:
            // Not the commentary's: the frame gives it to the battle's window.
            return 0;
        }
        scrolled();
        return 1;
    }
    return WindowsWindow::windowProc(message, wParam, lParam);
}

void CommentaryWindow::leftButtonDown(const Point& p) {
    const Box t = track(), th = thumb();
    if (p.x < t.x) return;
    if (upArrow().contains(p)) {
        scroll_.scrollBy(-1);
    } else if (downArrow().contains(p)) {
        scroll_.scrollBy(1);
    } else if (p.y < th.y) {
        scroll_.pageUp();
    } else if (p.y >= th.y + th.h) {
        scroll_.pageDown();
    } else if (scroll_.lastTop() > 0) {
        dragging_ = true;
        grab_ = p.y - th.y;
        if (!captured()) captureMouse();
        return;
    }
    scrolled();
}

void CommentaryWindow::mouseMoved(const Point& p) {
    if (!dragging_) return;
    const Box t = track(), th = thumb();
    const std::int32_t run = t.h - th.h;
    if (run <= 0) return;
    const std::int32_t along = std::clamp<std::int32_t>(p.y - grab_ - t.y, 0, run);
    // The row whose thumb starts nearest to where the thumb was drawn to.
    const std::size_t top = (static_cast<std::size_t>(along) * scroll_.lastTop() * 2 + run) / (2 * run);
    if (top == scroll_.top()) return;
    scroll_.scrollTo(top);
    scrolled();
}

void CommentaryWindow::leftButtonUp(const Point&) {
    if (!dragging_) return;
    dragging_ = false;
    if (captured() == this) releaseMouse();
}

} // namespace vael
