#include "game/figures/walking_animation_data.h"

#include <memory>

#include "framework/core/application.h"
#include "framework/core/debug_stream.h"

namespace vael {

OIF<FacingOffsets>::OIF() : OIFBase(DefaultName) {}

OIF<FacingOffsets>::OIF(const std::string& name) : OIFBase(name) {
    if (!name.empty() && Application::instance()) Application::instance()->loadImageLibrary(*this);
}

OIF<FacingOffsets>::~OIF() {
    if (!master_ && Application::instance() && !ownsRecords_)
        Application::instance()->releaseImageLibrary(*this);
    if (!master_ && ownsRecords_) deleteImages();
}

OIFBase* OIF<FacingOffsets>::clone(const std::string& name) const {
    auto* copy = new OIF<FacingOffsets>();
    copy->setName(name);
    copy->master_ = true;
    return copy;
}

void OIF<FacingOffsets>::clear() {
    groups_.clear();
    records_.clear();
    currentGroup_ = 0;
    loaded_ = 0;
}

void OIF<FacingOffsets>::deleteImages() {
    for (FacingOffsets* record : records_)
        delete record;
    records_.clear();
}

void OIF<FacingOffsets>::reject(const std::string& path, const std::string& why) {
    debugStream() << "Walking animation data \"" << name() << "\" in " << path << " refused: " << why
                  << std::endl;
}

void OIF<FacingOffsets>::readFile(const std::string& path, std::istream& file) {
    if (ownsRecords_ || master_) deleteImages();
    clear();
    file.clear();
    ArchiveHead head;
    if (const char* why = head.read(file, FacingOffsets::Size)) return reject(path, why);
    const std::streamoff length = head.length;
    const std::int16_t groupCount = head.groupCount;
    const std::int16_t recordCount = head.recordCount;
    std::vector<Group> groups;
    std::vector<std::unique_ptr<FacingOffsets>> records;
    std::streamoff at = TitleSize + 4;
    for (std::int16_t g = 0; g < groupCount; ++g) {
        std::uint8_t bytes[GroupRecordSize];
        if (!readBytes(file, bytes, sizeof bytes)) return reject(path, "group record cut off");
        ByteReader record(bytes, bytes + sizeof bytes);
        Group group;
        group.name = record.text(128);
        group.count = record.i16();
        record.u32();
        const std::uint32_t next = record.u32();
        if (group.count < 0 || group.count > recordCount - static_cast<std::int32_t>(records.size()))
            return reject(path, "group \"" + group.name + "\" holds more records than the archive");
        const std::streamoff end = at + GroupRecordSize + std::streamoff{group.count} * FacingOffsets::Size;
        if (end > length) return reject(path, "the records of group \"" + group.name + "\" run past the end");
        // The next group begins after this one's records. No group follows the last, so whatever its offset
        // says is never sought and need not be sound.
        const bool last = g + 1 == groupCount;
        if (!last && (next < end || next > length))
            return reject(path, "bad next-group offset in group \"" + group.name + "\"");
        group.start = static_cast<std::int16_t>(records.size());
        for (std::int16_t i = 0; i < group.count; ++i) {
            auto offsets = std::make_unique<FacingOffsets>(file);
            if (!offsets->isValid()) return reject(path, "record cut off in group \"" + group.name + "\"");
            records.push_back(std::move(offsets));
        }
        groups.push_back(group);
        if (last) break;
        file.clear();
        file.seekg(next);
        at = next;
    }
    if (static_cast<std::int32_t>(records.size()) != recordCount)
        return reject(path, "record count does not match");
    groups_ = std::move(groups);
    for (auto& r : records)
        records_.push_back(r.release());
    ownsRecords_ = true;
    loaded_ = 1;
}

void OIF<FacingOffsets>::readMemory(const std::string& path, const std::uint8_t*& cursor,
                                    const std::uint8_t* end) {
    if (ownsRecords_ || master_) deleteImages();
    clear();
    ByteReader in(cursor, end);
    const std::int16_t groupCount = in.i16();
    const std::int16_t recordCount = in.i16();
    if (!in.ok() || groupCount < 0 || recordCount < 0 ||
        static_cast<std::size_t>(groupCount) * CompactGroupSize > in.remaining()) {
        cursor = end;
        return reject(path, "bad index entry");
    }
    std::vector<Group> groups;
    std::int32_t records = 0;
    for (std::int16_t g = 0; g < groupCount; ++g) {
        Group group;
        group.name = in.text(24);
        group.count = in.i16();
        if (group.count < 0 || group.count > recordCount - records) {
            cursor = end;
            return reject(path, "group \"" + group.name + "\" holds more records than the entry");
        }
        group.start = static_cast<std::int16_t>(records);
        records += group.count;
        groups.push_back(group);
    }
    cursor = in.position();
    if (records != recordCount) return reject(path, "record count does not match");
    groups_ = std::move(groups);
    for (std::int32_t i = 0; i < records; ++i)
        records_.push_back(new FacingOffsets());
    ownsRecords_ = true;
    loaded_ = 1;
}

void OIF<FacingOffsets>::copyFrom(const OIFBase& other) {
    if (ownsRecords_ && !master_) deleteImages();
    clear();
    ownsRecords_ = false;
    const auto* source = dynamic_cast<const OIF<FacingOffsets>*>(&other);
    if (!source) return;
    groups_ = source->groups_;
    records_ = source->records_;
    std::int16_t start = 0;
    for (Group& g : groups_) {
        g.start = start;
        start = static_cast<std::int16_t>(start + g.count);
        g.currentItem = 0;
    }
    loaded_ = 1;
}

// Look-ups.

std::int16_t OIF<FacingOffsets>::groupOf(std::int16_t group) const {
    const std::int16_t g = group == -1 ? currentGroup_ : group;
    return isGroupIndex(g) ? g : -1;
}

std::string OIF<FacingOffsets>::currentGroupName() const {
    const std::int16_t g = groupOf(-1);
    return g < 0 ? std::string() : groups_[static_cast<std::size_t>(g)].name;
}

std::int16_t OIF<FacingOffsets>::groupIndex(const std::string& name) const {
    for (std::size_t g = 0; g < groups_.size(); ++g)
        if (groups_[g].name == name) return static_cast<std::int16_t>(g);
    return -1;
}

std::int16_t OIF<FacingOffsets>::selectGroup(const std::string& name) {
    return currentGroup_ = groupIndex(name);
}

std::int16_t OIF<FacingOffsets>::itemCount(std::int16_t group) const {
    const std::int16_t g = groupOf(group);
    return g < 0 ? 0 : groups_[static_cast<std::size_t>(g)].count;
}

void OIF<FacingOffsets>::setCurrentItem(std::int16_t index) {
    const std::int16_t g = groupOf(-1);
    if (g >= 0) groups_[static_cast<std::size_t>(g)].currentItem = index;
}

std::int16_t OIF<FacingOffsets>::currentItemIndex() const {
    const std::int16_t g = groupOf(-1);
    return g < 0 ? -1 : groups_[static_cast<std::size_t>(g)].currentItem;
}

std::int16_t OIF<FacingOffsets>::itemIndexInCurrentGroup(const std::string& name) const {
    const std::int16_t g = groupOf(-1);
    if (g < 0) return -1;
    const Group& group = groups_[static_cast<std::size_t>(g)];
    for (std::int16_t i = 0; i < group.count; ++i)
        if (records_[static_cast<std::size_t>(group.start + i)]->name() == name) return i;
    return -1;
}

void OIF<FacingOffsets>::setCurrentItemByName(const std::string& name) {
    setCurrentItem(itemIndexInCurrentGroup(name));
}

void OIF<FacingOffsets>::nextItem(std::int16_t group) {
    const std::int16_t g = groupOf(group);
    if (g < 0) return;
    Group& entry = groups_[static_cast<std::size_t>(g)];
    entry.currentItem = static_cast<std::int16_t>(entry.currentItem + 1);
    if (entry.currentItem >= entry.count) entry.currentItem = 0;
}

FacingOffsets* OIF<FacingOffsets>::item(std::int16_t index, std::int16_t group) {
    const std::int16_t g = groupOf(group);
    if (g < 0) return nullptr;
    const Group& entry = groups_[static_cast<std::size_t>(g)];
    const std::int16_t i = index == -1 ? entry.currentItem : index;
    if (i < 0 || i >= entry.count) return nullptr;
    FacingOffsets* record = records_[static_cast<std::size_t>(entry.start + i)];
    record->lock();
    return record;
}

FacingOffsets* OIF<FacingOffsets>::itemByName(const std::string& name, std::int16_t group) {
    const std::int16_t g = groupOf(group);
    if (g < 0) return nullptr;
    const Group& entry = groups_[static_cast<std::size_t>(g)];
    for (std::int16_t i = 0; i < entry.count; ++i)
        if (records_[static_cast<std::size_t>(entry.start + i)]->name() == name) return item(i, g);
    return nullptr;
}

FacingOffsets* OIF<FacingOffsets>::itemByNames(const std::string& group, const std::string& name) {
    const std::int16_t g = groupIndex(group);
    return itemByName(name, g >= 0 ? g : static_cast<std::int16_t>(-1));
}

void OIF<FacingOffsets>::releaseItem(std::int16_t index, std::int16_t group) {
    const std::int16_t g = groupOf(group);
    if (g < 0) return;
    const Group& entry = groups_[static_cast<std::size_t>(g)];
    const std::int16_t i = index == -1 ? entry.currentItem : index;
    if (i >= 0 && i < entry.count) records_[static_cast<std::size_t>(entry.start + i)]->unlock();
}

void OIF<FacingOffsets>::releaseItemByName(const std::string& name, std::int16_t group) {
    const std::int16_t g = groupOf(group);
    if (g < 0) return;
    const Group& entry = groups_[static_cast<std::size_t>(g)];
    for (std::int16_t i = 0; i < entry.count; ++i)
        if (records_[static_cast<std::size_t>(entry.start + i)]->name() == name) return releaseItem(i, g);
}

void OIF<FacingOffsets>::releaseItemByNames(const std::string& group, const std::string& name) {
    const std::int16_t g = groupIndex(group);
    releaseItemByName(name, g >= 0 ? g : static_cast<std::int16_t>(-1));
}

void OIF<FacingOffsets>::touchAll() {
    for (FacingOffsets* record : records_)
        record->unlockAll();
}

} // namespace vael
