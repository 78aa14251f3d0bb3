#pragma once
// Helpers shared by the stream tests: golden byte vectors, a registry reset, and recorders for the
// message box and the assertion prompt.
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "framework/core/message_box.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "framework/core/type_info.h"

namespace vael::testing_support {

inline std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

inline std::string hex(const std::string& data) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : data) {
        if (!out.empty()) out.push_back(' ');
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 0xF]);
    }
    return out;
}

// Empties both registries, as at the start of a run, and registers the shared records again.
inline void resetRegistries() {
    TypeInfoBase::cleanUp();
    RegisteredMessage::clearRegistry();
}

// Records every message box shown, answering 0.
class MessageBoxRecorder {
public:
    struct Shown {
        std::string text;
        std::string title;
        std::uint32_t style;
    };
    MessageBoxRecorder() {
        old_ = setMessageBox([this](const std::string& text, const std::string& title, std::uint32_t style) {
            shown.push_back({text, title, style});
            return 0;
        });
    }
    ~MessageBoxRecorder() { setMessageBox(old_); }
    std::vector<Shown> shown;

private:
    MessageBoxFunction old_;
};

// Records every failed check and answers it with the given choice (false: carry on).
class PromptRecorder {
public:
    explicit PromptRecorder(bool abort = false) {
        old_ = Assertion::setPrompt([this, abort](const std::string& text, const std::string& caption) {
            texts.push_back(text);
            captions.push_back(caption);
            return abort;
        });
    }
    ~PromptRecorder() { Assertion::setPrompt(old_); }
    std::vector<std::string> texts;
    std::vector<std::string> captions;

private:
    AssertionPrompt old_;
};

} // namespace vael::testing_support
