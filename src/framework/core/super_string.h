#pragma once
// The framework's growable byte buffer, kept as a chain of 100-byte chunks. It is the stream that saved
// games and relayed message payloads are written to and read back from (with a read position), the
// receive buffer of text arriving on a connection (searched and consumed from the front), and the store
// behind the text-line buffer (one chunk per line).
//
// The value encodings below are the ground of saved games and of network play between machines: every
// multi-byte value is little-endian with no tags or padding, and the widths are fixed whatever the host
// (a `long` is 4 bytes on the stream even where it is 8 in memory).
//
// Reading past the end never makes up data: what is missing reads as zeros and the stream remembers that
// it failed (failed()), so that every reader of files and frames can check once at the end and report.
#include <cstdint>
#include <string>
#include <type_traits>

#include "framework/core/bus_message.h"
#include "framework/core/direction.h"
#include "framework/core/type_name.h"

namespace vael {

class ContainerBase;

// One block of the buffer. The tag is 0 in a plain buffer; the text-line buffer keeps a line's number in
// it.
struct Chunk {
    static constexpr std::int32_t Capacity = 100;

    char data[Capacity + 1] = {}; // always zero-terminated
    Chunk* next = nullptr;
    Chunk* prev = nullptr;
    std::uint32_t tag = 0;
    std::int32_t length = 0;
};

class SuperString {
public:
    // The cap that bounds a receive buffer: past it the oldest chunks are dropped as new ones are added.
    static constexpr std::int32_t ReceiveBufferCap = 80000;

    // A sizeCap of 0 keeps everything, as a stream written for a file or a frame must; a receive buffer
    // passes ReceiveBufferCap so that it never grows without bound.
    explicit SuperString(std::int32_t sizeCap = 0);
    // A text value (a file name, say), uncapped.
    explicit SuperString(const std::string& text);
    SuperString(const SuperString& other);
    SuperString& operator=(const SuperString& other);
    virtual ~SuperString();

    // Appends count bytes (count 0: up to data's terminating zero byte). 1, or 0 when a chunk could not
    // be added.
    virtual std::int16_t write(const void* data, std::int32_t count = 0);
    // Copies count bytes from offset without moving the read position; copies only as far as data
    // exists and answers how many bytes it copied (0 when offset is at or past the end).
    virtual std::int32_t peek(void* out, std::int32_t offset, std::int32_t count) const;
    // Empties the buffer back to one empty chunk; length, read position and the failure flag are reset.
    virtual void clear();
    // Moves the bytes before the first delimiter into out and removes them and the delimiter from the
    // front; answers their count, or -1 (buffer unchanged, out empty) when the delimiter is absent.
    virtual std::int32_t extract(std::string& out, char delimiter);

    // Copies count bytes from the read position and advances it. Bytes beyond the end read as zeros, the
    // position stops at the end and the stream is marked failed. Answers the bytes really copied.
    std::int32_t read(void* out, std::int32_t count);

    // Offset of the first occurrence of text, ignoring case; -1 when absent, -2 when text is longer than
    // 40 characters.
    std::int32_t find(const char* text) const;
    // Offset of the first occurrence of the byte, -1 when absent.
    std::int32_t find(char byte) const;

    std::int32_t length() const { return length_; }
    std::int32_t sizeCap() const { return sizeCap_; }
    std::int32_t readPosition() const { return readPosition_; }
    void setReadPosition(std::int32_t offset);
    std::int32_t remaining() const { return readPosition_ < length_ ? length_ - readPosition_ : 0; }

    // Set by a read past the end or by a value that cannot be decoded; stays set until clear() or
    // clearFailure().
    bool failed() const { return failed_; }
    void setFailed() { failed_ = true; }
    void clearFailure() { failed_ = false; }

    // Appends an empty chunk (dropping the oldest first when a capped buffer is over its cap); 1 on
    // success.
    std::int16_t addChunk();
    std::int32_t chunkCount() const;
    const Chunk* firstChunk() const { return first_; }
    const Chunk* lastChunk() const { return last_; }

    // Every byte held, in order.
    std::string str() const;
    bool operator==(const SuperString& other) const;

    // How deep the object reader is nested in boxes holding boxes; bounded so that hostile bytes cannot
    // exhaust the stack.
    static constexpr int MaxObjectDepth = 32;
    int objectDepth() const { return objectDepth_; }
    void setObjectDepth(int depth) { objectDepth_ = depth; }

    // How many message names the readers of this stream may register that the registry did not hold
    // yet. A frame or a saved game names a few of the program's messages; a stream that brings more new
    // names than this is hostile or corrupt and fails rather than fill the registry.
    static constexpr std::int32_t MaxNewNames = 256;
    std::int32_t newNamesRegistered() const { return newNames_; }
    // Counts one more new name; false (nothing counted) once the stream has brought MaxNewNames.
    bool admitNewName();

protected:
    // Unlinks and deletes the oldest chunk (keeping at least one) and takes its bytes off the length.
    void dropFirstChunk();

