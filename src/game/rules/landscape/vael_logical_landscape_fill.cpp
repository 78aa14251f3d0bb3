// The breadth-first flood fills of the logical map.
#include <iterator>
#include <vector>

#include "framework/core/debug_stream.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

constexpr std::uint16_t none = LogicalRegion::none;

constexpr std::int32_t sixDirections[] = {NorthWest, North, NorthEast, SouthEast, South, SouthWest};

} // namespace

std::int16_t VaelLogicalLandscape::unitStepCost(std::int16_t, std::int16_t, VaelLogicalLandscape*,
                                                VaelUnit*) {
    return 1;
}

void VaelLogicalLandscape::resetBestRemaining() {
    // Allocated by the first fill and kept for the next ones; each fill after that only moves on a
    // generation, which makes every slot stale at once.
    if (fillSlots_.size() != static_cast<std::size_t>(regionCount_) || ++fillGeneration_ == 0) {
        fillSlots_.assign(static_cast<std::size_t>(regionCount_), FillSlot{});
        fillGeneration_ = 1;
    }
}

void VaelLogicalLandscape::floodFill(List<short>& result, const List<DIRECTION>& directions,
                                     std::int16_t start, std::int16_t budget, std::int16_t allowZero,
                                     StepCostFunction cost, List<List<short>>* paths, List<short>* watch) {
    // The directions are read once.
    std::vector<std::int32_t> tries;
    Item<DIRECTION>* it = nullptr;
    if (directions.firstItem(it))
        for (; it; it = it->next)
            tries.push_back(it->value);
    fill(result, tries.data(), tries.size(), start, budget, allowZero, cost, paths, watch);
}

