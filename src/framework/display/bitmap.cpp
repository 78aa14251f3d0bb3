#include "framework/display/bitmap.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/data_file_report.h"
#include "framework/core/debug_stream.h"
#include "framework/core/memory_manager.h"
#include "framework/display/byte_reader.h"
#include "framework/display/logical_palette.h"
#include "framework/display/run_length.h"
#include "platform/kept_files.h"

namespace vael {

namespace {
class OutOfMemory : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "Out of memory"; }
};

HeapPool bitmapPool() {
    static HeapPool pool = nullptr;
    if (!pool) pool = heapPoolCreate(0x8000);
    if (!pool) throw OutOfMemory();
    return pool;
}

std::uint8_t* poolBlock(std::uint32_t size) {
    auto* block = static_cast<std::uint8_t*>(heapPoolAlloc(bitmapPool(), size, MEM_ZEROINIT));
    if (!block) throw OutOfMemory();
    return block;
}

// Without an application palette the effects leave colours as they are rather than fail.
const std::uint8_t* identityTable() {
    static const LogicalPalette::Table table = [] {
        LogicalPalette::Table t{};
        for (int i = 0; i < LogicalPalette::Entries; ++i)
            t[i] = static_cast<std::uint8_t>(i);
        return t;
    }();
    return table.data();
}

const LogicalPalette* applicationPalette() {
    Application* app = Application::instance();
    return app ? app->getPalette() : nullptr;
}

const std::uint8_t* modeTable(const LogicalPalette* palette, std::int16_t mode) {
    if (!palette) return identityTable();
    switch (mode) {
    case DrawGrey:
        return palette->greyRemap();
    case DrawLight:
        return palette->lightRemap();
    case DrawDark:
        return palette->darkRemap();
    case DrawHalfLight:
        return palette->halfLightRemap();
    case DrawMixedLight:
        return palette->mixedLightRemap();
    default:
        return nullptr;
    }
}
} // namespace

Bitmap::Bitmap(const Dim& size, std::int32_t kind) : kind_(kind), size_(size) {
    padding_ = paddingFor(std::max<std::int32_t>(size.w, 0));
    allocatePixels();
    // Zero bytes are no run-length rows.
    drawable_ = !isRunLength(kind);
}

Bitmap::Bitmap(const Dim& size, std::int32_t kind, const std::uint8_t* bytes, std::uint32_t count)
    : kind_(kind), size_(size) {
    padding_ = paddingFor(std::max<std::int32_t>(size.w, 0));
    dataSize_ = count;
    if (!checkRecord() || count == 0) return;
    pixels_ = poolBlock(count);
    ownsPixels_ = true;
    std::memcpy(pixels_, bytes, count);
    drawable_ = !isRunLength(kind) || runLengthRowsValid(pixels_, count, size.w, size.h);
    if (isRunLength(kind) && drawable_) runs_ = readRunSpans(pixels_, 0, size.h, size.w);
}

Bitmap::Bitmap(const std::string& fileName, std::istream& file) : fileName_(fileName) {
    std::uint8_t header[HeaderSize];
    if (!readBytes(file, header, HeaderSize)) {
        valid_ = false;
        return;
    }
    ByteReader in(header, header + HeaderSize);
    readFields(in, 128);
    in.u32();
    const std::uint32_t next = in.u32();
    const std::streamoff at = file.tellg();
    pixelOffset_ = at >= 0 && at <= INT32_MAX ? static_cast<std::int32_t>(at) : -1;
    if (next != 0) file.seekg(next);
    checkRecord();
}

Bitmap::Bitmap(const std::string& fileName, const std::uint8_t*& cursor, const std::uint8_t* end)
    : fileName_(fileName) {
    ByteReader in(cursor, end);
    readFields(in, 24);
    const std::uint32_t offset = in.u32();
    cursor = in.position();
    pixelOffset_ = offset <= INT32_MAX ? static_cast<std::int32_t>(offset) : -1;
    if (!in.ok()) {
        valid_ = false;
        return;
    }
    checkRecord();
}

