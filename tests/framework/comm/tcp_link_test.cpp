#include "framework/comm/tcp_link.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "framework/comm/net_peer.h"
#include "framework/core/registered_message.h"
#include "framework/core/type_info.h"
#include "platform/headless/headless_platform.h"

namespace vael::comm {
namespace {

// Hands every socket event waiting on the queue to its socket, as the program's loop does; answers how
// many it handed over. Other events are kept aside.
int pump(platform::HeadlessPlatform& platform, std::vector<platform::Event>* others = nullptr) {
    int served = 0;
    platform::Event e;
    while (platform.pollEvent(e)) {
        if (e.kind == platform::EventKind::SocketReady) {
            platform.serviceSocket(e);
            ++served;
        } else if (others) {
            others->push_back(e);
        }
    }
    return served;
}

void pumpUntil(platform::HeadlessPlatform& platform, const std::function<bool()>& done, int rounds = 200) {
    for (int i = 0; i < rounds && !done(); ++i)
        if (pump(platform) == 0) ::usleep(1000);
}

// The first whole frame the other end of a raw socket finds waiting: what the link said before it closed.
void firstFrameOn(int fd, Frame& f) {
    char buffer[256];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    FrameReader reader;
    reader.feed(buffer, static_cast<std::size_t>(n));
    ASSERT_EQ(reader.next(f), FrameReader::Result::Frame);
}

std::string messageFrame(const std::string& name, const std::string& text) {
    Container<std::string> box(text);
    std::string payload, error;
    encodeMessage(BusMessage(RegisteredMessage::getId(name), BusMessage::Send), &box, payload, error);
    return encodeFrame(FrameKind::Message, payload);
}

class TcpLinkTest : public ::testing::Test {
protected:
    TcpLinkTest() { TypeInfo<std::string> strings; }
    platform::HeadlessPlatform platform;
};

TEST_F(TcpLinkTest, FramesCrossAPairInOrder) {
    auto [a, b] = TcpLink::pair(platform);
    ASSERT_TRUE(a && b);
    std::vector<std::string> got;
    b->onFrame = [&](Frame& f) { got.push_back(f.payload); };
    a->send(encodeFrame(FrameKind::Refusal, encodeRefusal("one")));
    a->send(encodeFrame(FrameKind::Refusal, encodeRefusal("two")));
    pumpUntil(platform, [&] { return got.size() == 2; });
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], encodeRefusal("one"));
    EXPECT_EQ(got[1], encodeRefusal("two"));
}

TEST_F(TcpLinkTest, ListenerAndConnectMeetOnLocalhost) {
    TcpListener listener(platform);
    std::string error;
    ASSERT_TRUE(listener.listen(0, error)) << error;
    ASSERT_NE(listener.port(), 0);
    std::unique_ptr<TcpLink> accepted;
    listener.onAccept = [&](std::unique_ptr<TcpLink> link) { accepted = std::move(link); };
    auto client = TcpLink::connect(platform, "127.0.0.1", listener.port(), error);
    ASSERT_TRUE(client) << error;
    pumpUntil(platform, [&] { return accepted != nullptr; });
    ASSERT_TRUE(accepted);
    std::string got;
    accepted->onFrame = [&](Frame& f) { got = f.payload; };
    client->send(encodeFrame(FrameKind::Refusal, encodeRefusal("hello")));
    pumpUntil(platform, [&] { return !got.empty(); });
    EXPECT_EQ(got, encodeRefusal("hello"));
}

// A caller comes while the process has no descriptor free (each errno the system gives for it): the
// listener stops looking at its socket, so that the waiting caller cannot wake the program again and
// again, for the back-off's time; then it looks again and takes the caller once a descriptor is free. A
// caller refused for another reason (none waiting) is no cause to back off.
TEST_F(TcpLinkTest, AListenerOutOfDescriptorsStopsLookingUntilItsBackOffHasPassed) {
    for (const int full : {EMFILE, ENFILE, EAGAIN}) {
        SCOPED_TRACE("accept fails with " + std::string(std::strerror(full)));
        platform::HeadlessPlatform p;
        TcpListener listener(p);
        std::string error;
        ASSERT_TRUE(listener.listen(0, error)) << error;
        int attempts = 0;
        // Nothing taken (EAGAIN) fails once; no descriptor free fails until one is.
        bool descriptorFree = false;
        listener.acceptCall = [&](std::int32_t socket) {
            if (++attempts > 1 && full == EAGAIN) descriptorFree = true;
            if (descriptorFree) return ::accept4(socket, nullptr, nullptr, SOCK_CLOEXEC);
            errno = full;
            return -1;
        };
        std::unique_ptr<TcpLink> accepted;
        listener.onAccept = [&](std::unique_ptr<TcpLink> link) { accepted = std::move(link); };
        auto caller = TcpLink::connect(p, "127.0.0.1", listener.port(), error);
        ASSERT_TRUE(caller) << error;
        caller->close();
        if (full == EAGAIN) {
            // No cause to back off: the caller that waits is taken at the next look.
            pumpUntil(p, [&] { return accepted != nullptr; });
            EXPECT_TRUE(accepted);
            // The second takes the caller, the third finds nobody more.
            EXPECT_EQ(attempts, 3);
            EXPECT_FALSE(listener.backingOff());
            continue;
        }
        // The caller's connection is queued at the listener, whose socket is readable from now on. Events
        // are taken one at a time: a listener that kept looking would never let a pump end.
        const auto look = [&p](int times) {
            platform::Event e;
            for (int i = 0; i < times; ++i) {
                if (!p.pollEvent(e))
                    ::usleep(1000);
                else if (e.kind == platform::EventKind::SocketReady)
                    p.serviceSocket(e);
            }
        };
        for (int i = 0; i < 200 && attempts == 0; ++i)
            look(1);
        ASSERT_EQ(attempts, 1);
        EXPECT_TRUE(listener.backingOff());
        // Looked at a hundred times while backing off, the listener's socket is not tried once more.
        look(100);
        ASSERT_EQ(attempts, 1);
        // One millisecond short of the back-off: still nothing.
        p.advance(TcpListener::FullBackOff - 1);
        std::vector<platform::Event> ticks;
        pump(p, &ticks);
        EXPECT_TRUE(ticks.empty());
        EXPECT_EQ(attempts, 1);
        // At the back-off's tick it looks again; still full, it backs off once more.
        p.advance(1);
        pump(p, &ticks);
        ASSERT_EQ(ticks.size(), 1u);
        EXPECT_TRUE(p.serviceTimer(ticks[0]));
        pumpUntil(p, [&] { return attempts > 1; });
        EXPECT_EQ(attempts, 2);
        EXPECT_TRUE(listener.backingOff());
        // A descriptor comes free: at the next tick the caller is taken, and the listener looks as before.
        descriptorFree = true;
        ticks.clear();
        p.advance(TcpListener::FullBackOff);
        pump(p, &ticks);
        ASSERT_EQ(ticks.size(), 1u);
        EXPECT_TRUE(p.serviceTimer(ticks[0]));
        pumpUntil(p, [&] { return accepted != nullptr; });
        EXPECT_TRUE(accepted);
        EXPECT_FALSE(listener.backingOff());
    }
}

