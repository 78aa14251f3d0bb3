#include "platform/settings.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "support/temp_dir.h"

namespace vael::platform {
namespace {

using Root = Settings::Root;
constexpr const char* Product = "SOFTWARE\\Tamblor\\Iron Vigils";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Settings, ReadsAHandWrittenFileWithoutRegardToCase) {
    Settings s;
    s.parse("; the machine's values\r\n"
            "[Machine\\SOFTWARE\\Tamblor\\Iron Vigils]\n"
            "\"Path\"=\"/usr/share/vael\"\n"
            "  \"Palette\"=\"a \\\"quoted\\\" \\\\ name\\nline two\"\n"
            "\"Install\"=dword:0000002A\n"
            "[user\\software\\tamblor\\iron vigils\\Preferences\\]\n"
            "\"Last A/I Type\"=dword:3\n");
    EXPECT_EQ(s.skippedLines(), 0);
    EXPECT_EQ(s.readText(Root::Machine, Product, "path"), "/usr/share/vael");
    EXPECT_EQ(s.readText(Root::Machine, "software\\TAMBLOR\\iron vigils", "PALETTE"),
              "a \"quoted\" \\ name\nline two");
    EXPECT_EQ(s.readNumber(Root::Machine, Product, "Install"), 42u);
    EXPECT_EQ(s.readNumber(Root::User, std::string(Product) + "\\Preferences", "last a/i type"), 3u);
    // A value of the other type, another root, or a missing key reads as missing.
    EXPECT_EQ(s.readNumber(Root::Machine, Product, "Path"), std::nullopt);
    EXPECT_EQ(s.readText(Root::Machine, Product, "Install"), std::nullopt);
    EXPECT_EQ(s.readText(Root::User, Product, "Path"), std::nullopt);
    EXPECT_EQ(s.readText(Root::Machine, "SOFTWARE\\Tamblor", "Path"), std::nullopt);
}

TEST(Settings, SkipsLinesItCannotReadAndKeepsTheRest) {
    const struct {
        const char* line;
    } rows[] = {
        {"\"Volume\"=dword:123456789"}, // nine digits
        {"\"Volume\"=dword:12g4"},      // not hexadecimal
        {"\"Volume\"=dword:"},          // no digits
        {"\"Name\"=\"unterminated"},    // no closing quote
        {"\"Name\"=\"text\" trailing"}, // text after the value
        {"Name=\"unquoted name\""},     // name without quotes
        {"\"Name\"\"no equals\""},      // no "="
        {"[Registry\\SOFTWARE]"},       // unknown root, and the value below it is lost too
        {"[Machine SOFTWARE"},          // no closing bracket or backslash
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        Settings s;
        s.parse(std::string("[Machine\\K]\n\"Kept\"=\"yes\"\n") + row.line + "\n\"After\"=dword:1\n");
        EXPECT_EQ(s.readText(Root::Machine, "K", "Kept"), "yes");
        const bool sectionLost = row.line[0] == '[';
        EXPECT_EQ(s.skippedLines(), sectionLost ? 2 : 1);
        EXPECT_EQ(s.readNumber(Root::Machine, "K", "After"), sectionLost ? std::nullopt : std::optional(1u));
    }
}

TEST(Settings, WritesEveryChangeToItsFileInTheDocumentedForm) {
    test::TempDir dir("settings");
    const auto file = dir / "vael" / "settings.ini";
    {
        Settings s(file);
        EXPECT_TRUE(s.writeText(Root::Machine, Product, "Path", "/data \"x\"\\y"));
        EXPECT_TRUE(
            s.writeNumber(Root::User, "SOFTWARE\\Tamblor\\Iron Vigils\\Preferences", "Volume", 0xBEEF));
        EXPECT_TRUE(s.writeNumber(Root::Machine, Product, "PATH", 7)); // replaces, keeps the first spelling
        EXPECT_TRUE(s.writeNumber(Root::Machine, Product, "Path", 8));
    }
    EXPECT_EQ(readFile(file), "[Machine\\SOFTWARE\\Tamblor\\Iron Vigils]\n"
                              "\"Path\"=dword:00000008\n"
                              "\n"
                              "[User\\SOFTWARE\\Tamblor\\Iron Vigils\\Preferences]\n"
                              "\"Volume\"=dword:0000beef\n"
                              "\n");
    Settings again(file);
    EXPECT_EQ(again.readNumber(Root::Machine, Product, "path"), 8u);
    EXPECT_EQ(again.readNumber(Root::User, std::string(Product) + "\\Preferences", "Volume"), 0xBEEFu);
}

TEST(Settings, TextRoundTripsThroughTheFile) {
    test::TempDir dir("settings-text");
    const std::string awkward = "line one\nline \"two\" \\ end\\";
    Settings(dir / "s.ini").writeText(Root::User, "K", "Name = odd\"", awkward);
    EXPECT_EQ(Settings(dir / "s.ini").readText(Root::User, "K", "name = ODD\""), awkward);
}

TEST(Settings, DefaultsAreWrittenOnlyWhereNothingIs) {
    Settings s;
    s.writeText(Root::Machine, Product, "Path", "/mine");
    s.writeDefaultText(Root::Machine, Product, "Path", "/default");
    s.writeDefaultText(Root::Machine, Product, "Palette", "vael.pal");
    EXPECT_EQ(s.readText(Root::Machine, Product, "Path"), "/mine");
    EXPECT_EQ(s.readText(Root::Machine, Product, "Palette"), "vael.pal");
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
