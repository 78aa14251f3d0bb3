#pragma once
// The name of one image of a game sprite: the image group and the picture's index in it. Sprites keep
// names rather than images so that one name finds the picture of every zoom level, and so that a saved
// game can name what a sprite showed.
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "framework/core/type_name.h"

namespace vael {

class SuperString;

struct FrameInfo {
    FrameInfo() = default;
    FrameInfo(std::string name, std::int16_t index) : name(std::move(name)), index(index) {}

    bool operator==(const FrameInfo& other) const { return name == other.name && index == other.index; }
    bool operator!=(const FrameInfo& other) const { return !(*this == other); }
    bool isNone() const { return index == -1; }

    // On a saved game's raw bytes: u16 length, the characters without terminator, u16 index. read answers
    // false, and leaves the name as it was, when the bytes run short.
    void write(std::ostream& stream) const;
    bool read(std::istream& stream);

    std::string name; // empty stands for no name
    std::int16_t index = -1;
};

// The same form on framework streams.
SuperString& operator<<(SuperString& s, const FrameInfo& v);
SuperString& operator>>(SuperString& s, FrameInfo& v);

VAEL_TYPE_NAME(FrameInfo, "FrameInfo");

} // namespace vael
