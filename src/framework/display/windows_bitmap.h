#pragma once
// A picture read whole from an image archive to be shown as it is in a window (dialog and window
// backgrounds): no pixel kinds, no drawing of its own, its rows kept top-down and ready to present.
#include <cstdint>
#include <istream>
#include <memory>
#include <string>

#include "framework/core/geometry.h"
#include "platform/platform.h"

namespace vael {

class WindowsBitmap {
public:
    // The image record at the file's position (the path is not kept); the file is left at the next record.
    WindowsBitmap(const std::string& path, std::istream& file);
    WindowsBitmap(const WindowsBitmap&) = delete;
    WindowsBitmap& operator=(const WindowsBitmap&) = delete;
    virtual ~WindowsBitmap();

    // The pixels stay in memory: there is nothing to lock.
    void lock() {}
    void unlock() {}
    void unlockAll() {}

    Dim size() const { return size_; }
    const std::string& name() const { return name_; }
    std::uint32_t dataSize() const { return dataSize_; }
    // The pixels as a picture to present; without pixels when the record was damaged.
    platform::Surface surface() const;
    bool isValid() const { return valid_; }
    static std::int32_t liveCount() { return live_; }

private:
    std::string name_;
    Dim size_;
    std::uint32_t dataSize_ = 0;
    std::unique_ptr<std::uint8_t[]> pixels_;
    bool valid_ = true;
    static inline std::int32_t live_ = 0;
};

} // namespace vael
