// The bus tree: receive-all hooks between parents and children, the order they forward in, and the two
// filters (a hook's excluded events and a component's refused events).
#include <memory>

#include "framework/core/bus.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"

namespace vael::test {
namespace {

const BusMessage E = 90;

// Root R with the children L and P; every bus has h1 for E on itself.
class BusTreeTest : public RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        L.attach(R);
        P.attach(R);
        connectAll({{&R, E, h1}, {&L, E, h1}, {&P, E, h1}});
    }
    static std::string sendOn(Bus& b) {
        return trail([&] { b.sendEmpty(E); });
    }
    // Who hears E sent on R, on L and on P, in the order they hear it.
    Labels fromAll() { return {sendOn(R), sendOn(L), sendOn(P)}; }
    Bus R{"R"}, L{"L"}, P{"P"};
};

TEST_F(BusTreeTest, AnEventSentAnywhereReachesEveryBusOnceHooksBeforeOwnHandlers) {
    // A bus stays its own bus when it joins a parent, with a hook each way.
    ReceiveAllCallback down, up;
    R.receiveAllHooks().first(down);
    L.receiveAllHooks().first(up);
    EXPECT_EQ((std::tuple{L.getParent(), L.getBus(), P.getId(), up.component, up.direction, down.direction}),
              std::tuple(&R, &L, 1, &R, ToParent, ToChild));
    EXPECT_EQ(down, ReceiveAllCallback(&L, &Bus::forwardSend, &Bus::forwardQuery, &Bus::forwardNow, ToChild));
    // A synchronous bus forwards first, so the farthest bus hears it first.
    EXPECT_EQ(fromAll(), (Labels{"L P R", "P R L", "L R P"}));
    R.sendEmpty(E);
    EXPECT_EQ(rec().traces()[0], "L.h1 send short:0");
    Bus G("G");
    G.attach(L), G.connect(E, h1);
    EXPECT_EQ((std::tuple{sendOn(G), sendOn(P)}), std::tuple("P R L G", "G L R P"));
}

TEST_F(BusTreeTest, TheForwardedPayloadIsACopyNamingTheForwardingBus) {
    Probe watcher("W");
    watcher.attach(R);
    watcher.hookReceiveAll(h2, h2, h2, AnyDirection); // a plain component sees every event of its bus
    Container<short> five(5);
    P.send(E, &five);
    EXPECT_EQ(rec().traces(), (Labels{"L.h1 send short:5", "W.h2 send forward(R):short:5",
                                      "R.h1 send short:5", "P.h1 send short:5"}));
    EXPECT_EQ(rec().calls[1].event, E.id());
    watcher.unhookReceiveAll(h2, h2, h2);
    rec().calls.clear();
    P.send(E, nullptr); // a null payload travels as null
    EXPECT_EQ(rec().traces(), (Labels{"L.h1 send null", "R.h1 send null", "P.h1 send null"}));
    // The forwarders ignore a target that is not a bus and a box that is not a forwarding.
    Container<ReceiveAllData> box(ReceiveAllData(&R, &five));
    ReceiveAllData out; // the record in the box owns a copy of the payload
    EXPECT_EQ((std::tuple{ReceiveAllData::fromPayload(&box, out), out.bus, out.data != box.valuePtr()->data,
                          describePayload(out.data), ReceiveAllData::fromPayload(&five, out),
                          ReceiveAllData::inPayload(&five)}),
              std::tuple(1, &R, true, "short:5", 0, nullptr));
    EXPECT_EQ((std::tuple{Bus::forwardQuery(&watcher, E, &box), Bus::forwardNow(&R, E, &five)}),
              std::tuple(nullptr, nullptr));
}

TEST_F(BusTreeTest, AHandlerReplyWinsOverAForwardedOneAndTheLosersAreDeleted) {
    rec().on({{&L, 1, replyWith(1)}, {&R, 1, replyWith(2)}, {&P, 1, replyWith(3)}});
    EXPECT_EQ(takeReply(P.queryEmpty(E)), Reply(3, 1));
    EXPECT_EQ(rec().traces()[0], "L.h1 query short:0");
    // Without an own reply the forwarded one comes back up the tree; the parent's own reply beat L's.
    rec().on(&P, 1, {});
    EXPECT_EQ(takeReply(P.sendNowEmpty(E)), Reply(2, 1));
    rec().on(&R, 1, {});
    EXPECT_EQ(takeReply(P.queryEmpty(E)), Reply(1, 1));
}

TEST_F(BusTreeTest, RefusedEventsStopOnlyTheirOwnDirectionAndTwiceNeedsTwoUnblocks) {
    L.blockEvent(E, 0); // from the parent: the way down to L is closed
    EXPECT_EQ(fromAll(), (Labels{"P R", "P R L", "R P"}));
    L.unblockEvent(E, 0);
    R.blockEvent(E, 1); // from the children: their events stay on their bus
    EXPECT_EQ(fromAll(), (Labels{"L P R", "L", "P"}));
    R.blockEvent(E, 1), R.unblockEvent(E, 1);
    EXPECT_EQ(sendOn(L), "L");
    R.unblockEvent(E, 1);
    EXPECT_EQ(sendOn(L), "P R L");
}

