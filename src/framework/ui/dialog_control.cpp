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
    box_ = Box(static_cast<std::int16_t>(x0), static_cast<std::int16_t>(y0), static_cast<std::int16_t>(x1 - x0),
               static_cast<std::int16_t>(y1 - y0));
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

void DialogControl::drawLabel(Display& target, const Point& offset, std::uint16_t itemState) {
    DialogFont& font = *sharedFont_;
    Point p = labelOffset_;
    const Box r(0, 0, target.width(), target.height());
    const Box e = font.textExtent(label_);
    const std::int16_t ascent = font.ascent();
    if (labelOffset_.x == Centred) p.x = static_cast<std::int16_t>((r.w - e.w) / 2);
    if (labelOffset_.y == Centred) p.y = static_cast<std::int16_t>(ascent / 2 + r.h / 2);
    p = Point(static_cast<std::int16_t>(p.x + offset.x), static_cast<std::int16_t>(p.y + offset.y));
    font.drawText(target, p, label_, (itemState & ItemDisabled) ? 1 : 3);
    if (itemState & ItemFocus)
        target.frameRect(Box(static_cast<std::int16_t>(p.x - 2), static_cast<std::int16_t>(p.y - ascent - 2),
                             static_cast<std::int16_t>(e.w + 4), static_cast<std::int16_t>(ascent + 4)),
                         100, 100, 100);
}

DialogButton::DialogButton(WindowHandle controlWindow, const std::string& label, const Point& labelOffset,
                           const std::string& archiveName, std::int16_t isDefault, BusMessage message)
    : DialogControl(controlWindow, label, labelOffset, archiveName), isDefault_(isDefault), message_(message) {}

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

void DialogButton::drawUp(Display& target, std::uint16_t itemState) {
    const Picture up = picture("Up");
    drawImage(target, withHotSpot(placeOf(target, up), up), up, 1);
    drawLabel(target, Point(0, 0), itemState);
}

void DialogButton::drawDown(Display& target, std::uint16_t itemState) {
    const Picture down = picture("Down");
    drawImage(target, withHotSpot(placeOf(target, down), down), down, 1);
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
    const Picture up = picture("Up");
    drawImage(target, withHotSpot(placeOf(target, up), up), up, 2);
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
