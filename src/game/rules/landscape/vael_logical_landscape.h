#pragma once
// The game's logical hex map. It reads the battle's map file, numbers its hexes column * 100 + row,
// answers the geometric questions of the rules (neighbours, bearings, distances, front arcs, lines of
// hexes), keeps the units standing on each hex, answers the questions about enemies, zones of control
// and withdrawal around a hex, runs the breadth-first flood fills that movement ranges, zones of
// control and paths are made of, and handles the clicks and mouse-overs on hexes and the moves and
// removals of units.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "framework/core/list.h"
#include "game/rules/landscape/logical_landscape.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/path_struct.h"
#include "game/rules/units/unit_removed_struct.h"

namespace vael {

class VaelUnit;
class VaelLogicalLandscape;

// The cost of one step between adjacent hexes, or -1 when the step is not allowed. unit is the unit on
// the fill's start hex, null when that hex is empty.
using StepCostFunction = std::int16_t (*)(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                          VaelUnit* unit);

class VaelLogicalLandscape : public LogicalLandscape {
public:
    // Reads the map file; a file that cannot be read leaves an empty map and loadError() says why.
    explicit VaelLogicalLandscape(const char* mapFileName);
    // Builds the map from a file already read (tests, tools).
    explicit VaelLogicalLandscape(const LogicalMapFile& mapFile);
    ~VaelLogicalLandscape() override;

    // The side a nation fights on (true: the visitor's), as the battle laid out on the map has it; unset,
    // every nation is taken for a side of its own.
    std::function<bool(std::uint32_t nation)> onVisitorSide;

    void connectHandlers() override;
    std::int16_t idOf(std::int16_t index) const override;
    std::int16_t indexOf(std::int16_t hex) const override;
    // Takes a hex number; null for a number outside the map's table. Final and inline, like the look-up
    // below: the rules ask for regions by the million.
    LogicalRegion* regionAt(std::int16_t hex) const final { return regionAtTableIndex(lookupIndex(hex)); }

    // Reads a map file into this landscape; on failure the map is left empty, the reason is kept in
    // loadError() and traced, and the answer is false.
    bool loadMap(const char* fileName);
    bool loadMap(const LogicalMapFile& mapFile);
    const std::string& loadError() const { return loadError_; }

    std::uint16_t getHexOffset() const { return hexOffset_; }
    std::uint32_t getLandscapeStyle() const { return landscapeStyle_; }
    LogicalRegion* regionAtIndex(std::int16_t index) const { return regionAtTableIndex(index); }

    // The base's answer without its virtual look-up of the hex: the flood fills and zone-of-control
    // questions ask for neighbours millions of times a battle.
    std::uint16_t neighbourId(std::int16_t hex, std::int32_t direction) const {
        if (direction < 0 || direction >= LogicalRegion::slots) return LogicalRegion::none;
        const LogicalRegion* region = regionAtTableIndex(lookupIndex(hex));
        return region ? region->neighbours[static_cast<std::size_t>(direction)] : LogicalRegion::none;
    }

    // Hex geometry on the quarter-hex lattice.
    Point latticePoint(std::int16_t hex) const;
    std::int16_t hexAtLatticePoint(Point point) const;
    // These few are inline: the movement rules ask them for every step of every fill.
    bool isValidHex(std::int16_t hex) const {
        if (hex < 0) return false;
        const int column = hex / 100;
        const int row = hex % 100;
        return column < size_.x && row < size_.y - (column % 2);
    }
    std::int32_t neighbourDirection(std::int16_t from, std::int16_t to) const {
        const LogicalRegion* region = regionAt(from);
        if (!region || to < 0) return 0;
        for (std::int32_t d = 1; d <= 8; ++d)
            if (region->neighbours[static_cast<std::size_t>(d)] == static_cast<std::uint16_t>(to)) return d;
        return 0;
    }
    std::int16_t bearingBetween(std::int16_t from, std::int16_t to) const;
    DIRECTION facingTowards(std::int16_t from, std::int16_t to) const;
    bool inFrontArc(std::int16_t from, std::int16_t to, std::int32_t code) const;
    std::int16_t hexDistance(std::int16_t a, std::int16_t b) const;
    std::int32_t doubledTriangleArea(std::int16_t a, std::int16_t b, std::int16_t c) const;
    List<short> hexLine(std::int16_t from, std::int16_t to) const;
    const List<short>& frontArc(std::int32_t code) const;

