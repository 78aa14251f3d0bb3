// Arbitrary text as the campaign file and as a scenario's list of variants. A bad text is refused with a
// reason naming what is wrong; a campaign taken has its start and every way on among its provinces, and
// every variant a plain file name and a title.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/shell/campaign.h"
#include "game/shell/campaign_dialogs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    const std::string text(reinterpret_cast<const char*>(data), size);
    CampaignDefinition campaign;
    std::string error;
    if (parseCampaign(text, campaign, error)) {
        if (!campaign.find(campaign.start) || campaign.title.empty()) std::abort();
        for (const CampaignProvince& p : campaign.provinces) {
            if ((p.onWin && !campaign.find(p.onWin)) || (p.onLoss && !campaign.find(p.onLoss))) std::abort();
            if (p.outline.size() < 3 || p.infantryGarrison > CampaignDefinition::MaxGarrison) std::abort();
            for (const Point& at : p.outline)
                if (at.x < 0 || at.y < 0 || at.x >= CampaignMapWidth || at.y >= CampaignMapHeight)
                    std::abort();
        }
    } else if (error.empty() || !campaign.provinces.empty()) {
        std::abort();
    }
    std::vector<ScenarioVariant> variants;
    error.clear();
    if (parseVariants(text, variants, error)) {
        for (const ScenarioVariant& v : variants)
            if (v.title.empty() || v.fileName.empty() || v.fileName.find('/') != std::string::npos)
                std::abort();
    } else if (error.empty() || !variants.empty()) {
        std::abort();
    }
    return 0;
}
