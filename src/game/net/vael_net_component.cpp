#include "game/net/vael_net_component.h"

#include <algorithm>
#include <utility>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/printable.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "framework/ui/win_app.h"
#include "game/flow/commentary_text.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_message_names.h"
#include "game/net/net_payloads.h"
#include "game/net/relay_table.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader.h"

namespace vael {

namespace {

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

VaelNetComponent& self(Component* target) {
    return *static_cast<VaelNetComponent*>(target);
}

std::string nameOf(BusMessage event) {
    const std::string name = event.id() >= 0 && event.id() <= 0xFFFF
                                 ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()))
                                 : std::string();
    if (!name.empty()) return "\"" + name + "\"";
    // A numbered event of the bus goes by the name the trace gives it.
    const std::string builtIn = Bus::eventName(event.id());
    return builtIn.empty() ? "message " + std::to_string(event.id()) : builtIn;
}

bool showsText(BusMessage event) {
    for (const char* name : {msg::AddCommentary, msg::ChangeMainCaption, msg::NetBattleTitle})
        if (event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name))) return true;
    return false;
}

} // namespace

std::string nameOfMessage(BusMessage event) {
    return nameOf(event);
}

VaelNetComponent::VaelNetComponent() : Component("Vael Net Component") {
    registerNetPayloadTypes();
}

VaelNetComponent::~VaelNetComponent() = default;

void VaelNetComponent::connectHandlers() {
    connectRelays();
    connectNamed(msg::NetFlush, onFlush);
    connectNamed(msg::NetDeliver, onDeliver);
    connectNamed(msg::NetLost, onLossDue);
    connectNamed(msg::CloseGame, onCloseGame);
    RegisteredMessage::getId(msg::BattleState);
    RegisteredMessage::getId(msg::NetAnswer);
}

void VaelNetComponent::connectRelays() {
    for (const RelayRow& row : relayTable()) {
        if (row.way == RelayWay::ByState) continue;
        if (row.name)
            connectNamed(row.name, onRelayed);
        else
            connect(BusMessage(row.number), onRelayed);
    }
}

void VaelNetComponent::setPeer(std::unique_ptr<comm::NetPeer> peer, bool host) {
    peer_ = std::move(peer);
    outbox_.clear();
    inbox_.clear();
    heldBytes_ = 0;
    handoverPending_ = false;
    setPlaying(peer_ != nullptr, host);
    if (!peer_) return;
    // A player of a game before is nobody's name in this one.
    otherPlayer_ = peer_->greeted() ? peer_->theirs().player : std::string();
    peer_->onGreeted = [this](const comm::Greeting& theirs) { otherPlayer_ = theirs.player; };
    peer_->onBatch = [this](std::vector<comm::ReceivedMessage>& batch) { receiveBatch(batch); };
    peer_->onMessage = [this](comm::ReceivedMessage& message) {
        std::vector<comm::ReceivedMessage> one;
        one.push_back(std::move(message));
        receiveBatch(one);
    };
    peer_->onLost = [this](const std::string& why) { connectionLost(why); };
    peer_->onTick = [this] {
        if (peer_) lookAtWaiting(peer_->now());
    };
    peer_->waitsOnOther = [this] { return waitsOnTheOther(); };
    quietSince_ = now();
}

void VaelNetComponent::holdDeliveries() {
    deliveriesHeld_ = true;
    if (peer_) peer_->hold();
}

void VaelNetComponent::releaseDeliveries() {
    deliveriesHeld_ = false;
    // The deliveries asked for while held found the inbox closed: each batch still in it is asked for again,
    // ahead of what the peer held.
    for (std::size_t i = 0, waiting = inbox_.size(); i < waiting; ++i)
        sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetDeliver);
    if (peer_ && peer_->isHeld()) peer_->release();
}

void VaelNetComponent::leave() {
    if (peer_ && peer_->isOpen()) peer_->leave();
    showWaiting(false);
    if (playing_) lost_ = true;
}

void VaelNetComponent::leaveBattle() {
    const bool fought = playing_ && !lost_ && !gameEnded_;
    leave();
    if (!fought || !layer_ || layer_->getLeaders().isEmpty()) return;
    gameEnded_ = true;
    // Left, the battle is the other machine's, as it is told there.
    if (GameControl* control = layer_->getGameControl()) control->endedElsewhere(!playsHomeHere());
    layer_->standDown();
}

void VaelNetComponent::battleEndsHere() {
    gameEnded_ = true;
    showWaiting(false);
}

std::uint32_t VaelNetComponent::now() const {
    return peer_ ? peer_->now() : 0;
}

bool VaelNetComponent::owed() const {
    if (!playing_ || lost_ || gameEnded_) return false;
    if (awaiting_ || otherActs_) return true;
    // Every machine checks in with game control at the end of a step: the guest, once it has, waits for
    // the host's word that all have; the host waits on the guest once its own side has checked in and the
    // guest's has not.
    if (!host_) return selfSynced_ || answeredHost_ || hostBegins_;
    const GameControl* control = layer_ ? layer_->getGameControl() : nullptr;
    return control && control->getAwaitedPlayers() > 0 && !otherSynced_;
}

void VaelNetComponent::heardFromOther() {
    // Any word shows the other machine alive: the wait is counted afresh from it. A word that does not
    // begin the host's next step (a line of commentary, the question before a leader's orders) does not
    // end this machine's wait for that step, which the activation or the turn's end does.
    quietSince_ = now();
    showWaiting(false);
}

void VaelNetComponent::lookAtWaiting(std::uint32_t at) {
    if (mutualWaitEnds(at)) return;
    if (!owed()) {
        owedSince_.reset();
        return showWaiting(false);
    }
    // A question or the other side's orders began the wait; a check-in still owed is counted from
    // whichever came last, the other machine's last word or the first look that found it owing.
    if (!owedSince_) owedSince_ = at;
    const bool fromLook =
        !awaiting_ && !otherActs_ && !answeredHost_ && !hostBegins_ && std::int32_t(*owedSince_ - quietSince_) > 0;
    const std::uint32_t since = fromLook ? *owedSince_ : quietSince_;
    if (at - since >= WaitingShownAfter) showWaiting(true);
}

