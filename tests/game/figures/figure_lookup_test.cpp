// Every group and image the unit display objects look up, looked up as they do it (archives opened by
// name through the map file and the image index of the build's data set) at all three sizes: the
// catalogue the data set carries, each unit's own artwork by its display class, the projectiles, the
// rout debris, the debris objects and the activation flags. Any miss fails.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/display/application_palette.h"
#include "framework/display/bitmap.h"
#include "framework/display/image_index.h"
#include "framework/display/oif.h"
#include "game/figures/display_catalogue.h"
#include "platform/headless/headless_platform.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

const char* const directions[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
const char* const sizes[3] = {"", " (Half size)", " (Quarter size)"};

// A group and the fewest images a display object reads from it.
struct Need {
    std::string group;
    int images;
};
using Needs = std::vector<Need>;

// The eight groups of a family: prefix + direction + suffix, each with that many images.
void family(Needs& needs, const std::string& prefix, int images, const std::string& suffix = "") {
    for (const char* d : directions)
        needs.push_back({prefix + d + suffix, images});
}

void casualties(Needs& needs, const std::string& suffix = "") {
    for (const char* cause : {"General", "Shock", "Arrow", "Trample"})
        needs.push_back({cause + suffix, 1});
}

Needs needsOf(DisplayClass c) {
    Needs needs;
    family(needs, "", 5); // walking: the rout lead-in plays images 3 and 4
    needs.push_back({"Standing", 8});
    casualties(needs);
    if (c == DisplayClass::PLeader || c == DisplayClass::PTezhar) {
        family(needs, "AS", 1);
        family(needs, "AS", 1, "WA");
        family(needs, "", 5, "WA");
        needs.push_back({"StandingWA", 8});
        return needs;
    }
    needs.push_back({"StandingR", 8});
    family(needs, "Rout", 5);
    family(needs, "C", 1);
    const bool foot = c == DisplayClass::PHeavyInfantry || c == DisplayClass::PPhalanx ||
                      c == DisplayClass::PCardaces || c == DisplayClass::PArcher ||
                      c == DisplayClass::PShockingArcher || c == DisplayClass::PJavelinist ||
                      c == DisplayClass::PShockingJavelinist || c == DisplayClass::PSlinger;
    if (foot) {
        family(needs, "Drop", 1);
        family(needs, "Helmet", 8); // images 0 to 7 of the first rout's lead-in
    }
    const bool missile = c == DisplayClass::PCardaces || c == DisplayClass::PArcher ||
                         c == DisplayClass::PMountedArcher || c == DisplayClass::PChariotArcher ||
                         c == DisplayClass::PShockingArcher || c == DisplayClass::PJavelinist ||
                         c == DisplayClass::PShockingJavelinist || c == DisplayClass::PMountedJavelinist ||
                         c == DisplayClass::PChariotJavelinist || c == DisplayClass::PElephant ||
                         c == DisplayClass::PSlinger || c == DisplayClass::POxybeles;
    if (missile) family(needs, "M", 4); // frames 0 to 3 of a shot, a throw or a sling
    if (c == DisplayClass::PPhalanx) needs.push_back({"ABOUTFACE", 8});
    if (c == DisplayClass::PLancer || c == DisplayClass::PMountedArcher ||
        c == DisplayClass::PMountedJavelinist || c == DisplayClass::PElephant)
        family(needs, "R", 5); // rearing: frames 0 to 4
    if (c == DisplayClass::PElephant) family(needs, "T", 3);
    if (c == DisplayClass::PChariotArcher || c == DisplayClass::PChariotJavelinist) casualties(needs, " A");
    return needs;
}

class DataApp : public TestWinApp {
public:
    using TestWinApp::TestWinApp;
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override {
        findIndexedDataFile(library, cursor, end, dataPath(5), "");
    }
};

class FigureLookupTest : public ::testing::Test {
protected:
    FigureLookupTest() {
        const std::string key = "SOFTWARE\\Tamblor\\Iron Vigils";
        platform.settings().writeText(platform::Settings::Root::Machine, key, "Path", VAEL_BUILD_DATA_DIR);
        platform.settings().writeText(platform::Settings::Root::Machine, key, "Palette", "VAEL.PAL");
        platform.openWindow(4, 1, "Figures");
        installApplicationPalette();
        app = std::make_unique<DataApp>(platform);
    }
    ~FigureLookupTest() override { WinApp::setPaletteMaker(nullptr, nullptr); }

    // Opens the archive at every size by name, as the display objects do, and looks every need up: the
    // group, and each image the display objects may ask for, which must load with pixels.
    void lookUp(const std::string& archive, const Needs& needs, bool runLength = true) {
        for (int k = 0; k < 3; ++k) {
            const std::string name = archive + sizes[k];
            SCOPED_TRACE(name);
            OIF<Bitmap> art(name);
            ASSERT_GT(art.groupCount(), 0) << "no such archive";
            for (const Need& n : needs) {
                SCOPED_TRACE(n.group);
                const std::int16_t group = art.findGroup(n.group);
                ASSERT_GE(group, 0) << "no such group";
                EXPECT_GE(art.imageCount(group), n.images);
                for (std::int16_t i = 0; i < n.images; ++i) {
                    Bitmap* image = art.lockImageAt(i, group);
                    ASSERT_NE(image, nullptr) << i;
                    EXPECT_TRUE(image->isValid() && image->bits() != nullptr) << i;
                    if (runLength) {
                        EXPECT_TRUE(Bitmap::isRunLength(image->kind())) << i;
                    }
                    art.unlockImageAt(i, group);
                }
            }
        }
    }

    platform::HeadlessPlatform platform;
    std::unique_ptr<DataApp> app;
};

TEST_F(FigureLookupTest, TheDataSetCarriesOurCatalogue) {
    DisplayCatalogue inData, inSource;
    ASSERT_TRUE(inData.load(std::string(VAEL_BUILD_DATA_DIR) + "/" + DisplayCatalogue::FileName))
        << inData.error();
    ASSERT_TRUE(inSource.load(VAEL_DISPLAY_CATALOGUE)) << inSource.error();
    EXPECT_TRUE(inData.missing().empty());
    ASSERT_EQ(inData.entries().size(), inSource.entries().size());
    for (std::uint16_t id = 0; id < DisplayCatalogue::TypeIdCount; ++id)
        EXPECT_EQ(*inData.find(id), *inSource.find(id)) << id;
}

TEST_F(FigureLookupTest, EveryUnitsArtworkHasWhatItsDisplayClassLooksUp) {
    DisplayCatalogue catalogue;
    ASSERT_TRUE(catalogue.load(std::string(VAEL_BUILD_DATA_DIR) + "/" + DisplayCatalogue::FileName));
    for (const DisplayCatalogueEntry* e : catalogue.entries()) {
        SCOPED_TRACE(e->typeId);
        lookUp(e->archive, needsOf(e->displayClass));
    }
}

TEST_F(FigureLookupTest, EveryProjectileSetHasItsRestingAndFlyingImages) {
    Needs needs{{"Default", 1}};
    family(needs, "", 3); // rising, level, falling
    for (const char* set : {"Arrows", "Bolt", "Javelins", "Indian Javelin", "Stone"})
        lookUp(set, needs);
}

TEST_F(FigureLookupTest, TheRoutDebrisHasEveryDroppedThing) {
    Needs needs{{"Shield", 1}, {"Shield U", 1}, {"Bow", 1}, {"Helmet", 1}};
    family(needs, "Spear", 1);
    lookUp("Generic Rout Debris", needs);
}

TEST_F(FigureLookupTest, EveryDebrisObjectStandsWalksAndFalls) {
    Needs needs{{"Standing", 8}};
    family(needs, "", 5);
    casualties(needs);
    for (const char* debris : {"Horse", "Cataphracted Horse", "Running Chariot", "Chariot Dragging Persian",
                               "Chariot Dragging Indian"})
        lookUp(debris, needs);
}

TEST_F(FigureLookupTest, TheActivationFlagsHaveAPoleAClothPerNationAndAShadow) {
    lookUp("Activation Unit Flags",
           {{"Stem", 1},
            {"Macedonian Flag", 1},
            {"Persian Flag", 1},
            {"Indian Flag", 1},
            {"Greek Flag", 1},
            {"Flag Shadow", 1}},
           false);
}

} // namespace
} // namespace vael::test
