#pragma once
// A fresh, empty directory for one test under $VAEL_TEST_TMP (set by CTest) or the system's temporary
// directory, removed again with its contents when the object goes.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace vael::test {

class TempDir {
public:
    explicit TempDir(const std::string& name) {
        const char* root = std::getenv("VAEL_TEST_TMP");
        path_ = (root && *root ? std::filesystem::path(root) : std::filesystem::temp_directory_path()) /
                (name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_, error_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_, error_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& file) const { return path_ / file; }

private:
    std::filesystem::path path_;
    std::error_code error_; // removing what is not there is no failure
};

} // namespace vael::test
