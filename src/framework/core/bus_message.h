#pragma once
// The event word: a signed 28-bit event id in the low bits and the dispatch mode in the top four. Two
// words are the same event when their ids are equal, whatever their modes.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

class BusMessage {
public:
    // Dispatch modes kept in the top four bits; the words callers pass carry none.
    static constexpr std::uint8_t NoMode = 0;
    static constexpr std::uint8_t Immediate = 1;
    static constexpr std::uint8_t Query = 2;
    static constexpr std::uint8_t Send = 3;

    constexpr BusMessage() = default;
    // A bare id (mode 0) converts implicitly, so that ids and words mix freely in calls and comparisons.
    constexpr BusMessage(std::int32_t id, std::uint8_t mode = NoMode)
        : word_((static_cast<std::uint32_t>(id) & idMask) | (static_cast<std::uint32_t>(mode & 0xF) << 28)) {}

    // The whole 32-bit word, as it is kept in tables and passed to handlers.
    static constexpr BusMessage fromWord(std::uint32_t word) {
        BusMessage m;
        m.word_ = word;
        return m;
    }
    constexpr std::uint32_t word() const { return word_; }

    // The id, sign-extended from 28 bits.
    constexpr std::int32_t id() const { return static_cast<std::int32_t>(word_ << 4) >> 4; }
    constexpr std::uint8_t mode() const { return static_cast<std::uint8_t>(word_ >> 28); }

    constexpr void setId(std::int32_t id) {
        word_ = (word_ & ~idMask) | (static_cast<std::uint32_t>(id) & idMask);
    }
    constexpr void setMode(std::uint8_t mode) {
        word_ = (word_ & idMask) | (static_cast<std::uint32_t>(mode & 0xF) << 28);
    }
    constexpr BusMessage withMode(std::uint8_t mode) const { return BusMessage(id(), mode); }

    constexpr bool operator==(const BusMessage& o) const { return id() == o.id(); }
    constexpr bool operator!=(const BusMessage& o) const { return !(*this == o); }

private:
    static constexpr std::uint32_t idMask = 0x0FFFFFFFu;
    std::uint32_t word_ = 0;
};

VAEL_TYPE_NAME(BusMessage, "BusMessage");

} // namespace vael
