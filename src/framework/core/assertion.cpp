#include "framework/core/assertion.h"

#include <utility>

#include "framework/core/debug_stream.h"

namespace vael {

namespace {
AssertionPrompt& prompt() {
    static AssertionPrompt installed;
    return installed;
}
} // namespace

AssertionPrompt Assertion::setPrompt(AssertionPrompt newPrompt) {
    AssertionPrompt old = std::move(prompt());
    prompt() = std::move(newPrompt);
    return old;
}

void Assertion::check(int condition, const std::string& message, const char* file, std::int16_t line) {
    if (!condition) fail(message, file, line);
}

void Assertion::fail(const std::string& message, const char* file, std::int16_t line) {
    const std::string where = file ? file : "";
    const std::string caption = "Failure in " + where + " at line " + std::to_string(line) + ".";
    const std::string text = message + "  Abort?";
    debugStream() << "<<" << caption << ">>" << std::endl << message << std::endl;
    const bool abort = prompt() ? prompt()(text, caption) : true;
    if (abort) throw Assertion(message, where, line);
}

} // namespace vael