void VaelNetComponent::showWaiting(bool shown) {
    const std::string who = otherPlayer_.empty() ? std::string("the other player") : otherPlayer_;
    const std::string text = shown ? "Waiting for " + who + "..." : std::string();
    if (text == waitingText_) return;
    waitingText_ = text;
    // The status bar's second line, where the refusals of orders are told as well.
    if (auto* app = dynamic_cast<WinApp*>(Application::instance()); app && WinApp::mainWindowHandle() != 0)
        app->setStatusText(text, 2);
    if (onWaiting) onWaiting(shown ? who : std::string());
}

void VaelNetComponent::noteActivation(const ContainerBase* data) {
    battleBegun_ = true;
    otherActs_ = false;
    answeredHost_ = false;
    hostBegins_ = false;
    unsigned short number = 0;
    if (!layer_ || !Container<unsigned short>::fromMessage(data, number)) return;
    const auto* leader = dynamic_cast<const Leader*>(layer_->findUnit(number));
    if (leader) activated_ = number;
    otherActs_ = leader && !layer_->isLocalLeader(leader);
    acting_ = !leader ? Acting::Nobody : otherActs_ ? Acting::There : Acting::Here;
    momentumTold_ = false;
    quietSince_ = now();
}

ContainerBase* VaelNetComponent::onCloseGame(Component* target, BusMessage, ContainerBase*) {
    VaelNetComponent& net = self(target);
    // A battle that never began here (it would not load) is not left: the other machine is told why
    // instead, by whoever could not start it.
    if (net.battleBegun_ && net.playing_ && !net.lost_) net.leave();
    return nullptr;
}

bool VaelNetComponent::scenarioLoaded(std::uint32_t scenario, std::int16_t players) {
    if (!host_) return false;
    Container<std::uint32_t> index(scenario);
    dropAnswer(queryNamed(msg::CreateGameControl, &index));
    // Of two players the one awaited is the guest, unless it is the guest's check-in that came.
    if (GameControl* control = layer_ ? layer_->getGameControl() : nullptr)
        control->setAwaitedName([this] {
            return deliveringCheckIn_ ? (peer_ ? peer_->mine().player : std::string()) : otherPlayer_;
        });
    Container<short> count(players);
    dropAnswer(queryNamed(msg::NumberOfPlayers, &count));
    return true;
}

ContainerBase* VaelNetComponent::onRelayed(Component* target, BusMessage event, ContainerBase* data) {
    return self(target).relay(event, data);
}

ContainerBase* VaelNetComponent::onFlush(Component* target, BusMessage, ContainerBase*) {
    self(target).flush();
    return nullptr;
}

ContainerBase* VaelNetComponent::onDeliver(Component* target, BusMessage, ContainerBase*) {
    self(target).deliver();
    return nullptr;
}

ContainerBase* VaelNetComponent::onLossDue(Component* target, BusMessage, ContainerBase*) {
    self(target).tellLossWhenSettled();
    return nullptr;
}

ContainerBase* VaelNetComponent::relay(BusMessage event, const ContainerBase* data) {
    const std::int32_t id = event.id();
    // This machine's own reports (the other machine's pass here off the relay): what the other's are
    // judged by.
    if (playing_ && layer_) reports_.note(event, data, *layer_);
    if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::GameEnded))) gameEnded_ = true;
    if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::ActivateLeader)))
        noteActivation(data);
    else if (host_ && id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::EndOfTurn)))
        reports_.turnBorneOut();
    else if (id == BEGIN_GAME || id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::BeginTurn))) {
        battleBegun_ = true;
        // The battle's or the turn's beginning is not yet its first step: the guest waits on the host until
        // the host activates a leader or asks it a question.
        hostBegins_ = !host_;
    }
    else if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::GameSynchronized))) {
        selfSynced_ = otherSynced_ = false;
        // The guest's next step is the host's to begin (the next leader, the next turn or the end): until
        // the host begins it, whatever else it says, the guest waits on it.
        if (!host_) hostBegins_ = true;
    }
    else if (!host_ && id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::SynchronizeGame))) {
        // Only this machine's own word of it passes here: the host's is its game control's.
        selfSynced_ = true;
        quietSince_ = now();
    }
    if (!playing_ || lost_) return nullptr;
    const RelayRow* row = relayRowOf(event);
    if (!row || !relaysOut(*row, host_)) return nullptr;
    std::string payload, error;
    if (row->display) {
        // Only what this machine's rules wait on is shown there: what a state shown here, or a message
        // from there, made this display play is no news to the other machine. Its reply stays here, with
        // the dice it may roll.
        LogicalCommandInfo command;
        if (!Container<LogicalCommandInfo>::fromMessage(data, command) ||
            command.replyEvent.id() == NULL_EVENT)
            return nullptr;
        command.replyEvent = BusMessage();
        const Container<LogicalCommandInfo> shown(command);
        if (!comm::encodeMessage(event, &shown, payload, error)) {
            debugStream() << "VaelNetComponent: " << nameOf(event) << " not shown there: " << error
                          << std::endl;
            return nullptr;
        }
        outbox_.push_back(std::move(payload));
        if (!std::exchange(flushPosted_, true))
            sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetFlush);
        return nullptr;
    }
    if (!comm::encodeMessage(event, data, payload, error)) {
        debugStream() << "VaelNetComponent: " << nameOf(event) << " not relayed: " << error << std::endl;
        return nullptr;
    }
    debugStream() << "VaelNetComponent: relaying " << nameOf(event) << std::endl;
    outbox_.push_back(std::move(payload));
    if (row->handover) handoverPending_ = true;
    // A question the other machine's player may answer cannot wait for the end of the step: it goes now,
    // with what the step said before it, and the step waits for the answer.
    if (row->answered && event.mode() == BusMessage::Query) {
        asked_ = nameOf(event);
        askedTurn_ = 0;
        Container<short>::fromMessage(data, askedTurn_);
        sendOutbox();
        ++unanswered_;
        return awaitAnswer(event);
    }
    // The rest of this step's messages join the batch; it goes when the bus comes to the flush.
    if (!std::exchange(flushPosted_, true))
        sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetFlush);
    return nullptr;
}