// A listener closed, or gone, while it waits out a shortage of descriptors takes its back-off's timer with
// it: the tick never comes, so it can neither look at a socket that is no longer its own nor reach a
// listener that is no more (a use after free, which the sanitizer names).
TEST_F(TcpLinkTest, AListenerClosedOrGoneWhileBackingOffLeavesNoTimerBehind) {
    for (const bool gone : {false, true}) {
        SCOPED_TRACE(gone ? "destroyed" : "closed");
        platform::HeadlessPlatform p;
        auto listener = std::make_unique<TcpListener>(p);
        std::string error;
        ASSERT_TRUE(listener->listen(0, error)) << error;
        int attempts = 0;
        listener->acceptCall = [&](std::int32_t) {
            ++attempts;
            errno = EMFILE;
            return -1;
        };
        auto caller = TcpLink::connect(p, "127.0.0.1", listener->port(), error);
        ASSERT_TRUE(caller) << error;
        platform::Event e;
        for (int i = 0; i < 200 && attempts == 0; ++i) {
            if (!p.pollEvent(e))
                ::usleep(1000);
            else if (e.kind == platform::EventKind::SocketReady)
                p.serviceSocket(e);
        }
        ASSERT_EQ(attempts, 1);
        ASSERT_TRUE(listener->backingOff());
        if (gone) {
            listener.reset();
        } else {
            listener->close();
            EXPECT_FALSE(listener->backingOff());
        }
        // Well past the back-off: no tick is due, and should one come, serving it touches nothing gone.
        std::vector<platform::Event> ticks;
        for (int i = 0; i < 4; ++i) {
            p.advance(TcpListener::FullBackOff);
            pump(p, &ticks);
        }
        EXPECT_TRUE(ticks.empty()) << ticks.size() << " ticks of a timer left behind";
        for (const platform::Event& tick : ticks)
            p.serviceTimer(tick);
        EXPECT_EQ(attempts, 1);
    }
}

// A side that ends its game while the other still sends: closed with those bytes unread, the line would
// be reset and the other side could lose the last frame; finished, the other side reads that frame, then
// the close, and this side reports no loss.
TEST_F(TcpLinkTest, AFinishedLinkLetsThePeerReadItsLastFrame) {
    TcpListener listener(platform);
    std::string error;
    ASSERT_TRUE(listener.listen(0, error)) << error;
    std::unique_ptr<TcpLink> accepted;
    listener.onAccept = [&](std::unique_ptr<TcpLink> link) { accepted = std::move(link); };
    auto other = TcpLink::connect(platform, "127.0.0.1", listener.port(), error);
    ASSERT_TRUE(other) << error;
    pumpUntil(platform, [&] { return accepted != nullptr; });
    ASSERT_TRUE(accepted);
    std::string lost;
    accepted->onLost = [&](const std::string& why) { lost = why; };
    // The other side's frames this side never reads, then this side's last word.
    const int raw = other->socket();
    const std::string unread(32 * 1024, 'x');
    ASSERT_EQ(::send(raw, unread.data(), unread.size(), 0), static_cast<ssize_t>(unread.size()));
    const std::string last = encodeFrame(FrameKind::Refusal, encodeRefusal("the battle is over"));
    ASSERT_TRUE(accepted->send(last));
    ::usleep(20000);
    accepted->finish(200);
    EXPECT_FALSE(accepted->isOpen());
    EXPECT_EQ(lost, "");
    std::string got;
    char buffer[4096];
    for (;;) {
        pollfd ready{raw, POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 2000), 1) << "neither the frame nor the close came";
        const ssize_t n = ::recv(raw, buffer, sizeof buffer, 0);
        ASSERT_GE(n, 0) << "the line was reset: " << std::strerror(errno);
        if (n == 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, last);
}

TEST_F(TcpLinkTest, ConnectingWhereNobodyListensFailsWithAReason) {
    TcpListener listener(platform);
    std::string error;
    ASSERT_TRUE(listener.listen(0, error));
    const std::uint16_t port = listener.port();
    listener.close();
    EXPECT_EQ(TcpLink::connect(platform, "127.0.0.1", port, error), nullptr);
    // The refusal is named in a player's words, the system's after them.
    EXPECT_EQ(error, "cannot connect to 127.0.0.1:" + std::to_string(port) +
                         ": nobody is listening there (Connection refused)");
}

TEST_F(TcpLinkTest, PeerClosingMidFrameIsATruncatedFrame) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    TcpLink link(platform, fds[0]);
    std::string why;
    int frames = 0;
    link.onFrame = [&](Frame&) { ++frames; };
    link.onLost = [&](const std::string& w) { why = w; };
    const std::string whole = encodeFrame(FrameKind::Refusal, encodeRefusal("a"));
    const std::string cut = whole + whole.substr(0, 5);
    ASSERT_EQ(::write(fds[1], cut.data(), cut.size()), static_cast<ssize_t>(cut.size()));
    ::close(fds[1]);
    pumpUntil(platform, [&] { return !why.empty(); });
    EXPECT_EQ(frames, 1); // the whole frame before the cut is still taken
    EXPECT_EQ(why, "the connection closed in the middle of a frame (a truncated frame of 5 bytes)");
    EXPECT_FALSE(link.isOpen());
}

TEST_F(TcpLinkTest, PeerClosingBetweenFramesIsAPlainClose) {
    auto [a, b] = TcpLink::pair(platform);
    std::string why;
    b->onLost = [&](const std::string& w) { why = w; };
    a.reset();
    pumpUntil(platform, [&] { return !why.empty(); });
    EXPECT_EQ(why, "the connection was lost: the other machine closed it without a word");
}

