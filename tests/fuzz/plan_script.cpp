// Arbitrary bytes as a plan script: the compiler must end every compile with a clean result (a message
// on failure, the tables back to the predefined entries either way), and what it compiles must run
// within the interpreter's limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_builtins.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::AIProgram program;
    vael::Compiler compiler(program);
    vael::Interpreter interpreter(program, nullptr);
    vael::fuzz::addBuiltins(&compiler, &interpreter);
    // Imports look where no file is, so that the input alone decides what is compiled.
    compiler.setImportDirectory("/nonexistent/vael-fuzz");
    const std::int32_t result = compiler.compileText(std::string(reinterpret_cast<const char*>(data), size));
    if (compiler.variableCount() != 0 || compiler.procedureCount() != 8 || compiler.constantCount() != 1 ||
        compiler.codePosition() != 0)
        std::abort();
    if (result != program.isCompiled() || (result == 0) == compiler.errorMessage().empty()) std::abort();
    if (result) {
        vael::fuzz::runEveryTable(program, interpreter);
        vael::fuzz::checkSteppedRunAgrees(program,
                                          program.conditionsEntry() >= 0 ? program.conditionsEntry() : 0);
    }
    return 0;
}