void Bitmap::readFields(ByteReader& in, std::size_t nameField) {
    name_ = in.text(nameField);
    size_.w = in.i16();
    size_.h = in.i16();
    hotSpot_.x = in.i16();
    hotSpot_.y = in.i16();
    kind_ = in.u16();
    dataSize_ = in.u32();
    padding_ = paddingFor(std::max<std::int32_t>(size_.w, 0));
}

Bitmap::~Bitmap() {
    releasePixels();
}

bool Bitmap::isRecordSound(const Dim& size, std::int32_t kind, std::uint32_t dataSize,
                           std::int32_t pixelOffset, bool archived) {
    if (size.w < 0 || size.h < 0) return false;
    if (archived && pixelOffset < 0) return false;
    if (isRunLength(kind)) return dataSize >= 2u * static_cast<std::uint32_t>(size.h);
    const std::int64_t rows = static_cast<std::int64_t>(size.w + paddingFor(size.w)) * size.h;
    if (kind >= PixelOpaque && kind <= PixelRunLengthShadow) return dataSize >= rows;
    return true;
}

bool Bitmap::checkRecord() {
    const bool sound = isRecordSound(size_, kind_, dataSize_, pixelOffset_, !fileName_.empty());
    if (!sound) {
        valid_ = false;
        debugStream() << "Bad image record \"" << name_ << "\" in " << fileName_ << std::endl;
    }
    return sound;
}

bool Bitmap::isCompactRecordSound(const std::string& fileName, const std::uint8_t*& cursor,
                                  const std::uint8_t* end) {
    ByteReader in(cursor, end);
    const std::uint8_t* nameField = in.take(24);
    Dim size;
    size.w = in.i16();
    size.h = in.i16();
    in.take(4); // the hot spot
    const std::int32_t kind = in.u16();
    const std::uint32_t dataSize = in.u32();
    const std::uint32_t offset = in.u32();
    cursor = in.position();
    if (!in.ok()) return false;
    const std::int32_t pixelOffset = offset <= INT32_MAX ? static_cast<std::int32_t>(offset) : -1;
    if (isRecordSound(size, kind, dataSize, pixelOffset, !fileName.empty())) return true;
    debugStream() << "Bad image record \"" << ByteReader(nameField, nameField + 24).text(24) << "\" in "
                  << fileName << std::endl;
    return false;
}

void Bitmap::allocatePixels() {
    // A negative side makes no image at all.
    dataSize_ = size_.w >= 0 && size_.h >= 0
                    ? static_cast<std::uint32_t>(stride()) * static_cast<std::uint32_t>(size_.h)
                    : 0;
    if (size_.w > 0 && size_.h > 0) {
        pixels_ = poolBlock(dataSize_);
        ownsPixels_ = true;
    }
}

void Bitmap::releasePixels() {
    if (ownsPixels_ && pixels_) heapFree(pixels_);
    pixels_ = nullptr;
    ownsPixels_ = false;
    loaded_ = false;
    runs_ = RunSpans();
}

void Bitmap::resize(const Dim& size) {
    releasePixels();
    size_ = size;
    padding_ = paddingFor(std::max<std::int32_t>(size.w, 0));
    allocatePixels();
    drawable_ = !isRunLength(kind_);
}

void Bitmap::lock() {
    if (!fileName_.empty() && !loaded_ && !loadFailed_ && valid_) loadPixels();
    ++lockCount_;
}

void Bitmap::unlock() {
    if (lockCount_ > 0) --lockCount_;
}

void Bitmap::unlockAll() {
    lockCount_ = 0;
}

void Bitmap::reportDamage(const std::string& what) const {
    // The pictures drawn from the archive are left out and the game plays on: the player hears of it as of
    // a data file the game does without, once for the file however many of its images fail.
    reportUnusableDataFile(fileName_, "is damaged: " + what, "what is drawn from it is left out");
}

