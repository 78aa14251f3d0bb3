#include "test_pictures.h"

namespace vael::test {

namespace {

class MemoryArchive : public PictureArchive {
public:
    explicit MemoryArchive(TestArchive& archive) : archive_(archive) { ++archive_.opened; }

    std::int16_t selectGroup(const std::string& group) override {
        for (std::size_t g = 0; g < archive_.groups.size(); ++g)
            if (archive_.groups[g].name == group) return current_ = static_cast<std::int16_t>(g);
        return -1;
    }
    std::optional<Picture> lockImage(const std::string& image, const std::string& group) override {
        const std::int16_t previous = current_;
        const bool found = selectGroup(group) >= 0;
        const TestPicture* p = found ? find(image) : nullptr;
        current_ = previous;
        return lock(p);
    }
    void unlockImage(const std::string&, const std::string&) override { --archive_.locks; }
    std::optional<Picture> lockImageAt(std::int16_t index) override {
        if (current_ < 0 || current_ >= static_cast<std::int16_t>(archive_.groups.size())) return {};
        const auto& pictures = archive_.groups[static_cast<std::size_t>(current_)].pictures;
        if (index < 0 || index >= static_cast<std::int16_t>(pictures.size())) return {};
        return lock(&pictures[static_cast<std::size_t>(index)]);
    }
    void unlockImageAt(std::int16_t) override { --archive_.locks; }
    std::optional<Picture> lockAnyImage(const std::string& image) override {
        for (const TestGroup& g : archive_.groups)
            for (const TestPicture& p : g.pictures)
                if (p.name == image) return lock(&p);
        return {};
    }
    void unlockAnyImage(const std::string&) override { --archive_.locks; }

private:
    const TestPicture* find(const std::string& image) const {
        for (const TestPicture& p : archive_.groups[static_cast<std::size_t>(current_)].pictures)
            if (p.name == image) return &p;
        return nullptr;
    }
    std::optional<Picture> lock(const TestPicture* p) {
        if (!p) return {};
        ++archive_.locks;
        Picture picture;
        picture.surface = {p->pixels.data(), p->size.w, p->size.h, p->size.w};
        picture.hotSpot = p->hotSpot;
        picture.kind = p->kind;
        return picture;
    }

    TestArchive& archive_;
    std::int16_t current_ = 0;
};

TestGroup glyphGroup(const char* name, int firstCode, int lastCode) {
    TestGroup group{name, {}};
    for (int code = firstCode; code <= lastCode; ++code) {
        const auto width = static_cast<std::int16_t>(2 + code % 3);
        const std::int16_t height = code == 'j' ? 7 : 6;
        group.pictures.push_back(solidPicture(std::string(1, static_cast<char>(code)), Dim(width, height),
                                              Point(0, 4), static_cast<std::uint8_t>(code)));
    }
    return group;
}

} // namespace

TestPicture solidPicture(const std::string& name, Dim size, Point hotSpot, std::uint8_t colour,
                         std::int32_t kind) {
    TestPicture p{name, size, hotSpot, kind,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(size.w * size.h))};
    for (int y = 0; y < size.h; ++y)
        for (int x = 0; x < size.w; ++x)
            p.pixels[static_cast<std::size_t>(y * size.w + x)] =
                kind == PictureKeyed && x == size.w - 1 ? 0 : colour;
    return p;
}

TestArchive dialogGlyphs() {
    return TestArchive{{glyphGroup("Alphanumeric", 33, 126)}};
}

TestArchive letterGlyphs() {
    return TestArchive{{glyphGroup("Alpha", 'A', 'z'), glyphGroup("Numeric", '0', '9')}};
}

TestPictures::TestPictures() : previous_(PictureArchive::setOpener(&TestPictures::open)) {
    current_ = this;
}

TestPictures::~TestPictures() {
    PictureArchive::setOpener(previous_);
    current_ = nullptr;
}

std::unique_ptr<PictureArchive> TestPictures::open(const std::string& name) {
    return std::make_unique<MemoryArchive>((*current_)[name]);
}

} // namespace vael::test