    // A count of the changes to the map and to what its units put on it for the others (who stands where,
    // zones of control, who is out of play). What is worked out from them is kept until the count moves on.
    std::uint64_t changeCount() const { return changes_; }
    void noteChange() { ++changes_; }

    // Occupants, in the order they arrived.
    List<const VaelUnit*>& unitsInHex(std::int16_t hex);
    void addToRegion(const VaelUnit* unit, std::int16_t hex);
    const VaelUnit* removeFromRegion(const VaelUnit* unit, std::int16_t hex);
    const VaelUnit* removeUnitById(std::int16_t componentId, std::int16_t hex);
    bool isHexOccupied(std::int16_t hex) const;
    bool otherNationInHex(std::int16_t hex, std::uint32_t nation) const;
    // The first unit on a hex, null when it is empty.
    const VaelUnit* firstOccupant(std::int16_t hex) const {
        const std::int32_t index = lookupIndex(hex);
        if (index < 0 || index >= static_cast<std::int32_t>(occupants_.size())) return nullptr;
        const VaelUnit* unit = nullptr;
        return occupants_[static_cast<std::size_t>(index)].first(unit) ? unit : nullptr;
    }

    // Questions about the hexes around a hex. Without leadersOnly, and for the zones of control, the answers
    // are kept per nation until the map or its units change: the fills ask them for every step.
    bool enemyAdjacent(std::int16_t hex, std::uint32_t nation, bool leadersOnly) const;
    bool isInEnemyZOC(std::int16_t hex, std::uint32_t nation) const;
    bool findOWCandidates(std::int16_t hex, std::uint32_t nation, const VaelUnit* mover);

    // Flood fills.
    static std::int16_t unitStepCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                     VaelUnit* unit);
    // With through set, only the paths that pass through that hex are handed over.
    void floodFill(List<short>& result, const List<DIRECTION>& directions, std::int16_t start,
                   std::int16_t budget, std::int16_t allowZero, StepCostFunction cost,
                   List<List<short>>* paths = nullptr, List<short>* watch = nullptr,
                   std::int16_t through = -1);
    void hexesAtExactCost(List<short>& result, std::int16_t start, std::int16_t budget,
                          StepCostFunction cost);
    void hexesWithinCost(List<short>& result, std::int16_t start, std::int16_t budget, StepCostFunction cost);
    // Hands visit each hex that hexesWithinCost lists for the step count alone, in its order, without making
    // the list, until visit answers false; answers how many hexes the list would hold.
    template <class Visit>
    std::size_t forEachWithinSteps(std::int16_t start, std::int16_t steps, const Visit& visit) {
        if (const std::vector<short>* kept = keptRing(start, steps, 1)) {
            for (short h : *kept)
                if (!visit(h)) break;
            return kept->size();
        }
        List<short> reached;
        hexesWithinCost(reached, start, steps, unitStepCost);
        for (short h : reached)
            if (!visit(h)) break;
        return static_cast<std::size_t>(reached.count());
    }
    void floodFillFormation(List<short>& result, const List<DIRECTION>& directions, List<short> formation,
                            std::int16_t budget, StepCostFunction cost);
    // What a step between neighbours costs, and whether an impassable side bars it, are the map's own:
    // both are kept per hex and side from the first asking.
    std::int16_t stepCostBetween(std::int16_t from, std::int16_t to) const {
        const EdgeFacts* facts = edgeFacts(from, to);
        return facts ? facts->cost : figureStepCost(from, to);
    }
    bool impassableSideToward(std::int16_t from, std::int16_t to) const {
        const EdgeFacts* facts = edgeFacts(from, to);
        return facts ? facts->impassable != 0 : hasHexsideFeatureToward(from, to, 14) != 0;
    }
    std::uint32_t hasHexsideFeature(std::int16_t hex, std::int32_t direction, std::uint16_t code) const;
    std::uint32_t hasHexsideFeatureToward(std::int16_t from, std::int16_t to, std::uint16_t code) const;
    std::int16_t hasTerrainCode(std::int16_t hex, std::uint16_t code) const {
        const LogicalRegion* region = regionAt(hex);
        return region ? region->hasTerrain(code) : 0;
    }