// A line the other machine breaks off (its program killed with bytes unread) is told as lost, what the
// system says in brackets after the player's words.
TEST_F(TcpLinkTest, ALineBrokenOffIsToldAsLostWithTheSystemsReason) {
    TcpListener listener(platform);
    std::string error;
    ASSERT_TRUE(listener.listen(0, error)) << error;
    std::unique_ptr<TcpLink> accepted;
    listener.onAccept = [&](std::unique_ptr<TcpLink> link) { accepted = std::move(link); };
    auto other = TcpLink::connect(platform, "127.0.0.1", listener.port(), error);
    ASSERT_TRUE(other) << error;
    pumpUntil(platform, [&] { return accepted != nullptr; });
    ASSERT_TRUE(accepted);
    std::string why;
    accepted->onLost = [&](const std::string& w) { why = w; };
    // Closed at once without lingering: the line is reset.
    const linger abrupt{1, 0};
    ASSERT_EQ(::setsockopt(other->socket(), SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt), 0);
    other.reset();
    pumpUntil(
        platform, [&] { return !why.empty(); }, 2000);
    EXPECT_EQ(why, "the connection was lost: the other machine broke it off (Connection reset by peer)");
}

TEST_F(TcpLinkTest, GarbageFromThePeerIsRefusedAndTheLinkClosed) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    TcpLink link(platform, fds[0]);
    std::string why;
    link.onLost = [&](const std::string& w) { why = w; };
    ASSERT_EQ(::write(fds[1], "GET / HTTP/1.0\r\n", 16), 16);
    pumpUntil(platform, [&] { return !why.empty(); });
    EXPECT_EQ(why, "refused a damaged frame (it does not begin with \"VF\")");
    EXPECT_FALSE(link.isOpen());
    // The peer is told why before the line closes.
    Frame f;
    ASSERT_NO_FATAL_FAILURE(firstFrameOn(fds[1], f));
    EXPECT_EQ(f.kind, FrameKind::Refusal);
    EXPECT_EQ(f.payload, encodeRefusal(why));
    ::close(fds[1]);
}

// A peer that floods: one event reads at most ReadChunk bytes, so the events queued behind it (the
// window's) come in between.
TEST_F(TcpLinkTest, FloodIsTakenAChunkAtATime) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    int size = 1 << 20;
    ::setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    TcpLink link(platform, fds[0]);
    std::size_t bytesTaken = 0;
    link.onFrame = [&](Frame& f) { bytesTaken += f.payload.size() + FrameHeaderSize; };
    const std::string frame = encodeFrame(FrameKind::Refusal, encodeRefusal(std::string(990, 'x')));
    std::string flood;
    while (flood.size() < 4 * TcpLink::ReadChunk)
        flood += frame;
    ssize_t written = 0;
    while (written < static_cast<ssize_t>(flood.size())) {
        const ssize_t n = ::write(fds[1], flood.data() + written, flood.size() - written);
        if (n <= 0) break;
        written += n;
        if (written >= static_cast<ssize_t>(2 * TcpLink::ReadChunk)) break;
    }
    ASSERT_GT(written, static_cast<ssize_t>(TcpLink::ReadChunk));
    platform::Event keyPress;
    keyPress.kind = platform::EventKind::KeyDown;
    platform.postEvent(keyPress);
    // The first socket event reads one chunk and no more, however much waits.
    platform::Event e;
    bool sawKey = false;
    while (platform.pollEvent(e)) {
        if (e.kind == platform::EventKind::KeyDown) {
            sawKey = true;
            break;
        }
        platform.serviceSocket(e);
        EXPECT_LE(bytesTaken, TcpLink::ReadChunk);
    }
    EXPECT_TRUE(sawKey);
    EXPECT_LE(bytesTaken, TcpLink::ReadChunk);
    pumpUntil(platform,
              [&] { return bytesTaken == static_cast<std::size_t>(written) - written % frame.size(); });
    EXPECT_EQ(bytesTaken, static_cast<std::size_t>(written) - written % frame.size());
    ::close(fds[1]);
}

// A peer that stops reading never blocks the sender: what it leaves waits in memory up to a bound, and
// past the bound the peer is dropped.
TEST_F(TcpLinkTest, StalledPeerIsDroppedRatherThanWaitedFor) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    TcpLink link(platform, fds[0]);
    std::string why;
    link.onLost = [&](const std::string& w) { why = w; };
    const std::string block(64 * 1024, 'z');
    std::size_t sent = 0;
    while (link.send(block))
        sent += block.size();
    EXPECT_GE(sent + block.size(), TcpLink::MaxPendingOut);
    EXPECT_LE(sent, TcpLink::MaxPendingOut + 4 * 1024 * 1024); // the kernel's buffers take some
    EXPECT_EQ(why, "the other machine has stopped taking what is sent to it");
    EXPECT_FALSE(link.isOpen());
    ::close(fds[1]);
}

class NetPeerTest : public TcpLinkTest {
protected:
    struct Side {
        std::unique_ptr<NetPeer> peer;
        std::vector<std::string> messages;
        std::string lost;
        bool greeted = false;
    };
    void join(Side& side, std::unique_ptr<TcpLink> link, Greeting g) {
        side.peer = std::make_unique<NetPeer>(std::move(link), g);
        side.peer->onGreeted = [&side](const Greeting&) { side.greeted = true; };
        side.peer->onLost = [&side](const std::string& why) { side.lost = why; };
        side.peer->onMessage = [&side](ReceivedMessage& m) {
            std::string text;
            Container<std::string>::fromMessage(m.data.get(), text);
            side.messages.push_back(RegisteredMessage::nameOf(static_cast<std::uint16_t>(m.event.id())) +
                                    ":" + text);
        };
    }
    // A host on one end of a socket pair (its other end in other) that holds the peer once greeted, and
    // the greeting with what follows it written in one go, and taken.
    void greetHeld(Side& side, int& other, const std::string& after) {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        other = fds[1];
        join(side, std::make_unique<TcpLink>(platform, fds[0]), {ProtocolVersion, "0.1", "Melagor", 1});
        side.peer->onGreeted = [&side](const Greeting&) {
            side.greeted = true;
            side.peer->hold();
        };
        const std::string all =
            encodeFrame(FrameKind::Greeting, encodeGreeting({ProtocolVersion, "0.1", "Surendal", 0})) + after;
        ASSERT_EQ(::write(other, all.data(), all.size()), static_cast<ssize_t>(all.size()));
        pumpUntil(platform, [&side] { return side.greeted; });
        pump(platform);
        ASSERT_TRUE(side.greeted);
    }
};

