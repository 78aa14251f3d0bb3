// The campaign map as the forge draws it from the campaign file: the lands where the outlines put them,
// the sea around them, and a sheet in the build folder to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tools/forge/campaign_art.h"
#include "tools/forge/canvas.h"
#include "tools/forge/forge.h"

namespace vael::test {
namespace {

TEST(CampaignArt, TheMapTextTakesTitleNamesLabelsAndOutlinesAndNamesTheLineItCannotRead) {
    const forge::CampaignMapText map = forge::campaignMapText("# a comment\n"
                                                              "title The March\nstart 2\n"
                                                              "province 2 0 1 A.SCN 0 0 Two Rivers\n"
                                                              "label 2 30 40\n"
                                                              "outline 2 1 2 3 4 5 6\n");
    EXPECT_EQ(map.title, "The March");
    ASSERT_EQ(map.provinces.size(), 1u);
    EXPECT_EQ(map.provinces[0].number, 2);
    EXPECT_EQ(map.provinces[0].name, "Two Rivers");
    EXPECT_EQ(map.provinces[0].labelX, 30);
    EXPECT_EQ(map.provinces[0].labelY, 40);
    EXPECT_EQ(map.provinces[0].outline, (std::vector<std::pair<double, double>>{{1, 2}, {3, 4}, {5, 6}}));
    for (const char* bad :
         {"label 3 1 1\n", "province 1 0 0 A.SCN 0 0\n", "outline 1 1 2 3 x 5 6\n", "river 1\n"}) {
        SCOPED_TRACE(bad);
        const std::string text = std::string("province 1 0 0 A.SCN 0 0 One\n") + bad;
        try {
            forge::campaignMapText(text);
            ADD_FAILURE() << "read";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
        }
    }
}

TEST(CampaignArt, TheMapFillsTheDialogWithLandInsideTheProvincesAndSeaOutside) {
    std::ifstream in(VAEL_CAMPAIGN_FILE_FOR_TESTS);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const forge::CampaignMapText map = forge::campaignMapText(text);
    ASSERT_EQ(map.provinces.size(), 5u);
    const forge::Picture picture = forge::campaignMapPicture(map, forge::FontDirectory);
    ASSERT_EQ(picture.width(), forge::CampaignMapPictureWidth);
    ASSERT_EQ(picture.height(), forge::CampaignMapPictureHeight);
    const std::filesystem::path sheet = std::filesystem::path(VAEL_CONTACT_SHEET_DIR) / "campaign map.png";
    std::filesystem::create_directories(sheet.parent_path());
    EXPECT_TRUE(forge::writeContactSheet(sheet, {&picture}, 1));
    // The sea's corner (top right, left of the compass) and a land's middle differ; every pixel is drawn.
    const std::uint8_t sea = picture.at(590, 5), land = picture.at(100, 200);
    EXPECT_NE(sea, land);
    for (int y = 0; y < picture.height(); y += 7)
        for (int x = 0; x < picture.width(); x += 7)
            ASSERT_NE(picture.at(x, y), 0) << x << "," << y;
}

} // namespace
} // namespace vael::test
