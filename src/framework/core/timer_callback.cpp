#include "framework/core/timer_callback.h"

#include <algorithm>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/container.h"

namespace vael {

std::int16_t TimerCallback::activeCount = 0;
std::int16_t TimerCallback::minimumPeriod = -1;

std::int16_t TimerCallback::set(const Callback& cb, std::uint32_t p, std::uint32_t s) {
    elapsed = 0;
    state = s;
    period = p;
    callback = cb;
    ++activeCount;
    if (minimumPeriod < 0 || static_cast<std::int32_t>(minimumPeriod) > static_cast<std::int32_t>(period)) {
        minimumPeriod = static_cast<std::int16_t>(period);
        return 0;
    }
    return 1;
}

std::int16_t TimerCallback::clear() {
    state = Free;
    elapsed = 0;
    --activeCount;
    if (static_cast<std::int32_t>(minimumPeriod) == static_cast<std::int32_t>(period)) {
        minimumPeriod = -1;
        return 0;
    }
    return 1;
}

void TimerCallback::updateMinimum() {
    if (minimumPeriod < 0 || static_cast<std::int32_t>(period) < minimumPeriod)
        minimumPeriod = static_cast<std::int16_t>(period);
}

namespace {
// The handlers whose call has not returned yet: a loop nested in one (a box it opened) may tick the slots.
std::vector<Callback> running;
} // namespace

void TimerCallback::tick(std::uint32_t time) {
    // A handler is never called again inside itself: its slot misses the ticks that come meanwhile.
    if (std::find(running.begin(), running.end(), callback) != running.end()) return;
    elapsed = static_cast<std::uint16_t>(elapsed + minimumPeriod);
    if (static_cast<std::int32_t>(elapsed) < static_cast<std::int32_t>(period)) return;
    elapsed = static_cast<std::uint16_t>(elapsed % period);
    Container<long> when(static_cast<long>(time));
    running.push_back(callback);
    // Taken off also when the handler's failed check is answered with abort.
    struct Returned {
        ~Returned() { running.pop_back(); }
    } returned;
    delete callback.call(BusMessage(TIMER_CLICK), &when); // the reply of a timer handler is not used
}

} // namespace vael
