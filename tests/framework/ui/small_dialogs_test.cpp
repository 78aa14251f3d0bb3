#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "framework/ui/dialog_window.h"
#include "framework/ui/enum_dialog.h"
#include "framework/ui/file_open_dialog.h"
#include "framework/ui/get_string_dialog.h"
#include "framework/ui/window_manager.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

class SmallDialogsTest : public ::testing::Test {
protected:
    SmallDialogsTest() { pictures["MS Sans Serif 2"] = dialogGlyphs(); }
    void key(std::int32_t k, std::uint16_t modifiers = 0) { postKey(os, k, modifiers); }
    void type(const std::string& text) { postText(os, text); }
    void pump() { pumpAll(app); }
    static List<enumeration> entries(std::initializer_list<enumeration> rows) {
        List<enumeration> list;
        for (const enumeration& e : rows)
            list.append(e);
        return list;
    }

    TestPictures pictures;
    platform::HeadlessPlatform os;
    TestWinApp app{os};
};

TEST_F(SmallDialogsTest, TheChooserAnswersTheChosenValueOrMinusOne) {
    using platform::KeyDown, platform::KeyReturn, platform::KeyTab;
    const struct {
        const char* what;
        std::vector<std::int32_t> keys;
        std::int16_t result;
        std::int32_t chosen;
    } rows[] = {
        {"OK on the first row", {KeyReturn}, 10, 10},
        {"down, then OK", {KeyDown, KeyReturn}, 0x5678, 0x12345678},
        {"tab to OK, where the arrow does nothing", {KeyTab, KeyDown, KeyReturn}, 10, 10},
        {"down past the end stays on the last", {KeyDown, KeyDown, KeyDown, KeyReturn}, -2, -2},
        {"cancel", {platform::KeyEscape}, -1, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EnumDialog d(entries({{"Ten", 10}, {"Big", 0x12345678}, {"Minus two", -2}}), "Pick a side", 1);
        for (std::int32_t k : r.keys)
            key(k);
        EXPECT_EQ((std::tuple{d.create(EnumDialog::ResourceName, Dialog::Modal), d.chosenValue()}),
                  (std::tuple{r.result, r.chosen}));
        pump();
    }
}

TEST_F(SmallDialogsTest, AChooserWithoutEntriesChoosesNothingEvenWithRowsAdded) {
    EnumDialog d(List<enumeration>(), "Sessions", 0);
    d.create(EnumDialog::ResourceName, Dialog::Modeless);
    EXPECT_EQ((std::tuple{d.item(Dialog::IdCancel)->isVisible(), std::string(d.caption())}),
              (std::tuple{false, std::string("Sessions")}));
    d.addItem("First game", 4);
    d.item(EnumDialog::ListId)->select(0);
    key(platform::KeyReturn);
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result(), d.chosenValue()}),
              (std::tuple{std::int16_t(0), std::int16_t(-1), std::int32_t(-1)}));
}

TEST_F(SmallDialogsTest, AddingTheSameNameAndValueTwiceKeepsOneRowAndAnotherValueAddsOne) {
    EnumDialog d(entries({{"Host", 1}}), "Choose", 1);
    d.addItem("Early", 1);
    EXPECT_EQ(d.isOpen(), 0);
    d.create(EnumDialog::ResourceName, Dialog::Modeless);
    DialogItemWindow* list = d.item(EnumDialog::ListId);
    d.addItem("Game", 7);
    d.addItem("game", 7);
    EXPECT_EQ(list->rowCount(), 2) << "the name is found without regard to case";
    d.addItem("Game", 8);
    d.addItem("Host", 1);
    EXPECT_EQ(list->rowCount(), 3);
    // The search starts after the first row: only the first "Game" is compared, so a repeat of the
    // second value adds a row again.
    d.addItem("Game", 8);
    EXPECT_EQ(list->rowCount(), 4);
    EXPECT_EQ((std::pair{list->row(2)->text, list->row(2)->data}), (std::pair{std::string("Game"), 8}));
}

TEST_F(SmallDialogsTest, ADoubleClickChoosesTheRowWithoutTheTestOfOK) {
    EnumDialog d(entries({{"A", 1}, {"B", 0x10002}}), "Choose", 1);
    d.create(EnumDialog::ResourceName, Dialog::Modeless);
    const Box b = d.item(EnumDialog::ListId)->box();
    const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
    postButtons(os,
                {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp,
                 platform::EventKind::DoubleClick, platform::EventKind::ButtonUp},
                client.x + b.x + 4, client.y + b.y + 1 + 13 + 3);
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result(), d.chosenValue()}),
              (std::tuple{std::int16_t(0), std::int16_t(2), std::int32_t(0x10002)}));
}

