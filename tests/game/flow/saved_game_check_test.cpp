// The whole-file check of a saved game, pinned by hand-written bytes: the record "VCRC" and the CRC-32 of
// every byte before it, little-endian, at the file's end; taken off again only when it matches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/flow/saved_game.h"

namespace vael {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(SavedGameCheck, TheRecordIsTheTagAndTheZipCrcOfEveryByteBeforeItLittleEndian) {
    // The CRC-32 of "123456789" is CBF43926 and that of nothing is 0, by the zip format's definition.
    Bytes file = text("123456789");
    sealSavedGame(file);
    EXPECT_EQ(file, join(text("123456789VCRC"), Bytes{0x26, 0x39, 0xF4, 0xCB}));
    Bytes empty;
    sealSavedGame(empty);
    EXPECT_EQ(empty, (Bytes{'V', 'C', 'R', 'C', 0, 0, 0, 0}));
    // One byte: the CRC-32 of "a" is E8B7BE43.
    Bytes twice = text("a");
    sealSavedGame(twice);
    EXPECT_EQ(savedGameChecksum(twice.data(), 1), 0xE8B7BE43u);
    EXPECT_EQ(twice, join(text("aVCRC"), Bytes{0x43, 0xBE, 0xB7, 0xE8}));
}

// A body whose check's four bytes are themselves "VCRC": a whole record, not a cut one.
TEST(SavedGameCheck, ACheckThatSpellsTheTagIsStillAWholeRecord) {
    const Bytes body{'f', 'o', 'r', 'g', 'e', 0x3E, 0x04, 0xDB, 0x73};
    EXPECT_EQ(savedGameChecksum(body.data(), body.size()), 0x43524356u); // "VCRC", little-endian
    Bytes file = join(body, text("VCRCVCRC"));
    std::string error;
    ASSERT_TRUE(unsealSavedGame(file, error)) << error;
    EXPECT_EQ(file, body);
    // Cut inside that record it is still cut short.
    Bytes cut = join(body, text("VCRCVCR"));
    EXPECT_FALSE(unsealSavedGame(cut, error));
    EXPECT_EQ(error, "the saved game is cut short: it ends inside its check");
}

TEST(SavedGameCheck, AMatchingRecordIsTakenOffAndAnyChangedByteIsRefusedWithTheFileLeftAsItWas) {
    const Bytes sealed = join(text("123456789VCRC"), Bytes{0x26, 0x39, 0xF4, 0xCB});
    Bytes file = sealed;
    std::string error;
    ASSERT_TRUE(unsealSavedGame(file, error)) << error;
    EXPECT_EQ(file, text("123456789"));
    EXPECT_EQ(error, "");
    // Every bit of the covered bytes and of the sum; the tag's own bits leave a file without a record.
    for (std::size_t at = 0; at < sealed.size(); ++at)
        for (int bit = 0; bit < 8; ++bit) {
            SCOPED_TRACE("byte " + std::to_string(at) + " bit " + std::to_string(bit));
            Bytes flipped = sealed;
            flipped[at] ^= static_cast<std::uint8_t>(1u << bit);
            Bytes read = flipped;
            error.clear();
            const bool inTag = at >= 9 && at < 13;
            EXPECT_EQ(unsealSavedGame(read, error), inTag);
            EXPECT_EQ(read, flipped);
            EXPECT_EQ(error, inTag ? "" : "the saved game is damaged: its check does not match");
        }
}

TEST(SavedGameCheck, AFileWithoutTheRecordIsReadAsItStands) {
    const struct {
        const char* what;
        Bytes file;
    } rows[] = {
        {"nothing", {}},
        {"nine bytes, the tag one place early", join(text("VCRC"), Bytes{0, 0, 0, 0, 0})},
        {"an old game's last bytes", join(text("GHATMAR.SCN"), Bytes{7, 0, 0, 0, 1, 0, 2, 0})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes file = row.file;
        std::string error;
        EXPECT_TRUE(unsealSavedGame(file, error));
        EXPECT_EQ(file, row.file);
        EXPECT_EQ(error, "");
    }
    // Eight bytes that are a record of nothing: taken off, leaving nothing.
    Bytes bare = join(text("VCRC"), Bytes{0, 0, 0, 0});
    std::string error;
    EXPECT_TRUE(unsealSavedGame(bare, error));
    EXPECT_EQ(bare, Bytes{});
}

TEST(SavedGameCheck, AFileCutShortInsideItsRecordIsRefusedAndOneCutBeforeItsTagIsReadAsItStands) {
    const Bytes sealed = join(text("123456789VCRC"), Bytes{0x26, 0x39, 0xF4, 0xCB});
    for (std::size_t cut = 1; cut <= 5; ++cut) {
        SCOPED_TRACE("cut by " + std::to_string(cut));
        const Bytes file(sealed.begin(), sealed.end() - static_cast<std::ptrdiff_t>(cut));
        Bytes read = file;
        std::string error;
        // Four bytes cut leave the tag whole at the end; five leave "VCR", which may be any file's end.
        EXPECT_EQ(unsealSavedGame(read, error), cut == 5);
        EXPECT_EQ(read, file);
        EXPECT_EQ(error, cut == 5 ? "" : "the saved game is cut short: it ends inside its check");
    }
    // Nothing before the cut record: still refused.
    Bytes bare = join(text("VCRC"), Bytes{0, 0, 0});
    std::string error;
    EXPECT_FALSE(unsealSavedGame(bare, error));
    EXPECT_EQ(error, "the saved game is cut short: it ends inside its check");
}

} // namespace
} // namespace vael
