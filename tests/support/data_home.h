#pragma once
// Test support: the game's saved settings and games go to the test's own place for as long as this
// lives, never the tester's; the place before is put back afterwards.
#include <cstdlib>
#include <string>

namespace vael::test {

struct DataHome {
    explicit DataHome(const std::string& path) {
        if (const char* data = std::getenv("XDG_DATA_HOME")) previous = data, had = true;
        setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~DataHome() { had ? setenv("XDG_DATA_HOME", previous.c_str(), 1) : unsetenv("XDG_DATA_HOME"); }
    DataHome(const DataHome&) = delete;
    DataHome& operator=(const DataHome&) = delete;

    std::string previous;
    bool had = false;
};

} // namespace vael::test
