#pragma once
// The pictures of an image archive as the windows see them: rows of palette indexes by group and name.
// The archives themselves belong to the display framework, which sits above the windows; it installs
// the opener, and until it has the windows draw with no pictures at all.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/geometry.h"
#include "platform/platform.h"

namespace vael {

// How a picture is drawn: an opaque one is copied whole, the others leave what lies under byte 0.
enum PictureKind : std::int32_t { PictureOpaque = 1, PictureKeyed = 2 };

// A picture as the controls draw it: its rows, the point of it that lands on the drawing position, and
// its kind.
struct Picture {
    platform::Surface surface;
    Point hotSpot;
    std::int32_t kind = PictureOpaque;

    bool exists() const { return surface.pixels != nullptr; }
    std::int16_t width() const { return static_cast<std::int16_t>(surface.width); }
    std::int16_t height() const { return static_cast<std::int16_t>(surface.height); }
};

class PictureArchive {
public:
    virtual ~PictureArchive() = default;
    // The picture of that name in the group; a surface without pixels when there is none.
    virtual platform::Surface picture(const std::string& image, const std::string& group) = 0;
    // Every picture of the group in order; none when there is no such group.
    virtual std::vector<platform::Surface> group(const std::string& group) = 0;
    // Every picture of the archive's current group, in order.
    virtual std::vector<platform::Surface> currentGroup() = 0;
    // The same with hot spots and kinds; without them an archive's pictures are opaque with the hot spot
    // at the corner.
    virtual Picture drawable(const std::string& image, const std::string& group) {
        return Picture{picture(image, group), Point(), PictureOpaque};
    }
    virtual std::vector<Picture> drawables(const std::string& group);
    // The first picture of that name in any group; one without pixels when there is none.
    virtual Picture drawableInAnyGroup(const std::string&) { return {}; }

    using Opener = std::unique_ptr<PictureArchive> (*)(const std::string& name);
    static Opener setOpener(Opener opener);
    // The archive of that name; an empty one when there is no opener or the archive cannot be had.
    static std::unique_ptr<PictureArchive> open(const std::string& name);
};

} // namespace vael
