#pragma once
// A picture the forge draws: 8-bit palette indexes, one byte a pixel, rows top-down with no padding, and
// the stored forms the archives hold.
#include <cstdint>
#include <vector>

#include "tools/forge/archive_writer.h"

namespace vael::forge {

class Picture {
public:
    Picture(int width, int height, std::uint8_t colour = 0)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), colour) {}

    int width() const { return width_; }
    int height() const { return height_; }
    // Pixels outside the picture are left out, so shapes may run over its edges.
    void set(int x, int y, std::uint8_t colour) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_)
            pixels_[static_cast<std::size_t>(y * width_ + x)] = colour;
    }
    std::uint8_t at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
    void fillEllipse(int cx, int cy, int rx, int ry, std::uint8_t colour);
    void fillRect(int x, int y, int w, int h, std::uint8_t colour);
    void line(int x0, int y0, int x1, int y1, std::uint8_t colour);

    // Rows padded to a multiple of four bytes.
    Bytes rawRows() const;
    // Run-length rows: 0 is transparent, 255 a shadow run when shadows are wanted (else a literal), other
    // bytes literals. Throws when a row would not fit the 12-bit length of a row record.
    Bytes runLengthRows(bool shadows) const;

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

} // namespace vael::forge
