#pragma once
// The questions of who plays each side: how hard the armies rout, and the elite initiative. They answer
// the layer's side-control services in the program.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ui/dialog.h"
#include "game/flow/side_control.h"
#include "game/shell/game_dialogs.h"

namespace vael {

// "ArmyRoutDlg": Easy, Normal, Hard or Custom. Normal keeps the battle's own TQ points; Easy gives the
// player's side a quarter more before it routs and the computer's a quarter less, Hard the reverse;
// Custom lets the player type each army's level, offering at first half its point total for both; the
// fields show the levels of the choice made, greyed unless it is Custom. A level never exceeds its army's
// total nor falls below one point; a typed level outside that is told and the dialog stays. OK (1) gives both
// levels. The battle waits on the answer, which only OK gives: Escape chooses nothing and leaves it open.
class ArmyRoutDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "ArmyRoutDlg";
    static constexpr std::int16_t IdHelp = 9, IdEasy = 10, IdNormal = 11, IdHard = 12, IdCustom = 13,
                                  IdHomeLabel = 20, IdHomeLevel = 21, IdVisitorLabel = 22,
                                  IdVisitorLevel = 23;
    enum Level : std::int16_t { Easy = 0, Normal = 1, Hard = 2, Custom = 3 };
    // The home and visitor rout levels for a choice. The request's flag names the player's side: 1 home
    // (also when both or neither side is the computer's), 0 the visitor.
    static std::pair<std::uint16_t, std::uint16_t> levels(const ArmyRoutRequest& request, Level level);

    ArmyRoutDlg(const ArmyRoutRequest& request, DialogShown shown = {});
    std::uint16_t homeLevel() const { return home_; }
    std::uint16_t visitorLevel() const { return visitor_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    Level chosenLevel();
    // The levels of the choice made, open to change only while Custom is chosen.
    void showLevels();
    // The level typed for an army: a number from 1 to its total, else nothing (the player is told).
    std::optional<std::uint16_t> typedLevel(std::int16_t id, const std::string& side, std::uint16_t total);
    ArmyRoutRequest request_;
    DialogShown shown_;
    std::uint16_t home_ = 0, visitor_ = 0;
    // Custom's levels as last typed (at first its starting values), and whether the fields show them.
    std::string customHome_, customVisitor_;
    bool customShown_ = false;
};

// "EliteInitDlg": the home leaders in a list, the first one chosen until the player picks another; OK
// gives the chosen leader's name. Escape chooses nobody and leaves it open: the battle waits on the choice.
class EliteInitiativeDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "EliteInitDlg";
    static constexpr std::int16_t IdHelp = 9, IdList = 10;
    EliteInitiativeDlg(std::vector<std::string> leaders, DialogShown shown = {});
    const std::string& chosen() const { return chosen_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    std::vector<std::string> leaders_;
    DialogShown shown_;
    std::string chosen_;
};

// "VaelEliteInitDlg": Yes closes with 1, No with 0; it shows no close box and Escape chooses nothing.
class VaelEliteInitiativeDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "VaelEliteInitDlg";
    static constexpr std::int16_t IdYes = 1, IdNo = 2, IdHelp = 9;
    explicit VaelEliteInitiativeDlg(DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    DialogShown shown_;
};

} // namespace vael
