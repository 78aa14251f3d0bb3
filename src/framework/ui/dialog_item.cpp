#include "framework/ui/dialog_item.h"

#include <algorithm>
#include <cctype>

#include "framework/core/utf8.h"
#include "framework/ui/system_font.h"
#include "framework/ui/text_wrap.h"
#include "framework/ui/win_app.h"
#include "framework/ui/windows_window.h"

namespace vael {

namespace {

// A combo box's list shows at most this many rows.
constexpr std::int32_t DroppedRows = 6;
// An edit field holds at most this many characters, as the system's does by default.
constexpr std::size_t EditLimit = 30000;

// Where a text cut at the limit ends, or where its kept end begins: on a place between whole letters, never
// inside one. Places are found from the text's start, as a letter's bytes only read rightly from there.
std::size_t lettersWithin(const std::string& text, std::size_t limit) {
    std::size_t place = 0;
    for (std::size_t next; (next = utf8Next(text, place)) != place && next <= limit;)
        place = next;
    return place;
}
std::size_t letterAtOrAfter(const std::string& text, std::size_t at) {
    std::size_t place = 0;
    while (place < at && place < text.size())
        place = utf8Next(text, place);
    return place;
}

bool sameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

Box inset(const Box& b, std::int16_t by) {
    return Box(static_cast<std::int16_t>(b.x + by), static_cast<std::int16_t>(b.y + by),
               static_cast<std::int16_t>(std::max(0, b.w - 2 * by)),
               static_cast<std::int16_t>(std::max(0, b.h - 2 * by)));
}

enum class Pointing { Up, Down, Left, Right };

// A solid black triangle centred in the box, as on the system's scroll and drop-down buttons: four rows
// (or columns) from seven pixels down to one, smaller when the box is too small for it.
void drawArrow(Display& target, const Box& b, Pointing way, bool enabled) {
    const std::int16_t room = static_cast<std::int16_t>(std::min(b.w, b.h) - 4);
    const std::int16_t rows = std::min<std::int16_t>(4, static_cast<std::int16_t>((room + 1) / 2));
    if (rows <= 0) return;
    const std::uint8_t ink = enabled ? 0 : 128;
    const std::int16_t cx = static_cast<std::int16_t>(b.x + b.w / 2),
                       cy = static_cast<std::int16_t>(b.y + b.h / 2);
    for (std::int16_t k = 0; k < rows; ++k) {
        // Row k from the tip has 2k+1 pixels.
        const std::int16_t half = k, along = static_cast<std::int16_t>(k - rows / 2);
        switch (way) {
        case Pointing::Down:
            target.fillRect(Box(static_cast<std::int16_t>(cx - half),
                                static_cast<std::int16_t>(cy + rows / 2 - k),
                                static_cast<std::int16_t>(2 * half + 1), 1),
                            ink, ink, ink);
            break;
        case Pointing::Up:
            target.fillRect(Box(static_cast<std::int16_t>(cx - half), static_cast<std::int16_t>(cy + along),
                                static_cast<std::int16_t>(2 * half + 1), 1),
                            ink, ink, ink);
            break;
        case Pointing::Right:
            target.fillRect(Box(static_cast<std::int16_t>(cx + rows / 2 - k),
                                static_cast<std::int16_t>(cy - half), 1,
                                static_cast<std::int16_t>(2 * half + 1)),
                            ink, ink, ink);
            break;
        case Pointing::Left:
            target.fillRect(Box(static_cast<std::int16_t>(cx + along), static_cast<std::int16_t>(cy - half),
                                1, static_cast<std::int16_t>(2 * half + 1)),
                            ink, ink, ink);
            break;
        }
    }
}

} // namespace

DialogItemWindow::DialogItemWindow(DialogItemOwner& owner, const DialogItem& item, const Box& box)
    : owner_(owner), id_(item.id), class_(item.controlClass), style_(item.style),
      buttonType_(item.buttonType()), box_(box), text_(item.text), enabled_(!(item.style & style::Disabled)),
      visible_((item.style & style::Visible) != 0) {
    if (WinApp* app = winApp()) handle_ = app->addWindow(this);
    caret_ = anchor_ = static_cast<std::int32_t>(text_.size());
    keepCaretInView();
}

DialogItemWindow::~DialogItemWindow() {
    if (WinApp* app = winApp(); app && handle_) app->removeWindow(handle_);
}

std::intptr_t DialogItemWindow::handleMessage(const WindowMessage& message) {
    if (message.message == MessagePaint) owner_.drawItem(*this);
    return 0;
}

bool DialogItemWindow::contains(const Point& p) const {
    const Box b = shownBox();
    return p.x >= b.x && p.y >= b.y && p.x < b.x + b.w && p.y < b.y + b.h;
}

void DialogItemWindow::setText(const std::string& text) {
    if (class_ != ClassEdit || text.size() <= EditLimit) {
        text_ = text;
    } else if (isMultiline() && isReadOnly()) {
        // A field that is only read shows the end of what it is given (a log's newest lines): past the
        // limit its oldest lines go whole.
        const std::size_t cut = text.find('\n', text.size() - EditLimit);
        text_ = cut == std::string::npos ? text.substr(letterAtOrAfter(text, text.size() - EditLimit))
                                         : text.substr(cut + 1);
    } else {
        text_ = text.substr(0, lettersWithin(text, EditLimit));
    }
    caret_ = anchor_ = static_cast<std::int32_t>(text_.size());
    if (isMultiline())
        wrapRows();
    else
        keepCaretInView();
}

void DialogItemWindow::keepCaretInView() {
    if (class_ != ClassEdit) return;
    // The caret stays on the field's inside (2 pixels in from each side of the box): its pen goes from the
    // text's start, 2 pixels into the inside, to the inside's last column.
    const std::int32_t room = std::max(0, (box_.w - 2 * 2) - 2 - 1);
    const auto penAt = [&](std::int32_t n) {
        return systemTextWidth(text_.substr(0, static_cast<std::size_t>(n)), false);
    };
    const std::int32_t caretAt = penAt(caret_);
    if (caretAt - scrolled_ > room) scrolled_ = caretAt - room;
    if (caretAt < scrolled_) scrolled_ = caretAt;
    // Text taken out from the end brings the rest back into view, as far as the caret allows.
    scrolled_ =
        std::clamp(std::min(scrolled_, penAt(static_cast<std::int32_t>(text_.size())) - room), 0, caretAt);
}

void DialogItemWindow::wrapRows() {
    // The rows are as wide as the field less its frame and the text's margins, and less the bar when
    // the rows are more than the field shows.
    const auto wrapAt = [this](std::int32_t width) {
        rows_.clear();
        if (text_.empty()) return;
        for (std::string& r :
             wrapText(text_, width, [](const std::string& row) { return systemTextWidth(row, false); }))
            rows_.push_back({std::move(r), 0});
    };
    const std::int32_t width = box_.w - 2 - 4;
    wrapAt(width);
    if (showsScrollBar()) wrapAt(width - ScrollWidth);
    selection_ = NoRow;
    top_ = std::max(0, rowCount() - visibleRows());
}

std::int32_t DialogItemWindow::addRow(const std::string& text) {
    rows_.push_back({text, 0});
    return static_cast<std::int32_t>(rows_.size()) - 1;
}

void DialogItemWindow::clearRows() {
    rows_.clear();
    selection_ = NoRow;
    top_ = 0;
}

const DialogItemWindow::Row* DialogItemWindow::row(std::int32_t index) const {
    return index >= 0 && index < rowCount() ? &rows_[static_cast<std::size_t>(index)] : nullptr;
}

bool DialogItemWindow::setRowData(std::int32_t index, std::int32_t data) {
    if (!row(index)) return false;
    rows_[static_cast<std::size_t>(index)].data = data;
    return true;
}

bool DialogItemWindow::select(std::int32_t index) {
    if (index != NoRow && !row(index)) return false;
    selection_ = index;
    scrollToSelection();
    return true;
}

std::int32_t DialogItemWindow::findExact(const std::string& name, std::int32_t start) const {
    const std::int32_t n = rowCount();
    if (n == 0) return NoRow;
    const std::int32_t from = start < 0 || start >= n ? 0 : start + 1;
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t i = (from + k) % n;
        if (sameNoCase(rows_[static_cast<std::size_t>(i)].text, name)) return i;
    }
    return NoRow;
}