ContainerBase* VaelNetComponent::awaitAnswer(BusMessage event) {
    // One question at a time: the host asks its questions one after the other, never within another.
    if (awaiting_) return nullptr;
    awaiting_ = true;
    answered_ = false;
    answer_.reset();
    debugStream() << "VaelNetComponent: waiting for the other machine's answer to " << nameOf(event)
                  << std::endl;
    quietSince_ = now();
    while (!answered_ && playing_ && !lost_)
        if (!waitOnce()) break;
    awaiting_ = false;
    showWaiting(false);
    if (!answered_) {
        debugStream() << "VaelNetComponent: " << nameOf(event) << " went unanswered" << std::endl;
        // No answer is never taken for one: a machine that cannot answer is lost to the battle, and the step
        // that asked goes no further.
        if (playing_ && !lost_) refuse("no answer came to the question " + nameOf(event));
    }
    answered_ = false;
    return answer_.release();
}

bool VaelNetComponent::waitOnce() {
    if (waitStep) return waitStep();
    // Only a windows application can wait for what comes next.
    auto* app = dynamic_cast<WinApp*>(Application::instance());
    if (!app) return false;
    if (!app->messageWaiting() && !app->waitMessage()) return false;
    // Asked to close: the answer is not waited for; the program ends once the step has unwound.
    return app->pumpMessage() != 0;
}

void VaelNetComponent::answer(const ContainerBase* reply) {
    if (!playing_ || lost_) return;
    // What this machine said before answering reaches the host first.
    sendOutbox();
    // Named in the frame only: the answer is taken by the component that waits for it, never sent on a bus.
    const BusMessage word = named(msg::NetAnswer).withMode(BusMessage::Send);
    std::string payload, error;
    if (!comm::encodeMessage(word, reply, payload, error)) {
        // The host waits for an answer: it gets none rather than nothing at all.
        debugStream() << "VaelNetComponent: the answer cannot be written: " << error << std::endl;
        payload.clear();
        if (!comm::encodeMessage(word, nullptr, payload, error)) return;
    }
    sendPayloads({payload});
    // The host goes on with the answer (or with its own player's, who may sit on the same question for a
    // while): this machine waits for its next word from now.
    answeredHost_ = true;
    quietSince_ = now();
}

void VaelNetComponent::flush() {
    flushPosted_ = false;
    sendOutbox();
}

void VaelNetComponent::sendOutbox() {
    if (outbox_.empty() || !playing_ || lost_) {
        outbox_.clear();
        return;
    }
    std::vector<std::string> batch;
    if (std::exchange(handoverPending_, false) && layer_) {
        // Handed over: what the other machine says from now on is of its next step.
        chatLines_ = commentaryLines_ = words_ = 0;
        Container<BattleStateStruct> state(BattleStateStruct{captureState(*layer_)});
        std::string payload, error;
        // Named in the frame only: the state is applied by the component, never sent on a bus.
        const std::uint16_t stateId = RegisteredMessage::getId(msg::BattleState);
        if (comm::encodeMessage(BusMessage(stateId, BusMessage::Send), &state, payload, error))
            batch.push_back(std::move(payload));
    }
    for (std::string& payload : outbox_)
        batch.push_back(std::move(payload));
    outbox_.clear();
    sendPayloads(batch);
}

void VaelNetComponent::sendPayloads(const std::vector<std::string>& batch) {
    std::string error;
    bool sent = false;
    if (toPeer)
        sent = toPeer(batch, error);
    else if (peer_)
        sent = peer_->sendBatch(batch, error);
    ++batchesSent_;
    if (!sent) debugStream() << "VaelNetComponent: a batch was not sent: " << error << std::endl;
}

void VaelNetComponent::receiveBatch(std::vector<comm::ReceivedMessage>& batch) {
    if (!playing_) return;
    if (lost_) return dropped(batch, 0);
    if (droppedAfterTheEnd(batch)) return;
    const std::int32_t stateId = RegisteredMessage::getId(msg::BattleState);
    const std::int32_t answerId = RegisteredMessage::getId(msg::NetAnswer);
    heardFromOther();
    // The state comes first when the other machine hands the battle back.
    if (!batch.empty() && batch[0].event.id() == stateId) otherActs_ = false;
    const std::int32_t synchronizeId = RegisteredMessage::getId(msg::SynchronizeGame);
    for (const comm::ReceivedMessage& m : batch)
        if (m.event.id() == synchronizeId) {
            // One check-in a step: a second would complete the step for a machine that has not checked in.
            if (otherSynced_)
                return refuse("refused a frame: \"SynchronizeGame\" came twice in one step");
            otherSynced_ = true;
        }
    if (!batch.empty() && batch[0].event.id() == answerId) {
        // Not on the bus: the step that asked is waiting for it. It is taken as soon as nothing is shown.
        if (batch.size() != 1 || !host_ || unanswered_ <= static_cast<std::int32_t>(answersHeld_.size()))
            return refuse("refused a frame: \"NetAnswer\" answers a question that was not asked");
        if (showing_ && showing_()) {
            answersHeld_.push_back(std::move(batch));
            heldForShowing_ = true;
            return;
        }
        return takeAnswer(batch);
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const BusMessage event = batch[i].event;
        if (event.id() == stateId) {
            if (i != 0 || !dynamic_cast<Container<BattleStateStruct>*>(batch[i].data.get()))
                return refuse("refused a frame: the battle's state came out of place");
            // The state goes only with the word that hands the battle over: alone, or with words that
            // hand nothing over, it is no step of the other machine's battle (a state of another moment,
            // or of another battle).
            const bool handedOver = std::any_of(batch.begin() + 1, batch.end(), [](const comm::ReceivedMessage& m) {
                const RelayRow* row = relayRowOf(m.event);
                return row && row->handover;
            });
            if (!handedOver && inBattle())
                return refuse("refused a frame: \"BattleState\" came without a word that hands the battle over");
            continue;
        }
        if (event.id() == answerId)
            return refuse("refused a frame: \"NetAnswer\" answers a question that was not asked");
        const RelayRow* row = relayRowOf(event);
        if (!row || row->way == RelayWay::ByState)
            return refuse("refused a frame: " + nameOf(event) + " is not passed between machines");
        if (!takesIn(*row, host_))
            return refuse("refused a frame: " + nameOf(event) +
                          (host_ ? " comes only from the host" : " goes only to the host"));
        if (!carriesWhatItNeeds(event, batch[i].data.get()))
            return refuse("refused a frame: " + nameOf(event) + " does not carry what it needs");
        if (row->display) {
            // Shown here, never answered here: a command that asks for a reply would move this machine's
            // rules.
            const auto* shown = dynamic_cast<const Container<LogicalCommandInfo>*>(batch[i].data.get());
            if (!shown || shown->valuePtr()->replyEvent.id() != NULL_EVENT)
                return refuse("refused a frame: " + nameOf(event) + " may only be shown here");
            if (!showable(*shown->valuePtr()))
                return refuse("refused a frame: " + nameOf(event) + " names what this battle does not hold");
        }
    }
    if (const std::string why = pastTheBounds(batch); !why.empty()) return refuse("refused a frame: " + why);
    debugStream() << "VaelNetComponent: a batch of " << batch.size() << " messages came" << std::endl;
    inbox_.push_back(std::move(batch));
    // Given to the bus as one task of its own, so that the batch's messages queue one after the other
    // before any of them is handled, as they did on the machine that sent them.
    sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetDeliver);
}

