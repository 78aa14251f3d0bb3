// The soldiers' artwork: the three sizes of every archive agree image by image, the stored run-length
// rows read back through the display's own reader to the pictures drawn, the same drawing gives the same
// bytes, and a contact sheet of every archive lands in the build folder for people to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <thread>
#include <tuple>

#include "framework/display/bitmap.h"
#include "framework/display/run_length.h"
#include "game/figures/display_catalogue.h"
#include "tools/forge/canvas.h"
#include "tools/forge/figure_art.h"
#include "tools/forge/forge_palette.h"

namespace vael::test {
namespace {

using forge::FigureArtwork;

class KeptPictures : public ::testing::Test {
protected:
    KeptPictures() { forge::keepFigurePictures(true); }
    ~KeptPictures() override { forge::keepFigurePictures(false); }

    static const DisplayCatalogue& catalogue() {
        static const DisplayCatalogue c = [] {
            DisplayCatalogue loaded;
            EXPECT_TRUE(loaded.load(VAEL_DISPLAY_CATALOGUE)) << loaded.error();
            return loaded;
        }();
        return c;
    }
};

// The picture the display's reader makes of stored run-length rows: literal bytes where the literal runs
// lie, the shadow byte where the shadow runs lie, 0 elsewhere.
std::vector<std::uint8_t> decoded(const forge::ForgedImage& image) {
    const int w = image.size.w, h = image.size.h;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w * h), 0);
    if (!runLengthRowsValid(image.pixels.data(), image.pixels.size(), w, h)) return {};
    const RunSpans spans = readRunSpans(image.pixels.data(), 0, h, w);
    for (const RunSpan& s : spans.literals.spans)
        for (int i = 0; i < s.length; ++i)
            out[static_cast<std::size_t>(s.y * w + s.x + i)] =
                image.pixels[s.pixels + static_cast<std::size_t>(i)];
    for (const RunSpan& s : spans.shadows.spans)
        for (int i = 0; i < s.length; ++i)
            out[static_cast<std::size_t>(s.y * w + s.x + i)] = forge::colour::Shadow;
    return out;
}

std::vector<std::uint8_t> pixelsOf(const forge::Picture& p) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            out.push_back(p.at(x, y));
    return out;
}

// Sizes and hot spots of the half and quarter images are the full-size ones halved and quartered
// (integer division, at least one pixel); every image is run-length with shadow runs, and its rows read
// back to what was drawn.
void checkArtwork(const FigureArtwork& art) {
    SCOPED_TRACE(art.name);
    const auto& full = art.sizes[0];
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const auto& a = art.sizes[static_cast<std::size_t>(k)];
        EXPECT_EQ(a.title, art.name + forge::SizeSuffixes[k]);
        ASSERT_EQ(a.groups.size(), full.groups.size());
        std::size_t picture = 0;
        for (std::size_t g = 0; g < a.groups.size(); ++g) {
            SCOPED_TRACE(full.groups[g].name);
            ASSERT_EQ(a.groups[g].name, full.groups[g].name);
            ASSERT_EQ(a.groups[g].images.size(), full.groups[g].images.size());
            for (std::size_t i = 0; i < a.groups[g].images.size(); ++i, ++picture) {
                SCOPED_TRACE(i);
                const forge::ForgedImage& big = full.groups[g].images[i];
                const forge::ForgedImage& img = a.groups[g].images[i];
                EXPECT_EQ(img.size.w, std::max(1, big.size.w >> k));
                EXPECT_EQ(img.size.h, std::max(1, big.size.h >> k));
                EXPECT_EQ(img.hotSpot.x, big.hotSpot.x >> k);
                EXPECT_EQ(img.hotSpot.y, big.hotSpot.y >> k);
                EXPECT_EQ(img.kind, PixelRunLengthShadow);
                ASSERT_LT(picture, art.pictures[static_cast<std::size_t>(k)].size());
                EXPECT_EQ(decoded(img), pixelsOf(art.pictures[static_cast<std::size_t>(k)][picture]));
            }
        }
        EXPECT_EQ(picture, art.pictures[static_cast<std::size_t>(k)].size());
    }
}

