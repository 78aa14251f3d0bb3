// The bus tree: receive-all hooks between parents and children, the order they forward in, and the two
// filters (a hook's excluded events and a component's refused events).
#include <gtest/gtest.h>

#include <memory>

#include "framework/core/bus.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"

namespace vael {
namespace {

using test::BusRecorder;
using test::FailedChecks;
using test::h1;
using test::h2;
using test::h3;
using test::Probe;
using test::replyWith;
using test::TrackedReply;
using Labels = std::vector<std::string>;

const BusMessage E = 90;

// Root R with the children L and P; every bus has h1 for E on itself.
class BusTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec().reset();
        L.attach(R);
        P.attach(R);
        for (Bus* b : {&R, &L, &P})
            b->connect(E, h1);
    }
    void TearDown() override {
        rec().reset();
        EXPECT_EQ(TrackedReply::live(), 0);
    }
    static BusRecorder& rec() { return BusRecorder::instance(); }
    Labels sendOn(Bus& b) {
        rec().clearCalls();
        b.sendEmpty(E);
        return rec().labels();
    }

    Bus R{"R"};
    Bus L{"L"};
    Bus P{"P"};
};

TEST_F(BusTreeTest, AttachingJoinsParentAndChildWithTwoHooks) {
    EXPECT_EQ(L.getParent(), &R);
    EXPECT_EQ(L.getId(), 0);
    EXPECT_EQ(P.getId(), 1);
    EXPECT_EQ(L.getBus(), &L); // a bus stays its own bus when it joins a parent
    List<ReceiveAllCallback> down = R.receiveAllHooks();
    ASSERT_EQ(down.count(), 2);
    ReceiveAllCallback first;
    down.first(first);
    EXPECT_EQ(first.component, &L);
    EXPECT_EQ(first.direction, ToChild);
    EXPECT_EQ(first.sendFn, &Bus::forwardSend);
    EXPECT_EQ(first.queryFn, &Bus::forwardQuery);
    EXPECT_EQ(first.nowFn, &Bus::forwardNow);
    List<ReceiveAllCallback> up = L.receiveAllHooks();
    ASSERT_EQ(up.count(), 1);
    up.first(first);
    EXPECT_EQ(first.component, &R);
    EXPECT_EQ(first.direction, ToParent);
}

TEST_F(BusTreeTest, AnEventSentAnywhereReachesEveryBusOnceHooksBeforeOwnHandlers) {
    // A synchronous bus forwards first, so the farthest bus runs first.
    EXPECT_EQ(sendOn(P), (Labels{"L.h1", "R.h1", "P.h1"}));
    EXPECT_EQ(sendOn(L), (Labels{"P.h1", "R.h1", "L.h1"}));
    EXPECT_EQ(sendOn(R), (Labels{"L.h1", "P.h1", "R.h1"}));
    for (const auto& call : rec().calls())
        EXPECT_EQ(call.mode, BusMessage::Send);
}

TEST_F(BusTreeTest, GrandchildrenAreReachedToo) {
    Bus G("G");
    G.attach(L);
    G.connect(E, h1);
    EXPECT_EQ(sendOn(G), (Labels{"P.h1", "R.h1", "L.h1", "G.h1"}));
    EXPECT_EQ(sendOn(P), (Labels{"G.h1", "L.h1", "R.h1", "P.h1"}));
}

TEST_F(BusTreeTest, TheForwardedPayloadIsACopyNamingTheForwardingBus) {
    Probe watcher("W");
    watcher.attach(R);
    watcher.hookReceiveAll(h2, h2, h2, AnyDirection); // a plain component sees every event of its bus
    Container<short> five(5);
    rec().clearCalls();
    P.send(E, &five);
    ASSERT_EQ(rec().calls().size(), 4u);
    EXPECT_EQ(rec().calls()[1].label(), "W.h2");
    EXPECT_EQ(rec().calls()[1].payload, "forward(R):short:5");
    EXPECT_EQ(rec().calls()[3].payload, "short:5");
    for (const auto& call : rec().calls())
        EXPECT_EQ(call.event, E.id());

    watcher.unhookReceiveAll(h2, h2, h2);
    EXPECT_EQ(sendOn(P), (Labels{"L.h1", "R.h1", "P.h1"}));
}

