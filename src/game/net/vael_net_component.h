#pragma once
// The game's network component: on each machine of a network game it passes the relay table's messages
// between this machine's bus and the other machine. A message of the table sent here is written to the
// other machine; a message from the other machine is sent on this bus. What one step of the bus sends goes
// out as one batch, taken whole on the other side, so that both machines hear a step's messages in the
// same order; at a handover (a leader's activation, the end of a turn, a machine's report that it has
// finished) the batch begins with the state of every unit.
//
// The host drives the game: after the scenario has loaded it asks for game control and gives it the
// number of players; the others never do. A connection that is lost, or a machine that sends what it may
// not, ends the game here with "PlayerDeleted" and "GameEnded".
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/comm/net_peer.h"
#include "framework/core/component.h"
#include "game/net/net_payloads.h"
#include "game/net/report_ledger.h"

namespace vael {

class LogicalCommandInfo;
class VaelLogicalLayer;

// A message as a refusal names it: its registered name in quotes, or a numbered event's own name.
std::string nameOfMessage(BusMessage event);

class VaelNetComponent : public Component {
public:
    VaelNetComponent();
    ~VaelNetComponent() override;
    void connectHandlers() override;

    // The other machine of the game; this machine hosts it or not. The peer's frames come here from now
    // on. Null ends network play without a word.
    void setPeer(std::unique_ptr<comm::NetPeer> peer, bool host);
    comm::NetPeer* peer() { return peer_.get(); }
    // While held, what the other machine sends waits, in order, to be taken into a battle that is still
    // loading here: what came before the hold, queued already, waits with what the peer holds from then.
    // The guest holds from the host's word to begin a battle ("NetStartBattle") until it releases.
    void holdDeliveries();
    void releaseDeliveries();
    bool deliveriesHeld() const { return deliveriesHeld_; }
    // While what this machine shows of the battle says it still plays, the other machine's next word (an
    // answer to a question too) waits here, lines of chat excepted: each machine then takes it at the same
    // point of its own battle however fast the two displays play. The program tells lookedForWork each
    // time it looks for its next event, and the words held go on in their order once nothing is shown.
    void setShowing(std::function<bool()> showing) { showing_ = std::move(showing); }
    void lookedForWork();
    bool wordsHeldForTheDisplay() const { return heldForShowing_; }
    bool isHost() const { return host_; }
    // Messages are relayed (a peer is set, or a test stands in for one through toPeer).
    bool playing() const { return playing_; }
    void setPlaying(bool playing, bool host) {
        playing_ = playing;
        host_ = host;
        lost_ = false;
        left_ = false;
        droppedHere_ = false;
        gameEnded_ = false;
        lossToTell_ = LossToTell::None;
        unanswered_ = 0;
        otherActs_ = false;
        answeredHost_ = false;
        hostBegins_ = false;
        battleBegun_ = false;
        selfSynced_ = otherSynced_ = false;
        toldHomeWon_.reset();
        owedSince_.reset();
        reports_.clear();
        saidLeft_ = false;
        turnOpen_ = turnEndTold_ = mayActivate_ = false;
        deliveriesHeld_ = false;
        heldForShowing_ = releasing_ = false;
        answersHeld_.clear();
        acting_ = Acting::Nobody;
        momentumTold_ = false;
        activated_.reset();
        playerInfoTold_ = otherSpoke_ = false;
        chatLines_ = commentaryLines_ = words_ = 0;
        showWaiting(false);
    }
    // The other machine owes this one its next word: nothing of the battle moves here until it comes.
    bool awaitsTheOther() const { return owed(); }
    // Looks whether this machine has waited on the other long enough to say so; the peer's keep-alive
    // calls it, and tests with a stand-in for the peer.
    void lookAtWaiting(std::uint32_t now);

    // The units whose state goes with each handover; without a layer no state travels.
    void setLayer(VaelLogicalLayer* layer) { layer_ = layer; }

    // The host's part once the scenario has loaded: "CreateGameControl" with the scenario and
    // "NumberOfPlayers". False on a machine that does not host.
    bool scenarioLoaded(std::uint32_t scenario, std::int16_t players);

