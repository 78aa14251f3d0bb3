#include "game/ai/interpreter.h"

#include <gtest/gtest.h>

#include <climits>

#include "script_test_support.h"

namespace vael::test {
namespace {

// Compiles a script whose Conditions table sets r, runs it and answers r (cell 0, the first variable).
struct ValueRow {
    const char* script;
    std::int32_t r;
};

void expectValues(const std::vector<ValueRow>& rows) {
    for (const ValueRow& row : rows) {
        SCOPED_TRACE(row.script);
        ScriptMachine m;
        ASSERT_EQ(m.compile(row.script), 1) << m.compiler.errorMessage();
        EXPECT_EQ(m.interpreter.run(), 1);
        EXPECT_EQ(m.interpreter.cell(0), row.r);
    }
}

TEST(Interpreter, ComputesExpressions) {
    expectValues({
        {"S { Conditions { var r, a, b, c; a = 10; b = 3; c = 2; r = a - b - c; }; }", 9},
        {"S { Conditions { var r; r = 8 / 4 / 2; }; }", 4},
        {"S { Conditions { var r; r = 2 * 3 + 4 * 5; }; }", 26},
        {"S { Conditions { var r; r = -7 / 2; }; }", -3},
        {"S { Conditions { var r; r = 2147483647 + 1; }; }", INT_MIN},
        {"S { Conditions { var r; r = 65536 * 65536 + 5; }; }", 5},
        {"S { Conditions { var r; r = 1 < = 1; }; }", 1},
        {"S { Conditions { var r; r = 2 < = 1; }; }", 0},
        {"S { Conditions { var r; r = 1 < 1; }; }", 0},
        {"S { Conditions { var r; r = 2 > 1; }; }", 1},
        {"S { Conditions { var r; r = 1 > = 2; }; }", 0},
        {"S { Conditions { var r; r = 3 ! = 3; }; }", 0},
        {"S { Conditions { var r; r = NOT 0; }; }", 1},
        {"S { Conditions { var r; r = NOT -4; }; }", 0},
        {"S { Conditions { var r; r = 2 AND -1; }; }", 1},
        {"S { Conditions { var r; r = 0 OR 0; }; }", 0},
        // a AND b OR c is a AND (b OR c).
        {"S { Conditions { var r; r = 0 AND 0 OR 1; }; }", 0},
        {"S { Conditions { var r; r = TEN + MINUS; }; }", 7},
        {"S { const A -1, B 2; Conditions { var r; r = A * 10 + B; }; }", -8},
        {"S { Conditions { var r; r = 1 + Give(5); }; }", 1},
        {"S { Conditions { var r; r = Can Give(5) + 2; }; }", 2},
    });
}

TEST(Interpreter, XorLooksAtSigns) {
    const std::int32_t rows[][3] = {{1, 0, 1},  {1, 1, 0},   {5, -1, 0}, {0, 1, 1}, {0, 0, 0},
                                    {-1, 1, 1}, {-1, -1, 0}, {0, -5, 0}, {-3, 0, 0}};
    for (const auto& [a, b, expected] : rows) {
        SCOPED_TRACE(std::to_string(a) + " XOR " + std::to_string(b));
        ScriptMachine m;
        const std::string script =
            "S { Conditions { var r; r = " + std::to_string(a) + " XOR " + std::to_string(b) + "; }; }";
        ASSERT_EQ(m.compile(script), 1) << m.compiler.errorMessage();
        EXPECT_EQ(m.interpreter.run(), 1);
        EXPECT_EQ(m.interpreter.cell(0), expected);
    }
}

TEST(Interpreter, DivisionByZeroAndOverflowGiveAValueAndATraceLine) {
    const struct {
        const char* expression;
        std::int32_t r;
        const char* trace;
    } rows[] = {
        {"7 / 0", 0, "WARNING: division by zero at word 10\n"},
        {"-2147483648 / -1", INT_MIN, "WARNING: division overflow at word 10\n"},
        {"-2147483648 / 1", INT_MIN, ""},
        {"2147483647 / -1", -2147483647, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expression);
        TraceCapture trace;
        ScriptMachine m;
        ASSERT_EQ(m.compile(std::string("S { Conditions { var r; r = ") + row.expression + "; }; }"), 1);
        EXPECT_EQ(m.interpreter.run(), 1);
        EXPECT_EQ(m.interpreter.cell(0), row.r);
        // Once from the compile's reset, once from the run.
        EXPECT_EQ(trace.text(), std::string(row.trace) + row.trace);
    }
}

TEST(Interpreter, LoopsLeaveTheirVariable) {
    expectValues({
        {"S { procedure P() { var i, n; for i = 1 to 3 n = n * 10 + i; return i * 1000 + n; };"
         " Conditions { var r; r = P(); }; }",
         4123},
        {"S { procedure P() { var i, n; for i = 3 downto 1 n = n * 10 + i; return i * 1000 + n; };"
         " Conditions { var r; r = P(); }; }",
         321},
        {"S { procedure P() { var i, n; for i = 5 to 1 n = 1; return i * 1000 + n; };"
         " Conditions { var r; r = P(); }; }",
         5000},
        {"S { procedure P() { var i; while 1 { i = i + 1; if i < 7 continue; break; }; return i; };"
         " Conditions { var r; r = P(); }; }",
         7},
        {"S { procedure P() { var i, n; for i = 1 to 10 { if i = = 4 break; n = n + i; }; return i * 100 + "
         "n; };"
         " Conditions { var r; r = P(); }; }",
         406},
    });
}

TEST(Interpreter, ProceduresFramesAndReferences) {
    expectValues({
        {"S { procedure F(a, var b) { b = a; return a + 1; }; Conditions { var r, y; r = F(5, y) * 10 + y; "
         "}; }",
         65},
        {"S { procedure Fact(n) { if n < = 1 return 1; return n * Fact(-1 + n); };"
         " Conditions { var r; r = Fact(5); }; }",
         120},
        // A fresh frame per call: the caller's local survives the recursive call.
        {"S { procedure Sum(n) { var keep; keep = n; if n = = 0 return 0; return Sum(-1 + n) + keep; };"
         " Conditions { var r; r = Sum(4); }; }",
         10},
        {"S { procedure P(a);\n procedure Q() { return P(7); };\n procedure P(a) { return a * 2; };"
         " Conditions { var r; r = Q(); }; }",
         14},
        {"S { procedure F(a) { return 1; }; procedure F(a, b) { return 2; };"
         " Conditions { var r; r = F(0) * 10 + F(0, 0); }; }",
         12},
        {"S { procedure P() { { const K 5; var v; }; return K; }; Conditions { var r; r = P(); }; }", 5},
        {"S { procedure P() { return; }; Conditions { var r; r = 3; r = P(); }; }", 0},
        {"S { procedure P() { }; Conditions { var r; r = 3; r = P() + 4; }; }", 4},
        // A reference parameter passed on passes the cell it refers to.
        {"S { procedure In(var a) { a = a + 1; }; procedure Out(var b) { In(b); In(b); };"
         " Conditions { var r; r = 5; r = Out(r) + r; }; }",
         7},
    });
}

TEST(Interpreter, EnclosingLevelsAndTheirCells) {
    expectValues({
        // An enclosing procedure's variable passed by reference from a nested one reaches its own cell.
        {"S { procedure P() { var x; procedure Q() { Bump(x); }; x = 5; Q(); return x; };"
         " Conditions { var r; r = P(); }; }",
         15},
        {"S { var g; procedure P() { Bump(g); Bump(g); }; Conditions { var r; g = 1; r = P(); r = g; }; }",
         21},
        // After a recursive call of the enclosing procedure returns, the nested one sees its own
        // caller's frame again (the display entry and the level come back).
        {"S { procedure P(n) { var x;\n"
         "  procedure Q() { var before; before = x; if n > 0 P(0 + n - 1); return before * 100 + x; };\n"
         "  x = n + 1; return Q(); };\n"
         " Conditions { var r; r = P(1); }; }",
         202},
    });
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

TEST(InterpreterBuiltins, ReceiveValuesReferencesAndArrays) {
    ScriptMachine m;
    m.recorder.answer = 40;
    ASSERT_EQ(m.compile("S { Conditions { var a, b, c, r;\n"
                        "a = 3; b = 4; c = 5;\n"
                        "r = Give(a) + Give2(1 + a, b) + Three(a, b, 7);\n"
                        "r = Bump(a) * 1000 + r;\n"
                        "r = Swap(a, b) + r;\n"
                        "r = Mixed(c, b, 100) + r + Answer(); }; }"),
              1)
        << m.compiler.errorMessage();
    // The compile's reset ran the table once already; the table sets a, b and c afresh each time.
    m.recorder.calls.clear();
    EXPECT_EQ(m.interpreter.run(), 1);
    const std::vector<BuiltinCall> expected = {{"Give", {3}}, {"Give2", {4, 4}}, {"Three", {3, 4, 7}},
                                               {"Bump", {3}}, {"Swap", {13, 4}}, {"Mixed", {5, 13, 100}},
                                               {"Answer", {}}};
    EXPECT_EQ(m.recorder.calls, expected);
    // Bump added 10 to a; Swap exchanged a and b; Mixed wrote c + 100 into its reference argument b.
    EXPECT_EQ(m.interpreter.cell(0), 4);
    EXPECT_EQ(m.interpreter.cell(1), 105);
    EXPECT_EQ(m.interpreter.cell(3), 3000 + 120 + 40);
}

TEST(InterpreterBuiltins, ArgumentsOfTheWrongKindsStopTheRun) {
    // Hand-made programs: a mask that does not fit the registered function, a procedure number that
    // was never registered, a mask with no end mark and one wider than a byte.
    const struct {
        std::vector<std::int32_t> code;
        const char* reason;
    } rows[] = {
        {{OP_PUSH_ADDR, 0, OP_PUSH_ADDR, 0, OP_CALL_BUILTIN, 7, 0, OP_POP, OP_END},
         "built-in procedure called with arguments it does not take"},
        {{OP_PUSH_ADDR, 0, OP_CALL_BUILTIN, 2, 0, OP_POP, OP_END},
         "built-in procedure called with arguments it does not take"},
        {{OP_CALL_BUILTIN, 1, 7, OP_POP, OP_END}, "no such built-in procedure"},
        {{OP_CALL_BUILTIN, 1, -1, OP_POP, OP_END}, "no such built-in procedure"},
        {{OP_CALL_BUILTIN, 0, 5, OP_POP, OP_END}, "bad argument mask"},
        {{OP_CALL_BUILTIN, 256, 5, OP_POP, OP_END}, "bad argument mask"},
        {{OP_PUSH, 40000, OP_CALL_BUILTIN, 3, 0, OP_POP, OP_END}, "cell out of range"},
        {{OP_CALL_BUILTIN, 3, 0, OP_POP, OP_END}, "value stack empty"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        TraceCapture trace;
        ScriptMachine m;
        loadCode(m.program, row.code);
        EXPECT_EQ(m.interpreter.runRoutine(0), 0);
        EXPECT_NE(trace.text().find(std::string(": ") + row.reason + "\n"), std::string::npos)
            << trace.text();
        EXPECT_TRUE(m.recorder.calls.empty());
    }
}

TEST(InterpreterTables, OrdersMakeTheFirstCallWhoseConditionsHold) {
    const char* script = "S { Conditions { var a, b, c; a = Answer(); b = 1; c = 1; };\n"
                         "Orders for G { a Give(1); b, a Give(2); b, c Give(3); c Give(4); };\n"
                         "Orders for H { a Give(5); };\n"
                         "Exceptions { Give(6); Give(7); };\n"
                         "Exceptions for G { Give(8); }; }";
    ScriptMachine m;
    ASSERT_EQ(m.compile(script), 1) << m.compiler.errorMessage();
    // The compile's reset runs the first table, the Conditions, and no other.
    EXPECT_EQ(m.recorder.calls, (std::vector<BuiltinCall>{{"Answer", {}}}));
    m.recorder.calls.clear();
    EXPECT_EQ(m.interpreter.run(), 1);
    EXPECT_EQ(m.interpreter.runGroupOrders("G"), 1);
    EXPECT_EQ(m.interpreter.runGroupOrders("H"), 1);
    EXPECT_EQ(m.interpreter.runExceptions(), 1);
    EXPECT_EQ(m.interpreter.runGroupExceptions("G"), 1);
    EXPECT_EQ(m.interpreter.runGroupOrders("g"), -1);
    EXPECT_EQ(m.interpreter.runGroupExceptions("H"), -1);
    const std::vector<BuiltinCall> expected = {
        {"Answer", {}}, {"Give", {3}}, {"Give", {6}}, {"Give", {7}}, {"Give", {8}}};
    EXPECT_EQ(m.recorder.calls, expected);

    // Once a holds, the first entry wins.
    m.recorder.calls.clear();
    m.recorder.answer = 1;
    EXPECT_EQ(m.interpreter.run(), 1);
    EXPECT_EQ(m.interpreter.runGroupOrders("G"), 1);
    EXPECT_EQ(m.recorder.calls, (std::vector<BuiltinCall>{{"Answer", {}}, {"Give", {1}}}));
}

TEST(InterpreterTables, MissingTablesAndUncompiledPrograms) {
    ScriptMachine m;
    EXPECT_EQ(m.interpreter.run(), -1);
    EXPECT_EQ(m.interpreter.runExceptions(), -1);
    EXPECT_EQ(m.interpreter.reset(), 0);
    m.program.setConditionsEntry(0);
    EXPECT_EQ(m.interpreter.run(), 0);
    // A program that failed to compile runs nothing, though its entry was already set.
    ScriptMachine failed;
    EXPECT_EQ(failed.compile("S { Conditions { var a; a = Give(1); }; oops }"), 0);
    EXPECT_GE(failed.program.conditionsEntry(), 0);
    EXPECT_EQ(failed.interpreter.run(), 0);
    EXPECT_TRUE(failed.recorder.calls.empty());
}

TEST(InterpreterTables, GlobalsPersistAndResetRunsTheDeclarationsAndTheFirstTable) {
    ScriptMachine m;
    ASSERT_EQ(m.compile("S { var g; Conditions { var n; n = n + 1; g = g + 10; }; }"), 1);
    // The compile's reset has run the Conditions table once already.
    EXPECT_EQ(m.interpreter.cell(0), 10);
    EXPECT_EQ(m.interpreter.cell(1), 1);
    EXPECT_EQ(m.interpreter.run(), 1);
    EXPECT_EQ(m.interpreter.run(), 1);
    EXPECT_EQ(m.interpreter.cell(0), 30);
    EXPECT_EQ(m.interpreter.cell(1), 3);
    // The run from word 0 sets g and the table's n to 0 again and runs the table's body once.
    EXPECT_EQ(m.interpreter.reset(), 1);
    EXPECT_EQ(m.interpreter.cell(0), 10);
    EXPECT_EQ(m.interpreter.cell(1), 1);
}

TEST(InterpreterTables, ResetStopsAtTheEndOfTheFirstTableWhicheverItIs) {
    const struct {
        const char* script;
        std::vector<BuiltinCall> calls;
        std::int32_t flag;
    } rows[] = {
        // A flag set in Conditions holds right after compiling; the Orders and Exceptions stay unrun.
        {"S { var f; Conditions { f = 1; }; Orders for G { f Give(1); }; Exceptions { Give(2); }; }", {}, 1},
        // Procedures before the table are passed by, not run.
        {"S { var f; procedure P() { Give(3); }; Conditions { f = Give2(4, 5); }; Exceptions { Give(6); }; }",
         {{"Give2", {4, 5}}},
         0},
        // An Orders table first: its entries are tried (t is 0, so none calls); the Conditions after it
        // do not run.
        {"S { var f, t; Orders for G { t Give(7); }; Conditions { f = 5; }; }", {}, 0},
        {"S { var f; Exceptions { Give(8); }; Conditions { f = 5; }; }", {{"Give", {8}}}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        ScriptMachine m;
        ASSERT_EQ(m.compile(row.script), 1) << m.compiler.errorMessage();
        EXPECT_EQ(m.recorder.calls, row.calls);
        EXPECT_EQ(m.interpreter.cell(0), row.flag);
    }
}

TEST(InterpreterTables, WriteAndWatchGoToTheTrace) {
    TraceCapture trace;
    ScriptMachine m;
    ASSERT_EQ(
        m.compile("S { procedure P() { write \"ab\";\n\n\n\n\n\n\n\n\n\n\n watch \"x\" 3 + 4; watch 5; };\n"
                  "Conditions { var r; r = P(); }; }"),
        1);
    EXPECT_EQ(m.interpreter.run(), 1);
    // Once from the compile's reset, once from the run.
    EXPECT_EQ(trace.text(), " ab\n x [12]: 7\n [12]: 5\n ab\n x [12]: 7\n [12]: 5\n");
}

TEST(InterpreterTables, ValuesLeftOnTheStackFailTheRun) {
    TraceCapture trace;
    ScriptMachine m;
    const std::vector<std::int32_t> code = {OP_PUSH, 1, OP_PUSH, 2, 70, -5, 1000, OP_END};
    loadCode(m.program, code);
    EXPECT_EQ(m.interpreter.runRoutine(0), 0);
    EXPECT_EQ(trace.text(), "WARNING: 2 stack elements remain\n");
    // The values stay, so the next clean run reports them again.
    EXPECT_EQ(m.interpreter.valueCount(), 2);
    EXPECT_EQ(m.interpreter.runRoutine(7), 0);
}

// Runs hand-made code from word 0 and answers the run's result and the trace.
std::pair<std::int32_t, std::string> runCode(const std::vector<std::int32_t>& code,
                                             std::int64_t stepLimit = 0) {
    TraceCapture trace;
    ScriptMachine m;
    loadCode(m.program, code);
    if (stepLimit) m.interpreter.setStepLimit(stepLimit);
    const std::int32_t result = m.interpreter.runRoutine(0);
    // Whatever went wrong, the next run starts clean.
    m.program.setWord(0, OP_END);
    EXPECT_EQ(m.interpreter.runRoutine(0), 1);
    EXPECT_EQ(m.interpreter.callDepth(), 0);
    return {result, trace.text()};
}

TEST(InterpreterLimits, BadCodeStopsTheRunWithATraceLine) {
    const struct {
        const char* name;
        std::vector<std::int32_t> code;
        std::int32_t result;
        const char* trace;
    } rows[] = {
        // clang-format off
        {"last cell", {OP_PUSH, 1, OP_STORE, 32699, OP_END}, 1, ""},
        {"past the cells", {OP_PUSH, 1, OP_STORE, 32700, OP_END}, 0,
         "Script run stopped at word 2: cell out of range\n"},
        {"below the cells", {OP_LOAD, -1, OP_END}, 0, "Script run stopped at word 0: cell out of range\n"},
        {"reference past the cells", {OP_PUSH, 32700, OP_STORE, 0, OP_LOAD_REF, 0, OP_END}, 0,
         "Script run stopped at word 4: cell out of range\n"},
        {"empty pop", {OP_POP, OP_END}, 0, "Script run stopped at word 0: value stack empty\n"},
        {"empty operand", {OP_ADD, OP_END}, 0, "Script run stopped at word 0: value stack empty\n"},
        {"jump before the code", {OP_JUMP, -1}, 0,
         "Script run stopped at word -1: program counter outside the code\n"},
        {"jump to the last word", {OP_JUMP, 1999}, 0,
         "Script run stopped at word 2000: program counter outside the code\n"},
        {"return without call", {OP_RETURN}, 0, "Script run stopped at word 0: return without a call\n"},
        {"level out of range", {OP_LOAD_UP, 32760, 0, OP_END}, 0,
         "Script run stopped at word 0: level out of range\n"},
        {"last level", {OP_LOAD_UP, 32759, 0, OP_POP, OP_END}, 1, ""},
        {"text past the code", {OP_PRINT, 5000}, 0, "Script run stopped at word 0: text outside the code\n"},
        {"call to itself", {OP_CALL, 1, 0, 0}, 0, "Script run stopped at word 0: call depth limit reached\n"},
        {"pushes for ever", {OP_PUSH, 1, OP_JUMP, 0}, 0, "Script run stopped at word 0: value stack full\n"},
        {"frame past the range", {OP_CALL, 1, 2147483647, 4, OP_CALL, 1, 2147483647, 8, OP_END}, 0,
         "Script run stopped at word 4: frame out of range\n"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto [result, trace] = runCode(row.code, 100000);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(trace, row.trace);
    }
}

TEST(InterpreterLimits, StepLimitCountsEveryInstruction) {
    // Five instructions: PUSH, PUSH, ADD, POP, END.
    const std::vector<std::int32_t> code = {OP_PUSH, 1, OP_PUSH, 2, OP_ADD, OP_POP, OP_END};
    EXPECT_EQ(runCode(code, 5).first, 1);
    EXPECT_EQ(runCode(code, 4), (std::pair<std::int32_t, std::string>{
                                    0, "Script run stopped at word 6: step limit reached\n"}));
    // The default stops a loop that never ends after about a million instructions.
    ScriptMachine m;
    ASSERT_EQ(m.compile("S { procedure Spin() { while 1 { }; }; Conditions { var r; r = Spin(); }; }"), 1);
    TraceCapture trace;
    EXPECT_EQ(m.interpreter.run(), 0);
    EXPECT_NE(trace.text().find(": step limit reached\n"), std::string::npos);
}

TEST(InterpreterLimits, CallDepthOfAThousandIsTheLast) {
    // D(n) ... D(0) are n + 1 nested calls.
    for (const auto& [n, result] : {std::pair{999, 1}, std::pair{1000, 0}}) {
        SCOPED_TRACE(n);
        TraceCapture trace;
        ScriptMachine m;
        ASSERT_EQ(m.compile("S { procedure D(n) { if n > 0 return D(-1 + n); return 7; };\n"
                            "Conditions { var r; r = D(" +
                            std::to_string(n) + "); }; }"),
                  1);
        EXPECT_EQ(m.interpreter.run(), result);
        EXPECT_EQ(m.interpreter.cell(0), result ? 7 : 0);
        EXPECT_EQ(trace.text().find("call depth limit reached") != std::string::npos, result == 0);
    }
}

TEST(InterpreterLimits, ARunInsideARunIsRefused) {
    static Interpreter* running = nullptr;
    static std::int32_t innerResult = -5;
    ScriptMachine m;
    m.compiler.addProcedure("Again", "");
    m.interpreter.addProcedure(+[](void*) { return innerResult = running->run(); });
    running = &m.interpreter;
    ASSERT_EQ(m.compile("S { Conditions { var r; r = Again() + 1; }; }"), 1);
    TraceCapture trace;
    EXPECT_EQ(m.interpreter.run(), 1);
    EXPECT_EQ(innerResult, 0);
    EXPECT_EQ(m.interpreter.cell(0), 1);
    EXPECT_EQ(trace.text(), "Script run refused: a run is already in progress\n");
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// v = w + k, a constant tested against a variable with its branch, and v = a op b run as one step each;
// near a limit they must fail exactly where the instructions one by one would.
TEST(InterpreterSequences, FailWhereTheSingleInstructionsWould) {
    const struct {
        const char* name;
        std::vector<std::int32_t> code;
        std::int64_t steps;
        std::int32_t result;
        const char* trace;
        std::int32_t cell1;
    } rows[] = {
        // clang-format off
        {"increment", {OP_PUSH, 4, OP_STORE, 0, OP_LOAD, 0, OP_PUSH, 5, OP_ADD, OP_STORE, 1, OP_END}, 7, 1, "", 9},
        {"increment past the step limit", {OP_LOAD, 0, OP_PUSH, 5, OP_ADD, OP_STORE, 1, OP_END}, 4, 0,
         "Script run stopped at word 7: step limit reached\n", 5},
        {"increment stopped inside", {OP_LOAD, 0, OP_PUSH, 5, OP_ADD, OP_STORE, 1, OP_END}, 3, 0,
         "Script run stopped at word 5: step limit reached\n", 0},
        {"increment into no cell", {OP_LOAD, 0, OP_PUSH, 5, OP_ADD, OP_STORE, 32700, OP_END}, 100, 0,
         "Script run stopped at word 5: cell out of range\n", 0},
        {"increment from no cell", {OP_LOAD, -1, OP_PUSH, 5, OP_ADD, OP_STORE, 1, OP_END}, 100, 0,
         "Script run stopped at word 0: cell out of range\n", 0},
        {"wrapping increment", {OP_PUSH, 2147483647, OP_STORE, 0, OP_LOAD, 0, OP_PUSH, 1, OP_ADD, OP_STORE, 1,
         OP_END}, 100, 1, "", INT_MIN},
        {"test that holds", {OP_PUSH, 3, OP_LOAD, 0, OP_GE, OP_JUMP_FALSE, 11, OP_PUSH, 1, OP_STORE, 1, OP_END},
         100, 1, "", 1},
        {"test that fails", {OP_PUSH, -3, OP_LOAD, 0, OP_GE, OP_JUMP_FALSE, 11, OP_PUSH, 1, OP_STORE, 1, OP_END},
         100, 1, "", 0},
        {"test with a bad cell", {OP_PUSH, 3, OP_LOAD, 40000, OP_LT, OP_JUMP_FALSE, 7, OP_END}, 100, 0,
         "Script run stopped at word 2: cell out of range\n", 0},
        {"test stopped inside", {OP_PUSH, 3, OP_LOAD, 0, OP_LT, OP_JUMP_FALSE, 7, OP_END}, 3, 0,
         "Script run stopped at word 5: step limit reached\n", 0},
        {"arithmetic", {OP_PUSH, 6, OP_STORE, 0, OP_LOAD, 0, OP_LOAD, 0, OP_MUL, OP_STORE, 1, OP_END}, 100, 1, "",
         36},
        {"arithmetic into no cell", {OP_LOAD, 0, OP_LOAD, 0, OP_SUB, OP_STORE, -2, OP_END}, 100, 0,
         "Script run stopped at word 5: cell out of range\n", 0},
        {"arithmetic with a bad operand", {OP_LOAD, 0, OP_LOAD, 32700, OP_SUB, OP_STORE, 1, OP_END}, 100, 0,
         "Script run stopped at word 2: cell out of range\n", 0},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TraceCapture trace;
        ScriptMachine m;
        loadCode(m.program, row.code);
        m.interpreter.setStepLimit(row.steps);
        EXPECT_EQ(m.interpreter.runRoutine(0), row.result);
        EXPECT_EQ(trace.text(), row.trace);
        EXPECT_EQ(m.interpreter.cell(1), row.cell1);
    }
}

TEST(InterpreterSequences, AFullStackIsLeftToTheSingleInstructions) {
    // A loop leaves one value per pass while cell 0 counts up to the limit; then one more value, and an
    // increment. With 32,765 passes the last increment finds one free slot of the two it needs; with
    // 32,766 the increment inside the last pass does.
    for (const auto& [passes, trace] :
         {std::pair{32765, "Script run stopped at word 23: value stack full\n"},
          std::pair{32766, "Script run stopped at word 11: value stack full\n"}}) {
        SCOPED_TRACE(passes);
        const std::vector<std::int32_t> code = {OP_PUSH, passes,  OP_LOAD,  0,       OP_GT,   OP_JUMP_FALSE,
                                                19,      OP_PUSH, 7,        OP_LOAD, 0,       OP_PUSH,
                                                1,       OP_ADD,  OP_STORE, 0,       OP_JUMP, 0,
                                                0,       OP_PUSH, 9,        OP_LOAD, 1,       OP_PUSH,
                                                5,       OP_ADD,  OP_STORE, 1,       OP_END};
        ScriptMachine m;
        loadCode(m.program, code);
        TraceCapture capture;
        EXPECT_EQ(m.interpreter.runRoutine(0), 0);
        EXPECT_EQ(capture.text(), trace);
        EXPECT_EQ(m.interpreter.cell(0), 32765);
    }
}

TEST(InterpreterSequences, ChangedCodeIsTranslatedAgain) {
    ScriptMachine m;
    const std::vector<std::int32_t> code = {OP_LOAD, 0, OP_PUSH, 5, OP_ADD, OP_STORE, 1, OP_END};
    loadCode(m.program, code);
    EXPECT_EQ(m.interpreter.runRoutine(0), 1);
    EXPECT_EQ(m.interpreter.cell(1), 5);
    m.program.setWord(4, OP_SUB);
    EXPECT_EQ(m.interpreter.runRoutine(0), 1);
    EXPECT_EQ(m.interpreter.cell(1), -5);
    m.program.setWord(2, OP_LOAD);
    m.program.setWord(3, 1);
    EXPECT_EQ(m.interpreter.runRoutine(0), 1);
    EXPECT_EQ(m.interpreter.cell(1), 5);
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// for i = 1 to 3 s = s + i, as the compiler lays a counted loop out (i in cell 0, s in cell 1): the
// step at word 6 and the test at 13 are each one sequence, and the jump back at 27 takes both with it.
// Three passes are 47 instructions: 3 before the first test (4), then per pass the body (4), the jump
// back (1), the step (4) and the test (4), and END.
const std::vector<std::int32_t> countedLoop = {OP_PUSH, 1,       OP_STORE, 0,     OP_JUMP, 13, // i = 1
                                               OP_LOAD, 0,       OP_PUSH,  1,     OP_ADD,  OP_STORE,
                                               0, // 6: i = i + 1
                                               OP_PUSH, 3,       OP_LOAD,  0,     OP_GE,   OP_JUMP_FALSE,
                                               29, // 13: 3 >= i, else out
                                               OP_LOAD, 1,       OP_LOAD,  0,     OP_ADD,  OP_STORE,
                                               1,       OP_JUMP, 6,        OP_END}; // 20: s = s + i; 29

TEST(InterpreterSequences, ACountedLoopStopsWhereItsInstructionsWould) {
    const struct {
        std::int64_t steps;
        std::int32_t result;
        const char* trace;
        std::int32_t i, s;
    } rows[] = {
        // clang-format off
        {47, 1, "", 4, 6},
        {46, 0, "Script run stopped at word 29: step limit reached\n", 4, 6},
        {12, 0, "Script run stopped at word 6: step limit reached\n", 1, 1},  // the jump back was the last
        {13, 0, "Script run stopped at word 8: step limit reached\n", 1, 1},  // inside the step
        {16, 0, "Script run stopped at word 13: step limit reached\n", 2, 1}, // the step done
        {19, 0, "Script run stopped at word 18: step limit reached\n", 2, 1}, // before the branch
        {20, 0, "Script run stopped at word 20: step limit reached\n", 2, 1}, // a whole pass
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.steps);
        TraceCapture trace;
        ScriptMachine m;
        loadCode(m.program, countedLoop);
        m.interpreter.setStepLimit(row.steps);
        EXPECT_EQ(m.interpreter.runRoutine(0), row.result);
        EXPECT_EQ(trace.text(), row.trace);
        EXPECT_EQ(m.interpreter.cell(0), row.i);
        EXPECT_EQ(m.interpreter.cell(1), row.s);
    }
}

TEST(InterpreterSequences, OneInstructionAtATimeTakesNoSequence) {
    // Every step limit: the whole run and the run one instruction at a time stop at the same word with
    // the same cells, and one at a time takes exactly the 47 instructions.
    for (std::int64_t steps = 1; steps <= 48; ++steps) {
        SCOPED_TRACE(steps);
        ScriptMachine whole, stepped;
        loadCode(whole.program, countedLoop);
        loadCode(stepped.program, countedLoop);
        whole.interpreter.setStepLimit(steps);
        stepped.interpreter.setStepLimit(steps);
        TraceCapture trace;
        whole.interpreter.runRoutine(0);
        std::int32_t pc = 0, instructions = 0;
        while (stepped.interpreter.execute(pc))
            ++instructions;
        EXPECT_EQ(instructions, std::min<std::int64_t>(steps, 46));
        const std::string stopped =
            steps >= 47 ? "" : "Script run stopped at word " + std::to_string(pc) + ": ";
        EXPECT_EQ(trace.text().substr(0, stopped.size()), stopped);
        EXPECT_EQ(whole.interpreter.cell(0), stepped.interpreter.cell(0));
        EXPECT_EQ(whole.interpreter.cell(1), stepped.interpreter.cell(1));
    }
}

TEST(InterpreterSequences, AJumpBackFallsBackWhereItsStepOrTestWouldFail) {
    const struct {
        const char* name;
        std::int32_t word, value; // one word of the loop changed
        const char* trace;
        std::int32_t i;
    } rows[] = {
        {"step from no cell", 7, 32700, "Script run stopped at word 6: cell out of range\n", 1},
        {"step into no cell", 12, -1, "Script run stopped at word 11: cell out of range\n", 1},
        // The step is done before the test's load fails, as one by one.
        {"test of no cell", 16, 40000, "Script run stopped at word 15: cell out of range\n", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TraceCapture trace;
        ScriptMachine m;
        std::vector<std::int32_t> code = countedLoop;
        code[static_cast<std::size_t>(row.word)] = row.value;
        // The first test and pass run on an intact loop; the change waits behind the body.
        code[5] = 20;
        loadCode(m.program, code);
        EXPECT_EQ(m.interpreter.runRoutine(0), 0);
        EXPECT_EQ(trace.text(), row.trace);
        EXPECT_EQ(m.interpreter.cell(0), row.i);
        EXPECT_EQ(m.interpreter.cell(1), 1);
    }
}

TEST(InterpreterSequences, AJumpBackWithOneFreeValueLeavesItToTheStepsLoad) {
    // Each pass leaves a 7 on the stack. After 32,766 passes one slot is free: the step's load takes it
    // and its push of the 1 finds the stack full.
    const std::vector<std::int32_t> code = {OP_PUSH, 1,       OP_STORE, 0,      OP_JUMP,       13, OP_LOAD,
                                            0,       OP_PUSH, 1,        OP_ADD, OP_STORE,      0,  OP_PUSH,
                                            100000,  OP_LOAD, 0,        OP_GE,  OP_JUMP_FALSE, 24, OP_PUSH,
                                            7,       OP_JUMP, 6,        OP_END};
    ScriptMachine m;
    loadCode(m.program, code);
    TraceCapture trace;
    EXPECT_EQ(m.interpreter.runRoutine(0), 0);
    EXPECT_EQ(trace.text(), "Script run stopped at word 8: value stack full\n");
    EXPECT_EQ(m.interpreter.cell(0), 32766);
}

TEST(InterpreterLimits, TheCodePastItsLastWordInUse) {
    const struct {
        const char* name;
        std::vector<std::int32_t> code;
        std::int32_t word, value; // a word set far out, when word > 0
        std::int64_t steps;
        const char* trace;
    } rows[] = {
        // clang-format off
        // Jump, then 1990 to 1993: the sixth step would be the word 1994.
        {"out of steps among zero words", {OP_JUMP, 1990}, 0, 0, 5,
         "Script run stopped at word 1994: step limit reached\n"},
        {"zero words run to the end", {OP_JUMP, 3}, 0, 0, 100000,
         "Script run stopped at word 2000: program counter outside the code\n"},
        // The jump's operand is a zero word after the last one in use.
        {"operand past the last word in use", {OP_PUSH, 0, OP_JUMP_FALSE, 0}, 0, 0, 10,
         "Script run stopped at word 0: step limit reached\n"},
        {"built-in with its operands in the code", {OP_JUMP, 1997}, 1997, OP_CALL_BUILTIN, 100,
         "Script run stopped at word 1997: bad argument mask\n"},
        {"built-in cut by the end", {OP_JUMP, 1998}, 1998, OP_CALL_BUILTIN, 100,
         "Script run stopped at word 1998: operand outside the code\n"},
        {"call cut by the end", {OP_JUMP, 1997}, 1997, OP_CALL, 100,
         "Script run stopped at word 1997: operand outside the code\n"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TraceCapture trace;
        ScriptMachine m;
        loadCode(m.program, row.code);
        if (row.word > 0) m.program.setWord(row.word, row.value);
        m.interpreter.setStepLimit(row.steps);
        EXPECT_EQ(m.interpreter.runRoutine(0), 0);
        EXPECT_EQ(trace.text(), row.trace);
    }
}

} // namespace
} // namespace vael::test
