#pragma once
// The walking-animation archive: the walking paths of every formation slot, in groups by formation kind
// ("Foot", "Phalanx", "Leader" ...), one record per slot. It is found by name through the map file like
// the image archives and shared the same way, so the records are read once per run. Every reader selects
// its group and item right before each look-up; the look-ups never read outside the tables: a group or
// item that does not exist answers null, and the caller places its figure without walking.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/display/oif.h"
#include "game/figures/facing_offsets.h"

namespace vael {

template <> class OIF<FacingOffsets> : public OIFBase {
public:
    static constexpr const char* DefaultName = "Default OIF";
    static constexpr const char* Name = "Walking Animation Data";
    static constexpr int TitleSize = ArchiveHead::TitleSize;
    static constexpr int GroupRecordSize = ArchiveHead::GroupRecordSize;
    static constexpr int CompactGroupSize = 26;

    // An empty archive that loads nothing.
    OIF();
    // The archive of that name, shared with those already open, else found through the map file.
    explicit OIF(const std::string& name);
    ~OIF() override;

    // A file whose counts, offsets or record sizes disagree with it is refused whole, with a trace line
    // naming it: the archive is left empty and nothing of it is kept.
    void readFile(const std::string& path, std::istream& file) override;
    // The compact form: i16 group count, i16 record count, then per group a 24-byte name and an i16
    // count; its records are all zero.
    void readMemory(const std::string& path, const std::uint8_t*& cursor, const std::uint8_t* end) override;
    void copyFrom(const OIFBase& other) override;
    void deleteImages() override;
    OIFBase* clone(const std::string& name) const override;

    std::uint16_t loaded() const { return loaded_; }
    std::int16_t groupCount() const { return static_cast<std::int16_t>(groups_.size()); }
    std::int16_t recordCount() const { return static_cast<std::int16_t>(records_.size()); }
    std::int16_t currentGroup() const { return currentGroup_; }
    std::string currentGroupName() const;
    std::int16_t isGroupIndex(std::int16_t g) const { return g >= 0 && g < groupCount(); }

    // Exact and case-sensitive; the current group becomes -1 when there is none of that name.
    std::int16_t selectGroup(const std::string& name);
    std::int16_t groupIndex(const std::string& name) const;
    std::int16_t hasGroup(const std::string& name) const { return groupIndex(name) >= 0; }
    // Group -1 is the current one.
    std::int16_t itemCount(std::int16_t group = -1) const;
    void setCurrentItem(std::int16_t index);
    std::int16_t currentItemIndex() const;
    void setCurrentItemByName(const std::string& name);
    std::int16_t itemIndexInCurrentGroup(const std::string& name) const;
    // The group's current item moves on by one, back to 0 after the last.
    void nextItem(std::int16_t group = -1);

    // Index -1 is the group's current item, group -1 the current group; null when either does not exist.
    FacingOffsets* item(std::int16_t index = -1, std::int16_t group = -1);
    FacingOffsets* itemByName(const std::string& name, std::int16_t group = -1);
    // In the named group, or the current one when no group has that name.
    FacingOffsets* itemByNames(const std::string& group, const std::string& name);
    void releaseItem(std::int16_t index = -1, std::int16_t group = -1);
    void releaseItemByName(const std::string& name, std::int16_t group = -1);
    void releaseItemByNames(const std::string& group, const std::string& name);
    void touchAll();

private:
    struct Group {
        std::string name;
        std::int16_t start = 0; // absolute index of the group's first record
        std::int16_t count = 0;
        std::int16_t currentItem = 0;
    };
    std::int16_t groupOf(std::int16_t group) const;
    void clear();
    void reject(const std::string& path, const std::string& why);

    std::uint16_t loaded_ = 0;
    std::int16_t currentGroup_ = 0;
    std::vector<Group> groups_;
    std::vector<FacingOffsets*> records_;
    bool master_ = false;      // the application's loaded copy
    bool ownsRecords_ = false; // read here rather than shared from the loaded copy
};

using WalkingAnimationData = OIF<FacingOffsets>;

} // namespace vael
