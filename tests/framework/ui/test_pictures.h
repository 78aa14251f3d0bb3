#pragma once
// Test support: image archives held in memory, in place of the display framework's. While a
// TestPictures object lives, every archive the frame opens by name shows the groups given to it here;
// an unknown name opens an archive without groups.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/picture_archive.h"

namespace vael::test {

struct TestPicture {
    std::string name;
    Dim size;
    Point hotSpot;
    std::int32_t kind = PictureKeyed;
    std::vector<std::uint8_t> pixels; // rows top-down, no padding
};

struct TestGroup {
    std::string name;
    std::vector<TestPicture> pictures;
};

struct TestArchive {
    std::vector<TestGroup> groups;
    int opened = 0; // how often the archive was opened
};

// A picture of one colour, with a one-pixel transparent column on the right when keyed.
TestPicture solidPicture(const std::string& name, Dim size, Point hotSpot, std::uint8_t colour,
                         std::int32_t kind = PictureKeyed);

// Pictures of one size and kind, each of the colour at its place in colours.
TestGroup solidGroup(const std::string& name, const std::vector<std::string>& pictures, Dim size,
                     const std::string& colours, std::int32_t kind = PictureOpaque);

// The glyph layouts of the fonts, every glyph filled with its own character code and followed by a
// transparent column: width 2 + code % 3 (A 4, B 2, M 4, j 3, 1 3), height 6 with the hot spot at (0, 4),
// so the ascent is 4; j is 7 high, so the descent is 3.
TestArchive dialogGlyphs();
TestArchive letterGlyphs();

class TestPictures {
public:
    TestPictures();
    ~TestPictures();
    TestPictures(const TestPictures&) = delete;
    TestPictures& operator=(const TestPictures&) = delete;

    TestArchive& operator[](const std::string& name) { return archives_[name]; }
    static TestPictures* current() { return current_; }

private:
    static std::unique_ptr<PictureArchive> open(const std::string& name);

    std::map<std::string, TestArchive> archives_;
    PictureArchive::Opener previous_;
    static inline TestPictures* current_ = nullptr;
};

} // namespace vael::test
