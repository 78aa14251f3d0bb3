#include <gtest/gtest.h>

#include <string>

#include "framework/core/container.h"
#include "framework/core/geometry.h"
#include "framework/core/type_info.h"
#include "stream_test_support.h"

namespace vael {

// A type with a wire name but no record: the program never built a TypeInfo for it.
struct Unrelayed {
    short v = 0;
};
VAEL_TYPE_NAME(Unrelayed, "Unrelayed");
inline SuperString& operator<<(SuperString& s, const Unrelayed& u) {
    return s << u.v;
}
inline SuperString& operator>>(SuperString& s, Unrelayed& u) {
    return s >> u.v;
}

// A type with no wire name at all.
struct Nameless {
    int v = 0;
    bool operator==(const Nameless&) const = default;
};

namespace {

using testing_support::bytes;
using testing_support::hex;

class Boxes : public ::testing::Test {
protected:
    void SetUp() override { testing_support::resetRegistries(); }
    void TearDown() override { testing_support::resetRegistries(); }
};

TEST_F(Boxes, ACloneIsADistinctBoxWithTheSameValue) {
    Container<short> box(5);
    ContainerBase* copy = box.clone();
    ASSERT_NE(copy, &box);
    auto* typed = dynamic_cast<Container<short>*>(copy);
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->value(), 5);
    *typed->valuePtr() = 6;
    EXPECT_EQ(box.value(), 5);
    delete copy;
    EXPECT_EQ(Container<short>().value(), 0);
}

TEST_F(Boxes, TheGetterTakesOnlyItsOwnType) {
    Container<long> wrong(123);
    short out = 9;
    EXPECT_EQ(Container<short>::fromMessage(&wrong, out), 0);
    EXPECT_EQ(out, 9);
    EXPECT_EQ(Container<short>::fromMessage(nullptr, out), 0);
    EXPECT_EQ(out, 9);
    Container<short> right(-4);
    EXPECT_EQ(Container<short>::fromMessage(&right, out), 1);
    EXPECT_EQ(out, -4);
}

TEST_F(Boxes, ABoxOfAPointerNeverTouchesItsTarget) {
    int target = 3;
    {
        Container<int*> box(&target);
        ContainerBase* copy = box.clone();
        delete copy;
    }
    EXPECT_EQ(target, 3);
    EXPECT_EQ(Container<int*>().typeName(), "int *");
    EXPECT_EQ(Container<List<short>>().typeName(), "List<short>");
    EXPECT_EQ(Container<List<Point3D>*>().typeName(), "List<Point3D> *");
}

TEST_F(Boxes, TypeIdsAreMessageIdsOfTheTypeName) {
    Container<short> box(1);
    TypeInfo<short> info;
    EXPECT_EQ(box.typeId(), info.typeId());
    EXPECT_EQ(box.typeId(), RegisteredMessage::getId("short"));
    EXPECT_EQ(box.typeName(), "short");
    EXPECT_EQ(info.typeName(), "short");
}

TEST_F(Boxes, BuildingARecordTwiceRegistersOnce) {
    EXPECT_EQ(TypeInfoBase::registeredCount(), 0);
    TypeInfo<DIRECTION> first;
    TypeInfo<DIRECTION> second;
    EXPECT_EQ(TypeInfoBase::registeredCount(), 1);
    TypeInfoBase* found = TypeInfoBase::find(first.typeId());
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, &first); // the registry keeps its own record
    EXPECT_EQ(found->typeName(), "DIRECTION");
    EXPECT_TRUE(*found == second);
    EXPECT_EQ(TypeInfoBase::findByName("DIRECTION"), found);

    // A second record of the same type id handed in directly is refused and deleted.
    EXPECT_EQ(TypeInfoBase::registerType(new TypeInfo<DIRECTION>(second)), 0);
    EXPECT_EQ(TypeInfoBase::registeredCount(), 1);
}

TEST_F(Boxes, FindByNameOfAnUnknownTypeRegistersTheNameOnly) {
    EXPECT_EQ(TypeInfoBase::findByName("NoSuchType"), nullptr);
    std::uint16_t id = 0;
    EXPECT_EQ(RegisteredMessage::lookUp("NoSuchType", id), 1);
    EXPECT_EQ(TypeInfoBase::lookUp("AlsoUnknown"), nullptr);
    EXPECT_EQ(RegisteredMessage::lookUp("AlsoUnknown", id), 0);
}

