// The battle map's overview: the unit marks asked for once and drawn over the picture, asked for again
// after a flip, and kept when the layer answers with something else.
#include "game/map/vael_overview_map.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "framework/core/bus.h"
#include "framework/ui/placed_at.h"
#include "framework/ui/test_display.h"
#include "support/display/archive_bytes.h"
#include "support/display/solid_bitmap.h"
#include "support/display/table_palette.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

// "Overview Maps", group "Field": "Scroll 1" 20 x 20 of colour 20, "Scroll 2" of colour 60. The group at
// 132, the images at 270 (pixels 420) and 820 (pixels 970).
Bytes overviewArchive() {
    Bytes b;
    putText(b, "Overview Maps", 128);
    put16(b, 1), put16(b, 2);
    putGroup(b, "Field", 2, 0, 0);
    putImageHeader(b, "Scroll 1", 20, 20, 0, 0, PixelOpaque, 400, 820);
    append(b, Bytes(400, 20));
    putImageHeader(b, "Scroll 2", 20, 20, 0, 0, PixelOpaque, 400, 0);
    append(b, Bytes(400, 60));
    return b;
}

// Answers "Get Unit Bitmap" with its marks (or with a short when told), noting the sizes asked for.
class MarksLayer : public Component {
public:
    MarksLayer() : Component("Marks layer") {}
    void connectHandlers() override {
        connectNamed("Get Unit Bitmap", [](Component* me, BusMessage, ContainerBase* data) -> ContainerBase* {
            auto* layer = static_cast<MarksLayer*>(me);
            Dim size;
            if (Container<Dim>::fromMessage(data, size)) layer->asked.push_back(size);
            if (layer->answerWrongly) return new Container<short>(1);
            return new Container<Bitmap*>(layer->marks);
        });
    }
    Bitmap* marks = nullptr;
    bool answerWrongly = false;
    std::vector<Dim> asked;
};

// The 20 x 20 picture with margins of 2: a 16 x 16 track at (2, 2). The content is 320 x 320 and the view
// its bottom-right 80 x 80, so the thumb (12, 12, 4, 4) stays clear of the pixels looked at.
class VaelOverviewMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        const Bytes bytes = overviewArchive();
        std::ofstream(path(), std::ios::binary) << std::string(bytes.begin(), bytes.end());
        app.onFindInMapFile = [this](OIFBase* library) {
            if (library->name() != "Overview Maps") return;
            std::ifstream file(path(), std::ios::binary);
            library->readFile(path(), file);
        };
        ownMarks.reset(solidBitmap(16, 16, 99, PixelKeyed));
        ownMarks->bits()[0] = 0; // transparent: the picture shows through
        layer.marks = ownMarks.get();
        layer.attach(bus);
        map = std::make_unique<VaelOverviewMap>(Dim(320, 320), Box(240, 240, 80, 80), "Field", Point(2, 2),
                                                Point(2, 2));
        map->attach(bus);
        map->setParent(&window, placedAt(Box(0, 0, 20, 20)));
    }
    std::string path() const { return (dir.path() / "overview.oif").string(); }
    std::uint8_t shownAt(int x, int y) { return window.bits()[y * window.stride() + x]; }

    TempDir dir{"vael-overview"};
    TablePaletteApp app;
    Bus bus{"Tile"};
    MarksLayer layer;
    std::unique_ptr<Bitmap> ownMarks;
    TestDisplay window{Dim(40, 40), "Tile"};
    std::unique_ptr<VaelOverviewMap> map;
};

TEST_F(VaelOverviewMapTest, TheMarksAreAskedForOnceAndDrawnOverTheTrack) {
    ASSERT_NE(map->picture(), nullptr);
    map->addDirtyBox(Box(0, 0, 20, 20));
    map->draw();
    map->addDirtyBox(Box(0, 0, 20, 20));
    map->draw();
    EXPECT_EQ((std::tuple{layer.asked, map->unitBitmap()}),
              std::tuple(std::vector<Dim>{Dim(16, 16)}, ownMarks.get()));
    const struct {
        int x, y;
        std::uint8_t colour;
    } rows[] = {{1, 1, 20}, {2, 2, 20}, {3, 2, 99}, {2, 3, 99}, {10, 10, 99}, {17, 17, 99}, {18, 18, 20}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
        EXPECT_EQ(shownAt(r.x, r.y), r.colour);
    }
}

TEST_F(VaelOverviewMapTest, AFlipAsksAgainAndAWrongAnswerKeepsTheMarks) {
    map->draw();
    map->flipPicture();
    EXPECT_EQ(layer.asked.size(), 2u);
    layer.answerWrongly = true;
    map->flipPicture();
    map->addDirtyBox(Box(0, 0, 20, 20));
    map->draw();
    EXPECT_EQ((std::tuple{layer.asked.size(), map->unitBitmap(), shownAt(1, 1), shownAt(3, 3)}),
              std::tuple(3u, ownMarks.get(), std::uint8_t{20}, std::uint8_t{99}));
}

} // namespace
} // namespace vael::test
