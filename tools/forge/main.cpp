// vael-forge DIRECTORY: writes the program's data set into the directory. --help and --version print and
// write nothing; any other word that begins with a dash is refused, never taken for a folder to fill.
#include <cstdio>
#include <iostream>
#include <string>

#include "framework/core/version.h"
#include "tools/forge/forge.h"

namespace {

constexpr const char* Synopsis = "usage: vael-forge DIRECTORY\n";

int usage(const std::string& why) {
    std::cerr << "vael-forge: " << why << "\n" << Synopsis << "Try 'vael-forge --help' for more.\n";
    return 2;
}

// What --help and --version print is all they do: output that did not reach its reader is a failure.
int printed() {
    if (std::cout.flush()) return 0;
    std::cerr << "vael-forge: cannot write the standard output\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string directory;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << Synopsis
                      << "Writes the program's data set (palette, image archives, maps, battles, campaign)\n"
                         "into DIRECTORY, made when missing. The same input gives the same bytes.\n\n"
                         "  --help            show this and exit\n"
                         "  --version         show the version and exit\n";
            return printed();
        }
        if (arg == "--version") {
            std::cout << "vael-forge " << vael::VaelVersion << "\n";
            return printed();
        }
        // A folder whose name begins with a dash is still reachable as ./-name.
        if (!arg.empty() && arg[0] == '-') return usage("unknown option " + arg);
        if (!directory.empty()) return usage("one directory at a time");
        directory = arg;
    }
    if (directory.empty()) return usage("no directory given");
    std::string error;
    try {
        if (!vael::forge::forgeData(directory, error)) {
            std::cerr << "vael-forge: " << error << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << "vael-forge: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
