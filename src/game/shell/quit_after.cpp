#include "game/shell/quit_after.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "framework/ui/win_app.h"

namespace vael {

QuitAfter::QuitAfter(std::int64_t milliseconds) : milliseconds_(milliseconds) {
    if (milliseconds_ >= 0) watch_ = std::thread([this] { watch(); });
}

QuitAfter::~QuitAfter() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (watch_.joinable()) watch_.join();
}

void QuitAfter::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds_);
    if (wake_.wait_until(lock, deadline, [this] { return stopping_; })) return;
    due_ = true;
    if (!standing_) return;
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status_);
}

bool QuitAfter::during(int status, const std::function<void()>& show) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (due_) return false;
        standing_ = true;
        status_ = status;
    }
    show();
    const std::lock_guard<std::mutex> lock(mutex_);
    standing_ = false;
    return true;
}

void QuitAfter::gameStarts(WinApp& app) {
    gameStart_ = app.tickCount();
}

bool QuitAfter::tick(WinApp& app) {
    if (milliseconds_ < 0 || gameEnded_ ||
        static_cast<std::int64_t>(app.tickCount() - gameStart_) < milliseconds_)
        return false;
    gameEnded_ = true;
    platform::Event quit;
    quit.kind = platform::EventKind::Quit;
    app.platform().postEvent(quit);
    return true;
}

} // namespace vael
