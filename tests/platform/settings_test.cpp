#include "platform/settings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/whole_file.h"
#include "support/file_bytes.h"
#include "support/kept_umask.h"
#include "support/ordinary_user.h"
#include "support/temp_dir.h"

namespace vael::platform {
namespace {

using test::namesIn;
using namespace std::string_literals;

using Root = Settings::Root;
using Text = std::optional<std::string>;
using Number = std::optional<std::uint32_t>;
constexpr const char* Product = "SOFTWARE\\Tamblor\\Iron Vigils";
const std::string Preferences = std::string(Product) + "\\Preferences";

TEST(Settings, ReadsAHandWrittenFileWithoutRegardToCase) {
    Settings s;
    s.parse("; the machine's values\r\n"
            "[Machine\\SOFTWARE\\Tamblor\\Iron Vigils]\n"
            "\"Path\"=\"/usr/share/vael\"\n"
            "  \"Palette\"=\"a \\\"quoted\\\" \\\\ name\\nline two\"\n"
            "\"Install\"=dword:0000002A\n"
            "[user\\software\\tamblor\\iron vigils\\Preferences\\]\n"
            "\"Last A/I Type\"=dword:3\n");
    EXPECT_EQ((std::tuple{s.skippedLines(), s.readText(Root::Machine, Product, "path"),
                          s.readText(Root::Machine, "software\\TAMBLOR\\iron vigils", "PALETTE"),
                          s.readNumber(Root::Machine, Product, "Install"),
                          s.readNumber(Root::User, Preferences, "last a/i type")}),
              std::tuple(0, Text("/usr/share/vael"), Text("a \"quoted\" \\ name\nline two"), Number(42),
                         Number(3)));
    // A value of the other type, another root, or a missing key reads as missing.
    EXPECT_EQ(
        (std::tuple{s.readNumber(Root::Machine, Product, "Path"),
                    s.readText(Root::Machine, Product, "Install"), s.readText(Root::User, Product, "Path"),
                    s.readText(Root::Machine, "SOFTWARE\\Tamblor", "Path")}),
        std::tuple(Number(), Text(), Text(), Text()));
}

TEST(Settings, SkipsLinesItCannotReadAndKeepsTheRest) {
    for (const char* line : {
             "\"Volume\"=dword:123456789", // nine digits
             "\"Volume\"=dword:12g4",      // not hexadecimal
             "\"Volume\"=dword:",          // no digits
             "\"Name\"=\"unterminated",    // no closing quote
             "\"Name\"=\"text\" trailing", // text after the value
             "Name=\"unquoted name\"",     // name without quotes
             "\"Name\"\"no equals\"",      // no "="
             "[Registry\\SOFTWARE]",       // unknown root, and the value below it is lost too
             "[Machine SOFTWARE",          // no closing bracket or backslash
         }) {
        SCOPED_TRACE(line);
        Settings s;
        s.parse(std::string("[Machine\\K]\n\"Kept\"=\"yes\"\n") + line + "\n\"After\"=dword:1\n");
        const bool sectionLost = line[0] == '[';
        EXPECT_EQ((std::tuple{s.readText(Root::Machine, "K", "Kept"), s.skippedLines(),
                              s.readNumber(Root::Machine, "K", "After")}),
                  std::tuple(Text("yes"), sectionLost ? 2 : 1, sectionLost ? Number() : Number(1)));
    }
}

TEST(Settings, WritesEveryChangeToItsFileInTheDocumentedFormAndTextRoundTrips) {
    test::TempDir dir("settings");
    const auto file = dir / "vael" / "settings.ini";
    {
        Settings s(file);
        EXPECT_EQ((std::tuple{
                      s.writeText(Root::Machine, Product, "Path", "/data \"x\"\\y"),
                      s.writeNumber(Root::User, Preferences, "Volume", 0xBEEF),
                      s.writeNumber(Root::Machine, Product, "PATH", 7), // replaces, keeps the first spelling
                      s.writeNumber(Root::Machine, Product, "Path", 8)}),
                  std::tuple(true, true, true, true));
    }
    std::ostringstream written;
    written << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(written.str(), "[Machine\\SOFTWARE\\Tamblor\\Iron Vigils]\n"
                             "\"Path\"=dword:00000008\n"
                             "\n"
                             "[User\\SOFTWARE\\Tamblor\\Iron Vigils\\Preferences]\n"
                             "\"Volume\"=dword:0000beef\n"
                             "\n");
    Settings again(file);
    EXPECT_EQ((std::tuple{again.readNumber(Root::Machine, Product, "path"),
                          again.readNumber(Root::User, Preferences, "Volume")}),
              std::tuple(Number(8), Number(0xBEEF)));
    const std::string awkward = "line one\nline \"two\" \\ end\\";
    Settings(dir / "s.ini").writeText(Root::User, "K", "Name = odd\"", awkward);
    EXPECT_EQ(Settings(dir / "s.ini").readText(Root::User, "K", "name = ODD\""), awkward);
}

TEST(Settings, AFolderWhereTheFileShouldBeIsAnEmptyStoreThatSaysWhyAndKeepsNothing) {
    test::TempDir dir("settings-folder");
    std::filesystem::create_directories(dir / "settings.ini");
    Settings s(dir / "settings.ini");
    EXPECT_EQ(s.readError(), (dir / "settings.ini").string() + " is a folder, not a file");
    EXPECT_EQ(s.readText(Root::Machine, Product, "Path"), Text());
    EXPECT_FALSE(s.writeNumber(Root::User, Preferences, "Volume", 80));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "settings.ini"));
    // A file, or none at all, reads without a word.
    std::ofstream(dir / "real.ini") << "[User\\" << Preferences << "]\n\"Volume\"=dword:00000050\n";
    EXPECT_EQ(Settings(dir / "real.ini").readError(), "");
    EXPECT_EQ(Settings(dir / "none.ini").readError(), "");
}

