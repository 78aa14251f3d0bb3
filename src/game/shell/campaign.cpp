#include "game/shell/campaign.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/read_file.h"
#include "game/flow/flow_records.h"
#include "game/rules/units/unit_type.h"
#include "game/shell/saved_game_header.h"
#include "game/shell/shell_message_names.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "CAMPAIGN";

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

bool number(const std::string& word, long low, long high, long& value) {
    const char* end = word.data() + word.size();
    const auto [at, failed] = std::from_chars(word.data(), end, value);
    return failed == std::errc() && at == end && value >= low && value <= high;
}

// The words from the n-th on, joined by single spaces.
std::string restOf(const std::vector<std::string>& words, std::size_t n) {
    std::string text;
    for (std::size_t i = n; i < words.size(); ++i)
        text += (text.empty() ? "" : " ") + words[i];
    return text;
}

struct Reader {
    const std::uint8_t* at;
    const std::uint8_t* end;
    bool take(std::size_t n, const std::uint8_t*& from) {
        if (static_cast<std::size_t>(end - at) < n) return false;
        from = at, at += n;
        return true;
    }
    bool u8(std::uint8_t& v) {
        const std::uint8_t* p;
        if (!take(1, p)) return false;
        return v = p[0], true;
    }
    bool u16(std::uint16_t& v) {
        const std::uint8_t* p;
        if (!take(2, p)) return false;
        return v = static_cast<std::uint16_t>(p[0] | p[1] << 8), true;
    }
    bool i32(std::int32_t& v) {
        const std::uint8_t* p;
        if (!take(4, p)) return false;
        return v = static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                             std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24),
               true;
    }
};

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v)), out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putI32(std::vector<std::uint8_t>& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

std::uint32_t u32At(const std::vector<std::uint8_t>& file, std::size_t at) {
    return std::uint32_t(file[at]) | std::uint32_t(file[at + 1]) << 8 | std::uint32_t(file[at + 2]) << 16 |
           std::uint32_t(file[at + 3]) << 24;
}

} // namespace

const CampaignProvince* CampaignDefinition::find(std::int32_t number) const {
    for (const CampaignProvince& p : provinces)
        if (p.number == number) return &p;
    return nullptr;
}

// The definition.

bool parseCampaign(const std::string& text, CampaignDefinition& definition, std::string& error) {
    CampaignDefinition read;
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    std::set<long> labelled, outlined;
    auto fail = [&](const std::string& why) {
        return error = "line " + std::to_string(lineNumber) + ": " + why, false;
    };
    long startLine = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> w = wordsOf(line);
        if (w.empty() || w[0][0] == '#') continue;
        long n = 0;
        if (w[0] == "title") {
            read.title = restOf(w, 1);
            if (read.title.empty()) return fail("the title is empty");
        } else if (w[0] == "start") {
            if (w.size() != 2 || !number(w[1], 1, CampaignDefinition::MaxProvince, n))
                return fail("start needs a province number from 1 to 99");
            read.start = static_cast<std::int32_t>(n), startLine = lineNumber;
        } else if (w[0] == "province") {
            // province NUMBER INFANTRY CAVALRY SCENARIO WIN LOSS NAME...
            long inf = 0, cav = 0, win = 0, loss = 0;
            if (w.size() < 8) return fail("a province needs its number, garrisons, battle, ways on and name");
            if (!number(w[1], 1, CampaignDefinition::MaxProvince, n))
                return fail("a province's number runs from 1 to 99");
            if (read.find(static_cast<std::int32_t>(n))) return fail("province " + w[1] + " comes twice");
            if (!number(w[2], 0, CampaignDefinition::MaxGarrison, inf) ||
                !number(w[3], 0, CampaignDefinition::MaxGarrison, cav))
                return fail("a garrison runs from 0 to 50 units");
            if (w[4].size() > saved_header::MaxScenarioName || w[4].find('/') != std::string::npos ||
                w[4].find('\\') != std::string::npos || w[4] == "." || w[4] == "..")
                return fail("the battle " + w[4] + " is not a file name of the scenario directory");
            if (!number(w[5], 0, CampaignDefinition::MaxProvince, win) ||
                !number(w[6], 0, CampaignDefinition::MaxProvince, loss))
                return fail("a win or a loss leads to a province from 1 to 99, or 0 to end the campaign");
            CampaignProvince p;
            p.number = static_cast<std::int32_t>(n), p.name = restOf(w, 7), p.scenario = w[4];
            p.infantryGarrison = static_cast<std::int16_t>(inf),
            p.cavalryGarrison = static_cast<std::int16_t>(cav);
            p.onWin = static_cast<std::int32_t>(win), p.onLoss = static_cast<std::int32_t>(loss);
            read.provinces.push_back(std::move(p));
        } else if (w[0] == "label" || w[0] == "outline") {
            const bool label = w[0] == "label";
            if (w.size() < 2 || !number(w[1], 1, CampaignDefinition::MaxProvince, n))
                return fail("a " + w[0] + " names a province from 1 to 99");
            CampaignProvince* p = const_cast<CampaignProvince*>(read.find(static_cast<std::int32_t>(n)));
            if (!p) return fail("province " + w[1] + " is not defined above its " + w[0]);
            if (!(label ? labelled : outlined).insert(n).second)
                return fail("province " + w[1] + " has two " + w[0] + "s");
            const std::size_t coordinates = w.size() - 2;
            if (label ? coordinates != 2 : (coordinates < 6 || coordinates % 2 != 0))
                return fail(label ? "a label is one point: x y"
                                  : "an outline is three points or more: x y x y x y");
            std::vector<Point> points;
            for (std::size_t i = 2; i + 1 < w.size(); i += 2) {
                long x = 0, y = 0;
                if (!number(w[i], 0, CampaignMapWidth - 1, x) ||
                    !number(w[i + 1], 0, CampaignMapHeight - 1, y))
                    return fail("the point " + w[i] + " " + w[i + 1] + " lies off the campaign map");
                points.emplace_back(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
            }
            if (label)
                p->label = points.front();
            else
                p->outline = std::move(points);
        } else {
            return fail("unknown word " + w[0]);
        }
    }
    lineNumber = 0;
    if (read.provinces.empty()) return fail("the campaign has no province");
    if (read.title.empty()) return fail("the campaign has no title");
    lineNumber = static_cast<int>(startLine);
    if (!read.find(read.start)) return fail("the campaign starts in no province of its own");
    for (const CampaignProvince& p : read.provinces) {
        lineNumber = 0;
        for (std::int32_t next : {p.onWin, p.onLoss})
            if (next != 0 && !read.find(next))
                return fail("province " + std::to_string(p.number) + " leads to province " +
                            std::to_string(next) + ", which is not defined");
        if (p.outline.empty() || !labelled.count(p.number))
            return fail("province " + std::to_string(p.number) + " has no outline or no label on the map");
    }
    definition = std::move(read);
    return true;
}

