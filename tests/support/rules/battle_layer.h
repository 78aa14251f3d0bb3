#pragma once
// Test double of the game's logical layer for the fighting units' rules: it answers and carries out the
// messages that game flow handles for them ("TQHit", "InZOC", "ChangeFacing", "DoRestoreCohesion",
// "EliminateUnit", "DoRout", "DoRampagingActions"), keeps a list of declared combats, and writes every
// message a unit sends that a test may look at into one log, in the order the messages arrive. The real layer
// replaces it without changing the code under test.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "game/rules/combat/combat.h"
#include "game/rules/leaders/leader.h"
#include "support/rules/test_logical_layer.h"

namespace vael::test {

class BattleLayer : public TestLogicalLayer {
public:
    void connectParent() override;
    const List<CombatStruct>* getCombats() const override { return &combats; }
    // Whether the battle's end is certain, asked each time; unset, it never is.
    bool isBattleSettled() const override { return settled && settled(); }
    std::function<bool()> settled;

    // The units the layer finds by number, in the order of the armies.
    std::vector<VaelUnit*> units;
    List<CombatStruct> combats;
    // The records of fallen leaders that their side takes over ("AddBogusLeader").
    std::vector<std::unique_ptr<Leader>> fallenLeaders;
    // "TQHit 2 7 0", "AddCommentary \B...", "menu+ 235", "cmd 7 CohesionHit 60", ...
    std::vector<std::string> log;
    // Applies the hits of "TQHit" as the game's layer does; off, they stay announced only.
    bool applyHits = true;
    // False: "DoRestoreCohesion" is only noted, as when the game flow's handler is still queued behind
    // what the query runs first.
    bool applyRestore = true;
    // The answer to "InZOC"; -1 asks the units' zones of control as the game's layer does.
    short zocAnswer = -1;
    // Notes the highlighting of hexes as "light+ [...]" and "light- ...".
    bool logHighlights = false;

    // Logs these messages and built-in events too, from now on; a payload the log does not know is written
    // by describe when one is given.
    void watch(std::initializer_list<const char*> names, std::initializer_list<std::int32_t> events = {});
    std::function<std::string(const ContainerBase*)> describe;

    VaelUnit* unitNumbered(int number) const;
    // The log lines that start with one of the prefixes, and forgetting the log.
    std::vector<std::string> lines(std::initializer_list<const char*> prefixes) const;
    void clearLog() { log.clear(); }
};

} // namespace vael::test