// A store whose file cannot be written (a file where its folder should be, a folder in the file's place)
// keeps every value in memory all the same, and says why it could not keep it; a write that reaches the
// file again clears the reason.
TEST(Settings, AStoreThatCannotWriteItsFileKeepsItsValuesInMemoryAndSaysWhy) {
    test::TempDir dir("settings-unwritable");
    std::ofstream(dir / "config") << "a file, not a folder";
    const auto under = dir / "config" / "vael" / "settings.ini";
    Settings s(under);
    EXPECT_EQ(s.readError(), "");
    EXPECT_FALSE(s.writeDefaultText(Root::Machine, Product, "Path", "/data"));
    EXPECT_FALSE(s.writeDefaultText(Root::Machine, Product, "Palette", "VAEL.PAL"));
    EXPECT_EQ((std::tuple{s.readText(Root::Machine, Product, "Path"),
                          s.readText(Root::Machine, Product, "Palette")}),
              std::tuple(Text("/data"), Text("VAEL.PAL")));
    EXPECT_EQ(s.writeError().rfind("cannot make the folder " + (dir / "config" / "vael").string() + ": ", 0),
              0u)
        << s.writeError();

    std::filesystem::create_directories(dir / "folder" / "settings.ini");
    Settings folder(dir / "folder" / "settings.ini");
    EXPECT_FALSE(folder.writeText(Root::Machine, Product, "Path", "/data"));
    EXPECT_EQ(folder.readText(Root::Machine, Product, "Path"), Text("/data"));
    // The folder is there and was not read: the store never writes over it.
    EXPECT_EQ(folder.writeError(), (dir / "folder" / "settings.ini").string() + " is a folder, not a file");
    // Nothing of the failed writes is left beside the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "folder"),
                            std::filesystem::directory_iterator()),
              1);

    Settings fine(dir / "fine.ini");
    EXPECT_TRUE(fine.writeText(Root::Machine, Product, "Path", "/data"));
    EXPECT_EQ(fine.writeError(), "");
}

