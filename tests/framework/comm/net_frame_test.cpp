#include "framework/comm/net_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/core/registered_message.h"
#include "framework/core/type_info.h"

namespace vael::comm {
namespace {

using namespace std::string_literals;

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

class NetFrameTest : public ::testing::Test {
protected:
    NetFrameTest() {
        TypeInfo<std::string> strings;
        TypeInfo<short> shorts;
    }
};

// "VF", kind 1, 0, length 18; "VAEL", protocol 1, "0.1", "Ann", host 1.
const std::string HandGreeting = "VF"s + bytes({1, 0, 18, 0, 0, 0}) + "VAEL" + bytes({1, 0, 3, 0}) + "0.1" +
                                 bytes({3, 0}) + "Ann" + bytes({1, 0});

TEST_F(NetFrameTest, GreetingIsWrittenAsTheHandWrittenBytes) {
    const Greeting g{1, "0.1", "Ann", 1};
    EXPECT_EQ(encodeFrame(FrameKind::Greeting, encodeGreeting(g)), HandGreeting);
}

TEST_F(NetFrameTest, HandWrittenGreetingReadsBack) {
    FrameReader reader;
    reader.feed(HandGreeting.data(), HandGreeting.size());
    Frame frame;
    ASSERT_EQ(reader.next(frame), FrameReader::Result::Frame);
    EXPECT_EQ(frame.kind, FrameKind::Greeting);
    Greeting g;
    std::string error;
    ASSERT_TRUE(decodeGreeting(frame.payload, g, error)) << error;
    EXPECT_EQ(g.protocol, 1);
    EXPECT_EQ(g.program, "0.1");
    EXPECT_EQ(g.player, "Ann");
    EXPECT_EQ(g.host, 1);
    EXPECT_EQ(reader.pending(), 0u);
}

TEST_F(NetFrameTest, DamagedGreetingsAreRefused) {
    const std::string good = HandGreeting.substr(FrameHeaderSize);
    struct Row {
        const char* name;
        std::string payload;
    };
    const std::vector<Row> rows = {
        {"wrong mark", "VAEX" + good.substr(4)},
        {"cut in the player name", good.substr(0, good.size() - 4)},
        {"a byte too many", good + "x"},
        {"host flag 2", good.substr(0, good.size() - 2) + bytes({2, 0})},
        {"negative name length", good.substr(0, 6) + bytes({0xFF, 0xFF}) + good.substr(8)},
        {"empty", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Greeting g;
        std::string error;
        EXPECT_FALSE(decodeGreeting(row.payload, g, error));
        EXPECT_FALSE(error.empty());
    }
}

// A greeting carries a name of at most 64 bytes: 64 is read, 65 is refused with that reason rather than
// as damage, so that the player can be told to shorten it.
TEST_F(NetFrameTest, APlayerNameOf64BytesIsReadAnd65IsRefusedAsTooLong) {
    const auto greetingWith = [](std::size_t length) {
        return "VAEL"s + bytes({1, 0, 3, 0}) + "0.1" + bytes({static_cast<int>(length), 0}) +
               std::string(length, 'k') + bytes({0, 0});
    };
    Greeting g;
    std::string error;
    ASSERT_TRUE(decodeGreeting(greetingWith(64), g, error)) << error;
    EXPECT_EQ(g.player, std::string(64, 'k'));
    EXPECT_FALSE(decodeGreeting(greetingWith(65), g, error));
    EXPECT_EQ(error, "the player's name is longer than 64 bytes");
    // A length that runs past the end stays damage, whatever it claims.
    EXPECT_FALSE(decodeGreeting(greetingWith(65).substr(0, 20), g, error));
    EXPECT_EQ(error, "the greeting is damaged");
    EXPECT_EQ(playerNameProblem(std::string(64, 'k')), "");
    EXPECT_EQ(playerNameProblem(std::string(65, 'k')), "the player's name is longer than 64 bytes");
}

TEST_F(NetFrameTest, AnotherVersionIsRefusedAtTheGreeting) {
    const Greeting host{1, "0.1", "Ann", 1};
    struct Row {
        const char* name;
        Greeting theirs;
        bool fits;
    };
    const std::vector<Row> rows = {
        {"same version, a client", {1, "0.1", "Bob", 0}, true},
        {"another program version", {1, "0.2", "Bob", 0}, false},
        {"another protocol", {2, "0.1", "Bob", 0}, false},
        {"a second host", {1, "0.1", "Bob", 1}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string why = greetingMismatch(host, row.theirs);
        EXPECT_EQ(why.empty(), row.fits) << why;
    }
    EXPECT_EQ(greetingMismatch(host, {1, "0.2", "Bob", 0}),
              "the other program is version 0.2 (protocol 1), this one is version 0.1 (protocol 1)");
}

// A name is shown on the other machine as part of a line: one of only blanks, or holding a control
// character (C0, DEL, or C1 whether in UTF-8 or as a lone Latin-1 byte), is refused with the name shown
// escaped; a name is never refused for the letters beyond ASCII.
TEST_F(NetFrameTest, ANameBlankOrHoldingAControlCharacterIsNoName) {
    struct Row {
        const char* name;
        std::string player;
        std::string problem;
    };
    const std::string control = "holds a control character";
    const std::vector<Row> rows = {
        {"a name", "Bob", ""},
        {"blanks inside and around", " Bob of Vael ", ""},
        {"the last printable ASCII", "Bob~", ""},
        {"UTF-8 letters", "\xC3\x86lfrun", ""},
        {"no-break space, past the C1 controls", "Bob\xC2\xA0", ""},
        {"empty", "", "the player has no name"},
        {"only blanks", "   ", "the player has no name"},
        // What shows nothing is no name either.
        {"only a zero-width space", "\xE2\x80\x8B", "the player has no name"},
        {"a soft hyphen between blanks", " \xC2\xAD ", "the player has no name"},
        {"only a no-break space", "\xC2\xA0", "the player has no name"},
        {"only an ideographic space and a byte order mark", "\xE3\x80\x80\xEF\xBB\xBF",
         "the player has no name"},
        {"a line feed", "Bob\nAnn: I give up", R"(the player's name "Bob\x0AAnn: I give up" )" + control},
        {"a carriage return", "Bob\r", R"(the player's name "Bob\x0D" )" + control},
        {"the last C0 control", "Bob\x1F", R"(the player's name "Bob\x1F" )" + control},
        {"a tab alone", "\t", R"(the player's name "\x09" )" + control},
        {"DEL", "Bob\x7F", R"(the player's name "Bob\x7F" )" + control},
        {"next line in UTF-8", "Bob\xC2\x85", R"(the player's name "Bob\xC2\x85" )" + control},
        {"the last C1 in UTF-8", "Bob\xC2\x9F", R"(the player's name "Bob\xC2\x9F" )" + control},
        {"a lone Latin-1 C1 byte", "Bob\x85", R"(the player's name "Bob\x85" )" + control},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(playerNameProblem(row.player), row.problem);
        EXPECT_EQ(greetingMismatch({1, "0.1", "Ann", 1}, {1, "0.1", row.player, 0}), row.problem);
    }
}

// The caller may not bear the name of the player it calls, blanks around it and what shows nothing aside; a
// name that differs in a letter, or only in case, is another player's.
TEST_F(NetFrameTest, TheOtherPlayersNameMayNotBeThisPlayersOwn) {
    const Greeting host{1, "0.1", "Ann", 1};
    struct Row {
        const char* player;
        std::string problem;
    };
    const std::vector<Row> rows = {
        {"Ann", "both players are named Ann"},
        {" Ann  ", "both players are named Ann"},
        {"Anna", ""},
        {"ann", ""},
        {"An", ""},
        // What shows nothing does not make another name, nor does another kind of space at either end.
        {"Ann\xE2\x80\x8B", "both players are named Ann"},             // zero-width space
        {"A\xC2\xADnn", "both players are named Ann"},                 // soft hyphen
        {"A\xADnn", "both players are named Ann"},                     // the soft hyphen's lone Latin-1 byte
        {"\u200EAnn", "both players are named Ann"},                   // left-to-right mark
        {"A\xE2\x80\x8Dn\xE2\x81\xA0n", "both players are named Ann"}, // zero-width joiner, word joiner
        {"\uFEFFAnn", "both players are named Ann"},                   // byte order mark
        {"Ann\xF3\xA0\x80\x81", "both players are named Ann"},         // a tag character
        {"Ann\xEF\xB8\x8F", "both players are named Ann"},             // a variation selector
        {"Ann\xC2\xA0", "both players are named Ann"},                 // no-break space at the end
        {"\u3000Ann", "both players are named Ann"},                   // ideographic space at the start
        // The characters beside them show.
        {"Ann\xC2\xAC", ""},     // not sign, before the soft hyphen
        {"Ann\xC2\xAE", ""},     // registered sign, after it
        {"Ann\xE2\x80\x90", ""}, // hyphen, after the marks
        {"A\xE2\x80\x8Ann", ""}, // a hair space inside is a blank that shows
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.player);
        EXPECT_EQ(greetingMismatch(host, {1, "0.1", row.player, 0}), row.problem);
        // The guest finds the same when the host's greeting names it.
        EXPECT_EQ(greetingMismatch({1, "0.1", row.player, 0}, host), row.problem);
    }
}

// "SynchronizeGame" sent (mode 3) with the text "done".
std::string handSynchronize() {
    return bytes({15, 0, 0, 0}) + "SynchronizeGame" + bytes({3, 0}) + bytes({1, 0, 6, 0}) + "string" +
           bytes({4, 0}) + "done";
}

TEST_F(NetFrameTest, NamedMessageIsWrittenAsTheHandWrittenBytes) {
    const BusMessage sync(RegisteredMessage::getId("SynchronizeGame"), BusMessage::Send);
    Container<std::string> text("done");
    std::string payload, error;
    ASSERT_TRUE(encodeMessage(sync, &text, payload, error)) << error;
    EXPECT_EQ(payload, handSynchronize());
    EXPECT_EQ(encodeFrame(FrameKind::Message, payload),
              "VF"s + bytes({2, 0, 37, 0, 0, 0}) + handSynchronize());
}

TEST_F(NetFrameTest, HandWrittenNamedMessageReadsBack) {
    const std::uint16_t id = RegisteredMessage::getId("SynchronizeGame");
    ReceivedMessage m;
    std::string error;
    ASSERT_TRUE(decodeMessage(handSynchronize(), m, error)) << error;
    EXPECT_EQ(m.event.id(), id);
    EXPECT_EQ(m.event.mode(), BusMessage::Send);
    std::string text;
    ASSERT_TRUE(Container<std::string>::fromMessage(m.data.get(), text));
    EXPECT_EQ(text, "done");
}

// Message 26 (a built-in number) with no payload: name length 0, id and mode as two u32, null box.
TEST_F(NetFrameTest, NumberedMessageTravelsAsItsWord) {
    const std::string hand = bytes({0, 0, 0, 0, 26, 0, 0, 0, 3, 0, 0, 0, 0, 0});
    std::string payload, error;
    ASSERT_TRUE(encodeMessage(BusMessage(26, BusMessage::Send), nullptr, payload, error)) << error;
    EXPECT_EQ(payload, hand);
    ReceivedMessage m;
    ASSERT_TRUE(decodeMessage(hand, m, error)) << error;
    EXPECT_EQ(m.event.id(), 26);
    EXPECT_EQ(m.data, nullptr);
}

TEST_F(NetFrameTest, DamagedMessagesAreRefusedWithAReason) {
    RegisteredMessage::getId("SynchronizeGame");
    const std::string good = handSynchronize();
    struct Row {
        const char* name;
        std::string payload;
        const char* says;
    };
    const std::vector<Row> rows = {
        {"unknown name", bytes({7, 0, 0, 0}) + "NoSuchM" + bytes({3, 0, 0, 0}),
         "unknown message \"NoSuchM\""},
        {"name longer than the frame", bytes({200, 0, 0, 0}) + "Sync", "the message name is damaged"},
        {"name over the limit", bytes({65, 0, 0, 0}) + std::string(65, 'A') + bytes({3, 0, 0, 0}),
         "the message name is damaged"},
        {"number 66 is not built in", bytes({0, 0, 0, 0, 66, 0, 0, 0, 3, 0, 0, 0, 0, 0}),
         "unknown message number 66"},
        {"unknown payload type",
         bytes({15, 0, 0, 0}) + "SynchronizeGame" + bytes({3, 0, 1, 0, 5, 0}) + "nosuc" + bytes({0, 0}),
         "unknown payload type \"nosuc\""},
        // The other machine's bytes in the reason are shown escaped: it is told on a screen and a terminal,
        // where an escape would clear it, a line feed write a line of its own, 0x9B start a control.
        {"a name holding an escape, a line feed and a C1 byte",
         bytes({18, 0, 0, 0}) + "Evil\x1B[2J\nHost: ha\x9B" + bytes({3, 0, 0, 0}),
         "unknown message \"Evil\\x1B[2J\\x0AHost: ha\\x9B\""},
        {"a payload type holding an escape, a line feed and a C1 byte",
         bytes({15, 0, 0, 0}) + "SynchronizeGame" + bytes({3, 0, 1, 0, 5, 0}) + "n\x1B\nu\x9B" +
             bytes({0, 0}),
         "unknown payload type \"n\\x1B\\x0Au\\x9B\""},
        {"flag 2", bytes({15, 0, 0, 0}) + "SynchronizeGame" + bytes({3, 0, 2, 0}), "the payload is damaged"},
        {"value cut short", good.substr(0, good.size() - 1), "the payload of type string is damaged"},
        {"a byte too many", good + "!", "the message frame has 1 bytes too many"},
        {"no box flag", good.substr(0, 4 + 15 + 2), "the message frame is truncated"},
        {"empty", "", "the message frame is truncated"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReceivedMessage m;
        std::string error;
        EXPECT_FALSE(decodeMessage(row.payload, m, error));
        EXPECT_EQ(error, row.says);
    }
}

TEST_F(NetFrameTest, NumberedMessagesUpTo65AreTaken) {
    for (int id : {0, 25, 65}) {
        SCOPED_TRACE(id);
        ReceivedMessage m;
        std::string error;
        EXPECT_TRUE(decodeMessage(bytes({0, 0, 0, 0, id, 0, 0, 0, 3, 0, 0, 0, 0, 0}), m, error)) << error;
    }
}

TEST_F(NetFrameTest, ReadingAnUnknownNameRegistersNothing) {
    const std::int32_t before = RegisteredMessage::registryCount();
    ReceivedMessage m;
    std::string error;
    EXPECT_FALSE(decodeMessage(bytes({9, 0, 0, 0}) + "Unheard01" + bytes({3, 0, 0, 0}), m, error));
    EXPECT_EQ(RegisteredMessage::registryCount(), before);
}

TEST_F(NetFrameTest, UnregisteredPayloadTypeIsNotSent) {
    Container<double> value(1.5); // no record for double in this program
    std::string payload, error;
    if (TypeInfoBase::lookUp("double")) GTEST_SKIP() << "double has a record in this program";
    EXPECT_FALSE(
        encodeMessage(BusMessage(RegisteredMessage::getId("SynchronizeGame"), 3), &value, payload, error));
    EXPECT_EQ(error, "double is not a registered class and cannot be sent to a remote machine");
}

TEST_F(NetFrameTest, ReaderCutsFramesFedOneByteAtATime) {
    const std::string two = HandGreeting + "VF"s + bytes({2, 0, 37, 0, 0, 0}) + handSynchronize();
    FrameReader reader;
    std::vector<Frame> frames;
    for (char c : two) {
        reader.feed(&c, 1);
        Frame f;
        while (reader.next(f) == FrameReader::Result::Frame)
            frames.push_back(f);
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].kind, FrameKind::Greeting);
    EXPECT_EQ(frames[1].kind, FrameKind::Message);
    EXPECT_EQ(frames[1].payload, handSynchronize());
    EXPECT_EQ(reader.pending(), 0u);
}

TEST_F(NetFrameTest, ReaderRefusesBadHeaders) {
    struct Row {
        const char* name;
        std::string bytes;
        FrameReader::Result result;
        const char* says;
    };
    const std::uint32_t max = MaxFramePayload;
    auto header = [](int kind, int zero, std::uint32_t length) {
        return "VF"s + bytes({kind, zero, int(length & 0xFF), int((length >> 8) & 0xFF),
                              int((length >> 16) & 0xFF), int(length >> 24)});
    };
    const std::vector<Row> rows = {
        {"first byte wrong", "X", FrameReader::Result::Error,
         "a damaged frame (it does not begin with \"VF\")"},
        {"second byte wrong", "VX", FrameReader::Result::Error,
         "a damaged frame (it does not begin with \"VF\")"},
        {"header not complete", "VF" + bytes({2, 0, 0}), FrameReader::Result::NeedMore, ""},
        {"kind 0", header(0, 0, 0), FrameReader::Result::Error, "an unknown frame (kind 0)"},
        {"kind 7", header(7, 0, 0), FrameReader::Result::Error, "an unknown frame (kind 7)"},
        {"kind 255", header(255, 0, 0), FrameReader::Result::Error, "an unknown frame (kind 255)"},
        {"kind 4 is a batch", header(4, 0, 0), FrameReader::Result::Frame, ""},
        {"kind 5 is a sign of life", header(5, 0, 0), FrameReader::Result::Frame, ""},
        {"kind 6 is a word of leaving", header(6, 0, 0), FrameReader::Result::Frame, ""},
        {"reserved byte set", header(2, 1, 0), FrameReader::Result::Error,
         "a damaged frame (its header is corrupt)"},
        {"largest payload waits for its bytes", header(2, 0, max), FrameReader::Result::NeedMore, ""},
        {"one byte over the largest", header(2, 0, max + 1), FrameReader::Result::Error,
         "an oversized frame (1048577 bytes, at most 1048576)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FrameReader reader;
        reader.feed(row.bytes.data(), row.bytes.size());
        Frame f;
        EXPECT_EQ(reader.next(f), row.result);
        EXPECT_EQ(reader.error(), row.says);
    }
}

TEST_F(NetFrameTest, ReaderStaysFailedAfterARefusal) {
    FrameReader reader;
    reader.feed("XX", 2);
    Frame f;
    EXPECT_EQ(reader.next(f), FrameReader::Result::Error);
    reader.feed(HandGreeting.data(), HandGreeting.size());
    EXPECT_EQ(reader.next(f), FrameReader::Result::Error);
    EXPECT_TRUE(reader.failed());
}

// Two messages: count 2, then each as its length and bytes.
TEST_F(NetFrameTest, BatchIsWrittenAndReadAsTheHandWrittenBytes) {
    const std::string numbered = bytes({0, 0, 0, 0, 26, 0, 0, 0, 3, 0, 0, 0, 0, 0});
    RegisteredMessage::getId("SynchronizeGame");
    const std::string hand = bytes({2, 0, 37, 0, 0, 0}) + handSynchronize() + bytes({14, 0, 0, 0}) + numbered;
    EXPECT_EQ(encodeBatch({handSynchronize(), numbered}), hand);
    std::vector<ReceivedMessage> batch;
    std::string error;
    ASSERT_TRUE(decodeBatch(hand, batch, error)) << error;
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(batch[1].event.id(), 26);
    struct Row {
        const char* name;
        std::string payload;
        const char* says;
    };
    const std::vector<Row> rows = {
        {"count cut short", bytes({2}), "the batch is truncated"},
        {"second message missing", hand.substr(0, 2 + 4 + 37), "the batch is truncated"},
        {"second length beyond the end", hand.substr(0, hand.size() - 1), "the batch is truncated"},
        {"a byte too many", hand + "!", "the batch has 1 bytes too many"},
        {"a damaged message inside", bytes({1, 0, 3, 0, 0, 0}) + "abc", "the message frame is truncated"},
        {"too many messages", bytes({0x01, 0x10}), "the batch holds too many messages (4097)"},
        {"a hostile name inside",
         bytes({1, 0, 26, 0, 0, 0, 18, 0, 0, 0}) + "Evil\x1B[2J\nHost: ha\x9B" + bytes({3, 0, 0, 0}),
         "unknown message \"Evil\\x1B[2J\\x0AHost: ha\\x9B\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(decodeBatch(row.payload, batch, error));
        EXPECT_EQ(error, row.says);
        EXPECT_TRUE(batch.empty());
    }
    EXPECT_TRUE(decodeBatch(bytes({0, 0}), batch, error)) << "an empty batch is no harm";
}

TEST_F(NetFrameTest, RefusalCarriesItsReason) {
    const std::string payload = encodeRefusal("busy");
    EXPECT_EQ(payload, bytes({4, 0}) + "busy");
    std::string reason, error;
    ASSERT_TRUE(decodeRefusal(payload, reason, error));
    EXPECT_EQ(reason, "busy");
    EXPECT_FALSE(decodeRefusal(bytes({5, 0}) + "busy", reason, error));
    EXPECT_FALSE(decodeRefusal(payload + "x", reason, error));
}

} // namespace
} // namespace vael::comm