Box DialogItemWindow::droppedBox() const {
    const std::int32_t shown = std::clamp<std::int32_t>(rowCount(), 1, DroppedRows);
    return Box(box_.x, box_.y, box_.w, static_cast<std::int16_t>(RowHeight + 2 + shown * RowHeight + 2));
}

Box DialogItemWindow::shownBox() const {
    if (class_ != ClassComboBox) return box_;
    return dropped_ ? droppedBox() : Box(box_.x, box_.y, box_.w, static_cast<std::int16_t>(RowHeight + 2));
}

bool DialogItemWindow::rowCut(std::int32_t index) const {
    const Row* r = class_ == ClassListBox ? row(index) : nullptr;
    if (!r) return false;
    // As the rows are written: inside the frame, less the bar, 2 pixels in.
    const std::int32_t room = inset(box_, 1).w - (showsScrollBar() ? ScrollWidth : 0) - 2;
    return systemTextWidth(r->text, false) > room;
}

std::int32_t DialogItemWindow::visibleRows() const {
    return class_ == ClassComboBox ? DroppedRows : std::max(1, (box_.h - 2) / RowHeight);
}

bool DialogItemWindow::showsScrollBar() const {
    return (class_ == ClassListBox || isMultiline()) && (style_ & style::VScroll) &&
           rowCount() > visibleRows();
}