void VaelNetComponent::takeAnswer(std::vector<comm::ReceivedMessage>& batch) {
    otherSpoke_ = true;
    if (--unanswered_ == 0 && awaiting_ && !answered_) {
        if (const std::string why = answerProblem(batch[0].data.get()); !why.empty())
            return refuse("refused a frame: " + why);
        answer_ = std::move(batch[0].data);
        answered_ = true;
    } else {
        debugStream() << "VaelNetComponent: an answer came after it was waited for" << std::endl;
    }
}

void VaelNetComponent::deliver() {
    // A battle still loading here takes nothing yet (see holdDeliveries).
    if (inbox_.empty() || deliveriesHeld_) return;
    if (showing_ && showing_()) {
        passChatAhead();
        heldForShowing_ = heldForShowing_ || !inbox_.empty();
        releasing_ = false;
        return;
    }
    std::vector<comm::ReceivedMessage> batch = std::move(inbox_.front());
    inbox_.pop_front();
    deliverBatch(batch);
    // Words let go after the display go a batch at a time, each after what the one before put on the bus
    // has been handled: it may set the display going again.
    if (releasing_ && !inbox_.empty() && playing_ && !lost_)
        sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetDeliver);
    else
        releasing_ = false;
}

void VaelNetComponent::lookedForWork() {
    if (!heldForShowing_ || (showing_ && showing_())) return;
    heldForShowing_ = false;
    while (!answersHeld_.empty() && playing_ && !lost_) {
        std::vector<comm::ReceivedMessage> answer = std::move(answersHeld_.front());
        answersHeld_.pop_front();
        takeAnswer(answer);
    }
    answersHeld_.clear();
    // The batches asked for while held found the words waiting: they are asked for again, the first now
    // (a battle still loading asks for them itself once it has loaded).
    if (!deliveriesHeld_ && !inbox_.empty()) {
        releasing_ = true;
        sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetDeliver);
    }
}

void VaelNetComponent::passChatAhead() {
    const auto chatOnly = [](const std::vector<comm::ReceivedMessage>& batch) {
        return !batch.empty() && std::all_of(batch.begin(), batch.end(), [](const comm::ReceivedMessage& m) {
            return m.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(msg::ChatMessage));
        });
    };
    for (std::size_t at = 0; at < inbox_.size();) {
        if (!chatOnly(inbox_[at])) {
            ++at;
            continue;
        }
        std::vector<comm::ReceivedMessage> batch = std::move(inbox_[at]);
        inbox_.erase(inbox_.begin() + static_cast<std::ptrdiff_t>(at));
        // Delivering may end network play or change what waits: what is left waits as it was.
        const std::size_t before = inbox_.size();
        deliverBatch(batch);
        if (inbox_.size() != before || !playing_ || lost_) return;
    }
}

void VaelNetComponent::deliverBatch(std::vector<comm::ReceivedMessage>& batch) {
    forgetBatch(batch);
    if (droppedAfterTheEnd(batch)) return;
    const bool stateCame =
        !batch.empty() && batch[0].event.id() == RegisteredMessage::getId(msg::BattleState);
    for (std::size_t i = 0; i < batch.size(); ++i) {
        comm::ReceivedMessage& m = batch[i];
        if (!playing_ || lost_) return dropped(batch, i);
        const Admission admission = admit(m, stateCame);
        if (admission == Admission::Stop) return;
        if (admission == Admission::Skip) continue;
        noteDelivered(m);
        putOnTheBus(m);
        if (holdTheRest(batch, i)) return;
    }
    if (stateCame && layer_ && playing_ && !lost_)
        if (const std::string why = reports_.routsNotShown(*layer_); !why.empty()) refuse("refused a frame: " + why);
}

VaelNetComponent::Admission VaelNetComponent::admit(comm::ReceivedMessage& m, bool stateCame) {
    const std::int32_t id = m.event.id();
    if (id == RegisteredMessage::getId(msg::BattleState)) {
        if (const std::string why = takeState(*static_cast<Container<BattleStateStruct>*>(m.data.get()));
            !why.empty())
            return refuse("refused a frame: " + why), Admission::Stop;
        return Admission::Skip;
    }
    // The battle has begun once its first word is on its way here, whatever comes after it in the batch.
    if (id == BEGIN_GAME || id == RegisteredMessage::getId(msg::BeginTurn) ||
        id == RegisteredMessage::getId(msg::ActivateLeader))
        battleBegun_ = true;
    const bool results = isResults(id);
    if (results || id == RegisteredMessage::getId(msg::GameEnded))
        if (const std::string why = unfitting(m, results); !why.empty())
            return refuse("refused a frame: " + why), Admission::Stop;
    if (const std::string why = outOfTurn(m); !why.empty())
        return refuse("refused a frame: " + why), Admission::Stop;
    // A word that hands the battle over comes with the battle's state as the other machine left it.
    if (const RelayRow* row = relayRowOf(m.event); row && row->handover && !stateCame && inBattle())
        return refuse("refused a frame: " + nameOf(m.event) + " came without the battle's state"),
               Admission::Stop;
    if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::PlayerDeleted))) {
        // The other player's own word that he leaves: the battle ends as when his line is lost.
        saidLeft_ = true;
        if (peer_) peer_->close();
        connectionLost((otherPlayer_.empty() ? std::string("The other player") : otherPlayer_) +
                       " left the battle.");
        return Admission::Stop;
    }
    if (!layer_) return Admission::Take;
    std::string why;
    switch (reports_.judge(m.event, m.data.get(), *layer_, why)) {
    case ReportLedger::Verdict::Refuse:
        return refuse("refused a frame: " + why), Admission::Stop;
    case ReportLedger::Verdict::Drop:
        debugStream() << "VaelNetComponent: " << nameOf(m.event) << " told a fall already heard" << std::endl;
        return Admission::Skip;
    case ReportLedger::Verdict::Take:
        reports_.take(m.event, m.data.get(), *layer_);
        break;
    }
    return Admission::Take;
}

