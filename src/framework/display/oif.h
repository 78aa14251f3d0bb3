#pragma once
// An image archive: named groups of named images, read from an archive data file or from the image
// index, with a current group and a current frame per group for stepping through animations. Archives of
// one name share one table of groups and images through the application, which keeps the loaded master
// copy; the table is counted by its holders and its images go with the last of them. A battle opens
// thousands of archives of a few dozen names, and the index alone names some forty thousand images of
// which a battle draws a few thousand: so each archive keeps only its current frames, and an image of
// the index stays a compact record in the table's one block until it is first asked for.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/oif_base.h"
#include "framework/display/archive_head.h"
#include "framework/display/bitmap.h"
#include "framework/display/windows_bitmap.h"

namespace vael {

// T is the kind of record: Bitmap for the images that are drawn, WindowsBitmap for window pictures. Only
// Bitmap archives come in the image index.
template <class T> class OIF : public OIFBase {
public:
    static constexpr const char* DefaultName = "Default OIF";
    static constexpr int TitleSize = ArchiveHead::TitleSize;
    static constexpr int GroupRecordSize = ArchiveHead::GroupRecordSize;
    static constexpr int IndexGroupSize = 26;
    static constexpr int CompactRecordSize = 42;
    static constexpr std::uint16_t NoFrame = 0xFFFF;

    // An empty archive that loads nothing.
    OIF();
    // The archive of that name, shared with those already open, else found through the map file.
    explicit OIF(const std::string& name);
    // The archive described by the image index entry at the cursor (after its name); the cursor is left
    // after the entry.
    OIF(const std::string& name, const std::uint8_t*& cursor, const std::uint8_t* end);
    ~OIF() override;

    void readFile(const std::string& path, std::istream& file) override;
    void readMemory(const std::string& path, const std::uint8_t*& cursor, const std::uint8_t* end) override;
    void copyFrom(const OIFBase& other) override;
    void deleteImages() override;
    OIFBase* clone(const std::string& name) const override;

    std::uint16_t loaded() const { return loaded_; }
    std::int16_t hasGroup(const std::string& group) const { return findGroup(group) >= 0; }
    std::int16_t hasGroupIndex(std::int16_t group) const { return group >= 0 && group < groupCount(); }
    std::int16_t findGroup(const std::string& group) const;
    std::int16_t selectGroup(const std::string& group);
    OIF& selectGroupIndex(std::int16_t group);
    std::int16_t currentGroup() const { return currentGroup_; }
    std::string currentGroupName() const;
    std::int16_t groupCount() const { return static_cast<std::int16_t>(groups().size()); }
    std::int16_t totalImages() const { return table_ ? table_->count : 0; }
    std::int16_t imageCount(std::int16_t group = -1) const;
    std::uint16_t currentFrame() const;
    std::int16_t findImageInCurrentGroup(const std::string& image) const;
    std::int16_t findImage(const std::string& image, std::int16_t group = -1) const;
    std::int16_t imageIndex(const std::string& image, const std::string& group) const;
    std::int16_t imageIndexAt(std::int16_t frame = -1, std::int16_t group = -1) const;

    // The locks answer null for an image that does not exist, and lock nothing.
    T* lockImage(const std::string& image, const std::string& group);
    T* lockImageInGroup(const std::string& image, std::int16_t group = -1);
    T* lockImageAt(std::int16_t frame = -1, std::int16_t group = -1);
    void unlockImage(const std::string& image, const std::string& group);
    void unlockImageInGroup(const std::string& image, std::int16_t group = -1);
    void unlockImageAt(std::int16_t frame = -1, std::int16_t group = -1);
    void unlockAll();
    // The image at an absolute index; null outside the archive.
    T* image(std::int16_t index) const;

    std::int16_t nextFrame(std::int16_t group = -1);
    std::int16_t nextFrameOfGroup(const std::string& group);
    void setCurrentFrame(std::int16_t frame);
    void setCurrentFrameByName(const std::string& image);

    // How many archives hold this one's table (itself included); 0 when it has none.
    long tableUses() const { return table_.use_count(); }
    // Whether the image at an absolute index has been made from its record yet.
    bool isImageMade(std::int16_t index) const;

private:
    struct Group {
        std::string name;
        std::uint16_t first = 0;
        std::uint16_t size = 0;
    };
    // What the archives of one name share.
    struct Table {
        std::vector<Group> groups;
        std::int16_t count = 0;
        // Owned; for an archive of the index, empty until an image is first asked for, then null for each
        // image not yet made.
        std::vector<T*> images;
        // An archive of the index: its data file, and each compact record as it stood but for its name:
        // where the name begins in names (4 bytes), then the record's other fields, RecordFieldsSize bytes.
        // Names are short and their field wide: each is kept once, ended by a NUL.
        static constexpr int NameFieldSize = 24;
        static constexpr int RecordFieldsSize = CompactRecordSize - NameFieldSize;
        static constexpr int KeptRecordSize = 4 + RecordFieldsSize;
        std::string path;
        std::vector<std::uint8_t> records;
        std::string names;

        Table() = default;
        Table(const Table&) = delete;
        Table& operator=(const Table&) = delete;
        ~Table();
        T* image(std::int16_t index);
        std::string_view imageName(std::int16_t index) const;
        // Keeps count compact records read from the index.
        void keep(const std::uint8_t* records, std::int16_t count);
        const std::uint8_t* kept(std::int16_t index) const {
            return records.data() + static_cast<std::size_t>(index) * KeptRecordSize;
        }
    };
    const std::vector<Group>& groups() const;
    // The group an argument names: -1 stands for the current group. -1 when there is none.
    std::int16_t groupOf(std::int16_t group) const;
    std::uint16_t frameOf(std::int16_t group) const { return frames_.empty() ? 0 : frames_[group]; }
    void setFrameOf(std::int16_t group, std::uint16_t frame);
    T* lockAt(std::int16_t index);
    void unlockAt(std::int16_t index);
    void clear();
    // Drops what was read and leaves the archive empty, with a trace line.
    void reject(const std::string& path, const std::string& why);

    std::uint16_t loaded_ = 0;
    std::int16_t currentGroup_ = 0;
    std::shared_ptr<Table> table_;
    // The current frame of each group; empty while every group is at its first.
    std::vector<std::uint16_t> frames_;
    // The application's loaded copy: it is never counted as a use.
    bool master_ = false;
};

extern template class OIF<Bitmap>;
extern template class OIF<WindowsBitmap>;

} // namespace vael