void Bitmap::loadPixels() {
    using platform::KeptFiles;
    std::uint8_t* block = nullptr;
    // A directory is no file here. The block is taken only once the file is known to hold the pixels.
    const KeptFiles::Read read =
        pixelOffset_ < 0
            ? KeptFiles::Read::Failed
            : KeptFiles::shared().read(fileName_, static_cast<std::uint64_t>(pixelOffset_), dataSize_,
                                       [&]() -> void* { return block = poolBlock(dataSize_); });
    if (read != KeptFiles::Read::Done) {
        if (block) heapFree(block);
        loadFailed_ = true;
        if (read == KeptFiles::Read::Missing)
            Assertion::fail("Can't find " + fileName_, "bitmap.cpp", __LINE__);
        else if (read == KeptFiles::Read::NotAFile)
            // Told by what it is when the archive was first looked for, not again at each of its images.
            debugStream() << "The pixels of image \"" << name_ << "\" cannot be read: " << fileName_
                          << " is not a regular file" << std::endl;
        else if (read == KeptFiles::Read::Short)
            reportDamage("the pixels of image \"" + name_ + "\" lie past its end");
        else
            reportDamage("the pixels of image \"" + name_ + "\" cannot be read");
        return;
    }
    if (isRunLength(kind_) && !runLengthRowsValid(block, dataSize_, size_.w, size_.h)) {
        if (block) heapFree(block);
        loadFailed_ = true;
        reportDamage("image \"" + name_ + "\" holds bad run-length rows");
        return;
    }
    releasePixels();
    pixels_ = block;
    ownsPixels_ = block != nullptr;
    loaded_ = true;
    if (isRunLength(kind_)) runs_ = readRunSpans(pixels_, 0, size_.h, size_.w);
}

// Drawing.

Box Bitmap::fill(std::uint8_t colour) {
    if (!pixels_ || !isSurface()) return Box();
    std::memset(pixels_, colour, dataSize_);
    return Box(0, 0, size_.w, size_.h);
}

Box Bitmap::drawWholeBitmap(const Point& at, Bitmap& source, std::int16_t mode) {
    return drawBitmap(at, source, Box(0, 0, source.width(), source.height()), mode);
}

Box Bitmap::drawBitmap(const Point& at, Bitmap& source, const Box& sourceBox, std::int16_t mode) {
    if (!pixels_ || !isSurface() || !source.pixels_ || mode < DrawPlain || mode > DrawMixedLight)
        return Box();
    // Run-length rows that failed their check are never walked.
    if (isRunLength(source.kind_) && !source.drawable_) return Box();
    std::int32_t dx = at.x - source.hotSpot_.x, dy = at.y - source.hotSpot_.y;
    std::int32_t sx = sourceBox.x, sy = sourceBox.y, sw = sourceBox.w, sh = sourceBox.h;
    // A box reaching outside the source would read beyond its pixels: only its part inside is drawn, where
    // it would have landed.
    if (sx < 0) dx -= sx, sw += sx, sx = 0;
    if (sy < 0) dy -= sy, sh += sy, sy = 0;
    sw = std::min(sw, source.size_.w - sx);
    sh = std::min(sh, source.size_.h - sy);
    if (dx < 0) sw += dx, sx -= dx, dx = 0;
    if (dy < 0) sh += dy, sy -= dy, dy = 0;
    sw = std::min(sw, size_.w - dx);
    sh = std::min(sh, size_.h - dy);
    if (sw <= 0 || sh <= 0) return Box();
    const Box changed(static_cast<std::int16_t>(dx), static_cast<std::int16_t>(dy),
                      static_cast<std::int16_t>(sw), static_cast<std::int16_t>(sh));
    blit(Point(changed.x, changed.y), source,
         Box(static_cast<std::int16_t>(sx), static_cast<std::int16_t>(sy), changed.w, changed.h), mode);
    return changed;
}

