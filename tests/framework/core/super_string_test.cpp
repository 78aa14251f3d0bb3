#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/core/super_string.h"
#include "stream_test_support.h"

namespace vael {
namespace {

using testing_support::bytes;
using testing_support::hex;

std::string chunkLengths(const SuperString& s) {
    std::string out;
    for (const Chunk* c = s.firstChunk(); c; c = c->next)
        out += std::to_string(c->length) + " ";
    return out;
}

TEST(SuperStringBuffer, BytesFillChunksOfOneHundred) {
    SuperString s;
    const std::string data(250, 'x');
    EXPECT_EQ(s.write(data.data(), 250), 1);
    EXPECT_EQ(s.length(), 250);
    EXPECT_EQ(s.chunkCount(), 3);
    EXPECT_EQ(chunkLengths(s), "100 100 50 ");
    EXPECT_EQ(s.firstChunk()->data[100], 0); // every chunk stays zero-terminated
    EXPECT_EQ(s.lastChunk()->data[50], 0);
    EXPECT_EQ(s.str(), data);
}

TEST(SuperStringBuffer, ACountOfZeroWritesUpToTheTerminator) {
    SuperString s;
    EXPECT_EQ(s.write("hello"), 1);
    EXPECT_EQ(s.write("", 0), 1);
    EXPECT_EQ(s.str(), "hello");
    EXPECT_EQ(s.write("a\0b", 3), 1);
    EXPECT_EQ(s.length(), 8);
    EXPECT_EQ(s.write(nullptr, 4), 0);
}

TEST(SuperStringBuffer, ReadAndPeekAcrossChunks) {
    SuperString s;
    std::string data;
    for (int i = 0; i < 300; ++i)
        data.push_back(static_cast<char>(i));
    s.write(data.data(), 300);
    char out[120] = {};
    EXPECT_EQ(s.peek(out, 95, 10), 10);
    EXPECT_EQ(std::string(out, 10), data.substr(95, 10));
    EXPECT_EQ(s.readPosition(), 0);
    EXPECT_EQ(s.read(out, 120), 120);
    EXPECT_EQ(std::string(out, 120), data.substr(0, 120));
    EXPECT_EQ(s.read(out, 100), 100);
    EXPECT_EQ(std::string(out, 100), data.substr(120, 100));
    EXPECT_EQ(s.readPosition(), 220);
    s.setReadPosition(50); // going back works too
    EXPECT_EQ(s.read(out, 3), 3);
    EXPECT_EQ(std::string(out, 3), data.substr(50, 3));
    EXPECT_FALSE(s.failed());

    char untouched[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(s.peek(untouched, 300, 4), 0);
    EXPECT_EQ(s.peek(untouched, 298, 4), 2); // only as far as data exists
    EXPECT_EQ(untouched[2], 'c');
}

TEST(SuperStringBuffer, ReadingPastTheEndGivesZerosAndFails) {
    SuperString s;
    s.write("abc", 3);
    char out[6];
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(s.read(out, 2), 2);
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(s.read(out, 6), 1);
    EXPECT_EQ(std::string(out, 6), bytes({'c', 0, 0, 0, 0, 0}));
    EXPECT_TRUE(s.failed());
    EXPECT_EQ(s.readPosition(), 3); // stops at the end, not on the last byte
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(s.read(out, 2), 0); // never the last byte again
    EXPECT_EQ(std::string(out, 2), bytes({0, 0}));
    EXPECT_TRUE(s.failed()); // sticky
    s.clearFailure();
    EXPECT_FALSE(s.failed());
    s.setReadPosition(10);
    EXPECT_EQ(s.read(out, 1), 0);
    EXPECT_TRUE(s.failed());
    s.clear();
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(s.readPosition(), 0);
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.chunkCount(), 1);
}

TEST(SuperStringBuffer, FindIgnoresCaseAndStraddlesChunks) {
    SuperString s;
    s.write("xABc", 4);
    EXPECT_EQ(s.find("abc"), 1);
    EXPECT_EQ(s.find("abd"), -1);
    EXPECT_EQ(s.find(std::string(41, 'a').c_str()), -2);
    EXPECT_EQ(s.find(std::string(40, 'a').c_str()), -1);
    EXPECT_EQ(s.find('B'), 2);
    EXPECT_EQ(s.find('b'), -1); // a byte is found exactly
    EXPECT_EQ(s.find(""), 0);

    SuperString long_;
    long_.write(std::string(98, '.').c_str(), 98);
    long_.write("CONNECT 9600", 12);
    EXPECT_EQ(long_.find("connect"), 98);
    EXPECT_EQ(long_.find('9'), 106);
}

TEST(SuperStringBuffer, ExtractTakesALineFromTheFront) {
    SuperString s(SuperString::ReceiveBufferCap);
    s.write("AT\r\nOK\n", 7);
    std::string line;
    EXPECT_EQ(s.extract(line, '\n'), 3);
    EXPECT_EQ(line, "AT\r");
    EXPECT_EQ(s.str(), "OK\n");
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(s.extract(line, '\n'), 2);
    EXPECT_EQ(line, "OK");
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.extract(line, '\n'), -1);
    EXPECT_EQ(line, "");