    // Where batches go; the peer when unset. Tests record them here.
    std::function<bool(const std::vector<std::string>& payloads, std::string& error)> toPeer;
    // One step of waiting for the other machine's answer to a question asked across the wire; false when
    // none will come. Unset, this machine's own events are taken one at a time, so that its window lives on
    // and the answer, or the loss of the connection, comes in.
    std::function<bool()> waitStep;
    // Told why network play has ended, as soon as the connection is lost; gameOver when the game had ended
    // before (the other machine only went away afterwards).
    std::function<void(const std::string& why, bool gameOver)> onLost;
    // Told when this machine has waited on the other for WaitingShownAfter (its player's name), and with an
    // empty name when the other machine has answered; the status bar says it too.
    std::function<void(const std::string& player)> onWaiting;
    static constexpr std::uint32_t WaitingShownAfter = 3000;
    // "Waiting for NAME..." while the other machine owes this one an answer; empty when it owes none.
    const std::string& waitingText() const { return waitingText_; }
    // The battle can also be ended by its turns (a battle with a last turn, or one a river crossing
    // decides): the host's end with nobody over his limit is then its word to take.
    void setTurnsMayDecide(bool decide) { turnsMayDecide_ = decide; }
    // The line that tells this machine's player that the other has gone (the commentary's, without its
    // marks): who left, or whose connection was lost and why, and the battle's end by default unless the
    // rules had decided it.
    std::string lossLine(bool decided = false) const;

    // This player leaves network play in order: the other machine is told before the connection closes.
    void leave();
    // This player leaves the battle under way, having agreed to over a box that holds its step open: the
    // other machine is told at once, and the step goes no further here, neither on the field nor in game
    // control, so that nothing more of the battle is played or sent before it closes.
    void leaveBattle();
    // The battle has ended on this machine without the rules' end (it was played to a cap of turns): the
    // line that closes after it closes on a finished battle, which nobody left and nobody won by default.
    void battleEndsHere();
    bool battleOver() const { return gameEnded_; }
    // The connection was lost because the other machine let this one go for its silence.
    bool droppedHere() const { return droppedHere_; }

    // A batch from the other machine. A message the table does not relay, or one that may not come this
    // way, refuses the whole batch and the other machine with it.
    void receiveBatch(std::vector<comm::ReceivedMessage>& batch);
    // The other machine is gone: the battle is decided at once (game control moves nothing more on, the
    // layer fights nothing more), and once what this machine's battle had under way has unwound,
    // "PlayerDeleted" with its player's name, the line that tells it and "GameEnded" (only "PlayerDeleted"
    // when the rules had ended the battle; nothing when the game had ended already).
    void connectionLost(const std::string& why);

    // Whether state went with the last batch out, and how many batches went out: for tests and the trace.
    std::int32_t batchesSent() const { return batchesSent_; }
    const std::string& otherPlayer() const { return otherPlayer_; }
    void setOtherPlayer(const std::string& name) { otherPlayer_ = name; }

    // The units' state as it travels, and applying it here (false, nothing changed, when it does not fit
    // this battle).
    static std::vector<std::uint8_t> captureState(VaelLogicalLayer& layer);
    static bool applyState(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& bytes);

