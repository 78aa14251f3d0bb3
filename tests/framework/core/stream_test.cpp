// The message names, the byte stream and its value encodings, payload boxes with their type records, and
// the shared command records: what saved games and network frames are made of, pinned byte by byte.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/command_records.h"
#include "framework/core/message_box.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "framework/core/type_info.h"
#include "support/failed_checks.h"

namespace vael {

// A type with a wire name but no record (the program never built a TypeInfo for it), and one with no wire
// name at all, a list of which must still compile.
enum class Unrelayed : short {};
VAEL_TYPE_NAME(Unrelayed, "Unrelayed");
enum class Nameless {};
// A value whose reading runs out of memory.
struct Exploding {};
VAEL_TYPE_NAME(Exploding, "Exploding");
SuperString& operator<<(SuperString& s, const Exploding&) {
    return s;
}
SuperString& operator>>(SuperString&, Exploding&) {
    throw std::bad_alloc();
}

namespace {

using Registry = RegisteredMessage;

// Looks for the shared records once every static object is built and before any test has emptied the
// registries: what a program finds when its first message is sent.
struct SharedRecordsAtStart : ::testing::Environment {
    void SetUp() override {
        for (const char* name : {"DIRECTION", "LogicalCommandInfo", "SetTextData"})
            EXPECT_NE(TypeInfoBase::lookUp(name), nullptr) << name << " is not registered at program start";
    }
};
[[maybe_unused]] ::testing::Environment* const sharedRecordsAtStart =
    ::testing::AddGlobalTestEnvironment(new SharedRecordsAtStart);

// Hex, so that a mismatch shows the byte where it lies.
std::string hex(const std::string& data) {
    std::string out;
    for (unsigned char c : data)
        out += {"0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 0xF], ' '};
    return out;
}

// A golden byte vector written as hex pairs with 'quoted' runs of text among them, shown in hex.
std::string wire(const std::string& bytes) {
    std::string out, token;
    for (std::istringstream in(bytes); in >> token;)
        out += token[0] == '\'' ? token.substr(1, token.size() - 2)
                                : std::string(1, char(std::stoi(token, nullptr, 16)));
    return hex(out);
}

// Every case starts from empty registries, as a run does.
class Stream : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        TypeInfoBase::cleanUp();
        Registry::clearRegistry();
    }
    static int ids(const std::string& name) { return Registry::getId(name); }
    template <class... T> static void buildRecords() { (TypeInfo<T>(), ...); }
    template <class T> T unbox(ContainerBase* b) { return dynamic_cast<const Container<T>&>(*b).value(); }
    // Reads one value of each type, in order.
    template <class... T> std::tuple<T...> readAll() { return std::tuple<T...>{readOne(T{})...}; }
    template <class V> V readOne(V value) { return s >> value, value; }
    // Writes a box of each value.
    template <class... T> void writeBoxes(const T&... values) { (writeBox(Container<T>(values)), ...); }
    void writeBox(const ContainerBase& box) { s << &box; }
    SuperString& cleared() { return s.clear(), s; }
    // The word of one event read by name, into a word that was not 0 (a failed read must clear it).
    static std::uint32_t wordByName(SuperString& from) {
        BusMessage event(5);
        readEventByName(from, event);
        return event.word();
    }
    SuperString s;
};

// ---- message names ----

// Automatic ids run from 67 to 100, then from 4001 once the largest id in use (fixed ones included, compared
// unsigned) lies between 100 and 4000; past that they lead on from the largest.
TEST_F(Stream, MessageIdsAreNumberedFrom67To100ThenFrom4001) {
    EXPECT_EQ((std::tuple{ids("ScenarioLoaded"), ids("ActivateLeader"), ids("ScenarioLoaded"),
                          Registry::nameOf(68)}),
              std::tuple(67, 68, 67, "ActivateLeader"));
    for (int i = 69; i <= 101; ++i)
        EXPECT_EQ(ids("Name" + std::to_string(i)), i <= 100 ? i : 4001);
    Registry::clearRegistry();
    EXPECT_EQ((std::tuple{Registry::registerWithId(99, "NinetyNine"), ids("Hundred"), ids("Jumped")}),
              std::tuple(1, 100, 4001));
    Registry::clearRegistry();
    EXPECT_EQ((std::tuple{ids("First"), Registry::registerWithId(249, "FileStartGame"), ids("Next"),
                          ids("AfterThat"), Registry::registerWithId(228, "FileOpenGame"), ids("Later"),
                          ids("FileStartGame")}),
              std::tuple(67, 1, 4001, 4002, 1, 4003, 249));
    Registry::clearRegistry();
    for (auto [id, next] : {std::pair(10, 11), {4000, 4001}, {100, 4001}, {5000, 5001}, {0x8000, 0x8001}}) {
        Registry::registerWithId(static_cast<std::uint16_t>(id), "Fixed" + std::to_string(id));
        EXPECT_EQ(Registry::nextId(), next) << id;
    }
}

// registerWithId keeps one entry per id and does not look for the name; nameOf and lookUp register nothing.
TEST_F(Stream, RegisterWithIdNameOfAndLookUp) {
    EXPECT_EQ(
        (std::tuple{Registry::registerWithId(249, "FileStartGame"),
                    Registry::registerWithId(249, "FileStartGame"), Registry::registerWithId(249, "Other"),
                    Registry::registryCount(), Registry::nameOf(249)}),
        std::tuple(1, 1, 0, 1, "FileStartGame"));
    EXPECT_EQ((std::tuple{ids("Twice"), Registry::registerWithId(300, "Twice"), Registry::registryCount(),
                          ids("Twice"), Registry::nameOf(300)}),
              std::tuple(4001, 1, 3, 4001, "Twice")); // the earlier entry answers
    Registry::clearRegistry();
    std::uint16_t id = 7;
    EXPECT_EQ((std::tuple{Registry::nameOf(1234), Registry::lookUp("Unknown", id), id,
                          Registry::registryCount(), Registry::nextId()}),
              std::tuple("", 0, 7, 0, 67));
    EXPECT_EQ((std::tuple{ids("Known"), Registry::lookUp("Known", id), id}), std::tuple(67, 1, 67));
}

// Ids never wrap: 65535 is the last one given, after which a new name is refused with a failed check that
// names it, and the registry is left as it was.
TEST_F(Stream, TheLastIdIs65535AndThenNewNamesAreRefused) {
    test::FailedChecks checks;
    ASSERT_EQ(Registry::registerWithId(65533, "Fixed"), 1);
    EXPECT_EQ((std::tuple{ids("Second to last"), Registry::nextId(), ids("Last"), Registry::nextId(),
                          checks.count()}),
              std::tuple(65534, 65535, 65535, 0, 0u));
    EXPECT_EQ((std::tuple{ids("Over"), ids(std::string(100, 'x')), Registry::registryCount(), ids("Last"),
                          Registry::nameOf(0)}),
              std::tuple(0, 0, 3, 65535, ""));
    EXPECT_EQ(checks.texts,
              (std::vector<std::string>{
                  "The message name \"Over\" cannot be registered: every message id is taken  Abort?",
                  "The message name \"" + std::string(64, 'x') +
                      "...\" cannot be registered: every message id is taken  Abort?"}));
    test::FailedChecks aborting(true);
    EXPECT_THROW(ids("Aborted"), Assertion);
}

// ---- the buffer ----

TEST_F(Stream, BytesFillZeroTerminatedChunksOfOneHundredAndCopiesAreDeep) {
    const std::string data(250, 'x');
    EXPECT_EQ(s.write(data.data(), 250), 1);
    std::string chunks;
    for (const Chunk* c = s.firstChunk(); c; c = c->next)
        chunks += std::to_string(c->length) + (c->data[c->length] ? "! " : " ");
    EXPECT_EQ(std::tuple(chunks, s.length()), std::tuple("100 100 50 ", 250));
    EXPECT_EQ((std::tuple{s.write("ab"), s.write("a\0b", 3), s.write(nullptr, 4)}), std::tuple(1, 1, 0));
    EXPECT_EQ(s.str(), data + std::string("aba\0b", 5)); // a count of 0 writes up to the zero byte
    SuperString copy(s);
    copy.write("more", 4);
    EXPECT_EQ((std::tuple{s.length(), copy == s, (copy = s) == s, (copy = *&copy) == s}),
              std::tuple(255, false, true, true));
}

// Reading stops at the end: no more than the data, zeros for the rest, and a sticky failure flag.
TEST_F(Stream, ReadAndPeekAcrossChunksAndPastTheEnd) {
    std::string data, out(120, 'z');
    for (int i = 0; i < 300; ++i)
        data.push_back(static_cast<char>(i));
    s.write(data.data(), 300);
    EXPECT_EQ((std::tuple{s.peek(&out[0], 300, 4), s.peek(&out[0], 298, 4), s.peek(&out[0], 95, 10),
                          out.substr(0, 10)}),
              std::tuple(0, 2, 10, data.substr(95, 10)));
    EXPECT_EQ((std::tuple{s.readPosition(), s.read(&out[0], 120), s.read(&out[0], 100), out.substr(0, 100)}),
              std::tuple(0, 120, 100, data.substr(120, 100)));
    s.setReadPosition(296);
    EXPECT_EQ((std::tuple{s.failed(), s.read(&out[0], 6), s.failed(), s.readPosition()}),
              std::tuple(false, 4, true, 300)); // at the end, not on the last byte
    EXPECT_EQ(hex(out.substr(0, 6)), wire("28 29 2A 2B 00 00"));
    EXPECT_EQ((std::tuple{s.read(&out[0], 1), out[0]}), std::tuple(0, 0)); // never the last byte again
    s.setReadPosition(0);
    EXPECT_EQ((std::tuple{s.read(&out[0], 1), s.failed()}), std::tuple(1, true)); // until cleared
    s.clearFailure();
    s.setReadPosition(299);
    EXPECT_EQ((std::tuple{std::get<0>(readAll<short>()), s.failed()}), std::tuple(0x2B, true));
    s.clear();
    EXPECT_EQ(std::tuple(s.failed(), s.readPosition(), s.length(), s.chunkCount()),
              std::tuple(false, 0, 0, 1));
}

// Text is found without regard to case, a single byte only as it is.
TEST_F(Stream, FindAndExtractTakeTextFromTheFrontAcrossChunks) {
    s.write(std::string(98, '.').c_str(), 98);
    s.write("CONNECT 9600\nAT\r\nOK\n");
    EXPECT_EQ(std::tuple(s.find("connect"), s.find('9'), s.find('C'), s.find('c')),
              std::tuple(98, 106, 98, -1));
    std::string line = "stale";
    EXPECT_EQ((std::tuple{s.extract(line, '\n'), line}),
              std::tuple(110, std::string(98, '.') + "CONNECT 9600"));
    EXPECT_EQ((std::tuple{s.extract(line, '\n'), line, s.str()}), std::tuple(3, "AT\r", "OK\n"));
    EXPECT_EQ((std::tuple{s.extract(line, '\n'), s.length()}), std::tuple(2, 0));
    s.write("no delimiter", 12);
    EXPECT_EQ((std::tuple{s.extract(line, '\n'), line, s.str()}), std::tuple(-1, "", "no delimiter"));
}

TEST_F(Stream, FindMatchesAcrossChunkBoundariesAndNeverPastTheEnd) {
    const std::tuple<std::string, std::string, int> rows[] = {
        {"xABc", "abc", 1},
        {"xABc", "abd", -1},
        {"xABc", std::string(41, 'a'), -2}, // longer than 40 characters
        {"xABc", std::string(40, 'a'), -1},
        {std::string(99, '.') + "CoNnEcT", "connect", 99},
        {std::string(80, '.') + std::string(40, 'x') + "y", std::string(40, 'x'), 80},
        {std::string(199, '.') + "xxxxy", "xxy", 201},
        {std::string(98, '.') + "conn", "connect", -1},
        {"cconnect", "CONNECT", 1},
        {"\xE9t\xE9 \xC9T\xC9", "\xC9T\xC9", 4}, // letters outside ASCII keep their case
        {"abc", "", 0},
        {"", "a", -1}};
    for (const auto& [held, text, offset] : rows) {
        SCOPED_TRACE(held.substr(held.size() > 10 ? held.size() - 10 : 0) + " / " + text);
        SuperString buffer;
        buffer.write(held.data(), static_cast<std::int32_t>(held.size()));
        EXPECT_EQ(buffer.find(text.c_str()), offset);
    }
}

// Only a receive buffer drops its oldest data; a stream written for a file keeps every byte.
TEST_F(Stream, OnlyAReceiveBufferDropsItsOldestChunkPastTheCap) {
    SuperString receive(SuperString::ReceiveBufferCap);
    for (int i = 0; i < 800; ++i)
        receive.write(std::string(100, 'b').c_str(), 100);
    receive.write("y", 1);
    EXPECT_EQ((std::tuple{receive.length(), receive.addChunk(), receive.length(), receive.chunkCount()}),
              std::tuple(80001, 1, 79901, 801));
    std::string data, back(250000, '\0');
    for (int i = 0; i < 250000; ++i)
        data.push_back(static_cast<char>(i * 7));
    s.write(data.data(), 250000);
    s.addChunk();
    EXPECT_EQ((std::tuple{s.read(&back[0], 250000), back == data}), std::tuple(250000, true));
}

// ---- value encodings ----

enum class Nation : std::int32_t { Rome = 1, Carthage = 0x01020304 };

// Longs travel as 4 bytes whatever the host: read back sign-extended, a wider one cut to 32 bits.
TEST_F(Stream, NumbersAreLittleEndianWithTheirWireWidths) {
    s << 'A' << static_cast<signed char>(-1) << static_cast<unsigned char>(200) << static_cast<short>(-2)
      << static_cast<unsigned short>(0xBEEF) << -2 << 0x01020304u << 0x12345678L << -1L << 0x100000001L
      << 0xFFFFFFFFUL << 0x0102030405060708LL << 0xF1F2F3F4F5F6F7F8ULL << 1.0 << -0.5 << Nation::Carthage
      << NorthWest << static_cast<DIRECTION>(-1);
    EXPECT_EQ(hex(s.str()),
              wire("41 FF C8 FE FF EF BE FE FF FF FF 04 03 02 01 78 56 34 12 FF FF FF FF 01 00 00 "
                   "00 FF FF FF FF 08 07 06 05 04 03 02 01 F8 F7 F6 F5 F4 F3 F2 F1 00 00 00 00 "
                   "00 00 F0 3F 00 00 00 00 00 00 E0 BF 04 03 02 01 08 00 FF FF"));
    EXPECT_EQ((readAll<char, signed char, unsigned char, short, unsigned short, int, unsigned>()),
              std::tuple('A', -1, 200, -2, 0xBEEF, -2, 0x01020304u));
    EXPECT_EQ((readAll<long, long, long, unsigned long, long long, unsigned long long>()),
              std::tuple(0x12345678L, -1L, 1L, 0xFFFFFFFFUL, 0x0102030405060708LL, 0xF1F2F3F4F5F6F7F8ULL));
    EXPECT_EQ((readAll<double, double, Nation, DIRECTION, DIRECTION>()),
              std::tuple(1.0, -0.5, Nation::Carthage, NorthWest, static_cast<DIRECTION>(-1)));
    EXPECT_EQ(std::tuple(s.failed(), s.readPosition()), std::tuple(false, s.length()));
}

TEST_F(Stream, StringsAreALengthThenTheBytes) {
    s << std::string() << "Hi" << SuperString(std::string("Battle.vel")) << static_cast<short>(5);
    s.write("ab\0cd", 5); // the text ends at its first zero byte, but all five bytes are read
    s << static_cast<short>(-3);
    EXPECT_EQ(hex(s.str()), wire("00 00 02 00 'Hi' 0A 00 'Battle.vel' 05 00 61 62 00 63 64 FD FF"));
    std::string empty = "old", hi;
    SuperString back(std::string("previous contents"));
    s >> empty >> hi >> back;
    EXPECT_EQ(std::tuple(empty, hi, back.str(), std::get<0>(readAll<std::string>()), s.failed()),
              std::tuple("", "Hi", "Battle.vel", "ab", false));
    EXPECT_EQ((std::tuple{std::get<0>(readAll<std::string>()), s.failed()}),
              std::tuple("", true)); // a negative length gives no text
    SuperString self(std::string("abc"));
    self << self; // takes what it held before
    EXPECT_EQ(hex(self.str()), wire("'abc' 03 00 'abc'"));
    cleared() << static_cast<short>(100);
    s.write("only");
    EXPECT_EQ((std::tuple{std::get<0>(readAll<std::string>()), s.failed()}), std::tuple("only", true));
    cleared() << std::string(40000, 'h'); // cut to the longest length there is, and marked
    EXPECT_EQ(std::tuple(s.failed(), s.length(), hex(s.str().substr(0, 2))),
              std::tuple(true, 2 + 32767, "FF 7F "));
}

TEST_F(Stream, TheEventWordIsAnIdThenAModeByNameTheNameNotTheId) {
    s << BusMessage(70, 3) << BusMessage(-2, 0xA);
    EXPECT_EQ(hex(s.str()), wire("46 00 00 00 03 00 00 00 FE FF FF FF FA FF FF FF"));
    const auto [a, b] = readAll<BusMessage, BusMessage>();
    EXPECT_EQ(std::tuple(a.word(), b.word()), std::tuple(0x30000046u, 0xAFFFFFFEu));
    s.clear();
    ASSERT_EQ(Registry::registerWithId(70, "TenLetters"), 1);
    writeEventByName(s, BusMessage(70, 3));
    writeEventByName(s, BusMessage(27, 1));   // a built-in event has no name: the plain word follows
    writeEventByName(s, BusMessage(0x10046)); // nor has an id wider than 16 bits, whatever its low bits
    EXPECT_EQ(hex(s.str()), wire("0A 00 00 00 'TenLetters' 03 00 00 00 00 00 1B 00 00 00 01 00 00 00 "
                                 "00 00 00 00 46 00 01 00 00 00 00 00"));
    Registry::clearRegistry(); // another machine knows the name under its own id, or learns it now
    ids("Unrelated");
    EXPECT_EQ((std::tuple{wordByName(s), wordByName(s), wordByName(s), s.failed()}),
              std::tuple(0x30000044u, 0x1000001Bu, 0x10046u, false));
    // A name longer than the stream fails and registers nothing
    cleared() << 0x7FFFFFFFu << "abc";
    EXPECT_EQ((std::tuple{wordByName(s), s.failed(), Registry::registryCount()}), std::tuple(0u, true, 2));
    s.clear(); // the widest id there is goes by its name when it has one
    Registry::registerWithId(0xFFFF, "Top");
    writeEventByName(s, BusMessage(0xFFFF, 2));
    EXPECT_EQ(hex(s.str()), wire("03 00 00 00 'Top' 02 00"));
}

// An event word by name as a peer would send it: the name's length, the name, a mode of 0.
void nameWord(SuperString& s, const std::string& name) {
    s << static_cast<unsigned int>(name.size());
    s.write(name.data(), static_cast<std::int32_t>(name.size()));
    s << static_cast<short>(0);
}

// The reading side registers the names it does not know, but one stream brings at most MaxNewNames of
// them: past that it fails and the registry stops growing. Names the registry holds do not count.
TEST_F(Stream, AStreamRegistersAtMostMaxNewNamesNamesOfItsOwn) {
    ASSERT_EQ(SuperString::MaxNewNames, 256);
    ids("Known");
    for (int i = 0; i < 300; ++i)
        nameWord(s, "Known");
    // "Known" is 67; Name0 to Name32 take 68 to 100, Name33 on take 4001 on.
    const std::tuple<int, bool, int, std::uint32_t> rows[] = {
        // new names in the stream, failed, names the registry gained, the last word read
        {255, false, 255, 4222},
        {256, false, 256, 4223},
        {257, true, 256, 0},
        {400, true, 256, 0}};
    for (auto [names, failed, gained, lastWord] : rows) {
        SCOPED_TRACE(names);
        Registry::clearRegistry();
        ids("Known");
        SuperString stream;
        for (int i = 0; i < names; ++i)
            nameWord(stream, "Name" + std::to_string(i));
        std::uint32_t lastRead = 0;
        for (int i = 0; i < names; ++i)
            lastRead = wordByName(stream);
        EXPECT_EQ((std::tuple{stream.failed(), Registry::registryCount() - 1, lastRead}),
                  std::tuple(failed, gained, lastWord));
    }
    std::uint32_t known = 0; // three hundred words of a name already registered: none is new
    for (int i = 0; i < 300; ++i)
        known = wordByName(s);
    EXPECT_EQ((std::tuple{s.failed(), s.newNamesRegistered(), known}), std::tuple(false, 0, 67u));
    s.clear(); // a cleared stream starts counting again
    nameWord(s, "Fresh");
    wordByName(s);
    EXPECT_EQ((std::tuple{s.failed(), s.newNamesRegistered()}), std::tuple(false, 1));
}

// When no id is left the name is refused with a failed check and the word read fails its stream.
TEST_F(Stream, ANameTheRegistryRefusesFailsTheRead) {
    test::FailedChecks checks;
    Registry::registerWithId(65535, "Top");
    nameWord(s, "Top");
    nameWord(s, "Newcomer");
    ASSERT_EQ(std::tuple(wordByName(s), s.failed()), std::tuple(65535u, false));
    std::uint16_t id = 0;
    EXPECT_EQ((std::tuple{wordByName(s), s.failed(), Registry::lookUp("Newcomer", id), checks.count()}),
              std::tuple(0u, true, 0, 1u));
}

// ---- boxes and type records ----

// A clone is a distinct box; the getter takes only its own type. Wire names come from each type's own trait,
// so that every machine gives a type the same name, and its message id is the type id of its one record.
TEST_F(Stream, BoxesAndTheirTypeRecords) {
    Container<short> box(5);
    std::unique_ptr<ContainerBase> copy(box.clone());
    *dynamic_cast<Container<short>&>(*copy).valuePtr() = 6;
    short out = 9;
    EXPECT_EQ((std::tuple{box.value(), Container<short>::fromMessage(copy.get(), out), out}),
              std::tuple(5, 1, 6));
    Container<long> wrong(123);
    EXPECT_EQ(Container<short>::fromMessage(&wrong, out) + Container<short>::fromMessage(nullptr, out), 0);
    EXPECT_EQ(out, 6);
    int target = 3; // a box of a pointer holds the pointer, never its target
    delete Container<int*>(&target).clone();
    EXPECT_EQ(target, 3);
    TypeInfo<short> shorts;
    EXPECT_EQ(std::tuple(Container<short>().typeId(), shorts.typeId()),
              std::tuple(ids("short"), ids("short")));
    TypeInfo<DIRECTION> first, second;
    EXPECT_EQ(Container<int*>().typeName() + "," + Container<List<short>*>().typeName(),
              "int *,List<short> *");
    TypeInfoBase* found = TypeInfoBase::find(first.typeId());
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, &first); // the registry keeps its own record
    EXPECT_TRUE(*found == second && TypeInfoBase::findByName("DIRECTION") == found);
    EXPECT_EQ(TypeInfoBase::registerType(new TypeInfo<DIRECTION>(second)), 0); // refused and deleted
    EXPECT_EQ(TypeInfoBase::registeredCount(), 2); // short and DIRECTION, once each
    // A second id of the name finds no record: getId answers the first.
    Registry::registerWithId(5000, "short");
    EXPECT_EQ(std::tuple(TypeInfoBase::find(5000), TypeInfoBase::find(shorts.typeId()) != nullptr),
              std::tuple(nullptr, true));
    std::uint16_t id = 0; // an unknown type name is registered as a message on the way
    EXPECT_EQ((std::tuple{TypeInfoBase::findByName("NoSuchType"), Registry::lookUp("NoSuchType", id)}),
              std::tuple(nullptr, 1));
}

