#include "game/ai/ai_program.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "script_test_support.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& bytes, std::initializer_list<int> values) {
    for (int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(AIProgramFile, OnlyConditionsGivesTwoThousandWords) {
    ScriptMachine m;
    ASSERT_EQ(m.compile("S { Conditions { }; }"), 1);
    Bytes expected;
    append(expected, {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0});
    append(expected, {64, 0, 0, 0, 2, 0, 0, 0, 69, 0, 0, 0, 69, 0, 0, 0});
    expected.resize(16 + 4 * 2000, 0);
    EXPECT_EQ(m.program.fileBytes(), expected);

    TempDir dir("ai-program-file");
    ASSERT_EQ(m.program.save((dir / "plan.aip").string()), 1);
    EXPECT_EQ(readFile(dir / "plan.aip"), expected);
    AIProgram loaded;
    ASSERT_EQ(loaded.load((dir / "plan.aip").string()), 1);
    EXPECT_EQ(loaded.fileBytes(), expected);
}

TEST(AIProgramFile, RecordsAreLaidOutExceptionsFirst) {
    ScriptMachine m;
    ASSERT_EQ(m.compile("S { Conditions { };\n"
                        "Orders for Left { };\n"
                        "Exceptions for Xy { };\n"
                        "Orders for Rt { };\n"
                        "Exceptions { }; }"),
              1)
        << m.compiler.errorMessage();
    // Conditions 0-2, Orders Left 3-5 (entry 5), Exceptions Xy 6-8 (entry 8), Orders Rt 9-11 (entry 11),
    // Exceptions 12-14 (entry 14).
    Bytes expected;
    append(expected, {2, 0, 0, 0, 14, 0, 0, 0});
    append(expected, {1, 0, 0, 0, 2, 'X', 'y', 0, 8, 0, 0, 0});
    append(expected, {2, 0, 0, 0, 4, 'L', 'e', 'f', 't', 0, 5, 0, 0, 0, 2, 'R', 't', 0, 11, 0, 0, 0});
    const Bytes bytes = m.program.fileBytes();
    ASSERT_EQ(bytes.size(), expected.size() + 8000);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(expected.size())), expected);
}

