#pragma once
// --quit-after MS: the game ends MS milliseconds after it started, whatever box stands, as a signal ends
// it (for the tests and scripts that start the program). The game's own boxes, the question whether to
// leave a battle among them, close unanswered when the application is asked to end. The system's boxes
// (the settings that will not be kept, the game already running, a failed check) hold the program's one
// thread inside the toolkit, where no timer of the game ticks and a signal only leaves word for a loop that
// never reads it; and the toolkit shows each in a process of its own, which shares the program's lock. A
// watch of its own ends the program, and the box's process with it, when the time comes or a signal to end
// arrives while one of them stands.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include <semaphore.h>
#include <time.h>

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
    // status; a signal to end (SIGTERM, SIGINT, SIGHUP) ends it as that signal does. Either way every
    // process the box runs in ends first, and what is on standard output and error is written out. Once
    // the time has come no box is shown at all. Answers whether it was shown.
    bool showSystemBox(int status, const std::function<void()>& show);

private:
    void watch();
    bool timeHasCome() const;
    // Under the lock, with a box standing: its processes end, then the program.
    [[noreturn]] void endWithTheBox(int signal);
    static void onSignal(int signal);

    const std::int64_t milliseconds_;
    // On the monotonic clock; only when the time is not negative.
    timespec deadline_{};
    std::uint32_t gameStart_ = 0;
    bool gameEnded_ = false;
    std::mutex mutex_;
    // Posted by the destructor and by a signal's handler (a semaphore is what a handler may post).
    sem_t wake_;
    bool due_ = false, stopping_ = false, standing_ = false;
    int status_ = 0;
    std::atomic<int> signalled_{0};
    std::thread watch_;
};

} // namespace vael