// Read back and written again, every box gives the same bytes.
TEST_F(Stream, NullAndShortBoxesGoldenAndEveryValueKindRoundTrips) {
    buildRecords<short, long, char, unsigned short, unsigned long, long long, double, std::string, BusMessage,
                 SuperString>();
    s << static_cast<const ContainerBase*>(nullptr);
    writeBoxes(short{7}, -123456L, 'c', static_cast<unsigned short>(0xBEEF), 4000000000UL, -5LL, 2.5,
               std::string("text"), BusMessage(300, 2), SuperString(std::string("a.vel")));
    EXPECT_EQ(hex(s.str().substr(0, 25)),
              wire("00 00 01 00 05 00 'short' 07 00 01 00 04 00 'long' C0 1D FE FF"));
    SuperString again;
    for (int i = 0; i < 11; ++i) {
        Container<short> placeholder; // to be overwritten, with null for the null box
        ContainerBase* back = readOne<ContainerBase*>(&placeholder);
        ASSERT_NE(back, &placeholder);
        again << back;
        delete back;
    }
    EXPECT_EQ(std::tuple(s.failed(), s.readPosition(), hex(again.str())),
              std::tuple(false, s.length(), hex(s.str())));
}

TEST_F(Stream, ListsStreamThroughTheirElementRecord) {
    buildRecords<short, List<short>, int>();
    List<short> list, back;
    list << 1 << -1 << 300;
    list.write(s);
    EXPECT_EQ(hex(s.str()), wire("03 00 01 00 FF FF 2C 01"));
    back << 99, back.read(s); // reading discards what the list held
    EXPECT_TRUE(back == list);
    cleared() << List<short>();
    s >> back;
    EXPECT_EQ(std::tuple(hex(s.str()), back.count()), std::tuple(wire("00 00"), 0));
    s.clear();
    writeBoxes(list);
    EXPECT_EQ(hex(s.str()), wire("01 00 0B 00 'List<short>' 03 00 01 00 FF FF 2C 01"));
    std::unique_ptr<ContainerBase> boxed(std::get<0>(readAll<ContainerBase*>()));
    EXPECT_TRUE(unbox<List<short>>(boxed.get()) == list);
    // A negative count reads nothing more; a truncated list keeps the values read whole
    cleared() << static_cast<short>(-5) << static_cast<short>(77) << static_cast<short>(3) << 10 << 20;
    s.write("\x01", 1), list.read(s);
    List<int> ints;
    const short after = std::get<0>(readAll<short>());
    const bool failedBefore = s.failed();
    ints.read(s);
    EXPECT_EQ(std::tuple(list.count(), after, failedBefore, ints.count(), s.failed()),
              std::tuple(0, 77, false, 2, true));
}

