#pragma once
// Shared by the script tests: a capture of the debug stream, and a compiler and interpreter over one
// program with a few built-in procedures that record their calls.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/core/debug_stream.h"
#include "game/ai/ai_program.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"
#include "support/temp_dir.h"

namespace vael::test {

// Sends the debug stream to a file for the life of the object and reads back what was written.
class TraceCapture {
public:
    TraceCapture() : dir_("ai-trace") { debugStream().rdbuf()->open((dir_ / "trace").c_str()); }
    ~TraceCapture() { debugStream().rdbuf()->open(nullptr); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string text() {
        debugStream().flush();
        std::ifstream in(dir_ / "trace", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    TempDir dir_;
};

// What the recording built-ins saw, in call order.
struct BuiltinCall {
    std::string name;
    std::vector<std::int32_t> arguments;
    bool operator==(const BuiltinCall&) const = default;
};

// Owner of the recording built-ins: the interpreter hands it to every call.
struct Recorder {
    std::vector<BuiltinCall> calls;
    std::int32_t answer = 0;
};

// A compiler and an interpreter over one program, with the built-ins registered in the same order:
// Give(a) value, Give2(a, b) values, Three(a, b, c) values, Bump(var a) reference (adds 10, answers the
// old value), Swap(var a, var b), Answer() (the recorder's answer), Mixed(a, var b, c).
struct ScriptMachine {
    ScriptMachine();
    // Compiles the text and, on success, runs the global declarations as the owner does.
    std::int32_t compile(const std::string& text);

    AIProgram program;
    Compiler compiler{program};
    Recorder recorder;
    Interpreter interpreter{program, &recorder};
};

// Puts hand-made code at word 0 and marks the program compiled.
void loadCode(AIProgram& program, const std::vector<std::int32_t>& code);

// The code words the compiler wrote, up to the given count.
std::vector<std::int32_t> codeWords(const AIProgram& program, std::size_t count);

} // namespace vael::test
