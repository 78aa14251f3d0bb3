// Image archives: the archive file and the image index read from hand-written bytes, look-ups by name and
// index, frame cycling, sharing between libraries of one name with their use counts, and damaged files
// refused whole while the program goes on.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

#include "framework/display/image_index.h"
#include "framework/display/oif.h"
#include "framework/display/oif_storage.h"
#include "support/display/archive_bytes.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary) << std::string(bytes.begin(), bytes.end());
}
std::istringstream streamOf(const Bytes& bytes) {
    return std::istringstream(std::string(bytes.begin(), bytes.end()));
}
// The bytes written over `bytes` at `at`, or the bytes cut to `at` when there are none.
Bytes damage(Bytes bytes, std::size_t at, const Bytes& over) {
    if (over.empty())
        bytes.resize(at);
    else
        std::copy(over.begin(), over.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

// Archives are found as the map file would find them: "Test" and "Other" are test.oif, other names none.
class OifTest : public ::testing::Test {
protected:
    OifTest() {
        writeFile(archivePath(), testArchive());
        app.onFindInMapFile = [this](OIFBase* library) {
            if (library->name() != "Test" && library->name() != "Other") return;
            std::ifstream file(archivePath(), std::ios::binary);
            library->readFile(archivePath(), file);
        };
        app.onFindDataFile = [this](OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) {
            findIndexedDataFile(library, cursor, end, dir.path().string(), "");
        };
    }
    std::string archivePath() const { return (dir / "test.oif").string(); }

    TestApplication app;
    TempDir dir{"oif"};
};

Bytes pixels(const Bitmap* b) {
    return b && b->bits() ? Bytes(b->bits(), b->bits() + b->dataSize()) : Bytes();
}

TEST_F(OifTest, TheArchiveFileIsReadIntoGroupsOfImagesWhosePixelsLoadOnTheFirstLockAndDrawAtTheirHotSpot) {
    OIF<Bitmap> lib("Test");
    EXPECT_EQ((std::tuple{lib.loaded(), lib.groupCount(), lib.totalImages(), lib.imageCount(0),
                          lib.imageCount(1), lib.currentGroupName()}),
              std::tuple(1, 2, 3, 2, 1, "Walk"));
    Bitmap* c = lib.image(2);
    EXPECT_EQ((std::tuple{c->name(), c->size(), c->hotSpot(), c->kind(), c->pixelOffset(), c->isLoaded()}),
              std::tuple("C", Dim(1, 1), Point(1, 2), 2, 869, false));
    EXPECT_EQ(lib.lockImage("C", "Stand"), c);
    EXPECT_EQ((std::tuple{c->isLoaded(), c->lockCount(), pixels(c)}), std::tuple(true, 1, Bytes{9, 0, 0, 0}));
    EXPECT_EQ(pixels(lib.lockImageInGroup("B", 0)), row({literal({4, 5, 6})}));
    // C's hot spot (1, 2): drawn at (2, 2) its pixel lands at (1, 0).
    Bitmap target(Dim(3, 3), PixelOpaque);
    EXPECT_EQ(target.drawWholeBitmap(Point(2, 2), *c, 1), Box(1, 0, 1, 1));
    EXPECT_EQ(pixelRows(target), (std::vector<Bytes>{{0, 9, 0}, {0, 0, 0}, {0, 0, 0}}));
    lib.unlockImage("C", "Stand");
    lib.unlockAll();
    EXPECT_EQ((std::tuple{c->lockCount(), lib.image(1)->lockCount()}), std::tuple(0, 0));
}

TEST_F(OifTest, LookUps) {
    OIF<Bitmap> lib("Test");
    struct Row {
        const char* name;
        std::function<int()> ask;
        int answer;
    } rows[] = {
        {"hasGroup", [&] { return lib.hasGroup("Stand"); }, 1},
        {"hasGroup is exact", [&] { return lib.hasGroup("stand"); }, 0},
        {"hasGroupIndex 1", [&] { return lib.hasGroupIndex(1); }, 1},
        {"hasGroupIndex 2", [&] { return lib.hasGroupIndex(2); }, 0},
        {"findGroup", [&] { return lib.findGroup("Stand"); }, 1},
        {"findImage in a group", [&] { return lib.findImage("C", 1); }, 2},
        {"findImage absent", [&] { return lib.findImage("Z", 1); }, -1},
        {"findImage in the current group", [&] { return lib.findImage("B", -1); }, 1},
        {"findImage of another group", [&] { return lib.findImage("C", -1); }, -1},
        {"imageIndex", [&] { return lib.imageIndex("C", "Stand"); }, 2},
        {"imageIndex of an absent group searches the current", [&] { return lib.imageIndex("B", "None"); },
         1},
        {"imageIndexAt", [&] { return lib.imageIndexAt(0, 1); }, 2},
        {"imageIndexAt past its group", [&] { return lib.imageIndexAt(1, 1); }, -1},
        {"imageIndexAt of the current frame", [&] { return lib.imageIndexAt(-1, -1); }, 0},
        {"findImageInCurrentGroup", [&] { return lib.findImageInCurrentGroup("B"); }, 1},
        {"lock of an absent image", [&] { return lib.lockImage("Z", "Walk") == nullptr; }, 1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.ask(), r.answer) << r.name;
}

TEST_F(OifTest, FramesCycleAndSelectionsByAbsentNamesAreMarked) {
    OIF<Bitmap> lib("Test");
    lib.selectGroup("Walk");
    std::vector<int> frames;
    for (int i = 0; i < 3; ++i)
        frames.push_back(lib.nextFrame());
    EXPECT_EQ(frames, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(lib.lockImageAt(-1, -1), lib.image(1));
    // A copy starts at the first group and the first frame of each, whatever the library it copies.
    lib.selectGroupIndex(1);
    OIF<Bitmap> copy;
    copy.copyFrom(lib);
    EXPECT_EQ((std::tuple{copy.currentGroup(), copy.currentFrame(), copy.loaded(), copy.image(1)}),
              std::tuple(0, 0, 1, lib.image(1)));
    lib.selectGroupIndex(0);
    lib.setCurrentFrameByName("A");
    EXPECT_EQ(lib.currentFrame(), 0);
    lib.setCurrentFrameByName("Z");
    EXPECT_EQ((std::tuple{lib.currentFrame(), lib.lockImageAt(-1, -1), lib.nextFrame()}),
              std::tuple(OIF<Bitmap>::NoFrame, nullptr, 0));
    EXPECT_EQ(lib.nextFrameOfGroup("Stand"), 0); // a group of one
    EXPECT_EQ(
        (std::tuple{lib.selectGroup("None"), lib.currentGroup(), lib.currentGroupName(), lib.imageCount()}),
        std::tuple(-1, -1, "", 0));
    EXPECT_EQ(&lib.selectGroupIndex(1), &lib);
    EXPECT_EQ(lib.currentGroupName(), "Stand");
}

TEST_F(OifTest, LibrariesOfOneNameShareTheirImagesAndTheLastOneDeletesThem) {
    auto first = std::make_unique<OIF<Bitmap>>("Test");
    EXPECT_EQ(app.imageLibraryCount("Test"), 2); // the list's own use and this one
    auto second = std::make_unique<OIF<Bitmap>>("Test");
    EXPECT_EQ((std::tuple{app.imageLibraryCount("Test"), first->image(0) == second->image(0),
                          std::count(app.log.begin(), app.log.end(), "findInMapFile Test")}),
              std::tuple(3, true, 1));
    first->lockImage("A", "Walk");
    EXPECT_TRUE(second->image(0)->isLoaded());
    first.reset();
    // The other library still draws its images.
    Bitmap target(Dim(2, 1), PixelOpaque);
    target.drawWholeBitmap(Point(0, 0), *second->lockImage("A", "Walk"), 1);
    EXPECT_EQ((std::tuple{app.imageLibraryCount("Test"), pixelRows(target)}),
              std::tuple(2, std::vector<Bytes>{{1, 2}}));
    second.reset();
    EXPECT_EQ(app.imageLibraryCount("Test"), 0);
}

// Libraries of one name hold one table, counted by its holders; each keeps its own frames.
TEST_F(OifTest, LibrariesOfOneNameHoldOneTableAndEachItsOwnFrames) {
    auto first = std::make_unique<OIF<Bitmap>>("Test");
    auto second = std::make_unique<OIF<Bitmap>>("Test");
    OIF<Bitmap> other("Other"); // the same file under another name: a table of its own
    EXPECT_EQ((std::tuple{first->tableUses(), second->tableUses(), other.tableUses(),
                          other.image(0) == first->image(0)}),
              std::tuple(3, 3, 2, false));
    first->selectGroup("Walk");
    first->nextFrame();
    second->selectGroup("Walk");
    EXPECT_EQ((std::tuple{first->currentFrame(), second->currentFrame(), second->imageIndexAt()}),
              std::tuple(1, 0, 0));
    first.reset();
    EXPECT_EQ(second->tableUses(), 2);
    // A copy of no archive of its kind holds no table, and one refused drops the table it held.
    OIF<Bitmap> copy;
    copy.copyFrom(*second);
    EXPECT_EQ(second->tableUses(), 3);
    std::istringstream cut = streamOf(damage(testArchive(), 800, {}));
    copy.readFile("cut.oif", cut);
    EXPECT_EQ((std::tuple{copy.tableUses(), copy.totalImages(), second->tableUses(), second->totalImages()}),
              std::tuple(0, 0, 2, 3));
    OIF<WindowsBitmap> pictures;
    pictures.copyFrom(*second);
    EXPECT_EQ((std::tuple{pictures.tableUses(), pictures.loaded(), pictures.groupCount()}),
              std::tuple(0, 1, 0));
}

// The index's images stay records until one is asked for; looking one up by name makes none.
TEST_F(OifTest, AnIndexImageIsMadeFromItsRecordWhenFirstAskedFor) {
    const Bytes index = testIndexEntry("First", "test.oif");
    ImageIndex images;
    images.read(index.data(), index.size());
    OIF<Bitmap>& lib = *images.library(0);
    auto made = [&] { return std::vector<bool>{lib.isImageMade(0), lib.isImageMade(1), lib.isImageMade(2)}; };
    EXPECT_EQ((std::tuple{lib.findImage("C", 1), lib.imageIndex("B", "Walk"), lib.findImage("Z", 0), made()}),
              std::tuple(2, 1, -1, std::vector<bool>{false, false, false}));
    lib.unlockAll(); // nothing made, nothing to unlock
    lib.selectGroupIndex(1);
    lib.setCurrentFrameByName("C");
    EXPECT_EQ((std::tuple{lib.currentFrame(), made()}),
              std::tuple(0, std::vector<bool>{false, false, false}));
    Bitmap* c = lib.image(2);
    EXPECT_EQ((std::tuple{c->name(), c->size(), c->hotSpot(), c->kind(), c->dataSize(), c->pixelOffset(),
                          c->fileName(), c->isLoaded(), made()}),
              std::tuple("C", Dim(1, 1), Point(1, 2), 2, 4u, 869, archivePath(), false,
                         std::vector<bool>{false, false, true}));
    // Made once: the library that shares the table is given the same image.
    OIF<Bitmap> again("First");
    EXPECT_EQ((std::tuple{again.image(2), again.lockImageAt(0, 1)}), std::tuple(c, c));
    EXPECT_EQ((std::tuple{c->lockCount(), pixels(c), lib.isImageMade(-1), lib.isImageMade(3)}),
              std::tuple(1, Bytes{9, 0, 0, 0}, false, false));
    again.unlockAll();
    EXPECT_EQ(c->lockCount(), 0);
}

// Names fill their field, stop at a NUL with bytes after it, or are empty: each is found and made whole.
TEST_F(OifTest, IndexRecordsKeepTheirNamesAndFieldsExactly) {
    const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWX"; // 24 characters: no NUL in the field
    Bytes entry;
    putText(entry, "Names", 64);
    putText(entry, "test.oif", 13);
    put16(entry, 1), put16(entry, 3);
    putText(entry, "G", 24), put16(entry, 3);
    putCompact(entry, full, 2, 1, -3, 4, 1, 4, 420);
    Bytes cut;
    putText(cut, "Ab", 24);
    cut[3] = 'Z', cut[4] = 'z'; // after the NUL: not part of the name
    append(entry, cut);
    put16(entry, 3), put16(entry, 2), put16(entry, 0), put16(entry, 1), put16(entry, 4);
    put32(entry, 6), put32(entry, 574);
    putCompact(entry, "", 0, 0, 0, 0, 2, 0, 7);
    ImageIndex images;
    images.read(entry.data(), entry.size());
    OIF<Bitmap>& lib = *images.library(0);
    ASSERT_EQ(lib.totalImages(), 3);
    struct Row {
        std::string name;
        std::int16_t index;
        Dim size;
        Point hotSpot;
        std::int32_t kind;
        std::uint32_t dataSize;
        std::int32_t offset;
    } rows[] = {
        {full, 0, Dim(2, 1), Point(-3, 4), 1, 4, 420},
        {"Ab", 1, Dim(3, 2), Point(0, 1), 4, 6, 574},
        {"", 2, Dim(0, 0), Point(0, 0), 2, 0, 7},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(lib.findImage(r.name, 0), r.index);
        const Bitmap* b = lib.image(r.index);
        EXPECT_EQ((std::tuple{b->name(), b->size(), b->hotSpot(), b->kind(), b->dataSize(), b->pixelOffset(),
                              b->isValid()}),
                  std::tuple(r.name, r.size, r.hotSpot, r.kind, r.dataSize, r.offset, true));
    }
    EXPECT_EQ((std::tuple{lib.findImage("AbZz", 0), lib.findImage(full.substr(0, 23), 0)}),
              std::tuple(-1, -1));
}

TEST_F(OifTest, AnUnknownNameAndTheDefaultLibraryLoadNothing) {
    OIF<Bitmap> unknown("Nowhere");
    OIF<Bitmap> none;
    EXPECT_EQ((std::tuple{unknown.groupCount(), unknown.lockImageAt(0, 0), none.name(), none.loaded(),
                          app.imageLibraryCount(OIF<Bitmap>::DefaultName)}),
              std::tuple(0, nullptr, "Default OIF", 0, 0));
}

TEST_F(OifTest, TheImageIndexLoadsEveryLibraryItNamesFromTheDataFile) {
    Bytes index = testIndexEntry("First", "test.oif");
    append(index, testIndexEntry("Second", "TEST.OIF")); // found without regard to case
    writeFile(dir / ImageIndex::FileName, index);
    {
        ImageIndex images;
        ASSERT_TRUE(images.read(dir.path().string()));
        EXPECT_EQ((std::tuple{images.count(), images.library(1)->name(), app.imageLibraryCount("First"),
                              app.imageLibraryCount("Second")}),
                  std::tuple(2, "Second", 2, 2));
        OIF<Bitmap> again("First"); // shared with the index's library
        Bitmap* b = again.lockImage("B", "Walk");
        EXPECT_EQ((std::tuple{app.imageLibraryCount("First"), b->pixelOffset(), b->fileName(), pixels(b)}),
                  std::tuple(3, 574, archivePath(), row({literal({4, 5, 6})})));
        EXPECT_EQ(pixels(images.library(0)->lockImageAt(0, 1)), (Bytes{9, 0, 0, 0}));
        EXPECT_EQ(pixels(images.library(1)->lockImageAt(0, 1)), (Bytes{9, 0, 0, 0}));
    }
    EXPECT_EQ(app.imageLibraryCount("First"), 0);
}

// An index that is there and cannot be read is told as it is, by name and reason, never as one that
// cannot be found: a sparse gigabyte, a folder in its place.
TEST_F(OifTest, AnIndexThatIsThereAndCannotBeReadIsToldByNameAndReason) {
    const auto huge = dir / "huge", folder = dir / "folder";
    std::filesystem::create_directories(huge);
    std::filesystem::create_directories(folder / "oiffile.hed");
    { std::ofstream make(huge / "oiffile.hed", std::ios::binary); }
    ASSERT_EQ(::truncate((huge / "oiffile.hed").c_str(), std::int64_t(1) << 30), 0);
    const struct {
        const char* what;
        std::filesystem::path directory;
        std::string said;
    } rows[] = {
        {"a sparse gigabyte", huge,
         "The image index " + (huge / "oiffile.hed").string() +
             " is too large: 1073741824 bytes, where at most 268435456 are expected  Abort?"},
        {"a folder", folder,
         "The image index " + (folder / "oiffile.hed").string() + " is a folder, not a file  Abort?"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        FailedChecks checks;
        ImageIndex index;
        EXPECT_FALSE(index.read(row.directory.string()));
        EXPECT_EQ(checks.texts, std::vector<std::string>{row.said});
    }
}

TEST_F(OifTest, AMissingIndexAndAMissingDataFileAreReported) {
    FailedChecks checks;
    ImageIndex none;
    EXPECT_FALSE(none.read((dir / "absent").string()));
    Bytes index = testIndexEntry("Lost", "lost.oif");
    append(index, testIndexEntry("Found", "test.oif"));
    append(index, testIndexEntry("Nameless", "")); // the directory itself is no data file
    ImageIndex images;
    images.read(index.data(), index.size());
    EXPECT_EQ((std::tuple{images.count(), images.library(2)->lockImageAt(0, 0)->bits()}),
              std::tuple(3, nullptr));
    // The entry is read all the same: the next one is found, and the lost one's images draw nothing.
    Bitmap* lost = images.library(0)->lockImageAt(0, 0);
    EXPECT_EQ((std::tuple{images.library(1)->totalImages(), lost->bits()}), std::tuple(3, nullptr));
    images.library(0)->lockImageAt(0, 0); // reported once, not at every lock
    // The nameless entry's images, whose file is the folder, are not told again as missing at their lock.
    EXPECT_EQ(checks.texts, (std::vector<std::string>{
                                "Can't find " + (dir / "absent" / "oiffile.hed").string() + "  Abort?",
                                "Can't find lost.oif  Abort?", "Can't find   Abort?",
                                "Can't find " + (dir / "lost.oif").string() + "  Abort?"}));
}

// Damaged archives: each is refused whole, with a trace line, and the library stays empty and usable.
TEST_F(OifTest, DamagedArchivesAreRefusedWhole) {
    struct Row {
        const char* name;
        std::size_t at; // where the damage goes (or the length the file is cut to)
        Bytes bytes;    // written over the archive at `at`; empty: cut the file there
    } rows[] = {
        {"negative group count", 128, {0xFF, 0xFF}},
        {"more groups than the file holds", 128, {0xFF, 0x7F}},
        {"image count short of the groups", 130, {2, 0}},
        {"image count past the groups", 130, {4, 0}},
        {"group larger than the archive", 132 + 128, {9, 0}},
        {"negative group size", 132 + 128, {0xFF, 0xFF}},
        {"next-group offset past the end", 132 + 134, {0xFF, 0xFF, 0, 0}},
        {"negative width", 270 + 128, {0xFF, 0xFF}},
        {"raw data smaller than the rows", 270 + 138, {3, 0, 0, 0}},
        {"pixels past the end of the file", 719 + 138, {5, 0, 0, 0}},
        {"cut inside a header", 800, {}},
        {"cut inside the title", 100, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::istringstream file = streamOf(damage(testArchive(), r.at, r.bytes));
        OIF<Bitmap> lib;
        lib.readFile("damaged.oif", file);
        EXPECT_EQ((std::tuple{lib.loaded(), lib.groupCount(), lib.totalImages(), lib.lockImageAt(0, 0)}),
                  std::tuple(0, 0, 0, nullptr));
    }
}

TEST_F(OifTest, DamagedRunLengthPixelsLeaveTheImageUnloaded) {
    Bytes archive = testArchive();
    archive[574] = 9; // B's row word says 9 bytes where 7 are left
    writeFile(archivePath(), archive);
    OIF<Bitmap> lib("Test");
    Bitmap* b = lib.lockImage("B", "Walk");
    Bitmap target(Dim(3, 1), PixelOpaque);
    EXPECT_EQ((std::tuple{b->isLoaded(), b->bits(), target.drawWholeBitmap(Point(0, 0), *b, 1)}),
              std::tuple(false, nullptr, Box()));
}

// Pixels are read at their first lock from the archive as it is then: one written anew since the headers
// were read gives its new bytes, one cut short leaves the image unloaded.
TEST_F(OifTest, PixelsComeFromTheArchiveAsItIsAtTheirFirstLock) {
    OIF<Bitmap> lib("Test");
    EXPECT_EQ(pixels(lib.lockImage("C", "Stand")), (Bytes{9, 0, 0, 0}));
    Bitmap* a = lib.image(0);
    Bitmap* b = lib.image(1);
    Bytes next = testArchive();
    next[static_cast<std::size_t>(a->pixelOffset())] = 3;
    // Written beside the old one and renamed over it, as the forge writes archives.
    writeFile(dir / "next.oif", next);
    std::filesystem::rename(dir / "next.oif", archivePath());
    EXPECT_EQ(pixels(lib.lockImage("A", "Walk")), (Bytes{3, 2, 0, 0}));
    std::filesystem::resize_file(archivePath(), static_cast<std::uintmax_t>(b->pixelOffset()) + 1);
    lib.lockImage("B", "Walk");
    EXPECT_EQ((std::tuple{b->isLoaded(), b->bits()}), std::tuple(false, nullptr));
}

TEST_F(OifTest, ARunLengthImageDrawsOnceItsPixelsLoad) {
    OIF<Bitmap> lib("Test");
    Bitmap* b = lib.image(1);
    Bitmap target(Dim(3, 1), PixelOpaque);
    EXPECT_EQ(target.drawWholeBitmap(Point(0, 0), *b, 1), Box());
    lib.lockImage("B", "Walk");
    EXPECT_EQ(target.drawWholeBitmap(Point(0, 0), *b, 1), Box(0, 0, 3, 1));
    EXPECT_EQ(pixelRows(target), (std::vector<Bytes>{{4, 5, 6}}));
}

TEST_F(OifTest, DamagedIndexEntriesAreRefusedAndTheRestOfTheIndexPassedOver) {
    const std::string first = "the entry of the archive \"First\" is cut short or wrong",
                      second = "the entry of the archive \"Second\" is cut short or wrong";
    struct Row {
        const char* name;
        std::size_t at;
        Bytes bytes;
        std::int16_t count;  // libraries made
        std::int16_t images; // of the first
        std::string damage;  // what the index is told to have wrong
    } rows[] = {
        // Entry: name 0, data file 64, counts 77 and 79, groups 81 (size at 105 and 131), records 133.
        {"negative group count", 77, {0xFF, 0xFF}, 1, 0, first},
        {"image count past the entry", 79, {0x40, 0}, 1, 0, first},
        {"group size past the images", 105, {7, 0}, 1, 0, first},
        {"image count short of the groups", 79, {2, 0}, 1, 0, first},
        {"negative image width", 133 + 24, {0xFF, 0xFF}, 2, 0, first},
        {"cut inside the second name", 259 + 30, {}, 1, 3, "it ends inside a library's name"},
        {"cut inside the second data file's name", 259 + 70, {}, 2, 3, second},
        {"cut inside the second entry's records", 259 + 140, {}, 2, 3, second},
        {"whole", 518, {}, 2, 3, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Bytes index = testIndexEntry("First", "test.oif");
        append(index, testIndexEntry("Second", "test.oif"));
        ASSERT_EQ(index.size(), 518u);
        index = damage(index, r.at, r.bytes);
        ImageIndex images;
        EXPECT_EQ(images.read(index.data(), index.size()), r.damage);
        EXPECT_EQ((std::tuple{images.count(), images.library(0)->totalImages()}),
                  std::tuple(r.count, r.images));
    }    // A damaged entry's name holding a control byte (a DEL) is told with the byte escaped: the text reaches
    // the terminal and the failed check's box.
    Bytes index = testIndexEntry("Fir\x7Ft", "test.oif");
    index = damage(index, 77, {0xFF, 0xFF});
    ImageIndex images;
    EXPECT_EQ(images.read(index.data(), index.size()), "the entry of the archive \"Fir\\x7Ft\" is cut short or wrong");
}

// The index file emptied, or cut in half: told as the index, by its path, in the failed check's box; never
// a silent start with no pictures, nor a trace line blaming an archive. What a cut one holds whole is kept.
TEST_F(OifTest, AnEmptiedOrCutIndexFileIsToldAsTheIndex) {
    Bytes index = testIndexEntry("First", "test.oif");
    append(index, testIndexEntry("Second", "test.oif"));
    const auto path = (dir / ImageIndex::FileName).string();
    {
        writeFile(path, Bytes{});
        FailedChecks checks;
        ImageIndex images;
        EXPECT_FALSE(images.read(dir.path().string()));
        EXPECT_EQ(checks.texts, std::vector<std::string>{"The image index " + path + " is empty  Abort?"});
    }
    {
        writeFile(path, damage(index, index.size() / 2 + 10, {})); // inside the second name
        FailedChecks checks;
        ImageIndex images;
        EXPECT_TRUE(images.read(dir.path().string()));
        EXPECT_EQ(checks.texts,
                  std::vector<std::string>{"The image index " + path +
                                           " is damaged: it ends inside a library's name  Abort?"});
        EXPECT_EQ((std::tuple{images.count(), images.library(0)->totalImages()}), std::tuple(1, 3));
    }
    {
        writeFile(path, index);
        FailedChecks checks;
        ImageIndex images;
        EXPECT_TRUE(images.read(dir.path().string()));
        EXPECT_EQ(checks.texts, std::vector<std::string>{});
    }
}

// Window pictures come from the same archives, read whole with their records, kinds not consulted.
TEST_F(OifTest, WindowPicturesAreReadWholeFromTheSameArchive) {
    {
        OIF<WindowsBitmap> pictures("Test");
        const WindowsBitmap* a = pictures.lockImage("A", "Walk");
        const WindowsBitmap* c = pictures.lockImageAt(0, 1);
        const platform::Surface s = a->surface();
        EXPECT_EQ(
            (std::tuple{pictures.totalImages(), a->size(), s.width, s.height, s.pitch,
                        Bytes(s.pixels, s.pixels + 2), c->surface().pixels[0], WindowsBitmap::liveCount()}),
            std::tuple(3, Dim(2, 1), 2, 1, 4, Bytes{1, 2}, 9, 3));
    }
    EXPECT_EQ(WindowsBitmap::liveCount(), 0);
    std::istringstream file = streamOf(damage(testArchive(), 870, {})); // C's pixels cut short
    OIF<WindowsBitmap> damaged;
    damaged.readFile("cut.oif", file);
    const Bytes entry = testIndexEntry("Index", "test.oif");
    const std::uint8_t* cursor = entry.data() + 77;
    damaged.readMemory("test.oif", cursor, entry.data() + entry.size());
    EXPECT_EQ((std::tuple{damaged.loaded(), damaged.totalImages(), cursor == entry.data() + entry.size(),
                          WindowsBitmap::liveCount()}),
              std::tuple(0, 0, true, 0));
}

TEST(OifStorageTest, ARecordIsNamedByTheFirst128BytesAtTheFilesPosition) {
    Bytes bytes{9};
    putText(bytes, "Elephant", 128);
    std::istringstream file = streamOf(bytes);
    file.get();
    OIFStorage record(file);
    OIFStorage copy(record);
    std::istringstream cut("short");
    EXPECT_EQ((std::tuple{record.name(), copy.name(), OIFStorage(cut).name(), OIFStorage().name()}),
              std::tuple("Elephant", "Elephant", "", ""));
}

} // namespace
} // namespace vael::test
