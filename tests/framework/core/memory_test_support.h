#pragma once
// Puts the memory manager's seams under a test's control: records every error the handler is given, every
// error box with its answer, and every request to end the program.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "framework/core/memory_manager.h"

namespace vael::testing_support {

struct MemoryRecorder {
    static inline std::vector<MemErrorInfo> errors;
    static inline std::vector<std::string> boxes;    // each as "caption: text [buttons]"
    static inline int exits = 0;                     // requests to end the program
    static inline std::vector<MemBoxAnswer> answers; // given in turn; Ok once they run out

    static int handler(MemErrorInfo* info) { return errors.push_back(*info), 0; }
    static MemBoxAnswer box(const char* text, const char* caption, MemBoxButtons buttons) {
        boxes.push_back(std::string(caption) + ": " + text +
                        (buttons == MemBoxButtons::OkCancel ? " [OK Cancel]" : " [Abort Retry Ignore]"));
        const MemBoxAnswer answer = answers.empty() ? MemBoxAnswer::Ok : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return answer;
    }
    static void exit(int) { ++exits; }
};

// Installs the recorder for one test and puts the previous seams back afterwards.
class MemoryTest : public ::testing::Test {
protected:
    static inline std::vector<MemErrorInfo>& errors = MemoryRecorder::errors;
    static inline std::vector<std::string>& boxes = MemoryRecorder::boxes;
    static std::vector<std::uint16_t> codes() {
        std::vector<std::uint16_t> all;
        for (const MemErrorInfo& e : errors)
            all.push_back(e.errorCode);
        return all;
    }

    void SetUp() override {
        errors.clear(), boxes.clear(), MemoryRecorder::answers.clear(), MemoryRecorder::exits = 0;
        previous_ = {heapSetErrorHandler(&MemoryRecorder::handler), heapSetMessageBox(&MemoryRecorder::box),
                     heapSetExitFunction(&MemoryRecorder::exit)};
    }
    void TearDown() override {
        heapSetErrorHandler(std::get<0>(previous_));
        heapSetMessageBox(std::get<1>(previous_));
        heapSetExitFunction(std::get<2>(previous_));
    }

private:
    std::tuple<MemErrorHandler, MemMessageBox, MemExitFunction> previous_;
};

} // namespace vael::testing_support
