#include "script_test_support.h"

namespace vael::test {

namespace {
Recorder& recorderOf(void* owner) {
    return *static_cast<Recorder*>(owner);
}

std::int32_t give(void* owner, std::int32_t a) {
    recorderOf(owner).calls.push_back({"Give", {a}});
    return recorderOf(owner).answer;
}

std::int32_t give2(void* owner, std::int32_t a, std::int32_t b) {
    recorderOf(owner).calls.push_back({"Give2", {a, b}});
    return recorderOf(owner).answer;
}

std::int32_t three(void* owner, std::int32_t* words) {
    recorderOf(owner).calls.push_back({"Three", {words[0], words[1], words[2]}});
    return recorderOf(owner).answer;
}

std::int32_t bump(void* owner, std::int32_t* a) {
    recorderOf(owner).calls.push_back({"Bump", {*a}});
    const std::int32_t old = *a;
    *a += 10;
    return old;
}

std::int32_t swapCells(void* owner, std::int32_t* a, std::int32_t* b) {
    recorderOf(owner).calls.push_back({"Swap", {*a, *b}});
    std::swap(*a, *b);
    return 0;
}

std::int32_t answer(void* owner) {
    recorderOf(owner).calls.push_back({"Answer", {}});
    return recorderOf(owner).answer;
}

std::int32_t mixed(void* owner, std::int32_t* words) {
    recorderOf(owner).calls.push_back({"Mixed", {words[0], words[1], words[2]}});
    words[1] = words[0] + words[2];
    return 0;
}
} // namespace

ScriptMachine::ScriptMachine() {
    const std::pair<const char*, const char*> signatures[] = {
        {"Give", "1"},  {"Give2", "11"}, {"Three", "111"}, {"Bump", "0"},
        {"Swap", "00"}, {"Answer", ""},  {"Mixed", "101"}};
    for (const auto& [name, signature] : signatures)
        compiler.addProcedure(name, signature);
    interpreter.addProcedure(give);
    interpreter.addProcedure(give2);
    interpreter.addProcedure(three);
    interpreter.addProcedure(bump);
    interpreter.addProcedure(swapCells);
    interpreter.addProcedure(answer);
    interpreter.addProcedure(mixed);
    compiler.addConstant("TEN", 10);
    compiler.addConstant("MINUS", -3);
}

std::int32_t ScriptMachine::compile(const std::string& text) {
    const std::int32_t result = compiler.compileText(text);
    if (result) interpreter.reset();
    return result;
}

void loadCode(AIProgram& program, const std::vector<std::int32_t>& code) {
    for (std::size_t i = 0; i < code.size(); ++i)
        program.setWord(static_cast<std::int32_t>(i), code[i]);
    program.setCompiled(1);
}

std::vector<std::int32_t> codeWords(const AIProgram& program, std::size_t count) {
    std::vector<std::int32_t> words;
    for (std::size_t i = 0; i < count; ++i)
        words.push_back(program.word(static_cast<std::int32_t>(i)));
    return words;
}

} // namespace vael::test
