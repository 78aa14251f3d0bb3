#include "framework/core/super_string.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/core/message_box.h"
#include "framework/core/registered_message.h"

namespace vael {

SuperString::SuperString(std::int32_t sizeCap) : sizeCap_(sizeCap) {
    first_ = last_ = new Chunk();
}

SuperString::SuperString(const std::string& text) : SuperString(0) {
    if (!write(text.data(), static_cast<std::int32_t>(text.size()))) throw std::bad_alloc();
}

SuperString::SuperString(const SuperString& other) : SuperString(0) {
    for (const Chunk* c = other.first_; c; c = c->next)
        if (c->length && !write(c->data, c->length)) throw std::bad_alloc();
    sizeCap_ = other.sizeCap_; // after the copy, so that it cannot drop anything the source still holds
    readPosition_ = other.readPosition_;
    failed_ = other.failed_;
    newNames_ = other.newNames_;
}

SuperString& SuperString::operator=(const SuperString& other) {
    if (this == &other) return *this;
    SuperString copy(other);
    // Take over the copy's chain and leave it ours to delete.
    std::swap(first_, copy.first_);
    std::swap(last_, copy.last_);
    length_ = copy.length_;
    sizeCap_ = copy.sizeCap_;
    readPosition_ = copy.readPosition_;
    failed_ = copy.failed_;
    newNames_ = copy.newNames_;
    cursor_ = copy.cursor_ = nullptr;
    return *this;
}

SuperString::~SuperString() {
    deleteChunks();
}

void SuperString::deleteChunks() {
    Chunk* c = first_;
    while (c) {
        Chunk* next = c->next;
        delete c;
        c = next;
    }
    first_ = last_ = cursor_ = nullptr;
}

std::int16_t SuperString::addChunk() {
    if (sizeCap_ > 0 && length_ > sizeCap_) dropFirstChunk();
    Chunk* c = new (std::nothrow) Chunk();
    if (!c) return 0;
    c->prev = last_;
    last_->next = c;
    last_ = c;
    return 1;
}

void SuperString::dropFirstChunk() {
    Chunk* old = first_;
    const std::int32_t dropped = old->length;
    if (!old->next) {
        // The only chunk: empty it rather than leave the buffer without one.
        old->length = 0;
        old->data[0] = 0;
    } else {
        first_ = old->next;
        first_->prev = nullptr;
        delete old;
    }
    length_ -= dropped;
    // Positions count from the front, so they move back with it.
    readPosition_ = std::max(0, readPosition_ - dropped);
    cursor_ = nullptr;
}

std::int16_t SuperString::write(const void* data, std::int32_t count) {
    const char* bytes = static_cast<const char*>(data);
    if (!bytes) return count == 0;
    if (count == 0) count = static_cast<std::int32_t>(std::strlen(bytes));
    if (count < 0) return 0;
    for (std::int32_t i = 0; i < count;) {
        if (last_->length == Chunk::Capacity && !addChunk()) return 0;
        const std::int32_t n = std::min(count - i, Chunk::Capacity - last_->length);
        std::memcpy(last_->data + last_->length, bytes + i, static_cast<std::size_t>(n));
        last_->length += n;
        last_->data[last_->length] = 0;
        length_ += n;
        i += n;
    }
    return 1;
}

const Chunk* SuperString::chunkAt(std::int32_t offset, std::int32_t& start) const {
    const Chunk* c = first_;
    std::int32_t at = 0;
    if (cursor_ && cursorStart_ <= offset) {
        c = cursor_;
        at = cursorStart_;
    }
    while (c && offset >= at + c->length) {
        at += c->length;
        c = c->next;
    }
    start = at;
    return c;
}

std::int32_t SuperString::peek(void* out, std::int32_t offset, std::int32_t count) const {
    if (offset < 0 || count <= 0 || offset >= length_) return 0;
    char* dst = static_cast<char*>(out);
    std::int32_t start = 0;
    const Chunk* c = chunkAt(offset, start);
    std::int32_t copied = 0;
    std::int32_t within = offset - start;
    while (c && copied < count) {
        const std::int32_t n = std::min(count - copied, c->length - within);
        if (n > 0) {
            std::memcpy(dst + copied, c->data + within, static_cast<std::size_t>(n));
            copied += n;
        }
        if (copied < count) {
            start += c->length;
            c = c->next;
            within = 0;
        }
    }
    if (c) {
        cursor_ = const_cast<Chunk*>(c);
        cursorStart_ = start;
    }
    return copied;
}

std::int32_t SuperString::read(void* out, std::int32_t count) {
    if (count <= 0) return 0;
    const std::int32_t copied = peek(out, readPosition_, count);
    if (copied < count) {
        std::memset(static_cast<char*>(out) + copied, 0, static_cast<std::size_t>(count - copied));
        failed_ = true;
        readPosition_ = std::max(readPosition_, length_);
    } else {
        readPosition_ += copied;
    }
    return copied;
}

void SuperString::setReadPosition(std::int32_t offset) {
    readPosition_ = std::max(0, offset);
}

void SuperString::clear() {
    deleteChunks();
    first_ = last_ = new Chunk();
    length_ = 0;
    readPosition_ = 0;
    failed_ = false;
    objectDepth_ = 0;
    newNames_ = 0;
}

bool SuperString::admitNewName() {
    if (newNames_ >= MaxNewNames) return false;
    ++newNames_;
    return true;
}

std::int32_t SuperString::find(char byte) const {
    std::int32_t at = 0;
    for (const Chunk* c = first_; c; c = c->next) {
        if (const void* hit = std::memchr(c->data, byte, static_cast<std::size_t>(c->length)))
            return at + static_cast<std::int32_t>(static_cast<const char*>(hit) - c->data);
        at += c->length;
    }
    return -1;
}

namespace {

// Case is folded for ASCII letters only, so that the answer never depends on the locale.
unsigned char upperAscii(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Whether the n upper-cased bytes of pattern follow byte `at` of chunk c, the match running on into the
// next chunks where it must.
bool matchesAt(const Chunk* c, std::int32_t at, const unsigned char* pattern, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k, ++at) {
        while (at >= c->length) {
            at = 0;
            c = c->next;
            if (!c) return false;
        }
        if (upperAscii(static_cast<unsigned char>(c->data[at])) != pattern[k]) return false;
    }
    return true;
}

} // namespace

std::int32_t SuperString::find(const char* text) const {
    const std::size_t n = std::strlen(text);
    if (n > 40) return -2;
    if (n == 0) return 0;
    // Compared where the bytes lie, so that a search costs no copy and no allocation: a receive buffer is
    // searched every time text arrives.
    unsigned char pattern[40];
    for (std::size_t k = 0; k < n; ++k)
        pattern[k] = upperAscii(static_cast<unsigned char>(text[k]));
    std::int32_t start = 0;
    for (const Chunk* c = first_; c; start += c->length, c = c->next)
        for (std::int32_t i = 0; i < c->length; ++i)
            if (upperAscii(static_cast<unsigned char>(c->data[i])) == pattern[0] &&
                matchesAt(c, i, pattern, n))
                return start + i;
    return -1;
}

std::int32_t SuperString::extract(std::string& out, char delimiter) {
    out.clear();
    const std::int32_t at = find(delimiter);
    if (at < 0) return -1;
    out.reserve(static_cast<std::size_t>(at));
    std::int32_t left = at;
    // Whole chunks before the delimiter go out and are deleted.
    while (left >= first_->length) {
        out.append(first_->data, static_cast<std::size_t>(first_->length));
        left -= first_->length;
        Chunk* old = first_;
        first_ = old->next;
        first_->prev = nullptr;
        delete old;
    }
    // The chunk holding the delimiter keeps what follows it.
    out.append(first_->data, static_cast<std::size_t>(left));
    const std::int32_t rest = first_->length - left - 1;
    std::memmove(first_->data, first_->data + left + 1, static_cast<std::size_t>(rest));
    first_->length = rest;
    first_->data[rest] = 0;
    if (rest == 0 && first_->next) {
        Chunk* old = first_;
        first_ = old->next;
        first_->prev = nullptr;
        delete old;
    }
    length_ -= at + 1;
    readPosition_ = std::max(0, readPosition_ - (at + 1));
    cursor_ = nullptr;
    return at;
}

std::int32_t SuperString::chunkCount() const {
    std::int32_t n = 0;
    for (const Chunk* c = first_; c; c = c->next)
        ++n;
    return n;
}

std::string SuperString::str() const {
    std::string out;
    out.reserve(static_cast<std::size_t>(length_));
    for (const Chunk* c = first_; c; c = c->next)
        out.append(c->data, static_cast<std::size_t>(c->length));
    return out;
}

bool SuperString::operator==(const SuperString& other) const {
    return str() == other.str();
}

// ---- value encodings ----

namespace {

template <class U> void putLittleEndian(SuperString& s, U v, int bytes) {
    unsigned char buf[8];
    for (int i = 0; i < bytes; ++i)
        buf[i] = static_cast<unsigned char>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xFF);
    s.write(buf, bytes);
}

std::uint64_t getLittleEndian(SuperString& s, int bytes) {
    unsigned char buf[8] = {};
    s.read(buf, bytes);
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint64_t>(buf[i]) << (8 * i);
    return v;
}

} // namespace