TEST_F(Boxes, CleanUpDeletesEveryRecordAndTheyCanBeBuiltAgain) {
    TypeInfo<short> a;
    TypeInfo<long> b;
    EXPECT_EQ(TypeInfoBase::registeredCount(), 2);
    TypeInfoBase::cleanUp();
    EXPECT_EQ(TypeInfoBase::registeredCount(), 0);
    EXPECT_EQ(TypeInfoBase::findByName("short"), nullptr);
    TypeInfo<short> again;
    EXPECT_NE(TypeInfoBase::findByName("short"), nullptr);
}

// ---- boxes on a stream ----

TEST_F(Boxes, NullAndShortBoxesGolden) {
    TypeInfo<short> info;
    SuperString s;
    s << static_cast<const ContainerBase*>(nullptr);
    Container<short> seven(7);
    s << &seven;
    EXPECT_EQ(hex(s.str()), hex(bytes({0, 0, 1, 0, 5, 0, 's', 'h', 'o', 'r', 't', 7, 0})));
    ContainerBase* first = reinterpret_cast<ContainerBase*>(&s); // anything but null
    ContainerBase* second = nullptr;
    s >> first >> second;
    EXPECT_EQ(first, nullptr);
    ASSERT_NE(second, nullptr);
    short value = 0;
    EXPECT_EQ(Container<short>::fromMessage(second, value), 1);
    EXPECT_EQ(value, 7);
    delete second;
    EXPECT_FALSE(s.failed());
}

TEST_F(Boxes, EveryValueKindRoundTripsInABox) {
    TypeInfo<char> c;
    TypeInfo<unsigned char> uc;
    TypeInfo<unsigned short> us;
    TypeInfo<int> i;
    TypeInfo<long> l;
    TypeInfo<unsigned long> ul;
    TypeInfo<long long> ll;
    TypeInfo<double> d;
    TypeInfo<std::string> str;
    TypeInfo<BusMessage> bm;
    TypeInfo<SuperString> ss;
    SuperString s;
    Container<long> boxedLong(-123456);
    Container<unsigned long> boxedUnsigned(4000000000UL);
    Container<long long> boxedWide(-5);
    Container<double> boxedDouble(2.5);
    Container<std::string> boxedString(std::string("text"));
    Container<BusMessage> boxedWord(BusMessage(300, 2));
    Container<SuperString> boxedStream(SuperString(std::string("Battle.vel")));
    for (const ContainerBase* box : std::initializer_list<const ContainerBase*>{
             &boxedLong, &boxedUnsigned, &boxedWide, &boxedDouble, &boxedString, &boxedWord, &boxedStream})
        s << box;
    EXPECT_EQ(hex(s.str().substr(0, 12)),
              hex(bytes({1, 0, 4, 0, 'l', 'o', 'n', 'g', 0xC0, 0x1D, 0xFE, 0xFF})));
    ContainerBase* read[7] = {};
    for (auto& r : read)
        s >> r;
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(s.readPosition(), s.length());
    EXPECT_EQ(dynamic_cast<Container<long>*>(read[0])->value(), -123456);
    EXPECT_EQ(dynamic_cast<Container<unsigned long>*>(read[1])->value(), 4000000000UL);
    EXPECT_EQ(dynamic_cast<Container<long long>*>(read[2])->value(), -5);
    EXPECT_EQ(dynamic_cast<Container<double>*>(read[3])->value(), 2.5);
    EXPECT_EQ(dynamic_cast<Container<std::string>*>(read[4])->value(), "text");
    EXPECT_EQ(dynamic_cast<Container<BusMessage>*>(read[5])->value().word(), 0x2000012Cu);
    EXPECT_EQ(dynamic_cast<Container<SuperString>*>(read[6])->value().str(), "Battle.vel");
    for (auto* r : read)
        delete r;
}

TEST_F(Boxes, AnUnregisteredTypeIsReportedAndWrittenAsNull) {
    testing_support::MessageBoxRecorder boxes;
    SuperString s;
    Container<Unrelayed> box(Unrelayed{3});
    s << &box << static_cast<short>(42);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Error: Unrelayed is not a registered class and cannot be sent to a remote machine.");
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].style, MessageBoxIconInformation);
    EXPECT_EQ(hex(s.str()), hex(bytes({0, 0, 42, 0}))); // the rest of the stream stays readable
    ContainerBase* back = nullptr;
    short after = 0;
    s >> back >> after;
    EXPECT_EQ(back, nullptr);
    EXPECT_EQ(after, 42);
    EXPECT_FALSE(s.failed());
}

TEST_F(Boxes, AnUnknownTypeNameOnReadingIsReportedAndFails) {
    testing_support::MessageBoxRecorder boxes;
    SuperString s;
    s << static_cast<unsigned short>(1) << std::string("Mystery") << static_cast<short>(1);
    ContainerBase* back = reinterpret_cast<ContainerBase*>(&s);
    s >> back;
    EXPECT_EQ(back, nullptr);
    EXPECT_TRUE(s.failed());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Error: Mystery is not a registered class and cannot be read.");
    std::uint16_t id = 0;
    EXPECT_EQ(RegisteredMessage::lookUp("Mystery", id), 0); // outside bytes do not fill the registry
}

