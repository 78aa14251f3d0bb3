#include "game/flow/game_control.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/printable.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/flow/commentary_text.h"
#include "game/flow/flow_message_names.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/nation.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "GAMECTRL";

// String resources of the status line and the commentary.
constexpr std::uint16_t NowStartingString = 88;
constexpr std::uint16_t NowResumingString = 89;
constexpr std::uint16_t EliteDecidedString = 91;

GameControl* controlOf(Component* target, std::int16_t line) {
    auto* control = dynamic_cast<GameControl*>(target);
    Assertion::check(control != nullptr, BadPayloadMessage, sourceFile, line);
    return control;
}

// Runs step on game control with the payload when both are what the handler expects.
template <class T, class Step>
ContainerBase* withPayload(Component* target, ContainerBase* data, std::int16_t line, Step&& step) {
    GameControl* control = controlOf(target, line);
    if (!control) return nullptr;
    return callWithPayload<T>(data, sourceFile, line, [&](const T& value) { return step(*control, value); });
}

// A short may come boxed as short or as unsigned short, as the unit numbers do.
bool shortOf(const ContainerBase* data, std::int16_t& out, std::int16_t line) {
    return callWithPayload<short, unsigned short>(data, sourceFile, line, [&](auto value) {
        out = static_cast<std::int16_t>(value);
        return true;
    });
}

template <void (GameControl::*Step)(std::int16_t)>
ContainerBase* onShort(Component* target, BusMessage, ContainerBase* data) {
    GameControl* control = controlOf(target, __LINE__);
    std::int16_t value = 0;
    if (control && shortOf(data, value, __LINE__)) (control->*Step)(value);
    return nullptr;
}

template <void (GameControl::*Step)()> ContainerBase* onEmpty(Component* target, BusMessage, ContainerBase*) {
    if (GameControl* control = controlOf(target, __LINE__)) (control->*Step)();
    return nullptr;
}

ContainerBase* onCreateLeader(Component* target, BusMessage, ContainerBase* data) {
    return withPayload<LeaderUnitInfo>(
        target, data, __LINE__, [](GameControl& c, const LeaderUnitInfo& record) {
            c.addLeader(record);
            debugStream() << "Leader created in Game Control: " << record.name << std::endl;
            return static_cast<ContainerBase*>(nullptr);
        });
}

ContainerBase* onUnitEliminated(Component* target, BusMessage, ContainerBase* data) {
    return withPayload<EliminateUnitData>(
        target, data, __LINE__, [](GameControl& c, const EliminateUnitData& r) {
            return c.UnitEliminated(r), static_cast<ContainerBase*>(nullptr);
        });
}

ContainerBase* onUnitLossSealed(Component* target, BusMessage, ContainerBase* data) {
    return withPayload<EliminateUnitData>(
        target, data, __LINE__, [](GameControl& c, const EliminateUnitData& r) {
            return c.UnitLossSealed(r), static_cast<ContainerBase*>(nullptr);
        });
}

// The layer names the sides as NATION; a plain u32 names them as well.
template <bool Home> ContainerBase* onTeam(Component* target, BusMessage, ContainerBase* data) {
    GameControl* control = controlOf(target, __LINE__);
    std::uint32_t code = 0;
    if (!callWithPayload<NATION, std::uint32_t>(data, sourceFile, __LINE__, [&](auto nation) {
            code = nation;
            return true;
        }))
        return nullptr;
    if (control) Home ? control->setHomeNation(code) : control->setVisitorNation(code);
    return nullptr;
}

template <bool Routed> ContainerBase* onRoutData(Component* target, BusMessage, ContainerBase* data) {
    return withPayload<UnitRoutData>(target, data, __LINE__, [](GameControl& c, const UnitRoutData& r) {
        Routed ? c.UnitRouted(r) : c.UnitRallied(r);
        return static_cast<ContainerBase*>(nullptr);
    });
}