    s.write("no delimiter", 12);
    line = "stale";
    EXPECT_EQ(s.extract(line, '\n'), -1);
    EXPECT_EQ(line, "");
    EXPECT_EQ(s.str(), "no delimiter");
}

TEST(SuperStringBuffer, ExtractAcrossChunks) {
    SuperString s;
    const std::string first(230, 'a');
    s.write(first.data(), 230);
    s.write("|tail|", 6);
    std::string out;
    EXPECT_EQ(s.extract(out, '|'), 230);
    EXPECT_EQ(out, first);
    EXPECT_EQ(s.str(), "tail|");
    EXPECT_EQ(s.length(), 5);
    EXPECT_EQ(s.extract(out, '|'), 4);
    EXPECT_EQ(out, "tail");
    EXPECT_EQ(s.length(), 0);
    EXPECT_GE(s.chunkCount(), 1);
    s.write("again\n", 6);
    EXPECT_EQ(s.extract(out, '\n'), 5);
    EXPECT_EQ(out, "again");
}

TEST(SuperStringBuffer, AReceiveBufferDropsItsOldestChunkPastTheCap) {
    SuperString s(SuperString::ReceiveBufferCap);
    const std::string block(100, 'b');
    for (int i = 0; i < 800; ++i)
        s.write(block.data(), 100);
    s.write("y", 1);
    EXPECT_EQ(s.length(), 80001);
    EXPECT_EQ(s.chunkCount(), 801);
    EXPECT_EQ(s.addChunk(), 1); // over the cap: the oldest 100 bytes go first
    EXPECT_EQ(s.length(), 79901);
    EXPECT_EQ(s.chunkCount(), 801);
    // Writing on keeps it near the cap.
    for (int i = 0; i < 50; ++i)
        s.write(block.data(), 100);
    EXPECT_LE(s.length(), 80100);
}

TEST(SuperStringBuffer, AStreamWrittenForAFileKeepsEverything) {
    SuperString s;
    std::string data;
    for (int i = 0; i < 250000; ++i)
        data.push_back(static_cast<char>(i * 7));
    s.write(data.data(), static_cast<std::int32_t>(data.size()));
    EXPECT_EQ(s.length(), 250000);
    EXPECT_EQ(s.str(), data);
    std::string back(250000, '\0');
    EXPECT_EQ(s.read(back.data(), 250000), 250000);
    EXPECT_EQ(back, data);
}

TEST(SuperStringBuffer, CopiesAreDeepAndCompareByContents) {
    SuperString a;
    a.write(std::string(150, 'q').c_str(), 150);
    SuperString b(a);
    EXPECT_EQ(b.str(), a.str());
    EXPECT_TRUE(a == b);
    b.write("more", 4);
    EXPECT_EQ(a.length(), 150);
    EXPECT_FALSE(a == b);
    SuperString c("name.vel");
    c = a;
    EXPECT_EQ(c.str(), a.str());
    c = c;
    EXPECT_EQ(c.length(), 150);
    EXPECT_EQ(SuperString(std::string("file")).str(), "file");
}

// ---- value encodings ----

class ValueEncoding : public ::testing::Test {
protected:
    void SetUp() override { testing_support::resetRegistries(); }
    void TearDown() override { testing_support::resetRegistries(); }

