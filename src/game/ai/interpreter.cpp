#include "game/ai/interpreter.h"

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
    loop<false>(pc);
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
    return loop<true>(pc);
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

// The instruction loop, kept in locals for speed; single runs one instruction (execute). Every check
// that a damaged program could trip leaves through the failure exit with its reason.
#define VAEL_FAIL(text)                                                                                      \
    do {                                                                                                     \
        reason = text;                                                                                       \
        goto failed;                                                                                         \
    } while (0)
#define VAEL_NEED(k)                                                                                         \
    if (pc + (k) >= size) VAEL_FAIL("operand outside the code")
#define VAEL_CELL(pointer, index)                                                                            \
    do {                                                                                                     \
        const std::int64_t cellIndex = (index);                                                              \
        if (static_cast<std::uint64_t>(cellIndex) >= static_cast<std::uint64_t>(maxCells))                   \
            VAEL_FAIL("cell out of range");                                                                  \
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
#define VAEL_BINARY(expression)                                                                              \
    {                                                                                                        \
        if (top - values < 2) VAEL_FAIL("value stack empty");                                                \
        const std::int32_t a = top[-2], b = top[-1];                                                         \
        top[-2] = (expression);                                                                              \
        --top;                                                                                               \
        pc += 1;                                                                                             \
        VAEL_NEXT;                                                                                           \
    }
// Each instruction ends with its own dispatch of the next one (through a table of label addresses, a
// GNU extension that g++ and clang++ share), which the processor predicts far better than one shared
// jump; a run of one instruction stops instead.
#define VAEL_DISPATCH                                                                                        \
    do {                                                                                                     \
        if (stepsLeft <= 0) VAEL_FAIL("step limit reached");                                                 \
        --stepsLeft;                                                                                         \
        if (static_cast<std::uint32_t>(pc) >= static_cast<std::uint32_t>(size))                              \
            VAEL_FAIL("program counter outside the code");                                                   \
        if constexpr (single) {                                                                              \
            const auto op = static_cast<std::uint32_t>(code[pc]);                                            \
            goto*(op < operationCount ? table[op] : &&otherWord);                                            \
        } else {                                                                                             \
            goto* threaded[pc];                                                                              \
        }                                                                                                    \
    } while (0)
#define VAEL_NEXT                                                                                            \
    do {                                                                                                     \
        if constexpr (single) goto done;                                                                     \
        VAEL_DISPATCH;                                                                                       \
    } while (0)

#if !defined(__GNUC__)
#error "the script interpreter needs label addresses (g++ or clang++)"
#endif

template <bool single> std::int32_t Interpreter::loop(std::int32_t& pcInOut) {
    constexpr std::uint32_t operationCount = OP_PRINT + 1;
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
    table[OP_LOAD_UP] = &&up;
    table[OP_LOAD_UP_REF] = &&up;
    table[OP_PUSH_ADDR_UP] = &&up;
    table[OP_STORE_UP] = &&up;
    table[OP_STORE_UP_REF] = &&up;
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

    const std::int32_t* const code = program_.code().data();
    const std::int32_t size = program_.allocatedWords();
    std::int32_t* const cells = cells_.get();
    std::int32_t* const values = values_.get();
    std::int32_t* const valuesEnd = values + maxStack;
    std::int32_t* top = values + valueCount_;
    std::int32_t pc = pcInOut;
    std::int32_t frame = frame_;
    std::int64_t stepsLeft = stepLimit_ - steps_;
    const char* reason = nullptr;
    std::int32_t result = 1;
    std::int32_t* c = nullptr;
    std::int32_t v = 0;
    void* const* threaded = nullptr;
    if constexpr (!single) {
        if (threadedRevision_ != program_.revision() || threaded_.size() != static_cast<std::size_t>(size)) {
            threaded_.assign(static_cast<std::size_t>(size), nullptr);
            for (std::int32_t p = 0; p < size; ++p) {
                const auto op = static_cast<std::uint32_t>(code[p]);
                void* handler = op < operationCount ? table[op] : &&otherWord;
                // The three shapes that loops and assignments compile to: v = w + k, a test of a
                // constant against a variable with its branch, and v = a op b.
                if (p + 6 < size) {
                    const std::int32_t second = code[p + 2], third = code[p + 4], fourth = code[p + 5];
                    if (op == OP_LOAD && second == OP_PUSH && third == OP_ADD && fourth == OP_STORE)
                        handler = &&fusedIncrement;
                    else if (op == OP_PUSH && second == OP_LOAD && third >= OP_EQ && third <= OP_LE &&
                             fourth == OP_JUMP_FALSE)
                        handler = &&fusedTest;
                    else if (op == OP_LOAD && second == OP_LOAD &&
                             (third == OP_ADD || third == OP_SUB || third == OP_MUL) && fourth == OP_STORE)
                        handler = &&fusedArithmetic;
                }
                threaded_[static_cast<std::size_t>(p)] = handler;
            }
            threadedRevision_ = program_.revision();
        }
        threaded = threaded_.data();
    } else {
        // One instruction at a time takes no sequences together.
        void* const unused[] = {&&fusedIncrement, &&fusedTest, &&fusedArithmetic};
        static_cast<void>(unused);
    }

    VAEL_DISPATCH;

// A fused handler does the work of its four instructions and counts their four steps; whenever one of
// them could fail (a cell out of range, a full stack, the step limit inside the sequence) it hands over
// to the first instruction's own handler, so that the failure comes exactly where it would one by one.
fusedIncrement : {
    if (stepsLeft < 3 || valuesEnd - top < 2) goto load;
    const std::int64_t from = std::int64_t(frame) + code[pc + 1], to = std::int64_t(frame) + code[pc + 6];
    if (static_cast<std::uint64_t>(from) >= std::uint64_t(maxCells) ||
        static_cast<std::uint64_t>(to) >= std::uint64_t(maxCells))
        goto load;
    cells[to] = static_cast<std::int32_t>(static_cast<std::uint32_t>(cells[from]) +
                                          static_cast<std::uint32_t>(code[pc + 3]));
    stepsLeft -= 3;
    pc += 7;
    VAEL_NEXT;
}
fusedTest : {
    if (stepsLeft < 3 || valuesEnd - top < 2) goto push;
    const std::int64_t at = std::int64_t(frame) + code[pc + 3];
    if (static_cast<std::uint64_t>(at) >= std::uint64_t(maxCells)) goto push;
    const std::int32_t a = code[pc + 1], b = cells[at];
    bool holds = false;
    switch (code[pc + 4]) {
    case OP_EQ:
        holds = a == b;
        break;
    case OP_NE:
        holds = a != b;
        break;
    case OP_GT:
        holds = a > b;
        break;
    case OP_LT:
        holds = a < b;
        break;
    case OP_GE:
        holds = a >= b;
        break;
    default:
        holds = a <= b;
        break;
    }
    stepsLeft -= 3;
    pc = holds ? pc + 7 : code[pc + 6];
    VAEL_NEXT;
}
fusedArithmetic : {
    if (stepsLeft < 3 || valuesEnd - top < 2) goto load;
    const std::int64_t left = std::int64_t(frame) + code[pc + 1], right = std::int64_t(frame) + code[pc + 3],
                       to = std::int64_t(frame) + code[pc + 6];
    if (static_cast<std::uint64_t>(left) >= std::uint64_t(maxCells) ||
        static_cast<std::uint64_t>(right) >= std::uint64_t(maxCells) ||
        static_cast<std::uint64_t>(to) >= std::uint64_t(maxCells))
        goto load;
    const auto a = static_cast<std::uint32_t>(cells[left]), b = static_cast<std::uint32_t>(cells[right]);
    const std::int32_t op = code[pc + 4];
    cells[to] = static_cast<std::int32_t>(op == OP_ADD ? a + b : op == OP_SUB ? a - b : a * b);
    stepsLeft -= 3;
    pc += 7;
    VAEL_NEXT;
}
load:
    VAEL_NEED(1);
    VAEL_CELL(c, std::int64_t(frame) + code[pc + 1]);
    VAEL_PUSH(*c);
    pc += 2;
    VAEL_NEXT;
loadRef:
    VAEL_NEED(1);
    VAEL_CELL(c, std::int64_t(frame) + code[pc + 1]);
    VAEL_CELL(c, *c);
    VAEL_PUSH(*c);
    pc += 2;
    VAEL_NEXT;
pushAddr:
    VAEL_NEED(1);
    VAEL_CELL(c, std::int64_t(frame) + code[pc + 1]);
    VAEL_PUSH(static_cast<std::int32_t>(c - cells));
    pc += 2;
    VAEL_NEXT;
push:
    VAEL_NEED(1);
    VAEL_PUSH(code[pc + 1]);
    pc += 2;
    VAEL_NEXT;
store:
    VAEL_NEED(1);
    VAEL_POP(v);
    VAEL_CELL(c, std::int64_t(frame) + code[pc + 1]);
    *c = v;
    pc += 2;
    VAEL_NEXT;
storeRef:
    VAEL_NEED(1);
    VAEL_POP(v);
    VAEL_CELL(c, std::int64_t(frame) + code[pc + 1]);
    VAEL_CELL(c, *c);
    *c = v;
    pc += 2;
    VAEL_NEXT;
storeValue:
    VAEL_NEED(1);
    VAEL_POP(v);
    VAEL_CELL(c, v);
    v = *c;
    VAEL_CELL(c, std::int64_t(frame) + code[pc + 1]);
    *c = v;
    pc += 2;
    VAEL_NEXT;
up : {
    VAEL_NEED(2);
    const std::int32_t op = code[pc];
    const std::int32_t* base = displayAt(code[pc + 1]);
    if (!base) VAEL_FAIL(nullptr);
    VAEL_CELL(c, std::int64_t(*base) + code[pc + 2]);
    if (op == OP_PUSH_ADDR_UP) {
        VAEL_PUSH(static_cast<std::int32_t>(c - cells));
    } else if (op == OP_LOAD_UP || op == OP_LOAD_UP_REF) {
        if (op == OP_LOAD_UP_REF) VAEL_CELL(c, *c);
        VAEL_PUSH(*c);
    } else {
        VAEL_POP(v);
        if (op == OP_STORE_UP_REF) VAEL_CELL(c, *c);
        *c = v;
    }
    pc += 3;
    VAEL_NEXT;
}
pop:
    VAEL_POP(v);
    pc += 1;
    VAEL_NEXT;
opNot:
    if (top == values) VAEL_FAIL("value stack empty");
    top[-1] = top[-1] == 0;
    pc += 1;
    VAEL_NEXT;
opAnd:
    VAEL_BINARY(a != 0 && b != 0)
opOr:
    VAEL_BINARY(a != 0 || b != 0)
opXor:
    VAEL_BINARY(a > 0 ? b == 0 : b > 0)
eq:
    VAEL_BINARY(a == b)
ne:
    VAEL_BINARY(a != b)
gt:
    VAEL_BINARY(a > b)
lt:
    VAEL_BINARY(a < b)
ge:
    VAEL_BINARY(a >= b)
le:
    VAEL_BINARY(a <= b)
add:
    VAEL_BINARY(static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b)))
