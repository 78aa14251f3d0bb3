#include "game/shell/vael_main_window.h"

#include <algorithm>

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
    create(size(), "Commentary", Style, frame->hwnd());
    manager.setCloseBox(hwnd_, false);
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
