#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <chrono>

namespace vael::platform {

HeadlessPlatform::HeadlessPlatform(std::filesystem::path settingsFile)
    : screen_([](Rgb c) { return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b; }),
      settings_(std::move(settingsFile)) {}

HeadlessPlatform::Timer* HeadlessPlatform::timer(std::uint32_t id) {
    for (Timer& t : timers_)
        if (t.id == id) return &t;
    return nullptr;
}

bool HeadlessPlatform::take(Event& event) {
    std::lock_guard lock(mutex_);
    while (!queue_.empty()) {
        event = std::move(queue_.front());
        queue_.pop_front();
        if (event.kind != EventKind::TimerTick) return true;
        // The tick of a timer stopped since it was queued is dropped.
        if (Timer* t = timer(event.timer)) {
            t->tickWaiting = false;
            return true;
        }
    }
    return false;
}

bool HeadlessPlatform::pollEvent(Event& event) {
    if (take(event)) return true;
    return watchingSockets() && pollSockets(0) > 0 && take(event);
}

bool HeadlessPlatform::waitEvent(Event& event) {
    if (take(event)) return true;
    // A socket that is ready comes before time moves on: the virtual clock does not wait for the network.
    if (watchingSockets() && pollSockets(0) > 0 && take(event)) return true;
    // Nothing queued: the next event is a tick, so time moves on to it, or else bytes from the network.
    const Timer* next = nullptr;
    bool ownTimer = false;
    for (const Timer& t : timers_) {
        if (!t.tickWaiting && (!next || std::int32_t(t.due - next->due) < 0)) next = &t;
        ownTimer = ownTimer || !isHandledTimer(t.id);
    }
    if (next) {
        const std::uint32_t wait = next->due - now_;
        if (networkInRealTime && watchingSockets() && !ownTimer) {
            // Nothing of the program's own is due: it waits on other machines, and the clock keeps the
            // wall's pace meanwhile, woken by what they send. While one of its own timers runs (a pause of
            // the battle, say), the ticks of the network's jump like any other: the program is not waiting
            // on anybody, and a keep-alive's tick must not hold its timer back by a real wait.
            const auto start = std::chrono::steady_clock::now();
            if (pollSockets(static_cast<std::int32_t>(std::min<std::uint32_t>(wait, 0x7FFFFFFF))) > 0) {
                const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start);
                advance(static_cast<std::uint32_t>(
                    std::min<std::int64_t>(wait, std::max<std::int64_t>(0, spent.count()))));
                return take(event);
            }
        }
        advance(wait);
        return take(event);
    }
    if (!watchingSockets()) return false;
    const auto start = std::chrono::steady_clock::now();
    while (watchingSockets()) {
        if (pollSockets(100) > 0 && take(event)) return true;
        if (take(event)) return true; // posted from another thread meanwhile
        const auto waited = std::chrono::steady_clock::now() - start;
        if (socketWaitLimit > 0 && waited >= std::chrono::milliseconds(socketWaitLimit)) return false;
    }
    return take(event);
}

bool HeadlessPlatform::eventWaiting() {
    {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) return true;
    }
    if (!watchingSockets()) return false;
    // The bus asks before every task it runs: a look at the sockets each time costs a system call per
    // message, several times the message itself. Once a millisecond is soon enough for what is on its way;
    // waiting for an event always looks at once.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastSocketLook_ < socketLookInterval) return false;
    lastSocketLook_ = now;
    return pollSockets(0) > 0;
}

std::size_t HeadlessPlatform::queuedEvents() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void HeadlessPlatform::postEvent(const Event& event) {
    std::lock_guard lock(mutex_);
    queue_.push_back(event);
    queue_.back().time = now_;
}

std::uint32_t HeadlessPlatform::startTimer(std::uint32_t period) {
    if (period == 0) return 0;
    const std::uint32_t id = nextTimer_++;
    if (nextTimer_ == 0) nextTimer_ = 1;
    timers_.push_back({id, period, now_ + period, false});
    return id;
}

bool HeadlessPlatform::stopTimer(std::uint32_t id) {
    const auto it = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    return true;
}

std::uint32_t HeadlessPlatform::timerPeriod(std::uint32_t id) const {
    for (const Timer& t : timers_)
        if (t.id == id) return t.period;
    return 0;
}

std::uint32_t HeadlessPlatform::tickCount() {
    return now_;
}

void HeadlessPlatform::advance(std::uint32_t ms) {
    const std::uint32_t end = now_ + ms;
    for (;;) {
        Timer* next = nullptr;
        for (Timer& t : timers_)
            if (std::int32_t(t.due - end) <= 0 && (!next || std::int32_t(t.due - next->due) < 0)) next = &t;
        if (!next) break;
        now_ = next->due;
        if (!next->tickWaiting) {
            Event tick;
            tick.kind = EventKind::TimerTick;
            tick.timer = next->id;
            postEvent(tick);
            next->tickWaiting = true;
            next->due += next->period;
        } else {
            // Ticks that fall due while one waits are lost, as on a real queue; the next is after `end`.
            next->due += ((end - next->due) / next->period + 1) * next->period;
        }
    }
    now_ = end;
}

bool HeadlessPlatform::openWindow(std::int32_t width, std::int32_t height, const std::string& title) {
    if (width <= 0 || height <= 0) return false;
    open_ = true;
    title_ = title;
    screen_.resize(width, height);
    rgb_.assign(std::size_t(width) * height, screen_.encoded(0));
    return true;
}

void HeadlessPlatform::closeWindow() {
    open_ = false;
    screen_.resize(0, 0);
    rgb_.clear();
}

void HeadlessPlatform::setPalette(const Rgb* colours, std::int32_t first, std::int32_t count) {
    if (!colours || !screen_.setColours(colours, first, count) || !open_) return;
    screen_.expand({0, 0, screen_.width(), screen_.height()}, reinterpret_cast<std::uint8_t*>(rgb_.data()),
                   screen_.width() * 4);
}

void HeadlessPlatform::present(const Surface& picture, std::int32_t x, std::int32_t y, const Rect* boxes,
                               std::int32_t count) {
    if (!open_) return;
    ++presents;
    presentedBoxes = screen_.copy(picture, x, y, boxes, count);
    for (const Rect& box : presentedBoxes)
        screen_.expand(box, reinterpret_cast<std::uint8_t*>(rgb_.data()), screen_.width() * 4);
}

MessageAnswer HeadlessPlatform::messageBox(const std::string& text, const std::string& title,
                                           MessageButtons buttons, MessageIcon icon) {
    boxes.push_back({text, title, buttons, icon});
    if (answers.empty()) return cautiousAnswer(buttons);
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<MessageAnswer> HeadlessPlatform::systemMessageBox(const std::string& text, const std::string& title,
                                                                MessageButtons buttons, MessageIcon icon) {
    systemBoxes.push_back({text, title, buttons, icon});
    if (systemAnswers.empty()) return std::nullopt;
    const MessageAnswer answer = systemAnswers.front();
    systemAnswers.pop_front();
    return answer;
}

std::optional<std::string> HeadlessPlatform::chooseFile(const std::string& description,
                                                        const std::string& pattern) {
    fileChoices.push_back({description, pattern});
    if (chosenFiles.empty()) return std::nullopt;
    auto chosen = std::move(chosenFiles.front());
    chosenFiles.pop_front();
    return chosen;
}

bool HeadlessPlatform::setClipboardText(const std::string& text) {
    if (clipboardRefuses) return false;
    clipboard = text;
    return true;
}

} // namespace vael::platform
