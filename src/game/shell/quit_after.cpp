#include "game/shell/quit_after.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include "framework/ui/win_app.h"

namespace vael {

namespace {

constexpr int EndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Read by the handler: the watch whose box stands, and the process it stands in (a process forked under
// the handler is not it).
std::atomic<QuitAfter*> watching{nullptr};
std::atomic<pid_t> watchedProcess{0};

// Far enough never to come, near enough for any clock to count to (some thirty thousand years).
constexpr std::int64_t FarthestSeconds = std::int64_t(1) << 40;

bool reached(const timespec& now, const timespec& deadline) {
    return now.tv_sec != deadline.tv_sec ? now.tv_sec > deadline.tv_sec : now.tv_nsec >= deadline.tv_nsec;
}

// The processes this one started: the toolkit starts one for each box and waits on it.
std::vector<pid_t> childProcesses() {
    const std::string self = std::to_string(::getpid());
    std::vector<pid_t> children;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;
        // "pid (name) state ppid ...": the name may hold spaces and brackets of its own.
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        std::string parent;
        std::istringstream fields(stat.substr(close + 1));
        if (fields >> state >> parent && parent == self) children.push_back(std::stoi(name));
    }
    return children;
}

} // namespace

QuitAfter::QuitAfter(std::int64_t milliseconds) : milliseconds_(milliseconds) {
    ::sem_init(&wake_, 0, 0);
    if (milliseconds_ >= 0) {
        ::clock_gettime(CLOCK_MONOTONIC, &deadline_);
        const std::int64_t seconds = std::min(milliseconds_ / 1000, FarthestSeconds);
        deadline_.tv_sec += static_cast<time_t>(seconds);
        deadline_.tv_nsec += static_cast<long>(milliseconds_ % 1000) * 1'000'000L;
        if (deadline_.tv_nsec >= 1'000'000'000L) {
            deadline_.tv_nsec -= 1'000'000'000L;
            ++deadline_.tv_sec;
        }
    }
    // Watched with no time too: a signal to end must end a box that stands.
    watch_ = std::thread([this] { watch(); });
}

QuitAfter::~QuitAfter() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    ::sem_post(&wake_);
    if (watch_.joinable()) watch_.join();
    ::sem_destroy(&wake_);
}

bool QuitAfter::timeHasCome() const {
    if (milliseconds_ < 0) return false;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return reached(now, deadline_);
}

void QuitAfter::onSignal(int signal) {
    const int saved = errno;
    if (::getpid() != watchedProcess.load()) {
        // The box's own process, which the toolkit forked with this handler: it ends as any program would.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    } else if (QuitAfter* watch = watching.load()) {
        int none = 0;
        watch->signalled_.compare_exchange_strong(none, signal);
        ::sem_post(&watch->wake_);
    }
    errno = saved;
}

void QuitAfter::watch() {
    bool timed = milliseconds_ >= 0;
    for (;;) {
        const int woke = timed ? ::sem_clockwait(&wake_, CLOCK_MONOTONIC, &deadline_) : ::sem_wait(&wake_);
        int why = woke == 0 ? 0 : errno;
        if (why == EINTR) continue;
        std::unique_lock<std::mutex> lock(mutex_);
        if (stopping_) return;
        if (why != 0 && why != ETIMEDOUT) {
            // A wait the system refused: the clock is looked at every little while instead.
            if (!timeHasCome()) {
                lock.unlock();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            why = ETIMEDOUT;
        }
        if (why == ETIMEDOUT) {
            timed = false;
            due_ = true;
            if (standing_) endWithTheBox(0);
            continue;
        }
        if (const int signal = signalled_.exchange(0)) {
            if (standing_) endWithTheBox(signal);
            // The box went as the signal came: it ends the program the way it would have without a box.
            lock.unlock();
            ::kill(::getpid(), signal);
        }
    }
}

void QuitAfter::endWithTheBox(int signal) {
    // A box left standing would keep the program's lock and wait for a player who has gone.
    const std::vector<pid_t> children = childProcesses();
    for (const pid_t child : children)
        ::kill(child, SIGKILL);
    for (const pid_t child : children)
        ::waitpid(child, nullptr, 0);
    std::fflush(stdout);
    std::fflush(stderr);
    if (signal) {
        ::signal(signal, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, signal);
        ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        ::raise(signal);
        std::_Exit(128 + signal);
    }
    std::_Exit(status_);
}

bool QuitAfter::showSystemBox(int status, const std::function<void()>& show) {
    struct sigaction before[std::size(EndingSignals)];
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        // Asked for on the deadline, before the watch has woken to it, the box is as late as after.
        if (due_ || timeHasCome()) {
            due_ = true;
            return false;
        }
        standing_ = true;
        status_ = status;
        watchedProcess = ::getpid();
        watching = this;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(EndingSignals); ++i)
            ::sigaction(EndingSignals[i], &action, &before[i]);
    }
    show();
    const std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < std::size(EndingSignals); ++i)
        ::sigaction(EndingSignals[i], &before[i], nullptr);
    watching = nullptr;
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