TEST_F(Boxes, ATruncatedBoxReadsAsNullAndFails) {
    TypeInfo<long> info;
    SuperString s;
    Container<long> box(1);
    s << &box;
    SuperString cut;
    cut.write(s.str().data(), s.length() - 1);
    ContainerBase* back = nullptr;
    cut >> back;
    EXPECT_EQ(back, nullptr);
    EXPECT_TRUE(cut.failed());
}

TEST_F(Boxes, BoxesNestedBeyondTheLimitFail) {
    TypeInfo<LogicalCommandInfo> info;
    // A command holding a command holding a command ... deeper than any real payload.
    SuperString s;
    for (int i = 0; i < SuperString::MaxObjectDepth + 5; ++i) {
        s << static_cast<unsigned short>(1) << std::string("LogicalCommandInfo")
          << static_cast<unsigned short>(0);
    }
    ContainerBase* back = nullptr;
    s >> back;
    EXPECT_EQ(back, nullptr);
    EXPECT_TRUE(s.failed());
    EXPECT_EQ(s.objectDepth(), 0);
}

// ---- lists ----

TEST_F(Boxes, ListsRoundTripThroughTheirElementRecord) {
    TypeInfo<short> info;
    List<short> list;
    list << 1 << -1 << 300;
    SuperString s;
    list.write(s);
    EXPECT_EQ(hex(s.str()), hex(bytes({3, 0, 1, 0, 0xFF, 0xFF, 0x2C, 0x01})));
    List<short> back;
    back << 99;
    back.read(s);
    EXPECT_TRUE(back == list);
    EXPECT_FALSE(s.failed());
}

TEST_F(Boxes, AnEmptyListReadsBackEmptyAndReadDiscardsWhatWasThere) {
    TypeInfo<std::string> info;
    List<std::string> empty(1);
    SuperString s;
    s << empty;
    EXPECT_EQ(hex(s.str()), "00 00");
    List<std::string> back(1);
    back << "stale"
         << "values";
    s >> back;
    EXPECT_EQ(back.count(), 0);
    // A negative count reads nothing more.
    SuperString negative;
    negative << static_cast<short>(-5) << static_cast<short>(77);
    List<std::string> none;
    none.read(negative);
    EXPECT_EQ(none.count(), 0);
    short after = 0;
    negative >> after;
    EXPECT_EQ(after, 77);
}

TEST_F(Boxes, ABoxedListGolden) {
    TypeInfo<short> shorts;
    TypeInfo<List<short>> lists;
    List<short> list;
    list << 5 << 6;
    Container<List<short>> box(list);
    SuperString s;
    s << &box;
    EXPECT_EQ(hex(s.str()), hex(bytes({1,   0,   11,  0,   'L', 'i', 's', 't', '<', 's', 'h',
                                       'o', 'r', 't', '>', 2,   0,   5,   0,   6,   0})));
    ContainerBase* back = nullptr;
    s >> back;
    List<short> out;
    ASSERT_EQ(Container<List<short>>::fromMessage(back, out), 1);
    EXPECT_TRUE(out == list);
    delete back;
}

TEST_F(Boxes, ATruncatedListKeepsOnlyTheValuesReadWhole) {
    TypeInfo<int> info;
    SuperString s;
    s << static_cast<short>(3) << 10 << 20;
    s.write("\x01", 1);
    List<int> back;
    back.read(s);
    EXPECT_TRUE(s.failed());
    EXPECT_EQ(back.count(), 2);
}

TEST_F(Boxes, ListsOfTypesWithoutARecordAreReportedAndFail) {
    testing_support::MessageBoxRecorder boxes;
    List<Unrelayed> unregistered;
    unregistered << Unrelayed{1};
    SuperString s;
    unregistered.write(s);
    EXPECT_TRUE(s.failed());
    EXPECT_EQ(hex(s.str()), "00 00");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Error: Unrelayed is not a registered class and cannot be sent to a remote machine.");

    // A list of a type with no wire name still compiles; streaming it is refused the same way.
    List<Nameless> nameless;
    nameless << Nameless{4};
    SuperString t;
    nameless.write(t);
    EXPECT_TRUE(t.failed());
    t.clear();
    t << static_cast<short>(1) << 4;
    nameless.read(t);
    EXPECT_TRUE(t.failed());
    EXPECT_EQ(nameless.count(), 0);
}

} // namespace
} // namespace vael