bool VaelNetComponent::isResults(std::int32_t id) {
    return id == RegisteredMessage::getId(msg::EndOfGame) || id == RegisteredMessage::getId(msg::EndOfTurn);
}

void VaelNetComponent::noteDelivered(comm::ReceivedMessage& m) {
    const std::int32_t id = m.event.id();
    if (id == RegisteredMessage::getId(msg::GameEnded)) gameEnded_ = true;
    // The turn's end (or the battle's) is the step the host began after all had checked in: its
    // overview stands here now, and it is this machine's player the host waits on, until he has seen it.
    if (isResults(id) && !host_) hostBegins_ = answeredHost_ = false;
    // A text the other machine gives to be shown (a line of the commentary, the battle's title, the
    // window's caption) is its bytes: a control character in it is shown escaped, never acted on.
    if (showsText(m.event))
        if (auto* text = dynamic_cast<Container<std::string>*>(m.data.get()))
            *text->valuePtr() = printable(*text->valuePtr());
    // So are the armies' names in the battle's results, which the end of the battle shows.
    if (auto* results = dynamic_cast<Container<EndOfGameResults>*>(m.data.get())) {
        results->valuePtr()->homeName = printable(results->valuePtr()->homeName);
        results->valuePtr()->visitorName = printable(results->valuePtr()->visitorName);
    }
    if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::EndOfGame)))
        if (const auto* told = dynamic_cast<const Container<EndOfGameResults>*>(m.data.get())) {
            const EndOfGameResults& results = *told->valuePtr();
            toldHomeWon_ = results.winner != 0 && results.winner == results.homeNation ? 1 : 0;
        }
}

void VaelNetComponent::putOnTheBus(comm::ReceivedMessage& m) {
    // Off the relay while it goes round this bus: what came from the other machine is not sent back.
    const RelayRow* row = relayRowOf(m.event);
    const bool relayed = row && relaysOut(*row, host_);
    if (relayed) disconnect(m.event, onRelayed);
    deliveringCheckIn_ =
        m.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(msg::SynchronizeGame));
    if (m.event.mode() == BusMessage::Query && row && row->answered) {
        // The host waits on this machine's player now, not he on the host.
        hostBegins_ = false;
        const std::unique_ptr<ContainerBase> reply(query(BusMessage(m.event.id()), m.data.get()));
        answer(reply.get());
    } else if (m.event.mode() == BusMessage::Query)
        dropAnswer(query(BusMessage(m.event.id()), m.data.get()));
    else
        send(BusMessage(m.event.id()), m.data.get());
    deliveringCheckIn_ = false;
    if (relayed) connect(BusMessage(m.event.id()), onRelayed);
}

bool VaelNetComponent::holdTheRest(std::vector<comm::ReceivedMessage>& batch, std::size_t i) {
    // The host's word to begin a battle holds what follows it, in this batch too, until that battle has
    // loaded here (releaseDeliveries): the word's handler runs only after this task, and the host's
    // first question, taken meanwhile, would find no battle here (a query runs what is queued before
    // it, the word's handler too, and the battle before closing runs the queue).
    if (!host_ &&
        batch[i].event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(msg::NetStartBattle)) &&
        !inBattle())
        holdDeliveries();
    if (!deliveriesHeld_ || i + 1 >= batch.size()) return false;
    inbox_.emplace_front(std::make_move_iterator(batch.begin() + static_cast<std::ptrdiff_t>(i + 1)),
                         std::make_move_iterator(batch.end()));
    // Still held here: counted again against what may wait, since the whole batch was forgotten.
    for (const comm::ReceivedMessage& held : inbox_.front())
        heldBytes_ += held.bytes;
    return true;
}

std::string VaelNetComponent::takeState(const Container<BattleStateStruct>& state) {
    if (!layer_) return {};
    const std::vector<UnitSight> before = sightOf(*layer_);
    if (!applyState(*layer_, state.valuePtr()->bytes)) return "\"BattleState\" does not fit this battle";
    // The other machine's display showed its steps as they were played; this one shows where they left the
    // units.
    showChanges(*layer_, before);
    tellEliminations(*layer_, before);
    return reports_.markStateCame(*layer_);
}

void VaelNetComponent::dropped(const std::vector<comm::ReceivedMessage>& batch, std::size_t from) const {
    if (from >= batch.size()) return;
    // Nothing the other machine sends after the end moves this battle; the trace says what it was.
    std::string names;
    for (std::size_t i = from; i < batch.size(); ++i)
        names += (names.empty() ? "" : ", ") + nameOf(batch[i].event);
    debugStream() << "VaelNetComponent: dropped what came after the end: " << names << std::endl;
}

bool VaelNetComponent::inBattle() const {
    return battleBegun_ && layer_ && !layer_->getLeaders().isEmpty();
}

void VaelNetComponent::refuse(const std::string& why) {
    debugStream() << "VaelNetComponent: " << why << std::endl;
    if (peer_ && peer_->isOpen())
        peer_->refuse(why); // reports the loss through connectionLost
    else
        connectionLost(why);
}