// A box whose type has no record goes as null, so that the rest of the stream stays readable; a type name
// nobody knows is reported and fails the stream without being registered; lists of such types are refused.
TEST_F(Stream, TypesWithoutARecordAreReportedAndNeverMadeUp) {
    std::vector<std::string> shown;
    const MessageBoxFunction old =
        setMessageBox([&](const std::string& text, const std::string& title, auto style) {
            return shown.push_back(title + "|" + text + "|" + std::to_string(style)), 0;
        });
    writeBoxes(Unrelayed{3});
    s << static_cast<short>(42);
    EXPECT_EQ(hex(s.str()), wire("00 00 2A 00"));
    EXPECT_EQ((std::tuple{readAll<ContainerBase*, short>(), s.failed()}),
              std::tuple(std::tuple(nullptr, 42), false));
    cleared() << static_cast<unsigned short>(1) << "Mystery" << static_cast<short>(1);
    std::uint16_t id = 0;
    EXPECT_EQ(
        (std::tuple{std::get<0>(readAll<ContainerBase*>()), s.failed(), Registry::lookUp("Mystery", id)}),
        std::tuple(nullptr, true, 0));
    List<Unrelayed> unrelayed;
    unrelayed << Unrelayed{1};
    unrelayed.write(cleared());
    EXPECT_EQ(std::tuple(s.failed(), hex(s.str())), std::tuple(true, wire("00 00")));
    const std::string notSent =
        "Error|Error: Unrelayed is not a registered class and cannot be sent to a remote "
        "machine.|64"; // an information icon
    EXPECT_EQ(shown, (std::vector<std::string>{
                         notSent, "Error|Error: Mystery is not a registered class and cannot be read.|64",
                         notSent}));
    List<Nameless> nameless;
    nameless << Nameless{};
    nameless.write(cleared());
    EXPECT_TRUE(s.failed());
    setMessageBox(old);
}

