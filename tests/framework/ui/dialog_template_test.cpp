#include <gtest/gtest.h>

#include <map>
#include <set>

#include "framework/ui/dialog_template.h"

namespace vael::test {
namespace {

TEST(DialogTemplateReader, ReadsAHandWrittenTemplate) {
    const char* text = "# a chooser\n"
                       "dialog 3 -4 207 111 \"Pick \\\"one\\\"\"\n"
                       "style popup visible caption modalframe\n"
                       "class \"OstrellDialog\"\n"
                       "font 8 \"MS Sans Serif\"\n"
                       "control listbox 101 \"\" 4 5 110 50 tabstop notify\n"
                       "control defpushbutton 1 \"OK\" 4 57 50 14 group\n"
                       "control text -1 \"Name:\" 0 0 1 1 hidden\n"
                       "control autoradiobutton 65534 \"&Up\" 1 2 3 4\n";
    DialogTemplateReader reader("EnumDialog", text);
    EXPECT_TRUE(reader.errors().empty());
    ASSERT_TRUE(reader.result());
    const DialogTemplate& d = *reader.result();
    EXPECT_EQ((std::tuple{d.name, d.x, d.y, d.cx, d.cy, d.caption, d.className, d.pointSize, d.fontName}),
              (std::tuple{std::string("EnumDialog"), std::int16_t(3), std::int16_t(-4), std::int16_t(207),
                          std::int16_t(111), std::string("Pick \"one\""), std::string("OstrellDialog"),
                          std::uint16_t(8), std::string("MS Sans Serif")}));
    EXPECT_EQ(d.style, 0x80000000u | 0x10000000u | 0x00C00000u | 0x80u | 0x40u);
    ASSERT_EQ(d.items.size(), 4u);
    const struct {
        std::uint16_t id, cls;
        std::uint32_t style;
        const char* text;
        std::int16_t x, y, cx, cy;
    } rows[] = {
        {101, 0x83, 0x50000000u | 0x10000u | 0x1u, "", 4, 5, 110, 50},
        {1, 0x80, 0x50000000u | 0x20000u | 1u, "OK", 4, 57, 50, 14},
        {0xFFFF, 0x82, 0x40000000u, "Name:", 0, 0, 1, 1},
        {0xFFFE, 0x80, 0x50000000u | 9u, "&Up", 1, 2, 3, 4},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const DialogItem& it = d.items[i];
        EXPECT_EQ((std::tuple{it.id, it.controlClass, it.style, it.text, it.x, it.y, it.cx, it.cy}),
                  (std::tuple{rows[i].id, rows[i].cls, rows[i].style, std::string(rows[i].text), rows[i].x,
                              rows[i].y, rows[i].cx, rows[i].cy}));
    }
    EXPECT_EQ(d.items[2].signedId(), -1);
}

TEST(DialogTemplateReader, LeavesOutLinesItCannotReadAndSaysWhich) {
    const struct {
        const char* line;
        const char* error;
    } rows[] = {
        {"control button 5 \"x\" 0 0 1 1", "line 2: unknown control kind \"button\""},
        {"control text -2 \"x\" 0 0 1 1", "line 2: id -2 out of range"},
        {"control text 65535 \"x\" 0 0 1 1", "line 2: id 65535 out of range"},
        {"control text 7 x 0 0 1 1", "line 2: no label in double quotes"},
        {"control text 7 \"x\" 0 0 1", "line 2: bad height \"\""},
        {"control text 7 \"x\" 0 0 1 40000", "line 2: bad height \"40000\""},
        {"control text 7 \"x\" 0 0 -1 0", "line 2: negative size"},
        {"control text 7 \"x\" 0 0 1 1 shiny", "line 2: unknown style word \"shiny\""},
        {"style popup round", "line 2: unknown style word \"round\""},
        {"dialog 0 0 1 1 \"again\"", "line 2: a second dialog line"},
        {"font big \"x\"", "line 2: bad point size \"big\""},
        {"menu \"x\"", "line 2: unknown line \"menu\""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        DialogTemplateReader reader("T", std::string("dialog 0 0 10 10 \"T\"\n") + r.line + "\n");
        ASSERT_TRUE(reader.result());
        EXPECT_TRUE(reader.result()->items.empty());
        EXPECT_EQ(reader.errors(), std::vector<std::string>{r.error});
    }
    DialogTemplateReader negative("T", "dialog 0 0 10 -1 \"T\"\n");
    EXPECT_FALSE(negative.result());
    EXPECT_EQ(negative.errors().front(), "line 1: negative size");
    DialogTemplateReader none("T", "control text 7 \"x\" 0 0 1 1\n");
    EXPECT_FALSE(none.result());
    EXPECT_EQ(none.errors().back(), "no dialog line");
}

TEST(DialogTemplateReader, KeepsTwoHundredAndFiftyFiveControlsAndRefusesTheNext) {
    std::string text = "dialog 0 0 10 10 \"T\"\n";
    for (int i = 0; i < 256; ++i)
        text += "control edit " + std::to_string(i) + " \"\" 0 0 1 1\n";
    DialogTemplateReader reader("T", text);
    ASSERT_TRUE(reader.result());
    EXPECT_EQ(reader.result()->items.size(), 255u);
    EXPECT_EQ(reader.errors(), std::vector<std::string>{"line 257: more than 255 controls"});
}

TEST(DialogTemplateConversion, ScalesToTheSystemFontAndTakesTheStaticsOutInOrder) {
    // Units of 2 by 2 pixels: x scales by 0.875 and y by 0.8125, truncated.
    DialogTemplate d = *DialogTemplateReader("T", "dialog 8 8 100 100 \"T\"\n"
                                                  "control text -1 \"first\" 100 100 16 16\n"
                                                  "control edit 101 \"\" 100 100 9 9\n"
                                                  "control text 102 \"second\" 1 1 3 3\n"
                                                  "control pushbutton 1 \"OK\" 3 3 1 1\n"
                                                  "control text -1 \"third\" 0 0 0 0\n")
                            .result();
    const std::vector<StaticText> texts = convertTemplate(d, DialogUnits::of(8, 16));
    EXPECT_EQ((std::tuple{d.x, d.y, d.cx, d.cy}),
              (std::tuple{std::int16_t(7), std::int16_t(6), std::int16_t(87), std::int16_t(81)}));
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ((std::tuple{d.items[0].id, d.items[0].x, d.items[0].y, d.items[0].cx, d.items[0].cy}),
              (std::tuple{std::uint16_t(101), std::int16_t(87), std::int16_t(81), std::int16_t(7),
                          std::int16_t(7)}));
    EXPECT_EQ((std::tuple{d.items[1].id, d.items[1].x, d.items[1].cy}),
              (std::tuple{std::uint16_t(1), std::int16_t(2), std::int16_t(0)}));
    ASSERT_EQ(texts.size(), 3u);
    const struct {
        std::int16_t id;
        const char* text;
        Point at;
        Dim size;
    } rows[] = {{-1, "first", Point(174, 162), Dim(28, 26)},
                {102, "second", Point(0, 0), Dim(4, 4)},
                {-1, "third", Point(0, 0), Dim(0, 0)}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((std::tuple{texts[i].id, texts[i].text, texts[i].position, texts[i].size}),
                  (std::tuple{rows[i].id, std::string(rows[i].text), rows[i].at, rows[i].size}));
    }
}

TEST(DialogTemplateConversion, AllStaticsLeaveNoItemsAndNoStaticsLeaveTheOrder) {
    DialogTemplate all = *DialogTemplateReader("T", "dialog 0 0 9 9 \"T\"\ncontrol text 1 \"a\" 0 0 1 1\n"
                                                    "control text 2 \"b\" 0 0 1 1\n")
                              .result();
    EXPECT_EQ(convertTemplate(all, DialogUnits::of(8, 16)).size(), 2u);
    EXPECT_TRUE(all.items.empty());
    DialogTemplate none = *DialogTemplateReader("T", "dialog 0 0 9 9 \"T\"\ncontrol edit 3 \"\" 0 0 1 1\n"
                                                     "control listbox 2 \"\" 0 0 1 1\n")
                               .result();
    EXPECT_TRUE(convertTemplate(none, DialogUnits::of(8, 16)).empty());
    ASSERT_EQ(none.items.size(), 2u);
    EXPECT_EQ((std::pair{none.items[0].id, none.items[1].id}),
              (std::pair{std::uint16_t(3), std::uint16_t(2)}));
    EXPECT_TRUE(convertTemplate(none, DialogUnits{0, 2}).empty()) << "a font without width converts nothing";
}

TEST(DialogTemplateConversion, PixelsRoundHalfUp) {
    const struct {
        std::int32_t value;
        float unit;
        std::int16_t pixels;
    } rows[] = {{87, 2.0f, 174}, {1, 1.25f, 1}, {2, 1.25f, 3}, {0, 2.0f, 0}, {3, 0.5f, 2}, {1, 0.4f, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.value) + " at " + std::to_string(r.unit));
        EXPECT_EQ(dialogPixels(r.value, r.unit), r.pixels);
    }
}

// Each template of the program: its size, its control ids in order, and their kinds in order (p push
// button, d default push button, c check box, r radio button, t text, e edit, l list box, b combo box,
// s scroll bar, h shade, a Borland text; ! marks the start of a group).
struct Expected {
    const char* name;
    std::int16_t cx, cy;
    const char* ids;
    const char* kinds;
};
const Expected programTemplates[] = {
    {"ABOUTDLG", 225, 222, "1 101 -1", "dt!t!"},
    {"ARMYDETAILSDLG", 197, 289, "1 9 -1 -1 -1 -1 -1 -1", "dpt!ttttt"},
    {"ARMYROUTDLG", 184, 168, "1 9 10 11 12 13", "dprrrr"},
    {"BATTLEDETAILSDLG", 324, 225, "1", "d"},
    {"CAMPAIGNMAP", 343, 276, "10 11 2 9", "dppp"},
    {"CAMPAIGNRESULTS", 343, 288, "", ""},
    {"CHOOSESIDES", 308, 218, "1 2 101 102", "dpbb"},
    {"COHESIONOVERVIEW", 207, 214, "101 102 103 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1",
     "dsshhhhhha!a!a!a!a!a!"},
    {"CONNECTNETDLG", 195, 231, "107 108 102 105 1 2 9 106 101 -1 110 -1 104 -1 103 -1 -1",
     "edpppppelt!t!t!t!t!t!t!t!"},
    {"CUSTOMSCENEDLG", 220, 45, "-1 101 1 2", "t!edp"},
    {"DEBUGPREFERENCES", 237, 209, "-1 101 102 104 15 -1 103 -1 17 20 18 19 -1 105 10 11 12 16 13 14 1 2 9",
     "tc!ccctctcccctccrrcccd!pp"},
    {"DEMOHELP", 324, 226, "1 9", "dp"},
    {"ELITEINITDLG", 177, 101, "1 9 -1 -1 10", "dpt!t!l"},
    {"ENDOFGAMEDLG", 271, 289, "1 101", "dp"},
    {"ENDORDERSDLG", 220, 39, "1 -1 101 2", "dt!cd"},
    {"ENUMDIALOG", 207, 111, "101 1 2", "ldp"},
    {"GAMEOVERVIEWDLG", 307, 156, "1 101 102", "dpp"},
    {"GETSTRING", 207, 56, "101 1 2 -1", "edpt!"},
    {"HISTORYPLAYING", 134, 41, "-1 -1", "t!t!"},
    {"INFODLG", 164, 47, "", ""},
    {"INITIATIVERESULTS", 197, 39, "1 101 201 102", "dt!ct!"},
    {"INTRODLG", 195, 115, "1 103 104 105 106 -1 -1 101 102", "d!r!rr!rt!ttt"},
    {"LEADERALMOSTFINISHED", 171, 82, "101 17 -1 -1 -1 -1", "dct!t!t!t!"},
    {"LEADERCHEATDLG", 191, 121, "1 2 9 10 -1 11", "dpplt!c"},
    {"LOADINGDLG", 266, 213, "", ""},
    {"LOADSAVEDLG", 218, 158, "10 12 1 2 13 9 11 -1 -1", "eedppplt!t!"},
    {"MISSILERESULTS", 157, 52, "1 101 201 102", "dt!ct!"},
    {"MOMENTUMDLG", 190, 44, "1 2 -1", "dpt!"},
    {"NETCHAT", 305, 179, "107 108 10 102 101 105 106 9", "edclr!rrp"},
    {"NETCHOOSELEADERS", 262, 265,
     "1 9 301 302 303 304 305 306 307 308 309 310 311 312 313 314 315 316 317 318 319 320 321 322 323 324 "
     "325 326 327 328 329 330 331 332 333 334 335 336 337 338 339 340 -1 100 101",
     "dpbbbbbbbbbbbbbbbbbbbbttttttttttttttttttttt!tt"},
    {"NEWAIFILENAME", 189, 45, "1 101 -1", "det!"},
    {"OVERALLCOMBATRESULTS", 132, 124, "101 1", "ld"},
    {"OWDLG", 173, 48, "101 1 2 102 9", "t!dpt!p"},
    {"PREFERENCES", 142, 209, "-1 101 102 104 15 -1 103 -1 17 20 18 19 105 10 11 12 16 13 14 1 2 9",
     "tc!ccctctccccccrrcccd!pp"},
    {"PRELOADDLG", 128, 37, "101 100", "t!t!"},
    {"RALLYDLG", 207, 42, "1 9 101 102 103", "dpt!t!t!"},
    {"SCENARIO", 229, 243, "1 2 10 9", "d!ppp"},
    {"SHOWCOMBATRESULTS", 314, 135, "1", "d"},
    {"STARTCLIENT", 207, 74, "101 102 103 1 2 9 -1 -1 -1", "eeedppt!t!t!"},
    {"STARTGAME", 367, 295, "102 106 101 103 104 2 105", "pdppppp"},
    {"STARTSERVER", 207, 49, "1 2 -1 -1 101 103 9", "dpt!t!eep"},
    {"TEMPNETDLG", 97, 77, "10 11", "pd"},
    {"VAELELITEINITDLG", 183, 58, "1 2 -1 -1 9", "dpt!t!p"},
    {"VAELMESSAGEBOX", 205, 58, "1 2 101 102 -1 103", "dpt!t!t!t!"},
    {"VARIANTDLG", 207, 111, "1 2 101 10", "dplp"},
    {"VIDEODLG", 218, 153, "1", "d"},
    {"VIEWUNIT", 242, 190, "1 9", "dp"},
    {"YESNODLG", 205, 58, "1 2 101 102 -1 103", "dpt!t!t!t!"},
};

char kindLetter(const DialogItem& it) {
    static const std::map<std::uint32_t, char> buttons{{style::PushButton, 'p'},
                                                       {style::DefPushButton, 'd'},
                                                       {style::AutoCheckBox, 'c'},
                                                       {style::AutoRadioButton, 'r'}};
    static const std::map<std::uint32_t, char> classes{
        {ClassStatic, 't'},    {ClassEdit, 'e'},     {ClassListBox, 'l'},  {ClassComboBox, 'b'},
        {ClassScrollBar, 's'}, {ClassBorShade, 'h'}, {ClassBorStatic, 'a'}};
    const auto& table = it.controlClass == ClassButton ? buttons : classes;
    const auto found = table.find(it.controlClass == ClassButton ? it.buttonType() : it.controlClass);
    return found == table.end() ? '?' : found->second;
}

TEST(DialogTemplates, EveryTemplateOfTheProgramReadsWholeInItsOrderAndInsideItsSize) {
    const std::vector<std::string> names = dialogTemplateNames();
    ASSERT_EQ(names.size(), std::size(programTemplates));
    std::set<std::string> seen;
    for (const Expected& e : programTemplates) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(seen.insert(e.name).second);
        const std::optional<DialogTemplate> d = loadDialogTemplate(e.name);
        ASSERT_TRUE(d);
        EXPECT_EQ((std::tuple{d->cx, d->cy, d->className, d->pointSize, d->fontName}),
                  (std::tuple{e.cx, e.cy, std::string("OstrellDialog"), std::uint16_t(8),
                              std::string("MS Sans Serif")}));
        const bool modal =
            std::string(e.name) != "LEADERALMOSTFINISHED" && std::string(e.name) != "STARTGAME";
        EXPECT_EQ(d->style & 0x900000C0u, 0x90000040u | (modal ? 0x80u : 0u));
        std::string ids, kinds;
        std::set<std::uint16_t> named;
        for (const DialogItem& it : d->items) {
            SCOPED_TRACE(it.id);
            ids += (ids.empty() ? "" : " ") + std::to_string(it.signedId());
            kinds += kindLetter(it);
            if (it.style & style::Group) kinds += '!';
            EXPECT_TRUE(it.x >= 0 && it.y >= 0 && it.cx > 0 && it.cy > 0 && it.x + it.cx <= d->cx &&
                        it.y + it.cy <= d->cy)
                << "outside the dialog: " << it.x << "," << it.y << " " << it.cx << "x" << it.cy;
            EXPECT_TRUE(it.id == 0xFFFF || named.insert(it.id).second) << "id used twice";
        }
        EXPECT_EQ(ids, e.ids);
        EXPECT_EQ(kinds, e.kinds);
    }
}

TEST(DialogTemplates, AreFoundWithoutRegardToCaseAndAMissingOneIsNone) {
    EXPECT_EQ(loadDialogTemplate("LoadSaveDlg")->caption, "");
    EXPECT_EQ(loadDialogTemplate("Scenario")->caption, "Choose Scenario");
    EXPECT_EQ(loadDialogTemplate("EnumDialog")->caption, "Choose");
    EXPECT_FALSE(loadDialogTemplate("NoSuchDialog"));
}

} // namespace
} // namespace vael::test
