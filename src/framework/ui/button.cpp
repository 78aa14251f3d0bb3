#include "framework/ui/button.h"

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/message_names.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "framework/ui/ui_message_names.h"
#include "framework/ui/win_app.h"
#include "framework/ui/windows_window.h"

namespace vael {

Button::Button(const std::string& archiveName, const std::string& group, BusMessage message,
               const std::string& statusText, const std::string& toolTipText, const char* name,
               std::int16_t toggle)
    : Tile(Box(), name ? name : "Unnamed button"), message_(message),
      images_(PictureArchive::open(archiveName)), toolTipText_(toolTipText), statusText_(statusText),
      imageGroup_(group), toggle_(toggle) {
    const Picture up = images_->drawable("UpEnabled", imageGroup_);
    if (up.exists()) imageSize_ = Dim(up.width(), up.height());
}

void Button::drawImage(const char* image) {
    const Picture picture = images_->drawable(image, imageGroup_);
    if (picture.exists()) drawPicture(Point(0, 0), picture);
}

void Button::draw() {
    if (isEnabled())
        isDown() ? drawDownEnabled() : drawUpEnabled();
    else
        isDown() ? drawDownDisabled() : drawUpDisabled();
    update();
}

void Button::enableMouseEvents() {
    for (std::int16_t kind : {1, 2, 4, 5, 6})
        enableMouseEvent(kind);
}

// A modal loop runs no queued task until it ends, and a dialog that leaves the frame's bars to the player
// (the start dialog) is one: what the button tells (its tip, its command) goes now, as an item chosen from
// the menu there does.
void Button::sendNamedIfAttached(const std::string& name, ContainerBase* data) {
    if (!getBus()) return;
    if (const WinApp* app = winApp(); app && app->modalDepth() > 0)
        dropAnswer(sendNowNamed(name, data));
    else
        sendNamed(name, data);
}

void Button::setStatus(const std::string& text) {
    if (Application* app = Application::instance()) app->setStatusText(text, 1);
}

// The state machine of a press.

void Button::leftButtonDown(const Point&) {
    if (!isEnabled() || (!toggle_ && isDown())) return;
    if (getBus()) dropAnswer(queryNamedEmpty(msg::ToolTipKill));
    tracking_ = 1;
    if (!captured()) captureMouse();
    enableMouseEvent(MouseMoved);
    flagsAtPress_ = flags_;
    flags_ |= Down;
    draw();
}

void Button::mouseMoved(const Point& point) {
    if (!isEnabled() || !tracking_ || (toggle_ && (flagsAtPress_ & Down))) return;
    flags_ = static_cast<std::uint16_t>(inside(point) ? flags_ | Down : flags_ & ~Down);
    draw();
}

void Button::leftButtonUp(const Point& point) {
    bool clicked = false;
    if (isEnabled() && tracking_) {
        clicked = inside(point);
        if (!toggle_ || ((flagsAtPress_ & Down) && clicked)) flags_ &= static_cast<std::uint16_t>(~Down);
    }
    if (tracking_) {
        if (captured() == this) releaseMouse();
        disableMouseEvent(MouseMoved);
        tracking_ = 0;
        Container<SetTextData> up(SetTextData(RegisteredMessage::getId("Sbar1"), "Up", 1));
        sendNamedIfAttached(msg::SetItemText, &up);
    }
    if (clicked) sendCommand();
    draw();
}

void Button::mouseHover(const Point&) {
    if (isDown() || tracking_) return;
    Container<short> on(1);
    sendNamedIfAttached(msg::ToolTipEnable, &on);
}

void Button::mouseEntered(const Point&) {
    if (!statusText_.empty()) setStatus(statusText_);
    Container<std::string> tip(toolTipText_);
    sendNamedIfAttached(msg::ToolTipText, &tip);
}

void Button::mouseLeft(const Point&) {
    if (!statusText_.empty()) setStatus(std::string());
    Container<short> off(0);
    sendNamedIfAttached(msg::ToolTipEnable, &off);
}

void Button::sendCommand() {
    Container<BusMessage> command(message_);
    sendNamedIfAttached(msg::Command, &command);
}

// The menu items' events.

void Button::enable(BusMessage command) {
    if (command != message_) return;
    flags_ |= Enabled;
    draw();
}

void Button::disable(BusMessage command) {
    if (command != message_) return;
    flags_ &= static_cast<std::uint16_t>(~Enabled);
    draw();
}

void Button::check(BusMessage command) {
    if (command != message_) return;
    flags_ |= Down;
    draw();
}

void Button::uncheck(BusMessage command) {
    if (command != message_) return;
    flags_ &= static_cast<std::uint16_t>(~Down);
    if (tracking_) {
        if (captured() == this) releaseMouse();
        disableMouseEvent(MouseMoved);
        tracking_ = 0;
    }
    draw();
}

void Button::connectHandlers() {
    for (std::int32_t event : {ENABLE_MENU_ITEM, DISABLE_MENU_ITEM, CHECK_MENU_ITEM, UNCHECK_MENU_ITEM})
        connect(event, &Button::onMenuItemEvent);
}

ContainerBase* Button::onMenuItemEvent(Component* target, BusMessage event, ContainerBase* data) {
    auto* button = dynamic_cast<Button*>(target);
    Assertion::check(button != nullptr, BadPayloadMessage, __FILE__, __LINE__);
    if (!button) return nullptr;
    // Past a bad payload the user chose to go on with: the event acts on the command word 0.
    BusMessage command(0);
    callWithPayload<BusMessage>(data, __FILE__, __LINE__, [&](const BusMessage& word) { command = word; });
    switch (event.id()) {
    case ENABLE_MENU_ITEM:
        button->enable(command);
        break;
    case DISABLE_MENU_ITEM:
        button->disable(command);
        break;
    case CHECK_MENU_ITEM:
        button->check(command);
        break;
    case UNCHECK_MENU_ITEM:
        button->uncheck(command);
        break;
    default:
        break;
    }
    return nullptr;
}

// MultiStateButton.

MultiStateButton::MultiStateButton(std::int32_t stateCount, const std::string& archiveName,
                                   const std::string& group, BusMessage message,
                                   const std::string& statusText, const std::string& toolTipText,
                                   const char* name)
    : Button(archiveName, group, message, statusText, toolTipText, name, 0),
      stateCount_(stateCount < 1 ? 1 : stateCount), defaultToolTipText_(toolTipText),
      defaultStatusText_(statusText) {
    const auto n = static_cast<std::size_t>(stateCount_);
    messages_.assign(n, message);
    imageGroups_.assign(n, group);
    statusTexts_.assign(n, statusText);
    toolTipTexts_.assign(n, toolTipText);
    stateEnabled_.assign(n, 1);
}

bool MultiStateButton::validState(std::int32_t state) const {
    const bool valid = state >= 0 && state < stateCount_;
    Assertion::check(valid, "Button state out of range", __FILE__, __LINE__);
    return valid;
}

std::int16_t MultiStateButton::stateEnabled(std::int32_t state) const {
    return state >= 0 && state < stateCount_ ? stateEnabled_[static_cast<std::size_t>(state)] : 0;
}

void MultiStateButton::setState(std::int32_t state, const std::string& group, BusMessage message,
                                const std::string& statusText, const std::string& toolTipText) {
    if (!validState(state)) return;
    const auto i = static_cast<std::size_t>(state);
    imageGroups_[i] = group;
    messages_[i] = message;
    statusTexts_[i] = statusText;
    toolTipTexts_[i] = toolTipText;
}

void MultiStateButton::showState(std::int32_t state) {
    if (!validState(state)) return;
    const auto i = static_cast<std::size_t>(state);
    currentState_ = state;
    message_ = messages_[i];
    flags_ = static_cast<std::uint16_t>(stateEnabled_[i] ? flags_ | Enabled : flags_ & ~Enabled);
    toolTipText_ = toolTipTexts_[i].empty() ? defaultToolTipText_ : toolTipTexts_[i];
    statusText_ = statusTexts_[i].empty() ? defaultStatusText_ : statusTexts_[i];
    imageGroup_ = imageGroups_[i];
    Container<std::string> tip(toolTipText_);
    sendNamedIfAttached(msg::ToolTipText, &tip);
    if (!statusText_.empty()) setStatus(statusText_);
    draw();
}

bool MultiStateButton::anyStateIs(BusMessage command) const {
    for (const BusMessage& m : messages_)
        if (m == command) return true;
    return false;
}

void MultiStateButton::sendCommand() {
    Container<BusMessage> command(messages_[static_cast<std::size_t>(currentState_)]);
    sendNamedIfAttached(msg::Command, &command);
}

void MultiStateButton::enable(BusMessage command) {
    for (std::size_t i = 0; i < messages_.size(); ++i)
        if (messages_[i] == command) {
            stateEnabled_[i] = 1;
            Button::enable(command);
        }
}

void MultiStateButton::disable(BusMessage command) {
    for (std::size_t i = 0; i < messages_.size(); ++i)
        if (messages_[i] == command) {
            stateEnabled_[i] = 0;
            Button::disable(command);
        }
}

void MultiStateButton::check(BusMessage command) {
    if (anyStateIs(command)) Button::check(command);
}

void MultiStateButton::uncheck(BusMessage command) {
    if (anyStateIs(command)) Button::uncheck(message_);
}

void MultiStateButton::commandIssued(BusMessage command) {
    if (command == messages_[static_cast<std::size_t>(currentState_)])
        showState((currentState_ + 1) % stateCount_);
}

} // namespace vael