TEST_F(Stream, TruncatedOrTooDeeplyNestedBoxesReadAsNullAndFail) {
    buildRecords<long, LogicalCommandInfo>();
    writeBoxes(1L);
    const std::string whole = s.str();
    cleared().write(whole.data(), static_cast<std::int32_t>(whole.size()) - 1);
    EXPECT_EQ((std::tuple{std::get<0>(readAll<ContainerBase*>()), s.failed()}), std::tuple(nullptr, true));
    s.clear(); // a command holding a command holding a command ... deeper than any real payload
    std::unique_ptr<ContainerBase> nested;
    for (int i = 0; i <= SuperString::MaxObjectDepth; ++i)
        nested.reset(new Container<LogicalCommandInfo>(LogicalCommandInfo(0, nested.release())));
    s << nested.get();
    ASSERT_FALSE(s.failed());
    EXPECT_EQ((std::tuple{std::get<0>(readAll<ContainerBase*>()), s.failed(), s.objectDepth()}),
              std::tuple(nullptr, true, 0));
    s.clear(); // a box two deep whose value cannot be allocated: the depth comes back up all the same
    buildRecords<Exploding>();
    writeBoxes(LogicalCommandInfo(0, new Container<Exploding>()));
    ContainerBase* never = nullptr;
    EXPECT_THROW(s >> never, std::bad_alloc);
    EXPECT_EQ(std::tuple(s.objectDepth(), never), std::tuple(0, nullptr));
}

