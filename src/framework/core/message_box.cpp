#include "framework/core/message_box.h"

#include <utility>

#include "framework/core/debug_stream.h"

namespace vael {

namespace {
MessageBoxFunction& installed() {
    static MessageBoxFunction function;
    return function;
}
} // namespace

MessageBoxFunction setMessageBox(MessageBoxFunction function) {
    MessageBoxFunction old = std::move(installed());
    installed() = std::move(function);
    return old;
}

std::int32_t messageBox(const std::string& text, const std::string& title, std::uint32_t style) {
    debugStream() << title << ": " << text << std::endl;
    return installed() ? installed()(text, title, style) : 0;
}

} // namespace vael
