#include <gtest/gtest.h>

#include "framework/core/registered_message.h"

namespace vael {
namespace {

// Every case starts from an empty registry, as a run does before its first registration.
class RegisteredMessageTest : public ::testing::Test {
protected:
    void SetUp() override { RegisteredMessage::clearRegistry(); }
    void TearDown() override { RegisteredMessage::clearRegistry(); }
};

TEST_F(RegisteredMessageTest, AutomaticIdsStartAt67AndAreKeptPerName) {
    EXPECT_EQ(RegisteredMessage::nextId(), 67);
    EXPECT_EQ(RegisteredMessage::getId("ScenarioLoaded"), 67);
    EXPECT_EQ(RegisteredMessage::getId("ActivateLeader"), 68);
    EXPECT_EQ(RegisteredMessage::getId("ScenarioLoaded"), 67);
    EXPECT_EQ(RegisteredMessage::registryCount(), 2);
    EXPECT_EQ(RegisteredMessage::nameOf(68), "ActivateLeader");
}

TEST_F(RegisteredMessageTest, AFixedIdAboveOneHundredMakesTheNextAutomaticId4001) {
    EXPECT_EQ(RegisteredMessage::getId("First"), 67);
    EXPECT_EQ(RegisteredMessage::registerWithId(249, "FileStartGame"), 1);
    EXPECT_EQ(RegisteredMessage::nextId(), 4001);
    EXPECT_EQ(RegisteredMessage::getId("Next"), 4001);
    EXPECT_EQ(RegisteredMessage::getId("AfterThat"), 4002);
    EXPECT_EQ(RegisteredMessage::registerWithId(228, "FileOpenGame"), 1); // below the largest: no change
    EXPECT_EQ(RegisteredMessage::getId("Later"), 4003);
    EXPECT_EQ(RegisteredMessage::getId("FileStartGame"), 249);
}

TEST_F(RegisteredMessageTest, AutomaticIdsRunTo100ThenJumpTo4001) {
    EXPECT_EQ(RegisteredMessage::registerWithId(99, "NinetyNine"), 1);
    EXPECT_EQ(RegisteredMessage::getId("Hundred"), 100);
    EXPECT_EQ(RegisteredMessage::getId("Jumped"), 4001);

    RegisteredMessage::clearRegistry();
    for (int i = 67; i <= 100; ++i)
        EXPECT_EQ(RegisteredMessage::getId("Name" + std::to_string(i)), i);
    EXPECT_EQ(RegisteredMessage::getId("Beyond"), 4001);
}

TEST_F(RegisteredMessageTest, TheLargestIdDecidesWhatComesNext) {
    EXPECT_EQ(RegisteredMessage::registerWithId(4000, "Edge"), 1);
    EXPECT_EQ(RegisteredMessage::nextId(), 4001);
    EXPECT_EQ(RegisteredMessage::registerWithId(100, "Hundred"), 1);
    EXPECT_EQ(RegisteredMessage::nextId(), 4001);
    EXPECT_EQ(RegisteredMessage::registerWithId(5000, "Far"), 1);
    EXPECT_EQ(RegisteredMessage::nextId(), 5001);
    EXPECT_EQ(RegisteredMessage::getId("AfterFar"), 5001);
    // Compared unsigned: an id with the top bit set is the largest.
    EXPECT_EQ(RegisteredMessage::registerWithId(0x8000, "TopBit"), 1);
    EXPECT_EQ(RegisteredMessage::nextId(), 0x8001);
    // Ids below 67 (menu-less fixed ids) do not pull the count down.
    RegisteredMessage::clearRegistry();
    EXPECT_EQ(RegisteredMessage::registerWithId(10, "Low"), 1);
    EXPECT_EQ(RegisteredMessage::nextId(), 11);
}

TEST_F(RegisteredMessageTest, RegisterWithIdKeepsOneEntryAndRefusesAnotherName) {
    EXPECT_EQ(RegisteredMessage::registerWithId(249, "FileStartGame"), 1);
    EXPECT_EQ(RegisteredMessage::registerWithId(249, "FileStartGame"), 1);
    EXPECT_EQ(RegisteredMessage::registryCount(), 1);
    EXPECT_EQ(RegisteredMessage::registerWithId(249, "Other"), 0);
    EXPECT_EQ(RegisteredMessage::registryCount(), 1);
    EXPECT_EQ(RegisteredMessage::nameOf(249), "FileStartGame");
}

TEST_F(RegisteredMessageTest, RegisterWithIdDoesNotLookForTheName) {
    EXPECT_EQ(RegisteredMessage::getId("Twice"), 67);
    EXPECT_EQ(RegisteredMessage::registerWithId(300, "Twice"), 1);
    EXPECT_EQ(RegisteredMessage::registryCount(), 2);
    EXPECT_EQ(RegisteredMessage::getId("Twice"), 67); // the earlier entry answers
    EXPECT_EQ(RegisteredMessage::nameOf(300), "Twice");
    EXPECT_EQ(RegisteredMessage::nameOf(67), "Twice");
}

TEST_F(RegisteredMessageTest, NameOfAnUnknownIdRegistersNothing) {
    EXPECT_EQ(RegisteredMessage::nameOf(1234), "");
    EXPECT_EQ(RegisteredMessage::registryCount(), 0);
    EXPECT_EQ(RegisteredMessage::nextId(), 67);
    std::uint16_t id = 7;
    EXPECT_EQ(RegisteredMessage::lookUp("Unknown", id), 0);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(RegisteredMessage::registryCount(), 0);
    RegisteredMessage::getId("Known");
    EXPECT_EQ(RegisteredMessage::lookUp("Known", id), 1);
    EXPECT_EQ(id, 67);
}

TEST_F(RegisteredMessageTest, ClearingStartsTheNumberingAgain) {
    RegisteredMessage::getId("A");
    RegisteredMessage::registerWithId(249, "FileStartGame");
    RegisteredMessage::clearRegistry();
    EXPECT_EQ(RegisteredMessage::registryCount(), 0);
    EXPECT_EQ(RegisteredMessage::nameOf(249), "");
    EXPECT_EQ(RegisteredMessage::getId("B"), 67);
}

} // namespace
} // namespace vael