// A record cut inside its reply word fails and reads as null; the name of its first word, read whole,
// stays registered (an id once given is never taken back), the cut name is never registered.
TEST_F(Stream, ARecordCutShortLeavesOnlyTheNamesReadWhole) {
    buildRecords<LogicalCommandInfo>();
    writeBoxes(LogicalCommandInfo(1, nullptr, 2, BusMessage(ids("Moved")), BusMessage(ids("Replied"))));
    const std::string whole = s.str();
    // Cut inside "Replied" and its mode.
    cleared().write(whole.data(), static_cast<std::int32_t>(whole.size()) - 3);
    Registry::clearRegistry();
    std::uint16_t moved = 0, replied = 0;
    EXPECT_EQ((std::tuple{std::get<0>(readAll<ContainerBase*>()), s.failed(),
                          Registry::lookUp("Moved", moved), Registry::lookUp("Replied", replied)}),
              std::tuple(nullptr, true, 1, 0));
}

// A handler goes on only with the payload it expects: otherwise it reports with its own file and line and
// answers 0 without calling its worker, which would run on a value nobody set.
TEST_F(Stream, OnlyTheRightPayloadReachesTheWorker) {
    test::FailedChecks checks;
    Container<DIRECTION> box(SouthEast);
    Container<long> wrong(3);
    int calls = 0;
    auto worker = [&](const DIRECTION& d) { return ++calls, static_cast<std::uint32_t>(d) * 10; };
    EXPECT_EQ((std::tuple{callWithPayload<DIRECTION>(&box, "unit.cpp", 12, worker),
                          callWithPayload<DIRECTION>(&wrong, "leader.cpp", 321, worker),
                          callWithPayload<DIRECTION>(nullptr, "leader.cpp", 322, worker), calls}),
              std::tuple(40u, 0u, 0u, 1));
    EXPECT_EQ(checks.texts,
              std::vector<std::string>(2, "Bad data passed in bus message to function  Abort?"));
    EXPECT_EQ(checks.captions, (std::vector<std::string>{"Failure in leader.cpp at line 321.",
                                                         "Failure in leader.cpp at line 322."}));
    EXPECT_EQ((std::tuple{callWithPayload<DIRECTION>(&box, "f", 1, [&](DIRECTION d) { calls = d; }), calls}),
              std::tuple(0u, 4)); // a worker that answers nothing
    test::FailedChecks aborting(true);
    EXPECT_THROW(callWithPayload<DIRECTION>(&wrong, "rout.cpp", 77, worker), Assertion);
}

