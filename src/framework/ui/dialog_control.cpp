#include "framework/ui/dialog_control.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/ui/win_app.h"
#include "framework/ui/windows_window.h"

namespace vael {

ItemView::ItemView(Display& owner, const Box& box) : Display(Dim(0, 0)) {
    const std::int32_t x0 = std::clamp<std::int32_t>(box.x, 0, owner.width());
    const std::int32_t y0 = std::clamp<std::int32_t>(box.y, 0, owner.height());
    const std::int32_t x1 = std::clamp<std::int32_t>(box.x + box.w, x0, owner.width());
    const std::int32_t y1 = std::clamp<std::int32_t>(box.y + box.h, y0, owner.height());
    box_ = Box(static_cast<std::int16_t>(x0), static_cast<std::int16_t>(y0),
               static_cast<std::int16_t>(x1 - x0), static_cast<std::int16_t>(y1 - y0));
    if (box_.w > 0 && box_.h > 0 && owner.bits())
        viewPixels(owner.bits() + y0 * owner.stride() + x0, Dim(box_.w, box_.h),
                   static_cast<std::uint16_t>(owner.stride() - box_.w));
}

ItemView::~ItemView() {
    viewPixels(nullptr, Dim(0, 0), 0);
}

DialogControl::DialogControl(WindowHandle controlWindow, const std::string& label, const Point& labelOffset,
                             const std::string& archiveName)
    : images_(PictureArchive::open(archiveName)), controlWindow_(controlWindow), label_(label),
      labelOffset_(labelOffset) {
    if (!sharedFont_) sharedFont_ = new DialogFont(FontName);
    ++live_;
}

DialogControl::~DialogControl() {
    if (--live_ == 0) {
        delete sharedFont_;
        sharedFont_ = nullptr;
    }
}

DialogControl::RemapSource DialogControl::setDisabledRemap(RemapSource source) {
    const RemapSource previous = disabledRemap_;
    disabledRemap_ = source;
    return previous;
}

void DialogControl::invalidateWindow() {
    if (WinApp* app = winApp()) app->postMessage(controlWindow_, MessagePaint, 0, 0);
}

void DialogControl::drawImage(Display& target, const Point& at, const Picture& picture, std::int16_t mode) {
    if (!picture.exists()) return;
    const std::uint8_t* table = mode == 2 && disabledRemap_ ? disabledRemap_() : nullptr;
    if (!table) {
        target.drawPicture(at, picture);
        return;
    }
    // A remapped copy; byte 0 stays transparent in a keyed picture.
    const platform::Surface& s = picture.surface;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(s.width) * s.height);
    for (std::int32_t y = 0; y < s.height; ++y)
        for (std::int32_t x = 0; x < s.width; ++x) {
            const std::uint8_t c = s.pixels[y * s.pitch + x];
            rows[y * s.width + x] = picture.kind != PictureOpaque && c == 0 ? c : table[c];
        }
    Picture grey = picture;
    grey.surface = {rows.data(), s.width, s.height, s.width};
    target.drawPicture(at, grey);
}

Box DialogControl::labelBox(const Dim& size) const {
    DialogFont& font = *sharedFont_;
    const Box e = font.textExtent(label_);
    // Below the baseline the label takes the descent or the mnemonic's underline, whichever reaches lower.
    const std::int16_t below = std::max<std::int16_t>(font.descent(), DialogFont::UnderlineDrop + 1);
    const std::int16_t ascent = font.ascent(), height = static_cast<std::int16_t>(ascent + below);
    const std::int16_t x =
        labelOffset_.x == Centred ? static_cast<std::int16_t>((size.w - e.w) / 2) : labelOffset_.x;
    const std::int16_t top = labelOffset_.y == Centred ? static_cast<std::int16_t>((size.h - height) / 2)
                                                       : static_cast<std::int16_t>(labelOffset_.y - ascent);
    return Box(x, top, e.w, height);
}

