#include "framework/ui/picture_archive.h"

namespace vael {

namespace {

class NoPictures : public PictureArchive {
public:
    platform::Surface picture(const std::string&, const std::string&) override { return {}; }
    std::vector<platform::Surface> group(const std::string&) override { return {}; }
    std::vector<platform::Surface> currentGroup() override { return {}; }
};

PictureArchive::Opener& opener() {
    static PictureArchive::Opener open = nullptr;
    return open;
}

} // namespace

std::vector<Picture> PictureArchive::drawables(const std::string& name) {
    std::vector<Picture> out;
    for (const platform::Surface& surface : group(name))
        out.push_back(Picture{surface, Point(), PictureOpaque});
    return out;
}

PictureArchive::Opener PictureArchive::setOpener(Opener open) {
    const Opener previous = opener();
    opener() = open;
    return previous;
}

std::unique_ptr<PictureArchive> PictureArchive::open(const std::string& name) {
    std::unique_ptr<PictureArchive> archive = opener() ? opener()(name) : nullptr;
    return archive ? std::move(archive) : std::make_unique<NoPictures>();
}

} // namespace vael
