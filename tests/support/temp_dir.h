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
        std::filesystem::path base =
            root && *root ? std::filesystem::path(root) : std::filesystem::temp_directory_path();
        path_ = base / (name + "-" + std::to_string(::getpid()));
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& file) const { return path_ / file; }

private:
    std::filesystem::path path_;
};

} // namespace vael::test
