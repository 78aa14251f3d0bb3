// The synchronous bus: ids, handler order, replies, directed dispatch, and what handlers may do to the
// tables while a dispatch walks them.
#include <gtest/gtest.h>

#include <memory>

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
using test::h3;
using test::h4;
using test::Probe;
using test::replyWith;
using test::TrackedReply;
using Labels = std::vector<std::string>;

const BusMessage E = 80; // an id no registered name takes in these tests
const BusMessage F = 81;

class BusTest : public ::testing::Test {
protected:
    void SetUp() override { rec().reset(); }
    void TearDown() override {
        rec().reset();
        EXPECT_EQ(TrackedReply::live(), 0) << "a reply was leaked or kept";
    }
    static BusRecorder& rec() { return BusRecorder::instance(); }
    static BusRecorder::Action none() {
        return [](Component*, BusMessage, ContainerBase*) -> ContainerBase* { return nullptr; };
    }
};

std::vector<short> values(const List<short>& list) {
    std::vector<short> out;
    Item<short>* it = nullptr;
    for (list.firstItem(it); it; it = it->next)
        out.push_back(it->value);
    return out;
}

void deleteAnswers(List<VectorBusResponse>& answers) {
    VectorBusResponse r;
    while (answers.removeFirst(r))
        delete r.result;
}

TEST_F(BusTest, IdsAreGivenInOrderAndNeverTwice) {
    Bus bus;
    Probe a("A"), b("B"), c("C"), d("D");
    a.attach(bus);
    b.attach(bus);
    c.attach(bus);
    EXPECT_EQ(a.getId(), 0);
    EXPECT_EQ(b.getId(), 1);
    EXPECT_EQ(c.getId(), 2);
    b.detach();
    d.attach(bus);
    EXPECT_EQ(d.getId(), 3);
    EXPECT_EQ(bus.componentAt(1), nullptr);
    EXPECT_EQ(bus.componentAt(3), &d);
    EXPECT_EQ(values(bus.usedIds()), (std::vector<short>{0, 2, 3}));
    b.attach(bus); // a component that comes back gets a new id
    EXPECT_EQ(b.getId(), 4);
    EXPECT_EQ(bus.nextId(), 5);
}

TEST_F(BusTest, HandlersRunInConnectionOrderWithTheSendMode) {
    Bus bus;
    Probe p("P"), q("Q");
    p.attach(bus);
    q.attach(bus);
    p.connect(E, h1);
    q.connect(E, h2);
    p.connect(E, h3);
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "Q.h2", "P.h3"}));
    for (const auto& call : rec().calls()) {
        EXPECT_EQ(call.event, 80);
        EXPECT_EQ(call.mode, BusMessage::Send);
    }
}

TEST_F(BusTest, AQueryAnswersTheLastNonZeroReplyAndDeletesTheEarlierOnes) {
    Bus bus;
    Probe p("P");
    p.attach(bus);
    p.connect(E, h1);
    p.connect(E, h2);
    p.connect(E, h3);
    rec().on(&p, 1, replyWith(1));
    rec().on(&p, 3, replyWith(3));
    ContainerBase* answer = p.queryEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h2", "P.h3"}));
    EXPECT_EQ(TrackedReply::valueOf(answer), 3);
    EXPECT_EQ(TrackedReply::live(), 1); // r1 is gone
    delete answer;

    // The last handler answering 0 leaves the earlier reply standing.
    rec().on(&p, 3, none());
    answer = p.queryEmpty(E);
    EXPECT_EQ(TrackedReply::valueOf(answer), 1);
    delete answer;

    // Immediate dispatch combines replies the same way.
    rec().on(&p, 2, replyWith(2));
    answer = p.sendNowEmpty(E);
    EXPECT_EQ(TrackedReply::valueOf(answer), 2);
    EXPECT_EQ(TrackedReply::live(), 1);
    delete answer;
}