// ---- shared command records ----

TEST_F(Stream, CommandCopiesCloneTheBoxesAndEqualityIgnoresThem) {
    auto first = std::make_unique<LogicalCommandInfo>(4, new Container<short>(7), 9, BusMessage(70, 3),
                                                      BusMessage(71), new Container<long>(8));
    LogicalCommandInfo copy(*first);
    first.reset(); // the copy's boxes outlive the first record
    EXPECT_EQ(std::tuple(unbox<short>(copy.payload.get()), unbox<long>(copy.extra.get())), std::tuple(7, 8));
    // Equal when the command, the value and the ids of both words are: boxes and modes do not count.
    LogicalCommandInfo other(4, nullptr, 9, BusMessage(70, 1), BusMessage(71, 2), nullptr);
    EXPECT_TRUE(copy == other);
    EXPECT_FALSE(copy == LogicalCommandInfo(4, nullptr, 8, BusMessage(70), BusMessage(71)));
    EXPECT_FALSE(copy == LogicalCommandInfo(4, nullptr, 9, BusMessage(70), BusMessage(72)));
    // Assignment replaces both boxes by clones (null stays null) and leaves a record assigned to itself.
    other = copy;
    EXPECT_TRUE(other.payload && other.payload.get() != copy.payload.get());
    const LogicalCommandInfo nulls(1);
    copy = nulls;
    EXPECT_EQ(std::tuple(copy.payload.get(), copy.extra.get(), LogicalCommandInfo(nulls).extra.get()),
              std::tuple(nullptr, nullptr, nullptr));
    ContainerBase* held = other.extra.get();
    other = *&other;
    EXPECT_EQ(other.extra.get(), held);
}