    SuperString s;
};

TEST_F(ValueEncoding, IntegersAreLittleEndianWithFixedWidths) {
    s << 'A' << static_cast<signed char>(-1) << static_cast<unsigned char>(200);
    s << static_cast<short>(-2) << static_cast<unsigned short>(0xBEEF);
    s << -2 << 0x01020304u;
    s << 0x12345678L << -1L << 0x100000001L << 0xFFFFFFFFUL;
    s << 0x0102030405060708LL << 0xF1F2F3F4F5F6F7F8ULL;
    EXPECT_EQ(hex(s.str()), hex(bytes({0x41, 0xFF, 0xC8, 0xFE, 0xFF, 0xEF, 0xBE, 0xFE, 0xFF, 0xFF, 0xFF, 0x04,
                                       0x03, 0x02, 0x01, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x01,
                                       0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05, 0x04,
                                       0x03, 0x02, 0x01, 0xF8, 0xF7, 0xF6, 0xF5, 0xF4, 0xF3, 0xF2, 0xF1})));

    char c = 0;
    signed char sc = 0;
    unsigned char uc = 0;
    short sh = 0;
    unsigned short us = 0;
    int i = 0;
    unsigned int ui = 0;
    long l1 = 0, l2 = 0, l3 = 0;
    unsigned long ul = 0;
    long long ll = 0;
    unsigned long long ull = 0;
    s >> c >> sc >> uc >> sh >> us >> i >> ui >> l1 >> l2 >> l3 >> ul >> ll >> ull;
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(sc, -1);
    EXPECT_EQ(uc, 200);
    EXPECT_EQ(sh, -2);
    EXPECT_EQ(us, 0xBEEF);
    EXPECT_EQ(i, -2);
    EXPECT_EQ(ui, 0x01020304u);
    EXPECT_EQ(l1, 0x12345678L);
    EXPECT_EQ(l2, -1L); // sign-extended from 4 bytes
    EXPECT_EQ(l3, 1L);  // a long wider than 32 bits travels cut to 32
    EXPECT_EQ(ul, 0xFFFFFFFFUL);
    EXPECT_EQ(ll, 0x0102030405060708LL);
    EXPECT_EQ(ull, 0xF1F2F3F4F5F6F7F8ULL);
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(s.readPosition(), s.length());
}

TEST_F(ValueEncoding, DoublesAreTheirEightIeeeBytes) {
    s << 1.0 << -0.5;
    EXPECT_EQ(hex(s.str()), hex(bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0xE0, 0xBF})));
    double a = 0, b = 0;
    s >> a >> b;
    EXPECT_EQ(a, 1.0);
    EXPECT_EQ(b, -0.5);
}

enum class Nation : std::int32_t { Rome = 1, Carthage = 0x01020304 };

TEST_F(ValueEncoding, EnumerationsAreFourByteIntsAndDirectionsTwo) {
    s << Nation::Carthage << NorthWest << static_cast<DIRECTION>(-1);
    EXPECT_EQ(hex(s.str()), hex(bytes({0x04, 0x03, 0x02, 0x01, 0x08, 0x00, 0xFF, 0xFF})));
    Nation n = Nation::Rome;
    DIRECTION d1 = NoDirection, d2 = NoDirection;
    s >> n >> d1 >> d2;
    EXPECT_EQ(n, Nation::Carthage);
    EXPECT_EQ(d1, NorthWest);
    EXPECT_EQ(d2, -1); // widened back sign-extended
    EXPECT_EQ(sizeof(d2), 4u);
}

TEST_F(ValueEncoding, StringsAreALengthThenTheBytes) {
    s << std::string() << std::string("Hi") << "abc";
    EXPECT_EQ(hex(s.str()), hex(bytes({0, 0, 2, 0, 'H', 'i', 3, 0, 'a', 'b', 'c'})));
    std::string a = "x", b, c;
    s >> a >> b >> c;
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "Hi");
    EXPECT_EQ(c, "abc");
    EXPECT_FALSE(s.failed());
}

TEST_F(ValueEncoding, AStringEndsAtItsFirstZeroByteButAllItsBytesAreRead) {
    s << static_cast<short>(5);
    s.write("ab\0cd", 5);
    s << static_cast<short>(9);
    std::string text;
    short after = 0;
    s >> text >> after;
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(after, 9);
}

