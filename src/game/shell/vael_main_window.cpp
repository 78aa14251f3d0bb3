#include "game/shell/vael_main_window.h"

#include <algorithm>

#include "framework/display/display_message_names.h"
#include "framework/ui/system_font.h"

namespace vael {

VaelMainWindow::VaelMainWindow(const Dim& clientSize)
    : Window(Point(0, 0), clientSize, Title, "Vael Frame"),
      OstrellMainWindow(Point(0, 0), clientSize, Title, "Vael Frame") {}

void VaelMainWindow::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == Exit && confirmExit && !confirmExit()) return;
    OstrellMainWindow::onCommand(id, notification);
}

void VaelMainWindow::setBattleTitle(const std::string& title) {
    battleTitle_ = title;
    setCaption(title.empty() ? std::string(Title) : title);
}

void VaelMainWindow::iconicChanged(bool iconic) {
    if (getBus()) sendNamedEmpty(iconic ? msg::SuspendPaletteAnimation : msg::ResumePaletteAnimation);
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

void CommentaryWindow::erase() {
    fill(Display::matchColour(255, 255, 255));
    const Dim area = size();
    const Box clip(0, 0, area.w, area.h);
    const auto shown = static_cast<std::size_t>(std::max(0, (area.h - 4) / LineHeight));
    // A line longer than the window goes on in the rows under it; the newest rows fill the window, so
    // only as many lines are broken as it takes to fill it.
    const auto& lines = commentary_.lines();
    const CommentaryMeasure measure = [](const std::string& text, bool bold) {
        return systemTextWidth(text, bold);
    };
    std::vector<CommentaryLine> rows;
    for (std::size_t i = lines.size(); i-- > 0 && rows.size() < shown;) {
        std::vector<CommentaryLine> wrapped = wrapCommentary(lines[i], area.w - 2 * TextInset, measure);
        rows.insert(rows.begin(), wrapped.begin(), wrapped.end());
    }
    const std::size_t first = rows.size() > shown ? rows.size() - shown : 0;
    const std::uint8_t ink = Display::matchColour(0, 0, 0);
    auto y = static_cast<std::int16_t>(2);
    for (std::size_t i = first; i < rows.size(); ++i, y = static_cast<std::int16_t>(y + LineHeight)) {
        std::int16_t x = TextInset;
        for (const CommentaryRun& run : rows[i]) {
            writeSystemText(*this, clip, Point(x, y), run.text, ink, run.bold);
            // A bold run is wider than the plain one would be: the next run starts where this one ends.
            x = static_cast<std::int16_t>(x + systemTextWidth(run.text, run.bold));
        }
    }
}

void CommentaryWindow::refresh() {
    erase();
    invalidate(Box(0, 0, size().w, size().h));
    update();
}

} // namespace vael