Box DialogItemWindow::scrollTrack() const {
    if (!showsScrollBar()) return Box();
    const Box in = inset(box_, 1);
    return Box(static_cast<std::int16_t>(in.x + in.w - ScrollWidth),
               static_cast<std::int16_t>(in.y + ScrollWidth), ScrollWidth,
               static_cast<std::int16_t>(std::max(0, in.h - 2 * ScrollWidth)));
}

Box DialogItemWindow::scrollThumb() const {
    const Box track = scrollTrack();
    if (track.h <= 0) return Box();
    // The thumb is as long as the share of rows shown, at least a square, and runs over the track's rest.
    const std::int32_t rows = rowCount(), shown = visibleRows(), last = rows - shown;
    const std::int32_t length = std::clamp<std::int32_t>(
        track.h * shown / rows, std::min<std::int32_t>(ScrollWidth, track.h), track.h);
    const std::int32_t at = last > 0 ? (track.h - length) * top_ / last : 0;
    return Box(track.x, static_cast<std::int16_t>(track.y + at), track.w, static_cast<std::int16_t>(length));
}

void DialogItemWindow::scrollRows(std::int32_t delta) {
    top_ = std::clamp(top_ + delta, 0, std::max(0, rowCount() - visibleRows()));
}

void DialogItemWindow::clickScrollBar(std::int16_t y) {
    const Box track = scrollTrack(), thumb = scrollThumb();
    if (track.h <= 0 && !showsScrollBar()) return;
    if (y < track.y)
        scrollRows(-1);
    else if (y >= track.y + track.h)
        scrollRows(1);
    else if (y < thumb.y)
        scrollRows(-visibleRows());
    else if (y >= thumb.y + thumb.h)
        scrollRows(visibleRows());
}

void DialogItemWindow::scrollToSelection() {
    if (selection_ == NoRow) return;
    if (selection_ < top_) top_ = selection_;
    if (selection_ >= top_ + visibleRows()) top_ = selection_ - visibleRows() + 1;
}

void DialogItemWindow::setSelection(std::int32_t anchor, std::int32_t caret) {
    const auto n = static_cast<std::int32_t>(text_.size());
    anchor_ = std::clamp(anchor, 0, n);
    caret_ = std::clamp(caret, 0, n);
    keepCaretInView();
}

