#pragma once
// Runs a compiled plan script: enters the program at one of its tables and executes the stack machine's
// instructions up to an OP_END, calling the built-in procedures that the owner registered. A run that
// goes wrong (a runaway loop, runaway recursion, a bad cell or jump in a damaged program) stops with 0
// and a line on the debug stream instead of taking the program down.
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "game/ai/ai_program.h"

namespace vael {

// Built-in procedures get the owner, then their arguments: a value argument as the cell's value, a
// reference argument as a pointer to the cell. Three or more arguments come as one array of the cells'
// values in declaration order; what the procedure leaves in a reference argument's word is written
// back to that cell.
using Procedure0 = std::int32_t (*)(void* owner);
using Procedure1 = std::int32_t (*)(void* owner, std::int32_t a);
using ProcedureWords = std::int32_t (*)(void* owner, std::int32_t* words);
using Procedure2 = std::int32_t (*)(void* owner, std::int32_t a, std::int32_t b);
using Procedure2ValueRef = std::int32_t (*)(void* owner, std::int32_t a, std::int32_t* b);
using Procedure2RefValue = std::int32_t (*)(void* owner, std::int32_t* a, std::int32_t b);
using Procedure2Refs = std::int32_t (*)(void* owner, std::int32_t* a, std::int32_t* b);
using BuiltinProcedure = std::variant<Procedure0, Procedure1, ProcedureWords, Procedure2, Procedure2ValueRef,
                                      Procedure2RefValue, Procedure2Refs>;

class Interpreter {
public:
    static constexpr std::int32_t maxCells = 32700;
    static constexpr std::int32_t maxDisplay = 32760;
    static constexpr std::int32_t maxProcedures = 32760;
    static constexpr std::int32_t maxStack = 32767;
    static constexpr std::int32_t maxCallDepth = 1000;
    static constexpr std::int64_t defaultStepLimit = 1000000;

    Interpreter(AIProgram& program, void* owner);

    // Appends a function; its position is its procedure number, as in the compiler's table.
    void addProcedure(BuiltinProcedure function);
    std::int32_t procedureCount() const { return static_cast<std::int32_t>(builtins_.size()); }

    // Runs from word 0: the script's global declarations.
    std::int32_t reset() { return runRoutine(0); }
    std::int32_t run();
    std::int32_t runExceptions();
    std::int32_t runGroupExceptions(const std::string& group);
    std::int32_t runGroupOrders(const std::string& group);
    // 1 when the run ended cleanly with an empty value stack, else 0.
    std::int32_t runRoutine(std::int32_t start);
    // One instruction; 0 after OP_END (or when the run has failed), else 1.
    std::int32_t execute(std::int32_t& pc);

    // Instructions a run may execute before it is taken for a runaway and stopped.
    void setStepLimit(std::int64_t steps) { stepLimit_ = steps; }

    std::int32_t cell(std::int32_t index) const {
        return index >= 0 && index < maxCells ? cells_[static_cast<std::size_t>(index)] : 0;
    }
    std::int32_t valueCount() const { return valueCount_; }
    std::int32_t callDepth() const { return static_cast<std::int32_t>(callStack_.size() / callWords); }
    std::int32_t level() const { return level_; }
    // Whether a run is in progress: a built-in it called has not returned yet.
    bool running() const { return running_; }

private:
    // A call keeps the callee level's display entry, the caller's frame, the caller's level and the
    // return address.
    static constexpr std::size_t callWords = 4;

    bool fail(const char* reason);
    bool push(std::int32_t value);
    bool pop(std::int32_t& value);
    std::int32_t* cellAt(std::int64_t index);
    std::int32_t* displayAt(std::int64_t level);
    bool call(std::int32_t level, std::int64_t newFrame, std::int32_t frame, std::int32_t returnAddress);
    std::optional<std::pair<std::int32_t, std::int32_t>> returnFromCall();
    bool callBuiltin(std::int32_t mask, std::int32_t procedure);
    static std::int32_t divide(std::int32_t a, std::int32_t b, std::int32_t at);
    std::int32_t loop(std::int32_t& pc, bool single);

    // A code word as the run loop takes it: the label address of its handler and the words after it,
    // read once when the code changes instead of at every step.
    struct Decoded {
        const void* handler;
        // The next three words (the operands of the longest instruction), and for a sequence taken in
        // one step the seventh word, where its closing instruction keeps its operand.
        std::int32_t a, b, c, d;
    };

    AIProgram& program_;
    std::int32_t level_ = 0;
    std::int32_t frame_ = 0;
    std::vector<BuiltinProcedure> builtins_;
    // Allocated whole, so that a pointer handed to a built-in stays valid while it runs.
    std::unique_ptr<std::int32_t[]> cells_;
    std::vector<std::int32_t> display_;
    std::vector<std::int32_t> callStack_;
    std::unique_ptr<std::int32_t[]> values_;
    std::int32_t valueCount_ = 0;
    void* owner_;
    std::int64_t stepLimit_ = defaultStepLimit;
    std::int64_t steps_ = 0;
    std::int32_t instruction_ = 0;
    // Every code word up to a few past the last one in use, then one entry that stands for the rest of
    // the code (all zero words); common sequences are taken in one step. Remade whenever the program's
    // code changes.
    std::vector<Decoded> decoded_;
    std::uint64_t decodedRevision_ = ~std::uint64_t(0);
    const char* failure_ = nullptr;
    bool running_ = false;
};

} // namespace vael
