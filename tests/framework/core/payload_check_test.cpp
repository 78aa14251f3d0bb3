#include <gtest/gtest.h>

#include "framework/core/direction.h"
#include "framework/core/payload_check.h"
#include "stream_test_support.h"

namespace vael {
namespace {

TEST(PayloadCheck, TheRightPayloadReachesTheWorker) {
    testing_support::PromptRecorder prompts;
    Container<DIRECTION> box(SouthEast);
    int calls = 0;
    const std::uint32_t answer = callWithPayload<DIRECTION>(&box, "unit.cpp", 12, [&](const DIRECTION& d) {
        ++calls;
        return static_cast<std::uint32_t>(d) * 10;
    });
    EXPECT_EQ(answer, 40u);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(prompts.texts.empty());
}

TEST(PayloadCheck, AWrongPayloadIsReportedAndTheWorkerIsNotCalled) {
    testing_support::PromptRecorder prompts(false); // the user carries on
    Container<long> wrong(3);
    int calls = 0;
    auto worker = [&](const short&) {
        ++calls;
        return 7u;
    };
    EXPECT_EQ(callWithPayload<short>(&wrong, "leader.cpp", 321, worker), 0u);
    EXPECT_EQ(callWithPayload<short>(nullptr, "leader.cpp", 322, worker), 0u);
    EXPECT_EQ(calls, 0);
    ASSERT_EQ(prompts.texts.size(), 2u);
    EXPECT_EQ(prompts.texts[0], "Bad data passed in bus message to function  Abort?");
    EXPECT_EQ(prompts.captions[0], "Failure in leader.cpp at line 321.");
    EXPECT_EQ(prompts.captions[1], "Failure in leader.cpp at line 322.");
}

TEST(PayloadCheck, AbortingThrowsWithTheHandlersFileAndLine) {
    testing_support::PromptRecorder prompts(true);
    Container<long> wrong(3);
    try {
        callWithPayload<short>(&wrong, "rout.cpp", 77, [](const short&) { return 1u; });
        FAIL() << "expected an Assertion";
    } catch (const Assertion& a) {
        EXPECT_EQ(a.message(), "Bad data passed in bus message to function");
        EXPECT_EQ(a.file(), "rout.cpp");
        EXPECT_EQ(a.line(), 77);
    }
}

TEST(PayloadCheck, WorkersMayAnswerNothingOrAReplyBox) {
    testing_support::PromptRecorder prompts;
    Container<short> box(2);
    short seen = 0;
    EXPECT_EQ(callWithPayload<short>(&box, "f", 1, [&](const short& v) { seen = v; }), 0u);
    EXPECT_EQ(seen, 2);
    ContainerBase* reply = callWithPayload<short>(&box, "f", 2, [](const short& v) -> ContainerBase* {
        return new Container<short>(static_cast<short>(v + 1));
    });
    short out = 0;
    EXPECT_EQ(Container<short>::fromMessage(reply, out), 1);
    EXPECT_EQ(out, 3);
    delete reply;
    Container<long> wrong(1);
    EXPECT_EQ(callWithPayload<short>(&wrong, "f", 3, [](const short&) -> ContainerBase* { return nullptr; }),
              nullptr);
}

} // namespace
} // namespace vael
