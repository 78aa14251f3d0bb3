#pragma once
// Test support: runs the game's messages, as its loop does, until done() or nothing is left to do.
#include <functional>

#include "game/shell/vael_app.h"

namespace vael::test {

// False when it stopped short: nothing more to do before done(), or more than cap tasks run.
inline bool runUntil(VaelApp& app, const std::function<bool()>& done, long cap = 3'000'000) {
    for (long tasks = 0; !done(); ++tasks) {
        if (tasks > cap) return false;
        if (app.queuedTasks() > 0) {
            app.dispatchOne();
            continue;
        }
        if (!app.waitMessage()) return done();
        app.pumpMessage();
    }
    return true;
}

} // namespace vael::test
