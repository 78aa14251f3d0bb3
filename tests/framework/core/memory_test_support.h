#pragma once
// Puts the memory manager's seams under a test's control: records every error the handler is given, every
// error box with its answer, and every request to end the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/memory_manager.h"

namespace vael::testing_support {

struct ShownBox {
    std::string text;
    std::string caption;
    MemBoxButtons buttons;
};

struct MemoryRecorder {
    static inline std::vector<MemErrorInfo> errors;
    static inline std::vector<ShownBox> boxes;
    static inline std::vector<int> exits;
    static inline std::vector<MemBoxAnswer> answers; // given in turn; Ok once they run out
    static inline int handlerAnswer = 0;

    static int handler(MemErrorInfo* info) {
        errors.push_back(*info);
        return handlerAnswer;
    }
    static MemBoxAnswer box(const char* text, const char* caption, MemBoxButtons buttons) {
        boxes.push_back({text, caption, buttons});
        if (answers.empty()) return MemBoxAnswer::Ok;
        MemBoxAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    static void exit(int status) { exits.push_back(status); }

    static std::vector<std::uint16_t> codes() {
        std::vector<std::uint16_t> out;
        for (const MemErrorInfo& e : errors)
            out.push_back(e.errorCode);
        return out;
    }
};

// Installs the recorder for one test and puts the previous seams back afterwards.
class MemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        MemoryRecorder::errors.clear();
        MemoryRecorder::boxes.clear();
        MemoryRecorder::exits.clear();
        MemoryRecorder::answers.clear();
        MemoryRecorder::handlerAnswer = 0;
        previousHandler_ = heapSetErrorHandler(&MemoryRecorder::handler);
        previousBox_ = heapSetMessageBox(&MemoryRecorder::box);
        previousExit_ = heapSetExitFunction(&MemoryRecorder::exit);
    }
    void TearDown() override {
        heapSetErrorHandler(previousHandler_);
        heapSetMessageBox(previousBox_);
        heapSetExitFunction(previousExit_);
    }

private:
    MemErrorHandler previousHandler_ = nullptr;
    MemMessageBox previousBox_ = nullptr;
    MemExitFunction previousExit_ = nullptr;
};

} // namespace vael::testing_support