    // The workers of the map's messages.
    void chooseGroupToOrder(std::int16_t hex);
    void describeHex(std::int16_t hex);
    // Acts only on a command whose event is LOGICAL_OBJECT_MOVED; true when the unit moved and the display
    // was given the move, false when it was refused (reported and answered) with nothing changed.
    bool UnitMovement(const LogicalCommandInfo& command);
    void UnitRemoved(const UnitRemovedStruct& removed);
    void pauseSelection();
    void resumeSelection();
    std::uint16_t isSelectionConnected() const { return selectionConnected_; }
    // A unit of the player's that takes no order now can still be looked at: after a click on it "View
    // Details..." shows it, until the next click on the map, while no unit is selected (a selected unit
    // shows its own). -1 while none is offered.
    std::int32_t detailsOffered() const { return detailsOffered_; }
    void showOfferedDetails();

    // The side flag that the rules' terrain code for a hex-side feature asks.
    static std::int32_t sideFlagOfCode(std::uint16_t code);
    // The unit-type code abbreviations and missile names the status line shows.
    static const char* unitTypeCode(std::uint32_t unitType);
    static const char* missileName(std::uint32_t missileType);

protected:
    // Hexes are numbered column * 100 + row; a number off the map has no index.
    std::int32_t lookupIndex(std::int16_t hex) const final {
        if (hex < 0) return -1;
        const int column = hex / 100;
        const int row = hex % 100;
        if (column >= size_.x || row >= size_.y) return -1;
        return row * size_.x + column;
    }

private:
    // The message box that refuses a unit outside the active group when too few orders are left.
    void showNotEnoughOrders();
    // The unit of the hex described in the status bar, and under it why it takes no order now.
    void showRefusal(std::int16_t hex, const std::string& why);
    void offerDetails(const VaelUnit& unit);
    void withdrawDetails();
    bool anySelected() const;
    void sendMenuItem(BusMessage event, std::int16_t command);
    template <class Test> bool anyUnitNextTo(std::int16_t hex, const Test& test) const;
    void clearMap();
    void linkNeighbours();
    void buildFrontArcs();
    // The most budget left on reaching a hex in the current fill, -1 when not reached. A slot is stale
    // unless its stamp is the current fill's: a new fill starts by moving on a generation, not by clearing
    // the whole map. A fill run by a step's cost inside another fill starts a generation of its own, so the
    // outer fill then reads what the inner one left, as it always has.
    struct FillSlot {
        std::uint32_t stamp = 0;
        std::int16_t bestRemaining = -1;
    };
    // Where each hex stands in the result of one running fill, kept per depth of fills running inside
    // other fills' cost functions.
    struct ResultSlot {
        std::uint32_t stamp = 0;
        std::int16_t count = 0;  // how often the hex stands in the result
        std::uint32_t first = 0; // where the first of them stands
    };
    // With the run of the result, the queue and the steps walked: kept from fill to fill, so that a
    // fill allocates nothing once the first ones have grown them.
    struct QueueEntry {
        std::uint16_t hex;
        std::int16_t remaining;
        std::int32_t node; // its step in the tree of steps walked, -1 without paths
    };
    struct StepWalked {
        short hex;
        std::int32_t previous;
    };
    struct ResultTable {
        std::vector<ResultSlot> slots;
        std::uint32_t generation = 0;
        std::vector<short> values;
        std::vector<char> alive;
        std::vector<QueueEntry> queue;
        std::vector<StepWalked> steps;
        std::vector<short> walk;
    };
    void resetBestRemaining();
    FillSlot& fillSlot(std::int32_t index) {
        FillSlot& slot = fillSlots_[static_cast<std::size_t>(index)];
        if (slot.stamp != fillGeneration_) slot = FillSlot{fillGeneration_, -1};
        return slot;
    }
    std::int16_t& bestRemainingAt(std::int16_t hex) { return fillSlot(lookupIndex(hex)).bestRemaining; }
    void fill(List<short>& result, const std::int32_t* directions, std::size_t directionCount,
              std::int16_t start, std::int16_t budget, std::int16_t allowZero, StepCostFunction cost,
              List<List<short>>* paths, List<short>* watch, std::int16_t through = -1);
    // The rings of hexes around a hex by the step count alone depend on the map only, unless a
    // double-sized unit on the start hex brings its other half in: those are kept from the first asking.
    void countedFill(List<short>& result, std::int16_t start, std::int16_t budget, std::int16_t allowZero,
                     StepCostFunction cost);
    // The kept hexes, null where they cannot be kept.
    const std::vector<short>* keptRing(std::int16_t start, std::int16_t budget, std::int16_t allowZero);
    struct EdgeFacts {
        std::int16_t cost = 0;
        std::uint8_t impassable = 0;
        std::uint8_t known = 0;
    };
    // The facts of the step to a neighbour, null for a step that is none.
    const EdgeFacts* edgeFacts(std::int16_t from, std::int16_t to) const {
        const std::int32_t index = lookupIndex(from);
        if (index < 0 || index >= regionCount_) return nullptr;
        const std::int32_t side = neighbourDirection(from, to);
        if (side == 0) return nullptr;
        const auto at =
            static_cast<std::size_t>(index) * LogicalRegion::slots + static_cast<std::size_t>(side);
        if (at >= edgeFacts_.size()) return learnEdge(from, to, side);
        const EdgeFacts& facts = edgeFacts_[at];
        return facts.known ? &facts : learnEdge(from, to, side);
    }
    const EdgeFacts* learnEdge(std::int16_t from, std::int16_t to, std::int32_t side) const;
    std::int16_t figureStepCost(std::int16_t from, std::int16_t to) const;
    // Per nation and hex: 0 not yet asked, else 1 + the answer.
    struct NationAnswers {
        std::uint32_t nation = 0;
        std::uint64_t madeAt = 0;
        std::vector<std::uint8_t> adjacent;
        std::vector<std::uint8_t> inZone;
    };
    NationAnswers& answersFor(std::uint32_t nation) const {
        if (lastAnswers_ < nationAnswers_.size()) {
            NationAnswers& last = nationAnswers_[lastAnswers_];
            if (last.nation == nation && last.madeAt == changes_) return last;
        }
        return freshAnswersFor(nation);
    }
    NationAnswers& freshAnswersFor(std::uint32_t nation) const;
    bool unitNextTo(std::int16_t hex, std::uint32_t nation) const;
    bool zoneReaches(std::int16_t hex, std::uint32_t nation) const;

    std::vector<List<const VaelUnit*>> occupants_;
    List<const VaelUnit*> noOccupants_;
    std::uint16_t hexOffset_ = 1000;
    List<short> frontArcs_[9];
    std::uint32_t landscapeStyle_ = 0;
    std::uint16_t selectionConnected_ = 0;
    std::int32_t detailsOffered_ = -1; // the number of the unit whose details are offered
    // The table index of each region's neighbour in each direction (slots a region), -1 for none.
    std::vector<std::int32_t> neighbourIndex_;
    std::vector<FillSlot> fillSlots_;
    std::uint32_t fillGeneration_ = 0;
    std::deque<ResultTable> resultTables_; // a deque: a deeper fill's table must not move the outer one's
    std::size_t fillDepth_ = 0;
    std::string loadError_;
    std::uint64_t changes_ = 0;
    mutable std::vector<NationAnswers> nationAnswers_;
    mutable std::vector<EdgeFacts> edgeFacts_;
    mutable std::size_t lastAnswers_ = 0;
    std::unordered_map<std::uint32_t, std::vector<short>> countedRings_;
    std::size_t countedRingHexes_ = 0;
};

} // namespace vael
