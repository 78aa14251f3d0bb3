#include "framework/comm/tcp_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/platform.h"

namespace vael::comm {

namespace {

bool makeNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

std::string secondsOf(std::int32_t ms) {
    if (ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
    return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " seconds";
}

// What a failed line means to a player, the system's own words after it.
std::string lineLost(int error) {
    std::string meaning;
    switch (error) {
    case ECONNRESET:
    case ECONNABORTED:
        meaning = "the other machine broke it off";
        break;
    case EPIPE:
        meaning = "the other machine had closed it already";
        break;
    case ETIMEDOUT:
        meaning = "the network stopped carrying it";
        break;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        meaning = "the network cannot reach the other machine";
        break;
    default:
        meaning = "the line failed";
        break;
    }
    return "the connection was lost: " + meaning + " (" + std::strerror(error) + ")";
}

} // namespace

TcpLink::TcpLink(platform::Platform& platform, std::int32_t socket) : platform_(platform), socket_(socket) {
    if (socket_ < 0) return;
    makeNonBlocking(socket_);
    // Frames are small and a game waits on each answer: no coalescing delay.
    const int one = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    watch();
}

TcpLink::~TcpLink() {
    *alive_ = false;
    close();
}

void TcpLink::watch() {
    const std::uint8_t interest = static_cast<std::uint8_t>(
        platform::SocketReadable |
        (pendingOut() > 0 ? std::uint8_t(platform::SocketWritable) : std::uint8_t(0)));
    platform_.watchSocket(socket_, interest, [this, alive = alive_](std::int32_t, std::uint8_t readiness) {
        if (*alive) ready(readiness);
    });
}

std::unique_ptr<TcpLink> TcpLink::connect(platform::Platform& platform, const std::string& host,
                                          std::uint16_t port, std::string& error, std::int32_t timeoutMs) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = "cannot find the host " + host + ": " + ::gai_strerror(rc);
        return nullptr;
    }
    error = "cannot connect to " + host + ":" + service;
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        makeNonBlocking(fd);
        int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            do
                rc = ::poll(&p, 1, timeoutMs);
            while (rc < 0 && errno == EINTR);
            int soError = rc == 0 ? ETIMEDOUT : 0;
            socklen_t len = sizeof soError;
            if (rc > 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
            rc = soError == 0 ? 0 : -1;
            errno = soError;
        }
        if (rc == 0) {
            ::freeaddrinfo(found);
            error.clear();
            return std::make_unique<TcpLink>(platform, fd);
        }
        const int failure = errno;
        error = "cannot connect to " + host + ":" + service + ": " +
                (failure == ECONNREFUSED
                     ? "nobody is listening there (" + std::string(std::strerror(failure)) + ")"
                 : failure == ETIMEDOUT
                     ? "no answer within " + secondsOf(timeoutMs) + " (" + std::strerror(failure) + ")"
                     : std::string(std::strerror(failure)));
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return nullptr;
}

