#include "framework/display/archive_pictures.h"

#include "framework/display/oif.h"

namespace vael {

namespace {

class ArchivePictures : public PictureArchive {
public:
    explicit ArchivePictures(const std::string& name) : archive_(name) {}

    std::int16_t selectGroup(const std::string& group) override {
        const std::int16_t index = archive_.findGroup(group);
        if (index >= 0) archive_.selectGroupIndex(index);
        return index;
    }
    std::optional<Picture> lockImage(const std::string& image, const std::string& group) override {
        return drawable(archive_.lockImage(image, group), [&] { archive_.unlockImage(image, group); });
    }
    void unlockImage(const std::string& image, const std::string& group) override {
        archive_.unlockImage(image, group);
    }
    std::optional<Picture> lockImageAt(std::int16_t index) override {
        // A negative index would name the current frame, which glyph look-ups never mean.
        if (index < 0) return {};
        return drawable(archive_.lockImageAt(index), [&] { archive_.unlockImageAt(index); });
    }
    void unlockImageAt(std::int16_t index) override {
        if (index >= 0) archive_.unlockImageAt(index);
    }
    std::optional<Picture> lockAnyImage(const std::string& image) override {
        for (std::int16_t g = 0; g < archive_.groupCount(); ++g)
            if (archive_.findImage(image, g) >= 0)
                return drawable(archive_.lockImageInGroup(image, g),
                                [&] { archive_.unlockImageInGroup(image, g); });
        return {};
    }
    void unlockAnyImage(const std::string& image) override {
        for (std::int16_t g = 0; g < archive_.groupCount(); ++g)
            if (archive_.findImage(image, g) >= 0) return archive_.unlockImageInGroup(image, g);
    }

private:
    // The frame draws rows as they are stored: a run-length picture, or one whose pixels could not be
    // read, is given back unlocked and counts as missing.
    template <class Unlock> static std::optional<Picture> drawable(Bitmap* bitmap, Unlock unlock) {
        if (!bitmap) return {};
        if (!bitmap->bits() || Bitmap::isRunLength(bitmap->kind())) {
            unlock();
            return {};
        }
        Picture picture;
        picture.surface = {bitmap->bits(), bitmap->width(), bitmap->height(), bitmap->stride()};
        picture.hotSpot = bitmap->hotSpot();
        picture.kind = bitmap->kind() == PixelOpaque ? PictureOpaque : PictureKeyed;
        return picture;
    }

    OIF<Bitmap> archive_;
};

} // namespace

std::unique_ptr<PictureArchive> openArchivePictures(const std::string& name) {
    return std::make_unique<ArchivePictures>(name);
}

void installArchivePictures() {
    PictureArchive::setOpener(&openArchivePictures);
}

} // namespace vael
