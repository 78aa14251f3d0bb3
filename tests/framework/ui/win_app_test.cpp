#include <gtest/gtest.h>

#include "framework/ui/accelerator_table.h"
#include "framework/ui/string_table.h"
#include "support/bus_recorder.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using Root = platform::Settings::Root;

// The palette seam: a maker that notes the file name it is given.
std::vector<std::string> madePalettes;
int destroyedPalettes = 0;
LogicalPalette* makePalette(const std::string& fileName) {
    madePalettes.push_back(fileName);
    static char palette;
    return reinterpret_cast<LogicalPalette*>(&palette);
}
void destroyPalette(LogicalPalette*) {
    ++destroyedPalettes;
}

TEST(WinApp, ReadsTheDataDirectoryAndPaletteUnderItsVendorAndProductKey) {
    const struct {
        const char* vendor;
        const char* key;
        const char* path;
        const char* palette;
    } rows[] = {
        {"", "SOFTWARE\\Tamblor\\Iron Vigils", "/data", "VAEL.PAL"},
        {"Other", "SOFTWARE\\Other\\Iron Vigils", "/other", "other.pal"},
        {"Other", "SOFTWARE\\Tamblor\\Iron Vigils", "", ""}, // the key of another vendor
        {"", "SOFTWARE\\Tamblor", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        platform::HeadlessPlatform os;
        os.settings().writeText(Root::Machine, row.key, "Path", row.path[0] ? row.path : "/wrong");
        os.settings().writeText(Root::Machine, row.key, "Palette",
                                row.palette[0] ? row.palette : "wrong.pal");
        os.settings().writeText(Root::User, "SOFTWARE\\Tamblor\\Iron Vigils", "Path", "/user");
        madePalettes.clear();
        destroyedPalettes = 0;
        WinApp::setPaletteMaker(makePalette, destroyPalette);
        {
            TestWinApp app{os, row.vendor};
            EXPECT_EQ(
                (std::tuple{app.vendorName(), app.mapFileName(), app.dataPath(), madePalettes,
                            app.getPalette() != nullptr}),
                (std::tuple{std::string(row.vendor[0] ? row.vendor : "Tamblor"), std::string("oiffile.map"),
                            std::string(row.path), std::vector<std::string>{row.palette}, true}));
        }
        EXPECT_EQ(destroyedPalettes, 1);
        WinApp::setPaletteMaker(nullptr, nullptr);
        TestWinApp app{os, row.vendor};
        EXPECT_EQ(app.getPalette(), nullptr);
    }
}

TEST(WinApp, MessageBoxesShowTheButtonsAndIconOfTheirStyle) {
    const struct {
        std::uint16_t style;
        MessageButtons buttons;
        MessageIcon icon;
    } rows[] = {
        {0x00, MessageButtons::Ok, MessageIcon::None},
        {0x01, MessageButtons::OkCancel, MessageIcon::None},
        {0x12, MessageButtons::AbortRetryIgnore, MessageIcon::Stop},
        {0x23, MessageButtons::YesNoCancel, MessageIcon::Question},
        {0x34, MessageButtons::YesNo, MessageIcon::Exclamation},
        {0x45, MessageButtons::RetryCancel, MessageIcon::Information},
        {0x56, MessageButtons::Ok, MessageIcon::None}, // no such buttons or icon
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        platform::HeadlessPlatform os;
        TestWinApp app{os};
        os.answers = {MessageAnswer::Retry};
        EXPECT_EQ(app.messageBox("Text", "Title", row.style), 4);
        ASSERT_EQ(os.boxes.size(), 1u);
        EXPECT_EQ((std::tuple{os.boxes[0].text, os.boxes[0].title, os.boxes[0].buttons, os.boxes[0].icon}),
                  (std::tuple{std::string("Text"), std::string("Title"), row.buttons, row.icon}));
    }
}

TEST(WinApp, StringsComeFromTheBuiltInTable) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    const std::pair<std::uint16_t, const char*> rows[] = {{31, "Greek"},
                                                          {88, "Now starting game..."},
                                                          {90, "(R)"},
                                                          {109, "Please wait"},
                                                          {121, "Hex:"},
                                                          {122, ""},
                                                          {150, "Interpretor Error"},
                                                          {156, "Execution of Orders block failed."},
                                                          {157, ""}};
    for (const auto& [id, text] : rows)
        EXPECT_EQ(app.loadString(id), text) << id;
    EXPECT_TRUE(StringTable::builtIn().errors().empty());
}

TEST(StringTable, ReadsIdsAndEscapedTexts) {
    StringTable table;
    table.add("# comment\n"
              "1 one\r\n"
              "2 tab\\there\\nnext \\\\ end\\\n"
              "3\n"
              "65535 last\n"
              "1 again\n"
              "65536 too big\n"
              "x no id\n"
              "4one no blank\n"
              " 5 leading blank\n"
              "\n",
              "test");
    using Found = std::optional<std::string>;
    EXPECT_EQ(
        (std::vector{table.find(1), table.find(2), table.find(3), table.find(65535), table.find(4),
                     table.find(5)}),
        (std::vector<Found>{"one", "tab\there\nnext \\ end\\", "", "last", std::nullopt, std::nullopt}));
    EXPECT_EQ(table.size(), 4u);
    EXPECT_EQ(table.errors(),
              (std::vector<std::string>{"test line 6: string 1 given twice", "test line 7: no string id",
                                        "test line 8: no string id", "test line 9: no string id",
                                        "test line 10: no string id"}));
}

