#include "game/ai/ai_program.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "framework/core/read_file.h"

namespace vael {

bool AIProgram::setWord(std::int32_t index, std::int32_t value) {
    if (index < 0 || index >= maxCodeWords) return false;
    const auto i = static_cast<std::size_t>(index);
    if (i >= code_.size()) code_.resize((i / codeStep + 1) * codeStep, 0);
    code_[i] = value;
    ++revision_;
    return true;
}

void AIProgram::clearTables() {
    orders_.clear();
    exceptions_.clear();
}

bool AIProgram::find(const std::vector<ORDERS_INFO>& list, const std::string& group, std::int32_t& entry) {
    for (const ORDERS_INFO& info : list)
        if (info.name == group) {
            entry = info.entry;
            return true;
        }
    return false;
}

namespace {

void putWord(std::vector<std::uint8_t>& bytes, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(u >> shift));
}

void putRecords(std::vector<std::uint8_t>& bytes, const std::vector<ORDERS_INFO>& list) {
    putWord(bytes, static_cast<std::int32_t>(list.size()));
    for (const ORDERS_INFO& info : list) {
        // The length is one byte; names are words of the script, which the scanner keeps under 256.
        const std::size_t length = std::min<std::size_t>(info.name.size(), 255);
        bytes.push_back(static_cast<std::uint8_t>(length));
        bytes.insert(bytes.end(), info.name.begin(), info.name.begin() + static_cast<long>(length));
        bytes.push_back(0);
        putWord(bytes, info.entry);
    }
}

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool word(std::int32_t& out) {
        if (size_ - position_ < 4) return false;
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= std::uint32_t(data_[position_ + i]) << (8 * i);
        position_ += 4;
        out = static_cast<std::int32_t>(u);
        return true;
    }
    bool byte(std::uint8_t& out) {
        if (position_ >= size_) return false;
        out = data_[position_++];
        return true;
    }
    bool text(std::size_t length, std::string& out) {
        if (size_ - position_ < length) return false;
        out = std::string(reinterpret_cast<const char*>(data_ + position_), length);
        position_ += length;
        return true;
    }
    std::size_t left() const { return size_ - position_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Records are appended as they are read; a count that the bytes cannot hold stops at the first record
// that is not there, so a hostile count costs no more than the file's length.
bool readRecords(ByteReader& in, std::vector<ORDERS_INFO>& list) {
    std::int32_t count = 0;
    if (!in.word(count) || count < 0) return false;
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t length = 0;
        ORDERS_INFO info;
        std::string terminator;
        if (!in.byte(length) || !in.text(length, info.name) || !in.text(1, terminator) ||
            !in.word(info.entry))
            return false;
        // The name ends at its first zero, as the text it was written from did.
        info.name.resize(info.name.find('\0') == std::string::npos ? info.name.size() : info.name.find('\0'));
        list.push_back(std::move(info));
    }
    return true;
}

} // namespace

std::vector<std::uint8_t> AIProgram::fileBytes() const {
    std::vector<std::uint8_t> bytes;
    putWord(bytes, conditionsEntry_);
    putWord(bytes, exceptionsEntry_);
    putRecords(bytes, exceptions_);
    putRecords(bytes, orders_);
    for (std::int32_t w : code_)
        putWord(bytes, w);
    return bytes;
}

std::int32_t AIProgram::save(const std::string& fileName) const {
    if (!compiled_) return 0;
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file) return 0;
    const std::vector<std::uint8_t> bytes = fileBytes();
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? 1 : 0;
}

std::int32_t AIProgram::read(const std::uint8_t* data, std::size_t size) {
    compiled_ = 0;
    ByteReader in(data, size);
    if (!in.word(conditionsEntry_) || !in.word(exceptionsEntry_)) return 0;
    if (!readRecords(in, exceptions_) || !readRecords(in, orders_)) return 0;
    // The code runs to the end of the file in whole words and fits the code array; anything else is a
    // damaged file, and a damaged program is never run.
    if (in.left() % 4 != 0 || in.left() / 4 > static_cast<std::size_t>(maxCodeWords)) return 0;
    std::int32_t w = 0;
    for (std::int32_t index = 0; in.word(w); ++index)
        setWord(index, w);
    compiled_ = 1;
    return compiled_;
}

std::int32_t AIProgram::load(const std::string& fileName) {
    compiled_ = 0;
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readFileBytes(fileName, bytes, error, file_limits::Text)) return 0;
    static const std::uint8_t none = 0;
    return read(bytes.empty() ? &none : bytes.data(), bytes.size());
}

} // namespace vael