ContainerBase* onSynchronizeGame(Component* target, BusMessage, ContainerBase* data) {
    return withPayload<std::string>(target, data, __LINE__, [](GameControl& c, const std::string& doing) {
        return c.SynchronizeGame(doing), static_cast<ContainerBase*>(nullptr);
    });
}

ContainerBase* onUnitMovementDone(Component* target, BusMessage, ContainerBase* data) {
    GameControl* control = controlOf(target, __LINE__);
    std::int16_t number = 0;
    if (control && shortOf(data, number, __LINE__))
        control->UnitMovementDone(static_cast<std::uint16_t>(number));
    return nullptr;
}

ContainerBase* onGetGameResults(Component* target, BusMessage, ContainerBase*) {
    GameControl* control = controlOf(target, __LINE__);
    return control ? new Container<EndOfGameResults>(control->results(0)) : nullptr;
}

ContainerBase* onGetTurnNum(Component* target, BusMessage, ContainerBase*) {
    GameControl* control = controlOf(target, __LINE__);
    return control ? new Container<short>(static_cast<short>(control->getTurn() + 1)) : nullptr;
}

ContainerBase* onSetPlayerInfo(Component* target, BusMessage, ContainerBase* data) {
    return withPayload<PlyrInfo>(target, data, __LINE__, [](GameControl& c, const PlyrInfo& info) {
        return c.SetPlayerInfo(info), static_cast<ContainerBase*>(nullptr);
    });
}

ContainerBase* onPlayerDeleted(Component* target, BusMessage, ContainerBase* data) {
    return withPayload<std::string>(target, data, __LINE__, [](GameControl& c, const std::string& player) {
        return c.PlayerDeleted(player), static_cast<ContainerBase*>(nullptr);
    });
}

// Each continuation disconnects itself before it runs, so that one "GameSynchronized" moves one step.
template <void (GameControl::*Step)()>
ContainerBase* continuation(Component* target, BusMessage, ContainerBase*) {
    GameControl* control = controlOf(target, __LINE__);
    if (!control) return nullptr;
    control->disconnectNamed(msg::GameSynchronized, &continuation<Step>);
    control->continuationRan();
    (control->*Step)();
    return nullptr;
}

struct Registration {
    const char* name; // null for a numbered event
    BusMessage event;
    HandlerFunction handler;
};

const Registration registrations[] = {
    {msg::CreateLeader, 0, onCreateLeader},
    {nullptr, BEGIN_GAME, onShort<&GameControl::BeginGame>},
    {msg::UnitEliminated, 0, onUnitEliminated},
    {msg::UnitLossSealed, 0, onUnitLossSealed},
    {msg::HomeTeam, 0, onTeam<true>},
    {msg::VisitorTeam, 0, onTeam<false>},
    {msg::HomeTQPoints, 0, onShort<&GameControl::setHomeTQLimit>},
    {msg::VisitorTQPoints, 0, onShort<&GameControl::setVisitorTQLimit>},
    {msg::NumHomeUnits, 0, onShort<&GameControl::setHomeUnits>},
    {msg::NumVisitorUnits, 0, onShort<&GameControl::setVisitorUnits>},
    {msg::UnitRouted, 0, onRoutData<true>},
    {msg::UnitRallied, 0, onRoutData<false>},
    {nullptr, END_GAME, onEmpty<&GameControl::EndGame>},
    {msg::EndOfTurnRoutingDone, 0, onEmpty<&GameControl::EndOfTurnRoutingDone>},
    {msg::AutomaticWin, 0, onShort<&GameControl::AutomaticWin>},
    {msg::SynchronizeGame, 0, onSynchronizeGame},
    {msg::UnitMovementDone, 0, onUnitMovementDone},
    {msg::GetGameResults, 0, onGetGameResults},
    {msg::GetTurnNum, 0, onGetTurnNum},
    {msg::NumberOfPlayers, 0, onShort<&GameControl::setPlayers>},
    {msg::SetPlayerInfo, 0, onSetPlayerInfo},
    {msg::PlayerDeleted, 0, onPlayerDeleted},
    {msg::SetLeaderOrder, 0, onShort<&GameControl::setLeaderOrderTest>},
    {msg::SetAutoSave, 0, onShort<&GameControl::setAutoSave>},
    {msg::LeaderActivated, 0, onEmpty<&GameControl::LeaderActivated>},
    {msg::CanAttemptMomentum, 0, onShort<&GameControl::CanAttemptMomentum>},
};