TEST_F(BusTreeTest, AHandlerReplyWinsOverAForwardedOneAndTheLosersAreDeleted) {
    rec().on(&L, 1, replyWith(1));
    rec().on(&R, 1, replyWith(2));
    rec().on(&P, 1, replyWith(3));
    ContainerBase* answer = P.queryEmpty(E);
    EXPECT_EQ(TrackedReply::valueOf(answer), 3);
    EXPECT_EQ(TrackedReply::live(), 1);
    delete answer;
    for (const auto& call : rec().calls())
        EXPECT_EQ(call.mode, BusMessage::Query);

    // Without an own reply the forwarded one comes back up the tree; the parent's own reply beat L's.
    rec().on(&P, 1, [](Component*, BusMessage, ContainerBase*) -> ContainerBase* { return nullptr; });
    answer = P.sendNowEmpty(E);
    EXPECT_EQ(TrackedReply::valueOf(answer), 2);
    delete answer;
    rec().on(&R, 1, [](Component*, BusMessage, ContainerBase*) -> ContainerBase* { return nullptr; });
    answer = P.queryEmpty(E);
    EXPECT_EQ(TrackedReply::valueOf(answer), 1);
    delete answer;
}

TEST_F(BusTreeTest, BlockForwardingUpKeepsTheEventOnTheBusAndItsChildren) {
    Bus G("G");
    G.attach(P);
    G.connect(E, h1);
    P.blockForwarding(E, ToParent);
    EXPECT_EQ(sendOn(P), (Labels{"G.h1", "P.h1"}));
    // Coming down from R it still reaches P (only P's hook up is closed).
    EXPECT_EQ(sendOn(R), (Labels{"L.h1", "G.h1", "P.h1", "R.h1"}));
    P.unblockForwarding(E, ToParent);
    // P's hook up to R is older than its hook down to G, so it forwards up first.
    EXPECT_EQ(sendOn(P), (Labels{"L.h1", "R.h1", "G.h1", "P.h1"}));
}

TEST_F(BusTreeTest, RefusingFromTheParentStopsOnlyTheWayDown) {
    L.blockEvent(E, 0);
    EXPECT_EQ(sendOn(R), (Labels{"P.h1", "R.h1"}));
    EXPECT_EQ(sendOn(P), (Labels{"R.h1", "P.h1"}));
    EXPECT_EQ(sendOn(L), (Labels{"P.h1", "R.h1", "L.h1"}));
}

TEST_F(BusTreeTest, RefusingFromTheChildrenKeepsChildEventsOnTheirBus) {
    R.blockEvent(E, 1);
    EXPECT_EQ(sendOn(L), Labels{"L.h1"});
    EXPECT_EQ(sendOn(P), Labels{"P.h1"});
    EXPECT_EQ(sendOn(R), (Labels{"L.h1", "P.h1", "R.h1"}));
}

TEST_F(BusTreeTest, BlockForwardingAffectsOnlyTheHooksThatExistNow) {
    R.blockForwarding(E, ToChild);
    Bus N("N");
    N.attach(R);
    N.connect(E, h1);
    EXPECT_EQ(sendOn(R), (Labels{"N.h1", "R.h1"}));
    // Coming up from L, R's closed hooks keep it from P; only the new child hears it.
    EXPECT_EQ(sendOn(L), (Labels{"N.h1", "R.h1", "L.h1"}));
}

TEST_F(BusTreeTest, BlockForwardingInBothDirectionsAndTwiceNeedsTwoUnblocks) {
    L.blockForwarding(E, AnyDirection);
    L.blockForwarding(E, ToParent);
    EXPECT_EQ(sendOn(L), Labels{"L.h1"});
    L.unblockForwarding(E, ToParent);
    EXPECT_EQ(sendOn(L), Labels{"L.h1"});
    L.unblockForwarding(E, ToParent);
    EXPECT_EQ(sendOn(L), (Labels{"P.h1", "R.h1", "L.h1"}));

    R.blockEvent(E, 1);
    R.blockEvent(E, 1);
    R.unblockEvent(E, 1);
    EXPECT_EQ(sendOn(L), Labels{"L.h1"});
    R.unblockEvent(E, 1);
    EXPECT_EQ(sendOn(L), (Labels{"P.h1", "R.h1", "L.h1"}));
}

