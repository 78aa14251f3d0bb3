// Arbitrary bytes as a saved game that may carry a campaign between its scenario and the logical layer's
// part, and as a campaign record alone, over a campaign of five provinces. A bad record is refused with a
// reason and leaves the state as it was; a record taken writes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/shell/campaign.h"

namespace {

const vael::CampaignDefinition& definition() {
    static const vael::CampaignDefinition d = [] {
        vael::CampaignDefinition read;
        std::string error;
        if (!vael::parseCampaign("title T\nstart 1\n"
                                 "province 1 0 0 A.SCN 4 0 One\nprovince 4 1 1 B.SCN 3 2 Four\n"
                                 "province 2 2 0 C.SCN 4 0 Two\nprovince 3 1 2 D.SCN 5 4 Three\n"
                                 "province 5 2 2 E.SCN 0 3 Five\n"
                                 "outline 1 0 0 1 0 1 1\noutline 2 0 0 1 0 1 1\noutline 3 0 0 1 0 1 1\n"
                                 "outline 4 0 0 1 0 1 1\noutline 5 0 0 1 0 1 1\n"
                                 "label 1 0 0\nlabel 2 0 0\nlabel 3 0 0\nlabel 4 0 0\nlabel 5 0 0\n",
                                 read, error))
            std::abort();
        return read;
    }();
    return d;
}

void checkTaken(const vael::CampaignState& state) {
    if (!definition().find(state.province) || state.outcome > vael::CampaignState::Lost ||
        state.battles.size() > vael::campaign_record::MaxBattles)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    const std::vector<std::uint8_t> file(data, data + size);
    const CampaignState untouched{5, 3, CampaignState::Going, {{1, true}}};
    CampaignState state = untouched;
    std::string error;
    if (readCampaignRecord(data, size, definition(), state, error)) {
        checkTaken(state);
        if (writeCampaignRecord(state) != file) std::abort();
    } else if (error.empty() || !(state == untouched)) {
        std::abort();
    }
    state = untouched;
    error.clear();
    bool found = false;
    if (readSavedCampaign(file, definition(), state, found, error)) {
        if (found) checkTaken(state);
        if (!found && !(state == untouched)) std::abort();
    } else if (error.empty() || !(state == untouched)) {
        std::abort();
    }
    return 0;
}
