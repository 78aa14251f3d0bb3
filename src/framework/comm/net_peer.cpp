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
        ReceivedMessage message;
        if (!decodeMessage(f.payload, message, error)) return refuse("refused a frame: " + error);
        if (onMessage) onMessage(message);
        return;
    }
    case FrameKind::Batch: {
        if (!greeted_) return refuse("a message came before the greeting");
        std::vector<ReceivedMessage> batch;
        if (!decodeBatch(f.payload, batch, error)) return refuse("refused a frame: " + error);
        if (onBatch) onBatch(batch);
        return;
    }
    }
    refuse("refused an unknown frame");
}

} // namespace vael::comm
