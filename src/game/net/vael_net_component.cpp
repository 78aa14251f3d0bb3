#include "game/net/vael_net_component.h"

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_message_names.h"
#include "game/net/net_payloads.h"
#include "game/net/relay_table.h"

namespace vael {

namespace {

VaelNetComponent& self(Component* target) {
    return *static_cast<VaelNetComponent*>(target);
}

// Every unit and leader of the battle in one fixed order, the same on every machine.
std::vector<VaelUnit*> unitsOf(VaelLogicalLayer& layer) {
    std::vector<VaelUnit*> units;
    for (Combat* unit : each(layer.getHomeUnits()))
        units.push_back(unit);
    for (Combat* unit : each(layer.getVisitorUnits()))
        units.push_back(unit);
    for (Leader* leader : each(layer.getLeaders()))
        units.push_back(leader);
    return units;
}

std::string nameOf(BusMessage event) {
    const std::string name = event.id() >= 0 && event.id() <= 0xFFFF
                                 ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()))
                                 : std::string();
    return name.empty() ? "message " + std::to_string(event.id()) : "\"" + name + "\"";
}

} // namespace

VaelNetComponent::VaelNetComponent() : Component("Vael Net Component") {
    registerNetPayloadTypes();
}

VaelNetComponent::~VaelNetComponent() = default;

void VaelNetComponent::connectHandlers() {
    connectRelays();
    connectNamed(msg::NetFlush, onFlush);
    connectNamed(msg::NetDeliver, onDeliver);
    RegisteredMessage::getId(msg::BattleState);
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
    handoverPending_ = false;
    setPlaying(peer_ != nullptr, host);
    if (!peer_) return;
    if (peer_->greeted()) otherPlayer_ = peer_->theirs().player;
    peer_->onGreeted = [this](const comm::Greeting& theirs) { otherPlayer_ = theirs.player; };
    peer_->onBatch = [this](std::vector<comm::ReceivedMessage>& batch) { receiveBatch(batch); };
    peer_->onMessage = [this](comm::ReceivedMessage& message) {
        std::vector<comm::ReceivedMessage> one;
        one.push_back(std::move(message));
        receiveBatch(one);
    };
    peer_->onLost = [this](const std::string& why) { connectionLost(why); };
}

bool VaelNetComponent::scenarioLoaded(std::uint32_t scenario, std::int16_t players) {
    if (!host_) return false;
    Container<std::uint32_t> index(scenario);
    dropAnswer(queryNamed(msg::CreateGameControl, &index));
    Container<short> count(players);
    dropAnswer(queryNamed(msg::NumberOfPlayers, &count));
    return true;
}

ContainerBase* VaelNetComponent::onRelayed(Component* target, BusMessage event, ContainerBase* data) {
    self(target).relay(event, data);
    return nullptr;
}

ContainerBase* VaelNetComponent::onFlush(Component* target, BusMessage, ContainerBase*) {
    self(target).flush();
    return nullptr;
}

ContainerBase* VaelNetComponent::onDeliver(Component* target, BusMessage, ContainerBase*) {
    self(target).deliver();
    return nullptr;
}

void VaelNetComponent::relay(BusMessage event, const ContainerBase* data) {
    if (event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(msg::GameEnded))) gameEnded_ = true;
    if (!playing_ || lost_) return;
    const RelayRow* row = relayRowOf(event);
    if (!row || !relaysOut(*row, host_)) return;
    std::string payload, error;
    if (!comm::encodeMessage(event, data, payload, error)) {
        debugStream() << "VaelNetComponent: " << nameOf(event) << " not relayed: " << error << std::endl;
        return;
    }
    debugStream() << "VaelNetComponent: relaying " << nameOf(event) << std::endl;
    outbox_.push_back(std::move(payload));
    if (row->handover) handoverPending_ = true;
    // The rest of this step's messages join the batch; it goes when the bus comes to the flush.
    if (!std::exchange(flushPosted_, true))
        sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetFlush);
}

