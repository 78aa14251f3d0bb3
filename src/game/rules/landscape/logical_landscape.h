#pragma once
// The bus component that owns the table of hexes of a battle's logical map. Region indices and hex
// numbers are the same here; the game's map numbers its hexes column * 100 + row and replaces the
// three mappings.
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/geometry.h"
#include "game/rules/landscape/logical_region.h"

namespace vael {

class LogicalLandscape : public Component {
public:
    explicit LogicalLandscape(const char* name = nullptr);
    ~LogicalLandscape() override;

    virtual std::int16_t idOf(std::int16_t index) const { return index; }
    virtual std::int16_t indexOf(std::int16_t hex) const { return hex; }
    // The region at a table index; null outside the table.
    virtual LogicalRegion* regionAt(std::int16_t n) const;

    std::int16_t regionCount() const { return regionCount_; }
    Point getSize() const { return size_; }

    // The neighbour of a hex in a region direction: null (or 0xFFFF) when there is none. A hex or a
    // neighbour number outside the table has no region.
    LogicalRegion* neighbourRegion(std::int16_t hex, std::int32_t direction) const;
    std::uint16_t neighbourId(std::int16_t hex, std::int32_t direction) const;

protected:
    // The table index of a hex for a look-up: indexOf, or -1 for a number that names no entry of the
    // table, so that a stray hex number never lands on another hex's region.
    virtual std::int32_t lookupIndex(std::int16_t hex) const { return indexOf(hex); }
    // The region at a table index, or null when the index lies outside the table. Inline: the rules
    // look regions up by the million in a battle.
    LogicalRegion* regionAtTableIndex(std::int32_t index) const {
        if (index < 0 || index >= regionCount_ || index >= static_cast<std::int32_t>(regions_.size()))
            return nullptr;
        return regions_[static_cast<std::size_t>(index)].get();
    }

    std::vector<std::unique_ptr<LogicalRegion>> regions_;
    std::int16_t regionCount_ = 0;
    Point size_{0, 0};
};

} // namespace vael