bool readCampaignFile(const std::string& path, CampaignDefinition& definition, std::string& error) {
    std::string text;
    if (!readDataText(path, text, error, file_limits::Text)) return false;
    if (!parseCampaign(text, definition, error)) return error = path + ", " + error, false;
    return true;
}

// The saved state.

std::vector<std::uint8_t> writeCampaignRecord(const CampaignState& state) {
    std::vector<std::uint8_t> out(std::begin(campaign_record::Tag), std::end(campaign_record::Tag));
    putU16(out, campaign_record::Version);
    putI32(out, state.province);
    putI32(out, state.lastProvince);
    out.push_back(static_cast<std::uint8_t>(state.outcome));
    const std::size_t count = std::min(state.battles.size(), campaign_record::MaxBattles);
    putU16(out, static_cast<std::uint16_t>(count));
    // A campaign longer than the record holds keeps its latest battles.
    for (std::size_t i = state.battles.size() - count; i < state.battles.size(); ++i) {
        putI32(out, state.battles[i].province);
        out.push_back(state.battles[i].won ? 1 : 0);
    }
    return out;
}

bool readCampaignRecord(const std::uint8_t* bytes, std::size_t size, const CampaignDefinition& definition,
                        CampaignState& state, std::string& error) {
    Reader r{bytes, bytes + size};
    const std::uint8_t* tag = nullptr;
    std::uint16_t version = 0, count = 0;
    std::uint8_t outcome = 0;
    CampaignState read;
    if (!r.take(4, tag) || !std::equal(tag, tag + 4, campaign_record::Tag))
        return error = "the saved game's campaign record is not one", false;
    if (!r.u16(version) || version != campaign_record::Version)
        return error = "the saved game's campaign record is of an unknown version", false;
    if (!r.i32(read.province) || !r.i32(read.lastProvince) || !r.u8(outcome) || !r.u16(count))
        return error = "the saved game's campaign record is cut short", false;
    if (outcome > CampaignState::Lost) return error = "the saved game's campaign ends in no known way", false;
    read.outcome = static_cast<CampaignState::Outcome>(outcome);
    if (!definition.find(read.province))
        return error = "the saved game's campaign stands in province " + std::to_string(read.province) +
                       ", which the campaign does not have",
               false;
    if (read.lastProvince != 0 && !definition.find(read.lastProvince))
        return error = "the saved game's campaign came from province " + std::to_string(read.lastProvince) +
                       ", which the campaign does not have",
               false;
    if (count > campaign_record::MaxBattles)
        return error = "the saved game's campaign has more battles than a campaign keeps", false;
    for (std::uint16_t i = 0; i < count; ++i) {
        CampaignBattle battle;
        std::uint8_t won = 0;
        if (!r.i32(battle.province) || !r.u8(won))
            return error = "the saved game's campaign record is cut short", false;
        if (won > 1 || !definition.find(battle.province))
            return error = "the saved game's campaign has a battle the campaign does not have", false;
        battle.won = won != 0;
        read.battles.push_back(battle);
    }
    if (r.at != r.end) return error = "the saved game's campaign record runs on past its end", false;
    state = std::move(read);
    return true;
}

