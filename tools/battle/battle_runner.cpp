#include "battle_runner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include <sys/socket.h>

#include "battle_doubles.h"
#include "framework/comm/net_frame.h"
#include "framework/comm/net_peer.h"
#include "framework/comm/tcp_link.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/read_file.h"
#include "framework/core/registered_message.h"
#include "game/flow/battle_tallies.h"
#include "game/flow/commentary_text.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/side_control.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/roll.h"
#include "game/map/vael_physical_layer.h"
#include "game/net/vael_net_component.h"
#include "game/rules/combat/combat.h"
#include "game/rules/units/nation.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/saved_game_header.h"
#include "game/shell/vael_app.h"
#include "framework/core/version.h"
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

// How often a refused connection is tried before the refusal is told.
constexpr int JoinRefusals = 4;

class Battle {
public:
    Battle(const BattleOptions& options, std::ostream* out)
        : options_(options), out_(out), checks_(outcome_.failedChecks),
          dataGiven_(giveData(platform_, options)),
          app_(platform_, options.dataDir, nullptr,
               options.display ? VaelApp::Views::Shown : VaelApp::Views::None) {
        app_.keepMessageNames();
        app_.keepNoAutosave();
        app_.playComputerSidesOnly();
        // The tool keeps no preferences: every battle draws its plans by the type it is given (as the first
        // battle of a fresh install does unless told otherwise), so that a seed always plays the same
        // battle.
        SideControlServices& services = app_.logicalLayer().getSideControlServices();
        services.readLastAIType = [type = options.lastAIType] { return type; };
        services.writeLastAIType = [](std::uint32_t) {};
        // The battle is read from the outcome once it has ended; nobody is shown its end.
        app_.endOfGameDialog = [](std::uint32_t, bool) {};
        display_.onCommentary = [this](const std::string& text) {
            if (options_.keepCommentary) outcome_.commentary.push_back(text);
            ++outcome_.commentaryLines;
            // Game control announces the leader it activates after it has sent the activation: the line
            // belongs to the battle that was saved, which a resumed battle does not say again.
            GameControl* control = app_.gameControl();
            if (std::exchange(announcementDue_, false) && control &&
                text == "\\B" + commentaryText(control->leaderAt(control->getActiveLeader()).name) +
                            "\\b is now active.")
                outcome_.commentaryAtSave = outcome_.commentaryLines;
            if (out_) *out_ << rendered(text) << '\n';
            if (options_.forgeAtLine != 0 && outcome_.commentaryLines == options_.forgeAtLine)
                if (comm::NetPeer* peer = app_.net().peer(); peer && peer->isOpen() && peer->link())
                    peer->link()->send(options_.forgedBytes);
            if (options_.signalAtLine != 0 && outcome_.commentaryLines == options_.signalAtLine) {
                // What was said up to here is the machine's last word, whether it dies or is frozen.
                if (out_) out_->flush();
                std::raise(options_.signalToRaise);
            }
        };
        display_.onActivation = [this](bool resumed) { activation(resumed); };
        // Read at once: the application closes the game on a timer of its own, which may fire within the
        // same tick as the display layers' and free game control before the loop looks again.
        display_.onGameEnded = [this](bool homeWon) {
            ended_ = true;
            endedHomeWon_ = homeWon;
            readOutcome();
        };
        // A machine without game control knows the battle from what the host tells every machine.
        display_.onEndOfGame = [this](const EndOfGameResults& results) {
            results_ = results;
            told_ = true;
        };
        display_.onBeginTurn = [this] { ++turnsBegun_; };
        // A machine without game control counts the reports game control counts, its own and those of
        // the other machine, which come with the lines that tell them, by game control's rules.
        display_.onRouting = [this](const UnitRoutData& record, int step) {
            step > 0 ? standing_.routed(record, homeSide(record.nation))
                     : standing_.rallied(record, homeSide(record.nation));
        };
        display_.onEliminated = [this](const EliminateUnitData& record) {
            standing_.forgetSealed(record.unitNumber);
            standing_.eliminated(record, homeSide(record.nation));
        };
        display_.onLossSealed = [this](const EliminateUnitData& record) { standing_.lossSealed(record); };
        // The cap is met at the end of its last turn, before anything of the next is played or said.
        display_.onEndOfTurn = [this](const EndOfGameResults& standing) {
            turnsEnded_ = turn() + 1;
            if (turnsEnded_ < options_.turnCap) return;
            if (GameControl* control = app_.gameControl()) control->playNoFurtherTurn();
            if (!network()) return;
            // Every machine of a network battle stops at the same cap: the line that closes afterwards
            // leaves nothing. Each gives the tallies the host told with the turn's end, as at the end of a
            // battle: the guest's own units may not yet show every fall the host counted.
            app_.net().battleEndsHere();
            results_ = standing;
            told_ = true;
        };
    }

