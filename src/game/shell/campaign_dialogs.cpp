#include "game/shell/campaign_dialogs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/read_file.h"
#include "framework/ui/system_font.h"
#include "game/flow/scenario_file.h"
#include "game/shell/dialog_helpers.h"

namespace vael {

using dialog_helpers::tell;

namespace {

std::string provinceName(const CampaignDefinition& definition, std::int32_t number) {
    const CampaignProvince* p = definition.find(number);
    return p ? p->name : "province " + std::to_string(number);
}

// What a file of the data folder is, by the ending the data set gives each kind; nothing for the others.
const char* kindOfFile(const std::filesystem::path& path) {
    static const std::pair<const char*, const char*> kinds[] = {
        {".pal", "a palette"},
        {".oif", "an archive of pictures"},
        {".hed", "the index of the pictures"},
        {".map", "a battle map"},
        {".wav", "a sound"},
        {".pln", "a plan of the computer's"},
        {".var", "a list of variants"},
        {".txt", "a text"},
        {".vel", "a saved game"},
        {".png", "a picture"},
    };
    const std::string ending = path.extension().string();
    for (const auto& [known, kind] : kinds)
        if (ending.size() == std::string_view(known).size() &&
            std::equal(ending.begin(), ending.end(), known,
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
            return kind;
    return nullptr;
}

// Why the file is no scenario the game can play, in the player's words, or nothing when it is one. Any file
// of the data folder may be named (the palette, an archive): refused here, it costs the player a box and the
// choice stays his, where the battle's load would stop at it as at a damaged data file and ask whether to end
// the game. What exactly is wrong with a damaged one goes to the trace, for whoever looks into it.
std::string notAScenario(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return name + " is a folder, not a scenario.";
    if (!std::filesystem::is_regular_file(path, error)) return name + " is not a file the game can read.";
    std::vector<std::uint8_t> bytes;
    std::string unread;
    if (!readFileBytes(path.string(), bytes, unread, file_limits::Data)) {
        debugStream() << "Not a scenario: " << unread << std::endl;
        return name + " cannot be read.";
    }
    // A unit record's own check asks as a failed check does; here what it found is only the reason.
    struct Quiet {
        AssertionPrompt before =
            Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
        ~Quiet() { Assertion::setPrompt(std::move(before)); }
    } quiet;
    ScenarioFile file;
    if (file.read(bytes.data(), bytes.size(), name)) return {};
    debugStream() << "Not a scenario: " << file.error() << std::endl;
    if (const char* kind = kindOfFile(path)) return name + " is " + kind + ", not a scenario.";
    if (bytes.empty()) return name + " is empty, not a scenario.";
    return name + " is not a scenario the game can play: it is damaged or of another kind.";
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool plainFileName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name != "." && name != "..";
}

} // namespace

// The campaign map.

CampaignMapDlg::CampaignMapDlg(const Campaign& campaign, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Campaign", "Map"), campaign_(campaign),
      shown_(std::move(shown)) {}

std::string CampaignMapDlg::statusLine(const CampaignDefinition& definition, const CampaignState& state) {
    if (state.outcome == CampaignState::Won) return definition.title + ": the campaign is won.";
    if (state.outcome == CampaignState::Lost) return definition.title + ": the campaign is lost.";
    const CampaignProvince* p = definition.find(state.province);
    if (!p) return definition.title;
    return "Battle " + std::to_string(state.battles.size() + 1) + ": " + p->name +
           ", garrisons left behind " + std::to_string(p->infantryGarrison) + " foot and " +
           std::to_string(p->cavalryGarrison) + " horse";
}

void CampaignMapDlg::onInitDialog() {
    centre();
    enableItem(IdSubjugate, 0);
    enableItem(IdHelp, 0);
    if (campaign_.state().outcome != CampaignState::Going || !campaign_.province()) enableItem(IdBattle, 0);
    if (shown_) shown_(*this, TemplateName);
}

void CampaignMapDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdBattle) {
        DialogItemWindow* battle = item(IdBattle);
        if (!battle || battle->isEnabled()) close(IdBattle);
    } else if (id == IdCancel) {
        close(0);
    } else if (id != IdOk) {
        Dialog::onCommand(id, notification);
    }
}

void CampaignMapDlg::drawBackground() {
    Dialog::drawBackground();
    const CampaignDefinition& definition = campaign_.definition();
    const CampaignState& state = campaign_.state();
    // A gold standard over every province won, a grey one where a battle was lost, red where the next is
    // fought; the last battle's outcome stands over one fought more than once.
    for (const CampaignProvince& p : definition.provinces) {
        const Point at(static_cast<std::int16_t>(p.label.x - 5), static_cast<std::int16_t>(p.label.y - 24));
        for (const CampaignBattle& b : state.battles)
            if (b.province == p.number)
                b.won ? fillRect(Box(at.x, at.y, 10, 10), 220, 180, 40)
                      : fillRect(Box(at.x, at.y, 10, 10), 120, 120, 120);
        if (state.outcome == CampaignState::Going && p.number == state.province) {
            fillRect(Box(static_cast<std::int16_t>(at.x - 1), static_cast<std::int16_t>(at.y - 1), 12, 12), 0,
                     0, 0);
            fillRect(Box(at.x, at.y, 10, 10), 200, 30, 30);
        }
    }
    writeSystemText(*this, Box(0, 0, width(), height()), Point(8, 396), statusLine(definition, state),
                    matchColour(20, 20, 20), true);
}

// The results.

CampaignResultsDlg::CampaignResultsDlg(const CampaignDefinition& definition, const CampaignState& state,
                                       DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), definition_(definition),
      state_(state), shown_(std::move(shown)) {}

std::vector<std::string> CampaignResultsDlg::linesOf(const CampaignDefinition& definition,
                                                     const CampaignState& state) {
    std::vector<std::string> lines{definition.title, ""};
    const std::size_t room = MaxLines - lines.size() - 2;
    const std::size_t first = state.battles.size() > room ? state.battles.size() - room : 0;
    for (std::size_t i = first; i < state.battles.size(); ++i)
        lines.push_back("Battle " + std::to_string(i + 1) + ": " +
                        provinceName(definition, state.battles[i].province) +
                        (state.battles[i].won ? ", won" : ", lost"));
    lines.push_back("");
    if (state.outcome == CampaignState::Won)
        lines.push_back("The campaign is won.");
    else if (state.outcome == CampaignState::Lost)
        lines.push_back("The campaign is lost.");
    else
        lines.push_back("The campaign goes on in " + provinceName(definition, state.province) + ".");
    return lines;
}

void CampaignResultsDlg::onInitDialog() {
    centre();
    if (shown_) shown_(*this, TemplateName);
}

void CampaignResultsDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk || id == IdCancel)
        close(1);
    else
        Dialog::onCommand(id, notification);
}

