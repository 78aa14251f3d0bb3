#include "framework/comm/tcp_link.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
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
    EXPECT_NE(error.find("cannot connect to 127.0.0.1:" + std::to_string(port)), std::string::npos) << error;
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
    EXPECT_EQ(why, "the other machine closed the connection");
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
    EXPECT_EQ(host.lost, "refused the connection: the other program is version 0.9 (protocol 1), this one is "
                         "version 0.1 (protocol 1)");
    // The client refuses the host's greeting too, or hears the host's refusal first: either names versions.
    EXPECT_NE(client.lost.find("version 0.1"), std::string::npos) << client.lost;
    EXPECT_FALSE(host.greeted);
    EXPECT_TRUE(host.messages.empty());
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

} // namespace
} // namespace vael::comm