TEST_F(SmallDialogsTest, TheTextQuestionEnablesOKExactlyWhileThereIsText) {
    GetStringDialog d("Name", "Name the game:", "");
    d.create(GetStringDialog::ResourceName, Dialog::Modeless);
    DialogItemWindow* ok = d.item(Dialog::IdOk);
    EXPECT_EQ((std::tuple{ok->isEnabled(), std::string(d.caption()), d.getItemText(-1)}),
              (std::tuple{false, std::string("Name"), std::string("Name the game:")}));
    const auto enabledAfter = [&](std::function<void()> input) {
        input();
        pump();
        return ok->isEnabled();
    };
    EXPECT_TRUE(enabledAfter([&] { type("x"); }));
    EXPECT_FALSE(enabledAfter([&] { key(platform::KeyBackspace); }));
    EXPECT_FALSE(enabledAfter([&] { key(platform::KeyReturn); }));
    EXPECT_TRUE(d.isOpen()) << "enter does nothing while OK is disabled";
    type("Bo's Game");
    key(platform::KeyReturn);
    pump();
    EXPECT_EQ((std::tuple{d.isOpen(), d.result(), d.answer()}),
              (std::tuple{std::int16_t(0), std::int16_t(1), std::string("Bo's Game")}));
}

TEST_F(SmallDialogsTest, CancelAnswersTheDefaultAndAStoppedRunLeavesTheAnswerAlone) {
    GetStringDialog d("Join", "Host:", "Ann's Game");
    type("other");
    key(platform::KeyEscape);
    // The controls go with the window.
    EXPECT_EQ(
        (std::tuple{d.create(GetStringDialog::ResourceName, Dialog::Modal), d.answer(),
                    d.item(Dialog::IdOk)}),
        (std::tuple{std::int16_t(0), std::string("Ann's Game"), static_cast<DialogItemWindow*>(nullptr)}));

    GetStringDialog stopped("Join", "Host:", "Ann's Game");
    app.postQuitMessage();
    EXPECT_EQ((std::tuple{stopped.create(GetStringDialog::ResourceName, Dialog::Pumped), stopped.answer()}),
              (std::tuple{std::int16_t(0), std::string()}));
}

TEST_F(SmallDialogsTest, ADialogWindowIsSizedToItsDialogAndGoesWhenTheDialogEnds) {
    auto* hosted = new GetStringDialog("Name", "Name:", "x");
    DialogWindow frame(hosted, GetStringDialog::ResourceName, Point(10, 10), Dim(50, 50), "Host", nullptr,
                       nullptr);
    frame.WindowsWindow::create(Dim(50, 50), "", DialogWindow::Style, 0);
    ASSERT_NE(frame.dialogHandle(), 0u);
    WindowManager& manager = WindowManager::instance();
    const platform::Rect hostedOuter = manager.find(frame.dialogHandle())->outer;
    const platform::Rect client = manager.clientOnScreen(frame.hwnd());
    EXPECT_EQ((std::pair{client.width, client.height}), (std::pair{hostedOuter.width, hostedOuter.height}));
    const WindowHandle was = frame.hwnd();
    hosted->close(1);
    EXPECT_EQ((std::pair{frame.dialogHandle(), manager.exists(was)}), (std::pair{WindowHandle(0), false}));
}

TEST_F(SmallDialogsTest, TheFileChoiceListsTheMatchingFilesOfTheGivenFilesDirectory) {
    TempDir dir("file_choice");
    for (const char* name : {"a.vel", "B.VEL", "c.txt"})
        std::ofstream(dir.path() / name) << "x";
    std::filesystem::create_directory(dir.path() / "d.vel");
    FileOpenDialog d("Saved Games", "*.vel", (dir.path() / "old.vel").string());
    d.create(FileOpenDialog::ResourceName, Dialog::Modeless);
    const DialogItemWindow* list = d.item(FileOpenDialog::ListId);
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ((std::tuple{list->row(0)->text, list->row(1)->text,
                          d.item(FileOpenDialog::DescriptionId)->isVisible(), std::string(d.caption())}),
              (std::tuple{std::string("B.VEL"), std::string("a.vel"), false, std::string("Saved Games")}));
}

TEST_F(SmallDialogsTest, TheApplicationsFileChoiceOnItsWindowIsOurDialog) {
    TempDir dir("file_choice_app");
    std::ofstream(dir.path() / "first.vel") << "x";
    os.openWindow(640, 480, "Vigils");
    const struct {
        const char* what;
        std::function<void()> script;
        std::int32_t answer;
        std::string name;
    } rows[] = {
        {"typed", [&] { type("mine.vel"), key(platform::KeyReturn); }, 1, "mine.vel"},
        {"from the list",
         [&] { key(platform::KeyTab, platform::ModShift), key(platform::KeyDown), key(platform::KeyReturn); },
         1, "first.vel"},
        {"OK with no name stays; cancel", [&] { key(platform::KeyReturn), key(platform::KeyEscape); }, 0,
         "old.vel"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::string name = (dir.path() / "old.vel").string();
        r.script();
        EXPECT_EQ((std::tuple{app.openFileDialog(name, "Saved Games", "*.vel"), name}),
                  (std::tuple{r.answer, (dir.path() / r.name).string()}));
    }
}

} // namespace
} // namespace vael::test