void VaelNetComponent::connectionLost(const std::string& why) {
    if (lost_ || !playing_) return;
    // A loss that ends a wait says what this machine waited for, as the machine that ended it did.
    if (owed()) debugStream() << "VaelNetComponent: this machine waited for " << awaited() << std::endl;
    lost_ = true;
    outbox_.clear();
    inbox_.clear();
    heldBytes_ = 0;
    debugStream() << "VaelNetComponent: the connection is lost: " << why << std::endl;
    GameControl* control = layer_ ? layer_->getGameControl() : nullptr;
    // Decided by the rules: game control has ended the battle here, or (on a machine without it) the host
    // told the end and only the battle's last word was still to come.
    const bool gameOver = gameEnded_ || (control && control->isGameOver()) || toldHomeWon_.has_value();
    // Before a battle has begun (players still meeting) there is no game to end.
    const bool battle = !layer_ || !layer_->getLeaders().isEmpty();
    // A machine without game control whose own count of the reports has the rules decide the battle (a
    // side over its limit, a commander fallen) holds to the winner they make, as the host does, though
    // the host's word of the end was lost with the line.
    if (!control && !gameOver && battle && layer_)
        if (const std::optional<bool> homeWins = reports_.decidedHomeWins(*layer_)) toldHomeWon_ = *homeWins ? 1 : 0;
    const bool decided = (control && control->isGameOver()) || toldHomeWon_.has_value();
    if (!gameEnded_ && battle && decided) {
        // The rules had ended the battle and game control waited for the other machine to see it: its
        // leaving completes that end, which game control tells itself (and a machine without it, as the
        // host told it). Nobody wins it by default, and it does not end a second time for this side.
        lossToTell_ = LossToTell::Leaving;
    }
    // The machine left is alone with the battle, decided now either way: nothing of it is fought,
    // rallied or moved here any more, its computer opponents' orders included, as when one machine plays
    // every leader and the rules end it.
    if (!gameEnded_ && battle && layer_) layer_->standDown();
    lossReason_ = why;
    left_ = (peer_ && peer_->left()) || saidLeft_;
    // A machine that learns it was the one let go lost the battle by its own silence: the other machine
    // won it by default, as it says there, and this one claims nothing.
    droppedHere_ = peer_ && peer_->droppedHere();
    if (!gameEnded_ && battle && !decided) {
        gameEnded_ = true;
        // Game control hears it before anything else can move the battle on: a turn that was opening, or a
        // step that only waited for the other machine, goes no further.
        if (control) control->endedElsewhere(wonHere() == playsHomeHere());
        // The loss decides the battle as the rules' end does (stood down above): the step under way here
        // fights, hits and routs nobody from now on, so that the outcome is the battle as it stood when
        // the loss came, counting what that step had already sent (a rally, a rout, an elimination).
        lossToTell_ = LossToTell::Ending;
    }
    showWaiting(false);
    const bool tellNow = lossToTell_ == LossToTell::Ending;
    if (onLost) onLost(why, gameOver);
    // The player hears it at once, over whatever he looks at (an open question included): the commentary's
    // line waits for the battle's step to unwind, which an open question holds. The battle ends only once
    // he has answered: with the end posted first, a machine with nothing else queued would run it within
    // the post, and the end of the game (and every dialog after it, the next game's too) would open over
    // the box and run inside its wait.
    auto* app = dynamic_cast<WinApp*>(Application::instance());
    if (tellNow && app && WinApp::mainWindowHandle() != 0) {
        const std::string line = lossLine();
        app->setStatusText(line, 2);
        // In lines a box can hold: who went, why, and what it means for the battle.
        std::string text = line;
        if (const auto at = text.find(" was lost: "); at != std::string::npos) text[at + 10] = '\n';
        if (const auto at = text.rfind(". The battle ends"); at != std::string::npos) text[at + 1] = '\n';
        app->messageBox(text, "Network Game", 0);
    }
    // The step this machine was playing when the loss came unwinds, fighting nothing more, and what it
    // still says belongs before the loss is told; told at once, the end would fall among its lines.
    if (lossToTell_ != LossToTell::None) sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetLost);
}

std::string VaelNetComponent::lossLine(bool decided) const {
    const std::string who = otherPlayer_.empty() ? std::string("The other player") : otherPlayer_;
    static constexpr std::string_view lostPrefix = "the connection was lost: ";
    std::string line;
    if (left_)
        line = who + " left the battle.";
    else if (lossReason_.starts_with(lostPrefix))
        line = "The connection to " + who + " was lost: " + lossReason_.substr(lostPrefix.size()) + ".";
    else
        line = "The connection to " + who + " was lost: " + lossReason_ + ".";
    // A loss after the rules decided the battle wins it nobody: it stands as they decided it.
    if (decided) return line;
    // Whoever won it is named, on both machines alike: the other player here when this one was let go, this
    // machine's own player when he is the one left.
    const std::string winner = droppedHere_ ? who : peer_ ? peer_->mine().player : std::string();
    return line + " The battle ends, won by default" + (winner.empty() ? "" : " by " + winner) + ".";
}

void VaelNetComponent::tellLossWhenSettled() {
    if (lossToTell_ == LossToTell::None) return;
    if (Application* app = Application::instance(); app && app->queuedTasks() > 0) {
        // Behind what the step still has queued, and behind what that queues in turn.
        sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetLost);
        return;
    }
    const LossToTell telling = std::exchange(lossToTell_, LossToTell::None);
    GameControl* control = layer_ ? layer_->getGameControl() : nullptr;
    // What the step under way had sent before the loss has now been counted: the tallies are the battle's
    // as it stood when the loss came.
    if (control) control->closeTallies();
    // Game control tells a player who left as having left the game; whose line was lost did not leave,
    // and the line below tells how he was lost.
    if (control && !left_) {
        control->PlayerDeleted(otherPlayer_, false);
    } else {
        Container<std::string> player(otherPlayer_);
        sendNamed(msg::PlayerDeleted, &player);
    }
    if (telling == LossToTell::Leaving) {
        if (!left_) {
            Container<std::string> line("\\B" + commentaryText(lossLine(true)) + "\\b");
            sendNamed(msg::AddCommentary, &line);
        }
        if (!control && toldHomeWon_) {
            Container<short> homeWon(*toldHomeWon_);
            sendNamed(msg::GameEnded, &homeWon);
        }
        return;
    }
    // The player left here is told why, once, and that the battle is his: the other side can no longer
    // fight it.
    Container<std::string> line("\\B" + commentaryText(lossLine()) + "\\b");
    sendNamed(msg::AddCommentary, &line);
    Container<short> homeWon(wonHere() == playsHomeHere() ? 1 : 0);
    sendNamed(msg::GameEnded, &homeWon);
}

bool VaelNetComponent::wonHere() const {
    return !droppedHere_;
}