void DialogControl::drawLabel(Display& target, const Point& offset, std::uint16_t itemState) {
    DialogFont& font = *sharedFont_;
    const Box label = labelBox(Dim(target.width(), target.height()));
    const Point p(static_cast<std::int16_t>(label.x + offset.x),
                  static_cast<std::int16_t>(label.y + font.ascent() + offset.y));
    const std::int16_t strength = (itemState & ItemDisabled) ? Font::LightStrength : 3;
    const Box underline = font.drawTextUnderlined(target, p, label_, strength);
    if (itemState & ItemFocus) {
        // Round the label, but never over the bevel of a button's face.
        const std::int32_t edge = faceEdge();
        const std::int32_t left = std::max(p.x - 2, edge),
                           top = std::max<std::int32_t>(label.y + offset.y - 1, edge);
        const std::int32_t right = std::min(p.x + label.w + 2, target.width() - edge);
        const std::int32_t bottom =
            std::min<std::int32_t>(label.y + offset.y + label.h + 1, target.height() - edge);
        const auto row = [&](std::int32_t from, std::int32_t to, std::int32_t y) {
            if (to > from)
                target.fillRect(Box(static_cast<std::int16_t>(from), static_cast<std::int16_t>(y),
                                    static_cast<std::int16_t>(to - from), 1),
                                100, 100, 100);
        };
        // On a button its label nearly fills, the frame's bottom comes down onto the letter's underline, where
        // a line drawn through would swallow it: the frame leaves a pixel's gap either side of the underline,
        // which is drawn again over it, so that the letter stays marked.
        const bool crossed = underline.w > 0 && underline.y <= bottom - 1 && bottom - 1 < underline.y + underline.h;
        if (right > left && bottom > top && crossed) {
            row(left, right, top);
            target.fillRect(Box(static_cast<std::int16_t>(left), static_cast<std::int16_t>(top), 1,
                                static_cast<std::int16_t>(bottom - top)),
                            100, 100, 100);
            target.fillRect(Box(static_cast<std::int16_t>(right - 1), static_cast<std::int16_t>(top), 1,
                                static_cast<std::int16_t>(bottom - top)),
                            100, 100, 100);
            row(left, std::min<std::int32_t>(right, underline.x - 1), bottom - 1);
            row(std::max<std::int32_t>(left, underline.x + underline.w + 1), right, bottom - 1);
        } else if (right > left && bottom > top) {
            target.frameRect(Box(static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                                 static_cast<std::int16_t>(right - left),
                                 static_cast<std::int16_t>(bottom - top)),
                             100, 100, 100);
        }
        if (underline.w > 0 && right > left && bottom > top) {
            const std::uint8_t grey = DialogFont::underlineGrey(strength);
            target.frameRect(underline, grey, grey, grey);
        }
    }
}

DialogButton::DialogButton(WindowHandle controlWindow, const std::string& label, const Point& labelOffset,
                           const std::string& archiveName, std::int16_t isDefault, BusMessage message)
    : DialogControl(controlWindow, label, labelOffset, archiveName), isDefault_(isDefault),
      message_(message) {}

void DialogButton::onNotify(std::uint16_t code) {
    if (static_cast<std::int16_t>(code) < 1) click();
}

void DialogButton::click() {
    if (message_.id() != 0 && getBus()) sendEmpty(message_);
}

void DialogButton::setCheck(std::int16_t checked) {
    checked_ = checked;
    invalidateWindow();
}

bool DialogButton::isPush() const {
    return std::strcmp(group(), "Pushbutton") == 0;
}

Point DialogButton::placeOf(Display& target, const Picture& picture) const {
    if (isPush())
        return Point(static_cast<std::int16_t>((target.width() - picture.width()) / 2),
                     static_cast<std::int16_t>((target.height() - picture.height()) / 2));
    return Point(0, static_cast<std::int16_t>(target.height() / 2 - picture.height() / 2));
}

void DialogButton::draw(Display& target, std::uint16_t itemState) {
    const std::uint16_t s = itemState & 15;
    if (s == ItemSelected)
        drawDown(target, itemState);
    else if (s == ItemDisabled)
        drawDisabled(target, itemState);
    else
        drawUp(target, itemState);
    if (checked_) drawChecked(target, itemState);
}

