#include "platform/platform.h"

namespace vael::platform {

MessageAnswer cautiousAnswer(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::AbortRetryIgnore:
        return MessageAnswer::Ignore;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetryCancel:
        break;
    }
    return MessageAnswer::Cancel;
}

} // namespace vael::platform