void VaelLogicalLandscape::fill(List<short>& result, const std::int32_t* directions,
                                std::size_t directionCount, std::int16_t start, std::int16_t budget,
                                std::int16_t allowZero, StepCostFunction cost, List<List<short>>* paths,
                                List<short>* watch) {
    // A fill from a hex that is not on the map has nowhere to start.
    if (!isValidHex(start)) {
        debugStream() << "Flood fill asked to start from hex " << start << ", which is not on the map"
                      << std::endl;
        return;
    }
    resetBestRemaining();

    // The result is kept as a run of values while the fill works, each hex counting its places in it, so
    // that asking whether a hex is in it, and moving a hex to its end, cost no walk along a list. The
    // list gets the run back, in the same order, when the fill ends.
    if (resultTables_.size() <= fillDepth_) resultTables_.emplace_back();
    ResultTable& table = resultTables_[fillDepth_];
    struct Depth {
        std::size_t& depth;
        explicit Depth(std::size_t& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } depth(fillDepth_);
    if (table.slots.size() != static_cast<std::size_t>(regionCount_) || ++table.generation == 0) {
        table.slots.assign(static_cast<std::size_t>(regionCount_), ResultSlot{});
        table.generation = 1;
    }
    // The slot of a hex on the map, null for a number off it (which is then looked for along the run).
    const auto slotOf = [&](short value) -> ResultSlot* {
        const std::int32_t index = lookupIndex(value);
        if (index < 0 || index >= regionCount_) return nullptr;
        ResultSlot& slot = table.slots[static_cast<std::size_t>(index)];
        if (slot.stamp != table.generation) slot = ResultSlot{table.generation, 0, 0};
        return &slot;
    };
    std::vector<short>& values = table.values;
    std::vector<char>& alive = table.alive;
    values.clear();
    alive.clear();
    bool removed = false;
    const auto add = [&](short value) {
        if (ResultSlot* slot = slotOf(value); slot && slot->count++ == 0)
            slot->first = static_cast<std::uint32_t>(values.size());
        values.push_back(value);
        alive.push_back(1);
    };
    const auto findFrom = [&](short value, std::size_t from) {
        for (std::size_t i = from; i < values.size(); ++i)
            if (alive[i] && values[i] == value) return i;
        return values.size();
    };
    const auto contains = [&](short value) {
        if (const ResultSlot* slot = slotOf(value)) return slot->count > 0;
        return findFrom(value, 0) < values.size();
    };
    // Takes out the first place of value, as List::remove does.
    const auto remove = [&](short value) {
        ResultSlot* slot = slotOf(value);
        if (!slot) {
            if (const std::size_t at = findFrom(value, 0); at < values.size()) {
                alive[at] = 0;
                removed = true;
            }
            return;
        }
        if (slot->count == 0) return;
        alive[slot->first] = 0;
        removed = true;
        if (--slot->count > 0) slot->first = static_cast<std::uint32_t>(findFrom(value, slot->first + 1));
    };
    Item<short>* had = nullptr;
    if (result.firstItem(had))
        for (; had; had = had->next)
            add(had->value);
    const std::size_t kept = values.size();

    add(start);
    VaelUnit* unit = const_cast<VaelUnit*>(firstOccupant(start));
    const bool doubleSized = unit && unit->isDoubleSized();
    if (doubleSized) add(unit->rightFlankHex(start));

    fillSlot(lookupIndex(start)).bestRemaining = budget;

    // The queue is first in, first out. With paths, each entry names its hex's node in a tree of the
    // steps walked, and a path is spelt out only when it is handed over.
    std::vector<QueueEntry>& queue = table.queue;
    std::vector<StepWalked>& steps = table.steps;
    std::vector<short>& walk = table.walk;
    queue.clear();
    steps.clear();
    const auto handOver = [&](std::int32_t node) {
        walk.clear();
        for (std::int32_t at = node; at >= 0; at = steps[static_cast<std::size_t>(at)].previous)
            walk.push_back(steps[static_cast<std::size_t>(at)].hex);
        List<short> path;
        for (auto it = walk.rbegin(); it != walk.rend(); ++it)
            path.append(*it);
        paths->append(path);
    };
    if (paths) steps.push_back(StepWalked{start, -1});
    queue.push_back(QueueEntry{static_cast<std::uint16_t>(start), budget, paths ? 0 : -1});

    for (std::size_t head = 0; head < queue.size();) {
        const QueueEntry entry = queue[head++];
        const auto c = static_cast<std::int16_t>(entry.hex);
        const std::int32_t cIndex = lookupIndex(c);
        const LogicalRegion& here = *regions_[static_cast<std::size_t>(cIndex)];
        const std::int32_t* around =
            &neighbourIndex_[static_cast<std::size_t>(cIndex) * LogicalRegion::slots];
        bool deadEnd = true;
        for (std::size_t t = 0; t < directionCount; ++t) {
            const std::int32_t d = directions[t];
            if (d < 0 || d >= LogicalRegion::slots) continue;
            const std::int32_t nIndex = around[d];
            if (nIndex < 0) continue;
            const std::uint16_t id = here.neighbours[static_cast<std::size_t>(d)];
            const auto n = static_cast<std::int16_t>(id);
            const std::int16_t stepCost = cost(c, n, this, unit);
            // Any negative cost bars the step: a cost below -1 would otherwise hand out budget.
            if (stepCost < 0) continue;
            std::int16_t& bestThere = fillSlot(nIndex).bestRemaining;
            const int base = paths ? entry.remaining : fillSlot(cIndex).bestRemaining;
            const auto left = static_cast<std::int16_t>(base - stepCost);
            const bool withinBudget = allowZero ? left >= 0 : left == 0;
            if (withinBudget && (bestThere == -1 || paths)) {
                if (paths) remove(n);
                if (watch && watch->contains(n)) {
                    debugStream() << "Removing " << n << " from list" << std::endl;
                    watch->remove(n);
                }
                // Without paths a hex is accepted only when first reached, so it can be in the result
                // already only as a second hex of a double-sized unit; with paths it was just taken out.
                if (paths || !doubleSized || !contains(n)) add(n);
                deadEnd = false;
                if (doubleSized) {
                    const std::int16_t flank = unit->rightFlankHex(n);
                    if (flank != -1) {
                        if (watch && !contains(flank)) {
                            debugStream() << "Adding " << flank << " to list" << std::endl;
                            watch->append(flank);
                        }
                        remove(flank);
                        add(flank);
                    }
                }
            }
            if (!paths) {
                if (left > bestThere) {
                    bestThere = left;
                    queue.push_back(QueueEntry{id, -1, -1});
                }
            } else {
                steps.push_back(StepWalked{n, entry.node});
                const auto node = static_cast<std::int32_t>(steps.size() - 1);
                if (left < 1)
                    handOver(node);
                else
                    queue.push_back(QueueEntry{id, left, node});
            }
        }
        if (paths && deadEnd) handOver(entry.node);
    }

    // What the list held stays as it was unless some of it was taken out.
    std::size_t from = kept;
    if (removed) {
        result.clear();
        from = 0;
    }
    for (std::size_t i = from; i < values.size(); ++i)
        if (alive[i]) result.append(values[i]);
}

void VaelLogicalLandscape::hexesAtExactCost(List<short>& result, std::int16_t start, std::int16_t budget,
                                            StepCostFunction cost) {
    fill(result, sixDirections, std::size(sixDirections), start, budget, 0, cost, nullptr, nullptr);
    result.removeAll(-1);
}

void VaelLogicalLandscape::hexesWithinCost(List<short>& result, std::int16_t start, std::int16_t budget,
                                           StepCostFunction cost) {
    fill(result, sixDirections, std::size(sixDirections), start, budget, 1, cost, nullptr, nullptr);
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
