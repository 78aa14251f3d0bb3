#pragma once
// The one global trace stream. It writes to a file that is emptied when it is opened; a window hook sees
// every flushed block (and shows nothing). With no file open the stream is kept failed, so that the many
// trace lines of a battle nobody reads are never formatted.
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace vael {

class DebugStreamWindow {
public:
    void open(const char* name);
    // Copies the text with a carriage return before every line feed; the copy is kept only so that it
    // can be inspected.
    void write(const char* text, std::size_t length);
    const std::string& lastCopy() const { return lastCopy_; }
    std::size_t lastLength() const { return lastLength_; }

private:
    std::string lastCopy_;
    std::size_t lastLength_ = 0;
};

class DebugStreamBuffer : public std::filebuf {
public:
    // Closes the current file and opens the named one, emptied; a null name writes to the null device.
    // Null when the named one cannot be written or is not a regular file (openError() says why); the
    // stream then writes nothing.
    DebugStreamBuffer* open(const char* name);
    const std::string& openError() const { return openError_; }
    DebugStreamWindow& window() { return window_; }
    // Whether a file takes the text.
    bool writesToFile() const { return !discarding_ && is_open(); }

protected:
    int sync() override;
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char_type* text, std::streamsize count) override;

private:
    // A write to the file failed (a full disk, a limit on the file's size): the trace stops there, and the
    // player hears of it once, on standard error, rather than finding a trace that ends for no reason.
    void noteCut(int code);
    DebugStreamWindow window_;
    std::string name_;
    bool cut_ = false;
    friend class DebugStream;
    // No file was named: the text goes to the window only, and no line costs a write to the null device.
    bool discarding_ = false;
    // The stream that is kept failed while no file takes the text (none for a buffer of its own).
    std::ostream* owner_ = nullptr;
    std::string openError_;
};

class DebugStream : public std::ostream {
public:
    DebugStream();
    DebugStreamBuffer* rdbuf() { return &buffer_; }
    // Whether a trace file is open: a caller whose line costs work of its own before the stream sees it
    // (a name copied, a text built) asks first.
    bool tracing() const { return buffer_.writesToFile(); }

private:
    DebugStreamBuffer buffer_;
};

// The global stream; until the program entry opens it, what is written to it is discarded.
DebugStream& debugStream();

// Where the program keeps its state: $XDG_STATE_HOME/vael, else ~/.local/state/vael (created on demand).
std::filesystem::path stateDirectory();

// The file the trace goes to: the program's option when given (non-null and not empty), else the
// environment's VAEL_TRACE when set and not empty, else "VaelDebugStream" in the state directory.
std::filesystem::path traceFilePath(const char* option);

} // namespace vael