void CampaignResultsDlg::drawBackground() {
    Dialog::drawBackground();
    const std::vector<std::string> lines = linesOf(definition_, state_);
    std::int16_t y = 16;
    for (std::size_t i = 0; i < lines.size(); ++i, y += 20)
        writeSystemText(*this, Box(0, 0, width(), height()), Point(24, y), lines[i], matchColour(30, 20, 10),
                        i == 0 || i + 1 == lines.size());
}

// The variants.

bool parseVariants(const std::string& text, std::vector<ScenarioVariant>& variants, std::string& error) {
    std::vector<ScenarioVariant> read;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == '#') continue;
        const auto space = t.find_first_of(" \t");
        const std::string word = t.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : trimmed(t.substr(space));
        auto fail = [&](const std::string& why) {
            return error = "line " + std::to_string(number) + ": " + why, false;
        };
        if (word == "variant") {
            const auto gap = rest.find_first_of(" \t");
            ScenarioVariant v;
            v.fileName = rest.substr(0, gap);
            v.title = gap == std::string::npos ? "" : trimmed(rest.substr(gap));
            if (!plainFileName(v.fileName)) return fail("a variant names a file of the scenario directory");
            if (v.title.empty()) return fail("the variant " + v.fileName + " has no title");
            read.push_back(std::move(v));
        } else if (word == "text") {
            if (read.empty()) return fail("a text belongs to the variant above it, and there is none");
            std::string& d = read.back().description;
            d += (d.empty() ? "" : "\n") + rest;
        } else {
            return fail("unknown word " + word);
        }
    }
    variants = std::move(read);
    return true;
}

