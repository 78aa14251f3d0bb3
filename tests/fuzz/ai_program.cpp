// Arbitrary bytes as a compiled plan file: the reader must refuse what it cannot read whole, and a
// program it accepts, however damaged its code, must run to an end or stop at a limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_builtins.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::AIProgram program;
    vael::Interpreter interpreter(program, nullptr);
    vael::fuzz::addBuiltins(nullptr, &interpreter);
    const std::int32_t result = program.read(data, size);
    if (result != program.isCompiled() || program.allocatedWords() > vael::AIProgram::maxCodeWords)
        std::abort();
    if (result) {
        vael::fuzz::runEveryTable(program, interpreter);
        vael::fuzz::checkSteppedRunAgrees(program,
                                          program.conditionsEntry() >= 0 ? program.conditionsEntry() : 0);
    }
    if (interpreter.callDepth() > vael::Interpreter::maxCallDepth) std::abort();
    return 0;
}