const char* const nationNames[] = {"NoNation", "Macedonian", "Persian", "Indian",  "Greek",
                                   "Danubian", "Scythian",   "Spartan", "African", "Roman"};

const std::int16_t eliteChances[10] = {40, 40, 100, 40, 40, 40, 40, 40, 40, 40};
const char* const eliteLeaders[10] = {"Vaelmoric", "Vaelmoric", "Vaelmoric", "Vaelmoric", "Keldrian",
                                      "Vaelmoric", "Vaelmoric", "Vaelmoric", "Vaelmoric", "Vaelmoric"};

} // namespace

GameControl::GameControl() : Component("Vael Game Controller") {}

GameControl::~GameControl() = default;

void GameControl::connectHandlers() {
    for (const Registration& r : registrations)
        r.name ? connectNamed(r.name, r.handler) : connect(r.event, r.handler);
}

const char* GameControl::nationName(std::uint32_t nation) {
    return nation < 10 ? nationNames[nation] : nationNames[0];
}

// Only the fixed battles have elite tables; a battle of one's own reads nothing past them.
const char* GameControl::eliteLeaderName(std::uint32_t scenario) {
    return scenario < 10 ? eliteLeaders[scenario] : "";
}

std::int16_t GameControl::eliteChance(std::uint32_t scenario) {
    return scenario < 10 ? eliteChances[scenario] : 0;
}

void GameControl::addLeader(const LeaderUnitInfo& record) {
    if (leaderCount_ == 32767) return; // the arrays are indexed by a 16-bit count
    LeaderUnitInfo& added = leaders_[leaderCount_];
    added = record;
    added.currentInitiative = static_cast<std::int16_t>(record.initiative);
    goneThisTurn_[leaderCount_] = 0;
    ++leaderCount_;
}

void GameControl::commentary(const std::string& text) {
    Container<std::string> box(text);
    sendNamed(msg::AddCommentary, &box);
}

void GameControl::sendCaption() {
    Container<std::string> box(caption_ + " - Turn " + std::to_string(turn_ + 1));
    sendNamed(msg::ChangeMainCaption, &box);
}

void GameControl::awaitSynchronisation(HandlerFunction next) {
    if (continuation_) disconnectNamed(msg::GameSynchronized, continuation_);
    continuation_ = next;
    if (next) connectNamed(msg::GameSynchronized, next);
}

void GameControl::activate(std::int16_t index, bool announceFirst) {
    // A turn that was opening when the battle ended (its first question unanswered) opens no further.
    if (gameOver_) return;
    const LeaderUnitInfo& record = leaders_[index];
    const std::string announcement = "\\B" + commentaryText(record.name) + "\\b is now active.";
    dropAnswer(queryNamedEmpty(msg::BeginLeaderOrdersPhase));
    // The question runs what the bus had queued before it, and that can be what finds the other machine
    // gone and ends the battle here, its end told already: the leader is neither announced nor activated.
    if (gameOver_) return;
    if (announceFirst) commentary(announcement);
    awaitSynchronisation(&continuation<&GameControl::NextLeader>);
    Container<unsigned short> number(record.leader ? record.leader->getUnitNum() : 0xFFFF);
    sendNamed(msg::ActivateLeader, &number);
    if (!announceFirst) commentary(announcement);
}

void GameControl::awaitGameEnded() {
    awaitSynchronisation(&continuation<&GameControl::GameEnded>);
}

