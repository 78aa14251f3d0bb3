#pragma once
// The head every archive file begins with: a title of 128 bytes, the count of groups and the count of
// records, each group record 138 bytes. The image archives and the walking-animation archive read it
// alike and refuse a file on the same grounds before anything is made for it.
#include <cstdint>
#include <istream>

#include "framework/display/byte_reader.h"

namespace vael {

struct ArchiveHead {
    static constexpr int TitleSize = 128;
    static constexpr int GroupRecordSize = 138;

    std::streamoff length = 0; // of the whole file
    std::int16_t groupCount = 0;
    std::int16_t recordCount = 0;

    // Reads the head from the start of the file and leaves the file after it; answers why the file is to
    // be refused (the head is cut off, or a count is negative or more than the file could hold with
    // records of recordSize bytes), or null when it may be read on.
    const char* read(std::istream& file, std::int64_t recordSize) {
        file.seekg(0, std::ios::end);
        length = file.tellg();
        file.seekg(0);
        std::uint8_t head[TitleSize + 4];
        if (length < 0 || !readBytes(file, head, sizeof head)) return "no archive header";
        ByteReader in(head, head + sizeof head);
        in.take(TitleSize);
        groupCount = in.i16();
        recordCount = in.i16();
        // Counts are held against what the file could hold before anything is made for them.
        if (groupCount < 0 || recordCount < 0 || groupCount * std::int64_t{GroupRecordSize} > length ||
            recordCount * recordSize > length)
            return "bad counts";
        return nullptr;
    }
};

} // namespace vael
