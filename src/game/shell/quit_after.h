#pragma once
// --quit-after MS: the game ends MS milliseconds after it started, whatever box stands, as a signal ends
// it (for the tests and scripts that start the program). The game's own boxes, the question whether to
// leave a battle among them, close unanswered when the application is asked to end. The system's boxes
// (the settings that will not be kept, the game already running) hold the program's one thread inside the
// toolkit, where no timer of the game ticks: a watch of its own ends the program while one of them stands.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace vael {

class WinApp;

class QuitAfter {
public:
    // A negative time never ends the game. The system's boxes count it from here.
    explicit QuitAfter(std::int64_t milliseconds);
    ~QuitAfter();
    QuitAfter(const QuitAfter&) = delete;
    QuitAfter& operator=(const QuitAfter&) = delete;

    // The game's own time counts from here, by the application's clock.
    void gameStarts(WinApp& app);
    // At each tick of the game's timer: once the time has passed, asks the application to end as a signal
    // does, once. Answers whether it asked now.
    bool tick(WinApp& app);
    // Shows a system box by show. The time coming while it stands ends the program at once with that
    // status (what is on standard output and error written out first); once the time has come no box is
    // shown at all. Answers whether it was shown.
    bool during(int status, const std::function<void()>& show);

private:
    void watch();

    const std::int64_t milliseconds_;
    std::uint32_t gameStart_ = 0;
    bool gameEnded_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool due_ = false, stopping_ = false, standing_ = false;
    int status_ = 0;
    std::thread watch_;
};

} // namespace vael