SuperString& operator<<(SuperString& s, char v) {
    putLittleEndian(s, static_cast<unsigned char>(v), 1);
    return s;
}
SuperString& operator<<(SuperString& s, signed char v) {
    putLittleEndian(s, static_cast<unsigned char>(v), 1);
    return s;
}
SuperString& operator<<(SuperString& s, unsigned char v) {
    putLittleEndian(s, v, 1);
    return s;
}
SuperString& operator<<(SuperString& s, short v) {
    putLittleEndian(s, static_cast<std::uint16_t>(v), 2);
    return s;
}
SuperString& operator<<(SuperString& s, unsigned short v) {
    putLittleEndian(s, v, 2);
    return s;
}
SuperString& operator<<(SuperString& s, int v) {
    putLittleEndian(s, static_cast<std::uint32_t>(v), 4);
    return s;
}
SuperString& operator<<(SuperString& s, unsigned int v) {
    putLittleEndian(s, v, 4);
    return s;
}
SuperString& operator<<(SuperString& s, long v) {
    putLittleEndian(s, static_cast<std::uint32_t>(v), 4);
    return s;
}
SuperString& operator<<(SuperString& s, unsigned long v) {
    putLittleEndian(s, static_cast<std::uint32_t>(v), 4);
    return s;
}
SuperString& operator<<(SuperString& s, long long v) {
    putLittleEndian(s, static_cast<std::uint64_t>(v), 8);
    return s;
}
SuperString& operator<<(SuperString& s, unsigned long long v) {
    putLittleEndian(s, v, 8);
    return s;
}
SuperString& operator<<(SuperString& s, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    putLittleEndian(s, bits, 8);
    return s;
}