bool GameControl::tellEndAfterActivation() {
    // The acting machine goes on with the activation's steps until it hears of the end, and every machine
    // shows them in the order it played them. Told at once, the end would fall among those steps in one
    // place here and in another there; told when the activation's last step has been seen everywhere, it
    // comes after all of them on every machine.
    if (players_ <= 1 || continuation_ != &continuation<&GameControl::NextLeader>) return false;
    awaitSynchronisation(&continuation<&GameControl::tellEnd>);
    return true;
}

void GameControl::goToRoutPhase() {
    if (gameOver_) return;
    awaitSynchronisation(nullptr);
    sendNamedEmpty(msg::RoutPhase);
    momentumTries_ = -1;
}

void GameControl::BeginGame(std::int16_t resume) {
    loading_ = 0;
    caption_ = captionSource_ ? captionSource_() : std::string();
    debugStream() << "Playing " << caption_ << std::endl;
    Application* app = Application::instance();
    if (!resume) {
        if (app) app->setStatusText(app->loadString(NowStartingString), 0);
        // With nobody to choose the turn goes straight to its rout phase rather than to a leader the
        // index no longer (or never) named.
        if (EliteInitiative())
            activate(activeLeader_, false);
        else
            goToRoutPhase();
    } else {
        if (app) app->setStatusText(app->loadString(NowResumingString), 0);
        if (resumeRules_) resumeRules_();
        if (hasLeader(activeLeader_)) {
            awaitSynchronisation(&continuation<&GameControl::NextLeader>);
            const LeaderUnitInfo& record = leaders_[activeLeader_];
            Container<unsigned short> number(record.leader ? record.leader->getUnitNum() : 0xFFFF);
            sendNamed(msg::ResumeActiveLeader, &number);
        } else {
            goToRoutPhase();
        }
    }
    sendCaption();
    if (resume && resumeDisplay_) resumeDisplay_();
}

bool GameControl::EliteInitiative() {
    if (scenario_ == 0 || scenario_ == 6 || eliteCount_ > 2) return ChooseNextLeader() != 0;
    if (players_ > 1)
        if (Application* app = Application::instance()) commentary(app->loadString(EliteDecidedString));
    Container<short> asked(turn_);
    std::string name;
    const auto reply = owned(queryNamed(msg::EliteInitiative, &asked));
    // The question waits for the other machine's answer, and the loss of that machine ends the battle
    // meanwhile: no leader is chosen for a turn that opens no further, and no die is drawn for one.
    if (gameOver_) return false;
    if (reply) {
        takeAnswer(reply.get(), name, sourceFile, __LINE__);
    } else if (turn_ == 0) {
        name = eliteLeaderName(scenario_);
    } else if (eliteChance(scenario_) > 0 && Roll::rand() % 100 < eliteChance(scenario_)) {
        name = "Vaelmoric";
    }
    if (!name.empty())
        for (std::int16_t i = 0; i < leaderCount_; ++i) {
            if (leaders_[i].name.find(name) == std::string::npos || leaders_[i].currentInitiative == 0)
                continue;
            activeLeader_ = i;
            eliteCount_ = turn_ == 0 ? 1 : static_cast<std::int16_t>(eliteCount_ + 1);
            momentumTries_ = 0;
            goneThisTurn_[i] = 1;
            return true;
        }
    return ChooseNextLeader() != 0;
}

