#include "framework/ui/status_bar.h"

#include <algorithm>

#include "framework/core/command_records.h"
#include "framework/core/message_names.h"
#include "framework/core/payload_check.h"
#include "framework/ui/system_font.h"

namespace vael {

namespace {

WindowsStatusBar::TextWriter& textWriter() {
    static WindowsStatusBar::TextWriter writer = nullptr;
    return writer;
}

std::int16_t cut(std::int32_t v) {
    return static_cast<std::int16_t>(std::clamp(v, -0x8000, 0x7FFF));
}

bool sameMessage(std::uint32_t a, std::uint32_t b) {
    return ((a ^ b) & 0x0FFFFFFFu) == 0;
}

// A text wider than its room ends after the last whole word that fits, with "..." after it: cut anywhere, a
// player's name shows as the first letters of another one. A first word wider than the room is clipped.
std::string fitted(const std::string& text, std::int32_t room) {
    if (systemTextWidth(text, true) <= room) return text;
    std::string shown;
    for (std::size_t end = text.find(' '); end != std::string::npos && end > 0;
         end = text.find(' ', end + 1)) {
        // The stop or comma the cut follows gives way to the dots.
        const std::size_t last = text.find_last_not_of(" ,:.", end);
        if (last == std::string::npos) continue;
        const std::string words = text.substr(0, last + 1);
        if (systemTextWidth(words + "...", true) > room) break;
        shown = words + "...";
    }
    return shown.empty() ? text : shown;
}

} // namespace

// The model.

StatusBar::StatusBar(std::int16_t lineCount)
    : texts_(static_cast<std::size_t>(std::max<std::int16_t>(lineCount, 0))),
      lineCount_(std::max<std::int16_t>(lineCount, 0)) {}

StatusBar::~StatusBar() = default;

void StatusBar::addPane(std::uint32_t message, std::uint16_t width, const std::vector<std::string>* texts) {
    auto pane = std::make_unique<Pane>();
    pane->count = static_cast<std::uint16_t>(lineCount_);
    pane->texts.resize(pane->count);
    if (texts)
        for (std::size_t i = 0; i < pane->texts.size() && i < texts->size(); ++i)
            pane->texts[i] = (*texts)[i];
    pane->message = message;
    pane->offset = static_cast<std::uint16_t>(panesWidth_);
    pane->width = width;
    // Offsets are 16-bit: panes past that width would wrap back over the first ones.
    panesWidth_ = cut(panesWidth_ + std::int32_t(width));
    panes_.push_back(std::move(pane));
}

void StatusBar::connectHandlers() {
    connectNamed(msg::SetItemText, &StatusBar::onSetItemText);
}

void StatusBar::setPaneText(const std::string& text, std::int16_t line) {
    if (line < 1 || line > lineCount_) return;
    texts_[static_cast<std::size_t>(line - 1)] = text;
    redraw();
}

void StatusBar::clear() {
    for (std::string& t : texts_)
        t.clear();
    for (auto& pane : panes_)
        for (std::string& t : pane->texts)
            t.clear();
    redraw();
}

ContainerBase* StatusBar::onSetItemText(Component* target, BusMessage, ContainerBase* data) {
    auto* bar = dynamic_cast<StatusBar*>(target);
    Assertion::check(bar != nullptr, BadPayloadMessage, "STATBAR", __LINE__);
    if (!bar) return nullptr;
    callWithPayload<SetTextData>(data, "STATBAR", __LINE__, [&](const SetTextData& set) {
        for (auto& pane : bar->panes_)
            if (sameMessage(pane->message, set.target) && set.flag >= 1 && set.flag <= pane->count)
                pane->texts[set.flag - 1u] = set.text;
        bar->redraw();
    });
    return nullptr;
}

// The window manager's form.

WindowsStatusBar::TextWriter WindowsStatusBar::setTextWriter(TextWriter writer) {
    const TextWriter previous = textWriter();
    textWriter() = writer;
    return previous;
}

WindowsStatusBar::WindowsStatusBar(const std::string& archiveName, WindowHandle parent,
                                   const Point& textOrigin, std::int16_t lineCount, const char* name)
    : Window(Point(0, 0), Dim(0, 0), nullptr, name ? name : "Unnamed WindowsStatusBar"), StatusBar(lineCount),
      WindowsWindow(Point(0, 0), Dim(0, 0), nullptr, nullptr, nullptr, name),
      archive_(PictureArchive::open(archiveName)), textOrigin_(textOrigin) {
    create(Dim(0, 0), "GenericWindow", BarStyle, parent);
    height_ = static_cast<std::uint16_t>(std::max(art().left.height, 0));
}

WindowsStatusBar::~WindowsStatusBar() = default;

// The bar has no menu, so its window part has no handlers of its own on the bus.
void WindowsStatusBar::connectHandlers() {
    StatusBar::connectHandlers();
}

WindowsStatusBar::Art WindowsStatusBar::art() const {
    return {archive_->picture("left", "sbArt"), archive_->picture("right", "sbArt"),
            archive_->picture("center", "sbArt"), archive_->picture("separator", "sbArt")};
}

void WindowsStatusBar::addPane(std::uint32_t message, std::uint16_t width,
                               const std::vector<std::string>* texts) {
    StatusBar::addPane(message, static_cast<std::uint16_t>(width + std::max(art().separator.width, 0)),
                       texts);
}

std::int16_t WindowsStatusBar::freeWidth() const {
    const Art a = art();
    const std::int32_t w = Display::width();
    std::int32_t free = w - a.right.width - a.left.width - panesWidth_;
    free = std::max<std::int32_t>(free, FreeWidthAtLeast);
    free = std::min<std::int32_t>(free, w - a.left.width - a.right.width);
    return cut(free);
}

Box WindowsStatusBar::paneColumn(const Pane& pane, std::int16_t line) const {
    const Art a = art();
    const std::int32_t x = pane.offset + a.separator.width + freeWidth() + textOrigin_.x - 20;
    const std::int32_t limit = Display::width() - a.right.width;
    const std::int32_t width = std::clamp<std::int32_t>(limit - x, 0, pane.width);
    return Box(cut(x), cut(textOrigin_.y + TextHeight * line), cut(width), TextHeight);
}

void WindowsStatusBar::draw() {
    const Art a = art();
    const std::int32_t w = Display::width();
    const std::int16_t free = freeWidth();
    if (a.left.pixels) drawWholeBitmap(Point(0, 0), a.left);
    if (a.center.pixels && a.center.width > 0)
        for (std::int32_t x = a.left.width; x < w - a.right.width; x += a.center.width)
            drawWholeBitmap(Point(cut(x), 0), a.center);
    if (a.right.pixels && a.left.width < w - a.right.width)
        drawWholeBitmap(Point(cut(w - a.right.width), 0), a.right);
    const std::uint8_t black = matchColour(0, 0, 0);
    const auto write = [&](const Box& clip, const Point& at, const std::string& text) {
        if (textWriter() && !text.empty() && clip.w > 0 && clip.h > 0)
            textWriter()(*this, clip, at, fitted(text, clip.x + clip.w - at.x), black);
    };
    for (std::int16_t i = 0; i < lineCount_; ++i) {
        const Point at(textOrigin_.x, cut(textOrigin_.y + TextHeight * i));
        write(Box(at, Dim(cut(free + a.left.width), TextHeight)), at, texts_[static_cast<std::size_t>(i)]);
    }
    for (const auto& pane : panes_) {
        if (a.separator.pixels) drawWholeBitmap(Point(cut(pane->offset + free), 0), a.separator);
        for (std::int16_t i = 0; i < std::min<std::int32_t>(lineCount_, pane->count); ++i) {
            const Box column = paneColumn(*pane, i);
            write(column, column.topLeft(), pane->texts[static_cast<std::size_t>(i)]);
        }
    }
}

void WindowsStatusBar::redraw() {
    draw();
    update();
}

void WindowsStatusBar::placeBar(const Box& box) {
    setWindowPos({box.x, box.y, box.w, box.h}, 0);
    redraw();
}

} // namespace vael