bool readVariants(const std::string& directory, const std::string& scenarioFile,
                  std::vector<ScenarioVariant>& variants, std::string& error) {
    variants.clear();
    const std::string stem = std::filesystem::path(scenarioFile).stem().string();
    const auto path = findFileNoCase(directory, stem + ".var");
    if (!path) return true;
    std::string text;
    if (!readDataText(path->string(), text, error, file_limits::Text)) return false;
    if (!parseVariants(text, variants, error)) return error = path->filename().string() + ", " + error, false;
    return true;
}

VariantDlg::VariantDlg(std::vector<ScenarioVariant> variants, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      variants_(std::move(variants)), shown_(std::move(shown)) {}

void VariantDlg::onInitDialog() {
    centre();
    if (DialogItemWindow* list = item(IdList)) {
        list->clearRows();
        for (const ScenarioVariant& v : variants_)
            list->addRow(v.title);
        if (!variants_.empty()) list->select(0);
        drawItem(*list);
    }
    if (variants_.empty()) enableItem(IdOk, 0), enableItem(IdDetails, 0);
    if (shown_) shown_(*this, TemplateName);
}

std::int32_t VariantDlg::selected() const {
    DialogItemWindow* list = item(IdList);
    const std::int32_t at = list ? list->selection() : -1;
    return at >= 0 && at < static_cast<std::int32_t>(variants_.size()) ? at : -1;
}

const ScenarioVariant* VariantDlg::chosenVariant() const {
    return chosen_ >= 0 ? &variants_[static_cast<std::size_t>(chosen_)] : nullptr;
}

void VariantDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk || (id == IdList && notification == ListDoubleClicked)) {
        if (selected() < 0) return;
        chosen_ = selected();
        close(1);
    } else if (id == IdCancel) {
        close(0);
    } else if (id == IdDetails) {
        if (selected() < 0) return;
        const ScenarioVariant& v = variants_[static_cast<std::size_t>(selected())];
        tell(v.title + (v.description.empty() ? "" : "\n" + v.description), "Details");
    } else {
        Dialog::onCommand(id, notification);
    }
}

// A scenario of one's own.

CustomScenarioDlg::CustomScenarioDlg(const std::string& directory, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), directory_(directory),
      shown_(std::move(shown)) {}

std::string CustomScenarioDlg::findScenario(const std::string& directory, const std::string& typed,
                                            std::string& why) {
    const std::string name = trimmed(typed);
    if (name.empty()) return why = "Enter the file name of the scenario.", "";
    if (!plainFileName(name)) return why = name + " is not a file name of the scenario directory.", "";
    std::string refused;
    for (const std::string& candidate :
         {name, std::filesystem::path(name).has_extension() ? std::string() : name + ".scn"}) {
        if (candidate.empty()) continue;
        // A folder or a pipe of the name is told as what it is, not as nothing there.
        if (const auto path = findEntryNoCase(directory, candidate)) {
            const std::string reason = notAScenario(*path);
            if (reason.empty()) return path->filename().string();
            if (refused.empty()) refused = reason;
        }
    }
    if (!refused.empty()) return why = refused, "";
    return why = "There is no scenario " + name + ".", "";
}

void CustomScenarioDlg::onInitDialog() {
    centre();
    if (DialogItemWindow* name = item(IdFileName)) setFocus(name);
    if (shown_) shown_(*this, TemplateName);
}

void CustomScenarioDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk) {
        DialogItemWindow* name = item(IdFileName);
        std::string why;
        const std::string found = findScenario(directory_, name ? name->text() : "", why);
        if (found.empty()) {
            tell(why, "Custom Scenario");
            return;
        }
        chosen_ = found;
        close(1);
    } else if (id == IdCancel) {
        close(0);
    } else {
        Dialog::onCommand(id, notification);
    }
}

} // namespace vael
