#include "framework/comm/net_peer.h"

#include <utility>

namespace vael::comm {

NetPeer::NetPeer(std::unique_ptr<TcpLink> link, Greeting mine)
    : link_(std::move(link)), mine_(std::move(mine)) {
    if (!link_) return;
    link_->onFrame = [this](Frame& f) { frame(f); };
    link_->onLost = [this](const std::string& why) { lost(why); };
}

NetPeer::~NetPeer() {
    *alive_ = false;
    if (link_) {
        link_->onFrame = nullptr;
        link_->onLost = nullptr;
    }
}

void NetPeer::start() {
    if (isOpen()) link_->send(encodeFrame(FrameKind::Greeting, encodeGreeting(mine_)));
}

bool NetPeer::send(BusMessage event, const ContainerBase* data, std::string& error) {
    if (!isOpen()) {
        error = "the connection is closed";
        return false;
    }
    std::string payload;
    if (!encodeMessage(event, data, payload, error)) return false;
    if (!link_->send(encodeFrame(FrameKind::Message, payload))) {
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
    if (!link_->send(encodeFrame(FrameKind::Batch, encodeBatch(payloads)))) {
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

void NetPeer::close() {
    reported_ = true;
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
        handOn(next);
    }
}

void NetPeer::handOn(Waiting& waiting) {
    if (waiting.batch) {
        if (onBatch) onBatch(waiting.messages);
    } else if (onMessage && !waiting.messages.empty()) {
        onMessage(waiting.messages.front());
    }
}

void NetPeer::lost(const std::string& why) {
    if (std::exchange(reported_, true)) return;
    if (onLost) onLost(why);
}

void NetPeer::frame(Frame& f) {
    std::string error;
    switch (f.kind) {
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
        if (link_) link_->close();
        lost("the other machine refused: " + reason);
        return;
    }
    case FrameKind::Message: {
        if (!greeted_) return refuse("a message came before the greeting");
        Waiting one{{}, false};
        one.messages.emplace_back();
        if (!decodeMessage(f.payload, one.messages.front(), error)) return refuse("refused a frame: " + error);
        waiting_.push_back(std::move(one));
        if (!held_) release();
        return;
    }
    case FrameKind::Batch: {
        if (!greeted_) return refuse("a message came before the greeting");
        Waiting batch;
        if (!decodeBatch(f.payload, batch.messages, error)) return refuse("refused a frame: " + error);
        waiting_.push_back(std::move(batch));
        if (!held_) release();
        return;
    }
    }
    refuse("refused an unknown frame");
}

} // namespace vael::comm