    BattleOutcome play() {
        seed(options_.seed);
        // A host that cannot load its battle says so before anybody is asked to join it.
        if (hosting() && !scenarioLoads()) return outcome_;
        if (network() && !connect()) return outcome_;
        if (!start()) {
            // The other machine has met this one and waits for the battle: it hears why none comes.
            if (comm::NetPeer* peer = app_.net().peer(); peer && peer->isOpen()) {
                peer->refuse(outcome_.message);
                if (peer->link()) peer->link()->flush(2000);
            }
            return outcome_;
        }
        if (comm::NetPeer* peer = app_.net().peer(); peer && peer->isHeld()) peer->release();
        // One task at a time, so that a chain of messages that never ends is caught by the cap too.
        while (!ended_ && failed_.empty()) {
            if (options_.saveAtStep >= 0 && !saved_ && outcome_.tasks >= options_.saveAtStep &&
                app_.saveWaitsFor().empty() && !saveMidway())
                break;
            if (++outcome_.tasks > options_.taskCap) {
                stop(BattleStatus::TaskCap,
                     "the battle did not end within " + std::to_string(options_.taskCap) + " messages");
                break;
            }
            if (turnsEnded_ >= options_.turnCap || turn() >= options_.turnCap) {
                if (hosting()) awaitTheOtherMachinesCap();
                stop(BattleStatus::TurnCap, "the battle did not end within " +
                                                std::to_string(options_.turnCap) +
                                                (options_.turnCap == 1 ? " turn" : " turns"));
                break;
            }
            if (app_.queuedTasks() > 0) {
                app_.dispatchOne();
                continue;
            }
            if (!app_.waitMessage()) {
                // Nothing came within the wait: in network play that is the other machine's silence.
                if (network() && app_.net().peer() && app_.net().peer()->isOpen()) {
                    const std::string why = "the other machine did not answer for " +
                                            std::to_string(options_.networkWait / 1000) + " seconds";
                    app_.net().peer()->refuse(why);
                    continue;
                }
                stop(BattleStatus::Stalled,
                     "the battle stalled: nothing left to do and the game has not ended");
                break;
            }
            app_.pumpMessage();
            if (options_.display && network()) {
                waitForTheOtherMachine();
            } else if (options_.display && onlyTheDisplayMoves()) {
                stop(BattleStatus::Stalled,
                     "the battle stalled: only the display's timers tick and the game has not ended");
                break;
            }
        }
        if (ended_)
            outcome_.status = BattleStatus::Ended;
        else
            readOutcome();
        // A save that was asked for and never made is no success, however the battle went.
        if (ended_ && options_.saveAt > 0 && !saved_) {
            outcome_.status = BattleStatus::NotSaved;
            outcome_.message = "the battle ended after " + std::to_string(outcome_.activations) +
                               (outcome_.activations == 1 ? " activation" : " activations") +
                               "; nothing was saved";
        }
        if (ended_ && options_.saveAtStep >= 0 && !saved_) {
            outcome_.status = BattleStatus::NotSaved;
            outcome_.message = "the battle ended after " + std::to_string(outcome_.tasks) +
                               " messages with no moment to save it from message " +
                               std::to_string(options_.saveAtStep) + " on; nothing was saved";
        }
        if (network()) finishNetwork();
        for (const auto& box : platform_.boxes)
            outcome_.messageBoxes.push_back(box.text);
        return outcome_;
    }

private:
    // The data directory the tool was given stands in the settings, where the program keeps its own.
    static bool giveData(platform::HeadlessPlatform& platform, const BattleOptions& options) {
        return platform.settings().writeText(platform::Settings::Root::Machine,
                                             std::string("SOFTWARE\\Tamblor\\") + VaelApp::ProductKey, "Path",
                                             options.dataDir);
    }

    bool network() const { return options_.hostPort >= 0 || !options_.joinHost.empty(); }
    bool hosting() const { return options_.hostPort >= 0; }

    std::int32_t turn() const {
        if (GameControl* control = app_.gameControl()) return control->getTurn();
        return turnsBegun_;
    }

