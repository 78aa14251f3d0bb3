// Answers held by their caller, and payloads that come boxed as one of several types.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/answer.h"
#include "framework/core/payload_check.h"
#include "support/failed_checks.h"

namespace vael {
namespace {

// A box that counts its own destruction, so that a test sees an answer deleted exactly once.
struct Counted {
    int* deaths = nullptr;
};
struct CountingBox : Container<Counted> {
    explicit CountingBox(int& deaths) : Container<Counted>(Counted{&deaths}) {}
    ~CountingBox() override { ++*valuePtr()->deaths; }
};

} // namespace

VAEL_TYPE_NAME(Counted, "Counted");

namespace {

TEST(Answer, AnOwnedAnswerIsDeletedOnceWhenItsHolderGoes) {
    int deaths = 0;
    {
        const auto answer = owned(new CountingBox(deaths));
        ASSERT_TRUE(answer);
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(owned(nullptr));
}

TEST(Answer, ADroppedAnswerIsDeletedAtOnceAndNoAnswerIsNothingToDrop) {
    int deaths = 0;
    dropAnswer(new CountingBox(deaths));
    EXPECT_EQ(deaths, 1);
    dropAnswer(nullptr);
    EXPECT_EQ(deaths, 1);
}

TEST(PayloadOfSeveralTypes, TheFirstTypeThatFitsIsReadAndNoneIsReported) {
    test::FailedChecks checks;
    Container<short> asShort(-2);
    Container<unsigned short> asUnsigned(40000);
    Container<long> asLong(7);
    std::vector<std::string> seen;
    const auto read = [&](auto value) {
        seen.push_back(std::to_string(value));
        return static_cast<int>(value) + 1;
    };
    const struct {
        const ContainerBase* box;
        int answer;
        const char* seen;
    } rows[] = {{&asShort, -1, "-2"}, {&asUnsigned, 40001, "40000"}, {&asLong, 0, ""}, {nullptr, 0, ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        seen.clear();
        EXPECT_EQ((callWithPayload<short, unsigned short>(row.box, "unit.cpp", 5, read)), row.answer);
        EXPECT_EQ(seen, std::string(row.seen).empty() ? std::vector<std::string>{}
                                                      : std::vector<std::string>{row.seen});
    }
    EXPECT_EQ(checks.texts,
              std::vector<std::string>(2, "Bad data passed in bus message to function  Abort?"));
    EXPECT_EQ(checks.captions, std::vector<std::string>(2, "Failure in unit.cpp at line 5."));
}

TEST(PayloadOfSeveralTypes, TheOrderOfTheTypesDecidesAndAThirdTypeIsTried) {
    test::FailedChecks checks;
    Container<long> asLong(9);
    int which = 0;
    // Each type answers with its own mark: only the first that fits is called.
    struct Marks {
        int& which;
        void operator()(const short&) const { which = 1; }
        void operator()(const unsigned short&) const { which = 2; }
        void operator()(const long&) const { which = 3; }
    };
    EXPECT_EQ((callWithPayload<short, unsigned short, long>(&asLong, "f", 1, Marks{which})), 0u);
    EXPECT_EQ(which, 3);
    Container<short> asShort(1);
    EXPECT_EQ((callWithPayload<long, short>(&asShort, "f", 2, Marks{which})), 0u);
    EXPECT_EQ(which, 1);
    EXPECT_EQ(checks.count(), 0u);
    test::FailedChecks aborting(true);
    EXPECT_THROW((callWithPayload<short, long>(nullptr, "rout.cpp", 77, Marks{which})), Assertion);
}

} // namespace
} // namespace vael
