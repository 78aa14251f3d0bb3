// Speed of the plan-script machinery: compiling a script of 2,000 lines, and the interpreter on an
// integer loop of a million iterations beside the same loop run by Lua 5.4 (aim: the interpreter under
// 1.5 times Lua's time). Lua is the lua5.4 program (scripts/bench installs it); its side is skipped
// with a message when the program is not there. Both loops are timed in processor time, which Lua
// reports for itself, so that a busy machine does not weigh on one side only.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <sstream>
#include <string>

#include "game/ai/ai_program.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"

namespace {

// About 2,000 lines in the shape of a real plan: constants, globals, procedures with loops and
// branches, a Conditions table and Orders tables that test its conditions.
std::string bigScript() {
    std::ostringstream s;
    s << "Big {\n";
    for (int i = 0; i < 100; ++i)
        s << "const C" << i << " " << i * 7 << ";\n";
    for (int i = 0; i < 100; ++i)
        s << "var g" << i << ";\n";
    for (int i = 0; i < 197; ++i)
        s << "procedure P" << i << "(a, var b) {\n"
          << "  var t, k;\n"
          << "  t = a * 2 + b - C" << i % 100 << ";\n"
          << "  for k = 1 to 3 t = t + k;\n"
          << "  if t > 10 b = t - 10 else b = t + 1;\n"
          << "  while t > 100 { t = t / 2; if t = = 7 break; };\n"
          << "  return Give(t) + t;\n"
          << "};\n";
    s << "Conditions { var c0";
    for (int i = 1; i < 100; ++i)
        s << ", c" << i;
    s << ";\n";
    for (int i = 0; i < 100; ++i)
        s << "c" << i << " = P" << i << "(" << i << ", g" << i << ") > C" << i << " AND NOT (g0 = = 3);\n";
    s << "};\n";
    for (int group = 0; group < 20; ++group) {
        s << "Orders for G" << group << " {\n";
        for (int e = 0; e < 4; ++e)
            s << "  c" << (group * 4 + e) % 100 << ", c" << (group + e) % 100 << " Give(" << e << ");\n";
        s << "};\n";
    }
    s << "}\n";
    return s.str();
}

void BM_CompileScript2000Lines(benchmark::State& state) {
    const std::string script = bigScript();
    std::int64_t lines = 0;
    for (char c : script)
        lines += c == '\n';
    for (auto _ : state) {
        vael::AIProgram program;
        vael::Compiler compiler(program);
        compiler.addProcedure("Give", "1");
        if (!compiler.compileText(script)) state.SkipWithError(compiler.errorMessage().c_str());
        benchmark::DoNotOptimize(program.code().data());
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_CompileScript2000Lines)->Unit(benchmark::kMillisecond);

constexpr const char* loopScript =
    "Loop { procedure Sum() { var i, s; for i = 1 to 1000000 s = s + i; return s; };\n"
    "Conditions { var r; r = Sum(); }; }";

void BM_InterpreterLoopMillion(benchmark::State& state) {
    vael::AIProgram program;
    vael::Compiler compiler(program);
    vael::Interpreter interpreter(program, nullptr);
    if (!compiler.compileText(loopScript)) state.SkipWithError(compiler.errorMessage().c_str());
    interpreter.setStepLimit(100000000);
    interpreter.reset();
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        if (interpreter.run() != 1) state.SkipWithError("the loop did not run to its end");
        benchmark::DoNotOptimize(interpreter.cell(0));
        state.SetIterationTime(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    }
}
BENCHMARK(BM_InterpreterLoopMillion)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same loop in Lua, timed by Lua itself so that starting the program is not counted.
void BM_Lua54LoopMillion(benchmark::State& state) {
    const char* command = "lua5.4 -e 'local t = os.clock() local s = 0 for i = 1, 1000000 do s = s + i end "
                          "print(string.format(\"%.9f %d\", os.clock() - t, s))' 2>/dev/null";
    for (auto _ : state) {
        double seconds = -1;
        long long sum = 0;
        if (std::FILE* pipe = ::popen(command, "r")) {
            if (std::fscanf(pipe, "%lf %lld", &seconds, &sum) != 2) seconds = -1;
            ::pclose(pipe);
        }
        if (seconds < 0 || sum != 500000500000LL) {
            state.SkipWithError("lua5.4 is not installed (Debian package lua5.4): no Lua time to compare");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_Lua54LoopMillion)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
