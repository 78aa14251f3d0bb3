#include "framework/display/windows_bitmap.h"

#include "framework/core/debug_stream.h"
#include "framework/display/bitmap.h"
#include "framework/display/byte_reader.h"

namespace vael {

WindowsBitmap::WindowsBitmap(const std::string& path, std::istream& file) {
    ++live_;
    std::uint8_t header[Bitmap::HeaderSize];
    if (!readBytes(file, header, sizeof header)) {
        valid_ = false;
        return;
    }
    ByteReader in(header, header + sizeof header);
    name_ = in.text(128);
    size_.w = in.i16();
    size_.h = in.i16();
    in.take(6); // hot spot and kind mean nothing here
    dataSize_ = in.u32();
    in.u32();
    const std::uint32_t next = in.u32();
    const std::int64_t stride = size_.w + Bitmap::paddingFor(size_.w);
    // The rows are read as they are stored: the record must hold them all.
    if (size_.w < 0 || size_.h < 0 || dataSize_ < stride * size_.h) {
        debugStream() << "Bad window image record \"" << name_ << "\" in " << path << std::endl;
        size_ = Dim();
        valid_ = false;
        return;
    }
    if (size_.w > 0 && size_.h > 0) {
        const std::streamoff at = file.tellg();
        file.seekg(0, std::ios::end);
        const std::streamoff length = file.tellg();
        file.seekg(at);
        if (at < 0 || length - at < static_cast<std::streamoff>(dataSize_)) {
            debugStream() << "The pixels of window image \"" << name_ << "\" lie past the end of " << path
                          << std::endl;
            size_ = Dim();
            valid_ = false;
            return;
        }
        pixels_ = std::make_unique<std::uint8_t[]>(dataSize_);
        if (!readBytes(file, pixels_.get(), dataSize_)) {
            pixels_.reset();
            size_ = Dim();
            valid_ = false;
            return;
        }
    }
    if (next != 0) file.seekg(next);
}

WindowsBitmap::~WindowsBitmap() {
    --live_;
}

platform::Surface WindowsBitmap::surface() const {
    if (!pixels_) return platform::Surface{};
    return platform::Surface{pixels_.get(), size_.w, size_.h, size_.w + Bitmap::paddingFor(size_.w)};
}

} // namespace vael
