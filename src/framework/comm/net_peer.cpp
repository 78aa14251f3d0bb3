#include "framework/comm/net_peer.h"

#include <chrono>
#include <utility>

#include "framework/core/printable.h"
#include "platform/platform.h"

namespace vael::comm {

NetPeer::NetPeer(std::unique_ptr<TcpLink> link, Greeting mine)
    : link_(std::move(link)), mine_(std::move(mine)) {
    if (!link_) return;
    link_->onFrame = [this](Frame& f) { frame(f); };
    link_->onLost = [this](const std::string& why) { lost(why); };
}

NetPeer::~NetPeer() {
    *alive_ = false;
    stopTimer();
    if (link_) {
        link_->onFrame = nullptr;
        link_->onLost = nullptr;
    }
}

void NetPeer::start() {
    if (!isOpen()) return;
    lastHeard_ = now();
    if (!sendFrame(encodeFrame(FrameKind::Greeting, encodeGreeting(mine_))) || timer_ || !isOpen()) return;
    timer_ = link_->platform().startHandledTimer(KeepAliveTick, [this, alive = alive_](std::uint32_t) {
        if (*alive) tick();
    });
}

std::uint32_t NetPeer::now() {
    if (clock) return clock();
    return link_ ? link_->platform().tickCount() : 0;
}

std::string NetPeer::silenceRefusal() {
    return "nothing came from your machine for " + std::to_string(SilenceLimit / 1000) + " seconds";
}

std::function<std::uint32_t()> NetPeer::wallClock() {
    return [start = std::chrono::steady_clock::now()] {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
    };
}

void NetPeer::stopTimer() {
    if (timer_ && link_) link_->platform().stopHandledTimer(timer_);
    timer_ = 0;
}

bool NetPeer::sendFrame(const std::string& bytes) {
    lastSent_ = now();
    return link_->send(bytes);
}

void NetPeer::tick() {
    if (!isOpen() || reported_) return stopTimer();
    const std::uint32_t at = now();
    // What came while this program was not looking (its own machine stopped, or busy) is heard first: the
    // silence is the other machine's only when nothing of it waits here.
    if (at - lastHeard_ >= SilenceLimit && !link_->unreadWaiting()) {
        // The other machine may only be frozen: should it wake, it reads why this one went.
        const std::string why = "the connection was lost: nothing came from the other machine for " +
                                std::to_string(SilenceLimit / 1000) + " seconds, not even its sign of life";
        stopTimer();
        link_->onLost = nullptr;
        link_->send(encodeFrame(FrameKind::Refusal, encodeRefusal(silenceRefusal())));
        if (link_) link_->close();
        lost(why);
        return;
    }
    const auto alive = alive_;
    // A machine with the other's words held here may be waiting on nothing but itself.
    const bool waits = waitsOnOther && waitsOnOther() && waiting_.empty();
    if (at - lastSent_ >= KeepAliveEvery &&
        !sendFrame(encodeFrame(FrameKind::KeepAlive, waits ? std::string(1, '\x01') : std::string())))
        return;
    if (*alive && isOpen() && onTick) onTick();
}

bool NetPeer::leave(std::int32_t timeoutMs) {
    stopTimer();
    reported_ = true;
    if (!isOpen()) return left_;
    link_->onLost = nullptr;
    if (greeted_) link_->send(encodeFrame(FrameKind::Leaving, {}));
    if (link_->isOpen() && link_->finish(timeoutMs)) left_ = true;
    return left_;
}

bool NetPeer::send(BusMessage event, const ContainerBase* data, std::string& error) {
    if (!isOpen()) {
        error = "the connection is closed";
        return false;
    }
    std::string payload;
    if (!encodeMessage(event, data, payload, error)) return false;
    if (!sendFrame(encodeFrame(FrameKind::Message, payload))) {
        error = "the connection is lost";
        return false;
    }
    return true;
}

bool NetPeer::sendBatch(const std::vector<std::string>& payloads, std::string& error) {
    if (!isOpen()) {
        error = "the connection is closed";
        return false;
    }
    if (!sendFrame(encodeFrame(FrameKind::Batch, encodeBatch(payloads)))) {
        error = "the connection is lost";
        return false;
    }
    return true;
}

void NetPeer::refuse(const std::string& why) {
    // The link tells the peer why in a last frame and reports this reason through lost(), whatever the
    // line does under that frame.
    if (isOpen()) link_->refuse(why);
}

void NetPeer::turnAway(const std::string& why) {
    if (isOpen()) link_->turnAway(why);
}

void NetPeer::close() {
    reported_ = true;
    stopTimer();
    if (link_) link_->close();
}

void NetPeer::release() {
    held_ = false;
    const auto alive = alive_;
    // A handler may hold the peer again, or delete it: what still waits stays for the next release. One
    // that waits for the other machine's answer takes what comes meanwhile through here again, so what
    // came before the answer is handed on before it, and the answer is never left behind the frame whose
    // handling asked for it.
    while (*alive && !held_ && !waiting_.empty()) {
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        waitingBytes_ -= next.bytes;
        handOn(next);
    }
}

bool NetPeer::holdWithin(std::size_t bytes) {
    // A held peer keeps what comes until its keeper can take it: a loading battle takes a moment, and a
    // machine that sends megabytes meanwhile is not playing it.
    if (held_ && waitingBytes_ + bytes > MaxHeldBytes) {
        refuse("refused a frame: the other machine sent more than " + std::to_string(MaxHeldBytes >> 20) +
               " MB before this one could take it");
        return false;
    }
    waitingBytes_ += bytes;
    return true;
}

void NetPeer::handOn(Waiting& waiting) {
    if (waiting.batch) {
        if (onBatch) onBatch(waiting.messages);
    } else if (onMessage && !waiting.messages.empty()) {
        onMessage(waiting.messages.front());
    }
}

void NetPeer::lost(const std::string& why) {
    stopTimer();
    if (std::exchange(reported_, true)) return;
    if (onLost) onLost(why);
}

void NetPeer::frame(Frame& f) {
    std::string error;
    // Whatever comes, the other machine lives.
    lastHeard_ = now();
    // Only a sign of life that says so, and every one since, tells that the other machine still waits.
    const bool waitsHere = f.kind == FrameKind::KeepAlive && f.payload == std::string(1, '\x01');
    if (!waitsHere)
        otherWaitsSince_.reset();
    else if (!otherWaitsSince_)
        otherWaitsSince_ = lastHeard_;
    switch (f.kind) {
    case FrameKind::KeepAlive:
        if (!greeted_) return refuse("a sign of life came before the greeting");
        if (!f.payload.empty() && !waitsHere)
            return refuse("refused a frame: a sign of life that carries something");
        return;
    case FrameKind::Leaving: {
        if (!greeted_) return refuse("a word of leaving came before the greeting");
        if (!f.payload.empty()) return refuse("refused a frame: a word of leaving that carries something");
        left_ = true;
        // Answered in kind before the line closes: the other machine then knows that all it sent before its
        // leave (the battle's end among it) was read here.
        if (link_) {
            // A line the other machine has closed already under its leave is no loss of its own.
            link_->onLost = nullptr;
            link_->send(encodeFrame(FrameKind::Leaving, {}));
            link_->flush(LeaveAnswerMs);
            link_->close();
        }
        lost((theirs_.player.empty() ? std::string("The other player") : theirs_.player) +
             " left the battle.");
        return;
    }
    case FrameKind::Greeting: {
        if (greeted_) return refuse("the other machine greeted twice");
        Greeting theirs;
        if (!decodeGreeting(f.payload, theirs, error)) return refuse("refused the greeting: " + error);
        if (const std::string mismatch = greetingMismatch(mine_, theirs); !mismatch.empty())
            return refuse("refused the connection: " + mismatch);
        greeted_ = true;
        theirs_ = theirs;
        // Called through a copy: the handler may hand this peer on, and its new keeper set handlers of its
        // own, while it runs.
        if (auto greetedNow = onGreeted) greetedNow(theirs);
        return;
    }
    case FrameKind::Refusal: {
        std::string reason;
        if (!decodeRefusal(f.payload, reason, error)) reason = error;
        droppedHere_ = greeted_ && reason == silenceRefusal();
        if (link_) link_->close();
        // The reason is the other machine's text, shown here as one line whatever it holds. Its silence limit
        // refuses nothing this machine said: the other one only gave up waiting for it.
        lost((droppedHere_ ? "the other machine gave up waiting: " : "the other machine refused: ") +
             printable(reason));
        return;
    }
    case FrameKind::Message: {
        if (!greeted_) return refuse("a message came before the greeting");
        Waiting one{{}, false};
        one.messages.emplace_back();
        if (!decodeMessage(f.payload, one.messages.front(), error)) return refuse("refused a frame: " + error);
        if (!holdWithin(one.bytes = f.payload.size())) return;
        waiting_.push_back(std::move(one));
        if (!held_) release();
        return;
    }
    case FrameKind::Batch: {
        if (!greeted_) return refuse("a message came before the greeting");
        Waiting batch;
        if (!decodeBatch(f.payload, batch.messages, error)) return refuse("refused a frame: " + error);
        if (!holdWithin(batch.bytes = f.payload.size())) return;
        waiting_.push_back(std::move(batch));
        if (!held_) release();
        return;
    }
    }
    refuse("refused an unknown frame");
}

} // namespace vael::comm
