#include "battle_runner.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <utility>

#include "battle_doubles.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "game/flow/game_control.h"
#include "game/flow/side_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/shell/commentary_dlg.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"

namespace vael::battle {

namespace {

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

// A failed check's text asks the player whether to abort; the reason is what comes before.
std::string reason(const std::string& text) {
    const std::size_t question = text.rfind("Abort?");
    std::string why = text.substr(0, question == std::string::npos ? text.size() : question);
    while (!why.empty() && why.back() == ' ')
        why.pop_back();
    return why;
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
        : options_(options), out_(out), checks_(outcome_.failedChecks),
          dataGiven_(giveData(platform_, options)),
          app_(platform_, options.dataDir, nullptr,
               options.display ? VaelApp::Views::Shown : VaelApp::Views::None) {
        app_.keepMessageNames();
        // The tool keeps no preferences: every battle draws its plans as the first battle of a fresh
        // install does, so that a seed always plays the same battle.
        SideControlServices& services = app_.logicalLayer().getSideControlServices();
        services.readLastAIType = [] { return std::uint32_t{0}; };
        services.writeLastAIType = [](std::uint32_t) {};
        // The battle is read from the outcome once it has ended; nobody is shown its end.
        app_.endOfGameDialog = [](std::uint32_t, bool) {};
        display_.onCommentary = [this](const std::string& text) {
            outcome_.commentary.push_back(text);
            // Game control announces the leader it activates after it has sent the activation: the line
            // belongs to the battle that was saved, which a resumed battle does not say again.
            GameControl* control = app_.gameControl();
            if (std::exchange(announcementDue_, false) && control &&
                text == "\\B" + control->leaderAt(control->getActiveLeader()).name + "\\b is now active.")
                outcome_.commentaryAtSave = outcome_.commentary.size();
            if (out_) *out_ << rendered(text) << '\n';
        };
        display_.onActivation = [this](bool resumed) { activation(resumed); };
        // Read at once: the application closes the game on a timer of its own, which may fire within the
        // same tick as the display layers' and free game control before the loop looks again.
        display_.onGameEnded = [this](bool) {
            ended_ = true;
            readOutcome();
        };
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
            if (app_.gameControl()->getTurn() >= options_.turnCap) {
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
        if (ended_)
            outcome_.status = BattleStatus::Ended;
        else
            readOutcome();
        return outcome_;
    }

private:
    // The data directory the tool was given stands in the settings, where the program keeps its own.
    static bool giveData(platform::HeadlessPlatform& platform, const BattleOptions& options) {
        return platform.settings().writeText(platform::Settings::Root::Machine,
                                             std::string("SOFTWARE\\Tamblor\\") + VaelApp::ProductKey, "Path",
                                             options.dataDir);
    }

    void readOutcome() {
        GameControl* control = app_.gameControl();
        if (!control) return;
        VaelLogicalLayer& layer = app_.logicalLayer();
        outcome_.turns = control->getTurn() + 1;
        outcome_.winner.clear();
        if (const std::uint32_t winner = control->getWinner())
            outcome_.winner = GameControl::nationName(winner);
        outcome_.home = losses(*control, true);
        outcome_.home.name = GameControl::nationName(layer.getHomeNation());
        outcome_.visitor = losses(*control, false);
        outcome_.visitor.name = GameControl::nationName(layer.getVisitorNation());
    }

    bool start() {
        // With the display, the application's own display layers play every animation and give its reply;
        // without it, the double answers each at once.
        if (options_.display)
            display_.answersFit = true;
        else
            instant_.attach(app_.logicalLayer());
        display_.attach(app_.logicalLayer());
        std::string error;
        if (options_.loadFile.empty()) {
            if (!app_.startBattle(options_.scenario, VaelApp::CustomScenario, true, true, error)) {
                stop(BattleStatus::LoadFailed,
                     "cannot load the scenario " + options_.scenario + " from " + options_.dataDir +
                         (outcome_.failedChecks.empty() ? std::string()
                                                        : ": " + reason(outcome_.failedChecks.back())));
                return false;
            }
            return true;
        }
        if (!app_.loadGame(options_.loadFile, error)) {
            stop(BattleStatus::LoadFailed, "cannot load the saved game " + options_.loadFile + ": " + error);
            return false;
        }
        return true;
    }

    std::string rendered(const std::string& text) const {
        switch (options_.marks) {
        case BattleOptions::Marks::Removed:
            return plainCommentary(text);
        case BattleOptions::Marks::Terminal:
            return terminalCommentary(text);
        default:
            return text;
        }
    }

    void activation(bool resumed) {
        // A loaded battle is saved again as it resumes, before anything of it has been played.
        if (resumed && options_.saveAt == 0 && !std::exchange(savedOnResuming_, true)) save();
        if (!resumed && ++outcome_.activations == options_.saveAt && save()) announcementDue_ = true;
        std::srand(activationSeed(options_.seed, *app_.gameControl()));
    }

    bool save() {
        outcome_.commentaryAtSave = outcome_.commentary.size();
        std::string error;
        if (app_.saveGame(options_.saveFile, error)) return true;
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
    bool dataGiven_;
    VaelApp app_;
    BattleDisplay display_;
    InstantAnimations instant_;
    bool ended_ = false;
    bool announcementDue_ = false;
    bool savedOnResuming_ = false;
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
