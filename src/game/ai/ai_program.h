#pragma once
// A compiled plan script: the code words of the stack machine and the ways into them (the Conditions
// table, the Exceptions table without group, and one Orders or Exceptions table per named group), with
// the compiled file's reader and writer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

enum ScriptOperation : std::int32_t {
    OP_LOAD = 1,
    OP_LOAD_REF = 2,
    OP_PUSH_ADDR = 3,
    OP_PUSH = 4,
    OP_STORE = 5,
    OP_STORE_REF = 6,
    OP_STORE_VALUE = 7,
    OP_LOAD_UP = 8,
    OP_LOAD_UP_REF = 9,
    // Pushes the cell number of a variable of an enclosing level, so that it can be passed to a call.
    OP_PUSH_ADDR_UP = 10,
    OP_STORE_UP = 16,
    OP_STORE_UP_REF = 17,
    OP_POP = 18,
    OP_AND = 32,
    OP_OR = 33,
    OP_NOT = 34,
    OP_XOR = 35,
    OP_EQ = 36,
    OP_NE = 37,
    OP_GT = 38,
    OP_LT = 39,
    OP_GE = 40,
    OP_LE = 41,
    OP_ADD = 42,
    OP_SUB = 43,
    OP_MUL = 44,
    OP_DIV = 45,
    OP_JUMP = 64,
    OP_JUMP_FALSE = 65,
    OP_CALL = 66,
    OP_RETURN = 67,
    OP_CALL_BUILTIN = 68,
    OP_END = 69,
    OP_WATCH = 96,
    OP_PRINT = 97,
};

struct ORDERS_INFO {
    std::string name;
    std::int32_t entry = -1;
};
using EXCEPTIONS_INFO = ORDERS_INFO;

class AIProgram {
public:
    // The code array grows in steps of this many words, and its size is a 16-bit count.
    static constexpr std::int32_t codeStep = 2000;
    static constexpr std::int32_t maxCodeWords = 32000;

    // The word at an index; an index outside the allocated code reads as 0 (no operation).
    std::int32_t word(std::int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < code_.size()
                   ? code_[static_cast<std::size_t>(index)]
                   : 0;
    }
    // Stores a word, growing the code to the next step; false when the index is outside what a program
    // may hold.
    bool setWord(std::int32_t index, std::int32_t value);
    const std::vector<std::int32_t>& code() const { return code_; }
    // Counts the changes to the code, so that a reader that keeps a translation of it knows when to
    // make it again.
    std::uint64_t revision() const { return revision_; }
    std::int32_t allocatedWords() const { return static_cast<std::int32_t>(code_.size()); }

    std::int32_t isCompiled() const { return compiled_; }
    void setCompiled(std::int32_t compiled) { compiled_ = compiled; }

    std::int32_t conditionsEntry() const { return conditionsEntry_; }
    void setConditionsEntry(std::int32_t entry) { conditionsEntry_ = entry; }
    std::int32_t exceptionsEntry() const { return exceptionsEntry_; }
    void setExceptionsEntry(std::int32_t entry) { exceptionsEntry_ = entry; }

    void addOrders(const std::string& group, std::int32_t entry) { orders_.push_back({group, entry}); }
    void addExceptions(const std::string& group, std::int32_t entry) {
        exceptions_.push_back({group, entry});
    }
    // The entry of the first table of that group, names compared exactly.
    bool findOrders(const std::string& group, std::int32_t& entry) const {
        return find(orders_, group, entry);
    }
    bool findExceptions(const std::string& group, std::int32_t& entry) const {
        return find(exceptions_, group, entry);
    }
    const std::vector<ORDERS_INFO>& orders() const { return orders_; }
    const std::vector<EXCEPTIONS_INFO>& exceptions() const { return exceptions_; }
    void clearTables();

    // The compiled file: 1 when written or read whole, 0 otherwise.
    std::int32_t save(const std::string& fileName) const;
    std::int32_t load(const std::string& fileName);
    // The file's bytes, and the reader of bytes that load uses.
    std::vector<std::uint8_t> fileBytes() const;
    std::int32_t read(const std::uint8_t* data, std::size_t size);

private:
    static bool find(const std::vector<ORDERS_INFO>& list, const std::string& group, std::int32_t& entry);

    std::vector<std::int32_t> code_;
    std::uint64_t revision_ = 0;
    std::int32_t compiled_ = 0;
    std::int32_t conditionsEntry_ = -1;
    std::int32_t exceptionsEntry_ = -1;
    std::vector<ORDERS_INFO> orders_;
    std::vector<EXCEPTIONS_INFO> exceptions_;
};

} // namespace vael