SuperString& operator<<(SuperString& s, const std::string& v) {
    std::size_t n = v.size();
    if (n > 32767) {
        n = 32767;
        s.setFailed();
    }
    s << static_cast<short>(n);
    if (n) s.write(v.data(), static_cast<std::int32_t>(n));
    return s;
}
SuperString& operator<<(SuperString& s, const char* v) {
    return s << std::string(v ? v : "");
}
SuperString& operator<<(SuperString& s, const SuperString& v) {
    return s << v.str();
}

SuperString& operator<<(SuperString& s, const BusMessage& v) {
    s << static_cast<int>(v.id());
    s << static_cast<int>(static_cast<std::int32_t>(v.word()) >> 28);
    return s;
}

SuperString& operator<<(SuperString& s, DIRECTION v) {
    return s << static_cast<short>(v);
}

SuperString& operator>>(SuperString& s, char& v) {
    v = static_cast<char>(getLittleEndian(s, 1));
    return s;
}
SuperString& operator>>(SuperString& s, signed char& v) {
    v = static_cast<signed char>(getLittleEndian(s, 1));
    return s;
}
SuperString& operator>>(SuperString& s, unsigned char& v) {
    v = static_cast<unsigned char>(getLittleEndian(s, 1));
    return s;
}
SuperString& operator>>(SuperString& s, short& v) {
    v = static_cast<short>(getLittleEndian(s, 2));
    return s;
}
SuperString& operator>>(SuperString& s, unsigned short& v) {
    v = static_cast<unsigned short>(getLittleEndian(s, 2));
    return s;
}
SuperString& operator>>(SuperString& s, int& v) {
    v = static_cast<std::int32_t>(getLittleEndian(s, 4));
    return s;
}
SuperString& operator>>(SuperString& s, unsigned int& v) {
    v = static_cast<std::uint32_t>(getLittleEndian(s, 4));
    return s;
}
SuperString& operator>>(SuperString& s, long& v) {
    v = static_cast<std::int32_t>(getLittleEndian(s, 4));
    return s;
}
SuperString& operator>>(SuperString& s, unsigned long& v) {
    v = static_cast<std::uint32_t>(getLittleEndian(s, 4));
    return s;
}
SuperString& operator>>(SuperString& s, long long& v) {
    v = static_cast<long long>(getLittleEndian(s, 8));
    return s;
}
SuperString& operator>>(SuperString& s, unsigned long long& v) {
    v = getLittleEndian(s, 8);
    return s;
}
SuperString& operator>>(SuperString& s, double& v) {
    const std::uint64_t bits = getLittleEndian(s, 8);
    std::memcpy(&v, &bits, sizeof v);
    return s;
}

