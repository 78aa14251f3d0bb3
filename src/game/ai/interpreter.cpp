#include "game/ai/interpreter.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

#include "framework/core/debug_stream.h"

namespace vael {

Interpreter::Interpreter(AIProgram& program, void* owner)
    : program_(program), cells_(new std::int32_t[maxCells]()), values_(new std::int32_t[maxStack]()),
      owner_(owner) {}

void Interpreter::addProcedure(BuiltinProcedure function) {
    if (procedureCount() < maxProcedures) builtins_.push_back(function);
}

std::int32_t Interpreter::run() {
    return program_.conditionsEntry() < 0 ? -1 : runRoutine(program_.conditionsEntry());
}

std::int32_t Interpreter::runExceptions() {
    return program_.exceptionsEntry() < 0 ? -1 : runRoutine(program_.exceptionsEntry());
}

std::int32_t Interpreter::runGroupExceptions(const std::string& group) {
    std::int32_t entry = 0;
    return program_.findExceptions(group, entry) ? runRoutine(entry) : -1;
}

std::int32_t Interpreter::runGroupOrders(const std::string& group) {
    std::int32_t entry = 0;
    return program_.findOrders(group, entry) ? runRoutine(entry) : -1;
}

std::int32_t Interpreter::runRoutine(std::int32_t start) {
    if (!program_.isCompiled()) return 0;
    if (running_) {
        // A built-in that starts another run would reset the frame of the run that called it.
        debugStream() << "Script run refused: a run is already in progress" << std::endl;
        return 0;
    }
    running_ = true;
    level_ = 0;
    frame_ = 0;
    steps_ = 0;
    failure_ = nullptr;
    std::int32_t pc = start;
    loop(pc, false);
    running_ = false;
    if (failure_) {
        debugStream() << "Script run stopped at word " << instruction_ << ": " << failure_ << std::endl;
        // Nothing of the broken run may leak into the next one.
        valueCount_ = 0;
        callStack_.clear();
        level_ = 0;
        frame_ = 0;
        return 0;
    }
    if (valueCount_ == 0) return 1;
    debugStream() << "WARNING: " << valueCount_ << " stack elements remain" << std::endl;
    return 0;
}

std::int32_t Interpreter::execute(std::int32_t& pc) {
    if (failure_) return 0;
    return loop(pc, true);
}

bool Interpreter::fail(const char* reason) {
    if (!failure_) failure_ = reason;
    return false;
}

bool Interpreter::push(std::int32_t value) {
    if (valueCount_ >= maxStack) return fail("value stack full");
    values_[static_cast<std::size_t>(valueCount_++)] = value;
    return true;
}

bool Interpreter::pop(std::int32_t& value) {
    if (valueCount_ <= 0) return fail("value stack empty");
    value = values_[static_cast<std::size_t>(--valueCount_)];
    return true;
}

std::int32_t* Interpreter::cellAt(std::int64_t index) {
    if (index < 0 || index >= maxCells) return fail("cell out of range"), nullptr;
    return &cells_[static_cast<std::size_t>(index)];
}

std::int32_t* Interpreter::displayAt(std::int64_t level) {
    if (level < 0 || level >= maxDisplay) return fail("level out of range"), nullptr;
    const auto i = static_cast<std::size_t>(level);
    if (i >= display_.size()) display_.resize((i / 10 + 1) * 10, 0);
    return &display_[i];
}

bool Interpreter::call(std::int32_t level, std::int64_t newFrame, std::int32_t frame,
                       std::int32_t returnAddress) {
    if (callDepth() >= maxCallDepth) return fail("call depth limit reached");
    if (newFrame < INT_MIN || newFrame > INT_MAX) return fail("frame out of range");
    // Both entries first, since growing the display moves it.
    if (!displayAt(level) || !displayAt(level_)) return false;
    display_[static_cast<std::size_t>(level_)] = frame;
    callStack_.push_back(display_[static_cast<std::size_t>(level)]);
    callStack_.push_back(frame);
    callStack_.push_back(level_);
    callStack_.push_back(returnAddress);
    level_ = level;
    return true;
}

// Answers the caller's frame and return address, or nothing when there is no call to return from.
std::optional<std::pair<std::int32_t, std::int32_t>> Interpreter::returnFromCall() {
    if (callStack_.size() < callWords) return fail("return without a call"), std::nullopt;
    const std::int32_t returnAddress = callStack_[callStack_.size() - 1];
    const std::int32_t callerLevel = callStack_[callStack_.size() - 2];
    const std::int32_t callerFrame = callStack_[callStack_.size() - 3];
    const std::int32_t calleeEntry = callStack_[callStack_.size() - 4];
    // The callee's display entry and the caller's level come back as they were, so that the caller
    // (and procedures nested in it) see their own frames after a recursive call returns.
    std::int32_t* entry = displayAt(level_);
    if (!entry) return std::nullopt;
    callStack_.resize(callStack_.size() - callWords);
    *entry = calleeEntry;
    level_ = callerLevel;
    return std::pair{callerFrame, returnAddress};
}

bool Interpreter::callBuiltin(std::int32_t mask, std::int32_t procedure) {
    if (mask <= 0 || mask > 0xFF) return fail("bad argument mask");
    if (procedure < 0 || procedure >= procedureCount()) return fail("no such built-in procedure");
    std::int32_t count = 0;
    while ((mask >> (count + 1)) != 0)
        ++count;
    std::int32_t cellNumbers[8] = {};
    for (std::int32_t i = count - 1; i >= 0; --i)
        if (!pop(cellNumbers[i]) || !cellAt(cellNumbers[i])) return false;
    auto byValue = [&](std::int32_t i) { return (mask >> i) & 1; };
    auto valueOf = [&](std::int32_t i) { return cells_[static_cast<std::size_t>(cellNumbers[i])]; };
    auto cellOf = [&](std::int32_t i) { return &cells_[static_cast<std::size_t>(cellNumbers[i])]; };
    const BuiltinProcedure& function = builtins_[static_cast<std::size_t>(procedure)];
    std::int32_t result = 0;
    if (count == 0 && std::holds_alternative<Procedure0>(function)) {
        result = std::get<Procedure0>(function)(owner_);
    } else if (count == 1 && byValue(0) && std::holds_alternative<Procedure1>(function)) {
        result = std::get<Procedure1>(function)(owner_, valueOf(0));
    } else if (count == 1 && !byValue(0) && std::holds_alternative<ProcedureWords>(function)) {
        result = std::get<ProcedureWords>(function)(owner_, cellOf(0));
    } else if (count == 2 && byValue(0) && byValue(1) && std::holds_alternative<Procedure2>(function)) {
        result = std::get<Procedure2>(function)(owner_, valueOf(0), valueOf(1));
    } else if (count == 2 && byValue(0) && !byValue(1) &&
               std::holds_alternative<Procedure2ValueRef>(function)) {
        result = std::get<Procedure2ValueRef>(function)(owner_, valueOf(0), cellOf(1));
    } else if (count == 2 && !byValue(0) && byValue(1) &&
               std::holds_alternative<Procedure2RefValue>(function)) {
        result = std::get<Procedure2RefValue>(function)(owner_, cellOf(0), valueOf(1));
    } else if (count == 2 && !byValue(0) && !byValue(1) && std::holds_alternative<Procedure2Refs>(function)) {
        result = std::get<Procedure2Refs>(function)(owner_, cellOf(0), cellOf(1));
    } else if (count >= 3 && std::holds_alternative<ProcedureWords>(function)) {
        std::int32_t words[8] = {};
        for (std::int32_t i = 0; i < count; ++i)
            words[i] = valueOf(i);
        result = std::get<ProcedureWords>(function)(owner_, words);
        for (std::int32_t i = 0; i < count; ++i)
            if (!byValue(i)) *cellOf(i) = words[i];
    } else {
        // A damaged program (or one compiled against another procedure table) would call the function
        // with arguments of the wrong kinds.
        return fail("built-in procedure called with arguments it does not take");
    }
    return push(result);
}

std::int32_t Interpreter::divide(std::int32_t a, std::int32_t b, std::int32_t at) {
    // Both would trap the processor; the script gets a value it can live with, and the trace says why.
    if (b == 0) {
        debugStream() << "WARNING: division by zero at word " << at << std::endl;
        return 0;
    }
    if (a == INT_MIN && b == -1) {
        debugStream() << "WARNING: division overflow at word " << at << std::endl;
        return INT_MIN;
    }
    return a / b;
}

namespace {

// How many words follow an instruction's own; a word that is no instruction has none.
std::int32_t operandCount(std::int32_t op) {
    switch (op) {
    case OP_LOAD:
    case OP_LOAD_REF:
    case OP_PUSH_ADDR:
    case OP_PUSH:
    case OP_STORE:
    case OP_STORE_REF:
    case OP_STORE_VALUE:
    case OP_JUMP:
    case OP_JUMP_FALSE:
    case OP_WATCH:
    case OP_PRINT:
        return 1;
    case OP_LOAD_UP:
    case OP_LOAD_UP_REF:
    case OP_PUSH_ADDR_UP:
    case OP_STORE_UP:
    case OP_STORE_UP_REF:
    case OP_CALL_BUILTIN:
        return 2;
    case OP_CALL:
        return 3;
    default:
        return 0;
    }
}

template <std::int32_t op> bool holds(std::int32_t a, std::int32_t b) {
    if constexpr (op == OP_EQ)
        return a == b;
    else if constexpr (op == OP_NE)
        return a != b;
    else if constexpr (op == OP_GT)
        return a > b;
    else if constexpr (op == OP_LT)
        return a < b;
    else if constexpr (op == OP_GE)
        return a >= b;
    else
        return a <= b;
}

// Script arithmetic wraps around, as the processor's does.
template <std::int32_t op> std::int32_t wrapping(std::int32_t a, std::int32_t b) {
    const auto x = static_cast<std::uint32_t>(a), y = static_cast<std::uint32_t>(b);
    if constexpr (op == OP_ADD)
        return static_cast<std::int32_t>(x + y);
    else if constexpr (op == OP_SUB)
        return static_cast<std::int32_t>(x - y);
    else
        return static_cast<std::int32_t>(x * y);
}

bool outsideCells(std::int64_t index) {
    return static_cast<std::uint64_t>(index) >= static_cast<std::uint64_t>(Interpreter::maxCells);
}

} // namespace

// The instruction loop, kept in locals for speed. Every check that a damaged program could trip leaves
// through the failure exit with its reason, while ip (or pc, for a word that may lie outside the code)
// still names the instruction.
#define VAEL_FAIL(text)                                                                                      \
    do {                                                                                                     \
        reason = text;                                                                                       \
        goto failed;                                                                                         \
    } while (0)
#define VAEL_FAIL_AT_PC(text)                                                                                \
    do {                                                                                                     \
        reason = text;                                                                                       \
        goto failedAtPc;                                                                                     \
    } while (0)
#define VAEL_CELL(pointer, index)                                                                            \
    do {                                                                                                     \
        const std::int64_t cellIndex = (index);                                                              \
        if (outsideCells(cellIndex)) VAEL_FAIL("cell out of range");                                         \
        pointer = cells + cellIndex;                                                                         \
    } while (0)
#define VAEL_PUSH(value)                                                                                     \
    do {                                                                                                     \
        if (top == valuesEnd) VAEL_FAIL("value stack full");                                                 \
        *top++ = (value);                                                                                    \
    } while (0)
#define VAEL_POP(out)                                                                                        \
    do {                                                                                                     \
        if (top == values) VAEL_FAIL("value stack empty");                                                   \
        out = *--top;                                                                                        \
    } while (0)
// Each instruction ends with its own dispatch of the next one (through label addresses, a GNU extension
// that g++ and clang++ share), which the processor predicts far better than one shared jump. ip never
// leaves the decoded words: their last entry stands for everything after them.
#define VAEL_DISPATCH                                                                                        \
    do {                                                                                                     \
        if (stepsLeft <= 0) goto outOfSteps;                                                                 \
        --stepsLeft;                                                                                         \
        goto * ip->handler;                                                                                  \
    } while (0)
#define VAEL_NEXT(length)                                                                                    \
    do {                                                                                                     \
        ip += (length);                                                                                      \
        VAEL_DISPATCH;                                                                                       \
    } while (0)
#define VAEL_BINARY(expression)                                                                              \
    {                                                                                                        \
        if (top - values < 2) VAEL_FAIL("value stack empty");                                                \
        const std::int32_t a = top[-2], b = top[-1];                                                         \
        top[-2] = (expression);                                                                              \
        --top;                                                                                               \
        VAEL_NEXT(1);                                                                                        \
    }
#define VAEL_UP_CELL(pointer)                                                                                \
    do {                                                                                                     \
        const std::int32_t* base = displayAt(ip->a);                                                         \
        if (!base) VAEL_FAIL(nullptr);                                                                       \
        VAEL_CELL(pointer, std::int64_t(*base) + ip->b);                                                     \
    } while (0)
// A fused handler does the work of its instructions and counts their steps; whenever one of them could
// fail (a cell out of range, a full stack, the step limit inside the sequence) it hands over to the first
// instruction's own handler, so that the failure comes exactly where it would one by one.
#define VAEL_FUSED_TEST(label, op)                                                                           \
    label : {                                                                                                \
        if (stepsLeft < 3 || valuesEnd - top < 2) goto push;                                                 \
        const std::int64_t at = std::int64_t(frame) + ip->c;                                                 \
        if (outsideCells(at)) goto push;                                                                     \
        const bool test = holds<op>(ip->a, cells[at]);                                                       \
        stepsLeft -= 3;                                                                                      \
        ip = test ? ip + 7 : decoded + ip->d;                                                                \
        VAEL_DISPATCH;                                                                                       \
    }
#define VAEL_FUSED_ARITHMETIC(label, op)                                                                     \
    label : {                                                                                                \
        if (stepsLeft < 3 || valuesEnd - top < 2) goto load;                                                 \
        const std::int64_t left = std::int64_t(frame) + ip->a, right = std::int64_t(frame) + ip->c,          \
                           to = std::int64_t(frame) + ip->d;                                                 \
        if (outsideCells(left) || outsideCells(right) || outsideCells(to)) goto load;                        \
        cells[to] = wrapping<op>(cells[left], cells[right]);                                                 \
        stepsLeft -= 3;                                                                                      \
        VAEL_NEXT(7);                                                                                        \
    }
// The jump at the end of a counted loop, with the step (v = v + k) and the test (a constant against v,
// and the branch out) it goes back to: nine instructions.
#define VAEL_LOOP_BACK(label, op)                                                                            \
    label : {                                                                                                \
        const Decoded* const step = decoded + ip->a;                                                         \
        const Decoded* const test = step + 7;                                                                \
        if (stepsLeft < 8 || valuesEnd - top < 2) goto jumpNear;                                             \
        const std::int64_t from = std::int64_t(frame) + step->a, to = std::int64_t(frame) + step->d,         \
                           at = std::int64_t(frame) + test->c;                                               \
        if (outsideCells(from) || outsideCells(to) || outsideCells(at)) goto jumpNear;                       \
        cells[to] = wrapping<OP_ADD>(cells[from], step->c);                                                  \
        const bool stays = holds<op>(test->a, cells[at]);                                                    \
        stepsLeft -= 8;                                                                                      \
        ip = stays ? test + 7 : decoded + test->d;                                                           \
        VAEL_DISPATCH;                                                                                       \
    }

#if !defined(__GNUC__)
#error "the script interpreter needs label addresses (g++ or clang++)"
#endif
#if defined(__clang__)
#define VAEL_ONE_COPY __attribute__((noinline))
#else
#define VAEL_ONE_COPY __attribute__((noinline, noclone))
#endif

// The decoded words keep label addresses from one call to the next, which holds only while there is a
// single copy of this function. One instruction at a time (single) lends the run a budget of one step,
// so that no sequence is taken whole and the next dispatch ends the call.
VAEL_ONE_COPY std::int32_t Interpreter::loop(std::int32_t& pcInOut, bool single) {
    const std::int32_t* const code = program_.code().data();
    const std::int32_t size = program_.allocatedWords();
    if (decodedRevision_ != program_.revision()) {
        constexpr std::int32_t operationCount = OP_PRINT + 1;
        void* table[operationCount];
        for (void*& entry : table)
            entry = &&otherWord;
        table[OP_LOAD] = &&load;
        table[OP_LOAD_REF] = &&loadRef;
        table[OP_PUSH_ADDR] = &&pushAddr;
        table[OP_PUSH] = &&push;
        table[OP_STORE] = &&store;
        table[OP_STORE_REF] = &&storeRef;
        table[OP_STORE_VALUE] = &&storeValue;
        table[OP_LOAD_UP] = &&loadUp;
        table[OP_LOAD_UP_REF] = &&loadUpRef;
        table[OP_PUSH_ADDR_UP] = &&pushAddrUp;
        table[OP_STORE_UP] = &&storeUp;
        table[OP_STORE_UP_REF] = &&storeUpRef;
        table[OP_POP] = &&pop;
        table[OP_AND] = &&opAnd;
        table[OP_OR] = &&opOr;
        table[OP_NOT] = &&opNot;
        table[OP_XOR] = &&opXor;
        table[OP_EQ] = &&eq;
        table[OP_NE] = &&ne;
        table[OP_GT] = &&gt;
        table[OP_LT] = &&lt;
        table[OP_GE] = &&ge;
        table[OP_LE] = &&le;
        table[OP_ADD] = &&add;
        table[OP_SUB] = &&sub;
        table[OP_MUL] = &&mul;
        table[OP_DIV] = &&div;
        table[OP_JUMP] = &&jump;
        table[OP_JUMP_FALSE] = &&jumpFalse;
        table[OP_CALL] = &&callProcedure;
        table[OP_RETURN] = &&returnFromProcedure;
        table[OP_CALL_BUILTIN] = &&callBuiltinProcedure;
        table[OP_END] = &&end;
        table[OP_WATCH] = &&watch;
        table[OP_PRINT] = &&print;
        void* const tests[] = {&&fusedEq, &&fusedNe, &&fusedGt, &&fusedLt, &&fusedGe, &&fusedLe};

        // The code array is mostly zero words past the script; those are decoded as one entry. No
        // instruction in use reaches more than four words past the last word in use.
        std::int32_t used = size;
        while (used > 0 && code[used - 1] == 0)
            --used;
        const std::int32_t count = std::min(size, used + 4);
        auto word = [&](std::int32_t at) { return at < size ? code[at] : 0; };
        auto near = [&](std::int32_t at) { return at >= 0 && at < count; };
        decoded_.assign(static_cast<std::size_t>(count) + 1, Decoded{&&beyond, 0, 0, 0, 0});
        for (std::int32_t p = 0; p < count; ++p) {
            const std::int32_t op = code[p];
            Decoded& entry = decoded_[static_cast<std::size_t>(p)];
            entry = {op >= 0 && op < operationCount ? table[op] : &&otherWord, word(p + 1), word(p + 2),
                     word(p + 3), word(p + 6)};
            if (std::int64_t(p) + operandCount(op) >= size) {
                entry.handler = &&operandOutside;
                continue;
            }
            if (op == OP_JUMP && near(entry.a)) entry.handler = &&jumpNear;
            if (op == OP_JUMP_FALSE && near(entry.a)) entry.handler = &&jumpFalseNear;
            if (p + 6 >= size) continue;
            // The three shapes that loops and assignments compile to: v = w + k, a test of a constant
            // against a variable with its branch, and v = a op b.
            const std::int32_t second = code[p + 2], third = code[p + 4], fourth = code[p + 5];
            if (op == OP_LOAD && second == OP_PUSH && third == OP_ADD && fourth == OP_STORE)
                entry.handler = &&fusedIncrement;
            else if (op == OP_PUSH && second == OP_LOAD && third >= OP_EQ && third <= OP_LE &&
                     fourth == OP_JUMP_FALSE && near(entry.d))
                entry.handler = tests[third - OP_EQ];
            else if (op == OP_LOAD && second == OP_LOAD && fourth == OP_STORE)
                entry.handler = third == OP_ADD   ? &&fusedAdd
                                : third == OP_SUB ? &&fusedSub
                                : third == OP_MUL ? &&fusedMul
                                                  : entry.handler;
        }
        for (Decoded& entry : decoded_) {
            if (entry.handler != &&jumpNear || entry.a + 7 >= count) continue;
            const void* const step = decoded_[static_cast<std::size_t>(entry.a)].handler;
            const void* const test = decoded_[static_cast<std::size_t>(entry.a) + 7].handler;
            if (step == &&fusedIncrement && test == &&fusedGe) entry.handler = &&loopBackGe;
            if (step == &&fusedIncrement && test == &&fusedLe) entry.handler = &&loopBackLe;
        }
        decodedRevision_ = program_.revision();
    }

    const Decoded* const decoded = decoded_.data();
    const auto count = static_cast<std::int32_t>(decoded_.size()) - 1;
    const Decoded* ip = decoded;
    std::int32_t* const cells = cells_.get();
    std::int32_t* const values = values_.get();
    std::int32_t* const valuesEnd = values + maxStack;
    std::int32_t* top = values + valueCount_;
    std::int32_t pc = pcInOut;
    std::int32_t frame = frame_;
    std::int64_t stepsLeft = stepLimit_ - steps_;
    // The steps that a single instruction keeps back from the run.
    std::int64_t reserve = 0;
    const char* reason = nullptr;
    std::int32_t result = 1;
    std::int32_t* c = nullptr;
    std::int32_t v = 0;

    if (single) {
        if (stepsLeft <= 0) VAEL_FAIL_AT_PC("step limit reached");
        reserve = stepsLeft - 1;
        stepsLeft = 1;
    }
    goto far;

    VAEL_LOOP_BACK(loopBackGe, OP_GE)
    VAEL_LOOP_BACK(loopBackLe, OP_LE)
fusedIncrement : {
    if (stepsLeft < 3 || valuesEnd - top < 2) goto load;
    const std::int64_t from = std::int64_t(frame) + ip->a, to = std::int64_t(frame) + ip->d;
    if (outsideCells(from) || outsideCells(to)) goto load;
    cells[to] = wrapping<OP_ADD>(cells[from], ip->c);
    stepsLeft -= 3;
    VAEL_NEXT(7);
}
    VAEL_FUSED_TEST(fusedEq, OP_EQ)
    VAEL_FUSED_TEST(fusedNe, OP_NE)
    VAEL_FUSED_TEST(fusedGt, OP_GT)
    VAEL_FUSED_TEST(fusedLt, OP_LT)
    VAEL_FUSED_TEST(fusedGe, OP_GE)
    VAEL_FUSED_TEST(fusedLe, OP_LE)
    VAEL_FUSED_ARITHMETIC(fusedAdd, OP_ADD)
    VAEL_FUSED_ARITHMETIC(fusedSub, OP_SUB)
    VAEL_FUSED_ARITHMETIC(fusedMul, OP_MUL)
load:
    VAEL_CELL(c, std::int64_t(frame) + ip->a);
    VAEL_PUSH(*c);
    VAEL_NEXT(2);
loadRef:
    VAEL_CELL(c, std::int64_t(frame) + ip->a);
    VAEL_CELL(c, *c);
    VAEL_PUSH(*c);
    VAEL_NEXT(2);
pushAddr:
    VAEL_CELL(c, std::int64_t(frame) + ip->a);
    VAEL_PUSH(static_cast<std::int32_t>(c - cells));
    VAEL_NEXT(2);
push:
    VAEL_PUSH(ip->a);
    VAEL_NEXT(2);
store:
    VAEL_POP(v);
    VAEL_CELL(c, std::int64_t(frame) + ip->a);
    *c = v;
    VAEL_NEXT(2);
storeRef:
    VAEL_POP(v);
    VAEL_CELL(c, std::int64_t(frame) + ip->a);
    VAEL_CELL(c, *c);
    *c = v;
    VAEL_NEXT(2);
storeValue:
    VAEL_POP(v);
    VAEL_CELL(c, v);
    v = *c;
    VAEL_CELL(c, std::int64_t(frame) + ip->a);
    *c = v;
    VAEL_NEXT(2);
loadUp:
    VAEL_UP_CELL(c);
    VAEL_PUSH(*c);
    VAEL_NEXT(3);
loadUpRef:
    VAEL_UP_CELL(c);
    VAEL_CELL(c, *c);
    VAEL_PUSH(*c);
    VAEL_NEXT(3);
pushAddrUp:
    VAEL_UP_CELL(c);
    VAEL_PUSH(static_cast<std::int32_t>(c - cells));
    VAEL_NEXT(3);
storeUp:
    VAEL_UP_CELL(c);
    VAEL_POP(v);
    *c = v;
    VAEL_NEXT(3);
storeUpRef:
    VAEL_UP_CELL(c);
    VAEL_POP(v);
    VAEL_CELL(c, *c);
    *c = v;
    VAEL_NEXT(3);
pop:
    VAEL_POP(v);
    VAEL_NEXT(1);
opNot:
    if (top == values) VAEL_FAIL("value stack empty");
    top[-1] = top[-1] == 0;
    VAEL_NEXT(1);
opAnd:
    VAEL_BINARY(a != 0 && b != 0)
opOr:
    VAEL_BINARY(a != 0 || b != 0)
opXor:
    VAEL_BINARY(a > 0 ? b == 0 : b > 0)
eq:
    VAEL_BINARY(holds<OP_EQ>(a, b))
ne:
    VAEL_BINARY(holds<OP_NE>(a, b))
gt:
    VAEL_BINARY(holds<OP_GT>(a, b))
lt:
    VAEL_BINARY(holds<OP_LT>(a, b))
ge:
    VAEL_BINARY(holds<OP_GE>(a, b))
le:
    VAEL_BINARY(holds<OP_LE>(a, b))
add:
    VAEL_BINARY(wrapping<OP_ADD>(a, b))
sub:
    VAEL_BINARY(wrapping<OP_SUB>(a, b))
mul:
    VAEL_BINARY(wrapping<OP_MUL>(a, b))
div:
    VAEL_BINARY(divide(a, b, static_cast<std::int32_t>(ip - decoded)))
jumpNear:
    ip = decoded + ip->a;
    VAEL_DISPATCH;
jump:
    pc = ip->a;
    goto far;
jumpFalseNear:
    VAEL_POP(v);
    ip = v == 0 ? decoded + ip->a : ip + 2;
    VAEL_DISPATCH;
jumpFalse:
    VAEL_POP(v);
    if (v != 0) VAEL_NEXT(2);
    pc = ip->a;
    goto far;
callProcedure : {
    const std::int64_t newFrame = std::int64_t(frame) + ip->b;
    if (!call(ip->a, newFrame, frame, static_cast<std::int32_t>(ip - decoded) + 4)) VAEL_FAIL(nullptr);
    frame = static_cast<std::int32_t>(newFrame);
    pc = ip->c;
    goto far;
}
returnFromProcedure : {
    const auto caller = returnFromCall();
    if (!caller) VAEL_FAIL(nullptr);
    frame = caller->first;
    pc = caller->second;
    goto far;
}
callBuiltinProcedure:
    valueCount_ = static_cast<std::int32_t>(top - values);
    frame_ = frame;
    if (!callBuiltin(ip->a, ip->b)) VAEL_FAIL(nullptr);
    top = values + valueCount_;
    VAEL_NEXT(3);
end:
    result = 0;
    pc = static_cast<std::int32_t>(ip - decoded);
    goto finished;
watch:
    VAEL_POP(v);
    debugStream() << " [" << ip->a << "]: " << v << std::endl;
    VAEL_NEXT(2);
print : {
    const std::int32_t n = ip->a;
    pc = static_cast<std::int32_t>(ip - decoded);
    if (n < 0 || std::int64_t(pc) + 1 + n >= size) VAEL_FAIL("text outside the code");
    debugStream() << ' ';
    for (std::int32_t i = 0; i < n; ++i) {
        const char ch = static_cast<char>(code[pc + 2 + i] & 0xFF);
        if (ch == '\n')
            debugStream() << std::endl;
        else
            debugStream() << ch;
    }
    pc += 2 + n;
    goto far;
}
otherWord:
    VAEL_NEXT(1);
operandOutside:
    VAEL_FAIL("operand outside the code");
beyond:
    pc = static_cast<std::int32_t>(ip - decoded);
    goto zeroWord;
// Past the decoded words the code holds only zero words, each a step of its own.
zeroWord:
    if (pc >= size) VAEL_FAIL_AT_PC("program counter outside the code");
    ++pc;
    goto far;

// The next instruction is at pc, which a jump, call or return may have taken anywhere.
far:
    if (stepsLeft <= 0) goto outOfStepsAtPc;
    --stepsLeft;
    if (static_cast<std::uint32_t>(pc) >= static_cast<std::uint32_t>(size))
        VAEL_FAIL_AT_PC("program counter outside the code");
    if (pc >= count) goto zeroWord;
    ip = decoded + pc;
    goto * ip->handler;

outOfSteps:
    pc = static_cast<std::int32_t>(ip - decoded);
outOfStepsAtPc:
    if (single) goto finished;
    VAEL_FAIL_AT_PC("step limit reached");

failed:
    pc = static_cast<std::int32_t>(ip - decoded);
failedAtPc:
    if (reason) fail(reason);
    instruction_ = pc;
    result = 0;
finished:
    pcInOut = pc;
    valueCount_ = static_cast<std::int32_t>(top - values);
    frame_ = frame;
    steps_ = stepLimit_ - (stepsLeft + reserve);
    return result;
}

#undef VAEL_FAIL
#undef VAEL_FAIL_AT_PC
#undef VAEL_CELL
#undef VAEL_PUSH
#undef VAEL_POP
#undef VAEL_DISPATCH
#undef VAEL_NEXT
#undef VAEL_BINARY
#undef VAEL_UP_CELL
#undef VAEL_FUSED_TEST
#undef VAEL_FUSED_ARITHMETIC
#undef VAEL_LOOP_BACK
#undef VAEL_ONE_COPY

} // namespace vael