TEST(AcceleratorTable, ReadsKeysWithModifiersAndFindsExactMatches) {
    AcceleratorTable table("# keys\n"
                           "Ctrl+M 219\n"
                           "  shift+ctrl+f12\t7  \n"
                           "Alt+x 0\n"
                           "PageDown 65535\n"
                           "9 3\n"
                           "Ctrl+M\n"
                           "Ctrl+MM 1\n"
                           "Hyper+M 1\n"
                           "F13 1\n"
                           "F0 1\n"
                           "Ctrl+M 65536\n"
                           "Ctrl+M 2x\n");
    using namespace platform;
    using Found = std::optional<std::uint16_t>;
    EXPECT_EQ((std::vector{table.find('M', ModControl), table.find('M', ModControl | ModShift),
                           table.find('M', 0), table.find(KeyF12, ModControl | ModShift),
                           table.find('X', ModAlt), table.find(KeyPageDown, 0), table.find('9', 0)}),
              (std::vector<Found>{219, std::nullopt, std::nullopt, 7, 0, 65535, 3}));
    EXPECT_EQ(table.entries().size(), 5u);
    EXPECT_EQ(table.errors(),
              (std::vector<std::string>{"line 7: no command id", "line 8: unknown key \"MM\"",
                                        "line 9: unknown key \"Hyper+M\"", "line 10: unknown key \"F13\"",
                                        "line 11: unknown key \"F0\"", "line 12: bad command id \"65536\"",
                                        "line 13: bad command id \"2x\""}));
    ASSERT_NE(AcceleratorTable::load("MAIN"), nullptr);
    EXPECT_TRUE(AcceleratorTable::load("MAIN")->errors().empty());
    EXPECT_EQ(AcceleratorTable::load("Other"), nullptr);
}

TEST(WinApp, TypedTextBecomesOneCharacterMessageEach) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    RecordingWindow main("main");
    WinApp::setMainWindowHandle(app.addWindow(&main));
    postText(os, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xFF\xC3"); // a, e acute, euro, a face, two bad bytes
    pumpAll(app);
    std::vector<std::uintptr_t> chars;
    for (const WindowMessage& m : main.got)
        chars.push_back(m.message == MessageChar ? m.wParam : 0);
    EXPECT_EQ(chars, (std::vector<std::uintptr_t>{'a', 0xE9, 0x20AC, 0x1F600, 0xFFFD, 0xFFFD}));
}

TEST(WinApp, TheFileChoiceGivesAPathOfAnyLength) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    const std::string longPath = "/" + std::string(400, 'd') + "/game.vel";
    os.chosenFiles = {longPath, std::nullopt};
    std::string name = "old";
    EXPECT_EQ((std::pair{app.openFileDialog(name, "Saved Games", "*.vel"), name}), (std::pair{1, longPath}));
    EXPECT_EQ((std::pair{app.openFileDialog(name, "Saved Games", "*.vel"), name}), (std::pair{0, longPath}));
    EXPECT_EQ(os.fileChoices[1].description, "Saved Games");
}

TEST(WinApp, CursorsTickCountBeepAndClipboardGoToThePlatform) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    app.beginWait();
    EXPECT_EQ(app.setCursor(WinApp::arrowCursor()), WinApp::waitCursor());
    EXPECT_EQ(os.cursors, (std::vector<platform::Cursor>{platform::Cursor::Wait, platform::Cursor::Arrow}));
    os.advance(1234);
    app.beep();
    EXPECT_EQ((std::tuple{app.tickCount(), os.beeps}), (std::tuple{1234u, 1}));
    // Text goes only to an open clipboard, and it opens only once.
    EXPECT_EQ((std::tuple{app.setClipboardText("closed"), app.openClipboard(nullptr),
                          app.openClipboard(nullptr), app.setClipboardText("copied"), os.clipboard}),
              (std::tuple{0, 1, 0, 1, std::string("copied")}));
    os.clipboardRefuses = true;
    EXPECT_EQ(app.setClipboardText("refused"), 0);
    app.closeClipboard();
    EXPECT_EQ(os.clipboard, "copied");
}

// A long operation pumps: the user's close of the main window ends the pump, and the close is handled by
// the loop after the operation has unwound, before anything queued after it.
TEST(WinApp, ACloseDuringALongOperationIsHandledAfterIt) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    RecordingWindow main("main");
    WinApp::setMainWindowHandle(app.addWindow(&main));
    Probe worker("Worker");
    worker.attach(app);
    std::vector<std::string> order;
    main.onMessage = [&](const WindowMessage& m) {
        if (m.message == MessageUser) {
            order.push_back("operation starts");
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            os.postEvent(close);
            std::int16_t flag = 0;
            EXPECT_EQ(worker.waitForFlag(flag, 60000), 0);
            order.push_back("operation unwinds");
        } else if (m.message == MessageClose) {
            order.push_back("close");
            app.postQuitMessage();
        }
    };
    app.postMessage(WinApp::mainWindowHandle(), MessageUser, 0, 0);
    EXPECT_EQ(app.run(), 1);
    EXPECT_EQ(order, (std::vector<std::string>{"operation starts", "operation unwinds", "close"}));
}

} // namespace
} // namespace vael::test
