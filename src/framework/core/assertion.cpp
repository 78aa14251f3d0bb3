#include "framework/core/assertion.h"

#include <utility>
#include <vector>

#include "framework/core/debug_stream.h"

namespace vael {

namespace {
AssertionPrompt& prompt() {
    static AssertionPrompt installed;
    return installed;
}
std::vector<std::string>& contexts() {
    thread_local std::vector<std::string> standing;
    return standing;
}
} // namespace

Assertion::Context::Context(std::string where) {
    contexts().push_back(std::move(where));
}

Assertion::Context::~Context() {
    contexts().pop_back();
}

AssertionPrompt Assertion::setPrompt(AssertionPrompt newPrompt) {
    AssertionPrompt old = std::move(prompt());
    prompt() = std::move(newPrompt);
    return old;
}

void Assertion::check(int condition, const std::string& message, const char* file, std::int16_t line) {
    if (!condition) fail(message, file, line);
}

void Assertion::fail(const std::string& what, const char* file, std::int16_t line) {
    std::string message = what;
    for (const std::string& context : contexts())
        message += " (" + context + ")";
    const std::string where = file ? file : "";
    const std::string caption = "Failure in " + where + " at line " + std::to_string(line) + ".";
    const std::string text = message + "  Abort?";
    debugStream() << "<<" << caption << ">>" << std::endl << message << std::endl;
    const bool abort = prompt() ? prompt()(text, caption) : true;
    if (abort) throw Assertion(message, where, line);
}

} // namespace vael
