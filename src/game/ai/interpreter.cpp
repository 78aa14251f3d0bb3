#include "game/ai/interpreter.h"

#include <climits>

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
    while (execute(pc)) {
    }
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

bool Interpreter::fail(const char* reason) {
    if (!failure_) failure_ = reason;
    return false;
}

inline bool Interpreter::push(std::int32_t value) {
    if (valueCount_ >= maxStack) return fail("value stack full");
    values_[static_cast<std::size_t>(valueCount_++)] = value;
    return true;
}

inline bool Interpreter::pop(std::int32_t& value) {
    if (valueCount_ <= 0) return fail("value stack empty");
    value = values_[static_cast<std::size_t>(--valueCount_)];
    return true;
}

inline std::int32_t* Interpreter::cellAt(std::int64_t index) {
    if (index < 0 || index >= maxCells) return fail("cell out of range"), nullptr;
    return &cells_[static_cast<std::size_t>(index)];
}

std::int32_t* Interpreter::displayAt(std::int64_t level) {
    if (level < 0 || level >= maxDisplay) return fail("level out of range"), nullptr;
    const auto i = static_cast<std::size_t>(level);
    if (i >= display_.size()) display_.resize((i / 10 + 1) * 10, 0);
    return &display_[i];
}

inline bool Interpreter::operand(std::int32_t& pc, std::int32_t& value) {
    ++pc;
    if (pc < 0 || pc >= program_.allocatedWords()) return fail("operand outside the code");
    value = program_.code()[static_cast<std::size_t>(pc)];
    return true;
}

