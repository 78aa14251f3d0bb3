#include "framework/display/viewport.h"

#include "framework/core/answer.h"
#include "framework/display/display_message_names.h"

namespace vael {

Viewport::Viewport(ViewportWindow* display, const char* name)
    : AsynchronousBus(name ? name : "Unnamed Viewport"), display_(display) {}

Viewport::~Viewport() = default;

void Viewport::connectParent() {
    AsynchronousBus::connectParent();
    if (display_) display_->attach(*this);
}

void Viewport::detach() {
    if (display_) display_->detach();
    AsynchronousBus::detach();
}

void Viewport::changeViewport(const ViewportInfo& info) {
    if (((info.oldFlags ^ info.newFlags) & ReversedView) && getParent()) {
        // Deaf to the old side from now on; the layer of the other side takes the viewport up.
        unhookReceiveAll(forwardSend, forwardQuery, forwardNow);
        removeReceiveAll(getParent(), forwardSend, forwardQuery, forwardNow);
    }
    Container<ViewportInfo> box(info);
    if (getParent()) dropAnswer(parentSendNowNamed(msg::ChangeViewport, &box));
}

} // namespace vael