    // The meeting with the other machine as it goes: the deadline of the whole wait, every caller (the one
    // that greeted first chosen), why the last of them went, and why no line could be had.
    struct Meeting {
        std::chrono::steady_clock::time_point deadline;
        std::vector<std::unique_ptr<comm::NetPeer>> callers;
        comm::NetPeer* chosen = nullptr;
        std::string error, refused, chosenLost;
    };

    // Meets the other machine and greets it; false (the outcome says why) when it cannot. The host takes
    // the first caller that greets: one that never says who it is keeps nobody out.
    bool connect() {
        // The keep-alive's ticks come in real time while this machine waits on the network: it waits for the
        // other machine rather than spinning through them. With the display its timers keep the clock going,
        // and the loop itself waits for the network in real time while the rules stand still
        // (waitForTheOtherMachine).
        platform_.networkInRealTime = !options_.display;
        Meeting meeting;
        meeting.deadline = networkNow() + std::chrono::milliseconds(options_.networkWait);
        if (!hosting())
            joinTheHost(meeting);
        else if (!listenForTheGuest(meeting))
            return false;
        // From here on the other machine's silence is measured a whole wait at a time.
        platform_.socketWaitLimit = options_.networkWait;
        std::unique_ptr<comm::NetPeer> peer = theChosen(meeting);
        if (!peer) return false;
        VaelNetComponent& net = app_.net();
        net.setPeer(std::move(peer), hosting());
        wireTheNet(net);
        // The host's battle begins at once and asks the other machine as it goes; the guest's waits for its
        // own to be loaded (see play).
        if (hosting()) net.peer()->release();
        return true;
    }

    std::chrono::steady_clock::time_point networkNow() const {
        return options_.clock ? options_.clock() : std::chrono::steady_clock::now();
    }

    bool late(const Meeting& meeting) const { return networkNow() > meeting.deadline; }

