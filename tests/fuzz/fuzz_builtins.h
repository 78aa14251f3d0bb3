#pragma once
// Built-in procedures for the plan-script fuzz targets: one of every argument shape, registered in the
// same order into a compiler and an interpreter.
#include <cstdint>
#include <cstdlib>

#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"

namespace vael::fuzz {

inline void addBuiltins(Compiler* compiler, Interpreter* interpreter) {
    if (compiler) {
        compiler->addProcedure("None", "");
        compiler->addProcedure("One", "1");
        compiler->addProcedure("Ref", "0");
        compiler->addProcedure("Two", "11");
        compiler->addProcedure("TwoRef", "10");
        compiler->addProcedure("RefTwo", "01");
        compiler->addProcedure("Refs", "00");
        compiler->addProcedure("Four", "1011");
        compiler->addConstant("K", 3);
    }
    if (interpreter) {
        interpreter->addProcedure(+[](void*) { return 1; });
        interpreter->addProcedure(+[](void*, std::int32_t a) { return a; });
        interpreter->addProcedure(+[](void*, std::int32_t* a) { return ++*a; });
        interpreter->addProcedure(+[](void*, std::int32_t a, std::int32_t b) { return a ^ b; });
        interpreter->addProcedure(+[](void*, std::int32_t a, std::int32_t* b) { return *b = a; });
        interpreter->addProcedure(+[](void*, std::int32_t* a, std::int32_t b) { return *a = b; });
        interpreter->addProcedure(+[](void*, std::int32_t* a, std::int32_t* b) { return *a = *b; });
        interpreter->addProcedure(+[](void*, std::int32_t* w) { return w[1] = w[0] ^ w[2] ^ w[3]; });
    }
}

// Runs the tables of the program (the first few groups of each kind) with a small step limit, so that
// no input can hang the target.
inline void runEveryTable(AIProgram& program, Interpreter& interpreter) {
    constexpr std::size_t groups = 8;
    interpreter.setStepLimit(20000);
    interpreter.reset();
    interpreter.run();
    interpreter.runExceptions();
    for (std::size_t i = 0; i < program.exceptions().size() && i < groups; ++i)
        interpreter.runGroupExceptions(program.exceptions()[i].name);
    for (std::size_t i = 0; i < program.orders().size() && i < groups; ++i) {
        interpreter.run();
        interpreter.runGroupOrders(program.orders()[i].name);
    }
}

// The run loop takes common instruction sequences in one step; one instruction at a time takes none.
// Both ways through the same code must leave the same cells.
inline void checkSteppedRunAgrees(AIProgram& program, std::int32_t start) {
    Interpreter whole(program, nullptr), stepped(program, nullptr);
    addBuiltins(nullptr, &whole);
    addBuiltins(nullptr, &stepped);
    whole.setStepLimit(20000);
    stepped.setStepLimit(20000);
    whole.runRoutine(start);
    std::int32_t pc = start;
    while (stepped.execute(pc)) {
    }
    for (std::int32_t i = 0; i < Interpreter::maxCells; ++i)
        if (whole.cell(i) != stepped.cell(i)) std::abort();
}

} // namespace vael::fuzz
