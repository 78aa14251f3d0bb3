#pragma once
// The views of how the fighting went: one shock battle's units with their hits, every battle of a combat
// step in detail, and each army's cohesion unit by unit. They are modal and only shown: Close (and Return)
// ends them with 1, Escape with 0.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/list.h"
#include "framework/ui/dialog.h"
#include "game/flow/single_combat_result.h"
#include "game/shell/game_dialogs.h"

namespace vael {

// "ShowCombatResults": a row for each unit of one battle, the attackers first.
class ShowCombatResultsDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "ShowCombatResults";
    static constexpr std::int16_t IdClose = 1;
    static constexpr std::size_t MaxRows = 9;
    struct Row {
        std::string side, name, hex, hits, total, result;
        bool operator==(const Row&) const = default;
    };
    // The heading, then one row per unit; the lists run side by side, and a unit with no entry in a
    // shorter one shows nothing there. Beyond MaxRows the last row says how many more there are.
    static std::vector<Row> rowsOf(const SingleCombatResult& result);

    ShowCombatResultsDlg(const SingleCombatResult& result, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;

private:
    std::vector<Row> rows_;
    DialogShown shown_;
};

// "BattleDetailsDlg": every battle of the step, a heading and a line per unit.
class BattleDetailsDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "BattleDetailsDlg";
    static constexpr std::int16_t IdClose = 1;
    static constexpr std::size_t MaxLines = 19;
    static std::vector<std::string> linesOf(const List<SingleCombatResult>& results);

    BattleDetailsDlg(const List<SingleCombatResult>& results, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;

private:
    std::vector<std::string> lines_;
    DialogShown shown_;
};

// One unit as the cohesion overview shows it.
struct CohesionRow {
    std::string name;
    std::int16_t TQ = 0, hits = 0;
    bool routing = false;
    bool operator==(const CohesionRow&) const = default;
};

class Combat;
// The units of an army as the overview shows them, in the army's order.
std::vector<CohesionRow> cohesionRows(const List<Combat*>& units);

// "CohesionOverview": three units of each army at a time, home on the left and the visitor on the right,
// each in its own box with its TQ, its hits and a bar of the cohesion it has left; the scroll bar under
// each army steps through it a unit at a time.
class CohesionOverviewDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "CohesionOverview";
    static constexpr std::int16_t IdClose = 101, IdHomeScroll = 102, IdVisitorScroll = 103;
    static constexpr std::int32_t BoxesPerSide = 3;
    // How much of the bar is filled: the cohesion left, TQ less hits, of the TQ, in pixels of a bar
    // `width` long; nothing once the hits reach the TQ, and nothing for a unit without TQ.
    static std::int32_t barLength(const CohesionRow& row, std::int32_t width);

    CohesionOverviewDlg(std::vector<CohesionRow> home, std::vector<CohesionRow> visitor,
                        DialogShown shown = {});
    // The first unit shown of each army.
    std::int32_t homeFirst() const;
    std::int32_t visitorFirst() const;
    // The units in the boxes of one side (0 home, 1 visitor), top first.
    std::vector<CohesionRow> shown(int side) const;
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    std::intptr_t dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void drawBackground() override;

private:
    std::int32_t first(std::int16_t scrollId) const;
    std::vector<CohesionRow> sides_[2];
    DialogShown shown_;
    std::int32_t drawnFirst_[2] = {0, 0};
};

} // namespace vael