    // Each wait for the network lasts only what is left of the whole: a caller that comes and never
    // greets would otherwise start a full wait of its own.
    void waitOnTheNetwork(const Meeting& meeting) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(meeting.deadline - networkNow()).count();
        platform_.socketWaitLimit = static_cast<std::int32_t>(std::max<long long>(1, left));
        if (app_.waitMessage()) app_.pumpMessage();
    }

    // False (the outcome says why) when the port cannot be listened on.
    bool listenForTheGuest(Meeting& meeting) {
        comm::TcpListener listener(platform_);
        if (!listener.listen(static_cast<std::uint16_t>(options_.hostPort), meeting.error))
            return stop(BattleStatus::LoadFailed, meeting.error), false;
        if (options_.portNotice) *options_.portNotice << "hosting on port " << listener.port() << std::endl;
        listener.onAccept = [this, &meeting](std::unique_ptr<comm::TcpLink> link) {
            hear(meeting, std::move(link));
        };
        while (!meeting.chosen && !late(meeting))
            waitOnTheNetwork(meeting);
        listener.close();
        return true;
    }

    void joinTheHost(Meeting& meeting) {
        std::unique_ptr<comm::TcpLink> link;
        // A host that has only begun may not listen yet: a refusal is tried again a few times, quickly,
        // and then told. A host that does not answer at all is waited for, and the wait said.
        int refusals = 0;
        bool waitTold = false;
        std::string& error = meeting.error;
        while (
            !(link = comm::TcpLink::connect(platform_, options_.joinHost, options_.joinPort, error, 1000)) &&
            !late(meeting)) {
            if (error.find(std::string("(").append(std::strerror(ECONNREFUSED)).append(")")) !=
                std::string::npos) {
                if (++refusals >= JoinRefusals) break;
            } else if (!std::exchange(waitTold, true) && options_.portNotice) {
                *options_.portNotice << "waiting up to " << options_.networkWait / 1000 << " seconds for "
                                     << options_.joinHost << ":" << options_.joinPort << " to answer ("
                                     << error << ")" << std::endl;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(refusals ? 300 : 50));
        }
        // Without a line there is nothing to wait for.
        if (!link) return;
        hear(meeting, std::move(link));
        while (!meeting.chosen && meeting.refused.empty() && !late(meeting))
            waitOnTheNetwork(meeting);
    }

    // A caller on the line: the first to greet is chosen, and what it sends from then on waits.
    void hear(Meeting& meeting, std::unique_ptr<comm::TcpLink> link) {
        const comm::Greeting mine{comm::ProtocolVersion, VaelVersion, hosting() ? "Host" : "Guest",
                                  static_cast<std::uint16_t>(hosting() ? 1 : 0)};
        auto peer = std::make_unique<comm::NetPeer>(std::move(link), mine);
        // The battle's own timers move the headless clock on at once; the other machine's silence is
        // the wall's.
        peer->clock = comm::NetPeer::wallClock();
        comm::NetPeer* at = peer.get();
        peer->onGreeted = [&chosen = meeting.chosen, at](const comm::Greeting&) {
            if (chosen) return at->refuse("the battle has its players already");
            chosen = at;
            // What the other machine sends from now on may come in the same read as its greeting,
            // before the battle is ready to take it: it waits in the peer.
            at->hold();
        };
        peer->onLost = [&meeting, at](const std::string& why) {
            meeting.refused = why;
            if (at == meeting.chosen) meeting.chosenLost = why;
        };
        meeting.callers.push_back(std::move(peer));
        at->start();
    }

    // The caller chosen, the others turned away; none (the outcome says why) when none greeted or the one
    // that did is gone.
    std::unique_ptr<comm::NetPeer> theChosen(Meeting& meeting) {
        if (!meeting.chosen) {
            const std::string why = !meeting.refused.empty()   ? meeting.refused
                                    : !meeting.callers.empty() ? "the other machine did not greet"
                                    : !meeting.error.empty()   ? meeting.error
                                                               : "nobody came to play";
            stop(BattleStatus::Disconnected, why);
            return nullptr;
        }
        // The other machine may have greeted and gone in one breath (its battle would not load, say): it
        // is gone before the battle could hear of it, and nothing will come from it.
        if (!meeting.chosen->isOpen()) {
            stop(BattleStatus::Disconnected,
                 "the other machine is gone: " + (meeting.chosenLost.empty()
                                                      ? std::string("the connection closed")
                                                      : meeting.chosenLost));
            return nullptr;
        }
        std::unique_ptr<comm::NetPeer> peer;
        for (auto& caller : meeting.callers) {
            if (caller.get() == meeting.chosen)
                peer = std::move(caller);
            else if (caller->isOpen())
                caller->turnAway("the battle has its players already"); // one that never greeted
        }
        meeting.callers.clear();
        return peer;
    }

    // What the network component tells the battle, and asks of it.
    void wireTheNet(VaelNetComponent& net) {
        if (!options_.cutBefore.empty())
            net.toPeer = [this](const std::vector<std::string>& batch, std::string& error) {
                return sendOrCut(batch, error);
            };
        net.onLost = [this](const std::string& why, bool gameOver) {
            if (!gameOver) lost_ = why;
        };
        holdWhileShowing(net);
        // Told once a wait on the other machine has gone on for a few seconds: a frozen machine is then
        // known to be waited for before its silence runs out.
        net.onWaiting = [this](const std::string& player) {
            if (!player.empty() && options_.portNotice)
                *options_.portNotice << "waiting for " << player << "'s machine to answer (it is lost after "
                                     << comm::NetPeer::SilenceLimit / 1000 << " seconds of silence)"
                                     << std::endl;
        };
    }

    // The batch goes to the other machine unless it carries the message the line is to be cut under.
    bool sendOrCut(const std::vector<std::string>& batch, std::string& error) {
        comm::NetPeer* peer = app_.net().peer();
        if (!peer) return error = "the connection is closed", false;
        for (const std::string& payload : batch)
            if (comm::ReceivedMessage message; comm::decodeMessage(payload, message, error) &&
                                               message.event.id() >= 0 && message.event.id() <= 0xFFFF &&
                                               RegisteredMessage::nameOf(static_cast<std::uint16_t>(
                                                   message.event.id())) == options_.cutBefore) {
                // Both ways at once, as a line that breaks: each end reads the loss as it would.
                if (peer->link() && peer->link()->isOpen()) ::shutdown(peer->link()->socket(), SHUT_RDWR);
                return error = "the line was cut under " + options_.cutBefore, false;
            }
        return peer->sendBatch(batch, error);
    }

    // With the display, the game plays out what this machine shows before the other's next word is read
    // (VaelApp::wordsWaitForTheDisplay); a question asked there is waited for as the loop waits
    // (waitForTheOtherMachine).
    void holdWhileShowing(VaelNetComponent& net) {
        if (options_.display) {
            net.waitStep = [this] {
                waitForTheOtherMachine();
                if (!app_.messageWaiting() && !app_.waitMessage()) return false;
                return app_.pumpMessage() != 0;
            };
        }
    }

    // What this machine still has for the other goes before the connection closes.
    void finishNetwork() {
        for (int i = 0; i < 10000 && app_.queuedTasks() > 0; ++i)
            app_.dispatchOne();
        VaelNetComponent& net = app_.net();
        // In order, so that the other machine reads to this machine's last frame whatever it still sends.
        // The host that ended the battle waits for the other machine's own leave, which it sends only
        // once the end has reached it: a line lost under the end's frame leaves it without that word.
        const bool endedHere = hosting() && outcome_.status == BattleStatus::Ended && lost_.empty();
        bool theyLeft = false;
        if (comm::NetPeer* peer = net.peer()) {
            if (peer->link()) theyLeft = peer->leave(endedHere ? options_.networkWait : 2000);
            theyLeft = theyLeft || peer->left();
        }
        if (endedHere && !theyLeft) {
            outcome_.status = BattleStatus::Disconnected;
            outcome_.message = "the other machine is gone: the connection was lost before the other machine "
                               "acknowledged the end of the battle";
        }
        // Whatever stopped the loop after the connection was lost, the loss is the reason.
        if (!lost_.empty() && outcome_.status != BattleStatus::LoadFailed) {
            outcome_.status = BattleStatus::Disconnected;
            outcome_.message = "the other machine is gone: " + lost_;
            // The machine left wins the battle the other left, as its commentary says; one that learns it
            // was let go for its own silence has lost it to the other.
            if (outcome_.winner.empty()) {
                const bool homeWon = hosting() != net.droppedHere();
                outcome_.winner = GameControl::nationName(homeWon ? sides_.home : sides_.visitor);
            }
        }
        net.onWaiting = nullptr;
        net.toPeer = nullptr;
        net.waitStep = nullptr;
        app_.setWordsWaitForTheDisplay(false);
        net.setPeer(nullptr, false);
    }

    void readOutcome() {
        // A battle lost before its first activation was never noted: it is still loaded here.
        noteSides();
        GameControl* control = app_.gameControl();
        // Every machine of a network game gives the outcome the host told them all at the end of the game:
        // game control's tallies may still move after it (a fallen leader's last report).
        if (network() && told_) {
            readToldOutcome();
            return;
        }
        // A network game that ended without the host's word (the connection was lost) stands as this
        // machine last knew it.
        if (!control) {
            readStandingOutcome();
            return;
        }
        outcome_.turns = control->getTurn() + 1;
        outcome_.winner.clear();
        if (const std::uint32_t winner = control->getWinner())
            outcome_.winner = GameControl::nationName(winner);
        outcome_.home = losses(*control, true);
        outcome_.home.name = GameControl::nationName(sides_.home);
        outcome_.visitor = losses(*control, false);
        outcome_.visitor.name = GameControl::nationName(sides_.visitor);
    }

    // The tallies a machine without game control kept, as game control keeps them: every rout, rally and
    // fall reported here or by the other machine (a fallen leader too), and each loss sealed and not yet
    // carried out once, as game control counts them when a loss ends the battle.
    void readStandingOutcome() {
        outcome_.turns = turnsBegun_ + 1;
        outcome_.winner.clear();
        // Untold, the winner is the one the battle's end here names (the rules', where its own count had
        // them decide it before the line was lost).
        if (results_.winner)
            outcome_.winner = GameControl::nationName(results_.winner);
        else if (endedHomeWon_)
            outcome_.winner = GameControl::nationName(*endedHomeWon_ ? sides_.home : sides_.visitor);
        BattleTallies closed = standing_;
        for (const EliminateUnitData& record : closed.takeSealed())
            closed.eliminated(record, homeSide(record.nation));
        for (bool home : {true, false}) {
            const BattleTallies::Side& counted = closed.side(home);
            SideLosses& side = home ? outcome_.home : outcome_.visitor;
            side.lostTQ = counted.lostTQ, side.routedTQ = counted.routedTQ, side.routing = counted.routing;
            side.eliminated = counted.eliminated;
        }
        outcome_.home.tqLimit = sides_.homeTQ;
        outcome_.visitor.tqLimit = sides_.visitorTQ;
        outcome_.home.name = GameControl::nationName(sides_.home);
        outcome_.visitor.name = GameControl::nationName(sides_.visitor);
    }

    bool homeSide(std::uint32_t nation) const { return !onVisitorSide(nation, sides_.visitor); }

    // The battle's sides as it began: the outcome names them whatever has been closed by the time it is
    // read (the display closes the battle as it ends).
    void noteSides() {
        const VaelLogicalLayer& layer = app_.logicalLayer();
        if (layer.getHomeNation() == 0 && layer.getVisitorNation() == 0) return;
        sides_ = Sides{layer.getHomeNation(), layer.getVisitorNation(),
                       static_cast<std::int16_t>(layer.getHomeTQPoints()),
                       static_cast<std::int16_t>(layer.getVisitorTQPoints())};
    }

    // The host's last turn is on its way to the other machine, which stops at the same cap and then goes: a
    // host that went first could close the line under that turn's end, unread, and the other machine would
    // take it for a player leaving its battle. The battle moves no further meanwhile; only the network is
    // read.
    void awaitTheOtherMachinesCap() {
        // Nothing more is shown: the sockets are looked at whatever the display still plays.
        app_.setWordsWaitForTheDisplay(false);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.networkWait);
        for (comm::NetPeer* peer = app_.net().peer(); peer && peer->isOpen(); peer = app_.net().peer()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  until - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) break;
            // Only the sockets: the battle's timers, the display's among them, have nothing more to do. What
            // is queued goes first: a socket whose event waits there is not reported ready again.
            platform::Event event;
            if (platform_.pollEvent(event)) {
                if (event.kind == platform::EventKind::SocketReady) platform_.serviceSocket(event);
                continue;
            }
            platform_.waitForSockets(static_cast<std::int32_t>(left));
        }
    }

    // Between machines the rules stand still while they wait for the other one's bytes, and the display's
    // clock, which never stops, must not race on meanwhile. While the other machine owes this one its next
    // word and nothing here moves (nothing queued, the display done with what it was given), the clock
    // stands still and the program waits in real time for those bytes, keeping its line alive; the other
    // machine's silence is told by the line's own limit. Else, while nothing of the rules moves, the display
    // owes them no reply and nothing is queued, each tick first waits a little in real time for the network;
    // a silence of the whole network wait is the other machine's.
    void waitForTheOtherMachine() {
        VaelPhysicalLayers* views = app_.views();
        comm::NetPeer* peer = app_.net().peer();
        // The combats' wait for the display and the pause after them run on the clock: the battle is not
        // still meanwhile. Words of the other machine held for the display here are not waited for again.
        const bool still = app_.queuedTasks() == 0 && platform_.queuedEvents() == 0 &&
                           !restAwaited(app_.logicalLayer()) && !combatPauseUnderWay(app_.logicalLayer()) &&
                           !app_.net().wordsHeldForTheDisplay();
        if (still && peer && peer->isOpen() && app_.net().awaitsTheOther() && !(views && views->shownViewBusy())) {
            while (peer->isOpen() && !platform_.waitForSockets(NetworkKeepAliveSliceMs))
                peer->tick();
            silentSince_ = std::chrono::steady_clock::now();
            return;
        }
        const StandStill::Mark mark{outcome_.commentaryLines, outcome_.activations, turnsBegun_, turn()};
        const auto now = std::chrono::steady_clock::now();
        const bool waiting = mark == netMark_ && still && !(views && views->shownViewOwesAReply());
        netMark_ = mark;
        if (!waiting || platform_.waitForSockets(NetworkSliceMs)) {
            silentSince_ = now;
            return;
        }
        if (!peer || !peer->isOpen() || now - silentSince_ < std::chrono::milliseconds(options_.networkWait))
            return;
        silentSince_ = now;
        peer->refuse("the other machine did not answer for " + std::to_string(options_.networkWait / 1000) +
                     " seconds");
    }

    bool onlyTheDisplayMoves() {
        const StandStill::Mark mark{outcome_.commentaryLines, outcome_.activations, turnsBegun_, turn()};
        return standStill_.stalled(mark, app_.tickCount(), [this] {
            VaelPhysicalLayers* views = app_.views();
            return views && views->shownViewOwesAReply();
        });
    }

    // The battle loads here; false (the outcome says why) when it does not.
    bool scenarioLoads() {
        VaelLogicalLayer probe("Scenario check");
        registerUnitPrototypes(probe);
        if (probe.LoadScenario(
                ScenarioInfoStruct{VaelApp::CustomScenario, options_.scenario, options_.scenario, 0}))
            return true;
        stop(BattleStatus::LoadFailed, "cannot start the network battle: cannot load the battle " +
                                           options_.scenario + " from " + options_.dataDir);
        return false;
    }

    void readToldOutcome() {
        outcome_.turns = turnsBegun_ + 1;
        outcome_.winner.clear();
        if (results_.winner) outcome_.winner = GameControl::nationName(results_.winner);
        const auto side = [](std::int16_t lost, std::int16_t limit, std::int16_t routed, std::int16_t routing,
                             std::int16_t eliminated) {
            SideLosses s;
            s.lostTQ = lost, s.tqLimit = limit, s.routedTQ = routed, s.routing = routing,
            s.eliminated = eliminated;
            return s;
        };
        outcome_.home = side(results_.homeLostTQ, results_.homeTQLimit, results_.homeRoutedTQ,
                             results_.homeRouting, results_.homeEliminated);
        outcome_.home.name = GameControl::nationName(sides_.home);
        outcome_.visitor = side(results_.visitorLostTQ, results_.visitorTQLimit, results_.visitorRoutedTQ,
                                results_.visitorRouting, results_.visitorEliminated);
        outcome_.visitor.name = GameControl::nationName(sides_.visitor);
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
        if (network()) {
            if (!app_.startNetworkBattle(options_.scenario, VaelApp::CustomScenario, hosting(), true,
                                         error)) {
                stop(BattleStatus::LoadFailed, "cannot start the network battle: " + error);
                return false;
            }
            noteSides();
            return true;
        }
        if (options_.loadFile.empty()) {
            const bool started =
                app_.startBattle(options_.scenario, VaelApp::CustomScenario, true, true, error);
            notePlans();
            if (!started) {
                // A scenario that loaded may still not begin: a computer side's plan that will not compile.
                if (error.rfind("cannot load the battle", 0) != 0)
                    stop(BattleStatus::LoadFailed,
                         "cannot start the scenario " + options_.scenario + ": " + error);
                else
                    stop(BattleStatus::LoadFailed,
                         "cannot load the scenario " + options_.scenario + " from " + options_.dataDir +
                             (outcome_.failedChecks.empty() ? std::string()
                                                            : ": " + reason(outcome_.failedChecks.back())));
                return false;
            }
            noteSides();
            return true;
        }
        // Read first: the loaded battle resumes (and draws its dice) within the load.
        loadedDice_ = savedDice(options_.loadFile);
        if (!app_.loadGame(options_.loadFile, error)) {
            stop(BattleStatus::LoadFailed, "cannot load the saved game " + options_.loadFile + ": " + error);
            return false;
        }
        // The plans the file names, whatever kind the options would have drawn.
        notePlans();
        noteSides();
        // A battle loaded at or past the cap would be stopped by it before anything of it is played.
        if (turn() >= options_.turnCap) {
            stop(BattleStatus::LoadFailed, "cannot load the saved game " + options_.loadFile +
                                               ": it is at turn " + std::to_string(turn() + 1) +
                                               ", past the cap of " + std::to_string(options_.turnCap) +
                                               (options_.turnCap == 1 ? " turn" : " turns"));
            return false;
        }
        return true;
    }

    void notePlans() {
        const VaelLogicalLayer& layer = app_.logicalLayer();
        for (const std::string& plan : {layer.getScriptFileName(), layer.getHomePlanName()})
            if (!plan.empty()) outcome_.plans.push_back(plan);
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
        noteSides();
        // A loaded battle is saved again as it resumes, before anything of it has been played: a game saved
        // in the middle of an activation keeps the dice it was saved with.
        if (resumed && options_.saveAt == 0 && !std::exchange(savedOnResuming_, true))
            save(loadedDice_ ? diceText(*loadedDice_) : std::string());
        if (!resumed && ++outcome_.activations == options_.saveAt && save()) announcementDue_ = true;
        // A machine without game control draws from the seed and the count of activations it was told.
        if (GameControl* control = app_.gameControl())
            seed(activationSeed(options_.seed, *control));
        else
            seed(options_.seed * 2654435761u ^ static_cast<std::uint32_t>(outcome_.activations) * 16777619u);
        // A game saved in the middle of an activation goes on with the dice drawn as far as they were.
        if (resumed && loadedDice_) {
            seed(loadedDice_->first);
            Roll::drawUpTo(loadedDice_->second);
            loadedDice_.reset();
        }
    }

    void seed(unsigned value) {
        Roll::seed(value);
        seeded_ = value;
    }

    // The dice a save by step keeps in its description: the seed last given and the numbers drawn since.
    static std::string diceText(const std::pair<unsigned, unsigned long long>& dice) {
        return "vael-battle dice " + std::to_string(dice.first) + " " + std::to_string(dice.second);
    }

    static constexpr unsigned long long MostDiceDrawn = 1ull << 24;

    static std::optional<std::pair<unsigned, unsigned long long>> savedDice(const std::string& file) {
        // Read as the load reads it: what is no saved game (a folder, a device) is left to the load to refuse.
        std::vector<std::uint8_t> bytes;
        std::string description, error;
        if (!readFileBytes(file, bytes, error, file_limits::SavedGame) || !readSavedDescription(bytes, description))
            return std::nullopt;
        unsigned long long seedValue = 0, drawn = 0;
        char rest = 0;
        // An activation draws some hundreds of numbers: a count past millions is no save of ours, and would
        // hold the load drawing for ever.
        if (std::sscanf(description.c_str(), "vael-battle dice %llu %llu%c", &seedValue, &drawn, &rest) != 2 ||
            seedValue > 0xFFFFFFFFull || drawn > MostDiceDrawn)
            return std::nullopt;
        return std::make_pair(static_cast<unsigned>(seedValue), drawn);
    }

    bool saveMidway() {
        if (!save(diceText({seeded_, Roll::drawn()}))) return false;
        outcome_.savedAtStep = outcome_.tasks;
        return true;
    }

    bool save(const std::string& description = {}) {
        outcome_.commentaryAtSave = outcome_.commentaryLines;
        std::string error;
        if (app_.saveGame(options_.saveFile, error, description)) return saved_ = true;
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
    EndOfGameResults results_;
    bool told_ = false; // the host's word of the end came (results_ holds it)
    std::optional<bool> endedHomeWon_; // the battle's end here ("GameEnded"): whether the home side won
    std::int32_t turnsBegun_ = 0;
    // What a machine without game control counted (see readStandingOutcome).
    BattleTallies standing_;
    struct Sides {
        std::uint32_t home = 0, visitor = 0;
        std::int16_t homeTQ = 0, visitorTQ = 0;
    };
    Sides sides_;
    std::int32_t turnsEnded_ = 0;
    std::string lost_;
    bool announcementDue_ = false;
    bool savedOnResuming_ = false;
    unsigned seeded_ = 0;
    std::optional<std::pair<unsigned, unsigned long long>> loadedDice_;
    bool saved_ = false;
    std::string failed_;
    StandStill standStill_;
    // How long a tick waits for the network while the rules wait for the other machine, in real ms.
    static constexpr std::int32_t NetworkSliceMs = 5;
    // How long the clock stands still at a time for the other machine's word, in real ms, before its line's
    // keep-alive and silence are looked at.
    static constexpr std::int32_t NetworkKeepAliveSliceMs = 250;
    StandStill::Mark netMark_;
    std::chrono::steady_clock::time_point silentSince_ = std::chrono::steady_clock::now();
};

} // namespace

