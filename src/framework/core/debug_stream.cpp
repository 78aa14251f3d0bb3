#include "framework/core/debug_stream.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/read_file.h"

namespace vael {

void DebugStreamWindow::open(const char*) {}

void DebugStreamWindow::write(const char* text, std::size_t length) {
    // Written over the last copy, whose room is kept: every traced line comes through here.
    // Copied a line at a time rather than a character at a time.
    lastCopy_.clear();
    lastCopy_.reserve(length + length / 8);
    const char* at = text;
    const char* const end = text + length;
    while (at < end) {
        const auto* feed =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        if (!feed) {
            lastCopy_.append(at, end);
            break;
        }
        lastCopy_.append(at, feed);
        lastCopy_ += "\r\n";
        at = feed + 1;
    }
    lastLength_ = length;
}

DebugStreamBuffer* DebugStreamBuffer::open(const char* name) {
    if (is_open()) close();
    openError_.clear();
    // A trace goes to a regular file only: the standard file buffer would wait for ever on a FIFO nobody
    // reads, before the program has shown anything.
    if (name && !checkWritableFile(name, openError_)) name = nullptr;
    // Every run starts with an empty file. (The standard file buffer refuses append together with truncate;
    // truncating and then writing from the start gives the same file.)
    std::filebuf* result =
        openError_.empty() ? std::filebuf::open(name ? name : "/dev/null", std::ios::out | std::ios::trunc)
                           : nullptr;
    if (!result && name && openError_.empty())
        openError_ = "cannot write " + std::string(name) + ": " + std::strerror(errno);
    discarding_ = name == nullptr;
    name_ = name ? name : "";
    cut_ = false;
    window_.open(name);
    // A failed stream formats nothing: what it would write would reach no file.
    if (owner_) owner_->clear(writesToFile() ? std::ios::goodbit : std::ios::badbit);
    return result ? this : nullptr;
}

int DebugStreamBuffer::sync() {
    if (pbase() && pptr() > pbase()) window_.write(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    if (discarding_ && pbase()) {
        // What the window has seen is dropped instead of written to the null device.
        setp(pbase(), epptr());
        return 0;
    }
    const int result = std::filebuf::sync();
    if (result != 0) noteCut(errno);
    return result;
}

DebugStreamBuffer::int_type DebugStreamBuffer::overflow(int_type c) {
    const int_type result = std::filebuf::overflow(c);
    if (traits_type::eq_int_type(result, traits_type::eof()) && is_open()) noteCut(errno);
    return result;
}

std::streamsize DebugStreamBuffer::xsputn(const char_type* text, std::streamsize count) {
    const std::streamsize written = std::filebuf::xsputn(text, count);
    if (written < count && is_open()) noteCut(errno);
    return written;
}

void DebugStreamBuffer::noteCut(int code) {
    if (cut_ || discarding_) return;
    cut_ = true;
    std::fprintf(stderr, "%s: the trace %s is cut short: %s; nothing more is written to it\n",
                 program_invocation_short_name, name_.c_str(), code ? std::strerror(code) : "a write failed");
}

DebugStream::DebugStream() : std::ostream(nullptr) {
    init(&buffer_);
    buffer_.owner_ = this;
    buffer_.open(nullptr);
}

DebugStream& debugStream() {
    static DebugStream stream;
    return stream;
}

std::filesystem::path stateDirectory() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        base = std::filesystem::temp_directory_path();
    std::filesystem::path dir = base / "vael";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

} // namespace vael

namespace vael {

std::filesystem::path traceFilePath(const char* option) {
    if (option && *option) return option;
    if (const char* env = std::getenv("VAEL_TRACE"); env && *env) return env;
    return stateDirectory() / "VaelDebugStream";
}

} // namespace vael