    Chunk* first_ = nullptr;
    Chunk* last_ = nullptr;
    // Where the last read or peek ended (and the offset of that chunk's first byte), so that sequential
    // reads do not walk the chain from the front. A derived class that unlinks chunks itself must set it
    // to null.
    mutable Chunk* cursor_ = nullptr;
    mutable std::int32_t cursorStart_ = 0;
    std::int32_t length_ = 0;
    std::int32_t sizeCap_ = 0;
    std::int32_t readPosition_ = 0;

private:
    void deleteChunks();
    // The chunk that holds offset (offset < length), with the offset of its first byte.
    const Chunk* chunkAt(std::int32_t offset, std::int32_t& start) const;

    bool failed_ = false;
    int objectDepth_ = 0;
    std::int32_t newNames_ = 0;
};

// Value encodings. Reading a value past the end gives zeros and marks the stream failed.
SuperString& operator<<(SuperString& s, char v);
SuperString& operator<<(SuperString& s, signed char v);
SuperString& operator<<(SuperString& s, unsigned char v);
SuperString& operator<<(SuperString& s, short v);
SuperString& operator<<(SuperString& s, unsigned short v);
SuperString& operator<<(SuperString& s, int v);
SuperString& operator<<(SuperString& s, unsigned int v);
SuperString& operator<<(SuperString& s, long v);          // 4 bytes
SuperString& operator<<(SuperString& s, unsigned long v); // 4 bytes
SuperString& operator<<(SuperString& s, long long v);
SuperString& operator<<(SuperString& s, unsigned long long v);
SuperString& operator<<(SuperString& s, double v);
SuperString& operator<<(SuperString& s, bool v) = delete; // no encoding: say which width is meant
// A string: i16 length, then the bytes with no terminator. Longer than 32767 bytes cannot be written: the
// first 32767 are, and the stream is marked failed.
SuperString& operator<<(SuperString& s, const std::string& v);
SuperString& operator<<(SuperString& s, const char* v);
SuperString& operator<<(SuperString& s, const SuperString& v);
// The event word: 4-byte id (sign-extended from 28 bits), then 4-byte mode (sign-extended from 4 bits).
SuperString& operator<<(SuperString& s, const BusMessage& v);
// A direction: 16 bits.
SuperString& operator<<(SuperString& s, DIRECTION v);
// A nullable box: u16 0 for null; else u16 1, the box's type name as a string and its value through the
// type's registered record. A box whose type has no record is reported and written as null.
SuperString& operator<<(SuperString& s, const ContainerBase* v);

SuperString& operator>>(SuperString& s, char& v);
SuperString& operator>>(SuperString& s, signed char& v);
SuperString& operator>>(SuperString& s, unsigned char& v);
SuperString& operator>>(SuperString& s, short& v);
SuperString& operator>>(SuperString& s, unsigned short& v);
SuperString& operator>>(SuperString& s, int& v);
SuperString& operator>>(SuperString& s, unsigned int& v);
SuperString& operator>>(SuperString& s, long& v);          // 4 bytes, sign-extended
SuperString& operator>>(SuperString& s, unsigned long& v); // 4 bytes
SuperString& operator>>(SuperString& s, long long& v);
SuperString& operator>>(SuperString& s, unsigned long long& v);
SuperString& operator>>(SuperString& s, double& v);
SuperString& operator>>(SuperString& s, bool& v) = delete;
// Reads n bytes and ends the text at the first zero byte among them. A negative length is corrupt: the
// text is empty and the stream is marked failed.
SuperString& operator>>(SuperString& s, std::string& v);
SuperString& operator>>(SuperString& s, SuperString& v);
SuperString& operator>>(SuperString& s, BusMessage& v);
SuperString& operator>>(SuperString& s, DIRECTION& v);
// The new box belongs to the caller; null for the null form. A type name with no registered record is
// reported, gives null and marks the stream failed; so does a failed read of the value.
SuperString& operator>>(SuperString& s, ContainerBase*& v);

// Other enumerations travel as 4-byte ints. An enumeration read from outside bytes must have a fixed
// underlying type, so that any value read is one it can hold.
template <class E>
requires std::is_enum_v<E> SuperString& operator<<(SuperString& s, E v) {
    return s << static_cast<int>(static_cast<std::int32_t>(v));
}
template <class E>
requires std::is_enum_v<E> SuperString& operator>>(SuperString& s, E& v) {
    static_assert(
        requires { E{std::underlying_type_t<E>{}}; }, "give the enumeration a fixed underlying type");
    int raw = 0;
    s >> raw;
    v = static_cast<E>(raw);
    return s;
}

// The event word by name, so that the reading side maps the name to its own id: u32 length L of the id's
// registered name; L > 0: the name, then a 2-byte mode; L = 0 (built-in or unnamed id): the plain word.
// A name the registry does not hold is registered, unless the stream has brought MaxNewNames already or
// no id is left: then the word reads as 0 and the stream fails.
void writeEventByName(SuperString& s, const BusMessage& event);
void readEventByName(SuperString& s, BusMessage& event);

// Shows "Error: <name> is not a registered class and cannot be sent to a remote machine.".
void reportUnregisteredType(const std::string& typeName);
// Shows "Error: <name> is not a registered class and cannot be read.".
void reportUnreadableType(const std::string& typeName);

VAEL_TYPE_NAME(SuperString, "SuperString");

} // namespace vael