bool DialogItemWindow::type(std::uint32_t code) {
    if (isReadOnly() || code < 32 || code == 0x7F) return false;
    const std::string letter = utf8Encode(code);
    const std::int32_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
    if (text_.size() - static_cast<std::size_t>(to - from) + letter.size() > EditLimit) return false;
    text_.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), letter);
    caret_ = anchor_ = from + static_cast<std::int32_t>(letter.size());
    keepCaretInView();
    return true;
}

bool DialogItemWindow::erase(bool backwards) {
    if (isReadOnly()) return false;
    std::int32_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
    if (from == to) {
        // A whole character goes, never a part of one.
        if (backwards && from > 0)
            from = static_cast<std::int32_t>(utf8Previous(text_, static_cast<std::size_t>(from)));
        else if (!backwards && to < static_cast<std::int32_t>(text_.size()))
            to = static_cast<std::int32_t>(utf8Next(text_, static_cast<std::size_t>(to)));
        else
            return false;
    }
    text_.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    caret_ = anchor_ = from;
    keepCaretInView();
    return true;
}

void DialogItemWindow::moveCaret(std::int32_t to, bool extend) {
    caret_ = std::clamp(to, 0, static_cast<std::int32_t>(text_.size()));
    if (!extend) anchor_ = caret_;
    keepCaretInView();
}

void DialogItemWindow::stepCaret(bool forwards, bool extend) {
    const auto at = static_cast<std::size_t>(caret_);
    moveCaret(static_cast<std::int32_t>(forwards ? utf8Next(text_, at) : utf8Previous(text_, at)), extend);
}

void DialogItemWindow::setRange(std::int32_t low, std::int32_t high) {
    low_ = std::min(low, high);
    high_ = std::max(low, high);
    setPosition(position_);
}

void DialogItemWindow::setPosition(std::int32_t position) {
    position_ = std::clamp(position, low_, high_);
}

std::int16_t DialogItemWindow::arrowLength() const {
    return (style_ & style::ScrollVertical)
               ? std::min<std::int16_t>(box_.w, static_cast<std::int16_t>(box_.h / 2))
               : std::min<std::int16_t>(box_.h, static_cast<std::int16_t>(box_.w / 2));
}

namespace {
// The pixels the thumb's start runs over, from just past the first arrow.
std::int32_t thumbRun(const Box& box, bool vertical, std::int16_t end) {
    return (vertical ? box.h : box.w) - 3 * end;
}
} // namespace

Box DialogItemWindow::barThumb() const {
    const bool vertical = style_ & style::ScrollVertical;
    const std::int16_t end = arrowLength();
    const std::int32_t run = thumbRun(box_, vertical, end);
    const std::int32_t span = std::max(1, high_ - low_);
    const auto at = static_cast<std::int16_t>(end + (run > 0 ? (position_ - low_) * run / span : 0));
    return vertical ? Box(box_.x, static_cast<std::int16_t>(box_.y + at), box_.w, end)
                    : Box(static_cast<std::int16_t>(box_.x + at), box_.y, end, box_.h);
}

std::int32_t DialogItemWindow::positionAt(std::int32_t along) const {
    const bool vertical = style_ & style::ScrollVertical;
    const std::int16_t end = arrowLength();
    const std::int32_t run = thumbRun(box_, vertical, end);
    if (run <= 0) return position_;
    // To the nearest position, so that the thumb follows the pointer both ways alike.
    const std::int32_t offset = std::clamp(along - end, 0, run);
    return std::clamp(low_ + (offset * (high_ - low_) + run / 2) / run, low_, high_);
}

