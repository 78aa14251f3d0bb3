#pragma once
// An image archive: named groups of named images, read from an archive data file or from the image
// index, with a current group and a current frame per group for stepping through animations. Archives of
// one name share one set of images through the application, which keeps the loaded master copy and
// deletes its images when the last archive of that name goes.
#include <cstdint>
#include <string>
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
    std::int16_t groupCount() const { return static_cast<std::int16_t>(groups_.size()); }
    std::int16_t totalImages() const { return static_cast<std::int16_t>(images_.size()); }
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

private:
    struct Group {
        std::string name;
        std::uint16_t first = 0;
        std::uint16_t size = 0;
        std::uint16_t currentFrame = 0;
    };
    // The group an argument names: -1 stands for the current group. -1 when there is none.
    std::int16_t groupOf(std::int16_t group) const;
    T* lockAt(std::int16_t index);
    void unlockAt(std::int16_t index);
    void clear();
    // Drops what was read and leaves the archive empty, with a trace line.
    void reject(const std::string& path, const std::string& why);

    std::uint16_t loaded_ = 0;
    std::int16_t currentGroup_ = 0;
    std::vector<Group> groups_;
    std::vector<T*> images_;
    // The application's loaded copy: it owns the images and is never counted as a use.
    bool master_ = false;
};

extern template class OIF<Bitmap>;
extern template class OIF<WindowsBitmap>;

} // namespace vael
