#pragma once
// TCP connections whose readiness arrives as events on the program's one queue. Nothing here blocks the
// loop: reads take what is there (at most ReadChunk bytes per event, so that a peer that floods cannot
// starve the window), writes go out as far as the peer takes them and the rest waits for the socket to be
// writable. A peer that stops reading while more than MaxPendingOut bytes wait for it is dropped.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "framework/comm/net_frame.h"

namespace vael::platform {
class Platform;
}

namespace vael::comm {

class TcpLink {
public:
    static constexpr std::size_t ReadChunk = 64 * 1024;
    static constexpr std::size_t MaxPendingOut = 8u << 20;

    // Takes a connected socket (made non-blocking here) and watches it.
    TcpLink(platform::Platform& platform, std::int32_t socket);
    ~TcpLink();
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    // Connects to host:port, waiting up to timeoutMs; null with the reason when it cannot.
    static std::unique_ptr<TcpLink> connect(platform::Platform& platform, const std::string& host,
                                            std::uint16_t port, std::string& error,
                                            std::int32_t timeoutMs = 5000);
    // Two links joined to each other in this process, for tests and for a game against oneself.
    static std::pair<std::unique_ptr<TcpLink>, std::unique_ptr<TcpLink>> pair(platform::Platform& platform);

    // A whole frame arrived; the reader refused the stream (the link is closed after it); the link was
    // lost (the peer closed it, or it failed). The handlers may delete the link.
    std::function<void(Frame&)> onFrame;
    std::function<void(const std::string& why)> onLost;

    // Queues the bytes and writes what the socket takes now. False when the link is closed, or when the
    // peer has left too much unread: the link is then lost with that reason.
    bool send(const std::string& bytes);
    // Writes what waits, for up to timeoutMs of real time (for a last frame before closing).
    bool flush(std::int32_t timeoutMs);
    // Ends the connection in order, without reporting a loss: what waits is written, the peer is told
    // that nothing more comes from here (a half close), and what it still sends is read and dropped until
    // it closes too, for up to timeoutMs of real time. A socket closed with the peer's bytes unread resets
    // the line, and the peer may then lose the last frames it was sent. True when the peer said among them
    // that it leaves too.
    bool finish(std::int32_t timeoutMs);
    // Tells the peer why in a last frame, closes and reports the loss with the reason.
    void refuse(const std::string& why);
    // As refuse, without waiting on the peer: for a caller that never said a word, one of many that the
    // chosen guest must not wait behind. What it sent so far is read and dropped first, so that the close
    // does not reset the line under the frame.
    void turnAway(const std::string& why);
    // Closes without reporting: onLost is for what this side did not ask for.
    void close();
    bool isOpen() const { return socket_ >= 0; }
    std::size_t pendingOut() const { return out_.size() - outStart_; }
    // Bytes from the peer wait unread on the socket (or its end has come), without taking them.
    bool unreadWaiting() const;
    std::int32_t socket() const { return socket_; }
    platform::Platform& platform() { return platform_; }

private:
    void ready(std::uint8_t readiness);
    bool readSome();
    bool writeSome();
    // A line that fails under a send may hold the other machine's last frame, its reason for going: that
    // refusal is taken (true: the loss has been told with it) before the line's own error is.
    bool heardLastWord();
    void lose(const std::string& why);
    void watch();

    platform::Platform& platform_;
    std::int32_t socket_;
    FrameReader reader_;
    std::string out_;
    std::size_t outStart_ = 0;
    // Cleared when the link goes, so that a handler that deleted it is noticed by the caller.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TcpListener {
public:
    // While no descriptor is free for a caller (the process or the system has used up its share), the
    // listener does not look at its socket for this many milliseconds: the caller waiting there would wake
    // the program at once, again and again, until descriptors come free.
    static constexpr std::uint32_t FullBackOff = 250;

    explicit TcpListener(platform::Platform& platform) : platform_(platform) {}
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Listens on the port of every interface (port 0: any free port, see port()).
    bool listen(std::uint16_t port, std::string& error);
    std::uint16_t port() const { return port_; }
    // The name by which other machines find this one (its host name), the address a caller types; empty
    // when the system gives none.
    static std::string machineName();
    void close();
    bool isOpen() const { return socket_ >= 0; }

    // Each connection that comes in.
    std::function<void(std::unique_ptr<TcpLink>)> onAccept;
    // How a caller is taken from the socket: accept4, unless a test stands in (to run out of descriptors).
    std::function<std::int32_t(std::int32_t socket)> acceptCall;
    // Whether the listener waits for descriptors to come free rather than looking at its socket.
    bool backingOff() const { return backOff_ != 0; }

private:
    void watch();
    void acceptAll();

    platform::Platform& platform_;
    std::int32_t socket_ = -1;
    std::uint16_t port_ = 0;
    std::uint32_t backOff_ = 0;
};

} // namespace vael::comm