bool readSavedCampaign(const std::vector<std::uint8_t>& file, const CampaignDefinition& definition,
                       CampaignState& state, bool& found, std::string& error) {
    found = false;
    SavedScenario scenario;
    std::size_t scenarioEnd = 0;
    if (!readSavedScenario(file, scenario, error, &scenarioEnd)) return false;
    const std::uint32_t layerAt = u32At(file, saved_header::LogicalOffset);
    // A game saved outside a campaign has the layer's part right after the scenario.
    if (layerAt == scenarioEnd) return true;
    if (layerAt < scenarioEnd || layerAt > file.size())
        return error = "the saved game's parts overlap or lie past its end", false;
    found = true;
    return readCampaignRecord(file.data() + scenarioEnd, layerAt - scenarioEnd, definition, state, error);
}

// The campaign component.

Campaign::Campaign() : Component("Vael Campaign") {}

void Campaign::connectHandlers() {
    connectNamed(
        msg::GarrisonLevel, [](Component* target, BusMessage, ContainerBase* data) -> ContainerBase* {
            auto* self = static_cast<Campaign*>(target);
            if (!self->inBattle_) return nullptr;
            return callWithPayload<UNIT_TYPE>(
                data, sourceFile, __LINE__, [&](UNIT_TYPE kind) -> ContainerBase* {
                    return new Container<short>(self->garrisonLevel(static_cast<std::uint32_t>(kind)));
                });
        });
    connectNamed(msg::GetProvince, [](Component* target, BusMessage, ContainerBase*) -> ContainerBase* {
        auto* self = static_cast<Campaign*>(target);
        return self->inBattle_ ? new Container<PROVINCE>(PROVINCE{self->state_.province}) : nullptr;
    });
    connectNamed(msg::GetLastProvince, [](Component* target, BusMessage, ContainerBase*) -> ContainerBase* {
        auto* self = static_cast<Campaign*>(target);
        return self->inBattle_ ? new Container<PROVINCE>(PROVINCE{self->state_.lastProvince}) : nullptr;
    });
    // The person plays the home side of a campaign battle: the campaign is won or lost with it.
    connectNamed(msg::GameEnded, [](Component* target, BusMessage, ContainerBase* data) -> ContainerBase* {
        auto* self = static_cast<Campaign*>(target);
        if (self->inBattle_)
            callWithPayload<short>(data, sourceFile, __LINE__,
                                   [&](short homeWon) { self->battleEnded(homeWon != 0); });
        return nullptr;
    });
}

bool Campaign::load(const std::string& dataDirectory, std::string& error) {
    CampaignDefinition read;
    if (!readCampaignFile(dataDirectory + "/" + CampaignDefinition::FileName, read, error)) return false;
    setDefinition(std::move(read));
    return true;
}

void Campaign::setDefinition(CampaignDefinition definition) {
    abandon();
    definition_ = std::move(definition);
}

bool Campaign::begin() {
    if (!hasDefinition()) return false;
    state_ = CampaignState{};
    state_.province = definition_.start;
    active_ = true, inBattle_ = false, resultsPending_ = false;
    return true;
}

void Campaign::resume(const CampaignState& state) {
    state_ = state;
    active_ = true, inBattle_ = false, resultsPending_ = false;
}

void Campaign::abandon() {
    state_ = CampaignState{};
    active_ = inBattle_ = resultsPending_ = false;
}

void Campaign::battleEnded(bool won) {
    if (!inBattle_) return;
    inBattle_ = false;
    resultsPending_ = true;
    state_.battles.push_back({state_.province, won});
    const CampaignProvince* here = province();
    const std::int32_t next = here ? (won ? here->onWin : here->onLoss) : 0;
    debugStream() << "The campaign's battle for province " << state_.province
                  << (won ? " was won" : " was lost") << std::endl;
    if (next == 0) {
        state_.outcome = won ? CampaignState::Won : CampaignState::Lost;
        return;
    }
    state_.lastProvince = state_.province;
    state_.province = next;
}

std::int16_t Campaign::garrisonLevel(std::uint32_t kind) const {
    const CampaignProvince* here = inBattle_ ? province() : nullptr;
    if (!here || kind > 1) return 0;
    return kind == 1 ? here->cavalryGarrison : here->infantryGarrison;
}

} // namespace vael
