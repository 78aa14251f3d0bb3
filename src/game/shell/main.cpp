// Program entry. The window, the battle map and the dialogs arrive with their own subsystems; until then
// the program opens its trace and reports what it can do.
#include <cstdio>
#include <cstring>

#include "framework/core/debug_stream.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vael 0.1\n");
            return 0;
        }
    }
    const auto trace = vael::stateDirectory() / "VaelDebugStream";
    vael::debugStream().rdbuf()->open(trace.c_str());
    vael::debugStream() << "The Iron Vigils of Vaelmoric starting" << std::endl;
    std::printf("The Iron Vigils of Vaelmoric\n"
                "The core runtime is built; the battle display is not yet part of this build.\n"
                "Trace: %s\n",
                trace.c_str());
    return 0;
}