// The order the display gives a command as it queues it goes with every copy, but two commands alike in
// all else are equal whatever their orders, and neither a record nor a saved game holds it: the bytes of
// one ordered are those of one never queued, and a record read back has none of its own.
TEST_F(Stream, ACommandsOrderIsCopiedButNeitherComparedNorWritten) {
    LogicalCommandInfo ordered(0x0102, nullptr, 0x0304, BusMessage(27), BusMessage(3, 3), nullptr);
    ordered.order = 0x0A0B0C0D;
    const LogicalCommandInfo copy(ordered);
    LogicalCommandInfo assigned(1);
    assigned.order = 5;
    assigned = ordered;
    LogicalCommandInfo self(2);
    self.order = 6;
    self = *&self;
    EXPECT_EQ(std::tuple(copy.order, assigned.order, self.order), std::tuple(0x0A0B0C0Du, 0x0A0B0C0Du, 6u));
    LogicalCommandInfo unordered(0x0102, nullptr, 0x0304, BusMessage(27), BusMessage(3, 3), nullptr);
    EXPECT_TRUE(ordered == unordered);
    EXPECT_TRUE(unordered == ordered);
    s << ordered;
    EXPECT_EQ(hex(s.str()), wire("02 01 00 00 04 03 00 00 00 00 00 00 1B 00 00 00 00 00 00 00 "
                                 "00 00 00 00 03 00 00 00 03 00 00 00"));
    LogicalCommandInfo back;
    s >> back;
    EXPECT_EQ(std::tuple(back.command, back.value, back.order), std::tuple(0x0102, 0x0304, 0u));
}

