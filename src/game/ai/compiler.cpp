#include "game/ai/compiler.h"

#include <algorithm>
#include <utility>

#include "framework/core/debug_stream.h"

namespace vael {

Compiler::Compiler(AIProgram& program) : program_(program) {
    setCharType('\'', CT_COMMENT);
}

void Compiler::addConstant(const std::string& name, std::int32_t value) {
    constants_.push_back({name, value});
    predefinedConstants_ = constantCount();
}

void Compiler::addProcedure(const std::string& name, const std::string& signature) {
    PROCEDURE_INFO info;
    info.name = name;
    // A longer signature cannot be described by the mask; it is cut to what the mask holds.
    info.argumentCount = static_cast<std::int32_t>(std::min<std::size_t>(signature.size(), maxArguments));
    info.mask = 0;
    for (std::int32_t i = 0; i < info.argumentCount; ++i)
        if (signature[static_cast<std::size_t>(i)] != '0') info.mask |= static_cast<std::uint8_t>(1u << i);
    info.mask |= static_cast<std::uint8_t>(1u << info.argumentCount);
    info.state = 0;
    procedures_.push_back(std::move(info));
    predefinedProcedures_ = procedureCount();
}

std::int32_t Compiler::compile(const std::string& fileName) {
    scriptName_.clear();
    program_.clearTables();
    unopenedFile_.clear();
    openFailure_.clear();
    currentFile_ = fileName;
    if (!open(fileName)) {
        unopenedFile_ = fileName;
        openFailure_ = openError();
        report("Failed to open source file");
        return 0;
    }
    return compileOpenSource();
}

std::int32_t Compiler::compileText(const std::string& text) {
    scriptName_.clear();
    unopenedFile_.clear();
    openFailure_.clear();
    currentFile_.clear();
    openText(text);
    return compileOpenSource();
}

std::int32_t Compiler::compileOpenSource() {
    program_.clearTables();
    level_ = 0;
    block_ = {variableCount(), procedureCount()};
    blocks_.clear();
    loops_.clear();
    temporariesInUse_ = 0;
    nesting_ = 0;
    importDepth_ = 0;
    firstTableLead_ = -1;
    errorMessage_.clear();
    std::int32_t result = 0;
    try {
        next();
        if (!isWord()) error("Illegal script name");
        scriptName_ = tokenText().substr(0, 15);
        next();
        expectSymbol('{', "Missing open bracket");
        next();
        globalObjects(false);
        next();
        if (!isEnd()) error("Expecting end of file");
        if (program_.conditionsEntry() < 0) error("Missing Conditions block");
        cutProcedures(predefinedProcedures_);
        emit(OP_END);
        program_.setCompiled(1);
        result = 1;
    } catch (const Error& e) {
        report(e.message);
    }
    close();
    cutTablesToPredefined();
    codePosition_ = 0;
    level_ = 0;
    return result;
}

void Compiler::report(const std::string& message) {
    errorMessage_ = message;
    errorLine_ = lineNumber();
    errorFile_ = currentFile_;
    debugStream() << scriptName_ << " ERROR at " << lineNumber() << ": " << message << std::endl;
    debugStream() << "CURRENT TOKEN: " << tokenText() << std::endl;
}

void Compiler::error(const std::string& message) {
    throw Error{message};
}

void Compiler::next() {
    if (nextToken() == 0) error(tokenText());
}

void Compiler::expectSymbol(char symbol, const char* message) {
    if (!isSymbol(symbol)) error(message);
}

bool Compiler::isWord() const {
    return (tokenClass() & CT_WORD) && !(tokenClass() & (CT_DIGIT | CT_QUOTE));
}

bool Compiler::isKeyword(const char* word) const {
    return isWord() && tokenText() == word;
}

bool Compiler::isSymbol(char symbol) const {
    return (tokenClass() & CT_SINGLE) && !(tokenClass() & CT_QUOTE) && tokenText().size() == 1 &&
           tokenText()[0] == symbol;
}

bool Compiler::isNumber() const {
    return (tokenClass() & CT_DIGIT) && !(tokenClass() & CT_QUOTE);
}

bool Compiler::isQuote() const {
    return tokenClass() & CT_QUOTE;
}

bool Compiler::isEnd() const {
    return tokenClass() & CT_END;
}

// --- code emission -------------------------------------------------------------------------------

void Compiler::emit(std::int32_t word) {
    if (!program_.setWord(codePosition_, word)) error("Program too large");
    ++codePosition_;
}

std::int32_t Compiler::reserve() {
    const std::int32_t site = codePosition_;
    emit(0);
    return site;
}

void Compiler::patch(std::int32_t site, std::int32_t value) {
    program_.setWord(site, value);
}

// A variable of the current procedure (or of a block inside it) lives in the current frame; one of an
// enclosing procedure or of the script is reached through the frame recorded for its level. Each use
// names its operation for a plain variable and for a reference, in the frame and through the display.
void Compiler::emitAccess(std::int32_t variable, std::int32_t plain, std::int32_t reference,
                          std::int32_t plainUp, std::int32_t referenceUp) {
    const VARIABLE_INFO& v = variables_[static_cast<std::size_t>(variable)];
    if (v.level >= level_) {
        emit(v.kind == 1 ? reference : plain);
    } else {
        emit(v.kind == 1 ? referenceUp : plainUp);
        emit(v.level);
    }
    emit(variable);
}

void Compiler::emitLoad(std::int32_t variable) {
    emitAccess(variable, OP_LOAD, OP_LOAD_REF, OP_LOAD_UP, OP_LOAD_UP_REF);
}

void Compiler::emitStore(std::int32_t variable) {
    emitAccess(variable, OP_STORE, OP_STORE_REF, OP_STORE_UP, OP_STORE_UP_REF);
}

// The cell a variable argument passes: its own, or for a reference the cell it refers to.
void Compiler::emitAddress(std::int32_t variable) {
    emitAccess(variable, OP_PUSH_ADDR, OP_LOAD, OP_PUSH_ADDR_UP, OP_LOAD_UP);
}

// A table opens with a jump over itself, so that a run from word 0 passes tables by and executes only
// the script's global declarations. The jump's target is the word after the table's closing OP_END.
// The first table is the exception: the reset runs its body and stops at its OP_END, so its jump goes
// on to the next word.
std::int32_t Compiler::emitTableLead() {
    emit(OP_JUMP);
    const std::int32_t lead = reserve();
    if (firstTableLead_ < 0) firstTableLead_ = lead;
    return lead;
}

void Compiler::closeTable(std::int32_t lead) {
    patch(lead, lead == firstTableLead_ ? lead + 1 : codePosition_);
}

// --- names ---------------------------------------------------------------------------------------

std::int32_t Compiler::findVariable(const std::string& name) const {
    for (std::int32_t i = variableCount() - 1; i >= 0; --i)
        if (variables_[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

std::int32_t Compiler::findConstant(const std::string& name) const {
    for (std::int32_t i = constantCount() - 1; i >= 0; --i)
        if (constants_[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

std::int32_t Compiler::findProcedure(const std::string& name, std::int32_t argumentCount) const {
    for (std::int32_t i = procedureCount() - 1; i >= 0; --i) {
        const PROCEDURE_INFO& p = procedures_[static_cast<std::size_t>(i)];
        if (p.name == name && p.argumentCount == argumentCount) return i;
    }
    return -1;
}

bool Compiler::hasProcedure(const std::string& name) const {
    return std::any_of(procedures_.begin(), procedures_.end(),
                       [&](const PROCEDURE_INFO& p) { return p.name == name; });
}

void Compiler::checkNewIdentifier(const std::string& name) {
    if (findVariable(name) >= 0 || findConstant(name) >= 0 || hasProcedure(name))
        error("Duplicate identifier");
}

void Compiler::declareVariable(const std::string& name, std::int32_t kind) {
    checkNewIdentifier(name);
    variables_.push_back({name, kind, level_});
}

void Compiler::openBlock() {
    blocks_.push_back(block_);
    block_ = {variableCount(), procedureCount()};
}

void Compiler::closeBlock() {
    cutProcedures(block_.procedures);
    variables_.resize(static_cast<std::size_t>(block_.variables));
    block_ = blocks_.back();
    blocks_.pop_back();
}

void Compiler::cutProcedures(std::int32_t count) {
    while (procedureCount() > count) {
        if (procedures_.back().state == -1) {
            debugStream() << "Removing: " << procedureCount() - 1 << std::endl;
            error("Block contains prototype without body");
        }
        procedures_.pop_back();
    }
}

void Compiler::cutTablesToPredefined() {
    variables_.clear();
    constants_.resize(static_cast<std::size_t>(predefinedConstants_));
    procedures_.resize(static_cast<std::size_t>(predefinedProcedures_));
    blocks_.clear();
    loops_.clear();
}

// Literals are checked against the 32-bit range; -2147483648 is the one value only a minus reaches.
std::int32_t Compiler::numberValue(bool negative) {
    std::int64_t value = 0;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (char c : tokenText()) {
        value = value * 10 + (c - '0');
        if (value > limit) error("Illegal number");
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

// --- global objects ------------------------------------------------------------------------------

// The objects of the script up to its closing brace, or of an imported file up to its end.
void Compiler::globalObjects(bool untilEnd) {
    while (untilEnd ? !isEnd() : !isSymbol('}')) {
        globalObject();
        expectSymbol(';', "Missing semicolon");
        next();
    }
}

void Compiler::globalObject() {
    if (isKeyword("import"))
        importFile();
    else if (isKeyword("Conditions"))
        conditionsTable();
    else if (isKeyword("Orders"))
        ordersTable();
    else if (isKeyword("Exceptions"))
        exceptionsTable();
    else if (isKeyword("var"))
        variableDeclaration();
    else if (isKeyword("const"))
        constantDeclaration();
    else if (isKeyword("procedure"))
        procedureDeclaration();
    else
        error("Unknown object");
}

void Compiler::importFile() {
    next();
    if (!isQuote()) error("Import file lacks quotes");
    if (importDepth_ >= maxImportDepth) error("Imports nested too deeply");
    std::string name = tokenText();
    std::replace(name.begin(), name.end(), '\\', '/');
    Source saved = takeSource();
    const std::string path = (importDirectory_ / name).string();
    if (!open(path)) {
        unopenedFile_ = path;
        openFailure_ = openError();
        restoreSource(std::move(saved));
        error("Import file would not open");
    }
    // An error inside the import is the import's, at its own line: the enclosing file is only taken up
    // again when the import has compiled.
    std::string enclosing = std::exchange(currentFile_, path);
    ++importDepth_;
    next();
    // An import that holds nothing (a file emptied) would only be noticed as names missing from the file
    // that imports it, and blamed on that file.
    if (isEnd()) error("Import file holds nothing");
    globalObjects(true);
    --importDepth_;
    currentFile_ = std::move(enclosing);
    restoreSource(std::move(saved));
    next();
}

void Compiler::conditionsTable() {
    if (program_.conditionsEntry() >= 0) error("Duplicate Conditions table");
    next();
    expectSymbol('{', "Missing open bracket");
    const std::int32_t lead = emitTableLead();
    next();
    if (isKeyword("var")) {
        variableDeclaration();
        expectSymbol(';', "Missing semicolon");
        next();
    }
    program_.setConditionsEntry(codePosition_);
    while (!isSymbol('}')) {
        if (!isWord()) error("Illegal statement");
        const std::int32_t variable = findVariable(tokenText());
        if (variable < 0) error("Unknown identifier");
        next();
        expectSymbol('=', "Assignment missing '='");
        next();
        expression();
        emitStore(variable);
        expectSymbol(';', "Missing semicolon");
        next();
    }
    emit(OP_END);
    closeTable(lead);
    next();
}

void Compiler::ordersTable() {
    next();
    if (!isKeyword("for")) error("Missing 'for' keyword");
    next();
    if (!isWord()) error("Illegal group name");
    const std::string group = tokenText();
    std::int32_t existing = 0;
    if (program_.findOrders(group, existing)) error("Duplicate group Orders table");
    next();
    expectSymbol('{', "Missing open bracket");
    const std::int32_t lead = emitTableLead();
    program_.addOrders(group, codePosition_);
    next();
    while (!isSymbol('}')) {
        emit(OP_PUSH);
        emit(1);
        for (;;) {
            const std::int32_t variable = isWord() ? findVariable(tokenText()) : -1;
            if (variable < 0) error("Unknown condition");
            emitLoad(variable);
            emit(OP_AND);
            next();
            if (!isSymbol(',')) break;
            next();
        }
        emit(OP_JUMP_FALSE);
        const std::int32_t skip = reserve();
        callStatement();
        emit(OP_END);
        patch(skip, codePosition_);
        expectSymbol(';', "Missing semicolon");
        next();
    }
    emit(OP_END);
    closeTable(lead);
    next();
}

void Compiler::exceptionsTable() {
    next();
    std::string group;
    const bool grouped = isKeyword("for");
    if (grouped) {
        next();
        if (!isWord()) error("Illegal group name");
        group = tokenText();
        std::int32_t existing = 0;
        if (program_.findExceptions(group, existing)) error("Duplicate group Exceptions table");
        next();
    } else if (program_.exceptionsEntry() >= 0) {
        error("Duplicate Exceptions table");
    }
    expectSymbol('{', "Missing open bracket");
    const std::int32_t lead = emitTableLead();
    if (grouped)
        program_.addExceptions(group, codePosition_);
    else
        program_.setExceptionsEntry(codePosition_);
    next();
    while (!isSymbol('}')) {
        callStatement();
        expectSymbol(';', "Missing semicolon");
        next();
    }
    emit(OP_END);
    closeTable(lead);
    next();
}

void Compiler::variableDeclaration() {
    do {
        next();
        if (!isWord()) error("Illegal variable identifier");
        declareVariable(tokenText(), 0);
        emit(OP_PUSH);
        emit(0);
        emit(OP_STORE);
        emit(variableCount() - 1);
        next();
    } while (isSymbol(','));
}

void Compiler::constantDeclaration() {
    do {
        next();
        if (!isWord()) error("Illegal constant identifier");
        const std::string name = tokenText();
        checkNewIdentifier(name);
        next();
        const bool negative = isSymbol('-');
        if (negative) next();
        if (!isNumber()) error("Illegal constant");
        constants_.push_back({name, numberValue(negative)});
        next();
    } while (isSymbol(','));
}

void Compiler::procedureDeclaration() {
    next();
    if (!isWord()) error("Illegal procedure name");
    PROCEDURE_INFO info;
    info.name = tokenText();
    if (findVariable(info.name) >= 0 || findConstant(info.name) >= 0) error("Duplicate identifier");
    emit(OP_JUMP);
    const std::int32_t skip = reserve();
    ++level_;
    info.state = level_;
    info.address = codePosition_;
    info.firstVariable = variableCount();
    next();
    expectSymbol('(', "Missing open parenthesis");
    next();
    info.mask = 0;
    std::vector<std::int32_t> kinds;
    if (!isSymbol(')')) {
        for (;;) {
            std::int32_t kind = 0;
            if (isKeyword("var")) {
                kind = 1;
                next();
            }
            if (!isWord()) error("Illegal formal parameter");
            if (info.argumentCount == maxArguments) error("Too many parameters");
            declareVariable(tokenText(), kind);
            if (kind == 0) info.mask |= static_cast<std::uint8_t>(1u << info.argumentCount);
            kinds.push_back(kind);
            ++info.argumentCount;
            next();
            if (!isSymbol(',')) break;
            next();
        }
    }
    expectSymbol(')', "Missing close parenthesis");
    info.mask |= static_cast<std::uint8_t>(1u << info.argumentCount);

    std::int32_t position = findProcedure(info.name, info.argumentCount);
    bool completesPrototype = false;
    if (position < 0) {
        position = procedureCount();
        procedures_.push_back(info);
    } else if (procedures_[static_cast<std::size_t>(position)].state >= 0) {
        error("Duplicate procedure identifier");
    } else {
        completesPrototype = true;
        PROCEDURE_INFO& prototype = procedures_[static_cast<std::size_t>(position)];
        prototype.state = info.state;
        prototype.firstVariable = info.firstVariable;
        prototype.address = info.address;
        for (std::int32_t q : prototype.pendingCalls) {
            patch(q - 2, info.state);
            patch(q - 1, program_.word(q - 1) - info.firstVariable);
            patch(q, info.address);
        }
        prototype.pendingCalls.clear();
    }

    next();
    if (isSymbol(';')) {
        if (completesPrototype) error("Procedure has multiple prototypes");
        procedures_[static_cast<std::size_t>(position)].state = -1;
        variables_.resize(static_cast<std::size_t>(info.firstVariable));
        --level_;
        patch(skip, codePosition_);
        return;
    }

    for (std::int32_t i = info.argumentCount - 1; i >= 0; --i) {
        emit(kinds[static_cast<std::size_t>(i)] == 1 ? OP_STORE : OP_STORE_VALUE);
        emit(info.firstVariable + i);
    }
    // A loop around the declaration is not the body's: break and continue may not leave the procedure.
    std::vector<LOOP_INFO> enclosingLoops;
    enclosingLoops.swap(loops_);
    block();
    loops_.swap(enclosingLoops);
    emit(OP_PUSH);
    emit(0);
    emit(OP_RETURN);
    --level_;
    variables_.resize(static_cast<std::size_t>(info.firstVariable));
    patch(skip, codePosition_);
}

// --- statements ----------------------------------------------------------------------------------

namespace {
// Counts the parser's recursion for as long as one rule is being read.
class NestingGuard {
public:
    NestingGuard(std::int32_t& depth) : depth_(depth) { ++depth_; }
    ~NestingGuard() { --depth_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

private:
    std::int32_t& depth_;
};
} // namespace

// The opening token has been read by the caller (a procedure body accepts any); statements follow up to
// the closing brace, which is passed.
void Compiler::block() {
    openBlock();
    next();
    while (!isSymbol('}')) {
        statement();
        expectSymbol(';', "Missing semicolon");
        next();
    }
    closeBlock();
    next();
}

void Compiler::statement() {
    NestingGuard guard(nesting_);
    if (nesting_ > maxNesting) error("Nesting too deep");
    if (isSymbol('{')) {
        block();
    } else if (isKeyword("var")) {
        variableDeclaration();
    } else if (isKeyword("const")) {
        constantDeclaration();
    } else if (isKeyword("if")) {
        next();
        expression();
        emit(OP_JUMP_FALSE);
        const std::int32_t skip = reserve();
        statement();
        if (isKeyword("else")) {
            emit(OP_JUMP);
            const std::int32_t past = reserve();
            patch(skip, codePosition_);
            next();
            statement();
            patch(past, codePosition_);
        } else {
            patch(skip, codePosition_);
        }
    } else if (isKeyword("for")) {
        forStatement();
    } else if (isKeyword("while")) {
        whileStatement();
    } else if (isKeyword("break")) {
        if (loops_.empty()) error("Keyword 'break' found outside of any loop");
        emit(OP_JUMP);
        loops_.back().breakSites.push_back(reserve());
        next();
    } else if (isKeyword("continue")) {
        if (loops_.empty()) error("Keyword 'continue' found outside of any loop");
        emit(OP_JUMP);
        emit(loops_.back().start);
        next();
    } else if (isKeyword("procedure")) {
        procedureDeclaration();
    } else if (isKeyword("return")) {
        if (level_ == 0) error("Keyword 'return' found outside of any procedure");
        next();
        const bool bare = isSymbol(';') || isSymbol('}') ||
                          (isKeyword("else") && findVariable("else") < 0 && findConstant("else") < 0 &&
                           !hasProcedure("else"));
        if (bare) {
            emit(OP_PUSH);
            emit(0);
        } else {
            expression();
        }
        emit(OP_RETURN);
    } else if (isKeyword("watch")) {
        next();
        if (isQuote()) {
            emit(OP_PRINT);
            emit(static_cast<std::int32_t>(tokenText().size()));
            for (char c : tokenText())
                emit(static_cast<unsigned char>(c));
            next();
        }
        expression();
        emit(OP_WATCH);
        emit(lineNumber());
    } else if (isKeyword("write")) {
        next();
        if (!isQuote()) error("Write string lacks quotes");
        emit(OP_PRINT);
        emit(static_cast<std::int32_t>(tokenText().size()) + 1);
        for (char c : tokenText())
            emit(static_cast<unsigned char>(c));
        emit(10);
        next();
    } else if (!isWord()) {
        error("Illegal statement");
    } else if (const std::int32_t variable = findVariable(tokenText()); variable >= 0) {
        next();
        expectSymbol('=', "Assignment missing '='");
        next();
        expression();
        emitStore(variable);
    } else {
        callStatement();
    }
}

void Compiler::forStatement() {
    next();
    const std::int32_t variable = isWord() ? findVariable(tokenText()) : -1;
    if (variable < 0) error("Unknown identifier");
    next();
    expectSymbol('=', "For statement missing '='");
    next();
    expression();
    emitStore(variable);
    const bool up = isKeyword("to");
    if (!up && !isKeyword("downto")) error("Missing directional keyword");
    next();
    emit(OP_JUMP);
    const std::int32_t toTest = reserve();
    const std::int32_t step = codePosition_;
    emitLoad(variable);
    emit(OP_PUSH);
    emit(up ? 1 : -1);
    emit(OP_ADD);
    emitStore(variable);
    patch(toTest, codePosition_);
    expression();
    emitLoad(variable);
    emit(up ? OP_GE : OP_LE);
    emit(OP_JUMP_FALSE);
    const std::int32_t exitSite = reserve();
    loops_.push_back({step, {}});
    statement();
    emit(OP_JUMP);
    emit(step);
    patch(exitSite, codePosition_);
    closeLoop(codePosition_);
}

void Compiler::whileStatement() {
    const std::int32_t start = codePosition_;
    next();
    expression();
    emit(OP_JUMP_FALSE);
    const std::int32_t exitSite = reserve();
    loops_.push_back({start, {}});
    statement();
    emit(OP_JUMP);
    emit(start);
    patch(exitSite, codePosition_);
    closeLoop(codePosition_);
}

void Compiler::closeLoop(std::int32_t exit) {
    for (std::int32_t site : loops_.back().breakSites)
        patch(site, exit);
    loops_.pop_back();
}

// --- expressions ---------------------------------------------------------------------------------

void Compiler::expression() {
    NestingGuard guard(nesting_);
    if (nesting_ > maxNesting) error("Nesting too deep");
    relation();
    std::int32_t op = 0;
    if (isKeyword("AND"))
        op = OP_AND;
    else if (isKeyword("OR"))
        op = OP_OR;
    else if (isKeyword("XOR"))
        op = OP_XOR;
    if (op == 0) return;
    next();
    expression();
    emit(op);
}

void Compiler::relation() {
    sum();
    std::int32_t op = 0;
    if (isSymbol('=') || isSymbol('!')) {
        op = isSymbol('=') ? OP_EQ : OP_NE;
        next();
        if (!isSymbol('=')) error("Illeagal relational operator");
        next();
    } else if (isSymbol('<') || isSymbol('>')) {
        const bool less = isSymbol('<');
        next();
        if (isSymbol('=')) {
            op = less ? OP_LE : OP_GE;
            next();
        } else {
            op = less ? OP_LT : OP_GT;
        }
    } else {
        return;
    }
    sum();
    emit(op);
}

void Compiler::sum() {
    term();
    if (!isSymbol('+') && !isSymbol('-')) return;
    const std::int32_t op = isSymbol('+') ? OP_ADD : OP_SUB;
    next();
    NestingGuard guard(nesting_);
    if (nesting_ > maxNesting) error("Nesting too deep");
    sum();
    emit(op);
}

void Compiler::term() {
    factor();
    if (!isSymbol('*') && !isSymbol('/')) return;
    const std::int32_t op = isSymbol('*') ? OP_MUL : OP_DIV;
    next();
    NestingGuard guard(nesting_);
    if (nesting_ > maxNesting) error("Nesting too deep");
    term();
    emit(op);
}

void Compiler::factor() {
    NestingGuard guard(nesting_);
    if (nesting_ > maxNesting) error("Nesting too deep");
    if (isSymbol('(')) {
        next();
        expression();
        expectSymbol(')', "Missing close parenthesis");
        next();
    } else if (isKeyword("NOT")) {
        next();
        factor();
        emit(OP_NOT);
    } else if (isKeyword("Can")) {
        next();
        procedureCall();
    } else if (!isSymbol('-') && !isNumber()) {
        if (const std::int32_t variable = isWord() ? findVariable(tokenText()) : -1; variable >= 0) {
            emitLoad(variable);
            next();
        } else if (const std::int32_t constant = isWord() ? findConstant(tokenText()) : -1; constant >= 0) {
            emit(OP_PUSH);
            emit(constants_[static_cast<std::size_t>(constant)].value);
            next();
        } else {
            procedureCall();
        }
    } else {
        const bool negative = isSymbol('-');
        if (negative) next();
        if (!isNumber()) error("Illegal number");
        emit(OP_PUSH);
        emit(numberValue(negative));
        next();
    }
}

// A call leaves the procedure's result on the stack. Arguments pass cell numbers: a variable its own
// cell, an expression a temporary cell above the variables and above the temporaries that enclosing
// calls are still filling; the callee's frame starts above all of them.
void Compiler::procedureCall() {
    if (!isWord() || !hasProcedure(tokenText())) error("Unknown identifier");
    const std::string name = tokenText();
    next();
    expectSymbol('(', "Missing open parenthesis");
    next();
    const std::int32_t temporaryBase = temporariesInUse_;
    std::int32_t temporaries = 0;
    std::int32_t argumentCount = 0;
    std::uint32_t expressionArguments = 0;
    if (!isSymbol(')')) {
        for (;;) {
            const std::int32_t variable = isWord() ? findVariable(tokenText()) : -1;
            if (variable >= 0) {
                emitAddress(variable);
                next();
            } else {
                temporariesInUse_ = temporaryBase + temporaries;
                expression();
                const std::int32_t cell = variableCount() + temporaryBase + temporaries;
                emit(OP_STORE);
                emit(cell);
                emit(OP_PUSH_ADDR);
                emit(cell);
                ++temporaries;
                if (argumentCount < 32) expressionArguments |= 1u << argumentCount;
            }
            ++argumentCount;
            if (!isSymbol(',')) break;
            next();
        }
    }
    temporariesInUse_ = temporaryBase;
    expectSymbol(')', "Missing close parenthesis");
    const std::int32_t position = findProcedure(name, argumentCount);
    if (position < 0) error("Wrong number of arguments");
    PROCEDURE_INFO& p = procedures_[static_cast<std::size_t>(position)];
    if (expressionArguments & ~static_cast<std::uint32_t>(p.mask))
        error("Cannot pass non-variable by reference");
    const std::int32_t frameTop = variableCount() + temporaryBase + temporaries;
    if (position < predefinedProcedures_) {
        emit(OP_CALL_BUILTIN);
        emit(p.mask);
        emit(position);
    } else if (p.state > 0) {
        emit(OP_CALL);
        emit(p.state);
        emit(frameTop - p.firstVariable);
        emit(p.address);
    } else {
        emit(OP_CALL);
        reserve();
        emit(frameTop);
        p.pendingCalls.push_back(reserve());
    }
    next();
}

void Compiler::callStatement() {
    if (!isWord()) error("Illegal statement");
    procedureCall();
    emit(OP_POP);
}

} // namespace vael
