#pragma once
// A data directory of links to the forged one, with files taken out or written anew as a test needs:
// a missing map or plan without copying the whole data set.
#include <filesystem>
#include <fstream>
#include <string>

namespace vael::test {

class LinkedData {
public:
    LinkedData(const std::filesystem::path& where, const std::filesystem::path& from) : dir_(where) {
        std::filesystem::create_directories(dir_);
        for (const auto& entry : std::filesystem::directory_iterator(from))
            std::filesystem::create_symlink(entry.path(), dir_ / entry.path().filename());
    }
    void remove(const std::string& name) { std::filesystem::remove(dir_ / name); }
    void write(const std::string& name, const std::string& bytes) {
        remove(name);
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::string path() const { return dir_.string(); }

private:
    std::filesystem::path dir_;
};

} // namespace vael::test
