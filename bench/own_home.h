#pragma once
// A benchmark that runs the game (or starts a program of the build that may) keeps the settings, saved
// games, autosave, lock and trace it writes in a folder of its own, made in the temporary folder as it
// starts and taken away as it ends: the player's own home, and the autosave he left there, stay as he left
// them, also when the benchmark is ended by a signal (Ctrl+C, a kill). One object of it lives for the whole
// program, before any benchmark runs.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace vael::bench {

class OwnHome {
public:
    OwnHome() {
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "vael-bench-XXXXXX").string();
        if (error || !::mkdtemp(pattern.data())) {
            // Never the player's home in its place: no folder of its own, no benchmark.
            std::fprintf(stderr, "no folder of the benchmark's own could be made in the temporary folder\n");
            std::exit(1);
        }
        path_ = pattern;
        ::setenv("HOME", path_.c_str(), 1);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            ::unsetenv(name);
        // Sound libraries keep their sockets and cookies here (or in the home, or in /tmp without it).
        const std::string runtime = path_ + "/run";
        std::filesystem::create_directory(runtime, error);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, error);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        // A benchmark stopped by a signal never reaches the destructor: the handler takes the home away,
        // then lets the signal end the program as it would have.
        if (path_.size() < PathRoom) {
            std::memcpy(signalled(), path_.c_str(), path_.size() + 1);
            struct sigaction leave {};
            leave.sa_handler = leaveOnSignal;
            sigemptyset(&leave.sa_mask);
            // A signal the program was started to ignore (nohup, a background job) stays ignored.
            for (const int signal : {SIGTERM, SIGINT, SIGHUP})
                if (struct sigaction before {}; ::sigaction(signal, nullptr, &before) == 0 &&
                                                before.sa_handler != SIG_IGN)
                    ::sigaction(signal, &leave, nullptr);
        }
    }
    ~OwnHome() {
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            if (struct sigaction now {}; ::sigaction(signal, nullptr, &now) == 0 && now.sa_handler == leaveOnSignal)
                ::signal(signal, SIG_DFL);
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    OwnHome(const OwnHome&) = delete;
    OwnHome& operator=(const OwnHome&) = delete;
    const std::string& path() const { return path_; }

private:
    // The home's path where the handler finds it without allocating.
    static constexpr std::size_t PathRoom = 4096;
    static char* signalled() {
        static char path[PathRoom];
        return path;
    }
    // Takes away the folder name (under the folder open as parent) and all it holds, with only the calls a
    // signal handler may make.
    static bool removeTree(int parent, const char* name) {
        const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return false;
        // Entries removed while the folder is read may hide others: it is read again until nothing goes.
        for (bool removed = true; removed;) {
            removed = false;
            ::lseek(fd, 0, SEEK_SET);
            alignas(dirent64) char buffer[4096];
            ssize_t n = 0;
            while ((n = ::getdents64(fd, buffer, sizeof buffer)) > 0) {
                for (ssize_t at = 0; at < n;) {
                    const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                    at += entry->d_reclen;
                    const char* child = entry->d_name;
                    if (std::strcmp(child, ".") == 0 || std::strcmp(child, "..") == 0) continue;
                    // What cannot be taken away is left, and the reading ends once nothing more goes.
                    if (::unlinkat(fd, child, 0) == 0 || (errno == EISDIR && removeTree(fd, child)))
                        removed = true;
                }
            }
        }
        ::close(fd);
        return ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
    }
    static void leaveOnSignal(int signal) {
        const int saved = errno;
        removeTree(AT_FDCWD, signalled());
        errno = saved;
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    }

    std::string path_;
};

} // namespace vael::bench