std::filesystem::path sheetFolder() {
    std::filesystem::path folder = VAEL_CONTACT_SHEET_DIR;
    std::filesystem::create_directories(folder);
    return folder;
}

// The pictures of the named groups at size k, in image order.
std::vector<const forge::Picture*> groupPictures(const FigureArtwork& art, int k,
                                                 const std::vector<std::string>& names) {
    std::vector<const forge::Picture*> out;
    std::size_t picture = 0;
    for (const forge::ForgedGroup& g : art.sizes[static_cast<std::size_t>(k)].groups)
        for (std::size_t i = 0; i < g.images.size(); ++i, ++picture)
            if (std::find(names.begin(), names.end(), g.name) != names.end())
                out.push_back(&art.pictures[static_cast<std::size_t>(k)][picture]);
    return out;
}

// Every image at full and at quarter size, and a close look at the standing figures at every size.
void writeSheets(const FigureArtwork& art) {
    for (int k : {0, 2}) {
        const auto path = sheetFolder() / (art.name + (k ? " quarter" : "") + ".png");
        EXPECT_TRUE(forge::writeFigureContactSheet(path, art, k)) << path;
    }
    const std::vector<std::string> close{"Standing", "E",     "CE",   "ME",     "General",
                                         "Default",  "NE",    "Stem", "Shield", "Bow",
                                         "Helmet",   "RoutE", "RE",   "TE",     "ASN"};
    for (int k = 0; k < 3; ++k) {
        const auto pictures = groupPictures(art, k, close);
        if (pictures.empty()) continue;
        const auto path = sheetFolder() / (art.name + " close " + std::to_string(k) + ".png");
        EXPECT_TRUE(forge::writeContactSheet(path, pictures, 8, 3 << k)) << path;
    }
}

