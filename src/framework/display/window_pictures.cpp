#include "framework/display/window_pictures.h"

#include <map>

#include "framework/core/application.h"
#include "framework/display/logical_palette.h"
#include "framework/display/oif.h"
#include "framework/ui/display.h"
#include "framework/ui/picture_archive.h"

namespace vael {

namespace {

class ArchivePictures : public PictureArchive {
public:
    explicit ArchivePictures(const std::string& name) : archive_(name) {}
    ArchivePictures(const ArchivePictures&) = delete;
    ArchivePictures& operator=(const ArchivePictures&) = delete;
    // Only this archive's own locks go: another archive of the same name shares the images.
    ~ArchivePictures() override {
        for (Bitmap* image : held_)
            image->unlock();
    }

    platform::Surface picture(const std::string& image, const std::string& group) override {
        const std::int16_t index = archive_.imageIndex(image, group);
        return index < 0 ? platform::Surface{} : at(index);
    }
    std::vector<platform::Surface> group(const std::string& group) override {
        return pictures(archive_.findGroup(group));
    }
    std::vector<platform::Surface> currentGroup() override { return pictures(archive_.currentGroup()); }
    Picture drawable(const std::string& image, const std::string& group) override {
        return drawableAt(archive_.imageIndex(image, group));
    }
    std::vector<Picture> drawables(const std::string& group) override {
        std::vector<Picture> out;
        const std::int16_t g = archive_.findGroup(group);
        if (!archive_.hasGroupIndex(g)) return out;
        for (std::int16_t frame = 0; frame < archive_.imageCount(g); ++frame)
            out.push_back(drawableAt(archive_.imageIndexAt(frame, g)));
        return out;
    }
    Picture drawableInAnyGroup(const std::string& image) override {
        for (std::int16_t g = 0; g < archive_.groupCount(); ++g)
            if (const std::int16_t index = archive_.findImage(image, g); index >= 0) return drawableAt(index);
        return {};
    }

private:
    Picture drawableAt(std::int16_t index) {
        if (index < 0) return {};
        const Bitmap* image = archive_.image(index);
        return Picture{at(index), image->hotSpot(),
                       image->kind() == PixelOpaque ? PictureOpaque : PictureKeyed};
    }
    std::vector<platform::Surface> pictures(std::int16_t group) {
        std::vector<platform::Surface> out;
        if (!archive_.hasGroupIndex(group)) return out;
        for (std::int16_t frame = 0; frame < archive_.imageCount(group); ++frame)
            out.push_back(at(archive_.imageIndexAt(frame, group)));
        return out;
    }
    // Each image is locked once, for as long as the windows may draw it.
    platform::Surface at(std::int16_t index) {
        if (auto found = locked_.find(index); found != locked_.end()) return found->second;
        Bitmap* image = archive_.image(index);
        if (image) image->lock();
        // Run-length rows are not rows of pixels: such an image cannot be copied as it is.
        platform::Surface surface;
        if (image && image->bits() && !Bitmap::isRunLength(image->kind()))
            surface = {image->bits(), image->width(), image->height(), image->stride()};
        if (image) held_.push_back(image);
        return locked_[index] = surface;
    }

    OIF<Bitmap> archive_;
    std::map<std::int16_t, platform::Surface> locked_;
    std::vector<Bitmap*> held_;
};

std::unique_ptr<PictureArchive> openArchive(const std::string& name) {
    return std::make_unique<ArchivePictures>(name);
}

// Without an application palette, the windows' own guess (black or white) stands.
std::uint8_t nearestInPalette(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const Application* app = Application::instance();
    const LogicalPalette* palette = app ? app->getPalette() : nullptr;
    if (palette) return palette->nearestIndex(red, green, blue);
    return red == 0 && green == 0 && blue == 0 ? 0 : 255;
}

} // namespace

void installWindowPictures() {
    PictureArchive::setOpener(&openArchive);
    Display::setColourMatcher(&nearestInPalette);
}

} // namespace vael