TEST_F(BusTest, TheRepliesOfASendAreDeleted) {
    Bus bus;
    Probe p;
    p.attach(bus);
    p.connect(E, h1);
    p.connect(E, h2);
    rec().on(&p, 1, replyWith(1));
    rec().on(&p, 2, replyWith(2));
    p.sendEmpty(E);
    EXPECT_EQ(TrackedReply::live(), 0);
    p.sendToEmpty(0, E);
    List<short> ids;
    ids.append(0);
    p.sendToListEmpty(ids, E);
    EXPECT_EQ(TrackedReply::live(), 0);
    EXPECT_EQ(rec().calls().size(), 6u);
}

TEST_F(BusTest, AHandlerConnectedTwiceRunsTwiceAndOneDisconnectLeavesOne) {
    Bus bus;
    Probe p("P");
    p.attach(bus);
    p.connect(E, h1);
    p.connect(E, h2);
    p.connect(E, h1);
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h2", "P.h1"}));
    p.disconnect(E, h1); // the first registration goes
    rec().clearCalls();
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h2", "P.h1"}));
    EXPECT_EQ(p.isConnected(E, h1), 1);
    p.disconnect(E, h3); // not registered: ignored
    p.disconnect(F, h1); // no list at all: ignored
    EXPECT_EQ(bus.handlersOf(E).count(), 2);
}

TEST_F(BusTest, EventZeroIsNeverDelivered) {
    Bus bus;
    Probe p;
    p.attach(bus);
    p.connect(NULL_EVENT, h1);
    rec().on(&p, 1, replyWith(1));
    p.sendEmpty(NULL_EVENT);
    EXPECT_EQ(p.queryEmpty(NULL_EVENT), nullptr);
    EXPECT_EQ(p.sendNowEmpty(NULL_EVENT), nullptr);
    p.sendToEmpty(0, NULL_EVENT);
    EXPECT_TRUE(p.queryToEmpty(0, NULL_EVENT).isEmpty());
    List<short> ids;
    ids.append(0);
    p.sendToListEmpty(ids, NULL_EVENT);
    EXPECT_TRUE(p.queryToListEmpty(ids, NULL_EVENT).isEmpty());
    EXPECT_TRUE(rec().calls().empty());
    // A word whose id bits are 0 is event 0 whatever its mode.
    p.sendEmpty(BusMessage(0, BusMessage::Query));
    EXPECT_TRUE(rec().calls().empty());
}

TEST_F(BusTest, DirectedDispatchReachesOnlyTheTargetKeepsTheModeAndUsesNoHooks) {
    Bus bus("B");
    Probe a("A"), b("B1"), hooked("Hooked");
    a.attach(bus);
    b.attach(bus);
    hooked.attach(bus);
    hooked.hookReceiveAll(h4, h4, h4, AnyDirection);
    a.connect(E, h1);
    b.connect(E, h2);
    b.connect(F, h1);

    a.sendTo(1, BusMessage(E.id(), BusMessage::Query), nullptr);
    EXPECT_EQ(rec().labels(), Labels{"B1.h2"});
    EXPECT_EQ(rec().calls()[0].mode, BusMessage::Query);
    EXPECT_EQ(rec().calls()[0].payload, "null");

    rec().clearCalls();
    a.sendToEmpty(1, 99); // the target has no handler for it
    a.sendToEmpty(7, E);  // never given
    a.sendToEmpty(0xFFFF, E);
    b.detach();
    a.sendToEmpty(1, E); // left
    EXPECT_TRUE(rec().calls().empty());
    EXPECT_EQ(bus.componentAt(0xFFFF), nullptr);
    EXPECT_EQ(bus.componentAt(-1), nullptr);
}

TEST_F(BusTest, SendToListServesEachIdInListOrderAndAnIdListedTwiceTwice) {
    Bus bus;
    Probe a("A"), b("B"), c("C");
    a.attach(bus);
    b.attach(bus);
    c.attach(bus);
    a.connect(E, h1);
    b.connect(E, h1);
    c.connect(E, h1);
    c.connect(E, h2);
    List<short> ids;
    for (short id : {2, 0, 2, 9})
        ids.append(id);
    a.sendToListEmpty(ids, E);
    EXPECT_EQ(rec().labels(), (Labels{"C.h1", "C.h2", "A.h1", "C.h1", "C.h2"}));
}