void VaelNetComponent::flush() {
    flushPosted_ = false;
    if (outbox_.empty() || !playing_ || lost_) {
        outbox_.clear();
        return;
    }
    std::vector<std::string> batch;
    if (std::exchange(handoverPending_, false) && layer_) {
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
    if (!playing_ || lost_) return;
    const std::int32_t stateId = RegisteredMessage::getId(msg::BattleState);
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const BusMessage event = batch[i].event;
        if (event.id() == stateId) {
            if (i != 0 || !dynamic_cast<Container<BattleStateStruct>*>(batch[i].data.get()))
                return refuse("refused a frame: the battle's state came out of place");
            continue;
        }
        const RelayRow* row = relayRowOf(event);
        if (!row || row->way == RelayWay::ByState)
            return refuse("refused a frame: " + nameOf(event) + " is not passed between machines");
        if (!takesIn(*row, host_))
            return refuse("refused a frame: " + nameOf(event) +
                          (host_ ? " comes only from the host" : " goes only to the host"));
    }
    debugStream() << "VaelNetComponent: a batch of " << batch.size() << " messages came" << std::endl;
    inbox_.push_back(std::move(batch));
    // Given to the bus as one task of its own, so that the batch's messages queue one after the other
    // before any of them is handled, as they did on the machine that sent them.
    sendToNamedEmpty(static_cast<std::uint16_t>(getId()), msg::NetDeliver);
}

void VaelNetComponent::deliver() {
    if (inbox_.empty()) return;
    std::vector<comm::ReceivedMessage> batch = std::move(inbox_.front());
    inbox_.pop_front();
    const std::int32_t stateId = RegisteredMessage::getId(msg::BattleState);
    for (comm::ReceivedMessage& m : batch) {
        if (!playing_ || lost_) return;
        if (m.event.id() == stateId) {
            auto* state = static_cast<Container<BattleStateStruct>*>(m.data.get());
            if (layer_ && !applyState(*layer_, state->valuePtr()->bytes))
                return refuse("refused the battle's state: it does not fit this battle");
            continue;
        }
        if (m.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(msg::GameEnded)))
            gameEnded_ = true;
        // Off the relay while it goes round this bus: what came from the other machine is not sent back.
        const RelayRow* row = relayRowOf(m.event);
        const bool relayed = row && relaysOut(*row, host_);
        if (relayed) disconnect(m.event, onRelayed);
        if (m.event.mode() == BusMessage::Query)
            dropAnswer(query(BusMessage(m.event.id()), m.data.get()));
        else
            send(BusMessage(m.event.id()), m.data.get());
        if (relayed) connect(BusMessage(m.event.id()), onRelayed);
    }
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
    lost_ = true;
    outbox_.clear();
    inbox_.clear();
    debugStream() << "VaelNetComponent: the connection is lost: " << why << std::endl;
    const bool gameOver = gameEnded_;
    // Before a battle has begun (players still meeting) there is no game to end.
    const bool battle = !layer_ || !layer_->getLeaders().isEmpty();
    if (!gameEnded_ && battle) {
        gameEnded_ = true;
        Container<std::string> player(otherPlayer_);
        sendNamed(msg::PlayerDeleted, &player);
        Container<short> homeWon(0);
        sendNamed(msg::GameEnded, &homeWon);
    }
    if (onLost) onLost(why, gameOver);
}

std::vector<std::uint8_t> VaelNetComponent::captureState(VaelLogicalLayer& layer) {
    SuperString s;
    for (VaelUnit* unit : unitsOf(layer))
        unit->write(s);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.length()));
    if (!bytes.empty()) s.peek(bytes.data(), 0, s.length());
    return bytes;
}

bool VaelNetComponent::applyState(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& bytes) {
    const std::vector<VaelUnit*> units = unitsOf(layer);
    SuperString backup;
    for (VaelUnit* unit : units)
        unit->write(backup);
    SuperString s;
    if (!bytes.empty()) s.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    bool ok = true;
    for (VaelUnit* unit : units)
        if (!unit->read(s)) {
            ok = false;
            break;
        }
    if (ok && s.remaining() == 0 && !s.failed()) return true;
    for (VaelUnit* unit : units)
        unit->read(backup);
    return false;
}

} // namespace vael