TEST_F(BusTreeTest, AfterDetachingNoEventTravelsEitherWay) {
    L.detach();
    EXPECT_EQ(L.getId(), -1);
    EXPECT_EQ(L.getParent(), nullptr);
    EXPECT_TRUE(L.receiveAllHooks().isEmpty());
    EXPECT_EQ(R.receiveAllHooks().count(), 1);
    EXPECT_EQ(sendOn(R), (Labels{"P.h1", "R.h1"}));
    EXPECT_EQ(sendOn(L), Labels{"L.h1"});
    L.detach(); // a root detaching does nothing
    L.attach(R);
    EXPECT_EQ(L.getId(), 2);
    EXPECT_EQ(sendOn(L), (Labels{"P.h1", "R.h1", "L.h1"}));
}

TEST_F(BusTreeTest, ParentConnectCallsTheHandlerWithTheChildAsTarget) {
    L.parentConnect(E, h2);
    EXPECT_EQ(sendOn(P), (Labels{"L.h1", "R.h1", "L.h2", "P.h1"}));
    EXPECT_EQ(sendOn(L), (Labels{"P.h1", "R.h1", "L.h2", "L.h1"}));
    EXPECT_EQ(rec().calls()[2].target, &L);
    L.detach();
    EXPECT_EQ(sendOn(R), (Labels{"P.h1", "R.h1"}));
}

TEST_F(BusTreeTest, ParentConnectIsUndoneOneByOneOrAllTogether) {
    L.parentConnect(E, h2);
    L.parentConnect(E, h3);
    L.parentConnectNamed("BusTreeParentNamed", h2);
    L.parentDisconnect(E, h2);
    EXPECT_EQ(sendOn(R), (Labels{"L.h1", "P.h1", "R.h1", "L.h3"}));
    L.parentDisconnectNamed("BusTreeParentNamed", h2);
    EXPECT_EQ(R.handlersOf(RegisteredMessage::getId("BusTreeParentNamed")).count(), 0);
    // All of this bus's registrations on the parent go, and with them the parent's hook down to it.
    L.parentDisconnectAll();
    EXPECT_EQ(sendOn(R), (Labels{"P.h1", "R.h1"}));
}

TEST_F(BusTreeTest, ParentSendReachesTheParentAndItsOtherChildrenButNotTheSender) {
    rec().clearCalls();
    L.parentSendEmpty(E);
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "R.h1"}));

    rec().on(&R, 1, replyWith(7));
    ContainerBase* answer = L.parentQueryEmpty(E);
    EXPECT_EQ(TrackedReply::valueOf(answer), 7);
    delete answer;
    answer = L.parentSendNowNamedEmpty("BusTreeUnheard");
    EXPECT_EQ(answer, nullptr);
    Container<short> two(2);
    rec().clearCalls();
    L.parentSendNamed("BusTreeUnheard", &two);
    answer = L.parentSendNow(E, &two);
    delete answer;
    EXPECT_EQ(rec().calls().back().mode, BusMessage::Immediate);
    EXPECT_EQ(rec().calls().back().payload, "short:2");
}

TEST_F(BusTreeTest, TheParentOperationsOfARootAreReported) {
    FailedChecks checks;
    R.parentSendEmpty(E);
    EXPECT_EQ(R.parentQueryEmpty(E), nullptr);
    R.parentConnect(E, h2);
    EXPECT_EQ(checks.count(), 3u);
    EXPECT_EQ(checks.texts[0], "Bus \"R\" cannot send to its parent: it has no parent  Abort?");
}