TEST_F(BusTreeTest, BlockForwardingClosesTheHooksThatExistNowAndTwiceNeedsTwoUnblocks) {
    Bus G("G");
    G.attach(P), G.connect(E, h1);
    P.blockForwarding(E, ToParent); // P's hook up is closed; it still hears R, and G still hears it
    EXPECT_EQ(fromAll(), (Labels{"L G P R", "G P R L", "G P"}));
    P.unblockForwarding(E, ToParent);
    R.blockForwarding(E, ToChild);
    Bus N("N");
    N.attach(R), N.connect(E, h1);
    EXPECT_EQ(fromAll(), (Labels{"N R", "N R L", "N R G P"})); // P's hook up is older than its hook down
    L.blockForwarding(E, AnyDirection), L.blockForwarding(E, ToParent), L.unblockForwarding(E, ToParent);
    EXPECT_EQ(sendOn(L), "L");
    L.unblockForwarding(E, ToParent);
    EXPECT_EQ(sendOn(L), "N R L");
}

TEST_F(BusTreeTest, ParentConnectCallsTheChildWhereverTheEventIsSentUntilItDetaches) {
    L.parentConnect(E, h2);
    EXPECT_EQ(fromAll(), (Labels{"L P R L.h2", "P R L.h2 L", "L R L.h2 P"}));
    EXPECT_EQ(rec().calls[2].target, &L);
    L.detach(); // after which no event travels either way
    EXPECT_EQ(
        (std::tuple{L.getId(), L.getParent(), L.receiveAllHooks().count(), R.receiveAllHooks().count()}),
        std::tuple(-1, nullptr, 0, 1));
    EXPECT_EQ(fromAll(), (Labels{"P R", "L", "R P"}));
    L.detach(); // a root detaching does nothing
    L.attach(R);
    EXPECT_EQ((std::tuple{L.getId(), sendOn(L)}), std::tuple(2, "P R L"));
    L.parentConnect(E, h2), L.parentConnect(E, h3), L.parentConnectNamed("BusTreeParentNamed", h2);
    L.parentDisconnect(E, h2), L.parentDisconnectNamed("BusTreeParentNamed", h2);
    EXPECT_EQ((std::tuple{sendOn(R), R.handlersOf(RegisteredMessage::getId("BusTreeParentNamed")).count()}),
              std::tuple("P L R L.h3", 0));
    L.parentDisconnectAll(); // and with them the parent's hook down to it
    EXPECT_EQ(sendOn(R), "P R");
}

TEST_F(BusTreeTest, ParentSendReachesTheParentAndItsOtherChildrenButNotTheSender) {
    EXPECT_EQ(trail([&] { L.parentSendEmpty(E); }), "P R");
    rec().on(&R, 1, replyWith(7));
    EXPECT_EQ(takeReply(L.parentQueryEmpty(E)), Reply(7, 1));
    EXPECT_EQ(L.parentSendNowNamedEmpty("BusTreeUnheard"), nullptr);
    Container<short> two(2);
    EXPECT_EQ(takeReply(L.parentSendNow(E, &two)), Reply(7, 1));
    EXPECT_EQ(rec().traces().back(), "R.h1 now short:2");
    FailedChecks checks; // a root has no parent to talk to
    R.parentSendEmpty(E);
    EXPECT_EQ(R.parentQueryEmpty(E), nullptr);
    R.parentConnect(E, h2);
    EXPECT_EQ((std::tuple{checks.count(), checks.texts[0]}),
              std::tuple(3u, "Bus \"R\" cannot send to its parent: it has no parent  Abort?"));
}

TEST_F(BusTreeTest, DestroyingAParentOrAChildUndoesTheirJoinAlsoWhileTheParentForwards) {
    auto root = std::make_unique<Bus>("Root");
    L.attach(*root), root->connect(E, h2);
    root.reset(); // each child becomes a root and keeps its id
    EXPECT_EQ((std::tuple{L.getParent(), L.getId(), L.receiveAllHooks().count(), sendOn(L)}),
              std::tuple(nullptr, 0, 0, "L"));
    auto child = std::make_unique<Bus>("Child");
    child->attach(R), child->parentConnect(E, h2);
    child.reset(); // both hooks go, and what the child registered on the parent
    EXPECT_EQ((std::tuple{R.receiveAllHooks().count(), R.handlersOf(E).count()}), std::tuple(1, 1));
    auto doomed = std::make_unique<Bus>("Doomed");
    doomed->attach(R), doomed->connect(E, h1);
    rec().on(&P, 1, does([&](Component*) { doomed.reset(); }));
    EXPECT_EQ((std::tuple{sendOn(R), R.receiveAllHooks().count()}), std::tuple("P R", 1));
}

TEST_F(BusTreeTest, ABusCannotJoinBelowItselfButMayMoveToAnotherParent) {
    FailedChecks checks;
    Bus G("G");
    G.attach(L), G.connect(E, h1);
    R.attach(G), R.attach(R);
    EXPECT_EQ((std::tuple{checks.count(), checks.texts[0], R.getParent(), sendOn(G)}),
              std::tuple(2u, "Bus \"R\" cannot be attached below itself  Abort?", nullptr, "P R L G"));
    L.attach(P);
    EXPECT_EQ((std::tuple{L.getParent(), R.receiveAllHooks().count()}), std::tuple(&P, 1));
    EXPECT_EQ(fromAll(), (Labels{"G L P R", "G R P L", "R G L P"}));
}

} // namespace
} // namespace vael::test
