#pragma once
// The pictures of an image archive as the windows see them: rows of palette indexes by group and name.
// The archives themselves belong to the display framework, which sits above the windows; it installs
// the opener, and until it has the windows draw with no pictures at all.
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vael {

class PictureArchive {
public:
    virtual ~PictureArchive() = default;
    // The picture of that name in the group; a surface without pixels when there is none.
    virtual platform::Surface picture(const std::string& image, const std::string& group) = 0;
    // Every picture of the group in order; none when there is no such group.
    virtual std::vector<platform::Surface> group(const std::string& group) = 0;
    // Every picture of the archive's current group, in order.
    virtual std::vector<platform::Surface> currentGroup() = 0;

    using Opener = std::unique_ptr<PictureArchive> (*)(const std::string& name);
    static Opener setOpener(Opener opener);
    // The archive of that name; an empty one when there is no opener or the archive cannot be had.
    static std::unique_ptr<PictureArchive> open(const std::string& name);
};

} // namespace vael
