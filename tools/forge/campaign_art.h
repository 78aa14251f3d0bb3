#pragma once
// The campaign map behind the "CampaignMap" dialog: the provinces of the campaign file as coloured lands
// with their borders and names, a sea to the south-west, rivers and the campaign's title, on an old map's
// parchment. Drawn with Cairo and reduced to the palette.
#include <string>
#include <vector>

#include "tools/forge/picture.h"

namespace vael::forge {

// The dialog's client area in pixels, which the picture fills whole.
constexpr int CampaignMapPictureWidth = 600, CampaignMapPictureHeight = 448;

struct CampaignMapProvince {
    int number = 0;
    std::string name;
    double labelX = 0, labelY = 0;
    std::vector<std::pair<double, double>> outline;
};
struct CampaignMapText {
    std::string title;
    std::vector<CampaignMapProvince> provinces;
};

// What the map needs of the campaign file's text ("title", "province", "label" and "outline" lines); the
// game checks the file whole. Throws std::invalid_argument naming a line it cannot read.
CampaignMapText campaignMapText(const std::string& text);

// The title's and the names' letters come from DejaVu Serif in the font directory; throws when they
// cannot be read.
Picture campaignMapPicture(const CampaignMapText& map, const std::string& fontDirectory);

} // namespace vael::forge
