#pragma once
// What a case played as an ordinary user needs. The owner of all rights reads and writes every file, so a
// test run by root plays such a case in a child process that has become the ordinary user (65534, who
// owns nothing), and in a folder that user can reach: a checkout in a folder only its owner may enter
// (root's home on a fresh machine, say), and the test folders under it, are out of its reach.
#include <filesystem>
#include <string>
#include <system_error>

#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vael::test {

// In a child process: gives up root for the ordinary user, groups and all. False where no ordinary user
// can be had (no right to change users); a process that is not root's is one already.
inline bool becomeOrdinaryUser() {
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

// A fresh folder every user may enter, under the system's temporary folder when every folder on its way
// may be passed by all, else under /tmp; removed with its contents when the object goes.
class OpenTempDir {
public:
    explicit OpenTempDir(const std::string& name) {
        std::error_code error;
        std::filesystem::path root = std::filesystem::temp_directory_path(error);
        if (error || !passableByAll(root)) root = "/tmp";
        // Made afresh under a name nobody else holds: a folder of that name left by someone else is not
        // ours to empty.
        std::string pattern = (root / (name + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
        ::chmod(path_.c_str(), 0755);
    }
    ~OpenTempDir() { std::filesystem::remove_all(path_, error_); }
    OpenTempDir(const OpenTempDir&) = delete;
    OpenTempDir& operator=(const OpenTempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& file) const { return path_ / file; }

private:
    static bool passableByAll(std::filesystem::path folder) {
        std::error_code error;
        for (folder = std::filesystem::absolute(folder, error);; folder = folder.parent_path()) {
            struct stat info {};
            if (error || ::stat(folder.c_str(), &info) != 0 || !(info.st_mode & S_IXOTH)) return false;
            if (folder == folder.parent_path()) return true;
        }
    }

    std::filesystem::path path_;
    std::error_code error_; // removing what is not there is no failure
};

} // namespace vael::test
