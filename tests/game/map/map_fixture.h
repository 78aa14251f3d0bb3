#pragma once
// The scene most sprite tests stand in: a test application whose map file finds the small test archive
// under "Test" at all three sizes, the normal view's layer with hand-written anchors, and a recording
// sound manager.
//
// Anchors (full, half, quarter): region 1204 at (300, 200), (150, 100), (75, 50); region 1305 at
// (430, 212), (215, 106), (107, 53). The archive: group "Walk" with A (2 x 1, pixels 1 2) and B (3 x 1,
// pixels 4 5 6), group "Stand" with C (1 x 1 keyed, pixel 9, hot spot (1, 2)).
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "framework/display/oif.h"
#include "game/map/vael_sprite.h"
#include "game/rules/roll.h"
#include "support/display/archive_bytes.h"
#include "support/map/anchor_layer.h"
#include "support/map/flag_archive.h"
#include "support/map/recording_sound_manager.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael::test {

inline List<FrameInfo> frames(std::initializer_list<FrameInfo> names) {
    List<FrameInfo> l;
    for (const FrameInfo& f : names)
        l.append(f);
    return l;
}

class MapScene : public ::testing::Test {
protected:
    MapScene() {
        writeFile(archivePath(), testArchive());
        writeFile(flagPath(), flagArchive());
        app.onFindInMapFile = [this](OIFBase* library) {
            const std::string n = library->name();
            std::string path;
            if (n == "Test" || n == "Test (Half size)" || n == "Test (Quarter size)") path = archivePath();
            if (n.rfind("Activation Unit Flags", 0) == 0) path = flagPath();
            if (path.empty()) return;
            std::ifstream file(path, std::ios::binary);
            library->readFile(path, file);
        };
        layer.setAnchors(1204, Point(300, 200), Point(150, 100), Point(75, 50));
        layer.setAnchors(1305, Point(430, 212), Point(215, 106), Point(107, 53));
        normal = std::make_unique<OIF<Bitmap>>("Test");
        half = std::make_unique<OIF<Bitmap>>("Test (Half size)");
        quarter = std::make_unique<OIF<Bitmap>>("Test (Quarter size)");
    }
    ~MapScene() override { Roll::endScript(); }

    std::string archivePath() const { return (dir / "test.oif").string(); }
    std::string flagPath() const { return (dir / "flags.oif").string(); }
    static void writeFile(const std::string& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::unique_ptr<VaelSprite> sprite(Point3D offset = Point3D(), FrameInfo frame = FrameInfo("Walk", 0),
                                       std::int16_t region = 1204) {
        return std::make_unique<VaelSprite>(region, offset, frame, 0, nullptr, DrawPlain, normal.get(),
                                            half.get(), quarter.get(), 0);
    }

    TestApplication app;
    TempDir dir{"map"};
    AnchorLayer layer;
    RecordingSoundManager sound;
    std::unique_ptr<OIF<Bitmap>> normal, half, quarter;
};

// One update; the boxes are dropped.
inline void step(VaelSprite& s, std::int32_t now) {
    std::unique_ptr<ZoomBoxes> boxes(s.update(now));
}

} // namespace vael::test
