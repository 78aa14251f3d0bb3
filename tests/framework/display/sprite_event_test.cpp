#include "framework/display/sprite_event.h"

#include <gtest/gtest.h>

#include <sstream>

#include "framework/core/super_string.h"
#include "framework/core/type_info.h"
#include "support/failed_checks.h"

namespace vael {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}
Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
// The fields a load gives an event, its payload's value when it is a short (else -1).
auto fields(const SpriteEvent& e) {
    short v = -1;
    Container<short>::fromMessage(e.payload(), v);
    return std::tuple{e.target, e.region, e.kind, e.newLayer, e.restartFrames, v};
}

// Target (1, -2, 3, 0x01020304), region 7, kind 1, new layer -1, restart 2, then the payload's piece.
const Bytes head = {0x01, 0x00, 0xFE, 0xFF, 0x03, 0x00, 0x04, 0x03, 0x02,
                    0x01, 0x07, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x02, 0x00};
const Bytes nullPiece = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00};
// A box of short 9: flag 1, the type name "short", the value.
const Bytes shortPiece = {0x0B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00,
                          's',  'h',  'o',  'r',  't',  0x09, 0x00};

Bytes joined(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

SpriteEvent sample(ContainerBase* payload) {
    return SpriteEvent(7, Point4D(1, -2, 3, 0x01020304), List<Bitmap*>(), -1, SpritePhasedMove, 2, payload);
}

class SpriteEventBytes : public ::testing::Test {
protected:
    SpriteEventBytes() { TypeInfo<short> registered; }
};

TEST_F(SpriteEventBytes, SavesFieldByField) {
    for (const auto& [payload, piece] : std::vector<std::pair<ContainerBase*, Bytes>>{
             {nullptr, nullPiece}, {new Container<short>(9), shortPiece}}) {
        SCOPED_TRACE(piece.size());
        std::ostringstream out;
        sample(payload).save(out);
        EXPECT_EQ(bytesOf(out.str()), joined(head, piece));
    }
}

TEST_F(SpriteEventBytes, LoadsWhatWasSavedAndStopsAtItsEnd) {
    std::istringstream in(text(joined(joined(head, shortPiece), {0xAB})));
    SpriteEvent e;
    ASSERT_TRUE(e.load(in));
    EXPECT_EQ(fields(e), std::tuple(Point4D(1, -2, 3, 0x01020304), 7, SpritePhasedMove, -1, 2, 9));
    EXPECT_EQ(in.get(), 0xAB);
}

TEST_F(SpriteEventBytes, ShortOrDamagedBytesLeaveTheEventAsItWas) {
    test::FailedChecks checks;
    const Bytes whole = joined(head, shortPiece);
    std::vector<Bytes> damaged;
    for (std::size_t n = 0; n < whole.size(); ++n)
        damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    Bytes longer = joined(head, shortPiece);
    longer[18] = 0x0C; // the piece claims a byte more than its box
    longer.push_back(0);
    damaged.push_back(longer);
    Bytes shorter = joined(head, shortPiece);
    shorter[18] = 0x0A; // a byte less: the box's value is cut
    damaged.push_back(shorter);
    Bytes unknown = joined(head, shortPiece);
    unknown[18 + 8] = 'x'; // "xhort" names no type
    damaged.push_back(unknown);
    Bytes huge = head;
    huge.insert(huge.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x01});
    damaged.push_back(huge);
    for (const Bytes& bytes : damaged) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        SpriteEvent e(3, Point4D(5, 5, 5, 5), List<Bitmap*>(), 4, SpriteHold, 6, new Container<long>(1));
        std::istringstream in(text(bytes));
        EXPECT_FALSE(e.load(in));
        EXPECT_EQ((std::tuple{e.target, e.region, e.kind, e.payload() ? e.payload()->typeName() : ""}),
                  std::tuple(Point4D(5, 5, 5, 5), 3, SpriteHold, "long"));
    }
}

TEST_F(SpriteEventBytes, TravelsOnFrameworkStreamsWithoutTargetOrFrames) {
    SuperString s;
    s << sample(new Container<short>(9));
    const Bytes expected = {0x07, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x02, 0x00, 0x01, 0x00,
                            0x05, 0x00, 's',  'h',  'o',  'r',  't',  0x09, 0x00};
    EXPECT_EQ(bytesOf(s.str()), expected);
    SpriteEvent back;
    back.target = Point4D(8, 8, 8, 8);
    s >> back;
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(fields(back), std::tuple(Point4D(8, 8, 8, 8), 7, SpritePhasedMove, -1, 2, 9));
}

} // namespace
} // namespace vael