TEST_F(NetPeerTest, GreetedPeersExchangeMessages) {
    auto [a, b] = TcpLink::pair(platform);
    Side host, client;
    join(host, std::move(a), {ProtocolVersion, "0.1", "Ann", 1});
    join(client, std::move(b), {ProtocolVersion, "0.1", "Bob", 0});
    host.peer->start();
    client.peer->start();
    pumpUntil(platform, [&] { return host.greeted && client.greeted; });
    ASSERT_TRUE(host.greeted && client.greeted);
    EXPECT_EQ(host.peer->theirs().player, "Bob");
    Container<std::string> text("ready");
    std::string error;
    ASSERT_TRUE(client.peer->send(BusMessage(RegisteredMessage::getId("SynchronizeGame"), 3), &text, error))
        << error;
    pumpUntil(platform, [&] { return !host.messages.empty(); });
    EXPECT_EQ(host.messages, (std::vector<std::string>{"SynchronizeGame:ready"}));
}

TEST_F(NetPeerTest, AnotherVersionIsRefusedAndBothSidesSayWhy) {
    auto [a, b] = TcpLink::pair(platform);
    Side host, client;
    join(host, std::move(a), {ProtocolVersion, "0.1", "Ann", 1});
    join(client, std::move(b), {ProtocolVersion, "0.9", "Bob", 0});
    host.peer->start();
    client.peer->start();
    pumpUntil(platform, [&] { return !host.lost.empty() && !client.lost.empty(); });
    EXPECT_EQ(host.lost, "refused the connection: the other program is version 0.9 (protocol 4), this one is "
                         "version 0.1 (protocol 4)");
    // The client refuses the host's greeting too, or hears the host's refusal first: either names versions.
    EXPECT_NE(client.lost.find("version 0.1"), std::string::npos) << client.lost;
    EXPECT_FALSE(host.greeted);
    EXPECT_TRUE(host.messages.empty());
}