// What is not a regular file, or is far larger than a store, is not read: a FIFO would hold the program for
// ever, a device would fill its memory.
TEST(Settings, AFileThatIsNotRegularOrTooLargeIsAnEmptyStoreThatSaysWhy) {
    test::TempDir dir("settings-kinds");
    const auto fifo = dir / "fifo.ini", large = dir / "large.ini", largest = dir / "largest.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Settings(fifo).readError(), fifo.string() + " is not a regular file");
    EXPECT_EQ(Settings("/dev/zero").readError(), "/dev/zero is not a regular file");
    const std::string line = "[User\\" + std::string(Preferences) + "]\n\"Volume\"=dword:00000050\n";
    {
        std::ofstream out(largest, std::ios::binary);
        out << line << std::string(Settings::MaxFileSize - line.size(), '\n');
    }
    Settings most(largest);
    EXPECT_EQ(most.readError(), "");
    EXPECT_EQ(most.readNumber(Root::User, Preferences, "Volume"), Number(0x50));
    {
        std::ofstream out(large, std::ios::binary);
        out << line << std::string(Settings::MaxFileSize - line.size() + 1, '\n');
    }
    Settings over(large);
    EXPECT_EQ(over.readError(),
              large.string() + " is too large: 1048577 bytes, where at most 1048576 are expected");
    EXPECT_EQ(over.readNumber(Root::User, Preferences, "Volume"), Number());
}

