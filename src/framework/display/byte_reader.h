#pragma once
// Little-endian fields of the display's files, read from memory or from an open file. A read past the
// end fails the reader and answers zeros, so that a damaged file is noticed once, at the end of a record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>
#include <string>

namespace vael {

class ByteReader {
public:
    ByteReader(const std::uint8_t* at, const std::uint8_t* end) : at_(at), end_(end) {}

    bool ok() const { return ok_; }
    const std::uint8_t* position() const { return at_; }
    std::size_t remaining() const { return static_cast<std::size_t>(end_ - at_); }

    const std::uint8_t* take(std::size_t n) {
        if (!ok_ || remaining() < n) {
            ok_ = false;
            at_ = end_;
            return nullptr;
        }
        const std::uint8_t* p = at_;
        at_ += n;
        return p;
    }
    std::uint16_t u16() {
        const std::uint8_t* p = take(2);
        return p ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : 0;
    }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() {
        const std::uint8_t* p = take(4);
        return p ? static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16 |
                                              static_cast<std::uint32_t>(p[3]) << 24)
                 : 0;
    }
    // A fixed-size text field: its characters up to the first NUL, or the whole field when it has none.
    std::string text(std::size_t field) {
        const std::uint8_t* p = take(field);
        if (!p) return std::string();
        const void* nul = std::memchr(p, 0, field);
        const std::size_t length =
            nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - p) : field;
        return std::string(reinterpret_cast<const char*>(p), length);
    }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
    bool ok_ = true;
};

// Reads n bytes of the file into buffer; false when the file ends first.
inline bool readBytes(std::istream& file, void* buffer, std::size_t n) {
    file.read(static_cast<char*>(buffer), static_cast<std::streamsize>(n));
    return file && static_cast<std::size_t>(file.gcount()) == n;
}

} // namespace vael
