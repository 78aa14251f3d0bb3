#include "framework/comm/net_frame.h"

#include <cstring>

#include "framework/core/bus_event.h"
#include "framework/core/message_box.h"
#include "framework/core/printable.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "framework/core/type_info.h"
#include "framework/core/utf8.h"

namespace vael::comm {

namespace {

constexpr char GreetingMark[4] = {'V', 'A', 'E', 'L'};

std::string bytesOf(const SuperString& s) {
    return s.str();
}

SuperString streamOf(const std::string& payload) {
    SuperString s;
    if (!payload.empty()) s.write(payload.data(), static_cast<std::int32_t>(payload.size()));
    return s;
}

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t getU32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(p[i]);
    return v;
}

// A string on the stream whose length field is negative or runs past the end is refused before the
// reader would take what is left as its text.
bool readText(SuperString& s, std::string& out, std::size_t limit) {
    short length = 0;
    s >> length;
    if (s.failed() || length < 0 || length > s.remaining() || static_cast<std::size_t>(length) > limit)
        return false;
    s.setReadPosition(s.readPosition() - 2);
    s >> out;
    // The stream's reader ends a text at a zero byte; a name with one inside is not a name of ours.
    return !s.failed() && out.size() == static_cast<std::size_t>(length);
}

// A character that shows nothing where a name is shown: the format characters (a soft hyphen, a zero-width
// space or joiner, a direction mark, a byte order mark, the tags) and the rest of what Unicode lets a
// reader leave unseen (variation selectors, fillers).
bool invisible(std::uint32_t code) {
    static constexpr std::uint32_t Ranges[][2] = {
        {0x00AD, 0x00AD},   {0x034F, 0x034F},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
        {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x115F, 0x1160},   {0x17B4, 0x17B5},
        {0x180B, 0x180F},   {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x206F},   {0x3164, 0x3164},
        {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFFB},   {0x110BD, 0x110BD},
        {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
    };
    for (const auto& range : Ranges)
        if (code >= range[0] && code <= range[1]) return true;
    return false;
}

// A blank as a reader sees one: the space and the other spaces of Unicode (a no-break space among them).
bool blank(std::uint32_t code) {
    return code == 0x20 || code == 0xA0 || code == 0x1680 || (code >= 0x2000 && code <= 0x200A) ||
           code == 0x202F || code == 0x205F || code == 0x3000;
}

// The name as a reader tells it from another: what shows nothing left out, every blank a space, and no
// blank at either end.
std::string nameAsSeen(const std::string& name) {
    std::string seen;
    for (std::size_t at = 0, length = 0; at < name.size(); at += length) {
        const std::uint32_t code = utf8Decode(name, at, length);
        if (invisible(code)) continue;
        if (blank(code))
            seen += ' ';
        else
            seen.append(name, at, length);
    }
    const std::size_t from = seen.find_first_not_of(' ');
    return from == std::string::npos ? std::string()
                                     : seen.substr(from, seen.find_last_not_of(' ') + 1 - from);
}

} // namespace

std::string encodeFrame(FrameKind kind, const std::string& payload) {
    std::string frame;
    frame.reserve(FrameHeaderSize + payload.size());
    frame.push_back(FrameMagic[0]);
    frame.push_back(FrameMagic[1]);
    frame.push_back(static_cast<char>(kind));
    frame.push_back('\0');
    putU32(frame, static_cast<std::uint32_t>(payload.size()));
    frame += payload;
    return frame;
}

std::string encodeGreeting(const Greeting& greeting) {
    SuperString s;
    s.write(GreetingMark, 4);
    s << static_cast<unsigned short>(greeting.protocol) << greeting.program << greeting.player
      << static_cast<unsigned short>(greeting.host);
    return bytesOf(s);
}

bool decodeGreeting(const std::string& payload, Greeting& out, std::string& error) {
    if (payload.size() < 4 || std::memcmp(payload.data(), GreetingMark, 4) != 0) {
        error = "the greeting is not one of this game's";
        return false;
    }
    SuperString s = streamOf(payload);
    s.setReadPosition(4);
    Greeting g;
    unsigned short protocol = 0, host = 0;
    s >> protocol;
    g.protocol = protocol;
    if (s.failed() || !readText(s, g.program, 64)) {
        error = "the greeting is damaged";
        return false;
    }
    // A name that is whole but too long is told as such: the player on the other side can shorten it.
    short nameLength = 0;
    s >> nameLength;
    if (!s.failed() && nameLength > 0 && static_cast<std::size_t>(nameLength) > MaxPlayerName &&
        nameLength <= s.remaining()) {
        error = playerNameProblem(std::string(static_cast<std::size_t>(nameLength), ' '));
        return false;
    }
    s.setReadPosition(s.readPosition() - 2);
    if (s.failed() || !readText(s, g.player, MaxPlayerName)) {
        error = "the greeting is damaged";
        return false;
    }
    s >> host;
    if (s.failed() || s.remaining() != 0 || host > 1) {
        error = "the greeting is damaged";
        return false;
    }
    g.host = host;
    out = g;
    return true;
}

std::string playerNameProblem(const std::string& name) {
    if (name.size() > MaxPlayerName)
        return "the player's name is longer than " + std::to_string(MaxPlayerName) + " bytes";
    if (nameAsSeen(name).empty()) return "the player has no name";
    for (std::size_t at = 0, length = 0; at < name.size(); at += length) {
        // The C1 controls too, whether written in UTF-8 or as the Latin-1 bytes a name may still come in.
        const std::uint32_t code = utf8Decode(name, at, length);
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            return "the player's name \"" + printable(name) + "\" holds a control character";
    }
    return {};
}

std::string greetingMismatch(const Greeting& mine, const Greeting& theirs) {
    if (theirs.protocol != mine.protocol || theirs.program != mine.program)
        return "the other program is version " + printable(theirs.program) + " (protocol " +
               std::to_string(theirs.protocol) + "), this one is version " + mine.program + " (protocol " +
               std::to_string(mine.protocol) + ")";
    if (theirs.host == mine.host)
        return mine.host ? "both programs host a battle" : "neither program hosts the battle";
    if (std::string problem = playerNameProblem(theirs.player); !problem.empty()) return problem;
    if (nameAsSeen(theirs.player) == nameAsSeen(mine.player))
        return "both players are named " + nameAsSeen(mine.player);
    return {};
}

std::string encodeRefusal(const std::string& reason) {
    SuperString s;
    s << reason.substr(0, 1000);
    return bytesOf(s);
}

bool decodeRefusal(const std::string& payload, std::string& reason, std::string& error) {
    SuperString s = streamOf(payload);
    if (!readText(s, reason, 1000) || s.remaining() != 0) {
        error = "the refusal is damaged";
        return false;
    }
    return true;
}

bool encodeMessage(BusMessage event, const ContainerBase* data, std::string& payload, std::string& error) {
    const std::int32_t id = event.id();
    const std::string name =
        id >= 0 && id <= 0xFFFF ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(id)) : std::string();
    if (name.empty() && (id < 0 || id >= NumBusEvents)) {
        error = "message " + std::to_string(id) + " has no name";
        return false;
    }
    if (data && !TypeInfoBase::lookUp(data->typeName())) {
        error = data->typeName() + " is not a registered class and cannot be sent to a remote machine";
        return false;
    }
    SuperString s;
    writeEventByName(s, event);
    // A box inside the payload (a display command's) without a record is reported in the message box, but
    // nothing sound follows it on the stream: the message fails rather than reach the other machine cut.
    std::string unwritable;
    MessageBoxFunction shown;
    shown = setMessageBox([&unwritable, &shown](const std::string& text, const std::string& title,
                                                std::uint32_t style) -> std::int32_t {
        if (unwritable.empty()) unwritable = text;
        return shown ? shown(text, title, style) : 0;
    });
    s << data;
    setMessageBox(std::move(shown));
    if (!unwritable.empty()) {
        error = unwritable;
        return false;
    }
    if (s.failed()) {
        error = "the payload of " + (name.empty() ? std::to_string(id) : name) + " cannot be written";
        return false;
    }
    payload = bytesOf(s);
    return true;
}