bool VaelNetComponent::showable(const LogicalCommandInfo& command) const {
    if (!layer_ || command.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(msg::UnitCombat)))
        return true;
    // A unit's command names a unit of this battle; the hexes of a walk lie on this map.
    if (!layer_->findUnit(command.command)) return false;
    VaelLogicalLandscape* map = layer_->getVaelLandscape();
    const auto* path = dynamic_cast<const Container<List<short>>*>(command.payload.get());
    if (!path || !map) return true;
    for (short hex : each(*path->valuePtr()))
        if (!map->isValidHex(hex)) return false;
    return true;
}

std::string VaelNetComponent::unfitting(const comm::ReceivedMessage& message, bool results) const {
    // A battle that has not begun here has neither turns nor an end to be told of.
    if (!battleBegun_) return nameOf(message.event) + " came before the battle began";
    const auto* told = dynamic_cast<const Container<EndOfGameResults>*>(message.data.get());
    if (!results || !told || !layer_) return {};
    const EndOfGameResults& r = *told->valuePtr();
    const std::uint32_t home = layer_->getHomeNation(), visitor = layer_->getVisitorNation();
    if (r.homeNation != home || r.visitorNation != visitor ||
        (r.winner != 0 && r.winner != home && r.winner != visitor))
        return nameOf(message.event) + " names a nation of neither side";
    for (std::int16_t count : {r.homeLostTQ, r.visitorLostTQ, r.homeRoutedTQ, r.visitorRoutedTQ,
                               r.homeRouting, r.visitorRouting, r.homeEliminated, r.visitorEliminated})
        if (count < 0) return nameOf(message.event) + " holds a count below nothing";
    return {};
}

std::string VaelNetComponent::outOfTurn(const comm::ReceivedMessage& message) {
    const std::int32_t id = message.event.id();
    auto is = [id](const char* name) { return id == static_cast<std::int32_t>(RegisteredMessage::getId(name)); };
    const std::string name = nameOf(message.event);
    if (is(msg::PlayerDeleted)) {
        std::string player;
        Container<std::string>::fromMessage(message.data.get(), player);
        if (player != otherPlayer_)
            return name + " names \"" + printable(player) + "\", who is not the other player";
        return {};
    }
    // Without a battle loaded here there is nothing the message could be held to.
    if (!layer_ || layer_->getLeaders().isEmpty()) return {};
    if (std::string why = heldToWhoPlays(message); !why.empty()) return why;
    if (is(msg::CombatDone)) {
        // Only the machine whose leader acts ends his combat, once.
        if (acting_ != Acting::There) return name + " came while no leader of the other machine was acting";
        acting_ = Acting::ThereDone;
        return {};
    }
    if (host_) return guestsWordOutOfTurn(message);
    // The host's turn sequence, as this guest follows it. Once the end is told nothing of the battle goes
    // on: a machine still playing it would wait on this one for ever.
    if (toldHomeWon_ && (id == BEGIN_GAME || is(msg::BeginTurn) || is(msg::ActivateLeader) ||
                         is(msg::EndOfTurn) || is(msg::EliteInitiative) || is(msg::BeginLeaderOrdersPhase)))
        return name + " came after the battle's end was told";
    if (id == BEGIN_GAME) {
        if (turnOpen_ || turnEndTold_) return name + " came after the battle began";
        turnOpen_ = mayActivate_ = true;
        return {};
    }
    if (is(msg::BeginTurn)) {
        if (!turnEndTold_) return name + " came before the turn under way was ended";
        turnEndTold_ = false;
        turnOpen_ = mayActivate_ = true;
        return {};
    }
    if (is(msg::ActivateLeader)) {
        const auto* number = dynamic_cast<const Container<unsigned short>*>(message.data.get());
        if (!number) return name + " names no leader";
        if (!dynamic_cast<const Leader*>(layer_->findUnit(*number->valuePtr())))
            return name + " names unit " + std::to_string(*number->valuePtr()) + ", no leader of this battle";
        if (!turnOpen_ || !mayActivate_) return name + " came while no leader was to be activated";
        mayActivate_ = false;
        return {};
    }
    if (is(msg::GameSynchronized)) {
        if (!selfSynced_) return name + " came before this machine had checked in";
        mayActivate_ = turnOpen_;
        return {};
    }
    const bool endOfTurn = is(msg::EndOfTurn), endOfGame = is(msg::EndOfGame);
    if (endOfTurn || endOfGame) {
        if (endOfTurn && !turnOpen_) return name + " came while no turn was under way";
        if (endOfGame && toldHomeWon_) return name + " came after the battle's end was told";
        const auto* told = dynamic_cast<const Container<EndOfGameResults>*>(message.data.get());
        if (told)
            if (std::string why = reports_.judgeResults(*told->valuePtr(), *layer_, endOfGame, turnsMayDecide_);
                !why.empty())
                return why;
        if (endOfTurn) turnOpen_ = mayActivate_ = false, turnEndTold_ = true;
        reports_.turnBorneOut();
        return {};
    }
    if (is(msg::GameEnded)) {
        short homeWon = 0;
        Container<short>::fromMessage(message.data.get(), homeWon);
        if (!toldHomeWon_) return name + " came before the battle's end was told";
        if ((homeWon != 0) != (*toldHomeWon_ != 0)) return name + " names another winner than the battle's end";
        return {};
    }
    return {};
}

std::string VaelNetComponent::guestsWordOutOfTurn(const comm::ReceivedMessage& message) {
    const std::int32_t id = message.event.id();
    const std::string name = nameOf(message.event);
    if (id == END_GAME) {
        // The guest's rules end the battle only with a commander's fall, which its state, ahead of the word,
        // shows here.
        for (Leader* leader : each(layer_->getLeaders()))
            if (Leader::isCommanderName(leader->getName()) && leader->isEliminated()) return {};
        return name + " came while no commander had fallen";
    }
    if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::CanAttemptMomentum))) {
        // The guest's leader says once, as his orders end, whether he may try to go again: a word of it at
        // any other moment would give the host's own leader, or the next one, a momentum nobody earned.
        if (acting_ != Acting::There || std::exchange(momentumTold_, true))
            return name + " came while no leader of the other machine was ending his orders";
        short value = -1;
        if (const auto* box = dynamic_cast<const Container<unsigned short>*>(message.data.get()))
            value = static_cast<short>(*box->valuePtr());
        else
            Container<short>::fromMessage(message.data.get(), value);
        if (value != 0 && value != 1) return name + " gives " + std::to_string(value) + ", neither yes nor no";
    }
    return {};
}