TEST_F(BusTest, QueryToKeepsEveryNonZeroAnswerOfTheTargetInRegistrationOrder) {
    Bus bus;
    Probe a("A"), b("B");
    a.attach(bus);
    b.attach(bus);
    b.connect(E, h1);
    a.connect(E, h3);
    b.connect(E, h2);
    rec().on(&b, 1, replyWith(1));
    rec().on(&a, 3, replyWith(3));

    // r1 and 0: one entry.
    List<VectorBusResponse> answers = a.queryToEmpty(1, E);
    ASSERT_EQ(answers.count(), 1);
    VectorBusResponse first;
    answers.first(first);
    EXPECT_EQ(first.componentId, 1);
    EXPECT_EQ(TrackedReply::valueOf(first.result), 1);
    deleteAnswers(answers);

    // r1 and r2: two entries, none deleted.
    rec().on(&b, 2, replyWith(2));
    answers = a.queryToEmpty(1, E);
    ASSERT_EQ(answers.count(), 2);
    EXPECT_EQ(TrackedReply::live(), 2);
    deleteAnswers(answers);

    List<short> ids;
    for (short id : {1, 0, 5})
        ids.append(id);
    answers = a.queryToListEmpty(ids, E);
    ASSERT_EQ(answers.count(), 3);
    std::vector<std::pair<int, short>> got;
    Item<VectorBusResponse>* it = nullptr;
    for (answers.firstItem(it); it; it = it->next)
        got.emplace_back(it->value.componentId, TrackedReply::valueOf(it->value.result));
    EXPECT_EQ(got, (std::vector<std::pair<int, short>>{{1, 1}, {1, 2}, {0, 3}}));
    deleteAnswers(answers);
    EXPECT_TRUE(a.queryToEmpty(7, E).isEmpty());
}

TEST_F(BusTest, DestroyingABusLeavesItsComponentsAliveWithNoBusAndTheirIds) {
    Probe a("A"), b("B");
    {
        Bus bus;
        a.attach(bus);
        b.attach(bus);
        a.connect(E, h1);
    }
    EXPECT_EQ(a.getBus(), nullptr);
    EXPECT_EQ(b.getBus(), nullptr);
    EXPECT_EQ(a.getId(), 0);
    EXPECT_EQ(b.getId(), 1);
    EXPECT_EQ(a.isConnected(E, h1), 0);
    Bus another;
    a.attach(another); // and they can join another bus
    EXPECT_EQ(a.getId(), 0);
}

TEST_F(BusTest, EventNamesOfTheBuiltInIds) {
    EXPECT_STREQ(Bus::eventName(0), "NULL_EVENT");
    EXPECT_STREQ(Bus::eventName(3), "TIMER_CLICK");
    EXPECT_STREQ(Bus::eventName(16), "LOGIN FINISHED");
    EXPECT_STREQ(Bus::eventName(27), "LOGICAL_COMMAND");
    EXPECT_STREQ(Bus::eventName(60), "CAN_TERMINATE");
    EXPECT_STREQ(Bus::eventName(65), "MESSAGE_RESPONSE");
    EXPECT_STREQ(Bus::eventName(66), "NumBusEvents");
    EXPECT_STREQ(Bus::eventName(67), "");
    EXPECT_STREQ(Bus::eventName(-1), "");
}

