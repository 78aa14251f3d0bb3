#include "battle_runner.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <utility>

#include "battle_doubles.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/list_walk.h"
#include "framework/ui/win_app.h"
#include "game/ai/vael_ai.h"
#include "game/flow/saved_game.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "platform/headless/headless_platform.h"

namespace vael::battle {

namespace {

// A saved game starts with the application's header, whose u32 at offset 8 the layer fills in.
const std::uint8_t savedHeader[12] = {'V', 'A', 'E', 'L', 1, 0, 0, 0, 0, 0, 0, 0};

// The dice are seeded afresh at each activation from the seed and the turn's state, which a saved game
// keeps: a battle restored at an activation then draws what the unbroken battle drew from there on.
unsigned activationSeed(std::uint32_t seed, GameControl& control) {
    std::uint32_t gone = 0;
    for (std::int16_t i = 0; i < control.getLeaderCount(); ++i)
        gone = gone * 3 + static_cast<std::uint32_t>(control.goneThisTurn(i) != 0);
    std::uint32_t h = seed * 2654435761u;
    for (std::uint32_t part : {std::uint32_t(control.getTurn()), std::uint32_t(control.getActiveLeader()),
                               gone, std::uint32_t(control.getMomentumTries())})
        h = (h ^ part) * 16777619u;
    return h;
}

SideLosses losses(const GameControl& control, bool home) {
    SideLosses side;
    const std::int16_t h = home ? 1 : 0;
    side.lostTQ = control.getSideLostTQ(h);
    side.tqLimit = control.getSideTQLimit(h);
    side.routedTQ = control.getSideRoutedTQ(h);
    side.routing = control.getSideRouting(h);
    side.eliminated = control.getSideEliminated(h);
    return side;
}

// The game's application on the headless platform, less the two operations only a window needs. Message
// names stay registered when it goes, so that the battles of one process number their messages alike.
class BattleApp : public WinApp {
public:
    explicit BattleApp(platform::Platform& platform) : WinApp("vael-battle", "", "", platform) {
        clearRegistryOnDestruction_ = false;
    }
    void findDataFile(OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

// A failed check's text asks the player whether to abort; the reason is what comes before.
std::string reason(const std::string& text) {
    const std::size_t question = text.rfind("Abort?");
    std::string why = text.substr(0, question == std::string::npos ? text.size() : question);
    while (!why.empty() && why.back() == ' ')
        why.pop_back();
    return why;
}

bool writeHeader(const std::string& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(savedHeader), sizeof savedHeader);
    return static_cast<bool>(out);
}

// A failed check is noted and the battle goes on, as a player answering "Ignore" would have it; the
// outcome lists them.
class CheckCatcher {
public:
    explicit CheckCatcher(std::vector<std::string>& texts)
        : previous_(Assertion::setPrompt([&texts](const std::string& text, const std::string&) {
              return texts.push_back(text), false;
          })) {}
    ~CheckCatcher() { Assertion::setPrompt(std::move(previous_)); }
    CheckCatcher(const CheckCatcher&) = delete;
    CheckCatcher& operator=(const CheckCatcher&) = delete;

private:
    AssertionPrompt previous_;
};

class Battle {
public:
    Battle(const BattleOptions& options, std::ostream* out)
        : options_(options), out_(out), checks_(outcome_.failedChecks), app_(platform_) {
        app_.dataPath() = options.dataDir;
        registerUnitPrototypes(layer_);
        layer_.setTitleSink([](const std::string&) {});
        layer_.attach(app_);
        SideControlServices& services = layer_.getSideControlServices();
        services.makeOpponent = makeVaelAI;
        services.introDialog = [] { return std::pair<bool, bool>{true, true}; };
        services.readLastAIType = [] { return std::uint32_t{0}; };
        services.writeLastAIType = [](std::uint32_t) {};
        display_.onCommentary = [this](const std::string& text) {
            outcome_.commentary.push_back(text);
            // Game control announces the leader it activates after it has sent the activation: the line
            // belongs to the battle that was saved, which a resumed battle does not say again.
            if (std::exchange(announcementDue_, false) &&
                text == "\\B" + control_->leaderAt(control_->getActiveLeader()).name + "\\b is now active.")
                outcome_.commentaryAtSave = outcome_.commentary.size();
            if (out_) *out_ << text << '\n';
        };
        display_.onActivation = [this](bool resumed) { activation(resumed); };
        display_.onGameEnded = [this](bool) { ended_ = true; };
    }