TEST_F(ValueEncoding, CorruptStringLengthsFailWithoutMakingUpText) {
    s << static_cast<short>(-3) << static_cast<short>(7);
    std::string text = "old";
    s >> text;
    EXPECT_EQ(text, "");
    EXPECT_TRUE(s.failed());

    SuperString shortStream;
    shortStream << static_cast<short>(100);
    shortStream.write("only", 4);
    shortStream >> text;
    EXPECT_EQ(text, "only");
    EXPECT_TRUE(shortStream.failed());
    EXPECT_EQ(shortStream.readPosition(), shortStream.length());
}

TEST_F(ValueEncoding, AStringTooLongForItsLengthIsCutAndMarked) {
    const std::string huge(40000, 'h');
    s << huge;
    EXPECT_TRUE(s.failed());
    EXPECT_EQ(s.length(), 2 + 32767);
    EXPECT_EQ(hex(s.str().substr(0, 2)), "FF 7F");
}

TEST_F(ValueEncoding, SuperStringsTravelAsStrings) {
    SuperString name(std::string("Battle.vel"));
    s << name;
    EXPECT_EQ(hex(s.str()), hex(bytes({10, 0, 'B', 'a', 't', 't', 'l', 'e', '.', 'v', 'e', 'l'})));
    SuperString back(std::string("previous contents"));
    s >> back;
    EXPECT_EQ(back.str(), "Battle.vel");
    SuperString self(std::string("abc"));
    self << self; // writing a stream into itself takes what it held before
    EXPECT_EQ(hex(self.str()), hex(bytes({'a', 'b', 'c', 3, 0, 'a', 'b', 'c'})));
}

TEST_F(ValueEncoding, TheEventWordIsAnIdThenAMode) {
    s << BusMessage(70, 3) << BusMessage(-2, 0xA);
    EXPECT_EQ(hex(s.str()),
              hex(bytes({0x46, 0, 0, 0, 3, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFA, 0xFF, 0xFF, 0xFF})));
    BusMessage a, b;
    s >> a >> b;
    EXPECT_EQ(a.word(), 0x30000046u);
    EXPECT_EQ(b.word(), 0xAFFFFFFEu);
}

TEST_F(ValueEncoding, TheEventWordByNameCarriesTheNameNotTheId) {
    ASSERT_EQ(RegisteredMessage::registerWithId(70, "TenLetters"), 1);
    writeEventByName(s, BusMessage(70, 3));
    EXPECT_EQ(hex(s.str()),
              hex(bytes({0x0A, 0, 0, 0, 'T', 'e', 'n', 'L', 'e', 't', 't', 'e', 'r', 's', 0x03, 0x00})));

    // Another machine knows the name under its own id, or learns it now.
    RegisteredMessage::clearRegistry();
    RegisteredMessage::getId("Unrelated");
    BusMessage read;
    readEventByName(s, read);
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(read.id(), 68);
    EXPECT_EQ(read.mode(), 3);
    EXPECT_EQ(RegisteredMessage::nameOf(68), "TenLetters");
}

TEST_F(ValueEncoding, AnUnnamedEventWordByNameFallsBackToThePlainWord) {
    writeEventByName(s, BusMessage(27, 1)); // a built-in event has no registered name
    EXPECT_EQ(hex(s.str()), hex(bytes({0, 0, 0, 0, 27, 0, 0, 0, 1, 0, 0, 0})));
    BusMessage read;
    readEventByName(s, read);
    EXPECT_EQ(read.word(), 0x1000001Bu);
}

TEST_F(ValueEncoding, AnEventNameLongerThanTheStreamFails) {
    s << 0x7FFFFFFFu;
    s.write("abc", 3);
    BusMessage read(99);
    readEventByName(s, read);
    EXPECT_TRUE(s.failed());
    EXPECT_EQ(read.word(), 0u);
    EXPECT_EQ(RegisteredMessage::registryCount(), 0);
}

TEST_F(ValueEncoding, ReadingATruncatedValueGivesZeros) {
    s.write("\x01\x02\x03", 3);
    int v = 77;
    s >> v;
    EXPECT_EQ(v, 0x030201);
    EXPECT_TRUE(s.failed());
    short after = 5;
    s >> after;
    EXPECT_EQ(after, 0);
}

} // namespace
} // namespace vael
