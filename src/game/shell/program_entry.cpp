#include "game/shell/program_entry.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/data_file_report.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/memory_manager.h"
#include "framework/core/printable.h"
#include "game/shell/saved_game_header.h"

namespace vael {

namespace {

// Opened for a lock only when the player owns it: a folder or file of another's is his to lock.
int openOwned(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The same name for the same lock in every game; FNV-1a, which no library's version changes.
std::string lockName(const std::filesystem::path& lockFile) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : std::filesystem::absolute(lockFile).lexically_normal().string())
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    static constexpr char Digits[] = "0123456789abcdef";
    std::string name = "vael-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += Digits[(hash >> shift) & 0xF];
    return name + ".lock";
}

} // namespace

std::filesystem::path SingleInstance::userRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/') return runtime;
    return "/run/user/" + std::to_string(::geteuid());
}

SingleInstance::SingleInstance(const std::filesystem::path& lockFile,
                               const std::filesystem::path& runtimeFolder) {
    std::error_code ignored;
    std::filesystem::create_directories(lockFile.parent_path(), ignored);
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        const std::string why = std::strerror(errno);
        // Every game that meets the same obstacle locks the same stand-in, so that one game still keeps the
        // others out; a folder or a file opened for reading takes a lock as a lock file does.
        std::filesystem::path standIn = lockFile;
        fd_ = openOwned(standIn);
        if (fd_ < 0 && lockFile.has_parent_path()) fd_ = openOwned(standIn = lockFile.parent_path());
        if (fd_ < 0 && !runtimeFolder.empty()) {
            standIn = runtimeFolder / lockName(lockFile);
            const int folder = openOwned(runtimeFolder);
            if (folder >= 0) {
                ::close(folder);
                fd_ = ::open(standIn.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            }
        }
        problem_ = "the lock " + printable(lockFile.string()) + " cannot be kept (" + why + "): ";
        if (fd_ < 0) {
            // Where nothing can be locked the player is not kept from his game.
            problem_ += "a second game is not refused";
            debugStream() << "Cannot keep the lock: " << problem_ << std::endl;
            acquired_ = true;
            return;
        }
        problem_ += "the game locks " + printable(standIn.string()) + " in its place";
        debugStream() << "Cannot keep the lock: " << problem_ << std::endl;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
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

// The file of a data folder that the trace would be, or would stand for; empty when none.
std::filesystem::path dataFileAt(const std::filesystem::path& trace, const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) return {};
    // Named without regard to case in the folder itself (by any spelling of the folder's path), the game
    // would find the trace's file in place of its own, or its own is the trace's.
    if (!trace.filename().empty() &&
        std::filesystem::equivalent(trace.parent_path().empty() ? "." : trace.parent_path(), folder, error))
        if (const auto found = findFileNoCase(folder, trace.filename().string())) return *found;
    // The same file by a path elsewhere: a link to it, or another name of it.
    if (!std::filesystem::exists(trace, error)) return {};
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code other;
        if (entry.is_regular_file(other) && std::filesystem::equivalent(trace, entry.path(), other))
            return entry.path();
    }
    return {};
}

} // namespace

std::string traceKeptOff(const std::filesystem::path& trace,
                         const std::vector<std::pair<std::filesystem::path, std::string>>& kept,
                         const std::vector<std::filesystem::path>& dataFolders) {
    const std::string name = printable(trace.string(), LoneBytes::Escaped);
    for (const auto& folder : dataFolders)
        if (const auto file = dataFileAt(trace, folder); !file.empty())
            return name + " is the game's data file " + printable(file.string(), LoneBytes::Escaped) +
                   "; it is left as it is";
    for (const auto& [path, what] : kept) {
        // The same file by another path, or one not made yet by the same path (the settings of a first
        // start), which the trace would make before its owner reads it.
        if (path.empty()) continue;
        std::error_code error, other;
        const bool same = std::filesystem::equivalent(trace, path, error);
        const auto traceAt = std::filesystem::weakly_canonical(trace, error);
        const auto pathAt = std::filesystem::weakly_canonical(path, other);
        if (same || (!error && !other && traceAt == pathAt)) return name + " is " + what + "; it is left as it is";
    }
    // Only a regular file can hold a saved game, and its header and scenario record lie near its start.
    const int fd = ::open(trace.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    struct stat info {};
    std::vector<std::uint8_t> start;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        start.resize(64 * 1024);
        const ssize_t got = ::read(fd, start.data(), start.size());
        start.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    ::close(fd);
    SavedScenario scenario;
    std::string notASave;
    if (readSavedScenario(start, scenario, notASave)) return name + " holds a saved game; it is left as it is";
    return {};
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
    // What a check names may come from a file or the settings: a NUL would end the text there, and other
    // control bytes would act on the terminal or show as nothing in the box.
    // Most checks name a data file or folder: a byte of its name that is no UTF-8 is shown as the byte it is.
    const std::string shown = printable(text, LoneBytes::Escaped);
    // Said before the box, which may wait for the player a long while.
    std::fprintf(stderr, "vael: %s %s\n", caption.c_str(), shown.c_str());
    const SystemBox& box = systemBox();
    const auto answer = box ? box(shown, caption, platform::MessageButtons::YesNo, platform::MessageIcon::Stop)
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
        std::fprintf(stderr, "vael: the game ends: %s\n", printable(failed.message()).c_str());
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