    BattleOutcome play() {
        std::srand(options_.seed);
        if (!start()) return outcome_;
        // One task at a time, so that a chain of messages that never ends is caught by the cap too.
        while (!ended_ && failed_.empty()) {
            if (++outcome_.tasks > options_.taskCap) {
                stop(BattleStatus::TaskCap,
                     "the battle did not end within " + std::to_string(options_.taskCap) + " messages");
                break;
            }
            if (control_->getTurn() >= options_.turnCap) {
                stop(BattleStatus::TurnCap,
                     "the battle did not end within " + std::to_string(options_.turnCap) + " turns");
                break;
            }
            if (app_.queuedTasks() > 0) {
                app_.dispatchOne();
                continue;
            }
            if (!app_.waitMessage()) {
                stop(BattleStatus::Stalled,
                     "the battle stalled: nothing left to do and the game has not ended");
                break;
            }
            app_.pumpMessage();
        }
        if (ended_) outcome_.status = BattleStatus::Ended;
        outcome_.turns = control_->getTurn() + 1;
        if (const std::uint32_t winner = control_->getWinner())
            outcome_.winner = GameControl::nationName(winner);
        outcome_.home = losses(*control_, true);
        outcome_.home.name = GameControl::nationName(layer_.getHomeNation());
        outcome_.visitor = losses(*control_, false);
        outcome_.visitor.name = GameControl::nationName(layer_.getVisitorNation());
        return outcome_;
    }

private:
    bool start() {
        display_.attach(layer_);
        if (!layer_.LoadScenario(ScenarioInfoStruct{10, options_.scenario, options_.scenario, 0})) {
            stop(BattleStatus::LoadFailed,
                 "cannot load the scenario " + options_.scenario + " from " + options_.dataDir +
                     (outcome_.failedChecks.empty() ? std::string()
                                                    : ": " + reason(outcome_.failedChecks.back())));
            return false;
        }
        std::string error;
        if (options_.loadFile.empty()) {
            TeamInfoStruct team;
            team.homeNation = layer_.getHomeNation(), team.visitorNation = layer_.getVisitorNation();
            team.homeName = GameControl::nationName(team.homeNation);
            team.visitorName = GameControl::nationName(team.visitorNation);
            for (Leader* leader : each(layer_.getHomeLeaders()))
                team.homeLeaders.append(leader->getName());
            for (Leader* leader : each(layer_.getVisitorLeaders()))
                team.visitorLeaders.append(leader->getName());
            LeaderControl(layer_, team);
            control_ = layer_.CreateGameControl(10);
        } else {
            control_ = layer_.CreateGameControl(10);
            if (!LoadGame(layer_, options_.loadFile, error)) {
                stop(BattleStatus::LoadFailed,
                     "cannot load the saved game " + options_.loadFile + ": " + error);
                return false;
            }
            if (options_.saveAt == 0 && !save()) return false;
        }
        const std::string title = layer_.getScenarioName();
        control_->setCaptionSource([title] { return title; });
        Container<short> resume(options_.loadFile.empty() ? 0 : 1);
        display_.send(BEGIN_GAME, &resume);
        return true;
    }

    void activation(bool resumed) {
        if (!resumed && ++outcome_.activations == options_.saveAt && save()) announcementDue_ = true;
        std::srand(activationSeed(options_.seed, *control_));
    }

    bool save() {
        outcome_.commentaryAtSave = outcome_.commentary.size();
        std::string error;
        if (!writeHeader(options_.saveFile))
            error = "cannot write " + options_.saveFile;
        else if (SaveGame(layer_, options_.saveFile, error))
            return true;
        stop(BattleStatus::SaveFailed, "cannot save the battle: " + error);
        return false;
    }

    void stop(BattleStatus status, const std::string& why) {
        outcome_.status = status;
        outcome_.message = why;
        failed_ = why;
    }

    const BattleOptions& options_;
    std::ostream* out_;
    BattleOutcome outcome_;
    CheckCatcher checks_;
    platform::HeadlessPlatform platform_;
    BattleApp app_;
    VaelLogicalLayer layer_;
    BattleDisplay display_;
    GameControl* control_ = nullptr;
    bool ended_ = false;
    bool announcementDue_ = false;
    std::string failed_;
};

} // namespace

BattleOutcome playBattle(const BattleOptions& options, std::ostream* out) {
    Battle battle(options, out);
    return battle.play();
}

void printOutcome(const BattleOutcome& outcome, std::ostream& out) {
    out << "Outcome: " << (outcome.winner.empty() ? std::string("nobody") : outcome.winner) << " won after "
        << outcome.turns << (outcome.turns == 1 ? " turn" : " turns") << '\n';
    for (const SideLosses* side : {&outcome.home, &outcome.visitor})
        out << side->name << ": lost " << side->lostTQ << " of " << side->tqLimit << " troop quality, "
            << side->eliminated << " units eliminated, " << side->routing << " routing (" << side->routedTQ
            << ")\n";
}

} // namespace vael::battle