std::pair<std::unique_ptr<TcpLink>, std::unique_ptr<TcpLink>> TcpLink::pair(platform::Platform& platform) {
    int fds[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return {};
    return {std::make_unique<TcpLink>(platform, fds[0]), std::make_unique<TcpLink>(platform, fds[1])};
}

bool TcpLink::send(const std::string& bytes) {
    if (socket_ < 0) return false;
    if (pendingOut() + bytes.size() > MaxPendingOut) {
        lose("the other machine has stopped taking what is sent to it");
        return false;
    }
    if (outStart_ > 0 && outStart_ * 2 >= out_.size()) {
        out_.erase(0, outStart_);
        outStart_ = 0;
    }
    out_ += bytes;
    const auto alive = alive_;
    const bool ok = writeSome();
    return ok && *alive;
}

bool TcpLink::writeSome() {
    const bool hadPending = pendingOut() > 0;
    while (pendingOut() > 0) {
        const ssize_t n = ::send(socket_, out_.data() + outStart_, pendingOut(), MSG_NOSIGNAL);
        if (n > 0) {
            outStart_ += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        const std::string error = lineLost(errno);
        if (heardLastWord()) return false;
        lose(error);
        return false;
    }
    if (pendingOut() == 0) {
        out_.clear();
        outStart_ = 0;
    }
    // Writable readiness is asked for only while something waits, or the loop would wake for nothing.
    if (hadPending != (pendingOut() > 0) || pendingOut() > 0) watch();
    return true;
}

bool TcpLink::heardLastWord() {
    char buffer[16 * 1024];
    // Bounded: what a last frame needs, not whatever a flood left behind.
    for (std::size_t total = 0; total < ReadChunk;) {
        const ssize_t n = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0) break;
        reader_.feed(buffer, static_cast<std::size_t>(n));
        total += static_cast<std::size_t>(n);
    }
    Frame frame;
    while (reader_.next(frame) == FrameReader::Result::Frame) {
        if (frame.kind != FrameKind::Refusal) continue;
        const auto alive = alive_;
        if (onFrame) onFrame(frame);
        return !*alive || socket_ < 0;
    }
    return false;
}

bool TcpLink::unreadWaiting() const {
    if (socket_ < 0) return false;
    pollfd p{socket_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

bool TcpLink::flush(std::int32_t timeoutMs) {
    while (socket_ >= 0 && pendingOut() > 0) {
        pollfd p{socket_, POLLOUT, 0};
        int rc = 0;
        do
            rc = ::poll(&p, 1, timeoutMs);
        while (rc < 0 && errno == EINTR);
        if (rc <= 0) return false;
        if (!writeSome()) return false;
    }
    return socket_ >= 0;
}

bool TcpLink::finish(std::int32_t timeoutMs) {
    if (socket_ < 0) return false;
    const auto start = std::chrono::steady_clock::now();
    const auto left = [&] {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        return static_cast<std::int32_t>(std::max<std::int64_t>(0, timeoutMs - spent.count()));
    };
    bool leaving = false;
    flush(timeoutMs);
    if (socket_ >= 0 && ::shutdown(socket_, SHUT_WR) == 0) {
        char buffer[16 * 1024];
        for (;;) {
            pollfd p{socket_, POLLIN, 0};
            int rc = 0;
            do
                rc = ::poll(&p, 1, left());
            while (rc < 0 && errno == EINTR);
            if (rc <= 0) break;
            const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            if (n <= 0) break;
            // Only looked at for the peer's word that it leaves too: what else it says is dropped.
            reader_.feed(buffer, static_cast<std::size_t>(n));
            for (Frame frame; reader_.next(frame) == FrameReader::Result::Frame;)
                leaving = leaving || frame.kind == FrameKind::Leaving;
        }
    }
    close();
    return leaving;
}

bool TcpLink::readSome() {
    char buffer[16 * 1024];
    std::size_t total = 0;
    while (total < ReadChunk) {
        const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
        if (n > 0) {
            reader_.feed(buffer, static_cast<std::size_t>(n));
            total += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (n == 0) {
            // The frames that did arrive whole are still taken before the loss is told.
            const auto alive = alive_;
            Frame frame;
            while (reader_.next(frame) == FrameReader::Result::Frame) {
                if (onFrame) onFrame(frame);
                if (!*alive || socket_ < 0) return false;
            }
            if (reader_.failed())
                refuse("refused " + reader_.error());
            else if (reader_.pending() > 0)
                lose("the connection closed in the middle of a frame (a truncated frame of " +
                     std::to_string(reader_.pending()) + " bytes)");
            else
                lose("the connection was lost: the other machine closed it without a word");
            return false;
        }
        lose(lineLost(errno));
        return false;
    }
    return true;
}

void TcpLink::ready(std::uint8_t readiness) {
    if (socket_ < 0) return;
    const auto alive = alive_;
    if ((readiness & platform::SocketWritable) && !writeSome()) return;
    if (!*alive || socket_ < 0) return;
    if (readiness & (platform::SocketReadable | platform::SocketHungUp)) {
        const bool open = readSome();
        Frame frame;
        for (;;) {
            if (!*alive || socket_ < 0) return;
            const FrameReader::Result r = reader_.next(frame);
            if (r == FrameReader::Result::NeedMore) break;
            if (r == FrameReader::Result::Error) {
                refuse("refused " + reader_.error());
                return;
            }
            if (onFrame) onFrame(frame);
        }
        if (!open) return;
    }
}

void TcpLink::refuse(const std::string& why) {
    if (socket_ < 0) return;
    // The line may fail under the last frame; the reason told is still this one.
    auto report = std::move(onLost);
    onLost = nullptr;
    send(encodeFrame(FrameKind::Refusal, encodeRefusal(why)));
    // Closed at once over bytes it has not read, the line would be reset, and the reset may throw the
    // refusal away on the other machine before it is read there: the last frame goes, then what still
    // comes is read until the other machine closes (or a moment passes).
    if (socket_ >= 0) finish(200);
    close();
    onLost = std::move(report);
    if (onLost) onLost(why);
}

void TcpLink::turnAway(const std::string& why) {
    if (socket_ < 0) return;
    auto report = std::move(onLost);
    onLost = nullptr;
    send(encodeFrame(FrameKind::Refusal, encodeRefusal(why)));
    if (socket_ >= 0) {
        char buffer[16 * 1024];
        for (std::size_t total = 0; total < ReadChunk;) {
            const ssize_t n = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            total += static_cast<std::size_t>(n);
        }
        ::shutdown(socket_, SHUT_WR);
    }
    close();
    onLost = std::move(report);
    if (onLost) onLost(why);
}

void TcpLink::lose(const std::string& why) {
    if (socket_ < 0) return;
    close();
    if (onLost) onLost(why);
}

void TcpLink::close() {
    if (socket_ < 0) return;
    platform_.unwatchSocket(socket_);
    ::close(socket_);
    socket_ = -1;
    out_.clear();
    outStart_ = 0;
}

TcpListener::~TcpListener() {
    close();
}

std::string TcpListener::machineName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

bool TcpListener::listen(std::uint16_t port, std::string& error) {
    close();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = systemError("cannot open a socket");
        return false;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0) {
        error = systemError(("cannot listen on port " + std::to_string(port)).c_str());
        ::close(fd);
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    makeNonBlocking(fd);
    socket_ = fd;
    watch();
    return true;
}

void TcpListener::watch() {
    platform_.watchSocket(socket_, platform::SocketReadable,
                          [this](std::int32_t, std::uint8_t) { acceptAll(); });
}

void TcpListener::acceptAll() {
    for (;;) {
        const int client =
            acceptCall ? acceptCall(socket_) : ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM) return;
            // The caller stays queued, its socket readable: looked at again now, it would wake the program
            // at once for ever. The socket is set aside until the back-off's tick, and the caller taken then
            // if a descriptor has come free.
            platform_.unwatchSocket(socket_);
            backOff_ = platform_.startHandledTimer(FullBackOff, [this](std::uint32_t) {
                platform_.stopHandledTimer(std::exchange(backOff_, 0));
                if (socket_ >= 0) watch();
            });
            return;
        }
        auto link = std::make_unique<TcpLink>(platform_, client);
        if (onAccept) onAccept(std::move(link));
        // The handler may have closed the listener.
        if (socket_ < 0) return;
    }
}

void TcpListener::close() {
    if (backOff_) platform_.stopHandledTimer(std::exchange(backOff_, 0));
    if (socket_ < 0) return;
    platform_.unwatchSocket(socket_);
    ::close(socket_);
    socket_ = -1;
}

} // namespace vael::comm