TEST_F(BusTreeTest, DestroyingAParentMakesEachChildARoot) {
    auto root = std::make_unique<Bus>("Root");
    Bus child("Child");
    child.attach(*root);
    child.connect(E, h1);
    root->connect(E, h2);
    root.reset();
    EXPECT_EQ(child.getParent(), nullptr);
    EXPECT_EQ(child.getId(), 0); // ids are left as they were
    EXPECT_TRUE(child.receiveAllHooks().isEmpty());
    EXPECT_EQ(sendOn(child), Labels{"Child.h1"});
}

TEST_F(BusTreeTest, DestroyingAChildRemovesBothHooksAndWhatItRegisteredOnTheParent) {
    {
        Bus child("Child");
        child.attach(R);
        child.parentConnect(E, h2);
        EXPECT_EQ(R.receiveAllHooks().count(), 3);
    }
    EXPECT_EQ(R.receiveAllHooks().count(), 2);
    EXPECT_EQ(R.handlersOf(E).count(), 1);
    EXPECT_EQ(sendOn(R), (Labels{"L.h1", "P.h1", "R.h1"}));
}

TEST_F(BusTreeTest, AChildDestroyedWhileItsParentForwardsIsSkippedSafely) {
    auto doomed = std::make_unique<Bus>("Doomed");
    doomed->attach(R);
    doomed->connect(E, h1);
    rec().on(&L, 1, [&doomed](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        doomed.reset();
        return nullptr;
    });
    EXPECT_EQ(sendOn(R), (Labels{"L.h1", "P.h1", "R.h1"}));
    EXPECT_EQ(R.receiveAllHooks().count(), 2);
}

TEST_F(BusTreeTest, ABusCannotJoinBelowItself) {
    FailedChecks checks;
    Bus G("G");
    G.attach(L);
    G.connect(E, h1);
    R.attach(G);
    R.attach(R);
    EXPECT_EQ(checks.count(), 2u);
    EXPECT_EQ(checks.texts[0], "Bus \"R\" cannot be attached below itself  Abort?");
    EXPECT_EQ(R.getParent(), nullptr);
    EXPECT_EQ(sendOn(G), (Labels{"P.h1", "R.h1", "L.h1", "G.h1"}));
}

TEST_F(BusTreeTest, ReattachingABusMovesItToTheNewParent) {
    L.attach(P);
    EXPECT_EQ(L.getParent(), &P);
    EXPECT_EQ(R.receiveAllHooks().count(), 1);
    EXPECT_EQ(sendOn(R), (Labels{"L.h1", "P.h1", "R.h1"}));
    EXPECT_EQ(sendOn(L), (Labels{"R.h1", "P.h1", "L.h1"}));
}

TEST_F(BusTreeTest, ANullPayloadTravelsAsNull) {
    rec().clearCalls();
    P.send(E, nullptr);
    ASSERT_EQ(rec().calls().size(), 3u);
    for (const auto& call : rec().calls())
        EXPECT_EQ(call.payload, "null");
}

TEST_F(BusTreeTest, TheForwardedRecordOwnsItsCopy) {
    Container<short> five(5);
    ReceiveAllData fwd(&R, &five);
    ASSERT_NE(fwd.data, nullptr);
    EXPECT_NE(fwd.data, &five);
    ReceiveAllData copy = fwd;
    EXPECT_NE(copy.data, fwd.data);
    EXPECT_EQ(copy.bus, &R);
    Container<ReceiveAllData> box(fwd);
    ReceiveAllData out;
    EXPECT_EQ(ReceiveAllData::fromPayload(&box, out), 1);
    short v = 0;
    EXPECT_EQ(Container<short>::fromMessage(out.data, v), 1);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(ReceiveAllData::fromPayload(&five, out), 0);
    EXPECT_EQ(ReceiveAllData::inPayload(&five), nullptr);
    EXPECT_EQ(ReceiveAllData::inPayload(&box)->bus, &R);
    // The forwarders ignore a target that is not a bus and a box that is not a forwarding.
    Probe plain;
    EXPECT_EQ(Bus::forwardQuery(&plain, E, &box), nullptr);
    EXPECT_EQ(Bus::forwardNow(&R, E, &five), nullptr);
}

} // namespace
} // namespace vael
