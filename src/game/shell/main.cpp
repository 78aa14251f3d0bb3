// Program entry. The window, the battle map and the dialogs arrive with their own subsystems; until then
// the program opens its trace and reports what it can do.
//
// Options: --version; --trace FILE writes the trace to FILE (else $VAEL_TRACE, else "VaelDebugStream" in
// the state directory).
#include <cstdio>
#include <cstring>

#include "framework/core/debug_stream.h"

int main(int argc, char** argv) {
    const char* traceOption = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vael 0.1\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--trace") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vael: --trace needs a file name\n");
                return 2;
            }
            traceOption = argv[++i];
        }
    }
    const auto trace = vael::traceFilePath(traceOption);
    if (!vael::debugStream().rdbuf()->open(trace.c_str())) {
        std::fprintf(stderr, "vael: cannot write the trace to %s; it is discarded\n", trace.c_str());
        vael::debugStream().rdbuf()->open(nullptr);
    }
    vael::debugStream() << "The Iron Vigils of Vaelmoric starting" << std::endl;
    std::printf("The Iron Vigils of Vaelmoric\n"
                "The core runtime is built; the battle display is not yet part of this build.\n"
                "Trace: %s\n",
                trace.c_str());
    return 0;
}