std::int16_t GameControl::ChooseNextLeader() {
    // A decided battle has no next leader: neither momentum nor initiative is rolled for.
    if (gameOver_) return 0;
    LeaderOrderChoice choice;
    if (leaderOrderTest_ && leaderOrderDialog_)
        choice = leaderOrderDialog_(leaders_, goneThisTurn_, leaderCount_);

    if (hasLeader(activeLeader_) && momentumTries_ >= 0 && momentumTries_ < 2 &&
        leaders_[activeLeader_].momentumAllowed && leaders_[activeLeader_].currentInitiative) {
        LeaderUnitInfo& active = leaders_[activeLeader_];
        const int target = (active.initiative + 1) * (momentumTries_ == 0 ? 8 : 5);
        const int roll = choice.ok ? (choice.momentum ? 0 : 101) : Roll::rand() % 100;
        debugStream() << "The leader has gone: " << momentumTries_ + 1 << std::endl;
        debugStream() << "His modified initiative is: " << target << std::endl;
        debugStream() << "The random number is: " << roll << std::endl;
        if (roll < target) {
            debugStream() << "OK, here " << active.name << " goes again!" << std::endl;
            commentary("\\B" + commentaryText(active.name) +
                       "\\b attempted momentum (tactical initiative) and was successful!");
            ++momentumTries_;
            return 1;
        }
    }
    debugStream() << "Initiative failed.  Figuring a new leader" << std::endl;
    momentumTries_ = 0;

    auto eligible = [this](std::int16_t i) {
        const LeaderUnitInfo& r = leaders_[i];
        return goneThisTurn_[i] == 0 && !(r.leader && r.leader->isFinished()) && r.currentInitiative != 0;
    };
    int total = 0;
    for (std::int16_t i = 0; i < leaderCount_; ++i)
        if (eligible(i)) total += leaders_[i].initiative;
    const int r = total > 0 ? Roll::rand() % total : 0;
    int acc = 0;
    for (std::int16_t i = 0; i < leaderCount_; ++i) {
        if (!eligible(i)) continue;
        const int weight = leaders_[i].initiative;
        if (acc <= r && r < acc + weight) {
            const std::int16_t chosen = choice.ok && hasLeader(choice.leader) ? choice.leader : i;
            goneThisTurn_[chosen] = 1;
            activeLeader_ = chosen;
            debugStream() << leaders_[chosen].name << " is going to become active" << std::endl;
            return 1;
        }
        acc += weight;
    }
    return 0;
}

void GameControl::completeSynchronisation() {
    debugStream() << "GameControl: all players have checked in" << std::endl;
    awaitedPlayers_ = -1;
    sendNamedEmpty(msg::GameSynchronized);
}

void GameControl::SynchronizeGame(const std::string& doing) {
    debugStream() << "GameControl: received SynchronizeGame posting" << std::endl;
    if (awaitedPlayers_ == -1) awaitedPlayers_ = players_;
    --awaitedPlayers_;
    if (awaitedPlayers_ <= 0) return completeSynchronisation();
    // At the last turn of a capped battle nothing follows the check-in: nobody waits on the others, so
    // nobody is told that they are waited on (the other machine, gone at the same cap, would never hear it).
    if (doing.empty() || noFurtherTurn_) return;
    // Once the battle's end is told nobody looks at anything before checking in: each machine's end picture
    // comes after the check-in, and a line naming the player still awaited would name him on his own machine.
    if (continuation_ == &continuation<&GameControl::GameEnded>) return;
    const bool plural = awaitedPlayers_ >= 2;
    // The line shows on every machine: "1 player" would be the reader himself on the one that is awaited,
    // his name reads true on both.
    const std::string who = !plural && awaitedName_ ? awaitedName_() : std::string();
    // What the other player is doing is his machine's word.
    commentary("\\B" +
               (who.empty() ? std::to_string(awaitedPlayers_) + (plural ? " players\\b are" : " player\\b is")
                            : commentaryText(who) + "\\b is") +
               " still " + commentaryText(doing.substr(0, 400)) + "...");
}

void GameControl::NextLeader() {
    if (gameOver_) return;
    if (!ChooseNextLeader()) return goToRoutPhase();
    activate(activeLeader_, true);
}

void GameControl::EndOfTurnRoutingDone() {
    if (gameOver_) return;
    // A loss on its way to be counted is the turn's (a beast whose rampage ends the turn's routs leaves play
    // as they end): the turn's end is taken behind it, so that it counts, and tells, that loss.
    const Application* app = Application::instance();
    bool lossQueued = false;
    if (app)
        app->forEachQueuedTask([&lossQueued](const CBtask& task) {
            static const auto eliminate = static_cast<std::int32_t>(RegisteredMessage::getId(msg::EliminateUnit));
            static const auto eliminated = static_cast<std::int32_t>(RegisteredMessage::getId(msg::UnitEliminated));
            lossQueued = lossQueued || task.event.id() == eliminate || task.event.id() == eliminated;
        });
    if (lossQueued) return sendNamedEmpty(msg::EndOfTurnRoutingDone);
    if (endOfGameTest().over) return sendEmpty(END_GAME);
    Container<EndOfGameResults> box(results(0));
    awaitSynchronisation(&continuation<&GameControl::BeginTurn>);
    sendNamed(msg::EndOfTurn, &box);
}