bool Interpreter::binary(std::int32_t op) {
    std::int32_t a = 0, b = 0;
    if (!pop(b) || !pop(a)) return false;
    const auto ua = static_cast<std::uint32_t>(a), ub = static_cast<std::uint32_t>(b);
    std::int32_t r = 0;
    switch (op) {
    case OP_AND: r = a != 0 && b != 0; break;
    case OP_OR: r = a != 0 || b != 0; break;
    case OP_XOR: r = a > 0 ? b == 0 : b > 0; break;
    case OP_EQ: r = a == b; break;
    case OP_NE: r = a != b; break;
    case OP_GT: r = a > b; break;
    case OP_LT: r = a < b; break;
    case OP_GE: r = a >= b; break;
    case OP_LE: r = a <= b; break;
    case OP_ADD: r = static_cast<std::int32_t>(ua + ub); break;
    case OP_SUB: r = static_cast<std::int32_t>(ua - ub); break;
    case OP_MUL: r = static_cast<std::int32_t>(ua * ub); break;
    case OP_DIV:
        // Both would trap the processor; the script gets a value it can live with, and the trace says why.
        if (b == 0) {
            debugStream() << "WARNING: division by zero at word " << instruction_ << std::endl;
            r = 0;
        } else if (a == INT_MIN && b == -1) {
            debugStream() << "WARNING: division overflow at word " << instruction_ << std::endl;
            r = INT_MIN;
        } else {
            r = a / b;
        }
        break;
    }
    return push(r);
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
    } else if (count == 2 && byValue(0) && !byValue(1) && std::holds_alternative<Procedure2ValueRef>(function)) {
        result = std::get<Procedure2ValueRef>(function)(owner_, valueOf(0), cellOf(1));
    } else if (count == 2 && !byValue(0) && byValue(1) && std::holds_alternative<Procedure2RefValue>(function)) {
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

std::int32_t Interpreter::execute(std::int32_t& pc) {
    if (failure_) return 0;
    instruction_ = pc;
    if (++steps_ > stepLimit_) return fail("step limit reached"), 0;
    if (pc < 0 || pc >= program_.allocatedWords()) return fail("program counter outside the code"), 0;
    const std::int32_t op = program_.code()[static_cast<std::size_t>(pc)];
    std::int32_t n = 0, level = 0, v = 0;
    std::int32_t* c = nullptr;
    bool ok = true;
    switch (op) {
    case OP_LOAD:
        ok = operand(pc, n) && (c = cellAt(std::int64_t(frame_) + n)) && push(*c);
        break;
    case OP_LOAD_REF:
        ok = operand(pc, n) && (c = cellAt(std::int64_t(frame_) + n)) && (c = cellAt(*c)) && push(*c);
        break;
    case OP_PUSH_ADDR:
        ok = operand(pc, n) && cellAt(std::int64_t(frame_) + n) && push(frame_ + n);
        break;
    case OP_PUSH:
        ok = operand(pc, n) && push(n);
        break;
    case OP_STORE:
        ok = operand(pc, n) && pop(v) && (c = cellAt(std::int64_t(frame_) + n));
        if (ok) *c = v;
        break;
    case OP_STORE_REF:
        ok = operand(pc, n) && pop(v) && (c = cellAt(std::int64_t(frame_) + n)) && (c = cellAt(*c));
        if (ok) *c = v;
        break;
    case OP_STORE_VALUE:
        ok = operand(pc, n) && pop(v) && (c = cellAt(v)) && (v = *c, c = cellAt(std::int64_t(frame_) + n));
        if (ok) *c = v;
        break;
    case OP_LOAD_UP:
    case OP_LOAD_UP_REF:
    case OP_PUSH_ADDR_UP:
    case OP_STORE_UP:
    case OP_STORE_UP_REF: {
        std::int32_t* base = nullptr;
        ok = operand(pc, level) && operand(pc, n) && (base = displayAt(level));
        if (!ok) break;
        const std::int64_t index = std::int64_t(*base) + n;
        if (op == OP_PUSH_ADDR_UP) {
            ok = cellAt(index) && push(static_cast<std::int32_t>(index));
        } else if (op == OP_LOAD_UP || op == OP_LOAD_UP_REF) {
            ok = (c = cellAt(index)) && (op == OP_LOAD_UP || (c = cellAt(*c))) && push(*c);
        } else {
            ok = pop(v) && (c = cellAt(index)) && (op == OP_STORE_UP || (c = cellAt(*c)));
            if (ok) *c = v;
        }
        break;
    }
    case OP_POP:
        ok = pop(v);
        break;
    case OP_NOT:
        ok = pop(v) && push(v == 0);
        break;
    case OP_AND:
    case OP_OR:
    case OP_XOR:
    case OP_EQ:
    case OP_NE:
    case OP_GT:
    case OP_LT:
    case OP_GE:
    case OP_LE:
    case OP_ADD:
    case OP_SUB:
    case OP_MUL:
    case OP_DIV:
        ok = binary(op);
        break;
    case OP_JUMP:
        if (!operand(pc, n)) return 0;
        pc = n;
        return 1;
    case OP_JUMP_FALSE:
        if (!operand(pc, n) || !pop(v)) return 0;
        pc = v == 0 ? n : pc + 1;
        return 1;
    case OP_CALL: {
        std::int32_t d = 0, target = 0;
        if (!operand(pc, level) || !operand(pc, d) || !operand(pc, target)) return 0;
        if (callDepth() >= maxCallDepth) return fail("call depth limit reached"), 0;
        const std::int64_t frame = std::int64_t(frame_) + d;
        if (frame < INT_MIN || frame > INT_MAX) return fail("frame out of range"), 0;
        // Both entries first, since growing the display moves it.
        if (!displayAt(level) || !displayAt(level_)) return 0;
        display_[static_cast<std::size_t>(level_)] = frame_;
        callStack_.push_back(display_[static_cast<std::size_t>(level)]);
        callStack_.push_back(frame_);
        callStack_.push_back(level_);
        callStack_.push_back(pc + 1);
        level_ = level;
        frame_ = static_cast<std::int32_t>(frame);
        pc = target;
        return 1;
    }
    case OP_RETURN: {
        if (callStack_.size() < callWords) return fail("return without a call"), 0;
        const std::int32_t returnAddress = callStack_[callStack_.size() - 1];
        const std::int32_t callerLevel = callStack_[callStack_.size() - 2];
        const std::int32_t callerFrame = callStack_[callStack_.size() - 3];
        const std::int32_t calleeEntry = callStack_[callStack_.size() - 4];
        callStack_.resize(callStack_.size() - callWords);
        // The callee's display entry and the caller's level come back as they were, so that the caller
        // (and procedures nested in it) see their own frames after a recursive call returns.
        if (std::int32_t* entry = displayAt(level_)) *entry = calleeEntry;
        level_ = callerLevel;
        frame_ = callerFrame;
        pc = returnAddress;
        return failure_ ? 0 : 1;
    }
    case OP_CALL_BUILTIN: {
        std::int32_t mask = 0;
        ok = operand(pc, mask) && operand(pc, n) && callBuiltin(mask, n);
        break;
    }
    case OP_END:
        return 0;
    case OP_WATCH:
        ok = operand(pc, n) && pop(v);
        if (ok) debugStream() << " [" << n << "]: " << v << std::endl;
        break;
    case OP_PRINT: {
        if (!operand(pc, n)) return 0;
        if (n < 0 || std::int64_t(pc) + n >= program_.allocatedWords()) return fail("text outside the code"), 0;
        debugStream() << ' ';
        for (std::int32_t i = 0; i < n; ++i) {
            operand(pc, v);
            if ((v & 0xFF) == 10)
                debugStream() << std::endl;
            else
                debugStream() << static_cast<char>(v & 0xFF);
        }
        break;
    }
    default:
        break;
    }
    if (!ok) return 0;
    ++pc;
    return 1;
}

} // namespace vael
