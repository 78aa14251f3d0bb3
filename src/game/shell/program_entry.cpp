#include "game/shell/program_entry.h"

#include <csignal>
#include <cstdlib>
#include <memory>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "framework/core/application.h"
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

void ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace vael
