#pragma once
// Who plays each side after a scenario has loaded: the leaders played here, on other machines or by the
// computer; the plan a computer side plays and its opponent; the armies' rout levels; the elite
// initiative question of game control. The dialogs and the preference are the shell's: the layer reaches
// them through the services below, each of which answers as its dialog's Cancel when unset.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/list.h"
#include "game/flow/computer_opponent.h"

namespace vael {

class VaelLogicalLayer;
struct TeamInfoStruct;

struct ArmyRoutRequest {
    std::string homeName, visitorName;
    std::uint16_t homeTQPoints = 0, homeTotal = 0, visitorTQPoints = 0, visitorTotal = 0;
    std::uint16_t flag = 1; // 0 when home is computer-played and the visitor is not
};

struct SideControlServices {
    OpponentMaker makeOpponent;
    // "IntroDlg": which sides the computer plays (home, visitor).
    std::function<std::pair<bool, bool>()> introDialog;
    // "ArmyRoutDlg": the rout levels (home, visitor) on OK, nothing on Cancel.
    std::function<std::optional<std::pair<std::uint16_t, std::uint16_t>>(const ArmyRoutRequest&)>
        armyRoutDialog;
    // "EliteInitDlg" over the home leaders: the chosen leader's name.
    std::function<std::string(const List<Leader*>&)> eliteInitDialog;
    // "VaelEliteInitDlg": its result.
    std::function<std::int32_t()> vaelEliteInitDialog;
    // The preference "Last A/I Type".
    std::function<std::uint32_t()> readLastAIType;
    std::function<void(std::uint32_t)> writeLastAIType;
};

// The plan drawn for a side from its scripts' kinds, with the kind last played t (any value but 1 counts
// as 0): uniform when every script is of kind t, else a random one of the other kind, which becomes t.
std::size_t choosePlan(const std::vector<std::uint16_t>& kinds, std::uint32_t& lastType, int (*rand)());

// The path of a plan script in the data directory, found without regard to case; the plain joined path
// when no file matches.
std::string planPath(const std::string& name);

// Makes the computer opponent of one side and gives it the battle's lists, compiling nothing yet.
ComputerOpponent* addOpponent(VaelLogicalLayer& layer, bool visitor);
// Makes, lists and compiles the computer opponent of one side from the plan name.
ComputerOpponent* createOpponent(VaelLogicalLayer& layer, bool visitor, const std::string& plan);

void LeaderControl(VaelLogicalLayer& layer, const TeamInfoStruct& team);
// In a network game, the computer plays this machine's leaders of one side with a plan of that side.
void giveLocalSideToComputer(VaelLogicalLayer& layer, bool visitor);
// The answer to "EliteInitiative": a leader's name, or empty.
std::string EliteInitiative(VaelLogicalLayer& layer, std::uint16_t kind);
// Registers "EliteInitiative" for the first local leader named like the Vael commander that the computer
// does not play.
void registerEliteInitiative(VaelLogicalLayer& layer);
void disconnectEliteInitiative(VaelLogicalLayer& layer);
void connectSideControl(VaelLogicalLayer& layer);

} // namespace vael
