#pragma once
// One of the application's sixteen timer slots. All slots are driven by one system timer whose period is
// the shortest period of any active slot; each tick advances every running slot by that period.
#include <cstdint>

#include "framework/core/callback.h"

namespace vael {

class TimerCallback {
public:
    static constexpr std::uint32_t Free = 0;
    static constexpr std::uint32_t Running = 1;
    static constexpr std::uint32_t Paused = 2;

    // Fills the slot; 0 when the minimum period changed (it became this period), 1 when not.
    std::int16_t set(const Callback& callback, std::uint32_t period, std::uint32_t state);
    // Frees the slot; 0 when it had the minimum period (which is then unset), 1 when not.
    std::int16_t clear();
    // Lowers the minimum period to this slot's period when that is shorter, or when none is set.
    void updateMinimum();
    // Advances the slot by the minimum period and, when it is due, calls its handler with TIMER_CLICK and
    // the time, keeping the remainder.
    void tick(std::uint32_t time);

    std::uint16_t elapsed = 0;
    std::uint32_t state = Free;
    std::uint32_t period = 0;
    Callback callback;

    // Shared by all slots: how many are active, and the shortest period among them (-1 when none).
    static std::int16_t activeCount;
    static std::int16_t minimumPeriod;
    // A new application starts with no active slot.
    static void resetShared() {
        activeCount = 0;
        minimumPeriod = -1;
    }
};

} // namespace vael
