#include "framework/ui/map_file.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

// The question a failed check asks.
std::string asked(const std::string& message) {
    return message + "  Abort?";
}

// One record: the data-file field (13 bytes) and the archive field (128 bytes), each the given text padded
// with NULs; a text as long as its field leaves it without a NUL.
void appendRecord(Bytes& bytes, const std::string& dataFile, const std::string& archive) {
    const auto field = [&](const std::string& text, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            bytes.push_back(i < text.size() ? std::uint8_t(text[i]) : 0);
    };
    field(dataFile, 13);
    field(archive, 128);
}

using Records = std::vector<std::pair<std::string, std::string>>; // data file, archive

Bytes mapOf(std::int16_t count, const Records& records) {
    Bytes bytes{std::uint8_t(count & 0xFF), std::uint8_t((count >> 8) & 0xFF)};
    for (const auto& [dataFile, archive] : records)
        appendRecord(bytes, dataFile, archive);
    return bytes;
}

TEST(MapFile, ReadsRecordsAndRefusesAFileItsCountDoesNotFit) {
    const std::string name127(127, 'n'), name128(128, 'm');
    const Records two{{"A.OIF", "One"}, {"B.OIF", "Two"}}, cut{{"ABCDEFGHI.OI", std::string(127, 'm')}};
    const Bytes one = mapOf(1, {{"A", "B"}});
    Bytes short1 = one, over1 = one;
    short1.pop_back(), over1.push_back(0);
    const auto holds = [](int bytes, int count, int asked) {
        return "it holds " + std::to_string(bytes) + " bytes where its count of " + std::to_string(count) +
               " records asks for " + std::to_string(asked);
    };
    const struct {
        const char* what;
        Bytes bytes;
        Records records; // read
        std::string error;
    } rows[] = {
        {"count 0", {0x00, 0x00}, {}, ""},
        {"one record", mapOf(1, {{"ARMY.OIF", "Army"}}), {{"ARMY.OIF", "Army"}}, ""},
        {"longest names", mapOf(1, {{"ABCDEFGH.OIF", name127}}), {{"ABCDEFGH.OIF", name127}}, ""},
        {"fields without their NULs, cut", mapOf(1, {{"ABCDEFGHI.OIF", name128}}), cut, ""},
        {"two records", mapOf(2, two), two, ""},
        {"empty file", {}, {}, "it holds 0 bytes, too few for its record count"},
        {"one byte", {0x00}, {}, "it holds 1 bytes, too few for its record count"},
        {"negative count", {0xFF, 0xFF}, {}, "its record count -1 is negative"},
        {"one byte short", short1, {}, holds(142, 1, 143)},
        {"one byte over", over1, {}, holds(144, 1, 143)},
        {"count larger than the records", mapOf(2, {{"A", "B"}}), {}, holds(143, 2, 284)},
        {"largest count with no records", {0xFF, 0x7F}, {}, holds(2, 32767, 4620149)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MapFile map;
        const bool read = map.read(row.bytes.data(), row.bytes.size());
        Records got;
        for (const MapFileRecord& r : map.records())
            got.emplace_back(r.dataFile, r.archive);
        EXPECT_EQ((std::tuple{read, map.error(), got}),
                  (std::tuple{row.error.empty(), row.error, row.records}));
    }
}

// An archive that notes what it was asked to read.
class NotingArchive : public OIFBase {
public:
    explicit NotingArchive(const std::string& name) : OIFBase(name) {}
    void readFile(const std::string& path, std::istream& file) override {
        std::ostringstream text;
        text << file.rdbuf();
        reads.push_back(path + ": " + text.str());
    }
    void readMemory(const std::string&, const std::uint8_t*&, const std::uint8_t*) override {}
    void copyFrom(const OIFBase&) override {}
    void deleteImages() override {}
    OIFBase* clone(const std::string& name) const override { return new NotingArchive(name); }
    std::vector<std::string> reads;
};

class MapLookupTest : public ::testing::Test {
public:
    MapLookupTest() {
        os.settings().writeText(platform::Settings::Root::Machine, "SOFTWARE\\Tamblor\\Iron Vigils", "Path",
                                dir.path().string());
    }
    void writeMap(const Bytes& bytes, const char* name = "oiffile.map") {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void writeData(const char* name, const char* text) { std::ofstream(dir / name) << text; }

    TempDir dir{"map-lookup"};
    platform::HeadlessPlatform os;
};

TEST_F(MapLookupTest, TheFirstRecordOfTheArchiveNamesItsDataFile) {
    const std::string long127(127, 'x');
    writeMap(
        mapOf(4,
              {{"OTHER.OIF", "Other"}, {"ARMY.OIF", "Army"}, {"SECOND.OIF", "Army"}, {"LONG.OIF", long127}}),
        "OIFFILE.MAP"); // found without regard to case
    writeData("army.oif", "army data");
    writeData("long.oif", "long data");
    writeData("second.oif", "second data");
    TestWinApp app{os};
    FailedChecks checks;
    NotingArchive army("Army"), longName(long127), caseDiffers("army");
    app.findInMapFile(&army);
    app.findInMapFile(&longName);
    app.findInMapFile(&caseDiffers);
    EXPECT_EQ(army.reads, (std::vector<std::string>{(dir / "army.oif").string() + ": army data"}));
    EXPECT_EQ(longName.reads, (std::vector<std::string>{(dir / "long.oif").string() + ": long data"}));
    EXPECT_TRUE(caseDiffers.reads.empty());
    EXPECT_EQ(checks.texts, Texts{asked("army does not exist in the map file.")});
}

TEST_F(MapLookupTest, MissingOrBadFilesAreReportedAndNothingIsRead) {
    const std::string path = dir.path().string(), missing = "Army does not exist in the map file.";
    const struct {
        const char* what;
        std::optional<Bytes> map;
        const char* dataFile; // written when given
        Texts reports;
    } rows[] = {
        {"count 0", Bytes{0, 0}, nullptr, {missing}},
        {"no map file", std::nullopt, nullptr, {"Can't find " + path + "/oiffile.map", missing}},
        {"damaged map file",
         mapOf(2, {{"ARMY.OIF", "Army"}}),
         "army.oif",
         {"The map file " + path +
              "/oiffile.map is damaged: it holds 143 bytes where its count of 2 records asks for 284",
          missing}},
        {"no data file", mapOf(1, {{"Army.oif", "Army"}}), nullptr, {"Can't find " + path + "/Army.oif"}},
        {"data file out of the data directory",
         mapOf(1, {{"../x.oif", "Army"}}),
         "x.oif",
         {"Can't find " + path + "/../x.oif"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(dir / "oiffile.map");
        std::filesystem::remove(dir / "army.oif");
        if (row.map) writeMap(*row.map);
        if (row.dataFile) writeData(row.dataFile, "x");
        TestWinApp app{os};
        FailedChecks checks;
        NotingArchive army("Army");
        app.findInMapFile(&army);
        EXPECT_TRUE(army.reads.empty());
        Texts expected;
        for (const std::string& report : row.reports)
            expected.push_back(asked(report));
        EXPECT_EQ(checks.texts, expected);
    }
}

TEST_F(MapLookupTest, AMapFileLongerThanAnyCountAllowsIsRefusedUnread) {
    // 32767 records is the most a count can give: such a file is read, one byte more is not.
    Bytes bytes{0xFF, 0x7F};
    for (int i = 0; i < 32766; ++i)
        appendRecord(bytes, "OTHER.OIF", "Other");
    appendRecord(bytes, "ARMY.OIF", "Army");
    writeData("army.oif", "army");
    const std::string path = dir.path().string();
    for (const bool oneMore : {false, true}) {
        SCOPED_TRACE(oneMore);
        if (oneMore) bytes.push_back(0);
        writeMap(bytes);
        TestWinApp app{os};
        FailedChecks checks;
        NotingArchive army("Army");
        app.findInMapFile(&army);
        EXPECT_EQ(army.reads.size(), oneMore ? 0u : 1u);
        const Texts refused{
            asked("The map file " + path + "/oiffile.map is damaged: it cannot be read whole"),
            asked("Army does not exist in the map file.")};
        EXPECT_EQ(checks.texts, oneMore ? refused : Texts());
    }
}

TEST_F(MapLookupTest, AbortingAtAMissingMapFileThrows) {
    TestWinApp app{os};
    FailedChecks checks(true);
    NotingArchive army("Army");
    EXPECT_THROW(app.findInMapFile(&army), Assertion);
    EXPECT_EQ(checks.count(), 1u);
}

TEST_F(MapLookupTest, AnotherMapFileNameIsLookedUpInstead) {
    writeMap(mapOf(1, {{"A.OIF", "Army"}}), "other.map");
    writeData("a.oif", "a");
    TestWinApp app{os, "", "Other.MAP"};
    FailedChecks checks;
    NotingArchive army("Army");
    app.findInMapFile(&army);
    EXPECT_EQ(army.reads.size(), 1u);
    EXPECT_EQ(checks.count(), 0u);
}

} // namespace
} // namespace vael::test