void DialogItemWindow::draw(Display& target, bool focused) const {
    if (!visible_) return;
    const std::uint8_t black = Display::matchColour(0, 0, 0);
    const std::uint8_t white = Display::matchColour(255, 255, 255);
    const std::uint8_t dark = Display::matchColour(128, 128, 128);
    const std::uint8_t ink = enabled_ ? black : dark;
    const auto bevel = [&](const Box& b, bool raised) {
        target.fillRect(b, 192, 192, 192);
        const std::uint8_t tl = raised ? 255 : 128, br = raised ? 128 : 255;
        target.fillRect(Box(b.x, b.y, b.w, 1), tl, tl, tl);
        target.fillRect(Box(b.x, b.y, 1, b.h), tl, tl, tl);
        target.fillRect(Box(b.x, static_cast<std::int16_t>(b.y + b.h - 1), b.w, 1), br, br, br);
        target.fillRect(Box(static_cast<std::int16_t>(b.x + b.w - 1), b.y, 1, b.h), br, br, br);
    };
    const auto writeRow = [&](const Box& clip, std::int16_t y, const std::string& s, bool selected) {
        if (selected) target.fillRect(Box(clip.x, y, clip.w, RowHeight), 0, 0, 128);
        writeSystemText(target, clip, Point(static_cast<std::int16_t>(clip.x + 2), y), s,
                        selected ? white : ink, false);
    };
    // An edit of many rows shows its rows as a list box does, none of them selected.
    switch (isMultiline() ? std::uint16_t(ClassListBox) : class_) {
    case ClassEdit: {
        target.fillRect(box_, 255, 255, 255);
        target.frameRect(box_, 0, 0, 0);
        const Box in = inset(box_, 2);
        const std::int16_t y = static_cast<std::int16_t>(in.y + (in.h - RowHeight) / 2);
        const std::int32_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
        // The font is proportional: the caret and the selection go where the pen is after the characters,
        // less what the text is scrolled by to keep the caret in the field.
        const auto penAt = [&](std::int32_t n) {
            return in.x + 2 - scrolled_ +
                   systemTextWidth(text_.substr(0, static_cast<std::size_t>(n)), false);
        };
        // Nothing is drawn outside the field's inside.
        const auto clipped = [&](std::int32_t left, std::int32_t right) {
            left = std::max<std::int32_t>(left, in.x), right = std::min<std::int32_t>(right, in.x + in.w);
            return Box(static_cast<std::int16_t>(left), y,
                       static_cast<std::int16_t>(std::max(0, right - left)), RowHeight);
        };
        if (focused && from != to) {
            const Box selected = clipped(penAt(from), penAt(to));
            if (selected.w > 0) target.fillRect(selected, 0, 0, 128);
        }
        writeSystemText(target, in, Point(static_cast<std::int16_t>(in.x + 2 - scrolled_), y), text_, ink,
                        false);
        if (focused) {
            const Box bar = clipped(penAt(caret_), penAt(caret_) + 1);
            if (bar.w > 0) target.fillRect(bar, 0, 0, 0);
        }
        break;
    }
    case ClassListBox: {
        target.fillRect(box_, 255, 255, 255);
        target.frameRect(box_, 0, 0, 0);
        Box in = inset(box_, 1);
        if (showsScrollBar()) {
            in.w = static_cast<std::int16_t>(in.w - ScrollWidth);
            const Box track = scrollTrack(), thumb = scrollThumb();
            const Box bar(track.x, static_cast<std::int16_t>(track.y - ScrollWidth), ScrollWidth,
                          static_cast<std::int16_t>(track.h + 2 * ScrollWidth));
            target.fillRect(bar, 224, 224, 224);
            bevel(Box(bar.x, bar.y, ScrollWidth, ScrollWidth), true);
            bevel(Box(bar.x, static_cast<std::int16_t>(track.y + track.h), ScrollWidth, ScrollWidth), true);
            bevel(thumb, true);
        }
        for (std::int32_t i = top_; i < rowCount() && i < top_ + visibleRows(); ++i)
            writeRow(in, static_cast<std::int16_t>(in.y + (i - top_) * RowHeight),
                     rows_[static_cast<std::size_t>(i)].text, i == selection_);
        if (focused) target.frameRect(inset(box_, 1), 128, 128, 128);
        break;
    }
    case ClassComboBox: {
        const Box field(box_.x, box_.y, box_.w, static_cast<std::int16_t>(RowHeight + 2));
        target.fillRect(field, 255, 255, 255);
        target.frameRect(field, 0, 0, 0);
        const Box arrow(static_cast<std::int16_t>(field.x + field.w - ScrollWidth), field.y, ScrollWidth,
                        field.h);
        bevel(arrow, true);
        drawArrow(target, arrow, Pointing::Down, enabled_);
        const Box text(static_cast<std::int16_t>(field.x + 1), static_cast<std::int16_t>(field.y + 1),
                       static_cast<std::int16_t>(field.w - ScrollWidth - 2), RowHeight);
        if (const Row* r = row(selection_)) writeRow(text, text.y, r->text, focused);
        if (dropped_) {
            const Box list(box_.x, static_cast<std::int16_t>(field.y + field.h), box_.w,
                           static_cast<std::int16_t>(droppedBox().h - field.h));
            target.fillRect(list, 255, 255, 255);
            target.frameRect(list, 0, 0, 0);
            const Box in = inset(list, 1);
            for (std::int32_t i = top_; i < rowCount() && i < top_ + DroppedRows; ++i)
                writeRow(in, static_cast<std::int16_t>(in.y + (i - top_) * RowHeight),
                         rows_[static_cast<std::size_t>(i)].text, i == selection_);
        }
        break;
    }
    case ClassScrollBar: {
        // The track is a light stipple, so the raised thumb stands out from it.
        target.fillRect(box_, 255, 255, 255);
        for (std::int16_t y = 0; y < box_.h; ++y)
            for (std::int16_t x = static_cast<std::int16_t>(y % 2); x < box_.w; x += 2)
                target.fillRect(
                    Box(static_cast<std::int16_t>(box_.x + x), static_cast<std::int16_t>(box_.y + y), 1, 1),
                    192, 192, 192);
        const bool vertical = style_ & style::ScrollVertical;
        const std::int16_t end = arrowLength();
        const auto button = [&](const Box& b) {
            bevel(b, true);
            target.frameRect(b, 0, 0, 0);
            target.fillRect(Box(static_cast<std::int16_t>(b.x + 1), static_cast<std::int16_t>(b.y + 1),
                                static_cast<std::int16_t>(std::max(0, b.w - 2)), 1),
                            255, 255, 255);
            target.fillRect(Box(static_cast<std::int16_t>(b.x + 1), static_cast<std::int16_t>(b.y + 1), 1,
                                static_cast<std::int16_t>(std::max(0, b.h - 2))),
                            255, 255, 255);
        };
        if (vertical) {
            const Box first(box_.x, box_.y, box_.w, end),
                last(box_.x, static_cast<std::int16_t>(box_.y + box_.h - end), box_.w, end);
            button(first), button(last);
            drawArrow(target, first, Pointing::Up, enabled_);
            drawArrow(target, last, Pointing::Down, enabled_);
        } else {
            const Box first(box_.x, box_.y, end, box_.h),
                last(static_cast<std::int16_t>(box_.x + box_.w - end), box_.y, end, box_.h);
            button(first), button(last);
            drawArrow(target, first, Pointing::Left, enabled_);
            drawArrow(target, last, Pointing::Right, enabled_);
        }
        button(barThumb());
        break;
    }
    case ClassButton: // a group box keeps the window manager's look
        target.frameRect(Box(box_.x, static_cast<std::int16_t>(box_.y + 6), box_.w,
                             static_cast<std::int16_t>(std::max(0, box_.h - 6))),
                         128, 128, 128);
        writeSystemText(target, box_, Point(static_cast<std::int16_t>(box_.x + 6), box_.y), text_, ink,
                        false);
        break;
    case ClassBorShade:
        bevel(box_, false);
        break;
    case ClassBorStatic:
        writeSystemText(target, box_, Point(box_.x, box_.y), text_, ink, false);
        break;
    default:
        break;
    }
}

} // namespace vael