// The pictures' hot spots are where they land, so the corner of the box the picture goes to is moved by
// it.
namespace {
Point withHotSpot(const Point& corner, const Picture& picture) {
    return Point(static_cast<std::int16_t>(corner.x + picture.hotSpot.x),
                 static_cast<std::int16_t>(corner.y + picture.hotSpot.y));
}
} // namespace

void DialogButton::drawFace(Display& target, const Picture& face, std::int16_t mode) {
    if (!isPush() || !face.exists()) {
        drawImage(target, withHotSpot(placeOf(target, face), face), face, mode);
        return;
    }
    // A push button's face fills its box inside the two rows the default frame takes, whatever the box's
    // size: the corners and edges are kept and the middle rows and columns are repeated or left out.
    const std::int32_t w = std::max(0, target.width() - 4), h = std::max(0, target.height() - 4);
    const platform::Surface& s = face.surface;
    if (w == 0 || h == 0 || s.width == 0 || s.height == 0) return;
    const auto source = [](std::int32_t at, std::int32_t size, std::int32_t from) {
        const std::int32_t half = std::min(size / 2, from / 2);
        if (at < half) return at;
        if (at >= size - (from - half)) return at - (size - from);
        return std::min(half, from - 1);
    };
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(w) * h);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            rows[static_cast<std::size_t>(y * w + x)] =
                s.pixels[source(y, h, s.height) * s.pitch + source(x, w, s.width)];
    Picture fitted = face;
    fitted.surface = {rows.data(), w, h, w};
    fitted.hotSpot = Point(0, 0);
    drawImage(target, Point(2, 2), fitted, mode);
}

void DialogButton::drawUp(Display& target, std::uint16_t itemState) {
    drawFace(target, picture("Up"), 1);
    drawLabel(target, Point(0, 0), itemState);
}

void DialogButton::drawDown(Display& target, std::uint16_t itemState) {
    drawFace(target, picture("Down"), 1);
    drawLabel(target, isPush() ? Point(2, 2) : Point(0, 0), itemState);
}

void DialogButton::drawChecked(Display& target, std::uint16_t itemState) {
    if (!isPush()) {
        // The mark sits where the "Down" picture would.
        const Picture down = picture("Down");
        const Picture check = picture("Check");
        drawImage(target, withHotSpot(placeOf(target, down), check), check, 1);
    }
    drawLabel(target, Point(0, 0), itemState);
}

void DialogButton::drawDisabled(Display& target, std::uint16_t itemState) {
    drawFace(target, picture("Up"), 2);
    drawLabel(target, Point(0, 0), itemState);
}

DialogCheck::DialogCheck(WindowHandle controlWindow, const std::string& label, const std::string& archiveName,
                         std::int16_t initialCheck)
    : DialogButton(controlWindow, label, Point(18, Centred), archiveName, 0) {
    checked_ = initialCheck;
}

void DialogCheck::click() {
    setCheck(checked_ ? 0 : 1);
    DialogButton::click();
    invalidateWindow();
}

DialogRadio::DialogRadio(WindowHandle controlWindow, const std::string& label, const std::string& archiveName)
    : DialogButton(controlWindow, label, Point(16, Centred), archiveName, 0) {}

void DialogRadio::click() {
    setCheck(1);
    Item<DialogRadio*>* n = nullptr;
    for (group_.firstItem(n); n; n = n->next)
        if (n->value != this) n->value->setCheck(0);
    DialogButton::click();
}

std::int16_t DialogRadio::selectedIndex() const {
    std::int16_t position = 0;
    Item<DialogRadio*>* n = nullptr;
    for (group_.firstItem(n); n; n = n->next, ++position)
        if (n->value->getCheck()) return position;
    return 0;
}

void DialogRadio::select(std::int16_t position) {
    std::int16_t k = 0;
    Item<DialogRadio*>* n = nullptr;
    for (group_.firstItem(n); n; n = n->next, ++k)
        n->value->setCheck(k == position ? 1 : 0);
}

} // namespace vael
