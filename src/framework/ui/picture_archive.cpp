#include "framework/ui/picture_archive.h"

namespace vael {

namespace {

class EmptyArchive : public PictureArchive {
public:
    std::int16_t selectGroup(const std::string&) override { return -1; }
    std::optional<Picture> lockImage(const std::string&, const std::string&) override { return {}; }
    void unlockImage(const std::string&, const std::string&) override {}
    std::optional<Picture> lockImageAt(std::int16_t) override { return {}; }
    void unlockImageAt(std::int16_t) override {}
    std::optional<Picture> lockAnyImage(const std::string&) override { return {}; }
    void unlockAnyImage(const std::string&) override {}
};

std::unique_ptr<PictureArchive> openEmpty(const std::string&) {
    return std::make_unique<EmptyArchive>();
}

PictureArchive::Opener& opener() {
    static PictureArchive::Opener current = openEmpty;
    return current;
}

} // namespace

PictureArchive::Opener PictureArchive::setOpener(Opener next) {
    const Opener previous = opener();
    opener() = next ? next : openEmpty;
    return previous;
}

std::unique_ptr<PictureArchive> PictureArchive::open(const std::string& name) {
    std::unique_ptr<PictureArchive> archive = opener()(name);
    return archive ? std::move(archive) : openEmpty(name);
}

} // namespace vael
