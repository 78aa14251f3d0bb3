#include "framework/display/oif.h"

#include <cstring>
#include <memory>
#include <type_traits>

#include "framework/core/application.h"
#include "framework/core/debug_stream.h"
#include "framework/display/archive_head.h"
#include "framework/display/byte_reader.h"

namespace vael {

template <class T> OIF<T>::OIF() : OIFBase(DefaultName) {}

template <class T> OIF<T>::OIF(const std::string& name) : OIFBase(name) {
    if (!name.empty() && Application::instance()) Application::instance()->loadImageLibrary(*this);
}

template <class T>
OIF<T>::OIF(const std::string& name, const std::uint8_t*& cursor, const std::uint8_t* end) : OIFBase(name) {
    if (Application::instance()) Application::instance()->loadImageLibraryFromIndex(*this, cursor, end);
}

template <class T> OIF<T>::~OIF() {
    if (!master_ && Application::instance()) Application::instance()->releaseImageLibrary(*this);
}

template <class T> OIFBase* OIF<T>::clone(const std::string& name) const {
    auto* copy = new OIF<T>();
    copy->setName(name);
    copy->master_ = true;
    return copy;
}

template <class T> OIF<T>::Table::~Table() {
    for (T* image : images)
        delete image;
}

template <class T> T* OIF<T>::Table::image(std::int16_t index) {
    if constexpr (std::is_same_v<T, Bitmap>) {
        if (!records.empty()) {
            if (images.empty()) images.assign(static_cast<std::size_t>(count), nullptr);
            T*& made = images[static_cast<std::size_t>(index)];
            if (!made) {
                // The record is put back together as the index held it, and read as such.
                std::uint8_t record[CompactRecordSize] = {};
                const std::string_view name = imageName(index);
                std::memcpy(record, name.data(), name.size());
                std::memcpy(record + NameFieldSize, kept(index) + 4, RecordFieldsSize);
                const std::uint8_t* at = record;
                made = new Bitmap(path, at, record + CompactRecordSize);
            }
            return made;
        }
    }
    return images[static_cast<std::size_t>(index)];
}

template <class T> std::string_view OIF<T>::Table::imageName(std::int16_t index) const {
    if (records.empty()) return images[static_cast<std::size_t>(index)]->name();
    const std::uint8_t* at = kept(index);
    const std::uint32_t begin = at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    return std::string_view(names.data() + begin);
}

template <class T> void OIF<T>::Table::keep(const std::uint8_t* records, std::int16_t count) {
    std::size_t nameBytes = 0;
    for (std::int16_t i = 0; i < count; ++i)
        nameBytes += ByteReader(records + i * CompactRecordSize, records + (i + 1) * CompactRecordSize)
                         .text(NameFieldSize)
                         .size() +
                     1;
    names.reserve(nameBytes);
    this->records.resize(static_cast<std::size_t>(count) * KeptRecordSize);
    for (std::int16_t i = 0; i < count; ++i) {
        const std::uint8_t* record = records + i * CompactRecordSize;
        std::uint8_t* at = this->records.data() + static_cast<std::size_t>(i) * KeptRecordSize;
        const auto begin = static_cast<std::uint32_t>(names.size());
        for (int b = 0; b < 4; ++b)
            at[b] = static_cast<std::uint8_t>(begin >> (8 * b));
        std::memcpy(at + 4, record + NameFieldSize, RecordFieldsSize);
        names += ByteReader(record, record + NameFieldSize).text(NameFieldSize);
        names += '\0';
    }
    this->count = count;
}

template <class T> const std::vector<typename OIF<T>::Group>& OIF<T>::groups() const {
    static const std::vector<Group> none;
    return table_ ? table_->groups : none;
}

template <class T> void OIF<T>::setFrameOf(std::int16_t group, std::uint16_t frame) {
    if (frames_.empty()) {
        if (frame == 0) return;
        frames_.assign(groups().size(), 0);
    }
    frames_[static_cast<std::size_t>(group)] = frame;
}

template <class T> bool OIF<T>::isImageMade(std::int16_t index) const {
    if (index < 0 || index >= totalImages()) return false;
    const auto& images = table_->images;
    return !images.empty() && images[static_cast<std::size_t>(index)] != nullptr;
}

template <class T> void OIF<T>::clear() {
    table_.reset();
    frames_.clear();
    currentGroup_ = 0;
    loaded_ = 0;
}

// The images go with the last archive that holds them.
template <class T> void OIF<T>::deleteImages() {
    table_.reset();
    frames_.clear();
}

template <class T> void OIF<T>::reject(const std::string& path, const std::string& why) {
    debugStream() << "Image archive \"" << name() << "\" in " << path << " rejected: " << why << std::endl;
    clear();
}

template <class T> void OIF<T>::copyFrom(const OIFBase& other) {
    clear();
    const auto* source = dynamic_cast<const OIF<T>*>(&other);
    if (source) table_ = source->table_;
    loaded_ = 1;
}

template <class T> void OIF<T>::readFile(const std::string& path, std::istream& file) {
    clear();
    ArchiveHead head;
    if (const char* why = head.read(file, Bitmap::HeaderSize)) return reject(path, why);
    const std::streamoff length = head.length;
    const std::int16_t groupCount = head.groupCount;
    const std::int16_t imageCount = head.recordCount;
    auto table = std::make_shared<Table>();
    table->groups.reserve(static_cast<std::size_t>(groupCount));
    table->images.reserve(static_cast<std::size_t>(imageCount));
    for (std::int16_t g = 0; g < groupCount; ++g) {
        std::uint8_t record[GroupRecordSize];
        if (!readBytes(file, record, sizeof record)) return reject(path, "group record cut off");
        ByteReader group(record, record + sizeof record);
        Group entry;
        entry.name = group.text(128);
        const std::int16_t size = group.i16();
        group.u32();
        const std::uint32_t next = group.u32();
        if (size < 0 || size > imageCount - static_cast<std::int32_t>(table->images.size()))
            return reject(path, "group \"" + entry.name + "\" holds more images than the archive");
        entry.first = static_cast<std::uint16_t>(table->images.size());
        entry.size = static_cast<std::uint16_t>(size);
        table->groups.push_back(entry);
        for (std::int16_t i = 0; i < size; ++i) {
            auto image = std::make_unique<T>(path, file);
            bool inside = true;
            if constexpr (std::is_same_v<T, Bitmap>)
                inside = image->pixelOffset() >= 0 && image->pixelOffset() <= length &&
                         image->dataSize() <= length - image->pixelOffset();
            bool valid = true;
            if constexpr (requires { image->isValid(); }) valid = image->isValid();
            if (!valid || !inside) return reject(path, "bad image record in group \"" + entry.name + "\"");
            table->images.push_back(image.release());
        }
        if (g + 1 < groupCount && (next == 0 || next > length)) return reject(path, "bad next-group offset");
        file.clear();
        file.seekg(next);
    }
    if (static_cast<std::int16_t>(table->images.size()) != imageCount)
        return reject(path, "image count does not match");
    table->count = imageCount;
    table_ = std::move(table);
    loaded_ = 1;
}

template <class T>
void OIF<T>::readMemory(const std::string& path, const std::uint8_t*& cursor, const std::uint8_t* end) {
    clear();
    if constexpr (!std::is_same_v<T, Bitmap>) {
        cursor = end;
        return reject(path, "the image index holds drawing images only");
    }
    ByteReader in(cursor, end);
    const std::int16_t groupCount = in.i16();
    const std::int16_t imageCount = in.i16();
    const std::size_t needed =
        static_cast<std::size_t>(std::max<std::int16_t>(groupCount, 0)) * IndexGroupSize +
        static_cast<std::size_t>(std::max<std::int16_t>(imageCount, 0)) * CompactRecordSize;
    if (!in.ok() || groupCount < 0 || imageCount < 0 || needed > in.remaining()) {
        // Where the next entry would begin is unknown: the rest of the index is passed over.
        cursor = end;
        return reject(path, "bad index entry");
    }
    auto table = std::make_shared<Table>();
    table->groups.reserve(static_cast<std::size_t>(groupCount));
    std::int32_t images = 0;
    for (std::int16_t g = 0; g < groupCount; ++g) {
        Group entry;
        entry.name = in.text(24);
        const std::int16_t size = in.i16();
        if (size < 0 || size > imageCount - images) {
            cursor = end;
            return reject(path, "group \"" + entry.name + "\" holds more images than the entry");
        }
        entry.first = static_cast<std::uint16_t>(images);
        entry.size = static_cast<std::uint16_t>(size);
        images += size;
        table->groups.push_back(std::move(entry));
    }
    const std::uint8_t* at = in.position();
    const std::uint8_t* recordsEnd = at + static_cast<std::size_t>(imageCount) * CompactRecordSize;
    cursor = recordsEnd;
    if (images != imageCount) return reject(path, "image count does not match");
    // Each record is checked now, as its image would check it, and kept as it stands.
    for (const std::uint8_t* record = at; record < recordsEnd;)
        if (!Bitmap::isCompactRecordSound(path, record, recordsEnd)) return reject(path, "bad image record");
    table->path = path;
    table->keep(at, imageCount);
    table_ = std::move(table);
    loaded_ = 1;
}

// Look-ups.

template <class T> std::int16_t OIF<T>::groupOf(std::int16_t group) const {
    const std::int16_t g = group == -1 ? currentGroup_ : group;
    return hasGroupIndex(g) ? g : -1;
}

template <class T> std::int16_t OIF<T>::findGroup(const std::string& group) const {
    const std::vector<Group>& all = groups();
    for (std::size_t g = 0; g < all.size(); ++g)
        if (all[g].name == group) return static_cast<std::int16_t>(g);
    return -1;
}

template <class T> std::int16_t OIF<T>::selectGroup(const std::string& group) {
    return currentGroup_ = findGroup(group);
}

template <class T> OIF<T>& OIF<T>::selectGroupIndex(std::int16_t group) {
    currentGroup_ = group;
    return *this;
}

template <class T> std::string OIF<T>::currentGroupName() const {
    const std::int16_t g = groupOf(-1);
    return g < 0 ? std::string() : table_->groups[g].name;
}

template <class T> std::int16_t OIF<T>::imageCount(std::int16_t group) const {
    const std::int16_t g = groupOf(group);
    return g < 0 ? 0 : static_cast<std::int16_t>(table_->groups[g].size);
}

template <class T> std::uint16_t OIF<T>::currentFrame() const {
    const std::int16_t g = groupOf(-1);
    return g < 0 ? NoFrame : frameOf(g);
}

template <class T> std::int16_t OIF<T>::findImage(const std::string& image, std::int16_t group) const {
    const std::int16_t g = groupOf(group);
    if (g < 0) return -1;
    const Group& entry = table_->groups[g];
    for (std::uint16_t i = 0; i < entry.size; ++i) {
        const auto index = static_cast<std::int16_t>(entry.first + i);
        if (table_->imageName(index) == image) return index;
    }
    return -1;
}

template <class T> std::int16_t OIF<T>::findImageInCurrentGroup(const std::string& image) const {
    const std::int16_t index = findImage(image, -1);
    return index < 0 ? -1 : static_cast<std::int16_t>(index - table_->groups[currentGroup_].first);
}

template <class T> std::int16_t OIF<T>::imageIndex(const std::string& image, const std::string& group) const {
    return findImage(image, findGroup(group));
}

template <class T> std::int16_t OIF<T>::imageIndexAt(std::int16_t frame, std::int16_t group) const {
    const std::int16_t g = groupOf(group);
    if (g < 0) return -1;
    const Group& entry = table_->groups[g];
    const std::int32_t f = frame == -1 ? frameOf(g) : frame;
    // A frame past its group would name another group's image, or none.
    if (f < 0 || f >= entry.size) return -1;
    return static_cast<std::int16_t>(entry.first + f);
}

template <class T> T* OIF<T>::image(std::int16_t index) const {
    return index >= 0 && index < totalImages() ? table_->image(index) : nullptr;
}

template <class T> T* OIF<T>::lockAt(std::int16_t index) {
    T* bitmap = image(index);
    if (bitmap) bitmap->lock();
    return bitmap;
}

template <class T> void OIF<T>::unlockAt(std::int16_t index) {
    if (T* bitmap = image(index)) bitmap->unlock();
}

template <class T> T* OIF<T>::lockImage(const std::string& image, const std::string& group) {
    return lockAt(imageIndex(image, group));
}

template <class T> T* OIF<T>::lockImageInGroup(const std::string& image, std::int16_t group) {
    return lockAt(findImage(image, group));
}

template <class T> T* OIF<T>::lockImageAt(std::int16_t frame, std::int16_t group) {
    return lockAt(imageIndexAt(frame, group));
}

template <class T> void OIF<T>::unlockImage(const std::string& image, const std::string& group) {
    unlockAt(imageIndex(image, group));
}

template <class T> void OIF<T>::unlockImageInGroup(const std::string& image, std::int16_t group) {
    unlockAt(findImage(image, group));
}

template <class T> void OIF<T>::unlockImageAt(std::int16_t frame, std::int16_t group) {
    unlockAt(imageIndexAt(frame, group));
}

template <class T> void OIF<T>::unlockAll() {
    if (!table_) return;
    // Images not made yet hold no locks.
    for (T* bitmap : table_->images)
        if (bitmap) bitmap->unlockAll();
}

template <class T> std::int16_t OIF<T>::nextFrame(std::int16_t group) {
    const std::int16_t g = groupOf(group);
    if (g < 0) return -1;
    const std::uint16_t frame = frameOf(g);
    const std::uint16_t next =
        frame + 1 >= table_->groups[g].size ? 0 : static_cast<std::uint16_t>(frame + 1);
    setFrameOf(g, next);
    return static_cast<std::int16_t>(next);
}

template <class T> std::int16_t OIF<T>::nextFrameOfGroup(const std::string& group) {
    const std::int16_t g = findGroup(group);
    return g < 0 ? -1 : nextFrame(g);
}

template <class T> void OIF<T>::setCurrentFrame(std::int16_t frame) {
    const std::int16_t g = groupOf(-1);
    if (g >= 0) setFrameOf(g, static_cast<std::uint16_t>(frame));
}

template <class T> void OIF<T>::setCurrentFrameByName(const std::string& image) {
    const std::int16_t g = groupOf(-1);
    if (g < 0) return;
    const std::int16_t index = findImageInCurrentGroup(image);
    setFrameOf(g, index < 0 ? NoFrame : static_cast<std::uint16_t>(index));
}

template class OIF<Bitmap>;
template class OIF<WindowsBitmap>;

} // namespace vael
