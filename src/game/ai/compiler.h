#pragma once
// The plan-script compiler: a recursive-descent parser over the scanner that emits the stack machine's
// code into an AIProgram as it reads. Every error ends the compile at once and is reported on the debug
// stream as "<script> ERROR at <line>: <message>" followed by the current token.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "game/ai/ai_program.h"
#include "game/ai/stream_tokenizer.h"

namespace vael {

class Compiler : public StreamTokenizer {
public:
    // The argument mask is one byte with an end mark above the last argument.
    static constexpr std::int32_t maxArguments = 7;
    // Imports may nest, but a file that imports itself must not recurse for ever.
    static constexpr std::int32_t maxImportDepth = 16;
    // Bounds the parser's recursion, so that no script can exhaust the stack.
    static constexpr std::int32_t maxNesting = 200;

    explicit Compiler(AIProgram& program);

    void addConstant(const std::string& name, std::int32_t value);
    // A built-in procedure: one signature character per argument, '1' by value and '0' by reference.
    // The interpreter must receive its functions in the same order, since code calls them by position.
    void addProcedure(const std::string& name, const std::string& signature);

    // 1 on success, 0 after an error (reported on the debug stream, kept in errorMessage()).
    std::int32_t compile(const std::string& fileName);
    // Compiles the text as if it were the contents of a script file.
    std::int32_t compileText(const std::string& text);

    // Where imported files are looked for; the program's data directory.
    void setImportDirectory(const std::filesystem::path& directory) { importDirectory_ = directory; }

    const std::string& scriptName() const { return scriptName_; }
    const std::string& errorMessage() const { return errorMessage_; }
    // The line of the last error, and the file that would not open when that was the error (the script
    // itself or one it imports); empty otherwise.
    std::int32_t errorLine() const { return errorLine_; }
    const std::string& unopenedFile() const { return unopenedFile_; }
    // Why that file would not open, as the file reader says it ("X is too large: ..."); and the file the
    // last error was met in, whose own line errorLine is: the script, or a file it imports (empty for a
    // script compiled from text).
    const std::string& openFailure() const { return openFailure_; }
    const std::string& errorFile() const { return errorFile_; }
    std::int32_t variableCount() const { return static_cast<std::int32_t>(variables_.size()); }
    std::int32_t constantCount() const { return static_cast<std::int32_t>(constants_.size()); }
    std::int32_t procedureCount() const { return static_cast<std::int32_t>(procedures_.size()); }
    std::int32_t codePosition() const { return codePosition_; }

private:
    struct VARIABLE_INFO {
        std::string name;
        std::int32_t kind = 0; // 1: a reference parameter
        std::int32_t level = 0;
    };
    struct CONSTANT_INFO {
        std::string name;
        std::int32_t value = 0;
    };
    struct PROCEDURE_INFO {
        std::string name;
        std::int32_t argumentCount = 0;
        std::uint8_t mask = 1;
        std::int32_t state = 0; // 0 built-in, the level for a body, -1 a prototype
        std::int32_t address = 0;
        std::int32_t firstVariable = 0;
        std::vector<std::int32_t> pendingCalls;
    };
    struct LOOP_INFO {
        std::int32_t start = 0;
        std::vector<std::int32_t> breakSites;
    };
    struct BLOCK_INFO {
        std::int32_t variables = 0;
        std::int32_t procedures = 0;
    };
    struct Error {
        std::string message;
    };

    std::int32_t compileOpenSource();
    [[noreturn]] void error(const std::string& message);
    void report(const std::string& message);
    void next();
    void expectSymbol(char symbol, const char* message);
    bool isWord() const;
    bool isKeyword(const char* word) const;
    bool isSymbol(char symbol) const;
    bool isNumber() const;
    bool isQuote() const;
    bool isEnd() const;

    // Code emission.
    void emit(std::int32_t word);
    std::int32_t reserve();
    void patch(std::int32_t site, std::int32_t value);
    void emitAccess(std::int32_t variable, std::int32_t plain, std::int32_t reference, std::int32_t plainUp,
                    std::int32_t referenceUp);
    void emitLoad(std::int32_t variable);
    void emitStore(std::int32_t variable);
    void emitAddress(std::int32_t variable);
    std::int32_t emitTableLead();
    void closeTable(std::int32_t lead);

    // Names.
    std::int32_t findVariable(const std::string& name) const;
    std::int32_t findConstant(const std::string& name) const;
    std::int32_t findProcedure(const std::string& name, std::int32_t argumentCount) const;
    bool hasProcedure(const std::string& name) const;
    void checkNewIdentifier(const std::string& name);
    void declareVariable(const std::string& name, std::int32_t kind);
    void openBlock();
    void closeBlock();
    void cutProcedures(std::int32_t count);
    void cutTablesToPredefined();
    std::int32_t numberValue(bool negative);

    // Global objects.
    void globalObjects(bool untilEnd);
    void globalObject();
    void importFile();
    void conditionsTable();
    void ordersTable();
    void exceptionsTable();
    void variableDeclaration();
    void constantDeclaration();
    void procedureDeclaration();

    // Statements and expressions.
    void statement();
    void block();
    void forStatement();
    void whileStatement();
    void closeLoop(std::int32_t exit);
    void expression();
    void relation();
    void sum();
    void term();
    void factor();
    void procedureCall();
    void callStatement();

    AIProgram& program_;
    std::string scriptName_;
    std::int32_t codePosition_ = 0;
    std::vector<VARIABLE_INFO> variables_;
    std::vector<CONSTANT_INFO> constants_;
    std::vector<PROCEDURE_INFO> procedures_;
    std::int32_t level_ = 0;
    std::int32_t predefinedConstants_ = 0;
    std::int32_t predefinedProcedures_ = 0;
    std::vector<LOOP_INFO> loops_;
    std::vector<BLOCK_INFO> blocks_;
    BLOCK_INFO block_;
    // Temporary cells that enclosing calls still need while an argument of an inner call is computed.
    std::int32_t temporariesInUse_ = 0;
    std::int32_t nesting_ = 0;
    std::int32_t importDepth_ = 0;
    std::int32_t firstTableLead_ = -1;
    std::filesystem::path importDirectory_;
    std::string errorMessage_;
    std::int32_t errorLine_ = 0;
    std::string unopenedFile_;
    std::string openFailure_;
    // The file being read now: the script, or the import the tokens come from.
    std::string currentFile_;
    std::string errorFile_;
};

} // namespace vael