bool decodeMessage(const std::string& payload, ReceivedMessage& out, std::string& error) {
    SuperString s = streamOf(payload);
    unsigned int length = 0;
    s >> length;
    BusMessage event;
    if (s.failed()) {
        error = "the message frame is truncated";
        return false;
    }
    if (length == 0) {
        s >> event;
        if (s.failed()) {
            error = "the message frame is truncated";
            return false;
        }
        if (event.id() < 0 || event.id() >= NumBusEvents) {
            error = "unknown message number " + std::to_string(event.id());
            return false;
        }
    } else {
        if (length > MaxMessageName || length > static_cast<unsigned int>(s.remaining())) {
            error = "the message name is damaged";
            return false;
        }
        std::string name(length, '\0');
        s.read(name.data(), static_cast<std::int32_t>(length));
        short mode = 0;
        s >> mode;
        std::uint16_t id = 0;
        if (s.failed()) {
            error = "the message frame is truncated";
            return false;
        }
        if (!RegisteredMessage::lookUp(name, id)) {
            // The name is the other machine's bytes: the reason is shown, on a screen or a terminal.
            error = "unknown message \"" + printable(name) + "\"";
            return false;
        }
        event = BusMessage(id, static_cast<std::uint8_t>(mode & 0xF));
    }
    unsigned short flag = 0;
    s >> flag;
    if (s.failed()) {
        error = "the message frame is truncated";
        return false;
    }
    std::unique_ptr<ContainerBase> box;
    if (flag > 1) {
        error = "the payload is damaged";
        return false;
    }
    if (flag == 1) {
        std::string typeName;
        if (!readText(s, typeName, MaxMessageName)) {
            error = "the payload's type name is damaged";
            return false;
        }
        TypeInfoBase* record = TypeInfoBase::lookUp(typeName);
        if (!record) {
            error = "unknown payload type \"" + printable(typeName) + "\"";
            return false;
        }
        // Through the stream's own box reader, which bounds how deep boxes may nest.
        s.setReadPosition(s.readPosition() - 2 - 2 - static_cast<std::int32_t>(typeName.size()));
        ContainerBase* read = nullptr;
        s >> read;
        box.reset(read);
        if (s.failed() || !box) {
            error = "the payload of type " + typeName + " is damaged";
            return false;
        }
    }
    if (s.remaining() != 0) {
        error = "the message frame has " + std::to_string(s.remaining()) + " bytes too many";
        return false;
    }
    out.event = event;
    out.data = std::move(box);
    out.bytes = payload.size();
    return true;
}

