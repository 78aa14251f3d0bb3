// Components: attaching, registration by id and by name, the message family, blocking of forwarded
// events and the failed checks of a component that talks while unattached.
#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/core/registered_message.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"

namespace vael {
namespace {

using test::BusRecorder;
using test::FailedChecks;
using test::h1;
using test::h2;
using test::Probe;
using test::TrackedReply;

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override { rec().reset(); }
    void TearDown() override { rec().reset(); }
    static BusRecorder& rec() { return BusRecorder::instance(); }
};

std::vector<std::int32_t> idsOf(const List<BusMessage>* list) {
    std::vector<std::int32_t> out;
    if (!list) return out;
    Item<BusMessage>* it = nullptr;
    for (list->firstItem(it); it; it = it->next)
        out.push_back(it->value.id());
    return out;
}

std::vector<short> values(const List<short>& list) {
    std::vector<short> out;
    Item<short>* it = nullptr;
    for (list.firstItem(it); it; it = it->next)
        out.push_back(it->value);
    return out;
}

TEST_F(ComponentTest, NewComponentIsUnattachedAndAttachingRunsItsSetUpOnce) {
    Bus bus("B");
    Probe p("P");
    EXPECT_EQ(p.getId(), -1);
    EXPECT_EQ(p.getBus(), nullptr);
    EXPECT_EQ(p.blockedEvents(0), nullptr);
    EXPECT_STREQ(p.nameText(), "P");
    EXPECT_EQ(p.getName(), "P");

    int idDuringSetUp = -2;
    p.setup = [&](Probe& self) { idDuringSetUp = self.getId(); };
    p.attach(bus);
    EXPECT_EQ(p.getId(), 0);
    EXPECT_EQ(p.getBus(), &bus);
    EXPECT_EQ(p.connectCount, 1);
    EXPECT_EQ(idDuringSetUp, 0); // the id is given before the handlers are registered

    p.detach();
    EXPECT_EQ(p.getId(), -1);
    EXPECT_EQ(p.getBus(), nullptr);
    p.detach(); // a second detach does nothing
    EXPECT_EQ(p.connectCount, 1);
}

TEST_F(ComponentTest, NamesDefaultPerClassAndAComponentKeepsWhatItIsGiven) {
    Bus unnamed;
    EXPECT_STREQ(unnamed.nameText(), "Unnamed Bus");
    Bus named("Layer");
    EXPECT_STREQ(named.nameText(), "Layer");
    Probe empty(nullptr);
    EXPECT_STREQ(empty.nameText(), "");
}

TEST_F(ComponentTest, IsConnectedOnAnUnattachedComponentAnswersZeroWithoutAReport) {
    FailedChecks checks;
    Probe p;
    EXPECT_EQ(p.isConnected(70, h1), 0);
    EXPECT_EQ(checks.count(), 0u);
}

TEST_F(ComponentTest, RegistrationByIdAndByNameReachesTheSameHandlers) {
    Bus bus;
    Probe p("P");
    p.attach(bus);
    const std::uint16_t id = RegisteredMessage::getId("ComponentTestByName");
    p.connectNamed("ComponentTestByName", h1);
    EXPECT_EQ(p.isConnected(id, h1), 1);
    EXPECT_EQ(p.isConnected(id, h2), 0);

    p.sendNamedEmpty("ComponentTestByName");
    p.sendEmpty(id);
    ASSERT_EQ(rec().calls().size(), 2u);
    EXPECT_EQ(rec().calls()[0].event, id);
    EXPECT_EQ(rec().calls()[0].mode, BusMessage::Send);
    EXPECT_EQ(rec().calls()[0].payload, "short:0"); // the forms without data send a boxed 0

    p.disconnectNamed("ComponentTestByName", h1);
    EXPECT_EQ(p.isConnected(id, h1), 0);
}

TEST_F(ComponentTest, ANameSentBeforeAnyoneConnectedIsRegisteredAndReachesNobody) {
    Bus bus;
    Probe p;
    p.attach(bus);
    const std::int32_t before = RegisteredMessage::registryCount();
    p.sendNamedEmpty("ComponentTestNobodyListens");
    EXPECT_EQ(RegisteredMessage::registryCount(), before + 1);
    EXPECT_TRUE(rec().calls().empty());
    EXPECT_NE(RegisteredMessage::getId("ComponentTestNobodyListens"), 0);
}

TEST_F(ComponentTest, TheMessageFamilyPassesPayloadAndModeAndReturnsTheAnswer) {
    Bus bus;
    Probe a("A"), b("B");
    a.attach(bus);
    b.attach(bus);
    const BusMessage e = RegisteredMessage::getId("ComponentTestFamily");
    b.connect(e, h1);
    rec().on(&b, 1, test::replyWith(9));
    Container<short> five(5);

    a.send(e, &five);
    ContainerBase* q = a.query(e, &five);
    ContainerBase* n = a.sendNow(e, &five);
    EXPECT_EQ(TrackedReply::valueOf(q), 9);
    EXPECT_EQ(TrackedReply::valueOf(n), 9);
    delete q;
    delete n;
    ContainerBase* qn = a.queryNamedEmpty("ComponentTestFamily");
    ContainerBase* nn = a.sendNowNamed("ComponentTestFamily", &five);
    delete qn;
    delete nn;

    ASSERT_EQ(rec().calls().size(), 5u);
    EXPECT_EQ(rec().calls()[0].mode, BusMessage::Send);
    EXPECT_EQ(rec().calls()[1].mode, BusMessage::Query);
    EXPECT_EQ(rec().calls()[2].mode, BusMessage::Immediate);
    EXPECT_EQ(rec().calls()[3].mode, BusMessage::Query);
    EXPECT_EQ(rec().calls()[3].payload, "short:0");
    EXPECT_EQ(rec().calls()[4].payload, "short:5");
    EXPECT_EQ(TrackedReply::live(), 0); // the send's reply was deleted by the bus

    // Directed forms reach only the named component and keep the mode the caller gave.
    rec().clearCalls();
    a.connect(e, h1);
    a.sendToNamed(static_cast<std::uint16_t>(b.getId()), "ComponentTestFamily", &five);
    a.sendToEmpty(static_cast<std::uint16_t>(a.getId()), e);
    List<VectorBusResponse> answers = a.queryToEmpty(static_cast<std::uint16_t>(b.getId()), e);
    EXPECT_EQ(answers.count(), 1);
    VectorBusResponse r;
    while (answers.removeFirst(r))
        delete r.result;
    EXPECT_EQ(rec().labels(), (std::vector<std::string>{"B.h1", "A.h1", "B.h1"}));
    EXPECT_EQ(rec().calls()[0].mode, BusMessage::NoMode);
}

TEST_F(ComponentTest, QueryOfAnEventWithoutHandlersAnswersNull) {
    Bus bus;
    Probe p;
    p.attach(bus);
    EXPECT_EQ(p.queryEmpty(RegisteredMessage::getId("ComponentTestUnhandled")), nullptr);
    EXPECT_EQ(p.sendNowEmpty(RegisteredMessage::getId("ComponentTestUnhandled")), nullptr);
}

TEST_F(ComponentTest, BlockModeTwoThenUnblockModeZeroLeavesTheEventRefusedFromChildrenOnly) {
    Probe p;
    const BusMessage e = 70;
    p.blockEvent(e, 2);
    EXPECT_EQ(idsOf(p.blockedEvents(0)), std::vector<std::int32_t>{70});
    EXPECT_EQ(idsOf(p.blockedEvents(1)), std::vector<std::int32_t>{70});
    p.unblockEvent(e, 0);
    EXPECT_EQ(idsOf(p.blockedEvents(0)), std::vector<std::int32_t>{70}); // fromChildren
    EXPECT_TRUE(idsOf(p.blockedEvents(1)).empty());                      // fromParent
    EXPECT_EQ(p.blockedEvents(2), nullptr);
    EXPECT_EQ(p.blockedEvents(7), nullptr);
}

TEST_F(ComponentTest, BlockModeZeroFillsTheListThatDownwardHooksRead) {
    Probe p;
    p.blockEvent(BusMessage(71, BusMessage::Send), 0); // compared by id: the mode does not count
    EXPECT_EQ(idsOf(p.blockedEvents(1)), std::vector<std::int32_t>{71});
    EXPECT_TRUE(idsOf(p.blockedEvents(0)).empty());
    p.blockEvent(72, 1);
    EXPECT_EQ(idsOf(p.blockedEvents(0)), std::vector<std::int32_t>{72});
}

TEST_F(ComponentTest, AnUnknownBlockModeCreatesTheListsAndBlocksNothing) {
    Probe p;
    p.blockEvent(70, 7);
    ASSERT_NE(p.blockedEvents(0), nullptr);
    ASSERT_NE(p.blockedEvents(1), nullptr);
    EXPECT_TRUE(p.blockedEvents(0)->isEmpty());
    EXPECT_TRUE(p.blockedEvents(1)->isEmpty());
    p.unblockEvent(70, 7); // and an unknown mode unblocks nothing
    EXPECT_TRUE(p.blockedEvents(0)->isEmpty());
}

TEST_F(ComponentTest, BlockingTwiceTakesTwoUnblocksAndUnblockingANeverBlockedEventChangesNothing) {
    Probe fresh;
    fresh.unblockEvent(70, 2);
    EXPECT_EQ(fresh.blockedEvents(0), nullptr); // nothing is created by an unblock

    Probe p;
    p.blockEvent(70, 0);
    p.blockEvent(70, 0);
    p.blockEvent(71, 0);
    p.unblockEvent(70, 0);
    EXPECT_EQ(idsOf(p.blockedEvents(1)), (std::vector<std::int32_t>{70, 71}));
    p.unblockEvent(70, 0);
    EXPECT_EQ(idsOf(p.blockedEvents(1)), std::vector<std::int32_t>{71});
    p.unblockEvent(70, 0);
    EXPECT_EQ(idsOf(p.blockedEvents(1)), std::vector<std::int32_t>{71});
}

TEST_F(ComponentTest, FindReceiversAsksEveryComponentInAttachOrderOrTheGivenIdsInTheirOrder) {
    Bus bus;
    Probe a("A"), b("B"), c("C"), asker("Asker");
    a.attach(bus);
    b.attach(bus);
    c.attach(bus);
    asker.attach(bus);
    std::vector<std::string> asked;
    auto acceptIfHex5 = [&](Probe& self) {
        return [&asked, &self](ContainerBase* data) -> std::int16_t {
            asked.push_back(self.getName());
            short hex = 0;
            return Container<short>::fromMessage(data, hex) && hex == 5;
        };
    };
    a.accepts = acceptIfHex5(a);
    c.accepts = acceptIfHex5(c);
    b.accepts = [](ContainerBase*) -> std::int16_t { return 0; };
    Container<short> hex(5);

    EXPECT_EQ(values(asker.findReceivers(&hex)), (std::vector<short>{0, 2}));
    EXPECT_EQ(asked, (std::vector<std::string>{"A", "C"}));

    List<short> ids;
    ids.append(2);
    ids.append(1);
    ids.append(0);
    ids.append(40); // never given
    ids.append(-1);
    EXPECT_EQ(values(asker.findReceivers(ids, &hex)), (std::vector<short>{2, 0}));
    Container<short> otherHex(6);
    EXPECT_TRUE(asker.findReceivers(&otherHex).isEmpty());
}

TEST_F(ComponentTest, APlainComponentRefusesRelays) {
    Probe p;
    Container<short> none(0);
    ContainerBase* answer = &none;
    EXPECT_EQ(p.relaySend(70, &none, nullptr), 0);
    EXPECT_EQ(p.relayQuery(70, &none, nullptr, answer), 0);
    EXPECT_EQ(p.relayNow(70, &none, nullptr, answer), 0);
    EXPECT_EQ(p.acceptsEvent(&none), 0);
}

TEST_F(ComponentTest, AttachingAnAttachedComponentMovesItToTheNewBus) {
    Bus first("First"), second("Second");
    Probe p;
    p.setup = [](Probe& self) { self.connect(70, h1); };
    p.attach(first);
    p.attach(second);
    EXPECT_EQ(p.getBus(), &second);
    EXPECT_EQ(p.getId(), 0);
    EXPECT_TRUE(first.usedIds().isEmpty());
    EXPECT_TRUE(first.handlersOf(70).isEmpty());
    EXPECT_EQ(second.handlersOf(70).count(), 1);
    EXPECT_EQ(p.connectCount, 2);
}

TEST_F(ComponentTest, TalkingWhileUnattachedIsReportedAndDoesNothing) {
    FailedChecks checks;
    Probe p("Loner");
    Container<short> five(5);
    p.send(70, &five);
    EXPECT_EQ(p.query(70, &five), nullptr);
    EXPECT_EQ(p.sendNowEmpty(70), nullptr);
    EXPECT_TRUE(p.queryToEmpty(0, 70).isEmpty());
    p.connect(70, h1);
    p.disconnectAll();
    EXPECT_TRUE(p.findReceivers(&five).isEmpty());
    p.blockForwarding(70, 2);
    EXPECT_EQ(checks.count(), 8u);
    EXPECT_EQ(checks.texts[0], "Component \"Loner\" cannot send: it is not attached to a bus  Abort?");
    EXPECT_EQ(checks.captions[0].rfind("Failure in component.cpp at line ", 0), 0u);
    // Blocking events needs no bus.
    p.blockEvent(70, 0);
    EXPECT_EQ(checks.count(), 8u);
}

TEST_F(ComponentTest, TalkingWhileUnattachedThrowsWhenTheUserChoosesToAbort) {
    FailedChecks checks(true);
    Probe p;
    EXPECT_THROW(p.sendEmpty(70), Assertion);
}

} // namespace
} // namespace vael
