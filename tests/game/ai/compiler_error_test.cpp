#include <gtest/gtest.h>

#include <fstream>

#include "script_test_support.h"

namespace vael::test {
namespace {

struct ErrorRow {
    std::string script;
    std::string line; // the first trace line
};

// The line of the report that names the error (a prototype left without body is named first).
std::string errorLine(const std::string& text) {
    const std::size_t at = text.find(" ERROR at ");
    if (at == std::string::npos) return text;
    const std::size_t start = text.rfind('\n', at);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    return text.substr(from, text.find('\n', at) - from);
}

TEST(CompilerErrors, ReportEveryMessageWithItsLine) {
    const std::string eight = "procedure P(a, b, c, d, e, f, g, h) { };";
    const ErrorRow rows[] = {
        {"{ }", " ERROR at 1: Illegal script name"},
        {"S Conditions", "S ERROR at 1: Missing open bracket"},
        {"S { Conditions\n x", "S ERROR at 2: Missing open bracket"},
        {"S { Conditions { } }", "S ERROR at 1: Missing semicolon"},
        {"S { Conditions { var a }; }", "S ERROR at 1: Missing semicolon"},
        {"S { Conditions { }; } x", "S ERROR at 1: Expecting end of file"},
        {"S { }", "S ERROR at 1: Missing Conditions block"},
        {"S { foo; }", "S ERROR at 1: Unknown object"},
        {"S { 5; }", "S ERROR at 1: Unknown object"},
        {"S { Conditions { };", "S ERROR at 1: Unknown object"},
        {"S { import foo; }", "S ERROR at 1: Import file lacks quotes"},
        {"S {\n import \"nothere.txt\"; }", "S ERROR at 2: Import file would not open"},
        {"S { Conditions { };\nConditions { }; }", "S ERROR at 2: Duplicate Conditions table"},
        {"S { Orders G { }; }", "S ERROR at 1: Missing 'for' keyword"},
        {"S { Orders for 1 { }; }", "S ERROR at 1: Illegal group name"},
        {"S { Exceptions for \"G\" { }; }", "S ERROR at 1: Illegal group name"},
        {"S { Orders for G { }; Orders for G { }; }", "S ERROR at 1: Duplicate group Orders table"},
        {"S { Exceptions for G { }; Exceptions for G { }; }",
         "S ERROR at 1: Duplicate group Exceptions table"},
        {"S { Exceptions { }; Exceptions { }; }", "S ERROR at 1: Duplicate Exceptions table"},
        {"S { Orders for G { x Give(1); }; }", "S ERROR at 1: Unknown condition"},
        {"S { var a; Orders for G { a, TEN Give(1); }; }", "S ERROR at 1: Unknown condition"},
        {"S { procedure P() { break; }; }", "S ERROR at 1: Keyword 'break' found outside of any loop"},
        {"S { procedure P() { continue; }; }", "S ERROR at 1: Keyword 'continue' found outside of any loop"},
        // A procedure declared inside a loop has no loop of its own to leave.
        {"S { procedure P() { var i; while i { procedure Q() { break; }; }; }; }",
         "S ERROR at 1: Keyword 'break' found outside of any loop"},
        {"S { procedure P() { 5; }; }", "S ERROR at 1: Illegal statement"},
        {"S { Exceptions { 5; }; }", "S ERROR at 1: Illegal statement"},
        {"S { Conditions { \"a\" = 1; }; }", "S ERROR at 1: Illegal statement"},
        {"S { var 5; }", "S ERROR at 1: Illegal variable identifier"},
        {"S { var a, a; }", "S ERROR at 1: Duplicate identifier"},
        {"S { var TEN; }", "S ERROR at 1: Duplicate identifier"},
        {"S { var Give; }", "S ERROR at 1: Duplicate identifier"},
        {"S { const a 1; var a; }", "S ERROR at 1: Duplicate identifier"},
        {"S { var F; procedure F() { }; }", "S ERROR at 1: Duplicate identifier"},
        {"S { var g; procedure P(g) { }; }", "S ERROR at 1: Duplicate identifier"},
        {"S { const 5 5; }", "S ERROR at 1: Illegal constant identifier"},
        {"S { const A x; }", "S ERROR at 1: Illegal constant"},
        {"S { const A - x; }", "S ERROR at 1: Illegal constant"},
        {"S { procedure P() { var i; for q = 1 to 2 { }; }; }", "S ERROR at 1: Unknown identifier"},
        {"S { procedure P() { nosuch(); }; }", "S ERROR at 1: Unknown identifier"},
        {"S { procedure P() { TEN(); }; }", "S ERROR at 1: Unknown identifier"},
        {"S { Conditions { var a; a = nosuch; }; }", "S ERROR at 1: Unknown identifier"},
        {"S { Conditions { var a; a = b; }; }", "S ERROR at 1: Unknown identifier"},
        {"S { Conditions { nosuch = 1; }; }", "S ERROR at 1: Unknown identifier"},
        // A variable does not outlive its block (a constant does).
        {"S { procedure P() { { var v; }; return v; }; }", "S ERROR at 1: Unknown identifier"},
        // "<>" is "<" followed by an operand that starts with ">".
        {"S { Conditions { var a; a = 1 <> 2; }; }", "S ERROR at 1: Unknown identifier"},
        {"S { Conditions { var a; a 5; }; }", "S ERROR at 1: Assignment missing '='"},
        {"S { procedure P() { var i; for i 1 to 2 { }; }; }", "S ERROR at 1: For statement missing '='"},
        {"S { procedure P() { var i; for i = 1 upto 2 { }; }; }",
         "S ERROR at 1: Missing directional keyword"},
        {"S { procedure 5() { }; }", "S ERROR at 1: Illegal procedure name"},
        {"S { procedure P { }; }", "S ERROR at 1: Missing open parenthesis"},
        {"S { Exceptions { Give 5; }; }", "S ERROR at 1: Missing open parenthesis"},
        {"S { procedure P(a { }; }", "S ERROR at 1: Missing close parenthesis"},
        {"S { Conditions { var a; a = Give(a + 1); }; }", "S ERROR at 1: Missing close parenthesis"},
        {"S { Conditions { var a; a = (1 + 2; }; }", "S ERROR at 1: Missing close parenthesis"},
        {"S { procedure P(5) { }; }", "S ERROR at 1: Illegal formal parameter"},
        {"S { procedure P(var) { }; }", "S ERROR at 1: Illegal formal parameter"},
        {"S { procedure P() { }; procedure P() { }; }", "S ERROR at 1: Duplicate procedure identifier"},
        {"S { procedure Give(a) { }; }", "S ERROR at 1: Duplicate procedure identifier"},
        {"S { procedure P(a);\nprocedure P(b); }", "S ERROR at 2: Procedure has multiple prototypes"},
        {"S { Exceptions { Give(1, 2); }; }", "S ERROR at 1: Wrong number of arguments"},
        {"S { procedure P(a) { }; Exceptions { P(); }; }", "S ERROR at 1: Wrong number of arguments"},
        {"S { Exceptions { Bump(1); }; }", "S ERROR at 1: Cannot pass non-variable by reference"},
        {"S { Exceptions { Mixed(1, 2, 3); }; }", "S ERROR at 1: Cannot pass non-variable by reference"},
        {"S { procedure P(var a) { }; Exceptions { P(TEN); }; }",
         "S ERROR at 1: Cannot pass non-variable by reference"},
        {"S { Conditions { var a; a = 1 = 2; }; }", "S ERROR at 1: Illeagal relational operator"},
        {"S { Conditions { var a; a = 1 ! 2; }; }", "S ERROR at 1: Illeagal relational operator"},
        {"S { Conditions { var a; a = - a; }; }", "S ERROR at 1: Illegal number"},
        {"S { Conditions { var a; a = 2147483648; }; }", "S ERROR at 1: Illegal number"},
        {"S { Conditions { var a; a = -2147483649; }; }", "S ERROR at 1: Illegal number"},
        {"S { const A 99999999999; }", "S ERROR at 1: Illegal number"},
        {"S { procedure P() { write 5; }; }", "S ERROR at 1: Write string lacks quotes"},
        {"S { procedure P();\n Conditions { }; }", "S ERROR at 2: Block contains prototype without body"},
        {"S { procedure P() { procedure Q(); }; }", "S ERROR at 1: Block contains prototype without body"},
        {"S { " + eight + " }", "S ERROR at 1: Too many parameters"},
        {"S { Conditions { var a; a = \"x; }; }", "S ERROR at 1: Scanner Error at 1: Unmatched quotation"},
        {"S {\n\n var 12ab; }", "S ERROR at 3: Scanner Error at 3: Number contains illegal 'a'"},
        // A letter of Latin-1 in a name is a byte the scanner stops at, and is told as that byte.
        {"S {\n var Bj\xF6rn; }", "S ERROR at 2: Scanner Error at 2: Alpha contains illegal char '\\xF6'"},
        {"Sixteen_letters_ { }", "Sixteen_letters ERROR at 1: Missing Conditions block"},
    };
    for (const ErrorRow& row : rows) {
        SCOPED_TRACE(row.script);
        TraceCapture trace;
        ScriptMachine m;
        EXPECT_EQ(m.compiler.compileText(row.script), 0);
        EXPECT_EQ(errorLine(trace.text()), row.line);
        EXPECT_EQ(m.program.isCompiled(), 0);
        // The tables are back to the predefined entries and the next compile writes from word 0.
        EXPECT_EQ(m.compiler.variableCount(), 0);
        EXPECT_EQ(m.compiler.constantCount(), 2);
        EXPECT_EQ(m.compiler.procedureCount(), 7);
        EXPECT_EQ(m.compiler.codePosition(), 0);
    }
}

TEST(CompilerErrors, SecondLineShowsTheCurrentToken) {
    TraceCapture trace;
    ScriptMachine m;
    EXPECT_EQ(m.compiler.compileText("Plan {\n Conditions { var a; a = 1 + ; }; }"), 0);
    EXPECT_EQ(trace.text(), "Plan ERROR at 2: Unknown identifier\nCURRENT TOKEN: ;\n");
    EXPECT_EQ(m.compiler.errorMessage(), "Unknown identifier");
}

TEST(CompilerErrors, PrototypeLeftWithoutBodyIsNamedOnTheTrace) {
    TraceCapture trace;
    ScriptMachine m;
    EXPECT_EQ(m.compiler.compileText("S { procedure P(); Conditions { }; }"), 0);
    EXPECT_EQ(trace.text(),
              "Removing: 7\nS ERROR at 1: Block contains prototype without body\nCURRENT TOKEN: \n");
}

TEST(CompilerErrors, FailedOpenAndProgramTooLarge) {
    {
        TraceCapture trace;
        ScriptMachine m;
        EXPECT_EQ(m.compiler.compile("/nonexistent/plan.txt"), 0);
        EXPECT_EQ(errorLine(trace.text()), " ERROR at 1: Failed to open source file");
    }
    // Each assignment a = 1 is 4 words; the lead, the variable and the two OP_ENDs add 8. 7,998
    // assignments fill words 0 to 31,999; one more puts the final OP_END at word 32,000.
    for (const auto& [assignments, result] : {std::pair{7998, 1}, std::pair{7999, 0}}) {
        SCOPED_TRACE(assignments);
        std::string script = "S { Conditions { var a;\n";
        for (int i = 0; i < assignments; ++i)
            script += "a = 1;";
        TraceCapture trace;
        ScriptMachine m;
        EXPECT_EQ(m.compiler.compileText(script + "}; }"), result);
        EXPECT_EQ(m.compiler.errorMessage(), result ? "" : "Program too large");
    }
}

TEST(CompilerErrors, DeepNestingIsRefusedNotRecursedInto) {
    const std::string deep =
        "S { Conditions { var a; a = " + std::string(5000, '(') + "1" + std::string(5000, ')') + "; }; }";
    ScriptMachine m;
    EXPECT_EQ(m.compiler.compileText(deep), 0);
    EXPECT_EQ(m.compiler.errorMessage(), "Nesting too deep");
    // Forty levels are well within reach.
    ScriptMachine fresh;
    const std::string fine =
        "S { Conditions { var a; a = " + std::string(40, '(') + "1" + std::string(40, ')') + "; }; }";
    EXPECT_EQ(fresh.compiler.compileText(fine), 1) << fresh.compiler.errorMessage();
}

TEST(CompilerImports, ImportedObjectsStandWhereTheImportDoes) {
    TempDir dir("ai-import-ok");
    std::ofstream(dir / "lib.txt")
        << "const K 5;\nimport \"sub\\more.txt\";\nprocedure Twice(a) { return a * 2; };\n";
    std::filesystem::create_directories(dir / "sub");
    std::ofstream(dir / "sub" / "more.txt") << "var g;\n";
    ScriptMachine m;
    m.compiler.setImportDirectory(dir.path());
    ASSERT_EQ(m.compile("S { import \"lib.txt\"; Conditions { var r; r = Twice(K) + g; }; }"), 1)
        << m.compiler.errorMessage();
    // g's declaration, then Twice, then the table.
    const std::vector<std::int32_t> expected = {4, 0, 5, 0, 64, 17, 7, 1, 1, 1, 4, 2, 44, 67, 4, 0, 67, 64};
    EXPECT_EQ(codeWords(m.program, expected.size()), expected);
    EXPECT_EQ(m.interpreter.run(), 1);
    EXPECT_EQ(m.interpreter.cell(1), 10);
}

// A plan and the file it imports, each saved by an editor that puts a byte order mark before UTF-8: the mark
// is no part of the script's name nor of the import's first word, and lines count as without it.
TEST(CompilerImports, APlanAndItsImportMarkedAsUtf8CompileAsUnmarked) {
    TempDir dir("ai-marked");
    const std::string mark = "\xEF\xBB\xBF";
    std::ofstream(dir / "lib.txt", std::ios::binary) << mark << "const K 5;\nvar g;\n";
    std::ofstream(dir / "plan.pln", std::ios::binary)
        << mark << "S { import \"lib.txt\"; Conditions { var r; r = K + g; }; }\n";
    std::ofstream(dir / "bad.pln", std::ios::binary) << mark << "S {\n Conditions { var 9; }; }\n";
    for (const char* plan : {"plan.pln", "bad.pln"}) {
        SCOPED_TRACE(plan);
        ScriptMachine m;
        m.compiler.setImportDirectory(dir.path());
        const bool good = plan[0] == 'p';
        EXPECT_EQ(m.compiler.compile((dir / plan).string()), good ? 1 : 0) << m.compiler.errorMessage();
        if (good) {
            EXPECT_EQ(m.compiler.scriptName(), "S");
            EXPECT_EQ(m.interpreter.run(), 1);
            EXPECT_EQ(m.interpreter.cell(1), 5);
        } else {
            EXPECT_EQ(m.compiler.errorLine(), 2);
            EXPECT_EQ(m.compiler.errorMessage(), "Illegal variable identifier");
        }
    }
}

TEST(CompilerErrors, ErrorInsideAnImportNamesTheImportedLine) {
    TempDir dir("ai-import");
    std::ofstream(dir / "lib.txt") << "const K 5;\n\nvar 9;\n";
    std::ofstream(dir / "self.txt") << "import \"self.txt\";\n";
    {
        TraceCapture trace;
        ScriptMachine m;
        m.compiler.setImportDirectory(dir.path());
        EXPECT_EQ(m.compiler.compileText("S {\n import \"lib.txt\"; Conditions { }; }"), 0);
        EXPECT_EQ(errorLine(trace.text()), "S ERROR at 3: Illegal variable identifier");
    }
    {
        ScriptMachine m;
        m.compiler.setImportDirectory(dir.path());
        EXPECT_EQ(m.compiler.compileText("S { import \"self.txt\"; Conditions { }; }"), 0);
        EXPECT_EQ(m.compiler.errorMessage(), "Imports nested too deeply");
    }
}

} // namespace
} // namespace vael::test
