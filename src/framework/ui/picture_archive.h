#pragma once
// An image archive as the frame's own controls see it: named groups of pictures that are locked while
// they are drawn. The archives themselves belong to the display framework, which this layer may not use;
// it installs the opener that makes them, and until it does every archive opened here is empty.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/core/geometry.h"
#include "platform/platform.h"

namespace vael {

// The pixel kinds of pictures: an opaque one is copied whole, the others leave what lies under byte 0.
enum PictureKind : std::int32_t { PictureOpaque = 1, PictureKeyed = 2 };

struct Picture {
    platform::Surface surface;
    Point hotSpot; // the point of the picture that lands on the drawing position
    std::int32_t kind = PictureOpaque;

    std::int16_t width() const { return static_cast<std::int16_t>(surface.width); }
    std::int16_t height() const { return static_cast<std::int16_t>(surface.height); }
};

class PictureArchive {
public:
    using Opener = std::unique_ptr<PictureArchive> (*)(const std::string& name);
    // Answers the opener it replaces; null puts back the one that opens empty archives.
    static Opener setOpener(Opener opener);
    // The archive of that name, shared with those already open; never null.
    static std::unique_ptr<PictureArchive> open(const std::string& name);

    PictureArchive() = default;
    PictureArchive(const PictureArchive&) = delete;
    PictureArchive& operator=(const PictureArchive&) = delete;
    virtual ~PictureArchive() = default;

    // The index of the group made current, -1 when there is none of that name (the current one stays).
    virtual std::int16_t selectGroup(const std::string& group) = 0;
    // A picture stays valid while locked; nothing is locked when there is none.
    virtual std::optional<Picture> lockImage(const std::string& image, const std::string& group) = 0;
    virtual void unlockImage(const std::string& image, const std::string& group) = 0;
    // The picture at an index of the current group.
    virtual std::optional<Picture> lockImageAt(std::int16_t index) = 0;
    virtual void unlockImageAt(std::int16_t index) = 0;
    // The first picture of that name in any group.
    virtual std::optional<Picture> lockAnyImage(const std::string& image) = 0;
    virtual void unlockAnyImage(const std::string& image) = 0;
};

// Locks a picture for the length of a scope.
class LockedPicture {
public:
    LockedPicture(PictureArchive& archive, const std::string& image, const std::string& group)
        : picture_(archive.lockImage(image, group)) {
        if (picture_) unlock_ = [&archive, image, group] { archive.unlockImage(image, group); };
    }
    LockedPicture(PictureArchive& archive, std::int16_t index) : picture_(archive.lockImageAt(index)) {
        if (picture_) unlock_ = [&archive, index] { archive.unlockImageAt(index); };
    }
    LockedPicture(PictureArchive& archive, const std::string& image) : picture_(archive.lockAnyImage(image)) {
        if (picture_) unlock_ = [&archive, image] { archive.unlockAnyImage(image); };
    }
    LockedPicture(const LockedPicture&) = delete;
    LockedPicture& operator=(const LockedPicture&) = delete;
    ~LockedPicture() {
        if (unlock_) unlock_();
    }

    explicit operator bool() const { return picture_.has_value(); }
    const Picture& operator*() const { return *picture_; }
    const Picture* operator->() const { return &*picture_; }

private:
    std::optional<Picture> picture_;
    std::function<void()> unlock_;
};

} // namespace vael
