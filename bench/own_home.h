#pragma once
// A benchmark that runs the game (or starts a program of the build that may) keeps the settings, saved
// games, autosave, lock and trace it writes in a folder of its own, made in the temporary folder as it
// starts and taken away as it ends: the player's own home, and the autosave he left there, stay as he left
// them. One object of it lives for the whole program, before any benchmark runs.
#include <stdlib.h>

#include <cstdio>
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
    }
    ~OwnHome() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    OwnHome(const OwnHome&) = delete;
    OwnHome& operator=(const OwnHome&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace vael::bench