// A command's extra comes before its two words, which travel by name where they have one.
TEST_F(Stream, CommandAndSetTextRecordsGolden) {
    s << LogicalCommandInfo(0x0102, nullptr, 0x0304, BusMessage(27), BusMessage(3, 3), nullptr);
    // command, null, value, null, then each word as a name length of 0 and the plain word
    EXPECT_EQ(hex(s.str()), wire("02 01 00 00 04 03 00 00 00 00 00 00 1B 00 00 00 00 00 00 00 "
                                 "00 00 00 00 03 00 00 00 03 00 00 00"));
    LogicalCommandInfo back(9, new Container<short>(1), 9, BusMessage(), BusMessage(),
                            new Container<short>(2));
    s >> back;
    SuperString again; // read back and written again: the same bytes, the boxes read as null
    again << back;
    EXPECT_EQ(hex(again.str()), hex(s.str()));
    buildRecords<short, LogicalCommandInfo>();
    s.clear();
    writeBoxes(LogicalCommandInfo(1, new Container<short>(-1), 2, BusMessage(ids("Moved"), 3)));
    EXPECT_EQ(hex(s.str()),
              wire("01 00 12 00 'LogicalCommandInfo' 01 00 01 00 05 00 'short' FF FF 02 00 00 00 "
                   "05 00 00 00 'Moved' 03 00 00 00 00 00 00 00 00 00 00 00 00 00"));
    Registry::clearRegistry(); // read on a machine where "Moved" has another id
    ids("SomethingElse");
    std::unique_ptr<ContainerBase> boxed(std::get<0>(readAll<ContainerBase*>()));
    ASSERT_FALSE(s.failed());
    const LogicalCommandInfo out = unbox<LogicalCommandInfo>(boxed.get());
    EXPECT_EQ(std::tuple(out.command, out.value, out.event.word(), unbox<short>(out.payload.get()),
                         out.extra.get()),
              std::tuple(1, 2, 0x30000000u + ids("Moved"), -1, nullptr));
    const SetTextData empty;
    EXPECT_EQ(std::tuple(empty.target, empty.text), std::tuple(0u, ""));
    cleared() << SetTextData(1, "Hi", 2) << SetTextData(0xF0000001u, "", 0);
    EXPECT_EQ(hex(s.str()),
              wire("01 00 00 00 00 00 00 00 02 00 'Hi' 02 00 01 00 00 00 FF FF FF FF 00 00 00 00"));
    const auto [a, b] = readAll<SetTextData, SetTextData>();
    EXPECT_EQ(std::tuple(a.target, a.text, a.flag, b.target), std::tuple(1u, "Hi", 2, 0xF0000001u));
}

} // namespace
} // namespace vael