TEST(AIProgramFile, ReadsHandWrittenBytes) {
    Bytes file;
    append(file, {0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF});
    append(file, {1, 0, 0, 0, 1, 'E', 0, 0x10, 0x27, 0, 0});
    append(file, {2, 0, 0, 0, 3, 'A', 'b', 'c', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    append(file, {4, 0, 0, 0, 7, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 69, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F});
    AIProgram program;
    ASSERT_EQ(program.read(file.data(), file.size()), 1);
    EXPECT_EQ(program.isCompiled(), 1);
    EXPECT_EQ(program.conditionsEntry(), 0);
    EXPECT_EQ(program.exceptionsEntry(), -2);
    ASSERT_EQ(program.exceptions().size(), 1u);
    EXPECT_EQ(program.exceptions()[0].name, "E");
    EXPECT_EQ(program.exceptions()[0].entry, 10000);
    ASSERT_EQ(program.orders().size(), 2u);
    EXPECT_EQ(program.orders()[0].name, "Abc");
    EXPECT_EQ(program.orders()[0].entry, 2);
    EXPECT_EQ(program.orders()[1].name, "");
    EXPECT_EQ(program.orders()[1].entry, 0);
    EXPECT_EQ(codeWords(program, 6), (std::vector<std::int32_t>{4, 7, 5, 0, 69, 0x7FFFFFFF}));
    EXPECT_EQ(program.allocatedWords(), 2000);

    // The loaded program runs: the Conditions entry stores 7 in cell 0.
    Recorder owner;
    Interpreter interpreter(program, &owner);
    EXPECT_EQ(interpreter.run(), 1);
    EXPECT_EQ(interpreter.cell(0), 7);
}

TEST(AIProgramFile, RefusesDamagedFiles) {
    Bytes valid;
    append(valid, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 2, 'G', 'h', 0, 3, 0, 0, 0, 0, 0, 0, 0});
    append(valid, {69, 0, 0, 0, 69, 0, 0, 0});
    const std::size_t header = 24;
    Bytes negative = valid;
    negative[8] = 0xFF, negative[9] = 0xFF, negative[10] = 0xFF, negative[11] = 0xFF;
    Bytes hugeCount = valid;
    hugeCount[11] = 0x7F;
    const struct {
        const char* name;
        Bytes bytes;
        std::int32_t result;
    } rows[] = {
        {"whole", valid, 1},
        {"no code words", Bytes(valid.begin(), valid.begin() + header), 1},
        {"one code word", Bytes(valid.begin(), valid.begin() + header + 4), 1},
        {"cut inside a code word", Bytes(valid.begin(), valid.end() - 1), 0},
        {"cut inside the entry address", Bytes(valid.begin(), valid.begin() + header - 5), 0},
        {"cut inside the name", Bytes(valid.begin(), valid.begin() + 14), 0},
        {"cut before the orders count", Bytes(valid.begin(), valid.begin() + 20), 0},
        {"cut inside the first entry", Bytes(valid.begin(), valid.begin() + 3), 0},
        {"empty", Bytes(), 0},
        {"negative count", negative, 0},
        {"count larger than the file", hugeCount, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AIProgram program;
        program.setCompiled(1);
        static const std::uint8_t none = 0;
        EXPECT_EQ(program.read(row.bytes.empty() ? &none : row.bytes.data(), row.bytes.size()), row.result);
        EXPECT_EQ(program.isCompiled(), row.result);
    }
    // The code holds at most 32,000 words.
    for (const auto& [words, result] : {std::pair{32000, 1}, std::pair{32001, 0}}) {
        SCOPED_TRACE(words);
        Bytes big(valid.begin(), valid.begin() + header);
        big.resize(header + 4 * static_cast<std::size_t>(words), 0);
        AIProgram program;
        EXPECT_EQ(program.read(big.data(), big.size()), result);
        EXPECT_EQ(program.allocatedWords(), result ? 32000 : 0);
    }
}

TEST(AIProgramFile, SaveAndLoadFailures) {
    TempDir dir("ai-program-fail");
    AIProgram empty;
    EXPECT_EQ(empty.save((dir / "never.aip").string()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "never.aip"));
    ScriptMachine m;
    ASSERT_EQ(m.compile("S { Conditions { }; }"), 1);
    EXPECT_EQ(m.program.save((dir / "no" / "such" / "dir.aip").string()), 0);
    AIProgram loaded;
    loaded.setCompiled(1);
    EXPECT_EQ(loaded.load((dir / "missing.aip").string()), 0);
    EXPECT_EQ(loaded.isCompiled(), 0);
}

TEST(AIProgramFile, CompiledAndLoadedProgramsRunAlike) {
    const char* script = "S { var g; procedure F(a) { return a * 3; };\n"
                         "Conditions { var c; c = F(2 + g); g = g + 1; };\n"
                         "Orders for G { c Give(c); }; }";
    ScriptMachine compiled;
    ASSERT_EQ(compiled.compile(script), 1);
    TempDir dir("ai-program-run");
    ASSERT_EQ(compiled.program.save((dir / "plan.aip").string()), 1);

    AIProgram program;
    ASSERT_EQ(program.load((dir / "plan.aip").string()), 1);
    EXPECT_EQ(program.fileBytes(), compiled.program.fileBytes());
    Recorder owner;
    Interpreter interpreter(program, &owner);
    // Built-ins by position: Give is the first.
    interpreter.addProcedure(+[](void* o, std::int32_t a) {
        static_cast<Recorder*>(o)->calls.push_back({"Give", {a}});
        return 0;
    });
    // The reset runs the Conditions once (c = 6, g = 1), so the passes see g = 1 and 2.
    EXPECT_EQ(interpreter.reset(), 1);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(interpreter.run(), 1);
        EXPECT_EQ(interpreter.runGroupOrders("G"), 1);
    }
    EXPECT_EQ(owner.calls, (std::vector<BuiltinCall>{{"Give", {9}}, {"Give", {12}}}));
}

} // namespace
} // namespace vael::test