// A program of the same version that speaks the conversation of protocol 3 (a leave not answered in kind,
// states without a handover), its greeting written here byte by byte as it sends it: refused at the
// greeting, whichever side it plays, and both numbers named, here and in the refusal that goes back to it.
TEST_F(NetPeerTest, APeerOfTheLastProtocolIsRefusedAtTheGreetingNamingBothNumbers) {
    // "VF", kind 1, 0, length 18; "VAEL", protocol 3, "0.1", the player, host or not.
    const auto greeting = [](const char* player, char host) {
        return std::string("VF") + std::string("\x01\0\x12\0\0\0", 6) + "VAEL" + std::string("\x03\0\x03\0", 4) + "0.1" +
               std::string("\x03\0", 2) + player + std::string(1, host) + std::string(1, '\0');
    };
    const std::string why = "refused the connection: the other program is version 0.1 (protocol 3), this one is "
                            "version 0.1 (protocol 4)";
    for (const bool hosting : {true, false}) {
        SCOPED_TRACE(hosting ? "the host meets a guest of protocol 3" : "a guest meets a host of protocol 3");
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        Side here;
        join(here, std::make_unique<TcpLink>(platform, fds[0]),
             {ProtocolVersion, "0.1", hosting ? "Ann" : "Bob", std::uint16_t(hosting ? 1 : 0)});
        here.peer->start();
        const std::string older = greeting(hosting ? "Bob" : "Ann", hosting ? '\0' : '\x01');
        ASSERT_EQ(older.size(), 8u + 18u);
        ASSERT_EQ(::write(fds[1], older.data(), older.size()), static_cast<ssize_t>(older.size()));
        pumpUntil(platform, [&] { return !here.lost.empty(); });
        EXPECT_EQ(here.lost, why);
        EXPECT_FALSE(here.greeted);
        // What went to the older program: this side's greeting, then the refusal with the same reason.
        std::string sent;
        char buffer[512];
        const timeval limit{5, 0};
        ::setsockopt(fds[1], SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        for (ssize_t n; (n = ::read(fds[1], buffer, sizeof buffer)) > 0;)
            sent.append(buffer, static_cast<std::size_t>(n));
        FrameReader reader;
        reader.feed(sent.data(), sent.size());
        Frame first, second;
        ASSERT_EQ(reader.next(first), FrameReader::Result::Frame);
        ASSERT_EQ(reader.next(second), FrameReader::Result::Frame);
        EXPECT_EQ(first.kind, FrameKind::Greeting);
        EXPECT_EQ(second.kind, FrameKind::Refusal);
        EXPECT_EQ(second.payload, encodeRefusal(why));
        ::close(fds[1]);
    }
}

TEST_F(NetPeerTest, MessageBeforeTheGreetingIsRefused) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    Side host;
    join(host, std::make_unique<TcpLink>(platform, fds[0]), {ProtocolVersion, "0.1", "Ann", 1});
    const std::string frame = messageFrame("SynchronizeGame", "early");
    ASSERT_EQ(::write(fds[1], frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    pumpUntil(platform, [&] { return !host.lost.empty(); });
    EXPECT_EQ(host.lost, "a message came before the greeting");
    EXPECT_TRUE(host.messages.empty());
    // The peer was told why in a refusal frame.
    Frame f;
    ASSERT_NO_FATAL_FAILURE(firstFrameOn(fds[1], f));
    std::string reason, error;
    ASSERT_TRUE(decodeRefusal(f.payload, reason, error));
    EXPECT_EQ(reason, "a message came before the greeting");
    ::close(fds[1]);
}

TEST_F(NetPeerTest, UnknownMessageAfterTheGreetingIsRefused) {
    auto [a, b] = TcpLink::pair(platform);
    Side host;
    join(host, std::move(a), {ProtocolVersion, "0.1", "Ann", 1});
    host.peer->start();
    b->send(encodeFrame(FrameKind::Greeting, encodeGreeting({ProtocolVersion, "0.1", "Bob", 0})));
    std::string payload = std::string("\x05\0\0\0", 4) + "Nopes" + std::string("\x03\0\0\0", 4);
    b->send(encodeFrame(FrameKind::Message, payload));
    pumpUntil(platform, [&] { return !host.lost.empty(); });
    EXPECT_EQ(host.lost, "refused a frame: unknown message \"Nopes\"");
    EXPECT_FALSE(host.peer->isOpen());
}

// The greeting comes once: a second one is refused, and the loss is told once however the link ends after.
TEST_F(NetPeerTest, ASecondGreetingIsRefusedAndTheLossToldOnce) {
    auto [a, b] = TcpLink::pair(platform);
    Side host;
    int losses = 0;
    join(host, std::move(a), {ProtocolVersion, "0.1", "Ann", 1});
    host.peer->onLost = [&](const std::string& why) { host.lost = why, ++losses; };
    host.peer->start();
    const std::string hello =
        encodeFrame(FrameKind::Greeting, encodeGreeting({ProtocolVersion, "0.1", "Bob", 0}));
    b->send(hello);
    pumpUntil(platform, [&] { return host.greeted; });
    ASSERT_TRUE(host.greeted);
    EXPECT_EQ(losses, 0);
    b->send(hello);
    pumpUntil(platform, [&] { return !host.lost.empty(); });
    EXPECT_EQ(host.lost, "the other machine greeted twice");
    EXPECT_FALSE(host.peer->isOpen());
    // Refusing again, closing, and the other side going away tell nothing more.
    host.peer->refuse("again");
    host.peer->close();
    b.reset();
    pump(platform);
    EXPECT_EQ(losses, 1);
}

// A batch is a message too: before the greeting it is refused, and the peer is told why.
TEST_F(NetPeerTest, ABatchBeforeTheGreetingIsRefused) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    Side host;
    std::vector<std::string> batches;
    join(host, std::make_unique<TcpLink>(platform, fds[0]), {ProtocolVersion, "0.1", "Ann", 1});
    host.peer->onBatch = [&](std::vector<ReceivedMessage>& batch) {
        batches.push_back(std::to_string(batch.size()));
    };
    Container<std::string> text("early");
    std::string payload, error;
    ASSERT_TRUE(
        encodeMessage(BusMessage(RegisteredMessage::getId("SynchronizeGame"), 3), &text, payload, error));
    const std::string frame = encodeFrame(FrameKind::Batch, encodeBatch({payload}));
    ASSERT_EQ(::write(fds[1], frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    pumpUntil(platform, [&] { return !host.lost.empty(); });
    EXPECT_EQ(host.lost, "a message came before the greeting");
    EXPECT_TRUE(batches.empty());
    Frame f;
    ASSERT_NO_FATAL_FAILURE(firstFrameOn(fds[1], f));
    std::string reason;
    ASSERT_TRUE(decodeRefusal(f.payload, reason, error));
    EXPECT_EQ(reason, "a message came before the greeting");
    ::close(fds[1]);
}

// A name longer than a greeting carries is refused with that reason on both sides.
TEST_F(NetPeerTest, AnOverLongNameIsRefusedWithThatReason) {
    auto [a, b] = TcpLink::pair(platform);
    Side host, client;
    join(host, std::move(a), {ProtocolVersion, "0.1", "Ann", 1});
    join(client, std::move(b), {ProtocolVersion, "0.1", std::string(65, 'b'), 0});
    host.peer->start();
    client.peer->start();
    pumpUntil(platform, [&] { return !host.lost.empty() && !client.lost.empty(); });
    EXPECT_EQ(host.lost, "refused the greeting: the player's name is longer than 64 bytes");
    EXPECT_EQ(client.lost,
              "the other machine refused: refused the greeting: the player's name is longer than 64 bytes");
    EXPECT_FALSE(host.greeted);
}

// A caller whose name holds a line feed, or bears the host's own name, is refused at its greeting: it
// never counts as greeted, and the caller reads the host's reason (its name shown escaped) in the
// refusal that follows the host's greeting on the line.
TEST_F(NetPeerTest, ACallerWithAControlCharacterOrTheHostsNameIsRefusedAndToldWhy) {
    struct Row {
        const char* name;
        std::string player;
        std::string why;
    };
    const std::vector<Row> rows = {
        {"a line feed", "Bob\nAnn: I give up",
         R"(refused the connection: the player's name "Bob\x0AAnn: I give up" holds a control character)"},
        {"the host's name", "Ann", "refused the connection: both players are named Ann"},
        {"no name", "", "refused the connection: the player has no name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        Side host;
        join(host, std::make_unique<TcpLink>(platform, fds[0]), {ProtocolVersion, "0.1", "Ann", 1});
        host.peer->start();
        const std::string hello =
            encodeFrame(FrameKind::Greeting, encodeGreeting({ProtocolVersion, "0.1", row.player, 0}));
        ASSERT_EQ(::write(fds[1], hello.data(), hello.size()), static_cast<ssize_t>(hello.size()));
        pumpUntil(platform, [&] { return !host.lost.empty(); });
        EXPECT_EQ(host.lost, row.why);
        EXPECT_FALSE(host.greeted);
        EXPECT_FALSE(host.peer->greeted());
        EXPECT_FALSE(host.peer->isOpen());
        // What the caller reads: the host's greeting, then its reason.
        char buffer[1024];
        const ssize_t n = ::read(fds[1], buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        FrameReader reader;
        reader.feed(buffer, static_cast<std::size_t>(n));
        Frame f;
        ASSERT_EQ(reader.next(f), FrameReader::Result::Frame);
        EXPECT_EQ(f.kind, FrameKind::Greeting);
        ASSERT_EQ(reader.next(f), FrameReader::Result::Frame);
        ASSERT_EQ(f.kind, FrameKind::Refusal);
        std::string reason, error;
        ASSERT_TRUE(decodeRefusal(f.payload, reason, error)) << error;
        EXPECT_EQ(reason, row.why);
        ::close(fds[1]);
    }
}

// The refusing side leaves bytes of the other machine unread (more came than one read takes). Closed over
// them, the line would be reset behind the refusal, and the other machine, meeting the reset when it reads,
// would tell the line broken off and never read why: the refusal finishes the line instead, over a socket
// pair as over TCP.
TEST_F(NetPeerTest, ARefusalIsReadThereThoughBytesOfTheOtherMachineWereLeftUnreadHere) {
    for (const bool tcp : {false, true}) {
        SCOPED_TRACE(tcp ? "TCP" : "a socket pair");
        std::unique_ptr<TcpLink> hostEnd, guestEnd;
        TcpListener listener(platform);
        if (tcp) {
            std::string error;
            ASSERT_TRUE(listener.listen(0, error)) << error;
            listener.onAccept = [&](std::unique_ptr<TcpLink> link) { hostEnd = std::move(link); };
            guestEnd = TcpLink::connect(platform, "127.0.0.1", listener.port(), error);
            ASSERT_TRUE(guestEnd) << error;
            pumpUntil(platform, [&] { return hostEnd != nullptr; });
            ASSERT_TRUE(hostEnd);
        } else {
            std::tie(hostEnd, guestEnd) = TcpLink::pair(platform);
        }
        Side host, guest;
        join(host, std::move(hostEnd), {ProtocolVersion, "0.1", "Melagor", 1});
        join(guest, std::move(guestEnd), {ProtocolVersion, "0.1", "Surendal", 0});
        guest.peer->start();
        // The greeting, a damaged frame, and more behind it than the host reads at once.
        guest.peer->link()->send("GET / HTTP/1.0\r\n" + std::string(TcpLink::ReadChunk + 8 * 1024, 'x'));
        host.peer->start();
        pumpUntil(platform, [&] { return !host.lost.empty(); });
        EXPECT_EQ(host.lost, "refused a damaged frame (it does not begin with \"VF\")");
        pumpUntil(platform, [&] { return !guest.lost.empty(); });
        EXPECT_EQ(guest.lost,
                  "the other machine refused: refused a damaged frame (it does not begin with \"VF\")");
    }
}

// The other machine's refusal is its own text: a line feed in it is shown escaped, never as a line.
TEST_F(NetPeerTest, ARefusalsReasonIsToldOnOneLine) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    Side guest;
    join(guest, std::make_unique<TcpLink>(platform, fds[0]), {ProtocolVersion, "0.1", "Bob", 0});
    const std::string last = encodeFrame(FrameKind::Refusal, encodeRefusal("go away\nAnn: Bob gives up"));
    ASSERT_EQ(::write(fds[1], last.data(), last.size()), static_cast<ssize_t>(last.size()));
    pumpUntil(platform, [&] { return !guest.lost.empty(); });
    EXPECT_EQ(guest.lost, R"(the other machine refused: go away\x0AAnn: Bob gives up)");
    ::close(fds[1]);
}

// The other machine said why it went and closed: a send that then fails tells that reason, not the line's.
TEST_F(NetPeerTest, ASendThatFailsAfterTheOtherMachineRefusedTellsItsReason) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    Side host;
    join(host, std::make_unique<TcpLink>(platform, fds[0]), {ProtocolVersion, "0.1", "Ann", 1});
    const std::string last =
        encodeFrame(FrameKind::Refusal, encodeRefusal("the battle cannot be started here"));
    ASSERT_EQ(::write(fds[1], last.data(), last.size()), static_cast<ssize_t>(last.size()));
    ::close(fds[1]);
    std::string error;
    EXPECT_FALSE(host.peer->sendBatch({}, error));
    EXPECT_EQ(host.lost, "the other machine refused: the battle cannot be started here");
    EXPECT_FALSE(host.peer->isOpen());
}

// A greeting and what follows it in the same read: held from the greeting on, the messages and batches
// wait in the peer and come out at release in the order they came, each once.
TEST_F(NetPeerTest, WhatComesWhileHeldWaitsAndComesOutInOrderOnRelease) {
    Side host;
    int other = -1;
    Container<std::string> text("second");
    std::string payload, error;
    ASSERT_TRUE(
        encodeMessage(BusMessage(RegisteredMessage::getId("SynchronizeGame"), 3), &text, payload, error));
    ASSERT_NO_FATAL_FAILURE(greetHeld(host, other,
                                      messageFrame("AddCommentary", "first") +
                                          encodeFrame(FrameKind::Batch, encodeBatch({payload, payload})) +
                                          messageFrame("AddCommentary", "third")));
    host.peer->onBatch = [&](std::vector<ReceivedMessage>& batch) {
        host.messages.push_back("batch of " + std::to_string(batch.size()));
    };
    EXPECT_TRUE(host.peer->isHeld());
    EXPECT_EQ(host.messages, std::vector<std::string>{});
    host.peer->release();
    EXPECT_FALSE(host.peer->isHeld());
    EXPECT_EQ(host.messages,
              (std::vector<std::string>{"AddCommentary:first", "batch of 2", "AddCommentary:third"}));
    // What comes after the release goes straight through.
    const std::string later = messageFrame("AddCommentary", "fourth");
    ASSERT_EQ(::write(other, later.data(), later.size()), static_cast<ssize_t>(later.size()));
    pumpUntil(platform, [&] { return host.messages.size() == 4; });
    EXPECT_EQ(host.messages.back(), "AddCommentary:fourth");
    EXPECT_TRUE(host.lost.empty());
    ::close(other);
}

// The handling of a waiting frame asks the other machine and waits, taking events meanwhile: what waited
// behind that frame comes first, then the answer, all before the asking handler returns; nothing is handed
// on twice.
TEST_F(NetPeerTest, AnAnswerAwaitedWhileAHeldFrameIsHandledStillComes) {
    Side host;
    int other = -1;
    ASSERT_NO_FATAL_FAILURE(greetHeld(host, other,
                                      messageFrame("AddCommentary", "asks") +
                                          messageFrame("AddCommentary", "behind")));
    const auto seen = [&](const std::string& m) {
        return std::find(host.messages.begin(), host.messages.end(), m) != host.messages.end();
    };
    host.peer->onMessage = [&](ReceivedMessage& m) {
        std::string said;
        Container<std::string>::fromMessage(m.data.get(), said);
        host.messages.push_back(said);
        if (said != "asks") return;
        const std::string answer = messageFrame("AddCommentary", "answer");
        ASSERT_EQ(::write(other, answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
        pumpUntil(platform, [&] { return seen("answer"); });
        host.messages.push_back("asking handler returns");
    };
    host.peer->release();
    EXPECT_EQ(host.messages, (std::vector<std::string>{"asks", "behind", "answer", "asking handler returns"}));
    ::close(other);
}

// The handler of a released frame holds the peer again: nothing more is handed on until the next release,
// which hands on the rest in order.
TEST_F(NetPeerTest, AHandlerThatHoldsAgainStopsTheRelease) {
    Side host;
    int other = -1;
    ASSERT_NO_FATAL_FAILURE(greetHeld(host, other,
                                      messageFrame("AddCommentary", "first") +
                                          messageFrame("AddCommentary", "second") +
                                          messageFrame("AddCommentary", "third")));
    host.peer->onMessage = [&](ReceivedMessage& m) {
        std::string said;
        Container<std::string>::fromMessage(m.data.get(), said);
        host.messages.push_back(said);
        if (said == "first") host.peer->hold();
    };
    host.peer->release();
    EXPECT_EQ(host.messages, std::vector<std::string>{"first"});
    EXPECT_TRUE(host.peer->isHeld());
    host.peer->release();
    EXPECT_EQ(host.messages, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_FALSE(host.peer->isHeld());
    ::close(other);
}

// Each machine on a clock of its own, which the test moves: what a machine says of its life, and what
// it makes of the other's silence.
class KeepAliveTest : public ::testing::Test {
protected:
    KeepAliveTest() { TypeInfo<std::string> strings; }
    struct Machine {
        platform::HeadlessPlatform platform;
        std::unique_ptr<NetPeer> peer;
        std::vector<std::string> lost;
    };
    // Hands every waiting event of the machine on: its sockets' and its timers'.
    static void serve(Machine& m) {
        platform::Event e;
        while (m.platform.pollEvent(e)) {
            if (e.kind == platform::EventKind::SocketReady) m.platform.serviceSocket(e);
            if (e.kind == platform::EventKind::TimerTick) m.platform.serviceTimer(e);
        }
    }
    static void join(Machine& m, int fd, const char* player, std::uint16_t host) {
        m.peer = std::make_unique<NetPeer>(std::make_unique<TcpLink>(m.platform, fd),
                                           Greeting{ProtocolVersion, "0.1", player, host});
        m.peer->onLost = [&m](const std::string& why) { m.lost.push_back(why); };
        m.peer->start();
    }
    // The machine's clock moves on by whole seconds, its events handled after each.
    static void pass(Machine& m, int seconds) {
        for (int i = 0; i < seconds; ++i) {
            m.platform.advance(1000);
            serve(m);
        }
    }
    // All the bytes that wait on a raw end of the line.
    static std::string waiting(int fd) {
        std::string got;
        char buffer[4096];
        for (;;) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 0) != 1) return got;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n <= 0) return got;
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }
    static std::string greeting(const char* player, std::uint16_t host) {
        return encodeFrame(FrameKind::Greeting, encodeGreeting({ProtocolVersion, "0.1", player, host}));
    }
    // A machine on one end of a socket pair, greeted by what the test writes on the other (raw) end.
    void greetRaw(Machine& m, int& raw) {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        raw = fds[1];
        join(m, fds[0], "Melagor", 1);
        const std::string hello = greeting("Surendal", 0);
        ASSERT_EQ(::write(raw, hello.data(), hello.size()), static_cast<ssize_t>(hello.size()));
        for (int i = 0; i < 200 && !m.peer->greeted(); ++i)
            serve(m), ::usleep(1000);
        ASSERT_TRUE(m.peer->greeted());
        ASSERT_EQ(waiting(raw), greeting("Melagor", 1));
    }
};

// "VF", kind 5, 0, length 0: the sign of life, as it goes out after five seconds in which nothing else did
// and not before; a message sent puts it off.
TEST_F(KeepAliveTest, ASignOfLifeGoesOutAfterFiveQuietSecondsAsItsHandWrittenBytes) {
    const std::string signOfLife = "VF" + std::string{'\x05', '\0', '\0', '\0', '\0', '\0'};
    EXPECT_EQ(encodeFrame(FrameKind::KeepAlive, {}), signOfLife);
    Machine m;
    int raw = -1;
    ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
    pass(m, 4);
    EXPECT_EQ(waiting(raw), "");
    pass(m, 1);
    EXPECT_EQ(waiting(raw), signOfLife);
    pass(m, 4);
    EXPECT_EQ(waiting(raw), "");
    std::string error;
    Container<std::string> text("moved");
    ASSERT_TRUE(
        m.peer->send(BusMessage(RegisteredMessage::getId("AddCommentary"), BusMessage::Send), &text, error))
        << error;
    ASSERT_NE(waiting(raw), "");
    pass(m, 4);
    EXPECT_EQ(waiting(raw), "");
    pass(m, 1);
    EXPECT_EQ(waiting(raw), signOfLife);
    ::close(raw);
}

// Nothing at all comes from the other machine (it is frozen): after 29 silent seconds it is still
// waited for; at 30 it is lost, once, with the reason, and it is told why should it wake.
TEST_F(KeepAliveTest, AMachineSilentForThirtySecondsIsLostOnceAndToldWhy) {
    Machine m;
    int raw = -1;
    ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
    pass(m, 29);
    EXPECT_TRUE(m.lost.empty());
    EXPECT_TRUE(m.peer->isOpen());
    pass(m, 1);
    EXPECT_EQ(m.lost, std::vector<std::string>{"the connection was lost: nothing came from the other machine "
                                               "for 30 seconds, not even its sign of life"});
    EXPECT_FALSE(m.peer->isOpen());
    EXPECT_FALSE(m.peer->left());
    pass(m, 60);
    EXPECT_EQ(m.lost.size(), 1u);
    // What the frozen machine finds when it wakes: five signs of life, then the reason.
    const std::string all = waiting(raw);
    FrameReader reader;
    reader.feed(all.data(), all.size());
    Frame f;
    std::vector<FrameKind> kinds;
    while (reader.next(f) == FrameReader::Result::Frame)
        kinds.push_back(f.kind);
    EXPECT_EQ(kinds,
              (std::vector<FrameKind>{FrameKind::KeepAlive, FrameKind::KeepAlive, FrameKind::KeepAlive,
                                      FrameKind::KeepAlive, FrameKind::KeepAlive, FrameKind::Refusal}));
    EXPECT_EQ(f.payload, encodeRefusal("nothing came from your machine for 30 seconds"));
    ::close(raw);
}

// Anything that comes counts as life: a sign of life at 25 seconds puts the loss off to 55.
TEST_F(KeepAliveTest, ASignOfLifePutsTheLimitOff) {
    Machine m;
    int raw = -1;
    ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
    pass(m, 25);
    const std::string signOfLife = encodeFrame(FrameKind::KeepAlive, {});
    ASSERT_EQ(::write(raw, signOfLife.data(), signOfLife.size()), static_cast<ssize_t>(signOfLife.size()));
    serve(m);
    pass(m, 29);
    EXPECT_TRUE(m.lost.empty());
    pass(m, 1);
    EXPECT_EQ(m.lost.size(), 1u);
    ::close(raw);
}

// This program was stopped itself (its machine suspended): its clock jumps past the limit and its keep-alive
// looks before it has read what came meanwhile. What waits unread is life: the silence is judged only after
// it, from then on.
TEST_F(KeepAliveTest, WhatWaitsUnreadIsHeardBeforeTheSilenceIsJudged) {
    Machine m;
    int raw = -1;
    ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
    const std::string signOfLife = encodeFrame(FrameKind::KeepAlive, {});
    ASSERT_EQ(::write(raw, signOfLife.data(), signOfLife.size()), static_cast<ssize_t>(signOfLife.size()));
    m.platform.advance(35000);
    serve(m);
    EXPECT_TRUE(m.lost.empty()) << m.lost.front();
    EXPECT_TRUE(m.peer->isOpen());
    pass(m, 29);
    EXPECT_TRUE(m.lost.empty());
    pass(m, 1);
    EXPECT_EQ(m.lost.size(), 1u);
    ::close(raw);
}

// Two programs that only think, sending nothing of their game for two minutes: each one's signs of life
// keep the other from taking it for lost, and a message after it still goes through.
TEST_F(KeepAliveTest, PlayersWhoOnlyThinkAreNeverLost) {
    Machine a, b;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    join(a, fds[0], "Melagor", 1);
    join(b, fds[1], "Surendal", 0);
    std::vector<std::string> heard;
    a.peer->onMessage = [&heard](ReceivedMessage& m) {
        std::string text;
        Container<std::string>::fromMessage(m.data.get(), text);
        heard.push_back(text);
    };
    for (int i = 0; i < 200 && !(a.peer->greeted() && b.peer->greeted()); ++i)
        serve(a), serve(b), ::usleep(1000);
    ASSERT_TRUE(a.peer->greeted() && b.peer->greeted());
    for (int second = 0; second < 120; ++second) {
        pass(a, 1);
        pass(b, 1);
    }
    EXPECT_TRUE(a.lost.empty()) << a.lost.front();
    EXPECT_TRUE(b.lost.empty()) << b.lost.front();
    std::string error;
    Container<std::string> text("my move");
    ASSERT_TRUE(
        b.peer->send(BusMessage(RegisteredMessage::getId("AddCommentary"), BusMessage::Send), &text, error))
        << error;
    for (int i = 0; i < 200 && heard.empty(); ++i)
        serve(a), ::usleep(1000);
    EXPECT_EQ(heard, std::vector<std::string>{"my move"});
}

// A player who leaves says so before the line closes: the other is told who left and that he left; a
// line closed without that word is a lost one.
TEST_F(KeepAliveTest, LeavingIsToldAsLeavingAndASilentCloseAsALoss) {
    {
        SCOPED_TRACE("the other leaves");
        Machine m;
        int raw = -1;
        ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
        const std::string word = "VF" + std::string{'\x06', '\0', '\0', '\0', '\0', '\0'};
        ASSERT_EQ(::write(raw, word.data(), word.size()), static_cast<ssize_t>(word.size()));
        ::shutdown(raw, SHUT_WR);
        for (int i = 0; i < 200 && m.lost.empty(); ++i)
            serve(m), ::usleep(1000);
        EXPECT_EQ(m.lost, std::vector<std::string>{"Surendal left the battle."});
        EXPECT_TRUE(m.peer->left());
        ::close(raw);
    }
    {
        SCOPED_TRACE("the other's program ends without a word");
        Machine m;
        int raw = -1;
        ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
        ::close(raw);
        for (int i = 0; i < 200 && m.lost.empty(); ++i)
            serve(m), ::usleep(1000);
        EXPECT_EQ(m.lost, std::vector<std::string>{
                              "the connection was lost: the other machine closed it without a word"});
        EXPECT_FALSE(m.peer->left());
    }
    {
        SCOPED_TRACE("this side leaves");
        Machine m;
        int raw = -1;
        ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
        m.peer->leave(50);
        EXPECT_FALSE(m.peer->isOpen());
        EXPECT_TRUE(m.lost.empty());
        // The word, then the end of the line.
        EXPECT_EQ(waiting(raw), encodeFrame(FrameKind::Leaving, {}));
        char byte = 0;
        EXPECT_EQ(::recv(raw, &byte, 1, MSG_DONTWAIT), 0);
        pass(m, 40);
        EXPECT_TRUE(m.lost.empty());
        ::close(raw);
    }
}

// A leave is answered in kind before the line closes, and the side that left learns from that answer, and
// only from it, that the other read everything it sent before its leave: a line that merely closes under it
// may have lost its last frames.
TEST_F(KeepAliveTest, ALeaveIsAnsweredInKindAndOnlyThatAnswerTellsTheLeaverItWasHeard) {
    const std::string leaving = encodeFrame(FrameKind::Leaving, {});
    {
        SCOPED_TRACE("the other leaves: the answer");
        Machine m;
        int raw = -1;
        ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
        ASSERT_EQ(::write(raw, leaving.data(), leaving.size()), static_cast<ssize_t>(leaving.size()));
        ::shutdown(raw, SHUT_WR);
        for (int i = 0; i < 200 && m.lost.empty(); ++i)
            serve(m), ::usleep(1000);
        EXPECT_EQ(m.lost, std::vector<std::string>{"Surendal left the battle."});
        EXPECT_EQ(waiting(raw), leaving);
        char byte = 0;
        EXPECT_EQ(::recv(raw, &byte, 1, MSG_DONTWAIT), 0);
        ::close(raw);
    }
    for (const bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "this side leaves and is answered" : "this side leaves and the line just closes");
        Machine m;
        int raw = -1;
        ASSERT_NO_FATAL_FAILURE(greetRaw(m, raw));
        if (answered) ASSERT_EQ(::write(raw, leaving.data(), leaving.size()), static_cast<ssize_t>(leaving.size()));
        ::shutdown(raw, SHUT_WR);
        EXPECT_EQ(m.peer->leave(500), answered);
        EXPECT_EQ(m.peer->left(), answered);
        EXPECT_TRUE(m.lost.empty());
        EXPECT_EQ(waiting(raw), leaving);
        ::close(raw);
    }
}

// What the other machine may not send about its life is refused, with the reason on both sides.
TEST_F(KeepAliveTest, SignsOfLifeAndLeavingOutOfPlaceAreRefused) {
    struct Case {
        const char* what;
        bool greetFirst;
        std::string bytes;
        std::string why;
    };
    const std::string one = "VF" + std::string{'\x05', '\0', '\x01', '\0', '\0', '\0'} + "x";
    const std::vector<Case> cases = {
        {"a sign of life before the greeting", false, encodeFrame(FrameKind::KeepAlive, {}),
         "a sign of life came before the greeting"},
        {"a sign of life with a payload", true, one,
         "refused a frame: a sign of life that carries something"},
        {"leaving before the greeting", false, encodeFrame(FrameKind::Leaving, {}),
         "a word of leaving came before the greeting"},
        {"leaving with a payload", true, encodeFrame(FrameKind::Leaving, "why"),
         "refused a frame: a word of leaving that carries something"},
        {"a kind after the last known", true, "VF" + std::string{'\x07', '\0', '\0', '\0', '\0', '\0'},
         "refused an unknown frame (kind 7)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        join(m, fds[0], "Melagor", 1);
        const std::string bytes = (c.greetFirst ? greeting("Surendal", 0) : std::string()) + c.bytes;
        ASSERT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        for (int i = 0; i < 200 && m.lost.empty(); ++i)
            serve(m), ::usleep(1000);
        EXPECT_EQ(m.lost, std::vector<std::string>{c.why});
        EXPECT_FALSE(m.peer->isOpen());
        EXPECT_FALSE(m.peer->left());
        const std::string all = waiting(fds[1]);
        FrameReader reader;
        reader.feed(all.data(), all.size());
        Frame f, last;
        while (reader.next(f) == FrameReader::Result::Frame)
            last = f;
        EXPECT_EQ(last.kind, FrameKind::Refusal);
        EXPECT_EQ(last.payload, encodeRefusal(c.why));
        ::close(fds[1]);
    }
}

} // namespace
} // namespace vael::comm