sub:
    VAEL_BINARY(static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b)))
mul:
    VAEL_BINARY(static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b)))
div:
    VAEL_BINARY(divide(a, b, pc))
jump:
    VAEL_NEED(1);
    pc = code[pc + 1];
    VAEL_NEXT;
jumpFalse:
    VAEL_NEED(1);
    VAEL_POP(v);
    pc = v == 0 ? code[pc + 1] : pc + 2;
    VAEL_NEXT;
callProcedure : {
    VAEL_NEED(3);
    const std::int64_t newFrame = std::int64_t(frame) + code[pc + 2];
    if (!call(code[pc + 1], newFrame, frame, pc + 4)) VAEL_FAIL(nullptr);
    frame = static_cast<std::int32_t>(newFrame);
    pc = code[pc + 3];
    VAEL_NEXT;
}
returnFromProcedure : {
    const auto caller = returnFromCall();
    if (!caller) VAEL_FAIL(nullptr);
    frame = caller->first;
    pc = caller->second;
    VAEL_NEXT;
}
callBuiltinProcedure:
    VAEL_NEED(2);
    valueCount_ = static_cast<std::int32_t>(top - values);
    frame_ = frame;
    if (!callBuiltin(code[pc + 1], code[pc + 2])) VAEL_FAIL(nullptr);
    top = values + valueCount_;
    pc += 3;
    VAEL_NEXT;
end:
    result = 0;
    goto done;
watch:
    VAEL_NEED(1);
    VAEL_POP(v);
    debugStream() << " [" << code[pc + 1] << "]: " << v << std::endl;
    pc += 2;
    VAEL_NEXT;
print : {
    VAEL_NEED(1);
    const std::int32_t n = code[pc + 1];
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
    VAEL_NEXT;
}
otherWord:
    pc += 1;
    VAEL_NEXT;

failed:
    // Every failure leaves before its instruction moves the counter, so pc still names the instruction.
    if (reason) fail(reason);
    instruction_ = pc;
    result = 0;
done:
    pcInOut = pc;
    valueCount_ = static_cast<std::int32_t>(top - values);
    frame_ = frame;
    steps_ = stepLimit_ - stepsLeft;
    return result;
}

#undef VAEL_FAIL
#undef VAEL_NEED
#undef VAEL_CELL
#undef VAEL_PUSH
#undef VAEL_POP
#undef VAEL_BINARY
#undef VAEL_DISPATCH
#undef VAEL_NEXT

template std::int32_t Interpreter::loop<true>(std::int32_t&);
template std::int32_t Interpreter::loop<false>(std::int32_t&);

} // namespace vael
