#pragma once
// Test support: catches the failed-check reports of the assertion routine for the life of the object and
// answers them as the test chooses (by default "go on", so the code under test continues).
#include <string>
#include <vector>

#include "framework/core/assertion.h"

namespace vael::test {

class FailedChecks {
public:
    explicit FailedChecks(bool abort = false)
        : previous_(Assertion::setPrompt([this, abort](const std::string& text, const std::string& caption) {
              return texts.push_back(text), captions.push_back(caption), abort;
          })) {}
    ~FailedChecks() { Assertion::setPrompt(std::move(previous_)); }
    FailedChecks(const FailedChecks&) = delete;
    FailedChecks& operator=(const FailedChecks&) = delete;
    std::size_t count() const { return texts.size(); }

    std::vector<std::string> texts;
    std::vector<std::string> captions;

private:
    AssertionPrompt previous_;
};

// Every failed check is answered "go on" for the rest of the run: a fuzz target feeds bad bytes on purpose,
// so a refusal is an outcome to check, not a reason to stop.
inline void continueOnFailedChecks() {
    static const bool installed = [] {
        Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
        return true;
    }();
    (void)installed;
}

} // namespace vael::test
