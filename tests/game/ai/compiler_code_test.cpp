// The code words of each construct, computed by hand from the instruction set.
#include <gtest/gtest.h>

#include "script_test_support.h"

namespace vael::test {
namespace {

// The expected words are laid out one construct to a line, as the instruction set reads them.
// clang-format off

struct CodeRow {
    const char* script;
    std::vector<std::int32_t> words;
    std::int32_t conditionsEntry;
};

TEST(CompilerCode, EmitsTheWordsOfEachConstruct) {
    const CodeRow rows[] = {
        // The first table's lead jumps on to its body, which the reset runs up to the table's OP_END;
        // the script ends with one more.
        {"S { Conditions { }; }", {64, 2, 69, 69}, 2},
        // Global variables are set to 0 where they stand; the Conditions variables before the entry.
        {"S { var g; Conditions { var a, b; a = 1 + 2; }; }",
         {4, 0, 5, 0, 64, 6, 4, 0, 5, 1, 4, 0, 5, 2, 4, 1, 4, 2, 42, 5, 1, 69, 69},
         14},
        // Right grouping: a - b - c is a - (b - c); AND/OR/XOR likewise; * and / bind tighter.
        {"S { Conditions { var a, b, c; a = a - b - c; b = a AND b OR c; c = a * b + c / 2; }; }",
         {64, 2, 4, 0, 5, 0, 4, 0, 5, 1, 4, 0, 5, 2,
          1, 0, 1, 1, 1, 2, 43, 43, 5, 0,
          1, 0, 1, 1, 1, 2, 33, 32, 5, 1,
          1, 0, 1, 1, 44, 1, 2, 4, 2, 45, 42, 5, 2, 69, 69},
         14},
        // Relations, "< =" with a space, NOT, a constant, negative literals.
        {"S { Conditions { var a; a = 1 < = 2; a = NOT a = = TEN; a = -5 > MINUS; a = 3 ! = -2147483648; }; }",
         {64, 2, 4, 0, 5, 0,
          4, 1, 4, 2, 41, 5, 0,
          1, 0, 34, 4, 10, 36, 5, 0,
          4, -5, 4, -3, 38, 5, 0,
          4, 3, 4, INT32_MIN, 37, 5, 0, 69, 69},
         6},
        // A for loop tests first: e1, store; jump to the test; step; test; body; jump to the step.
        {"S { procedure P() { var i; for i = 1 to 3 i = i; }; Conditions { }; }",
         {64, 35, 4, 0, 5, 0, 4, 1, 5, 0, 64, 19, 1, 0, 4, 1, 42, 5, 0, 4, 3, 1, 0, 40, 65, 32, 1, 0, 5, 0, 64,
          12, 4, 0, 67, 64, 37, 69, 69},
         37},
        {"S { procedure P() { var i; for i = 3 downto 1 { }; }; Conditions { }; }",
         {64, 31, 4, 0, 5, 0, 4, 3, 5, 0, 64, 19, 1, 0, 4, -1, 42, 5, 0, 4, 1, 1, 0, 41, 65, 28, 64, 12, 4, 0, 67,
          64, 33, 69, 69},
         33},
        // while with break and continue; if without else.
        {"S { procedure P() { var i; while i < 5 { if i = = 2 break; continue; }; }; Conditions { }; }",
         {64, 29, 4, 0, 5, 0, 1, 0, 4, 5, 39, 65, 26, 1, 0, 4, 2, 36, 65, 22, 64, 26, 64, 6, 64, 6, 4, 0, 67,
          64, 31, 69, 69},
         31},
        // if with else.
        {"S { procedure P(a) { if a a = 1 else a = 2; }; Conditions { }; }",
         {64, 21, 7, 0, 1, 0, 65, 14, 4, 1, 5, 0, 64, 18, 4, 2, 5, 0, 4, 0, 67, 64, 23, 69, 69},
         23},
        // write ends its text with a line end; watch prints its label and names the line.
        {"S { procedure P() { write \"ab\";\n watch \"x\" 3 + 4; }; Conditions { }; }",
         {64, 20, 97, 3, 'a', 'b', 10, 97, 1, 'x', 4, 3, 4, 4, 42, 96, 2, 4, 0, 67, 64, 22, 69, 69},
         22},
        // Built-in calls: a variable passes its cell, an expression goes through temporary cell
        // varcount + k; the mask comes from the signature.
        {"S { Conditions { var a, b; a = Give2(1, b) + Give(a) + Answer(); }; }",
         {64, 2, 4, 0, 5, 0, 4, 0, 5, 1,
          4, 1, 5, 2, 3, 2, 3, 1, 68, 7, 1,
          3, 0, 68, 3, 0,
          68, 1, 5, 42, 42, 5, 0, 69, 69},
         10},
    };
    for (const CodeRow& row : rows) {
        SCOPED_TRACE(row.script);
        ScriptMachine m;
        ASSERT_EQ(m.compiler.compileText(row.script), 1) << m.compiler.errorMessage();
        EXPECT_EQ(codeWords(m.program, row.words.size() + 2), [&] {
            std::vector<std::int32_t> padded = row.words;
            padded.insert(padded.end(), {0, 0});
            return padded;
        }());
        EXPECT_EQ(m.program.conditionsEntry(), row.conditionsEntry);
        EXPECT_EQ(m.program.allocatedWords(), 2000);
    }
}

TEST(CompilerCode, OrdersAndExceptionsTables) {
    ScriptMachine m;
    ASSERT_EQ(m.compiler.compileText("S { Conditions { var a, b; };\n"
                                     "Orders for G { a, b Give(a); b Give2(1, b); };\n"
                                     "Exceptions { Answer(); };\n"
                                     "Exceptions for G { Bump(b); }; }"),
              1)
        << m.compiler.errorMessage();
    const std::vector<std::int32_t> expected = {
        64, 2, 4, 0, 5, 0, 4, 0, 5, 1, 69,
        // Orders for G: entry 13.
        64, 51, 4, 1, 1, 0, 32, 1, 1, 32, 65, 30, 3, 0, 68, 3, 0, 18, 69,
        4, 1, 1, 1, 32, 65, 50, 4, 1, 5, 2, 3, 2, 3, 1, 68, 7, 1, 18, 69, 69,
        // Exceptions: entry 53.
        64, 58, 68, 1, 5, 18, 69,
        // Exceptions for G: entry 60.
        64, 67, 3, 1, 68, 2, 3, 18, 69,
        69, 0};
    EXPECT_EQ(codeWords(m.program, expected.size()), expected);
    std::int32_t entry = 0;
    EXPECT_TRUE(m.program.findOrders("G", entry));
    EXPECT_EQ(entry, 13);
    EXPECT_EQ(m.program.exceptionsEntry(), 53);
    EXPECT_TRUE(m.program.findExceptions("G", entry));
    EXPECT_EQ(entry, 60);
    EXPECT_FALSE(m.program.findOrders("g", entry));
}

TEST(CompilerCode, ProceduresCallsAndReturns) {
    ScriptMachine m;
    ASSERT_EQ(m.compiler.compileText("S { procedure F(a, var b) { b = a; return a + 1; };\n"
                                     "Conditions { var x, y; x = F(5, y); }; }"),
              1)
        << m.compiler.errorMessage();
    // F: the parameters are taken from the last; a value parameter copies, a reference keeps the cell.
    // The call's frame offset d = 2 variables + 1 temporary - F's first variable 0.
    const std::vector<std::int32_t> expected = {64, 19, 5, 1, 7, 0, 1, 0, 6, 1, 1, 0, 4, 1, 42, 67, 4, 0, 67,
                                                64, 21, 4, 0, 5, 0, 4, 0, 5, 1,
                                                4, 5, 5, 2, 3, 2, 3, 1, 66, 1, 3, 2, 5, 0, 69, 69};
    EXPECT_EQ(codeWords(m.program, expected.size()), expected);
}

TEST(CompilerCode, PrototypeCallsArePatchedWhenTheBodyComes) {
    ScriptMachine m;
    ASSERT_EQ(m.compiler.compileText("S { procedure P(a);\n"
                                     "procedure Q() { return P(7); };\n"
                                     "procedure P(a) { return a * 2; };\n"
                                     "Conditions { var r; r = Q(); }; }"),
              1)
        << m.compiler.errorMessage();
    // The prototype is a jump to the word after it; Q's call of P gets level 1, d = 1 - 0 and address
    // 20 when P's body is declared.
    const std::vector<std::int32_t> expected = {64, 2,
                                                64, 18, 4, 7, 5, 0, 3, 0, 66, 1, 1, 20, 67, 4, 0, 67,
                                                64, 31, 7, 0, 1, 0, 4, 2, 44, 67, 4, 0, 67,
                                                64, 33, 4, 0, 5, 0, 66, 1, 1, 4, 5, 0, 69, 69};
    EXPECT_EQ(codeWords(m.program, expected.size()), expected);
}

TEST(CompilerCode, EnclosingVariablesGoThroughTheDisplay) {
    ScriptMachine m;
    ASSERT_EQ(m.compiler.compileText("S { var g;\n"
                                     "procedure P(var r) { var x;\n"
                                     "  procedure Q() { x = g; Bump(x); Bump(r); Bump(g); };\n"
                                     "  x = r; };\n"
                                     "Conditions { }; }"),
              1)
        << m.compiler.errorMessage();
    // g is variable 0 (level 0), r 1 (a reference, level 1), x 2 (level 1); Q runs at level 2.
    const std::vector<std::int32_t> expected = {
        4, 0, 5, 0,
        64, 51, 5, 1, 4, 0, 5, 2,
        64, 44,
        8, 0, 0, 16, 1, 2,      // x = g
        10, 1, 2, 68, 2, 3, 18, // Bump(x): the cell of P's x
        8, 1, 1, 68, 2, 3, 18,  // Bump(r): the cell r refers to
        10, 0, 0, 68, 2, 3, 18, // Bump(g)
        4, 0, 67,
        2, 1, 5, 2, 4, 0, 67,   // x = r
        64, 53, 69, 69};
    EXPECT_EQ(codeWords(m.program, expected.size()), expected);
}

TEST(CompilerCode, NestedCallArgumentsKeepTheirTemporaries) {
    ScriptMachine m;
    ASSERT_EQ(m.compiler.compileText("S { Conditions { var a; a = Give2(1 + a, Give(2 + a)); }; }"), 1)
        << m.compiler.errorMessage();
    // The inner call's temporary is cell 2, above the outer call's cell 1 that already holds a + 1.
    const std::vector<std::int32_t> expected = {64, 2, 4, 0, 5, 0,
                                                4, 1, 1, 0, 42, 5, 1, 3, 1,
                                                4, 2, 1, 0, 42, 5, 2, 3, 2, 68, 3, 0,
                                                5, 2, 3, 2, 68, 7, 1, 5, 0, 69, 69};
    EXPECT_EQ(codeWords(m.program, expected.size()), expected);
}

// clang-format on

} // namespace
} // namespace vael::test