bool StandStill::stalled(const Mark& mark, std::uint32_t now, const std::function<bool()>& owesAReply) {
    if (!seen_ || mark != last_) {
        seen_ = true;
        last_ = mark;
        since_ = now;
        return false;
    }
    if (now - since_ < WaitMs) return false;
    return !owesAReply();
}

std::uint32_t planKindOfSeed(std::uint32_t seed) {
    return seed % 2 == 1 ? 0 : 1;
}

std::uint32_t lastAITypeDrawing(std::uint32_t planKind) {
    return planKind == 0 ? 1 : 0;
}

BattleOutcome playBattle(const BattleOptions& options, std::ostream* out) {
    Battle battle(options, out);
    return battle.play();
}

void printOutcome(const BattleOutcome& outcome, std::ostream& out) {
    out << "Outcome: " << (outcome.winner.empty() ? std::string("nobody") : outcome.winner) << " won after "
        << outcome.turns << (outcome.turns == 1 ? " turn" : " turns") << '\n';
    for (const SideLosses* side : {&outcome.home, &outcome.visitor})
        out << side->name << ": lost " << side->lostTQ << " of " << side->tqLimit << " troop quality, "
            << side->eliminated << (side->eliminated == 1 ? " unit" : " units") << " eliminated, " << side->routing << " routing (" << side->routedTQ
            << ")\n";
}

} // namespace vael::battle