void GameControl::playNoFurtherTurn() {
    if (continuation_ != &continuation<&GameControl::BeginTurn>) return;
    awaitSynchronisation(nullptr);
    noFurtherTurn_ = true;
}

void GameControl::BeginTurn() {
    if (gameOver_) return;
    ++turn_;
    sendCaption();
    debugStream() << "********* Now starting game turn #" << turn_ + 1 << " *********" << std::endl;
    commentary("\\B** Turn #" + std::to_string(turn_ + 1) + " **\\b");
    for (std::int16_t i = 0; i < leaderCount_; ++i)
        goneThisTurn_[i] = 0;
    dropAnswer(queryNamedEmpty(msg::BeginTurn));
    reserved_ = 0;
    // The question runs what the bus had queued, which can end the battle (the other machine found gone).
    if (gameOver_) return;
    if (EliteInitiative())
        activate(activeLeader_, false);
    else
        goToRoutPhase();
}

void GameControl::SetPlayerInfo(const PlyrInfo& info) {
    const std::string& text = info.leaders;
    std::size_t at = text.find('(');
    if (at == std::string::npos) return;
    ++at;
    const std::size_t lastClose = text.rfind(')');
    while (at < text.size() && text[at] != ')') {
        while (at < text.size() && !std::isalpha(static_cast<unsigned char>(text[at])))
            ++at;
        if (at >= text.size()) break;
        std::size_t end = text.find(',', at);
        if (end == std::string::npos) end = lastClose;
        if (end == std::string::npos || end < at) break;
        const std::string name = text.substr(at, end - at);
        for (std::int16_t i = 0; i < leaderCount_; ++i)
            if (leaders_[i].name == name) {
                // The name came from the other machine; the commentary shows it in every line that names
                // the leader, where a control character in it would break the line.
                leaders_[i].name += " (" + printable(info.name) + ")";
                break;
            }
        at = end;
        if (at < text.size() && text[at] == ',') ++at;
    }
}

void GameControl::PlayerDeleted(const std::string& player, bool told) {
    debugStream() << "GameControl::PlayerDeleted: " << player << std::endl;
    --players_;
    bool syncCompleted = false;
    if (awaitedPlayers_ != -1) {
        --awaitedPlayers_;
        // The one who left was the last awaited: the others have all reported and must not wait for him.
        syncCompleted = awaitedPlayers_ <= 0;
    }
    bool activeWasHis = false;
    for (std::int16_t i = 0; i < leaderCount_ && !player.empty(); ++i) {
        if (leaders_[i].name.find(player) == std::string::npos) continue;
        leaders_[i].currentInitiative = 0;
        if (leaders_[i].name.find("Vael") != std::string::npos) eliteCount_ = 3;
        if (i == activeLeader_) activeWasHis = true;
    }
    // Once the battle is over (his leaving ended it) his leaders have no battle to be inactive in.
    if (told)
        commentary("\\B" + commentaryText(player) +
                   (gameOver_ ? " has left the game.\\b"
                              : " has left the game. Leaders controlled by this player are permanently "
                                "inactive.\\b"));
    if (activeWasHis) sendNamedEmpty(msg::RemoveAllBattleArrows);
    // Both reasons move the cycle on by one step; the count starts afresh with the next step.
    if (syncCompleted || activeWasHis) completeSynchronisation();
}

