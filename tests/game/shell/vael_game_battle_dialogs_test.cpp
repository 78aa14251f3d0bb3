// The views of the fighting: one battle's rows, every battle's lines, and each army's cohesion with its
// scroll bars; Close, Return and Escape; the rows cut short with a count of those left out.
#include "framework/ui/display.h"
#include "game/shell/battle_dialogs.h"
#include "shell_dialog_fixture.h"

namespace vael::test {
namespace {

template <typename T> List<T> listOf(std::initializer_list<T> values) {
    List<T> list;
    for (const T& v : values)
        list.append(v);
    return list;
}

SingleCombatResult twoAgainstOne() {
    SingleCombatResult r;
    r.attackerNames = listOf<std::string>({"Companions", "Thessalians"});
    r.attackerHexes = listOf<short>({1203, 1204});
    r.attackerHits = listOf<short>({1, 3});
    r.attackerTotals = listOf<short>({4, 6});
    r.attackerMargins = listOf<short>({2});
    r.attackerRouted = listOf<short>({0, 1});
    r.defenderNames = listOf<std::string>({"Kardakes"});
    r.defenderHexes = listOf<short>({1305});
    r.defenderHits = listOf<short>({5});
    r.defenderTotals = listOf<short>({5});
    r.defenderMargins = listOf<short>({-2});
    r.defenderRouted = listOf<short>({1});
    return r;
}

SingleCombatResult attackers(int count) {
    SingleCombatResult r;
    for (int i = 0; i < count; ++i)
        r.attackerNames.append("Unit " + std::to_string(i));
    return r;
}

using Rows = std::vector<ShowCombatResultsDlg::Row>;

TEST(ShowCombatResults, RowsGiveTheAttackersThenTheDefendersAndLeaveShortListsBlank) {
    EXPECT_EQ(ShowCombatResultsDlg::rowsOf(twoAgainstOne()),
              (Rows{{"", "Unit", "Hex", "Hits", "Total", ""},
                    {"Attacker", "Companions", "1203", "1", "4", ""},
                    {"Attacker", "Thessalians", "1204", "3", "6", "Routed"},
                    {"Defender", "Kardakes", "1305", "5", "5", "Routed"}}));
    SingleCombatResult bare;
    bare.defenderNames = listOf<std::string>({"Sakai"});
    EXPECT_EQ(ShowCombatResultsDlg::rowsOf(bare),
              (Rows{{"", "Unit", "Hex", "Hits", "Total", ""}, {"Defender", "Sakai", "", "", "", ""}}));
}

TEST(ShowCombatResults, EightUnitsFitAndNineLeaveTwoOutCounted) {
    const Rows eight = ShowCombatResultsDlg::rowsOf(attackers(8));
    ASSERT_EQ(eight.size(), 9u);
    EXPECT_EQ(eight.back().name, "Unit 7");
    const Rows nine = ShowCombatResultsDlg::rowsOf(attackers(9));
    ASSERT_EQ(nine.size(), 9u);
    EXPECT_EQ(nine[7].name, "Unit 6");
    EXPECT_EQ(nine.back(), (ShowCombatResultsDlg::Row{"", "... and 2 more", "", "", "", ""}));
}

TEST(BattleDetails, EachBattleHasAHeadingAndALinePerUnitWithItsHexHitsMarginAndRout) {
    List<SingleCombatResult> results;
    results.append(twoAgainstOne());
    results.append(attackers(1));
    EXPECT_EQ(BattleDetailsDlg::linesOf(results),
              (std::vector<std::string>{
                  "Battle 1",
                  "  Attacker Companions at 1203: 1 hit, margin 2",
                  "  Attacker Thessalians at 1204: 3 hits, routed",
                  "  Defender Kardakes at 1305: 5 hits, margin -2, routed",
                  "Battle 2",
                  "  Attacker Unit 0: 0 hits",
              }));
    EXPECT_EQ(BattleDetailsDlg::linesOf(List<SingleCombatResult>()),
              std::vector<std::string>{"No battle was fought."});
}

TEST(BattleDetails, NineteenLinesFitAndTwentyLeaveTwoOutCounted) {
    List<SingleCombatResult> fit, over;
    fit.append(attackers(18));
    over.append(attackers(19));
    const std::vector<std::string> all = BattleDetailsDlg::linesOf(fit);
    ASSERT_EQ(all.size(), 19u);
    EXPECT_EQ(all.back(), "  Attacker Unit 17: 0 hits");
    const std::vector<std::string> cut = BattleDetailsDlg::linesOf(over);
    ASSERT_EQ(cut.size(), 19u);
    EXPECT_EQ(cut[17], "  Attacker Unit 16: 0 hits");
    EXPECT_EQ(cut.back(), "... and 2 more lines");
}

TEST(CohesionOverview, TheBarShowsTheCohesionLeftOfTheTQ) {
    const struct {
        std::int16_t TQ, hits;
        std::int32_t width, expected;
    } rows[] = {{6, 0, 60, 60},  {6, 2, 60, 40}, {6, 5, 60, 10}, {6, 6, 60, 0}, {6, 7, 60, 0},
                {6, -1, 60, 60}, {7, 3, 50, 28}, {0, 0, 60, 0},  {6, 0, 0, 0},  {-3, 0, 60, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE("TQ " + std::to_string(r.TQ) + " hits " + std::to_string(r.hits) + " width " +
                     std::to_string(r.width));
        EXPECT_EQ(CohesionOverviewDlg::barLength({"u", r.TQ, r.hits, false}, r.width), r.expected);
    }
}

struct Closing {
    const char* what;
    std::function<void(platform::HeadlessPlatform&, Dialog&)> script;
    std::int16_t result;
};

TEST_F(ShellDialogs, TheBattleViewsCloseWithOneOnCloseOrReturnAndZeroOnEscape) {
    ASSERT_TRUE(game.ready());
    List<SingleCombatResult> results;
    results.append(twoAgainstOne());
    const Closing rows[] = {
        {"Close", [](platform::HeadlessPlatform& os, Dialog& d) { clickOn(os, d, d.items().front()->id()); },
         1},
        {"Return", [](platform::HeadlessPlatform& os, Dialog&) { postKey(os, platform::KeyReturn); }, 1},
        {"Escape", [](platform::HeadlessPlatform& os, Dialog&) { postKey(os, platform::KeyEscape); }, 0},
    };
    for (const Closing& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> shown, captions;
        const DialogShown answer = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            captions.push_back(d.caption() ? d.caption() : "");
            r.script(os, d);
        };
        ShowCombatResultsDlg one(twoAgainstOne(), answer);
        one.attach(game.app());
        EXPECT_EQ(one.create(ShowCombatResultsDlg::TemplateName, Dialog::Modal), r.result);
        BattleDetailsDlg all(results, answer);
        all.attach(game.app());
        EXPECT_EQ(all.create(BattleDetailsDlg::TemplateName, Dialog::Modal), r.result);
        CohesionOverviewDlg armies({{"Companions", 7, 1, false}}, {{"Kardakes", 5, 5, true}}, answer);
        armies.attach(game.app());
        EXPECT_EQ(armies.create(CohesionOverviewDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(shown,
                  (std::vector<std::string>{"ShowCombatResults", "BattleDetailsDlg", "CohesionOverview"}));
        EXPECT_EQ(captions, (std::vector<std::string>{"Combat Results ", "Battle Details", "Army Details"}));
    }
}

TEST_F(ShellDialogs, TheCohesionOverviewStepsEachArmyByItsScrollBarAndRedrawsTheBoxes) {
    ASSERT_TRUE(game.ready());
    const std::vector<CohesionRow> home = {
        {"A", 6, 0, false}, {"B", 6, 3, false}, {"C", 6, 6, true}, {"D", 4, 1, false}, {"E", 5, 2, false}};
    const std::vector<CohesionRow> visitor = {{"V", 6, 1, false}, {"W", 6, 2, false}};
    const std::uint8_t green = Display::matchColour(0, 160, 0), red = Display::matchColour(128, 0, 0);
    CohesionOverviewDlg armies(home, visitor);
    armies.attach(game.app());
    armies.create(CohesionOverviewDlg::TemplateName, Dialog::Modeless);
    ASSERT_TRUE(armies.isOpen());
    EXPECT_TRUE(armies.item(CohesionOverviewDlg::IdHomeScroll)->isEnabled());
    // Two units fit the visitor's boxes: nothing to scroll.
    EXPECT_FALSE(armies.item(CohesionOverviewDlg::IdVisitorScroll)->isEnabled());
    Box first;
    for (const auto& w : armies.items())
        if (w->controlClass() == ClassBorShade) {
            first = w->box();
            break;
        }
    // The first home box's bar: 7 pixels in, 22 up from the box's bottom, 11 high; the cohesion left
    // fills it from the left.
    const std::int32_t barX = first.x + 7, barW = first.w - 14, barY = first.y + first.h - 22 + 5;
    const auto pixel = [&](std::int32_t x) { return armies.bits()[barY * armies.stride() + x]; };
    const auto step = [&](const char* what, std::int16_t bar, bool right, std::int32_t homeFirst,
                          std::int32_t visitorFirst, std::vector<std::string> names) {
        SCOPED_TRACE(what);
        const Box b = armies.item(bar)->box();
        clickAt(os, armies, right ? b.x + b.w - 3 : b.x + 3, b.y + b.h / 2);
        pumpAll(game.app());
        EXPECT_EQ(armies.homeFirst(), homeFirst);
        EXPECT_EQ(armies.visitorFirst(), visitorFirst);
        std::vector<std::string> shown;
        for (const CohesionRow& row : armies.shown(0))
            shown.push_back(row.name);
        EXPECT_EQ(shown, names);
    };
    EXPECT_EQ(armies.shown(0), (std::vector<CohesionRow>{home[0], home[1], home[2]}));
    EXPECT_EQ(armies.shown(1), visitor);
    EXPECT_EQ(pixel(barX + barW / 2), green) << "A has all its cohesion";
    step("right once", CohesionOverviewDlg::IdHomeScroll, true, 1, 0, {"B", "C", "D"});
    // B has lost half its TQ: the bar is green up to its middle and red from there.
    EXPECT_EQ(pixel(barX + barW / 2 - 1), green);
    EXPECT_EQ(pixel(barX + barW / 2), red);
    step("right twice", CohesionOverviewDlg::IdHomeScroll, true, 2, 0, {"C", "D", "E"});
    EXPECT_EQ(pixel(barX + 1), red) << "C has none left";
    step("right past the end", CohesionOverviewDlg::IdHomeScroll, true, 2, 0, {"C", "D", "E"});
    step("left", CohesionOverviewDlg::IdHomeScroll, false, 1, 0, {"B", "C", "D"});
    step("left", CohesionOverviewDlg::IdHomeScroll, false, 0, 0, {"A", "B", "C"});
    step("left past the start", CohesionOverviewDlg::IdHomeScroll, false, 0, 0, {"A", "B", "C"});
    step("the visitor's greyed bar", CohesionOverviewDlg::IdVisitorScroll, true, 0, 0, {"A", "B", "C"});
    clickOn(os, armies, CohesionOverviewDlg::IdClose);
    pumpAll(game.app());
    EXPECT_FALSE(armies.isOpen());
    EXPECT_EQ(armies.result(), 1);
}

} // namespace
} // namespace vael::test
