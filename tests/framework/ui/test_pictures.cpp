#include "test_pictures.h"

namespace vael::test {

namespace {

class MemoryArchive : public PictureArchive {
public:
    explicit MemoryArchive(TestArchive& archive) : archive_(archive) { ++archive_.opened; }

    platform::Surface picture(const std::string& image, const std::string& group) override {
        return drawable(image, group).surface;
    }
    std::vector<platform::Surface> group(const std::string& name) override {
        std::vector<platform::Surface> out;
        for (const Picture& p : drawables(name))
            out.push_back(p.surface);
        return out;
    }
    std::vector<platform::Surface> currentGroup() override {
        return archive_.groups.empty() ? std::vector<platform::Surface>{} : group(archive_.groups[0].name);
    }
    Picture drawable(const std::string& image, const std::string& group) override {
        return first(matching(&group, &image));
    }
    std::vector<Picture> drawables(const std::string& group) override { return matching(&group, nullptr); }
    Picture drawableInAnyGroup(const std::string& image) override { return first(matching(nullptr, &image)); }

private:
    // The pictures of the group and name given, in archive order; none given matches any.
    std::vector<Picture> matching(const std::string* group, const std::string* image) const {
        std::vector<Picture> out;
        for (const TestGroup& g : archive_.groups)
            for (const TestPicture& p : g.pictures)
                if ((!group || g.name == *group) && (!image || p.name == *image))
                    out.push_back({{p.pixels.data(), p.size.w, p.size.h, p.size.w}, p.hotSpot, p.kind});
        return out;
    }
    static Picture first(const std::vector<Picture>& pictures) {
        return pictures.empty() ? Picture{} : pictures[0];
    }

    TestArchive& archive_;
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

TestGroup solidGroup(const std::string& name, const std::vector<std::string>& pictures, Dim size,
                     const std::string& colours, std::int32_t kind) {
    TestGroup group{name, {}};
    for (std::size_t i = 0; i < pictures.size(); ++i)
        group.pictures.push_back(solidPicture(pictures[i], size, Point(), std::uint8_t(colours[i]), kind));
    return group;
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