SuperString& operator>>(SuperString& s, std::string& v) {
    short n = 0;
    s >> n;
    v.clear();
    if (n < 0) {
        s.setFailed();
        return s;
    }
    if (n == 0) return s;
    // Never more than the stream holds: a corrupt length must not make us allocate what is not there.
    std::string bytes(static_cast<std::size_t>(std::min<std::int32_t>(n, s.remaining())), '\0');
    if (!bytes.empty()) s.read(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    if (static_cast<std::int32_t>(bytes.size()) < n) {
        s.setFailed();
        s.setReadPosition(s.length());
    }
    v.assign(bytes.c_str());
    return s;
}

SuperString& operator>>(SuperString& s, SuperString& v) {
    std::string text;
    s >> text;
    v.clear();
    v.write(text.data(), static_cast<std::int32_t>(text.size()));
    return s;
}

SuperString& operator>>(SuperString& s, BusMessage& v) {
    int id = 0, mode = 0;
    s >> id >> mode;
    v = BusMessage(id, static_cast<std::uint8_t>(mode & 0xF));
    return s;
}

SuperString& operator>>(SuperString& s, DIRECTION& v) {
    short d = 0;
    s >> d;
    v = static_cast<DIRECTION>(d);
    return s;
}

void writeEventByName(SuperString& s, const BusMessage& event) {
    // Names belong to 16-bit ids only: a negative or wider id must not travel under the name of its low
    // 16 bits, which the reader would turn into another message.
    const std::int32_t id = event.id();
    const std::string name =
        id >= 0 && id <= 0xFFFF ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(id)) : std::string();
    s << static_cast<unsigned int>(name.size());
    if (name.empty()) {
        s << event;
        return;
    }
    s.write(name.data(), static_cast<std::int32_t>(name.size()));
    s << static_cast<short>(static_cast<std::int32_t>(event.word()) >> 28);
}

void readEventByName(SuperString& s, BusMessage& event) {
    unsigned int length = 0;
    s >> length;
    if (length == 0) {
        s >> event;
        return;
    }
    if (s.failed() || length > static_cast<unsigned int>(s.remaining())) {
        // A name longer than what is left cannot be right; do not register a fragment of it.
        s.setFailed();
        s.setReadPosition(s.length());
        event = BusMessage();
        return;
    }
    std::string name(length, '\0');
    s.read(name.data(), static_cast<std::int32_t>(length));
    short mode = 0;
    s >> mode;
    event = BusMessage();
    if (s.failed()) return;
    // A name stays registered even when a later part of the same record fails to read: the id may already
    // be held by a value read before the failure, and ids are never handed out twice. What a failed stream
    // can leave behind is bounded by MaxNewNames.
    std::uint16_t id = 0;
    if (!RegisteredMessage::lookUp(name, id)) {
        if (!s.admitNewName() || (id = RegisteredMessage::getId(name)) == 0) {
            s.setFailed();
            s.setReadPosition(s.length());
            return;
        }
    }
    event = BusMessage(id, static_cast<std::uint8_t>(mode & 0xF));
}

void reportUnregisteredType(const std::string& typeName) {
    messageBox("Error: " + typeName + " is not a registered class and cannot be sent to a remote machine.",
               "Error", MessageBoxOk | MessageBoxIconInformation);
}

void reportUnreadableType(const std::string& typeName) {
    messageBox("Error: " + typeName + " is not a registered class and cannot be read.", "Error",
               MessageBoxOk | MessageBoxIconInformation);
}

} // namespace vael
