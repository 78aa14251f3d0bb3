#pragma once
// The bytes two machines exchange over a connection. Every frame is an eight-byte header — the letters
// "VF", a kind byte, a zero byte and the payload's length as a little-endian u32 — followed by the
// payload. The first frame each side sends is its greeting; a program of another version is refused
// there, before any message of the game can reach its bus. A message frame names the message (by its
// registered name, or by its number for the built-in events) and carries its payload box through the
// type records' stream writers, so that the other machine rebuilds the box with its own readers.
//
// Everything read here comes from another machine: a reader refuses with a reason, and never registers
// a name or a type that the program does not know already.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/core/container.h"

namespace vael::comm {

constexpr char FrameMagic[2] = {'V', 'F'};
constexpr std::size_t FrameHeaderSize = 8;
// Far above any payload the game sends (the largest is a battle's state, a few tens of kilobytes); a
// peer announcing more is not one of ours.
constexpr std::uint32_t MaxFramePayload = 1u << 20;
// Raised whenever the frames change in a way an older program could not read, and whenever the
// conversation does (what a word asks of the other machine, or when it may come): two programs that speak
// differently would read each other's words and still part. 4: a leave is answered in kind, and the
// battle's state travels only with a word that hands the battle over.
constexpr std::uint16_t ProtocolVersion = 4;
// A message name longer than this is no name of ours.
constexpr std::uint32_t MaxMessageName = 64;
// The longest player name a greeting carries, in bytes; the dialogs that ask for a name hold to it.
constexpr std::size_t MaxPlayerName = 64;

enum class FrameKind : std::uint8_t {
    Greeting = 1,  // who is calling: protocol, program version, player name, host or not
    Message = 2,   // a bus message and its payload
    Refusal = 3,   // why the sender is about to close the connection
    Batch = 4,     // messages that belong together, taken in one piece
    KeepAlive = 5, // nothing to say: the program lives (empty)
    Leaving = 6,   // the sender's player leaves: the connection closes in order after it (empty)
};

struct Greeting {
    std::uint16_t protocol = ProtocolVersion;
    std::string program; // the program's version text
    std::string player;
    std::uint16_t host = 0; // 1 from the machine that hosts the battle
};

// The whole frame: header and payload.
std::string encodeFrame(FrameKind kind, const std::string& payload);

// Greeting payload: "VAEL", u16 protocol, program version (i16 length + bytes), player name (likewise),
// u16 host flag.
std::string encodeGreeting(const Greeting& greeting);
bool decodeGreeting(const std::string& payload, Greeting& out, std::string& error);
// Why a player name cannot travel in a greeting; empty when it can. The other machine shows the name as
// part of a line (the players' list, the waiting room's messages, the commentary): a name of nothing but
// blanks shows nobody, and a control character would break the line or hide part of it, so that a name with
// a line feed could write a line of its own there.
std::string playerNameProblem(const std::string& name);
// Why a peer that greeted with `theirs` cannot play with this program; empty when it can. Its name must be
// one (see playerNameProblem) and not this player's own, blanks at either end aside: two players of one
// name could not be told apart in the lists and lines that name them.
std::string greetingMismatch(const Greeting& mine, const Greeting& theirs);

// Refusal payload: the reason as a string (i16 length + bytes).
std::string encodeRefusal(const std::string& reason);
bool decodeRefusal(const std::string& payload, std::string& reason, std::string& error);

// Message payload: the event by name (u32 name length L; L > 0: the name and a u16 dispatch mode; L = 0:
// the plain event word, id and mode as two u32), then the nullable box (u16 0, or u16 1, the type's name
// and the value through its record). False with the reason when the message has no name and is not a
// built-in event, or when the box's type, or that of a box inside it, has no record (which the stream also
// reports in its message box).
bool encodeMessage(BusMessage event, const ContainerBase* data, std::string& payload, std::string& error);

struct ReceivedMessage {
    BusMessage event;
    std::unique_ptr<ContainerBase> data;
    // The bytes it came in: what keeping it costs the receiver, near enough.
    std::size_t bytes = 0;
};
// Refuses a name the registry does not hold, a built-in event id out of range, a type without a
// record, a value that does not read whole, and bytes left over after it.
bool decodeMessage(const std::string& payload, ReceivedMessage& out, std::string& error);

// Batch payload: u16 count, then each message payload as a u32 length and its bytes. The receiver takes a
// batch whole or refuses it whole.
std::string encodeBatch(const std::vector<std::string>& messages);
bool decodeBatch(const std::string& payload, std::vector<ReceivedMessage>& out, std::string& error);
// At most this many messages to a batch.
constexpr std::uint16_t MaxBatchMessages = 4096;

struct Frame {
    FrameKind kind = FrameKind::Message;
    std::string payload;
};

// Cuts the byte stream of a connection into frames as bytes arrive. Once it has refused a frame it
// stays failed: the connection is to be closed.
class FrameReader {
public:
    enum class Result { NeedMore, Frame, Error };

    void feed(const char* data, std::size_t count);
    Result next(Frame& out);
    const std::string& error() const { return error_; }
    bool failed() const { return failed_; }
    // Bytes of a frame begun but not complete: at the end of the stream they make a truncated frame.
    std::size_t pending() const { return buffer_.size() - start_; }

private:
    Result fail(const std::string& why);

    std::string buffer_;
    std::size_t start_ = 0;
    std::string error_;
    bool failed_ = false;
};

} // namespace vael::comm
