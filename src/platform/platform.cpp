#include "platform/platform.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace vael::platform {

Platform::Watch* Platform::watchOf(std::int32_t socket) {
    for (Watch& w : watches_)
        if (w.socket == socket) return &w;
    return nullptr;
}

void Platform::watchSocket(std::int32_t socket, std::uint8_t interest, SocketHandler handler) {
    if (socket < 0) return;
    if (Watch* w = watchOf(socket)) {
        w->interest = interest;
        w->handler = std::move(handler);
        return;
    }
    watches_.push_back({socket, interest, std::move(handler), false});
}

void Platform::setSocketInterest(std::int32_t socket, std::uint8_t interest) {
    if (Watch* w = watchOf(socket)) w->interest = interest;
}

void Platform::unwatchSocket(std::int32_t socket) {
    std::erase_if(watches_, [socket](const Watch& w) { return w.socket == socket; });
}

void Platform::serviceSocket(const Event& event) {
    Watch* w = watchOf(event.socket);
    if (!w) return;
    w->waiting = false;
    // A copy: the handler may unwatch the socket, or watch others, while it runs.
    const SocketHandler handler = w->handler;
    if (handler) handler(event.socket, event.readiness);
}

std::uint32_t Platform::startHandledTimer(std::uint32_t period, TimerHandler handler) {
    const std::uint32_t timer = startTimer(period);
    if (timer) handledTimers_.push_back({timer, std::move(handler)});
    return timer;
}

void Platform::stopHandledTimer(std::uint32_t timer) {
    const auto before = handledTimers_.size();
    std::erase_if(handledTimers_, [timer](const HandledTimer& t) { return t.timer == timer; });
    if (handledTimers_.size() != before) stopTimer(timer);
}

bool Platform::serviceTimer(const Event& event) {
    if (event.kind != EventKind::TimerTick) return false;
    for (const HandledTimer& t : handledTimers_)
        if (t.timer == event.timer) {
            // A copy: the handler may stop its timer, or start others, while it runs.
            const TimerHandler handler = t.handler;
            if (handler) handler(event.time);
            return true;
        }
    return false;
}

std::int32_t Platform::pollSockets(std::int32_t timeoutMs) {
    std::vector<pollfd> fds;
    for (const Watch& w : watches_)
        if (!w.waiting) {
            short events = 0;
            if (w.interest & SocketReadable) events |= POLLIN;
            if (w.interest & SocketWritable) events |= POLLOUT;
            fds.push_back({w.socket, events, 0});
        }
    if (fds.empty()) return 0;
    int ready = 0;
    do
        ready = ::poll(fds.data(), fds.size(), timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0) return 0;
    std::int32_t queued = 0;
    for (const pollfd& p : fds) {
        if (p.revents == 0) continue;
        Watch* w = watchOf(p.fd);
        if (!w) continue;
        Event event;
        event.kind = EventKind::SocketReady;
        event.socket = p.fd;
        event.readiness = static_cast<std::uint8_t>(((p.revents & POLLIN) ? SocketReadable : 0) |
                                                    ((p.revents & POLLOUT) ? SocketWritable : 0) |
                                                    ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) ? SocketHungUp : 0));
        w->waiting = true;
        postEvent(event);
        ++queued;
    }
    return queued;
}

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