void GameControl::CanAttemptMomentum(std::int16_t value) {
    if (hasLeader(activeLeader_)) leaders_[activeLeader_].momentumAllowed = value;
    debugStream() << "GameControl::CanAttemptMomentum = " << value << std::endl;
}

void GameControl::LeaderActivated() {
    if (!autoSave_ || players_ != 1 || !hasLeader(activeLeader_)) return;
    const Leader* leader = leaders_[activeLeader_].leader;
    if (!leader || leader->isComputerControlled()) return;
    Container<std::string> box("Turn #" + std::to_string(turn_ + 1) + "; " + leader->getName());
    dropAnswer(sendNowNamed(msg::AutoSaveGame, &box));
}

void GameControl::UnitRouted(const UnitRoutData& record) {
    // Once the battle is decided its tallies are the record it was decided on: what still moves on the
    // field after the end changes nothing of it.
    if (gameOver_ && !talliesOpen_) return;
    tallies_.routed(record, isHome(record.nation));
}

void GameControl::countRoutsUnderWay() {
    // A rout is told as the unit breaks and reported to game control by a post: one told in the step that
    // decides the battle (the rest of the volley that fells a commander) is reported after the decision,
    // which counts nothing more. Its report is already queued, so it is counted here, and dropped when it
    // comes.
    const Application* app = Application::instance();
    if (!app) return;
    std::vector<std::pair<bool, UnitRoutData>> reports;
    app->forEachQueuedTask([&](const CBtask& task) {
        if (task.callback.component != this) return;
        const bool routed = task.callback.handler == onRoutData<true>;
        if (!routed && task.callback.handler != onRoutData<false>) return;
        if (const auto* box = dynamic_cast<const Container<UnitRoutData>*>(task.data))
            reports.emplace_back(routed, *box->valuePtr());
    });
    for (const auto& [routed, record] : reports)
        routed ? tallies_.routed(record, isHome(record.nation)) : tallies_.rallied(record, isHome(record.nation));
}

void GameControl::UnitRallied(const UnitRoutData& record) {
    if (gameOver_ && !talliesOpen_) return;
    tallies_.rallied(record, isHome(record.nation));
}

void GameControl::UnitEliminated(const EliminateUnitData& record) {
    // The sealed loss is carried out: it is this report that counts.
    tallies_.forgetSealed(record.unitNumber);
    if (loading_ || (gameOver_ && !talliesOpen_)) return;
    if (!tallies_.eliminated(record, isHome(record.nation))) return;
    Application* app = Application::instance();
    const std::string mark = app ? app->loadString(90) : std::string();
    for (std::int16_t i = 0; i < leaderCount_; ++i) {
        LeaderUnitInfo& r = leaders_[i];
        if (!r.leader || r.leader->getUnitNum() != record.unitNumber) continue;
        if (!mark.empty() && r.name.find(mark) == std::string::npos) r.name += mark;
        break;
    }
}

void GameControl::UnitLossSealed(const EliminateUnitData& record) {
    if (loading_ || (gameOver_ && !talliesOpen_)) return;
    tallies_.lossSealed(record);
}

void GameControl::markReplacedLeaders() {
    Application* app = Application::instance();
    const std::string mark = app ? app->loadString(90) : std::string();
    if (mark.empty()) return;
    for (std::int16_t i = 0; i < leaderCount_; ++i) {
        LeaderUnitInfo& r = leaders_[i];
        if (r.leader && r.leader->getName().find(mark) != std::string::npos &&
            r.name.find(mark) == std::string::npos)
            r.name += mark;
    }
}

EndOfGameResults GameControl::results(std::uint32_t winner) const {
    EndOfGameResults r;
    r.winner = winner;
    r.homeNation = homeNation_, r.visitorNation = visitorNation_;
    r.homeName = nationName(homeNation_), r.visitorName = nationName(visitorNation_);
    const BattleTallies::Side &home = tallies_.home, &visitor = tallies_.visitor;
    r.homeLostTQ = home.lostTQ, r.visitorLostTQ = visitor.lostTQ;
    r.homeTQLimit = homeTQLimit_, r.visitorTQLimit = visitorTQLimit_;
    r.homeRoutedTQ = home.routedTQ, r.visitorRoutedTQ = visitor.routedTQ;
    r.homeRouting = home.routing, r.visitorRouting = visitor.routing;
    r.homeEliminated = home.eliminated, r.visitorEliminated = visitor.eliminated;
    r.homeUnits = homeUnits_, r.visitorUnits = visitorUnits_;
    return r;
}

