#pragma once
// The one routine through which failed checks are reported: logged to the debug stream, shown to the
// user with the source file and line, and thrown as an Assertion when the user chooses to abort.
#include <cstdint>
#include <functional>
#include <string>

namespace vael {

// Asks the user the question of a failed check (text, caption); answers true for Yes (abort).
// The application fills it with its message box; tests put in their own answer.
using AssertionPrompt = std::function<bool(const std::string& text, const std::string& caption)>;

class Assertion {
public:
    Assertion(const std::string& message, const std::string& file, std::int16_t line)
        : message_(message), file_(file), line_(line) {}

    const std::string& message() const { return message_; }
    const std::string& file() const { return file_; }
    std::int16_t line() const { return line_; }

    static void check(int condition, const std::string& message, const char* file, std::int16_t line);
    static void fail(const std::string& message, const char* file, std::int16_t line);

    // Installs the prompt and returns the one it replaces. Without one, every failure aborts.
    static AssertionPrompt setPrompt(AssertionPrompt prompt);

    // While one stands, every failure reported on its thread says where it was met (the file being read,
    // the record in it), after the message: a check deep in a reader knows its bytes, not their file.
    class Context {
    public:
        explicit Context(std::string where);
        ~Context();
        Context(const Context&) = delete;
        Context& operator=(const Context&) = delete;
    };

private:
    std::string message_;
    std::string file_;
    std::int16_t line_;
};

} // namespace vael
