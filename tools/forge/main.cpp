// vael-forge DIRECTORY: writes the program's data set into the directory.
#include <iostream>
#include <string>

#include "tools/forge/forge.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vael-forge DIRECTORY\n";
        return 2;
    }
    std::string error;
    try {
        if (!vael::forge::forgeData(argv[1], error)) {
            std::cerr << "vael-forge: " << error << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << "vael-forge: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