    // Where each unit stands as the display shows it, in the order the state travels.
    struct UnitSight {
        std::uint16_t hex = 0;
        std::uint32_t facing = 0;
        bool inPlay = true;
        // Its figures face the way it runs, not its own.
        bool routing = false;
        bool operator==(const UnitSight&) const = default;
    };
    static std::vector<UnitSight> sightOf(VaelLogicalLayer& layer);
    // Tells each unit's display object what the state applied since `before` changed: a unit that left
    // play falls, one that moved is put on its new hex, one that turned, or rallied, faces its own way. None of these
    // asks for a reply, so nothing of the rules waits on them.
    static void showChanges(VaelLogicalLayer& layer, const std::vector<UnitSight>& before);
    // Sends "UnitEliminated" here for each combat unit the state applied since `before` took out of play,
    // unless the other machine's own word of it comes through the relay; never relayed back.
    void tellEliminations(VaelLogicalLayer& layer, const std::vector<UnitSight>& before);

private:
    static ContainerBase* onRelayed(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onFlush(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onDeliver(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onLossDue(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onCloseGame(Component* target, BusMessage event, ContainerBase* data);
    // Whether the other machine owes this one an answer, and since when it has been silent about it.
    bool owed() const;
    void heardFromOther();
    void showWaiting(bool shown);
    std::uint32_t now() const;
    // Follows whose leader acts from the activations game control sends.
    void noteActivation(const ContainerBase* data);
    // Tells the loss once nothing else waits in the application's queue.
    void tellLossWhenSettled();
    ContainerBase* relay(BusMessage event, const ContainerBase* data);
    void flush();
    // Sends what waits in the outbox (with the state, after a handover) as one batch.
    void sendOutbox();
    void sendPayloads(const std::vector<std::string>& batch);
    // The host's side of a question the other machine answers: waits for the answer, which it returns.
    ContainerBase* awaitAnswer(BusMessage event);
    bool waitOnce();
    // The other side: the reply given here goes back (none when nobody here answered).
    void answer(const ContainerBase* reply);
    void deliver();
    void deliverBatch(std::vector<comm::ReceivedMessage>& batch);
    // While the words wait for what is shown here, the batches of nothing but chat go on ahead of them.
    void passChatAhead();
    void takeAnswer(std::vector<comm::ReceivedMessage>& batch);
    // What comes of a message of the batch once it has been judged: it goes on to the bus, it is done with
    // here (the battle's state taken, a fall already heard), or the batch goes no further.
    enum class Admission { Take, Skip, Stop };
    Admission admit(comm::ReceivedMessage& m, bool stateCame);
    // The word carries the battle's results (its end, or a turn's).
    static bool isResults(std::int32_t id);
    // What the message tells this machine of the battle, and its texts made safe to show.
    void noteDelivered(comm::ReceivedMessage& m);
    void putOnTheBus(comm::ReceivedMessage& m);
    // True when what follows message i of the batch waits, in the inbox, for the battle to load here.
    bool holdTheRest(std::vector<comm::ReceivedMessage>& batch, std::size_t i);
    void refuse(const std::string& why);
    void connectRelays();
    // The side this machine's leaders fight for is the home side (the host's when it has none).
    bool playsHomeHere() const;
    // Whether the side played here wins a battle the connection's loss ends.
    bool wonHere() const;
    // A display command from the other machine names what this battle holds.
    bool showable(const LogicalCommandInfo& command) const;
    // Why this battle cannot hold the other machine's word of its end or of a turn's (before the battle
    // began, or results of other sides); empty when it can. Results: the word carries the battle's.
    std::string unfitting(const comm::ReceivedMessage& message, bool results) const;
    // Why the other machine cannot have sent the message at this moment of the battle (whose turn, which
    // leader, which step); empty when it can, and what it moves on is then noted.
    std::string outOfTurn(const comm::ReceivedMessage& message);
    // The same, on the host, of what only the guest sends: the end of the battle, a leader's momentum.
    std::string guestsWordOutOfTurn(const comm::ReceivedMessage& message);
    // Applies the other machine's state here and shows what it changed. Why it is refused: it does not fit
    // this battle (nothing of it stays), or it does not show a fall that machine told before it.
    std::string takeState(const Container<BattleStateStruct>& state);
    // What came from the other machine after the end (the batch from `from` on) is dropped, with a word.
    void dropped(const std::vector<comm::ReceivedMessage>& batch, std::size_t from) const;
    // A battle is under way here: a word that hands it over carries its state.
    bool inBattle() const;

    std::unique_ptr<comm::NetPeer> peer_;
    VaelLogicalLayer* layer_ = nullptr;
    // The other machine's check-in is on the bus here: the player still awaited is this machine's.
    bool deliveringCheckIn_ = false;
    bool host_ = false;
    bool playing_ = false;
    bool lost_ = false;
    bool gameEnded_ = false;
    // The other machine said its player left before the connection closed.
    bool left_ = false;
    // The other machine let this one go for its silence: the battle is the other side's.
    bool droppedHere_ = false;
    // A leader of the other machine acts: this one waits on it until it hands the battle back.
    bool otherActs_ = false;
    // This machine answered the host's question: the host owes it its next word.
    bool answeredHost_ = false;
    // The host said all machines have checked in: the guest waits on it until it begins the next step.
    bool hostBegins_ = false;
    std::uint32_t quietSince_ = 0;
    std::optional<std::uint32_t> owedSince_;
    // The battle has begun here (game control's first word has passed): closing it now leaves it.
    bool battleBegun_ = false;
    // This machine, and the other, have checked in with game control since it last said all had.
    bool selfSynced_ = false, otherSynced_ = false;
    // The host's word of the end came (whether the home side won it): on a machine without game control
    // the battle is decided from then on, though its end is still to come.
    std::optional<short> toldHomeWon_;
    // The other machine said in so many words that its player left.
    bool saidLeft_ = false;
    // Where the host's turn sequence stands, as the guest follows it: a turn is under way (begun and its
    // end not told), its end told (the next may begin), a leader may be activated.
    bool turnOpen_ = false, turnEndTold_ = false, mayActivate_ = false;
    // Whose leader acts, and whether the other machine's has ended its combat.
    enum class Acting { Nobody, Here, There, ThereDone };
    Acting acting_ = Acting::Nobody;
    // The other machine's leader has said whether he may try momentum, in this activation.
    bool momentumTold_ = false;
    bool turnsMayDecide_ = false;
    // The routs, rallies and falls told on this machine, by which the other machine's reports are judged.
    ReportLedger reports_;
    std::string waitingText_;
    // What the loss of the other machine still has to tell, and why it was lost.
    enum class LossToTell { None, Leaving, Ending };
    LossToTell lossToTell_ = LossToTell::None;
    std::string lossReason_;
    std::vector<std::string> outbox_;
    bool handoverPending_ = false;
    bool flushPosted_ = false;
    bool deliveriesHeld_ = false;
    std::function<bool()> showing_;
    bool heldForShowing_ = false;
    bool releasing_ = false;
    std::deque<std::vector<comm::ReceivedMessage>> answersHeld_;
    std::deque<std::vector<comm::ReceivedMessage>> inbox_;
    std::int32_t batchesSent_ = 0;
    // Questions sent and not answered yet; an answer beyond them is refused, one that comes after the
    // host stopped waiting is dropped.
    std::int32_t unanswered_ = 0;
    bool awaiting_ = false;
    bool answered_ = false;
    std::unique_ptr<ContainerBase> answer_;
    std::string otherPlayer_;

    // What the other machine may say, held to this battle and to this machine's memory (vael_net_checks.cpp).
public:
    // What this machine keeps of the other's words: the batches not yet applied, and between two handovers
    // the lines of chat and commentary and every word. A machine that sends past them is refused.
    static constexpr std::size_t MaxHeldBatches = 1024;
    static constexpr std::size_t MaxHeldBytes = 2u << 20;
    static constexpr std::size_t MaxLineBytes = 2048;
    static constexpr std::size_t MaxChatLinesBetweenHandovers = 300;
    static constexpr std::size_t MaxCommentaryBetweenHandovers = 5000;
    static constexpr std::size_t MaxWordsBetweenHandovers = 100000;
    // Two machines that each wait on the other (each sign of life of the other saying so) end the battle
    // after this long, within the network's wait for silence.
    static constexpr std::uint32_t MutualWaitLimit = 20000;
    // The other machine's batches taken and not yet applied here, and their bytes.
    std::size_t heldBatches() const { return inbox_.size(); }
    std::size_t heldBytes() const { return heldBytes_; }

private:
    // Why the batch would take this machine past what it keeps of the other's words; empty when it does
    // not, and it is then counted.
    std::string pastTheBounds(const std::vector<comm::ReceivedMessage>& batch);
    void forgetBatch(const std::vector<comm::ReceivedMessage>& batch);
    // Why the message names a leader or a player it may not: an activation of another leader than the one
    // game control activated or of one played here, a player's leaders told again or of this machine.
    std::string heldToWhoPlays(const comm::ReceivedMessage& message);
    // Why the answer to the question asked cannot be its answer; empty when it can.
    std::string answerProblem(const ContainerBase* answer) const;
    // Ends the battle when both machines have waited on each other for MutualWaitLimit; true then.
    bool mutualWaitEnds(std::uint32_t now);
    // This machine waits on the other for its next word: owed it, or waiting for the end of the other
    // machine's leader's combat; and nothing of the other's waits here to be applied.
    bool waitsOnTheOther() const;
    std::optional<std::uint32_t> waitsSince_;
    // What this machine waits for from the other, as a player reads it.
    std::string awaited() const;
    // Drops a batch of words of the battle that comes after it ended here; true when it did.
    bool droppedAfterTheEnd(const std::vector<comm::ReceivedMessage>& batch) const;

    std::size_t heldBytes_ = 0;
    std::size_t chatLines_ = 0, commentaryLines_ = 0, words_ = 0;
    // The leader game control activated last, by unit number, and the question asked and its turn.
    std::optional<std::uint16_t> activated_;
    std::string asked_;
    short askedTurn_ = 0;
    bool playerInfoTold_ = false;
    // The other machine has said a word of the battle (beyond its player's name, chat and commentary).
    bool otherSpoke_ = false;
};

} // namespace vael