void Bitmap::blit(const Point& d, const Bitmap& source, const Box& s, std::int16_t mode) {
    const LogicalPalette* palette = applicationPalette();
    const std::uint8_t* dark = palette ? palette->darkRemap() : identityTable();
    const std::uint8_t* light = palette ? palette->lightRemap() : identityTable();
    const std::uint8_t* table = mode == DrawPlain ? nullptr : modeTable(palette, mode);
    std::uint8_t* dst = pixels_ + static_cast<std::ptrdiff_t>(d.y) * stride() + d.x;
    const std::int32_t dstSkip = stride() - s.w;
    const std::int32_t kind = source.kind_;
    if (isRunLength(kind)) {
        drawRunSpans(dst, source.runs_, source.pixels_, s.x, s.y, s.w, s.h, dstSkip,
                     kind == PixelRunLengthShadow ? dark : nullptr, table);
        return;
    }
    if (kind < PixelOpaque || kind > PixelLit) return;
    const std::uint8_t* src = source.pixels_ + static_cast<std::ptrdiff_t>(s.y) * source.stride() + s.x;
    const std::int32_t srcStride = source.stride(), dstStride = stride();
    for (std::int32_t row = 0; row < s.h; ++row, src += srcStride, dst += dstStride) {
        if (kind == PixelLit) {
            for (std::int32_t i = 0; i < s.w; ++i) {
                const std::uint8_t b = src[i];
                if (b == 0) continue;
                dst[i] = b == 255 ? dark[dst[i]] : b == 252 ? light[dst[i]] : b;
            }
        } else if (!table) {
            if (kind == PixelOpaque) {
                std::memmove(dst, src, static_cast<std::size_t>(s.w));
            } else if (kind == PixelKeyed) {
                for (std::int32_t i = 0; i < s.w; ++i)
                    if (src[i]) dst[i] = src[i];
            } else {
                for (std::int32_t i = 0; i < s.w; ++i) {
                    const std::uint8_t b = src[i];
                    if (b) dst[i] = b == 255 ? dark[dst[i]] : b;
                }
            }
        } else if (kind == PixelShadowed) {
            for (std::int32_t i = 0; i < s.w; ++i) {
                const std::uint8_t b = src[i];
                if (b) dst[i] = b == 255 ? table[dark[dst[i]]] : table[b];
            }
        } else {
            // Kinds 1 and 2 alike: remapped images are always keyed.
            for (std::int32_t i = 0; i < s.w; ++i)
                if (src[i]) dst[i] = table[src[i]];
        }
    }
    (void)dstSkip;
}

Box Bitmap::frameRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const LogicalPalette* palette = applicationPalette();
    if (!pixels_ || !isSurface() || !palette) return Box();
    std::int32_t x = box.x, y = box.y, w = box.w, h = box.h;
    if (x < 0) w += x, x = 0;
    if (y < 0) h += y, y = 0;
    w = std::min(w, size_.w - x);
    h = std::min(h, size_.h - y);
    if (w <= 0 || h <= 0) return Box();
    const std::uint8_t colour = palette->nearestIndex(red, green, blue);
    std::uint8_t* row = pixels_ + static_cast<std::ptrdiff_t>(y) * stride() + x;
    std::memset(row, colour, static_cast<std::size_t>(w));
    for (std::int32_t r = 1; r < h - 1; ++r) {
        row += stride();
        row[0] = colour;
        row[w - 1] = colour;
    }
    if (h > 1)
        std::memset(pixels_ + static_cast<std::ptrdiff_t>(y + h - 1) * stride() + x, colour,
                    static_cast<std::size_t>(w));
    return Box(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), static_cast<std::int16_t>(w),
               static_cast<std::int16_t>(h));
}

Box Bitmap::fillRect(const Box& box, std::uint8_t, std::uint8_t, std::uint8_t) {
    return pixels_ ? box : Box();
}

std::int16_t Bitmap::isOpaqueAt(const Point& point) const {
    const std::int32_t x = point.x + hotSpot_.x, y = point.y + hotSpot_.y;
    if (!pixels_ || x < 0 || y < 0 || x >= size_.w || y >= size_.h) return 0;
    if (isRunLength(kind_)) return drawable_ ? rleIsOpaque(pixels_, x, y) : 0;
    if (kind_ == PixelKeyed || kind_ == PixelShadowed) {
        const std::uint8_t b = pixels_[static_cast<std::ptrdiff_t>(y) * stride() + x];
        return b != 0 && b != 255;
    }
    return 1;
}

} // namespace vael