// Besides each archive's sheets, one sheet of every kind standing, facing south-east, at each size: the
// kinds and the nations side by side.
TEST_F(KeptPictures, EveryUnitArchiveAgreesAcrossItsSizesAndReadsBackAsDrawn) {
    const auto archives = catalogue().archives();
    std::array<std::vector<forge::Picture>, 3> standing;
    for (auto& s : standing)
        s.resize(archives.size(), forge::Picture(1, 1));
    // The archives are drawn side by side: each thread keeps the pictures of the one it draws.
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        forge::keepFigurePictures(true);
        for (std::size_t i = next++; i < archives.size(); i = next++) {
            const FigureArtwork art = forge::unitArtwork(*archives[i]);
            checkArtwork(art);
            writeSheets(art);
            for (int k = 0; k < 3; ++k)
                standing[static_cast<std::size_t>(k)][i] = *groupPictures(art, k, {"Standing"}).at(3);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < std::max(2u, std::thread::hardware_concurrency() / 2); ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    for (int k = 0; k < 3; ++k) {
        std::vector<const forge::Picture*> all;
        for (const forge::Picture& p : standing[static_cast<std::size_t>(k)])
            all.push_back(&p);
        EXPECT_TRUE(forge::writeContactSheet(sheetFolder() / ("All kinds " + std::to_string(k) + ".png"), all,
                                             11, 2 << k));
    }
}

TEST_F(KeptPictures, TheSharedArchivesAgreeAcrossTheirSizesAndReadBackAsDrawn) {
    std::vector<FigureArtwork> shared;
    for (int m = 0; m < 5; ++m)
        shared.push_back(forge::projectileArtwork(m));
    shared.push_back(forge::routDebrisArtwork());
    for (int d = 0; d < 5; ++d)
        shared.push_back(forge::debrisObjectArtwork(d));
    for (const FigureArtwork& art : shared) {
        checkArtwork(art);
        writeSheets(art);
    }
}

// A resting missile shows nothing; a flying one shows something in every direction and frame.
TEST_F(KeptPictures, TheRestingMissileIsOneTransparentPixelAndTheFlyingOnesAreSeen) {
    for (int m = 0; m < 5; ++m) {
        SCOPED_TRACE(forge::ProjectileNames[m]);
        const FigureArtwork art = forge::projectileArtwork(m);
        for (int k = 0; k < 3; ++k) {
            const auto& groups = art.sizes[static_cast<std::size_t>(k)].groups;
            ASSERT_EQ(groups.front().name, "Default");
            const forge::ForgedImage& rest = groups.front().images.at(0);
            EXPECT_EQ((std::tuple{rest.size.w, rest.size.h}), std::tuple(1, 1));
            EXPECT_EQ(decoded(rest), (std::vector<std::uint8_t>{0}));
            for (std::size_t g = 1; g < groups.size(); ++g)
                for (const forge::ForgedImage& img : groups[g].images) {
                    const auto pixels = decoded(img);
                    EXPECT_TRUE(
                        std::any_of(pixels.begin(), pixels.end(), [](std::uint8_t p) { return p != 0; }))
                        << groups[g].name << " at size " << k;
                }
        }
    }
}

// The slingers' stones fly showing the one picture of "Stone"; the other missiles have no such group.
TEST(ProjectileArt, OnlyTheStonesHaveTheirOneFlyingPictureNamedStone) {
    for (int m = 0; m < 5; ++m) {
        SCOPED_TRACE(forge::ProjectileNames[m]);
        const FigureArtwork art = forge::projectileArtwork(m);
        for (int k = 0; k < 3; ++k) {
            const auto& groups = art.sizes[static_cast<std::size_t>(k)].groups;
            const auto stone = std::find_if(groups.begin(), groups.end(),
                                            [](const forge::ForgedGroup& g) { return g.name == "Stone"; });
            ASSERT_EQ(stone != groups.end(), m == 4) << "size " << k;
            if (m == 4) {
                EXPECT_EQ(stone->images.size(), 1u);
            }
        }
    }
}

// Every nation's units wear their own colour: the full-size standing phalanx, hoplite or infantryman
// carries more pixels of his nation's ramp than of any other nation's.
TEST_F(KeptPictures, TheNationsWearTheirOwnColours) {
    struct Row {
        std::uint16_t id;
        forge::Ramp ramp;
    } rows[] = {{17, forge::NationRed},
                {11, forge::NationPurple},
                {37, forge::NationOrange},
                {31, forge::NationBlue},
                {33, forge::NationYellow}};
    const forge::Ramp nations[] = {forge::NationRed, forge::NationBlue, forge::NationYellow,
                                   forge::NationPurple, forge::NationOrange};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        const DisplayCatalogueEntry* e = catalogue().find(r.id);
        ASSERT_NE(e, nullptr);
        const FigureArtwork art = forge::unitArtwork(*e);
        std::map<int, int> counts;
        for (int k = 0; k < 3; ++k)
            for (const forge::Picture& p : art.pictures[static_cast<std::size_t>(k)])
                for (std::uint8_t px : pixelsOf(p))
                    for (forge::Ramp n : nations)
                        if (px >= forge::shade(n, 0) && px <= forge::shade(n, 11)) ++counts[n];
        for (forge::Ramp n : nations) {
            if (n != r.ramp) {
                EXPECT_GT(counts[r.ramp], 4 * counts[n]) << n;
            }
        }
    }
}

TEST_F(KeptPictures, TheSameDrawingGivesTheSameBytes) {
    for (std::uint16_t id : {17, 40, 22}) {
        SCOPED_TRACE(id);
        const DisplayCatalogueEntry* e = catalogue().find(id);
        ASSERT_NE(e, nullptr);
        const FigureArtwork once = forge::unitArtwork(*e), twice = forge::unitArtwork(*e);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(forge::archiveBytes(once.sizes[static_cast<std::size_t>(k)]),
                      forge::archiveBytes(twice.sizes[static_cast<std::size_t>(k)]));
    }
}

} // namespace
} // namespace vael::test