std::string contentsOf(const std::filesystem::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

// What a store made in a child process says, the child run as an ordinary user (the owner of all rights
// reads every file): its read error, whether the two defaults of a start reached the file, its write error.
const std::string NoOrdinaryUser = "no ordinary user";
std::string startAsPlayer(const std::filesystem::path& file) {
    int answer[2];
    if (::pipe(answer) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        if (!test::becomeOrdinaryUser()) ::_exit(3);
        Settings s(file);
        const bool path = s.writeDefaultText(Root::Machine, Product, "Path", "/data");
        const bool palette = s.writeDefaultText(Root::Machine, Product, "Palette", "VAEL.PAL");
        const std::string said = s.readError() + "|" + (path ? "kept" : "not kept") + "|" +
                                 (palette ? "kept" : "not kept") + "|" + s.writeError() + "|" +
                                 s.readText(Root::Machine, Product, "Path").value_or("none");
        ::_exit(::write(answer[1], said.data(), said.size()) == static_cast<ssize_t>(said.size()) ? 0 : 4);
    }
    ::close(answer[1]);
    std::string said(4096, '\0');
    std::size_t got = 0;
    for (ssize_t n; (n = ::read(answer[0], said.data() + got, said.size() - got)) > 0;)
        got += static_cast<std::size_t>(n);
    ::close(answer[0]);
    said.resize(got);
    int status = -1;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return NoOrdinaryUser;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? said
                                                         : "the child ended with " + std::to_string(status);
}

// A file that is there and was not read holds the player's own choices: the store starts on its defaults
// in memory, says why, and never writes over the file, however often it is asked to. A file its reader may
// not open (met as an ordinary user in a folder of the player's), and one far larger than any store. The
// folder is one the ordinary user can reach wherever the checkout is.
TEST(Settings, AFileThatIsThereAndWasNotReadIsNeverWrittenOver) {
    test::OpenTempDir dir("vael-settings-unread");
    const std::string held = "[User\\" + Preferences + "]\n\"Volume\"=dword:00000031\n";
    const auto locked = dir / "locked" / "settings.ini", large = dir / "large" / "settings.ini";
    std::filesystem::create_directories(locked.parent_path());
    std::filesystem::create_directories(large.parent_path());
    std::ofstream(locked) << held;
    std::ofstream(large) << held;
    ASSERT_EQ(::truncate(large.c_str(), 2 << 20), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    // The large one is the player's to read whatever the umask of the run: refused for its size, not its
    // mode.
    ASSERT_EQ(::chmod(large.c_str(), 0644), 0);
    // The folders are the player's: a store that wrote would succeed.
    for (const auto& folder : {dir.path(), locked.parent_path(), large.parent_path()})
        ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    const std::string lockedWhy = "cannot open " + locked.string() + ": Permission denied";
    const std::string largeWhy =
        large.string() + " is too large: 2097152 bytes, where at most 1048576 are expected";
    const std::string lockedSaid = startAsPlayer(locked);
    const std::string largeSaid = startAsPlayer(large);
    ASSERT_EQ(::chmod(locked.c_str(), 0600), 0);
    EXPECT_EQ(contentsOf(locked), held);
    const std::string bytes = contentsOf(large);
    EXPECT_EQ(bytes.size(), 2u << 20);
    EXPECT_EQ(bytes.substr(0, held.size()), held);
    EXPECT_EQ(bytes.find_first_not_of('\0', held.size()), std::string::npos);
    EXPECT_EQ(namesIn(locked.parent_path()), std::vector<std::string>{"settings.ini"});
    EXPECT_EQ(namesIn(large.parent_path()), std::vector<std::string>{"settings.ini"});
    if (lockedSaid == NoOrdinaryUser && largeSaid == NoOrdinaryUser)
        GTEST_SKIP() << "skipped: root may not become an ordinary user here, and root reads every file";
    EXPECT_EQ(lockedSaid, lockedWhy + "|not kept|not kept|" + lockedWhy + "|/data");
    EXPECT_EQ(largeSaid, largeWhy + "|not kept|not kept|" + largeWhy + "|/data");
}

// A file whose size the system does not know (those of /proc say 0) is held to the same limit as it is read:
// the smaps of a process with some thousands of mappings runs to megabytes.
TEST(Settings, AProcFileOfMegabytesIsRefusedAsItIsReadNotTakenWhole) {
    const long page = ::sysconf(_SC_PAGESIZE);
    const std::size_t pages = 8192;
    void* area = ::mmap(nullptr, pages * page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(area, MAP_FAILED);
    // Every other page readable: each page a mapping of its own.
    for (std::size_t i = 0; i < pages; i += 2)
        ASSERT_EQ(::mprotect(static_cast<char*>(area) + i * page, page, PROT_READ), 0);
    Settings s("/proc/self/smaps");
    ::munmap(area, pages * page);
    EXPECT_EQ(s.readError(), "/proc/self/smaps is too large: it grew past 1048576 bytes as it was read");
    EXPECT_FALSE(s.writeNumber(Root::User, Preferences, "Volume", 80));
}

// Each time the store stops reaching its file, or fails for another reason, the report hears of it once;
// the same failure again is not told again, a failure after a write that went through is. A store whose
// file was not read tells nothing: its reader said it once.
TEST(Settings, AFailedWriteIsToldWhenItIsNewsNotAtEveryValue) {
    test::TempDir dir("settings-report");
    const auto file = dir / "vael" / "settings.ini";
    std::vector<std::string> told;
    Settings s(file);
    s.setWriteFailureReport([&](const std::string& why) { told.push_back(why); });
    EXPECT_TRUE(s.writeNumber(Root::User, Preferences, "Volume", 1));
    // A folder in the file's place after it was read: every write fails for one reason.
    std::filesystem::remove(file);
    std::filesystem::create_directories(file);
    EXPECT_FALSE(s.writeNumber(Root::User, Preferences, "Volume", 2));
    EXPECT_FALSE(s.writeNumber(Root::User, Preferences, "Volume", 3));
    const std::string folder = "cannot replace " + file.string() + ": Is a directory";
    EXPECT_EQ(told, std::vector<std::string>{folder});
    std::filesystem::remove(file);
    EXPECT_TRUE(s.writeNumber(Root::User, Preferences, "Volume", 4));
    std::filesystem::remove(file);
    std::filesystem::create_directories(file);
    EXPECT_FALSE(s.writeNumber(Root::User, Preferences, "Volume", 5));
    EXPECT_EQ(told, (std::vector<std::string>{folder, folder}));
    EXPECT_EQ(s.readNumber(Root::User, Preferences, "Volume"), Number(5));

    Settings unread("/dev/zero");
    unread.setWriteFailureReport([&](const std::string& why) { told.push_back(why); });
    EXPECT_FALSE(unread.writeNumber(Root::User, Preferences, "Volume", 6));
    EXPECT_EQ(unread.writeError(), "/dev/zero is not a regular file");
    EXPECT_EQ(told.size(), 2u);
}

// The file is never written larger than a start reads: a value that would take it past 1 MB stays in memory,
// told, and the file keeps what it held; one that brings it to exactly 1 MB is written and read back.
TEST(Settings, AFileIsNeverWrittenLargerThanTheNextStartReads) {
    test::TempDir dir("settings-size");
    const auto file = dir / "vael" / "settings.ini";
    // The section's line (48 bytes with its line feed), "Big"="..." and its line feed (9 bytes beside the
    // value), and the blank line after the section.
    const std::size_t around = 48 + 9 + 1;
    ASSERT_EQ(Settings::MaxFileSize, 1048576u);
    const std::string fits(Settings::MaxFileSize - around, 'a');
    std::vector<std::string> told;
    Settings s(file);
    s.setWriteFailureReport([&](const std::string& why) { told.push_back(why); });
    EXPECT_TRUE(s.writeText(Root::User, Preferences, "Big", fits)) << s.writeError();
    EXPECT_EQ(std::filesystem::file_size(file), Settings::MaxFileSize);
    EXPECT_EQ(Settings(file).readText(Root::User, Preferences, "Big"), Text(fits));
    const auto before = test::readBytes(file);
    EXPECT_FALSE(s.writeText(Root::User, Preferences, "Big", fits + "a"));
    EXPECT_EQ(s.readText(Root::User, Preferences, "Big"), Text(fits + "a"));
    EXPECT_EQ(told, std::vector<std::string>{file.string() + " would hold 1048577 bytes, more than the 1048576 a "
                                                              "start reads"});
    EXPECT_EQ(test::readBytes(file), before);
    EXPECT_EQ(namesIn(file.parent_path()), std::vector<std::string>{"settings.ini"});
}

// A file edited by hand keeps, across a start that writes to it, every line the store does not use as it
// stands: comments, a section of neither root and its values, lines it cannot read, a value written twice
// (the reader took the later one), the line ends and spelling of values that did not change. A changed
// value is written where it stood, a new one at the end of its key's section, a new key after the text.
TEST(Settings, AHandEditedFileKeepsWhatTheStoreDoesNotUseAsItStands) {
    test::TempDir dir("settings-edited");
    const auto file = dir / "settings.ini";
    const std::string edited = "; set by hand: the data on the big disk\r\n"
                               "[Machine\\SOFTWARE\\Tamblor\\Iron Vigils]\n"
                               "\"Path\"=\"/big/vael\"\n"
                               "  # the install's number, as the box said\n"
                               "\"Install\"=dword:0000002A\r\n"
                               "\n"
                               "[Display]\n"
                               "\"Depth\"=dword:00000008\n"
                               "[user\\software\\tamblor\\iron vigils\\Preferences]\n"
                               "\"Volume\"=dword:12g4\n"
                               "\"Volume\"=dword:00000010\n"
                               "\"volume\"=dword:00000031\n"
                               "a line of nothing\n"
                               "\"Speed\"=dword:00000002"; // no line feed at the end
    std::ofstream(file, std::ios::binary) << edited;
    Settings s(file);
    ASSERT_EQ(s.skippedLines(), 4); // the bad number, the section's root, its value, the line of nothing
    EXPECT_EQ(s.readNumber(Root::User, Preferences, "Volume"), Number(0x31));
    // A start: the defaults (one there, one not), a preference as it was, one changed, a key of its own.
    EXPECT_TRUE(s.writeDefaultText(Root::Machine, Product, "Path", "/data"));
    EXPECT_TRUE(s.writeDefaultText(Root::Machine, Product, "Palette", "VAEL.PAL"));
    EXPECT_TRUE(s.writeNumber(Root::User, Preferences, "Speed", 2));
    EXPECT_TRUE(s.writeNumber(Root::User, Preferences, "VOLUME", 0x50));
    EXPECT_TRUE(s.writeNumber(Root::User, std::string(Product) + "\\Placement", "X", 7));
    EXPECT_EQ(contentsOf(file), "; set by hand: the data on the big disk\r\n"
                                "[Machine\\SOFTWARE\\Tamblor\\Iron Vigils]\n"
                                "\"Path\"=\"/big/vael\"\n"
                                "  # the install's number, as the box said\n"
                                "\"Install\"=dword:0000002A\r\n"
                                "\"Palette\"=\"VAEL.PAL\"\n"
                                "\n"
                                "[Display]\n"
                                "\"Depth\"=dword:00000008\n"
                                "[user\\software\\tamblor\\iron vigils\\Preferences]\n"
                                "\"Volume\"=dword:12g4\n"
                                "\"Volume\"=dword:00000010\n"
                                "\"volume\"=dword:00000050\n"
                                "a line of nothing\n"
                                "\"Speed\"=dword:00000002\n"
                                "\n"
                                "[User\\SOFTWARE\\Tamblor\\Iron Vigils\\Placement]\n"
                                "\"X\"=dword:00000007\n"
                                "\n");
    // What was written reads back as the store held it, and a second start changes nothing.
    const std::string once = contentsOf(file);
    Settings again(file);
    EXPECT_EQ((std::tuple{again.readText(Root::Machine, Product, "Palette"),
                          again.readNumber(Root::User, Preferences, "Volume"),
                          again.readNumber(Root::User, std::string(Product) + "\\Placement", "x")}),
              std::tuple(Text("VAEL.PAL"), Number(0x50), Number(7)));
    EXPECT_TRUE(again.writeNumber(Root::User, Preferences, "Volume", 0x50));
    EXPECT_EQ(contentsOf(file), once);
}

// A file an editor began with a UTF-8 byte order mark reads as without it: its first section is the
// store's, and a write puts the new value there, the mark and every other byte kept as they stood.
TEST(Settings, AByteOrderMarkBeforeTheFirstSectionIsReadAsNoPartOfIt) {
    test::TempDir dir("settings-mark");
    const auto file = dir / "settings.ini";
    const std::string marked = "\xEF\xBB\xBF[Machine\\SOFTWARE\\Tamblor\\Iron Vigils]\r\n"
                               "\"Path\"=\"/big/vael\"\r\n";
    std::ofstream(file, std::ios::binary) << marked;
    Settings s(file);
    EXPECT_EQ(s.skippedLines(), 0);
    EXPECT_EQ(s.readText(Root::Machine, Product, "Path"), Text("/big/vael"));
    EXPECT_TRUE(s.writeDefaultText(Root::Machine, Product, "Path", "/data"));
    EXPECT_TRUE(s.writeDefaultText(Root::Machine, Product, "Palette", "VAEL.PAL"));
    EXPECT_EQ(contentsOf(file), marked + "\"Palette\"=\"VAEL.PAL\"\n");
    // Only the text's first bytes are a mark: the same bytes before a later section are a line of its own,
    // skipped and kept.
    Settings later;
    later.parse("; mine\n\xEF\xBB\xBF[User\\X]\n\"A\"=\"1\"\n");
    EXPECT_EQ(later.skippedLines(), 2);
    EXPECT_EQ(later.readText(Root::User, "X", "A"), Text());
}

// A NUL inside a section's name makes a key of its own, not the one named up to the NUL: the value under it
// is the one its line holds, and the file stays the same size however often it is written.
TEST(Settings, ANulInASectionsNameKeepsTheFileTheSameSizeAtEveryWrite) {
    test::TempDir dir("settings-nul");
    const auto file = dir / "settings.ini";
    const std::string held = "[User\\]\n[User\\\0]\n\"\"=\"\"\n"s;
    std::ofstream(file, std::ios::binary) << held;
    Settings s(file);
    EXPECT_EQ(s.readText(Root::User, std::string(1, '\0'), ""), Text(""));
    EXPECT_EQ(s.readText(Root::User, "", ""), Text());
    EXPECT_TRUE(s.writeNumber(Root::User, Preferences, "Volume", 1));
    const std::string once = contentsOf(file);
    EXPECT_EQ(once, held + "\n[User\\" + Preferences + "]\n\"Volume\"=dword:00000001\n\n");
    EXPECT_TRUE(s.writeNumber(Root::User, Preferences, "Volume", 1));
    EXPECT_EQ(contentsOf(file), once);
    Settings again(file);
    EXPECT_TRUE(again.writeNumber(Root::User, Preferences, "Volume", 1));
    EXPECT_EQ(contentsOf(file), once);
    // A root name with a NUL in it is no root.
    Settings root;
    root.parse("[User\0x\\K]\n\"A\"=\"1\"\n"s);
    EXPECT_EQ(root.skippedLines(), 2);
}

// The settings and the saves keep what the player made read-only by one rule: each file is refused by both
// writers or by neither.
TEST(Settings, TheSettingsAndTheSavesCallTheSameFilesReadOnly) {
    test::TempDir dir("settings-one-rule");
    const struct {
        mode_t mode; // 0: a FIFO
        bool readOnly;
    } rows[] = {{0444, true},  {0400, true},  {0555, true}, {0644, false},
                {0600, false}, {0200, false}, {0, false}};
    for (const auto& row : rows) {
        char named[40];
        std::snprintf(named, sizeof named, "mode %03o", unsigned(row.mode));
        SCOPED_TRACE(named);
        const auto file = dir / "settings.ini";
        std::filesystem::remove(file);
        if (row.mode) {
            std::ofstream(file) << "";
            ASSERT_EQ(::chmod(file.c_str(), row.mode), 0);
        } else {
            ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
        }
        EXPECT_EQ(readOnlyFile(file.string()), row.readOnly);
        EXPECT_EQ(Settings(file).writeError() == file.string() + " is read-only", row.readOnly);
        std::string error;
        if (row.mode) writeWholeFile(file.string(), {}, error);
        EXPECT_EQ(error.ends_with("it is read-only, and is kept as it is"), row.readOnly);
    }
}

// A file the player made read-only is read and never replaced while it stays so, the folder being his to
// write: the store says why from the start, plays on in memory, and reaches the file again once it may.
// Even the owner of all rights keeps off a file with no write permission at all.
TEST(Settings, AReadOnlyFileIsReadAndNeverReplaced) {
    test::TempDir dir("settings-read-only");
    const std::string held = "; mine\n[User\\" + Preferences + "]\n\"Volume\"=dword:00000031\n";
    const struct {
        const char* what;
        mode_t mode;
        bool written;
    } rows[] = {{"read-only to all", 0444, false},
                {"read-only to its owner", 0400, false},
                {"writable by its owner", 0644, true},
                {"writable by its owner alone", 0600, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto file = dir / "settings.ini";
        std::filesystem::remove(file);
        std::ofstream(file, std::ios::binary) << held;
        ASSERT_EQ(::chmod(file.c_str(), row.mode), 0);
        std::vector<std::string> told;
        Settings s(file);
        s.setWriteFailureReport([&](const std::string& why) { told.push_back(why); });
        const std::string why = row.written ? "" : file.string() + " is read-only";
        EXPECT_EQ(std::tuple(s.readError(), s.writeError()), std::tuple(std::string(), why));
        EXPECT_EQ(s.readNumber(Root::User, Preferences, "Volume"), Number(0x31));
        EXPECT_EQ(s.writeNumber(Root::User, Preferences, "Volume", 0x50), row.written);
        EXPECT_EQ(s.writeNumber(Root::User, Preferences, "Speed", 2), row.written);
        EXPECT_EQ(s.readNumber(Root::User, Preferences, "Volume"), Number(0x50));
        EXPECT_EQ(s.writeError(), why);
        // Said once, from the start: the writes that met the same reason tell nobody.
        EXPECT_TRUE(told.empty());
        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, row.mode);
        EXPECT_EQ(contentsOf(file) == held, !row.written);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"settings.ini"});
        if (row.written) continue;
        // Made writable, the file takes what the store held; made read-only again, it is told as news.
        ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
        EXPECT_TRUE(s.writeNumber(Root::User, Preferences, "Speed", 3));
        EXPECT_EQ(contentsOf(file), "; mine\n[User\\" + Preferences +
                                        "]\n\"Volume\"=dword:00000050\n\"Speed\"=dword:00000003\n");
        ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
        EXPECT_FALSE(s.writeNumber(Root::User, Preferences, "Speed", 4));
        EXPECT_EQ(told, std::vector<std::string>{file.string() + " is read-only"});
    }
}

// A first file gets what the umask leaves of read and write for all, as any file the player's programs make;
// a file that is there keeps its own permissions whatever the umask.
TEST(Settings, AFirstFileGetsThePermissionsTheUmaskGives) {
    test::TempDir dir("settings-umask");
    const struct {
        mode_t umask;
        mode_t before; // 0: no file yet
        mode_t after;
    } rows[] = {{077, 0, 0600}, {022, 0, 0644},    {027, 0, 0640},   {002, 0, 0664},
                {0, 0, 0666},   {077, 0644, 0644}, {022, 0600, 0600}};
    const test::KeptUmask kept;
    ::umask(022);
    for (const auto& row : rows) {
        char named[40];
        std::snprintf(named, sizeof named, "umask %03o, file %03o", unsigned(row.umask),
                      unsigned(row.before));
        SCOPED_TRACE(named);
        const auto file = dir / "settings.ini";
        std::filesystem::remove(file);
        if (row.before) {
            std::ofstream(file) << "";
            ASSERT_EQ(::chmod(file.c_str(), row.before), 0);
        }
        ::umask(row.umask);
        EXPECT_TRUE(Settings(file).writeNumber(Root::User, Preferences, "Volume", 1));
        ::umask(022);
        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, row.after);
    }
}

TEST(Settings, DefaultsAreWrittenOnlyWhereNothingIs) {
    Settings s;
    s.writeText(Root::Machine, Product, "Path", "/mine");
    s.writeDefaultText(Root::Machine, Product, "Path", "/default");
    s.writeDefaultText(Root::Machine, Product, "Palette", "vael.pal");
    EXPECT_EQ((std::tuple{s.readText(Root::Machine, Product, "Path"),
                          s.readText(Root::Machine, Product, "Palette")}),
              std::tuple(Text("/mine"), Text("vael.pal")));
}

TEST(Settings, TheDefaultFileFollowsTheConfigurationDirectory) {
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedConfig = oldConfig ? oldConfig : "", savedHome = oldHome ? oldHome : "";
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(Settings::defaultFile(), "/cfg/vael/settings.ini");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    ::setenv("HOME", "/home/p", 1);
    EXPECT_EQ(Settings::defaultFile(), "/home/p/.config/vael/settings.ini");
    oldConfig ? ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    oldHome ? ::setenv("HOME", savedHome.c_str(), 1) : ::unsetenv("HOME");
}

} // namespace
} // namespace vael::platform