// The order of the block is that of the saved games; every value is two bytes.
void GameControl::write(SuperString& stream) const {
    for (std::int16_t i = 0; i < leaderCount_; ++i)
        stream << static_cast<short>(const_cast<DynArray<short>&>(goneThisTurn_)[i]);
    const BattleTallies::Side &home = tallies_.home, &visitor = tallies_.visitor;
    for (std::int16_t v : {reserved_, activeLeader_, turn_, momentumTries_, homeTQLimit_, visitorTQLimit_,
                           home.lostTQ, visitor.lostTQ, home.routedTQ, visitor.routedTQ, home.routing,
                           visitor.routing, home.eliminated, visitor.eliminated, eliteCount_, riverScore_})
        stream << static_cast<short>(v);
}

bool GameControl::read(SuperString& stream) {
    std::vector<short> gone(static_cast<std::size_t>(leaderCount_));
    for (short& g : gone)
        stream >> g;
    short v[16] = {};
    for (short& value : v)
        stream >> value;
    readProblem_.clear();
    if (stream.failed()) return false;
    // An active leader the game does not hold, or a momentum count no activation reaches, is no game's.
    if (v[1] != NoLeader && !hasLeader(v[1]))
        readProblem_ = "the saved game has leader " + std::to_string(v[1]) +
                       " giving orders, whom this battle does not have";
    else if (v[2] < 0)
        readProblem_ = "the saved game is at turn " + std::to_string(v[2] + 1) + ", before the battle's first";
    else if (v[3] < -1 || v[3] > 2)
        readProblem_ = "the saved game holds " + std::to_string(v[3]) +
                       " tries at momentum, where an activation has -1 to 2";
    if (!readProblem_.empty()) {
        stream.setFailed();
        return false;
    }
    // A leader has gone this turn or not; the limits and the counts of lost, routed, routing and eliminated
    // units and of elite activations only grow from nothing; and a battle whose turn counter ends it is
    // over by that turn: anything else was never saved by a battle and would stall or end it wrongly.
    const bool flags = std::all_of(gone.begin(), gone.end(), [](short g) { return g == 0 || g == 1; });
    const short* negative = std::find_if(v + 4, v + 15, [](short n) { return n < 0; });
    if (!flags)
        readProblem_ = "the saved game holds a leader neither gone nor waiting this turn";
    else if (negative != v + 15)
        readProblem_ = "the saved game holds a count of " + std::to_string(*negative) + " where none is below 0";
    else if (v[2] > lastTurn())
        readProblem_ = "the saved game is at turn " + std::to_string(v[2] + 1) + ", after the battle's last turn " +
                       std::to_string(lastTurn() + 1);
    if (!readProblem_.empty()) {
        stream.setFailed();
        return false;
    }
    for (std::int16_t i = 0; i < leaderCount_; ++i)
        goneThisTurn_[i] = gone[static_cast<std::size_t>(i)];
    BattleTallies::Side &home = tallies_.home, &visitor = tallies_.visitor;
    std::int16_t* fields[] = {&reserved_,       &activeLeader_,      &turn_,        &momentumTries_,
                              &homeTQLimit_,    &visitorTQLimit_,    &home.lostTQ,  &visitor.lostTQ,
                              &home.routedTQ,   &visitor.routedTQ,   &home.routing, &visitor.routing,
                              &home.eliminated, &visitor.eliminated, &eliteCount_,  &riverScore_};
    for (int i = 0; i < 16; ++i)
        *fields[i] = v[i];
    loading_ = 1;
    return true;
}

} // namespace vael