std::string encodeBatch(const std::vector<std::string>& messages) {
    std::string out;
    const auto count = static_cast<std::uint16_t>(messages.size());
    out.push_back(static_cast<char>(count & 0xFF));
    out.push_back(static_cast<char>(count >> 8));
    for (const std::string& m : messages) {
        putU32(out, static_cast<std::uint32_t>(m.size()));
        out += m;
    }
    return out;
}

bool decodeBatch(const std::string& payload, std::vector<ReceivedMessage>& out, std::string& error) {
    out.clear();
    if (payload.size() < 2) {
        error = "the batch is truncated";
        return false;
    }
    const std::uint16_t count = static_cast<std::uint16_t>(static_cast<unsigned char>(payload[0]) |
                                                           static_cast<unsigned char>(payload[1]) << 8);
    if (count > MaxBatchMessages) {
        error = "the batch holds too many messages (" + std::to_string(count) + ")";
        return false;
    }
    std::size_t at = 2;
    std::vector<ReceivedMessage> messages;
    for (std::uint16_t i = 0; i < count; ++i) {
        if (payload.size() - at < 4) {
            error = "the batch is truncated";
            return false;
        }
        const std::uint32_t length = getU32(payload.data() + at);
        at += 4;
        if (length > payload.size() - at) {
            error = "the batch is truncated";
            return false;
        }
        ReceivedMessage m;
        if (!decodeMessage(payload.substr(at, length), m, error)) return false;
        at += length;
        messages.push_back(std::move(m));
    }
    if (at != payload.size()) {
        error = "the batch has " + std::to_string(payload.size() - at) + " bytes too many";
        return false;
    }
    out = std::move(messages);
    return true;
}

void FrameReader::feed(const char* data, std::size_t count) {
    if (failed_ || count == 0) return;
    // Consumed bytes are dropped once they make up most of the buffer, so that it does not grow with the
    // length of the game.
    if (start_ > 0 && start_ * 2 >= buffer_.size()) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(data, count);
}

FrameReader::Result FrameReader::fail(const std::string& why) {
    failed_ = true;
    error_ = why;
    return Result::Error;
}

FrameReader::Result FrameReader::next(Frame& out) {
    if (failed_) return Result::Error;
    const std::size_t have = buffer_.size() - start_;
    const char* p = buffer_.data() + start_;
    // A wrong first byte is refused at once rather than after a whole header has arrived.
    for (std::size_t i = 0; i < 2 && i < have; ++i)
        if (p[i] != FrameMagic[i]) return fail("a damaged frame (it does not begin with \"VF\")");
    if (have < FrameHeaderSize) return Result::NeedMore;
    const auto kind = static_cast<std::uint8_t>(p[2]);
    if (kind < static_cast<std::uint8_t>(FrameKind::Greeting) ||
        kind > static_cast<std::uint8_t>(FrameKind::Leaving))
        return fail("an unknown frame (kind " + std::to_string(kind) + ")");
    if (p[3] != '\0') return fail("a damaged frame (its header is corrupt)");
    const std::uint32_t length = getU32(p + 4);
    if (length > MaxFramePayload)
        return fail("an oversized frame (" + std::to_string(length) + " bytes, at most " +
                    std::to_string(MaxFramePayload) + ")");
    if (have - FrameHeaderSize < length) return Result::NeedMore;
    out.kind = static_cast<FrameKind>(kind);
    out.payload.assign(p + FrameHeaderSize, length);
    start_ += FrameHeaderSize + length;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    return Result::Frame;
}

} // namespace vael::comm