bool VaelNetComponent::playsHomeHere() const {
    if (layer_)
        if (const std::optional<bool> visitor = layer_->visitorSideHere()) return !*visitor;
    return host_;
}

std::vector<std::uint8_t> VaelNetComponent::captureState(VaelLogicalLayer& layer) {
    SuperString s;
    for (VaelUnit* unit : layer.allUnits())
        unit->write(s);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.length()));
    if (!bytes.empty()) s.peek(bytes.data(), 0, s.length());
    return bytes;
}

bool VaelNetComponent::applyState(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& bytes) {
    const std::vector<VaelUnit*> units = layer.allUnits();
    SuperString backup;
    std::vector<std::int32_t> ends;
    std::vector<bool> wasOut;
    for (VaelUnit* unit : units) {
        unit->write(backup);
        ends.push_back(backup.length());
        wasOut.push_back(unit->isOutOfPlay() != 0);
    }
    std::vector<std::uint8_t> here(static_cast<std::size_t>(backup.length()));
    if (!here.empty()) backup.peek(here.data(), 0, backup.length());
    SuperString s;
    if (!bytes.empty()) s.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    bool ok = true;
    for (std::size_t i = 0; i < units.size(); ++i) {
        // Most units did not change on the other machine: where the bytes are the unit's own as it stands,
        // reading them would only rebuild what it knows of the hexes around it, which costs more than the
        // rest of the state together. A unit's record reads the same whatever follows it, so the match is
        // that record whole.
        const auto at = static_cast<std::size_t>(s.readPosition());
        const auto from = static_cast<std::size_t>(i ? ends[i - 1] : 0);
        const auto size = static_cast<std::size_t>(ends[i]) - from;
        if (at + size <= bytes.size() &&
            std::equal(here.begin() + from, here.begin() + from + size, bytes.begin() + at)) {
            s.setReadPosition(static_cast<std::int32_t>(at + size));
            continue;
        }
        if (!units[i]->read(s)) {
            ok = false;
            break;
        }
    }
    if (ok && s.remaining() == 0 && !s.failed()) return true;
    // Put back whole: a unit the refused state took out of play comes back first, then every record as
    // it stood.
    for (std::size_t i = 0; i < units.size(); ++i)
        if (!wasOut[i]) units[i]->returnToPlay();
    for (VaelUnit* unit : units)
        unit->read(backup);
    return false;
}

void VaelNetComponent::tellEliminations(VaelLogicalLayer& layer, const std::vector<UnitSight>& before) {
    const BusMessage word = named(msg::UnitEliminated);
    const RelayRow* row = relayRowOf(word);
    // Where the other machine's own word of a fall comes through the relay, that word is the news: it
    // carries the points scored there, and a second one would count the fall twice.
    if (!row || takesIn(*row, host_)) return;
    const std::vector<VaelUnit*> units = layer.allUnits();
    if (units.size() != before.size()) return;
    std::vector<EliminateUnitData> fallen;
    for (std::size_t i = 0; i < units.size(); ++i) {
        // A fallen leader's replacement comes with his state; only combat units leave their groups.
        auto* unit = dynamic_cast<Combat*>(units[i]);
        if (!unit || !before[i].inPlay || !unit->isOutOfPlay()) continue;
        fallen.push_back(EliminateUnitData{unit->getNation(), static_cast<std::uint16_t>(unit->pointValue()),
                                           unit->getUnitType(),
                                           static_cast<std::uint16_t>(unit->getUnitNum())});
    }
    if (fallen.empty()) return;
    // Heard here as on the machine where the units fell, so that the groups this machine's computer
    // player orders lose them too; not written back, as it is the other machine's news.
    const bool relayed = relaysOut(*row, host_);
    if (relayed) disconnect(word, onRelayed);
    for (const EliminateUnitData& record : fallen) {
        Container<EliminateUnitData> data(record);
        send(word, &data);
    }
    if (relayed) connect(word, onRelayed);
}

std::vector<VaelNetComponent::UnitSight> VaelNetComponent::sightOf(VaelLogicalLayer& layer) {
    std::vector<UnitSight> sights;
    for (VaelUnit* unit : layer.allUnits())
        sights.push_back(UnitSight{static_cast<std::uint16_t>(unit->getHex()),
                                   static_cast<std::uint32_t>(unit->getFacing()), unit->isOutOfPlay() == 0,
                                   unit->isRouting() != 0});
    return sights;
}

void VaelNetComponent::showChanges(VaelLogicalLayer& layer, const std::vector<UnitSight>& before) {
    const std::vector<VaelUnit*> units = layer.allUnits();
    if (units.size() != before.size()) return;
    for (std::size_t i = 0; i < units.size(); ++i) {
        VaelUnit& unit = *units[i];
        const UnitSight& was = before[i];
        const std::uint16_t number = unit.getUnitNum();
        const auto hex = static_cast<std::uint16_t>(unit.getHex());
        if (!was.inPlay) continue;
        if (unit.isOutOfPlay()) {
            unit.Animate(LogicalCommandInfo(number, nullptr, was.hex, named(msg::UnitEliminated)));
            continue;
        }
        if (hex == Unit::offMap) {
            if (was.hex != Unit::offMap)
                unit.Animate(LogicalCommandInfo(number, nullptr, was.hex, named(msg::UnitRemoved)));
            continue;
        }
        if (hex != was.hex) {
            List<short> path;
            if (was.hex != Unit::offMap) path.append(static_cast<short>(was.hex));
            path.append(static_cast<short>(hex));
            // Put there at once, as the display objects do with a move when walking is off (their command
            // table knows the name).
            LogicalCommandInfo put(number, new Container<List<short>>(path), hex);
            put.event = named(msg::UnitTeleport);
            unit.Animate(put);
        }
        // A unit that rallied there was turned back to its own way by a command of that display alone.
        if (static_cast<std::uint32_t>(unit.getFacing()) != was.facing || (was.routing && !unit.isRouting()))
            unit.Animate(LogicalCommandInfo(number, new Container<DIRECTION>(unit.getFacing()), 0,
                                            BusMessage(CHANGE_UNIT_FACING)));
    }
}

} // namespace vael