TEST_F(BusTest, ABusIsItsOwnBusAndRelaysOnItself) {
    Bus bus("Self");
    EXPECT_EQ(bus.getBus(), &bus);
    EXPECT_EQ(bus.getId(), -1);
    EXPECT_EQ(bus.getParent(), nullptr);
    bus.connect(E, h1); // the component operations of a bus register on the bus itself
    rec().on(&bus, 1, replyWith(4));
    Container<short> seven(7);
    EXPECT_EQ(bus.relaySend(E, &seven, nullptr), 1);
    ContainerBase* answer = nullptr;
    EXPECT_EQ(bus.relayQuery(E, &seven, nullptr, answer), 1);
    EXPECT_EQ(TrackedReply::valueOf(answer), 4);
    delete answer;
    EXPECT_EQ(bus.relayNow(E, &seven, nullptr, answer), 1);
    delete answer;
    EXPECT_EQ(rec().labels(), (Labels{"Self.h1", "Self.h1", "Self.h1"}));
    EXPECT_EQ(rec().calls()[2].mode, BusMessage::Immediate);
    EXPECT_EQ(rec().calls()[0].payload, "short:7");
}

TEST_F(BusTest, ConnectingToCanTerminateAddsNothingToTheBusTables) {
    Bus bus;
    Probe p;
    p.attach(bus);
    p.connect(CAN_TERMINATE, h1);
    EXPECT_EQ(bus.hasHandlerList(CAN_TERMINATE), 0);
    EXPECT_EQ(p.isConnected(CAN_TERMINATE, h1), 0);
    p.sendEmpty(CAN_TERMINATE);
    EXPECT_TRUE(rec().calls().empty());
}

// What a handler may do to the lists a dispatch is walking.

TEST_F(BusTest, AHandlerMayDisconnectItselfAndTheWalkGoesOn) {
    Bus bus;
    Probe p("P");
    p.attach(bus);
    p.connect(E, h1);
    p.connect(E, h2);
    p.connect(E, h3);
    rec().on(&p, 2, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->disconnect(E, h2);
        return nullptr;
    });
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h2", "P.h3"}));
    EXPECT_EQ(bus.handlersOf(E).count(), 2);
    rec().clearCalls();
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h3"}));
}

TEST_F(BusTest, AHandlerConnectedDuringTheWalkRunsOnlyWhenAppendedBehindAnEntryNotYetReached) {
    Bus bus;
    Probe p("P");
    p.attach(bus);
    p.connect(E, h1);
    p.connect(E, h2);
    // h1 adds h3 while h2 is still ahead: h3 runs in this walk.
    rec().on(&p, 1, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->connect(E, h3);
        return nullptr;
    });
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h2", "P.h3"}));

    // The last entry adds h4: the walk has already stepped past the end, so h4 waits for the next send.
    Bus other;
    Probe q("Q");
    q.attach(other);
    q.connect(E, h1);
    rec().on(&q, 1, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->connect(E, h4);
        return nullptr;
    });
    rec().clearCalls();
    q.sendEmpty(E);
    EXPECT_EQ(rec().labels(), Labels{"Q.h1"});
    rec().on(&q, 1, none());
    rec().clearCalls();
    q.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"Q.h1", "Q.h4"}));
}

TEST_F(BusTest, RemovingAHandlerNotYetReachedDuringTheWalkSkipsItSafely) {
    Bus bus;
    Probe p("P"), q("Q");
    p.attach(bus);
    q.attach(bus);
    p.connect(E, h1);
    q.connect(E, h2);
    q.connect(E, h3);
    p.connect(E, h4);
    rec().on(&p, 1, [&q](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        q.disconnect(E, h2);
        return nullptr;
    });
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "Q.h3", "P.h4"}));
    // The removed entry is gone for good once the walk is over.
    List<Callback> left = bus.handlersOf(E);
    EXPECT_EQ(left.count(), 3);
    EXPECT_FALSE(left.contains(Callback(&q, h2)));
    EXPECT_EQ(q.isConnected(E, h2), 0);
}

TEST_F(BusTest, AComponentDetachedDuringTheWalkGetsNoFurtherCalls) {
    Bus bus;
    Probe p("P"), q("Q");
    p.attach(bus);
    q.attach(bus);
    q.connect(E, h1);
    p.connect(E, h2);
    q.connect(E, h3);
    q.connect(F, h3);
    rec().on(&q, 1, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->detach();
        return nullptr;
    });
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"Q.h1", "P.h2"}));
    EXPECT_EQ(bus.handlersOf(E).count(), 1);
    EXPECT_TRUE(bus.handlersOf(F).isEmpty());
}

