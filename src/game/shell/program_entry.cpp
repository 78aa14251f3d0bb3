#include "game/shell/program_entry.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/data_file_report.h"
#include "framework/core/debug_stream.h"
#include "framework/core/memory_manager.h"

namespace vael {

SingleInstance::SingleInstance(const std::filesystem::path& lockFile) {
    std::error_code ignored;
    std::filesystem::create_directories(lockFile.parent_path(), ignored);
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // Where no lock can be kept the player is not kept from his game.
        debugStream() << "Cannot keep the lock " << lockFile.string() << "; a second game is not refused"
                      << std::endl;
        acquired_ = true;
    } else if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
    } else {
        acquired_ = true;
    }
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);
}

std::filesystem::path SingleInstance::gameLock() {
    return stateDirectory() / "vael.lock";
}

namespace {

constexpr std::size_t ReserveSize = 256 * 1024;
std::unique_ptr<char[]> reserve;

int memoryError(MemErrorInfo* info) {
    debugStream() << "The memory manager reports error " << (info ? info->errorCode : 0) << std::endl;
    return heapDefaultErrorHandler(info);
}

} // namespace

void outOfMemoryHandler() {
    reserve.reset();
    Application* app = Application::instance();
    const std::int32_t answer = app ? app->messageBox("The game has run out of memory. Close other programs "
                                                      "and retry, or cancel to end the game.",
                                                      "Out of Memory", 0x15)
                                    : AnswerCancel;
    if (answer == AnswerRetry) return;
    heapLeaveErrorHandler();
    std::set_new_handler(nullptr);
    std::_Exit(3);
}

void installOutOfMemoryHandler() {
    reserve = std::make_unique<char[]>(ReserveSize);
    heapSetErrorHandler(memoryError);
    std::set_new_handler(outOfMemoryHandler);
}

namespace {

// The box lives as long as the reports that use it; the memory manager takes a plain function.
SystemBox& systemBox() {
    static SystemBox box;
    return box;
}

// A failed check: told on standard error, then asked; Yes, and no answer at all, abort.
bool askFailedCheck(const std::string& text, const std::string& caption) {
    // Said before the box, which may wait for the player a long while.
    std::fprintf(stderr, "vael: %s %s\n", caption.c_str(), text.c_str());
    const SystemBox& box = systemBox();
    const auto answer = box ? box(text, caption, platform::MessageButtons::YesNo, platform::MessageIcon::Stop)
                            : std::nullopt;
    return !answer || *answer != platform::MessageAnswer::No;
}

MemBoxAnswer askMemoryError(const char* text, const char* caption, MemBoxButtons buttons) {
    std::fprintf(stderr, "vael: %s: %s\n", caption, text);
    const SystemBox& box = systemBox();
    const bool retry = buttons == MemBoxButtons::AbortRetryIgnore;
    const auto answer = box ? box(text, caption,
                                  retry ? platform::MessageButtons::AbortRetryIgnore
                                        : platform::MessageButtons::OkCancel,
                                  platform::MessageIcon::Stop)
                            : std::nullopt;
    if (!answer) return MemBoxAnswer::NotShown;
    switch (*answer) {
    case platform::MessageAnswer::Abort:
        return MemBoxAnswer::Abort;
    case platform::MessageAnswer::Retry:
        return MemBoxAnswer::Retry;
    case platform::MessageAnswer::Ignore:
        return MemBoxAnswer::Ignore;
    case platform::MessageAnswer::Cancel:
        return MemBoxAnswer::Cancel;
    default:
        return MemBoxAnswer::Ok;
    }
}

} // namespace

void installFailureReports(SystemBox box) {
    systemBox() = std::move(box);
    Assertion::setPrompt(askFailedCheck);
    heapSetMessageBox(askMemoryError);
}

SystemBox systemBoxOf(platform::Platform& platform) {
    return [&platform](const std::string& text, const std::string& caption, platform::MessageButtons buttons,
                       platform::MessageIcon icon) {
        return platform.systemMessageBox(text, caption, buttons, icon);
    };
}

void removeFailureReports() {
    Assertion::setPrompt(nullptr);
    heapSetMessageBox(nullptr);
    systemBox() = nullptr;
}

void reportMissingDataFiles(const char* program) {
    setMissingDataFileReport(
        [program](const std::string& path, const std::string& problem, const std::string& instead) {
            // Said once a file: an archive looked for at every draw must not fill the terminal.
            static std::mutex lock;
            static std::set<std::string> told;
            std::lock_guard<std::mutex> guard(lock);
            if (!told.insert(path).second) return;
            std::fprintf(stderr, "%s: the data file %s %s: %s\n", program, path.c_str(), problem.c_str(),
                         instead.c_str());
        });
}

void ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

int playToTheEnd(const std::function<int()>& game) {
    try {
        return game();
    } catch (const Assertion& failed) {
        debugStream() << "Ended by the failed check: " << failed.message() << std::endl;
        std::fprintf(stderr, "vael: the game ends: %s\n", failed.message().c_str());
    } catch (const std::bad_alloc&) {
        debugStream() << "Ended: out of memory" << std::endl;
        std::fprintf(stderr, "vael: the game ends: out of memory\n");
    } catch (const std::exception& error) {
        debugStream() << "Ended: " << error.what() << std::endl;
        std::fprintf(stderr, "vael: the game ends: %s\n", error.what());
    }
    return 1;
}

} // namespace vael
