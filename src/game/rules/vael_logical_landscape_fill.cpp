// The breadth-first flood fills of the logical map.
#include <deque>
#include <vector>

#include "framework/core/debug_stream.h"
#include "game/rules/group.h"
#include "game/rules/leader.h"
#include "game/rules/vael_logical_landscape.h"
#include "game/rules/vael_unit.h"

namespace vael {

namespace {

constexpr std::uint16_t none = LogicalRegion::none;

List<DIRECTION> fixedDirections() {
    List<DIRECTION> directions;
    for (DIRECTION d : {NorthWest, North, NorthEast, SouthEast, South, SouthWest})
        directions.append(d);
    return directions;
}

} // namespace

std::int16_t VaelLogicalLandscape::unitStepCost(std::int16_t, std::int16_t, VaelLogicalLandscape*,
                                                VaelUnit*) {
    return 1;
}

void VaelLogicalLandscape::resetBestRemaining() {
    // Allocated by the first fill and kept for the next ones.
    bestRemaining_.assign(static_cast<std::size_t>(regionCount_), -1);
}

std::int16_t& VaelLogicalLandscape::bestRemainingAt(std::int16_t hex) {
    return bestRemaining_[static_cast<std::size_t>(lookupIndex(hex))];
}

void VaelLogicalLandscape::floodFill(List<short>& result, const List<DIRECTION>& directions,
                                     std::int16_t start, std::int16_t budget, std::int16_t allowZero,
                                     StepCostFunction cost, List<List<short>>* paths, List<short>* watch) {
    // A fill from a hex that is not on the map has nowhere to start.
    if (!isValidHex(start)) {
        debugStream() << "Flood fill asked to start from hex " << start << ", which is not on the map"
                      << std::endl;
        return;
    }
    result.append(start);
    VaelUnit* unit = const_cast<VaelUnit*>(firstOccupant(start));
    const bool doubleSized = unit && unit->isDoubleSized();
    if (doubleSized) result.append(unit->rightFlankHex(start));

    // The directions are read once; the queue is first in, first out.
    std::vector<std::int32_t> tries;
    {
        for (DIRECTION d : directions)
            tries.push_back(d);
    }
    resetBestRemaining();
    bestRemaining_[static_cast<std::size_t>(lookupIndex(start))] = budget;
    std::vector<PathStruct> queue;
    std::size_t head = 0;
    // The paths of the queue's entries live here until the fill ends.
    std::deque<List<short>> pathStore;
    PathStruct first;
    first.hex = static_cast<std::uint16_t>(start);
    first.remaining = budget;
    if (paths) {
        first.path = &pathStore.emplace_back();
        first.path->append(start);
    }
    queue.push_back(first);

    while (head < queue.size()) {
        const PathStruct entry = queue[head++];
        const auto c = static_cast<std::int16_t>(entry.hex);
        const std::int32_t cIndex = lookupIndex(c);
        const LogicalRegion& here = *regions_[static_cast<std::size_t>(cIndex)];
        bool deadEnd = true;
        for (std::int32_t d : tries) {
            if (d < 0 || d >= LogicalRegion::slots) continue;
            const std::uint16_t id = here.neighbours[static_cast<std::size_t>(d)];
            if (id == none) continue;
            const auto n = static_cast<std::int16_t>(id);
            const std::int32_t nIndex = lookupIndex(n);
            if (nIndex < 0) continue;
            std::int16_t& bestThere = bestRemaining_[static_cast<std::size_t>(nIndex)];
            const std::int16_t stepCost = cost(c, n, this, unit);
            // Any negative cost bars the step: a cost below -1 would otherwise hand out budget.
            if (stepCost < 0) continue;
            const int base = paths ? entry.remaining : bestRemaining_[static_cast<std::size_t>(cIndex)];
            const auto left = static_cast<std::int16_t>(base - stepCost);
            const bool withinBudget = allowZero ? left >= 0 : left == 0;
            if (withinBudget && (bestThere == -1 || paths)) {
                if (paths) result.remove(n);
                if (watch && watch->contains(n)) {
                    debugStream() << "Removing " << n << " from list" << std::endl;
                    watch->remove(n);
                }
                // Without paths a hex is accepted only when first reached, so it can be in the result
                // already only as a second hex of a double-sized unit; with paths it was just taken out.
                if (paths || !doubleSized || !result.contains(n)) result.append(n);
                deadEnd = false;
                if (doubleSized) {
                    const std::int16_t flank = unit->rightFlankHex(n);
                    if (flank != -1) {
                        if (watch && !result.contains(flank)) {
                            debugStream() << "Adding " << flank << " to list" << std::endl;
                            watch->append(flank);
                        }
                        result.remove(flank);
                        result.append(flank);
                    }
                }
            }
            if (!paths) {
                if (left > bestThere) {
                    bestThere = left;
                    PathStruct next;
                    next.hex = id;
                    queue.push_back(next);
                }
            } else {
                List<short>& extended = pathStore.emplace_back(*entry.path);
                extended.append(n);
                if (left < 1) {
                    paths->append(extended);
                } else {
                    PathStruct next;
                    next.hex = id;
                    next.remaining = left;
                    next.path = &extended;
                    queue.push_back(next);
                }
            }
        }
        if (paths && deadEnd) paths->append(*entry.path);
    }
}

void VaelLogicalLandscape::hexesAtExactCost(List<short>& result, std::int16_t start, std::int16_t budget,
                                            StepCostFunction cost) {
    floodFill(result, fixedDirections(), start, budget, 0, cost);
    result.removeAll(-1);
}

void VaelLogicalLandscape::hexesWithinCost(List<short>& result, std::int16_t start, std::int16_t budget,
                                           StepCostFunction cost) {
    floodFill(result, fixedDirections(), start, budget, 1, cost);
    result.removeAll(-1);
}

void VaelLogicalLandscape::floodFillFormation(List<short>& result, const List<DIRECTION>& directions,
                                              List<short> formation, std::int16_t budget,
                                              StepCostFunction cost) {
    short reference = 0;
    if (!formation.first(reference) || !isValidHex(reference)) {
        debugStream() << "Formation fill asked to start from hex " << reference << ", which is not on the map"
                      << std::endl;
        return;
    }
    Queue<List<short>> queue;
    queue.push(formation);
    result.append(reference);
    resetBestRemaining();
    bestRemainingAt(reference) = budget;
    Leader* leader = dynamic_cast<Leader*>(const_cast<VaelUnit*>(firstOccupant(reference)));
    const Group* group = leader ? leader->getGroup() : nullptr;

    List<short> current;
    while (queue.pop(current)) {
        short oldFirst = 0;
        current.first(oldFirst);
        for (DIRECTION d : directions) {
            List<short> moved;
            bool complete = true;
            bool barred = false;
            bool blocked = false;
            int largest = 0;
            ListIterator<short> hexes(current);
            for (short h = 0; hexes.next(h);) {
                const std::uint16_t id = neighbourId(h, d);
                if (id == none || lookupIndex(static_cast<std::int16_t>(id)) < 0) {
                    complete = false;
                    break;
                }
                const auto n = static_cast<std::int16_t>(id);
                moved.append(n);
                if (!blocked) {
                    const VaelUnit* occupant = firstOccupant(n);
                    if (occupant && !(group && group->contains(occupant))) blocked = true;
                }
                const std::int16_t stepCost = cost(h, n, this, leader);
                if (stepCost < 0) {
                    barred = true;
                    break;
                }
                if (stepCost > largest) largest = stepCost;
            }
            if (!complete || barred) continue;
            short newFirst = 0;
            moved.first(newFirst);
            const auto left = static_cast<std::int16_t>(bestRemainingAt(oldFirst) - largest);
            if (!blocked && left >= 0 && bestRemainingAt(newFirst) == -1) result.append(newFirst);
            if (left > bestRemainingAt(newFirst)) {
                bestRemainingAt(newFirst) = left;
                queue.push(moved);
            }
        }
    }
}

} // namespace vael