TEST_F(BusTest, AComponentDestroyedDuringTheWalkIsNeverCalledAgain) {
    Bus bus;
    Probe p("P");
    auto victim = std::make_unique<Probe>("Victim");
    p.attach(bus);
    victim->attach(bus);
    p.connect(E, h1);
    victim->connect(E, h2);
    p.connect(E, h3);
    victim->connect(E, h4);
    rec().on(&p, 1, [&victim](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        victim.reset();
        return nullptr;
    });
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h3"}));

    // A component may also destroy itself in its own handler.
    Probe* self = new Probe("Self");
    self->attach(bus);
    self->connect(F, h1);
    p.connect(F, h2);
    rec().on(self, 1, [](Component* target, BusMessage, ContainerBase*) -> ContainerBase* {
        delete target;
        return nullptr;
    });
    rec().clearCalls();
    p.sendEmpty(F);
    EXPECT_EQ(rec().labels(), (Labels{"Self.h1", "P.h2"}));
    EXPECT_EQ(bus.handlersOf(F).count(), 1);
}

TEST_F(BusTest, RemovalsInANestedDispatchOfTheSameEventWaitForTheOutermostWalk) {
    Bus bus;
    Probe p("P"), q("Q");
    p.attach(bus);
    q.attach(bus);
    p.connect(E, h1);
    q.connect(E, h2);
    p.connect(E, h3);
    int depth = 0;
    rec().on(&p, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        if (depth++ == 0) {
            self->sendEmpty(E); // runs h1 (nested, does nothing more), h2, h3
            q.disconnect(E, h2);
            self->disconnect(E, h3);
        }
        return nullptr;
    });
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h1", "Q.h2", "P.h3"}));
    EXPECT_EQ(bus.handlersOf(E).count(), 1);
}

TEST_F(BusTest, ANestedDispatchInsideAHandlerRunsToItsEndBeforeTheHandlerGoesOn) {
    Bus bus;
    Probe p("P");
    p.attach(bus);
    p.connect(E, h1);
    p.connect(E, h2);
    p.connect(F, h3);
    rec().on(&p, 1, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(F);
        return nullptr;
    });
    p.sendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h3", "P.h2"}));
}

// The component table grows by ten slots at a time, so filling it once is the slow part; one test
// covers the whole end of the id range.
TEST_F(BusTest, TheLastIdIsUsableAndABusWithNoIdsLeftRefusesTheNextComponentClearly) {
    Bus bus("Crowded");
    Probe p("P"), last("Last");
    for (int i = 0; i < Bus::MaxComponentIds - 1; ++i) {
        p.attach(bus);
        p.detach();
    }
    last.attach(bus);
    EXPECT_EQ(last.getId(), Bus::MaxComponentIds - 1);
    EXPECT_EQ(bus.nextId(), Bus::MaxComponentIds);
    last.connect(E, h1);
    last.sendEmpty(E);
    EXPECT_EQ(rec().labels(), Labels{"Last.h1"});
    {
        FailedChecks checks;
        Probe late("Late");
        late.attach(bus);
        ASSERT_EQ(checks.count(), 1u);
        EXPECT_EQ(checks.texts[0],
                  "Bus \"Crowded\" has no component ids left: all 32760 have been given out  Abort?");
        EXPECT_EQ(late.getBus(), nullptr);
        EXPECT_EQ(late.getId(), -1);
        EXPECT_EQ(late.connectCount, 0);
        EXPECT_EQ(values(bus.usedIds()), std::vector<short>{32759});
    }
    {
        FailedChecks abort(true);
        EXPECT_THROW(p.attach(bus), Assertion);
        EXPECT_EQ(p.getBus(), nullptr); // and it stays safely unattached
        EXPECT_EQ(p.getId(), -1);
    }
}

} // namespace
} // namespace vael
