#include "framework/ui/spinner.h"

#include <algorithm>
#include <string>

#include "framework/core/answer.h"
#include "framework/core/bus.h"

namespace vael {

Spinner::Spinner(std::int16_t minimum, std::int16_t maximum, std::int16_t value, std::int16_t step)
    : Tile(Box(), "Unnamed Spinner"), images_(PictureArchive::open("Spinner")) {
    topUp_ = images_->drawable("Top end up", "Vertical");
    topDown_ = images_->drawable("Top end down", "Vertical");
    bottomUp_ = images_->drawable("Bottom end up", "Vertical");
    bottomDown_ = images_->drawable("Bottom end down", "Vertical");
    placeArrows();
    maximum_ = maximum;
    minimum_ = minimum;
    step_ = step;
    value_ = value;
}

Spinner::~Spinner() {
    if (timerActive_) killTimer(&Spinner::onRepeat);
}

DialogFont& Spinner::font() {
    if (!sharedFont_) sharedFont_ = std::make_unique<DialogFont>("MS Sans Serif 2");
    return *sharedFont_;
}

void Spinner::closeSharedFont() {
    sharedFont_.reset();
}

Dim Spinner::imageSize() const {
    return Dim(topUp_.width(), topUp_.height());
}

void Spinner::placeArrows() {
    const Dim s = imageSize();
    upBox_ = Box(static_cast<std::int16_t>(width() - s.w - 1), 1, s.w, s.h);
    downBox_ = Box(upBox_.x, static_cast<std::int16_t>(upBox_.y + upBox_.h + 1), s.w, s.h);
}

void Spinner::resize(const Dim& size) {
    Tile::resize(size);
    placeArrows();
}

void Spinner::setValue(std::int16_t value) {
    value_ = value;
    refresh();
}

// Drawing.

void Spinner::draw() {
    frameRect(Box(0, 0, width(), height()), 0, 0, 0);
    const std::string text = std::to_string(value_);
    const Box extent = font().textExtent(text);
    font().drawText(*this,
                    Point(static_cast<std::int16_t>(upBox_.x / 2 - extent.w / 2),
                          static_cast<std::int16_t>(height() / 2 + extent.h / 2)),
                    text, 2);
    if (topPicture_->exists()) drawWholeBitmap(Point(upBox_.x, upBox_.y), topPicture_->surface);
    if (bottomPicture_->exists()) drawWholeBitmap(Point(downBox_.x, downBox_.y), bottomPicture_->surface);
    Display::draw();
}

void Spinner::refresh() {
    invalidateTree(Box(0, 0, width(), height()));
    if (Display* root = rootDisplay()) root->draw();
    draw();
    update();
}

// Stepping.

void Spinner::tell(const char* name) {
    if (getBus()) dropAnswer(sendNowNamedEmpty(name));
}

void Spinner::increment() {
    value_ = static_cast<std::int16_t>(std::min<std::int32_t>(value_ + step_, maximum_));
    tell("SPINNER_INCREMENT");
    refresh();
}

void Spinner::decrement() {
    value_ = static_cast<std::int16_t>(std::max<std::int32_t>(value_ - step_, minimum_));
    tell("SPINNER_DECREMENT");
    refresh();
}

// The mouse.

void Spinner::enableMouseEvents() {
    if (!enabled_) return;
    enableMouseEvent(MouseLeftDown);
    enableMouseEvent(MouseLeftDoubleClick);
}

void Spinner::setMouseEnabled(std::int16_t enabled) {
    if ((enabled != 0) != (enabled_ != 0)) {
        if (enabled) {
            enableMouseEvent(MouseLeftDown);
            enableMouseEvent(MouseLeftDoubleClick);
        } else {
            disableMouseEvent(MouseLeftDown);
            disableMouseEvent(MouseLeftDoubleClick);
        }
    }
    enabled_ = enabled;
}

void Spinner::leftButtonDown(const Point& p) {
    if (upBox_.contains(p)) {
        topPicture_ = &topDown_;
        pressedArrow_ = 0;
        increment();
    } else if (downBox_.contains(p)) {
        bottomPicture_ = &bottomDown_;
        pressedArrow_ = 1;
        decrement();
    } else {
        return;
    }
    if (!captured()) captureMouse();
    enableMouseEvent(MouseLeftUp);
    repeatDelay_ = RepeatDelay;
    // A double click arrives while the first press's timer may still run: one timer is enough.
    if (!timerActive_) addTimer(&Spinner::onRepeat, RepeatRate);
    timerActive_ = 1;
}

void Spinner::leftButtonUp(const Point&) {
    timerActive_ = 0;
    killTimer(&Spinner::onRepeat);
    if (captured() == this) releaseMouse();
    disableMouseEvent(MouseLeftUp);
    topPicture_ = &topUp_;
    bottomPicture_ = &bottomUp_;
    draw();
    update();
}

ContainerBase* Spinner::onRepeat(Component* target, BusMessage, ContainerBase*) {
    if (auto* spinner = dynamic_cast<Spinner*>(target)) spinner->repeat();
    return nullptr;
}

void Spinner::repeat() {
    if (repeatDelay_ > 0) {
        --repeatDelay_;
        return;
    }
    // Repeating pauses while the pointer is off the held arrow and goes on when it comes back.
    const Point p = cursorPosition();
    const bool up = pressedArrow_ == 0;
    const Picture*& shown = up ? topPicture_ : bottomPicture_;
    if ((up ? upBox_ : downBox_).contains(p)) {
        shown = up ? &topDown_ : &bottomDown_;
        up ? increment() : decrement();
    } else if (shown == (up ? &topDown_ : &bottomDown_)) {
        shown = up ? &topUp_ : &bottomUp_;
        refresh();
    }
}

} // namespace vael
