#pragma once
// An 8-bit palette-indexed image: read from an image archive (its pixels load on the first lock) or made
// in memory as a drawing surface. A bitmap draws others into itself, clipped on all four sides, by the
// source's pixel kind and through a remap table of the application's palette chosen by the drawing mode.
// Rows are stored top-down, each padded to a multiple of four bytes.
#include <cstdint>
#include <istream>
#include <string>

#include "framework/core/geometry.h"
#include "framework/core/type_name.h"
#include "framework/display/run_length.h"

namespace vael {

class ByteReader;

// How a source's bytes are drawn.
enum PixelKind : std::int32_t {
    PixelOpaque = 1,         // every byte copied
    PixelKeyed = 2,          // byte 0 transparent
    PixelShadowed = 3,       // byte 0 transparent, 255 darkens the destination
    PixelRunLength = 4,      // run-length rows
    PixelLit = 5,            // byte 0 transparent, 255 darkens, 252 lightens the destination
    PixelRunLengthShadow = 6 // run-length rows with shadow runs
};

// Drawing modes, each naming a remap table of the palette (none for plain drawing).
enum DrawMode : std::int16_t {
    DrawPlain = 1,
    DrawGrey = 2,
    DrawLight = 3,
    DrawDark = 4,
    DrawHalfLight = 5,
    DrawMixedLight = 6
};

class Bitmap {
public:
    static constexpr int HeaderSize = 150;       // an image record's header in an archive
    static constexpr int CompactRecordSize = 42; // an image record in the image index

    // A blank image of zero bytes.
    Bitmap(const Dim& size, std::int32_t kind);
    // An image of the given bytes: raw rows of the padded stride, or run-length rows.
    Bitmap(const Dim& size, std::int32_t kind, const std::uint8_t* bytes, std::uint32_t count);
    // The image record at the file's position; the file is left at the next record.
    Bitmap(const std::string& fileName, std::istream& file);
    // The compact record at the cursor (at most up to end); the cursor is left after it.
    Bitmap(const std::string& fileName, const std::uint8_t*& cursor, const std::uint8_t* end);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    virtual ~Bitmap();

    // Each drawing operation answers the box of this image it changed, or the empty box.
    virtual Box fill(std::uint8_t colour);
    virtual Box drawBitmap(const Point& at, Bitmap& source, const Box& sourceBox, std::int16_t mode);
    virtual Box drawWholeBitmap(const Point& at, Bitmap& source, std::int16_t mode);
    virtual void realizePalette() {}
    virtual Box frameRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    virtual Box fillRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    virtual void resize(const Dim& size);

    // Whether the image covers a point given relative to the drawing position.
    std::int16_t isOpaqueAt(const Point& point) const;

    // Pixels of an archived image load on the first lock; a file that cannot be read is reported once
    // and leaves the image without pixels.
    void lock();
    void unlock();
    void unlockAll();
    bool isLoaded() const { return loaded_; }
    std::int32_t lockCount() const { return lockCount_; }

    Dim size() const { return size_; }
    std::int16_t width() const { return size_.w; }
    std::int16_t height() const { return size_.h; }
    std::uint32_t dataSize() const { return dataSize_; }
    std::uint8_t* bits() const { return pixels_; }
    std::uint16_t padding() const { return padding_; }
    std::int32_t stride() const { return size_.w + padding_; }
    const std::string& name() const { return name_; }
    std::string fileName() const { return fileName_; }
    Point hotSpot() const { return hotSpot_; }
    std::int32_t kind() const { return kind_; }
    std::int32_t pixelOffset() const { return pixelOffset_; }
    // False when the record was damaged: the image has no pixels and never loads any.
    bool isValid() const { return valid_; }

    static std::uint16_t paddingFor(std::int32_t width) {
        return static_cast<std::uint16_t>((4 - width % 4) % 4);
    }
    static bool isRunLength(std::int32_t kind) {
        return kind == PixelRunLength || kind == PixelRunLengthShadow;
    }
    // Whether a bitmap made from the compact record at the cursor would be valid, with the trace line that
    // bitmap would write when not; the cursor is left after the record. Lets an archive hold its records
    // without making an image of each.
    static bool isCompactRecordSound(const std::string& fileName, const std::uint8_t*& cursor,
                                     const std::uint8_t* end);

protected:
    // Whether draws may write the bytes as rows: run-length bytes are runs, fewer than the rows they make and
    // read once into the spans that draw them, so such an image is drawn from, never into.
    bool isSurface() const { return !isRunLength(kind_); }
    // Draws the clipped source box (already inside both images) with its top-left at d.
    void blit(const Point& d, const Bitmap& source, const Box& s, std::int16_t mode);
    // Frees the pixels of an image made in memory.
    void releasePixels();
    void allocatePixels();
    // The fields an image record and a compact record share: name, size, hot spot, kind and data size.
    void readFields(ByteReader& in, std::size_t nameField);
    // Whether the record's sizes are sound; marks the image invalid with a trace line when not.
    bool checkRecord();
    static bool isRecordSound(const Dim& size, std::int32_t kind, std::uint32_t dataSize,
                              std::int32_t pixelOffset, bool archived);
    void loadPixels();
    // Tells that the archive the pixels come from is damaged, in what.
    void reportDamage(const std::string& what) const;

    std::string fileName_;
    std::int32_t pixelOffset_ = -1;
    std::string name_;
    Point hotSpot_;
    std::int32_t kind_ = PixelOpaque;
    Dim size_;
    std::uint8_t* pixels_ = nullptr;
    std::uint32_t dataSize_ = 0;
    std::uint16_t padding_ = 0;
    std::int32_t lockCount_ = 0;
    bool ownsPixels_ = false; // pixels taken from the bitmap pool, freed by this image
    bool loaded_ = false;     // pixels read from the data file
    bool loadFailed_ = false; // reported once, never retried
    bool valid_ = true;
    bool drawable_ = true; // run-length rows checked, or raw rows
    RunSpans runs_;        // checked run-length rows as they draw: read whenever the bytes are taken
};

VAEL_TYPE_NAME(Bitmap*, "Bitmap *");

} // namespace vael
