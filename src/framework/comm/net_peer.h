#pragma once
// One other machine of a game, over a link: the greetings both sides send first, then message frames
// both ways. Whatever the other machine sends that this program cannot take — a greeting of another
// version, a message before the greeting, a damaged, truncated, oversized or unknown frame — is refused:
// the peer is told why in a last frame, the link is closed and the loss reported with the same reason.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/comm/net_frame.h"
#include "framework/comm/tcp_link.h"

namespace vael::comm {

class NetPeer {
public:
    // Each program says it lives on its own, whatever its player does: a keep-alive goes out when nothing
    // else has for KeepAliveEvery, looked at every KeepAliveTick of the platform's clock. A machine from
    // which nothing at all came for SilenceLimit (not even its keep-alive) is lost: a player who is only
    // thinking never is.
    static constexpr std::uint32_t KeepAliveTick = 1000;
    static constexpr std::uint32_t KeepAliveEvery = 5000;
    static constexpr std::uint32_t SilenceLimit = 30000;

    NetPeer(std::unique_ptr<TcpLink> link, Greeting mine);
    ~NetPeer();
    NetPeer(const NetPeer&) = delete;
    NetPeer& operator=(const NetPeer&) = delete;

    // The peer greeted and may play; a message arrived (after the greeting); the peer is gone (refused by
    // either side, closed or dropped), told once. The handlers may delete the peer.
    std::function<void(const Greeting& theirs)> onGreeted;
    std::function<void(ReceivedMessage& message)> onMessage;
    // A batch arrived whole (after the greeting).
    std::function<void(std::vector<ReceivedMessage>& batch)> onBatch;
    std::function<void(const std::string& why)> onLost;
    // Each look of the keep-alive (every KeepAliveTick) while the link is open, after it.
    std::function<void()> onTick;
    // Whether this machine waits on the other for its next word: the keep-alive says so, so that two
    // machines that each wait on the other can tell it, which their signs of life alone would hide.
    std::function<bool()> waitsOnOther;
    // Since when (this clock) every frame from the other machine has been a sign of life saying that it
    // waits on this one; none while anything else came last.
    std::optional<std::uint32_t> otherWaitsSince() const { return otherWaitsSince_; }
    // The other machine's frames are held to this many bytes while the peer is held; past it the peer is
    // refused.
    static constexpr std::size_t MaxHeldBytes = 8u << 20;

    // Sends this side's greeting and starts the keep-alive; call once the handlers are set.
    void start();
    // How long the answer to the other machine's leave may take to write, in real milliseconds.
    static constexpr std::int32_t LeaveAnswerMs = 200;
    // Tells the other machine that this player leaves, then closes in order (waiting up to timeoutMs of
    // real time for the other machine to close its end), without a report here. True when the other
    // machine said that it leaves too, before or meanwhile: it had everything this one sent before it.
    bool leave(std::int32_t timeoutMs = 1000);
    // The other machine said that its player left, before the connection closed.
    bool left() const { return left_; }
    // The other machine let this one go because nothing came from it for SilenceLimit (this program was
    // stopped, or its line cut): it is this machine that was lost to the battle, not the other.
    bool droppedHere() const { return droppedHere_; }
    // What a machine that lets the other go for its silence tells it.
    static std::string silenceRefusal();
    // Looks at the silence and sends a keep-alive when one is due; the keep-alive's timer calls it.
    void tick();
    // The clock the silence is measured by, in milliseconds: the platform's unless one is given (a program
    // whose platform clock runs apart from the wall's, as the headless one does, gives the real one).
    std::uint32_t now();
    std::function<std::uint32_t()> clock;
    // The wall's milliseconds since the call, to give as the clock.
    static std::function<std::uint32_t()> wallClock();
    // False with the reason when the message cannot be written or the link is gone.
    bool send(BusMessage event, const ContainerBase* data, std::string& error);
    // Sends message payloads (made by encodeMessage) as one batch.
    bool sendBatch(const std::vector<std::string>& payloads, std::string& error);
    // Tells the peer why, closes the link and reports the loss.
    void refuse(const std::string& why);
    // The same at once, for a caller that never greeted (see TcpLink::turnAway).
    void turnAway(const std::string& why);
    // Closes without a word and without a report (the game ends on this side).
    void close();
    // While held, the messages and batches that arrive wait here, in order, instead of going to the
    // handlers: a keeper that has met the other machine but cannot take its game yet (its handlers not set,
    // its battle still loading) loses nothing the other machine sends meanwhile. Release hands them on, in
    // the order they came, and lets what comes later through.
    void hold() { held_ = true; }
    void release();
    bool isHeld() const { return held_; }

    bool isOpen() const { return link_ && link_->isOpen(); }
    bool greeted() const { return greeted_; }
    const Greeting& theirs() const { return theirs_; }
    const Greeting& mine() const { return mine_; }
    TcpLink* link() { return link_.get(); }

private:
    void frame(Frame& frame);
    void lost(const std::string& why);
    bool sendFrame(const std::string& bytes);
    void stopTimer();

    std::unique_ptr<TcpLink> link_;
    Greeting mine_, theirs_;
    bool greeted_ = false;
    bool reported_ = false;
    bool held_ = false;
    bool left_ = false;
    bool droppedHere_ = false;
    std::uint32_t timer_ = 0;
    std::uint32_t lastHeard_ = 0, lastSent_ = 0;
    // What came while held: a batch, or a single message as a batch of one marked as such.
    struct Waiting {
        std::vector<ReceivedMessage> messages;
        bool batch = true;
        std::size_t bytes = 0;
    };
    std::deque<Waiting> waiting_;
    std::size_t waitingBytes_ = 0;
    std::optional<std::uint32_t> otherWaitsSince_;
    void handOn(Waiting& waiting);
    // Counts a frame of this many bytes into what waits here; false, the peer refused, past MaxHeldBytes.
    bool holdWithin(std::size_t bytes);
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace vael::comm
